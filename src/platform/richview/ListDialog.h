#pragma once

#include <QDialog>

class QButtonGroup;
class RichTextEdit;

// The component's list dialog (member 156): no list, bullets or numbers for the selected paragraphs.
class ListDialog : public QDialog
{
    Q_OBJECT
public:
    explicit ListDialog(QWidget *parent = nullptr);

    void load(const RichTextEdit &edit);
    void apply(RichTextEdit &edit) const;
    int kind() const;          // 1 none, 2 bullets, 3 numbers
    void setKind(int kind);

private:
    QButtonGroup *m_kinds;
};

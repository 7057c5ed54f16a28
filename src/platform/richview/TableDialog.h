#pragma once

#include <QDialog>

class QDoubleSpinBox;
class QSpinBox;
class RichTextEdit;

// The component's table-property dialog (member 114) for the table at the caret: border width,
// cell padding and the width of the caret's column, in twips. apply() is one undo step and does
// nothing outside a table.
class TableDialog : public QDialog
{
    Q_OBJECT
public:
    struct Values {
        int border = 15;        // twips, 0 = no border (grid lines on request)
        int padding = 0;        // twips
        int columnWidth = 0;    // twips, 0 = leave as it is
        bool operator==(const Values &) const = default;
    };

    explicit TableDialog(QWidget *parent = nullptr);

    bool load(const RichTextEdit &edit); // false outside a table
    bool apply(RichTextEdit &edit) const;
    Values values() const;
    void setValues(const Values &values);

private:
    QSpinBox *m_border;
    QSpinBox *m_padding;
    QDoubleSpinBox *m_width;
};

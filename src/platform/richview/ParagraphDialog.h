#pragma once

#include <QDialog>

class QComboBox;
class QDoubleSpinBox;
class QSpinBox;
class RichTextEdit;

// The component's paragraph dialog (member 84): alignment, indents in centimetres, spacing before
// and after in points and the line spacing in percent. load() reads the caret's paragraph, apply()
// writes the values to the selected paragraphs as one undo step; both run without showing it.
class ParagraphDialog : public QDialog
{
    Q_OBJECT
public:
    struct Values {
        int alignment = 0;      // 0 left, 1 right, 2 centre, 3 justified
        int indentLeft = 0;     // twips
        int indentRight = 0;
        int indentFirstLine = 0;
        int spaceBefore = 0;
        int spaceAfter = 0;
        int lineSpacing = 100;  // percent
        bool operator==(const Values &) const = default;
    };

    explicit ParagraphDialog(QWidget *parent = nullptr);

    void load(const RichTextEdit &edit);
    void apply(RichTextEdit &edit) const;
    Values values() const;
    void setValues(const Values &values);

private:
    QComboBox *m_alignment;
    QDoubleSpinBox *m_left;
    QDoubleSpinBox *m_right;
    QDoubleSpinBox *m_first;
    QDoubleSpinBox *m_before;
    QDoubleSpinBox *m_after;
    QSpinBox *m_lineSpacing;
};

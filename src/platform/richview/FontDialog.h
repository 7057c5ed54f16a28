#pragma once

#include <QDialog>

#include <optional>

class QCheckBox;
class QDoubleSpinBox;
class QFontComboBox;
class QPushButton;
class RichTextEdit;

// The component's font dialog (member 85): font name, size in points, bold, italic, underline,
// strike-out, text colour and background colour (COLORREF; -1 leaves the colour as it is).
// load() and apply() run without showing it; apply() is one undo step.
class FontDialog : public QDialog
{
    Q_OBJECT
public:
    struct Values {
        QString family;
        double size = 10.5;
        bool bold = false;
        bool italic = false;
        bool underline = false;
        bool strikeOut = false;
        int foreColor = 0;         // COLORREF
        int backColor = 0xFFFFFF;  // COLORREF, white = none
        bool operator==(const Values &) const = default;
    };

    explicit FontDialog(QWidget *parent = nullptr);

    void load(const RichTextEdit &edit);
    void apply(RichTextEdit &edit) const;
    Values values() const;
    void setValues(const Values &values);

private:
    void pickColor(bool fore);
    void showColors();

    QFontComboBox *m_family;
    QDoubleSpinBox *m_size;
    QCheckBox *m_bold;
    QCheckBox *m_italic;
    QCheckBox *m_underline;
    QCheckBox *m_strike;
    QPushButton *m_fore;
    QPushButton *m_back;
    int m_foreColor = 0;
    int m_backColor = 0xFFFFFF;
    std::optional<Values> m_loaded; // none: apply() sets every value
};

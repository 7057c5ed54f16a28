#include "platform/richview/FontDialog.h"

#include "platform/richtext/ColorRef.h"
#include "platform/richtext/RichTextEdit.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFontComboBox>
#include <QFormLayout>
#include <QPushButton>

FontDialog::FontDialog(QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("フォント"));
    m_family = new QFontComboBox;
    m_size = new QDoubleSpinBox;
    m_size->setRange(1, 1638);
    m_size->setDecimals(1);
    m_size->setSingleStep(0.5);
    m_size->setSuffix(QStringLiteral(" pt"));
    m_bold = new QCheckBox(QStringLiteral("太字"));
    m_italic = new QCheckBox(QStringLiteral("斜体"));
    m_underline = new QCheckBox(QStringLiteral("下線"));
    m_strike = new QCheckBox(QStringLiteral("取り消し線"));
    m_fore = new QPushButton(QStringLiteral("文字色"));
    m_back = new QPushButton(QStringLiteral("背景色"));
    connect(m_fore, &QPushButton::clicked, this, [this] { pickColor(true); });
    connect(m_back, &QPushButton::clicked, this, [this] { pickColor(false); });
    auto *form = new QFormLayout(this);
    form->addRow(QStringLiteral("フォント名:"), m_family);
    form->addRow(QStringLiteral("サイズ:"), m_size);
    form->addRow(m_bold, m_italic);
    form->addRow(m_underline, m_strike);
    form->addRow(m_fore, m_back);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
    showColors();
}

void FontDialog::pickColor(bool fore)
{
    const int current = fore ? m_foreColor : m_backColor;
    const QColor color = QColorDialog::getColor(ColorRef::toColor(current), this,
                                                fore ? QStringLiteral("文字色") : QStringLiteral("背景色"));
    if (!color.isValid())
        return;
    (fore ? m_foreColor : m_backColor) = ColorRef::fromColor(color);
    showColors();
}

void FontDialog::showColors()
{
    for (auto [button, colorRef] : {std::pair{m_fore, m_foreColor}, std::pair{m_back, m_backColor}}) {
        const QColor color = ColorRef::toColor(colorRef);
        button->setStyleSheet(color.isValid()
            ? QStringLiteral("QPushButton { border-left: 12px solid %1; }").arg(color.name()) : QString());
    }
}

FontDialog::Values FontDialog::values() const
{
    Values v;
    v.family = m_family->currentText();
    v.size = m_size->value();
    v.bold = m_bold->isChecked();
    v.italic = m_italic->isChecked();
    v.underline = m_underline->isChecked();
    v.strikeOut = m_strike->isChecked();
    v.foreColor = m_foreColor;
    v.backColor = m_backColor;
    return v;
}

void FontDialog::setValues(const Values &v)
{
    // A family this machine lacks is kept by name, so the text keeps the font it asks for.
    if (!v.family.isEmpty()) {
        m_family->setCurrentFont(QFont(v.family));
        m_family->setEditText(v.family);
    }
    m_size->setValue(v.size);
    m_bold->setChecked(v.bold);
    m_italic->setChecked(v.italic);
    m_underline->setChecked(v.underline);
    m_strike->setChecked(v.strikeOut);
    m_foreColor = v.foreColor;
    m_backColor = v.backColor;
    showColors();
}

void FontDialog::load(const RichTextEdit &edit)
{
    Values v;
    v.family = edit.fontName();
    v.size = edit.fontSize() > 0 ? edit.fontSize() : 10.5;
    v.bold = edit.bold();
    v.italic = edit.italic();
    v.underline = edit.underline();
    v.strikeOut = edit.strikeOut();
    v.foreColor = edit.foreColor();
    v.backColor = edit.backColor();
    setValues(v);
    m_loaded = values();
}

void FontDialog::apply(RichTextEdit &edit) const
{
    // Only what the user changed is applied, so a selection of mixed looks keeps the rest.
    const Values v = values();
    const Values was = m_loaded.value_or(Values());
    const bool all = !m_loaded;
    edit.beginCommand();
    if (!v.family.isEmpty() && (all || v.family != was.family))
        edit.setFontName(v.family);
    if (all || v.size != was.size)
        edit.setFontSize(v.size);
    if (all || v.bold != was.bold)
        edit.setBold(v.bold);
    if (all || v.italic != was.italic)
        edit.setItalic(v.italic);
    if (all || v.underline != was.underline)
        edit.setUnderline(v.underline);
    if (all || v.strikeOut != was.strikeOut)
        edit.setStrikeOut(v.strikeOut);
    if (v.foreColor >= 0 && (all || v.foreColor != was.foreColor))
        edit.setForeColor(v.foreColor);
    if (v.backColor >= 0 && (all || v.backColor != was.backColor))
        edit.setBackColor(v.backColor);
    edit.endCommand();
}

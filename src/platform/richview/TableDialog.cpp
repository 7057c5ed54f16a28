#include "platform/richview/TableDialog.h"

#include "platform/richtext/RichTextEdit.h"
#include "platform/richtext/TableOps.h"

#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QSpinBox>
#include <QTextCursor>
#include <QTextTable>

#include <cmath>

namespace {
constexpr double TwipsPerPixel = 15.0;
constexpr double TwipsPerCm = 1440 / 2.54;

QTextTable *caretTable(const RichTextEdit &edit)
{
    return TableOps::byId(edit.document(), edit.tableAtCaret());
}
} // namespace

TableDialog::TableDialog(QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("表のプロパティ"));
    m_border = new QSpinBox;
    m_border->setRange(0, 300);
    m_border->setSuffix(QStringLiteral(" twip"));
    m_padding = new QSpinBox;
    m_padding->setRange(0, 1440);
    m_padding->setSuffix(QStringLiteral(" twip"));
    m_width = new QDoubleSpinBox;
    m_width->setRange(0, 100);
    m_width->setDecimals(2);
    m_width->setSuffix(QStringLiteral(" cm"));
    auto *form = new QFormLayout(this);
    form->addRow(QStringLiteral("罫線の太さ:"), m_border);
    form->addRow(QStringLiteral("セルの余白:"), m_padding);
    form->addRow(QStringLiteral("列の幅:"), m_width);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
}

TableDialog::Values TableDialog::values() const
{
    return Values{m_border->value(), m_padding->value(), int(std::lround(m_width->value() * TwipsPerCm))};
}

void TableDialog::setValues(const Values &v)
{
    m_border->setValue(v.border);
    m_padding->setValue(v.padding);
    m_width->setValue(v.columnWidth / TwipsPerCm);
}

bool TableDialog::load(const RichTextEdit &edit)
{
    QTextTable *table = caretTable(edit);
    if (!table)
        return false;
    const QTextTableFormat format = table->format();
    Values v;
    v.border = int(std::lround(format.border() * TwipsPerPixel));
    v.padding = int(std::lround(format.cellPadding() * TwipsPerPixel));
    const QTextLength width = format.columnWidthConstraints().value(edit.columnAtCaret() - 1);
    v.columnWidth = width.type() == QTextLength::FixedLength
        ? int(std::lround(width.rawValue() * TwipsPerPixel)) : 0;
    setValues(v);
    return true;
}

bool TableDialog::apply(RichTextEdit &edit) const
{
    const int id = edit.tableAtCaret();
    QTextTable *table = TableOps::byId(edit.document(), id);
    if (!table)
        return false;
    const Values v = values();
    edit.beginCommand();
    QTextTableFormat format = table->format();
    format.setBorder(v.border / TwipsPerPixel);
    format.setBorderStyle(v.border > 0 ? QTextFrameFormat::BorderStyle_Solid : QTextFrameFormat::BorderStyle_None);
    format.setCellPadding(v.padding / TwipsPerPixel);
    table->setFormat(format);
    if (v.columnWidth > 0)
        edit.setColumnWidth(id, edit.columnAtCaret(), v.columnWidth);
    edit.endCommand();
    return true;
}

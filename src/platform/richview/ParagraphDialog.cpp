#include "platform/richview/ParagraphDialog.h"

#include "platform/richtext/RichTextEdit.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QSpinBox>

#include <cmath>

namespace {
constexpr double TwipsPerCm = 1440 / 2.54;

QDoubleSpinBox *lengthBox(double min, double max, const QString &suffix, double step)
{
    auto *box = new QDoubleSpinBox;
    box->setRange(min, max);
    box->setDecimals(2);
    box->setSingleStep(step);
    box->setSuffix(suffix);
    return box;
}

int cmToTwips(double cm)
{
    return int(std::lround(cm * TwipsPerCm));
}
} // namespace

ParagraphDialog::ParagraphDialog(QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("段落"));
    m_alignment = new QComboBox;
    m_alignment->addItems({QStringLiteral("左揃え"), QStringLiteral("右揃え"), QStringLiteral("中央揃え"),
                           QStringLiteral("両端揃え")});
    m_left = lengthBox(-50, 50, QStringLiteral(" cm"), 0.25);
    m_right = lengthBox(-50, 50, QStringLiteral(" cm"), 0.25);
    m_first = lengthBox(-50, 50, QStringLiteral(" cm"), 0.25);
    m_before = lengthBox(0, 1584, QStringLiteral(" pt"), 1);
    m_after = lengthBox(0, 1584, QStringLiteral(" pt"), 1);
    m_lineSpacing = new QSpinBox;
    m_lineSpacing->setRange(50, 500);
    m_lineSpacing->setSingleStep(10);
    m_lineSpacing->setSuffix(QStringLiteral(" %"));
    auto *form = new QFormLayout(this);
    form->addRow(QStringLiteral("配置:"), m_alignment);
    form->addRow(QStringLiteral("左インデント:"), m_left);
    form->addRow(QStringLiteral("右インデント:"), m_right);
    form->addRow(QStringLiteral("最初の行:"), m_first);
    form->addRow(QStringLiteral("段落前:"), m_before);
    form->addRow(QStringLiteral("段落後:"), m_after);
    form->addRow(QStringLiteral("行間:"), m_lineSpacing);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
}

ParagraphDialog::Values ParagraphDialog::values() const
{
    Values v;
    v.alignment = m_alignment->currentIndex();
    v.indentLeft = cmToTwips(m_left->value());
    v.indentRight = cmToTwips(m_right->value());
    v.indentFirstLine = cmToTwips(m_first->value());
    v.spaceBefore = int(std::lround(m_before->value() * 20));
    v.spaceAfter = int(std::lround(m_after->value() * 20));
    v.lineSpacing = m_lineSpacing->value();
    return v;
}

void ParagraphDialog::setValues(const Values &v)
{
    m_alignment->setCurrentIndex(qBound(0, v.alignment, 3));
    m_left->setValue(v.indentLeft / TwipsPerCm);
    m_right->setValue(v.indentRight / TwipsPerCm);
    m_first->setValue(v.indentFirstLine / TwipsPerCm);
    m_before->setValue(v.spaceBefore / 20.0);
    m_after->setValue(v.spaceAfter / 20.0);
    m_lineSpacing->setValue(v.lineSpacing);
}

void ParagraphDialog::load(const RichTextEdit &edit)
{
    Values v;
    v.alignment = edit.alignment();
    v.indentLeft = edit.indentLeft();
    v.indentRight = edit.indentRight();
    v.indentFirstLine = edit.indentFirstLine();
    v.spaceBefore = edit.spaceBefore();
    v.spaceAfter = edit.spaceAfter();
    v.lineSpacing = edit.lineSpacingPercent();
    setValues(v);
}

void ParagraphDialog::apply(RichTextEdit &edit) const
{
    const Values v = values();
    edit.beginCommand();
    edit.setAlignment(v.alignment);
    edit.setIndentLeft(v.indentLeft);
    edit.setIndentRight(v.indentRight);
    edit.setIndentFirstLine(v.indentFirstLine);
    edit.setSpaceBefore(v.spaceBefore);
    edit.setSpaceAfter(v.spaceAfter);
    if (v.lineSpacing != edit.lineSpacingPercent())
        edit.setLineSpacingPercent(v.lineSpacing);
    edit.endCommand();
}

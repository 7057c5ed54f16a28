#include "platform/richview/ListDialog.h"

#include "platform/richtext/RichTextEdit.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QRadioButton>
#include <QVBoxLayout>

ListDialog::ListDialog(QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("箇条書きと段落番号"));
    auto *layout = new QVBoxLayout(this);
    m_kinds = new QButtonGroup(this);
    const QStringList names{QStringLiteral("なし"), QStringLiteral("箇条書き"), QStringLiteral("段落番号")};
    for (int i = 0; i < names.size(); ++i) {
        auto *button = new QRadioButton(names.at(i));
        m_kinds->addButton(button, i + 1);
        layout->addWidget(button);
    }
    m_kinds->button(1)->setChecked(true);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

int ListDialog::kind() const
{
    return m_kinds->checkedId();
}

void ListDialog::setKind(int kind)
{
    if (QAbstractButton *button = m_kinds->button(kind))
        button->setChecked(true);
}

void ListDialog::load(const RichTextEdit &edit)
{
    setKind(edit.listKind());
}

void ListDialog::apply(RichTextEdit &edit) const
{
    if (kind() != edit.listKind())
        edit.setListKind(kind());
}

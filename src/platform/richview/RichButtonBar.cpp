#include "platform/richview/RichButtonBar.h"

#include "platform/richtext/RichTextEdit.h"
#include "platform/richview/RichView.h"

#include <QAction>
#include <QActionGroup>

RichButtonBar::RichButtonBar(RichView *view, QWidget *parent)
    : QToolBar(parent), m_view(view)
{
    addButton(Bold, QStringLiteral("B"), QStringLiteral("太字"));
    addButton(Italic, QStringLiteral("I"), QStringLiteral("斜体"));
    addButton(Underline, QStringLiteral("U"), QStringLiteral("下線"));
    addSeparator();
    auto *alignments = new QActionGroup(this);
    alignments->addAction(addButton(AlignLeft, QStringLiteral("左"), QStringLiteral("左揃え")));
    alignments->addAction(addButton(AlignCenter, QStringLiteral("中"), QStringLiteral("中央揃え")));
    alignments->addAction(addButton(AlignRight, QStringLiteral("右"), QStringLiteral("右揃え")));
    addSeparator();
    addButton(Bullets, QStringLiteral("・"), QStringLiteral("箇条書き"));
    addButton(Numbers, QStringLiteral("1."), QStringLiteral("段落番号"));
    QFont font = m_actions[Bold]->font();
    font.setBold(true);
    m_actions[Bold]->setFont(font);
    font = m_actions[Italic]->font();
    font.setItalic(true);
    m_actions[Italic]->setFont(font);
    font = m_actions[Underline]->font();
    font.setUnderline(true);
    m_actions[Underline]->setFont(font);
    connect(view, &RichView::caretMoved, this, &RichButtonBar::refreshStates);
    connect(view, &RichView::changed, this, &RichButtonBar::refreshStates);
    refreshStates();
}

QAction *RichButtonBar::addButton(Button button, const QString &text, const QString &tip)
{
    QAction *action = addAction(text);
    action->setToolTip(tip);
    action->setCheckable(true);
    connect(action, &QAction::triggered, this, [this, button](bool checked) { trigger(button, checked); });
    m_actions[button] = action;
    return action;
}

void RichButtonBar::trigger(Button button, bool checked)
{
    if (m_view->editMode() != 0) {
        refreshStates();
        return;
    }
    if (m_runner)
        m_runner([&] { apply(button, checked); });
    else
        apply(button, checked);
    refreshStates();
}

void RichButtonBar::apply(Button button, bool checked)
{
    RichTextEdit *edit = m_view->edit();
    m_view->showModelCaret();
    switch (button) {
    case Bold: edit->setBold(checked); break;
    case Italic: edit->setItalic(checked); break;
    case Underline: edit->setUnderline(checked); break;
    case AlignLeft: edit->setAlignment(0); break;
    case AlignCenter: edit->setAlignment(2); break;
    case AlignRight: edit->setAlignment(1); break;
    case Bullets: edit->setListKind(checked ? 2 : 1); break;
    case Numbers: edit->setListKind(checked ? 3 : 1); break;
    case Count: break;
    }
    m_view->showModelCaret();
}

void RichButtonBar::refreshStates()
{
    const RichTextEdit *edit = m_view->edit();
    m_actions[Bold]->setChecked(edit->bold());
    m_actions[Italic]->setChecked(edit->italic());
    m_actions[Underline]->setChecked(edit->underline());
    const int alignment = edit->alignment();
    m_actions[AlignLeft]->setChecked(alignment == 0 || alignment == 3);
    m_actions[AlignCenter]->setChecked(alignment == 2);
    m_actions[AlignRight]->setChecked(alignment == 1);
    m_actions[Bullets]->setChecked(edit->listKind() == 2);
    m_actions[Numbers]->setChecked(edit->listKind() == 3);
}

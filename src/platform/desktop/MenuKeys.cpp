#include "platform/desktop/MenuKeys.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QProxyStyle>
#include <QStyleOptionMenuItem>

namespace {

// The application's style, with the current title of a menu bar that has the keyboard drawn as the
// title of an open menu.
class KeyboardBarStyle : public QProxyStyle
{
public:
    using QProxyStyle::QProxyStyle;

    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                     const QWidget *widget) const override
    {
        const auto *item = qstyleoption_cast<const QStyleOptionMenuItem *>(option);
        if (element == CE_MenuBarItem && item && widget && widget->hasFocus() && (item->state & State_Selected)) {
            QStyleOptionMenuItem shown = *item;
            shown.state |= State_Sunken;
            QProxyStyle::drawControl(element, &shown, painter, widget);
            return;
        }
        QProxyStyle::drawControl(element, option, painter, widget);
    }
};

// The access key of a caption ("置換(&R)" gives R), upper case; null without one.
QChar accessKey(const QString &caption)
{
    const QKeySequence key = QKeySequence::mnemonic(caption);
    if (key.isEmpty() || key[0].key() > 0xFFFF)
        return QChar();
    return QChar(char16_t(key[0].key())).toUpper();
}

} // namespace

MenuKeys::MenuKeys(QMenu *menu) : QObject(menu)
{
    menu->installEventFilter(this);
}

void MenuKeys::watchBar(QMenuBar *bar)
{
    auto *style = new KeyboardBarStyle(QApplication::style()->name());
    style->setParent(bar);
    bar->setStyle(style);
    for (QAction *top : bar->actions())
        watch(top->menu());
}

void MenuKeys::watch(QMenu *menu)
{
    if (!menu || menu->findChild<MenuKeys *>(QString(), Qt::FindDirectChildrenOnly))
        return;
    new MenuKeys(menu);
    for (QAction *a : menu->actions())
        watch(a->menu());
}

bool MenuKeys::eventFilter(QObject *watched, QEvent *event)
{
    auto *menu = qobject_cast<QMenu *>(watched);
    if (!menu || event->type() != QEvent::KeyPress)
        return false;
    const auto *key = static_cast<QKeyEvent *>(event);
    const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
    if (key->text().size() != 1
        || (modifiers != Qt::NoModifier && modifiers != Qt::ShiftModifier && modifiers != Qt::AltModifier))
        return false;
    const QChar letter = key->text().at(0).toUpper();
    QList<QAction *> enabled;
    bool disabledShares = false;
    for (QAction *a : menu->actions()) {
        if (!a->isVisible() || a->isSeparator() || accessKey(a->text()) != letter)
            continue;
        if (a->isEnabled())
            enabled.append(a);
        else
            disabledShares = true;
    }
    if (!disabledShares || enabled.isEmpty())
        return false;
    if (enabled.size() == 1) {
        // The item runs, or its submenu opens, as Enter does it.
        menu->setActiveAction(enabled.first());
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(menu, &enter);
        return true;
    }
    const qsizetype at = enabled.indexOf(menu->activeAction());
    menu->setActiveAction(enabled.at((at + 1) % enabled.size()));
    return true;
}

#pragma once

#include <QObject>

class QMenu;
class QMenuBar;

// The keyboard in menus as desktop programs have it.
// - A menu bar that holds the keyboard (after Alt pressed and released alone) shows it: its current
//   title is drawn highlighted, as the title of an open menu is. The style draws that title plain
//   until a menu opens, so the bar took the letters typed next with nothing on the screen saying so.
// - In a menu, a letter reaches the enabled item whose access key it is, though a disabled item
//   shares the letter: Qt stopped at the disabled one and the letter did nothing. Where only enabled
//   items share a letter, Qt's own rule holds (they take the highlight in turn).
class MenuKeys : public QObject
{
    Q_OBJECT
public:
    // The bar, its menus and their submenus.
    static void watchBar(QMenuBar *bar);
    // A menu and its submenus.
    static void watch(QMenu *menu);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    explicit MenuKeys(QMenu *menu);
};

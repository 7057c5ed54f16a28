#pragma once

class QAction;

// What the function-key bar needs of the window it sits in: the window's menu
// items by group and index, and its command dispatcher.
class FkyHost
{
public:
    virtual ~FkyHost() = default;
    virtual void fnMenu(int group, int index) = 0;
    // The menu item, or nullptr for a missing index, an unknown group or a separator.
    virtual QAction *menuItem(int group, int index) const = 0;
};

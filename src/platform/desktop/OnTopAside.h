#pragma once

#include <QList>
#include <QPointer>
#include <QWidget>

// While it lives, the windows that stay on top of all others (the wait window) are hidden, so that
// a message box or dialog shown meanwhile is not covered and takes the keys; they come back after.
class OnTopAside
{
public:
    OnTopAside();
    ~OnTopAside();
    OnTopAside(const OnTopAside &) = delete;
    OnTopAside &operator=(const OnTopAside &) = delete;

private:
    QList<QPointer<QWidget>> m_hidden;
};

#pragma once

#include "core/sbWait.h"

#include <QStringList>
#include <QTimer>

#include <functional>

// Every text the wait window shows while this watches (the window lets the events through when it
// shows a text, so the watch sees it even while the job holds the thread); `look`, when set, is
// run at each of those moments, while the window stands.
struct WaitWatch {
    QStringList shown;
    std::function<void()> look;
    QTimer timer;
    WaitWatch()
    {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            if (!sbWait::isShown())
                return;
            if (!shown.contains(sbWait::shownMessage()))
                shown << sbWait::shownMessage();
            if (look)
                look();
        });
        timer.start(0);
    }
    void stop() { timer.stop(); }
};

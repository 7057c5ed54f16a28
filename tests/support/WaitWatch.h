#pragma once

#include "core/sbWait.h"

#include <QStringList>
#include <QTimer>

// Every text the wait window shows while this watches (the window lets the events through when it
// shows a text, so the watch sees it even while the job holds the thread).
struct WaitWatch {
    QStringList shown;
    QTimer timer;
    WaitWatch()
    {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            if (sbWait::isShown() && !shown.contains(sbWait::shownMessage()))
                shown << sbWait::shownMessage();
        });
        timer.start(0);
    }
    void stop() { timer.stop(); }
};

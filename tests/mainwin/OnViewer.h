#pragma once

#include "output/reader/sbDmp.h"

#include <QApplication>
#include <QTimer>

#include <functional>

// Runs `act` on the read-through window as soon as it is shown.
inline void onViewer(const std::function<void(sbDmp &)> &act)
{
    auto *poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, act] {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (auto *viewer = qobject_cast<sbDmp *>(w); viewer && viewer->isVisible()) {
                poll->stop();
                poll->deleteLater();
                act(*viewer);
                return;
            }
        }
    });
    poll->start();
}

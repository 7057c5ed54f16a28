#pragma once

#include <QByteArray>
#include <QFile>

// The most memory this process has held so far (resident, Linux's VmHWM), in megabytes; -1 where
// unknown. Unlike getrusage's figure it starts anew at exec, so a child started by a large parent
// gives its own.
inline qint64 peakMegabytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong() / 1024;
    }
    return -1;
}

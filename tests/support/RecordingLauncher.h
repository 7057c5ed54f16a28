#pragma once

#include "platform/desktop/Launcher.h"

#include <QList>
#include <QQueue>

// A launcher for tests: records every call instead of starting anything and
// answers from queues filled by the test. It installs itself for its lifetime.
class RecordingLauncher : public Launcher
{
public:
    struct Call {
        QString program;
        QStringList arguments;
        QString workingDirectory;
        bool detached = false;
        int timeoutMs = -1;
    };

    RecordingLauncher();
    ~RecordingLauncher() override;

    QQueue<bool> startResults;   // answers of startDetached; empty = startResult
    QQueue<int> runResults;      // exit codes of run; empty = runResult
    bool startResult = true;
    int runResult = 0;

    QList<Call> calls;

    bool startDetached(const QString &program, const QStringList &arguments,
                       const QString &workingDirectory) override;
    int run(const QString &program, const QStringList &arguments, const QString &workingDirectory,
            int timeoutMs) override;

    // The last call's program and arguments as one list (empty when none).
    QStringList lastCommand() const;
};

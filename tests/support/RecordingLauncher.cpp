#include "support/RecordingLauncher.h"

RecordingLauncher::RecordingLauncher() { Launcher::install(this); }
RecordingLauncher::~RecordingLauncher() { Launcher::install(nullptr); }

bool RecordingLauncher::startDetached(const QString &program, const QStringList &arguments,
                                      const QString &workingDirectory)
{
    calls.append({program, arguments, workingDirectory, true, -1});
    return startResults.isEmpty() ? startResult : startResults.dequeue();
}

int RecordingLauncher::run(const QString &program, const QStringList &arguments,
                           const QString &workingDirectory, int timeoutMs)
{
    calls.append({program, arguments, workingDirectory, false, timeoutMs});
    return runResults.isEmpty() ? runResult : runResults.dequeue();
}

QStringList RecordingLauncher::lastCommand() const
{
    if (calls.isEmpty())
        return {};
    return QStringList{calls.last().program} + calls.last().arguments;
}

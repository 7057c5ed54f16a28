#include "platform/desktop/ProcessLauncher.h"

#include <QProcess>

bool ProcessLauncher::startDetached(const QString &program, const QStringList &arguments,
                                    const QString &workingDirectory)
{
    if (program.isEmpty())
        return false;
    return QProcess::startDetached(program, arguments, workingDirectory);
}

int ProcessLauncher::run(const QString &program, const QStringList &arguments,
                         const QString &workingDirectory, int timeoutMs)
{
    if (program.isEmpty())
        return -1;
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    if (!workingDirectory.isEmpty())
        process.setWorkingDirectory(workingDirectory);
    process.start(program, arguments);
    if (!process.waitForStarted())
        return -1;
    // A tool that reads its input must see the end of it instead of waiting for us.
    process.closeWriteChannel();
    if (!process.waitForFinished(timeoutMs)) {
        // Leave no stray child behind a caller that gave up waiting.
        process.kill();
        process.waitForFinished(5000);
        return -1;
    }
    if (process.exitStatus() != QProcess::NormalExit)
        return -1;
    return process.exitCode();
}

#include "platform/desktop/ProcessLauncher.h"

#include <QCoreApplication>
#include <QElapsedTimer>
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

int ProcessLauncher::runAWhile(const QString &program, const QStringList &arguments, int waitMs)
{
    if (program.isEmpty())
        return -1;
    auto *process = new QProcess;
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->start(program, arguments);
    if (!process->waitForStarted()) {
        delete process;
        return -1;
    }
    process->closeWriteChannel();
    QElapsedTimer waited;
    waited.start();
    while (process->state() != QProcess::NotRunning && waited.elapsed() < waitMs) {
        process->waitForFinished(50);
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    if (process->state() != QProcess::NotRunning) {
        // Deleting it would end the program: it goes when it ends, or with us.
        QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
        return StillRunning;
    }
    const int code = process->exitStatus() == QProcess::NormalExit ? process->exitCode() : -1;
    delete process;
    return code;
}

#pragma once

#include "platform/desktop/Launcher.h"

// The real launcher: QProcess with argument lists.
class ProcessLauncher : public Launcher
{
public:
    bool startDetached(const QString &program, const QStringList &arguments,
                       const QString &workingDirectory) override;
    int run(const QString &program, const QStringList &arguments, const QString &workingDirectory,
            int timeoutMs) override;
    int runAWhile(const QString &program, const QStringList &arguments, int waitMs) override;
};

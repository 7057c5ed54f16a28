#pragma once

#include <QString>
#include <QStringList>

// Starts outside programs with argument lists (never a shell string). Tests
// install a recording launcher in place of the real one.
class Launcher
{
public:
    virtual ~Launcher() = default;

    // Starts `program` detached; true when it could be started.
    virtual bool startDetached(const QString &program, const QStringList &arguments,
                               const QString &workingDirectory = QString()) = 0;
    // Runs `program` and waits for it (at most `timeoutMs`, -1 = no limit);
    // returns its exit code, or -1 when it could not run or did not finish.
    virtual int run(const QString &program, const QStringList &arguments,
                    const QString &workingDirectory = QString(), int timeoutMs = -1) = 0;

    // Opens a file, folder or address with the desktop's program for it (xdg-open).
    bool openWithDesktop(const QString &target);
    // Starts a mail in the desktop's mail program (xdg-email).
    bool composeMail(const QString &subject, const QString &body, const QString &attachment);

    static Launcher &current();
    static void install(Launcher *launcher); // not owned; nullptr restores the real one
};

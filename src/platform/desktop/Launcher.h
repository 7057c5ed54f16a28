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

    // Starts `program` and waits at most `waitMs` for it to end, the windows
    // still painted meanwhile; a program that has not ended by then is left
    // running. Returns its exit code, StillRunning when it had not ended, -1
    // when it could not be started or did not end normally.
    virtual int runAWhile(const QString &program, const QStringList &arguments, int waitMs);
    static constexpr int StillRunning = -2;

    // Opens a file, folder or address with the desktop's program for it (xdg-open) and waits up to
    // `waitMs` for xdg-open's answer, as for a mail: its exit code (0 handed over; 1 to 4 its
    // failures, 3 when no program opens such a file), StillRunning when the program it started keeps
    // it waiting, -1 when it could not be run. An empty target is not handed over (1).
    int openWithDesktop(const QString &target, int waitMs = OpenWaitMs);
    // xdg-open ends as soon as it has handed the target on, or tells its failure within moments.
    static constexpr int OpenWaitMs = 5000;
    // True when an answer of openWithDesktop or composeMail means the target was handed over.
    static bool handedOver(int answer) { return answer == 0 || answer == StillRunning; }
    // Hands a mail to the desktop's mail program (xdg-email) and waits up to
    // `waitMs` for xdg-email's answer: its exit code (0 handed over; 1 to 5 its
    // failures), StillRunning when the mail program keeps it waiting, -1 when it
    // could not be run. A backslash in the subject or body goes in its full-width
    // form "＼": xdg-email's shell would read it as an escape and cut the text.
    int composeMail(const QString &subject, const QString &body, const QString &attachment,
                    int waitMs = MailWaitMs);
    // xdg-email reports its own failures within moments; a mail program it had to start keeps it
    // until that program closes, so a longer wait would only hold the user up on every mail.
    static constexpr int MailWaitMs = 5000;
    // True when the mail fits the one command-line argument that xdg-email
    // makes of it (a "mailto:" address with every text percent-encoded).
    static bool mailFits(const QString &subject, const QString &body, const QString &attachment);

    static Launcher &current();
    static void install(Launcher *launcher); // not owned; nullptr restores the real one
};

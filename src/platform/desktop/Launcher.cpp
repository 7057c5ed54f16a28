#include "platform/desktop/Launcher.h"
#include "platform/desktop/ProcessLauncher.h"

namespace {

Launcher *installed = nullptr;

// The longest argument Linux passes to a program (MAX_ARG_STRLEN, with its
// closing zero), less room for the rest of the address and the mail
// program's own wrapping of it.
constexpr qsizetype MailtoLimit = 32 * 4096 - 8192;

// Length of `text` as xdg-email puts it into the address: UTF-8, letters,
// digits and "@.-\/" as they are, every other byte as "%XX", a line end as "%0D%0A".
qsizetype encodedLength(const QString &text)
{
    qsizetype length = 0;
    for (const char c : text.toUtf8()) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')
                           || c == '@' || c == '.' || c == '-' || c == '\\' || c == '/';
        length += c == '\n' ? 6 : plain ? 1 : 3;
    }
    return length;
}

// A text as xdg-email can carry it. Its line ends go as LF: xdg-email makes each LF the CR LF of
// mail, and a CR of ours would stay in front of it (an empty line after every line). It reads the
// texts through the shell's echo, more than once and as many times again on the way to some mail
// programs, and echo takes a backslash for the start of an escape ("\c" ends the text).
// No count of doubled backslashes survives every way: it goes full-width.
QString forXdgEmail(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    return text.replace(u'\\', QChar(0xFF3C));
}

} // namespace

int Launcher::openWithDesktop(const QString &target, int waitMs)
{
    if (target.isEmpty())
        return 1;
    return runAWhile(QStringLiteral("xdg-open"), {target}, waitMs);
}

int Launcher::runAWhile(const QString &program, const QStringList &arguments, int waitMs)
{
    return run(program, arguments, QString(), waitMs);
}

bool Launcher::mailFits(const QString &subject, const QString &body, const QString &attachment)
{
    const qsizetype address = QStringLiteral("mailto:?subject=&body=&attach=").size()
                              + encodedLength(forXdgEmail(subject)) + encodedLength(forXdgEmail(body))
                              + encodedLength(attachment);
    return address <= MailtoLimit;
}

int Launcher::composeMail(const QString &subject, const QString &body, const QString &attachment, int waitMs)
{
    // The texts are passed as UTF-8 whatever the locale: under the C locale xdg-email would drop them.
    QStringList arguments{QStringLiteral("--utf8")};
    if (!subject.isEmpty())
        arguments << QStringLiteral("--subject") << forXdgEmail(subject);
    if (!body.isEmpty())
        arguments << QStringLiteral("--body") << forXdgEmail(body);
    if (!attachment.isEmpty())
        arguments << QStringLiteral("--attach") << attachment;
    // xdg-email wants at least one address or option; an empty mailto: opens a blank mail.
    if (arguments.size() == 1)
        arguments << QStringLiteral("mailto:");
    // xdg-email answers once the mail program has the mail; a mail program that
    // starts in its place only answers when it is closed, and is left to run.
    return runAWhile(QStringLiteral("xdg-email"), arguments, waitMs);
}

Launcher &Launcher::current()
{
    static ProcessLauncher process;
    return installed ? *installed : process;
}

void Launcher::install(Launcher *launcher) { installed = launcher; }

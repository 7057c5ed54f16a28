#include "platform/desktop/Launcher.h"
#include "platform/desktop/ProcessLauncher.h"

namespace {
Launcher *installed = nullptr;
}

bool Launcher::openWithDesktop(const QString &target)
{
    if (target.isEmpty())
        return false;
    return startDetached(QStringLiteral("xdg-open"), {target});
}

bool Launcher::composeMail(const QString &subject, const QString &body, const QString &attachment)
{
    // The texts are passed as UTF-8 whatever the locale: under the C locale xdg-email would drop them.
    QStringList arguments{QStringLiteral("--utf8")};
    if (!subject.isEmpty())
        arguments << QStringLiteral("--subject") << subject;
    if (!body.isEmpty())
        arguments << QStringLiteral("--body") << body;
    if (!attachment.isEmpty())
        arguments << QStringLiteral("--attach") << attachment;
    // xdg-email wants at least one address or option; an empty mailto: opens a blank mail.
    if (arguments.size() == 1)
        arguments << QStringLiteral("mailto:");
    return startDetached(QStringLiteral("xdg-email"), arguments);
}

Launcher &Launcher::current()
{
    static ProcessLauncher process;
    return installed ? *installed : process;
}

void Launcher::install(Launcher *launcher) { installed = launcher; }

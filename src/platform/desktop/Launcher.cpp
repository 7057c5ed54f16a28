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
    QStringList arguments;
    if (!subject.isEmpty())
        arguments << QStringLiteral("--subject") << subject;
    if (!body.isEmpty())
        arguments << QStringLiteral("--body") << body;
    if (!attachment.isEmpty())
        arguments << QStringLiteral("--attach") << attachment;
    // xdg-email wants at least one address or option; an empty mailto: opens a blank mail.
    if (arguments.isEmpty())
        arguments << QStringLiteral("mailto:");
    return startDetached(QStringLiteral("xdg-email"), arguments);
}

Launcher &Launcher::current()
{
    static ProcessLauncher process;
    return installed ? *installed : process;
}

void Launcher::install(Launcher *launcher) { installed = launcher; }

#include "core/SiteTemplate.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

// The files live in a static library: its resources must be registered by name.
static void initSiteResources()
{
    Q_INIT_RESOURCE(site);
}

QStringList SiteTemplate::files()
{
    return QStringLiteral("page-fx.css,page-el.css,minus.gif,plus.gif,none.gif,back.gif,menu.js").split(QLatin1Char(','));
}

QString SiteTemplate::folder(const QString &userDataFolder)
{
    return userDataFolder + QStringLiteral("Htm/Moto/cmn/");
}

bool SiteTemplate::install(const QString &userDataFolder)
{
    initSiteResources();
    const QString target = folder(userDataFolder);
    if (!QDir().mkpath(target))
        return false;
    bool all = true;
    for (const QString &name : files()) {
        const QString path = target + name;
        if (QFileInfo::exists(path))
            continue;
        // Written beside and renamed, so that a failure leaves no half file under the name.
        const QString partial = path + QStringLiteral(".part");
        QFile::remove(partial);
        QFile::remove(path);
        if (QFile::copy(QStringLiteral(":/site/") + name, partial) && QFile::rename(partial, path)) {
            QFile(path).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
        } else {
            QFile::remove(partial);
            all = false;
        }
    }
    return all;
}

#include "core/LinkedFile.h"

#include <QDir>
#include <QFileInfo>

namespace {

// The path as it stands on disk, links followed; empty when it does not exist.
QString real(const QString &path)
{
    return path.isEmpty() ? QString() : QFileInfo(path).canonicalFilePath();
}

bool below(const QString &path, const QString &folder)
{
    if (path.isEmpty() || folder.isEmpty())
        return false;
    if (folder == QLatin1String("/"))
        return true;
    return path == folder || path.startsWith(folder + QLatin1Char('/'));
}

} // namespace

QString LinkedFile::resolve(const QString &path, const QString &folder)
{
    if (path.isEmpty())
        return QString();
    if (path.startsWith(QLatin1Char('/')))
        return QDir::cleanPath(path);
    if (folder.isEmpty())
        return QString();
    const QString clean = QDir::cleanPath(path);
    if (clean == QLatin1String("..") || clean.startsWith(QLatin1String("../")) || clean.startsWith(QLatin1Char('/')))
        return QString();
    return QDir::cleanPath(folder + QLatin1Char('/') + clean);
}

bool LinkedFile::inside(const QString &path, const QString &folder)
{
    return below(real(path), real(folder));
}

bool LinkedFile::publishable(const QString &path, const QStringList &roots, const QStringList &ownFolders)
{
    const QString file = real(path);
    if (file.isEmpty())
        return false;
    const QFileInfo info(file);
    if (!info.isFile() || !info.isReadable())
        return false;
    const QString home = real(QDir::homePath());
    // The home, or a folder above it, holds the user's keys and settings: it is no root of its own.
    auto holds = [&](const QString &root) {
        const QString folder = real(root);
        return !folder.isEmpty() && (home.isEmpty() || !below(home, folder)) && below(file, folder);
    };
    for (const QString &own : ownFolders) {
        if (holds(own))
            return true;
    }
    if (!home.isEmpty() && below(file, home)) {
        // Keys, settings, mail and browser profiles live in the home's hidden folders.
        const QString inHome = home == QLatin1String("/") ? file.mid(1) : file.mid(home.size() + 1);
        for (const QString &part : inHome.split(QLatin1Char('/'))) {
            if (part.startsWith(QLatin1Char('.')))
                return false;
        }
    }
    for (const QString &root : roots) {
        if (holds(root))
            return true;
    }
    // A home that is the root folder would take in the whole system.
    return !home.isEmpty() && home != QLatin1String("/") && below(file, home);
}

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

bool LinkedFile::publishable(const QString &path, const QStringList &roots)
{
    const QString file = real(path);
    if (file.isEmpty())
        return false;
    const QFileInfo info(file);
    if (!info.isFile() || !info.isReadable())
        return false;
    for (const QString &root : roots) {
        if (below(file, real(root)))
            return true;
    }
    const QString home = real(QDir::homePath());
    // A home that is the root folder would take in the whole system.
    if (home.isEmpty() || home == QLatin1String("/") || !below(file, home))
        return false;
    for (const QString &part : file.mid(home.size() + 1).split(QLatin1Char('/'))) {
        if (part.startsWith(QLatin1Char('.')))
            return false;
    }
    return true;
}

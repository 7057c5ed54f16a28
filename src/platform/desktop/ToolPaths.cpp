#include "platform/desktop/ToolPaths.h"

#include <QSettings>
#include <QStandardPaths>

namespace {

QString &overrideFile()
{
    static QString path;
    return path;
}

QString groupOf(const QString &application, const QString &section)
{
    return application + QLatin1Char('/') + section;
}

// Value names were case-insensitive where the sibling tools first kept them, so
// a name written as "Velmora" is found as "velmora" and overwritten in place.
QString storedKey(QSettings &settings, const QString &key)
{
    const QStringList keys = settings.childKeys();
    for (const QString &existing : keys) {
        if (existing.compare(key, Qt::CaseInsensitive) == 0)
            return existing;
    }
    return key;
}

} // namespace

QString ToolPaths::storeFile()
{
    if (!overrideFile().isEmpty())
        return overrideFile();
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
           + QStringLiteral("/Quenlith/ToolPaths.ini");
}

void ToolPaths::setStoreFile(const QString &path) { overrideFile() = path; }

QString ToolPaths::value(const QString &application, const QString &section, const QString &key,
                         const QString &defaultValue)
{
    if (key.isEmpty())
        return defaultValue;
    QSettings settings(storeFile(), QSettings::IniFormat);
    settings.beginGroup(groupOf(application, section));
    return settings.value(storedKey(settings, key), defaultValue).toString();
}

bool ToolPaths::setValue(const QString &application, const QString &section, const QString &key,
                         const QString &value)
{
    if (key.isEmpty())
        return false;
    QSettings settings(storeFile(), QSettings::IniFormat);
    if (!settings.isWritable())
        return false;
    settings.beginGroup(groupOf(application, section));
    settings.setValue(storedKey(settings, key), value);
    settings.endGroup();
    settings.sync();
    return settings.status() == QSettings::NoError;
}

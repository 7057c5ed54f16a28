#include "output/ExchangeText.h"

#include "core/zClt.h"
#include "platform/db/DbConnection.h"

#include <QDateTime>

bool ExchangeText::isLocked(const QString &error)
{
    return DbConnection::isBusy(QString(), error);
}

bool ExchangeText::isDamaged(const QString &error)
{
    return DbConnection::isDamaged(error);
}

QString ExchangeText::readFailure(const QString &name, const QString &error)
{
    if (isLocked(error))
        return name + QStringLiteral(" は他のﾌﾟﾛｸﾞﾗﾑが使用中です");
    return name + QStringLiteral(" を読み込めませんでした\n")
           + (isDamaged(error) ? QStringLiteral("ﾌｧｲﾙが壊れています") : error.trimmed());
}

QString ExchangeText::shortTitle(const QString &title, int length)
{
    const QString line = title.simplified();
    const QString shown = zClt::firstCharacters(line, length);
    return shown.size() < line.size() ? shown + QStringLiteral("…") : line;
}

QString ExchangeText::fileName(const QString &title, const QString &fallback)
{
    // Characters that Windows refuses too: a copy may travel there.
    static const QString unsafe = QStringLiteral("/\\:*?\"<>|");
    QString name;
    for (const QChar ch : title)
        name += ch.category() == QChar::Other_Control || ch.category() == QChar::Other_Format || unsafe.contains(ch)
                    ? QLatin1Char('_')
                    : ch;
    name = name.simplified();
    // Leading dots hide a file; trailing dots and blanks vanish on other systems.
    while (name.startsWith(QLatin1Char('.')))
        name.remove(0, 1);
    while (name.endsWith(QLatin1Char('.')) || name.endsWith(QLatin1Char(' ')))
        name.chop(1);
    // A long title stays well below the 255 bytes a file name may take, and keeps no half of a character.
    if (name.size() > 80) {
        name.truncate(QChar::isHighSurrogate(name.at(79).unicode()) ? 79 : 80);
        name = name.trimmed();
    }
    return name.isEmpty() ? fallback : name;
}

bool ExchangeText::usableIdentity(const QVariant &identity)
{
    return !identity.isNull() && identity.toDouble() != 0.0;
}

QVariant ExchangeText::exactDate(const DbConnection &target, const QVariant &date)
{
    // A file stores dates as text to the second; a date that has milliseconds keeps them.
    if (target.kind() != DbConnection::SqliteFile || date.metaType().id() != QMetaType::QDateTime)
        return date;
    const QDateTime time = date.toDateTime();
    if (!time.isValid() || time.time().msec() == 0)
        return date;
    return time.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
}

#pragma once

#include "platform/db/DbConnection.h"

#include <QFile>
#include <QList>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QString>

// Database files damaged as a failing disk would damage them.
namespace DamagedDb {

// Overwrites the middle one of the pages of kind `kind` ("leaf", "internal") that hold `table` in the
// database file at `path` with random bytes, as a failing disk would. False when there is none.
inline bool damage(const QString &path, const QString &table, const QString &kind)
{
    int pageSize = 0;
    QList<qint64> pages;
    {
        DbConnection db;
        if (!db.openSqlite(path, true))
            return false;
        QSqlQuery q(db.database());
        if (!q.exec(QStringLiteral("PRAGMA page_size")) || !q.next())
            return false;
        pageSize = q.value(0).toInt();
        q.prepare(QStringLiteral("SELECT pageno FROM dbstat WHERE lower(name) = lower(?) AND pagetype = ? ORDER BY pageno"));
        q.addBindValue(table);
        q.addBindValue(kind);
        if (!q.exec())
            return false;
        while (q.next())
            pages << q.value(0).toLongLong();
    }
    if (pages.isEmpty() || pageSize <= 0)
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite) || !file.seek((pages.at(pages.size() / 2) - 1) * pageSize))
        return false;
    QRandomGenerator random(34);
    QByteArray noise(pageSize, 0);
    for (char &byte : noise)
        byte = char(random.bounded(256));
    return file.write(noise) == pageSize;
}

} // namespace DamagedDb

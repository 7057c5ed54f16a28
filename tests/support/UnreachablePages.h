#pragma once

#include "core/zSvr.h"
#include "platform/db/DbConnection.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QSqlQuery>

#include <algorithm>

// The pages of a document database that no path of placements from the top
// reaches, as the tree shows them (a placement counts only when its page has a
// row): lost to every user, whether or not they still have placement rows
// under a parent that went. Sorted; {-1} when the database could not be read.
namespace UnreachablePages {

inline QList<qint64> of(DbConnection &db)
{
    QSqlQuery query;
    QSet<qint64> pages;
    if (!db.select(query, QStringLiteral("Select noDoc From msDoc"), {}, false, true))
        return {-1};
    while (query.next())
        pages.insert(query.value(0).toLongLong());
    QHash<qint64, QList<qint64>> children;
    if (!db.select(query, QStringLiteral("Select noLfP, noLfC From tbTree"), {}, false, true))
        return {-1};
    while (query.next()) {
        const qint64 child = query.value(1).toLongLong();
        if (pages.contains(child))
            children[query.value(0).toLongLong()].append(child);
    }
    QSet<qint64> reached;
    QList<qint64> open{0};
    while (!open.isEmpty()) {
        for (qint64 child : children.value(open.takeLast())) {
            if (!reached.contains(child)) {
                reached.insert(child);
                open.append(child);
            }
        }
    }
    QList<qint64> lost;
    for (qint64 page : std::as_const(pages)) {
        if (!reached.contains(page))
            lost.append(page);
    }
    std::sort(lost.begin(), lost.end());
    return lost;
}

// The same for the open document database.
inline QList<qint64> ofOpen()
{
    return of(zSvr::instance().connection());
}

} // namespace UnreachablePages

#pragma once

#include "core/zSvr.h"

#include <QHash>
#include <QString>

// How often each page of the open database has been saved by this program. An
// edit window notes the count when it takes a page; a different count at its
// save means the other edit window stored the page meanwhile.
namespace PageVersions {

inline QHash<QString, quint64> &counts()
{
    static QHash<QString, quint64> table;
    return table;
}

inline QString key(qint64 page)
{
    return zSvr::instance().sSvr + QLatin1Char('|') + QString::number(page);
}

inline quint64 current(qint64 page)
{
    return page > 0 ? counts().value(key(page)) : 0;
}

// Counts a save of the page; returns the new count.
inline quint64 saved(qint64 page)
{
    return ++counts()[key(page)];
}

} // namespace PageVersions

#include "tree/TreeDb.h"

#include "core/PageNumbers.h"
#include "core/Usr.h"
#include "core/zSvr.h"
#include "platform/db/DbConnection.h"

#include <QThread>

#include <limits>

namespace {

bool flag(const QVariant &value)
{
    // Flags count as set only when they read 1; Null and other values do not.
    return !value.isNull() && value.toInt() == 1;
}

// The page number of a row, when the program can show that page.
bool shownPage(const QVariant &value, qint32 *page)
{
    bool ok = false;
    const qint64 n = value.toLongLong(&ok);
    if (!ok || !PageNumbers::fits(n))
        return false;
    *page = qint32(n);
    return true;
}

} // namespace

QString TreeDb::likePattern(const QString &word)
{
    QString escaped = word;
    escaped.replace(u'!', QStringLiteral("!!")).replace(u'%', QStringLiteral("!%")).replace(u'_', QStringLiteral("!_"));
    return u'%' + escaped + u'%';
}

bool TreeDb::pageNumber(const QString &text, qint64 *value)
{
    bool ok = false;
    const qint64 n = text.trimmed().toLongLong(&ok);
    if (ok && value)
        *value = n;
    return ok;
}

QList<TreeDb::Placement> TreeDb::children(qint64 parent)
{
    // The child count rides along so that the node images cost no query each.
    static const QString sql = QStringLiteral(
        "Select T.noLfC, T.szDoc, T.boLnk, D.boCod, T.boHogo, T.boHide,"
        " (Select Count(*) From tbTree C Where C.noLfP = T.noLfC)"
        " From tbTree T, msDoc D"
        " Where T.noLfC = D.noDoc And T.noLfP = ? Order By T.inSrt ");
    DbTable t;
    QList<Placement> rows;
    const int n = zSvr::instance().R_Ary(sql, {parent}, t);
    rows.reserve(n);
    for (int r = 0; r < n; ++r) {
        Placement p;
        if (!shownPage(t.at(0, r), &p.page))
            continue;
        p.title = t.at(1, r).toString();
        p.link = flag(t.at(2, r));
        p.listMode = flag(t.at(3, r));
        p.protect = flag(t.at(4, r));
        p.hidden = flag(t.at(5, r));
        p.children = t.at(6, r).toInt();
        rows << p;
    }
    return rows;
}

int TreeDb::childCount(qint64 page)
{
    return zSvr::instance().R_GtVaL(QStringLiteral("Select Count(*) From tbTree Where noLfP= ?"), {page}, 0).toInt();
}

bool TreeDb::listMode(qint64 page)
{
    return flag(zSvr::instance().R_GtVaL(QStringLiteral("Select boCod From msDoc Where noDoc= ?"), {page}, 0));
}

bool TreeDb::setListMode(qint64 page, bool on)
{
    return zSvr::instance().D_ExeSq(QStringLiteral("Update msDoc Set boCod = ? Where noDoc = ?"), {on ? 1 : 0, page});
}

QList<TreeDb::ListChild> TreeDb::listChildren(qint64 parent)
{
    static const QString sql = QStringLiteral(
        "Select T.noLfC, T.szDoc, D.dyUdt From tbTree T, msDoc D"
        " Where T.noLfC = D.noDoc And T.noLfP = ? Order By D.dyUdt Desc");
    DbTable t;
    QList<ListChild> rows;
    const int n = zSvr::instance().R_Ary(sql, {parent}, t);
    for (int r = 0; r < n; ++r) {
        qint32 page = 0;
        if (shownPage(t.at(0, r), &page))
            rows << ListChild{page, t.at(1, r).toString(), t.at(2, r).toDateTime()};
    }
    return rows;
}

QStringList TreeDb::findWords(const QString &text)
{
    // Only the half-width blank separates words; a full-width blank is part of one.
    return text.trimmed().split(u' ', Qt::SkipEmptyParts);
}

QList<TreeDb::Found> TreeDb::find(const QString &text, bool *ok)
{
    QStringList conditions;
    QVariantList values;
    for (const QString &word : findWords(text)) {
        conditions << QStringLiteral("txDoc Like ? Escape '!'");
        values << likePattern(word);
    }
    conditions << QStringLiteral("noDoc In (Select noLfC From tbTree)");
    const QString sql = QStringLiteral(" Select noDoc, szDoc From msDoc Where ") + conditions.join(QStringLiteral(" And "))
                        + QStringLiteral(" Order By szDoc ");
    DbTable t;
    const int n = zSvr::instance().R_Ary(sql, values, t);
    if (ok)
        *ok = n > 0 || t.columnCount() > 0;
    QList<Found> rows;
    for (int r = 0; r < n; ++r) {
        qint32 page = 0;
        if (shownPage(t.at(0, r), &page))
            rows << Found{page, t.at(1, r).toString()};
    }
    return rows;
}

bool TreeDb::updateTitle(qint64 parent, qint64 page, const QString &title)
{
    return zSvr::instance().D_ExeSq(QStringLiteral("Update tbTree Set szDoc='?' Where noLfP=? And noLfC=? "),
                              {title, parent, page});
}

bool TreeDb::writeOrder(qint64 parent, qint64 page, int order)
{
    return zSvr::instance().D_ExeSq(QStringLiteral(" Update tbTree Set inSrt = ? Where noLfP = ? And noLfC = ?"),
                              {order, parent, page});
}

bool TreeDb::holdOrder(qint64 parent)
{
    // The lock's first number names the tree's orders among the locks of the database.
    static const qint32 OrderLocks = 0x54724f72;
    return zSvr::instance().connection().holdLock(OrderLocks, qint32(parent));
}

QHash<qint64, int> TreeDb::orders(qint64 parent, bool *ok)
{
    DbTable t;
    const int n = zSvr::instance().R_Ary(QStringLiteral("Select noLfC, inSrt From tbTree Where noLfP = ?"), {parent}, t);
    *ok = n > 0 || t.columnCount() > 0;
    QHash<qint64, int> stored;
    for (int r = 0; r < n; ++r)
        stored.insert(t.at(0, r).toLongLong(), t.at(1, r).toInt());
    return stored;
}

bool TreeDb::freeOrder(qint64 parent, int wanted, int *order)
{
    bool ok = false;
    const QHash<qint64, int> stored = orders(parent, &ok);
    if (!ok)
        return false;
    QSet<int> used;
    int highest = std::numeric_limits<int>::min();
    for (int value : stored) {
        used.insert(value);
        highest = qMax(highest, value);
    }
    if (used.isEmpty() || wanted > highest) {
        *order = wanted;
        return true;
    }
    if (highest < 32767) {
        *order = highest + 1;
        return true;
    }
    int value = 0;
    for (int i = 0; i < 65536; ++i, value = nextOrder(value)) {
        if (!used.contains(value)) {
            *order = value;
            return true;
        }
    }
    return false;
}

int TreeDb::nextOrder(int order)
{
    return order >= 32767 ? -32768 : order + 1;
}

bool TreeDb::insertPlacement(qint64 parent, qint64 page, int order, const QString &title, bool link)
{
    return zSvr::instance().D_ExeSq(
        QStringLiteral(" Insert Into tbTree (noLfP, noLfC, inSrt, szDoc, boLnk, boHide, boHogo)"
                       " Values ( ?, ?, ?,'?', ?, 0, 0)"),
        {parent, page, order, title, link ? 1 : 0});
}

bool TreeDb::movePlacement(qint64 parent, qint64 page, int order, const QString &title, bool link)
{
    int changed = 0;
    return zSvr::instance().D_ExeSq(QStringLiteral(" Update tbTree Set inSrt = ?, szDoc = '?', boLnk = ? Where noLfP = ? And noLfC = ?"),
                                    {order, title, link ? 1 : 0, parent, page}, &changed)
           && changed == 1;
}

bool TreeDb::deletePlacement(qint64 parent, qint64 page, int *deleted)
{
    return zSvr::instance().D_ExeSq(QStringLiteral(" Delete From tbTree Where noLfP = ? And noLfC = ? "), {parent, page},
                                    deleted);
}

qint64 TreeDb::homeParent(qint64 page)
{
    return zSvr::instance()
        .R_GtVaL(QStringLiteral("Select noLfP From tbTree Where boLnk=0 And noLfC = ?"), {page}, -1)
        .toLongLong();
}

bool TreeDb::stamp(qint64 parent, qint64 page)
{
    return Usr::D_SetTrDy(QString::number(parent), QString::number(page), false);
}

bool TreeDb::readOnly()
{
    return zSvr::instance().DbRead();
}

int TreeDb::homeCount(qint64 page, qint64 except)
{
    return zSvr::instance()
        .R_GtVaL(QStringLiteral("Select Count(*) From tbTree Where boLnk=0 And noLfC = ? And noLfP <> ?"),
                 {page, except}, 0)
        .toInt();
}

bool TreeDb::pageExists(qint64 page)
{
    return zSvr::instance().R_GtVaL(QStringLiteral("Select Count(*) From msDoc Where noDoc = ?"), {page}, 0).toInt() > 0;
}

bool TreeDb::placementExists(qint64 parent, qint64 page)
{
    return zSvr::instance()
               .R_GtVaL(QStringLiteral("Select Count(*) From tbTree Where noLfP=? and noLfC=?"), {parent, page}, 0)
               .toInt()
           > 0;
}

bool TreeDb::isPlaced(qint64 page)
{
    return zSvr::instance()
               .R_GtVaL(QStringLiteral("Select Count(*) From tbTree Where noLfC = ? And noLfC In (Select noDoc From msDoc)"),
                        {page}, 0)
               .toInt()
           > 0;
}

QSet<qint64> TreeDb::selfAndAncestors(qint64 page, bool *ok)
{
    if (ok)
        *ok = true;
    // A tree deeper than this many distinct pages is not a tree any more.
    static const int MaxPages = 100000;
    QSet<qint64> seen{page};
    QList<qint64> open{page};
    while (!open.isEmpty() && seen.size() < MaxPages) {
        const qint64 current = open.takeLast();
        if (current == 0)
            continue;
        DbTable t;
        const int n = zSvr::instance().R_Ary(QStringLiteral("Select noLfP From tbTree Where noLfC = ?"), {current}, t);
        if (ok && !zSvr::instance().readError().isEmpty())
            *ok = false;
        for (int r = 0; r < n; ++r) {
            const qint64 parent = t.at(0, r).toLongLong();
            if (!seen.contains(parent)) {
                seen.insert(parent);
                open << parent;
            }
        }
    }
    return seen;
}

bool TreeDb::reachable(qint64 page, bool *ok)
{
    *ok = true;
    if (page == 0)
        return true;
    zSvr &db = zSvr::instance();
    if (!pageExists(page)) {
        *ok = db.readError().isEmpty();
        return false;
    }
    // On a server another user's delete of a placement on the way waits for this transaction.
    const QString hold = db.connection().dialect() == JetSql::Postgres ? QStringLiteral(" For Share") : QString();
    const QString sql = QStringLiteral("Select noLfP From tbTree Where noLfC = ?"
                                       " And (noLfP = 0 Or noLfP In (Select noDoc From msDoc))")
                        + hold;
    // Breadth first over the pages above, each once: a loop left in a damaged tree ends the walk.
    QSet<qint64> seen{page};
    QList<qint64> open{page};
    for (int i = 0; i < open.size(); ++i) {
        DbTable t;
        const int n = db.R_Ary(sql, {open.at(i)}, t);
        if (!db.readError().isEmpty()) {
            *ok = false;
            return false;
        }
        for (int r = 0; r < n; ++r) {
            const qint64 parent = t.at(0, r).toLongLong();
            if (parent == 0)
                return true;
            if (!seen.contains(parent)) {
                seen.insert(parent);
                open << parent;
            }
        }
    }
    return false;
}

bool TreeDb::wouldLoop(qint64 parent, qint64 page)
{
    return parent == page || (parent != 0 && selfAndAncestors(parent).contains(page));
}

bool TreeDb::holdPlacing()
{
    // One lock for every write that places pages: two of them crossing (each moving a page under
    // the other's) would each find no loop in the rows the other has not yet committed.
    return zSvr::instance().connection().holdLock(PlacingLocks, 0);
}

TreeDb::Place TreeDb::placing(qint64 parent, const QList<qint64> &pages)
{
    if (!holdPlacing())
        return Place::Failed;
    bool ok = true;
    if (!reachable(parent, &ok))
        return ok ? Place::Gone : Place::Failed;
    if (pages.contains(parent))
        return Place::Loops;
    if (parent == 0)
        return Place::Fits;
    const QSet<qint64> above = selfAndAncestors(parent, &ok);
    if (!ok)
        return Place::Failed;
    for (qint64 page : pages) {
        if (above.contains(page))
            return Place::Loops;
    }
    return Place::Fits;
}

bool TreeDb::lostConflict()
{
    return zSvr::instance().connection().lostConflict();
}

void TreeDb::waitForTheOther()
{
    QThread::msleep(250);
}

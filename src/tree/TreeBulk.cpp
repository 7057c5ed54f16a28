#include "tree/TreeBulk.h"

#include "core/PageNumbers.h"
#include "core/Usr.h"
#include "core/zSvr.h"
#include "platform/db/DbConnection.h"
#include "tree/TreeDb.h"

#include <QSet>

namespace {

const int MaxOrder = 32767;

QString inList(const QList<qint64> &pages)
{
    QStringList parts;
    for (qint64 page : pages)
        parts << QString::number(page);
    return parts.join(u',');
}

QString loopMessage()
{
    return QStringLiteral("ﾍﾟｰｼﾞをそのﾍﾟｰｼﾞ自身やその下位には置けません");
}

} // namespace

QList<qint64> TreeBulk::parseList(const QString &list)
{
    QList<qint64> pages;
    for (const QString &part : list.split(u',', Qt::SkipEmptyParts)) {
        qint64 page = 0;
        if (TreeDb::pageNumber(part, &page) && !pages.contains(page))
            pages << page;
    }
    return pages;
}

bool TreeBulk::rows(qint64 src, const QList<qint64> &pages, QList<Row> &out)
{
    out.clear();
    if (pages.isEmpty())
        return true;
    zSvr &db = zSvr::instance();
    // The placing lock first, as every write that places pages takes it before anything else; then
    // the placements as they are now. On a server they are held against another user's delete (and
    // 最適化) until this write ends, so that what is read here is what gets copied or moved. A
    // placement whose page has no row any more is no page to handle.
    if (!TreeDb::holdPlacing())
        return false;
    const QString chosen = QStringLiteral(" And T.noLfC in (") + inList(pages) + u')';
    DbTable t;
    if (db.connection().dialect() == JetSql::Postgres) {
        db.R_Ary(QStringLiteral("Select T.noLfC From tbTree T Where T.noLfP = ?") + chosen + QStringLiteral(" For Share"),
                 {src}, t);
        if (!db.readError().isEmpty())
            return false;
    }
    const int n = db.R_Ary(QStringLiteral("Select T.noLfC, T.szDoc, T.boLnk, T.boHide, T.boHogo, T.inSrt"
                                          " From tbTree T, msDoc D Where T.noLfC = D.noDoc And T.noLfP = ?")
                               + chosen + QStringLiteral(" Order By T.inSrt"),
                           {src}, t);
    if (!db.readError().isEmpty())
        return false;
    for (int r = 0; r < n; ++r)
        out << Row{t.at(0, r).toLongLong(), t.at(1, r).toString(), t.at(2, r).toInt(),
                   t.at(3, r).toInt(),     t.at(4, r).toInt(),     t.at(5, r).toInt()};
    return true;
}

bool TreeBulk::found(const QList<qint64> &pages, int count, Result &result, const QString &what)
{
    // The window lists the children as they were when it was filled; another user or the other
    // edit window may have moved or deleted some of them since (and 最適化 taken their rows away).
    result.missing = int(QSet<qint64>(pages.cbegin(), pages.cend()).size()) - count;
    if (pages.isEmpty() || count > 0)
        return true;
    result.message = what + QStringLiteral("するﾍﾟｰｼﾞがありません\n"
                                           "選んだﾍﾟｰｼﾞは別の編集画面か他の利用者が移動か削除しています\n"
                                           "何も変更していません　ﾂﾘｰを再表示して指定し直して下さい");
    return false;
}

bool TreeBulk::insert(qint64 parent, const Row &row, int order, bool carry, const QString &date)
{
    const QString sql = QStringLiteral("Insert Into tbTree (noLfP, noLfC, inSrt, szDoc, boUse, boLnk, dyUdt, dyUdt_P,"
                                       " dyPub, boHide, boHogo) Values (?, ?, ?, '?', 1, ?, %1, %1, Null, ?, ?)")
                            .arg(date);
    return zSvr::instance().D_ExeSq(sql, {parent, row.page, order, row.title, row.link, carry ? row.hide : 0,
                                    carry ? row.protect : 0});
}

bool TreeBulk::begin(Result &result)
{
    // A read-only database has told the user already.
    if (zSvr::instance().DbRead())
        return false;
    result.ok = zSvr::instance().D_Tran(0);
    // The file held by another program past the wait: each row would wait as long again.
    if (!result.ok && zSvr::instance().heldElsewhere()) {
        result = finish(result, false);
        return false;
    }
    return true;
}

TreeBulk::Result TreeBulk::finish(Result result, bool ok)
{
    // result.ok holds whether this operation began the transaction.
    const bool own = result.ok;
    if (own)
        ok = zSvr::instance().D_Tran(ok ? 1 : 2) && ok;
    result.ok = ok;
    if (!ok) {
        result.written = 0;
        result.newPages.clear();
        result.retry = own && result.message.isEmpty() && TreeDb::lostConflict();
        if (result.message.isEmpty())
            result.message = QStringLiteral("一括処理を完了できませんでした　変更は元に戻しました");
    }
    return result;
}

TreeBulk::Result TreeBulk::retried(const std::function<Result()> &once)
{
    // An operation that lost a conflict with another user's write (a deadlock on the server) is
    // tried once more: the other has ended by then, and the checks inside see what it wrote.
    const Result result = once();
    if (!result.retry)
        return result;
    TreeDb::waitForTheOther();
    return once();
}

bool TreeBulk::fits(qint64 dst, const QList<qint64> &placed, Result &result)
{
    // Asked inside the transaction, against the rows as they are now: placements written under a
    // page that another user or the other edit window took out of the tree meanwhile would be
    // reached by nobody, and one that another user placed under a placed page meanwhile would
    // hang both out of reach.
    switch (TreeDb::placing(dst, placed)) {
    case TreeDb::Place::Fits:
        return true;
    case TreeDb::Place::Gone:
        result.message = QStringLiteral("複写・移動先のﾍﾟｰｼﾞは別の編集画面か他の利用者がﾂﾘｰから削除しています\n"
                                        "何も変更していません　ﾂﾘｰを再表示して指定し直して下さい");
        break;
    case TreeDb::Place::Loops:
        result.message = loopMessage();
        break;
    case TreeDb::Place::Failed:
        break;
    }
    return false;
}

QList<qint64> TreeBulk::pagesOf(const QList<Row> &list)
{
    QList<qint64> pages;
    for (const Row &row : list)
        pages << row.page;
    return pages;
}

TreeBulk::Result TreeBulk::linkCopy(qint64 src, qint64 dst, const QList<qint64> &pages, int first)
{
    return retried([=] {
        Result result;
        if (!begin(result))
            return result;
        QList<Row> list;
        if (!rows(src, pages, list))
            return finish(result, false);
        if (!found(pages, int(list.size()), result, QStringLiteral("複写")) || !fits(dst, pagesOf(list), result))
            return finish(result, false);
        const QString date = Usr::TsSqNow();
        int order = first;
        bool ok = true;
        for (Row &row : list) {
            if (TreeDb::placementExists(dst, row.page)) {
                ++result.skipped;
                continue;
            }
            row.link = 1;
            ok = order <= MaxOrder && insert(dst, row, order++, false, date);
            if (!ok)
                break;
            ++result.written;
        }
        return finish(result, ok);
    });
}

TreeBulk::Result TreeBulk::newCopy(qint64 src, qint64 dst, const QList<qint64> &pages, int first, bool withLinks)
{
    return retried([=] {
        Result result;
        if (!begin(result))
            return result;
        QList<Row> list;
        if (!rows(src, pages, list))
            return finish(result, false);
        if (!found(pages, int(list.size()), result, QStringLiteral("複写")))
            return finish(result, false);
        // With links, the copies show the originals' children: none of them may stand above the destination.
        QList<qint64> shown;
        for (const Row &row : list) {
            if (!withLinks)
                break;
            DbTable t;
            const int n = zSvr::instance().R_Ary(QStringLiteral("Select noLfC From tbTree Where noLfP=?"), {row.page}, t);
            for (int r = 0; r < n; ++r)
                shown << t.at(0, r).toLongLong();
        }
        if (!fits(dst, shown, result))
            return finish(result, false);
        const QString date = Usr::TsSqNow();
        int order = first;
        bool ok = true;
        for (const Row &row : list) {
            const qint64 copy = order <= MaxOrder ? D_CpyDoc(row.page, withLinks) : 0;
            ok = copy != 0 && insert(dst, Row{copy, row.title, 0, 0, 0, 0}, order++, false, date);
            if (!ok)
                break;
            result.newPages << copy;
            ++result.written;
        }
        return finish(result, ok);
    });
}

qint64 TreeBulk::D_CpyDoc(qint64 old, bool withLinks)
{
    zSvr &db = zSvr::instance();
    qint64 largest = db.R_GtVaL(QStringLiteral("Select Max(noDoc) From msDoc"), 0).toLongLong();
    if (largest == 0)
        largest = 1000;
    const qint64 copy = largest + 1;
    if (!PageNumbers::fits(copy))
        return 0;
    const QString date = Usr::TsSqNow();
    // A fresh identity: two pages sharing one would be taken for each other on import.
    int added = 0;
    if (!db.D_ExeSq(QStringLiteral("Insert Into msDoc (noDoc, szDoc, txDoc, obDoc, boCod, boUse, saTgs, dyUdt, wkRnd)"
                                   " Select ?, szDoc, txDoc, obDoc, boCod, 1, ?, %1, ? From msDoc Where noDoc = ?")
                        .arg(date),
                    {copy, QString(""), Usr::FdNewKy(), old}, &added)
        || added != 1)
        return 0;
    if (!withLinks)
        return copy;
    DbTable t;
    const int n = db.R_Ary(QStringLiteral("Select noLfC, inSrt, szDoc From tbTree Where noLfP=?"), {old}, t);
    for (int r = 0; r < n; ++r) {
        const Row child{t.at(0, r).toLongLong(), t.at(2, r).toString(), 1, 0, 0, 0};
        if (!insert(copy, child, t.at(1, r).toInt(), false, date))
            return 0;
    }
    return copy;
}

TreeBulk::Result TreeBulk::move(qint64 src, qint64 dst, const QList<qint64> &pages, int first)
{
    if (src == dst) {
        Result result;
        result.message = QStringLiteral("移動先が移動元と同じです");
        return result;
    }
    QList<qint64> moving = pages;
    moving.removeAll(dst);
    return retried([=] {
        Result result;
        if (!begin(result))
            return result;
        // The placements as they are now: another user may have moved some of them meanwhile.
        QList<Row> list;
        if (!rows(src, moving, list))
            return finish(result, false);
        if (!found(moving, int(list.size()), result, QStringLiteral("移動")) || !fits(dst, pagesOf(list), result))
            return finish(result, false);
        const QString date = Usr::TsSqNow();
        int order = first;
        bool ok = true;
        for (const Row &row : list) {
            // Already under the destination: the source placement stays, nothing is lost.
            if (TreeDb::placementExists(dst, row.page)) {
                ++result.skipped;
                continue;
            }
            ok = order <= MaxOrder && insert(dst, row, order++, true, date) && TreeDb::deletePlacement(src, row.page);
            if (!ok)
                break;
            ++result.written;
        }
        return finish(result, ok);
    });
}

TreeBulk::Result TreeBulk::remove(qint64 src, const QList<qint64> &pages)
{
    if (pages.isEmpty()) {
        Result result;
        result.ok = true;
        return result;
    }
    return retried([=] {
        Result result;
        if (!begin(result))
            return result;
        int affected = 0;
        bool ok = zSvr::instance().D_ExeSq(QStringLiteral("Delete From tbTree Where noLfP=? and noLfC in (")
                                               + inList(pages) + u')',
                                           {src}, &affected);
        result.written = affected;
        ok = ok && found(pages, affected, result, QStringLiteral("削除"));
        // Pages that lost their home placement get one of their links as home.
        if (ok)
            Usr::D_FixLnk(false);
        return finish(result, ok);
    });
}

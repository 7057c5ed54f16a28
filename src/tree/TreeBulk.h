#pragma once

#include <QList>
#include <QString>

#include <functional>

// The bulk placement operations on the ticked children of one source page.
// Each runs in one transaction: it is written whole or, when any statement
// fails, not at all. A pair already under the destination is skipped (and,
// in a move, stays under the source); an operation that would put a page
// under itself, or under a page that left the tree, is refused inside the
// transaction, against the rows as they are then, before anything is written.
// A chosen page that is no longer under the source (another user or the other
// edit window moved or deleted it) is left out and counted; when none of them
// is left the operation is refused. One that lost a conflict with another
// user's write is tried once more.
class TreeBulk
{
public:
    struct Result {
        bool ok = false;
        int written = 0;        // placements added (moved, deleted)
        int skipped = 0;        // pairs already under the destination
        int missing = 0;        // chosen pages no longer under the source
        QString message;        // why the operation was refused or failed
        QList<qint64> newPages; // pages made by a new copy, in order
        bool retry = false;     // failed in a conflict with another user's write: worth a second try
    };

    static Result linkCopy(qint64 src, qint64 dst, const QList<qint64> &pages, int first);
    static Result newCopy(qint64 src, qint64 dst, const QList<qint64> &pages, int first, bool withLinks);
    static Result move(qint64 src, qint64 dst, const QList<qint64> &pages, int first);
    static Result remove(qint64 src, const QList<qint64> &pages);

    // Copies page row `old` to a new page number (the largest plus 1, at least
    // 1001) with a fresh identity; with `withLinks` the copy also shows the
    // original's children as links. Returns the new number, 0 on failure.
    static qint64 D_CpyDoc(qint64 old, bool withLinks);

    // The page numbers of a list such as "12,34,56"; anything else is dropped.
    static QList<qint64> parseList(const QString &list);

private:
    struct Row {
        qint64 page = 0;
        QString title;
        int link = 0;
        int hide = 0;
        int protect = 0;
        int order = 0;
    };
    static bool rows(qint64 src, const QList<qint64> &pages, QList<Row> &out);
    static bool found(const QList<qint64> &pages, int count, Result &result, const QString &what);
    static bool insert(qint64 parent, const Row &row, int order, bool carry, const QString &date);
    static bool begin(Result &result);
    static Result finish(Result result, bool ok);
    static Result retried(const std::function<Result()> &once);
    static bool fits(qint64 dst, const QList<qint64> &placed, Result &result);
    static QList<qint64> pagesOf(const QList<Row> &rows);
};

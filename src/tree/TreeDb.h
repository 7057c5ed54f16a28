#pragma once

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

// The statements of the page tree over the access layer. Page numbers travel
// as bound integers and user text (titles, find words) as bound parameters,
// so neither can change a statement.
class TreeDb
{
public:
    // One placement under a parent, as the tree shows it.
    struct Placement {
        qint32 page = 0;
        QString title;
        bool link = false;
        bool listMode = false;
        bool protect = false;
        bool hidden = false;
        int children = 0;   // placements under the page
    };
    struct ListChild {
        qint32 page = 0;
        QString title;
        QDateTime updated;
    };
    struct Found {
        qint32 page = 0;
        QString title;
    };

    // A page number as the tree's keys carry it: digits with an optional sign
    // and blanks around, nothing else.
    static bool pageNumber(const QString &text, qint64 *value = nullptr);

    // Placements under `parent` in sibling order, with their pages' list mode.
    static QList<Placement> children(qint64 parent);
    static int childCount(qint64 page);
    static bool listMode(qint64 page);
    static bool setListMode(qint64 page, bool on);
    // Children of a list-mode page, the most recently updated first.
    static QList<ListChild> listChildren(qint64 parent);
    // Pages whose text holds every word (split at half-width blanks), ordered by
    // title; every page when there is no word. Pages that no placement shows any
    // more (deleted from the tree) are left out. `ok` false when the query failed.
    static QList<Found> find(const QString &text, bool *ok = nullptr);
    static QStringList findWords(const QString &text);
    // A LIKE pattern (escape character "!") that finds `word` anywhere in a text.
    static QString likePattern(const QString &word);

    static bool updateTitle(qint64 parent, qint64 page, const QString &title);
    static bool writeOrder(qint64 parent, qint64 page, int order);
    // Holds the order of the placements under `parent` until the transaction
    // ends: another user's order write or new placement there waits, so that
    // neither gives two placements the same order. False when it could not be had.
    static bool holdOrder(qint64 parent);
    // Stored orders of the placements under `parent`, by page; `ok` false when the read failed.
    static QHash<qint64, int> orders(qint64 parent, bool *ok);
    // An order for one more placement under `parent` that none there holds:
    // `wanted` when it lies above all stored ones, else the next above them
    // (the lowest free one once the 16-bit range is used up). False when the read failed.
    static bool freeOrder(qint64 parent, int wanted, int *order);
    // The order `order` is followed by, within the 16-bit range.
    static int nextOrder(int order);
    static bool insertPlacement(qint64 parent, qint64 page, int order, const QString &title, bool link);
    // `deleted`, when given, receives the rows deleted (0 when the placement was gone already).
    static bool deletePlacement(qint64 parent, qint64 page, int *deleted = nullptr);
    // Gives an existing placement a new order, title and home or link role.
    static bool movePlacement(qint64 parent, qint64 page, int order, const QString &title, bool link);
    // Parent of the page's home placement; -1 when it has none.
    static qint64 homeParent(qint64 page);
    // Home placements of the page, leaving out the one under `except` (-1: none).
    static int homeCount(qint64 page, qint64 except = -1);
    static bool pageExists(qint64 page);
    static bool placementExists(qint64 parent, qint64 page);
    // True when the page still has a row and at least one placement.
    static bool isPlaced(qint64 page);
    // The page and every page above it over all its placements (home and
    // link). The walk is bounded and remembers what it saw, so a damaged
    // database holding a loop still gives an answer.
    static QSet<qint64> selfAndAncestors(qint64 page, bool *ok = nullptr);
    // Whether a path of placements leads from the top down to `page` (0, the
    // top itself, always stands), as the tree shows it: every page on the way
    // still has its row. Asked inside a write's transaction, the answer holds
    // until it commits: a file is held whole, and on a server the placements
    // on the way are held against deletion. `ok` false when the read failed.
    static bool reachable(qint64 page, bool *ok);
    // True when placing `page` under `parent` would put the page under itself.
    static bool wouldLoop(qint64 parent, qint64 page);

    // What a write that places pages finds inside its transaction.
    enum class Place { Fits, Gone, Loops, Failed };
    // Holds the placements against other users' writes that place pages until the transaction
    // ends (a file's transaction holds them whole), so that what the check below finds stays true
    // until the write commits. False when the lock could not be had.
    static bool holdPlacing();
    // The first number of that lock: it names the tree's placements among the locks of the database.
    static constexpr qint32 PlacingLocks = 0x54725063;
    // The check of every write that places `pages` under `parent`, asked inside its transaction
    // after holdPlacing: the parent still stands (reachable) and lies under none of the pages,
    // against the rows as they are now. Failed when the lock or a read failed.
    static Place placing(qint64 parent, const QList<qint64> &pages);
    // Whether the last failure of the connection was a lost conflict with another user's write
    // (a deadlock or a serialization failure): the same write tried again may well go through.
    static bool lostConflict();
    // Waits a moment before such a write is tried again, so that the other one, which the server
    // let through, can end first: begun at once, the second try would meet it half-way again.
    static void waitForTheOther();
    // Stamps the placement's update time.
    static bool stamp(qint64 parent, qint64 page);
    // True (after telling the user once) when the database cannot be written.
    static bool readOnly();
};

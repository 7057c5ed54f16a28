#pragma once

#include <QHash>
#include <QList>
#include <QVariantList>
#include <QString>
#include <QStringList>

#include <functional>

// The pages of an output range as three texts that every range output shares:
//  - the key list "P-C,P-C,...": one key per placement (parent page, "-", child page; parent 0 is the
//    top level), in tree order: a placement, then everything below it, then its next sibling, siblings
//    by their stored order. Home and link placements, hidden and protected ones alike; a page placed
//    twice occurs under both parents. Ranges 1 and 2 put the selected node's own key first.
//  - the outline numbers "1,1-1,1-2,2": one per collected placement, in key order, numbered below the
//    starting point (the selected node itself has none; see numberOfKey()).
//  - the output page set ".n.n.": every page number once, for the caller that starts it with ".".
// The walk never enters a page that is already on the path above it, so a link placement that puts a
// page below itself ends the branch there; there is no other limit on its size.
class OutputRange
{
public:
    enum Range { AllPages = 0, NodeAndChildren = 1, NodeAndBelow = 2 };

    struct Lists {
        QString keys;
        QString numbers;
        QString pageSet;
    };

    // The child page numbers of a page in sibling order; the default reads tbTree of the open database
    // (a failed query reads as no children).
    using ChildReader = std::function<QList<qint64>(qint64 parent)>;
    static QList<qint64> databaseChildren(qint64 parent);
    // The same from one read of every placement, made on first use (the default).
    static ChildReader databaseTree();

    explicit OutputRange(int range, ChildReader children = databaseTree());

    // Range 0 walks from the top level; ranges 1 and 2 from `startPage` (the selected node's page, under
    // `parentPage`, "0" at the top level). `pageSet` is the caller's set, extended and returned in the
    // result. A start page that is no page number (an unsaved new node) gives empty lists.
    Lists collect(const QString &startPage = QString(), const QString &parentPage = QStringLiteral("0"),
                  const QString &pageSet = QString()) const;

    // The outline number of each key by the pairing rule of the two lists: with one number fewer than
    // keys, the first key (the selected node) has none and key i takes number i - 1; otherwise key i
    // takes number i. Keys left without a number get an empty one. The result has one entry per key.
    static QStringList numbersForKeys(const QStringList &keys, const QStringList &numbers);
    // Parent and child page numbers of a key, split at its first "-"; false for a key without one.
    static bool splitKey(const QString &key, QString &parent, QString &child);
    // The child pages of the keys, each page once at its first place, pages 0 and below left out.
    static QStringList pagesOf(const QString &keys);
    // The number in full-width characters (digits U+FF10-FF19, the hyphen U+FF0D).
    static QString fullWidth(const QString &number);

    // What a range output reads of each placement, in a few statements instead of one or two per
    // placement: the placement titles by key ("P-C" -> szDoc, all placements in one statement) and
    // the values of `fields` of msDoc by page number, for the child pages of `keys` or for `pages`
    // (pages missing from msDoc have no entry). `error`, when given, receives why the rows could not
    // all be read (empty when they were).
    static QHash<QString, QString> readTitles();
    static QHash<qint64, QVariantList> readPages(const QStringList &keys, const QString &fields);
    static QHash<qint64, QVariantList> readPages(const QList<qint64> &pages, const QString &fields,
                                                 QString *error = nullptr);

private:
    // `left`: how many placements the walk may still list.
    void collectChildren(qint64 parent, Lists &lists, const QString &entry, QList<qint64> &path, int &left) const;

    int m_range;
    ChildReader m_children;
};

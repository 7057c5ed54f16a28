#pragma once

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QPair>
#include <QSet>
#include <QString>
#include <QVariant>

#include <functional>
#include <memory>

class DbConnection;
class QElapsedTimer;
class ExchangeHost;
class PageDocument;
class RichTextEdit;
class TagRenumber;

// Import of the pages of another document database (the source) at the
// selected node of the page tree. Pages are recognised by their identity
// (wkRnd), which the export keeps: a known page is updated in place, every
// other page becomes a new page numbered after the last one. The plan is
// kept here, in memory: the source file is opened read-only and never
// changed. Everything is written to the open database in one transaction.
class DbImport
{
public:
    explicit DbImport(ExchangeHost &host);
    ~DbImport();

    // The whole import with its questions and messages.
    void ImportDb();

    // One page of the source and what the plan does with it.
    struct Page {
        qint64 no = 0;
        QString title;
        QVariant identity;   // wkRnd as stored (may be Null)
        QVariant updated;    // dyUdt
        QVariant text, document, tags, listMode;
        qint64 planned = 0;  // nDcS: its number in the open database
        int cmp = 0;         // 0 new, 1 source newer (or the replacing root), 2 open one newer, 3 same time
        int action = 0;      // 0 leave, 1 new row, 2 overwrite
        QVariant written, writtenTags; // the document with its tags renumbered, and their list
        bool converted = false;
        QByteArray seen;     // the page it replaces as it stood when the questions were asked
    };
    // One placement of the source.
    struct Placement {
        qint64 parent = 0, child = 0;
        QVariant title, order, updated, updatedP;
        qint64 plannedParent = 0, plannedChild = 0; // nLpS, nLcS
        bool exists = false;                          // iCmp of the placement
        bool skip = false;                            // names a page the source does not hold
    };

    // The state of the last run, for tests and the bench.
    const QList<Page> &pages() const { return m_pages; }
    const QList<Placement> &placements() const { return m_placements; }
    QString numberMap() const { return m_map; }
    bool done() const { return m_done; }
    qint64 targetNumber() const { return m_target; }
    // Pages written into the open database by a run that is done.
    int pagesWritten() const;
    // The message the run ended with ("" when it ended without one).
    QString finalMessage() const { return m_final; }
    // How long the source may be held by another program before it is reported in use.
    static constexpr int SourceWait = 3;

    static QString finalText(const QString &prefix, bool done);

private:
    bool readSource();
    bool readRows();
    bool readFailed(const QString &error, bool source);
    bool matchPages();
    bool rootStandsHere(qint64 match);
    bool planPlacements();
    bool makesCycle() const;
    bool cycleNow();
    static QString cycleMessage();
    // What the user is told when the write lost a conflict with another user's twice.
    QString conflictMessage() const;
    void decideActions();
    void convert(Page &page);
    bool keepTaggedPages();
    bool write();
    void makeNumberMap();
    bool numberAfterOthers();
    // False, with the message, when a page would be numbered past the 32-bit page numbers.
    bool numbersFit();
    bool readTarget();
    bool anchorStands();
    bool writeRows(QElapsedTimer &shown, const std::function<void(int)> &progress, bool *taken);
    static bool stampOf(qint64 no, QByteArray *stamp);
    bool stampReplaced();
    bool unchangedSince();
    void askChanged();
    static bool numberTaken(qint64 no);
    int pageAction(const Page &page);
    QByteArray renumbered(const QVariant &document, QString &tags);
    RichTextEdit &scratch();
    QString sharedIdentity() const;
    void refreshNode();
    void cleanUp();

    ExchangeHost &m_host;
    DbConnection *m_source = nullptr;
    QString m_sourcePath;
    QString m_parentNo;       // sNoP
    qint64 m_target = 0;      // target number
    QString m_targetTitle;
    bool m_newNode = false;
    QVariant m_targetIdentity;
    qint64 m_root = -1;       // -1 none, 0 several top-level pages, else the page
    QString m_sourceTitle;
    QVariant m_sourceIdentity;
    QString m_error;
    QString m_final;
    QString m_question;
    bool m_replace = false;
    qint64 m_last = 0;
    qint64 m_base = 0;        // the last page number of the open database when the plan was made
    bool m_match = false;
    bool m_abort = false;
    bool m_overwrite = false;
    bool m_started = false;
    bool m_done = false;
    bool m_nodePage = false;  // a page row is made for a new node holding several source pages
    QString m_map;
    QList<Page> m_pages;
    QList<Placement> m_placements;
    QHash<qint64, int> m_index; // source page number -> index in m_pages
    QSet<qint64> m_targetPages;
    QSet<qint64> m_taggedTargets; // pages of the open database whose tag list names a page
    QSet<QPair<qint64, qint64>> m_targetPairs;
    QList<QPair<int, QByteArray>> m_changed; // pages saved by others since the questions, as they are now
    bool m_busyBefore = false;
    std::unique_ptr<PageDocument> m_scratch;
    std::unique_ptr<RichTextEdit> m_scratchEdit;
    std::unique_ptr<TagRenumber> m_renumber;
};

#pragma once

#include "publish/converter/yHtm.h"
#include "publish/site/SiteMenu.h"
#include "publish/site/SiteTree.h"

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

// The whole page tree of the open database as a static web site in "Htm/<database name>" of the
// user-data folder: one page per visible placement through the page template with the menu
// tree (or, in the frame variant, plain pages with a navigation page and a frame set).
//
// The site is written into a work folder and put in place whole when it is complete, so that a
// failed or refused run leaves the published site as it was. Pages are converted on every core,
// each thread with its own converter; the wait window shows the progress.
class SiteWriter
{
public:
    struct Run {
        int mode = 1;          // 1 menu tree, 2 frames
        bool empty = true;     // old files of the output folder are not kept (favicon.ico is)
        bool local = true;     // open the first page here afterwards (no FTP run)
        int layout = 0;        // 0 fixed and centred, 1 variable, 2 liquid (tables fitted)
        QString topName;       // file name of the first page, "" = numbered
    };

    // Shows a text on the main window's status line.
    std::function<void(const QString &)> status;

    // The output folder (no trailing "/"), created when missing, and the in-use marks of the pages.
    void HtmPrepare();
    QString outputFolder() const { return m_out; }

    // Writes the site; false when nothing was put in place (a missing common file, a folder that
    // cannot be written; the user has been told).
    bool publish(const Run &run);

    // The first visible top-level page, as read by the last publish() or firstPage().
    qint64 firstPageNo() const { return m_firstNo; }
    // The last publish() wrote the first page's own file (not refused, converted, put in place).
    bool firstPageWritten() const { return m_firstWritten; }
    // Reads the first visible top-level page (the FTP-only run needs it too).
    void firstPage();
    // The file a page or placement is written to: "1001.htm", "1004_1010.htm"; numbers below 100
    // get three digits ("007.htm"), the form the converter's links use.
    static QString pageFile(qint64 page);
    static QString placementFile(qint64 parent, qint64 page, bool link);

    // Copies into `cmn` of `target` the common files that neither it nor the published site has;
    // false (after the message) when the site template lacks one.
    bool HtmCopyCmn(const QString &target, bool keepPublished);

    // The page template of the menu-tree variant, with its markers [STYLE], [TITLE], [DOC], [MENU].
    static QString PageTemplate(int layout, bool favicon);
    // The navigation page and the frame page of the frame variant.
    static QString NaviPage(const QString &entries, int deepest);
    static QString FramePage(const QString &title, qint64 firstPage, bool favicon);
    // A page: the blank lines removed (a line break never follows another).
    static void removeBlankLines(QByteArray &page);
    // The tooltip list the converter takes: field text TAB phrase CR per tooltip field.
    static QString tipList(const class PageDocument &page);

private:
    struct Source {
        QByteArray bytes; // the stored document; empty: the page has none
        QString text;     // its plain text
        QString title;    // msDoc.szDoc
    };
    struct Job {
        int node = -1;     // in the walk the job comes from
        qint64 page = 0;
        QString file;      // in the work folder
        QString title;     // the page's title element
        bool ok = false;
        QByteArray css, body; // the converted page (menu-tree variant), UTF-8
    };
    struct Piece {
        QByteArray text;
        int marker = -1;   // 0 style, 1 title, 2 doc, 3 menu, -1 none
    };

    bool HtmSite(const Run &run, bool favicon);
    bool HtmFrameSite(const Run &run, bool favicon);
    // The placements to write in walk order, after the protection questions; the last of two jobs
    // writing one file wins, as the later write would.
    QVector<Job> HtmPages(const Run &run);
    QVector<Job> HtmFramePages();
    // The navigation entries of the pages in `written`.
    QString HtmFrameNavi(int &deepest, const QSet<qint64> &written) const;
    void readSources();
    yHtm::Context converterContext(const QString &htmList) const;
    // Runs `convert` on every job on all cores with the wait window's progress; false when a file
    // could not be written. With `tell` the status line names each page written.
    bool convertAll(QVector<Job> &jobs, const std::function<bool(Job &, yHtm &)> &convert, const QString &htmList,
                    int fitTables, bool tell);
    bool loadPage(qint64 page, class PageDocument &doc) const;
    // True when a page was written; else the user is told (nothing to publish, or nothing
    // converted) and false.
    bool somePage(const QVector<Job> &jobs) const;
    // True when the first page is among the pages converted.
    bool firstAmong(const QVector<Job> &jobs) const;
    // The pages that could not be converted and everything below them are not published: their
    // files go, the jobs are no longer ok, and the nodes left out are marked (for the menu).
    QVector<bool> dropFailed(QVector<Job> &jobs, const QVector<SiteTree::Node> &nodes);
    // After pages were left out: the written ones converted again, without links to those.
    bool convertAgain(QVector<Job> &jobs, const QVector<SiteTree::Node> &nodes, bool frames,
                      const std::function<bool(Job &, yHtm &)> &convert, const QString &htmList, int fitTables);
    // The placements the jobs write (the converter's tag set): all of them, or only those written.
    static QString placements(const QVector<Job> &jobs, const QVector<SiteTree::Node> &nodes, bool frames,
                              bool onlyWritten);
    // The closing message on the pages dropFailed() found, when there were any; `published`: the
    // site was put in place without them.
    void tellFailed(bool published) const;
    bool place(const Run &run);
    bool writeFile(const QString &file, const QByteArray &utf8);
    void say(const QString &text) const;
    // Tells the user that there is no page to publish (or that none could be converted); false.
    bool nothingToPublish(bool failed) const;
    // Tells the user that the folder (the output folder when empty) could not be written; false.
    bool cannotWrite(const QString &folder = QString()) const;

    QString m_out;                    // Htm/<db>
    QString m_work;                   // the work folder the site is written into
    SiteTree m_tree;
    SiteMenu m_menu;
    QHash<qint64, Source> m_sources;
    QVector<Piece> m_template;
    qint64 m_firstNo = 0;
    QString m_firstTitle;
    QString m_firstFile;
    bool m_firstWritten = false;
    QString m_placements;  // what the converter links tags to (placements())
    QStringList m_failed;  // "title (number)" of the pages that could not be converted
    int m_leftBelow = 0;   // files left out below them
};

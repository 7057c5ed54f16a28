#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <vector>

class QWidget;

// The EPUB 2 book of the open database, or of a part of its tree. Publish()
// runs the main window's command: it asks the options (sbEpub), writes one
// XHTML page per page of the range through the converter, the package files
// of the work folder ("mimetype", META-INF/container.xml, OEBPS/content.opf,
// OEBPS/toc.ncx) and packs the folder into "ePub/<name>.epub".
//
// Every inserted value (titles, identifier, names) is escaped for XML, so that
// "&", "<" and quotes in a title reach the reader as typed.
class yEpub
{
public:
    // The whole run. `nRNo` is the current page (the start of ranges 2 and 3);
    // `iRet` comes back as the range run (0 when nothing was written). Pages
    // are read from the database and converted on all cores under the wait
    // window; the editor keeps its page.
    void Publish(QWidget *parent, qint64 nRNo, int &iRet);

    QString workFolder; // no trailing "/"
    QString title;
    QString identifier;
    QString creator;   // empty = no creator element
    QString rights;    // empty = no rights element
    QString publisher; // empty = no publisher element
    QString fileList;  // page file names in reading order, each followed by ","
    QString bookFile;  // the book the run wrote; empty when it wrote none

    // "mimetype" (the 20 bytes, nothing else) and META-INF/container.xml.
    bool WriteRootFiles();
    bool WriteOpf();
    // `navigation` is built from NavOpen/NavClose; `depth` the deepest level.
    bool WriteNcx(const QString &navigation, int depth);

    // The pieces of one navigation point at `level` (0 = outermost) with the
    // running number `k`; its children go between the two. Points that lead
    // to the same page share its place in the reading order, `playOrder`
    // (0 = k): readers require it.
    static QString NavOpen(int level, int k, const QString &label, const QString &fileName, int playOrder = 0);
    static QString NavClose(int level);
    // "7" -> "007.xhtml"; three or more digits stay as they are.
    static QString PageFileName(const QString &pageNo);
    // The reader's identifier of the book in the navigation file.
    static QString NcxUid(const QString &identifier);

    // Text that XML can hold: characters XML forbids (control characters,
    // lone surrogates) are dropped, line ends and tabs become blanks.
    static QString XmlText(const QString &text);

    // One visible placement below a page.
    struct Placement {
        qint64 child = 0;
        QString title;
        bool link = false;
    };
    // A page file to write: its document, or its plain text when it has none.
    struct PageJob {
        qint64 no = 0;
        QString file;      // full path of the XHTML file
        QString title;
        QByteArray bytes;  // the stored document; empty = none
        QString text;      // the stored plain text, for a page without a document
        bool png = false;
        QList<Placement> links; // child pages whose links are appended (range 2)
        bool damaged = false;   // its document could not be read: its plain text was written
    };

private:
    bool writeUtf(const QString &relative, const QString &text) const;

    // The run after the dialog; false with `why` on failure.
    bool run(qint64 start, bool allLevels, QString &why);
    void loadTree();
    // Adds to `set` (".1001.1005.") the pages below `page` that `seen` lacks, in walk order; `level`
    // is the level of the navigation that `page`'s children stand at.
    void CollectNodes(qint64 page, QString &set, QSet<qint64> &seen, bool allLevels, int level) const;
    void PrepFolder();
    void clearWork();
    void BuildNav(qint64 page, bool allLevels, QString &nav, int &counter, int level, int &depth,
                  QList<qint64> &path);
    void PageFName(qint64 page, QString &name, bool &first);
    void addPage(qint64 page, const QString &name);
    void readPages();
    bool WritePages(QString &why);
    // The closing message's note on pages whose document could not be read (empty: none).
    QString damagedNote() const;

    QHash<qint64, QList<Placement>> m_children; // visible placements by parent, in tree order
    QHash<qint64, int> m_order;                 // a page's place in the reading order, from 1
    std::vector<PageJob> m_pages;               // in first-visit order
    bool m_allLevels = true;
    int m_fitTables = 0;
    int m_noItalic = 0;
    // The whole book: links to pages outside it keep their text only, as there is no web
    // address to send them to and a file the book lacks breaks it.
    bool m_noHome = false;
};

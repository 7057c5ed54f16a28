// The run of the EPUB book: the options, the walk over the tree that names the
// pages and builds the navigation, the page files, the package files and the
// archive.
#include "publish/epub/yEpub.h"

#include "core/Frmt.h"
#include "core/TreeWalk.h"
#include "core/Usr.h"
#include "core/sbWait.h"
#include "core/yIni.h"
#include "core/zSvr.h"
#include "platform/db/DbTable.h"
#include "platform/desktop/Prompt.h"
#include "publish/converter/OutputFolder.h"
#include "publish/converter/StagedWriter.h"
#include "publish/converter/yHtm.h"
#include "publish/epub/eZip.h"
#include "publish/epub/sbEpub.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

namespace
{
QString dotted(qint64 page)
{
    return u'.' + QString::number(page) + u'.';
}

// Deletes the files directly in `folder`; its subfolders stay.
void deleteFiles(const QString &folder)
{
    QDir dir(folder);
    for (const QString &name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System))
        dir.remove(name);
}
} // namespace

void yEpub::Publish(QWidget *parent, qint64 nRNo, int &iRet)
{
    bookFile.clear();
    const Usr::State &st = Usr::st();
    workFolder = st.userData + QStringLiteral("ePub/") + st.dbName;
    sbEpub::Choice c;
    sbEpub::Act(c, workFolder, parent);
    yHtm::instance().E_Opt(c.yTbF, c.yNit);
    iRet = c.iRet;
    if (iRet == 0)
        return;
    title = c.sTtl;
    identifier = c.sUid;
    creator = c.sCre;
    rights = c.sRights;
    publisher = c.sPub;
    m_fitTables = c.yTbF;
    m_noItalic = c.yNit;

    zSvr &db = zSvr::instance();
    qint64 start = 0;
    if (iRet == 1) {
        const QString visibleTop = QStringLiteral(" From tbTree Where noLfP=0 And boHide =0");
        const int tops = db.R_GtVaL(QStringLiteral("Select Count(*)") + visibleTop, 0).toInt();
        if (tops == 1) {
            start = db.R_GtVaL(QStringLiteral("Select noLfC") + visibleTop, 0).toLongLong();
            iRet = 3;
        } else if (tops == 0) {
            // A book without pages is no book: the one made before stays.
            Prompt::current().message(QStringLiteral("ｱｲﾃﾑがありません"), Prompt::OkOnly);
            iRet = 0;
            return;
        }
    } else {
        start = nRNo;
        // A new page that was never stored has no place in the tree to start from.
        if (start <= 0) {
            Prompt::current().message(QStringLiteral("ｱｲﾃﾑがありません"), Prompt::OkOnly);
            iRet = 0;
            return;
        }
    }
    // The unpacked book is the user's to look into: a file or a link in its place is left alone.
    if (OutputFolder::refused(workFolder)) {
        iRet = 0;
        return;
    }
    if (iRet == 2)
        yHtm::instance().SetKaHtm(false);
    m_allLevels = iRet != 2;
    Usr::D_FixLnk(true);
    PrepFolder();
    if (workFolder.isEmpty())
        return;

    const QString epubFolder = st.userData + QStringLiteral("ePub");
    const QString name = c.sNam.isEmpty() || !sbEpub::bookNameOk(c.sNam) ? st.dbName : c.sNam;
    const QString book = epubFolder + u'/' + name + QStringLiteral(".epub");
    sbWait::cMsg(QStringLiteral("しばらくお待ち下さい"));
    QString why;
    bool ok = run(start, m_allLevels, why);
    if (ok) {
        sbWait::cMsg(QStringLiteral("ZIP 圧縮　実行中・・・"));
        QString folder = workFolder;
        ok = false;
        eZip::ZipFolder(folder, book, ok, &why);
    }
    sbWait::cEnd();
    if (!ok) {
        clearWork();
        QString text = QStringLiteral("epub 出力に失敗しました");
        if (!why.isEmpty())
            text += u'\n' + why;
        Prompt::current().message(text, Prompt::OkOnly);
        return;
    }
    bookFile = book;
    // Pages whose document could not be read went into the book as plain text: the user is told.
    const QString note = damagedNote();
    if (c.bFld) {
        if (!note.isEmpty())
            Prompt::current().message(note, Prompt::OkOnly | Prompt::Exclamation);
        yIni::instance().W_ExpFd(epubFolder, false);
    } else {
        Prompt::current().message(book + QStringLiteral(" に出力しました") + (note.isEmpty() ? QString() : u'\n' + note),
                                  Prompt::OkOnly);
    }
}

bool yEpub::run(qint64 start, bool allLevels, QString &why)
{
    loadTree();
    m_pages.clear();
    m_order.clear();
    fileList.clear();
    QString nav;
    int counter = 0;
    int depth = 0;
    QList<qint64> path;
    FrmtState &f = Frmt::st();
    m_noHome = start <= 0;
    if (start > 0) {
        QString set = dotted(start);
        QSet<qint64> seen{start};
        CollectNodes(start, set, seen, allLevels, 0);
        f.outputSet = set;
        const QString startTitle =
            zSvr::instance().R_GtVaL(QStringLiteral(" Select szDoc From tbTree Where noLfC=?"), {start}, QString()).toString();
        QString name;
        bool first = false;
        PageFName(start, name, first);
        addPage(start, name);
        counter = 1;
        fileList = name + u',';
        nav = NavOpen(0, 1, startTitle, name) + NavClose(0);
        path.append(start);
    } else {
        QString set = QStringLiteral(".");
        QSet<qint64> seen;
        CollectNodes(0, set, seen, true, 0);
        f.outputSet = set;
    }
    BuildNav(start, allLevels, nav, counter, 0, depth, path);
    readPages();
    if (!WritePages(why))
        return false;
    if (!WriteOpf() || !WriteNcx(nav, depth)) {
        why = QStringLiteral("ﾊﾟｯｹｰｼﾞﾌｧｲﾙを書けません: ") + workFolder + QStringLiteral("/OEBPS");
        return false;
    }
    return true;
}

void yEpub::loadTree()
{
    m_children.clear();
    DbTable rows;
    const int count = zSvr::instance().R_Ary(
        QStringLiteral("Select noLfP, noLfC, szDoc, boLnk From tbTree Where boHide =0 Order By noLfP, inSrt"), rows);
    for (int r = 0; r < count; ++r)
        m_children[rows.at(0, r).toLongLong()].append(
            {rows.at(1, r).toLongLong(), rows.at(2, r).toString(), rows.at(3, r).toInt() != 0});
}

void yEpub::CollectNodes(qint64 page, QString &set, QSet<qint64> &seen, bool allLevels, int level) const
{
    // A child already in the set is neither added again nor descended into,
    // which also ends a walk round a cycle of placements.
    for (const Placement &p : m_children.value(page)) {
        if (seen.contains(p.child))
            continue;
        seen.insert(p.child);
        set += QString::number(p.child) + u'.';
        if (allLevels && level + 1 < TreeWalk::MaxDepth)
            CollectNodes(p.child, set, seen, allLevels, level + 1);
    }
}

void yEpub::PrepFolder()
{
    // The subfolders are the program's own and their files are deleted below: a link standing in
    // their place goes, and nothing is deleted where it points. (The folder itself was refused.)
    for (const char *sub : {"/OEBPS", "/META-INF", "/OEBPS/Images"}) {
        const QString path = workFolder + QString::fromLatin1(sub);
        if (QFileInfo(path).isSymLink())
            QFile::remove(path);
    }
    if (!QDir().mkpath(workFolder))
        return; // the run then fails when it writes, with the reason
    // From here the steps go on past a failure: what cannot be cleaned is
    // overwritten or reported by the step that needs it.
    QDir().mkpath(workFolder + QStringLiteral("/OEBPS"));
    deleteFiles(workFolder);
    QDir().mkpath(workFolder + QStringLiteral("/META-INF"));
    deleteFiles(workFolder + QStringLiteral("/META-INF"));
    WriteRootFiles();
    deleteFiles(workFolder + QStringLiteral("/OEBPS"));
    deleteFiles(workFolder + QStringLiteral("/OEBPS/Images"));
    // Every subfolder is packed: none of the page writers' own may stay from a run that ended abruptly.
    StagedWriter::removeLeftovers(workFolder + QStringLiteral("/OEBPS"));
    // A read-only database refuses the marks with its message once; the book is written all the same.
    zSvr &db = zSvr::instance();
    if (db.D_ExeSq(QStringLiteral("Update msDoc Set boUse=0")))
        db.D_ExeSq(QStringLiteral("Update msDoc Set boUse=1 where noDoc in (Select noLfC From tbTree)"));
}

void yEpub::clearWork()
{
    // A book that could not be finished leaves no half of it to be taken for the book (a full disk
    // leaves a folder of pages without a package). The run's own files go, and the folders they
    // leave empty; a folder the user put there stays, and the work folder with it.
    for (const char *sub : {"/OEBPS/Images", "/OEBPS", "/META-INF", ""}) {
        const QString path = workFolder + QString::fromLatin1(sub);
        StagedWriter::removeLeftovers(path);
        deleteFiles(path);
        QDir().rmdir(path);
    }
}

void yEpub::BuildNav(qint64 page, bool allLevels, QString &nav, int &counter, int level, int &depth,
                     QList<qint64> &path)
{
    depth = qMax(depth, level);
    for (const Placement &p : m_children.value(page)) {
        if (counter >= TreeWalk::MaxNodes)
            return;
        QString name;
        bool first = false;
        PageFName(p.child, name, first);
        if (first)
            addPage(p.child, name);
        ++counter;
        fileList += name + u',';
        nav += NavOpen(level, counter, p.title, name, m_order.value(p.child));
        // A page placed below itself is listed there but not walked again.
        if (allLevels && level + 1 < TreeWalk::MaxDepth && !path.contains(p.child)) {
            path.append(p.child);
            BuildNav(p.child, allLevels, nav, counter, level + 1, depth, path);
            path.removeLast();
        }
        nav += NavClose(level);
    }
}

void yEpub::PageFName(qint64 page, QString &name, bool &first)
{
    // A page is given its file once, by addPage() right after its first visit.
    first = !m_order.contains(page);
    name = PageFileName(QString::number(page));
}

void yEpub::addPage(qint64 page, const QString &name)
{
    PageJob job;
    job.no = page;
    job.file = workFolder + QStringLiteral("/OEBPS/") + name;
    if (!m_allLevels)
        job.links = m_children.value(page);
    m_pages.push_back(std::move(job));
    m_order.insert(page, int(m_pages.size()));
}

void yEpub::readPages()
{
    QHash<qint64, PageJob *> byNo;
    for (PageJob &job : m_pages)
        byNo.insert(job.no, &job);
    // In slices, so that a statement stays short whatever the size of the book.
    const int slice = 400;
    for (size_t from = 0; from < m_pages.size(); from += slice) {
        QStringList numbers;
        for (size_t i = from; i < m_pages.size() && i < from + slice; ++i)
            numbers << QString::number(m_pages[i].no);
        DbTable rows;
        const QString sql = QStringLiteral("Select noDoc, obDoc, szDoc, boPng, txDoc From msDoc Where noDoc In (")
                            + numbers.join(u',') + u')';
        // A page without a row gets an empty file: its navigation point stays valid.
        const int count = zSvr::instance().R_Ary(sql, rows);
        for (int r = 0; r < count; ++r) {
            PageJob *job = byNo.value(rows.at(0, r).toLongLong());
            if (!job)
                continue;
            job->bytes = rows.at(1, r).toByteArray();
            job->title = XmlText(rows.at(2, r).toString());
            job->png = rows.at(3, r).toInt() == 1;
            job->text = rows.at(4, r).toString();
        }
    }
}

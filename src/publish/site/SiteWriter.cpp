// The site writer's run: the folders, the common files, the two variants and the placing of the
// finished site. The page conversion is in SiteWriterPages.cpp.
#include "publish/site/SiteWriter.h"

#include "core/Frmt.h"
#include "core/SiteTemplate.h"
#include "core/Usr.h"
#include "core/yIni.h"
#include "core/zClt.h"
#include "core/zSvr.h"
#include "platform/db/DbConnection.h"
#include "platform/desktop/Prompt.h"
#include "publish/converter/OutputFolder.h"
#include "publish/converter/StagedWriter.h"
#include "publish/site/SiteText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

const QString Favicon = QStringLiteral("favicon.ico");

// The site dialect: "~" a double quote, "|" a line end, "@" two blanks. Values are put in after
// this, escaped, so that nothing in a title reads as part of the template.
QString finish(QString s)
{
    s.replace(QLatin1Char('|'), QStringLiteral("\r\n"));
    s.replace(QLatin1Char('~'), QLatin1Char('"'));
    s.replace(QLatin1Char('@'), QStringLiteral("  "));
    return s;
}

struct Move {
    QString from, to;
};

// Moves into `work` what of `old` the new site does not replace: everything when the old
// files are kept, else only the site's icon. The moves are listed so that they can be undone.
void carry(const QString &old, const QString &work, bool keepAll, QVector<Move> &moves)
{
    const QDir dir(old);
    for (const QFileInfo &fi : dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
        if (!keepAll && fi.fileName() != Favicon)
            continue;
        const QString to = work + QLatin1Char('/') + fi.fileName();
        const QFileInfo there(to);
        if (fi.isDir() && !fi.isSymLink() && there.isDir()) {
            carry(fi.filePath(), to, true, moves);
        } else if (!there.exists() && !there.isSymLink()) {
            if (QFile::rename(fi.filePath(), to))
                moves.append({fi.filePath(), to});
        }
    }
}

// Clears a folder of the run (the work folder or the old site's): it is the program's own, so a
// link or a file standing in its place goes itself, and nothing is deleted where a link points.
void clearRunFolder(const QString &path)
{
    const QFileInfo fi(path);
    if (fi.isSymLink() || (fi.exists() && !fi.isDir()))
        QFile::remove(path);
    else
        zClt::instance().F_DelFold(path);
}

void undo(const QVector<Move> &moves)
{
    for (auto it = moves.crbegin(); it != moves.crend(); ++it)
        QFile::rename(it->to, it->from);
}

} // namespace

bool SiteWriter::cannotWrite(const QString &folder) const
{
    Prompt::current().message((folder.isEmpty() ? m_out : folder) + QStringLiteral(" に書き込めませんでした"),
                              Prompt::OkOnly | Prompt::Exclamation);
    return false;
}

bool SiteWriter::nothingToPublish(bool failed) const
{
    Prompt::current().message(failed ? QStringLiteral("HTM出力できませんでした") : QStringLiteral("ｱｲﾃﾑがありません"),
                              Prompt::OkOnly);
    return false;
}

void SiteWriter::say(const QString &text) const
{
    if (status)
        status(text);
}

void SiteWriter::HtmPrepare()
{
    const Usr::State &st = Usr::st();
    m_out = st.userData + QStringLiteral("Htm/") + st.dbName;
    if (!QFileInfo(m_out).isDir() && zClt::instance().F_CreateFld(m_out))
        say(m_out + QStringLiteral("を作成しました"));
    // The in-use marks are bookkeeping: a database opened read-only publishes without them.
    zSvr &db = zSvr::instance();
    if (db.isOpen() && !db.connection().readOnly()) {
        db.D_ExeSq(QStringLiteral("Update msDoc Set boUse=0"));
        db.D_ExeSq(QStringLiteral("Update msDoc Set boUse=1 where noDoc in (Select noLfC From tbTree)"));
    }
}

QString SiteWriter::pageFile(qint64 page)
{
    const QString n = QString::number(page);
    return (n.size() < 3 ? QString(3 - n.size(), QLatin1Char('0')) + n : n) + QStringLiteral(".htm");
}

QString SiteWriter::placementFile(qint64 parent, qint64 page, bool link)
{
    if (!link)
        return pageFile(page);
    QString p = pageFile(parent);
    p.chop(4);
    return p + QLatin1Char('_') + pageFile(page);
}

void SiteWriter::firstPage()
{
    QVariantList row{QVariant(), QVariant()};
    zSvr::instance().R_PAry(QStringLiteral("Select Top 1 noLfC, szDoc From tbTree Where noLfP = 0 And boHide =0 Order By inSrt"),
                            row);
    m_firstNo = row.value(0).toLongLong();
    m_firstTitle = row.value(1).toString();
}

bool SiteWriter::HtmCopyCmn(const QString &target, bool keepPublished)
{
    const QString cmn = target + QStringLiteral("/cmn/");
    const QString published = m_out + QStringLiteral("/cmn/");
    // A link in place of the published folder is not carried into the new site (the new site's
    // own folder stands there): the files it leads to do not stand in for copies.
    if (QFileInfo(m_out + QStringLiteral("/cmn")).isSymLink())
        keepPublished = false;
    if (!keepPublished || !QFileInfo(published).isDir())
        say(m_out + QStringLiteral("/cmn/を作成しました"));
    if (!QDir().mkpath(cmn))
        return cannotWrite();
    const QString source = SiteTemplate::folder(Usr::st().userData);
    for (const QString &name : SiteTemplate::files()) {
        if (QFileInfo::exists(cmn + name) || (keepPublished && QFileInfo::exists(published + name)))
            continue;
        if (!QFileInfo::exists(source + name)) {
            Prompt::current().message(source + name + QStringLiteral(" Not Found"), Prompt::OkOnly);
            return false;
        }
        if (!QFile::copy(source + name, cmn + name))
            return cannotWrite();
    }
    return true;
}

bool SiteWriter::publish(const Run &run)
{
    if (m_out.isEmpty())
        HtmPrepare();
    if (OutputFolder::refused(m_out))
        return false;
    m_tree.load();
    m_firstNo = m_tree.firstPage();
    m_firstTitle = m_tree.firstTitle();
    m_firstFile.clear();
    m_firstWritten = false;
    m_failed.clear();
    m_leftBelow = 0;
    // A site without pages would replace the published one with nothing.
    if ((run.mode == 2 ? m_tree.frameNodes() : m_tree.nodes()).isEmpty())
        return nothingToPublish(false);
    // The work folder stands as deep as the output folder and under the same name, so that the
    // converter's links to files outside the site, relative to the page, hold after the move.
    m_work = Usr::st().userData + QStringLiteral("Wrk/") + Usr::st().dbName;
    clearRunFolder(m_work);
    if (!QDir().mkpath(m_work))
        return cannotWrite(m_work);
    // The finished site replaces the old one by a rename, which does not cross file systems.
    QDir().mkpath(QFileInfo(m_out).absolutePath());
    if (OutputFolder::unmovable(m_out, m_work)) {
        clearRunFolder(m_work);
        return false;
    }
    // The user's own icon is linked, and kept even when the old files go.
    const bool favicon = QFileInfo(m_out + QLatin1Char('/') + Favicon).isFile();
    Run checked = run;
    // A name that would lead out of the site or stand in place of one of its own files (it may
    // come from another database) is not used.
    if (!Frmt::IsTopName(checked.topName))
        checked.topName.clear();
    const bool written = run.mode == 2 ? HtmFrameSite(checked, favicon) : HtmSite(checked, favicon);
    if (!written || !place(run)) {
        clearRunFolder(m_work);
        // The status line must not go on naming a page as written; the pages that failed are named.
        say(QStringLiteral("HTM出力できませんでした"));
        tellFailed(false);
        return false;
    }
    tellFailed(true);
    // A first page that could not be written is not shown: the browser would find none, or the
    // old site's.
    if (run.local && m_firstWritten && !m_firstFile.isEmpty())
        yIni::instance().W_ExpFd(m_out + QLatin1Char('/') + m_firstFile, true);
    return true;
}

bool SiteWriter::place(const Run &run)
{
    // One flush for the whole site before it takes the old one's place.
    if (!StagedWriter::flushFolder(m_work))
        return cannotWrite();
    if (OutputFolder::refused(m_out))
        return false;
    QVector<Move> moves;
    if (QFileInfo(m_out).isDir())
        carry(m_out, m_work, !run.empty, moves);
    const QString old = m_work + QStringLiteral(".old");
    clearRunFolder(old);
    QDir().mkpath(QFileInfo(m_out).absolutePath());
    const bool hadOld = QFileInfo(m_out).exists();
    bool ok = !hadOld || QDir().rename(m_out, old);
    if (ok && !QDir().rename(m_work, m_out)) {
        ok = false;
        if (hadOld)
            QDir().rename(old, m_out);
    }
    if (!ok) {
        undo(moves);
        return cannotWrite();
    }
    clearRunFolder(old);
    return true;
}

QString SiteWriter::PageTemplate(int layout, bool favicon)
{
    QString t = QStringLiteral("<!DOCTYPE html PUBLIC ~-//W3C//DTD HTML 4.01//EN~ ~http://www.w3.org/TR/html4/strict.dtd~>|");
    t += QStringLiteral("<html>|<head>|<meta http-equiv=~Content-Language~ content=~ja~>|");
    t += QStringLiteral("<meta http-equiv=~Content-Type~ content=~text/html; charset=utf-8~>|");
    if (favicon)
        t += QStringLiteral("<link rel=~shortcut icon~ href=~favicon.ico~>|");
    // The fixed layout has its own sheet; the variable and the liquid one share the other.
    const QString sheet = layout == 0 ? QStringLiteral("cmn/page-fx.css") : QStringLiteral("cmn/page-el.css");
    t += QStringLiteral("<link rel=~stylesheet~ type=~text/css~ href=~") + sheet + QStringLiteral("~ media=~all~>|");
    t += QStringLiteral("<script type=~text/javascript~ src=~cmn/menu.js~></script>|");
    t += QStringLiteral("[STYLE]<title>[TITLE]</title>|</head>|<body>|");
    if (layout == 0) {
        t += QStringLiteral("<div id=~vBase~>|<div id=~vBack~>|");
        t += QStringLiteral("<div id=~vLeft~>|[MENU]<!-- / vLeft --></div>|");
        t += QStringLiteral("<div id=~vRight~>|[DOC]|<!-- / vRight --></div>|");
        t += QStringLiteral("<!-- / vBack --></div>|<!-- / vBase --></div>|");
    } else {
        t += QStringLiteral("<div id=~vBase~>|<div id=~vBack~>|");
        t += QStringLiteral("<div id=~vRight~>|[DOC]<!-- / vRight --></div>|");
        t += QStringLiteral("<!-- / vBack --></div>|");
        t += QStringLiteral("<div id=~vLeft~>[MENU]<!-- / vLeft --></div>|");
        t += QStringLiteral("<!-- / vBase --></div>|");
    }
    t += QStringLiteral("</body>|</html>|");
    return finish(t);
}

QString SiteWriter::NaviPage(const QString &entries, int deepest)
{
    QString t = QStringLiteral("<html>|<head>|<meta http-equiv='Content-Type' content='text/html; charset=UTF-8'>|");
    t += QStringLiteral("<style type=~text/css~>|");
    t += QStringLiteral("@body {line-height: 125%;}|");
    t += QStringLiteral("@ul {list-style-type: circle; padding-left: 10px; margin-left: 10px;}|");
    t += QStringLiteral("@li {font-size: 10pt;}|");
    t += QStringLiteral("@a {text-decoration: none;color: #003300}|@a:hover{text-decoration:underline;color:#003399}|");
    for (int k = 1; k <= deepest; ++k)
        t += QStringLiteral("@li.li%1 {margin-left:%2px}|").arg(k).arg((k - 1) * 15);
    t += QStringLiteral("</style>|<title></title>|</head>|<body>|<ul>|");
    return finish(t) + entries + finish(QStringLiteral("</ul>|</body>|</html>|"));
}

QString SiteWriter::FramePage(const QString &title, qint64 firstPage, bool favicon)
{
    QString head = QStringLiteral("<html>|<head>|<meta http-equiv='Content-Type' content='text/html; charset=UTF-8'>|");
    if (favicon)
        head += QStringLiteral("<link rel=~shortcut icon~ href=~favicon.ico~>|");
    head += QStringLiteral("<title>");
    QString frames = QStringLiteral("</title>|</head>|");
    frames += QStringLiteral("@<frameset cols=~250,*~>|@<frame name=~contents~ target=~main~ src=~navi.htm~>|");
    frames += QStringLiteral("@<frame name=~main~ src=~");
    QString rest = QStringLiteral("~>|@<noframes>|@<body>|");
    rest += QStringLiteral("@<p>このページにはフレームが使用されていますが、お使いのブラウザではサポートされていません。</p>|");
    rest += QStringLiteral("@</body>|@</noframes>|</frameset>|</html>|");
    return finish(head) + SiteText::html(title) + finish(frames) + pageFile(firstPage) + finish(rest);
}

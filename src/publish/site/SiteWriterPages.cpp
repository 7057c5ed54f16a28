// The pages of the site: the placements to write, their conversion on all cores and the filling
// of the page template.
#include "publish/site/SiteWriter.h"

#include "core/sbWait.h"
#include "core/zSvr.h"
#include "platform/db/DbTable.h"
#include "platform/desktop/Prompt.h"
#include "platform/richtext/FieldRuns.h"
#include "platform/richtext/PageCodec.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/PositionText.h"
#include "platform/richtext/TextProps.h"
#include "publish/converter/FailedPages.h"
#include "publish/converter/PageThreads.h"
#include "publish/converter/StagedWriter.h"
#include "publish/site/SiteText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <atomic>
#include <memory>

namespace {

const QStringList Markers = {QStringLiteral("[STYLE]"), QStringLiteral("[TITLE]"), QStringLiteral("[DOC]"),
                             QStringLiteral("[MENU]")};

} // namespace

QString SiteWriter::tipList(const PageDocument &page)
{
    const QTextDocument *doc = page.main();
    const QString text = PositionText::text(doc);
    QString list;
    for (const FieldRuns::Range &r : FieldRuns::all(doc)) {
        const QTextCharFormat f = FieldRuns::format(doc, r.id);
        const QString data = f.property(TextProps::FieldData).toString();
        if (f.property(TextProps::FieldType).toInt() == 2 && data.startsWith(QLatin1String("TP_")))
            list += text.mid(r.start, r.end - r.start) + QLatin1Char('\t') + data.mid(3) + QLatin1Char('\r');
    }
    return list;
}

void SiteWriter::removeBlankLines(QByteArray &page)
{
    qsizetype out = 0;
    const qsizetype n = page.size();
    char *d = page.data();
    for (qsizetype i = 0; i < n;) {
        if (d[i] == '\r' && i + 1 < n && d[i + 1] == '\n' && out >= 2 && d[out - 2] == '\r' && d[out - 1] == '\n') {
            i += 2;
            continue;
        }
        d[out++] = d[i++];
    }
    page.truncate(out);
}

void SiteWriter::readSources()
{
    m_sources.clear();
    DbTable t;
    const int count = zSvr::instance().R_Ary(
        QStringLiteral("Select noDoc, obDoc, txDoc, szDoc From msDoc"
                       " Where noDoc In (Select noLfC From tbTree Where boHide = 0)"),
        t);
    m_sources.reserve(count);
    for (int r = 0; r < count; ++r)
        m_sources.insert(t.at(0, r).toLongLong(), {t.at(1, r).toByteArray(), t.at(2, r).toString(), t.at(3, r).toString()});
}

bool SiteWriter::loadPage(qint64 page, PageDocument &doc) const
{
    const auto it = m_sources.constFind(page);
    if (it == m_sources.constEnd())
        return false;
    if (!it->bytes.isEmpty())
        return PageCodec::load(doc, it->bytes);
    // A page stored without a document publishes its plain text, as the editor shows it.
    QTextCursor cursor(doc.main());
    PositionText::insertText(cursor, it->text, QTextCharFormat());
    return true;
}

yHtm::Context SiteWriter::converterContext(const QString &htmList) const
{
    // The open database's values as the program's converter reads them; the threads then work
    // from a copy of them.
    yHtm::Context c = yHtm::programContext();
    c.htmList = htmList;
    c.outputSet.clear();
    c.sitePages = m_placements;
    c.outputFolder = m_work;
    c.siteFolder = m_out;
    return c;
}

bool SiteWriter::writeFile(const QString &file, const QByteArray &utf8)
{
    return StagedWriter::writeStraight(file, QByteArray("\xEF\xBB\xBF") + utf8);
}

bool SiteWriter::convertAll(QVector<Job> &jobs, const std::function<bool(Job &, yHtm &)> &convert,
                            const QString &htmList, int fitTables, bool tell)
{
    const int n = int(jobs.size());
    if (n == 0)
        return true;
    sbWait::cMsg(QStringLiteral("ﾍﾟｰｼﾞをHTMに出力しています"));
    sbWait::cProgress(0, n);
    const yHtm::Context context = converterContext(htmList);
    // The threads end their pages in no set order: the status line names the pages in the order of
    // the tree, the last one written once every page before it has ended, so that a run ends on the
    // same words every time.
    const std::unique_ptr<std::atomic<bool>[]> ended(new std::atomic<bool>[n]);
    for (int i = 0; i < n; ++i)
        ended[i] = false;
    int inOrder = 0, shown = -1;
    const bool written = PageThreads::run(
        n,
        [&](yHtm &converter) {
            converter.setContext(context);
            // The work folder is put in place whole: no page needs replacing safely on its own.
            converter.setWorkFolderRun(true);
            converter.setDocumentType(0);
            converter.E_Opt(fitTables, 0);
        },
        [&](int i, yHtm &converter) {
            const bool ok = convert(jobs[i], converter);
            ended[i] = true;
            return ok;
        },
        [&](int done, int) {
            int named = shown;
            for (; inOrder < n && ended[inOrder]; ++inOrder) {
                // Only a page that was written is said to be.
                if (jobs[inOrder].ok)
                    named = inOrder;
            }
            if (tell && named != shown) {
                shown = named;
                say(jobs[named].title + QStringLiteral("を出力しました"));
            }
            sbWait::cProgress(done, n);
        });
    sbWait::cEnd();
    return written || cannotWrite();
}

QVector<bool> SiteWriter::dropFailed(QVector<Job> &jobs, const QVector<SiteTree::Node> &nodes)
{
    m_failed.clear();
    m_leftBelow = 0;
    QVector<bool> dropped(nodes.size(), false);
    QSet<qint64> failedPages;
    for (const Job &j : jobs) {
        if (j.ok || j.node < 0)
            continue;
        const int end = SiteTree::subtreeEnd(nodes, j.node);
        for (int k = j.node; k < end; ++k)
            dropped[k] = true;
        if (!failedPages.contains(j.page)) {
            failedPages.insert(j.page);
            m_failed << FailedPages::entry(nodes[j.node].title, j.page);
        }
    }
    for (Job &j : jobs) {
        if (j.node < 0 || !dropped[j.node])
            continue;
        if (!failedPages.contains(j.page))
            ++m_leftBelow;
        j.ok = false;
        const QString path = m_work + QLatin1Char('/') + j.file;
        QFile::remove(path);
        QDir(m_work + QLatin1Char('/') + QFileInfo(j.file).completeBaseName() + QStringLiteral("_Images")).removeRecursively();
    }
    return dropped;
}

QString SiteWriter::placements(const QVector<Job> &jobs, const QVector<SiteTree::Node> &nodes, bool frames,
                               bool onlyWritten)
{
    QString set = QStringLiteral(".");
    for (const Job &j : jobs) {
        if (j.node < 0 || (onlyWritten && !j.ok))
            continue;
        const SiteTree::Node &n = nodes[j.node];
        // The frame site names every page by its own number, a link placement too.
        if (n.link && !frames)
            set += QString::number(n.parent) + QLatin1Char('_');
        set += QString::number(n.page) + QLatin1Char('.');
    }
    return set;
}

bool SiteWriter::convertAgain(QVector<Job> &jobs, const QVector<SiteTree::Node> &nodes, bool frames,
                              const std::function<bool(Job &, yHtm &)> &convert, const QString &htmList, int fitTables)
{
    // Pages left out take the links to them along: the pages written are converted once more
    // without them (a tag to a page the site does not hold keeps its text only).
    if (m_failed.isEmpty())
        return true;
    m_placements = placements(jobs, nodes, frames, true);
    return convertAll(jobs, [&](Job &job, yHtm &converter) { return !job.ok || convert(job, converter); }, htmList,
                      fitTables, false);
}

void SiteWriter::tellFailed(bool published) const
{
    if (m_failed.isEmpty())
        return;
    QString text = QStringLiteral("次のﾍﾟｰｼﾞは変換できなかったので出力していません")
                   + (published ? QStringLiteral(" (ﾒﾆｭｰからも除きました)") : QString()) + FailedPages::lines(m_failed);
    if (m_leftBelow > 0)
        text += QStringLiteral("\nその下位の %1 ﾍﾟｰｼﾞも出力していません").arg(m_leftBelow);
    Prompt::current().message(text, Prompt::OkOnly | Prompt::Exclamation);
}

bool SiteWriter::somePage(const QVector<Job> &jobs) const
{
    // A site whose pages were all refused or failed is no site: the published one stays.
    if (std::any_of(jobs.cbegin(), jobs.cend(), [](const Job &j) { return j.ok; }))
        return true;
    return nothingToPublish(!jobs.isEmpty());
}

bool SiteWriter::firstAmong(const QVector<Job> &jobs) const
{
    return std::any_of(jobs.cbegin(), jobs.cend(), [this](const Job &j) { return j.ok && j.page == m_firstNo; });
}

QVector<SiteWriter::Job> SiteWriter::HtmPages(const Run &run)
{
    const QVector<SiteTree::Node> &nodes = m_tree.nodes();
    QVector<Job> jobs;
    QHash<QString, int> byFile;
    for (int i = 0; i < nodes.size();) {
        const SiteTree::Node &node = nodes[i];
        if (node.isProtected
            && Prompt::current().message(node.title + QStringLiteral(" のﾍﾟｰｼﾞは Htm出力保護が指定されていますが、新しくHtm出力してよいですか"),
                                         Prompt::YesNo | Prompt::Question)
                   != Prompt::Yes) {
            i = SiteTree::subtreeEnd(nodes, i);
            continue;
        }
        Job job;
        job.node = i;
        job.page = node.page;
        job.file = node.page == m_firstNo && !run.topName.isEmpty() ? run.topName
                                                                    : placementFile(node.parent, node.page, node.link);
        job.title = node.page == m_firstNo ? node.title : m_firstTitle + QStringLiteral(" | ") + node.title;
        // Two placements writing one file: the later one is what the site keeps.
        const auto it = byFile.constFind(job.file);
        if (it != byFile.constEnd())
            jobs[*it].node = -1;
        byFile.insert(job.file, int(jobs.size()));
        jobs.append(job);
        ++i;
    }
    jobs.removeIf([](const Job &j) { return j.node < 0; });
    return jobs;
}

bool SiteWriter::HtmSite(const Run &run, bool favicon)
{
    if (!HtmCopyCmn(m_work, !run.empty))
        return false;
    const QVector<SiteTree::Node> &nodes = m_tree.nodes();
    // The template, cut at its markers once: each page is put together from the pieces, so that
    // a value never meets the markers of the values after it.
    m_template.clear();
    QString rest = PageTemplate(run.layout, favicon);
    for (;;) {
        qsizetype at = -1;
        int which = -1;
        for (int m = 0; m < Markers.size(); ++m) {
            const qsizetype p = rest.indexOf(Markers[m]);
            if (p >= 0 && (at < 0 || p < at)) {
                at = p;
                which = m;
            }
        }
        if (which < 0) {
            m_template.append({rest.toUtf8(), -1});
            break;
        }
        m_template.append({rest.left(at).toUtf8(), -1});
        m_template.append({QByteArray(), which});
        rest = rest.mid(at + Markers[which].size());
    }
    QVector<Job> jobs = HtmPages(run);
    m_firstFile = m_firstNo == 0 ? QString() : !run.topName.isEmpty() ? run.topName : pageFile(m_firstNo);
    readSources();
    const QString htmList = run.topName.isEmpty() ? QString()
                                                   : QString::number(m_firstNo) + QLatin1Char('\t') + run.topName + QLatin1Char('\r');
    const int fitTables = run.layout == 2 ? 1 : 0;
    const auto convert = [&](Job &job, yHtm &converter) {
        PageDocument doc(PageDocument::WithoutLayout);
        QString css, body;
        bool ok = loadPage(job.page, doc);
        if (ok)
            converter.cGetHtm(doc, m_work + QLatin1Char('/') + job.file, tipList(doc), css, body, ok);
        job.ok = ok;
        if (ok) {
            job.css = css.toUtf8();
            job.body = body.toUtf8();
        }
        return true;
    };
    // Every page is converted before any is written: a page that cannot be has no place in the
    // menu the others carry.
    m_placements = placements(jobs, nodes, false, false);
    if (!convertAll(jobs, convert, htmList, fitTables, false))
        return false;
    for (const Job &j : jobs) {
        if (!j.ok)
            say(QStringLiteral("HTM出力できませんでした"));
    }
    const QVector<bool> leftOut = dropFailed(jobs, nodes);
    if (!somePage(jobs) || !convertAgain(jobs, nodes, false, convert, htmList, fitTables))
        return false;
    m_firstWritten = firstAmong(jobs);
    m_menu.build(
        m_tree,
        [&](int i) {
            const SiteTree::Node &n = nodes[i];
            return n.page == m_firstNo && !run.topName.isEmpty() ? run.topName : placementFile(n.parent, n.page, n.link);
        },
        leftOut);
    return convertAll(
        jobs,
        [&](Job &job, yHtm &converter) {
            if (!job.ok)
                return true;
            const QByteArray values[] = {job.css, SiteText::html(job.title).toUtf8(), job.body};
            QByteArray page;
            for (const Piece &piece : m_template) {
                if (piece.marker < 0)
                    page += piece.text;
                else if (piece.marker == 3)
                    m_menu.appendMarked(page, nodes[job.node].id);
                else
                    page += values[piece.marker];
            }
            job.css.clear();
            job.body.clear();
            removeBlankLines(page);
            return converter.writeWorkFile(m_work + QLatin1Char('/') + job.file, QByteArray("\xEF\xBB\xBF") + page);
        },
        htmList, fitTables, true);
}

QVector<SiteWriter::Job> SiteWriter::HtmFramePages()
{
    const QVector<SiteTree::Node> &nodes = m_tree.frameNodes();
    QVector<Job> jobs;
    QHash<QString, int> byFile;
    for (int i = 0; i < nodes.size(); ++i) {
        Job job;
        job.node = i;
        job.page = nodes[i].page;
        job.file = pageFile(job.page);
        job.title = nodes[i].title;
        const auto it = byFile.constFind(job.file);
        if (it != byFile.constEnd())
            jobs[*it].node = -1;
        byFile.insert(job.file, int(jobs.size()));
        jobs.append(job);
    }
    jobs.removeIf([](const Job &j) { return j.node < 0; });
    return jobs;
}

QString SiteWriter::HtmFrameNavi(int &deepest, const QSet<qint64> &written) const
{
    QString entries;
    deepest = 0;
    const QVector<SiteTree::Node> &nodes = m_tree.nodes();
    for (int i = 0; i < nodes.size(); ++i) {
        const SiteTree::Node &n = nodes[i];
        // A page that was not written is not listed, nor anything below it.
        if (!written.contains(n.page)) {
            i = SiteTree::subtreeEnd(nodes, i) - 1;
            continue;
        }
        const int level = n.depth + 1;
        deepest = qMax(deepest, level);
        entries += QStringLiteral("  <li class=\"li%1\"><a href=\"").arg(level) + pageFile(n.page)
                   + QStringLiteral("\" target=\"main\">") + SiteText::html(n.title) + QStringLiteral("</a></li>\r\n");
    }
    return entries;
}

bool SiteWriter::HtmFrameSite(const Run &run, bool favicon)
{
    QVector<Job> jobs = HtmFramePages();
    readSources();
    const auto convert = [&](Job &job, yHtm &converter) {
        PageDocument doc(PageDocument::WithoutLayout);
        bool ok = loadPage(job.page, doc);
        if (ok)
            converter.cSaveHtm(doc, false, m_work + QLatin1Char('/') + job.file, tipList(doc),
                               m_sources.value(job.page).title, 1, ok);
        job.ok = ok;
        return true;
    };
    const int fitTables = run.layout == 2 ? 1 : 0;
    m_placements = placements(jobs, m_tree.frameNodes(), true, false);
    if (!convertAll(jobs, convert, QString(), fitTables, true))
        return false;
    for (const Job &j : jobs) {
        if (!j.ok)
            say(j.title + QStringLiteral("を出力できませんでした"));
    }
    dropFailed(jobs, m_tree.frameNodes());
    if (!somePage(jobs) || !convertAgain(jobs, m_tree.frameNodes(), true, convert, QString(), fitTables))
        return false;
    QSet<qint64> pages;
    for (const Job &j : jobs) {
        if (j.ok)
            pages.insert(j.page);
    }
    m_firstWritten = firstAmong(jobs);
    // The main frame shows the first page, or the first one written when it could not be.
    qint64 shown = m_firstNo > 0 ? m_firstNo : 1001;
    if (!m_firstWritten) {
        const auto written = std::find_if(jobs.cbegin(), jobs.cend(), [](const Job &j) { return j.ok; });
        shown = written->page;
    }
    int deepest = 0;
    const QString entries = HtmFrameNavi(deepest, pages);
    m_firstFile = run.topName.isEmpty() ? QStringLiteral("frame.htm") : run.topName;
    if (!writeFile(m_work + QStringLiteral("/navi.htm"), NaviPage(entries, deepest).toUtf8())
        || !writeFile(m_work + QLatin1Char('/') + m_firstFile,
                      FramePage(m_firstTitle, shown, favicon).toUtf8()))
        return cannotWrite();
    return true;
}

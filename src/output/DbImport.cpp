#include "output/DbImport.h"

#include "core/Usr.h"
#include "core/sbWait.h"
#include "core/zSvr.h"
#include "editor/EditorServices.h"
#include "editor/TagRenumber.h"
#include "editor/uTxm.h"
#include "output/ExchangeHost.h"
#include "output/ExportLinks.h"
#include "platform/db/DbConnection.h"
#include "platform/desktop/Clock.h"
#include "platform/desktop/Prompt.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/RichTextEdit.h"
#include "tree/uTrX.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {

// An identity that can recognise a page: 0 and Null mean "none" and never match.
bool usableIdentity(const QVariant &identity)
{
    return !identity.isNull() && identity.toDouble() != 0.0;
}

// -1, 0 or 1 as `a` is earlier than, the same as or later than `b`; a missing date is the earliest.
int compareDates(const QVariant &a, const QVariant &b)
{
    const QDateTime x = a.toDateTime(), y = b.toDateTime();
    if (x.isValid() != y.isValid())
        return x.isValid() ? 1 : -1;
    if (!x.isValid() || x == y)
        return 0;
    return x < y ? -1 : 1;
}

} // namespace

DbImport::DbImport(ExchangeHost &host) : m_host(host) {}

DbImport::~DbImport()
{
    delete m_source;
}

QString DbImport::finalText(const QString &prefix, bool done)
{
    return prefix + QStringLiteral("ｲﾝﾎﾟｰﾄを実行") + (done ? QStringLiteral("しました") : QStringLiteral("しませんでした"));
}

bool DbImport::readSource()
{
    m_source = new DbConnection;
    if (!m_source->openSqlite(m_sourcePath, true))
        return false;
    m_source->setDatePrefix(QStringLiteral("dy"));
    QSqlQuery query;
    if (!m_source->select(query, QStringLiteral("Select noDoc, szDoc, txDoc, obDoc, boCod, saTgs, dyUdt, wkRnd From msDoc"),
                          {}, false, true))
        return false;
    while (query.next()) {
        const qint64 no = query.value(0).toLongLong();
        // A number seen before is a fault of the source; its first row counts.
        if (m_index.contains(no))
            continue;
        m_index.insert(no, m_pages.size());
        m_pages.append({.no = no,
                        .title = query.value(1).toString(),
                        .identity = query.value(7),
                        .updated = m_source->fromDb(query.value(6), QStringLiteral("dyUdt")),
                        .text = query.value(2),
                        .document = query.value(3),
                        .tags = query.value(5),
                        .listMode = query.value(4)});
    }
    if (!m_source->select(query, QStringLiteral("Select noLfP, noLfC, szDoc, inSrt, dyUdt, dyUdt_P From tbTree"), {},
                          false, true))
        return false;
    while (query.next())
        m_placements.append({query.value(0).toLongLong(), query.value(1).toLongLong(), query.value(2), query.value(3),
                             m_source->fromDb(query.value(4), QStringLiteral("dyUdt")),
                             m_source->fromDb(query.value(5), QStringLiteral("dyUdt_P"))});
    query.finish();
    // The root: the one top-level page, 0 for several, -1 for none.
    QList<qint64> top;
    for (const Placement &p : std::as_const(m_placements)) {
        if (p.parent == 0)
            top.append(p.child);
    }
    if (top.size() == 1) {
        const int at = m_index.value(top.first(), -1);
        if (at >= 0) {
            m_root = top.first();
            m_sourceTitle = m_pages.at(at).title;
            m_sourceIdentity = m_pages.at(at).identity;
        }
    } else if (top.size() > 1) {
        m_root = 0;
        // A name without "." keeps its whole name.
        m_sourceTitle = QFileInfo(m_sourcePath).fileName().section(QLatin1Char('.'), 0, 0);
        m_sourceIdentity = 0;
    }
    return true;
}

bool DbImport::matchPages()
{
    zSvr &db = zSvr::instance();
    struct Match {
        qint64 no;
        QVariant updated;
    };
    QHash<double, Match> known;
    DbTable rows;
    const int count = db.R_Ary(QStringLiteral("Select noDoc, dyUdt, wkRnd From msDoc"), rows);
    for (int r = 0; r < count; ++r) {
        const qint64 no = rows.at(0, r).toLongLong();
        m_targetPages.insert(no);
        const QVariant identity = rows.at(2, r);
        if (usableIdentity(identity) && !known.contains(identity.toDouble()))
            known.insert(identity.toDouble(), {no, rows.at(1, r)});
    }
    const qint64 parentNo = m_parentNo.toLongLong();
    for (Page &page : m_pages) {
        const bool root = m_root > 0 && page.no == m_root;
        const auto found = usableIdentity(page.identity) ? known.constFind(page.identity.toDouble()) : known.cend();
        if (found == known.cend()) {
            if (root && m_replace) {
                page.planned = m_target;
                page.cmp = 1;
            } else {
                page.planned = ++m_last;
                page.cmp = 0;
            }
            continue;
        }
        m_match = true;
        const qint64 match = found->no;
        if (root) {
            m_target = match;
            // The page may stand here already; otherwise it must be updated where it stands.
            const int here = db.R_GtVaL(QStringLiteral("Select Count(*) From tbTree Where noLfP=? And noLfC=?"),
                                        {parentNo, match}, 0).toInt();
            QVariantList at{QVariant(), QVariant()};
            db.R_PAry(QStringLiteral("Select T.noLfP, D.szDoc From tbTree T, msDoc D Where T.noLfC = D.noDoc And T.noLfC=?"),
                      {match}, at);
            const qint64 parent = at.value(0).toLongLong();
            const QString title = at.value(1).toString();
            if (here == 0 && !title.isEmpty()) {
                const QString parentTitle =
                    parent > 0 ? db.R_GtVaL(QStringLiteral("Select szDoc From msDoc Where noDoc=?"), {parent}, QString())
                                     .toString()
                               : QString();
                Prompt::current().message(QStringLiteral("ｲﾝﾎﾟｰﾄ対象の文書は ") + parentTitle + QStringLiteral(" ⇒ ")
                                          + title + QStringLiteral("　に存在しています\n")
                                          + QStringLiteral("これを更新する場合は、このﾍﾟｰｼﾞを指定して、ｲﾝﾎﾟｰﾄを行って下さい"));
                m_abort = true;
                return false;
            }
        }
        page.planned = match;
        const int order = compareDates(page.updated, found->updated);
        page.cmp = order > 0 ? 1 : order == 0 ? 3 : 2;
    }
    return true;
}

void DbImport::planPlacements()
{
    DbTable rows;
    const int count = zSvr::instance().R_Ary(QStringLiteral("Select noLfP, noLfC From tbTree"), rows);
    for (int r = 0; r < count; ++r)
        m_targetPairs.insert({rows.at(0, r).toLongLong(), rows.at(1, r).toLongLong()});
    const qint64 parentNo = m_parentNo.toLongLong();
    if (m_nodePage) {
        // The new node's own page holds the source's top-level pages.
        Placement node;
        node.parent = 0;
        node.child = 0;
        node.title = m_sourceTitle;
        node.plannedParent = parentNo;
        node.plannedChild = m_target;
        m_placements.prepend(node);
    }
    for (int i = m_nodePage ? 1 : 0; i < m_placements.size(); ++i) {
        Placement &p = m_placements[i];
        const int child = m_index.value(p.child, -1);
        const int parent = m_index.value(p.parent, -1);
        p.plannedChild = child >= 0 ? m_pages.at(child).planned : 0;
        if (p.parent != 0)
            p.plannedParent = parent >= 0 ? m_pages.at(parent).planned : 0;
        else
            p.plannedParent = m_root > 0 ? parentNo : m_target;
        // A placement must join two pages that both arrive, and never a page to itself.
        p.skip = child < 0 || (p.parent != 0 && parent < 0) || p.plannedParent == p.plannedChild;
    }
    for (Placement &p : m_placements)
        p.exists = m_targetPairs.contains({p.plannedParent, p.plannedChild});
}

bool DbImport::makesCycle() const
{
    auto hasCycle = [](const QHash<qint64, QList<qint64>> &children) {
        // Iterative depth-first search: 1 on the path, 2 finished.
        QHash<qint64, int> state;
        for (auto it = children.cbegin(); it != children.cend(); ++it) {
            if (state.value(it.key()) != 0)
                continue;
            QList<QPair<qint64, int>> stack{{it.key(), 0}};
            state[it.key()] = 1;
            while (!stack.isEmpty()) {
                auto &[node, next] = stack.last();
                const QList<qint64> kids = children.value(node);
                if (next >= kids.size()) {
                    state[node] = 2;
                    stack.removeLast();
                    continue;
                }
                const qint64 kid = kids.at(next++);
                const int s = state.value(kid);
                if (s == 1)
                    return true;
                if (s == 0) {
                    state[kid] = 1;
                    stack.append({kid, 0});
                }
            }
        }
        return false;
    };
    QHash<qint64, QList<qint64>> graph;
    for (const auto &pair : m_targetPairs) {
        if (pair.first != 0)
            graph[pair.first].append(pair.second);
    }
    if (hasCycle(graph))
        return false; // an old fault of the open tree is not this import's doing
    for (const Placement &p : m_placements) {
        if (!p.skip && !p.exists && p.plannedParent != 0)
            graph[p.plannedParent].append(p.plannedChild);
    }
    return hasCycle(graph);
}

int DbImport::pageAction(const Page &page)
{
    // The wait window stands over the middle of the main window, where the question would be hidden
    // under it; the next page shows it again.
    auto ask = [](const QString &text) {
        sbWait::cEnd();
        return Prompt::current().message(text, Prompt::YesNo);
    };
    switch (page.cmp) {
    case 0:
        return 1;
    case 1:
        if (m_overwrite)
            return 2;
        return ask(page.title + QStringLiteral("は、ｲﾝﾎﾟｰﾄ元の日付が新しいですが、上書しないで良いですか")) == Prompt::Yes ? 0 : 2;
    case 2:
        if (!m_overwrite)
            return 0;
        return ask(page.title + QStringLiteral("は、ｲﾝﾎﾟｰﾄ先の日付が新しいですが、上書して良いですか")) == Prompt::Yes ? 2 : 0;
    default:
        return 0;
    }
}

QByteArray DbImport::renumbered(const QVariant &document, QString &tags)
{
    tags = QStringLiteral(".");
    const QByteArray bytes = document.toByteArray();
    if (document.isNull() || !ExportLinks::mayHoldTags(bytes))
        return bytes;
    // The pages are converted on a page of the import's own: the editor keeps the page it shows.
    if (!m_scratch) {
        m_scratch = std::make_unique<PageDocument>(PageDocument::WithoutLayout);
        m_scratchEdit = std::make_unique<RichTextEdit>(m_scratch.get());
        m_renumber = std::make_unique<TagRenumber>(m_map);
    }
    EditorServices &services = m_host.hostEditor().services();
    // Bytes that cannot be read travel unchanged, with an empty tag list.
    if (!services.loadBytes(*m_scratchEdit, bytes, 9, false))
        return bytes;
    m_renumber->apply(*m_scratchEdit);
    tags = ExportLinks::tagList(*m_scratchEdit);
    const QByteArray converted = services.saveBytes(*m_scratchEdit, 9);
    return converted.isEmpty() ? bytes : converted;
}

QString DbImport::sharedIdentity() const
{
    QHash<double, const Page *> seen;
    for (const Page &page : m_pages) {
        if (!usableIdentity(page.identity))
            continue;
        const Page *first = seen.value(page.identity.toDouble());
        if (!first) {
            seen.insert(page.identity.toDouble(), &page);
            continue;
        }
        auto name = [](const Page &p) {
            return QStringLiteral("文書No %1 ｢%2｣").arg(p.no).arg(p.title);
        };
        return QStringLiteral("ｲﾝﾎﾟｰﾄ元の ") + name(*first) + QStringLiteral(" と ") + name(page)
               + QStringLiteral(" は同一のﾘｿｰｽの文書です");
    }
    return QString();
}

bool DbImport::write()
{
    zSvr &db = zSvr::instance();
    if (!db.D_Tran(0))
        return false;
    bool ok = true;
    QElapsedTimer shown;
    shown.start();
    for (int i = 0; ok && i < m_pages.size(); ++i) {
        const Page &page = m_pages.at(i);
        if (!sbWait::isShown() || shown.elapsed() >= 200) {
            sbWait::cMsg(QStringLiteral("ﾍﾟｰｼﾞをｲﾝﾎﾟｰﾄしています (%1/%2)").arg(i + 1).arg(m_pages.size()));
            shown.start();
        }
        if (pageAction(page) == 0)
            continue;
        QString tags;
        QVariant document = page.document;
        if (!document.isNull())
            document = renumbered(page.document, tags);
        if (!m_targetPages.contains(page.planned)) {
            ok = db.D_ExeSq(QStringLiteral("Insert Into msDoc (noDoc, boUse, wkRnd, saTgs, boCod, szDoc, txDoc, obDoc, dyUdt)"
                                           " Values (?, 1, ?, ?, ?, ?, ?, ?, ?)"),
                            {page.planned, page.identity, tags, page.listMode, page.title, page.text, document,
                             page.updated});
            m_targetPages.insert(page.planned);
        } else {
            ok = db.D_ExeSq(QStringLiteral("Update msDoc Set boCod=?, szDoc=?, txDoc=?, obDoc=?, dyUdt=?, saTgs=?"
                                           " Where noDoc=?"),
                            {page.listMode, page.title, page.text, document, page.updated, tags, page.planned});
        }
    }
    if (ok && m_nodePage && !m_targetPages.contains(m_target)) {
        ok = db.D_ExeSq(QStringLiteral("Insert Into msDoc (noDoc, boUse, wkRnd, saTgs, boCod, szDoc, txDoc, dyUdt)"
                                       " Values (?, 1, ?, '.', 0, ?, '', ?)"),
                        {m_target, Usr::FdNewKy(), m_sourceTitle, Clock::current().now()});
    }
    for (int i = 0; ok && i < m_placements.size(); ++i) {
        const Placement &p = m_placements.at(i);
        if (p.skip)
            continue;
        const bool top = p.parent == 0;
        const QPair<qint64, qint64> pair{p.plannedParent, p.plannedChild};
        // The row is looked at as it stands now: an earlier placement of this run may have made it.
        if (!m_targetPairs.contains(pair)) {
            m_targetPairs.insert(pair);
            ok = top ? db.D_ExeSq(QStringLiteral("Insert Into tbTree (noLfP, noLfC, szDoc, dyUdt, dyUdt_P)"
                                                 " Values (?, ?, ?, ?, ?)"),
                                  {p.plannedParent, p.plannedChild, p.title, p.updated, p.updatedP})
                     : db.D_ExeSq(QStringLiteral("Insert Into tbTree (noLfP, noLfC, szDoc, inSrt, dyUdt, dyUdt_P)"
                                                 " Values (?, ?, ?, ?, ?, ?)"),
                                  {p.plannedParent, p.plannedChild, p.title, p.order, p.updated, p.updatedP});
            continue;
        }
        if (p.exists && !m_overwrite)
            continue;
        // A placement that already reads the same is not written again.
        QVariantList now{QVariant(), QVariant(), QVariant(), QVariant()};
        db.R_PAry(QStringLiteral("Select szDoc, inSrt, dyUdt, dyUdt_P From tbTree Where noLfP=? And noLfC=?"),
                  {p.plannedParent, p.plannedChild}, now);
        if (now.value(0).toString() == p.title.toString() && (top || now.value(1).toInt() == p.order.toInt())
            && compareDates(now.value(2), p.updated) == 0 && compareDates(now.value(3), p.updatedP) == 0)
            continue;
        ok = top ? db.D_ExeSq(QStringLiteral("Update tbTree Set szDoc=?, dyUdt=?, dyUdt_P=? Where noLfP=? And noLfC=?"),
                              {p.title, p.updated, p.updatedP, p.plannedParent, p.plannedChild})
                 : db.D_ExeSq(QStringLiteral("Update tbTree Set szDoc=?, inSrt=?, dyUdt=?, dyUdt_P=?"
                                             " Where noLfP=? And noLfC=?"),
                              {p.title, p.order, p.updated, p.updatedP, p.plannedParent, p.plannedChild});
    }
    if (ok) {
        Usr::D_FixLnk(false);
        ok = db.D_Tran(1);
    }
    sbWait::cEnd();
    if (!ok) {
        db.D_Tran(2);
        return false;
    }
    return true;
}

void DbImport::refreshNode()
{
    zSvr &db = zSvr::instance();
    uTrX &tree = m_host.hostTree();
    QString number = QString::number(m_target);
    const bool listMode = db.R_GtVaL(QStringLiteral("Select boCod From msDoc Where noDoc=?"), {m_target}, 0).toInt() == 1;
    tree.SetActImg(QStringLiteral("N"), number, listMode);
    m_host.setCurrentPageNo(0);
    m_host.hostEditor().setBDcEdt(false);
    tree.SetFrame(1);
    tree.RefreshNd(m_sourceTitle, number);
}

void DbImport::cleanUp()
{
    delete m_source;
    m_source = nullptr;
    if (m_error.isEmpty() && !m_started) {
        Usr::st().busy = m_busyBefore;
        return;
    }
    const QString prefix = m_error.isEmpty() ? m_sourcePath + QStringLiteral(" から") : m_error + QLatin1Char('\n');
    Usr::st().busy = m_busyBefore;
    if (m_done)
        m_host.setTreeMenuMode(true);
    Prompt::current().message(finalText(prefix, m_done));
    // The editor shows the page that now stands at the node.
    if (m_done)
        m_host.showPage(int(m_target));
}

void DbImport::ImportDb()
{
    zSvr &db = zSvr::instance();
    uTrX &tree = m_host.hostTree();
    QString pageNo;
    bool link = false;
    m_parentNo = QStringLiteral("0");
    tree.GetPrCdNo(m_parentNo, pageNo, link);
    if (link) {
        Prompt::current().message(QStringLiteral("指定のﾍﾟｰｼﾞは、文書No ") + pageNo + QStringLiteral("のﾘﾝｸです\n")
                                  + QStringLiteral("ここには挿入できません"));
        return;
    }
    if (!db.isOpen() || db.DbRead())
        return;
    m_newNode = pageNo == QLatin1String("NewNode");
    if (m_newNode) {
        m_target = db.R_GtVaL(QStringLiteral("Select Max(noDoc) From msDoc"), 0).toLongLong() + 1;
        m_targetTitle = QStringLiteral("新規ﾍﾟｰｼﾞ");
        m_targetIdentity = 0;
    } else {
        bool numeric = false;
        m_target = pageNo.toLongLong(&numeric);
        if (!numeric || m_target <= 0)
            return;
        tree.GetNodeText(m_targetTitle);
        m_targetIdentity = db.R_GtVaL(QStringLiteral("Select wkRnd From msDoc Where noDoc=?"), {m_target}, 0);
    }
    m_sourcePath = m_host.selectDbFile(false, m_targetTitle + QStringLiteral("←文書ﾃﾞｰﾀｰﾍﾞｰｽのｲﾝﾎﾟｰﾄ"),
                                       Usr::st().userData + QStringLiteral("Dbs"));
    if (m_sourcePath.isEmpty())
        return;
    m_busyBefore = Usr::st().busy;
    const QString open = QFileInfo(db.sSvr).canonicalFilePath();
    if (!open.isEmpty() && QFileInfo(m_sourcePath).canonicalFilePath() == open) {
        m_error = QStringLiteral("現在の文書ﾃﾞｰﾀｰﾍﾞｰｽからはｲﾝﾎﾟｰﾄできません");
        cleanUp();
        return;
    }
    if (!readSource()) {
        m_error = m_sourcePath + QStringLiteral(" は文書ﾃﾞｰﾀｰﾍﾞｰｽではありません");
        cleanUp();
        return;
    }
    if (m_root == -1) {
        m_error = QStringLiteral("ｲﾝﾎﾟｰﾄ元の文書ﾃﾞｰﾀｰﾍﾞｰｽにﾙｰﾄの文書が存在していません");
        cleanUp();
        return;
    }
    // Two pages of one identity would both update one page here: the source is refused.
    m_error = sharedIdentity();
    if (!m_error.isEmpty()) {
        cleanUp();
        return;
    }
    if (m_newNode) {
        m_question = QStringLiteral("新規ﾍﾟｰｼﾞに ") + (m_sourceTitle.isEmpty() ? QString() : m_sourceTitle + QStringLiteral("以降を"))
                     + QStringLiteral("ｲﾝﾎﾟｰﾄします");
    } else if (usableIdentity(m_targetIdentity) && m_targetIdentity.toDouble() == m_sourceIdentity.toDouble()) {
        m_question = QStringLiteral("現在のﾍﾟｰｼﾞが、ｲﾝﾎﾟｰﾄ元の") + m_sourceTitle + QStringLiteral("で更新されます");
    } else {
        m_question = QStringLiteral("現在のﾍﾟｰｼﾞが、ｲﾝﾎﾟｰﾄ元の") + m_sourceTitle + QStringLiteral("に置換えられます");
        m_replace = true;
    }
    m_last = db.R_GtVaL(QStringLiteral("Select Max(noDoc) From msDoc"), 1000).toLongLong();
    // A new node that receives several top-level pages gets a page of its own first.
    if (m_newNode && m_root == 0) {
        m_target = ++m_last;
        m_nodePage = true;
    }
    // The new node is numbered like the page it receives: its root's number.
    const bool newNodeTakesRoot = m_newNode && m_root > 0;
    if (newNodeTakesRoot)
        m_target = 0;
    if (!matchPages()) {
        cleanUp();
        return;
    }
    if (newNodeTakesRoot)
        m_target = m_pages.at(m_index.value(m_root)).planned;
    for (const Page &page : std::as_const(m_pages))
        m_map += QString::number(page.no) + QLatin1Char('=') + QString::number(page.planned) + QLatin1Char(',');
    Prompt &ask = Prompt::current();
    if (m_match) {
        const int answer = ask.message(m_question + QStringLiteral("\nｲﾝﾎﾟｰﾄ元文書ﾃﾞｰﾀｰﾍﾞｰｽと現在の文書ﾃﾞｰﾀｰﾍﾞｰｽに、同一のﾘｿｰｽの文書があります\n")
                                           + QStringLiteral("上書きして良い ⇒ はい　 元の文書を残す ⇒ いいえ　 ｲﾝﾎﾟｰﾄ中止 ⇒ キャンセル"),
                                       Prompt::YesNoCancel);
        if (answer != Prompt::Yes && answer != Prompt::No) {
            cleanUp();
            return;
        }
        m_overwrite = answer == Prompt::Yes;
    } else {
        if (ask.message(m_question + QStringLiteral("\n実行して良いですか"), Prompt::OkCancel) != Prompt::Ok) {
            cleanUp();
            return;
        }
        m_overwrite = true;
    }
    m_started = true;
    planPlacements();
    if (makesCycle()) {
        m_error = QStringLiteral("ｲﾝﾎﾟｰﾄするとﾍﾟｰｼﾞが自分自身の下位に置かれます");
        cleanUp();
        return;
    }
    Usr::st().busy = true;
    if (write()) {
        refreshNode();
        m_done = true;
    }
    cleanUp();
}

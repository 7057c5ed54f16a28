#include "output/DbImport.h"

#include "core/PageNumbers.h"
#include "core/Usr.h"
#include "core/sbWait.h"
#include "core/zSvr.h"
#include "editor/EditorServices.h"
#include "editor/TagRenumber.h"
#include "editor/uTxm.h"
#include "output/ExchangeHost.h"
#include "output/ExchangeText.h"
#include "output/ExportLinks.h"
#include "platform/db/DbConnection.h"
#include "platform/db/DbFiles.h"
#include "platform/desktop/Clock.h"
#include "platform/desktop/Prompt.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/RichTextEdit.h"
#include "tree/TreeDb.h"
#include "tree/uTrX.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {

// An import whose new numbers keep being taken by others gives up after this many tries.
constexpr int NumberTries = 20;

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

bool DbImport::readFailed(const QString &error, bool source)
{
    m_error = ExchangeText::readFailure(source ? m_sourcePath : zSvr::instance().sSvr, error);
    return false;
}

bool DbImport::readSource()
{
    // Another program may hold the file for a moment: it is waited for under the wait window, then
    // said to be in use.
    sbWait::cMsg(QStringLiteral("ｲﾝﾎﾟｰﾄ元を読み込んでいます"));
    const bool ok = readRows();
    sbWait::cEnd();
    return ok;
}

bool DbImport::readRows()
{
    m_source = new DbConnection;
    m_source->setCommandTimeout(SourceWait);
    auto refused = [this] {
        const QString error = m_source->lastError();
        if (ExchangeText::isLocked(error) || ExchangeText::isDamaged(error))
            return readFailed(error, true);
        m_error = m_sourcePath + QStringLiteral(" は文書ﾃﾞｰﾀｰﾍﾞｰｽではありません");
        return false;
    };
    if (!m_source->openSqlite(m_sourcePath, true))
        return refused();
    // A damaged page inside a document reads as garbage, not as an error: the whole file is looked
    // through first.
    const QString damage = DbFiles::damage(*m_source);
    if (!damage.isEmpty())
        return readFailed(damage, true);
    m_source->setDatePrefix(QStringLiteral("dy"));
    QSqlQuery query;
    if (!m_source->select(query, QStringLiteral("Select noDoc, szDoc, txDoc, obDoc, boCod, saTgs, dyUdt, wkRnd From msDoc"),
                          {}, false, true))
        return refused();
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
    // A damaged or locked file ends the rows early, as if they were all: only the query tells.
    if (query.lastError().isValid())
        return readFailed(query.lastError().text(), true);
    if (!m_source->select(query, QStringLiteral("Select noLfP, noLfC, szDoc, inSrt, dyUdt, dyUdt_P From tbTree"), {},
                          false, true))
        return refused();
    while (query.next())
        m_placements.append({query.value(0).toLongLong(), query.value(1).toLongLong(), query.value(2), query.value(3),
                             m_source->fromDb(query.value(4), QStringLiteral("dyUdt")),
                             m_source->fromDb(query.value(5), QStringLiteral("dyUdt_P"))});
    if (query.lastError().isValid())
        return readFailed(query.lastError().text(), true);
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
    const int count = db.R_Ary(QStringLiteral("Select noDoc, dyUdt, wkRnd, saTgs From msDoc"), rows);
    if (!db.readError().isEmpty())
        return readFailed(db.readError(), false);
    for (int r = 0; r < count; ++r) {
        const qint64 no = rows.at(0, r).toLongLong();
        m_targetPages.insert(no);
        const QVariant identity = rows.at(2, r);
        if (ExchangeText::usableIdentity(identity) && !known.contains(identity.toDouble()))
            known.insert(identity.toDouble(), {no, rows.at(1, r)});
        const QVariant tags = rows.at(3, r);
        if (tags.isNull() || tags.toString().size() > 1)
            m_taggedTargets.insert(no);
    }
    for (Page &page : m_pages) {
        const bool root = m_root > 0 && page.no == m_root;
        const auto found = ExchangeText::usableIdentity(page.identity) ? known.constFind(page.identity.toDouble()) : known.cend();
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
            if (!rootStandsHere(match))
                return false;
            m_target = match;
        }
        page.planned = match;
        const int order = compareDates(page.updated, found->updated);
        page.cmp = order > 0 ? 1 : order == 0 ? 3 : 2;
    }
    return true;
}

bool DbImport::rootStandsHere(qint64 match)
{
    // The selected page itself is updated where it stands.
    if (!m_newNode && match == m_target)
        return true;
    // Any other page would be written where it stands, while the node here took its number: the
    // node would show a page that is not below its parent, and deleting it there would cut that
    // page off. Where the page stands, its home placement first.
    zSvr &db = zSvr::instance();
    QVariantList at{QVariant(), QVariant()};
    const bool placed = db.R_PAry(QStringLiteral("Select T.noLfP, D.szDoc From tbTree T, msDoc D"
                                                 " Where T.noLfC = D.noDoc And T.noLfC=? Order By T.boLnk"),
                                  {match}, at);
    if (!db.readError().isEmpty())
        return readFailed(db.readError(), false);
    if (!placed) {
        // A page kept outside the tree takes the new node's place.
        if (m_newNode)
            return true;
        const QString title =
            db.R_GtVaL(QStringLiteral("Select szDoc From msDoc Where noDoc=?"), {match}, QString()).toString();
        Prompt::current().message(QStringLiteral("ｲﾝﾎﾟｰﾄ対象の文書は ﾂﾘｰにない 文書No %1 ｢%2｣ として存在しています\n")
                                      .arg(match)
                                      .arg(ExchangeText::shortTitle(title))
                                  + QStringLiteral("これを戻す場合は、新規ﾍﾟｰｼﾞを作成して、そこにｲﾝﾎﾟｰﾄを行って下さい"));
        m_abort = true;
        return false;
    }
    const qint64 parent = at.value(0).toLongLong();
    const QString parentTitle =
        parent > 0
            ? db.R_GtVaL(QStringLiteral("Select szDoc From msDoc Where noDoc=?"), {parent}, QString()).toString()
            : QString();
    Prompt::current().message(QStringLiteral("ｲﾝﾎﾟｰﾄ対象の文書は ") + ExchangeText::shortTitle(parentTitle)
                              + QStringLiteral(" ⇒ ") + ExchangeText::shortTitle(at.value(1).toString())
                              + QStringLiteral("　に存在しています\n")
                              + QStringLiteral("これを更新する場合は、このﾍﾟｰｼﾞを指定して、ｲﾝﾎﾟｰﾄを行って下さい"));
    m_abort = true;
    return false;
}

bool DbImport::planPlacements()
{
    DbTable rows;
    const int count = zSvr::instance().R_Ary(QStringLiteral("Select noLfP, noLfC From tbTree"), rows);
    if (!zSvr::instance().readError().isEmpty())
        return readFailed(zSvr::instance().readError(), false);
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
    return true;
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
    auto ask = [](const QString &text) { return Prompt::current().message(text, Prompt::YesNo); };
    switch (page.cmp) {
    case 0:
        return 1;
    case 1:
        if (m_overwrite)
            return 2;
        return ask(ExchangeText::shortTitle(page.title) + QStringLiteral("は、ｲﾝﾎﾟｰﾄ元の日付が新しいですが、上書しないで良いですか")) == Prompt::Yes ? 0 : 2;
    case 2:
        if (!m_overwrite)
            return 0;
        return ask(ExchangeText::shortTitle(page.title) + QStringLiteral("は、ｲﾝﾎﾟｰﾄ先の日付が新しいですが、上書して良いですか")) == Prompt::Yes ? 2 : 0;
    default:
        return 0;
    }
}

RichTextEdit &DbImport::scratch()
{
    // The pages are converted on a page of the import's own: the editor keeps the page it shows.
    if (!m_scratch) {
        m_scratch = std::make_unique<PageDocument>(PageDocument::WithoutLayout);
        m_scratchEdit = std::make_unique<RichTextEdit>(m_scratch.get());
    }
    if (!m_renumber)
        m_renumber = std::make_unique<TagRenumber>(m_map);
    return *m_scratchEdit;
}

QByteArray DbImport::renumbered(const QVariant &document, QString &tags)
{
    tags = QStringLiteral(".");
    const QByteArray bytes = document.toByteArray();
    if (document.isNull() || !ExportLinks::mayHoldTags(bytes))
        return bytes;
    RichTextEdit &edit = scratch();
    EditorServices &services = m_host.hostEditor().services();
    // Bytes that cannot be read travel unchanged, with an empty tag list.
    if (!services.loadBytes(edit, bytes, 9, false))
        return bytes;
    m_renumber->apply(edit);
    tags = ExportLinks::tagList(edit);
    const QByteArray converted = services.saveBytes(edit, 9);
    return converted.isEmpty() ? bytes : converted;
}

void DbImport::convert(Page &page)
{
    if (page.converted)
        return;
    page.converted = true;
    // A page without a document keeps the tag list the source holds.
    if (page.document.isNull()) {
        page.written = page.document;
        page.writtenTags = page.tags;
        return;
    }
    QString tags;
    page.written = renumbered(page.document, tags);
    page.writtenTags = tags;
}

void DbImport::decideActions()
{
    for (Page &page : m_pages)
        page.action = pageAction(page);
}

bool DbImport::keepTaggedPages()
{
    // A copy exported without a published site has its tags to pages left out turned into plain
    // text. Brought back, it would replace pages that still hold those tags: such pages are found
    // by a tag whose text the incoming page keeps while its tag is gone.
    zSvr &db = zSvr::instance();
    EditorServices &services = m_host.hostEditor().services();
    QList<int> candidates;
    for (int i = 0; i < m_pages.size(); ++i) {
        if (m_pages.at(i).action != 0 && m_taggedTargets.contains(m_pages.at(i).planned))
            candidates.append(i);
    }
    if (candidates.isEmpty())
        return true;
    sbWait::cMsg(QStringLiteral("ﾍﾟｰｼﾞのﾀｸﾞを照合しています"));
    QList<int> lacking;
    for (int i : std::as_const(candidates)) {
        Page &page = m_pages[i];
        const QByteArray stored =
            db.R_GtVaL(QStringLiteral("Select obDoc From msDoc Where noDoc=?"), {page.planned}, QVariant()).toByteArray();
        if (!db.readError().isEmpty()) {
            sbWait::cEnd();
            return readFailed(db.readError(), false);
        }
        if (!ExportLinks::mayHoldTags(stored) || !services.loadBytes(scratch(), stored, 9, false))
            continue;
        const QList<QPair<QString, QString>> fields = ExportLinks::tagFields(scratch());
        if (fields.isEmpty())
            continue;
        convert(page);
        const QString incomingTags = page.writtenTags.toString();
        // The text of the incoming document itself: a stored plain text may lag behind it.
        QString incomingText = page.text.toString();
        if (!page.document.isNull() && services.loadBytes(scratch(), page.document.toByteArray(), 9, false))
            incomingText = scratch().text();
        for (const auto &[target, text] : fields) {
            if (!incomingTags.contains(QLatin1Char('.') + target + QLatin1Char('.')) && !text.trimmed().isEmpty()
                && incomingText.contains(text)) {
                lacking.append(i);
                break;
            }
        }
    }
    // The question is not hidden under the wait window.
    sbWait::cEnd();
    if (lacking.isEmpty())
        return true;
    QStringList titles;
    for (int i = 0; i < lacking.size() && i < 10; ++i)
        titles << QStringLiteral("｢") + ExchangeText::shortTitle(m_pages.at(lacking.at(i)).title, 30) + QStringLiteral("｣");
    if (lacking.size() > 10)
        titles << QStringLiteral("他 %1 ﾍﾟｰｼﾞ").arg(lacking.size() - 10);
    const int answer = Prompt::current().message(
        QStringLiteral("次のﾍﾟｰｼﾞは、ｲﾝﾎﾟｰﾄ元ではﾀｸﾞ(文書ﾃﾞｰﾀｰﾍﾞｰｽ内のﾘﾝｸ)が外れています\n") + titles.join(u' ')
            + QStringLiteral("\nﾀｸﾞの外れたﾍﾟｰｼﾞで上書して良いですか\n")
            + QStringLiteral("上書する ⇒ はい　 現在のﾍﾟｰｼﾞを残す ⇒ いいえ"),
        Prompt::YesNo | Prompt::DefaultButton2);
    if (answer != Prompt::Yes) {
        for (int i : std::as_const(lacking))
            m_pages[i].action = 0;
    }
    return true;
}

int DbImport::pagesWritten() const
{
    if (!m_done)
        return 0;
    int written = 0;
    for (const Page &page : m_pages)
        written += page.action != 0 ? 1 : 0;
    return written;
}

QString DbImport::sharedIdentity() const
{
    QHash<double, const Page *> seen;
    for (const Page &page : m_pages) {
        if (!ExchangeText::usableIdentity(page.identity))
            continue;
        const Page *first = seen.value(page.identity.toDouble());
        if (!first) {
            seen.insert(page.identity.toDouble(), &page);
            continue;
        }
        auto name = [](const Page &p) {
            return QStringLiteral("文書No %1 ｢%2｣").arg(p.no).arg(ExchangeText::shortTitle(p.title));
        };
        return QStringLiteral("ｲﾝﾎﾟｰﾄ元の ") + name(*first) + QStringLiteral(" と ") + name(page)
               + QStringLiteral(" は同一のﾘｿｰｽの文書です");
    }
    return QString();
}

void DbImport::makeNumberMap()
{
    m_map.clear();
    for (const Page &page : std::as_const(m_pages))
        m_map += QString::number(page.no) + QLatin1Char('=') + QString::number(page.planned) + QLatin1Char(',');
}

bool DbImport::numberAfterOthers()
{
    // The new pages were numbered before the questions; pages that others added meanwhile took
    // those numbers. Every number above the last one then known is new here: they move up past
    // the others' pages, as a new page's number does.
    zSvr &db = zSvr::instance();
    const qint64 last = db.R_GtVaL(QStringLiteral("Select Max(noDoc) From msDoc"), 1000).toLongLong();
    if (!db.readError().isEmpty())
        return readFailed(db.readError(), false);
    if (last <= m_base)
        return true;
    const qint64 shift = last - m_base;
    const auto moved = [this, shift](qint64 &no) {
        if (no > m_base)
            no += shift;
    };
    for (Page &page : m_pages) {
        moved(page.planned);
        page.converted = false;
    }
    for (Placement &p : m_placements) {
        moved(p.plannedParent);
        moved(p.plannedChild);
    }
    moved(m_target);
    m_base = last;
    makeNumberMap();
    m_renumber.reset();
    return true;
}

bool DbImport::numbersFit()
{
    qint64 highest = m_target;
    for (const Page &page : std::as_const(m_pages))
        highest = qMax(highest, page.planned);
    if (highest <= PageNumbers::Highest)
        return true;
    m_error = QStringLiteral("ｲﾝﾎﾟｰﾄするﾍﾟｰｼﾞの番号がありません\n"
                             "ﾍﾟｰｼﾞ番号が%1を超えます").arg(PageNumbers::Highest);
    return false;
}

bool DbImport::readTarget()
{
    // What stands in the open database now, inside the transaction: others may have added or
    // deleted pages and placements while the questions were open.
    zSvr &db = zSvr::instance();
    DbTable rows;
    int count = db.R_Ary(QStringLiteral("Select noDoc From msDoc"), rows);
    if (!db.readError().isEmpty())
        return readFailed(db.readError(), false);
    m_targetPages.clear();
    for (int r = 0; r < count; ++r)
        m_targetPages.insert(rows.at(0, r).toLongLong());
    count = db.R_Ary(QStringLiteral("Select noLfP, noLfC From tbTree"), rows);
    if (!db.readError().isEmpty())
        return readFailed(db.readError(), false);
    m_targetPairs.clear();
    for (int r = 0; r < count; ++r)
        m_targetPairs.insert({rows.at(0, r).toLongLong(), rows.at(1, r).toLongLong()});
    for (Placement &p : m_placements)
        p.exists = m_targetPairs.contains({p.plannedParent, p.plannedChild});
    return true;
}

bool DbImport::anchorStands()
{
    // The source's top arrives below the selected node's parent (its root, or the new node's own
    // page) or below the selected page itself (several top pages). Taken out of the tree since it
    // was chosen, by another user or the other edit window, it would leave every page written
    // below it reached by nobody.
    const qint64 anchor = m_root > 0 || m_nodePage ? m_parentNo.toLongLong() : m_target;
    bool ok = true;
    if (TreeDb::reachable(anchor, &ok))
        return true;
    if (!ok)
        return readFailed(zSvr::instance().readError(), false);
    m_error = QStringLiteral("ｲﾝﾎﾟｰﾄ先のﾍﾟｰｼﾞは別の編集画面か他の利用者がﾂﾘｰから削除しています\n"
                             "ﾂﾘｰを最新の状態に更新してから指定し直して下さい");
    return false;
}

bool DbImport::cycleNow()
{
    // Checked before the questions too; another user may have placed a page since.
    if (!makesCycle())
        return false;
    m_error = cycleMessage();
    return true;
}

QString DbImport::cycleMessage()
{
    return QStringLiteral("ｲﾝﾎﾟｰﾄするとﾍﾟｰｼﾞが自分自身の下位に置かれます");
}

bool DbImport::write()
{
    zSvr &db = zSvr::instance();
    DbConnection &target = db.connection();
    QElapsedTimer shown;
    auto progress = [this, &shown](int i) {
        sbWait::cMsg(QStringLiteral("ﾍﾟｰｼﾞをｲﾝﾎﾟｰﾄしています (%1/%2)").arg(i + 1).arg(m_pages.size()));
        shown.start();
    };
    // A server lets another user's new page take a number between the look and the insert:
    // the whole write is tried again after it, as a new page's save is.
    bool triedAgain = false;
    for (int attempt = 0; attempt < NumberTries; ++attempt) {
        // Shown before the transaction begins: it waits for another user who is writing.
        progress(0);
        if (!db.D_Tran(0)) {
            sbWait::cEnd();
            if (ExchangeText::isLocked(target.lastError()))
                m_error = ExchangeText::readFailure(db.sSvr, target.lastError());
            return false;
        }
        bool taken = false;
        m_changed.clear();
        // The checks see the rows as they are now and stay true until the commit: other users' writes
        // that place pages wait for this one.
        const bool ok = TreeDb::holdPlacing() && anchorStands() && numberAfterOthers() && numbersFit() && readTarget() && !cycleNow()
                        && unchangedSince() && writeRows(shown, progress, &taken)
                        && Usr::D_FixLnk(false) && db.D_Tran(1);
        sbWait::cEnd();
        if (ok)
            return true;
        db.D_Tran(2);
        if (target.diskFull()) {
            m_error = db.sSvr + QStringLiteral(" に書き込めませんでした\n") + zSvr::diskFullText();
            return false;
        }
        // A write that lost a conflict with another user's (a deadlock on the server) is tried once
        // more, as a save or paste is: the other has ended by then, and the checks see what it wrote.
        // Lost twice, the user is told why instead of the driver's words or none.
        if (TreeDb::lostConflict()) {
            if (triedAgain) {
                m_error = conflictMessage();
                return false;
            }
            triedAgain = true;
            m_error.clear();
            m_changed.clear();
            TreeDb::waitForTheOther();
            continue;
        }
        // Pages saved by others while the questions were open: asked about again, with the file free.
        if (!m_changed.isEmpty()) {
            askChanged();
            continue;
        }
        if (!taken)
            return false;
    }
    return false;
}

QString DbImport::conflictMessage() const
{
    return m_sourcePath + QStringLiteral(" からのｲﾝﾎﾟｰﾄは、他の利用者の書き込みと重なったため書き込めませんでした\n"
                                         "何も変更していません　しばらくしてからもう一度ｲﾝﾎﾟｰﾄして下さい");
}

bool DbImport::stampOf(qint64 no, QByteArray *stamp)
{
    // The page's date, title, text and document: a save in the same second as the last one still counts.
    QVariantList row{QVariant(), QVariant(), QVariant(), QVariant()};
    zSvr &db = zSvr::instance();
    const bool found = db.R_PAry(QStringLiteral("Select dyUdt, szDoc, txDoc, obDoc From msDoc Where noDoc=?"), {no}, row);
    if (!db.readError().isEmpty())
        return false;
    stamp->clear();
    if (!found)
        return true;
    QCryptographicHash hash(QCryptographicHash::Sha1);
    for (const QVariant &value : std::as_const(row)) {
        const QByteArray bytes = value.metaType().id() == QMetaType::QByteArray ? value.toByteArray()
                                 : value.metaType().id() == QMetaType::QDateTime
                                     ? value.toDateTime().toString(Qt::ISODateWithMs).toUtf8()
                                     : value.toString().toUtf8();
        hash.addData(QByteArray::number(bytes.size()) + ':');
        hash.addData(bytes);
    }
    *stamp = hash.result();
    return true;
}

bool DbImport::stampReplaced()
{
    // What the questions are about: every page of the open database that the import may write over.
    for (Page &page : m_pages) {
        if ((page.cmp == 1 || page.cmp == 2) && m_targetPages.contains(page.planned) && !stampOf(page.planned, &page.seen))
            return readFailed(zSvr::instance().readError(), false);
    }
    return true;
}

bool DbImport::unchangedSince()
{
    // Inside the transaction: a page saved by another user or the other edit window since the
    // questions is not written over on the strength of an answer about its older state.
    zSvr &db = zSvr::instance();
    const bool heldWhole = db.connection().kind() == DbConnection::SqliteFile;
    for (int i = 0; i < m_pages.size(); ++i) {
        Page &page = m_pages[i];
        if (page.action != 2 || page.seen.isEmpty() || !m_targetPages.contains(page.planned))
            continue;
        // Held on a server until the end of the transaction (a file is held whole already): nobody
        // saves it between this look and the write.
        QByteArray now;
        if ((!heldWhole && !db.D_ExeSq(QStringLiteral("Update msDoc Set noDoc = noDoc Where noDoc=?"), {page.planned}))
            || !stampOf(page.planned, &now)) {
            m_changed.clear();
            return db.readError().isEmpty() ? false : readFailed(db.readError(), false);
        }
        // A page deleted meanwhile is written again as a new row: nothing of anybody's is lost.
        if (!now.isEmpty() && now != page.seen)
            m_changed.append({i, now});
    }
    return m_changed.isEmpty();
}

void DbImport::askChanged()
{
    // The newer-date question, as for a page that was newer when the import began; "no" keeps it.
    for (const auto &[i, now] : std::as_const(m_changed)) {
        Page &page = m_pages[i];
        const int answer = Prompt::current().message(
            ExchangeText::shortTitle(page.title) + QStringLiteral("は、ｲﾝﾎﾟｰﾄ先の日付が新しいですが、上書して良いですか"),
            Prompt::YesNo | Prompt::DefaultButton2);
        page.action = answer == Prompt::Yes ? 2 : 0;
        page.seen = now;
    }
    m_changed.clear();
}

bool DbImport::numberTaken(qint64 no)
{
    return zSvr::instance().R_GtVaL(QStringLiteral("Select Count(*) From msDoc Where noDoc=?"), {no}, 0).toInt() > 0;
}

bool DbImport::writeRows(QElapsedTimer &shown, const std::function<void(int)> &progress, bool *taken)
{
    zSvr &db = zSvr::instance();
    DbConnection &target = db.connection();
    bool ok = true;
    for (int i = 0; ok && i < m_pages.size(); ++i) {
        Page &page = m_pages[i];
        if (shown.elapsed() >= 200)
            progress(i);
        if (page.action == 0)
            continue;
        convert(page);
        const QVariant updated = ExchangeText::exactDate(target, page.updated);
        if (!m_targetPages.contains(page.planned)) {
            ok = db.D_ExeSq(QStringLiteral("Insert Into msDoc (noDoc, boUse, wkRnd, saTgs, boCod, szDoc, txDoc, obDoc, dyUdt)"
                                           " Values (?, 1, ?, ?, ?, ?, ?, ?, ?)"),
                            {page.planned, page.identity, page.writtenTags, page.listMode, page.title, page.text,
                             page.written, updated});
            *taken = !ok && numberTaken(page.planned);
            m_targetPages.insert(page.planned);
        } else {
            ok = db.D_ExeSq(QStringLiteral("Update msDoc Set boCod=?, szDoc=?, txDoc=?, obDoc=?, dyUdt=?, saTgs=?"
                                           " Where noDoc=?"),
                            {page.listMode, page.title, page.text, page.written, updated, page.writtenTags,
                             page.planned});
        }
    }
    if (ok && m_nodePage && !m_targetPages.contains(m_target)) {
        ok = db.D_ExeSq(QStringLiteral("Insert Into msDoc (noDoc, boUse, wkRnd, saTgs, boCod, szDoc, txDoc, dyUdt)"
                                       " Values (?, 1, ?, '.', 0, ?, '', ?)"),
                        {m_target, Usr::FdNewKy(), m_sourceTitle, Clock::current().now()});
        *taken = !ok && numberTaken(m_target);
    }
    for (int i = 0; ok && i < m_placements.size(); ++i) {
        const Placement &p = m_placements.at(i);
        if (p.skip)
            continue;
        const bool top = p.parent == 0;
        const QPair<qint64, qint64> pair{p.plannedParent, p.plannedChild};
        // A date the source does not hold (an older copy has none for its top placement, none
        // for dyUdt_P) leaves the date here as it is.
        QStringList columns{QStringLiteral("szDoc")};
        QVariantList values{p.title};
        if (!top) {
            columns << QStringLiteral("inSrt");
            values << p.order;
        }
        if (!p.updated.isNull()) {
            columns << QStringLiteral("dyUdt");
            values << ExchangeText::exactDate(target, p.updated);
        }
        if (!p.updatedP.isNull()) {
            columns << QStringLiteral("dyUdt_P");
            values << ExchangeText::exactDate(target, p.updatedP);
        }
        // The row is looked at as it stands now: an earlier placement of this run may have made it.
        if (!m_targetPairs.contains(pair)) {
            m_targetPairs.insert(pair);
            ok = db.D_ExeSq(QStringLiteral("Insert Into tbTree (noLfP, noLfC, ") + columns.join(QStringLiteral(", "))
                                + QStringLiteral(") Values (?, ?") + QStringLiteral(", ?").repeated(columns.size())
                                + QLatin1Char(')'),
                            QVariantList{p.plannedParent, p.plannedChild} + values);
            continue;
        }
        if (p.exists && !m_overwrite)
            continue;
        // A placement that already reads the same is not written again.
        QVariantList now{QVariant(), QVariant(), QVariant(), QVariant()};
        db.R_PAry(QStringLiteral("Select szDoc, inSrt, dyUdt, dyUdt_P From tbTree Where noLfP=? And noLfC=?"),
                  {p.plannedParent, p.plannedChild}, now);
        if (!db.readError().isEmpty()) {
            readFailed(db.readError(), false);
            ok = false;
            break;
        }
        if (now.value(0).toString() == p.title.toString() && (top || now.value(1).toInt() == p.order.toInt())
            && (p.updated.isNull() || compareDates(now.value(2), p.updated) == 0)
            && (p.updatedP.isNull() || compareDates(now.value(3), p.updatedP) == 0))
            continue;
        ok = db.D_ExeSq(QStringLiteral("Update tbTree Set ") + columns.join(QStringLiteral("=?, "))
                            + QStringLiteral("=? Where noLfP=? And noLfC=?"),
                        values + QVariantList{p.plannedParent, p.plannedChild});
    }
    return ok;
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
    // The node takes the source's title only where it was written: a new node, or the page it shows.
    const int root = m_root > 0 ? m_index.value(m_root, -1) : -1;
    const bool written = m_newNode || (root >= 0 && m_pages.at(root).action != 0);
    tree.RefreshNd(written ? m_sourceTitle : QString(), number);
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
    m_final = finalText(prefix, m_done);
    Prompt::current().message(m_final);
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
    m_busyBefore = Usr::st().busy;
    if (!db.readError().isEmpty()) {
        readFailed(db.readError(), false);
        cleanUp();
        return;
    }
    m_sourcePath = m_host.selectDbFile(false, ExchangeText::shortTitle(m_targetTitle) + QStringLiteral("←文書ﾃﾞｰﾀｰﾍﾞｰｽのｲﾝﾎﾟｰﾄ"),
                                       Usr::st().userData + QStringLiteral("Dbs"));
    if (m_sourcePath.isEmpty())
        return;
    const QString open = QFileInfo(db.sSvr).canonicalFilePath();
    if (!open.isEmpty() && QFileInfo(m_sourcePath).canonicalFilePath() == open) {
        m_error = QStringLiteral("現在の文書ﾃﾞｰﾀｰﾍﾞｰｽからはｲﾝﾎﾟｰﾄできません");
        cleanUp();
        return;
    }
    if (!readSource()) {
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
    const QString title = ExchangeText::shortTitle(m_sourceTitle);
    if (m_newNode) {
        m_question = QStringLiteral("新規ﾍﾟｰｼﾞに ") + (title.isEmpty() ? QString() : title + QStringLiteral("以降を"))
                     + QStringLiteral("ｲﾝﾎﾟｰﾄします");
    } else if (ExchangeText::usableIdentity(m_targetIdentity) && m_targetIdentity.toDouble() == m_sourceIdentity.toDouble()) {
        m_question = QStringLiteral("現在のﾍﾟｰｼﾞが、ｲﾝﾎﾟｰﾄ元の") + title + QStringLiteral("で更新されます");
    } else {
        m_question = QStringLiteral("現在のﾍﾟｰｼﾞが、ｲﾝﾎﾟｰﾄ元の") + title + QStringLiteral("に置換えられます");
        m_replace = true;
    }
    m_last = db.R_GtVaL(QStringLiteral("Select Max(noDoc) From msDoc"), 1000).toLongLong();
    m_base = m_last;
    if (!db.readError().isEmpty()) {
        readFailed(db.readError(), false);
        cleanUp();
        return;
    }
    // A new node that receives several top-level pages gets a page of its own first.
    if (m_newNode && m_root == 0) {
        m_target = ++m_last;
        m_nodePage = true;
    }
    // The new node is numbered like the page it receives: its root's number.
    const bool newNodeTakesRoot = m_newNode && m_root > 0;
    if (newNodeTakesRoot)
        m_target = 0;
    if (!matchPages() || !numbersFit()) {
        cleanUp();
        return;
    }
    if (newNodeTakesRoot)
        m_target = m_pages.at(m_index.value(m_root)).planned;
    if (!stampReplaced()) {
        cleanUp();
        return;
    }
    makeNumberMap();
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
    if (!planPlacements()) {
        cleanUp();
        return;
    }
    if (makesCycle()) {
        m_error = cycleMessage();
        cleanUp();
        return;
    }
    Usr::st().busy = true;
    // Every question is asked before the transaction begins: nobody waits on the file meanwhile.
    decideActions();
    if (keepTaggedPages() && write()) {
        refreshNode();
        m_done = true;
    }
    cleanUp();
}

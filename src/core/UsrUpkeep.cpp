#include "core/TreeWalk.h"
#include "core/Usr.h"
#include "core/zSvr.h"
#include "platform/desktop/Clock.h"
#include "platform/desktop/Prompt.h"
#include "platform/desktop/RandomSource.h"

#include <QDateTime>
#include <QHash>
#include <QSet>

#include <algorithm>

QString Usr::TsSqNow()
{
    // Four-digit years in both forms: a two-digit year reads back as 19xx from 2030 on.
    const QDateTime now = Clock::current().now();
    if (st().jet)
        return QLatin1Char('#') + now.toString(QStringLiteral("MM/dd/yyyy HH:mm:ss")) + QLatin1Char('#');
    return QLatin1String("convert(datetime,'") + now.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"))
           + QLatin1String("')");
}

double Usr::FdNewKy()
{
    // A whole 32-bit value: page identities must stay distinct across exports,
    // and 0 stands for "no identity yet", so it is never handed out.
    std::uint32_t key = 0;
    for (int tries = 0; key == 0 && tries < 16; ++tries)
        key = RandomSource::current().next32();
    return key == 0 ? 1.0 : double(key);
}

namespace {

const QString FixLnkRead = QStringLiteral(
    "Select noLfC, boLnk, noLfP, boLnk As boLnk2 From tbTree Order By noLfC, boLnk, dyUdt");

bool isPageNumber(const QString &text)
{
    bool ok = false;
    text.trimmed().toLongLong(&ok);
    return ok;
}

// New boLnk values for the rows of one page (rows first..last of `t`): exactly
// one home placement, the oldest one, or the first row when there is none.
void fixRun(const DbTable &t, int first, int last, QList<QVariant> &newValues)
{
    int home = -1;
    for (int r = first; r <= last; ++r) {
        const QVariant lnk = t.at(1, r);
        if (lnk.isNull() || lnk.toInt() != 0)
            continue;
        if (home < 0)
            home = r;
        else
            newValues[r] = 1;
    }
    if (home < 0)
        newValues[first] = 0;
}

struct PngTree
{
    QHash<qint64, QList<qint64>> children;   // parent -> children in sibling order
    QHash<qint64, int> inPng;                // own settings from tbHtm
    QHash<qint64, QVariant> boPng;           // stored flags of msDoc
};

PngTree readPngTree()
{
    PngTree tree;
    DbTable t;
    zSvr &db = zSvr::instance();
    const int placements = db.R_Ary(QStringLiteral("Select noLfP, noLfC From tbTree Order By noLfP, inSrt"), t);
    for (int r = 0; r < placements; ++r)
        tree.children[t.at(0, r).toLongLong()].append(t.at(1, r).toLongLong());
    const int settings = db.R_Ary(QStringLiteral("Select noDoc, inPng From tbHtm"), t);
    for (int r = 0; r < settings; ++r)
        tree.inPng.insert(t.at(0, r).toLongLong(), t.at(1, r).toInt());
    const int pages = db.R_Ary(QStringLiteral("Select noDoc, boPng From msDoc"), t);
    for (int r = 0; r < pages; ++r)
        tree.boPng.insert(t.at(0, r).toLongLong(), t.at(1, r));
    return tree;
}

// Walks the placements below `parent` in sibling order; a page reached under
// several parents takes the value of its last visit. A page is never entered
// again below itself, so a cyclic placement cannot make the walk endless, and
// the walk stops after as many visits as a layout of the whole tree makes at
// most, so links crossing between levels cannot make it go on for ages.
QHash<qint64, int> pngValues(const PngTree &tree, qint64 parent, int inherited)
{
    struct Frame { qint64 page; int setting; int next; };
    QHash<qint64, int> values;
    QSet<qint64> path;
    QList<Frame> stack{{parent, inherited, 0}};
    if (parent != 0)
        path.insert(parent);
    for (int visits = 0; !stack.isEmpty() && visits < TreeWalk::MaxNodes;) {
        Frame &top = stack.last();
        const QList<qint64> &kids = tree.children.value(top.page);
        if (top.next >= kids.size()) {
            path.remove(top.page);
            stack.removeLast();
            continue;
        }
        const qint64 child = kids.at(top.next++);
        if (path.contains(child))
            continue;
        int setting = tree.inPng.value(child, 0);
        if (setting == 0)
            setting = top.setting;
        values[child] = setting == 2 ? 1 : 0;
        ++visits;
        path.insert(child);
        stack.append({child, setting, 0});
    }
    return values;
}

// Statements that give every page exactly one home placement; false when the
// placements could not all be read (a page's other placements may be unread).
bool fixStatements(QStringList &statements)
{
    DbTable t;
    const int rows = zSvr::instance().R_Ary(FixLnkRead, t);
    if (!zSvr::instance().readError().isEmpty())
        return false;
    QList<QVariant> newValues;
    // A placement without a mark counts as a link until it is chosen as home.
    for (int r = 0; r < rows; ++r)
        newValues.append(t.at(1, r).isNull() ? QVariant(1) : t.at(1, r));
    for (int first = 0; first < rows;) {
        int last = first;
        while (last + 1 < rows && t.at(0, last + 1) == t.at(0, first))
            ++last;
        fixRun(t, first, last, newValues);
        first = last + 1;
    }
    for (int r = 0; r < rows; ++r) {
        if (!t.at(1, r).isNull() && newValues[r].toInt() == t.at(1, r).toInt())
            continue;
        QString sql = QStringLiteral("Update tbTree Set boLnk=? Where noLfP=? And noLfC=?");
        zSvr::T_CnvSq(sql, {newValues[r].toInt(), t.at(2, r), t.at(0, r)});
        statements << sql;
    }
    return true;
}

// Statements that bring msDoc.boPng below `parent` up to date.
QStringList pngStatements(qint64 parent, int inherited)
{
    const PngTree tree = readPngTree();
    const QHash<qint64, int> values = pngValues(tree, parent, inherited);
    QList<qint64> changed;
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        const auto stored = tree.boPng.constFind(it.key());
        if (stored != tree.boPng.cend() && (stored->isNull() || stored->toInt() != it.value()))
            changed.append(it.key());
    }
    std::sort(changed.begin(), changed.end());
    QStringList statements;
    for (qint64 page : changed)
        statements << QStringLiteral("Update msDoc Set boPng=%1 Where noDoc=%2").arg(values.value(page)).arg(page);
    return statements;
}

// Runs the statements together: a read-only database is told once, not once
// per row, and the rows are written in one transaction unless the caller
// already runs one. False when any of them was not written.
bool writeAll(const QStringList &statements)
{
    zSvr &db = zSvr::instance();
    if (statements.isEmpty())
        return true;
    if (db.DbRead())
        return false;
    const bool own = db.D_Tran(0);
    // The file held by another program past the wait: each row would wait as long again.
    if (!own && db.heldElsewhere())
        return false;
    bool ok = true;
    for (const QString &sql : statements)
        ok = db.D_ExeSq(sql) && ok;
    if (own)
        ok = db.D_Tran(1) && ok;
    return ok;
}

} // namespace

bool Usr::D_FixLnk(bool propagate)
{
    QStringList statements;
    if (!fixStatements(statements))
        return false;
    if (propagate) {
        zSvr &db = zSvr::instance();
        QVariantList top{QVariant()};
        if (db.R_PAry(QStringLiteral("Select Top 1 noLfC From tbTree Where noLfP=0 Order By inSrt"), top)) {
            const int setting = db.R_GtVaL(QStringLiteral("Select inPng From tbHtm Where noDoc=")
                                               + QString::number(top.value(0).toLongLong()),
                                           0).toInt();
            statements += pngStatements(0, setting);
        }
    }
    return writeAll(statements);
}

void Usr::D_SetPng(const QString &parent, int inherited)
{
    if (isPageNumber(parent))
        writeAll(pngStatements(parent.trimmed().toLongLong(), inherited));
}

bool Usr::FbChkPub(int mode)
{
    zSvr &db = zSvr::instance();
    if (db.sSvr.isEmpty())
        return false;
    const QString holder = db.R_GtVaL(QStringLiteral("Select HsPub From kaUsr"), QString()).toString();
    const QString pc = st().pcName;
    const bool holds = holder.isEmpty() || holder == pc;
    if (mode != 0 && !holds) {
        const QString text = mode == 1 ? QStringLiteral("Webへの出力できるPC(ﾊﾞﾌﾞﾘｯｼｭ権限)は ")
                                       : QStringLiteral("PCのﾌｧｲﾙへのﾘﾝｸをｾｯﾄできるPC(ﾊﾞﾌﾞﾘｯｼｭ権限)は ");
        Prompt::current().message(text + holder + QStringLiteral(" です"));
    }
    // A nameless computer cannot hold the right for itself: claiming would change nothing.
    if (mode == 1 && holder.isEmpty() && !pc.isEmpty())
        db.D_ExeSq(QStringLiteral("Update kaUsr Set HsPub='?'"), QVariantList{pc});
    return holds;
}

bool Usr::D_SetTrDy(const QString &parent, const QString &child, bool publication)
{
    // Only page numbers may stand in the statement.
    if (!isPageNumber(parent) || !isPageNumber(child))
        return false;
    QString sql = QStringLiteral(" Update tbTree Set ? = ? Where noLfP = ? And noLfC = ? ");
    zSvr::T_CnvSq(sql, {publication ? QStringLiteral("dyPub") : QStringLiteral("dyUdt"), TsSqNow(),
                        parent.trimmed(), child.trimmed()});
    return zSvr::instance().D_ExeSq(sql);
}

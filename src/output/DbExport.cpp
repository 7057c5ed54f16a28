#include "output/DbExport.h"

#include "core/DbTarget.h"
#include "core/Frmt.h"
#include "core/Usr.h"
#include "core/sbWait.h"
#include "core/zClt.h"
#include "core/zSvr.h"
#include "editor/EditorServices.h"
#include "editor/uTxm.h"
#include "output/ExchangeHost.h"
#include "output/ExchangeText.h"
#include "output/ExportLinks.h"
#include "output/sbExpDb.h"
#include "output/word/OutputRange.h"
#include "platform/db/DbConnection.h"
#include "platform/db/DbFiles.h"
#include "platform/db/Recordset.h"
#include "platform/desktop/Prompt.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/RichTextEdit.h"
#include "publish/converter/yHtm.h"
#include "publish/converter/yHtmBridge.h"
#include "tree/uTrX.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>

DbExport::DbExport(ExchangeHost &host) : m_host(host) {}

QString DbExport::confirmText(const QString &nodeText)
{
    return QStringLiteral("｢") + ExchangeText::shortTitle(nodeText) + QStringLiteral("｣ 以降のﾍﾟｰｼﾞを独立した文書ﾃﾞｰﾀｰﾍﾞｰｽにｴｸｽﾎﾟｰﾄします");
}

QString DbExport::resultText(const QString &target, bool ok)
{
    return target + QStringLiteral("へｴｸｽﾎﾟｰﾄ") + (ok ? QStringLiteral("しました") : QStringLiteral("できませんでした"));
}

QString DbExport::leftOutText(const LeftOut &leftOut)
{
    const auto numbers = [](const QList<qint64> &pages) {
        constexpr int Shown = 10;
        QStringList list;
        for (int i = 0; i < qMin(Shown, int(pages.size())); ++i)
            list << QString::number(pages.at(i));
        return list.join(QStringLiteral(", ")) + (pages.size() > Shown ? QStringLiteral(" …") : QString());
    };
    QString text;
    if (!leftOut.unread.isEmpty())
        text += QStringLiteral("\n読み込めなかったﾍﾟｰｼﾞ %1 件 (%2) は出力していません")
                    .arg(leftOut.unread.size())
                    .arg(numbers(leftOut.unread));
    if (!leftOut.below.isEmpty())
        text += QStringLiteral("\nその下にだけあるﾍﾟｰｼﾞ %1 件 (%2) も出力していません")
                    .arg(leftOut.below.size())
                    .arg(numbers(leftOut.below));
    if (leftOut.placements > 0)
        text += QStringLiteral("\nそれらの配置 %1 件は出力していません").arg(leftOut.placements);
    return text;
}

bool DbExport::FillWkRnd(QString *error)
{
    zSvr &db = zSvr::instance();
    // A read-only database keeps its pages as they are; the copy then carries what it has.
    if (!db.isOpen() || db.connection().readOnly())
        return true;
    Recordset rs;
    if (!db.R_Rset(QStringLiteral("Select noDoc, wkRnd From msDoc Where (wkRnd=0) or (wkRnd is Null)"), rs, 1)) {
        if (error)
            *error = rs.lastError();
        return false;
    }
    // Pages made here have their identity: mostly nothing is written, and nobody's lock waited for.
    if (rs.eof())
        return true;
    // One transaction for all rows; the wait for another user who is writing is shown.
    sbWait::cMsg(QString());
    const bool began = db.D_Tran(0);
    bool ok = began;
    for (; ok && !rs.eof(); rs.moveNext())
        ok = rs.setValue(QStringLiteral("wkRnd"), Usr::FdNewKy()) && rs.update();
    ok = ok && db.D_Tran(1);
    if (!ok) {
        if (error)
            *error = rs.lastError().isEmpty() ? db.connection().lastError() : rs.lastError();
        if (began)
            db.D_Tran(2);
    }
    rs.close();
    sbWait::cEnd();
    return ok;
}

bool DbExport::CollectSubtree(qint64 page, int range, QList<qint64> &pages, QList<Pair> &pairs, QString *error)
{
    QSet<qint64> listed(pages.cbegin(), pages.cend());
    listed.insert(page);
    // The walk of the recursive description, with its own stack: a page's
    // children are all listed before the walk goes down into the first of them.
    struct Level {
        QList<qint64> todo;
        int next = 0;
    };
    QList<Level> stack;
    QString failed;
    auto visit = [&](qint64 parent) {
        DbTable children;
        zSvr &db = zSvr::instance();
        const int count =
            db.R_Ary(QStringLiteral(" Select noLfC From tbTree Where noLfP = ? Order By inSrt"), {parent}, children);
        if (failed.isEmpty())
            failed = db.readError();
        Level level;
        for (int r = 0; r < count; ++r) {
            const qint64 child = children.at(0, r).toLongLong();
            pairs.append({parent, child});
            if (!listed.contains(child)) {
                listed.insert(child);
                pages.append(child);
                level.todo.append(child);
            }
        }
        if (range != 1)
            stack.append(level);
    };
    visit(page);
    while (!stack.isEmpty() && failed.isEmpty()) {
        Level &top = stack.last();
        if (top.next >= top.todo.size()) {
            stack.removeLast();
            continue;
        }
        visit(top.todo.at(top.next++));
    }
    if (error)
        *error = failed;
    return failed.isEmpty();
}

bool DbExport::copyTemplate(const QString &templatePath, const QString &target, const QString &written)
{
    // The old target stays as it is until the new one is whole: it is replaced in one rename.
    if (QFileInfo::exists(target)
        && Prompt::current().message(QStringLiteral("同名ﾌｧｲﾙがあります 削除して良いですか"), Prompt::OkCancel)
               != Prompt::Ok)
        return false;
    // Another program may have opened it while the question was open.
    const QString refusal = DbTarget::refusal(target, QStringLiteral("ｴｸｽﾎﾟｰﾄ先"));
    if (!refusal.isEmpty()) {
        Prompt::current().message(refusal);
        return false;
    }
    // The template may be the open database: its file is then copied by SQLite, since reading it
    // through a file of our own would, on closing that file, drop the connection's locks on it.
    zSvr &db = zSvr::instance();
    const QString open = db.isOpen() ? QFileInfo(db.sSvr).canonicalFilePath() : QString();
    const bool copied = !open.isEmpty() && open == QFileInfo(templatePath).canonicalFilePath()
                            ? DbFiles::copy(db.connection(), written)
                            : DbFiles::copy(templatePath, written);
    if (copied)
        return true;
    // A refused copy (a read-only folder, a full disk) is said, not passed over.
    Prompt::current().message(resultText(target, false));
    return false;
}

QString DbExport::checkWhole()
{
    // A large file takes a moment to look through: the window says why it waits.
    constexpr qint64 Large = 8 * 1024 * 1024;
    zSvr &db = zSvr::instance();
    const bool large = QFileInfo(db.sSvr).size() > Large;
    if (large)
        sbWait::cMsg(QString());
    const QString damage = DbFiles::damage(db.connection());
    if (large)
        sbWait::cEnd();
    return damage;
}

void DbExport::ExportDb()
{
    // A database that cannot give every page an identity (another user writing) still
    // gives up the parts whose pages have one: a page without one ends the export below.
    m_identityError.clear();
    // A damaged database would give up garbage for pages, and is not written to: it is looked
    // through first, and refused once the target is known.
    const QString damage = checkWhole();
    if (damage.isEmpty())
        FillWkRnd(&m_identityError);
    QString readError;
    Frmt::LoadHome(false);
    int iRet = 0;
    int &range = m_host.rangeChoice();
    sbExpDb::Act(m_host.hostWindow(), iRet, range);
    if (iRet == 0)
        return;
    // The child links of a range-1 copy are named as the HTML output names its pages.
    if (range == 1) {
        yHtmBridge::install();
        yHtm::instance().SetKaHtm(false);
    }
    uTrX &tree = m_host.hostTree();
    tree.trSort();
    QString nodeText;
    tree.GetNodeText(nodeText);
    if (Prompt::current().message(confirmText(nodeText), Prompt::OkCancel) != Prompt::Ok)
        return;
    const int remembered = m_host.currentPageNo();
    tree.ChkSlcNd();
    QString parentNo, pageNo;
    bool link = false;
    tree.GetPrCdNo(parentNo, pageNo, link);
    bool numeric = false;
    const qint64 page = pageNo.toLongLong(&numeric);
    // An unsaved new node has no pages below it yet.
    if (!numeric || page <= 0)
        return;
    zSvr &db = zSvr::instance();
    const QString title = db.R_GtVaL(QStringLiteral("Select szDoc From msDoc Where noDoc=?"), {page}, QString()).toString();
    const QString templatePath = Usr::st().userData + QStringLiteral("Dbs/Moto.txdb");
    if (!zClt::instance().FbExFile(templatePath)) {
        Prompt::current().message(templatePath + QStringLiteral(" が見つかりません"));
        return;
    }
    // A title may hold characters that a file name, or the file dialog, cannot take.
    const QString fileTitle = ExchangeText::fileName(title, QString::number(page));
    const QString target = m_host.selectDbFile(true, QStringLiteral("文書ﾃﾞｰﾀｰﾍﾞｰｽのｴｸｽﾎﾟｰﾄ"),
                                               Usr::st().userData + QStringLiteral("Dbs/") + fileTitle
                                                   + QStringLiteral(".txdb"));
    if (target.isEmpty())
        return;
    // The open database, the template and a database another program has open are never replaced.
    const QString refusal = DbTarget::refusal(target, QStringLiteral("ｴｸｽﾎﾟｰﾄ先"));
    if (!refusal.isEmpty()) {
        Prompt::current().message(refusal);
        return;
    }
    if (!damage.isEmpty()) {
        Prompt::current().message(resultText(target, false) + QLatin1Char('\n') + ExchangeText::readFailure(db.sSvr, damage));
        return;
    }
    // The copy is made under another name and takes the target's place only when it is whole.
    const QString written = DbFiles::partialName(target);
    if (!copyTemplate(templatePath, target, written))
        return;
    QList<qint64> pages{page};
    QList<Pair> pairs;
    LeftOut leftOut;
    sbWait::cMsg(QString());
    // The placements and pages are read in one state of the database, whatever other users write
    // meanwhile: the file holds a tree that stood at one moment, every placement with its page.
    const bool reading = db.connection().beginRead();
    if (!reading)
        readError = db.connection().lastError();
    bool ok = reading && CollectSubtree(page, range, pages, pairs, &readError);
    // The copy's top placement keeps the date of the placement it comes from.
    const QVariant topDate = ok ? db.R_GtVaL(QStringLiteral("Select dyUdt From tbTree Where noLfP=? And noLfC=?"),
                                             {parentNo.toLongLong(), page}, QVariant())
                                : QVariant();
    ok = ok && ExportRows(nodeText, written, pages, pairs, range, &leftOut, &readError, topDate);
    if (reading)
        db.connection().transaction(2);
    QString inUse;
    if (ok) {
        inUse = DbTarget::refusal(target, QStringLiteral("ｴｸｽﾎﾟｰﾄ先"));
        ok = inUse.isEmpty() && DbFiles::replace(written, target);
    }
    DbFiles::remove(written);
    sbWait::cEnd();
    m_host.showPage(remembered);
    QString text = resultText(target, ok) + leftOutText(leftOut);
    if (!readError.isEmpty())
        text += QLatin1Char('\n') + ExchangeText::readFailure(db.sSvr, readError);
    if (!inUse.isEmpty())
        text += QLatin1Char('\n') + inUse;
    Prompt::current().message(text);
}

QByteArray DbExport::convertPage(RichTextEdit &edit, const QByteArray &bytes, qint64 page, bool childLinks,
                                 QString &tags)
{
    EditorServices &services = m_host.hostEditor().services();
    edit.clearText();
    if (!services.loadBytes(edit, bytes, 9, false))
        return bytes; // unreadable bytes travel as they are
    uTxm::txCnvLnk(edit, false, &tags);
    if (childLinks)
        uTxm::txAddLnk(edit, int(page));
    const QByteArray converted = services.saveBytes(edit, 9);
    return converted.isEmpty() ? bytes : converted;
}

bool DbExport::ExportRows(const QString &nodeText, const QString &target, const QList<qint64> &pages,
                          const QList<Pair> &pairs, int range, LeftOut *leftOut, QString *error,
                          const QVariant &topDate)
{
    LeftOut unused;
    LeftOut &out = leftOut ? *leftOut : unused;
    out = LeftOut();
    QString failed;
    zSvr &db = zSvr::instance();
    DbConnection copy;
    if (!copy.openSqlite(target) || copy.readOnly())
        return false;
    copy.setDatePrefix(QStringLiteral("dy"));
    PageDocument scratch(PageDocument::WithoutLayout);
    RichTextEdit edit(&scratch);
    FrmtState &home = Frmt::st();
    auto run = [&copy](const QString &sql, const QVariantList &values = {}) {
        return copy.exec(sql, values, !values.isEmpty());
    };
    bool ok = copy.transaction(0) && run(QStringLiteral("Delete From msDoc")) && run(QStringLiteral("Delete From msDic"))
              && run(QStringLiteral("Delete From tbTree"));
    // The formats are user text (font names): bound, never pasted into the statement.
    const QString formats = db.R_GtVaL(QStringLiteral("Select DmFmt From kaUsr"), QString()).toString();
    failed = db.readError();
    ok = ok && failed.isEmpty() && run(QStringLiteral("Update kaUsr Set DmFmt=?"), {formats});
    // The pages that have a row, and of them the ones that the placements reach from the selected
    // page through pages that have one: a placement never names a page the file does not hold.
    QSet<qint64> kept;
    if (ok) {
        const QHash<qint64, QVariantList> present = OutputRange::readPages(pages, QStringLiteral("noDoc"), &failed);
        ok = failed.isEmpty();
        QHash<qint64, QList<qint64>> children;
        for (const Pair &pair : pairs)
            children[pair.first].append(pair.second);
        QList<qint64> open;
        if (present.contains(pages.value(0))) {
            kept.insert(pages.value(0));
            open.append(pages.value(0));
        }
        while (!open.isEmpty()) {
            for (qint64 child : children.value(open.takeLast())) {
                if (present.contains(child) && !kept.contains(child)) {
                    kept.insert(child);
                    open.append(child);
                }
            }
        }
        for (qint64 p : pages) {
            if (!present.contains(p))
                out.unread.append(p);
            else if (!kept.contains(p))
                out.below.append(p);
        }
        // Without the selected page there is nothing to export.
        ok = ok && kept.contains(pages.value(0));
    }
    // The tags to the pages of the file stay tags.
    home.outputSet = QStringLiteral(".");
    for (qint64 p : pages) {
        if (kept.contains(p))
            home.outputSet += QString::number(p) + QLatin1Char('.');
    }
    // The rows are read a few hundred pages at a time, not with one statement per page.
    constexpr int PerRead = 200;
    QHash<qint64, QVariantList> rows;
    for (int i = 0; ok && i < pages.size(); ++i) {
        const qint64 n = pages.at(i);
        if (i % PerRead == 0) {
            rows = OutputRange::readPages(pages.mid(i, PerRead),
                                          QStringLiteral("noDoc, boUse, boCod, szDoc, txDoc, obDoc, saTgs, dyUdt, wkRnd"),
                                          &failed);
            // Rows cut short by a read error would pass for pages without a row.
            if (!failed.isEmpty()) {
                ok = false;
                break;
            }
        }
        if (!kept.contains(n))
            continue;
        const auto found = rows.constFind(n);
        if (found == rows.cend()) {
            // Gone since it was counted (a read outside one state): left out all the same.
            kept.remove(n);
            out.unread.append(n);
            continue;
        }
        const QVariantList &row = *found;
        // Without its identity a page could not be brought back over itself.
        if (!m_identityError.isEmpty() && !ExchangeText::usableIdentity(row.value(8))) {
            failed = m_identityError;
            ok = false;
            break;
        }
        QVariant document = row.value(5);
        QVariant tags = row.value(6);
        const bool childLinks = i >= 1 && range == 1 && home.homeKind != 0;
        const QByteArray bytes = document.toByteArray();
        if (!document.isNull() && (childLinks || ExportLinks::mayHoldTags(bytes))) {
            QString list = QStringLiteral(".");
            document = convertPage(edit, bytes, n, childLinks, list);
            tags = list;
        } else if (!document.isNull()) {
            tags = QStringLiteral(".");
        }
        ok = run(QStringLiteral("Insert Into msDoc (noDoc, boUse, boCod, szDoc, txDoc, obDoc, saTgs, dyUdt, wkRnd)"
                                " Values (?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                 {n, row.value(1), row.value(2), row.value(3), row.value(4), document, tags,
                  ExchangeText::exactDate(copy, row.value(7)), row.value(8)});
    }
    DbTable dictionary;
    const int words = ok ? db.R_Ary(QStringLiteral("Select skDic, szDic From  msDic"), dictionary) : 0;
    if (ok && !db.readError().isEmpty()) {
        failed = db.readError();
        ok = false;
    }
    for (int r = 0; ok && r < words; ++r)
        ok = run(QStringLiteral("Insert Into msDic (skDic, szDic) Values (?, ?)"), {dictionary.at(0, r), dictionary.at(1, r)});
    ok = ok
         && run(QStringLiteral("Insert Into tbTree (noLfP, noLfC, inSrt, szDoc, boUse, boLnk, dyUdt)"
                               " Values (0, ?, 0, ?, 1, 0, ?)"),
                {pages.value(0), nodeText, ExchangeText::exactDate(copy, topDate)});
    for (int i = 0; ok && i < pairs.size(); ++i) {
        const Pair &pair = pairs.at(i);
        if (!kept.contains(pair.first) || !kept.contains(pair.second)) {
            ++out.placements;
            continue;
        }
        QVariantList placement;
        const bool found =
            db.R_PAry(QStringLiteral(" Select szDoc, inSrt, boUse, boLnk, dyUdt From tbTree Where noLfP = ? And noLfC = ? "),
                      {pair.first, pair.second}, placement);
        if (!db.readError().isEmpty()) {
            failed = db.readError();
            ok = false;
            break;
        }
        // A placement that has gone is left out, never written with empty values.
        if (!found || placement.size() < 5) {
            ++out.placements;
            continue;
        }
        ok = run(QStringLiteral("Insert Into tbTree (noLfP, noLfC, szDoc, inSrt, boUse, boLnk, dyUdt, boHide, boHogo)"
                                " Values (?, ?, ?, ?, ?, ?, ?, 0, 0)"),
                 {pair.first, pair.second, placement.value(0), placement.value(1), placement.value(2),
                  placement.value(3), ExchangeText::exactDate(copy, placement.value(4))});
    }
    ok = ok && copy.transaction(1);
    if (error)
        *error = failed;
    if (!ok) {
        copy.transaction(2);
        copy.close();
        // Nothing half-written stays behind: the copy goes.
        DbFiles::remove(target);
        return false;
    }
    copy.close();
    return true;
}

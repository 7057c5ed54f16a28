// Maintenance: removal of pages the tree cannot reach, compaction of the file,
// the backup options and the file association.
#include "mainwin/fmDoc.h"

#include "core/sbWait.h"
#include "core/zSvr.h"
#include "editor/uTxm.h"
#include "mainwin/sbSave.h"
#include "platform/db/DbConnection.h"
#include "platform/db/DbFiles.h"
#include "platform/db/DbTable.h"
#include "platform/desktop/Prompt.h"
#include "tree/uTrX.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QSet>

namespace {

QString fullWidthDigits(int n)
{
    QString text = QString::number(n);
    for (QChar &c : text) {
        if (c.isDigit())
            c = QChar(0xFF10 + c.digitValue());
    }
    return text;
}

} // namespace

void fmDoc::cleanUpCommand()
{
    if (sDbPath.isEmpty() || !closeSecondWindow() || !leaveCurrentPage() || !keepLostFile())
        return;
    Usr::D_FixLnk(false);
    const int answer = Prompt::current().message(QStringLiteral("ﾂﾘ-で参照されていないﾍﾟｰｼﾞを削除しますか?"),
                                                 Prompt::YesNoCancel | Prompt::Question);
    if (answer != Prompt::Yes && answer != Prompt::No)
        return;
    sbWait::cMsg(QStringLiteral("ﾃﾞｰﾀｰﾍﾞｰｽを最適化しています"));
    // The command waits for another program's write once, as long as one statement would: what the
    // tree's order, the clean-up or the compaction waited, the steps after it do not wait again.
    const zSvr::OneWait once;
    // The tree's pending order first: it belongs to the tree the clean-up walks.
    m_tree->trSort();
    int deleted = 0;
    QString message = answer == Prompt::Yes ? CleanUnused(&deleted) : QString();
    const QString keep = m_tree->sGetLeaf();
    compactFile(bDbS, message, deleted > 0);
    // The result is read in full: the wait window would cover its lines.
    sbWait::cEnd();
    if (!message.isEmpty())
        Prompt::current().message(message);
    if (zSvr::instance().isOpen()) {
        m_tree->ClearItem();
        m_tree->SetNodes(QStringLiteral("0"));
        SetPageNo(0);
        m_editor->rtAct(2);
        Usr::st().busy = false;
        if (!keep.isEmpty())
            m_tree->SetLeaf(keep);
        if (nDocNo == 0)
            m_tree->RootSelect();
    } else {
        sDbPath.clear();
        m_tree->ClearItem();
        SetPageNo(0);
        SetMenuByDb(false);
        updateCaption();
    }
}

QString fmDoc::CleanUnused(int *deleted)
{
    zSvr &db = zSvr::instance();
    // Said with its reason where the database gave one.
    const auto failed = [this, &db] {
        const QString why = db.writeFailureText(sDbPath);
        return QStringLiteral("参照されていない文書を削除できませんでした") + (why.isEmpty() ? QString() : u'\n' + why);
    };
    if (db.DbRead())
        return QString();
    if (!db.D_Tran(0))
        return failed();
    QString visited = QStringLiteral(".");
    // A placement or page written by another user once the walk has begun would keep its mark 0 and
    // be deleted: writers wait until this transaction ends, and the ones under way are waited for.
    // A walk that stops half-way would leave reachable placements unmarked, and they would be deleted.
    bool ok = db.connection().holdTables({QStringLiteral("msDoc"), QStringLiteral("tbTree"), QStringLiteral("tbHtm")})
              && db.D_ExeSq(QStringLiteral("Update tbTree Set boUse=0")) && MarkReachable(0, visited);
    ok = ok && db.D_ExeSq(QStringLiteral("Delete From tbTree Where boUse=0"))
         && db.D_ExeSq(QStringLiteral("Update msDoc Set boUse=0"))
         && db.D_ExeSq(QStringLiteral(" Update msDoc Set boUse=1 Where noDoc in ( Select noLfC From tbTree )"));
    DbTable unused;
    const int count = ok ? db.R_Ary(QStringLiteral("Select noDoc From msDoc Where boUse=0 "), unused) : 0;
    ok = ok && db.readError().isEmpty();
    if (ok && count > 0)
        ok = db.D_ExeSq(QStringLiteral(" Delete From msDoc Where boUse=0"))
             && db.D_ExeSq(QStringLiteral(" Delete From tbHtm Where noDoc Not in (Select noDoc From msDoc)"));
    if (!ok) {
        const QString refused = failed();
        db.D_Tran(2);
        return refused;
    }
    if (!db.D_Tran(1))
        return failed();
    if (deleted)
        *deleted = count;
    if (count == 0)
        return QStringLiteral("参照されていない文書はありませんでした");
    QString message = fullWidthDigits(count) + QStringLiteral("件 削除しました");
    // The pages deleted are still to be had as the Word copies their saves left, where this
    // computer's saves left any: another user's saves left theirs on that user's computer.
    const QString folder = uTxm::wordCopyFolder();
    for (int r = 0; r < count; ++r) {
        if (QFileInfo::exists(uTxm::wordCopyOf(unused.at(0, r).toLongLong())))
            return message + u'\n' + folder + QStringLiteral(" にﾜｰﾄﾞ文書でBackUpしました");
    }
    return message;
}

bool fmDoc::MarkReachable(qint64 parent, QString &visited)
{
    // The pages still to visit are held in a list, not in nested calls: a database from elsewhere may
    // hold a chain of pages many thousands deep, and a walk that stopped half-way would leave
    // reachable placements unmarked for the delete.
    QSet<qint64> seen;
    for (const QString &entry : visited.split(QLatin1Char('.'), Qt::SkipEmptyParts))
        seen.insert(entry.toLongLong());
    QList<qint64> open{parent};
    zSvr &db = zSvr::instance();
    for (qsizetype i = 0; i < open.size(); ++i) {
        const qint64 page = open.at(i);
        if (seen.contains(page))
            continue;
        seen.insert(page);
        visited += QStringLiteral("%1.").arg(page);
        if (!db.D_ExeSq(QStringLiteral(" Update tbTree Set boUse=1 Where noLfP=?"), {page}))
            return false;
        DbTable children;
        // A failed read leaves no columns; an empty result still names its one.
        if (db.R_Ary(QStringLiteral("Select noLfC From tbTree Where noLfP=? Order By inSrt"), {page}, children) == 0
            && children.columnCount() == 0)
            return false;
        for (int r = 0; r < children.rowCount(); ++r)
            open.append(children.at(0, r).toLongLong());
    }
    return true;
}

// Compaction rewrites the file in place, as one write transaction of SQLite's: other programs' writes
// wait for it, whoever has the file open goes on in the compacted one, and a failure leaves the file
// as it was. It is never replaced by another file: a program that opened the old one a moment before
// would go on in it, write into it and take the new file's journal for its own. With `keepCopy` a
// copy of the compacted database is left as "<name>$$$.<ext>".
bool fmDoc::CompactDb(bool keepCopy, QString message)
{
    const bool ok = compactFile(keepCopy, message);
    if (!message.isEmpty())
        Prompt::current().message(message);
    return ok;
}

bool fmDoc::compactFile(bool keepCopy, QString &message, bool pagesDeleted)
{
    zSvr &db = zSvr::instance();
    if (!db.isOpen() || db.DbRead() || !Usr::st().jet)
        return false;
    if (!message.isEmpty())
        message += QLatin1Char('\n');
    const QString path = sDbPath;
    const int dot = path.lastIndexOf(QLatin1Char('.'));
    const QString kept = dot > path.lastIndexOf(QLatin1Char('/')) ? path.left(dot) + QStringLiteral("$$$") + path.mid(dot)
                                                                   : path + QStringLiteral("$$$");
    // The file taken away under the program is not compacted: nobody would find the result.
    if (!db.fileInPlace()) {
        message += path + QStringLiteral("の最適化に失敗しました");
        return false;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool ok = db.D_ExeAlone(QStringLiteral("VACUUM"));
    // Another program's write that outlasted the wait, or no room on the disk for the compacted file.
    const QString why = ok ? QString() : db.writeFailureText(path);
    // The close puts the compacted pages into the file itself, which shrinks then.
    db.D_Close();
    QFile::remove(kept);
    // The copy is a convenience beside the database: without it the compaction still stands.
    if (ok && keepCopy && !DbFiles::copy(path, kept))
        QFile::remove(kept);
    QApplication::restoreOverrideCursor();
    db.D_StDcDb(path);
    // A reason the clean-up gave already is not said twice.
    const bool said = !why.isEmpty() && message.contains(why);
    message += path + (ok ? QStringLiteral("の最適化をしました") : QStringLiteral("の最適化に失敗しました"));
    if (!why.isEmpty() && !said)
        message += QLatin1Char('\n') + why;
    // Read after a deletion, "failed" alone would say that nothing was done.
    if (!ok && pagesDeleted)
        message += QStringLiteral("\nﾍﾟｰｼﾞの削除は済んでいます｡ﾌｧｲﾙの最適化だけを行っていません");
    else if (!why.isEmpty())
        message += QStringLiteral("\nﾍﾟｰｼﾞはそのまま残っています");
    return ok;
}

void fmDoc::optionsCommand()
{
    sbSave dialog(this);
    dialog.Act(bDcS, bDbS, iAsv);
    m_editor->rtAct(87, bDcS);
    ChkAutoSave(true);
}

void fmDoc::associateCommand()
{
    const QString program = QApplication::applicationFilePath();
    if (Usr::W_SetExt(QStringLiteral("txdbfile"), program, QStringLiteral("txdb")))
        Prompt::current().message(QStringLiteral("拡張子(*.txdb)を ") + program + QStringLiteral(" と関連付けしました"));
}

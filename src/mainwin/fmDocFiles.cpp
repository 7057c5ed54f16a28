// Database files: open, close, save as, new from the template, recent files, exit.
#include "mainwin/fmDoc.h"

#include "core/DbTarget.h"
#include "core/Frmt.h"
#include "core/zSvr.h"
#include "editor/uTxm.h"
#include "mainwin/BusyScope.h"
#include "mainwin/uFky.h"
#include "platform/db/DbConnection.h"
#include "platform/db/DbFiles.h"
#include "platform/desktop/Prompt.h"
#include "tree/uTrX.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QScopedValueRollback>
#include <QTimer>

namespace {

const QString DbFilter = QStringLiteral("文書ﾃﾞｰﾀｰﾍﾞｰｽ (*.txdb);;ｱｸｾｽﾃﾞｰﾀｰﾍﾞｰｽ (*.mdb)");

QString overwriteQuestion(const QString &path)
{
    return path + QStringLiteral("\rに空のﾃﾞｰﾀｰﾍﾞｰｽを上書きしますが\r             よろしいですか ?");
}

// Says why `target` cannot take the new database; false then.
bool refuseTarget(const QString &target, const QString &role)
{
    const QString refusal = DbTarget::refusal(target, role);
    if (!refusal.isEmpty())
        Prompt::current().message(refusal);
    return !refusal.isEmpty();
}

} // namespace

QString fmDoc::OpenDb(QString path)
{
    path = path.trimmed();
    if (path.isEmpty())
        path = SelectDbFile(false, QStringLiteral("文書ﾃﾞｰﾀｰﾍﾞｰｽを開く"), QString());
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return QString();
    if (path == Usr::st().userData + QStringLiteral("Dbs/Moto.txdb")
        && Prompt::current().message(path + QStringLiteral("は新規ﾃﾞｰﾀｰﾍﾞｰｽの雛形です\r\r既定値を変更する以外の目的では開かないで下さい\rこの文書DBを開きますか"),
                                     Prompt::OkCancel) != Prompt::Ok)
        return path;
    // The page being edited belongs to the old database: it is saved or dropped there, by the user's word.
    if (!closeSecondWindow() || !leaveCurrentPage() || !letGoLostFile())
        return path;
    BusyScope busy;
    // Pending sibling order belongs to the old database and goes there, never into the new one.
    if (zSvr::instance().isOpen())
        m_tree->trSort();
    m_tree->ClearItem();
    sDbPath = path;
    // The old database's page and its number go with it, before a server asks for the password.
    SetPageNo(0);
    m_editor->setBDcEdt(false);
    m_editor->rtAct(2);
    ShowStatus(QString(), 0);
    bool ok = zSvr::instance().D_StDcDb(path);
    const bool connected = ok;
    if (ok)
        ok = ChkDbFormat();
    if (ok) {
        // Said once it is so; the page the tree selects next puts its number in its place.
        ShowStatus(path + QStringLiteral("をｵ-ﾌﾟﾝしました"), 0);
        SetRecentList();
        m_tree->ClearItem();
        m_tree->SetNodes(QStringLiteral("0"));
        m_tree->SetFrame(1);
        Usr::st().busy = false;
        const bool any = m_tree->RootSelect();
        Usr::st().busy = true;
        SetTreeMenuMode(any);
    } else {
        if (connected)
            zSvr::instance().D_Close();
        sDbPath.clear();
        m_tree->ClearItem();
        ShowStatus(path + QStringLiteral("を開けませんでした"), 4);
        // The format check has told the user already.
        const QString why = connected ? QString() : zSvr::instance().openFailureText(path);
        if (!why.isEmpty())
            Prompt::current().message(why, Prompt::Exclamation);
    }
    SetMenuByDb(ok);
    updateCaption();
    return ok ? path : QString();
}

void fmDoc::CloseDb()
{
    if (!closeSecondWindow() || !leaveCurrentPage() || !letGoLostFile())
        return;
    BusyScope busy;
    m_tree->trSort();
    SetPageNo(0);
    sDbPath.clear();
    zSvr::instance().D_Close();
    m_editor->setBDcEdt(false);
    m_editor->rtAct(2);
    m_tree->ClearItem();
    // The number of the page that was shown belongs to the closed database.
    ShowStatus(QString(), 0);
    SetMenuByDb(false);
    updateCaption();
}

void fmDoc::SaveDbAs()
{
    if (sDbPath.isEmpty())
        return;
    // Its path no longer leads to the open file: the copy is made from the file the program holds.
    if (!zSvr::instance().fileInPlace()) {
        saveLostFileAs();
        return;
    }
    const QString target = SelectDbFile(true, QStringLiteral("文書ﾃﾞｰﾀｰﾍﾞｰｽを別名で保存"), QString());
    if (target.isEmpty())
        return;
    if (QFileInfo(target).absoluteFilePath() == QFileInfo(sDbPath).absoluteFilePath()) {
        Prompt::current().message(QStringLiteral("複写先と現在のﾌｧｲﾙが同一です"));
        return;
    }
    if (refuseTarget(target, QStringLiteral("複写先")))
        return;
    if (QFileInfo::exists(target) && Prompt::current().message(overwriteQuestion(target), Prompt::OkCancel) != Prompt::Ok)
        return;
    if (!closeSecondWindow() || !leaveCurrentPage())
        return;
    // Another program may have taken the file while the question was open.
    if (refuseTarget(target, QStringLiteral("複写先")))
        return;
    BusyScope busy;
    Frmt::SetBusy(true);
    m_tree->trSort();
    zSvr::instance().D_Close();
    // Through SQLite: the saves another program keeps in the log are copied too.
    DbFiles::Failure failure = DbFiles::NoFailure;
    const bool ok = DbFiles::copy(sDbPath, target, &failure);
    const QString opened = ok ? target : sDbPath;
    const bool open = zSvr::instance().D_StDcDb(opened);
    Frmt::SetBusy(false);
    if (ok && open) {
        sDbPath = target;
        setItemEnabled(QStringLiteral("mnDcDb"), 1, true);
        SetRecentList();
        m_tree->SetFrame(1);
        ShowStatus(target + QStringLiteral("に複写しｵ-ﾌﾟﾝしました"), 0);
    } else {
        // The old database is open again when it can be: the user keeps working where they were.
        if (!open) {
            sDbPath.clear();
            m_tree->ClearItem();
            SetPageNo(0);
            SetMenuByDb(false);
        }
        tellCopyFailed(target, failure);
    }
    updateCaption();
}

void fmDoc::tellCopyFailed(const QString &target, DbFiles::Failure failure)
{
    ShowStatus(target + QStringLiteral("への複写に失敗しました"), 4);
    // The file the user chose and why, never the name of the file the copy is written into first.
    QString why;
    switch (failure) {
    case DbFiles::NoFolder:
        why = QStringLiteral("保存先のﾌｫﾙﾀﾞがありません");
        break;
    case DbFiles::NoPermission:
        why = QStringLiteral("保存先に書き込む権限がありません");
        break;
    case DbFiles::ReadOnlyDisk:
        why = QStringLiteral("保存先のﾃﾞｨｽｸは読み込み専用です");
        break;
    case DbFiles::DiskFull:
        why = zSvr::diskFullText();
        break;
    case DbFiles::SourceDamaged:
        why = QStringLiteral("開いている文書ﾃﾞｰﾀｰﾍﾞｰｽのﾌｧｲﾙが壊れています");
        break;
    case DbFiles::NoFailure:
    case DbFiles::OtherFailure:
        why = QStringLiteral("ﾌｧｲﾙを書き込めませんでした");
        break;
    }
    Prompt::current().message(target + QStringLiteral("への複写に失敗しました\n") + why, Prompt::Exclamation);
}

void fmDoc::NewDb()
{
    const QString model = Usr::st().userData + QStringLiteral("Dbs/Moto.txdb");
    if (!QFileInfo(model).isFile()) {
        Prompt::current().message(model + QStringLiteral(" が存在しません"));
        ShowStatus(QStringLiteral("新規作成に失敗しました"), 4);
        return;
    }
    const QString target = SelectDbFile(true, QStringLiteral("文書ﾃﾞｰﾀｰﾍﾞｰｽを新規作成"), QString());
    if (target.isEmpty() || refuseTarget(target, QStringLiteral("新規作成先")))
        return;
    if (QFileInfo::exists(target) && Prompt::current().message(overwriteQuestion(target), Prompt::OkCancel) != Prompt::Ok)
        return;
    if (!leaveCurrentPage())
        return;
    if (refuseTarget(target, QStringLiteral("新規作成先")))
        return;
    if (!sDbPath.isEmpty())
        CloseDb();
    if (!sDbPath.isEmpty())
        return;
    BusyScope busy;
    if (!DbFiles::copy(model, target) || !zSvr::instance().D_StDcDb(target)) {
        updateCaption();
        ShowStatus(QStringLiteral("新規作成に失敗しました"), 4);
        return;
    }
    sDbPath = target;
    SetRecentList();
    SetTreeMenuMode(false);
    SetMenuByDb(true);
    updateCaption();
    ShowStatus(target + QStringLiteral("を新規作成しｵ-ﾌﾟﾝしました"), 0);
    m_tree->ClearItem();
    m_editor->rtAct(2);
    m_tree->SetFrame(1);
    Usr::st().busy = false;
    NewPage(0);
}

// ---- recent files

QStringList fmDoc::recentFiles() const
{
    QStringList paths;
    for (QAction *action : m_items.value(QStringLiteral("mnDbs"))) {
        const QString path = action ? action->data().toString() : QString();
        if (!path.isEmpty())
            paths.append(path);
    }
    return paths;
}

void fmDoc::SetRecentList()
{
    QStringList paths = recentFiles();
    if (paths.contains(sDbPath))
        return;
    paths.prepend(sDbPath);
    while (paths.size() > 11)
        paths.removeLast();
    setRecentItems(paths);
    item(QStringLiteral("mnExit"), 0)->setVisible(true);
}

void fmDoc::setRecentItems(const QStringList &paths)
{
    QMenu *recent = menu(QStringLiteral("mnDbs"));
    QVector<QAction *> &items = m_items[QStringLiteral("mnDbs")];
    for (int k = 0; k < paths.size(); ++k) {
        if (k >= items.size()) {
            auto *action = recent->addAction(QString());
            connect(action, &QAction::triggered, this, [this, k] { openRecent(k); });
            items.append(action);
        }
        QString caption = paths[k];
        items[k]->setText(QStringLiteral("%1.%2").arg(k + 1).arg(caption.replace(QLatin1Char('&'), QStringLiteral("&&"))));
        items[k]->setData(paths[k]);
        items[k]->setVisible(true);
    }
}

void fmDoc::openRecent(int index)
{
    QAction *action = item(QStringLiteral("mnDbs"), index);
    if (!action)
        return;
    const QString path = action->data().toString();
    if (!QFileInfo(path).isFile()) {
        // A file that is gone leaves the list quietly.
        action->setVisible(false);
        action->setData(QString());
        return;
    }
    OpenDb(path);
}

QString fmDoc::SelectDbFile(bool save, const QString &title, const QString &initial)
{
    if (!initial.isEmpty()) {
        const QFileInfo info(initial);
        m_dialogFolder = info.suffix().isEmpty() ? initial : info.absolutePath() + QLatin1Char('/');
    }
    if (m_dialogFolder.isEmpty())
        m_dialogFolder = Usr::st().userData + QStringLiteral("Dbs/");
    QString start = QFileInfo(m_dialogFolder).isDir() ? m_dialogFolder : QString();
    // A proposed file name stands in the dialog, ready to be taken or changed.
    if (!start.isEmpty() && !initial.isEmpty() && !QFileInfo(initial).suffix().isEmpty())
        start += QFileInfo(initial).fileName();
    // Every caller of the save form asks its own question about a file that exists.
    QString chosen = save ? Prompt::current().saveFileUnasked(title, start, DbFilter)
                          : Prompt::current().openFile(title, start, DbFilter);
    if (!chosen.isEmpty()) {
        if (save && QFileInfo(chosen).suffix().isEmpty())
            chosen += QStringLiteral(".txdb");
        m_dialogFolder = QFileInfo(chosen).absolutePath() + QLatin1Char('/');
    }
    return chosen;
}

// ---- exit

bool fmDoc::ExitApp()
{
    if (!closeSecondWindow() || (nDocNo > 0 && !leaveCurrentPage()) || !letGoLostFile())
        return false;
    m_exiting = true;
    m_editor->cOff();
    IniWindow(true);
    m_tree->trSort();
    Frmt::AppEnd();
    return true;
}

void fmDoc::exitCommand()
{
    if (Usr::st().busy)
        return;
    BusyScope busy;
    ExitApp();
}

// ---- the open file taken away

// The file of the open database deleted, moved away or replaced by another under the program (by
// the user, a sync or backup tool): the database is still whole in the file the program holds,
// which has no name any more, or a name nobody looks for. Whatever is written goes there and is
// lost when the program lets it go, so it is saved where the user chooses first.
namespace {

QString lostFileText(const QString &path)
{
    return path + (QFileInfo::exists(path) ? QStringLiteral("\nは別のﾌｧｲﾙに置き換えられました")
                                           : QStringLiteral("\nは削除されたか移動されました"))
           + QStringLiteral("\n開いている文書ﾃﾞｰﾀｰﾍﾞｰｽを別名で保存しますか");
}

} // namespace

bool fmDoc::keepLostFile()
{
    if (zSvr::instance().fileInPlace())
        return true;
    // A save that comes while the question stands (the automatic one) waits for its answer.
    if (m_askingLost)
        return false;
    const QScopedValueRollback<bool> asking(m_askingLost, true);
    const QString text = lostFileText(sDbPath) + QStringLiteral("\n(いいえ: 書き込みません｡編集中の内容は画面に残ります)");
    return Prompt::current().message(text, Prompt::YesNo | Prompt::Exclamation) == Prompt::Yes && saveLostFileAs();
}

bool fmDoc::letGoLostFile()
{
    if (!zSvr::instance().isOpen() || zSvr::instance().fileInPlace())
        return true;
    if (m_askingLost)
        return false;
    const QScopedValueRollback<bool> asking(m_askingLost, true);
    const QString text = lostFileText(sDbPath) + QStringLiteral("\n(いいえ: 保存せずに閉じます｡その内容は失われます)");
    switch (Prompt::current().message(text, Prompt::YesNoCancel | Prompt::Exclamation)) {
    case Prompt::Yes:
        return saveLostFileAs();
    case Prompt::No:
        // What the close still writes (the tree's order) goes nowhere, and is not asked about again.
        refuseLostWrites();
        return true;
    default:
        return false;
    }
}

bool fmDoc::lostFileWrite()
{
    if (m_lostRefused)
        return false;
    if (keepLostFile())
        return true;
    refuseLostWrites();
    return false;
}

void fmDoc::refuseLostWrites()
{
    // Until the command ends: its further writes are refused without a question each.
    m_lostRefused = true;
    QTimer::singleShot(0, this, [this] { m_lostRefused = false; });
}

bool fmDoc::saveLostFileAs()
{
    zSvr &db = zSvr::instance();
    const QString target = SelectDbFile(true, QStringLiteral("文書ﾃﾞｰﾀｰﾍﾞｰｽを別名で保存"), sDbPath);
    if (target.isEmpty() || refuseTarget(target, QStringLiteral("複写先")))
        return false;
    if (QFileInfo::exists(target) && Prompt::current().message(overwriteQuestion(target), Prompt::OkCancel) != Prompt::Ok)
        return false;
    BusyScope busy;
    // Through the connection that holds the file: no name leads to it any more. The page being
    // edited stays in the editor as it is, to be saved into the copy.
    DbFiles::Failure failure = DbFiles::NoFailure;
    if (!DbFiles::copy(db.connection(), target, &failure)) {
        tellCopyFailed(target, failure);
        return false;
    }
    if (!db.D_StDcDb(target)) {
        sDbPath.clear();
        m_tree->ClearItem();
        SetPageNo(0);
        SetMenuByDb(false);
        updateCaption();
        ShowStatus(target + QStringLiteral("を開けませんでした"), 4);
        return false;
    }
    sDbPath = target;
    SetRecentList();
    updateCaption();
    ShowStatus(target + QStringLiteral("に複写しｵ-ﾌﾟﾝしました"), 0);
    return true;
}

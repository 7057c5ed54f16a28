// The tree's and the editor's events, and the page commands of the node menu.
#include "mainwin/fmDoc.h"

#include "platform/db/DbTable.h"
#include "core/yIni.h"
#include "core/zSvr.h"
#include "editor/uTxm.h"
#include "platform/richview/RichView.h"
#include "mainwin/uFky.h"
#include "platform/desktop/Prompt.h"
#include "tree/uTrX.h"

#include <QMenu>
#include <QTimer>

void fmDoc::connectTree()
{
    connect(m_tree, &uTrX::eFmMsg, this, [this](const QString &text) { ShowStatus(text, 0); });
    connect(m_tree, &uTrX::eSetDoc, this, &fmDoc::onSetDoc);
    connect(m_tree, &uTrX::eFndWd, this, [this](const QString &words) { m_editor->FndWd(words); });
    connect(m_tree, &uTrX::eChkMove, this, &fmDoc::onChkMove, Qt::DirectConnection);
    connect(m_tree, &uTrX::eRightClick, this, [this](bool onTree) {
        QAction *context = item(QStringLiteral("mnDcDb"), 1);
        // The child list has a menu of its own in no layout: it shows none.
        if (onTree && context->isEnabled())
            menu(QStringLiteral("mnTree"))->popup(QCursor::pos());
    });
}

void fmDoc::connectEditor()
{
    connect(m_editor, &uTxm::eSaveDB, this, &fmDoc::onSaveDB, Qt::DirectConnection);
    connect(m_editor, &uTxm::eClckLink, this, &fmDoc::onClckLink, Qt::DirectConnection);
    connect(m_editor, &uTxm::eEdtCng, this, &fmDoc::onEdtCng, Qt::DirectConnection);
    connect(m_editor, &uTxm::eRtAct, this, [this](int &job) {
        if (job == 31)
            InsOtherDoc();
        queueMenuRefresh();
    }, Qt::DirectConnection);
    // The function keys follow the caret (a field under it, a table, a header) without a menu opened.
    connect(m_editor->view(), &RichView::caretMoved, this, &fmDoc::queueMenuRefresh);
    connectHtml();
}

void fmDoc::onSetDoc(const QString &, const QString &page, const QString &title, int job, bool protectedNode)
{
    if (Usr::st().busy)
        return;
    if (protectedNode)
        m_fky->PanelTx(QStringLiteral("現在のﾍﾟｰｼﾞはHtm出力保護されています"), 1);
    if (job == 3 && page.isEmpty()) {
        // Nothing is selected any more: the editor shows no page.
        LoadPage(QStringLiteral("0"), QString(), 0, false);
        return;
    }
    LoadPage(page, title, job == 2 ? 1 : 0, false);
}

void fmDoc::onChkMove(bool *cancel)
{
    *cancel = !leaveCurrentPage();
    // The user chose to stay on the page: the keys typed next go on with it, at the caret, not into
    // the tree that was clicked.
    if (*cancel)
        m_editor->view()->setFocus();
}

void fmDoc::onClckLink(QString &kind, QString &caption, QString &link)
{
    if (kind != QLatin1String("TG")) {
        yIni::instance().W_ExpFd(link, true);
        return;
    }
    m_tree->TagTree(caption, link);
    ShowStatus(QStringLiteral("ﾀｸﾞ(文書ﾃﾞｰﾀｰﾍﾞｰｽ内のﾘﾝｸ)を挿入しました"), 2);
    LoadPage(link, caption, 0, false);
}

void fmDoc::onEdtCng(bool &edited)
{
    // The editor stores the flag after this event: a page just saved must not count as edited.
    if (edited && ChkAutoSave(false))
        edited = false;
    // The key bar shows "更新" live as soon as there is something to store.
    queueMenuRefresh();
}

void fmDoc::queueMenuRefresh()
{
    if (m_refreshQueued)
        return;
    m_refreshQueued = true;
    QTimer::singleShot(0, this, [this] {
        m_refreshQueued = false;
        refreshMenus();
    });
}

// ---- page commands

void fmDoc::NewPage(int job)
{
    if (sDbPath.isEmpty())
        return;
    // An unsaved node already there takes the new page; otherwise the tree needs a place for one.
    if (!m_tree->hasNewNode() && !m_tree->trCanNew()) {
        refuseNewPage();
        return;
    }
    if (!leaveCurrentPage())
        return;
    m_editor->rtAct(2);
    if (!NewDocNo())
        return;
    if (m_tree->trNew(job).isEmpty() && !m_tree->hasNewNode()) {
        // A page with no node to be placed at is never saved.
        SetPageNo(0);
        refuseNewPage();
        return;
    }
    ShowStatus(QStringLiteral("新規ﾍﾟｰｼﾞを編集後  更新指示をして下さい"), 0);
    m_editor->rtAct(9);
}

void fmDoc::refuseNewPage()
{
    Prompt::current().message(QStringLiteral("新規ﾍﾟｰｼﾞを置く場所がありません\n"
                                             "ﾂﾘｰでﾍﾟｰｼﾞを選択してから作成して下さい"),
                              Prompt::Exclamation);
}

void fmDoc::CopyDocNext()
{
    if (!leaveCurrentPage())
        return;
    const QString source = QString::number(nDocNo);
    NewPage(1);
    if (m_tree->SlctdKy() == QLatin1String("NewNode")) {
        LoadPage(source, QString(), 2, false);
        m_editor->setBDcEdt(true);
    }
}

QString fmDoc::DeleteMessage(const QString &key) const
{
    if (key.startsWith(QLatin1Char('X')))
        return QString();
    const QString tail = key.contains(QLatin1Char('-')) ? key.section(QLatin1Char('-'), 1) : key;
    bool numeric = false;
    const qint64 page = tail.toLongLong(&numeric);
    if (tail == QLatin1String("NewNode") || !numeric)
        return QString();
    auto quoted = [](const DbTable &rows) {
        QString list;
        for (int r = 0; r < rows.rowCount(); ++r)
            list += QLatin1Char('"') + rows.at(0, r).toString() + QStringLiteral("\" ");
        return list;
    };
    QString message;
    DbTable rows;
    const QString pattern = QStringLiteral("%.%1.%").arg(page);
    if (zSvr::instance().R_Ary(QStringLiteral("Select szDoc From msDoc Where saTgs like ?"), {pattern}, rows) > 0)
        message = QStringLiteral("現在のﾍﾟｰｼﾞは ") + quoted(rows) + QStringLiteral(" から参照されています\r");
    DbTable children;
    if (zSvr::instance().R_Ary(QStringLiteral("Select szDoc From tbTree Where noLfP= ? Order By inSrt"), {page}, children) > 0)
        message += QStringLiteral("現在のﾍﾟｰｼﾞから ") + quoted(children) + QStringLiteral(" へNavigate されています\r");
    return message;
}

void fmDoc::DeletePage()
{
    QString message = DeleteMessage(m_tree->SlctdKy());
    // The edits are dropped only when the user confirmed: the tree moves on only after deleting.
    m_deleting = true;
    m_tree->trNdDL(QString(), message);
    m_deleting = false;
}

void fmDoc::RefreshAll()
{
    const bool wasEmpty = !IsTreeMenuNormal();
    Usr::D_FixLnk(false);
    m_tree->RefreshTree();
    if (wasEmpty && m_tree->SlctdKy().isEmpty() && m_tree->RootSelect()) {
        // Pages saved elsewhere into a database that was empty here: the first is shown, as at
        // the open, and the commands that need a page work from now on.
        SetTreeMenuMode(true);
        SetMenuByDb(true);
        return;
    }
    if (m_tree->SlctdKy().isEmpty()) {
        Prompt::current().message(QStringLiteral("現在のﾍﾟｰｼﾞは削除されています"));
        m_editor->rtAct(20);
    } else {
        m_editor->rtAct(88);
    }
}

void fmDoc::ShowReferrers()
{
    DbTable rows;
    const QString pattern = QStringLiteral("%.%1.%").arg(nDocNo);
    QString text;
    if (zSvr::instance().R_Ary(QStringLiteral("Select noDoc, szDoc From msDoc Where saTgs like ?"), {pattern}, rows) > 0) {
        for (int r = 0; r < rows.rowCount(); ++r)
            text += rows.at(1, r).toString() + QStringLiteral(" (") + rows.at(0, r).toString() + QStringLiteral(")\r");
        text += QStringLiteral("\tからタグ参照されています");
    } else {
        text = QStringLiteral("この文書はタグ参照されていません");
    }
    Prompt::current().message(text);
}

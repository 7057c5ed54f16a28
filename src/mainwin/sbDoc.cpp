#include "mainwin/sbDoc.h"

#include "core/Twips.h"
#include "core/yIni.h"
#include "core/zSvr.h"
#include "editor/uTxm.h"
#include "mainwin/BusyScope.h"
#include "mainwin/uFky.h"
#include "tree/uTrX.h"

#include <QAction>
#include <QCloseEvent>
#include <QMenu>
#include <QMenuBar>
#include <QSplitter>

namespace {

// Hides a menu item and everything below it, keys included: a hidden item's key must do nothing.
void retire(QAction *action)
{
    if (!action)
        return;
    action->setVisible(false);
    action->setShortcut(QKeySequence());
    if (QMenu *sub = action->menu()) {
        for (QAction *a : sub->actions())
            retire(a);
    }
}

} // namespace

sbDoc::sbDoc(EditorServices *services) : fmDoc(nullptr, services, false)
{
    setObjectName(QStringLiteral("sbDoc"));
    m_editorFocusTest = false;
    reduceMenus();
    // The node menu serves page nodes only: a tag node or a found page leaves it disabled.
    connect(m_tree, &uTrX::eSetDoc, this, [this](const QString &, const QString &, const QString &, int job, bool) {
        if (!Usr::st().busy)
            item(QStringLiteral("mnDcDb"), 1)->setEnabled(job == 0);
    });
    // The main window may put the database elsewhere while this window is open (the file taken
    // away, saved where the user says): the title names the file this window now works in.
    connect(&zSvr::instance(), &zSvr::opened, this, [this] {
        if (m_closed)
            return;
        sDbPath = zSvr::instance().sSvr;
        updateCaption();
    });
    resize(900, 640);
}

sbDoc::~sbDoc() = default;

void sbDoc::reduceMenus()
{
    QMenu *file = menu(QStringLiteral("mnDcDb0"));
    for (QAction *a : file->actions())
        retire(a);
    file->setTitle(QStringLiteral("操作(&F)"));
    QAction *exit = file->addAction(QStringLiteral("閉じる(&C)"));
    exit->setObjectName(QStringLiteral("mnExit"));
    connect(exit, &QAction::triggered, this, &QWidget::close);
    retire(item(QStringLiteral("mnDcDb"), 2));
    for (int i : {0, 6, 7})
        retire(item(QStringLiteral("mnJb"), i));
    retire(item(QStringLiteral("mnHelp"), 0));
    for (int i : {19, 21, 22, 23, 24})
        retire(item(QStringLiteral("mnTree"), i));
    item(QStringLiteral("mnTree"), 11)->setText(QStringLiteral("現在のﾍﾟｰｼﾞを複写して次に挿入"));
    item(QStringLiteral("mnTree"), 14)->setText(QStringLiteral("既存のﾍﾟｰｼﾞから文書を複写"));
    item(QStringLiteral("mnTree"), 1)->setShortcut(QKeySequence());
    const char *const bulk[3] = {"複写・移動(ここへ)", "複写・移動(ここから)", "削除"};
    for (int i = 0; i < 3; ++i)
        item(QStringLiteral("mnTrRet"), i)->setText(QString::fromUtf8(bulk[i]));
    item(QStringLiteral("mnPast"), 3)->setText(QStringLiteral("ﾃｷｽﾄとして貼付"));
    item(QStringLiteral("mnEdit"), 15)->setShortcut(QKeySequence(QStringLiteral("Ctrl+F3")));
    item(QStringLiteral("mnEdit"), 16)->setShortcut(QKeySequence(QStringLiteral("Ctrl+F4")));
}

void sbDoc::showEvent(QShowEvent *event)
{
    // The opening is Act's, not the main window's load step.
    QMainWindow::showEvent(event);
}

void sbDoc::Act(const QString &sExp, const QString &sAct)
{
    // Opening again while a page is being edited: its edits are saved or dropped first, by the
    // user's word; a cancel leaves the window as it is.
    if (!m_closed && !leaveCurrentPage()) {
        raise();
        activateWindow();
        return;
    }
    {
        BusyScope busy;
        bShwFky = true;
        item(QStringLiteral("mnDcDb"), 1)->setEnabled(false);
        item(QStringLiteral("mnLocal"), 7)->setVisible(false);
        sDbPath = zSvr::instance().sSvr;
        IniWindowSub(false);
        m_editor->cOn(qintptr(this), 2);
        SetFkyCapSub();
        m_fky->StSize();
        OpenTree();
    }
    m_loaded = true;
    m_closed = false;
    m_tree->SetExPndNds(sExp, sAct);
    m_tree->StSize();
    m_tree->SetFrame(1);
    // The tree pane's hint would stand over the page just opened: the status names the page.
    if (nDocNo > 0)
        ShowStatus(QStringLiteral("文書No:%1").arg(nDocNo), 0);
    updateCaption();
    refreshMenus();
    show();
    raise();
    activateWindow();
}

void sbDoc::OpenTree()
{
    SetPageNo(0);
    m_editor->setBDcEdt(false);
    m_editor->rtAct(2);
    m_tree->ClearItem();
    m_tree->SetNodes(QStringLiteral("0"));
    m_tree->SetFrame(1);
    SetTreeMenuMode(true);
    item(QStringLiteral("mnDcDb"), 1)->setEnabled(true);
}

void sbDoc::SetFkyCapSub()
{
    // The main window's keys, less those whose menus this window lacks (menuItem
    // gives none for them), with its own Ctrl+F3 and Ctrl+F4.
    SetFkyCap();
    m_fky->cKey(QStringLiteral("C3"), 3, 15, QStringLiteral("参照"), QStringLiteral("他のﾍﾟｰｼﾞを参照します"));
    m_fky->cKey(QStringLiteral("C4"), 3, 16, QStringLiteral("整形"), QStringLiteral("段落を単純化します"));
    // The main window's new-page key and its page-menu keys have no place here.
    m_fky->setAbsentKeys(QStringLiteral("F9,C1,C2"));
    m_fky->SetEnbByMenu();
}

QAction *sbDoc::menuItem(int group, int index) const
{
    if (group != 3 && group != 5 && group != 6)
        return nullptr;
    return fmDoc::menuItem(group, index);
}

void sbDoc::fnMenu(int group, int index)
{
    if (group != 3 && group != 5 && group != 6)
        return;
    fmDoc::fnMenu(group, index);
}

bool sbDoc::CloseWindow()
{
    if (nDocNo != 0 && !leaveCurrentPage())
        return false;
    m_editor->cOff();
    IniWindowSub(true);
    m_tree->trSort();
    m_closed = true;
    return true;
}

void sbDoc::closeEvent(QCloseEvent *event)
{
    // During a long job the window stays: closing it then would skip its page and settings.
    if (m_closed) {
        event->accept();
        return;
    }
    if (Usr::st().busy || !CloseWindow()) {
        event->ignore();
        return;
    }
    event->accept();
}

void sbDoc::IniWindowSub(bool save)
{
    yIni &ini = yIni::instance();
    ini.GetGtx(QStringLiteral("位置SUB"));
    if (save) {
        Twips::writePlace(*this);
        ini.SetVal(QStringLiteral("Function"), bShwFky ? QStringLiteral("表示") : QStringLiteral("非表示"));
        ini.SetVal(QStringLiteral("TrxWd"), Twips::fromPx(*this, m_split->sizes().value(0), true));
        ini.SetGtx();
        return;
    }
    const int tree = Twips::toPx(*this, qMax(300, ini.vGtVal(QStringLiteral("TrxWd"), 3600).toInt()), true);
    m_split->setSizes({tree, qMax(200, m_split->width() - tree)});
    const bool keys = ini.vGtVal(QStringLiteral("Function"), QStringLiteral("表示")).toString() == QStringLiteral("表示");
    if (!keys)
        ShowFky(false);
    Twips::readPlace(*this);
}

#include "tree/sbTrX.h"

#include "core/Twips.h"
#include "core/Usr.h"
#include "core/yIni.h"
#include "core/zSvr.h"
#include "platform/desktop/MenuKeys.h"
#include "platform/desktop/Prompt.h"
#include "platform/richtext/PageCodec.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/PlainText.h"
#include "platform/richtext/RichTextEdit.h"
#include "platform/richview/RichView.h"
#include "tree/TreeDb.h"
#include "tree/uTrX.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QVBoxLayout>

namespace {

const char *const ZoomTexts[7] = {"100%", " 90%", " 80%", " 70%", " 60%", " 50%", " 40%"};
const int PaneTwips[3] = {3540, 2140, 0};

QPointer<sbTrX> &sharedPicker()
{
    static QPointer<sbTrX> instance;
    return instance;
}

// The main window's page tree: the one whose window is the main window itself
// (the picker's own tree lives in the picker's window).
uTrX *mainTree()
{
    QWidget *main = Usr::st().mainWindow;
    if (!main)
        return nullptr;
    const QList<uTrX *> trees = main->findChildren<uTrX *>();
    for (uTrX *tree : trees) {
        if (tree->window() == main)
            return tree;
    }
    return nullptr;
}

} // namespace

sbTrX::sbTrX(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("sbTrX"));
    buildFrame();
    resize(900, 600);
}

sbTrX::~sbTrX() = default;

sbTrX &sbTrX::picker()
{
    QPointer<sbTrX> &instance = sharedPicker();
    if (!instance)
        instance = new sbTrX(Usr::st().mainWindow);
    return *instance;
}

bool sbTrX::pick(const QString &caption, QString &sNo, QString &sSz, bool tagMode)
{
    picker().Act(caption, sNo, sSz, tagMode);
    return !sNo.isEmpty();
}

namespace {
const QString ViewerName = QStringLiteral("sbTrXViewer");
}

sbTrX &sbTrX::viewerFor(QWidget *owner)
{
    if (owner) {
        if (auto *viewer = owner->findChild<sbTrX *>(ViewerName, Qt::FindDirectChildrenOnly))
            return *viewer;
    }
    auto *viewer = new sbTrX(owner);
    viewer->setObjectName(ViewerName);
    return *viewer;
}

void sbTrX::dropViewerOf(QWidget *owner)
{
    auto *viewer = owner ? owner->findChild<sbTrX *>(ViewerName, Qt::FindDirectChildrenOnly) : nullptr;
    if (!viewer)
        return;
    // Its own handlers may still be on the stack: it goes once they are done, and a new viewer of
    // the owner is never this one.
    viewer->hide();
    viewer->setObjectName(QString());
    viewer->deleteLater();
}

void sbTrX::buildFrame()
{
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(2, 2, 2, 2);
    m_bar = new QMenuBar(this);
    m_select = m_bar->addAction(QStringLiteral("選択"));
    connect(m_select, &QAction::triggered, this, [this] { mnJb_Click(0); });
    QAction *close = m_bar->addAction(QStringLiteral("閉じる"));
    connect(close, &QAction::triggered, this, [this] { mnJb_Click(1); });
    QMenu *disp = m_bar->addMenu(QStringLiteral("表示"));
    QMenu *panes = disp->addMenu(QStringLiteral("文脈のﾂﾘｰﾋﾞｭｰ(&C)"));
    const char *const paneTexts[3] = {"表示(標準)", "表示(狭め)", "非表示"};
    for (int i = 0; i < 3; ++i) {
        m_dspF[i] = panes->addAction(QString::fromUtf8(paneTexts[i]));
        m_dspF[i]->setCheckable(true);
        connect(m_dspF[i], &QAction::triggered, this, [this, i] { mnDspF_Click(i); });
    }
    QAction *reload = disp->addAction(QStringLiteral("最新の状態に更新"));
    connect(reload, &QAction::triggered, this, [this] { LoadTrX(); });
    MenuKeys::watchBar(m_bar);
    outer->setMenuBar(m_bar);

    // The tree's popup; "再表示" reloads the tree like the display menu's item.
    m_pop = new QMenu(this);
    connect(m_pop->addAction(QStringLiteral("選択")), &QAction::triggered, this, [this] { mnJb_Click(0); });
    connect(m_pop->addAction(QStringLiteral("閉じる")), &QAction::triggered, this, [this] { mnJb_Click(1); });
    connect(m_pop->addAction(QStringLiteral("再表示")), &QAction::triggered, this, [this] { LoadTrX(); });

    m_copyMenu = new QMenu(this);
    const char *const copyTexts[3] = {"指定範囲をｺﾋﾟｰ(&C)", "文書全体をｺﾋﾟｰ", "文書全体をﾃｷｽﾄとしてｺﾋﾟｰ"};
    for (int i = 0; i < 3; ++i)
        connect(m_copyMenu->addAction(QString::fromUtf8(copyTexts[i])), &QAction::triggered, this,
                [this, i] { copyItem(i); });

    auto *row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    m_tree = new uTrX;
    m_tree->setObjectName(QStringLiteral("uTrX"));
    row->addWidget(m_tree);
    auto *right = new QVBoxLayout;
    m_page = new PageDocument(this);
    m_edit = new RichTextEdit(m_page, this);
    m_view = new RichView(m_edit);
    m_view->setObjectName(QStringLiteral("tTxt"));
    right->addWidget(m_view, 1);
    auto *bottom = new QHBoxLayout;
    chTgHg = new QCheckBox(QStringLiteral("SelText"));
    chTgHg->setObjectName(QStringLiteral("chTgHg"));
    txTag = new QLineEdit;
    txTag->setObjectName(QStringLiteral("txTag"));
    cbZoom = new QComboBox;
    cbZoom->setObjectName(QStringLiteral("cbZoom"));
    for (const char *text : ZoomTexts)
        cbZoom->addItem(QString::fromUtf8(text));
    cbZoom->setCurrentIndex(-1);
    bottom->addWidget(chTgHg);
    bottom->addWidget(txTag, 1);
    bottom->addStretch();
    bottom->addWidget(cbZoom);
    right->addLayout(bottom);
    row->addLayout(right, 1);
    outer->addLayout(row, 1);

    connect(m_tree, &uTrX::eSetDoc, this,
            [this](const QString &sNoP, const QString &sNo, const QString &sSz, int iJb, bool) {
                onSetDoc(sNoP, sNo, sSz, iJb);
            });
    connect(m_tree, &uTrX::eRightClick, this, [this](bool) { m_pop->popup(QCursor::pos()); });
    connect(chTgHg, &QCheckBox::clicked, this, [this] { chTgHg_Click(); });
    connect(cbZoom, &QComboBox::activated, this, [this](int index) {
        if (!bLoading)
            setZoomIndex(index);
    });
    connect(m_view, &RichView::mouseDown, this, [this](RichMouseArgs &args) {
        if (iMode != 2 || args.button != 2 || args.shift != 0)
            return;
        args.handled = true;
        m_copyMenu->popup(QCursor::pos());
    });
}

// ---- openings

void sbTrX::Act(const QString &sCp, QString &sNo, QString &sSz, bool bTg)
{
    bLoading = true;
    iMode = 1;
    sCap = sCp;
    setWindowTitle(sCp);
    m_select->setVisible(true);
    bTgMd = bTg;
    m_view->setEditMode(2);
    m_view->setControlChars(false);
    IniWindow(false);
    if (!bTrLd || m_source != zSvr::instance().sSvr) {
        LoadTrX();
        bTrLd = true;
    }
    m_tree->SetLeaf(sNo);
    if (bTgMd) {
        sSelTx = sSz;
        sSelTx.remove(QChar(1));
        sSelTx = sSelTx.trimmed();
        chTgHg->setChecked(false);
        chTgHg->setEnabled(!sSelTx.isEmpty());
        txTag->setEnabled(true);
    }
    SetLayout();
    // Whatever ends the dialog without "選択" (close box, Escape) returns nothing.
    bSlct = false;
    bLoading = false;
    exec();
    if (!bSlct) {
        sNo.clear();
        sSz.clear();
        return;
    }
    // The tree's active placement completes what the view shows (a page chosen from the find
    // pane has no parent); it never stands in for another page than the one on screen.
    const QString actPage = sAct.section(QLatin1Char('-'), 1);
    if ((sSlNoP.isEmpty() || sSlNo.isEmpty()) && !sAct.isEmpty() && (sSlNo.isEmpty() || actPage == sSlNo)) {
        sSlNoP = sAct.section(QLatin1Char('-'), 0, 0);
        sSlNo = actPage;
        m_tree->GetNodeText(sSlSz);
    }
    sNo = sSlNo;
    qint64 parent = 0, page = 0;
    if (bTgMd && TreeDb::pageNumber(sSlNoP, &parent) && TreeDb::pageNumber(sSlNo, &page)) {
        // A link placement is told apart from the page's home by its parent, the top level's 0 too.
        const int link = zSvr::instance()
                             .R_GtVaL(QStringLiteral("Select boLnk From tbTree Where noLfP=? And noLfC=?"),
                                      {parent, page}, 0)
                             .toInt();
        if (link != 0)
            sNo = QString::number(parent) + QLatin1Char('_') + QString::number(page);
    }
    sSz = bTgMd ? txTag->text() : sSlSz;
}

// The first steps of the modeless openings; true when the window opens for the first time.
bool sbTrX::beginModeless(int mode, const QString &caption, int editMode)
{
    bLoading = true;
    iMode = mode;
    sCap = caption;
    setWindowTitle(sCap);
    bTgMd = false;
    if (cbZoom->currentIndex() >= 0)
        return false;
    m_view->setEditMode(editMode);
    m_view->setControlChars(true);
    m_select->setVisible(false);
    IniWindow(false);
    return true;
}

void sbTrX::showModeless()
{
    SetLayout();
    bLoading = false;
    setModal(false);
    show();
    raise();
    activateWindow();
}

void sbTrX::ActS()
{
    beginModeless(2, QStringLiteral("他ﾍﾟｰｼﾞを参照"), 1);
    LoadTrX();
    bTrLd = true;
    showModeless();
}

void sbTrX::ActR(qint32 nNo)
{
    if (beginModeless(3, QStringLiteral("文脈表示"), 2)) {
        m_tree->ClearItem(true);
        m_tree->SetNodes(QStringLiteral("0"));
        unplacedList();
    }
    m_tree->SetLeaf(QString::number(nNo));
    showModeless();
}

// The recent pane lists the pages placed nowhere.
void sbTrX::unplacedList()
{
    m_tree->SetRcntLst(QStringLiteral("参照外"), QStringLiteral("文脈で参照されていない文書の一覧です"),
                       QStringLiteral("Select szDoc, noDoc From msDoc Where noDoc Not in (Select noLfC From tbTree)"));
}

void sbTrX::LoadTrX()
{
    QString exp, act;
    if (uTrX *main = mainTree()) {
        main->trSort();
        main->GetExPndNds(exp, act);
    }
    sExp = exp;
    sAct = act;
    // The page shown, its placement and the tag text belong to the database they were read from:
    // another database starts with none of them, so that "選択" names no page of the last one.
    if (m_source != zSvr::instance().sSvr) {
        sSlNo.clear();
        sSlNoP.clear();
        sSlSz.clear();
        sNdTx.clear();
        txTag->clear();
        clearView();
        setWindowTitle(sCap);
        m_select->setEnabled(false);
    }
    m_source = zSvr::instance().sSvr;
    m_tree->ClearItem(true);
    m_tree->SetNodes(QStringLiteral("0"));
    m_tree->SetExPndNds(sExp, sAct);
    unplacedList();
}

// ---- events

void sbTrX::onSetDoc(const QString &sNoP, const QString &sNo, const QString &sSz, int iJb)
{
    if (iJb == 3) {
        clearView();
    } else {
        QVariantList row;
        qint64 number = 0;
        const bool found = TreeDb::pageNumber(sNo, &number)
                           && zSvr::instance().R_PAry(QStringLiteral(" Select obDoc, szDoc From msDoc Where noDoc = ?"),
                                                      {number}, row);
        if (!found) {
            m_select->setEnabled(false);
            Prompt::current().message(QStringLiteral("Read Err  文書No:") + sNo);
            return;
        }
        if (row.value(0).isNull()) {
            clearView();
            m_select->setEnabled(false);
        } else {
            m_edit->beginCommand();
            // Bytes this program cannot read show nothing; the page itself may still be chosen.
            if (!PageCodec::load(*m_page, row.value(0).toByteArray()))
                m_edit->setText(QString());
            m_edit->endCommand();
            m_view->refresh();
            sSlNo = sNo;
            sSlNoP = sNoP;
            sSlSz = sSz;
            m_select->setEnabled(true);
        }
        setWindowTitle(sCap + QStringLiteral(" 文書No:") + sNo);
    }
    if (bTgMd) {
        sNdTx = iJb == 3 ? QString() : sSz;
        if (!chTgHg->isChecked())
            txTag->setText(sNdTx);
    }
}

void sbTrX::clearView()
{
    m_edit->setText(QString());
    m_view->refresh();
}

void sbTrX::chTgHg_Click()
{
    if (chTgHg->isChecked()) {
        txTag->setText(sSelTx);
        txTag->setEnabled(false);
    } else {
        txTag->setText(sNdTx);
        txTag->setEnabled(true);
    }
}

void sbTrX::mnJb_Click(int index)
{
    if (index != 0 && index != 1)
        return;
    if (index == 0) {
        if (iMode != 1 || !m_select->isEnabled())
            return;
        bool hidden = false;
        m_tree->ChkHideNode(hidden);
        if (hidden
            && Prompt::current().message(QStringLiteral("現在のページは、非公開です　HTM Epubには出力されません\n"
                                                        "このページへタグ挿入しますか"),
                                         Prompt::OkCancel)
                   != Prompt::Ok)
            return;
    }
    bSlct = index == 0;
    IniWindow(true);
    m_tree->GetExPndNds(sExp, sAct);
    if (m_tree->iTabNo() != 1)
        sAct.clear();
    hide();
}

void sbTrX::closeBox()
{
    // The close box is "閉じる"; the next picker rebuilds its tree from the main window's.
    mnJb_Click(1);
    bTrLd = false;
}

void sbTrX::closeEvent(QCloseEvent *event)
{
    if (isVisible())
        closeBox();
    event->accept();
}

void sbTrX::reject()
{
    if (isVisible())
        closeBox();
    QDialog::reject();
}

void sbTrX::mnDspF_Click(int index)
{
    if (index < 0 || index > 2)
        return;
    iTree = index;
    SetLayout();
}

void sbTrX::setZoomIndex(int index)
{
    if (index < 0 || index > 6)
        return;
    cbZoom->setCurrentIndex(index);
    m_view->setZoom(QString::fromUtf8(ZoomTexts[index]).trimmed().chopped(1).toInt());
}

void sbTrX::copyItem(int index)
{
    m_view->setFocus();
    if (index == 0) {
        m_view->clipboardAction(2);
    } else if (index == 1) {
        m_edit->select(0, -1);
        m_view->showModelCaret();
        m_view->clipboardAction(2);
        m_edit->select(0, 0);
        m_view->showModelCaret();
    } else if (index == 2) {
        QApplication::clipboard()->clear();
        QApplication::clipboard()->setText(PlainText::of(m_edit->document()));
    }
}

// ---- layout and settings

void sbTrX::SetLayout()
{
    for (int i = 0; i < 3; ++i)
        m_dspF[i]->setChecked(i == iTree);
    const int width = PaneTwips[iTree];
    m_tree->setVisible(width != 0);
    if (width != 0)
        m_tree->setFixedWidth(Twips::toPx(*this, width, true));
    chTgHg->setVisible(iMode == 1 && bTgMd);
    txTag->setVisible(iMode == 1 && bTgMd);
    m_tree->StSize();
    m_tree->SetFrame(0);
}

void sbTrX::IniWindow(bool save)
{
    yIni &ini = yIni::instance();
    ini.GetGtx(QStringLiteral("TXR%1_位置").arg(iMode));
    if (save) {
        Twips::writePlace(*this);
        ini.SetVal(QStringLiteral("Zoom"), qMax(0, cbZoom->currentIndex()));
        ini.SetVal(QStringLiteral("Tree"), iTree);
        ini.SetGtx();
        ini.SetTxt();
        return;
    }
    Twips::readPlace(*this);
    // Values another version may have stored out of range fall back to the defaults.
    int zoom = ini.vGtVal(QStringLiteral("Zoom"), 2).toInt();
    if (zoom < 0 || zoom > 6)
        zoom = 2;
    setZoomIndex(zoom);
    iTree = ini.vGtVal(QStringLiteral("Tree"), 0).toInt();
    if (iTree < 0 || iTree > 2)
        iTree = 0;
}

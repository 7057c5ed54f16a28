// The main window's frame: panes, settings groups, load step and close.
#include "mainwin/fmDoc.h"

#include "core/Frmt.h"
#include "core/yIni.h"
#include "core/zSvr.h"
#include "editor/uTxm.h"
#include "mainwin/BusyScope.h"
#include "mainwin/sbDoc.h"
#include "mainwin/uFky.h"
#include "output/print/PrintJobs.h"
#include "platform/desktop/Prompt.h"
#include "tree/uTrX.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QScreen>
#include <QSplitter>
#include <QVBoxLayout>

fmDoc::fmDoc(QWidget *parent, EditorServices *services) : fmDoc(parent, services, true) {}

fmDoc::fmDoc(QWidget *parent, EditorServices *services, bool main)
    : QMainWindow(parent)
    , m_services(services)
    , m_main(main)
{
    setObjectName(QStringLiteral("fmDoc"));
    PrintJobs::install();
    buildPanes();
    buildMenus();
    connectTree();
    connectEditor();
    resize(1024, 700);
    updateCaption();
    qApp->installEventFilter(this);
    if (m_main)
        zSvr::instance().setLostFileHandler([this] { return lostFileWrite(); });
}

fmDoc::~fmDoc()
{
    if (m_main)
        zSvr::instance().setLostFileHandler(nullptr);
    delete m_second;
    qApp->removeEventFilter(this);
    delete m_split;
    m_split = nullptr;
}

void fmDoc::buildPanes()
{
    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_split = new QSplitter(Qt::Horizontal, central);
    m_split->setObjectName(QStringLiteral("Splitter"));
    m_split->setChildrenCollapsible(false);
    m_tree = new uTrX(m_split);
    m_tree->setObjectName(QStringLiteral("uTrX"));
    m_editor = new uTxm(m_split, m_services);
    m_split->addWidget(m_tree);
    m_split->addWidget(m_editor);
    m_split->setStretchFactor(1, 1);
    m_fkyPane = new QWidget(central);
    m_fkyPane->setObjectName(QStringLiteral("pFky"));
    auto *paneLayout = new QVBoxLayout(m_fkyPane);
    paneLayout->setContentsMargins(0, 0, 0, 0);
    m_fky = new uFky(m_fkyPane);
    paneLayout->addWidget(m_fky);
    layout->addWidget(m_split, 1);
    layout->addWidget(m_fkyPane);
    setCentralWidget(central);
    ShowFky(true);
}

void fmDoc::SetDBNo(const QString &path, int pageNo)
{
    sDbPath = path;
    sStartNo = QString::number(pageNo);
    SetPageNo(0);
}

void fmDoc::SetPageNo(int pageNo)
{
    // Nothing is read back: a number set here is a new page's (one past the highest, no row yet), or
    // one that LoadPage stamps right after reading it. A read could take another user's page just
    // added under that number for this window's own.
    setPage(pageNo, PageStamp());
}

void fmDoc::setPage(int pageNo, const PageStamp &stamp)
{
    nDocNo = pageNo;
    m_editor->nTmpNo = pageNo;
    m_stamp = stamp;
}

void fmDoc::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_loaded) {
        m_loaded = true;
        load();
    }
}

// The load step. The editor is switched on before the database opens, because
// opening selects the first node and the tree's event loads its page at once.
void fmDoc::load()
{
    BusyScope busy;
    item(QStringLiteral("mnDcDb"), 1)->setEnabled(false);
    item(QStringLiteral("mnLocal"), 7)->setVisible(false);
    bShwFky = true;
    IniWindow(false);
    m_editor->cOn(qintptr(this), 2);
    markUnbuiltItems();
    if (!sDbPath.isEmpty() && !QFileInfo(sDbPath).isFile())
        sDbPath.clear();
    if (!sDbPath.isEmpty())
        OpenDb(sDbPath);
    Usr::st().busy = true;
    SetMenuByDb(!sDbPath.isEmpty());
    // The start page is a page number or a saved chain such as "1002,1001,0"; the tree reads both.
    if (!sDbPath.isEmpty() && !sStartNo.isEmpty() && sStartNo != QLatin1String("0")) {
        Usr::st().busy = false;
        m_tree->SetLeaf(sStartNo);
        Usr::st().busy = true;
    }
    sStartNo.clear();
    SetFkyCap();
    m_tree->StSize();
    m_tree->SetFrame(1);
    // The tree's hint asks the user to choose a page: with the start page shown, its number stays.
    if (nDocNo != 0)
        ShowStatus(QStringLiteral("文書No:%1").arg(nDocNo), 0);
    m_fky->StSize();
    updateCaption();
}

void fmDoc::updateCaption()
{
    // Qt adds the program name to a title that does not end with it.
    const QString name = QApplication::applicationDisplayName();
    setWindowTitle(sDbPath.isEmpty() ? name : QFileInfo(sDbPath).fileName() + QStringLiteral(" - ") + name);
    setWindowFilePath(sDbPath);
}

void fmDoc::ShowStatus(const QString &text, int level)
{
    m_fky->PanelTx(text, level);
}

void fmDoc::ShowFky(bool show)
{
    const int height = qMax(twipsToPx(show ? 270 : 30, false), show ? m_fky->fontMetrics().height() + 10 : 4);
    m_fkyPane->setFixedHeight(height);
    m_fky->setVisible(show);
    if (QAction *check = item(QStringLiteral("mnDisp"), 0))
        check->setChecked(show);
    bShwFky = show;
}

// ---- settings

int fmDoc::twipsToPx(int twips, bool horizontal) const
{
    const int dpi = horizontal ? logicalDpiX() : logicalDpiY();
    return dpi > 0 ? int(qint64(twips) * dpi / 1440) : twips / 15;
}

int fmDoc::pxToTwips(int px, bool horizontal) const
{
    const int dpi = horizontal ? logicalDpiX() : logicalDpiY();
    return dpi > 0 ? int(qint64(px) * 1440 / dpi) : px * 15;
}

QString fmDoc::relativeToUserData(const QString &path) const
{
    const QString base = Usr::st().userData;
    if (!base.isEmpty() && path.startsWith(base, Qt::CaseInsensitive))
        return path.mid(base.size());
    return path;
}

QString fmDoc::fromUserData(const QString &path) const
{
    if (path.isEmpty() || !QFileInfo(path).isRelative())
        return path;
    return Usr::st().userData + path;
}

void fmDoc::IniWindow(bool save)
{
    yIni &ini = yIni::instance();
    if (save) {
        ini.GetGtx(QStringLiteral("位置"));
        const QRect r = normalGeometry().isValid() ? normalGeometry() : geometry();
        ini.SetVal(QStringLiteral("Left"), pxToTwips(r.x(), true));
        ini.SetVal(QStringLiteral("Top"), pxToTwips(r.y(), false));
        ini.SetVal(QStringLiteral("Width"), pxToTwips(r.width(), true));
        ini.SetVal(QStringLiteral("Height"), pxToTwips(r.height(), false));
        // The rectangle above is the normal one, kept for when the window is restored.
        ini.SetVal(QStringLiteral("Maximized"), isMaximized() ? 1 : 0);
        ini.SetVal(QStringLiteral("Function"), bShwFky ? QStringLiteral("表示") : QStringLiteral("非表示"));
        ini.SetVal(QStringLiteral("TrxWd"), pxToTwips(m_split->sizes().value(0), true));
        ini.SetGtx();
        ini.GetGtx(QStringLiteral("最近"));
        ini.SetVal(QStringLiteral("ACT"), relativeToUserData(sDbPath));
        ini.SetVal(QStringLiteral("開始頁"), m_editor->bStrNo ? QStringLiteral("開く") : QStringLiteral("開かない"));
        ini.SetVal(QStringLiteral("開始頁NO"), m_tree->sGetLeaf());
        const QStringList recent = recentFiles();
        for (int k = 0; k < 9; ++k)
            ini.SetVal(QStringLiteral("%1.").arg(k + 1), relativeToUserData(recent.value(k)));
        ini.SetGtx();
        ini.GetGtx(QStringLiteral("DC_保存"));
        ini.SetVal(QStringLiteral("SaveDoc"), bDcS ? QStringLiteral("有効") : QStringLiteral("無効"));
        ini.SetVal(QStringLiteral("SaveDb"), bDbS ? QStringLiteral("有効") : QStringLiteral("無効"));
        ini.SetVal(QStringLiteral("AutoSave"), iAsv);
        ini.SetGtx();
        return;
    }
    readPlace();
    ini.GetGtx(QStringLiteral("最近"));
    if (sDbPath.isEmpty()) {
        const QString act = fromUserData(ini.vGtVal(QStringLiteral("ACT"), QString()).toString());
        if (!act.isEmpty() && QFileInfo(act).isFile())
            sDbPath = act;
    }
    m_editor->bStrNo = ini.vGtVal(QStringLiteral("開始頁"), QStringLiteral("開かない")).toString() == QStringLiteral("開く");
    if (sStartNo.toLongLong() == 0 && m_editor->bStrNo)
        sStartNo = ini.vGtVal(QStringLiteral("開始頁NO"), QString()).toString();
    restoreRecent();
    ini.GetGtx(QStringLiteral("IE_画面"));
    nIeWd = ini.vGtVal(QStringLiteral("Width"), 1024).toInt();
    nIeHi = ini.vGtVal(QStringLiteral("Height"), 768).toInt();
    const int checked = nIeWd == 800 ? 0 : nIeWd == 1280 ? 2 : nIeWd == 1440 ? 3 : 1;
    for (int k = 0; k < 4; ++k)
        setItemChecked(QStringLiteral("mnIeSize"), k, k == checked);
    ini.GetGtx(QStringLiteral("DC_保存"));
    bDcS = ini.vGtVal(QStringLiteral("SaveDoc"), QStringLiteral("有効")).toString() == QStringLiteral("有効");
    m_editor->rtAct(87, bDcS);
    bDbS = ini.vGtVal(QStringLiteral("SaveDb"), QStringLiteral("有効")).toString() == QStringLiteral("有効");
    iAsv = qMax(0, ini.vGtVal(QStringLiteral("AutoSave"), 0).toInt());
}

void fmDoc::readPlace()
{
    yIni &ini = yIni::instance();
    ini.GetGtx(QStringLiteral("位置"));
    int left = ini.vGtVal(QStringLiteral("Left"), 0).toInt();
    int top = ini.vGtVal(QStringLiteral("Top"), 0).toInt();
    int width = ini.vGtVal(QStringLiteral("Width"), 0).toInt();
    int height = ini.vGtVal(QStringLiteral("Height"), 0).toInt();
    const int treeWidth = qMax(300, ini.vGtVal(QStringLiteral("TrxWd"), 2800).toInt());
    const bool maximised = ini.vGtVal(QStringLiteral("Maximized"), 0).toInt() == 1;
    ShowFky(ini.vGtVal(QStringLiteral("Function"), QStringLiteral("表示")).toString() == QStringLiteral("表示"));
    if (width <= 0 || height <= 0) {
        width = pxToTwips(this->width(), true);
        height = pxToTwips(this->height(), false);
        const QRect screen = this->screen() ? this->screen()->geometry() : QRect(0, 0, 1280, 1024);
        left = (pxToTwips(screen.width(), true) - width) / 2;
        top = (pxToTwips(screen.height(), false) - height) / 2;
    }
    if (Usr::st().waWidth <= 0 || Usr::st().waHeight <= 0)
        Usr::W_GtWa();
    if (Usr::st().waWidth > 0 && Usr::st().waHeight > 0)
        Usr::W_FitWa(left, top, width, height);
    setGeometry(twipsToPx(left, true), twipsToPx(top, false), twipsToPx(width, true), twipsToPx(height, false));
    if (maximised)
        setWindowState(windowState() | Qt::WindowMaximized);
    const int tree = twipsToPx(treeWidth, true);
    m_split->setSizes({tree, qMax(200, m_split->width() - tree)});
}

void fmDoc::restoreRecent()
{
    yIni &ini = yIni::instance();
    QStringList paths;
    for (int k = 0; k < 9; ++k) {
        const QString path = fromUserData(ini.vGtVal(QStringLiteral("%1.").arg(k + 1), QString()).toString().trimmed());
        if (path.isEmpty() || !QFileInfo(path).isFile())
            break;
        paths.append(path);
    }
    setRecentItems(paths);
}

// ---- window events

void fmDoc::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    if (!isMinimized()) {
        m_tree->StSize();
        m_fky->StSize();
    }
}

void fmDoc::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && m_editor->isOn())
        m_editor->rtAct(16);
}

bool fmDoc::eventFilter(QObject *watched, QEvent *event)
{
    // Shortcuts fire only on enabled items: bring the items up to date before Qt looks for one.
    if (event->type() == QEvent::ShortcutOverride && isActiveWindow() && m_loaded) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const bool command = (key->modifiers() & Qt::ControlModifier) || key->key() == Qt::Key_Delete
                             || (key->key() >= Qt::Key_F1 && key->key() <= Qt::Key_F12);
        if (command)
            refreshMenus();
    }
    return QMainWindow::eventFilter(watched, event);
}

// A close while a long job runs is refused: the job holds the database and the
// page, and skipping the exit routine would lose the page and the settings.
void fmDoc::closeEvent(QCloseEvent *event)
{
    if (m_exiting) {
        event->accept();
        return;
    }
    if (Usr::st().busy) {
        ShowStatus(QStringLiteral("処理中のため終了できません。処理の終了後にもう一度終了して下さい"), 4);
        event->ignore();
        return;
    }
    event->ignore();
    ExitApp();
}

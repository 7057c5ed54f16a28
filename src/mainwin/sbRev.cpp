#include "mainwin/sbRev.h"

#include "core/Twips.h"
#include "core/Usr.h"
#include "core/yIni.h"
#include "core/zSvr.h"
#include "editor/uTxm.h"
#include "mainwin/BusyScope.h"
#include "platform/desktop/MenuKeys.h"
#include "tree/uTrg.h"

#include <QAction>
#include <QCloseEvent>
#include <QMenu>
#include <QMenuBar>
#include <QSplitter>
#include <QVBoxLayout>

namespace {

// The page a tag key leads to: "34", or "12_34" for a link placement of 34 under 12.
qint64 targetPage(const QString &key)
{
    const QString page = key.contains(u'_') ? key.section(u'_', 1) : key;
    bool ok = false;
    const qint64 n = page.trimmed().toLongLong(&ok);
    return ok ? n : 0;
}

} // namespace

sbRev::sbRev(QWidget *parent, EditorServices *services) : QDialog(parent)
{
    setObjectName(QStringLiteral("sbRev"));
    setWindowTitle(QStringLiteral("逆引き"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *bar = new QMenuBar(this);
    QMenu *file = bar->addMenu(QStringLiteral("操作(&F)"));
    const char *const captions[5] = {"ﾍﾟ-ｼﾞ設定(&U)", "ﾌﾟﾚﾋﾞｭ-(&V)", "印刷(&P)", "-", "この画面を終了(&X)"};
    for (int i = 0; i < 5; ++i) {
        if (i == 3) {
            m_items[i] = file->addSeparator();
            continue;
        }
        m_items[i] = file->addAction(QString::fromUtf8(captions[i]));
        connect(m_items[i], &QAction::triggered, this, [this, i] { fnMenu(2, i); });
    }
    MenuKeys::watchBar(bar);
    layout->setMenuBar(bar);
    m_split = new QSplitter(Qt::Horizontal, this);
    m_split->setObjectName(QStringLiteral("Splitter"));
    m_split->setChildrenCollapsible(false);
    m_trg = new uTrg(m_split);
    m_trg->setObjectName(QStringLiteral("uTrg"));
    m_txm = new uTxm(m_split, services);
    m_txm->setObjectName(QStringLiteral("uTxm"));
    m_split->addWidget(m_trg);
    m_split->addWidget(m_txm);
    m_split->setStretchFactor(1, 1);
    layout->addWidget(m_split, 1);
    resize(1000, 680);

    connect(m_trg, &uTrg::eSetDoc, this, &sbRev::ShwDoc);
    connect(m_txm, &uTxm::eClckLink, this, &sbRev::followLink, Qt::DirectConnection);
}

sbRev::~sbRev() = default;

void sbRev::Act()
{
    open();
    exec();
}

void sbRev::open()
{
    iMnSt = -1;
    nShwNo = 0;
    m_trg->cOn();
    m_txm->cOn(qintptr(this), 2, false, QStringLiteral("_RV"));
    // A page read here is never stored from here: the editor only shows it.
    m_txm->setReadOnly(true);
    IniWindow(false);
    SetMnEnb(0);
    m_open = true;
}

void sbRev::ShwDoc(const QString &sNo, const QString &sWd)
{
    const qint64 page = targetPage(sNo);
    if (page == 0) {
        m_txm->setBDcEdt(false);
        m_txm->rtAct(2);
        m_txm->setReadOnly(true);
        return;
    }
    if (page == nShwNo && nShwNo > 0) {
        m_txm->FndWd(sWd);
        return;
    }
    BusyScope busy;
    QVariantList row;
    if (!zSvr::instance().R_PAry(QStringLiteral("Select obDoc, szDoc From msDoc Where noDoc = ?"), {page}, row))
        return;
    m_txm->setBDcEdt(false);
    m_txm->rtAct(2);
    if (!row.value(0).isNull()) {
        bool ok = false;
        m_txm->SetData(row.value(0).toByteArray(), ok, false);
        m_txm->setTitle(row.value(1).toString());
        if (ok)
            nShwNo = qint32(page);
    }
    m_txm->setBDcEdt(false);
    m_txm->setReadOnly(true);
    if (!sWd.isEmpty())
        m_txm->FndWd(sWd);
    SetMnEnb(1);
}

void sbRev::followLink(QString &sTyp, QString &sCpt, QString &sLnk)
{
    if (sTyp != QLatin1String("TG")) {
        yIni::instance().W_ExpFd(sLnk, true);
        return;
    }
    const qint64 page = targetPage(sLnk);
    if (page <= 0 || page > 0x7fffffff)
        return;
    ShwDoc(sLnk, QString());
    m_trg->tgTree(sCpt, qint32(page));
}

void sbRev::fnMenu(int iMenu, int iNdx)
{
    if (Usr::st().busy)
        return;
    const bool closing = iMenu == 2 && iNdx == 4;
    if (closing) {
        close();
        return;
    }
    BusyScope busy;
    if (iMenu == 2 && iNdx == 0)
        m_txm->rtAct(65);
    else if (iMenu == 2 && iNdx == 1)
        m_txm->rtAct(7);
    else if (iMenu == 2 && iNdx == 2)
        m_txm->rtAct(6);
    else if (iMenu == 7 && iNdx == 0)
        IniWindow(true);
}

void sbRev::SetMnEnb(int state)
{
    if (state == iMnSt)
        return;
    m_items[1]->setEnabled(state == 1);
    m_items[2]->setEnabled(state == 1);
    iMnSt = state;
}

void sbRev::IniWindow(bool save)
{
    yIni &ini = yIni::instance();
    ini.GetGtx(QStringLiteral("REV_位置"));
    if (save) {
        Twips::writePlace(*this);
        ini.SetVal(QStringLiteral("nTrgWd"), Twips::fromPx(*this, m_trg->width(), true));
        ini.SetGtx();
        ini.SetTxt();
        return;
    }
    Twips::readPlace(*this);
    const int pane = Twips::toPx(*this, qMax(300, ini.vGtVal(QStringLiteral("nTrgWd"), 3600).toInt()), true);
    m_split->setSizes({pane, qMax(200, width() - pane)});
    m_trg->StSize();
}

void sbRev::unload()
{
    if (!m_open)
        return;
    m_open = false;
    IniWindow(true);
    m_trg->cOff();
    m_txm->cOff();
}

void sbRev::closeEvent(QCloseEvent *event)
{
    unload();
    QDialog::closeEvent(event);
}

void sbRev::done(int result)
{
    unload();
    QDialog::done(result);
}

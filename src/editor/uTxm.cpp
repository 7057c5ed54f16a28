#include "editor/uTxm.h"

#include "core/Frmt.h"
#include "core/Usr.h"
#include "core/yIni.h"
#include "core/zSvr.h"
#include "editor/CoolBar.h"
#include "editor/EditorServices.h"
#include "editor/HtmlBridge.h"
#include "editor/LoadWait.h"
#include "editor/TxmPageSetup.h"
#include "editor/TitleValidator.h"
#include "editor/sbTxm.h"
#include "platform/desktop/OutsideText.h"
#include "platform/richtext/ColorRef.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/RichTextEdit.h"
#include "platform/richview/RichButtonBar.h"
#include "platform/richview/RichRuler.h"
#include "platform/richview/RichStatusBar.h"
#include "platform/richview/RichView.h"
#include "tree/sbTrX.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QTextDocument>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>

namespace {

struct Swatch {
    const char *key;
    const char *name;
    int red, green, blue;
};

// "Blue" is the colour the stored pages have always used under that name.
const Swatch Swatches[10] = {
    {"Bk", "Black", 0, 0, 0},       {"Gy", "Gray", 128, 128, 128}, {"Br", "Brown", 128, 0, 0},
    {"Nv", "Navy", 0, 0, 128},      {"Bl", "Blue", 0, 255, 255},   {"Rd", "Red", 255, 0, 0},
    {"Gr", "Green", 0, 255, 0},     {"Yw", "Yellow", 255, 255, 0}, {"Pr", "Purple", 255, 0, 255},
    {"Wh", "White", 255, 255, 255},
};

const char *const ToolKeys[] = {"New", "Open", "Save", "Print", "Preview", "Cut", "Copy", "Paste", "Undo",
                                "Redo", "Find"};
const char *const ToolCaptions[] = {"新規", "開く", "保存", "印刷", "ﾌﾟﾚﾋﾞｭｰ", "切り取り", "ｺﾋﾟｰ", "貼り付け",
                                    "元に戻す", "やり直し", "検索"};
const int ToolJobs[] = {2, 1, 4, 6, 7, 13, 14, 15, 11, 12, 22};

int twipsFromSetting(const QVariant &value)
{
    // Stored margins may carry half twips (850.5); they round to even like the old integer casts.
    // A value beyond any page is kept out of the integer (the caller then refuses it).
    const double twips = value.toDouble();
    if (!std::isfinite(twips) || std::fabs(twips) > 1.0e9)
        return -1;
    return int(std::nearbyint(twips));
}

} // namespace

uTxm::uTxm(QWidget *parent, EditorServices *services)
    : QWidget(parent)
    , m_services(services)
{
    setObjectName(QStringLiteral("uTxm"));
    if (!m_services) {
        m_ownServices = std::make_unique<EditorServices>();
        m_services = m_ownServices.get();
    }
    m_page = new PageDocument(this);
    m_edit = new RichTextEdit(m_page, this);
    // The page setup and the parts (headers, footers, text frames) lie outside the texts' undo
    // histories too. What loads a page says afterwards whether the page is the stored one.
    for (auto signal : {&PageDocument::pageSetupChanged, &PageDocument::partsChanged})
        connect(m_page, signal, this, [this] { m_editsBeyondUndo = true; });
    m_form = new sbTxm(this);
    m_busy = true;
    buildBars();
    m_modified = false;
    m_busy = false;
}

uTxm::~uTxm()
{
    if (m_on)
        cOff();
}

// ---- child controls

void uTxm::buildBars()
{
    m_view = new RichView(m_edit, this);
    m_view->setObjectName(QStringLiteral("mTxt"));
    connectView();

    m_clBar = new CoolBar(this);
    m_tlBar = buildToolBar();
    m_frFmt = buildColourBar();
    auto *buttons = new RichButtonBar(m_view, this);
    // The bar's buttons are commands of the page: the keys follow the rule of the keys after one.
    buttons->setRunner([this](const std::function<void()> &work) {
        const Command command(*this);
        work();
    });
    m_vButton = buttons;
    m_vButton->setObjectName(QStringLiteral("vButton"));
    m_vStatus = new RichStatusBar(m_view, this);
    m_vStatus->setObjectName(QStringLiteral("vStatus"));
    m_clBar->addBand(m_tlBar, false);
    m_clBar->addBand(m_frFmt, false);
    m_clBar->addBand(m_vButton, true);
    m_clBar->addBand(m_vStatus, false);
    connect(m_clBar, &CoolBar::heightChanged, this, [this] {
        if (!isBusy())
            txLayout(false);
    });

    m_vRuler = new RichRuler(m_view, this);
    m_vRuler->setObjectName(QStringLiteral("vRuler"));
    auto *vertical = new QFrame(this);
    vertical->setObjectName(QStringLiteral("vRulerV"));
    vertical->setFrameShape(QFrame::StyledPanel);
    vertical->setFixedWidth(18);
    m_vRulerV = vertical;

    m_title = new QLineEdit(this);
    m_title->setObjectName(QStringLiteral("txTitle"));
    m_title->setFont(QFont(QStringLiteral("ＭＳ Ｐゴシック")));
    m_title->setPlaceholderText(QStringLiteral("ﾍﾟｰｼﾞのﾀｲﾄﾙ"));
    m_title->setValidator(new TitleValidator(m_title));
    connect(m_title, &QLineEdit::textChanged, this, [this] {
        // The title lies outside the texts' undo histories.
        if (!isBusy())
            m_editsBeyondUndo = true;
        changeMark();
    });
    m_title->installEventFilter(this);
    m_pnStatus = new QLabel(QStringLiteral("本文"), this);
    m_pnStatus->setObjectName(QStringLiteral("pnStatus"));
    m_pnStatus->setFrameShape(QFrame::Panel);
    m_pnStatus->setFrameShadow(QFrame::Sunken);
    m_pnStatus->setAlignment(Qt::AlignCenter);
    m_pnStatus->setMinimumWidth(100);
    m_pnTip = OutsideText::label(this); // the word of a tooltip field
    m_pnTip->setObjectName(QStringLiteral("pnTip"));
    m_pnTip->setFrameShape(QFrame::Box);
    m_pnTip->setAutoFillBackground(true);
    m_pnTip->hide();

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(2);
    outer->addWidget(m_clBar);
    outer->addWidget(m_vRuler);
    auto *titleRow = new QHBoxLayout;
    titleRow->addWidget(m_title, 1);
    titleRow->addWidget(m_pnStatus);
    outer->addLayout(titleRow);
    auto *body = new QHBoxLayout;
    body->setSpacing(0);
    body->addWidget(m_vRulerV);
    body->addWidget(m_view, 1);
    outer->addLayout(body, 1);
    txLayout(true);
}

QToolBar *uTxm::buildToolBar()
{
    auto *bar = new QToolBar(this);
    bar->setObjectName(QStringLiteral("tlBar"));
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    for (int i = 0; i < 11; ++i) {
        QAction *action = bar->addAction(QString::fromUtf8(ToolCaptions[i]));
        const QString key = QString::fromUtf8(ToolKeys[i]);
        action->setObjectName(key);
        action->setData(key);
        action->setProperty("job", ToolJobs[i]);
        connect(action, &QAction::triggered, this, [this, key] { toolClicked(key); });
    }
    bar->actions().at(0)->setVisible(false);
    bar->actions().at(1)->setVisible(false);
    return bar;
}

QToolBar *uTxm::buildColourBar()
{
    auto *bar = new QToolBar(this);
    bar->setObjectName(QStringLiteral("frFmt"));
    m_imFcr = new QComboBox(bar);
    m_imFcr->setObjectName(QStringLiteral("imFcr"));
    m_imFcr->setToolTip(QStringLiteral("文字色を設定します"));
    m_imFcr->setPlaceholderText(QStringLiteral("文字色"));
    m_imBcr = new QComboBox(bar);
    m_imBcr->setObjectName(QStringLiteral("imBcr"));
    m_imBcr->setToolTip(QStringLiteral("文字背景色を設定します"));
    m_imBcr->setPlaceholderText(QStringLiteral("背景色"));
    m_cmFcr = new QToolButton(bar);
    m_cmFcr->setObjectName(QStringLiteral("cmFcr"));
    m_cmFcr->setText(QStringLiteral("A"));
    m_cmBcr = new QToolButton(bar);
    m_cmBcr->setObjectName(QStringLiteral("cmBcr"));
    m_cmBcr->setText(QStringLiteral("背"));
    m_cmTfm = new QToolButton(bar);
    m_cmTfm->setObjectName(QStringLiteral("cmTfm"));
    m_cmTfm->setText(QStringLiteral("書式"));
    bar->addWidget(m_imFcr);
    bar->addWidget(m_cmFcr);
    bar->addWidget(m_imBcr);
    bar->addWidget(m_cmBcr);
    bar->addWidget(m_cmTfm);
    connect(m_imFcr, &QComboBox::activated, this, [this] { pickerApply(true); });
    connect(m_cmFcr, &QToolButton::clicked, this, [this] { pickerApply(true); });
    connect(m_imBcr, &QComboBox::activated, this, [this] { pickerApply(false); });
    connect(m_cmBcr, &QToolButton::clicked, this, [this] { pickerApply(false); });
    connect(m_cmTfm, &QToolButton::clicked, this, [this] {
        const Command command(*this);
        rtAct(71);
    });
    return bar;
}

void uTxm::fillPickers()
{
    for (QComboBox *picker : {m_imFcr, m_imBcr}) {
        for (const Swatch &swatch : Swatches) {
            QPixmap pixmap(14, 14);
            pixmap.fill(QColor(swatch.red, swatch.green, swatch.blue));
            QPainter(&pixmap).drawRect(0, 0, 13, 13);
            picker->addItem(QIcon(pixmap), QLatin1String(swatch.name), QLatin1String(swatch.key));
        }
        picker->setCurrentIndex(-1);
    }
}

bool uTxm::barShown(int bar) const
{
    return bar >= 0 && bar <= 4 && m_bars[bar];
}

// ---- life cycle

void uTxm::cOn(qintptr /*nHnd*/, int iTy, const QVariant &vShwTt, const QVariant &vFmGrp)
{
    m_on = true;
    m_kind = iTy;
    m_pictureLayout = 1;
    if (HtmlBridge *converter = HtmlBridge::current())
        converter->cOn(Usr::st().workFolder);
    m_titleShown = vShwTt.isValid() ? vShwTt.toBool() : m_edit->editMode() == 0;
    if (vFmGrp.isValid())
        m_prefix = vFmGrp.toString();
    m_form->cTyp(iTy);
    m_busy = true;
    txLoadSet(0);
    txLayout(false);
    if (m_imFcr->count() == 0) {
        fillPickers();
        m_form->cOn(this);
        txLayout(false);
        if (!Usr::st().dbName.isEmpty())
            Frmt::LoadFmt();
        RfrshBar();
        QApplication::processEvents();
    }
    // The page set up from the settings is no edit.
    if (!m_modified)
        keepAsStored();
    m_busy = false;
}

void uTxm::cOff()
{
    m_snapshot.clear();
    m_snapshotUndoes = false;
    m_form->cOff();
    const QString work = Usr::st().workFolder;
    if (!work.isEmpty()) {
        QDir dir(work);
        for (const QString &name : dir.entryList({QStringLiteral("*.png"), QStringLiteral("*.PNG")}, QDir::Files))
            QFile::remove(dir.filePath(name));
    }
    // The viewer of another page belongs to this editor: it goes with it.
    sbTrX::dropViewerOf(this);
    if (HtmlBridge *converter = HtmlBridge::current())
        converter->cOff();
    writeSettings();
    m_currentFile.clear();
    m_on = false;
}

void uTxm::cTyp(int iTy)
{
    m_kind = iTy;
    if (iTy < 0)
        Frmt::st().usrDtp = false;
    m_pictureLayout = 1;
    m_form->cTyp(iTy);
}

void uTxm::writeSettings()
{
    yIni &ini = yIni::instance();
    ini.GetGtx(QStringLiteral("TX_BAR") + m_prefix);
    ini.SetVal(QStringLiteral("RULE"), m_rulers ? QStringLiteral("表示") : QStringLiteral("非表示"));
    ini.SetVal(QStringLiteral("C_BR"), m_clBar->layoutString());
    ini.SetGtx();
    ini.GetGtx(QStringLiteral("TX_DISP") + m_prefix);
    ini.SetVal(QStringLiteral("MODE"), m_view->viewMode());
    ini.SetVal(QStringLiteral("ZOOM"), m_view->zoom());
    ini.SetVal(QStringLiteral("C_CH"), m_view->controlChars() ? QStringLiteral("表示") : QStringLiteral("非表示"));
    ini.SetGtx();
    ini.GetGtx(QStringLiteral("TX_USR"));
    ini.SetVal(QStringLiteral("IME"), m_ime);
    ini.SetVal(QStringLiteral("更新確認"), m_policy);
    ini.SetVal(QStringLiteral("WMF_PH"), m_wmfPath);
    ini.SetVal(QStringLiteral("TX_FLW"), m_pictureLayout);
    ini.SetVal(QStringLiteral("PC_CLR"), m_pictureColour);
    ini.SetGtx();
}

void uTxm::txLoadSet(int mode)
{
    yIni &ini = yIni::instance();
    if (mode != 2) {
        ini.GetGtx(QStringLiteral("TX_PAGE"));
        PageSetup setup = m_page->pageSetup();
        setup.width = twipsFromSetting(ini.vGtVal(QStringLiteral("WIDTH"), 12240));
        setup.height = twipsFromSetting(ini.vGtVal(QStringLiteral("HEIGHT"), 15840));
        setup.marginLeft = twipsFromSetting(ini.vGtVal(QStringLiteral("M_LFT"), 850.5));
        setup.marginTop = twipsFromSetting(ini.vGtVal(QStringLiteral("M_TOP"), 850.5));
        setup.marginRight = twipsFromSetting(ini.vGtVal(QStringLiteral("M_RGH"), 567));
        setup.marginBottom = twipsFromSetting(ini.vGtVal(QStringLiteral("M_BTM"), 567));
        // Defaults that the page-setup mode would refuse (an edited or old settings file) would make
        // every new page one that cannot be laid out or stored: the built-in page takes their place.
        if (!TxmPageSetup::usable(setup)) {
            const bool landscape = setup.landscape;
            setup = PageSetup();
            setup.landscape = landscape;
        }
        m_page->setPageSetup(setup);
    }
    ini.GetGtx(QStringLiteral("TX_DISP") + m_prefix);
    m_view->setViewMode(ini.vGtVal(QStringLiteral("MODE"), 0).toInt());
    setZoom(ini.vGtVal(QStringLiteral("ZOOM"), 100).toInt());
    m_view->setControlChars(ini.vGtVal(QStringLiteral("C_CH"), QStringLiteral("表示")).toString()
                            == QStringLiteral("表示"));
    m_view->setGridLines(true);
    if (mode == 0) {
        const bool editable = m_edit->editMode() == 0;
        m_clBar->setVisible(editable);
        if (editable) {
            ini.GetGtx(QStringLiteral("TX_BAR") + m_prefix);
            m_rulers = ini.vGtVal(QStringLiteral("RULE"), QStringLiteral("非表示")).toString()
                       == QStringLiteral("表示");
            m_form->item(sbTxm::mnDisp, 4)->setChecked(m_rulers);
            restoreBands(ini.vGtVal(QStringLiteral("C_BR"), QString()).toString());
        }
        ini.GetGtx(QStringLiteral("TX_USR"));
        m_ime = ini.vGtVal(QStringLiteral("IME"), QStringLiteral("OFF")).toString();
        m_policy = ini.vGtVal(QStringLiteral("更新確認"), QStringLiteral("確認")).toString();
        m_wmfPath = ini.vGtVal(QStringLiteral("WMF_PH"), QString()).toString();
        m_pictureLayout = ini.vGtVal(QStringLiteral("TX_FLW"), m_pictureLayout).toInt();
        m_pictureColour = ini.vGtVal(QStringLiteral("PC_CLR"), 0).toInt();
        bool on = m_ime == QStringLiteral("ON");
        txIME(on);
    }
}

void uTxm::restoreBands(const QString &layout)
{
    m_clBar->restore(layout);
    for (int bar = 1; bar <= 4; ++bar) {
        m_bars[bar] = m_clBar->childShown(bar);
        m_form->item(sbTxm::mnDisp, bar - 1)->setChecked(m_bars[bar]);
    }
}

void uTxm::txLayout(bool bands)
{
    m_bars[0] = m_bars[1] || m_bars[2] || m_bars[3] || m_bars[4];
    if (bands) {
        for (int bar = 1; bar <= 4; ++bar)
            m_clBar->setChildShown(bar, m_bars[bar]);
    }
    if (m_edit->editMode() == 0 || bands)
        m_clBar->setVisible(m_bars[0]);
    m_vRuler->setVisible(m_rulers);
    m_vRulerV->setVisible(m_rulers);
    m_title->setVisible(m_titleShown);
    m_pnStatus->setVisible(m_titleShown);
}

void uTxm::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (Usr::st().runTime)
        txLayout(false);
}

void uTxm::setZoom(int percent)
{
    // Zoom divides the drawn picture sizes: it must never reach 0.
    m_view->setZoom(qBound(int(RichView::MinZoom), percent, int(RichView::MaxZoom)));
}

int uTxm::zoom() const
{
    return m_view->zoom();
}

int uTxm::viewMode() const
{
    return m_view->viewMode();
}

bool uTxm::isBusy() const
{
    return m_edit->editMode() > 0 || m_busy || Usr::st().busy;
}

// ---- toolbar, pickers

void uTxm::toolClicked(const QString &key)
{
    if (isBusy())
        return;
    int job = 0;
    for (int i = 0; i < 11; ++i) {
        if (key == QLatin1String(ToolKeys[i]))
            job = ToolJobs[i];
    }
    const Command command(*this);
    rtAct(job);
}

void uTxm::pickerApply(bool foreground)
{
    if (isBusy())
        return;
    QComboBox *picker = foreground ? m_imFcr : m_imBcr;
    QToolButton *button = foreground ? m_cmFcr : m_cmBcr;
    const int index = picker->currentIndex();
    button->setProperty("hasColour", index >= 0);
    if (index < 0)
        return;
    m_busy = true;
    const Swatch &swatch = Swatches[qBound(0, index, 9)];
    const QColor colour(swatch.red, swatch.green, swatch.blue);
    QPalette palette = button->palette();
    palette.setColor(foreground ? QPalette::ButtonText : QPalette::Button, colour);
    button->setPalette(palette);
    const QString name = QLatin1String(swatch.name);
    button->setToolTip(foreground ? QStringLiteral("文字色(%1)を設定します").arg(name)
                                  : QStringLiteral("文字背景色(%1)を設定します").arg(name));
    takeSnapshot();
    const int caret = m_edit->selLength() == 0 ? m_edit->selStart() : -1;
    const QTextCharFormat typing = m_edit->cursor().charFormat();
    if (foreground)
        m_edit->setForeColor(ColorRef::fromColor(colour, 0));
    else
        m_edit->setBackColor(ColorRef::fromColor(colour, 0));
    noteChosenLook(caret, typing);
    syncToView();
    m_view->setFocus();
    m_busy = false;
    setBDcEdt(true);
    RfrshBar();
}

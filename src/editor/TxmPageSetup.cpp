#include "editor/TxmPageSetup.h"

#include "core/yIni.h"
#include "editor/uTxm.h"
#include "platform/desktop/Prompt.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richview/RichView.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTimer>

#include <cmath>

namespace {

struct Paper {
    const char *label;
    int width;
    int height;
};

const Paper Papers[15] = {
    {"A4   210 * 297 mm", 11900, 16838}, {"A5   148 * 210 mm", 8300, 11900}, {"B5   182 * 257 mm", 10318, 14581},
    {"A6   105 * 148 mm", 5949, 8380},   {"ﾌｫﾄ  102 * 152 mm", 5779, 8612},  {"ﾊｶﾞｷ 100 * 148 mm", 5666, 8386},
    {"往復   200*148 mm", 11332, 8386},  {"ﾚﾀ-   8.5 * 11 in", 12240, 15840}, {"ﾘ-ｶﾞﾙ 8.5 * 14 in", 12240, 20160},
    {"長形3号 120*235mm", 6799, 13315},  {"長形4号  90*205mm", 5099, 11615}, {"洋形1号 120*176mm", 6799, 9972},
    {"洋形2号 114*162mm", 6459, 9179},   {"洋形3号  98*148mm", 5553, 8386},  {"洋形4号 105*235mm", 5949, 13315},
};

constexpr int TwipsPerCm = 567;
// The largest paper the mode accepts: the width is the half of the height's limit.
constexpr int MaxHeight = 33680;
constexpr int MaxWidth = MaxHeight / 2;

QString centimetres(double value)
{
    return QString::number(value, 'f', 2);
}

// The leading number of a text, as the classic Val reads it ("21.5cm" -> 21.5, "x" -> 0).
double leadingNumber(const QString &text)
{
    static const QRegularExpression number(QStringLiteral("^\\s*([-+]?(\\d+\\.?\\d*|\\.\\d+))"));
    const QRegularExpressionMatch m = number.match(text);
    return m.hasMatch() ? m.captured(1).toDouble() : 0.0;
}

} // namespace

TxmPageSetup::TxmPageSetup(uTxm &editor, QWidget *parent)
    : TxmModePage(editor, parent)
{
    auto *grid = new QGridLayout(this);
    auto *paper = new QGroupBox(QStringLiteral("用紙(&P)"), this);
    auto *paperGrid = new QGridLayout(paper);
    cbPage = new QComboBox(paper);
    cbPage->setObjectName(QStringLiteral("cbPage"));
    paperGrid->addWidget(cbPage, 0, 0, 1, 3);
    OpVH[0] = new QRadioButton(QStringLiteral("縦"), paper);
    OpVH[1] = new QRadioButton(QStringLiteral("横"), paper);
    paperGrid->addWidget(OpVH[0], 0, 3);
    paperGrid->addWidget(OpVH[1], 0, 4);
    const auto box = [](QWidget *parent) {
        auto *line = new QLineEdit(parent);
        line->setMaximumWidth(70);
        return line;
    };
    txPgWd = box(paper);
    txPgHi = box(paper);
    auto *widthLabel = new QLabel(QStringLiteral("幅(&W):"), paper);
    auto *heightLabel = new QLabel(QStringLiteral("高さ(&H):"), paper);
    widthLabel->setBuddy(txPgWd); // shows "幅(W):" and Alt+W goes to the box
    heightLabel->setBuddy(txPgHi);
    paperGrid->addWidget(widthLabel, 1, 0);
    paperGrid->addWidget(txPgWd, 1, 1);
    paperGrid->addWidget(new QLabel(QStringLiteral("cm"), paper), 1, 2);
    paperGrid->addWidget(heightLabel, 2, 0);
    paperGrid->addWidget(txPgHi, 2, 1);
    paperGrid->addWidget(new QLabel(QStringLiteral("cm"), paper), 2, 2);
    grid->addWidget(paper, 0, 0);

    auto *margins = new QGroupBox(QStringLiteral("ﾍﾟｰｼﾞ余白"), this);
    auto *marginGrid = new QGridLayout(margins);
    txLftMrg = box(margins);
    txTopMrg = box(margins);
    txRghMrg = box(margins);
    txBtmMrg = box(margins);
    const QList<QPair<QString, QLineEdit *>> rows = {{QStringLiteral("左"), txLftMrg}, {QStringLiteral("上"), txTopMrg},
                                                     {QStringLiteral("右"), txRghMrg}, {QStringLiteral("下"), txBtmMrg}};
    for (int i = 0; i < 4; ++i) {
        marginGrid->addWidget(new QLabel(rows[i].first, margins), i / 2, (i % 2) * 3);
        marginGrid->addWidget(rows[i].second, i / 2, (i % 2) * 3 + 1);
        marginGrid->addWidget(new QLabel(QStringLiteral("cm"), margins), i / 2, (i % 2) * 3 + 2);
    }
    grid->addWidget(margins, 1, 0);

    auto *preview = new QFrame(this);
    preview->setFixedSize(pixels(3500, true), pixels(1000, false));
    m_shape = new QFrame(preview);
    m_shape->setFrameShape(QFrame::Box);
    grid->addWidget(preview, 0, 1);
    cmPage = new QPushButton(QStringLiteral("規定値として設定"), this);
    // Enter in a box means OK, never "store as the default of new pages".
    cmPage->setAutoDefault(false);
    grid->addWidget(cmPage, 1, 1, Qt::AlignBottom | Qt::AlignRight);

    connect(cbPage, &QComboBox::activated, this, [this](int index) {
        if (!m_loading)
            choosePaper(index);
    });
    for (int i = 0; i < 2; ++i) {
        connect(OpVH[i], &QRadioButton::clicked, this, [this, i] {
            if (!m_loading)
                setLandscape(i == 1);
        });
    }
    for (QLineEdit *line : {txPgWd, txPgHi, txLftMrg, txTopMrg, txRghMrg, txBtmMrg}) {
        connect(line, &QLineEdit::textChanged, this, [this] {
            if (!m_loading)
                CheckMargins();
        });
    }
    for (QLineEdit *line : {txPgWd, txPgHi})
        connect(line, &QLineEdit::editingFinished, this, &TxmPageSetup::PaperMatch);
    // A margin box taking the focus puts its caret after its last character.
    for (QLineEdit *line : {txLftMrg, txTopMrg, txRghMrg, txBtmMrg})
        line->installEventFilter(this);
    connect(cmPage, &QPushButton::clicked, this, &TxmPageSetup::storeDefault);
}

QString TxmPageSetup::sTwpsDlg(double twips)
{
    return centimetres((twips + 0.0005) / TwipsPerCm);
}

int TxmPageSetup::nDlgTwps(const QString &text)
{
    const double value = leadingNumber(QString(text).replace(QLatin1Char(','), QLatin1Char('.'))) * TwipsPerCm;
    if (!std::isfinite(value) || std::fabs(value) > 2.0e9)
        return 0;
    return int(std::nearbyint(value)); // halves go to the even twip
}

bool TxmPageSetup::PaperSize(int index, QString &label, int &width, int &height)
{
    if (index < 0 || index > 14)
        return false;
    label = QString::fromUtf8(Papers[index].label);
    width = Papers[index].width;
    height = Papers[index].height;
    return true;
}

void TxmPageSetup::load(const QString &)
{
    m_loading = true;
    cbPage->clear();
    for (const Paper &p : Papers)
        cbPage->addItem(QString::fromUtf8(p.label));
    cbPage->addItem(QStringLiteral("ﾕｰｻﾞｰ定義"));
    const PageSetup &setup = m_editor.page().pageSetup();
    txLftMrg->setText(sTwpsDlg(setup.marginLeft));
    txTopMrg->setText(sTwpsDlg(setup.marginTop));
    txRghMrg->setText(sTwpsDlg(setup.marginRight));
    txBtmMrg->setText(sTwpsDlg(setup.marginBottom));
    txPgWd->setText(sTwpsDlg(setup.width));
    txPgHi->setText(sTwpsDlg(setup.height));
    m_landscape = leadingNumber(txPgHi->text()) < leadingNumber(txPgWd->text());
    OpVH[m_landscape ? 1 : 0]->setChecked(true);
    for (QLineEdit *line : {txPgWd, txPgHi, txLftMrg, txTopMrg, txRghMrg, txBtmMrg})
        line->setCursorPosition(6);
    PaperMatch();
    m_loading = false;
    m_okEnabled = true;
    emit okAllowed(true);
    PaperFill(true);
}

void TxmPageSetup::choosePaper(int index)
{
    cbPage->setCurrentIndex(index);
    PaperFill(false);
}

void TxmPageSetup::setLandscape(bool landscape)
{
    OpVH[landscape ? 1 : 0]->setChecked(true);
    m_landscape = landscape;
    PaperFill(false);
}

void TxmPageSetup::PaperFill(bool previewOnly)
{
    if (m_loading)
        return;
    if (!previewOnly) {
        QString label;
        int w = 0;
        int h = 0;
        PaperSize(cbPage->currentIndex(), label, w, h);
        txPgWd->setText(sTwpsDlg(m_landscape ? h : w));
        txPgHi->setText(sTwpsDlg(m_landscape ? w : h));
        txLftMrg->setText(centimetres((w + 0.0005) / TwipsPerCm / 10));
        txRghMrg->setText(centimetres((w + 0.0005) / TwipsPerCm / 10));
        txTopMrg->setText(centimetres((h + 0.0005) / TwipsPerCm / 10));
        txBtmMrg->setText(centimetres((h + 0.0005) / TwipsPerCm / 10));
    }
    const QRect r = previewRect();
    m_shape->setGeometry(r);
}

int TxmPageSetup::pixels(double twips, bool horizontal) const
{
    const int dpi = horizontal ? logicalDpiX() : logicalDpiY();
    return qRound(twips * (dpi > 0 ? dpi : 96) / 1440);
}

QRect TxmPageSetup::previewRect() const
{
    const double width = leadingNumber(txPgWd->text()) * 1000 / 37;
    const double height = leadingNumber(txPgHi->text()) * 1000 / 37;
    const double top = (1000 - height) / 2;
    const double left = (3500 - width) / 2;
    return QRect(pixels(left, true), pixels(top, false), pixels(width, true), pixels(height, false));
}

void TxmPageSetup::PaperMatch()
{
    int a = nDlgTwps(txPgWd->text());
    int b = nDlgTwps(txPgHi->text());
    if (m_landscape)
        std::swap(a, b);
    int found = 15;
    for (int i = 0; i < 15; ++i) {
        if (std::abs(a - Papers[i].width) < 5 && std::abs(b - Papers[i].height) < 5) {
            found = i;
            break;
        }
    }
    const bool loading = m_loading;
    m_loading = true;
    cbPage->setCurrentIndex(found);
    m_loading = loading;
}

void TxmPageSetup::CheckMargins()
{
    const int w = nDlgTwps(txPgWd->text());
    const int h = nDlgTwps(txPgHi->text());
    const int l = nDlgTwps(txLftMrg->text());
    const int r = nDlgTwps(txRghMrg->text());
    const int t = nDlgTwps(txTopMrg->text());
    const int b = nDlgTwps(txBtmMrg->text());
    m_okEnabled = l >= 0 && l <= w && r >= 0 && r <= w && t >= 0 && t <= h && b >= 0 && b <= h && w >= 0
                  && w <= MaxWidth && h >= 0 && h <= MaxHeight;
    emit okAllowed(m_okEnabled);
}

bool TxmPageSetup::okEnabled() const
{
    return m_okEnabled;
}

bool TxmPageSetup::usable(const PageSetup &setup)
{
    // Each value is bounded before any sum, so nothing here can overflow.
    const auto within = [](int value, int limit) { return value >= 0 && value <= limit; };
    return setup.width > 0 && setup.height > 0 && within(setup.width, MaxWidth) && within(setup.height, MaxHeight)
           && within(setup.marginLeft, setup.width) && within(setup.marginRight, setup.width)
           && within(setup.marginTop, setup.height) && within(setup.marginBottom, setup.height)
           && setup.marginLeft + setup.marginRight < setup.width
           && setup.marginTop + setup.marginBottom < setup.height;
}

PageSetup TxmPageSetup::typedSetup() const
{
    PageSetup setup = m_editor.page().pageSetup();
    setup.marginLeft = nDlgTwps(txLftMrg->text());
    setup.marginTop = nDlgTwps(txTopMrg->text());
    setup.marginRight = nDlgTwps(txRghMrg->text());
    setup.marginBottom = nDlgTwps(txBtmMrg->text());
    setup.width = nDlgTwps(txPgWd->text());
    setup.height = nDlgTwps(txPgHi->text());
    return setup;
}

bool TxmPageSetup::checkUsable(const PageSetup &setup)
{
    // A page without size, or margins that leave no room for text, cannot be laid out.
    if (m_okEnabled && usable(setup))
        return true;
    Prompt::current().message(QStringLiteral("用紙のｻｲｽﾞと余白では文字を書く範囲がありません\n"
                                             "幅･高さと余白を確認して下さい"),
                              Prompt::OkOnly | Prompt::Exclamation);
    return false;
}

bool TxmPageSetup::apply(QString &)
{
    const PageSetup setup = typedSetup();
    if (!checkUsable(setup))
        return false;
    m_editor.page().setPageSetup(setup);
    if (RichView *view = m_editor.view())
        view->refresh();
    return true;
}

void TxmPageSetup::storeDefault()
{
    // Every new page starts from these values: a page that could not be laid out is never stored.
    const PageSetup setup = typedSetup();
    if (!checkUsable(setup))
        return;
    yIni &ini = yIni::instance();
    ini.GetGtx(QStringLiteral("TX_PAGE"));
    ini.SetVal(QStringLiteral("WIDTH"), setup.width);
    ini.SetVal(QStringLiteral("HEIGHT"), setup.height);
    ini.SetVal(QStringLiteral("M_LFT"), setup.marginLeft);
    ini.SetVal(QStringLiteral("M_TOP"), setup.marginTop);
    ini.SetVal(QStringLiteral("M_RGH"), setup.marginRight);
    ini.SetVal(QStringLiteral("M_BTM"), setup.marginBottom);
    ini.SetGtx();
}

bool TxmPageSetup::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusIn) {
        for (QLineEdit *line : {txLftMrg, txTopMrg, txRghMrg, txBtmMrg}) {
            if (watched == line) {
                // After Qt's own focus handling, which may select the whole text on a Tab.
                QTimer::singleShot(0, line, [line] { line->end(false); });
            }
        }
    }
    return TxmModePage::eventFilter(watched, event);
}

QWidget *TxmPageSetup::firstFocus()
{
    return cbPage;
}

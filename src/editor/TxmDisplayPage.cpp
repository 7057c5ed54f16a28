#include "editor/TxmDisplayPage.h"

#include "core/yIni.h"
#include "editor/uTxm.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richview/RichView.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QRegularExpression>
#include <QVBoxLayout>

#include <cmath>

namespace {

const int Fixed[5] = {150, 125, 100, 75, 50};

} // namespace

TxmDisplayPage::TxmDisplayPage(uTxm &editor, QWidget *parent)
    : TxmModePage(editor, parent)
{
    auto *layout = new QHBoxLayout(this);
    auto *view = new QGroupBox(QStringLiteral("ﾍﾟｰｼﾞの表示"), this);
    auto *viewLayout = new QVBoxLayout(view);
    opDP[0] = new QRadioButton(QStringLiteral("ﾉｰﾏﾙ (境界線無し)"), view);
    opDP[1] = new QRadioButton(QStringLiteral("ﾍﾟｰｼﾞ･ｾﾝﾀﾘﾝｸﾞ"), view);
    viewLayout->addWidget(opDP[0]);
    viewLayout->addWidget(opDP[1]);
    viewLayout->addStretch(1);
    layout->addWidget(view);
    auto *zoom = new QGroupBox(QStringLiteral("ｽﾞ-ﾑ"), this);
    auto *zoomGrid = new QGridLayout(zoom);
    const char *const captions[8] = {"150 %", "125 %", "100 %", " 75 %", " 50 %", "ﾍﾟ-ｼﾞ合せ", "巾合せ", "指定"};
    for (int i = 0; i < 8; ++i) {
        opZoom[i] = new QRadioButton(QString::fromUtf8(captions[i]), zoom);
        zoomGrid->addWidget(opZoom[i], i % 4, i / 4);
    }
    txZoom = new QLineEdit(zoom);
    txZoom->setMaximumWidth(60);
    zoomGrid->addWidget(txZoom, 4, 1);
    layout->addWidget(zoom);
    connect(txZoom, &QLineEdit::textEdited, this, [this] { opZoom[7]->setChecked(true); });
}

void TxmDisplayPage::load(const QString &)
{
    const int zoom = qint16(m_editor.zoom());
    opDP[m_editor.viewMode() != 0 ? 1 : 0]->setChecked(true);
    for (int i = 0; i < 5; ++i) {
        if (Fixed[i] == zoom) {
            opZoom[i]->setChecked(true);
            return;
        }
    }
    opZoom[7]->setChecked(true);
    txZoom->setText(QString::number(zoom));
}

int TxmDisplayPage::zoomFor(int k, double cw, double ch, double pw, double ph) const
{
    double z = 0;
    if (k >= 0 && k <= 4) {
        z = Fixed[k];
    } else if (k == 5 && pw > 0 && ph > 0) {
        z = ch / ph > cw / pw ? cw * 97 / pw : ch * 97 / ph;
    } else if (k == 6 && pw > 0) {
        z = cw * 97 / pw;
    } else if (k == 7) {
        static const QRegularExpression number(QStringLiteral("^\\s*([-+]?(\\d+\\.?\\d*|\\.\\d+))"));
        const QRegularExpressionMatch m = number.match(txZoom->text());
        z = m.hasMatch() ? m.captured(1).toDouble() : 0;
    }
    z = std::nearbyint(qBound(-1.0e6, z, 1.0e6));
    return int(qBound(10.0, z, 400.0));
}

bool TxmDisplayPage::apply(QString &)
{
    int k = 8;
    for (int i = 0; i < 8; ++i) {
        if (opZoom[i]->isChecked()) {
            k = i;
            break;
        }
    }
    const int mode = opDP[1]->isChecked() ? 2 : 0;
    const PageSetup &setup = m_editor.page().pageSetup();
    RichView *view = m_editor.view();
    const QWidget *host = view ? static_cast<QWidget *>(view) : static_cast<QWidget *>(&m_editor);
    // The view's size in twips at the screen's resolution (the view scales its pages by it too).
    const double dpiX = host->logicalDpiX() > 0 ? host->logicalDpiX() : 96;
    const double dpiY = host->logicalDpiY() > 0 ? host->logicalDpiY() : 96;
    const int zoom = zoomFor(k, host->width() * 1440 / dpiX, host->height() * 1440 / dpiY, setup.width,
                             setup.height);
    if (view) {
        view->setViewMode(mode);
        view->setZoom(zoom);
    }
    yIni &ini = yIni::instance();
    ini.GetGtx(QStringLiteral("TX_DISP"));
    ini.SetVal(QStringLiteral("MODE"), mode);
    ini.SetVal(QStringLiteral("ZOOM"), zoom);
    ini.SetGtx();
    return true;
}

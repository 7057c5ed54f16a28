#include "editor/sbScrpt.h"

#include "core/Usr.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

sbScrpt::sbScrpt(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("sbScrpt"));
    setWindowTitle(QStringLiteral("Scriptの指定"));
    setModal(true);
    auto *layout = new QVBoxLayout(this);
    txRtx = new QPlainTextEdit(this);
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSizeF(9.75);
    txRtx->setFont(font);
    layout->addWidget(txRtx, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    cmOk[0] = new QPushButton(QStringLiteral("&Ok"), this);
    cmOk[1] = new QPushButton(QStringLiteral("&Cancel"), this);
    buttons->addWidget(cmOk[0]);
    buttons->addWidget(cmOk[1]);
    layout->addLayout(buttons);
    connect(cmOk[0], &QPushButton::clicked, this, [this] { press(0); });
    connect(cmOk[1], &QPushButton::clicked, this, [this] { press(1); });
    resize(480, 320);
}

sbScrpt &sbScrpt::instance()
{
    static QPointer<sbScrpt> window;
    if (!window)
        window = new sbScrpt(Usr::st().mainWindow);
    return *window;
}

void sbScrpt::Act(QString &sTx)
{
    sbScrpt &w = instance();
    w.m_ok = false;
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        w.move(area.left() + (area.width() - w.width()) / 2, area.top() + (area.height() - w.height()) / 2);
    }
    // Each opening starts in the text, whichever button closed the window the last time.
    w.txRtx->setFocus();
    w.exec();
    sTx = w.result();
}

QString sbScrpt::text() const
{
    return txRtx->toPlainText();
}

void sbScrpt::press(int index)
{
    m_ok = index == 0;
    if (m_ok)
        accept();
    else
        reject();
}

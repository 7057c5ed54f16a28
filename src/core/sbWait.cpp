#include "core/sbWait.h"

#include "core/Usr.h"
#include "platform/desktop/OutsideText.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPointer>
#include <QScreen>
#include <QThread>
#include <QVBoxLayout>
#include <QWindow>

namespace {
QPointer<sbWait> theWindow;
}

sbWait::sbWait()
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    auto *frame = new QFrame(this);
    frame->setFrameStyle(QFrame::Panel | QFrame::Raised);
    frame->setLineWidth(2);
    SSPanel1 = OutsideText::label(frame);
    SSPanel1->setObjectName(QStringLiteral("SSPanel1"));
    SSPanel1->setAlignment(Qt::AlignCenter);
    m_bar = new QProgressBar(frame);
    m_bar->setObjectName(QStringLiteral("pbWait"));
    m_bar->setTextVisible(false);
    m_bar->setMaximumHeight(12);
    m_bar->hide();
    auto *inner = new QVBoxLayout(frame);
    inner->addWidget(SSPanel1);
    inner->addWidget(m_bar);
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(frame);
    setFixedSize(MinimumWidth, 72);
}

QString sbWait::defaultMessage()
{
    return QStringLiteral("ﾃﾞｰﾀｰﾍﾞｰｽ問合せ中 お待ちください");
}

void sbWait::cMsg(QString &message)
{
    if (message.isEmpty())
        message = defaultMessage();
    if (!theWindow) {
        theWindow = new sbWait;
        theWindow->m_busyBefore = Usr::st().busy;
        theWindow->placeOnLoad();
    }
    theWindow->showText(message);
    Usr::st().busy = true;
    const bool shown = theWindow->isVisible();
    theWindow->show();
    QCoreApplication::processEvents();
    if (!shown)
        theWindow->drawNow();
}

// A window shown is not drawn yet: the window system maps it and asks for its painting a moment
// later, when the job has begun and keeps the event loop from running. The job waits for that
// moment (a short while at most) and the window is drawn before it starts.
void sbWait::drawNow()
{
    QElapsedTimer waited;
    waited.start();
    const QWindow *window = windowHandle();
    while (window && !window->isExposed() && waited.elapsed() < ExposeWait) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        QThread::msleep(2);
    }
    repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void sbWait::cMsg(const QString &message)
{
    QString text = message;
    cMsg(text);
}

void sbWait::cEnd()
{
    bool busy = false;
    if (theWindow) {
        busy = theWindow->m_busyBefore;
        delete theWindow;
    }
    Usr::st().busy = busy;
    QCoreApplication::processEvents();
}

void sbWait::cProgress(int done, int total)
{
    if (!theWindow)
        return;
    QProgressBar *bar = theWindow->m_bar;
    if (total <= 0) {
        bar->hide();
    } else {
        bar->setRange(0, total);
        bar->setValue(qBound(0, done, total));
        bar->show();
    }
    // Repaints, timers and the like run; a click meanwhile waits for the job's end.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

int sbWait::progressValue() { return theWindow && !theWindow->m_bar->isHidden() ? theWindow->m_bar->value() : -1; }

int sbWait::progressMaximum() { return theWindow && !theWindow->m_bar->isHidden() ? theWindow->m_bar->maximum() : -1; }

bool sbWait::isShown() { return theWindow && theWindow->isVisible(); }

QString sbWait::shownMessage() { return theWindow ? theWindow->m_message : QString(); }

// A long text (a whole folder path) widens the window, up to the screen's width; what is still too
// long loses its middle, so that both its start and what is being done stay readable.
void sbWait::showText(const QString &message)
{
    m_message = message;
    QRect screen;
    if (QScreen *s = this->screen() ? this->screen() : QGuiApplication::primaryScreen())
        screen = s->availableGeometry();
    const int margins = 40;
    const int widest = screen.isValid() ? qMax(MinimumWidth, screen.width() * 9 / 10) : 1000;
    const int needed = SSPanel1->fontMetrics().horizontalAdvance(message) + margins;
    const int w = qBound(MinimumWidth, needed, widest);
    if (w != width()) {
        const QPoint centre = geometry().center();
        setFixedSize(w, height());
        QPoint at = centre - rect().center();
        if (screen.isValid())
            at.setX(qBound(screen.left(), at.x(), qMax(screen.left(), screen.right() - w)));
        move(at);
    }
    const QString shown = SSPanel1->fontMetrics().elidedText(message, Qt::ElideMiddle, w - margins);
    SSPanel1->setText(shown);
    SSPanel1->setToolTip(shown == message ? QString() : OutsideText::tip(message));
}

// During start-up (no program name yet) the screen is the reference; later the
// main theWindow, so that the message appears where the user works.
void sbWait::placeOnLoad()
{
    QRect area;
    QWidget *main = Usr::st().mainWindow;
    if (!Usr::st().baseName.isEmpty() && main)
        area = main->frameGeometry();
    else if (QScreen *screen = QGuiApplication::primaryScreen())
        area = screen->availableGeometry();
    if (area.isValid())
        move(area.center() - rect().center());
}

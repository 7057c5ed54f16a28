#include "platform/desktop/OnTopAside.h"

#include <QApplication>

OnTopAside::OnTopAside()
{
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (window->isVisible() && window->windowFlags().testFlag(Qt::WindowStaysOnTopHint)) {
            window->hide();
            m_hidden.append(window);
        }
    }
}

OnTopAside::~OnTopAside()
{
    // A window closed meanwhile (the job ended) stays closed.
    for (const QPointer<QWidget> &window : std::as_const(m_hidden)) {
        if (window)
            window->show();
    }
}

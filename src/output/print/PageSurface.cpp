#include "output/print/PageSurface.h"

#include <QPainter>

PageSurface::PageSurface(QWidget *parent, Painter painter)
    : QWidget(parent)
    , m_painter(std::move(painter))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PageSurface::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    if (m_painter)
        m_painter(painter);
}

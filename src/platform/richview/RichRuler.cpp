#include "platform/richview/RichRuler.h"

#include "platform/richtext/RichTextEdit.h"
#include "platform/richview/RichView.h"

#include <QPainter>
#include <QPolygonF>
#include <QScrollBar>

namespace {
constexpr double TwipsPerCm = 1440 / 2.54;
}

RichRuler::RichRuler(RichView *view, QWidget *parent)
    : QWidget(parent), m_view(view)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    auto repaint = [this] { update(); };
    connect(view, &RichView::caretMoved, this, repaint);
    connect(view, &RichView::viewChanged, this, repaint);
    connect(view, &RichView::changed, this, repaint);
    connect(view->horizontalScrollBar(), &QScrollBar::valueChanged, this, repaint);
}

QSize RichRuler::sizeHint() const
{
    return QSize(200, 22);
}

double RichRuler::xOf(int twips) const
{
    const QRectF text = m_view->pageGeometry().textRect(0);
    const QPointF scene(text.left() + twips / 15.0, text.top());
    const QPoint inView = m_view->mapFromScene(scene);
    // The ruler and the view need not share a parent: go through the screen.
    return mapFromGlobal(m_view->viewport()->mapToGlobal(inView)).x();
}

void RichRuler::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    const PageSetup &setup = m_view->pageGeometry().setup();
    const double left = xOf(0);
    const double right = xOf(setup.textWidth());
    painter.fillRect(QRectF(xOf(-setup.marginLeft), 3, left - xOf(-setup.marginLeft), height() - 6),
                     QColor(200, 200, 200));
    painter.fillRect(QRectF(left, 3, right - left, height() - 6), Qt::white);
    painter.fillRect(QRectF(right, 3, xOf(setup.textWidth() + setup.marginRight) - right, height() - 6),
                     QColor(200, 200, 200));
    painter.setPen(palette().color(QPalette::WindowText));
    QFont font = painter.font();
    font.setPixelSize(9);
    painter.setFont(font);
    // Half-centimetre ticks, numbered every centimetre.
    for (int half = 1; half * TwipsPerCm / 2 < setup.textWidth(); ++half) {
        const double x = xOf(int(half * TwipsPerCm / 2));
        if (half % 2 == 0)
            painter.drawText(QRectF(x - 10, 3, 20, height() - 6), Qt::AlignCenter, QString::number(half / 2));
        else
            painter.drawLine(QPointF(x, height() / 2.0 - 2), QPointF(x, height() / 2.0 + 2));
    }
    // Indents of the caret's paragraph.
    const RichTextEdit *edit = m_view->edit();
    const double first = xOf(edit->indentLeft() + edit->indentFirstLine());
    const double indent = xOf(edit->indentLeft());
    const double end = xOf(setup.textWidth() - edit->indentRight());
    painter.setBrush(QColor(90, 90, 90));
    painter.setPen(Qt::NoPen);
    painter.drawPolygon(QPolygonF({QPointF(first - 4, 0), QPointF(first + 4, 0), QPointF(first, 5)}));
    painter.drawPolygon(QPolygonF({QPointF(indent - 4, height()), QPointF(indent + 4, height()),
                                   QPointF(indent, height() - 5)}));
    painter.drawPolygon(QPolygonF({QPointF(end - 4, height()), QPointF(end + 4, height()),
                                   QPointF(end, height() - 5)}));
}

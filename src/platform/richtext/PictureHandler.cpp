#include "platform/richtext/PictureHandler.h"

#include "platform/richtext/PageDocument.h"

#include <QAbstractTextDocumentLayout>
#include <QPaintDevice>
#include <QPainter>
#include <QTextDocument>
#include <QTextImageFormat>

PictureHandler::PictureHandler(PageDocument *page)
    : QObject(page), m_page(page)
{
}

QSizeF PictureHandler::intrinsicSize(QTextDocument *doc, int, const QTextFormat &format)
{
    const QTextImageFormat fmt = format.toImageFormat();
    const QImage image = m_page->pictureImage(fmt.name());
    QSizeF size(fmt.width(), fmt.height());
    const QSizeF natural = image.isNull() ? QSizeF(16, 16) : QSizeF(image.size());
    // A side left open follows the picture's proportions.
    if (size.width() <= 0 && size.height() <= 0)
        size = natural;
    else if (size.width() <= 0)
        size.setWidth(size.height() * natural.width() / natural.height());
    else if (size.height() <= 0)
        size.setHeight(size.width() * natural.height() / natural.width());
    // Damaged sizes stay within a hundred inches.
    size = size.boundedTo(QSizeF(9600, 9600)).expandedTo(QSizeF(1, 1));
    // Sizes are pixels at 96 dpi; a layout on another device (a printer) scales them as Qt does.
    if (const QPaintDevice *device = doc->documentLayout()->paintDevice())
        size *= device->logicalDpiY() / 96.0;
    return size;
}

void PictureHandler::drawObject(QPainter *painter, const QRectF &rect, QTextDocument *, int,
                                const QTextFormat &format)
{
    const QImage image = m_page->pictureImage(format.toImageFormat().name());
    if (!image.isNull()) {
        painter->drawImage(rect, image);
        return;
    }
    // A picture whose bytes are missing keeps its place as an empty box.
    painter->save();
    painter->setPen(QPen(Qt::gray, 0, Qt::DashLine));
    painter->drawRect(rect.adjusted(0, 0, -1, -1));
    painter->restore();
}

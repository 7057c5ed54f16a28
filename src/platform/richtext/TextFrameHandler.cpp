#include "platform/richtext/TextFrameHandler.h"

#include "platform/richtext/ColorRef.h"
#include "platform/richtext/HeldLetters.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/TextProps.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QTextDocument>

using namespace TextProps;

TextFrameHandler::TextFrameHandler(PageDocument *page)
    : QObject(page), m_page(page)
{
}

QSizeF TextFrameHandler::intrinsicSize(QTextDocument *, int, const QTextFormat &format)
{
    const int width = qBound(15, format.intProperty(FrameWidth), 1440 * 100);
    const int height = qBound(15, format.intProperty(FrameHeight), 1440 * 100);
    return QSizeF(width / 15.0, height / 15.0);
}

void TextFrameHandler::drawObject(QPainter *painter, const QRectF &rect, QTextDocument *, int,
                                  const QTextFormat &format)
{
    painter->save();
    const QColor background = format.hasProperty(FrameBackground)
        ? ColorRef::toColor(format.intProperty(FrameBackground)) : QColor();
    if (background.isValid())
        painter->fillRect(rect, background);
    if (format.intProperty(FrameBorder) > 0)
        painter->drawRect(rect.adjusted(0, 0, -1, -1));
    // Frames hold no frames; a frame's text naming a frame (damaged bytes, itself even) shows the box.
    QTextDocument *text = m_page->frameDocument(format.intProperty(ObjectId));
    if (text && m_drawing == 0) {
        ++m_drawing;
        text->setTextWidth(rect.width());
        painter->translate(rect.topLeft());
        painter->setClipRect(QRectF(QPointF(0, 0), rect.size()));
        HeldLetters::drawContents(painter, text, QRectF(QPointF(0, 0), rect.size()));
        --m_drawing;
    }
    painter->restore();
}

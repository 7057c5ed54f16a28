#pragma once

// The layout of a part as its own layout left it after edits, against Qt's layout of the same text
// from its start: where each block and line lies, and the text drawn in strips.
#include <QAbstractTextDocumentLayout>
#include <QImage>
#include <QList>
#include <QPainter>
#include <QRectF>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

namespace LayoutCheck {

// Where each block and each of its lines lies, and the size of the whole (last: after lines moved
// below a key, Qt sets the size again once it is read).
inline QList<QRectF> geometry(QTextDocument *doc)
{
    QList<QRectF> rects;
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        const QTextLayout *lines = block.layout();
        rects << doc->documentLayout()->blockBoundingRect(block);
        for (int i = 0; i < lines->lineCount(); ++i)
            rects << lines->lineAt(i).rect();
    }
    rects << QRectF(QPointF(), doc->documentLayout()->documentSize());
    return rects;
}

// The same after Qt laid the whole text out again.
inline QList<QRectF> laidOutAgain(QTextDocument *doc)
{
    doc->markContentsDirty(0, doc->characterCount());
    return geometry(doc);
}

// The text drawn in strips `height` high, every `step` down to `bottom` (the pages when 0), each
// strip from its own top (Qt finds the first block to draw from its notes of where blocks begin).
inline QList<QImage> strips(QTextDocument *doc, qreal height = 120, qreal step = 97, qreal bottom = 0)
{
    QList<QImage> images;
    if (bottom <= 0)
        bottom = doc->pageSize().height() * 8;
    for (qreal top = 0; top < bottom; top += step) {
        QImage image(int(doc->pageSize().width()), int(height), QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.translate(0, -top);
        QAbstractTextDocumentLayout::PaintContext context;
        context.clip = QRectF(0, top, image.width(), image.height());
        doc->documentLayout()->draw(&painter, context);
        images << image;
    }
    return images;
}

} // namespace LayoutCheck

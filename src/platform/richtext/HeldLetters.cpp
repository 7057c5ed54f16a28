#include "platform/richtext/HeldLetters.h"

#include "platform/richtext/LayoutLines.h"
#include "platform/richtext/LineBlocks.h"

#include <QAbstractTextDocumentLayout>
#include <QGuiApplication>
#include <QPalette>
#include <QPainter>
#include <QTextBlock>
#include <QTextDocument>
#include <QRawFont>
#include <QTextLayout>

namespace {

void drawLetter(QPainter *painter, const QTextBlock &block, const QPointF &origin, const HeldLetters::Look &look)
{
    const QTextLayout *layout = block.layout();
    if (!layout || layout->lineCount() == 0)
        return;
    const QTextLine line = layout->lineAt(0);
    const QTextCharFormat format = block.charFormat(); // the separator's, the letter's own
    const QChar letter = LineBlocks::standsFor(block);
    const double width = HeldLetters::width(block.document(), letter, format);
    // The room the block leaves in front of its first line: at the right of a right-to-left one.
    const double front = line.cursorToX(0);
    const double left = block.textDirection() == Qt::RightToLeft ? front : front - width;
    const QRectF box(origin.x() + left, origin.y() + line.y(), width, line.height());
    const int at = block.position() - 1;
    const bool selected = at >= look.selectionStart && at < look.selectionEnd;
    QColor color = look.text;
    if (selected) {
        painter->fillRect(box, look.highlight);
        color = look.highlightedText;
    } else {
        if (format.background().style() != Qt::NoBrush)
            painter->fillRect(box, format.background());
        if (format.foreground().style() != Qt::NoBrush)
            color = format.foreground().color();
    }
    painter->setPen(color);
    // The painter sizes a font by its device's resolution, the layout by the screen's.
    QFont font = format.font().resolve(block.document()->defaultFont());
    if (painter->device())
        font.setPointSizeF(QRawFont::fromFont(font).pixelSize() * 72.0 / painter->device()->logicalDpiY());
    painter->setFont(font);
    painter->drawText(QPointF(box.left(), box.top() + line.ascent()), QString(letter));
}

} // namespace

double HeldLetters::width(const QTextDocument *doc, QChar letter, const QTextCharFormat &format)
{
    // In the metrics of the screen whatever the painter draws on: a printer's font would be scaled
    // twice.
    QTextLayout glyph(QString(letter), format.font().resolve(doc->defaultFont()));
    glyph.beginLayout();
    const QTextLine line = glyph.createLine();
    glyph.endLayout();
    return line.horizontalAdvance();
}

void HeldLetters::draw(QPainter *painter, QTextDocument *doc, const QRectF &area, const Look &look)
{
    if (!doc)
        return;
    painter->save();
    LayoutLines::visitBlocksIn(doc, area, [&](const QTextBlock &block, const QRectF &rect) {
        if (LineBlocks::drawsLetter(block))
            drawLetter(painter, block, rect.topLeft(), look);
    });
    painter->restore();
}

void HeldLetters::drawContents(QPainter *painter, QTextDocument *doc, const QRectF &clip)
{
    doc->drawContents(painter, clip);
    Look look;
    look.text = QGuiApplication::palette().color(QPalette::Text);
    draw(painter, doc, clip, look);
}

#include "platform/richview/ViewMarks.h"

#include "platform/richtext/LayoutLines.h"
#include "platform/richtext/LineBlocks.h"
#include "platform/richtext/PositionText.h"
#include "platform/richtext/TableOps.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QTextTable>

#include <algorithm>

namespace {
const QColor MarkColor(80, 120, 200);

void drawMark(QPainter *painter, const QPointF &at, const QString &mark, double size)
{
    QFont font = painter->font();
    font.setPixelSize(qMax(6, int(size)));
    painter->setFont(font);
    painter->drawText(at, mark);
}

// Marks take the size of the paragraph's last text, not of a tall picture in its line. Read from
// the back: a long paragraph may hold many runs.
double markSize(const QTextBlock &block)
{
    QTextCharFormat last = block.charFormat();
    for (auto it = block.end(); it != block.begin();) {
        --it;
        if (!it.fragment().charFormat().isImageFormat()) {
            last = it.fragment().charFormat();
            break;
        }
    }
    const double points = last.hasProperty(QTextFormat::FontPointSize) ? last.fontPointSize() : 10.5;
    return points * 96.0 / 72.0 * 0.9;
}

void drawBlockMarks(QPainter *painter, const QTextBlock &block, const QPointF &origin, const QRectF &area)
{
    const QTextLayout *layout = block.layout();
    const QTextDocument *doc = block.document();
    const int length = block.length() - 1;
    auto at = [&](int pos) { return doc->characterAt(block.position() + pos); };
    const double size = markSize(block);
    // The last line of a block that a line of the same paragraph follows (LineBlocks) ends in a line
    // break, or in a space where the paragraph is parted without one.
    const QTextBlock next = block.next();
    const bool paragraphEnds = !LineBlocks::continues(next);
    const bool heldBreak = !paragraphEnds && LineBlocks::standsFor(next) == QChar::LineSeparator;
    // The lines in the area, and one more on either side: a tall picture may lift its line over
    // the one before.
    const int first = qMax(0, LayoutLines::firstLineBelow(layout, area.top() - origin.y()) - 2);
    const int end = qMin(layout->lineCount(), LayoutLines::firstLineBelow(layout, area.bottom() - origin.y()) + 1);
    for (int i = first; i < end; ++i) {
        const QTextLine line = layout->lineAt(i);
        if (line.height() < 3)
            continue; // the empty blocks Qt keeps around tables have no line to mark
        const double lineTop = origin.y() + line.y();
        if (lineTop > area.bottom() || lineTop + line.height() < area.top())
            continue;
        const QPointF base = origin + QPointF(line.x(), line.y() + line.ascent());
        const int lineEnd = line.textStart() + line.textLength();
        for (int pos = line.textStart(); pos < lineEnd; ++pos) {
            if (at(pos) == QLatin1Char('\t'))
                drawMark(painter, base + QPointF(line.cursorToX(pos), 0), QStringLiteral("→"), size);
        }
        const bool lastLine = i == layout->lineCount() - 1;
        const bool lineBreak = lineEnd > 0 && lineEnd <= length && at(lineEnd - 1) == QChar::LineSeparator;
        const QPointF tail = QPointF(origin.x() + line.x() + line.naturalTextWidth() + 1, base.y());
        if (lastLine && paragraphEnds)
            drawMark(painter, tail, QStringLiteral("¶"), size);
        else if (lineBreak || (lastLine && heldBreak))
            drawMark(painter, tail, QStringLiteral("↵"), size);
    }
}

// The empty blocks that open and close a table hold its boundaries, not paragraphs of the text.
bool isTableBoundary(const QTextBlock &block)
{
    if (block.length() > 1)
        return false;
    const QTextDocument *doc = block.document();
    const int end = block.position() + block.length() - 1;
    return PositionText::isStructure(doc->characterAt(end))
        || (block.position() > 0 && PositionText::isStructure(doc->characterAt(block.position() - 1)));
}

// Left edges of the columns and top edges of the rows, from the cells' first lines.
void tableEdges(QTextTable *table, QAbstractTextDocumentLayout *layout, QList<double> &cols,
                QList<double> &rows)
{
    const QRectF box = layout->frameBoundingRect(table);
    cols = QList<double>(table->columns() + 1, box.right());
    rows = QList<double>(table->rows() + 1, box.bottom());
    cols[0] = box.left();
    rows[0] = box.top();
    const double pad = table->format().cellPadding() + table->format().cellSpacing();
    for (int r = 0; r < table->rows(); ++r) {
        for (int c = 0; c < table->columns(); ++c) {
            const QTextTableCell cell = table->cellAt(r, c);
            if (cell.row() != r || cell.column() != c)
                continue;
            const QRectF first = layout->blockBoundingRect(cell.firstCursorPosition().block());
            if (c > 0)
                cols[c] = std::min(cols[c], first.left() - pad);
            if (r > 0)
                rows[r] = std::min(rows[r], first.top() - pad);
        }
    }
}
} // namespace

void ViewMarks::drawControlChars(QPainter *painter, QTextDocument *doc, const QRectF &area)
{
    if (!doc)
        return;
    painter->save();
    painter->setPen(MarkColor);
    LayoutLines::visitBlocksIn(doc, area, [&](const QTextBlock &block, const QRectF &rect) {
        if (block.layout() && !isTableBoundary(block))
            drawBlockMarks(painter, block, rect.topLeft(), area);
    });
    painter->restore();
}

void ViewMarks::drawGridLines(QPainter *painter, QTextDocument *doc, const QRectF &area)
{
    if (!doc)
        return;
    QAbstractTextDocumentLayout *layout = doc->documentLayout();
    painter->save();
    painter->setPen(QPen(QColor(150, 150, 150), 0, Qt::DotLine));
    for (QTextTable *table : TableOps::tables(doc)) {
        if (table->format().border() > 0 && table->format().borderStyle() != QTextFrameFormat::BorderStyle_None)
            continue;
        if (!layout->frameBoundingRect(table).intersects(area))
            continue;
        QList<double> cols, rows;
        tableEdges(table, layout, cols, rows);
        for (int r = 0; r < table->rows(); ++r) {
            for (int c = 0; c < table->columns(); ++c) {
                const QTextTableCell cell = table->cellAt(r, c);
                if (cell.row() != r || cell.column() != c)
                    continue;
                const int right = qMin(c + cell.columnSpan(), table->columns());
                const int bottom = qMin(r + cell.rowSpan(), table->rows());
                painter->drawRect(QRectF(QPointF(cols[c], rows[r]), QPointF(cols[right], rows[bottom])));
            }
        }
    }
    painter->restore();
}

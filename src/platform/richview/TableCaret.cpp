#include "platform/richview/TableCaret.h"

#include <QtGui/private/qtextdocumentlayout_p.h>

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <QTextTable>

namespace {

// The table that begins right below the block (down) or ends right above it, if one does.
QTextTable *tableBeside(const QTextBlock &block, bool down)
{
    const QTextBlock next = down ? block.next() : block.previous();
    QTextTable *table = next.isValid() ? QTextCursor(next).currentTable() : nullptr;
    if (!table)
        return nullptr;
    const QTextBlock beside = block.document()->findBlock(down ? table->firstPosition() - 1 : table->lastPosition() + 1);
    return beside == block ? table : nullptr;
}

// The x the lines of the block's frame (the main text, a cell) are placed from in the document. Qt
// moves an empty paragraph right after a table beside the table's bottom; the paragraph before the
// table stands where it would.
qreal linesLeft(const QTextBlock &block)
{
    const QTextDocument *doc = block.document();
    QTextTable *above = block.length() == 1 ? tableBeside(block, false) : nullptr;
    const QTextBlock placed = above ? doc->findBlock(above->firstPosition() - 1) : block;
    return doc->documentLayout()->blockBoundingRect(placed).left();
}

// Only Qt's own table layout tells where the columns stand.
QTextDocumentLayout *tableLayout(const QTextDocument *doc)
{
    return qobject_cast<QTextDocumentLayout *>(doc->documentLayout());
}

// The cell of the row that stands under x: the first or the last where x lies beside the table.
QTextTableCell cellUnder(const QTextDocument *doc, QTextTable *table, int row, qreal x)
{
    QTextDocumentLayout *layout = tableLayout(doc);
    QTextTableCell under = table->cellAt(row, 0);
    for (int column = 1; layout && column < table->columns(); ++column) {
        const QTextTableCell cell = table->cellAt(row, column);
        if (layout->tableCellBoundingRect(table, cell).left() <= x)
            under = cell;
    }
    return under;
}

// The position at x on the block's first or last line.
int onLine(const QTextBlock &block, bool first, qreal x)
{
    const QTextLayout *layout = block.layout();
    if (!layout || layout->lineCount() == 0)
        return block.position();
    const QTextLine line = layout->lineAt(first ? 0 : layout->lineCount() - 1);
    return block.position() + line.xToCursor(x - linesLeft(block));
}

// The first line (down) or the last line of the cell of the row under x.
int intoCell(const QTextDocument *doc, QTextTable *table, int row, bool down, qreal x)
{
    const QTextTableCell cell = cellUnder(doc, table, row, x);
    return onLine(doc->findBlock(down ? cell.firstPosition() : cell.lastPosition()), down, x);
}

// The frame that holds the position, innermost first, up to the main text's.
QTextFrame *frameAt(const QTextDocument *doc, int position)
{
    QTextCursor at(doc->findBlock(position));
    at.setPosition(position);
    return at.currentFrame();
}

} // namespace

qreal TableCaret::inCell(const QTextDocument *doc, int position, qreal x)
{
    QTextCursor at(doc->findBlock(position));
    at.setPosition(position);
    QTextTable *table = at.currentTable();
    QTextDocumentLayout *layout = tableLayout(doc);
    if (!table || !layout)
        return x;
    const QRectF box = layout->tableCellBoundingRect(table, table->cellAt(position));
    return qBound(box.left(), x, qMax(box.left(), box.right() - 1));
}

qreal TableCaret::keptX(const QTextCursor &cursor)
{
    const QTextBlock block = cursor.block();
    qreal x = cursor.verticalMovementX();
    if (x == -1 && block.layout()) { // none kept
        const int inBlock = cursor.position() - block.position();
        const QTextLine line = block.layout()->lineForTextPosition(inBlock);
        x = line.isValid() ? line.cursorToX(inBlock) : 0;
    }
    return linesLeft(block) + x;
}

void TableCaret::keepX(QTextCursor &cursor, qreal x)
{
    // Left of the lines, where a cell's lines begin right of the text above or below it, too: the way
    // back comes to the x it left. -1 would keep none.
    const int kept = qRound(x - linesLeft(cursor.block()));
    cursor.setVerticalMovementX(kept == -1 ? -2 : kept);
}

int TableCaret::lineAcross(const QTextCursor &cursor, bool down, qreal x)
{
    const QTextDocument *doc = cursor.document();
    const QTextBlock block = cursor.block();
    const QTextLayout *layout = block.layout();
    if (!doc || !layout)
        return -1;
    const QTextLine line = layout->lineForTextPosition(cursor.position() - block.position());
    if (line.isValid() && (down ? line.lineNumber() + 1 < layout->lineCount() : line.lineNumber() > 0))
        return -1; // a line of the same paragraph
    // Where the caret's line runs past its cell, the move keeps to the cell's column.
    x = inCell(doc, cursor.position(), x);
    if (QTextTable *table = cursor.currentTable()) {
        const QTextTableCell cell = table->cellAt(cursor.position());
        const bool atEdge = down ? block.position() + block.length() - 1 == cell.lastPosition()
                                 : block.position() == cell.firstPosition();
        if (atEdge) {
            const int row = down ? cell.row() + cell.rowSpan() : cell.row() - 1;
            if (row < 0 || row >= table->rows())
                return onLine(doc->findBlock(down ? table->lastPosition() + 1 : table->firstPosition() - 1), down, x);
            // Also into the cell of the caret's own column: Qt's own move would take its x from the
            // cell the caret leaves, where a merged cell's lines begin elsewhere.
            return intoCell(doc, table, row, down, x);
        }
    }
    if (QTextTable *table = tableBeside(block, down))
        return intoCell(doc, table, down ? 0 : table->rows() - 1, down, x);
    return -1;
}

QList<int> TableCaret::stopsOnTheWay(const QTextDocument *doc, int anchor, int from, int to, bool down)
{
    const auto holds = [](int first, int last, int position) { return position >= first && position <= last; };
    QList<int> stops;
    // Entering a table: the end of the text in front of it.
    int entering = -1;
    for (QTextFrame *frame = frameAt(doc, to); frame && frame->parentFrame(); frame = frame->parentFrame()) {
        if (holds(frame->firstPosition(), frame->lastPosition(), anchor))
            break;
        entering = down ? frame->firstPosition() - 1 : frame->lastPosition() + 1;
    }
    if (entering >= 0)
        stops << entering;
    // Leaving the cells of the anchor: their edge, the outermost first.
    QList<int> leaving;
    for (QTextFrame *frame = frameAt(doc, anchor); frame && frame->parentFrame(); frame = frame->parentFrame()) {
        int first = frame->firstPosition();
        int last = frame->lastPosition();
        if (auto *table = qobject_cast<QTextTable *>(frame)) {
            const QTextTableCell cell = table->cellAt(anchor);
            first = cell.firstPosition();
            last = cell.lastPosition();
        }
        if (holds(first, last, to))
            break;
        leaving.prepend(down ? last : first);
    }
    stops << leaving;
    // Only those the end passes on its way.
    stops.removeIf([&](int stop) { return down ? stop <= from || stop >= to : stop >= from || stop <= to; });
    return stops;
}

std::pair<qreal, qreal> TableCaret::lineSpan(const QTextDocument *doc, int position)
{
    const QTextBlock block = doc->findBlock(position);
    const qreal top = doc->documentLayout()->blockBoundingRect(block).top();
    const QTextLayout *layout = block.layout();
    const QTextLine line = layout ? layout->lineForTextPosition(position - block.position()) : QTextLine();
    if (!line.isValid())
        return {top, top};
    return {top + line.y(), top + line.y() + line.height()};
}

std::pair<qreal, qreal> TableCaret::selectedSpan(const QTextCursor &cursor)
{
    const QTextDocument *doc = cursor.document();
    const int start = cursor.selectionStart();
    const int end = cursor.selectionEnd();
    QTextDocumentLayout *layout = tableLayout(doc);
    if (cursor.hasComplexSelection() && layout) {
        // Whole cells of the table that holds both ends.
        QTextFrame *frame = frameAt(doc, start);
        auto *table = qobject_cast<QTextTable *>(frame);
        while (frame && !(table && end >= table->firstPosition() && end <= table->lastPosition())) {
            frame = frame->parentFrame();
            table = qobject_cast<QTextTable *>(frame);
        }
        if (table) {
            int row = 0, rows = 0, column = 0, columns = 0;
            cursor.selectedTableCells(&row, &rows, &column, &columns);
            const QRectF first = layout->tableCellBoundingRect(table, table->cellAt(row, column));
            const QRectF last = layout->tableCellBoundingRect(table, table->cellAt(row + rows - 1, column + columns - 1));
            return {qMin(first.top(), last.top()), qMax(first.bottom(), last.bottom())};
        }
    }
    return {lineSpan(doc, start).first, lineSpan(doc, end).second};
}

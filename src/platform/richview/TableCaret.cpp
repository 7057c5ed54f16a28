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
            // Qt goes to the cell of the caret's own column.
            if (cellUnder(doc, table, row, x) == table->cellAt(row, cell.column()))
                return -1;
            return intoCell(doc, table, row, down, x);
        }
    }
    if (QTextTable *table = tableBeside(block, down))
        return intoCell(doc, table, down ? 0 : table->rows() - 1, down, x);
    return -1;
}

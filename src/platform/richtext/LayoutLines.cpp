#include "platform/richtext/LayoutLines.h"

#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <QTextTable>

int LayoutLines::firstLineBelow(const QTextLayout *layout, double y)
{
    int low = 0;
    int high = layout->lineCount();
    while (low < high) {
        const int mid = (low + high) / 2;
        if (layout->lineAt(mid).y() <= y)
            low = mid + 1;
        else
            high = mid;
    }
    return low;
}

namespace {

QTextTable *outermostTable(const QTextBlock &block)
{
    QTextTable *outer = nullptr;
    for (QTextFrame *frame = QTextCursor(block).currentFrame(); frame; frame = frame->parentFrame()) {
        if (auto *table = qobject_cast<QTextTable *>(frame))
            outer = table;
    }
    return outer;
}

} // namespace

QTextBlock LayoutLines::firstBlockAt(QTextDocument *doc, const QPointF &point)
{
    const int hit = doc->documentLayout()->hitTest(point, Qt::FuzzyHit);
    QTextBlock block = doc->findBlock(qMax(0, hit));
    if (!block.isValid())
        return doc->begin();
    const QTextTable *outer = outermostTable(block);
    if (!outer)
        return block;
    // The layout finds the row that holds the point, or the last above it. Every cell that begins
    // in an earlier row than the cells of the row above it (some spanning rows down to it) ends above.
    const QTextTableCell hitCell = outer->cellAt(block.position());
    const int above = hitCell.isValid() ? qMax(0, hitCell.row() - 1) : 0;
    int first = above;
    for (int column = 0; column < outer->columns(); ++column)
        first = qMin(first, outer->cellAt(above, column).row());
    if (first <= 0)
        return doc->findBlock(qMax(0, outer->firstPosition() - 1));
    for (int column = 0; column < outer->columns(); ++column) {
        const QTextTableCell cell = outer->cellAt(first, column);
        if (cell.row() == first)
            return doc->findBlock(cell.firstPosition());
    }
    return doc->findBlock(qMax(0, outer->firstPosition() - 1));
}

// The cells of a table stand side by side, so its blocks are visited until its rows lie below the
// area: a block below it lies in a row (or the last row its cell spans) whose bottom is below, and so
// is every block of a cell that begins in a row after it (rows stack down the page, and a table's
// cells come row by row). What follows a table that reaches below the area lies below it, and is
// not asked for its place (the layout may have that still to set after a key into a cell).
void LayoutLines::visitBlocksIn(QTextDocument *doc, const QRectF &area,
                                const std::function<void(const QTextBlock &, const QRectF &)> &visit)
{
    QAbstractTextDocumentLayout *layout = doc->documentLayout();
    QTextTable *table = nullptr;
    int lastRow = -1;   // of `table`: the rows after it lie below the area
    for (QTextBlock block = firstBlockAt(doc, area.topLeft()); block.isValid(); block = block.next()) {
        QTextTable *outer = outermostTable(block);
        if (!outer && table && layout->frameBoundingRect(table).bottom() > area.bottom())
            break;
        if (outer && outer != table)
            lastRow = -1;
        table = outer ? outer : table;
        const QTextTableCell cell = outer ? outer->cellAt(block.position()) : QTextTableCell();
        if (lastRow >= 0 && cell.isValid() && cell.row() > lastRow) {
            // On to the table's last block, and from there past the table.
            block = doc->findBlock(outer->lastPosition());
            continue;
        }
        const QRectF rect = layout->blockBoundingRect(block);
        if (rect.top() > area.bottom()) {
            if (!outer)
                break;
            if (cell.isValid()) {
                const int last = cell.row() + cell.rowSpan() - 1;
                lastRow = lastRow < 0 ? last : qMin(lastRow, last);
            }
        }
        if (rect.intersects(area))
            visit(block, rect);
    }
}

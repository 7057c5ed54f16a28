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
    if (const QTextTable *outer = outermostTable(block))
        block = doc->findBlock(qMax(0, outer->firstPosition() - 1));
    return block.isValid() ? block : doc->begin();
}

// The cells of a table stand side by side, so its blocks are visited to its end; what follows a
// table that reaches below the area lies below it, and is not asked for its place (the layout may
// have that still to set after a key into a cell).
void LayoutLines::visitBlocksIn(QTextDocument *doc, const QRectF &area,
                                const std::function<void(const QTextBlock &, const QRectF &)> &visit)
{
    QAbstractTextDocumentLayout *layout = doc->documentLayout();
    QTextTable *table = nullptr;
    for (QTextBlock block = firstBlockAt(doc, area.topLeft()); block.isValid(); block = block.next()) {
        QTextTable *outer = outermostTable(block);
        if (!outer && table && layout->frameBoundingRect(table).bottom() > area.bottom())
            break;
        table = outer ? outer : table;
        const QRectF rect = layout->blockBoundingRect(block);
        if (rect.top() > area.bottom() && !outer)
            break;
        if (rect.intersects(area))
            visit(block, rect);
    }
}

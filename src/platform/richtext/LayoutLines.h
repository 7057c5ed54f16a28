#pragma once

#include <QPointF>
#include <QRectF>

#include <functional>

class QTextBlock;
class QTextDocument;
class QTextLayout;

// Finding lines and blocks by their place in a laid-out part without walking the whole text: a page
// may be one paragraph of millions of characters, and the screen or the caret's page shows a few
// lines of it.
class LayoutLines
{
public:
    // The first line of the layout whose top lies below y (layout coordinates); lineCount() when
    // none does. A binary search on the line positions, which stand in order.
    static int firstLineBelow(const QTextLayout *layout, double y);
    // The first block that may reach below a point of the part: the block the layout finds there
    // or, inside a table, the first block of the outermost table's first row that may reach it (cells
    // stand side by side, and a cell spanning rows begins above). Blocks before it end above the point.
    static QTextBlock firstBlockAt(QTextDocument *doc, const QPointF &point);
    // Calls `visit` with each block that reaches into an area of the part, and its bounding rect.
    static void visitBlocksIn(QTextDocument *doc, const QRectF &area,
                              const std::function<void(const QTextBlock &, const QRectF &)> &visit);
};

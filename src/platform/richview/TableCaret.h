#pragma once

#include <QList>
#include <QtGlobal>

#include <utility>

class QTextCursor;
class QTextDocument;

// Where the caret goes by lines and by screens at tables, in document coordinates. Qt's own Up and
// Down keep an x of the caret's paragraph alone: from the paragraph below a table Up goes to the
// table's last cell, whatever column stands above the caret, and out of a cell of another column
// than the first the caret lands elsewhere on the line than it stood. A line of a cell may also run
// past its column (a long word that Qt does not break), far right of the table.
class TableCaret
{
public:
    // x held inside the column of the cell the position stands in; x itself outside a table.
    static qreal inCell(const QTextDocument *doc, int position, qreal x);
    // The x that Up and Down keep for the cursor: its own, or the one a run of them began with.
    static qreal keptX(const QTextCursor &cursor);
    // Where Up (Down when `down`) takes the cursor when its move passes a table's or a cell's edge:
    // the line above (below) at x, in the cell under x where that line is in a table (a merged one
    // too). -1 where the line above (below) is one of the same paragraph, Qt's own move.
    static int lineAcross(const QTextCursor &cursor, bool down, qreal x);
    // Gives the cursor, just moved, the x that Up and Down keep from now on.
    static void keepX(QTextCursor &cursor, qreal x);

    // A selection from `anchor` whose end goes from `from` to `to` (down the text when `down`) takes a
    // table whole where it crosses the table's edge, and whole cells between cells. Where it may stop
    // short of that on the way: before the outermost table holding `to` but not `anchor`, then at the
    // edge of each cell holding `anchor` but not `to`, the outermost first.
    static QList<int> stopsOnTheWay(const QTextDocument *doc, int anchor, int from, int to, bool down);
    // The top and the bottom of the line the position stands on.
    static std::pair<qreal, qreal> lineSpan(const QTextDocument *doc, int position);
    // The top and the bottom of what the cursor selects, whole cells where it takes them.
    static std::pair<qreal, qreal> selectedSpan(const QTextCursor &cursor);
};

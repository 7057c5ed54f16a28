#pragma once

#include <QtGlobal>

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
    // Where Up (Down when `down`) takes the cursor when its move passes a table's edge or goes to a
    // cell under another column than Qt's: the line above (below) at x, in the cell under x where
    // that line is in a table. -1 where Qt's own move goes where the line above (below) is.
    static int lineAcross(const QTextCursor &cursor, bool down, qreal x);
    // Gives the cursor, just moved, the x that Up and Down keep from now on.
    static void keepX(QTextCursor &cursor, qreal x);
};

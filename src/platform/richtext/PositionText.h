#pragma once

#include <QString>

class QTextCharFormat;
class QTextCursor;
class QTextDocument;

// The part text of the position model (see TextProps.h): one character per caret position, with the
// codes 10, 11, 12, 1 and 7, and the edits that read and write that text without breaking structure.
class PositionText
{
public:
    static QString text(const QTextDocument *doc);
    static int length(const QTextDocument *doc); // positions of the text (no final paragraph end)
    // The character of text() at a position without making the whole text; null outside the text.
    static QChar charAt(const QTextDocument *doc, int position);
    static bool isStructure(QChar raw);           // table/cell boundary of the document's buffer
    // The whole format of the character at position, object index included (a cursor drops it).
    static QTextCharFormat formatAt(const QTextDocument *doc, int position);

    // Removes [start, end) except the table and cell boundaries in it, so cells never merge and a
    // table never vanishes through an edit of part of it; a table inside the range goes whole. The
    // cursor ends at `start`.
    static void removeRange(QTextCursor &cursor, int start, int end);
    // Removes the cursor's selection, [start, end) as removeRange() does; a selection of cells (from
    // one cell to another of the same table) empties the cells it shows, not those that lie between
    // its ends in the text.
    static void removeSelection(QTextCursor &cursor, int start, int end);
    // Where removeSelection() begins to remove: `start`, or the first of the cells selected that
    // holds text (an undo puts the caret there).
    static int removalStart(const QTextCursor &cursor, int start);
    // Merges a format into the characters of [start, end), cell by cell.
    static void mergeCharFormat(QTextDocument *doc, int start, int end, const QTextCharFormat &format);

    // Inserts text written in the codes: 10 (also CR LF or CR alone) a paragraph end, 11 a line break,
    // 12 a page break; other control characters except tab are dropped. The cursor ends after it.
    static void insertText(QTextCursor &cursor, const QString &text, const QTextCharFormat &format);
};

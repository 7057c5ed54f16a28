#pragma once

#include <QList>
#include <QString>

#include <vector>

class QTextDocument;
class QTextTable;

// Table walking and the table edits Qt does not offer (rows and columns are 0-based here).
class TableOps
{
public:
    // Every table of the document, nested ones included, in text order.
    static QList<QTextTable *> tables(const QTextDocument *doc);
    static QTextTable *byId(const QTextDocument *doc, int id);
    static int idOf(const QTextTable *table);

    // Whether the cell at (row, column) starts there rather than being covered by a merged cell that
    // starts above or to the left. Asked of its neighbours' places, which Qt answers from its grid;
    // QTextTableCell::row() and column() search the table's cells each time.
    static bool cellStartsAt(const QTextTable *table, int row, int column);

    static QString cellText(QTextTable *table, int row, int column);
    static bool setCellText(QTextTable *table, int row, int column, const QString &text);

    // Merges each rectangle of 1x1 cells (row, column, rows, columns) into one cell. Qt rescans the
    // document's frames at the end of every edit and moves its list of the table's cells after each
    // merged row: done in one edit and from the last rectangle to the first, a table at the size limit
    // is merged in a fraction of a second instead of many.
    struct Merge {
        int row, column, rows, columns;
    };
    static void mergeCells(QTextTable *table, const std::vector<Merge> &merges);

    // Tables nested deeper than ShownNesting take Qt's layout time that doubles with every level (it
    // lays each cell out at two widths before the final one): a page showing sixteen levels froze the
    // editor for minutes. Documents of other programs keep ShownNesting levels as tables; each table
    // below becomes the paragraphs of its cells where it stood, in text order, the tables inside it
    // with it. For documents filled without layout (readers, imports, pastes); true when it changed any.
    static constexpr int ShownNesting = 4;
    static bool flattenDeepTables(QTextDocument *doc);

    // Moves rows [row, rows) into a new table with the id newId right after this one; false when row
    // is not inside 1..rows-1. Cells merged across the cut are split first. One undo step.
    static bool split(QTextTable *table, int row, int newId);
};

#pragma once

#include <QList>
#include <QString>

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

    static QString cellText(QTextTable *table, int row, int column);
    static bool setCellText(QTextTable *table, int row, int column, const QString &text);

    // Moves rows [row, rows) into a new table with the id newId right after this one; false when row
    // is not inside 1..rows-1. Cells merged across the cut are split first. One undo step.
    static bool split(QTextTable *table, int row, int newId);
};

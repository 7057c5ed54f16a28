#include "platform/richtext/TableOps.h"

#include "platform/richtext/PositionText.h"
#include "platform/richtext/TextProps.h"

#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextFrame>
#include <QTextTable>

using namespace TextProps;

static void collect(QTextFrame *frame, QList<QTextTable *> &out)
{
    for (QTextFrame *child : frame->childFrames()) {
        if (auto *table = qobject_cast<QTextTable *>(child))
            out.append(table);
        collect(child, out);
    }
}

QList<QTextTable *> TableOps::tables(const QTextDocument *doc)
{
    QList<QTextTable *> out;
    collect(doc->rootFrame(), out);
    return out;
}

void TableOps::mergeCells(QTextTable *table, const std::vector<Merge> &merges)
{
    QTextCursor edit(table->document());
    edit.beginEditBlock();
    for (auto it = merges.crbegin(); it != merges.crend(); ++it)
        table->mergeCells(it->row, it->column, it->rows, it->columns);
    edit.endEditBlock();
}

int TableOps::idOf(const QTextTable *table)
{
    return table ? table->format().intProperty(ObjectId) : 0;
}

QTextTable *TableOps::byId(const QTextDocument *doc, int id)
{
    if (id <= 0)
        return nullptr;
    for (QTextTable *table : tables(doc)) {
        if (idOf(table) == id)
            return table;
    }
    return nullptr;
}

static bool validCell(QTextTable *table, int row, int column)
{
    return table && row >= 0 && column >= 0 && row < table->rows() && column < table->columns();
}

QString TableOps::cellText(QTextTable *table, int row, int column)
{
    if (!validCell(table, row, column))
        return QString();
    const QTextTableCell cell = table->cellAt(row, column);
    return PositionText::text(table->document())
        .mid(cell.firstPosition(), cell.lastPosition() - cell.firstPosition());
}

bool TableOps::setCellText(QTextTable *table, int row, int column, const QString &text)
{
    if (!validCell(table, row, column))
        return false;
    const QTextTableCell cell = table->cellAt(row, column);
    QTextCursor cursor = cell.firstCursorPosition();
    cursor.beginEditBlock();
    const QTextCharFormat format = cursor.charFormat();
    PositionText::removeRange(cursor, cell.firstPosition(), cell.lastPosition());
    PositionText::insertText(cursor, text, format);
    cursor.endEditBlock();
    return true;
}

// Cells that reach across the line between row - 1 and row are cut at it.
static void cutSpansAt(QTextTable *table, int row)
{
    for (int column = 0; column < table->columns(); ++column) {
        const QTextTableCell cell = table->cellAt(row, column);
        if (cell.row() < row)
            table->splitCell(cell.row(), cell.column(), row - cell.row(), cell.columnSpan());
    }
}

bool TableOps::split(QTextTable *table, int row, int newId)
{
    if (!table || row <= 0 || row >= table->rows())
        return false;
    QTextDocument *doc = table->document();
    QTextCursor cursor(doc);
    cursor.beginEditBlock();
    cutSpansAt(table, row);
    const int rows = table->rows();
    // The copied rows take the table format as it is when copied: give it the new id for that moment.
    const QTextTableFormat format = table->format();
    QTextTableFormat renamed = format;
    renamed.setProperty(ObjectId, newId);
    table->setFormat(renamed);
    cursor.setPosition(table->cellAt(row, 0).firstPosition());
    cursor.setPosition(table->cellAt(rows - 1, table->columns() - 1).lastPosition(),
                       QTextCursor::KeepAnchor);
    const QTextDocumentFragment moved = cursor.selection();
    table->setFormat(format);
    cursor.setPosition(table->lastPosition() + 1);
    cursor.insertFragment(moved);
    table->removeRows(row, rows - row);
    cursor.endEditBlock();
    return true;
}

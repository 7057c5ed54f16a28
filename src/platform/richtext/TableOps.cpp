#include "platform/richtext/TableOps.h"

#include "platform/richtext/PageEncoder.h"
#include "platform/richtext/PositionText.h"
#include "platform/richtext/TextProps.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextFrame>
#include <QTextTable>

#include <vector>

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

// The tables `depth` levels below the frame, in text order; none inside another.
static void tablesAtDepth(QTextFrame *frame, int depth, QList<QTextTable *> &found)
{
    for (QTextFrame *child : frame->childFrames()) {
        auto *table = qobject_cast<QTextTable *>(child);
        if (table && depth == 1)
            found << table;
        else
            tablesAtDepth(child, table ? depth - 1 : depth, found);
    }
}

// The table becomes the paragraphs it holds, those of the tables inside it too, each with its formats.
static void flatten(QTextTable *table)
{
    struct Run {
        QString text;
        QTextCharFormat format;
    };
    struct Paragraph {
        QTextBlockFormat block;
        QTextCharFormat chars;
        std::vector<Run> runs;
    };
    // A paragraph opening a cell or following a table shows the boundary's format as its own.
    auto charsOf = [](const QTextBlock &b) { return PageEncoder::followsStructure(b) ? QTextCharFormat() : b.charFormat(); };
    QTextDocument *doc = table->document();
    std::vector<Paragraph> paragraphs;
    for (QTextBlock b = doc->findBlock(table->firstPosition()); b.isValid() && b.position() <= table->lastPosition(); b = b.next()) {
        Paragraph &p = paragraphs.emplace_back(Paragraph{b.blockFormat(), charsOf(b), {}});
        for (auto it = b.begin(); !it.atEnd(); ++it)
            p.runs.push_back({it.fragment().text(), it.fragment().charFormat()});
    }
    // Removing the table joins the paragraphs around it: the one after it is split off again.
    const QTextBlock after = doc->findBlock(table->lastPosition() + 1);
    const QTextBlockFormat afterBlock = after.blockFormat();
    const QTextCharFormat afterChars = charsOf(after);
    QTextCursor cursor(doc);
    cursor.setPosition(table->firstPosition() - 1);
    cursor.setPosition(table->lastPosition() + 1, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    cursor.insertBlock(afterBlock, afterChars);
    cursor.movePosition(QTextCursor::PreviousCharacter);
    for (const Paragraph &p : paragraphs) {
        cursor.insertBlock(p.block, p.chars);
        for (const Run &run : p.runs)
            cursor.insertText(run.text, run.format);
    }
}

bool TableOps::flattenDeepTables(QTextDocument *doc)
{
    QList<QTextTable *> deep;
    tablesAtDepth(doc->rootFrame(), ShownNesting + 1, deep);
    // From the last: each keeps its place while the ones after it change.
    QTextCursor edit(doc);
    edit.beginEditBlock();
    for (auto it = deep.crbegin(); it != deep.crend(); ++it)
        flatten(*it);
    edit.endEditBlock();
    return !deep.isEmpty();
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

bool TableOps::cellStartsAt(const QTextTable *table, int row, int column)
{
    const QTextTableCell cell = table->cellAt(row, column);
    // A merged cell is a rectangle: any place of it but its first has the same cell to the left or above.
    return cell.isValid() && (column == 0 || table->cellAt(row, column - 1) != cell)
        && (row == 0 || table->cellAt(row - 1, column) != cell);
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

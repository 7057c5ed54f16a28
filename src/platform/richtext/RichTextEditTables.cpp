// Tables: ids, cells, rows and columns, cell attributes.
#include "platform/richtext/RichTextEdit.h"

#include "platform/richtext/ColorRef.h"
#include "platform/richtext/LineBlocks.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/TableOps.h"
#include "platform/richtext/TextProps.h"
#include "platform/richtext/Twips.h"

#include <QTextTable>

using namespace TextProps;

namespace {

// Taking the last rows or columns takes the table, and the text after it joins the text before: a
// line of a long paragraph held as blocks (LineBlocks) there keeps the kind of break in front of it,
// and the lines after it the paragraph's format. One undo step.
template<typename Remove>
bool changeTable(QTextTable *table, Remove remove)
{
    QTextDocument *doc = table->document();
    const int start = table->firstPosition() - 1;
    const LineBlocks::Breaks breaks(doc, {start});
    QTextCursor edit(doc);
    edit.beginEditBlock();
    remove();
    breaks.restore(doc, start);
    LineBlocks::settle(doc, start, start);
    edit.endEditBlock();
    return true;
}

} // namespace

// ---- tables

QTextTable *RichTextEdit::tableById(int id) const
{
    return TableOps::byId(document(), id);
}

int RichTextEdit::assignTableId(QTextTable *table)
{
    QTextTableFormat f = table->format();
    const int id = m_page->newObjectId();
    f.setProperty(ObjectId, id);
    table->setFormat(f);
    return id;
}

QList<int> RichTextEdit::tableIds() const
{
    QList<int> ids;
    QList<int> seen;
    for (QTextTable *table : TableOps::tables(document())) {
        int id = TableOps::idOf(table);
        // Tables from outside (HTML import) have no id, and copies may share one.
        if (id <= 0 || seen.contains(id))
            id = const_cast<RichTextEdit *>(this)->assignTableId(table);
        seen.append(id);
        ids.append(id);
    }
    return ids;
}

int RichTextEdit::insertTable(int rows, int columns)
{
    if (rows < 1 || columns < 1 || rows > 500 || columns > 63)
        return 0;
    QTextTableFormat f;
    f.setBorder(0);
    f.setCellPadding(2);
    f.setCellSpacing(0);
    f.setWidth(QTextLength(QTextLength::PercentageLength, 100));
    const int id = m_page->newObjectId();
    f.setProperty(ObjectId, id);
    m_cursor.beginEditBlock();
    removeSelection();
    const int at = m_cursor.position();
    const QTextTable *table = m_cursor.insertTable(rows, columns, f);
    // A long paragraph that the table cut in two: the text after it is a paragraph of its own.
    LineBlocks::settle(document(), at, table->lastPosition() + 1);
    m_cursor.endEditBlock();
    syncFromCursor();
    return id;
}

QTextTable *RichTextEdit::caretTable() const
{
    return m_cursor.currentTable();
}

int RichTextEdit::tableAtCaret() const
{
    QTextTable *table = caretTable();
    if (!table)
        return 0;
    if (TableOps::idOf(table) <= 0)
        tableIds();
    return TableOps::idOf(table);
}

int RichTextEdit::rowAtCaret() const
{
    QTextTable *table = caretTable();
    return table ? table->cellAt(m_cursor).row() + 1 : 0;
}

int RichTextEdit::columnAtCaret() const
{
    QTextTable *table = caretTable();
    return table ? table->cellAt(m_cursor).column() + 1 : 0;
}

int RichTextEdit::tableRows(int table) const
{
    QTextTable *t = tableById(table);
    return t ? t->rows() : 0;
}

int RichTextEdit::tableColumns(int table) const
{
    QTextTable *t = tableById(table);
    return t ? t->columns() : 0;
}

QString RichTextEdit::cellText(int table, int row, int column) const
{
    return TableOps::cellText(tableById(table), row - 1, column - 1);
}

bool RichTextEdit::setCellText(int table, int row, int column, const QString &text)
{
    return TableOps::setCellText(tableById(table), row - 1, column - 1, text);
}

int RichTextEdit::cellStart(int table, int row, int column) const
{
    QTextTable *t = tableById(table);
    if (!t || row < 1 || column < 1 || row > t->rows() || column > t->columns())
        return 0;
    return t->cellAt(row - 1, column - 1).firstPosition() + 1;
}

int RichTextEdit::cellLength(int table, int row, int column) const
{
    QTextTable *t = tableById(table);
    if (!t || row < 1 || column < 1 || row > t->rows() || column > t->columns())
        return 0;
    const QTextTableCell cell = t->cellAt(row - 1, column - 1);
    return cell.lastPosition() - cell.firstPosition();
}

bool RichTextEdit::mergeCells(int table, int row, int column, int rows, int columns)
{
    QTextTable *t = tableById(table);
    if (!t || row < 1 || column < 1 || rows < 1 || columns < 1 || row - 1 + rows > t->rows()
        || column - 1 + columns > t->columns())
        return false;
    t->mergeCells(row - 1, column - 1, rows, columns);
    return true;
}

bool RichTextEdit::setColumnWidth(int table, int column, int twips)
{
    QTextTable *t = tableById(table);
    if (!t || column < 1 || column > t->columns() || twips <= 0)
        return false;
    QTextTableFormat f = t->format();
    QList<QTextLength> widths = f.columnWidthConstraints();
    widths.resize(t->columns());
    widths[column - 1] = QTextLength(QTextLength::FixedLength, Twips::toPx(twips));
    f.setColumnWidthConstraints(widths);
    t->setFormat(f);
    return true;
}

bool RichTextEdit::canInsertTable() const
{
    return m_editMode == 0;
}

bool RichTextEdit::canInsertRow() const
{
    return caretTable() != nullptr;
}

bool RichTextEdit::canInsertColumn() const
{
    QTextTable *t = caretTable();
    return t && t->columns() < 63;
}

bool RichTextEdit::canDeleteRow() const
{
    return caretTable() != nullptr;
}

bool RichTextEdit::canDeleteColumn() const
{
    return caretTable() != nullptr;
}

bool RichTextEdit::canSplitTable() const
{
    QTextTable *t = caretTable();
    return t && t->rows() > 1;
}

bool RichTextEdit::insertRows(int count, int side)
{
    QTextTable *t = caretTable();
    if (!t || count < 1 || count > 500 || (side != 1 && side != 2))
        return false;
    const QTextTableCell cell = t->cellAt(m_cursor);
    const int row = side == 1 ? cell.row() : cell.row() + cell.rowSpan();
    t->insertRows(row, count);
    return true;
}

bool RichTextEdit::insertColumn(int side)
{
    QTextTable *t = caretTable();
    if (!t || (side != 1 && side != 2) || !canInsertColumn())
        return false;
    const QTextTableCell cell = t->cellAt(m_cursor);
    t->insertColumns(side == 1 ? cell.column() : cell.column() + cell.columnSpan(), 1);
    return true;
}

bool RichTextEdit::deleteRows()
{
    QTextTable *t = caretTable();
    if (!t)
        return false;
    int firstRow = 0, rows = 0, firstColumn = 0, columns = 0;
    m_cursor.selectedTableCells(&firstRow, &rows, &firstColumn, &columns);
    if (rows <= 0) {
        const QTextTableCell cell = t->cellAt(m_cursor);
        firstRow = cell.row();
        rows = 1;
    }
    // Removing every row removes the table.
    return changeTable(t, [&] { t->removeRows(firstRow, rows); });
}

bool RichTextEdit::deleteColumns()
{
    QTextTable *t = caretTable();
    if (!t)
        return false;
    int firstRow = 0, rows = 0, firstColumn = 0, columns = 0;
    m_cursor.selectedTableCells(&firstRow, &rows, &firstColumn, &columns);
    if (columns <= 0) {
        const QTextTableCell cell = t->cellAt(m_cursor);
        firstColumn = cell.column();
        columns = 1;
    }
    return changeTable(t, [&] { t->removeColumns(firstColumn, columns); });
}

bool RichTextEdit::splitTable(int side)
{
    QTextTable *t = caretTable();
    if (!t || (side != 1 && side != 2))
        return false;
    const QTextTableCell cell = t->cellAt(m_cursor);
    const int row = side == 1 ? cell.row() : cell.row() + cell.rowSpan();
    if (row <= 0 || row >= t->rows())
        return false;
    bool done = false;
    changeTable(t, [&] { done = TableOps::split(t, row, m_page->newObjectId()); });
    return done;
}

QVariant RichTextEdit::cellAttribute(int attribute) const
{
    QTextTable *t = caretTable();
    if (!t)
        return QVariant();
    const QTextCharFormat f = t->cellAt(m_cursor).format();
    if (attribute == 4) {
        const QBrush b = f.background();
        return b.style() == Qt::NoBrush ? 0xFFFFFF : ColorRef::fromColor(b.color(), 0xFFFFFF);
    }
    return f.property(CellAttr).toMap().value(QString::number(attribute));
}

bool RichTextEdit::setCellAttribute(int attribute, const QVariant &value, bool wholeTable)
{
    QTextTable *t = caretTable();
    if (!t)
        return false;
    QList<QTextTableCell> cells;
    if (wholeTable) {
        for (int r = 0; r < t->rows(); ++r)
            for (int c = 0; c < t->columns(); ++c) {
                const QTextTableCell cell = t->cellAt(r, c);
                if (cell.row() == r && cell.column() == c)
                    cells.append(cell);
            }
    } else {
        cells.append(t->cellAt(m_cursor));
    }
    m_cursor.beginEditBlock();
    for (QTextTableCell cell : cells) {
        QTextTableCellFormat f = cell.format().toTableCellFormat();
        if (attribute == 4) {
            const QColor color = ColorRef::toColor(value.toLongLong());
            if (color.isValid())
                f.setBackground(color);
            else
                f.clearBackground();
        } else {
            QVariantMap map = f.property(CellAttr).toMap();
            map.insert(QString::number(attribute), value);
            f.setProperty(CellAttr, map);
        }
        cell.setFormat(f);
    }
    m_cursor.endEditBlock();
    return true;
}

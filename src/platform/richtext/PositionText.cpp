#include "platform/richtext/PositionText.h"

#include "platform/richtext/LineBlocks.h"
#include "platform/richtext/TextProps.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>

using namespace TextProps;

static QChar codeOf(QChar raw)
{
    switch (raw.unicode()) {
    case QChar::ParagraphSeparator: return QChar(ParagraphCode);
    case QChar::LineSeparator: return QChar(LineBreakCode);
    case QChar::ObjectReplacementCharacter: return QChar(ObjectCode);
    case 0xFDD0:
    case 0xFDD1: return QChar(StructureCode);
    default: return raw;
    }
}

// A paragraph end before a block that begins a page is a page break.
static bool beginsPage(const QTextBlock &block)
{
    return block.blockFormat().pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore;
}

QString PositionText::text(const QTextDocument *doc)
{
    QString text = doc->toRawText();
    for (QChar &ch : text)
        ch = codeOf(ch);
    for (QTextBlock block = doc->begin().next(); block.isValid(); block = block.next()) {
        const int sep = block.position() - 1;
        if (sep >= text.size() || text.at(sep) != QChar(ParagraphCode))
            continue;
        if (LineBlocks::continues(block))
            text[sep] = LineBlocks::code(block);
        else if (beginsPage(block))
            text[sep] = QChar(PageBreakCode);
    }
    return text;
}

QChar PositionText::charAt(const QTextDocument *doc, int position)
{
    if (position < 0 || position >= length(doc))
        return QChar();
    const QChar ch = codeOf(doc->characterAt(position));
    if (ch == QChar(ParagraphCode)) {
        const QTextBlock next = doc->findBlock(position + 1);
        if (next.isValid() && next.position() == position + 1 && LineBlocks::continues(next))
            return LineBlocks::code(next);
        if (next.isValid() && next.position() == position + 1 && beginsPage(next))
            return QChar(PageBreakCode);
    }
    return ch;
}

int PositionText::length(const QTextDocument *doc)
{
    return doc->characterCount() - 1;
}

bool PositionText::isStructure(QChar raw)
{
    return raw.unicode() == 0xFDD0 || raw.unicode() == 0xFDD1;
}

using Spans = QList<std::pair<int, int>>;

// The spans, boundaries included, of the tables (frames) that lie whole inside [start, end).
static void wholeFrames(const QTextFrame *frame, int start, int end, Spans &out)
{
    for (QTextFrame *child : frame->childFrames()) {
        const int first = child->firstPosition() - 1;
        const int last = child->lastPosition();
        if (last < start || first >= end)
            continue;
        if (first >= start && last < end)
            out.append({first, last});
        else
            wholeFrames(child, start, end, out);
    }
}

static bool within(const Spans &spans, int pos)
{
    for (const auto &[first, last] : spans) {
        if (pos >= first && pos <= last)
            return true;
    }
    return false;
}

// Calls `act` for each run of [start, end) between structure characters, from the back, so that the
// positions in front stay valid while `act` edits. The boundaries inside `whole` part no runs.
template<typename Act>
static void forSegments(const QTextDocument *doc, int start, int end, const Spans &whole, Act act)
{
    end = qMin(end, PositionText::length(doc));
    start = qBound(0, start, end);
    int segEnd = end;
    for (int pos = end - 1; pos >= start - 1; --pos) {
        if (pos >= start && (!PositionText::isStructure(doc->characterAt(pos)) || within(whole, pos)))
            continue;
        if (pos + 1 < segEnd)
            act(pos + 1, segEnd);
        segEnd = pos;
    }
}

QTextCharFormat PositionText::formatAt(const QTextDocument *doc, int position)
{
    if (position < 0 || position >= length(doc))
        return QTextCharFormat();
    const QTextBlock block = doc->findBlock(position);
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        if (it.fragment().contains(position))
            return it.fragment().charFormat();
    }
    // A block separator: Qt keeps its format as the format of the block it begins.
    return doc->findBlock(position + 1).charFormat();
}

void PositionText::removeRange(QTextCursor &cursor, int start, int end)
{
    QTextDocument *doc = cursor.document();
    // A table the range takes whole goes with it, as Qt shows such a selection.
    Spans whole;
    wholeFrames(doc->rootFrame(), start, qMin(end, length(doc)), whole);
    forSegments(doc, start, end, whole, [&](int from, int to) {
        const LineBlocks::Breaks breaks(doc, {from});
        cursor.setPosition(from);
        cursor.setPosition(to, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
        breaks.restore(doc, from);
    });
    cursor.setPosition(qBound(0, start, length(cursor.document())));
    LineBlocks::settle(cursor.document(), cursor.position(), cursor.position());
}

// The cells a selection from one cell to another of the same table shows, as rows and columns.
static QTextTable *selectedCells(const QTextCursor &cursor, int &firstRow, int &rows, int &firstColumn, int &columns)
{
    QTextTable *table = cursor.hasComplexSelection() ? cursor.currentTable() : nullptr;
    if (table)
        cursor.selectedTableCells(&firstRow, &rows, &firstColumn, &columns);
    return rows > 0 && columns > 0 ? table : nullptr;
}

int PositionText::removalStart(const QTextCursor &cursor, int start)
{
    int firstRow = 0, rows = 0, firstColumn = 0, columns = 0;
    QTextTable *table = selectedCells(cursor, firstRow, rows, firstColumn, columns);
    if (!table)
        return start;
    for (int row = firstRow; row < firstRow + rows; ++row) {
        for (int column = firstColumn; column < firstColumn + columns; ++column) {
            const QTextTableCell cell = table->cellAt(row, column);
            if (cell.isValid() && cell.lastPosition() > cell.firstPosition())
                return cell.firstPosition();
        }
    }
    return table->cellAt(firstRow, firstColumn).firstPosition();
}

void PositionText::removeSelection(QTextCursor &cursor, int start, int end)
{
    int firstRow = 0, rows = 0, firstColumn = 0, columns = 0;
    QTextTable *table = selectedCells(cursor, firstRow, rows, firstColumn, columns);
    if (!table) {
        removeRange(cursor, start, end);
        return;
    }
    // Cell by cell from the last, each as a range is removed.
    const int first = table->cellAt(firstRow, firstColumn).firstPosition();
    int done = -1;
    for (int row = firstRow + rows - 1; row >= firstRow; --row) {
        for (int column = firstColumn + columns - 1; column >= firstColumn; --column) {
            const QTextTableCell cell = table->cellAt(row, column);
            if (!cell.isValid() || cell.firstPosition() == done)
                continue;
            done = cell.firstPosition();
            if (cell.lastPosition() > cell.firstPosition())
                removeRange(cursor, cell.firstPosition(), cell.lastPosition());
        }
    }
    cursor.setPosition(first);
}

void PositionText::mergeCharFormat(QTextDocument *doc, int start, int end, const QTextCharFormat &format)
{
    QTextCursor cursor(doc);
    forSegments(doc, start, end, {}, [&](int from, int to) {
        cursor.setPosition(from);
        cursor.setPosition(to, QTextCursor::KeepAnchor);
        cursor.mergeCharFormat(format);
    });
}

static void insertBreak(QTextCursor &cursor, bool pageBreak, const QTextCharFormat &format)
{
    QTextBlockFormat block = LineBlocks::paragraphFormat(cursor.block()); // a new paragraph, not a line of this one
    auto policy = block.pageBreakPolicy() & ~QTextFormat::PageBreak_AlwaysBefore;
    if (pageBreak)
        policy |= QTextFormat::PageBreak_AlwaysBefore;
    block.setPageBreakPolicy(policy);
    cursor.insertBlock(block, format);
}

void PositionText::insertText(QTextCursor &cursor, const QString &text, const QTextCharFormat &format)
{
    // One edit: a long text is laid out once, after its paragraphs took their blocks.
    cursor.beginEditBlock();
    const int start = cursor.position();
    QString run;
    auto flush = [&] {
        if (!run.isEmpty())
            cursor.insertText(run, format);
        run.clear();
    };
    for (int i = 0; i < text.size(); ++i) {
        const ushort ch = text.at(i).unicode();
        if (ch == '\r' && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
            continue; // CR LF is one paragraph end
        if (ch == ParagraphCode || ch == '\r' || ch == PageBreakCode
            || ch == QChar::ParagraphSeparator) {
            flush();
            insertBreak(cursor, ch == PageBreakCode, format);
        } else if (ch == LineBreakCode || ch == QChar::LineSeparator) {
            run += QChar(QChar::LineSeparator);
        } else if (ch >= 32 || ch == '\t') {
            if (ch != QChar::ObjectReplacementCharacter && ch != 0xFDD0 && ch != 0xFDD1)
                run += QChar(ch);
        }
    }
    flush();
    LineBlocks::settle(cursor.document(), start, cursor.position());
    cursor.endEditBlock();
}

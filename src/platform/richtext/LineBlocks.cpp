#include "platform/richtext/LineBlocks.h"

#include "platform/richtext/HeldLetters.h"
#include "platform/richtext/ObjectLines.h"
#include "platform/richtext/PartDocument.h"
#include "platform/richtext/TextProps.h"

#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextLayout>
#include <QTextList>
#include <QTextTable>

using namespace TextProps;

namespace {

bool marked(const QTextBlock &block)
{
    return block.blockFormat().hasProperty(LineBreakBlock);
}

// Where a long paragraph may be held in pieces: the main text's own flow, or a cell of a table in
// it. The paragraphs of a text frame inside it stay whole.
bool heldFlow(const QTextBlock &block)
{
    const QTextDocument *doc = block.document();
    const QTextFrame *frame = doc->frameAt(block.position());
    return frame == doc->rootFrame() || qobject_cast<const QTextTable *>(frame);
}

// Whether two blocks lie in one such flow: a cell's paragraph ends where the cell does.
bool sameFlow(const QTextBlock &a, const QTextBlock &b)
{
    const QTextDocument *doc = a.document();
    QTextFrame *frame = doc->frameAt(a.position());
    if (frame != doc->frameAt(b.position()))
        return false;
    const auto *table = qobject_cast<const QTextTable *>(frame);
    return !table || table->cellAt(a.position()).firstPosition() == table->cellAt(b.position()).firstPosition();
}

// The texts of a page: its main text, headers, footers and text frames (not a writer's copy).
bool splitsLines(const QTextDocument *doc)
{
    return qobject_cast<const PartDocument *>(doc);
}

// A paragraph that may be held in blocks. A list item is too: its first block draws the bullet,
// the others lay out outside the list at its text (TextProps::HeldIndent).
bool holdable(const QTextBlock &block)
{
    return heldFlow(block);
}

// The levels of indent a block lays out at: a block laid out right to left has them as its left
// margin (readRightToLeft()).
int indentLevels(const QTextBlockFormat &f)
{
    return f.hasProperty(HeldRightToLeft) ? f.intProperty(HeldRightToLeft) : f.indent();
}

// The indent that the list of the paragraph adds to the block, as its first block is in the list
// or a block after it lays out at its text; -1 for a block of a paragraph in no list.
int listIndent(const QTextBlock &block)
{
    if (const QTextList *list = block.textList())
        return list->format().indent();
    const QTextBlockFormat f = block.blockFormat();
    if (!f.hasProperty(HeldIndent))
        return -1;
    return indentLevels(f) - qMax(0, f.intProperty(HeldIndent));
}

// The values of a paragraph's format that only its first block or only its last lays out. The
// other blocks keep them as a property of their own, so that each block still tells its paragraph's
// format.
struct Spacing {
    QTextFormat::Property laidOut;
    int held;
    bool byFirst; // laid out by the first block, else by the last
};
constexpr Spacing Spacings[] = {
    {QTextFormat::BlockTopMargin, HeldTopMargin, true},
    {QTextFormat::TextIndent, HeldTextIndent, true},
    {QTextFormat::BlockBottomMargin, HeldBottomMargin, false},
};

bool continuedAfter(const QTextBlock &block)
{
    const QTextBlock next = block.next();
    return next.isValid() && LineBlocks::continues(next);
}

// What the blocks of one paragraph share (the first of a list item is in the list, the others not).
QTextBlockFormat shared(QTextBlockFormat f)
{
    f = LineBlocks::ownFormat(f);
    f.clearProperty(QTextFormat::PageBreakPolicy);
    f.clearProperty(QTextFormat::LineHeightType);
    f.clearProperty(QTextFormat::ObjectIndex);
    f.clearProperty(CopiedList);
    return f;
}

// By their values: formats of the same values set in another order differ for QTextFormat's ==, and
// every edit in the paragraph would go over all of its blocks (50 ms a key in 5 MB).
bool shareFormat(const QTextBlock &a, const QTextBlock &b)
{
    return a.blockFormatIndex() == b.blockFormatIndex()
        || (listIndent(a) == listIndent(b) && shared(a.blockFormat()).properties() == shared(b.blockFormat()).properties());
}

bool joins(QChar c)
{
    return c.isSurrogate() || c.isMark() || c.category() == QChar::Other_Format;
}

bool drawable(QChar ch, QChar next)
{
    const bool ownWay = ch.direction() == QChar::DirL || (ch.direction() == QChar::DirR && next.direction() == QChar::DirR);
    return ch.isLetterOrNumber() && ownWay && !joins(ch) && !joins(next);
}

bool drawableSign(QChar ch, QChar next)
{
    switch (ch.category()) {
    case QChar::Number_DecimalDigit: case QChar::Number_Letter: case QChar::Number_Other:
    case QChar::Punctuation_Connector: case QChar::Punctuation_Dash: case QChar::Punctuation_Open:
    case QChar::Punctuation_Close: case QChar::Punctuation_InitialQuote: case QChar::Punctuation_FinalQuote:
    case QChar::Punctuation_Other: case QChar::Symbol_Math: case QChar::Symbol_Currency:
    case QChar::Symbol_Modifier: case QChar::Symbol_Other:
        return ch != QChar::ObjectReplacementCharacter && !joins(next);
    default:
        return false;
    }
}

// Whether the signs of the block's text read left to right wherever they stand: the paragraph runs
// left to right and nothing in it reads right to left.
bool sameWay(const QTextBlock &block, const QString &text)
{
    const Qt::LayoutDirection way = block.blockFormat().layoutDirection();
    if (way == Qt::RightToLeft
        || (way == Qt::LayoutDirectionAuto && block.document()->defaultTextOption().textDirection() == Qt::RightToLeft))
        return false;
    return LineBlocks::leftToRight(text);
}

// Whether the block after a right-to-left letter, holding `text`, lays out right to left: the lines
// of a right-to-left word read alike in a paragraph of either direction, and its letter's room then
// lies where the word begins, at the right. Text that runs left to right keeps the page's direction.
bool readsRightToLeft(QChar at, QStringView text)
{
    if (at.direction() != QChar::DirR)
        return false;
    for (QChar ch : text) {
        const QChar::Direction d = ch.direction();
        if (d == QChar::DirL || d == QChar::DirLRE || d == QChar::DirLRO || d == QChar::DirLRI)
            return false;
    }
    return true;
}

// Has a block read right to left where it stands as it would left to right: Qt puts a right-to-left
// block's indent at the right, so it goes into the left margin. The properties keep the levels and
// the paragraph's own margin, for LineBlocks::ownFormat() to give back.
void readRightToLeft(const QTextDocument *doc, QTextBlockFormat &f)
{
    const int levels = f.indent();
    f.setLayoutDirection(Qt::RightToLeft);
    f.setProperty(HeldRightToLeft, levels);
    if (levels > 0) {
        if (f.hasProperty(QTextFormat::BlockLeftMargin))
            f.setProperty(HeldLeftMargin, f.leftMargin());
        f.clearProperty(QTextFormat::BlockIndent);
        f.setLeftMargin(f.leftMargin() + levels * doc->indentWidth());
    }
}

// The format of a block of a paragraph of the format `own`: the first, the last, or (`first`
// false) one that continues it after the character `at`, which has the char format `format`. One
// that continues a list item (whose list indents it by `listIndent`, else -1) is no item of the
// list (it would draw a bullet and take a number): it lays out at the item's text, indented as far
// as the list indents the item, as Qt leaves an item that leaves its list. `rightToLeft`: the block
// holds a right-to-left word's letters after `at` (readsRightToLeft()).
QTextBlockFormat piece(const QTextDocument *doc, QTextBlockFormat f, bool first, bool last, QChar at,
                       const QTextCharFormat &format, int listIndent, bool rightToLeft)
{
    for (const Spacing &spacing : Spacings) {
        if ((spacing.byFirst ? first : last) || !f.hasProperty(spacing.laidOut))
            continue;
        f.setProperty(spacing.held, f.property(spacing.laidOut));
        f.clearProperty(spacing.laidOut);
    }
    if (first)
        return f;
    f.clearProperty(QTextFormat::PageBreakPolicy);
    f.clearProperty(QTextFormat::ObjectIndex);
    f.clearProperty(CopiedList); // its item joins a list, not the item's lines
    if (listIndent >= 0) {
        f.setProperty(HeldIndent, f.hasProperty(QTextFormat::BlockIndent) ? f.indent() : -1);
        f.setIndent(f.indent() + listIndent);
    }
    if (at == QChar::LineSeparator)
        f.setProperty(LineBreakBlock, true);
    else
        f.setProperty(LineBreakBlock, int(at.unicode()));
    if (at != QChar::LineSeparator && at != QLatin1Char(' '))
        f.setTextIndent(HeldLetters::width(doc, at, format));
    if (rightToLeft && !f.hasProperty(QTextFormat::LayoutDirection))
        readRightToLeft(doc, f);
    return f;
}

// QTextFormat's == tells formats apart by the order their properties were set in.
void setFormat(const QTextBlock &block, const QTextBlockFormat &format)
{
    if (format.properties() != block.blockFormat().properties())
        QTextCursor(block).setBlockFormat(format);
}

// The format the block needs at its place in its paragraph, whose format is `own` and whose list
// indents it by `listIndent` (listIndent()).
QTextBlockFormat placed(const QTextBlock &block, const QTextBlockFormat &own, int listIndent)
{
    const bool first = !LineBlocks::continues(block);
    const QChar at = first ? QChar() : LineBlocks::standsFor(block);
    return piece(block.document(), own, first, !continuedAfter(block), at, block.charFormat(), listIndent,
                 !first && readsRightToLeft(at, block.text()));
}

// A block whose place in its paragraph or whose letter changed (or whose format an edit set) gets
// the format that place needs.
void fit(const QTextBlock &block)
{
    setFormat(block, placed(block, LineBlocks::ownFormat(block.blockFormat()), listIndent(block)));
}

// Each edit below puts the new character in before the old one goes, so that every cursor in the
// text keeps its place on the right side of the break.

// One character by its position (deleteChar() would lay the whole block out to find a cluster's end).
void removeAt(QTextCursor &cursor, int position)
{
    cursor.setPosition(position);
    cursor.setPosition(position + 1, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
}

// Where a stretch is parted at or after `first`, before `last`: at the first space within a piece's
// length, else (Japanese text, one long word, a run of signs where `signs`) at the first letter that
// may be drawn; -1 for none.
int partAt(const QString &text, int first, int last, bool signs)
{
    const qsizetype space = QStringView(text).mid(first, qMin(last, first + LineBlocks::PieceLength) - first)
                                .indexOf(QLatin1Char(' '));
    if (space >= 0)
        return first + int(space);
    for (int i = first; i < last; ++i) {
        if (LineBlocks::partsAt(text.at(i), text.at(i + 1), signs))
            return i;
    }
    return -1;
}

// Where a long block is parted, from the back: at each line break and, in a stretch without one of
// more than PartedLength, after about every PieceLength characters (partAt()), so that each piece is
// at least that long.
QList<int> splitPoints(const QTextBlock &block)
{
    const QString text = block.text();
    const bool signs = sameWay(block, text);
    QList<int> points;
    int end = int(text.size());
    for (int i = end - 1; i >= -1; --i) {
        if (i >= 0 && text.at(i) != QChar::LineSeparator)
            continue;
        const int start = i + 1;
        QList<int> spaces;
        for (int from = start; end - start > LineBlocks::PartedLength && end - from > 2 * LineBlocks::PieceLength;) {
            const int space = partAt(text, from + LineBlocks::PieceLength, end - LineBlocks::PieceLength, signs);
            if (space < 0)
                break;
            spaces.append(space);
            from = space + 1;
        }
        for (auto it = spaces.crbegin(); it != spaces.crend(); ++it)
            points.append(*it);
        if (i >= 0)
            points.append(i);
        end = i;
    }
    return points;
}

// Qt goes through every block of a cell to paint any part of it: there the lines are held in
// pieces of at least PieceLength characters, not one block each. `points` run from the back.
QList<int> gathered(const QList<int> &points, int size)
{
    QList<int> kept;
    int end = size;
    for (int point : points) {
        if (end - point < LineBlocks::PieceLength || point < LineBlocks::PieceLength)
            continue;
        kept.append(point);
        end = point;
    }
    return kept;
}

bool inCell(const QTextBlock &block)
{
    const QTextDocument *doc = block.document();
    if (qobject_cast<const QTextTable *>(doc->frameAt(block.position())))
        return true;
    // Qt finds the tables of an edit at its end: in a page built in one edit, a paragraph that
    // opens a cell follows the cell's mark, whose format names the table.
    return block.position() > 0 && doc->characterAt(block.position() - 1) == QChar(0xFDD0)
        && qobject_cast<const QTextTable *>(doc->object(block.charFormat().objectIndex()));
}

void split(const QTextBlock &block, const QList<int> &points)
{
    QTextCursor cursor(block);
    QTextDocument *doc = cursor.document();
    const QString text = block.text();
    const QTextBlockFormat own = LineBlocks::ownFormat(block.blockFormat());
    const int indent = listIndent(block);
    const bool last = !continuedAfter(block);
    int end = int(text.size());
    for (int i : points) {
        const int at = block.position() + i;
        cursor.setPosition(at + 1);
        const QTextCharFormat format = cursor.charFormat(); // the parted character's
        const bool rightToLeft = readsRightToLeft(text.at(i), QStringView(text).mid(i + 1, end - i - 1));
        cursor.insertBlock(piece(doc, own, false, last && i == points.first(), text.at(i), format, indent, rightToLeft),
                           format);
        removeAt(cursor, at);
        end = i;
    }
    fit(block);
    ObjectLines::fit(doc, block.position(), block.position() + int(text.size()));
}

// Joins the blocks that continue the paragraph of the block at `position` into it; returns that
// block, in the paragraph's own format. (An empty block whose separator goes merges into the next
// one and takes its format: Qt keeps the last block's when a removal begins where a block begins.)
QTextBlock joinAfter(QTextDocument *doc, int position)
{
    QTextCursor cursor(doc);
    QTextBlock block = doc->findBlock(position);
    const QTextBlockFormat own = LineBlocks::ownFormat(block.blockFormat());
    for (QTextBlock next = block.next(); next.isValid() && LineBlocks::continues(next); next = block.next()) {
        const int at = next.position();
        cursor.setPosition(at);
        cursor.insertText(QString(LineBlocks::standsFor(next)), next.charFormat());
        removeAt(cursor, at - 1);
        block = doc->findBlock(position);
    }
    setFormat(block, own);
    return block;
}

// The blocks of the paragraph of `block`, its first, take its format (the ones after it came from another).
void reformatAfter(const QTextBlock &block)
{
    const QTextBlockFormat own = LineBlocks::ownFormat(block.blockFormat());
    const int indent = listIndent(block);
    fit(block);
    // A block already in its format is left as it is: a change to every block of a long paragraph
    // would have all of it laid out again.
    for (QTextBlock next = block.next(); next.isValid() && LineBlocks::continues(next); next = next.next()) {
        setFormat(next, placed(next, own, indent));
        ObjectLines::fit(QTextCursor(next).document(), next.position(), next.position());
    }
}

// A block that is its paragraph's only one and keeps nothing of a held line: its format is the one
// its place needs.
bool plainWhole(const QTextBlock &block)
{
    const QTextBlockFormat f = block.blockFormat();
    for (int held : HeldProperties) {
        if (f.hasProperty(held))
            return false;
    }
    return !marked(block.next());
}

// Returns the block, which a join may have replaced by the one now at its place, or the last
// piece a split left.
QTextBlock mend(QTextDocument *doc, QTextBlock block, bool splitting)
{
    // Most paragraphs are whole and short: checked for that alone, a table of many cells settles
    // in a fraction of the time.
    if (plainWhole(block) && block.length() <= LineBlocks::SplitLength)
        return block;
    if (LineBlocks::continues(block)) {
        // The text between a line and the lines of a later paragraph was removed: those lines are
        // now this paragraph's, in its format (the one it is stored with).
        const QTextBlock before = block.previous();
        if (!shareFormat(block, before))
            reformatAfter(LineBlocks::head(block));
        else
            fit(block);
    } else {
        const QTextBlock next = block.next();
        if (next.isValid() && LineBlocks::continues(next)) {
            if (!splitting || !holdable(block))
                block = joinAfter(doc, block.position());
            else if (!shareFormat(next, block))
                reformatAfter(block);
        }
        fit(block);
    }
    if (splitting && block.length() > LineBlocks::SplitLength && holdable(block)) {
        QList<int> points = splitPoints(block);
        if (inCell(block))
            points = gathered(points, block.length() - 1);
        if (!points.isEmpty()) {
            const int end = block.position() + block.length() - 1;
            split(block, points);
            // The pieces are in their places' formats already.
            return doc->findBlock(end);
        }
    }
    return block;
}

} // namespace

bool LineBlocks::partsAt(QChar ch, QChar next, bool signs)
{
    return drawable(ch, next) || (signs && drawableSign(ch, next));
}

bool LineBlocks::leftToRight(QStringView text)
{
    for (const QChar ch : text) {
        switch (ch.direction()) {
        case QChar::DirR: case QChar::DirAL: case QChar::DirAN: case QChar::DirRLE: case QChar::DirRLO:
        case QChar::DirRLI: case QChar::DirFSI:
            return false;
        default:
            break;
        }
    }
    return true;
}

bool LineBlocks::continues(const QTextBlock &block)
{
    if (!marked(block))
        return false;
    const QTextBlock before = block.previous();
    return before.isValid() && heldFlow(block) && sameFlow(before, block);
}

QChar LineBlocks::standsFor(const QTextBlock &block)
{
    const QVariant mark = block.blockFormat().property(LineBreakBlock);
    return mark.typeId() == QMetaType::Int ? QChar(mark.toInt()) : QChar(QChar::LineSeparator);
}

bool LineBlocks::drawsLetter(const QTextBlock &block)
{
    if (!continues(block))
        return false;
    const QChar ch = standsFor(block);
    return ch != QChar::LineSeparator && ch != QLatin1Char(' ');
}

QTextBlockFormat LineBlocks::ownFormat(QTextBlockFormat format)
{
    if (format.hasProperty(LineBreakBlock))
        format.clearProperty(QTextFormat::TextIndent);
    format.clearProperty(LineBreakBlock);
    if (format.hasProperty(HeldRightToLeft)) {
        const int levels = format.intProperty(HeldRightToLeft);
        if (levels > 0) {
            format.clearProperty(QTextFormat::BlockLeftMargin);
            if (format.hasProperty(HeldLeftMargin))
                format.setLeftMargin(format.doubleProperty(HeldLeftMargin));
            format.setIndent(levels);
        }
        format.clearProperty(QTextFormat::LayoutDirection);
        format.clearProperty(HeldRightToLeft);
        format.clearProperty(HeldLeftMargin);
    }
    if (format.hasProperty(HeldIndent)) {
        const int indent = format.intProperty(HeldIndent);
        if (indent >= 0)
            format.setIndent(indent);
        else
            format.clearProperty(QTextFormat::BlockIndent);
        format.clearProperty(HeldIndent);
    }
    for (const Spacing &spacing : Spacings) {
        if (!format.hasProperty(spacing.held))
            continue;
        // A value an edit set on the block itself is newer.
        if (!format.hasProperty(spacing.laidOut))
            format.setProperty(spacing.laidOut, format.property(spacing.held));
        format.clearProperty(spacing.held);
    }
    return format;
}

void LineBlocks::setOwnFormat(const QTextBlock &block, const QTextBlockFormat &own)
{
    setFormat(block, placed(block, own, listIndent(block)));
}

QTextBlockFormat LineBlocks::paragraphFormat(const QTextBlock &block)
{
    return ownFormat(head(block).blockFormat());
}

QChar LineBlocks::code(const QTextBlock &block)
{
    const QChar ch = standsFor(block);
    return ch == QChar::LineSeparator ? QChar(LineBreakCode) : ch;
}

QTextBlock LineBlocks::head(QTextBlock block)
{
    while (continues(block))
        block = block.previous();
    return block;
}

QTextBlock LineBlocks::tail(QTextBlock block)
{
    for (QTextBlock next = block.next(); next.isValid() && continues(next); next = next.next())
        block = next;
    return block;
}

void LineBlocks::settle(QTextDocument *doc, int from, int to)
{
    const bool splitting = splitsLines(doc);
    QTextBlock block = doc->findBlock(qMax(0, from));
    if (!block.isValid())
        return;
    if (block.previous().isValid())
        block = block.previous();
    // Follows the edits that the mending itself makes.
    QTextCursor end(doc);
    end.setPosition(qBound(0, qMax(from, to), doc->characterCount() - 1));
    for (; block.isValid(); block = block.next()) {
        block = mend(doc, block, splitting);
        if (block.position() > end.position())
            break;
    }
}

bool LineBlocks::nearLines(const QTextCursor &cursor)
{
    const QTextDocument *doc = cursor.document();
    if (!doc)
        return false;
    for (int position : {cursor.selectionStart(), cursor.selectionEnd()}) {
        // (A paragraph end taken away joins the next paragraph, which may be held in lines.)
        const QTextBlock block = doc->findBlock(position);
        if (marked(block.previous()) || marked(block) || marked(block.next()) || marked(block.next().next()))
            return true;
    }
    return false;
}

void LineBlocks::settle(QTextDocument *doc)
{
    settle(doc, 0, doc->characterCount() - 1);
}

namespace {

// The text of [from, to) of one held paragraph, each separator between its blocks as what it stands for.
QString heldText(const QTextDocument *doc, int from, int to)
{
    QString text;
    text.reserve(to - from);
    for (QTextBlock block = doc->findBlock(from); block.isValid() && block.position() < to; block = block.next()) {
        const int start = qMax(from, block.position());
        const int end = qMin(to, block.position() + block.length() - 1);
        text += block.text().mid(start - block.position(), end - start);
        if (end < to) // the separator at the block's end lies in the range
            text += LineBlocks::standsFor(block.next());
    }
    return text;
}

} // namespace

int LineBlocks::wordMove(const QTextDocument *doc, int position, bool forward)
{
    const QTextBlock block = doc->findBlock(position);
    const QTextBlock first = head(block);
    const QTextBlock last = tail(block);
    if (first == last)
        return -1;
    const int start = first.position();
    const int end = last.position() + last.length() - 1;
    // At the paragraph's edge Qt's move steps over its end, as in one block.
    if (forward ? position >= end : position <= start)
        return -1;
    // Qt's move ends where a word does; a window around the caret holds it unless the move reaches the
    // window's edge inside the paragraph, a word longer than the window: then a wider one is read.
    for (int reach = 256;; reach *= 4) {
        const int from = qMax(start, position - reach);
        const int to = qMin(end, position + reach);
        const QTextLayout layout(heldText(doc, from, to));
        const int moved = from
            + (forward ? layout.nextCursorPosition(position - from, QTextLayout::SkipWords)
                       : layout.previousCursorPosition(position - from, QTextLayout::SkipWords));
        if ((moved > from || from == start) && (moved < to || to == end))
            return moved;
    }
}

void LineBlocks::leaveList(const QTextBlock &block)
{
    QTextBlockFormat format = block.blockFormat();
    format.clearProperty(QTextFormat::ObjectIndex);
    QTextCursor(block).setBlockFormat(format);
}

void LineBlocks::join(QTextDocument *doc, int from, int to)
{
    QTextCursor end(doc);
    end.setPosition(qBound(0, qMax(from, to), doc->characterCount() - 1));
    for (QTextBlock block = head(doc->findBlock(qMax(0, from))); block.isValid(); block = block.next()) {
        block = joinAfter(doc, block.position());
        if (block.position() + block.length() > end.position())
            break;
    }
}

void LineBlocks::insertParagraph(QTextCursor &cursor)
{
    cursor.insertBlock(paragraphFormat(cursor.block()), cursor.charFormat());
    // The blocks on either side now end one paragraph and begin the next.
    settle(cursor.document(), cursor.position() - 1, cursor.position());
}

LineBlocks::Breaks::Breaks(const QTextDocument *doc, std::initializer_list<int> positions)
{
    for (int position : positions) {
        const QTextBlock block = doc->findBlock(position);
        for (const QTextBlock &b : {block.previous(), block}) {
            if (b.isValid())
                m_starts.append({b.position(), b.blockFormat().property(LineBreakBlock), b.blockFormat().objectIndex()});
        }
    }
}

void LineBlocks::Breaks::restore(QTextDocument *doc, int from) const
{
    // The block the removal began in; one it began inside of was joined with the block after the
    // removal, in that block's format, at the same place.
    const QTextBlock block = doc->findBlock(from);
    for (const Start &start : m_starts) {
        if (start.position != block.position() || block.blockFormat().property(LineBreakBlock) == start.mark)
            continue;
        QTextBlockFormat format = block.blockFormat();
        if (start.mark.isValid()) {
            format.setProperty(LineBreakBlock, start.mark); // settle() gives it the room its letter needs
        } else {
            format = ownFormat(format);
            // A list item again (Qt recreates its list where it was emptied).
            if (start.list >= 0)
                format.setObjectIndex(start.list);
        }
        QTextCursor(block).setBlockFormat(format);
        return;
    }
}

namespace {

// Puts the copy's first block into the copy's own list of the original's `list`: the one its next
// item in the original is in at the same place, or a new one of the list's format.
void addToCopiedList(QTextDocument *copy, const QTextList *list, const QTextBlock &copied)
{
    if (list->count() > 1) {
        const QTextBlock item = list->item(1);
        if (QTextList *own = copy->findBlockByNumber(item.blockNumber()).textList()) {
            own->add(copied);
            return;
        }
    }
    QTextCursor(copied).createList(list->format());
}

// Qt's clone() of a document without text gives the copy the block format as it stands, with the
// index its list has in this document: where the copy has no object there, Qt crashes. Such a copy
// begins as a new document of the same settings.
std::unique_ptr<QTextDocument> cloned(const QTextDocument *doc)
{
    if (!doc->isEmpty() || !doc->begin().textList())
        return std::unique_ptr<QTextDocument>(doc->clone());
    auto copy = std::make_unique<QTextDocument>();
    copy->setDefaultFont(doc->defaultFont());
    copy->setDefaultTextOption(doc->defaultTextOption());
    copy->setDefaultStyleSheet(doc->defaultStyleSheet());
    copy->setDocumentMargin(doc->documentMargin());
    copy->setIndentWidth(doc->indentWidth());
    copy->setUseDesignMetrics(doc->useDesignMetrics());
    copy->setPageSize(doc->pageSize());
    copy->setMetaInformation(QTextDocument::DocumentTitle, doc->metaInformation(QTextDocument::DocumentTitle));
    copy->rootFrame()->setFrameFormat(doc->rootFrame()->frameFormat());
    return copy;
}

} // namespace

std::unique_ptr<QTextDocument> LineBlocks::copy(const QTextDocument *doc)
{
    std::unique_ptr<QTextDocument> copy = cloned(doc);
    const QTextBlock first = doc->begin();
    const QTextBlock copied = copy->begin();
    if (first.length() == 1 && copied.length() == 1) {
        QTextCursor at(copy.get());
        // The list it is an item of is another object in the copy, under another index.
        QTextBlockFormat format = first.blockFormat();
        format.clearProperty(QTextFormat::ObjectIndex);
        at.setBlockFormat(format);
        at.setBlockCharFormat(first.charFormat());
        if (const QTextList *list = first.textList())
            addToCopiedList(copy.get(), list, copied);
    }
    return copy;
}

LineBlocks::Joined::Joined(const QTextDocument *doc)
    : m_doc(doc)
{
    bool held = false;
    for (QTextBlock block = doc->begin(); block.isValid() && !held; block = block.next())
        held = continues(block);
    if (!held)
        return;
    m_copy = copy(doc);
    m_copy->setUndoRedoEnabled(false);
    // Writers read, they do not lay out; nor do the cursors after every join, as one edit.
    m_copy->setLayoutEnabled(false);
    QTextCursor edit(m_copy.get());
    edit.beginEditBlock();
    for (QTextBlock block = m_copy->begin(); block.isValid(); block = block.next())
        block = joinAfter(m_copy.get(), block.position());
    edit.endEditBlock();
    m_doc = m_copy.get();
}

LineBlocks::Joined::~Joined() = default;

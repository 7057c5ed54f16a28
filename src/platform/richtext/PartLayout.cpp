#include "platform/richtext/PartLayout.h"

#include "platform/richtext/LineBlocks.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QTextTable>

#include <QtGui/private/qguiapplication_p.h>

#include <cmath>
#include <limits>

namespace {

// Qt places lines in 1/64 of a pixel.
int fixed(qreal value)
{
    return int(std::lround(value * 64));
}

// A length of a format (an indent, a margin, a line height, the page) as Qt takes it: in 1/64 px,
// cut towards zero (an indent of 8 pt, 10.67 px, lies 1/64 px left of where rounding would put it).
qint64 cut(qreal length)
{
    return qint64(length * 64);
}

qreal asQt(qreal indent)
{
    return cut(indent) / 64.0;
}

// The width of a block's longest word when it was last laid out.
struct LongestWord : QTextBlockUserData {
    explicit LongestWord(qreal w)
        : width(w)
    {
    }
    qreal width;
};

struct Line {
    qreal y;
    int height;
    int ascent; // Qt sets a line of a fixed height by it
    int leading;
};

// Where Qt places the lines of a plain paragraph: each at its left indent, the first after its
// first-line indent, which it takes from the width.
struct Lines {
    qreal left = 0;   // the left indent
    qreal width = 0;  // of a line after the first
    qreal indent = 0; // of the first
    qreal firstWidth = 0;
};

// The lines of a block laid out at one width from its left indent `left`, as Qt lays out a plain
// paragraph.
bool linesOf(const QTextLayout *layout, qreal left, QList<Line> &lines, Lines &at)
{
    const int count = layout->lineCount();
    if (count == 0)
        return false;
    const QTextLine first = layout->lineAt(0);
    at.left = left;
    at.indent = first.x() - left;
    at.firstWidth = first.width();
    at.width = count > 1 ? layout->lineAt(1).width() : first.width() + at.indent;
    if (fixed(at.firstWidth + at.indent) != fixed(at.width))
        return false;
    for (int i = 0; i < count; ++i) {
        const QTextLine line = layout->lineAt(i);
        if (i > 0 && (fixed(line.x()) != fixed(left) || line.width() != at.width))
            return false;
        if (line.naturalTextWidth() > line.width())
            return false;
        lines.append({line.y(), fixed(line.height()), fixed(line.ascent()), fixed(line.leading())});
    }
    return true;
}

// A block whose lines Qt lays out at one width from its left indent, the first after its first-line
// indent (left to right: a right-to-left block starts its lines from the right), each placed by the
// heights of the lines before it and its own.
bool plainBlock(const QTextBlock &block)
{
    const QTextBlockFormat f = block.blockFormat();
    const bool indented = f.leftMargin() != 0 || f.rightMargin() != 0 || f.textIndent() != 0;
    return f.textIndent() >= 0 && f.indent() == 0 && !block.textList() && !f.nonBreakableLines()
        && !block.text().contains(QChar::ObjectReplacementCharacter)
        && (!indented || block.textDirection() == Qt::LeftToRight);
}

// The options Qt lays a block out with.
QTextOption optionFor(const QTextBlock &block)
{
    const QTextDocument *doc = block.document();
    const QTextBlockFormat f = block.blockFormat();
    QTextOption option = doc->defaultTextOption();
    const Qt::LayoutDirection direction = block.textDirection();
    option.setTextDirection(direction);
    option.setTabs(f.tabPositions());
    const Qt::Alignment align = f.hasProperty(QTextFormat::BlockAlignment) ? f.alignment() : option.alignment();
    option.setAlignment(QGuiApplicationPrivate::visualAlignment(direction, align));
    return option;
}

// Where Qt puts the lines of a frame (a cell, the main text) that a page end parts, in 1/64 px from
// the frame's top. A line that would reach below the page's bottom margin goes to the next page,
// below its top margin.
// The margins are learnt from the lines as Qt put them: the top one from a line that went to a next
// page, the bottom one between the room a line that went lacked and the room one that stayed had.
class PageEnds
{
public:
    PageEnds(qint64 page, qint64 origin)
        : m_page(page)
        , m_origin(origin)
    {
    }

    // A line of `height` that Qt put at y, after a line that began at prevTop and ended at prevEnd.
    bool learn(qint64 prevTop, qint64 prevEnd, qint64 y, qint64 height)
    {
        if (m_page <= 0)
            return y == prevEnd;
        const qint64 next = nextPage(prevTop);
        const qint64 room = next - (m_origin + prevEnd + height);
        if (y == prevEnd) {
            m_bottomAtMost = qMin(m_bottomAtMost, room);
        } else {
            const qint64 top = m_origin + y - next;
            if (y < prevEnd || (m_top >= 0 && top != m_top))
                return false;
            m_top = top;
            m_bottomAbove = qMax(m_bottomAbove, room);
        }
        return m_bottomAbove < m_bottomAtMost;
    }

    // Where Qt puts a line of `height` whose turn comes at y, after a line that began at prevTop;
    // -1 where the margins learnt cannot tell.
    qint64 place(qint64 prevTop, qint64 y, qint64 height) const
    {
        if (m_page <= 0)
            return y;
        qint64 next = nextPage(prevTop);
        for (;;) {
            const qint64 room = next - (m_origin + y + height);
            if (room >= m_bottomAtMost)
                return y;
            // Qt leaves a line higher than a page where it is.
            if (room > m_bottomAbove || m_top < 0 || m_page - m_bottomAtMost - m_top < height)
                return -1;
            y = qMax(y, next + m_top - m_origin);
            next += m_page;
        }
    }

    // The bottom margin as Qt takes it from the format, where the lines learnt cannot tell it: lines
    // that all begin at a page's top in the same pattern leave it open by up to a line.
    void knowBottom(qint64 margin)
    {
        m_bottomAbove = margin - 1;
        m_bottomAtMost = margin;
    }

private:
    qint64 nextPage(qint64 top) const
    {
        return ((m_origin + top) / m_page + 1) * m_page;
    }

    const qint64 m_page; // 0 where the text is not parted into pages
    const qint64 m_origin; // of the frame's text on the whole text
    qint64 m_top = -1; // the top margin, -1 until learnt
    qint64 m_bottomAbove = -1; // the bottom margin is more than this and at most the next
    qint64 m_bottomAtMost = std::numeric_limits<qint64>::max();
};

// Whether the cells of a row stand at its top.
bool alignedToTop(QTextTable *table, int row)
{
    for (int column = 0; column < table->columns(); ++column) {
        const auto align = table->cellAt(row, column).format().verticalAlignment();
        if (align == QTextCharFormat::AlignMiddle || align == QTextCharFormat::AlignBottom)
            return false;
    }
    return true;
}

// A block whose lines may be moved, and past which lines may move: a plain block, its lines as high
// as their text or as the block sets, which Qt places one after another, or at a page's top where
// one would reach below the page.
bool movable(const QTextBlock &block)
{
    const QTextBlockFormat f = block.blockFormat();
    const bool lines = f.lineHeightType() == QTextBlockFormat::SingleHeight
        || f.lineHeightType() == QTextBlockFormat::FixedHeight;
    return plainBlock(block) && lines && f.pageBreakPolicy() == QTextFormat::PageBreak_Auto;
}

// The room Qt leaves between two blocks: the more of the one's space after and the other's space
// before. In 1/64 px.
qint64 roomBetween(const QTextBlockFormat &above, const QTextBlockFormat &below)
{
    return qMax(cut(above.bottomMargin()), cut(below.topMargin()));
}

// A block of a paragraph held in pieces (LineBlocks): the first, a middle or the last.
bool heldPiece(const QTextBlock &block)
{
    const QTextBlock next = block.next();
    return LineBlocks::continues(block) || (next.isValid() && LineBlocks::continues(next));
}

// Lays a plain block's lines out at a width from its left indent, the first after its first-line
// indent; each line where the line as many down of `places` is, the last of them for lines beyond,
// or at the block's top.
void layOutLines(const QTextBlock &block, qreal left, qreal width, qreal indent, const QList<Line> &places)
{
    QTextLayout *layout = block.layout();
    layout->setTextOption(optionFor(block));
    layout->beginLayout();
    for (int i = 0;; ++i) {
        QTextLine line = layout->createLine();
        if (!line.isValid())
            break;
        line.setLeadingIncluded(true);
        line.setLineWidth(i == 0 ? width - indent : width);
        const qreal y = places.isEmpty() ? 0 : places.at(qMin(i, int(places.size()) - 1)).y;
        line.setPosition(QPointF(left + (i == 0 ? indent : 0), y));
    }
    layout->endLayout();
}

// The room Qt gives a line in its frame's flow: as high as the line, or as its block sets; a line of
// a set height sits by its ascent, `adjust` above its room's top. In 1/64 px.
struct Slot {
    qint64 advance;
    qint64 adjust;
};

Slot slotOf(const QTextBlockFormat &format, const Line &line)
{
    if (format.lineHeightType() != QTextBlockFormat::FixedHeight)
        return {line.height, 0};
    const qint64 set = cut(format.lineHeight());
    return {set, line.ascent + qMax(line.leading, 0) - set * 4 / 5};
}

Line lineOf(const QTextLine &line)
{
    return {line.y(), fixed(line.height()), fixed(line.ascent()), fixed(line.leading())};
}

// Where a block's line ends in Qt's flow, from the block's top.
qreal endOf(const QTextBlockFormat &format, const Line &line)
{
    const Slot slot = slotOf(format, line);
    return line.y + (slot.adjust + slot.advance) / 64.0;
}

// Where a block's last line ends in its frame's flow, in 1/64 px from the frame's top; -1 for a
// block without lines.
qint64 flowEnd(const QTextBlock &block)
{
    const QTextLayout *lines = block.layout();
    if (lines->lineCount() == 0)
        return -1;
    const Line line = lineOf(lines->lineAt(lines->lineCount() - 1));
    const Slot slot = slotOf(block.blockFormat(), line);
    return fixed(lines->position().y()) + fixed(line.y) + slot.adjust + slot.advance;
}

// Learns where the pages part the lines from `first` to `last` as Qt put them (the lines of `block`
// as `before` holds them); their old end in `end`.
bool learnPages(PageEnds &pages, const QTextBlock &first, const QTextBlock &last, const QTextBlock &block,
                const QList<Line> &before, qint64 &end)
{
    qint64 top = -1;
    end = -1;
    QTextBlockFormat above;
    for (QTextBlock b = first; b.isValid() && b.position() <= last.position(); b = b.next()) {
        if (!movable(b))
            return false;
        const QTextLayout *lines = b.layout();
        const QTextBlockFormat format = b.blockFormat();
        if (end >= 0)
            end += roomBetween(above, format);
        above = format;
        const qint64 at = fixed(lines->position().y());
        const qsizetype count = b == block ? before.size() : lines->lineCount();
        for (qsizetype i = 0; i < count; ++i) {
            const Line line = b == block ? before.at(i) : lineOf(lines->lineAt(i));
            const Slot slot = slotOf(format, line);
            const qint64 y = at + fixed(line.y) + slot.adjust;
            if (end >= 0 && !pages.learn(top, end, y, slot.advance))
                return false;
            top = y;
            end = y + slot.advance;
        }
    }
    return true;
}

// Places the lines of `block` from its line `from` on, after a line at `top` ending at `end`, and
// every line of the blocks after it up to `last`, one after another as Qt does; the block stays where
// it begins. Returns the new end, or -1 where Qt's places cannot be told: then nothing has moved.
qint64 placeLines(const PageEnds &pages, const QTextBlock &block, int from, qint64 top, qint64 end,
                  const QTextBlock &last)
{
    struct Placed {
        QTextLayout *lines;
        QTextBlockFormat format;
        qint64 at; // -1: after the block before it
        int from; // the first line placed
        QList<qint64> tops;
    };
    QList<Placed> placed{{block.layout(), block.blockFormat(), fixed(block.layout()->position().y()), from, {}}};
    for (QTextBlock b = block.next(); b.isValid() && b.position() <= last.position(); b = b.next())
        placed.append({b.layout(), b.blockFormat(), -1, 0, {}});
    for (qsizetype k = 0; k < placed.size(); ++k) {
        Placed &p = placed[k];
        if (p.at < 0) {
            end += roomBetween(placed.at(k - 1).format, p.format);
            p.at = end;
        }
        for (int i = p.from; i < p.lines->lineCount(); ++i) {
            const Slot slot = slotOf(p.format, lineOf(p.lines->lineAt(i)));
            const qint64 y = pages.place(top, end, slot.advance);
            if (y < 0)
                return -1;
            p.tops.append(y - slot.adjust);
            top = y;
            end = y + slot.advance;
        }
    }
    for (const Placed &p : placed) {
        p.lines->setPosition(QPointF(p.lines->position().x(), p.at / 64.0));
        for (int i = 0; i < p.tops.size(); ++i) {
            QTextLine line = p.lines->lineAt(p.from + i);
            line.setPosition(QPointF(line.x(), (p.tops.at(i) - p.at) / 64.0));
        }
    }
    return end;
}

PageEnds pagesOf(const QTextBlock &block, qreal origin)
{
    const QTextDocument *doc = block.document();
    const qreal pageHeight = doc->pageSize().height();
    PageEnds pages(pageHeight > 0 ? cut(pageHeight) : 0, fixed(origin));
    // The main text ends a page where its frame's margin, border and padding begin. (A line that
    // contradicts it is never moved here.)
    if (doc->frameAt(block.position()) == doc->rootFrame()) {
        const QTextFrameFormat f = doc->rootFrame()->frameFormat();
        pages.knowBottom(cut(f.bottomMargin()) + cut(f.border()) + cut(f.padding()));
    }
    return pages;
}

// The lines of a block that got a line more or less, and of the blocks after it up to `last`,
// placed as Qt places them; the block's lines that it kept stay where they were. Where Qt breaks
// them between pages is learnt from the lines from `first` to `last` as Qt put them, `origin` is
// the top of their frame on the whole text. Returns the least of the old and the new end of the
// text up to `last`, from the frame's top, or -1 where Qt's places cannot be told: then nothing has
// moved. How far the end rose goes into `rose`.
qreal moveLines(const QTextBlock &block, const QList<Line> &before, const QTextBlock &first, const QTextBlock &last,
                qreal origin, qreal &rose)
{
    PageEnds pages = pagesOf(block, origin);
    qint64 oldEnd = -1;
    if (!learnPages(pages, first, last, block, before, oldEnd))
        return -1;
    const int kept = int(qMin(before.size(), qsizetype(block.layout()->lineCount())));
    const Slot slot = slotOf(block.blockFormat(), before.at(kept - 1));
    const qint64 top = fixed(block.layout()->position().y()) + fixed(before.at(kept - 1).y) + slot.adjust;
    const qint64 end = placeLines(pages, block, kept, top, top + slot.advance, last);
    rose = qMax<qint64>(0, oldEnd - end) / 64.0;
    return end < 0 ? -1 : qMin(oldEnd, end) / 64.0;
}

// Qt tells a change that puts blocks of a list in (an undo bringing list items back) one character
// short for each of them, and the blocks at its end would keep the lines they had: the change
// reaches on by as many characters as there are blocks of a list in it.
int listBlocksIn(const QTextDocument *doc, int from, int length)
{
    int end = from + length;
    int count = 0;
    for (QTextBlock b = doc->findBlock(from); b.isValid() && b.position() <= end + 1; b = b.next()) {
        if (qobject_cast<QTextBlockGroup *>(doc->objectForFormat(b.blockFormat()))) {
            ++count;
            ++end;
        }
    }
    return qMax(0, qMin(count, doc->characterCount() - from - length));
}

// Qt lays a block out again only when an edit block ends: inside one, a block that lost text keeps
// lines that reach past it, and its text control, asked where the caret stands after a key of ours
// (one edit block with the mending of the lines around it), justifies such a line reading glyphs that
// are gone (a crash). Those lines go; the end of the edit lays the block out again.
void dropLinesPastText(const QTextBlock &block)
{
    QTextLayout *layout = block.isValid() ? block.layout() : nullptr;
    // Text an input method composes is the layout's, not the block's.
    if (!layout || layout->lineCount() == 0 || !layout->preeditAreaText().isEmpty())
        return;
    const QTextLine last = layout->lineAt(layout->lineCount() - 1);
    if (last.textStart() + last.textLength() > block.length() - 1)
        layout->clearLayout();
}

// Whether Qt takes a y of its flow (in 1/64 px) for a point of the next page: it divides by the
// page's height rounding to 1/64, where the page a line stands on is the quotient cut.
bool roundedToNextPage(qint64 y, qint64 page)
{
    if (page <= 0 || y <= 0)
        return false;
    const qint64 rounded = ((y << 6) + (page >> 1)) / page;
    return (rounded >> 6) != y / page;
}

// The table or frame of the main text's own flow that holds a block; null for a block of that flow.
QTextFrame *flowFrameOf(const QTextBlock &block)
{
    const QTextDocument *doc = block.document();
    QTextFrame *frame = doc->frameAt(block.position());
    if (frame == doc->rootFrame())
        return nullptr;
    while (frame->parentFrame() != doc->rootFrame())
        frame = frame->parentFrame();
    return frame;
}

} // namespace

PartLayout::PartLayout(QTextDocument *doc)
    : QTextDocumentLayout(doc)
{
}

void PartLayout::documentChanged(int from, int oldLength, int length)
{
    const int blocks = document()->blockCount();
    // Only a change that puts blocks in is told short (one that takes as many out again is missed).
    if (blocks != m_blocks) {
        const int missed = listBlocksIn(document(), from, length);
        oldLength += missed;
        length += missed;
    }
    if (m_sizesOffFrom > from)
        m_sizesOffFrom = qMax(from, m_sizesOffFrom + length - oldLength);
    const QTextBlock block = document()->findBlock(from);
    qreal bottom = 0;
    m_rose = 0;
    const bool mine = blocks == m_blocks ? layOutAlone(block, from, length, bottom)
                                         : m_blocks >= 0 && layOutParagraphs(from, length, bottom);
    m_blocks = blocks;
    if (mine) {
        rememberLongestWords(from, from + length);
        laidOutAlone(block, qobject_cast<QTextTable *>(document()->frameAt(from)), bottom);
        m_putIn += qMax(0, length - oldLength);
        m_roseBy += m_rose;
        return;
    }
    layOutAsQt(from, oldLength, length);
}

// Has Qt lay out a change, from the first change laid out here where that lies above it.
void PartLayout::layOutAsQt(int from, int oldLength, int length)
{
    // Qt starts from its last note above the change: one below a change laid out here may be off.
    // Where both lie in one table, Qt lays out all of it for the change anyway: told of a change
    // from the first one on, it does so once, not twice (a second a time for a megabyte in a cell).
    int start = from;
    if (m_aloneFrom >= 0 && from > m_aloneFrom) {
        const QTextFrame *table = qobject_cast<QTextTable *>(document()->frameAt(from));
        if (table && document()->frameAt(m_aloneFrom) == table)
            start = m_aloneFrom;
        else
            catchUp(std::numeric_limits<qreal>::infinity());
    }
    m_aloneFrom = -1;
    m_sizesOffFrom = -1;
    layOutByQtFrom(start, from, oldLength, length);
    notesHold();
    rememberLongestWords(from, from + length);
}

// Has Qt lay out a change from `start`, at or above it, or from above a note it would misplace.
void PartLayout::layOutByQtFrom(int start, int from, int oldLength, int length)
{
    start = startAboveNotes(start);
    QTextDocumentLayout::documentChanged(start, oldLength + from - start, length + from - start);
}

// Where to tell Qt a change at `from` begins so that the note it starts from is none that it takes
// for one of the next page. Qt notes where an item of the main text's flow (a block, a table or a
// frame) begins every 2000 px or more down, and starts from the last such note before the change:
// the items that begin before it, up to 2000 px above the last of them (and the room above a block,
// which Qt's note leaves out), are those it may start from.
int PartLayout::startAboveNotes(int from) const
{
    const QTextDocument *doc = document();
    const qint64 page = fixed(doc->pageSize().height());
    if (page <= 0 || doc->pageSize().width() < 0)
        return from;
    QTextBlock block = doc->findBlock(from);
    if (block.isValid() && block.position() >= from)
        block = block.previous();
    int start = from;
    qreal lowest = -1; // where the last item before the start begins
    while (block.isValid()) {
        int at = block.position();
        qreal top = 0;
        qreal room = 0;
        if (QTextFrame *frame = flowFrameOf(block)) {
            at = frame->firstPosition();
            top = frameBoundingRect(frame).top();
            block = doc->findBlock(at).previous();
        } else {
            top = QTextDocumentLayout::blockBoundingRect(block).top();
            const QTextBlock above = block.previous();
            if (above.isValid() && !flowFrameOf(above))
                room = qMax(above.blockFormat().bottomMargin(), block.blockFormat().topMargin());
            block = above;
        }
        if (lowest < 0)
            lowest = top;
        else if (top < lowest - 2064)
            break;
        if (roundedToNextPage(fixed(top), page) || roundedToNextPage(fixed(top - room), page)) {
            start = at;
            lowest = -1;
        }
    }
    return start;
}

void PartLayout::draw(QPainter *painter, const PaintContext &context)
{
    const qreal all = std::numeric_limits<qreal>::infinity();
    if (m_sizesOffFrom >= 0 && (!context.clip.isValid() || context.clip.bottom() > m_sizesOffBelow))
        catchUp(all);
    else if (context.clip.isValid())
        catchUp(context.clip.top());
    if (m_aloneFrom < 0 || (m_putIn == 0 && m_roseBy == 0)
        || (context.clip.isValid() && context.clip.bottom() <= m_aloneTop)) {
        QTextDocumentLayout::draw(painter, context);
        return;
    }
    if (!context.clip.isValid()) {
        catchUp(all);
        QTextDocumentLayout::draw(painter, context);
        return;
    }
    PaintContext reaching = context;
    if (!reachPastNotes(reaching.clip))
        catchUp(all);
    QTextDocumentLayout::draw(painter, m_aloneFrom < 0 ? context : reaching);
}

// Qt draws from its last note above the area down to the first block at or past the position of its
// first note below it, and stops at the end of the text as it was; whoever draws clips the painter
// to the area. Below a change laid out here the notes' positions lie behind the blocks' by up to the
// characters put in, and their places below by up to the height the lines rose. Where a block of
// `area` lies behind the change, an area reaching down so far that every block of `area` lies before
// the first note below it (drawing what lies between costs time: a key that keeps its lines asks for
// its own block, which lies before any such note); false where that reaches the end of the text (Qt
// goes over the text from the change to its end, a short way).
bool PartLayout::reachPastNotes(QRectF &area) const
{
    const QTextDocument *doc = document();
    const qreal bottom = area.bottom();
    int passed = 0; // characters of the blocks below the area
    qreal enough = -1; // where the blocks below the area hold more than were put in
    bool moved = false; // a block of the area stands behind the change
    // Qt notes a table of the main text as one, where it begins.
    int from = m_aloneFrom;
    for (QTextFrame *frame = doc->frameAt(from); frame && frame != doc->rootFrame(); frame = frame->parentFrame())
        from = frame->lastPosition() + 1;
    for (QTextBlock b = doc->findBlock(from); b.isValid(); b = b.next()) {
        const QRectF rect = QTextDocumentLayout::blockBoundingRect(b);
        if (rect.top() < bottom) {
            moved = moved || (b.position() > m_aloneFrom && rect.bottom() > area.top());
            continue;
        }
        if (!moved)
            return true;
        if (enough >= 0 && rect.top() >= enough + m_roseBy) {
            area.setBottom(rect.top());
            return true;
        }
        passed += b.length();
        if (enough < 0 && passed > m_putIn)
            enough = rect.bottom();
    }
    return !moved;
}

int PartLayout::hitTest(const QPointF &point, Qt::HitTestAccuracy accuracy) const
{
    const_cast<PartLayout *>(this)->catchUp(point.y());
    return QTextDocumentLayout::hitTest(point, accuracy);
}

QRectF PartLayout::blockBoundingRect(const QTextBlock &block) const
{
    if (m_sizesOffFrom >= 0 && block.position() >= m_sizesOffFrom)
        const_cast<PartLayout *>(this)->catchUp(std::numeric_limits<qreal>::infinity());
    dropLinesPastText(block);
    return QTextDocumentLayout::blockBoundingRect(block);
}

QSizeF PartLayout::documentSize() const
{
    if (m_sizesOffFrom >= 0)
        const_cast<PartLayout *>(this)->catchUp(std::numeric_limits<qreal>::infinity());
    return QTextDocumentLayout::documentSize();
}

int PartLayout::pageCount() const
{
    if (m_sizesOffFrom >= 0)
        const_cast<PartLayout *>(this)->catchUp(std::numeric_limits<qreal>::infinity());
    return QTextDocumentLayout::pageCount();
}

// Notes where Qt's notes of the blocks may be off after a change laid out here: below the block,
// or below the table that holds it (Qt notes only blocks and tables of the main text's own flow).
void PartLayout::laidOutAlone(const QTextBlock &block, QTextTable *table, qreal bottom)
{
    if (table) {
        const int lastRow = table->rows() - 1;
        for (int column = 0; column < table->columns(); ++column) {
            const QTextTableCell cell = table->cellAt(lastRow, column);
            const QTextBlock last = document()->findBlock(cell.lastPosition());
            bottom = qMax(bottom, QTextDocumentLayout::blockBoundingRect(last).bottom());
        }
    }
    const qreal top = QTextDocumentLayout::blockBoundingRect(block).top();
    if (m_aloneFrom < 0) {
        m_aloneFrom = block.position();
        m_aloneTop = top;
        m_notesOffBelow = bottom;
        return;
    }
    // A change laid out here moves no block start above it.
    m_aloneFrom = qMin(m_aloneFrom, block.position());
    m_aloneTop = qMin(m_aloneTop, top);
    m_notesOffBelow = qMin(m_notesOffBelow, bottom);
}

// Has Qt go over the text from the first change laid out here, setting its notes again, when they
// may be off at `below`.
void PartLayout::catchUp(qreal below)
{
    const bool sizesOff = m_sizesOffFrom >= 0 && below > m_sizesOffBelow;
    if (m_aloneFrom < 0 || (below <= m_notesOffBelow && !sizesOff))
        return;
    const int from = m_aloneFrom;
    m_aloneFrom = -1;
    m_sizesOffFrom = -1;
    // As a change of the block's first character: Qt lays out nothing for a change of nothing at
    // the start of the text.
    layOutByQtFrom(from, from, 1, 1);
    notesHold();
}

void PartLayout::notesHold()
{
    m_notedLength = document()->characterCount();
    m_putIn = 0;
    m_roseBy = 0;
}

// Whether Qt has laid the text out, on pages, for a device of the screen's resolution (Qt scales
// cell paddings and line spacing to the device).
bool PartLayout::laidOutAsQt() const
{
    const QTextDocument *doc = document();
    return !doc->pageSize().isNull() && doc->pageSize().width() >= 0 && layoutStatus() == 100
        && (!paintDevice() || paintDevice()->logicalDpiY() == 96);
}

bool PartLayout::layOutAlone(const QTextBlock &block, int from, int length, qreal &bottom)
{
    QTextDocument *doc = document();
    if (!laidOutAsQt() || !block.isValid() || from + length > block.position() + block.length() - 1
        || !heldPiece(block) || followsFrame(block))
        return false;
    if (m_sizesOffFrom >= 0 && block.position() >= m_sizesOffFrom)
        return false; // placed where Qt has yet to set it
    QTextFrame *frame = doc->frameAt(from);
    auto *table = qobject_cast<QTextTable *>(frame);
    if (frame != doc->rootFrame() && !table)
        return false;
    if ((table && !table->childFrames().isEmpty()) || !plainBlock(block))
        return false;
    QTextLayout *layout = block.layout();
    QList<Line> before;
    Lines at;
    // The indents the lines have are the ones the block's format asks for (a change may set others).
    const QTextBlockFormat format = block.blockFormat();
    if (!linesOf(layout, asQt(format.leftMargin()), before, at) || fixed(at.indent) != fixed(asQt(format.textIndent())))
        return false;
    const qreal width = at.width;
    // Lines as high as they were fall where they fell, a page break between two of them included:
    // Qt places each line by the heights of the lines before it.
    layOutLines(block, at.left, width, at.indent, before);

    QList<Line> after;
    Lines atAfter;
    if (!linesOf(layout, at.left, after, atAfter))
        return false;
    const qsizetype kept = qMin(after.size(), before.size());
    for (qsizetype i = 0; i < kept; ++i) {
        if (after.at(i).height != before.at(i).height || after.at(i).ascent != before.at(i).ascent)
            return false;
    }
    if (table && !columnKeepsWidth(table, block, width))
        return false;
    const QRectF rect = QTextDocumentLayout::blockBoundingRect(block);
    bottom = rect.bottom();
    if (after.size() == before.size()) {
        emit update(rect);
        return true;
    }
    // Qt noted where blocks begin below the block's end as it was: those notes may be off.
    bottom = rect.top() + endOf(format, before.constLast());
    // A line more or less: the lines below it move, in a cell or down to the end of the text.
    qreal below = -1;
    if (table && kept > 1 && cellLinesMove(table, block)) {
        // (A block of one line may have set the width of a column that follows its text.)
        const QTextBlock first = table->cellAt(block.position()).firstCursorPosition().block();
        const QTextBlock last = table->cellAt(block.position()).lastCursorPosition().block();
        const qreal origin = frameTop(first);
        below = moveLines(block, before, first, last, origin, m_rose);
        if (below >= 0)
            sizesOff(table, block, origin + below);
    } else if (!table && !framesBelow(block)) {
        below = moveLines(block, before, block, document()->lastBlock(), frameTop(block), m_rose);
        if (below >= 0)
            sizesOff(nullptr, block, std::numeric_limits<qreal>::infinity());
    }
    if (below < 0)
        return false;
    emit update(QRectF(0, rect.top(), std::numeric_limits<int>::max(), std::numeric_limits<int>::max()));
    return true;
}

// A change that parts a paragraph of the main text or joins two (Enter, a paragraph end taken
// away): the blocks it reaches are laid out here and the lines after them move, as for a line more,
// where every block from them to the end of the text is plain.
bool PartLayout::layOutParagraphs(int from, int length, qreal &bottom)
{
    QTextDocument *doc = document();
    const QTextBlock first = doc->findBlock(from);
    const QTextBlock last = doc->findBlock(from + length);
    // A few paragraphs, with lines after them to learn the pages from: Qt lays out a page being
    // built, or a long text put in, as fast as this would.
    if (!laidOutAsQt() || !first.isValid() || !last.next().isValid() || length > LineBlocks::SplitLength
        || last.blockNumber() - first.blockNumber() > 3 || (m_sizesOffFrom >= 0 && first.position() >= m_sizesOffFrom)
        || doc->frameAt(from) != doc->rootFrame() || framesBelow(first))
        return false;
    // Only where a paragraph held in pieces is parted or joined; and after a block whose end tells
    // where the first one begins (a removal from a paragraph's start leaves the block that follows
    // it where it stood, below the text taken away).
    bool held = false;
    for (QTextBlock b = first; b.isValid() && b.position() <= last.position(); b = b.next())
        held = held || heldPiece(b);
    const QTextBlock above = first.previous();
    if (!held || !above.isValid() || flowEnd(above) < 0)
        return false;
    // The first block's lines as Qt laid them out, for where they ended.
    QList<Line> lines;
    Lines at;
    const QTextBlockFormat firstFormat = first.blockFormat();
    if (!linesOf(first.layout(), asQt(firstFormat.leftMargin()), lines, at))
        return false;
    // The width of the frame's lines, from the block above, which the change leaves as it was: the
    // first block's lines may be those of the format it had before (a removal that reaches into a
    // paragraph of other indents gives the block that paragraph's format).
    QList<Line> aboveLines;
    Lines aboveAt;
    const QTextBlockFormat aboveFormat = above.blockFormat();
    if (!plainBlock(above) || !linesOf(above.layout(), asQt(aboveFormat.leftMargin()), aboveLines, aboveAt)
        || fixed(aboveAt.indent) != fixed(asQt(aboveFormat.textIndent())))
        return false;
    const qreal frameWidth = aboveAt.width + asQt(aboveFormat.leftMargin()) + asQt(aboveFormat.rightMargin());
    for (QTextBlock b = first; b.isValid(); b = b.next()) {
        if (!movable(b))
            return false;
    }
    for (QTextBlock b = first; b.isValid() && b.position() <= last.position(); b = b.next()) {
        const QTextBlockFormat f = b.blockFormat();
        const qreal left = asQt(f.leftMargin());
        layOutLines(b, left, frameWidth - left - asQt(f.rightMargin()), asQt(f.textIndent()), {});
        b.layout()->setPosition(QPointF(first.layout()->position().x(), b.layout()->position().y()));
        // Qt widens a line whose text is wider than the line (a letter that fits nowhere).
        QList<Line> laid;
        Lines laidAt;
        if (!linesOf(b.layout(), left, laid, laidAt))
            return false;
    }
    const qreal origin = frameTop(first);
    PageEnds pages = pagesOf(first, origin);
    qint64 end = -1;
    if (!learnPages(pages, last.next(), doc->lastBlock(), QTextBlock(), {}, end))
        return false;
    const qint64 was = fixed(first.layout()->position().y());
    const qint64 top = flowEnd(above) + roomBetween(above.blockFormat(), first.blockFormat());
    first.layout()->setPosition(QPointF(first.layout()->position().x(), top / 64.0));
    const qint64 newEnd = placeLines(pages, first, 0, top, top, doc->lastBlock());
    if (newEnd < 0)
        return false;
    m_rose = qMax<qint64>(0, end - newEnd) / 64.0;
    // Qt noted where blocks begin below the first block's end as it was: those notes may be off.
    bottom = origin + qMin(was, top) / 64.0 + endOf(firstFormat, lines.constLast());
    sizesOff(nullptr, first, std::numeric_limits<qreal>::infinity());
    emit update(QRectF(0, origin + first.layout()->position().y(), std::numeric_limits<int>::max(),
                       std::numeric_limits<int>::max()));
    return true;
}

// The top of the frame that holds a block, on the whole text.
qreal PartLayout::frameTop(const QTextBlock &block) const
{
    return QTextDocumentLayout::blockBoundingRect(block).top() - block.layout()->position().y();
}

// Qt moves the text of a cell aligned to the middle or the bottom by the height of its row, and
// repeats header rows at a page's top.
bool PartLayout::cellLinesMove(QTextTable *table, const QTextBlock &block) const
{
    const QTextTableCell cell = table->cellAt(block.position());
    return cell.rowSpan() == 1 && table->format().headerRowCount() == 0 && alignedToTop(table, cell.row());
}

// A table or a frame right before the block: Qt puts an empty block after a table into the table's
// bottom edge, and one that begins with a line break a line up.
bool PartLayout::followsFrame(const QTextBlock &block) const
{
    const QTextFrame *frame = document()->frameAt(block.position());
    for (const QTextFrame *child : frame->childFrames()) {
        if (child->lastPosition() + 1 == block.position())
            return true;
    }
    return false;
}

// A table or a frame after the block in the main text, or right before it: Qt places a frame, which
// would have to move with the lines above it, and puts a block right after a table into the table's
// bottom edge where it is empty or begins with a line break.
bool PartLayout::framesBelow(const QTextBlock &block) const
{
    for (const QTextFrame *frame : document()->rootFrame()->childFrames()) {
        if (frame->lastPosition() + 1 >= block.position())
            return true;
    }
    return false;
}

// Notes that Qt's rows below the block's and what follows its table, and the table's and the
// text's size, are off below a y: Qt sets them again before anything reads them. Lines moved in the
// main text leave only the text's size off.
void PartLayout::sizesOff(QTextTable *table, const QTextBlock &block, qreal below)
{
    int from = document()->characterCount();
    if (table) {
        const int row = table->cellAt(block.position()).row();
        from = row + 1 < table->rows() ? table->cellAt(row + 1, 0).firstPosition() : table->lastPosition() + 1;
    }
    m_sizesOffBelow = m_sizesOffFrom < 0 ? below : qMin(m_sizesOffBelow, below);
    m_sizesOffFrom = m_sizesOffFrom < 0 ? from : qMin(m_sizesOffFrom, from);
}

// Qt gives a column whose width is set that width, unless a word in it is longer: then the longest
// word's. The column is at its set width and the block's longest word fits in it. A column that
// follows its text (in a table as wide as its share of the page) takes what the other columns
// leave, or its text's whole width where that is less, and so gets wider with its longest word:
// it keeps its width where the block's longest word is as long as before and its lines, more than
// one, are full (its text is wider than the column).
bool PartLayout::columnKeepsWidth(QTextTable *table, const QTextBlock &block, qreal lineWidth) const
{
    const QTextTableFormat format = table->format();
    const QList<QTextLength> widths = format.columnWidthConstraints();
    const QTextTableCell cell = table->cellAt(block.position());
    if (cell.columnSpan() != 1)
        return false;
    for (const QTextLength &width : widths) {
        if (width.type() == QTextLength::PercentageLength)
            return false; // shares what the columns of set width leave
    }
    const QTextLength set = cell.column() < widths.size() ? widths.at(cell.column()) : QTextLength();
    if (set.type() == QTextLength::VariableLength) {
        const auto *before = static_cast<const LongestWord *>(block.userData());
        return format.width().type() != QTextLength::VariableLength && block.layout()->lineCount() > 1
            && before && fixed(before->width) == fixed(block.layout()->minimumWidth());
    }
    if (set.type() != QTextLength::FixedLength)
        return false;
    const QTextCharFormat cellFormat = cell.format();
    const auto padding = [&](QTextFormat::Property side) {
        return cellFormat.hasProperty(side) ? cellFormat.doubleProperty(side) : format.cellPadding();
    };
    const QTextBlockFormat indents = block.blockFormat();
    const qreal column = lineWidth + asQt(indents.leftMargin()) + asQt(indents.rightMargin())
        + padding(QTextFormat::TableCellLeftPadding) + padding(QTextFormat::TableCellRightPadding);
    return fixed(column) == fixed(set.rawValue())
        && block.layout()->minimumWidth() <= lineWidth;
}

// Qt forgets a block's longest word when its text changes, before it is told of the change: the
// blocks of cells laid out from `from` to `to` keep it.
void PartLayout::rememberLongestWords(int from, int to)
{
    QTextDocument *doc = document();
    // A text without layout has no lines, and asking a block for its layout would make one for each.
    const bool laysOut = doc->isLayoutEnabled();
    for (QTextBlock block = doc->findBlock(from); block.isValid() && block.position() <= to; block = block.next()) {
        const bool laidOut = laysOut && block.layout()->lineCount() > 0;
        if (laidOut && qobject_cast<QTextTable *>(doc->frameAt(block.position())))
            block.setUserData(new LongestWord(block.layout()->minimumWidth()));
        else if (block.userData())
            block.setUserData(nullptr);
    }
}

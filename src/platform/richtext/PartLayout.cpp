#include "platform/richtext/PartLayout.h"

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
};

// Where Qt places the lines of a plain paragraph: the first after its first-line indent, which it
// takes from the width; the others at the left edge.
struct Lines {
    qreal width = 0;  // of a line after the first
    qreal indent = 0; // of the first
    qreal firstWidth = 0;
};

// The lines of a block laid out at one width from its left edge, as Qt lays out a plain paragraph.
bool linesOf(const QTextLayout *layout, QList<Line> &lines, Lines &at)
{
    const int count = layout->lineCount();
    if (count == 0)
        return false;
    const QTextLine first = layout->lineAt(0);
    at.indent = first.x();
    at.firstWidth = first.width();
    at.width = count > 1 ? layout->lineAt(1).width() : first.width() + first.x();
    if (fixed(at.firstWidth + at.indent) != fixed(at.width))
        return false;
    for (int i = 0; i < count; ++i) {
        const QTextLine line = layout->lineAt(i);
        if (i > 0 && (line.x() != 0 || line.width() != at.width))
            return false;
        if (line.naturalTextWidth() > line.width())
            return false;
        lines.append({line.y(), fixed(line.height())});
    }
    return true;
}

bool plainBlock(const QTextBlock &block)
{
    const QTextBlockFormat f = block.blockFormat();
    return f.topMargin() == 0 && f.bottomMargin() == 0 && f.leftMargin() == 0 && f.rightMargin() == 0
        && f.textIndent() >= 0 && f.indent() == 0 && !block.textList() && !f.nonBreakableLines()
        && f.lineHeightType() == QTextBlockFormat::SingleHeight
        && !block.text().contains(QChar::ObjectReplacementCharacter);
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

} // namespace

PartLayout::PartLayout(QTextDocument *doc)
    : QTextDocumentLayout(doc)
{
}

void PartLayout::documentChanged(int from, int oldLength, int length)
{
    const int blocks = document()->blockCount();
    const QTextBlock block = document()->findBlock(from);
    const bool mine = blocks == m_blocks && layOutAlone(block, from, length);
    m_blocks = blocks;
    if (mine) {
        rememberLongestWords(from, from + length);
        laidOutAlone(block, qobject_cast<QTextTable *>(document()->frameAt(from)));
        return;
    }
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
    QTextDocumentLayout::documentChanged(start, oldLength + from - start, length + from - start);
    rememberLongestWords(from, from + length);
}

void PartLayout::draw(QPainter *painter, const PaintContext &context)
{
    if (context.clip.isValid())
        catchUp(context.clip.top());
    QTextDocumentLayout::draw(painter, context);
}

int PartLayout::hitTest(const QPointF &point, Qt::HitTestAccuracy accuracy) const
{
    const_cast<PartLayout *>(this)->catchUp(point.y());
    return QTextDocumentLayout::hitTest(point, accuracy);
}

// Notes where Qt's notes of the blocks may be off after a change laid out here: below the block,
// or below the table that holds it (Qt notes only blocks and tables of the main text's own flow).
void PartLayout::laidOutAlone(const QTextBlock &block, QTextTable *table)
{
    qreal bottom = blockBoundingRect(block).bottom();
    if (table) {
        const int lastRow = table->rows() - 1;
        for (int column = 0; column < table->columns(); ++column) {
            const QTextTableCell cell = table->cellAt(lastRow, column);
            bottom = qMax(bottom, blockBoundingRect(document()->findBlock(cell.lastPosition())).bottom());
        }
    }
    if (m_aloneFrom < 0) {
        m_aloneFrom = block.position();
        m_notesOffBelow = bottom;
        return;
    }
    // A change laid out here moves no block start above it.
    m_aloneFrom = qMin(m_aloneFrom, block.position());
    m_notesOffBelow = qMin(m_notesOffBelow, bottom);
}

// Has Qt go over the text from the first change laid out here, setting its notes again, when they
// may be off at `below`.
void PartLayout::catchUp(qreal below)
{
    if (m_aloneFrom < 0 || below <= m_notesOffBelow)
        return;
    const int from = m_aloneFrom;
    m_aloneFrom = -1;
    // As a change of the block's first character: Qt lays out nothing for a change of nothing at
    // the start of the text.
    QTextDocumentLayout::documentChanged(from, 1, 1);
}

bool PartLayout::layOutAlone(const QTextBlock &block, int from, int length)
{
    QTextDocument *doc = document();
    if (doc->pageSize().isNull() || layoutStatus() != 100 || doc->pageSize().width() < 0)
        return false;
    if (paintDevice() && paintDevice()->logicalDpiY() != 96)
        return false; // Qt scales cell paddings and line spacing to the device
    if (!block.isValid() || from + length > block.position() + block.length() - 1)
        return false;
    QTextFrame *frame = doc->frameAt(from);
    auto *table = qobject_cast<QTextTable *>(frame);
    if (frame != doc->rootFrame() && !table)
        return false;
    if ((table && !table->childFrames().isEmpty()) || !plainBlock(block))
        return false;
    QTextLayout *layout = block.layout();
    QList<Line> before;
    Lines at;
    // The indent the lines have is the one the block's format asks for (a change may set another).
    if (!linesOf(layout, before, at) || fixed(at.indent) != fixed(block.blockFormat().textIndent())
        || (at.indent != 0 && block.textDirection() != Qt::LeftToRight))
        return false;
    const qreal width = at.width;

    layout->setTextOption(optionFor(block));
    // Lines as high as they were fall where they fell, a page break between two of them included:
    // Qt places each line by the heights of the lines before it.
    layout->beginLayout();
    for (int i = 0;; ++i) {
        QTextLine line = layout->createLine();
        if (!line.isValid())
            break;
        line.setLeadingIncluded(true);
        line.setLineWidth(i == 0 ? at.firstWidth : width);
        line.setPosition(QPointF(i == 0 ? at.indent : 0, before.at(qMin(i, int(before.size()) - 1)).y));
    }
    layout->endLayout();

    QList<Line> after;
    Lines atAfter;
    if (!linesOf(layout, after, atAfter) || after.size() != before.size())
        return false;
    for (qsizetype i = 0; i < after.size(); ++i) {
        if (after.at(i).height != before.at(i).height)
            return false;
    }
    if (table && !columnKeepsWidth(table, block, width))
        return false;
    emit update(blockBoundingRect(block));
    return true;
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
    const qreal column = lineWidth + padding(QTextFormat::TableCellLeftPadding)
        + padding(QTextFormat::TableCellRightPadding);
    return fixed(column) == fixed(set.rawValue())
        && block.layout()->minimumWidth() <= lineWidth;
}

// Qt forgets a block's longest word when its text changes, before it is told of the change: the
// blocks of cells laid out from `from` to `to` keep it.
void PartLayout::rememberLongestWords(int from, int to)
{
    QTextDocument *doc = document();
    for (QTextBlock block = doc->findBlock(from); block.isValid() && block.position() <= to; block = block.next()) {
        const bool laidOut = block.layout()->lineCount() > 0;
        if (laidOut && qobject_cast<QTextTable *>(doc->frameAt(block.position())))
            block.setUserData(new LongestWord(block.layout()->minimumWidth()));
        else if (block.userData())
            block.setUserData(nullptr);
    }
}

// Character look and paragraph settings of the text under the caret or selection.
#include "platform/richtext/RichTextEdit.h"

#include "platform/richtext/ColorRef.h"
#include "platform/richtext/LayoutLines.h"
#include "platform/richtext/LineBlocks.h"
#include "platform/richtext/ObjectLines.h"
#include "platform/richtext/PositionText.h"
#include "platform/richtext/TextProps.h"
#include "platform/richtext/Twips.h"

#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QTextList>

#include <cmath>

using namespace TextProps;

// ---- character look

QTextCharFormat RichTextEdit::caretFormat() const
{
    if (selLength() == 0)
        return m_cursor.charFormat();
    QTextCursor first(document());
    first.setPosition(selStart() + 1);
    return first.charFormat();
}

void RichTextEdit::mergeChar(const QTextCharFormat &format)
{
    if (selLength() == 0) {
        // The format of what is typed next: beside a field, the paragraph's own look changed.
        prepareTyping(m_cursor);
        m_cursor.mergeCharFormat(format);
        return;
    }
    const int start = selStart();
    const int end = selEnd();
    m_cursor.beginEditBlock();
    PositionText::mergeCharFormat(document(), start, end, format);
    m_cursor.endEditBlock();
    setSelection(start, end);
}

static QTextCharFormat charValue(int property, const QVariant &value)
{
    QTextCharFormat f;
    f.setProperty(property, value);
    return f;
}

bool RichTextEdit::bold() const
{
    return caretFormat().fontWeight() >= QFont::Bold;
}

void RichTextEdit::setBold(bool on)
{
    mergeChar(charValue(QTextFormat::FontWeight, on ? QFont::Bold : QFont::Normal));
}

bool RichTextEdit::strikeOut() const
{
    return caretFormat().fontStrikeOut();
}

void RichTextEdit::setStrikeOut(bool on)
{
    mergeChar(charValue(QTextFormat::FontStrikeOut, on));
}

bool RichTextEdit::italic() const
{
    return caretFormat().fontItalic();
}

void RichTextEdit::setItalic(bool on)
{
    mergeChar(charValue(QTextFormat::FontItalic, on));
}

bool RichTextEdit::underline() const
{
    return caretFormat().fontUnderline();
}

void RichTextEdit::setUnderline(bool on)
{
    QTextCharFormat f;
    f.setFontUnderline(on);
    mergeChar(f);
}

QString RichTextEdit::fontName() const
{
    const QStringList families = caretFormat().fontFamilies().toStringList();
    return families.isEmpty() ? document()->defaultFont().family() : families.first();
}

void RichTextEdit::setFontName(const QString &name)
{
    if (name.isEmpty())
        return;
    QTextCharFormat f;
    f.setFontFamilies({name});
    mergeChar(f);
}

double RichTextEdit::fontSize() const
{
    const double size = caretFormat().fontPointSize();
    return size > 0 ? size : document()->defaultFont().pointSizeF();
}

void RichTextEdit::setFontSize(double points)
{
    if (!(points > 0) || points > 1638)
        return;
    QTextCharFormat f;
    f.setFontPointSize(points);
    mergeChar(f);
}

int RichTextEdit::foreColor() const
{
    const QTextCharFormat f = caretFormat();
    return f.hasProperty(QTextFormat::ForegroundBrush) ? ColorRef::fromColor(f.foreground().color(), 0)
                                                       : 0;
}

void RichTextEdit::setForeColor(int colorRef)
{
    const QColor color = ColorRef::toColor(colorRef);
    if (!color.isValid())
        return;
    QTextCharFormat f;
    f.setForeground(color);
    mergeChar(f);
}

int RichTextEdit::backColor() const
{
    const QTextCharFormat f = caretFormat();
    if (!f.hasProperty(QTextFormat::BackgroundBrush) || f.background().style() == Qt::NoBrush)
        return 0xFFFFFF;
    return ColorRef::fromColor(f.background().color(), 0xFFFFFF);
}

void RichTextEdit::setBackColor(int colorRef)
{
    const QColor color = ColorRef::toColor(colorRef);
    if (!color.isValid())
        return;
    QTextCharFormat f;
    f.setBackground(color);
    mergeChar(f);
}

// ---- paragraphs

QTextBlockFormat RichTextEdit::caretBlock() const
{
    return LineBlocks::paragraphFormat(document()->findBlock(selStart()));
}

// A paragraph held as several blocks (LineBlocks) takes the format in all of them.
void RichTextEdit::mergeBlock(const QTextBlockFormat &format, int clearProperty)
{
    QTextDocument *doc = document();
    const QTextBlock first = LineBlocks::head(doc->findBlock(selStart()));
    const QTextBlock last = LineBlocks::tail(doc->findBlock(selEnd()));
    const int end = last.position() + last.length() - 1;
    m_cursor.beginEditBlock();
    for (QTextBlock block = first; block.isValid(); block = block.next()) {
        QTextBlockFormat own = LineBlocks::ownFormat(block.blockFormat());
        own.merge(format);
        if (clearProperty >= 0)
            own.clearProperty(clearProperty);
        LineBlocks::setOwnFormat(block, own);
        if (block == last)
            break;
    }
    LineBlocks::settle(doc, first.position(), end);
    m_cursor.endEditBlock();
}

int RichTextEdit::alignment() const
{
    const Qt::Alignment a = caretBlock().alignment() & Qt::AlignHorizontal_Mask;
    if (a & Qt::AlignRight)
        return 1;
    if (a & Qt::AlignHCenter)
        return 2;
    if (a & Qt::AlignJustify)
        return 3;
    return 0;
}

void RichTextEdit::setAlignment(int alignment)
{
    static const Qt::Alignment values[] = {Qt::AlignLeft, Qt::AlignRight, Qt::AlignHCenter,
                                           Qt::AlignJustify};
    if (alignment < 0 || alignment > 3)
        return;
    QTextBlockFormat f;
    f.setAlignment(values[alignment] | Qt::AlignAbsolute);
    mergeBlock(f);
}

int RichTextEdit::blockTwips(int property) const
{
    return Twips::fromPx(caretBlock().doubleProperty(property));
}

void RichTextEdit::setBlockTwips(int property, int twips)
{
    QTextBlockFormat f;
    f.setProperty(property, Twips::toPx(twips));
    mergeBlock(f);
}

int RichTextEdit::indentLeft() const
{
    return blockTwips(QTextFormat::BlockLeftMargin);
}

void RichTextEdit::setIndentLeft(int twips)
{
    setBlockTwips(QTextFormat::BlockLeftMargin, twips);
}

int RichTextEdit::indentFirstLine() const
{
    return blockTwips(QTextFormat::TextIndent);
}

void RichTextEdit::setIndentFirstLine(int twips)
{
    setBlockTwips(QTextFormat::TextIndent, twips);
}

int RichTextEdit::indentRight() const
{
    return blockTwips(QTextFormat::BlockRightMargin);
}

void RichTextEdit::setIndentRight(int twips)
{
    setBlockTwips(QTextFormat::BlockRightMargin, twips);
}

int RichTextEdit::spaceBefore() const
{
    return blockTwips(QTextFormat::BlockTopMargin);
}

void RichTextEdit::setSpaceBefore(int twips)
{
    setBlockTwips(QTextFormat::BlockTopMargin, qMax(0, twips));
}

int RichTextEdit::spaceAfter() const
{
    return blockTwips(QTextFormat::BlockBottomMargin);
}

void RichTextEdit::setSpaceAfter(int twips)
{
    setBlockTwips(QTextFormat::BlockBottomMargin, qMax(0, twips));
}

static QTextBlockFormat blockValue(int property, int value)
{
    QTextBlockFormat f;
    f.setProperty(property, value);
    return f;
}

int RichTextEdit::frameLineWidth() const
{
    return caretBlock().intProperty(BlockFrameLineWidth);
}

void RichTextEdit::setFrameLineWidth(int value)
{
    mergeBlock(blockValue(BlockFrameLineWidth, value));
}

int RichTextEdit::frameDistance() const
{
    return caretBlock().intProperty(BlockFrameDistance);
}

void RichTextEdit::setFrameDistance(int value)
{
    mergeBlock(blockValue(BlockFrameDistance, value));
}

int RichTextEdit::frameStyle() const
{
    const QTextBlockFormat f = caretBlock();
    return f.hasProperty(BlockFrameStyle) ? f.intProperty(BlockFrameStyle) : DefaultBlockFrameStyle;
}

void RichTextEdit::setFrameStyle(int value)
{
    mergeBlock(blockValue(BlockFrameStyle, value));
}

int RichTextEdit::paraValue47() const
{
    return caretBlock().intProperty(BlockValue47);
}

void RichTextEdit::setParaValue47(int value)
{
    mergeBlock(blockValue(BlockValue47, value));
}

int RichTextEdit::lineSpacingTwips() const
{
    const QTextBlockFormat f = caretBlock();
    const bool set = f.lineHeightType() == QTextBlockFormat::FixedHeight
        || f.lineHeightType() == QTextBlockFormat::MinimumHeight;
    return set ? Twips::fromPx(f.lineHeight()) : 0;
}

// A paragraph holding a picture gets the height as a minimum, so that the picture's line grows to it.
void RichTextEdit::setLineSpacingTwips(int twips)
{
    QTextBlockFormat f;
    if (twips > 0)
        f.setLineHeight(Twips::toPx(twips), QTextBlockFormat::FixedHeight);
    else
        f.setLineHeight(0, QTextBlockFormat::SingleHeight);
    m_cursor.beginEditBlock();
    mergeBlock(f);
    ObjectLines::fit(document(), selStart(), selEnd());
    m_cursor.endEditBlock();
}

int RichTextEdit::lineSpacingPercent() const
{
    const QTextBlockFormat f = caretBlock();
    return f.lineHeightType() == QTextBlockFormat::ProportionalHeight ? qRound(f.lineHeight()) : 100;
}

void RichTextEdit::setLineSpacingPercent(int percent)
{
    QTextBlockFormat f;
    if (percent > 0 && percent != 100)
        f.setLineHeight(percent, QTextBlockFormat::ProportionalHeight);
    else
        f.setLineHeight(0, QTextBlockFormat::SingleHeight);
    mergeBlock(f);
}

int RichTextEdit::listKind() const
{
    const QTextList *list = LineBlocks::head(document()->findBlock(selStart())).textList();
    if (!list)
        return 1;
    const auto style = list->format().style();
    return (style == QTextListFormat::ListDisc || style == QTextListFormat::ListCircle
            || style == QTextListFormat::ListSquare) ? 2 : 3;
}

void RichTextEdit::setListKind(int kind)
{
    m_cursor.beginEditBlock();
    // Each paragraph in one block while it joins or leaves a list, held in blocks again after
    // (a list item's blocks after the first lay out outside the list).
    LineBlocks::join(document(), selStart(), selEnd());
    if (kind <= 1) {
        QTextCursor walk(document());
        const int end = selEnd();
        walk.setPosition(selStart());
        while (true) {
            QTextBlock block = walk.block();
            if (QTextList *list = block.textList())
                list->remove(block);
            QTextBlockFormat plain = walk.blockFormat();
            plain.setIndent(0);
            plain.clearProperty(QTextFormat::ObjectIndex);
            walk.setBlockFormat(plain);
            if (!walk.movePosition(QTextCursor::NextBlock) || walk.position() > end)
                break;
        }
    } else {
        QTextListFormat f;
        f.setStyle(kind == 2 ? QTextListFormat::ListDisc : QTextListFormat::ListDecimal);
        QTextCursor range(document());
        range.setPosition(selStart());
        range.setPosition(selEnd(), QTextCursor::KeepAnchor);
        range.createList(f);
    }
    LineBlocks::settle(document(), selStart(), selEnd());
    m_cursor.endEditBlock();
}

int RichTextEdit::listLevel() const
{
    const QTextList *list = LineBlocks::head(document()->findBlock(selStart())).textList();
    return list ? qMax(1, list->format().indent()) : 0;
}

int RichTextEdit::blockStyle() const
{
    const QTextBlockFormat f = caretBlock();
    return f.hasProperty(BlockStyle) ? f.intProperty(BlockStyle) : -1;
}

void RichTextEdit::setBlockStyle(int style, bool chosen)
{
    QTextBlockFormat format = blockValue(BlockStyle, style);
    if (chosen)
        format.setProperty(StyleChosen, true);
    mergeBlock(format, chosen ? -1 : int(StyleChosen));
}

bool RichTextEdit::blockStyleChosen() const
{
    return caretBlock().boolProperty(StyleChosen);
}

QList<int> RichTextEdit::caretPosition() const
{
    QTextDocument *doc = document();
    QAbstractTextDocumentLayout *layout = doc->documentLayout();
    const QTextBlock block = m_cursor.block();
    const QRectF blockRect = layout->blockBoundingRect(block);
    const QTextLayout *text = block.layout();
    const int inBlock = m_cursor.position() - block.position();
    const QTextLine line = text->lineForTextPosition(inBlock);
    const double y = blockRect.top() + (line.isValid() ? line.y() : 0);
    const double pageHeight = doc->pageSize().height();
    // The layout keeps page heights in 1/64 pixel, a little below pageSize(): a line that starts a page
    // may lie a hair above the exact page boundary.
    const auto pageOf = [pageHeight](double at) { return int(std::floor((at + 0.05) / pageHeight)); };
    const int page = pageHeight > 0 ? pageOf(y) : 0;
    // Lines from the top of the page down to the caret's line, counted from the first block that
    // reaches onto the page: the text before it cannot hold a line of this page.
    const double pageTop = pageHeight > 0 ? page * pageHeight - 0.05 : -1.0;
    int lineNo = 0;
    QTextBlock b = pageHeight > 0 ? LayoutLines::firstBlockAt(doc, QPointF(0, qMax(0.0, pageTop))) : doc->begin();
    if (b.blockNumber() > block.blockNumber())
        b = block;
    for (; b.isValid(); b = b.next()) {
        const double top = layout->blockBoundingRect(b).top();
        const QTextLayout *l = b.layout();
        const int from = pageHeight > 0 ? LayoutLines::firstLineBelow(l, pageTop - top - 1e-9) : 0;
        lineNo += qMax(0, LayoutLines::firstLineBelow(l, y - top) - from);
        if (b == block)
            break;
    }
    const int column = line.isValid() ? inBlock - line.textStart() + 1 : 1;
    return {page + 1, qMax(1, lineNo), column};
}

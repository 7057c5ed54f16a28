#include "platform/richtext/RichTextEdit.h"

#include "platform/richtext/ColorRef.h"
#include "platform/richtext/FieldRuns.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/PageExtract.h"
#include "platform/richtext/PageInsert.h"
#include "platform/richtext/PartDocument.h"
#include "platform/richtext/PositionText.h"
#include "platform/richtext/TableOps.h"
#include "platform/richtext/TextProps.h"

#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QImage>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QTextList>
#include <QTextTable>

#include <cmath>

using namespace TextProps;

namespace {
constexpr double TwipsPerPixel = 15.0; // at 96 dpi

int toTwips(double px)
{
    return int(std::lround(px * TwipsPerPixel));
}

double toPx(int twips)
{
    return twips / TwipsPerPixel;
}
} // namespace

RichTextEdit::RichTextEdit(PageDocument *page, QObject *parent)
    : QObject(parent), m_page(page), m_cursor(page->main())
{
    connect(page, &PageDocument::partsChanged, this, [this] {
        // The part being edited may have gone; fall back to the main text.
        const bool gone = m_frame ? !m_page->frameDocument(m_frame)
                                  : (m_part && !m_page->part(m_part));
        if (gone || m_cursor.document() == nullptr)
            switchTo(m_page->main(), MainPart, 0);
    });
}

QTextDocument *RichTextEdit::document() const
{
    return m_cursor.document();
}

void RichTextEdit::switchTo(QTextDocument *doc, int part, int frame)
{
    if (m_part == MainPart && m_frame == 0 && m_cursor.document() == m_page->main())
        m_mainPosition = m_cursor.position();
    m_cursor = QTextCursor(doc);
    if (doc == m_page->main())
        m_cursor.setPosition(qBound(0, m_mainPosition, PositionText::length(doc)));
    syncFromCursor();
    m_part = part;
    m_frame = frame;
    m_currentField = 0;
    m_lostFieldStart = -1;
    m_currentObject = 0;
    emit partChanged();
}

void RichTextEdit::setCursor(const QTextCursor &cursor)
{
    if (cursor.document() != document())
        return;
    m_cursor = cursor;
    syncFromCursor();
}

bool RichTextEdit::editPart(int flag)
{
    QTextDocument *doc = m_page->part(flag);
    if (!doc)
        return false;
    switchTo(doc, flag, 0);
    return true;
}

bool RichTextEdit::selectFrame(int id)
{
    if (id == 0) {
        switchTo(m_page->main(), MainPart, 0);
        return true;
    }
    QTextDocument *doc = m_page->frameDocument(id);
    if (!doc)
        return false;
    switchTo(doc, MainPart, id);
    return true;
}

// The block stays on the part where the command began, even if the command moves to another part.
void RichTextEdit::beginCommand()
{
    if (m_commandDepth++ == 0) {
        m_commandCursor = QTextCursor(document());
        m_commandCursor.beginEditBlock();
    }
}

void RichTextEdit::endCommand()
{
    if (m_commandDepth > 0 && --m_commandDepth == 0)
        m_commandCursor.endEditBlock();
}

// ---- text and selection

QString RichTextEdit::text() const
{
    return PositionText::text(document());
}

int RichTextEdit::textLength() const
{
    return PositionText::length(document());
}

void RichTextEdit::setText(const QString &text)
{
    m_cursor.beginEditBlock();
    QTextCursor start(document());
    QTextCharFormat format = start.charFormat();
    FieldRuns::stripField(format);
    m_cursor.select(QTextCursor::Document);
    m_cursor.removeSelectedText();
    PositionText::insertText(m_cursor, text, format);
    m_cursor.endEditBlock();
    setSelection(0, 0);
}

void RichTextEdit::clearText()
{
    m_cursor.beginEditBlock();
    m_cursor.select(QTextCursor::Document);
    m_cursor.removeSelectedText();
    m_cursor.setBlockFormat(QTextBlockFormat());
    m_cursor.setBlockCharFormat(QTextCharFormat());
    m_cursor.setCharFormat(QTextCharFormat());
    m_cursor.endEditBlock();
    syncFromCursor();
}

// QTextCursor widens a selection that reaches into a table to the whole table; the position model
// keeps the selection as set, in two edit-tracking cursors, for as long as nobody else moved m_cursor.
bool RichTextEdit::ownSelection() const
{
    return m_cursor == m_synced && m_selAnchor.document() == document();
}

int RichTextEdit::selStart() const
{
    return ownSelection() ? qMin(m_selAnchor.position(), m_selPos.position()) : m_cursor.selectionStart();
}

int RichTextEdit::selEnd() const
{
    return ownSelection() ? qMax(m_selAnchor.position(), m_selPos.position()) : m_cursor.selectionEnd();
}

void RichTextEdit::setSelection(int anchor, int position)
{
    const int length = textLength();
    anchor = qBound(0, anchor, length);
    position = qBound(0, position, length);
    m_cursor.setPosition(anchor);
    m_cursor.setPosition(position, QTextCursor::KeepAnchor);
    m_selAnchor = QTextCursor(document());
    m_selAnchor.setPosition(anchor);
    m_selPos = QTextCursor(document());
    m_selPos.setPosition(position);
    m_synced = m_cursor;
    emit selectionChanged();
}

void RichTextEdit::syncFromCursor()
{
    setSelection(m_cursor.anchor(), m_cursor.position());
}

void RichTextEdit::removeSelection()
{
    const int start = selStart();
    const int end = selEnd();
    if (end > start)
        PositionText::removeRange(m_cursor, start, end);
    else
        m_cursor.setPosition(start);
}

void RichTextEdit::setSelStart(int start)
{
    setSelection(start, start);
}

int RichTextEdit::selLength() const
{
    return selEnd() - selStart();
}

void RichTextEdit::setSelLength(int length)
{
    const int start = selStart();
    setSelection(start, length < 0 ? textLength() : start + qMax(0, length));
}

void RichTextEdit::select(int start, int length)
{
    setSelStart(start);
    setSelLength(length);
}

QString RichTextEdit::selectedText() const
{
    return text().mid(selStart(), selLength());
}

void RichTextEdit::setSelectedText(const QString &text)
{
    m_cursor.beginEditBlock();
    removeSelection();
    PositionText::insertText(m_cursor, text, FieldRuns::typingFormat(m_cursor));
    m_cursor.endEditBlock();
    syncFromCursor();
}

void RichTextEdit::insertPage(const PageDocument &source)
{
    m_cursor.beginEditBlock();
    removeSelection();
    PageInsert::insert(*m_page, m_cursor, source);
    m_cursor.endEditBlock();
    syncFromCursor();
}

void RichTextEdit::copySelection(PageDocument &target) const
{
    PageExtract::extract(*m_page, document(), selStart(), selEnd(), target);
}

void RichTextEdit::typeText(const QString &text)
{
    setSelectedText(text);
}

void RichTextEdit::prepareTyping(QTextCursor &cursor)
{
    if (!cursor.hasSelection())
        cursor.setCharFormat(FieldRuns::typingFormat(cursor));
}

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
        m_cursor.mergeCharFormat(format); // the format of what is typed next
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
    QTextCursor first(m_cursor);
    first.setPosition(selStart());
    return first.blockFormat();
}

void RichTextEdit::mergeBlock(const QTextBlockFormat &format)
{
    QTextDocument *doc = document();
    const QTextBlock last = doc->findBlock(selEnd());
    m_cursor.beginEditBlock();
    for (QTextBlock block = doc->findBlock(selStart()); block.isValid(); block = block.next()) {
        QTextCursor(block).mergeBlockFormat(format);
        if (block == last)
            break;
    }
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
    return toTwips(caretBlock().doubleProperty(property));
}

void RichTextEdit::setBlockTwips(int property, int twips)
{
    QTextBlockFormat f;
    f.setProperty(property, toPx(twips));
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
    return f.lineHeightType() == QTextBlockFormat::FixedHeight ? toTwips(f.lineHeight()) : 0;
}

void RichTextEdit::setLineSpacingTwips(int twips)
{
    QTextBlockFormat f;
    if (twips > 0)
        f.setLineHeight(toPx(twips), QTextBlockFormat::FixedHeight);
    else
        f.setLineHeight(0, QTextBlockFormat::SingleHeight);
    mergeBlock(f);
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
    QTextCursor first(m_cursor);
    first.setPosition(selStart());
    const QTextList *list = first.currentList();
    if (!list)
        return 1;
    const auto style = list->format().style();
    return (style == QTextListFormat::ListDisc || style == QTextListFormat::ListCircle
            || style == QTextListFormat::ListSquare) ? 2 : 3;
}

void RichTextEdit::setListKind(int kind)
{
    m_cursor.beginEditBlock();
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
    m_cursor.endEditBlock();
}

int RichTextEdit::listLevel() const
{
    QTextCursor first(m_cursor);
    first.setPosition(selStart());
    const QTextList *list = first.currentList();
    return list ? qMax(1, list->format().indent()) : 0;
}

int RichTextEdit::blockStyle() const
{
    const QTextBlockFormat f = caretBlock();
    return f.hasProperty(BlockStyle) ? f.intProperty(BlockStyle) : -1;
}

void RichTextEdit::setBlockStyle(int style)
{
    mergeBlock(blockValue(BlockStyle, style));
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
    // Lines from the top of the page down to the caret's line.
    int lineNo = 0;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        const QRectF r = layout->blockBoundingRect(b);
        const QTextLayout *l = b.layout();
        for (int i = 0; i < l->lineCount(); ++i) {
            const double ly = r.top() + l->lineAt(i).y();
            if (ly > y)
                break;
            if (pageHeight <= 0 || pageOf(ly) == page)
                ++lineNo;
        }
        if (b == block)
            break;
    }
    const int column = line.isValid() ? inBlock - line.textStart() + 1 : 1;
    return {page + 1, qMax(1, lineNo), column};
}

// ---- fields

int RichTextEdit::insertField(const QString &text)
{
    if (text.isEmpty())
        return 0;
    const int id = m_page->newFieldId();
    m_cursor.beginEditBlock();
    removeSelection();
    QTextCharFormat format = FieldRuns::typingFormat(m_cursor);
    format.setProperty(FieldId, id);
    format.setProperty(FieldType, 0);
    format.setProperty(FieldData, QString());
    format.setProperty(FieldAttrs, 0);
    PositionText::insertText(m_cursor, text, format);
    m_cursor.endEditBlock();
    syncFromCursor();
    prepareTyping(m_cursor);
    m_currentField = id;
    m_lostFieldStart = -1;
    return id;
}

int RichTextEdit::currentField() const
{
    return m_currentField;
}

bool RichTextEdit::setCurrentField(int id)
{
    if (!FieldRuns::find(document(), id).isValid())
        return false;
    m_currentField = id;
    m_lostFieldStart = -1;
    return true;
}

QString RichTextEdit::fieldText() const
{
    const FieldRuns::Range range = FieldRuns::find(document(), m_currentField);
    return range.isValid() ? text().mid(range.start, range.end - range.start) : QString();
}

bool RichTextEdit::setFieldText(const QString &newText)
{
    const FieldRuns::Range range = FieldRuns::find(document(), m_currentField);
    QTextCharFormat format;
    int start;
    int end;
    if (range.isValid()) {
        start = range.start;
        end = range.end;
        format = FieldRuns::format(document(), m_currentField);
    } else if (m_currentField > 0 && m_lostFieldStart >= 0) {
        start = end = qMin(m_lostFieldStart, textLength());
        format = m_lostFieldFormat;
    } else {
        return false;
    }
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    PositionText::removeRange(cursor, start, end);
    PositionText::insertText(cursor, newText, format);
    cursor.endEditBlock();
    if (newText.isEmpty()) {
        m_lostFieldStart = start;
        m_lostFieldFormat = format;
    } else {
        m_lostFieldStart = -1;
    }
    return true;
}

int RichTextEdit::fieldStart() const
{
    const FieldRuns::Range range = FieldRuns::find(document(), m_currentField);
    if (range.isValid())
        return range.start + 1;
    return m_lostFieldStart >= 0 ? m_lostFieldStart + 1 : 0;
}

int RichTextEdit::fieldEnd() const
{
    const FieldRuns::Range range = FieldRuns::find(document(), m_currentField);
    if (range.isValid())
        return range.end;
    return m_lostFieldStart >= 0 ? m_lostFieldStart : 0;
}

void RichTextEdit::setFieldProperty(int id, int property, const QVariant &value)
{
    QTextCharFormat f;
    f.setProperty(property, value);
    if (!FieldRuns::mergeInto(document(), id, f) && id == m_currentField && m_lostFieldStart >= 0)
        m_lostFieldFormat.setProperty(property, value);
}

int RichTextEdit::fieldType() const
{
    return FieldRuns::format(document(), m_currentField).intProperty(FieldType);
}

bool RichTextEdit::setFieldType(int type)
{
    if (m_currentField <= 0)
        return false;
    setFieldProperty(m_currentField, FieldType, type);
    return true;
}

QString RichTextEdit::fieldData() const
{
    return FieldRuns::format(document(), m_currentField).stringProperty(FieldData);
}

bool RichTextEdit::setFieldData(const QString &data)
{
    if (m_currentField <= 0)
        return false;
    setFieldProperty(m_currentField, FieldData, data);
    return true;
}

int RichTextEdit::fieldAttrs() const
{
    return FieldRuns::format(document(), m_currentField).intProperty(FieldAttrs);
}

bool RichTextEdit::setFieldAttrs(int attrs)
{
    if (m_currentField <= 0)
        return false;
    setFieldProperty(m_currentField, FieldAttrs, attrs);
    return true;
}

int RichTextEdit::nextField(int after) const
{
    const QList<FieldRuns::Range> fields = FieldRuns::all(document());
    if (after == 0)
        return fields.isEmpty() ? 0 : fields.first().id;
    for (int i = 0; i < fields.size(); ++i) {
        if (fields.at(i).id == after)
            return i + 1 < fields.size() ? fields.at(i + 1).id : 0;
    }
    return 0;
}

bool RichTextEdit::deleteField(bool withText)
{
    const FieldRuns::Range range = FieldRuns::find(document(), m_currentField);
    if (!range.isValid())
        return false;
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    if (withText)
        PositionText::removeRange(cursor, range.start, range.end);
    else
        FieldRuns::unmark(document(), range);
    cursor.endEditBlock();
    m_currentField = 0;
    m_lostFieldStart = -1;
    return true;
}

int RichTextEdit::fieldAt(int position) const
{
    return FieldRuns::at(document(), position);
}

int RichTextEdit::fieldAtCaret() const
{
    const int pos = m_cursor.position();
    if (const int after = fieldAt(pos))
        return after;
    return pos > 0 ? fieldAt(pos - 1) : 0;
}

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
    m_cursor.insertTable(rows, columns, f);
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
    widths[column - 1] = QTextLength(QTextLength::FixedLength, toPx(twips));
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
    t->removeRows(firstRow, rows);
    return true;
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
    t->removeColumns(firstColumn, columns);
    return true;
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
    return TableOps::split(t, row, m_page->newObjectId());
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

// ---- pictures

int RichTextEdit::insertPictureFile(const QString &file, int scalePercent, int layout)
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return 0;
    return insertPicture(in.readAll(), QByteArray(), scalePercent, layout, file);
}

int RichTextEdit::insertPicture(const QByteArray &bytes, const QByteArray &format, int scalePercent,
                                int layout, const QString &file)
{
    const QString name = m_page->addPicture(bytes, format);
    if (name.isEmpty())
        return 0;
    if (scalePercent <= 0 || scalePercent > 10000)
        scalePercent = 100;
    const QImage image = m_page->pictureImage(name);
    QTextImageFormat f;
    f.setName(name);
    f.setWidth(image.width() * scalePercent / 100.0);
    f.setHeight(image.height() * scalePercent / 100.0);
    const int id = m_page->newObjectId();
    f.setProperty(ObjectId, id);
    f.setProperty(PictureLayout, qBound(0, layout, 3));
    f.setProperty(PictureScale, scalePercent);
    f.setProperty(PictureFile, file);
    f.setProperty(PictureStored, true);
    m_cursor.beginEditBlock();
    removeSelection();
    PageDocument::insertPicture(m_cursor, f);
    m_cursor.endEditBlock();
    syncFromCursor();
    m_currentObject = id;
    return id;
}

QString RichTextEdit::pictureFile() const
{
    return objectFormat(m_currentObject).stringProperty(PictureFile);
}

bool RichTextEdit::setPictureFile(const QString &file)
{
    return objectKind(m_currentObject) == PictureKind
        && setObjectProperty(m_currentObject, PictureFile, file);
}

bool RichTextEdit::pictureStored() const
{
    return objectFormat(m_currentObject).boolProperty(PictureStored);
}

bool RichTextEdit::setPictureStored(bool stored)
{
    return objectKind(m_currentObject) == PictureKind
        && setObjectProperty(m_currentObject, PictureStored, stored);
}

static int distanceProperty(int item)
{
    static const int properties[] = {FrameDistLeft, FrameDistTop, FrameDistRight, FrameDistBottom};
    return item >= 1 && item <= 4 ? properties[item - 1] : 0;
}

int RichTextEdit::objectDistance(int item) const
{
    const int property = distanceProperty(item);
    return property ? objectFormat(currentObject()).intProperty(property) : 0;
}

bool RichTextEdit::setObjectDistance(int item, int twips)
{
    const int property = distanceProperty(item);
    return property && twips >= 0 && setObjectProperty(currentObject(), property, twips);
}

// ---- text frames

RichTextEdit::FrameArgs RichTextEdit::frameArgs(const QList<int> &v)
{
    FrameArgs a;
    int *fields[] = {&a.distLeft, &a.distTop, &a.distRight, &a.distBottom, &a.mode, &a.height,
                     &a.width, &a.x, &a.y, &a.border, &a.extra};
    for (int i = 0; i < v.size() && i < 11; ++i)
        *fields[i] = v.at(i);
    return a;
}

int RichTextEdit::insertObjectChar(const QTextCharFormat &format)
{
    m_cursor.beginEditBlock();
    removeSelection();
    m_cursor.insertText(QString(QChar::ObjectReplacementCharacter), format);
    m_cursor.endEditBlock();
    syncFromCursor();
    return format.intProperty(ObjectId);
}

int RichTextEdit::insertTextFrame(const FrameArgs &a)
{
    if (m_frame != 0 || a.width <= 0 || a.height <= 0)
        return 0; // frames hold no frames
    QTextDocument *text = m_page->createFrameDocument();
    const int id = m_page->frameIdOf(text);
    QTextCharFormat f = FieldRuns::typingFormat(m_cursor);
    f.setObjectType(TextFrameObject);
    f.setProperty(ObjectId, id);
    const std::pair<int, int> values[] = {
        {FrameDistLeft, a.distLeft}, {FrameDistTop, a.distTop}, {FrameDistRight, a.distRight},
        {FrameDistBottom, a.distBottom}, {FrameMode, a.mode}, {FrameHeight, a.height},
        {FrameWidth, a.width}, {FrameX, a.x}, {FrameY, a.y}, {FrameBorder, a.border},
        {FrameExtra, a.extra}};
    for (const auto &[property, value] : values)
        f.setProperty(property, value);
    insertObjectChar(f);
    m_currentObject = id;
    return id;
}

bool RichTextEdit::setFrameBackground(int id, int colorRef)
{
    if (objectKind(id) != TextFrameKind)
        return false;
    return ColorRef::toColor(colorRef).isValid() ? setObjectProperty(id, FrameBackground, colorRef)
                                                 : setObjectProperty(id, FrameBackground, QVariant());
}

// ---- objects

static int kindOf(const QTextCharFormat &f)
{
    if (f.intProperty(ObjectId) <= 0)
        return 0;
    if (f.isImageFormat())
        return PictureKind;
    if (f.objectType() == TextFrameObject)
        return TextFrameKind;
    return 0;
}

QList<int> RichTextEdit::objectIds(int kind) const
{
    QList<int> ids;
    QTextDocument *doc = document();
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            const int k = kindOf(f);
            if (k != 0 && (kind == 0 || kind == k))
                ids.append(f.intProperty(ObjectId));
        }
    }
    return ids;
}

int RichTextEdit::objectCount() const
{
    return int(objectIds().size());
}

int RichTextEdit::objectPosition(int id) const
{
    if (id <= 0)
        return -1;
    QTextDocument *doc = document();
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment frag = it.fragment();
            if (kindOf(frag.charFormat()) != 0 && frag.charFormat().intProperty(ObjectId) == id)
                return frag.position();
        }
    }
    return -1;
}

QTextCharFormat RichTextEdit::objectFormat(int id) const
{
    const int pos = objectPosition(id);
    return pos < 0 ? QTextCharFormat() : PositionText::formatAt(document(), pos);
}

int RichTextEdit::objectKind(int id) const
{
    return kindOf(objectFormat(id));
}

int RichTextEdit::objectIdAt(int position) const
{
    const QTextCharFormat f = PositionText::formatAt(document(), position);
    return kindOf(f) ? f.intProperty(ObjectId) : 0;
}

bool RichTextEdit::setObjectProperty(int id, int property, const QVariant &value)
{
    const int pos = objectPosition(id);
    if (pos < 0)
        return false;
    QTextCursor c(document());
    c.setPosition(pos);
    c.setPosition(pos + 1, QTextCursor::KeepAnchor);
    QTextCharFormat f;
    if (value.isValid()) {
        f.setProperty(property, value);
        c.mergeCharFormat(f);
    } else {
        // Removing a property needs the whole format, the float frame reference included.
        f = objectFormat(id);
        f.clearProperty(property);
        c.setCharFormat(f);
    }
    return true;
}

bool RichTextEdit::setCurrentObject(int id)
{
    if (id != 0 && objectPosition(id) < 0)
        return false;
    m_currentObject = id;
    return true;
}

int RichTextEdit::currentObject() const
{
    if (m_currentObject != 0 && objectPosition(m_currentObject) >= 0)
        return m_currentObject;
    if (selLength() == 1)
        return objectIdAt(selStart());
    return 0;
}

int RichTextEdit::currentObjectOfKind(int kind) const
{
    const int id = currentObject();
    return id != 0 && objectKind(id) == kind ? id : 0;
}

int RichTextEdit::nextObject(int kind, int after) const
{
    const QList<int> ids = objectIds(kind);
    if (after == 0)
        return ids.isEmpty() ? 0 : ids.first();
    const qsizetype i = ids.indexOf(after);
    return i >= 0 && i + 1 < ids.size() ? ids.at(i + 1) : 0;
}

bool RichTextEdit::selectObject(int id)
{
    const int pos = objectPosition(id);
    if (pos < 0)
        return false;
    setSelection(pos, pos + 1);
    m_currentObject = id;
    return true;
}

bool RichTextEdit::deleteObject(int id)
{
    const int pos = objectPosition(id);
    if (pos < 0)
        return false;
    // A frame's text stays with the page, so undo can bring the frame back whole.
    QTextCursor c(document());
    c.setPosition(pos);
    c.setPosition(pos + 1, QTextCursor::KeepAnchor);
    c.removeSelectedText();
    if (m_currentObject == id)
        m_currentObject = 0;
    return true;
}

bool RichTextEdit::removeCurrentObject()
{
    return deleteObject(currentObject());
}

// ---- find, undo, edit mode

int RichTextEdit::find(const QString &what, int start, int options)
{
    if (what.isEmpty())
        return -1;
    QTextDocument::FindFlags flags;
    if (options & 4)
        flags |= QTextDocument::FindCaseSensitively;
    const bool backwards = options & 1;
    if (backwards)
        flags |= QTextDocument::FindBackward;
    int from;
    if (start == -1)
        from = backwards ? selStart() : selEnd();
    else if (start == 0)
        from = backwards ? textLength() : 0;
    else
        from = qBound(0, start, textLength());
    // Backwards, Qt takes any match starting before `from`; the match must end before it.
    if (backwards) {
        from -= what.size() - 1;
        if (from <= 0)
            return -1;
    }
    const QTextCursor found = document()->find(what, from, flags);
    if (found.isNull())
        return -1;
    setSelection(found.selectionStart(), found.selectionEnd());
    return found.selectionStart();
}

PartDocument *RichTextEdit::part() const
{
    return static_cast<PartDocument *>(document());
}

int RichTextEdit::undoSteps() const
{
    return part()->undoLevels();
}

int RichTextEdit::redoSteps() const
{
    return part()->redoLevels();
}

bool RichTextEdit::undo()
{
    if (!part()->undoLevel(&m_cursor))
        return false;
    syncFromCursor();
    return true;
}

bool RichTextEdit::redo()
{
    if (!part()->redoLevel(&m_cursor))
        return false;
    syncFromCursor();
    return true;
}

void RichTextEdit::setEditMode(int mode)
{
    if (mode == m_editMode)
        return;
    m_editMode = mode;
    emit editModeChanged(mode);
}

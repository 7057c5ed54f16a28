// The editing model of a page: parts, text and selection, find, undo and edit mode. Looks, fields,
// tables and objects are in the RichTextEdit*.cpp files beside this one.
#include "platform/richtext/RichTextEdit.h"

#include "platform/richtext/FieldRuns.h"
#include "platform/richtext/ObjectChars.h"
#include "platform/richtext/LineBlocks.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/PageExtract.h"
#include "platform/richtext/PageInsert.h"
#include "platform/richtext/PartDocument.h"
#include "platform/richtext/PositionText.h"
#include "platform/richtext/TextProps.h"
#include "platform/richtext/UndoCaret.h"

#include <QTextBlock>
#include <QTextDocument>

using namespace TextProps;

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
    // A selection that leaves a table Qt widens to the whole table, and shows it so: the selection is
    // what Qt shows. The cursor keeps Qt's own anchor, so that the view's next key can bring the
    // selection back into the cell.
    m_cursor = cursor;
    noteSelection(shownAnchor(cursor), cursor.position());
}

int RichTextEdit::shownAnchor(const QTextCursor &cursor)
{
    if (!cursor.hasSelection())
        return cursor.anchor();
    return cursor.position() == cursor.selectionEnd() ? cursor.selectionStart() : cursor.selectionEnd();
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
// It begins at the caret: an undo of the command puts the caret back there.
void RichTextEdit::beginCommand()
{
    if (m_commandDepth++ == 0) {
        m_commandCursor = m_cursor;
        m_commandCursor.clearSelection();
        m_commandCursor.beginEditBlock();
        m_commandJoined = false;
    }
}

void RichTextEdit::joinCommand()
{
    if (m_commandDepth++ == 0) {
        m_commandCursor = m_cursor;
        m_commandCursor.joinPreviousEditBlock();
        m_commandJoined = true;
    }
}

void RichTextEdit::holdTypingLook()
{
    if (m_cursor.hasSelection() || m_cursor.block().length() > 1)
        return;
    m_cursor.setBlockCharFormat(m_cursor.charFormat());
}

void RichTextEdit::keepCaretForUndo()
{
    // A joined command's step began before it.
    if (m_commandDepth == 1 && !m_commandJoined) {
        m_keptCaret = m_cursor.position();
        m_keptSteps = document()->availableUndoSteps();
    }
}

void RichTextEdit::endCommand()
{
    if (m_commandDepth > 0 && --m_commandDepth == 0) {
        markKeptCaret();
        m_commandCursor.endEditBlock();
    }
}

// At the end of the step, where it changed anything (Qt counts each change it holds): an item
// alone would make a step of its own.
void RichTextEdit::markKeptCaret()
{
    QTextDocument *doc = m_commandCursor.document();
    if (m_keptCaret >= 0 && doc && doc->availableUndoSteps() > m_keptSteps)
        UndoCaret::mark(doc, m_keptCaret, m_cursor.document() == doc ? m_cursor.position() : -1);
    m_keptCaret = -1;
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

QChar RichTextEdit::charAt(int position) const
{
    return PositionText::charAt(document(), position);
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
    noteSelection(anchor, position);
}

void RichTextEdit::noteSelection(int anchor, int position)
{
    m_selAnchor = QTextCursor(document());
    m_selAnchor.setPosition(anchor);
    m_selPos = QTextCursor(document());
    m_selPos.setPosition(position);
    m_synced = m_cursor;
    emit selectionChanged();
}

void RichTextEdit::syncFromCursor()
{
    setSelection(shownAnchor(m_cursor), m_cursor.position());
}

void RichTextEdit::removeSelection()
{
    const int start = selStart();
    const int end = selEnd();
    if (end > start)
        PositionText::removeSelection(m_cursor, start, end);
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
    // An undo puts the caret where the step began; for cells selected, in the first one it empties
    // (the caret may stand in a cell below that the step leaves as it was).
    QTextCursor step(m_cursor);
    if (m_cursor.hasComplexSelection())
        step.setPosition(PositionText::removalStart(m_cursor, selStart()));
    step.beginEditBlock();
    removeSelection();
    PositionText::insertText(m_cursor, text, FieldRuns::typingFormat(m_cursor));
    step.endEditBlock();
    syncFromCursor();
}

void RichTextEdit::replaceSelectedText(const QString &text, bool intoField)
{
    const int start = selStart();
    const int end = selEnd();
    if (end <= start) {
        setSelectedText(text);
        return;
    }
    // The look of the replaced text's first character; its field only when the whole selection lies
    // in that one field (the field then keeps its text together).
    QTextCursor first(document());
    first.setPosition(start + 1);
    QTextCharFormat format = first.charFormat();
    QTextCursor last(document());
    last.setPosition(end);
    if (!intoField || FieldRuns::idOf(format) != FieldRuns::idOf(last.charFormat()))
        FieldRuns::stripField(format);
    m_cursor.beginEditBlock();
    removeSelection();
    // Text that replaces a picture is text: it takes the look of what it is typed beside.
    if (ObjectChars::isObject(format))
        format = FieldRuns::typingFormat(m_cursor);
    PositionText::insertText(m_cursor, text, format);
    m_cursor.endEditBlock();
    syncFromCursor();
}

void RichTextEdit::insertPage(const PageDocument &source)
{
    beginCommand();
    keepCaretForUndo();
    removeSelection();
    PageInsert::insert(*m_page, m_cursor, source);
    endCommand();
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
    const int found = findInParagraphs(document(), what, from, flags);
    if (found < 0)
        return -1;
    setSelection(found, found + int(what.size()));
    return found;
}

// A block's text as Qt's own find reads it: a no-break space matches a space.
static QString searchedText(const QTextBlock &block)
{
    return block.text().replace(QChar::Nbsp, u' ');
}

// Where `what` begins: the first match at or after `from`, or backwards the last one beginning before
// it; -1 for none. As QTextDocument::find, but a long paragraph held in blocks (LineBlocks) is read
// as the one text it is, each separator as the line break, space or letter it stands for: Qt's own
// find matches inside one block and missed a match across a piece of it.
int RichTextEdit::findInParagraphs(QTextDocument *doc, const QString &what, int from, QTextDocument::FindFlags flags)
{
    const Qt::CaseSensitivity sensitivity =
        flags & QTextDocument::FindCaseSensitively ? Qt::CaseSensitive : Qt::CaseInsensitive;
    if (!(flags & QTextDocument::FindBackward)) {
        for (QTextBlock block = doc->findBlock(from); block.isValid();) {
            // From the block of `from` to its paragraph's end, a block at a time.
            const int start = block.position();
            QString text = searchedText(block);
            qsizetype offset = qMax(0, from - start);
            for (;;) {
                const qsizetype at = text.indexOf(what, offset, sensitivity);
                if (at >= 0)
                    return start + int(at);
                block = block.next();
                if (!block.isValid() || !LineBlocks::continues(block))
                    break;
                offset = qMax(offset, text.size() - what.size() + 1);
                text += LineBlocks::standsFor(block);
                text += searchedText(block);
            }
        }
        return -1;
    }
    // Backwards: the match begins before `from`.
    const int last = from - 1;
    if (last < 0)
        return -1;
    for (QTextBlock block = doc->findBlock(last); block.isValid();) {
        // The paragraph from its start as far as a match beginning at `last` would reach.
        const QTextBlock head = LineBlocks::head(block);
        const qsizetype reach = qsizetype(last) - head.position() + what.size();
        QString text = searchedText(head);
        for (QTextBlock next = head.next(); text.size() < reach && next.isValid() && LineBlocks::continues(next);
             next = next.next()) {
            text += LineBlocks::standsFor(next);
            text += searchedText(next);
        }
        const qsizetype offset = qMin<qsizetype>(last - head.position(), text.size() - what.size());
        if (offset >= 0) {
            const qsizetype at = text.lastIndexOf(what, offset, sensitivity);
            if (at >= 0)
                return head.position() + int(at);
        }
        block = head.previous();
    }
    return -1;
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

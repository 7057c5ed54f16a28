#include "platform/richtext/LineBlocks.h"

#include "platform/richtext/ObjectLines.h"
#include "platform/richtext/PartDocument.h"
#include "platform/richtext/TextProps.h"

#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextList>

using namespace TextProps;

namespace {

bool marked(const QTextBlock &block)
{
    return block.blockFormat().hasProperty(LineBreakBlock);
}

bool inMainFlow(const QTextBlock &block)
{
    const QTextDocument *doc = block.document();
    return doc->frameAt(block.position()) == doc->rootFrame();
}

// Headers, footers and frames keep their paragraphs whole: only the main text of a page is long.
bool splitsLines(const QTextDocument *doc)
{
    const auto *part = qobject_cast<const PartDocument *>(doc);
    return part && part->partFlag() == MainPart && part->frameId() == 0;
}

// A paragraph whose blocks lay out as its lines would.
bool plain(const QTextBlock &block)
{
    const QTextBlockFormat f = block.blockFormat();
    return f.topMargin() == 0 && f.bottomMargin() == 0 && f.textIndent() == 0 && !block.textList()
        && inMainFlow(block);
}

// What the blocks of one paragraph share.
QTextBlockFormat shared(QTextBlockFormat f)
{
    f.clearProperty(LineBreakBlock);
    f.clearProperty(QTextFormat::PageBreakPolicy);
    f.clearProperty(QTextFormat::LineHeightType);
    return f;
}

// The format of a block that continues the paragraph of `block`.
QTextBlockFormat continuation(const QTextBlock &block)
{
    QTextBlockFormat f = block.blockFormat();
    f.clearProperty(QTextFormat::PageBreakPolicy);
    f.setProperty(LineBreakBlock, true);
    return f;
}

void unmark(const QTextBlock &block)
{
    QTextBlockFormat f = block.blockFormat();
    f.clearProperty(LineBreakBlock);
    QTextCursor(block).setBlockFormat(f);
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

void split(const QTextBlock &block)
{
    QTextCursor cursor(block);
    QTextDocument *doc = cursor.document();
    const QTextBlockFormat next = continuation(block);
    const QString text = block.text();
    for (int i = int(text.size()) - 1; i >= 0; --i) {
        if (text.at(i) != QChar::LineSeparator)
            continue;
        const int at = block.position() + i;
        cursor.setPosition(at + 1);
        const QTextCharFormat format = cursor.charFormat(); // the line break's
        cursor.insertBlock(next, format);
        removeAt(cursor, at);
    }
    ObjectLines::fit(doc, block.position(), block.position() + int(text.size()));
}

// Joins the blocks that continue the paragraph of the block at `position` into it; returns that
// block. An empty block whose separator goes merges into the next one and would take its format
// (Qt keeps the last block's when a removal begins where a block begins): it gets its own back.
QTextBlock joinAfter(QTextDocument *doc, int position)
{
    QTextCursor cursor(doc);
    QTextBlock block = doc->findBlock(position);
    const QTextBlockFormat own = block.blockFormat();
    const int ownIndex = block.blockFormatIndex();
    for (QTextBlock next = block.next(); next.isValid() && LineBlocks::continues(next); next = block.next()) {
        const int at = next.position();
        cursor.setPosition(at);
        cursor.insertText(QString(QChar::LineSeparator), next.charFormat());
        removeAt(cursor, at - 1);
        block = doc->findBlock(position);
        if (block.blockFormatIndex() != ownIndex)
            QTextCursor(block).setBlockFormat(own);
    }
    return block;
}

// The blocks after `block` that continue its paragraph take its format (they came from another).
void reformatAfter(const QTextBlock &block)
{
    const QTextBlockFormat format = continuation(block);
    for (QTextBlock next = block.next(); next.isValid() && LineBlocks::continues(next); next = next.next()) {
        QTextCursor cursor(next);
        cursor.setBlockFormat(format);
        ObjectLines::fit(cursor.document(), next.position(), next.position());
    }
}

// Returns the block, which a join may have replaced by the one now at its place.
QTextBlock mend(QTextDocument *doc, QTextBlock block, bool splitting)
{
    if (marked(block) && !LineBlocks::continues(block))
        unmark(block);
    if (LineBlocks::continues(block)) {
        // The text between a line and the lines of a later paragraph was removed: those lines are
        // now this paragraph's, in its format (the one it is stored with).
        const QTextBlock before = block.previous();
        if (block.blockFormatIndex() != before.blockFormatIndex()
            && shared(block.blockFormat()) != shared(before.blockFormat()))
            reformatAfter(LineBlocks::head(block));
    } else {
        const QTextBlock next = block.next();
        if (next.isValid() && LineBlocks::continues(next)) {
            if (!splitting || !plain(block))
                block = joinAfter(doc, block.position());
            else if (shared(next.blockFormat()) != shared(block.blockFormat()))
                reformatAfter(block);
        }
    }
    if (splitting && block.length() > LineBlocks::SplitLength && plain(block)
        && block.text().contains(QChar::LineSeparator))
        split(block);
    return block;
}

} // namespace

bool LineBlocks::continues(const QTextBlock &block)
{
    if (!marked(block))
        return false;
    const QTextBlock before = block.previous();
    if (!before.isValid())
        return false;
    const QTextDocument *doc = block.document();
    return doc->frameAt(block.position()) == doc->rootFrame() && doc->frameAt(before.position()) == doc->rootFrame();
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
        const QTextBlock block = doc->findBlock(position);
        if (marked(block.previous()) || marked(block) || marked(block.next()))
            return true;
    }
    return false;
}

void LineBlocks::settle(QTextDocument *doc)
{
    settle(doc, 0, doc->characterCount() - 1);
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
    QTextBlockFormat format = cursor.blockFormat();
    format.clearProperty(LineBreakBlock);
    cursor.insertBlock(format, cursor.charFormat());
}

LineBlocks::Breaks::Breaks(const QTextDocument *doc, std::initializer_list<int> positions)
{
    for (int position : positions) {
        const QTextBlock block = doc->findBlock(position);
        for (const QTextBlock &b : {block.previous(), block}) {
            if (b.isValid())
                m_starts.append({b.position(), marked(b)});
        }
    }
}

void LineBlocks::Breaks::restore(QTextDocument *doc, int from) const
{
    const QTextBlock block = doc->findBlock(from);
    if (block.position() != from)
        return;
    for (const auto &[start, line] : m_starts) {
        if (start != from || marked(block) == line)
            continue;
        QTextBlockFormat format = block.blockFormat();
        if (line)
            format.setProperty(LineBreakBlock, true);
        else
            format.clearProperty(LineBreakBlock);
        QTextCursor(block).setBlockFormat(format);
        return;
    }
}

LineBlocks::Joined::Joined(QTextDocument *doc)
    : m_doc(doc)
{
    bool held = false;
    for (QTextBlock block = doc->begin(); block.isValid() && !held; block = block.next())
        held = continues(block);
    if (!held)
        return;
    m_copy.reset(doc->clone());
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

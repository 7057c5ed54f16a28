#include "platform/richtext/PageExtract.h"

#include "platform/richtext/LineBlocks.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/PositionText.h"
#include "platform/richtext/TableOps.h"
#include "platform/richtext/TextProps.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextList>
#include <QTextTable>

using namespace TextProps;

namespace {

// Brings over what the copied text of `doc` refers to; frames only from the top level.
void adopt(const PageDocument &source, PageDocument &target, QTextDocument *doc, bool frames)
{
    QList<int> frameIds;
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        LineBlocks::forEachRun(block, [&](int, int, const QTextCharFormat &f) {
            target.noteFieldId(f.intProperty(FieldId));
            if (f.isImageFormat()) {
                const QString name = f.toImageFormat().name();
                if (source.hasPicture(name))
                    target.setPicture(name, source.pictureBytes(name), source.pictureFormat(name));
                target.noteObjectId(f.intProperty(ObjectId));
            } else if (f.objectType() == TextFrameObject && frames) {
                frameIds.append(f.intProperty(ObjectId));
            }
        });
    }
    for (QTextTable *table : TableOps::tables(doc))
        target.noteObjectId(TableOps::idOf(table));
    for (int id : frameIds) {
        const QTextDocument *text = source.frameDocument(id);
        if (!text || target.frameDocument(id))
            continue;
        QTextDocument *copy = target.createFrameDocument(id);
        QTextCursor(copy).insertFragment(QTextDocumentFragment(text));
        copy->clearUndoRedoStacks();
        adopt(source, target, copy, false);
    }
}

// Qt puts a fragment that begins inside a list item into a document after a paragraph end of its own:
// the copy of text taken from the middle of an item would begin with a paragraph end the text does
// not hold, and a paste of it would part the paragraph it goes into. The empty paragraph goes; the
// item keeps its format.
void dropLeadingBreak(QTextDocument *copy, int length)
{
    const QTextBlock first = copy->begin();
    if (first.length() != 1 || !first.next().isValid() || !first.next().textList()
        || PositionText::length(copy) != length + 1)
        return;
    QTextCursor extra(copy);
    extra.setPosition(1, QTextCursor::KeepAnchor);
    extra.removeSelectedText();
}

// Qt's copy of an empty list item, taken from its start, holds the item's paragraph end but not its
// format: the copy would begin with a paragraph in no list, and a paste of it would join the paragraph
// it goes into. The first paragraph is the item again, in the list of the items after it where the
// source holds them in one list.
void keepEmptyItem(QTextDocument *copy, const QTextBlock &from)
{
    const QTextBlock first = copy->begin();
    if (!from.textList() || from.length() != 1 || first.length() != 1 || first.textList()
        || !first.next().isValid())
        return;
    QTextBlockFormat format = from.blockFormat();
    format.setObjectIndex(-1);
    QTextCursor cursor(copy);
    cursor.setBlockFormat(format);
    QTextList *list = first.next().textList();
    if (list && from.next().textList() == from.textList())
        list->add(first);
    else
        cursor.createList(from.textList()->format());
}

// Text from within one paragraph of a list item is text: pasted, it goes in where the caret is,
// without the item (Qt would begin a paragraph for it outside a list). So is the end of an item that a
// copy begins with when it begins inside the item (`fromInside`): the copy holds an item as an item
// only from the item's start.
void leaveTheList(QTextDocument *copy, bool fromInside)
{
    const QTextBlock first = copy->begin();
    const QTextBlock tail = LineBlocks::tail(first);
    if (!first.textList() || (tail != copy->lastBlock() && !fromInside))
        return;
    const int end = tail.position() + tail.length() - 1;
    QTextCursor edit(copy);
    edit.beginEditBlock();
    LineBlocks::join(copy, 0, end);
    LineBlocks::leaveList(copy->begin());
    LineBlocks::settle(copy, 0, copy->begin().length() - 1);
    edit.endEditBlock();
}

} // namespace

void PageExtract::extract(const PageDocument &source, const QTextDocument *part, int start, int end,
                          PageDocument &target)
{
    target.clear();
    target.setPageSetup(source.pageSetup());
    const int length = PositionText::length(part);
    start = qBound(0, start, length);
    end = qBound(start, end, length);
    QTextCursor range(const_cast<QTextDocument *>(part));
    range.setPosition(start);
    range.setPosition(end, QTextCursor::KeepAnchor);
    const QTextBlock from = part->findBlock(start);
    const bool fromInside = start > from.position() || LineBlocks::continues(from);
    QTextCursor(target.main()).insertFragment(range.selection());
    dropLeadingBreak(target.main(), end - start);
    if (!fromInside)
        keepEmptyItem(target.main(), from);
    leaveTheList(target.main(), fromInside);
    target.main()->clearUndoRedoStacks();
    adopt(source, target, target.main(), true);
}

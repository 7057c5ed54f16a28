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
    QTextCursor(target.main()).insertFragment(range.selection());
    target.main()->clearUndoRedoStacks();
    adopt(source, target, target.main(), true);
}

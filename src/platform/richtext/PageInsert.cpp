#include "platform/richtext/PageInsert.h"

#include "platform/richtext/LineBlocks.h"
#include "platform/richtext/ObjectLines.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/PastedItems.h"
#include "platform/richtext/PositionText.h"
#include "platform/richtext/TableOps.h"
#include "platform/richtext/TextProps.h"

#include <QBuffer>
#include <QHash>
#include <QImage>
#include <QPixmap>
#include <QUrl>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextList>
#include <QTextTable>

#include <memory>

using namespace TextProps;

namespace {

// The items between the positions that carry TextProps::CopiedList join lists made for them, one for
// each index, in the order of the text: each item joins after the last, which Qt does without a walk
// over the list (PartList).
void joinCopiedLists(QTextDocument *doc, int from, int to, const QList<QTextListFormat> &formats)
{
    QHash<int, QTextList *> made;
    QTextCursor edit(doc);
    edit.beginEditBlock();
    for (QTextBlock block = doc->findBlock(from); block.isValid() && block.position() <= to; block = block.next()) {
        QTextBlockFormat format = block.blockFormat();
        if (!format.hasProperty(CopiedList))
            continue;
        const int index = format.intProperty(CopiedList);
        format.clearProperty(CopiedList);
        QTextList *list = made.value(index);
        if (list)
            format.setObjectIndex(list->objectIndex());
        QTextCursor cursor(block);
        cursor.setBlockFormat(format);
        if (!list && index >= 0 && index < formats.size())
            made.insert(index, cursor.createList(formats.at(index)));
    }
    edit.endEditBlock();
}

struct Renumber {
    PageDocument &target;
    const PageDocument &source;
    const QList<QTextListFormat> &copiedLists;
    QHash<int, int> fields;
    QHash<QString, QString> pictures;

    int fieldId(int old)
    {
        auto it = fields.constFind(old);
        if (it != fields.cend())
            return *it;
        const int id = target.newFieldId();
        fields.insert(old, id);
        return id;
    }

    QString pictureName(const QString &old)
    {
        auto it = pictures.constFind(old);
        if (it != pictures.cend())
            return *it;
        QString name = source.hasPicture(old)
            ? target.copyPicture(source, old)
            : adoptResource(old);
        if (name.isEmpty())
            name = old; // nothing to show either way; the name stays for what it was
        pictures.insert(old, name);
        return name;
    }

    // Text brought in by Qt's own importers names images that the page's store does not hold but
    // the source document may have as a resource: it becomes a stored PNG picture.
    QString adoptResource(const QString &old)
    {
        const QVariant res = source.main()->resource(QTextDocument::ImageResource, QUrl(old));
        QImage image = res.value<QImage>();
        if (image.isNull() && res.canConvert<QPixmap>())
            image = res.value<QPixmap>().toImage();
        if (image.isNull())
            return QString();
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        return target.addPicture(bytes);
    }

    // The new frame's id, its text copied from the source; 0 when there is nothing to copy.
    int copyFrame(int old, bool allowFrames)
    {
        const QTextDocument *text = source.frameDocument(old);
        if (!allowFrames || !text)
            return 0;
        std::unique_ptr<QTextDocument> copy = LineBlocks::copy(text);
        apply(copy.get(), false);
        QTextDocument *frame = target.createFrameDocument();
        QTextCursor(frame).insertFragment(QTextDocumentFragment(copy.get()));
        joinCopiedLists(frame, 0, frame->characterCount(), copiedLists);
        return target.frameIdOf(frame);
    }

    QTextCharFormat changesFor(const QTextCharFormat &f, bool allowFrames)
    {
        QTextCharFormat change;
        if (f.intProperty(FieldId) > 0)
            change.setProperty(FieldId, fieldId(f.intProperty(FieldId)));
        if (f.isImageFormat()) {
            change.setProperty(QTextFormat::ImageName, pictureName(f.toImageFormat().name()));
            change.setProperty(ObjectId, target.newObjectId());
        } else if (f.objectType() == TextFrameObject) {
            change.setProperty(ObjectId, copyFrame(f.intProperty(ObjectId), allowFrames));
        }
        return change;
    }

    void apply(QTextDocument *doc, bool allowFrames)
    {
        struct Edit {
            int position, length;
            QTextCharFormat format, change;
        };
        QList<Edit> edits;
        for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
            LineBlocks::forEachRun(block, [&](int position, int length, const QTextCharFormat &format) {
                const QTextCharFormat change = changesFor(format, allowFrames);
                if (!change.properties().isEmpty())
                    edits.append({position, length, format, change});
            });
        }
        QTextCursor cursor(doc);
        // One edit: a cursor placed outside one lays its whole paragraph out again, for every run of it.
        cursor.beginEditBlock();
        for (const Edit &edit : edits) {
            // Each object character is its own object, even where a fragment holds several.
            const bool object = edit.change.hasProperty(ObjectId);
            const int step = object ? 1 : edit.length;
            for (int pos = edit.position; pos < edit.position + edit.length; pos += step) {
                QTextCharFormat one = edit.change;
                if (object && pos > edit.position)
                    one = changesFor(edit.format, allowFrames);
                cursor.setPosition(pos);
                cursor.setPosition(pos + step, QTextCursor::KeepAnchor);
                cursor.mergeCharFormat(one);
            }
        }
        cursor.endEditBlock();
        for (QTextTable *table : TableOps::tables(doc)) {
            QTextTableFormat f = table->format();
            f.setProperty(ObjectId, target.newObjectId());
            table->setFormat(f);
        }
    }
};

} // namespace

void PageInsert::insert(PageDocument &target, QTextCursor &at, const PageDocument &source,
                        const QList<QTextListFormat> &copiedLists)
{
    std::unique_ptr<QTextDocument> copy = LineBlocks::copy(source.main());
    Renumber renumber{target, source, copiedLists, {}, {}};
    renumber.apply(copy.get(), true);
    at.beginEditBlock();
    if (at.hasSelection())
        PositionText::removeSelection(at, at.selectionStart(), at.selectionEnd());
    const int start = at.position();
    // Qt begins a new paragraph for a list item that comes in where no list is, unless it gives the
    // document its first paragraph; the copy's items are in no list until they are in the target. For
    // an empty item with its paragraph end Qt begins none, also where the item is in a list: it would
    // join the paragraph.
    const QTextBlock first = copy->begin();
    const bool noList = start > 0 && !LineBlocks::head(at.block()).textList();
    const bool emptyItem = noList && first.textList() && first.length() == 1 && first.next().isValid()
                           && !at.atBlockStart();
    if (noList && first.blockFormat().hasProperty(CopiedList) && first.length() > 1)
        at.insertBlock(first.blockFormat(), first.charFormat());
    else if (emptyItem)
        PastedItems::beginItem(at, first);
    const int emptyItemAt = at.position();
    // The blocks of a list item held in pieces after its first are in no list: there Qt would begin
    // a paragraph for an item that comes in, which inside the item's first block it does not.
    const QTextBlock into = at.block();
    if (first.textList() && LineBlocks::continues(into) && LineBlocks::head(into).textList())
        LineBlocks::leaveList(first);
    // At a paragraph's start that paragraph would be left empty in front of an item of the copy.
    const bool itemAtStart = start > 0 && first.textList() && at.atBlockStart() && !LineBlocks::continues(into)
                             && !into.textList();
    // There an empty item that begins the copy leaves that paragraph empty itself: it is the item.
    const bool emptyItemAtStart = itemAtStart && first.length() == 1 && first.next().isValid();
    at.insertFragment(QTextDocumentFragment(copy.get()));
    if (emptyItemAtStart)
        PastedItems::becomeItem(at.document()->findBlock(start), first);
    else if (itemAtStart)
        PastedItems::dropEmptyParagraph(at.document(), start);
    if (emptyItem)
        PastedItems::joinList(at.document()->findBlock(emptyItemAt), first);
    joinCopiedLists(at.document(), start, at.position(), copiedLists);
    ObjectLines::fit(at.document(), start, at.position());
    LineBlocks::settle(at.document(), start, at.position());
    at.endEditBlock();
}

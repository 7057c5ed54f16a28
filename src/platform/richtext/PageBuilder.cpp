#include "platform/richtext/PageBuilder.h"

#include "platform/richtext/LineBlocks.h"
#include "platform/richtext/ObjectLines.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/TableOps.h"
#include "platform/richtext/TextProps.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextImageFormat>
#include <QTextList>
#include <QTextTable>

using namespace PageImage;
using namespace TextProps;

void PageBuilder::build(const Page &image, PageDocument &page, QList<QTextListFormat> *copiedLists)
{
    page.clear();
    page.setPageSetup(image.setup);
    for (const Picture &picture : image.pictures)
        page.setPicture(picture.name, picture.bytes, picture.format);
    PageBuilder builder(image, page, copiedLists);
    for (const Part &p : image.parts) {
        if (p.kind == Part::TextFrame) {
            page.createFrameDocument(p.key);
            builder.m_frames.insert(p.key);
            builder.m_usedObjects.insert(p.key);
        }
    }
    for (const Part &p : image.parts)
        builder.part(p);
}

void PageBuilder::part(const Part &p)
{
    QTextDocument *doc = p.kind == Part::TextFrame ? m_page.frameDocument(p.key) : m_page.ensurePart(p.key);
    m_part = &p;
    m_lists = QList<QTextList *>(p.lists.size(), nullptr);
    m_cellFormats.clear(); // a part's format indexes are its own
    if (m_copiedLists) {
        m_firstCopiedList = int(m_copiedLists->size());
        for (int list : p.lists)
            m_copiedLists->append(m_image.formats.at(list).toListFormat());
    }
    doc->setUndoRedoEnabled(false);
    // One edit, laid out once at its end. Switching the layout off for the build and on again made
    // Qt lay the part out as a whole afterwards, a long table twice when the view asked for the
    // page count meanwhile.
    QTextCursor cursor(doc);
    cursor.beginEditBlock();
    doc->rootFrame()->setFrameFormat(m_image.formats.at(p.rootFormat).toFrameFormat());
    items(cursor, p.items);
    ObjectLines::fit(doc);
    LineBlocks::settle(doc);
    QTextCursor(doc).endEditBlock();
    doc->setUndoRedoEnabled(true);
    doc->setModified(false);
}

// The cursor stands in the container's first, empty block; the decoder made sure that a block comes
// before and after every table or frame, and such a block already exists once the table is in.
void PageBuilder::items(QTextCursor &cursor, const std::vector<Item> &list)
{
    m_previousField = 0;
    bool existing = true;
    for (const Item &item : list) {
        if (item.kind == Item::Block) {
            block(cursor, item, existing);
            existing = false;
            continue;
        }
        if (item.kind == Item::Table) {
            table(cursor, item);
        } else {
            QTextFrame *frame = cursor.insertFrame(m_image.formats.at(item.format).toFrameFormat());
            QTextCursor inner = frame->firstCursorPosition();
            items(inner, item.items);
            cursor = frame->lastCursorPosition();
        }
        cursor.movePosition(QTextCursor::NextBlock);
        existing = true;
        m_previousField = 0;
    }
}

void PageBuilder::block(QTextCursor &cursor, const Item &item, bool existing)
{
    if (!existing)
        cursor.insertBlock();
    // Setting a format is an edit even where the block has it (the many plain cells of a large table).
    QTextBlockFormat blockFormat = storedBlockFormat(item.blockFormat);
    if (m_copiedLists && item.list >= 0)
        blockFormat.setProperty(CopiedList, m_firstCopiedList + item.list);
    if (cursor.blockFormat() != blockFormat)
        cursor.setBlockFormat(blockFormat);
    if (!m_copiedLists)
        setList(cursor, item.list);
    // A block that was there before its items follows a table, a frame or a cell's start, but
    // for the first one of the part.
    if (!existing || cursor.position() == 0) {
        QTextCharFormat format;
        if (item.charFormat >= 0)
            format = m_image.formats.at(item.charFormat).toCharFormat();
        // A paragraph end inside a field belongs to the field's run; elsewhere its id is kept as read.
        const int field = format.intProperty(FieldId);
        if (m_runIds.contains(field))
            format.setProperty(FieldId, m_runIds.value(field));
        else if (field != 0)
            m_page.noteFieldId(field);
        if (cursor.blockCharFormat() != format)
            cursor.setBlockCharFormat(format);
    }
    for (const Fragment &f : item.fragments)
        fragment(cursor, f);
}

// A stored paragraph's format as a block takes it, made once for all the paragraphs that share it.
QTextBlockFormat PageBuilder::storedBlockFormat(int index)
{
    auto it = m_blockFormats.constFind(index);
    if (it != m_blockFormats.cend())
        return *it;
    QTextBlockFormat format = m_image.formats.at(index).toBlockFormat();
    // Each stored paragraph is one: the mark of a held line and what a held line keeps for its
    // paragraph never come from the bytes (the writer leaves them out); kept, the mark would join
    // the paragraph to the one before on the next save.
    for (int held : HeldProperties)
        format.clearProperty(held);
    format.clearProperty(CopiedList);
    m_blockFormats.insert(index, format);
    return format;
}

void PageBuilder::setList(QTextCursor &cursor, int index)
{
    QTextList *want = index >= 0 ? m_lists.at(index) : nullptr;
    QTextList *have = cursor.block().textList();
    if (have == want && (want || index < 0))
        return;
    if (have)
        have->remove(cursor.block());
    if (index < 0)
        return;
    if (want)
        want->add(cursor.block());
    else
        m_lists[index] = cursor.createList(m_image.formats.at(m_part->lists.at(index)).toListFormat());
}

// Whether the cell has the format already, as Qt keeps it (with the cell's spans and its table's
// object): Qt makes every cell of a new table alike, and setting a format is an edit of the document
// all the same, a good part of loading a large table of plain cells. The answer holds for every cell
// of the same stored format and the same format in the document.
bool PageBuilder::hasFormat(const QTextTableCell &cell, int stored)
{
    const QPair<int, int> key(stored, cell.tableCellFormatIndex());
    auto it = m_cellFormats.constFind(key);
    if (it != m_cellFormats.cend())
        return *it;
    QTextCharFormat format = m_image.formats.at(stored).toCharFormat();
    QTextCharFormat current = cell.format();
    const int rows = current.tableCellRowSpan();
    const int columns = current.tableCellColumnSpan();
    for (QTextCharFormat *f : {&current, &format}) {
        f->setTableCellRowSpan(rows);
        f->setTableCellColumnSpan(columns);
    }
    format.setObjectType(QTextFormat::TableCellObject);
    format.setObjectIndex(current.objectIndex());
    // Qt's == tells formats apart by the order their properties were set in, which differs between
    // the bytes and a new table's cells.
    const bool same = format.properties() == current.properties();
    m_cellFormats.insert(key, same);
    return same;
}

void PageBuilder::table(QTextCursor &cursor, const Item &item)
{
    QTextTableFormat format = m_image.formats.at(item.format).toTableFormat();
    if (format.hasProperty(ObjectId))
        format.setProperty(ObjectId, objectId(format.intProperty(ObjectId)));
    QTextTable *t = cursor.insertTable(item.rows, item.columns, format);
    std::vector<TableOps::Merge> merges;
    for (const Cell &cell : item.cells) {
        if (cell.rowSpan > 1 || cell.columnSpan > 1)
            merges.push_back({cell.row, cell.column, cell.rowSpan, cell.columnSpan});
    }
    TableOps::mergeCells(t, merges);
    for (const Cell &cell : item.cells) {
        QTextTableCell c = t->cellAt(cell.row, cell.column);
        if (!hasFormat(c, cell.format))
            c.setFormat(m_image.formats.at(cell.format).toCharFormat());
        QTextCursor inner = c.firstCursorPosition();
        items(inner, cell.items);
    }
    cursor = t->lastCursorPosition();
}

void PageBuilder::fragment(QTextCursor &cursor, const Fragment &f)
{
    QTextCharFormat format = m_image.formats.at(f.format).toCharFormat();
    const int field = format.intProperty(FieldId);
    if (field != 0)
        format.setProperty(FieldId, fieldId(field));
    m_previousField = field;
    if (!format.hasProperty(ObjectId)) {
        cursor.insertText(f.text, format);
        return;
    }
    // Every object character is an object of its own.
    const bool anchor = format.objectType() == TextFrameObject;
    for (QChar ch : f.text) {
        if (ch != QChar::ObjectReplacementCharacter) {
            QTextCharFormat plain = format;
            plain.clearProperty(ObjectId);
            cursor.insertText(QString(ch), plain);
            continue;
        }
        const int read = format.intProperty(ObjectId);
        format.setProperty(ObjectId, anchor ? anchorId(read) : objectId(read));
        if (format.isImageFormat())
            PageDocument::insertPicture(cursor, format.toImageFormat());
        else
            cursor.insertText(QString(ch), format);
        format.setProperty(ObjectId, read);
    }
}

int PageBuilder::fieldId(int read)
{
    if (read == m_previousField && m_runIds.contains(read))
        return m_runIds.value(read);
    int id = read;
    if (m_usedFields.contains(id) || !m_page.noteFieldId(id)) {
        do
            id = m_page.newFieldId();
        while (m_usedFields.contains(id));
    }
    m_usedFields.insert(id);
    m_runIds.insert(read, id);
    return id;
}

int PageBuilder::objectId(int read)
{
    int id = read;
    if (m_usedObjects.contains(id) || !m_page.noteObjectId(id)) {
        do
            id = m_page.newObjectId();
        while (m_usedObjects.contains(id));
    }
    m_usedObjects.insert(id);
    return id;
}

int PageBuilder::anchorId(int read)
{
    if (m_frames.contains(read) && !m_anchored.contains(read)) {
        m_anchored.insert(read);
        return read;
    }
    QTextDocument *frame = m_page.createFrameDocument();
    const int id = m_page.frameIdOf(frame);
    m_usedObjects.insert(id);
    m_anchored.insert(id);
    return id;
}

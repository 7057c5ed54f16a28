#pragma once

#include "platform/richtext/PageImage.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QTextFormat>
#include <QTextListFormat>

class PageDocument;
class QTextCursor;
class QTextDocument;
class QTextList;
class QTextTableCell;

// Makes a page document from a checked PageImage, replacing what the page held. Ids stay as read
// where they are sound; a field whose id is out of range or was already used by another field, and an
// object (picture, table, text frame) likewise, gets a new id. A text frame anchor whose frame text is
// missing or already anchored gets a new, empty frame text. The parts have no undo steps afterwards.
// With `copiedLists`, a page that is only copied from (PageInsert): its list items join no list, each
// carries TextProps::CopiedList, the index of its list's format appended to *copiedLists. Qt copies a
// list item by item, walking the whole list for each; items of no list are copied in one pass.
class PageBuilder
{
public:
    static void build(const PageImage::Page &image, PageDocument &page, QList<QTextListFormat> *copiedLists = nullptr);

private:
    PageBuilder(const PageImage::Page &image, PageDocument &page, QList<QTextListFormat> *copiedLists)
        : m_image(image), m_page(page), m_copiedLists(copiedLists) {}
    void part(const PageImage::Part &part);
    void items(QTextCursor &cursor, const std::vector<PageImage::Item> &items);
    void block(QTextCursor &cursor, const PageImage::Item &item, bool existing);
    QTextBlockFormat storedBlockFormat(int index);
    void table(QTextCursor &cursor, const PageImage::Item &item);
    bool hasFormat(const QTextTableCell &cell, int stored);
    void fragment(QTextCursor &cursor, const PageImage::Fragment &fragment);
    void setList(QTextCursor &cursor, int list);
    int fieldId(int read);
    int objectId(int read);
    int anchorId(int read);

    const PageImage::Page &m_image;
    PageDocument &m_page;
    const PageImage::Part *m_part = nullptr;
    QList<QTextListFormat> *m_copiedLists;
    QList<QTextList *> m_lists;       // of the part being built
    int m_firstCopiedList = 0;        // of the part being built, in *m_copiedLists
    QSet<int> m_usedFields;
    QSet<int> m_usedObjects;
    QSet<int> m_frames;               // frame texts read
    QSet<int> m_anchored;
    QHash<int, int> m_runIds;         // field id read -> id given, for the run going on
    int m_previousField = 0;          // field id read of the character before
    QHash<int, QTextBlockFormat> m_blockFormats;    // by stored format
    QHash<QPair<int, int>, bool> m_cellFormats;     // by stored format and the cell's in the document
};

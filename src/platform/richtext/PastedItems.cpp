#include "platform/richtext/PastedItems.h"

#include "platform/richtext/LineBlocks.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>

void PastedItems::dropEmptyParagraph(QTextDocument *doc, int position)
{
    const QTextBlock empty = doc->findBlock(position);
    if (empty.position() != position || empty.length() != 1 || empty.textList() || !empty.next().isValid()
        || !empty.next().textList())
        return;
    const bool pageBreak = empty.blockFormat().pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore;
    QTextCursor cursor(doc);
    cursor.setPosition(position);
    cursor.setPosition(position + 1, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    // A page break in front of the paragraph stands in front of the item that takes its place.
    if (pageBreak) {
        QTextBlockFormat format = cursor.blockFormat();
        format.setPageBreakPolicy(format.pageBreakPolicy() | QTextFormat::PageBreak_AlwaysBefore);
        cursor.setBlockFormat(format);
    }
}

void PastedItems::endItem(QTextCursor &cursor, const QTextBlockFormat &format, const QTextCharFormat &charFormat)
{
    const QTextBlock item = cursor.block();
    const QTextBlock next = item.next();
    const bool textAfter = !cursor.atBlockEnd() || (next.isValid() && LineBlocks::continues(next));
    if (!LineBlocks::head(item).textList() || !textAfter)
        return;
    const int end = cursor.position();
    // The paragraph's page break stays in front of its first part.
    QTextBlockFormat rest = format;
    rest.setPageBreakPolicy(format.pageBreakPolicy() & ~QTextFormat::PageBreak_AlwaysBefore);
    cursor.insertBlock(rest, charFormat);
    cursor.setPosition(end);
}

void PastedItems::beginItem(QTextCursor &cursor, const QTextBlock &copied)
{
    // The list index is the copy's own: in this document it names another object or none.
    QTextBlockFormat format = copied.blockFormat();
    format.clearProperty(QTextFormat::ObjectIndex);
    cursor.insertBlock(format, copied.charFormat());
}

void PastedItems::joinList(const QTextBlock &item, const QTextBlock &copied)
{
    const QTextList *from = copied.textList();
    if (!item.isValid() || item.textList() || !from)
        return;
    const QTextBlock next = item.next();
    if (next.isValid() && next.textList() && copied.next().textList() == from) {
        next.textList()->add(item);
        return;
    }
    QTextCursor(item).createList(from->format());
}

void PastedItems::becomeItem(const QTextBlock &paragraph, const QTextBlock &copied)
{
    if (!paragraph.isValid() || paragraph.length() != 1 || paragraph.textList() || !copied.textList())
        return;
    QTextBlockFormat format = copied.blockFormat();
    format.clearProperty(QTextFormat::ObjectIndex);
    const QTextFormat::PageBreakFlags pageBreak = paragraph.blockFormat().pageBreakPolicy()
                                                  & QTextFormat::PageBreak_AlwaysBefore;
    format.setPageBreakPolicy(format.pageBreakPolicy() | pageBreak);
    QTextCursor cursor(paragraph);
    cursor.setBlockFormat(format);
    cursor.setBlockCharFormat(copied.charFormat());
    joinList(paragraph, copied);
}

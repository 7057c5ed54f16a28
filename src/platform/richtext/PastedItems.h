#pragma once

class QTextBlock;
class QTextBlockFormat;
class QTextCharFormat;
class QTextCursor;
class QTextDocument;

// Where list items pasted at a caret meet the paragraph it stood in. Qt begins a paragraph of its own
// for a list item that comes in, also where the caret stood at a paragraph's start, and joins the text
// after the caret to the last item that came in: the paragraph is left empty in front of the items, or
// its text becomes part of the last item.
class PastedItems
{
public:
    // The empty paragraph at `position`, when a list item follows it, goes: the item takes its place
    // and its page break (Qt joins a removal's blocks into the last, the item, which keeps its format).
    static void dropEmptyParagraph(QTextDocument *doc, int position);
    // When the cursor stands inside a list item, before text of the paragraph it was pasted into: that
    // text begins a paragraph of its own again, in the paragraph's formats but for a page break in
    // front of it. The cursor stays at the item's end. An edit of the document: LineBlocks::settle()
    // after it.
    static void endItem(QTextCursor &cursor, const QTextBlockFormat &format, const QTextCharFormat &charFormat);
    // Qt begins no paragraph for an empty list item that comes in inside or at the end of a paragraph:
    // the item would join it. A paragraph in the empty item's formats begins at the cursor, in no list
    // until joinList() puts it into one once the copy is in.
    static void beginItem(QTextCursor &cursor, const QTextBlock &copied);
    // The paragraph begun by beginItem() joins the list of the pasted item after it where the copy holds
    // both in one list, or a new list of the copied item's list format.
    static void joinList(const QTextBlock &item, const QTextBlock &copied);
    // At a paragraph's start an empty list item that comes in leaves that paragraph empty in front of
    // the rest of the copy: the paragraph becomes the item, in the item's formats but for a page break
    // it had in front of it, and joins the list as joinList() has it.
    static void becomeItem(const QTextBlock &paragraph, const QTextBlock &copied);
};

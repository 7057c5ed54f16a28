#pragma once

#include <QTextBlock>

#include <QList>
#include <QVariant>

#include <initializer_list>
#include <memory>
#include <utility>

class QTextCursor;
class QTextDocument;

// Qt lays out a whole paragraph again on every change inside it, however small: a text pasted as
// text, one paragraph of a million characters with its lines joined by line breaks, would cost a
// keystroke a second. Such a paragraph of the main text or of a table cell in it is held as one
// block per line: each block after the first carries TextProps::LineBreakBlock, and the separator
// in front of it stands for a line break (position code 11). A stretch of it without line breaks
// longer than PartedLength is parted too, at a space after about every PieceLength characters: the
// separator then stands for that space (the mark holds its code). Positions, the page stream and
// every writer still see one paragraph with its line breaks and spaces; only the layout sees the
// blocks, and there a parted space ends its line early, as a line break would. That early end shows
// on screen and on paper, so only a stretch far beyond any paragraph of prose is parted: there a
// frozen window would cost more than a short line.
//
// A stretch without spaces (Japanese text, one long word, a run of digits or signs, where Qt would find the end of a line by
// reading to the end of the word: a time that grows with the square of its length) is parted at a
// letter instead. The separator stands for that letter; the block after it leaves room for it in
// front of its first line (a first-line indent of the letter's width, never stored), where
// HeldLetters draws it.
//
// Only a paragraph of the main text's own flow or of a cell is held so. Its blocks share one
// paragraph format, the page break and the line height kind of a picture's line apart, and lay out
// as its lines would: the first block lays out its space before and first-line indent, the last its
// space after, each its left and right indents and alignment. The values a block does not lay out
// it keeps in properties of its own (TextProps::HeldTopMargin and the like), so that every block
// tells the paragraph's format. Of a list item only the first block is in the list (each block of
// it would draw a bullet and count as an item): the others lay out at the item's text, their indent
// raised by the list's (TextProps::HeldIndent keeps their own), and tell the paragraph's format
// without its list; paragraphFormat() gives it whole, from the first block.
class LineBlocks
{
public:
    // Longer paragraphs of the main text and its cells are held as blocks, at their line breaks; stretches without
    // one longer than PartedLength at a space after about every PieceLength characters.
    static constexpr int SplitLength = 2000;
    static constexpr int PartedLength = 20000;
    static constexpr int PieceLength = 1000;

    // Whether a stretch without spaces may be parted at `ch`, followed by `next`: at a letter that the
    // block after it can draw in front of its first line as it would stand there, not joined to its
    // neighbours (left to right, or a right-to-left letter followed by another, where the block after
    // it reads right to left); and where `signs`, at a digit, punctuation mark or symbol ("&", "=",
    // "━"), which takes the way of the text around it. `signs` holds for a paragraph that runs left to
    // right with nothing in it that reads right to left (leftToRight()): there every sign reads left to
    // right. An object's mark stands for no letter.
    static bool partsAt(QChar ch, QChar next, bool signs);
    static bool leftToRight(QStringView text);
    // The separator in front of the block is a line break (or a parted space) of the paragraph before.
    static bool continues(const QTextBlock &block);
    // What the separator in front of a block that continues a paragraph stands for: U+2028 or a
    // space; code() gives it in the codes of the position text (11 or a space).
    static QChar standsFor(const QTextBlock &block);
    static QChar code(const QTextBlock &block);
    // Whether the separator in front of the block stands for a letter (a stretch without spaces
    // parted there): the block's first line leaves room for it, and whoever draws the text draws it
    // there (HeldLetters).
    static bool drawsLetter(const QTextBlock &block);
    // A block's format as a paragraph's own: without the mark of a held line and the room it leaves
    // for a letter, with the spaces and indent its place leaves to other blocks.
    static QTextBlockFormat ownFormat(QTextBlockFormat format);
    // Gives the block the paragraph format `own` as its place in its paragraph lays it out. An edit
    // of the document, settle() after it.
    static void setOwnFormat(const QTextBlock &block, const QTextBlockFormat &own);
    // The format of the paragraph of the block as its first block holds it, in its list.
    static QTextBlockFormat paragraphFormat(const QTextBlock &block);
    static QTextBlock head(QTextBlock block); // the paragraph's first block
    static QTextBlock tail(QTextBlock block); // its last

    // Mends the paragraphs around [from, to] after an edit there: splits a long plain paragraph at
    // its line breaks, joins the blocks of one that is no longer plain, gives blocks that now
    // continue another paragraph its format, and forgets the mark where it no longer applies. An
    // edit of the document, part of the edit block around it.
    static void settle(QTextDocument *doc, int from, int to);
    // Every paragraph of the document (a page just built).
    static void settle(QTextDocument *doc);
    // Whether an edit at the cursor or of its selection may join or part lines of such a paragraph.
    static bool nearLines(const QTextCursor &cursor);
    // Where Qt's word move from `position` (Ctrl with an arrow, Ctrl+BackSpace or Ctrl+Delete) ends in a
    // paragraph held in blocks: as in the paragraph as one block, across the line breaks, spaces and
    // letters its blocks part at. -1 where the paragraph is one block, or the move leaves it.
    static int wordMove(const QTextDocument *doc, int position, bool forward);
    // Takes the block out of its list, its format as it is (QTextList::remove would indent it as far as
    // the list did).
    static void leaveList(const QTextBlock &block);
    // Holds the paragraphs of [from, to] in one block each again (before they become list items).
    static void join(QTextDocument *doc, int from, int to);
    // A new paragraph at the cursor (Enter): the block after it begins a paragraph, not a line, and
    // the blocks on either side take the format their new places need.
    static void insertParagraph(QTextCursor &cursor);

    // Calls visit(position, length, format) for each run of one format in the block's text, then for
    // the separator in front of the next block when that block continues the paragraph: that
    // separator is a line break of this line's text, with the look and the field of the line break
    // (Qt keeps them as the next block's character format). Whoever reads or changes characters by
    // their runs must see it too, or a field across a held line break would lose the break.
    template<typename Visit>
    static void forEachRun(const QTextBlock &block, Visit visit)
    {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            visit(fragment.position(), fragment.length(), fragment.charFormat());
        }
        const QTextBlock next = block.next();
        if (next.isValid() && continues(next))
            visit(next.position() - 1, 1, next.charFormat());
    }

    // Qt joins the blocks of a removal into the last of them, which keeps its format: the break in
    // front of the first would change its kind (a paragraph end would read as a line break, or a line
    // break as a paragraph end, the letter it stood for lost). Taken before an edit, for the blocks
    // that begin at or just before the positions; restore() after a removal that began at `from`
    // gives the block it began in the kind that the one beginning at the same place had. Part of
    // the edit block.
    class Breaks
    {
    public:
        Breaks(const QTextDocument *doc, std::initializer_list<int> positions);
        void restore(QTextDocument *doc, int from) const;

    private:
        struct Start {
            int position;
            QVariant mark;
            int list; // the block's list (its format's object index), or -1
        };
        QList<Start> m_starts;
    };

    // A copy of the document, every paragraph in its formats (Qt's clone() leaves a first paragraph
    // that is empty without its paragraph and character format).
    static std::unique_ptr<QTextDocument> copy(const QTextDocument *doc);

    // The document with each paragraph in one block, for writers that take a block as a paragraph:
    // the document itself when no paragraph is held in blocks, else a copy (without layout).
    class Joined
    {
    public:
        explicit Joined(const QTextDocument *doc);
        ~Joined();
        const QTextDocument *document() const { return m_doc; }

    private:
        std::unique_ptr<QTextDocument> m_copy;
        const QTextDocument *m_doc;
    };
};

#pragma once

#include <QtGui/private/qtextdocumentlayout_p.h>

class QTextBlock;
class QTextTable;

// Qt's layout of a part's text. On any change Qt goes over every block from the change to the end
// of the text, lays out again each block that a page break parts and a whole table, every cell of
// it twice: a key into a megabyte (held as blocks, LineBlocks) would cost tens of milliseconds in
// the main text and a second in a cell, and more the more pages follow. A change inside one block
// of such a paragraph, in the main text or a cell, is laid out here, that block alone, when the
// result is the one Qt would reach: the block's lines keep their heights, and a cell's column keeps
// its width (columnKeepsWidth). Any other change is Qt's, and so is every change of a page that
// holds no paragraph in blocks.
//
// A key that gives a block a line more or a line less moves the blocks after it, in its cell or
// down to the end of the main text (where no table or frame follows), and so does such a paragraph
// of the main text parted or joined (Enter, a paragraph end taken away), whose blocks are laid out
// here; each line goes where Qt would place it: after the line before it, or at the top of the
// next page where it would reach into the page's bottom margin. Qt takes those margins from the
// page and from a table's borders, spacing and paddings; they are learnt here from where Qt put
// the lines (the main text's bottom one is read from its frame where they leave it open), and a
// line too near a page end to tell goes to Qt. The rows below a cell, the table's size, what
// follows the table and the size of the text are then Qt's to set again, which they are before
// anything reads them: drawing or a hit test below the cell's end, the place of a block after it,
// the size of the text.
//
// Qt notes where blocks begin every so far down the main text, and starts its drawing, its hit
// tests and its next layout from the last such note above; a change laid out here moves the
// positions of the blocks below it under those notes, and Qt's drawing stops at the first block
// at or past the position of its note below the area drawn, or of the text's end as it was. So Qt
// goes over the text from the first such change before it starts below it: before it lays out a
// later change, draws from below it or tests a point below it, and before it draws below it at all
// where the change took or put in characters.
//
// Qt starts a layout from its last note above the change and takes the page from the note's y,
// rounded to 1/64 of a page: a note less than 1/128 of a page above a page's end counts as on the
// next page, and the first line of its block stays across the page's end, where Qt's layout from
// the top puts it on the next page. Qt is told the change begins above any such note.
class PartLayout : public QTextDocumentLayout
{
    Q_OBJECT
public:
    explicit PartLayout(QTextDocument *doc);

    void draw(QPainter *painter, const PaintContext &context) override;
    int hitTest(const QPointF &point, Qt::HitTestAccuracy accuracy) const override;
    QRectF blockBoundingRect(const QTextBlock &block) const override;
    QSizeF documentSize() const override;
    int pageCount() const override;

protected:
    void documentChanged(int from, int oldLength, int length) override;

private:
    bool laidOutAsQt() const;
    void layOutAsQt(int from, int oldLength, int length);
    void layOutByQtFrom(int start, int from, int oldLength, int length);
    int startAboveNotes(int from) const;
    bool layOutAlone(const QTextBlock &block, int from, int length, qreal &bottom);
    bool layOutParagraphs(int from, int length, qreal &bottom);
    qreal frameTop(const QTextBlock &block) const;
    bool cellLinesMove(QTextTable *table, const QTextBlock &block) const;
    bool framesBelow(const QTextBlock &block) const;
    bool followsFrame(const QTextBlock &block) const;
    bool columnKeepsWidth(QTextTable *table, const QTextBlock &block, qreal lineWidth) const;
    void laidOutAlone(const QTextBlock &block, QTextTable *table, qreal bottom);
    void catchUp(qreal below);
    void notesHold();
    bool reachPastNotes(QRectF &area) const;
    void sizesOff(QTextTable *table, const QTextBlock &block, qreal below);
    void rememberLongestWords(int from, int to);

    int m_blocks = -1; // as many blocks as when Qt last laid the text out
    // Where the first block laid out here begins, and the y below which Qt's notes of the blocks
    // after it may be off; -1 when Qt's notes hold.
    int m_aloneFrom = -1;
    qreal m_aloneTop = 0; // where that block begins
    qreal m_notesOffBelow = 0;
    // The length of the text when Qt last laid it out; since then, the characters put in and the
    // height the lines rose by changes laid out here (how far Qt's notes below them may be off).
    int m_notedLength = -1;
    int m_putIn = 0;
    qreal m_roseBy = 0;
    qreal m_rose = 0; // by the change being laid out
    // Where Qt's rows and sizes are off after a cell's lines were moved here: from this position
    // (the next row or what follows the table) and below this y; -1 when they hold.
    int m_sizesOffFrom = -1;
    qreal m_sizesOffBelow = 0;
};

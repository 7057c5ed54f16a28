#pragma once

#include <QtGui/private/qtextdocumentlayout_p.h>

class QTextBlock;
class QTextTable;

// Qt's layout of a part's text. Qt lays a whole table out again on any change inside it, every
// cell of it twice, whatever the change: a key into a cell holding a megabyte (held as blocks,
// LineBlocks) would cost a second. A change inside one block of a cell is laid out here, that block
// alone, when the result is the one Qt would reach: the block's lines keep their number and their
// heights, so nothing below it moves, and its column keeps its width (a width set for the column,
// which the block's longest word does not exceed; a column that follows its text would change with
// each key). Any other change is Qt's.
class PartLayout : public QTextDocumentLayout
{
    Q_OBJECT
public:
    explicit PartLayout(QTextDocument *doc);

protected:
    void documentChanged(int from, int oldLength, int length) override;

private:
    bool layOutInCell(int from, int length);
    bool columnKeepsWidth(QTextTable *table, const QTextBlock &block, qreal lineWidth) const;

    int m_blocks = -1; // as many blocks as when Qt last laid the text out
};

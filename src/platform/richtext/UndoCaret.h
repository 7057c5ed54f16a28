#pragma once

#include <QAbstractUndoItem>

class PartDocument;
class QTextCursor;

// Qt's undo of an edit block puts the caret where the block began only when the block's first change
// lies elsewhere; where that change is a paragraph's format at the caret (a paste at the page's start)
// it puts the caret at the end of all the block changed, which may be far on. Set first in a block,
// this item tells the part, as the block is undone, where the caret stood when the block began.
class UndoCaret : public QAbstractUndoItem
{
public:
    // Into the edit block `cursor` has just begun on a part, before any change: its undo asks for
    // the caret where `cursor` stands now.
    static void mark(const QTextCursor &cursor);

    void undo() override;
    void redo() override {}

private:
    UndoCaret(PartDocument *part, int caret);

    PartDocument *m_part; // owns the undo stack that holds the item
    int m_caret;
};

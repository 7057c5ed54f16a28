#pragma once

#include <QAbstractUndoItem>

class QTextDocument;
class PartDocument;

// Qt's undo of an edit block puts the caret where the block began only when the block's first change
// lies elsewhere; where that change is a paragraph's format at the caret (a paste at the page's
// start, a heading turned to body text first) it puts the caret at the end of all the block changed,
// which may be far on. Its redo puts it after the block's last change, or after all it changed where
// that change is a format. Set last in a block, this item tells the part, as the block is undone or
// redone, where the caret stood when the block began or when it ended.
class UndoCaret : public QAbstractUndoItem
{
public:
    // Into the edit block open on `doc` (a part), after its changes: the carets it began and ended
    // with (-1 for one the item does not give).
    static void mark(QTextDocument *doc, int begun, int left);

    void undo() override;
    void redo() override;

private:
    UndoCaret(PartDocument *part, int begun, int left);

    PartDocument *m_part; // owns the undo stack that holds the item
    int m_begun;
    int m_left;
};

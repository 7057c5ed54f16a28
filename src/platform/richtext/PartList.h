#pragma once

#include <QTextList>

// The lists of a part. Qt keeps a list's items in order and, whenever one joins or leaves, marks
// every item of the list changed (their numbers may have moved), asking each for its position: a
// list of n items built item by item costs n * n position look-ups, a minute for 20,000 items. An
// item that joins after the last one, or the last one that leaves, moves no other item's number:
// it is added or taken without that walk. Any other change goes Qt's way.
class PartList : public QTextList
{
public:
    explicit PartList(QTextDocument *doc) : QTextList(doc) {}

protected:
    void blockInserted(const QTextBlock &block) override;
    void blockRemoved(const QTextBlock &block) override;
};

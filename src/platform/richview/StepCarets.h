#pragma once

#include <QHash>
#include <QMetaObject>
#include <QObject>
#include <QPointer>

class QTextDocument;

// Qt's redo puts the caret where the last change of the step lies. A step that mended the lines of a
// long paragraph after its edit (LineBlocks) ends with that mending, which may lie in front of or
// inside what the step put in. Qt's undo puts it where the step began only when the step's first
// change lies elsewhere; a step that begins with a format change at the caret (a paste) leaves it at
// the end of all it changed. The carets each step began and left are kept by the step's place in the
// undo stack and given back on its undo and redo.
class StepCarets : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Before a key: what is kept of the step now last done, which the key's edit may join.
    void aboutToEdit(QTextDocument *doc);
    // After an edit begun with the caret at `begun`: the step now last done left the caret at
    // `caret`; `joined` where the edit became part of the step before it.
    void note(QTextDocument *doc, int begun, int caret, bool joined);
    // The caret the step now last done left; -1 where no edit of ours made it.
    int last(const QTextDocument *doc) const;
    // After an undo from `steps` steps done: where the first of the steps it took back began (a key
    // may have made more than one); -1 where no edit of ours made them.
    int undone(const QTextDocument *doc, int steps) const;

private:
    struct Carets {
        int begun = -1;
        int left = -1;
    };
    int valid(const QTextDocument *doc, int caret) const;

    QPointer<QTextDocument> m_doc;
    QMetaObject::Connection m_added;
    QHash<int, Carets> m_carets; // by the number of steps up to the step
    Carets m_before;             // of the step last done before the key
};

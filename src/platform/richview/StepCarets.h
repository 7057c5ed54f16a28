#pragma once

#include <QHash>
#include <QMetaObject>
#include <QObject>
#include <QPointer>

class QTextDocument;

// Qt's redo puts the caret where the last change of the step lies. A step that mended the lines of a
// long paragraph after its edit (LineBlocks) ends with that mending, which may lie in front of or
// inside what the step put in. The caret each step left is kept by the step's place in the undo
// stack and given back on its redo.
class StepCarets : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // After an edit: the step now last done left the caret there.
    void note(QTextDocument *doc, int caret);
    // The caret the step now last done left; -1 where no edit of ours made it.
    int last(const QTextDocument *doc) const;

private:
    QPointer<QTextDocument> m_doc;
    QMetaObject::Connection m_added;
    QHash<int, int> m_carets; // by the number of steps up to the step
};

#include "platform/richview/StepCarets.h"

#include <QTextDocument>

void StepCarets::note(QTextDocument *doc, int caret)
{
    if (m_doc != doc) {
        disconnect(m_added);
        m_carets.clear();
        m_doc = doc;
        // A step another edit adds (a command of the editor, a text read in) takes the place of the
        // one noted there before.
        m_added = connect(doc, &QTextDocument::undoCommandAdded, this,
                          [this, doc] { m_carets.remove(doc->availableUndoSteps()); });
    }
    m_carets.insert(doc->availableUndoSteps(), caret);
}

int StepCarets::last(const QTextDocument *doc) const
{
    if (m_doc != doc)
        return -1;
    const int caret = m_carets.value(doc->availableUndoSteps(), -1);
    return caret < doc->characterCount() ? caret : -1;
}

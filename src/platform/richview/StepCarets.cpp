#include "platform/richview/StepCarets.h"

#include <QTextDocument>

void StepCarets::aboutToEdit(QTextDocument *doc)
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
    m_before = m_carets.value(doc->availableUndoSteps());
}

void StepCarets::note(QTextDocument *doc, int begun, int caret, bool joined)
{
    if (m_doc != doc)
        return;
    // Qt tells of a step joined as of a step added.
    m_carets.insert(doc->availableUndoSteps(), {joined ? m_before.begun : begun, caret});
}

int StepCarets::valid(const QTextDocument *doc, int caret) const
{
    return m_doc == doc && caret < doc->characterCount() ? caret : -1;
}

int StepCarets::last(const QTextDocument *doc) const
{
    return valid(doc, m_carets.value(doc->availableUndoSteps()).left);
}

int StepCarets::undone(const QTextDocument *doc, int steps) const
{
    for (int step = doc->availableUndoSteps() + 1; step <= steps; ++step) {
        const auto it = m_carets.constFind(step);
        if (it != m_carets.constEnd())
            return valid(doc, it->begun);
    }
    return -1;
}

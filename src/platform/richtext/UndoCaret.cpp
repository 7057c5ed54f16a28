#include "platform/richtext/UndoCaret.h"

#include "platform/richtext/PartDocument.h"

void UndoCaret::mark(QTextDocument *doc, int begun, int left)
{
    auto *part = qobject_cast<PartDocument *>(doc);
    if (part && part->isUndoRedoEnabled())
        part->appendUndoItem(new UndoCaret(part, begun, left));
}

UndoCaret::UndoCaret(PartDocument *part, int begun, int left)
    : m_part(part), m_begun(begun), m_left(left)
{
}

void UndoCaret::undo()
{
    m_part->setStepCaret(m_begun);
}

void UndoCaret::redo()
{
    m_part->setStepCaret(m_left);
}

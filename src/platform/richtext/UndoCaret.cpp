#include "platform/richtext/UndoCaret.h"

#include "platform/richtext/PartDocument.h"

#include <QTextCursor>

void UndoCaret::mark(const QTextCursor &cursor)
{
    auto *part = qobject_cast<PartDocument *>(cursor.document());
    if (part && part->isUndoRedoEnabled())
        part->appendUndoItem(new UndoCaret(part, cursor.position()));
}

UndoCaret::UndoCaret(PartDocument *part, int caret)
    : m_part(part), m_caret(caret)
{
}

void UndoCaret::undo()
{
    m_part->setUndoneCaret(m_caret);
}

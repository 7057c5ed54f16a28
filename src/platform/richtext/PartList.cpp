#include "platform/richtext/PartList.h"

#include <QtGui/private/qtextobject_p.h>

namespace {

// Qt 6.4 offers no call that adds an item without the walk; the list of items is its own.
QList<QTextBlock> &itemsOf(QTextBlockGroup *list)
{
    return static_cast<QTextBlockGroupPrivate *>(QObjectPrivate::get(list))->blocks;
}

} // namespace

void PartList::blockInserted(const QTextBlock &block)
{
    QList<QTextBlock> &items = itemsOf(this);
    if (!items.isEmpty() && items.constLast().position() < block.position())
        items.append(block);
    else
        QTextList::blockInserted(block);
}

void PartList::blockRemoved(const QTextBlock &block)
{
    // Qt deletes the list with its last item.
    QList<QTextBlock> &items = itemsOf(this);
    if (items.size() > 1 && items.constLast() == block)
        items.removeLast();
    else
        QTextList::blockRemoved(block);
}

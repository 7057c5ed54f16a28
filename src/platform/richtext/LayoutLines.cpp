#include "platform/richtext/LayoutLines.h"

#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <QTextTable>

int LayoutLines::firstLineBelow(const QTextLayout *layout, double y)
{
    int low = 0;
    int high = layout->lineCount();
    while (low < high) {
        const int mid = (low + high) / 2;
        if (layout->lineAt(mid).y() <= y)
            low = mid + 1;
        else
            high = mid;
    }
    return low;
}

QTextBlock LayoutLines::firstBlockAt(QTextDocument *doc, const QPointF &point)
{
    const int hit = doc->documentLayout()->hitTest(point, Qt::FuzzyHit);
    QTextBlock block = doc->findBlock(qMax(0, hit));
    if (!block.isValid())
        return doc->begin();
    QTextTable *outer = nullptr;
    for (QTextFrame *frame = QTextCursor(block).currentFrame(); frame; frame = frame->parentFrame()) {
        if (auto *table = qobject_cast<QTextTable *>(frame))
            outer = table;
    }
    if (outer)
        block = doc->findBlock(qMax(0, outer->firstPosition() - 1));
    return block.isValid() ? block : doc->begin();
}

bool LayoutLines::inTable(const QTextBlock &block)
{
    return QTextCursor(block).currentTable() != nullptr;
}

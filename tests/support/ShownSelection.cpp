#include "support/ShownSelection.h"

#include "platform/richview/PageTextItem.h"
#include "platform/richview/RichView.h"
#include "platform/richview/TableCaret.h"

#include <QBitArray>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>
#include <QWidget>

namespace ShownSelection {

namespace {

// The positions the cursor selects: whole cells where it takes cells.
QBitArray selected(const QTextCursor &cursor, int size)
{
    QBitArray taken(size);
    const int start = cursor.selectionStart();
    const int end = cursor.selectionEnd();
    if (cursor.hasComplexSelection()) {
        QTextCursor at(cursor);
        at.setPosition(start);
        QTextTable *table = at.currentTable();
        while (table && !(end >= table->firstPosition() && end <= table->lastPosition()))
            table = qobject_cast<QTextTable *>(table->parentFrame());
        int row = 0, rows = 0, column = 0, columns = 0;
        cursor.selectedTableCells(&row, &rows, &column, &columns);
        for (int r = row; table && r < row + rows; ++r) {
            for (int c = column; c < column + columns; ++c) {
                const QTextTableCell cell = table->cellAt(r, c);
                for (int i = cell.firstPosition(); i < cell.lastPosition() && i < size; ++i)
                    taken.setBit(i);
            }
        }
        return taken;
    }
    for (int i = start; i < end && i < size; ++i)
        taken.setBit(i);
    return taken;
}

// The middle of the line the position stands on.
qreal lineMiddle(const QTextDocument *doc, int position)
{
    const auto [top, bottom] = TableCaret::lineSpan(doc, position);
    return (top + bottom) / 2;
}

} // namespace

std::pair<qreal, qreal> shown(RichView &view)
{
    const PageTextItem *item = view.activeItem();
    const QRectF screen = view.mapToScene(view.viewport()->rect()).boundingRect();
    return {item->toDocument(item->mapFromScene(screen.topLeft())).y(),
            item->toDocument(item->mapFromScene(screen.bottomLeft())).y()};
}

QString unseen(RichView &view, const QTextCursor &before, std::pair<qreal, qreal> was)
{
    const PageTextItem *item = view.activeItem();
    const QTextCursor after = item->textCursor();
    const QTextDocument *doc = after.document();
    const QRectF screen = view.mapToScene(view.viewport()->rect()).boundingRect();
    const QRectF caret = item->mapRectToScene(item->caretRect());
    // In a header or footer the view cannot yet scroll to a caret in text laid out after the part
    // was placed (a fault of its own): the caret is checked in the main text.
    if (item == view.mainItem() && (caret.top() < screen.top() - 1 || caret.bottom() > screen.bottom() + 1))
        return QStringLiteral("the caret at %1 stands off the screen (its line at y %2-%3, the screen %4-%5)")
            .arg(after.position()).arg(caret.top()).arg(caret.bottom()).arg(screen.top()).arg(screen.bottom());
    const std::pair<qreal, qreal> now = shown(view);
    // The screens before and after as one stretch where they meet (a scroll by the viewport's height
    // leaves a pixel or two between the screens, less than half a line).
    QList<std::pair<qreal, qreal>> screens{was, now};
    if (now.first <= was.second + 4 && was.first <= now.second + 4)
        screens = {{qMin(was.first, now.first), qMax(was.second, now.second)}};
    const int size = doc->characterCount();
    QBitArray added = selected(after, size) & ~selected(before, size);
    for (int i = 0; i < size;) {
        if (!added.testBit(i)) {
            ++i;
            continue;
        }
        int j = i;
        while (j + 1 < size && added.testBit(j + 1))
            ++j;
        const qreal top = lineMiddle(doc, i);
        const qreal bottom = lineMiddle(doc, j);
        bool inSight = false;
        for (const auto &[from, to] : screens)
            inSight = inSight || (qMin(top, bottom) >= from && qMax(top, bottom) <= to);
        if (!inSight) {
            QStringList shownText;
            for (const auto &[from, to] : screens)
                shownText << QStringLiteral("%1-%2").arg(from).arg(to);
            return QStringLiteral("the selection took positions %1-%2 (lines at y %3-%4) out of sight: the screen showed %5")
                .arg(i).arg(j + 1).arg(top).arg(bottom).arg(shownText.join(QStringLiteral(" and ")));
        }
        i = j + 1;
    }
    return QString();
}

} // namespace ShownSelection

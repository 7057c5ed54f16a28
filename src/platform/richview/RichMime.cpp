#include "platform/richview/RichMime.h"

#include "platform/richtext/FieldRuns.h"
#include "platform/richtext/PositionText.h"

#include <QMimeData>
#include <QTextCursor>
#include <QTextDocumentFragment>

QMimeData *RichMime::fromSelection(const QTextCursor &cursor)
{
    if (!cursor.hasSelection())
        return nullptr;
    const QTextDocumentFragment fragment(cursor);
    auto *data = new QMimeData;
    QString text = fragment.toPlainText();
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    data->setText(text);
    data->setHtml(fragment.toHtml());
    return data;
}

bool RichMime::canInsert(const QMimeData *data)
{
    return data && (data->hasHtml() || data->hasText());
}

bool RichMime::insert(QTextCursor &cursor, const QMimeData *data)
{
    if (!canInsert(data))
        return false;
    cursor.beginEditBlock();
    if (cursor.hasSelection())
        cursor.removeSelectedText();
    if (data->hasHtml()) {
        cursor.insertFragment(QTextDocumentFragment::fromHtml(data->html(), cursor.document()));
    } else {
        // Pasted text takes the look at the caret, but never the field it touches.
        PositionText::insertText(cursor, data->text(), FieldRuns::typingFormat(cursor));
    }
    cursor.endEditBlock();
    return true;
}

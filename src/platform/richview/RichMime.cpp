#include "platform/richview/RichMime.h"

#include "platform/richtext/HtmlImport.h"
#include "platform/richtext/LineBlocks.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/PlainText.h"
#include "platform/richtext/RichTextEdit.h"
#include "platform/richview/RichMimeData.h"

#include <QTextDocumentFragment>

QMimeData *RichMime::fromSelection(const RichTextEdit &edit)
{
    if (edit.selLength() <= 0)
        return nullptr;
    auto *data = new RichMimeData;
    edit.copySelection(data->page());
    // Other programs take a long paragraph held as lines (LineBlocks) as one paragraph too.
    const LineBlocks::Joined joined(data->page().main());
    const QTextDocumentFragment fragment(joined.document());
    data->setText(PlainText::of(data->page().main()));
    data->setHtml(fragment.toHtml());
    return data;
}

bool RichMime::canInsert(const QMimeData *data)
{
    return data && (qobject_cast<const RichMimeData *>(data) || data->hasHtml() || data->hasText());
}

bool RichMime::insert(RichTextEdit &edit, const QMimeData *data)
{
    if (!canInsert(data))
        return false;
    if (const auto *page = qobject_cast<const RichMimeData *>(data)) {
        edit.insertPage(page->page());
        return true;
    }
    edit.beginCommand();
    edit.keepCaretForUndo();
    if (data->hasHtml()) {
        edit.setSelectedText(QString());
        QTextCursor &cursor = edit.cursor();
        HtmlImport::insertHtml(cursor, data->html(), *edit.page());
        edit.setCursor(cursor);
    } else {
        // Pasted text takes the look of the text it replaces, or the look at the caret, but never a field.
        edit.replaceSelectedText(data->text(), false);
    }
    edit.endCommand();
    return true;
}

#include "platform/richview/PageClipboard.h"

#include "platform/richtext/PageCodec.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/RichTextEdit.h"
#include "platform/richview/RichMime.h"
#include "platform/richview/RichMimeData.h"

QMimeData *PageClipboard::fromSelection(const RichTextEdit &edit)
{
    QMimeData *data = RichMime::fromSelection(edit);
    if (auto *page = qobject_cast<RichMimeData *>(data))
        data->setData(mimeType(), PageCodec::save(page->page()));
    return data;
}

bool PageClipboard::canInsert(const QMimeData *data)
{
    return data && (data->hasFormat(mimeType()) || RichMime::canInsert(data));
}

bool PageClipboard::insert(RichTextEdit &edit, const QMimeData *data)
{
    // The page itself when it is ours to read, without a round through the bytes.
    if (!data || qobject_cast<const RichMimeData *>(data) || !data->hasFormat(mimeType()))
        return RichMime::insert(edit, data);
    PageDocument page;
    if (!PageCodec::load(page, data->data(mimeType())))
        return RichMime::insert(edit, data);
    edit.insertPage(page);
    return true;
}

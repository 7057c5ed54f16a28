#include "platform/richview/PageClipboard.h"

#include "platform/richtext/PageCodec.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/RichTextEdit.h"
#include "platform/richview/RichMime.h"
#include "platform/richview/RichMimeData.h"
#include "platform/rtf/RtfReader.h"
#include "platform/rtf/RtfWriter.h"

#include <QMimeData>

namespace {

// Word processors name RTF in either way.
const QString OtherRtfType = QStringLiteral("application/rtf");

QByteArray rtfOf(const QMimeData *data)
{
    if (data->hasFormat(PageClipboard::rtfType()))
        return data->data(PageClipboard::rtfType());
    return data->hasFormat(OtherRtfType) ? data->data(OtherRtfType) : QByteArray();
}

} // namespace

QMimeData *PageClipboard::fromSelection(const RichTextEdit &edit)
{
    QMimeData *data = RichMime::fromSelection(edit);
    if (auto *page = qobject_cast<RichMimeData *>(data)) {
        data->setData(mimeType(), PageCodec::save(page->page()));
        const QByteArray rtf = RtfWriter::pageBytes(page->page());
        if (!rtf.isEmpty()) {
            data->setData(rtfType(), rtf);
            data->setData(OtherRtfType, rtf);
        }
    }
    return data;
}

bool PageClipboard::canInsert(const QMimeData *data)
{
    return data && (data->hasFormat(mimeType()) || !rtfOf(data).isEmpty() || RichMime::canInsert(data));
}

bool PageClipboard::insert(RichTextEdit &edit, const QMimeData *data)
{
    // The page itself when it is ours to read, without a round through the bytes.
    if (!data || qobject_cast<const RichMimeData *>(data))
        return RichMime::insert(edit, data);
    PageDocument page;
    if (data->hasFormat(mimeType()) && PageCodec::load(page, data->data(mimeType()))) {
        edit.insertPage(page);
        return true;
    }
    // RTF from another program; damaged RTF falls back to the HTML or text beside it.
    const QByteArray rtf = rtfOf(data);
    if (!rtf.isEmpty() && RtfReader::read(page, rtf)) {
        edit.insertPage(page);
        return true;
    }
    return RichMime::insert(edit, data);
}

#include "platform/richview/PageClipboard.h"

#include "platform/richtext/PageCodec.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/RichTextEdit.h"
#include "platform/richtext/PictureDoor.h"
#include "platform/richview/RichMime.h"
#include "platform/richview/RichMimeData.h"
#include "platform/rtf/RtfReader.h"
#include "platform/rtf/RtfWriter.h"

#include <QBuffer>
#include <QImage>
#include <QMimeData>


namespace {

// Word processors name RTF in either way.
const QString OtherRtfType = QStringLiteral("application/rtf");

const QString SvgType = QStringLiteral("image/svg+xml");
// A drawing is drawn no larger than this a side.
constexpr int MaxDrawingSide = 4000;

// A picture alone on the clipboard, in the text line; `unread` names it when it is left out.
bool insertPicture(RichTextEdit &edit, const QMimeData *data, QStringList *unread)
{
    QImage held;
    const QByteArray bytes = PictureDoor::clipboardBytes(data, &held);
    PictureDoor::Look look = PictureDoor::look(bytes);
    if (bytes.isEmpty() && !held.isNull()) {
        // An image of this process, made by it: only encoded, to be stored.
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        held.save(&buffer, "PNG");
        look = PictureDoor::look(buffer.data());
    }
    const int side = look.format == "svg" ? MaxDrawingSide : PictureDoor::PictureSide;
    if (edit.insertPicture(look, 100, 0, QString(), nullptr, side) != 0)
        return true;
    if (unread)
        *unread << PageClipboard::pictureName();
    return false;
}

} // namespace

QByteArray PageClipboard::rtfOf(const QMimeData *data)
{
    if (data->hasFormat(rtfType()))
        return data->data(rtfType());
    return data->hasFormat(OtherRtfType) ? data->data(OtherRtfType) : QByteArray();
}

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

bool PageClipboard::hasPicture(const QMimeData *data)
{
    return data && (data->hasImage() || data->hasFormat(SvgType));
}

QString PageClipboard::pictureName()
{
    return QStringLiteral("ｸﾘｯﾌﾟﾎﾞｰﾄﾞの画像");
}

bool PageClipboard::canInsert(const QMimeData *data)
{
    return data && (data->hasFormat(mimeType()) || !rtfOf(data).isEmpty() || RichMime::canInsert(data)
                    || hasPicture(data));
}

bool PageClipboard::insert(RichTextEdit &edit, const QMimeData *data, QStringList *unread)
{
    // The page itself when it is ours to read, without a round through the bytes.
    if (!data || qobject_cast<const RichMimeData *>(data))
        return RichMime::insert(edit, data);
    PageDocument page;
    if (data->hasFormat(mimeType()) && PageCodec::load(page, data->data(mimeType()))) {
        // Another instance's page holds what that instance let in, or what anyone wrote there.
        for (const QString &name : page.usedPictureNames()) {
            if (unread && page.pictureImage(name).isNull())
                *unread << pictureName();
        }
        edit.insertPage(page);
        return true;
    }
    // RTF from another program; damaged RTF falls back to the HTML or text beside it.
    const QByteArray rtf = rtfOf(data);
    if (!rtf.isEmpty() && RtfReader::read(page, rtf, nullptr, unread)) {
        edit.insertPage(page);
        return true;
    }
    if (RichMime::canInsert(data) || !hasPicture(data))
        return RichMime::insert(edit, data);
    // A picture alone (a screenshot, a drawing) goes in as it is, in the text line.
    return insertPicture(edit, data, unread);
}

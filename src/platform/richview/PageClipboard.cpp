#include "platform/richview/PageClipboard.h"

#include "platform/richtext/PageCodec.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/RichTextEdit.h"
#include "platform/richtext/SvgPicture.h"
#include "platform/richview/RichMime.h"
#include "platform/richview/RichMimeData.h"
#include "platform/rtf/RtfReader.h"
#include "platform/rtf/RtfWriter.h"

#include <QBuffer>
#include <QImage>
#include <QMimeData>
#include <QPainter>
#include <QSvgRenderer>

#include <algorithm>

namespace {

// Word processors name RTF in either way.
const QString OtherRtfType = QStringLiteral("application/rtf");

const QString SvgType = QStringLiteral("image/svg+xml");
constexpr int MaxDrawingSide = 4000;

// The clipboard's picture as PNG bytes: a bitmap as it is, a drawing at its own size.
QByteArray pictureOf(const QMimeData *data)
{
    QImage image;
    if (data->hasImage() && !PageClipboard::drawingOnly(data)) {
        image = qvariant_cast<QImage>(data->imageData());
    } else if (data->hasFormat(SvgType)) {
        // Drawn from what names nothing outside it.
        QSvgRenderer svg(SvgPicture::selfContained(data->data(SvgType)));
        QSize size = svg.defaultSize();
        // A drawing that claims a huge size is drawn smaller rather than filling the memory.
        if (size.width() > MaxDrawingSide || size.height() > MaxDrawingSide)
            size.scale(MaxDrawingSide, MaxDrawingSide, Qt::KeepAspectRatio);
        if (svg.isValid() && !size.isEmpty()) {
            image = QImage(size, QImage::Format_RGB32);
            image.fill(Qt::white);
            QPainter painter(&image);
            svg.render(&painter);
        }
    }
    QByteArray bytes;
    if (image.isNull())
        return bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
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

bool PageClipboard::drawingOnly(const QMimeData *data)
{
    if (!data || !data->hasFormat(SvgType))
        return false;
    const QStringList formats = data->formats();
    return std::none_of(formats.begin(), formats.end(), [](const QString &format) {
        return format.startsWith(QLatin1String("image/")) && format != SvgType;
    });
}

bool PageClipboard::canInsert(const QMimeData *data)
{
    return data && (data->hasFormat(mimeType()) || !rtfOf(data).isEmpty() || RichMime::canInsert(data)
                    || hasPicture(data));
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
    if (RichMime::canInsert(data) || !hasPicture(data))
        return RichMime::insert(edit, data);
    // A picture alone (a screenshot, a drawing) goes in as it is, in the text line.
    const QByteArray png = pictureOf(data);
    return !png.isEmpty() && edit.insertPicture(png, "png") != 0;
}

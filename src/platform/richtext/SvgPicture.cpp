#include "platform/richtext/SvgPicture.h"

#include <QBuffer>
#include <QImageReader>
#include <QRegularExpression>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <algorithm>

#include <zlib.h>

namespace {

bool packed(const QByteArray &bytes)
{
    return bytes.startsWith("\x1f\x8b");
}

// The drawing gzip packs, within MaxBytes; empty when damaged or larger.
QByteArray unpacked(const QByteArray &bytes)
{
    z_stream stream{};
    // 32: a gzip or zlib header, told from the bytes.
    if (inflateInit2(&stream, 15 + 32) != Z_OK)
        return {};
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(bytes.constData()));
    stream.avail_in = uInt(bytes.size());
    QByteArray out;
    char chunk[64 * 1024];
    int result = Z_OK;
    while (result == Z_OK) {
        stream.next_out = reinterpret_cast<Bytef *>(chunk);
        stream.avail_out = sizeof chunk;
        result = inflate(&stream, Z_NO_FLUSH);
        if (result != Z_OK && result != Z_STREAM_END)
            break;
        out.append(chunk, qsizetype(sizeof chunk - stream.avail_out));
        if (out.size() > SvgPicture::MaxBytes || (result == Z_OK && stream.avail_in == 0 && stream.avail_out != 0))
            break;
    }
    inflateEnd(&stream);
    return result == Z_STREAM_END && out.size() <= SvgPicture::MaxBytes ? out : QByteArray();
}

// Style text without what names something outside the drawing: url(...) other than "#id" or a data
// URL becomes "none", an @import goes.
QString withoutOutsideUrls(const QString &style)
{
    if (!style.contains(QLatin1String("url"), Qt::CaseInsensitive) && !style.contains(QLatin1Char('@')))
        return style;
    static const QRegularExpression url(QStringLiteral("url\\s*\\(\\s*(?![\"']?\\s*(?:#|data:))[^)]*\\)?"),
                                        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression import(QStringLiteral("@import\\b[^;]*;?"), QRegularExpression::CaseInsensitiveOption);
    return QString(style).replace(url, QStringLiteral("none")).replace(import, QString());
}

// A reference that stays within the drawing: "#id" (not for a picture, which Qt reads from a file of
// that name), or a data URL.
bool kept(QStringView element, QStringView reference)
{
    const QStringView value = reference.trimmed();
    if (value.startsWith(QLatin1String("data:"), Qt::CaseInsensitive))
        return true;
    return value.startsWith(QLatin1Char('#')) && element.compare(QLatin1String("image"), Qt::CaseInsensitive) != 0;
}

QStringView localName(QStringView qualified)
{
    const qsizetype colon = qualified.lastIndexOf(QLatin1Char(':'));
    return colon < 0 ? qualified : qualified.mid(colon + 1);
}

} // namespace

bool SvgPicture::isSvg(const QByteArray &bytes, const QByteArray &format)
{
    if (format.toLower().startsWith("svg") || packed(bytes))
        return true;
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    // Only the readers' look at the first bytes: nothing is decoded.
    return QImageReader::imageFormat(&buffer).startsWith("svg");
}

QByteArray SvgPicture::selfContained(const QByteArray &bytes, QByteArray *format)
{
    if (!isSvg(bytes, format ? *format : QByteArray()))
        return bytes;
    if (format)
        *format = "svg";
    const QByteArray source = packed(bytes) ? unpacked(bytes) : bytes;
    if (source.isEmpty())
        return {};
    // As Qt reads a drawing: prefixes need not be declared.
    QXmlStreamReader in(source);
    in.setNamespaceProcessing(false);
    QByteArray drawing;
    QXmlStreamWriter out(&drawing);
    out.writeStartDocument();
    int depth = 0;
    bool elements = false;
    bool styleText = false;
    while (!in.atEnd()) {
        switch (in.readNext()) {
        case QXmlStreamReader::StartElement: {
            const QStringView element = localName(in.qualifiedName());
            // A picture or a use that names nothing of its own is nothing to draw.
            if (element.compare(QLatin1String("image"), Qt::CaseInsensitive) == 0
                || element.compare(QLatin1String("use"), Qt::CaseInsensitive) == 0) {
                const QXmlStreamAttributes attributes = in.attributes();
                const bool own = std::any_of(attributes.begin(), attributes.end(), [&](const QXmlStreamAttribute &a) {
                    return localName(a.qualifiedName()).compare(QLatin1String("href"), Qt::CaseInsensitive) == 0
                           && kept(element, a.value());
                });
                if (!own) {
                    in.skipCurrentElement();
                    break;
                }
            }
            out.writeStartElement(in.qualifiedName().toString());
            for (const QXmlStreamAttribute &attribute : in.attributes()) {
                const QStringView name = localName(attribute.qualifiedName());
                if (name.compare(QLatin1String("href"), Qt::CaseInsensitive) == 0 && !kept(element, attribute.value()))
                    continue;
                // xml:base would move where the references point; they point nowhere outside anyway.
                if (name.compare(QLatin1String("base"), Qt::CaseInsensitive) == 0)
                    continue;
                out.writeAttribute(attribute.qualifiedName().toString(), withoutOutsideUrls(attribute.value().toString()));
            }
            styleText = element.compare(QLatin1String("style"), Qt::CaseInsensitive) == 0;
            elements = true;
            ++depth;
            break;
        }
        case QXmlStreamReader::EndElement:
            out.writeEndElement();
            styleText = false;
            --depth;
            break;
        case QXmlStreamReader::Characters:
            if (styleText)
                out.writeCharacters(withoutOutsideUrls(in.text().toString()));
            else if (in.isCDATA())
                out.writeCDATA(in.text().toString());
            else
                out.writeCharacters(in.text().toString());
            break;
        default:
            // The document type (with its entities), processing instructions (style sheets from
            // files), entities it does not declare, comments: left out.
            break;
        }
        if (drawing.size() > MaxBytes)
            return {};
    }
    // A damaged drawing keeps what was read before the damage, as Qt would show it.
    while (depth-- > 0)
        out.writeEndElement();
    out.writeEndDocument();
    return elements ? drawing : QByteArray();
}

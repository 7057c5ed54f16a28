#include "platform/richtext/SvgPicture.h"

#include <QRegularExpression>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <vector>

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

QStringView localName(QStringView qualified)
{
    const qsizetype colon = qualified.lastIndexOf(QLatin1Char(':'));
    return colon < 0 ? qualified : qualified.mid(colon + 1);
}

bool named(QStringView name, const char *what)
{
    return name.compare(QLatin1String(what), Qt::CaseInsensitive) == 0;
}

// Data as Qt takes it: a value that begins with a lower-case "data", as written (anything else names
// a file to Qt's picture reader).
bool isData(QStringView value)
{
    return value.startsWith(QLatin1String("data"));
}

// A reference of an element other than a picture that stays within the drawing: "#id", or data.
bool kept(QStringView reference)
{
    return reference.trimmed().startsWith(QLatin1Char('#')) || isData(reference);
}

} // namespace

SvgPicture::Drawing SvgPicture::selfContained(const QByteArray &bytes, const Inner &inner)
{
    const QByteArray source = packed(bytes) ? unpacked(bytes) : bytes;
    if (source.isEmpty())
        return {};
    // As Qt reads a drawing: prefixes need not be declared.
    QXmlStreamReader in(source);
    in.setNamespaceProcessing(false);
    Drawing result;
    QXmlStreamWriter out(&result.bytes);
    QXmlStreamWriter frameOut(&result.frame);
    std::vector<bool> pictures; // of each open element, whether it is a picture
    int inPicture = 0;          // pictures open around what is read
    out.writeStartDocument();
    frameOut.writeStartDocument();
    // Written to the drawing, and to its frame outside pictures.
    const auto write = [&](const auto &what) {
        what(out);
        if (inPicture == 0)
            what(frameOut);
    };
    bool elements = false;
    bool styleText = false;
    while (!in.atEnd()) {
        switch (in.readNext()) {
        case QXmlStreamReader::StartElement: {
            const QStringView element = localName(in.qualifiedName());
            const bool picture = named(element, "image");
            const QXmlStreamAttributes attributes = in.attributes();
            // Each reference of a picture as it is to be written (empty: left out), looked at once.
            std::vector<QString> references(size_t(attributes.size()));
            bool own = !picture && !named(element, "use");
            for (qsizetype i = 0; i < attributes.size(); ++i) {
                const QXmlStreamAttribute &a = attributes.at(i);
                if (!named(localName(a.qualifiedName()), "href"))
                    continue;
                const QStringView value = a.value();
                if (!picture) {
                    if (kept(value)) {
                        references[size_t(i)] = value.toString();
                        own = true;
                    }
                    continue;
                }
                // Qt decodes what follows the last "base64," of a data URL; other data it draws nothing of.
                const qsizetype at = value.lastIndexOf(QLatin1String("base64,"));
                if (!isData(value) || at < 0)
                    continue;
                references[size_t(i)] = inner(QByteArray::fromBase64(value.mid(at + 7).toLatin1()));
                own = own || !references[size_t(i)].isEmpty();
            }
            // A picture or a use that names nothing of its own is nothing to draw.
            if (!own) {
                in.skipCurrentElement();
                break;
            }
            if (picture)
                ++inPicture;
            pictures.push_back(picture);
            write([&](QXmlStreamWriter &w) { w.writeStartElement(in.qualifiedName().toString()); });
            for (qsizetype i = 0; i < attributes.size(); ++i) {
                const QXmlStreamAttribute &a = attributes.at(i);
                const QStringView name = localName(a.qualifiedName());
                // xml:base would move where the references point; they point nowhere outside anyway.
                if (named(name, "base"))
                    continue;
                const bool reference = named(name, "href");
                if (reference && references[size_t(i)].isEmpty())
                    continue;
                const QString value = reference ? references[size_t(i)] : withoutOutsideUrls(a.value().toString());
                write([&](QXmlStreamWriter &w) { w.writeAttribute(a.qualifiedName().toString(), value); });
            }
            styleText = named(element, "style");
            elements = true;
            break;
        }
        case QXmlStreamReader::EndElement:
            write([](QXmlStreamWriter &w) { w.writeEndElement(); });
            if (!pictures.empty()) {
                inPicture -= pictures.back() ? 1 : 0;
                pictures.pop_back();
            }
            styleText = false;
            break;
        case QXmlStreamReader::Characters: {
            const QString text = styleText ? withoutOutsideUrls(in.text().toString()) : in.text().toString();
            const bool cdata = in.isCDATA() && !styleText;
            write([&](QXmlStreamWriter &w) {
                if (cdata)
                    w.writeCDATA(text);
                else
                    w.writeCharacters(text);
            });
            break;
        }
        default:
            // The document type (with its entities), processing instructions (style sheets from
            // files), entities it does not declare, comments: left out.
            break;
        }
        if (result.bytes.size() > MaxBytes)
            return {};
    }
    // A damaged drawing keeps what was read before the damage, as Qt would show it.
    while (!pictures.empty()) {
        write([](QXmlStreamWriter &w) { w.writeEndElement(); });
        inPicture -= pictures.back() ? 1 : 0;
        pictures.pop_back();
    }
    out.writeEndDocument();
    frameOut.writeEndDocument();
    return elements ? result : Drawing();
}

#include "platform/richtext/SvgPicture.h"

#include <QRegularExpression>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <cmath>
#include <vector>

#include <zlib.h>

namespace {

bool packed(const QByteArray &bytes)
{
    return bytes.startsWith("\x1f\x8b");
}

// The drawing gzip packs, unpacked a piece at a time, never past MaxBytes.
class Unpacker
{
public:
    explicit Unpacker(const QByteArray &bytes)
    {
        // 32: a gzip or zlib header, told from the bytes.
        m_begun = m_ok = inflateInit2(&m_stream, 15 + 32) == Z_OK;
        m_stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(bytes.constData()));
        m_stream.avail_in = uInt(bytes.size());
    }
    ~Unpacker()
    {
        if (m_begun)
            inflateEnd(&m_stream);
    }
    Unpacker(const Unpacker &) = delete;
    Unpacker &operator=(const Unpacker &) = delete;

    // The next piece; empty at the end of the stream, where it is damaged or cut short, and past
    // MaxBytes (`over` then).
    QByteArray next()
    {
        QByteArray piece;
        while (m_ok && !m_ended && piece.isEmpty()) {
            piece.resize(256 * 1024);
            m_stream.next_out = reinterpret_cast<Bytef *>(piece.data());
            m_stream.avail_out = uInt(piece.size());
            const int result = inflate(&m_stream, Z_NO_FLUSH);
            piece.resize(piece.size() - qsizetype(m_stream.avail_out));
            m_ended = result == Z_STREAM_END;
            if ((result != Z_OK && !m_ended) || (piece.isEmpty() && !m_ended && m_stream.avail_in == 0)) {
                m_ok = false;
                piece.clear();
            }
        }
        m_unpacked += piece.size();
        if (m_unpacked > SvgPicture::MaxBytes) {
            m_over = true;
            m_ended = false;
            m_ok = false;
        }
        return piece;
    }
    // The whole stream unpacked, sound.
    bool ended() const { return m_ended && !m_over; }
    bool over() const { return m_over; }

private:
    z_stream m_stream{};
    bool m_begun = false;
    bool m_ok = false;
    bool m_ended = false;
    bool m_over = false;
    qint64 m_unpacked = 0;
};

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

// A side no drawing is taken at beyond (the door scales drawings down to its own side anyway): large
// enough for any, small enough that products of sides never overflow.
constexpr double LargestSide = 1 << 24;

// The size of a drawing that tells none.
const QSize Unsized(300, 150);

// A length of the outermost element as Qt's reader takes it, in pixels: its units converted (points
// are not, for width and height, as Qt does), `percent` set for a percentage; 0 for none, or for one
// that is no finite positive number.
double lengthOf(QStringView text, bool points, bool *percent = nullptr)
{
    static const QRegularExpression length(QStringLiteral("^\\s*([+-]?(?:\\d+\\.?\\d*|\\.\\d+)(?:[eE][+-]?\\d+)?)\\s*(%|px|pc|pt|mm|cm|in)?"));
    const QRegularExpressionMatch match = length.match(text);
    if (!match.hasMatch())
        return 0;
    double value = match.capturedView(1).toDouble();
    const QStringView unit = match.capturedView(2);
    if (percent)
        *percent = unit == QLatin1String("%");
    if (unit == QLatin1String("pt"))
        value *= points ? 1.25 : 1;
    else if (unit == QLatin1String("mm"))
        value *= 3.543307;
    else if (unit == QLatin1String("cm"))
        value *= 35.43307;
    else if (unit == QLatin1String("in"))
        value *= 90;
    return std::isfinite(value) && value > 0 ? qMin(value, LargestSide) : 0;
}

// A drawing's size by its outermost element, as Qt's reader gives it: width and height where both
// are given (a percentage of the view box's), else the view box's. Where neither tells one (Qt would
// measure what the drawing draws, from the whole tree), a browser's size for a picture of no size of
// its own; empty for no drawing.
QSize sizeOf(QStringView element, const QXmlStreamAttributes &attributes)
{
    if (!named(element, "svg"))
        return {};
    QSizeF box;
    static const QRegularExpression apart(QStringLiteral("[\\s,]+"));
    const QList<QStringView> numbers = attributes.value(QLatin1String("viewBox")).split(apart, Qt::SkipEmptyParts);
    if (numbers.size() == 4)
        box = QSizeF(lengthOf(numbers.at(2), true), lengthOf(numbers.at(3), true));
    bool widthPercent = false;
    bool heightPercent = false;
    double width = lengthOf(attributes.value(QLatin1String("width")), false, &widthPercent);
    double height = lengthOf(attributes.value(QLatin1String("height")), false, &heightPercent);
    if (width > 0 && height > 0) {
        if ((widthPercent || heightPercent) && box.isEmpty())
            return Unsized;
        width = widthPercent ? width * box.width() / 100 : width;
        height = heightPercent ? height * box.height() / 100 : height;
        return QSize(int(qMin(width, LargestSide)), int(qMin(height, LargestSide)));
    }
    return box.isEmpty() ? Unsized : box.toSize();
}

} // namespace

SvgPicture::Drawing SvgPicture::selfContained(const QByteArray &bytes, const Inner &inner, Budget &budget)
{
    Drawing result;
    // Left out whole; its size stays, to be told.
    const auto overBudget = [&result] {
        Drawing left;
        left.size = result.size;
        left.overBudget = true;
        return left;
    };
    // Every byte read is counted against the budget (which the drawings within spend from too).
    bool over = false;
    const auto spend = [&budget, &over](qsizetype size) {
        over = over || size > qMin(qint64(MaxBytes), budget.bytes);
        budget.bytes = qMax<qint64>(0, budget.bytes - size);
        return !over;
    };
    QByteArray source;
    if (packed(bytes)) {
        // Unpacked whole before it is read (Qt's reader takes a long comment fed in pieces in time
        // that grows with its square), never past the budget.
        Unpacker unpacker(bytes);
        for (QByteArray piece = unpacker.next(); !piece.isEmpty() && spend(piece.size()); piece = unpacker.next())
            source += piece;
        if (over || unpacker.over())
            return overBudget();
        if (!unpacker.ended())
            return {};
    } else if (spend(bytes.size())) {
        source = bytes;
    } else {
        return overBudget();
    }
    // As Qt reads a drawing: prefixes need not be declared.
    QXmlStreamReader in(source);
    in.setNamespaceProcessing(false);
    QXmlStreamWriter out(&result.bytes);
    qint64 open = 0;     // elements written and not yet ended
    qint64 skipping = 0; // elements open in one left out
    out.writeStartDocument();
    bool styleText = false;
    while (!in.atEnd()) {
        const QXmlStreamReader::TokenType token = in.readNext();
        if (skipping > 0) {
            skipping += token == QXmlStreamReader::StartElement ? 1 : token == QXmlStreamReader::EndElement ? -1 : 0;
            continue;
        }
        switch (token) {
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
                skipping = 1;
                break;
            }
            // Counted as kept, against the budget the drawings within have spent from too.
            if (--budget.elements < 0)
                return overBudget();
            if (result.elements++ == 0)
                result.size = sizeOf(element, attributes);
            ++open;
            out.writeStartElement(in.qualifiedName().toString());
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
                out.writeAttribute(a.qualifiedName().toString(), value);
            }
            styleText = named(element, "style");
            break;
        }
        case QXmlStreamReader::EndElement:
            out.writeEndElement();
            open -= open > 0 ? 1 : 0;
            styleText = false;
            break;
        case QXmlStreamReader::Characters: {
            const QString text = styleText ? withoutOutsideUrls(in.text().toString()) : in.text().toString();
            const bool cdata = in.isCDATA() && !styleText;
            if (cdata)
                out.writeCDATA(text);
            else
                out.writeCharacters(text);
            break;
        }
        default:
            // The document type (with its entities), processing instructions (style sheets from
            // files), entities it does not declare, comments: left out.
            break;
        }
        if (result.bytes.size() > MaxBytes)
            return overBudget();
    }
    // A damaged drawing keeps what was read before the damage, as Qt would show it.
    for (; open > 0; --open)
        out.writeEndElement();
    out.writeEndDocument();
    return result.elements > 0 ? result : Drawing();
}

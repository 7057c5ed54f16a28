#include "platform/richtext/PictureHeaders.h"

#include <algorithm>
#include <cctype>

namespace {

uchar at(const QByteArray &bytes, qsizetype i)
{
    return i >= 0 && i < bytes.size() ? uchar(bytes.at(i)) : 0;
}

qint64 little16(const QByteArray &bytes, qsizetype i)
{
    return at(bytes, i) | (qint64(at(bytes, i + 1)) << 8);
}

qint64 little32(const QByteArray &bytes, qsizetype i)
{
    return little16(bytes, i) | (little16(bytes, i + 2) << 16);
}

qint64 big32(const QByteArray &bytes, qsizetype i)
{
    return (qint64(at(bytes, i)) << 24) | (qint64(at(bytes, i + 1)) << 16) | (qint64(at(bytes, i + 2)) << 8) | at(bytes, i + 3);
}

const QByteArray PngSignature("\x89PNG\r\n\x1a\n", 8);

// A side no header is believed beyond: over every bound (the picture is refused), and small enough
// that the products of sides and depths never overflow.
constexpr qint64 LargestSide = qint64(1) << 20;

// A PNG file's pixels as Qt's reader decodes them, from the file's header (IHDR) at `start`: grey and
// palette pictures of one bit black and white, other grey and palette ones in a byte, sixteen bits a
// channel into 64 bits a pixel (grey ones too), the rest into 32.
qint64 pngBits(const QByteArray &bytes, qsizetype start)
{
    if (bytes.size() < start + 26)
        return 64;
    const int depth = at(bytes, start + 24);
    switch (at(bytes, start + 25)) {
    case 0: // grey
    case 3: // palette
        return depth == 1 ? 1 : depth == 16 ? 64 : 8;
    default:
        return depth == 16 ? 64 : 32;
    }
}

// A PBM/PGM/PPM file's largest value (1 for black and white, 65535 where the header is damaged).
qint64 netpbmLargest(const QByteArray &bytes)
{
    if (bytes.size() < 2 || bytes.at(0) != 'P')
        return 65535;
    const char kind = bytes.at(1);
    if (kind == '1' || kind == '4')
        return 1;
    // The width, the height and the largest value follow, apart by blanks and comments.
    qint64 numbers[3] = {};
    int found = 0;
    for (qsizetype i = 2; i < bytes.size() && i < 4096 && found < 3;) {
        const char c = bytes.at(i);
        if (c == '#') {
            while (i < bytes.size() && bytes.at(i) != '\n' && bytes.at(i) != '\r')
                ++i;
        } else if (std::isdigit(uchar(c))) {
            qint64 value = 0;
            while (i < bytes.size() && std::isdigit(uchar(bytes.at(i))) && value < 1000000000)
                value = value * 10 + (bytes.at(i++) - '0');
            numbers[found++] = value;
        } else {
            ++i;
        }
    }
    return found == 3 ? numbers[2] : 65535;
}

} // namespace

namespace PictureHeaders {

qint64 bitsPerPixel(const QByteArray &bytes, const QByteArray &format)
{
    if (format == "png")
        return pngBits(bytes, 0);
    if (format == "pbm" || format == "pgm" || format == "ppm") {
        const qint64 largest = netpbmLargest(bytes);
        return largest == 1 ? 1 : largest > 255 ? 64 : 32;
    }
    if (format == "xbm")
        return 1;
    return 32;
}

Jpeg jpeg(const QByteArray &bytes)
{
    Jpeg look;
    bool sequential = false;
    bool frame = false;
    for (qsizetype i = 2; i + 4 <= bytes.size();) {
        if (at(bytes, i) != 0xFF)
            return look;
        const uchar marker = at(bytes, i + 1);
        if (marker == 0xFF) { // fill byte
            ++i;
            continue;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {
            i += 2;
            continue;
        }
        const qsizetype length = (qsizetype(at(bytes, i + 2)) << 8) | at(bytes, i + 3);
        if (length < 2 || i + 2 + length > bytes.size())
            return look;
        // Start of frame: every SOFn but DHT, JPG and DAC.
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
            if (length < 8)
                return look;
            look.components = qMax<qint64>(1, at(bytes, i + 9));
            sequential = marker == 0xC0 || marker == 0xC1 || marker == 0xC9;
            frame = true;
        } else if (marker == 0xDA) { // start of scan: one of all the components, or of some
            if (frame && sequential && length >= 3)
                look.whole = at(bytes, i + 4) < look.components;
            return look;
        }
        i += 2 + length;
    }
    return look;
}

Gif gif(const QByteArray &bytes)
{
    Gif look;
    if (bytes.size() < 13)
        return look;
    qint64 width = little16(bytes, 6);
    qint64 height = little16(bytes, 8);
    const uchar packed = at(bytes, 10);
    qsizetype i = 13 + ((packed & 0x80) ? 3 * (qsizetype(2) << (packed & 7)) : 0);
    const auto skipBlocks = [&bytes, &i] {
        while (i < bytes.size()) {
            const int length = at(bytes, i++);
            if (length == 0)
                return;
            i += length;
        }
    };
    bool first = true;
    int disposal = 0;
    while (i < bytes.size()) {
        const uchar introducer = at(bytes, i++);
        if (introducer == 0x21) {
            const uchar label = at(bytes, i++);
            if (label == 0xF9 && at(bytes, i) >= 4)
                disposal = (at(bytes, i + 1) >> 2) & 7;
            skipBlocks();
        } else if (introducer == 0x2C) {
            if (i + 9 > bytes.size())
                break;
            const qint64 left = little16(bytes, i);
            const qint64 top = little16(bytes, i + 2);
            const qint64 frameWidth = little16(bytes, i + 4);
            const qint64 frameHeight = little16(bytes, i + 6);
            const uchar local = at(bytes, i + 8);
            if (first) {
                // As Qt's reader believes the screen: a huge one only with a huge frame.
                if (width / 10 > qMax<qint64>(frameWidth, 16384))
                    width = -1;
                if (height / 10 > qMax<qint64>(frameHeight, 16384))
                    height = -1;
                if (width <= 0)
                    width = left + frameWidth;
                if (height <= 0)
                    height = top + frameHeight;
                look.screen = QSize(int(width), int(height));
                first = false;
            }
            if (disposal == 3 && width > 0 && height > 0) {
                const qint64 l = qMin(width - 1, left);
                const qint64 r = qMin(width - 1, qMax<qint64>(0, qMin(left + frameWidth, width) - 1));
                const qint64 t = qMin(height - 1, top);
                const qint64 b = qMin(height - 1, qMax<qint64>(0, qMin(top + frameHeight, height) - 1));
                const QSize kept(int(qMax<qint64>(0, r - l + 1)), int(qMax<qint64>(0, b - t + 1)));
                look.kept = look.kept.expandedTo(kept);
            }
            disposal = 0;
            i += 9 + ((local & 0x80) ? 3 * (qsizetype(2) << (local & 7)) : 0);
            ++i; // the code size
            skipBlocks();
        } else {
            break;
        }
    }
    if (first)
        look.screen = QSize(int(width), int(height));
    return look;
}

QSize iconLargest(const QByteArray &bytes, qint64 *bits)
{
    *bits = 32;
    QSize largest;
    if (bytes.size() < 6 || little16(bytes, 0) != 0)
        return largest;
    const qint64 count = little16(bytes, 4);
    const auto area = [](QSize s) { return qint64(s.width()) * s.height(); };
    for (qint64 n = 0; n < count && 6 + 16 * (n + 1) <= bytes.size(); ++n) {
        const qsizetype entry = qsizetype(6 + 16 * n);
        QSize size(at(bytes, entry) ? at(bytes, entry) : 256, at(bytes, entry + 1) ? at(bytes, entry + 1) : 256);
        qint64 entryBits = 32;
        const qint64 offset = little32(bytes, entry + 12);
        if (offset >= 0 && offset + 26 <= bytes.size() && bytes.mid(offset, 8) == PngSignature) {
            size = size.expandedTo(QSize(int(qMin(big32(bytes, offset + 16), LargestSide)), int(qMin(big32(bytes, offset + 20), LargestSide))));
            entryBits = qMax(entryBits, pngBits(bytes, offset));
        } else if (offset >= 0 && offset + 12 <= bytes.size()) {
            // A bitmap's own header: its height counts the mask's rows too.
            const qint64 width = qAbs(qint64(qint32(quint32(little32(bytes, offset + 4)))));
            const qint64 height = qAbs(qint64(qint32(quint32(little32(bytes, offset + 8))))) / 2;
            size = size.expandedTo(QSize(int(qMin(width, LargestSide)), int(qMin(height, LargestSide))));
        }
        if (area(size) > area(largest))
            largest = size;
        *bits = qMax(*bits, entryBits);
    }
    return largest;
}

} // namespace PictureHeaders

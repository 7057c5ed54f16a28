#include "platform/richtext/PictureDoor.h"

#include "platform/richtext/PageDocument.h"
#include "platform/richtext/PictureHeaders.h"
#include "platform/richtext/SvgPicture.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QMimeData>

#include <cmath>
#include <mutex>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <zlib.h>

namespace {

// Drawings within drawings are cleaned this deep, and this many pictures within one drawing (at every
// depth, each time it is named); past that they are left out of it.
constexpr int DrawingDepth = 4;
constexpr int PicturesWithin = 1000;
// Pictures named in a note at the most, and the characters of each name shown.
constexpr int NotedPictures = 20;
constexpr int NotedLength = 100;

qint64 area(QSize size)
{
    return size.isValid() ? qint64(size.width()) * size.height() : 0;
}

// The formats the door lets in: those whose decoding it knows how to reckon.
const QByteArrayList &formats()
{
    static const QByteArrayList known = {"png", "jpeg", "gif", "bmp", "ico", "cur", "pbm", "pgm", "ppm", "xbm", "xpm", "svg", "svgz"};
    return known;
}

// The format Qt would decode the bytes as, by their content alone (only the readers' look at the first
// bytes: nothing is decoded); empty for one the door does not let in.
QByteArray formatOf(const QByteArray &bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    const QByteArray format = QImageReader::imageFormat(&buffer).toLower();
    return formats().contains(format) ? format : QByteArray();
}

// Decoded at `scaled`: a drawing drawn and a JPEG file decoded straight at that size, other pictures
// decoded whole and then scaled (their readers' own scaling takes twice as long).
QImage read(const PictureDoor::Look &look, QSize scaled = QSize())
{
    QBuffer buffer;
    buffer.setData(look.bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, look.format);
    // Bytes the format's reader refuses are not tried by their content.
    reader.setAutoDetectImageFormat(false);
    const bool scaling = scaled.isValid() && scaled != look.size;
    const bool straight = look.format == "svg" || look.format == "jpeg";
    // A drawing is drawn at the size the door reckoned with, whatever Qt's reader would take.
    if (look.format == "svg")
        reader.setScaledSize(scaling ? scaled : look.size);
    else if (scaling && straight)
        reader.setScaledSize(look.turned ? scaled.transposed() : scaled);
    const QImage image = reader.read();
    return scaling && !straight && !image.isNull() ? image.scaled(scaled, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                                                   : image;
}

// The image as a PNG file packed for speed (rows unfiltered, zlib's fastest level): a picture made
// smaller to be stored is encoded while the user waits, and libpng's own choice of filters takes three
// times as long.
QByteArray quickPng(const QImage &image)
{
    const bool alpha = image.hasAlphaChannel();
    const QImage rows = image.convertToFormat(alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
    const auto be32 = [](quint32 n) {
        return QByteArray(1, char(n >> 24)) + char((n >> 16) & 0xFF) + char((n >> 8) & 0xFF) + char(n & 0xFF);
    };
    const auto chunk = [&be32](const QByteArray &type, const QByteArray &data) {
        const QByteArray both = type + data;
        return be32(quint32(data.size())) + both
               + be32(quint32(crc32(0, reinterpret_cast<const Bytef *>(both.constData()), uInt(both.size()))));
    };
    z_stream stream{};
    if (deflateInit(&stream, 1) != Z_OK)
        return {};
    QByteArray data;
    QByteArray out(1 << 20, Qt::Uninitialized);
    const auto pack = [&](const uchar *bytes, qsizetype size, int flush) {
        stream.next_in = const_cast<Bytef *>(bytes);
        stream.avail_in = uInt(size);
        do {
            stream.next_out = reinterpret_cast<Bytef *>(out.data());
            stream.avail_out = uInt(out.size());
            deflate(&stream, flush);
            data.append(out.constData(), out.size() - qsizetype(stream.avail_out));
        } while (stream.avail_out == 0);
    };
    const uchar none = 0;
    const qsizetype rowBytes = qsizetype(rows.width()) * (alpha ? 4 : 3);
    for (int y = 0; y < rows.height(); ++y) {
        pack(&none, 1, Z_NO_FLUSH);
        pack(rows.constScanLine(y), rowBytes, Z_NO_FLUSH);
    }
    pack(nullptr, 0, Z_FINISH);
    deflateEnd(&stream);
    const QByteArray header = be32(quint32(rows.width())) + be32(quint32(rows.height())) + char(8) + char(alpha ? 6 : 2)
                              + QByteArray(3, 0);
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", header) + chunk("IDAT", data) + chunk("IEND", QByteArray());
}

// The images of the pictures decoded last, by their bytes: a page read is handed over, stored and
// shown through the page stream, and decoding each picture again on the way costs as much as reading
// it. An image no page holds any more stays only until the next one comes, and all of them within a
// read's budget.
class Recent
{
public:
    static Recent &instance()
    {
        static Recent recent;
        return recent;
    }
    QImage find(const QByteArray &bytes)
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        for (const Entry &entry : m_entries) {
            if (entry.bytes == bytes)
                return entry.image;
        }
        return QImage();
    }
    void add(const QByteArray &bytes, const QImage &image)
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        // Images only this keeps go first, then the oldest.
        std::erase_if(m_entries, [](const Entry &entry) { return entry.image.isDetached(); });
        m_entries.push_back({bytes, image});
        qint64 total = 0;
        for (const Entry &entry : m_entries)
            total += entry.image.sizeInBytes();
        while (total > PictureDoor::ReadBudget && !m_entries.empty()) {
            total -= m_entries.front().image.sizeInBytes();
            m_entries.erase(m_entries.begin());
        }
    }

private:
    struct Entry {
        QByteArray bytes;
        QImage image;
    };
    std::mutex m_mutex;
    std::vector<Entry> m_entries;
};

// What decoding a picture at `scaled` makes and takes, in bytes: `decoded` the images made (the
// picture's, those of the pictures within a drawing, the one it is stored as), `decoding` those and what
// the decoders hold beside them. `remade`: the picture is stored as a new image, in eight bits a channel.
struct Cost {
    qint64 decoded = 0;
    qint64 decoding = 0;
};

// Costs saturate at this, far beyond every bound and far from overflowing when a few are added: a
// header may claim any number.
constexpr qint64 Saturated = qint64(1) << 60;

qint64 times(qint64 a, qint64 b)
{
    Q_ASSERT(a >= 0 && b >= 0);
    a = qMax<qint64>(0, a);
    b = qMax<qint64>(0, b);
    return a == 0 || b == 0 ? 0 : a > Saturated / b ? Saturated : qMin(a * b, Saturated);
}

qint64 plus(qint64 a, qint64 b)
{
    Q_ASSERT(a >= 0 && b >= 0);
    return qMin(qMax<qint64>(0, a) + qMax<qint64>(0, b), Saturated);
}

// What Qt's SVG reader holds of a drawing beside the image it draws: an element of its tree (about half
// a kilobyte, more for a path) for each element, and the drawing's bytes.
constexpr qint64 ElementBytes = 512;

Cost costOf(const PictureDoor::Look &look, QSize scaled, bool remade)
{
    Cost cost;
    const qint64 width = look.size.width();
    const qint64 height = look.size.height();
    const qint64 natural = area(look.size);
    const qint64 shown = area(scaled);
    const bool scaling = scaled != look.size;
    const QByteArray &format = look.format;
    if (format == "svg") {
        // Drawn straight into the image from the tree of its elements; Qt decodes the pictures within
        // it whole as it reads it.
        const qint64 tree = plus(times(look.elements, ElementBytes), look.bytes.size());
        cost.decoded = plus(plus(times(shown, 4), look.within), tree);
        cost.decoding = plus(cost.decoded, look.withinExtra);
    } else if (format == "jpeg") {
        // Decoded straight to a half, a quarter or an eighth of its size, then to the size asked.
        const PictureHeaders::Jpeg jpeg = PictureHeaders::jpeg(look.bytes);
        qint64 part = 1;
        while (scaling && part < 8 && width / (part * 2) >= scaled.width() && height / (part * 2) >= scaled.height())
            part *= 2;
        cost.decoded = plus(times(times((width + part - 1) / part, (height + part - 1) / part), 4), scaling ? times(shown, 4) : 0);
        // Two bytes a coefficient, in blocks of 8 x 8 (16 x 16 where colours are subsampled).
        const qint64 coefficients = jpeg.whole ? times(times(times((width + 15) / 16 * 16, (height + 15) / 16 * 16), 2), jpeg.components) : 0;
        cost.decoding = plus(cost.decoded, coefficients);
    } else if (format == "gif") {
        // Into an image of its screen, with a copy of a frame it restores after.
        const PictureHeaders::Gif gif = PictureHeaders::gif(look.bytes);
        cost.decoded = plus(times(qMax(natural, area(gif.screen)), 4), scaling ? times(shown, 4) : 0);
        cost.decoding = plus(cost.decoded, times(area(gif.kept), 4));
    } else {
        qint64 bits = 32;
        qint64 pixels = natural;
        if (format == "ico" || format == "cur")
            pixels = qMax(natural, area(PictureHeaders::iconLargest(look.bytes, &bits)));
        else
            bits = PictureHeaders::bitsPerPixel(look.bytes, format);
        const qint64 image = plus(times(pixels, bits), 7) / 8;
        // Scaled in 32 bits a pixel (64 for sixteen bits a channel), stored in 32.
        const bool wide = bits > 32;
        cost.decoded = plus(plus(image, scaling ? times(shown, wide ? 8 : 4) : 0), remade && wide ? times(shown, 4) : 0);
        cost.decoding = plus(cost.decoded, scaling && bits < 32 ? times(pixels, 4) : 0);
    }
    Q_ASSERT(cost.decoded >= 0 && cost.decoding >= cost.decoded);
    return cost;
}

// The pixels decoding the picture for `scaled` makes at once: a drawing is drawn straight at that size,
// other pictures are decoded whole.
qint64 decodedPixels(const PictureDoor::Look &look, QSize scaled)
{
    return look.format == "svg" ? area(scaled) : area(look.size);
}

// The bytes of the image Qt decodes a picture to at its own size, which its allocation limit bounds
// (each picture within a drawing apart).
qint64 imageBytes(const PictureDoor::Look &look)
{
    return costOf(look, look.size, false).decoded - look.within;
}

// Qt's allocation limit is one for every reader of the program: lifted only for a decoding bounded
// above, one at a time.
class LiftedLimit
{
public:
    explicit LiftedLimit(bool lift)
    {
        if (!lift)
            return;
        m_lock = std::unique_lock<std::mutex>(mutex());
        m_limit = QImageReader::allocationLimit();
        QImageReader::setAllocationLimit(0);
    }
    ~LiftedLimit()
    {
        if (m_lock.owns_lock())
            QImageReader::setAllocationLimit(m_limit);
    }
    LiftedLimit(const LiftedLimit &) = delete;
    LiftedLimit &operator=(const LiftedLimit &) = delete;

private:
    static std::mutex &mutex()
    {
        static std::mutex m;
        return m;
    }
    std::unique_lock<std::mutex> m_lock;
    int m_limit = 0;
};

PictureDoor::Look lookInto(const QByteArray &bytes, int depth, int &within, SvgPicture::Budget &budget)
{
    PictureDoor::Look look;
    const QByteArray format = formatOf(bytes);
    if (format.isEmpty())
        return look;
    if (!format.startsWith("svg")) {
        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer, format);
        reader.setAutoDetectImageFormat(false);
        look.bytes = bytes;
        look.format = format;
        look.size = reader.size();
        if (look.size.isEmpty())
            return look;
        look.turned = reader.autoTransform() && (reader.transformation() & QImageIOHandler::TransformationRotate90);
        if (look.turned)
            look.size.transpose();
        look.pixels = area(look.size);
        // An icon's entries may claim any size, whatever its directory says: one over the bounds is
        // refused before anything multiplies it.
        qint64 bits = 32;
        if ((format == "ico" || format == "cur") && area(PictureHeaders::iconLargest(bytes, &bits)) > PictureDoor::PixelLimit)
            look.refused = PictureDoor::TooLarge;
        return look;
    }
    if (depth > DrawingDepth)
        return look;
    const qint64 budgetBefore = budget.bytes;
    // Each picture Qt would decode from within the drawing, looked at in its turn: drawings cleaned
    // too, as deep as DrawingDepth and within the same budget; Qt decodes each whole, at its own size,
    // and keeps it premultiplied.
    const SvgPicture::Drawing drawing = SvgPicture::selfContained(bytes, [&](const QByteArray &picture) {
        if (++within > PicturesWithin)
            return QString();
        const PictureDoor::Look inner = lookInto(picture, depth + 1, within, budget);
        if (inner.isNull() || inner.size.isEmpty() || inner.refused != PictureDoor::Taken)
            return QString();
        const Cost cost = costOf(inner, inner.size, false);
        look.within = plus(look.within, cost.decoded);
        look.withinExtra = qMax(look.withinExtra, plus(cost.decoding - cost.decoded, times(area(inner.size), 4)));
        look.pixels = plus(look.pixels, inner.pixels);
        look.elements = plus(look.elements, inner.elements);
        return QStringLiteral("data:image/%1;base64,").arg(QString::fromLatin1(inner.format))
               + QString::fromLatin1(inner.bytes.toBase64());
    }, budget);
    look.bytes = drawing.bytes;
    look.format = "svg";
    look.parsed = qMax<qint64>(0, budgetBefore - budget.bytes);
    // Its size as its outermost element gives it, from the door's own parse: Qt never parses a
    // drawing to weigh it.
    look.size = drawing.size;
    if (drawing.overBudget)
        look.refused = PictureDoor::TooLarge;
    if (drawing.bytes.isEmpty())
        return look;
    look.pixels = plus(look.pixels, area(look.size));
    look.elements = plus(look.elements, drawing.elements);
    return look;
}

} // namespace

PictureDoor::Look PictureDoor::look(const QByteArray &bytes)
{
    int within = 0;
    SvgPicture::Budget budget;
    return lookInto(bytes, 0, within, budget);
}

PictureDoor::Look PictureDoor::lookWithin(const QByteArray &bytes)
{
    // One look's bounds, or what is left of the read's where that is less: past that, the read's
    // budget is what refuses it.
    const SvgPicture::Budget bounds;
    SvgPicture::Budget budget{qMin(bounds.bytes, m_drawings.bytes), qMin(bounds.elements, m_drawings.elements)};
    const bool lessLeft = budget.bytes < bounds.bytes || budget.elements < bounds.elements;
    const SvgPicture::Budget before = budget;
    int within = 0;
    Look look = lookInto(bytes, 0, within, budget);
    m_drawings.bytes -= qMax<qint64>(0, before.bytes - budget.bytes);
    m_drawings.elements -= qMax<qint64>(0, before.elements - qMax<qint64>(0, budget.elements));
    if (look.refused == TooLarge && lessLeft && look.format == "svg")
        look.refused = OverBudget;
    return look;
}

bool PictureDoor::fits(const Look &look, QSize size)
{
    const Cost cost = costOf(look, size, false);
    return !look.isNull() && !look.size.isEmpty() && look.refused == Taken && decodedPixels(look, size) <= PixelLimit && cost.decoding <= DecodingLimit
           && cost.decoded <= ReadBudget;
}

QImage PictureDoor::decode(const Look &look)
{
    if (!fits(look, look.size))
        return QImage();
    QImage image = Recent::instance().find(look.bytes);
    if (image.isNull()) {
        image = read(look);
        if (!image.isNull())
            Recent::instance().add(look.bytes, image);
    }
    return image;
}

QImage PictureDoor::take(const Look &look, Refusal *why, Look *stored, int side)
{
    const auto refuse = [why](Refusal reason) {
        if (why)
            *why = reason;
        return QImage();
    };
    if (why)
        *why = Taken;
    if (look.refused != Taken)
        return refuse(look.refused);
    if (look.isNull() || look.size.isEmpty())
        return refuse(NoPicture);
    const QSize natural = look.size;
    // The pixels Qt decodes at most (its allocation limit, four bytes a pixel); 0 for no limit.
    const qint64 limit = qint64(QImageReader::allocationLimit()) * 1024 * 1024;
    const bool kept = natural.width() <= side && natural.height() <= side
                      && (limit == 0 || qMax(area(natural) * 4, imageBytes(look)) <= limit);
    QSize scaled = natural;
    if (!kept) {
        if (natural.width() > side || natural.height() > side)
            scaled = natural.scaled(side, side, Qt::KeepAspectRatio);
        if (limit > 0 && area(scaled) * 4 > limit) {
            // Rounded down: a pixel over is a picture Qt refuses.
            const double factor = std::sqrt(double(limit / 4) / double(area(scaled)));
            scaled = QSize(int(scaled.width() * factor), int(scaled.height() * factor));
        }
        scaled = scaled.expandedTo(QSize(1, 1));
    }
    // What decoding takes is known before it starts: a picture that would take more is left out.
    const Cost cost = costOf(look, scaled, !kept);
    if (decodedPixels(look, scaled) > PixelLimit || cost.decoding > DecodingLimit)
        return refuse(TooLarge);
    // A cost is never negative: the budget only ever goes down.
    Q_ASSERT(cost.decoded >= 0);
    if (cost.decoded > m_left)
        return refuse(OverBudget);
    m_left -= qMax<qint64>(0, cost.decoded);
    QImage image;
    {
        const LiftedLimit lifted(!kept);
        image = read(look, scaled);
    }
    if (image.isNull())
        return refuse(NoPicture);
    if (kept) {
        Recent::instance().add(look.bytes, image);
        if (stored)
            *stored = look;
        return image;
    }
    if (image.depth() > 32)
        image = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (stored) {
        const QByteArray written = look.format == "jpeg" ? "jpeg" : "png";
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        if (written == "png" ? out.write(quickPng(image)) <= 0 : !QImageWriter(&out, written).write(image))
            return refuse(NoPicture);
        *stored = Look();
        stored->bytes = out.data();
        stored->format = written;
        stored->size = image.size();
        stored->pixels = area(image.size());
        Recent::instance().add(stored->bytes, image);
    }
    return image;
}

QString PictureDoor::admit(PageDocument &page, const Look &look, QSize *size, Refusal *why, int side)
{
    Look stored;
    const QImage image = take(look, why, &stored, side);
    if (image.isNull())
        return QString();
    if (size)
        *size = image.size();
    return page.addPicture(stored, image);
}

bool PictureDoor::readFile(const QString &path, QByteArray &bytes)
{
    bytes.clear();
    // Only a file on the disk, never a FIFO or a device; looked at again once open (it may have been
    // replaced), and opened so that nothing waits for a writer.
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return false;
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat info;
    QFile file;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)
        || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    // A file that no picture reader knows from its first bytes is not read on. The size a file gives
    // may be wrong (files of /proc give 0): never more than the limit is read.
    bytes.reserve(qsizetype(qBound(qint64(0), qint64(info.st_size), FileLimit) + 1));
    char chunk[64 * 1024];
    qint64 read = 0;
    while (bytes.size() <= FileLimit && (read = file.read(chunk, sizeof chunk)) > 0) {
        bytes.append(chunk, qsizetype(read));
        if (bytes.size() == read && formatOf(bytes).isEmpty())
            break;
    }
    const bool ok = read >= 0 && !bytes.isEmpty() && bytes.size() <= FileLimit && !formatOf(bytes.left(64 * 1024)).isEmpty();
    if (!ok)
        bytes.clear();
    return ok;
}

QByteArray PictureDoor::clipboardBytes(const QMimeData *data, QImage *held)
{
    if (held)
        *held = QImage();
    if (!data)
        return {};
    const QString drawing = QStringLiteral("image/svg+xml");
    const QString qtImage = QStringLiteral("application/x-qt-image");
    QStringList types;
    const QStringList offered = data->formats();
    if (offered.contains(QStringLiteral("image/png")))
        types << QStringLiteral("image/png");
    for (const QString &type : offered) {
        if (type.startsWith(QLatin1String("image/")) && type != drawing && !types.contains(type))
            types << type;
    }
    if (offered.contains(drawing))
        types << drawing;
    // Qt's own type gives the bytes of another program's picture as they came.
    if (offered.contains(qtImage) || data->hasImage())
        types << qtImage;
    for (const QString &type : types) {
        const QByteArray bytes = data->data(type);
        if (!bytes.isEmpty())
            return bytes;
    }
    // A picture put on the clipboard by this process as an image (QMimeData::setImageData) is held as
    // one: only a QMimeData of Qt's own class gives it back as it is, without decoding anything.
    if (held && data->hasImage() && data->metaObject() == &QMimeData::staticMetaObject)
        *held = qvariant_cast<QImage>(data->imageData());
    return {};
}

QStringList PictureDoor::suffixes()
{
    QStringList list;
    for (const QByteArray &format : formats())
        list << QString::fromLatin1(format);
    list.insert(2, QStringLiteral("jpg"));
    return list;
}

QString PictureDoor::note(const QStringList &unread)
{
    QStringList names;
    for (const QString &name : unread)
        names << (name.isEmpty() ? QStringLiteral("(ﾌｧｲﾙ名なし)") : name);
    return listNote(QStringLiteral("次の画像は読み込めません(ﾌｧｲﾙがない､画像でない､大きすぎる､ｳｪﾌﾞ上にある)｡ﾍﾟｰｼﾞには入れていません:"),
                    names);
}

QString PictureDoor::listNote(const QString &heading, const QStringList &names)
{
    QStringList lines{heading};
    for (const QString &name : names.mid(0, NotedPictures))
        lines << QStringLiteral("  ") + (name.size() > NotedLength ? name.left(NotedLength) + QStringLiteral("…") : name);
    if (names.size() > NotedPictures)
        lines << QStringLiteral("  ほか %1 個").arg(names.size() - NotedPictures);
    return lines.join(QLatin1Char('\n'));
}

#include "platform/docx/HtmlPictures.h"

#include "platform/richtext/PageCodec.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/PictureDoor.h"
#include "platform/richtext/TextProps.h"

#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <cmath>
#include <utility>
#include <vector>


using namespace TextProps;

namespace {

// The bytes of a data URL ("data:image/png;base64,..."); empty for none.
QByteArray dataOf(const QString &source)
{
    const qsizetype comma = source.indexOf(QLatin1Char(','));
    if (comma < 0)
        return {};
    const QString type = source.mid(5, comma - 5).trimmed();
    const QByteArray payload = source.mid(comma + 1).toUtf8();
    if (type.endsWith(QLatin1String(";base64"), Qt::CaseInsensitive))
        return QByteArray::fromBase64(QByteArray::fromPercentEncoding(payload));
    return QByteArray::fromPercentEncoding(payload);
}

// The picture's size in the page: the one the page gives it (a side it leaves out keeps the picture's
// proportions), else its own; no side over what the page stores, both sides made smaller alike.
// A size the page gives: ignored where it is no finite positive number ("inf", "1e308" read as
// infinite, NaN, 0, negative), and none taken larger than this, so that one side computed from the
// other stays finite.
double givenSide(double side)
{
    constexpr double Largest = 1e6;
    return std::isfinite(side) && side > 0 ? qMin(side, Largest) : 0;
}

QSizeF shownSize(const QTextImageFormat &format, QSize natural)
{
    double width = givenSide(format.width());
    double height = givenSide(format.height());
    if (width <= 0 && height <= 0) {
        width = natural.width();
        height = natural.height();
    } else if (width <= 0) {
        width = natural.height() > 0 ? height * natural.width() / natural.height() : natural.width();
    } else if (height <= 0) {
        height = natural.width() > 0 ? width * natural.height() / natural.width() : natural.height();
    }
    const double over = qMax(width, height) / PictureDoor::PictureSide;
    return over > 1 ? QSizeF(width / over, height / over) : QSizeF(width, height);
}

} // namespace

HtmlPictures::HtmlPictures(const QString &htmlFile) : m_base(QUrl::fromLocalFile(QFileInfo(htmlFile).absoluteFilePath()))
{
}

QString HtmlPictures::fileOf(const QString &name) const
{
    const QString source = name.trimmed();
    if (source.isEmpty() || source.startsWith(QLatin1String("data:"), Qt::CaseInsensitive))
        return {};
    // Pages written on Windows may part their paths with backslashes, which browsers read as slashes.
    QUrl url = m_base.resolved(QUrl(QString(source).replace(QLatin1Char('\\'), QLatin1Char('/'))));
    if (!url.isLocalFile() || !(url.host().isEmpty() || url.host().compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0))
        return {};
    // file://localhost/a is /a on this machine (Qt would make it the share //localhost/a).
    url.setHost(QString());
    // One name for every spelling: "a.png?1", "./a.png" and a link to it read one file.
    const QString local = url.toLocalFile();
    auto it = m_canonical.constFind(local);
    if (it == m_canonical.cend())
        it = m_canonical.insert(local, QFileInfo(local).canonicalFilePath());
    return *it;
}

bool HtmlPictures::bytesOf(const QString &name, QByteArray &bytes) const
{
    const QString source = name.trimmed();
    if (source.startsWith(QLatin1String("data:"), Qt::CaseInsensitive)) {
        bytes = dataOf(source);
        return !bytes.isEmpty();
    }
    return PictureDoor::readFile(fileOf(source), bytes);
}

QString HtmlPictures::keyOf(const QString &source) const
{
    const QString trimmed = source.trimmed();
    if (trimmed.startsWith(QLatin1String("data:"), Qt::CaseInsensitive))
        return trimmed;
    const QString path = fileOf(trimmed);
    return path.isEmpty() ? QString() : QStringLiteral("file:") + path;
}

void HtmlPictures::load(PageDocument &page, QTextDocument *doc)
{
    std::vector<std::pair<int, QTextImageFormat>> pictures;
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.charFormat().isImageFormat())
                continue;
            // Pictures side by side in one format are one fragment; each is its object character.
            const QString text = fragment.text();
            for (int i = 0; i < fragment.length(); ++i)
                if (text.at(i) == QChar::ObjectReplacementCharacter)
                    pictures.emplace_back(fragment.position() + i, fragment.charFormat().toImageFormat());
        }
    }
    // Read in the order of the page, so that the pictures' object numbers follow it.
    QHash<QString, QString> stored; // the page's name for each source; empty: not read
    QHash<QString, QString> files;  // the same for each file read, however the page spells it
    std::vector<int> ids;
    for (const auto &[position, format] : pictures) {
        const QString source = format.name();
        if (!stored.contains(source)) {
            const QString key = keyOf(source);
            if (key.isEmpty() || !files.contains(key)) {
                QByteArray bytes;
                QSize size;
                const QString name = bytesOf(source, bytes) ? m_door.admit(page, m_door.lookWithin(bytes), &size) : QString();
                if (!key.isEmpty())
                    files.insert(key, name);
            }
            stored.insert(source, files.value(key));
        }
        ids.push_back(stored.value(source).isEmpty() ? 0 : page.newObjectId());
    }
    QTextCursor edit(doc);
    edit.beginEditBlock();
    // From the end, so that a picture removed moves none still to come.
    for (size_t i = pictures.size(); i-- > 0;) {
        const auto &[position, format] = pictures[i];
        const QString name = stored.value(format.name());
        QTextCursor cursor(doc);
        cursor.setPosition(position);
        cursor.setPosition(position + 1, QTextCursor::KeepAnchor);
        if (name.isEmpty()) {
            cursor.removeSelectedText();
            continue;
        }
        QTextImageFormat image = format;
        const QString alt = image.stringProperty(QTextFormat::ImageAltText);
        for (int property : {int(QTextFormat::ObjectIndex), int(QTextFormat::ImageTitle), int(QTextFormat::ImageAltText)})
            image.clearProperty(property);
        image.setName(name);
        const QSize natural = page.pictureSize(name);
        const QSizeF size = shownSize(format, natural);
        image.setWidth(size.width());
        image.setHeight(size.height());
        image.setProperty(PictureLayout, 0);
        image.setProperty(PictureScale, natural.width() > 0 ? qRound(size.width() * 100 / natural.width()) : 100);
        image.setProperty(PictureStored, true);
        image.setProperty(ObjectId, ids[i]);
        if (!alt.isEmpty())
            image.setProperty(PictureAlt, alt.left(10000));
        cursor.setCharFormat(image);
    }
    edit.endEditBlock();
    m_unread.clear();
    QSet<QString> named;
    for (const auto &[position, format] : pictures) {
        if (stored.value(format.name()).isEmpty() && !named.contains(format.name())) {
            named.insert(format.name());
            m_unread << format.name();
        }
    }
}

qint64 HtmlPictures::weight(const QString &html, qint64 limit) const
{
    static const QRegularExpression img(QStringLiteral("<\\s*img\\b[^>]*?\\bsrc\\s*=\\s*(?:\"([^\"]*)\"|'([^']*)'|([^\\s>]+))"),
                                        QRegularExpression::CaseInsensitiveOption);
    if (!html.contains(QLatin1String("<img"), Qt::CaseInsensitive) && !html.contains(QLatin1String("< img"), Qt::CaseInsensitive))
        return 0;
    // As load() reads them: each file once, however many ways the page names it.
    QSet<QString> weighed;
    QSet<QString> files;
    qint64 weight = 0;
    for (auto it = img.globalMatch(html); it.hasNext() && weight <= limit;) {
        const QRegularExpressionMatch match = it.next();
        const QString source = match.captured(1) + match.captured(2) + match.captured(3);
        if (weighed.contains(source))
            continue;
        weighed.insert(source);
        const QString key = keyOf(source);
        if (key.isEmpty() || files.contains(key))
            continue;
        files.insert(key);
        QByteArray bytes;
        if (bytesOf(source, bytes))
            weight += PageCodec::pictureWeight(bytes);
    }
    return weight;
}

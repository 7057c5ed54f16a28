#include "platform/richtext/PageCodec.h"

#include "platform/richtext/LineBlocks.h"
#include "platform/richtext/PageBuilder.h"
#include "platform/richtext/PageDecoder.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/PageEncoder.h"
#include "platform/richtext/PageInsert.h"
#include "platform/richtext/PictureDoor.h"

#include <QFile>
#include <QSaveFile>
#include <QTextListFormat>

namespace {
// A page with all its pictures stays far below this; a larger file is no page of ours.
constexpr qint64 MaxFileSize = qint64(1) << 30;

// Where Qt may end a line: at a space, and between the letters of Japanese or Chinese text.
bool breaksLine(QChar ch)
{
    if (ch.isSpace())
        return true;
    const QChar::Script script = ch.script();
    return script == QChar::Script_Han || script == QChar::Script_Hiragana || script == QChar::Script_Katakana;
}

// Qt finds the end of a line by reading on to the end of its word: a word of n letters costs time
// that grows with n squared, unless the page holds it in pieces. LineBlocks holds a long paragraph so,
// parted at letters that run left to right (and at digits and signs where nothing reads right to
// left), but no list item: there every letter counts, elsewhere only a stretch of letters it cannot
// part at (Hebrew, Arabic).
qint64 wordsWeight(const std::vector<PageImage::Fragment> &fragments, bool listed)
{
    qint64 length = 0;
    for (const PageImage::Fragment &fragment : fragments)
        length += fragment.text.size();
    // Words too short to cost anything, and paragraphs too short to be held in pieces (whose words
    // cost little).
    if (length < (listed ? 1000 : LineBlocks::PartedLength))
        return 0;
    bool signs = true;
    for (const PageImage::Fragment &fragment : fragments)
        signs = signs && LineBlocks::leftToRight(fragment.text);
    qint64 weight = 0;
    qint64 letters = 0;
    for (const PageImage::Fragment &fragment : fragments) {
        for (qsizetype i = 0; i < fragment.text.size(); ++i) {
            const QChar ch = fragment.text.at(i);
            const QChar next = i + 1 < fragment.text.size() ? fragment.text.at(i + 1) : QChar();
            const bool letter = ch.isLetterOrNumber() && ch.direction() == QChar::DirL;
            const bool parted = !listed && (letter || (!ch.isLetter() && LineBlocks::partsAt(ch, next, signs)));
            if (!breaksLine(ch) && !parted) {
                ++letters;
                continue;
            }
            weight += letters * letters / PageCodec::WordLettersSquared;
            letters = 0;
        }
    }
    return weight + letters * letters / PageCodec::WordLettersSquared;
}

qint64 weightOf(const std::vector<PageImage::Item> &items)
{
    qint64 weight = 0;
    for (const PageImage::Item &item : items) {
        // Every place of a table's grid is laid out, the ones that merged cells cover too.
        weight += 1 + qint64(item.rows) * item.columns * PageCodec::CellWeight + weightOf(item.items);
        weight += wordsWeight(item.fragments, item.list >= 0);
        for (const PageImage::Fragment &fragment : item.fragments)
            weight += fragment.text.size();
        for (const PageImage::Cell &cell : item.cells)
            weight += weightOf(cell.items);
    }
    return weight;
}
} // namespace

QByteArray PageCodec::save(const PageDocument &page, bool *sparseTable)
{
    // Bytes that the loader would refuse are never handed out: stored, they would make the page
    // unreadable (a size beyond any paper, a table beyond the limits). The caller reports the failure.
    QByteArray bytes = PageEncoder(page).encode();
    PageImage::Page check;
    if (!PageDecoder::decode(bytes, check, sparseTable))
        return QByteArray();
    return bytes;
}

bool PageCodec::load(PageDocument &page, const QByteArray &bytes)
{
    PageImage::Page image;
    if (!PageDecoder::decode(bytes, image))
        return false;
    PageBuilder::build(image, page);
    return true;
}

qint64 PageCodec::layoutWeight(const QByteArray &bytes)
{
    PageImage::Page image;
    if (!PageDecoder::decode(bytes, image))
        return 0;
    qint64 weight = 0;
    for (const PageImage::Part &part : image.parts)
        weight += weightOf(part.items);
    for (const PageImage::Picture &picture : image.pictures)
        weight += pictureWeight(picture.bytes);
    return weight;
}

qint64 PageCodec::pictureWeight(const QByteArray &picture)
{
    const PictureDoor::Look look = PictureDoor::look(picture);
    return (look.pixels + look.elements * ElementPixels + look.parsed) / PixelsPerCharacter;
}

bool PageCodec::insert(PageDocument &page, QTextCursor &selection, const QByteArray &bytes)
{
    PageImage::Page image;
    if (!PageDecoder::decode(bytes, image))
        return false;
    // Only copied from, never shown: a layout of it would be thrown away.
    PageDocument source(PageDocument::WithoutLayout);
    QList<QTextListFormat> lists;
    PageBuilder::build(image, source, &lists);
    PageInsert::insert(page, selection, source, lists);
    return true;
}

bool PageCodec::loadBytes(PageDocument &page, QTextCursor &selection, const QByteArray &bytes, int format,
                          bool atSelection)
{
    if (!isStreamFormat(format))
        return false;
    return atSelection ? insert(page, selection, bytes) : load(page, bytes);
}

QByteArray PageCodec::saveBytes(const PageDocument &page, int format)
{
    return isStreamFormat(format) ? save(page) : QByteArray();
}

bool PageCodec::saveFile(const PageDocument &page, const QString &path)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = save(page);
    if (bytes.isEmpty() || file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

bool PageCodec::loadFile(PageDocument &page, const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > MaxFileSize)
        return false;
    const QByteArray bytes = file.readAll();
    return file.error() == QFile::NoError && load(page, bytes);
}

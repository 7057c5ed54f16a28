#pragma once

#include <QByteArray>
#include <QString>

class PageDocument;
class QTextCursor;

// The page document as bytes (stream formats 9 and 3, members 127/128) and as files of format 9
// (members 99/100). Both stream formats are the same lossless page stream (PageStream.h).
// A load that fails leaves the page as it was.
class PageCodec
{
public:
    enum StreamFormat { SnapshotStream = 3, PageStream = 9 };
    static bool isStreamFormat(int format) { return format == SnapshotStream || format == PageStream; }

    // No bytes for a page that load() would refuse; `sparseTable`, when given, then tells whether a
    // table's merged cells covered far more of its grid than its content describes (see PageDecoder).
    static QByteArray save(const PageDocument &page, bool *sparseTable = nullptr);
    // Replaces the page. False for damaged, truncated, foreign or too new bytes.
    static bool load(PageDocument &page, const QByteArray &bytes);

    // Inserts the main text of the bytes at the selection (PageInsert: fields, objects and pictures get
    // new ids and names in the page; headers, footers and page setup of the bytes are left out).
    static bool insert(PageDocument &page, QTextCursor &selection, const QByteArray &bytes);

    // Members 127 and 128: the bytes in a stream format; any other format fails or gives no bytes.
    static bool loadBytes(PageDocument &page, QTextCursor &selection, const QByteArray &bytes, int format,
                          bool atSelection);
    static QByteArray saveBytes(const PageDocument &page, int format);

    // What laying out the page of the bytes costs, in characters, a place of a table's grid (merged
    // cells cover several) counting as CellWeight of them (Qt lays out a large table far more slowly
    // than its text) and a picture as pictureWeight; 0 for bytes that load() would refuse. Decoding
    // costs little beside building and laying out.
    // A long word that the page does not hold in pieces (in a list item; of letters that run right to
    // left) counts as much again as the square of its letters over WordLettersSquared (Qt lays it out
    // in time that grows with that square: 1.7 s for 250,000 letters).
    static constexpr qint64 CellWeight = 100;
    // A list item of another program's file, weighed before it is read (Qt builds and lays out each
    // item's list bookkeeping beside its text), as ListItemWeight characters.
    static constexpr qint64 ListItemWeight = 10;
    static constexpr qint64 WordLettersSquared = 40000;
    static qint64 layoutWeight(const QByteArray &bytes);
    // A picture is decoded whole, however few bytes it packs: PixelsPerCharacter of its pixels (those of
    // the pictures within a drawing too), read from the picture's header (PictureDoor::look), cost as
    // much as a character laid out. A drawing's element (built and drawn by Qt's reader) costs as much
    // as ElementPixels pixels, a byte of a drawing parsed (unpacked) as a pixel. 0 for bytes that are no
    // picture.
    static constexpr qint64 PixelsPerCharacter = 64;
    static constexpr qint64 ElementPixels = 256;
    static qint64 pictureWeight(const QByteArray &picture);

    // Files of format 9: written whole or not at all.
    static bool saveFile(const PageDocument &page, const QString &path);
    static bool loadFile(PageDocument &page, const QString &path);
};

#pragma once

#include "platform/richtext/SvgPicture.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>

class PageDocument;
class QMimeData;

// The one way in for pictures from outside the program: a document read or inserted, a picture file,
// the clipboard in any of its types, a stored page drawn or published. Qt decodes by content wherever
// bytes reach it, follows what a drawing names, and decodes a few bytes into gigabytes; so every
// picture is looked at here before anything decodes it: its format told from its bytes (never from a
// name or a type), a drawing made self-contained with the drawings in it, and what decoding it takes
// reckoned from its header, the pictures within a drawing included. Pictures are decoded here only,
// with their format told, within the bounds below; one read counts what it decodes against its budget,
// and a picture over the bounds or past the budget is left out, for the read to name.
class PictureDoor
{
public:
    // Stored pictures have no side over this; larger ones are stored scaled down, and so are pictures
    // of more pixels than Qt decodes (its allocation limit).
    static constexpr int PictureSide = 8000;
    // A picture is decoded only within these bounds, known from its header before it is decoded: its
    // pixels (16,384 a side), and the bytes its decoding takes, the decoder's own included (libjpeg keeps
    // all the coefficients of a progressive file; Qt's GIF reader a second copy of a frame it restores).
    static constexpr qint64 PixelLimit = qint64(16384) * 16384;
    static constexpr qint64 DecodingLimit = qint64(1280) * 1024 * 1024;
    // What one read decodes at most, in bytes of the images decoded (each picture's, each picture's
    // within a drawing, and the smaller image a picture is stored as): about two seconds of decoding.
    static constexpr qint64 ReadBudget = qint64(512) * 1024 * 1024;
    // A picture file is read up to this size.
    static constexpr qint64 FileLimit = qint64(128) * 1024 * 1024;

    enum Refusal { Taken, NoPicture, TooLarge, OverBudget };
    struct Look {
        QByteArray bytes;     // as Qt is to read them: a drawing self-contained, in plain SVG
        QByteArray format;    // told from the bytes; empty: nothing the door lets in
        QSize size;           // as decoding gives it (turned by the picture's own orientation mark);
                              // empty for a damaged picture (a header cut short, a drawing of nothing)
        bool turned = false;  // turned a quarter by that mark
        qint64 pixels = 0;    // decoded, the pictures' within a drawing too
        qint64 within = 0;    // bytes of the images of the pictures within a drawing
        qint64 withinExtra = 0; // what decoding those takes beyond their images, at the most
        qint64 elements = 0;  // of a drawing, those of the drawings within it too
        qint64 parsed = 0;    // bytes of drawings the look parsed (unpacked), those within too
        // Refused by the look itself: a drawing past the bounds of one look (TooLarge) or past what is
        // left of the read's (OverBudget), a header claiming more pixels than the bounds (TooLarge).
        Refusal refused = Taken;
        bool isNull() const { return format.isEmpty(); }
    };
    // No decoding: the header is read, a drawing (and every drawing within it) parsed and cleaned, all
    // of it within one budget of drawing bytes and elements (SvgPicture::Budget).
    static Look look(const QByteArray &bytes);
    // The same within what is left of this read's budget of drawing bytes and elements, which it uses.
    Look lookWithin(const QByteArray &bytes);
    // Whether decoding the picture at `size` stays within the bounds, with a budget of its own.
    static bool fits(const Look &look, QSize size);
    // A stored picture at its own size, within the bounds; null over them, or for damaged bytes.
    static QImage decode(const Look &look);

    // One read: what it decodes is counted against `budget`.
    explicit PictureDoor(qint64 budget = ReadBudget) : m_left(budget) {}
    // What is left of the budget; never negative, never more than it was.
    qint64 left() const { return m_left; }
    // The picture decoded as a page keeps it: no side over `side` and no more pixels than Qt decodes,
    // scaled down where larger (decoded straight to that size where the format allows); null, with the
    // reason, for no picture, one over the bounds, or one past what is left of the budget. `stored`,
    // when given, gets what the page stores: the look itself for a picture kept at its size, else the
    // image encoded (as JPEG for a JPEG file, as PNG otherwise, in eight bits a channel).
    QImage take(const Look &look, Refusal *why = nullptr, Look *stored = nullptr, int side = PictureSide);
    // Takes the picture into the page: the page's name for it (empty when it is left out), and its
    // stored size.
    QString admit(PageDocument &page, const Look &look, QSize *size = nullptr, Refusal *why = nullptr,
                  int side = PictureSide);

    // A picture file: only a file on the disk (no FIFO, device or file of /proc), looked at before it is
    // opened and opened so that nothing waits for a writer, read at most up to FileLimit whatever size it
    // gives, and not read on past its first bytes when they are no picture's.
    static bool readFile(const QString &path, QByteArray &bytes);
    // The clipboard's picture as bytes, in the order a picture is taken from it: a bitmap's type, then a
    // drawing's, then Qt's own; never decoded on the way (QMimeData::imageData decodes by content). A
    // clipboard filled by this program's own process may hold a picture that no bytes carry: `held`
    // gets it then.
    static QByteArray clipboardBytes(const QMimeData *data, QImage *held = nullptr);
    // Extensions of the picture files the door lets in, for a file dialog ("png", "jpg" ...).
    static QStringList suffixes();
    // What a read tells of the pictures it left out, each named.
    static QString note(const QStringList &unread);
    // A note of things a read left out: `heading`, then the names, each on its own line (the first
    // ones, long names shortened).
    static QString listNote(const QString &heading, const QStringList &names);

private:
    qint64 m_left;
    // What is left of what one read's looks parse at most: the bytes of drawings (unpacked), eight times
    // what one look may, and their elements, four times.
    SvgPicture::Budget m_drawings{8 * qint64(SvgPicture::MaxBytes), 4 * SvgPicture::MaxElements};
};

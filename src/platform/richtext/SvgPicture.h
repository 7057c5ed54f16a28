#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>

#include <functional>

// Drawings (SVG) from outside the program, as PictureDoor looks at them. Qt's SVG reader follows what
// a drawing names: the pictures of its <image> elements are read from the disk, relative to the folder
// the program runs in, and the style sheets of its processing instructions too. A drawing naming itself
// reads itself until the stack runs out; one naming a FIFO waits for ever. A picture in a data URL it
// decodes by its content: a drawing in it is read as one, with whatever that one names.
namespace SvgPicture {

// What stands for the picture Qt decodes from a data URL of an <image> (the bytes after its last
// "base64,"): the data URL to write in its place, empty to leave the picture out.
using Inner = std::function<QString(const QByteArray &picture)>;

// A drawing is read up to this size, unpacked where gzip packs it.
constexpr qsizetype MaxBytes = 64 * 1024 * 1024;
// Elements of one drawing at the most, those of the drawings within it included. Qt's reader builds a
// tree of them, at about half a kilobyte an element (more for paths), before it draws anything: maps
// and charts of tens of thousands of elements pass, and one drawing at the bound takes an eighth of a
// read's budget.
constexpr qint64 MaxElements = 250000;

// What cleaning may still read, counted down as drawings are cleaned: bytes of drawings (unpacked where
// gzip packs them, each drawing within counted as it is read) and elements kept. One budget serves a
// whole look, the drawings within included (and one read, through PictureDoor).
struct Budget {
    qint64 bytes = MaxBytes;
    qint64 elements = MaxElements;
};

struct Drawing {
    // Plain SVG that names nothing outside itself; empty for a drawing that holds no element, one that
    // unpacks to more than MaxBytes, and one past the budget.
    QByteArray bytes;
    // Its size as Qt's reader takes it from the outermost element (width, height, viewBox), from the
    // cleaning's own parse: Qt never parses a drawing to weigh it. Kept for a drawing over the budget.
    QSize size;
    // Elements kept, of this drawing alone.
    qint64 elements = 0;
    // Left out for the budget: too many bytes or elements.
    bool overBudget = false;
};

// A drawing (unpacked when gzip packs it) made self-contained: references to another file or address
// (href, xlink:href, url(...), @import, processing instructions, the document type with its entities)
// are left out, and so is a reference Qt would open as a file ("DATA:x.png": Qt takes only a lower-case
// "data" for data); references within the drawing ("#id") stay, and each picture of an <image> in a
// data URL becomes what `inner` gives for it. What the drawing reads and keeps is counted against
// `budget` (what `inner` looks at should be too).
Drawing selfContained(const QByteArray &bytes, const Inner &inner, Budget &budget);

} // namespace SvgPicture

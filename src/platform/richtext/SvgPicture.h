#pragma once

#include <QByteArray>
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

struct Drawing {
    // Plain SVG that names nothing outside itself; empty for a drawing that holds no element, or that
    // unpacks to more than MaxBytes.
    QByteArray bytes;
    // The same without its pictures: what Qt tells its size from without decoding any.
    QByteArray frame;
};

// A drawing (unpacked when gzip packs it) made self-contained: references to another file or address
// (href, xlink:href, url(...), @import, processing instructions, the document type with its entities)
// are left out, and so is a reference Qt would open as a file ("DATA:x.png": Qt takes only a lower-case
// "data" for data); references within the drawing ("#id") stay, and each picture of an <image> in a
// data URL becomes what `inner` gives for it.
constexpr qsizetype MaxBytes = 64 * 1024 * 1024;
Drawing selfContained(const QByteArray &bytes, const Inner &inner);

} // namespace SvgPicture

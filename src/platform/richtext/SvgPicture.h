#pragma once

#include <QByteArray>

// Drawings (SVG) from outside the program: a document file, the clipboard, a stored page. Qt's SVG
// reader follows what a drawing names: the pictures of its <image> elements and the style sheets of
// its processing instructions are read from the disk, relative to the folder the program runs in. A
// drawing naming itself reads itself until the stack runs out; one naming a FIFO waits for ever. So a
// drawing reaches Qt only as selfContained() gives it.
namespace SvgPicture {

// Whether Qt reads the bytes as a drawing: by the format they are stored with ("svg", "svgz") or by
// their content (the content decides where the format given is another: Qt reads by it when the
// given format's reader fails).
bool isSvg(const QByteArray &bytes, const QByteArray &format = QByteArray());

// The bytes as given when they are no drawing (isSvg); a drawing (unpacked when gzip packs it) as
// plain SVG that names nothing outside itself: references to another file or address (href,
// xlink:href, url(...), @import, processing instructions, the document type with its entities) are
// left out, references within the drawing ("#id") and data URLs kept. Empty for a drawing that holds
// no element, or that unpacks to more than MaxBytes. `format`, when given, becomes "svg" for a drawing.
constexpr qsizetype MaxBytes = 64 * 1024 * 1024;
QByteArray selfContained(const QByteArray &bytes, QByteArray *format = nullptr);

} // namespace SvgPicture

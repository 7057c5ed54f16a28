#pragma once

#include <QByteArray>

// A quick look at RTF bytes for what reading and showing them will cost, before they are read: a
// picture is decoded whole however few bytes it packs, and a few hundred kilobytes may hold a
// hundred thousand empty cells.
namespace RtfWeight {

// What decoding the pictures costs (PageCodec::pictureWeight), from their headers; counted only
// until it is over `limit`.
qint64 pictures(const QByteArray &rtf, qint64 limit);

// The cells of its tables (\cell, \nestcell) and its list items (paragraphs of a list, \ls), as a
// Word file's are counted (DocxWeight).
struct Look {
    qint64 cells = 0;
    qint64 listItems = 0;
};
Look structure(const QByteArray &rtf);

} // namespace RtfWeight

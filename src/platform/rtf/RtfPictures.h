#pragma once

#include <QByteArray>

// A quick look at the pictures of RTF bytes before they are read: a picture is decoded whole,
// however few bytes it packs.
namespace RtfPictures {

// What decoding the pictures costs (PageCodec::pictureWeight), from their headers; counted only
// until it is over `limit`.
qint64 weight(const QByteArray &rtf, qint64 limit);

} // namespace RtfPictures

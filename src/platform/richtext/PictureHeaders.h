#pragma once

#include <QByteArray>
#include <QSize>

// What a picture's header tells of decoding it as Qt decodes it, read before anything is decoded: a
// few bytes may claim gigabytes of pixels, of a depth or a number of copies the size alone does not
// tell.
namespace PictureHeaders {

// The bits a pixel takes in the image Qt decodes the picture to, by what its header says: a PNG file
// by its colour type and depth (sixteen bits a channel: 64 bits a pixel), a PBM/PGM/PPM file by its
// largest value, black-and-white formats 1; 32 where the format does not vary.
qint64 bitsPerPixel(const QByteArray &bytes, const QByteArray &format);

// A JPEG file's frame: its components, and whether libjpeg keeps the coefficients of the whole
// picture while it decodes (progressive files, and sequential ones in more than one scan), however
// small it decodes it. Damaged or unknown: as the whole.
struct Jpeg {
    qint64 components = 4;
    bool whole = true;
};
Jpeg jpeg(const QByteArray &bytes);

// A GIF file as Qt's reader allocates for it: the image of its logical screen (a screen it does not
// believe takes the first frame's extent), and the copy of a frame it keeps to restore after it
// (disposal "restore previous"), the largest such frame within the screen; empty without one.
struct Gif {
    QSize screen;
    QSize kept;
};
Gif gif(const QByteArray &bytes);

// An icon file (ICO, CUR): the largest picture among its entries by the headers of the pictures
// themselves (an entry may hold a PNG file or a bitmap of any size, whatever its directory says), and
// the bits a pixel of it takes. A side a header claims over 2^20 is taken as 2^20: a size over the
// bounds all the same, which PictureDoor refuses.
QSize iconLargest(const QByteArray &bytes, qint64 *bits);

} // namespace PictureHeaders

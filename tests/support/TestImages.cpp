#include "support/TestImages.h"

#include <QBuffer>
#include <QImage>

QByteArray TestImages::bytes(const char *format, QColor color, int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(color);
    return encode(image, format);
}

QByteArray TestImages::encode(const QImage &image, const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

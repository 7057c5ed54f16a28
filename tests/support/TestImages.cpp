#include "support/TestImages.h"

#include <QBuffer>
#include <QImage>

QByteArray TestImages::bytes(const char *format, QColor color, int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

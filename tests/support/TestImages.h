#pragma once

#include <QByteArray>
#include <QColor>

class QImage;

// Small encoded pictures for tests.
class TestImages
{
public:
    // A width x height picture of one colour, encoded in `format` ("PNG", "JPEG" ...).
    static QByteArray bytes(const char *format = "PNG", QColor color = Qt::red, int width = 8,
                            int height = 8);
    static QByteArray encode(const QImage &image, const char *format = "PNG");
};

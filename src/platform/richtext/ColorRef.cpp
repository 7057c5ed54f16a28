#include "platform/richtext/ColorRef.h"

QColor ColorRef::toColor(qint64 colorRef)
{
    if (colorRef < 0 || colorRef > 0xFFFFFF)
        return QColor();
    return QColor(int(colorRef & 0xFF), int((colorRef >> 8) & 0xFF), int((colorRef >> 16) & 0xFF));
}

int ColorRef::fromColor(const QColor &color, int whenInvalid)
{
    if (!color.isValid())
        return whenInvalid;
    const QColor rgb = color.toRgb();
    return rgb.red() | (rgb.green() << 8) | (rgb.blue() << 16);
}

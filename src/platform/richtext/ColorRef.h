#pragma once

#include <QColor>

// Colours as the editor's callers pass them: 0x00BBGGRR (red in the low byte). Values outside
// 0..0xFFFFFF (the "default" markers some callers use) are no colour.
class ColorRef
{
public:
    static QColor toColor(qint64 colorRef);
    static int fromColor(const QColor &color, int whenInvalid = -1);
};

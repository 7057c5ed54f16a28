#pragma once

#include <cmath>

// Page measures are stored in twips; the text layout works in pixels at 96 dpi.
namespace Twips {
constexpr double PerPixel = 15.0;

inline int fromPx(double px)
{
    return int(std::lround(px * PerPixel));
}

inline double toPx(int twips)
{
    return twips / PerPixel;
}
} // namespace Twips

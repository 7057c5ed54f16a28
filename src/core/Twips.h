#pragma once

#include <QWidget>

// Window places and sizes are stored in twips (1440 to the inch); the screen
// works in pixels at the widget's logical resolution.
namespace Twips {

inline int toPx(const QWidget &widget, int twips, bool horizontal)
{
    const int dpi = horizontal ? widget.logicalDpiX() : widget.logicalDpiY();
    return dpi > 0 ? int(qint64(twips) * dpi / 1440) : twips / 15;
}

inline int fromPx(const QWidget &widget, int px, bool horizontal)
{
    const int dpi = horizontal ? widget.logicalDpiX() : widget.logicalDpiY();
    return dpi > 0 ? int(qint64(px) * 1440 / dpi) : px * 15;
}

// Reads Left, Top, Width and Height of the current settings group and, when a
// size is stored, puts the window there, inside the desktop's work area.
void readPlace(QWidget &window);
// Writes the window's rectangle into the current settings group.
void writePlace(const QWidget &window);

} // namespace Twips

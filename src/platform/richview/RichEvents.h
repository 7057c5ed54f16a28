#pragma once

#include <QPointF>
#include <QString>

// Arguments of the view's events. Handlers get them by reference and may change what the Parts let
// them change: a key handler swallows a key of the table below by setting `key` to 0 (a key the table
// does not know arrives as 0 and cannot be swallowed); a mouse or field handler sets
// `handled` so that the view does nothing more with the click.
//
// Keys and buttons use the classic codes the editor's handlers compare with: key codes of the
// virtual-key table (8 Backspace, 9 Tab, 13 Enter, 27 Esc, 33-40 paging and arrows, 45 Insert,
// 46 Delete, 48-57 and 65-90 digits and letters, 112-123 F1-F12), shift state 1 Shift, 2 Ctrl, 4 Alt,
// buttons 1 left, 2 right, 4 middle.
struct RichKeyArgs
{
    int key = 0;
    int shift = 0;
    QString text;

    static int virtualKey(int qtKey);
    static int shiftState(int qtModifiers);
};

struct RichMouseArgs
{
    int button = 0;
    int shift = 0;
    QPointF scenePos;    // pixels at 96 dpi, unzoomed
    int position = -1;   // text position under the mouse in the current part, -1 outside the text
    bool handled = false;
};

struct RichFieldArgs
{
    int id = 0;
    int type = 0;
    QString data;
    QString text;
    bool handled = false;
};

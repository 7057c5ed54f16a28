#pragma once

#include <QString>

// Title cleaning shared by the page tree and the publishers: the characters
// removed here would break the markup or the attribute values that titles are
// later written into.
class HtmMoji
{
public:
    // Removes every half-width blank, "&", "<", ">", double and single quote
    // from `sWd`, in place.
    static void T_HtmMoji(QString &sWd);
    // A title as one line of plain text, wherever it is taken (the title box, the title prompt, a
    // node renamed in the tree): its lines are joined by a blank (CR, LF, CR LF, a line or
    // paragraph separator each end one), a tab becomes a blank, and other control characters go.
    static QString oneLine(const QString &text);
};

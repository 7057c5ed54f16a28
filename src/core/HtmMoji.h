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
};

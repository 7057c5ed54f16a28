#pragma once

#include <QString>

// Numbers typed into text boxes, command lines and settings files are read
// leniently: the number at the start of the text counts, the rest is ignored,
// and a text without a leading number reads as 0.
class NumberText
{
public:
    // Leading blanks, an optional sign, digits with an optional "." fraction and
    // an optional exponent; "12abc" gives 12, "abc" and "" give 0.
    static double leading(const QString &text);
    // Nearest whole number, exact halves to the even neighbour, clamped to the
    // 32-bit range (a hand-edited file must not overflow the callers).
    static int roundInt32(double value);
};

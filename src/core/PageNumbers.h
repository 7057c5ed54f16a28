#pragma once

#include <QtGlobal>

// Page numbers are 32-bit and start above 0, as the editor, the tree's keys and the page links hold
// them. A database from elsewhere may hold any 64-bit number: a page numbered outside the range can
// be neither shown nor opened, and a number cut down to 32 bits would name another page.
namespace PageNumbers {
constexpr qint64 Highest = 0x7fffffff;
inline bool fits(qint64 page)
{
    return page > 0 && page <= Highest;
}
} // namespace PageNumbers

#include "platform/text/NumberText.h"

#include <cmath>
#include <limits>

namespace {

bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }

int skipDigits(const QString &text, int i)
{
    while (i < text.size() && isDigit(text.at(i)))
        ++i;
    return i;
}

} // namespace

double NumberText::leading(const QString &text)
{
    int i = 0;
    while (i < text.size() && (text.at(i) == u' ' || text.at(i) == u'\t'))
        ++i;
    const int start = i;
    if (i < text.size() && (text.at(i) == u'+' || text.at(i) == u'-'))
        ++i;
    const int intStart = i;
    i = skipDigits(text, i);
    bool digits = i > intStart;
    if (i < text.size() && text.at(i) == u'.') {
        const int fracStart = i + 1;
        const int fracEnd = skipDigits(text, fracStart);
        if (digits || fracEnd > fracStart) {
            digits = true;
            i = fracEnd;
        }
    }
    if (!digits)
        return 0.0;
    if (i < text.size() && (text.at(i) == u'e' || text.at(i) == u'E')) {
        int j = i + 1;
        if (j < text.size() && (text.at(j) == u'+' || text.at(j) == u'-'))
            ++j;
        const int expEnd = skipDigits(text, j);
        if (expEnd > j)
            i = expEnd;
    }
    bool ok = false;
    const double value = text.mid(start, i - start).toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return 0.0;
    return value;
}

int NumberText::roundInt32(double value)
{
    if (std::isnan(value))
        return 0;
    constexpr double lo = std::numeric_limits<int>::min();
    constexpr double hi = std::numeric_limits<int>::max();
    const double rounded = std::nearbyint(value);
    if (rounded <= lo)
        return std::numeric_limits<int>::min();
    if (rounded >= hi)
        return std::numeric_limits<int>::max();
    return int(rounded);
}

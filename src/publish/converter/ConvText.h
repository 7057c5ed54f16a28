#pragma once

#include <QString>
#include <QStringList>

#include <cmath>

// Text helpers of the converter's string passes. Positions are 0-based; -1 means not found.
namespace ConvText {

inline const QString CrLf = QStringLiteral("\r\n");
inline const QChar Cr = QLatin1Char('\r');
inline const QChar Quote = QLatin1Char('"');

// Trims blanks, CR and LF only: no-break spaces, tabs and ideographic spaces are text.
inline bool isTrimmed(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\r') || c == QLatin1Char('\n');
}
inline QString trim(const QString &s)
{
    qsizetype a = 0, b = s.size();
    while (a < b && isTrimmed(s[a]))
        ++a;
    while (b > a && isTrimmed(s[b - 1]))
        --b;
    return s.mid(a, b - a);
}
inline QString ltrim(const QString &s)
{
    qsizetype a = 0;
    while (a < s.size() && isTrimmed(s[a]))
        ++a;
    return s.mid(a);
}
inline qsizetype find(const QString &s, const QString &t, qsizetype from = 0, bool anyCase = false)
{
    if (from < 0)
        from = 0;
    if (from > s.size())
        return -1;
    return s.indexOf(t, from, anyCase ? Qt::CaseInsensitive : Qt::CaseSensitive);
}
inline qsizetype ifind(const QString &s, const QString &t, qsizetype from = 0)
{
    return find(s, t, from, true);
}
inline bool icontains(const QString &s, const QString &t)
{
    return s.contains(t, Qt::CaseInsensitive);
}
// Replaces every occurrence of t (any case) by r.
inline void ireplace(QString &s, const QString &t, const QString &r)
{
    s.replace(t, r, Qt::CaseInsensitive);
}
// The leading number of a text, blanks ignored (0 when none).
inline double val(const QString &text)
{
    QString s;
    bool dot = false;
    for (QChar c : text) {
        if (c == QLatin1Char(' '))
            continue;
        if (c.isDigit() && c.unicode() < 128)
            s += c;
        else if (c == QLatin1Char('.') && !dot) {
            dot = true;
            s += c;
        } else if ((c == QLatin1Char('-') || c == QLatin1Char('+')) && s.isEmpty())
            s += c;
        else
            break;
    }
    bool ok = false;
    const double v = s.toDouble(&ok);
    return ok && std::isfinite(v) ? v : 0.0;
}
// Halves to the even number.
inline long long roundEven(double v)
{
    if (!std::isfinite(v) || std::fabs(v) > 9e15)
        return 0;
    return static_cast<long long>(std::nearbyint(v));
}
// Up to 15 significant digits, no exponent, no trailing zeros.
inline QString shortNum(double v)
{
    if (!std::isfinite(v))
        return QStringLiteral("0");
    QString s = QString::number(v, 'f', 15 - qBound(0, int(std::floor(std::log10(std::fabs(v) + 1))), 15));
    if (s.contains(QLatin1Char('.'))) {
        while (s.endsWith(QLatin1Char('0')))
            s.chop(1);
        if (s.endsWith(QLatin1Char('.')))
            s.chop(1);
    }
    if (s == QLatin1String("-0"))
        s = QStringLiteral("0");
    return s;
}
// The text after the first `start` (any case) up to the next `end` (any case); the end of the text
// counts as `end` when it is missing; empty when `start` is missing.
inline QString between(const QString &s, const QString &start, const QString &end)
{
    const qsizetype p = start.isEmpty() ? 0 : ifind(s, start);
    if (p < 0)
        return QString();
    const qsizetype a = p + start.size();
    const qsizetype q = ifind(s, end, a);
    return q < 0 ? s.mid(a) : s.mid(a, q - a);
}
// Characters that no XML document may hold: controls but tab, LF and CR, the two non-characters
// U+FFFE and U+FFFF, and a surrogate without its partner.
inline bool notXmlChar(const QString &s, qsizetype i)
{
    const char16_t u = s[i].unicode();
    if (u < 0x20)
        return u != '\t' && u != '\n' && u != '\r';
    if (u == 0xFFFE || u == 0xFFFF)
        return true;
    if (QChar::isHighSurrogate(u))
        return i + 1 >= s.size() || !QChar::isLowSurrogate(s[i + 1].unicode());
    if (QChar::isLowSurrogate(u))
        return i == 0 || !QChar::isHighSurrogate(s[i - 1].unicode());
    return false;
}
// Text escaped for an attribute value or element content; characters that XML cannot hold are dropped.
inline QString escape(const QString &s)
{
    QString r;
    r.reserve(s.size());
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        switch (c.unicode()) {
        case '&': r += QLatin1String("&amp;"); break;
        case '<': r += QLatin1String("&lt;"); break;
        case '>': r += QLatin1String("&gt;"); break;
        case '"': r += QLatin1String("&quot;"); break;
        default:
            if (!notXmlChar(s, i))
                r += c;
        }
    }
    return r;
}
// The entities the dialect writes, back into text.
inline QString unescape(QString s)
{
    s.replace(QLatin1String("&quot;"), QLatin1String("\""));
    s.replace(QLatin1String("&lt;"), QLatin1String("<"));
    s.replace(QLatin1String("&gt;"), QLatin1String(">"));
    s.replace(QLatin1String("&#39;"), QLatin1String("'"));
    s.replace(QLatin1String("&amp;"), QLatin1String("&"));
    return s;
}
// A font name as a quoted CSS value. Font names come from the user's formats: a character that
// could end the string, the declaration, the rule or the style element has no place in a font
// name and is dropped.
inline QString cssFont(const QString &name)
{
    QString r;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const QChar c = name[i];
        if (QStringLiteral("'\";\\<>{}&").contains(c) || c.unicode() < 0x20 || c.unicode() == 0x7F
            || notXmlChar(name, i))
            continue;
        r += c;
    }
    return QLatin1Char('\'') + r + QLatin1Char('\'');
}
// The converter's text template convention: "~" CR LF, "@" two blanks, ' becomes ".
inline QString finish(QString s)
{
    s.replace(QLatin1Char('~'), CrLf);
    s.replace(QLatin1Char('@'), QLatin1String("  "));
    s.replace(QLatin1Char('\''), QLatin1Char('"'));
    return s;
}

} // namespace ConvText

#pragma once

#include "platform/text/TextChars.h"

#include <QString>
#include <QStringList>
#include <QUrl>

#include <algorithm>

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
// Text escaped for an attribute value or element content; characters that no page carries are
// dropped (TextChars).
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
            if (!TextChars::unwritten(s, i))
                r += c;
        }
    }
    return r;
}
// A link target as a URI can hold it: blanks, control characters, quotes, "<", ">", "\", "^", "`",
// "{", "|", "}", a "%" that starts no escape, a second "#" and, after the host, "[" and "]" are
// percent-encoded (UTF-8); a host beyond ASCII (an internationalised domain name) is written in its
// ASCII form, which is what a URI's host must be; everything else, letters beyond ASCII in the
// path included, stays as it is.
inline QString uriText(const QString &given)
{
    static const QString special = QStringLiteral("\"<>\\^`{|}");
    QString target = given;
    qsizetype scheme = target.indexOf(QLatin1String("://"));
    for (qsizetype i = 0; i < scheme; ++i) {
        const QChar c = target[i];
        if (!(c.isLetter() && c.unicode() < 0x80) && (i == 0 || !(c.isDigit() || c == u'+' || c == u'-' || c == u'.')))
            scheme = -1;
    }
    const qsizetype authority = scheme <= 0 ? -1 : scheme + 3;
    qsizetype pathStart = 0;
    if (authority > 0) {
        pathStart = authority;
        while (pathStart < target.size() && !QStringLiteral("/?#").contains(target[pathStart]))
            ++pathStart;
        const qsizetype at = target.lastIndexOf(QLatin1Char('@'), pathStart - 1);
        const qsizetype hostStart = at >= authority ? at + 1 : authority;
        qsizetype hostEnd = target.indexOf(QLatin1Char(':'), hostStart);
        if (hostEnd < 0 || hostEnd > pathStart)
            hostEnd = pathStart;
        const QString host = target.mid(hostStart, hostEnd - hostStart);
        const bool wide = std::any_of(host.cbegin(), host.cend(), [](QChar c) { return c.unicode() >= 0x80; });
        const QByteArray ace = wide ? QUrl::toAce(host) : QByteArray();
        if (!ace.isEmpty()) {
            target.replace(hostStart, host.size(), QString::fromLatin1(ace));
            pathStart += ace.size() - host.size();
        }
    }
    auto isHex = [&](qsizetype i) {
        if (i >= target.size())
            return false;
        const char16_t h = target[i].unicode();
        return (h >= '0' && h <= '9') || (h >= 'a' && h <= 'f') || (h >= 'A' && h <= 'F');
    };
    QString out;
    out.reserve(target.size());
    bool fragment = false;
    for (qsizetype i = 0; i < target.size(); ++i) {
        const QChar c = target[i];
        const char16_t u = c.unicode();
        bool encode = u <= 0x20 || u == 0x7F || special.contains(c)
                      || (u == '%' && !(isHex(i + 1) && isHex(i + 2)))
                      || ((u == '[' || u == ']') && i >= pathStart);
        if (u == '#') {
            encode = fragment;
            fragment = true;
        }
        if (!encode) {
            out += c;
            continue;
        }
        for (const char b : QString(c).toUtf8())
            out += QStringLiteral("%%1").arg(uchar(b), 2, 16, QLatin1Char('0')).toUpper();
    }
    return out;
}
// A target that runs script or carries a whole document of its own (javascript:, vbscript:,
// data:), read as a browser reads it: blanks and control characters inside the scheme are passed
// over, letter case does not count.
inline bool activeTarget(const QString &href)
{
    QString s;
    for (QChar c : href) {
        if (c.unicode() > 0x20)
            s += c.toLower();
        if (s.size() >= 11)
            break;
    }
    return s.startsWith(QLatin1String("javascript:")) || s.startsWith(QLatin1String("vbscript:"))
           || s.startsWith(QLatin1String("data:"));
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
        if (QStringLiteral("'\";\\<>{}&").contains(c) || c.unicode() < 0x20 || TextChars::unwritten(name, i))
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

#pragma once

#include <QString>

// Characters that a published page, book or exported HTML never carries, wherever the text goes
// (element content, titles, attribute values):
//   - control characters but tab, line feed and carriage return, DEL and the C1 controls: no HTML
//     or XML document type allows them;
//   - the bidirectional embedding, override and isolate controls (U+202A-U+202E, U+2066-U+2069):
//     they turn the text after them around, so that a title or a link would read other than it
//     is;
//   - the non-characters U+FDD0-U+FDEF, U+FFFE and U+FFFF, and a surrogate without its partner.
namespace TextChars {

inline bool unwritten(const QString &s, qsizetype i)
{
    const char16_t u = s[i].unicode();
    if (u < 0x20)
        return u != '\t' && u != '\n' && u != '\r';
    if (u >= 0x7F && u <= 0x9F)
        return true;
    if ((u >= 0x202A && u <= 0x202E) || (u >= 0x2066 && u <= 0x2069))
        return true;
    if ((u >= 0xFDD0 && u <= 0xFDEF) || u == 0xFFFE || u == 0xFFFF)
        return true;
    if (QChar::isHighSurrogate(u))
        return i + 1 >= s.size() || !QChar::isLowSurrogate(s[i + 1].unicode());
    if (QChar::isLowSurrogate(u))
        return i == 0 || !QChar::isHighSurrogate(s[i - 1].unicode());
    return false;
}

// The text on one line without those characters: tabs and line ends become blanks (a title, a
// label, a line of a message).
inline QString oneLine(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        if (u == u'\t' || u == u'\n' || u == u'\r')
            out += u' ';
        else if (!unwritten(text, i))
            out += text[i];
    }
    return out;
}

// Ruby as the readers of other programs' documents give it: the base, then its reading in these
// full-width parentheses.
inline constexpr char16_t RubyOpen = u'\uFF08';
inline constexpr char16_t RubyClose = u'\uFF09';

} // namespace TextChars

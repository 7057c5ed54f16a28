#include "platform/richtext/HtmlReferences.h"

#include <QString>
#include <QStringView>

#include <array>

namespace {

struct Named {
    const char16_t *name;
    char16_t code;
};

// The names of U+00A0-U+00FF, in order.
constexpr std::array<const char16_t *, 96> Latin1Names = {
    u"nbsp",   u"iexcl",  u"cent",   u"pound",  u"curren", u"yen",    u"brvbar", u"sect",   u"uml",    u"copy",
    u"ordf",   u"laquo",  u"not",    u"shy",    u"reg",    u"macr",   u"deg",    u"plusmn", u"sup2",   u"sup3",
    u"acute",  u"micro",  u"para",   u"middot", u"cedil",  u"sup1",   u"ordm",   u"raquo",  u"frac14", u"frac12",
    u"frac34", u"iquest", u"Agrave", u"Aacute", u"Acirc",  u"Atilde", u"Auml",   u"Aring",  u"AElig",  u"Ccedil",
    u"Egrave", u"Eacute", u"Ecirc",  u"Euml",   u"Igrave", u"Iacute", u"Icirc",  u"Iuml",   u"ETH",    u"Ntilde",
    u"Ograve", u"Oacute", u"Ocirc",  u"Otilde", u"Ouml",   u"times",  u"Oslash", u"Ugrave", u"Uacute", u"Ucirc",
    u"Uuml",   u"Yacute", u"THORN",  u"szlig",  u"agrave", u"aacute", u"acirc",  u"atilde", u"auml",   u"aring",
    u"aelig",  u"ccedil", u"egrave", u"eacute", u"ecirc",  u"euml",   u"igrave", u"iacute", u"icirc",  u"iuml",
    u"eth",    u"ntilde", u"ograve", u"oacute", u"ocirc",  u"otilde", u"ouml",   u"divide", u"oslash", u"ugrave",
    u"uacute", u"ucirc",  u"uuml",   u"yacute", u"thorn",  u"yuml"};

constexpr std::array<Named, 10> OtherNames = {{{u"amp", u'&'},
                                               {u"AMP", u'&'},
                                               {u"lt", u'<'},
                                               {u"LT", u'<'},
                                               {u"gt", u'>'},
                                               {u"GT", u'>'},
                                               {u"quot", u'"'},
                                               {u"QUOT", u'"'},
                                               {u"COPY", 0xA9},
                                               {u"REG", 0xAE}}};

// What browsers read for a number that names no character: the windows-1252 signs of C1 codes, else
// the replacement character.
constexpr std::array<char16_t, 32> C1 = {0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                         0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x8D,   0x017D, 0x8F,
                                         0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                         0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};

bool isAsciiLetterOrDigit(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
}

bool isHexDigit(QChar c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

// The longest name without ";" that `letters` begins with: its length and character; length 0 for none.
std::pair<qsizetype, char32_t> legacyName(QStringView letters)
{
    std::pair<qsizetype, char32_t> best{0, 0};
    const auto consider = [&](const char16_t *name, char32_t code) {
        const QStringView n(name);
        if (n.size() > best.first && letters.startsWith(n))
            best = {n.size(), code};
    };
    for (size_t i = 0; i < Latin1Names.size(); ++i)
        consider(Latin1Names[i], char32_t(0xA0 + i));
    for (const Named &named : OtherNames)
        consider(named.name, named.code);
    return best;
}

char32_t browsersCode(quint64 code)
{
    if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0xFFFD;
    if (code >= 0x80 && code <= 0x9F)
        return C1[code - 0x80];
    return char32_t(code);
}

QString numeric(char32_t code)
{
    return QStringLiteral("&#%1;").arg(quint32(code));
}

// The reference at `at` ("&..." not ending in ";") as one that does, and how many characters it
// replaces; 0 where it is left as it is.
qsizetype endReference(const QString &html, qsizetype at, bool inAttribute, QString &out)
{
    const qsizetype n = html.size();
    qsizetype i = at + 1;
    if (i < n && html.at(i) == u'#') {
        ++i;
        const bool hex = i < n && (html.at(i) == u'x' || html.at(i) == u'X');
        if (hex)
            ++i;
        const qsizetype digits = i;
        quint64 code = 0;
        while (i < n && (hex ? isHexDigit(html.at(i)) : html.at(i).isDigit() && html.at(i).unicode() < 0x80)) {
            const char16_t c = html.at(i).unicode();
            const quint64 digit = c <= u'9' ? c - u'0' : (c | 0x20) - u'a' + 10;
            code = qMin<quint64>(code * (hex ? 16 : 10) + digit, 0x110000);
            ++i;
        }
        if (i == digits || (i < n && html.at(i) == u';'))
            return 0;
        out += numeric(browsersCode(code));
        return i - at;
    }
    qsizetype end = i;
    while (end < n && isAsciiLetterOrDigit(html.at(end)))
        ++end;
    if (end == i || (end < n && html.at(end) == u';'))
        return 0;
    const auto [length, code] = legacyName(QStringView(html).mid(i, end - i));
    if (length == 0)
        return 0;
    const qsizetype after = i + length;
    if (inAttribute && after < n && (isAsciiLetterOrDigit(html.at(after)) || html.at(after) == u'='))
        return 0;
    out += numeric(code);
    return after - at;
}

bool startsWithAt(const QString &html, qsizetype at, QStringView text)
{
    return QStringView(html).mid(at, text.size()).compare(text, Qt::CaseInsensitive) == 0;
}

} // namespace

namespace HtmlReferences {

QString ended(const QString &html)
{
    if (!html.contains(u'&'))
        return html;
    QString out;
    out.reserve(html.size() + 16);
    const qsizetype n = html.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar ch = html.at(i);
        if (ch == u'<' && startsWithAt(html, i, u"<!--")) {
            const qsizetype close = html.indexOf(QStringLiteral("-->"), i + 4);
            const qsizetype end = close < 0 ? n : close + 3;
            out += QStringView(html).mid(i, end - i);
            i = end;
            continue;
        }
        const QChar next = i + 1 < n ? html.at(i + 1) : QChar();
        if (ch == u'<' && (next.isLetter() || next == u'/' || next == u'!' || next == u'?')) {
            // A tag: references in its quoted or unquoted attribute values.
            const QStringView rawEnd = startsWithAt(html, i, u"<script") ? QStringView(u"</script")
                                       : startsWithAt(html, i, u"<style") ? QStringView(u"</style") : QStringView();
            QChar quote;
            qsizetype j = i;
            out += ch;
            for (++j; j < n; ++j) {
                const QChar c = html.at(j);
                if (c == u'&') {
                    if (const qsizetype used = endReference(html, j, true, out); used > 0) {
                        j += used - 1;
                        continue;
                    }
                } else if (!quote.isNull()) {
                    if (c == quote)
                        quote = QChar();
                } else if (c == u'"' || c == u'\'') {
                    quote = c;
                } else if (c == u'>') {
                    out += c;
                    ++j;
                    break;
                }
                out += c;
            }
            i = j;
            if (!rawEnd.isEmpty()) {
                // The text of a script or a style sheet holds no references.
                const qsizetype close = QStringView(html).indexOf(rawEnd, i, Qt::CaseInsensitive);
                const qsizetype end = close < 0 ? n : close;
                out += QStringView(html).mid(i, end - i);
                i = end;
            }
            continue;
        }
        if (ch == u'&') {
            if (const qsizetype used = endReference(html, i, false, out); used > 0) {
                i += used;
                continue;
            }
        }
        out += ch;
        ++i;
    }
    return out;
}

} // namespace HtmlReferences

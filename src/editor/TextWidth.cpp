#include "editor/TextWidth.h"

namespace {

// Half-width katakana U+FF66 to U+FF9D and their full-width forms, in the same order.
const QString HalfKana = QStringLiteral("ｦｧｨｩｪｫｬｭｮｯｰｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃﾄﾅﾆﾇﾈﾉﾊﾋﾌﾍﾎﾏﾐﾑﾒﾓﾔﾕﾖﾗﾘﾙﾚﾛﾜﾝ");
const QString FullKana = QStringLiteral("ヲァィゥェォャュョッーアイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホマミムメモヤユヨラリルレロワン");
const QString HalfMarks = QStringLiteral("｡｢｣､･ﾞﾟ");
const QString FullMarks = QStringLiteral("。「」、・゛゜");
// Kana that take the voicing mark (one code point further) and the semi-voicing mark (two further).
const QString Voiceable = QStringLiteral("カキクケコサシスセソタチツテトハヒフヘホ");
const QString SemiVoiceable = QStringLiteral("ハヒフヘホ");
const QChar Dakuten(0xFF9E);
const QChar Handakuten(0xFF9F);

} // namespace

QString TextWidth::narrow(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const ushort u = c.unicode();
        if (u >= 0xFF01 && u <= 0xFF5E) {
            out += QChar(u - 0xFEE0);
        } else if (u == 0x3000) {
            out += QLatin1Char(' ');
        } else if (const qsizetype k = FullKana.indexOf(c); k >= 0) {
            out += HalfKana[k];
        } else if (const qsizetype m = FullMarks.indexOf(c); m >= 0) {
            out += HalfMarks[m];
        } else if (u == 0x30F4) { // ヴ
            out += QStringLiteral("ｳ") + Dakuten;
        } else if (Voiceable.contains(QChar(u - 1)) && u >= 0x30AC && u <= 0x30DD) {
            out += HalfKana[FullKana.indexOf(QChar(u - 1))];
            out += Dakuten;
        } else if (SemiVoiceable.contains(QChar(u - 2)) && u >= 0x30D1 && u <= 0x30DD) {
            out += HalfKana[FullKana.indexOf(QChar(u - 2))];
            out += Handakuten;
        } else {
            out += c;
        }
    }
    return out;
}

QString TextWidth::wide(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        const ushort u = c.unicode();
        if (u >= 0x21 && u <= 0x7E) {
            out += QChar(u + 0xFEE0);
        } else if (u == 0x20) {
            out += QChar(0x3000);
        } else if (const qsizetype k = HalfKana.indexOf(c); k >= 0) {
            const QChar full = FullKana[k];
            const QChar next = i + 1 < text.size() ? text[i + 1] : QChar();
            if (next == Dakuten && full == QChar(0x30A6)) {
                out += QChar(0x30F4);
                ++i;
            } else if (next == Dakuten && Voiceable.contains(full)) {
                out += QChar(full.unicode() + 1);
                ++i;
            } else if (next == Handakuten && SemiVoiceable.contains(full)) {
                out += QChar(full.unicode() + 2);
                ++i;
            } else {
                out += full;
            }
        } else if (const qsizetype m = HalfMarks.indexOf(c); m >= 0) {
            out += FullMarks[m];
        } else {
            out += c;
        }
    }
    return out;
}

QString TextWidth::katakana(const QString &text)
{
    QString out = text;
    for (QChar &c : out) {
        if (c.unicode() >= 0x3041 && c.unicode() <= 0x3096)
            c = QChar(c.unicode() + 0x60);
    }
    return out;
}

QString TextWidth::proper(const QString &text)
{
    QString out = text.toLower();
    bool start = true;
    for (QChar &c : out) {
        if (c.isLetter()) {
            if (start)
                c = c.toUpper();
            start = false;
        } else {
            start = c.isSpace() || c.isPunct() || c.isSymbol();
        }
    }
    return out;
}

QString TextWidth::cleanTip(const QString &text)
{
    static const QString Dropped = QStringLiteral("@?>=<;:/.-,+*)('&%$#![\\]^_`{|}~｡｢｣､･ﾞﾟ\"");
    const QString narrowed = narrow(text);
    QString kept;
    kept.reserve(narrowed.size());
    for (const QChar c : narrowed) {
        if (!Dropped.contains(c, Qt::CaseInsensitive))
            kept += c;
    }
    return wide(kept);
}

#pragma once

#include <QString>

// Width and case conversions of Japanese text as the editor's dialogs use them: full-width to
// half-width (a voiced katakana becomes the kana and a separate voicing mark) and back (a kana and a
// following mark join again), hiragana to katakana, and the first letter of each word upper case.
class TextWidth
{
public:
    static QString narrow(const QString &text);
    static QString wide(const QString &text);
    static QString katakana(const QString &text);
    static QString proper(const QString &text);
    // The tooltip text as fields store it: narrowed, without punctuation and voicing marks, widened.
    static QString cleanTip(const QString &text);
};

#pragma once

#include <QByteArray>
#include <QString>

// The system code page of the stored files (CP932, Shift_JIS with the Windows
// extensions), converted through iconv. Characters that CP932 cannot hold
// become "?" on the way out; invalid bytes become U+FFFD on the way in.
class SystemCodec
{
public:
    static QByteArray fromUnicode(const QString &text);
    static QString toUnicode(const QByteArray &bytes);
    // True when every character of `text` survives a round trip through CP932.
    static bool canEncode(const QString &text);
    // Text in another encoding, named as iconv names it ("EUC-JP", "CP1251"; letters, digits and
    // "-_.:" only); invalid bytes become U+FFFD. False when iconv knows no such encoding.
    static bool decode(const QByteArray &bytes, const QByteArray &encoding, QString &text);
};

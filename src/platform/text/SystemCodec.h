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
};

#pragma once

#include <QByteArray>

// The encodings a web page may declare, by every label of the web's table of encodings, as browsers
// decode them: a label names its encoding whatever its letter case and the white space around it.
// Labels outside the table name nothing (a page declaring one is read as if it declared none), so
// that an encoding no browser reads for a page, UTF-7 among them, never decodes one.
namespace WebEncoding {

// The decoder for the encodings whose labels browsers keep from ever decoding a page (ISO-2022-KR,
// HZ-GB-2312, ISO-2022-CN): their bytes can hide markup in plain letters.
inline constexpr char Refused[] = "replacement";

// The name iconv decodes the label's encoding by ("CP1252", "GB18030", "CP949" ...), "UTF-8" for the
// labels a page decodes as UTF-8 (UTF-16's too: a page read byte by byte to find its declaration is
// no UTF-16), Refused, or empty for a label outside the table.
QByteArray decoderFor(const QByteArray &label);

} // namespace WebEncoding

#include "platform/text/SystemCodec.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <iconv.h>

namespace {

class Iconv
{
public:
    Iconv(const char *to, const char *from) : m_cd(iconv_open(to, from)) {}
    ~Iconv() { if (valid()) iconv_close(m_cd); }
    Iconv(const Iconv &) = delete;
    Iconv &operator=(const Iconv &) = delete;
    bool valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

    // Converts `in`; an unconvertible or invalid input unit is replaced by
    // `replacement` and skipped (`unit` bytes). Returns false when nothing was lost.
    bool convert(const QByteArray &in, QByteArray &out, const QByteArray &replacement, int unit)
    {
        bool lost = false;
        out.clear();
        if (!valid())
            return true;
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        char *src = const_cast<char *>(in.constData());
        size_t srcLeft = size_t(in.size());
        char buffer[4096];
        while (srcLeft > 0) {
            char *dst = buffer;
            size_t dstLeft = sizeof buffer;
            const size_t rc = iconv(m_cd, &src, &srcLeft, &dst, &dstLeft);
            out.append(buffer, int(dst - buffer));
            if (rc != size_t(-1))
                continue;
            if (errno == E2BIG)
                continue;
            // EILSEQ or EINVAL: replace one unit and go on.
            lost = true;
            out.append(replacement);
            const size_t skip = std::min(size_t(unit), srcLeft);
            src += skip;
            srcLeft -= skip;
        }
        char *dst = buffer;
        size_t dstLeft = sizeof buffer;
        iconv(m_cd, nullptr, nullptr, &dst, &dstLeft);
        out.append(buffer, int(dst - buffer));
        return lost;
    }

private:
    iconv_t m_cd;
};

} // namespace

QByteArray SystemCodec::fromUnicode(const QString &text)
{
    // UTF-32 input keeps one unit per character, so a replacement skips exactly one.
    const std::u32string wide = text.toStdU32String();
    const QByteArray in(reinterpret_cast<const char *>(wide.data()), int(wide.size() * 4));
    Iconv cd("CP932", "UTF-32LE");
    QByteArray out;
    cd.convert(in, out, QByteArrayLiteral("?"), 4);
    return out;
}

QString SystemCodec::toUnicode(const QByteArray &bytes)
{
    QString text;
    decode(bytes, QByteArrayLiteral("CP932"), text);
    return text;
}

bool SystemCodec::decode(const QByteArray &bytes, const QByteArray &encoding, QString &text)
{
    // The name may come from a file: nothing that iconv could take for options or a path.
    const bool plain = !encoding.isEmpty() && encoding.size() <= 40
        && std::all_of(encoding.cbegin(), encoding.cend(), [](char c) { return std::isalnum(uchar(c)) || std::strchr("-_.:", c); });
    if (!plain)
        return false;
    Iconv cd("UTF-8", encoding.constData());
    if (!cd.valid())
        return false;
    QByteArray out;
    cd.convert(bytes, out, QByteArrayLiteral("\xEF\xBF\xBD"), 1);
    text = QString::fromUtf8(out);
    return true;
}

bool SystemCodec::canEncode(const QString &text)
{
    const std::u32string wide = text.toStdU32String();
    const QByteArray in(reinterpret_cast<const char *>(wide.data()), int(wide.size() * 4));
    Iconv cd("CP932", "UTF-32LE");
    QByteArray out;
    return !cd.convert(in, out, QByteArray(), 4);
}

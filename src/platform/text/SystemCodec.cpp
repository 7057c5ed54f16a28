#include "platform/text/SystemCodec.h"

#include <cerrno>
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
    Iconv cd("UTF-8", "CP932");
    QByteArray out;
    cd.convert(bytes, out, QByteArrayLiteral("\xEF\xBF\xBD"), 1);
    return QString::fromUtf8(out);
}

bool SystemCodec::canEncode(const QString &text)
{
    const std::u32string wide = text.toStdU32String();
    const QByteArray in(reinterpret_cast<const char *>(wide.data()), int(wide.size() * 4));
    Iconv cd("CP932", "UTF-32LE");
    QByteArray out;
    return !cd.convert(in, out, QByteArray(), 4);
}

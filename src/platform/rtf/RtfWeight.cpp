#include "platform/rtf/RtfWeight.h"

#include "platform/richtext/PageCodec.h"

#include <cctype>

namespace {

// The control word at `at` ("\pict", "\bin12 "): its end, its name and its number.
qsizetype controlWord(const QByteArray &rtf, qsizetype at, QByteArray &name, qint64 &number)
{
    qsizetype i = at + 1;
    while (i < rtf.size() && std::isalpha(uchar(rtf.at(i))))
        ++i;
    name = rtf.mid(at + 1, i - at - 1);
    if (name.isEmpty())
        return qMin(at + 2, rtf.size());
    const qsizetype digits = i;
    if (i < rtf.size() && rtf.at(i) == '-')
        ++i;
    while (i < rtf.size() && i - digits < 10 && std::isdigit(uchar(rtf.at(i))))
        ++i;
    number = rtf.mid(digits, i - digits).toLongLong();
    return i < rtf.size() && rtf.at(i) == ' ' ? i + 1 : i;
}

// The first bytes of the picture of the \pict group whose content starts at `at`, enough for its
// header (the groups of a word processor's own in it skipped), and where the look ended.
QByteArray pictureHead(const QByteArray &rtf, qsizetype &at)
{
    constexpr qsizetype HeadSize = 256 * 1024;
    QByteArray head;
    int depth = 0;
    int nibble = -1;
    qsizetype i = at;
    while (i < rtf.size() && head.size() < HeadSize) {
        const char ch = rtf.at(i);
        if (ch == '}' && depth == 0)
            break;
        if (ch == '}') {
            --depth;
            ++i;
        } else if (ch == '{') {
            ++depth;
            ++i;
        } else if (ch == '\\' && depth > 0) {
            i += 2;
        } else if (ch == '\\') {
            QByteArray name;
            qint64 number = 0;
            i = controlWord(rtf, i, name, number);
            if (name == "bin" && number > 0) {
                head += rtf.mid(i, qMin(number, HeadSize));
                i += qMin(number, rtf.size() - i);
            }
        } else if (depth == 0 && std::isxdigit(uchar(ch))) {
            const int value = ch <= '9' ? ch - '0' : (ch | 0x20) - 'a' + 10;
            if (nibble < 0) {
                nibble = value;
            } else {
                head += char(nibble * 16 + value);
                nibble = -1;
            }
            ++i;
        } else {
            ++i;
        }
    }
    at = i;
    return head;
}

} // namespace

namespace RtfWeight {

qint64 pictures(const QByteArray &rtf, qint64 limit)
{
    qint64 weight = 0;
    for (qsizetype at = rtf.indexOf("\\pict"); at >= 0 && weight <= limit; at = rtf.indexOf("\\pict", at)) {
        at += 5;
        if (at < rtf.size() && std::isalpha(uchar(rtf.at(at))))
            continue;
        weight += PageCodec::pictureWeight(pictureHead(rtf, at));
    }
    return weight;
}

Look structure(const QByteArray &rtf)
{
    // By the names in place: a clipboard's RTF may hold millions of control words.
    Look look;
    for (qsizetype at = rtf.indexOf('\\'); at >= 0; at = rtf.indexOf('\\', at)) {
        qsizetype end = ++at;
        while (end < rtf.size() && std::isalpha(uchar(rtf.at(end))))
            ++end;
        const QByteArrayView name(rtf.constData() + at, end - at);
        if (name == "cell" || name == "nestcell")
            ++look.cells;
        else if (name == "ls")
            ++look.listItems;
        // A control symbol (a backslash and one character that is no letter) ends after its character.
        at = end > at ? end : at + 1;
    }
    return look;
}

} // namespace RtfWeight

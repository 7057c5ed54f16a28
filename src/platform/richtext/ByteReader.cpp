#include "platform/richtext/ByteReader.h"

#include <cstring>
#include <limits>

bool ByteReader::need(qsizetype size)
{
    if (!m_ok || size < 0 || size > m_data.size() - m_pos)
        m_ok = false;
    return m_ok;
}

quint8 ByteReader::u8()
{
    if (!need(1))
        return 0;
    return quint8(m_data[m_pos++]);
}

quint16 ByteReader::u16()
{
    const quint16 low = u8();
    return quint16(low | (quint16(u8()) << 8));
}

quint32 ByteReader::u32()
{
    const quint32 low = u16();
    return low | (quint32(u16()) << 16);
}

quint64 ByteReader::u64()
{
    const quint64 low = u32();
    return low | (quint64(u32()) << 32);
}

quint64 ByteReader::varUInt()
{
    quint64 value = 0;
    for (int shift = 0; shift < 64; shift += 7) {
        const quint8 byte = u8();
        if (!m_ok)
            return 0;
        if (shift == 63 && byte > 1)
            break; // more than 64 bits
        value |= quint64(byte & 0x7F) << shift;
        if (!(byte & 0x80))
            return value;
    }
    m_ok = false;
    return 0;
}

qint64 ByteReader::varInt()
{
    const quint64 zig = varUInt();
    return qint64(zig >> 1) ^ -qint64(zig & 1);
}

int ByteReader::intIn(qint64 min, qint64 max)
{
    const qint64 value = varInt();
    if (!m_ok || value < min || value > max) {
        m_ok = false;
        return int(min);
    }
    return int(value);
}

int ByteReader::uintIn(int min, int max)
{
    const quint64 value = varUInt();
    if (!m_ok || value < quint64(min) || value > quint64(max)) {
        m_ok = false;
        return min;
    }
    return int(value);
}

int ByteReader::count(int minItemBytes)
{
    const quint64 n = varUInt();
    if (!m_ok || n > quint64(std::numeric_limits<int>::max())
        || n * quint64(minItemBytes) > quint64(remaining())) {
        m_ok = false;
        return 0;
    }
    return int(n);
}

float ByteReader::f32()
{
    const quint32 bits = u32();
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

double ByteReader::f64()
{
    const quint64 bits = u64();
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

QString ByteReader::string()
{
    const int units = count(2);
    if (!m_ok)
        return QString();
    QString text(units, Qt::Uninitialized);
    QChar *out = text.data();
    for (int i = 0; i < units; ++i, m_pos += 2)
        out[i] = QChar(quint16(quint8(m_data[m_pos]) | (quint8(m_data[m_pos + 1]) << 8)));
    return text;
}

QByteArray ByteReader::bytes()
{
    const QByteArrayView view = raw(count(1));
    return m_ok ? view.toByteArray() : QByteArray();
}

QByteArrayView ByteReader::raw(qsizetype size)
{
    if (!need(size))
        return QByteArrayView();
    const QByteArrayView view = m_data.sliced(m_pos, size);
    m_pos += size;
    return view;
}

ByteReader ByteReader::sub()
{
    const QByteArrayView view = raw(count(1));
    ByteReader reader(view);
    reader.m_ok = m_ok;
    return reader;
}

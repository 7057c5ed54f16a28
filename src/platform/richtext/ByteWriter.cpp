#include "platform/richtext/ByteWriter.h"

#include <cstring>

void ByteWriter::u16(quint16 value)
{
    u8(quint8(value));
    u8(quint8(value >> 8));
}

void ByteWriter::u32(quint32 value)
{
    u16(quint16(value));
    u16(quint16(value >> 16));
}

void ByteWriter::u64(quint64 value)
{
    u32(quint32(value));
    u32(quint32(value >> 32));
}

void ByteWriter::varUInt(quint64 value)
{
    while (value >= 0x80) {
        u8(quint8(value | 0x80));
        value >>= 7;
    }
    u8(quint8(value));
}

void ByteWriter::varInt(qint64 value)
{
    varUInt((quint64(value) << 1) ^ quint64(value >> 63));
}

void ByteWriter::f32(float value)
{
    quint32 bits;
    std::memcpy(&bits, &value, sizeof bits);
    u32(bits);
}

void ByteWriter::f64(double value)
{
    quint64 bits;
    std::memcpy(&bits, &value, sizeof bits);
    u64(bits);
}

void ByteWriter::string(const QString &text)
{
    varUInt(quint64(text.size()));
    for (QChar ch : text)
        u16(ch.unicode());
}

void ByteWriter::bytes(const QByteArray &data)
{
    varUInt(quint64(data.size()));
    m_bytes.append(data);
}

void ByteWriter::section(const char tag[4], const QByteArray &payload)
{
    m_bytes.append(tag, 4);
    bytes(payload);
}

void ByteWriter::tagged(quint8 kind, const QByteArray &payload)
{
    u8(kind);
    bytes(payload);
}

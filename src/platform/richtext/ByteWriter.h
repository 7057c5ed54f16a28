#pragma once

#include <QByteArray>
#include <QString>

// Appends the primitives of the page stream: little-endian fixed widths, LEB128 varints (zigzag for
// signed values), strings as UTF-16LE with their unit count. Byte-exact on every platform and Qt version.
class ByteWriter
{
public:
    void u8(quint8 value) { m_bytes.append(char(value)); }
    void u16(quint16 value);
    void u32(quint32 value);
    void u64(quint64 value);
    void varUInt(quint64 value);
    void varInt(qint64 value);
    void f32(float value);
    void f64(double value);
    void string(const QString &text);
    void bytes(const QByteArray &data); // with its length
    void raw(const QByteArray &data) { m_bytes.append(data); }
    // A tagged section: tag, length, payload.
    void section(const char tag[4], const QByteArray &payload);
    // A value with its kind and length, so that a reader can skip kinds it does not know.
    void tagged(quint8 kind, const QByteArray &payload);

    const QByteArray &data() const { return m_bytes; }
    QByteArray take() { return std::move(m_bytes); }
    qsizetype size() const { return m_bytes.size(); }

private:
    QByteArray m_bytes;
};

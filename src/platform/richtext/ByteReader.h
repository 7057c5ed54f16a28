#pragma once

#include <QByteArray>
#include <QString>

// Reads what ByteWriter writes, from bytes that may be damaged or foreign: every read is checked against
// the remaining bytes, and the first failure makes every later read fail too (ok() then stays false).
// Nothing is allocated from a length in the bytes before the bytes for it are known to be there.
class ByteReader
{
public:
    explicit ByteReader(QByteArrayView bytes) : m_data(bytes) {}

    bool ok() const { return m_ok; }
    bool atEnd() const { return m_pos >= m_data.size(); }
    qsizetype remaining() const { return m_ok ? m_data.size() - m_pos : 0; }
    void fail() { m_ok = false; }

    quint8 u8();
    quint16 u16();
    quint32 u32();
    quint64 u64();
    quint64 varUInt();
    qint64 varInt();
    // A varint that must lie in [min, max]; fails otherwise.
    int intIn(qint64 min, qint64 max);
    int uintIn(int min, int max);
    // A count of items of at least minItemBytes each; fails when the rest cannot hold them.
    int count(int minItemBytes = 1);
    float f32();
    double f64();
    QString string();
    QByteArray bytes();
    QByteArrayView raw(qsizetype size);
    // A length-prefixed payload, as its own reader.
    ByteReader sub();

private:
    bool need(qsizetype size);

    QByteArrayView m_data;
    qsizetype m_pos = 0;
    bool m_ok = true;
};

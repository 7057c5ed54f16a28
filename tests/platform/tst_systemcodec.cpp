#include "platform/text/SystemCodec.h"

#include <QtTest>

class TestSystemCodec : public QObject
{
    Q_OBJECT
private slots:
    void roundTrip_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("ascii") << QStringLiteral("abc 123") << QByteArray("abc 123");
        QTest::newRow("kanji") << QStringLiteral("運用") << QByteArray("\x89\x5E\x97\x70");
        QTest::newRow("half-width kana") << QStringLiteral("ﾌｫﾙﾀﾞ") << QByteArray("\xCC\xAB\xD9\xC0\xDE");
        QTest::newRow("wave dash (CP932 maps to U+FF5E)") << QStringLiteral("～") << QByteArray("\x81\x60");
        QTest::newRow("NEC special: circled one") << QStringLiteral("①") << QByteArray("\x87\x40");
        QTest::newRow("double dagger") << QStringLiteral("‡") << QByteArray("\x81\xF6");
        QTest::newRow("empty") << QString() << QByteArray();
    }
    void roundTrip()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(SystemCodec::fromUnicode(text), bytes);
        QCOMPARE(SystemCodec::toUnicode(bytes), text);
        QVERIFY(SystemCodec::canEncode(text));
    }

    void unencodableBecomesQuestionMark()
    {
        QCOMPARE(SystemCodec::fromUnicode(QStringLiteral("a😀b")), QByteArray("a?b"));
        QVERIFY(!SystemCodec::canEncode(QStringLiteral("😀")));
    }

    void damagedBytesDoNotStop()
    {
        // A lead byte without its trail byte, in the middle and at the end.
        const QString text = SystemCodec::toUnicode(QByteArray("a\x81\x20" "b\x89"));
        QVERIFY(text.startsWith(QLatin1Char('a')));
        QVERIFY(text.contains(QChar(0xFFFD)));
        QVERIFY(text.contains(QLatin1Char('b')));
    }

    void longTextCrossesBuffer()
    {
        const QString text = QString(QStringLiteral("日本語")).repeated(5000);
        QCOMPARE(SystemCodec::toUnicode(SystemCodec::fromUnicode(text)), text);
    }
};

QTEST_MAIN(TestSystemCodec)
#include "tst_systemcodec.moc"

#include "platform/text/NumberText.h"

#include <QtTest>

#include <limits>

class TestNumberText : public QObject
{
    Q_OBJECT
private slots:
    void leading_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("empty") << QString() << 0.0;
        QTest::newRow("letters") << QStringLiteral("abc") << 0.0;
        QTest::newRow("digits then letters") << QStringLiteral("12abc") << 12.0;
        QTest::newRow("fraction") << QStringLiteral("850.5") << 850.5;
        QTest::newRow("fraction then text") << QStringLiteral("850.5px") << 850.5;
        QTest::newRow("leading blanks") << QStringLiteral("  7") << 7.0;
        QTest::newRow("negative") << QStringLiteral("-300") << -300.0;
        QTest::newRow("plus") << QStringLiteral("+4") << 4.0;
        QTest::newRow("bare sign") << QStringLiteral("-") << 0.0;
        QTest::newRow("dot only") << QStringLiteral(".") << 0.0;
        QTest::newRow("leading dot") << QStringLiteral(".5") << 0.5;
        QTest::newRow("trailing dot") << QStringLiteral("3.") << 3.0;
        QTest::newRow("comma is no decimal point") << QStringLiteral("850,5") << 850.0;
        QTest::newRow("exponent") << QStringLiteral("1e3") << 1000.0;
        QTest::newRow("exponent without digits") << QStringLiteral("2e") << 2.0;
        QTest::newRow("full-width digits are text") << QStringLiteral("１２") << 0.0;
        QTest::newRow("overflow") << QStringLiteral("1e999") << 0.0;
        QTest::newRow("second number ignored") << QStringLiteral("12 34") << 12.0;
    }
    void leading()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(NumberText::leading(text), value);
    }

    void roundInt32_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("result");
        QTest::newRow("half to even down") << 12.5 << 12;
        QTest::newRow("half to even up") << 13.5 << 14;
        QTest::newRow("negative half") << -2.5 << -2;
        QTest::newRow("nearest") << 7.6 << 8;
        QTest::newRow("too large") << 1e12 << std::numeric_limits<int>::max();
        QTest::newRow("too small") << -1e12 << std::numeric_limits<int>::min();
        QTest::newRow("nan") << std::numeric_limits<double>::quiet_NaN() << 0;
    }
    void roundInt32()
    {
        QFETCH(double, value);
        QFETCH(int, result);
        QCOMPARE(NumberText::roundInt32(value), result);
    }
};

QTEST_APPLESS_MAIN(TestNumberText)
#include "tst_numbertext.moc"

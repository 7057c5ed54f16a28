#include "platform/desktop/Clock.h"
#include "platform/desktop/RandomSource.h"

#include <QtTest>

namespace {
class FixedClock : public Clock
{
public:
    QDateTime at;
    QDateTime now() const override { return at; }
};
}

class TestRandomClock : public QObject
{
    Q_OBJECT
private slots:
    void seedingRepeatsTheSequence()
    {
        RandomSource &random = RandomSource::current();
        random.seed(12345);
        QList<quint32> first;
        for (int i = 0; i < 20; ++i)
            first << random.next32();
        random.seed(12345);
        for (int i = 0; i < 20; ++i)
            QCOMPARE(random.next32(), first.at(i));
        random.seed(54321);
        QVERIFY(random.next32() != first.first() || random.next32() != first.at(1));
    }

    void coversTheFullRange()
    {
        RandomSource &random = RandomSource::current();
        random.seed(7);
        bool highBitClear = false;
        quint32 orAll = 0;
        for (int i = 0; i < 2000; ++i) {
            const quint32 v = random.next32();
            highBitClear |= (v & 0x80000000u) == 0;
            orAll |= v;
        }
        QVERIFY(highBitClear);
        QCOMPARE(orAll, 0xFFFFFFFFu);
    }

    void doublesStayBelowOne()
    {
        RandomSource &random = RandomSource::current();
        random.seed(99);
        double low = 1, high = 0;
        for (int i = 0; i < 2000; ++i) {
            const double d = random.nextDouble();
            QVERIFY(d >= 0.0 && d < 1.0);
            low = std::min(low, d);
            high = std::max(high, d);
        }
        QVERIFY(low < 0.01);
        QVERIFY(high > 0.99);
    }

    void clockCanBeReplaced()
    {
        FixedClock fixed;
        fixed.at = QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6));
        Clock::install(&fixed);
        QCOMPARE(Clock::current().now(), fixed.at);
        Clock::install(nullptr);
        QVERIFY(qAbs(Clock::current().now().secsTo(QDateTime::currentDateTime())) < 60);
    }
};

QTEST_MAIN(TestRandomClock)
#include "tst_randomclock.moc"

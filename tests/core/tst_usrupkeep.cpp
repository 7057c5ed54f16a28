#include "core/Usr.h"
#include "platform/desktop/Clock.h"
#include "platform/desktop/RandomSource.h"

#include <QSet>
#include <QtTest>

namespace {

class FixedClock : public Clock
{
public:
    QDateTime at;
    QDateTime now() const override { return at; }
};

class QueuedRandom : public RandomSource
{
public:
    QList<std::uint32_t> values;
    void seed(std::uint32_t) override {}
    std::uint32_t next32() override { return values.isEmpty() ? 0 : values.takeFirst(); }
    double nextDouble() override { return 0.0; }
};

} // namespace

class TestUsrUpkeep : public QObject
{
    Q_OBJECT
private slots:
    void cleanup()
    {
        Clock::install(nullptr);
        RandomSource::install(nullptr);
    }

    void timeLiteral_data()
    {
        QTest::addColumn<bool>("jet");
        QTest::addColumn<QDateTime>("at");
        QTest::addColumn<QString>("literal");
        const QDateTime feb(QDate(2011, 2, 3), QTime(14, 5, 9));
        const QDateTime late(QDate(2031, 12, 31), QTime(0, 0, 1));
        QTest::newRow("jet") << true << feb << "#02/03/2011 14:05:09#";
        QTest::newRow("other") << false << feb << "convert(datetime,'2011/02/03 14:05:09')";
        QTest::newRow("jet after 2029") << true << late << "#12/31/2031 00:00:01#";
        QTest::newRow("other after 2029") << false << late << "convert(datetime,'2031/12/31 00:00:01')";
    }

    void timeLiteral()
    {
        QFETCH(bool, jet);
        QFETCH(QDateTime, at);
        FixedClock clock;
        clock.at = at;
        Clock::install(&clock);
        Usr::st().jet = jet;
        QTEST(Usr::TsSqNow(), "literal");
    }

    void identitiesUseAll32Bits()
    {
        QueuedRandom random;
        random.values = {0xFFFFFFFFu, 1u, 0u, 0x80000000u};
        RandomSource::install(&random);
        QCOMPARE(Usr::FdNewKy(), 4294967295.0);
        QCOMPARE(Usr::FdNewKy(), 1.0);
        QCOMPARE(Usr::FdNewKy(), 2147483648.0);   // 0 means "no identity" and is drawn again
        QVERIFY(Usr::FdNewKy() != 0.0);           // even a generator stuck on 0 gives none
    }

    void identitiesStayDistinct()
    {
        RandomSource::current().seed(99);
        QSet<double> seen;
        bool high = false;
        for (int i = 0; i < 20000; ++i) {
            const double key = Usr::FdNewKy();
            QVERIFY(key >= 1.0 && key < 4294967296.0);
            QCOMPARE(key, std::floor(key));
            high = high || key >= 2147483648.0;
            seen.insert(key);
        }
        QVERIFY(high);
        QVERIFY(seen.size() >= 19990);
    }
};

QTEST_MAIN(TestUsrUpkeep)
#include "tst_usrupkeep.moc"

#include "output/word/OutputRange.h"
#include "tree/PageDb.h"

#include <QtTest>

class TestOutputRange : public QObject
{
    Q_OBJECT
private slots:
    void rangesOfSmallTree_data();
    void rangesOfSmallTree();
    void cyclesAndSize();
    void pageTwiceIsReadOnce();
    void pairingAndPages();
};

void TestOutputRange::rangesOfSmallTree_data()
{
    QTest::addColumn<int>("range");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("numbers");
    QTest::addColumn<QString>("set");
    QTest::newRow("all pages") << 0 << "" << "" << "0-1001,1001-1002,1001-1003,1003-1006,0-1004,0-1005"
                               << "1,1-1,1-2,1-2-1,2,3" << ".1001.1002.1003.1006.1004.1005.";
    QTest::newRow("node and below") << 2 << "1001" << "0" << "0-1001,1001-1002,1001-1003,1003-1006"
                                    << "1,2,2-1" << ".1001.1002.1003.1006.";
    QTest::newRow("node and children") << 1 << "1001" << "0" << "0-1001,1001-1002,1001-1003" << "1,2"
                                       << ".1001.1002.1003.";
    QTest::newRow("inner node") << 2 << "1003" << "1001" << "1001-1003,1003-1006" << "1" << ".1003.1006.";
    QTest::newRow("childless node") << 1 << "1005" << "0" << "0-1005" << "" << ".1005.";
    QTest::newRow("unsaved new node") << 2 << "NewNode" << "0" << "" << "" << ".";
}

// Top level 1001, 1004, 1005 (hidden, protected); 1001 holds 1002 and 1003, 1003 holds 1006.
void TestOutputRange::rangesOfSmallTree()
{
    QFETCH(int, range);
    PageDb db;
    QVERIFY(db.ok());
    QVERIFY(PageDb::place(0, 1004, 1));
    QVERIFY(PageDb::place(0, 1001, 0));
    QVERIFY(PageDb::place(0, 1005, 2, false, QString(), true, true));
    QVERIFY(PageDb::place(1001, 1003, 1, true));
    QVERIFY(PageDb::place(1001, 1002, 0));
    QVERIFY(PageDb::place(1003, 1006, 0));
    QFETCH(QString, start);
    QFETCH(QString, parent);
    const OutputRange::Lists lists = OutputRange(range).collect(start, parent, QStringLiteral("."));
    QTEST(lists.keys, "keys");
    QTEST(lists.numbers, "numbers");
    QTEST(lists.pageSet, "set");

    // Nothing placed: nothing to output, and the caller's set comes back as it was.
    QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Delete From tbTree")));
    const OutputRange::Lists none = OutputRange(OutputRange::AllPages).collect({}, {}, QStringLiteral(".7."));
    QVERIFY(none.keys.isEmpty() && none.numbers.isEmpty());
    QCOMPARE(none.pageSet, QStringLiteral(".7."));
}

// A page that a link placement puts below its own child ends that branch instead of looping, and a
// range of more than a hundred placements is listed whole.
void TestOutputRange::cyclesAndSize()
{
    QMap<qint64, QList<qint64>> tree;
    tree[0] = {1};
    tree[1] = {2};
    tree[2] = {1, 3}; // 1 again, below itself
    for (qint64 i = 0; i < 150; ++i) {
        tree[3].append(100 + i);
        tree[100 + i] = {1000 + i};
    }
    const auto reader = [&tree](qint64 parent) { return tree.value(parent); };
    const OutputRange::Lists lists = OutputRange(OutputRange::AllPages, reader).collect();
    const QStringList keys = lists.keys.split(u',');
    QCOMPARE(keys.size(), 4 + 300);
    QCOMPARE(keys.mid(0, 5), QStringList({"0-1", "1-2", "2-1", "2-3", "3-100"}));
    QCOMPARE(keys.last(), QStringLiteral("249-1149"));
    QCOMPARE(lists.numbers.split(u',').size(), keys.size());
    QVERIFY(lists.numbers.endsWith(QStringLiteral(",1-1-2-150-1")));

    // The selected page under its own subtree: listed once at the start, not walked again.
    const OutputRange::Lists fromTwo = OutputRange(OutputRange::NodeAndBelow, reader).collect("2", "1");
    QVERIFY(fromTwo.keys.startsWith(QStringLiteral("1-2,2-1,1-2,2-3,3-100,100-1000")));
}

void TestOutputRange::pageTwiceIsReadOnce()
{
    QMap<qint64, QList<qint64>> tree{{0, {10, 20}}, {10, {30}}, {20, {30}}, {30, {40}}};
    QList<qint64> reads;
    const auto reader = [&](qint64 parent) {
        reads.append(parent);
        return tree.value(parent);
    };
    const OutputRange::Lists lists = OutputRange(OutputRange::AllPages, reader).collect({}, {}, ".");
    QCOMPARE(lists.keys, QStringLiteral("0-10,10-30,30-40,0-20,20-30,30-40"));
    QCOMPARE(lists.numbers, QStringLiteral("1,1-1,1-1-1,2,2-1,2-1-1"));
    QCOMPARE(lists.pageSet, QStringLiteral(".10.30.40.20."));
    QCOMPARE(reads.count(30), 1);
    QCOMPARE(OutputRange::pagesOf(lists.keys), QStringList({"10", "30", "40", "20"}));
}

void TestOutputRange::pairingAndPages()
{
    const QStringList keys{"0-1001", "1001-1002", "1001-1003"};
    QCOMPARE(OutputRange::numbersForKeys(keys, {"1", "2"}), QStringList({"", "1", "2"}));
    QCOMPARE(OutputRange::numbersForKeys(keys, {"1", "1-1", "2"}), QStringList({"1", "1-1", "2"}));
    QCOMPARE(OutputRange::numbersForKeys(keys, {}), QStringList({"", "", ""}));
    QCOMPARE(OutputRange::numbersForKeys({"0-5"}, {}), QStringList({""}));
    // Children 0 and keys without "-" are passed over; a page keeps its first place.
    QCOMPARE(OutputRange::pagesOf(QStringLiteral("0-0,0-12,x,12-7,3-12,5-abc")), QStringList({"12", "7"}));
    QCOMPARE(OutputRange::fullWidth(QStringLiteral("1-12-3")), QStringLiteral("１－１２－３"));
    QString parent, child;
    QVERIFY(OutputRange::splitKey(QStringLiteral("0-1001"), parent, child));
    QCOMPARE(parent + u'|' + child, QStringLiteral("0|1001"));
    QVERIFY(!OutputRange::splitKey(QStringLiteral("1001"), parent, child));
}

QTEST_GUILESS_MAIN(TestOutputRange)
#include "tst_outputrange.moc"

#include "core/TemplateDb.h"
#include "core/Usr.h"
#include "core/zSvr.h"
#include "platform/desktop/Clock.h"
#include "support/DamagedDb.h"
#include "support/ScriptedPrompt.h"

#include <QFile>
#include <QtTest>

namespace {

class FixedClock : public Clock
{
public:
    QDateTime at;
    QDateTime now() const override { return at; }
};

struct Placement
{
    int parent, child, sort, link;   // link -1: Null
    QString stamp;
};

} // namespace

// Placement upkeep on a real database made from the template.
class TestUpkeepDb : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_dir = new QTemporaryDir;
        m_prompt = new ScriptedPrompt;
        m_path = m_dir->filePath(QStringLiteral("Upkeep.txdb"));
        QVERIFY(TemplateDb::create(m_path));
        QVERIFY(zSvr::instance().D_StDcDb(m_path));
    }

    void cleanup()
    {
        zSvr::release();
        Clock::install(nullptr);
        delete m_prompt;
        delete m_dir;
    }

    void oneHomePerPage_data()
    {
        QTest::addColumn<QList<Placement>>("rows");
        QTest::addColumn<QList<int>>("links");   // boLnk afterwards, in row order
        QTest::newRow("no home: the older link becomes home")
            << QList<Placement>{{3, 12, 0, 1, "2020-05-01 10:00:00"}, {5, 12, 0, 1, "2019-05-01 10:00:00"}}
            << QList<int>{1, 0};
        QTest::newRow("two homes: the newer becomes a link")
            << QList<Placement>{{3, 12, 0, 0, "2020-05-01 10:00:00"}, {5, 12, 0, 0, "2019-05-01 10:00:00"}}
            << QList<int>{1, 0};
        QTest::newRow("two homes and a link")
            << QList<Placement>{{3, 12, 0, 0, "2021-01-01 00:00:00"}, {4, 12, 0, 1, "2018-01-01 00:00:00"},
                                {5, 12, 0, 0, "2020-01-01 00:00:00"}}
            << QList<int>{1, 1, 0};
        QTest::newRow("one home and links stay")
            << QList<Placement>{{3, 12, 0, 1, "2018-01-01 00:00:00"}, {4, 12, 0, 0, "2021-01-01 00:00:00"},
                                {5, 12, 0, 1, "2019-01-01 00:00:00"}}
            << QList<int>{1, 0, 1};
        QTest::newRow("a year 2035 stamp is newer than 1999")
            << QList<Placement>{{3, 12, 0, 0, "2035-01-01 00:00:00"}, {5, 12, 0, 0, "1999-12-31 23:59:59"}}
            << QList<int>{1, 0};
        QTest::newRow("unmarked placements: the older becomes home")
            << QList<Placement>{{3, 20, 0, -1, "2020-01-01 00:00:00"}, {4, 20, 0, -1, "2021-01-01 00:00:00"}}
            << QList<int>{0, 1};
        QTest::newRow("pages are separate")
            << QList<Placement>{{0, 12, 0, 1, "2020-01-01 00:00:00"}, {0, 13, 1, 0, "2020-01-01 00:00:00"},
                                {12, 13, 0, 0, "2021-01-01 00:00:00"}}
            << QList<int>{0, 0, 1};
    }

    void oneHomePerPage()
    {
        QFETCH(QList<Placement>, rows);
        QFETCH(QList<int>, links);
        insert(rows);
        for (bool propagate : {false, true}) {
            Usr::D_FixLnk(propagate);
            for (int i = 0; i < rows.size(); ++i)
                QCOMPARE(link(rows[i].parent, rows[i].child), links[i]);
        }
        QVERIFY(m_prompt->messages.isEmpty());
    }

    void propagation()
    {
        // 1 (inPng 2) and 2 at the top; 3 and 4 below 1; 5 (inPng 1) below 2, 6 below 5;
        // 7 (inPng 2) below 5.
        insert({{0, 1, 0, 0, ""}, {0, 2, 1, 0, ""}, {1, 3, 0, 0, ""}, {3, 4, 0, 0, ""},
                {2, 5, 0, 0, ""}, {5, 6, 0, 0, ""}, {5, 7, 1, 0, ""}});
        pages({1, 2, 3, 4, 5, 6, 7}, 0);
        setting(1, 2);
        setting(5, 1);
        setting(7, 2);
        QVERIFY(Usr::D_FixLnk(false));
        QCOMPARE(png({1, 2, 3, 4, 5, 6, 7}), QList<int>({0, 0, 0, 0, 0, 0, 0}));
        Usr::D_FixLnk(true);
        QCOMPARE(png({1, 2, 3, 4, 5, 6, 7}), QList<int>({1, 1, 1, 1, 0, 0, 1}));
        setting(1, 0);
        Usr::D_FixLnk(true);
        QCOMPARE(png({1, 2, 3, 4, 5, 6, 7}), QList<int>({0, 0, 0, 0, 0, 0, 1}));
    }

    void propagationBelowOnePage()
    {
        insert({{0, 1, 0, 0, ""}, {1, 2, 0, 0, ""}, {2, 3, 0, 0, ""}});
        pages({1, 2, 3}, 0);
        Usr::D_SetPng(QStringLiteral("1"), 2);
        QCOMPARE(png({1, 2, 3}), QList<int>({0, 1, 1}));
        Usr::D_SetPng(QStringLiteral("1 or 1=1"), 0);   // not a page: nothing happens
        QCOMPARE(png({1, 2, 3}), QList<int>({0, 1, 1}));
    }

    void lastPlacementDecides()
    {
        // Page 9 is placed below 1 (on) and, later in the walk, below 2 (off).
        insert({{0, 1, 0, 0, ""}, {0, 2, 1, 0, ""}, {1, 9, 0, 0, ""}, {2, 9, 0, 1, ""}});
        pages({1, 2, 9}, 1);
        setting(1, 2);
        setting(2, 1);
        Usr::D_FixLnk(true);
        QCOMPARE(png({1, 2, 9}), QList<int>({1, 0, 0}));
    }

    void cyclesEnd()
    {
        // 1 -> 2 -> 3 -> 1 and 3 -> 3: the walk must end, and every page gets its value.
        insert({{0, 1, 0, 0, ""}, {1, 2, 0, 0, ""}, {2, 3, 0, 0, ""}, {3, 1, 0, 1, ""}, {3, 3, 1, 1, ""}});
        pages({1, 2, 3}, 0);
        setting(1, 2);
        Usr::D_FixLnk(true);
        QCOMPARE(png({1, 2, 3}), QList<int>({1, 1, 1}));
        Usr::D_SetPng(QStringLiteral("3"), 2);
        QCOMPARE(png({1, 2, 3}), QList<int>({1, 1, 1}));
    }

    void callersTransactionIsLeftToTheCaller()
    {
        insert({{0, 1, 0, 1, ""}, {1, 2, 0, 0, ""}});
        pages({1, 2}, 0);
        setting(1, 2);
        QVERIFY(zSvr::instance().D_Tran(0));
        Usr::D_FixLnk(true);
        QCOMPARE(link(0, 1), 0);
        QCOMPARE(png({1, 2}), QList<int>({1, 1}));
        QVERIFY(zSvr::instance().D_Tran(2));
        QCOMPARE(link(0, 1), 1);
        QCOMPARE(png({1, 2}), QList<int>({0, 0}));
    }

    void unreadablePlacementsAreLeftAlone()
    {
        // Unmarked placements of many pages, one page of the table damaged: a page whose other
        // placements could not be read is given no home, nor is any other.
        QVERIFY(zSvr::instance().D_Tran(0));
        for (int page = 1; page <= 3000; ++page)
            insert({{0, page, 0, -1, "2020-01-01 00:00:00"}});
        QVERIFY(zSvr::instance().D_Tran(1));
        zSvr::release();
        QVERIFY(DamagedDb::damage(m_path, QStringLiteral("tbTree"), QStringLiteral("leaf")));
        QVERIFY(zSvr::instance().D_StDcDb(m_path));
        QVERIFY(!Usr::D_FixLnk(false));
        const QVariant first = zSvr::instance().R_GtVaL(
            QStringLiteral("Select boLnk Is Null From tbTree Where noLfP=0 And noLfC=1"), QVariant());
        QVERIFY(zSvr::instance().readError().isEmpty());
        QCOMPARE(first.toInt(), 1);
    }

    void readOnlyDatabaseTellsOnce()
    {
        insert({{3, 12, 0, 0, "2020-01-01 00:00:00"}, {5, 12, 0, 0, "2021-01-01 00:00:00"},
                {3, 13, 0, 1, "2020-01-01 00:00:00"}, {5, 13, 0, 1, "2021-01-01 00:00:00"},
                {0, 3, 0, 0, ""}, {0, 5, 1, 0, ""}});
        pages({3, 5, 12, 13}, 0);
        setting(3, 2);
        zSvr::instance().D_Close();
        QFile::setPermissions(m_path, QFile::ReadOwner | QFile::ReadUser);
        QVERIFY(zSvr::instance().D_StDcDb(m_path));
        Usr::D_FixLnk(true);
        QCOMPARE(m_prompt->messages, QStringList{zSvr::readOnlyMessage()});
        QCOMPARE(link(5, 12), 0);   // nothing was written
        QCOMPARE(png({3, 5, 12, 13}), QList<int>({0, 0, 0, 0}));
        QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner);
    }

    void publishRight()
    {
        Usr::st().pcName = QStringLiteral("PC-A");
        QVERIFY(Usr::FbChkPub(0));
        QCOMPARE(holder(), QString());             // asking claims nothing
        QVERIFY(Usr::FbChkPub(1));
        QCOMPARE(holder(), QStringLiteral("PC-A"));
        QVERIFY(Usr::FbChkPub(1));
        QVERIFY(m_prompt->messages.isEmpty());

        Usr::st().pcName = QStringLiteral("PC-B");
        QVERIFY(!Usr::FbChkPub(0));
        QVERIFY(m_prompt->messages.isEmpty());
        QVERIFY(!Usr::FbChkPub(1));
        QVERIFY(!Usr::FbChkPub(2));
        QCOMPARE(m_prompt->messages,
                 QStringList({"Webへの出力できるPC(ﾊﾞﾌﾞﾘｯｼｭ権限)は PC-A です",
                              "PCのﾌｧｲﾙへのﾘﾝｸをｾｯﾄできるPC(ﾊﾞﾌﾞﾘｯｼｭ権限)は PC-A です"}));
        QCOMPARE(m_prompt->titles, QStringList({"", ""}));
        QCOMPARE(holder(), QStringLiteral("PC-A"));

        Usr::st().pcName = QStringLiteral("pc-a");  // names compare exactly
        QVERIFY(!Usr::FbChkPub(0));
    }

    void publishRightOddNames()
    {
        Usr::st().pcName = QString();
        QVERIFY(Usr::FbChkPub(1));                  // a free right holds for everyone
        QCOMPARE(holder(), QString());              // but a nameless computer claims nothing
        Usr::st().pcName = QStringLiteral("O'Neil?s PC");
        QVERIFY(Usr::FbChkPub(1));
        QCOMPARE(holder(), QStringLiteral("O'Neil?s PC"));
        QVERIFY(Usr::FbChkPub(0));
        zSvr::instance().D_Close();
        QVERIFY(!Usr::FbChkPub(0));                 // no database open
        QVERIFY(m_prompt->messages.isEmpty());
    }

    void placementStamps()
    {
        insert({{0, 12, 0, 0, ""}});
        FixedClock clock;
        clock.at = QDateTime(QDate(2031, 12, 31), QTime(23, 5, 9));
        Clock::install(&clock);
        QVERIFY(Usr::D_SetTrDy(QStringLiteral("0"), QStringLiteral("12"), false));
        QCOMPARE(stamp(QStringLiteral("dyUdt")), clock.at);
        QVERIFY(stamp(QStringLiteral("dyPub")).isNull());
        clock.at = QDateTime(QDate(2011, 2, 3), QTime(14, 5, 9));
        QVERIFY(Usr::D_SetTrDy(QStringLiteral("0"), QStringLiteral("12"), true));
        QCOMPARE(stamp(QStringLiteral("dyPub")), clock.at);
        QCOMPARE(stamp(QStringLiteral("dyUdt")).date().year(), 2031);
        QVERIFY(!Usr::D_SetTrDy(QStringLiteral("0"), QStringLiteral("12 Or 1=1"), false));
        QVERIFY(!Usr::D_SetTrDy(QString(), QStringLiteral("12"), false));
    }

private:
    void insert(const QList<Placement> &rows)
    {
        for (const Placement &p : rows) {
            QVERIFY(zSvr::instance().D_ExeSq(
                QStringLiteral("Insert Into tbTree (noLfP, noLfC, inSrt, boLnk, dyUdt) Values (?, ?, ?, ?, ?)"),
                {p.parent, p.child, p.sort, p.link < 0 ? QVariant() : QVariant(p.link), p.stamp.isEmpty() ? QVariant() : QVariant(p.stamp)}));
        }
    }
    void pages(const QList<int> &numbers, int boPng)
    {
        for (int n : numbers)
            QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Insert Into msDoc (noDoc, boPng) Values (?, ?)"), {n, boPng}));
    }
    void setting(int page, int inPng)
    {
        zSvr::instance().D_ExeSq(QStringLiteral("Delete From tbHtm Where noDoc=?"), {page});
        QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Insert Into tbHtm (noDoc, inPng) Values (?, ?)"), {page, inPng}));
    }
    int link(int parent, int child)
    {
        return zSvr::instance()
            .R_GtVaL(QStringLiteral("Select boLnk From tbTree Where noLfP=? And noLfC=?"), {parent, child}, -9)
            .toInt();
    }
    QList<int> png(const QList<int> &numbers)
    {
        QList<int> values;
        for (int n : numbers)
            values << zSvr::instance().R_GtVaL(QStringLiteral("Select boPng From msDoc Where noDoc=?"), {n}, -9).toInt();
        return values;
    }
    QString holder()
    {
        return zSvr::instance().R_GtVaL(QStringLiteral("Select HsPub From kaUsr"), QString()).toString();
    }
    QDateTime stamp(const QString &column)
    {
        return zSvr::instance()
            .R_GtVaL(QStringLiteral("Select ") + column + QStringLiteral(" From tbTree Where noLfC=12"), QVariant())
            .toDateTime();
    }

    QTemporaryDir *m_dir = nullptr;
    ScriptedPrompt *m_prompt = nullptr;
    QString m_path;
};

QTEST_MAIN(TestUpkeepDb)
#include "tst_upkeepdb.moc"

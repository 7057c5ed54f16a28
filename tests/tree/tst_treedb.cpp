#include "PageDb.h"

#include "core/HtmMoji.h"
#include "tree/TreeDb.h"

#include <QtTest>

// The statements of the page tree, without widgets.
class TestTreeDb : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_db = new PageDb;
        QVERIFY(m_db->ok());
        m_db->fillSample();
    }
    void cleanup() { delete m_db; }

    void childrenInSiblingOrderWithFlags()
    {
        const QList<TreeDb::Placement> top = TreeDb::children(0);
        QStringList got;
        for (const TreeDb::Placement &p : top)
            got << QStringLiteral("%1 %2 l%3 c%4 p%5 h%6 n%7")
                       .arg(p.page).arg(p.title).arg(p.link).arg(p.listMode).arg(p.protect).arg(p.hidden).arg(p.children);
        QCOMPARE(got, QStringList({QStringLiteral("1001 はじめに l0 c0 p0 h0 n2"),
                                   QStringLiteral("1002 使い方 l1 c0 p0 h0 n0"),
                                   QStringLiteral("1005 日記 l0 c1 p0 h0 n3"),
                                   QStringLiteral("1009 非公開メモ l0 c0 p0 h1 n0"),
                                   QStringLiteral("1010 保護ページ l0 c0 p1 h0 n0")}));
    }

    // A flag holding 2, -1 or Null is not set; Null text and order read as empty.
    void oddCellsReadAsUnset()
    {
        QVERIFY(PageDb::page(2001, QStringLiteral("odd")));
        QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Insert Into tbTree (noLfP, noLfC, inSrt, boLnk, boHide, boHogo)"
                                                  " Values (1010, 2001, 0, 2, Null, -1)")));
        QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Insert Into msDoc (noDoc, szDoc, boCod) Values (2002, Null, Null)")));
        QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Insert Into tbTree (noLfP, noLfC, inSrt, szDoc, boLnk)"
                                                  " Values (1009, 2002, Null, Null, Null)")));
        QList<TreeDb::Placement> rows = TreeDb::children(1010);
        QCOMPARE(rows.size(), 1);
        QVERIFY(!rows[0].link && !rows[0].hidden && !rows[0].protect);
        rows = TreeDb::children(1009);
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows[0].title, QString());
        QVERIFY(!rows[0].listMode && !rows[0].link);
        QVERIFY(!TreeDb::listMode(2002));
        QCOMPARE(TreeDb::listChildren(1009).size(), 1);
        QVERIFY(!TreeDb::listChildren(1009).first().updated.isValid());
    }

    void placementsOfMissingPagesAreNotShown()
    {
        QVERIFY(PageDb::place(1004, 9999, 0));
        QVERIFY(TreeDb::children(1004).isEmpty());
    }

    void find_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<int>>("pages");
        QTest::newRow("quote") << "it's" << QList<int>{1003, 1002};
        QTest::newRow("two words") << "it's  easy" << QList<int>{1003};
        QTest::newRow("words in any order") << "easy install" << QList<int>{1003};
        QTest::newRow("percent is literal") << "100%" << QList<int>{1004};
        QTest::newRow("percent alone") << "%" << QList<int>{1004};
        QTest::newRow("underscore is literal") << "a_y" << QList<int>{};
        QTest::newRow("escape char itself") << "!" << QList<int>{};
        QTest::newRow("question mark") << "?" << QList<int>{};
        QTest::newRow("full-width blank joins") << "it's　easy" << QList<int>{};
        QTest::newRow("ascii case folds") << "WELCOME" << QList<int>{1001};
        QTest::newRow("sql text") << "'; Delete From msDoc; --" << QList<int>{};
    }

    void find()
    {
        QFETCH(QString, text);
        QFETCH(QList<int>, pages);
        bool ok = false;
        QList<int> got;
        for (const TreeDb::Found &f : TreeDb::find(text, &ok))
            got << f.page;
        QVERIFY(ok);
        QCOMPARE(got, pages);
        QCOMPARE(PageDb::value(QStringLiteral("Select Count(*) From msDoc")).toInt(), 10);
    }

    void findWithoutWordsListsEveryPageByTitle()
    {
        bool ok = false;
        const QList<TreeDb::Found> all = TreeDb::find(QStringLiteral("   "), &ok);
        QVERIFY(ok);
        QCOMPARE(all.size(), 10);
        for (int i = 1; i < all.size(); ++i)
            QVERIFY(all[i - 1].title <= all[i].title);
    }

    void untitledPageIsFoundWithEmptyTitle()
    {
        QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Insert Into msDoc (noDoc, szDoc, txDoc) Values (3001, Null, 'zebra')")));
        QVERIFY(PageDb::place(0, 3001, 9));
        const QList<TreeDb::Found> rows = TreeDb::find(QStringLiteral("zebra"));
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows[0].title, QString());
    }

    void findOnClosedDatabaseFails()
    {
        zSvr::instance().D_Close();
        bool ok = true;
        QVERIFY(TreeDb::find(QStringLiteral("x"), &ok).isEmpty());
        QVERIFY(!ok);
    }

    void titlesAreStoredIntact()
    {
        const QString title = QStringLiteral("It's \"?\" 100%");
        QVERIFY(TreeDb::insertPlacement(1004, 1010, 7, title, true));
        QCOMPARE(PageDb::row(1004, 1010), QStringLiteral("7:") + title);
        QCOMPARE(PageDb::value(QStringLiteral("Select boLnk From tbTree Where noLfP=1004 And noLfC=1010")).toInt(), 1);
        QVERIFY(TreeDb::updateTitle(1004, 1010, QStringLiteral("a'b?")));
        QCOMPARE(PageDb::row(1004, 1010), QStringLiteral("7:a'b?"));
        QVERIFY(TreeDb::writeOrder(1004, 1010, 3));
        QCOMPARE(PageDb::row(1004, 1010), QStringLiteral("3:a'b?"));
        QVERIFY(TreeDb::deletePlacement(1004, 1010));
        QCOMPARE(PageDb::row(1004, 1010), QString());
        // A second placement of a pair is refused.
        QVERIFY(!TreeDb::insertPlacement(1001, 1003, 0, QStringLiteral("dup"), false));
        QCOMPARE(PageDb::row(1001, 1003), QStringLiteral("1:インストール"));
    }

    void homeParent()
    {
        QCOMPARE(TreeDb::homeParent(1002), 1001);
        QCOMPARE(TreeDb::homeParent(1001), 0);
        QCOMPARE(TreeDb::homeParent(4242), -1);
    }

    void listChildrenNewestFirst()
    {
        QList<int> got;
        QStringList stamps;
        for (const TreeDb::ListChild &c : TreeDb::listChildren(1005)) {
            got << c.page;
            stamps << c.updated.toString(QStringLiteral("yy/MM/dd HH:mm:ss"));
        }
        QCOMPARE(got, QList<int>({1007, 1008, 1006}));
        QCOMPARE(stamps.first(), QStringLiteral("24/03/01 08:00:00"));
    }

    void listModeRoundTrip()
    {
        QVERIFY(TreeDb::listMode(1005));
        QVERIFY(TreeDb::setListMode(1005, false));
        QVERIFY(!TreeDb::listMode(1005));
        QVERIFY(!TreeDb::listMode(4242));
    }

    void pageNumbers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::newRow("plain") << "1001" << true;
        QTest::newRow("zero") << "0" << true;
        QTest::newRow("blanks") << " 12 " << true;
        QTest::newRow("tag of a link") << "12_34" << false;
        QTest::newRow("new node") << "NewNode" << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("sql") << "1 Or 1=1" << false;
    }

    void pageNumbers()
    {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QCOMPARE(TreeDb::pageNumber(text), ok);
    }

    void titleCleaning_data()
    {
        QTest::addColumn<QString>("in");
        QTest::addColumn<QString>("out");
        QTest::newRow("markup") << " <a & \"b\" 'c'> " << "abc";
        QTest::newRow("full-width blank stays") << "日　記" << "日　記";
        QTest::newRow("question mark stays") << "why?" << "why?";
        QTest::newRow("only removable") << " & " << "";
    }

    void titleCleaning()
    {
        QFETCH(QString, in);
        QFETCH(QString, out);
        HtmMoji::T_HtmMoji(in);
        QCOMPARE(in, out);
    }

private:
    PageDb *m_db = nullptr;
};

QTEST_MAIN(TestTreeDb)
#include "tst_treedb.moc"

#include "TreeFixture.h"

#include "core/Usr.h"
#include "core/zSvr.h"
#include "tree/TreeDb.h"

#include <QListWidget>
#include <QtTest>

// Loading placements into the page-tree control: keys, images, colours,
// on-demand children, refresh, tags and locating a page.
class TestPageTree : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_f = new TreeFixture;
        QVERIFY(m_f->setUp(false));
    }

    void cleanup() { delete m_f; }

    void topLevelKeysImagesAndColours()
    {
        QCOMPARE(m_f->tree.SetNodes(QStringLiteral("0")), QStringLiteral("N4-1010"));
        QCOMPARE(m_f->probe.keys(), QStringList({"N0-1001", "L1-1002", "N2-1005", "N3-1009", "N4-1010"}));
        QStringList images;
        for (const QString &key : m_f->probe.keys())
            images << TreeProbe::image(m_f->probe.item(key));
        QCOMPARE(images, QStringList({"ndcls", "lklef", "ndcod", "ndlef", "ndlef"}));
        QCOMPARE(m_f->probe.item("N0-1001")->text(0), QStringLiteral("はじめに"));
        QVERIFY(!m_f->probe.item("N0-1001")->icon(0).isNull());
        QCOMPARE(m_f->probe.item("N4-1010")->foreground(0).color(), QColor(192, 0, 0));       // protected
        QCOMPARE(m_f->probe.item("N3-1009")->background(0).color(), QColor(240, 240, 220));   // hidden
        QVERIFY(m_f->probe.item("N0-1001")->foreground(0).style() == Qt::NoBrush);
    }

    void rootNodeForTheBulkTree()
    {
        m_f->tree.SetNodes(QStringLiteral("0"), true);
        QCOMPARE(m_f->probe.keys(), QStringList({"N-0"}));
        QTreeWidgetItem *root = m_f->probe.item("N-0");
        QCOMPARE(root->text(0), QStringLiteral("Root"));
        QVERIFY(root->isExpanded());
        QCOMPARE(m_f->probe.keys("N-0").mid(0, 2), QStringList({"N0-1001", "L1-1002"}));
        QVERIFY(m_f->tree.sGetLeaf().isEmpty());
        m_f->probe.view()->setCurrentItem(m_f->probe.item("N0-1001"));
        QCOMPARE(m_f->tree.sGetLeaf(), QStringLiteral("1001,0,0"));   // the chain carries the root
        // A second root is never added.
        m_f->tree.SetNodes(QStringLiteral("0"), true);
        QCOMPARE(m_f->probe.view()->topLevelItemCount(), 1);
    }

    void keysWithoutPageChangeNothing_data()
    {
        QTest::addColumn<QString>("key");
        QTest::newRow("new node") << "NewNode";
        QTest::newRow("not a number") << "N3-abc";
        QTest::newRow("tag of a link") << "X1-12_34";
        QTest::newRow("unknown node") << "N77-1001";
    }

    void keysWithoutPageChangeNothing()
    {
        QFETCH(QString, key);
        m_f->tree.SetNodes(QStringLiteral("0"));
        QCOMPARE(m_f->tree.SetNodes(key), key);
        QCOMPARE(m_f->probe.view()->topLevelItemCount(), 5);
        QCOMPARE(m_f->probe.item("N0-1001")->childCount(), 0);
    }

    // A page numbered outside what the program numbers pages with (32-bit, above 0), in a database
    // from elsewhere: its node would stand for the page its number cut to 32 bits names, or for none.
    void pagesOutsideTheNumbersAreLeftOut_data()
    {
        QTest::addColumn<qint64>("page");
        QTest::newRow("beyond 32 bits, cut to 1002") << qint64(0x100000000LL + 1002);
        QTest::newRow("one past the highest") << qint64(0x80000000LL);
        QTest::newRow("zero") << qint64(0);
        QTest::newRow("negative") << qint64(-5);
    }

    void pagesOutsideTheNumbersAreLeftOut()
    {
        QFETCH(qint64, page);
        zSvr &db = zSvr::instance();
        QVERIFY(db.D_ExeSq(QStringLiteral("Insert Into msDoc (noDoc, szDoc, txDoc) Values (?, 'foreign', 'foreign words')"), {page}));
        QVERIFY(db.D_ExeSq(QStringLiteral("Insert Into tbTree (noLfP, noLfC, inSrt, szDoc) Values (0, ?, 9, 'foreign')"), {page}));
        QVERIFY(db.D_ExeSq(QStringLiteral("Insert Into tbTree (noLfP, noLfC, inSrt, szDoc) Values (1001, ?, 9, 'foreign')"), {page}));
        m_f->tree.SetNodes(QStringLiteral("0"));
        QCOMPARE(m_f->probe.keys(), QStringList({"N0-1001", "L1-1002", "N2-1005", "N3-1009", "N4-1010"}));
        QCOMPARE(TreeDb::listChildren(1001).size(), 2);
        bool ok = false;
        QVERIFY(TreeDb::find(QStringLiteral("foreign"), &ok).isEmpty());
        QVERIFY(ok);
    }

    void childrenLoadWhenShown()
    {
        m_f->tree.SetNodes(QStringLiteral("0"));
        QTreeWidgetItem *top = m_f->probe.item("N0-1001");
        QCOMPARE(top->childCount(), 0);
        QCOMPARE(top->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
        m_f->probe.click(top);
        QCOMPARE(m_f->probe.keys("N0-1001"), QStringList({"N5-1002", "N6-1003"}));
        QCOMPARE(m_f->probe.setDocs, QStringList({"0|1001|はじめに|0|0"}));
        // Shown again: nothing is loaded twice.
        m_f->probe.click(top);
        QCOMPARE(top->childCount(), 2);
    }

    void childrenLoadWhenExpanded()
    {
        m_f->tree.SetNodes(QStringLiteral("0"));
        QTreeWidgetItem *top = m_f->probe.item("N0-1001");
        top->setExpanded(true);
        QCOMPARE(top->childCount(), 2);
        QCOMPARE(TreeProbe::image(top), QStringLiteral("ndopn"));
        QCOMPARE(TreeProbe::image(m_f->probe.item("N6-1003")), QStringLiteral("ndcls"));
        top->setExpanded(false);
        QCOMPARE(TreeProbe::image(top), QStringLiteral("ndcls"));
        QVERIFY(m_f->probe.setDocs.isEmpty());
    }

    void pagePlacedTwiceShowsTheSameChildren()
    {
        QVERIFY(PageDb::place(1002, 1004, 0, true));
        m_f->tree.SetNodes(QStringLiteral("0"));
        m_f->probe.item("N0-1001")->setExpanded(true);
        m_f->probe.item("L1-1002")->setExpanded(true);
        m_f->probe.item("N5-1002")->setExpanded(true);
        QCOMPARE(m_f->probe.keys("L1-1002"), QStringList({"L7-1004"}));
        QCOMPARE(m_f->probe.keys("N5-1002"), QStringList({"L8-1004"}));
        QCOMPARE(TreeProbe::image(m_f->probe.item("L1-1002")), QStringLiteral("lkopn"));
    }

    void refreshKeepsExpansionAndSelection()
    {
        m_f->tree.SetNodes(QStringLiteral("0"));
        m_f->probe.item("N0-1001")->setExpanded(true);
        m_f->probe.item("N6-1003")->setExpanded(true);
        // An expanded top-level node without children does not end the record.
        m_f->probe.view()->setCurrentItem(m_f->probe.item("N3-1009"));
        m_f->tree.trNew(2);
        m_f->probe.clickKey("N7-1004");
        QVERIFY(m_f->probe.item("N3-1009")->isExpanded());
        QCOMPARE(m_f->probe.item("N3-1009")->childCount(), 0);
        m_f->probe.setDocs.clear();
        QVERIFY(PageDb::place(1010, 1004, 0, true));
        m_f->probe.item("N4-1010")->setExpanded(true);
        m_f->tree.RefreshTree();
        QTreeWidgetItem *selected = m_f->probe.view()->currentItem();
        QVERIFY(selected);
        QCOMPARE(TreeProbe::image(selected), QStringLiteral("ndlef"));
        QCOMPARE(selected->text(0), QStringLiteral("設定"));
        QVERIFY(selected->parent()->isExpanded());
        QVERIFY(selected->parent()->parent()->isExpanded());
        QCOMPARE(m_f->probe.view()->topLevelItem(4)->childCount(), 1);
        QVERIFY(m_f->probe.view()->topLevelItem(4)->isExpanded());
        QVERIFY(!m_f->probe.view()->topLevelItem(2)->isExpanded());
        QVERIFY(m_f->probe.setDocs.isEmpty());
    }

    void refreshOfAnEmptyTree()
    {
        m_f->tree.RefreshTree();
        QCOMPARE(m_f->probe.view()->topLevelItemCount(), 5);
        QVERIFY(!m_f->probe.view()->currentItem());
        QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Delete From tbTree")));
        m_f->tree.RefreshTree();
        QCOMPARE(m_f->probe.view()->topLevelItemCount(), 0);
    }

    void refreshDoesNotHangOnACycle()
    {
        // 1004 under 1003 and 1003 under 1004: a loop in the placements.
        QVERIFY(PageDb::place(1004, 1003, 0, true));
        m_f->tree.SetNodes(QStringLiteral("0"));
        m_f->probe.item("N0-1001")->setExpanded(true);
        QTreeWidgetItem *node = m_f->probe.item("N6-1003");
        for (int depth = 0; depth < 6; ++depth) {
            node->setExpanded(true);
            QVERIFY(node->childCount() > 0);
            node = node->child(0);
        }
        m_f->probe.view()->setCurrentItem(node);
        m_f->tree.RefreshTree();
        QTreeWidgetItem *deepest = m_f->probe.view()->currentItem();
        QVERIFY(deepest);
        int depth = 0;
        for (QTreeWidgetItem *up = deepest; up->parent(); up = up->parent())
            ++depth;
        QVERIFY(depth >= 2 && depth <= 6);
    }

    void setLeafFollowsHomePlacements()
    {
        m_f->tree.SetNodes(QStringLiteral("0"));
        m_f->tree.SetLeaf(QStringLiteral("1004"));
        QTreeWidgetItem *current = m_f->probe.view()->currentItem();
        QVERIFY(current);
        QCOMPARE(current->text(0), QStringLiteral("設定"));
        QCOMPARE(m_f->tree.sGetLeaf(), QStringLiteral("1004,1003,1001,0"));
        QCOMPARE(m_f->probe.setDocs.last(), QStringLiteral("1003|1004|設定|0|0"));
        // The chain itself finds the same node.
        m_f->probe.view()->setCurrentItem(m_f->probe.item("N0-1001"));
        m_f->tree.SetLeaf(QStringLiteral("1004,1003,1001,0"));
        QCOMPARE(m_f->probe.view()->currentItem(), current);
    }

    void setLeafSelectsNothing_data()
    {
        QTest::addColumn<QString>("target");
        QTest::newRow("zero") << "0";
        QTest::newRow("empty") << "";
        QTest::newRow("no home placement") << "4242";
        QTest::newRow("home chain loops") << "1004";
    }

    void setLeafSelectsNothing()
    {
        QFETCH(QString, target);
        // Make the home chain of 1004 loop: 1004 <- 1003 <- 1004.
        QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Update tbTree Set boLnk = 1 Where noLfC = 1003")));
        QVERIFY(PageDb::place(1004, 1003, 0, false));
        m_f->tree.SetNodes(QStringLiteral("0"));
        m_f->tree.SetLeaf(target);
        QVERIFY(!m_f->probe.view()->currentItem());
        QVERIFY(m_f->probe.setDocs.isEmpty());
    }

    void tagNodes()
    {
        m_f->tree.SetNodes(QStringLiteral("0"));
        m_f->probe.view()->setCurrentItem(m_f->probe.item("N3-1009"));
        m_f->tree.TagTree(QStringLiteral("設定へ"), QStringLiteral("1004"));
        QCOMPARE(m_f->probe.keys("N3-1009"), QStringList({"X5-1004"}));
        QCOMPARE(TreeProbe::image(m_f->probe.item("X5-1004")), QStringLiteral("tgcls"));
        QCOMPARE(m_f->probe.messages.last(), QStringLiteral("ﾀｸﾞ(文書ﾃﾞｰﾀｰﾍﾞｰｽ内のﾘﾝｸ)を挿入しました"));
        QCOMPARE(m_f->probe.view()->currentItem(), m_f->probe.item("N3-1009"));
        m_f->tree.TagTree(QStringLiteral("設定へ"), QStringLiteral("1004"));
        QCOMPARE(m_f->probe.item("N3-1009")->childCount(), 1);
        QCOMPARE(m_f->probe.view()->currentItem(), m_f->probe.item("X5-1004"));
        // Tags are never written as placements.
        QCOMPARE(PageDb::value(QStringLiteral("Select Count(*) From tbTree Where noLfP = 1009")).toInt(), 0);
        m_f->probe.clickKey("X5-1004");
        QCOMPARE(m_f->probe.setDocs.last(), QStringLiteral("1009|1004|設定へ|1|0"));
    }

    void tagOfALinkPlacement()
    {
        m_f->tree.SetNodes(QStringLiteral("0"));
        m_f->probe.view()->setCurrentItem(m_f->probe.item("N4-1010"));
        m_f->tree.TagTree(QStringLiteral("使い方"), QStringLiteral("1001_1002"));
        QString parent, page;
        bool link = true;
        m_f->tree.GetPrCdNo(parent, page, link, QStringLiteral("X5-1001_1002"));
        QCOMPARE(parent + u'/' + page, QStringLiteral("1010/1001_1002"));
        QVERIFY(!link);
    }

    void getPrCdNo()
    {
        m_f->tree.SetNodes(QStringLiteral("0"));
        QString parent = "x", page = "x";
        bool link = true;
        m_f->tree.GetPrCdNo(parent, page, link);
        QCOMPARE(parent + page, QStringLiteral("00"));
        QVERIFY(link);   // unchanged with no node
        m_f->tree.GetPrCdNo(parent, page, link, QStringLiteral("L1-1002"));
        QCOMPARE(parent + u'/' + page, QStringLiteral("0/1002"));
        QVERIFY(link);
        parent = "keep";
        m_f->tree.GetPrCdNo(parent, page, link, QStringLiteral("N99-1"));
        QCOMPARE(parent, QStringLiteral("keep"));
        m_f->probe.item("N0-1001")->setExpanded(true);
        m_f->tree.GetPrCdNo(parent, page, link, QStringLiteral("N5-1002"));
        QCOMPARE(parent + u'/' + page, QStringLiteral("1001/1002"));
        QVERIFY(!link);
    }

    void clearItemEmptiesEverything()
    {
        m_f->tree.SetNodes(QStringLiteral("0"));
        m_f->tree.SetRcnt(QStringLiteral("1001"), QStringLiteral("はじめに"));
        m_f->tree.ClearItem();
        QCOMPARE(m_f->probe.view()->topLevelItemCount(), 0);
        QCOMPARE(m_f->tree.findChild<QListWidget *>(QStringLiteral("lsRsnt"))->count(), 0);
        QVERIFY(m_f->tree.SlctdKy().isEmpty());
        // The serial starts again when the empty tree is filled.
        m_f->tree.SetNodes(QStringLiteral("0"));
        QCOMPARE(m_f->probe.keys().first(), QStringLiteral("N0-1001"));
    }

private:
    TreeFixture *m_f = nullptr;
};

QTEST_MAIN(TestPageTree)
#include "tst_pagetree.moc"

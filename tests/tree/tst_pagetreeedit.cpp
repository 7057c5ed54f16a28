#include "TreeFixture.h"

#include "core/Usr.h"

#include <QtTest>

// New pages, saved titles, sibling order, list-mode pages and removing
// placements: what the control writes to the database.
class TestPageTreeEdit : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_f = new TreeFixture;
        QVERIFY(m_f->setUp());
    }

    void cleanup() { delete m_f; }

    void newPageUnderANodeIsWrittenWithItsOrder()
    {
        select("N0-1001");
        QCOMPARE(m_f->tree.trNew(2), QStringLiteral("新規ﾍﾟｰｼﾞ"));
        // The siblings were loaded first, so the new page comes after them.
        QCOMPARE(m_f->probe.keys("N0-1001"), QStringList({"N5-1002", "N6-1003", "NewNode"}));
        QCOMPARE(m_f->tree.SlctdKy(), QStringLiteral("NewNode"));
        QCOMPARE(TreeProbe::image(m_f->probe.item("NewNode")), QStringLiteral("ndlef"));
        QVERIFY(m_f->probe.setDocs.isEmpty());
        QString title = QStringLiteral("新しい 'ﾍﾟｰｼﾞ'");
        save(title, QString(), 2001);
        QCOMPARE(title, QStringLiteral("新しいﾍﾟｰｼﾞ"));
        QVERIFY(!m_f->tree.hasNewNode());
        QCOMPARE(m_f->tree.SlctdKy(), QStringLiteral("N7-2001"));
        QCOMPARE(m_f->probe.item("N7-2001")->text(0), QStringLiteral("新しいﾍﾟｰｼﾞ"));
        QCOMPARE(PageDb::row(1001, 2001), QStringLiteral("100:新しいﾍﾟｰｼﾞ"));
        QCOMPARE(PageDb::value(QStringLiteral("Select boLnk From tbTree Where noLfC = 2001")).toInt(), 0);
        m_f->tree.trSort();
        QCOMPARE(PageDb::row(1001, 1002), QStringLiteral("0:使い方"));
        QCOMPARE(PageDb::row(1001, 1003), QStringLiteral("1:インストール"));
        QCOMPARE(PageDb::row(1001, 2001), QStringLiteral("2:新しいﾍﾟｰｼﾞ"));
        // Other parents were not touched.
        QCOMPARE(PageDb::row(0, 1005), QStringLiteral("2:日記"));
        QVERIFY(PageDb::value(QStringLiteral("Select dyUdt From tbTree Where noLfC = 1005")).isNull());
    }

    void newPagesAtTheTopTakeRisingOrders()
    {
        select("N3-1009");
        m_f->tree.trNew(1, QStringLiteral("一つ目"));
        QCOMPARE(m_f->probe.keys().mid(3, 2), QStringList({"N3-1009", "NewNode"}));
        QString title = QStringLiteral("一つ目");
        save(title, QStringLiteral("一つ目"), 2001);
        m_f->tree.trNew(0);
        QCOMPARE(m_f->probe.keys().mid(4, 2), QStringList({"NewNode", "N5-2001"}));
        title = QStringLiteral("二つ目");
        save(title, QStringLiteral("新規ﾍﾟｰｼﾞ"), 2002);
        QCOMPARE(PageDb::row(0, 2001), QStringLiteral("100:一つ目"));
        QCOMPARE(PageDb::row(0, 2002), QStringLiteral("101:二つ目"));
        m_f->tree.trSort();
        QCOMPARE(PageDb::row(0, 2002), QStringLiteral("4:二つ目"));
        QCOMPARE(PageDb::row(0, 2001), QStringLiteral("5:一つ目"));
        QCOMPARE(PageDb::row(0, 1010), QStringLiteral("6:保護ページ"));
    }

    void newPageInAnEmptyTree()
    {
        m_f->tree.ClearItem();
        QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Delete From tbTree")));
        m_f->tree.trNew(2);
        QCOMPARE(m_f->probe.keys(), QStringList({"NewNode"}));
        QString title = QStringLiteral("最初");
        save(title, QString(), 2001);
        QCOMPARE(PageDb::row(0, 2001), QStringLiteral("100:最初"));
    }

    void trNewNeedsASelectionAndOneAtATime()
    {
        m_f->probe.view()->setCurrentItem(nullptr);
        QVERIFY(m_f->tree.trNew(1).isEmpty());
        select("N0-1001");
        QVERIFY(m_f->tree.trNew(3).isEmpty());
        QVERIFY(!m_f->tree.trNew(1).isEmpty());
        QVERIFY(m_f->tree.trNew(1).isEmpty());
        QCOMPARE(m_f->probe.keys().count(QStringLiteral("NewNode")), 1);
    }

    void failedInsertKeepsTheNewPage()
    {
        select("N0-1001");
        m_f->tree.trNew(2);
        QString title = QStringLiteral("重複");
        save(title, QString(), 1002);   // 1002 is already placed under 1001
        QCOMPARE(m_f->prompt.messages, QStringList({"ﾍﾟｰｼﾞをﾂﾘｰに登録できませんでした"}));
        QVERIFY(m_f->tree.hasNewNode());
        QCOMPARE(PageDb::row(1001, 1002), QStringLiteral("0:使い方"));
        // The next save writes the row.
        QVERIFY(PageDb::page(2001, QStringLiteral("重複")));
        save(title, title, 2001);
        QVERIFY(!m_f->tree.hasNewNode());
        QCOMPARE(PageDb::row(1001, 2001), QStringLiteral("100:重複"));
    }

    void renameReachesEveryLoadedNode()
    {
        QVERIFY(PageDb::place(1002, 1004, 0, true, QStringLiteral("設定")));
        QVERIFY(PageDb::place(1010, 1004, 0, true, QStringLiteral("設定")));
        QVERIFY(PageDb::place(1009, 1004, 0, true, QStringLiteral("設定")));
        m_f->probe.item("N0-1001")->setExpanded(true);
        m_f->probe.item("N6-1003")->setExpanded(true);
        m_f->probe.item("L1-1002")->setExpanded(true);
        m_f->probe.item("N4-1010")->setExpanded(true);
        QString title = QStringLiteral("新 設定");
        m_f->tree.UdtNd(title, QStringLiteral("設定"), 1004);
        int renamed = 0;
        for (QTreeWidgetItemIterator it(m_f->probe.view()); *it; ++it)
            renamed += (*it)->text(0) == QStringLiteral("新設定");
        QCOMPARE(renamed, 3);
        QCOMPARE(PageDb::row(1003, 1004), QStringLiteral("0:新設定"));
        QCOMPARE(PageDb::row(1002, 1004), QStringLiteral("0:新設定"));
        QCOMPARE(PageDb::row(1010, 1004), QStringLiteral("0:新設定"));
        QCOMPARE(PageDb::row(1009, 1004), QStringLiteral("0:設定"));   // never loaded
    }

    void unchangedTitleWritesNothing()
    {
        m_f->probe.item("N0-1001")->setExpanded(true);
        QString title = QStringLiteral("使い方");
        m_f->tree.UdtNd(title, QStringLiteral("使い方"), 1002);
        QCOMPARE(PageDb::value(QStringLiteral("Select Count(*) From tbTree Where dyUdt Is Not Null")).toInt(), 0);
    }

    void choosingAnotherNodeDiscardsTheNewPage()
    {
        select("N3-1009");
        m_f->tree.trNew(2);
        m_f->probe.clickKey("N4-1010");
        QCOMPARE(m_f->probe.messages.count(QStringLiteral("新規ﾍﾟｰｼﾞを破棄しました")), 1);
        QVERIFY(!m_f->tree.hasNewNode());
        QVERIFY(!m_f->probe.item("NewNode"));
        QCOMPARE(TreeProbe::image(m_f->probe.item("N3-1009")), QStringLiteral("ndlef")); // no child left
        QCOMPARE(m_f->probe.setDocs.last(), QStringLiteral("0|1010|保護ページ|0|1"));
        QCOMPARE(PageDb::value(QStringLiteral("Select Count(*) From tbTree")).toInt(), 11);
    }

    void clickingTheNewPageItselfKeepsIt()
    {
        select("N3-1009");
        m_f->tree.trNew(2);
        QCOMPARE(TreeProbe::image(m_f->probe.item("N3-1009")), QStringLiteral("ndopn"));
        m_f->probe.clickKey("NewNode");
        QVERIFY(m_f->tree.hasNewNode());
        QVERIFY(m_f->probe.messages.filter(QStringLiteral("破棄")).isEmpty());
        QCOMPARE(m_f->probe.chkMoves, 0);
    }

    void cancelledMoveReturnsToTheNewPage()
    {
        select("N3-1009");
        m_f->tree.trNew(1);
        m_f->probe.cancelMoves = true;
        m_f->probe.clickKey("N0-1001");
        QCOMPARE(m_f->tree.SlctdKy(), QStringLiteral("NewNode"));
        QVERIFY(m_f->tree.hasNewNode());
        QVERIFY(m_f->probe.setDocs.isEmpty());
    }

    void listModePageShowsItsChildrenNewestFirst()
    {
        m_f->probe.clickKey("N2-1005");
        QTreeWidget *list = m_f->probe.childList();
        QVERIFY(list->isVisible());
        QStringList rows;
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            rows << list->topLevelItem(i)->text(0) + u' ' + list->topLevelItem(i)->text(1);
        QCOMPARE(rows, QStringList({"二月 24/03/01 08:00:00", "三月 24/02/15 12:30:00", "一月 24/01/31 09:00:00"}));
        QCOMPARE(m_f->probe.item("N2-1005")->childCount(), 0);
        QCOMPARE(m_f->probe.setDocs.last(), QStringLiteral("0|1005|日記|0|0"));
        clickListItem(1);
        QCOMPARE(m_f->probe.setDocs.last(), QStringLiteral("|1008|三月|0|0"));
        m_f->probe.clickKey("N0-1001");
        QVERIFY(!list->isVisible());
        QCOMPARE(list->topLevelItemCount(), 0);
    }

    void emptyListModePage()
    {
        QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Update msDoc Set boCod = 1 Where noDoc = 1009")));
        m_f->tree.RefreshTree();
        m_f->probe.clickKey("N3-1009");
        QVERIFY(m_f->probe.childList()->isVisible());
        QCOMPARE(m_f->probe.childList()->topLevelItemCount(), 0);
    }

    void newChildListItem()
    {
        m_f->probe.clickKey("N2-1005");
        m_f->tree.cdNew();
        m_f->tree.cdNew();
        QCOMPARE(m_f->probe.childList()->topLevelItemCount(), 4);
        QCOMPARE(m_f->probe.childList()->currentItem()->text(0), QStringLiteral("新規ﾍﾟｰｼﾞ"));
        const int before = m_f->probe.setDocs.size();
        clickListItem(3);   // the pending item itself: nothing
        QCOMPARE(m_f->probe.setDocs.size(), before);
        QString title = QStringLiteral("四月");
        QVERIFY(PageDb::page(2001, title));
        m_f->tree.UdtNd(title, QString(), 2001);
        // The diary's entries hold order 100 already: the new one takes the next, no tie.
        QCOMPARE(PageDb::row(1005, 2001), QStringLiteral("101:四月"));
        QCOMPARE(m_f->probe.childList()->topLevelItem(3)->data(0, Qt::UserRole).toString(), QStringLiteral("K2001"));
    }

    // A page deleted elsewhere goes back where this tree shows it: under the node's parent, under the
    // list-mode page for a child-list item, at the top level when the parent went too; a new number
    // renames the node.
    void placeAgainPutsThePageWhereItIsShown()
    {
        select("N3-1009");
        QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Delete From tbTree Where noLfC = 1009")));
        QVERIFY(m_f->tree.PlaceAgain(1009, 1009, QStringLiteral("戻った")));
        QVERIFY(PageDb::row(0, 1009).endsWith(QStringLiteral(":戻った")));
        QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Delete From tbTree Where noLfC = 1009")));
        QVERIFY(m_f->tree.PlaceAgain(1009, 2009, QStringLiteral("新番号")));
        QVERIFY(PageDb::row(0, 2009).endsWith(QStringLiteral(":新番号")));
        QVERIFY(m_f->tree.SlctdKy().endsWith(QLatin1String("-2009")));
        QVERIFY(!m_f->tree.PlaceAgain(1009, 1009, QStringLiteral("違う頁")));   // not the page shown
        QCOMPARE(m_f->prompt.messages.last(), QStringLiteral("ﾍﾟｰｼﾞの置き場所が分かりません"));

        // Its parent keeps its placement, but the page above that went: nobody would reach it there.
        m_f->tree.SetLeaf(QStringLiteral("1004,1003,1001,0"));
        QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Delete From tbTree Where noLfC = 1004 Or (noLfP = 0 And noLfC = 1001)")));
        QVERIFY(m_f->tree.PlaceAgain(1004, 1004, QStringLiteral("設定")));
        QVERIFY(PageDb::row(0, 1004).endsWith(QStringLiteral(":設定")));
        QCOMPARE(m_f->tree.sGetLeaf(), QStringLiteral("1004,0"));

        m_f->probe.clickKey("N2-1005");
        clickListItem(1);
        QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Delete From tbTree Where noLfC = 1008")));
        QVERIFY(m_f->tree.PlaceAgain(1008, 1008, QStringLiteral("三月")));
        QVERIFY(PageDb::row(1005, 1008).endsWith(QStringLiteral(":三月")));
        QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Delete From tbTree Where noLfC In (1005, 1008)")));
        QVERIFY(m_f->tree.PlaceAgain(1008, 2008, QStringLiteral("三月")));
        QVERIFY(PageDb::row(0, 2008).endsWith(QStringLiteral(":三月")));
        // The list of the page that went no longer holds it: its node at the top does, and says so.
        QCOMPARE(m_f->tree.sGetLeaf(), QStringLiteral("2008,0"));
        QCOMPARE(m_f->prompt.messages.last(), QStringLiteral("上位のﾍﾟｰｼﾞは別の編集画面か他の利用者がﾂﾘｰから削除しています\n"
                                                             "このﾍﾟｰｼﾞは最上位の末尾に保存しました"));
    }

    void clickingAnotherItemDiscardsTheNewItem()
    {
        m_f->probe.clickKey("N2-1005");
        m_f->tree.cdNew();
        clickListItem(0);
        QCOMPARE(m_f->probe.messages.last(), QStringLiteral("新規ﾍﾟｰｼﾞを破棄しました"));
        QCOMPARE(m_f->probe.childList()->topLevelItemCount(), 3);
        QCOMPARE(m_f->probe.setDocs.last(), QStringLiteral("|1007|二月|0|0"));
    }

    void deletingAChildListItemAsks()
    {
        m_f->probe.clickKey("N2-1005");
        m_f->probe.childList()->setCurrentItem(m_f->probe.childList()->topLevelItem(0));
        m_f->prompt.answers << Prompt::Cancel;
        m_f->tree.cdDel();
        QCOMPARE(m_f->prompt.messages, QStringList({"現在のﾍﾟｰｼﾞを削除して良いですか"}));
        QCOMPARE(PageDb::row(1005, 1007), QStringLiteral("100:二月"));
        m_f->prompt.answers << Prompt::Ok;
        m_f->tree.cdDel();
        QCOMPARE(PageDb::row(1005, 1007), QString());
        QCOMPARE(m_f->probe.childList()->topLevelItemCount(), 2);
        // The unsaved item goes without a question and without a statement.
        m_f->tree.cdNew();
        m_f->tree.cdDel();
        QCOMPARE(m_f->prompt.messages.size(), 2);
        QCOMPARE(m_f->probe.childList()->topLevelItemCount(), 2);
    }

    void switchingListMode()
    {
        select("N0-1001");
        m_f->tree.CngCod(true);
        QCOMPARE(TreeProbe::image(m_f->probe.item("N0-1001")), QStringLiteral("ndcod"));
        QVERIFY(m_f->tree.listMode());
        QCOMPARE(m_f->probe.childList()->topLevelItemCount(), 2);
        QCOMPARE(PageDb::value(QStringLiteral("Select boCod From msDoc Where noDoc = 1001")).toInt(), 1);
        m_f->tree.CngCod();
        QCOMPARE(PageDb::value(QStringLiteral("Select boCod From msDoc Where noDoc = 1001")).toInt(), 0);
        QCOMPARE(m_f->probe.item("N0-1001")->childCount(), 2);
        QVERIFY(m_f->probe.item("N0-1001")->isExpanded());
        // A tag node is no page of the tree.
        m_f->tree.TagTree(QStringLiteral("tag"), QStringLiteral("1010"));
        const QString tagKey = m_f->probe.keys("N0-1001").last();
        select(tagKey);
        m_f->tree.CngCod(true);
        QVERIFY(!m_f->tree.listMode());
        QCOMPARE(PageDb::value(QStringLiteral("Select boCod From msDoc Where noDoc = 1010")).toInt(), 0);
    }

    void deletingAPlacement()
    {
        m_f->probe.item("N0-1001")->setExpanded(true);
        QString msg;
        m_f->tree.trNdDL(QStringLiteral("N5-1002"), msg);
        QCOMPARE(PageDb::row(1001, 1002), QString());
        QVERIFY(!m_f->probe.item("N5-1002"));
        QVERIFY(m_f->prompt.messages.isEmpty());
        QCOMPARE(PageDb::value(QStringLiteral("Select Count(*) From msDoc Where noDoc = 1002")).toInt(), 1);
        select("N6-1003");
        msg = QStringLiteral("参照: 1001");
        m_f->prompt.answers << Prompt::Cancel;
        m_f->tree.trNdDL(QString(), msg);
        QCOMPARE(msg, QStringLiteral("参照: 1001\r現在のﾍﾟｰｼﾞを削除して良いですか"));
        QVERIFY(!PageDb::row(1001, 1003).isEmpty());
        msg.clear();
        m_f->prompt.answers << Prompt::Ok;
        m_f->tree.trNdDL(QString(), msg);
        QVERIFY(PageDb::row(1001, 1003).isEmpty());
        QCOMPARE(TreeProbe::image(m_f->probe.item("N0-1001")), QStringLiteral("ndlef"));
        QVERIFY(!m_f->probe.setDocs.isEmpty());
    }

    void deletingATagNodeKeepsTheRealPlacement()
    {
        select("N0-1001");
        m_f->tree.TagTree(QStringLiteral("使い方へ"), QStringLiteral("1002"));
        QString msg;
        m_f->tree.trNdDL(QStringLiteral("X7-1002"), msg);
        QVERIFY(!m_f->probe.item("X7-1002"));
        QCOMPARE(PageDb::row(1001, 1002), QStringLiteral("0:使い方"));
    }

private:
    void select(const QString &key)
    {
        QVERIFY(m_f->probe.item(key));
        m_f->probe.view()->setCurrentItem(m_f->probe.item(key));
    }

    // The host's save: the page row first, then the tree.
    void save(QString &title, const QString &before, int page)
    {
        if (!PageDb::value(QStringLiteral("Select noDoc From msDoc Where noDoc = ?"), {page}).isValid())
            QVERIFY(PageDb::page(page, title));
        m_f->tree.UdtNd(title, before, page);
    }

    void clickListItem(int row)
    {
        QTreeWidget *list = m_f->probe.childList();
        QTreeWidgetItem *item = list->topLevelItem(row);
        QVERIFY(item);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
    }

    TreeFixture *m_f = nullptr;
};

QTEST_MAIN(TestPageTreeEdit)
#include "tst_pagetreeedit.moc"

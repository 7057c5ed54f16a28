#include "TreeFixture.h"

#include "core/Usr.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest>

// What the page-tree control tells its host, and when: choosing nodes, the
// leaving-page check, panes, find, recent pages and the title edit.
class TestPageTreeEvents : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_f = new TreeFixture;
        QVERIFY(m_f->setUp());
    }

    void cleanup() { delete m_f; }

    void cancelledMoveKeepsThePage()
    {
        m_f->probe.clickKey("N0-1001");
        m_f->tree.SetTmpKy();
        QCOMPARE(m_f->probe.setDocs.size(), 1);
        m_f->probe.cancelMoves = true;
        m_f->probe.clickKey("N4-1010");
        QCOMPARE(m_f->probe.chkMoves, 2);
        QCOMPARE(m_f->probe.setDocs.size(), 1);
        QCOMPARE(m_f->tree.SlctdKy(), QStringLiteral("N0-1001"));
        // The same node again: the host is asked again, and may let it reload.
        m_f->probe.cancelMoves = false;
        m_f->probe.clickKey("N0-1001");
        QCOMPARE(m_f->probe.setDocs, QStringList({"0|1001|はじめに|0|0", "0|1001|はじめに|0|0"}));
    }

    void enterChoosesTheNode()
    {
        m_f->probe.view()->setCurrentItem(m_f->probe.item("L1-1002"));
        QTest::keyClick(m_f->probe.view(), Qt::Key_Return);
        QCOMPARE(m_f->probe.setDocs, QStringList({"0|1002|使い方|0|0"}));
        QTest::keyClick(m_f->probe.view(), Qt::Key_Return, Qt::ControlModifier);
        QCOMPARE(m_f->probe.setDocs.size(), 1);
    }

    void expandArrowDoesNotChooseThePage()
    {
        QTreeWidgetItem *top = m_f->probe.item("N0-1001");
        const QRect rect = m_f->probe.view()->visualItemRect(top);
        QTest::mouseClick(m_f->probe.view()->viewport(), Qt::LeftButton, {}, QPoint(rect.left() - 8, rect.center().y()));
        QVERIFY(top->isExpanded());
        QCOMPARE(top->childCount(), 2);
        QVERIFY(m_f->probe.setDocs.isEmpty());
        QCOMPARE(m_f->probe.chkMoves, 0);
    }

    void rightButtonAsksForTheMenuWithoutChoosing()
    {
        m_f->probe.clickKey("N0-1001");
        m_f->probe.click(m_f->probe.item("N4-1010"), Qt::RightButton);
        QCOMPARE(m_f->probe.rightClicks, QList<bool>({true}));
        QCOMPARE(m_f->tree.SlctdKy(), QStringLiteral("N0-1001"));
        QCOMPARE(m_f->probe.setDocs.size(), 1);
    }

    void rootSelectChoosesTheFirstNode()
    {
        QVERIFY(m_f->tree.RootSelect());
        QCOMPARE(m_f->probe.chkMoves, 1);
        QCOMPARE(m_f->probe.setDocs, QStringList({"0|1001|はじめに|0|0"}));
        m_f->tree.ClearItem();
        QVERIFY(!m_f->tree.RootSelect());
        QCOMPARE(m_f->probe.setDocs.size(), 1);
    }

    void childListRightClickAndCancelledMoves()
    {
        m_f->probe.clickKey("N2-1005");
        m_f->tree.SetTmpKy();
        QTreeWidget *list = m_f->probe.childList();
        QTest::mouseClick(list->viewport(), Qt::RightButton, {}, list->visualItemRect(list->topLevelItem(0)).center());
        QCOMPARE(m_f->probe.rightClicks, QList<bool>({false}));
        QVERIFY(!list->currentItem());
        m_f->probe.cancelMoves = true;
        m_f->probe.clickKey("N0-1001");
        QCOMPARE(m_f->probe.messages.last(), QStringLiteral("新規ﾍﾟｰｼﾞを編集して下さい"));
        QCOMPARE(m_f->probe.setDocs.size(), 1);
        // The list page stays, and so does its node.
        QCOMPARE(m_f->tree.SlctdKy(), QStringLiteral("N2-1005"));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->topLevelItem(1)).center());
        QCOMPARE(m_f->probe.setDocs.size(), 1);
        QVERIFY(!list->currentItem());
    }

    void clearingTheTreeDropsTheChildList()
    {
        m_f->probe.clickKey("N2-1005");
        QVERIFY(m_f->probe.childList()->topLevelItemCount() > 0);
        m_f->tree.ClearItem();
        QVERIFY(!m_f->tree.listMode());
        QCOMPARE(m_f->probe.childList()->topLevelItemCount(), 0);
        QVERIFY(!m_f->probe.childList()->isVisible());
    }

    void hostRebuildingTheTreeWhileAskedIsSafe()
    {
        m_f->probe.clickKey("N2-1005");
        connect(&m_f->tree, &uTrX::eChkMove, this, [this] {
            m_f->tree.ClearItem();
            m_f->tree.SetNodes(QStringLiteral("0"));
        });
        QTreeWidget *list = m_f->probe.childList();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->topLevelItem(0)).center());
        QCOMPARE(m_f->probe.setDocs.size(), 1);
        m_f->probe.clickKey("N4-1010");
        QCOMPARE(m_f->probe.setDocs.last(), QStringLiteral("0|1010|保護ページ|0|1"));
        QCOMPARE(m_f->tree.SlctdKy(), QStringLiteral("N4-1010"));
    }

    void busyControlIgnoresTheUser()
    {
        Usr::st().busy = true;
        m_f->probe.clickKey("N0-1001");
        QVERIFY(m_f->probe.setDocs.isEmpty());
        QCOMPARE(m_f->probe.chkMoves, 0);
    }

    void panes()
    {
        uTrX fresh;
        TreeProbe probe(fresh);
        QCOMPARE(fresh.SetFrame(0), 1);
        QCOMPARE(probe.messages, QStringList({"左のﾂﾘｰでﾍﾟｰｼﾞを指定して下さい"}));
        QCOMPARE(fresh.SetFrame(2), 2);
        QCOMPARE(fresh.iTabNo(), 2);
        QCOMPARE(probe.messages.last(), QStringLiteral("文書全体に検索文字を含む文書を探します"));
        QCOMPARE(fresh.SetFrame(0), 2);
        QCOMPARE(fresh.SetFrame(3), 3);
        QCOMPARE(probe.messages.last(), QStringLiteral("最近表示したﾍﾟｰｼﾞをﾘｽﾄしました"));
        // Picker mode drops the recent tab once, however often it is asked for.
        QCOMPARE(fresh.SetFrame(-1), 1);
        QCOMPARE(fresh.SetFrame(-1), 1);
        auto *tabs = fresh.findChild<QTabWidget *>(QStringLiteral("stTab"));
        QCOMPARE(tabs->count(), 2);
        QCOMPARE(tabs->tabText(0), QStringLiteral("文脈"));
        QCOMPARE(tabs->tabToolTip(1), QStringLiteral("指定文字を含む文書を検索"));
        QCOMPARE(fresh.SetFrame(0), 3);   // the current pane was kept
        QCOMPARE(fresh.SetFrame(7), 7);
    }

    void findReportsTheCount_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        QTest::newRow("quote") << "it's" << "２ 件候補がありました";
        QTest::newRow("two words") << "it's easy" << "１ 件候補がありました";
        QTest::newRow("percent") << "100%" << "１ 件候補がありました";
        QTest::newRow("nothing found") << "no such words" << "０ 件候補がありました";
        QTest::newRow("no words: every page") << "" << "１０ 件候補がありました";
    }

    void findReportsTheCount()
    {
        QFETCH(QString, text);
        find(text);
        QTEST(m_f->probe.messages.last(), "message");
    }

    void choosingAFoundPage()
    {
        find(QStringLiteral("it's"));
        auto *list = m_f->tree.findChild<QListWidget *>(QStringLiteral("lsFind"));
        QCOMPARE(list->count(), 2);
        QCOMPARE(list->item(0)->text(), QStringLiteral("インストール"));
        find(QStringLiteral("it's easy"));
        QCOMPARE(list->count(), 1);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
        QCOMPARE(m_f->probe.setDocs, QStringList({"|1003|インストール|2|0"}));
        QCOMPARE(m_f->probe.findWords, QStringList({"it's easy"}));
    }

    void findHistoryHasNoRepeats()
    {
        auto *combo = m_f->tree.findChild<QComboBox *>(QStringLiteral("cmbFind"));
        find(QStringLiteral("diary"));
        find(QStringLiteral("diary"));
        find(QStringLiteral("march"));
        QCOMPARE(combo->count(), 2);
        m_f->tree.ClearItem();
        find(QStringLiteral("diary"));
        QCOMPARE(combo->count(), 3);
    }

    void findButtonAndChoosingFromTheList()
    {
        auto *combo = m_f->tree.findChild<QComboBox *>(QStringLiteral("cmbFind"));
        combo->setEditText(QStringLiteral("march"));
        m_f->tree.findChild<QPushButton *>(QStringLiteral("cmFind"))->click();
        QCOMPARE(m_f->probe.messages.last(), QStringLiteral("１ 件候補がありました"));
        combo->setEditText(QStringLiteral("welcome"));
        m_f->tree.findChild<QPushButton *>(QStringLiteral("cmFind"))->click();
        m_f->probe.messages.clear();
        combo->setCurrentIndex(0);
        emit combo->activated(0);
        QCOMPARE(combo->currentText(), QStringLiteral("march"));
        QCOMPARE(m_f->probe.messages, QStringList({"１ 件候補がありました"}));
    }

    void findWordsAreForgottenOnOtherPanes()
    {
        find(QStringLiteral("diary"));
        m_f->tree.SetFrame(1);
        auto *list = m_f->tree.findChild<QListWidget *>(QStringLiteral("lsFind"));
        list->setCurrentRow(0);
        m_f->tree.SetFrame(2);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
        QCOMPARE(m_f->probe.findWords, QStringList({QString()}));
    }

    void recentPages()
    {
        m_f->tree.SetRcnt(QStringLiteral("1001"), QStringLiteral("はじめに"));
        m_f->tree.SetRcnt(QStringLiteral("1002"), QStringLiteral("使い方"));
        m_f->tree.SetRcnt(QStringLiteral("1005"), QStringLiteral("日記"));
        m_f->tree.SetRcnt(QStringLiteral("01001"), QStringLiteral("はじめに"));
        auto *list = m_f->tree.findChild<QListWidget *>(QStringLiteral("lsRsnt"));
        QStringList titles;
        for (int i = 0; i < list->count(); ++i)
            titles << list->item(i)->text();
        QCOMPARE(titles, QStringList({"使い方", "日記", "はじめに"}));
        m_f->tree.SetFrame(3);
        QCOMPARE(list->currentRow(), 2);
        QVERIFY(m_f->probe.setDocs.isEmpty());
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(1)).center());
        QCOMPARE(m_f->probe.setDocs, QStringList({"|1005|日記|2|0"}));
        m_f->tree.findChild<QPushButton *>(QStringLiteral("cmClrRsnt"))->click();
        QCOMPARE(list->count(), 0);
    }

    void recentPaneAsQueryResults()
    {
        m_f->tree.SetRcntLst(QStringLiteral("参照元"), QStringLiteral("ﾘﾝｸしているﾍﾟｰｼﾞ"),
                           QStringLiteral("Select szDoc, noDoc From msDoc Where noDoc > 1008 Order By noDoc"));
        auto *tabs = m_f->tree.findChild<QTabWidget *>(QStringLiteral("stTab"));
        QCOMPARE(tabs->tabText(2), QStringLiteral("参照元"));
        QVERIFY(!m_f->tree.findChild<QPushButton *>(QStringLiteral("cmClrRsnt"))->isEnabled());
        auto *list = m_f->tree.findChild<QListWidget *>(QStringLiteral("lsRsnt"));
        QCOMPARE(list->count(), 2);
        QCOMPARE(list->item(1)->data(Qt::UserRole).toInt(), 1010);
    }

    void deletedPagesLeaveTheFindAndRecentLists()
    {
        auto *found = m_f->tree.findChild<QListWidget *>(QStringLiteral("lsFind"));
        auto *recent = m_f->tree.findChild<QListWidget *>(QStringLiteral("lsRsnt"));
        m_f->tree.SetRcnt(QStringLiteral("1010"), QStringLiteral("保護ページ"));
        m_f->tree.SetRcnt(QStringLiteral("1009"), QStringLiteral("非公開メモ"));
        find(QStringLiteral("e"));
        QCOMPARE(found->count(), 7);
        // Deleted in the tree: its last placement goes, and so do its entries.
        QString message;
        m_f->tree.trNdDL(QStringLiteral("N4-1010"), message);
        QCOMPARE(found->count(), 6);
        QCOMPARE(recent->count(), 1);
        // Deleted behind the tree's back (another window, a clean-up): a click opens nothing.
        QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Delete From tbTree Where noLfC = 1009")));
        m_f->probe.setDocs.clear();
        QTest::mouseClick(recent->viewport(), Qt::LeftButton, {}, recent->visualItemRect(recent->item(0)).center());
        QVERIFY(m_f->probe.setDocs.isEmpty());
        QCOMPARE(recent->count(), 0);
        QCOMPARE(m_f->probe.messages.last(), QStringLiteral("このﾍﾟｰｼﾞは削除されています"));
        find(QStringLiteral("e"));
        QCOMPARE(found->count(), 5);
        // A page placed only as a link is still a page of the tree.
        QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Delete From tbTree Where noLfP = 1001 And noLfC = 1002")));
        find(QStringLiteral("used"));
        QCOMPARE(found->count(), 1);
    }

    void titleEditStoresACleanTitle()
    {
        m_f->probe.view()->setCurrentItem(m_f->probe.item("N0-1001"));
        edit(QStringLiteral("  It's <new> & ok  "));
        QCOMPARE(m_f->probe.item("N0-1001")->text(0), QStringLiteral("  It's <new> & ok  "));
        QCOMPARE(PageDb::row(0, 1001), QStringLiteral("0:Itsnewok"));
        QVERIFY(!PageDb::value(QStringLiteral("Select dyUdt From tbTree Where noLfC = 1001")).isNull());
        QCOMPARE(PageDb::value(QStringLiteral("Select szDoc From msDoc Where noDoc = 1001")).toString(),
                 QStringLiteral("はじめに"));
        // Nothing is left to clean: nothing is written.
        edit(QStringLiteral(" & "));
        QCOMPARE(PageDb::row(0, 1001), QStringLiteral("0:Itsnewok"));
        // The node is not editable outside an edit.
        QVERIFY(!(m_f->probe.item("N0-1001")->flags() & Qt::ItemIsEditable));
    }

    // A name of several lines pasted into the node's box is one line, on the node and in its row.
    void renamedTitleIsOneLine_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::newRow("line feed") << QStringLiteral("一行目\n二行目");
        QTest::newRow("CR LF") << QStringLiteral("一行目\r\n二行目");
        QTest::newRow("CR") << QStringLiteral("一行目\r二行目");
        QTest::newRow("line separator") << QStringLiteral("一行目") + QChar(0x2028) + QStringLiteral("二行目");
        QTest::newRow("paragraph separator") << QStringLiteral("一行目") + QChar(0x2029) + QStringLiteral("二行目");
    }

    void renamedTitleIsOneLine()
    {
        QFETCH(QString, typed);
        m_f->probe.view()->setCurrentItem(m_f->probe.item("N0-1001"));
        edit(typed);
        QCOMPARE(m_f->probe.item("N0-1001")->text(0), QStringLiteral("一行目 二行目"));
        QCOMPARE(PageDb::row(0, 1001), QStringLiteral("0:一行目二行目"));
    }

    void titleEditOfATagWritesNothing()
    {
        m_f->probe.view()->setCurrentItem(m_f->probe.item("N0-1001"));
        m_f->tree.TagTree(QStringLiteral("設定"), QStringLiteral("1002"));
        m_f->probe.view()->setCurrentItem(m_f->probe.item("X7-1002"));
        edit(QStringLiteral("renamed"));
        QCOMPARE(PageDb::row(1001, 1002), QStringLiteral("0:使い方"));
    }

private:
    void find(const QString &text)
    {
        auto *combo = m_f->tree.findChild<QComboBox *>(QStringLiteral("cmbFind"));
        combo->setEditText(text);
        // Enter as the window delivers it: to the focus widget, which is the box, not its line edit.
        m_f->tree.activateWindow();
        combo->lineEdit()->setFocus();
        QVERIFY(QTest::qWaitForWindowActive(&m_f->tree));
        QTest::keyClick(m_f->tree.windowHandle(), Qt::Key_Return);
    }

    void edit(const QString &text)
    {
        m_f->tree.StratEdt();
        auto *editor = m_f->probe.view()->findChild<QLineEdit *>();
        QVERIFY(editor);
        editor->setText(text);
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_VERIFY(!m_f->probe.view()->findChild<QLineEdit *>() || !m_f->probe.view()->findChild<QLineEdit *>()->isVisible());
    }

    TreeFixture *m_f = nullptr;
};

QTEST_MAIN(TestPageTreeEvents)
#include "tst_pagetreeevents.moc"

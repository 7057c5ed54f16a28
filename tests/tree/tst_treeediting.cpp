#include "PageDb.h"
#include "TreeProbe.h"

#include "core/Usr.h"
#include "support/CrossingWriter.h"
#include "support/ScriptedPrompt.h"
#include "support/UnreachablePages.h"
#include "tree/uTrX.h"

#include <QMenu>
#include <QtTest>

namespace {

// Top level 5 and 12; 12 holds 34 and 56; 34 holds 78; 5 holds 90 and a link of 34.
void fillSmall()
{
    QVERIFY(zSvr::instance().D_Tran(0));
    const QList<QPair<int, QString>> pages = {{5, "五"}, {12, "十二"}, {34, "三十四"}, {56, "五十六"},
                                              {78, "七十八"}, {90, "九十"}};
    for (const auto &p : pages)
        QVERIFY(PageDb::page(p.first, p.second));
    QVERIFY(PageDb::place(0, 5, 0, false, "五"));
    QVERIFY(PageDb::place(0, 12, 1, false, "十二"));
    QVERIFY(PageDb::place(12, 34, 0, false, "三十四"));
    QVERIFY(PageDb::place(12, 56, 1, false, "五十六"));
    QVERIFY(PageDb::place(34, 78, 0, false, "七十八"));
    QVERIFY(PageDb::place(5, 90, 0, false, "九十"));
    QVERIFY(PageDb::place(5, 34, 1, true, "三十四"));
    QVERIFY(zSvr::instance().D_Tran(1));
}

int count(const QString &sql, const QVariantList &values = {})
{
    return PageDb::value(sql, values).toInt();
}

int link(int parent, int child)
{
    return count(QStringLiteral("Select boLnk From tbTree Where noLfP = ? And noLfC = ?"), {parent, child});
}

} // namespace

// Pasting, cutting, the clip list, moving among siblings, the home placement,
// the marks and the expansion state, on a small database of known shape.
class TestTreeEditing : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_db = new PageDb;
        QVERIFY(m_db->ok());
        fillSmall();
        m_prompt = new ScriptedPrompt;
        m_tree = new uTrX;
        m_probe = new TreeProbe(*m_tree);
        m_tree->resize(300, 400);
        m_tree->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_tree));
        m_tree->SetNodes(QStringLiteral("0"));
    }

    void cleanup()
    {
        delete m_probe;
        delete m_tree;
        delete m_prompt;
        delete m_db;
    }

    void setLeafFollowsTheHomeChain()
    {
        m_tree->SetLeaf(QStringLiteral("34"));
        QCOMPARE(m_tree->sGetLeaf(), QStringLiteral("34,12,0"));
        QString text;
        m_tree->GetNodeText(text);
        QCOMPARE(text, QStringLiteral("三十四"));
        // The link placement is reached by its chain.
        m_tree->SetLeaf(QStringLiteral("34,5,0"));
        QCOMPARE(m_tree->sGetLeaf(), QStringLiteral("34,5,0"));
        QVERIFY(TreeProbe::image(m_probe->view()->currentItem()).startsWith("lk"));
    }

    void cutAndPasteMovesThePlacement()
    {
        m_tree->SetLeaf(QStringLiteral("78"));
        m_tree->trCopy(true);
        QCOMPARE(m_probe->view()->currentItem()->foreground(0).color(), QColor(224, 224, 224));
        m_tree->SetLeaf(QStringLiteral("90"));
        QString title = QStringLiteral("七十八");
        m_tree->trIns(0, title, QStringLiteral("*"));
        QCOMPARE(PageDb::row(34, 78), QString());
        QVERIFY(!PageDb::row(5, 78).isEmpty());
        // The cut placement was the home placement: the moved one takes its role.
        QCOMPARE(link(5, 78), 0);
        QCOMPARE(m_tree->sGetLeaf(), QStringLiteral("78,5,0"));
        QVERIFY(m_probe->messages.contains(QStringLiteral("ﾍﾟｰｼﾞを挿入しました")));
        // The old node is gone, the key left the cut list: a second paste is a plain link.
        QCOMPARE(m_probe->keys(keyOf(12, 34)).size(), 0);
        m_tree->SetLeaf(QStringLiteral("56"));
        m_tree->trIns(0, title, QStringLiteral("*"));
        QVERIFY(!PageDb::row(5, 78).isEmpty());
        QCOMPARE(link(12, 78), 1);
    }

    void cutAndPasteUnderTheSameParentReorders()
    {
        // 34 moves from before 56 to after it: the placement (12, 34) stays what it was.
        m_tree->SetLeaf(QStringLiteral("34,12,0"));
        m_tree->trCopy(true);
        m_tree->SetLeaf(QStringLiteral("56"));
        QString title = QStringLiteral("三十四");
        m_tree->trIns(0, title, QStringLiteral("*"));
        QVERIFY(m_prompt->messages.isEmpty());
        QCOMPARE(count(QStringLiteral("Select Count(*) From tbTree Where noLfC = 34")), 2);
        QCOMPARE(link(12, 34), 0);
        QCOMPARE(m_tree->sGetLeaf(), QStringLiteral("34,12,0"));
        QCOMPARE(m_probe->keys(keyOf(12, 34)).size(), 1);
        m_tree->trSort();
        QCOMPARE(count(QStringLiteral("Select inSrt From tbTree Where noLfP = 12 And noLfC = 56")), 0);
        QCOMPARE(count(QStringLiteral("Select inSrt From tbTree Where noLfP = 12 And noLfC = 34")), 1);
        // Its children came along.
        m_tree->SetLeaf(QStringLiteral("78"));
        QCOMPARE(m_tree->sGetLeaf(), QStringLiteral("78,34,12,0"));
    }

    void aNewPageUnderATagGoesUnderItsTarget_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<int>("parent");
        QTest::newRow("page") << "34" << 34;
        QTest::newRow("link placement") << "5_34" << 34;
        QTest::newRow("no page") << "x_y" << -1;
    }

    void aNewPageUnderATagGoesUnderItsTarget()
    {
        QFETCH(QString, target);
        QFETCH(int, parent);
        m_tree->SetLeaf(QStringLiteral("90"));
        m_tree->TagTree(QStringLiteral("タグ"), target);
        QString tag;
        for (const QString &key : m_probe->keys(keyOf(5, 90)))
            if (key.startsWith(u'X'))
                tag = key;
        m_probe->view()->setCurrentItem(m_probe->item(tag));
        QString title = QStringLiteral("新しい頁");
        m_tree->trNew(2, title);
        QVERIFY(PageDb::page(91, title));
        QString saved = title;
        m_tree->UdtNd(saved, QString(), 91);
        QCOMPARE(count(QStringLiteral("Select Count(*) From tbTree Where noLfC = 91 And noLfP <> ?"), {parent}), 0);
        QCOMPARE(count(QStringLiteral("Select Count(*) From tbTree Where noLfC = 91")), parent < 0 ? 0 : 1);
        QCOMPARE(m_tree->hasNewNode(), parent < 0);
        QCOMPARE(m_prompt->messages.size(), parent < 0 ? 1 : 0);
    }

    void cutSurvivesARefresh()
    {
        // Refreshing gives every node a new key; the cut placement is still known.
        m_tree->SetLeaf(QStringLiteral("56"));
        m_tree->trCopy(true);
        m_tree->RefreshTree();
        m_tree->SetLeaf(QStringLiteral("90"));
        QString title = QStringLiteral("五十六");
        m_tree->trIns(0, title, QStringLiteral("*"));
        QCOMPARE(PageDb::row(12, 56), QString());
        QCOMPARE(link(5, 56), 0);
        QVERIFY(!PageDb::value(QStringLiteral("Select dyUdt From tbTree Where noLfP = 5 And noLfC = 56")).isNull());
    }

    void cuttingATagNodeOnlyCopies()
    {
        m_tree->SetLeaf(QStringLiteral("5"));
        m_tree->TagTree(QStringLiteral("三十四へ"), QStringLiteral("34"));
        QString tag;
        for (const QString &key : m_probe->keys(keyOf(0, 5)))
            if (key.startsWith(u'X'))
                tag = key;
        m_probe->view()->setCurrentItem(m_probe->item(tag));
        m_tree->trCopy(true);
        QCOMPARE(m_tree->clipPages(), QList<qint32>{34});
        // The tag stands under 5 like the real link (5, 34): pasting must not take that row away.
        m_tree->SetLeaf(QStringLiteral("5"));
        QString title = QStringLiteral("三十四");
        m_tree->trIns(0, title, QStringLiteral("*"));
        QCOMPARE(link(0, 34), 1);
        QVERIFY(!PageDb::row(5, 34).isEmpty());
        QVERIFY(!PageDb::row(12, 34).isEmpty());
    }

    void refusedPasteKeepsTheCutSource()
    {
        // 34 is cut under 12 and pasted under 5, where its link already stands.
        m_tree->SetLeaf(QStringLiteral("34,12,0"));
        m_tree->trCopy(true);
        m_tree->SetLeaf(QStringLiteral("90"));
        const int nodes = m_probe->keys(keyOf(0, 5)).size();
        QString title = QStringLiteral("三十四");
        m_tree->trIns(0, title, QStringLiteral("*"));
        QCOMPARE(m_prompt->messages, QStringList{QStringLiteral("同一文書へのﾘﾝｸは登録できません")});
        QCOMPARE(PageDb::row(12, 34), QStringLiteral("0:三十四"));
        QCOMPARE(m_probe->keys(keyOf(0, 5)).size(), nodes);
        // Still cut: pasting elsewhere moves it.
        m_tree->SetLeaf(QStringLiteral("5"));
        m_tree->trIns(0, title, QStringLiteral("*"));
        QCOMPARE(PageDb::row(12, 34), QString());
        QVERIFY(!PageDb::row(0, 34).isEmpty());
    }

    void failedPasteKeepsTheCutSource()
    {
        QVERIFY(PageDb::refuseInserts(QStringLiteral("tbTree"), QStringLiteral("%1noLfP = 5")));
        m_tree->SetLeaf(QStringLiteral("56"));
        m_tree->trCopy(true);
        m_tree->SetLeaf(QStringLiteral("90"));
        QString title = QStringLiteral("五十六");
        m_tree->trIns(0, title, QStringLiteral("*"));
        QCOMPARE(PageDb::row(12, 56), QStringLiteral("1:五十六"));
        QCOMPARE(PageDb::row(5, 56), QString());
        QCOMPARE(m_probe->keys(keyOf(0, 5)).size(), 2);
        QCOMPARE(m_prompt->messages, QStringList{QStringLiteral("ﾍﾟｰｼﾞを挿入できませんでした　何も変更していません")});
    }

    // Two users move pages under each other's at about the same moment: this one pastes 12 next
    // to 90 (under 5), the other moves 5 below 56 (under 12), landing after this paste was checked
    // and before it is written. Both written, 5 and 12 would hang under each other, out of
    // everybody's reach; checked again inside the write, this paste is refused and changes nothing.
    void crossingMovesAreRefused_data()
    {
        QTest::addColumn<bool>("cut");
        QTest::newRow("cut and paste") << true;
        QTest::newRow("link paste") << false;
    }
    void crossingMovesAreRefused()
    {
        QFETCH(bool, cut);
        m_tree->SetLeaf(QStringLiteral("12"));
        m_tree->trCopy(cut);
        m_tree->SetLeaf(QStringLiteral("90"));
        CrossingWriter other(m_db->path(),
                          {{QStringLiteral("Insert Into tbTree (noLfP, noLfC, inSrt, szDoc, boLnk) Values (56, 5, 9, '五', 0)"), {}},
                           {QStringLiteral("Delete From tbTree Where noLfP = 0 And noLfC = 5"), {}}});
        QVERIFY(other.start());
        QString title = QStringLiteral("十二");
        m_tree->trIns(0, title, QStringLiteral("*"));
        QCOMPARE(other.finish(), QStringList());
        QVERIFY(other.sawWait());
        QCOMPARE(PageDb::row(5, 12), QString());
        QCOMPARE(PageDb::row(0, 12), QStringLiteral("1:十二"));
        QCOMPARE(UnreachablePages::ofOpen(), QList<qint64>{});
        QCOMPARE(m_prompt->messages, QStringList{QStringLiteral("ﾍﾟｰｼﾞをそのﾍﾟｰｼﾞ自身やその下位には置けません")});
    }

    // On the server the paste loses a deadlock with another user's write (that user renamed the cut
    // placement, then reorders the page the paste goes under): it is tried once more, after the
    // other's commit, and goes through without a word.
    void aPasteThatLostADeadlockIsTriedAgain()
    {
        if (!ServerDb::wanted())
            QSKIP("a file's writes hold the whole file from their begin: they never deadlock");
        m_tree->SetLeaf(QStringLiteral("12"));
        m_tree->trCopy(true);
        m_tree->SetLeaf(QStringLiteral("90"));
        // The other is never the one the server gives up.
        CrossingWriter other(m_db->path(),
                          {{QStringLiteral("Select set_config('deadlock_timeout', '20s', false)"), {}},
                           {QStringLiteral("Update tbTree Set szDoc = '改名' Where noLfP = 0 And noLfC = 12"), {}}},
                          {{QStringLiteral("Update tbTree Set inSrt = 7 Where noLfP = 0 And noLfC = 5"), {}}}, false);
        QVERIFY(other.start());
        QString title = QStringLiteral("十二");
        m_tree->trIns(0, title, QStringLiteral("*"));
        QCOMPARE(other.finish(), QStringList());
        QVERIFY(m_prompt->messages.isEmpty());
        QVERIFY(!PageDb::row(5, 12).isEmpty());
        QCOMPARE(PageDb::row(0, 12), QString());
        QCOMPARE(PageDb::row(0, 5), QStringLiteral("7:五"));
        QCOMPARE(UnreachablePages::ofOpen(), QList<qint64>{});
    }

    // The cut placement went after the cut (another user or the other edit window moved the page,
    // or deleted that placement), before the paste, or while the paste is written: the paste is
    // refused and says why, nothing is written. The page got a link at the paste's place and kept
    // the other's home (or, deleted, came back here) without a word; pasted under its old parent
    // it said only that it could not. The cut ends: pasted again, the page is a plain link.
    void aCutWhosePlacementWentIsRefused_data()
    {
        QTest::addColumn<QString>("cut");        // the cut node's chain
        QTest::addColumn<QString>("at");         // the node pasted after
        QTest::addColumn<QStringList>("other");  // the other's statements
        QTest::addColumn<bool>("crossing");      // they land after the paste's checks, before its write
        QTest::addColumn<bool>("placing");       // the other takes the placing lock (a move)
        const QString del = QStringLiteral("Delete From tbTree Where noLfP = 34 And noLfC = 78");
        const QString home = QStringLiteral("Insert Into tbTree (noLfP, noLfC, inSrt, szDoc, boLnk) Values (90, 78, 5, '七十八', 0)");
        QTest::newRow("moved before the paste") << "78,34,12,0" << "56" << QStringList{del, home} << false << true;
        QTest::newRow("moved as the paste is written") << "78,34,12,0" << "56" << QStringList{del, home} << true << true;
        QTest::newRow("deleted before the paste") << "78,34,12,0" << "56" << QStringList{del} << false << false;
        QTest::newRow("deleted as the paste is written") << "78,34,12,0" << "56" << QStringList{del} << true << false;
        QTest::newRow("moved, pasted under its old parent")
            << "78,34,12,0" << "78,34,12,0" << QStringList{del, home} << false << true;
    }
    void aCutWhosePlacementWentIsRefused()
    {
        QFETCH(QString, cut);
        QFETCH(QString, at);
        QFETCH(QStringList, other);
        QFETCH(bool, crossing);
        QFETCH(bool, placing);
        m_tree->SetLeaf(cut);
        m_tree->trCopy(true);
        m_tree->SetLeaf(at);
        const int nodes = m_probe->view()->topLevelItemCount();
        QList<CrossingWriter::Step> steps;
        for (const QString &sql : std::as_const(other))
            steps << CrossingWriter::Step{sql, {}};
        std::unique_ptr<CrossingWriter> writer;
        if (crossing) {
            writer = std::make_unique<CrossingWriter>(m_db->path(), steps, QList<CrossingWriter::Step>{}, placing);
            QVERIFY(writer->start());
        } else {
            for (const CrossingWriter::Step &step : std::as_const(steps))
                QVERIFY(zSvr::instance().D_ExeSq(step.sql));
        }
        const QString before = PageDb::row(12, 78) + u'|' + PageDb::row(34, 78) + u'|' + PageDb::row(90, 78);
        QString title = QStringLiteral("七十八");
        m_tree->trIns(0, title, QStringLiteral("*"));
        if (writer) {
            QCOMPARE(writer->finish(), QStringList());
            QVERIFY(writer->sawWait());
        }
        QCOMPARE(m_prompt->messages, QStringList{QStringLiteral("切り取ったﾍﾟｰｼﾞは別の編集画面か他の利用者が移動か削除しています\n"
                                                                "貼付けは行いませんでした　ﾂﾘｰを最新の状態に更新して下さい")});
        QCOMPARE(count(QStringLiteral("Select Count(*) From tbTree Where noLfC = 78")), other.size() - 1);
        QCOMPARE(PageDb::row(90, 78).isEmpty(), other.size() == 1);
        QCOMPARE(m_probe->view()->topLevelItemCount(), nodes);
        if (!crossing)
            QCOMPARE(PageDb::row(12, 78) + u'|' + PageDb::row(34, 78) + u'|' + PageDb::row(90, 78), before);
        // The cut went with its placement: pasted again, the page is placed as any copied page is.
        m_prompt->messages.clear();
        m_tree->SetLeaf(QStringLiteral("56"));
        m_tree->trIns(0, title, QStringLiteral("*"));
        QVERIFY(m_prompt->messages.isEmpty());
        QCOMPARE(link(12, 78), other.size() - 1);
    }

    // A cut placement deleted in this same tree ends the cut: pasted, the page is placed again.
    void aCutDeletedHereIsPastedAsACopy()
    {
        m_tree->SetLeaf(QStringLiteral("56"));
        m_tree->trCopy(true);
        QString none;
        m_prompt->answers << Prompt::Ok;
        m_tree->trNdDL(QString(), none);
        QCOMPARE(PageDb::row(12, 56), QString());
        m_tree->SetLeaf(QStringLiteral("90"));
        QString title = QStringLiteral("五十六");
        m_tree->trIns(0, title, QStringLiteral("*"));
        QCOMPARE(m_prompt->messages.size(), 1);   // the delete's question
        QCOMPARE(link(5, 56), 0);
        QCOMPARE(UnreachablePages::ofOpen(), QList<qint64>{});
    }

    // The node pasted at stands below a page that went from the tree since it was shown (another
    // user or the other edit window deleted it, or a page above it): the paste is refused and the
    // cut page stays where it was. It was moved below the page that went, out of everybody's reach.
    // Reached through a link placement, the place still stands.
    void pasteBelowAPageThatWent_data()
    {
        QTest::addColumn<QString>("cut");
        QTest::addColumn<QString>("at");
        QTest::addColumn<QStringList>("gone");   // placements deleted meanwhile, "parent-child"
        QTest::addColumn<int>("cutParent");
        QTest::addColumn<bool>("pasted");
        QTest::addColumn<QList<qint64>>("unreachable");
        QTest::newRow("its parent went") << "56" << "90" << QStringList{"0-5"} << 12 << false << QList<qint64>{5, 90};
        QTest::newRow("every page above its parent went")
            << "90" << "78" << QStringList{"0-12", "5-34"} << 5 << false << QList<qint64>{12, 34, 56, 78};
        QTest::newRow("its parent stands through a link")
            << "90" << "78" << QStringList{"0-12"} << 5 << true << QList<qint64>{12, 56};
    }
    void pasteBelowAPageThatWent()
    {
        QFETCH(QString, cut);
        QFETCH(QString, at);
        QFETCH(QStringList, gone);
        QFETCH(int, cutParent);
        QFETCH(bool, pasted);
        QFETCH(QList<qint64>, unreachable);
        m_tree->SetLeaf(cut);
        m_tree->trCopy(true);
        m_tree->SetLeaf(at);
        for (const QString &pair : std::as_const(gone))
            QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Delete From tbTree Where noLfP = ? And noLfC = ?"),
                                             {pair.section(u'-', 0, 0).toInt(), pair.section(u'-', 1).toInt()}));
        QString title = QStringLiteral("切");
        m_tree->trIns(0, title, QStringLiteral("*"));
        const int parentOfAt = at == QLatin1String("90") ? 5 : 34;
        QCOMPARE(PageDb::row(cutParent, cut.toInt()).isEmpty(), pasted);
        QCOMPARE(PageDb::row(parentOfAt, cut.toInt()).isEmpty(), !pasted);
        QCOMPARE(UnreachablePages::ofOpen(), unreachable);
        if (pasted) {
            QVERIFY(m_prompt->messages.isEmpty());
            return;
        }
        QCOMPARE(m_prompt->messages, QStringList{QStringLiteral("貼付け先のﾍﾟｰｼﾞは別の編集画面か他の利用者がﾂﾘｰから削除しています\n"
                                                                "貼付けは行いませんでした　ﾂﾘｰを最新の状態に更新して下さい")});
        QVERIFY(!m_tree->SlctdKy().isEmpty());
    }

    void pasteUnderItselfOrADescendantIsRefused_data()
    {
        QTest::addColumn<QString>("copied");
        QTest::addColumn<QString>("at");
        QTest::newRow("next to its own child") << "12" << "34";
        QTest::newRow("under a grandchild") << "12" << "78";
        QTest::newRow("through a link placement") << "5" << "78";
    }

    void pasteUnderItselfOrADescendantIsRefused()
    {
        QFETCH(QString, copied);
        QFETCH(QString, at);
        const int rows = count(QStringLiteral("Select Count(*) From tbTree"));
        m_tree->SetLeaf(copied);
        m_tree->trCopy(false);
        m_tree->SetLeaf(at);
        if (at == QLatin1String("78"))
            QVERIFY(!m_tree->trNew(2).isEmpty());   // paste into a new node under 78
        QString title = QStringLiteral("x");
        m_tree->trIns(0, title, QStringLiteral("*"));
        QCOMPARE(m_prompt->messages.size(), 1);
        QVERIFY(m_prompt->messages.first().contains(QStringLiteral("下位")));
        QCOMPARE(count(QStringLiteral("Select Count(*) From tbTree")), rows);
        QVERIFY(!m_tree->hasNewNode() || at != QLatin1String("78"));
    }

    void emptyClipEntryInsertsNothing()
    {
        m_tree->SetLeaf(QStringLiteral("56"));
        QString title = QStringLiteral("空");
        m_tree->trIns(4, title, QStringLiteral("*"));
        m_tree->trIns(-1, title, QStringLiteral("999"));   // no such page
        QCOMPARE(m_prompt->messages.size(), 2);
        QCOMPARE(count(QStringLiteral("Select Count(*) From tbTree Where noLfC = 0 Or noLfC = 999")), 0);
    }

    void linkOfAnExistingPageKeepsQuestionMarks()
    {
        m_tree->SetLeaf(QStringLiteral("90"));
        QString title = QStringLiteral("なぜ?\"'<x>");
        m_tree->trIns(-1, title, QStringLiteral("12"));
        QCOMPARE(title, QStringLiteral("なぜ?x"));
        QCOMPARE(PageDb::row(5, 12), QStringLiteral("100:なぜ?x"));
        QCOMPARE(link(5, 12), 1);
        QVERIFY(m_tree->SlctdKy().startsWith(u'L'));
    }

    void eleventhCopyDropsTheOldest()
    {
        QVERIFY(zSvr::instance().D_Tran(0));
        for (int page = 101; page <= 111; ++page) {
            QVERIFY(PageDb::page(page, QStringLiteral("p%1").arg(page)));
            QVERIFY(PageDb::place(0, page, page, false, QStringLiteral("p%1").arg(page)));
        }
        QVERIFY(zSvr::instance().D_Tran(1));
        m_tree->ClearItem(true);
        m_tree->SetNodes(QStringLiteral("0"));
        QVERIFY(m_tree->mnClp()->actions().isEmpty());
        for (int page = 101; page <= 111; ++page) {
            m_tree->SetLeaf(QString::number(page));
            m_tree->trCopy(false);
        }
        QList<qint32> expected;
        for (int page = 111; page >= 102; --page)
            expected << page;
        QCOMPARE(m_tree->clipPages(), expected);
        QCOMPARE(m_tree->mnClp()->actions().size(), 10);
        QCOMPARE(m_tree->mnClp()->actions().first()->text(), QStringLiteral("p111"));
        // Copying a page already listed changes nothing.
        m_tree->SetLeaf(QStringLiteral("105"));
        m_tree->trCopy(false);
        QCOMPARE(m_tree->clipPages(), expected);
        // The menu entry pastes its page.
        m_tree->SetLeaf(QStringLiteral("5"));
        m_tree->mnClp()->actions().at(2)->trigger();
        QCOMPARE(link(0, 109), 0);
        QVERIFY(!PageDb::row(0, 109).isEmpty());
        QCOMPARE(count(QStringLiteral("Select Count(*) From tbTree Where noLfC = 109")), 1);
        m_tree->ClearItem(true);
        QVERIFY(m_tree->clipPages().isEmpty());
        QVERIFY(m_tree->mnClp()->actions().isEmpty());
    }

    void moveAmongSiblings()
    {
        m_tree->SetLeaf(QStringLiteral("56"));
        bool newDc = true, prv = true, nxt = true, cord = true;
        m_tree->trChkDcm(newDc, prv, nxt, cord);
        QVERIFY(!newDc && prv && !nxt && !cord);
        m_tree->trMove(true);   // already last
        m_tree->trMove(false);
        QCOMPARE(m_probe->keys(keyOf(0, 12)).first(), m_tree->SlctdKy());
        m_tree->trMove(false);  // already first
        m_tree->trSort();
        QCOMPARE(PageDb::row(12, 56), QStringLiteral("0:五十六"));
        QCOMPARE(PageDb::row(12, 34), QStringLiteral("1:三十四"));
    }

    // Two users add a page at the top level, each in a tree of their own, and each writes the order
    // they see: no two placements share an order, and a placement whose order stays is not written.
    void ordersOfTwoTreesNeverTie()
    {
        uTrX other;
        other.SetNodes(QStringLiteral("0"));
        QVERIFY(PageDb::page(201, QStringLiteral("甲")) && PageDb::page(202, QStringLiteral("乙")));
        m_tree->SetLeaf(QStringLiteral("12"));
        QVERIFY(!m_tree->trNew(1).isEmpty());
        QString title = QStringLiteral("甲");
        QVERIFY(m_tree->UdtNd(title, QString(), 201));
        other.SetLeaf(QStringLiteral("5"));
        QVERIFY(!other.trNew(1).isEmpty());
        title = QStringLiteral("乙");
        QVERIFY(other.UdtNd(title, QString(), 202));
        QCOMPARE(orders(), 4);
        m_tree->trSort();
        QCOMPARE(orders(), 4);
        QCOMPARE(PageDb::row(0, 201), QStringLiteral("2:甲"));
        const QDateTime untouched(QDate(2001, 2, 3), QTime(4, 5, 6));
        QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Update tbTree Set dyUdt = ? Where noLfP = 0 And noLfC = 5"),
                                         {untouched}));
        other.trSort();
        QCOMPARE(orders(), 4);
        QCOMPARE(PageDb::row(0, 5), QStringLiteral("0:五"));
        QCOMPARE(PageDb::row(0, 202), QStringLiteral("1:乙"));
        QCOMPARE(PageDb::row(0, 12), QStringLiteral("2:十二"));
        // The page the other tree does not show goes after the ones it does.
        QCOMPARE(PageDb::row(0, 201), QStringLiteral("3:甲"));
        QCOMPARE(PageDb::value(QStringLiteral("Select dyUdt From tbTree Where noLfP = 0 And noLfC = 5")).toDateTime(),
                 untouched);
    }

    // The save of a host's transaction: the node changes only once it is committed.
    void heldNodeChangesWaitForTheCommit()
    {
        QVERIFY(PageDb::page(201, QStringLiteral("新")));
        m_tree->SetLeaf(QStringLiteral("90"));
        QVERIFY(!m_tree->trNew(1).isEmpty());
        for (const bool commit : {false, true}) {
            m_tree->holdNodeChanges();
            QVERIFY(zSvr::instance().D_Tran(0));
            QString title = QStringLiteral("新 <b>");
            QVERIFY(m_tree->trPlaceNew(title, 201));
            QCOMPARE(title, QStringLiteral("新b"));
            QVERIFY(m_tree->hasNewNode());
            QVERIFY(zSvr::instance().D_Tran(commit ? 1 : 2));
            m_tree->releaseNodeChanges(commit);
            QCOMPARE(m_tree->hasNewNode(), !commit);
            QCOMPARE(PageDb::row(5, 201).isEmpty(), !commit);
            QString text;
            m_tree->GetNodeText(text);
            QCOMPARE(text, commit ? QStringLiteral("新b") : QStringLiteral("新規ﾍﾟｰｼﾞ"));
            QCOMPARE(m_tree->SlctdKy().endsWith(QStringLiteral("-201")), commit);
        }
        // With no unsaved node there is nowhere to place a new page: said, and nothing written.
        QString title = QStringLiteral("迷子");
        QVERIFY(!m_tree->trPlaceNew(title, 202));
        QCOMPARE(m_prompt->messages.last(), QStringLiteral("ﾍﾟｰｼﾞの置き場所が分かりません"));
        QCOMPARE(count(QStringLiteral("Select Count(*) From tbTree Where noLfC = 202")), 0);
    }

    // Nowhere to put a new node: a tree with nodes and none selected.
    void aNewNodeNeedsASelection()
    {
        m_tree->SetLeaf(QStringLiteral("12"));
        QVERIFY(m_tree->trCanNew());
        m_probe->view()->setCurrentItem(nullptr);
        QVERIFY(!m_tree->trCanNew());
        QVERIFY(m_tree->trNew(1).isEmpty());
        m_tree->SetLeaf(QStringLiteral("12"));
        QVERIFY(m_tree->trCanNew());
        QVERIFY(!m_tree->trNew(2).isEmpty());
        QVERIFY(!m_tree->trCanNew());
    }

    void menuQueriesAndTheCurrentPage()
    {
        m_tree->SetLeaf(QStringLiteral("5"));
        m_tree->TagTree(QStringLiteral("九十へ"), QStringLiteral("90x"));
        const QString tag = m_probe->keys(keyOf(0, 5)).last();
        m_probe->view()->setCurrentItem(m_probe->item(tag));
        bool newDc = true, prv = true, nxt = true, cord = true;
        m_tree->trChkDcm(newDc, prv, nxt, cord);
        QVERIFY(!prv && !nxt);
        // Back to the page shown last, through the leaving-page check.
        m_tree->SetLeaf(QStringLiteral("90"));
        m_tree->SetTmpKy();
        m_probe->view()->setCurrentItem(m_probe->item(keyOf(0, 12)));
        const int checks = m_probe->chkMoves;
        m_tree->ChkSlcNd();
        QCOMPARE(m_probe->chkMoves, checks + 1);
        QVERIFY(m_probe->setDocs.last().startsWith(QStringLiteral("0|12|")));
        m_tree->SetActImg(QStringLiteral("N"), QStringLiteral("12"), true);
        QVERIFY(m_tree->listMode());
        QCOMPARE(TreeProbe::image(m_probe->item(keyOf(0, 12))), QStringLiteral("ndcod"));
    }

    void homeRoleMovesBetweenPlacements()
    {
        m_tree->SetLeaf(QStringLiteral("34,5,0"));
        m_tree->SetLeaf(QStringLiteral("34"));
        m_tree->SetLeaf(QStringLiteral("34,5,0"));
        m_tree->StOrgn(true);
        QCOMPARE(link(5, 34), 0);
        QCOMPARE(link(12, 34), 1);
        QVERIFY(TreeProbe::image(m_probe->item(keyOf(5, 34))).startsWith("nd"));
        QVERIFY(TreeProbe::image(m_probe->item(keyOf(12, 34))).startsWith("lk"));
        // Away from the home: the other placement with the lowest parent, also the top level.
        QVERIFY(PageDb::place(0, 56, 9, true, "五十六"));
        m_tree->SetLeaf(QStringLiteral("56,12,0"));
        m_tree->StOrgn(false);
        QCOMPARE(link(0, 56), 0);
        QCOMPARE(link(12, 56), 1);
        // A page placed once has nowhere to move it to.
        m_tree->SetLeaf(QStringLiteral("90"));
        m_tree->StOrgn(false);
        QCOMPARE(link(5, 90), 0);
    }

    // A write of the tree that fails keeps the tree and its rows as they were, and says so.
    void failedWritesSaySo_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("delete") << "delete";
        QTest::newRow("home role") << "home";
    }
    void failedWritesSaySo()
    {
        QFETCH(QString, command);
        m_tree->SetLeaf(QStringLiteral("34,5,0"));
        const QString key = m_tree->SlctdKy();
        QString message;
        if (command == QLatin1String("delete")) {
            QVERIFY(PageDb::refuseDelete(5, 34));
            m_tree->trNdDL(key, message);
        } else {
            QVERIFY(PageDb::refuseUpdates(QStringLiteral("tbTree"), QStringLiteral("%1noLfP = 5 And %1boLnk = 0")));
            m_tree->StOrgn(true);
        }
        QCOMPARE(link(5, 34), 1);
        QCOMPARE(link(12, 34), 0);
        QVERIFY(m_probe->item(key));
        QCOMPARE(m_prompt->messages, QStringList{command == QLatin1String("delete")
                                                     ? QStringLiteral("ﾍﾟｰｼﾞを削除できませんでした　何も変更していません")
                                                     : QStringLiteral("ﾂﾘｰを更新できませんでした　何も変更していません")});
    }

    void hiddenAboveMarksEveryPageBelow()
    {
        QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Update tbTree Set boHide = 1 Where noLfP = 0 And noLfC = 5")));
        bool hide = true;
        m_tree->ChkHideNode(hide);
        QVERIFY(!hide);   // nothing selected
        m_tree->SetLeaf(QStringLiteral("90"));
        m_tree->ChkHideNode(hide);
        QVERIFY(hide);
        m_tree->SetLeaf(QStringLiteral("78"));
        m_tree->ChkHideNode(hide);
        QVERIFY(!hide);
        m_tree->HogoNode(true);
        m_tree->HideNode(true);
        QCOMPARE(m_probe->view()->currentItem()->foreground(0).color(), QColor(192, 0, 0));
        QCOMPARE(m_probe->view()->currentItem()->background(0).color(), QColor(240, 240, 220));
    }

    void refreshDcNdReloadsEveryNodeOfThePage()
    {
        m_tree->SetLeaf(QStringLiteral("34,5,0"));
        m_tree->SetLeaf(QStringLiteral("78"));
        QVERIFY(PageDb::page(79, "七十九"));
        QVERIFY(PageDb::place(34, 79, 1, false, "七十九"));
        m_probe->setDocs.clear();
        m_tree->RefreshDcNd(QStringLiteral("34"));
        QCOMPARE(m_probe->setDocs.size(), 2);
        QCOMPARE(m_probe->keys(keyOf(12, 34)).size(), 2);
        QCOMPARE(m_probe->keys(keyOf(5, 34)).size(), 2);
        QVERIFY(TreeProbe::image(m_probe->item(keyOf(5, 34))).startsWith("lk"));
        m_probe->setDocs.clear();
        m_tree->RefreshDcNd(QStringLiteral("4711"));
        QVERIFY(m_probe->setDocs.isEmpty());
    }

    void refreshNdGivesTheNewNodeAKey()
    {
        m_tree->SetLeaf(QStringLiteral("90"));
        QVERIFY(!m_tree->trNew(1).isEmpty());
        QVERIFY(PageDb::page(91, "九十一"));
        QVERIFY(PageDb::place(5, 91, 5, false, "九十一"));
        QString no = QStringLiteral("91");
        m_tree->RefreshNd(QStringLiteral("取込み"), no);
        QVERIFY(!m_tree->hasNewNode());
        QVERIFY(m_tree->SlctdKy().startsWith(u'N'));
        QVERIFY(m_tree->SlctdKy().endsWith(QStringLiteral("-91")));
        QVERIFY(m_probe->setDocs.last().startsWith(QStringLiteral("5|91|取込み|0")));
    }

    void expansionStateCarriesToASecondTree()
    {
        m_tree->SetLeaf(QStringLiteral("78"));
        m_probe->item(keyOf(0, 5))->setExpanded(true);
        QString exp, act;
        m_tree->GetExPndNds(exp, act);
        QCOMPARE(act, QStringLiteral("34-78"));
        QVERIFY(exp.contains(QStringLiteral("0-12,")) && exp.contains(QStringLiteral("12-34,")));
        QVERIFY(exp.contains(QStringLiteral("0-5,")));

        uTrX second;
        TreeProbe probe(second);
        second.SetNodes(QStringLiteral("0"));
        second.SetExPndNds(exp, act);
        QString exp2, act2;
        second.GetExPndNds(exp2, act2);
        QCOMPARE(exp2, exp);
        QCOMPARE(act2, act);
        QCOMPARE(second.sGetLeaf(), QStringLiteral("78,34,12,0"));

        // No list: the path comes from the database.
        uTrX third;
        third.SetNodes(QStringLiteral("0"));
        third.SetExPndNds(QString(), QStringLiteral("78"));
        QCOMPARE(third.sGetLeaf(), QStringLiteral("78,34,12,0"));
        QString none, noAct;
        uTrX empty;
        empty.GetExPndNds(none, noAct);
        QVERIFY(none.isEmpty() && noAct.isEmpty());
    }

    void walksEndOnADatabaseWithALoop()
    {
        // 200 and 201 hold each other, and 200 also stands at the top.
        QVERIFY(PageDb::page(200, "環A"));
        QVERIFY(PageDb::page(201, "環B"));
        QVERIFY(PageDb::place(200, 201, 0, false, "環B"));
        QVERIFY(PageDb::place(201, 200, 0, true, "環A"));
        QVERIFY(PageDb::place(0, 200, 9, false, "環A"));
        m_tree->RefreshTree();
        m_tree->SetExPndNds(QStringLiteral("0-200,200-201,201-200,"), QStringLiteral("201-200"));
        QString exp, act;
        m_tree->GetExPndNds(exp, act);
        QVERIFY(exp.startsWith(QStringLiteral("0-200,200-201,")));
        // 202 <-> 203 without a way to the top.
        QVERIFY(PageDb::page(202, "環C"));
        QVERIFY(PageDb::page(203, "環D"));
        QVERIFY(PageDb::place(202, 203, 0, false, "環D"));
        QVERIFY(PageDb::place(203, 202, 0, false, "環C"));
        m_tree->SetExPndNds(QString(), QStringLiteral("203"));
        m_tree->SetLeaf(QStringLiteral("203"));
        bool hide = true;
        m_tree->ChkHideNode(hide);
        // A page of the loop can still be placed where it makes none.
        m_tree->SetLeaf(QStringLiteral("201,200,0"));
        m_tree->trCopy(false);
        m_tree->SetLeaf(QStringLiteral("12"));
        QVERIFY(!m_tree->trNew(2).isEmpty());
        QString title = QStringLiteral("環B");
        m_tree->trIns(0, title, QStringLiteral("*"));
        QVERIFY(!PageDb::row(12, 201).isEmpty());
    }

private:
    // Placements at the top level with an order of their own; the count of all of them when none ties.
    static int orders()
    {
        return count(QStringLiteral("Select Count(Distinct inSrt) From tbTree Where noLfP = 0"));
    }

    // Key of the loaded node for the placement (parent, page).
    QString keyOf(int parent, int page) const
    {
        const QString suffix = u'-' + QString::number(page);
        for (QTreeWidgetItemIterator it(m_probe->view()); *it; ++it) {
            const QString key = (*it)->data(0, uTrX::KeyRole).toString();
            const QTreeWidgetItem *up = (*it)->parent();
            const QString parentPage = up ? up->data(0, uTrX::KeyRole).toString().section(u'-', 1) : "0";
            if (key.endsWith(suffix) && !key.startsWith(u'X') && parentPage == QString::number(parent))
                return key;
        }
        return QString();
    }

    PageDb *m_db = nullptr;
    ScriptedPrompt *m_prompt = nullptr;
    uTrX *m_tree = nullptr;
    TreeProbe *m_probe = nullptr;
};

QTEST_MAIN(TestTreeEditing)
#include "tst_treeediting.moc"

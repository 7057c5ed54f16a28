#include "PageDb.h"
#include "TreeProbe.h"

#include "support/CrossingWriter.h"
#include "support/ScriptedPrompt.h"
#include "support/ServerDb.h"
#include "support/UnreachablePages.h"
#include "tree/TreeBulk.h"
#include "tree/sbTrRet.h"
#include "tree/uTrX.h"

#include <QCheckBox>
#include <QListWidget>
#include <QtTest>

namespace {

// 10 holds 11, 12, 13 (11 holds 14); 20 holds 21 at order 7; 30 holds a link of 11.
// Page 1000 stands in no placement and makes the largest page number 1000.
void fillBulk()
{
    QVERIFY(zSvr::instance().D_Tran(0));
    const QList<QPair<int, QString>> pages = {{10, "源"}, {11, "一"}, {12, "二"}, {13, "三"}, {14, "十四"},
                                              {20, "先"}, {21, "既存"}, {30, "別"}, {1000, "最大"}};
    for (const auto &p : pages)
        QVERIFY(PageDb::page(p.first, p.second, QStringLiteral("本文") + p.second, p.first == 12));
    QVERIFY(PageDb::place(0, 10, 0, false, "源"));
    QVERIFY(PageDb::place(10, 11, 0, false, "It's one?"));
    QVERIFY(PageDb::place(10, 12, 1, false, "二"));
    QVERIFY(PageDb::place(10, 13, 2, false, "三"));
    QVERIFY(PageDb::place(11, 14, 3, false, "十四"));
    QVERIFY(PageDb::place(0, 20, 1, false, "先"));
    QVERIFY(PageDb::place(20, 21, 7, false, "既存"));
    QVERIFY(PageDb::place(0, 30, 2, false, "別"));
    QVERIFY(PageDb::place(30, 11, 0, true, "It's ?別", true, true));
    QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Update msDoc Set wkRnd = 12345, saTgs = 'tag'")));
    QVERIFY(zSvr::instance().D_Tran(1));
}

QString flags(int parent, int child)
{
    QVariantList vars;
    if (!zSvr::instance().R_PAry(QStringLiteral("Select boLnk, boHide, boHogo From tbTree Where noLfP = ? And noLfC = ?"),
                           {parent, child}, vars))
        return QString();
    return QStringLiteral("%1%2%3").arg(vars.value(0).toInt()).arg(vars.value(1).toInt()).arg(vars.value(2).toInt());
}

QStringList snapshot()
{
    DbTable t;
    const int n = zSvr::instance().R_Ary(
        QStringLiteral("Select noLfP, noLfC, inSrt, szDoc, boLnk, boHide, boHogo From tbTree Order By noLfP, noLfC"), t);
    QStringList rows;
    for (int r = 0; r < n; ++r) {
        QStringList cells;
        for (const QVariant &v : t.row(r))
            cells << v.toString();
        rows << cells.join(u'|');
    }
    return rows << QString::number(PageDb::value(QStringLiteral("Select Count(*) From msDoc")).toInt());
}

} // namespace

// The bulk window and its operations: what each writes, what each refuses,
// and that a failure half-way leaves the database as it was.
class TestTreeBulk : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_db = new PageDb;
        QVERIFY(m_db->ok());
        fillBulk();
        m_prompt = new ScriptedPrompt;
        m_tree = new uTrX;
        m_probe = new TreeProbe(*m_tree);
        m_tree->SetNodes(QStringLiteral("0"));
        m_win = new sbTrRet;
    }

    void cleanup()
    {
        delete m_win;
        delete m_probe;
        delete m_tree;
        delete m_prompt;
        delete m_db;
    }

    void linkCopyFollowsTheHighestOrder()
    {
        m_tree->SetLeaf(QStringLiteral("10"));
        QVERIFY(m_win->Open(0, *m_tree));
        QListWidget *list = m_win->findChild<QListWidget *>(QStringLiteral("trView"));
        QCOMPARE(list->count(), 3);
        QCOMPARE(list->item(0)->text(), QStringLiteral("It's one?"));
        list->item(2)->setCheckState(Qt::Unchecked);
        QCOMPARE(m_win->checkedList(), QStringLiteral("11,12"));
        m_win->ownTree()->SetLeaf(QStringLiteral("20,0,0"));
        m_win->cmRet_Click(0);
        QCOMPARE(PageDb::row(20, 11), QStringLiteral("8:It's one?"));
        QCOMPARE(PageDb::row(20, 12), QStringLiteral("9:二"));
        QCOMPARE(PageDb::row(20, 13), QString());
        QCOMPARE(flags(20, 11), QStringLiteral("100"));
        // Stamped with a four-digit year in both update columns.
        QVariantList dates;
        QVERIFY(zSvr::instance().R_PAry(QStringLiteral("Select dyUdt, dyUdt_P From tbTree Where noLfP = 20 And noLfC = 12"),
                                  dates));
        QCOMPARE(dates.value(0).toDateTime().date().year(), QDate::currentDate().year());
        QCOMPARE(dates.value(1), dates.value(0));
        QCOMPARE(PageDb::row(10, 11), QStringLiteral("0:It's one?"));
        QCOMPARE(m_win->result(), int(QDialog::Accepted));
        QVERIFY(m_prompt->messages.isEmpty());
        // The caller's node of the destination shows the new children.
        QCOMPARE(m_probe->keys(m_probe->keys().at(1)).size(), 3);
    }

    void newCopyMakesFreshPages()
    {
        m_tree->SetLeaf(QStringLiteral("20"));
        QVERIFY(m_win->Open(1, *m_tree));
        QListWidget *list = m_win->findChild<QListWidget *>(QStringLiteral("trView"));
        QCOMPARE(list->count(), 0);
        m_win->ownTree()->SetLeaf(QStringLiteral("10,0,0"));
        QCOMPARE(list->count(), 3);
        m_win->findChild<QCheckBox *>(QStringLiteral("chLnk"))->setChecked(true);
        m_win->cmRet_Click(1);
        QCOMPARE(PageDb::row(20, 1001), QStringLiteral("8:It's one?"));
        QCOMPARE(PageDb::row(20, 1002), QStringLiteral("9:二"));
        QCOMPARE(PageDb::row(20, 1003), QStringLiteral("10:三"));
        QCOMPARE(flags(20, 1001), QStringLiteral("000"));
        QVariantList copy, source;
        const QString read = QStringLiteral("Select szDoc, txDoc, boCod, saTgs, wkRnd, boUse From msDoc Where noDoc = ?");
        QVERIFY(zSvr::instance().R_PAry(read, {1002}, copy));
        QVERIFY(zSvr::instance().R_PAry(read, {12}, source));
        QCOMPARE(copy.mid(0, 3), source.mid(0, 3));
        QCOMPARE(copy.at(3).toString(), QString());
        QCOMPARE(copy.at(5).toInt(), 1);
        QSet<double> identities;
        for (int page = 1001; page <= 1003; ++page)
            identities << PageDb::value(QStringLiteral("Select wkRnd From msDoc Where noDoc = ?"), {page}).toDouble();
        QCOMPARE(identities.size(), 3);
        QVERIFY(!identities.contains(0) && !identities.contains(12345));
        // The copy of 11 shows 11's child as a link, in its order.
        QCOMPARE(PageDb::row(1001, 14), QStringLiteral("3:十四"));
        QCOMPARE(flags(1001, 14), QStringLiteral("100"));
        QCOMPARE(PageDb::value(QStringLiteral("Select Count(*) From tbTree Where noLfP = 1002")).toInt(), 0);
    }

    void moveCarriesHiddenProtectedLink()
    {
        m_tree->SetLeaf(QStringLiteral("30"));
        QVERIFY(m_win->Open(0, *m_tree));
        m_win->ownTree()->SetLeaf(QStringLiteral("20,0,0"));
        m_win->cmRet_Click(2);
        QCOMPARE(PageDb::row(30, 11), QString());
        QCOMPARE(PageDb::row(20, 11), QStringLiteral("8:It's ?別"));
        QCOMPARE(flags(20, 11), QStringLiteral("111"));
        QCOMPARE(flags(10, 11), QStringLiteral("000"));
        // Page 1000 stood in no placement from the start.
        QCOMPARE(UnreachablePages::ofOpen(), QList<qint64>{1000});
    }

    void failureHalfWayLeavesTheDatabaseAsItWas()
    {
        QVERIFY(PageDb::refuseInserts(QStringLiteral("tbTree"), QStringLiteral("%1noLfC In (12, 1002)")));
        const QStringList before = snapshot();
        m_tree->SetLeaf(QStringLiteral("10"));
        QVERIFY(m_win->Open(0, *m_tree));
        m_win->ownTree()->SetLeaf(QStringLiteral("20,0,0"));
        m_win->cmRet_Click(2);
        QCOMPARE(snapshot(), before);
        QVERIFY(!m_prompt->messages.isEmpty());
        QVERIFY(m_win->result() != int(QDialog::Accepted));
        // The same for a new copy: no page row stays behind either.
        m_win->cmRet_Click(1);
        QCOMPARE(snapshot(), before);
        QCOMPARE(UnreachablePages::ofOpen(), QList<qint64>{1000});
    }

    void choicesThatWouldLoseOrLoopAreRefused_data()
    {
        QTest::addColumn<int>("op");   // 0 link copy, 1 new copy with links, 2 move
        QTest::addColumn<int>("src");
        QTest::addColumn<int>("dst");
        QTest::addColumn<QString>("pages");
        QTest::newRow("move onto its source") << 2 << 10 << 10 << "11,12";
        QTest::newRow("move below a moved page") << 2 << 10 << 14 << "11,12";
        QTest::newRow("link copy into a listed page") << 0 << 10 << 11 << "11,12";
        QTest::newRow("link copy of an ancestor") << 0 << 0 << 14 << "10";
        QTest::newRow("new copy linking an ancestor") << 1 << 10 << 14 << "11";
    }

    void choicesThatWouldLoseOrLoopAreRefused()
    {
        QFETCH(int, op);
        QFETCH(int, src);
        QFETCH(int, dst);
        QFETCH(QString, pages);
        const QStringList before = snapshot();
        const QList<qint64> list = TreeBulk::parseList(pages);
        TreeBulk::Result r;
        if (op == 0)
            r = TreeBulk::linkCopy(src, dst, list, 1);
        else if (op == 1)
            r = TreeBulk::newCopy(src, dst, list, 1, true);
        else
            r = TreeBulk::move(src, dst, list, 1);
        QVERIFY(!r.ok);
        QVERIFY(!r.message.isEmpty());
        QCOMPARE(snapshot(), before);
    }

    // The destination went from the tree after it was chosen (another user or the other edit
    // window deleted it, or the page above it): nothing is written, the user is told, and the
    // window stays open with its choices. The pages went below the page that went, out of reach.
    void aDestinationThatWentIsRefused_data()
    {
        QTest::addColumn<int>("op");   // 0 link copy, 1 new copy, 2 move
        QTest::addColumn<int>("dst");
        QTest::newRow("move below the page that went") << 2 << 20;
        QTest::newRow("move below a page whose parent went") << 2 << 21;
        QTest::newRow("new copy below the page that went") << 1 << 20;
        QTest::newRow("link copy below a page whose parent went") << 0 << 21;
    }
    void aDestinationThatWentIsRefused()
    {
        QFETCH(int, op);
        QFETCH(int, dst);
        m_tree->SetLeaf(QStringLiteral("10"));
        QVERIFY(m_win->Open(0, *m_tree));
        m_win->ownTree()->SetLeaf(dst == 20 ? QStringLiteral("20,0,0") : QStringLiteral("21,20,0,0"));
        QVERIFY(PageDb::value(QStringLiteral("Select Count(*) From tbTree Where noLfP = 0 And noLfC = 20")).toInt() == 1);
        QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Delete From tbTree Where noLfP = 0 And noLfC = 20")));
        const QStringList before = snapshot();
        m_win->cmRet_Click(op);
        QCOMPARE(snapshot(), before);
        QCOMPARE(m_prompt->messages, QStringList{QStringLiteral("複写・移動先のﾍﾟｰｼﾞは別の編集画面か他の利用者がﾂﾘｰから削除しています\n"
                                                                "何も変更していません　ﾂﾘｰを再表示して指定し直して下さい")});
        QVERIFY(m_win->result() != int(QDialog::Accepted));
        QCOMPARE(m_win->checkedList(), QStringLiteral("11,12,13"));
        QCOMPARE(UnreachablePages::ofOpen(), (QList<qint64>{20, 21, 1000}));
    }

    // The chosen pages left the source after the window listed them (another user or the other edit
    // window moved or deleted them, or 最適化 took their rows): an operation that finds none of them
    // writes nothing, says so and stays open; one that finds some handles those and says how many it
    // left out. Either closed as if done, and a link copy placed the page whose row had gone.
    void chosenPagesThatWentAreToldOf_data()
    {
        QTest::addColumn<int>("mode");          // 0 from here, 2 delete
        QTest::addColumn<int>("button");        // 0 link copy (delete), 1 new copy, 2 move
        QTest::addColumn<QStringList>("gone");  // "pN" the placement (10, N) deleted, "dN" page N's row
        QTest::addColumn<bool>("crossing");     // the delete lands after the press, before the write
        QTest::addColumn<QString>("none");      // what the message of none found names; "" some found
        QTest::addColumn<int>("left");          // pages left out
        QTest::newRow("new copy, none left") << 0 << 1 << QStringList{"p11", "p12", "p13"} << false << "複写" << 3;
        QTest::newRow("move, none left") << 0 << 2 << QStringList{"p11", "p12", "p13"} << false << "移動" << 3;
        QTest::newRow("link copy, none left") << 0 << 0 << QStringList{"p11", "p12", "p13"} << false << "複写" << 3;
        QTest::newRow("delete, none left") << 2 << 0 << QStringList{"p11", "p12", "p13"} << false << "削除" << 3;
        QTest::newRow("new copy, one left out") << 0 << 1 << QStringList{"p12"} << false << "" << 1;
        QTest::newRow("move, one left out") << 0 << 2 << QStringList{"p12"} << false << "" << 1;
        QTest::newRow("delete, two left out") << 2 << 0 << QStringList{"p11", "p13"} << false << "" << 2;
        QTest::newRow("link copy of a page whose row went") << 0 << 0 << QStringList{"d13"} << false << "" << 1;
        QTest::newRow("move, one deleted as it runs") << 0 << 2 << QStringList{"p12"} << true << "" << 1;
    }
    void chosenPagesThatWentAreToldOf()
    {
        QFETCH(int, mode);
        QFETCH(int, button);
        QFETCH(QStringList, gone);
        QFETCH(bool, crossing);
        QFETCH(QString, none);
        QFETCH(int, left);
        m_tree->SetLeaf(QStringLiteral("10"));
        QVERIFY(m_win->Open(mode, *m_tree));
        if (mode == 0)
            m_win->ownTree()->SetLeaf(QStringLiteral("20,0,0"));
        QList<CrossingWriter::Step> deletes;
        for (const QString &what : std::as_const(gone))
            deletes << CrossingWriter::Step{what.startsWith(u'p') ? QStringLiteral("Delete From tbTree Where noLfP = 10 And noLfC = ?")
                                                                 : QStringLiteral("Delete From msDoc Where noDoc = ?"),
                                            {what.mid(1).toInt()}};
        std::unique_ptr<CrossingWriter> other;
        if (crossing) {
            other = std::make_unique<CrossingWriter>(m_db->path(), deletes, QList<CrossingWriter::Step>{}, false);
            QVERIFY(other->start());
        } else {
            for (const CrossingWriter::Step &step : std::as_const(deletes))
                QVERIFY(zSvr::instance().D_ExeSq(step.sql, step.values));
        }
        const QStringList before = snapshot();
        const int under = [](int parent) {
            return PageDb::value(QStringLiteral("Select Count(*) From tbTree Where noLfP = ?"), {parent}).toInt();
        }(mode == 2 ? 10 : 20);
        m_win->cmRet_Click(button);
        if (other) {
            QCOMPARE(other->finish(), QStringList());
            QVERIFY(other->sawWait());
        }
        if (!none.isEmpty()) {
            QCOMPARE(snapshot(), before);
            QCOMPARE(m_prompt->messages, QStringList{none + QStringLiteral("するﾍﾟｰｼﾞがありません\n"
                                                                         "選んだﾍﾟｰｼﾞは別の編集画面か他の利用者が移動か削除しています\n"
                                                                         "何も変更していません　ﾂﾘｰを再表示して指定し直して下さい")});
            QVERIFY(m_win->result() != int(QDialog::Accepted));
            return;
        }
        QCOMPARE(m_prompt->messages,
                 QStringList{QStringLiteral("選んだﾍﾟｰｼﾞのうち %1 件は別の編集画面か他の利用者が移動か削除していたので除きました")
                                 .arg(left)});
        QCOMPARE(m_win->result(), int(QDialog::Accepted));
        const int now = PageDb::value(QStringLiteral("Select Count(*) From tbTree Where noLfP = ?"), {mode == 2 ? 10 : 20}).toInt();
        QCOMPARE(now, mode == 2 ? under - (3 - left) : under + 3 - left);
        for (const QString &what : std::as_const(gone))
            QCOMPARE(PageDb::row(20, what.mid(1).toInt()), QString());
    }

    // This user moves 10 below 21 (under 20) while the other moves 20 below 14 (under 11, under 10),
    // landing after the move was chosen and before it is written: the later move is refused with
    // nothing written, and the two never hang under each other.
    void crossingMovesAreRefused_data()
    {
        QTest::addColumn<int>("op");   // 0 link copy, 2 move
        QTest::newRow("move") << 2;
        QTest::newRow("link copy") << 0;
    }
    void crossingMovesAreRefused()
    {
        QFETCH(int, op);
        CrossingWriter other(m_db->path(),
                          {{QStringLiteral("Insert Into tbTree (noLfP, noLfC, inSrt, szDoc, boLnk) Values (14, 20, 9, '先', 0)"), {}},
                           {QStringLiteral("Delete From tbTree Where noLfP = 0 And noLfC = 20"), {}}});
        QVERIFY(other.start());
        const TreeBulk::Result r = op == 2 ? TreeBulk::move(0, 21, {10}, 1) : TreeBulk::linkCopy(0, 21, {10}, 1);
        QCOMPARE(other.finish(), QStringList());
        QVERIFY(other.sawWait());
        QVERIFY(!r.ok);
        QCOMPARE(r.message, QStringLiteral("ﾍﾟｰｼﾞをそのﾍﾟｰｼﾞ自身やその下位には置けません"));
        QCOMPARE(PageDb::row(21, 10), QString());
        QCOMPARE(PageDb::row(0, 10), QStringLiteral("0:源"));
        QCOMPARE(UnreachablePages::ofOpen(), QList<qint64>{1000});
    }

    // On the server a move that loses a deadlock with another user's write is tried once more,
    // after the other's commit, and goes through.
    void aMoveThatLostADeadlockIsTriedAgain()
    {
        if (!ServerDb::wanted())
            QSKIP("a file's writes hold the whole file from their begin: they never deadlock");
        CrossingWriter other(m_db->path(),
                          {{QStringLiteral("Select set_config('deadlock_timeout', '20s', false)"), {}},
                           {QStringLiteral("Update tbTree Set szDoc = '改名' Where noLfP = 10 And noLfC = 12"), {}}},
                          {{QStringLiteral("Update tbTree Set inSrt = 5 Where noLfP = 0 And noLfC = 20"), {}}}, false);
        QVERIFY(other.start());
        const TreeBulk::Result r = TreeBulk::move(10, 21, {12}, 1);
        QCOMPARE(other.finish(), QStringList());
        QVERIFY2(r.ok, qPrintable(r.message));
        QVERIFY(PageDb::row(21, 12).startsWith(QStringLiteral("1:")));
        QCOMPARE(PageDb::row(10, 12), QString());
        QCOMPARE(PageDb::row(0, 20), QStringLiteral("5:先"));
    }

    void pairsAlreadyThereAreSkipped()
    {
        const TreeBulk::Result moved = TreeBulk::move(30, 10, {11}, 5);
        QVERIFY(moved.ok);
        QCOMPARE(moved.skipped, 1);
        QCOMPARE(flags(30, 11), QStringLiteral("111"));
        // A new copy under a page below the copied one is fine without links.
        const TreeBulk::Result copied = TreeBulk::newCopy(10, 14, {11}, 1, false);
        QVERIFY(copied.ok);
        QCOMPARE(copied.newPages, QList<qint64>{1001});
        QCOMPARE(TreeBulk::parseList(QStringLiteral("12, x,34,,12")), (QList<qint64>{12, 34}));
    }

    // A page from elsewhere numbered at the top of the 32-bit page numbers or past them: the copies
    // would be numbered where they could be neither shown nor opened. Nothing is written.
    void newCopyPastTheHighestNumberWritesNothing_data()
    {
        QTest::addColumn<qint64>("highest");
        QTest::newRow("the highest 32-bit number") << qint64(0x7fffffff);
        QTest::newRow("past 32 bits") << qint64(0x100000000LL + 5);
    }

    void newCopyPastTheHighestNumberWritesNothing()
    {
        QFETCH(qint64, highest);
        const bool stored = zSvr::instance().D_ExeSq(QStringLiteral("Insert Into msDoc (noDoc, szDoc, txDoc) Values (?, 'foreign', '')"),
                                                     {highest});
        // A server's table holds 32-bit page numbers only.
        if (!stored && ServerDb::wanted() && highest > 0x7fffffff)
            QSKIP("the server stores no page number past 32 bits");
        QVERIFY(stored);
        const QStringList before = snapshot();
        const TreeBulk::Result copied = TreeBulk::newCopy(10, 20, {11, 12}, 1, true);
        QVERIFY(!copied.ok);
        QCOMPARE(copied.message, QStringLiteral("一括処理を完了できませんでした　変更は元に戻しました"));
        QCOMPARE(snapshot(), before);
    }

    void deletingTheHomePlacementPromotesALink()
    {
        m_tree->SetLeaf(QStringLiteral("10"));
        QVERIFY(m_win->Open(2, *m_tree));
        QListWidget *list = m_win->findChild<QListWidget *>(QStringLiteral("trView"));
        list->item(1)->setCheckState(Qt::Unchecked);
        list->item(2)->setCheckState(Qt::Unchecked);
        m_win->cmRet_Click(0);
        QCOMPARE(PageDb::row(10, 11), QString());
        QCOMPARE(flags(30, 11), QStringLiteral("011"));
        QVERIFY(!PageDb::row(10, 12).isEmpty());
        QCOMPARE(PageDb::value(QStringLiteral("Select Count(*) From msDoc Where noDoc = 11")).toInt(), 1);
    }

    void aSourceWithoutChildrenOpensNothing()
    {
        m_tree->SetLeaf(QStringLiteral("13,10,0"));
        QVERIFY(!m_win->Open(0, *m_tree));
        QVERIFY(!m_win->Open(2, *m_tree));
        QCOMPARE(m_prompt->messages, QStringList(2, QStringLiteral("複写元には下位のﾍﾟｰｼﾞがありません")));
    }

    void aLinkDestinationAsksFirst()
    {
        m_tree->SetLeaf(QStringLiteral("11,30,0"));
        QVERIFY(m_win->Open(1, *m_tree));
        m_win->ownTree()->SetLeaf(QStringLiteral("20,0,0"));
        m_prompt->answers << Prompt::Cancel << Prompt::Ok;
        m_win->cmRet_Click(0);
        QCOMPARE(PageDb::row(11, 21), QString());
        QCOMPARE(m_prompt->messages.size(), 1);
        QVERIFY(m_prompt->messages.first().startsWith(QStringLiteral("指定されたﾍﾟｰｼﾞはﾘﾝｸです")));
        m_win->cmRet_Click(0);
        QCOMPARE(PageDb::row(11, 21), QStringLiteral("4:既存"));
        // Cancel drops the own tree; the next opening loads it again.
        m_win->cmRet_Click(3);
        QCOMPARE(m_win->result(), int(QDialog::Rejected));
    }

    void rootAsDestination()
    {
        m_tree->SetLeaf(QStringLiteral("11"));
        QVERIFY(m_win->Open(0, *m_tree));
        m_win->cmRet_Click(0);   // nothing chosen in the own tree: the top level
        QCOMPARE(PageDb::row(0, 14), QStringLiteral("3:十四"));
        QCOMPARE(flags(0, 14), QStringLiteral("100"));
    }

private:
    PageDb *m_db = nullptr;
    ScriptedPrompt *m_prompt = nullptr;
    uTrX *m_tree = nullptr;
    TreeProbe *m_probe = nullptr;
    sbTrRet *m_win = nullptr;
};

QTEST_MAIN(TestTreeBulk)
#include "tst_treebulk.moc"

#include "MainFixture.h"

#include "platform/db/DataLink.h"
#include "platform/db/DbConnection.h"
#include "core/Usr.h"
#include "core/sbWait.h"
#include "output/sbExpDb.h"
#include "support/CrossingWriter.h"
#include "support/ServerSession.h"
#include "support/UnreachablePages.h"
#include "support/WaitWatch.h"
#include "tree/uTrX.h"

#include <QElapsedTimer>
#include <QRadioButton>
#include <QSemaphore>
#include <QSqlQuery>
#include <QTest>
#include <QThread>
#include <QTreeWidget>

// Another program on the same database (an SQLite file, or a database on the
// PostgreSQL server) saves, adds and deletes pages while this window edits:
// no save of this window may lose that work, nor its own, without asking.
class TestConcurrentSave : public QObject
{
    Q_OBJECT
private:
    std::unique_ptr<MainFixture> m_f;
    DbConnection m_other;   // the other program's connection

    fmDoc &window() { return *m_f->window; }
    void save() { window().fnMenu(3, 18); }
    static QString stored(int page)
    {
        return MainFixture::value(QStringLiteral("Select txDoc From msDoc Where noDoc = ?"), {page}).toString();
    }
    static int placements(int page)
    {
        return MainFixture::value(QStringLiteral("Select Count(*) From tbTree Where noLfC = ?"), {page}).toInt();
    }
    // What a save says when it placed its page at the end of the top level.
    static QString placedAtTop()
    {
        return QStringLiteral("上位のﾍﾟｰｼﾞは別の編集画面か他の利用者がﾂﾘｰから削除しています\n"
                              "このﾍﾟｰｼﾞは最上位の末尾に保存しました");
    }
    // Pages no path from the top reaches: lost to every user.
    static QList<qint64> unreachable() { return UnreachablePages::ofOpen(); }
    bool otherRuns(const QString &sql, const QVariantList &values = {})
    {
        const bool ok = m_other.exec(sql, values, true);
        if (!ok)
            qWarning("%s", qPrintable(m_other.lastError()));
        return ok;
    }
    // The other program adds page `page` "他の頁" at the top level, with the order `sort`.
    bool otherAdds(int page, int sort)
    {
        return otherRuns(QStringLiteral("Insert Into msDoc (noDoc, szDoc, txDoc, obDoc, saTgs, boCod) Values (?, ?, ?, ?, '.', 0)"),
                         {page, QStringLiteral("他の頁"), QStringLiteral("theirs"), StubEditorServices::page(QStringLiteral("theirs"))})
               && otherRuns(QStringLiteral("Insert Into tbTree (noLfP, noLfC, inSrt, szDoc, boLnk) Values (0, ?, ?, ?, 0)"),
                            {page, sort, QStringLiteral("他の頁")});
    }
    QTreeWidget *treeView() { return window().tree().findChild<QTreeWidget *>(QStringLiteral("trView")); }
    // A click on the node titled `title`, as the user chooses a page.
    void click(const QString &title)
    {
        QTreeWidget *view = treeView();
        QVERIFY(view);
        const QList<QTreeWidgetItem *> found = view->findItems(title, Qt::MatchExactly | Qt::MatchRecursive);
        QCOMPARE(found.size(), 1);
        view->setCurrentItem(found.first());
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualItemRect(found.first()).center());
    }
    // The other program saves page `page` with `text`.
    bool otherSaves(int page, const QString &text)
    {
        return otherRuns(QStringLiteral("Update msDoc Set txDoc = ?, obDoc = ? Where noDoc = ?"),
                         {text, StubEditorServices::page(text), page});
    }

private slots:
    void init()
    {
        m_f = std::make_unique<MainFixture>();
        const QString path = m_f->databaseWithPage(QStringLiteral("Team.txdb"), QStringLiteral("共有"), QStringLiteral("original"));
        QVERIFY(!path.isEmpty());
        QString link;
        QVERIFY(path.endsWith(QLatin1String(".udl")) ? DataLink::read(path, &link) && m_other.openOdbc(link)
                                                      : m_other.openSqlite(path));
        window().SetDBNo(path, 1001);
        window().show();
        QCOMPARE(window().nDocNo, 1001);
        QCOMPARE(m_f->editor().edit().text(), QStringLiteral("original"));
    }
    void cleanup()
    {
        m_other.close();
        m_f.reset();
    }

    // Both save the same page: the later save asks, "no" (the default) keeps both texts, "yes" replaces.
    void aPageSavedElsewhereAsks()
    {
        QVERIFY(otherSaves(1001, QStringLiteral("theirs")));
        m_f->type(QStringLiteral("mine"));
        m_f->prompt.answers << Prompt::No;
        save();
        QCOMPARE(m_f->prompt.messages.size(), 1);
        QVERIFY(m_f->prompt.messages.first().contains(QStringLiteral("他の利用者が更新")));
        QVERIFY(m_f->prompt.styles.first() & Prompt::DefaultButton2);
        QCOMPARE(stored(1001), QStringLiteral("theirs"));
        QVERIFY(m_f->editor().bDcEdt());
        QCOMPARE(m_f->editor().edit().text(), QStringLiteral("mine"));

        m_f->prompt.answers << Prompt::Yes;
        save();
        QCOMPARE(stored(1001), QStringLiteral("mine"));
        QVERIFY(!m_f->editor().bDcEdt());
        // Its own next save asks nothing; another change elsewhere asks again.
        m_f->type(QStringLiteral("mine again"));
        save();
        QCOMPARE(m_f->prompt.messages.size(), 2);
        QCOMPARE(stored(1001), QStringLiteral("mine again"));
        QVERIFY(otherRuns(QStringLiteral("Update msDoc Set szDoc = ? Where noDoc = 1001"), {QStringLiteral("改名")}));
        m_f->type(QStringLiteral("third"));
        m_f->prompt.answers << Prompt::No;
        save();
        QCOMPARE(m_f->prompt.messages.size(), 3);
        QCOMPARE(stored(1001), QStringLiteral("mine again"));
    }

    // On the server the save loses a deadlock with another user's transaction (which holds the page's
    // placement, then waits for the page's row that the save holds): it is tried once more, after
    // the other's commit, and saves without a word.
    void aSaveThatLostADeadlockIsTriedAgain()
    {
        if (!ServerDb::wanted())
            QSKIP("a file's writes hold the whole file from their begin: they never deadlock");
        m_other.close();
        // The other is never the one the server gives up.
        CrossingWriter other(window().sDbPath,
                             {{QStringLiteral("Select set_config('deadlock_timeout', '20s', false)"), {}},
                              {QStringLiteral("Select noLfC From tbTree Where noLfP = 0 And noLfC = 1001 For Update"), {}}},
                             {{QStringLiteral("Select noDoc From msDoc Where noDoc = 1001 For Update"), {}}}, false);
        QVERIFY(other.start());
        m_f->type(QStringLiteral("mine"));
        save();
        QCOMPARE(other.finish(), QStringList());
        QVERIFY(other.sawWait());
        QCOMPARE(m_f->prompt.messages, QStringList());
        QCOMPARE(stored(1001), QStringLiteral("mine"));
        QVERIFY(!m_f->editor().bDcEdt());
    }

    // On the server a new page is saved while another user's import holds the lock of the writes
    // that place pages and writes the page numbers this save is given: the save waits for the import
    // before it writes its row, and takes the next free number. It wrote its row first and then
    // waited for the import, which waited for that row's number: the server gave the save up, and
    // its second try met the import's next page the same way ("保存できませんでした").
    void aNewPageSavedWhileAnImportPlacesWaitsForIt()
    {
        if (!ServerDb::wanted())
            QSKIP("a file's writes hold the whole file from their begin: they never deadlock");
        window().NewPage(1);
        QCOMPARE(window().nDocNo, 1002);
        m_f->type(QStringLiteral("私の頁\nmine"));
        const auto imports = [](int page) {
            return ServerSession::Step{QStringLiteral("Insert Into msDoc (noDoc, szDoc, txDoc, saTgs, boCod) Values (?, '取込', 'theirs', '.', 0)"),
                                       {page}, ServerSession::AnyLock};
        };
        ServerSession import(window().sDbPath, {{ServerSession::placingLock()}, {QStringLiteral("begin")}, imports(1002),
                                                {QStringLiteral("commit")}, {QStringLiteral("begin")}, imports(1003),
                                                {QStringLiteral("commit")}, {ServerSession::placingLock("pg_advisory_unlock")}});
        QVERIFY(import.start());
        save();
        QCOMPARE(import.finish(), QStringList());
        QCOMPARE(m_f->prompt.messages, QStringList());
        QCOMPARE(window().nDocNo, 1004);
        QCOMPARE(stored(1004), QStringLiteral("私の頁\nmine"));
        QCOMPARE(placements(1004), 1);
        QCOMPARE(stored(1003), QStringLiteral("theirs"));
        QVERIFY(!m_f->editor().bDcEdt());
        QVERIFY(!window().tree().hasNewNode());
    }

    // On the server an import loses a deadlock with another user's session, which holds a row the
    // import waits for (the page it writes over, or the placement above the page it is imported
    // at) and then asks for the lock of the writes that place pages, which the import holds: the
    // import is tried once more after the other has ended, and goes through. Lost twice, it says
    // why and writes nothing. It ended with the bare "…からｲﾝﾎﾟｰﾄを実行しませんでした", or with the
    // driver's "deadlock detected".
    void anImportThatLostADeadlockIsTriedAgain_data()
    {
        QTest::addColumn<bool>("under");   // imported at page 1002 below 1001, not at 1001 itself
        QTest::addColumn<int>("lost");     // deadlocks the import meets
        QTest::newRow("the page's row held, once") << false << 1;
        QTest::newRow("the page's row held, twice") << false << 2;
        QTest::newRow("the placement above held, once") << true << 1;
        QTest::newRow("the placement above held, twice") << true << 2;
    }
    void anImportThatLostADeadlockIsTriedAgain()
    {
        QFETCH(bool, under);
        QFETCH(int, lost);
        if (!ServerDb::wanted())
            QSKIP("a file's writes hold the whole file from their begin: they never deadlock");
        const int page = under ? 1002 : 1001;
        const QDateTime older(QDate(2024, 1, 1), QTime(10, 0));
        if (under) {
            QVERIFY(otherRuns(QStringLiteral("Insert Into msDoc (noDoc, szDoc, txDoc, obDoc, saTgs, boCod, wkRnd, dyUdt)"
                                             " Values (1002, '子', 'child', ?, '.', 0, 4243, ?)"),
                              {StubEditorServices::page(QStringLiteral("child")), older}));
            QVERIFY(otherRuns(QStringLiteral("Insert Into tbTree (noLfP, noLfC, inSrt, szDoc, boLnk) Values (1001, 1002, 0, '子', 0)")));
            window().RefreshAll();
            window().tree().SetLeaf(QStringLiteral("1002"));
            QCOMPARE(window().nDocNo, 1002);
        } else {
            QVERIFY(otherRuns(QStringLiteral("Update msDoc Set wkRnd = 4242, dyUdt = ? Where noDoc = 1001"), {older}));
        }
        const QString before = stored(page);
        const QString source = m_f->dir.filePath(QStringLiteral("Export.txdb"));
        QVERIFY(TemplateDb::create(source));
        {
            DbConnection db;
            QVERIFY(db.openSqlite(source));
            QVERIFY(db.exec(QStringLiteral("Insert Into msDoc (noDoc, szDoc, txDoc, obDoc, saTgs, boCod, wkRnd, dyUdt)"
                                           " Values (2001, ?, 'imported', ?, '.', 0, ?, '2024-06-01 10:00:00')"),
                            {under ? QStringLiteral("子") : QStringLiteral("共有"),
                             StubEditorServices::page(QStringLiteral("imported")), under ? 4243 : 4242}, true));
            QVERIFY(db.exec(QStringLiteral("Insert Into tbTree (noLfP, noLfC, inSrt, szDoc, boLnk) Values (0, 2001, 0, ?, 0)"),
                            {under ? QStringLiteral("子") : QStringLiteral("共有")}, true));
        }
        const QString held = under ? QStringLiteral("Select noLfC From tbTree Where noLfP = 0 And noLfC = 1001 For Update")
                                   : QStringLiteral("Select noDoc From msDoc Where noDoc = 1001 For Update");
        using Step = ServerSession::Step;
        QList<Step> steps{{QStringLiteral("begin")}, {held},
                          {ServerSession::placingLock(), {}, ServerSession::RowLock}};
        if (lost == 2)
            steps << Step{ServerSession::placingLock("pg_advisory_unlock"), {}, ServerSession::AdvisoryLock}
                  << Step{ServerSession::placingLock(), {}, ServerSession::RowLock};
        steps << Step{ServerSession::placingLock("pg_advisory_unlock")} << Step{QStringLiteral("commit")};
        m_other.close();
        ServerSession other(window().sDbPath, steps);
        QVERIFY(other.start());
        m_f->prompt.files << source;
        m_f->prompt.answers << Prompt::Yes;
        window().menuClicked(QStringLiteral("mnRet"), 6);
        QCOMPARE(other.finish(), QStringList());
        const QStringList &said = m_f->prompt.messages;
        QVERIFY2(said.size() == 2 && said.first().contains(QStringLiteral("同一のﾘｿｰｽの文書があります")), qPrintable(said.join(u'|')));
        if (lost == 1) {
            QCOMPARE(said.last(), source + QStringLiteral(" からｲﾝﾎﾟｰﾄを実行しました"));
            QCOMPARE(stored(page), QStringLiteral("imported"));
        } else {
            QCOMPARE(said.last(), source + QStringLiteral(" からのｲﾝﾎﾟｰﾄは、他の利用者の書き込みと重なったため書き込めませんでした\n"
                                                           "何も変更していません　しばらくしてからもう一度ｲﾝﾎﾟｰﾄして下さい\n"
                                                           "ｲﾝﾎﾟｰﾄを実行しませんでした"));
            QCOMPARE(stored(page), before);
        }
        QCOMPARE(placements(page), 1);
        QCOMPARE(MainFixture::count(QStringLiteral("msDoc")), under ? 2 : 1);
    }

    // Both add a page at once and are shown the same number: both pages survive, each with its own
    // number and placement.
    void twoNewPagesAtOnceBothSurvive()
    {
        window().NewPage(1);
        QCOMPARE(window().nDocNo, 1002);
        QVERIFY(otherAdds(1002, 5));
        m_f->type(QStringLiteral("私の頁\nmine"));
        save();
        QVERIFY(m_f->prompt.messages.isEmpty());
        QCOMPARE(window().nDocNo, 1003);
        QVERIFY(!m_f->editor().bDcEdt());
        QVERIFY(!window().tree().hasNewNode());
        QVERIFY(window().tree().SlctdKy().endsWith(QLatin1String("-1003")));
        QCOMPARE(stored(1002), QStringLiteral("theirs"));
        QCOMPARE(stored(1003), QStringLiteral("私の頁\nmine"));
        QCOMPARE(placements(1002), 1);
        QCOMPARE(placements(1003), 1);
        QCOMPARE(MainFixture::value(QStringLiteral("Select szDoc From tbTree Where noLfP = 0 And noLfC = 1003")).toString(),
                 QStringLiteral("私の頁"));
        // The next save is an ordinary one of page 1003.
        m_f->type(QStringLiteral("私の頁\nmore"));
        save();
        QCOMPARE(stored(1003), QStringLiteral("私の頁\nmore"));
        QCOMPARE(MainFixture::count(QStringLiteral("msDoc")), 3);
    }

    // An import over page 1001 while the other user saves it during the import's question: the
    // import does not write over that save unasked. It asks the newer-date question; "no" keeps the
    // other user's page, "yes" writes the import's copy. Nobody saving meanwhile: nothing more asked.
    // The source holds an export of page 1001 (its identity), or another page that replaces it.
    void anImportOverAPageSavedMeanwhileAsks_data()
    {
        QTest::addColumn<bool>("replaced");
        QTest::addColumn<bool>("savedMeanwhile");
        QTest::addColumn<int>("answer");      // to the newer-date question
        QTest::addColumn<QString>("kept");
        QTest::newRow("nobody saves") << false << false << int(Prompt::No) << QStringLiteral("imported");
        QTest::newRow("saved meanwhile, kept") << false << true << int(Prompt::No) << QStringLiteral("theirs");
        QTest::newRow("saved meanwhile, overwritten") << false << true << int(Prompt::Yes) << QStringLiteral("imported");
        QTest::newRow("replaced, nobody saves") << true << false << int(Prompt::No) << QStringLiteral("imported");
        QTest::newRow("replaced, saved meanwhile, kept") << true << true << int(Prompt::No) << QStringLiteral("theirs");
    }
    void anImportOverAPageSavedMeanwhileAsks()
    {
        QFETCH(bool, replaced);
        QFETCH(bool, savedMeanwhile);
        QFETCH(int, answer);
        QFETCH(QString, kept);
        // The source is newer than the page stored here.
        QVERIFY(otherRuns(QStringLiteral("Update msDoc Set wkRnd = 4242, dyUdt = ? Where noDoc = 1001"),
                          {QDateTime(QDate(2024, 1, 1), QTime(10, 0))}));
        const QString source = m_f->dir.filePath(QStringLiteral("Export.txdb"));
        QVERIFY(TemplateDb::create(source));
        {
            DbConnection db;
            QVERIFY(db.openSqlite(source));
            QVERIFY(db.exec(QStringLiteral("Insert Into msDoc (noDoc, szDoc, txDoc, obDoc, saTgs, boCod, wkRnd, dyUdt)"
                                           " Values (2001, '共有', 'imported', ?, '.', 0, ?, '2024-06-01 10:00:00')"),
                            {StubEditorServices::page(QStringLiteral("imported")), replaced ? 777 : 4242}, true));
            QVERIFY(db.exec(QStringLiteral("Insert Into tbTree (noLfP, noLfC, inSrt, szDoc, boLnk) Values (0, 2001, 0, '共有', 0)"),
                            {}, false));
        }
        const QString sameSource = replaced ? QStringLiteral("に置換えられます") : QStringLiteral("同一のﾘｿｰｽの文書があります");
        const QString newer = QStringLiteral("共有は、ｲﾝﾎﾟｰﾄ先の日付が新しいですが、上書して良いですか");
        m_f->prompt.meanwhile = [&](const QString &text) {
            if (savedMeanwhile && text.contains(sameSource))
                QVERIFY(otherRuns(QStringLiteral("Update msDoc Set txDoc = ?, obDoc = ?, dyUdt = ? Where noDoc = 1001"),
                                  {QStringLiteral("theirs"), StubEditorServices::page(QStringLiteral("theirs")),
                                   QDateTime::currentDateTime()}));
        };
        m_f->prompt.files << source;
        m_f->prompt.answers << (replaced ? Prompt::Ok : Prompt::Yes) << answer;
        window().menuClicked(QStringLiteral("mnRet"), 6);
        m_f->prompt.meanwhile = nullptr;
        const QStringList &asked = m_f->prompt.messages;
        QVERIFY2(asked.size() >= 2 && asked.first().contains(sameSource), qPrintable(asked.join(u'|')));
        QCOMPARE(asked.contains(newer), savedMeanwhile);
        if (savedMeanwhile)
            QVERIFY(m_f->prompt.styles.at(asked.indexOf(newer)) & Prompt::DefaultButton2);
        QCOMPARE(asked.last(), source + QStringLiteral(" からｲﾝﾎﾟｰﾄを実行しました"));
        QCOMPARE(stored(1001), kept);
        QCOMPARE(MainFixture::count(QStringLiteral("msDoc")), 1);
        QCOMPARE(placements(1001), 1);
    }

    // A page deleted elsewhere: the save asks; "no" writes nothing, "yes" stores it again where it was.
    void aPageDeletedElsewhereAsks_data()
    {
        QTest::addColumn<bool>("rowGone");
        QTest::newRow("placement and row deleted") << true;
        QTest::newRow("placement deleted") << false;
    }
    void aPageDeletedElsewhereAsks()
    {
        QFETCH(bool, rowGone);
        QVERIFY(otherRuns(QStringLiteral("Delete From tbTree Where noLfC = 1001")));
        if (rowGone)
            QVERIFY(otherRuns(QStringLiteral("Delete From msDoc Where noDoc = 1001")));
        m_f->type(QStringLiteral("mine"));
        m_f->prompt.answers << Prompt::No;
        save();
        QCOMPARE(m_f->prompt.messages.size(), 1);
        QVERIFY(m_f->prompt.messages.first().contains(QStringLiteral("削除")));
        QVERIFY(m_f->prompt.styles.first() & Prompt::DefaultButton2);
        QCOMPARE(MainFixture::count(QStringLiteral("msDoc")), rowGone ? 0 : 1);
        QCOMPARE(placements(1001), 0);
        QVERIFY(m_f->editor().bDcEdt());

        m_f->prompt.answers << Prompt::Yes;
        save();
        QCOMPARE(m_f->prompt.messages.size(), 2);
        QVERIFY(!m_f->editor().bDcEdt());
        QCOMPARE(stored(1001), QStringLiteral("mine"));
        QCOMPARE(MainFixture::value(QStringLiteral("Select Count(*) From tbTree Where noLfP = 0 And noLfC = 1001 And boLnk = 0")).toInt(), 1);
        m_f->type(QStringLiteral("later"));
        save();
        QCOMPARE(m_f->prompt.messages.size(), 2);
        QCOMPARE(stored(1001), QStringLiteral("later"));
    }

    // The page row and its placement go in together: when the placement fails, the row is not written
    // either, and the unsaved page stays on screen for the next try.
    void aFailedPlacementLeavesNoRow()
    {
        window().NewPage(1);
        QCOMPARE(window().nDocNo, 1002);
        // A stray placement of number 1002 (left by another program) refuses the new one.
        QVERIFY(otherRuns(QStringLiteral("Insert Into tbTree (noLfP, noLfC, inSrt, szDoc, boLnk) Values (0, 1002, 9, 'stray', 0)")));
        m_f->type(QStringLiteral("新しい頁\nbody"));
        save();
        QCOMPARE(m_f->prompt.messages, QStringList{QStringLiteral("ﾍﾟｰｼﾞをﾂﾘｰに登録できませんでした")});
        QCOMPARE(MainFixture::value(QStringLiteral("Select Count(*) From msDoc Where noDoc = 1002")).toInt(), 0);
        QCOMPARE(MainFixture::value(QStringLiteral("Select szDoc From tbTree Where noLfC = 1002")).toString(), QStringLiteral("stray"));
        QVERIFY(window().tree().hasNewNode());
        QVERIFY(m_f->editor().bDcEdt());

        QVERIFY(otherRuns(QStringLiteral("Delete From tbTree Where noLfC = 1002")));
        save();
        QCOMPARE(stored(1002), QStringLiteral("新しい頁\nbody"));
        QCOMPARE(placements(1002), 1);
        QVERIFY(!window().tree().hasNewNode());
    }

    // The page shown was deleted elsewhere and the refresh left nothing selected: a new page would have
    // no place in the tree, so F9 says so, and nothing typed afterwards is stored without a placement.
    void aNewPageNeedsAPlaceInTheTree()
    {
        QVERIFY(otherRuns(QStringLiteral("Delete From tbTree Where noLfC = 1001")));
        QVERIFY(otherRuns(QStringLiteral("Delete From msDoc Where noDoc = 1001")));
        QVERIFY(otherAdds(1005, 0));
        window().RefreshAll();
        QCOMPARE(m_f->prompt.messages, QStringList{QStringLiteral("現在のﾍﾟｰｼﾞは削除されています")});
        QVERIFY(window().tree().SlctdKy().isEmpty());
        window().fnMenu(14, 1);
        QCOMPARE(m_f->prompt.messages.last(), QStringLiteral("新規ﾍﾟｰｼﾞを置く場所がありません\nﾂﾘｰでﾍﾟｰｼﾞを選択してから作成して下さい"));
        QVERIFY(!window().tree().hasNewNode());
        m_f->type(QStringLiteral("迷子\nlost"));
        m_f->prompt.answers << Prompt::No;
        save();
        QCOMPARE(unreachable(), QList<qint64>{});
    }

    // A new page is typed below a page that the other program then takes out of the tree (the page
    // itself, or one above it): the save stores it at the end of the top level, moves its node there
    // and says so. It was stored below the page that went, and the next clean-up deleted it.
    void aNewPageWhoseParentWentIsStoredAtTheTop_data()
    {
        QTest::addColumn<bool>("above");
        QTest::newRow("its parent went") << false;
        QTest::newRow("the page above its parent went") << true;
    }
    void aNewPageWhoseParentWentIsStoredAtTheTop()
    {
        QFETCH(bool, above);
        QVERIFY(otherAdds(1005, 3));
        if (above) {
            QVERIFY(otherAdds(1006, 4));
            QVERIFY(otherRuns(QStringLiteral("Update tbTree Set noLfP = 1001 Where noLfC = 1006")));
        }
        window().RefreshAll();
        window().tree().SetLeaf(above ? QStringLiteral("1006") : QStringLiteral("1001"));
        QCOMPARE(window().nDocNo, above ? 1006 : 1001);
        window().NewPage(2);
        const int page = window().nDocNo;
        QCOMPARE(page, 1007 - (above ? 0 : 1));
        m_f->type(QStringLiteral("迷子\nmine"));
        QVERIFY(otherRuns(QStringLiteral("Delete From tbTree Where noLfP = 0 And noLfC = 1001")));
        save();
        QCOMPARE(m_f->prompt.messages, QStringList{placedAtTop()});
        QVERIFY(!m_f->editor().bDcEdt());
        QCOMPARE(stored(page), QStringLiteral("迷子\nmine"));
        QCOMPARE(placements(page), 1);
        QCOMPARE(MainFixture::value(QStringLiteral("Select inSrt From tbTree Where noLfP = 0 And noLfC = ?"), {page}).toInt(), 4);
        // Only what the other program deleted is out of reach.
        QCOMPARE(unreachable(), above ? (QList<qint64>{1001, 1006}) : QList<qint64>{1001});
        QCOMPARE(window().tree().sGetLeaf(), QString::number(page) + QStringLiteral(",0"));
        // Its next save is an ordinary one, where it now stands.
        m_f->type(QStringLiteral("迷子\nagain"));
        save();
        QCOMPARE(m_f->prompt.messages.size(), 1);
        QCOMPARE(stored(page), QStringLiteral("迷子\nagain"));
        QCOMPARE(placements(page), 1);
    }

    // The page shown was deleted elsewhere and the refresh took its node: stored again at the user's
    // word, it goes to the end of the top level and its node shows it there (the save used to fail as
    // if the database had refused it, and the edits could be kept nowhere).
    void aPageWhoseNodeWentIsStoredAgainAtTheTop_data()
    {
        QTest::addColumn<bool>("rowToo");
        QTest::newRow("placement deleted") << false;
        QTest::newRow("page deleted") << true;
    }

    void aPageWhoseNodeWentIsStoredAgainAtTheTop()
    {
        QFETCH(bool, rowToo);
        QVERIFY(otherAdds(1005, 3));
        QVERIFY(otherRuns(QStringLiteral("Delete From tbTree Where noLfC = 1001")));
        if (rowToo)
            QVERIFY(otherRuns(QStringLiteral("Delete From msDoc Where noDoc = 1001")));
        window().RefreshAll();
        QCOMPARE(m_f->prompt.messages, QStringList{QStringLiteral("現在のﾍﾟｰｼﾞは削除されています")});
        m_f->type(QStringLiteral("mine"));
        m_f->prompt.answers << Prompt::Yes;
        save();
        QCOMPARE(m_f->prompt.messages.size(), 2);
        QVERIFY(m_f->prompt.messages.last().contains(QStringLiteral("削除しています")));
        QCOMPARE(stored(1001), QStringLiteral("mine"));
        QCOMPARE(MainFixture::value(QStringLiteral("Select inSrt From tbTree Where noLfP = 0 And noLfC = 1001")).toInt(), 4);
        QCOMPARE(placements(1001), 1);
        QVERIFY(!m_f->editor().bDcEdt());
        QVERIFY(window().tree().SlctdKy().endsWith(QLatin1String("-1001")));
        QCOMPARE(unreachable(), QList<qint64>{});
    }

    // The page shown was deleted elsewhere and the user leaves it for another node, saving it on the way:
    // stored again at the user's word, it goes back where it was shown, and the other node is shown. The
    // selection had already moved on, so the save failed with the words of a database error.
    void aPageDeletedElsewhereIsStoredAgainAsTheUserLeavesIt()
    {
        window().NewPage(1);
        m_f->type(QStringLiteral("二\nsecond"));
        save();
        QCOMPARE(placements(1002), 1);
        QTreeWidget *view = treeView();
        click(QStringLiteral("共有"));
        QCOMPARE(window().nDocNo, 1001);
        QVERIFY(otherRuns(QStringLiteral("Delete From tbTree Where noLfC = 1001")));
        m_f->type(QStringLiteral("戻した\nmine"));
        m_f->prompt.messages.clear();
        m_f->prompt.answers << Prompt::Yes << Prompt::Yes;
        click(QStringLiteral("二"));
        QCOMPARE(m_f->prompt.messages.size(), 2);
        QCOMPARE(m_f->prompt.messages.first(), QStringLiteral("現在の文書を保存しますか"));
        QVERIFY(m_f->prompt.messages.last().contains(QStringLiteral("削除しています")));
        QCOMPARE(stored(1001), QStringLiteral("戻した\nmine"));
        QCOMPARE(MainFixture::value(QStringLiteral("Select Count(*) From tbTree Where noLfP = 0 And noLfC = 1001")).toInt(), 1);
        QCOMPARE(unreachable(), QList<qint64>{});
        QCOMPARE(window().nDocNo, 1002);
        QVERIFY(!m_f->editor().bDcEdt());
        QStringList texts;
        for (QTreeWidgetItemIterator it(view); *it; ++it)
            texts << (*it)->text(0);
        QCOMPARE(texts.join(u'|'), QStringLiteral("共有|二"));
    }

    // A page this window shows is saved after the other program took the page above it out of the
    // tree, or after its own placement went while the tree here still showed it: no path from the top
    // reaches it, so the save places it at the end of the top level and says so. It was saved where it
    // hung, and the next clean-up deleted it with the edits.
    void aPageTheTopNoLongerReachesIsSavedAtTheTop_data()
    {
        QTest::addColumn<bool>("parentWent");
        QTest::newRow("the page above it went") << true;
        QTest::newRow("its own placement went before it was opened") << false;
    }
    void aPageTheTopNoLongerReachesIsSavedAtTheTop()
    {
        QFETCH(bool, parentWent);
        QVERIFY(otherAdds(1005, 3));
        QVERIFY(otherAdds(1006, 4));
        QVERIFY(otherRuns(QStringLiteral("Update tbTree Set noLfP = 1001, szDoc = '下の頁' Where noLfC = 1006")));
        window().RefreshAll();
        window().tree().SetLeaf(QStringLiteral("1006"));
        QCOMPARE(window().nDocNo, 1006);
        if (parentWent) {
            m_f->type(QStringLiteral("mine"));
            QVERIFY(otherRuns(QStringLiteral("Delete From tbTree Where noLfP = 0 And noLfC = 1001")));
        } else {
            click(QStringLiteral("共有"));
            QCOMPARE(window().nDocNo, 1001);
            QVERIFY(otherRuns(QStringLiteral("Delete From tbTree Where noLfC = 1006")));
            click(QStringLiteral("下の頁"));
            QCOMPARE(window().nDocNo, 1006);
            m_f->type(QStringLiteral("mine"));
        }
        save();
        QCOMPARE(m_f->prompt.messages, QStringList{placedAtTop()});
        QVERIFY(!m_f->editor().bDcEdt());
        QCOMPARE(stored(1006), QStringLiteral("mine"));
        QCOMPARE(MainFixture::value(QStringLiteral("Select inSrt From tbTree Where noLfP = 0 And noLfC = 1006")).toInt(), 4);
        QCOMPARE(unreachable(), parentWent ? QList<qint64>{1001} : QList<qint64>{});
        QCOMPARE(window().tree().sGetLeaf(), QStringLiteral("1006,0"));
        QTreeWidget *view = treeView();
        QVERIFY(view->topLevelItem(view->topLevelItemCount() - 1)->data(0, uTrX::KeyRole).toString().endsWith(QLatin1String("-1006")));
        // The next clean-up keeps it, and its next save is an ordinary one.
        QVERIFY(window().CleanUnused().startsWith(parentWent ? QStringLiteral("１件 削除しました") : QStringLiteral("参照されていない文書はありませんでした")));
        QCOMPARE(stored(1006), QStringLiteral("mine"));
        m_f->type(QStringLiteral("again"));
        save();
        QCOMPARE(m_f->prompt.messages.size(), 1);
        QCOMPARE(stored(1006), QStringLiteral("again"));
        QCOMPARE(placements(1006), 1);
    }

    // The other program saves a page (a new one, or one stored again at the top) while this window's
    // clean-up runs: the page is kept, and what no path from the top reaches still goes. On a server
    // the clean-up marked what the tree reaches and then deleted the rest, so a placement committed
    // meanwhile went with its page. A save held longer than a statement waits fails the clean-up,
    // which deletes nothing and says so (on a file it said nothing).
    void theCleanUpKeepsWhatIsSavedWhileItRuns_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<bool>("pastTheWait");
        QTest::addColumn<QString>("result");
        QTest::newRow("a new page") << 1005 << false << QStringLiteral("２件 削除しました");
        QTest::newRow("a page stored again") << 1003 << false << QStringLiteral("１件 削除しました");
        QTest::newRow("held past the wait") << 1005 << true << QStringLiteral("参照されていない文書を削除できませんでした");
    }
    void theCleanUpKeepsWhatIsSavedWhileItRuns()
    {
        QFETCH(int, page);
        QFETCH(bool, pastTheWait);
        QFETCH(QString, result);
        const bool server = ServerDb::wanted();
        QVERIFY(otherAdds(1002, 1));
        QVERIFY(otherRuns(QStringLiteral("Update tbTree Set noLfP = 1001 Where noLfC = 1002")));
        // 1009 is reached by nobody; 1003 too until the other program stores it again.
        QVERIFY(otherAdds(1009, 2) && otherAdds(1003, 3));
        QVERIFY(otherRuns(QStringLiteral("Delete From tbTree Where noLfC In (1003, 1009)")));
        const qint64 pid = server ? MainFixture::value(QStringLiteral("Select pg_backend_pid()")).toLongLong() : 0;
        // The walk of the clean-up waits below page 1001 while the other program holds lock 4242.
        const bool pause = server && !pastTheWait;
        if (pause) {
            QVERIFY(otherRuns(QStringLiteral("CREATE FUNCTION pause_walk() RETURNS trigger LANGUAGE plpgsql AS "
                                             "$$ BEGIN PERFORM pg_advisory_xact_lock(4242); RETURN NEW; END $$")));
            QVERIFY(otherRuns(QStringLiteral("CREATE TRIGGER pause_walk BEFORE UPDATE ON tbtree FOR EACH ROW "
                                             "WHEN (NEW.bouse = 1 AND NEW.nolfp = 1001) EXECUTE FUNCTION pause_walk()")));
        }
        QString link;
        const QString path = window().sDbPath;
        QVERIFY(!path.endsWith(QLatin1String(".udl")) || DataLink::read(path, &link));
        QSemaphore written, finished;
        QStringList failures;
        std::unique_ptr<QThread> other(QThread::create([&] {
            DbConnection db;
            const auto run = [&](const QString &sql, const QVariantList &values = {}) {
                if (!db.exec(sql, values, true))
                    failures << db.lastError();
            };
            if (!(server ? db.openOdbc(link) : db.openSqlite(path))) {
                failures << db.lastError();
                written.release();
                return;
            }
            if (pause)
                run(QStringLiteral("Select pg_advisory_lock(4242)"));
            if (!db.transaction(0))
                failures << db.lastError();
            if (page == 1005)
                run(QStringLiteral("Insert Into msDoc (noDoc, szDoc, txDoc, saTgs, boCod) Values (1005, '新しい頁', 'theirs', '.', 0)"));
            else
                run(QStringLiteral("Update msDoc Set txDoc = 'theirs' Where noDoc = 1003"));
            run(QStringLiteral("Insert Into tbTree (noLfP, noLfC, inSrt, szDoc, boLnk) Values (0, ?, 9, '他の頁', 0)"), {page});
            written.release();
            if (pastTheWait) {
                finished.acquire();
            } else if (server) {
                // Until the clean-up waits for this program: at its begin, or in the middle of its walk.
                for (int i = 0; i < 200; ++i) {
                    QSqlQuery waiting;
                    if (db.select(waiting, QStringLiteral("Select Count(*) From pg_locks Where pid = ? And Not granted"), {pid}, true, true)
                        && waiting.next() && waiting.value(0).toInt() > 0)
                        break;
                    QThread::msleep(50);
                }
            } else {
                QThread::msleep(500);
            }
            if (!db.transaction(1))
                failures << db.lastError();
            if (pause)
                run(QStringLiteral("Select pg_advisory_unlock(4242)"));
            db.close();
        }));
        other->start();
        QVERIFY(written.tryAcquire(1, 20000));
        if (pastTheWait)
            zSvr::instance().connection().setCommandTimeout(1);
        const QString message = window().CleanUnused();
        finished.release();
        QVERIFY(other->wait(30000));
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join(u'|')));
        zSvr::instance().connection().setCommandTimeout(30);
        // The first line: the second one names the Word copies, where there are any.
        QCOMPARE(message.section(u'\n', 0, 0), result);
        QCOMPARE(MainFixture::value(QStringLiteral("Select Count(*) From msDoc Where noDoc = 1009")).toInt(), pastTheWait ? 1 : 0);
        QCOMPARE(MainFixture::value(QStringLiteral("Select Count(*) From msDoc Where noDoc = ?"), {page}).toInt(), 1);
        QCOMPARE(placements(page), 1);
        QCOMPARE(placements(1002), 1);
        QCOMPARE(unreachable(), pastTheWait ? (QList<qint64>{1003, 1009}) : QList<qint64>{});
    }

    // Another program holds the file while this window saves: the wait window says so while the save
    // waits (the window looked frozen), and a save that runs out of time keeps the edits. Once the
    // file is free, the save goes through without the window.
    void aSaveWaitsForTheFileUnderTheWaitWindow()
    {
        if (ServerDb::wanted())
            QSKIP("a server's waits come with its statements");
        zSvr::instance().connection().setCommandTimeout(1);
        QVERIFY(m_other.transaction(0));
        WaitWatch watch;
        QStringList &shown = watch.shown;
        m_f->type(QStringLiteral("mine"));
        save();
        QCOMPARE(shown, QStringList{QStringLiteral("Team.txdb は他のﾌﾟﾛｸﾞﾗﾑが使用中です　終わるのを待っています")});
        QVERIFY(!sbWait::isShown());
        QVERIFY(!Usr::st().busy);
        QVERIFY(m_f->editor().bDcEdt());
        QVERIFY(m_f->prompt.messages.value(0).startsWith(QStringLiteral("文書No:1001 を保存できませんでした")));
        QVERIFY(m_other.transaction(1));
        QCOMPARE(stored(1001), QStringLiteral("original"));
        shown.clear();
        save();
        QVERIFY(shown.isEmpty());
        QCOMPARE(stored(1001), QStringLiteral("mine"));
        QVERIFY(!m_f->editor().bDcEdt());
    }

    // The tree's order the same way; when the other program holds the file past the wait, the order
    // is kept for the next write (it was dropped, each of its statements waiting as long again).
    void theTreeOrderWaitsForTheFileUnderTheWaitWindow()
    {
        if (ServerDb::wanted())
            QSKIP("a server's waits come with its statements");
        window().NewPage(1);
        m_f->type(QStringLiteral("二\nsecond"));
        save();
        const auto first = [] {
            return MainFixture::value(QStringLiteral("Select noLfC From tbTree Where noLfP = 0 Order By inSrt")).toInt();
        };
        QCOMPARE(first(), 1001);
        zSvr::instance().connection().setCommandTimeout(1);
        QVERIFY(m_other.transaction(0));
        WaitWatch watch;
        QStringList &shown = watch.shown;
        window().tree().trMove(false);
        window().tree().trSort();
        QCOMPARE(shown, QStringList{QStringLiteral("Team.txdb は他のﾌﾟﾛｸﾞﾗﾑが使用中です　終わるのを待っています")});
        QVERIFY(!sbWait::isShown());
        QVERIFY(m_other.transaction(1));
        QCOMPARE(first(), 1001);
        window().tree().trSort();
        QCOMPARE(first(), 1002);
    }

    // The placement upkeep the same way: a begin that ran out of time writes none of its rows (each
    // of them waited as long again, the window frozen meanwhile); once the file is free it writes them.
    void thePlacementUpkeepLeavesItsRowsWhileTheFileIsHeld()
    {
        if (ServerDb::wanted())
            QSKIP("a server's waits come with its statements");
        for (int page = 1002; page < 1008; ++page)
            QVERIFY(otherAdds(page, page));
        // No page has a home placement: a row to write for each.
        QVERIFY(otherRuns(QStringLiteral("Update tbTree Set boLnk = 1")));
        const auto homes = [] { return MainFixture::value(QStringLiteral("Select Count(*) From tbTree Where boLnk = 0")).toInt(); };
        zSvr::instance().connection().setCommandTimeout(1);
        QVERIFY(m_other.transaction(0));
        QElapsedTimer timer;
        timer.start();
        QVERIFY(!Usr::D_FixLnk(false));
        // One wait of a second for the begin, not one more for each of the seven rows.
        QVERIFY2(timer.elapsed() < 4000, qPrintable(QString::number(timer.elapsed())));
        QVERIFY(m_other.transaction(1));
        QCOMPARE(homes(), 0);
        QVERIFY(Usr::D_FixLnk(false));
        QCOMPARE(homes(), 7);
    }

    // A refresh rebuilds the tree from the database, which has no row for the unsaved node of a new
    // page: the node is put back where it stood (at the end of the top level when its parent went
    // meanwhile), so the page typed into it is saved there. It used to vanish, and every save of the
    // page was refused for want of a place.
    void aNewPageKeepsItsNodeThroughARefresh_data()
    {
        QTest::addColumn<bool>("parentGone");
        QTest::newRow("in its place") << false;
        QTest::newRow("parent deleted elsewhere") << true;
    }

    void aNewPageKeepsItsNodeThroughARefresh()
    {
        QFETCH(bool, parentGone);
        window().NewPage(2);
        QCOMPARE(window().nDocNo, 1002);
        m_f->type(QStringLiteral("新しい頁\nbody"));
        QVERIFY(otherAdds(1005, 7));
        if (parentGone)
            QVERIFY(otherRuns(QStringLiteral("Delete From tbTree Where noLfC = 1001")));
        window().RefreshAll();
        QVERIFY2(m_f->prompt.messages.isEmpty(), qPrintable(m_f->prompt.messages.join(u'|')));
        QVERIFY(window().tree().hasNewNode());
        QCOMPARE(window().tree().SlctdKy(), QStringLiteral("NewNode"));
        QVERIFY(m_f->editor().bDcEdt());
        save();
        QVERIFY2(m_f->prompt.messages.isEmpty(), qPrintable(m_f->prompt.messages.join(u'|')));
        QCOMPARE(stored(1002), QStringLiteral("新しい頁\nbody"));
        QCOMPARE(MainFixture::value(QStringLiteral("Select noLfP From tbTree Where noLfC = 1002")).toInt(),
                 parentGone ? 0 : 1001);
        QCOMPARE(placements(1002), 1);
        QVERIFY(!window().tree().hasNewNode());
        QVERIFY(window().tree().SlctdKy().endsWith(QLatin1String("-1002")));
        QVERIFY(!m_f->editor().bDcEdt());
    }

    // The server refuses the save only at its commit: the tree still shows the unsaved node, and the
    // next save stores the page with its placement.
    void aCommitRefusedLeavesTheNewPageUnsaved()
    {
        if (!ServerDb::wanted())
            QSKIP("a refusal at the commit is the server's");
        QVERIFY(m_other.exec(QStringLiteral("CREATE FUNCTION refuse_commit() RETURNS trigger LANGUAGE plpgsql AS "
                                            "$$ BEGIN RAISE EXCEPTION 'refused at commit'; END $$"), {}, false));
        QVERIFY(m_other.exec(QStringLiteral("CREATE CONSTRAINT TRIGGER refuse_commit AFTER INSERT ON tbtree "
                                            "DEFERRABLE INITIALLY DEFERRED FOR EACH ROW EXECUTE FUNCTION refuse_commit()"),
                             {}, false));
        window().NewPage(1);
        QCOMPARE(window().nDocNo, 1002);
        m_f->type(QStringLiteral("新しい頁\nbody"));
        save();
        QCOMPARE(m_f->prompt.messages.size(), 1);
        QVERIFY(m_f->prompt.messages.first().contains(QStringLiteral("保存できませんでした")));
        QVERIFY(window().tree().hasNewNode());
        QCOMPARE(window().tree().SlctdKy(), QStringLiteral("NewNode"));
        QVERIFY(m_f->editor().bDcEdt());
        QCOMPARE(MainFixture::count(QStringLiteral("msDoc")), 1);

        QVERIFY(m_other.exec(QStringLiteral("DROP TRIGGER refuse_commit ON tbtree"), {}, false));
        save();
        QCOMPARE(m_f->prompt.messages.size(), 1);
        QCOMPARE(stored(1002), QStringLiteral("新しい頁\nbody"));
        QCOMPARE(placements(1002), 1);
        QVERIFY(!window().tree().hasNewNode());
        QVERIFY(window().tree().SlctdKy().endsWith(QLatin1String("-1002")));
        QVERIFY(!m_f->editor().bDcEdt());
    }

    // An export while another user moves or deletes pages of the subtree: the file holds the tree as
    // it stood at one moment, every placement whole and naming a page the file holds. It read the
    // placements after the pages, one by one, and wrote a moved placement with no title, no order and
    // no marks. A page that has no row in the database is left out with what lies only below it, and
    // the message names them.
    void anExportHoldsOneStateOfTheTree_data()
    {
        QTest::addColumn<QStringList>("meanwhile");
        QTest::addColumn<QString>("leftOut");
        QTest::newRow("moved meanwhile") << QStringList{"Update tbTree Set noLfP = 0, inSrt = 9 Where noLfC = 1003"}
                                         << QString();
        QTest::newRow("deleted meanwhile")
            << QStringList{"Delete From tbTree Where noLfC In (1003, 1004)", "Delete From msDoc Where noDoc In (1003, 1004)"}
            << QString();
        QTest::newRow("a placement without its page")
            << QStringList{}
            << QStringLiteral("\n読み込めなかったﾍﾟｰｼﾞ 1 件 (1099) は出力していません"
                              "\nその下にだけあるﾍﾟｰｼﾞ 1 件 (1005) も出力していません"
                              "\nそれらの配置 2 件は出力していません");
    }
    void anExportHoldsOneStateOfTheTree()
    {
        QFETCH(QStringList, meanwhile);
        QFETCH(QString, leftOut);
        // 1001 (1002 (1003, 1099 (1005)), 1004); 1099 has no row. Every page holds a tag: the export
        // loads it, and the other user writes as the first one is loaded.
        const QByteArray tagged = StubEditorServices::page(QStringLiteral("text")) + QByteArray("T\0G\0_\0", 6);
        for (int page : {1002, 1003, 1004, 1005})
            QVERIFY(otherRuns(QStringLiteral("Insert Into msDoc (noDoc, szDoc, txDoc, obDoc, saTgs, boCod) Values (?, ?, 'text', ?, '.', 0)"),
                              {page, QStringLiteral("頁%1").arg(page), tagged}));
        for (const QList<int> &p : QList<QList<int>>{{1001, 1002, 0}, {1002, 1003, 0}, {1001, 1004, 1}})
            QVERIFY(otherRuns(QStringLiteral("Insert Into tbTree (noLfP, noLfC, inSrt, szDoc, boLnk) Values (?, ?, ?, ?, 0)"),
                              {p[0], p[1], p[2], QStringLiteral("置%1").arg(p[1])}));
        if (!leftOut.isEmpty()) {
            QVERIFY(otherRuns(QStringLiteral("Insert Into tbTree (noLfP, noLfC, inSrt, szDoc, boLnk) Values (1002, 1099, 1, '無', 0)")));
            QVERIFY(otherRuns(QStringLiteral("Insert Into tbTree (noLfP, noLfC, inSrt, szDoc, boLnk) Values (1099, 1005, 0, '下', 0)")));
        }
        m_f->services.onNextLoad = [&] {
            for (const QString &sql : meanwhile)
                QVERIFY(otherRuns(sql));
        };
        const QString target = m_f->dir.filePath(QStringLiteral("Part.txdb"));
        m_f->prompt.files << target;
        sbExpDb::setRunner([](sbExpDb &form) {
            form.opOut[2]->setChecked(true);
            return true;
        });
        window().menuClicked(QStringLiteral("mnRet"), 5);
        sbExpDb::setRunner({});
        QVERIFY(!m_f->services.onNextLoad);
        QCOMPARE(m_f->prompt.messages.last(), target + QStringLiteral("へｴｸｽﾎﾟｰﾄしました") + leftOut);
        DbConnection file;
        QVERIFY(file.openSqlite(target, true));
        QSqlQuery q;
        QVERIFY(file.select(q, QStringLiteral("Select noDoc From msDoc Order By noDoc"), {}, false, true));
        QList<int> pages;
        while (q.next())
            pages << q.value(0).toInt();
        QCOMPARE(pages, (QList<int>{1001, 1002, 1003, 1004}));
        QVERIFY(file.select(q, QStringLiteral("Select noLfP, noLfC, szDoc, inSrt, boUse, boLnk From tbTree Order By noLfP, noLfC"),
                            {}, false, true));
        QStringList placements;
        while (q.next()) {
            placements << QStringLiteral("%1>%2").arg(q.value(0).toInt()).arg(q.value(1).toInt());
            for (int column = 2; column < 6; ++column)
                QVERIFY2(!q.value(column).isNull(), qPrintable(placements.last() + QStringLiteral(" lacks a value")));
        }
        QCOMPARE(placements, (QStringList{"0>1001", "1001>1002", "1001>1004", "1002>1003"}));
    }

    // The page chosen for the export was deleted by another user just before: nothing is written, and
    // the message names the page. It wrote a file whose one placement named a page it did not hold.
    void anExportOfAPageDeletedMeanwhileWritesNothing()
    {
        QVERIFY(otherRuns(QStringLiteral("Delete From msDoc Where noDoc = 1001")));
        const QString target = m_f->dir.filePath(QStringLiteral("Part.txdb"));
        m_f->prompt.files << target;
        sbExpDb::setRunner([](sbExpDb &form) {
            form.opOut[2]->setChecked(true);
            return true;
        });
        window().menuClicked(QStringLiteral("mnRet"), 5);
        sbExpDb::setRunner({});
        QVERIFY2(m_f->prompt.messages.contains(target + QStringLiteral("へｴｸｽﾎﾟｰﾄできませんでした\n読み込めなかったﾍﾟｰｼﾞ 1 件 (1001) は出力していません")),
                 qPrintable(m_f->prompt.messages.join(u'|')));
        QVERIFY(!QFileInfo::exists(target));
    }

    // A page another program holds: the save gives up after the command timeout and keeps the edits.
    void aHeldPageFailsTheSaveInTime()
    {
        QVERIFY(m_other.transaction(0));
        QVERIFY(otherSaves(1001, QStringLiteral("theirs, not committed")));
        zSvr::instance().connection().setCommandTimeout(1);
        m_f->type(QStringLiteral("mine"));
        QElapsedTimer timer;
        timer.start();
        save();
        QVERIFY(timer.elapsed() < 15000);
        QCOMPARE(m_f->prompt.messages.size(), 1);
        QVERIFY(m_f->prompt.messages.first().contains(QStringLiteral("保存できませんでした")));
        QVERIFY(m_f->editor().bDcEdt());
        QVERIFY(m_other.transaction(2));
        save();
        QCOMPARE(m_f->prompt.messages.size(), 1);
        QCOMPARE(stored(1001), QStringLiteral("mine"));
    }
};

QTEST_MAIN(TestConcurrentSave)
#include "tst_concurrentsave.moc"

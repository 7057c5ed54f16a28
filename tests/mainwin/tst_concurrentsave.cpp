#include "MainFixture.h"

#include "platform/db/DataLink.h"
#include "platform/db/DbConnection.h"
#include "tree/uTrX.h"

#include <QElapsedTimer>

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
    bool otherRuns(const QString &sql, const QVariantList &values = {})
    {
        const bool ok = m_other.exec(sql, values, true);
        if (!ok)
            qWarning("%s", qPrintable(m_other.lastError()));
        return ok;
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

    // Both add a page at once and are shown the same number: both pages survive, each with its own
    // number and placement.
    void twoNewPagesAtOnceBothSurvive()
    {
        window().NewPage(1);
        QCOMPARE(window().nDocNo, 1002);
        QVERIFY(otherRuns(QStringLiteral("Insert Into msDoc (noDoc, szDoc, txDoc, obDoc, saTgs, boCod) Values (1002, ?, ?, ?, '.', 0)"),
                          {QStringLiteral("他の頁"), QStringLiteral("theirs"), StubEditorServices::page(QStringLiteral("theirs"))}));
        QVERIFY(otherRuns(QStringLiteral("Insert Into tbTree (noLfP, noLfC, inSrt, szDoc, boLnk) Values (0, 1002, 5, ?, 0)"),
                          {QStringLiteral("他の頁")}));
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

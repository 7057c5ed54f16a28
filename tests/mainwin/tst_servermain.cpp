#include "MainFixture.h"

#include "mainwin/uFky.h"
#include "support/ScriptedPassword.h"
#include "tree/uTrX.h"

// The main window on the back end the test runs against (an SQLite file, or a
// database on the PostgreSQL server): pages written, read back after the
// database is opened again, and a connection that goes away mid-session.
class TestServerMain : public QObject
{
    Q_OBJECT
private slots:
    void pagesSurviveAReopen()
    {
        MainFixture f;
        f.start();
        const QString path = f.window->sDbPath;
        f.savedPage(QStringLiteral("一頁目\n"));
        f.type(QStringLiteral("一頁目\nIt's ? 100% 書き足し"));
        f.window->fnMenu(3, 18);
        f.savedPage(QStringLiteral("二頁目\n本文"));
        QCOMPARE(f.count(QStringLiteral("msDoc")), 2);
        QCOMPARE(f.count(QStringLiteral("tbTree")), 2);
        QVERIFY(f.prompt.messages.isEmpty());

        f.window.reset();
        zSvr::instance().D_Close();
        f.window = std::make_unique<fmDoc>(nullptr, &f.services);
        f.window->SetDBNo(path, 1001);
        f.window->show();
        QVERIFY(zSvr::instance().isOpen());
        QCOMPARE(f.window->nDocNo, 1001);
        QCOMPARE(f.editor().edit().text(), QStringLiteral("一頁目\nIt's ? 100% 書き足し"));
        QCOMPARE(f.value(QStringLiteral("Select szDoc From tbTree Where noLfC = 1002")).toString(), QStringLiteral("二頁目"));
    }

    void aLostServerKeepsTheEditsUntilItIsBack()
    {
        if (!ServerDb::wanted())
            QSKIP("a file database has no server to lose");
        MainFixture f;
        f.start();
        const QString name = f.servers.back()->name();
        f.savedPage(QStringLiteral("保存済み\n"));
        f.type(QStringLiteral("保存済み\n追記"));
        // The server drops the session and takes no new one for a while.
        QVERIFY(ServerDb::admin(QStringLiteral("Alter Database %1 Allow_Connections false").arg(name)));
        QVERIFY(ServerDb::admin(QStringLiteral("Select pg_terminate_backend(pid) From pg_stat_activity Where datname = '%1'").arg(name)));
        f.window->fnMenu(3, 18);
        QCOMPARE(f.prompt.messages.size(), 1);
        QVERIFY(f.prompt.messages.first().contains(QStringLiteral("保存できませんでした")));
        QVERIFY(f.editor().bDcEdt());
        QCOMPARE(f.editor().edit().text(), QStringLiteral("保存済み\n追記"));

        QVERIFY(ServerDb::admin(QStringLiteral("Alter Database %1 Allow_Connections true").arg(name)));
        f.window->fnMenu(3, 18);
        QVERIFY(!f.editor().bDcEdt());
        QCOMPARE(f.value(QStringLiteral("Select txDoc From msDoc Where noDoc = 1001")).toString(), QStringLiteral("保存済み\n追記"));
    }

    // A team's database whose data-link file leaves the password out: while it is asked for, the
    // status line does not say the database is open, and the page of the one left no longer shows.
    void thePasswordIsAskedBeforeTheOpenIsTold()
    {
        if (!ServerDb::wanted())
            QSKIP("a file asks for no password");
        MainFixture f;
        f.start();
        f.savedPage(QStringLiteral("一頁目\n"));
        f.servers.push_back(std::make_unique<ServerDb>());
        const QString udl = f.servers.back()->create(f.dir.path(), QStringLiteral("Team.udl"), false);
        QVERIFY(!udl.isEmpty());
        ScriptedPassword password;
        password.answers.enqueue(ServerDb::password());
        QString status, page;
        password.meanwhile = [&] {
            status = f.window->keys().panelText();
            page = f.editor().edit().text();
        };
        QCOMPARE(f.window->OpenDb(udl), udl);
        QCOMPARE(password.captions.size(), 1);
        QCOMPARE(status.trimmed(), QString());
        QCOMPARE(page, QString());
        QCOMPARE(f.window->sDbPath, udl);
        QVERIFY(f.prompt.messages.isEmpty());
    }
};

QTEST_MAIN(TestServerMain)
#include "tst_servermain.moc"

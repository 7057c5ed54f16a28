#include "core/TemplateDb.h"
#include "core/Usr.h"
#include "core/zSvr.h"
#include "platform/db/DbConnection.h"
#include "platform/db/DbTable.h"
#include "platform/db/Recordset.h"
#include "support/ScriptedPassword.h"
#include "support/ScriptedPrompt.h"
#include "support/ServerDb.h"
#include "support/TestHome.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// The access layer on the back end the test runs against: an SQLite file, or a
// database on the PostgreSQL server (FENWAR_TEST_PG_DIR). The same statements
// must give the same results on both.
class TestServerDb : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_prompt = new ScriptedPrompt;
        Usr::st().userData = m_dir.path() + QLatin1Char('/');
        if (ServerDb::wanted()) {
            m_path = m_server.create(m_dir.path());
        } else {
            m_path = m_dir.filePath(QStringLiteral("Local.txdb"));
            QFile::remove(m_path);
            if (!TemplateDb::create(m_path))
                m_path.clear();
        }
        QVERIFY2(!m_path.isEmpty(), qPrintable(m_server.error()));
        QVERIFY2(zSvr::instance().D_StDcDb(m_path), qPrintable(zSvr::instance().connection().lastError()));
    }

    void cleanup()
    {
        zSvr::release();
        delete m_prompt;
    }

    void theTemplateTablesAreThere()
    {
        zSvr &db = zSvr::instance();
        QCOMPARE(db.R_GtVaL(QStringLiteral("Select Count(*) From kaUsr Where DmFmt Is Not Null"), 0).toInt(), 1);
        for (const char *table : {"msDoc", "tbTree", "tbHtm", "msDic"})
            QCOMPARE(db.R_GtVaL(QStringLiteral("Select Count(*) From %1").arg(table), -1).toInt(), 0);
        QCOMPARE(db.R_GtVaL(QStringLiteral("Select Max(noDoc) From msDoc"), 1000).toInt(), 1000);
        if (ServerDb::wanted()) {
            // Setting up a database that is already one leaves it alone.
            QVERIFY(!TemplateDb::createOnServer(db.connection()));
            QCOMPARE(db.R_GtVaL(QStringLiteral("Select Count(*) From kaUsr"), 0).toInt(), 1);
            QVERIFY(!Usr::st().jet);
        }
    }

    void valuesSurviveTheRoundTrip()
    {
        zSvr &db = zSvr::instance();
        const QString title = QStringLiteral("It's ? 100% <b>&amp; ]]> 😀 表");
        QString text;
        for (int i = 0; i < 20000; ++i)
            text += QStringLiteral("頁%1 ").arg(i % 10);
        QByteArray bytes;
        for (int i = 0; i < 1 << 20; ++i)
            bytes += char(i * 7 % 256);
        const QDateTime when(QDate(2031, 12, 31), QTime(23, 59, 58));
        QVERIFY(db.D_ExeSq(QStringLiteral("Insert Into msDoc (noDoc, szDoc, txDoc, obDoc, dyUdt, wkRnd) Values (?, ?, ?, ?, ?, ?)"),
                           {1001, title, text, bytes, when, 4294967295.0}));
        QVariantList row;
        QVERIFY(db.R_PAry(QStringLiteral("Select szDoc, txDoc, obDoc, dyUdt, wkRnd, saTgs, boCod From msDoc Where noDoc = ?"),
                          {1001}, row));
        QCOMPARE(row.value(0).toString(), title);
        QCOMPARE(row.value(1).toString(), text);
        QCOMPARE(row.value(2).toByteArray(), bytes);
        QCOMPARE(row.value(3).toDateTime(), when);
        QCOMPARE(row.value(4).toDouble(), 4294967295.0);
        QCOMPARE(row.value(5).toString(), QString());
        QCOMPARE(row.value(6).toInt(), 0);
        // The title found by a bound search word holding a quote and "?".
        QCOMPARE(db.R_GtVaL(QStringLiteral("Select noDoc From msDoc Where szDoc Like '%?%'"), {QStringLiteral("s ? 1")}, 0).toInt(),
                 1001);
        // Updatable recordset: the page document written back in place.
        Recordset rs;
        QVERIFY(db.R_Rset(QStringLiteral("Select noDoc, obDoc, dyUdt From msDoc Where noDoc = 1001"), rs, 2));
        QVERIFY(rs.setValue(QStringLiteral("obDoc"), QByteArray("\x00\x01\xFF", 3)));
        QVERIFY2(rs.update(), qPrintable(rs.lastError()));
        rs.close();
        QCOMPARE(db.R_GtVaL(QStringLiteral("Select obDoc From msDoc Where noDoc = 1001"), QVariant()).toByteArray(),
                 QByteArray("\x00\x01\xFF", 3));
    }

    void jetStatementsRun()
    {
        zSvr &db = zSvr::instance();
        for (int no : {1001, 1002, 1003})
            QVERIFY(db.D_ExeSq(QStringLiteral("Insert Into msDoc (noDoc, szDoc, txDoc) Values (%1, 'P%1', 'Alpha beta')").arg(no)));
        QVERIFY(db.D_ExeSq(QStringLiteral("Update msDoc Set dyUdt = #02/03/2011 14:05:09# Where noDoc = 1001")));
        QVERIFY(db.D_ExeSq(QStringLiteral("Update msDoc Set dyUdt = convert(datetime,'2012/04/05 06:07:08') Where noDoc = 1002")));
        QCOMPARE(db.R_GtVaL(QStringLiteral("Select dyUdt From msDoc Where noDoc = 1001"), QVariant()).toDateTime(),
                 QDateTime(QDate(2011, 2, 3), QTime(14, 5, 9)));
        QCOMPARE(db.R_GtVaL(QStringLiteral("Select Top 1 noDoc From msDoc Where dyUdt > #01/01/2012# Order By noDoc"), 0).toInt(),
                 1002);
        QCOMPARE(db.R_GtVaL(QStringLiteral("Select Count(*) From (Select Top 2 noDoc From msDoc Order By noDoc Desc) T"), 0).toInt(), 2);
        // Like folds the case of ASCII letters, as in the file database.
        QCOMPARE(db.R_GtVaL(QStringLiteral("Select Count(*) From msDoc Where txDoc Like ? Escape '!'"), {QStringLiteral("%ALPHA%")}, 0)
                     .toInt(), 3);
        QCOMPARE(db.R_GtVaL(QStringLiteral("Select Count(*) From msDoc Where saTgs like '%.1001.%'"), -1).toInt(), 0);
        // The import's temporary columns come and go.
        QVERIFY(db.D_ExeSq(QStringLiteral("Alter Table msDoc Add nDcS Long, iCmp integer")));
        QVERIFY(db.D_ExeSq(QStringLiteral("Update msDoc Set nDcS = noDoc + 1, iCmp = 2")));
        QCOMPARE(db.R_GtVaL(QStringLiteral("Select Sum(iCmp) From msDoc"), 0).toInt(), 6);
        QVERIFY(db.D_ExeSq(QStringLiteral("Alter Table msDoc Drop nDcS, iCmp")));
        QVERIFY(!db.D_ExeSq(QStringLiteral("Select nDcS From msDoc")));
    }

    void aFailedRowInsideATransactionFailsAlone()
    {
        zSvr &db = zSvr::instance();
        QVERIFY(db.D_Tran(0));
        QVERIFY(db.D_ExeSq(QStringLiteral("Insert Into tbTree (noLfP, noLfC, inSrt) Values (0, 1001, 1)")));
        QVERIFY(!db.D_ExeSq(QStringLiteral("Insert Into tbTree (noLfP, noLfC, inSrt) Values (0, 1001, 2)")));
        QVERIFY(!db.D_ExeSq(QStringLiteral("Select nothing From nowhere")));
        QVERIFY(db.D_ExeSq(QStringLiteral("Insert Into tbTree (noLfP, noLfC, inSrt) Values (0, 1002, 3)")));
        QVERIFY(db.D_Tran(1));
        QCOMPARE(db.R_GtVaL(QStringLiteral("Select Sum(inSrt) From tbTree"), 0).toInt(), 4);
        // A rolled-back transaction leaves nothing.
        QVERIFY(db.D_Tran(0));
        QVERIFY(db.D_ExeSq(QStringLiteral("Delete From tbTree")));
        QVERIFY(db.D_Tran(2));
        QCOMPARE(db.R_GtVaL(QStringLiteral("Select Count(*) From tbTree"), 0).toInt(), 2);
    }

    void theLoginIsAskedForOnce_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("opens");
        QTest::newRow("right password") << ServerDb::password() << true;
        QTest::newRow("wrong password") << QStringLiteral("it's wrong?") << false;
        QTest::newRow("cancelled") << QString() << false;
    }

    void theLoginIsAskedForOnce()
    {
        if (!ServerDb::wanted())
            QSKIP("a file database has no login");
        QFETCH(QString, answer);
        QFETCH(bool, opens);
        ServerDb other;
        const QString udl = other.create(m_dir.path(), QStringLiteral("Team.udl"), false);
        QVERIFY(!udl.isEmpty());
        ScriptedPassword password;
        password.answers << answer;
        QCOMPARE(zSvr::instance().D_StDcDb(udl), opens);
        QCOMPARE(password.captions, QStringList{QStringLiteral("Team.udl")});
        QCOMPARE(zSvr::instance().isOpen(), opens);
    }

    // A password holding ";", "}" and quotes opens the database, typed at the prompt, given to the
    // generator on its terminal, or written in the data-link file in the classic provider's quotes
    // (with a quoted user name too).
    void passwordsOfAnyCharacters_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("prompt") << "prompt";
        QTest::newRow("generator") << "generator";
        QTest::newRow("file") << "file";
    }
    void passwordsOfAnyCharacters()
    {
        if (!ServerDb::wanted())
            QSKIP("a file database has no login");
        QFETCH(QString, how);
        const QString role = QStringLiteral("pw%1").arg(QDateTime::currentMSecsSinceEpoch() % 100000000);
        const QString secret = QStringLiteral("a;b}c{d'e=\"f");
        QVERIFY(ServerDb::admin(QStringLiteral("CREATE ROLE %1 LOGIN PASSWORD '%2' IN ROLE fenwar")
                                    .arg(role, QString(secret).replace(u'\'', QStringLiteral("''")))));
        const QString driver = ServerDb::connectionString(m_server.name(), false).remove(QStringLiteral(";UID=fenwar"));
        QString link = QStringLiteral("Provider=MSDASQL.1;User ID=%1;").arg(role);
        if (how == QLatin1String("file"))
            link = QStringLiteral("Provider=MSDASQL.1;User ID=\"%1\";Password=\"%2\";")
                       .arg(role, QString(secret).replace(u'"', QStringLiteral("\"\"")));
        link += QStringLiteral("Extended Properties=\"%1\"").arg(driver);
        const QString udl = m_dir.filePath(QStringLiteral("Team.udl"));
        QVERIFY(TestHome::write(udl, link.toUtf8()));
        bool opened = false;
        QByteArray output;
        ScriptedPassword password;
        if (how == QLatin1String("generator")) {
            QVERIFY(ServerDb::admin(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(m_server.name())));
            QVERIFY(ServerDb::admin(QStringLiteral("CREATE DATABASE %1 OWNER fenwar").arg(m_server.name())));
            QProcess gen;
            gen.start(QStringLiteral(FENWAR_BINARY_DIR "/tools/gen_sample"), {udl, QStringLiteral("--empty")});
            QVERIFY(gen.waitForStarted());
            gen.write(secret.toUtf8() + "\n");
            gen.closeWriteChannel();
            QVERIFY(gen.waitForFinished(120000));
            output = gen.readAllStandardOutput() + gen.readAllStandardError();
            opened = gen.exitCode() == 0;
        } else {
            password.answers << secret;
            zSvr::instance().D_Close();
            opened = zSvr::instance().D_StDcDb(udl);
            output = zSvr::instance().connection().lastError().toUtf8();
            zSvr::instance().D_Close();
        }
        ServerDb::admin(QStringLiteral("DROP ROLE %1").arg(role));
        QVERIFY2(opened, output.constData());
        QCOMPARE(password.captions.size(), how == QLatin1String("prompt") ? 1 : 0);
    }

    void aServerThatIsDownFailsTheOpen()
    {
        if (!ServerDb::wanted())
            QSKIP("a file database has no server");
        const QString udl = m_dir.filePath(QStringLiteral("Down.udl"));
        QVERIFY(TestHome::write(udl, ServerDb::connectionString(m_server.name(), true, QStringLiteral("1")).toUtf8()));
        ScriptedPassword password;
        QVERIFY(!zSvr::instance().D_StDcDb(udl));
        QVERIFY(password.captions.isEmpty());
        QVERIFY(zSvr::instance().sSvr.isEmpty());
    }

    void aConnectionLostMidSessionIsOpenedAgain()
    {
        if (!ServerDb::wanted())
            QSKIP("a file database has no server");
        zSvr &db = zSvr::instance();
        QVERIFY(db.D_ExeSq(QStringLiteral("Insert Into msDoc (noDoc, szDoc) Values (1001, 'saved')")));
        QVERIFY(ServerDb::admin(QStringLiteral("Select pg_terminate_backend(pid) From pg_stat_activity Where datname = '%1'")
                                    .arg(m_server.name())));
        QVERIFY2(db.D_ExeSq(QStringLiteral("Insert Into msDoc (noDoc, szDoc) Values (1002, 'after')")),
                 qPrintable(db.connection().lastError()));
        QCOMPARE(db.R_GtVaL(QStringLiteral("Select Count(*) From msDoc"), 0).toInt(), 2);
        // Lost inside a transaction: the statement fails and nothing of it stays.
        QVERIFY(db.D_Tran(0));
        QVERIFY(db.D_ExeSq(QStringLiteral("Insert Into msDoc (noDoc, szDoc) Values (1003, 'lost')")));
        QVERIFY(ServerDb::admin(QStringLiteral("Select pg_terminate_backend(pid) From pg_stat_activity Where datname = '%1'")
                                    .arg(m_server.name())));
        QVERIFY(!db.D_ExeSq(QStringLiteral("Insert Into msDoc (noDoc, szDoc) Values (1004, 'lost')")));
        db.D_Tran(2);
        QCOMPARE(db.R_GtVaL(QStringLiteral("Select Count(*) From msDoc"), 0).toInt(), 2);
    }

    // A NUL in a text is dropped on both back ends alike: the rest of the text is stored and found.
    void aNulInTextIsDroppedAlike()
    {
        zSvr &db = zSvr::instance();
        const QString text = QStringLiteral("前半") + QChar(0) + QStringLiteral("後半 tail");
        QVERIFY2(db.D_ExeSq(QStringLiteral("Insert Into msDoc (noDoc, szDoc, txDoc) Values (?, ?, ?)"),
                            {1001, QStringLiteral("題") + QChar(0), text}),
                 qPrintable(db.connection().lastError()));
        QCOMPARE(db.R_GtVaL(QStringLiteral("Select txDoc From msDoc Where noDoc = 1001"), QVariant()).toString(),
                 QStringLiteral("前半後半 tail"));
        QCOMPARE(db.R_GtVaL(QStringLiteral("Select szDoc From msDoc Where noDoc = 1001"), QVariant()).toString(), QStringLiteral("題"));
        QCOMPARE(db.R_GtVaL(QStringLiteral("Select Count(*) From msDoc Where txDoc Like ? Escape '!'"), {QStringLiteral("%TAIL%")}, 0)
                     .toInt(), 1);
    }

    // Letter case folds for ASCII letters only, on the server as in the file.
    void fullWidthLettersAreComparedAsWritten()
    {
        zSvr &db = zSvr::instance();
        QVERIFY(db.D_ExeSq(QStringLiteral("Insert Into msDoc (noDoc, szDoc, txDoc) Values (?, ?, ?)"),
                           {1001, QStringLiteral("全角"), QStringLiteral("ｆｕｌｌ width")}));
        const auto found = [&db](const QString &word) {
            return db.R_GtVaL(QStringLiteral("Select Count(*) From msDoc Where txDoc Like ? Escape '!'"),
                              {u'%' + word + u'%'}, -1).toInt();
        };
        QCOMPARE(found(QStringLiteral("ｆｕｌｌ")), 1);
        QCOMPARE(found(QStringLiteral("ＦＵＬＬ")), 0);
        QCOMPARE(found(QStringLiteral("WIDTH")), 1);
        QCOMPARE(db.R_GtVaL(QStringLiteral("Select Count(*) From msDoc Where szDoc like '%全角%'"), -1).toInt(), 1);
    }

    // An empty date sorts first on every back end, so the upkeep picks the same home placement.
    void emptyDatesSortFirstEverywhere()
    {
        zSvr &db = zSvr::instance();
        QVERIFY(db.D_ExeSq(QStringLiteral("Insert Into msDoc (noDoc, szDoc) Values (1001, 'A'), (1002, 'B'), (1003, 'C')")));
        QVERIFY(db.D_ExeSq(QStringLiteral("Insert Into tbTree (noLfP, noLfC, inSrt, boLnk, dyUdt) Values (?, 1003, 1, 1, ?)"),
                           {1001, QDateTime(QDate(2020, 1, 2), QTime(3, 4, 5))}));
        QVERIFY(db.D_ExeSq(QStringLiteral("Insert Into tbTree (noLfP, noLfC, inSrt, boLnk) Values (1002, 1003, 2, 1)")));
        DbTable rows;
        QCOMPARE(db.R_Ary(QStringLiteral("Select noLfP From tbTree Order By dyUdt, noLfP Desc"), rows), 2);
        QCOMPARE(rows.row(0).value(0).toInt(), 1002);
        QCOMPARE(db.R_Ary(QStringLiteral("Select noLfP From tbTree Order By dyUdt Desc"), rows), 2);
        QCOMPARE(rows.row(0).value(0).toInt(), 1001);
        Usr::D_FixLnk(false);
        QCOMPARE(db.R_GtVaL(QStringLiteral("Select noLfP From tbTree Where boLnk = 0"), 0).toInt(), 1002);
    }

    // A statement waits 30 seconds at most; the wait can be shortened and counts at once.
    void aHeldRowTimesOut()
    {
        zSvr &db = zSvr::instance();
        QCOMPARE(db.connection().commandTimeout(), 30);
        if (ServerDb::wanted())
            QCOMPARE(db.R_GtVaL(QStringLiteral("Show statement_timeout"), QString()).toString(), QStringLiteral("30s"));
        QVERIFY(db.D_ExeSq(QStringLiteral("Insert Into msDoc (noDoc, szDoc) Values (1001, 'kept')")));
        DbConnection other;
        QVERIFY(ServerDb::wanted() ? other.openOdbc(ServerDb::connectionString(m_server.name())) : other.openSqlite(m_path));
        QVERIFY(other.transaction(0));
        QVERIFY(other.exec(QStringLiteral("Update msDoc Set szDoc = 'held' Where noDoc = 1001"), {}, false));
        db.connection().setCommandTimeout(1);
        QElapsedTimer timer;
        timer.start();
        const bool began = db.D_Tran(0);
        const bool wrote = began && db.D_ExeSq(QStringLiteral("Update msDoc Set szDoc = 'mine' Where noDoc = 1001"));
        if (began)
            db.D_Tran(2);
        QVERIFY(!wrote);
        QVERIFY(timer.elapsed() < 15000);
        QVERIFY(other.transaction(2));
        QVERIFY(db.D_ExeSq(QStringLiteral("Update msDoc Set szDoc = 'mine' Where noDoc = 1001")));
        QCOMPARE(db.R_GtVaL(QStringLiteral("Select szDoc From msDoc Where noDoc = 1001"), QString()).toString(), QStringLiteral("mine"));
    }

    // The primary key of a table is asked for once per connection, not at every updatable open.
    void thePrimaryKeyIsAskedForOnce()
    {
        zSvr &db = zSvr::instance();
        QCOMPARE(db.connection().primaryKey(QStringLiteral("msDoc")).join(u',').toLower(), QStringLiteral("nodoc"));
        if (ServerDb::wanted()) {
            DbConnection other;
            QVERIFY(other.openOdbc(ServerDb::connectionString(m_server.name())));
            QVERIFY(other.exec(QStringLiteral("Alter Table msDoc Drop Constraint msdoc_pkey"), {}, false));
        }
        QCOMPARE(db.connection().primaryKey(QStringLiteral("MSDOC")).join(u',').toLower(), QStringLiteral("nodoc"));
        QVERIFY(db.D_ExeSq(QStringLiteral("Insert Into msDoc (noDoc, szDoc) Values (1001, 'a')")));
        Recordset rs;
        QVERIFY(db.R_Rset(QStringLiteral("Select noDoc, szDoc From msDoc Where noDoc = 1001"), rs, 2));
        QVERIFY(rs.setValue(1, QStringLiteral("b")));
        QVERIFY(rs.update());
        QCOMPARE(db.R_GtVaL(QStringLiteral("Select szDoc From msDoc Where noDoc = 1001"), QString()).toString(), QStringLiteral("b"));
    }

    // The README's set-up of a team's server database: an empty database, a data-link file without
    // the password, and the generator asking for it on the terminal.
    void theReadmeSetUpWorks()
    {
        if (!ServerDb::wanted())
            QSKIP("the set-up is the server's");
        const QString name = QStringLiteral("readme%1").arg(QDateTime::currentMSecsSinceEpoch() % 100000000);
        QVERIFY(ServerDb::admin(QStringLiteral("CREATE DATABASE ") + name));
        const QString udl = m_dir.filePath(QStringLiteral("Team.udl"));
        QVERIFY(TestHome::write(udl, ServerDb::connectionString(name, false).toUtf8()));
        QProcess gen;
        gen.start(QStringLiteral(FENWAR_BINARY_DIR "/tools/gen_sample"), {udl, QStringLiteral("--empty")});
        QVERIFY(gen.waitForStarted());
        gen.write(ServerDb::password().toUtf8() + "\n");
        gen.closeWriteChannel();
        QVERIFY(gen.waitForFinished(120000));
        const QByteArray output = gen.readAllStandardOutput() + gen.readAllStandardError();
        const int code = gen.exitCode();
        DbConnection check;
        const bool tables = check.openOdbc(ServerDb::connectionString(name), QString(), {QStringLiteral("msDoc"), QStringLiteral("kaUsr")});
        check.close();
        ServerDb::admin(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name));
        QVERIFY2(code == 0, output.constData());
        QVERIFY(output.contains("Password for"));
        QVERIFY(tables);
    }

private:
    TestHome m_home;
    QTemporaryDir m_dir;
    ServerDb m_server;
    QString m_path;
    ScriptedPrompt *m_prompt = nullptr;
};

QTEST_MAIN(TestServerDb)
#include "tst_serverdb.moc"

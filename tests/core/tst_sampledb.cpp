#include "core/zSvr.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

// The sample database of tools/gen_sample, as `make run`, the tests and the
// benchmark use it.
class TestSampleDb : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { zSvr::release(); }

    void shape_data()
    {
        QTest::addColumn<int>("pages");
        QTest::newRow("default") << 0;
        QTest::newRow("one page") << 1;
        QTest::newRow("300 pages") << 300;
    }

    void shape()
    {
        QFETCH(int, pages);
        const QString path = m_dir.filePath(QStringLiteral("s%1/Sample.txdb").arg(pages));
        QStringList args{path};
        if (pages > 0)
            args << QStringLiteral("--pages") << QString::number(pages);
        QCOMPARE(generate(args), 0);
        const int expected = pages > 0 ? pages : 40;

        zSvr &db = zSvr::instance();
        QVERIFY(db.D_StDcDb(path));
        QCOMPARE(db.R_GtVaL(QStringLiteral("Select Count(*) From msDoc"), 0).toInt(), expected);
        // Exactly one home placement per page, and the placements reach only pages.
        QCOMPARE(db.R_GtVaL(QStringLiteral("Select Count(*) From tbTree Where boLnk=0"), 0).toInt(), expected);
        QCOMPARE(db.R_GtVaL(QStringLiteral("Select Count(Distinct noLfC) From tbTree Where boLnk=0"), 0).toInt(), expected);
        QCOMPARE(db.R_GtVaL(QStringLiteral("Select Count(*) From tbTree Where noLfC Not in (Select noDoc From msDoc)"), -1).toInt(), 0);
        QCOMPARE(db.R_GtVaL(QStringLiteral("Select Count(*) From msDoc Where wkRnd=0 Or wkRnd Is Null Or szDoc=''"), -1).toInt(), 0);
        QVERIFY(!db.R_GtVaL(QStringLiteral("Select szDoc From msDoc Where noDoc=1001"), QString()).toString().isEmpty());

        // Every page reaches the top level through its home placements.
        DbTable home;
        QCOMPARE(db.R_Ary(QStringLiteral("Select noLfC, noLfP From tbTree Where boLnk=0"), home), expected);
        QHash<int, int> parent;
        for (int r = 0; r < home.rowCount(); ++r)
            parent.insert(home.at(0, r).toInt(), home.at(1, r).toInt());
        for (auto it = parent.cbegin(); it != parent.cend(); ++it) {
            int page = it.key();
            int steps = 0;
            while (page != 0 && steps++ <= expected)
                page = parent.value(page, -1);
            QCOMPARE(page, 0);
        }
        if (expected < 40)
            return;
        // Link, hidden and protected placements and a list-mode page with children.
        QVERIFY(db.R_GtVaL(QStringLiteral("Select Count(*) From tbTree Where boLnk=1"), 0).toInt() > 0);
        QVERIFY(db.R_GtVaL(QStringLiteral("Select Count(*) From tbTree Where boHide=1"), 0).toInt() > 0);
        QVERIFY(db.R_GtVaL(QStringLiteral("Select Count(*) From tbTree Where boHogo=1"), 0).toInt() > 0);
        const int list = db.R_GtVaL(QStringLiteral("Select noDoc From msDoc Where boCod=1"), 0).toInt();
        QVERIFY(list > 0);
        QVERIFY(db.R_GtVaL(QStringLiteral("Select Count(*) From tbTree Where noLfP=?"), {list}, 0).toInt() > 0);
        // Tags name pages that exist.
        QVERIFY(db.R_GtVaL(QStringLiteral("Select Count(*) From msDoc Where saTgs like '%.?.%'"), {1001 + 5 / 2}, 0).toInt() > 0);
    }

    void keepsExistingFile()
    {
        const QString path = m_dir.filePath(QStringLiteral("keep.txdb"));
        QCOMPARE(generate({path, QStringLiteral("--pages"), QStringLiteral("3")}), 0);
        QFile file(path);
        QVERIFY(file.open(QIODevice::Append));
        file.write("user data");
        file.close();
        const qint64 size = QFileInfo(path).size();
        QCOMPARE(generate({path}), 0);
        QCOMPARE(QFileInfo(path).size(), size);
        QCOMPARE(generate({path, QStringLiteral("--force"), QStringLiteral("--pages"), QStringLiteral("2")}), 0);
        QVERIFY(zSvr::instance().D_StDcDb(path));
        QCOMPARE(zSvr::instance().R_GtVaL(QStringLiteral("Select Count(*) From msDoc"), 0).toInt(), 2);
    }

    // --force replaces the database with its logs: a log that a killed program left beside the old
    // file is not replayed onto the new sample, and a file another program has open is kept.
    void forceReplacesTheFileWhole_data()
    {
        QTest::addColumn<QStringList>("left"); // log files of the old database left beside it
        QTest::addColumn<bool>("open");        // the old database still open in another program
        QTest::newRow("log and index of a killed program") << QStringList{"-wal", "-shm"} << false;
        QTest::newRow("log alone") << QStringList{"-wal"} << false;
        QTest::newRow("open in another program") << QStringList() << true;
    }

    void forceReplacesTheFileWhole()
    {
        QFETCH(QStringList, left);
        QFETCH(bool, open);
        const QString path = m_dir.filePath(QStringLiteral("force%1.txdb").arg(QTest::currentDataTag()).replace(u' ', u'_'));
        QCOMPARE(generate({path, QStringLiteral("--pages"), QStringLiteral("3")}), 0);
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("killed"));
            db.setDatabaseName(path);
            QVERIFY(db.open());
            QSqlQuery q(db);
            QVERIFY(q.exec(QStringLiteral("PRAGMA journal_mode=WAL")));
            QVERIFY(q.exec(QStringLiteral("PRAGMA wal_autocheckpoint=0")));
            QVERIFY(q.exec(QStringLiteral("Update msDoc Set szDoc='old edit'")));
            // The logs as a program killed now leaves them.
            for (const QString &suffix : left)
                QVERIFY(QFile::copy(path + suffix, path + suffix + QStringLiteral(".kept")));
            if (open) {
                QCOMPARE(generate({path, QStringLiteral("--force"), QStringLiteral("--pages"), QStringLiteral("2")}), 1);
                QVERIFY(q.exec(QStringLiteral("Select Count(*) From msDoc")) && q.next());
                QCOMPARE(q.value(0).toInt(), 3);
            }
            q.finish();
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("killed"));
        if (open) {
            QVERIFY(zSvr::instance().D_StDcDb(path));
            QCOMPARE(zSvr::instance().R_GtVaL(QStringLiteral("Select Count(*) From msDoc Where szDoc='old edit'"), 0).toInt(), 3);
            return;
        }
        for (const QString &suffix : left) {
            QFile::remove(path + suffix);
            QVERIFY(QFile::rename(path + suffix + QStringLiteral(".kept"), path + suffix));
        }
        QCOMPARE(generate({path, QStringLiteral("--force"), QStringLiteral("--pages"), QStringLiteral("2")}), 0);
        QVERIFY(zSvr::instance().D_StDcDb(path));
        QCOMPARE(zSvr::instance().R_GtVaL(QStringLiteral("Select Count(*) From msDoc"), 0).toInt(), 2);
        QCOMPARE(zSvr::instance().R_GtVaL(QStringLiteral("Select Count(*) From msDoc Where szDoc='old edit'"), 0).toInt(), 0);
        QVERIFY(zSvr::instance().R_GtVaL(QStringLiteral("Select Count(*) From tbTree"), 0).toInt() >= 2);
    }

    void badArguments_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("none") << QStringList();
        QTest::newRow("zero pages") << QStringList{"x.txdb", "--pages", "0"};
        QTest::newRow("pages not a number") << QStringList{"x.txdb", "--pages", "many"};
        QTest::newRow("two paths") << QStringList{"a.txdb", "b.txdb"};
        // An option is never taken for the path of a database.
        QTest::newRow("help") << QStringList{"--help"};
        QTest::newRow("short help") << QStringList{"-h"};
        QTest::newRow("unknown option") << QStringList{"x.txdb", "--size"};
    }

    void badArguments()
    {
        QFETCH(QStringList, args);
        const QDir dir(m_dir.path());
        const QStringList before = dir.entryList(QDir::Files | QDir::Hidden);
        QCOMPARE(generate(args), 2);
        QCOMPARE(dir.entryList(QDir::Files | QDir::Hidden), before);
    }

private:
    int generate(const QStringList &args)
    {
        QProcess process;
        process.setWorkingDirectory(m_dir.path());
        process.start(QStringLiteral(FENWAR_BINARY_DIR "/tools/gen_sample"), args);
        if (!process.waitForFinished(120000))
            return -1;
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }

    QTemporaryDir m_dir;
};

QTEST_MAIN(TestSampleDb)
#include "tst_sampledb.moc"

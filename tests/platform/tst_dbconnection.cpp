#include "platform/db/DbConnection.h"
#include "platform/db/DbFiles.h"
#include "platform/db/Recordset.h"
#include "support/FullDisk.h"
#include "support/OtherProgram.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QSqlQuery>
#include <QtTest>

#include <cstdio>

class TestDbConnection : public QObject
{
    Q_OBJECT
private slots:
    // How an error is taken: a refused login (ask for the password), a statement or transaction the
    // server gave up to let another through (worth trying again), a disk with no room left (said as
    // such to the user), or none of these.
    void errorKind_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("kind");
        QTest::newRow("sqlstate 28000") << "28000" << "[unixODBC]Login failed" << "login";
        QTest::newRow("postgres 28P01") << "28P01" << "FATAL: authentication failed" << "login";
        QTest::newRow("words only") << "" << "FATAL:  password authentication failed for user \"ann\"" << "login";
        QTest::newRow("japanese") << "" << "パスワードが違います" << "login";
        QTest::newRow("unknown source") << "IM002" << "[unixODBC][Driver Manager]Data source name not found" << "";
        QTest::newRow("no server") << "08001" << "could not connect to server" << "";
        QTest::newRow("deadlock, psqlODBC") << "1" << "ERROR: deadlock detected\nDETAIL: Process 1 waits for ShareLock;\nError while executing the query" << "conflict";
        QTest::newRow("serialization") << "1" << "ERROR: could not serialize access due to concurrent update" << "conflict";
        QTest::newRow("sqlstate 40P01") << "40P01" << "" << "conflict";
        QTest::newRow("sqlstate 40001 in the text") << "" << "[40001] serialization failure" << "conflict";
        QTest::newRow("japanese deadlock") << "1" << "ERROR:  デッドロックを検出しました" << "conflict";
        QTest::newRow("japanese serialization") << "1" << "ERROR:  同時更新のためアクセスの直列化ができませんでした" << "conflict";
        QTest::newRow("unique key") << "1" << "ERROR: duplicate key value violates unique constraint \"ixtreepair\"" << "";
        QTest::newRow("lock timeout") << "1" << "ERROR: canceling statement due to statement timeout" << "";
        QTest::newRow("sqlite full") << "13" << "database or disk is full Unable to fetch row" << "full";
        QTest::newRow("sqlite commit full") << "" << "database or disk is full Unable to commit transaction" << "full";
        QTest::newRow("server state full") << "53100" << "" << "full";
        QTest::newRow("server words full") << "1" << "ERROR: could not extend file \"base/16384/16390\": No space left on device" << "full";
        QTest::newRow("japanese server full") << "1" << "ERROR:  ファイル\"base/1/2\"を拡張できませんでした: デバイスに空き領域がありません" << "full";
        QTest::newRow("i/o error") << "10" << "disk I/O error Unable to fetch row" << "";
        QTest::newRow("locked") << "5" << "database is locked" << "";
        QTest::newRow("a key of those digits") << "1" << "ERROR: duplicate key value\nDETAIL: Key (nodoc)=(53100) already exists." << "";
    }
    void errorKind()
    {
        QFETCH(QString, code);
        QFETCH(QString, text);
        QFETCH(QString, kind);
        QCOMPARE(DbConnection::isLoginRefusal(code, text), kind == QLatin1String("login"));
        QCOMPARE(DbConnection::isConflict(code, text), kind == QLatin1String("conflict"));
        QCOMPARE(DbConnection::isDiskFull(code, text), kind == QLatin1String("full"));
    }

    // A write the log has no room for fails and says why; the next one, with room, goes through.
    void aWriteOnAFullDiskSaysSo()
    {
        FullDisk disk;
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("a.txdb"));
        QFile(path).open(QIODevice::WriteOnly);
        DbConnection db;
        QVERIFY(db.openSqlite(path));
        QVERIFY(db.exec(QStringLiteral("create table t (a, b)"), {}, false));
        disk.fill();
        QVERIFY(db.transaction(0));
        const bool written = db.exec(QStringLiteral("insert into t values (1, ?)"), {QByteArray(100000, 'x')}, true)
                             && db.transaction(1);
        QVERIFY(!written);
        QVERIFY2(db.diskFull(), qPrintable(db.lastError()));
        db.transaction(2);
        disk.empty();
        QVERIFY(db.exec(QStringLiteral("insert into t values (2, ?)"), {QByteArray(100000, 'y')}, true));
        QVERIFY(!db.diskFull());
    }

    void sqliteOpen()
    {
        QTemporaryDir dir;
        DbConnection db;
        QVERIFY(!db.openSqlite(dir.path())); // a folder
        QVERIFY(!db.isOpen());
        QVERIFY(!db.openSqlite(dir.filePath(QStringLiteral("none.txdb"))));
        QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("none.txdb"))));
        QFile empty(dir.filePath(QStringLiteral("empty.txdb")));
        QVERIFY(empty.open(QIODevice::WriteOnly));
        empty.close();
        // An empty file is an empty database to the engine: it opens, with no tables.
        QVERIFY(db.openSqlite(empty.fileName()));
        QVERIFY(!db.readOnly());
        QVERIFY(db.exec(QStringLiteral("create table t (a, dyX)"), {}, false));
        QVERIFY(db.exec(QStringLiteral("insert into t values ('?', ?)"), {QStringLiteral("a'b"), QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6))}, true));
        Recordset rs;
        db.setDatePrefix(QStringLiteral("dy"));
        QVERIFY(rs.open(db, QStringLiteral("select a, dyX from t"), {}, false, 0));
        QCOMPARE(rs.value(0).toString(), QStringLiteral("a'b"));
        QCOMPARE(rs.value(QStringLiteral("DYX")).toDateTime(), QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6)));
        rs.close();
        db.close();
        QVERIFY(!db.isOpen());
        QVERIFY(!db.exec(QStringLiteral("select 1"), {}, false));
    }

    void closedFileIsSingleFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("a.txdb"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        {
            DbConnection db;
            QVERIFY(db.openSqlite(path));
            QVERIFY(db.exec(QStringLiteral("create table t (a)"), {}, false));
            QVERIFY(db.exec(QStringLiteral("insert into t values (1)"), {}, false));
        }
        QVERIFY(!QFileInfo::exists(path + QStringLiteral("-wal")));
        // A copy of the file alone holds everything, and opens read-only from a locked folder.
        const QString copy = dir.filePath(QStringLiteral("ro/b.txdb"));
        QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("ro"))));
        QVERIFY(QFile::copy(path, copy));
        QVERIFY(QFile::setPermissions(copy, QFile::ReadOwner));
        QVERIFY(QFile::setPermissions(dir.filePath(QStringLiteral("ro")), QFile::ReadOwner | QFile::ExeOwner));
        DbConnection db;
        QVERIFY(db.openSqlite(copy));
        QVERIFY(db.readOnly());
        QSqlQuery q;
        QVERIFY(db.select(q, QStringLiteral("select count(*) from t"), {}, false, true));
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toInt(), 1);
        q = QSqlQuery();
        QVERIFY(!db.exec(QStringLiteral("insert into t values (2)"), {}, false));
        db.close();
        QFile::setPermissions(dir.filePath(QStringLiteral("ro")), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    // Another program has the file open: the close leaves the log to the last one out, at once
    // (it used to wait for the whole command timeout when it had read nothing since the open).
    void closingBesideAnotherProgramDoesNotWait()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("a.txdb"));
        {
            DbConnection db;
            QFile(path).open(QIODevice::WriteOnly);
            QVERIFY(db.openSqlite(path));
            QVERIFY(db.exec(QStringLiteral("create table t (a)"), {}, false));
        }
        DbConnection first, second;
        QVERIFY(first.openSqlite(path));
        first.setCommandTimeout(3);
        QVERIFY(second.openSqlite(path));
        QSqlQuery read;
        QVERIFY(second.select(read, QStringLiteral("select count(*) from t"), {}, false, true));
        read = QSqlQuery();
        QElapsedTimer timer;
        timer.start();
        first.close();
        QVERIFY2(timer.elapsed() < 1500, qPrintable(QString::number(timer.elapsed())));
        QVERIFY(QFileInfo::exists(path + QStringLiteral("-wal")));
        second.close();
        QVERIFY(!QFileInfo::exists(path + QStringLiteral("-wal")));
    }

    // A copy of the file alone, made while the program has it open, holds every write that ended:
    // the log goes back into the file once the command that wrote returns to the event loop.
    void aCopyOfTheOpenFileHoldsEveryWrite_data()
    {
        QTest::addColumn<bool>("inTransaction");
        QTest::newRow("a statement") << false;
        QTest::newRow("a transaction") << true;
    }

    void aCopyOfTheOpenFileHoldsEveryWrite()
    {
        QFETCH(bool, inTransaction);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("a.txdb"));
        QFile(path).open(QIODevice::WriteOnly);
        // The rows of a copy made now; -1 when it holds no table yet.
        const auto rowsInCopy = [&dir, &path] {
            const QString copy = dir.filePath(QStringLiteral("copy.txdb"));
            QFile::remove(copy);
            if (!QFile::copy(path, copy))
                return -2;
            DbConnection other;
            QSqlQuery q;
            if (!other.openSqlite(copy, true) || !other.select(q, QStringLiteral("select count(*) from t"), {}, false, true)
                || !q.next())
                return -1;
            return q.value(0).toInt();
        };
        DbConnection db;
        QVERIFY(db.openSqlite(path));
        QVERIFY(db.exec(QStringLiteral("create table t (a, b)"), {}, false));
        for (int i = 1; i <= 4; ++i) {
            QVERIFY(!inTransaction || db.transaction(0));
            QVERIFY(db.exec(QStringLiteral("insert into t values (?, ?)"), {i, QByteArray(3000, 'x')}, true));
            QVERIFY(!inTransaction || db.transaction(1));
            QTRY_COMPARE(rowsInCopy(), i);
        }
        // A write still open is not in the file.
        QVERIFY(db.transaction(0));
        QVERIFY(db.exec(QStringLiteral("insert into t values (5, 'open')"), {}, false));
        QTest::qWait(50);
        QCOMPARE(rowsInCopy(), 4);
        QVERIFY(db.transaction(1));
        QTRY_COMPARE(rowsInCopy(), 5);
    }

    // Another program's read held the log back as the write ended: once that read ends, the log goes
    // into the file without a further write of this program. It stayed in the log until the next one.
    void aCopyHoldsAWriteOnceAnotherReadHasEnded()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("a.txdb"));
        QFile(path).open(QIODevice::WriteOnly);
        DbConnection db;
        QVERIFY(db.openSqlite(path));
        QVERIFY(db.exec(QStringLiteral("create table t (a, b)"), {}, false));
        QVERIFY(db.exec(QStringLiteral("insert into t values (1, ?)"), {QByteArray(3000, 'x')}, true));
        QTest::qWait(20);
        // Another program (a read-only connection of its own) reads in one transaction meanwhile.
        DbConnection other;
        QVERIFY(other.openSqlite(path, true));
        QSqlQuery read(other.database());
        QVERIFY(read.exec(QStringLiteral("begin")) && read.exec(QStringLiteral("select count(*) from t")) && read.next());
        QVERIFY(db.exec(QStringLiteral("insert into t values (2, ?)"), {QByteArray(3000, 'y')}, true));
        QTest::qWait(50);
        QVERIFY(read.exec(QStringLiteral("select count(*) from t")) && read.next());
        QCOMPARE(read.value(0).toInt(), 1);
        QVERIFY(read.exec(QStringLiteral("commit")));
        read = QSqlQuery();
        const QString copy = dir.filePath(QStringLiteral("copy.txdb"));
        const auto rowsInCopy = [&] {
            QFile::remove(copy);
            DbConnection c;
            QSqlQuery q;
            if (!QFile::copy(path, copy) || !c.openSqlite(copy, true)
                || !c.select(q, QStringLiteral("select count(*) from t"), {}, false, true) || !q.next())
                return -1;
            return q.value(0).toInt();
        };
        QTRY_COMPARE(rowsInCopy(), 2);
    }

    // Another database put at the path of the open file, and opened there by another program that
    // writes into its own log: this connection's log leaves the path as soon as the folder changes
    // (the other program then makes its own), and its close deletes nothing beside the path. The other
    // program found this connection's log and index at the path and took them for its file's, and
    // the close deleted the log that held the other program's write.
    void aFilePutInPlaceKeepsItsOwnLog()
    {
        QCoreApplication *app = QCoreApplication::instance();
        QVERIFY(app);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("a.txdb"));
        const QString other = dir.filePath(QStringLiteral("b.txdb"));
        QFile(path).open(QIODevice::WriteOnly);
        QFile(other).open(QIODevice::WriteOnly);
        {
            DbConnection b;
            QVERIFY(b.openSqlite(other));
            QVERIFY(b.exec(QStringLiteral("create table u (a)"), {}, false));
            QVERIFY(b.exec(QStringLiteral("insert into u values ('put')"), {}, false));
        }
        DbConnection db;
        QVERIFY(db.openSqlite(path));
        QVERIFY(db.exec(QStringLiteral("create table t (a)"), {}, false));
        QVERIFY(db.exec(QStringLiteral("insert into t values ('mine')"), {}, false));
        QVERIFY(std::rename(QFile::encodeName(other).constData(), QFile::encodeName(path).constData()) == 0);
        QTRY_VERIFY(!QFileInfo::exists(path + QStringLiteral("-wal")));
        // This connection still reads its own file.
        QSqlQuery q;
        QVERIFY(db.select(q, QStringLiteral("select a from t"), {}, false, true) && q.next());
        QCOMPARE(q.value(0).toString(), QStringLiteral("mine"));
        q = QSqlQuery();
        OtherProgram writer;
        QVERIFY(writer.open(path));
        QVERIFY(writer.run("PRAGMA wal_autocheckpoint = 0; insert into u values ('theirs');"));
        QVERIFY(db.exec(QStringLiteral("insert into t values ('mine too')"), {}, false));
        db.close();
        QVERIFY(QFileInfo::exists(path + QStringLiteral("-wal")));
        writer.kill();
        QProcess sqlite;
        sqlite.start(QStringLiteral("sqlite3"), {path, QStringLiteral("pragma integrity_check; select group_concat(a) from u;")});
        QVERIFY(sqlite.waitForFinished());
        QCOMPARE(QString::fromUtf8(sqlite.readAllStandardOutput()).trimmed(), QStringLiteral("ok\nput,theirs"));
    }

    // The disk fills while the log holds a write that the file has no room for yet: the write is
    // safe in the log (whose room another program's larger write left), but returning it fails after
    // a part of it went into the file, so the file alone is damaged. A moment after room is made it
    // is whole again, with the write, and without a further write of this program (nothing tried
    // again before).
    void aCopyIsWholeOnceTheDiskHasRoomAgain_data()
    {
        QTest::addColumn<bool>("inTransaction");
        QTest::newRow("a statement") << false;
        QTest::newRow("a transaction") << true;
    }
    void aCopyIsWholeOnceTheDiskHasRoomAgain()
    {
        QFETCH(bool, inTransaction);
        FullDisk disk;
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("a.txdb"));
        QFile(path).open(QIODevice::WriteOnly);
        // SQLite's check of a copy of the file alone, and its rows.
        const auto copyAlone = [&dir, &path] {
            const QString copy = dir.filePath(QStringLiteral("copy.txdb"));
            DbFiles::remove(copy);
            DbConnection c;
            QSqlQuery q;
            if (!QFile::copy(path, copy) || !c.openSqlite(copy, true))
                return QStringLiteral("unopened: ") + c.lastError();
            if (!c.select(q, QStringLiteral("select (select group_concat(integrity_check) from pragma_integrity_check), "
                                            "(select group_concat(a) from t)"),
                          {}, false, true)
                || !q.next())
                return c.lastError();
            return q.value(0).toString() + u' ' + q.value(1).toString();
        };
        DbConnection db;
        QVERIFY(db.openSqlite(path));
        QVERIFY(db.exec(QStringLiteral("create table t (a, b)"), {}, false));
        {
            // Another program's write: the log grows to hold it and keeps its length, returned into
            // the file but not emptied (this program empties it after its own writes).
            QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
            other.setDatabaseName(path);
            QVERIFY(other.open());
            QSqlQuery q(other);
            QVERIFY(q.exec(QStringLiteral("PRAGMA wal_autocheckpoint = 0")));
            QVERIFY(q.exec(QStringLiteral("insert into t values (1, x'%1')").arg(QString(QByteArray(300000, 'x').toHex()))));
            QVERIFY(q.exec(QStringLiteral("PRAGMA wal_checkpoint(PASSIVE)")));
            q = QSqlQuery();
            other.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("other"));
        QVERIFY(QFileInfo(path + QStringLiteral("-wal")).size() > 300000);
        QTRY_COMPARE(copyAlone(), QStringLiteral("ok 1"));
        disk.fill();
        QVERIFY(!inTransaction || db.transaction(0));
        QVERIFY(db.exec(QStringLiteral("insert into t values (2, ?)"), {QByteArray(100000, 'y')}, true));
        QVERIFY(!inTransaction || db.transaction(1));
        // Tried while the disk is full.
        QTest::qWait(1500);
        disk.empty();
        QTRY_COMPARE_WITH_TIMEOUT(copyAlone(), QStringLiteral("ok 1,2"), 5000);
    }
};

QTEST_GUILESS_MAIN(TestDbConnection)
#include "tst_dbconnection.moc"

// Two writers on one database, each a program instance in a process of its own, through the
// program's own entry points (support/TreeWriters.h says how): fixed sequences of races that once lost
// pages or edits, and seeded random steps. Runs on a file, and on the throwaway server in the server
// pass. Longer runs: bench_treewriters.
#include "support/TreeWriter.h"
#include "support/ServerSession.h"
#include "support/TreeWriters.h"

#include <QFile>
#include <QtTest>

class TstTreeWriters : public QObject
{
    Q_OBJECT

    static bool server() { return ServerDb::wanted(); }

    static void verifyHolds(TreeWriters &writers, const QString &what)
    {
        const QString wrong = writers.check();
        if (!wrong.isEmpty() || qEnvironmentVariableIntValue("FENWAR_TREEWRITERS_LOG")) {
            const QStringList log = writers.log();
            qInfo("%s", qPrintable(log.mid(qMax(0, log.size() - 40)).join(u'\n')));
        }
        QVERIFY2(wrong.isEmpty(), qPrintable(what + QStringLiteral(": ") + wrong));
    }

private slots:
    // Two moves planned before either commits, each hanging the other's page under its own: the
    // later is refused and changes nothing. Both went through, the pages hung under each other, out
    // of everybody's reach, and 最適化 deleted them. On the server the loser of a deadlock said nothing.
    void crossingMoves_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::newRow("cut and paste")
            << QStringLiteral("cut\tp1001\tp1009") << QStringLiteral("cut\tp1008\tp1002");
        QTest::newRow("bulk move")
            << QStringLiteral("bulkmove\tp1001\tp1009") << QStringLiteral("bulkmove\tp1008\tp1004");
        QTest::newRow("cut and paste against a bulk move")
            << QStringLiteral("bulkmove\tp1008\tp1004") << QStringLiteral("cut\tp1001\tp1011");
    }

    void crossingMoves()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        TreeWriters writers(server());
        QVERIFY2(writers.start(), qPrintable(writers.error()));
        verifyHolds(writers, QStringLiteral("at the start"));
        writers.both(a, b, 1500);
        verifyHolds(writers, QStringLiteral("after the moves"));
        if (QTest::currentTestFailed())
            return;
        writers.both(QStringLiteral("clean"), QStringLiteral("refresh"));
        verifyHolds(writers, QStringLiteral("after 最適化"));
    }

    // A cut whose page the other writer moved meanwhile, pasted right after itself where the tree
    // still shows it: the paste cannot be made, and says so. It did nothing and said nothing.
    void aStaleCutPastedAfterItselfSaysSo()
    {
        TreeWriters writers(server());
        QVERIFY2(writers.start(), qPrintable(writers.error()));
        writers.both(QStringLiteral("refresh"), QStringLiteral("cut\tp1001\tp1009"));
        writers.send(0, QStringLiteral("cut\tp1001\tp1001"));
        writers.replies(0);
        verifyHolds(writers, QStringLiteral("after the paste"));
    }

    // A bulk window lists 1002's children (1004, 1005); while it stands open the other writer takes
    // them away; then the button is pressed. Finding none, or only some, the operation says so. It
    // closed as if done, wrote nothing and said nothing.
    void aBulkOverPagesTheOtherRemovedSaysSo_data()
    {
        QTest::addColumn<QString>("bulk");
        QTest::addColumn<QStringList>("other");
        const QStringList deleteAndClean{QStringLiteral("delete\tp1002"), QStringLiteral("clean")};
        QTest::newRow("new copy, the page deleted, 最適化") << QStringLiteral("bulkcopy\tp1002\tp1012") << deleteAndClean;
        QTest::newRow("move, the page deleted, 最適化") << QStringLiteral("bulkmove\tp1002\tp1012") << deleteAndClean;
        QTest::newRow("move, one page moved away")
            << QStringLiteral("bulkmove\tp1002\tp1012") << QStringList{QStringLiteral("cut\tp1004\tp1009")};
        QTest::newRow("delete, the pages deleted")
            << QStringLiteral("bulkdelete\tp1002") << QStringList{QStringLiteral("bulkdelete\tp1002")};
    }

    void aBulkOverPagesTheOtherRemovedSaysSo()
    {
        QFETCH(QString, bulk);
        QFETCH(QStringList, other);
        TreeWriters writers(server());
        QVERIFY2(writers.start(), qPrintable(writers.error()));
        verifyHolds(writers, QStringLiteral("at the start"));
        QVERIFY(writers.whileHeld(1, bulk, other));
        verifyHolds(writers, QStringLiteral("after the bulk operation"));
    }

    // A cuts 1012 (at the top); B moves 1012 under 1001; A pastes it after 1009 (under 1008): the
    // paste is refused and says why. It placed a link there, left B's home and said it was done.
    void aCutWhosePageTheOtherMovedSaysSo()
    {
        TreeWriters writers(server());
        QVERIFY2(writers.start(), qPrintable(writers.error()));
        verifyHolds(writers, QStringLiteral("at the start"));
        QVERIFY(writers.whileHeld(0, QStringLiteral("cut\tp1012\tp1009"), {QStringLiteral("cut\tp1012\tp1002")}));
        verifyHolds(writers, QStringLiteral("after the paste"));
    }

    // An import whose question stays open while the other writer saves a page it replaces: the
    // page keeps the save, or the import asks about it again. It took the import's older copy.
    void importOverASaveMadeMeanwhile()
    {
        TreeWriters writers(server());
        QVERIFY2(writers.start(), qPrintable(writers.error()));
        writers.send(1, QStringLiteral("import\tp1008\t") + writers.source(), 'h');
        QStringList said = writers.replies(1);
        QVERIFY2(!said.isEmpty() && said.last().startsWith(QLatin1String("ask")), qPrintable(said.join(u'|')));
        writers.send(0, QStringLiteral("save\tp1009\tmine"));
        writers.replies(0);
        // Yes to the first question; no to any question asked after it.
        writers.answer(1, 'y');
        for (said = writers.replies(1); !said.isEmpty() && said.last().startsWith(QLatin1String("ask"));
             said = writers.replies(1))
            writers.answer(1, 'n');
        verifyHolds(writers, QStringLiteral("after the import"));
    }

    // On the server an import loses a deadlock: a third program holds a page the import writes over
    // and, once the import waits for it, asks for the lock of the writes that place pages, which the
    // import holds. The import is tried again once the other has ended, and goes through. It ended
    // with "…からｲﾝﾎﾟｰﾄを実行しませんでした" alone.
    void anImportThatLostADeadlockIsTriedAgain()
    {
        if (!server())
            QSKIP("a file's writes hold the whole file from their begin: they never deadlock");
        TreeWriters writers(true);
        QVERIFY2(writers.start(), qPrintable(writers.error()));
        DbConnection third;
        QString link;
        QVERIFY(DataLink::read(writers.path(), &link) && third.openOdbc(link));
        QVERIFY(third.exec(QStringLiteral("Select set_config('deadlock_timeout', '20s', false)"), {}, false));
        QVERIFY(third.transaction(0));
        QVERIFY(third.exec(QStringLiteral("Select noDoc From msDoc Where noDoc = 1009 For Update"), {}, false));
        writers.send(0, QStringLiteral("import\tp1008\t") + writers.source());
        bool waits = false;
        QElapsedTimer waited;
        waited.start();
        while (!waits && waited.elapsed() < 20000) {
            QSqlQuery query;
            waits = third.select(query, QStringLiteral("Select Count(*) From pg_locks Where Not granted And pid In"
                                                       " (Select pid From pg_stat_activity Where datname = current_database())"),
                                 {}, false, true)
                    && query.next() && query.value(0).toInt() > 0;
            if (!waits)
                QThread::msleep(20);
        }
        QVERIFY(waits);
        QVERIFY(third.exec(ServerSession::placingLock("pg_advisory_xact_lock"), {}, false));
        QVERIFY(third.transaction(1));
        third.close();
        const QStringList said = writers.replies(0);
        QVERIFY2(said.contains(QStringLiteral("shown\t") + writers.source() + QStringLiteral(" からｲﾝﾎﾟｰﾄを実行しました")),
                 qPrintable(said.join(u'|')));
        verifyHolds(writers, QStringLiteral("after the import"));
    }

    // An export that reads its pages while the other writer moves and deletes pages of its subtree:
    // the file holds the subtree as it stood when the export began to read, every placement whole.
    // It read the placements after the pages, one by one, and wrote the moved and deleted ones with
    // no title, no order and no marks.
    void anExportBesideMovesHoldsOneState_data()
    {
        QTest::addColumn<QStringList>("meanwhile");
        QTest::newRow("moved") << QStringList{"cut\tp1004\tp1012"};
        QTest::newRow("deleted") << QStringList{"delete\tp1006", "delete\tp1005"};
        QTest::newRow("moved and deleted") << QStringList{"bulkmove\tp1002\tp1012", "delete\tp1003"};
    }
    void anExportBesideMovesHoldsOneState()
    {
        QFETCH(QStringList, meanwhile);
        TreeWriters writers(server());
        QVERIFY2(writers.start(), qPrintable(writers.error()));
        // 1002 holds a tag: the export loads it, and waits there for the other writer.
        QVERIFY(writers.exec(QStringLiteral("Update msDoc Set obDoc = ? Where noDoc = 1002"),
                             {StubEditorServices::page(QStringLiteral("頁1002\ninit1002")) + QByteArray("T\0G\0_\0", 6)}));
        const QString file = writers.exportFile();
        writers.send(0, QStringLiteral("export\tp1001\t2\t") + file, 'h');
        QStringList said = writers.replies(0);
        QVERIFY2(!said.isEmpty() && said.last().startsWith(QLatin1String("ask")), qPrintable(said.join(u'|')));
        for (const QString &command : std::as_const(meanwhile)) {
            writers.send(1, command);
            writers.replies(1);
        }
        writers.answer(0, 'y');
        said = writers.replies(0);
        QVERIFY2(said.contains(QStringLiteral("exported\t") + file), qPrintable(said.join(u'|')));
        QStringList placements;
        const QString wrong = TreeWriters::checkExport(file, &placements);
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
        QCOMPARE(placements, (QStringList{"0>1001", "1001>1002", "1001>1003", "1002>1004", "1002>1005", "1003>1006",
                                          "1004>1007"}));
        verifyHolds(writers, QStringLiteral("after the export"));
    }

    // A copy of the database file alone, made while both programs have it open, holds every page
    // they were told saved. The pages sat in the log file until the database was closed.
    void aCopyOfTheOpenFileHoldsEverySave()
    {
        if (server())
            QSKIP("a server database has no file to copy");
        TreeWriters writers(false);
        QVERIFY2(writers.start(), qPrintable(writers.error()));
        for (int i = 0; i < 4; ++i)
            writers.both(QStringLiteral("new\tp1012\t1\ta%1").arg(i), QStringLiteral("save\tp100%1\tb%1").arg(i + 1));
        verifyHolds(writers, QStringLiteral("after the saves"));
        const QString copy = writers.path() + QStringLiteral(".copy");
        QVERIFY(QFile::copy(writers.path(), copy));
        const QString wrong = writers.checkFile(copy);
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
    }

    // Fixed seeds; FENWAR_TREEWRITERS_STEPS sets the steps a seed.
    void seeds_data()
    {
        QTest::addColumn<int>("seed");
        for (int seed : {59001, 59002, 59003})
            QTest::newRow(qPrintable(QStringLiteral("seed %1").arg(seed))) << seed;
    }

    void seeds()
    {
        QFETCH(int, seed);
        const int steps = qEnvironmentVariableIntValue("FENWAR_TREEWRITERS_STEPS");
        TreeWriters writers(server());
        const TreeWriters::Outcome outcome = writers.run(quint32(seed), steps > 0 ? steps : 300);
        if (outcome.failed() || qEnvironmentVariableIntValue("FENWAR_TREEWRITERS_LOG"))
            qInfo("%s", qPrintable((qEnvironmentVariableIntValue("FENWAR_TREEWRITERS_LOG") ? writers.log() : outcome.log).join(u'\n')));
        QVERIFY2(!outcome.failed(), qPrintable(outcome.message));
    }
};

int main(int argc, char **argv)
{
    // The writers are this program too.
    if (argc > 2 && QByteArray(argv[1]) == "writer") {
        QApplication app(argc, argv);
        return TreeWriter::main(QString::fromLocal8Bit(argv[2]));
    }
    QApplication app(argc, argv);
    TstTreeWriters test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_treewriters.moc"

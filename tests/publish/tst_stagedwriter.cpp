#include "publish/converter/StagedWriter.h"
#include "publish/converter/yHtm.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

class TestStagedWriter : public QObject
{
    Q_OBJECT

    static QByteArray read(const QString &file)
    {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
    }

    static QStringList everything(const QString &folder)
    {
        return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    }

private slots:
    void writesWholeFilesAndLeavesNothingElse()
    {
        QTemporaryDir dir;
        QVERIFY(QFile(dir.filePath(QStringLiteral("old.htm"))).open(QIODevice::WriteOnly));
        {
            StagedWriter writer;
            QVERIFY(writer.write(dir.filePath(QStringLiteral("1001.htm")), "first"));
            QVERIFY(writer.write(dir.filePath(QStringLiteral("old.htm")), "replaced"));
            QVERIFY(writer.write(dir.filePath(QStringLiteral("a \"b\" ?.htm")), QByteArray()));
            QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("sub")));
            QVERIFY(writer.write(dir.filePath(QStringLiteral("sub/2.htm")), "other folder"));
        }
        QCOMPARE(read(dir.filePath(QStringLiteral("1001.htm"))), QByteArray("first"));
        QCOMPARE(read(dir.filePath(QStringLiteral("old.htm"))), QByteArray("replaced"));
        QCOMPARE(read(dir.filePath(QStringLiteral("sub/2.htm"))), QByteArray("other folder"));
        // The writer's own folders went with it.
        QCOMPARE(everything(dir.path()),
                 QStringList({QStringLiteral("1001.htm"), QStringLiteral("a \"b\" ?.htm"), QStringLiteral("old.htm"),
                              QStringLiteral("sub")}));
        QCOMPARE(everything(dir.filePath(QStringLiteral("sub"))), QStringList(QStringLiteral("2.htm")));
        QVERIFY(StagedWriter::flushFolder(dir.path()));
    }

    void failsWithoutAFolderToWriteIn_data()
    {
        QTest::addColumn<bool>("fileInItsPlace");
        QTest::newRow("missing folder") << false;
        QTest::newRow("a file where the folder should be") << true;
    }

    void failsWithoutAFolderToWriteIn()
    {
        QFETCH(bool, fileInItsPlace);
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("out"));
        if (fileInItsPlace) {
            QFile blocker(folder);
            QVERIFY(blocker.open(QIODevice::WriteOnly));
            blocker.write("not a folder");
        }
        StagedWriter writer;
        QVERIFY(!writer.write(folder + QStringLiteral("/1001.htm"), "page"));
        QVERIFY(!StagedWriter::writeStraight(folder + QStringLiteral("/1001.htm"), "page"));
        QVERIFY(!StagedWriter::flushFolder(folder));
        QCOMPARE(everything(dir.path()), fileInItsPlace ? QStringList(QStringLiteral("out")) : QStringList());
    }

    void leftoversOfAnAbruptEndGoAndNothingElse()
    {
        QTemporaryDir dir;
        QDir root(dir.path());
        QVERIFY(root.mkpath(QStringLiteral(".pages-a1B2c3/deeper")));
        QVERIFY(QFile(dir.filePath(QStringLiteral(".pages-a1B2c3/1001.htm"))).open(QIODevice::WriteOnly));
        QVERIFY(root.mkdir(QStringLiteral("fonts")));
        QVERIFY(root.mkdir(QStringLiteral(".hidden")));
        QVERIFY(QFile(dir.filePath(QStringLiteral(".pages-file"))).open(QIODevice::WriteOnly));
        StagedWriter::removeLeftovers(dir.path());
        QCOMPARE(everything(dir.path()),
                 QStringList({QStringLiteral(".hidden"), QStringLiteral(".pages-file"), QStringLiteral("fonts")}));
        StagedWriter::removeLeftovers(dir.filePath(QStringLiteral("missing")));
    }

    void aConverterRunLeavesOnlyItsFiles()
    {
        QTemporaryDir dir;
        {
            yHtm converter;
            converter.setWorkFolderRun(true);
            QVERIFY(converter.writeWorkFile(dir.filePath(QStringLiteral("7.htm")), "seven"));
            QCOMPARE(everything(dir.path()).size(), 2); // the page and, while the run lasts, its own folder
            converter.setWorkFolderRun(false);
            QCOMPARE(everything(dir.path()), QStringList(QStringLiteral("7.htm")));
            // Outside a run the file is written straight.
            QVERIFY(converter.writeWorkFile(dir.filePath(QStringLiteral("8.htm")), "eight"));
        }
        QCOMPARE(everything(dir.path()), QStringList({QStringLiteral("7.htm"), QStringLiteral("8.htm")}));
        QCOMPARE(read(dir.filePath(QStringLiteral("7.htm"))), QByteArray("seven"));
    }
};

QTEST_GUILESS_MAIN(TestStagedWriter)
#include "tst_stagedwriter.moc"

#include "core/TemplateDb.h"
#include "core/zSvr.h"
#include "mainwin/fmDoc.h"
#include "support/ScriptedPrompt.h"
#include "support/TestHome.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestFmDoc : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { zSvr::st().D_Close(); }

    void opensTheDatabaseWhenShown()
    {
        TestHome home;
        ScriptedPrompt prompt;
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("見本 db.txdb"));
        QVERIFY(TemplateDb::install(dir.path() + QLatin1Char('/')));
        QVERIFY(QFile::copy(dir.filePath(QStringLiteral("Dbs/Moto.txdb")), path));

        fmDoc window;
        window.SetDBNo(path, 3);
        QVERIFY(!zSvr::st().isOpen());
        window.show();
        QVERIFY(zSvr::st().isOpen());
        QCOMPARE(window.dbPath(), path);
        QCOMPARE(window.startPage(), 3);
        QVERIFY(window.windowTitle().startsWith(QStringLiteral("見本 db.txdb")));
        QVERIFY(prompt.messages.isEmpty());
    }

    void aFileThatIsNotADatabaseLeavesNone()
    {
        TestHome home;
        ScriptedPrompt prompt;
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("broken.txdb"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("PK\x03\x04 not a database at all");
        file.close();

        fmDoc window;
        window.SetDBNo(path, 0);
        window.show();
        QVERIFY(!zSvr::st().isOpen());
        QVERIFY(window.dbPath().isEmpty());
        QVERIFY(!window.windowTitle().contains(QStringLiteral("broken")));
    }
};

QTEST_MAIN(TestFmDoc)
#include "tst_fmdoc.moc"

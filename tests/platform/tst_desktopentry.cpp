#include "platform/desktop/DesktopEntry.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {
QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
} // namespace

class TestDesktopEntry : public QObject
{
    Q_OBJECT
private slots:
    void execArgument_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("argument");
        QTest::newRow("plain") << "/usr/bin/fenwar" << "/usr/bin/fenwar";
        QTest::newRow("blank") << "/opt/my apps/fenwar" << "\"/opt/my apps/fenwar\"";
        QTest::newRow("dollar and quote") << "/opt/a$b\"c" << "\"/opt/a\\\\$b\\\\\"c\"";
        QTest::newRow("percent") << "/opt/100%/fenwar" << "\"/opt/100%%/fenwar\"";
        QTest::newRow("non-ASCII") << "/opt/文書/fenwar" << "\"/opt/文書/fenwar\"";
    }
    void execArgument()
    {
        QFETCH(QString, program);
        QFETCH(QString, argument);
        QCOMPARE(DesktopEntry::execArgument(program), argument);
    }

    void launcherWithAndWithoutType()
    {
        QTemporaryDir dir;
        const QString withType = dir.path() + QStringLiteral("/apps/a.desktop");
        QVERIFY(DesktopEntry::writeLauncher(withType, QStringLiteral("/usr/bin/fenwar"),
                                            QStringLiteral("application/x-txdb")));
        const QByteArray entry = readAll(withType);
        QVERIFY(entry.startsWith("[Desktop Entry]\n"));
        QVERIFY(entry.contains("\nType=Application\n"));
        QVERIFY(entry.contains("\nName=Fenwar\n"));
        QVERIFY(entry.contains("\nExec=/usr/bin/fenwar %f\n"));
        QVERIFY(entry.contains("\nMimeType=application/x-txdb;\n"));
        QVERIFY(!entry.contains('@'));

        const QString plain = dir.path() + QStringLiteral("/b.desktop");
        QVERIFY(DesktopEntry::writeLauncher(plain, QStringLiteral("/usr/bin/fenwar"), QString()));
        QVERIFY(!readAll(plain).contains("MimeType"));
    }

    void refusals()
    {
        QTemporaryDir dir;
        QVERIFY(!DesktopEntry::writeLauncher(dir.path() + QStringLiteral("/c.desktop"),
                                             QStringLiteral("/opt/a\nExec=rm"), QString()));
        QVERIFY(!QFile::exists(dir.path() + QStringLiteral("/c.desktop")));
        QFile blocker(dir.path() + QStringLiteral("/file"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QVERIFY(!DesktopEntry::writeMimeType(dir.path() + QStringLiteral("/file/x.xml"),
                                             QStringLiteral("application/x-txdb"), QStringLiteral("txdb")));
    }

    void mimeType()
    {
        QTemporaryDir dir;
        const QString file = dir.path() + QStringLiteral("/mime/packages/t.xml");
        QVERIFY(DesktopEntry::writeMimeType(file, QStringLiteral("application/x-txdb"), QStringLiteral("txdb")));
        const QByteArray xml = readAll(file);
        QVERIFY(xml.contains("<mime-type type=\"application/x-txdb\">"));
        QVERIFY(xml.contains("<glob pattern=\"*.txdb\"/>"));
        QVERIFY(xml.contains("Fenwar 文書ﾃﾞｰﾀｰﾍﾞｰｽ"));
    }
};

QTEST_APPLESS_MAIN(TestDesktopEntry)
#include "tst_desktopentry.moc"

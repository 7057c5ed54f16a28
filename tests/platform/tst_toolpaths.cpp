#include "platform/desktop/ToolPaths.h"

#include <QtTest>

namespace {
const QString app = QStringLiteral("QuenlithTools");
const QString sec = QStringLiteral("Path");
}

class TestToolPaths : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;

private slots:
    void init()
    {
        QFile::remove(m_dir.filePath("nested/ToolPaths.ini"));
        ToolPaths::setStoreFile(m_dir.filePath("nested/ToolPaths.ini"));
    }
    void cleanupTestCase() { ToolPaths::setStoreFile(QString()); }

    void defaultStoreIsUnderTheUsersConfig()
    {
        QStandardPaths::setTestModeEnabled(true);
        ToolPaths::setStoreFile(QString());
        const QString expected = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
                                 + "/Quenlith/ToolPaths.ini";
        QCOMPARE(ToolPaths::storeFile(), expected);
    }

    void roundTrip_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::newRow("program") << "Fenwar" << "/opt/my tools/Fenwar";
        QTest::newRow("japanese key and path") << "画像ツール" << "/home/利用者/ツール 置き場/ｶﾞｿﾞｳ";
        QTest::newRow("blank in key") << "My Tool" << "/a b/c d";
        QTest::newRow("ini special characters") << "FFFTP" << "/x=y;z #w \"q\" 'r' ?";
        QTest::newRow("empty value") << "Velmora" << "";
    }
    void roundTrip()
    {
        QFETCH(QString, key);
        QFETCH(QString, value);
        QVERIFY(ToolPaths::setValue(app, sec, key, value));
        QVERIFY(QFile::exists(ToolPaths::storeFile()));
        QCOMPARE(ToolPaths::value(app, sec, key, "default"), value);
    }

    void missingValuesGiveTheDefault()
    {
        QCOMPARE(ToolPaths::value(app, sec, "Nothing", "def"), QStringLiteral("def"));
        QCOMPARE(ToolPaths::value(app, sec, "Nothing"), QString());
        QVERIFY(ToolPaths::setValue(app, sec, "Tindrel", "/t"));
        QCOMPARE(ToolPaths::value(app, "Other", "Tindrel", "def"), QStringLiteral("def"));
        QCOMPARE(ToolPaths::value("OtherApp", sec, "Tindrel", "def"), QStringLiteral("def"));
    }

    void namesIgnoreCase()
    {
        QVERIFY(ToolPaths::setValue(app, sec, "Oskaryn", "/old"));
        QCOMPARE(ToolPaths::value(app, sec, "OSKARYN"), QStringLiteral("/old"));
        QVERIFY(ToolPaths::setValue(app, sec, "oskaryn", "/new"));
        QCOMPARE(ToolPaths::value(app, sec, "Oskaryn"), QStringLiteral("/new"));
        QSettings raw(ToolPaths::storeFile(), QSettings::IniFormat);
        raw.beginGroup(app + "/" + sec);
        QCOMPARE(raw.childKeys(), QStringList{"Oskaryn"});
    }

    void otherValuesSurviveAWrite()
    {
        QVERIFY(ToolPaths::setValue(app, sec, "Lovisart", "/l"));
        QVERIFY(ToolPaths::setValue(app, sec, "Dremfal", "/d"));
        QCOMPARE(ToolPaths::value(app, sec, "Lovisart"), QStringLiteral("/l"));
        QCOMPARE(ToolPaths::value(app, sec, "Dremfal"), QStringLiteral("/d"));
    }

    void unwritableStoreFails()
    {
        // A folder that would have to live under a plain file cannot be made, even by root.
        QFile plain(m_dir.filePath("plain"));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        ToolPaths::setStoreFile(m_dir.filePath("plain/sub/ToolPaths.ini"));
        QVERIFY(!ToolPaths::setValue(app, sec, "Fenwar", "/x"));
        QCOMPARE(ToolPaths::value(app, sec, "Fenwar", "def"), QStringLiteral("def"));
    }

    void emptyKeyIsRefused()
    {
        QVERIFY(!ToolPaths::setValue(app, sec, QString(), "/x"));
        QCOMPARE(ToolPaths::value(app, sec, QString(), "def"), QStringLiteral("def"));
    }
};

QTEST_MAIN(TestToolPaths)
#include "tst_toolpaths.moc"

#include "core/Frmt.h"
#include "core/TemplateDb.h"
#include "core/Usr.h"
#include "core/yIni.h"
#include "core/zSvr.h"
#include "platform/text/SystemCodec.h"
#include "support/ScriptedPrompt.h"

#include <QCloseEvent>
#include <QFile>
#include <QStandardPaths>
#include <QWidget>
#include <QtTest>

namespace {

// A window that stores its settings group while it closes, as several of the
// program's windows do.
class SettingsWindow : public QWidget
{
public:
    QString group;
    bool *closedFlag = nullptr;
    bool endsProgram = false;   // like the main window, whose closing ends the program

protected:
    void closeEvent(QCloseEvent *event) override
    {
        if (endsProgram)
            Frmt::AppEnd();
        yIni &ini = yIni::instance();
        ini.GetGtx(group);
        ini.SetVal(QStringLiteral("Left"), 100);
        ini.SetGtx();
        if (closedFlag)
            *closedFlag = true;
        QWidget::closeEvent(event);
    }
};

} // namespace

// The formats, the publication home and the tear-down against a real database.
class TestFrmtDb : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
    }

    void init()
    {
        m_dir = new QTemporaryDir;
        m_prompt = new ScriptedPrompt;
        m_path = m_dir->filePath(QStringLiteral("Formats.txdb"));
        QVERIFY(TemplateDb::create(m_path));
        QVERIFY(yIni::instance().GetTxt(m_dir->filePath(QStringLiteral("User.xml"))));
        QVERIFY(zSvr::instance().D_StDcDb(m_path));
        Frmt::st().homeKind = 0;
    }

    void cleanup()
    {
        zSvr::release();
        yIni::release();
        delete m_prompt;
        delete m_dir;
    }

    void templateHoldsTheDefaults()
    {
        QCOMPARE(dmFmt(), Frmt::DefaultDmFmt());
        for (int i = 0; i < 8; ++i)
            QCOMPARE(Frmt::st().usrFmt[i], Frmt::DefaultFmt(i));
        QCOMPARE(Frmt::st().lineFactor, 1.2f);
        QVERIFY(Frmt::st().usrDtp);
        QVERIFY(Frmt::st().usrEntShift);
    }

    void saveAndLoadAgain()
    {
        Frmt::st().usrFmt[0].fontName = QStringLiteral("Joe's \"Mincho\" ?");
        Frmt::st().usrFmt[3].fontSize = 11;
        Frmt::st().lineFactor = 1.5f;
        Frmt::st().usrEntShift = false;
        const FrmtState saved = Frmt::st();
        Frmt::SaveFmt();
        QVERIFY(m_prompt->messages.isEmpty());
        QVERIFY(dmFmt().contains(QStringLiteral("Joe's \"Mincho\" ?|14|")));
        // The options go to User.xml.
        QVERIFY(yIni::instance().SetTxt());
        const QString xml = fileText(m_dir->filePath(QStringLiteral("User.xml")));
        QVERIFY(xml.contains(QStringLiteral("<USR_DTP>True</USR_DTP>")));
        QVERIFY(xml.contains(QStringLiteral("<USR_ENT_SHIFT>False</USR_ENT_SHIFT>")));

        Frmt::st() = FrmtState();
        QVERIFY(zSvr::instance().D_StDcDb(m_path));
        QCOMPARE(Frmt::st().usrFmt, saved.usrFmt);
        QCOMPARE(Frmt::st().lineFactor, 1.5f);
        QVERIFY(Frmt::st().usrDtp);
        QVERIFY(!Frmt::st().usrEntShift);
    }

    void damagedStoredText_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::newRow("null") << QVariant();
        QTest::newRow("empty") << QVariant(QString());
        QTest::newRow("garbage") << QVariant(QStringLiteral("<USR_FORMAT_0>|||</USR_FORMAT_0><USR_LSP>9"));
        QTest::newRow("bytes") << QVariant(QByteArray("\xff\xfe\x00<USR_LSP>", 12));
    }

    void damagedStoredText()
    {
        QFETCH(QVariant, stored);
        QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Update kaUsr Set DmFmt=?"), {stored}));
        Frmt::st().usrFmt[0].fontName = QStringLiteral("previous");
        QVERIFY(zSvr::instance().D_StDcDb(m_path));
        QCOMPARE(Frmt::st().usrFmt[0], Frmt::DefaultFmt(0));
        QCOMPARE(Frmt::st().lineFactor, 1.2f);
    }

    void missingSettings()
    {
        Frmt::st().homeKind = 2;
        QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Delete From kaUsr")));
        QVERIFY(Frmt::LoadFmt());
        QCOMPARE(Frmt::st().usrFmt[7], Frmt::DefaultFmt(7));
        Frmt::LoadHome();
        QCOMPARE(Frmt::st().homeKind, 2);         // kept, as the read assigned nothing
        QCOMPARE(Frmt::st().homeAddress, QString());
        QCOMPARE(Frmt::st().htmList, QString());
        QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Drop Table kaUsr")));
        QVERIFY(!Frmt::LoadFmt());
    }

    void readOnlySaveKeepsOptions()
    {
        zSvr::instance().D_Close();
        QFile::setPermissions(m_path, QFile::ReadOwner);
        QVERIFY(zSvr::instance().D_StDcDb(m_path));
        Frmt::st().usrFmt[1].fontSize = 30;
        Frmt::st().usrDtp = false;
        Frmt::SaveFmt();
        QCOMPARE(m_prompt->messages, QStringList{zSvr::readOnlyMessage()});
        QCOMPARE(dmFmt(), Frmt::DefaultDmFmt());
        yIni::instance().GetGtx(QStringLiteral("TX_FORMAT"));
        QCOMPARE(yIni::instance().vGtVal(QStringLiteral("USR_DTP"), true).toBool(), false);
        QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner);
    }

    void home_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("home1");
        QTest::addColumn<QString>("home2");
        QTest::addColumn<QString>("topName");
        QTest::addColumn<bool>("withTree");
        QTest::addColumn<bool>("homeOnly");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("list");
        QTest::newRow("none") << 0 << "http://a.jp" << "http://b.jp" << "top.htm" << true << false << "" << "";
        QTest::newRow("first page named")
            << 1 << "http://a.jp" << "" << "top.htm" << true << false << "http://a.jp/" << "1002\ttop.htm\r";
        QTest::newRow("no top name") << 1 << "http://a.jp/" << "" << "" << true << false << "http://a.jp/" << "";
        QTest::newRow("empty tree") << 1 << "http://a.jp" << "" << "top.htm" << false << false << "http://a.jp/" << "";
        QTest::newRow("home only") << 1 << "http://a.jp" << "" << "top.htm" << true << true << "http://a.jp/" << "";
        QTest::newRow("empty address") << 1 << "" << "" << "" << true << false << "" << "";
        QTest::newRow("site names")
            << 2 << "" << "https://b.jp/s/" << "" << true << false << "https://b.jp/s/"
            << "1001\t../index.html\r1003\tO'Hara?.html\r";
        QTest::newRow("site, home only") << 2 << "" << "https://b.jp" << "" << true << true << "https://b.jp/" << "";
        QTest::newRow("unknown kind") << 7 << "http://a.jp" << "http://b.jp" << "x" << true << false << "" << "";
        // A stored address that is not a web address is not used (someone else's database may hold it).
        QTest::newRow("script address")
            << 1 << "javascript:alert('http')//" << "" << "top.htm" << true << false << "" << "1002\ttop.htm\r";
        QTest::newRow("data address") << 2 << "" << "data:text/html,http://x/" << "" << true << true << "" << "";
        QTest::newRow("relative address") << 1 << "www.a.jp/http" << "" << "" << true << false << "" << "";
        QTest::newRow("query in address") << 1 << "http://a.jp/?p=" << "" << "" << true << false << "" << "";
        QTest::newRow("fragment in address") << 2 << "" << "https://b.jp/s#" << "" << true << true << "" << "";
        QTest::newRow("quote in address") << 1 << "http://a.jp/\"q" << "" << "" << true << false << "http://a.jp/\"q/" << "";
    }

    void home()
    {
        QFETCH(int, kind);
        QFETCH(QString, home1);
        QFETCH(QString, home2);
        QFETCH(QString, topName);
        QFETCH(bool, withTree);
        QFETCH(bool, homeOnly);
        zSvr &db = zSvr::instance();
        QVERIFY(db.D_ExeSq(QStringLiteral("Update kaUsr Set HiHome=?, HsHome1='?', HsHome2='?', HsTopNm='?'"),
                           {kind, home1, home2, topName}));
        if (withTree) {
            db.D_ExeSq(QStringLiteral("Insert Into tbTree (noLfP, noLfC, inSrt) Values (0, 1001, 2), (0, 1002, 1),"
                                      " (1002, 1003, 0)"));
        }
        db.D_ExeSq(QStringLiteral("Insert Into tbHtm (noDoc, saFnm, boRoot) Values (1003, 'O''Hara?.html', 0),"
                                  " (1001, 'index.html', 1), (1002, '', 1), (1004, Null, 0)"));
        Frmt::st().homeAddress = QStringLiteral("http://previous/");
        Frmt::st().htmList = QStringLiteral("1\told\r");
        Frmt::LoadHome(homeOnly);
        QCOMPARE(Frmt::st().homeKind, kind);
        QTEST(Frmt::st().homeAddress, "address");
        QTEST(Frmt::st().htmList, "list");
    }

    void tearDownWritesWhatWindowsStoreOnClose()
    {
        const QString xmlPath = m_dir->filePath(QStringLiteral("User.xml"));
        bool shownClosed = false, hiddenClosed = false;
        auto *shown = new SettingsWindow;
        shown->group = QStringLiteral("位置SUB");
        shown->closedFlag = &shownClosed;
        shown->setAttribute(Qt::WA_DeleteOnClose);
        shown->show();
        SettingsWindow hidden;   // loaded but not shown
        hidden.group = QStringLiteral("REV_位置");
        hidden.closedFlag = &hiddenClosed;
        hidden.endsProgram = true;

        Frmt::AppEnd();

        QVERIFY(shownClosed);
        QVERIFY(hiddenClosed);
        const QString xml = fileText(xmlPath);
        QVERIFY2(xml.contains(QStringLiteral("<位置SUB>")), qPrintable(xml));
        QVERIFY(xml.contains(QStringLiteral("<REV_位置>")));
        QVERIFY(xml.contains(QStringLiteral("<Left>100</Left>")));
        QVERIFY(zSvr::instance().sSvr.isEmpty());        // the database is closed
        QVERIFY(yIni::instance().filePath().isEmpty()); // the store was released
    }

private:
    QString dmFmt()
    {
        return zSvr::instance().R_GtVaL(QStringLiteral("Select DmFmt From kaUsr"), QString()).toString();
    }
    static QString fileText(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? SystemCodec::toUnicode(file.readAll()) : QString();
    }

    QTemporaryDir *m_dir = nullptr;
    ScriptedPrompt *m_prompt = nullptr;
    QString m_path;
};

QTEST_MAIN(TestFrmtDb)
#include "tst_frmtdb.moc"

#include "core/Usr.h"
#include "core/sbWait.h"
#include "core/yIni.h"
#include "platform/text/SystemCodec.h"
#include "platform/desktop/ToolPaths.h"
#include "support/RecordingLauncher.h"
#include "support/ScriptedPrompt.h"
#include "support/TestHome.h"

#include <QDir>
#include <QWidget>
#include <QtTest>

#include <limits>
#include <memory>

namespace {

// A main window that only records what start-up hands it.
class FakeMainWindow : public MainWindowHost
{
public:
    QWidget window;
    QStringList calls;
    bool busyWhenCreated = false;

    QWidget *widget() override { return &window; }
    void SetDBNo(const QString &path, int pageNo) override
    {
        calls << path + QLatin1Char('|') + QString::number(pageNo);
    }
};

FakeMainWindow *lastCreated = nullptr;

MainWindowHost *createFake()
{
    lastCreated = new FakeMainWindow;
    lastCreated->busyWhenCreated = Usr::st().busy;
    return lastCreated;
}

} // namespace

class TestUsr : public QObject
{
    Q_OBJECT

    TestHome *m_home = nullptr;

    void setWorkArea(int left, int top, int width, int height)
    {
        Usr::State &state = Usr::st();
        state.waLeft = left;
        state.waTop = top;
        state.waWidth = width;
        state.waHeight = height;
    }

private slots:
    void initTestCase()
    {
        m_home = new TestHome;
        QVERIFY(m_home->isValid());
        ToolPaths::setStoreFile(m_home->path() + QStringLiteral("/ToolPaths.ini"));
    }
    void cleanupTestCase() { delete m_home; }

    void splitCommandLine_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("pageNo");
        QTest::newRow("empty") << "" << "" << 0;
        QTest::newRow("quoted path with blank and page") << "\"/tmp/my docs/a.txdb\" 12" << "/tmp/my docs/a.txdb" << 12;
        QTest::newRow("unquoted path and page") << "/tmp/a.txdb 7" << "/tmp/a.txdb" << 7;
        QTest::newRow("unquoted path with blank") << "/tmp/my docs/a.txdb" << "/tmp/my" << 0;
        QTest::newRow("quoted path alone") << "\"/tmp/a b.txdb\"" << "/tmp/a b.txdb" << 0;
        QTest::newRow("digits then letters") << "\"/tmp/a.txdb\" 12abc" << "/tmp/a.txdb" << 12;
        QTest::newRow("letters only") << "/tmp/a.txdb abc" << "/tmp/a.txdb" << 0;
        QTest::newRow("blanks around the rest") << "\"/tmp/a.txdb\"    5   " << "/tmp/a.txdb" << 5;
        QTest::newRow("blanks inside quotes trimmed") << "\"  /tmp/a.txdb \" 3" << "/tmp/a.txdb" << 3;
        QTest::newRow("path alone") << "/tmp/a.txdb" << "/tmp/a.txdb" << 0;
        QTest::newRow("page rounds half to even") << "/tmp/a.txdb 2.5" << "/tmp/a.txdb" << 2;
        QTest::newRow("huge page is clamped") << "/tmp/a.txdb 99999999999" << "/tmp/a.txdb"
                                              << std::numeric_limits<int>::max();
        QTest::newRow("non-ASCII path") << "\"/tmp/文書 データ.txdb\" 4" << "/tmp/文書 データ.txdb" << 4;
        QTest::newRow("stray quote inside") << "\"/tmp/a\"b.txdb\" 9" << "/tmp/ab.txdb" << 9;
    }
    void splitCommandLine()
    {
        QFETCH(QString, text);
        QFETCH(QString, path);
        QFETCH(int, pageNo);
        QString gotPath = QStringLiteral("stale");
        int gotPage = -1;
        Usr::SplitCommandLine(text, gotPath, gotPage);
        QCOMPARE(gotPath, path);
        QCOMPARE(gotPage, pageNo);
    }

    // Linux hands the arguments over one by one; joined they must split back.
    void argumentsSurviveTheSplit_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("pageNo");
        QTest::newRow("none") << QStringList() << "" << 0;
        QTest::newRow("path with blanks") << QStringList({"/tmp/a b/c d.txdb"}) << "/tmp/a b/c d.txdb" << 0;
        QTest::newRow("path with blanks and page") << QStringList({"/tmp/a b.txdb", "12"}) << "/tmp/a b.txdb" << 12;
        QTest::newRow("plain path and page") << QStringList({"/tmp/x.txdb", "7"}) << "/tmp/x.txdb" << 7;
    }
    void argumentsSurviveTheSplit()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, path);
        QFETCH(int, pageNo);
        QString gotPath;
        int gotPage = -1;
        Usr::SplitCommandLine(Usr::CommandLineText(arguments), gotPath, gotPage);
        QCOMPARE(gotPath, path);
        QCOMPARE(gotPage, pageNo);
    }

    void baseName_data()
    {
        QTest::addColumn<QString>("programPath");
        QTest::addColumn<QString>("baseName");
        QTest::newRow("plain") << "/opt/q/fenwar" << "fenwar";
        QTest::newRow("_DV in capitals") << "/opt/q/Fenwar_DV" << "Fenwar";
        QTest::newRow("_dv with extension") << "/opt/q/fenwar_dv.exe" << "fenwar";
        QTest::newRow("_Dv mixed") << "/opt/q/fenwar_Dv" << "fenwar";
        QTest::newRow("dv inside the name") << "/opt/q/fen_dvwar" << "fen_dvwar";
        QTest::newRow("only _dv") << "/opt/q/_dv" << "";
    }
    void baseName()
    {
        QFETCH(QString, programPath);
        QFETCH(QString, baseName);
        QCOMPARE(Usr::ProgramBaseName(programPath), baseName);
    }

    void fitWorkArea_data()
    {
        QTest::addColumn<QList<int>>("area");   // left, top, width, height
        QTest::addColumn<QList<int>>("window");
        QTest::addColumn<QList<int>>("fitted");
        const QList<int> screen{0, 0, 19200, 14400};
        QTest::newRow("inside stays") << screen << QList<int>{600, 600, 9000, 6000} << QList<int>{600, 600, 9000, 6000};
        QTest::newRow("left -300 moves to the left edge")
            << screen << QList<int>{-300, 600, 9000, 6000} << QList<int>{0, 600, 9000, 6000};
        QTest::newRow("wider than the area")
            << screen << QList<int>{1200, 0, 30000, 6000} << QList<int>{0, 0, 19200, 6000};
        QTest::newRow("off the right edge moves to the left")
            << screen << QList<int>{15000, 0, 9000, 6000} << QList<int>{0, 0, 9000, 6000};
        QTest::newRow("taller than the area")
            << screen << QList<int>{0, 900, 6000, 20000} << QList<int>{0, 0, 6000, 14400};
        const QList<int> taskbarLeft{900, 0, 18300, 14400};
        QTest::newRow("taskbar at the left, right edge inside")
            << taskbarLeft << QList<int>{3000, 300, 12000, 9000} << QList<int>{3000, 300, 12000, 9000};
        QTest::newRow("taskbar at the left, window under it")
            << taskbarLeft << QList<int>{0, 300, 12000, 9000} << QList<int>{900, 300, 12000, 9000};
        QTest::newRow("hand-edited huge values do not overflow")
            << screen << QList<int>{std::numeric_limits<int>::max(), 0, std::numeric_limits<int>::max(), 100}
            << QList<int>{0, 0, 19200, 100};
    }
    void fitWorkArea()
    {
        QFETCH(QList<int>, area);
        QFETCH(QList<int>, window);
        QFETCH(QList<int>, fitted);
        setWorkArea(area[0], area[1], area[2], area[3]);
        int left = window[0], top = window[1], width = window[2], height = window[3];
        Usr::W_FitWa(left, top, width, height);
        QCOMPARE((QList<int>{left, top, width, height}), fitted);
    }

    void associationRegistersTypeAndEntry()
    {
        ScriptedPrompt prompt;
        RecordingLauncher launcher;
        const QString program = m_home->path() + QStringLiteral("/my bin/fenwar");
        QVERIFY(QDir().mkpath(m_home->path() + QStringLiteral("/my bin")));
        QVERIFY(TestHome::write(program, "#!/bin/sh\n"));
        QVERIFY(Usr::W_SetExt(QStringLiteral("txdbfile"), program, QStringLiteral("txdb")));
        QCOMPARE(prompt.messages, QStringList());

        const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
        const QString apps = QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation);
        const QByteArray mime = TestHome::readAll(data + QStringLiteral("/mime/packages/txdbfile.xml"));
        QVERIFY(mime.contains("type=\"application/x-txdb\""));
        QVERIFY(mime.contains("<glob pattern=\"*.txdb\"/>"));
        const QByteArray entry = TestHome::readAll(apps + QStringLiteral("/txdbfile.desktop"));
        QVERIFY(entry.contains("\nExec=\"" + program.toUtf8() + "\" %f\n"));
        QVERIFY(entry.contains("\nMimeType=application/x-txdb;\n"));

        QStringList programs;
        for (const RecordingLauncher::Call &call : launcher.calls)
            programs << call.program;
        QVERIFY(programs.contains(QStringLiteral("update-mime-database")));
        const int xdgMime = programs.indexOf(QStringLiteral("xdg-mime"));
        QVERIFY(xdgMime >= 0);
        QCOMPARE(launcher.calls.at(xdgMime).arguments,
                 QStringList({"default", "txdbfile.desktop", "application/x-txdb"}));
    }

    void associationFailureIsReported()
    {
        ScriptedPrompt prompt;
        RecordingLauncher launcher;
        const QString missing = m_home->path() + QStringLiteral("/no/fenwar");
        QVERIFY(!Usr::W_SetExt(QStringLiteral("txdbfile"), missing, QStringLiteral("txdb")));
        QCOMPARE(prompt.messages, QStringList(missing + QStringLiteral(" Not Found")));
        QVERIFY(launcher.calls.isEmpty());
        prompt.messages.clear();
        launcher.runResult = 1;
        const QString program = m_home->path() + QStringLiteral("/fenwar");
        QVERIFY(TestHome::write(program, "#!/bin/sh\n"));
        QVERIFY(!Usr::W_SetExt(QStringLiteral("txdbfile"), program, QStringLiteral("txdb")));
        QCOMPARE(prompt.messages,
                 QStringList(QStringLiteral("拡張子(*.txdb)の関連付けできませんでした\n"
                                            "OS がVista以降で UACを有効にしている場合は、管理者として実行して下さい")));
        prompt.messages.clear();
        launcher.runResult = 0;
        QVERIFY(!Usr::W_SetExt(QStringLiteral("../evil"), program, QStringLiteral("txdb")));
        QCOMPARE(prompt.messages.size(), 1);
    }

    void mainStartsTheProgram_data()
    {
        QTest::addColumn<QString>("database"); // relative to the test home; empty = none given
        QTest::addColumn<bool>("exists");
        QTest::addColumn<QString>("page");
        QTest::addColumn<int>("pageNo");
        QTest::newRow("no arguments") << "" << false << "" << 0;
        QTest::newRow("existing file with blanks and page") << "Dbs dir/文書 1.txdb" << true << "12" << 12;
        QTest::newRow("missing file is dropped") << "gone.txdb" << false << "3" << 3;
        QTest::newRow("folder is no file") << "Dbs dir" << true << "" << 0;
        QTest::newRow("relative path is made absolute") << "./rel.txdb" << true << "" << 0;
    }
    void mainStartsTheProgram()
    {
        QFETCH(QString, database);
        QFETCH(bool, exists);
        QFETCH(QString, page);
        QFETCH(int, pageNo);
        ScriptedPrompt prompt;
        yIni::release();
        const QString root = m_home->path() + QStringLiteral("/start");
        const QString userData = root + QStringLiteral("/user data");
        QVERIFY(QDir().mkpath(root + QStringLiteral("/bin")));
        QVERIFY(QDir().mkpath(userData));
        QVERIFY(QDir().mkpath(root + QStringLiteral("/Dbs dir")));
        QVERIFY(TestHome::write(root + QStringLiteral("/bin/UserData.ini"), SystemCodec::fromUnicode(userData)));
        QStringList arguments;
        const QString absolute = root + QLatin1Char('/') + database;
        if (!database.isEmpty()) {
            arguments << (database.startsWith(QLatin1Char('.')) ? database : absolute);
            if (exists && !QFileInfo(absolute).isDir())
                QVERIFY(TestHome::write(absolute, "db"));
        }
        QVERIFY(QDir::setCurrent(root));
        if (!page.isEmpty())
            arguments << page;

        std::unique_ptr<MainWindowHost> host(Usr::Main(createFake, arguments, root + QStringLiteral("/bin/fenwar_dv")));
        QVERIFY(host.get() == lastCreated);
        const Usr::State &state = Usr::st();
        const QString handed = exists && !QFileInfo(absolute).isDir() ? QDir::cleanPath(absolute) : QString();
        QCOMPARE(lastCreated->calls, QStringList(handed + QLatin1Char('|') + QString::number(pageNo)));
        QVERIFY(lastCreated->window.isVisible());
        QCOMPARE(state.mainWindow, &lastCreated->window);
        QCOMPARE(state.baseName, QStringLiteral("fenwar"));
        QCOMPARE(state.userData, userData + QLatin1Char('/'));
        QCOMPARE(state.workFolder, userData + QStringLiteral("/Wrk/"));
        QVERIFY(QFileInfo(userData + QStringLiteral("/Wrk")).isDir());
        QVERIFY(QFileInfo(userData + QStringLiteral("/Dbs")).isDir());
        QVERIFY(QFileInfo(userData + QStringLiteral("/Dbs/Moto.txdb")).isFile());
        QVERIFY(QFileInfo(userData + QStringLiteral("/User.xml")).isFile());
        QCOMPARE(yIni::instance().filePath(), userData + QStringLiteral("/User.xml"));
        QVERIFY(state.runTime);
        QVERIFY(lastCreated->busyWhenCreated);
        QVERIFY(!state.busy);
        QVERIFY(!sbWait::isShown());
        QVERIFY(state.waWidth > 0);
        QCOMPARE(prompt.messages, QStringList());
        Usr::st().mainWindow = nullptr;
    }
};

QTEST_MAIN(TestUsr)
#include "tst_usr.moc"

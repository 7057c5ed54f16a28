#include "core/Usr.h"
#include "core/zClt.h"
#include "support/RecordingLauncher.h"
#include "support/ScriptedPrompt.h"

#include <QAction>
#include <QLineEdit>
#include <QtTest>

namespace {

QByteArray bytesOf(const QString &file)
{
    QFile in(file);
    return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray("<missing>");
}

void put(const QString &file, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(file).absolutePath());
    QFile out(file);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(bytes);
}

class KeyCounter : public QObject
{
public:
    QList<QKeyCombination> presses;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress)
            presses << static_cast<QKeyEvent *>(event)->keyCombination();
        return false;
    }
};

} // namespace

class TestZCltFiles : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_tmp;
    QString m_dir; // fresh per test, with a blank and Japanese in its name
    zClt &z = zClt::instance();

    QString path(const QString &name) const { return m_dir + QLatin1Char('/') + name; }

private slots:
    void init()
    {
        static int n = 0;
        m_dir = m_tmp.filePath(QStringLiteral("作業 %1").arg(++n));
        QVERIFY(QDir().mkpath(m_dir));
    }

    // ---------------------------------------------------------- UTF-8 files

    void utf8WrittenWithBom()
    {
        const QString text = QStringLiteral("<p>頁 ﾃｽﾄ</p>\r\nline\nend\r");
        QVERIFY(z.F_StUtf(path("a.htm"), text));
        QCOMPARE(bytesOf(path("a.htm")), QByteArray("\xEF\xBB\xBF") + text.toUtf8());
        ScriptedPrompt prompt;
        QCOMPARE(z.FsGtUtf(path("a.htm")), text);
        QVERIFY(prompt.messages.isEmpty());
    }

    void utf8ReplacesALongerFile()
    {
        put(path("a.htm"), QByteArray(5000, 'x'));
        QVERIFY(z.F_StUtf(path("a.htm"), "ab"));
        QCOMPARE(bytesOf(path("a.htm")), QByteArray("\xEF\xBB\xBF" "ab"));
    }

    void utf8ReadWithoutBom_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("no BOM") << QByteArray("\xE6\x97\xA5 x") << QStringLiteral("日 x");
        QTest::newRow("BOM only") << QByteArray("\xEF\xBB\xBF") << QString();
        QTest::newRow("empty file") << QByteArray() << QString();
        QTest::newRow("second BOM is text") << QByteArray("\xEF\xBB\xBF\xEF\xBB\xBF" "a") << QStringLiteral("\uFEFFa");
        QTest::newRow("damaged bytes") << QByteArray("a\xFF\xC3" "b") << QStringLiteral("a\uFFFD\uFFFDb");
    }
    void utf8ReadWithoutBom()
    {
        QFETCH(QByteArray, bytes);
        put(path("b.txt"), bytes);
        ScriptedPrompt prompt;
        QTEST(z.FsGtUtf(path("b.txt")), "text");
        QVERIFY(prompt.messages.isEmpty());
    }

    void utf8UnreadableIsReported_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("missing") << "none.htm";
        QTest::newRow("folder") << "";
    }
    void utf8UnreadableIsReported()
    {
        QFETCH(QString, name);
        ScriptedPrompt prompt;
        const QString file = path(name);
        QCOMPARE(z.FsGtUtf(file), QString());
        QCOMPARE(prompt.messages, QStringList{file + QStringLiteral(" を開けませんでした")});
    }

    void utf8WritesNothingWhereItShouldNot()
    {
        QVERIFY(z.F_StUtf(path("new.htm"), QString()));
        QVERIFY(!QFile::exists(path("new.htm")));
        put(path("old.htm"), "keep");
        QVERIFY(z.F_StUtf(path("old.htm"), QString()));
        QCOMPARE(bytesOf(path("old.htm")), QByteArray("keep"));
        put(path("plain"), "x");
        QVERIFY(!z.F_StUtf(path("plain/a.htm"), "text"));
        QVERIFY(!z.F_StUtf(path("no folder/a.htm"), "text"));
    }

    void readOnlyFolderKeepsTheOldFile()
    {
        put(path("ro/page.htm"), "old");
        QFile::setPermissions(path("ro"), QFile::ReadOwner | QFile::ExeOwner);
        const bool enforced = !QFileInfo(path("ro")).isWritable();
        const bool written = z.F_StUtf(path("ro/page.htm"), "new");
        const bool textWritten = z.F_StTxtFL(path("ro/new.txt"), "x", false);
        QFile::setPermissions(path("ro"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (!enforced)
            QSKIP("permissions are not enforced for this user (root)");
        QVERIFY(!written);
        QVERIFY(!textWritten);
        QCOMPARE(bytesOf(path("ro/page.htm")), QByteArray("old"));
    }

    // ---------------------------------------------------------- system code page

    void codePageWriteAndAppend()
    {
        QVERIFY(z.F_StTxtFL(path("t.csv"), QStringLiteral("運用,ﾃｽﾄ\r\n"), true)); // appending creates the file
        QCOMPARE(bytesOf(path("t.csv")), QByteArray("\x89\x5E\x97\x70,\xC3\xBD\xC4\r\n"));
        QVERIFY(z.F_StTxtFL(path("t.csv"), QStringLiteral("a'?\"b"), true));
        QCOMPARE(bytesOf(path("t.csv")), QByteArray("\x89\x5E\x97\x70,\xC3\xBD\xC4\r\na'?\"b"));
        QCOMPARE(z.FsGtText(path("t.csv")), QStringLiteral("運用,ﾃｽﾄ\r\na'?\"b"));
        QVERIFY(z.F_StTxtFL(path("t.csv"), QStringLiteral("a😀b"), false));
        QCOMPARE(bytesOf(path("t.csv")), QByteArray("a?b")); // unencodable characters become "?"
    }

    void codePageMissingAndBroken()
    {
        bool ok = false;
        QCOMPARE(z.FsGtText(path("none.txt"), &ok), QString());
        QVERIFY(ok);
        QCOMPARE(z.FsGtText(m_dir), QString());
        put(path("bad.txt"), QByteArray("a\x81"));
        QVERIFY(z.FsGtText(path("bad.txt")).startsWith(QLatin1Char('a')));
        put(path("plain"), "x");
        QVERIFY(!z.F_StTxtFL(path("plain/t.txt"), "x", false));
        QVERIFY(!z.F_StTxtFL(path("plain/t.txt"), "x", true));
    }

    // ---------------------------------------------------------- existence

    void fileExists_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("pattern");
        QTest::addColumn<bool>("exists");
        QTest::newRow("plain file") << "pics/a.png" << false << true;
        QTest::newRow("missing file") << "pics/b.png" << false << false;
        QTest::newRow("folder is no file") << "pics" << false << false;
        QTest::newRow("pattern with flag") << "pics/*.png" << true << true;
        QTest::newRow("pattern without flag") << "pics/*.png" << false << false;
        QTest::newRow("question mark") << "pics/?.png" << true << true;
        QTest::newRow("any letter case") << "pics/*.PNG" << true << true;
        QTest::newRow("no match") << "pics/*.gif" << true << false;
        QTest::newRow("hidden files do not count") << "pics/*.jpg" << true << false;
        QTest::newRow("folders do not count") << "pics/*.bmp" << true << false;
        QTest::newRow("pattern in a missing folder") << "none/*.png" << true << false;
        QTest::newRow("flag without wildcard") << "pics/a.png" << true << true;
    }
    void fileExists()
    {
        QFETCH(QString, name);
        QFETCH(bool, pattern);
        put(path("pics/a.png"), "x");
        put(path("pics/.h.jpg"), "x");
        QDir().mkpath(path("pics/d.bmp"));
        QTEST(z.FbExFile(path(name), pattern), "exists");
    }

    void emptyPathsDoNotExist()
    {
        QVERIFY(!z.FbExFile(QString()));
        QVERIFY(!z.FbExFile(QString(), true));
        QVERIFY(!z.FbExFolder(QString()));
        QVERIFY(z.FbExFolder(m_dir));
        QVERIFY(z.FbExFolder(m_dir + "/"));
        put(path("f"), "x");
        QVERIFY(!z.FbExFolder(path("f")));
    }

    // ---------------------------------------------------------- folders

    void createNestedFolders_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("three missing levels") << "one/two/three/four/five";
        QTest::newRow("trailing slash") << "one/two/x/";
        QTest::newRow("blanks and japanese") << "one/サイト 出力/ページ 1";
        QTest::newRow("existing") << "one";
    }
    void createNestedFolders()
    {
        QFETCH(QString, name);
        QVERIFY(QDir().mkpath(path("one/two")));
        put(path("one/two/keep.txt"), "k");
        QVERIFY(z.F_CreateFld(path(name)));
        QVERIFY(QFileInfo(path(name)).isDir());
        QCOMPARE(bytesOf(path("one/two/keep.txt")), QByteArray("k"));
    }

    void createFolderFailures()
    {
        put(path("plain"), "x");
        QVERIFY(!z.F_CreateFld(path("plain/sub/deeper")));
        QVERIFY(!z.F_CreateFld(QString()));
    }

    void subfolders()
    {
        QVERIFY(z.F_ChkSb(m_dir + "/", {"Wrk", "Dbs"}));
        QVERIFY(z.FbExFolder(path("Wrk")) && z.FbExFolder(path("Dbs")));
        put(path("Wrk/x"), "x");
        QVERIFY(z.F_ChkSb(m_dir, {"Wrk", "新 規"}));
        QVERIFY(z.FbExFolder(path("新 規")));
        QCOMPARE(bytesOf(path("Wrk/x")), QByteArray("x"));
        QVERIFY(!z.F_ChkSb(path("missing"), {"Wrk"}));
        QVERIFY(!z.FbExFolder(path("missing")));
    }

    // ---------------------------------------------------------- copy

    void copy_data()
    {
        QTest::addColumn<bool>("existing");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("readOnly");
        QTest::addColumn<bool>("copied");
        QTest::newRow("new target, no question") << false << int(Prompt::Cancel) << false << true;
        QTest::newRow("cancel") << true << int(Prompt::Cancel) << false << false;
        QTest::newRow("ok") << true << int(Prompt::Ok) << false << true;
        QTest::newRow("ok, read-only target") << true << int(Prompt::Ok) << true << true;
    }
    void copy()
    {
        QFETCH(bool, existing);
        QFETCH(int, answer);
        QFETCH(bool, readOnly);
        QFETCH(bool, copied);
        const QString target = path("copy 先.txdb");
        put(path("src"), "new");
        if (existing)
            put(target, "old");
        if (readOnly)
            QFile::setPermissions(target, QFile::ReadOwner);
        ScriptedPrompt prompt;
        prompt.answers << answer;
        QCOMPARE(z.F_Copy(path("src"), target), copied);
        if (existing) {
            QCOMPARE(prompt.messages, QStringList{QStringLiteral("同名ﾌｧｲﾙがあります 削除して良いですか")});
            QCOMPARE(prompt.styles.value(0) & 7, int(Prompt::OkCancel));
        } else {
            QVERIFY(prompt.messages.isEmpty());
        }
        QCOMPARE(bytesOf(path("src")), QByteArray("new"));
        QCOMPARE(bytesOf(target), copied ? QByteArray("new") : QByteArray("old"));
        QCOMPARE(QDir(m_dir).entryList(QDir::Files | QDir::Hidden).size(), 2);
    }

    void copyFailuresKeepEverything()
    {
        ScriptedPrompt prompt;
        prompt.defaultAnswer = Prompt::Ok;
        put(path("src"), "data");
        QVERIFY(!z.F_Copy(path("none"), path("dst")));
        QVERIFY(!QFile::exists(path("dst")));
        // Onto itself: the file must survive.
        QVERIFY(!z.F_Copy(path("src"), path("src")));
        QVERIFY(!z.F_Copy(path("src"), m_dir + "/./src"));
        QCOMPARE(bytesOf(path("src")), QByteArray("data"));
        QVERIFY(!z.F_Copy(path("src"), path("no folder/dst")));
        // Onto a folder: the folder and its contents stay.
        put(path("fold/inner"), "i");
        QVERIFY(!z.F_Copy(path("src"), path("fold")));
        QCOMPARE(bytesOf(path("fold/inner")), QByteArray("i"));
        QCOMPARE(QDir(m_dir).entryList(QDir::Files | QDir::Hidden).size(), 1);
    }

    // ---------------------------------------------------------- delete

    void deleteFiles()
    {
        put(path("a.htm"), "x");
        put(path("b.htm"), "x");
        put(path("c.css"), "x");
        put(path(".h.htm"), "x");
        put(path("sub.htm/inner"), "x");
        z.F_DelFile(path("*.htm"));
        QVERIFY(!QFile::exists(path("a.htm")) && !QFile::exists(path("b.htm")));
        QVERIFY(QFile::exists(path("c.css")));
        QVERIFY(QFile::exists(path(".h.htm")));
        QVERIFY(QFile::exists(path("sub.htm/inner")));

        QFile::setPermissions(path("c.css"), QFile::ReadOwner);
        z.F_DelFile(path("c.css"));
        QVERIFY(!QFile::exists(path("c.css")));

        z.F_DelFile(path("none.txt"));
        z.F_DelFile(path("none/*.txt"));
        z.F_DelFile(QString());
        z.F_DelFile(path("sub.htm"));
        QVERIFY(QFile::exists(path("sub.htm/inner")));
    }

    void deleteFolderWithTrailingSlash()
    {
        put(path("out/a/b.htm"), "x");
        put(path("out/ro.txt"), "x");
        QFile::setPermissions(path("out/ro.txt"), QFile::ReadOwner);
        z.F_DelFold(path("out/"));
        QVERIFY(!QFileInfo::exists(path("out")));
        z.F_DelFold(path("out"));
        z.F_DelFold(QString());
    }

    void deleteCurrentFolderMovesOut()
    {
        const QString before = QDir::currentPath();
        Usr::st().userData = m_dir + "/data/";
        QVERIFY(QDir().mkpath(path("data")));
        QVERIFY(QDir().mkpath(path("busy/inner")));
        QVERIFY(QDir::setCurrent(path("busy")));
        z.F_DelFold(path("busy/"));
        const QString now = QDir::currentPath();
        QDir::setCurrent(before);
        Usr::st().userData.clear();
        QVERIFY(!QFileInfo::exists(path("busy")));
        QCOMPARE(now, QFileInfo(path("data")).canonicalFilePath());
    }

    void deleteFolderThroughLinkKeepsTarget()
    {
        put(path("real/keep.txt"), "k");
        QVERIFY(QFile::link(path("real"), path("link")));
        z.F_DelFold(path("link/"));
        QVERIFY(!QFileInfo(path("link")).isSymLink());
        QCOMPARE(bytesOf(path("real/keep.txt")), QByteArray("k"));
    }

    void deleteFolderRefusesHomeAndRoot()
    {
        const QByteArray oldHome = qgetenv("HOME");
        const QString home = path("base/home");
        put(home + "/keep.txt", "k");
        qputenv("HOME", QFile::encodeName(home));
        z.F_DelFold(home);
        z.F_DelFold(home + "/");
        z.F_DelFold(path("base"));
        z.F_DelFold("/");
        qputenv("HOME", oldHome);
        QCOMPARE(bytesOf(home + "/keep.txt"), QByteArray("k"));
    }

    // ---------------------------------------------------------- automation

    void browserGoesThroughTheDesktop()
    {
        RecordingLauncher launcher;
        ScriptedPrompt prompt;
        z.A_ViewIE(path("$Wrk.htm"));
        QCOMPARE(launcher.lastCommand(), QStringList({"xdg-open", path("$Wrk.htm")}));
        QVERIFY(prompt.messages.isEmpty());
        z.A_EndIE();
        QCOMPARE(launcher.calls.size(), 1);
        launcher.runResult = -1;
        z.A_ViewIE("https://example.com/");
        QCOMPARE(prompt.messages,
                 QStringList{QStringLiteral("InternetExplorerが起動できませんでした\n しばらくしてから再度実行して下さい")});
        QCOMPARE(prompt.styles.value(0), int(Prompt::OkOnly));
    }

    void ctrlKeyTriggersShortcut()
    {
        QWidget window;
        QAction save(&window);
        save.setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
        window.addAction(&save);
        QSignalSpy triggered(&save, &QAction::triggered);
        Usr::st().mainWindow = &window;
        z.A_CtrlKy('S');
        z.A_CtrlKy(256);
        z.A_CtrlKy(-1);
        Usr::st().mainWindow = nullptr;
        z.A_CtrlKy('S');
        QCOMPARE(triggered.size(), 1);
    }

    void ctrlKeyReachesFocusWidget()
    {
        QWidget window;
        auto *edit = new QLineEdit(&window);
        window.show();
        edit->setFocus();
        KeyCounter counter;
        edit->installEventFilter(&counter);
        Usr::st().mainWindow = &window;
        z.A_CtrlKy('C');
        z.A_CtrlKy(0x71);
        z.A_CtrlKy(255);
        Usr::st().mainWindow = nullptr;
        if (window.focusWidget() != edit)
            QSKIP("no focus on this platform");
        QCOMPARE(counter.presses, (QList<QKeyCombination>{Qt::CTRL | Qt::Key_C, Qt::CTRL | Qt::Key_F2}));
    }
};

QTEST_MAIN(TestZCltFiles)
#include "tst_zcltfiles.moc"

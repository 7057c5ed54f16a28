#include "platform/desktop/Launcher.h"
#include "support/RecordingLauncher.h"

#include <QUrlQuery>
#include <QtTest>

class TestLauncher : public QObject
{
    Q_OBJECT
private slots:
    void exitCodesOfRealPrograms_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("true") << "/bin/true" << QStringList() << 0;
        QTest::newRow("false") << "/bin/false" << QStringList() << 1;
        QTest::newRow("exit 3") << "/bin/sh" << QStringList{"-c", "exit 3"} << 3;
        QTest::newRow("missing program") << "/nonexistent/tool" << QStringList() << -1;
        QTest::newRow("empty program") << "" << QStringList() << -1;
        QTest::newRow("killed by signal") << "/bin/sh" << QStringList{"-c", "kill -9 $$"} << -1;
    }
    void exitCodesOfRealPrograms()
    {
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QCOMPARE(Launcher::current().run(program, arguments), exitCode);
    }

    void argumentsReachTheProgramUnchanged()
    {
        QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/作業 フォルダ-XXXXXX"));
        QVERIFY(dir.isValid());
        const QStringList words{"a b", "it's", "\"quoted\"", "?*", "$HOME", "日本語 名前", ""};
        const QString script = QStringLiteral("pwd > args.txt; for a in \"$@\"; do printf '[%s]\\n' \"$a\"; done >> args.txt");
        QCOMPARE(Launcher::current().run("/bin/sh", QStringList{"-c", script, "sh"} + words, dir.path()), 0);
        QFile out(dir.filePath("args.txt"));
        QVERIFY(out.open(QIODevice::ReadOnly));
        QStringList lines = QString::fromUtf8(out.readAll()).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.takeFirst(), QDir(dir.path()).canonicalPath());
        QStringList expected;
        for (const QString &w : words)
            expected << '[' + w + ']';
        QCOMPARE(lines, expected);
    }

    void childSeesTheEndOfItsInput()
    {
        QCOMPARE(Launcher::current().run("/bin/cat", {}, QString(), 20000), 0);
    }

    void giveUpAfterTimeout()
    {
        QCOMPARE(Launcher::current().run("/bin/sleep", {"30"}, QString(), 50), -1);
    }

    void startDetachedReportsMissingProgram()
    {
        QVERIFY(!Launcher::current().startDetached("/nonexistent/tool", {}));
        QVERIFY(Launcher::current().startDetached("/bin/true", {}));
    }

    void desktopOpenerArguments()
    {
        RecordingLauncher launcher;
        QCOMPARE(Launcher::current().openWithDesktop("/tmp/a b/ページ.html"), 0);
        QCOMPARE(launcher.lastCommand(), QStringList({"xdg-open", "/tmp/a b/ページ.html"}));
        // xdg-open is waited for, as xdg-email is: its own exit code tells a failure.
        QVERIFY(!launcher.calls.last().detached);
        QCOMPARE(launcher.calls.last().timeoutMs, Launcher::OpenWaitMs);

        QVERIFY(!Launcher::handedOver(Launcher::current().openWithDesktop(QString())));
        QCOMPARE(launcher.calls.size(), 1);

        launcher.runResult = 3;
        QCOMPARE(Launcher::current().openWithDesktop("https://example.com/?q=1&r=2"), 3);
        QCOMPARE(launcher.lastCommand(), QStringList({"xdg-open", "https://example.com/?q=1&r=2"}));
    }

    void mailArguments_data()
    {
        QTest::addColumn<QString>("subject");
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("attachment");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("all") << "件名 'x'" << "本文\n二行目" << "/tmp/a b.docx"
                             << QStringList{"xdg-email", "--utf8", "--subject", "件名 'x'", "--body", "本文\n二行目",
                                            "--attach", "/tmp/a b.docx"};
        QTest::newRow("attachment only") << "" << "" << "/tmp/x.pdf"
                                         << QStringList{"xdg-email", "--utf8", "--attach", "/tmp/x.pdf"};
        QTest::newRow("nothing") << "" << "" << "" << QStringList{"xdg-email", "--utf8", "mailto:"};
        // xdg-email makes each LF the CR LF of mail: the mail's CR LF and CR go to it as LF.
        QTest::newRow("mail line ends") << "件名" << "一\r\n二\r\n\r\n三\r四\n" << ""
                                        << QStringList{"xdg-email", "--utf8", "--subject", "件名", "--body",
                                                       "一\n二\n\n三\n四\n"};
    }
    void mailArguments()
    {
        QFETCH(QString, subject);
        QFETCH(QString, body);
        QFETCH(QString, attachment);
        QFETCH(QStringList, expected);
        RecordingLauncher launcher;
        QCOMPARE(Launcher::current().composeMail(subject, body, attachment), 0);
        QCOMPARE(launcher.lastCommand(), expected);
        QVERIFY(!launcher.calls.last().detached);
    }

    // A stub xdg-email first on the PATH: its exit code comes back; one that keeps running is left to
    // run and the wait ends in time.
    void mailWaitsForTheMailTool_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("answer");
        QTest::newRow("handed over") << "exit 0" << 0;
        QTest::newRow("no mail program") << "exit 3" << 3;
        QTest::newRow("mail program failed") << "exit 4" << 4;
        QTest::newRow("killed") << "kill -9 $$" << -1;
        QTest::newRow("mail program keeps running") << "sleep 3" << int(Launcher::StillRunning);
    }
    void mailWaitsForTheMailTool()
    {
        QFETCH(QString, script);
        QFETCH(int, answer);
        QTemporaryDir dir;
        const QString tool = dir.filePath(QStringLiteral("xdg-email"));
        QFile file(tool);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QStringLiteral("#!/bin/sh\nfor a in \"$@\"; do printf '[%s]\\n' \"$a\"; done > \"%1\"\n%2\n")
                       .arg(dir.filePath(QStringLiteral("args.txt")), script)
                       .toUtf8());
        file.close();
        QVERIFY(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(dir.path()) + ':' + path);
        QElapsedTimer timer;
        timer.start();
        const int got = Launcher::current().composeMail(QStringLiteral("件名"), QString(40000, QLatin1Char('x')),
                                                        QString(), 300);
        qputenv("PATH", path);
        QCOMPARE(got, answer);
        QVERIFY(timer.elapsed() < 2500);
        QFile args(dir.filePath(QStringLiteral("args.txt")));
        QTRY_VERIFY(args.size() > 40000);
        QVERIFY(args.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(args.readAll()).split(u'\n').mid(0, 4),
                 QStringList({"[--utf8]", "[--subject]", "[件名]", "[--body]"}));
    }

    // A stub xdg-open first on the PATH: its own exit code comes back (before, xdg-open was only
    // started and its failure lost); one that keeps running is left to run.
    void desktopOpenerAnswers_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("answer");
        QTest::newRow("no program for the file") << "exit 3" << 3;
        QTest::newRow("program failed") << "exit 4" << 4;
        QTest::newRow("file missing") << "exit 2" << 2;
    }
    void desktopOpenerAnswers()
    {
        QFETCH(QString, script);
        QFETCH(int, answer);
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("xdg-open")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QStringLiteral("#!/bin/sh\nprintf '%s' \"$1\" > \"%1\"\n%2\n").arg(dir.filePath(QStringLiteral("arg.txt")), script).toUtf8());
        file.close();
        QVERIFY(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(dir.path()) + ':' + path);
        const int got = Launcher::current().openWithDesktop(QStringLiteral("/tmp/a b/出力.docx"), 2000);
        qputenv("PATH", path);
        QCOMPARE(got, answer);
        QVERIFY(!Launcher::handedOver(got));
        QFile arg(dir.filePath(QStringLiteral("arg.txt")));
        QVERIFY(arg.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(arg.readAll()), QStringLiteral("/tmp/a b/出力.docx"));
    }

    // xdg-email itself, with a hook that shows the address it made. It reads the texts through the
    // shell's echo more than once (and its mail-program paths again), and echo takes a backslash for an
    // escape: "件名 \c..." came out as "件名 ", "\b" as a backspace. A backslash goes as its full-width
    // form; everything else arrives as typed.
    void mailTextsArriveWhole()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("xdg-email")).isEmpty())
            QSKIP("xdg-email (xdg-utils) is not installed");
        QTemporaryDir dir;
        const QString address = dir.filePath(QStringLiteral("mailto.txt"));
        QFile hook(dir.filePath(QStringLiteral("xdg-email-hook.sh")));
        QVERIFY(hook.open(QIODevice::WriteOnly));
        hook.write(QStringLiteral("#!/bin/sh\nprintf '%s' \"$1\" > \"%1\"\n").arg(address).toUtf8());
        hook.close();
        QVERIFY(hook.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        const QString subject = QStringLiteral("件名 \\c 'x' %41");
        const QString body = QStringLiteral("C:\\config\\x と \\\\server\\b\r\n二行目 \"引用\" & 100% -n $HOME `x`\r\n三行目");
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(dir.path()) + ':' + path);
        const int got = Launcher::current().composeMail(subject, body, QString(), 20000);
        qputenv("PATH", path);
        QCOMPARE(got, 0);
        QFile made(address);
        QVERIFY(made.open(QIODevice::ReadOnly));
        const QUrlQuery query(QUrl::fromEncoded(made.readAll().trimmed()));
        const auto fullWidth = [](QString text) { return text.replace(u'\\', QChar(0xFF3C)); };
        QCOMPARE(query.queryItemValue(QStringLiteral("subject"), QUrl::FullyDecoded), fullWidth(subject));
        // A line end goes as one CR LF, as mail has it.
        QCOMPARE(query.queryItemValue(QStringLiteral("body"), QUrl::FullyDecoded), fullWidth(body));
    }

    void mailFitsOneArgument_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<bool>("fits");
        QTest::newRow("short") << QStringLiteral("本文\n二行目") << true;
        QTest::newRow("letters") << QString(100000, QLatin1Char('x')) << true;
        QTest::newRow("too many letters") << QString(130000, QLatin1Char('x')) << false;
        // Each kanji is three bytes, each of them "%XX".
        QTest::newRow("kanji") << QString(13000, QChar(0x6587)) << true;
        QTest::newRow("too many kanji") << QString(15000, QChar(0x6587)) << false;
        QTest::newRow("blanks") << QString(40000, QLatin1Char(' ')) << true;
        QTest::newRow("too many line ends") << QString(21000, QLatin1Char('\n')) << false;
        // The mail's CR LF goes as one LF.
        QTest::newRow("CR LF line ends") << QString(15000, QLatin1Char('\n')).replace(u'\n', QStringLiteral("\r\n")) << true;
    }
    void mailFitsOneArgument()
    {
        QFETCH(QString, body);
        QFETCH(bool, fits);
        QCOMPARE(Launcher::mailFits(QStringLiteral("件名"), body, QStringLiteral("/tmp/1001.pdf")), fits);
    }

    void recordingLauncherScriptsAndUninstalls()
    {
        Launcher *recording = nullptr;
        {
            RecordingLauncher launcher;
            recording = &launcher;
            launcher.runResults << 7;
            QCOMPARE(Launcher::current().run("tool", {"x"}, "/w", 1000), 7);
            QCOMPARE(Launcher::current().run("tool", {}), 0);
            QCOMPARE(launcher.calls.first().workingDirectory, QStringLiteral("/w"));
            QCOMPARE(launcher.calls.first().timeoutMs, 1000);
            QVERIFY(!launcher.calls.first().detached);
        }
        QVERIFY(&Launcher::current() != recording);
        QCOMPARE(Launcher::current().run("/bin/true", {}), 0);
    }
};

QTEST_MAIN(TestLauncher)
#include "tst_launcher.moc"

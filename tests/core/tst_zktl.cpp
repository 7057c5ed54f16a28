// The outside-program launcher: parameter records byte for byte, the exchange with a stub tool that
// answers through the record, the argument lists, and the search and choice of a tool's program.
#include "core/Usr.h"
#include "core/sbWait.h"
#include "core/zKtl.h"
#include "platform/desktop/ToolPaths.h"
#include "platform/text/SystemCodec.h"
#include "support/RecordingLauncher.h"
#include "support/ScriptedPrompt.h"
#include "support/TestHome.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

QByteArray padded(const QByteArray &bytes, int size)
{
    return bytes + QByteArray(size - bytes.size(), ' ');
}

// A tool that logs its arguments beside itself and answers in the record named by its first argument.
void writeStub(const QString &path, const QByteArray &answer, int answerOffset, const QByteArray &flags,
               int flagsOffset)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    auto octal = [](const QByteArray &bytes) {
        QByteArray out;
        for (char c : bytes)
            out += "\\" + QByteArray::number(uchar(c), 8).rightJustified(3, '0');
        return out;
    };
    f.write("#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$0.args\"\n"
            "printf '" + octal(answer) + "' | dd of=\"$1\" bs=1 seek=" + QByteArray::number(answerOffset)
            + " conv=notrunc 2>/dev/null\n"
            "printf '" + octal(flags) + "' | dd of=\"$1\" bs=1 seek=" + QByteArray::number(flagsOffset)
            + " conv=notrunc 2>/dev/null\n");
    f.close();
    f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
}

QStringList loggedArguments(const QString &stub)
{
    QFile f(stub + QStringLiteral(".args"));
    if (!f.open(QIODevice::ReadOnly))
        return {QStringLiteral("<not run>")};
    return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace

class TstZKtl : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString m_work;

    void placeProgram(const QString &programFolder)
    {
        QDir().mkpath(programFolder);
        Usr::st().programPath = programFolder + QStringLiteral("/fenwar");
        zKtl::release();
    }

private slots:
    void init()
    {
        QDir(m_dir.path()).removeRecursively();
        QDir().mkpath(m_dir.path());
        m_work = m_dir.filePath(QStringLiteral("Wrk/"));
        QDir().mkpath(m_work);
        Usr::st().workFolder = m_work;
        ToolPaths::setStoreFile(m_dir.filePath(QStringLiteral("ToolPaths.ini")));
        placeProgram(m_dir.filePath(QStringLiteral("P/X")));
    }
    void cleanupTestCase()
    {
        ToolPaths::setStoreFile(QString());
        zKtl::release();
    }

    void recordsAreByteExact()
    {
        // 1.5f = 00 00 C0 3F, 2.0f = 00 00 00 40, little-endian.
        const QByteArray pic = zKtl::picRecord(QStringLiteral("/w/作業"), 1, 1.5f, 2.0f);
        QCOMPARE(pic.size(), zKtl::PicRecordSize);
        QCOMPARE(pic, padded("/w/\x8d\xec\x8b\xc6", 255) + padded("*.png", 10) + padded("*.png", 255)
                          + QByteArray("\x00\x00\xc0\x3f\x00\x00\x00\x40\x00\x00\x00\x00", 12));
        QCOMPARE(zKtl::picRecord(QString(), 3, 0, 0).mid(265, 255), padded("*.*", 255));
        // A folder too long for its field is cut before a character that would not fit whole.
        const QString longFolder = QString(254, QLatin1Char('a')) + QStringLiteral("作");
        QCOMPARE(zKtl::picRecord(longFolder, 0, 0, 0).left(255), QByteArray(254, 'a') + ' ');

        const QByteArray grf = zKtl::grfRecord(QStringLiteral("/w"));
        QCOMPARE(grf, padded("/w", 255) + padded("*.bmp", 10) + QByteArray(255, ' ') + QByteArray(2, '\0'));
        QCOMPARE(zKtl::CutNul(QByteArray("  /r/a.png") + QByteArray(5, '\0') + "  junk"), QStringLiteral("/r/a.png"));
    }

    void pictureExchangeThroughTheStub()
    {
        const QString stub = m_dir.filePath(QStringLiteral("P/Velmora/Velmora.exe"));
        // The answer: a path in the code page, NULs and blanks; flag 1 is 1, the success flag -1.
        writeStub(stub, SystemCodec::fromUnicode(QStringLiteral("/tmp/結果 1.png")) + QByteArray(3, '\0') + "   ", 265,
                  QByteArray("\x01\x00\xff\xff", 4), 528);
        QFile old(m_work + QStringLiteral("PC_HT.pdat"));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(600, 'z')); // longer than the record: the tail stays
        old.close();

        QString result;
        bool flag1 = false;
        bool ok = false;
        zKtl::instance().ActPic(0, m_work, result, 320, 240, flag1, ok);
        QCOMPARE(result, QStringLiteral("/tmp/結果 1.png"));
        QVERIFY(flag1);
        QVERIFY(ok);
        QCOMPARE(loggedArguments(stub), QStringList{m_work + QStringLiteral("PC_HT.pdat")});
        QFile record(m_work + QStringLiteral("PC_HT.pdat"));
        QVERIFY(record.open(QIODevice::ReadOnly));
        QCOMPARE(record.size(), 600);
        // Found beside the program, the path is remembered for the next run.
        QCOMPARE(ToolPaths::value(QStringLiteral("QuenlithTools"), QStringLiteral("Path"), QStringLiteral("Velmora")), stub);
    }

    void graphExchangeReadsResultAndFlag()
    {
        const QString stub = m_dir.filePath(QStringLiteral("P/Tindrel/Tindrel.exe"));
        writeStub(stub, "/g/out.bmp", 265, QByteArray("\xff\xff", 2), 520);
        QString result;
        bool ok = false;
        zKtl::instance().ActGrph(QStringLiteral("/w"), result, ok);
        QCOMPARE(result, QStringLiteral("/g/out.bmp"));
        QVERIFY(ok);
        QCOMPARE(loggedArguments(stub), QStringList{m_work + QStringLiteral("GR_HT.pdat")});
    }

    void argumentLists()
    {
        QStringList tools;
        for (const char *key : {"Prusken", "Lovisart", "Dremfal"}) {
            const QString path = m_dir.filePath(QStringLiteral("P/%1/%1.exe").arg(QLatin1String(key)));
            writeStub(path, "", 0, "", 0);
            tools << path;
        }
        RecordingLauncher launcher;
        zKtl &k = zKtl::instance();
        QVERIFY(k.ActFtp(QStringLiteral("Up"), {}));
        QCOMPARE(launcher.lastCommand(), (QStringList{tools[0], QStringLiteral("Up")}));
        QVERIFY(k.ActFtp(QStringLiteral("Up"), {QStringLiteral("a b"), QStringLiteral("c")}));
        QCOMPARE(launcher.lastCommand(), (QStringList{tools[0], QStringLiteral("Up|a b|c")}));
        QVERIFY(k.ActSync(QStringLiteral("site 1")));
        QCOMPARE(launcher.lastCommand(), (QStringList{tools[0], QStringLiteral("SyncUp"), QStringLiteral("/b|site 1")}));
        QVERIFY(k.ActAtena(QStringLiteral("名前,住所\r\n"), QStringLiteral("P1")));
        QCOMPARE(launcher.lastCommand(), (QStringList{tools[1], QStringLiteral("P1"), m_work + QStringLiteral("Atena.csv")}));
        QFile csv(m_work + QStringLiteral("Atena.csv"));
        QVERIFY(csv.open(QIODevice::ReadOnly));
        QCOMPARE(csv.readAll(), QByteArray("\x96\xbc\x91\x4f,\x8f\x5a\x8f\x8a\r\n"));
        QVERIFY(k.ActTov(QStringLiteral("/my docs/a b.txdb"), QStringLiteral("12")));
        QCOMPARE(launcher.lastCommand(), (QStringList{tools[2], QStringLiteral("/my docs/a b.txdb"), QStringLiteral("12")}));
        QVERIFY(k.ActTov(QString(), QStringLiteral("12")));
        QCOMPARE(launcher.lastCommand(), QStringList{tools[2]});

        // FFFTP: a cancelled choice starts nothing.
        ScriptedPrompt prompt;
        prompt.files.enqueue(QString());
        const int before = int(launcher.calls.size());
        int code = 0;
        QVERIFY(k.ActFFFTP(QStringLiteral("mysite"), &code));
        QCOMPARE(code, zKtl::NotChosen);
        QCOMPARE(int(launcher.calls.size()), before);
        prompt.files.enqueue(tools[0]);
        QVERIFY(k.ActFFFTP(QStringLiteral("mysite")));
        QCOMPARE(launcher.lastCommand(), (QStringList{tools[0], QStringLiteral("-s"), QStringLiteral("mysite"), QStringLiteral("-m")}));
    }

    // The FTP runs tell how the tool ended: its exit code, or that it could not run.
    void ftpExitCodes()
    {
        const QString tool = m_dir.filePath(QStringLiteral("P/Prusken/Prusken.exe"));
        QDir().mkpath(QFileInfo(tool).absolutePath());
        QVERIFY(TestHome::write(tool, "#!/bin/sh\nexit 3\n"));
        QFile(tool).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        int code = 99;
        QVERIFY(zKtl::instance().ActSync(QStringLiteral("site"), &code));
        QCOMPARE(code, 3);
        QVERIFY(TestHome::write(tool, "#!/bin/sh\nexit 0\n"));
        QVERIFY(zKtl::instance().ActSync(QStringLiteral("site"), &code));
        QCOMPARE(code, 0);
        // A file that cannot be run.
        QFile(tool).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        QVERIFY(!zKtl::instance().ActSync(QStringLiteral("site"), &code));
        QCOMPARE(code, -1);
        // FFFTP the same way.
        const QString ffftp = m_dir.filePath(QStringLiteral("FFFTP/FFFTP.exe"));
        QDir().mkpath(QFileInfo(ffftp).absolutePath());
        QVERIFY(TestHome::write(ffftp, "#!/bin/sh\nexit 5\n"));
        QFile(ffftp).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(ToolPaths::setValue(QStringLiteral("QuenlithTools"), QStringLiteral("Path"), QStringLiteral("FFFTP"), ffftp));
        QVERIFY(zKtl::instance().ActFFFTP(QStringLiteral("host"), &code));
        QCOMPARE(code, 5);
    }

    // While the tool runs the wait window names the upload and the windows are busy; both end with it.
    void uploadWaitsUnderTheWaitWindow()
    {
        const QString tool = m_dir.filePath(QStringLiteral("P/Prusken/Prusken"));
        QDir().mkpath(QFileInfo(tool).absolutePath());
        QVERIFY(TestHome::write(tool, "#!/bin/sh\nsleep 0.5\n"));
        QFile(tool).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        Usr::st().busy = false;
        QString shown;
        bool busy = false;
        QTimer::singleShot(200, [&] {
            shown = sbWait::shownMessage();
            busy = Usr::st().busy;
        });
        int code = -5;
        QVERIFY(zKtl::instance().ActSync(QStringLiteral("site"), &code));
        QCOMPARE(code, 0);
        QCOMPARE(shown, QStringLiteral("FTP転送中です (Prusken)"));
        QVERIFY(busy);
        QVERIFY(!sbWait::isShown());
        QVERIFY(!Usr::st().busy);
    }

    void searchAndChoice()
    {
        // Beside the program's folder X, in P, wins over a folder under a sibling of P.
        const QString inP = m_dir.filePath(QStringLiteral("P/VELMORA/Velmora.exe"));
        const QString inSibling = m_dir.filePath(QStringLiteral("Q/velmora/Velmora.exe"));
        writeStub(inSibling, "", 0, "", 0);
        writeStub(m_dir.filePath(QStringLiteral("P/X/Velmora/Velmora.exe")), "", 0, "", 0);
        QString start, found;
        zKtl::instance().GetExePh(start, QStringLiteral("Velmora"), QStringLiteral("Velmora.exe"), found);
        QCOMPARE(found, inSibling);
        QCOMPARE(start, m_dir.filePath(QStringLiteral("P")));
        writeStub(inP, "", 0, "", 0);
        zKtl::instance().GetExePh(start, QStringLiteral("Velmora"), QStringLiteral("Velmora.exe"), found);
        QCOMPARE(found, inP);
        // Without the program's path nothing is beside it, wherever the working folder is.
        const QString working = QDir::currentPath();
        Usr::st().programPath.clear();
        QVERIFY(QDir::setCurrent(m_dir.filePath(QStringLiteral("P/X"))));
        zKtl::instance().GetExePh(start, QStringLiteral("Velmora"), QStringLiteral("Velmora.exe"), found);
        QDir::setCurrent(working);
        placeProgram(m_dir.filePath(QStringLiteral("P/X")));
        QVERIFY2(found.isEmpty(), qPrintable(found));

        // A recorded path of another name is dropped at creation; a chosen file of another name is refused.
        const QString other = m_dir.filePath(QStringLiteral("elsewhere/Other.exe"));
        writeStub(other, "", 0, "", 0);
        ToolPaths::setValue(QStringLiteral("QuenlithTools"), QStringLiteral("Path"), QStringLiteral("Oskaryn"), other);
        zKtl::release();
        QString known;
        zKtl::instance().GetAppNm(zKtl::Chart, known);
        QVERIFY(known.isEmpty());
        ScriptedPrompt prompt;
        prompt.files.enqueue(other);
        QVERIFY(!zKtl::instance().bChkApp(zKtl::Chart));
        QCOMPARE(prompt.dialogTitles, QStringList{QStringLiteral("ﾁｬｰﾄ 実行ﾌｧｲﾙの指定")});
        QCOMPARE(ToolPaths::value(QStringLiteral("QuenlithTools"), QStringLiteral("Path"), QStringLiteral("Oskaryn")), other);
        // A missing tool that is not chosen leaves the outputs as they were.
        prompt.files.enqueue(QString());
        QString result = QStringLiteral("unchanged");
        bool ok = false;
        zKtl::instance().ActChrt(QStringLiteral("/w"), result, ok);
        QCOMPARE(result, QStringLiteral("unchanged"));
        QVERIFY(!ok);
    }

    // The chooser shows every file (a program here has no ".exe") and takes only a program.
    void chooserTakesPrograms()
    {
        ScriptedPrompt prompt;
        const QString program = m_dir.filePath(QStringLiteral("bin/Oskaryn"));
        writeStub(program, "", 0, "", 0);
        const QString notProgram = m_dir.filePath(QStringLiteral("doc/Oskaryn"));
        QDir().mkpath(QFileInfo(notProgram).absolutePath());
        QVERIFY(TestHome::write(notProgram, "just text"));
        prompt.files.enqueue(notProgram);
        QVERIFY(!zKtl::instance().bChkApp(zKtl::Chart));
        QCOMPARE(prompt.dialogFilters.value(0), QStringLiteral("全てのﾌｧｲﾙ (*)"));
        // A file that is no program is named as such and the choice is asked again.
        const QString notRun = notProgram + QStringLiteral("\nはﾌﾟﾛｸﾞﾗﾑではありません　実行できるﾌｧｲﾙを指定して下さい");
        QCOMPARE(prompt.messages, QStringList{notRun});
        QCOMPARE(prompt.dialogTitles.size(), 1);
        prompt.messages.clear();
        prompt.files.enqueue(notProgram);
        QVERIFY(!zKtl::instance().hasApp(zKtl::Chart));
        prompt.files.enqueue(program);
        prompt.answers.enqueue(Prompt::Retry);
        QVERIFY(zKtl::instance().bChkApp(zKtl::Chart));
        QCOMPARE(prompt.messages, QStringList{notRun});
        QCOMPARE(prompt.dialogTitles.size(), 3);
        QVERIFY(zKtl::instance().hasApp(zKtl::Chart));
        QString known;
        zKtl::instance().GetAppNm(zKtl::Chart, known);
        QCOMPARE(known, program);
        // FFFTP's chooser the same.
        const QString ffftp = m_dir.filePath(QStringLiteral("doc/FFFTP.exe"));
        QVERIFY(TestHome::write(ffftp, "text"));
        prompt.messages.clear();
        prompt.files.enqueue(ffftp);
        int code = 0;
        QVERIFY(zKtl::instance().ActFFFTP(QStringLiteral("host"), &code));
        QCOMPARE(code, zKtl::NotChosen);
        QCOMPARE(prompt.messages,
                 QStringList{ffftp + QStringLiteral("\nはﾌﾟﾛｸﾞﾗﾑではありません　実行できるﾌｧｲﾙを指定して下さい")});
        QVERIFY(ToolPaths::value(QStringLiteral("QuenlithTools"), QStringLiteral("Path"), QStringLiteral("FFFTP")).isEmpty());
    }
};

QTEST_MAIN(TstZKtl)
#include "tst_zktl.moc"

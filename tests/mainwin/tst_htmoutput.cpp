// The HTML site from the main window's menu on the sample database: the options dialog, the
// site, the FTP tool (a stub program that really runs) and the browser; the release of the
// publishing computer.
#include "MainFixture.h"
#include "core/Frmt.h"
#include "core/SiteTemplate.h"
#include "core/sbWait.h"
#include "core/zKtl.h"
#include "editor/sbTxm.h"
#include "mainwin/uFky.h"
#include "platform/desktop/ToolPaths.h"
#include "publish/epub/sbEpub.h"
#include "publish/site/sbHtm.h"
#include "support/RecordingLauncher.h"
#include "support/HtmlCheck.h"
#include "support/SampleDb.h"
#include "support/ForeignFiles.h"
#include "support/TestHome.h"

#include <QAbstractButton>
#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>

#include <functional>

namespace {

// Runs the waited-for programs for real (the stub FTP tool) and records everything.
class RunningLauncher : public RecordingLauncher
{
public:
    int run(const QString &program, const QStringList &arguments, const QString &workingDirectory, int timeoutMs) override
    {
        RecordingLauncher::run(program, arguments, workingDirectory, timeoutMs);
        return QProcess::execute(program, arguments);
    }
};

// Does what the test asks while a waited-for program "runs".
class WatchingLauncher : public RecordingLauncher
{
public:
    std::function<void()> during;
    int run(const QString &program, const QStringList &arguments, const QString &workingDirectory, int timeoutMs) override
    {
        const int code = RecordingLauncher::run(program, arguments, workingDirectory, timeoutMs);
        if (during)
            during();
        return code;
    }
};

// The sample database with the site template, and the FTP tool recorded as a stub running `script`.
bool sampleWithFtpStub(MainFixture &f, const QByteArray &script, QString &path, QString &stub)
{
    SiteTemplate::install(Usr::st().userData);
    path = f.dir.filePath(QStringLiteral("Sample.txdb"));
    ToolPaths::setStoreFile(f.dir.filePath(QStringLiteral("ToolPaths.ini")));
    stub = f.dir.filePath(QStringLiteral("Prusken/Prusken"));
    zKtl::release();
    return SampleDb::generate(path) && QDir().mkpath(QFileInfo(stub).absolutePath()) && TestHome::write(stub, script)
           && QFile(stub).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner)
           && ToolPaths::setValue(QStringLiteral("QuenlithTools"), QStringLiteral("Path"), QStringLiteral("Prusken"), stub);
}

} // namespace

class TestHtmOutput : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { sbHtm::setRunner({}); }

    // GetHtm: a page document through the editor's passes and the converter into an HTML file,
    // with the head values the main window finds for the page in tbHtm.
    void editorConvertsAPageDocumentIntoAFile()
    {
        MainFixture f;
        const QString path = f.databaseWithPage(QStringLiteral("Book.txdb"), QStringLiteral("表紙"), QStringLiteral("cover"));
        f.window->SetDBNo(path, 0);
        f.window->show();
        QVERIFY(f.window->LoadPage(QStringLiteral("1001"), QStringLiteral("表紙"), 3, true));
        QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Insert Into tbHtm (noDoc, szTtl, szDsc) Values (?, ?, ?)"),
                                         {1001, QStringLiteral("Head & \"title\""), QStringLiteral("about it")}));
        const QString file = f.dir.filePath(QStringLiteral("out/page.htm"));
        QVERIFY(QDir().mkpath(QFileInfo(file).absolutePath()));
        QString head, body;
        bool ok = false;
        f.editor().GetHtm(StubEditorServices::page(QStringLiteral("Text < & > of the page")), file, head, body, ok);
        QVERIFY(ok);
        const QByteArray bytes = TestHome::readAll(file);
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
        const QString page = HtmlCheck::readUtf8(file);
        QCOMPARE(page, head + body);
        QVERIFY2(head.contains(QStringLiteral("<title>Head &amp;  title </title>")), qPrintable(head));
        QVERIFY(head.contains(QStringLiteral("content=\"about it\"")));
        QVERIFY2(body.contains(QStringLiteral("Text &lt; &amp; &gt; of the page")), qPrintable(body));
        QString complaints;
        QVERIFY2(HtmlCheck::valid(file, false, complaints), qPrintable(complaints));
        // Bytes that are no page document convert nothing and write nothing.
        const QString none = f.dir.filePath(QStringLiteral("out/none.htm"));
        f.editor().GetHtm(QByteArray("damaged"), none, head, body, ok);
        QVERIFY(!ok);
        QVERIFY(!QFile::exists(none));
    }

    // While the upload runs, the wait window names it and the output menu does not start again.
    void uploadHoldsTheCommand()
    {
        MainFixture f;
        QString path, stub;
        QVERIFY(sampleWithFtpStub(f, "#!/bin/sh\nexit 0\n", path, stub));
        WatchingLauncher launcher;
        f.window->SetDBNo(path, 0);
        f.window->show();
        QAction *item = f.window->item(QStringLiteral("mnRet"), 0);
        f.prompt.messages.clear();
        int dialogs = 0;
        sbHtm::setRunner([&dialogs](sbHtm &d) {
            ++dialogs;
            d.opFtp()->button(1)->setChecked(true);
            d.txFtp()->setText(QStringLiteral("site"));
            d.mnRet(2);
        });
        QString shown;
        launcher.during = [&] {
            shown = sbWait::shownMessage();
            item->trigger();
        };
        item->trigger();
        QCOMPARE(shown, QStringLiteral("FTP転送中です (Prusken)"));
        QCOMPARE(dialogs, 1);
        QCOMPARE(launcher.calls.first().program, stub);
        QVERIFY2(f.prompt.messages.isEmpty(), qPrintable(f.prompt.messages.join(u'|')));
        QVERIFY(!sbWait::isShown());
        QVERIFY(!Usr::st().busy);
    }

    void menuPublishesAndUploads()
    {
        MainFixture f;
        const QString record = f.dir.filePath(QStringLiteral("ftp-args.txt"));
        QString path, stub;
        QVERIFY(sampleWithFtpStub(f, QStringLiteral("#!/bin/sh\nprintf '%s\\n' \"$@\" > '%1'\n").arg(record).toUtf8(),
                                  path, stub));
        RunningLauncher launcher;
        f.prompt.defaultAnswer = Prompt::Yes;
        f.window->SetDBNo(path, 0);
        f.window->show();
        const int page = f.window->nDocNo;
        QAction *item = f.window->item(QStringLiteral("mnRet"), 0);
        QVERIFY(item->isEnabled());

        sbHtm::setRunner([](sbHtm &d) {
            d.opFtp()->button(1)->setChecked(true);
            d.txFtp()->setText(QStringLiteral("site"));
            d.txHome()->setText(QStringLiteral("https://example.org/manual"));
            d.chWeb()->setChecked(true);
            d.txHtm()->setText(QStringLiteral("index"));
            d.mnRet(0);
        });
        item->trigger();
        const QString site = Usr::st().userData + QStringLiteral("Htm/Sample/");
        QVERIFY(QFile::exists(site + QStringLiteral("index.htm")));
        QVERIFY(QFile::exists(site + QStringLiteral("cmn/menu.js")));
        QVERIFY(QFile::exists(site + QStringLiteral("1002.htm")));
        // The stub ran with the sync name and had ended before the browser opened the Home URL.
        QCOMPARE(TestHome::readAll(record), QByteArray("SyncUp\n/b|site\n"));
        QCOMPARE(launcher.calls.size(), 2);
        QCOMPARE(launcher.calls[0].program, stub);
        QCOMPARE(launcher.lastCommand(), QStringList({"xdg-open", "https://example.org/manual/index.htm"}));
        // The editor kept its page; the custom name stays for later links.
        QCOMPARE(f.window->nDocNo, page);
        QVERIFY(Frmt::st().htmList.endsWith(QStringLiteral("\tindex.htm\r")));
        QVERIFY(f.window->keys().panelText().endsWith(QStringLiteral("を出力しました")));

        // The FTP run alone writes nothing.
        QVERIFY(QFile::remove(site + QStringLiteral("1002.htm")));
        launcher.calls.clear();
        sbHtm::setRunner([](sbHtm &d) { d.mnRet(2); });
        item->trigger();
        QVERIFY(!QFile::exists(site + QStringLiteral("1002.htm")));
        QCOMPARE(launcher.calls.size(), 2);
        QCOMPARE(launcher.lastCommand(), QStringList({"xdg-open", "https://example.org/manual/index.htm"}));

        // Without the alternate URL there is no address: the site as published here opens.
        launcher.calls.clear();
        sbHtm::setRunner([](sbHtm &d) {
            d.chWeb()->setChecked(false);
            d.mnRet(2);
        });
        item->trigger();
        QCOMPARE(launcher.lastCommand(), QStringList({"xdg-open", site + QStringLiteral("index.htm")}));

        // A failed upload is told, with the tool and its exit code, and no browser opens.
        QVERIFY(TestHome::write(stub, "#!/bin/sh\nexit 3\n"));
        launcher.calls.clear();
        f.prompt.messages.clear();
        sbHtm::setRunner([](sbHtm &d) {
            d.chWeb()->setChecked(true);
            d.mnRet(2);
        });
        item->trigger();
        QCOMPARE(f.prompt.messages, QStringList{QStringLiteral("FTP転送に失敗しました\nPrusken の終了ｺｰﾄﾞ: 3")});
        QCOMPARE(launcher.calls.size(), 1);
        QCOMPARE(launcher.calls[0].program, stub);
        // A tool that cannot be run: the same.
        QFile(stub).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        launcher.calls.clear();
        f.prompt.messages.clear();
        item->trigger();
        QCOMPARE(f.prompt.messages, QStringList{QStringLiteral("FTP転送に失敗しました\nPrusken を実行できませんでした")});
        QCOMPARE(launcher.calls.size(), 1);

        // The choice of a missing tool cancelled, for either tool: nothing more happens.
        for (int tool : {1, 2}) {
            QVERIFY(ToolPaths::setValue(QStringLiteral("QuenlithTools"), QStringLiteral("Path"), QStringLiteral("Prusken"),
                                        f.dir.filePath(QStringLiteral("gone/Prusken"))));
            zKtl::release();
            launcher.calls.clear();
            f.prompt.messages.clear();
            f.prompt.files.enqueue(QString());
            sbHtm::setRunner([tool](sbHtm &d) {
                d.opFtp()->button(tool)->setChecked(true);
                d.mnRet(2);
            });
            item->trigger();
            QVERIFY2(launcher.calls.isEmpty(), qPrintable(launcher.lastCommand().join(u' ')));
            QVERIFY2(f.prompt.messages.isEmpty(), qPrintable(f.prompt.messages.join(u'|')));
            QVERIFY(f.prompt.files.isEmpty());
        }
        // The first page could not be converted: the rest is uploaded, no browser opens on it.
        QFile(stub).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(TestHome::write(stub, "#!/bin/sh\nexit 0\n"));
        QVERIFY(ToolPaths::setValue(QStringLiteral("QuenlithTools"), QStringLiteral("Path"), QStringLiteral("Prusken"), stub));
        zKtl::release();
        const qint64 first =
            f.value(QStringLiteral("Select noLfC From tbTree Where noLfP=0 And boHide=0 Order By inSrt")).toLongLong();
        QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Update msDoc Set obDoc=? Where noDoc=?"), {QByteArray("not a page"), first}));
        launcher.calls.clear();
        f.prompt.messages.clear();
        sbHtm::setRunner([](sbHtm &d) {
            d.opFtp()->button(1)->setChecked(true);
            d.mnRet(0);
        });
        item->trigger();
        QVERIFY(!QFile::exists(site + QStringLiteral("index.htm")));
        QVERIFY(QFile::exists(site + QStringLiteral("cmn/menu.js")));
        QCOMPARE(launcher.calls.size(), 1);
        QCOMPARE(launcher.calls[0].program, stub);
        QVERIFY2(f.prompt.messages.last().startsWith(QStringLiteral("次のﾍﾟｰｼﾞは変換できなかったので出力していません")),
                 qPrintable(f.prompt.messages.join(u'|')));

        // Cancelled: nothing runs.
        launcher.calls.clear();
        sbHtm::setRunner([](sbHtm &d) { d.close(); });
        item->trigger();
        QVERIFY(launcher.calls.isEmpty());
        ToolPaths::setStoreFile(QString());
        zKtl::release();
        zSvr::instance().D_Close();
    }

    void aHeadingIsPublishedAsAHeading_data()
    {
        QTest::addColumn<int>("command"); // 0: typed and F2; 3: a file read as the page; 30: inserted (挿入 > 文書)
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray html = "<html><body><h1>使い方の見出し</h1><p>本文の段落です。</p></body></html>";
        const QByteArray word = ForeignFiles::docx("<w:p><w:pPr><w:outlineLvl w:val=\"0\"/></w:pPr><w:r><w:t>使い方の見出し</w:t></w:r></w:p>"
                                                   "<w:p><w:r><w:t>本文の段落です。</w:t></w:r></w:p>");
        QTest::newRow("typed, F2") << 0 << QString() << QByteArray();
        QTest::newRow("HTML read") << 3 << QStringLiteral("h.htm") << html;
        QTest::newRow("Word read") << 3 << QStringLiteral("h.docx") << word;
        QTest::newRow("HTML inserted") << 30 << QStringLiteral("h.htm") << html;
        QTest::newRow("Word inserted") << 30 << QStringLiteral("h.docx") << word;
    }

    // A heading in the first user format of a new database (F2), or a heading of a Word or HTML file
    // read into the page, then body text: the site, the book and the browser's preview publish it as a
    // heading, whose text the page's title does not lose.
    void aHeadingIsPublishedAsAHeading()
    {
        QFETCH(int, command);
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        MainFixture f;
        // The editor's own page documents, which the converter reads.
        f.window.reset();
        f.window = std::make_unique<fmDoc>();
        f.window->editor().view()->setDialogRunner([](QDialog &) { return false; });
        SiteTemplate::install(Usr::st().userData);
        RecordingLauncher launcher;
        f.prompt.defaultAnswer = Prompt::Yes;
        f.start();
        f.window->NewPage(0);
        if (command == 0) {
            f.type(QStringLiteral("使い方の見出し\n本文の段落です。"));
            f.editor().edit().select(0, 0);
            f.window->fnMenu(5, 0); // F2
        } else {
            const QString file = f.dir.path() + QLatin1Char('/') + name;
            QVERIFY(TestHome::write(file, bytes));
            if (command == 3) {
                f.editor().rtAct(3, file);
            } else {
                // Into a new page with a title of its own (a page without one is not stored).
                f.editor().setTitle(QStringLiteral("挿入した文書"));
                f.prompt.files.enqueue(file);
                f.editor().rtAct(command);
            }
            QVERIFY2(f.editor().edit().text().contains(QStringLiteral("使い方の見出し")), qPrintable(f.editor().edit().text()));
        }
        f.window->fnMenu(3, 18); // F8
        static const QRegularExpression heading(QStringLiteral("<h1[^>]*>\\s*使い方の見出し\\s*</h1>"));
        auto headings = [](const QString &folder, const QString &filter) {
            QStringList found;
            for (const QFileInfo &file : QDir(folder).entryInfoList({filter}, QDir::Files))
                if (HtmlCheck::readUtf8(file.filePath()).contains(heading))
                    found << file.fileName();
            return found;
        };
        // The site.
        sbHtm::setRunner([](sbHtm &d) { d.mnRet(0); });
        f.window->item(QStringLiteral("mnRet"), 0)->trigger();
        const QString site = Usr::st().userData + QStringLiteral("Htm/Book/");
        QVERIFY(QFile::exists(site + QStringLiteral("index.htm")) || !QDir(site).entryList({QStringLiteral("*.htm")}).isEmpty());
        QCOMPARE(headings(site, QStringLiteral("*.htm")).size(), 1);
        // The book.
        sbEpub::setRunner([](sbEpub &d) {
            d.SetCell(2, 1, QStringLiteral("本"));
            d.SetCell(2, 2, QStringLiteral("book_1"));
            d.press(0);
        });
        f.window->item(QStringLiteral("mnRet"), 3)->trigger();
        sbEpub::setRunner(nullptr);
        QCOMPARE(headings(Usr::st().userData + QStringLiteral("ePub/Book/OEBPS/"), QStringLiteral("*.xhtml")).size(), 1);
        // The browser's preview.
        QVERIFY(f.editor().T_ViewIE());
        QVERIFY(HtmlCheck::readUtf8(Usr::st().workFolder + QStringLiteral("$Wrk.htm")).contains(heading));
        zSvr::instance().D_Close();
    }

    void releaseOfThePublishingComputer()
    {
        MainFixture f;
        const QString path = f.database(QStringLiteral("Pub.txdb"));
        f.window->SetDBNo(path, 0);
        f.window->show();
        QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Update kaUsr Set HsPub='OTHER-PC'")));
        sbTxm &form = f.window->editor().companion();
        for (int i : {14, 15, 16})
            form.item(sbTxm::mnObjct, i)->setVisible(false);

        f.prompt.answers.enqueue(Prompt::Cancel);
        f.window->ResetPubPc();
        QCOMPARE(f.prompt.messages.size(), 1);
        QCOMPARE(f.prompt.messages[0],
                 QStringLiteral("現在 Webへ出力できるPCは OTHER-PC です(ﾊﾞﾌﾞﾘｯｼｭ権限)\nこれを初期化して他のPCから出力できるようにします\n\n"
                                "Webへ出力するPCを変更直後に、一括更新を実行して下さい\n同期の実行だと、OTHER-PCの内容との差分だけしか更新されません\n"
                                "Web出力PCの初期化を行って良いですか"));
        QCOMPARE(zSvr::instance().R_GtVaL(QStringLiteral("Select HsPub From kaUsr"), QString()).toString(), QStringLiteral("OTHER-PC"));
        QVERIFY(!form.item(sbTxm::mnObjct, 15)->isVisible());

        f.prompt.answers.enqueue(Prompt::Ok);
        f.window->ResetPubPc();
        QCOMPARE(zSvr::instance().R_GtVaL(QStringLiteral("Select HsPub From kaUsr"), QString()).toString(), QString());
        QCOMPARE(f.prompt.messages.last(), QStringLiteral("Web出力PCの初期化を行いました"));
        for (int i : {14, 15, 16})
            QVERIFY(form.item(sbTxm::mnObjct, i)->isVisible());
    }
};

QTEST_MAIN(TestHtmOutput)
#include "tst_htmoutput.moc"

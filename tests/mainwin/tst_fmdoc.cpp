#include "MainFixture.h"

#include "mainwin/uFky.h"
#include "platform/db/DbConnection.h"
#include "support/FullDisk.h"
#include "support/OtherProgram.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/TextProps.h"
#include "tree/uTrX.h"

#include <QAction>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QListWidget>
#include <QProcess>
#include <QSqlQuery>
#include <QThread>
#include <QTreeWidget>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

// The program as another process of this test: a main window over the database at `path` (the
// user-data folder `userData`) saves a new page with F8, says "saved" once back at the event loop,
// and goes on until it is killed.
int saveAndWait(const QString &userData, const QString &path)
{
    QStandardPaths::setTestModeEnabled(true);
    Usr::st().userData = userData;
    Usr::st().runTime = true;
    ScriptedPrompt prompt;
    StubEditorServices services;
    fmDoc window(nullptr, &services);
    window.SetDBNo(path, 0);
    window.show();
    window.NewPage(0);
    window.editor().edit().setText(QStringLiteral("保存した頁\n本文"));
    window.editor().setBDcEdt(true);
    window.fnMenu(3, 18);
    QCoreApplication::processEvents();
    std::printf("saved %d\n", int(zSvr::instance().R_GtVaL(QStringLiteral("Select Count(*) From msDoc"), 0).toInt()));
    std::fflush(stdout);
    return QCoreApplication::exec();
}

} // namespace

class TestFmDoc : public QObject
{
    Q_OBJECT
private slots:
    void opensTheDatabaseWhenShown()
    {
        MainFixture f;
        const QString path = f.database(QStringLiteral("見本 db.txdb"));
        f.window->SetDBNo(path, 3);
        QVERIFY(!zSvr::instance().isOpen());
        f.window->show();
        QVERIFY(zSvr::instance().isOpen());
        QCOMPARE(f.window->sDbPath, path);
        QVERIFY(f.window->windowTitle().startsWith(QStringLiteral("見本 db.txdb")));
        QVERIFY(f.prompt.messages.isEmpty());
        // The template holds no page: the tree menu offers only the first page.
        QCOMPARE(f.window->iTreeMode, 1);
        QCOMPARE(f.window->item(QStringLiteral("mnTree"), 0)->text(), QStringLiteral("最初のﾍﾟｰｼﾞ(&P)"));
        QVERIFY(f.window->recentFiles().startsWith(path));
    }

    void theSavedPlacementIsShownAtStart()
    {
        MainFixture f;
        const QString path = f.databaseWithPage(QStringLiteral("Start.txdb"), QStringLiteral("親"), QStringLiteral("親\n"));
        QVERIFY(zSvr::instance().D_StDcDb(path));
        QVERIFY(f.page(1002, QStringLiteral("子"), QStringLiteral("子\n")) && f.place(1001, 1002, 1, QStringLiteral("子")));
        zSvr::instance().D_Close();
        yIni &ini = yIni::instance();
        ini.GetGtx(QStringLiteral("最近"));
        ini.SetVal(QStringLiteral("開始頁"), QStringLiteral("開く"));
        ini.SetVal(QStringLiteral("開始頁NO"), QStringLiteral("1002,1001,0"));
        ini.SetGtx();
        f.window->SetDBNo(path, 0);
        f.window->show();
        QCOMPARE(f.window->nDocNo, 1002);
        // The status line names the page shown, not the hint to choose one.
        QCOMPARE(f.window->keys().panelText(), QStringLiteral("     文書No:1002"));
    }

    // A maximised window starts maximised again, its normal place kept for when it is restored; a
    // window restored before the exit starts restored.
    void theMaximisedWindowIsRestored()
    {
        MainFixture f;
        f.start();
        const QString path = f.window->sDbPath;
        f.window->showMaximized();
        QTRY_VERIFY(f.window->isMaximized());
        const QSize normal = f.window->normalGeometry().size();
        f.window->IniWindow(true);
        for (const bool maximised : {true, false}) {
            f.window = std::make_unique<fmDoc>(nullptr, &f.services);
            f.window->SetDBNo(path, 0);
            f.window->show();
            QTRY_COMPARE(f.window->isMaximized(), maximised);
            f.window->showNormal();
            QTRY_VERIFY(!f.window->isMaximized());
            QCOMPARE(f.window->size(), normal);
            f.window->IniWindow(true);
        }
    }

    // A file is newer when the page was last saved no later than the file changed; a missing file,
    // a missing page or a page without a save time is not.
    void fileDateAgainstThePagesSave()
    {
        MainFixture f;
        f.start();
        QVERIFY(f.page(1001, QStringLiteral("頁"), QStringLiteral("text")));
        QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Update msDoc Set dyUdt = ? Where noDoc = 1001"),
                                         {QDateTime(QDate(2024, 5, 1), QTime(12, 0, 0))}));
        const QString file = f.dir.filePath(QStringLiteral("page.docx"));
        QVERIFY(TestHome::write(file, "x"));
        QFile handle(file);
        QVERIFY(handle.open(QIODevice::ReadWrite));
        const auto check = [&](const QString &no, const QString &path, const QDateTime &changed) {
            if (changed.isValid())
                handle.setFileTime(changed, QFileDevice::FileModificationTime);
            bool newer = true;
            QString title;
            f.window->ChkFileDate(no, path, newer, title);
            return QStringLiteral("%1|%2").arg(newer).arg(title);
        };
        QCOMPARE(check(QStringLiteral("1001"), file, QDateTime(QDate(2024, 5, 1), QTime(12, 0, 0)).addMSecs(400)),
                 QStringLiteral("1|頁"));
        QCOMPARE(check(QStringLiteral("1001"), file, QDateTime(QDate(2024, 5, 2), QTime(9, 0))), QStringLiteral("1|頁"));
        QCOMPARE(check(QStringLiteral("1001"), file, QDateTime(QDate(2024, 5, 1), QTime(11, 59, 59))), QStringLiteral("0|頁"));
        QCOMPARE(check(QStringLiteral("4711"), file, QDateTime()), QStringLiteral("0|"));
        QCOMPARE(check(QStringLiteral("1001"), f.dir.filePath(QStringLiteral("none.docx")), QDateTime()), QStringLiteral("0|"));
        QCOMPARE(check(QStringLiteral("1' Or '1'='1"), file, QDateTime()), QStringLiteral("0|"));
        QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Update msDoc Set dyUdt = Null Where noDoc = 1001")));
        QCOMPARE(check(QStringLiteral("1001"), file, QDateTime(QDate(2030, 1, 1), QTime(0, 0))), QStringLiteral("0|頁"));
    }

    // Opened empty, the database gets its first pages from another user: the refresh shows the first
    // and turns on what needs a page (F9, 一括, ﾍﾟｰｼﾞ) without waiting for a save here.
    void aRefreshThatFindsPagesEnablesThePageCommands()
    {
        MainFixture f;
        f.start();
        QCOMPARE(f.window->iTreeMode, 1);
        const auto enabled = [&f](const char *array, int index) {
            return f.window->item(QString::fromLatin1(array), index)->isEnabled();
        };
        QVERIFY(!enabled("mnTree", 1) && !enabled("mnDcDb", 2) && !enabled("mnJb", 0));
        QVERIFY(f.page(1001, QStringLiteral("他人の頁"), QStringLiteral("theirs")) && f.place(0, 1001, 0, QStringLiteral("他人の頁")));
        f.window->RefreshAll();
        QVERIFY2(f.prompt.messages.isEmpty(), qPrintable(f.prompt.messages.join(u'|')));
        QCOMPARE(f.window->iTreeMode, 2);
        QCOMPARE(f.window->item(QStringLiteral("mnTree"), 0)->text(), QStringLiteral("前に新規ﾍﾟｰｼﾞ(&P)"));
        QVERIFY(enabled("mnTree", 1) && enabled("mnDcDb", 2) && enabled("mnJb", 0));
        QCOMPARE(f.window->nDocNo, 1001);
        // F9 now adds the next page after the one shown.
        f.window->fnMenu(14, 1);
        QVERIFY(f.window->tree().hasNewNode());
        QCOMPARE(f.window->nDocNo, 1002);
    }

    void aNewPageTakesTheNextNumber()
    {
        MainFixture f;
        f.start();
        // Numbers below 1000 come from other databases and imports; the next page follows the highest.
        QVERIFY(f.page(7, QStringLiteral("七"), QStringLiteral("七\n")));
        f.window->NewPage(0);
        QCOMPARE(f.window->nDocNo, 8);
    }

    // A page from elsewhere numbered at the top of the 32-bit page numbers or past them: no number
    // is left for a new page, and none cut down to 32 bits names a page already stored.
    void noNumberLeftRefusesANewPage_data()
    {
        QTest::addColumn<qint64>("highest");
        QTest::newRow("the highest 32-bit number") << qint64(0x7fffffff);
        QTest::newRow("past 32 bits, cut to 1001") << qint64(0x100000000LL + 1000);
    }

    void noNumberLeftRefusesANewPage()
    {
        QFETCH(qint64, highest);
        MainFixture f;
        f.start();
        f.savedPage(QStringLiteral("一\n"));
        QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Insert Into msDoc (noDoc, szDoc, txDoc) Values (?, 'foreign', 'foreign')"), {highest}));
        f.prompt.messages.clear();
        f.window->NewPage(0);
        QCOMPARE(f.window->nDocNo, 0);
        QVERIFY(!f.window->tree().hasNewNode());
        QCOMPARE(f.prompt.messages, QStringList{QStringLiteral("新しいﾍﾟｰｼﾞ番号がありません\n"
                                                               "ﾃﾞｰﾀｰﾍﾞｰｽに最大のﾍﾟｰｼﾞ番号(%1)の文書があります").arg(highest)});
        f.type(QStringLiteral("二\n"));
        f.window->fnMenu(3, 18);
        QCOMPARE(f.count(QStringLiteral("msDoc")), 2);
        QCOMPARE(f.value(QStringLiteral("Select txDoc From msDoc Where noDoc = 1001")).toString(), QStringLiteral("一\n"));
        // A new page whose number was taken meanwhile finds no free one above the highest either.
        PageWrite write(1001, PageStamp());
        const PageWrite::Row row{QStringLiteral("三"), QStringLiteral("三\n"), QStringLiteral("."), QByteArray("PAGE\n"), QDateTime()};
        QCOMPARE(write.run(row, [](PageWrite::Placement, qint64, const QString &) { return true; }), PageWrite::Failed);
        QCOMPARE(f.count(QStringLiteral("msDoc")), 2);
    }

    void aFileThatIsNotADatabaseLeavesNone()
    {
        MainFixture f;
        const QString path = f.dir.filePath(QStringLiteral("broken.txdb"));
        QVERIFY(TestHome::write(path, "PK\x03\x04 not a database at all"));
        f.window->SetDBNo(path, 0);
        f.window->show();
        QVERIFY(!zSvr::instance().isOpen());
        QVERIFY(f.window->sDbPath.isEmpty());
        QVERIFY(!f.window->windowTitle().contains(QStringLiteral("broken")));
        QVERIFY(!f.window->item(QStringLiteral("mnDb"), 6)->isEnabled());
        QVERIFY(!f.window->item(QStringLiteral("mnJb"), 1)->isEnabled());
        // The user is told why, in a box rather than a status line cut off at the window's edge.
        QCOMPARE(f.prompt.messages, QStringList{path + QStringLiteral("\nFenwar・Harvessaの文書データーベースではありません")});
        // Through the open command too; an empty file stays empty.
        const QString empty = f.dir.filePath(QStringLiteral("empty.txdb"));
        QVERIFY(TestHome::write(empty, QByteArray()));
        QVERIFY(f.window->OpenDb(empty).isEmpty());
        QCOMPARE(f.prompt.messages.last(), empty + QStringLiteral("\nFenwar・Harvessaの文書データーベースではありません"));
        QCOMPARE(QFileInfo(empty).size(), 0);
    }

    void aDatabaseOfAnotherKindIsRefused()
    {
        MainFixture f;
        const QString path = f.database(QStringLiteral("Other.txdb"));
        f.window->show();
        QVERIFY(zSvr::instance().D_StDcDb(path));
        QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Update kaUsr Set DmFmt = Null")));
        zSvr::instance().D_Close();
        QVERIFY(f.window->OpenDb(path).isEmpty());
        QCOMPARE(f.prompt.messages.value(0), QStringLiteral("Fenwar・Harvessaの文書データーベースではありません"));
        QVERIFY(!zSvr::instance().isOpen());
        QVERIFY(f.window->sDbPath.isEmpty());
    }

    void newDatabaseStartsWithItsFirstPage()
    {
        MainFixture f;
        f.window->show();
        const QString path = f.dir.filePath(QStringLiteral("Neu.txdb"));
        f.prompt.files.enqueue(path);
        f.window->NewDb();
        QCOMPARE(f.window->sDbPath, path);
        QVERIFY(QFileInfo(path).isFile());
        QCOMPARE(f.window->nDocNo, 1001);
        QVERIFY(f.window->tree().hasNewNode());
        QCOMPARE(f.window->iTreeMode, 1);
        f.type(QStringLiteral("最初の頁\n本文です"));
        f.window->fnMenu(3, 18);
        QCOMPARE(f.value(QStringLiteral("Select szDoc From msDoc Where noDoc = 1001")).toString(), QStringLiteral("最初の頁"));
        QCOMPARE(f.value(QStringLiteral("Select boCod From msDoc Where noDoc = 1001")).toInt(), 0);
        QVERIFY(f.value(QStringLiteral("Select wkRnd From msDoc Where noDoc = 1001")).toDouble() >= 1);
        QCOMPARE(f.value(QStringLiteral("Select Count(*) From tbTree Where noLfC = 1001")).toInt(), 1);
        QCOMPARE(f.window->iTreeMode, 2);
        QVERIFY(!f.editor().bDcEdt());
        QCOMPARE(f.window->keys().panelText(), QStringLiteral("     文書No:1001"));
    }

    void theTemplateAsksBeforeOpening()
    {
        MainFixture f;
        f.start();
        const QString before = f.window->sDbPath;
        f.prompt.answers.enqueue(Prompt::Cancel);
        f.window->OpenDb(f.model());
        QVERIFY(f.prompt.messages.value(0).contains(QStringLiteral("は新規ﾃﾞｰﾀｰﾍﾞｰｽの雛形です")));
        QCOMPARE(f.window->sDbPath, before);
        QVERIFY(zSvr::instance().isOpen());
    }

    void f9SavesTheModifiedPageAndAddsTheNext()
    {
        MainFixture f;
        f.start();
        f.savedPage(QStringLiteral("一頁目\n"));
        QCOMPARE(f.window->nDocNo, 1001);
        f.type(QStringLiteral("一頁目\n書き足し"));
        f.prompt.answers.enqueue(Prompt::Yes);
        f.window->keys().keyPress(9, Qt::NoModifier);
        QCOMPARE(f.value(QStringLiteral("Select txDoc From msDoc Where noDoc = 1001")).toString(), QStringLiteral("一頁目\n書き足し"));
        QCOMPARE(f.window->nDocNo, 1002);
        QVERIFY(f.editor().edit().text().isEmpty());
        f.type(QStringLiteral("二頁目\n"));
        f.window->fnMenu(3, 18);
        QCOMPARE(f.count(QStringLiteral("msDoc")), 2);
        QCOMPARE(f.value(QStringLiteral("Select szDoc From msDoc Where noDoc = 1002")).toString(), QStringLiteral("二頁目"));
    }

    void cancellingTheQuestionKeepsThePage_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<QString>("question");
        QTest::newRow("new page") << 0 << QString();
        QTest::newRow("delete") << 1 << QStringLiteral("現在のﾍﾟｰｼﾞを削除して良いですか");
        QTest::newRow("exit") << 2 << QString();
    }

    void cancellingTheQuestionKeepsThePage()
    {
        QFETCH(int, command);
        QFETCH(QString, question);
        MainFixture f;
        f.start();
        f.savedPage(QStringLiteral("頁\n"));
        f.type(QStringLiteral("頁\n未保存"));
        f.prompt.answers.enqueue(Prompt::Cancel);
        if (command == 0)
            f.window->NewPage(1);
        else if (command == 1)
            f.window->DeletePage();
        else
            f.window->exitCommand();
        QVERIFY(!f.prompt.messages.isEmpty() && f.prompt.messages.last().endsWith(question));
        QCOMPARE(f.window->nDocNo, 1001);
        QVERIFY(f.editor().bDcEdt());
        QCOMPARE(f.editor().edit().text(), QStringLiteral("頁\n未保存"));
        QCOMPARE(f.count(QStringLiteral("tbTree")), 1);
        QVERIFY(f.window->isVisible());
        QVERIFY(zSvr::instance().isOpen());
        QVERIFY(!Usr::st().busy);
    }

    void aSaveWithoutTitleWritesNothingAndKeepsTheEdits()
    {
        MainFixture f;
        f.start();
        f.window->NewPage(0);
        f.type(QStringLiteral("改行のない一行"));
        f.prompt.inputs.enqueue(QString());
        f.window->fnMenu(3, 18);
        QCOMPARE(f.prompt.inputPrompts.value(0), QStringLiteral("ﾀｲﾄﾙを入力して下さい"));
        QCOMPARE(f.count(QStringLiteral("msDoc")), 0);
        QVERIFY(f.editor().bDcEdt());
        QCOMPARE(f.window->keys().panelLevel(), 1);   // the warning icon
        // The page asked about on leaving is kept when its save fails.
        f.prompt.answers.enqueue(Prompt::Yes);
        f.prompt.inputs.enqueue(QString());
        f.window->NewPage(1);
        QCOMPARE(f.window->nDocNo, 1001);
        QCOMPARE(f.editor().edit().text(), QStringLiteral("改行のない一行"));
    }

    void typedTitlesAreCleaned_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("stored");
        QTest::newRow("marks") << QStringLiteral("A & B <c> \"d\" 'e'") << QStringLiteral("x\n") << QStringLiteral("ABcde");
        QTest::newRow("quote and ?") << QStringLiteral("何?') Or 1=1") << QString() << QStringLiteral("何?)Or1=1");
        QTest::newRow("first line") << QString() << QStringLiteral("見出し\r\n本文") << QStringLiteral("見出し");
        QTest::newRow("fifty") << QString() << QString(60, QChar(0x3042)) + QLatin1Char('\n') << QString(50, QChar(0x3042));
    }

    void typedTitlesAreCleaned()
    {
        QFETCH(QString, typed);
        QFETCH(QString, text);
        QFETCH(QString, stored);
        MainFixture f;
        f.start();
        f.window->NewPage(0);
        f.type(text);
        f.editor().setTitle(typed);
        f.window->fnMenu(3, 18);
        QCOMPARE(f.value(QStringLiteral("Select szDoc From msDoc Where noDoc = 1001")).toString(), stored);
        if (!typed.isEmpty())
            QCOMPARE(f.editor().Title(), stored);
    }

    // A title taken from the prompt (a pasted answer of several lines) or kept from the stored row is
    // one line, in the page's row, its placement and the tree's node: its line ends go, as blanks do.
    void titlesAreOneLine_data()
    {
        QTest::addColumn<bool>("prompted"); // asked for; otherwise the old title of the stored row
        QTest::addColumn<QString>("given");
        QTest::addColumn<QString>("stored");
        QTest::newRow("line feed") << true << QStringLiteral("一行目\n二行目") << QStringLiteral("一行目二行目");
        QTest::newRow("CR LF") << true << QStringLiteral("一行目\r\n二行目\r\n三") << QStringLiteral("一行目二行目三");
        QTest::newRow("CR") << true << QStringLiteral("一行目\r二行目") << QStringLiteral("一行目二行目");
        QTest::newRow("line separator") << true << QStringLiteral("一行目") + QChar(0x2028) + QStringLiteral("二行目")
                                        << QStringLiteral("一行目二行目");
        QTest::newRow("paragraph separator") << true << QStringLiteral("一行目") + QChar(0x2029) + QStringLiteral("二行目")
                                             << QStringLiteral("一行目二行目");
        QTest::newRow("old title of two lines") << false << QStringLiteral("元の\n題") << QStringLiteral("元の題");
    }

    void titlesAreOneLine()
    {
        QFETCH(bool, prompted);
        QFETCH(QString, given);
        QFETCH(QString, stored);
        MainFixture f;
        if (prompted) {
            f.start();
            f.window->NewPage(0);
            f.type(QStringLiteral("改行のない一行"));
            f.prompt.inputs.enqueue(given);
        } else {
            // A database from elsewhere whose page is stored under a title of two lines.
            f.window->SetDBNo(f.databaseWithPage(QStringLiteral("Old.txdb"), given, QStringLiteral("元の題\n")), 0);
            f.window->show();
            f.window->tree().SetLeaf(QStringLiteral("1001"));
            QTRY_COMPARE(f.window->nDocNo, 1001);
            f.editor().setTitle(QString());
            f.type(QStringLiteral("\n二行目"));
        }
        f.window->fnMenu(3, 18);
        QCOMPARE(f.prompt.inputPrompts.size(), prompted ? 1 : 0);
        QCOMPARE(f.value(QStringLiteral("Select szDoc From msDoc Where noDoc = 1001")).toString(), stored);
        QCOMPARE(f.value(QStringLiteral("Select szDoc From tbTree Where noLfC = 1001")).toString(), stored);
        auto *view = f.window->tree().findChild<QTreeWidget *>(QStringLiteral("trView"));
        QVERIFY(view && view->topLevelItemCount() == 1);
        QVERIFY2(!view->topLevelItem(0)->text(0).contains(u'\n'), qPrintable(view->topLevelItem(0)->text(0)));
    }

    // A title is stored alike on the first save and on every later one, whatever gave it, and as
    // the tree's copy holds it: without half-width blanks and marks.
    void aTitleIsStoredAlikeOnEverySave_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("prompted");
        QTest::addColumn<QString>("stored");
        QTest::newRow("first line") << QString() << QStringLiteral("第2章 設定\n本文") << QString()
                                    << QStringLiteral("第2章設定");
        QTest::newRow("first line with marks") << QString() << QStringLiteral(" A & <b> \"c\" 'd' \n本文") << QString()
                                               << QStringLiteral("Abcd");
        QTest::newRow("full-width blank stays") << QString() << QStringLiteral("第2章\u3000設定\n本文") << QString()
                                                << QStringLiteral("第2章\u3000設定");
        QTest::newRow("typed") << QStringLiteral("第2章 設定") << QStringLiteral("本文\n") << QString()
                               << QStringLiteral("第2章設定");
        QTest::newRow("prompted") << QString() << QStringLiteral("改行のない一行") << QStringLiteral(" 第2章 設定 ")
                                  << QStringLiteral("第2章設定");
    }

    void aTitleIsStoredAlikeOnEverySave()
    {
        QFETCH(QString, typed);
        QFETCH(QString, text);
        QFETCH(QString, prompted);
        QFETCH(QString, stored);
        MainFixture f;
        f.start();
        f.window->NewPage(0);
        f.type(text);
        f.editor().setTitle(typed);
        if (!prompted.isEmpty())
            f.prompt.inputs.enqueue(prompted);
        const auto title = [&f](const QString &table) {
            return f.value(QStringLiteral("Select szDoc From %1 Where %2 = 1001")
                               .arg(table, table == QLatin1String("msDoc") ? QStringLiteral("noDoc") : QStringLiteral("noLfC")))
                .toString();
        };
        f.window->fnMenu(3, 18);
        QCOMPARE(title(QStringLiteral("msDoc")), stored);
        QCOMPARE(title(QStringLiteral("tbTree")), stored);
        // Saved again as it stands, then again once the page is opened anew with its title in the box.
        f.type(text + QStringLiteral("続き"));
        f.window->fnMenu(3, 18);
        QCOMPARE(title(QStringLiteral("msDoc")), stored);
        QVERIFY(f.window->LoadPage(QStringLiteral("1001"), QString(), 0, true));
        QCOMPARE(f.editor().Title(), stored);
        f.editor().setBDcEdt(true);
        f.window->fnMenu(3, 18);
        QCOMPARE(title(QStringLiteral("msDoc")), stored);
        QCOMPARE(title(QStringLiteral("tbTree")), stored);
        QCOMPARE(f.prompt.inputPrompts.size(), prompted.isEmpty() ? 0 : 1);
    }

    // Four new pages, F8 each: a copy of the file alone, made while the window has it open (a
    // backup, a mail, a sync), holds all four with their places in the tree.
    void aCopyOfTheOpenFileHoldsEverySave()
    {
        MainFixture f;
        f.start();
        for (int i = 1; i <= 4; ++i)
            f.savedPage(QStringLiteral("頁%1\n本文").arg(i));
        QVERIFY(zSvr::instance().isOpen());
        // Back at the event loop, as after every key the user presses.
        QCoreApplication::processEvents();
        const QString copy = f.dir.filePath(QStringLiteral("Copy.txdb"));
        QVERIFY(QFile::copy(f.window->sDbPath, copy));
        DbConnection db;
        QVERIFY(db.openSqlite(copy, true));
        QSqlQuery q;
        QVERIFY(db.select(q, QStringLiteral("Select (Select Count(*) From msDoc), (Select Count(*) From tbTree)"), {}, false, true));
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toInt(), 4);
        QCOMPARE(q.value(1).toInt(), 4);
    }

    void anEmptyFirstLineTakesTheOldTitle()
    {
        MainFixture f;
        f.start();
        f.savedPage(QStringLiteral("元の題\n"));
        f.editor().setTitle(QString());
        f.type(QStringLiteral("\n二行目"));
        f.window->fnMenu(3, 18);
        QCOMPARE(f.value(QStringLiteral("Select szDoc From msDoc Where noDoc = 1001")).toString(), QStringLiteral("元の題"));
        QVERIFY(f.prompt.inputPrompts.isEmpty());
    }

    // Saved while the caret is in a header: the page's text and tags are still the body's.
    void aSaveFromAHeaderStoresTheBodysText()
    {
        MainFixture f;
        f.start();
        f.savedPage(QStringLiteral("本文の一行目\n"));
        RichTextEdit &edit = f.editor().edit();
        edit.setText(QStringLiteral("本文の一行目\n続き "));
        edit.select(7, 2);
        const int id = edit.insertField(QStringLiteral("続き"));
        QVERIFY(edit.setCurrentField(id));
        QVERIFY(edit.setFieldData(QStringLiteral("TG_1002")));
        edit.page()->setPartFlags(TextProps::HeaderAll);
        QVERIFY(edit.editPart(TextProps::HeaderAll));
        edit.setText(QStringLiteral("見出し"));
        f.editor().setBDcEdt(true);
        f.window->fnMenu(3, 18);
        QCOMPARE(f.value(QStringLiteral("Select txDoc From msDoc Where noDoc = 1001")).toString(),
                 QStringLiteral("本文の一行目\n続き "));
        QCOMPARE(f.value(QStringLiteral("Select saTgs From msDoc Where noDoc = 1001")).toString(), QStringLiteral(".1002."));
        QCOMPARE(edit.currentPart(), int(TextProps::HeaderAll));
    }

    void tagListsHoldEachTargetOnce()
    {
        PageDocument page;
        RichTextEdit edit(&page);
        edit.setText(QStringLiteral("abc def ghi jkl "));
        const char *const data[] = {"TG_1024", "http://example.com", "tg_1024", "TG_12_1031", "TP_7"};
        for (int k = 0; k < 5; ++k) {
            edit.select(k * 3, 2);
            const int id = edit.insertField(QStringLiteral("f%1").arg(k));
            QVERIFY(id != 0);
            QVERIFY(edit.setCurrentField(id));
            QVERIFY(edit.setFieldData(QString::fromLatin1(data[k])));
        }
        QCOMPARE(fmDoc::TagList(edit), QStringLiteral(".1024.12_1031."));
        RichTextEdit plain(new PageDocument(&page));
        QCOMPARE(fmDoc::TagList(plain), QStringLiteral("."));
    }

    void aReadOnlyDatabaseWritesNothing()
    {
        MainFixture f;
        const QString path = f.databaseWithPage(QStringLiteral("ro.txdb"), QStringLiteral("頁"), QStringLiteral("元"), 1);
        QVERIFY(!path.isEmpty());
        QFile(path).setPermissions(QFile::ReadOwner);
        f.window->SetDBNo(path, 0);
        f.window->show();
        QCOMPARE(f.window->nDocNo, 1001);
        f.type(QStringLiteral("変更\n"));
        f.window->fnMenu(3, 18);
        QCOMPARE(f.value(QStringLiteral("Select txDoc From msDoc Where noDoc = 1001")).toString(), QStringLiteral("元"));
        QVERIFY(f.prompt.messages.contains(zSvr::readOnlyMessage()));
        QVERIFY(f.editor().bDcEdt());
        QFile(path).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    }

    void automaticSaveCountsTheWholeInterval_data()
    {
        QTest::addColumn<int>("minutes");
        QTest::addColumn<int>("seconds");
        QTest::addColumn<bool>("saved");
        QTest::newRow("10:00") << 10 << 600 << false;
        QTest::newRow("10:01") << 10 << 601 << true;
        QTest::newRow("1:05:00") << 10 << 3900 << true;
        QTest::newRow("a day") << 10 << 86400 << true;
        QTest::newRow("off") << 0 << 86400 << false;
    }

    void automaticSaveCountsTheWholeInterval()
    {
        QFETCH(int, minutes);
        QFETCH(int, seconds);
        QFETCH(bool, saved);
        FixedClock clock;
        MainFixture f;
        const QString path = f.databaseWithPage(QStringLiteral("auto.txdb"), QStringLiteral("頁"), QStringLiteral("元"), 1);
        QVERIFY(!path.isEmpty());
        f.window->SetDBNo(path, 0);
        f.window->show();
        f.window->iAsv = minutes;
        QVERIFY(f.window->LoadPage(QStringLiteral("1001"), QString(), 3, true));
        clock.time = clock.time.addSecs(seconds);
        f.editor().edit().setText(QStringLiteral("新しい本文\n"));
        f.editor().setBDcEdt(true);
        QCOMPARE(f.value(QStringLiteral("Select txDoc From msDoc Where noDoc = 1001")).toString() != QStringLiteral("元"), saved);
        QCOMPARE(f.editor().bDcEdt(), !saved);
    }

    void aFailedLoadKeepsThePageShown()
    {
        MainFixture f;
        f.start();
        f.savedPage(QStringLiteral("残る頁\n"));
        QVERIFY(!f.window->LoadPage(QStringLiteral("4711"), QString(), 0, false));
        QCOMPARE(f.window->nDocNo, 1001);
        QCOMPARE(f.editor().edit().text(), QStringLiteral("残る頁\n"));
        QVERIFY(!f.window->LoadPage(QStringLiteral("1001 Or 1=1"), QString(), 0, false));
        QCOMPARE(f.count(QStringLiteral("msDoc")), 1);
    }

    void aPageWithoutDocumentOpensWithItsText()
    {
        MainFixture f;
        f.start();
        QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Insert Into msDoc (noDoc, szDoc, txDoc) Values (1001, '?', '?')"),
                                   {QStringLiteral("外から"), QStringLiteral("取り込んだ本文")}));
        QVERIFY(f.window->LoadPage(QStringLiteral("1001"), QString(), 0, false));
        QCOMPARE(f.window->nDocNo, 1001);
        QCOMPARE(f.editor().edit().text(), QStringLiteral("取り込んだ本文"));
        QCOMPARE(f.editor().Title(), QStringLiteral("外から"));
        QVERIFY(!f.editor().bDcEdt());
    }

    void aDamagedPageIsShownButNeverWrittenBack()
    {
        MainFixture f;
        f.start();
        QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Insert Into msDoc (noDoc, szDoc, txDoc, obDoc) Values (1001, '?', '?', ?)"),
                                   {QStringLiteral("壊れた頁"), QStringLiteral("残っている本文"), QByteArray("\x89garbage")}));
        QVERIFY(!f.window->LoadPage(QStringLiteral("1001"), QString(), 0, false));
        QCOMPARE(f.editor().edit().text(), QStringLiteral("残っている本文"));
        QVERIFY(f.editor().loadFailed());
        f.editor().setBDcEdt(true);
        f.window->fnMenu(3, 18);
        QCOMPARE(f.prompt.messages.last(), QStringLiteral("読み込めなかった文書は保存できません"));
        QCOMPARE(f.value(QStringLiteral("Select obDoc From msDoc Where noDoc = 1001")).toByteArray(), QByteArray("\x89garbage"));
    }

    void aTagClickShowsTheTaggedPage()
    {
        MainFixture f;
        const QString path = f.databaseWithPage(QStringLiteral("tag.txdb"), QStringLiteral("行き先"), QStringLiteral("着いた"));
        QVERIFY(!path.isEmpty());
        f.window->SetDBNo(path, 0);
        f.window->show();
        f.savedPage(QStringLiteral("出発\n"), 1);
        QString kind = QStringLiteral("TG"), caption = QStringLiteral("行き先"), link = QStringLiteral("1001");
        emit f.editor().eClckLink(kind, caption, link);
        QCOMPARE(f.window->nDocNo, 1001);
        QCOMPARE(f.editor().edit().text(), QStringLiteral("着いた"));
        QCOMPARE(f.window->keys().panelText(), QStringLiteral("     文書No:1001"));
    }

    // F9 made an unsaved node, and another page was opened without choosing a node (a tag in the
    // page, the recent or the find list): the node stood for nothing any more, yet the next save of
    // the page shown placed it there too, a second home beside its own.
    void aPageOpenedElsewhereTakesNoUnsavedNode_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("tag") << "tag";
        QTest::newRow("recent list") << "recent";
    }

    void aPageOpenedElsewhereTakesNoUnsavedNode()
    {
        QFETCH(QString, how);
        MainFixture f;
        const QString path = f.databaseWithThreePages(QStringLiteral("three.txdb"));
        QVERIFY(!path.isEmpty());
        f.window->SetDBNo(path, 1001);
        f.window->show();
        QCOMPARE(f.window->nDocNo, 1001);
        f.window->NewPage(1);
        QVERIFY(f.window->tree().hasNewNode());
        if (how == QLatin1String("tag")) {
            QString kind = QStringLiteral("TG"), caption = QStringLiteral("本文"), link = QStringLiteral("1003");
            emit f.editor().eClckLink(kind, caption, link);
        } else {
            f.window->tree().SetRcnt(QStringLiteral("1003"), QStringLiteral("本文"));
            f.window->tree().SetFrame(3);
            auto *recent = f.window->tree().findChild<QListWidget *>(QStringLiteral("lsRsnt"));
            QVERIFY(recent && recent->count() > 0);
            QListWidgetItem *entry = recent->item(recent->count() - 1);
            QTest::mouseClick(recent->viewport(), Qt::LeftButton, {}, recent->visualItemRect(entry).center());
        }
        QCOMPARE(f.window->nDocNo, 1003);
        QVERIFY(!f.window->tree().hasNewNode());
        f.type(QStringLiteral("本文\n書き足し"));
        f.window->fnMenu(3, 18);
        QVERIFY2(f.prompt.messages.isEmpty(), qPrintable(f.prompt.messages.join(u'|')));
        QCOMPARE(f.value(QStringLiteral("Select txDoc From msDoc Where noDoc = 1003")).toString(), QStringLiteral("本文\n書き足し"));
        QCOMPARE(f.value(QStringLiteral("Select Count(*) From tbTree Where noLfC = 1003")).toInt(), 1);
        QCOMPARE(f.count(QStringLiteral("tbTree")), 3);
        // F9 now adds its page beside the node chosen, not where the forgotten one stood.
        f.window->tree().SetFrame(1);
        f.window->NewPage(1);
        QVERIFY(f.window->tree().hasNewNode());
        f.type(QStringLiteral("新しい頁\n"));
        f.window->fnMenu(3, 18);
        QCOMPARE(f.count(QStringLiteral("tbTree")), 4);
    }

    // A page pasted from the clip list into the unsaved node of a new page: the typed page is asked
    // about first, and saved it keeps its node, the paste going after it. The paste used to take the
    // node first, and the save that its question then offered was refused for want of a place.
    void pastingIntoANewNodeAsksAboutTheTypedPageFirst()
    {
        MainFixture f;
        const QString path = f.databaseWithThreePages(QStringLiteral("paste.txdb"));
        QVERIFY(!path.isEmpty());
        f.window->SetDBNo(path, 1001);
        f.window->show();
        f.window->tree().SetLeaf(QStringLiteral("1003"));
        QTRY_COMPARE(f.window->nDocNo, 1003);
        f.window->tree().trCopy(false);
        f.window->tree().SetLeaf(QStringLiteral("1001"));
        QTRY_COMPARE(f.window->nDocNo, 1001);
        f.window->NewPage(1);
        QCOMPARE(f.window->nDocNo, 1004);
        f.type(QStringLiteral("新しい頁\n本文"));
        f.prompt.answers << Prompt::Yes;
        QString caption = QStringLiteral("本文");
        f.window->tree().trIns(0, caption, QStringLiteral("*"));
        QVERIFY2(f.prompt.messages.size() == 1, qPrintable(f.prompt.messages.join(u'|')));
        QCOMPARE(f.value(QStringLiteral("Select txDoc From msDoc Where noDoc = 1004")).toString(), QStringLiteral("新しい頁\n本文"));
        QCOMPARE(f.value(QStringLiteral("Select Count(*) From tbTree Where noLfC = 1004")).toInt(), 1);
        QCOMPARE(f.value(QStringLiteral("Select Count(*) From tbTree Where noLfC = 1003")).toInt(), 2);
        QVERIFY(!f.window->tree().hasNewNode());
        QCOMPARE(f.window->nDocNo, 1003);
        QVERIFY(!f.editor().bDcEdt());
    }

    void theDeleteMessageNamesReferrersAndChildren()
    {
        MainFixture f;
        f.start();
        QVERIFY(f.page(1001, QStringLiteral("対象"), QString()));
        QVERIFY(f.page(1002, QStringLiteral("甲"), QString(), QStringLiteral(".1001.")));
        QVERIFY(f.page(1003, QStringLiteral("乙"), QString(), QStringLiteral(".5.1001.")));
        QVERIFY(f.page(1004, QStringLiteral("別"), QString(), QStringLiteral(".10011.")));
        QVERIFY(f.place(1001, 1011, 3, QStringLiteral("子c")));
        QVERIFY(f.place(1001, 1012, 1, QStringLiteral("子a")));
        QVERIFY(f.place(1001, 1013, 2, QStringLiteral("子b")));
        QCOMPARE(f.window->DeleteMessage(QStringLiteral("N1-1001")),
                 QStringLiteral("現在のﾍﾟｰｼﾞは \"甲\" \"乙\"  から参照されています\r"
                                "現在のﾍﾟｰｼﾞから \"子a\" \"子b\" \"子c\"  へNavigate されています\r"));
        QCOMPARE(f.window->DeleteMessage(QStringLiteral("X3-1001")), QString());
        QCOMPARE(f.window->DeleteMessage(QStringLiteral("NewNode")), QString());
    }

    void theRecentListIsCappedAndOrdered()
    {
        MainFixture f;
        f.start(QStringLiteral("r0.txdb"));
        QStringList opened = {f.window->sDbPath};
        for (int k = 1; k <= 12; ++k) {
            const QString path = f.database(QStringLiteral("r%1.txdb").arg(k));
            QCOMPARE(f.window->OpenDb(path), path);
            opened.prepend(path);
        }
        QCOMPARE(f.window->recentFiles(), opened.mid(0, 11));
        // A database already listed keeps the order.
        QCOMPARE(f.window->OpenDb(opened.at(5)), opened.at(5));
        QCOMPARE(f.window->recentFiles(), opened.mid(0, 11));
        QVERIFY(f.window->item(QStringLiteral("mnDbs"), 0)->text().startsWith(QStringLiteral("1.")));
        // A file that is gone leaves the list when chosen.
        QVERIFY(QFile::remove(opened.at(2)));
        f.window->openRecent(2);
        QVERIFY(!f.window->item(QStringLiteral("mnDbs"), 2)->isVisible());
        QCOMPARE(f.window->sDbPath, opened.at(5));
    }

    void openingAnotherDatabaseLeavesItsOrderAlone()
    {
        MainFixture f;
        const QString second = f.databaseWithPage(QStringLiteral("B.txdb"), QStringLiteral("B1"), QStringLiteral("b"), 7);
        QVERIFY(!second.isEmpty());
        f.start(QStringLiteral("A.txdb"));
        f.savedPage(QStringLiteral("A1\n"));
        f.savedPage(QStringLiteral("A2\n"), 1);
        QCOMPARE(f.window->OpenDb(second), second);
        QCOMPARE(f.value(QStringLiteral("Select inSrt From tbTree Where noLfC = 1001")).toInt(), 7);
        QCOMPARE(f.count(QStringLiteral("tbTree")), 1);
    }

    void openAsksAboutTheEditsFirst()
    {
        MainFixture f;
        const QString second = f.database(QStringLiteral("B.txdb"));
        f.start(QStringLiteral("A.txdb"));
        const QString first = f.window->sDbPath;
        f.savedPage(QStringLiteral("A1\n"));
        f.type(QStringLiteral("A1\n追記"));
        f.prompt.answers.enqueue(Prompt::Yes);
        QCOMPARE(f.window->OpenDb(second), second);
        QCOMPARE(f.window->nDocNo, 0);
        QVERIFY(zSvr::instance().D_StDcDb(first));
        QCOMPARE(f.value(QStringLiteral("Select txDoc From msDoc Where noDoc = 1001")).toString(), QStringLiteral("A1\n追記"));
    }

    void importAsksAboutTheEditsFirst()
    {
        MainFixture f;
        f.start();
        f.savedPage(QStringLiteral("頁\n"));
        f.type(QStringLiteral("頁\n未保存"));
        // Cancel: the import does not start, the edits stay.
        f.prompt.answers.enqueue(Prompt::Cancel);
        f.window->menuClicked(QStringLiteral("mnRet"), 6);
        QCOMPARE(f.prompt.messages.size(), 1);
        QVERIFY(f.prompt.dialogTitles.isEmpty());
        QVERIFY(f.editor().bDcEdt());
        QCOMPARE(f.editor().edit().text(), QStringLiteral("頁\n未保存"));
        // Yes: the page is stored before the import asks for its source.
        f.prompt.answers.enqueue(Prompt::Yes);
        f.window->menuClicked(QStringLiteral("mnRet"), 6);
        QCOMPARE(f.value(QStringLiteral("Select txDoc From msDoc Where noDoc = 1001")).toString(), QStringLiteral("頁\n未保存"));
        QCOMPARE(f.prompt.dialogTitles.value(0), QStringLiteral("頁←文書ﾃﾞｰﾀｰﾍﾞｰｽのｲﾝﾎﾟｰﾄ"));
    }

    // "No" gives the edits up only to an import that puts its page in their place: one that is
    // cancelled or refused leaves them on screen and still marked, so that leaving the page asks.
    void declinedEditsStayMarkedUntilTheImportReplacesThem()
    {
        MainFixture f;
        const QString source = f.databaseWithPage(QStringLiteral("Source.txdb"), QStringLiteral("外"), QStringLiteral("外\n"));
        QVERIFY(!source.isEmpty());
        f.start();
        f.savedPage(QStringLiteral("頁\n"));
        const QString edited = QStringLiteral("頁\n未保存");
        // The file dialog cancelled; the open database itself, refused; the question cancelled.
        for (const QString &file : {QString(), f.window->sDbPath, source}) {
            f.type(edited);
            f.prompt.answers.enqueue(Prompt::No);
            f.prompt.answers.enqueue(Prompt::Cancel);
            f.prompt.files.enqueue(file);
            f.window->menuClicked(QStringLiteral("mnRet"), 6);
            QVERIFY2(f.editor().bDcEdt(), qPrintable(file));
            QCOMPARE(f.editor().edit().text(), edited);
            QCOMPARE(f.window->nDocNo, 1001);
            f.prompt.answers.clear();
        }
        QCOMPARE(f.value(QStringLiteral("Select txDoc From msDoc Where noDoc = 1001")).toString(), QStringLiteral("頁\n"));
        // A page switch still asks about them.
        f.prompt.messages.clear();
        f.prompt.answers.enqueue(Prompt::Cancel);
        QVERIFY(!f.window->leaveCurrentPage());
        QCOMPARE(f.prompt.messages, QStringList{QStringLiteral("現在の文書を保存しますか")});
        // Done: the imported page replaces the edits, which "No" gave up.
        f.prompt.answers.enqueue(Prompt::No);
        f.prompt.answers.enqueue(Prompt::Ok);
        f.prompt.files.enqueue(source);
        f.window->menuClicked(QStringLiteral("mnRet"), 6);
        QVERIFY(!f.editor().bDcEdt());
        QCOMPARE(f.value(QStringLiteral("Select txDoc From msDoc Where noDoc = 1001")).toString(), QStringLiteral("外\n"));
        QCOMPARE(f.editor().edit().text(), QStringLiteral("外\n"));
    }

    void theSaveFormLeavesTheExistingFileQuestionToItsCaller()
    {
        // The database-file dialog's save form is followed by the caller's own question.
        struct Recording : ScriptedPrompt {
            QStringList unasked;
            QString saveFileUnasked(const QString &title, const QString &dir, const QString &filter) override
            {
                unasked << title;
                return saveFile(title, dir, filter);
            }
        };
        MainFixture f;
        f.start();
        {
            Recording prompt;
            prompt.files.enqueue(QString());
            QCOMPARE(f.window->SelectDbFile(true, QStringLiteral("保存先"), QString()), QString());
            QCOMPARE(prompt.unasked, QStringList{QStringLiteral("保存先")});
        }
        Prompt::install(&f.prompt);
    }

    // While the database is being opened the status line does not say it is open, and the page of
    // the one left no longer shows.
    void theOpenIsToldOnceTheDatabaseIsOpen()
    {
        MainFixture f;
        const QString other = f.database(QStringLiteral("Other.txdb"));
        QVERIFY(zSvr::instance().D_StDcDb(other));
        QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Update kaUsr Set DmFmt = Null")));
        zSvr::instance().D_Close();
        f.start();
        f.savedPage(QStringLiteral("一頁目\n"));
        QString status, page;
        f.prompt.meanwhile = [&](const QString &) {
            status = f.window->keys().panelText();
            page = f.editor().edit().text();
        };
        QVERIFY(f.window->OpenDb(other).isEmpty());
        QCOMPARE(f.prompt.messages.size(), 1);
        QCOMPARE(status.trimmed(), QString());
        QCOMPARE(page, QString());
        QVERIFY(f.window->keys().panelText().endsWith(other + QStringLiteral("を開けませんでした")));
    }

    // The disk that holds the database fills: a save, a save as and an import that cannot write
    // say so, and keep what they had (the edits, the open database, its pages); once room is made
    // they go through.
    void aFullDiskIsNamed_data()
    {
        QTest::addColumn<int>("command");
        QTest::newRow("save") << 0;
        QTest::newRow("save as") << 1;
        QTest::newRow("import") << 2;
    }
    void aFullDiskIsNamed()
    {
        QFETCH(int, command);
        FullDisk disk;
        MainFixture f;
        const QString big = QStringLiteral("大きな頁\n") + QString(100000, u'字');
        const QString source = f.databaseWithPage(QStringLiteral("Source.txdb"), QStringLiteral("外"), big);
        f.start();
        f.savedPage(QStringLiteral("頁\n"));
        QCoreApplication::processEvents();
        const QString path = f.window->sDbPath;
        const QString copy = f.dir.filePath(QStringLiteral("Copy.txdb"));
        const auto run = [&] {
            f.prompt.messages.clear();
            if (command == 0) {
                f.window->fnMenu(3, 18);
            } else if (command == 1) {
                f.prompt.files.enqueue(copy);
                f.window->SaveDbAs();
            } else {
                f.prompt.answers.enqueue(Prompt::Ok);
                f.prompt.files.enqueue(source);
                f.window->menuClicked(QStringLiteral("mnRet"), 6);
            }
        };
        if (command == 0)
            f.type(big);
        disk.fill();
        run();
        const QString full = QStringLiteral("ﾃﾞｨｽｸの空きが足りません");
        const QString told[] = {
            QStringLiteral("文書No:1001 を保存できませんでした｡\nﾃﾞｰﾀｰﾍﾞｰｽに書き込めません(%1)｡\n編集中の内容はそのまま残っています｡").arg(full),
            copy + QStringLiteral("への複写に失敗しました\n") + full,
            zSvr::instance().sSvr + QStringLiteral(" に書き込めませんでした\n") + full + QStringLiteral("\nｲﾝﾎﾟｰﾄを実行しませんでした")};
        QCOMPARE(f.prompt.messages.value(f.prompt.messages.size() - 1), told[command]);
        QCOMPARE(f.window->sDbPath, path);
        QVERIFY(zSvr::instance().isOpen());
        QCOMPARE(f.editor().bDcEdt(), command == 0);
        const auto stored = [&f] { return f.value(QStringLiteral("Select txDoc From msDoc Where noDoc = 1001")).toString(); };
        QCOMPARE(stored(), QStringLiteral("頁\n"));
        QVERIFY(!QFileInfo::exists(copy));

        disk.empty();
        run();
        QVERIFY2(f.prompt.messages.isEmpty() || command == 2, qPrintable(f.prompt.messages.join(u'|')));
        QCOMPARE(stored(), command == 1 ? QStringLiteral("頁\n") : big);
        QCOMPARE(f.window->sDbPath, command == 1 ? copy : path);
        QVERIFY(!f.editor().bDcEdt());
    }

    void closeAndSaveAs()
    {
        MainFixture f;
        f.start();
        f.savedPage(QStringLiteral("写す\n"));
        f.prompt.files.enqueue(f.window->sDbPath);
        f.window->SaveDbAs();
        QCOMPARE(f.prompt.messages.last(), QStringLiteral("複写先と現在のﾌｧｲﾙが同一です"));
        const QString copy = f.dir.filePath(QStringLiteral("Copy.txdb"));
        f.prompt.files.enqueue(copy);
        f.window->SaveDbAs();
        QCOMPARE(f.window->sDbPath, copy);
        QCOMPARE(f.count(QStringLiteral("msDoc")), 1);
        QVERIFY(f.window->keys().panelText().contains(QStringLiteral("ｵ-ﾌﾟﾝしました")));
        f.window->CloseDb();
        QVERIFY(!zSvr::instance().isOpen());
        QVERIFY(f.window->sDbPath.isEmpty());
        QCOMPARE(f.window->nDocNo, 0);
        QCOMPARE(f.window->keys().panelText().trimmed(), QString());
        QVERIFY(!f.window->item(QStringLiteral("mnDb"), 6)->isEnabled());
    }

    // Saves another program keeps in the file's log (it has the file open) are in every whole copy.
    void copiesKeepTheSavesInTheLog_data()
    {
        QTest::addColumn<bool>("saveAs");
        QTest::newRow("save as") << true;
        QTest::newRow("new from the template") << false;
    }
    void copiesKeepTheSavesInTheLog()
    {
        QFETCH(bool, saveAs);
        MainFixture f;
        f.start();
        f.savedPage(QStringLiteral("写す\n"));
        OtherProgram other;
        QVERIFY(other.open(saveAs ? f.window->sDbPath : f.model()));
        QVERIFY(other.run(saveAs ? "Insert Into msDoc (noDoc, szDoc) Values (1500, '他の保存');"
                                 : "Update kaUsr Set DmFmt = DmFmt || '<x>';"));
        const QString copy = f.dir.filePath(QStringLiteral("Copy.txdb"));
        f.prompt.files.enqueue(copy);
        if (saveAs) {
            f.window->SaveDbAs();
            QVERIFY(f.window->keys().panelText().endsWith(copy + QStringLiteral("に複写しｵ-ﾌﾟﾝしました")));
            QCOMPARE(f.value(QStringLiteral("Select szDoc From msDoc Where noDoc = 1500")).toString(),
                     QStringLiteral("他の保存"));
            QCOMPARE(f.count(QStringLiteral("msDoc")), 2);
        } else {
            f.window->NewDb();
            QCOMPARE(f.window->sDbPath, copy);
            QVERIFY(f.value(QStringLiteral("Select DmFmt From kaUsr")).toString().endsWith(QStringLiteral("<x>")));
        }
        QCOMPARE(f.value(QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));
        QVERIFY(!QFileInfo::exists(copy + QStringLiteral(".part")));
    }

    // Another program reads an older state of the file as this one lets it go: the close waits for that
    // read to end and puts the last save into the file, so that a copy of the file alone holds it while
    // the other program still has the file open. It stayed in the log until that program closed it. A
    // read that outlasts the wait does not hold the close longer; the save is then in the log.
    void theCloseWaitsForAnotherProgramsRead_data()
    {
        QTest::addColumn<bool>("openAnother");
        QTest::addColumn<bool>("outlasts");
        QTest::newRow("the file closed") << false << false;
        QTest::newRow("another database opened") << true << false;
        QTest::newRow("a read longer than the wait") << false << true;
    }
    void theCloseWaitsForAnotherProgramsRead()
    {
        QFETCH(bool, openAnother);
        QFETCH(bool, outlasts);
        MainFixture f;
        const QString another = f.databaseWithPage(QStringLiteral("Other.txdb"), QStringLiteral("他"), QStringLiteral("他\n"));
        f.start();
        const QString path = f.window->sDbPath;
        f.savedPage(QStringLiteral("一\n本文"));
        QCoreApplication::processEvents();
        OtherProgram reader;
        QVERIFY(reader.open(path));
        QVERIFY(reader.run("Begin; Select Count(*) From msDoc;"));
        f.savedPage(QStringLiteral("二\n本文"));
        QCoreApplication::processEvents();
        // The read ends a moment later, while this program lets the file go.
        reader.shell.write(QByteArray(".shell sleep ") + (outlasts ? "3" : "0.3") + "\nCommit;\n");
        QVERIFY(reader.shell.waitForBytesWritten());
        zSvr::instance().connection().setCommandTimeout(outlasts ? 1 : 30);
        QElapsedTimer closing;
        closing.start();
        if (openAnother)
            QCOMPARE(f.window->OpenDb(another), another);
        else
            f.window->CloseDb();
        zSvr::instance().connection().setCommandTimeout(30);
        QVERIFY(!outlasts || closing.elapsed() < 2500);
        QVERIFY(reader.run("Select 1;"));
        const QString copy = f.dir.filePath(QStringLiteral("Copy.txdb"));
        QVERIFY(QFile::copy(path, copy));
        DbConnection db;
        QVERIFY(db.openSqlite(copy, true));
        QSqlQuery q;
        QVERIFY(db.select(q, QStringLiteral("Select Count(*) From msDoc"), {}, false, true) && q.next());
        QCOMPARE(q.value(0).toInt(), outlasts ? 1 : 2);
        q = QSqlQuery();
        db.close();
        reader.close();
        // Not lost: the file opened again holds it.
        QVERIFY(zSvr::instance().D_StDcDb(path));
        QCOMPARE(f.count(QStringLiteral("msDoc")), 2);
    }

    // The open file deleted, or another database moved over its path, while the program runs (by the
    // user, a sync or backup tool). Before a save writes (F8) and at the close the program says so and
    // saves the database where the user chooses, with every page it held and the page being edited;
    // "no" writes nothing (the edits stay) or, at the close, lets the database go. The save went into
    // the file that was gone, and nothing was said.
    void aFileTakenAwayIsSavedWhereTheUserSays_data()
    {
        QTest::addColumn<bool>("replaced");
        QTest::addColumn<bool>("atClose");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("samePath");
        QTest::newRow("deleted, F8, saved at its old place") << false << false << int(Prompt::Yes) << true;
        QTest::newRow("replaced, F8, saved under another name") << true << false << int(Prompt::Yes) << false;
        QTest::newRow("deleted, F8, not saved") << false << false << int(Prompt::No) << false;
        QTest::newRow("deleted, closed, saved") << false << true << int(Prompt::Yes) << false;
        QTest::newRow("replaced, closed, saved at its old place") << true << true << int(Prompt::Yes) << true;
        QTest::newRow("replaced, closed, let go") << true << true << int(Prompt::No) << false;
        QTest::newRow("deleted, close cancelled") << false << true << int(Prompt::Cancel) << false;
    }
    void aFileTakenAwayIsSavedWhereTheUserSays()
    {
        QFETCH(bool, replaced);
        QFETCH(bool, atClose);
        QFETCH(int, answer);
        QFETCH(bool, samePath);
        MainFixture f;
        const QString another = f.databaseWithPage(QStringLiteral("Other.txdb"), QStringLiteral("他人"), QStringLiteral("他人\n"));
        f.start();
        const QString path = f.window->sDbPath;
        f.savedPage(QStringLiteral("残す\n前から"));
        f.savedPage(QStringLiteral("編集中\n前の版"));
        QCoreApplication::processEvents();
        if (replaced)
            QVERIFY(std::rename(QFile::encodeName(another).constData(), QFile::encodeName(path).constData()) == 0);
        else
            QVERIFY(QFile::remove(path));
        const QString target = samePath ? path : f.dir.filePath(QStringLiteral("Saved.txdb"));
        f.prompt.answers.enqueue(answer);
        f.prompt.files.enqueue(target);
        if (replaced && samePath)
            f.prompt.answers.enqueue(Prompt::Ok); // the file there is overwritten
        if (atClose) {
            f.window->CloseDb();
        } else {
            f.type(QStringLiteral("編集中\n新しい版"));
            f.window->fnMenu(3, 18);
        }
        QVERIFY(!f.prompt.messages.isEmpty());
        QCOMPARE(f.prompt.messages.first().section(u'\n', 0, 2),
                 path + (replaced ? QStringLiteral("\nは別のﾌｧｲﾙに置き換えられました") : QStringLiteral("\nは削除されたか移動されました"))
                     + QStringLiteral("\n開いている文書ﾃﾞｰﾀｰﾍﾞｰｽを別名で保存しますか"));
        const bool saved = answer == Prompt::Yes;
        if (!atClose) {
            QCOMPARE(f.editor().bDcEdt(), !saved);
            QCOMPARE(f.window->keys().panelText().trimmed(), saved ? QStringLiteral("文書No:1002")
                                                                  : QStringLiteral("文書No:1002 は保存されませんでした"));
        }
        QCOMPARE(f.window->sDbPath, saved && !atClose ? target : atClose && answer != Prompt::Cancel ? QString() : path);
        QCOMPARE(zSvr::instance().isOpen(), !atClose || answer == Prompt::Cancel);
        zSvr::instance().D_Close();
        if (saved) {
            QVERIFY(zSvr::instance().D_StDcDb(target));
            QCOMPARE(f.value(QStringLiteral("Select szDoc From msDoc Where noDoc = 1001")).toString(), QStringLiteral("残す"));
            QCOMPARE(f.value(QStringLiteral("Select txDoc From msDoc Where noDoc = 1002")).toString(),
                     atClose ? QStringLiteral("編集中\n前の版") : QStringLiteral("編集中\n新しい版"));
            QCOMPARE(f.count(QStringLiteral("tbTree")), 2);
            zSvr::instance().D_Close();
        }
        // What is at the path is left alone unless the user put the database there, and no log of the
        // file taken away is left beside it, to be read as that file's.
        if (!(saved && samePath))
            QCOMPARE(QFileInfo::exists(path), replaced);
        if (replaced && !(saved && samePath) && answer != Prompt::Cancel) {
            QVERIFY(!QFileInfo::exists(path + QStringLiteral("-wal")));
            QVERIFY(zSvr::instance().D_StDcDb(path));
            QCOMPARE(f.value(QStringLiteral("Select szDoc From msDoc")).toString(), QStringLiteral("他人"));
            QCOMPARE(f.count(QStringLiteral("msDoc")), 1);
        }
    }

    // Another database put at the path of the open one (a sync tool, a restore: cp other o; mv o
    // Book.txdb) while the program runs, and the program then killed: the file put there is left as
    // it was, byte for byte, and whole when SQLite opens it with what lies beside it. The log beside
    // the path held the program's last save (returned into the file, not emptied), and SQLite took it
    // for the new file's own: the file failed its check and held the old pages. With another
    // program's read holding the save in the log, the log is taken away from the path as soon as the
    // file is replaced.
    void aFilePutInPlaceSurvivesAKill_data()
    {
        QTest::addColumn<bool>("readerHolds");
        QTest::newRow("the save returned into the file") << false;
        QTest::newRow("another program's read holds the save in the log") << true;
    }
    void aFilePutInPlaceSurvivesAKill()
    {
        QFETCH(bool, readerHolds);
        if (ServerDb::wanted())
            QSKIP("a server has no file");
        MainFixture f;
        const QString other = f.databaseWithPage(QStringLiteral("Other.txdb"), QStringLiteral("置かれた頁"), QStringLiteral("置かれた\n"));
        const QString path = f.databaseWithPage(QStringLiteral("Book.txdb"), QStringLiteral("元の頁"), QStringLiteral("元\n"));
        const QByteArray put = TestHome::readAll(other);
        OtherProgram reader;
        if (readerHolds) {
            QVERIFY(reader.open(path));
            QVERIFY(reader.run("Begin; Select Count(*) From msDoc;"));
        }
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("saver"), Usr::st().userData, path});
        QByteArray said;
        while (!said.contains('\n') && child.waitForReadyRead(60000))
            said += child.readAllStandardOutput();
        QCOMPARE(said.trimmed(), QByteArray("saved 2"));
        const QString beside = f.dir.filePath(QStringLiteral("o.txdb"));
        QVERIFY(QFile::copy(other, beside));
        QVERIFY(std::rename(QFile::encodeName(beside).constData(), QFile::encodeName(path).constData()) == 0);
        if (readerHolds) {
            // The program finds the file gone at once (it looks again at nothing else).
            QElapsedTimer waited;
            waited.start();
            while (QFileInfo::exists(path + QStringLiteral("-wal")) && waited.elapsed() < 5000)
                QThread::msleep(20);
        }
        child.kill();
        QVERIFY(child.waitForFinished());
        QVERIFY(TestHome::readAll(path) == put);
        QProcess sqlite;
        sqlite.start(QStringLiteral("sqlite3"), {path, QStringLiteral("pragma integrity_check; select szDoc from msDoc;")});
        QVERIFY(sqlite.waitForFinished());
        QCOMPARE(QString::fromUtf8(sqlite.readAllStandardOutput()).trimmed(), QStringLiteral("ok\n置かれた頁"));
        if (readerHolds)
            QVERIFY(reader.run("Commit;"));
    }

    // 別名保存, and the save of a file taken away, into a place that cannot take a file: the message
    // names the file chosen and why, in Japanese. It said SQLite's English words and named the file
    // the copy is first written into (".part"), which the user never chose.
    void aRefusedCopySaysWhy_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("taken");
        QTest::addColumn<QString>("why");
        const QString noFolder = QStringLiteral("保存先のﾌｫﾙﾀﾞがありません");
        QTest::newRow("a folder that does not exist") << QStringLiteral("missing/Copy.txdb") << false << noFolder;
        QTest::newRow("a folder that is a file") << QStringLiteral("plain.txt/Copy.txdb") << false << noFolder;
        QTest::newRow("a folder nobody may write to") << QStringLiteral("/sys/Copy.txdb") << false
                                                      << QStringLiteral("保存先に書き込む権限がありません");
        QTest::newRow("the file taken away, into a folder that does not exist") << QStringLiteral("missing/Copy.txdb")
                                                                                << true << noFolder;
        QTest::newRow("the file taken away, onto a full disk") << QStringLiteral("Copy.txdb") << true
                                                               << QStringLiteral("ﾃﾞｨｽｸの空きが足りません");
    }
    void aRefusedCopySaysWhy()
    {
        QFETCH(QString, target);
        QFETCH(bool, taken);
        QFETCH(QString, why);
        if (ServerDb::wanted())
            QSKIP("a server's database is not copied");
        if (target.startsWith(QLatin1String("/sys/"))) {
            // The kernel's own folder refuses a new file even to the administrator, who runs the tests.
            const int fd = ::open("/sys/fenwar-probe", O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
            const int error = errno;
            if (fd >= 0) {
                ::close(fd);
                ::unlink("/sys/fenwar-probe");
            }
            if (fd >= 0 || error != EACCES)
                QSKIP("/sys takes new files here");
        }
        FullDisk disk;
        MainFixture f;
        f.start();
        f.savedPage(QStringLiteral("写す\n"));
        const QString path = f.window->sDbPath;
        QVERIFY(TestHome::write(f.dir.filePath(QStringLiteral("plain.txt")), "text"));
        const QString chosen = target.startsWith(u'/') ? target : f.dir.filePath(target);
        if (taken)
            QVERIFY(QFile::remove(path));
        if (why == zSvr::diskFullText())
            disk.fill();
        f.prompt.messages.clear();
        f.prompt.answers.enqueue(Prompt::Yes);
        f.prompt.files.enqueue(chosen);
        if (taken) {
            f.type(QStringLiteral("写す\n編集中"));
            f.window->fnMenu(3, 18);
        } else {
            f.window->SaveDbAs();
        }
        disk.empty();
        QCOMPARE(f.prompt.messages.last(), chosen + QStringLiteral("への複写に失敗しました\n") + why);
        QVERIFY(!QFileInfo::exists(chosen));
        QVERIFY(!QFileInfo::exists(chosen + QStringLiteral(".part")));
        QCOMPARE(f.window->sDbPath, path);
        QVERIFY(zSvr::instance().isOpen());
        QCOMPARE(f.value(QStringLiteral("Select szDoc From msDoc Where noDoc = 1001")).toString(), QStringLiteral("写す"));
        QCOMPARE(f.editor().bDcEdt(), taken);
    }

    // The template, the open database and a file another program has open never take a new database.
    void refusedTargets_data()
    {
        QTest::addColumn<bool>("saveAs");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("said");
        const QString model = QStringLiteral("Dbs/Moto.txdb");
        QTest::newRow("save as over the template")
            << true << model << QStringLiteral(" は新規ﾃﾞｰﾀｰﾍﾞｰｽの雛形です\n複写先には指定できません");
        QTest::newRow("new over the template")
            << false << model << QStringLiteral(" は新規ﾃﾞｰﾀｰﾍﾞｰｽの雛形です\n新規作成先には指定できません");
        QTest::newRow("save as over a file in use") << true << QStringLiteral("Used.txdb")
                                                   << QStringLiteral(" は他のﾌﾟﾛｸﾞﾗﾑが使用中です");
        QTest::newRow("new over a file in use") << false << QStringLiteral("Used.txdb")
                                               << QStringLiteral(" は他のﾌﾟﾛｸﾞﾗﾑが使用中です");
        QTest::newRow("new over the open database") << false << QStringLiteral("Book.txdb")
                                                   << QStringLiteral("複写先と現在のﾌｧｲﾙが同一です");
    }
    void refusedTargets()
    {
        QFETCH(bool, saveAs);
        QFETCH(QString, target);
        QFETCH(QString, said);
        MainFixture f;
        const QString used = f.databaseWithPage(QStringLiteral("Used.txdb"), QStringLiteral("他"), QStringLiteral("他\n"));
        f.start();
        f.savedPage(QStringLiteral("開いている\n"));
        const QString open = f.window->sDbPath;
        const QString path = f.dir.filePath(target);
        OtherProgram other;
        if (path == used)
            QVERIFY(other.open(used));
        const QByteArray before = TestHome::readAll(path);
        f.prompt.files.enqueue(path);
        f.prompt.answers.enqueue(Prompt::Ok);
        if (saveAs)
            f.window->SaveDbAs();
        else
            f.window->NewDb();
        QCOMPARE(f.prompt.messages.value(0), said.startsWith(QLatin1Char(' ')) ? path + said : said);
        QCOMPARE(f.prompt.messages.size(), 1);
        QCOMPARE(f.window->sDbPath, open);
        QVERIFY(zSvr::instance().isOpen());
        QCOMPARE(f.value(QStringLiteral("Select szDoc From msDoc Where noDoc = 1001")).toString(), QStringLiteral("開いている"));
        if (path != open)
            QVERIFY(TestHome::readAll(path) == before);
    }

    void aCloseDuringALongJobIsRefused()
    {
        MainFixture f;
        f.start();
        Usr::st().busy = true;
        QVERIFY(!f.window->close());
        QVERIFY(f.window->isVisible());
        QVERIFY(zSvr::instance().isOpen());
        Usr::st().busy = false;
    }
};

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    // The program that is killed under a file put in its place is this test too.
    if (argc > 3 && QByteArray(argv[1]) == "saver")
        return saveAndWait(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    TestFmDoc test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_fmdoc.moc"

#include "MainFixture.h"
#include "support/FullDisk.h"
#include "support/OtherProgram.h"
#include "support/ShortWriters.h"
#include "support/WaitWatch.h"

#include <QDir>

#include "core/sbWait.h"
#include "core/yIni.h"
#include "mainwin/sbSave.h"
#include "mainwin/uFky.h"
#include "platform/db/DbConnection.h"
#include "tree/uTrX.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QMenuBar>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QSplitter>
#include <QToolButton>

class TestMainMenus : public QObject
{
    Q_OBJECT

    // A read left open on the program's own connection: SQLite refuses to compact the file under it.
    struct HeldRead {
        QSqlQuery query{zSvr::instance().connection().database()};
        HeldRead() { query.setForwardOnly(true); }
        bool start() { return query.exec(QStringLiteral("Select noDoc From msDoc")) && query.next(); }
    };

    // Editor jobs sent while `run` runs, as "job" or "job:argument".
    static QStringList jobs(fmDoc &window, const std::function<void()> &run)
    {
        QStringList sent;
        auto connection = QObject::connect(&window.editor(), &uTxm::eRtAct, [&sent](int &job) {
            sent.append(QString::number(job));
        });
        run();
        QObject::disconnect(connection);
        return sent;
    }

    // The menu paths the help page names: captions joined by ">", as in "ﾍﾟｰｼﾞ > ﾒｰﾙ".
    static QList<QStringList> helpMenuPaths()
    {
        QFile page(QStringLiteral(":/help/fenwar.htm"));
        if (!page.open(QIODevice::ReadOnly))
            return {};
        static const QRegularExpression tag(QStringLiteral("<[^>]*>"));
        const QString text = QString::fromUtf8(page.readAll()).replace(tag, QStringLiteral(" ")).replace(QStringLiteral("&gt;"), QStringLiteral(">"));
        static const QRegularExpression caption(QStringLiteral("[^\\s<>、。,()（）]+"));
        static const QRegularExpression path(QStringLiteral("%1(?:\\s*>\\s*%1)+").arg(caption.pattern()));
        QList<QStringList> paths;
        for (auto it = path.globalMatch(text); it.hasNext();) {
            QStringList steps;
            for (const QString &step : it.next().captured(0).split(u'>'))
                steps << step.trimmed();
            paths << steps;
        }
        return paths;
    }

private slots:
    void dispatcherRows_data()
    {
        QTest::addColumn<int>("group");
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("job");
        const int rows[][3] = {{2, 2, 7}, {2, 6, 5}, {3, 4, 14}, {3, 9, 20}, {3, 12, 22}, {3, 13, 23},
                               {3, 15, 25}, {3, 16, 24}, {5, 0, 60}, {5, 5, 60}, {5, 9, 61}, {5, 10, 63},
                               {5, 11, 64}, {5, 14, 70}, {5, 15, 71}, {5, 17, 54}, {5, 18, 54}, {5, 19, 54},
                               {6, 1, 32}, {6, 3, 33}, {6, 4, 34}, {6, 5, 35}, {6, 8, 40}, {6, 9, 41},
                               {6, 11, 50}, {6, 12, 51}, {6, 14, 52}, {6, 18, 53}, {6, 20, 44}, {6, 21, 45},
                               {3, 2, 0}, {5, 6, 0}, {6, 0, 0}, {6, 7, 0}, {7, 1, 0}, {14, 5, 0}, {99, 0, 0}};
        for (const auto &r : rows)
            QTest::addRow("%d/%d", r[0], r[1]) << r[0] << r[1] << r[2];
    }
    void dispatcherRows()
    {
        QFETCH(int, group);
        QFETCH(int, index);
        QFETCH(int, job);
        MainFixture f;
        f.start();
        const QStringList sent = jobs(*f.window, [&] { f.window->fnMenu(group, index); });
        QCOMPARE(sent, job ? QStringList{QString::number(job)} : QStringList());
    }

    // Every menu path the help page names ("A > B", by the captions the menus show) leads through the
    // main window's menus to an item: the page sent the user to "文書ﾌｧｲﾙ > ﾒｰﾙ", which is not there.
    void helpNamesMenusThatExist_data()
    {
        QTest::addColumn<QStringList>("path");
        const QList<QStringList> paths = helpMenuPaths();
        for (const QStringList &steps : paths)
            QTest::newRow(qPrintable(steps.join(QStringLiteral(" > ")))) << steps;
        if (paths.isEmpty())
            QTest::newRow("the page names none") << QStringList();
    }

    void helpNamesMenusThatExist()
    {
        QFETCH(QStringList, path);
        QVERIFY2(!path.isEmpty(), "the help page was not read or names no menu path");
        MainFixture f;
        f.start();
        // A caption as the menu shows it: without the access key.
        const auto shown = [](const QAction *a) {
            static const QRegularExpression key(QStringLiteral("\\(&.\\)$"));
            return a->text().remove(key).remove(u'&');
        };
        QList<QAction *> items = f.window->menuBar()->actions();
        for (const QString &step : path) {
            QAction *found = nullptr;
            for (QAction *a : items) {
                if (a->isVisible() && !a->isSeparator() && shown(a) == step)
                    found = a;
            }
            QVERIFY2(found, qPrintable(QStringLiteral("no menu item \"%1\"").arg(step)));
            items = found->menu() ? found->menu()->actions() : QList<QAction *>();
        }
    }

    void editingJobsNeedTheEditorFocused()
    {
        MainFixture f;
        f.start();
        QApplication::setActiveWindow(f.window.get());
        f.window->tree().setFocus();
        QCOMPARE(jobs(*f.window, [&] { f.window->fnMenu(3, 0); f.window->fnMenu(3, 10); }), QStringList());
        QCOMPARE(jobs(*f.window, [&] { f.window->fnMenu(3, 4); }), QStringList{QStringLiteral("14")});
        f.editor().view()->setFocus();
        if (QApplication::focusWidget() == static_cast<QWidget *>(f.editor().view()))
            QCOMPARE(jobs(*f.window, [&] { f.window->fnMenu(3, 10); }), QStringList{QStringLiteral("21")});
    }

    void initialiseAsksFirst()
    {
        MainFixture f;
        f.start();
        f.prompt.answers.enqueue(Prompt::Cancel);
        QCOMPARE(jobs(*f.window, [&] { f.window->fnMenu(3, 8); }), QStringList());
        QCOMPARE(f.prompt.messages.value(0), QStringLiteral("ﾍﾟｰｼﾞ全体を初期化して良いですか"));
        f.prompt.answers.enqueue(Prompt::Ok);
        QCOMPARE(jobs(*f.window, [&] { f.window->fnMenu(3, 8); }), QStringList{QStringLiteral("2")});
    }

    void functionKeysAreBound()
    {
        MainFixture f;
        f.start();
        QCOMPARE(f.window->keys().keyMap(),
                 QStringLiteral("F2=50,F3=51,F4=52,F5=53,F6=54,F7=55,F8=3I,F9=E1,C1=20,C2=22,C3=27,C4=3F,"
                                "C5=63,C6=6B,C7=6C,C8=6I,C9=59,"));
        QCOMPARE(jobs(*f.window, [&] { f.window->keys().keyPress(2, Qt::NoModifier); }), QStringList{QStringLiteral("60")});
        // Items of parts that cannot exist here stay disabled; a key follows its item.
        QVERIFY(!f.window->item(QStringLiteral("mnLocal"), 9)->isEnabled());
        QCOMPARE(f.window->keys().key(QStringLiteral("C1"))->isEnabled(), f.window->item(QStringLiteral("mnFile"), 0)->isEnabled());
        // "更新" comes alive with the first edit of a stored page.
        f.savedPage(QStringLiteral("頁\n"));
        QCoreApplication::processEvents();
        QVERIFY(!f.window->keys().key(QStringLiteral("F8"))->isEnabled());
        f.type(QStringLiteral("頁\n書いた"));
        QCoreApplication::processEvents();
        QVERIFY(f.window->keys().key(QStringLiteral("F8"))->isEnabled());
        // The browser preview is built: on a page with text its item and key are on.
        QVERIFY(f.window->item(QStringLiteral("mnFile"), 0)->isEnabled());
        QVERIFY(f.window->keys().key(QStringLiteral("C1"))->isEnabled());
    }

    // The link and tag keys follow the caret: off on a field, on again as soon as the caret leaves it,
    // without a menu opened in between.
    void functionKeysFollowTheCaret()
    {
        MainFixture f;
        f.start();
        f.savedPage(QStringLiteral("頁\n"));
        RichTextEdit &e = f.editor().edit();
        e.setText(QStringLiteral("see link and more"));
        e.select(4, 4);
        const int id = e.insertField(QStringLiteral("link"));
        QVERIFY(e.setCurrentField(id));
        QVERIFY(e.setFieldData(QStringLiteral("a.htm")));
        e.select(5, 0);
        f.editor().view()->showModelCaret();
        f.window->refreshMenus();
        QVERIFY(!f.window->keys().key(QStringLiteral("C7"))->isEnabled());
        f.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
        f.editor().view()->setFocus();
        QTest::keyClick(f.editor().view()->viewport(), Qt::Key_End);
        QCOMPARE(e.selStart(), e.textLength());
        QTRY_VERIFY(f.window->keys().key(QStringLiteral("C7"))->isEnabled());
        QVERIFY(f.window->keys().key(QStringLiteral("C6"))->isEnabled());
    }

    // A screenshot alone on the clipboard: "貼り付け" and its picture items are offered, and Ctrl+B
    // sends the picture paste.
    void pictureAloneOnTheClipboardCanBePasted()
    {
        MainFixture f;
        f.start();
        f.savedPage(QStringLiteral("頁\n"));
        QImage image(20, 10, QImage::Format_RGB32);
        image.fill(Qt::red);
        QApplication::clipboard()->setImage(image);
        f.window->refreshMenus();
        QVERIFY(f.window->item(QStringLiteral("mnEdit"), 5)->isEnabled());
        QVERIFY(f.window->item(QStringLiteral("mnPast"), 0)->isEnabled());
        QVERIFY(f.window->item(QStringLiteral("mnPast"), 2)->isEnabled());
        QVERIFY(!f.window->item(QStringLiteral("mnPast"), 3)->isEnabled());
        f.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
        f.editor().view()->setFocus();
        f.services.jobs.clear();
        QTest::keyClick(f.editor().view()->viewport(), Qt::Key_B, Qt::ControlModifier);
        QVERIFY(f.services.jobs.contains(qMakePair(15, QVariant(QStringLiteral("PIC")))));
    }

    void treeMenuModes()
    {
        MainFixture f;
        f.start();
        QCOMPARE(f.window->iTreeMode, 1);
        QVERIFY(!f.window->item(QStringLiteral("mnTree"), 1)->isEnabled());
        QVERIFY(!f.window->item(QStringLiteral("mnJb"), 0)->isEnabled());
        f.window->enableTreeMenu();
        QVERIFY(f.window->item(QStringLiteral("mnTree"), 0)->isEnabled());
        QVERIFY(!f.window->item(QStringLiteral("mnTree"), 17)->isEnabled());
        f.window->SetTreeMenuMode(false);
        QCOMPARE(f.window->iTreeMode, 1);
        f.window->NewPage(0);
        f.window->enableTreeMenu();
        // An unsaved new page: no node command but the paste items.
        QVERIFY(!f.window->item(QStringLiteral("mnTree"), 0)->isEnabled());
        f.type(QStringLiteral("頁\n"));
        f.window->fnMenu(3, 18);
        QVERIFY(f.window->IsTreeMenuNormal());
        f.window->enableTreeMenu();
        QCOMPARE(f.window->item(QStringLiteral("mnTree"), 0)->text(), QStringLiteral("前に新規ﾍﾟｰｼﾞ(&P)"));
        QVERIFY(f.window->item(QStringLiteral("mnTree"), 17)->isEnabled());
        QVERIFY(f.window->item(QStringLiteral("mnJb"), 0)->isEnabled());
        f.window->CloseDb();
        QVERIFY(!f.window->IsTreeMenuNormal());
    }

    void moveItemsFollowTheSiblings()
    {
        MainFixture f;
        f.start();
        f.savedPage(QStringLiteral("一\n"));
        f.savedPage(QStringLiteral("二\n"), 1);
        QCOMPARE(f.window->nDocNo, 1002);
        f.window->enableTreeMenu();
        QVERIFY(f.window->item(QStringLiteral("mnTree"), 4)->isEnabled());
        QVERIFY(!f.window->item(QStringLiteral("mnTree"), 5)->isEnabled());
        f.window->menuClicked(QStringLiteral("mnTree"), 4);
        f.window->tree().trSort();
        QVERIFY(f.value(QStringLiteral("Select inSrt From tbTree Where noLfC = 1002")).toInt()
                < f.value(QStringLiteral("Select inSrt From tbTree Where noLfC = 1001")).toInt());
        f.window->enableTreeMenu();
        QVERIFY(!f.window->item(QStringLiteral("mnTree"), 4)->isEnabled());
        QVERIFY(f.window->item(QStringLiteral("mnTree"), 5)->isEnabled());
    }

    void headerAndFooterToggles()
    {
        MainFixture f;
        f.start();
        QAction *first = f.window->item(QStringLiteral("mnFooter"), 1);
        QCOMPARE(jobs(*f.window, [&] { first->trigger(); }), QStringList{QStringLiteral("56")});
        QVERIFY(first->isChecked());
        // A separator row of the table menu sends nothing.
        QCOMPARE(jobs(*f.window, [&] { f.window->menuClicked(QStringLiteral("mnTins"), 1); }), QStringList());
        QCOMPARE(jobs(*f.window, [&] { f.window->menuClicked(QStringLiteral("mnTins"), 6); }), QStringList{QStringLiteral("80")});
    }

    void settingsRoundTrip()
    {
        MainFixture f;
        f.start(QStringLiteral("Dbs/../Set.txdb"));
        f.window->bDbS = false;
        f.window->iAsv = 5;
        f.window->ShowFky(false);
        f.window->IniWindow(true);
        yIni::instance().GetGtx(QStringLiteral("最近"));
        QCOMPARE(yIni::instance().vGtVal(QStringLiteral("ACT"), QString()).toString(), QStringLiteral("Dbs/../Set.txdb"));
        QCOMPARE(yIni::instance().vGtVal(QStringLiteral("1."), QString()).toString(), QStringLiteral("Dbs/../Set.txdb"));
        fmDoc second(nullptr, &f.services);
        second.IniWindow(false);
        QCOMPARE(second.sDbPath, f.window->sDbPath);
        QVERIFY(!second.bDbS);
        QCOMPARE(second.iAsv, 5);
        QVERIFY(!second.bShwFky);
        QCOMPARE(second.recentFiles(), QStringList{f.window->sDbPath});
    }

    void defaultsWithoutSettingsAndThePreviewSize()
    {
        MainFixture f;
        f.window->show();
        QCOMPARE(f.window->nIeWd, 1024);
        QCOMPARE(f.window->nIeHi, 768);
        QVERIFY(f.window->item(QStringLiteral("mnIeSize"), 1)->isChecked());
        QCOMPARE(f.window->iAsv, 0);
        QVERIFY(f.window->bShwFky && f.window->bDcS && f.window->bDbS);
        const int twips = f.window->splitter().sizes().value(0) * 1440 / f.window->logicalDpiX();
        QVERIFY2(qAbs(twips - 2800) < 40, qPrintable(QString::number(twips)));
        // A chosen preview size is stored at once.
        f.window->item(QStringLiteral("mnIeSize"), 2)->trigger();
        QCOMPARE(f.window->nIeWd, 1280);
        QCOMPARE(f.window->nIeHi, 1024);
        QVERIFY(f.window->item(QStringLiteral("mnIeSize"), 2)->isChecked());
        QVERIFY(!f.window->item(QStringLiteral("mnIeSize"), 1)->isChecked());
        yIni::instance().GetGtx(QStringLiteral("IE_画面"));
        QCOMPARE(yIni::instance().vGtVal(QStringLiteral("Width"), 0).toInt(), 1280);
        QCOMPARE(yIni::instance().vGtVal(QStringLiteral("Height"), 0).toInt(), 1024);
    }

    void recentEntriesStopAtTheFirstMissingFile()
    {
        MainFixture f;
        const QString one = f.database(QStringLiteral("one.txdb"));
        const QString three = f.database(QStringLiteral("three.txdb"));
        yIni &ini = yIni::instance();
        ini.GetGtx(QStringLiteral("最近"));
        ini.SetVal(QStringLiteral("1."), one);
        ini.SetVal(QStringLiteral("2."), f.dir.filePath(QStringLiteral("gone.txdb")));
        ini.SetVal(QStringLiteral("3."), three);
        ini.SetVal(QStringLiteral("開始頁"), QStringLiteral("開く"));
        ini.SetVal(QStringLiteral("開始頁NO"), QStringLiteral("0,1002"));
        ini.SetGtx();
        f.window->IniWindow(false);
        QCOMPARE(f.window->recentFiles(), QStringList{one});
        QCOMPARE(f.window->sStartNo, QStringLiteral("0,1002"));
        QVERIFY(f.editor().bStrNo);
        // A page given on the command line wins.
        fmDoc second(nullptr, &f.services);
        second.SetDBNo(QString(), 1005);
        second.IniWindow(false);
        QCOMPARE(second.sStartNo, QStringLiteral("1005"));
    }

    void referringPages()
    {
        MainFixture f;
        f.start();
        f.savedPage(QStringLiteral("頁\n"));
        f.window->ShowReferrers();
        QCOMPARE(f.prompt.messages.last(), QStringLiteral("この文書はタグ参照されていません"));
        QVERIFY(f.page(1005, QStringLiteral("参照元"), QString(), QStringLiteral(".1001.")));
        f.window->ShowReferrers();
        QCOMPARE(f.prompt.messages.last(), QStringLiteral("参照元 (1005)\r\tからタグ参照されています"));
    }

    void optionsDialog()
    {
        sbSave dialog;
        dialog.setValues(true, false, 7);
        QVERIFY(!dialog.chAsv->isChecked());
        QVERIFY(!dialog.cbAsv->isEnabled());
        QCOMPARE(dialog.cbAsv->currentIndex(), -1);
        dialog.chAsv->click();
        QCOMPARE(dialog.cbAsv->currentText(), QStringLiteral("１０分毎"));
        bool doc = false, db = true;
        int minutes = -1;
        dialog.values(doc, db, minutes);
        QCOMPARE(minutes, 10);
        QVERIFY(doc && !db);
        dialog.setValues(false, true, 3);
        QCOMPARE(dialog.cbAsv->currentText(), QStringLiteral("　３分毎"));
        dialog.chAsv->click();
        dialog.values(doc, db, minutes);
        QCOMPARE(minutes, 0);
    }

    // The second line of the result names the folder of the Word copies that the saves of the pages
    // deleted left on this computer, and only where it holds one: the copies of another user's saves
    // are on that user's computer (the folder named need not have existed).
    void cleanUpRemovesWhatTheTreeCannotReach_data()
    {
        QTest::addColumn<QStringList>("copies");
        QTest::addColumn<bool>("named");
        QTest::newRow("a deleted page's copy here") << QStringList{QStringLiteral("1004.docx")} << true;
        QTest::newRow("no copy here") << QStringList{} << false;
        QTest::newRow("copies of other pages only") << QStringList{QStringLiteral("1001.docx"), QStringLiteral("0003.docx")} << false;
    }
    void cleanUpRemovesWhatTheTreeCannotReach()
    {
        QFETCH(QStringList, copies);
        QFETCH(bool, named);
        MainFixture f;
        f.start();
        QVERIFY(f.page(1001, QStringLiteral("上"), QString()));
        QVERIFY(f.page(1002, QStringLiteral("下"), QString()));
        QVERIFY(f.page(1003, QStringLiteral("孤立"), QString()));
        QVERIFY(f.page(1004, QStringLiteral("孤立の子"), QString()));
        QVERIFY(f.page(1005, QStringLiteral("リンクだけ"), QString()));
        QVERIFY(f.place(0, 1001, 1, QStringLiteral("上")));
        QVERIFY(f.place(1001, 1002, 1, QStringLiteral("下")));
        QVERIFY(f.place(1002, 1001, 2, QStringLiteral("上"), true));   // a link back up
        QVERIFY(f.place(1003, 1004, 1, QStringLiteral("孤立の子")));
        QVERIFY(f.place(1001, 1005, 2, QStringLiteral("リンクだけ"), true));
        QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Insert Into tbHtm (noDoc) Values (1004)")));
        const QString folder = Usr::st().userData + QStringLiteral("Dbs/Book_Doc");
        QVERIFY(copies.isEmpty() || QDir().mkpath(folder));
        for (const QString &copy : copies)
            QVERIFY(TestHome::write(folder + u'/' + copy, "PK"));
        QCOMPARE(f.window->CleanUnused(), QStringLiteral("２件 削除しました")
                                              + (named ? u'\n' + folder + QStringLiteral(" にﾜｰﾄﾞ文書でBackUpしました") : QString()));
        QCOMPARE(f.count(QStringLiteral("msDoc")), 3);
        QCOMPARE(f.value(QStringLiteral("Select Count(*) From tbHtm Where noDoc = 1004")).toInt(), 0);
        QCOMPARE(f.window->CleanUnused(), QStringLiteral("参照されていない文書はありませんでした"));
    }

    void aFailedWalkDeletesNothing()
    {
        MainFixture f;
        f.start();
        QVERIFY(f.page(1001, QStringLiteral("上"), QString()) && f.page(1002, QStringLiteral("下"), QString())
                && f.page(1003, QStringLiteral("孫"), QString()));
        QVERIFY(f.place(0, 1001, 1, QStringLiteral("上")) && f.place(1001, 1002, 1, QStringLiteral("下"))
                && f.place(1002, 1003, 1, QStringLiteral("孫")));
        QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral(
            "Create Trigger stopWalk Before Update On tbTree When New.boUse = 1 And New.noLfP = 1002 "
            "Begin Select Raise(Abort, 'x'); End")));
        QCOMPARE(f.window->CleanUnused(), QStringLiteral("参照されていない文書を削除できませんでした"));
        QCOMPARE(f.count(QStringLiteral("tbTree")), 3);
        QCOMPARE(f.count(QStringLiteral("msDoc")), 3);
    }

    void aFailedCompactionKeepsTheDatabase()
    {
        MainFixture f;
        f.start(QStringLiteral("book.txdb"));
        const QString path = f.window->sDbPath;
        f.savedPage(QStringLiteral("残す\n"));
        const QString kept = f.dir.filePath(QStringLiteral("book$$$.txdb"));
        QVERIFY(TestHome::write(kept, "an old copy"));
        // The file cannot be compacted now.
        HeldRead read;
        QVERIFY(read.start());
        QVERIFY(!f.window->CompactDb(true, QString()));
        QCOMPARE(f.prompt.messages.last(), path + QStringLiteral("の最適化に失敗しました"));
        QVERIFY(!QFileInfo::exists(kept));
        QVERIFY(zSvr::instance().isOpen());
        QCOMPARE(f.value(QStringLiteral("Select szDoc From msDoc Where noDoc = 1001")).toString(), QStringLiteral("残す"));
    }

    // Another program writes past the wait: the compaction is refused with the reason, and the pages
    // stay as they are. It said only that it failed.
    void compactionBesideAnotherProgramSaysWhy()
    {
        MainFixture f;
        f.start(QStringLiteral("book.txdb"));
        const QString path = f.window->sDbPath;
        f.savedPage(QStringLiteral("残す\n"));
        OtherProgram other;
        QVERIFY(other.open(path));
        QVERIFY(other.run("Begin Immediate; Update msDoc Set szDoc = 'theirs' Where noDoc = 1001;"));
        zSvr::instance().connection().setCommandTimeout(1);
        QVERIFY(!f.window->CompactDb(false, QString()));
        zSvr::instance().connection().setCommandTimeout(30);
        QCOMPARE(f.prompt.messages.last(), path + QStringLiteral("の最適化に失敗しました\n") + path
                                               + QStringLiteral(" は他のﾌﾟﾛｸﾞﾗﾑが使用中です\nﾍﾟｰｼﾞはそのまま残っています"));
        QVERIFY(zSvr::instance().isOpen());
        // What the other program wrote is in the file both have open.
        QVERIFY(other.run("Commit;"));
        QCOMPARE(f.value(QStringLiteral("Select szDoc From msDoc Where noDoc = 1001")).toString(), QStringLiteral("theirs"));
        other.close();
    }

    // The result after the clean-up says what was done. Beside another program that has the file open
    // the compaction goes on (it was refused, saying "the pages are left as they were" though they were
    // deleted), and a compaction that fails after a deletion says that the pages are deleted.
    void theCleanUpResultSaysWhatWasDone_data()
    {
        QTest::addColumn<bool>("otherProgram");
        QTest::addColumn<QString>("said");
        QTest::newRow("another program has the file open") << true << QStringLiteral("の最適化をしました");
        QTest::newRow("the compaction fails")
            << false << QStringLiteral("の最適化に失敗しました\nﾍﾟｰｼﾞの削除は済んでいます｡ﾌｧｲﾙの最適化だけを行っていません");
    }
    void theCleanUpResultSaysWhatWasDone()
    {
        QFETCH(bool, otherProgram);
        QFETCH(QString, said);
        MainFixture f;
        f.start(QStringLiteral("book.txdb"));
        const QString path = f.window->sDbPath;
        f.savedPage(QStringLiteral("残す\n"));
        QVERIFY(f.page(1500, QStringLiteral("迷子"), QString(100000, QLatin1Char('z'))));
        OtherProgram other;
        HeldRead read;
        QVERIFY(otherProgram ? other.open(path) : read.start());
        f.prompt.answers.enqueue(Prompt::Yes);
        f.window->cleanUpCommand();
        QCOMPARE(f.prompt.messages.last(), QStringLiteral("１件 削除しました\n") + path + said);
        QCOMPARE(f.count(QStringLiteral("msDoc")), 1);
        if (otherProgram) {
            // The other program goes on in the compacted file, which holds what it writes.
            QVERIFY(other.run("Update msDoc Set szDoc = 'theirs' Where noDoc = 1001;"));
            QCOMPARE(f.value(QStringLiteral("Select szDoc From msDoc Where noDoc = 1001")).toString(), QStringLiteral("theirs"));
            other.close();
            zSvr::instance().D_Close();
            QVERIFY(QFileInfo(path).size() < 100000);
        }
    }

    // Another program that writes to the file while 最適化 runs: every commit it was told of is in the
    // file afterwards, and the result said is true. A program that opened the file, wrote and closed it
    // while the copy was made wrote into the old file, which the copy then replaced: the compaction
    // said it was done, and the commit was gone.
    void compactionLosesNoCommitOfAnotherProgram_data()
    {
        QTest::addColumn<bool>("shortWriters");
        QTest::newRow("a write held as the compaction begins") << false;
        QTest::newRow("commits in short connections through compactions for two seconds") << true;
    }
    void compactionLosesNoCommitOfAnotherProgram()
    {
        QFETCH(bool, shortWriters);
        MainFixture f;
        f.start(QStringLiteral("book.txdb"));
        const QString path = f.window->sDbPath;
        f.savedPage(QStringLiteral("残す\n"));
        // Pages enough for the copy to take a while.
        for (int i = 0; i < 40; ++i)
            QVERIFY(f.page(2000 + i, QStringLiteral("頁%1").arg(i), QString(50000, QLatin1Char('a' + i % 26))));
        OtherProgram other;
        ShortWriters writers;
        QStringList committed;
        if (shortWriters) {
            QVERIFY(writers.start(path, QStringLiteral("w"), 3, 2000));
        } else {
            QVERIFY(other.open(path));
            QVERIFY(other.run("Begin Immediate; Insert Into msDic (skDic, szDic) Values ('held', 'w');"));
            // It commits a moment later, while the compaction waits for it.
            other.shell.write(".shell sleep 0.3\nCommit;\n");
            QVERIFY(other.shell.waitForBytesWritten());
            committed << QStringLiteral("held");
        }
        QList<bool> results;
        QElapsedTimer time;
        time.start();
        while (results.isEmpty() || (shortWriters && time.elapsed() < 2000)) {
            results << f.window->CompactDb(false, QString());
            const QString said = results.last() ? path + QStringLiteral("の最適化をしました")
                                                : path + QStringLiteral("の最適化に失敗しました\n") + path
                                                      + QStringLiteral(" は他のﾌﾟﾛｸﾞﾗﾑが使用中です\nﾍﾟｰｼﾞはそのまま残っています");
            QCOMPARE(f.prompt.messages.last(), said);
        }
        if (shortWriters)
            committed = writers.stop();
        other.close();
        QVERIFY(!committed.isEmpty());
        for (const QString &key : std::as_const(committed))
            QVERIFY2(f.value(QStringLiteral("Select Count(*) From msDic Where skDic = ?"), {key}).toInt() == 1, qPrintable(key));
        QCOMPARE(f.value(QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));
        QVERIFY(results.contains(true));
        QCOMPARE(f.count(QStringLiteral("msDoc")), 41);
    }

    // 最適化 with はい while another program holds a write past the wait: the whole command waits once
    // (what the clean-up waited, the compaction does not wait again), the wait window says that another
    // program is writing, and each refusal names the reason. It waited twice as long, the wait window
    // said only "ﾃﾞｰﾀｰﾍﾞｰｽを最適化しています", and the clean-up's refusal gave no reason.
    void cleanUpBesideAWriterWaitsOnceAndSaysWhy()
    {
        MainFixture f;
        f.start(QStringLiteral("book.txdb"));
        const QString path = f.window->sDbPath;
        f.savedPage(QStringLiteral("残す\n"));
        QVERIFY(f.page(1500, QStringLiteral("迷子"), QStringLiteral("迷子\n")));
        OtherProgram other;
        QVERIFY(other.open(path));
        QVERIFY(other.run("Begin Immediate; Update msDoc Set szDoc = 'theirs' Where noDoc = 1001;"));
        constexpr int WaitSeconds = 3;
        zSvr::instance().connection().setCommandTimeout(WaitSeconds);
        WaitWatch watch;
        f.prompt.answers.enqueue(Prompt::Yes);
        QElapsedTimer took;
        took.start();
        f.window->cleanUpCommand();
        const qint64 ms = took.elapsed();
        watch.stop();
        zSvr::instance().connection().setCommandTimeout(30);
        QVERIFY2(watch.shown.contains(QStringLiteral("book.txdb は他のﾌﾟﾛｸﾞﾗﾑが使用中です　終わるのを待っています")),
                 qPrintable(watch.shown.join(u'|')));
        QCOMPARE(f.prompt.messages.last(), QStringLiteral("参照されていない文書を削除できませんでした\n") + path
                                               + QStringLiteral(" は他のﾌﾟﾛｸﾞﾗﾑが使用中です\n") + path
                                               + QStringLiteral("の最適化に失敗しました\nﾍﾟｰｼﾞはそのまま残っています"));
        // One wait, not one for the clean-up and another for the compaction.
        QVERIFY2(ms < (2 * WaitSeconds - 1) * 1000, qPrintable(QString::number(ms)));
        QVERIFY(!sbWait::isShown());
        QVERIFY(other.run("Commit;"));
        QCOMPARE(f.count(QStringLiteral("msDoc")), 2);
        QCOMPARE(f.value(QStringLiteral("Select szDoc From msDoc Where noDoc = 1001")).toString(), QStringLiteral("theirs"));
    }

    // 最適化 on a full disk says so, as a save and an import do, and the pages stay. It said only that
    // it failed.
    void compactionOnAFullDiskSaysSo_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("said");
        const QString full = QStringLiteral("ﾃﾞｨｽｸの空きが足りません");
        QTest::newRow("compaction alone") << int(Prompt::No) << QStringLiteral("%1の最適化に失敗しました\n") + full
                                                                    + QStringLiteral("\nﾍﾟｰｼﾞはそのまま残っています");
        QTest::newRow("with the clean-up")
            << int(Prompt::Yes) << QStringLiteral("参照されていない文書を削除できませんでした\n") + full
                                       + QStringLiteral("\n%1の最適化に失敗しました\nﾍﾟｰｼﾞはそのまま残っています");
    }
    void compactionOnAFullDiskSaysSo()
    {
        QFETCH(int, answer);
        QFETCH(QString, said);
        FullDisk disk;
        MainFixture f;
        f.start(QStringLiteral("book.txdb"));
        const QString path = f.window->sDbPath;
        f.savedPage(QStringLiteral("残す\n"));
        QVERIFY(f.page(1500, QStringLiteral("迷子"), QString(20000, QLatin1Char('z'))));
        disk.fill();
        f.prompt.answers.enqueue(answer);
        f.window->cleanUpCommand();
        disk.empty();
        QCOMPARE(f.prompt.messages.last(), said.arg(path));
        QVERIFY(zSvr::instance().isOpen());
        QCOMPARE(f.count(QStringLiteral("msDoc")), 2);
        QCOMPARE(f.value(QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));
    }

    void compactionKeepsTheDataAndReopens_data()
    {
        QTest::addColumn<bool>("keep");
        QTest::newRow("keep a copy") << true;
        QTest::newRow("no copy") << false;
    }
    void compactionKeepsTheDataAndReopens()
    {
        QFETCH(bool, keep);
        MainFixture f;
        f.start(QStringLiteral("book.txdb"));
        const QString path = f.window->sDbPath;
        f.savedPage(QStringLiteral("残す\n") + QString(2000, QLatin1Char('x')));
        QVERIFY(f.page(1500, QStringLiteral("消える"), QString(20000, QLatin1Char('y'))));
        QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Delete From msDoc Where noDoc = 1500")));
        const QString kept = f.dir.filePath(QStringLiteral("book$$$.txdb"));
        QVERIFY(TestHome::write(kept, "an old copy"));
        zSvr::instance().D_Close();
        const qint64 before = QFileInfo(path).size();
        QVERIFY(zSvr::instance().D_StDcDb(path));
        QVERIFY(f.window->CompactDb(keep, QStringLiteral("参照されていない文書はありませんでした")));
        QCOMPARE(f.prompt.messages.last(),
                 QStringLiteral("参照されていない文書はありませんでした\n") + path + QStringLiteral("の最適化をしました"));
        QVERIFY(zSvr::instance().isOpen());
        QCOMPARE(f.value(QStringLiteral("Select szDoc From msDoc Where noDoc = 1001")).toString(), QStringLiteral("残す"));
        QCOMPARE(QFileInfo::exists(kept), keep);
        if (keep) {
            // The copy is of the compacted database: the deleted page's text is not in it.
            QVERIFY(QFileInfo(kept).size() < before);
            QCOMPARE(QFileInfo(kept).size(), QFileInfo(path).size());
            QFile copy(kept);
            QVERIFY(copy.open(QIODevice::ReadOnly));
            const QByteArray bytes = copy.readAll();
            QVERIFY(!bytes.contains(QByteArray(2000, 'y')));
            QVERIFY(bytes.contains(QByteArray(2000, 'x')));
            DbConnection check;
            QVERIFY(check.openSqlite(kept, true));
        }
        QVERIFY(!QFileInfo::exists(path + QStringLiteral(".compact")));
    }

    // The result of 最適化 has several lines: its own wait window is gone before it is shown.
    void theCleanUpResultIsNotUnderTheWaitWindow()
    {
        struct Watching : ScriptedPrompt {
            QList<bool> underWait;
            int message(const QString &text, int style, const QString &title) override
            {
                underWait << sbWait::isShown();
                return ScriptedPrompt::message(text, style, title);
            }
        };
        MainFixture f;
        f.start(QStringLiteral("book.txdb"));
        f.savedPage(QStringLiteral("残す\n"));
        QVERIFY(f.page(1500, QStringLiteral("迷子"), QStringLiteral("迷子\n")));
        {
            Watching prompt;
            prompt.answers.enqueue(Prompt::Yes);
            f.window->cleanUpCommand();
            QCOMPARE(prompt.messages.size(), 2);
            QVERIFY(prompt.messages.last().startsWith(QStringLiteral("１件 削除しました\n")));
            QVERIFY(prompt.messages.last().endsWith(QStringLiteral("の最適化をしました")));
            QCOMPARE(prompt.underWait, (QList<bool>{false, false}));
        }
        Prompt::install(&f.prompt);
        QVERIFY(!sbWait::isShown());
        QCOMPARE(f.count(QStringLiteral("msDoc")), 1);
    }
};

QTEST_MAIN(TestMainMenus)
#include "tst_mainmenus.moc"

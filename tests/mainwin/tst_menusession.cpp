// The node menu, the bulk menu and the database-file menu of the main window, on the generated
// sample database, an empty database and with none open: every enabled item does something
// (asks, shows a window, starts a program, changes the tree, the database, the settings or a file),
// whichever way its questions are answered; the items that leave the session (open, new, save as,
// close, the recent files, exit) too, the window living on afterwards; and the page menus, the
// editor's popup, toolbar and keys with an empty database and with none (tst_menusweep sweeps them on
// the pages).
#include "SweepRunner.h"

using namespace Sweep;

class TestMenuSession : public QObject
{
    Q_OBJECT

    Session s;
    Runner runner{s};

private slots:
    void initTestCase() { QVERIFY(s.start()); }
    void cleanupTestCase() { runner.summary(); }

    void nodeItemsDoSomething_data()
    {
        QTest::addColumn<int>("state");
        for (State state : {State::Body, State::TagField, State::NewNode, State::EmptyDb})
            QTest::newRow(stateName(state)) << int(state);
    }

    void nodeItemsDoSomething()
    {
        QFETCH(int, state);
        runner.faults.clear();
        runner.sweepMain(State(state), {QStringLiteral("mnTree"), QStringLiteral("mnCpT"), QStringLiteral("mnTrRet")});
        Runner::report(runner.faults);
    }

    // A page copied to the clip list is pasted from the node menu's paste submenu.
    void theClipListPastes()
    {
        runner.faults.clear();
        int ran = 0;
        runner.run(State::Body, [&] {
            // A child of the first page, pasted after the second: a new link placement.
            s.tree().SetLeaf(QStringLiteral("1006"));
            s.tree().trCopy(false);
            s.tree().SetLeaf(QStringLiteral("1002"));
            if (!runner.openMain(QStringLiteral("mnCpT"), 0))
                return QString();
            const QList<QAction *> clips = s.tree().mnClp()->actions();
            QMenu *paste = s.window->menu(QStringLiteral("mnCpT"));
            if (clips.isEmpty() || !paste->actions().contains(clips.first()) || !clips.first()->isEnabled())
                return QString();
            ++ran;
            clips.first()->trigger();
            return QStringLiteral("clip list ") + clips.first()->text();
        });
        QVERIFY(ran > 0);
        Runner::report(runner.faults);
    }

    void bulkItemsDoSomething()
    {
        runner.faults.clear();
        runner.sweepMain(State::Body, {QStringLiteral("mnRet"), QStringLiteral("mnRetView")});
        Runner::report(runner.faults);
    }

    void databaseItemsDoSomething_data()
    {
        QTest::addColumn<int>("state");
        for (State state : {State::Body, State::EmptyDb, State::NoDb})
            QTest::newRow(stateName(state)) << int(state);
    }

    void databaseItemsDoSomething()
    {
        QFETCH(int, state);
        runner.faults.clear();
        QStringList arrays = {QStringLiteral("mnDb"), QStringLiteral("mnDbs"), QStringLiteral("mnDbRet")};
        // With no database open these are what is left to choose.
        if (State(state) == State::NoDb)
            arrays << QStringLiteral("mnDisp") << QStringLiteral("mnApSys") << QStringLiteral("mnHelp");
        runner.sweepMain(State(state), arrays);
        Runner::report(runner.faults);
    }

    // The items that leave the session, answered with a file of the test's folder: the window works on
    // in the database each opened, or with none.
    void sessionItemsLeaveAWorkingWindow()
    {
        fmDoc &w = *s.window;
        auto choose = [this](const char *array, int index) {
            QAction *a = runner.openMain(QString::fromLatin1(array), index);
            QVERIFY(a);
            s.answer(Reply::Yes);
            a->trigger();
            Runner::settle();
        };
        auto working = [&w](const QString &path) {
            QCOMPARE(w.sDbPath, path);
            QVERIFY(zSvr::instance().isOpen());
            QVERIFY(w.windowTitle().startsWith(QFileInfo(path).fileName()));
            QVERIFY(w.item(QStringLiteral("mnDcDb"), 1)->isEnabled());
            QVERIFY(w.item(QStringLiteral("mnJb"), 1)->isEnabled());
            QVERIFY(!Usr::st().busy);
        };
        s.enter(State::Modified, Clip::None);
        choose("mnDb", 0);
        QVERIFY(w.sDbPath.startsWith(s.out.path()));
        working(w.sDbPath);
        QVERIFY(s.tree().hasNewNode());
        QCOMPARE(w.item(QStringLiteral("mnTree"), 0)->text(), QStringLiteral("最初のﾍﾟｰｼﾞ(&P)"));

        s.enter(State::Body, Clip::None);
        choose("mnDb", 1);
        working(s.prompt.open.value(QStringLiteral("txdb")));
        QCOMPARE(w.nDocNo, 1001);

        s.enter(State::Body, Clip::None);
        choose("mnDb", 2);
        QVERIFY(w.sDbPath.startsWith(s.out.path()) && QFileInfo(w.sDbPath).isFile());
        working(w.sDbPath);
        QCOMPARE(w.recentFiles().value(0), w.sDbPath);

        s.enter(State::Body, Clip::None);
        choose("mnDb", 6);
        QVERIFY(w.sDbPath.isEmpty());
        QVERIFY(!zSvr::instance().isOpen());
        QVERIFY(!w.item(QStringLiteral("mnDcDb"), 1)->isEnabled());
        QVERIFY(!w.item(QStringLiteral("mnJb"), 1)->isEnabled());
        QCOMPARE(w.nDocNo, 0);
        s.dirty();
    }

    // With an empty database or none the editor is still there: its menus, popup, bar and keys.
    void editorItemsDoSomethingWithoutPages_data()
    {
        QTest::addColumn<int>("state");
        for (State state : {State::EmptyDb, State::NoDb})
            QTest::newRow(stateName(state)) << int(state);
    }

    void editorItemsDoSomethingWithoutPages()
    {
        QFETCH(int, state);
        runner.faults.clear();
        runner.sweepEditor(State(state));
        Runner::report(runner.faults);
    }

    // Exit last: answered no, the program goes on with the page kept; answered yes, the page is
    // saved, the window closes and the database with it.
    void exitEndsTheSession()
    {
        runner.faults.clear();
        runner.runMain(State::Modified, QStringLiteral("mnExit"), 1);
        Runner::report(runner.faults);
        QVERIFY(!s.window->isVisible());
        QVERIFY(!zSvr::instance().isOpen());
        QVERIFY(s.prompt.messages.last().contains(QStringLiteral("保存しますか")));
    }
};

QTEST_MAIN(TestMenuSession)
#include "tst_menusession.moc"

// Every item of the main window's page menus, the editor's popup menus, toolbar and function keys,
// on the generated sample database, in the states a user meets: an item must be enabled wherever its
// menu's rule enables it, and an enabled item must do something (ask, show a window, start a
// program, change the page, the tree, the database, the settings or a file), whichever way its
// questions are answered. The node, bulk and database-file menus, and the page menus with an empty
// database or none, are swept by tst_menusession.
#include "SweepRunner.h"

using namespace Sweep;

class TestMenuSweep : public QObject
{
    Q_OBJECT

    Session s;
    Runner runner{s};

private slots:
    void initTestCase() { QVERIFY(s.start()); }
    void cleanupTestCase() { runner.summary(); }

    // The fingerprint sees nothing where nothing happens, and sees a dead item.
    void theSweepCanFail()
    {
        s.enter(State::Body, Clip::Both);
        const Print before = s.print();
        Runner::settle();
        QCOMPARE(changed(before, s.print()), QStringList());

        Runner dead(s);
        QAction *style = s.window->item(QStringLiteral("mnSelc"), 0);
        QAction *popupStyle = s.editor().companion().item(sbTxm::mnSelc, 0);
        {
            const QSignalBlocker mute(style);
            const QSignalBlocker mutePopup(popupStyle);
            dead.runMain(State::Body, QStringLiteral("mnSelc"), 0);
            dead.runPopup(State::Body, sbTxm::mnSelc, 0);
        }
        QCOMPARE(dead.faults.size(), 2);
        QVERIFY(dead.faults.at(0).endsWith(QStringLiteral("changed nothing")));

        // An item disabled where its rule enables it.
        s.enter(State::Body, Clip::Both);
        QAction *find = s.window->item(QStringLiteral("mnEdit"), 12);
        s.window->refreshMenus();
        QObject::connect(s.window->menu(QStringLiteral("mnEdit")), &QMenu::aboutToShow, find,
                         [find] { find->setEnabled(false); });
        const QStringList wrong = runner.checkEnabling(State::Body, Clip::Both);
        QObject::disconnect(s.window->menu(QStringLiteral("mnEdit")), &QMenu::aboutToShow, find, nullptr);
        QVERIFY2(wrong.size() == 1 && wrong.first().startsWith(QStringLiteral("menu mnEdit 12")), qPrintable(wrong.join('\n')));
    }

    void itemsAreEnabledAsTheirRulesSay_data()
    {
        QTest::addColumn<int>("state");
        for (State state : {State::Body, State::TableCell, State::TagField, State::Modified, State::Header,
                            State::NewNode, State::EmptyDb, State::NoDb})
            QTest::newRow(stateName(state)) << int(state);
    }

    void itemsAreEnabledAsTheirRulesSay()
    {
        QFETCH(int, state);
        QStringList wrong;
        for (Clip clip : {Clip::None, Clip::Text, Clip::Picture, Clip::Both})
            wrong += runner.checkEnabling(State(state), clip);
        Runner::report(wrong);
    }

    void editorItemsDoSomething_data()
    {
        QTest::addColumn<int>("state");
        for (State state : {State::Body, State::TableCell, State::TagField, State::Modified, State::Header,
                            State::NewNode})
            QTest::newRow(stateName(state)) << int(state);
    }

    void editorItemsDoSomething()
    {
        QFETCH(int, state);
        runner.faults.clear();
        runner.sweepEditor(State(state));
        Runner::report(runner.faults);
    }

    // A picture alone on the clipboard (a screenshot): every paste item takes it.
    void pasteItemsTakeAPictureAlone()
    {
        runner.faults.clear();
        const int before = runner.runs;
        for (int index : {0, 2}) {
            runner.runMain(State::Body, QStringLiteral("mnPast"), index, Clip::Picture);
            runner.runPopup(State::Body, sbTxm::mnPast, index, {}, Clip::Picture);
        }
        runner.runTool(State::Body, QStringLiteral("Paste"), Clip::Picture);
        QCOMPARE(runner.runs - before, 5);
        Runner::report(runner.faults);
    }

    void objectPopupItemsDoSomething()
    {
        runner.faults.clear();
        for (int index = 0; index < 22; ++index) {
            runner.run(State::Body, [&] {
                uTxm &editor = s.editor();
                const int object = editor.edit().objectIds().value(0);
                QAction *a = editor.companion().item(sbTxm::mnObjct, index);
                if (!object || !a || a->isSeparator() || !editor.objectMenuStates(object) || !a->isEnabled() || !a->isVisible())
                    return QString();
                editor.objectMenuAct(object, index);
                return QStringLiteral("object %1 %2").arg(index).arg(a->text());
            });
        }
        Runner::report(runner.faults);
    }
};

QTEST_MAIN(TestMenuSweep)
#include "tst_menusweep.moc"

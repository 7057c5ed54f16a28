#include "mainwin/FkyHost.h"
#include "mainwin/uFky.h"

#include <QAction>
#include <QProgressBar>
#include <QToolButton>
#include <QtTest>

// A host with a few menu items; index 2 of group 3 is a separator.
class FakeHost : public FkyHost
{
public:
    QList<QPair<int, int>> calls;
    QAction items[4];
    FakeHost()
    {
        items[0].setText(QStringLiteral("ﾍﾟｰｼﾞを更新"));
        items[1].setText(QStringLiteral("名前を付けて保存(&O)"));
        items[2].setSeparator(true);
        items[3].setText(QStringLiteral("表題1"));
    }
    void fnMenu(int group, int index) override { calls.append({group, index}); }
    QAction *menuItem(int group, int index) const override
    {
        QAction *a = nullptr;
        if (group == 3 && index == 18)
            a = const_cast<QAction *>(&items[0]);
        else if (group == 2 && index == 6)
            a = const_cast<QAction *>(&items[1]);
        else if (group == 3 && index == 2)
            a = const_cast<QAction *>(&items[2]);
        else if (group == 5 && index == 0)
            a = const_cast<QAction *>(&items[3]);
        return a && !a->isSeparator() ? a : nullptr;
    }
};

class TestUFky : public QObject
{
    Q_OBJECT
private slots:
    void codesRoundTrip_data()
    {
        QTest::addColumn<int>("group");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("code");
        QTest::newRow("3/18") << 3 << 18 << QStringLiteral("3I");
        QTest::newRow("14/1") << 14 << 1 << QStringLiteral("E1");
        QTest::newRow("5/0") << 5 << 0 << QStringLiteral("50");
        QTest::newRow("16/35") << 16 << 35 << QStringLiteral("GZ");
    }
    void codesRoundTrip()
    {
        QFETCH(int, group);
        QFETCH(int, index);
        QFETCH(QString, code);
        QCOMPARE(uFky::sHex(group, index), code);
        int g = -1, i = -1;
        uFky::iHex(code, g, i);
        QCOMPARE(g, group);
        QCOMPARE(i, index);
        QCOMPARE(uFky::sHex(3, 36), QString());
    }

    void bindingAndPressing()
    {
        FakeHost host;
        uFky bar;
        bar.cKey(QStringLiteral("F8"), 3, 18, QStringLiteral("更新"), QString());
        QCOMPARE(bar.keyMap(), QString());   // no host yet
        bar.cOn(&host, false);
        bar.cKey(QStringLiteral("F8"), 3, 18, QStringLiteral("更新"), QStringLiteral("現在の文書を更新します"));
        bar.cKey(QStringLiteral("F7"), 3, 2, QStringLiteral("区切"), QString());     // separator
        bar.cKey(QStringLiteral("F6"), 9, 9, QStringLiteral("無い"), QString());     // missing item
        bar.cKey(QStringLiteral("C5"), 2, 6, QStringLiteral("保存"), QString());
        QCOMPARE(bar.keyMap(), QStringLiteral("F8=3I,C5=26,"));
        QCOMPARE(bar.key(QStringLiteral("F8"))->text(), QStringLiteral("F8 更新"));
        QCOMPARE(bar.key(QStringLiteral("C5"))->toolTip(), QStringLiteral("名前を付けて保存"));
        QCOMPARE(bar.key(QStringLiteral("F7"))->text(), QStringLiteral("F7"));
        // A second binding of a key moves its entry to the end.
        bar.cKey(QStringLiteral("F8"), 5, 0, QString(), QString());
        QCOMPARE(bar.keyMap(), QStringLiteral("C5=26,F8=50,"));
        QVERIFY(bar.key(QStringLiteral("F8"))->text().isEmpty());
        QVERIFY(bar.keyPress(8, Qt::NoModifier));
        QVERIFY(bar.keyPress(5, Qt::ControlModifier));
        QVERIFY(!bar.keyPress(5, Qt::ControlModifier | Qt::ShiftModifier));   // looked up as F5: unbound
        QVERIFY(!bar.keyPress(3, Qt::NoModifier));
        QCOMPARE(host.calls, (QList<QPair<int, int>>{{5, 0}, {2, 6}}));
        QCOMPARE(bar.keySet(), QStringLiteral("F"));
        bar.cOff();
        QVERIFY(!bar.keyPress(5, Qt::ControlModifier));
        QCOMPARE(host.calls.size(), 2);
    }

    // Holding Ctrl shows the Ctrl row; letting it go shows the plain row again, also when the key
    // opened another window that gets the release.
    void ctrlRowEndsWithTheCtrlRelease()
    {
        FakeHost host;
        QWidget window;
        auto *bar = new uFky(&window);
        bar->cOn(&host, false);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTest::keyPress(&window, Qt::Key_Control);
        QCOMPARE(bar->keySet(), QStringLiteral("C"));
        QWidget other;
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        QTest::keyRelease(&other, Qt::Key_Control);
        QCOMPARE(bar->keySet(), QStringLiteral("F"));
        // Leaving the window with the Ctrl row shown shows the plain row too.
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTest::keyPress(&window, Qt::Key_Control);
        QCOMPARE(bar->keySet(), QStringLiteral("C"));
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        QCOMPARE(bar->keySet(), QStringLiteral("F"));
    }

    void keysFollowTheirItems()
    {
        FakeHost host;
        uFky bar;
        bar.cOn(&host, false);
        bar.cKey(QStringLiteral("F8"), 3, 18, QStringLiteral("更新"), QString());
        bar.cKey(QStringLiteral("F2"), 5, 0, QStringLiteral("見出1"), QString());
        host.items[0].setEnabled(false);
        bar.SetEnbByMenu();
        QVERIFY(!bar.key(QStringLiteral("F8"))->isEnabled());
        QVERIFY(bar.key(QStringLiteral("F2"))->isEnabled());
        bar.SetEnb(5, QStringLiteral("0.7"), false, false);
        QVERIFY(!host.items[3].isEnabled());
        QVERIFY(!bar.key(QStringLiteral("F2"))->isEnabled());
        bar.SetEnbKy(QStringLiteral("f2,zz,"), true);
        QVERIFY(bar.key(QStringLiteral("F2"))->isEnabled());
        bar.cCap(QStringLiteral("F2"), QStringLiteral("題"));
        QCOMPARE(host.items[3].text(), QStringLiteral("題"));
        QCOMPARE(bar.key(QStringLiteral("F2"))->text(), QStringLiteral("F2 題"));
    }

    // The parent map: a parent item's keys include those of the items below it, nested lists
    // too; this program's window has no pattern, so cKyS leaves the map empty.
    void parentMapEnablesTheKeysBelow()
    {
        FakeHost host;
        uFky bar;
        bar.cOn(&host, false);
        bar.cKey(QStringLiteral("F8"), 3, 18, QStringLiteral("更新"), QString());
        bar.cKey(QStringLiteral("C1"), 2, 6, QStringLiteral("保存"), QString());
        bar.cKey(QStringLiteral("F2"), 5, 0, QStringLiteral("見出1"), QString());
        bar.buildParentMap(QStringLiteral("50(3I,26(3I)),99"));
        QCOMPARE(bar.parentMap(), QStringLiteral("50=F8,C1,F8,/26=F8,/"));
        bar.SetEnb(5, QStringLiteral("0"), false, false);
        for (const char *name : {"F2", "F8", "C1"})
            QVERIFY2(!bar.key(QString::fromLatin1(name))->isEnabled(), name);
        bar.SetEnb(5, QStringLiteral("0"), true, false);
        QVERIFY(bar.key(QStringLiteral("C1"))->isEnabled());
        // A list without its parent's code stops the build with what it has.
        bar.buildParentMap(QStringLiteral("(3I)"));
        QCOMPARE(bar.parentMap(), QString());
        bar.buildParentMap(QStringLiteral("26(3I),50(99)"));
        QCOMPARE(bar.parentMap(), QStringLiteral("26=F8,/"));
        bar.cKyS();
        QCOMPARE(bar.parentMap(), QString());
        bar.SetEnb(5, QStringLiteral("0"), false, false);
        QVERIFY(!bar.key(QStringLiteral("F2"))->isEnabled());
        QVERIFY(bar.key(QStringLiteral("F8"))->isEnabled());
    }

    void statusLevels_data()
    {
        QTest::addColumn<int>("level");
        QTest::addColumn<int>("icon");
        QTest::newRow("key") << 1 << 3;
        QTest::newRow("bell") << 2 << 2;
        QTest::newRow("warning") << 4 << 1;
        QTest::newRow("pin for 3") << 3 << 0;
        QTest::newRow("pin for 0") << 0 << 0;
    }
    void statusLevels()
    {
        QFETCH(int, level);
        QFETCH(int, icon);
        uFky bar;
        bar.PanelTx(QStringLiteral("文書No:1001"), level);
        QCOMPARE(bar.panelLevel(), icon);
        QCOMPARE(bar.panelText(), QStringLiteral("     文書No:1001"));
    }

    void progressTakesThePanelsPlace()
    {
        uFky bar;
        bar.resize(1200, 30);
        bar.StSize();
        QVERIFY(bar.panelShown());
        bar.pbMax(10);
        bar.pbVAL(20);   // beyond the maximum: held at it
        QVERIFY(bar.progressShown());
        QVERIFY(!bar.panelShown());
        QCOMPARE(bar.findChild<QProgressBar *>()->value(), 10);
        bar.pbMax(0);
        QVERIFY(!bar.progressShown());
        QVERIFY(bar.panelShown());
    }

    void layoutByTwips()
    {
        uFky bar;
        const int dpi = bar.logicalDpiX();
        // 10000 twips wide and 500 high exceed neither limit: keys only.
        bar.resize(10000 * dpi / 1440, 500 * bar.logicalDpiY() / 1440 - 1);
        bar.StSize();
        QVERIFY(!bar.panelShown());
        bar.resize(12000 * dpi / 1440, 20);
        bar.StSize();
        QVERIFY(bar.panelShown());
        QVERIFY(bar.key(QStringLiteral("F9"))->isVisibleTo(&bar));
        QVERIFY(!bar.key(QStringLiteral("F10"))->isVisibleTo(&bar));
    }
};

QTEST_MAIN(TestUFky)
#include "tst_ufky.moc"

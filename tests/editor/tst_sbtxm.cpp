#include "core/Usr.h"
#include "editor/sbTxm.h"
#include "editor/uTxm.h"
#include "support/ScriptedPrompt.h"
#include "support/StubEditorServices.h"
#include "support/TestHome.h"

#include <QAction>
#include <QMenu>
#include <QtTest>

#include <memory>

// The companion form's popup menus and their caption-to-command table.
class TestSbTxm : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestHome> m_home;
    std::unique_ptr<StubEditorServices> m_services;
    std::unique_ptr<uTxm> m_editor;

    sbTxm &form() { return m_editor->companion(); }

    QAction *item(sbTxm::Menu menu, int index)
    {
        QAction *action = form().item(menu, index);
        if (!action)
            qFatal("no item %d of menu %d", index, int(menu));
        return action;
    }

    void choose(sbTxm::Menu menu, int index)
    {
        form().iRJb = 0;
        form().vOpt = QVariant();
        item(menu, index)->trigger();
    }

private slots:
    void init()
    {
        m_home = std::make_unique<TestHome>();
        Usr::st().runTime = true;
        m_services = std::make_unique<StubEditorServices>();
        m_editor = std::make_unique<uTxm>(nullptr, m_services.get());
        form().cTyp(2);
    }

    void cleanup()
    {
        m_editor.reset();
        m_services.reset();
        m_home.reset();
    }

    void itemsGiveJobs_data()
    {
        QTest::addColumn<int>("menu");
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("job");
        QTest::addColumn<QVariant>("option");
        QTest::newRow("cut") << int(sbTxm::mnEdit) << 3 << 13 << QVariant();
        QTest::newRow("find") << int(sbTxm::mnEdit) << 12 << 22 << QVariant();
        QTest::newRow("tidy") << int(sbTxm::mnEdit) << 16 << 24 << QVariant();
        QTest::newRow("update") << int(sbTxm::mnEdit) << 18 << 4 << QVariant();
        QTest::newRow("paste picture") << int(sbTxm::mnPast) << 2 << 15 << QVariant(QStringLiteral("PIC"));
        QTest::newRow("paste text") << int(sbTxm::mnPast) << 3 << 15 << QVariant(QStringLiteral("TXT"));
        QTest::newRow("text file passes its index") << int(sbTxm::mnLocal) << 1 << 32 << QVariant(1);
        QTest::newRow("picture") << int(sbTxm::mnLocal) << 3 << 33 << QVariant(3);
        QTest::newRow("picture by size") << int(sbTxm::mnLocal) << 4 << 34 << QVariant(4);
        QTest::newRow("picture wmf") << int(sbTxm::mnLocal) << 5 << 35 << QVariant(5);
        QTest::newRow("link") << int(sbTxm::mnLocal) << 11 << 50 << QVariant(0);
        QTest::newRow("link modify") << int(sbTxm::mnLocal) << 12 << 50 << QVariant(1);
        QTest::newRow("tag delete") << int(sbTxm::mnLocal) << 16 << 51 << QVariant(2);
        QTest::newRow("tooltip modify") << int(sbTxm::mnLocal) << 20 << 52 << QVariant(1);
        QTest::newRow("page break") << int(sbTxm::mnLocal) << 25 << 53 << QVariant(25);
        QTest::newRow("other page") << int(sbTxm::mnInsDc) << 1 << 31 << QVariant();
        QTest::newRow("chart") << int(sbTxm::mnChart) << 1 << 43 << QVariant();
        QTest::newRow("style 2") << int(sbTxm::mnSelc) << 2 << 60 << QVariant(2);
        QTest::newRow("font") << int(sbTxm::mnSelc) << 9 << 61 << QVariant();
        QTest::newRow("indent one") << int(sbTxm::mnSelc) << 17 << 54 << QVariant(0);
        QTest::newRow("indent count") << int(sbTxm::mnSelc) << 18 << 54 << QVariant(1);
        QTest::newRow("row below") << int(sbTxm::mnTins) << 6 << 80 << QVariant(QStringLiteral("下"));
        QTest::newRow("split above") << int(sbTxm::mnTsp) << 0 << 81 << QVariant(QStringLiteral("上"));
        QTest::newRow("delete column") << int(sbTxm::mnTdel) << 1 << 82 << QVariant(QStringLiteral("列"));
        QTest::newRow("select cell") << int(sbTxm::mnTslc) << 2 << 83 << QVariant(QStringLiteral("ｾﾙ"));
        QTest::newRow("row properties") << int(sbTxm::mnProp) << 1 << 85 << QVariant(QStringLiteral("行"));
        QTest::newRow("page setup") << int(sbTxm::mnUser) << 0 << 65 << QVariant();
        QTest::newRow("options") << int(sbTxm::mnUser) << 4 << 68 << QVariant();
        QTest::newRow("printer") << int(sbTxm::mnUser) << 7 << 69 << QVariant();
    }

    void itemsGiveJobs()
    {
        QFETCH(int, menu);
        QFETCH(int, index);
        QFETCH(int, job);
        QFETCH(QVariant, option);
        choose(sbTxm::Menu(menu), index);
        QCOMPARE(form().iRJb, job);
        QCOMPARE(form().vOpt, option);
    }

    void repeatItem()
    {
        choose(sbTxm::mnEdit, 3);
        QCOMPARE(item(sbTxm::mnEdit, 1)->text(), QStringLiteral("繰り返し(&R)　切り取り"));
        choose(sbTxm::mnEdit, 1);
        QCOMPARE(form().iRJb, 13);
        QCOMPARE(item(sbTxm::mnEdit, 1)->text(), QStringLiteral("繰り返し(&R)　切り取り"));
        choose(sbTxm::mnEdit, 0);
        QCOMPARE(form().iRJb, 11);
        QCOMPARE(item(sbTxm::mnEdit, 1)->text(), QStringLiteral("やり直し(&R)"));
        choose(sbTxm::mnEdit, 1);
        QCOMPARE(form().iRJb, 12);
        QCOMPARE(item(sbTxm::mnEdit, 1)->text(), QStringLiteral("やり直しできません"));
        // A repeated command gets no argument.
        choose(sbTxm::mnDisp, 0);
        QCOMPARE(form().iRJb, 27);
        QCOMPARE(form().vOpt, QVariant(-1)); // the toolbar item was checked
        form().RepertJb();
        QCOMPARE(form().iRJb, 27);
        QVERIFY(!form().vOpt.isValid());
        // A submenu's parent only rewrites the repeat item.
        form().iRJb = 0;
        form().DoMenuJob(item(sbTxm::mnLocal, 0)->text(), 0);
        QCOMPARE(form().iRJb, 0);
        QCOMPARE(item(sbTxm::mnEdit, 1)->text(), QStringLiteral("繰り返し(&R)　文書"));
    }

    void clearQuestion()
    {
        ScriptedPrompt prompt;
        prompt.answers.enqueue(Prompt::Cancel);
        prompt.answers.enqueue(Prompt::Ok);
        choose(sbTxm::mnEdit, 8);
        QCOMPARE(form().iRJb, 0);
        QCOMPARE(prompt.messages.first(), QStringLiteral("文書全体を初期化して良いですか"));
        choose(sbTxm::mnEdit, 8);
        QCOMPARE(form().iRJb, 2);
    }

    void viewItems()
    {
        choose(sbTxm::mnDisp, 7);
        QCOMPARE(form().iRJb, 27);
        QCOMPARE(form().vOpt, QVariant(-8));
        for (int i = 0; i <= 4; ++i)
            QVERIFY(!item(sbTxm::mnDisp, i)->isChecked());
        choose(sbTxm::mnDisp, 4);
        QCOMPARE(form().vOpt, QVariant(5));
        choose(sbTxm::mnDisp, 6);
        QCOMPARE(form().vOpt, QVariant(7));
        QVERIFY(item(sbTxm::mnDisp, 2)->isChecked());
    }

    void headerItemsToggle()
    {
        choose(sbTxm::mnHeader, 0);
        QCOMPARE(form().iRJb, 56);
        QCOMPARE(form().vOpt, QVariant(1));
        choose(sbTxm::mnHeader, 0);
        QCOMPARE(form().vOpt, QVariant(-1));
        choose(sbTxm::mnFooter, 1);
        QCOMPARE(form().vOpt, QVariant(8));
    }

    void objectAndViewerMenusSetTheIndex()
    {
        form().iOndx = -1;
        item(sbTxm::mnObjct, 21)->trigger();
        QCOMPARE(form().iOndx, 21);
        form().iOndx = -1;
        item(sbTxm::mnTrx, 2)->trigger();
        QCOMPARE(form().iOndx, 2);
    }

    void visibilityByKind_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("headings");
        QTest::addColumn<bool>("script");
        QTest::addColumn<bool>("tooltip");
        QTest::addColumn<bool>("document");
        QTest::newRow("0") << 0 << false << false << true << true;
        QTest::newRow("1") << 1 << true << false << true << true;
        QTest::newRow("2") << 2 << true << true << true << true;
        QTest::newRow("4") << 4 << true << true << true << false;
        QTest::newRow("-2") << -2 << false << false << false << true;
    }

    void visibilityByKind()
    {
        QFETCH(int, kind);
        QFETCH(bool, headings);
        QFETCH(bool, script);
        QFETCH(bool, tooltip);
        QFETCH(bool, document);
        form().cTyp(kind);
        QCOMPARE(item(sbTxm::mnSelc, 0)->isVisible(), headings);
        QVERIFY(item(sbTxm::mnSelc, 3)->isVisible());
        QCOMPARE(item(sbTxm::mnUser, 2)->isVisible(), headings);
        QCOMPARE(item(sbTxm::mnLocal, 28)->isVisible(), script);
        QCOMPARE(item(sbTxm::mnLocal, 19)->isVisible(), tooltip);
        QCOMPARE(item(sbTxm::mnLocal, 0)->isVisible(), document);
        QVERIFY(!item(sbTxm::mnObjct, 15)->isVisible()); // no database: no publishing right
    }

    void settingsDialogGoesToTheServices()
    {
        form().cOn(m_editor.get());
        m_services->dialogAnswer = QStringLiteral("1\tON\t上書");
        QString answer = QStringLiteral("0\tOFF\t確認");
        form().Act(QStringLiteral("IM"), answer);
        QCOMPARE(m_services->dialogs, QStringList{QStringLiteral("IM")});
        QCOMPARE(answer, QStringLiteral("1\tON\t上書"));
        form().cOff();
        form().Act(QStringLiteral("IM"), answer);
        QVERIFY(answer.isEmpty());
    }
};

QTEST_MAIN(TestSbTxm)
#include "tst_sbtxm.moc"

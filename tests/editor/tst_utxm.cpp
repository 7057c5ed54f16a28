#include "editor/CoolBar.h"
#include "editor/uTxm.h"
#include "platform/richtext/PageCodec.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/RichTextEdit.h"
#include "platform/richview/PageClipboard.h"
#include "platform/richview/RichView.h"
#include "support/EditorTestEnv.h"
#include "support/ScriptedPrompt.h"
#include "support/StubEditorServices.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

// The editor control's life cycle, settings, command frame and page transfers.
class TestUTxm : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestHome> m_home;
    std::unique_ptr<StubEditorServices> m_services;
    std::unique_ptr<uTxm> m_editor;
    int m_saves = 0;
    QList<int> m_jobs;
    bool m_dialogResult = false;

    uTxm &editor() { return *m_editor; }

    void start(const QVariant &prefix = QVariant())
    {
        m_services = std::make_unique<StubEditorServices>();
        m_editor = std::make_unique<uTxm>(nullptr, m_services.get());
        m_saves = 0;
        m_jobs.clear();
        connect(m_editor.get(), &uTxm::eSaveDB, this, [this] { ++m_saves; });
        connect(m_editor.get(), &uTxm::eRtAct, this, [this](int &code) { m_jobs.append(code); });
        m_editor->view()->setDialogRunner([this](QDialog &) { return m_dialogResult; });
        m_editor->cOn(0, 2, QVariant(), prefix);
    }

    void loadPage(const QString &text)
    {
        bool ok = false;
        editor().SetData(StubEditorServices::page(text), ok, true);
        QVERIFY(ok);
    }

private slots:
    void init()
    {
        m_home = std::make_unique<TestHome>();
        QVERIFY(resetEditorState(*m_home));
    }

    void cleanup()
    {
        m_editor.reset();
        m_services.reset();
        yIni::release();
        m_home.reset();
    }

    void defaultsWithoutSettings()
    {
        start();
        const PageSetup &setup = editor().page().pageSetup();
        QCOMPARE(setup.width, 12240);
        QCOMPARE(setup.height, 15840);
        QCOMPARE(setup.marginLeft, 850); // 850.5 rounds to even
        QCOMPARE(setup.marginTop, 850);
        QCOMPARE(setup.marginRight, 567);
        QCOMPARE(setup.marginBottom, 567);
        QCOMPARE(editor().PageWdIn(), 12240 / 15);
        QCOMPARE(editor().zoom(), 100);
        QCOMPARE(editor().viewMode(), 0);
        QVERIFY(!editor().rulersShown());
        QCOMPARE(editor().imeSetting(), QStringLiteral("OFF"));
        QCOMPARE(editor().updatePolicy(), QStringLiteral("確認"));
    }

    void secondOnLeavesBusyClearAndPickersFilledOnce()
    {
        start();
        auto *picker = editor().findChild<QComboBox *>(QStringLiteral("imFcr"));
        QVERIFY(picker);
        QCOMPARE(picker->count(), 10);
        editor().cOn(0, 2);
        QCOMPARE(picker->count(), 10);
        QVERIFY(!editor().isBusy());
    }

    void reverseLookupPrefixUsesOwnGroups()
    {
        start(QStringLiteral("_RV"));
        editor().rtAct(86, QStringLiteral("50"));
        editor().rtAct(27, 5);
        editor().cOff();
        QVERIFY(yIni::instance().SetTxt());
        yIni &ini = yIni::instance();
        ini.GetGtx(QStringLiteral("TX_DISP_RV"));
        QCOMPARE(ini.vGtVal(QStringLiteral("ZOOM"), 0).toInt(), 50);
        ini.GetGtx(QStringLiteral("TX_BAR_RV"));
        QCOMPARE(ini.vGtVal(QStringLiteral("RULE"), QString()).toString(), QStringLiteral("表示"));
        ini.GetGtx(QStringLiteral("TX_DISP"));
        QCOMPARE(ini.vGtVal(QStringLiteral("ZOOM"), -1).toInt(), -1);
        ini.GetGtx(QStringLiteral("TX_USR"));
        QCOMPARE(ini.vGtVal(QStringLiteral("更新確認"), QString()).toString(), QStringLiteral("確認"));
    }

    void bandLayoutRoundTripWithHiddenBand()
    {
        const QString stored = QStringLiteral("1-300-N-tlBar:2-0-N-frFmt:3-200-R-vButton:4-150-N-vStatus:");
        yIni &ini = yIni::instance();
        ini.GetGtx(QStringLiteral("TX_BAR"));
        ini.SetVal(QStringLiteral("C_BR"), stored);
        ini.SetGtx();
        start();
        QVERIFY(!editor().barShown(2));
        QVERIFY(editor().barShown(1));
        QCOMPARE(editor().coolBar().bandWidth(2), 500);
        QVERIFY(editor().coolBar().bandNewRow(3));
        QCOMPARE(editor().coolBar().layoutString(), stored);
        editor().cOff();
        ini.GetGtx(QStringLiteral("TX_BAR"));
        QCOMPARE(ini.vGtVal(QStringLiteral("C_BR"), QString()).toString(), stored);
    }

    void bandLayoutOrderAndBadItems_data()
    {
        QTest::addColumn<QString>("layout");
        QTest::addColumn<QString>("firstChild");
        QTest::addColumn<bool>("restored");
        QTest::newRow("sorted by position") << QStringLiteral("2-80-N-tlBar:1-90-N-vStatus:3-70-N-frFmt:4-60-N-vButton:")
                                            << QStringLiteral("vStatus") << true;
        QTest::newRow("three parts") << QStringLiteral("1-300-tlBar:2-1-N-frFmt:3-1-N-vButton:4-1-N-vStatus:")
                                     << QStringLiteral("tlBar") << false;
        QTest::newRow("unknown bar") << QStringLiteral("1-300-N-xBar:2-1-N-frFmt:3-1-N-vButton:4-1-N-vStatus:")
                                     << QStringLiteral("tlBar") << false;
        QTest::newRow("empty") << QString() << QStringLiteral("tlBar") << false;
    }

    void bandLayoutOrderAndBadItems()
    {
        QFETCH(QString, layout);
        QFETCH(QString, firstChild);
        QFETCH(bool, restored);
        start();
        QCOMPARE(editor().coolBar().restore(layout), restored);
        QCOMPARE(editor().coolBar().bandChild(1)->objectName(), firstChild);
        for (int band = 1; band <= 4; ++band)
            QVERIFY(editor().coolBar().bandShown(band));
    }

    void zoomSteps_data()
    {
        QTest::addColumn<QString>("argument");
        QTest::addColumn<int>("steps");
        QTest::addColumn<int>("zoom");
        QTest::newRow("larger") << QStringLiteral("拡大") << 1 << 120;
        QTest::newRow("number") << QStringLiteral("50") << 1 << 50;
        QTest::newRow("too small number") << QStringLiteral("5") << 1 << 100;
        QTest::newRow("too large number") << QStringLiteral("1000") << 1 << 100;
        QTest::newRow("zero") << QStringLiteral("0") << 1 << 100;
        QTest::newRow("text") << QStringLiteral("abc") << 1 << 100;
        QTest::newRow("smaller never reaches zero") << QStringLiteral("縮小") << 8 << 10;
        QTest::newRow("larger stops at 400") << QStringLiteral("拡大") << 30 << 400;
        QTest::newRow("number above 400") << QStringLiteral("900") << 1 << 400;
    }

    void zoomSteps()
    {
        QFETCH(QString, argument);
        QFETCH(int, steps);
        QFETCH(int, zoom);
        start();
        for (int i = 0; i < steps; ++i)
            editor().rtAct(86, argument);
        QCOMPARE(editor().zoom(), zoom);
    }

    void unlistedCodesOnlyRaiseTheEvent_data()
    {
        QTest::addColumn<int>("code");
        for (int code : {0, 17, 31, 72, 89, -5})
            QTest::newRow(qPrintable(QString::number(code))) << code;
    }

    void unlistedCodesOnlyRaiseTheEvent()
    {
        QFETCH(int, code);
        start();
        loadPage(QStringLiteral("abc"));
        QList<bool> changes;
        connect(&editor(), &uTxm::eEdtCng, this, [&changes](bool &edited) { changes.append(edited); });
        editor().rtAct(code);
        QCOMPARE(m_jobs, QList<int>{code});
        QVERIFY(changes.isEmpty());
        QCOMPARE(editor().edit().text(), QStringLiteral("abc"));
        QVERIFY(m_services->jobs.isEmpty());
        QVERIFY(m_services->dialogs.isEmpty());
        QVERIFY(!editor().isBusy());
    }

    void modifiedFlagRules_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QVariant>("argument");
        QTest::addColumn<bool>("result");
        QTest::addColumn<bool>("before");
        QTest::addColumn<bool>("after");
        // Always marked.
        for (int code : {10, 15, 23, 24, 30, 40, 53, 60, 71, 80, 82})
            QTest::newRow(qPrintable(QStringLiteral("%1 marks").arg(code))) << code << QVariant(3) << false << false << true;
        // Marked by the command's result; a false result keeps the earlier mark.
        for (int code : {32, 33, 35, 41, 42, 43, 44, 50, 51, 52, 61, 62, 63, 64, 85}) {
            QTest::newRow(qPrintable(QStringLiteral("%1 confirmed").arg(code))) << code << QVariant() << true << false << true;
            QTest::newRow(qPrintable(QStringLiteral("%1 cancelled").arg(code))) << code << QVariant() << false << false << false;
            QTest::newRow(qPrintable(QStringLiteral("%1 cancelled keeps").arg(code))) << code << QVariant() << false << true << true;
        }
        // Never touched.
        for (int code : {6, 7, 8, 12, 14, 16, 21, 22, 25, 26, 65, 66, 67, 68, 69, 70, 81, 83, 84, 86, 87, 88}) {
            QTest::newRow(qPrintable(QStringLiteral("%1 clean").arg(code))) << code << QVariant() << true << false << false;
            QTest::newRow(qPrintable(QStringLiteral("%1 dirty").arg(code))) << code << QVariant() << true << true << true;
        }
    }

    void modifiedFlagRules()
    {
        QFETCH(int, code);
        QFETCH(QVariant, argument);
        QFETCH(bool, result);
        QFETCH(bool, before);
        QFETCH(bool, after);
        ScriptedPrompt prompt;
        start();
        loadPage(QStringLiteral("some text here"));
        m_services->jobResult = result;
        m_dialogResult = result;
        m_services->colourChosen = result;
        m_services->colour = 255;
        editor().setBDcEdt(before);
        editor().rtAct(code, argument);
        QCOMPARE(editor().bDcEdt(), after);
        QCOMPARE(m_jobs.last(), code);
        QVERIFY(!editor().isBusy());
    }

    // The find dialog opened by Ctrl+F can replace, and the page setup resizes the page: a page they
    // changed must ask before it is left, one they left alone must not.
    void findAndPageSetupMarkWhatTheyChanged_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("change");
        QTest::newRow("find replaced") << 22 << true;
        QTest::newRow("find only") << 22 << false;
        QTest::newRow("page setup changed") << 65 << true;
        QTest::newRow("page setup kept") << 65 << false;
    }

    void findAndPageSetupMarkWhatTheyChanged()
    {
        QFETCH(int, code);
        QFETCH(bool, change);
        start();
        loadPage(QStringLiteral("some text here"));
        editor().setBDcEdt(false);
        m_services->dialogWork = [change](uTxm &editor, const QString &mode) {
            if (!change)
                return;
            if (mode == QLatin1String("PG")) {
                PageSetup setup = editor.page().pageSetup();
                setup.width += 567;
                editor.page().setPageSetup(setup);
            } else {
                editor.edit().select(0, 4);
                editor.edit().setSelectedText(QStringLiteral("more"));
            }
        };
        editor().rtAct(code);
        QCOMPARE(editor().bDcEdt(), change);
        QVERIFY(!editor().isBusy());
    }

    void undoSnapshotTakenBeforeEditingCommands()
    {
        start();
        loadPage(QStringLiteral("before"));
        QVERIFY(!editor().hasUndoSnapshot());
        editor().rtAct(15);
        QVERIFY(editor().hasUndoSnapshot());
        editor().edit().setText(QStringLiteral("after"));
        editor().rtAct(11); // the component's own undo comes first
        QVERIFY(editor().edit().text() != QStringLiteral("after"));
    }

    // The snapshot belongs to the page it was taken on: loading, emptying or failing to load a page
    // drops it, so that an undo never brings the old page into the new one.
    void undoSnapshotStaysWithItsPage_data()
    {
        QTest::addColumn<int>("how");
        QTest::newRow("another page") << 0;
        QTest::newRow("a page that cannot be read") << 1;
        QTest::newRow("a new page") << 2;
        QTest::newRow("plain text") << 3;
        QTest::newRow("a page file") << 4;
    }

    void undoSnapshotStaysWithItsPage()
    {
        QFETCH(int, how);
        ScriptedPrompt prompt;
        start();
        loadPage(QStringLiteral("page A"));
        editor().rtAct(60, 3);
        QVERIFY(editor().hasUndoSnapshot());
        editor().setBDcEdt(false);
        bool ok = false;
        QString expected = QStringLiteral("page B");
        if (how == 0) {
            editor().SetData(StubEditorServices::page(expected), ok);
        } else if (how == 1) {
            editor().SetData(QByteArray("not a page"), ok, false, expected);
        } else if (how == 2) {
            editor().rtAct(2);
            expected.clear();
        } else if (how == 3) {
            editor().SetText(expected);
        } else {
            PageDocument page;
            page.main()->setPlainText(expected);
            const QString file = m_home->path() + QStringLiteral("/B.page");
            QVERIFY(PageCodec::saveFile(page, file));
            editor().SetDcFL(file, ok);
            QVERIFY(ok);
        }
        QVERIFY(!editor().hasUndoSnapshot());
        // The test pages load as undoable text; a real page load starts with an empty undo stack.
        editor().page().main()->clearUndoRedoStacks();
        editor().rtAct(11);
        QCOMPARE(editor().edit().text(), expected);
    }

    void pictureDefaultsFromDialog_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<int>("layout");
        QTest::addColumn<int>("colour");
        QTest::newRow("confirmed") << QStringLiteral("31") << 3 << 1;
        QTest::newRow("cancelled") << QStringLiteral("") << 1 << 0;
        QTest::newRow("foreign answer") << QStringLiteral("ab") << 1 << 0;
    }

    void pictureDefaultsFromDialog()
    {
        QFETCH(QString, answer);
        QFETCH(int, layout);
        QFETCH(int, colour);
        start();
        m_services->dialogAnswer = answer;
        editor().rtAct(67);
        QCOMPARE(m_services->dialogs, QStringList{QStringLiteral("TF")});
        QCOMPARE(editor().pictureLayout(), layout);
        QCOMPARE(editor().pictureColour(), colour);
    }

    void pageSetupDialogForEveryKind()
    {
        start();
        editor().rtAct(65);
        QCOMPARE(m_services->dialogs, QStringList{QStringLiteral("PG")});
        editor().cTyp(1);
        editor().rtAct(65);
        QCOMPARE(m_services->dialogs, (QStringList{QStringLiteral("PG"), QStringLiteral("PG")}));
        QVERIFY(m_services->jobs.isEmpty());
    }

    void optionsDialogTakesOnlyThreeParts()
    {
        start();
        m_services->dialogAnswer = QStringLiteral("1\tON\t無視");
        editor().rtAct(68);
        QVERIFY(editor().bStrNo);
        QCOMPARE(editor().imeSetting(), QStringLiteral("ON"));
        QCOMPARE(editor().updatePolicy(), QStringLiteral("無視"));
        m_services->dialogAnswer = QStringLiteral("0\tOFF");
        editor().rtAct(68);
        QVERIFY(editor().bStrNo);
        QCOMPARE(editor().updatePolicy(), QStringLiteral("無視"));
    }

    void setDataSavePolicy_data()
    {
        QTest::addColumn<QString>("policy");
        QTest::addColumn<bool>("modified");
        QTest::addColumn<bool>("copyNew");
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("questions");
        QTest::addColumn<int>("saves");
        QTest::newRow("ask yes") << QStringLiteral("確認") << true << false << int(Prompt::Yes) << 1 << 1;
        QTest::newRow("ask no") << QStringLiteral("確認") << true << false << int(Prompt::No) << 1 << 0;
        QTest::newRow("overwrite") << QStringLiteral("上書") << true << false << 0 << 0 << 1;
        QTest::newRow("ignore") << QStringLiteral("無視") << true << false << 0 << 0 << 0;
        QTest::newRow("copy new never asks") << QStringLiteral("確認") << true << true << 0 << 0 << 0;
        QTest::newRow("copy new never saves") << QStringLiteral("上書") << true << true << 0 << 0 << 0;
        QTest::newRow("unmodified") << QStringLiteral("確認") << false << false << 0 << 0 << 0;
    }

    void setDataSavePolicy()
    {
        QFETCH(QString, policy);
        QFETCH(bool, modified);
        QFETCH(bool, copyNew);
        QFETCH(int, answer);
        QFETCH(int, questions);
        QFETCH(int, saves);
        ScriptedPrompt prompt;
        prompt.answers.enqueue(answer);
        start();
        editor().setUpdatePolicy(policy);
        loadPage(QStringLiteral("old"));
        editor().setBDcEdt(modified);
        bool ok = false;
        editor().SetData(StubEditorServices::page(QStringLiteral("new")), ok, copyNew);
        QVERIFY(ok);
        QCOMPARE(prompt.messages.size(), questions);
        if (questions)
            QCOMPARE(prompt.messages.first(), QStringLiteral("現在の文書を保存しますか"));
        QCOMPARE(m_saves, saves);
        QVERIFY(!editor().bDcEdt());
        QCOMPARE(editor().edit().text(), QStringLiteral("new"));
        QVERIFY(!editor().isBusy());
    }

    void chkUdt_data()
    {
        QTest::addColumn<QString>("policy");
        QTest::addColumn<bool>("modified");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<int>("saves");
        QTest::addColumn<bool>("modifiedAfter");
        QTest::newRow("yes saves") << QStringLiteral("確認") << true << 2 << int(Prompt::Yes) << false << 1 << true;
        QTest::newRow("no discards") << QStringLiteral("確認") << true << 2 << int(Prompt::No) << false << 0 << false;
        QTest::newRow("cancel stays") << QStringLiteral("確認") << true << 2 << int(Prompt::Cancel) << true << 0 << true;
        QTest::newRow("overwrite") << QStringLiteral("上書") << true << 2 << 0 << false << 1 << true;
        QTest::newRow("ignore") << QStringLiteral("無視") << true << 2 << 0 << false << 0 << true;
        QTest::newRow("unmodified") << QStringLiteral("確認") << false << 2 << 0 << false << 0 << false;
        QTest::newRow("negative kind") << QStringLiteral("確認") << true << -1 << 0 << false << 0 << true;
    }

    void chkUdt()
    {
        QFETCH(QString, policy);
        QFETCH(bool, modified);
        QFETCH(int, kind);
        QFETCH(int, answer);
        QFETCH(bool, cancel);
        QFETCH(int, saves);
        QFETCH(bool, modifiedAfter);
        ScriptedPrompt prompt;
        prompt.answers.enqueue(answer);
        start();
        editor().cTyp(kind);
        editor().setUpdatePolicy(policy);
        loadPage(QStringLiteral("page"));
        editor().setBDcEdt(modified);
        bool bCancel = false;
        editor().ChkUdt(bCancel);
        QCOMPARE(bCancel, cancel);
        QCOMPARE(m_saves, saves);
        QCOMPARE(editor().bDcEdt(), modifiedAfter);
        if (policy == QStringLiteral("確認") && modified && kind >= 0) {
            QCOMPARE(prompt.messages.size(), 1);
            QCOMPARE(prompt.styles.first() & 7, int(Prompt::YesNoCancel));
        } else {
            QVERIFY(prompt.messages.isEmpty());
        }
    }

    void chkUdtLeavesCancelAsPassedAndHandlerMayClearTheMark()
    {
        start();
        bool bCancel = true;
        editor().ChkUdt(bCancel);
        QVERIFY(bCancel);
        connect(&editor(), &uTxm::eEdtCng, this, [](bool &edited) { edited = false; });
        editor().setBDcEdt(true);
        QVERIFY(!editor().bDcEdt());
    }

    void unreadablePageOpensReadOnly()
    {
        ScriptedPrompt prompt;
        start();
        editor().setUpdatePolicy(QStringLiteral("上書"));
        bool ok = true;
        editor().SetData(QByteArray("\xD0\xCF\x11\xE0 foreign bytes"), ok, false, QStringLiteral("stored text"));
        QVERIFY(!ok);
        QVERIFY(editor().loadFailed());
        QCOMPARE(editor().edit().editMode(), 1);
        QVERIFY(editor().isBusy()); // read-only: every editing handler stands still
        QVERIFY(!editor().bDcEdt());
        // Leaving the page must not write it back, whatever the policy.
        editor().setBDcEdt(true);
        bool cancel = false;
        editor().ChkUdt(cancel);
        QCOMPARE(m_saves, 0);
        bool again = false;
        editor().SetData(StubEditorServices::page(QStringLiteral("next")), again);
        QCOMPARE(m_saves, 0);
        QVERIFY(again);
        QVERIFY(!editor().loadFailed());
        QCOMPARE(editor().edit().editMode(), 0);
        // A page file after a page that could not be read opens editable too.
        editor().SetData(QByteArray("\xD0\xCF\x11\xE0 foreign bytes"), ok, false, QStringLiteral("stored text"));
        QVERIFY(editor().loadFailed());
        PageDocument page;
        page.main()->setPlainText(QStringLiteral("from a file"));
        const QString file = m_home->path() + QStringLiteral("/page.page");
        QVERIFY(PageCodec::saveFile(page, file));
        editor().SetDcFL(file, again);
        QVERIFY(again);
        QVERIFY(!editor().loadFailed());
        QCOMPARE(editor().edit().editMode(), 0);
        QVERIFY(!editor().isBusy());
        QCOMPARE(editor().edit().text(), QStringLiteral("from a file"));
        // A deliberate save still reaches the host.
        editor().rtAct(4);
        QCOMPARE(m_saves, 1);
    }

    void emptyBytesGiveAnEmptyPage()
    {
        ScriptedPrompt prompt;
        start();
        loadPage(QStringLiteral("abc"));
        bool ok = false;
        editor().SetData(QByteArray(), ok, true);
        QVERIFY(ok);
        QVERIFY(editor().edit().text().isEmpty());
        QVERIFY(prompt.messages.isEmpty());
    }

    void insDataMarksAndApndDataDoesNot()
    {
        start();
        loadPage(QStringLiteral("base"));
        bool ok = false;
        editor().ApndData(StubEditorServices::page(QStringLiteral("+")), ok);
        QVERIFY(ok);
        QVERIFY(!editor().bDcEdt());
        editor().InsData(StubEditorServices::page(QStringLiteral("*")), ok);
        QVERIFY(ok);
        QVERIFY(editor().bDcEdt());
        editor().InsData(QByteArray("junk"), ok);
        QVERIFY(!ok);
    }

    void setTextClearsTheMark()
    {
        start();
        QList<bool> changes;
        connect(&editor(), &uTxm::eEdtCng, this, [&changes](bool &edited) { changes.append(edited); });
        editor().setBDcEdt(true);
        editor().SetText(QStringLiteral("plain"));
        QVERIFY(!editor().bDcEdt());
        QCOMPARE(changes.last(), false);
        QCOMPARE(editor().edit().text(), QStringLiteral("plain"));
    }

    void haveData_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("expected");
        QTest::newRow("text") << QStringLiteral("a") << true;
        QTest::newRow("blanks and feeds") << QStringLiteral("  \n \n  ") << false;
        QTest::newRow("empty") << QString() << false;
        QTest::newRow("ideographic space") << QStringLiteral("\u3000\n") << true;
    }

    void haveData()
    {
        QFETCH(QString, text);
        QFETCH(bool, expected);
        start();
        loadPage(text);
        QCOMPARE(editor().bHaveData(), expected);
    }

    void titleFromFirstLineWithoutTitleBox_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("title");
        QTest::newRow("line feed") << QStringLiteral("Head\nBody") << QStringLiteral("Head");
        QTest::newRow("line break first") << QStringLiteral("Ab\x0b" "cd\nef") << QStringLiteral("Ab");
        QTest::newRow("no line feed") << QStringLiteral("Only one line") << QString();
    }

    void titleFromFirstLineWithoutTitleBox()
    {
        QFETCH(QString, text);
        QFETCH(QString, title);
        m_services = std::make_unique<StubEditorServices>();
        m_editor = std::make_unique<uTxm>(nullptr, m_services.get());
        editor().cOn(0, 2, false);
        loadPage(text);
        QCOMPARE(editor().Title(), title);
    }

    void titleBoxTextIsTheTitle()
    {
        start();
        editor().setTitle(QStringLiteral("It's a \"title\"?"));
        QCOMPARE(editor().Title(), QStringLiteral("It's a \"title\"?"));
        QVERIFY(!editor().bDcEdt()); // setting the title is no edit
        editor().titleBox()->setText(QStringLiteral("typed"));
        QVERIFY(editor().bDcEdt());
    }

    // The title is one line of plain text, however it arrives in its box: the lines of a pasted
    // text joined by a blank, tabs and other control characters gone; typing keeps its blanks.
    void titleBoxTakesOneLine_data()
    {
        QTest::addColumn<QString>("given");
        QTest::addColumn<QString>("title");
        QTest::newRow("lines") << QStringLiteral("First line\r\nsecond\n\nthird\n") << QStringLiteral("First line second third");
        QTest::newRow("tab and bell") << QStringLiteral("a\tb\x07" "c") << QStringLiteral("a bc");
        QTest::newRow("line separator") << QStringLiteral("x\u2028y") << QStringLiteral("x y");
        QTest::newRow("typed blank") << QStringLiteral("word ") << QStringLiteral("word ");
    }
    void titleBoxTakesOneLine()
    {
        QFETCH(QString, given);
        QFETCH(QString, title);
        start();
        editor().titleBox()->setText(given);
        QCOMPARE(editor().Title(), title);
        // Pasted into the box with Ctrl+V.
        QApplication::clipboard()->setText(given);
        editor().show();
        editor().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&editor()));
        editor().titleBox()->clear();
        editor().titleBox()->setFocus();
        QTest::keyClick(editor().titleBox(), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(editor().Title(), title);
        editor().setTitle(given); // a title stored before is shown as one line too
        QCOMPARE(editor().Title(), title);
    }

    void findWordTakesTheFirstWord()
    {
        start();
        loadPage(QStringLiteral("alpha beta gamma"));
        editor().FndWd(QStringLiteral("beta gamma"));
        QCOMPARE(editor().edit().selStart(), 6);
        QCOMPARE(editor().edit().selLength(), 4);
    }

    void copiedPageFormCountsAsLinkOnTheClipboard()
    {
        start();
        loadPage(QStringLiteral("abc"));
        editor().edit().select(0, 2);
        QApplication::clipboard()->setMimeData(PageClipboard::fromSelection(editor().edit()));
        bool undo = false, redo = false, copy = false, paste = false, exDoc = false, ovrw = false;
        bool tx = false, pc = false, mt = false, lk = false;
        int ret = 0;
        editor().ChkJbMn1(undo, redo, copy, paste, exDoc, ovrw, tx, pc, mt, lk, ret);
        QVERIFY(lk);
        QVERIFY(tx);
        QCOMPARE(ret, 3);

        QApplication::clipboard()->setText(QStringLiteral("plain"));
        tx = pc = mt = lk = false;
        ret = 0;
        editor().ChkJbMn1(undo, redo, copy, paste, exDoc, ovrw, tx, pc, mt, lk, ret);
        QVERIFY(!lk);
        QCOMPARE(ret, 1);
    }

    void headerToggle()
    {
        start();
        loadPage(QStringLiteral("text"));
        editor().rtAct(56, 2);
        bool hdP = false, hdF = false, ftP = false, ftF = false;
        editor().HeadFtMn(hdP, hdF, ftP, ftF);
        QVERIFY(!hdP && hdF && !ftP && !ftF);
        QCOMPARE(editor().viewMode(), 2);
        QVERIFY(editor().bDcEdt());
        QCOMPARE(editor().page().main()->toPlainText(), QStringLiteral("text"));
        QCOMPARE(editor().edit().currentPart(), 2); // the new header takes the caret
        QCOMPARE(editor().page().part(2)->toPlainText(), QStringLiteral("Header"));
        // Adding it again changes no header but still marks the page.
        editor().setBDcEdt(false);
        editor().rtAct(56, 2);
        QCOMPARE(editor().page().part(2)->toPlainText(), QStringLiteral("Header"));
        QVERIFY(editor().bDcEdt());
        // Removing a footer the page does not have changes nothing else.
        editor().rtAct(56, -4);
        editor().HeadFtMn(hdP, hdF, ftP, ftF);
        QVERIFY(hdF && !ftP);
        editor().rtAct(56, -2);
        editor().HeadFtMn(hdP, hdF, ftP, ftF);
        QVERIFY(!hdF);
    }

    void pageBreakAndColourCommands()
    {
        start();
        loadPage(QStringLiteral("ab"));
        editor().edit().select(0, 1);
        m_services->colourChosen = true;
        m_services->colour = 0x0000FF;
        editor().rtAct(62);
        QCOMPARE(editor().edit().foreColor(), 0x0000FF);
        editor().edit().setSelStart(1);
        editor().rtAct(53);
        QCOMPARE(editor().edit().text(), QStringLiteral("a\x0c" "b"));
    }

    void offWritesDisplayAndUserGroups()
    {
        start();
        editor().setUpdatePolicy(QStringLiteral("上書"));
        editor().rtAct(86, QStringLiteral("80"));
        editor().cOff();
        yIni &ini = yIni::instance();
        ini.GetGtx(QStringLiteral("TX_DISP"));
        QCOMPARE(ini.vGtVal(QStringLiteral("ZOOM"), 0).toInt(), 80);
        QCOMPARE(ini.vGtVal(QStringLiteral("C_CH"), QString()).toString(), QStringLiteral("表示"));
        ini.GetGtx(QStringLiteral("TX_USR"));
        QCOMPARE(ini.vGtVal(QStringLiteral("更新確認"), QString()).toString(), QStringLiteral("上書"));
        QCOMPARE(ini.vGtVal(QStringLiteral("TX_FLW"), 0).toInt(), 1);
        // A stored zoom outside the range is taken back into it.
        ini.GetGtx(QStringLiteral("TX_DISP"));
        ini.SetVal(QStringLiteral("ZOOM"), 0);
        ini.SetGtx();
        start();
        QCOMPARE(editor().zoom(), 10);
    }

    void offDeletesWorkPictures()
    {
        QVERIFY(TestHome::write(m_home->path() + QStringLiteral("/a.png"), "x"));
        QVERIFY(TestHome::write(m_home->path() + QStringLiteral("/keep.txt"), "x"));
        start();
        editor().cOff();
        QVERIFY(!QFile::exists(m_home->path() + QStringLiteral("/a.png")));
        QVERIFY(QFile::exists(m_home->path() + QStringLiteral("/keep.txt")));
    }
};

QTEST_MAIN(TestUTxm)
#include "tst_utxm.moc"

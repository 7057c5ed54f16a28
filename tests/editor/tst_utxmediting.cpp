#include "core/Usr.h"
#include "editor/CoolBar.h"
#include "editor/HtmlBridge.h"
#include "editor/TxmObjectProps.h"
#include "editor/sbTxm.h"
#include "editor/uTxm.h"
#include "platform/richtext/PageCodec.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/RichTextEdit.h"
#include "platform/richview/RichView.h"
#include "support/EditorTestEnv.h"
#include "support/SamplePage.h"
#include "support/ScriptedPrompt.h"
#include "support/StubEditorServices.h"
#include "support/TestImages.h"
#include "tree/sbTrX.h"

#include <QAction>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QtTest>

#include <memory>

// Typing, keys, field clicks, styles, tidy, indent and the popup menu of the page editor.
class TestUTxmEditing : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestHome> m_home;
    std::unique_ptr<StubEditorServices> m_services;
    std::unique_ptr<uTxm> m_editor;
    QList<QStringList> m_links;

    uTxm &editor() { return *m_editor; }
    RichTextEdit &edit() { return m_editor->edit(); }
    sbTxm &form() { return m_editor->companion(); }

    void start(int kind = 2)
    {
        m_services = std::make_unique<StubEditorServices>();
        m_editor = std::make_unique<uTxm>(nullptr, m_services.get());
        m_editor->view()->setDialogRunner([](QDialog &) { return false; });
        m_links.clear();
        connect(m_editor.get(), &uTxm::eClckLink, this,
                [this](QString &kind, QString &caption, QString &key) { m_links.append({kind, caption, key}); });
        m_editor->cOn(0, kind);
    }

    void load(const QString &text)
    {
        bool ok = false;
        editor().SetData(StubEditorServices::page(text), ok, true);
        QVERIFY(ok);
    }

    // A field of `data` over the text at [start, start + length).
    int field(int start, int length, const QString &data, int type = 2)
    {
        const QString text = edit().text().mid(start, length);
        edit().select(start, length);
        const int id = edit().insertField(text);
        edit().setCurrentField(id);
        edit().setFieldType(type);
        edit().setFieldData(data);
        return id;
    }

    // The style the paragraph at `position` was given.
    int styleOf(int position)
    {
        edit().setSelStart(position);
        return edit().blockStyle();
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

    // ---- styles

    void styleCommandAppliesTheRecord()
    {
        start();
        load(QStringLiteral("Heading\nbody"));
        edit().setSelStart(2);
        editor().rtAct(60, 1);
        const UsrFmt &record = Frmt::st().usrFmt[1];
        edit().select(0, 7);
        QCOMPARE(edit().fontName(), record.fontName);
        QCOMPARE(qRound(edit().fontSize()), record.fontSize);
        QCOMPARE(edit().foreColor(), record.textColor);
        QVERIFY(edit().bold());
        QCOMPARE(edit().indentLeft(), record.dist1);
        QCOMPARE(edit().spaceBefore(), record.dist2);
        QCOMPARE(edit().lineSpacingTwips(), qRound(record.fontSize * 20 * 1.5));
        QCOMPARE(styleOf(2), 1);
        QCOMPARE(styleOf(9), -1); // the next paragraph is untouched
        QVERIFY(editor().bDcEdt());
        QCOMPARE(editor().statusPanel()->text(), QStringLiteral("見出２"));
    }

    void headingRules_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("list");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("caret");
        QTest::addColumn<int>("style");
        QTest::addColumn<QString>("after");
        QTest::addColumn<int>("styleAfter");
        QTest::addColumn<QString>("message");
        // A negative code is quiet: the line is not split.
        QTest::newRow("negative code") << 2 << false << QStringLiteral("abc def") << 5 << -2
                                       << QStringLiteral("abc def") << 2 << QString();
        QTest::newRow("isolates the caret line") << 2 << false << QStringLiteral("one\x0btwo\x0bthree") << 5 << 0
                                                 << QStringLiteral("one\ntwo\nthree") << 0 << QString();
        QTest::newRow("needs an editor kind") << 0 << false << QStringLiteral("abc") << 0 << 1
                                              << QStringLiteral("abc") << -1 << QString();
        QTest::newRow("refused on a list") << 2 << true << QStringLiteral("item") << 0 << 0 << QStringLiteral("item") << -1
                                           << QStringLiteral("ﾘｽﾄを含む範囲に対しては､見出しのｽﾀｲﾙは設定できません");
    }

    void headingRules()
    {
        QFETCH(int, kind);
        QFETCH(bool, list);
        QFETCH(QString, text);
        QFETCH(int, caret);
        QFETCH(int, style);
        QFETCH(QString, after);
        QFETCH(int, styleAfter);
        QFETCH(QString, message);
        ScriptedPrompt prompt;
        start(kind);
        load(text);
        if (list)
            edit().setListKind(2);
        edit().setSelStart(caret);
        editor().rtAct(60, style);
        QCOMPARE(edit().text(), after);
        QCOMPARE(styleOf(caret), styleAfter);
        QCOMPARE(prompt.messages, message.isEmpty() ? QStringList() : QStringList{message});
    }

    // The styles on a long paragraph held as lines (a text pasted as text), on some of its lines or
    // the whole of it: the page shows the text it stores, with no line break turned into a paragraph
    // end or back.
    void stylesOnALongParagraph_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<bool>("selected");
        for (int style : {0, 2, 3, 4, 5}) {
            QTest::addRow("style %d on lines", style) << style << true;
            QTest::addRow("style %d at the caret", style) << style << false;
        }
    }

    void stylesOnALongParagraph()
    {
        QFETCH(int, style);
        QFETCH(bool, selected);
        start();
        const QString text = QStringLiteral("見出し\n") + SamplePage::pastedLines(300) + QStringLiteral("\n終わり");
        load(text);
        QVERIFY(edit().page()->main()->blockCount() > 100);
        const int at = text.indexOf(QChar(11), text.size() / 2) - 5;
        edit().select(at, selected ? 90 : 0);
        editor().rtAct(60, style);
        const QString shown = edit().text();
        if (style >= 3)
            QCOMPARE(shown, text);
        // A heading is a paragraph of its own: the line breaks next to it become paragraph ends.
        const auto breaks = [](QString t) { return t.remove(QChar(10)).remove(QChar(11)); };
        QCOMPARE(breaks(shown), breaks(text));
        QVERIFY(shown.count(QChar(11)) >= text.count(QChar(11)) - 2);
        PageDocument stored;
        QVERIFY(PageCodec::load(stored, PageCodec::save(*edit().page())));
        QCOMPARE(RichTextEdit(&stored).text(), shown);
    }

    void bodyJoinsSelectedParagraphs()
    {
        start();
        load(QStringLiteral("aa\nbb\ncc\n"));
        edit().select(0, 9);
        editor().rtAct(60, 3);
        QCOMPARE(edit().text(), QStringLiteral("aa\x0b" "bb\x0b" "cc\n"));
    }

    // A style or the tidy command over text holding a field leaves the field in its kind's look.
    void fieldsKeepTheirLook_data()
    {
        QTest::addColumn<int>("job");
        QTest::addColumn<int>("style");
        QTest::addColumn<int>("selection"); // -1 the caret only, else the selection length from 0
        QTest::addColumn<QString>("data");
        QTest::addColumn<int>("colour");
        QTest::newRow("body over a link") << 60 << 3 << 12 << QStringLiteral("LKhttps://example.org/") << 0xFF8080;
        QTest::newRow("heading at the caret, tag") << 60 << 0 << -1 << QStringLiteral("TG_1002") << 0x808000;
        QTest::newRow("emphasis over a tooltip") << 60 << 4 << 12 << QStringLiteral("TP_hint") << 0x404080;
        QTest::newRow("tidy, link") << 24 << 0 << -1 << QStringLiteral("LKmailto:a@b") << 0xFF8080;
    }

    void fieldsKeepTheirLook()
    {
        QFETCH(int, job);
        QFETCH(int, style);
        QFETCH(int, selection);
        QFETCH(QString, data);
        QFETCH(int, colour);
        start();
        load(QStringLiteral("see the link\nmore\n"));
        field(4, 3, data);
        if (selection < 0)
            edit().setSelStart(1);
        else
            edit().select(0, selection);
        editor().rtAct(job, style);
        edit().setSelStart(5);
        QCOMPARE(edit().foreColor(), colour);
        QVERIFY(edit().underline());
        QVERIFY(!edit().bold());
        edit().setSelStart(2);
        QVERIFY(!edit().underline());
    }

    // A heading over the whole text ends its paragraph; joining a selection looks at lists only.
    void headingAndJoinOverASelection()
    {
        start();
        load(QStringLiteral("abc"));
        edit().select(0, 3);
        editor().rtAct(60, 0);
        QCOMPARE(edit().text(), QStringLiteral("abc\n"));
        load(QStringLiteral("aaaa\nbbbb\ncccc\n"));
        edit().setSelStart(6);
        edit().setIndentLeft(600);
        edit().select(0, 14);
        editor().T_JoinLn();
        QCOMPARE(edit().text(), QStringLiteral("aaaa\x0b" "bbbb\x0b" "cccc\n"));
        QCOMPARE(edit().selLength(), 14);
    }

    void gridLinesStateFollowsTheCommand()
    {
        start();
        load(QStringLiteral("text"));
        bool grid = false, insTb = false, insCl = false, insRw = false, delCl = false, delRw = false, slcTb = false,
             splTb = false, inHead = false, inFrame = false;
        for (bool shown : {true, false}) {
            editor().view()->setGridLines(shown);
            editor().ChkJbMn5(grid, insTb, insCl, insRw, delCl, delRw, slcTb, splTb, inHead, inFrame);
            QCOMPARE(grid, shown);
        }
    }

    void emphasisWithEmptySelectionLeavesNoBlank()
    {
        start();
        load(QStringLiteral("ab"));
        edit().setSelStart(1);
        editor().rtAct(60, 4);
        QCOMPARE(edit().text(), QStringLiteral("ab"));
        QCOMPARE(edit().selStart(), 1);
    }

    // ---- typing and keys

    void typingOnTheFirstLineMakesTheHeading()
    {
        start();
        load(QStringLiteral("T"));
        edit().setSelStart(1);
        editor().typed();
        QCOMPARE(styleOf(0), 0);
        Frmt::st().usrDtp = false;
        start();
        load(QStringLiteral("U"));
        edit().setSelStart(1);
        editor().typed();
        QCOMPARE(styleOf(0), -1);
    }

    void enterKeys_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<bool>("entShift");
        QTest::addColumn<bool>("shift");
        QTest::addColumn<bool>("taken");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("newStyle");
        QTest::newRow("body enter is a line break") << 3 << true << false << true << QStringLiteral("body\x0b") << 3;
        QTest::newRow("body shift+enter is a paragraph") << 3 << true << true << true << QStringLiteral("body\n") << 3;
        QTest::newRow("body without the option") << 3 << false << false << false << QStringLiteral("body") << 3;
        QTest::newRow("heading end starts body") << 0 << true << false << true << QStringLiteral("body\n") << 3;
        QTest::newRow("heading end with shift starts body") << 0 << true << true << true << QStringLiteral("body\n") << 3;
    }

    void enterKeys()
    {
        QFETCH(int, style);
        QFETCH(bool, entShift);
        QFETCH(bool, shift);
        QFETCH(bool, taken);
        QFETCH(QString, text);
        QFETCH(int, newStyle);
        start();
        load(QStringLiteral("body"));
        edit().setSelStart(0);
        editor().rtAct(60, style);
        Frmt::st().usrEntShift = entShift;
        edit().setSelStart(4);
        QCOMPARE(editor().keyDown(13, shift), taken);
        QCOMPARE(edit().text(), text);
        QCOMPARE(styleOf(edit().textLength()), newStyle);
    }

    // From the keyboard: Enter and Shift+Enter at the end of a heading start a body paragraph; inside
    // a heading Shift+Enter breaks the line, and the heading keeps its style for what is typed next.
    void headingKeys_data()
    {
        QTest::addColumn<int>("caret");
        QTest::addColumn<bool>("shift");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("typedStyle");
        QTest::newRow("enter at the end") << 5 << false << QStringLiteral("Title\nx\nbody") << 3;
        QTest::newRow("shift+enter at the end") << 5 << true << QStringLiteral("Title\nx\nbody") << 3;
        QTest::newRow("shift+enter inside") << 2 << true << QStringLiteral("Ti\x0bxtle\nbody") << 0;
        QTest::newRow("enter inside") << 2 << false << QStringLiteral("Ti\nxtle\nbody") << 0;
    }

    void headingKeys()
    {
        QFETCH(int, caret);
        QFETCH(bool, shift);
        QFETCH(QString, text);
        QFETCH(int, typedStyle);
        start();
        load(QStringLiteral("Title\nbody"));
        edit().setSelStart(0);
        editor().rtAct(60, 0);
        editor().show();
        QVERIFY(QTest::qWaitForWindowExposed(&editor()));
        RichView *view = editor().view();
        edit().setSelStart(caret);
        view->showModelCaret();
        view->setFocus();
        QTest::keyClick(view->viewport(), Qt::Key_Return, shift ? Qt::ShiftModifier : Qt::NoModifier);
        QTest::keyClicks(view->viewport(), QStringLiteral("x"));
        QCOMPARE(edit().text(), text);
        QCOMPARE(styleOf(0), 0);
        const int typed = int(text.indexOf(QLatin1Char('x')));
        QCOMPARE(styleOf(typed), typedStyle);
        QCOMPARE(styleOf(int(text.indexOf(QStringLiteral("body")))), -1);
        // What is typed looks as the paragraph's style: body text, or the heading's look.
        edit().setSelStart(typed + 1);
        QCOMPARE(editor().isBodyAtCaret(), typedStyle == 3);
        QCOMPARE(edit().bold(), typedStyle == 0);
    }

    // Up and Down onto an empty line: alone they leave the caret there and make the line after a
    // heading body text; with Shift the selection they made stands, for the next key to replace.
    void arrowsOnEmptyLines_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("list");
        QTest::addColumn<int>("caret");
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("shift");
        QTest::addColumn<QString>("after");
        QTest::addColumn<int>("styleAfter"); // of the line the caret ends on, before typing
        QTest::newRow("down after a heading") << QStringLiteral("Title\n\nbody") << false << 2 << int(Qt::Key_Down)
                                              << false << QStringLiteral("Title\nS\nbody") << 3;
        QTest::newRow("shift+down from an empty line") << QStringLiteral("xx\n\nyy") << false << 3 << int(Qt::Key_Down)
                                                       << true << QStringLiteral("xx\nSyy") << -2;
        QTest::newRow("shift+up onto an empty line") << QStringLiteral("xx\n\nyy") << false << 4 << int(Qt::Key_Up)
                                                     << true << QStringLiteral("xx\nSyy") << -2;
        QTest::newRow("shift+down from an empty item") << QStringLiteral("apple\n\ncherry") << true << 6
                                                       << int(Qt::Key_Down) << true << QStringLiteral("apple\nScherry")
                                                       << -2;
    }

    void arrowsOnEmptyLines()
    {
        QFETCH(QString, text);
        QFETCH(bool, list);
        QFETCH(int, caret);
        QFETCH(int, key);
        QFETCH(bool, shift);
        QFETCH(QString, after);
        QFETCH(int, styleAfter);
        start();
        load(text);
        if (list) {
            edit().select(0, edit().textLength());
            edit().setListKind(2);
        } else {
            edit().setSelStart(0);
            editor().rtAct(60, 0);
        }
        editor().show();
        QVERIFY(QTest::qWaitForWindowExposed(&editor()));
        RichView *view = editor().view();
        edit().setSelStart(caret);
        view->showModelCaret();
        view->setFocus();
        QTest::keyClick(view->viewport(), Qt::Key(key), shift ? Qt::ShiftModifier : Qt::NoModifier);
        QCOMPARE(edit().selLength() != 0, shift);
        if (styleAfter != -2)
            QCOMPARE(edit().blockStyle(), styleAfter);
        QTest::keyClicks(view->viewport(), QStringLiteral("S"));
        QCOMPARE(edit().text(), after);
    }

    void deleteKeepsTheParagraphEnd()
    {
        start();
        load(QStringLiteral("ab\ncd"));
        edit().select(0, 3);
        QVERIFY(!editor().keyDown(46, false));
        QCOMPARE(edit().selLength(), 2);
        edit().select(0, 1);
        editor().keyDown(46, false);
        QCOMPARE(edit().selLength(), 1);
    }

    void keysWaitWhileReadOnly()
    {
        start();
        load(QStringLiteral("body"));
        editor().rtAct(60, 3);
        editor().setReadOnly(true);
        edit().setSelStart(4);
        QVERIFY(!editor().keyDown(13, false));
        QCOMPARE(edit().text(), QStringLiteral("body"));
    }

    // ---- fields

    void doubleClickOnTagRaisesItsKey()
    {
        start();
        load(QStringLiteral("see page here"));
        field(4, 4, QStringLiteral("TG_12_34"));
        edit().setSelStart(6);
        editor().doubleClicked();
        // No database: no title.
        QCOMPARE(m_links, QList<QStringList>{(QStringList{QStringLiteral("TG"), QString(), QStringLiteral("34")})});
    }

    void fieldClicks_data()
    {
        QTest::addColumn<QString>("data");
        QTest::addColumn<int>("type");
        QTest::addColumn<QStringList>("raised");
        QTest::newRow("tag") << QStringLiteral("TG_12") << 2
                             << QStringList{QStringLiteral("TG"), QStringLiteral("link"), QStringLiteral("12")};
        QTest::newRow("link") << QStringLiteral("https://example.org/?a='b'") << 1
                              << QStringList{QStringLiteral("LK"), QStringLiteral("link"),
                                             QStringLiteral("https://example.org/?a='b'")};
        QTest::newRow("tooltip") << QStringLiteral("TP_説明") << 2 << QStringList();
        QTest::newRow("empty data") << QString() << 2 << QStringList();
    }

    void fieldClicks()
    {
        QFETCH(QString, data);
        QFETCH(int, type);
        QFETCH(QStringList, raised);
        start();
        load(QStringLiteral("a link b"));
        const int id = field(2, 4, data, type);
        editor().setReadOnly(true); // field clicks work in a read-only editor too
        editor().fieldClicked(id);
        if (raised.isEmpty())
            QVERIFY(m_links.isEmpty());
        else
            QCOMPARE(m_links, QList<QStringList>{raised});
    }

    // ---- popup menu

    void popupItemsFollowTheCaret()
    {
        start();
        load(QStringLiteral("text with tag"));
        field(10, 3, QStringLiteral("TG_5"));
        edit().setSelStart(11);
        editor().SetRtfMn();
        QVERIFY(form().item(sbTxm::mnLocal, 15)->isVisible());
        QVERIFY(form().item(sbTxm::mnLocal, 16)->isVisible());
        QVERIFY(!form().item(sbTxm::mnLocal, 14)->isEnabled());
        QVERIFY(!form().item(sbTxm::mnLocal, 11)->isEnabled());
        QVERIFY(!form().item(sbTxm::mnLocal, 12)->isVisible());
        QVERIFY(!form().item(sbTxm::mnLocal, 20)->isVisible());
        QVERIFY(form().item(sbTxm::mnEdit, 8)->isEnabled());
        QVERIFY(!form().item(sbTxm::mnEdit, 3)->isEnabled()); // nothing selected
        QVERIFY(!form().item(sbTxm::mnLocal, 9)->isEnabled()); // no OLE objects here
        edit().setSelStart(2);
        editor().SetRtfMn();
        QVERIFY(!form().item(sbTxm::mnLocal, 15)->isVisible());
        QCOMPARE(form().item(sbTxm::mnLocal, 14)->isEnabled(), editor().jobBuilt(51));
        edit().select(0, 4);
        editor().SetRtfMn();
        QVERIFY(form().item(sbTxm::mnEdit, 3)->isEnabled());
        QVERIFY(form().item(sbTxm::mnEdit, 4)->isEnabled());
    }

    void popupFieldCommandCancelled()
    {
        start();
        load(QStringLiteral("text"));
        editor().setBDcEdt(false);
        editor().runPopupChoice(50, 0);
        QCOMPARE(m_services->jobs.last(), (QPair<int, QVariant>(50, 0)));
        QVERIFY(!editor().bDcEdt());
        QVERIFY(editor().hasUndoSnapshot());
        m_services->jobResult = true;
        editor().runPopupChoice(51, 1);
        QVERIFY(editor().bDcEdt());
        editor().runPopupChoice(21, QVariant());
        QCOMPARE(edit().selLength(), edit().textLength()); // other codes are editor commands
        QVERIFY(!editor().isBusy());
    }

    void readOnlyViewerHidesTheBands()
    {
        m_services = std::make_unique<StubEditorServices>();
        m_editor = std::make_unique<uTxm>(nullptr, m_services.get());
        yIni::instance().GetGtx(QStringLiteral("TX_BAR"));
        yIni::instance().SetVal(QStringLiteral("RULE"), QStringLiteral("表示"));
        yIni::instance().SetGtx();
        editor().setReadOnly(true);
        editor().cOn(0, 2);
        editor().show();
        QVERIFY(!editor().coolBar().isVisible());
        QVERIFY(!editor().rulersShown());
        QVERIFY(!editor().titleBox()->isVisible());
    }

    void popupOnAnEmptyPage()
    {
        start();
        editor().SetRtfMn();
        for (int i : {8, 9, 10, 12, 13, 18})
            QVERIFY2(!form().item(sbTxm::mnEdit, i)->isEnabled(), qPrintable(QString::number(i)));
        QVERIFY(!form().item(sbTxm::mnTbl, 3)->isEnabled());
        QCOMPARE(form().item(sbTxm::mnTins, 0)->isEnabled(), editor().jobBuilt(80));
        edit().insertTable(2, 2);
        editor().SetRtfMn();
        QCOMPARE(form().item(sbTxm::mnTbl, 3)->isEnabled(), editor().jobBuilt(83));
        QCOMPARE(form().item(sbTxm::mnTins, 6)->isEnabled(), editor().jobBuilt(80)); // the row below goes with the row above
    }

    void popupInAHeader()
    {
        start();
        load(QStringLiteral("main"));
        editor().rtAct(56, 1); // the new header takes the caret
        editor().SetRtfMn();
        for (int i : {3, 4, 8, 25})
            QVERIFY2(!form().item(sbTxm::mnLocal, i)->isEnabled(), qPrintable(QString::number(i)));
        QVERIFY(form().item(sbTxm::mnHeader, 0)->isChecked());
        QVERIFY(!form().item(sbTxm::mnFooter, 0)->isChecked());
    }

    // ---- tidy

    void tidy_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("tidy");
        QTest::newRow("one format joins") << QStringLiteral("aaaa\nbbbb\ncccc") << QStringLiteral("aaaa\x0b" "bbbb\x0b" "cccc");
        QTest::newRow("blanks before line ends") << QStringLiteral("abc  \ndef \n\n")
                                                 << QStringLiteral("abc\x0b" "def ");
        QTest::newRow("single character") << QStringLiteral("a") << QStringLiteral("a");
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("only breaks") << QStringLiteral("\n\n\n") << QStringLiteral("\n");
        QTest::newRow("short tail kept") << QStringLiteral("abcd\ne") << QStringLiteral("abcd\ne");
    }

    void tidy()
    {
        QFETCH(QString, text);
        QFETCH(QString, tidy);
        start();
        load(text);
        editor().rtAct(24);
        QCOMPARE(edit().text(), tidy);
        QVERIFY(editor().bDcEdt());
    }

    void tidyKeepsDifferentParagraphsApart()
    {
        start();
        load(QStringLiteral("head\nbody text\nmore"));
        edit().setSelStart(0);
        editor().rtAct(60, 0);
        editor().rtAct(24);
        QCOMPARE(edit().text(), QStringLiteral("head\nbody text\x0bmore"));
    }

    // ---- indent

    void indentByCharacters_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<int>("indent");
        QTest::addColumn<bool>("ok");
        QTest::newRow("two") << QStringLiteral("2") << 400 << true;
        QTest::newRow("minus one") << QStringLiteral("-1") << -200 << true;
        QTest::newRow("cancelled") << QString() << 0 << false;
        QTest::newRow("huge stays in the page") << QStringLiteral("100000") << 12240 - 850 - 567 << true;
        QTest::newRow("not a number") << QStringLiteral("abc") << 0 << false;
    }

    void indentByCharacters()
    {
        QFETCH(QString, input);
        QFETCH(int, indent);
        QFETCH(bool, ok);
        ScriptedPrompt prompt;
        prompt.inputs.enqueue(input);
        start();
        load(QStringLiteral("some body text"));
        edit().select(0, 4);
        editor().setBDcEdt(false);
        editor().rtAct(54, 1);
        QCOMPARE(prompt.inputPrompts, QStringList{QStringLiteral("左ｲﾝﾃﾞﾝﾄの文字数を指定して下さい")});
        QCOMPARE(edit().indentLeft(), indent);
        QCOMPARE(editor().bDcEdt(), ok);
    }

    void indentRefusals_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("style");
        QTest::addColumn<QString>("message");
        QTest::newRow("no selection") << QStringLiteral("abc") << 1 << 0 << 3 << QStringLiteral("範囲が指定されていません");
        QTest::newRow("heading") << QStringLiteral("abc") << 0 << 2 << 0
                                 << QStringLiteral("見出し部には、設定できません (Htmではｽﾀｲﾙｼｰﾄで設定します)");
        QTest::newRow("two paragraphs") << QStringLiteral("ab\ncd") << 0 << 5 << 3
                                        << QStringLiteral("複数の段落にまたがっています");
    }

    void indentRefusals()
    {
        QFETCH(QString, text);
        QFETCH(int, start);
        QFETCH(int, length);
        QFETCH(int, style);
        QFETCH(QString, message);
        ScriptedPrompt prompt;
        this->start();
        load(text);
        edit().setSelStart(0);
        editor().rtAct(60, -style);
        edit().select(start, length);
        editor().setBDcEdt(false);
        editor().rtAct(54, 0);
        QCOMPARE(prompt.messages, QStringList{message});
        QVERIFY(!editor().bDcEdt());
    }

    void indentOneCharacter()
    {
        start();
        load(QStringLiteral("abc"));
        edit().select(0, 2);
        editor().rtAct(54, 0);
        QCOMPARE(edit().indentLeft(), 200);
        editor().rtAct(54, 0);
        QCOMPARE(edit().indentLeft(), 400);
    }

    // ---- bars and new page

    void showBars_data()
    {
        QTest::addColumn<int>("argument");
        QTest::addColumn<QList<bool>>("bars"); // bands 1-4, then the rulers
        QTest::newRow("hide toolbar") << -1 << QList<bool>{false, true, true, true, false};
        QTest::newRow("rulers") << 5 << QList<bool>{true, true, true, true, true};
        QTest::newRow("hide all") << -8 << QList<bool>{false, false, false, false, false};
        QTest::newRow("six only lays out") << 6 << QList<bool>{true, true, true, true, false};
    }

    void showBars()
    {
        QFETCH(int, argument);
        QFETCH(QList<bool>, bars);
        start();
        editor().rtAct(27, argument);
        for (int bar = 1; bar <= 4; ++bar)
            QCOMPARE(editor().barShown(bar), bars[bar - 1]);
        QCOMPARE(editor().rulersShown(), bars[4]);
        QCOMPARE(form().item(sbTxm::mnDisp, 0)->isChecked(), bars[0]);
    }

    void newPageWithIgnorePolicyDiscards()
    {
        ScriptedPrompt prompt;
        start();
        int saves = 0;
        connect(&editor(), &uTxm::eSaveDB, this, [&saves] { ++saves; });
        editor().setUpdatePolicy(QStringLiteral("無視"));
        load(QStringLiteral("changed"));
        editor().setTitle(QStringLiteral("title"));
        editor().setBDcEdt(true);
        editor().rtAct(2);
        QVERIFY(prompt.messages.isEmpty());
        QCOMPARE(saves, 0);
        QVERIFY(edit().text().isEmpty());
        QVERIFY(editor().Title().isEmpty());
        QVERIFY(!editor().bDcEdt());
    }

    // ---- mail text

    void mailTextSubjectFromHeading()
    {
        start();
        load(QStringLiteral("intro line\nSecond level\nbody\x0bmore\nTop"));
        edit().setSelStart(12);
        editor().rtAct(60, 2);
        edit().setSelStart(edit().textLength());
        editor().rtAct(60, 0);
        QString text;
        QString subject;
        editor().GetMTxt(text, subject);
        QCOMPARE(subject, QStringLiteral("Second level"));
        const QString rule(30, QLatin1Char('-'));
        QCOMPARE(text, QStringLiteral("intro line\r\n\r\n　■　Second level\r\nbody\r\nmore\r\n\r\n") + rule
                           + QStringLiteral("\r\nTop\r\n") + rule);
    }

    void mailTextWithoutHeadings()
    {
        start();
        load(QStringLiteral("\nplain\n"));
        QString text = QStringLiteral("old");
        QString subject = QStringLiteral("old");
        editor().GetMTxt(text, subject);
        QVERIFY(subject.isEmpty());
        QCOMPARE(text, QStringLiteral("plain"));
        // An indented body paragraph is no heading either.
        load(QStringLiteral("indented body"));
        edit().select(0, 3);
        editor().rtAct(60, 3);
        edit().setIndentLeft(600);
        editor().GetMTxt(text, subject);
        QVERIFY(subject.isEmpty());
        QCOMPARE(text, QStringLiteral("indented body"));
        // A Japanese paragraph indent is text; half-width blanks around a paragraph are not.
        load(QStringLiteral("\u3000字下げ \n  \u3000二段落\n"));
        editor().GetMTxt(text, subject);
        QCOMPARE(text, QStringLiteral("\u3000字下げ\r\n\u3000二段落"));
    }

    void templateMembers()
    {
        start();
        load(QStringLiteral("A: aaa B: bbb tag\ncells"));
        field(3, 3, QStringLiteral("@"), 1);
        field(10, 3, QStringLiteral("@"), 1);
        field(14, 3, QStringLiteral("TG_5"), 2);
        edit().setSelStart(edit().textLength());
        const int table = edit().insertTable(2, 2);
        QVERIFY(table > 0);
        QVERIFY(edit().setCellText(table, 1, 2, QStringLiteral("one\ntwo")));
        editor().T_Start(QStringLiteral("back.png"));
        QCOMPARE(editor().templateTableCount(), 1);
        editor().T_TxFdTx(2, QStringLiteral("second"));
        QVERIFY(edit().text().startsWith(QStringLiteral("A: aaa B: second tag")));
        editor().T_TxFdTx(9, QStringLiteral("last")); // past the end: the last data field
        QVERIFY(edit().text().startsWith(QStringLiteral("A: aaa B: last tag")));
        QCOMPARE(editor().TvCelVL(1, 1, 2), QStringLiteral("onetwo"));
        editor().setTvCelVL(1, 2, 1, QStringLiteral("set"));
        QCOMPARE(editor().TvCelVL(1, 2, 1), QStringLiteral("set"));
        QCOMPARE(editor().TvCelVL(2, 1, 1), QString()); // no such table
        editor().T_End();
        QCOMPARE(edit().selStart(), edit().textLength());
    }

    void templateWithoutDataFields()
    {
        start();
        load(QStringLiteral("plain page"));
        editor().T_Start(QString());
        editor().T_TxFdTx(1, QStringLiteral("x"));
        editor().T_TxFdPc(1, QStringLiteral("/no/such/picture.png"));
        QCOMPARE(edit().text(), QStringLiteral("plain page"));
        QCOMPARE(editor().templateTableCount(), 0);
    }

    void objectMenu()
    {
        start();
        load(QStringLiteral("see  here"));
        field(0, 3, QStringLiteral("TG_7"));
        edit().setSelStart(4);
        const int picture = edit().insertPicture(TestImages::bytes("PNG", Qt::red, 4, 4));
        QVERIFY(picture > 0);
        QVERIFY(editor().objectMenuStates(picture));
        QVERIFY(form().item(sbTxm::mnObjct, 18)->isVisible()); // the tag just before
        QVERIFY(!form().item(sbTxm::mnObjct, 19)->isVisible());
        QVERIFY(form().item(sbTxm::mnObjct, 3)->isVisible());
        editor().objectMenuAct(picture, 18);
        QCOMPARE(m_services->jobs.last(), (QPair<int, QVariant>(51, 18)));
        editor().setBDcEdt(false);
        editor().objectMenuAct(picture, 7);
        QVERIFY(!editor().bDcEdt()); // nothing done by the services
        editor().objectMenuAct(picture, 5);
        QVERIFY(editor().bDcEdt());
        QCOMPARE(edit().objectCount(), 0);
        QVERIFY(!editor().objectMenuStates(picture));
    }

    void objectProperties_data()
    {
        QTest::addColumn<bool>("frame");
        QTest::addColumn<double>("width");  // typed, cm
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QSize>("expected"); // twips after the dialog
        QTest::newRow("picture resized") << false << 2.54 << true << QSize(1440, 60);
        QTest::newRow("picture cancelled") << false << 2.54 << false << QSize(60, 60);
        QTest::newRow("picture as shown") << false << 0.0 << true << QSize(60, 60);
        QTest::newRow("frame resized") << true << 5.08 << true << QSize(2880, 1000);
    }

    void objectProperties()
    {
        QFETCH(bool, frame);
        QFETCH(double, width);
        QFETCH(bool, ok);
        QFETCH(QSize, expected);
        start();
        load(QStringLiteral("see  here"));
        edit().setSelStart(4);
        RichTextEdit::FrameArgs args;
        args.width = 2000;
        const int object = frame ? edit().insertTextFrame(args)
                                 : edit().insertPicture(TestImages::bytes("PNG", Qt::red, 4, 4));
        QVERIFY(object > 0);
        QVERIFY(edit().setCurrentObject(object));
        QVERIFY(edit().setObjectDistance(1, 100));
        QVERIFY(edit().setObjectDistance(2, 0));
        QVERIFY(editor().objectMenuStates(object));
        QVERIFY(form().item(sbTxm::mnObjct, 21)->isEnabled());
        QSize shown;
        editor().view()->setDialogRunner([&](QDialog &d) {
            auto &dialog = dynamic_cast<TxmObjectProps &>(d);
            shown = dialog.typedSize();
            if (width > 0)
                dialog.txObjWd->setValue(width);
            return ok;
        });
        editor().setBDcEdt(false);
        editor().objectMenuAct(object, 21);
        QCOMPARE(shown, frame ? QSize(2000, 1000) : QSize(60, 60));
        QCOMPARE(editor().bDcEdt(), ok);
        // The size survives a save and a load.
        const QByteArray bytes = PageCodec::save(editor().page());
        QVERIFY(!bytes.isEmpty());
        QVERIFY(PageCodec::load(editor().page(), bytes));
        const int again = edit().objectIds().value(0);
        QCOMPARE(edit().objectSize(again), expected);
        QVERIFY(edit().setCurrentObject(again));
        QCOMPARE(edit().objectDistance(1), ok ? 320 : 100);
        QCOMPARE(edit().objectDistance(2), 0);
    }

    void objectSizeRefusesWhatCannotBeShown()
    {
        start();
        load(QStringLiteral("x"));
        const int picture = edit().insertPicture(TestImages::bytes("PNG", Qt::red, 4, 4));
        QVERIFY(!edit().setObjectSize(picture, QSize(0, 60)));
        QVERIFY(!edit().setObjectSize(picture, QSize(60, 144001)));
        QVERIFY(!edit().setObjectSize(picture + 100, QSize(60, 60)));
        QCOMPARE(edit().objectSize(picture), QSize(60, 60));
        QVERIFY(edit().objectSize(picture + 100).isEmpty());
    }

    void titleEnterStartsAnEmptyPage()
    {
        start();
        editor().show();
        editor().titleBox()->setText(QStringLiteral("Page's \"title\"?"));
        QTest::keyClick(editor().titleBox(), Qt::Key_Return);
        QCOMPARE(edit().text(), QStringLiteral("Page's \"title\"?"));
        QCOMPARE(styleOf(0), 0);
        // On a page with text, Enter in the title box adds nothing.
        QTest::keyClick(editor().titleBox(), Qt::Key_Return);
        QCOMPARE(edit().text(), QStringLiteral("Page's \"title\"?"));
    }

    void frameCommandsOnlyTouchFrames()
    {
        start();
        load(QStringLiteral("main text"));
        editor().rtActTL(4); // no frame is current
        editor().rtActTL(7);
        QCOMPARE(edit().text(), QStringLiteral("main text"));
        editor().rtActTL(0);
        QCOMPARE(m_services->jobs.last().first, 1000);
        QVERIFY(!editor().isBusy());
    }

    // The attribute of the table cell at the caret, the start of its text, and nothing outside a table.
    void cellAttributeAtTheCaret()
    {
        start();
        load(QStringLiteral("before"));
        edit().setSelStart(edit().textLength());
        const int table = edit().insertTable(2, 2);
        QVERIFY(table > 0);
        QVERIFY(edit().setCellText(table, 2, 2, QStringLiteral("cell")));
        const int cell = edit().cellStart(table, 2, 2);
        edit().select(cell - 1 + 2, 0);
        editor().view()->showModelCaret();
        QVERIFY(edit().setCellAttribute(7, 1234, false));
        QVariant value;
        bool inTable = false;
        int extra = 0;
        editor().txCelAttr(7, value, inTable, &extra);
        QVERIFY(inTable);
        QCOMPARE(value.toInt(), 1234);
        QCOMPARE(extra, cell);
        // A cell without a background of its own reads as white; a coloured one as its colour.
        editor().txCelAttr(4, value, inTable);
        QCOMPARE(value.toLongLong(), 0xFFFFFF);
        QVERIFY(edit().setCellAttribute(4, 0x0000FF, false));
        editor().txCelAttr(4, value, inTable);
        QCOMPARE(value.toLongLong(), 0x0000FF);
        // Outside the table: no value, and the flag says so.
        edit().select(1, 0);
        editor().view()->showModelCaret();
        value = QStringLiteral("kept");
        editor().txCelAttr(7, value, inTable, &extra);
        QVERIFY(!inTable);
        QCOMPARE(value.toString(), QStringLiteral("kept"));
    }

    // Switching off closes the editor's viewer of another page and lets the converter go; switching
    // on attaches the converter to the work folder.
    void switchingOffClosesTheViewerAndTheConverter()
    {
        struct Converter : HtmlBridge {
            QStringList calls;
            QString HsFName(const QString &, QString &, int, bool) override { return QString(); }
            void cSaveHtm(const PageDocument &, bool, const QString &, const QString &, const QString &, int,
                          bool &ok) override { ok = false; }
            void cGetHtm(const PageDocument &, const QString &, const QString &, QString &, QString &,
                         bool &ok) override { ok = false; }
            void CnvHtml(const PageDocument &, const QString &, QString &, QString &, const QString &,
                         bool &ok) override { ok = false; }
            void cOn(const QString &folder) override { calls << QStringLiteral("on ") + folder; }
            void cOff() override { calls << QStringLiteral("off"); }
        } converter;
        HtmlBridge *before = HtmlBridge::current();
        HtmlBridge::install(&converter);
        start();
        QCOMPARE(converter.calls, QStringList{QStringLiteral("on ") + Usr::st().workFolder});
        sbTrX &viewer = sbTrX::viewerFor(&editor());
        viewer.show();
        QVERIFY(viewer.isVisible());
        QPointer<sbTrX> watched(&viewer);
        editor().cOff();
        HtmlBridge::install(before);
        QCOMPARE(converter.calls.last(), QStringLiteral("off"));
        QVERIFY(!watched || !watched->isVisible());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!watched);
        QVERIFY(!editor().findChild<sbTrX *>(QStringLiteral("sbTrXViewer")));
    }

    void tagRenumbering()
    {
        start();
        QByteArray bytes = StubEditorServices::page(QStringLiteral("no fields"));
        editor().T_CnvTG(bytes, QStringLiteral("12=40,13=41,"));
        QCOMPARE(bytes, StubEditorServices::page(QStringLiteral("no fields")));
        QByteArray junk("junk");
        editor().T_CnvTG(junk, QStringLiteral("1=2,"));
        QCOMPARE(junk, QByteArray("junk"));
    }
};

QTEST_MAIN(TestUTxmEditing)
#include "tst_utxmediting.moc"

// Undo and redo of the editor's commands as the user sees them: one undo takes back the whole of an
// editing command, the formats and upkeep it did on the way included, and one redo brings it back.
#include "editor/EditorServices.h"
#include "editor/TxmFindPage.h"
#include "editor/sbTxmDialog.h"
#include "editor/sbWmf.h"
#include "editor/uTxm.h"
#include "platform/richtext/PageCodec.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/PartDocument.h"
#include "platform/richtext/RichTextEdit.h"
#include "platform/richtext/TextProps.h"
#include "platform/richview/PageClipboard.h"
#include "platform/richview/ListDialog.h"
#include "platform/richview/PageTextItem.h"
#include "platform/richview/RichView.h"
#include "support/EditorTestEnv.h"
#include "support/ForeignFiles.h"
#include "support/SamplePage.h"
#include "support/ScriptedPrompt.h"
#include "support/TestImages.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QMimeData>
#include <QPushButton>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>
#include <QToolBar>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

// The real services, with the answers of the link dialogs given.
class LinkAnswers : public EditorServices
{
public:
    void settingsDialog(uTxm &editor, const QString &mode, QString &answer) override
    {
        if (mode.startsWith(QLatin1String("LK")))
            answer = QStringLiteral("見本\thttps://example.test/a?b=\"1\"");
        else
            EditorServices::settingsDialog(editor, mode, answer);
    }
};

// A page as the sample database has them: a page heading, body text, a second heading, more body.
QByteArray samplePage(const QString &body = QStringLiteral("この頁は文書について説明します。"))
{
    PageDocument page;
    QTextCursor cursor(page.main());
    const auto heading = [&](const QString &text, int style, double points) {
        QTextBlockFormat block;
        block.setProperty(TextProps::BlockStyle, style);
        cursor.setBlockFormat(block);
        QTextCharFormat look;
        look.setFontWeight(QFont::Bold);
        look.setFontPointSize(points);
        look.setForeground(QColor(0, 0, 128));
        cursor.insertText(text, look);
        cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
    };
    heading(QStringLiteral("はじめに"), 0, 16);
    cursor.insertText(body);
    cursor.insertBlock();
    heading(QStringLiteral("文書について"), 1, 13);
    cursor.insertText(QStringLiteral("表と画像の関係を述べます。"));
    cursor.insertBlock();
    return PageCodec::save(page);
}

QImage picture()
{
    QImage image;
    image.loadFromData(TestImages::bytes("PNG", Qt::darkCyan, 40, 30));
    return image;
}

// Presses OK of the modal window that opens next.
void acceptNextWindow()
{
    QTimer::singleShot(0, [] {
        QWidget *window = QApplication::activeModalWidget();
        if (auto *sizing = qobject_cast<sbWmf *>(window))
            sizing->cmRet[0]->click();
        else if (auto *ok = window ? window->findChild<QPushButton *>(QStringLiteral("cmOk0")) : nullptr)
            ok->click();
    });
}

} // namespace

class TestUTxmUndo : public QObject
{
    Q_OBJECT

    LinkAnswers m_services;
    std::unique_ptr<TestHome> m_home;
    std::unique_ptr<uTxm> m_editor;
    std::unique_ptr<ScriptedPrompt> m_prompt;

    uTxm &editor() { return *m_editor; }
    RichTextEdit &edit() { return m_editor->edit(); }
    QWidget *keys() { return m_editor->view()->viewport(); }
    QByteArray bytes() { return PageCodec::save(m_editor->page()); }

    void load(const QByteArray &page)
    {
        bool ok = false;
        editor().SetData(page, ok);
        QVERIFY(ok);
    }

    // Characters as a keyboard without an input method gives them, one key each.
    void type(const QString &text)
    {
        for (QChar ch : text) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
            QApplication::sendEvent(keys(), &press);
            QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(ch));
            QApplication::sendEvent(keys(), &release);
        }
    }

    // A key with Ctrl as the X server delivers it: the control character as its text.
    void ctrlKey(Qt::Key key, Qt::KeyboardModifiers more = {})
    {
        const QString text(QChar(key - Qt::Key_A + 1));
        QKeyEvent press(QEvent::KeyPress, key, Qt::ControlModifier | more, text);
        QApplication::sendEvent(keys(), &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::ControlModifier | more, text);
        QApplication::sendEvent(keys(), &release);
    }

    // 元に戻す on the editor's toolbar, as the states are refreshed after every command.
    bool undoEnabled()
    {
        const QAction *undo = editor().toolBar()->findChild<QAction *>(QStringLiteral("Undo"));
        return undo && undo->isEnabled();
    }

    // The page stored as the main window stores it on F8: the bytes written, the mark cleared.
    QByteArray m_stored;
    void store()
    {
        const QMetaObject::Connection saving = connect(m_editor.get(), &uTxm::eSaveDB, this, [this] {
            m_stored = bytes();
            editor().setBDcEdt(false);
        });
        editor().rtAct(4);
        disconnect(saving);
    }

    void caretAt(int position)
    {
        edit().select(position, 0);
        editor().view()->showModelCaret();
    }

    // The position right after the first occurrence of `text`.
    int after(const QString &text) { return int(edit().text().indexOf(text) + text.size()); }

    void insertTable()
    {
        acceptNextWindow();
        editor().rtAct(80, QStringLiteral("表"));
    }

    // Each command: what the page holds first (not undone), then the command.
    struct Command {
        std::function<void(TestUTxmUndo &)> setUp;
        std::function<void(TestUTxmUndo &)> run;
    };
    static QMap<QString, Command> commands();

private slots:
    void init()
    {
        m_home = std::make_unique<TestHome>();
        QVERIFY(resetEditorState(*m_home));
        m_prompt = std::make_unique<ScriptedPrompt>();
        m_editor = std::make_unique<uTxm>(nullptr, &m_services);
        m_editor->view()->setDialogRunner([](QDialog &dialog) {
            if (auto *list = qobject_cast<ListDialog *>(&dialog))
                list->setKind(2);
            return true;
        });
        m_editor->cOn(0, 2);
        m_editor->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_editor.get()));
        load(samplePage());
        m_editor->view()->setFocus();
    }

    void cleanup()
    {
        m_editor.reset();
        m_prompt.reset();
        yIni::release();
        m_home.reset();
    }

    void oneUndoTakesBackTheWholeCommand_data()
    {
        QTest::addColumn<QString>("command");
        for (const QString &name : commands().keys())
            QTest::newRow(qPrintable(name)) << name;
    }

    void oneUndoTakesBackTheWholeCommand()
    {
        QFETCH(QString, command);
        const Command c = commands().value(command);
        if (c.setUp)
            c.setUp(*this);
        static_cast<PartDocument *>(editor().page().main())->clearUndo();
        const QByteArray before = bytes();
        c.run(*this);
        const QByteArray done = bytes();
        QVERIFY2(done != before, "the command changed nothing");
        QVERIFY(edit().undoSteps() > 0);
        editor().rtAct(11);
        QVERIFY2(bytes() == before, "one undo did not bring the page back");
        editor().rtAct(12);
        QVERIFY2(bytes() == done, "one redo did not bring the command back");
    }


    // Undo and redo across a save, by the menu (the main window's Ctrl+Y) or by Qt's own keys in the
    // page: after every step the page is modified exactly when it differs from what was last stored,
    // so that F8 stores it and leaving it asks.
    void pageIsModifiedWhenItDiffersFromTheStoredPage_data()
    {
        QTest::addColumn<QString>("edit"); // "type" or a text pasted as text
        QTest::addColumn<QStringList>("steps");
        const QStringList menu{QStringLiteral("store"), QStringLiteral("undo"), QStringLiteral("store"), QStringLiteral("redo"),
                               QStringLiteral("store"), QStringLiteral("undo"), QStringLiteral("redo")};
        const QStringList keys{QStringLiteral("store"), QStringLiteral("Ctrl+Z"), QStringLiteral("store"),
                               QStringLiteral("Ctrl+Shift+Z"), QStringLiteral("Ctrl+Z"), QStringLiteral("Ctrl+Shift+Z")};
        const QStringList both{QStringLiteral("store"), QStringLiteral("Ctrl+Z"), QStringLiteral("store"), QStringLiteral("redo")};
        QTest::newRow("typed, menu") << QString() << menu;
        QTest::newRow("typed, Ctrl+Z, then the menu's redo") << QString() << both;
        const QString pasted = SamplePage::pastedLines(70000 / 38);
        QTest::newRow("70,000 characters pasted as text, menu") << pasted << menu;
        QTest::newRow("70,000 characters pasted as text, keys") << pasted << keys;
    }

    void pageIsModifiedWhenItDiffersFromTheStoredPage()
    {
        QFETCH(QString, edit);
        QFETCH(QStringList, steps);
        QTest::keyClick(keys(), Qt::Key_End, Qt::ControlModifier);
        if (edit.isEmpty()) {
            type(QStringLiteral("abc"));
        } else {
            QApplication::clipboard()->setText(QString(edit).replace(QChar(11), QLatin1Char('\n')));
            editor().rtAct(15, QStringLiteral("TXT"));
        }
        QVERIFY(editor().bDcEdt());
        for (const QString &step : steps) {
            if (step == QLatin1String("store"))
                store();
            else if (step == QLatin1String("undo"))
                editor().rtAct(11);
            else if (step == QLatin1String("redo"))
                editor().rtAct(12);
            else if (step == QLatin1String("Ctrl+Z"))
                ctrlKey(Qt::Key_Z);
            else
                ctrlKey(Qt::Key_Z, Qt::ShiftModifier);
            const bool differs = bytes() != m_stored;
            QVERIFY2(editor().bDcEdt() == differs,
                     qPrintable(QStringLiteral("after %1 the page %2 the stored one, marked %3")
                                    .arg(step, differs ? QStringLiteral("differs from") : QStringLiteral("equals"))
                                    .arg(editor().bDcEdt())));
        }
    }

    // Input-method events that change no text (the method switched on, a composition shown inline
    // or taken back with Escape, a click while it is on) leave the page unmodified with nothing to
    // undo; a commit afterwards types and marks it.
    void inputMethodEventsWithoutTextLeaveThePage_data()
    {
        QTest::addColumn<QString>("place");
        QTest::addColumn<QString>("event");
        for (const char *place : {"body", "heading", "cell", "long paragraph"}) {
            for (const char *event : {"switched on", "composition shown", "composition cancelled", "click"})
                QTest::addRow("%s, %s", event, place) << QString::fromLatin1(place) << QString::fromLatin1(event);
        }
    }

    void inputMethodEventsWithoutTextLeaveThePage()
    {
        QFETCH(QString, place);
        QFETCH(QString, event);
        int at = after(QStringLiteral("この頁は"));
        if (place == QLatin1String("heading")) {
            at = 2;
        } else if (place == QLatin1String("long paragraph")) {
            load(samplePage(SamplePage::pastedLines(2700)));
            QVERIFY(editor().page().main()->blockCount() > 100);
            at = after(QStringLiteral("はじめに\n")) + 50000;
        } else if (place == QLatin1String("cell")) {
            QTest::keyClick(keys(), Qt::Key_End, Qt::ControlModifier);
            insertTable();
            at = edit().selStart();
            load(bytes());
        }
        caretAt(at);
        QCOMPARE(edit().tableAtCaret() > 0, place == QLatin1String("cell"));
        QVERIFY(!editor().bDcEdt());
        QCOMPARE(edit().undoSteps(), 0);
        const QByteArray before = bytes();
        QWidget *view = editor().view();
        const auto send = [view](QInputMethodEvent ime) { QApplication::sendEvent(view, &ime); };
        const QList<QInputMethodEvent::Attribute> caret{{QInputMethodEvent::Cursor, 0, 1}};
        if (event == QLatin1String("switched on")) {
            send(QInputMethodEvent(QString(), caret));
        } else if (event == QLatin1String("click")) {
            RichView *page = editor().view();
            const QRectF caretRect = page->mainItem()->mapRectToScene(page->mainItem()->caretRect());
            QTest::mouseClick(keys(), Qt::LeftButton, {}, page->mapFromScene(caretRect.center()));
            send(QInputMethodEvent(QString(), caret));
        } else {
            QTextCharFormat underline;
            underline.setFontUnderline(true);
            send(QInputMethodEvent(QStringLiteral("にほん"),
                                   {{QInputMethodEvent::TextFormat, 0, 3, underline}, {QInputMethodEvent::Cursor, 3, 1}}));
            if (event == QLatin1String("composition cancelled"))
                send(QInputMethodEvent(QString(), {}));
        }
        QVERIFY2(!editor().bDcEdt(), "the page is marked modified");
        QCOMPARE(edit().undoSteps(), 0);
        if (event != QLatin1String("composition shown"))
            QVERIFY(bytes() == before);
        QInputMethodEvent commit;
        commit.setCommitString(QStringLiteral("語"));
        QApplication::sendEvent(view, &commit);
        QVERIFY(edit().text().contains(QStringLiteral("語")));
        QVERIFY(editor().bDcEdt());
    }

    // Each 元に戻す takes back one visible step, a command is one step (全て置換 one per place, as its
    // own undo button takes them back), and after the last one 元に戻す is greyed.
    void eachUndoTakesBackOneVisibleStep_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("steps");
        QTest::newRow("pasted as text") << QStringLiteral("paste") << 1;
        QTest::newRow("picture") << QStringLiteral("picture") << 1;
        QTest::newRow("replace all of 5 places") << QStringLiteral("replace") << 5;
        QTest::newRow("document .htm") << QStringLiteral("htm") << 1;
        QTest::newRow("document .docx") << QStringLiteral("docx") << 1;
        QTest::newRow("document read in place of the page") << QStringLiteral("read") << 1;
    }

    void eachUndoTakesBackOneVisibleStep()
    {
        QFETCH(QString, command);
        QFETCH(int, steps);
        load(samplePage(QStringLiteral("文書の頁の文書と文書を文書で")));
        caretAt(after(QStringLiteral("この頁は")));
        static_cast<PartDocument *>(editor().page().main())->clearUndo();
        const QByteArray before = bytes();
        if (command == QLatin1String("paste")) {
            QApplication::clipboard()->setText(QStringLiteral("一行目\n二行目\n三行目"));
            editor().rtAct(15, QStringLiteral("TXT"));
        } else if (command == QLatin1String("picture")) {
            const QString file = m_home->path() + QStringLiteral("/pic.png");
            QVERIFY(picture().save(file));
            m_prompt->files.enqueue(file);
            acceptNextWindow();
            editor().rtAct(33);
        } else if (command == QLatin1String("replace")) {
            QTimer::singleShot(0, [] {
                auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
                auto *find = dialog ? dialog->findChild<TxmFindPage *>() : nullptr;
                QVERIFY(find);
                find->cbFnd[1]->setEditText(QStringLiteral("文書"));
                find->cbFnd[3]->setEditText(QStringLiteral("本"));
                find->replace(1);
                dialog->reject();
            });
            editor().rtAct(23);
            QCOMPARE(edit().text().count(QStringLiteral("文書")), 0);
        } else {
            const QString file = m_home->path() + QStringLiteral("/in.") + (command == QLatin1String("read") ? QStringLiteral("htm") : command);
            QVERIFY(TestHome::write(file, command != QLatin1String("docx")
                                              ? QByteArray("<html><body><p>一段落の文書</p></body></html>")
                                              : ForeignFiles::docx("<w:p><w:r><w:t>one paragraph</w:t></w:r></w:p>")));
            m_prompt->files.enqueue(file);
            editor().rtAct(command == QLatin1String("read") ? 10 : 30);
        }
        QVERIFY2(bytes() != before, "the command changed nothing");
        QVERIFY(undoEnabled());
        int presses = 0;
        while (undoEnabled() && presses < 20) {
            const QByteArray shown = bytes();
            editor().rtAct(11);
            ++presses;
            QVERIFY2(bytes() != shown, qPrintable(QStringLiteral("press %1 undid nothing").arg(presses)));
        }
        QVERIFY2(bytes() == before, "the page is not back as it was");
        QCOMPARE(presses, steps);
        QVERIFY2(!undoEnabled(), "元に戻す is still enabled");
    }

    // The paste command turns a heading at the caret to body text first: the step begins with a
    // paragraph's format at the caret. Its undo, by the menu or by Ctrl+Z, puts the caret back where
    // the paste went (Qt's own put it after all the step changed); its redo where the paste ended.
    void undoOfAPastePutsTheCaretWhereThePasteWent_data()
    {
        QTest::addColumn<QString>("kind"); // the paste command's kind
        QTest::addColumn<QString>("at");   // the caret: after this text, or the page's start
        QTest::addColumn<QString>("undo");
        QTest::newRow("text at the page heading, menu") << QStringLiteral("TXT") << QString() << QStringLiteral("menu");
        QTest::newRow("text at the page heading, Ctrl+Z") << QStringLiteral("TXT") << QString() << QStringLiteral("Ctrl+Z");
        QTest::newRow("a copy at the page heading, menu") << QStringLiteral("OBJ") << QString() << QStringLiteral("menu");
        QTest::newRow("a copy at the page heading, Ctrl+Z") << QStringLiteral("OBJ") << QString() << QStringLiteral("Ctrl+Z");
        QTest::newRow("a copy at the second heading, menu") << QStringLiteral("OBJ") << QStringLiteral("説明します。\n") << QStringLiteral("menu");
        QTest::newRow("a copy inside body text, Ctrl+Z") << QStringLiteral("OBJ") << QStringLiteral("この頁は") << QStringLiteral("Ctrl+Z");
    }

    void undoOfAPastePutsTheCaretWhereThePasteWent()
    {
        QFETCH(QString, kind);
        QFETCH(QString, at);
        QFETCH(QString, undo);
        // What the page's own copy puts on the clipboard: a piece of body text with a paragraph end.
        caretAt(after(QStringLiteral("この頁は")));
        edit().select(edit().selStart(), 8);
        editor().view()->showModelCaret();
        QApplication::clipboard()->setMimeData(PageClipboard::fromSelection(edit()));
        const int caret = at.isEmpty() ? 0 : after(at);
        caretAt(caret);
        const QString before = edit().text();
        editor().rtAct(15, kind);
        QVERIFY(edit().text() != before);
        const int pasted = edit().cursor().position();
        if (undo == QLatin1String("menu"))
            editor().rtAct(11);
        else
            ctrlKey(Qt::Key_Z);
        QCOMPARE(edit().text(), before);
        QCOMPARE(edit().cursor().position(), caret);
        editor().rtAct(12);
        QVERIFY(edit().text() != before);
        QCOMPARE(edit().cursor().position(), pasted);
    }

    // The session of the report: a table, a character in it, a character at the end; three undos
    // take back the three, each one a change on the screen.
    // Each undo also puts the caret back where the step began, instead of at the top of the page.
    void tableTypingAndUndo()
    {
        QTest::keyClick(keys(), Qt::Key_End, Qt::ControlModifier);
        const QByteArray start = bytes();
        const int startAt = edit().selStart();
        insertTable();
        const QByteArray table = bytes();
        editor().view()->takeViewCaret();
        const int cellAt = edit().selStart();
        type(QStringLiteral("あ"));
        const QByteArray cell = bytes();
        QTest::keyClick(keys(), Qt::Key_End, Qt::ControlModifier);
        editor().view()->takeViewCaret();
        const int endAt = edit().selStart();
        type(QStringLiteral("後"));
        const QList<QPair<QByteArray, int>> steps{{cell, endAt}, {table, cellAt}, {start, startAt}};
        for (const auto &[expected, caret] : steps) {
            editor().rtAct(11);
            QVERIFY(bytes() == expected);
            QCOMPARE(edit().selStart(), caret);
        }
        QCOMPARE(edit().undoSteps(), 0);
    }
};

QMap<QString, TestUTxmUndo::Command> TestUTxmUndo::commands()
{
    using T = TestUTxmUndo;
    QMap<QString, Command> map;
    const auto atEnd = [](T &t) { QTest::keyClick(t.keys(), Qt::Key_End, Qt::ControlModifier); };
    const auto inBody = [](T &t) { t.caretAt(t.after(QStringLiteral("この頁は"))); };
    const auto inTable = [atEnd](T &t) {
        atEnd(t);
        t.insertTable();
        t.type(QStringLiteral("あ"));
    };
    map.insert(QStringLiteral("table"), {atEnd, [](T &t) { t.insertTable(); }});
    map.insert(QStringLiteral("table row below"), {inTable, [](T &t) { t.editor().rtAct(80, QStringLiteral("下")); }});
    map.insert(QStringLiteral("table column left"), {inTable, [](T &t) { t.editor().rtAct(80, QStringLiteral("左")); }});
    map.insert(QStringLiteral("table deleted"), {inTable, [](T &t) { t.editor().rtAct(82, QStringLiteral("表")); }});
    map.insert(QStringLiteral("typing after a table"), {inTable, [](T &t) {
        QTest::keyClick(t.keys(), Qt::Key_End, Qt::ControlModifier);
        t.type(QStringLiteral("後の文"));
    }});
    map.insert(QStringLiteral("picture pasted"), {inBody, [](T &t) {
        QApplication::clipboard()->setImage(picture());
        t.editor().rtAct(15, QStringLiteral("PIC"));
    }});
    map.insert(QStringLiteral("picture from a file"), {inBody, [](T &t) {
        const QString file = t.m_home->path() + QStringLiteral("/pic.png");
        QVERIFY(picture().save(file));
        t.m_prompt->files.enqueue(file);
        acceptNextWindow();
        t.editor().rtAct(35);
    }});
    map.insert(QStringLiteral("hyperlink field"), {[](T &t) { t.edit().select(t.after(QStringLiteral("この頁は")), 2); },
                                                   [](T &t) { t.editor().rtAct(50, 0); }});
    map.insert(QStringLiteral("text frame"), {inBody, [](T &t) { t.editor().rtAct(40); }});
    map.insert(QStringLiteral("inline frame"), {inBody, [](T &t) { t.editor().rtAct(44); }});
    map.insert(QStringLiteral("list"), {inBody, [](T &t) { t.editor().rtAct(64); }});
    map.insert(QStringLiteral("heading"), {inBody, [](T &t) { t.editor().rtAct(60, 1); }});
    map.insert(QStringLiteral("body style on a heading"), {[](T &t) { t.caretAt(2); }, [](T &t) { t.editor().rtAct(60, 3); }});
    map.insert(QStringLiteral("text pasted into a heading"), {[](T &t) { t.caretAt(2); }, [](T &t) {
        QApplication::clipboard()->setText(QStringLiteral("一行目\n二行目"));
        t.editor().rtAct(15, QStringLiteral("TXT"));
    }});
    map.insert(QStringLiteral("object pasted"), {inBody, [](T &t) {
        QApplication::clipboard()->setText(QStringLiteral("貼り付け"));
        t.editor().rtAct(15, QStringLiteral("OBJ"));
    }});
    map.insert(QStringLiteral("replaced with a format"), {[](T &t) { t.caretAt(0); }, [](T &t) {
        sbTxmDialog &dialog = sbTxmDialog::of(t.editor());
        QVERIFY(dialog.prepare(QStringLiteral("RP"), QString()));
        auto *find = qobject_cast<TxmFindPage *>(dialog.page(QStringLiteral("FD")));
        QVERIFY(find);
        find->cbFnd[2]->setEditText(QStringLiteral("文書"));
        find->replaceFormat(2);
        find->replaceFormat(0);
    }});
    map.insert(QStringLiteral("typing over everything"), {nullptr, [](T &t) {
        QTest::keyClick(t.keys(), Qt::Key_A, Qt::ControlModifier);
        t.type(QStringLiteral("x"));
    }});
    map.insert(QStringLiteral("typing at the end of a heading"), {[](T &t) { t.caretAt(4); }, [](T &t) {
        t.type(QStringLiteral("です"));
    }});
    map.insert(QStringLiteral("enter at the end of a heading"), {[](T &t) { t.caretAt(4); }, [](T &t) {
        QTest::keyClick(t.keys(), Qt::Key_Return);
    }});
    const auto longParagraph = [](T &t) {
        t.load(samplePage(SamplePage::pastedLines(400)));
        t.caretAt(t.after(QStringLiteral("はじめに\n")) + 3000);
    };
    map.insert(QStringLiteral("typing in a long paragraph"), {longParagraph, [](T &t) { t.type(QStringLiteral("abc")); }});
    map.insert(QStringLiteral("long paragraph selection typed over"), {longParagraph, [](T &t) {
        const int at = t.edit().selStart();
        t.edit().select(at, 2000);
        t.editor().view()->showModelCaret();
        t.type(QStringLiteral("z"));
    }});
    map.insert(QStringLiteral("long paragraph split"), {longParagraph, [](T &t) {
        QTest::keyClick(t.keys(), Qt::Key_Return, Qt::ShiftModifier);
    }});
    return map;
}

QTEST_MAIN(TestUTxmUndo)
#include "tst_utxmundo.moc"

// Typing into the page editor of the main window, key by key as the X server delivers the keys (a key
// code and its text, no input method), on the generated sample database: what was typed must stand in
// the page, in the saved row and in the page read back after a save.
#include "core/Frmt.h"
#include "core/TemplateDb.h"
#include "core/Usr.h"
#include "core/yIni.h"
#include "core/zSvr.h"
#include "editor/uTxm.h"
#include "mainwin/fmDoc.h"
#include "mainwin/uFky.h"
#include "platform/richtext/RichTextEdit.h"
#include "platform/richview/RichView.h"
#include "support/SampleDb.h"
#include "support/ScriptedPrompt.h"
#include "support/TestHome.h"

#include <QApplication>
#include <QKeyEvent>
#include <QtTest>

namespace {

// Enter and Shift+Enter in the typed strings.
const QChar Enter(u'\x01');
const QChar ShiftEnter(u'\x02');

QString printableAscii()
{
    QString text;
    for (char16_t c = 0x20; c < 0x7f; ++c)
        text += QChar(c);
    return text;
}

} // namespace

class TestTyping : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_sample;

    // The key code X gives a character typed without an input method: Qt's code of the unshifted key
    // for ASCII (letters as capitals), the character itself for any other.
    static void typeKey(QWidget *target, QChar c)
    {
        if (c == Enter || c == ShiftEnter) {
            const Qt::KeyboardModifiers mods = c == ShiftEnter ? Qt::ShiftModifier : Qt::NoModifier;
            QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, mods, QStringLiteral("\r"));
            QKeyEvent release(QEvent::KeyRelease, Qt::Key_Return, mods, QStringLiteral("\r"));
            QApplication::sendEvent(target, &press);
            QApplication::sendEvent(target, &release);
            return;
        }
        const int key = c.toUpper().unicode();
        const Qt::KeyboardModifiers mods = c.isUpper() ? Qt::ShiftModifier : Qt::NoModifier;
        QKeyEvent press(QEvent::KeyPress, key, mods, QString(c));
        QKeyEvent release(QEvent::KeyRelease, key, mods, QString(c));
        QApplication::sendEvent(target, &press);
        QApplication::sendEvent(target, &release);
    }

    static QString storedText(int page)
    {
        return zSvr::instance().R_GtVaL(QStringLiteral("Select txDoc From msDoc Where noDoc = ?"), {page}, QString()).toString();
    }

    // Shows `window` on a fresh copy of the sample, with the automatic heading and the line-break
    // option of Enter on.
    bool openCopy(fmDoc &window)
    {
        const QString path = m_dir.filePath(QStringLiteral("Typing.txdb"));
        QFile::remove(path);
        if (!QFile::copy(m_sample, path))
            return false;
        QFile(path).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        yIni::release();
        window.SetDBNo(path, 0);
        window.resize(1100, 760);
        window.show();
        if (!QTest::qWaitForWindowExposed(&window))
            return false;
        Frmt::st().usrDtp = true;
        Frmt::st().usrEntShift = true;
        return true;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(SampleDb::setUp(m_dir.path(), m_sample));
    }

    void typedTextStands_data()
    {
        QTest::addColumn<int>("paragraph"); // 0 the first line (the page heading), 1 a body line
        QTest::addColumn<int>("where");     // 0 start, 1 middle, 2 end of that line
        QTest::addColumn<QString>("typed");
        const QString fullWidth = QStringLiteral("、。「」・ー");
        const QString kana = QStringLiteral("あいうアイウｱｲｳ漢");
        const QStringList inputs = {printableAscii(), fullWidth, kana,
                                    QStringLiteral("ab") + Enter + QStringLiteral("c.d"),
                                    QStringLiteral("ab") + ShiftEnter + QStringLiteral("c.d")};
        const char *const lines[] = {"first", "body"};
        const char *const places[] = {"start", "middle", "end"};
        const char *const kinds[] = {"ascii", "full-width", "kana", "enter", "shift-enter"};
        for (int p = 0; p < 2; ++p) {
            for (int w = 0; w < 3; ++w) {
                for (int i = 0; i < inputs.size(); ++i)
                    QTest::addRow("%s-%s-%s", lines[p], places[w], kinds[i]) << p << w << inputs[i];
            }
        }
    }

    void typedTextStands()
    {
        QFETCH(int, paragraph);
        QFETCH(int, where);
        QFETCH(QString, typed);
        TestHome home;
        ScriptedPrompt prompt;
        fmDoc window;
        QVERIFY(openCopy(window));
        QCOMPARE(window.nDocNo, 1001);
        uTxm &editor = window.editor();
        RichTextEdit &edit = editor.edit();
        const QString before = edit.text();
        const int lineStart = paragraph == 0 ? 0 : before.indexOf(QChar(10)) + 1;
        const int lineEnd = before.indexOf(QChar(10), lineStart);
        QVERIFY(lineEnd > lineStart + 2);
        const int caret = where == 0 ? lineStart : where == 1 ? (lineStart + lineEnd) / 2 : lineEnd;
        edit.setSelStart(caret);
        if (paragraph == 1) {
            // A body paragraph, for Enter to follow the body rules.
            editor.rtAct(60, -3);
            QVERIFY(editor.isBodyAtCaret());
        }
        editor.view()->setFocus();
        editor.view()->showModelCaret();
        QWidget *target = editor.view()->viewport();
        for (QChar c : typed)
            typeKey(target, c);

        // Enter on the heading line starts a paragraph, Shift+Enter breaks the line, but at the end of
        // the heading it too starts a paragraph; in body text with the line-break option it is the
        // other way round.
        QString inserted = typed;
        const bool heading = paragraph == 0;
        inserted.replace(Enter, QChar(heading ? 10 : 11));
        inserted.replace(ShiftEnter, QChar(heading && where != 2 ? 11 : 10));
        const QString expected = before.left(caret) + inserted + before.mid(caret);
        QCOMPARE(edit.text(), expected);
        QVERIFY(editor.bDcEdt());
        QVERIFY(window.keys().keyPress(8, Qt::NoModifier));
        QVERIFY(!editor.bDcEdt());
        QCOMPARE(storedText(1001), expected);
        QVERIFY(window.LoadPage(QStringLiteral("1002"), QString(), 0, false));
        QVERIFY(window.LoadPage(QStringLiteral("1001"), QString(), 0, false));
        QCOMPARE(edit.text(), expected);
        QVERIFY(prompt.messages.isEmpty());
        zSvr::instance().D_Close();
    }

    // Typing on a page's first line keeps the caret where the user typed: the line that becomes the
    // heading is not left selected for the next key to replace, on a new page as on a loaded one.
    void firstLineKeepsTheCaret()
    {
        TestHome home;
        ScriptedPrompt prompt;
        fmDoc window;
        QVERIFY(openCopy(window));
        uTxm &editor = window.editor();
        RichTextEdit &edit = editor.edit();
        QWidget *target = editor.view()->viewport();
        // A plain first line (not yet a heading) on a loaded page.
        edit.setText(QStringLiteral("Text with end"));
        edit.setSelStart(13);
        editor.view()->setFocus();
        editor.view()->showModelCaret();
        for (QChar c : QStringLiteral("XY"))
            typeKey(target, c);
        QCOMPARE(edit.text(), QStringLiteral("Text with endXY"));
        QCOMPARE(edit.selLength(), 0);
        QCOMPARE(edit.selStart(), 15);
        QCOMPARE(edit.blockStyle(), 0);
        // A new page: every key counts from the first.
        editor.setBDcEdt(false);
        window.NewPage(1);
        QVERIFY(edit.text().isEmpty());
        editor.view()->setFocus();
        for (QChar c : QStringLiteral("New."))
            typeKey(target, c);
        QCOMPARE(edit.text(), QStringLiteral("New."));
        QCOMPARE(edit.selLength(), 0);
        QCOMPARE(edit.blockStyle(), 0);
        zSvr::instance().D_Close();
    }
};

QTEST_MAIN(TestTyping)
#include "tst_typing.moc"

// Typing into the page editor of the main window, key by key as the X server delivers the keys (a key
// code and its text, no input method), on the generated sample database: what was typed must stand in
// the page, in the saved row and in the page read back after a save.
#include "core/Frmt.h"
#include "core/TemplateDb.h"
#include "core/Usr.h"
#include "core/yIni.h"
#include "core/zSvr.h"
#include "editor/TxmFindPage.h"
#include "editor/TxmLinkPage.h"
#include "editor/sbTxm.h"
#include "editor/sbTxmDialog.h"
#include "editor/EditorServices.h"
#include "editor/uTxm.h"
#include "mainwin/fmDoc.h"
#include "mainwin/uFky.h"
#include "platform/docx/DocxWriter.h"
#include "platform/docx/ZipPackage.h"
#include "platform/richtext/HtmlExport.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/RichTextEdit.h"
#include "platform/richview/FontDialog.h"
#include "platform/richview/PageTextItem.h"
#include "platform/richview/RichButtonBar.h"
#include "platform/richview/RichView.h"
#include "support/FormatRuns.h"
#include "support/SampleDb.h"
#include "support/ScriptedPrompt.h"
#include "support/TestHome.h"
#include "tree/uTrX.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFontComboBox>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>
#include <qpa/qwindowsysteminterface.h>

namespace {

// Enter and Shift+Enter in the typed strings.
const QChar Enter(u'\x01');
const QChar ShiftEnter(u'\x02');
// Tab and Shift+Tab in the typed strings.
const QChar Tab(u'\x03');
const QChar ShiftTab(u'\x04');

QString printableAscii()
{
    QString text;
    for (char16_t c = 0x20; c < 0x7f; ++c)
        text += QChar(c);
    return text;
}

// The field dialogs answered as a user answers them: a link to an address with its caption, a tag to
// page 1002 with its title, a tooltip phrase of the dictionary.
class AnsweringServices : public EditorServices
{
public:
    void settingsDialog(uTxm &editor, const QString &mode, QString &answer) override
    {
        if (mode == QLatin1String("LK"))
            answer = cancelLinks ? QString() : QStringLiteral("公式サイト\thttps://example.org/");
        else
            EditorServices::settingsDialog(editor, mode, answer);
    }
    bool cancelLinks = false; // the link dialog cancelled
    bool chooseTagPage(const QString &, QString &key, QString &text) override
    {
        key = QStringLiteral("1002");
        text = QStringLiteral("基本操作");
        return true;
    }
    void chooseTip(QString &phrase, QString &tip) override
    {
        phrase = QStringLiteral("用語");
        tip = QStringLiteral("ことばの説明");
    }
};

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
        if (c == Tab || c == ShiftTab) {
            // X gives Shift+Tab as Backtab, without text.
            const bool back = c == ShiftTab;
            const int key = back ? Qt::Key_Backtab : Qt::Key_Tab;
            const Qt::KeyboardModifiers mods = back ? Qt::ShiftModifier : Qt::NoModifier;
            const QString text = back ? QString() : QStringLiteral("\t");
            QKeyEvent press(QEvent::KeyPress, key, mods, text);
            QKeyEvent release(QEvent::KeyRelease, key, mods, text);
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

    // Each key goes where the keyboard is, as the X server sends it.
    static void typeAtFocus(const QString &keys)
    {
        for (QChar c : keys) {
            QWidget *focus = QApplication::focusWidget();
            QVERIFY(focus);
            typeKey(focus, c);
        }
    }

    static QTreeWidget *treeView(fmDoc &window)
    {
        return window.tree().findChild<QTreeWidget *>(QStringLiteral("trView"));
    }

    static QTreeWidgetItem *treeNode(fmDoc &window, const QString &title)
    {
        const QList<QTreeWidgetItem *> found = treeView(window)->findItems(title, Qt::MatchExactly | Qt::MatchRecursive);
        return found.isEmpty() ? nullptr : found.first();
    }

    static void clickNode(fmDoc &window, const QString &title)
    {
        QTreeWidget *tree = treeView(window);
        QTreeWidgetItem *item = treeNode(window, title);
        QVERIFY(item);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(item).center());
    }

    static bool inEditor(fmDoc &window)
    {
        QWidget *focus = QApplication::focusWidget();
        QWidget *view = window.editor().view();
        return focus && (focus == view || view->isAncestorOf(focus));
    }

    // A caption as a menu shows it, without its access key.
    static QAction *shownItem(const QList<QAction *> &items, const QString &caption)
    {
        static const QRegularExpression key(QStringLiteral("\\(&.\\)$"));
        for (QAction *a : items) {
            if (a->isVisible() && !a->isSeparator() && a->text().remove(key).remove(u'&') == caption)
                return a;
        }
        return nullptr;
    }

    // Opens the menus of `path` with the mouse, as the user clicks them, and clicks its last item.
    static void chooseByMouse(fmDoc &window, const QStringList &path)
    {
        QMenuBar *bar = window.menuBar();
        QAction *top = shownItem(bar->actions(), path.first());
        QVERIFY(top && top->menu());
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(top).center());
        QMenu *menu = top->menu();
        for (const QString &caption : path.mid(1)) {
            QTRY_VERIFY(menu->isVisible());
            QAction *a = shownItem(menu->actions(), caption);
            QVERIFY(a && a->isEnabled());
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(a).center());
            if (a->menu())
                menu = a->menu();
        }
    }

    // Opens the menus of `path` with the keys: Alt and the access key of the first, then Down to each
    // item and Enter.
    static void chooseByKeys(fmDoc &window, const QStringList &path, Qt::Key access)
    {
        QVERIFY(shownItem(window.menuBar()->actions(), path.first()));
        QTest::keyClick(&window, access, Qt::AltModifier);
        for (const QString &caption : path.mid(1)) {
            QTRY_VERIFY(qobject_cast<QMenu *>(QApplication::activePopupWidget()));
            auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            QAction *a = shownItem(menu->actions(), caption);
            QVERIFY(a && a->isEnabled());
            for (int i = 0; i < 40 && menu->activeAction() != a; ++i)
                QTest::keyClick(menu, Qt::Key_Down);
            QCOMPARE(menu->activeAction(), a);
            QTest::keyClick(menu, Qt::Key_Return);
        }
    }

    // Closes the editor's settings dialog once it shows, by Enter where its keyboard is or by a click
    // on OK; it closes in any case, so that a failure does not leave the test waiting.
    void closeDialogWhenShown(bool byEnter, int tries = 100)
    {
        QTimer::singleShot(20, this, [this, byEnter, tries] {
            auto *dialog = qobject_cast<sbTxmDialog *>(QApplication::activeModalWidget());
            if (!dialog) {
                if (tries > 0)
                    closeDialogWhenShown(byEnter, tries - 1);
                return;
            }
            (void)QTest::qWaitForWindowActive(dialog);
            QWidget *focus = QApplication::focusWidget();
            if (byEnter && focus && dialog->isAncestorOf(focus))
                QTest::keyClick(focus, Qt::Key_Return);
            else
                QTest::mouseClick(dialog->okButton(), Qt::LeftButton);
            if (dialog->isVisible())
                dialog->reject();
        });
    }

    // A format's properties, readable in a failure.
    static QString properties(const QTextFormat &format)
    {
        QString text;
        const QMap<int, QVariant> all = format.properties();
        for (auto it = all.begin(); it != all.end(); ++it)
            QDebug(&text).nospace() << Qt::hex << it.key() << "=" << it.value() << " ";
        return text;
    }

    // Every block of the tables of `doc` with its paragraph format, and every run of text in them with
    // its character format.
    static QStringList tableLook(const QTextDocument *doc)
    {
        QStringList look;
        for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
            if (!QTextCursor(block).currentTable())
                continue;
            look << QStringLiteral("¶ ") + properties(block.blockFormat());
            for (auto it = block.begin(); !it.atEnd(); ++it)
                look << it.fragment().text() + QLatin1Char(' ') + properties(it.fragment().charFormat());
        }
        return look;
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

    // As openCopy, with the window active, for keys and clicks that go where the keyboard is.
    bool openActive(fmDoc &window)
    {
        return openCopy(window) && QTest::qWaitForWindowActive(&window);
    }

    // Keys as the keyboard gives them: to the widget that has the focus.
    static void typeKeys(const QString &text)
    {
        for (QChar c : text)
            typeKey(QApplication::focusWidget(), c);
    }

    static void press(int key, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), mods);
    }

    // The offscreen platform leaves a closed menu the active window, now and then more than once; a
    // desktop gives the window its activation back, with the keyboard where the window keeps it.
    static void activeAgain(fmDoc &window)
    {
        for (int calm = 0, i = 0; calm < 3 && i < 40; ++i) {
            if (QApplication::activeWindow() == &window) {
                ++calm;
            } else {
                calm = 0;
                window.activateWindow();
            }
            QTest::qWait(50);
        }
    }

    // Alt pressed and released alone, through the window as X gives the keys: each with the modifiers
    // held before it.
    static void altTap(fmDoc &window)
    {
        QWindow *handle = window.windowHandle();
        QWindowSystemInterface::handleKeyEvent<QWindowSystemInterface::SynchronousDelivery>(
            handle, 0, QEvent::KeyPress, Qt::Key_Alt, Qt::NoModifier);
        QWindowSystemInterface::handleKeyEvent<QWindowSystemInterface::SynchronousDelivery>(
            handle, 0, QEvent::KeyRelease, Qt::Key_Alt, Qt::AltModifier);
    }

    static int differingPixels(const QImage &a, const QImage &b)
    {
        if (a.size() != b.size())
            return a.width() * a.height();
        int count = 0;
        for (int y = 0; y < a.height(); ++y) {
            for (int x = 0; x < a.width(); ++x)
                count += a.pixel(x, y) != b.pixel(x, y);
        }
        return count;
    }

    // The caret of the page on the screen, below it as a popup stands.
    static QPoint caretOnScreen(uTxm &editor)
    {
        RichView *view = editor.view();
        PageTextItem *item = view->activeItem();
        const QRect caret = view->mapFromScene(item->mapRectToScene(item->caretRect())).boundingRect();
        return view->viewport()->mapToGlobal(caret.bottomLeft());
    }

    // Ctrl with a letter as X gives it: the letter's key with its control character as text.
    static void controlKey(Qt::Key letter)
    {
        const QString text(QChar(letter - Qt::Key_A + 1));
        QTest::sendKeyEvent(QTest::Click, QApplication::focusWidget(), letter, text, Qt::ControlModifier);
    }

    // The window on a fresh copy of the sample, active, with the keyboard in the editor at the end of
    // the first page.
    bool openAtEnd(fmDoc &window)
    {
        if (!openCopy(window))
            return false;
        window.activateWindow();
        if (!QTest::qWaitForWindowActive(&window))
            return false;
        window.editor().view()->setFocus();
        press(Qt::Key_End, Qt::ControlModifier);
        return QApplication::focusWidget() && window.editor().edit().selStart() == window.editor().edit().textLength();
    }


    // A dialog of type Dialog, once it shows modally, handed to `act` (which closes it); it closes in any
    // case, so that a failure does not leave the test waiting.
    template <typename Dialog>
    void actOnDialogWhenShown(const std::function<void(Dialog *)> &act, int tries = 100)
    {
        QTimer::singleShot(20, this, [this, act, tries] {
            auto *dialog = qobject_cast<Dialog *>(QApplication::activeModalWidget());
            if (!dialog) {
                if (tries > 0)
                    actOnDialogWhenShown<Dialog>(act, tries - 1);
                return;
            }
            (void)QTest::qWaitForWindowActive(dialog);
            act(dialog);
            if (dialog->isVisible())
                dialog->reject();
        });
    }

    // The look of characters as a reader sees it, readable in a failure.
    static QString lookOf(const QTextCharFormat &f)
    {
        const bool back = f.hasProperty(QTextFormat::BackgroundBrush) && f.background().style() != Qt::NoBrush;
        return QStringLiteral("b=%1 i=%2 u=%3 s=%4 fg=%5 bg=%6 size=%7 font=%8")
            .arg(f.fontWeight() >= QFont::Bold)
            .arg(f.fontItalic())
            .arg(f.fontUnderline())
            .arg(f.fontStrikeOut())
            .arg(f.hasProperty(QTextFormat::ForegroundBrush) ? f.foreground().color().name() : QStringLiteral("-"),
                 back ? f.background().color().name() : QStringLiteral("-"))
            .arg(f.fontPointSize())
            .arg(f.fontFamilies().toStringList().value(0));
    }

    // The look of the character at `position`, and the look Qt gives text typed at a caret there.
    static QString lookAt(const RichTextEdit &edit, int position)
    {
        QTextCursor at(edit.document());
        at.setPosition(position + 1);
        return lookOf(at.charFormat());
    }

    static QString lookTypedAt(const RichTextEdit &edit, int caret)
    {
        QTextCursor at(edit.document());
        at.setPosition(caret);
        return lookOf(at.charFormat());
    }

    // A commit of the input method, as a Japanese input method sends it, where the keyboard is.
    static void commitText(const QString &text)
    {
        QInputMethodEvent event;
        event.setCommitString(text);
        QApplication::sendEvent(QApplication::focusWidget(), &event);
    }

    static QAction *barButton(uTxm &editor, const QString &caption)
    {
        auto *bar = editor.findChild<RichButtonBar *>();
        for (QAction *a : bar ? bar->actions() : QList<QAction *>()) {
            if (a->text() == caption)
                return a;
        }
        return nullptr;
    }

    static void clickAction(QToolBar *bar, QAction *action)
    {
        QVERIFY(bar && action);
        QWidget *button = bar->widgetForAction(action);
        QVERIFY(button && button->isVisible());
        QTest::mouseClick(button, Qt::LeftButton);
    }

    // Opens a colour picker with the mouse and chooses the colour of `row` with the keys in its list.
    static void pickColour(QComboBox *picker, int row)
    {
        QVERIFY(picker);
        QTest::mouseClick(picker, Qt::LeftButton);
        QAbstractItemView *list = picker->view();
        QTRY_VERIFY(list->isVisible());
        for (int i = 0; i < 12 && list->currentIndex().row() != row; ++i)
            QTest::keyClick(list, list->currentIndex().row() < row ? Qt::Key_Down : Qt::Key_Up);
        QCOMPARE(list->currentIndex().row(), row);
        QTest::keyClick(list, Qt::Key_Return);
        QTRY_VERIFY(!list->isVisible());
    }

    // A character-format control chosen as the user chooses it: "B", "I", "U" the format bar's buttons;
    // "文字色", "背景色" a colour of the picker ("文字色 A", "背景色 背": then given again by the picker's
    // button with the caret taken away and back); "ﾌｫﾝﾄ font|size|strike" a box of the font dialog
    // (Ctrl+F9); "書式の貼り付け" the menu item and "書式 button" the bar's button, pasting the page
    // heading's format copied with 書式のｺﾋﾟｰ; "本文強調" F6, "補足" F7.
    void chooseControl(fmDoc &window, const QString &control)
    {
        uTxm &editor = window.editor();
        if (control == QLatin1String("B") || control == QLatin1String("I") || control == QLatin1String("U")) {
            clickAction(editor.findChild<RichButtonBar *>(), barButton(editor, control));
        } else if (control.startsWith(QStringLiteral("文字色")) || control.startsWith(QStringLiteral("背景色"))) {
            const bool fore = control.startsWith(QStringLiteral("文字色"));
            pickColour(editor.findChild<QComboBox *>(fore ? QStringLiteral("imFcr") : QStringLiteral("imBcr")), fore ? 5 : 7);
            if (control.contains(u' ')) {
                press(Qt::Key_Left);
                press(Qt::Key_Right);
                QTest::mouseClick(editor.findChild<QToolButton *>(fore ? QStringLiteral("cmFcr") : QStringLiteral("cmBcr")), Qt::LeftButton);
            }
        } else if (control.startsWith(QStringLiteral("ﾌｫﾝﾄ"))) {
            const QString box = control.section(u' ', 1);
            bool accepted = false;
            actOnDialogWhenShown<FontDialog>([&](FontDialog *dialog) {
                if (box == QLatin1String("font")) {
                    QLineEdit *line = dialog->findChild<QFontComboBox *>()->lineEdit();
                    QTest::mouseClick(line, Qt::LeftButton);
                    QTest::keyClick(line, Qt::Key_A, Qt::ControlModifier);
                    QTest::keyClicks(line, QStringLiteral("DejaVu Sans Mono"));
                } else if (box == QLatin1String("size")) {
                    auto *size = dialog->findChild<QDoubleSpinBox *>();
                    QTest::mouseClick(size, Qt::LeftButton);
                    QTest::keyClick(size, Qt::Key_A, Qt::ControlModifier);
                    QTest::keyClicks(size, QStringLiteral("20"));
                } else {
                    for (QCheckBox *check : dialog->findChildren<QCheckBox *>()) {
                        if (check->text() == QStringLiteral("取り消し線"))
                            QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(6, check->height() / 2));
                    }
                }
                QTest::mouseClick(dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok), Qt::LeftButton);
                accepted = !dialog->isVisible();
            });
            press(Qt::Key_F9, Qt::ControlModifier);
            QTRY_VERIFY(!QApplication::activeModalWidget());
            QVERIFY(accepted);
        } else if (control == QStringLiteral("書式の貼り付け") || control == QStringLiteral("書式 button")) {
            RichTextEdit &edit = editor.edit();
            const int caret = edit.selStart();
            press(Qt::Key_Home, Qt::ControlModifier);
            press(Qt::Key_End, Qt::ShiftModifier);
            QVERIFY(edit.selLength() > 0);
            chooseByMouse(window, {QStringLiteral("書式"), QStringLiteral("書式のｺﾋﾟｰ")});
            QTRY_VERIFY(!QApplication::activePopupWidget());
            activeAgain(window);
            editor.view()->setFocus();
            press(Qt::Key_End, Qt::ControlModifier);
            QCOMPARE(edit.selStart(), caret);
            if (control == QStringLiteral("書式 button")) {
                QTest::mouseClick(editor.findChild<QToolButton *>(QStringLiteral("cmTfm")), Qt::LeftButton);
            } else {
                chooseByMouse(window, {QStringLiteral("書式"), QStringLiteral("書式の貼り付け")});
                QTRY_VERIFY(!QApplication::activePopupWidget());
                activeAgain(window);
            }
        } else if (control == QStringLiteral("本文強調") || control == QStringLiteral("補足")) {
            press(control == QStringLiteral("補足") ? Qt::Key_F7 : Qt::Key_F6);
        } else {
            QFAIL("no such control");
        }
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

    // After 表 > 挿入 > 表, its menus opened with the mouse or with the keys and the dialog closed by
    // Enter or by OK, the keys typed next go into the new table's first cell: they went nowhere.
    void keysAfterATableInsertGoIntoItsFirstCell_data()
    {
        QTest::addColumn<bool>("byKeys");
        QTest::addColumn<bool>("byEnter");
        QTest::newRow("mouse, Enter") << false << true;
        QTest::newRow("mouse, OK") << false << false;
        QTest::newRow("keys, Enter") << true << true;
        QTest::newRow("keys, OK") << true << false;
    }

    void keysAfterATableInsertGoIntoItsFirstCell()
    {
        QFETCH(bool, byKeys);
        QFETCH(bool, byEnter);
        TestHome home;
        ScriptedPrompt prompt;
        fmDoc window;
        QVERIFY(openActive(window));
        // The page is chosen in the tree, which keeps the keyboard.
        clickNode(window, QStringLiteral("基本操作"));
        QCOMPARE(window.nDocNo, 1002);
        QVERIFY(!inEditor(window));
        RichTextEdit &edit = window.editor().edit();
        const QList<int> before = edit.tableIds();
        closeDialogWhenShown(byEnter);
        const QStringList path = {QStringLiteral("表"), QStringLiteral("挿入"), QStringLiteral("表")};
        if (byKeys)
            chooseByKeys(window, path, Qt::Key_T);
        else
            chooseByMouse(window, path);
        QTRY_COMPARE(edit.tableIds().size(), before.size() + 1);
        QTRY_VERIFY(inEditor(window));
        typeAtFocus(QStringLiteral("xyz"));
        int table = 0;
        for (int id : edit.tableIds()) {
            if (!before.contains(id))
                table = id;
        }
        QCOMPARE(edit.cellText(table, 1, 1), QStringLiteral("xyz"));
        QVERIFY(prompt.messages.isEmpty());
        zSvr::instance().D_Close();
    }

    // A menu command chosen with the keys, or with the keys in a menu opened by a click, and the
    // dialog it opens closed, leaves the keyboard in the page's text at the caret the command left:
    // the view had the keyboard but its text did not (no caret, Down scrolled, the keys went nowhere).
    // After Escape out of a menu the keys go to the page too, not to the menu bar's access keys.
    // The same from the title box: a command that changed the page's text gives the keys to the page
    // at the caret it left (they stayed in the title box, and the page was stored under a title with
    // the typed letters); one that changed nothing gives them back to the title box.
    void keysAfterAMenuGoToThePage_data()
    {
        QTest::addColumn<QString>("steps"); // "alt:T" Alt and a letter to the window; "bar:表" a click
                                            // on a menu title; "key:Right" a key to the open menu;
                                            // "ctrl:F6" Ctrl and a key where the keyboard is
        QTest::addColumn<int>("command");   // 0 table, 1 link, 2 page break, 3 none, 4 link cancelled
        QTest::addColumn<bool>("byEnter");  // the table dialog closed by Enter (else by OK)
        QTest::addColumn<bool>("fromTitle"); // chosen while the title box has the keys
        QTest::newRow("Alt+T Right Enter, Enter") << "alt:T key:Right key:Return" << 0 << true << false;
        QTest::newRow("Alt+T Right Enter, OK") << "alt:T key:Right key:Return" << 0 << false << false;
        QTest::newRow("click 表 Down Right Enter, Enter") << "bar:表 key:Down key:Right key:Return" << 0 << true << false;
        QTest::newRow("Alt+I L") << "alt:I key:L" << 1 << false << false;
        QTest::newRow("Alt+I B") << "alt:I key:B" << 2 << false << false;
        QTest::newRow("click 挿入 Escape") << "bar:挿入 key:Escape" << 3 << false << false;
        QTest::newRow("Alt+T Escape") << "alt:T key:Escape" << 3 << false << false;
        QTest::newRow("click 表 Down Right Escape Escape") << "bar:表 key:Down key:Right key:Escape key:Escape" << 3 << false << false;
        QTest::newRow("title box, Alt+I L") << "alt:I key:L" << 1 << false << true;
        QTest::newRow("title box, Ctrl+F6") << "ctrl:F6" << 1 << false << true;
        QTest::newRow("title box, Alt+I B") << "alt:I key:B" << 2 << false << true;
        QTest::newRow("title box, Ctrl+F8") << "ctrl:F8" << 2 << false << true;
        QTest::newRow("title box, Alt+T Right Enter, Enter") << "alt:T key:Right key:Return" << 0 << true << true;
        QTest::newRow("title box, click 挿入 Escape") << "bar:挿入 key:Escape" << 3 << false << true;
        QTest::newRow("title box, Alt+I L cancelled") << "alt:I key:L" << 4 << false << true;
    }

    void keysAfterAMenuGoToThePage()
    {
        QFETCH(QString, steps);
        QFETCH(int, command);
        QFETCH(bool, byEnter);
        QFETCH(bool, fromTitle);
        TestHome home;
        ScriptedPrompt prompt;
        AnsweringServices services;
        services.cancelLinks = command == 4;
        fmDoc window(nullptr, &services);
        QVERIFY(openAtEnd(window));
        RichTextEdit &edit = window.editor().edit();
        RichView *view = window.editor().view();
        QLineEdit *titleBox = window.editor().titleBox();
        QVERIFY(view->scene()->focusItem());
        const QString before = edit.text();
        const QString title = titleBox->text();
        const QList<int> tables = edit.tableIds();
        if (fromTitle) {
            QTest::mouseClick(titleBox, Qt::LeftButton, {}, titleBox->rect().center());
            QTest::keyClick(titleBox, Qt::Key_End);
            QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(titleBox));
        }
        if (command == 0)
            closeDialogWhenShown(byEnter);
        for (const QString &step : steps.split(u' ')) {
            const QString what = step.section(u':', 1);
            if (step.startsWith(QLatin1String("alt:"))) {
                QTest::keyClick(&window, Qt::Key(what.at(0).unicode()), Qt::AltModifier);
            } else if (step.startsWith(QLatin1String("ctrl:"))) {
                const int key = what == QLatin1String("F6") ? Qt::Key_F6 : Qt::Key_F8;
                QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), Qt::ControlModifier);
            } else if (step.startsWith(QLatin1String("bar:"))) {
                QAction *top = shownItem(window.menuBar()->actions(), what);
                QVERIFY(top);
                QTest::mouseClick(window.menuBar(), Qt::LeftButton, {}, window.menuBar()->actionGeometry(top).center());
            } else {
                QTRY_VERIFY(QApplication::activePopupWidget());
                const int key = what == QLatin1String("Right")    ? Qt::Key_Right
                                : what == QLatin1String("Down")   ? Qt::Key_Down
                                : what == QLatin1String("Return") ? Qt::Key_Return
                                : what == QLatin1String("Escape") ? Qt::Key_Escape
                                                                  : what.at(0).unicode();
                QTest::keyClick(QApplication::activePopupWidget(), Qt::Key(key));
            }
        }
        QTRY_VERIFY(!QApplication::activePopupWidget());
        QTRY_VERIFY(!QApplication::activeModalWidget());
        activeAgain(window);
        QCOMPARE(QApplication::activeWindow(), static_cast<QWidget *>(&window));
        if (fromTitle && command >= 3) {
            QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(titleBox));
            typeAtFocus(QStringLiteral("xyz"));
            QCOMPARE(titleBox->text(), title + QStringLiteral("xyz"));
            QCOMPARE(edit.text(), before);
            QVERIFY(prompt.messages.isEmpty());
            zSvr::instance().D_Close();
            return;
        }
        QTRY_VERIFY(inEditor(window));
        typeAtFocus(QStringLiteral("xyz"));
        QCOMPARE(titleBox->text(), title);
        if (command == 0) {
            const QList<int> now = edit.tableIds();
            QCOMPARE(now.size(), tables.size() + 1);
            int table = 0;
            for (int id : now) {
                if (!tables.contains(id))
                    table = id;
            }
            QCOMPARE(edit.cellText(table, 1, 1), QStringLiteral("xyz"));
        } else if (command == 1) {
            QCOMPARE(edit.text(), before + QStringLiteral("公式サイトxyz"));
        } else if (command == 2) {
            QCOMPARE(edit.text(), before + QChar(12) + QStringLiteral("xyz"));
        } else {
            QCOMPARE(edit.text(), before + QStringLiteral("xyz"));
        }
        QCOMPARE(view->scene()->focusItem(), static_cast<QGraphicsItem *>(view->activeItem()));
        QVERIFY(prompt.messages.isEmpty());
        zSvr::instance().D_Close();
    }

    // A character format chosen with nothing selected is the format of the text typed next at the
    // caret, by keys, by the input method or pasted as text, until the caret moves, and the format
    // bar's buttons show it; the page stores it. Every control did nothing for the text typed next: the
    // view typed with its own caret, which the model's choice never reached (B showed pressed, the
    // letters came plain and B cleared). At the page's end the typing rules gave the paragraph the
    // body look over a font, a size or a format chosen there.
    void formatChosenBeforeTyping_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("then"); // "" typed at once; "Left", "Left Right" the caret moved
                                           // first; "paste" 貼り付け > ﾃｷｽﾄとして貼り付け (Ctrl+T)
        for (const char *control : {"B", "I", "U", "文字色", "文字色 A", "背景色", "背景色 背", "ﾌｫﾝﾄ font",
                                    "ﾌｫﾝﾄ size", "ﾌｫﾝﾄ strike", "書式の貼り付け", "書式 button", "本文強調", "補足"})
            QTest::addRow("%s", control) << QString::fromUtf8(control) << QString();
        QTest::newRow("B, Left") << QStringLiteral("B") << QStringLiteral("Left");
        QTest::newRow("B, Left Right") << QStringLiteral("B") << QStringLiteral("Left Right");
        QTest::newRow("ﾌｫﾝﾄ size, Left") << QStringLiteral("ﾌｫﾝﾄ size") << QStringLiteral("Left");
        QTest::newRow("B, paste as text") << QStringLiteral("B") << QStringLiteral("paste");
        QTest::newRow("ﾌｫﾝﾄ size, paste as text") << QStringLiteral("ﾌｫﾝﾄ size") << QStringLiteral("paste");
    }

    void formatChosenBeforeTyping()
    {
        QFETCH(QString, control);
        QFETCH(QString, then);
        TestHome home;
        ScriptedPrompt prompt;
        fmDoc window;
        QVERIFY(openAtEnd(window));
        uTxm &editor = window.editor();
        RichTextEdit &edit = editor.edit();
        auto *bar = editor.findChild<RichButtonBar *>();
        QVERIFY(bar);
        // In body text, after a word typed in the paragraph's look.
        press(Qt::Key_Return);
        press(Qt::Key_F5);
        QVERIFY(editor.isBodyAtCaret());
        typeKeys(QStringLiteral("in "));
        const int caret = edit.selStart();
        const QString plain = lookTypedAt(edit, caret);
        chooseControl(window, control);
        if (QTest::currentTestFailed())
            return;
        QTRY_VERIFY(inEditor(window));
        QCOMPARE(edit.selLength(), 0);
        QCOMPARE(edit.selStart(), caret);
        const QString chosen = lookOf(edit.cursor().charFormat());
        QVERIFY2(chosen != plain, qPrintable(chosen));
        QString expected = chosen;
        for (const QString &key : then.split(u' ', Qt::SkipEmptyParts)) {
            if (key == QLatin1String("paste"))
                continue;
            press(key == QLatin1String("Left") ? Qt::Key_Left : Qt::Key_Right);
            // The format comes from the new place, as Qt gives it there.
            expected = lookTypedAt(edit, edit.selStart());
        }
        const int at = edit.selStart();
        QStringList pieces{QStringLiteral("ab"), QStringLiteral("ふとじ"), QStringLiteral("c")};
        if (then == QLatin1String("paste")) {
            QApplication::clipboard()->setText(QStringLiteral("はりつけ"));
            controlKey(Qt::Key_T);
            pieces = QStringList{QStringLiteral("はりつけ"), QStringLiteral("c")};
        }
        int typed = 0;
        for (int piece = 0; piece < pieces.size(); ++piece) {
            const QString &text = pieces.at(piece);
            if (then != QLatin1String("paste") || piece > 0) {
                if (text.at(0).unicode() < 0x80)
                    typeKeys(text);
                else
                    commitText(text);
            }
            typed += int(text.size());
            QCOMPARE(edit.selStart(), at + typed);
            for (int i = at; i < at + typed; ++i)
                QVERIFY2(lookAt(edit, i) == expected, qPrintable(QStringLiteral("%1 at %2: %3, expected %4")
                                                                     .arg(edit.charAt(i)).arg(i - at).arg(lookAt(edit, i), expected)));
            // The buttons show the format of what is typed next.
            const QString next = lookOf(edit.cursor().charFormat());
            QCOMPARE(next, expected);
            QCOMPARE(bar->action(RichButtonBar::Bold)->isChecked(), next.contains(QLatin1String("b=1")));
            QCOMPARE(bar->action(RichButtonBar::Italic)->isChecked(), next.contains(QLatin1String("i=1")));
            QCOMPARE(bar->action(RichButtonBar::Underline)->isChecked(), next.contains(QLatin1String("u=1")));
        }
        // Stored with F8 and read back.
        QVERIFY(window.keys().keyPress(8, Qt::NoModifier));
        QVERIFY2(!editor.bDcEdt(), qPrintable(prompt.messages.join(u'|')));
        QVERIFY(window.LoadPage(QStringLiteral("1002"), QString(), 0, false));
        QVERIFY(window.LoadPage(QStringLiteral("1001"), QString(), 0, false));
        for (int i = at; i < at + typed; ++i)
            QCOMPARE(lookAt(edit, i), expected);
        QVERIFY(prompt.messages.isEmpty());
        zSvr::instance().D_Close();
    }

    // The format bar's buttons chosen while the title box has the keys: one that changed the page (or
    // the format of what is typed next at its caret) gives the keys to the page at its caret, as a menu
    // command does; they stayed in the title box, and the letters typed next went into the title.
    // The toolbar's ｺﾋﾟｰ changes nothing: it leaves the keys in the title box (it took them).
    void barButtonsFromTheTitleBox_data()
    {
        QTest::addColumn<QString>("button"); // a caption of the format bar, or "ｺﾋﾟｰ" of the toolbar
        QTest::addColumn<bool>("selected");  // the typed words selected, else nothing
        for (const char *button : {"B", "I", "U", "左", "中", "右", "・", "1."})
            QTest::addRow("%s", button) << QString::fromUtf8(button) << true;
        QTest::newRow("B, nothing selected") << QStringLiteral("B") << false;
        QTest::newRow("ｺﾋﾟｰ") << QStringLiteral("ｺﾋﾟｰ") << true;
    }

    void barButtonsFromTheTitleBox()
    {
        QFETCH(QString, button);
        QFETCH(bool, selected);
        TestHome home;
        ScriptedPrompt prompt;
        fmDoc window;
        QVERIFY(openAtEnd(window));
        uTxm &editor = window.editor();
        RichTextEdit &edit = editor.edit();
        QLineEdit *titleBox = editor.titleBox();
        press(Qt::Key_Return);
        typeKeys(QStringLiteral("abc def"));
        if (button == QStringLiteral("左"))
            edit.setAlignment(2); // for 左 to change it
        const QString before = edit.text();
        const QString title = titleBox->text();
        if (selected)
            press(Qt::Key_Home, Qt::ShiftModifier);
        QCOMPARE(edit.selLength(), selected ? 7 : 0);
        QTest::mouseClick(titleBox, Qt::LeftButton, {}, titleBox->rect().center());
        QTest::keyClick(titleBox, Qt::Key_End);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(titleBox));
        QApplication::clipboard()->clear();
        if (button == QStringLiteral("ｺﾋﾟｰ"))
            clickAction(editor.toolBar(), editor.toolBar()->findChild<QAction *>(QStringLiteral("Copy")));
        else
            clickAction(editor.findChild<RichButtonBar *>(), barButton(editor, button));
        if (button == QStringLiteral("ｺﾋﾟｰ")) {
            QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("abc def"));
            QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(titleBox));
            typeAtFocus(QStringLiteral("xyz"));
            QCOMPARE(titleBox->text(), title + QStringLiteral("xyz"));
            QCOMPARE(edit.text(), before);
        } else {
            QVERIFY(inEditor(window));
            typeAtFocus(QStringLiteral("xyz"));
            QCOMPARE(titleBox->text(), title);
            QCOMPARE(edit.text(), (selected ? before.chopped(7) : before) + QStringLiteral("xyz"));
            if (!selected)
                QCOMPARE(lookAt(edit, edit.textLength() - 1).left(3), QStringLiteral("b=1"));
        }
        QVERIFY(window.keys().keyPress(8, Qt::NoModifier));
        QVERIFY(!editor.bDcEdt());
        QVERIFY(prompt.messages.isEmpty());
        zSvr::instance().D_Close();
    }

    // Alt pressed and released alone gives the menu bar the keyboard: the bar shows it, its first title
    // highlighted, and Escape, a second Alt or a click gives the keys back to where they were; a menu
    // opened by its access key and left with Escape does too. The bar took the keyboard with nothing on
    // the screen changed, and the letters typed next were lost.
    void altTapShowsTheBarHasTheKeys_data()
    {
        QTest::addColumn<QString>("back"); // "Escape", "Alt", "click", "menu" (E opens 編集, Escape)
        QTest::addColumn<bool>("fromTitle");
        for (bool fromTitle : {false, true}) {
            for (const char *back : {"Escape", "Alt", "click", "menu"})
                QTest::addRow("%s, %s", fromTitle ? "title box" : "page", back) << QString::fromLatin1(back) << fromTitle;
        }
    }

    void altTapShowsTheBarHasTheKeys()
    {
        QFETCH(QString, back);
        QFETCH(bool, fromTitle);
        TestHome home;
        ScriptedPrompt prompt;
        fmDoc window;
        QVERIFY(openAtEnd(window));
        RichTextEdit &edit = window.editor().edit();
        QLineEdit *titleBox = window.editor().titleBox();
        const QString before = edit.text();
        const QString title = titleBox->text();
        if (fromTitle) {
            QTest::mouseClick(titleBox, Qt::LeftButton, {}, titleBox->rect().center());
            QTest::keyClick(titleBox, Qt::Key_End);
        }
        QWidget *keys = QApplication::focusWidget();
        QCOMPARE(keys, fromTitle ? static_cast<QWidget *>(titleBox) : static_cast<QWidget *>(window.editor().view()));
        QMenuBar *bar = window.menuBar();
        const QRect first = bar->actionGeometry(bar->actions().first());
        const QImage plain = bar->grab(first).toImage();

        altTap(window);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(bar));
        QCOMPARE(bar->activeAction(), bar->actions().first());
        QVERIFY2(differingPixels(plain, bar->grab(first).toImage()) > 20, "the bar does not show that it has the keys");

        if (back == QLatin1String("Escape")) {
            QTest::keyClick(bar, Qt::Key_Escape);
        } else if (back == QLatin1String("Alt")) {
            altTap(window);
        } else if (back == QLatin1String("click")) {
            if (fromTitle) {
                QTest::mouseClick(titleBox, Qt::LeftButton, {}, QPoint(titleBox->width() - 4, titleBox->height() / 2));
            } else {
                // Right of the caret on its line: the caret goes to the line's end, where it is.
                RichView *view = window.editor().view();
                const QPoint caret = view->viewport()->mapFromGlobal(caretOnScreen(window.editor()));
                QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, caret + QPoint(40, -4));
            }
        } else {
            QTest::keyClick(bar, Qt::Key_E);
            QTRY_COMPARE(QApplication::activePopupWidget(), static_cast<QWidget *>(window.menu(QStringLiteral("mnEdit"))));
            QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
        }
        QTRY_VERIFY(!QApplication::activePopupWidget());
        activeAgain(window);
        QTRY_COMPARE(QApplication::focusWidget(), keys);
        QTRY_COMPARE(differingPixels(plain, bar->grab(first).toImage()), 0);
        typeAtFocus(QStringLiteral("q5z"));
        QCOMPARE(edit.text(), fromTitle ? before : before + QStringLiteral("q5z"));
        QCOMPARE(titleBox->text(), fromTitle ? title + QStringLiteral("q5z") : title);
        QVERIFY(prompt.messages.isEmpty());
        zSvr::instance().D_Close();
    }

    // The Menu key and Shift+F10 open the page's popup menu at the caret, as a right click opens it at
    // the mouse (both opened nothing); Escape leaves the keys in the page. A letter in a menu reaches
    // the enabled item of its access key: 置換(&R) with Alt+E R in the menu bar and E R in the popup,
    // past the disabled やり直し(&R) above it (R did nothing, twice as once). After the dialog of a
    // popup's command a window is active again, as after a menu bar's: without a window manager none
    // was, and the window's keys (Alt+E, F8) did nothing.
    void keyboardMenusReachTheirItems_data()
    {
        QTest::addColumn<QString>("open"); // "Menu", "Shift+F10", "right click" (the page's popup) or
                                           // "Alt+E" (編集)
        QTest::addColumn<QString>("item"); // "R" 置換, "F" 検索, chosen by their letters; "" Escape
        for (const char *open : {"Menu", "Shift+F10", "Alt+E"}) {
            for (const char *item : {"", "R"})
                QTest::addRow("%s, %s", open, *item ? item : "Escape") << QString::fromLatin1(open) << QString::fromLatin1(item);
        }
        QTest::newRow("right click, F") << QStringLiteral("right click") << QStringLiteral("F");
    }

    void keyboardMenusReachTheirItems()
    {
        QFETCH(QString, open);
        QFETCH(QString, item);
        TestHome home;
        ScriptedPrompt prompt;
        fmDoc window;
        QVERIFY(openAtEnd(window));
        uTxm &editor = window.editor();
        RichTextEdit &edit = editor.edit();
        const QString before = edit.text();
        const bool popup = open != QLatin1String("Alt+E");
        QMenu *expected = popup ? editor.companion().mnRtf() : window.menu(QStringLiteral("mnEdit"));
        QVERIFY(expected);
        QStringList jobs;
        connect(&editor, &uTxm::eRtAct, this, [&jobs](int &job) { jobs.append(QString::number(job)); });
        QString dialogMode;
        std::function<void(int)> closeDialog = [&](int tries) {
            auto *dialog = qobject_cast<sbTxmDialog *>(QApplication::activeModalWidget());
            if (!dialog) {
                if (tries > 0)
                    QTimer::singleShot(20, this, [&closeDialog, tries] { closeDialog(tries - 1); });
                return;
            }
            dialogMode = dialog->mode() + (dialog->replaceFlag() ? QStringLiteral(" replace") : QString());
            dialog->reject();
        };
        bool shown = false;
        QPoint shownAt;
        const QPoint caret = caretOnScreen(editor);
        std::function<void(int)> choose = [&](int tries) {
            auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            if (menu != expected) {
                if (tries > 0)
                    QTimer::singleShot(20, this, [&choose, tries] { choose(tries - 1); });
                return;
            }
            shown = true;
            shownAt = menu->pos();
            if (item.isEmpty()) {
                QTest::keyClick(menu, Qt::Key_Escape);
                return;
            }
            if (popup) {
                QTest::keyClick(menu, Qt::Key_E);
                menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
                QVERIFY(menu && menu != expected);
            }
            QTimer::singleShot(20, this, [&closeDialog] { closeDialog(100); });
            QTest::keyClick(menu, Qt::Key(item.at(0).unicode()));
            // A letter that reached nothing leaves the menus open.
            while (QApplication::activePopupWidget())
                QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
        };
        QTimer::singleShot(20, this, [&choose] { choose(100); });
        if (open == QLatin1String("Menu")) {
            // As the desktop gives the Menu key: the window's context menu event, then the key.
            QWindow *handle = window.windowHandle();
            const QPoint mouse(5, 5);
            QWindowSystemInterface::handleContextMenuEvent(handle, false, mouse, handle->mapToGlobal(mouse), Qt::NoModifier);
            QWindowSystemInterface::handleKeyEvent(handle, QEvent::KeyPress, Qt::Key_Menu, Qt::NoModifier);
            QWindowSystemInterface::handleKeyEvent(handle, QEvent::KeyRelease, Qt::Key_Menu, Qt::NoModifier);
        } else if (open == QLatin1String("Shift+F10")) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_F10, Qt::ShiftModifier);
        } else if (open == QLatin1String("right click")) {
            QWidget *viewport = editor.view()->viewport();
            QTest::mousePress(viewport, Qt::RightButton, {}, viewport->mapFromGlobal(caret) + QPoint(40, -4));
        } else {
            QTest::keyClick(&window, Qt::Key_E, Qt::AltModifier);
        }
        QTRY_VERIFY2(shown, "the menu did not open");
        QTRY_VERIFY(!QApplication::activePopupWidget());
        QTRY_VERIFY(!QApplication::activeModalWidget());
        if (open == QLatin1String("Menu") || open == QLatin1String("Shift+F10"))
            QVERIFY2((shownAt - caret).manhattanLength() < 30, qPrintable(QStringLiteral("popup at %1,%2, caret at %3,%4")
                                                                           .arg(shownAt.x()).arg(shownAt.y()).arg(caret.x()).arg(caret.y())));
        const QString expectedMode = item == QLatin1String("R") ? QStringLiteral("FD replace")
                                     : item == QLatin1String("F") ? QStringLiteral("FD") : QString();
        QCOMPARE(dialogMode, expectedMode);
        jobs.removeAll(QStringLiteral("16")); // the window's activation refreshes the toolbar
        QCOMPARE(jobs.join(u' '), item == QLatin1String("R") ? QStringLiteral("23")
                                  : item == QLatin1String("F") ? QStringLiteral("22") : QString());
        // The offscreen platform now and then keeps the closed dialog the active window, which the
        // desktop does not.
        if (!item.isEmpty())
            QTRY_VERIFY2(QApplication::activeWindow(), "no window active after the dialog");
        activeAgain(window);
        QTRY_VERIFY(inEditor(window));
        typeAtFocus(QStringLiteral("xyz"));
        QCOMPARE(edit.text(), before + QStringLiteral("xyz"));
        QVERIFY(prompt.messages.isEmpty());
        zSvr::instance().D_Close();
    }

    // Enter and Shift+Enter over a selection replace it with the break the paragraph's rule makes
    // (with the line-break option, a line break for Enter and a paragraph for Shift+Enter in body
    // text), as one undo step; a letter typed over the selection replaces it too.
    void breakReplacesTheSelection_data()
    {
        QTest::addColumn<int>("key");      // 0 Enter, 1 Shift+Enter, 2 a letter
        QTest::addColumn<QString>("typed"); // what replaces "bc" and the empty paragraph after it
        QTest::newRow("enter") << 0 << QStringLiteral("\x0b");
        QTest::newRow("shift+enter") << 1 << QStringLiteral("\n");
        QTest::newRow("letter") << 2 << QStringLiteral("z");
    }

    void breakReplacesTheSelection()
    {
        QFETCH(int, key);
        QFETCH(QString, typed);
        TestHome home;
        ScriptedPrompt prompt;
        fmDoc window;
        QVERIFY(openAtEnd(window));
        RichTextEdit &edit = window.editor().edit();
        press(Qt::Key_Return);
        typeKeys(QStringLiteral("abc") + ShiftEnter);
        const QString before = edit.text();
        QVERIFY(before.endsWith(QStringLiteral("abc\n")));
        // From after "a" to the end.
        for (int i = 0; i < 3; ++i)
            press(Qt::Key_Left);
        press(Qt::Key_End, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(edit.selLength(), 3);
        if (key == 2)
            typeKeys(QStringLiteral("z"));
        else
            press(Qt::Key_Return, key == 1 ? Qt::ShiftModifier : Qt::NoModifier);
        QCOMPARE(edit.text(), before.left(before.size() - 3) + typed);
        QCOMPARE(edit.selLength(), 0);
        QCOMPARE(edit.selStart(), edit.textLength());
        press(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(edit.text(), before);
        QVERIFY(prompt.messages.isEmpty());
        zSvr::instance().D_Close();
    }

    // A list a browser copied, pasted with Ctrl+V: the items stand where the caret was, the paragraph's
    // text after them as its own paragraph, no empty paragraph left in front; Ctrl+Z takes the paste
    // back whole, Ctrl+Y brings it again, and the page saved reads back so.
    void pastedHtmlListStandsAtTheCaret_data()
    {
        QTest::addColumn<QString>("added"); // paragraphs added at the page's end, before the paste
        QTest::addColumn<int>("at");        // the caret in them
        QTest::addColumn<QString>("pasted"); // what they are after the paste
        QTest::newRow("paragraph's start") << QStringLiteral("\nabc") << 1 << QStringLiteral("\none\ntwo\nabc");
        QTest::newRow("inside a paragraph") << QStringLiteral("\nabc") << 2 << QStringLiteral("\na\none\ntwo\nbc");
        QTest::newRow("empty paragraph") << QStringLiteral("\n\nabc") << 1 << QStringLiteral("\none\ntwo\nabc");
    }

    void pastedHtmlListStandsAtTheCaret()
    {
        QFETCH(QString, added);
        QFETCH(int, at);
        QFETCH(QString, pasted);
        TestHome home;
        ScriptedPrompt prompt;
        fmDoc window;
        QVERIFY(openAtEnd(window));
        RichTextEdit &edit = window.editor().edit();
        const QString page = edit.text();
        edit.setSelectedText(added);
        const QString before = edit.text();
        edit.setSelStart(page.size() + at);
        auto *data = new QMimeData;
        data->setHtml(QStringLiteral("<meta charset='utf-8'><ul><li>one</li><li>two</li></ul>"));
        data->setText(QStringLiteral("one\ntwo"));
        QApplication::clipboard()->setMimeData(data);
        press(Qt::Key_V, Qt::ControlModifier);
        // The page's own text stays in front of the paragraphs the test added.
        auto tail = [&edit, &page]() { return edit.text().startsWith(page) ? edit.text().mid(page.size()) : edit.text(); };
        QCOMPARE(tail(), pasted);
        auto items = [&window]() {
            QStringList texts;
            for (QTextBlock block = window.editor().page().main()->begin(); block.isValid(); block = block.next()) {
                if (block.textList())
                    texts << block.text();
            }
            return texts;
        };
        QCOMPARE(items(), QStringList({QStringLiteral("one"), QStringLiteral("two")}));
        press(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(edit.text(), before);
        QVERIFY(items().isEmpty());
        press(Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(tail(), pasted);
        QVERIFY(window.keys().keyPress(8, Qt::NoModifier));
        QCOMPARE(storedText(1001), page + pasted);
        QVERIFY(window.LoadPage(QStringLiteral("1002"), QString(), 0, false));
        QVERIFY(window.LoadPage(QStringLiteral("1001"), QString(), 0, false));
        QCOMPARE(tail(), pasted);
        QCOMPARE(items(), QStringList({QStringLiteral("one"), QStringLiteral("two")}));
        QVERIFY(prompt.messages.isEmpty());
        zSvr::instance().D_Close();
    }

    // キャンセル in the question whether to save, asked when another node is clicked: the page stays, so
    // its node stays the one selected and the keys typed next go on in the page at the caret. The tree
    // kept the clicked node and the keyboard, and the page's own node was lost on a list page.
    void cancelKeepsThePageItsNodeAndTheKeys_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<int>("number");
        QTest::newRow("tree page") << QStringLiteral("はじめに") << 1001;
        QTest::newRow("list page") << QStringLiteral("用語集") << 1003;
    }

    void cancelKeepsThePageItsNodeAndTheKeys()
    {
        QFETCH(QString, page);
        QFETCH(int, number);
        TestHome home;
        ScriptedPrompt prompt;
        fmDoc window;
        QVERIFY(openActive(window));
        clickNode(window, page);
        QCOMPARE(window.nDocNo, number);
        uTxm &editor = window.editor();
        RichTextEdit &edit = editor.edit();
        const QString before = edit.text();
        const int caret = before.indexOf(QChar(10), before.indexOf(QChar(10)) + 1);
        QVERIFY(caret > 0);
        edit.setSelStart(caret);
        editor.view()->setFocus();
        editor.view()->showModelCaret();
        typeAtFocus(QStringLiteral("未保存"));
        QVERIFY(editor.bDcEdt());
        prompt.answers.enqueue(Prompt::Cancel);
        clickNode(window, QStringLiteral("基本操作"));
        QCOMPARE(prompt.messages.size(), 1);
        QCOMPARE(window.nDocNo, number);
        QCOMPARE(treeView(window)->currentItem(), treeNode(window, page));
        QVERIFY(inEditor(window));
        typeAtFocus(QStringLiteral("続き"));
        const QString expected = before.left(caret) + QStringLiteral("未保存続き") + before.mid(caret);
        QCOMPARE(edit.text(), expected);
        QVERIFY(window.keys().keyPress(8, Qt::NoModifier));
        QCOMPARE(storedText(number), expected);
        zSvr::instance().D_Close();
    }

    // Tab and Shift+Tab in a table cell go to the next and the previous cell and select what it holds,
    // so that the next key replaces it; in the last cell Tab, in the first Shift+Tab leaves the caret
    // where it is. No tab character goes into a cell: it went in and shifted the column.
    void tabMovesBetweenTableCells_data()
    {
        QTest::addColumn<int>("row");    // the caret at the end of this cell
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QStringList>("cells"); // the four cells afterwards, row by row
        QTest::newRow("Tab to the next cell") << 1 << 1 << Tab + QStringLiteral("X") << QStringList{"a", "X", "c", ""};
        QTest::newRow("Tab to the next row") << 1 << 2 << Tab + QStringLiteral("X") << QStringList{"a", "b", "X", ""};
        QTest::newRow("Tab into an empty cell") << 2 << 1 << Tab + QStringLiteral("X") << QStringList{"a", "b", "c", "X"};
        QTest::newRow("Tab twice") << 1 << 1 << QString(Tab) + Tab + QStringLiteral("X") << QStringList{"a", "b", "X", ""};
        QTest::newRow("Tab in the last cell stays") << 2 << 2 << QStringLiteral("Y") + Tab + QStringLiteral("Z")
                                                    << QStringList{"a", "b", "c", "YZ"};
        QTest::newRow("Shift+Tab to the previous cell") << 2 << 1 << ShiftTab + QStringLiteral("X")
                                                        << QStringList{"a", "X", "c", ""};
        QTest::newRow("Shift+Tab to the row above") << 2 << 1 << QString(ShiftTab) + ShiftTab + QStringLiteral("X")
                                                    << QStringList{"X", "b", "c", ""};
        QTest::newRow("Shift+Tab in the first cell stays") << 1 << 1 << ShiftTab + QStringLiteral("X")
                                                           << QStringList{"aX", "b", "c", ""};
    }

    void tabMovesBetweenTableCells()
    {
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(QString, keys);
        QFETCH(QStringList, cells);
        TestHome home;
        ScriptedPrompt prompt;
        fmDoc window;
        QVERIFY(openActive(window));
        uTxm &editor = window.editor();
        RichTextEdit &edit = editor.edit();
        edit.setSelStart(edit.textLength());
        const int table = edit.insertTable(2, 2);
        QVERIFY(table > 0);
        const QStringList start = {"a", "b", "c", ""};
        for (int i = 0; i < 4; ++i)
            edit.setCellText(table, i / 2 + 1, i % 2 + 1, start[i]);
        edit.setSelStart(edit.cellStart(table, row, column) - 1 + edit.cellLength(table, row, column));
        editor.view()->setFocus();
        editor.view()->showModelCaret();
        typeAtFocus(keys);
        QStringList after;
        for (int i = 0; i < 4; ++i)
            after << edit.cellText(table, i / 2 + 1, i % 2 + 1);
        QCOMPARE(after, cells);
        QVERIFY(!edit.text().contains(u'\t'));
        QVERIFY(inEditor(window));
        zSvr::instance().D_Close();
    }

    // The style box shows the style at the caret after Enter: Enter at a heading's end starts a body
    // paragraph, and the box says so at once, not after the caret has moved on.
    void styleBoxFollowsEnter_data()
    {
        QTest::addColumn<int>("styleKey");
        QTest::addColumn<QString>("heading");
        QTest::newRow("F2") << int(Qt::Key_F2) << QStringLiteral("見出１(頁見出)");
        QTest::newRow("F3") << int(Qt::Key_F3) << QStringLiteral("見出２");
        QTest::newRow("F4") << int(Qt::Key_F4) << QStringLiteral("見出３");
    }

    void styleBoxFollowsEnter()
    {
        QFETCH(int, styleKey);
        QFETCH(QString, heading);
        TestHome home;
        ScriptedPrompt prompt;
        fmDoc window;
        QVERIFY(openAtEnd(window));
        const QLabel *box = window.editor().statusPanel();
        press(Qt::Key_Return);
        press(styleKey);
        typeKeys(QStringLiteral("Head"));
        QCOMPARE(box->text(), heading);
        press(Qt::Key_Return);
        QCOMPARE(box->text(), QStringLiteral("本文"));
        typeKeys(QStringLiteral("body"));
        QCOMPARE(box->text(), QStringLiteral("本文"));
        press(Qt::Key_Up);
        QCOMPARE(box->text(), heading);
        press(Qt::Key_End);
        press(Qt::Key_Return);
        QCOMPARE(box->text(), QStringLiteral("本文"));
        zSvr::instance().D_Close();
    }

    // Text typed, a paragraph begun, a heading begun or text pasted right after a table (at the page's
    // end, or at the start of the paragraph that follows it) stands in a paragraph of its own after the
    // table; the cells keep their formats and their line breaks, in the editor and in the saved page,
    // and the undo steps of the keys give back the page as it was.
    void textAfterATableLeavesTheTable_data()
    {
        QTest::addColumn<bool>("atEnd"); // the table ends the page, or a paragraph follows it
        QTest::addColumn<int>("action"); // 0 typing, 1 Enter and typing, 2 Ctrl+V, 3 Ctrl+T, 4 F2 and typing
        QTest::addColumn<int>("undos");
        const char *const places[] = {"end", "middle"};
        const char *const actions[] = {"typing", "enter", "paste", "paste text", "heading"};
        for (int p = 0; p < 2; ++p) {
            for (int a = 0; a < 5; ++a)
                QTest::addRow("%s, %s", places[p], actions[a]) << (p == 0) << a << (a == 1 || a == 4 ? 2 : 1);
        }
    }

    void textAfterATableLeavesTheTable()
    {
        QFETCH(bool, atEnd);
        QFETCH(int, action);
        QFETCH(int, undos);
        TestHome home;
        ScriptedPrompt prompt;
        fmDoc window;
        QVERIFY(openActive(window));
        QVERIFY(window.LoadPage(QStringLiteral("1002"), QString(), 0, false));
        uTxm &editor = window.editor();
        RichTextEdit &edit = editor.edit();
        QCOMPARE(edit.tableIds().size(), 1);
        QCOMPARE(edit.charAt(edit.textLength() - 1), QChar(7));
        int caret = edit.textLength();
        // A line break in the last cell.
        edit.setSelStart(caret - 1);
        edit.setSelectedText(QStringLiteral("x") + QChar(11) + QStringLiteral("y"));
        caret = edit.textLength();
        if (!atEnd) {
            edit.setSelStart(caret);
            edit.setSelectedText(QStringLiteral("after") + QChar(10) + QStringLiteral("last"));
        }
        const QString before = edit.text();
        const QStringList look = tableLook(edit.document());
        const QStringList runs = FormatRuns::describe(edit.document());
        // The header row is bold.
        const QString boldRun = QStringLiteral("項目 %1=").arg(int(QTextFormat::FontWeight), 0, 16);
        QVERIFY(std::any_of(look.begin(), look.end(), [&](const QString &run) { return run.startsWith(boldRun); }));
        QApplication::clipboard()->setText(QStringLiteral("abc"));
        const auto act = [&] {
            edit.setSelStart(caret);
            editor.view()->setFocus();
            editor.view()->showModelCaret();
            if (action == 1)
                press(Qt::Key_Return);
            else if (action == 4)
                press(Qt::Key_F2);
            if (action <= 1 || action == 4)
                typeKeys(QStringLiteral("abc"));
            else
                press(action == 2 ? Qt::Key_V : Qt::Key_T, Qt::ControlModifier);
        };
        act();
        const QString typedIn = edit.text();
        const int at = int(typedIn.indexOf(QStringLiteral("abc"), caret));
        QVERIFY2(at >= caret, qPrintable(typedIn.mid(caret)));
        QVERIFY(!QTextCursor(edit.document()->findBlock(at)).currentTable());
        QCOMPARE(tableLook(edit.document()), look);
        if (atEnd && action <= 1) {
            // In the body look, as any text typed at the page's end.
            const UsrFmt &body = Frmt::st().usrFmt[3];
            edit.select(at, 3);
            QCOMPARE(qRound(edit.fontSize()), body.fontSize);
            QCOMPARE(edit.fontName(), body.fontName);
            QCOMPARE(edit.bold(), body.bold != 0);
        }
        editor.view()->setFocus();
        for (int i = 0; i < undos; ++i)
            controlKey(Qt::Key_Z);
        QCOMPARE(edit.text(), before);
        QCOMPARE(tableLook(edit.document()), look);
        QCOMPARE(FormatRuns::describe(edit.document()), runs);
        // Saved and read back.
        act();
        QCOMPARE(edit.text(), typedIn);
        QVERIFY(window.keys().keyPress(8, Qt::NoModifier));
        QVERIFY(!editor.bDcEdt());
        QVERIFY(window.LoadPage(QStringLiteral("1001"), QString(), 0, false));
        QVERIFY(window.LoadPage(QStringLiteral("1002"), QString(), 0, false));
        QCOMPARE(edit.text(), typedIn);
        QCOMPARE(tableLook(edit.document()), look);
        QVERIFY(prompt.messages.isEmpty());
        zSvr::instance().D_Close();
    }

    // The link dialog of ﾊｲﾊﾟｰﾘﾝｸ (Ctrl+F6 or the menu) closed by Enter: the window is active again,
    // so that its keys (F8) work, with the keyboard in the page after the link. Without a window
    // manager no window was active after the dialog: the text went in, F8 did nothing.
    void windowActiveAfterTheLinkDialog_data()
    {
        QTest::addColumn<bool>("byMenu");
        QTest::newRow("Ctrl+F6") << false;
        QTest::newRow("Alt+I L") << true;
    }

    void windowActiveAfterTheLinkDialog()
    {
        QFETCH(bool, byMenu);
        TestHome home;
        ScriptedPrompt prompt;
        fmDoc window;
        QVERIFY(openAtEnd(window));
        RichTextEdit &edit = window.editor().edit();
        const QString before = edit.text();
        bool answered = false;
        std::function<void(int)> answer = [&](int tries) {
            auto *dialog = qobject_cast<sbTxmDialog *>(QApplication::activeModalWidget());
            auto *page = dialog ? qobject_cast<TxmLinkPage *>(dialog->page(QStringLiteral("LK"))) : nullptr;
            if (!page || !QApplication::focusWidget() || !dialog->isAncestorOf(QApplication::focusWidget())) {
                if (tries > 0)
                    QTimer::singleShot(20, this, [&answer, tries] { answer(tries - 1); });
                return;
            }
            page->txTarget->setText(QStringLiteral("https://example.org/"));
            page->txCaption->setText(QStringLiteral("Site"));
            answered = true;
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            if (dialog->isVisible())
                dialog->reject();
        };
        QTimer::singleShot(20, this, [&answer] { answer(100); });
        if (byMenu) {
            QTest::keyClick(&window, Qt::Key_I, Qt::AltModifier);
            QTRY_VERIFY(QApplication::activePopupWidget());
            QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_L);
        } else {
            QTest::keyClick(&window, Qt::Key_F6, Qt::ControlModifier);
        }
        QTRY_VERIFY(answered);
        QTRY_VERIFY(!QApplication::activeModalWidget());
        QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget *>(&window));
        QTRY_VERIFY(inEditor(window));
        typeAtFocus(QStringLiteral("xyz"));
        QCOMPARE(edit.text(), before + QStringLiteral("Sitexyz"));
        QVERIFY(prompt.messages.isEmpty());
        zSvr::instance().D_Close();
    }

    // The style box follows the caret after every key and command: plain text typed right after a
    // field is body text at once (the box said "Field" until an arrow key), and a replacement that
    // leaves the caret in body text names body text, not the heading the caret was in before.
    void styleBoxFollowsEveryKeyAndCommand_data()
    {
        QTest::addColumn<int>("command"); // the field's menu command: 11 link, 12 tag, 14 tooltip; 23 replace
        QTest::addColumn<int>("button");  // replace: 0 one (and find the next), 1 all
        QTest::newRow("link") << 11 << 0;
        QTest::newRow("tag") << 12 << 0;
        QTest::newRow("tooltip") << 14 << 0;
        QTest::newRow("replace all") << 23 << 1;
        QTest::newRow("replace, find next") << 23 << 0;
    }

    void styleBoxFollowsEveryKeyAndCommand()
    {
        QFETCH(int, command);
        QFETCH(int, button);
        TestHome home;
        ScriptedPrompt prompt;
        AnsweringServices services;
        fmDoc window(nullptr, &services);
        QVERIFY(openAtEnd(window));
        uTxm &editor = window.editor();
        RichTextEdit &edit = editor.edit();
        const QLabel *box = editor.statusPanel();
        const auto menuItem = [&](const QString &caption) {
            QAction *found = nullptr;
            for (QAction *a : window.findChildren<QAction *>()) {
                if (a->text() == caption)
                    found = a;
            }
            return found;
        };
        if (command == 23) {
            // The caret in the page heading; the replacement lies in the body text below it.
            press(Qt::Key_Home, Qt::ControlModifier);
            QCOMPARE(box->text(), QStringLiteral("見出１(頁見出)"));
            const QString body = edit.text().section(QChar(10), 1);
            QVERIFY(body.contains(QStringLiteral("説明")));
            bool ran = false;
            QTimer::singleShot(0, this, [&] {
                auto *p = qobject_cast<TxmFindPage *>(sbTxmDialog::of(editor).page(QStringLiteral("FD")));
                if (p) {
                    p->cbFnd[1]->setEditText(QStringLiteral("説明"));
                    p->cbFnd[3]->setEditText(QStringLiteral("解説"));
                    if (button == 0)
                        p->replace(2); // find the first
                    p->replace(button);
                    ran = true;
                }
                sbTxmDialog::of(editor).reject();
            });
            QAction *replace = menuItem(QStringLiteral("置換(&R)"));
            QVERIFY(replace);
            window.refreshMenus();
            replace->trigger();
            QVERIFY(ran);
            QVERIFY(edit.text().contains(QStringLiteral("解説")));
            QVERIFY(edit.selStart() > int(edit.text().section(QChar(10), 0, 0).size()));
            QCOMPARE(box->text(), QStringLiteral("本文"));
        } else {
            press(Qt::Key_Return);
            typeKeys(QStringLiteral("見て"));
            if (command == 11) {
                press(Qt::Key_F6, Qt::ControlModifier);
            } else if (command == 12) {
                press(Qt::Key_F7, Qt::ControlModifier);
            } else {
                QAction *tip = menuItem(QStringLiteral("ﾂｰﾙﾁｯﾌﾟ(&T)"));
                QVERIFY(tip);
                window.refreshMenus();
                tip->trigger();
            }
            QVERIFY(edit.fieldAt(edit.selStart() - 1) > 0);
            for (QChar c : QStringLiteral(" と書く")) {
                typeKeys(QString(c));
                QCOMPARE(box->text(), QStringLiteral("本文"));
            }
            // Taken back to the field's end, the caret is at the field again.
            for (int i = 0; i < 4; ++i)
                press(Qt::Key_Backspace);
            QVERIFY(edit.fieldAt(edit.selStart() - 1) > 0);
            QCOMPARE(box->text(), QStringLiteral("Field"));
        }
        QVERIFY(prompt.messages.isEmpty());
        zSvr::instance().D_Close();
    }

    // Text typed right after a link, tag or tooltip field, and the line after Shift+Enter, is ordinary
    // text of its paragraph: in its look, in the style box, in the HTML for the converter and in Word.
    void textAfterAFieldIsOrdinary_data()
    {
        QTest::addColumn<QString>("lead");   // typed before the field
        QTest::addColumn<int>("command");    // the field's menu command: 11 link, 12 tag, 14 tooltip
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("after");  // typed right after the field
        QTest::addColumn<bool>("back");      // the caret taken away (Left) and back (Right) first
        const QString link = QStringLiteral("公式サイト");
        QTest::newRow("link") << QString() << 11 << link << QStringLiteral(" と") << false;
        QTest::newRow("link, caret back") << QStringLiteral("見て") << 11 << link << QStringLiteral(" と") << true;
        QTest::newRow("tag") << QStringLiteral("参照：") << 12 << QStringLiteral("基本操作") << QStringLiteral("。") << false;
        QTest::newRow("tooltip") << QStringLiteral("例：") << 14 << QStringLiteral("用語") << QStringLiteral("です") << false;
    }

    void textAfterAFieldIsOrdinary()
    {
        QFETCH(QString, lead);
        QFETCH(int, command);
        QFETCH(QString, caption);
        QFETCH(QString, after);
        QFETCH(bool, back);
        TestHome home;
        ScriptedPrompt prompt;
        AnsweringServices services;
        fmDoc window(nullptr, &services);
        QVERIFY(openAtEnd(window));
        uTxm &editor = window.editor();
        RichTextEdit &edit = editor.edit();
        press(Qt::Key_Return);
        typeKeys(lead);
        const int fieldStart = edit.selStart();
        if (command == 11) {
            press(Qt::Key_F6, Qt::ControlModifier);
        } else if (command == 12) {
            press(Qt::Key_F7, Qt::ControlModifier);
        } else {
            QAction *tip = nullptr;
            for (QAction *a : window.findChildren<QAction *>()) {
                if (a->text() == QStringLiteral("ﾂｰﾙﾁｯﾌﾟ(&T)"))
                    tip = a;
            }
            QVERIFY(tip);
            window.refreshMenus();
            tip->trigger();
        }
        QCOMPARE(edit.text().mid(fieldStart), caption);
        QVERIFY(edit.fieldAt(fieldStart) > 0);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(editor.view()));
        if (back) {
            press(Qt::Key_Left);
            press(Qt::Key_Right);
        }
        typeKeys(after + ShiftEnter + QStringLiteral("x"));
        const int typedAt = fieldStart + int(caption.size());
        QCOMPARE(edit.text().mid(fieldStart), caption + after + QChar(10) + QStringLiteral("x"));
        const QString box = editor.statusPanel()->text();
        const UsrFmt &body = Frmt::st().usrFmt[3];
        for (int at = typedAt; at < edit.textLength(); ++at) {
            if (edit.charAt(at) == QChar(10))
                continue;
            edit.select(at, 1);
            QVERIFY2(!edit.underline(), qPrintable(QStringLiteral("underlined at %1").arg(at)));
            QCOMPARE(edit.foreColor(), body.textColor);
            QCOMPARE(edit.fieldAt(at), 0);
        }
        QCOMPARE(box, QStringLiteral("本文"));
        // The HTML for the converter: the typed text stands outside the field's anchor, in the look of
        // the paragraph's text.
        HtmlExport::Options options;
        const QString html = HtmlExport::text(editor.page(), QDir::temp().filePath(QStringLiteral("h60b-field.htm")), options);
        const int anchorEnd = int(html.indexOf(QStringLiteral("</a>"), html.indexOf(caption)));
        QVERIFY(anchorEnd > 0);
        const QString rest = html.mid(anchorEnd + 4, html.indexOf(QStringLiteral("</p>"), anchorEnd) - anchorEnd - 4);
        QVERIFY2(!rest.contains(QStringLiteral("underline")), qPrintable(rest));
        for (const char *fieldColour : {"#8080FF", "#008080", "#804040"})
            QVERIFY2(!rest.contains(QLatin1String(fieldColour)), qPrintable(rest));
        // Word: the run of the typed text is not underlined.
        ZipPackage docx;
        QVERIFY(docx.open(DocxWriter::pageBytes(editor.page())));
        QByteArray xmlBytes;
        QVERIFY(docx.read(QStringLiteral("word/document.xml"), xmlBytes));
        const QString xml = QString::fromUtf8(xmlBytes);
        const int typedText = int(xml.indexOf(after.trimmed()));
        QVERIFY(typedText > 0);
        const int run = int(xml.lastIndexOf(QStringLiteral("<w:r>"), typedText));
        const int runAttr = int(xml.lastIndexOf(QStringLiteral("<w:r "), typedText));
        const QString runXml = xml.mid(qMax(run, runAttr), typedText - qMax(run, runAttr));
        QVERIFY2(!runXml.contains(QStringLiteral("<w:u ")) && !runXml.contains(QStringLiteral("<w:u/>")), qPrintable(runXml));
        QVERIFY(prompt.messages.isEmpty());
        zSvr::instance().D_Close();
    }
};

QTEST_MAIN(TestTyping)
#include "tst_typing.moc"

#include "core/yIni.h"
#include "editor/TxmFindPage.h"
#include "editor/sbTxmDialog.h"
#include "editor/uTxm.h"
#include "platform/richtext/LineBlocks.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/RichTextEdit.h"
#include "platform/richview/FontDialog.h"
#include "platform/richview/RichView.h"
#include "support/EditorTestEnv.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QToolBar>
#include <QAction>
#include <QTextBlock>
#include <QtTest>

#include <memory>

// Find and replace on the open page, with the search history and undo.
class TestFindReplace : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestHome> m_home;
    std::unique_ptr<uTxm> m_editor;

    RichTextEdit &edit() { return m_editor->edit(); }

    // Where a long paragraph of the text, held in pieces, has its first piece parted at a space or
    // a letter.
    static int firstPieceEnd(const QString &text)
    {
        PageDocument page;
        RichTextEdit edit(&page);
        edit.setText(text);
        for (QTextBlock block = page.main()->begin(); block.isValid(); block = block.next()) {
            if (LineBlocks::continues(block))
                return block.position() - 1;
        }
        return -1;
    }

    TxmFindPage *open(const QString &mode)
    {
        sbTxmDialog &dialog = sbTxmDialog::of(*m_editor);
        if (!dialog.prepare(mode, QString()))
            return nullptr;
        return qobject_cast<TxmFindPage *>(dialog.page(QStringLiteral("FD")));
    }

private slots:
    void init()
    {
        m_home = std::make_unique<TestHome>();
        QVERIFY(resetEditorState(*m_home));
        m_editor = std::make_unique<uTxm>();
        m_editor->view()->setDialogRunner([](QDialog &) { return false; });
        m_editor->cOn(0, 2);
    }

    void cleanup()
    {
        m_editor.reset();
        yIni::release();
        m_home.reset();
    }

    void openingTakesTheSelection()
    {
        m_editor->SetText(QStringLiteral("xx abc yy"));
        edit().select(3, 3);
        TxmFindPage *p = open(QStringLiteral("RP"));
        QVERIFY(p);
        QCOMPARE(p->currentTab(), 1);
        for (int k = 0; k < 3; ++k)
            QCOMPARE(p->cbFnd[k]->currentText(), QStringLiteral("abc"));
        p = open(QStringLiteral("FD"));
        QCOMPARE(p->currentTab(), 0);
    }

    void findFromTopBackwardsAndCase()
    {
        m_editor->SetText(QStringLiteral("abc one ABC two abc"));
        TxmFindPage *p = open(QStringLiteral("FD"));
        edit().select(edit().textLength(), 0);
        p->cbFnd[0]->setEditText(QStringLiteral("ABC"));
        p->find(0);
        QCOMPARE(edit().selStart(), 0); // from the top, whatever the caret; case not matched
        p->find(2);
        QCOMPARE(edit().selStart(), 8);
        p->chMatch[0]->setChecked(true);
        p->find(2);
        QCOMPARE(p->lastPosition(), -1); // no wrap, no message
        edit().select(edit().textLength(), 0);
        p->chMatch[0]->setChecked(false);
        p->find(1);
        QCOMPARE(edit().selStart(), 16);
        // History: once per text, compared without case, newest first.
        p->cbFnd[0]->setEditText(QStringLiteral("abc"));
        p->find(2);
        p->cbFnd[0]->setEditText(QStringLiteral("one"));
        p->find(2);
        QCOMPARE(p->cbFnd[0]->count(), 2);
        QCOMPARE(p->cbFnd[0]->itemText(0), QStringLiteral("one"));
        QCOMPARE(p->cbFnd[0]->itemText(1), QStringLiteral("ABC"));
    }

    // The history never changes what the user typed: "abc" typed while "Abc" is in the list stays
    // "abc" when the box loses the focus, and a search with case matched replaces only "abc".
    void typedTextKeepsItsCase()
    {
        m_editor->SetText(QStringLiteral("Abc abc"));
        TxmFindPage *p = open(QStringLiteral("RP"));
        p->cbFnd[1]->setEditText(QStringLiteral("Abc"));
        p->cbFnd[3]->setEditText(QStringLiteral("Abc"));
        p->replace(2);
        QCOMPARE(p->cbFnd[1]->itemText(0), QStringLiteral("Abc"));
        QWidget *window = p->window();
        window->show();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
        QLineEdit *typed = p->cbFnd[1]->lineEdit();
        typed->setFocus();
        typed->selectAll();
        QTest::keyClicks(typed, QStringLiteral("abc"));
        p->cbFnd[3]->setFocus();
        QCOMPARE(p->cbFnd[1]->currentText(), QStringLiteral("abc"));
        p->cbFnd[3]->setEditText(QStringLiteral("xyz"));
        p->chMatch[1]->setChecked(true);
        p->replace(1);
        QCOMPARE(edit().text(), QStringLiteral("Abc xyz"));
        window->hide();
    }

    void replaceOneThenNext()
    {
        m_editor->SetText(QStringLiteral("cat dog cat"));
        edit().select(0, 3);
        TxmFindPage *p = open(QStringLiteral("RP"));
        p->cbFnd[3]->setEditText(QStringLiteral("cow"));
        p->replace(0);
        QCOMPARE(edit().text(), QStringLiteral("cow dog cat"));
        QCOMPARE(edit().selStart(), 8);
        QVERIFY(p->ssUndo[0]->isEnabled());
        // The selection no longer matches the last find: only search on.
        edit().select(4, 3);
        p->replace(0);
        QCOMPARE(edit().text(), QStringLiteral("cow dog cat"));
        p->undo();
        QCOMPARE(edit().text(), QStringLiteral("cat dog cat"));
    }

    void replaceAll_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("search");
        QTest::addColumn<QString>("replacement");
        QTest::addColumn<QString>("result");
        QTest::addColumn<QString>("undone"); // after one undo
        QTest::newRow("before the caret too") << QStringLiteral("a b a b a") << QStringLiteral("a")
                                              << QStringLiteral("x") << QStringLiteral("x b x b x")
                                              << QStringLiteral("x b x b a");
        QTest::newRow("grows into itself") << QStringLiteral("a-a") << QStringLiteral("a") << QStringLiteral("aa")
                                           << QStringLiteral("aa-aa") << QStringLiteral("aa-a");
        QTest::newRow("empty search") << QStringLiteral("abc") << QString() << QStringLiteral("z")
                                      << QStringLiteral("abc") << QStringLiteral("abc");
        QTest::newRow("quotes and ?") << QStringLiteral("it's ok?") << QStringLiteral("'s")
                                      << QStringLiteral("?'") << QStringLiteral("it?' ok?")
                                      << QStringLiteral("it's ok?");
        // Long paragraphs held in pieces parted at a space or a letter: a match across two pieces.
        QStringList words, sentences;
        for (int i = 0; i < 4000; ++i) {
            words << QStringLiteral("w%1").arg(i, 5, 10, QLatin1Char('0'));
            sentences << QStringLiteral("文の%1番目。").arg(i);
        }
        for (const QString &text : {words.join(u' '), sentences.join(QString())}) {
            const QString search = text.mid(firstPieceEnd(text) - 6, 13);
            const QString replaced = QString(text).replace(search, QStringLiteral("○"));
            QTest::newRow(text.startsWith(u'w') ? "across a space a long paragraph is parted at"
                                                : "across a letter a long paragraph is parted at")
                << text << search << QStringLiteral("○") << replaced << text;
        }
    }

    void replaceAll()
    {
        QFETCH(QString, text);
        QFETCH(QString, search);
        QFETCH(QString, replacement);
        QFETCH(QString, result);
        QFETCH(QString, undone);
        m_editor->SetText(text);
        edit().select(edit().textLength(), 0);
        TxmFindPage *p = open(QStringLiteral("RP"));
        p->cbFnd[1]->setEditText(search);
        p->cbFnd[3]->setEditText(replacement);
        p->replace(1);
        QCOMPARE(edit().text(), result);
        if (result != text) {
            // Undo takes back one replacement, the last.
            p->undo();
            QCOMPARE(edit().text(), undone);
        }
    }

    // A replacement marks the page as edited while the dialog is still open (saving is offered at
    // once); a search that replaces nothing leaves it as it was.
    void replacingMarksThePageWhileTheDialogIsOpen_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("search");
        QTest::addColumn<bool>("marked");
        QTest::newRow("replace all") << 1 << QStringLiteral("a") << true;
        QTest::newRow("replace all with format") << 4 << QStringLiteral("a") << true;
        QTest::newRow("replace one") << 0 << QStringLiteral("a") << true;
        QTest::newRow("nothing found") << 1 << QStringLiteral("q") << false;
    }
    void replacingMarksThePageWhileTheDialogIsOpen()
    {
        QFETCH(int, button);
        QFETCH(QString, search);
        QFETCH(bool, marked);
        m_editor->SetText(QStringLiteral("a b a"));
        edit().select(0, 1);
        QVERIFY(!m_editor->bDcEdt());
        bool seen = false, saveOffered = false, ran = false;
        QTimer::singleShot(0, this, [&] {
            auto *p = qobject_cast<TxmFindPage *>(sbTxmDialog::of(*m_editor).page(QStringLiteral("FD")));
            if (p) {
                for (int box : {1, 2})
                    p->cbFnd[box]->setEditText(search);
                p->cbFnd[3]->setEditText(QStringLiteral("x"));
                p->txFndR->setText(QStringLiteral("x"));
                if (button < 3)
                    p->replace(button);
                else
                    p->replaceFormat(button - 3);
                QAction *save = nullptr;
                for (QAction *action : m_editor->toolBar()->actions()) {
                    if (action->objectName() == QLatin1String("Save"))
                        save = action;
                }
                seen = m_editor->bDcEdt();
                saveOffered = save && save->isEnabled();
                ran = true;
            }
            sbTxmDialog::of(*m_editor).reject();
        });
        m_editor->rtAct(23);
        QVERIFY(ran);
        QCOMPARE(seen, marked);
        QCOMPARE(saveOffered, marked);
    }

    // The replacement keeps the replaced text's look, not the look of the field before it.
    void replacementKeepsTheReplacedLook()
    {
        m_editor->SetText(QStringLiteral("x解説です"));
        edit().select(1, 2);
        const int colour = edit().foreColor();
        QVERIFY(!edit().underline());
        edit().select(0, 1);
        QVERIFY(edit().insertField(QStringLiteral("欄")) != 0);
        edit().select(0, 1);
        edit().setUnderline(true);
        edit().setForeColor(0x404080);
        edit().select(3, 0);
        TxmFindPage *p = open(QStringLiteral("RP"));
        p->cbFnd[1]->setEditText(QStringLiteral("解説"));
        p->cbFnd[3]->setEditText(QStringLiteral("説明"));
        p->replace(1);
        QCOMPARE(edit().text(), QStringLiteral("欄説明です"));
        edit().select(1, 2);
        QVERIFY(!edit().underline());
        QCOMPARE(edit().foreColor(), colour);
        QCOMPARE(edit().fieldAt(1), 0);
        QVERIFY(edit().fieldAt(0) != 0);
    }

    // The look of a formatted replacement comes from the editor's font dialog, colours included.
    void replaceFormatTakesColoursFromTheFontDialog()
    {
        m_editor->SetText(QStringLiteral("one two"));
        TxmFindPage *p = open(QStringLiteral("FD"));
        p->selectTab(2);
        bool shown = false;
        m_editor->view()->setDialogRunner([&shown](QDialog &dialog) {
            auto *font = qobject_cast<FontDialog *>(&dialog);
            if (!font)
                return false;
            shown = true;
            FontDialog::Values v = font->values();
            v.foreColor = 0x00FF00;
            v.backColor = 0x00FFFF;
            v.italic = true;
            font->setValues(v);
            return true;
        });
        p->chooseFont();
        QVERIFY(shown);
        p->cbFnd[2]->setEditText(QStringLiteral("two"));
        p->txFndR->setText(QStringLiteral("2"));
        p->replaceFormat(1);
        QCOMPARE(edit().text(), QStringLiteral("one 2"));
        edit().select(4, 1);
        QCOMPARE(edit().foreColor(), 0x00FF00);
        QCOMPARE(edit().backColor(), 0x00FFFF);
        QVERIFY(edit().italic());
    }

    void replaceWithFormat()
    {
        m_editor->SetText(QStringLiteral("one two"));
        TxmFindPage *p = open(QStringLiteral("FD"));
        p->selectTab(2);
        p->cbFnd[2]->setEditText(QStringLiteral("two"));
        p->txFndR->setText(QStringLiteral("三"));
        QFont font(QStringLiteral("Serif"), 14);
        font.setBold(true);
        p->setReplaceLook(font, 0x0000FF, 0xFFFFFF);
        p->replaceFormat(1);
        QCOMPARE(edit().text(), QStringLiteral("one 三"));
        edit().select(4, 1);
        QVERIFY(edit().bold());
        QCOMPARE(edit().foreColor(), 0x0000FF);
        QCOMPARE(edit().fontSize(), 14.0);
        edit().select(0, 3);
        QVERIFY(!edit().bold());
    }

    void conversionButtons()
    {
        TxmFindPage *p = open(QStringLiteral("RP"));
        p->cbFnd[1]->setEditText(QStringLiteral("abc かな"));
        const QStringList expected = {QStringLiteral("ａｂｃ　かな"), QStringLiteral("abc ｶﾅ"), QStringLiteral("ABC かな"),
                                      QStringLiteral("abc かな"), QStringLiteral("Abc かな")};
        for (int i = 0; i < 5; ++i) {
            p->convert(i);
            QCOMPARE(p->cbFnd[3]->currentText(), expected[i]);
        }
    }
};

QTEST_MAIN(TestFindReplace)
#include "tst_findreplace.moc"

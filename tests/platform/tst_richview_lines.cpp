// Real keys and the model's edits in a long paragraph held as lines (LineBlocks): every edit gives
// the text that the same edit gives in one paragraph of the position model, the lines stay one
// paragraph in one format, fields keep their line breaks, the page stream keeps the text, and undo
// and redo walk back and forth through the same texts.
#include "platform/richtext/FieldRuns.h"
#include "platform/richtext/LineBlocks.h"
#include "platform/richtext/PageCodec.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/PositionText.h"
#include "platform/richtext/RichTextEdit.h"
#include "platform/richtext/TextProps.h"
#include "platform/richview/PageClipboard.h"
#include "platform/richview/PageTextItem.h"
#include "platform/richview/RichView.h"

#include "support/LayoutCheck.h"
#include "support/LayoutCompare.h"
#include "support/SamplePage.h"
#include "support/TestImages.h"

#include <QClipboard>
#include <QMimeData>
#include <QScrollBar>
#include <QRandomGenerator>
#include <QTextBlock>
#include <QTextList>
#include <QTextDocument>
#include <QtTest>

#include <memory>

namespace {

using LayoutCompare::heldWrongly;

// The fields of the page as ranges, in the page and in the copy that writers read: the same. Stored
// and read back, each character keeps the field data it had (a field split by text put into it
// comes back as two fields, so the ids may differ).
QString fieldsWrongly(PageDocument &page)
{
    const auto ranges = [](const QTextDocument *doc) {
        QStringList list;
        for (const FieldRuns::Range &r : FieldRuns::all(doc))
            list << QStringLiteral("%1:%2-%3").arg(r.id).arg(r.start).arg(r.end);
        return list.join(u' ');
    };
    const auto data = [](const QTextDocument *doc) {
        QStringList list;
        for (int i = 0; i < PositionText::length(doc); ++i)
            list << PositionText::formatAt(doc, i).stringProperty(TextProps::FieldData);
        return list;
    };
    const QString held = ranges(page.main());
    const LineBlocks::Joined joined(page.main());
    if (ranges(joined.document()) != held)
        return QStringLiteral("fields %1 read as %2 in one block each").arg(held, ranges(joined.document()));
    PageDocument stored;
    if (!PageCodec::load(stored, PageCodec::save(page)) || data(stored.main()) != data(page.main()))
        return QStringLiteral("field data changed when stored");
    return QString();
}

// The first separator at or after a position that stands for a line break or a parted space.
int heldBreakAfter(QTextDocument *doc, int position)
{
    for (QTextBlock block = doc->findBlock(position).next(); block.isValid(); block = block.next()) {
        if (LineBlocks::continues(block))
            return block.position() - 1;
    }
    return -1;
}

struct Step {
    QString name;
    QString text; // after the step
};

// A page in a view, shown and with the keyboard, for keys sent as the user presses them.
struct KeyedPage {
    PageDocument page;
    RichTextEdit edit{&page};
    RichView view{&edit};

    int changes = 0;

    explicit KeyedPage(const QString &text)
    {
        edit.setText(text);
        // As the editor does: a change marks the page and sets the buttons by the selection.
        QObject::connect(&view, &RichView::changed, &view, [this] {
            ++changes;
            view.canCopy();
        });
        view.resize(900, 700);
        view.show();
        view.activateWindow();
        view.setFocus();
    }
    void select(int anchor, int position)
    {
        QTextCursor cursor = edit.cursor();
        cursor.setPosition(anchor);
        cursor.setPosition(position, QTextCursor::KeepAnchor);
        edit.setCursor(cursor);
        view.verticalScrollBar()->setValue(0);
        view.showModelCaret();
    }
};

} // namespace

class TestRichViewLines : public QObject
{
    Q_OBJECT
    std::unique_ptr<KeyedPage> m_held, m_whole;

    static QString navigationText()
    {
        return QStringLiteral("見出し\n") + SamplePage::pastedLines(150) + QStringLiteral("\n終わり");
    }

private slots:
    // Enter on an empty paragraph begins another one, in the same format; Qt's own Enter would only
    // reset the empty paragraph to Qt's default format the first time.
    void enterOnAnEmptyParagraph()
    {
        PageDocument page;
        RichTextEdit edit(&page);
        RichView view(&edit);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        edit.setText(QStringLiteral("first\n\nlast"));
        edit.select(6, 0);
        edit.setAlignment(2);
        edit.setSpaceAfter(120);
        view.showModelCaret();
        view.setFocus();
        QTest::keyClick(view.viewport(), Qt::Key_Return);
        QCOMPARE(edit.text(), QStringLiteral("first\n\n\nlast"));
        QCOMPARE(edit.selStart(), 7);
        for (int at : {6, 7}) {
            edit.select(at, 0);
            QCOMPARE(edit.alignment(), 2);
            QCOMPARE(edit.spaceAfter(), 120);
        }
    }

    // Keys that move the caret or the selection leave the text alone: in a paragraph held as lines
    // they move and collapse the selection as in one block, and the page stays unmodified.
    void navigationKeysMoveTheSelection_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("anchor");
        QTest::addColumn<int>("position");
        const QString text = navigationText();
        const QList<int> breaks = [&] {
            QList<int> list;
            for (int i = text.indexOf(QChar(11)); i >= 0; i = text.indexOf(QChar(11), i + 1))
                list << i;
            return list;
        }();
        const int first = text.indexOf(QChar(10)) + 1; // the held paragraph's start
        const int last = text.lastIndexOf(QChar(10));  // and its end
        const struct {
            const char *name;
            int anchor, position;
        } selections[] = {
            {"inside a line", breaks.at(100) + 4, breaks.at(100) + 12},
            {"across lines", breaks.at(40) + 5, breaks.at(60) + 7},
            {"across lines backwards", breaks.at(60) + 7, breaks.at(40) + 5},
            {"a whole line", breaks.at(70) + 1, breaks.at(71)},
            {"over a line break", breaks.at(80) - 2, breaks.at(80) + 2},
            {"up to a line break", breaks.at(90) - 3, breaks.at(90)},
            {"from a line's start", breaks.at(90) + 1, breaks.at(90) + 6},
            {"the held paragraph", first, last},
            {"into the paragraphs around", first - 2, last + 2},
            {"everything", 0, int(text.size())},
        };
        const struct {
            const char *name;
            Qt::Key key;
            Qt::KeyboardModifiers modifiers;
        } keys[] = {
            {"Left", Qt::Key_Left, {}},         {"Right", Qt::Key_Right, {}},
            {"Up", Qt::Key_Up, {}},             {"Down", Qt::Key_Down, {}},
            {"Home", Qt::Key_Home, {}},         {"End", Qt::Key_End, {}},
            {"Ctrl+Home", Qt::Key_Home, Qt::ControlModifier},
            {"Ctrl+End", Qt::Key_End, Qt::ControlModifier},
            {"Ctrl+Left", Qt::Key_Left, Qt::ControlModifier},
            {"Ctrl+Right", Qt::Key_Right, Qt::ControlModifier},
            {"PageUp", Qt::Key_PageUp, {}},     {"PageDown", Qt::Key_PageDown, {}},
        };
        for (const auto &selection : selections) {
            for (const auto &key : keys) {
                for (bool shift : {false, true}) {
                    const Qt::KeyboardModifiers modifiers = key.modifiers | (shift ? Qt::ShiftModifier : Qt::NoModifier);
                    QTest::addRow("%s%s, %s", shift ? "Shift+" : "", key.name, selection.name)
                        << int(key.key) << int(modifiers) << selection.anchor << selection.position;
                }
            }
        }
    }

    void navigationKeysMoveTheSelection()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(int, anchor);
        QFETCH(int, position);
        // The same text as lines, and in one block as a shorter paragraph is held.
        if (!m_held) {
            m_held = std::make_unique<KeyedPage>(navigationText());
            m_whole = std::make_unique<KeyedPage>(navigationText());
            LineBlocks::join(m_whole->page.main(), 0, m_whole->edit.textLength());
        }
        KeyedPage &held = *m_held;
        KeyedPage &whole = *m_whole;
        QVERIFY(held.page.main()->blockCount() > 100);
        QCOMPARE(whole.page.main()->blockCount(), 3);
        QVERIFY(QTest::qWaitForWindowExposed(&held.view));
        QVERIFY(QTest::qWaitForWindowExposed(&whole.view));
        for (KeyedPage *page : {&held, &whole}) {
            page->page.main()->setModified(false);
            page->select(anchor, position);
        }
        const QByteArray bytes = PageCodec::save(held.page);
        const int steps = held.edit.undoSteps();
        held.changes = 0;
        for (KeyedPage *page : {&whole, &held}) {
            page->view.setFocus();
            QTest::keyClick(page->view.viewport(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        }
        QCOMPARE(held.edit.cursor().position(), whole.edit.cursor().position());
        QCOMPARE(held.edit.cursor().anchor(), whole.edit.cursor().anchor());
        QVERIFY2(PageCodec::save(held.page) == bytes, "the page changed");
        QVERIFY(!held.page.main()->isModified());
        QCOMPARE(held.changes, 0);
        QCOMPARE(held.edit.undoSteps(), steps);
    }

    // Ctrl+A, Ctrl+End and a letter: the letter goes at the end, the page keeps its text.
    void typingAfterTheEndOfASelectAll()
    {
        KeyedPage held(navigationText());
        QVERIFY(QTest::qWaitForWindowExposed(&held.view));
        held.select(0, 0);
        QWidget *keys = held.view.viewport();
        QTest::keyClick(keys, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(held.edit.selLength(), held.edit.textLength());
        QTest::keyClick(keys, Qt::Key_End, Qt::ControlModifier);
        QTest::keyClicks(keys, QStringLiteral("x"));
        QCOMPARE(held.edit.text(), navigationText() + QStringLiteral("x"));
    }

    // Undoing a long paste brings the text above the caret back into sight: the view is not left
    // below the end of the text, where the paste ended.
    void undoOfALongPasteShowsTheTextAgain_data()
    {
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<bool>("key");
        const QString lines = SamplePage::pastedLines(30000);
        QTest::newRow("lines") << lines << false;
        QTest::newRow("no line breaks") << QString(lines).replace(QChar(11), QLatin1Char(' ')) << false;
        QTest::newRow("lines, Ctrl+Z") << lines << true;
    }

    void undoOfALongPasteShowsTheTextAgain()
    {
        QFETCH(QString, pasted);
        QFETCH(bool, key);
        const QString before = QStringList(60, QStringLiteral("前の段落")).join(QChar(10)) + QChar(10);
        KeyedPage page(before);
        QVERIFY(QTest::qWaitForWindowExposed(&page.view));
        page.select(before.size(), before.size());
        page.edit.setSelectedText(pasted);
        page.view.showModelCaret();
        QApplication::processEvents();
        // Where the paste ends, as the view shows it.
        QScrollBar *bar = page.view.verticalScrollBar();
        bar->setValue(bar->maximum());
        QApplication::processEvents();
        if (key) {
            page.view.setFocus();
            QTest::keyClick(page.view.viewport(), Qt::Key_Z, Qt::ControlModifier);
        } else {
            QVERIFY(page.view.undo());
        }
        QApplication::processEvents();
        QCOMPARE(page.edit.text(), before);
        const QRect caret = page.view.mapFromScene(page.view.mainItem()->mapRectToScene(page.view.mainItem()->caretRect())).boundingRect();
        QVERIFY2(page.view.viewport()->rect().contains(caret), "the caret out of sight");
        // The caret at the end of the text stands at the bottom of the view, the text above it.
        QVERIFY2(caret.bottom() > page.view.viewport()->height() - 40,
                 qPrintable(QStringLiteral("the caret at %1 of %2").arg(caret.bottom()).arg(page.view.viewport()->height())));
    }

    // Enter where a held paragraph is parted (before its line break, or the space or letter it is
    // parted at), the selection moved over the new paragraph end, Ctrl+Z: the text is back as it was,
    // and Ctrl+Shift+Z brings the paragraph end again.
    void undoOfEnterAtAPartRestoresTheText_data()
    {
        QTest::addColumn<QString>("text");
        const QString lines = SamplePage::pastedLines(200);
        QTest::newRow("line break") << lines;
        QTest::newRow("parted space") << QString(SamplePage::pastedLines(800)).replace(QChar(11), QLatin1Char(' '));
        QTest::newRow("parted letter") << QStringLiteral("日本語の文章には空白がない。").repeated(2000);
        QTest::newRow("long word") << QStringLiteral("abcdefghijklmnopqrstuvwxyz").repeated(1000);
    }

    void undoOfEnterAtAPartRestoresTheText()
    {
        QFETCH(QString, text);
        text = QStringLiteral("見出し\n") + text + QStringLiteral("\n終わり");
        KeyedPage page(text);
        QVERIFY(QTest::qWaitForWindowExposed(&page.view));
        int at = -1;
        for (QTextBlock block = page.page.main()->begin(); block.isValid() && at < 0; block = block.next()) {
            if (LineBlocks::continues(block) && block.blockNumber() > 3)
                at = block.position() - 1;
        }
        QVERIFY(at > 0);
        page.select(at, at);
        QWidget *keys = page.view.viewport();
        QTest::keyClick(keys, Qt::Key_Return);
        const QString entered = page.edit.text();
        QCOMPARE(entered, QString(text).insert(at, QChar(10)));
        QTest::keyClick(keys, Qt::Key_Right, Qt::ShiftModifier);
        QTest::keyClick(keys, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(page.edit.text(), text);
        QVERIFY(heldWrongly(page.page.main()).isEmpty());
        QTest::keyClick(keys, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(page.edit.text(), entered);
    }

    // After an undo the caret stands where it stood in the same paragraph held in one block: where the
    // undone step was, not at the top of the page.
    void undoPutsTheCaretWhereTheStepWas_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("selected"); // characters selected before the key
        QTest::newRow("Backspace") << int(Qt::Key_Backspace) << 0 << 0;
        QTest::newRow("Delete") << int(Qt::Key_Delete) << 0 << 0;
        QTest::newRow("Ctrl+Backspace") << int(Qt::Key_Backspace) << int(Qt::ControlModifier) << 0;
        QTest::newRow("Delete of a selection") << int(Qt::Key_Delete) << 0 << 50;
        QTest::newRow("Enter") << int(Qt::Key_Return) << 0 << 0;
        QTest::newRow("Enter over a selection") << int(Qt::Key_Return) << 0 << 50;
    }

    // ... and redo where the step left it.
    void undoPutsTheCaretWhereTheStepWas()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(int, selected);
        KeyedPage held(SamplePage::pastedLines(80));
        KeyedPage whole(SamplePage::pastedLines(80));
        LineBlocks::join(whole.page.main(), 0, whole.edit.textLength());
        QVERIFY(held.page.main()->blockCount() > 50);
        QCOMPARE(whole.page.main()->blockCount(), 1);
        QVERIFY(QTest::qWaitForWindowExposed(&held.view));
        for (KeyedPage *page : {&whole, &held}) {
            page->select(100, 100);
            page->view.setFocus();
            QWidget *keys = page->view.viewport();
            QTest::keyClicks(keys, QStringLiteral("abc"));
            if (selected)
                page->select(103, 103 + selected);
            QTest::keyClick(keys, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
            QTest::keyClick(keys, Qt::Key_Z, Qt::ControlModifier);
        }
        QCOMPARE(held.edit.text(), whole.edit.text());
        QVERIFY(whole.edit.selStart() >= 100);
        QCOMPARE(held.edit.selStart(), whole.edit.selStart());
        for (KeyedPage *page : {&whole, &held})
            QTest::keyClick(page->view.viewport(), Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(held.edit.text(), whole.edit.text());
        QCOMPARE(held.edit.selStart(), whole.edit.selStart());
    }

    // A redo puts the caret where the step left it, in a held paragraph whose blocks the step gave new
    // places in their paragraphs (room above and below, an indent): Qt's own redo puts it where the
    // last of those changes lies.
    void redoPutsTheCaretWhereTheStepLeftIt_data()
    {
        QTest::addColumn<int>("at");
        QTest::addColumn<int>("selected");
        QTest::addColumn<QString>("pasted"); // else Enter
        const int firstBreak = int(QStringLiteral("見出し\n短い段落\n").size() + SamplePage::pastedLines(1).size());
        QTest::newRow("Enter over a line's end") << firstBreak - 5 << 10 << QString();
        QTest::newRow("Enter over two lines") << firstBreak - 5 << 60 << QString();
        QTest::newRow("lines pasted over a line's end") << firstBreak - 5 << 10 << SamplePage::pastedLines(30);
    }

    void redoPutsTheCaretWhereTheStepLeftIt()
    {
        QFETCH(int, at);
        QFETCH(int, selected);
        QFETCH(QString, pasted);
        const QString text = QStringLiteral("見出し\n短い段落\n") + SamplePage::pastedLines(150) + QStringLiteral("\n終わり");
        KeyedPage held(text);
        held.edit.select(int(text.indexOf(QStringLiteral("行 0"))), 10);
        held.edit.setIndentLeft(300);
        held.edit.setSpaceBefore(240);
        held.edit.setSpaceAfter(120);
        QVERIFY(QTest::qWaitForWindowExposed(&held.view));
        QVERIFY(held.page.main()->blockCount() > 100);
        if (!pasted.isEmpty())
            QApplication::clipboard()->setText(QString(pasted).replace(QChar(11), QChar(10)));
        held.select(at, at + selected);
        QWidget *keys = held.view.viewport();
        if (pasted.isEmpty())
            QTest::keyClick(keys, Qt::Key_Return);
        else
            QTest::keyClick(keys, Qt::Key_V, Qt::ControlModifier);
        const QString done = held.edit.text();
        const int caret = held.edit.selStart();
        QTest::keyClick(keys, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(held.edit.text(), text);
        QTest::keyClick(keys, Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(held.edit.text(), done);
        QCOMPARE(held.edit.selStart(), caret);
    }

    // Copied lines of a held paragraph reach other programs as one paragraph with its line breaks.
    void copiedLinesAreOneParagraphForOtherPrograms()
    {
        PageDocument page;
        RichTextEdit edit(&page);
        edit.setText(SamplePage::pastedLines(200));
        QVERIFY(page.main()->blockCount() > 100);
        edit.select(100, 300);
        std::unique_ptr<QMimeData> data(PageClipboard::fromSelection(edit));
        QVERIFY(data);
        QTextDocument html;
        html.setHtml(data->html());
        QCOMPARE(html.blockCount(), 1);
        QCOMPARE(html.toPlainText(), edit.text().mid(100, 300).replace(QChar(11), QLatin1Char('\n')));
        QCOMPARE(data->text(), edit.text().mid(100, 300).replace(QChar(11), QLatin1Char('\n')));
    }

    // Keys on pages with and without paragraphs held as lines leave every block and line where Qt's
    // own layout of the same text puts them, and the text drawn as Qt draws it; the lines of a held
    // paragraph keep telling its format. Keys: a text typed ("'abc"), a key with its modifiers
    // ("Ctrl+End"), or the caret put at a position ("@12") or a selection ("@12-17").
    void keysLeaveTheLayoutQtGives_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("look");
        QTest::addColumn<QStringList>("keys");
        const QString lines = SamplePage::pastedLines(80);
        const QString paragraphs = QStringList(200, QStringLiteral("段落")).join(QChar(10));
        QTest::newRow("a short page, a letter above a paragraph")
            << QString() << QString()
            << QStringList{"Ctrl+A", "'abc", "Return", "'def", "@1", "'x"};
        const QString nearTheEnd = paragraphs + QChar(10) + lines;
        QTest::newRow("held lines near the end of a long page, a line longer, Ctrl+End")
            << nearTheEnd + QStringLiteral("\v短い\v行") << QString()
            << QStringList{QStringLiteral("@%1").arg(nearTheEnd.indexOf(QStringLiteral("行 55 ")) + 10),
                           "'" + QStringLiteral("x").repeated(34), "Ctrl+End"};
        QStringList shortLines;
        for (int i = 0; i < 600; ++i)
            shortLines << QStringLiteral("行%1").arg(i);
        const QString manyShort = QStringLiteral("見出し\n") + shortLines.join(QChar(11)) + QStringLiteral("\n終わり");
        QTest::newRow("short held lines, a line longer far down the page")
            << manyShort << QString()
            << QStringList{QStringLiteral("@%1").arg(manyShort.indexOf(QStringLiteral("行110"))),
                           "'" + QStringLiteral("x").repeated(34)};
        QTest::newRow("Enter and BackSpace at the top of held lines")
            << lines + QStringLiteral("\n終わり") << QString() << QStringList{"@0", "Return", "Backspace"};
        QTest::newRow("Enter and BackSpace at the start of held lines")
            << QStringLiteral("見出し\n") + lines + QStringLiteral("\n終わり") << QString()
            << QStringList{"@4", "Return", "Backspace"};
        QTest::newRow("a short paragraph taken with its end, held lines after it")
            << QStringLiteral("見出し\n短い段落\n") + lines + QStringLiteral("\n終わり") << QString()
            << QStringList{"@4-9", "Delete"};
        QTest::newRow("Ctrl+A, Shift+Up, Enter in held lines")
            << lines + QStringLiteral("\n終わり") << QString() << QStringList{"Ctrl+A", "Shift+Up", "Return"};
        const QString spaced = QStringLiteral("見出し\n") + lines + QChar(10) + paragraphs;
        int sixth = -1;
        for (int i = 0; i < 6; ++i)
            sixth = spaced.indexOf(QChar(11), sixth + 1);
        QTest::newRow("Enter in held lines with space before and after")
            << spaced << QStringLiteral("spaced") << QStringList{QStringLiteral("@%1").arg(sixth), "Return"};
        QTest::newRow("a letter after a table")
            << QStringLiteral("前\n") << QStringLiteral("table") << QStringList{"Ctrl+End", "'x"};
        QTest::newRow("a paragraph of a set line height joined to held lines")
            << QStringLiteral("最初の段落\n") + lines + QStringLiteral("\n終わり") << QStringLiteral("fixed")
            << QStringList{"@5", "Delete"};
    }

    void keysLeaveTheLayoutQtGives()
    {
        QFETCH(QString, text);
        QFETCH(QString, look);
        QFETCH(QStringList, keys);
        KeyedPage p(text);
        QVERIFY(QTest::qWaitForWindowExposed(&p.view));
        if (look == QLatin1String("spaced")) {
            p.edit.select(5, 0);
            p.edit.setSpaceBefore(240);
            p.edit.setSpaceAfter(120);
        } else if (look == QLatin1String("fixed")) {
            p.edit.select(0, p.edit.textLength());
            p.edit.setLineSpacingTwips(290);
            p.edit.setSpaceAfter(75);
        } else if (look == QLatin1String("table")) {
            p.edit.select(p.edit.textLength(), 0);
            QVERIFY(p.edit.insertTable(2, 2) > 0);
        }
        p.select(0, 0);
        QCoreApplication::processEvents();
        // Each key is checked as it leaves the page, before the view reads anything of it.
        QWidget *to = p.view.viewport();
        for (const QString &key : keys) {
            if (key.startsWith(u'\'')) {
                QTest::keyClicks(to, key.mid(1));
            } else if (key.startsWith(u'@')) {
                const QStringList at = key.mid(1).split(u'-');
                p.select(at.first().toInt(), at.last().toInt());
            } else {
                const QKeySequence sequence(key);
                QTest::keyClick(to, Qt::Key(sequence[0].key()), sequence[0].keyboardModifiers());
            }
        }
        QTextDocument *doc = p.page.main();
        const QString wrong = heldWrongly(doc);
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
        const QList<QRectF> after = LayoutCheck::geometry(doc);
        // As tall as the view, so that a strip holds the change and what lies below it.
        const qreal bottom = doc->documentLayout()->documentSize().height();
        const QList<QImage> drawn = LayoutCheck::strips(doc, 700, 61, bottom);
        QCOMPARE(after, LayoutCheck::laidOutAgain(doc));
        const QList<QImage> again = LayoutCheck::strips(doc, 700, 61, bottom);
        for (qsizetype i = 0; i < drawn.size(); ++i)
            QVERIFY2(drawn.at(i) == again.value(i), qPrintable(QStringLiteral("drawn otherwise at y=%1").arg(i * 61)));
    }

    // Ctrl with an arrow, with or without Shift, and Ctrl+BackSpace or Ctrl+Delete, on either side of
    // the breaks a paragraph is held at, end where they would in the paragraph as one block.
    void wordKeysActAsInOneBlock_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QString spaced = SamplePage::pastedLines(800);
        spaced.replace(QChar(11), QLatin1Char(' '));
        const struct {
            const char *name;
            QString text;
        } shapes[] = {
            {"lines", SamplePage::pastedLines(150)},
            {"lines, the last one empty", SamplePage::pastedLines(150) + QChar(11)},
            {"parted at spaces", spaced},
            {"Japanese parted at letters", QStringLiteral("日本語の文章には空白がない。").repeated(3000)},
            {"a word parted at letters", QStringLiteral("abcdefghijklmnopqrstuvwxyz").repeated(1000)},
        };
        const struct {
            const char *name;
            Qt::Key key;
            Qt::KeyboardModifiers modifiers;
        } keys[] = {
            {"Ctrl+Left", Qt::Key_Left, Qt::ControlModifier},
            {"Ctrl+Shift+Right", Qt::Key_Right, Qt::ControlModifier | Qt::ShiftModifier},
            {"Ctrl+BackSpace", Qt::Key_Backspace, Qt::ControlModifier},
            {"Ctrl+Delete", Qt::Key_Delete, Qt::ControlModifier},
        };
        for (const auto &shape : shapes) {
            for (const auto &key : keys) {
                QTest::addRow("%s, %s", shape.name, key.name) << QStringLiteral("見出し\n") + shape.text + QStringLiteral("\n終わり")
                                                               << int(key.key) << int(key.modifiers);
            }
        }
    }

    void wordKeysActAsInOneBlock()
    {
        QFETCH(QString, text);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        KeyedPage held(text);
        QVERIFY(QTest::qWaitForWindowExposed(&held.view));
        QTextDocument *doc = held.page.main();
        QVERIFY(doc->blockCount() > 10);
        const bool edits = key == Qt::Key_Backspace || key == Qt::Key_Delete;
        // Either side of the breaks held at, near the top, in the middle and at the end of the paragraph.
        QList<int> breaks;
        for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
            if (LineBlocks::continues(block))
                breaks << block.position() - 1;
        }
        for (const int at : {breaks.at(1), breaks.at(breaks.size() / 2), breaks.last()}) {
            for (const int from : {at - 1, at, at + 1}) {
                const LineBlocks::Joined joined(doc);
                std::unique_ptr<QTextDocument> one = LineBlocks::copy(joined.document());
                QTextCursor expected(one.get());
                expected.setPosition(from);
                const bool back = key == Qt::Key_Left || key == Qt::Key_Backspace;
                expected.movePosition(back ? QTextCursor::PreviousWord : QTextCursor::NextWord,
                                      edits || (modifiers & Qt::ShiftModifier) ? QTextCursor::KeepAnchor : QTextCursor::MoveAnchor);
                if (edits)
                    expected.removeSelectedText();
                held.select(from, from);
                QTest::keyClick(held.view.viewport(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
                const QTextCursor cursor = held.edit.cursor();
                const QString where = QStringLiteral("from %1").arg(from);
                QVERIFY2(cursor.position() == expected.position() && cursor.anchor() == expected.anchor(),
                         qPrintable(where + QStringLiteral(": the caret at %1-%2, in one block %3-%4")
                                               .arg(cursor.anchor()).arg(cursor.position())
                                               .arg(expected.anchor()).arg(expected.position())));
                if (edits) {
                    QVERIFY2(held.edit.text() == PositionText::text(one.get()), qPrintable(where));
                    QTest::keyClick(held.view.viewport(), Qt::Key_Z, Qt::ControlModifier);
                    QVERIFY2(held.edit.text() == text, qPrintable(where + QStringLiteral(", undone")));
                }
            }
        }
    }

    // Random keys at and around the held line breaks, or the spaces or letters a paragraph without
    // them is parted at, each checked against the text it must give.
    void keysGiveTheTextOfOneParagraph_data()
    {
        QTest::addColumn<bool>("spaced");
        QTest::addColumn<bool>("letters");
        QTest::addColumn<bool>("listed"); // the long paragraphs are items of a numbered list
        QTest::newRow("lines") << false << false << false;
        QTest::newRow("parted at spaces") << true << false << false;
        QTest::newRow("parted at letters") << true << true << false;
        QTest::newRow("list items parted at letters") << true << true << true;
    }

    void keysGiveTheTextOfOneParagraph()
    {
        QFETCH(bool, spaced);
        QFETCH(bool, letters);
        QFETCH(bool, listed);
        PageDocument page;
        RichTextEdit edit(&page);
        RichView view(&edit);
        view.resize(900, 700);
        view.show();
        view.activateWindow();
        view.setFocus();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QWidget *keys = view.viewport();

        const auto lines = [&](int count) {
            QString text = SamplePage::pastedLines(count);
            if (letters) // Japanese text, then one long word
                return count > 600 ? QStringLiteral("日本語の文章には空白がない。").repeated(3000)
                                   : QStringLiteral("abcdefghijklmnopqrstuvwxyz").repeated(1000);
            return spaced ? text.replace(QChar(11), QLatin1Char(' ')) : text;
        };
        const QString first = QStringLiteral("見出し\n") + lines(spaced ? 800 : 200) + QStringLiteral("\n")
                              + lines(spaced ? 500 : 120) + QStringLiteral("\n終わり");
        edit.setText(first);
        edit.select(0, 0);
        edit.setSpaceBefore(120);
        edit.select(first.indexOf(QChar(10)) + 5, 0);
        edit.setAlignment(2);
        if (listed) {
            const int from = int(first.indexOf(QChar(10))) + 1;
            edit.select(from, int(first.lastIndexOf(QChar(10))) - from);
            edit.setListKind(3);
            QCOMPARE(LineBlocks::head(page.main()->findBlock(from + 5)).textList()->count(), 2);
        }
        QVERIFY(page.main()->blockCount() > (spaced ? 10 : 300));
        QString text = first;
        QList<Step> steps{{QStringLiteral("start"), text}};
        QRandomGenerator random(36);
        for (int round = 0; round < 200; ++round) {
            // A place at a line break, right after one, or anywhere.
            int at = random.bounded(text.size() + 1);
            const int lineBreak = spaced ? heldBreakAfter(page.main(), at) : int(text.indexOf(QChar(11), at));
            const int kind = random.bounded(4);
            if (kind < 2 && lineBreak >= 0)
                at = lineBreak + kind;
            int length = 0;
            const int op = random.bounded(14);
            if (op >= 6)
                length = qMin(int(text.size()) - at, 1 + random.bounded(120));
            edit.select(at, length);
            view.showModelCaret();
            // Qt takes a list item out of its list on BackSpace at its start, and on Enter when it
            // is empty, its text kept.
            const QTextBlock caretBlock = page.main()->findBlock(at);
            const bool item = caretBlock.textList() && caretBlock.position() == at;
            QString name;
            switch (op) {
            case 0:
                name = QStringLiteral("type at %1").arg(at);
                QTest::keyClicks(keys, QStringLiteral("xy"));
                text.insert(at, QStringLiteral("xy"));
                break;
            case 1:
                name = QStringLiteral("Backspace at %1").arg(at);
                QTest::keyClick(keys, Qt::Key_Backspace);
                if (at > 0 && !item)
                    text.remove(at - 1, 1);
                break;
            case 2:
                name = QStringLiteral("Delete at %1").arg(at);
                QTest::keyClick(keys, Qt::Key_Delete);
                if (at < text.size())
                    text.remove(at, 1);
                break;
            case 3:
                name = QStringLiteral("Enter at %1").arg(at);
                QTest::keyClick(keys, Qt::Key_Return);
                if (!item || caretBlock.length() > 1)
                    text.insert(at, QChar(10));
                break;
            case 4:
                name = QStringLiteral("Shift+Enter at %1").arg(at);
                QTest::keyClick(keys, Qt::Key_Return, Qt::ShiftModifier);
                text.insert(at, QChar(11));
                break;
            case 5:
                name = QStringLiteral("Ctrl+Backspace at %1").arg(at);
                QTest::keyClick(keys, Qt::Key_Left);
                QTest::keyClick(keys, Qt::Key_Right);
                if (edit.selStart() != at)
                    continue; // a place Qt's caret does not stop at
                QTest::keyClick(keys, Qt::Key_Backspace, Qt::ControlModifier);
                text.remove(edit.selStart(), at - edit.selStart());
                break;
            case 6:
                name = QStringLiteral("typing over %1+%2").arg(at).arg(length);
                QTest::keyClicks(keys, QStringLiteral("z"));
                text.replace(at, length, QStringLiteral("z"));
                break;
            case 7:
                name = QStringLiteral("Delete of %1+%2").arg(at).arg(length);
                QTest::keyClick(keys, Qt::Key_Delete);
                text.remove(at, length);
                break;
            case 8: {
                name = QStringLiteral("field at %1").arg(at);
                const QString field = random.bounded(2) ? QStringLiteral("ab\vcd") : QStringLiteral("e\v");
                edit.insertField(field);
                edit.setFieldData(QStringLiteral("LK%1").arg(round));
                text.replace(at, length, field);
                break;
            }
            case 9: {
                const QList<FieldRuns::Range> fields = FieldRuns::all(page.main());
                if (fields.isEmpty())
                    continue;
                const FieldRuns::Range field = fields.at(random.bounded(int(fields.size())));
                name = QStringLiteral("field %1 unmarked").arg(field.id);
                QVERIFY(edit.setCurrentField(field.id));
                QVERIFY(edit.deleteField(false));
                break;
            }
            case 10: {
                const int from = random.bounded(int(text.size()));
                const int count = qMin(int(text.size()) - from, 1 + random.bounded(300));
                name = QStringLiteral("%1+%2 copied to %3").arg(from).arg(count).arg(at);
                edit.select(from, count);
                // This program's clipboard holds the copied page; another's has its bytes.
                PageDocument copied;
                edit.copySelection(copied);
                PageDocument clipboard;
                QVERIFY(PageCodec::load(clipboard, PageCodec::save(copied)));
                edit.select(at, 0);
                edit.insertPage(round % 2 ? copied : clipboard);
                text.insert(at, text.mid(from, count));
                break;
            }
            case 11:
                name = QStringLiteral("picture at %1+%2").arg(at).arg(length);
                QVERIFY(edit.insertPicture(TestImages::bytes("PNG", Qt::darkBlue, 20, 60)) > 0);
                text.replace(at, length, QChar(1));
                break;
            case 12:
                // Made a list and back (text copied from a list item brings its paragraph along).
                name = QStringLiteral("list at %1+%2").arg(at).arg(length);
                edit.setListKind(2);
                QCOMPARE(edit.text(), text);
                edit.setListKind(1);
                break;
            default:
                name = QStringLiteral("room above at %1").arg(at);
                edit.setSpaceBefore(edit.spaceBefore() ? 0 : 120);
                break;
            }
            QVERIFY2(edit.text() == text, qPrintable(name + QStringLiteral(": another text")));
            const QString wrong = heldWrongly(page.main());
            QVERIFY2(wrong.isEmpty(), qPrintable(name + QStringLiteral(": ") + wrong));
            const QString fields = fieldsWrongly(page);
            QVERIFY2(fields.isEmpty(), qPrintable(name + QStringLiteral(": ") + fields));
            steps.append({name, text});
        }
        PageDocument stored;
        QVERIFY(PageCodec::load(stored, PageCodec::save(page)));
        QCOMPARE(RichTextEdit(&stored).text(), text);

        // Undo walks back through the texts the steps gave (typing may be one step), to the first.
        int step = steps.size() - 1;
        while (edit.undoSteps() > 0 && edit.text() != first) {
            QVERIFY(view.undo());
            while (step > 0 && steps.at(step).text != edit.text())
                --step;
            QVERIFY2(steps.at(step).text == edit.text(), qPrintable(QStringLiteral("undo left a text no step gave")));
            QVERIFY(heldWrongly(page.main()).isEmpty());
        }
        QCOMPARE(edit.text(), first);
        while (edit.redoSteps() > 0)
            QVERIFY(view.redo());
        QCOMPARE(edit.text(), text);
        QVERIFY(heldWrongly(page.main()).isEmpty());
    }
};

QTEST_MAIN(TestRichViewLines)
#include "tst_richview_lines.moc"

#include "platform/richtext/MemberId.h"
#include "platform/richtext/MemberTable.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/RichTextEdit.h"
#include "platform/richtext/TextProps.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextTable>
#include <QtTest>

#include "support/TestImages.h"

using namespace TextProps;

// A page holding every construct: "a" ¶ "b" line-break "c" page-break "d", an inline and a floating
// picture, a text frame, a 2x2 table and a last paragraph.
static void fill(RichTextEdit &edit)
{
    edit.setSelectedText(QStringLiteral("a\nb\vc\fd"));
    edit.insertPicture(TestImages::bytes());
    edit.insertPicture(TestImages::bytes(), 100, 1);
    edit.insertTextFrame(RichTextEdit::frameArgs({100, 100, 100, 100, 3, 1000, 2000, 0, 0, 1, -1}));
    edit.setSelectedText(QStringLiteral("e"));
    const int table = edit.insertTable(2, 2);
    edit.setCellText(table, 1, 1, QStringLiteral("x"));
    edit.setCellText(table, 2, 2, QStringLiteral("y"));
    edit.setSelStart(edit.textLength());
    edit.setSelectedText(QStringLiteral("\nz"));
}

class TestRichTextPosition : public QObject
{
    Q_OBJECT
private slots:
    void everyConstructReadsAsOneCharacterPerPosition()
    {
        PageDocument page;
        RichTextEdit edit(&page);
        fill(edit);
        const QString expected = QStringLiteral("a\nb\vc\fd\x01\x01\x01" "e\ax\a\a\ay\a\nz");
        QCOMPARE(edit.text(), expected);
        QCOMPARE(edit.textLength(), expected.size());
        QCOMPARE(page.main()->characterCount() - 1, expected.size());
    }

    void caretAgreesWithTheText()
    {
        PageDocument page;
        RichTextEdit edit(&page);
        fill(edit);
        const QString text = edit.text();
        for (int pos = 0; pos < text.size(); ++pos) {
            edit.select(pos, 1);
            QCOMPARE(edit.selStart(), pos);
            QCOMPARE(edit.selLength(), 1);
            QCOMPARE(edit.selectedText(), text.mid(pos, 1));
        }
        edit.select(3, -1);
        QCOMPARE(edit.selLength(), text.size() - 3);
        QCOMPARE(edit.selectedText(), text.mid(3));
        edit.select(text.size() + 10, 5);
        QCOMPARE(edit.selStart(), text.size());
        QCOMPARE(edit.selLength(), 0);
        edit.select(-4, 2);
        QCOMPARE(edit.selStart(), 0);
    }

    void settingTextAcceptsTheCodes_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("blocks");
        QTest::newRow("line break") << QStringLiteral("x\vy") << QStringLiteral("x\vy") << 1;
        QTest::newRow("paragraph") << QStringLiteral("x\ny") << QStringLiteral("x\ny") << 2;
        QTest::newRow("CR LF is one end") << QStringLiteral("x\r\ny") << QStringLiteral("x\ny") << 2;
        QTest::newRow("lone CR") << QStringLiteral("x\ry") << QStringLiteral("x\ny") << 2;
        QTest::newRow("page break") << QStringLiteral("x\fy") << QStringLiteral("x\fy") << 2;
        QTest::newRow("break after page break is plain")
            << QStringLiteral("x\fy\nz") << QStringLiteral("x\fy\nz") << 3;
        QTest::newRow("control characters dropped")
            << QStringLiteral("a\x01\x07\x1b" "b\tc") << QStringLiteral("ab\tc") << 1;
        QTest::newRow("quotes and question marks")
            << QStringLiteral("it's \"?\"") << QStringLiteral("it's \"?\"") << 1;
        QTest::newRow("empty") << QString() << QString() << 1;
    }
    void settingTextAcceptsTheCodes()
    {
        QFETCH(QString, input);
        QFETCH(QString, text);
        QFETCH(int, blocks);
        PageDocument page;
        RichTextEdit edit(&page);
        edit.setSelectedText(input);
        QCOMPARE(edit.text(), text);
        QCOMPARE(page.main()->blockCount(), blocks);
        QCOMPARE(edit.selStart(), text.size());
        edit.setText(input);
        QCOMPARE(edit.text(), text);
    }

    void pageBreakIsABlockPolicy()
    {
        PageDocument page;
        RichTextEdit edit(&page);
        edit.setSelectedText(QStringLiteral("x\fy"));
        QVERIFY(page.main()->lastBlock().blockFormat().pageBreakPolicy()
                & QTextFormat::PageBreak_AlwaysBefore);
        // Deleting the 12 removes the break.
        edit.select(1, 1);
        edit.setSelectedText(QString());
        QCOMPARE(edit.text(), QStringLiteral("xy"));
        QVERIFY(!(page.main()->firstBlock().blockFormat().pageBreakPolicy()
                  & QTextFormat::PageBreak_AlwaysBefore));
    }

    void replacingAcrossATableKeepsItsCells()
    {
        PageDocument page;
        RichTextEdit edit(&page);
        fill(edit);
        const int table = edit.tableIds().first();
        // From "d" to inside the last cell: text goes, the table stays 2 x 2.
        const QString before = edit.text();
        const int from = before.indexOf(QLatin1Char('d'));
        const int to = before.indexOf(QLatin1Char('y'));
        edit.select(from, to - from);
        edit.setSelectedText(QStringLiteral("R"));
        QCOMPARE(edit.tableRows(table), 2);
        QCOMPARE(edit.tableColumns(table), 2);
        QCOMPARE(edit.cellText(table, 1, 1), QString());
        QCOMPARE(edit.cellText(table, 2, 2), QStringLiteral("y"));
        QCOMPARE(edit.text(), QStringLiteral("a\nb\vc\fR\a\a\a\ay\a\nz"));
        // Selecting everything and typing takes the table too: it is shown selected whole.
        edit.select(0, -1);
        edit.setSelectedText(QStringLiteral("Q"));
        QCOMPARE(edit.text(), QStringLiteral("Q"));
        QVERIFY(edit.tableIds().isEmpty());
        // The whole-text member replaces everything, the table included.
        edit.setText(QStringLiteral("plain"));
        QCOMPARE(edit.text(), QStringLiteral("plain"));
        QVERIFY(edit.tableIds().isEmpty());
    }

    void selectionMembersById()
    {
        PageDocument page;
        RichTextEdit edit(&page);
        QVERIFY(MemberTable::set(edit, MemberId::Text, QStringLiteral("one\ntwo")));
        QVERIFY(MemberTable::set(edit, MemberId::SelStart, 4));
        QVERIFY(MemberTable::set(edit, MemberId::SelLength, -1));
        QCOMPARE(MemberTable::get(edit, MemberId::SelText).toString(), QStringLiteral("two"));
        QVERIFY(MemberTable::set(edit, MemberId::SelText, QStringLiteral("2\f3")));
        QCOMPARE(MemberTable::get(edit, MemberId::Text).toString(), QStringLiteral("one\n2\f3"));
        QCOMPARE(MemberTable::get(edit, MemberId::SelStart).toInt(), 7);
        QCOMPARE(MemberTable::get(edit, MemberId::SelLength).toInt(), 0);
        QVERIFY(!MemberTable::has(MemberId::Find)); // commands are methods, not values
    }

    void aViewsCursorIsTakenOver()
    {
        PageDocument page;
        RichTextEdit edit(&page);
        edit.setSelectedText(QStringLiteral("hello world"));
        QTextCursor view(page.main());
        view.setPosition(6);
        view.setPosition(11, QTextCursor::KeepAnchor);
        edit.setCursor(view);
        QCOMPARE(edit.selStart(), 6);
        QCOMPARE(edit.selectedText(), QStringLiteral("world"));
        edit.setSelectedText(QStringLiteral("there"));
        QCOMPARE(edit.text(), QStringLiteral("hello there"));
        QTextDocument other;
        edit.setCursor(QTextCursor(&other));
        QCOMPARE(edit.cursor().document(), page.main());
    }

    void clearTextResetsFormats()
    {
        PageDocument page;
        RichTextEdit edit(&page);
        edit.setSelectedText(QStringLiteral("abc"));
        edit.select(0, -1);
        edit.setBold(true);
        edit.setAlignment(2);
        edit.clearText();
        QCOMPARE(edit.text(), QString());
        edit.setSelectedText(QStringLiteral("n"));
        edit.select(0, 1);
        QVERIFY(!edit.bold());
        QCOMPARE(edit.alignment(), 0);
    }

    void partsHaveTheirOwnText()
    {
        PageDocument page;
        RichTextEdit edit(&page);
        edit.setSelectedText(QStringLiteral("main"));
        edit.setSelStart(2);
        QVERIFY(!edit.editPart(HeaderAll));
        page.ensurePart(HeaderAll);
        QVERIFY(edit.editPart(HeaderAll));
        QCOMPARE(edit.currentPart(), int(HeaderAll));
        edit.setSelectedText(QStringLiteral("Header"));
        QCOMPARE(edit.text(), QStringLiteral("Header"));
        QVERIFY(edit.editPart(MainPart));
        QCOMPARE(edit.text(), QStringLiteral("main"));
        QCOMPARE(edit.selStart(), 2);
        // Removing the part being edited falls back to the main text.
        QVERIFY(edit.editPart(HeaderAll));
        page.setPartFlags(0);
        QCOMPARE(edit.document(), page.main());
    }

    void caretPageFollowsTheLayout()
    {
        PageDocument page;
        PageSetup small;
        small.height = 3000; // a short page: a few lines each
        page.setPageSetup(small);
        RichTextEdit edit(&page);
        QString text;
        for (int i = 0; i < 60; ++i)
            text += QStringLiteral("line %1\n").arg(i);
        edit.setSelectedText(text);
        edit.setSelStart(0);
        QCOMPARE(edit.caretPosition().value(0), 1);
        QCOMPARE(edit.caretPosition().value(1), 1);
        QCOMPARE(edit.caretPosition().value(2), 1);
        edit.setSelStart(2);
        QCOMPARE(edit.caretPosition().value(2), 3);
        edit.setSelStart(edit.textLength());
        QVERIFY(edit.caretPosition().value(0) > 3);
        QVERIFY(edit.caretPosition().value(1) >= 1);
    }
};

QTEST_MAIN(TestRichTextPosition)
#include "tst_richtext_position.moc"

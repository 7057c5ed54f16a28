#include "platform/richtext/MemberId.h"
#include "platform/richtext/MemberTable.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/RichTextEdit.h"

#include <QTextCursor>
#include <QTextFrame>
#include <QtTest>

#include "support/SamplePage.h"
#include "support/TestImages.h"

// "ab[one]cd[two][three]ef": two fields side by side and one alone.
struct ThreeFields {
    PageDocument page;
    RichTextEdit edit{&page};
    int one = 0, two = 0, three = 0;
    ThreeFields()
    {
        edit.setSelectedText(QStringLiteral("ab"));
        one = edit.insertField(QStringLiteral("one"));
        edit.setFieldData(QStringLiteral("TG_12"));
        edit.setFieldType(2);
        edit.setSelectedText(QStringLiteral("cd"));
        two = edit.insertField(QStringLiteral("two"));
        edit.setFieldData(QStringLiteral("http://x?a='1'"));
        edit.setFieldType(1);
        three = edit.insertField(QStringLiteral("three"));
        edit.setFieldData(QStringLiteral("TP_tip"));
        edit.setSelectedText(QStringLiteral("ef"));
    }
};

class TestRichTextFields : public QObject
{
    Q_OBJECT
    static constexpr int Red = 0x0000FF;
    static constexpr int Green = 0x00FF00;
private slots:
    void fieldsIterateInTextOrderWithOneBasedRanges()
    {
        ThreeFields f;
        QCOMPARE(f.edit.text(), QStringLiteral("abonecdtwothreeef"));
        QVERIFY(f.one != f.two && f.two != f.three);
        QList<int> order;
        for (int id = f.edit.nextField(0); id != 0; id = f.edit.nextField(id))
            order.append(id);
        QCOMPARE(order, (QList<int>{f.one, f.two, f.three}));
        struct Expect { int id; const char *text; int start, end; const char *data; int type; };
        const Expect expected[] = {{f.one, "one", 3, 5, "TG_12", 2},
                                   {f.two, "two", 8, 10, "http://x?a='1'", 1},
                                   {f.three, "three", 11, 15, "TP_tip", 0}};
        for (const Expect &e : expected) {
            QVERIFY(f.edit.setCurrentField(e.id));
            QCOMPARE(f.edit.fieldText(), QString::fromLatin1(e.text));
            QCOMPARE(f.edit.fieldStart(), e.start);
            QCOMPARE(f.edit.fieldEnd(), e.end);
            QCOMPARE(f.edit.fieldData(), QString::fromLatin1(e.data));
            QCOMPARE(f.edit.fieldType(), e.type);
        }
        QVERIFY(!f.edit.setCurrentField(999));
        QCOMPARE(f.edit.nextField(999), 0);
    }

    void typingAtAFieldsEdgeNeverExtendsIt_data()
    {
        QTest::addColumn<int>("caret");
        QTest::addColumn<QString>("oneText");
        QTest::newRow("after one") << 5 << "one";
        QTest::newRow("before one") << 2 << "one";
        QTest::newRow("inside one") << 3 << "oXne";
        QTest::newRow("between two and three") << 10 << "one";
        QTest::newRow("after three") << 15 << "one";
    }
    void typingAtAFieldsEdgeNeverExtendsIt()
    {
        QFETCH(int, caret);
        QFETCH(QString, oneText);
        ThreeFields f;
        f.edit.setSelStart(caret);
        f.edit.typeText(QStringLiteral("X"));
        const QStringList expected{oneText, QStringLiteral("two"), QStringLiteral("three")};
        const int ids[] = {f.one, f.two, f.three};
        for (int i = 0; i < 3; ++i) {
            f.edit.setCurrentField(ids[i]);
            QCOMPARE(f.edit.fieldText(), expected.at(i));
        }
        QCOMPARE(f.edit.fieldAt(caret), caret == 3 ? f.one : 0);
    }

    // Typed beside a field, text takes the look of its paragraph's own text (the nearest before it,
    // else after it), not the field's colour and underline; a look given at the caret stays.
    void typingBesideAFieldTakesTheParagraphsLook_data()
    {
        QTest::addColumn<QString>("before"); // red text before the field
        QTest::addColumn<QString>("after");  // green text after it
        QTest::addColumn<int>("caret");
        QTest::addColumn<bool>("bold");      // bold switched on at the caret first
        QTest::addColumn<int>("colour");     // of the typed letter
        QTest::newRow("after a field, text before it") << "ab" << "" << 6 << false << Red;
        QTest::newRow("after a field, text after it") << "" << "cd" << 4 << false << Green;
        QTest::newRow("at a paragraph's start before a field") << "" << "cd" << 0 << false << Green;
        QTest::newRow("between texts") << "ab" << "cd" << 6 << false << Red;
        QTest::newRow("a paragraph of one field") << "" << "" << 4 << false << 0;
        QTest::newRow("bold given at the caret") << "ab" << "" << 6 << true << Red;
    }
    void typingBesideAFieldTakesTheParagraphsLook()
    {
        QFETCH(QString, before);
        QFETCH(QString, after);
        QFETCH(int, caret);
        QFETCH(bool, bold);
        QFETCH(int, colour);
        PageDocument page;
        RichTextEdit edit(&page);
        edit.setSelectedText(QStringLiteral("x\n") + before + QStringLiteral("link") + after);
        const int start = 2 + int(before.size());
        edit.select(2, int(before.size()));
        edit.setForeColor(Red);
        edit.select(start + 4, int(after.size()));
        edit.setForeColor(Green);
        edit.select(start, 4);
        const int id = edit.insertField(QStringLiteral("link"));
        edit.select(start, 4);
        edit.setUnderline(true);
        edit.setForeColor(0xFF8080);
        edit.setSelStart(2 + caret);
        if (bold)
            edit.setBold(true);
        edit.typeText(QStringLiteral("X"));
        edit.select(2 + caret, 1);
        QCOMPARE(edit.selectedText(), QStringLiteral("X"));
        QVERIFY(!edit.underline());
        QCOMPARE(edit.foreColor(), colour);
        QCOMPARE(edit.bold(), bold);
        QCOMPARE(edit.fieldAt(2 + caret), 0);
        edit.setCurrentField(id);
        QCOMPARE(edit.fieldText(), QStringLiteral("link"));
    }

    void adjacentFieldsStayApart()
    {
        ThreeFields f;
        // two and three touch: each keeps its own range and data.
        QCOMPARE(f.edit.fieldAt(9), f.two);
        QCOMPARE(f.edit.fieldAt(10), f.three);
        f.edit.setCurrentField(f.two);
        f.edit.setFieldData(QStringLiteral("changed"));
        f.edit.setCurrentField(f.three);
        QCOMPARE(f.edit.fieldData(), QStringLiteral("TP_tip"));
        QCOMPARE(f.edit.fieldStart(), 11);
        // Two fields with equal text and data still count as two.
        PageDocument page;
        RichTextEdit edit(&page);
        const int a = edit.insertField(QStringLiteral("same"));
        const int b = edit.insertField(QStringLiteral("same"));
        QVERIFY(a != b);
        QCOMPARE(edit.nextField(a), b);
    }

    void fieldAtCaretLooksAfterThenBefore_data()
    {
        QTest::addColumn<int>("caret");
        QTest::addColumn<QString>("which");
        QTest::newRow("text start") << 0 << "";
        QTest::newRow("at one's start") << 2 << "one";
        QTest::newRow("inside one") << 4 << "one";
        QTest::newRow("right after one") << 5 << "one";
        QTest::newRow("plain text") << 6 << "";
        QTest::newRow("two touches three") << 10 << "three";
        QTest::newRow("text end") << 17 << "";
    }
    void fieldAtCaretLooksAfterThenBefore()
    {
        QFETCH(int, caret);
        QFETCH(QString, which);
        ThreeFields f;
        f.edit.setSelStart(caret);
        const int expected = which == "one" ? f.one : which == "three" ? f.three : 0;
        QCOMPARE(f.edit.fieldAtCaret(), expected);
    }

    void deleteKeepsOrRemovesTheText()
    {
        ThreeFields f;
        f.edit.setCurrentField(f.two);
        QVERIFY(f.edit.deleteField(false));
        QCOMPARE(f.edit.text(), QStringLiteral("abonecdtwothreeef"));
        QCOMPARE(f.edit.fieldAt(8), 0);
        QCOMPARE(f.edit.currentField(), 0);
        QVERIFY(!f.edit.deleteField(true)); // no current field any more
        f.edit.setCurrentField(f.three);
        QVERIFY(f.edit.deleteField(true));
        QCOMPARE(f.edit.text(), QStringLiteral("abonecdtwoef"));
        QCOMPARE(f.edit.nextField(0), f.one);
        QCOMPARE(f.edit.nextField(f.one), 0);
        // Undo brings the removed field back with its data.
        QVERIFY(f.edit.undo());
        QVERIFY(f.edit.setCurrentField(f.three));
        QCOMPARE(f.edit.fieldText(), QStringLiteral("three"));
        QCOMPARE(f.edit.fieldData(), QStringLiteral("TP_tip"));
    }

    void deleteKeepsTheTextsLook()
    {
        PageDocument page;
        RichTextEdit edit(&page);
        edit.setBold(true);
        edit.insertField(QStringLiteral("bold"));
        edit.deleteField(false);
        edit.select(1, 1);
        QVERIFY(edit.bold());
    }

    void aPictureInsideAFieldStaysInsideIt_data()
    {
        QTest::addColumn<bool>("withText");
        QTest::newRow("unmark") << false;
        QTest::newRow("remove") << true;
    }
    void aPictureInsideAFieldStaysInsideIt()
    {
        QFETCH(bool, withText);
        // An object link: the field's two blanks around a floating picture.
        PageDocument page;
        RichTextEdit edit(&page);
        edit.setSelectedText(QStringLiteral("x"));
        const int id = edit.insertField(QStringLiteral("  "));
        edit.setSelectedText(QStringLiteral("y"));
        edit.setSelStart(2);
        const int pic = edit.insertPicture(TestImages::bytes(), 100, 2);
        QVERIFY(pic > 0);
        QVERIFY(edit.setCurrentField(id));
        QCOMPARE(edit.fieldText(), QStringLiteral(" \x01 "));
        QCOMPARE(edit.fieldStart(), 2);
        QCOMPARE(edit.fieldEnd(), 4);
        QCOMPARE(edit.nextField(id), 0);
        // The field's data goes to its characters, not to the picture.
        QVERIFY(edit.setFieldData(QStringLiteral("LK_x")));
        QCOMPARE(edit.fieldAt(2), 0);
        QCOMPARE(edit.fieldAt(3), id);
        QVERIFY(edit.deleteField(withText));
        QCOMPARE(edit.nextField(0), 0);
        if (withText) {
            QCOMPARE(edit.text(), QStringLiteral("xy"));
            QCOMPARE(edit.objectCount(), 0);
            return;
        }
        QCOMPARE(edit.text(), QStringLiteral("x \x01 y"));
        // The picture still floats: its format kept the reference to its float frame.
        const QTextCharFormat picture = SamplePage::formatOfObject(page.main(), pic);
        QVERIFY(picture.isImageFormat());
        QVERIFY(qobject_cast<QTextFrame *>(page.main()->objectForFormat(picture)));
        QCOMPARE(edit.objectIds(), QList<int>{pic});
    }

    void fieldTextCanBeEmptiedAndRefilled()
    {
        ThreeFields f;
        f.edit.setCurrentField(f.one);
        QVERIFY(f.edit.setFieldText(QString()));
        QCOMPARE(f.edit.text(), QStringLiteral("abcdtwothreeef"));
        QCOMPARE(f.edit.fieldStart(), 3); // the place stays known
        QVERIFY(f.edit.setFieldText(QStringLiteral("new\vtext")));
        QCOMPARE(f.edit.fieldText(), QStringLiteral("new\vtext"));
        QCOMPARE(f.edit.fieldData(), QStringLiteral("TG_12"));
        QCOMPARE(f.edit.fieldStart(), 3);
    }

    void emptyFieldTextIsRefused()
    {
        PageDocument page;
        RichTextEdit edit(&page);
        QCOMPARE(edit.insertField(QString()), 0);
        QCOMPARE(edit.nextField(0), 0);
        QVERIFY(!edit.setFieldData(QStringLiteral("x")));
    }

    void insertReplacesTheSelection()
    {
        PageDocument page;
        RichTextEdit edit(&page);
        edit.setSelectedText(QStringLiteral("hello world"));
        edit.select(6, 5);
        const int id = edit.insertField(QStringLiteral("field"));
        QCOMPARE(edit.text(), QStringLiteral("hello field"));
        QCOMPARE(edit.currentField(), id);
        QCOMPARE(edit.fieldStart(), 7);
        QCOMPARE(edit.fieldEnd(), 11);
    }

    void fieldMembersByIdMatchTheNamedRoles()
    {
        ThreeFields f;
        QVERIFY(MemberTable::set(f.edit, MemberId::CurrentField, f.two));
        QCOMPARE(MemberTable::get(f.edit, MemberId::FieldText).toString(), QStringLiteral("two"));
        QCOMPARE(MemberTable::get(f.edit, MemberId::FieldData).toString(), QStringLiteral("http://x?a='1'"));
        QVERIFY(MemberTable::set(f.edit, MemberId::FieldAttrs, 5));
        QCOMPARE(f.edit.fieldAttrs(), 5);
        QVERIFY(!MemberTable::set(f.edit, 99999, 1));
    }

    void oneCommandIsOneUndoStepEvenAcrossParts()
    {
        ThreeFields f;
        f.page.ensurePart(1);
        const int steps = f.edit.undoSteps();
        f.edit.beginCommand();
        f.edit.setSelectedText(QStringLiteral("1"));
        f.edit.editPart(1);
        f.edit.setSelectedText(QStringLiteral("header"));
        f.edit.editPart(0);
        f.edit.setSelectedText(QStringLiteral("2"));
        f.edit.endCommand();
        QCOMPARE(f.edit.undoSteps(), steps + 1);
        QVERIFY(f.edit.undo());
        QCOMPARE(f.edit.text(), QStringLiteral("abonecdtwothreeef"));
    }

    void fieldsArePerPart()
    {
        ThreeFields f;
        f.page.ensurePart(1);
        f.edit.editPart(1);
        QCOMPARE(f.edit.nextField(0), 0);
        const int inHeader = f.edit.insertField(QStringLiteral("h"));
        QVERIFY(inHeader != f.one && inHeader != f.two && inHeader != f.three);
        f.edit.editPart(0);
        QVERIFY(!f.edit.setCurrentField(inHeader));
    }
};

QTEST_MAIN(TestRichTextFields)
#include "tst_richtext_fields.moc"

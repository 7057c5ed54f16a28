#include "platform/richtext/ColorRef.h"
#include "platform/richtext/MemberId.h"
#include "platform/richtext/MemberTable.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/RichTextEdit.h"
#include "platform/richtext/TextProps.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QtTest>

#include "support/TestImages.h"

using namespace TextProps;

class TestRichTextEdit : public QObject
{
    Q_OBJECT
private slots:
    void colorRefRoundTrip_data()
    {
        QTest::addColumn<qint64>("colorRef");
        QTest::addColumn<QColor>("color");
        QTest::newRow("link colour") << qint64(0xFF8080) << QColor(128, 128, 255);
        QTest::newRow("tag colour") << qint64(0x808000) << QColor(0, 128, 128);
        QTest::newRow("red in the low byte") << qint64(0x0000FF) << QColor(255, 0, 0);
        QTest::newRow("white") << qint64(0xFFFFFF) << QColor(255, 255, 255);
        QTest::newRow("black") << qint64(0) << QColor(0, 0, 0);
    }
    void colorRefRoundTrip()
    {
        QFETCH(qint64, colorRef);
        QFETCH(QColor, color);
        QCOMPARE(ColorRef::toColor(colorRef), color);
        QCOMPARE(qint64(ColorRef::fromColor(color)), colorRef);
    }

    void colorRefOutsideTheRangeIsNoColour()
    {
        QVERIFY(!ColorRef::toColor(-1).isValid());
        QVERIFY(!ColorRef::toColor(0x50000000).isValid());
        QCOMPARE(ColorRef::fromColor(QColor(), 0xFFFFFF), 0xFFFFFF);
        QCOMPARE(ColorRef::fromColor(QColor::fromHsv(240, 255, 255)), 0xFF0000);
    }

    // Each attribute member read back equal after writing, through the id table and by name.
    void attributesByRole_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<QVariant>("value");
        QTest::newRow("6 bold") << int(MemberId::Bold) << QVariant(1);
        QTest::newRow("7 strike") << int(MemberId::StrikeOut) << QVariant(1);
        QTest::newRow("10 italic") << int(MemberId::Italic) << QVariant(1);
        QTest::newRow("11 underline") << int(MemberId::Underline) << QVariant(1);
        QTest::newRow("8 font") << int(MemberId::FontName) << QVariant(QStringLiteral("Noto Sans CJK JP"));
        QTest::newRow("9 size") << int(MemberId::FontSize) << QVariant(10.5);
        QTest::newRow("-513 text colour") << int(MemberId::ForeColor) << QVariant(0xFF8080);
        QTest::newRow("80 background") << int(MemberId::BackColor) << QVariant(0x404080);
        QTest::newRow("16 centre") << int(MemberId::Alignment) << QVariant(2);
        QTest::newRow("16 right") << int(MemberId::Alignment) << QVariant(1);
        QTest::newRow("75 indent") << int(MemberId::IndentLeft) << QVariant(400);
        QTest::newRow("75 negative indent") << int(MemberId::IndentLeft) << QVariant(-200);
        QTest::newRow("76 first line") << int(MemberId::IndentFirstLine) << QVariant(283);
        QTest::newRow("77 right") << int(MemberId::IndentRight) << QVariant(567);
        QTest::newRow("78 before") << int(MemberId::SpaceBefore) << QVariant(120);
        QTest::newRow("79 after") << int(MemberId::SpaceAfter) << QVariant(1);
        QTest::newRow("17") << int(MemberId::FrameLineWidth) << QVariant(20);
        QTest::newRow("18") << int(MemberId::FrameDistance) << QVariant(100);
        QTest::newRow("19") << int(MemberId::FrameStyle) << QVariant(0);
        QTest::newRow("47") << int(MemberId::ParaValue47) << QVariant(3);
        QTest::newRow("53 line spacing") << int(MemberId::LineSpacingTwips) << QVariant(280);
        QTest::newRow("48 line spacing %") << int(MemberId::LineSpacingPercent) << QVariant(140);
        QTest::newRow("155 bullets") << int(MemberId::ListKind) << QVariant(2);
        QTest::newRow("155 numbers") << int(MemberId::ListKind) << QVariant(3);
        QTest::newRow("12 width") << int(MemberId::PageWidth) << QVariant(11906);
        QTest::newRow("13 height") << int(MemberId::PageHeight) << QVariant(16838);
        QTest::newRow("22 left") << int(MemberId::MarginLeft) << QVariant(850);
        QTest::newRow("23 top") << int(MemberId::MarginTop) << QVariant(851);
        QTest::newRow("24 right") << int(MemberId::MarginRight) << QVariant(567);
        QTest::newRow("25 bottom") << int(MemberId::MarginBottom) << QVariant(0);
        QTest::newRow("225 landscape") << int(MemberId::Landscape) << QVariant(1);
        QTest::newRow("65 edit mode") << int(MemberId::EditMode) << QVariant(1);
    }
    void attributesByRole()
    {
        QFETCH(int, id);
        QFETCH(QVariant, value);
        PageDocument page;
        RichTextEdit edit(&page);
        edit.setSelectedText(QStringLiteral("first\nsecond\nthird"));
        edit.select(2, 8); // parts of the first two paragraphs
        QVERIFY(MemberTable::has(id));
        QVERIFY(MemberTable::set(edit, id, value));
        QCOMPARE(MemberTable::get(edit, id), value);
        // The second paragraph got the value too; the third did not (page values are the page's).
        edit.select(8, 1);
        QCOMPARE(MemberTable::get(edit, id), value);
        edit.select(15, 1);
        const bool pageWide = id == 12 || id == 13 || (id >= 22 && id <= 25) || id == MemberId::Landscape
            || id == MemberId::EditMode;
        QCOMPARE(MemberTable::get(edit, id) == value, pageWide);
    }

    void typingTakesTheFormatSetAtTheCaret()
    {
        PageDocument page;
        RichTextEdit edit(&page);
        edit.setSelectedText(QStringLiteral("plain "));
        edit.setBold(true);
        edit.setForeColor(0x0000FF);
        edit.typeText(QStringLiteral("red"));
        edit.select(7, 1);
        QVERIFY(edit.bold());
        QCOMPARE(edit.foreColor(), 0x0000FF);
        edit.select(1, 1);
        QVERIFY(!edit.bold());
        QCOMPARE(edit.foreColor(), 0);
    }

    void badAttributeValuesChangeNothing()
    {
        PageDocument page;
        RichTextEdit edit(&page);
        edit.setSelectedText(QStringLiteral("abc"));
        edit.select(0, 3);
        edit.setFontSize(12);
        edit.setFontSize(0);
        edit.setFontSize(-3);
        edit.setFontSize(qQNaN());
        QCOMPARE(edit.fontSize(), 12.0);
        edit.setForeColor(0x112233);
        edit.setForeColor(-1);
        QCOMPARE(edit.foreColor(), 0x112233);
        edit.setAlignment(2);
        edit.setAlignment(9);
        QCOMPARE(edit.alignment(), 2);
        edit.setFontName(QString());
        QVERIFY(!edit.fontName().isEmpty());
    }

    void formatAcrossATableStaysInTheSelectedCells()
    {
        PageDocument page;
        RichTextEdit edit(&page);
        edit.setSelectedText(QStringLiteral("ab"));
        const int table = edit.insertTable(1, 2);
        edit.setCellText(table, 1, 1, QStringLiteral("x"));
        edit.setCellText(table, 1, 2, QStringLiteral("y"));
        edit.select(1, 3); // "b", the table start and "x"
        edit.setBold(true);
        QCOMPARE(edit.selStart(), 1);
        QCOMPARE(edit.selLength(), 3);
        edit.select(edit.cellStart(table, 1, 2) - 1, 1);
        QVERIFY(!edit.bold());
        edit.select(edit.cellStart(table, 1, 1) - 1, 1);
        QVERIFY(edit.bold());
    }

    void blockStyleIsKept()
    {
        PageDocument page;
        RichTextEdit edit(&page);
        QCOMPARE(edit.blockStyle(), -1);
        edit.setBlockStyle(2);
        edit.setIndentLeft(260);
        QCOMPARE(edit.blockStyle(), 2);
    }

    void findWithOptions_data()
    {
        QTest::addColumn<QString>("what");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("options");
        QTest::addColumn<int>("caret");
        QTest::addColumn<int>("found");
        //                      0         1         2
        //                      0123456789012345678901234
        const QString text = "Abc abc ABC a?c it's";
        QTest::newRow("from the start") << "abc" << 0 << 16 << 10 << 0;
        QTest::newRow("match case") << "abc" << 0 << 16 + 4 << 10 << 4;
        QTest::newRow("from the caret") << "abc" << -1 << 16 << 5 << 8;
        QTest::newRow("backwards from the end") << "abc" << 0 << 16 + 1 << 0 << 8;
        QTest::newRow("backwards from the caret") << "abc" << -1 << 16 + 1 << 6 << 0;
        QTest::newRow("case and backwards") << "ABC" << -1 << 16 + 4 + 1 << 20 << 8;
        QTest::newRow("question mark is literal") << "a?c" << 0 << 16 << 0 << 12;
        QTest::newRow("quote") << "it's" << 0 << 16 << 0 << 16;
        QTest::newRow("missing") << "xyz" << 0 << 16 << 3 << -1;
        QTest::newRow("empty") << "" << 0 << 16 << 3 << -1;
    }
    void findWithOptions()
    {
        QFETCH(QString, what);
        QFETCH(int, start);
        QFETCH(int, options);
        QFETCH(int, caret);
        QFETCH(int, found);
        PageDocument page;
        RichTextEdit edit(&page);
        edit.setSelectedText(QStringLiteral("Abc abc ABC a?c it's"));
        edit.setSelStart(caret);
        QCOMPARE(edit.find(what, start, options), found);
        if (found >= 0) {
            QCOMPARE(edit.selStart(), found);
            QCOMPARE(edit.selLength(), what.size());
        } else {
            QCOMPARE(edit.selStart(), caret);
        }
    }

    void repeatedFindFromTheSelectionAdvances()
    {
        PageDocument page;
        RichTextEdit edit(&page);
        edit.setSelectedText(QStringLiteral("aa aa aa"));
        QList<int> hits;
        for (int pos = edit.find(QStringLiteral("aa"), 0, 16); pos >= 0;
             pos = edit.find(QStringLiteral("aa"), -1, 16))
            hits.append(pos);
        QCOMPARE(hits, (QList<int>{0, 3, 6}));
    }

    void oneUndoStepPerCommand()
    {
        PageDocument page;
        RichTextEdit edit(&page);
        edit.setSelectedText(QStringLiteral("one\ntwo\nthree"));
        const QString before = edit.text();
        const int steps = edit.undoSteps();
        edit.select(2, 6);
        edit.setSelectedText(QStringLiteral("X\vY\nZ"));
        QCOMPARE(edit.undoSteps(), steps + 1);
        QVERIFY(edit.undo());
        QCOMPARE(edit.text(), before);
        QCOMPARE(edit.redoSteps(), 1);
        QVERIFY(edit.redo());
        QCOMPARE(edit.text(), QStringLiteral("onX\vY\nZthree"));
        // A command made of several calls is one step.
        edit.beginCommand();
        edit.select(0, 1);
        edit.setSelectedText(QStringLiteral("1"));
        edit.setBold(true);
        edit.insertField(QStringLiteral("f"));
        edit.insertTable(1, 1);
        edit.endCommand();
        QVERIFY(edit.undo());
        QCOMPARE(edit.text(), QStringLiteral("onX\vY\nZthree"));
        QCOMPARE(edit.nextField(0), 0);
        while (edit.undo()) {}
        QCOMPARE(edit.text(), QString());
        QVERIFY(!edit.undo());
        QCOMPARE(edit.undoSteps(), 0);
    }

    void undoCountsRestartWhenTheStackIsCleared()
    {
        PageDocument page;
        RichTextEdit edit(&page);
        for (int i = 0; i < 3; ++i)
            edit.setSelectedText(QStringLiteral("a\nb"));
        QCOMPARE(edit.undoSteps(), 3);
        page.main()->setUndoRedoEnabled(false);
        page.main()->setUndoRedoEnabled(true);
        QCOMPARE(edit.undoSteps(), 0);
        edit.setSelectedText(QStringLiteral("c\nd"));
        QCOMPARE(edit.undoSteps(), 1);
        QVERIFY(edit.undo());
        QCOMPARE(edit.undoSteps(), 0);
        QCOMPARE(edit.redoSteps(), 1);
        edit.setSelectedText(QStringLiteral("e"));
        QCOMPARE(edit.redoSteps(), 0);
    }

    void undoOfAStructureSafeReplacement()
    {
        PageDocument page;
        RichTextEdit edit(&page);
        edit.setSelectedText(QStringLiteral("ab"));
        const int table = edit.insertTable(2, 2);
        for (int r = 1; r <= 2; ++r)
            for (int c = 1; c <= 2; ++c)
                edit.setCellText(table, r, c, QStringLiteral("c%1%2").arg(r).arg(c));
        const QString before = edit.text();
        edit.select(1, -1);
        edit.setSelectedText(QStringLiteral("Q"));
        QVERIFY(edit.undo());
        QCOMPARE(edit.text(), before);
    }

    void editModeIsReported()
    {
        PageDocument page;
        RichTextEdit edit(&page);
        QSignalSpy spy(&edit, &RichTextEdit::editModeChanged);
        edit.setEditMode(1);
        edit.setEditMode(1);
        QCOMPARE(spy.count(), 1);
        QVERIFY(!edit.canInsertTable());
        // The model itself still takes text (pages are loaded into read-only viewers).
        edit.setSelectedText(QStringLiteral("x"));
        QCOMPARE(edit.text(), QStringLiteral("x"));
    }

    void insertingAPageKeepsBothPagesFieldsApart()
    {
        PageDocument target;
        RichTextEdit edit(&target);
        edit.setSelectedText(QStringLiteral("[]"));
        edit.setSelStart(1);
        const int own = edit.insertField(QStringLiteral("own"));
        edit.setFieldData(QStringLiteral("TG_1"));
        const int ownPicture = edit.insertPicture(TestImages::bytes("PNG", Qt::red));

        PageDocument source;
        RichTextEdit src(&source);
        const int theirs = src.insertField(QStringLiteral("theirs"));
        src.setFieldData(QStringLiteral("TG_2"));
        src.insertPicture(TestImages::bytes("PNG", Qt::red));      // same bytes as the target's
        src.insertPicture(TestImages::bytes("PNG", Qt::blue), 100, 1);
        const int frame = src.insertTextFrame(RichTextEdit::FrameArgs());
        src.selectFrame(frame);
        src.insertField(QStringLiteral("in frame"));
        src.selectFrame(0);
        src.insertTable(1, 2);
        QCOMPARE(own, theirs); // both pages numbered from 1

        edit.select(edit.textLength() - 1, 0);
        edit.insertPage(source);
        QCOMPARE(edit.text(), QStringLiteral("[own\x01theirs\x01\x01\x01\a\a\a]"));
        QList<int> fields;
        for (int id = edit.nextField(0); id != 0; id = edit.nextField(id))
            fields.append(id);
        QCOMPARE(fields.size(), 2);
        QVERIFY(fields.at(0) != fields.at(1));
        edit.setCurrentField(fields.at(0));
        QCOMPARE(edit.fieldData(), QStringLiteral("TG_1"));
        edit.setCurrentField(fields.at(1));
        QCOMPARE(edit.fieldData(), QStringLiteral("TG_2"));
        QCOMPARE(edit.fieldText(), QStringLiteral("theirs"));
        // Objects are distinct; identical picture bytes are stored once.
        const QList<int> objects = edit.objectIds();
        QCOMPARE(objects.size(), 4);
        QCOMPARE(QSet<int>(objects.cbegin(), objects.cend()).size(), 4);
        QVERIFY(objects.contains(ownPicture));
        QCOMPARE(target.pictureNames().size(), 2);
        // The frame's text came along under the new id, with a field of its own.
        const int newFrame = edit.nextObject(TextFrameKind, 0);
        QVERIFY(newFrame > 0);
        QVERIFY(edit.selectFrame(newFrame));
        QCOMPARE(edit.text(), QStringLiteral("in frame"));
        const int frameField = edit.nextField(0);
        QVERIFY(frameField > 0 && !fields.contains(frameField));
        edit.selectFrame(0);
        QCOMPARE(edit.tableIds().size(), 1);
        QVERIFY(!objects.contains(edit.tableIds().first()));
        // One undo step takes the whole insertion back.
        QVERIFY(edit.undo());
        QCOMPARE(edit.text(), QStringLiteral("[own\x01]"));
    }

    void insertingAPageReplacesTheSelectionButNoCells()
    {
        PageDocument target;
        RichTextEdit edit(&target);
        edit.setSelectedText(QStringLiteral("ab"));
        const int table = edit.insertTable(1, 2);
        edit.setCellText(table, 1, 1, QStringLiteral("x"));
        PageDocument source;
        RichTextEdit(&source).setSelectedText(QStringLiteral("NEW"));
        edit.select(1, 3); // "b", the table start, "x"
        edit.insertPage(source);
        QCOMPARE(edit.tableColumns(table), 2);
        QCOMPARE(edit.text(), QStringLiteral("aNEW\a\a\a"));
        QCOMPARE(edit.selStart(), 4);
    }
};

QTEST_MAIN(TestRichTextEdit)
#include "tst_richtext_edit.moc"

#include "platform/docx/DocumentFile.h"
#include "platform/docx/DocxWriter.h"
#include "platform/docx/ZipPackage.h"
#include "platform/richtext/HtmlExport.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/RichTextEdit.h"
#include "platform/richtext/TableOps.h"
#include "platform/richtext/TextProps.h"
#include "platform/rtf/RtfWriter.h"

#include <QPainter>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>
#include <QtTest>

#include "support/SamplePage.h"
#include "support/TestImages.h"

using namespace TextProps;

Q_DECLARE_METATYPE(TableOps::Merge)

// A 3 x 3 table whose cells read "r<row>c<column>".
static int table3x3(RichTextEdit &edit)
{
    edit.setSelectedText(QStringLiteral("before\n"));
    const int table = edit.insertTable(3, 3);
    for (int r = 1; r <= 3; ++r)
        for (int c = 1; c <= 3; ++c)
            edit.setCellText(table, r, c, QStringLiteral("r%1c%2").arg(r).arg(c));
    return table;
}

class TestRichTextObjects : public QObject
{
    Q_OBJECT
private slots:
    void cellsReadAndWriteByOneBasedIndex()
    {
        PageDocument page;
        RichTextEdit edit(&page);
        const int table = table3x3(edit);
        QVERIFY(table > 0);
        QCOMPARE(edit.tableRows(table), 3);
        QCOMPARE(edit.tableColumns(table), 3);
        QCOMPARE(edit.cellText(table, 2, 3), QStringLiteral("r2c3"));
        QCOMPARE(edit.cellText(table, 0, 1), QString());
        QCOMPARE(edit.cellText(table, 4, 1), QString());
        QVERIFY(!edit.setCellText(table, 1, 4, QStringLiteral("x")));
        QVERIFY(!edit.setCellText(table + 100, 1, 1, QStringLiteral("x")));
        QVERIFY(edit.setCellText(table, 1, 1, QStringLiteral("two\nlines")));
        QCOMPARE(edit.cellText(table, 1, 1), QStringLiteral("two\nlines"));
        // Start and length of a cell point at its text in the position model.
        const int start = edit.cellStart(table, 2, 2);
        QCOMPARE(edit.text().mid(start - 1, edit.cellLength(table, 2, 2)), QStringLiteral("r2c2"));
        QCOMPARE(edit.cellStart(table, 9, 9), 0);
        // Caret in a cell.
        edit.setSelStart(start - 1);
        QCOMPARE(edit.tableAtCaret(), table);
        QCOMPARE(edit.rowAtCaret(), 2);
        QCOMPARE(edit.columnAtCaret(), 2);
        edit.setSelStart(0);
        QCOMPARE(edit.tableAtCaret(), 0);
        QCOMPARE(edit.rowAtCaret(), 0);
        QVERIFY(!edit.canInsertRow() && !edit.canSplitTable());
    }

    // Where a cell starts, asked of its neighbours, is where Qt's cell search puts it, for merged cells of
    // every shape side by side and one above another.
    void cellStartsWhereQtPutsIt_data()
    {
        QTest::addColumn<QList<TableOps::Merge>>("merges");
        using M = TableOps::Merge;
        QTest::newRow("none") << QList<M>{};
        QTest::newRow("across a row") << QList<M>{{1, 0, 1, 4}};
        QTest::newRow("down a column") << QList<M>{{0, 2, 4, 1}};
        QTest::newRow("block") << QList<M>{{1, 1, 2, 2}};
        QTest::newRow("stacked alike") << QList<M>{{0, 0, 2, 2}, {2, 0, 2, 2}};
        QTest::newRow("side by side alike") << QList<M>{{0, 0, 2, 2}, {0, 2, 2, 2}};
        QTest::newRow("staggered") << QList<M>{{0, 0, 2, 1}, {1, 1, 2, 1}, {0, 2, 1, 2}, {3, 0, 1, 3}};
        QTest::newRow("everything") << QList<M>{{0, 0, 4, 4}};
    }
    void cellStartsWhereQtPutsIt()
    {
        QFETCH(QList<TableOps::Merge>, merges);
        QTextDocument doc;
        QTextTable *table = QTextCursor(&doc).insertTable(4, 4);
        TableOps::mergeCells(table, std::vector<TableOps::Merge>(merges.begin(), merges.end()));
        int starts = 0;
        for (int r = 0; r < 4; ++r) {
            for (int c = 0; c < 4; ++c) {
                const QTextTableCell cell = table->cellAt(r, c);
                const bool expected = cell.row() == r && cell.column() == c;
                QVERIFY2(TableOps::cellStartsAt(table, r, c) == expected, qPrintable(QStringLiteral("%1,%2").arg(r).arg(c)));
                starts += expected;
            }
        }
        int covered = 0;
        for (const TableOps::Merge &m : merges)
            covered += m.rows * m.columns - 1;
        QCOMPARE(starts, 16 - covered);
        QVERIFY(!TableOps::cellStartsAt(table, 4, 0));
        QVERIFY(!TableOps::cellStartsAt(table, 0, -1));
    }

    void badTableSizesAreRefused_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("columns");
        QTest::newRow("no rows") << 0 << 3;
        QTest::newRow("negative") << 2 << -1;
        QTest::newRow("huge") << 100000 << 100000;
    }
    void badTableSizesAreRefused()
    {
        QFETCH(int, rows);
        QFETCH(int, columns);
        PageDocument page;
        RichTextEdit edit(&page);
        QCOMPARE(edit.insertTable(rows, columns), 0);
        QVERIFY(edit.tableIds().isEmpty());
    }

    void splitBelowTheFirstRowGivesTwoTables_data()
    {
        QTest::addColumn<int>("caretRow");
        QTest::addColumn<int>("side");
        QTest::addColumn<int>("firstRows");
        QTest::newRow("below row 1") << 1 << 2 << 1;
        QTest::newRow("above row 2") << 2 << 1 << 1;
        QTest::newRow("above row 3") << 3 << 1 << 2;
    }
    void splitBelowTheFirstRowGivesTwoTables()
    {
        QFETCH(int, caretRow);
        QFETCH(int, side);
        QFETCH(int, firstRows);
        PageDocument page;
        RichTextEdit edit(&page);
        const int table = table3x3(edit);
        edit.setSelStart(edit.cellStart(table, caretRow, 1) - 1);
        QVERIFY(edit.canSplitTable());
        QVERIFY(edit.splitTable(side));
        const QList<int> ids = edit.tableIds();
        QCOMPARE(ids.size(), 2);
        QCOMPARE(ids.first(), table);
        QVERIFY(ids.last() != table);
        QCOMPARE(edit.tableRows(ids.first()), firstRows);
        QCOMPARE(edit.tableRows(ids.last()), 3 - firstRows);
        QCOMPARE(edit.cellText(ids.last(), 1, 2), QStringLiteral("r%1c2").arg(firstRows + 1));
        QCOMPARE(edit.cellText(ids.first(), firstRows, 3), QStringLiteral("r%1c3").arg(firstRows));
        // Splitting above the first row or below the last does nothing.
        edit.setSelStart(edit.cellStart(ids.first(), 1, 1) - 1);
        QVERIFY(!edit.splitTable(1));
        QCOMPARE(edit.tableIds().size(), 2);
    }

    void splitCutsAMergedCellAcrossTheLine()
    {
        PageDocument page;
        RichTextEdit edit(&page);
        const int table = table3x3(edit);
        QVERIFY(edit.mergeCells(table, 1, 1, 3, 1)); // first column, all rows
        QVERIFY(!edit.mergeCells(table, 3, 3, 2, 1));
        edit.setSelStart(edit.cellStart(table, 2, 2) - 1);
        QVERIFY(edit.splitTable(1));
        const QList<int> ids = edit.tableIds();
        QCOMPARE(ids.size(), 2);
        QCOMPARE(edit.tableRows(ids.at(0)), 1);
        QCOMPARE(edit.tableRows(ids.at(1)), 2);
        QCOMPARE(edit.tableColumns(ids.at(1)), 3);
        QCOMPARE(edit.cellText(ids.at(1), 1, 2), QStringLiteral("r2c2"));
    }

    void rowsAndColumnsAroundTheCaret()
    {
        PageDocument page;
        RichTextEdit edit(&page);
        const int table = table3x3(edit);
        edit.setSelStart(edit.cellStart(table, 2, 2) - 1);
        QVERIFY(edit.insertRows(2, 1));
        QCOMPARE(edit.tableRows(table), 5);
        QCOMPARE(edit.cellText(table, 4, 2), QStringLiteral("r2c2"));
        QVERIFY(edit.insertColumn(2));
        QCOMPARE(edit.tableColumns(table), 4);
        QCOMPARE(edit.cellText(table, 4, 4), QStringLiteral("r2c3"));
        QVERIFY(!edit.insertRows(1, 3));
        edit.setSelStart(edit.cellStart(table, 4, 1) - 1);
        QVERIFY(edit.deleteRows());
        QCOMPARE(edit.tableRows(table), 4);
        edit.setSelStart(edit.cellStart(table, 1, 1) - 1);
        QVERIFY(edit.deleteColumns());
        QCOMPARE(edit.tableColumns(table), 3);
        QCOMPARE(edit.cellText(table, 1, 1), QStringLiteral("r1c2"));
    }

    void columnWidthAndCellAttributes()
    {
        PageDocument page;
        RichTextEdit edit(&page);
        const int table = table3x3(edit);
        QVERIFY(edit.setColumnWidth(table, 2, 1440));
        QTextTable *t = qobject_cast<QTextTable *>(page.main()->rootFrame()->childFrames().first());
        QVERIFY(t);
        QCOMPARE(t->format().columnWidthConstraints().at(1).rawValue(), 96.0);
        QVERIFY(!edit.setColumnWidth(table, 4, 100));
        edit.setSelStart(edit.cellStart(table, 1, 1) - 1);
        QCOMPARE(edit.cellAttribute(4).toInt(), 0xFFFFFF);
        QVERIFY(edit.setCellAttribute(4, 0x00FF00, true));
        edit.setSelStart(edit.cellStart(table, 3, 3) - 1);
        QCOMPARE(edit.cellAttribute(4).toInt(), 0x00FF00);
        QVERIFY(edit.setCellAttribute(7, QStringLiteral("v"), false));
        QCOMPARE(edit.cellAttribute(7).toString(), QStringLiteral("v"));
        edit.setSelStart(0);
        QVERIFY(!edit.setCellAttribute(4, 0, true));
    }

    void picturesInlineAndFloating()
    {
        PageDocument page;
        RichTextEdit edit(&page);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("p.jpg"));
        {
            QFile out(file);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(TestImages::bytes("JPEG", Qt::red, 40, 20));
        }
        edit.setSelectedText(QStringLiteral("ab"));
        edit.setSelStart(1);
        const int inLine = edit.insertPictureFile(file, 50);
        QVERIFY(inLine > 0);
        QCOMPARE(edit.text(), QStringLiteral("a\x01" "b"));
        const int floating =
            edit.insertPicture(TestImages::bytes("PNG", Qt::blue, 40, 20), 100, 2);
        QVERIFY(floating > 0 && floating != inLine);
        QCOMPARE(edit.objectIds(PictureKind), (QList<int>{inLine, floating}));
        QCOMPARE(edit.objectKind(inLine), int(PictureKind));
        QCOMPARE(edit.objectCount(), 2);
        QVERIFY(edit.setCurrentObject(inLine));
        QCOMPARE(edit.pictureFile(), file);
        QVERIFY(edit.pictureStored());
        QVERIFY(edit.setObjectDistance(2, 100));
        QCOMPARE(edit.objectDistance(2), 100);
        QCOMPARE(edit.objectDistance(1), 0);
        QVERIFY(!edit.setObjectDistance(5, 100));
        QVERIFY(!edit.setObjectDistance(1, -1));
        QCOMPARE(edit.currentObjectOfKind(PictureKind), inLine);
        QCOMPARE(edit.currentObjectOfKind(TextFrameKind), 0);
        // The bytes are kept as read, with their format.
        const QStringList names = page.usedPictureNames();
        QCOMPARE(names.size(), 2);
        QCOMPARE(page.pictureFormat(names.first()), QByteArray("jpeg"));
        QFile in(file);
        QVERIFY(in.open(QIODevice::ReadOnly));
        QCOMPARE(page.pictureBytes(names.first()), in.readAll());
        // Scaled to half size, in pixels.
        const QTextImageFormat scaled = SamplePage::formatOfObject(page.main(), inLine).toImageFormat();
        QVERIFY(scaled.isImageFormat());
        QCOMPARE(scaled.width(), 20.0);
        QCOMPARE(scaled.height(), 10.0);
        QCOMPARE(scaled.intProperty(PictureScale), 50);
        edit.select(1, 1);
        QCOMPARE(edit.currentObject(), inLine);
    }

    // Text put beside a picture is text, never another picture: it takes the look of the text before
    // the picture, not the picture's format, and every writer writes each picture once, for pages
    // stored by earlier versions (text in a picture's format) too.
    void textBesideAPictureIsText_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("pictures");
        QTest::newRow("line break after it") << QStringLiteral("break") << 1;
        QTest::newRow("paragraph end after it") << QStringLiteral("paragraph") << 1;
        QTest::newRow("typed after it") << QStringLiteral("typed") << 1;
        QTest::newRow("typed before it at the paragraph's start") << QStringLiteral("start") << 1;
        QTest::newRow("typed over it") << QStringLiteral("over") << 0;
        QTest::newRow("stored by an earlier version") << QStringLiteral("stored") << 1;
    }

    void textBesideAPictureIsText()
    {
        QFETCH(QString, how);
        QFETCH(int, pictures);
        PageDocument page;
        RichTextEdit edit(&page);
        edit.setSelectedText(QStringLiteral("ab"));
        edit.select(0, 2);
        edit.setBold(true);
        edit.setSelStart(how == QLatin1String("start") ? 0 : 2);
        const int picture = edit.insertPicture(TestImages::bytes("PNG", Qt::blue, 12, 8), 100, 0);
        QVERIFY(picture > 0);
        const int at = edit.selStart();
        if (how == QLatin1String("break"))
            edit.setSelectedText(QString(QChar(11)) + QStringLiteral("xy"));
        else if (how == QLatin1String("paragraph"))
            edit.setSelectedText(QStringLiteral("\nxy"));
        else if (how == QLatin1String("typed"))
            edit.setSelectedText(QStringLiteral("xy"));
        else if (how == QLatin1String("start")) {
            edit.setSelStart(0);
            edit.setSelectedText(QStringLiteral("xy"));
        } else if (how == QLatin1String("over")) {
            edit.select(at - 1, 1);
            edit.replaceSelectedText(QStringLiteral("xy"), false);
        } else {
            QTextCursor old(page.main());
            old.setPosition(at);
            old.insertText(QString(QChar::LineSeparator) + QStringLiteral("xy"), SamplePage::formatOfObject(page.main(), picture));
        }
        const int x = int(edit.text().indexOf(QStringLiteral("xy")));
        QVERIFY(x >= 0);
        if (how != QLatin1String("stored")) {
            for (int i : {x, x + 1}) {
                QTextCursor c(page.main());
                c.setPosition(i + 1);
                const QTextCharFormat f = c.charFormat();
                QVERIFY2(!f.isImageFormat() && !f.hasProperty(QTextFormat::ImageName) && !f.hasProperty(ObjectId),
                         qPrintable(QString::number(i)));
                QCOMPARE(f.fontWeight(), int(QFont::Bold));
            }
        }
        QTemporaryDir dir;
        HtmlExport::Options options;
        const QString html = HtmlExport::text(page, dir.filePath(QStringLiteral("p.htm")), options);
        QCOMPARE(int(html.count(QStringLiteral("<img "))), pictures);
        QVERIFY(html.contains(QStringLiteral("xy")));
        ZipPackage docx;
        QByteArray document;
        QVERIFY(docx.open(DocxWriter::pageBytes(page)) && docx.read(QStringLiteral("word/document.xml"), document));
        QCOMPARE(int(document.count("<pic:pic")), pictures);
        QVERIFY(document.contains("xy</w:t>"));
        const QByteArray rtf = RtfWriter::pageBytes(page);
        QCOMPARE(int(rtf.count("{\\pict")), pictures);
        QVERIFY(rtf.contains("xy"));
        QVERIFY(DocumentFile::plainText(page).contains(QStringLiteral("xy")));
    }

    void missingOrBrokenPictureFilesInsertNothing()
    {
        PageDocument page;
        RichTextEdit edit(&page);
        QTemporaryDir dir;
        QCOMPARE(edit.insertPictureFile(dir.filePath(QStringLiteral("none.png"))), 0);
        const QString broken = dir.filePath(QStringLiteral("broken.png"));
        QFile out(broken);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(TestImages::bytes("PNG", Qt::red, 40, 20).left(30));
        out.close();
        QCOMPARE(edit.insertPictureFile(broken), 0);
        QCOMPARE(edit.text(), QString());
        QCOMPARE(edit.objectCount(), 0);
    }

    void textFramesAreOwnParts()
    {
        PageDocument page;
        RichTextEdit edit(&page);
        edit.setSelectedText(QStringLiteral("ab"));
        edit.setSelStart(1);
        const int frame = edit.insertTextFrame(
            RichTextEdit::frameArgs({100, 100, 100, 100, 2, 1000, 3000, 0, 0, 1, -1}));
        QVERIFY(frame > 0);
        QCOMPARE(edit.text(), QStringLiteral("a\x01" "b"));
        QCOMPARE(edit.objectKind(frame), int(TextFrameKind));
        QCOMPARE(edit.nextObject(TextFrameKind, 0), frame);
        QCOMPARE(edit.nextObject(TextFrameKind, frame), 0);
        QCOMPARE(edit.nextObject(PictureKind, 0), 0);
        QVERIFY(edit.setFrameBackground(frame, 0xFAFEFE));
        QVERIFY(!edit.setFrameBackground(frame + 50, 0));
        // Entering the frame: its own text and caret; leaving restores the main caret.
        edit.setSelStart(2);
        QVERIFY(edit.selectFrame(frame));
        QCOMPARE(edit.currentFrame(), frame);
        QCOMPARE(edit.text(), QString());
        edit.setSelectedText(QStringLiteral("[Iframe:1]\vhttp://x"));
        QVERIFY(!edit.insertTextFrame(RichTextEdit::FrameArgs()));
        QVERIFY(edit.selectFrame(0));
        QCOMPARE(edit.text(), QStringLiteral("a\x01" "b"));
        QCOMPARE(edit.selStart(), 2);
        QVERIFY(!edit.selectFrame(frame + 50));
        QCOMPARE(page.frameDocument(frame)->toRawText(), QStringLiteral("[Iframe:1]\u2028http://x"));
        // The anchor draws the frame's text on its background.
        QImage canvas(400, 200, QImage::Format_RGB32);
        canvas.fill(Qt::white);
        {
            QPainter painter(&canvas);
            page.main()->drawContents(&painter);
        }
        bool background = false;
        for (int y = 0; y < canvas.height() && !background; ++y)
            for (int x = 0; x < canvas.width() && !background; ++x)
                background = canvas.pixelColor(x, y) == QColor(0xFE, 0xFE, 0xFA);
        QVERIFY(background);
        // Deleting the frame object; undo brings it back with its text.
        QCOMPARE(page.usedFrameIds(), QList<int>{frame});
        QVERIFY(edit.deleteObject(frame));
        QCOMPARE(edit.text(), QStringLiteral("ab"));
        QVERIFY(page.usedFrameIds().isEmpty());
        QCOMPARE(page.frameIds(), QList<int>{frame});
        QVERIFY(edit.undo());
        QVERIFY(edit.selectFrame(frame));
        QCOMPARE(edit.text(), QStringLiteral("[Iframe:1]\vhttp://x"));
        // Dropping the frame being edited returns the editor to the main text.
        page.removeFrameDocument(frame);
        QCOMPARE(edit.document(), page.main());
        QCOMPARE(edit.currentFrame(), 0);
        QCOMPARE(edit.text(), QStringLiteral("a\x01" "b"));
    }

    void aFrameNamingItselfIsDrawnOnce()
    {
        PageDocument page;
        RichTextEdit edit(&page);
        const int frame = edit.insertTextFrame(RichTextEdit::FrameArgs());
        // As damaged bytes could build it: the frame's own text holds an anchor of the same frame.
        QTextCharFormat anchor;
        anchor.setObjectType(TextFrameObject);
        anchor.setProperty(ObjectId, frame);
        anchor.setProperty(FrameWidth, 500);
        anchor.setProperty(FrameHeight, 500);
        QTextCursor(page.frameDocument(frame)).insertText(QString(QChar::ObjectReplacementCharacter), anchor);
        QImage canvas(300, 200, QImage::Format_RGB32);
        QPainter painter(&canvas);
        page.main()->drawContents(&painter);
        QVERIFY(painter.isActive());
    }

    void objectsByKindInTextOrder()
    {
        PageDocument page;
        RichTextEdit edit(&page);
        const int pic1 = edit.insertPicture(TestImages::bytes("PNG", Qt::red, 40, 20));
        const int frame = edit.insertTextFrame(RichTextEdit::FrameArgs());
        const int pic2 =
            edit.insertPicture(TestImages::bytes("PNG", Qt::green, 40, 20), 100, 1);
        QCOMPARE(edit.objectIds(), (QList<int>{pic1, frame, pic2}));
        QCOMPARE(edit.nextObject(0, pic1), frame);
        QCOMPARE(edit.nextObject(PictureKind, pic1), pic2);
        QVERIFY(edit.setCurrentObject(frame));
        QCOMPARE(edit.currentObjectOfKind(TextFrameKind), frame);
        QVERIFY(edit.removeCurrentObject());
        QCOMPARE(edit.objectIds(), (QList<int>{pic1, pic2}));
        QVERIFY(!edit.setCurrentObject(frame));
        QVERIFY(edit.selectObject(pic2));
        QCOMPARE(edit.selStart(), 1);
        QCOMPARE(edit.selLength(), 1);
        QVERIFY(edit.deleteObject(pic1));
        QCOMPARE(edit.objectCount(), 1);
        QVERIFY(!edit.deleteObject(pic1));
    }
};

QTEST_MAIN(TestRichTextObjects)
#include "tst_richtext_objects.moc"

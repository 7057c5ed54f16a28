#include "platform/richtext/PageDocument.h"
#include "platform/richtext/RichTextEdit.h"
#include "platform/richtext/TextProps.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QUrl>
#include <QtTest>

#include "support/TestImages.h"

using namespace TextProps;

// "ab[field]<picture><frame: 'in frame' with a field>cd" then a 2 x 2 table and "z".
struct Sample {
    PageDocument page;
    RichTextEdit edit{&page};
    int field = 0, picture = 0, frame = 0, frameField = 0, table = 0;
    Sample()
    {
        edit.setSelectedText(QStringLiteral("ab"));
        field = edit.insertField(QStringLiteral("field"));
        edit.setFieldData(QStringLiteral("TG_7"));
        picture = edit.insertPicture(TestImages::bytes("PNG", Qt::blue), 100, 1);
        frame = edit.insertTextFrame(RichTextEdit::FrameArgs());
        edit.selectFrame(frame);
        edit.setSelectedText(QStringLiteral("in frame "));
        frameField = edit.insertField(QStringLiteral("ff"));
        edit.selectFrame(0);
        edit.setSelectedText(QStringLiteral("cd\n"));
        table = edit.insertTable(2, 2);
        edit.setCellText(table, 1, 1, QStringLiteral("t11"));
        edit.setCellText(table, 2, 2, QStringLiteral("t22"));
        edit.select(edit.textLength(), 0);
        edit.setSelectedText(QStringLiteral("\nz"));
    }
};

class TestRichTextCopy : public QObject
{
    Q_OBJECT
private slots:
    void aSelectionBecomesAPageWithWhatItRefersTo()
    {
        Sample s;
        s.edit.select(1, 9); // "b", the field, the picture, the frame, "c"
        PageDocument copy;
        s.edit.copySelection(copy);
        RichTextEdit c(&copy);
        QCOMPARE(c.text(), QStringLiteral("bfield\x01\x01" "c"));
        QCOMPARE(c.nextField(0), s.field);
        QVERIFY(c.setCurrentField(s.field));
        QCOMPARE(c.fieldData(), QStringLiteral("TG_7"));
        QCOMPARE(c.objectIds(), (QList<int>{s.picture, s.frame}));
        QCOMPARE(copy.usedPictureNames(), s.page.usedPictureNames());
        QCOMPARE(copy.pictureBytes(copy.pictureNames().first()),
                 s.page.pictureBytes(s.page.pictureNames().first()));
        QVERIFY(c.selectFrame(s.frame));
        QCOMPARE(c.text(), QStringLiteral("in frame ff"));
        QCOMPARE(c.nextField(0), s.frameField);
        // New ids in the copy never collide with the copied ones.
        QVERIFY(copy.newFieldId() > s.frameField);
        QVERIFY(copy.newObjectId() > s.frame);
        QCOMPARE(copy.pageSetup(), s.page.pageSetup());
        QVERIFY(!copy.main()->isUndoAvailable());
    }

    void aStretchIntoATableTakesWholeCells()
    {
        Sample s;
        const int cell = s.edit.cellStart(s.table, 1, 1) - 1;
        s.edit.select(cell + 1, 1); // one character inside a cell: plain text
        PageDocument plain;
        s.edit.copySelection(plain);
        QCOMPARE(RichTextEdit(&plain).text(), QStringLiteral("1"));
        s.edit.select(cell - 2, 4); // "d", the paragraph end, into the table
        PageDocument withTable;
        s.edit.copySelection(withTable);
        RichTextEdit c(&withTable);
        QCOMPARE(c.tableIds(), QList<int>{s.table});
        QCOMPARE(c.tableRows(s.table), 2);
    }

    void imagesOfImportedTextAreStored()
    {
        PageDocument source;
        QImage image(5, 3, QImage::Format_RGB32);
        image.fill(Qt::green);
        source.main()->addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("x.png")), image);
        source.main()->setHtml(QStringLiteral("<p>a<img src=\"x.png\">b<img src=\"missing.png\"></p>"));
        PageDocument target;
        RichTextEdit edit(&target);
        edit.insertPage(source);
        QCOMPARE(edit.text(), QStringLiteral("a\x01" "b\x01"));
        QCOMPARE(target.pictureNames().size(), 1);
        const QString name = target.pictureNames().first();
        QCOMPARE(target.pictureFormat(name), QByteArray("png"));
        QCOMPARE(target.pictureImage(name).size(), QSize(5, 3));
        QCOMPARE(edit.objectCount(), 2);
    }
};

QTEST_MAIN(TestRichTextCopy)
#include "tst_richtext_copy.moc"

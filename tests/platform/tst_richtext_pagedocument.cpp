#include "platform/docx/DocxWriter.h"
#include "platform/docx/ZipPackage.h"
#include "platform/richtext/HtmlExport.h"
#include "platform/richtext/PageCodec.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/TextProps.h"

#include <QPainter>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextImageFormat>
#include <QTextList>
#include <QUrl>
#include <QtTest>

#include "support/SamplePage.h"
#include "support/TestImages.h"

using namespace TextProps;

class TestRichTextPageDocument : public QObject
{
    Q_OBJECT
private slots:
    // A numbered list whose items go on after a paragraph starts again at its own number: with start
    // where the document type has it, else with the browser's list-item counter; a list two indents
    // deeper than the list around it keeps the indent between.
    void listGoingOnStartsAtItsNumber_data()
    {
        QTest::addColumn<bool>("listStart");
        QTest::addColumn<QString>("expected");
        QTest::newRow("start attribute") << true << QStringLiteral("<ol start=\"3\">");
        QTest::newRow("list-item counter") << false << QStringLiteral("<ol style=\"counter-reset:list-item 2;\">");
    }

    void listGoingOnStartsAtItsNumber()
    {
        QFETCH(bool, listStart);
        QFETCH(QString, expected);
        PageDocument page;
        QTextCursor c(page.main());
        c.insertText(QStringLiteral("one"));
        QTextListFormat numbers;
        numbers.setStyle(QTextListFormat::ListDecimal);
        numbers.setIndent(1);
        QTextList *list = c.createList(numbers);
        c.insertBlock();
        c.insertText(QStringLiteral("two"));
        c.insertBlock();
        QTextListFormat deep;
        deep.setStyle(QTextListFormat::ListDisc);
        deep.setIndent(3);
        c.createList(deep);
        c.insertText(QStringLiteral("deep"));
        c.insertBlock(QTextBlockFormat());
        c.insertText(QStringLiteral("between"));
        QVERIFY(!c.block().textList());
        c.insertBlock();
        c.insertText(QStringLiteral("three"));
        list->add(c.block());
        QCOMPARE(list->itemText(c.block()), QStringLiteral("3."));
        QTemporaryDir dir;
        HtmlExport::Options options;
        options.listStart = listStart;
        const QString html = HtmlExport::text(page, dir.filePath(QStringLiteral("p.htm")), options);
        QVERIFY2(html.contains(expected), qPrintable(html));
        // The list inside "two", its bullet the browser would not give there, the level between as padding.
        QVERIFY2(html.contains(QStringLiteral("two</p>\r\n<ul style=\"list-style-type:disc;padding-left:60pt;\">")), qPrintable(html));
        QCOMPARE(html.count(QStringLiteral("<ol")), 2);
        QCOMPARE(html.count(QStringLiteral("<li>")), 4);
    }

    void partFlagsAddAndDropParts()
    {
        PageDocument page;
        QVERIFY(!page.main()->isUndoAvailable()); // setting the parts up is no edit
        QCOMPARE(page.partFlags(), 0);
        QVERIFY(!page.part(HeaderAll));
        page.setPartFlags(HeaderAll | FooterFirst);
        QCOMPARE(page.partFlags(), HeaderAll | FooterFirst);
        QVERIFY(page.part(HeaderAll) && page.part(FooterFirst));
        QVERIFY(page.part(HeaderAll) != page.part(FooterFirst));
        QTextCursor(page.part(HeaderAll)).insertText(QStringLiteral("Header"));
        // Setting the same bits again keeps the text; clearing a bit drops its part.
        page.setPartFlags(HeaderAll | FooterFirst | 16);
        QCOMPARE(page.part(HeaderAll)->toPlainText(), QStringLiteral("Header"));
        page.setPartFlags(FooterFirst);
        QVERIFY(!page.part(HeaderAll));
        QCOMPARE(page.partFlags(), FooterFirst);
        QVERIFY(!page.ensurePart(3)); // not a single part flag
        QVERIFY(page.ensurePart(HeaderFirst));
        QCOMPARE(page.partFlags(), FooterFirst | HeaderFirst);
        QCOMPARE(page.documents().size(), 3);
        QCOMPARE(page.documents().first(), page.main());
    }

    void picturesAreStoredOnceAndServedToParts()
    {
        PageDocument page;
        const QByteArray red = TestImages::bytes("PNG", Qt::red);
        const QString name = page.addPicture(red);
        QVERIFY(!name.isEmpty());
        QCOMPARE(page.addPicture(red), name);
        QVERIFY(page.addPicture(TestImages::bytes("PNG", Qt::blue)) != name);
        QCOMPARE(page.pictureFormat(name), QByteArray("png"));
        QCOMPARE(page.pictureBytes(name), red);
        QCOMPARE(page.pictureImage(name).pixelColor(0, 0), QColor(Qt::red));
        QVERIFY(page.usedPictureNames().isEmpty());

        QTextImageFormat fmt;
        fmt.setName(name);
        QTextCursor cursor(page.ensurePart(HeaderAll));
        PageDocument::insertPicture(cursor, fmt);
        QCOMPARE(page.usedPictureNames(), QStringList{name});
        const QVariant res = page.part(HeaderAll)->resource(QTextDocument::ImageResource, QUrl(name));
        QCOMPARE(res.value<QImage>().pixelColor(1, 1), QColor(Qt::red));
    }

    void badPictureBytesAreRefused_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("format");
        QTest::newRow("empty") << QByteArray() << QByteArray();
        QTest::newRow("text") << QByteArray("not an image at all") << QByteArray();
        QTest::newRow("truncated png")
            << TestImages::bytes("PNG", Qt::green).left(20) << QByteArray("png");
    }
    void badPictureBytesAreRefused()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, format); // what the source calls them: the bytes decide
        Q_UNUSED(format);
        PageDocument page;
        QVERIFY(page.addPicture(bytes).isEmpty());
        QVERIFY(page.pictureNames().isEmpty());
    }

    void unknownImageNamesNeverReachTheFileSystem()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("outside.png"));
        QVERIFY(QImage::fromData(TestImages::bytes("PNG", Qt::green, 40, 40)).save(file));
        PageDocument page;
        QVERIFY(!page.main()->resource(QTextDocument::ImageResource, QUrl::fromLocalFile(file)).isValid());
        QVERIFY(!page.main()->resource(QTextDocument::ImageResource, QUrl(file)).isValid());
        QTextImageFormat fmt;
        fmt.setName(file); // as foreign bytes could name it
        QTextCursor cursor(page.main());
        cursor.insertImage(fmt);
        QImage canvas(200, 100, QImage::Format_RGB32);
        canvas.fill(Qt::white);
        {
            QPainter painter(&canvas);
            page.main()->drawContents(&painter);
        }
        for (int y = 0; y < canvas.height(); ++y)
            for (int x = 0; x < canvas.width(); ++x)
                QVERIFY2(canvas.pixelColor(x, y) != QColor(Qt::green), "drawn from the file");
    }

    void storedPicturesAreDrawn()
    {
        PageDocument page;
        QTextImageFormat fmt;
        fmt.setName(page.addPicture(TestImages::bytes("PNG", Qt::green, 40, 40)));
        QTextCursor cursor(page.main());
        cursor.insertImage(fmt);
        cursor.insertBlock();
        fmt.setWidth(1e12); // damaged size
        cursor.insertImage(fmt);
        // A copy made for printing draws them too, once attached to the page.
        std::unique_ptr<QTextDocument> copy(page.main()->clone());
        page.attachTo(copy.get());
        for (QTextDocument *doc : {page.main(), copy.get()}) {
            QImage canvas(200, 100, QImage::Format_RGB32);
            canvas.fill(Qt::white);
            {
                QPainter painter(&canvas);
                doc->drawContents(&painter);
            }
            QCOMPARE(canvas.pixelColor(20, 20), QColor(Qt::green));
        }
    }

    void floatingPictureKeepsItsLayout()
    {
        PageDocument page;
        QTextImageFormat fmt;
        fmt.setName(page.addPicture(TestImages::bytes("PNG", Qt::red)));
        fmt.setProperty(PictureLayout, 2);
        fmt.setProperty(QTextFormat::ObjectIndex, 99); // stale index from elsewhere
        QTextCursor cursor(page.main());
        PageDocument::insertPicture(cursor, fmt);
        // The cursor hides the object index; the fragment has it.
        const QTextCharFormat read = page.main()->begin().begin().fragment().charFormat();
        QVERIFY(read.isImageFormat());
        QCOMPARE(read.intProperty(PictureLayout), 2);
        auto *frame = qobject_cast<QTextFrame *>(page.main()->objectForFormat(read));
        QVERIFY(frame);
        QVERIFY(frame->frameFormat().position() != QTextFrameFormat::InFlow);
    }

    void framesAndIdCounters()
    {
        PageDocument page;
        QCOMPARE(page.newFieldId(), 1);
        QVERIFY(page.noteFieldId(40));
        QCOMPARE(page.newFieldId(), 41);
        QVERIFY(!page.noteFieldId(0));
        QVERIFY(!page.noteFieldId(-5));
        QVERIFY(!page.noteObjectId(PageDocument::MaxId + 1));
        QTextDocument *a = page.createFrameDocument();
        QCOMPARE(page.frameIdOf(a), 1);
        QTextDocument *b = page.createFrameDocument(7);
        QCOMPARE(page.frameIdOf(b), 7);
        QCOMPARE(page.createFrameDocument(7), b);
        QCOMPARE(page.newObjectId(), 8);
        QTextDocument *c = page.createFrameDocument(-3);
        QCOMPARE(page.frameIdOf(c), 9);
        QCOMPARE(page.frameIds(), (QList<int>{1, 7, 9}));
        page.removeFrameDocument(7);
        QCOMPARE(page.frameIds(), (QList<int>{1, 9}));
        QVERIFY(!page.frameDocument(7));
        QTextCursor(page.main()).insertText(QStringLiteral("x"));
        page.clear();
        QVERIFY(page.frameIds().isEmpty());
        QVERIFY(page.main()->isEmpty());
        QCOMPARE(page.main()->documentMargin(), 0.0);
        QVERIFY(!page.main()->isUndoAvailable());
        QCOMPARE(page.newObjectId(), 1);
        QCOMPARE(page.pageSetup(), PageSetup());
    }

    // Batch work loads pages without layout: nothing is laid out, parts made later follow, and the
    // page gives the same bytes, HTML and Word document as one laid out.
    void pageWithoutLayoutReadsAsLaidOut()
    {
        PageDocument source;
        SamplePage::fillEveryConstruct(source);
        // Pictures without a size of their own: the HTML and Word writers take the picture's.
        QTextCursor end(source.main());
        end.movePosition(QTextCursor::End);
        for (const char *format : {"JPEG", "PNG"}) {
            QTextImageFormat image;
            image.setName(source.addPicture(TestImages::bytes(format, Qt::blue, 13, 7)));
            image.setProperty(ObjectId, source.newObjectId());
            PageDocument::insertPicture(end, image);
        }
        const QByteArray bytes = PageCodec::save(source);

        PageDocument laid;
        PageDocument batch(PageDocument::WithoutLayout);
        QVERIFY(PageCodec::load(laid, bytes));
        QVERIFY(PageCodec::load(batch, bytes));
        QVERIFY(batch.documents().size() > 2);
        for (QTextDocument *doc : batch.documents()) {
            QVERIFY(!doc->isLayoutEnabled());
            QCOMPARE(doc->firstBlock().layout()->lineCount(), 0);
        }
        QVERIFY(laid.main()->firstBlock().layout()->lineCount() > 0);
        QVERIFY(!batch.ensurePart(FooterAll)->isLayoutEnabled());
        QVERIFY(laid.ensurePart(FooterAll)->isLayoutEnabled());
        QCOMPARE(PageCodec::save(batch), PageCodec::save(laid));

        QTemporaryDir dirA, dirB;
        HtmlExport::Options options;
        const QString html = HtmlExport::text(batch, dirA.filePath(QStringLiteral("p.htm")), options);
        QCOMPARE(html, HtmlExport::text(laid, dirB.filePath(QStringLiteral("p.htm")), options));
        QCOMPARE(html.count(QStringLiteral("width=\"13\" height=\"7\"")), 2);

        ZipPackage a, b;
        QVERIFY(a.open(DocxWriter::pageBytes(batch)));
        QVERIFY(b.open(DocxWriter::pageBytes(laid)));
        QByteArray xmlA, xmlB;
        QVERIFY(a.read(QStringLiteral("word/document.xml"), xmlA));
        QVERIFY(b.read(QStringLiteral("word/document.xml"), xmlB));
        QCOMPARE(xmlA, xmlB);
        QVERIFY(xmlA.contains("cx=\"123825\" cy=\"66675\"")); // 13 x 7 pixels in EMU

        // Layout switched on again lays the page out.
        batch.setLayoutEnabled(true);
        QVERIFY(batch.main()->firstBlock().layout()->lineCount() > 0);
    }

    void textAreaNeverBelowOneTwip()
    {
        PageSetup setup;
        QCOMPARE(setup.textWidth(), 12240 - 850 - 567);
        setup.marginLeft = 20000;
        QCOMPARE(setup.textWidth(), 1);
        setup.marginTop = setup.marginBottom = 10000;
        QCOMPARE(setup.textHeight(), 1);
    }
};

QTEST_MAIN(TestRichTextPageDocument)
#include "tst_richtext_pagedocument.moc"

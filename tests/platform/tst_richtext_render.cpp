#include "platform/richtext/PageCodec.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/PageRenderer.h"
#include "platform/richtext/RichTextEdit.h"
#include "platform/richtext/TextProps.h"
#include "support/PdfPages.h"
#include "support/SamplePage.h"
#include "support/TestImages.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <QTextTable>
#include <QtTest>

#include <sys/stat.h>

using namespace TextProps;

namespace {

// Five pages through page breaks, a header on every page, a footer on the first page only.
void fillFivePages(PageDocument &page)
{
    QTextCursor cursor(page.main());
    QTextBlockFormat pageBreak;
    pageBreak.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    for (int n = 1; n <= 5; ++n) {
        if (n > 1)
            cursor.insertBlock(pageBreak);
        cursor.insertText(QStringLiteral("Body of page %1").arg(n));
    }
    QTextCursor(page.ensurePart(HeaderAll)).insertText(QStringLiteral("Running header"));
    QTextCursor(page.ensurePart(FooterFirst)).insertText(QStringLiteral("First footer"));
}

bool blank(const QImage &image, const QRect &area)
{
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (image.pixel(x, y) != qRgb(255, 255, 255))
                return false;
        }
    }
    return true;
}

bool red(QRgb pixel)
{
    return qRed(pixel) > 200 && qGreen(pixel) < 80 && qBlue(pixel) < 80;
}

bool dark(QRgb pixel)
{
    return qRed(pixel) < 110 && qGreen(pixel) < 110 && qBlue(pixel) < 110;
}

// Rows of a rendered page: the picture (red) and the text above and below it (dark) stand apart.
void verifyPictureBetweenLines(const QImage &page, const char *where)
{
    int pictureTop = -1;
    int pictureBottom = -1;
    for (int y = 0; y < page.height(); ++y) {
        int count = 0;
        for (int x = 0; x < page.width(); ++x)
            count += red(page.pixel(x, y));
        if (count >= 20) {
            if (pictureTop < 0)
                pictureTop = y;
            pictureBottom = y;
        }
    }
    QVERIFY2(pictureTop > 0, where);
    QVERIFY2(pictureBottom - pictureTop > 100, where);
    auto darkIn = [&page](int from, int to) {
        int count = 0;
        for (int y = qMax(0, from); y < qMin(to, page.height()); ++y)
            for (int x = 0; x < page.width(); ++x)
                count += dark(page.pixel(x, y));
        return count;
    };
    QVERIFY2(darkIn(0, pictureTop) > 30, where);                       // the line above shows whole
    QVERIFY2(darkIn(pictureBottom + 1, page.height()) > 30, where);    // and so does the line below
    QCOMPARE(darkIn(pictureTop + 3, pictureBottom - 3), 0);             // no text under the picture
}

QImage pdfPageImage(const QString &pdf, const QString &prefix)
{
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("pdftoppm"));
    if (tool.isEmpty())
        return QImage();
    QProcess process;
    process.start(tool, {QStringLiteral("-r"), QStringLiteral("96"), QStringLiteral("-f"), QStringLiteral("1"),
                         QStringLiteral("-l"), QStringLiteral("1"), QStringLiteral("-png"),
                         QStringLiteral("-singlefile"), pdf, prefix});
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return QImage();
    return QImage(prefix + QStringLiteral(".png"));
}

// Words drawn at random, so that no line of a page's text is the same as another.
QString randomWords(QRandomGenerator &random, int count)
{
    static const QStringList words = QStringLiteral("river stone lantern harbour maple copper window quiet north "
                                                    "garden paper winter 段落 文章 川").split(QLatin1Char(' '));
    QStringList text;
    for (int i = 0; i < count; ++i)
        text << words.at(random.bounded(int(words.size())));
    return text.join(QLatin1Char(' '));
}

// Pages of text whose paragraphs (or cells) run over page ends: ordinary paragraphs, one long
// paragraph of pasted lines held as blocks, a table, or paragraphs under a header and over a footer.
void fillOverPages(PageDocument &page, const QString &kind)
{
    QRandomGenerator random(46);
    RichTextEdit edit(&page);
    QStringList paragraphs;
    for (int n = 0; n < 40; ++n)
        paragraphs << randomWords(random, 60 + random.bounded(60));
    if (kind == QLatin1String("held")) {
        QStringList lines = SamplePage::pastedLines(150).split(QChar(11));
        for (QString &line : lines)
            line += QLatin1Char(' ') + randomWords(random, 15 + random.bounded(20));
        edit.setText(lines.join(QChar(11)));
    } else if (kind == QLatin1String("table")) {
        edit.setText(paragraphs.mid(0, 5).join(QLatin1Char('\n')));
        QTextCursor cursor(page.main());
        cursor.movePosition(QTextCursor::End);
        QTextTable *table = cursor.insertTable(40, 2);
        for (int row = 0; row < table->rows(); ++row) {
            for (int column = 0; column < table->columns(); ++column)
                table->cellAt(row, column).firstCursorPosition().insertText(randomWords(random, 10 + random.bounded(30)));
        }
    } else {
        edit.setText(paragraphs.join(QLatin1Char('\n')));
    }
    if (kind == QLatin1String("header")) {
        QTextCursor(page.ensurePart(HeaderAll)).insertText(QStringLiteral("Running header"));
        QTextCursor(page.ensurePart(FooterAll)).insertText(QStringLiteral("Running footer"));
    }
}

struct LaidOutLine {
    QString text; // without spaces
    int page;     // from 0, where its middle is: a page's first line may begin a rounding error above it
    int block;
};

QList<LaidOutLine> laidOutLines(QTextDocument *doc)
{
    QList<LaidOutLine> lines;
    const double pageHeight = doc->pageSize().height();
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        const double top = doc->documentLayout()->blockBoundingRect(block).top();
        for (int i = 0; i < block.layout()->lineCount(); ++i) {
            const QTextLine line = block.layout()->lineAt(i);
            QString text = block.text().mid(line.textStart(), line.textLength());
            text.remove(QRegularExpression(QStringLiteral("\\s")));
            lines.append({text, int((top + line.y() + line.height() / 2) / pageHeight), block.blockNumber()});
        }
    }
    return lines;
}

} // namespace

class TestRichTextRender : public QObject
{
    Q_OBJECT
private slots:
    void fivePagesGiveAFivePagePdfWithTheHeaderOnEach()
    {
        PageDocument page;
        fillFivePages(page);
        PageRenderer renderer(page);
        QCOMPARE(renderer.pageCount(), 5);
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("page.pdf"));
        QVERIFY(renderer.writePdf(pdf, QStringLiteral("題名")));
        const QStringList pages = pdfPages(pdf);
        QCOMPARE(pages.size(), 5);
        for (int n = 1; n <= 5; ++n) {
            const QString text = pages[n - 1];
            QVERIFY2(text.contains(QStringLiteral("Running header")), qPrintable(text));
            QVERIFY2(text.contains(QStringLiteral("Body of page %1").arg(n)), qPrintable(text));
            QCOMPARE(text.contains(QStringLiteral("First footer")), n == 1);
            // The header stands above the body.
            QVERIFY(text.indexOf(QStringLiteral("Running header")) < text.indexOf(QStringLiteral("Body")));
        }
    }

    void longTextRunsOverPagesOfThePaperSize()
    {
        PageDocument page;
        PageSetup setup;
        setup.width = 8391;   // A5
        setup.height = 11906;
        page.setPageSetup(setup);
        QTextCursor cursor(page.main());
        for (int n = 0; n < 120; ++n) {
            if (n)
                cursor.insertBlock();
            cursor.insertText(QStringLiteral("Line %1 of a long page").arg(n));
        }
        PageRenderer renderer(page);
        const int count = renderer.pageCount();
        QVERIFY(count > 2);
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(renderer.writePdf(&buffer));
        QCOMPARE(int(buffer.data().count("/Type /Page\n") + buffer.data().count("/Type /Page\r")
                     + buffer.data().count("/Type /Page ") + buffer.data().count("/Type /Page/")),
                 count);
        // Every line is printed once, none is cut at a page end.
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("long.pdf"));
        QVERIFY(renderer.writePdf(pdf));
        const QString all = pdfPages(pdf).join(QLatin1Char('\n'));
        for (int n = 0; n < 120; ++n)
            QCOMPARE(all.count(QStringLiteral("Line %1 of").arg(n)), 1);
    }

    void drawPageOnASurface()
    {
        PageDocument page;
        fillFivePages(page);
        PageRenderer renderer(page);
        const QSizeF paper = renderer.paperSize();
        QCOMPARE(paper, QSizeF(12240 / 15.0, 15840 / 15.0));
        QImage image(paper.toSize(), QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        renderer.drawPage(&painter, 0);
        renderer.drawPage(&painter, 6);
        QVERIFY(blank(image, image.rect()));
        renderer.drawPage(&painter, 2);
        painter.end();
        const int marginTop = 850 / 15;
        QVERIFY(!blank(image, QRect(0, 0, image.width(), marginTop)));                 // header
        QVERIFY(!blank(image, QRect(0, marginTop, image.width(), 40)));                // body
        QVERIFY(blank(image, QRect(0, image.height() - 567 / 15, image.width(), 567 / 15))); // no footer on page 2
        QVERIFY(blank(image, QRect(0, 0, 850 / 15 - 1, image.height())));              // left margin
    }

    void partsByPage()
    {
        QCOMPARE(PageRenderer::headerFlagOn(HeaderAll | HeaderFirst, 1), int(HeaderFirst));
        QCOMPARE(PageRenderer::headerFlagOn(HeaderAll | HeaderFirst, 2), int(HeaderAll));
        QCOMPARE(PageRenderer::headerFlagOn(HeaderFirst, 2), 0);
        QCOMPARE(PageRenderer::footerFlagOn(FooterAll, 1), int(FooterAll));
        QCOMPARE(PageRenderer::footerFlagOn(HeaderAll, 1), 0);
    }

    void everyConstructPrints()
    {
        PageDocument page;
        SamplePage::fillEveryConstruct(page);
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("all.pdf"));
        QVERIFY(PageRenderer(page).writePdf(pdf));
        const QString all = pdfPages(pdf).join(QLatin1Char('\n'));
        for (const char *text : {"Header", "Footer", "merged", "outer", "B3", "item two", "after the page break"})
            QVERIFY2(all.contains(QLatin1String(text)), text);
        QCOMPARE(pdfPages(pdf).size(), 2); // one page break
    }

    // A paragraph style's line height is the height of text lines: a picture taller than that
    // makes its line grow, on screen, on paper and in a PDF, however the style and the picture met.
    void aPictureLineGrowsToThePicture_data()
    {
        QTest::addColumn<QString>("order");
        QTest::newRow("style after the picture") << QStringLiteral("style after");
        QTest::newRow("picture into a styled paragraph") << QStringLiteral("picture after");
        QTest::newRow("page stored with a fixed height") << QStringLiteral("stored");
        QTest::newRow("pasted into a styled paragraph") << QStringLiteral("pasted");
    }

    void aPictureLineGrowsToThePicture()
    {
        QFETCH(QString, order);
        PageDocument page;
        RichTextEdit edit(&page);
        edit.setText(QStringLiteral("上の行 the line above\n\nthe line below"));
        const int pictureAt = edit.text().indexOf(QLatin1Char('\n')) + 1;
        const QByteArray picture = TestImages::bytes("PNG", Qt::red, 60, 150);
        auto styleAll = [&edit] {
            edit.select(0, edit.textLength());
            edit.setLineSpacingTwips(300); // 20 pixels
        };
        PageDocument stored;
        PageDocument *shown = &page;
        if (order == QLatin1String("style after")) {
            edit.select(pictureAt, 0);
            QVERIFY(edit.insertPicture(picture, 100, 0));
            styleAll();
        } else if (order == QLatin1String("picture after")) {
            styleAll();
            edit.select(pictureAt, 0);
            QVERIFY(edit.insertPicture(picture, 100, 0));
        } else if (order == QLatin1String("pasted")) {
            styleAll();
            PageDocument source;
            RichTextEdit sourceEdit(&source);
            QVERIFY(sourceEdit.insertPicture(picture, 100, 0));
            edit.select(pictureAt, 0);
            edit.insertPage(source);
        } else {
            // A page saved before pictures grew their lines: every paragraph with the fixed height.
            edit.select(pictureAt, 0);
            QVERIFY(edit.insertPicture(picture, 100, 0));
            QTextCursor all(page.main());
            all.select(QTextCursor::Document);
            QTextBlockFormat fixed;
            fixed.setLineHeight(20, QTextBlockFormat::FixedHeight);
            all.mergeBlockFormat(fixed);
            QVERIFY(PageCodec::load(stored, PageCodec::save(page)));
            shown = &stored;
        }
        QTextDocument *doc = shown->main();
        QCOMPARE(doc->blockCount(), 3);
        // The style's height is still the paragraph's (member 53), for every paragraph.
        RichTextEdit check(shown);
        for (int position : {0, pictureAt, pictureAt + 2}) {
            check.select(position, 0);
            QCOMPARE(check.lineSpacingTwips(), 300);
        }

        // The layout: the picture's line starts below the text above it; the next line below it.
        QAbstractTextDocumentLayout *layout = doc->documentLayout();
        const QTextBlock above = doc->begin();
        const QTextBlock pictureBlock = above.next();
        const QTextLine textLine = above.layout()->lineAt(0);
        const double baseline = layout->blockBoundingRect(above).top() + textLine.y() + textLine.ascent();
        const QTextLine pictureLine = pictureBlock.layout()->lineAt(0);
        const double pictureTop = layout->blockBoundingRect(pictureBlock).top() + pictureLine.y();
        QVERIFY2(pictureTop >= baseline, qPrintable(QStringLiteral("%1 %2").arg(pictureTop).arg(baseline)));
        const QTextBlock below = pictureBlock.next();
        QVERIFY(layout->blockBoundingRect(below).top() + below.layout()->lineAt(0).y() >= pictureTop + 149);

        // Drawn on paper and in a PDF.
        PageRenderer renderer(*shown);
        QImage image(renderer.paperSize().toSize(), QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        renderer.drawPage(&painter, 1);
        painter.end();
        verifyPictureBetweenLines(image, "page drawn");
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("picture.pdf"));
        QVERIFY(renderer.writePdf(pdf));
        const QImage pdfImage = pdfPageImage(pdf, dir.filePath(QStringLiteral("picture")));
        QVERIFY2(!pdfImage.isNull(), "pdftoppm (poppler-utils) could not draw the PDF");
        verifyPictureBetweenLines(pdfImage, "PDF");
    }

    // A paragraph or cell that runs over a page end gives each page its own lines: none of them is
    // in the text of the page before or after it too, where search and copy in a PDF would find it.
    void eachLineIsInThePdfOnItsPageOnly_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("paragraphs") << QStringLiteral("paragraphs");
        QTest::newRow("long paragraph held as lines") << QStringLiteral("held");
        QTest::newRow("table over a page end") << QStringLiteral("table");
        QTest::newRow("header and footer") << QStringLiteral("header");
    }

    void eachLineIsInThePdfOnItsPageOnly()
    {
        QFETCH(QString, kind);
        PageDocument page;
        fillOverPages(page, kind);
        const QList<LaidOutLine> lines = laidOutLines(page.main());
        bool parted = false; // a block with lines on two pages
        for (int i = 1; i < lines.size(); ++i)
            parted = parted || (lines[i].block == lines[i - 1].block && lines[i].page != lines[i - 1].page);
        QVERIFY(parted);
        PageRenderer renderer(page);
        QVERIFY(renderer.pageCount() >= 3);
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("pages.pdf"));
        QVERIFY(renderer.writePdf(pdf));
        QStringList pages = pdfPages(pdf);
        QCOMPARE(pages.size(), renderer.pageCount());
        for (QString &text : pages)
            text.remove(QRegularExpression(QStringLiteral("\\s")));

        QString all = page.main()->toPlainText();
        all.remove(QRegularExpression(QStringLiteral("\\s")));
        const QString parts = kind == QLatin1String("header") ? QStringLiteral("RunningheaderRunningfooter") : QString();
        QCOMPARE(pages.join(QString()).size(), all.size() + pages.size() * parts.size()); // the text once
        for (const auto &[text, onPage, block] : lines) {
            if (text.size() < 12 || all.count(text) != 1)
                continue; // a line too short to be told from others
            QVERIFY2(pages.value(onPage).contains(text), qPrintable(QStringLiteral("page %1: %2").arg(onPage + 1).arg(text)));
            QCOMPARE(pages.join(QLatin1Char('\n')).count(text), 1);
        }
    }

    // A new PDF gets the permissions of any new file of the user's: 0666 less the umask.
    void newPdfFollowsTheUmask_data()
    {
        QTest::addColumn<int>("mask");
        QTest::newRow("private") << 077;
        QTest::newRow("group may read") << 027;
        QTest::newRow("group may write") << 002;
    }

    void newPdfFollowsTheUmask()
    {
        QFETCH(int, mask);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("new.pdf"));
        PageDocument page;
        const mode_t before = ::umask(mode_t(mask));
        const bool written = PageRenderer(page).writePdf(path);
        ::umask(before);
        QVERIFY(written);
        struct stat info = {};
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &info), 0);
        QCOMPARE(int(info.st_mode & 0777), 0666 & ~mask);
    }

    void unwritablePdfLeavesNothing()
    {
        PageDocument page;
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("missing/page.pdf"));
        QVERIFY(!PageRenderer(page).writePdf(path));
        QVERIFY(!QFile::exists(path));
    }
};

QTEST_MAIN(TestRichTextRender)
#include "tst_richtext_render.moc"

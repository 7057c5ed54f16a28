#include "platform/richtext/PageDocument.h"
#include "platform/richtext/PageRenderer.h"
#include "platform/richtext/TextProps.h"
#include "support/PdfPages.h"
#include "support/SamplePage.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QtTest>

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

// Word documents: page -> .docx -> page keeps text and formats; an independent reader (pandoc) reads
// what we write; damaged and hostile packages are refused without touching the page.
#include "platform/docx/DocxReader.h"
#include "platform/docx/DocxWriter.h"
#include "platform/docx/FlowBuilder.h"
#include "platform/docx/ZipPackage.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/PositionText.h"
#include "platform/richtext/TextProps.h"
#include "support/ForeignFiles.h"
#include "support/FormatRuns.h"
#include "support/PandocText.h"
#include "support/SamplePage.h"
#include "support/TestImages.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTextBlock>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>

using namespace TextProps;

namespace {

// A package of the given document body (and extra entries), for hostile cases.
QByteArray package(const QByteArray &body, QList<QPair<QString, QByteArray>> extra = {},
                   const QByteArray &rels = QByteArray())
{
    QList<QPair<QString, QByteArray>> entries{
        {QStringLiteral("word/document.xml"),
         "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
         "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><w:body>"
             + body + "</w:body></w:document>"}};
    if (!rels.isEmpty())
        entries.append({QStringLiteral("word/_rels/document.xml.rels"),
                        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                            + rels + "</Relationships>"});
    entries.append(extra);
    return ZipPackage::write(entries);
}

QByteArray picturePara(const char *rel)
{
    return QByteArray("<w:p><w:r><w:drawing><wp:inline xmlns:wp=\"x\"><wp:extent cx=\"95250\" cy=\"95250\"/>"
                      "<a:blip xmlns:a=\"y\" r:embed=\"") + rel + "\"/></wp:inline></w:drawing></w:r></w:p>";
}

// The alternative text of every picture, in order.
QStringList altTexts(const QTextDocument *doc)
{
    QStringList texts;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            if (it.fragment().charFormat().isImageFormat())
                texts << it.fragment().charFormat().stringProperty(PictureAlt);
        }
    }
    return texts;
}

} // namespace

class TstDocx : public QObject
{
    Q_OBJECT
private slots:
    void roundTripKeepsTextAndFormats();
    void pandocReadsEveryConstruct();
    void severalPagesWithSectionsBookmarksAndContents();
    void refusesDamagedOrHostilePackages_data();
    void refusesDamagedOrHostilePackages();
    void leavesOutsideReferencesOut();
    void pictureAltTextSurvives();
    void lineHeightsKeepTheirKind();
    void noTextWordShowsIsDropped_data();
    void noTextWordShowsIsDropped();
};

void TstDocx::roundTripKeepsTextAndFormats()
{
    PageDocument page;
    FormatRuns::fillFileConstructs(page);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("page.docx"));
    QVERIFY(DocxWriter::writePage(page, path));

    PageDocument back;
    QVERIFY(DocxReader::readFile(back, path));
    QCOMPARE(PositionText::text(back.main()), PositionText::text(page.main()));
    QCOMPARE(FormatRuns::describe(back.main()), FormatRuns::describe(page.main()));
    QCOMPARE(back.partFlags(), HeaderAll | FooterAll);
    QCOMPARE(back.part(HeaderAll)->toPlainText(), QStringLiteral("Header text"));
    QCOMPARE(back.part(FooterAll)->toPlainText(), QStringLiteral("Footer text"));
    QCOMPARE(back.pageSetup(), page.pageSetup());
    QCOMPARE(back.usedPictureNames().size(), 2);
    // Written again, the page gives the same document.
    PageDocument third;
    QVERIFY(DocxReader::read(third, DocxWriter::pageBytes(back)));
    QCOMPARE(FormatRuns::describe(third.main()), FormatRuns::describe(page.main()));
}

void TstDocx::pandocReadsEveryConstruct()
{
    PageDocument page;
    SamplePage::fillEveryConstruct(page);
    FormatRuns::fillFileConstructs(page); // appends to the sample's text
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("every.docx"));
    QVERIFY(DocxWriter::writePage(page, path));
    const QString text = pandocText(path);
    for (const char *expected : {"見出し", "本文 \"引用\" ?", "second line", "TG_12", "after the page break",
                                 "merged", "B3", "inner", "[Iframe:1]", "本文 {\\rtf} <x> & ?", "a link",
                                 "Second heading"})
        QVERIFY2(text.contains(QString::fromUtf8(expected)), qPrintable(expected + QStringLiteral(" in ") + text));
    // Our reader takes the whole sample too, frames as framed paragraphs.
    PageDocument back;
    QVERIFY(DocxReader::readFile(back, path));
    QVERIFY(back.main()->toPlainText().contains(QStringLiteral("https://example.com/?a='b'")));
}

void TstDocx::severalPagesWithSectionsBookmarksAndContents()
{
    PageDocument first;
    QTextCursor(first.main()).insertText(QStringLiteral("first page"));
    QTextCursor(first.ensurePart(HeaderAll)).insertText(QStringLiteral("head one"));
    PageDocument second;
    QTextCursor(second.main()).insertText(QStringLiteral("second page"));
    PageSetup wide;
    wide.landscape = true;
    wide.width = 15840;
    wide.height = 12240;
    second.setPageSetup(wide);

    DocxWriter writer;
    writer.addTableOfContents(QStringLiteral("目次"));
    writer.addHeading(1, QStringLiteral("Chapter \"1\""), QStringLiteral("p1"));
    writer.addPage(first, {.bookmark = QStringLiteral("page1"), .newSection = true});
    writer.addHeading(2, QStringLiteral("Chapter 2"));
    writer.addPage(second, {.bookmark = QStringLiteral("page2"), .newSection = true});
    writer.addPage(first, {.bookmark = QString(), .pageBreakBefore = true});
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("range.docx"));
    QVERIFY(writer.save(path));

    const QString text = pandocText(path);
    // The contents carry their entries, before the first page.
    const int entries = text.indexOf(QStringLiteral("Chapter 2"));
    QVERIFY2(entries > text.indexOf(QStringLiteral("Chapter \"1\"")) && entries < text.indexOf(QStringLiteral("first page")),
             qPrintable(text));
    const int a = text.indexOf(QStringLiteral("Chapter \"1\""), entries);
    const int b = text.indexOf(QStringLiteral("first page"));
    const int c = text.indexOf(QStringLiteral("Chapter 2"), b);
    const int d = text.indexOf(QStringLiteral("second page"));
    QVERIFY2(a >= 0 && a < b && b < c && c < d && text.indexOf(QStringLiteral("first page"), d) > d, qPrintable(text));

    ZipPackage zip;
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(zip.open(file.readAll()));
    QByteArray xml;
    QVERIFY(zip.read(QStringLiteral("word/document.xml"), xml));
    QVERIFY(xml.contains("TOC \\o &quot;1-3&quot;"));
    QVERIFY(xml.contains("w:name=\"page1\"") && xml.contains("w:name=\"page2\"") && xml.contains("w:name=\"p1\""));
    QCOMPARE(xml.count("<w:sectPr>"), 2);
    QVERIFY(xml.contains("w:orient=\"landscape\""));
    QVERIFY(zip.contains(QStringLiteral("word/header1.xml")));
}

void TstDocx::refusesDamagedOrHostilePackages_data()
{
    // Each refusal names its reason for the user.
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("reason");
    PageDocument page;
    FormatRuns::fillFileConstructs(page);
    const QByteArray good = DocxWriter::pageBytes(page);
    const QString document = QStringLiteral("word/document.xml");
    QTest::newRow("empty") << QByteArray() << DocxReader::notPackageProblem();
    QTest::newRow("not a zip") << QByteArray("PK\x03\x04 this is no archive at all") << DocxReader::notPackageProblem();
    QTest::newRow("truncated") << good.left(good.size() / 2) << DocxReader::notPackageProblem();
    QTest::newRow("no document") << ZipPackage::write({{QStringLiteral("a.txt"), "x"}}) << DocxReader::missingPartProblem(document);
    QTest::newRow("broken xml") << package("<w:p><w:r><w:t>open") << DocxReader::damagedPartProblem(document, 1);
    QTest::newRow("broken xml line") << package("<w:p>\n<w:r>\n</w:p>") << DocxReader::damagedPartProblem(document, 3);
    QTest::newRow("broken header") << package("<w:sectPr><w:headerReference w:type=\"default\" r:id=\"rId1\"/></w:sectPr>", {{QStringLiteral("word/header1.xml"), "<w:hdr><w:p>"}},
                                              "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                                              "relationships/header\" Target=\"header1.xml\"/>")
                                   << DocxReader::damagedPartProblem(QStringLiteral("word/header1.xml"), 1);
    QByteArray deep;
    for (int i = 0; i < 5000; ++i)
        deep += "<w:sdt><w:sdtContent>";
    QTest::newRow("deep content controls") << package(deep) << Flow::elementNestingProblem();
    QByteArray tables;
    for (int i = 0; i < 200; ++i)
        tables += "<w:tbl><w:tr><w:tc>";
    QTest::newRow("deep tables") << package(tables) << Flow::nestingProblem();
    QByteArray rows = "<w:tbl>";
    for (int i = 0; i <= Flow::RowLimit; ++i)
        rows += "<w:tr><w:tc><w:p/></w:tc></w:tr>";
    QTest::newRow("huge table") << package(rows + "</w:tbl>") << Flow::rowProblem();
    QByteArray wide = "<w:tbl><w:tr>";
    for (int j = 0; j <= Flow::ColumnLimit; ++j)
        wide += "<w:tc><w:p/></w:tc>";
    QTest::newRow("too many columns") << package(wide + "</w:tr></w:tbl>") << Flow::columnProblem();
    // A part that inflates beyond the limit (zip bomb): 70 MB of blanks in a comment.
    QTest::newRow("zip bomb") << package("<!--" + QByteArray(70 * 1024 * 1024, ' ') + "-->") << DocxReader::largePartProblem(document);
}

void TstDocx::refusesDamagedOrHostilePackages()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, reason);
    PageDocument page;
    QTextCursor(page.main()).insertText(QStringLiteral("keep"));
    QString problem;
    QVERIFY(!DocxReader::read(page, bytes, &problem));
    QCOMPARE(problem, reason);
    QCOMPARE(page.main()->toPlainText(), QStringLiteral("keep"));
}

void TstDocx::leavesOutsideReferencesOut()
{
    // A picture of the package is read; a linked one, one outside the package and one that names
    // a file on the disk are not, and the read still succeeds.
    const QByteArray png = TestImages::bytes("PNG", Qt::green, 10, 10);
    const QByteArray bytes = package(
        picturePara("rIdIn") + picturePara("rIdExt") + picturePara("rIdUp") + picturePara("rIdAbs")
            + "<w:p><w:r><w:t>text</w:t></w:r></w:p>",
        {{QStringLiteral("word/media/a.png"), png}, {QStringLiteral("secret.png"), png}},
        "<Relationship Id=\"rIdIn\" Type=\"i\" Target=\"media/a.png\"/>"
        "<Relationship Id=\"rIdExt\" Type=\"i\" Target=\"file:///etc/passwd\" TargetMode=\"External\"/>"
        "<Relationship Id=\"rIdUp\" Type=\"i\" Target=\"../../secret.png\"/>"
        "<Relationship Id=\"rIdAbs\" Type=\"i\" Target=\"C:\\secret.png\"/>");
    PageDocument page;
    QVERIFY(DocxReader::read(page, bytes));
    QCOMPARE(page.usedPictureNames().size(), 1);
    QCOMPARE(FormatRuns::describe(page.main()).join(QLatin1Char(' ')),
             QStringLiteral("¶ [picture 10x10] ¶ ¶ ¶ ¶ text|----||||"));
}

void TstDocx::pictureAltTextSurvives()
{
    // As other programs write it: the description, else the title; quotes and markup are text.
    const QByteArray png = TestImages::bytes("PNG", Qt::green, 10, 10);
    auto drawing = [](const QByteArray &docPr) {
        return "<w:p><w:r><w:drawing><wp:inline xmlns:wp=\"x\"><wp:extent cx=\"95250\" cy=\"95250\"/>" + docPr
            + "<a:blip xmlns:a=\"y\" r:embed=\"rId1\"/></wp:inline></w:drawing></w:r></w:p>";
    };
    const QByteArray bytes = package(
        drawing("<wp:docPr id=\"1\" name=\"p\" descr=\"赤い &quot;花&quot; &lt;b&gt; &amp; ?\" title=\"題\"/>")
            + drawing("<wp:docPr id=\"2\" name=\"p\" title=\"題だけ\"/>") + drawing("<wp:docPr id=\"3\" name=\"p\"/>"),
        {{QStringLiteral("word/media/a.png"), png}}, "<Relationship Id=\"rId1\" Type=\"i\" Target=\"media/a.png\"/>");
    const QStringList expected{QStringLiteral("赤い \"花\" <b> & ?"), QStringLiteral("題だけ"), QString()};
    PageDocument page;
    QVERIFY(DocxReader::read(page, bytes));
    QCOMPARE(altTexts(page.main()), expected);
    PageDocument back;
    QVERIFY(DocxReader::read(back, DocxWriter::pageBytes(page)));
    QCOMPARE(altTexts(back.main()), expected);

    if (QStandardPaths::findExecutable(QStringLiteral("pandoc")).isEmpty())
        QSKIP("pandoc is not installed");
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("alt.docx"));
    QVERIFY(DocxWriter::writePage(page, path));
    const QString text = pandocText(path);
    QVERIFY2(text.contains(expected.at(0)) && text.contains(expected.at(1)), qPrintable(text));

    // A picture's text as pandoc writes it from its own.
    QFile picture(dir.filePath(QStringLiteral("a.png")));
    QFile markdown(dir.filePath(QStringLiteral("in.md")));
    QVERIFY(picture.open(QIODevice::WriteOnly) && picture.write(png) == png.size());
    QVERIFY(markdown.open(QIODevice::WriteOnly));
    markdown.write("![\xe9\x9d\x92\xe3\x81\x84\xe7\xa9\xba](a.png)\n");
    picture.close();
    markdown.close();
    const QString fromPandoc = dir.filePath(QStringLiteral("pandoc.docx"));
    QProcess pandoc;
    pandoc.setWorkingDirectory(dir.path());
    pandoc.start(QStringLiteral("pandoc"), {markdown.fileName(), QStringLiteral("-o"), fromPandoc});
    QVERIFY(pandoc.waitForFinished(60000) && pandoc.exitCode() == 0);
    PageDocument foreign;
    QVERIFY(DocxReader::readFile(foreign, fromPandoc));
    QCOMPARE(altTexts(foreign.main()), QStringList{QStringLiteral("青い空")});
}

// A style's line height is exact for text and a minimum for a paragraph holding a picture, in Word
// ("exact" and "atLeast") as on the page.
void TstDocx::lineHeightsKeepTheirKind()
{
    PageDocument page;
    QTextCursor cursor(page.main());
    QTextBlockFormat fixed;
    fixed.setLineHeight(20, QTextBlockFormat::FixedHeight);
    cursor.setBlockFormat(fixed);
    cursor.insertText(QStringLiteral("text line"));
    cursor.insertBlock(fixed);
    QTextImageFormat picture;
    picture.setName(page.addPicture(TestImages::bytes("PNG", Qt::red, 20, 60)));
    PageDocument::insertPicture(cursor, picture);
    QCOMPARE(page.main()->lastBlock().blockFormat().lineHeightType(), int(QTextBlockFormat::MinimumHeight));
    const QByteArray bytes = DocxWriter::pageBytes(page);
    ZipPackage zip;
    QVERIFY(zip.open(bytes));
    QByteArray body;
    QVERIFY(zip.read(QStringLiteral("word/document.xml"), body));
    QVERIFY(body.contains("w:lineRule=\"exact\""));
    QVERIFY(body.contains("w:lineRule=\"atLeast\""));
    PageDocument back;
    QVERIFY(DocxReader::read(back, bytes));
    QCOMPARE(back.main()->blockCount(), 2);
    for (const auto &[block, kind] : {std::pair{back.main()->firstBlock(), QTextBlockFormat::FixedHeight},
                                      std::pair{back.main()->lastBlock(), QTextBlockFormat::MinimumHeight}}) {
        QCOMPARE(block.blockFormat().lineHeightType(), int(kind));
        QCOMPARE(qRound(block.blockFormat().lineHeight()), 20);
    }
}

void TstDocx::noTextWordShowsIsDropped_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    for (const ForeignFiles::TextCase &c : ForeignFiles::docxTextCases())
        QTest::newRow(c.name) << c.bytes << c.text;
}

void TstDocx::noTextWordShowsIsDropped()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    PageDocument page;
    QVERIFY(DocxReader::read(page, bytes));
    QCOMPARE(SamplePage::paragraphText(page.main()), text);
}

QTEST_MAIN(TstDocx)
#include "tst_docx.moc"

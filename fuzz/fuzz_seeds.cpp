// Writes seeds for the fuzzers into the folder given: a page with every construct and an empty one,
// as page streams (with pages whose paragraphs carry a mark only crafted bytes hold), and as Word and
// RTF documents in the subfolders docx/ and rtf/ (the Word documents' XML alone in docxml/), with the
// documents of other programs that once froze the editor, lost pictures or objects or were refused too
// late (small versions of each), HTML pages in html/, and pictures alone in pictures/; drawings naming files (themselves among them),
// drawings within drawings, and pictures within drawings that claim gigabytes, in every form.
#include "platform/docx/DocxWriter.h"
#include "platform/docx/FlowBuilder.h"
#include "platform/docx/ZipPackage.h"
#include "platform/rtf/RtfWriter.h"
#include "platform/richtext/PageCodec.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/TableOps.h"
#include "support/ForeignFiles.h"
#include "support/SamplePage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>

namespace {

bool write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A drawing that names `file` in every way Qt's SVG reader might follow: a picture, a style sheet,
// an import, a use of another file, an entity of the document type.
QByteArray drawingNaming(const QByteArray &file)
{
    return "<?xml version=\"1.0\"?><?xml-stylesheet type=\"text/css\" href=\"" + file + "\"?>"
           "<!DOCTYPE svg [<!ENTITY outside SYSTEM \"" + file + "\"><!ENTITY inside \"text\">]>"
           "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" width=\"20\" height=\"10\">"
           "<style>@import url(" + file + "); rect { fill: url(" + file + "#g) }</style>"
           "<defs><linearGradient id=\"g\"><stop offset=\"0\" stop-color=\"red\"/></linearGradient></defs>"
           "<rect width=\"20\" height=\"10\" fill=\"url(#g)\"/><use xlink:href=\"" + file + "#r\"/>"
           "<image width=\"4\" height=\"4\" xlink:href=\"" + file + "\"/><image width=\"4\" height=\"4\" href=\"" + file + "\"/>"
           "<text>&inside;&outside;</text></svg>";
}

// A drawing holding `pictures` (<image> elements).
QByteArray drawingOf(const QByteArray &pictures)
{
    return "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" width=\"20\" height=\"10\">"
           "<rect width=\"20\" height=\"10\" fill=\"red\"/>" + pictures + "</svg>";
}

QByteArray pictureOf(const QByteArray &type, const QByteArray &bytes)
{
    return "<image width=\"4\" height=\"4\" xlink:href=\"data:" + type + ";base64," + bytes.toBase64() + "\"/>";
}

// Drawings within drawings in data URLs, `depth` deep (deeper than the program cleans them), the
// innermost naming `file` in every way Qt's reader might follow.
QByteArray nestedDrawing(int depth, const QByteArray &file)
{
    QByteArray drawing = drawingNaming(file);
    for (int i = 0; i < depth; ++i)
        drawing = drawingOf(pictureOf("image/svg+xml", drawing) + "<image width=\"4\" height=\"4\" xlink:href=\"DATA:" + file + "\"/>");
    return drawing;
}

// A drawing holding pictures that claim gigabytes in a few bytes: progressive JPEG headers, a PNG
// header, a GIF whose frame is restored, a PNG of sixteen bits a channel, and a drawing that claims a
// huge size.
QByteArray drawingOfHugePictures()
{
    using namespace ForeignFiles;
    QByteArray pictures;
    for (int i = 0; i < 4; ++i)
        pictures += pictureOf("image/jpeg", progressiveJpegHeader(5600 + i, 5600));
    return drawingOf(pictures + pictureOf("image/png", pngHeader(60000, 60000)) + pictureOf("image/gif", restoringGif(16000, 16000))
                     + pictureOf("image/png", deepPng(30, 20))
                     + pictureOf("image/svg+xml", "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"100000\" height=\"100000\"/>"));
}

// Pictures for the door itself: those that once crashed the program or swelled it, alone.
bool writePictures(const QDir &dir)
{
    using namespace ForeignFiles;
    QByteArray lyingBeforeHuge = pictureOf("image/x-icon", lyingIcon());
    for (int i = 0; i < 30; ++i)
        lyingBeforeHuge += pictureOf("image/jpeg", progressiveJpegHeader(5600, 5600 + i));
    const QList<QPair<const char *, QByteArray>> seeds = {
        {"pictures/small.png", png(8, 6)},
        {"pictures/progressive.jpg", progressiveJpegHeader(20000, 20000)},
        {"pictures/huge.png", pngHeader(60000, 60000)},
        {"pictures/deep.png", deepPng(30, 20)},
        {"pictures/restoring.gif", restoringGif(16000, 16000)},
        {"pictures/lying.ico", lyingIcon()},
        {"pictures/lying-before-huge.svg", drawingOf(lyingBeforeHuge)},
        {"pictures/huge-within.svg", drawingOfHugePictures()},
        {"pictures/nested.svg", nestedDrawing(6, "s.svg")},
        {"pictures/elements.svgz", packedElements(16000000)},
        {"pictures/packed-nested.svgz", packedNested(3, 10, 65000000)},
        {"pictures/unsized.svg", "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"inf\" height=\"1e308\" viewBox=\"0 0 nan -1\"><rect/></svg>"},
    };
    for (const auto &[name, bytes] : seeds) {
        if (!write(dir.filePath(QLatin1String(name)), bytes))
            return false;
    }
    return true;
}

bool writeForeign(const QDir &dir)
{
    using namespace ForeignFiles;
    const QList<QPair<const char *, QByteArray>> seeds = {
        {"docx/nested.docx", docxNested(TableOps::ShownNesting + 2, 2)},
        {"docx/nested-too-deep.docx", docxNested(Flow::NestingLimit + 1)},
        {"docx/merged.docx", docxMergedColumns(12, 5)},
        {"docx/columns.docx", docxTable(1, Flow::ColumnLimit + 1)},
        {"docx/notes.docx", docxNotes(3)},
        {"rtf/nested.rtf", rtfNested(TableOps::ShownNesting + 2, 2)},
        {"rtf/nested-too-deep.rtf", rtfNested(Flow::NestingLimit + 1)},
        {"rtf/picture-blipuid.rtf", "{\\rtf1 " + rtfPicture(png(8, 6), BlipUid) + "}"},
        {"rtf/picture-picprop.rtf", "{\\rtf1 " + rtfPicture(png(8, 6), PicProp) + "}"},
        {"rtf/book.rtf", rtfBook(2, 2, 2)},
        {"rtf/own-edges.rtf", rtfOwnEdges(3, 400)},
        {"rtf/table.rtf", rtfTable(30, 3)},
        {"rtf/notes.rtf", rtfNotes(3)},
        {"rtf/associated.rtf", rtfLibreOfficeJapanese()},
        {"html/nested-divs.htm", htmlNestedElements("<div>", "</div>", 200)},
        {"html/unclosed-spans.htm", htmlNestedElements("<span style=\"color:red\">", "", 200)},
        {"html/nested-lists.htm", htmlNestedLists(40)},
        {"html/nested-tables.htm", htmlNested(TableOps::ShownNesting + 2)},
        {"html/pictures.htm", "<p><img src=\"p.png\" width=3><img src=\"file:p.png\"><img src=\"missing.png\">"
                              "<img src=\"data:image/png;base64," + png(2, 2).toBase64() + "\"><img src=\"https://example.com/a.png\"></p>"},
        {"html/deep-script.htm", QByteArray("<div>").repeated(200) + "<script>x<b>y</script><p>a<p/>b<td>c<tr>d"},
        {"rtf/object.rtf", rtfObject(png(8, 6))},
        {"docx/object.docx", docxObject(png(8, 6))},
        {"docx/vml-picture.docx", docxVmlPicture(png(8, 6))},
        {"docx/picture.docx", docxPicture(png(8, 6))},
        // Pictures whose headers claim more than a picture is decoded within, and ones just within.
        {"html/huge-jpeg.htm", "<p>a<img src=\"data:image/jpeg;base64," + progressiveJpegHeader(20000, 20000).toBase64() + "\">b</p>"},
        {"html/huge-png.htm", "<p>a<img src=\"data:image/png;base64," + pngHeader(60000, 60000).toBase64() + "\">b</p>"},
        {"html/small-jpeg.htm", "<p>a<img src=\"data:image/jpeg;base64," + progressiveJpegHeader(64, 48).toBase64()
                                    + "\"><img src=\"data:image/png;base64," + pngHeader(300, 200, 16).toBase64() + "\">b</p>"},
        {"html/many-pictures.htm", htmlPictures(200, "p.png")},
        {"docx/huge-jpeg.docx", docxPicture(progressiveJpegHeader(20000, 20000))},
        {"docx/huge-png.docx", docxPicture(pngHeader(60000, 60000))},
        {"docx/small-jpeg.docx", docxPicture(progressiveJpegHeader(64, 48))},
        {"rtf/huge-jpeg.rtf", "{\\rtf1 " + rtfPicture(progressiveJpegHeader(20000, 20000), BlipUid) + "}"},
        {"rtf/huge-png.rtf", "{\\rtf1 " + rtfPicture(pngHeader(60000, 60000), BlipUid) + "}"},
        // Drawings naming files, themselves among them (fuzz_html keeps s.svg, naming itself, beside
        // the page).
        {"html/drawing-beside.htm", "<p><img src=\"s.svg\"><img src=\"s.svg?2\" width=5><img src=\"file://localhost/dev/zero\"></p>"},
        {"html/drawing-data.htm", "<p><img src=\"data:image/svg+xml;base64," + drawingNaming("s.svg").toBase64() + "\"></p>"},
        // Not packed in base64: mutations reach the drawing's XML.
        {"html/drawing-data-text.htm", "<p><img src=\"data:image/svg+xml," + drawingNaming("s.svg").replace('"', '\'') + "\"></p>"},
        {"docx/drawing.docx", docxPicture(drawingNaming("/dev/zero"))},
        {"docx/drawing-self.docx", docxPicture(drawingNaming("word/media/image1.png"))},
        {"rtf/drawing.rtf", "{\\rtf1 " + rtfPicture(drawingNaming("/dev/zero"), BlipUid) + "}"},
        // Drawings within drawings, deeper than they are cleaned, the innermost naming s.svg; pictures
        // within a drawing that claim gigabytes; pictures Qt decodes into more than their size tells.
        {"html/nested-drawings.htm", "<p><img src=\"data:image/svg+xml;base64," + nestedDrawing(6, "s.svg").toBase64() + "\"></p>"},
        {"html/nested-drawings-text.htm", "<p><img src=\"data:image/svg+xml," + nestedDrawing(2, "s.svg").replace('"', '\'') + "\"></p>"},
        {"docx/nested-drawings.docx", docxPicture(nestedDrawing(6, "word/media/image1.png"))},
        {"rtf/nested-drawings.rtf", "{\\rtf1 " + rtfPicture(nestedDrawing(6, "/dev/zero"), BlipUid) + "}"},
        {"html/huge-within-drawing.htm", "<p>a<img src=\"data:image/svg+xml;base64," + drawingOfHugePictures().toBase64() + "\">b</p>"},
        {"docx/huge-within-drawing.docx", docxPicture(drawingOfHugePictures())},
        {"rtf/huge-within-drawing.rtf", "{\\rtf1 " + rtfPicture(drawingOfHugePictures(), BlipUid) + "}"},
        {"html/restoring-gif.htm", "<p>a<img src=\"data:image/gif;base64," + restoringGif(16000, 16000).toBase64()
                                       + "\"><img src=\"data:image/png;base64," + deepPng(30, 20).toBase64() + "\">b</p>"},
        {"docx/restoring-gif.docx", docxPictures({restoringGif(16000, 16000), deepPng(30, 20)})},
        {"rtf/restoring-gif.rtf", "{\\rtf1 " + rtfPicture(restoringGif(16000, 16000), BlipUid) + rtfPicture(deepPng(30, 20), BlipUid) + "}"},
    };
    for (const auto &[name, bytes] : seeds) {
        if (!write(dir.filePath(QLatin1String(name)), bytes))
            return false;
    }
    // Text readers once lost or garbled: one seed each, named after its case.
    const QList<QPair<const char *, QList<TextCase>>> cases = {
        {"docx/%1.docx", docxTextCases()}, {"rtf/%1.rtf", rtfTextCases()}, {"html/%1.htm", htmlTextCases()}};
    for (const auto &[pattern, list] : cases) {
        for (const TextCase &c : list) {
            const QString name = QString::fromUtf8(c.name).replace(QLatin1Char(' '), QLatin1Char('-')).replace(QLatin1Char(','), QString());
            if (!write(dir.filePath(QString::fromLatin1(pattern).arg(name)), c.bytes))
                return false;
        }
    }
    // Documents as LibreOffice writes them (the RTF tests' files: furigana, pictures anchored every way,
    // text boxes and drawing shapes), and fields of ruby, damaged and deeply nested, and groups of shapes.
    const QDir samples(QStringLiteral(FENWAR_RTF_SAMPLES));
    for (const QString &name : samples.entryList({QStringLiteral("*.rtf")}, QDir::Files)) {
        QFile file(samples.filePath(name));
        if (!file.open(QIODevice::ReadOnly) || !write(dir.filePath(QStringLiteral("rtf/") + name), file.readAll()))
            return false;
    }
    QByteArray fields = "{\\rtf1\\ansi ";
    for (const char *eq : {R"(EQ \\* jc2 \\* "Font:x" \\* hps10 \\o\\ad(\\s\\up 9(\u12363?),\u28450?))", R"(EQ \\o(\\s\\do 4(a\\,b),c\\(d)", R"(EQ \\o(\\s\\up 5(a\\)",
                           R"(EQ x\\s\\up 8(2))", R"(EQ \\f(1,2))", "TOC"})
        fields += "{\\field{\\*\\fldinst " + QByteArray(eq) + "}{\\fldrslt {}}}";
    fields += "{\\field{\\*\\fldinst EQ " + QByteArray("\\\\o(").repeated(40) + "x}}";
    const QByteArray hex = png(8, 6).toHex();
    fields += "{\\shpgrp{\\*\\shpinst{\\shp{\\*\\shpinst{\\sp{\\sn pib}{\\sv{\\pict\\pngblip " + hex + "}}}}}{\\shp{\\*\\shpinst{\\shptxt x}}}}}"
              "{\\shp{\\*\\shpinst{\\sp{\\sn pib}{\\sv {\\pict\\pngblip " + hex + "}}}}{\\shprslt{\\pict\\wmetafile8 0100}}}\\par}";
    if (!write(dir.filePath(QStringLiteral("rtf/fields-and-shapes.rtf")), fields))
        return false;
    // A page in each of the web's encodings.
    for (const WebEncodingCase &c : webEncodingCases()) {
        const QByteArray label = QByteArray(c.labels).split(' ').constFirst();
        if (!write(dir.filePath(QStringLiteral("html/encoding-%1.htm").arg(QString::fromLatin1(label))), htmlDeclaring(label, c.sample)))
            return false;
    }
    return true;
}

// The XML of each Word seed for fuzz_docxml: its document, and its styles and numberings where it has
// them, separated by zero bytes; and a document that refers to the notes, header and footer the
// target's package holds.
bool writeDocumentXml(const QDir &dir)
{
    const QDir words(dir.filePath(QStringLiteral("docx")));
    for (const QString &name : words.entryList({QStringLiteral("*.docx")}, QDir::Files)) {
        QFile file(words.filePath(name));
        ZipPackage zip;
        QByteArray xml;
        if (!file.open(QIODevice::ReadOnly) || !zip.open(file.readAll()) || !zip.read(QStringLiteral("word/document.xml"), xml))
            return false;
        for (const char *part : {"word/styles.xml", "word/numbering.xml"}) {
            QByteArray bytes;   // empty, for the target's own, where the seed has none
            zip.read(QLatin1String(part), bytes);
            xml += '\0' + bytes;
        }
        if (!write(dir.filePath(QStringLiteral("docxml/") + QFileInfo(name).completeBaseName() + QStringLiteral(".xml")), xml))
            return false;
    }
    return write(dir.filePath(QStringLiteral("docxml/parts.xml")),
                 "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
                 "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><w:body>"
                 "<w:p><w:pPr><w:pStyle w:val=\"List\"/></w:pPr><w:r><w:t>item</w:t></w:r>"
                 "<w:r><w:footnoteReference w:id=\"1\"/></w:r><w:r><w:endnoteReference w:id=\"1\"/></w:r></w:p>"
                 "<w:p><w:hyperlink r:id=\"rId9\"><w:r><w:t>link</w:t></w:r></w:hyperlink></w:p>"
                 "<w:sectPr><w:headerReference w:type=\"default\" r:id=\"rId7\"/><w:footerReference w:type=\"first\" r:id=\"rId8\"/>"
                 "<w:titlePg/></w:sectPr></w:body></w:document>");
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2)
        return 2;
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    for (const char *sub : {"docx", "docxml", "rtf", "html", "pictures"})
        dir.mkpath(QLatin1String(sub));
    PageDocument empty;
    PageDocument full;
    SamplePage::fillEveryConstruct(full);
    // Pages stored with drawings within drawings and with pictures that claim gigabytes within a drawing.
    if (!write(dir.filePath(QStringLiteral("nested-drawings.page")), SamplePage::streamWithPicture(nestedDrawing(6, "s.svg"), "svg"))
        || !write(dir.filePath(QStringLiteral("huge-within-drawing.page")), SamplePage::streamWithPicture(drawingOfHugePictures(), "png")))
        return 1;
    // Paragraphs stored with the mark of a held line, which once joined them on the next save.
    for (int i = 0; i < SamplePage::MarkedLineVariants; ++i) {
        if (!write(dir.filePath(QStringLiteral("marked-line-%1.page").arg(i)), SamplePage::markedLineStream(i)))
            return 1;
    }
    return PageCodec::saveFile(empty, dir.filePath(QStringLiteral("empty.page")))
            && PageCodec::saveFile(full, dir.filePath(QStringLiteral("full.page")))
            && DocxWriter::writePage(empty, dir.filePath(QStringLiteral("docx/empty.docx")))
            && DocxWriter::writePage(full, dir.filePath(QStringLiteral("docx/full.docx")))
            && RtfWriter::writePage(empty, dir.filePath(QStringLiteral("rtf/empty.rtf")))
            && RtfWriter::writePage(full, dir.filePath(QStringLiteral("rtf/full.rtf")))
            && writeForeign(dir) && writeDocumentXml(dir) && writePictures(dir)
        ? 0 : 1;
}

// libFuzzer target over the Word document reader's XML: the bytes are the XML parts of a package that
// also holds a picture, so that mutations reach the reader's elements instead of the zip archive's
// checks. The parts stand in the bytes in the order fixedParts() lists them, separated by zero bytes
// (which XML never holds); a part the bytes leave empty or do not reach is the fixed one. As fuzz_docx, any bytes either fail to
// read, leaving the page as it was and naming the reason, or give a page that writes to a package
// which reads again.
#include "FuzzApp.h"
#include "ReaderCheck.h"
#include "platform/docx/DocxReader.h"
#include "platform/docx/DocxWriter.h"
#include "platform/docx/ZipPackage.h"

#include <QBuffer>
#include <QImage>

#include <cstdint>

namespace {

QByteArray tinyPng()
{
    QImage image(4, 3, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return buffer.data();
}

QByteArray wordPart(const char *root, const QByteArray &content)
{
    return QByteArray("<w:") + root + " xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">" + content
        + "</w:" + root + ">";
}

// The package's parts: the XML parts the bytes give, in their order (the document, then what the seeds'
// documents refer to: styles, numberings, notes, a header rId7 and a footer rId8), the fixed ones after
// them (the relationships, with pictures under rId1 and the writer's rId10 and later, and a link rId9).
constexpr int XmlParts = 7;

const QList<QPair<QString, QByteArray>> &fixedParts()
{
    static const QList<QPair<QString, QByteArray>> parts = [] {
        const QByteArray rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
        QByteArray rels = "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                          "<Relationship Id=\"rId1\" Type=\"" + rel + "image\" Target=\"media/image1.png\"/>"
                          "<Relationship Id=\"rId3\" Type=\"" + rel + "numbering\" Target=\"numbering.xml\"/>"
                          "<Relationship Id=\"rId4\" Type=\"" + rel + "styles\" Target=\"styles.xml\"/>"
                          "<Relationship Id=\"rId5\" Type=\"" + rel + "footnotes\" Target=\"footnotes.xml\"/>"
                          "<Relationship Id=\"rId6\" Type=\"" + rel + "endnotes\" Target=\"endnotes.xml\"/>"
                          "<Relationship Id=\"rId7\" Type=\"" + rel + "header\" Target=\"header1.xml\"/>"
                          "<Relationship Id=\"rId8\" Type=\"" + rel + "footer\" Target=\"footer1.xml\"/>"
                          "<Relationship Id=\"rId9\" Type=\"" + rel + "hyperlink\" Target=\"https://example.com/\" TargetMode=\"External\"/>";
        for (int id = 10; id < 20; ++id)
            rels += "<Relationship Id=\"rId" + QByteArray::number(id) + "\" Type=\"" + rel + "image\" Target=\"media/image1.png\"/>";
        const QByteArray note = "<w:p><w:r><w:footnoteRef/></w:r><w:r><w:t>note</w:t></w:r></w:p>";
        return QList<QPair<QString, QByteArray>>{
            {QStringLiteral("word/document.xml"), QByteArray()},
            {QStringLiteral("word/styles.xml"),
             wordPart("styles", "<w:style w:type=\"paragraph\" w:styleId=\"Heading1\"><w:name w:val=\"heading 1\"/></w:style>"
                                "<w:style w:type=\"paragraph\" w:styleId=\"List\"><w:basedOn w:val=\"Heading1\"/>"
                                "<w:pPr><w:numPr><w:numId w:val=\"1\"/></w:numPr></w:pPr></w:style>")},
            {QStringLiteral("word/numbering.xml"),
             wordPart("numbering", "<w:abstractNum w:abstractNumId=\"0\"><w:lvl w:ilvl=\"0\"><w:start w:val=\"3\"/>"
                                   "<w:numFmt w:val=\"decimal\"/></w:lvl><w:lvl w:ilvl=\"1\"><w:numFmt w:val=\"bullet\"/></w:lvl>"
                                   "</w:abstractNum><w:num w:numId=\"1\"><w:abstractNumId w:val=\"0\"/></w:num>")},
            {QStringLiteral("word/footnotes.xml"),
             wordPart("footnotes", "<w:footnote w:id=\"1\">" + note + "</w:footnote><w:footnote w:id=\"2\">" + note + "</w:footnote>")},
            {QStringLiteral("word/endnotes.xml"), wordPart("endnotes", "<w:endnote w:id=\"1\">" + note + "</w:endnote>")},
            {QStringLiteral("word/header1.xml"), wordPart("hdr", "<w:p><w:r><w:t>header</w:t></w:r></w:p>")},
            {QStringLiteral("word/footer1.xml"), wordPart("ftr", "<w:p><w:r><w:t>footer</w:t></w:r></w:p>")},
            {QStringLiteral("word/_rels/document.xml.rels"), rels + "</Relationships>"},
            {QStringLiteral("word/media/image1.png"), tinyPng()},
        };
    }();
    return parts;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    startFuzzApp();
    fixedParts();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QList<QPair<QString, QByteArray>> entries = fixedParts();
    const QList<QByteArray> given = QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)).split('\0');
    for (int i = 0; i < XmlParts && i < given.size(); ++i) {
        if (!given.at(i).isEmpty() || i == 0)
            entries[i].second = given.at(i);
    }
    checkReader(ZipPackage::write(entries),
                [](PageDocument &page, const QByteArray &in, QString *problem) { return DocxReader::read(page, in, problem); },
                [](const PageDocument &page) { return DocxWriter::pageBytes(page); });
    return 0;
}

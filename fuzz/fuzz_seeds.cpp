// Writes seeds for the fuzzers into the folder given: a page with every construct and an empty one,
// as page streams (with pages whose paragraphs carry a mark only crafted bytes hold), and as Word and
// RTF documents in the subfolders docx/ and rtf/, with the documents of other programs that once froze
// the editor, lost pictures or were refused too late (small versions of each), and HTML pages in html/.
#include "platform/docx/DocxWriter.h"
#include "platform/docx/FlowBuilder.h"
#include "platform/rtf/RtfWriter.h"
#include "platform/richtext/PageCodec.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/TableOps.h"
#include "support/ForeignFiles.h"
#include "support/SamplePage.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>

namespace {

bool write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
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
        {"html/nested-divs.htm", htmlNestedElements("<div>", "</div>", 200)},
        {"html/unclosed-spans.htm", htmlNestedElements("<span style=\"color:red\">", "", 200)},
        {"html/nested-lists.htm", htmlNestedLists(40)},
        {"html/nested-tables.htm", htmlNested(TableOps::ShownNesting + 2)},
        {"html/pictures.htm", "<p><img src=\"p.png\" width=3><img src=\"file:p.png\"><img src=\"missing.png\">"
                              "<img src=\"data:image/png;base64," + png(2, 2).toBase64() + "\"><img src=\"https://example.com/a.png\"></p>"},
        {"html/deep-script.htm", QByteArray("<div>").repeated(200) + "<script>x<b>y</script><p>a<p/>b<td>c<tr>d"},
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
    // A page in each of the web's encodings.
    for (const WebEncodingCase &c : webEncodingCases()) {
        const QByteArray label = QByteArray(c.labels).split(' ').constFirst();
        if (!write(dir.filePath(QStringLiteral("html/encoding-%1.htm").arg(QString::fromLatin1(label))), htmlDeclaring(label, c.sample)))
            return false;
    }
    return true;
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
    for (const char *sub : {"docx", "rtf", "html"})
        dir.mkpath(QLatin1String(sub));
    PageDocument empty;
    PageDocument full;
    SamplePage::fillEveryConstruct(full);
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
            && writeForeign(dir)
        ? 0 : 1;
}

// Writes seeds for the fuzzers into the folder given: a page with every construct and an empty one,
// as page streams, and as Word and RTF documents in the subfolders docx/ and rtf/.
#include "platform/docx/DocxWriter.h"
#include "platform/rtf/RtfWriter.h"
#include "platform/richtext/PageCodec.h"
#include "platform/richtext/PageDocument.h"
#include "support/SamplePage.h"

#include <QDir>
#include <QGuiApplication>

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 2)
        return 2;
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    for (const char *sub : {"docx", "rtf"})
        dir.mkpath(QLatin1String(sub));
    PageDocument empty;
    PageDocument full;
    SamplePage::fillEveryConstruct(full);
    return PageCodec::saveFile(empty, dir.filePath(QStringLiteral("empty.page")))
            && PageCodec::saveFile(full, dir.filePath(QStringLiteral("full.page")))
            && DocxWriter::writePage(empty, dir.filePath(QStringLiteral("docx/empty.docx")))
            && DocxWriter::writePage(full, dir.filePath(QStringLiteral("docx/full.docx")))
            && RtfWriter::writePage(empty, dir.filePath(QStringLiteral("rtf/empty.rtf")))
            && RtfWriter::writePage(full, dir.filePath(QStringLiteral("rtf/full.rtf")))
        ? 0 : 1;
}

// libFuzzer target over the HTML reader: any bytes, read from a file as the editor reads a page (its
// declared encoding, the nesting cut, the pictures and drawings it names beside it), either fail to read, leaving
// the page as it was, or give a page. Seeds in the corpus folder's html/ subfolder.
#include "FuzzApp.h"
#include "platform/docx/DocumentFile.h"
#include "platform/richtext/PageDocument.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>

#include <cstdint>
#include <cstdlib>

namespace {

QTemporaryDir &folder()
{
    static QTemporaryDir dir;
    return dir;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    startFuzzApp();
    // A picture beside the page, for the pages that name it.
    QFile picture(folder().filePath(QStringLiteral("p.png")));
    if (picture.open(QIODevice::WriteOnly))
        picture.write(QByteArray::fromBase64("iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mNk+M9QDwADhgGAWjR9awAAAABJRU5ErkJggg=="));
    // And a drawing naming itself, for the pages that name it (its references are never followed).
    QFile drawing(folder().filePath(QStringLiteral("s.svg")));
    if (drawing.open(QIODevice::WriteOnly))
        drawing.write("<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" width=\"20\" "
                      "height=\"10\"><rect width=\"20\" height=\"10\"/><image width=\"4\" height=\"4\" xlink:href=\""
                      + QFile::encodeName(drawing.fileName()) + "\"/></svg>");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString path = folder().filePath(QStringLiteral("page.htm"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || file.write(reinterpret_cast<const char *>(data), qint64(size)) != qint64(size))
        std::abort();
    file.close();
    // Without layout, as the readers' own pages and the editor's batch work are made.
    PageDocument page(PageDocument::WithoutLayout);
    QTextCursor(page.main()).insertText(QStringLiteral("keep"));
    QString problem;
    QString note;
    if (DocumentFile::read(page, path, DocumentFile::Html, &problem, &note) != DocumentFile::Ok
        && page.main()->toPlainText() != QStringLiteral("keep"))
        std::abort();
    DocumentFile::readWeight(path, DocumentFile::Html, 1 << 30);
    return 0;
}

// libFuzzer target over the RTF reader: any bytes either fail to read, leaving the page as
// it was, or give a page that writes to RTF which reads again.
#include "FuzzApp.h"
#include "platform/rtf/RtfReader.h"
#include "platform/rtf/RtfWriter.h"
#include "platform/richtext/PageDocument.h"

#include <QByteArray>
#include <QTextCursor>
#include <QTextDocument>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    startFuzzApp();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    // Without layout, as the readers' own pages and the editor's batch work are made.
    PageDocument page(PageDocument::WithoutLayout);
    QTextCursor(page.main()).insertText(QStringLiteral("keep"));
    if (!RtfReader::read(page, bytes)) {
        if (page.main()->toPlainText() != QStringLiteral("keep"))
            std::abort();
        return 0;
    }
    PageDocument again(PageDocument::WithoutLayout);
    if (!RtfReader::read(again, RtfWriter::pageBytes(page)))
        std::abort();
    return 0;
}

// libFuzzer target over the Word document reader: any bytes either fail to read, leaving the page as
// it was and naming the reason, or give a page that writes to a package which reads again.
#include "FuzzApp.h"
#include "ReaderCheck.h"
#include "platform/docx/DocxReader.h"
#include "platform/docx/DocxWriter.h"

#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    startFuzzApp();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    checkReader(bytes,
                [](PageDocument &page, const QByteArray &in, QString *problem) { return DocxReader::read(page, in, problem); },
                [](const PageDocument &page) { return DocxWriter::pageBytes(page); });
    return 0;
}

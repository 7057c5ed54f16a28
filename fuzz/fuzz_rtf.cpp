// libFuzzer target over the RTF reader: any bytes either fail to read, leaving the page as
// it was and naming the reason, or give a page that writes to RTF which reads again.
#include "FuzzApp.h"
#include "ReaderCheck.h"
#include "platform/rtf/RtfReader.h"
#include "platform/rtf/RtfWriter.h"

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
                [](PageDocument &page, const QByteArray &in, QString *problem) { return RtfReader::read(page, in, problem); },
                [](const PageDocument &page) { return RtfWriter::pageBytes(page); });
    return 0;
}

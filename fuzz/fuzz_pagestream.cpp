// libFuzzer target over the page stream loader: any bytes either fail to load or give a page that
// saves, loads again and saves the same bytes; inserting them into a page must not fail differently.
#include "FuzzApp.h"
#include "platform/richtext/PageCodec.h"
#include "platform/richtext/PageDocument.h"

#include <QByteArray>
#include <QTextCursor>

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
    // Without layout: the loader's work, not Qt's layout, is what is fuzzed here.
    PageDocument page(PageDocument::WithoutLayout);
    const bool loaded = PageCodec::load(page, bytes);
    PageDocument target(PageDocument::WithoutLayout);
    QTextCursor cursor(target.main());
    if (PageCodec::insert(target, cursor, bytes) != loaded)
        std::abort();
    if (!loaded)
        return 0;
    const QByteArray again = PageCodec::save(page);
    PageDocument second(PageDocument::WithoutLayout);
    if (!PageCodec::load(second, again) || PageCodec::save(second) != again)
        std::abort();
    return 0;
}

// libFuzzer target over the picture door itself: any bytes are looked at and taken as one read takes
// a picture, and the door keeps what its bounds promise. No cost is negative: what the look reckons
// (the pictures within a drawing, its elements, the bytes it parsed) and what is left of the read's
// budget, which never grows. A look takes bounded time, and memory that libFuzzer's limit watches. A
// picture left out is left out for a reason named. Seeds in the corpus folder's pictures/ subfolder.
#include "FuzzApp.h"
#include "platform/richtext/PictureDoor.h"

#include <QElapsedTimer>

#include <cstdint>
#include <cstdlib>

namespace {

// A look parses within a budget of 64 MB of drawings and 250,000 elements: a few seconds at most
// under the sanitizer, on a busy machine.
constexpr qint64 LookMilliseconds = 20000;

void check(bool holds)
{
    if (!holds)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    startFuzzApp();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    QElapsedTimer clock;
    clock.start();
    PictureDoor door;
    const PictureDoor::Look look = door.lookWithin(bytes);
    check(clock.elapsed() < LookMilliseconds);
    check(look.pixels >= 0 && look.within >= 0 && look.withinExtra >= 0 && look.elements >= 0 && look.parsed >= 0);
    check(look.elements <= SvgPicture::MaxElements && look.parsed <= SvgPicture::Budget().bytes);
    check(look.refused == PictureDoor::Taken || !PictureDoor::fits(look, look.size));
    // The same look alone, with a budget of its own.
    const PictureDoor::Look alone = PictureDoor::look(bytes);
    check(alone.bytes == look.bytes && alone.size == look.size && alone.refused == look.refused);
    PictureDoor::Refusal why = PictureDoor::Taken;
    const QImage image = door.take(look, &why);
    check(door.left() >= 0 && door.left() <= PictureDoor::ReadBudget);
    check(image.isNull() == (why != PictureDoor::Taken));
    // Taken again: the budget only ever goes down.
    const qint64 left = door.left();
    door.take(look, &why);
    check(door.left() >= 0 && door.left() <= left);
    return 0;
}

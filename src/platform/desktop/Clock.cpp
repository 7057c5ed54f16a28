#include "platform/desktop/Clock.h"

namespace {

class SystemClock : public Clock
{
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

Clock *installed = nullptr;

} // namespace

Clock &Clock::current()
{
    static SystemClock system;
    return installed ? *installed : system;
}

void Clock::install(Clock *clock) { installed = clock; }

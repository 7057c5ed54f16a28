#include "core/Usr.h"
#include "platform/Clock.h"
#include "platform/RandomSource.h"

#include <QDateTime>

QString Usr::TsSqNow()
{
    // Four-digit years in both forms: a two-digit year reads back as 19xx from 2030 on.
    const QDateTime now = Clock::current().now();
    if (st().jet)
        return QLatin1Char('#') + now.toString(QStringLiteral("MM/dd/yyyy HH:mm:ss")) + QLatin1Char('#');
    return QLatin1String("convert(datetime,'") + now.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"))
           + QLatin1String("')");
}

double Usr::FdNewKy()
{
    // A whole 32-bit value: page identities must stay distinct across exports,
    // and 0 stands for "no identity yet", so it is never handed out.
    std::uint32_t key = 0;
    for (int tries = 0; key == 0 && tries < 16; ++tries)
        key = RandomSource::current().next32();
    return key == 0 ? 1.0 : double(key);
}

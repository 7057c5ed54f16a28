#include "core/HtmMoji.h"

void HtmMoji::T_HtmMoji(QString &sWd)
{
    sWd.removeIf([](QChar c) {
        return c == u' ' || c == u'&' || c == u'<' || c == u'>' || c == u'"' || c == u'\'';
    });
}

#pragma once

#include "publish/converter/ConvText.h"

#include <QString>

namespace SiteText {

// A value for an HTML page of the site (element content or a double-quoted attribute): "&",
// "<", ">" and double quotes escaped, control characters (which no HTML may hold) and the other
// characters no page carries (TextChars) left out. Every other character, emoji and characters
// outside the BMP included, stays as it is.
inline QString html(const QString &value)
{
    QString clean;
    clean.reserve(value.size());
    for (QChar c : value) {
        if (c.unicode() >= 0x20 || c == QLatin1Char('\t'))
            clean += c;
    }
    return ConvText::escape(clean);
}

// A link target of a site page: a URI (ConvText::uriText) written as an attribute value.
inline QString href(const QString &target)
{
    return html(ConvText::uriText(target));
}

} // namespace SiteText

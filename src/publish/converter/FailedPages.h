#pragma once

#include "platform/text/TextChars.h"

#include <QString>
#include <QStringList>

// The pages a publishing run could not convert, for its closing message.
namespace FailedPages {

// "title (number)" of a page, on its line of the message: a line end or a right-to-left override
// in a stored title would move or turn round the lines after it.
inline QString entry(const QString &title, qint64 page)
{
    return TextChars::oneLine(title) + QStringLiteral(" (") + QString::number(page) + QLatin1Char(')');
}

// The first ten entries, one a line after a line end, then how many more there are.
inline QString lines(const QStringList &entries)
{
    const int shown = 10;
    QString text;
    for (const QString &e : entries.mid(0, shown))
        text += QStringLiteral("\n  ") + e;
    if (entries.size() > shown)
        text += QStringLiteral("\n  他 %1 ﾍﾟｰｼﾞ").arg(entries.size() - shown);
    return text;
}

} // namespace FailedPages

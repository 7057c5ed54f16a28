#include "core/HtmMoji.h"

#include <QStringList>

void HtmMoji::T_HtmMoji(QString &sWd)
{
    sWd.removeIf([](QChar c) {
        return c == u' ' || c == u'&' || c == u'<' || c == u'>' || c == u'"' || c == u'\'';
    });
}

namespace {

bool lineEnd(QChar c)
{
    return c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QChar(11) || c == QChar(12)
           || c == QChar::LineSeparator || c == QChar::ParagraphSeparator;
}

bool control(QChar c)
{
    return c.category() == QChar::Other_Control;
}

} // namespace

QString HtmMoji::oneLine(const QString &text)
{
    bool plain = true;
    for (QChar c : text)
        plain = plain && !control(c) && !lineEnd(c);
    // Typing keeps its blanks as they are, a trailing one too.
    if (plain)
        return text;
    QStringList lines;
    QString line;
    auto endLine = [&lines, &line] {
        const QString trimmed = line.trimmed();
        if (!trimmed.isEmpty())
            lines << trimmed;
        line.clear();
    };
    for (QChar c : text) {
        if (lineEnd(c))
            endLine();
        else if (c == QLatin1Char('\t'))
            line += QLatin1Char(' ');
        else if (!control(c))
            line += c;
    }
    endLine();
    return lines.join(QLatin1Char(' '));
}

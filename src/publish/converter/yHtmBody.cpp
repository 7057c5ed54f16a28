// The body writer: the tag table back into indented HTML with balanced tags.
#include "publish/converter/ConvText.h"
#include "publish/converter/yHtm.h"

#include <QHash>

using namespace ConvText;

void yHtm::SetIndLvl()
{
    static const QHash<QString, int> levels = {
        {QStringLiteral("body"), 0}, {QStringLiteral("html"), 0}, {QStringLiteral("table"), 1},
        {QStringLiteral("div"), 1},  {QStringLiteral("tr"), 2},   {QStringLiteral("ol"), 2},
        {QStringLiteral("ul"), 2},   {QStringLiteral("h1"), 2},   {QStringLiteral("h3"), 2},
        {QStringLiteral("h5"), 2},   {QStringLiteral("td"), 3},   {QStringLiteral("li"), 3},
        {QStringLiteral("a"), 4},    {QStringLiteral("img"), 4},  {QStringLiteral("span"), 4}};
    for (TagRec &r : m_tags) {
        const QString bare = r.name.startsWith(QLatin1Char('/')) ? r.name.mid(1) : r.name;
        r.level = levels.value(bare, -1);
    }
}

QString yHtm::WrtBody()
{
    static const QString blockNames = QStringLiteral(".h1.h3.h5.p.ol.ul.table.tr.td.div.body.html");
    QString out;
    QStringList stack{QStringLiteral("html")};
    // The page's own html element stays open at the bottom of the stack until a closing record
    // takes it; after that, everything left open at the end is closed.
    qsizetype kept = 1;
    QString openSpanClass;
    int lastLevel = 0;
    auto indent = [&](int level) {
        if (level >= 0)
            lastLevel = level;
        return QString(2 * lastLevel, QLatin1Char(' '));
    };
    auto closeTag = [&](const QString &name) {
        out += QStringLiteral("</") + name + QLatin1Char('>');
        if (blockNames.contains(name, Qt::CaseInsensitive))
            out += CrLf;
    };
    for (const TagRec &r : m_tags) {
        if (r.skip != 0)
            continue;
        if (r.name == QLatin1String("###")) {
            QString x = r.attributes, floatStyle, mapLink;
            const qsizetype bar = x.indexOf(QStringLiteral("||"));
            if (bar >= 0) {
                floatStyle = x.mid(bar + 2);
                x = x.left(bar);
            }
            if (x.contains(QLatin1String("iframe")) && icontains(x, QStringLiteral("http://maps.google.com/maps")))
                mapLink = QStringLiteral("<br /><small>") + CrLf + QStringLiteral("<a href=\"")
                          + between(x, QStringLiteral("src=\""), QStringLiteral("\""))
                          + QStringLiteral("\">GoogleMap</a></small>");
            if (!floatStyle.isEmpty())
                out += CrLf + QStringLiteral("   <div style=\"") + floatStyle + QStringLiteral("\">");
            // A script's own lines end as the page's do.
            out += CrLf + x.replace(QLatin1Char('\n'), CrLf) + mapLink;
            if (!floatStyle.isEmpty())
                out += CrLf + QStringLiteral("   </div>");
            continue;
        }
        const QString bare = r.name.startsWith(QLatin1Char('/')) ? r.name.mid(1) : r.name;
        const bool picture = bare == QLatin1String("img");
        if (m_iDtd == 4 && bare == QLatin1String("span"))
            openSpanClass = r.kind == 1 ? r.cls : QString();
        QString text;
        if (bare == QLatin1String("col")) {
            QString attrs = r.attributes;
            if (attrs.endsWith(QLatin1Char('/')))
                attrs.chop(1);
            text = QStringLiteral("<col ") + attrs + QLatin1Char('>');
        } else if (picture || r.kind == 1) {
            if (!picture)
                stack << bare;
            text = QLatin1Char('<') + bare + QLatin1Char(' ') + r.attributes;
            if (!r.cls.isEmpty())
                text = trim(text) + QStringLiteral(" class=\"") + r.cls + QLatin1Char('"');
            text = trim(text) + QLatin1Char('>');
            while (text.contains(QLatin1String("  ")))
                text.replace(QStringLiteral("  "), QStringLiteral(" "));
        } else if (r.kind == -1) {
            if (!stack.isEmpty() && stack.last().compare(bare, Qt::CaseInsensitive) == 0) {
                stack.removeLast();
            } else {
                while (!stack.isEmpty()) {
                    const QString top = stack.takeLast();
                    if (top.compare(bare, Qt::CaseInsensitive) == 0)
                        break;
                    closeTag(top);
                }
            }
            if (stack.isEmpty())
                kept = 0;
            text = r.raw;
        } else {
            text = r.raw;
        }
        const bool dipc = m_iDtd == 4 && picture;
        // The span is closed around the picture only when it is the innermost open element.
        const bool reopen = dipc && !openSpanClass.isEmpty() && !stack.isEmpty()
                            && stack.last().compare(QLatin1String("span"), Qt::CaseInsensitive) == 0;
        if (dipc) {
            if (reopen)
                out += CrLf + indent(r.level) + QStringLiteral("</span>");
            out += CrLf + indent(r.level) + QStringLiteral("<div class=\"dipc\">");
        }
        if (!trim(text).isEmpty())
            out += CrLf + indent(r.level) + text;
        if (dipc) {
            out += CrLf + indent(r.level) + QStringLiteral("</div>");
            if (reopen)
                out += CrLf + indent(r.level) + QStringLiteral("<span class=\"") + openSpanClass + QLatin1Char('"') + QLatin1Char('>');
        }
        if (r.name == QLatin1String("table") && r.kind == 1) {
            const QString cols = ColGroup(r.raw);
            if (!cols.isEmpty())
                out += CrLf + cols;
        }
    }
    // Whatever the input, the output closes what it opened (the html element is the page's).
    while (stack.size() > kept)
        closeTag(stack.takeLast());
    return out;
}

QString yHtm::DelBlank(const QString &text)
{
    QStringList lines;
    for (const QString &line : text.split(CrLf))
        if (!trim(line).isEmpty())
            lines << line;
    // Only lines that are nothing but the span tag go: closing tags of an unwinding may share the line.
    auto spanOnly = [](const QString &line) {
        const QString t = trim(line);
        return t.startsWith(QLatin1String("<span")) && t.endsWith(QLatin1Char('>')) && t.count(QLatin1Char('<')) == 1;
    };
    auto closeOnly = [](const QString &line) { return trim(line) == QLatin1String("</span>"); };
    QStringList kept;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString &line = lines[i];
        if (spanOnly(line)) {
            if (i + 1 >= lines.size()) {
                kept << line;
                break;
            }
            if (closeOnly(lines[i + 1])) {
                ++i;
                continue;
            }
            if (i + 2 < lines.size() && closeOnly(lines[i + 2])) {
                if (trim(lines[i + 1]).isEmpty()) {
                    i += 2;
                    continue;
                }
                if (lines[i + 1] == QLatin1String("<br>")) {
                    kept << lines[i + 1];
                    i += 2;
                    continue;
                }
            }
        }
        kept << line;
    }
    QString out;
    for (const QString &line : kept)
        out += line + CrLf;
    return out;
}

void yHtm::WrtHead(QString &sBd, QString &sHd, const QString &sCls)
{
    QString head = QStringLiteral("<!DOCTYPE html PUBLIC '-//W3C//DTD HTML 4.01 Transitional//EN' "
                                  "'http://www.w3.org/TR/html4/loose.dtd'>~<html>~<head>~"
                                  "<meta http-equiv='Content-Type' content='text/html; charset=UTF-8'>~");
    // Head texts are escaped before the quote conversion, so an apostrophe or "&" stays text.
    auto attr = [](const QString &s) { return escape(s).replace(QLatin1Char('\''), QStringLiteral("&#39;")); };
    if (!m_sDsc.isEmpty())
        head += QStringLiteral("<meta name='description' content='") + attr(m_sDsc) + QStringLiteral("'>~");
    if (!m_sKwd.isEmpty())
        head += QStringLiteral("<meta name='Keywords' content='") + attr(m_sKwd) + QStringLiteral("'>~");
    if (!m_sCpy.isEmpty())
        head += QStringLiteral("<meta name='copyright' content='") + attr(m_sCpy) + QStringLiteral("'>~");
    head += m_yNnx ? QStringLiteral("<meta name='robots'content='noindex,nofollow'>~")
                   : QStringLiteral("<meta name='robots'content='index,follow'>~");
    if (m_bFav)
        head += QStringLiteral("<link rel='shortcut icon' href='../cmn/favicon.ico'>~");
    head.replace(QLatin1Char('\''), QLatin1Char('"'));
    head.replace(QLatin1Char('~'), CrLf);
    sHd = head + sCls + QStringLiteral("<title>") + attr(m_sTtl) + QStringLiteral("</title>") + CrLf
          + QStringLiteral("</head>");
    Q_UNUSED(sBd);
}

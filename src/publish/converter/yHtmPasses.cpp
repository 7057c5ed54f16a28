// The passes over the tag table: tables, tooltips, attributes, wrappers, lists and headings.
#include "publish/converter/ConvText.h"
#include "publish/converter/yHtm.h"

using namespace ConvText;

namespace {

// The number after a whole property name `key` up to `end`.
double propNumber(const QString &style, const QString &key, const QString &end)
{
    qsizetype from = 0;
    for (;;) {
        const qsizetype p = ifind(style, key, from);
        if (p < 0)
            return 0;
        if (p == 0 || style[p - 1] == QLatin1Char(';') || style[p - 1] == QLatin1Char(' ')) {
            const qsizetype a = p + key.size();
            const qsizetype q = ifind(style, end, a);
            return val(q < 0 ? style.mid(a) : style.mid(a, q - a));
        }
        from = p + 1;
    }
}

// A span whose look belongs to its run alone, never to the block around it: a highlight, a tooltip's
// title, raised or lowered text (on a block, vertical-align raises nothing).
bool keepsItsRun(const yHtm::TagRec &span)
{
    return icontains(span.style, QStringLiteral("background")) || icontains(span.style, QStringLiteral("vertical-align"))
           || icontains(span.attributes, QStringLiteral("title="));
}

// True when every live text between the block's records `from` and `to` stands inside the span that
// opens at `open` and closes at `close`: only then may the span's look become the block's.
bool holdsAllText(const std::vector<yHtm::TagRec> &tags, int from, int to, int open, int close)
{
    for (int i = from + 1; i < to; ++i)
        if (tags[i].skip == 0 && tags[i].name == QLatin1String("val") && (i < open || i > close))
            return false;
    return true;
}

} // namespace

// ---------------------------------------------------------------- tables

void yHtm::FixTable()
{
    const int count = int(m_tags.size());
    for (int t = 0; t < count; ++t) {
        if (m_tags[t].skip != 0 || m_tags[t].name != QLatin1String("table"))
            continue;
        int rows = 0, cells = 0, row = -1;
        QString list;
        double sum = 0;
        bool colgroup = false;
        auto settle = [&](const QString &widthText) {
            if (list.endsWith(QLatin1Char(',')))
                list.chop(1);
            TagRec &T = m_tags[t];
            const QString before = T.style;
            QString style = trim(T.style);
            RemoveProp(style, QStringLiteral("width"));
            if (!style.isEmpty() && !style.endsWith(QLatin1Char(';')))
                style += QLatin1Char(';');
            if (!icontains(before, widthText))
                T.style = style + widthText;
            T.raw = list;
            list.clear();
        };
        int i = t;
        while (FindNext(i, QString(), 1) >= 0) {
            TagRec &r = m_tags[i];
            if (r.name == QLatin1String("colgroup")) {
                colgroup = true;
                r.skip = -1;
            } else if (r.name == QLatin1String("col")) {
                r.skip = -1;
                const long long w = roundEven(val(between(r.raw, QStringLiteral("\""), QStringLiteral("\""))));
                sum += double(w);
                list += QString::number(w) + QLatin1Char(',');
                ++cells;
            } else if (r.name == QLatin1String("/colgroup")) {
                r.skip = -1;
                settle(m_yTbF == 1 ? QStringLiteral("width:100%;")
                                   : QStringLiteral("width:") + shortNum(sum * 72 / 96) + QStringLiteral("pt;"));
            } else if (r.name == QLatin1String("table")) {
                if (FindNext(i, QStringLiteral("/table"), 1) < 0)
                    break;
                colgroup = false;
            } else if (r.name == QLatin1String("tr")) {
                ++rows;
                row = i;
                cells = 0;
            } else if (r.name == QLatin1String("td")) {
                ++cells;
                if (cells == 1 && row >= 0) {
                    const long long h = roundEven(propNumber(r.style, QStringLiteral("height:"), QStringLiteral("pt")));
                    const QString hText = QStringLiteral("height:%1pt;").arg(h);
                    if (h > 0 && !icontains(m_tags[row].style, hText))
                        m_tags[row].style = trim(m_tags[row].style) + hText;
                }
                if (rows == 1 && !colgroup) {
                    const long long w = roundEven(propNumber(r.style, QStringLiteral("width:"), QStringLiteral("pt")));
                    sum += double(w);
                    list += QString::number(w) + QLatin1Char(',');
                }
                RemoveProp(r.style, QStringLiteral("width"));
                RemoveProp(r.style, QStringLiteral("height"));
                if (r.style == QLatin1String(";"))
                    r.style.clear();
            } else if (r.name == QLatin1String("/tr")) {
                if (rows == 1 && !colgroup)
                    settle(m_yTbF == 1 ? QStringLiteral("width:100%;")
                                       : QStringLiteral("width:") + shortNum(sum) + QStringLiteral("pt;"));
            } else if (r.name == QLatin1String("/table")) {
                break;
            }
        }
    }
}

void yHtm::FixCell()
{
    const int count = int(m_tags.size());
    // 1. paragraphs without text
    for (int d = 0; d < count; ++d) {
        if (m_tags[d].skip != 0 || m_tags[d].name != QLatin1String("div"))
            continue;
        bool hasContent = false;
        int i = d;
        int close = -1;
        while (FindNext(i, QString(), 1) >= 0) {
            const TagRec &r = m_tags[i];
            if (r.name == QLatin1String("/div")) {
                close = i;
                break;
            }
            // Only blank text counts as empty: "?" or any other character is the user's text.
            if (r.name != QLatin1String("val") || !trim(r.raw).isEmpty())
                hasContent = true;
        }
        if (!hasContent && close >= 0) {
            m_tags[d].skip = -1;
            m_tags[close].skip = -1;
        }
    }
    // 2. paragraphs inside cells
    for (int c = 0; c < count; ++c) {
        if (m_tags[c].skip != 0 || m_tags[c].name != QLatin1String("td"))
            continue;
        bool stop = false;
        bool first = true;
        QString align, paragraphStyle;
        int spans = 0, span = -1, spanEnd = -1;
        int i = c;
        while (FindNext(i, QString(), 1) >= 0 && m_tags[i].name != QLatin1String("/td")) {
            const TagRec &r = m_tags[i];
            if (r.name == QLatin1String("div")) {
                QString a = between(r.style, QStringLiteral("text-align:"), QStringLiteral(";"));
                if (!icontains(r.style, QStringLiteral("text-align:")))
                    a = QStringLiteral("left");
                // Paragraphs of another look keep it: merged into the cell it would cover the others' words.
                if ((!first && (a != align || r.style != paragraphStyle)) || r.style.contains(QLatin1String("margin"))) {
                    stop = true;
                    break;
                }
                align = a;
                paragraphStyle = r.style;
                first = false;
            } else if (r.name == QLatin1String("span")) {
                spans += keepsItsRun(r) ? 2 : 1;
                span = i;
            } else if (r.name == QLatin1String("/span")) {
                spanEnd = i;
            }
        }
        if (stop)
            continue;
        // A span's look becomes the cell's only when it holds all the cell's text.
        const bool mergeSpan = spans == 1 && span >= 0 && spanEnd >= 0 && holdsAllText(m_tags, c, i < 0 ? count : i, span, spanEnd);
        i = c;
        while (FindNext(i, QString(), 1) >= 0) {
            TagRec &r = m_tags[i];
            if (r.name == QLatin1String("div")) {
                r.skip = -1;
                MergeStyleFront(m_tags[c].style, r.style, 1);
            } else if (r.name == QLatin1String("span") && mergeSpan) {
                r.skip = -1;
                MergeStyleFront(m_tags[c].style, r.style, 0);
            } else if (r.name == QLatin1String("/span") && mergeSpan) {
                r.skip = -1;
            } else if (r.name == QLatin1String("/div")) {
                r.name = QStringLiteral("br");
                r.kind = 0;
                r.raw = (i >= 2 && m_tags[i - 2].name == QLatin1String("img")) ? QStringLiteral("<br><br>")
                                                                                 : QStringLiteral("<br>");
            } else if (r.name == QLatin1String("/td")) {
                QString &s = m_tags[c].style;
                s.remove(QStringLiteral("padding-left: 1px;"));
                s.remove(QStringLiteral("padding-right: 1px;"));
                s.remove(QStringLiteral("margin-bottom: 4pt;"));
                s.replace(QStringLiteral("  "), QStringLiteral(" "));
                s = trim(s);
                break;
            }
        }
    }
}

void yHtm::JoinTable()
{
    int depth = 0;
    int previous = -1, previousEnd = -1;
    const int count = int(m_tags.size());
    for (int i = 0; i < count; ++i) {
        TagRec &r = m_tags[i];
        if (r.name == QLatin1String("table")) {
            ++depth;
            if (depth != 1)
                continue;
            if (previous >= 0) {
                bool same = false;
                MatchWidth(m_tags[previous].attributes, r.attributes, same);
                int next = previousEnd;
                if (same && FindNext(next, QString(), 1) == i) {
                    int j = i;
                    while (FindNext(j, QString(), 1) >= 0 && m_tags[j].name != QLatin1String("/tr")) {
                        if (m_tags[j].name != QLatin1String("td"))
                            continue;
                        QString &s = m_tags[j].style;
                        const qsizetype p = ifind(s, QStringLiteral("border-top"));
                        if (p < 0)
                            continue;
                        qsizetype q = s.indexOf(QLatin1Char(';'), p);
                        const qsizetype colon = s.indexOf(QLatin1Char(':'), p);
                        if (colon < 0)
                            continue;
                        const QString value = trim(s.mid(colon + 1, q < 0 ? -1 : q - colon - 1));
                        if (value.endsWith(QLatin1String("px")))
                            s.replace(p, (q < 0 ? s.size() : q) - p, QStringLiteral("border-top: 0px"));
                    }
                }
            }
            previous = i;
        } else if (r.name == QLatin1String("/table")) {
            if (depth == 1)
                previousEnd = i;
            --depth;
        }
    }
}

void yHtm::DelTdInh()
{
    const int count = int(m_tags.size());
    for (int t = 0; t < count; ++t) {
        if (m_tags[t].skip != 0 || m_tags[t].name != QLatin1String("table"))
            continue;
        int row = -1;
        int i = t;
        while (FindNext(i, QString(), 1) >= 0 && m_tags[i].name != QLatin1String("/table")) {
            if (m_tags[i].name == QLatin1String("tr"))
                row = i;
            else if (m_tags[i].name == QLatin1String("td") && row >= 0)
                RemoveDecls(m_tags[i].style, m_tags[row].style + QStringLiteral("text-align: left;vertical-align: top;"));
        }
    }
}

// ---------------------------------------------------------------- tooltips, attributes, wrappers

void yHtm::CnvTip(const QString &sTpStyle, const QString &sTp)
{
    const int count = int(m_tags.size());
    for (int a = 0; a < count; ++a) {
        TagRec &A = m_tags[a];
        if (A.skip != 0 || A.name != QLatin1String("a"))
            continue;
        if (a + 1 < count && m_tags[a + 1].name == QLatin1String("/a")) {
            A.skip = -1;
            m_tags[a + 1].skip = -1;
            continue;
        }
        if (!icontains(A.attributes, QStringLiteral("href=\"#TP_")))
            continue;
        if (m_iDtd == 4) {
            A.skip = -1;
            int e = a;
            if (FindNext(e, QStringLiteral("/a"), 1) < 0)
                return;
            m_tags[e].skip = -1;
            continue;
        }
        int v = a;
        if (FindNext(v, QStringLiteral("val"), 1) < 0)
            return;
        const QString text = m_tags[v].raw;
        const qsizetype p = ifind(A.attributes, QStringLiteral("#TP_"));
        const qsizetype q = A.attributes.indexOf(QLatin1Char('"'), p + 4);
        QString phrase = A.attributes.mid(p + 4, q < 0 ? -1 : q - p - 4);
        // The list holds raw field texts: compare whole lines with the unescaped text, and escape
        // the phrase taken from it.
        QString plain = text;
        T_DecEnt(plain);
        for (const QString &line : sTp.split(QLatin1Char('\r'))) {
            const qsizetype tab = line.indexOf(QLatin1Char('\t'));
            if (tab >= 0 && line.left(tab).compare(plain, Qt::CaseInsensitive) == 0) {
                phrase = escape(line.mid(tab + 1));
                break;
            }
        }
        int e = a;
        if (FindNext(e, QStringLiteral("/a"), 1) < 0)
            return;
        A.name = QStringLiteral("span");
        A.raw = QStringLiteral("<span>");
        A.attributes = QStringLiteral("title=\"") + text + QStringLiteral(" : ") + phrase + QLatin1Char('"');
        A.style = sTpStyle;
        m_tags[e].name = QStringLiteral("/span");
        m_tags[e].raw = QStringLiteral("</span>");
    }
}

void yHtm::AttrToCss()
{
    for (TagRec &r : m_tags) {
        if (r.name == QLatin1String("div")) {
            AttrToStyle(r.attributes, r.style, QStringLiteral("align"), QStringLiteral("text-align"));
        } else if (r.name == QLatin1String("tr") || r.name == QLatin1String("td")) {
            AttrToStyle(r.attributes, r.style, QStringLiteral("align"), QStringLiteral("text-align"));
            AttrToStyle(r.attributes, r.style, QStringLiteral("valign"), QStringLiteral("vertical-align"));
            AttrToStyle(r.attributes, r.style, QStringLiteral("bgcolor"), QStringLiteral("background-color"));
        } else if (r.name == QLatin1String("ul") || r.name == QLatin1String("li")) {
            AttrToStyle(r.attributes, r.style, QStringLiteral("type"), QStringLiteral("list-style-type"));
        }
    }
}

void yHtm::DelSpanImg()
{
    const int count = int(m_tags.size());
    for (int i = 1; i + 1 < count; ++i) {
        if ((m_tags[i].name == QLatin1String("img") || m_tags[i].name == QLatin1String("br"))
            && m_tags[i - 1].name == QLatin1String("span") && m_tags[i + 1].name == QLatin1String("/span")) {
            m_tags[i - 1].skip = -1;
            m_tags[i + 1].skip = -1;
        }
    }
}

void yHtm::DelEmpty()
{
    const int count = int(m_tags.size());
    for (int i = 0; i < count; ++i) {
        if (m_tags[i].skip != 0 || m_tags[i].name != QLatin1String("span"))
            continue;
        int n = i;
        if (FindNext(n, QString(), 1) >= 0 && m_tags[n].name == QLatin1String("/span")) {
            m_tags[i].skip = -1;
            m_tags[n].skip = -1;
        }
    }
    // Only blank paragraphs go: a paragraph starting with "?" or any other character is text.
    for (int d = 0; d < count; ++d) {
        if (m_tags[d].skip != 0 || m_tags[d].name != QLatin1String("div"))
            continue;
        if (d + 2 < count && m_tags[d + 1].name == QLatin1String("val") && trim(m_tags[d + 1].raw).isEmpty()
            && m_tags[d + 2].name == QLatin1String("/div")) {
            m_tags[d].skip = m_tags[d + 1].skip = m_tags[d + 2].skip = -1;
        } else if (d + 1 < count && m_tags[d + 1].name == QLatin1String("/div")) {
            m_tags[d].skip = m_tags[d + 1].skip = -1;
        }
    }
    for (int a = 0; a < count; ++a) {
        if (m_tags[a].skip != 0 || m_tags[a].name != QLatin1String("a") || !m_tags[a].attributes.isEmpty())
            continue;
        m_tags[a].skip = -1;
        int e = a;
        if (FindNext(e, QStringLiteral("/a"), 1) < 0)
            return;
        m_tags[e].skip = -1;
    }
}

void yHtm::DelSpanSp()
{
    const int count = int(m_tags.size());
    for (int i = 1; i + 1 < count; ++i) {
        if (m_tags[i].skip == 0 && m_tags[i].raw == QLatin1String("&nbsp;")
            && m_tags[i - 1].name == QLatin1String("span") && m_tags[i + 1].name == QLatin1String("/span")) {
            m_tags[i - 1].skip = -1;
            m_tags[i + 1].skip = -1;
        }
    }
}

void yHtm::MrgDivSpan()
{
    const int count = int(m_tags.size());
    for (int d = 0; d < count; ++d) {
        if (m_tags[d].skip != 0 || m_tags[d].name != QLatin1String("div"))
            continue;
        int n = 0, span = -1, close = -1;
        int i = d;
        while (FindNext(i, QString(), 1) >= 0 && m_tags[i].name != QLatin1String("/div")) {
            const TagRec &r = m_tags[i];
            if (r.name == QLatin1String("span")) {
                n += keepsItsRun(r) ? 2 : 1;
                span = i;
            } else if (r.name == QLatin1String("/span")) {
                close = i;
            } else if (r.name == QLatin1String("a")) {
                ++n;
            }
        }
        // The paragraph takes the span's look only when the span holds all its text.
        if (n == 1 && span >= 0 && close >= 0 && holdsAllText(m_tags, d, i < 0 ? count : i, span, close)) {
            MergeStyleFront(m_tags[d].style, m_tags[span].style, 0);
            m_tags[span].skip = -1;
            m_tags[close].skip = -1;
        }
    }
}

void yHtm::DelBare()
{
    const int count = int(m_tags.size());
    for (int i = 0; i < count; ++i) {
        TagRec &r = m_tags[i];
        if (r.skip != 0)
            continue;
        if (r.name == QLatin1String("span") && r.style.isEmpty() && r.attributes.isEmpty()) {
            r.skip = -1;
            int e = i;
            if (FindNext(e, QStringLiteral("/span"), 1) < 0)
                return;
            m_tags[e].skip = -1;
            i = e;
        } else if (r.name == QLatin1String("body")) {
            r.attributes.clear();
            r.style.clear();
        } else if (r.name == QLatin1String("tr")) {
            r.style.remove(QStringLiteral("text-align:left;"));
            r.style.remove(QStringLiteral("vertical-align:top;"));
        }
    }
}

void yHtm::DelImgWrap()
{
    const int count = int(m_tags.size());
    for (int img = 0; img < count; ++img) {
        if (m_tags[img].skip != 0 || m_tags[img].name != QLatin1String("img"))
            continue;
        int open = -1, close = -1;
        int i = img - 1;
        if (i >= 0 && m_tags[i].name == QLatin1String("a"))
            --i;
        if (i < 0)
            return;
        for (; i >= 0; --i) {
            if (m_tags[i].name == QLatin1String("br"))
                m_tags[i].skip = -1;
            else if (m_tags[i].name == QLatin1String("span"))
                open = i;
            else
                break;
        }
        int j = img + 1;
        if (j < count && m_tags[j].name == QLatin1String("/a"))
            ++j;
        if (j >= count - 1)
            return;
        for (; j < count; ++j) {
            if (m_tags[j].name == QLatin1String("br"))
                m_tags[j].skip = -1;
            else if (m_tags[j].name == QLatin1String("/span"))
                close = j;
            else
                break;
        }
        if (open >= 0 && close >= 0) {
            m_tags[open].skip = -1;
            m_tags[close].skip = -1;
        }
    }
}

// ---------------------------------------------------------------- lists and headings

// True when the item opening at `li` holds a list of its own before its "/li".
bool yHtm::holdsList(int li) const
{
    int i = li;
    while (FindNext(i, QString(), 1) >= 0) {
        const QString &name = m_tags[i].name;
        if (name == QLatin1String("ul") || name == QLatin1String("ol"))
            return true;
        if (name == QLatin1String("/li") || name == QLatin1String("/ul") || name == QLatin1String("/ol"))
            return false;
    }
    return false;
}

void yHtm::FixList()
{
    const int count = int(m_tags.size());
    for (int l = 0; l < count; ++l) {
        if (m_tags[l].skip != 0 || m_tags[l].name != QLatin1String("li"))
            continue;
        // An item's look is inherited by the list inside it: the item's paragraph keeps its own.
        if (holdsList(l))
            continue;
        int n = 0, span = -1, close = -1;
        int i = l;
        while (FindNext(i, QString(), 1) >= 0 && m_tags[i].name != QLatin1String("/li")) {
            TagRec &r = m_tags[i];
            if (r.name == QLatin1String("div")) {
                r.skip = -1;
                if (!r.style.isEmpty())
                    MergeStyleFront(m_tags[l].style, r.style, 1);
            } else if (r.name == QLatin1String("/div")) {
                r.skip = -1;
            } else if (r.name == QLatin1String("span")) {
                n += keepsItsRun(r) ? 2 : 1;
                if (span < 0)
                    span = i;
            } else if (r.name == QLatin1String("/span")) {
                close = i;
            } else if (r.name == QLatin1String("a")) {
                ++n;
            }
        }
        // The item takes the span's look only when the span holds all its text.
        if (n == 1 && span >= 0 && close >= 0 && !m_tags[span].style.isEmpty()
            && holdsAllText(m_tags, l, i < 0 ? count : i, span, close)) {
            MergeStyleFront(m_tags[l].style, m_tags[span].style, 1);
            m_tags[span].skip = -1;
            m_tags[close].skip = -1;
        }
    }
}

void yHtm::DelUlInh()
{
    const int count = int(m_tags.size());
    for (int u = 0; u < count; ++u) {
        if (m_tags[u].skip != 0 || m_tags[u].name != QLatin1String("ul"))
            continue;
        // Only the list's own items: items of a later list keep what their own list does not give.
        int depth = 0;
        for (int i = u + 1; i < count; ++i) {
            const QString &name = m_tags[i].name;
            if (name == QLatin1String("ul"))
                ++depth;
            else if (name == QLatin1String("/ul") && depth-- == 0)
                break;
            else if (name == QLatin1String("li") && m_tags[i].skip == 0)
                RemoveDecls(m_tags[i].style, m_tags[u].style);
        }
    }
}

void yHtm::SetHdLvl()
{
    QString keys[3];
    for (int k = 0; k < 3; ++k)
        keys[k] = QStringLiteral("font-size:%1pt").arg(m_ctx.usrFmt[k].fontSize);
    const int count = int(m_tags.size());
    for (int d = 0; d < count; ++d) {
        if (m_tags[d].skip != 0 || m_tags[d].name != QLatin1String("div"))
            continue;
        const QString style = QString(m_tags[d].style).remove(QLatin1Char(' '));
        if (!icontains(style, QStringLiteral("margin-left:"))
            || propNumber(style, QStringLiteral("margin-left:"), QStringLiteral("pt")) < 6)
            continue;
        int level = 0;
        for (int k = 0; k < 3 && level == 0; ++k)
            if (icontains(style, keys[k]))
                level = k + 1;
        if (level > 0)
            m_tags[d].name = QLatin1Char('h') + QString::number(level * 2 - 1);
        int close = -1;
        for (int i = d + 1; i < count; ++i)
            if (m_tags[i].name == QLatin1String("/div")) {
                close = i;
                break;
            }
        if (close < 0)
            continue;
        int img = -1;
        for (int i = d + 1; i < close; ++i)
            if (m_tags[i].name == QLatin1String("img"))
                img = i;
        if (img >= 0) {
            TagRec picture = m_tags[img];
            for (int i = img; i < close; ++i)
                m_tags[i] = m_tags[i + 1];
            m_tags[close] = picture;
            --close;
        }
        if (m_sTtl.isEmpty()) {
            for (int i = d + 1; i < close; ++i)
                if (m_tags[i].name == QLatin1String("val")) {
                    m_sTtl = m_tags[i].raw;
                    break;
                }
        }
        if (level > 0) {
            const QString h = QLatin1Char('h') + QString::number(level * 2 - 1);
            m_tags[close].name = QLatin1Char('/') + h;
            m_tags[close].raw = QStringLiteral("</") + h + QLatin1Char('>');
        }
        d = close;
    }
}

void yHtm::MarkHeadings()
{
    const int count = int(m_tags.size());
    for (int d = 0; d < count; ++d) {
        if (m_tags[d].skip != 0 || m_tags[d].name != QLatin1String("div"))
            continue;
        const QString style = QString(m_tags[d].style).remove(QLatin1Char(' '));
        const long long ml = roundEven(propNumber(style, QStringLiteral("margin-left:"), QStringLiteral("pt")));
        const long long fs = roundEven(propNumber(style, QStringLiteral("font-size:"), QStringLiteral("pt")));
        if (ml < 6)
            continue;
        int level = 0;
        for (int k = 0; k < 3 && level == 0; ++k)
            if (fs >= m_ctx.usrFmt[k].fontSize)
                level = k + 1;
        if (level == 0)
            continue;
        const QString h = QLatin1Char('h') + QString::number(level * 2 - 1);
        m_tags[d].name = h;
        // A heading is bold in the browser: text the page shows plain says so.
        if (!icontains(style, QStringLiteral("font-weight:"))) {
            QString &own = m_tags[d].style;
            own = trim(own);
            if (!own.isEmpty() && !own.endsWith(QLatin1Char(';')))
                own += QLatin1Char(';');
            own += QStringLiteral("font-weight:normal;");
        }
        for (int i = d + 1; i < count; ++i) {
            if (m_tags[i].name == QLatin1String("/div")) {
                m_tags[i].name = QLatin1Char('/') + h;
                m_tags[i].raw = QStringLiteral("</") + h + QLatin1Char('>');
                d = i;
                break;
            }
        }
    }
}

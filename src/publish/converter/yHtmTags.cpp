// The tag table builder: the editor's export body cut into records, paragraph styles split,
// inline frames and scripts turned into elements.
#include "publish/converter/ConvText.h"
#include "publish/converter/yHtm.h"

#include <QFileInfo>

using namespace ConvText;

namespace {

// Outside services that inline frames and scripts of a page may name.
const QString WebMapPrefix = QStringLiteral("http://maps.google.com/maps");
const QString MapImagePath = QStringLiteral("/MapsService/");

const QString IframeFallback = QStringLiteral(
    "お使いのブラウザはインライン フレームをサポートしていないか、またはインライン フレームを表示しないように設定されています。");

// The number after `key` up to `end` (whole property names only), 0 when absent.
double numberAfter(const QString &style, const QString &key, const QString &end)
{
    qsizetype p = -1;
    qsizetype from = 0;
    while ((p = ifind(style, key, from)) > 0) {
        const QChar before = style[p - 1];
        if (before == QLatin1Char(';') || before == QLatin1Char(' ') || before == QLatin1Char('"'))
            break;
        from = p + 1;
    }
    if (p < 0)
        return 0;
    const qsizetype a = p + key.size();
    const qsizetype q = ifind(style, end, a);
    return val(q < 0 ? style.mid(a) : style.mid(a, q - a));
}

} // namespace

void yHtm::T_DecEnt(QString &text)
{
    text.replace(QStringLiteral("&quot;"), QStringLiteral("\""));
    text.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    text.replace(QStringLiteral("&lt;"), QStringLiteral("<"));
    text.replace(QStringLiteral("&gt;"), QStringLiteral(">"));
    text.replace(QStringLiteral("&nbsp;"), QStringLiteral(" "));
    text.replace(QStringLiteral("&#x0027;"), QStringLiteral("'"));
}

void yHtm::SplitPSpan(QString &para) const
{
    const qsizetype open = para.indexOf(QStringLiteral("\">"));
    const qsizetype close = ifind(para, QStringLiteral("</p>"));
    if (open < 0 || close < open)
        return;
    // The content keeps its line form: joined, its tags would become one text token.
    const QString content = para.mid(open + 2, close - open - 2);
    const QString style = between(para, QStringLiteral("style=\""), QStringLiteral("\""));
    QString pStyle, sStyle;
    for (const QString &item : style.split(QLatin1Char(';'))) {
        if (trim(item).isEmpty())
            continue;
        const QString low = item.toLower();
        if (low.contains(QLatin1String("text-align")) || low.contains(QLatin1String("margin-"))
            || low.contains(QLatin1String("line-height")))
            pStyle += low + QLatin1Char(';');
        else
            sStyle += low + QLatin1Char(';');
    }
    para = QStringLiteral("<p style=\"") + pStyle + QStringLiteral("\">\r<span style=\"") + sStyle
           + QStringLiteral("\">\r") + content + QStringLiteral("\r</span>\r</p>");
}

void yHtm::CnvFrame(QString &body, const QString &sFL) const
{
    const QStringList lines = body.split(Cr);
    QString out;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString line = trim(lines[i]);
        const bool frame = line.startsWith(QLatin1String("<div"))
                           && line.contains(QLatin1String("background-color:#FEFEFA"));
        const bool script = !frame && line.startsWith(QLatin1String("<div"))
                            && line.contains(QLatin1String("background-color:#FEFAFE"));
        if (frame || script) {
            double w = numberAfter(line, QStringLiteral("width:"), QStringLiteral("pt;"));
            double h = numberAfter(line, QStringLiteral("height:"), QStringLiteral("pt;"));
            if (frame) {
                w += 30;
                h += 30;
            } else {
                w = w * 96 / 72 + 30;
                h = h * 96 / 72 + 30;
            }
            QString floatStyle;
            if (icontains(line, QStringLiteral("float:left")))
                floatStyle = QStringLiteral("position:relative;float:left; padding:20pt;");
            else if (icontains(line, QStringLiteral("float:right")))
                floatStyle = QStringLiteral("position:relative;float:right; padding:20pt;");
            QString text;
            qsizetype j = i + 1;
            // A script keeps its lines: joined, a comment line would swallow the code after it.
            bool lineEnd = false;
            for (; j < lines.size(); ++j) {
                const QString t = trim(lines[j]);
                if (t == QLatin1String("</div>"))
                    break;
                if (t.startsWith(QLatin1Char('<'))) {
                    lineEnd = lineEnd || t.startsWith(QLatin1String("</p")) || t.startsWith(QLatin1String("<br"));
                    continue;
                }
                if (script && lineEnd && !text.isEmpty())
                    text += QLatin1Char('\n');
                lineEnd = false;
                text += t;
            }
            i = j;
            T_DecEnt(text);
            QString element;
            const qsizetype bracket = text.indexOf(QLatin1Char(']'));
            if (bracket >= 0) {
                QString target = text.mid(bracket + 1);
                if (script) {
                    const QString src = between(target, QStringLiteral("src='"), QStringLiteral("'"));
                    const qsizetype cut = target.indexOf(QStringLiteral("&amp;width="));
                    if (icontains(src, MapImagePath) && cut >= 0)
                        target = target.left(cut) + QStringLiteral("&amp;width=") + shortNum(w)
                                 + QStringLiteral("&amp;height=") + shortNum(h) + QStringLiteral("'></script>");
                    element = target;
                } else {
                    if (target.startsWith(QLatin1Char('/')) || target.startsWith(QLatin1String("file:"), Qt::CaseInsensitive))
                        MakeRelative(QFileInfo(sFL).absolutePath(), target);
                    // Written with double quotes directly: a quote in the address stays escaped text.
                    element = QStringLiteral("<iframe src=\"") + escape(target) + QStringLiteral("\" style=\"width: ")
                              + shortNum(w) + QStringLiteral("pt; height: ") + shortNum(h)
                              + QStringLiteral("pt; padding:5pt\">") + IframeFallback + QStringLiteral("</iframe>");
                }
            }
            if (!floatStyle.isEmpty())
                element += QStringLiteral("||") + floatStyle;
            line = QStringLiteral("<### ") + element + QLatin1Char('>');
        }
        if (!line.isEmpty())
            out += line + Cr;
    }
    body = out;
}

void yHtm::CnvFrameX(QString &body) const
{
    for (const QString &marker : {QStringLiteral("[Iframe:"), QStringLiteral("[Script:")}) {
        // A book shows no script source: every script frame goes, not only the first.
        const bool every = marker.startsWith(QLatin1String("[Script"));
        for (qsizetype from = 0;;) {
            const qsizetype p = ifind(body, marker, from);
            if (p < 0)
                break;
            const qsizetype d = body.lastIndexOf(QStringLiteral("<div"), p);
            const qsizetype e = body.indexOf(QStringLiteral("</div>"), p);
            const qsizetype c = e < 0 ? -1 : body.indexOf(Cr, e);
            if (d < 0 || e < 0 || c < 0)
                break;
            QString replacement;
            if (marker.startsWith(QLatin1String("[Iframe"))) {
                QString text = body.mid(d, c - d);
                const qsizetype m = ifind(text, WebMapPrefix);
                if (m >= 0) {
                    T_DecEnt(text);
                    const qsizetype m2 = ifind(text, WebMapPrefix);
                    const qsizetype end = text.indexOf(QLatin1Char('<'), m2 + WebMapPrefix.size());
                    QString address = text.mid(m2, end < 0 ? -1 : end - m2);
                    address.remove(QLatin1Char('\r')).remove(QLatin1Char('\n'));
                    replacement = CrLf + QStringLiteral("<small><a href=\"") + escape(uriText(address))
                                  + QStringLiteral("\" style=\"color:#0000FF;text-align:left\">MAP</a></small>") + CrLf;
                    // The tokenizer cuts at CR: the new tags need their own lines.
                    replacement.replace(QLatin1Char('<'), QStringLiteral("\r<")).replace(QLatin1Char('>'), QStringLiteral(">\r"));
                }
            }
            body = body.left(d) + replacement + body.mid(c);
            if (!every)
                break;
            from = d + replacement.size();
        }
    }
}

void yHtm::SetTagTbl(QString &sBd, const QString &sFL, const QString &sBase)
{
    m_tags.clear();
    // Frame records are made here from the markers; one written in the page is text.
    sBd.replace(QStringLiteral("<###"), QStringLiteral("&lt;###"));
    // 1. line form
    sBd.replace(QStringLiteral("<br />"), QStringLiteral("<br>"));
    sBd.remove(QStringLiteral("\r\n"));
    sBd.replace(QLatin1Char('<'), QStringLiteral("\r<"));
    sBd.replace(QLatin1Char('>'), QStringLiteral(">\r"));
    sBd.replace(QStringLiteral("'Arial'"), cssFont(m_ctx.usrFmt[3].fontName));
    // 2. frames
    if (sBd.contains(QLatin1String("[Script:")) || sBd.contains(QLatin1String("[Iframe:"))) {
        if (m_iDtd == 4)
            CnvFrameX(sBd);
        else
            CnvFrame(sBd, sFL);
    }
    // 3. paragraphs with a background colour, split into the text before `done` and the split
    // paragraphs gathered in `out`: one pass however many paragraphs have a colour.
    const QString bg = QStringLiteral("background-color");
    QString out;
    qsizetype done = 0;
    qsizetype from = 0;
    for (;;) {
        const qsizetype hit = ifind(sBd, bg, from);
        if (hit < 0)
            break;
        // A tag before `done` is the end of a split paragraph, never "<p".
        const qsizetype lt = sBd.lastIndexOf(QLatin1Char('<'), hit);
        const qsizetype end = lt < done ? -1 : ifind(sBd, QStringLiteral("</p>"), lt);
        if (end >= 0 && QStringView(sBd).mid(lt, 2) == QLatin1String("<p")) {
            QString para = sBd.mid(lt, end + 4 - lt);
            SplitPSpan(para);
            out += QStringView(sBd).mid(done, lt - done);
            out += para;
            done = end + 4;
            from = done + 4;
        } else {
            from = hit + bg.size();
        }
    }
    if (done > 0) {
        out += QStringView(sBd).mid(done);
        sBd = out;
    }
    // 4.-9. records
    const QStringList pieces = sBd.split(Cr);
    m_tags.reserve(pieces.size());
    QString bodyStyle;
    int depth = 0;
    for (const QString &piece : pieces) {
        QString t = trim(piece);
        if (t.isEmpty())
            continue;
        // A "<" that opens no complete tag is text.
        if (t.startsWith(QLatin1Char('<')) && !t.endsWith(QLatin1Char('>')))
            t = QStringLiteral("&lt;") + t.mid(1);
        TagRec r;
        r.raw = t;
        if (t.startsWith(QLatin1String("</"))) {
            r.kind = -1;
            const qsizetype blank = t.indexOf(QLatin1Char(' '));
            r.name = QLatin1Char('/') + (blank < 0 ? t.mid(2) : t.mid(2, blank - 2)).remove(QLatin1Char('>'));
        } else if (t.startsWith(QLatin1Char('<'))) {
            const qsizetype blank = t.indexOf(QLatin1Char(' '));
            r.name = (blank < 0 ? t.mid(1) : t.mid(1, blank - 1)).remove(QLatin1Char('>'));
            // Frame and column records stand alone: counting them as open elements would take the
            // body style from every paragraph after them.
            r.kind = (r.name == QLatin1String("br") || r.name == QLatin1String("img") || r.name == QLatin1String("col")
                      || r.name == QLatin1String("###")) ? 0 : 1;
            if (blank >= 0) {
                QString attrs = t.mid(blank + 1);
                if (!attrs.endsWith(QLatin1Char('"')))
                    attrs.chop(1);
                if (r.name != QLatin1String("###")) {
                    const qsizetype s = ifind(attrs, QStringLiteral("style="));
                    if (s >= 0) {
                        const qsizetype q = attrs.indexOf(QLatin1Char('"'), s + 7);
                        r.style = trim(q < 0 ? attrs.mid(s + 7) : attrs.mid(s + 7, q - s - 7));
                        attrs = trim(attrs.left(s) + (q < 0 ? QString() : ltrim(attrs.mid(q + 1))));
                    }
                    if (r.name == QLatin1String("img") && attrs.endsWith(QLatin1Char('/')))
                        attrs.chop(1);
                }
                r.attributes = attrs;
            }
        } else {
            r.name = QStringLiteral("val");
            r.kind = 0;
        }
        // 6. zero defaults
        if (!r.style.isEmpty()) {
            for (const char *zero : {"text-indent:0pt;", "margin-left:0pt;", "margin-top:0pt;", "margin-bottom:0pt;",
                                     "margin-right:0pt;", "line-height:100%;"})
                r.style.remove(QLatin1String(zero));
            r.style.remove(QStringLiteral("line-height:%1%;").arg(int(double(m_ctx.lineFactor) * 100.0 + 1e-6)));
            r.style.replace(QStringLiteral("  "), QStringLiteral(" "));
            r.style = trim(r.style);
        }
        // 7. top-level elements take the body style
        depth += r.kind;
        if (r.kind == 1 && depth == 2 && !bodyStyle.isEmpty())
            MergeStyle(r.style, bodyStyle);
        // 8. by name
        if (r.name == QLatin1String("a")) {
            RemoveProp(r.style, QStringLiteral("color"));
            RewriteHref(sFL, sBase, r.attributes);
        } else if (r.name == QLatin1String("body")) {
            bodyStyle = r.style;
            RemoveProp(bodyStyle, QStringLiteral("background-color"));
            r.style.clear();
        } else if (r.name == QLatin1String("img")) {
            RemoveProp(r.attributes, QStringLiteral("title"));
        } else if (r.name == QLatin1String("table")) {
            for (const QString &a : {QStringLiteral("cellspacing"), QStringLiteral("cellpadding")}) {
                if (between(r.attributes, a + QStringLiteral("=\""), QStringLiteral("\"")).compare(
                        QLatin1String("0"), Qt::CaseInsensitive) == 0)
                    RemoveProp(r.attributes, a);
            }
            r.attributes = trim(r.attributes);
            RemoveProp(r.attributes, QStringLiteral("cols"));
        } else if (r.name == QLatin1String("p")) {
            r.name = QStringLiteral("div");
        } else if (r.name == QLatin1String("/p")) {
            r.name = QStringLiteral("/div");
            r.raw = QStringLiteral("</div>");
        } else if (r.name == QLatin1String("td")) {
            for (const char *pad : {"padding-right", "padding-left", "padding-top", "padding-bottom"})
                RemoveProp(r.style, QLatin1String(pad));
        }
        r.skip = 0;
        m_tags.push_back(std::move(r));
    }
}

// Style texts, classes and the style sheet.
#include "publish/converter/ConvText.h"
#include "publish/converter/yHtm.h"

#include <QStringList>

using namespace ConvText;

namespace {

// Property names of a style text, lower case.
QStringList propertyNames(const QString &style)
{
    QStringList names;
    for (const QString &item : style.split(QLatin1Char(';'))) {
        const qsizetype c = item.indexOf(QLatin1Char(':'));
        if (c > 0)
            names << trim(item.left(c)).toLower();
    }
    return names;
}

// Position of `name` followed by `sep` where it starts a whole name (text start, or after ";" or a
// blank); -1 when none. "color" is thus never found inside "background-color".
qsizetype findWholeName(const QString &text, const QString &name, const QString &sep)
{
    const QString key = name + sep;
    qsizetype from = 0;
    for (;;) {
        const qsizetype p = ifind(text, key, from);
        if (p < 0)
            return -1;
        if (p == 0 || text[p - 1] == QLatin1Char(';') || text[p - 1] == QLatin1Char(' '))
            return p;
        from = p + 1;
    }
}

} // namespace

void yHtm::MergeStyle(QString &target, const QString &added)
{
    // An empty target takes no leading ";" (the rule would start with an empty declaration).
    if (!target.isEmpty() && !target.endsWith(QLatin1Char(';')))
        target += QLatin1Char(';');
    const QStringList have = propertyNames(target);
    QString result = target;
    for (const QString &item : added.split(QLatin1Char(';'))) {
        const qsizetype c = item.indexOf(QLatin1Char(':'));
        if (c < 0)
            continue;
        const QString name = trim(item.left(c)).toLower();
        if (name == QLatin1String("line-height") || have.contains(name))
            continue;
        result += item + QLatin1Char(';');
    }
    target = result;
}

void yHtm::MergeStyleFront(QString &first, const QString &second, int mode)
{
    QString base;
    if (mode == 1) {
        for (const QString &item : second.split(QLatin1Char(';'))) {
            const QString t = trim(item);
            if (t.isEmpty() || t.contains(QLatin1String("padding")) || t.contains(QLatin1String("margin")))
                continue;
            base += t + QLatin1Char(';');
        }
    } else {
        base = second;
    }
    for (const QString &item : first.split(QLatin1Char(';'))) {
        const QString t = trim(item);
        const qsizetype c = t.indexOf(QLatin1Char(':'));
        if (c < 0)
            continue;
        if (!propertyNames(base).contains(trim(t.left(c)).toLower()))
            base = t + QLatin1Char(';') + base;
    }
    first = base;
}

void yHtm::RemoveDecls(QString &style, const QString &list)
{
    QString s = QLatin1Char(';') + QString(style).replace(QStringLiteral("; "), QStringLiteral(";"));
    for (const QString &item : list.split(QLatin1Char(';'))) {
        const QString t = trim(item) + QLatin1Char(';');
        if (t == QLatin1String(";"))
            continue;
        s.replace(QLatin1Char(';') + t, QStringLiteral(";"), Qt::CaseInsensitive);
    }
    style = s.mid(1);
}

void yHtm::RemoveProp(QString &text, const QString &name)
{
    qsizetype p = -1, q = -1;
    if (!text.isEmpty() && !text.contains(QLatin1Char('"'))) {
        if (!text.endsWith(QLatin1Char(';')))
            text += QLatin1Char(';');
        p = findWholeName(text, name, QStringLiteral(":"));
        if (p >= 0)
            q = text.indexOf(QLatin1Char(';'), p);
    } else {
        p = findWholeName(text, name, QStringLiteral("=\""));
        if (p >= 0)
            q = text.indexOf(QLatin1Char('"'), p + name.size() + 2);
    }
    if (p < 0 || q < 0)
        return;
    text.remove(p, q - p + 1);
    text.replace(QStringLiteral("  "), QStringLiteral(" "));
}

void yHtm::AttrToStyle(QString &attrs, QString &style, const QString &attr, const QString &css)
{
    attrs = trim(attrs.replace(QStringLiteral("= "), QStringLiteral("=")));
    style = trim(style);
    if (!icontains(attrs, attr))
        return;
    QString rest;
    for (const QString &part : attrs.split(QLatin1Char(' '))) {
        if (part.startsWith(attr, Qt::CaseInsensitive)) {
            const qsizetype e = part.indexOf(QLatin1Char('='));
            QString value = e < 0 ? QString() : part.mid(e + 1);
            value.remove(QLatin1Char('"'));
            style += QLatin1Char(' ') + css + QLatin1Char(':') + value + QStringLiteral("; ");
        } else {
            rest += part + QLatin1Char(' ');
        }
    }
    attrs = trim(rest);
    style = trim(style);
}

void yHtm::MatchWidth(const QString &first, QString &second, bool &same)
{
    const QString wa = between(first, QStringLiteral("width=\""), QStringLiteral("\""));
    const QString wb = between(second, QStringLiteral("width=\""), QStringLiteral("\""));
    const long long a = roundEven(val(wa));
    const long long b = roundEven(val(wb));
    if ((a == 0) != (b == 0)) {
        same = false;
    } else if (a == b) {
        same = true;
    } else if (double(qMin(a, b)) / double(qMax(a, b)) > 0.95) {
        second.replace(QStringLiteral("width=\"%1\"").arg(b), QStringLiteral("width=\"%1\"").arg(a));
        same = true;
    } else {
        same = false;
    }
}

QString yHtm::ColGroup(const QString &list)
{
    const QStringList items = list.split(QLatin1Char(','));
    long long total = 0;
    for (const QString &w : items)
        total = roundEven(double(total) + val(w));
    // A table without widths has nothing to share out: no colgroup rather than a division by zero.
    if (total <= 0)
        return QString();
    QString text = QStringLiteral("    <colgroup>~");
    long long sum = 0;
    for (int i = 0; i < items.size(); ++i) {
        long long w;
        if (i + 1 < items.size()) {
            w = roundEven(val(items[i]) / double(total) * 100.0);
            sum += w;
        } else {
            w = qMax(0LL, 100 - sum);
        }
        text += QStringLiteral("      <col width='%1%'>~").arg(w);
    }
    text += QStringLiteral("    </colgroup>");
    return text.replace(QLatin1Char('~'), CrLf);
}

QString yHtm::ColorToHex(qint32 color)
{
    // Six digits whatever the value: black is 000000, not 00000.
    const QString h = QStringLiteral("%1").arg(quint32(color) & 0xFFFFFFu, 6, 16, QLatin1Char('0')).toUpper();
    return h.mid(4, 2) + h.mid(2, 2) + h.left(2);
}

void yHtm::BuildTipStyles(QString &a, QString &b) const
{
    const UsrFmt &f = m_ctx.usrFmt[3];
    const QString base = QStringLiteral("font-family:") + cssFont(f.fontName) + QStringLiteral(";font-size:")
                         + QString::number(f.fontSize) + QStringLiteral("pt;");
    a = base + QStringLiteral("color:#") + ColorToHex(0xFF8080) + QLatin1Char(';');
    b = base + QStringLiteral("color:#") + ColorToHex(0x404080) + QLatin1Char(';');
}

void yHtm::CollectClasses(QString &sCls)
{
    sCls.clear();
    for (TagRec &r : m_tags) {
        if (r.skip != 0 || (r.name != QLatin1String("img") && r.kind != 1))
            continue;
        QString style = trim(r.style);
        if (style.isEmpty())
            continue;
        if (m_iDtd == 4 && m_yNit == 1)
            style.remove(QStringLiteral("font-style:italic;"));
        ClassFor(r.name, style, sCls, r.cls);
    }
}

void yHtm::SetCls(QString &sCls)
{
    sCls.clear();
    for (TagRec &r : m_tags) {
        if (r.skip != 0 || (r.name != QLatin1String("img") && r.kind != 1))
            continue;
        if (trim(r.style).isEmpty() || r.name.startsWith(QLatin1Char('h')))
            continue;
        ClassFor(r.name, r.style, sCls, r.cls);
    }
}

void yHtm::ClassFor(const QString &tag, QString style, QString &sheet, QString &cls) const
{
    if (style.startsWith(QLatin1String("###")))
        return;
    while (style.contains(QLatin1String("  ")))
        style.replace(QStringLiteral("  "), QStringLiteral(" "));
    const QString selector = tag + QLatin1Char('.') + tag.left(2);
    int number = 0;
    const QString line = QLatin1Char('\t') + selector + QLatin1Char('\t') + style + QLatin1Char('\r');
    const qsizetype hit = ifind(sheet, line);
    if (hit >= 0) {
        const qsizetype start = sheet.lastIndexOf(QLatin1Char('\r'), hit) + 1;
        number = qMax(1, int(val(sheet.mid(start, hit - start))));
    } else {
        number = 1;
        for (;;) {
            const QString key = QStringLiteral("%1").arg(number, 2, 10, QLatin1Char('0')) + QLatin1Char('\t')
                                + selector + QLatin1Char('\t');
            if (!sheet.startsWith(key) && !sheet.contains(QLatin1Char('\r') + key))
                break;
            ++number;
        }
        sheet += QStringLiteral("%1").arg(number, 2, 10, QLatin1Char('0')) + line;
    }
    cls = tag.left(2) + QStringLiteral("%1").arg(number, 2, 10, QLatin1Char('0'));
}

QString yHtm::AppendClassRules(const QString &head, const QString &sheet) const
{
    if (sheet.isEmpty())
        return head + QStringLiteral("</style>") + CrLf;
    QString s = sheet;
    if (s.endsWith(QLatin1Char('\r')))
        s.chop(1);
    struct Row { QString number, selector, style; };
    std::vector<Row> rows;
    for (const QString &line : s.split(QLatin1Char('\r'))) {
        const QStringList f = line.split(QLatin1Char('\t'));
        if (f.size() < 3)
            continue;
        Row r{f[0], f[1], f[2]};
        if (m_iDtd == 4 && r.selector.startsWith(QLatin1String("div.")))
            r.style.remove(QStringLiteral("text-align:center;"));
        rows.push_back(r);
    }
    std::stable_sort(rows.begin(), rows.end(), [](const Row &a, const Row &b) {
        if (a.selector != b.selector)
            return a.selector < b.selector;
        return a.number < b.number;
    });
    QString out = head;
    for (const Row &r : rows) {
        if (r.style.isEmpty())
            continue;
        out += QStringLiteral("    ") + r.selector + r.number + QStringLiteral(" {") + trim(r.style)
               + QLatin1Char('}') + CrLf;
    }
    return out + QStringLiteral("</style>") + CrLf;
}

QString yHtm::BuildStyleBlock(const QString &sCls, const QString &styleA) const
{
    static const int a[3] = {7, 5, 3}, b[3] = {6, 4, 2};
    QString heading[3];
    for (int k = 0; k < 3; ++k) {
        const UsrFmt &f = m_ctx.usrFmt[k];
        heading[k] = QStringLiteral("font-family:") + cssFont(f.fontName) + QStringLiteral(";font-size:")
                     + QString::number(f.fontSize) + QStringLiteral("pt;color:#") + ColorToHex(f.textColor)
                     + QStringLiteral(";margin: %1px 0px %2px 8px;").arg(a[k]).arg(b[k]);
    }
    const UsrFmt &body = m_ctx.usrFmt[3];
    const QString sizeWord = body.fontSize >= 14 ? QStringLiteral("large")
                             : body.fontSize < 12 ? QStringLiteral("small")
                                                  : QStringLiteral("medium");
    const QString bodyStyle = QStringLiteral("padding-left: 10px;line-height:")
                              + QString::number(roundEven(double(m_ctx.lineFactor) * 100.0))
                              + QStringLiteral("%;font-family:") + cssFont(body.fontName) + QStringLiteral(";font-size:")
                              + sizeWord + QStringLiteral(";color:#") + ColorToHex(body.textColor)
                              + (m_iDtd == 4 ? QStringLiteral(";margin: 20px; ") : QStringLiteral(";margin: 0px; "));
    QString text = QStringLiteral("<style type=\"text/css\">|")
                   + QStringLiteral("    body {") + bodyStyle + QStringLiteral("background-color: #FFFFFF;}|")
                   + QStringLiteral("    a {") + styleA + QStringLiteral("}|")
                   + QStringLiteral("    a:link {text-decoration:underline;}|"
                                    "    a:visited {color:#5689bf;text-decoration:underline;}|"
                                    "    a:active {color:#009E7B;text-decoration:none;}|"
                                    "    a:hover {color:white;background-color:#666633;text-decoration:underline;}|")
                   + QStringLiteral("    h1 {") + heading[0] + QStringLiteral("}|")
                   + QStringLiteral("    h3 {") + heading[1] + QStringLiteral("}|")
                   + QStringLiteral("    h5 {") + heading[2] + QStringLiteral("}|")
                   + QStringLiteral("    div {margin: 4px 0px 2px 0px;}|"
                                    "    table {border-collapse:collapse;}|"
                                    "    tr {text-align:left;vertical-align:top;}|"
                                    "    td {padding:3px;}|"
                                    "    li {margin:4px 0px 2px 0px;}|"
                                    "    img {border:0px;}|");
    text.replace(QLatin1Char('|'), CrLf);
    return AppendClassRules(text, sCls);
}

void yHtm::FontSizeToPercent(QString &style) const
{
    const int base = m_ctx.usrFmt[3].fontSize;
    qsizetype from = 0;
    for (;;) {
        const qsizetype p = ifind(style, QStringLiteral("font-size:"), from);
        if (p < 0)
            return;
        const qsizetype a = p + 10;
        const qsizetype q = style.indexOf(QLatin1Char(';'), a);
        if (q < 0)
            return;
        const QString value = style.mid(a, q - a);
        if (value.endsWith(QLatin1String("pt"), Qt::CaseInsensitive) && base > 0) {
            const long long n = roundEven(val(value.left(value.size() - 2)));
            const QString pct = QString::number((long long)std::floor(double(n) / base * 100.0)) + QLatin1Char('%');
            style.replace(a, q - a, pct);
            from = a + pct.size() + 1;
        } else {
            from = q + 1;
        }
    }
}

void yHtm::WrtSheet(QString &sCls)
{
    SetFmtCss();
    QString text = QStringLiteral("<style type=\"text/css\">|");
    const char *const tags[3] = {"h1", "h3", "h5"};
    for (int k = 0; k < 3; ++k) {
        QString full = m_fmtCss[12 + k];
        full.replace(m_fmtCss[3], QString()).replace(m_fmtCss[7], QString()).replace(m_fmtCss[11], QString());
        text += QStringLiteral("    ") + QLatin1String(tags[k]) + QStringLiteral(" {") + full + QStringLiteral("}|");
    }
    FontSizeToPercent(text);
    text.replace(QLatin1Char('|'), CrLf);
    sCls = AppendClassRules(text, sCls);
}

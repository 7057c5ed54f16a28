#include "publish/site/SiteMenu.h"

#include "publish/site/SiteText.h"

#include <algorithm>

namespace {

const QByteArray CrLf = QByteArrayLiteral("\r\n");
const QByteArray Closed = QByteArrayLiteral("class=\"clp\"");
const QByteArray Open = QByteArrayLiteral("class=\"exp\"");
const QByteArray OpenList = QByteArrayLiteral("class=\"exp\" style=\"display:block\" ");

} // namespace

void SiteMenu::clear()
{
    m_text.clear();
    m_starts.clear();
    m_entries.clear();
}

QByteArray SiteMenu::indent(int count)
{
    return QByteArray(2 * count, ' ');
}

void SiteMenu::appendLine(const QByteArray &line)
{
    m_starts.append(m_text.size());
    m_text += line;
    m_text += CrLf;
}

QByteArray SiteMenu::line(int index) const
{
    const qsizetype end = index + 1 < m_starts.size() ? m_starts[index + 1] : m_text.size();
    return m_text.mid(m_starts[index], end - m_starts[index]);
}

void SiteMenu::addEntry(int level, const QString &id, const QString &target, const QString &title, bool withChildren)
{
    const QByteArray key = SiteText::html(id).toUtf8();
    QByteArray text = indent(level + 1) + QByteArrayLiteral("<li id=\"L") + key + '"';
    Entry entry;
    if (withChildren) {
        text += ' ';
        entry.clp = text.size();
        text += Closed + QByteArrayLiteral(" onclick=\"fnTree('") + key + QByteArrayLiteral("')\"");
    }
    text += QByteArrayLiteral("><a href=\"") + SiteText::href(target).toUtf8() + QByteArrayLiteral("\">");
    entry.titleStart = text.size();
    text += SiteText::html(title).toUtf8();
    entry.titleEnd = text.size();
    text += QByteArrayLiteral("</a>");
    if (!withChildren)
        text += QByteArrayLiteral("</li>");
    entry.line = int(m_starts.size());
    m_entries.insert(id, entry);
    appendLine(text);
}

void SiteMenu::addList(int level, const QString &id)
{
    auto it = m_entries.find(id);
    if (it != m_entries.end())
        it->list = int(m_starts.size());
    appendLine(indent(level + 2) + QByteArrayLiteral("<ul id=\"U") + SiteText::html(id).toUtf8() + QByteArrayLiteral("\" ")
               + Closed + QByteArrayLiteral(" onclick=\"fnTree()\">"));
}

QByteArray SiteMenu::HtmMarkAct(const QString &id) const
{
    QByteArray out;
    appendMarked(out, id);
    return out;
}

void SiteMenu::appendMarked(QByteArray &out, const QString &id) const
{
    // The lines to change: for each prefix of the id its entry, opened, and its list, shown;
    // the page's own entry has its title marked as the active one.
    struct Change {
        int line;
        QByteArray text;
    };
    QVector<Change> changes;
    for (qsizetype n = 1; n <= id.size(); ++n) {
        const auto it = m_entries.constFind(id.left(n));
        if (it == m_entries.constEnd())
            continue;
        const Entry &e = *it;
        QByteArray li = line(e.line);
        if (n == id.size()) {
            li.insert(e.titleEnd, QByteArrayLiteral("</span>"));
            li.insert(e.titleStart, QByteArrayLiteral("<span class=\"act\">"));
        }
        if (e.clp >= 0)
            li.replace(e.clp, Closed.size(), Open);
        changes.append({e.line, li});
        if (e.list >= 0) {
            QByteArray ul = line(e.list);
            const qsizetype p = ul.indexOf(Closed);
            if (p >= 0)
                ul.replace(p, Closed.size(), OpenList);
            changes.append({e.list, ul});
        }
    }
    std::sort(changes.begin(), changes.end(), [](const Change &a, const Change &b) { return a.line < b.line; });
    out.reserve(out.size() + m_text.size() + 256);
    qsizetype from = 0;
    for (const Change &c : changes) {
        out.append(m_text.constData() + from, m_starts[c.line] - from);
        out += c.text;
        from = c.line + 1 < m_starts.size() ? m_starts[c.line + 1] : m_text.size();
    }
    out.append(m_text.constData() + from, m_text.size() - from);
}

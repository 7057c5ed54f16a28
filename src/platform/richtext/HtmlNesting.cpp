#include "platform/richtext/HtmlNesting.h"

#include <QHash>

#include <tuple>
#include <utility>
#include <vector>

namespace {

// The elements whose nesting Qt's import decides by their kind.
enum class Id { Other, P, Li, Td, Th, Tr, Table, Thead, Tbody, Tfoot, Caption, Dd, Dt, Dl, Body, Head };

struct Kind {
    Id id = Id::Other;
    bool block = false;     // a block as the import sees one: a paragraph stops at it
    bool boundary = false;  // starts a paragraph of its own (blocks and the parts of tables)
    bool childless = false; // never holds anything
    bool hidden = false;    // what it holds is not shown (a script, a style sheet)
};

Kind kindOf(const QString &name)
{
    static const QHash<QString, Kind> kinds = [] {
        QHash<QString, Kind> k;
        for (const char *block : {"blockquote", "center", "div", "h1", "h2", "h3", "h4", "h5", "h6", "ol", "pre", "ul"})
            k.insert(QString::fromLatin1(block), {Id::Other, true, true, false});
        const std::pair<const char *, Id> blocks[] = {{"p", Id::P},   {"li", Id::Li}, {"td", Id::Td},     {"th", Id::Th},
                                                      {"dd", Id::Dd}, {"dt", Id::Dt}, {"dl", Id::Dl},     {"body", Id::Body},
                                                      {"qt", Id::Body}, {"caption", Id::Caption}};
        for (const auto &[name, id] : blocks)
            k.insert(QString::fromLatin1(name), {id, true, true, false});
        const std::pair<const char *, Id> tables[] = {
            {"table", Id::Table}, {"tr", Id::Tr}, {"thead", Id::Thead}, {"tbody", Id::Tbody}, {"tfoot", Id::Tfoot}};
        for (const auto &[name, id] : tables)
            k.insert(QString::fromLatin1(name), {id, false, true, false});
        k.insert(QStringLiteral("head"), {Id::Head, false, false, false, true});
        for (const char *hidden : {"link", "script", "style", "title"})
            k.insert(QString::fromLatin1(hidden), {Id::Other, false, false, false, true});
        k.insert(QStringLiteral("hr"), {Id::Other, true, true, true});
        for (const char *empty : {"br", "img"})
            k.insert(QString::fromLatin1(empty), {Id::Other, false, false, true});
        k.insert(QStringLiteral("meta"), {Id::Other, false, false, true, true});
        return k;
    }();
    return kinds.value(name);
}

// Whether the import gives the element a parent of its own choosing rather than the innermost open one.
bool placedByKind(Id id)
{
    return id != Id::Other && id != Id::Table && id != Id::Dl && id != Id::Head;
}

// Reads the HTML as the import does, tag by tag, and keeps the elements open as the import nests them,
// with those left out on top of the ones it keeps.
class Nesting
{
public:
    explicit Nesting(const QString &html) : m_html(html), m_size(html.size()) {}

    QString cut(bool *wasCut);

private:
    struct Open {
        QString name;
        Kind kind;
        bool kept;
    };

    bool atSpace() const { return m_pos < m_size && m_html.at(m_pos).isSpace() && m_html.at(m_pos) != QChar::ParagraphSeparator; }
    void eatSpace() { while (atSpace()) ++m_pos; }
    bool at(char16_t ch) const { return m_pos < m_size && m_html.at(m_pos) == QChar(ch); }
    QString word();
    void skipAttributes();
    void skipPast(char16_t ch);
    void tag(qsizetype start);
    void startTag(qsizetype start, const QString &name, bool closed);
    void endTag(qsizetype start, const QString &name);
    int nearest(const QString &name) const;
    int parentOf(const Kind &kind, int &implicit) const;
    void push(qsizetype start, const QString &name, const Kind &kind, bool kept);
    void popTo(qsizetype at, int size);
    void leaveOut(qsizetype start, bool boundary) { m_cuts.emplace_back(start, m_pos, boundary); }
    int top() const { return int(m_open.size()) - 1; }
    bool keptAt(int index) const { return index < 0 || m_open[size_t(index)].kept; }

    const QString &m_html;
    const qsizetype m_size;
    qsizetype m_pos = 0;
    std::vector<Open> m_open;
    QHash<QString, std::vector<int>> m_byName; // indexes of the open elements of each name
    std::vector<int> m_blocks;                 // indexes of the open blocks
    int m_leftOut = 0;                         // open elements left out, all above those kept
    // Where the outermost element left out whose content is not shown starts, and its index: what it
    // holds is left out whole, or the import would show it.
    qsizetype m_hiddenFrom = -1;
    int m_hiddenAt = -1;
    std::vector<std::tuple<qsizetype, qsizetype, bool>> m_cuts; // start, end, boundary
};

// A word as the import reads one: in quotes, or up to white space, "<", "=", ">" or "/>".
QString Nesting::word()
{
    const qsizetype from = m_pos;
    if (at(u'"') || at(u'\'')) {
        const QChar quote = m_html.at(m_pos++);
        while (m_pos < m_size) {
            const QChar ch = m_html.at(m_pos++);
            // A single quote after a backslash does not end the word.
            if (ch == quote && (quote == QLatin1Char('"') || m_html.at(m_pos - 2) != QLatin1Char('\\')))
                break;
        }
        return m_html.mid(from + 1, qMax<qsizetype>(0, m_pos - from - 2));
    }
    while (m_pos < m_size) {
        const QChar ch = m_html.at(m_pos);
        if (ch == QLatin1Char('>') || ch == QLatin1Char('<') || ch == QLatin1Char('=') || ch.isSpace()
            || (ch == QLatin1Char('/') && m_pos + 1 < m_size && m_html.at(m_pos + 1) == QLatin1Char('>')))
            break;
        ++m_pos;
    }
    return m_html.mid(from, m_pos - from);
}

void Nesting::skipAttributes()
{
    while (m_pos < m_size) {
        eatSpace();
        if (at(u'>') || at(u'/') || word().isEmpty())
            return;
        eatSpace();
        if (at(u'=')) {
            ++m_pos;
            eatSpace();
            word();
        }
    }
}

void Nesting::skipPast(char16_t ch)
{
    const qsizetype end = m_html.indexOf(QChar(ch), m_pos);
    m_pos = end < 0 ? m_size : end + 1;
}

void Nesting::tag(qsizetype start)
{
    eatSpace();
    if (at(u'!')) {
        ++m_pos;
        if (QStringView(m_html).mid(m_pos).startsWith(u"--")) {
            const qsizetype end = m_html.indexOf(QStringLiteral("-->"), m_pos + 2);
            m_pos = end < 0 ? m_size : end + 3;
        } else {
            skipPast(u'>');
        }
        return;
    }
    if (at(u'/')) {
        ++m_pos;
        const QString name = word().toLower().trimmed();
        skipPast(u'>');
        endTag(start, name);
        return;
    }
    const QString name = word().toLower();
    if (atSpace())
        skipAttributes();
    bool closed = false;
    while (m_pos < m_size && m_html.at(m_pos) != QLatin1Char('>'))
        closed = m_html.at(m_pos++) == QLatin1Char('/') || closed;
    m_pos = qMin(m_pos + 1, m_size);
    if (!name.isEmpty())
        startTag(start, name, closed);
}

int Nesting::nearest(const QString &name) const
{
    const auto it = m_byName.constFind(name);
    return it == m_byName.cend() || it->empty() ? -1 : it->back();
}

// The index of the open element the import makes the parent of a new one of this kind (-1: none), and
// how many elements it puts in between (a table and a row for a cell outside any row, a table for a
// row outside any table).
int Nesting::parentOf(const Kind &kind, int &implicit) const
{
    implicit = 0;
    int parent = top();
    switch (kind.id) {
    case Id::P: {
        // A paragraph ends the paragraph it stands in, and the elements between that are no blocks.
        const int block = m_blocks.empty() ? -1 : m_blocks.back();
        if (block >= 0 && m_open[size_t(block)].kind.id == Id::P)
            parent = block - 1;
        break;
    }
    case Id::Li:
        if (parent >= 0 && m_open[size_t(parent)].kind.id == Id::Li)
            --parent;
        break;
    case Id::Td:
        parent = nearest(QStringLiteral("tr"));
        if (parent < 0) {
            parent = top();
            implicit = 2;
        }
        break;
    case Id::Th:
        parent = nearest(QStringLiteral("tr"));
        break;
    case Id::Tr:
        if (nearest(QStringLiteral("table")) < 0) {
            implicit = 1;
            break;
        }
        parent = -1;
        for (const char *group : {"table", "thead", "tbody", "tfoot"})
            parent = qMax(parent, nearest(QString::fromLatin1(group)));
        break;
    case Id::Thead:
    case Id::Tbody:
    case Id::Tfoot:
    case Id::Caption:
        parent = nearest(QStringLiteral("table"));
        break;
    case Id::Dd:
    case Id::Dt:
        parent = nearest(QStringLiteral("dl"));
        break;
    case Id::Body:
        while (parent >= 0 && m_open[size_t(parent)].kind.id == Id::Head)
            --parent;
        break;
    default:
        break;
    }
    return parent;
}

void Nesting::push(qsizetype start, const QString &name, const Kind &kind, bool kept)
{
    const int index = int(m_open.size());
    if (!kept && kind.hidden && m_hiddenAt < 0) {
        m_hiddenFrom = start;
        m_hiddenAt = index;
    }
    m_open.push_back({name, kind, kept});
    m_byName[name].push_back(index);
    if (kind.block)
        m_blocks.push_back(index);
    m_leftOut += !kept;
}

void Nesting::popTo(qsizetype at, int size)
{
    if (m_hiddenAt >= size) {
        // The tags left out inside become part of the one cut.
        while (!m_cuts.empty() && std::get<0>(m_cuts.back()) >= m_hiddenFrom)
            m_cuts.pop_back();
        m_cuts.emplace_back(m_hiddenFrom, at, false);
        m_hiddenAt = -1;
    }
    while (int(m_open.size()) > size) {
        const Open &open = m_open.back();
        m_byName[open.name].pop_back();
        if (open.kind.block)
            m_blocks.pop_back();
        m_leftOut -= !open.kept;
        m_open.pop_back();
    }
}

void Nesting::startTag(qsizetype start, const QString &name, bool closed)
{
    const Kind kind = kindOf(name);
    const bool childless = kind.childless || closed;
    if (childless && m_leftOut > 0 && !placedByKind(kind.id))
        return; // kept: it goes into the innermost element kept and changes no nesting
    int implicit = 0;
    const int parent = parentOf(kind, implicit);
    // The innermost element the tag leaves open.
    const int innermost = parent + implicit + (childless ? 0 : 1);
    if (childless && m_leftOut > 0) {
        // The import would place it among the elements it keeps without seeing those left out.
        leaveOut(start, kind.boundary);
        return;
    }
    const bool kept = keptAt(parent) && innermost < HtmlNesting::Limit;
    popTo(start, parent + 1);
    if (!kept)
        leaveOut(start, kind.boundary);
    if (implicit == 2)
        push(start, QStringLiteral("table"), kindOf(QStringLiteral("table")), kept);
    if (implicit >= 1)
        push(start, QStringLiteral("tr"), kindOf(QStringLiteral("tr")), kept);
    if (!childless)
        push(start, name, kind, kept);
}

void Nesting::endTag(qsizetype start, const QString &name)
{
    const int open = name.isEmpty() ? -1 : nearest(name);
    if (open < 0)
        return;
    const Open &element = m_open[size_t(open)];
    const bool boundary = element.kind.boundary;
    const bool kept = element.kept;
    popTo(start, open);
    if (!kept)
        leaveOut(start, boundary);
}

QString Nesting::cut(bool *wasCut)
{
    for (m_pos = m_html.indexOf(QLatin1Char('<')); m_pos >= 0 && m_pos < m_size; m_pos = m_html.indexOf(QLatin1Char('<'), m_pos)) {
        const qsizetype start = m_pos++;
        tag(start);
    }
    popTo(m_size, 0);
    if (wasCut)
        *wasCut = !m_cuts.empty();
    if (m_cuts.empty())
        return m_html;
    QString out;
    out.reserve(m_size);
    qsizetype from = 0;
    for (const auto &[start, end, boundary] : m_cuts) {
        out += QStringView(m_html).mid(from, start - from);
        if (boundary)
            out += QStringLiteral("<div></div>");
        from = end;
    }
    out += QStringView(m_html).mid(from);
    return out;
}

} // namespace

QString HtmlNesting::cut(const QString &html, bool *cut)
{
    return Nesting(html).cut(cut);
}

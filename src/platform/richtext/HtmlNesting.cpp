#include "platform/richtext/HtmlNesting.h"

#include <QHash>

#include <iterator>
#include <tuple>
#include <utility>
#include <vector>

namespace {

// What stands for a block's tag left out: a paragraph boundary where the import's nesting stops.
constexpr QStringView Boundary = u"<div></div>";

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

// The name in lower case, as the import compares names (most are so already, and stay as they are).
QString lowered(QStringView name)
{
    for (QChar ch : name) {
        if (ch.isUpper())
            return name.toString().toLower();
    }
    return name.toString();
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
        int name; // interned
        Kind kind;
        bool kept;
    };

    bool atSpace() const { return m_pos < m_size && m_html.at(m_pos).isSpace() && m_html.at(m_pos) != QChar::ParagraphSeparator; }
    void eatSpace() { while (atSpace()) ++m_pos; }
    bool at(char16_t ch) const { return m_pos < m_size && m_html.at(m_pos) == QChar(ch); }
    QStringView word();
    void skipAttributes();
    void skipPast(char16_t ch);
    void tag(qsizetype start);
    int intern(const QString &name);
    void startTag(qsizetype start, int name, bool closed);
    void endTag(qsizetype start, int name);
    int nearest(const char *name);
    int parentOf(const Kind &kind, int &implicit);
    void push(qsizetype start, int name, bool kept);
    void popTo(qsizetype at, int size);
    void leaveOut(qsizetype start, bool boundary) { m_cuts.emplace_back(start, m_pos, boundary); }
    int top() const { return int(m_open.size()) - 1; }
    bool keptAt(int index) const { return index < 0 || m_open[size_t(index)].kept; }

    const QString &m_html;
    const qsizetype m_size;
    qsizetype m_pos = 0;
    std::vector<Open> m_open;
    // Names by a number of their own, each with its kind and the indexes of the open elements of the
    // name (hashing a name costs more than all the rest).
    QHash<QString, int> m_names;
    std::pair<QString, int> m_recent[8]; // the last names met, which most tags repeat
    int m_nextRecent = 0;
    std::vector<Kind> m_kinds;
    std::vector<std::vector<int>> m_byName;
    std::vector<int> m_blocks;                 // indexes of the open blocks
    int m_leftOut = 0;                         // open elements left out, all above those kept
    // Where the outermost element left out whose content is not shown starts, and its index: what it
    // holds is left out whole, or the import would show it.
    qsizetype m_hiddenFrom = -1;
    int m_hiddenAt = -1;
    std::vector<std::tuple<qsizetype, qsizetype, bool>> m_cuts; // start, end, boundary
};

// A word as the import reads one: in quotes, or up to white space, "<", "=", ">" or "/>".
QStringView Nesting::word()
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
        return QStringView(m_html).mid(from + 1, qMax<qsizetype>(0, m_pos - from - 2));
    }
    while (m_pos < m_size) {
        const QChar ch = m_html.at(m_pos);
        if (ch == QLatin1Char('>') || ch == QLatin1Char('<') || ch == QLatin1Char('=') || ch.isSpace()
            || (ch == QLatin1Char('/') && m_pos + 1 < m_size && m_html.at(m_pos + 1) == QLatin1Char('>')))
            break;
        ++m_pos;
    }
    return QStringView(m_html).mid(from, m_pos - from);
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
        const QString name = lowered(word().trimmed());
        skipPast(u'>');
        if (!name.isEmpty())
            endTag(start, intern(name));
        return;
    }
    const QString name = lowered(word());
    if (atSpace())
        skipAttributes();
    bool closed = false;
    while (m_pos < m_size && m_html.at(m_pos) != QLatin1Char('>'))
        closed = m_html.at(m_pos++) == QLatin1Char('/') || closed;
    m_pos = qMin(m_pos + 1, m_size);
    if (!name.isEmpty())
        startTag(start, intern(name), closed);
}

int Nesting::intern(const QString &name)
{
    for (const auto &[recent, id] : m_recent) {
        if (recent == name)
            return id;
    }
    auto it = m_names.constFind(name);
    if (it == m_names.cend()) {
        it = m_names.insert(name, int(m_kinds.size()));
        m_kinds.push_back(kindOf(name));
        m_byName.emplace_back();
    }
    m_recent[m_nextRecent] = {name, *it};
    m_nextRecent = (m_nextRecent + 1) % int(std::size(m_recent));
    return *it;
}

int Nesting::nearest(const char *name)
{
    const std::vector<int> &open = m_byName[size_t(intern(QString::fromLatin1(name)))];
    return open.empty() ? -1 : open.back();
}

// The index of the open element the import makes the parent of a new one of this kind (-1: none), and
// how many elements it puts in between (a table and a row for a cell outside any row, a table for a
// row outside any table).
int Nesting::parentOf(const Kind &kind, int &implicit)
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
        parent = nearest("tr");
        if (parent < 0) {
            parent = top();
            implicit = 2;
        }
        break;
    case Id::Th:
        parent = nearest("tr");
        break;
    case Id::Tr:
        if (nearest("table") < 0) {
            implicit = 1;
            break;
        }
        parent = -1;
        for (const char *group : {"table", "thead", "tbody", "tfoot"})
            parent = qMax(parent, nearest(group));
        break;
    case Id::Thead:
    case Id::Tbody:
    case Id::Tfoot:
    case Id::Caption:
        parent = nearest("table");
        break;
    case Id::Dd:
    case Id::Dt:
        parent = nearest("dl");
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

void Nesting::push(qsizetype start, int name, bool kept)
{
    const Kind &kind = m_kinds[size_t(name)];
    const int index = int(m_open.size());
    if (!kept && kind.hidden && m_hiddenAt < 0) {
        m_hiddenFrom = start;
        m_hiddenAt = index;
    }
    m_open.push_back({name, kind, kept});
    m_byName[size_t(name)].push_back(index);
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
        m_byName[size_t(open.name)].pop_back();
        if (open.kind.block)
            m_blocks.pop_back();
        m_leftOut -= !open.kept;
        m_open.pop_back();
    }
}

void Nesting::startTag(qsizetype start, int name, bool closed)
{
    const Kind kind = m_kinds[size_t(name)];
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
        push(start, intern(QStringLiteral("table")), kept);
    if (implicit >= 1)
        push(start, intern(QStringLiteral("tr")), kept);
    if (!childless)
        push(start, name, kept);
}

void Nesting::endTag(qsizetype start, int name)
{
    const int open = m_byName[size_t(name)].empty() ? -1 : m_byName[size_t(name)].back();
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
    qsizetype boundaries = 0;
    for (const auto &cut : m_cuts)
        boundaries += std::get<2>(cut);
    out.reserve(m_size + boundaries * Boundary.size());
    qsizetype from = 0;
    bool afterBoundary = false; // nothing but white space written since the last boundary: one is enough
    for (const auto &[start, end, boundary] : m_cuts) {
        const QStringView between = QStringView(m_html).mid(from, start - from);
        out += between;
        afterBoundary = afterBoundary && between.trimmed().isEmpty();
        if (boundary && !afterBoundary) {
            out += Boundary;
            afterBoundary = true;
        }
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

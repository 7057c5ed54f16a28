#pragma once

#include "publish/site/SiteTree.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QVector>

#include <algorithm>

// The menu tree of the whole site: one nested list, built once per run, that every page
// carries with the entries on its own path opened and its own entry marked.
//   entry with children  <li id="L1" class="clp" onclick="fnTree('1')"><a href="...">title</a>
//                          <ul id="U1" class="clp" onclick="fnTree()"> ... </ul></li>
//   entry without        <li id="L2"><a href="...">title</a></li>
// The element id is quoted in the script call: ids hold letters from the tenth sibling on.
// Titles and file names are escaped; the text is held as UTF-8, and marking a page copies it
// with only the lines of that page's path changed.
class SiteMenu
{
public:
    // `linkTarget(node)` gives the file an entry links to. The nodes marked in `leftOut` (pages
    // that were not published) get no entry, and nothing below them does.
    template <typename Target>
    void build(const SiteTree &tree, Target linkTarget, const QVector<bool> &leftOut = {})
    {
        clear();
        m_leftOut = leftOut;
        const QVector<SiteTree::Node> &nodes = tree.nodes();
        appendLine(QByteArrayLiteral("<ul>"));
        for (int i = 0; i < nodes.size(); ++i) {
            if (nodes[i].up < 0 && !isLeftOut(i))
                HtmMenuItems(nodes, i, 0, linkTarget);
        }
        appendLine(QByteArrayLiteral("</ul>"));
    }

    // The whole menu as built (every list closed).
    QByteArray text() const { return m_text; }
    // The menu of the page whose entry has element id `id`, in UTF-8.
    QByteArray HtmMarkAct(const QString &id) const;
    // The same, appended to `out`.
    void appendMarked(QByteArray &out, const QString &id) const;

private:
    struct Entry {
        int line = -1;        // the li line
        int list = -1;        // the ul line of its children, -1 without
        qsizetype clp = -1;   // offset of class="clp" in the li line
        qsizetype titleStart = 0, titleEnd = 0; // escaped title in the li line
    };

    template <typename Target>
    void HtmMenuItems(const QVector<SiteTree::Node> &nodes, int i, int level, Target &linkTarget)
    {
        const SiteTree::Node &n = nodes[i];
        const bool withChildren = std::any_of(n.children.cbegin(), n.children.cend(), [this](int c) { return !isLeftOut(c); });
        addEntry(level, n.id, linkTarget(i), n.title, withChildren);
        if (withChildren) {
            HtmMenuSub(nodes, i, level, linkTarget);
            appendLine(indent(level + 1) + QByteArrayLiteral("</li>"));
        }
    }

    template <typename Target>
    void HtmMenuSub(const QVector<SiteTree::Node> &nodes, int i, int level, Target &linkTarget)
    {
        addList(level, nodes[i].id);
        for (int child : nodes[i].children) {
            if (!isLeftOut(child))
                HtmMenuItems(nodes, child, level + 2, linkTarget);
        }
        appendLine(indent(level + 2) + QByteArrayLiteral("</ul>"));
    }

    bool isLeftOut(int node) const { return node < m_leftOut.size() && m_leftOut[node]; }

    void clear();
    static QByteArray indent(int count);
    void appendLine(const QByteArray &line);
    void addEntry(int level, const QString &id, const QString &target, const QString &title, bool withChildren);
    void addList(int level, const QString &id);
    QByteArray line(int index) const;

    QByteArray m_text;
    QVector<qsizetype> m_starts; // start of each line in m_text
    QHash<QString, Entry> m_entries;
    QVector<bool> m_leftOut;
};

#include "publish/site/SiteTree.h"

#include "core/TreeWalk.h"
#include "core/zSvr.h"
#include "platform/db/DbTable.h"

#include <QDateTime>

#include <algorithm>

namespace {

QString sortableTime(const QVariant &v)
{
    if (v.isNull())
        return QString();
    if (v.typeId() == QMetaType::QDateTime)
        return v.toDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    return v.toString();
}

} // namespace

bool SiteTree::load()
{
    m_rows.clear();
    m_childRows.clear();
    m_nodes.clear();
    m_frame.clear();
    m_firstPage = 0;
    m_firstTitle.clear();
    // One statement for the whole tree: the walks below ask it nothing more. The date is only
    // compared, so it is taken as stored (under another name the access layer leaves it as text
    // instead of reading every one as a date).
    DbTable t;
    const int count = zSvr::instance().R_Ary(
        QStringLiteral("Select T.noLfP, T.noLfC, T.szDoc, T.boLnk, T.boHogo, T.inSrt, D.noDoc, D.boCod,"
                       " D.dyUdt As xUdt From tbTree T Left Join msDoc D On T.noLfC = D.noDoc Where T.boHide = 0"),
        t);
    m_rows.reserve(count);
    for (int r = 0; r < count; ++r) {
        Row row;
        row.parent = t.at(0, r).toLongLong();
        row.page = t.at(1, r).toLongLong();
        row.title = t.at(2, r).toString();
        row.link = t.at(3, r).toInt() == 1;
        row.isProtected = t.at(4, r).toInt() == 1;
        row.order = t.at(5, r).toInt();
        row.hasDoc = !t.at(6, r).isNull();
        row.listMode = t.at(7, r).toInt() == 1 ? 1 : 0;
        row.updated = sortableTime(t.at(8, r));
        m_childRows[row.parent].append(int(m_rows.size()));
        m_rows.append(row);
    }
    // Sibling order; equal positions keep the page number order, so that every run agrees.
    for (QVector<int> &children : m_childRows) {
        std::stable_sort(children.begin(), children.end(), [this](int a, int b) {
            const Row &x = m_rows[a], &y = m_rows[b];
            return x.order != y.order ? x.order < y.order : x.page < y.page;
        });
    }
    for (int r : m_childRows.value(0)) {
        m_firstPage = m_rows[r].page;
        m_firstTitle = m_rows[r].title;
        break;
    }
    QVector<qint64> path;
    walk(0, 0, 0, -1, QStringLiteral("0"), path);
    walkFrame(0, 0, -1, path);
    return true;
}

void SiteTree::walk(qint64 parent, int listMode, int depth, int up, QString id, QVector<qint64> &path)
{
    QVector<int> rows;
    for (int r : m_childRows.value(parent)) {
        if (m_rows[r].hasDoc)
            rows.append(r);
    }
    // The children of a list-mode page: the newest first; a page without a date comes last.
    if (listMode == 1) {
        std::stable_sort(rows.begin(), rows.end(), [this](int a, int b) {
            const QString &x = m_rows[a].updated, &y = m_rows[b].updated;
            if (x.isEmpty() != y.isEmpty())
                return y.isEmpty();
            return x > y;
        });
    }
    for (int r : rows) {
        if (m_nodes.size() >= TreeWalk::MaxNodes)
            return;
        const Row &row = m_rows[r];
        IncId(id, 1);
        Node node;
        node.parent = parent;
        node.page = row.page;
        node.link = row.link;
        node.title = row.title;
        node.listMode = row.listMode;
        node.isProtected = row.isProtected;
        node.id = id;
        node.depth = depth;
        node.up = up;
        const int index = int(m_nodes.size());
        m_nodes.append(node);
        if (up >= 0)
            m_nodes[up].children.append(index);
        if (path.contains(row.page) || row.page == parent || depth + 1 >= TreeWalk::MaxDepth)
            continue;
        path.append(row.page);
        QString below = id;
        IncId(below, 10);
        walk(row.page, row.listMode, depth + 1, index, below, path);
        path.removeLast();
    }
}

void SiteTree::walkFrame(qint64 parent, int depth, int up, QVector<qint64> &path)
{
    for (int r : m_childRows.value(parent)) {
        const Row &row = m_rows[r];
        if (row.link)
            continue;
        if (m_frame.size() >= TreeWalk::MaxNodes)
            return;
        Node node;
        node.parent = parent;
        node.page = row.page;
        node.title = row.title;
        node.depth = depth;
        node.up = up;
        const int index = int(m_frame.size());
        m_frame.append(node);
        if (up >= 0)
            m_frame[up].children.append(index);
        if (path.contains(row.page) || row.page == parent || depth + 1 >= TreeWalk::MaxDepth)
            continue;
        path.append(row.page);
        walkFrame(row.page, depth + 1, index, path);
        path.removeLast();
    }
}

int SiteTree::subtreeEnd(const QVector<Node> &nodes, int node)
{
    int end = node + 1;
    while (end < nodes.size() && nodes[end].depth > nodes[node].depth)
        ++end;
    return end;
}

void SiteTree::IncId(QString &id, int mode)
{
    if (mode == 10) {
        id += QLatin1Char('0');
        return;
    }
    if (mode != 1 || id.isEmpty())
        return;
    const char16_t c = id.back().unicode();
    char16_t next;
    if (c == u'9')
        next = u'A';
    else if (c == u'Z')
        next = u'a';
    else if (c == u'z')
        next = 0x3042; // あ: the hiragana run upward from here
    else if (c == 0x3093)
        next = 0x30A1; // after ん the katakana, so that ids stay letters and stay unique
    else if (c == 0x30F6)
        next = 0x4E00; // then the ideographs
    else
        next = char16_t(c + 1);
    id.back() = QChar(next);
}

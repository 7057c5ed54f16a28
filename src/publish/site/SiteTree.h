#pragma once

#include <QHash>
#include <QString>
#include <QVector>

// The visible placements of the open database as the site writer walks them, read in one
// statement and walked in memory:
//   - the site walk (menu, pages of the menu tree, navigation of the frame variant): every
//     visible placement whose page has a row, siblings in tree order, the children of a
//     list-mode page newest first; each placement gets the element id of its menu entry;
//   - the frame walk: visible home placements only, siblings in tree order.
// A placement whose page already stands on the path above it is listed, but the walk does not
// go below it, so a cycle through link placements ends.
class SiteTree
{
public:
    struct Node {
        qint64 parent = 0;
        qint64 page = 0;
        bool link = false;       // tbTree.boLnk = 1
        QString title;           // tbTree.szDoc
        int listMode = 0;        // msDoc.boCod of the page
        bool isProtected = false; // tbTree.boHogo = 1
        QString id;              // element id (site walk)
        int depth = 0;           // 0 top level
        int up = -1;             // index of the node above, -1 at the top
        QVector<int> children;
    };

    // Reads the placements; false when the statement failed.
    bool load();

    // The site walk, in pre-order (a node's subtree follows it).
    const QVector<Node> &nodes() const { return m_nodes; }
    // The frame walk, in pre-order.
    const QVector<Node> &frameNodes() const { return m_frame; }
    // The first visible top-level page: number (0 when the tree shows nothing) and title.
    qint64 firstPage() const { return m_firstPage; }
    QString firstTitle() const { return m_firstTitle; }
    // Index of the end of a node's subtree (one past its last descendant) in a pre-order walk.
    static int subtreeEnd(const QVector<Node> &nodes, int node);

    // Element-id arithmetic: mode 1 steps the last character, mode 10 appends a level.
    static void IncId(QString &id, int mode);

private:
    struct Row {
        qint64 parent = 0;
        qint64 page = 0;
        bool link = false;
        bool hasDoc = false;
        QString title;
        int listMode = 0;
        bool isProtected = false;
        QString updated; // msDoc.dyUdt, sortable text
        int order = 0;   // tbTree.inSrt
    };

    void walk(qint64 parent, int listMode, int depth, int up, QString id, QVector<qint64> &path);
    void walkFrame(qint64 parent, int depth, int up, QVector<qint64> &path);

    QVector<Row> m_rows;
    QHash<qint64, QVector<int>> m_childRows; // parent -> rows in tree order
    QVector<Node> m_nodes;
    QVector<Node> m_frame;
    qint64 m_firstPage = 0;
    QString m_firstTitle;
};

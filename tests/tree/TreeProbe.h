#pragma once

#include "tree/uTrX.h"

#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QtTest>

// Listens to a page-tree control the way a host does and drives it the way a
// user does (clicks on the visible widgets).
class TreeProbe : public QObject
{
public:
    explicit TreeProbe(uTrX &tree) : m_tree(tree)
    {
        connect(&tree, &uTrX::eSetDoc, this,
                [this](const QString &p, const QString &n, const QString &s, int job, bool hg) {
                    setDocs << QStringLiteral("%1|%2|%3|%4|%5").arg(p, n, s).arg(job).arg(hg ? 1 : 0);
                },
                Qt::DirectConnection);
        connect(&tree, &uTrX::eFmMsg, this, [this](const QString &m) { messages << m; }, Qt::DirectConnection);
        connect(&tree, &uTrX::eFndWd, this, [this](const QString &w) { findWords << w; }, Qt::DirectConnection);
        connect(&tree, &uTrX::eRightClick, this, [this](bool t) { rightClicks << t; }, Qt::DirectConnection);
        connect(&tree, &uTrX::eChkMove, this,
                [this](bool *cancel) {
                    ++chkMoves;
                    *cancel = cancelMoves;
                },
                Qt::DirectConnection);
    }

    QTreeWidget *view() const { return m_tree.findChild<QTreeWidget *>(QStringLiteral("trView")); }
    QTreeWidget *childList() const { return m_tree.findChild<QTreeWidget *>(QStringLiteral("lsCod")); }

    QTreeWidgetItem *item(const QString &key) const
    {
        for (QTreeWidgetItemIterator it(view()); *it; ++it)
            if ((*it)->data(0, uTrX::KeyRole).toString() == key)
                return *it;
        return nullptr;
    }

    // Keys of the children of `key` ("" top level), in display order.
    QStringList keys(const QString &key = QString()) const
    {
        QStringList out;
        QTreeWidgetItem *parent = key.isEmpty() ? view()->invisibleRootItem() : item(key);
        for (int i = 0; parent && i < parent->childCount(); ++i)
            out << parent->child(i)->data(0, uTrX::KeyRole).toString();
        return out;
    }

    static QString image(const QTreeWidgetItem *node) { return node->data(0, uTrX::ImageRole).toString(); }

    // A left click on the node's label, as the user makes it.
    void click(QTreeWidgetItem *node, Qt::MouseButton button = Qt::LeftButton)
    {
        QVERIFY(node);
        view()->scrollToItem(node);
        QTest::mouseClick(view()->viewport(), button, {}, view()->visualItemRect(node).center());
    }

    void clickKey(const QString &key) { click(item(key)); }

    QStringList setDocs;
    QStringList messages;
    QStringList findWords;
    QList<bool> rightClicks;
    int chkMoves = 0;
    bool cancelMoves = false;

private:
    uTrX &m_tree;
};

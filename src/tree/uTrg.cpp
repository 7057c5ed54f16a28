#include "tree/uTrg.h"

#include "core/zSvr.h"
#include "platform/db/DbTable.h"
#include "tree/NodeIcons.h"
#include "tree/TreeDb.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSet>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

// Images by their index: 1/2 a tag target open/closed, 3 a page with nothing
// above it, 6/7 a page open/closed.
QString imageKey(int image)
{
    switch (image) {
    case 1: return QStringLiteral("tgopn");
    case 2: return QStringLiteral("tgcls");
    case 3: return QStringLiteral("ndlef");
    case 6: return QStringLiteral("ndopn");
    case 7: return QStringLiteral("ndcls");
    default: return QString();
    }
}

QString keyOf(const QTreeWidgetItem *node)
{
    return node ? node->data(0, uTrg::KeyRole).toString() : QString();
}

} // namespace

uTrg::uTrg(QWidget *parent) : QWidget(parent)
{
    cbFind = new QComboBox;
    cbFind->setObjectName(QStringLiteral("cbFind"));
    cbFind->setEditable(true);
    cbFind->setInsertPolicy(QComboBox::NoInsert);
    cmFind = new QPushButton(QStringLiteral("検索"));
    cmFind->setObjectName(QStringLiteral("cmFind"));
    trView = new QTreeWidget;
    trView->setObjectName(QStringLiteral("trView"));
    trView->setHeaderHidden(true);
    auto *row = new QHBoxLayout;
    row->addWidget(cbFind, 1);
    row->addWidget(cmFind);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(row);
    layout->addWidget(trView, 1);

    connect(cmFind, &QPushButton::clicked, this, &uTrg::FindDoc);
    connect(cbFind, &QComboBox::activated, this, &uTrg::FindDoc);
    connect(cbFind->lineEdit(), &QLineEdit::returnPressed, this, &uTrg::FindDoc);
    connect(trView, &QTreeWidget::itemClicked, this, [this] { SlctNd(); });
    connect(trView, &QTreeWidget::itemActivated, this, [this] { SlctNd(); });
    connect(trView, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem *node) { SetNdImg(node, 1); });
    connect(trView, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem *node) { SetNdImg(node, 0); });
}

void uTrg::cOff()
{
    m_findList.clear();
}

void uTrg::StSize()
{
    // The layout places the find row above the tree on every resize.
    trView->updateGeometry();
}

QString uTrg::GetKyNo(const QString &key)
{
    const int dash = key.indexOf(u'-');
    return dash < 0 ? QString() : key.mid(dash + 1);
}

QString uTrg::MkNdKy(qint64 page, int kind)
{
    const QString key = (kind == 1 ? QStringLiteral("X") : QStringLiteral("N")) + QString::number(iNdSq) + u'-'
                        + QString::number(page);
    ++iNdSq;
    return key;
}

int uTrg::GetNdImg(qint64 page)
{
    const int count = zSvr::instance()
                          .R_GtVaL(QStringLiteral("Select Count(*) From tbTree Where noLfP <> 0 And noLfC = ?"), {page}, 0)
                          .toInt();
    return count >= 1 ? 7 : 3;
}

void uTrg::setImage(QTreeWidgetItem *node, int image)
{
    node->setData(0, ImageRole, image);
    node->setIcon(0, NodeIcons::icon(imageKey(image)));
}

void uTrg::SetNdImg(QTreeWidgetItem *node, int state)
{
    if (!node)
        return;
    const bool tag = keyOf(node).startsWith(u'X');
    if (state == 2 || node->childCount() == 0)
        setImage(node, 3);
    else
        setImage(node, state == 1 ? (tag ? 1 : 6) : (tag ? 2 : 7));
}

QTreeWidgetItem *uTrg::addNode(QTreeWidgetItem *parent, const QString &key, const QString &text, int image)
{
    auto *node = new QTreeWidgetItem;
    node->setText(0, text);
    node->setData(0, KeyRole, key);
    setImage(node, image);
    if (parent)
        parent->addChild(node);
    else
        trView->addTopLevelItem(node);
    return node;
}

void uTrg::FindDoc()
{
    const QString phrase = cbFind->currentText().trimmed();
    sFndWd = phrase;
    if (!m_findList.contains(phrase)) {
        m_findList.append(phrase);
        cbFind->addItem(phrase);
    }
    cbFind->setEditText(phrase);
    // The phrase is one piece of text, quotes and wildcards included.
    DbTable rows;
    const int n = zSvr::instance().R_Ary(
        QStringLiteral(" Select noDoc, szDoc From msDoc Where txDoc Like ? Escape '!' Order By szDoc "),
        {TreeDb::likePattern(phrase)}, rows);
    trView->clear();
    for (int r = 0; r < n; ++r) {
        const qint64 page = rows.at(0, r).toLongLong();
        addNode(nullptr, MkNdKy(page, 0), rows.at(1, r).toString(), GetNdImg(page));
    }
}

void uTrg::SlctNd()
{
    QTreeWidgetItem *node = trView->currentItem();
    if (!node)
        return;
    const QString page = GetKyNo(keyOf(node));
    emit eSetDoc(page, sFndWd);
    // The host may have changed the tree: take the node again.
    node = trView->currentItem();
    if (node && node->childCount() == 0)
        SetPrNds(node);
    trView->setFocus();
}

// The parents of the node's page, as its children. A parent that already
// stands on the path below it would only repeat the path: the walk ends there.
void uTrg::SetPrNds(QTreeWidgetItem *node)
{
    qint64 page = 0;
    if (!TreeDb::pageNumber(GetKyNo(keyOf(node)), &page))
        return;
    QSet<qint64> path;
    for (const QTreeWidgetItem *up = node; up; up = up->parent())
        path.insert(GetKyNo(keyOf(up)).toLongLong());
    DbTable rows;
    const int n = zSvr::instance().R_Ary(QStringLiteral("Select T.noLfP, D.szDoc From msDoc D, tbTree T"
                                                        " Where T.noLfP = D.noDoc And T.noLfC = ? Order By T.noLfP"),
                                         {page}, rows);
    for (int r = 0; r < n; ++r) {
        const qint64 parent = rows.at(0, r).toLongLong();
        if (path.contains(parent))
            continue;
        addNode(node, MkNdKy(parent, 0), rows.at(1, r).toString(), GetNdImg(parent));
    }
    if (node->childCount() > 0) {
        node->setExpanded(true);
        SetNdImg(node, 1);
    }
}

void uTrg::tgTree(const QString &sSz, qint32 nNo)
{
    if (trView->topLevelItemCount() == 0) {
        QTreeWidgetItem *node = addNode(nullptr, MkNdKy(nNo, 1), sSz, 2);
        trView->setCurrentItem(node);
        return;
    }
    QTreeWidgetItem *ref = trView->currentItem();
    QTreeWidgetItem *holder = ref ? ref : trView->invisibleRootItem();
    for (int i = 0; i < holder->childCount(); ++i) {
        if (holder->child(i)->text(0) == sSz) {
            trView->setCurrentItem(holder->child(i));
            return;
        }
    }
    QTreeWidgetItem *node = addNode(ref, MkNdKy(nNo, 1), sSz, 2);
    if (ref) {
        ref->setExpanded(true);
        SetNdImg(ref, 1);
    }
    trView->setCurrentItem(node);
}

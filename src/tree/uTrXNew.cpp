#include "tree/uTrX.h"

#include "core/HtmMoji.h"
#include "core/zSvr.h"
#include "platform/db/DbConnection.h"
#include "platform/desktop/Prompt.h"
#include "tree/TreeDb.h"

#include <QMap>
#include <QSet>
#include <QTreeWidget>

#include <algorithm>
#include <utility>

namespace {

const QString NewKey = QStringLiteral("NewNode");

} // namespace

bool uTrX::trCanNew() const
{
    return !m_newNode && (trView->topLevelItemCount() == 0 || trView->currentItem());
}

QString uTrX::trNew(int iJb, const QString &sSz)
{
    if (iJb < 0 || iJb > 2 || m_newNode)
        return QString();   // one unsaved page at a time
    const QString title = sSz.isEmpty() ? QStringLiteral("新規ﾍﾟｰｼﾞ") : sSz;
    QTreeWidgetItem *added = nullptr;
    if (trView->topLevelItemCount() > 0) {
        QTreeWidgetItem *current = trView->currentItem();
        if (!current)
            return QString();
        added = makeNode(NewKey, title, QStringLiteral("ndlef"));
        if (iJb == 2) {
            // The siblings must be there before the new page joins them, or the
            // order written later would leave them out.
            if (current->childCount() == 0 && !imageOf(current).endsWith(QLatin1String("cod")))
                SetNodes(keyOf(current));
            current->addChild(added);
            current->setExpanded(true);
            SetNdImg(current, 2);
        } else {
            QTreeWidgetItem *parent = current->parent();
            const int at = (parent ? parent->indexOfChild(current) : trView->indexOfTopLevelItem(current)) + iJb;
            if (parent)
                parent->insertChild(at, added);
            else
                trView->insertTopLevelItem(at, added);
        }
    } else {
        added = makeNode(NewKey, title, QStringLiteral("ndlef"));
        trView->addTopLevelItem(added);
    }
    m_listMode = false;
    SetFrame(1);
    m_newNode = added;
    SetSrtPr(added);
    selectOnly(added);
    return title;
}

void uTrX::putBackNewNode(const QString &parentId, int at, const QString &title)
{
    QTreeWidgetItem *parent = nullptr;
    if (!parentId.isEmpty()) {
        for (QTreeWidgetItemIterator it(trView); *it && !parent; ++it) {
            if (GetNdId(*it) == parentId)
                parent = *it;
        }
    }
    // A parent gone meanwhile leaves the top level as the place nearest to where it stood.
    if (!parentId.isEmpty() && !parent)
        at = trView->topLevelItemCount();
    if (parent && parent->childCount() == 0)
        SetNodes(keyOf(parent));
    QTreeWidgetItem *added = makeNode(NewKey, title, QStringLiteral("ndlef"));
    if (parent) {
        parent->insertChild(qBound(0, at, parent->childCount()), added);
        parent->setExpanded(true);
        SetNdImg(parent, 2);
    } else {
        trView->insertTopLevelItem(qBound(0, at, trView->topLevelItemCount()), added);
    }
    m_newNode = added;
    SetSrtPr(added);
}

bool uTrX::UdtNd(QString &sSz, const QString &sSzB, qint32 nNo)
{
    HtmMoji::T_HtmMoji(sSz);
    if (m_listMode)
        return UdtCdItm(sSz, sSzB, nNo);
    return trUdtNd(sSz, sSzB, nNo);
}

bool uTrX::trUdtNd(const QString &sSz, const QString &sSzB, qint32 nNo)
{
    if (m_newNode)
        return saveNewNode(sSz, nNo);
    if (sSz == sSzB)
        return true;
    const QString page = QString::number(nNo);
    QList<QTreeWidgetItem *> renamed;
    for (QTreeWidgetItemIterator it(trView); *it; ++it) {
        QTreeWidgetItem *item = *it;
        if (GetKyNo(keyOf(item)) != page || item->text(0) != sSzB)
            continue;
        renamed << item;
        qint64 parent = 0;
        if (!TreeDb::pageNumber(parentPage(item), &parent))
            continue;
        if (!TreeDb::updateTitle(parent, nNo, sSz))
            return false;
        TreeDb::stamp(parent, nNo);
    }
    afterCommit([renamed, sSz] {
        for (QTreeWidgetItem *item : renamed)
            item->setText(0, sSz);
    });
    return true;
}

bool uTrX::trPlaceNew(QString &sSz, qint32 nNo)
{
    HtmMoji::T_HtmMoji(sSz);
    if (m_listMode ? m_newItem : m_newNode != nullptr)
        return m_listMode ? UdtCdItm(sSz, QString(), nNo) : saveNewNode(sSz, nNo);
    // A new page saved with no place in the tree could never be reached again.
    Prompt::current().message(QStringLiteral("ﾍﾟｰｼﾞの置き場所が分かりません"), Prompt::Exclamation);
    return false;
}

bool uTrX::saveNewNode(const QString &sSz, qint32 nNo)
{
    qint64 parent = 0;
    if (!placementParent(m_newNode, &parent)) {
        // The node stays the unsaved one; written at the top level it would lie about its place.
        Prompt::current().message(QStringLiteral("ﾍﾟｰｼﾞの置き場所が分かりません"), Prompt::Exclamation);
        return false;
    }
    bool stands = true;
    if (!parentStands(parent, nNo, &stands))
        return false;
    if (!stands)
        parent = 0;
    int order = 0;
    // At the top level's end when the parent went: after every page there.
    if (!TreeDb::holdOrder(parent) || !TreeDb::freeOrder(parent, stands ? m_nextOrder : 0, &order)
        || !TreeDb::insertPlacement(parent, nNo, order, sSz, false)) {
        // The node stays the unsaved one: the next save tries the row again.
        reportFailedInsert();
        return false;
    }
    TreeDb::stamp(parent, nNo);
    QTreeWidgetItem *item = m_newNode;
    afterCommit([this, item, sSz, nNo, order, stands] {
        const QString key = MkNdKy(QStringLiteral("N"), QString::number(nNo));
        m_tmpKey = key;
        rekey(item, key);
        item->setText(0, sSz);
        m_nextOrder = TreeDb::nextOrder(order);
        if (m_newNode == item)
            m_newNode = nullptr;
        if (!stands)
            moveToTopEnd(item);
        // Its row stands after all others for now; its place among the siblings is written by the
        // next order write, even when one ran while it was unsaved (the tag picker's look at the tree).
        SetSrtPr(item);
    });
    return true;
}

bool uTrX::parentStands(qint64 parent, qint64 page, bool *stands)
{
    // Inside the save's transaction, against the rows as they are now.
    *stands = true;
    switch (TreeDb::placing(parent, {page})) {
    case TreeDb::Place::Fits:
        return true;
    case TreeDb::Place::Gone:
        *stands = false;
        return true;
    case TreeDb::Place::Loops:
        // Another user placed the parent under the page (one stored again keeps its children).
        Prompt::current().message(QStringLiteral("ﾍﾟｰｼﾞをそのﾍﾟｰｼﾞ自身やその下位には置けません"), Prompt::Exclamation);
        return false;
    case TreeDb::Place::Failed:
        break;
    }
    reportFailedInsert();
    return false;
}

void uTrX::moveToTopEnd(QTreeWidgetItem *item)
{
    QTreeWidgetItem *parent = item->parent();
    const int top = trView->indexOfTopLevelItem(item);
    if (parent || top < trView->topLevelItemCount() - 1) {
        // Saved as the user leaves it for another node, it leaves the selection there.
        const bool selected = trView->currentItem() == item;
        m_suppress = true;
        if (parent)
            parent->takeChild(parent->indexOfChild(item));
        else
            trView->takeTopLevelItem(top);
        trView->addTopLevelItem(item);
        if (parent)
            fixParentImage(parent);
        if (selected)
            selectOnly(item);
        m_suppress = false;
    }
    SetSrtPr(item);
    tellPlacedAtTop();
}

void uTrX::leaveListForTop(QTreeWidgetItem *item, qint32 nNo, const QString &sSz)
{
    // The list belongs to the page that went: the saved page is shown at its node at the top.
    delete item;
    m_listMode = false;
    SetFrame(1);
    addTopNode(nNo, sSz);
    tellPlacedAtTop();
}

void uTrX::tellPlacedAtTop()
{
    Prompt::current().message(QStringLiteral("上位のﾍﾟｰｼﾞは別の編集画面か他の利用者がﾂﾘｰから削除しています\n"
                                             "このﾍﾟｰｼﾞは最上位の末尾に保存しました"),
                              Prompt::Exclamation);
}

bool uTrX::PlaceAgain(qint32 nOld, qint32 nNo, const QString &sSz)
{
    QTreeWidgetItem *current = trView->currentItem();
    if (!current)
        return placeAtTop(nNo, sSz);
    qint64 parent = 0;
    QTreeWidgetItem *item = nullptr;
    const QString page = QString::number(nOld);
    if (m_listMode) {
        item = listItem(u'K' + page);
        if (item && !TreeDb::pageNumber(GetKyNo(keyOf(current)), &parent))
            item = nullptr;
    } else {
        // The save question comes as the user leaves the page for another node, which is then
        // already the selected one: the page is shown at the node it was loaded from.
        item = GetKyNo(keyOf(current)) == page ? current : node(m_tmpKey);
        if (item && (GetKyNo(keyOf(item)) != page || !placementParent(item, &parent)))
            item = nullptr;
    }
    if (!item) {
        Prompt::current().message(QStringLiteral("ﾍﾟｰｼﾞの置き場所が分かりません"), Prompt::Exclamation);
        return false;
    }
    // A parent deleted with it (or with a page above it) leaves the top level's end as the place
    // nearest to where it was.
    bool stands = true;
    if (!parentStands(parent, nNo, &stands))
        return false;
    if (!stands)
        parent = 0;
    const QTreeWidget *view = m_listMode ? lsCod : trView;
    const int shown = item->parent() ? item->parent()->indexOfChild(item) : view->indexOfTopLevelItem(item);
    int order = 0;
    if (!TreeDb::holdOrder(parent) || !TreeDb::freeOrder(parent, stands ? qMax(shown, 0) : 0, &order)
        || !TreeDb::insertPlacement(parent, nNo, order, sSz, false)) {
        reportFailedInsert();
        return false;
    }
    TreeDb::stamp(parent, nNo);
    const bool listMode = m_listMode;
    if (listMode && !stands) {
        afterCommit([this, item, nNo, sSz] { leaveListForTop(item, nNo, sSz); });
        return true;
    }
    afterCommit([this, item, nOld, nNo, sSz, listMode, stands] {
        item->setText(0, sSz);
        // Written after the others, the placement takes its shown place at the next order write.
        if (!listMode && stands)
            SetSrtPr(item);
        if (!listMode && !stands)
            moveToTopEnd(item);
        if (nNo == nOld)
            return;
        if (listMode) {
            item->setData(0, Qt::UserRole, u'K' + QString::number(nNo));
        } else {
            const QString key = MkNdKy(QStringLiteral("N"), QString::number(nNo));
            m_tmpKey = key;
            rekey(item, key);
        }
    });
    return true;
}

bool uTrX::placeAtTop(qint32 nNo, const QString &sSz)
{
    if (!writeAtTopEnd(nNo, sSz))
        return false;
    afterCommit([this, nNo, sSz] { addTopNode(nNo, sSz); });
    return true;
}

bool uTrX::writeAtTopEnd(qint32 nNo, const QString &sSz)
{
    int order = 0;
    if (!TreeDb::holdOrder(0) || !TreeDb::freeOrder(0, 0, &order) || !TreeDb::insertPlacement(0, nNo, order, sSz, false)) {
        reportFailedInsert();
        return false;
    }
    TreeDb::stamp(0, nNo);
    return true;
}

bool uTrX::PlaceAtTopEnd(qint32 nNo, const QString &sSz)
{
    if (!writeAtTopEnd(nNo, sSz))
        return false;
    const QString page = QString::number(nNo);
    if (m_listMode) {
        if (QTreeWidgetItem *item = listItem(u'K' + page)) {
            afterCommit([this, item, nNo, sSz] { leaveListForTop(item, nNo, sSz); });
            return true;
        }
    }
    // The node it was loaded from, as for a page stored again; a tag node shows it, but is no placement.
    QTreeWidgetItem *current = trView->currentItem();
    QTreeWidgetItem *item = current && GetKyNo(keyOf(current)) == page ? current : node(m_tmpKey);
    if (item && (GetKyNo(keyOf(item)) != page || keyOf(item).startsWith(u'X')))
        item = nullptr;
    afterCommit([this, item, nNo, sSz] {
        if (item) {
            item->setText(0, sSz);
            moveToTopEnd(item);
            return;
        }
        // A refresh took its node: it gets one of its own where it now stands.
        addTopNode(nNo, sSz, false);
        tellPlacedAtTop();
    });
    return true;
}

void uTrX::addTopNode(qint32 nNo, const QString &sSz, bool always)
{
    const QString key = MkNdKy(QStringLiteral("N"), QString::number(nNo));
    QTreeWidgetItem *item = makeNode(key, sSz, GetNdImg(QStringLiteral("N"), nNo, TreeDb::listMode(nNo)));
    trView->addTopLevelItem(item);
    if (always || !trView->currentItem()) {
        m_tmpKey = key;
        selectOnly(item);
    }
}

void uTrX::holdNodeChanges()
{
    m_held.clear();
    m_holding = true;
}

void uTrX::releaseNodeChanges(bool committed)
{
    m_holding = false;
    const QList<std::function<void()>> held = std::exchange(m_held, {});
    if (committed) {
        for (const auto &change : held)
            change();
    }
}

void uTrX::afterCommit(const std::function<void()> &change)
{
    if (m_holding)
        m_held << change;
    else
        change();
}

void uTrX::reportFailedInsert()
{
    reportFailedWrite(QStringLiteral("ﾍﾟｰｼﾞをﾂﾘｰに登録できませんでした"));
}

void uTrX::reportFailedWrite(const QString &message)
{
    // A read-only database has already said so; a host that holds the tree's changes for its own
    // transaction tries it again after a lost deadlock, and says so itself when that fails too.
    if (m_holding && TreeDb::lostConflict())
        return;
    if (!zSvr::instance().connection().readOnly())
        Prompt::current().message(message, Prompt::Exclamation);
}

void uTrX::DelNewNd(QTreeWidgetItem *item)
{
    takeNode(item);
    if (QTreeWidgetItem *current = trView->currentItem())
        ShwNdDoc(current);
    else
        emit eSetDoc(QString(), QString(), QString(), 3, false);
}

void uTrX::dropNewNode()
{
    if (m_newNode)
        takeNode(m_newNode);
}

void uTrX::takeNode(QTreeWidgetItem *item)
{
    QTreeWidgetItem *parent = item->parent();
    SetSrtPr(item);
    removeNode(item);
    fixParentImage(parent);
}

void uTrX::SetSrtPr(QTreeWidgetItem *item)
{
    const QString parentKey = keyOf(item->parent());
    if (!m_pendingOrder.contains(parentKey))
        m_pendingOrder << parentKey;
}

void uTrX::trSort()
{
    if (m_pendingOrder.isEmpty() || trView->topLevelItemCount() == 0)
        return;
    zSvr &db = zSvr::instance();
    if (!db.isOpen() || db.DbRead()) {
        m_pendingOrder.clear();
        return;
    }
    // Parents in page order: two users holding the orders of the same parents
    // take them in the same order and never wait for each other in a ring.
    QMap<qint64, QString> parents;
    for (const QString &parentKey : std::as_const(m_pendingOrder)) {
        qint64 page = 0;
        if ((parentKey.isEmpty() || node(parentKey)) && TreeDb::pageNumber(parentKey.isEmpty() ? QStringLiteral("0") : GetKyNo(parentKey), &page))
            parents.insert(page, parentKey);
    }
    // One transaction for speed; each row still stands on its own.
    const bool began = db.D_Tran(0);
    // The file held by another program past the wait: the orders stay for the next write.
    if (!began && db.heldElsewhere())
        return;
    for (auto it = parents.cbegin(); it != parents.cend(); ++it)
        writeOrderOf(it.value(), it.key());
    if (began)
        db.D_Tran(1);
    m_pendingOrder.clear();
}

void uTrX::writeOrderOf(const QString &parentKey, qint64 parentPageNo)
{
    // The shown children take their positions; placements this tree does not
    // show (another user's new pages) keep theirs unless one is now taken, and
    // then go after all. Only orders that change are written and stamped.
    bool ok = false;
    if (!TreeDb::holdOrder(parentPageNo))
        return;
    const QHash<qint64, int> stored = TreeDb::orders(parentPageNo, &ok);
    if (!ok)
        return;
    QMap<qint64, int> wanted;
    const QList<QTreeWidgetItem *> children = siblings(node(parentKey));
    for (int j = 0; j < children.size(); ++j) {
        const QString key = keyOf(children[j]);
        qint64 page = 0;
        if (!key.startsWith(u'X') && TreeDb::pageNumber(GetKyNo(key), &page) && page > 0 && stored.contains(page))
            wanted.insert(page, j);
    }
    QSet<int> taken;
    for (int order : std::as_const(wanted))
        taken.insert(order);
    QList<QPair<int, qint64>> others;
    for (auto it = stored.cbegin(); it != stored.cend(); ++it) {
        if (!wanted.contains(it.key()))
            others << qMakePair(it.value(), it.key());
    }
    std::sort(others.begin(), others.end());
    QList<qint64> moved;
    for (const auto &[order, page] : std::as_const(others)) {
        if (taken.contains(order))
            moved << page;
        else
            taken.insert(order);
    }
    int next = children.size();
    for (qint64 page : std::as_const(moved)) {
        while (taken.contains(next) && next < 32767)
            ++next;
        wanted.insert(page, next);
        taken.insert(next);
    }
    for (auto it = wanted.cbegin(); it != wanted.cend(); ++it) {
        if (stored.value(it.key()) != it.value() && TreeDb::writeOrder(parentPageNo, it.key(), it.value()))
            TreeDb::stamp(parentPageNo, it.key());
    }
}

void uTrX::GetPrCdNo(QString &sNoP, QString &sNoC, bool &bLnk, const QString &sNdKy) const
{
    const QTreeWidgetItem *item = sNdKy.isEmpty() ? trView->currentItem() : node(sNdKy);
    if (!sNdKy.isEmpty() && !item)
        return;
    if (!item) {
        sNoP = QStringLiteral("0");
        sNoC = QStringLiteral("0");
        return;
    }
    bLnk = imageOf(item).left(2).toLower() == QLatin1String("lk");
    sNoC = GetKyNo(keyOf(item));
    sNoP = parentPage(item);
}

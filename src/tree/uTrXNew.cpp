#include "tree/uTrX.h"

#include "core/HtmMoji.h"
#include "core/zSvr.h"
#include "platform/db/DbConnection.h"
#include "platform/desktop/Prompt.h"
#include "tree/TreeDb.h"

#include <QTreeWidget>

namespace {

const QString NewKey = QStringLiteral("NewNode");

int nextOrder(int order)
{
    return order >= 32767 ? -32768 : order + 1;
}

} // namespace

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
    for (QTreeWidgetItemIterator it(trView); *it; ++it) {
        QTreeWidgetItem *item = *it;
        if (GetKyNo(keyOf(item)) != page || item->text(0) != sSzB)
            continue;
        item->setText(0, sSz);
        qint64 parent = 0;
        if (!TreeDb::pageNumber(parentPage(item), &parent))
            continue;
        if (!TreeDb::updateTitle(parent, nNo, sSz))
            return false;
        TreeDb::stamp(parent, nNo);
    }
    return true;
}

bool uTrX::saveNewNode(const QString &sSz, qint32 nNo)
{
    qint64 parent = 0;
    if (!placementParent(m_newNode, &parent)) {
        // The node stays the unsaved one; written at the top level it would lie about its place.
        Prompt::current().message(QStringLiteral("ﾍﾟｰｼﾞの置き場所が分かりません"), Prompt::Exclamation);
        return false;
    }
    if (!TreeDb::insertPlacement(parent, nNo, m_nextOrder, sSz, false)) {
        // The node stays the unsaved one: the next save tries the row again.
        reportFailedInsert();
        return false;
    }
    const QString key = MkNdKy(QStringLiteral("N"), QString::number(nNo));
    m_tmpKey = key;
    rekey(m_newNode, key);
    m_newNode->setText(0, sSz);
    m_nextOrder = nextOrder(m_nextOrder);
    TreeDb::stamp(parent, nNo);
    m_newNode = nullptr;
    return true;
}

bool uTrX::PlaceAgain(qint32 nOld, qint32 nNo, const QString &sSz)
{
    QTreeWidgetItem *current = trView->currentItem();
    if (!current)
        return false;
    qint64 parent = 0;
    QTreeWidgetItem *item = nullptr;
    if (m_listMode) {
        item = listItem(u'K' + QString::number(nOld));
        if (!TreeDb::pageNumber(GetKyNo(keyOf(current)), &parent))
            return false;
    } else {
        item = current;
        if (GetKyNo(keyOf(item)) != QString::number(nOld) || !placementParent(item, &parent))
            return false;
    }
    if (!item)
        return false;
    // A parent deleted with it leaves the top level as the place nearest to where it was.
    if (parent != 0 && !TreeDb::isPlaced(parent))
        parent = 0;
    const QTreeWidget *view = m_listMode ? lsCod : trView;
    const int order = item->parent() ? item->parent()->indexOfChild(item) : view->indexOfTopLevelItem(item);
    if (!TreeDb::insertPlacement(parent, nNo, qMax(order, 0), sSz, false))
        return false;
    TreeDb::stamp(parent, nNo);
    item->setText(0, sSz);
    if (nNo != nOld) {
        const QString key = m_listMode ? u'K' + QString::number(nNo) : MkNdKy(QStringLiteral("N"), QString::number(nNo));
        if (m_listMode) {
            item->setData(0, Qt::UserRole, key);
        } else {
            m_tmpKey = key;
            rekey(item, key);
        }
    }
    return true;
}

void uTrX::reportFailedInsert()
{
    // A read-only database has already said so.
    if (!zSvr::instance().connection().readOnly())
        Prompt::current().message(QStringLiteral("ﾍﾟｰｼﾞをﾂﾘｰに登録できませんでした"), Prompt::Exclamation);
}

void uTrX::DelNewNd(QTreeWidgetItem *item)
{
    QTreeWidgetItem *parent = item->parent();
    SetSrtPr(item);
    removeNode(item);
    fixParentImage(parent);
    if (QTreeWidgetItem *current = trView->currentItem())
        ShwNdDoc(current);
    else
        emit eSetDoc(QString(), QString(), QString(), 3, false);
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
    // One transaction for speed; each row still stands on its own.
    const bool began = db.D_Tran(0);
    for (const QString &parentKey : std::as_const(m_pendingOrder))
        writeOrderOf(parentKey);
    if (began)
        db.D_Tran(1);
    m_pendingOrder.clear();
}

void uTrX::writeOrderOf(const QString &parentKey)
{
    QTreeWidgetItem *parent = node(parentKey);
    if (!parentKey.isEmpty() && !parent)
        return;   // the parent's node is gone, and so is anything to order
    qint64 parentPageNo = 0;
    if (!TreeDb::pageNumber(parent ? GetKyNo(parentKey) : QStringLiteral("0"), &parentPageNo))
        return;
    const QList<QTreeWidgetItem *> children = siblings(parent);
    for (int j = 0; j < children.size(); ++j) {
        const QString key = keyOf(children[j]);
        qint64 page = 0;
        if (key.startsWith(u'X') || !TreeDb::pageNumber(GetKyNo(key), &page) || page <= 0)
            continue;
        if (TreeDb::writeOrder(parentPageNo, page, j))
            TreeDb::stamp(parentPageNo, page);
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

#include "tree/uTrX.h"

#include "core/HtmMoji.h"
#include "core/zSvr.h"
#include "platform/text/NumberText.h"
#include "platform/desktop/Prompt.h"
#include "tree/TreeDb.h"

#include <QMenu>
#include <QTreeWidget>

namespace {

const QString NewKey = QStringLiteral("NewNode");
const QColor CutColor(224, 224, 224);
const int ClipSize = 10;

qint64 pageOf(const QString &text)
{
    return NumberText::roundInt32(NumberText::leading(text));
}

} // namespace

void uTrX::trIns(int iMn, QString &sSz, QString sNo)
{
    qint64 page = pageOf(sNo);
    if (page == 0)
        page = iMn >= 0 && iMn < m_clipCount ? m_clip.value(iMn) : 0;
    // An empty clip entry names no page: a placement of page 0 would hang the
    // whole top level under the parent.
    if (page <= 0 || !TreeDb::pageExists(page)) {
        Prompt::current().message(QStringLiteral("挿入するﾍﾟｰｼﾞがありません"), Prompt::Exclamation);
        return;
    }
    // The paste takes the unsaved node of a new page for its place: the page typed there is the
    // host's to save or drop first, while it still has the node to be saved at.
    if (m_newNode && trView->currentItem() == m_newNode) {
        bool cancel = false;
        emit eChkMove(&cancel);
        if (cancel)
            return;
    }
    HtmMoji::T_HtmMoji(sSz);
    const QString pageText = QString::number(page);
    const QString cutId = cutIdOf(pageText);
    // The cut placement goes away with this paste: when it was the home
    // placement, the pasted one takes its role.
    const qint64 cutParent = cutId.isEmpty() ? -1 : cutId.section(u'-', 0, 0).toLongLong();
    const bool link = TreeDb::homeCount(page, cutParent) > 0;
    const QString prefix = link ? QStringLiteral("L") : QStringLiteral("N");
    const QString key = MkNdKy(prefix, pageText);
    QTreeWidgetItem *item = placeNode(key, sSz, GetNdImg(prefix, page, TreeDb::listMode(page)));
    if (!item)
        return;
    qint64 parent = 0;
    if (!placementParent(item, &parent)) {
        Prompt::current().message(QStringLiteral("ﾍﾟｰｼﾞの置き場所が分かりません"), Prompt::Exclamation);
        DelNewNd(item);
        return;
    }
    // A cut page pasted under its own parent only changes its place among the siblings.
    const bool sameParent = !cutId.isEmpty() && cutParent == parent;
    if ((!sameParent && refusePaste(parent, page)) || !writePaste(parent, page, sSz, link, cutId)) {
        DelNewNd(item);
        return;
    }
    if (!cutId.isEmpty()) {
        dropCut(cutId);
        removePlacementNodes(cutId, item);
    }
    emit eFmMsg(QStringLiteral("ﾍﾟｰｼﾞを挿入しました"));
    ShwNdDoc(node(key));
}

QTreeWidgetItem *uTrX::placeNode(const QString &key, const QString &text, const QString &image)
{
    if (trView->topLevelItemCount() == 0) {
        QTreeWidgetItem *item = makeNode(key, text, image);
        trView->addTopLevelItem(item);
        SetSrtPr(item);
        return item;
    }
    QTreeWidgetItem *current = trView->currentItem();
    if (!current)
        return nullptr;
    if (current == m_newNode) {
        // The user made a new node where the page should go and pastes into it.
        rekey(current, key);
        current->setText(0, text);
        setImage(current, image);
        m_newNode = nullptr;
        return current;
    }
    QTreeWidgetItem *item = makeNode(key, text, image);
    QTreeWidgetItem *parent = current->parent();
    if (parent)
        parent->insertChild(parent->indexOfChild(current) + 1, item);
    else
        trView->insertTopLevelItem(trView->indexOfTopLevelItem(current) + 1, item);
    SetSrtPr(item);
    return item;
}

bool uTrX::refusePaste(qint64 parent, qint64 page) const
{
    if (TreeDb::wouldLoop(parent, page)) {
        Prompt::current().message(QStringLiteral("ﾍﾟｰｼﾞをそのﾍﾟｰｼﾞ自身やその下位には置けません"), Prompt::Exclamation);
        return true;
    }
    if (TreeDb::placementExists(parent, page)) {
        Prompt::current().message(QStringLiteral("同一文書へのﾘﾝｸは登録できません"));
        return true;
    }
    return false;
}

bool uTrX::writePaste(qint64 parent, qint64 page, const QString &title, bool link, const QString &cutId)
{
    if (zSvr::instance().DbRead())
        return false;
    // A paste that lost a conflict with another user's write (a deadlock on the server) is tried
    // once more: the other has ended by then, and the check inside sees what it wrote.
    bool retry = false;
    bool cutGone = false;
    TreeDb::Place outcome = pasteOnce(parent, page, title, link, cutId, &retry, &cutGone);
    if (outcome == TreeDb::Place::Failed && retry) {
        TreeDb::waitForTheOther();
        outcome = pasteOnce(parent, page, title, link, cutId, &retry, &cutGone);
    }
    if (cutGone) {
        // Pasted elsewhere, the page would stand twice: where the other put it and, as a link, here.
        // The cut names a placement that is no more: a later paste of the page is a plain one.
        dropCut(cutId);
        Prompt::current().message(QStringLiteral("切り取ったﾍﾟｰｼﾞは別の編集画面か他の利用者が移動か削除しています\n"
                                                 "貼付けは行いませんでした　ﾂﾘｰを最新の状態に更新して下さい"),
                                  Prompt::Exclamation);
        return false;
    }
    switch (outcome) {
    case TreeDb::Place::Fits:
        return true;
    case TreeDb::Place::Gone:
        Prompt::current().message(QStringLiteral("貼付け先のﾍﾟｰｼﾞは別の編集画面か他の利用者がﾂﾘｰから削除しています\n"
                                                 "貼付けは行いませんでした　ﾂﾘｰを最新の状態に更新して下さい"),
                                  Prompt::Exclamation);
        break;
    case TreeDb::Place::Loops:
        // Another user placed the parent under the page since the paste was checked.
        Prompt::current().message(QStringLiteral("ﾍﾟｰｼﾞをそのﾍﾟｰｼﾞ自身やその下位には置けません"), Prompt::Exclamation);
        break;
    case TreeDb::Place::Failed:
        reportFailedWrite(QStringLiteral("ﾍﾟｰｼﾞを挿入できませんでした　何も変更していません"));
        break;
    }
    return false;
}

TreeDb::Place uTrX::pasteOnce(qint64 parent, qint64 page, const QString &title, bool link, const QString &cutId,
                              bool *retry, bool *cutGone)
{
    // The cut placement goes only together with the new one: a paste that
    // fails leaves the page where it was.
    zSvr &db = zSvr::instance();
    *retry = false;
    *cutGone = false;
    const bool own = db.D_Tran(0);
    if (!own && db.heldElsewhere())
        return TreeDb::Place::Failed;
    const qint64 cutParent = cutId.isEmpty() ? -1 : cutId.section(u'-', 0, 0).toLongLong();
    // Checked against the rows as they are now: another user may have deleted the parent (or a
    // page above it), or placed it under the page, since the paste was checked.
    const bool reorder = cutParent == parent;
    TreeDb::Place outcome = TreeDb::placing(parent, reorder ? QList<qint64>{} : QList<qint64>{page});
    int order = 0;
    bool ok = outcome == TreeDb::Place::Fits && TreeDb::holdOrder(parent) && TreeDb::freeOrder(parent, m_nextOrder, &order);
    // The cut placement as it is now: another user or the other edit window may have moved the page
    // (or deleted that placement) since it was cut.
    if (ok && cutParent >= 0 && !TreeDb::placementExists(cutParent, page)) {
        ok = false;
        *cutGone = db.readError().isEmpty();
    }
    if (ok && reorder) {
        // The pair being moved is the cut one itself: its row stays and takes the new place.
        ok = TreeDb::movePlacement(parent, page, order, title, link);
    } else if (ok) {
        ok = TreeDb::insertPlacement(parent, page, order, title, link);
        if (ok && cutParent >= 0) {
            // On a server another user's delete of it may have landed since it was read above.
            int deleted = 0;
            const bool ran = TreeDb::deletePlacement(cutParent, page, &deleted);
            *cutGone = ran && deleted == 0;
            ok = ran && deleted > 0;
        }
    }
    if (ok)
        TreeDb::stamp(parent, page);
    if (own)
        ok = db.D_Tran(ok ? 1 : 2) && ok;
    if (ok) {
        m_nextOrder = TreeDb::nextOrder(order);
        return TreeDb::Place::Fits;
    }
    if (outcome != TreeDb::Place::Fits)
        return outcome;
    *retry = own && TreeDb::lostConflict();
    return TreeDb::Place::Failed;
}

QString uTrX::cutIdOf(const QString &page) const
{
    for (const QString &id : m_cutList.split(u',', Qt::SkipEmptyParts))
        if (id.section(u'-', 1) == page)
            return id;
    return QString();
}

void uTrX::dropCut(const QString &id)
{
    QStringList kept;
    for (const QString &cut : m_cutList.split(u',', Qt::SkipEmptyParts))
        if (cut != id)
            kept << cut;
    m_cutList = kept.isEmpty() ? QString() : kept.join(u',') + u',';
}

void uTrX::removePlacementNodes(const QString &id, const QTreeWidgetItem *keep)
{
    // A page's children show under every node of the page, so one placement
    // may stand in the tree more than once.
    QStringList keys;
    for (QTreeWidgetItemIterator it(trView); *it; ++it)
        if (*it != keep && !keyOf(*it).startsWith(u'X') && GetNdId(*it) == id)
            keys << keyOf(*it);
    for (const QString &key : std::as_const(keys)) {
        QTreeWidgetItem *item = node(key);
        if (!item)
            continue;
        QTreeWidgetItem *parent = item->parent();
        SetSrtPr(item);
        removeNode(item);
        fixParentImage(parent);
    }
}

void uTrX::trCopy(bool bCut)
{
    QTreeWidgetItem *item = trView->currentItem();
    if (!item || keyOf(item) == NewKey)
        return;
    const qint32 page = qint32(pageOf(GetKyNo(keyOf(item))));
    // A tag node is no placement: cutting it would later delete a real one.
    if (bCut && !keyOf(item).startsWith(u'X')) {
        const QString id = GetNdId(item);
        if (!(u',' + m_cutList).contains(u',' + id + u','))
            m_cutList += id + u',';
        item->setForeground(0, CutColor);
    }
    if (page <= 0 || m_clip.mid(0, m_clipCount).contains(page))
        return;
    m_clip.prepend(page);
    m_clip.resize(ClipSize);
    m_clipTitles.prepend(item->text(0));
    m_clipTitles = m_clipTitles.mid(0, ClipSize);
    m_clipCount = qMin(m_clipCount + 1, ClipSize);
    fillClipMenu();
}

void uTrX::fillClipMenu()
{
    m_mnClp->clear();
    for (int i = 0; i < m_clipCount; ++i) {
        QAction *action = m_mnClp->addAction(m_clipTitles.value(i));
        connect(action, &QAction::triggered, this, [this, action] {
            QString caption = action->text();
            trIns(m_mnClp->actions().indexOf(action), caption, QStringLiteral("*"));
        });
    }
    m_mnClp->menuAction()->setVisible(m_clipCount > 0);
}

void uTrX::trChkDcm(bool &bNewDc, bool &bCanMvPrv, bool &bCanMvNxt, bool &bCord) const
{
    bCord = m_listMode;
    bNewDc = m_newNode != nullptr;
    QTreeWidgetItem *item = trView->currentItem();
    if (!item)
        return;
    bCanMvPrv = false;
    bCanMvNxt = false;
    if (keyOf(item).startsWith(u'X'))
        return;
    QTreeWidgetItem *parent = item->parent();
    const int count = parent ? parent->childCount() : trView->topLevelItemCount();
    const int at = parent ? parent->indexOfChild(item) : trView->indexOfTopLevelItem(item);
    bCanMvPrv = at > 0;
    bCanMvNxt = at + 1 < count;
}

void uTrX::trMove(bool bNxt)
{
    QTreeWidgetItem *item = trView->currentItem();
    if (!item)
        return;
    QTreeWidgetItem *parent = item->parent();
    const int count = parent ? parent->childCount() : trView->topLevelItemCount();
    const int at = parent ? parent->indexOfChild(item) : trView->indexOfTopLevelItem(item);
    const int to = at + (bNxt ? 1 : -1);
    if (to < 0 || to >= count)
        return;
    m_suppress = true;
    // The node travels whole: its key, colours and loaded children stay.
    const bool expanded = item->isExpanded();
    if (parent) {
        parent->takeChild(at);
        parent->insertChild(to, item);
    } else {
        trView->takeTopLevelItem(at);
        trView->insertTopLevelItem(to, item);
    }
    item->setExpanded(expanded);
    selectOnly(item);
    SetSrtPr(item);
    m_suppress = false;
}

void uTrX::SetActImg(const QString &sPr, const QString &sNo, bool bCd)
{
    m_listMode = bCd;
    if (QTreeWidgetItem *item = trView->currentItem())
        setImage(item, GetNdImg(sPr, pageOf(sNo), bCd));
}

void uTrX::ChkSlcNd()
{
    QTreeWidgetItem *item = trView->currentItem();
    if (!item) {
        selectOnly(node(m_tmpKey));
        return;
    }
    if (keyOf(item) != m_tmpKey)
        SlctNd(item);
    trView->setFocus();
}

void uTrX::GetNodeText(QString &sSz) const
{
    if (const QTreeWidgetItem *item = trView->currentItem())
        sSz = item->text(0);
}

#include "tree/uTrX.h"

#include "core/zSvr.h"
#include "platform/text/NumberText.h"
#include "platform/desktop/Prompt.h"
#include "tree/NodeIcons.h"
#include "tree/TreeDb.h"

#include <QBrush>
#include <QListWidget>
#include <QTreeWidget>

namespace {

const QColor ProtectColor(192, 0, 0);
const QColor HiddenColor(240, 240, 220);
// The chain of home placements above a page is read at most this many steps up.
const int MaxChainSteps = 51;

int nextSerial(int serial)
{
    // The serial is a 16-bit counter; it wraps instead of overflowing.
    return serial >= 32767 ? -32768 : serial + 1;
}

} // namespace

QString uTrX::GetKyNo(const QString &key)
{
    if (key == QLatin1String("0"))
        return key;
    const int dash = key.indexOf(u'-');
    return dash < 0 ? key : key.mid(dash + 1);
}

QString uTrX::MkNdKy(const QString &prefix, const QString &page)
{
    // Serials make keys of one page unique; after a wrap a key still in use is skipped.
    for (int tries = 0; tries < 65536; ++tries) {
        const QString key = prefix + QString::number(m_serial) + u'-' + page;
        m_serial = nextSerial(m_serial);
        if (!m_byKey.contains(key))
            return key;
    }
    return prefix + QStringLiteral("?-") + page;
}

QString uTrX::keyOf(const QTreeWidgetItem *item)
{
    return item ? item->data(0, KeyRole).toString() : QString();
}

QString uTrX::imageOf(const QTreeWidgetItem *item)
{
    return item ? item->data(0, ImageRole).toString() : QString();
}

QString uTrX::parentPage(const QTreeWidgetItem *item) const
{
    return item && item->parent() ? GetKyNo(keyOf(item->parent())) : QStringLiteral("0");
}

// The page a new placement of the node hangs under. A tag node stands for its target page, which
// a tag to a link placement names as "parent_page".
bool uTrX::placementParent(const QTreeWidgetItem *item, qint64 *parent) const
{
    const QTreeWidgetItem *up = item ? item->parent() : nullptr;
    if (!up) {
        *parent = 0;
        return true;
    }
    QString page = GetKyNo(keyOf(up));
    if (keyOf(up).startsWith(u'X'))
        page = page.section(u'_', -1);
    return TreeDb::pageNumber(page, parent) && *parent >= 0;
}

QString uTrX::GetNdId(const QTreeWidgetItem *item) const
{
    return parentPage(item) + u'-' + GetKyNo(keyOf(item));
}

QString uTrX::imageFor(const QString &prefix, bool listMode, bool hasChildren)
{
    const QString kind = prefix == QLatin1String("N") ? QStringLiteral("nd") : QStringLiteral("lk");
    if (listMode)
        return kind + QStringLiteral("cod");
    return kind + (hasChildren ? QStringLiteral("cls") : QStringLiteral("lef"));
}

QString uTrX::GetNdImg(const QString &prefix, qint64 page, bool listMode)
{
    return imageFor(prefix, listMode, !listMode && TreeDb::childCount(page) > 0);
}

void uTrX::setImage(QTreeWidgetItem *item, const QString &image)
{
    item->setData(0, ImageRole, image);
    item->setIcon(0, NodeIcons::icon(image));
    // Pages with children show the expand arrow before their children are loaded.
    item->setChildIndicatorPolicy(image.endsWith(QLatin1String("cls"))
                                      ? QTreeWidgetItem::ShowIndicator
                                      : QTreeWidgetItem::DontShowIndicatorWhenChildless);
}

void uTrX::SetNdImg(QTreeWidgetItem *item, int mode)
{
    static const QStringList kinds = {QStringLiteral("lef"), QStringLiteral("cls"), QStringLiteral("opn")};
    const QString key = keyOf(item);
    const QChar letter = key.isEmpty() ? QChar() : key.at(0);
    QString image;
    if (letter == u'N')
        image = QStringLiteral("nd") + kinds.value(mode);
    else if (letter == u'L')
        image = QStringLiteral("lk") + kinds.value(mode);
    else if (letter == u'X')
        image = mode == 2 ? QStringLiteral("tgopn") : QStringLiteral("tgcls");
    item->setData(0, ImageRole, image);
    item->setIcon(0, NodeIcons::icon(image));
}

void uTrX::fixParentImage(QTreeWidgetItem *parent)
{
    // A parent whose last loaded child went: leaf unless the database still
    // holds children that were never loaded.
    if (!parent || parent->childCount() > 0 || keyOf(parent).startsWith(u'X'))
        return;
    qint64 page = 0;
    const bool more = TreeDb::pageNumber(GetKyNo(keyOf(parent)), &page) && TreeDb::childCount(page) > 0;
    SetNdImg(parent, more ? 1 : 0);
    parent->setChildIndicatorPolicy(more ? QTreeWidgetItem::ShowIndicator
                                         : QTreeWidgetItem::DontShowIndicatorWhenChildless);
}

QTreeWidgetItem *uTrX::node(const QString &key) const
{
    return key.isEmpty() ? nullptr : m_byKey.value(key, nullptr);
}

QTreeWidgetItem *uTrX::makeNode(const QString &key, const QString &text, const QString &image)
{
    auto *item = new QTreeWidgetItem(QStringList{text});
    item->setData(0, KeyRole, key);
    setImage(item, image);
    m_byKey.insert(key, item);
    return item;
}

void uTrX::rekey(QTreeWidgetItem *item, const QString &key)
{
    const QString old = keyOf(item);
    m_byKey.remove(old);
    m_byKey.insert(key, item);
    item->setData(0, KeyRole, key);
    for (QString &pending : m_pendingOrder)
        if (pending == old)
            pending = key;
}

void uTrX::forget(QTreeWidgetItem *item)
{
    for (int i = 0; i < item->childCount(); ++i)
        forget(item->child(i));
    m_byKey.remove(keyOf(item));
    if (item == m_newNode)
        m_newNode = nullptr;
    if (item == m_editItem)
        m_editItem = nullptr;
}

void uTrX::removeNode(QTreeWidgetItem *item)
{
    forget(item);
    delete item;
}

void uTrX::removeAllNodes()
{
    m_byKey.clear();
    m_newNode = nullptr;
    m_editItem = nullptr;
    trView->clear();
}

void uTrX::ClrChNds(QTreeWidgetItem *item)
{
    while (item->childCount() > 0)
        removeNode(item->child(0));
}

QList<QTreeWidgetItem *> uTrX::siblings(QTreeWidgetItem *parent) const
{
    QList<QTreeWidgetItem *> list;
    const int n = parent ? parent->childCount() : trView->topLevelItemCount();
    list.reserve(n);
    for (int i = 0; i < n; ++i)
        list << (parent ? parent->child(i) : trView->topLevelItem(i));
    return list;
}

void uTrX::selectOnly(QTreeWidgetItem *item)
{
    // Selection without showing the page: the node-chosen step runs only on user input.
    if (item)
        trView->setCurrentItem(item);
}

QString uTrX::SetNodes(const QString &sKy, bool bShwRt)
{
    qint64 page = 0;
    if (!TreeDb::pageNumber(GetKyNo(sKy), &page))
        return sKy;   // "NewNode" and other keys without a page
    QTreeWidgetItem *parent = nullptr;
    if (bShwRt) {
        if (node(QStringLiteral("N-0")))
            return sKy;
        parent = makeNode(QStringLiteral("N-0"), QStringLiteral("Root"), QString());
        trView->addTopLevelItem(parent);
        m_serial = 0;
    } else if (trView->topLevelItemCount() > 0) {
        parent = node(sKy);
        if (!parent)
            return sKy;
    } else {
        m_serial = 0;
    }
    QString last = sKy;
    QList<QTreeWidgetItem *> items;
    const QList<TreeDb::Placement> rows = TreeDb::children(page);
    items.reserve(rows.size());
    for (const TreeDb::Placement &row : rows) {
        const QString prefix = row.link ? QStringLiteral("L") : QStringLiteral("N");
        last = MkNdKy(prefix, QString::number(row.page));
        QTreeWidgetItem *item = makeNode(last, row.title, imageFor(prefix, row.listMode, row.children > 0));
        if (row.protect)
            item->setForeground(0, ProtectColor);
        if (row.hidden)
            item->setBackground(0, HiddenColor);
        items << item;
    }
    if (parent)
        parent->addChildren(items);
    else
        trView->addTopLevelItems(items);
    if (bShwRt)
        trView->topLevelItem(0)->setExpanded(true);
    return last;
}

bool uTrX::RootSelect()
{
    if (trView->topLevelItemCount() == 0)
        return false;
    trView->setCurrentItem(trView->topLevelItem(0));
    SlctNd(trView->topLevelItem(0));
    return true;
}

void uTrX::ClearItem(bool bNsrt)
{
    if (!bNsrt)
        trSort();
    removeAllNodes();
    lsFind->clear();
    lsRsnt->clear();
    m_pendingOrder.clear();
    m_findHistory.clear();
    m_findWords.clear();
    m_clip.fill(0);
    m_clipCount = 0;
    m_cutList.clear();
    // The entries name pages of the database that is going away.
    m_clipTitles.clear();
    fillClipMenu();
    // The child list belongs to a page of the database that is going away.
    m_listMode = false;
    m_newItem = false;
    m_curItemKey.clear();
    layoutTreePane();
}

void uTrX::RefreshTree()
{
    m_suppress = true;
    const QString selected = trView->currentItem() ? GetNdId(trView->currentItem()) : QString();
    QString expanded;
    for (QTreeWidgetItem *top : siblings(nullptr))
        GetExpLst(top, expanded);
    // The unsaved node of a new page is in no table: it is put back where it stood, or the page
    // being edited would have nowhere to be saved.
    const bool hadNewNode = m_newNode != nullptr;
    const bool newSelected = hadNewNode && trView->currentItem() == m_newNode;
    const QString newParent = hadNewNode && m_newNode->parent() ? GetNdId(m_newNode->parent()) : QString();
    const int newAt = !hadNewNode ? -1
                      : m_newNode->parent() ? m_newNode->parent()->indexOfChild(m_newNode)
                                            : trView->indexOfTopLevelItem(m_newNode);
    const QString newTitle = hadNewNode ? m_newNode->text(0) : QString();
    trSort();
    m_pendingOrder.clear();
    removeAllNodes();
    SetNodes(QStringLiteral("0"));
    QStringList path;
    for (QTreeWidgetItem *top : siblings(nullptr))
        SetExpLst(top, expanded, path);
    if (hadNewNode)
        putBackNewNode(newParent, newAt, newTitle);
    if (newSelected)
        selectOnly(m_newNode);
    else if (!selected.isEmpty()) {
        for (QTreeWidgetItemIterator it(trView); *it; ++it) {
            if (GetNdId(*it) == selected) {
                selectOnly(*it);
                break;
            }
        }
    }
    m_suppress = false;
}

void uTrX::GetExpLst(QTreeWidgetItem *item, QString &list) const
{
    // An expanded node without children records nothing below it, but the
    // nodes after it are still recorded.
    if (!item->isExpanded())
        return;
    list += GetNdId(item) + u',';
    for (int i = 0; i < item->childCount(); ++i)
        GetExpLst(item->child(i), list);
}

void uTrX::SetExpLst(QTreeWidgetItem *item, const QString &list, QStringList &path)
{
    // A placement already expanded on the way down is a cycle in the database:
    // expanding it again would never end.
    const QString id = GetNdId(item);
    if (!(u',' + list).contains(u',' + id + u',') || path.contains(id))
        return;
    if (item->childCount() == 0)
        SetNodes(keyOf(item));
    if (item->childCount() == 0)
        return;
    item->setExpanded(true);
    path << id;
    for (QTreeWidgetItem *child : siblings(item))
        SetExpLst(child, list, path);
    path.removeLast();
}

void uTrX::TagTree(const QString &sSz, const QString &sNo)
{
    QTreeWidgetItem *current = trView->currentItem();
    if (!current)
        return;
    if (!current->isExpanded()) {
        if (current->childCount() == 0)
            SetNodes(keyOf(current));
        current->setExpanded(true);
    }
    for (QTreeWidgetItem *child : siblings(current)) {
        if (child->text(0) != sSz)
            continue;
        if (keyOf(child).endsWith(sNo)) {
            selectOnly(child);
            return;
        }
        break;
    }
    QTreeWidgetItem *tag = makeNode(MkNdKy(QStringLiteral("X"), sNo), sSz, QStringLiteral("tgcls"));
    current->addChild(tag);
    current->setExpanded(true);
    emit eFmMsg(QStringLiteral("ﾀｸﾞ(文書ﾃﾞｰﾀｰﾍﾞｰｽ内のﾘﾝｸ)を挿入しました"));
    selectOnly(current);
}

QString uTrX::sGetLeaf() const
{
    const QTreeWidgetItem *item = trView->currentItem();
    if (!item)
        return QString();
    QString chain = GetKyNo(keyOf(item));
    for (const QTreeWidgetItem *up = item->parent(); up; up = up->parent())
        chain += u',' + GetKyNo(keyOf(up));
    return chain + QStringLiteral(",0");
}

QStringList uTrX::homeChain(const QString &page) const
{
    // Up the home placements to the top level; a loop or a missing home
    // placement gives no chain.
    const qint64 start = NumberText::roundInt32(NumberText::leading(page));
    if (start == 0)
        return {};
    QStringList chain{QString::number(start)};
    qint64 current = start;
    for (int step = 0; step < MaxChainSteps; ++step) {
        const qint64 parent = TreeDb::homeParent(current);
        if (parent == -1)
            return {};
        if (parent == 0)
            return chain << QStringLiteral("0");
        if (chain.contains(QString::number(parent)))
            return {};
        chain << QString::number(parent);
        current = parent;
    }
    return chain << QString();   // too deep: the walk stops at the first level
}

void uTrX::SetLeaf(const QString &sDno)
{
    if (sDno.isEmpty() || sDno == QLatin1String("0") || trView->topLevelItemCount() == 0)
        return;
    const QStringList chain = sDno.contains(u',') ? sDno.split(u',') : homeChain(sDno);
    QList<QTreeWidgetItem *> level = siblings(nullptr);
    QTreeWidgetItem *last = nullptr;
    for (int i = chain.size() - 2; i >= 0; --i) {
        QTreeWidgetItem *match = nullptr;
        for (QTreeWidgetItem *item : level) {
            last = item;
            if (GetKyNo(keyOf(item)) == chain[i].trimmed()) {
                match = item;
                break;
            }
        }
        if (!match || i == 0)
            break;
        if (match->childCount() == 0)
            SetNodes(keyOf(match));
        if (match->childCount() == 0)
            break;
        match->setExpanded(true);
        level = siblings(match);
    }
    if (last)
        ShwNdDoc(last);
}

void uTrX::trNdDL(const QString &sKyD, QString &sMsg)
{
    QTreeWidgetItem *item = sKyD.isEmpty() ? trView->currentItem() : node(sKyD);
    if (!item)
        return;
    if (sKyD.isEmpty()) {
        sMsg += QStringLiteral("\r現在のﾍﾟｰｼﾞを削除して良いですか");
        if (Prompt::current().message(sMsg, Prompt::OkCancel) != Prompt::Ok)
            return;
    }
    SetSrtPr(item);
    const QString key = keyOf(item);
    QString parent, page;
    bool link = false;
    GetPrCdNo(parent, page, link, key);
    qint64 p = 0, c = 0;
    // A tag node stands for no row: a statement for it could delete a real placement.
    // A row that could not be deleted keeps its node, so the tree does not lie.
    if (!key.startsWith(u'X') && TreeDb::pageNumber(parent, &p) && TreeDb::pageNumber(page, &c)
        && !TreeDb::deletePlacement(p, c)) {
        reportFailedWrite(QStringLiteral("ﾍﾟｰｼﾞを削除できませんでした　何も変更していません"));
        return;
    }
    if (c > 0 && !key.startsWith(u'X') && !TreeDb::isPlaced(c))
        dropListedPage(int(c));
    // A cut of the placement deleted here ends with it: a later paste of the page is a plain one.
    if (!key.startsWith(u'X'))
        dropCut(GetNdId(item));
    DelNewNd(item);
}

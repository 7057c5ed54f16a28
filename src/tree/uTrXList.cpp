#include "tree/uTrX.h"

#include "platform/desktop/Prompt.h"
#include "tree/TreeDb.h"

#include <QDateTime>
#include <QTreeWidget>

namespace {

const QString NewItemKey = QStringLiteral("NEW");
const QString DateFormat = QStringLiteral("yy/MM/dd HH:mm:ss");
const QColor ProtectColor(192, 0, 0);

QTreeWidgetItem *makeListItem(const QString &key, const QString &text, const QDateTime &when)
{
    auto *item = new QTreeWidgetItem(QStringList{text, when.isValid() ? when.toString(DateFormat) : QString()});
    item->setData(0, Qt::UserRole, key);
    return item;
}

QString listKey(const QTreeWidgetItem *item)
{
    return item ? item->data(0, Qt::UserRole).toString() : QString();
}

} // namespace

void uTrX::ShwNdDoc(QTreeWidgetItem *item)
{
    if (!item)
        return;
    trView->setCurrentItem(item);
    const QString key = keyOf(item);
    const QString sNo = GetKyNo(key);
    const QString sNoP = parentPage(item);
    const bool protect = item->foreground(0).color() == ProtectColor;
    const int job = key.startsWith(u'X') ? 1 : 0;
    const bool listPage = imageOf(item).endsWith(QLatin1String("cod"));
    if (listPage != m_listMode) {
        m_listMode = listPage;
        if (!m_picker)
            SetFrame(1);
    }
    if (!m_listMode && item->childCount() == 0)
        SetNodes(key);
    else if (m_listMode && !m_picker)
        SetCdLst(key);
    emit eSetDoc(sNoP, sNo, item->text(0), job, protect);
}

void uTrX::SetCdLst(const QString &sKy)
{
    qint64 page = 0;
    if (!TreeDb::pageNumber(GetKyNo(sKy), &page))
        return;
    lsCod->clear();
    QList<QTreeWidgetItem *> items;
    for (const TreeDb::ListChild &row : TreeDb::listChildren(page))
        items << makeListItem(u'K' + QString::number(row.page), row.title, row.updated);
    lsCod->addTopLevelItems(items);
}

QTreeWidgetItem *uTrX::listItem(const QString &key) const
{
    for (int i = 0; i < lsCod->topLevelItemCount(); ++i)
        if (listKey(lsCod->topLevelItem(i)) == key)
            return lsCod->topLevelItem(i);
    return nullptr;
}

void uTrX::lsCod_Click(QTreeWidgetItem *item)
{
    if (!item || busy())
        return;
    const QString key = listKey(item);
    if (m_listMode && m_newItem && key == NewItemKey)
        return;
    bool cancel = false;
    emit eChkMove(&cancel);
    // The host may have saved and refilled the list while it was asked.
    item = listItem(key);
    if (cancel || !item) {
        if (m_listMode)
            lsCod->setCurrentItem(listItem(m_curItemKey));
        else
            trView->setFocus();
        return;
    }
    if (m_listMode && m_newItem) {
        emit eFmMsg(QStringLiteral("新規ﾍﾟｰｼﾞを破棄しました"));
        delete listItem(NewItemKey);
        m_newItem = false;
    }
    m_curItemKey = key;
    if (!key.isEmpty() && key != NewItemKey)
        emit eSetDoc(QString(), key.mid(1), item->text(0), 0, false);
}

void uTrX::cdNew()
{
    QTreeWidgetItem *item = listItem(NewItemKey);
    if (!item) {
        item = makeListItem(NewItemKey, QStringLiteral("新規ﾍﾟｰｼﾞ"), QDateTime::currentDateTime());
        lsCod->addTopLevelItem(item);
    }
    lsCod->setCurrentItem(item);
    m_newItem = true;
}

void uTrX::cdDel()
{
    QTreeWidgetItem *item = lsCod->currentItem();
    QTreeWidgetItem *page = trView->currentItem();
    if (!item || !page)
        return;
    const QString key = listKey(item);
    // Only the unsaved new item goes without asking; any saved page is asked about.
    if (key != NewItemKey
        && Prompt::current().message(QStringLiteral("現在のﾍﾟｰｼﾞを削除して良いですか"), Prompt::OkCancel) != Prompt::Ok)
        return;
    if (key != NewItemKey) {
        qint64 parent = 0, child = 0;
        if (!TreeDb::pageNumber(GetKyNo(keyOf(page)), &parent) || !TreeDb::pageNumber(key.mid(1), &child))
            return;
        if (!TreeDb::deletePlacement(parent, child)) {
            reportFailedWrite(QStringLiteral("ﾍﾟｰｼﾞを削除できませんでした　何も変更していません"));
            return;
        }
    } else {
        m_newItem = false;
    }
    delete item;
}

bool uTrX::UdtCdItm(const QString &sSz, const QString &sSzB, qint32 nNo)
{
    QTreeWidgetItem *page = trView->currentItem();
    qint64 parent = 0;
    if (!page || !TreeDb::pageNumber(GetKyNo(keyOf(page)), &parent))
        return !m_newItem;
    if (m_newItem) {
        QTreeWidgetItem *item = listItem(NewItemKey);
        int order = 0;
        if (!item)
            return false;
        bool stands = true;
        if (!parentStands(parent, nNo, &stands))
            return false;
        if (!stands)
            parent = 0;
        if (!TreeDb::holdOrder(parent) || !TreeDb::freeOrder(parent, stands ? 100 : 0, &order)
            || !TreeDb::insertPlacement(parent, nNo, order, sSz, false)) {
            // Stays the unsaved item, so that the next save writes the row.
            reportFailedInsert();
            return false;
        }
        TreeDb::stamp(parent, nNo);
        afterCommit([this, item, sSz, nNo, stands] {
            m_newItem = false;
            if (!stands) {
                leaveListForTop(item, nNo, sSz);
                return;
            }
            item->setText(0, sSz);
            item->setData(0, Qt::UserRole, u'K' + QString::number(nNo));
        });
        return true;
    }
    QTreeWidgetItem *item = lsCod->currentItem();
    if (!item || item->text(0) != sSzB || sSz == sSzB)
        return true;
    // The list shows the placement's title copy, so it follows the page's title.
    if (!TreeDb::updateTitle(parent, nNo, sSz))
        return false;
    TreeDb::stamp(parent, nNo);
    afterCommit([item, sSz] { item->setText(0, sSz); });
    return true;
}

void uTrX::CngCod()
{
    setListModeOf(!m_listMode);
}

void uTrX::CngCod(bool vCd)
{
    setListModeOf(vCd);
}

void uTrX::setListModeOf(bool on)
{
    QTreeWidgetItem *item = trView->currentItem();
    // A tag node is a link inside a page, not a page of the tree.
    if (!item || keyOf(item).startsWith(u'X'))
        return;
    m_listMode = on;
    SetFrame(1);
    qint64 page = 0;
    if (!TreeDb::pageNumber(GetKyNo(keyOf(item)), &page) || page == 0)
        return;
    const QString prefix = imageOf(item).left(1).toUpper() == QLatin1String("L") ? QStringLiteral("L")
                                                                                  : QStringLiteral("N");
    if (!TreeDb::setListMode(page, on))
        return;
    setImage(item, GetNdImg(prefix, page, on));
    if (on) {
        ClrChNds(item);
        SetCdLst(keyOf(item));
    } else {
        if (item->childCount() == 0)
            SetNodes(keyOf(item));
        item->setExpanded(true);
    }
}

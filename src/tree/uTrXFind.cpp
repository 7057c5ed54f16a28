#include "tree/uTrX.h"

#include "core/zSvr.h"
#include "platform/text/NumberText.h"
#include "tree/TreeDb.h"

#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>

QString uTrX::fullWidthDigits(int n)
{
    QString text = QString::number(n);
    for (QChar &c : text)
        if (c.isDigit())
            c = QChar(0xFF10 + c.digitValue());
    return text;
}

void uTrX::FindDoc()
{
    const QString text = cmbFind->currentText();
    if (!m_findHistory.contains(text)) {
        cmbFind->addItem(text);
        cmbFind->setEditText(text);
        m_findHistory << text;
    }
    lsFind->clear();
    m_findWords = text;
    bool ok = false;
    const QList<TreeDb::Found> rows = TreeDb::find(text, &ok);
    if (!ok) {
        emit eFmMsg(QStringLiteral("検索できませんでした"));
        return;
    }
    for (const TreeDb::Found &row : rows) {
        auto *item = new QListWidgetItem(row.title, lsFind);
        item->setData(Qt::UserRole, row.page);
    }
    emit eFmMsg(fullWidthDigits(rows.size()) + QStringLiteral(" 件候補がありました"));
}

void uTrX::lsFind_Click(QListWidgetItem *item)
{
    if (m_suppress || !item || busy() || !stillPlaced(item))
        return;
    emit eSetDoc(QString(), QString::number(item->data(Qt::UserRole).toInt()), item->text(), 2, false);
    emit eFndWd(m_findWords);
}

void uTrX::lsRsnt_Click(QListWidgetItem *item)
{
    if (m_suppress || !item || busy() || !stillPlaced(item))
        return;
    emit eSetDoc(QString(), QString::number(item->data(Qt::UserRole).toInt()), item->text(), 2, false);
}

// A page deleted from the tree since it was listed is not opened: editing it would be lost to
// the next clean-up. Its entries leave both lists.
bool uTrX::stillPlaced(QListWidgetItem *item)
{
    // A tree that lists the pages placed nowhere serves a window that only views pages: there
    // an unplaced page is shown like any other, and a row gone meanwhile is the host's to report.
    if (m_rcntUnplaced)
        return true;
    const int page = item->data(Qt::UserRole).toInt();
    if (TreeDb::isPlaced(page))
        return true;
    dropListedPage(page);
    emit eFmMsg(QStringLiteral("このﾍﾟｰｼﾞは削除されています"));
    return false;
}

void uTrX::dropListedPage(int page)
{
    for (QListWidget *list : {lsFind, lsRsnt}) {
        for (int i = list->count() - 1; i >= 0; --i) {
            if (list->item(i)->data(Qt::UserRole).toInt() == page)
                delete list->takeItem(i);
        }
    }
}

void uTrX::SetRcnt(const QString &sNo, const QString &sTx)
{
    const int page = NumberText::roundInt32(NumberText::leading(sNo));
    for (int i = 0; i < lsRsnt->count(); ++i) {
        if (lsRsnt->item(i)->data(Qt::UserRole).toInt() == page) {
            delete lsRsnt->takeItem(i);
            break;
        }
    }
    auto *item = new QListWidgetItem(sTx, lsRsnt);
    item->setData(Qt::UserRole, page);
}

void uTrX::SetRcntLst(const QString &sCp, const QString &sTp, const QString &sQ)
{
    cmClrRsnt->setEnabled(false);
    m_rcntUnplaced = true;
    const int tab = stTab->indexOf(frRcnt);
    if (tab >= 0) {
        stTab->setTabText(tab, sCp);
        stTab->setTabToolTip(tab, sTp);
    }
    DbTable rows;
    const int n = zSvr::instance().R_Ary(sQ, rows);
    lsRsnt->clear();
    for (int r = 0; r < n; ++r) {
        auto *item = new QListWidgetItem(rows.at(0, r).toString(), lsRsnt);
        item->setData(Qt::UserRole, rows.at(1, r).toInt());
    }
}

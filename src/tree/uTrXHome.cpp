#include "tree/uTrX.h"

#include "core/zSvr.h"
#include "tree/TreeDb.h"

#include <QBrush>
#include <QSet>
#include <QTreeWidget>

namespace {

const QString NewKey = QStringLiteral("NewNode");
const QColor ProtectColor(192, 0, 0);
const QColor HiddenColor(240, 240, 220);
// The same bound as the walk of SetLeaf.
const int MaxPathSteps = 51;

// The image of the other kind (home <-> link), keeping open/closed/leaf/list.
QString swapKind(const QString &image, bool toLink)
{
    return (toLink ? QStringLiteral("lk") : QStringLiteral("nd")) + image.mid(2);
}

} // namespace

void uTrX::StOrgn(bool bOrg)
{
    if (!trView->currentItem())
        return;
    QString sNoP, sNoC;
    bool link = false;
    GetPrCdNo(sNoP, sNoC, link);
    qint64 parent = 0, page = 0;
    if (!TreeDb::pageNumber(sNoP, &parent) || !TreeDb::pageNumber(sNoC, &page) || page <= 0)
        return;
    zSvr &db = zSvr::instance();
    qint64 home = parent;
    if (!bOrg) {
        // -1, not 0, says "no other placement": 0 is the top level, a real parent.
        home = db.R_GtVaL(QStringLiteral("Select Top 1 noLfP From tbTree Where noLfC=? And noLfP<> ? Order By noLfP"),
                          {page, parent}, -1)
                   .toLongLong();
        if (home == -1)
            return;
    }
    if (db.DbRead())
        return;
    const bool own = db.D_Tran(0);
    if (!own && db.heldElsewhere()) {
        reportFailedWrite(QStringLiteral("ﾂﾘｰを更新できませんでした　何も変更していません"));
        return;
    }
    bool ok = db.D_ExeSq(QStringLiteral("Update tbTree Set boLnk=0 Where noLfP=? and noLfC=?"), {home, page})
              && db.D_ExeSq(QStringLiteral("Update tbTree Set boLnk=1 Where noLfP<>? and noLfC=?"), {home, page});
    if (own)
        ok = db.D_Tran(ok ? 1 : 2) && ok;
    if (!ok) {
        reportFailedWrite(QStringLiteral("ﾂﾘｰを更新できませんでした　何も変更していません"));
        return;
    }
    const QString homeText = QString::number(home);
    for (QTreeWidgetItemIterator it(trView); *it; ++it) {
        QTreeWidgetItem *item = *it;
        const QString key = keyOf(item);
        if (key.startsWith(u'X') || key == NewKey || GetKyNo(key) != sNoC)
            continue;
        const bool shownAsLink = imageOf(item).startsWith(QLatin1String("lk"));
        const bool isLink = parentPage(item) != homeText;
        if (shownAsLink != isLink)
            setImage(item, swapKind(imageOf(item), isLink));
    }
}

void uTrX::HogoNode(bool bHg)
{
    if (QTreeWidgetItem *item = trView->currentItem())
        item->setForeground(0, bHg ? QBrush(ProtectColor) : QBrush());
}

void uTrX::HideNode(bool bHd)
{
    if (QTreeWidgetItem *item = trView->currentItem())
        item->setBackground(0, bHd ? QBrush(HiddenColor) : QBrush());
}

void uTrX::ChkHideNode(bool &bHide) const
{
    bHide = false;
    for (const QTreeWidgetItem *item = trView->currentItem(); item; item = item->parent()) {
        const QString parent = parentPage(item);
        qint64 p = 0, c = 0;
        if (TreeDb::pageNumber(parent, &p) && TreeDb::pageNumber(GetKyNo(keyOf(item)), &c))
            bHide = zSvr::instance()
                        .R_GtVaL(QStringLiteral("Select boHide From tbTree Where noLfP=? And noLfC=?"), {p, c}, 0)
                        .toInt()
                    == 1;
        if (bHide || parent == QLatin1String("0"))
            return;
    }
}

void uTrX::refreshImage(QTreeWidgetItem *item, const QString &parent, const QString &page)
{
    qint64 p = 0, c = 0;
    if (!TreeDb::pageNumber(parent, &p) || !TreeDb::pageNumber(page, &c))
        return;
    QVariantList vars{QVariant(), QVariant()};
    zSvr::instance().R_PAry(QStringLiteral("Select T.boLnk, D.boCod From tbTree T, msDoc D"
                                     " Where T.noLfC = D.noDoc And T.noLfP = ? And T.noLfC = ? "),
                      {p, c}, vars);
    const bool link = vars.value(0).toInt() == 1;
    setImage(item, GetNdImg(link ? QStringLiteral("L") : QStringLiteral("N"), c, vars.value(1).toInt() == 1));
}

void uTrX::RefreshNd(const QString &sTxt, QString &sNoC)
{
    QTreeWidgetItem *item = trView->currentItem();
    if (!item)
        return;
    const QString parent = parentPage(item);
    const QString page = sNoC.isEmpty() ? GetKyNo(keyOf(item)) : sNoC;
    if (!sNoC.isEmpty()) {
        // The key's letter decides the image on expand and collapse, so it
        // follows the placement's kind.
        qint64 p = 0, c = 0;
        const bool link = TreeDb::pageNumber(parent, &p) && TreeDb::pageNumber(sNoC, &c)
                          && zSvr::instance()
                                     .R_GtVaL(QStringLiteral("Select boLnk From tbTree Where noLfP=? And noLfC=?"),
                                              {p, c}, 0)
                                     .toInt()
                                 == 1;
        if (item == m_newNode)
            m_newNode = nullptr;
        m_tmpKey = MkNdKy(link ? QStringLiteral("L") : QStringLiteral("N"), sNoC.trimmed());
        rekey(item, m_tmpKey);
    } else {
        sNoC = QStringLiteral("0");
    }
    if (!sTxt.isEmpty())
        item->setText(0, sTxt);
    ClrChNds(item);
    refreshImage(item, parent, page);
    ShwNdDoc(item);
    if (!imageOf(item).startsWith(QLatin1String("lk")) && item->childCount() > 0)
        item->setExpanded(true);
    SetSrtPr(item);
}

void uTrX::RefreshDcNd(const QString &sDno)
{
    const QString page = sDno.trimmed();
    QStringList keys;
    for (QTreeWidgetItemIterator it(trView); *it; ++it) {
        const QString key = keyOf(*it);
        if (!key.startsWith(u'X') && key != NewKey && GetKyNo(key) == page)
            keys << key;
    }
    for (const QString &key : std::as_const(keys)) {
        // An earlier node of the same page may have taken this one with it.
        QTreeWidgetItem *item = node(key);
        if (!item)
            continue;
        ClrChNds(item);
        refreshImage(item, parentPage(item), page);
        ShwNdDoc(item);
        if (item->childCount() > 0)
            item->setExpanded(true);
        SetSrtPr(item);
    }
}

void uTrX::GetExPndNds(QString &sExp, QString &sAct) const
{
    sExp.clear();
    sAct.clear();
    if (trView->topLevelItemCount() == 0)
        return;
    if (const QTreeWidgetItem *item = trView->currentItem())
        sAct = GetNdId(item);
    for (QTreeWidgetItem *top : siblings(nullptr))
        GetExpLst(top, sExp);
}

QString uTrX::pathFromDb(const QString &page, QString &sAct) const
{
    // Up through whichever placement the database gives first, bounded and
    // with a memory of the pages passed, so that a loop ends the walk.
    QString exp;
    QSet<qint64> seen;
    qint64 current = 0;
    if (!TreeDb::pageNumber(page, &current))
        return exp;
    seen.insert(current);
    for (int step = 0; step < MaxPathSteps; ++step) {
        QVariantList vars{QVariant()};
        if (!zSvr::instance().R_PAry(QStringLiteral("Select nolfP From tbTree Where noLfC=?"), {current}, vars)
            || vars.value(0).isNull())
            break;
        const qint64 parent = vars.value(0).toLongLong();
        const QString parentText = QString::number(parent);
        if (step == 0)
            sAct = parentText + u'-' + QString::number(current);
        if (parent == 0) {
            exp.prepend(QStringLiteral("0-"));
            break;
        }
        exp.prepend(parentText + u',' + parentText + u'-');
        if (seen.contains(parent))
            break;
        seen.insert(parent);
        current = parent;
    }
    return exp;
}

void uTrX::SetExPndNds(QString sExp, QString sAct)
{
    if (trView->topLevelItemCount() == 0)
        return;
    if (sExp.isEmpty() && !sAct.isEmpty())
        sExp = pathFromDb(sAct.trimmed(), sAct);
    QStringList path;
    for (QTreeWidgetItem *top : siblings(nullptr))
        SetExpLst(top, sExp, path);
    for (QTreeWidgetItemIterator it(trView); *it; ++it) {
        if (!sAct.isEmpty() && GetNdId(*it) == sAct) {
            ShwNdDoc(*it);
            return;
        }
    }
}

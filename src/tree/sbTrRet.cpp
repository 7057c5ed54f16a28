#include "tree/sbTrRet.h"

#include "core/Usr.h"
#include "core/zSvr.h"
#include "platform/desktop/Prompt.h"
#include "tree/TreeBulk.h"
#include "tree/TreeDb.h"
#include "tree/uTrX.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const int PageRole = Qt::UserRole;

struct ModeText {
    const char *buttons[3];
    const char *label;
};

const ModeText Texts[3] = {
    {{"⇒ 複写(ﾘﾝｸ)", "⇒ 複写(新規)", "⇒ 移動"}, "現在指定のﾍﾟｰｼﾞ以下を、指定ﾍﾟｰｼﾞに一括で、複写・移動します"},
    {{"← 複写(ﾘﾝｸ)", "← 複写(新規)", "← 移動"},
     "現在指定のﾍﾟｰｼﾞに、上記で指定したﾍﾟｰｼﾞを一括で、取込みます (複写・移動)"},
    {{"削除", "", ""}, "一括削除します"},
};

} // namespace

sbTrRet::sbTrRet(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("文脈の一括 複写・移動"));
    buildFrame();
}

void sbTrRet::buildFrame()
{
    auto *outer = new QVBoxLayout(this);
    auto *buttons = new QHBoxLayout;
    const QString captions[4] = {QStringLiteral("⇒　複写(ﾘﾝｸ)"), QStringLiteral("⇒　複写(新規)"),
                                 QStringLiteral("⇒　移動"), QStringLiteral("&Cancel")};
    for (int i = 0; i < 4; ++i) {
        cmRet[i] = new QPushButton(captions[i]);
        cmRet[i]->setObjectName(QStringLiteral("cmRet%1").arg(i));
        cmRet[i]->setAutoDefault(false);
        buttons->addWidget(cmRet[i]);
        connect(cmRet[i], &QPushButton::clicked, this, [this, i] { cmRet_Click(i); });
    }
    buttons->addStretch();
    lbRet = new QPushButton(QStringLiteral("再表示(&D)"));
    lbRet->setObjectName(QStringLiteral("lbRet"));
    lbRet->setFlat(true);
    lbRet->setAutoDefault(false);
    buttons->addWidget(lbRet);
    connect(lbRet, &QPushButton::clicked, this, [this] { RefreshTrX(true); });
    outer->addLayout(buttons);

    chLnk = new QCheckBox(QStringLiteral("複写(新規)の場合、下位ﾉｰﾄﾞのﾘﾝｸを生成する"));
    chLnk->setObjectName(QStringLiteral("chLnk"));
    outer->addWidget(chLnk);

    trView = new QListWidget;
    trView->setObjectName(QStringLiteral("trView"));
    m_tree = new uTrX;
    m_tree->setObjectName(QStringLiteral("uTrX"));
    connect(m_tree, &uTrX::eSetDoc, this,
            [this](const QString &sNoP, const QString &sNo, const QString &, int iJb, bool) {
                onOwnSetDoc(sNoP, sNo, iJb);
            });
    m_row = new QHBoxLayout;
    outer->addLayout(m_row, 1);

    Label1 = new QLabel;
    Label1->setObjectName(QStringLiteral("Label1"));
    outer->addWidget(Label1);
}

void sbTrRet::setMode(int mode)
{
    m_mode = mode;
    const bool copy = mode != 2;
    for (int i = 0; i < 3; ++i)
        cmRet[i]->setText(QString::fromUtf8(Texts[mode].buttons[i]));
    cmRet[1]->setVisible(copy);
    cmRet[2]->setVisible(copy);
    chLnk->setVisible(copy);
    lbRet->setVisible(copy);
    m_tree->setVisible(copy);
    Label1->setText(QString::fromUtf8(Texts[mode].label));
    // From here: the list on the left, the destination tree on the right; to here the other way round.
    m_row->removeWidget(trView);
    m_row->removeWidget(m_tree);
    if (mode == 1) {
        m_row->addWidget(m_tree, 5);
        m_row->addWidget(trView, 4);
    } else {
        m_row->addWidget(trView, 4);
        m_row->addWidget(m_tree, 5);
    }
    resize(copy ? QSize(520, 560) : QSize(300, 560));
}

bool sbTrRet::Open(int mode, uTrX &xTr)
{
    setMode(qBound(0, mode, 2));
    m_xTr = &xTr;
    if (m_mode != 1) {
        bool link = false;
        xTr.GetPrCdNo(sSrcP, sSrcC, link);
    }
    trView->clear();
    if (m_mode != 2) {
        RefreshTrX(false);
        m_tree->StSize();
        m_tree->SetFrame(0);
    }
    if (m_mode != 1 && !SetChkLst(sSrcP, sSrcC)) {
        Prompt::current().message(QStringLiteral("複写元には下位のﾍﾟｰｼﾞがありません"));
        return false;
    }
    cmRet[0]->setFocus();
    return true;
}

void sbTrRet::ActS(uTrX &xTr)
{
    if (Open(0, xTr))
        exec();
    finishAct(xTr);
}

void sbTrRet::ActG(uTrX &xTr)
{
    if (Open(1, xTr))
        exec();
    finishAct(xTr);
}

void sbTrRet::ActD(uTrX &xTr)
{
    if (Open(2, xTr))
        exec();
    finishAct(xTr);
}

void sbTrRet::finishAct(uTrX &xTr)
{
    Usr::D_FixLnk(false);
    xTr.RefreshTree();
}

void sbTrRet::RefreshTrX(bool bForce)
{
    const QString source = zSvr::instance().sSvr;
    if (source != sDbNm)
        sDbNm = source;
    else if (!bForce && bTrLd)
        return;
    if (m_xTr)
        m_xTr->trSort();
    m_tree->ClearItem(true);
    m_tree->SetNodes(QStringLiteral("0"), true);
    bTrLd = true;
}

bool sbTrRet::SetChkLst(const QString &sNoP, const QString &sNo)
{
    qint64 parent = 0, page = 0;
    if (!TreeDb::pageNumber(sNoP, &parent) || !TreeDb::pageNumber(sNo, &page))
        return false;
    const bool root = parent == 0 && page == 0;
    if (!root && !TreeDb::placementExists(parent, page))
        return false;
    const QList<TreeDb::Placement> rows = TreeDb::children(page);
    trView->clear();
    for (const TreeDb::Placement &row : rows) {
        auto *item = new QListWidgetItem(row.title, trView);
        item->setData(PageRole, row.page);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Checked);
    }
    return !rows.isEmpty();
}

QString sbTrRet::checkedList() const
{
    QStringList pages;
    for (int i = 0; i < trView->count(); ++i)
        if (trView->item(i)->checkState() == Qt::Checked)
            pages << trView->item(i)->data(PageRole).toString();
    return pages.join(u',');
}

void sbTrRet::onOwnSetDoc(const QString &sNoP, const QString &sNo, int iJb)
{
    if (m_mode == 1 && iJb != 3)
        SetChkLst(sNoP, sNo);
}

bool sbTrRet::confirmLink(const QString &sNoP, const QString &sNo)
{
    qint64 parent = 0, page = 0;
    if (!TreeDb::pageNumber(sNoP, &parent) || !TreeDb::pageNumber(sNo, &page))
        return true;
    const int link = zSvr::instance()
                         .R_GtVaL(QStringLiteral("Select boLnk From tbTree Where noLfP=? And noLfC=?"), {parent, page}, 0)
                         .toInt();
    return link != 1
           || Prompt::current().message(QStringLiteral("指定されたﾍﾟｰｼﾞはﾘﾝｸです　ﾘﾝｸ先も含めて変更になりますが続けますか"),
                                        Prompt::OkCancel)
                  == Prompt::Ok;
}

void sbTrRet::cmRet_Click(int i)
{
    if (i == 3) {
        reject();
        return;
    }
    if (!m_xTr || i < 0 || i > 3 || (m_mode == 2 && i != 0))
        return;
    QString sNoP, sNo;
    bool link = false;
    if (m_mode == 0) {
        m_tree->GetPrCdNo(sNoP, sNo, link);
        sDstC = sNo;
    } else {
        m_xTr->GetPrCdNo(sNoP, sNo, link);
        if (m_mode == 1) {
            sDstC = sNo;
            QString ownParent;
            m_tree->GetPrCdNo(ownParent, sSrcC, link);
        }
    }
    if (!confirmLink(sNoP, sNo))
        return;
    QString list = checkedList();
    if (m_mode == 2) {
        trDelLst(list);
    } else {
        const int first = zSvr::instance()
                              .R_GtVaL(QStringLiteral("Select Max(inSrt) From tbTree Where noLfP=?"), {sDstC.toLongLong()}, 0)
                              .toInt()
                          + 1;
        if (i == 0)
            trLnkLst(first, list);
        else if (i == 1)
            trNewLst(first, list);
        else
            trMovLst(first, list);
    }
}

namespace {

// Tells the user what went wrong or was left out; true when the operation was written.
bool report(const TreeBulk::Result &result)
{
    if (!result.message.isEmpty()) {
        Prompt::current().message(result.message, Prompt::Exclamation);
        return result.ok;
    }
    if (!result.ok)
        return false;
    QStringList left;
    if (result.missing > 0)
        left << QStringLiteral("選んだﾍﾟｰｼﾞのうち %1 件は別の編集画面か他の利用者が移動か削除していたので除きました")
                    .arg(result.missing);
    if (result.skipped > 0)
        left << QStringLiteral("既に登録されている %1 件のﾍﾟｰｼﾞは除きました").arg(result.skipped);
    if (!left.isEmpty())
        Prompt::current().message(left.join(u'\n'), result.missing > 0 ? Prompt::Exclamation : Prompt::OkOnly);
    return true;
}

} // namespace

void sbTrRet::trLnkLst(int first, QString &list)
{
    const TreeBulk::Result result =
        TreeBulk::linkCopy(sSrcC.toLongLong(), sDstC.toLongLong(), TreeBulk::parseList(list), first);
    if (!report(result))
        return;
    refreshCaller(sDstC);
    accept();
}

void sbTrRet::trNewLst(int first, QString &list)
{
    const TreeBulk::Result result = TreeBulk::newCopy(sSrcC.toLongLong(), sDstC.toLongLong(),
                                                      TreeBulk::parseList(list), first, chLnk->isChecked());
    if (!report(result))
        return;
    refreshCaller(sDstC);
    accept();
}

void sbTrRet::trMovLst(int first, QString &list)
{
    const TreeBulk::Result result =
        TreeBulk::move(sSrcC.toLongLong(), sDstC.toLongLong(), TreeBulk::parseList(list), first);
    if (!report(result))
        return;
    refreshCaller(sDstC);
    refreshCaller(sSrcC);
    accept();
}

void sbTrRet::trDelLst(QString &list)
{
    const TreeBulk::Result result = TreeBulk::remove(sSrcC.toLongLong(), TreeBulk::parseList(list));
    if (!report(result))
        return;
    refreshCaller(sSrcC);
    accept();
}

void sbTrRet::refreshCaller(const QString &page)
{
    if (m_xTr)
        m_xTr->RefreshDcNd(page);
}

void sbTrRet::reject()
{
    // Unloading: the next opening loads the own tree again.
    bTrLd = false;
    QDialog::reject();
}

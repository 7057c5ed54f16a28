#include "tree/uTrX.h"

#include "core/HtmMoji.h"
#include "core/Usr.h"
#include "tree/TreeDb.h"

#include <QAbstractItemDelegate>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QSplitter>
#include <QTabBar>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

const QString Discarded = QStringLiteral("新規ﾍﾟｰｼﾞを破棄しました");

QVBoxLayout *paneLayout(QWidget *pane)
{
    auto *layout = new QVBoxLayout(pane);
    layout->setContentsMargins(2, 3, 2, 2);
    layout->setSpacing(4);
    return layout;
}

} // namespace

uTrX::uTrX(QWidget *parent) : QWidget(parent), m_clip(10, 0)
{
    buildFrame();
    m_mnClp = new QMenu(QStringLiteral("ｸﾘｯﾌﾟ"), this);
    m_mnClp->setObjectName(QStringLiteral("mnClp"));
    m_mnClp->menuAction()->setVisible(false);
}

uTrX::~uTrX()
{
    // The items go with the widgets; nothing may point at them afterwards.
    m_byKey.clear();
    m_newNode = nullptr;
    m_editItem = nullptr;
    // The find box ends its edit when its focus goes with the window, which can report a choice
    // from its list; this control is gone by then.
    cmbFind->disconnect(this);
    cmbFind->removeEventFilter(this);
    cmbFind->lineEdit()->removeEventFilter(this);
}

bool uTrX::busy()
{
    return Usr::st().busy;
}

void uTrX::buildFrame()
{
    stTab = new QTabWidget(this);
    stTab->setObjectName(QStringLiteral("stTab"));
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(stTab);

    frTree = new QWidget;
    trView = new QTreeWidget;
    trView->setObjectName(QStringLiteral("trView"));
    trView->setHeaderHidden(true);
    trView->setColumnCount(1);
    trView->setUniformRowHeights(true);
    trView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    trView->setExpandsOnDoubleClick(true);
    trView->header()->setStretchLastSection(true);
    lsCod = new QTreeWidget;
    lsCod->setObjectName(QStringLiteral("lsCod"));
    lsCod->setColumnCount(2);
    lsCod->setHeaderLabels({QStringLiteral("ﾀｲﾄﾙ"), QStringLiteral("更新日時")});
    lsCod->setRootIsDecorated(false);
    lsCod->setUniformRowHeights(true);
    lsCod->hide();
    m_split = new QSplitter(Qt::Vertical);
    m_split->setChildrenCollapsible(false);
    m_split->addWidget(trView);
    m_split->addWidget(lsCod);
    paneLayout(frTree)->addWidget(m_split);
    stTab->addTab(frTree, QStringLiteral("文脈"));
    stTab->setTabToolTip(0, QStringLiteral("文書構成で参照"));

    buildFindPane();
    buildRecentPane();

    trView->viewport()->installEventFilter(this);
    trView->installEventFilter(this);
    lsCod->viewport()->installEventFilter(this);
    connect(trView, &QTreeWidget::itemExpanded, this, &uTrX::onExpanded);
    connect(trView, &QTreeWidget::itemCollapsed, this, &uTrX::onCollapsed);
    connect(trView, &QTreeWidget::itemChanged, this, &uTrX::onItemChanged);
    connect(trView->itemDelegate(), &QAbstractItemDelegate::closeEditor, this, [this] {
        if (m_editItem) {
            // Cancelled: the label stays as it was and is not editable any more.
            QTreeWidgetItem *item = m_editItem;
            m_editItem = nullptr;
            item->setFlags(item->flags() & ~Qt::ItemIsEditable);
        }
    });
    connect(lsCod, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem *item) { lsCod_Click(item); });
    connect(stTab->tabBar(), &QTabBar::tabBarClicked, this, [this](int index) {
        if (index >= 0 && !busy())
            SetFrame(index + 1);
    });
}

void uTrX::buildFindPane()
{
    frFind = new QWidget;
    cmbFind = new QComboBox;
    cmbFind->setObjectName(QStringLiteral("cmbFind"));
    cmbFind->setEditable(true);
    cmbFind->setInsertPolicy(QComboBox::NoInsert);
    cmFind = new QPushButton(QStringLiteral("検索"));
    cmFind->setObjectName(QStringLiteral("cmFind"));
    lsFind = new QListWidget;
    lsFind->setObjectName(QStringLiteral("lsFind"));
    auto *row = new QHBoxLayout;
    row->addWidget(cmbFind, 1);
    row->addWidget(cmFind);
    QVBoxLayout *layout = paneLayout(frFind);
    layout->addLayout(row);
    layout->addWidget(lsFind, 1);
    stTab->addTab(frFind, QStringLiteral("検索"));
    stTab->setTabToolTip(1, QStringLiteral("指定文字を含む文書を検索"));

    // Keys typed into the box reach the box itself (its line edit's focus proxy), which hands them
    // to the line edit without its filters; both are watched so that Enter always searches.
    cmbFind->installEventFilter(this);
    cmbFind->lineEdit()->installEventFilter(this);
    connect(cmbFind, &QComboBox::activated, this, [this] {
        if (!busy())
            FindDoc();
    });
    connect(cmFind, &QPushButton::clicked, this, [this] {
        if (!busy())
            FindDoc();
    });
    connect(lsFind, &QListWidget::itemClicked, this, &uTrX::lsFind_Click);
}

void uTrX::buildRecentPane()
{
    frRcnt = new QWidget;
    lsRsnt = new QListWidget;
    lsRsnt->setObjectName(QStringLiteral("lsRsnt"));
    cmClrRsnt = new QPushButton(QStringLiteral("履歴のｸﾘｱ"));
    cmClrRsnt->setObjectName(QStringLiteral("cmClrRsnt"));
    QVBoxLayout *layout = paneLayout(frRcnt);
    layout->addWidget(lsRsnt, 1);
    layout->addWidget(cmClrRsnt);
    stTab->addTab(frRcnt, QStringLiteral("履歴"));
    stTab->setTabToolTip(2, QStringLiteral("最近表示した文書"));
    connect(lsRsnt, &QListWidget::itemClicked, this, &uTrX::lsRsnt_Click);
    connect(cmClrRsnt, &QPushButton::clicked, lsRsnt, &QListWidget::clear);
}

void uTrX::StSize()
{
    // The tab strip fills the control through its layout.
    if (layout())
        layout()->activate();
}

void uTrX::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (Usr::st().runTime && !busy()) {
        StSize();
        SetFrame(m_pane, true);
    }
}

int uTrX::SetFrame(int iTb, bool bRsz)
{
    m_picker = iTb < 0;
    if (iTb < 0) {
        // The picker has no recent pane; a second request must not remove another tab.
        if (stTab->count() == 3)
            stTab->removeTab(2);
        iTb = 1;
    } else if (iTb != 0) {
        m_pane = iTb;
    } else {
        if (m_pane == 0)
            m_pane = 1;
        iTb = m_pane;
    }
    if (iTb < 1 || iTb > stTab->count())
        return iTb;
    QString hint;
    if (iTb == 1) {
        layoutTreePane();
        hint = QStringLiteral("左のﾂﾘｰでﾍﾟｰｼﾞを指定して下さい");
    } else if (iTb == 2) {
        hint = QStringLiteral("文書全体に検索文字を含む文書を探します");
    } else {
        m_suppress = true;
        if (lsRsnt->count() > 0)
            lsRsnt->setCurrentRow(lsRsnt->count() - 1);
        m_suppress = false;
        hint = QStringLiteral("最近表示したﾍﾟｰｼﾞをﾘｽﾄしました");
    }
    if (!bRsz) {
        emit eFmMsg(hint);
        stTab->setCurrentIndex(iTb - 1);
        focusPane(iTb);
        if (iTb != 2)
            m_findWords.clear();
    }
    return iTb;
}

void uTrX::layoutTreePane()
{
    if (m_listMode) {
        lsCod->show();
        const int h = qMax(1, m_split->height() / 2);
        m_split->setSizes({h, h});
    } else {
        lsCod->clear();
        lsCod->hide();
    }
}

void uTrX::focusPane(int iTb)
{
    if (iTb == 1)
        trView->setFocus();
    else if (iTb == 2)
        cmbFind->setFocus();
    else
        lsRsnt->setFocus();
}

int uTrX::iTabNo() const
{
    return stTab->currentIndex() + 1;
}

QString uTrX::SlctdKy() const
{
    return keyOf(trView->currentItem());
}

void uTrX::SetTmpKy()
{
    if (QTreeWidgetItem *current = trView->currentItem())
        m_tmpKey = keyOf(current);
}

bool uTrX::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    const bool mouseEvent = type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick
                            || type == QEvent::MouseButtonRelease;
    if (mouseEvent && (watched == trView->viewport() || watched == lsCod->viewport())) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        // The context menu works on the node shown, so the right button does not select.
        if ((type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick)
            && mouse->button() == Qt::RightButton)
            return true;
        if (type == QEvent::MouseButtonRelease && !busy()) {
            if (mouse->button() == Qt::RightButton)
                emit eRightClick(watched == trView->viewport());
            else if (watched == trView->viewport())
                treeReleased(mouse);
        }
    } else if (watched == trView && type == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        const bool plain = (key->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier)) == 0;
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && plain && !m_editItem && !busy()
            && trView->currentItem()) {
            SlctNd(trView->currentItem());
            return true;
        }
    } else if ((watched == cmbFind || watched == cmbFind->lineEdit()) && type == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (!busy())
                FindDoc();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void uTrX::treeReleased(QMouseEvent *event)
{
    // A release on a node's label chooses it; one on the expand arrow or on the
    // empty area below the nodes only opens or closes.
    QTreeWidgetItem *item = trView->itemAt(event->position().toPoint());
    if (!item || item != trView->currentItem())
        return;
    const QRect label = trView->visualItemRect(item);
    if (event->position().x() < label.left())
        return;
    SlctNd(item);
}

void uTrX::SlctNd(QTreeWidgetItem *item)
{
    if (!item || item == m_newNode)
        return;   // the unsaved new page is already the one being edited
    const QString key = keyOf(item);
    bool cancel = false;
    emit eChkMove(&cancel);
    if (m_listMode) {
        if (cancel) {
            // The page shown stays: so does its node, and the keyboard stays where the host puts it.
            emit eFmMsg(QStringLiteral("新規ﾍﾟｰｼﾞを編集して下さい"));
            selectOnly(m_newNode ? m_newNode : node(m_tmpKey));
            return;
        }
        if (m_newItem) {
            emit eFmMsg(Discarded);
            m_newItem = false;
        }
        ShwNdDoc(node(key));
        return;
    }
    if (cancel) {
        selectOnly(m_newNode ? m_newNode : node(m_tmpKey));
        return;
    }
    if (m_newNode) {
        emit eFmMsg(Discarded);
        DelNewNd(m_newNode);
        m_newNode = nullptr;
    }
    ShwNdDoc(node(key));
}

void uTrX::onExpanded(QTreeWidgetItem *item)
{
    const bool listPage = imageOf(item).endsWith(QLatin1String("cod"));
    if (item->childCount() == 0 && !listPage)
        SetNodes(keyOf(item));
    if (item->childCount() == 0) {
        // Nothing to open: a page without children keeps the leaf look.
        item->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
        if (!listPage)
            SetNdImg(item, 0);
        trView->collapseItem(item);
        return;
    }
    SetNdImg(item, 2);
}

void uTrX::onCollapsed(QTreeWidgetItem *item)
{
    if (item->childCount() > 0)
        SetNdImg(item, 1);
}

void uTrX::StratEdt()
{
    QTreeWidgetItem *item = trView->currentItem();
    if (!item)
        return;
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    m_editItem = item;   // after the flag change, which the tree also reports as a change
    trView->editItem(item, 0);
}

void uTrX::onItemChanged(QTreeWidgetItem *item, int column)
{
    if (column != 0 || !item || item != m_editItem)
        return;
    m_editItem = nullptr;
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    labelEdited(item);
}

void uTrX::labelEdited(QTreeWidgetItem *item)
{
    // A name of several lines (pasted into the box) is one line, on the node too.
    const QString line = HtmMoji::oneLine(item->text(0));
    if (line != item->text(0))
        item->setText(0, line);
    QString title = line.trimmed();
    HtmMoji::T_HtmMoji(title);
    if (title.isEmpty() || keyOf(item).startsWith(u'X'))
        return;   // a tag node has no placement row of its own
    QString parent, page;
    bool link = false;
    GetPrCdNo(parent, page, link, keyOf(item));
    qint64 p = 0, c = 0;
    if (!TreeDb::pageNumber(parent, &p) || !TreeDb::pageNumber(page, &c))
        return;
    if (TreeDb::updateTitle(p, c, title))
        TreeDb::stamp(p, c);
}

#pragma once

#include <QHash>
#include <QStringList>
#include <QWidget>

#include "tree/TreeDb.h"

#include <functional>

class QComboBox;
class QListWidget;
class QListWidgetItem;
class QMenu;
class QMouseEvent;
class QPushButton;
class QResizeEvent;
class QSplitter;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;

// The page-tree control: the placements of the open database as a tree, with a
// find pane, a recent-pages pane and, under the tree, the child list of a
// list-mode page. Hosts drive it through its public members and hear from it
// only through its five signals; connect eChkMove directly, its answer counts.
//
// Nodes are known by their keys ("N<serial>-<page>", "L..." link, "X..." tag,
// "NewNode"), never by their position, so removing or moving nodes cannot make
// a remembered node point at another one.
class uTrX : public QWidget
{
    Q_OBJECT
public:
    // Item data of the tree's nodes (column 0).
    static constexpr int KeyRole = Qt::UserRole;
    static constexpr int ImageRole = Qt::UserRole + 1;

    explicit uTrX(QWidget *parent = nullptr);
    ~uTrX() override;

    // --- frame ---
    void StSize();
    // Shows pane iTb (1 tree, 2 find, 3 recent; 0 the current one; negative:
    // picker mode, tree pane without the recent tab) and returns the pane shown.
    // With bRsz only the layout is redone.
    int SetFrame(int iTb, bool bRsz = false);
    QString SlctdKy() const;
    void SetTmpKy();
    int iTabNo() const;

    // --- nodes ---
    // Loads the children of the node with key sKy ("0": the top level); with
    // bShwRt first adds the root node "N-0". Returns the key of the last node
    // added, sKy when none was.
    QString SetNodes(const QString &sKy, bool bShwRt = false);
    // Chooses the first node as if clicked; false when the tree is empty.
    bool RootSelect();
    void ClearItem(bool bNsrt = false);
    void RefreshTree();
    void TagTree(const QString &sSz, const QString &sNo);
    void StratEdt();

    // --- new nodes, titles, order ---
    // Adds the unsaved node "NewNode" before (0), after (1) or under (2) the
    // selected node; returns its title ("" when nothing was added).
    QString trNew(int iJb, const QString &sSz = QString());
    // True when trNew has a place for a new node: the tree is empty or a node is selected.
    bool trCanNew() const;
    // After a page save: cleans sSz in place and carries it into the nodes and
    // placements of page nNo, or turns "NewNode" into a placement. False when a
    // placement could not be written (the host undoes the page's row then).
    bool UdtNd(QString &sSz, const QString &sSzB, qint32 nNo);
    // The first save of a new page: turns the unsaved node (or child-list item)
    // into the placement of page nNo. False, after telling the user, when there
    // is no unsaved node to place it at or its placement could not be written.
    bool trPlaceNew(QString &sSz, qint32 nNo);
    // A host that writes the rows of UdtNd, trPlaceNew or PlaceAgain inside its
    // own transaction holds the changes of the nodes until it knows how the
    // transaction ended: they are made after a commit and dropped after a
    // rollback, so that the tree never shows what the database does not hold
    // (a new page whose save failed stays the unsaved one).
    void holdNodeChanges();
    void releaseNodeChanges(bool committed);
    // Places page nNo again where the node (or child-list item) of page nOld
    // shows it, after the page was deleted elsewhere: the selected one, or the
    // one the page was loaded from while the selection moves on; the node takes
    // the number nNo. With no node selected (a refresh went past the deletion and
    // took its node) the page goes to the end of the top level, under a node of
    // its own. False, after telling the user, when no node shows the page or
    // nothing could be written.
    bool PlaceAgain(qint32 nOld, qint32 nNo, const QString &sSz);
    // Places page nNo, saved while no path from the top reaches it (a page above
    // it went elsewhere), at the end of the top level; its node goes there and
    // the user is told. False, after telling the user, when nothing could be written.
    bool PlaceAtTopEnd(qint32 nNo, const QString &sSz);
    void trSort();
    void GetPrCdNo(QString &sNoP, QString &sNoC, bool &bLnk, const QString &sNdKy = QString()) const;

    // --- locating and removing ---
    void SetLeaf(const QString &sDno);
    QString sGetLeaf() const;
    // Deletes the placement of node sKyD, or of the selected node after asking
    // (sMsg is put before the question and receives the whole text).
    void trNdDL(const QString &sKyD, QString &sMsg);

    // --- editing (uTrXEdit.cpp) ---
    // Places page sNo (or, for "*", empty or 0, clip entry iMn) after the
    // selected node or into the unsaved new node. A cut placement of the page
    // goes only once the new one is written. sSz is cleaned in place.
    void trIns(int iMn, QString &sSz, QString sNo);
    void trCopy(bool bCut);
    void trChkDcm(bool &bNewDc, bool &bCanMvPrv, bool &bCanMvNxt, bool &bCord) const;
    void trMove(bool bNxt);
    void SetActImg(const QString &sPr, const QString &sNo, bool bCd);
    void ChkSlcNd();
    void GetNodeText(QString &sSz) const;
    // The clip list as a menu for the hosts: one action per entry, newest
    // first; choosing one pastes it (trIns(i, caption, "*")).
    QMenu *mnClp() const { return m_mnClp; }
    // Page numbers of the clip list, newest first.
    QList<qint32> clipPages() const { return m_clip.mid(0, m_clipCount); }

    // --- home placement, marks, refresh, expansion (uTrXHome.cpp) ---
    void StOrgn(bool bOrg);
    void HogoNode(bool bHg);
    void HideNode(bool bHd);
    void ChkHideNode(bool &bHide) const;
    void RefreshNd(const QString &sTxt, QString &sNoC);
    void RefreshDcNd(const QString &sDno);
    void GetExPndNds(QString &sExp, QString &sAct) const;
    void SetExPndNds(QString sExp, QString sAct);

    // --- find and recent ---
    void SetRcnt(const QString &sNo, const QString &sTx);
    void SetRcntLst(const QString &sCp, const QString &sTp, const QString &sQ);

    // --- child list ---
    void cdNew();
    void cdDel();
    void CngCod();
    void CngCod(bool vCd);

    bool listMode() const { return m_listMode; }
    bool hasNewNode() const { return m_newNode != nullptr; }
    // Removes the unsaved new node, without showing another page: the host shows
    // a page other than the new one (from a tag, the find or the recent list),
    // and a node left behind would take that page's next save as its placement.
    void dropNewNode();

signals:
    void eFmMsg(const QString &sMsg);
    // iJb: 0 page node or child-list item, 1 tag node, 2 find or recent entry, 3 nothing selected.
    void eSetDoc(const QString &sNoP, const QString &sNo, const QString &sSz, int iJb, bool bHg);
    void eFndWd(const QString &sFnd);
    // Set *bCancel to keep the page that is shown.
    void eChkMove(bool *bCancel);
    void eRightClick(bool bTrv);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    // uTrX.cpp: frame and events
    void buildFrame();
    void buildFindPane();
    void buildRecentPane();
    void layoutTreePane();
    void focusPane(int iTb);
    void SlctNd(QTreeWidgetItem *node);
    void treeReleased(QMouseEvent *event);
    void onExpanded(QTreeWidgetItem *node);
    void onCollapsed(QTreeWidgetItem *node);
    void onItemChanged(QTreeWidgetItem *node, int column);
    void labelEdited(QTreeWidgetItem *node);
    static bool busy();

    // uTrXNodes.cpp: keys, images, loading
    static QString GetKyNo(const QString &key);
    QString MkNdKy(const QString &prefix, const QString &page);
    static QString keyOf(const QTreeWidgetItem *node);
    static QString imageOf(const QTreeWidgetItem *node);
    QString parentPage(const QTreeWidgetItem *node) const;
    QString GetNdId(const QTreeWidgetItem *node) const;
    static QString GetNdImg(const QString &prefix, qint64 page, bool listMode);
    static QString imageFor(const QString &prefix, bool listMode, bool hasChildren);
    void setImage(QTreeWidgetItem *node, const QString &image);
    void SetNdImg(QTreeWidgetItem *node, int mode);
    void fixParentImage(QTreeWidgetItem *parent);
    QTreeWidgetItem *node(const QString &key) const;
    QTreeWidgetItem *makeNode(const QString &key, const QString &text, const QString &image);
    void rekey(QTreeWidgetItem *node, const QString &key);
    void removeNode(QTreeWidgetItem *node);
    void forget(QTreeWidgetItem *node);
    void removeAllNodes();
    void ClrChNds(QTreeWidgetItem *node);
    QList<QTreeWidgetItem *> siblings(QTreeWidgetItem *parent) const;
    void GetExpLst(QTreeWidgetItem *node, QString &list) const;
    void SetExpLst(QTreeWidgetItem *node, const QString &list, QStringList &path);
    void selectOnly(QTreeWidgetItem *node);
    QStringList homeChain(const QString &page) const;

    // uTrXNew.cpp: new nodes, titles, order
    bool trUdtNd(const QString &sSz, const QString &sSzB, qint32 nNo);
    bool saveNewNode(const QString &sSz, qint32 nNo);
    bool placeAtTop(qint32 nNo, const QString &sSz);
    // The placement of page nNo after every other one at the top level; false, told, when not written.
    bool writeAtTopEnd(qint32 nNo, const QString &sSz);
    // A node of its own for page nNo at the top level's end, selected unless another node is.
    void addTopNode(qint32 nNo, const QString &sSz, bool always = true);
    // Whether `parent` still stands in the tree, asked inside the write's transaction: a parent that
    // another user or the other edit window deleted meanwhile would hide a page placed under it for
    // good. False, told, when the database could not be read.
    bool parentStands(qint64 parent, qint64 page, bool *stands);
    // A saved page whose parent went: its node goes to the top level's end, where it was written
    // (still the selected one when it was).
    void moveToTopEnd(QTreeWidgetItem *node);
    // The same for a page saved from the child list of a page that went.
    void leaveListForTop(QTreeWidgetItem *listItem, qint32 nNo, const QString &sSz);
    void tellPlacedAtTop();
    // After a rebuild: the unsaved new node again at position `at` under the
    // placement `parentId` ("" the top level; the top level's end when it is gone).
    void putBackNewNode(const QString &parentId, int at, const QString &title);
    void DelNewNd(QTreeWidgetItem *node);
    // Removes a node that stands for no placement; its siblings' order is written later.
    void takeNode(QTreeWidgetItem *node);
    void SetSrtPr(QTreeWidgetItem *node);
    void writeOrderOf(const QString &parentKey, qint64 parentPageNo);
    // Runs `change` of the nodes now, or after the host's commit while it holds them.
    void afterCommit(const std::function<void()> &change);
    void reportFailedInsert();
    void reportFailedWrite(const QString &message);

    // uTrXList.cpp: showing a page, child list
    void ShwNdDoc(QTreeWidgetItem *node);
    void SetCdLst(const QString &sKy);
    void lsCod_Click(QTreeWidgetItem *item);
    bool UdtCdItm(const QString &sSz, const QString &sSzB, qint32 nNo);
    void setListModeOf(bool on);
    QTreeWidgetItem *listItem(const QString &key) const;

    // uTrXEdit.cpp: editing
    QTreeWidgetItem *placeNode(const QString &key, const QString &text, const QString &image);
    bool refusePaste(qint64 parent, qint64 page) const;
    bool writePaste(qint64 parent, qint64 page, const QString &title, bool link, const QString &cutId);
    TreeDb::Place pasteOnce(qint64 parent, qint64 page, const QString &title, bool link, const QString &cutId,
                            bool *retry, bool *cutGone);
    QString cutIdOf(const QString &page) const;
    void dropCut(const QString &id);
    void removePlacementNodes(const QString &id, const QTreeWidgetItem *keep = nullptr);
    bool placementParent(const QTreeWidgetItem *item, qint64 *parent) const;
    void fillClipMenu();

    // uTrXHome.cpp
    void refreshImage(QTreeWidgetItem *item, const QString &parent, const QString &page);
    QString pathFromDb(const QString &page, QString &sAct) const;

    // uTrXFind.cpp: find and recent
    void FindDoc();
    void lsFind_Click(QListWidgetItem *item);
    void lsRsnt_Click(QListWidgetItem *item);
    bool stillPlaced(QListWidgetItem *item);
    void dropListedPage(int page);
    static QString fullWidthDigits(int n);

    QTabWidget *stTab = nullptr;
    QWidget *frTree = nullptr;
    QWidget *frFind = nullptr;
    QWidget *frRcnt = nullptr;
    QSplitter *m_split = nullptr;
    QTreeWidget *trView = nullptr;
    QTreeWidget *lsCod = nullptr;
    QComboBox *cmbFind = nullptr;
    QPushButton *cmFind = nullptr;
    QListWidget *lsFind = nullptr;
    QListWidget *lsRsnt = nullptr;
    QPushButton *cmClrRsnt = nullptr;

    int m_pane = 0;
    bool m_picker = false;
    bool m_listMode = false;
    bool m_suppress = false;
    // The recent pane lists the pages placed nowhere (a viewing window's tree), not the pages opened.
    bool m_rcntUnplaced = false;
    bool m_newItem = false;
    QString m_tmpKey;
    QString m_curItemKey;
    QString m_findWords;
    QStringList m_findHistory;
    QStringList m_pendingOrder;   // keys of parents whose children's order must be written; "" top level
    int m_serial = 0;
    int m_nextOrder = 100;
    QList<qint32> m_clip;
    int m_clipCount = 0;
    QString m_cutList;            // placement ids "parent-page," of cut nodes
    QMenu *m_mnClp = nullptr;
    QStringList m_clipTitles;
    QTreeWidgetItem *m_newNode = nullptr;
    bool m_holding = false;
    QList<std::function<void()>> m_held;
    QTreeWidgetItem *m_editItem = nullptr;
    QHash<QString, QTreeWidgetItem *> m_byKey;
};

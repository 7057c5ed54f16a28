#pragma once

#include <QDialog>
#include <QPointer>

class QCheckBox;
class QHBoxLayout;
class QLabel;
class QListWidget;
class QPushButton;
class uTrX;

// The bulk window: copies (as links or as new pages), moves or deletes the
// ticked children of one page in a single step. Mode 0 "from here" (ActS),
// 1 "to here" (ActG), 2 delete (ActD). The operations run through TreeBulk,
// each in one transaction. The window is reused: hiding after an operation
// keeps its own tree, cancelling or closing drops it.
class sbTrRet : public QDialog
{
    Q_OBJECT
public:
    explicit sbTrRet(QWidget *parent = nullptr);

    // Open modally on the caller's tree; afterwards the links are normalised
    // and the caller's tree is rebuilt, whatever happened in the window.
    void ActS(uTrX &xTr);
    void ActG(uTrX &xTr);
    void ActD(uTrX &xTr);

    // The opening without exec(): false (after telling the user) when there is
    // nothing to show.
    bool Open(int mode, uTrX &xTr);
    // A press of button i: 0 link copy (delete in mode 2), 1 new copy, 2 move, 3 cancel.
    void cmRet_Click(int i);
    void RefreshTrX(bool bForce);
    // Fills the check list with the children of the placement (sNoP, sNo); false when there are none.
    bool SetChkLst(const QString &sNoP, const QString &sNo);
    // The ticked pages as "12,34,56".
    QString checkedList() const;

    int mode() const { return m_mode; }
    uTrX *ownTree() const { return m_tree; }

    void reject() override;

private:
    void buildFrame();
    void setMode(int mode);
    void onOwnSetDoc(const QString &sNoP, const QString &sNo, int iJb);
    bool confirmLink(const QString &sNoP, const QString &sNo);
    void trLnkLst(int first, QString &list);
    void trNewLst(int first, QString &list);
    void trMovLst(int first, QString &list);
    void trDelLst(QString &list);
    void refreshCaller(const QString &page);
    void finishAct(uTrX &xTr);

    QPointer<uTrX> m_xTr;
    int m_mode = 0;
    QString sSrcP;
    QString sSrcC;
    QString sDstC;
    bool bTrLd = false;
    QString sDbNm;

    QPushButton *cmRet[4] = {};
    QCheckBox *chLnk = nullptr;
    QPushButton *lbRet = nullptr;
    QLabel *Label1 = nullptr;
    QListWidget *trView = nullptr;
    uTrX *m_tree = nullptr;
    QHBoxLayout *m_row = nullptr;
};

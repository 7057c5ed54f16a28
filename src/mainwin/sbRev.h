#pragma once

#include <QDialog>

class QAction;
class QSplitter;
class uTrg;
class uTxm;
class EditorServices;

// The reverse look-up window: pages found by their text, where each is used
// (the where-used tree), and a read-only view of the chosen page in which tags
// can be followed. It stores nothing in the database.
class sbRev : public QDialog
{
    Q_OBJECT
public:
    explicit sbRev(QWidget *parent = nullptr, EditorServices *services = nullptr);
    ~sbRev() override;

    // Opens the window modally and returns when it is closed.
    void Act();
    // The opening without the modal loop.
    void open();
    void fnMenu(int iMenu, int iNdx);
    // Shows page sNo (a page number, or "parent_page" of a tag to a link placement).
    void ShwDoc(const QString &sNo, const QString &sWd);
    void followLink(QString &sTyp, QString &sCpt, QString &sLnk);

    uTrg &tree() const { return *m_trg; }
    uTxm &editor() const { return *m_txm; }
    QSplitter &splitter() const { return *m_split; }
    QAction *fileItem(int index) const { return index >= 0 && index < 5 ? m_items[index] : nullptr; }
    qint32 shownPage() const { return nShwNo; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void done(int result) override;

private:
    void SetMnEnb(int state);
    void IniWindow(bool save);
    void unload();

    QSplitter *m_split = nullptr;
    uTrg *m_trg = nullptr;
    uTxm *m_txm = nullptr;
    QAction *m_items[5] = {};
    qint32 nShwNo = 0;
    int iMnSt = -1;
    bool m_open = false;
};

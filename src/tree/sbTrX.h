#pragma once

#include <QDialog>

class PageDocument;
class QAction;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QMenu;
class QMenuBar;
class RichTextEdit;
class RichView;
class uTrX;

// A page tree beside a read-only view of the page chosen in it. Three openings:
// Act, the modal page picker (one shared instance, picker()); ActS, the modeless
// viewer of another page (one per editor, viewerFor()); ActR, a modeless context
// view. The window reads pages and writes nothing to the database. Select and
// close only hide it, so its tree and zoom survive until the next opening.
class sbTrX : public QDialog
{
    Q_OBJECT
public:
    explicit sbTrX(QWidget *parent = nullptr);
    ~sbTrX() override;

    // The program's one picker, created on first use as a child of the main window.
    static sbTrX &picker();
    // Chooses a page with the shared picker: true with sNo (page, or in tag mode
    // "parent_page" for a link placement) and sSz (title, or in tag mode the tag
    // text) when the user selected one; false with both empty when closed.
    // In tag mode sSz is, on entry, the caller's selected text.
    static bool pick(const QString &caption, QString &sNo, QString &sSz, bool tagMode);
    // The viewer window of `owner` (an editor control), created on first use.
    static sbTrX &viewerFor(QWidget *owner);
    // Closes and deletes the viewer of `owner`, when it has one.
    static void dropViewerOf(QWidget *owner);

    void Act(const QString &sCp, QString &sNo, QString &sSz, bool bTg);
    void ActS();
    void ActR(qint32 nNo);

    // Menu items: 0 select, 1 close (menu bar and tree popup alike).
    void mnJb_Click(int index);
    void mnDspF_Click(int index);
    void LoadTrX();
    void setZoomIndex(int index);
    // The viewer's copy menu: 0 selection, 1 whole page, 2 whole page as plain text.
    void copyItem(int index);

    int mode() const { return iMode; }
    int treeMode() const { return iTree; }
    uTrX &tree() const { return *m_tree; }
    RichView &view() const { return *m_view; }
    RichTextEdit &edit() const { return *m_edit; }
    QCheckBox &selTextBox() const { return *chTgHg; }
    QLineEdit &tagBox() const { return *txTag; }
    QComboBox &zoomList() const { return *cbZoom; }
    QAction *selectItem() const { return m_select; }
    QMenu *copyMenu() const { return m_copyMenu; }
    QString shownPage() const { return sSlNo; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    void buildFrame();
    bool beginModeless(int mode, const QString &caption, int editMode);
    void showModeless();
    void unplacedList();
    void onSetDoc(const QString &sNoP, const QString &sNo, const QString &sSz, int iJb);
    void chTgHg_Click();
    void SetLayout();
    void IniWindow(bool save);
    void clearView();
    void closeBox();

    uTrX *m_tree = nullptr;
    PageDocument *m_page = nullptr;
    RichTextEdit *m_edit = nullptr;
    RichView *m_view = nullptr;
    QComboBox *cbZoom = nullptr;
    QCheckBox *chTgHg = nullptr;
    QLineEdit *txTag = nullptr;
    QMenuBar *m_bar = nullptr;
    QAction *m_select = nullptr;
    QAction *m_dspF[3] = {};
    QMenu *m_pop = nullptr;
    QMenu *m_copyMenu = nullptr;

    int iMode = 0;
    QString sCap;
    bool bTgMd = false;
    QString sSelTx;
    QString sNdTx;
    QString sSlNo;
    QString sSlNoP;
    QString sSlSz;
    QString sExp;
    QString sAct;
    bool bSlct = false;
    int iTree = 0;
    bool bLoading = false;
    bool bTrLd = false;
    QString m_source;   // database the tree was loaded from
};

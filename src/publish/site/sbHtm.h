#pragma once

#include <QDialog>
#include <QString>

#include <functional>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QTextBrowser;

// "Htm一括出力の指定": the form of the site (menu tree or frames), the page layout, the FTP tool
// and its sync name, the Home URL with the alternate-URL switch, the emptying of the output
// folder and the first page's file name. The choices are kept in the database's settings row;
// the site writer is told what to do.
class sbHtm : public QDialog
{
    Q_OBJECT
public:
    struct Choice {
        int iRet = 0;      // 0 nothing, 1 site with the menu tree, 2 site with frames, 3 the FTP run only
        QString sTpNm;     // first page's file name with extension, "" = numbered
        bool bDel = false; // empty the output folder first
        int iFtp = 0;      // 0 none, 1 the sibling FTP tool, 2 FFFTP
        QString sSync;     // sync name
        int iLout = 0;     // 0 fixed, 1 variable, 2 liquid
    };

    explicit sbHtm(QWidget *parent = nullptr);

    // Shows the dialog for the output folder `sPh` and stores what was chosen.
    static void Act(const QString &sPh, Choice &c, QWidget *parent = nullptr);

    // The dialog's menu items and buttons (menu item 0 output, 1 save and close, 2 FTP only,
    // 4 cancel; button 0 acts as item 0, button 1 as item 4).
    void mnRet(int index);
    void cmRet(int index) { mnRet(index == 0 ? 0 : 4); }
    // Set to 4 (cancel) before the dialog shows; closing it by its frame leaves that.
    int closeCode() const { return m_close; }
    // The first page's file name as typed, with the chosen extension; "" = numbered.
    QString firstPageName() const;

    QButtonGroup *opHmt() const { return m_hmt; }
    QButtonGroup *opLout() const { return m_lout; }
    QButtonGroup *opFtp() const { return m_ftp; }
    QLineEdit *txFtp() const { return m_txFtp; }
    QLineEdit *txHome() const { return m_txHome; }
    QCheckBox *chWeb() const { return m_chWeb; }
    QCheckBox *chDel() const { return m_chDel; }
    QLineEdit *txHtm() const { return m_txHtm; }
    QComboBox *cbKak() const { return m_cbKak; }
    QLabel *lbPath() const { return m_lbPath; }
    QLabel *lbMsg() const { return m_lbMsg; }
    QTextBrowser *Rtex() const { return m_rtex; }

    // Shows the dialog modally; tests replace it (and choose the items).
    using Runner = std::function<void(sbHtm &)>;
    static void setRunner(Runner runner);

private:
    void onHmt(int index);

    QButtonGroup *m_hmt = nullptr;
    QButtonGroup *m_lout = nullptr;
    QButtonGroup *m_ftp = nullptr;
    QLineEdit *m_txFtp = nullptr;
    QLineEdit *m_txHome = nullptr;
    QCheckBox *m_chWeb = nullptr;
    QCheckBox *m_chDel = nullptr;
    QLineEdit *m_txHtm = nullptr;
    QComboBox *m_cbKak = nullptr;
    QLabel *m_lbPath = nullptr;
    QLabel *m_lbMsg = nullptr;
    QTextBrowser *m_rtex = nullptr;
    int m_close = 4;
};

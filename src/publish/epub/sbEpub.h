#pragma once

#include <QDialog>
#include <QString>

#include <functional>

class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QTableWidget;
class QTextBrowser;

// The book data and options of an EPUB run, kept in the database's settings
// row so that the next run starts from them.
class sbEpub : public QDialog
{
    Q_OBJECT
public:
    struct Choice {
        int iRet = 0;         // 0 nothing, 1 all pages, 2 the page and its children, 3 the page and all below
        QString sNam;         // book file name without ".epub"; empty = the database's name
        bool bFld = false;    // open the folder afterwards
        QString sTtl, sUid, sCre, sPub;
        QString sRights;      // for this run only: the settings row has no place for it
        int yTbF = 0;         // fit tables to the page width
        int yNit = 0;         // no italic fonts
    };

    explicit sbEpub(QWidget *parent = nullptr);

    // Fills the dialog from the settings, shows it and stores what the user
    // chose (OK and "設定だけ保存"). `sPh` is the work folder, shown only.
    static void Act(Choice &c, const QString &sPh, QWidget *parent = nullptr);

    // Grid rows: 1 title, 2 id, 3 creator, 4 rights, 5 publisher, 6 home, 7 folder.
    QTableWidget *grid() const { return m_grid; }
    QButtonGroup *ranges() const { return m_out; }
    QCheckBox *tableBox() const { return m_table; }
    QCheckBox *italicBox() const { return m_font; }
    QCheckBox *folderBox() const { return m_fold; }
    QLineEdit *nameBox() const { return m_name; }
    QTextBrowser *help() const { return m_help; }
    QString GetCell(int column, int row) const;
    void SetCell(int column, int row, const QString &text);
    void ShowHelp(int row);
    // The buttons: 0 OK, 1 save only, 2 Cancel.
    void press(int index);
    int result() const { return m_result; }

    // An empty name (the database's) or a plain file name once ".epub" follows it.
    static bool bookNameOk(const QString &name);

    // Shows the dialog modally; tests replace it (and press the buttons).
    using Runner = std::function<void(sbEpub &)>;
    static void setRunner(Runner runner);

private:
    QTableWidget *m_grid = nullptr;
    QButtonGroup *m_out = nullptr;
    QCheckBox *m_table = nullptr;
    QCheckBox *m_font = nullptr;
    QCheckBox *m_fold = nullptr;
    QLineEdit *m_name = nullptr;
    QLabel *m_msg = nullptr;
    QTextBrowser *m_help = nullptr;
    int m_result = 2;
};

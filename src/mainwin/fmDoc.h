#pragma once

#include "core/Usr.h"
#include "mainwin/FkyHost.h"
#include "mainwin/PageStamp.h"
#include "mainwin/PageWrite.h"
#include "platform/db/DbFiles.h"

#include <QDateTime>
#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <QVector>

class EditorServices;
class sbDoc;
class QMenu;
class QSplitter;
class uFky;
class uTrX;
class uTxm;

// The main window: page tree on the left, page editor on the right, function-key
// bar below. It opens and closes the document database, loads and stores pages,
// and routes the menus and function keys to the tree and the editor.
class fmDoc : public QMainWindow, public MainWindowHost, public FkyHost
{
    Q_OBJECT
public:
    // `services` does the editor's page-byte and file work; nullptr uses the editor's own.
    explicit fmDoc(QWidget *parent = nullptr, EditorServices *services = nullptr);
    ~fmDoc() override;

    QWidget *widget() override { return this; }
    void SetDBNo(const QString &path, int pageNo) override;
    void SetPageNo(int pageNo);

    // --- settings and frame (fmDoc.cpp)
    void IniWindow(bool save);
    void ShowFky(bool show);
    void ShowStatus(const QString &text, int level);

    // --- dispatcher and menus (fmDocMenus.cpp, fmDocMenuActs.cpp)
    void fnMenu(int group, int index) override;
    QAction *menuItem(int group, int index) const override;
    QAction *item(const QString &array, int index) const;
    QMenu *menu(const QString &array) const;
    void SetFkyCap();
    void SetTreeMenuMode(bool normal);
    bool IsTreeMenuNormal() const;
    void SetMenuByDb(bool open);
    void menuClicked(const QString &array, int index);
    void enableTreeMenu();
    void enablePageMenu(int index);
    void enableTableMenu();
    void refreshMenus();
    // Disables for good the items whose editor command is not built yet.
    void markUnbuiltItems();

    // --- pages (fmDocPage.cpp)
    // False when the page could not be loaded; the page shown before stays current then.
    bool LoadPage(const QString &pageNo, const QString &title, int job, bool force);
    // True when it saved the page.
    bool ChkAutoSave(bool reset);
    bool ChkDbFormat();
    // Whether the file sFL is at least as new as page sNo's last save (false when either is
    // missing); sTitle receives the page's title.
    void ChkFileDate(const QString &sNo, const QString &sFL, bool &bNewer, QString &sTitle);
    // The save of the editor's page; false when nothing was written.
    bool SavePage();
    bool NewDocNo(); // false when no page number is left
    static QString TagList(class RichTextEdit &edit);
    // The first line of a page's text, at most 50 characters, as its title.
    static QString TitleFromText(const QString &text);
    bool leaveCurrentPage();

    // --- page commands (fmDocCommands.cpp)
    void NewPage(int job);
    void refuseNewPage();
    void CopyDocNext();
    // Reads a document file into the page (editor job 10), after a question on a page that is not new.
    void ReadDocFile();
    // Writes the page to the work folder's "Temp.docx" and opens it with the desktop's program for it;
    // an empty name takes that file.
    void SaveTempDoc(QString sFL = QString());
    void DeletePage();
    void RefreshAll();
    void ShowReferrers();
    QString DeleteMessage(const QString &key) const;

    // --- commands through the page picker (fmDocPicker.cpp)
    void CopyDocFrom();
    void InsOtherDoc();
    void TagInserted(qint32 &nNo, const QString &sTx);
    void linkExistingPage();

    // --- the second edit window and the reverse look-up (fmDocWindows.cpp)
    void openSecondWindow();
    // Closes the second edit window before the database changes; false when the user kept its page.
    bool closeSecondWindow();
    sbDoc *secondWindow() const { return m_second; }
    void reverseLookup();

    // --- database files (fmDocFiles.cpp)
    // Opens `path` or asks for one when it is empty; returns the path opened, "" when none.
    QString OpenDb(QString path);
    void CloseDb();
    void SaveDbAs();
    void NewDb();
    void SetRecentList();
    QStringList recentFiles() const;
    void openRecent(int index);
    QString SelectDbFile(bool save, const QString &title, const QString &initial);
    // False when the user kept the program running.
    bool ExitApp();
    // The open file deleted, moved away or replaced under the program. Before a write: true when
    // the write may go on (the file is in place, or the user saved the database elsewhere and it is
    // open there). Before a close: false when the user keeps the database open.
    bool keepLostFile();
    bool letGoLostFile();
    // Saves the open database from the file the program holds to a file the user chooses, and
    // goes on there; false when it did not.
    bool saveLostFileAs();
    void exitCommand();

    // --- output of page ranges (fmDocOutput.cpp)
    // The key list, outline numbers and page set of the range choice iRange (OutputRange); an empty
    // key list when there is nothing to output (ranges 1 and 2 without a selected page say so).
    void GetRangeKeys(QString &sKys, QString &sNos, QString &sSet);
    void outputCommand(const QString &array, int index); // the output menu's range items
    void DocOutput();
    void TextOutput();
    // The range as one Word document in the word processor (1 headers, 2 outline, 3 no pictures).
    void WordOutput(int iMode);
    // Every page of the database as a Word document beside the databases.
    void WordBackup();
    // The current page by mail: 0 with a PDF copy, 1 with a Word copy, 2 the text alone.
    void mailCommand(int index);
    // What the user is told when xdg-email answers `answer` (its exit code, -1 when it could not run).
    static QString mailFailureText(int answer, const QString &attachment);
    void ReviewPages(int range);
    // The range chosen in the EPUB options as one book under "ePub/" (fmDocEpub.cpp).
    void EpubOutput();

    // --- clean-up and compaction (fmDocClean.cpp)
    void cleanUpCommand();
    // `deleted` gets the number of pages deleted.
    QString CleanUnused(int *deleted = nullptr);
    bool MarkReachable(qint64 parent, QString &visited);
    bool CompactDb(bool keepCopy, QString message);
    // The compaction without its message: `message` gets the result line added (nothing when the
    // database is read-only or on a server, which is not compacted). `pagesDeleted`: the clean-up
    // before it deleted pages, which a refused compaction does not bring back.
    bool compactFile(bool keepCopy, QString &message, bool pagesDeleted = false);
    void optionsCommand();
    void associateCommand();

    // --- exchange with other document databases (fmDocExchange.cpp)
    void ExportDb();
    bool ImportDb(); // true when the import was done
    void importCommand();

    // --- the HTML site (fmDocHtm.cpp)
    // The whole tree as a web site: the options, the pages, the FTP run and the browser.
    void HtmOutput();
    // Frees the publishing right of the database for another computer, after a question.
    void ResetPubPc();

    // --- state
    int nDocNo = 0;
    QString sDbPath;
    QString sStartNo;
    bool bShwFky = true;
    int nIeWd = 1024;
    int nIeHi = 768;
    bool bDcS = true;
    bool bDbS = true;
    int iAsv = 0;
    QDateTime vLastSave;
    int nTopNo = 0;
    QString sTopTtl;
    int iTreeMode = 0;
    int iRange = 0; // range choice of the outputs: 0 all pages, 1 node and children, 2 node and below

    uTrX &tree() const { return *m_tree; }
    uTxm &editor() const { return *m_editor; }
    uFky &keys() const { return *m_fky; }
    QSplitter &splitter() const { return *m_split; }
    bool isLoaded() const { return m_loaded; }

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    friend class sbDoc;
    // `main`: the main window, which answers for the database file (a file taken away is asked
    // about by it alone, whichever window writes); the second window is not.
    fmDoc(QWidget *parent, EditorServices *services, bool main);
    void buildPanes();
    void connectTree();
    void connectEditor();
    void load();
    void restoreRecent();
    void setRecentItems(const QStringList &paths);
    void readPlace();
    void updateCaption();
    int twipsToPx(int twips, bool horizontal) const;
    int pxToTwips(int px, bool horizontal) const;
    QString relativeToUserData(const QString &path) const;
    QString fromUserData(const QString &path) const;

    void buildMenus();
    QMenu *addArray(QMenu *parent, const QString &array, const QString &caption, const char *const *rows);
    void addTopMenus();
    void setItemEnabled(const QString &array, int index, bool enabled);
    void setItemChecked(const QString &array, int index, bool checked);
    void headerFooter(const QString &array, int index);
    void previewSize(int index);
    void tableCommand(const QString &array, int index);
    void userCommand(int index);
    void pasteCommand(int index);
    void treeCommand(int index);
    void bulkCommand(int index);

    void onSetDoc(const QString &parent, const QString &page, const QString &title, int job, bool protectedNode);
    void onChkMove(bool *cancel);
    void onSaveDB();
    // The access layer's question before a write to a file taken away.
    bool lostFileWrite();
    void refuseLostWrites();
    void tellCopyFailed(const QString &target, DbFiles::Failure failure);
    // The current page as the database holds it now, noted when the window takes the page.
    void setPage(int pageNo, const PageStamp &stamp);
    // The row and the tree's share in one transaction; asks when someone else saved or deleted the page.
    bool writePage(const PageWrite::Row &row);
    bool placePage(PageWrite::Placement kind, qint64 page, QString title, const QString &oldTitle);
    void reportFailedSave(qint64 page);
    void onClckLink(QString &kind, QString &caption, QString &link);
    void onEdtCng(bool &edited);
    void queueMenuRefresh(); // once, after the events now waiting
    void menuClosed();
    void connectHtml();
    void onAskHtmHd();

    uTrX *m_tree = nullptr;
    uTxm *m_editor = nullptr;
    uFky *m_fky = nullptr;
    QSplitter *m_split = nullptr;
    QWidget *m_fkyPane = nullptr;
    EditorServices *m_services = nullptr;
    QHash<QString, QVector<QAction *>> m_items;
    QHash<QString, QMenu *> m_menus;
    QString m_dialogFolder;
    bool m_loaded = false;
    bool m_exiting = false;
    bool m_main = true;
    bool m_deleting = false;
    bool m_lastSaveOk = false;
    bool m_refreshQueued = false;
    bool m_lostRefused = false; // the user let the file taken away go: writes are refused unasked
    bool m_askingLost = false;
    // Undo, redo, cut, select all and paste reach the editor only while it has the focus.
    bool m_editorFocusTest = true;
    sbDoc *m_second = nullptr;
    QPointer<QWidget> m_keysBeforeMenu; // where the keyboard was when the menu bar took it
    PageStamp m_stamp;  // the current page as this window took it from the database
};

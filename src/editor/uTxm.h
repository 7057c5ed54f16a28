#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QPointer>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QVariant>
#include <QWidget>

#include <functional>
#include <memory>

class CoolBar;
class EditorServices;
class LoadWait;
class PageDocument;
class QComboBox;
class QFrame;
class QImage;
class QLabel;
class QLineEdit;
class QToolBar;
class QToolButton;
class RichTextEdit;
class RichView;
struct RichKeyArgs;
struct RichMouseArgs;
class sbTxm;

// The page editor: the rich-text editor with its bars, title box and status panel. A host switches
// it on with cOn, drives it by editor commands (rtAct) and the page members, and hears its events.
// Event arguments are references: a handler may change them (eEdtCng, eRtAct, eAskSavePh rely on it).
class uTxm : public QWidget
{
    Q_OBJECT
public:
    explicit uTxm(QWidget *parent = nullptr, EditorServices *services = nullptr);
    ~uTxm() override;

    int nTmpNo = 0;       // page now in the editor, put by the host
    bool bStrNo = false;  // open the last page at start-up

    // --- export: writes the page to vFL (asking with the dialog when empty) in the format of its
    // extension; true when written. bNoAct: no question to open the file afterwards.
    bool txSaveAs(QString &vFL, bool bNoAct);
    // What a failed export says: "ﾌｧｲﾙ: <file> に出力できませんでした｡"
    static QString exportFailedText(const QString &file);
    // The Word copy of the page that a save writes when asked to (job 87).
    QString wordCopyFile() const;
    // The folder of the open database's Word copies, "<user data>Dbs/<database>_Doc".
    static QString wordCopyFolder();
    // The Word copy a save of `page` writes there.
    static QString wordCopyOf(qint64 page);
    // The file, paste, picture, frame, format-copy and table commands (uTxmFiles.cpp, uTxmInsert.cpp):
    // the work the editor services hand back to the control. False for other codes.
    bool runContentJob(int iJb, const QVariant &vArg, bool &result);
    static bool isContentJob(int iJb);

    // --- life cycle (nHnd, the host's window handle, is of no use to a Qt widget)
    void cOn(qintptr nHnd, int iTy, const QVariant &vShwTt = QVariant(), const QVariant &vFmGrp = QVariant());
    void cOff();
    void cTyp(int iTy);
    bool isOn() const { return m_on; }
    int kind() const { return m_kind; }

    // --- commands
    void rtAct(int iJb, const QVariant &vArg = QVariant());
    // False while the work of command iJb, or of object popup item `index`, is not built yet
    // (PendingWork.h): every item that would run it is disabled.
    bool jobBuilt(int iJb) const;
    bool objectItemBuilt(int index) const;
    void rtActTL(int iJb);

    // --- page in and out
    // A page whose bytes cannot be read opens read-only with `sAltTx` (its stored plain text) shown.
    void SetData(const QByteArray &yDt, bool &bOk, bool bCpyNw = false, const QString &sAltTx = QString());
    void SetDcFL(const QString &sFL, bool &bOk, bool bCpyNw = false);
    void InsData(const QByteArray &yDt, bool &bOk);
    void ApndData(const QByteArray &yDt, bool &bOk);
    RichTextEdit *GetObj();
    void EndObj();
    void GetData(QByteArray &yDt, QString &sTx, QString &sTtl, bool &bOk);
    bool bHaveData() const;
    // The page document yDt, loaded into the editor and prepared as for a save, converted into the
    // HTML file sFL; sHd and sBd receive the page's head and the rest of the page.
    void GetHtm(const QByteArray &yDt, const QString &sFL, QString &sHd, QString &sBd, bool &bOk);
    void GetMTxt(QString &sTx, QString &sCp);
    // --- HTML output through the converter (HtmlBridge) and the page fields prepared for it
    // An export: the page's modified mark stays as it is.
    void SaveHtm(int iJb, bool &bOk, const QString &vFL = QString());
    // Browser preview (job 8): the page through the converter into the work folder's "$Wrk.htm",
    // shown by the desktop's browser; false when the page could not be written.
    bool T_ViewIE();
    void SaveXHtm(const QString &sFL, const QString &sSz, bool bPng);
    void txGetCssBd(const QString &sFL, QString &sCss, QString &sBdy, bool &bOk);
    void txCnvLnk(bool bDelFr, QString *vTgs = nullptr);
    void txAddLnk(int nNo);
    // The same on a page outside the editor (the subtree export and the Word output convert copies).
    static void txCnvLnk(RichTextEdit &edit, bool bDelFr, QString *vTgs = nullptr);
    static void txAddLnk(RichTextEdit &edit, int nNo);
    // Deletes field `id` and keeps its text, in the body format, as if it had never been a field.
    static void dropField(RichTextEdit &edit, int id);
    QString T_GetTpLst() const;
    static QString tipList(RichTextEdit &edit);
    void SetText(const QString &sTx);
    void FndWd(const QString &sWd);
    void ChkUdt(bool &bCancel);
    // True after a load that failed: the page shows its stored text read-only and is never saved by
    // the save policy.
    bool loadFailed() const { return m_loadFailed; }

    void setReadOnly(bool readOnly);
    QString SelTxt() const;
    void setSelTxt(const QString &text);
    int PageWdIn() const;
    bool bDcEdt() const { return m_modified; }
    // Sets the modified flag. True counts as an edit that an undo may not take back (the title, the
    // page setup, a file read in): the page stays modified until it is stored. False: the page is
    // what was last stored (or is given up).
    void setBDcEdt(bool edited);
    QString Title() const;
    void setTitle(const QString &title);

    // --- menu states
    void ChkJbMn0(bool &bExDoc, bool &bOvrw) const;
    void ChkJbMn1(bool &bUndo, bool &bRedo, bool &bCopy, bool &bPaste, bool &bExDoc, bool &bOvrw, bool &bTx,
                  bool &bPc, bool &bMt, bool &bLk, int &iRet) const;
    void ChkJbMn3(bool &bInHd, bool &bInTf, QString *vFdTyp = nullptr) const;
    void ChkJbMn5(bool &bShwGrd, bool &bInsTb, bool &bInsCL, bool &bInsRw, bool &bDelCL, bool &bDelRw,
                  bool &bSlcTb, bool &bSplTb, bool &bInHd, bool &bInTf, QString *vFdTyp = nullptr) const;
    void ChkJbMn6(bool &bInTf) const;
    void HeadFtMn(bool &bHdP, bool &bHdF, bool &bFtp, bool &bFtF) const;
    static void clipboardCheck(bool &bTx, bool &bPc, bool &bMt, bool &bLk, int &iRet);
    // Attribute `attribute` of the table cell at the caret; inTable false (value untouched) outside a
    // table. `extra`, when given, receives the start of the cell's text (1-based).
    void txCelAttr(int attribute, QVariant &value, bool &inTable, int *extra = nullptr);

    // --- styles and paragraphs
    // Applies user style 0-5 (or field look 6-8) to the paragraph at the caret or the selection.
    // `chosen`: the user's style command; the typing rules then leave the paragraph's style alone.
    void txStyle(int style, const QVariant &level, bool quiet, bool chosen = false);
    int styleAtCaret() const;      // user style 0-5 of the formatting at the caret
    // Gives the fields that touch [start, start + length) their kind's look again (start < 0: all).
    void txFldClr(int start, int length);
    bool isBodyAtCaret() const;
    int zoom() const;
    int viewMode() const;

    // --- the keys after a command the user chose (a menu item, its key, a function key, a button):
    // one that changed the page's text, or the format of what is typed next at the caret, gives the
    // keys to the page at the caret it left, wherever they were; one that changed nothing leaves them
    // where they were (also where it gave them to the page to do its work). It lives as long as the
    // command runs; commands inside it count as part of it.
    class Command
    {
    public:
        explicit Command(uTxm &editor);
        ~Command();
        Command(const Command &) = delete;
        Command &operator=(const Command &) = delete;

    private:
        uTxm &m_editor;
        quint64 m_changes;
        QPointer<QWidget> m_keys;  // where the keys were
        int m_caret;               // the caret with nothing selected, else -1
        QTextCharFormat m_typing;  // the format of what is typed next there
    };

    // --- popup menu and state refresh
    void PopRtf(int x, int y);
    // The popup menu at the caret, for the Menu key and Shift+F10.
    void popupAtCaret();
    // After a command's dialog: a desktop without a window manager gives the activation back to no
    // window, and the window's keys (access keys, F8) would do nothing. The editor's window takes it.
    void takeActivationBack();
    // Runs what was chosen in the editor popup menu (sbTxm::iRJb, vOpt).
    void runPopupChoice(int job, const QVariant &option);
    // The object popup menu of a picture or text frame: its item states, and the chosen item's work.
    void objectPopup(int objectId);
    bool objectMenuStates(int objectId);
    void objectMenuAct(int objectId, int index);
    void SetRtfMn();
    void RfrshBar();
    void txLayout(bool bands);

    // --- keys and mouse, as the editor view reports them; true when the key was taken
    bool keyDown(int key, bool shift);
    void typed();
    void keyUp(int key);
    void fieldClicked(int fieldId);
    void fieldDoubleClicked(int fieldId);
    void doubleClicked();

    // --- parts and settings
    RichTextEdit &edit() const { return *m_edit; }
    PageDocument &page() const { return *m_page; }
    EditorServices &services() const { return *m_services; }
    sbTxm &companion() const { return *m_form; }
    CoolBar &coolBar() const { return *m_clBar; }
    RichView *view() const { return m_view; }
    QLineEdit *titleBox() const { return m_title; }
    QLabel *statusPanel() const { return m_pnStatus; }
    QToolBar *toolBar() const { return m_tlBar; }
    QString updatePolicy() const { return m_policy; }
    void setUpdatePolicy(const QString &policy) { m_policy = policy; }
    QString imeSetting() const { return m_ime; }
    // The input method of the editor on (native input) or off (Latin input), as far as the desktop's
    // input method follows Qt's hints; T_GetIME tells what the editor last asked for.
    void txIME(bool &bIME);
    void T_GetIME(bool &bOpen) const;
    bool isBusy() const;
    void setBusy(bool busy) { m_busy = busy; }
    bool hasUndoSnapshot() const { return !m_snapshot.isEmpty(); }
    // Whether 元に戻す takes a step back: the page's own undo, or the snapshot of a command that
    // left nothing to undo.
    bool canUndo() const;
    bool wordCopy() const { return m_wordCopy; }
    int pictureLayout() const { return m_pictureLayout; }
    int pictureColour() const { return m_pictureColour; }
    // The character format that 書式のｺﾋﾟｰ holds for 書式の貼り付け, as text ("" before any copy).
    QString copiedFormat() const;
    bool barShown(int bar) const;
    bool rulersShown() const { return m_rulers; }
    QString currentFile() const { return m_currentFile; }
    void setCurrentFile(const QString &file) { m_currentFile = file; }
    int currentPart() const { return m_partNo; }

    // --- tidy and indent
    void T_JoinLn();
    void T_TrimBl();
    void T_ShowBar(int iBar);
    void T_Indent(int vMode, bool &bOk);
    void T_NewDoc(int iJb);
    void T_ImDlg();
    void T_GetInPos(int &nP1, int &nP2, int &nP3) const;

    // --- template members: data fields, frames and tables of the page by running number from 1
    void T_Start(const QString &sBmp); // sBmp names the template; nothing here needs it
    void T_End();
    QString TvCelVL(int iNo, int nRw, int nCL);
    void setTvCelVL(int iNo, int nRw, int nCL, const QString &text);
    void T_TxFrDt(int iTf, const QByteArray &yDt);
    void T_TxFdTx(int iFd, const QString &sTxt);
    void T_TxFdPc(int iFd, const QString &sPcFL);
    void T_CnvTG(QByteArray &yDt, const QString &sCnv);
    int templateTableCount() const { return m_templateTables.size(); }

signals:
    void eClckLink(QString &sTyp, QString &sCpt, QString &sLnk);
    void eSaveDB();
    void eAskSavePh(QString &sPh);
    void eUdtFld();
    void eEdtCng(bool &bEdit);
    void eRtAct(int &iJb);
    void eSaveAs(QString &sFL);
    void eAskHtmHd();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    friend class TxmFields; // the field routines share the field-at-caret rule
    void buildBars();
    QToolBar *buildToolBar();
    QToolBar *buildColourBar();
    void connectView();
    void viewKeyDown(RichKeyArgs &args);
    void viewMouseDown(RichMouseArgs &args);
    void viewMouseMoved(RichMouseArgs &args);
    void fillPickers();
    void pickerApply(bool foreground);
    void toolClicked(const QString &key);
    void txLoadSet(int mode);
    void writeSettings();
    void restoreBands(const QString &layout);
    void zoomStep(const QVariant &arg);
    void setZoom(int percent);
    void reloadThroughMemory();
    void takeSnapshot();
    bool restoreSnapshot();
    bool runWork(int iJb, const QVariant &vArg, bool &result);
    QString jobWork(int iJb) const;
    // File commands (uTxmFiles.cpp) and the commands that insert other content (uTxmInsert.cpp).
    bool runFileJob(int iJb, const QVariant &vArg, bool &result);
    bool T_ReadDcFL(bool bNoTmp, bool bIns);
    bool T_LoadDcFL(const QString &vFL, bool bIns);
    // The publication conversion of an export (links and tags for the published site); false when
    // there is no site to convert for. `kept`, when given, receives the page to put back afterwards.
    bool publicationConversion(RichTextEdit &edit, bool html, QByteArray *kept);
    bool exportPage(RichTextEdit &source, QString &vFL, bool bNoAct);
    bool saveHtmOf(RichTextEdit &source, int iJb, const QString &file);
    void T_FrameExport(int frame);
    void T_FrameRead(int part);
    bool T_InsTxFL();
    void T_DelEmpFd();
    void T_PreSave();
    bool runInsertJob(int iJb, const QVariant &vArg, bool &result);
    void T_Paste(const QString &sKind);
    void pasteKind(const QString &sKind);
    void T_PastePic(const QImage &picture);
    int pictureScale() const;
    bool T_PicIns(const QString &sFL);
    bool T_InsPicTool(int iTy);
    bool T_InsPicWmf();
    void T_InsFrame();
    bool T_InsIFrame();
    bool T_InsScript();
    void T_PicDraw();
    bool T_PicEdit(int objectId);
    bool T_ObjProps(int objectId);
    bool T_PicByTool(int width, int height); // the frame's size in twips
    void pictureFrameDrawn(int width, int height);
    void pasteDrawing();
    int printableWidth() const; // twips
    void insertMarkedFrame(const QString &marker, const QString &text, int colorRef);
    void T_CpyFmt(int iMode);
    void T_TblIns(const QString &sWhat);
    void T_TblSplit(const QString &sWhat);
    void T_TblDel(const QString &sWhat);
    void T_TblSlc(const QString &sWhat);
    bool runEditJob(int iJb, const QVariant &vArg);
    bool runFormatJob(int iJb, const QVariant &vArg, bool &result);
    void applyModifiedRule(int iJb, bool result, bool pageChanged);
    void runGrouped(const std::function<void()> &work);
    bool objectItemWork(int objectId, int index);
    bool savePolicyStep(bool withCancel, bool &cancelled);
    void leavePage(bool copyNew);
    void saveCommand();
    bool loadBytes(const QByteArray &bytes, int format, bool atCaret);
    bool loadWeighedBytes(const QByteArray &bytes, int format, bool atCaret);
    void leaveFailedLoad();
    void forgetPage();
    void showLoadedPage();
    void headerFooterToggle(int flag);
    void headerFooterFormat(bool header, bool font);
    void changeMark();
    void noteTextChange();
    bool noteChosenLook(int caret, const QTextCharFormat &before);
    bool typingInChosenLook() const;
    void keepAsStored();
    bool pageEdited() const;
    void markEdited(bool edited);
    void refreshEdited();
    void keepingEdits(const std::function<void()> &reload);
    void showStyle();
    void syncFromView();
    void syncToView();
    int fieldAtCaret() const;
    void fieldKindKey(int fieldId, QString &kind, QString &key) const;
    bool recordMatches(int record) const;
    void headingBreak(bool heading, bool &notAtStart);
    void isolateHeading();
    int styleAt(int position);
    void insertBreak(int code);
    QString neighbourFieldKind(int from, int step) const;
    static int txNthNo(const QString &list, int i);
    bool selectTemplateTable(int iNo, int &table);

    PageDocument *m_page = nullptr;
    RichTextEdit *m_edit = nullptr;
    EditorServices *m_services = nullptr;
    std::unique_ptr<EditorServices> m_ownServices;
    std::unique_ptr<LoadWait> m_pasteWait;
    sbTxm *m_form = nullptr;

    CoolBar *m_clBar = nullptr;
    QToolBar *m_tlBar = nullptr;
    QToolBar *m_frFmt = nullptr;
    QToolBar *m_vButton = nullptr;
    QWidget *m_vStatus = nullptr;
    QComboBox *m_imFcr = nullptr;
    QComboBox *m_imBcr = nullptr;
    QToolButton *m_cmFcr = nullptr;
    QToolButton *m_cmBcr = nullptr;
    QToolButton *m_cmTfm = nullptr;
    QWidget *m_vRuler = nullptr;
    QFrame *m_vRulerV = nullptr;
    QLineEdit *m_title = nullptr;
    QLabel *m_pnStatus = nullptr;
    QLabel *m_pnTip = nullptr;
    RichView *m_view = nullptr;

    bool m_on = false;
    bool m_busy = false;
    bool m_changedWhileBusy = false; // the page's text changed during the running job
    quint64 m_textChanges = 0;       // changes of the page's text (its parts included) so far
    int m_commands = 0;              // user commands running (Command)
    // Where the user chose the format of what is typed next with nothing selected (a format control);
    // the mark follows the text typed there, whose look the typing rules then leave as chosen.
    QTextCursor m_chosenLook;
    bool m_modified = false;
    // Edits since the page was last stored that no undo takes back; the texts' own edits Qt tracks
    // against the stored state in their undo histories (QTextDocument::isModified).
    bool m_editsBeyondUndo = false;
    bool m_snapshotUndoes = false; // loading the snapshot is the undo of the last command
    bool m_loadFailed = false;
    bool m_titleShown = true;
    bool m_rulers = false;
    bool m_bars[5] = {true, true, true, true, true}; // 0 = any of 1-4
    bool m_wordCopy = false;
    bool m_keptValid = false;
    bool m_kept[7] = {};
    int m_kind = 0;
    int m_partNo = 0;
    int m_pictureLayout = 1;
    int m_pictureColour = 0;
    QString m_prefix;
    QString m_ime = QStringLiteral("OFF");
    QString m_policy = QStringLiteral("確認");
    QString m_wmfPath;
    QString m_currentFile;
    QString m_saveFolder;     // the folder of the last export, shared by the save commands
    QString m_lastSaveName;   // the export dialog's last file name
    struct FormatHolder {     // the character format copied by job 70 for job 71
        QString font;
        double size = 0;
        bool bold = false, italic = false, underline = false, strike = false;
        int fore = 0, back = 0xFFFFFF;
    } m_formatHolder;
    QByteArray m_snapshot;
    // Template registers of the last T_Start.
    QString m_fieldList;
    QString m_frameList;
    QList<QPair<int, int>> m_templateTables; // (part: 0 main text or a frame id, table id)
    int m_activePart = -1;
};

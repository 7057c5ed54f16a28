// Page document in and out, the menu-state queries and the header/footer toggle.
#include "editor/uTxm.h"

#include "core/Frmt.h"
#include "core/Usr.h"
#include "core/zClt.h"
#include "editor/EditorServices.h"
#include "editor/LoadWait.h"
#include "platform/desktop/Prompt.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/PlainText.h"
#include "platform/richtext/RichTextEdit.h"
#include "platform/richtext/TextProps.h"

#include <QApplication>
#include <QTextDocument>
#include <QClipboard>
#include <QLineEdit>
#include <QMimeData>

#include <algorithm>
#include "platform/richview/PageClipboard.h"
#include "platform/richview/RichStatusBar.h"
#include "platform/richview/RichView.h"

namespace {

const QString SaveQuestion = QStringLiteral("現在の文書を保存しますか");

} // namespace

// ---- save policy

bool uTxm::savePolicyStep(bool withCancel, bool &cancelled)
{
    if (!m_modified || m_kind < 0 || m_loadFailed)
        return false;
    if (m_policy == QStringLiteral("確認")) {
        const int answer = Prompt::current().message(
            SaveQuestion, (withCancel ? Prompt::YesNoCancel : Prompt::YesNo) | Prompt::Question);
        if (answer == Prompt::Yes)
            rtAct(4);
        else if (withCancel && answer != Prompt::No)
            cancelled = true;
        else if (withCancel)
            setBDcEdt(false);
        return true;
    }
    if (m_policy == QStringLiteral("上書")) {
        rtAct(4);
        return true;
    }
    return false;
}

void uTxm::ChkUdt(bool &bCancel)
{
    savePolicyStep(true, bCancel);
}

// ---- page in

bool uTxm::loadBytes(const QByteArray &bytes, int format, bool atCaret)
{
    const LoadWait wait(LoadWait::pageWeight(bytes));
    return loadWeighedBytes(bytes, format, atCaret);
}

// The caller has weighed the bytes and holds the wait window where they need it: weighing decodes
// the page, which a page switch should do no more often than it must.
bool uTxm::loadWeighedBytes(const QByteArray &bytes, int format, bool atCaret)
{
    if (bytes.isEmpty() && !atCaret) {
        // An empty page document is an empty page: nothing stored could be lost.
        m_edit->clearText();
        return true;
    }
    return m_services->loadBytes(*m_edit, bytes, format, atCaret);
}

void uTxm::leavePage(bool copyNew)
{
    if (copyNew) {
        setBDcEdt(false);
    } else if (m_modified) {
        bool cancelled = false;
        m_busy = false;
        savePolicyStep(false, cancelled);
        m_busy = true;
        setBDcEdt(false);
    }
}

void uTxm::SetData(const QByteArray &yDt, bool &bOk, bool bCpyNw, const QString &sAltTx)
{
    m_busy = true;
    leavePage(bCpyNw);
    forgetPage();
    // The wait window, when the page needs it, stays until the page is shown.
    const LoadWait wait(LoadWait::pageWeight(yDt));
    bOk = loadWeighedBytes(yDt, 9, false);
    if (!bOk) {
        m_edit->setText(sAltTx);
        leaveFailedLoad();
    }
    keepAsStored();
    m_busy = false;
    RfrshBar();
    showLoadedPage();
}

// A page just loaded opens at its top with the caret at its start, whatever the page before showed.
void uTxm::showLoadedPage()
{
    m_edit->setSelStart(0);
    syncToView();
    m_view->showStart();
    // The bars show where the caret now is, not where the load left it.
    if (auto *status = qobject_cast<RichStatusBar *>(m_vStatus))
        status->refreshStatus();
    showStyle();
}

void uTxm::forgetPage()
{
    // The snapshot and the read-only state belong to the page being left: an undo on the next page
    // must never bring the old one back, and a page that could not be read does not lock the next.
    m_snapshot.clear();
    m_snapshotUndoes = false;
    m_chosenLook = QTextCursor();
    if (m_loadFailed) {
        m_loadFailed = false;
        m_edit->setEditMode(0);
    }
}

void uTxm::leaveFailedLoad()
{
    // Bytes this program cannot read may still hold a page of another program: show what is known
    // of it and keep the editor from ever writing it back on its own.
    m_loadFailed = true;
    m_edit->setEditMode(1);
    m_modified = false;
    keepAsStored();
    Prompt::current().message(QStringLiteral("この文書は読み込めませんでした。\n"
                                             "保存されているテキストだけを読み取り専用で表示します。"),
                              Prompt::Exclamation);
}

void uTxm::SetDcFL(const QString &sFL, bool &bOk, bool bCpyNw)
{
    m_busy = true;
    leavePage(bCpyNw);
    forgetPage();
    const LoadWait wait(LoadWait::fileWeight(sFL));
    // The file's load is reported like SetData's: a caller should know when nothing was read.
    bOk = m_services->loadFile(*m_edit, sFL);
    keepAsStored();
    m_busy = false;
    RfrshBar();
    showLoadedPage();
}

void uTxm::InsData(const QByteArray &yDt, bool &bOk)
{
    m_busy = true;
    setBDcEdt(true);
    syncFromView();
    bOk = !yDt.isEmpty() && loadBytes(yDt, 9, true);
    m_busy = false;
    RfrshBar();
    syncToView();
}

void uTxm::ApndData(const QByteArray &yDt, bool &bOk)
{
    m_busy = true;
    syncFromView();
    bOk = !yDt.isEmpty() && loadBytes(yDt, 9, true);
    m_busy = false;
    RfrshBar();
    syncToView();
}

RichTextEdit *uTxm::GetObj()
{
    m_busy = true;
    syncFromView();
    return m_edit;
}

void uTxm::EndObj()
{
    m_busy = false;
}

// ---- page out

void uTxm::GetData(QByteArray &yDt, QString &sTx, QString &sTtl, bool &bOk)
{
    yDt = m_services->saveBytes(*m_edit, 9);
    sTx = m_edit->text();
    sTtl = m_title->text();
    bOk = true;
}

bool uTxm::bHaveData() const
{
    QString text = m_page->main()->toPlainText();
    text.remove(QLatin1Char('\r')).remove(QLatin1Char('\n')).remove(QChar(0x2029)).remove(QChar(0x2028));
    if (zClt::trimSpaces(text).isEmpty())
        return m_edit->objectCount() >= 1;
    return true;
}

void uTxm::GetHtm(const QByteArray &yDt, const QString &sFL, QString &sHd, QString &sBd, bool &bOk)
{
    const bool busy = m_busy;
    m_busy = true;
    keepingEdits([&] {
        bOk = m_services->loadBytes(*m_edit, yDt, 9, false);
        if (bOk) {
            T_DelEmpFd();
            T_PreSave();
            // The host hands the page's head values to the converter here.
            emit eAskHtmHd();
            bOk = m_services->convertHtml(*this, sFL, sHd, sBd, T_GetTpLst());
        }
    });
    syncToView();
    m_busy = busy;
}

void uTxm::GetMTxt(QString &sTx, QString &sCp)
{
    sTx.clear();
    sCp.clear();
    const int start = m_edit->selStart();
    const QString crlf = QStringLiteral("\r\n");
    const QString rule(30, QLatin1Char('-'));
    for (const PlainText::Line &line : PlainText::lines(m_edit->document())) {
        if (line.row) {
            sTx += line.text + crlf;
            continue;
        }
        const int style = styleAt(line.last);
        QString paragraph = zClt::trimSpaces(line.text);
        paragraph.replace(QLatin1Char('\n'), crlf);
        if (sCp.isEmpty() && style >= 0 && style <= 2)
            sCp = paragraph;
        if (style == 0)
            sTx += crlf + rule + crlf + paragraph + crlf + rule;
        else if (style == 1)
            sTx += crlf + QStringLiteral("■■　") + paragraph;
        else if (style == 2)
            sTx += crlf + QStringLiteral("　■　") + paragraph;
        else
            sTx += paragraph;
        sTx += crlf;
    }
    while (sTx.startsWith(crlf))
        sTx.remove(0, 2);
    while (sTx.endsWith(crlf))
        sTx.chop(2);
    m_edit->setSelStart(start);
}

void uTxm::SetText(const QString &sTx)
{
    m_busy = true;
    m_snapshot.clear();
    m_snapshotUndoes = false;
    m_edit->setText(sTx);
    if (sTx.isEmpty())
        m_edit->clearText();
    bool edited = false;
    emit eEdtCng(edited);
    m_modified = false;
    keepAsStored();
    m_busy = false;
    syncToView();
}

void uTxm::FndWd(const QString &sWd)
{
    const int blank = sWd.indexOf(QLatin1Char(' '));
    const QString word = blank < 0 ? sWd : sWd.left(blank);
    if (word.isEmpty())
        return;
    m_edit->find(word, 0, 16);
    syncToView();
}

// ---- properties

void uTxm::setReadOnly(bool readOnly)
{
    m_edit->setEditMode(readOnly ? 1 : 0);
}

QString uTxm::SelTxt() const
{
    return Usr::st().runTime ? m_edit->selectedText() : QString();
}

void uTxm::setSelTxt(const QString &text)
{
    m_edit->setSelectedText(text);
    syncToView();
}

int uTxm::PageWdIn() const
{
    return m_page->pageSetup().width / 15;
}

void uTxm::setBDcEdt(bool edited)
{
    if (edited)
        m_editsBeyondUndo = true;
    markEdited(edited);
}

// The host's handler may change the new value (a page saved on the way counts as unmodified).
void uTxm::markEdited(bool edited)
{
    bool value = edited;
    emit eEdtCng(value);
    m_modified = value;
    if (!value)
        keepAsStored();
}

// What the page shows is what was last stored: each text's undo history keeps this point, so that an
// undo or redo can tell whether the text differs from it again.
void uTxm::keepAsStored()
{
    for (QTextDocument *doc : m_page->documents())
        doc->setModified(false);
    m_editsBeyondUndo = false;
}

bool uTxm::pageEdited() const
{
    if (m_editsBeyondUndo)
        return true;
    const QList<QTextDocument *> docs = m_page->documents();
    return std::any_of(docs.cbegin(), docs.cend(), [](const QTextDocument *doc) { return doc->isModified(); });
}

// After the text changed, or an undo or redo: the page is modified exactly when it differs from the
// stored page. An event that changed nothing (an input method's composition shown inline, an empty
// edit) leaves a stored page unmodified.
void uTxm::refreshEdited()
{
    if (pageEdited())
        markEdited(true);
    else if (m_modified)
        markEdited(false);
}

// A reload of the page into itself (display settings, an export's conversion taken back): the reload
// starts the texts' histories anew, so an edited page stays edited whatever undo does afterwards.
void uTxm::keepingEdits(const std::function<void()> &reload)
{
    const bool edited = m_modified || pageEdited();
    reload();
    if (edited)
        m_editsBeyondUndo = true;
    else
        keepAsStored();
}

QString uTxm::Title() const
{
    if (!Usr::st().runTime)
        return QString();
    if (m_titleShown)
        return m_title->text();
    const QString text = m_page->main() == m_edit->document() ? m_edit->text()
                                                             : m_page->main()->toPlainText().replace(QChar(0x2029), QChar(10));
    const int feed = text.indexOf(QChar(10));
    if (feed < 0)
        return QString();
    const int lineBreak = text.left(feed).indexOf(QChar(11));
    return text.left(lineBreak >= 0 ? lineBreak : feed);
}

void uTxm::setTitle(const QString &title)
{
    const bool busy = m_busy;
    m_busy = true;
    m_title->setText(title);
    m_busy = busy;
}

// ---- menu states

void uTxm::ChkJbMn0(bool &bExDoc, bool &bOvrw) const
{
    bExDoc = !m_page->main()->isEmpty() || m_edit->objectCount() >= 1;
    bOvrw = m_modified && bExDoc;
}

void uTxm::clipboardCheck(bool &bTx, bool &bPc, bool &bMt, bool &bLk, int &iRet)
{
    const QMimeData *data = QApplication::clipboard()->mimeData();
    if (!data)
        return;
    // Our own page form keeps fields (links and tags) across copy and paste.
    if (data->hasFormat(PageClipboard::mimeType()))
        bLk = true;
    if (data->hasFormat(QStringLiteral("image/svg+xml")))
        bMt = true;
    if (data->hasImage())
        bPc = true;
    if (data->hasText() || data->hasFormat(QStringLiteral("text/rtf")) || data->hasFormat(QStringLiteral("application/rtf"))) {
        bTx = true;
        iRet = 1;
    }
    if (bLk || bPc || bMt)
        iRet += 2;
}

bool uTxm::canUndo() const
{
    return m_edit->undoSteps() > 0 || m_snapshotUndoes;
}

void uTxm::ChkJbMn1(bool &bUndo, bool &bRedo, bool &bCopy, bool &bPaste, bool &bExDoc, bool &bOvrw, bool &bTx,
                    bool &bPc, bool &bMt, bool &bLk, int &iRet) const
{
    bUndo = m_edit->undoSteps() > 0;
    bRedo = m_edit->redoSteps() > 0;
    bCopy = m_view->canCopy();
    bPaste = m_view->canPaste();
    ChkJbMn0(bExDoc, bOvrw);
    clipboardCheck(bTx, bPc, bMt, bLk, iRet);
}

void uTxm::ChkJbMn3(bool &bInHd, bool &bInTf, QString *vFdTyp) const
{
    bInTf = m_partNo != 0 || m_edit->currentFrame() != 0;
    if (vFdTyp) {
        vFdTyp->clear();
        const int field = fieldAtCaret();
        if (field > 0) {
            QString key;
            fieldKindKey(field, *vFdTyp, key);
        }
    }
    const UsrFmt &body = Frmt::st().usrFmt[3];
    bInHd = m_edit->indentLeft() >= 61 && m_edit->listKind() == 1 && m_edit->fontSize() > body.fontSize;
}

void uTxm::ChkJbMn5(bool &bShwGrd, bool &bInsTb, bool &bInsCL, bool &bInsRw, bool &bDelCL, bool &bDelRw,
                    bool &bSlcTb, bool &bSplTb, bool &bInHd, bool &bInTf, QString *vFdTyp) const
{
    ChkJbMn3(bInHd, bInTf, vFdTyp);
    if (bInHd || bInTf) {
        bShwGrd = bInsTb = bInsCL = bInsRw = bDelCL = bDelRw = bSlcTb = bSplTb = false;
        return;
    }
    bShwGrd = m_view->gridLines();
    bInsTb = m_edit->canInsertTable();
    bInsCL = m_edit->canInsertColumn();
    bInsRw = m_edit->canInsertRow();
    bDelCL = m_edit->canDeleteColumn();
    bDelRw = m_edit->canDeleteRow();
    bSlcTb = m_edit->tableAtCaret() > 0;
    bSplTb = m_edit->canSplitTable();
}

void uTxm::ChkJbMn6(bool &bInTf) const
{
    bInTf = m_partNo != 0 || m_edit->currentFrame() != 0;
}

void uTxm::HeadFtMn(bool &bHdP, bool &bHdF, bool &bFtp, bool &bFtF) const
{
    const int flags = m_page->partFlags();
    bHdP = flags & 1;
    bHdF = flags & 2;
    bFtp = flags & 4;
    bFtF = flags & 8;
}

// ---- header and footer

void uTxm::headerFooterToggle(int flag)
{
    m_view->setViewMode(2);
    const int bit = flag < 0 ? -flag : flag;
    const bool known = bit == 1 || bit == 2 || bit == 4 || bit == 8;
    const int flags = m_page->partFlags();
    if (known && flag > 0 && !(flags & bit)) {
        m_page->ensurePart(bit);
        if (m_view->editPart(bit)) {
            headerFooterFormat(bit <= 2, true);
            m_edit->setSelectedText(bit <= 2 ? QStringLiteral("Header") : QStringLiteral("Footer"));
            m_view->editPart(0);
            m_view->activatePart(bit);
        }
    } else if (known && flag < 0 && (flags & bit)) {
        m_page->setPartFlags(flags & ~bit);
    }
    setBDcEdt(true);
    RfrshBar();
    syncToView();
}

void uTxm::headerFooterFormat(bool header, bool font)
{
    const UsrFmt &record = Frmt::st().usrFmt[header ? 6 : 7];
    m_edit->setAlignment(record.alignment);
    m_edit->setFrameStyle(7936);
    m_edit->setSpaceBefore(0);
    m_edit->setSpaceAfter(0);
    m_edit->setLineSpacingTwips(0);
    if (font) {
        if (!record.fontName.isEmpty())
            m_edit->setFontName(record.fontName);
        if (record.fontSize > 0)
            m_edit->setFontSize(record.fontSize);
        m_edit->setBold(record.bold != 0);
        m_edit->setForeColor(record.textColor);
        m_edit->setBackColor(record.backColor);
    }
}

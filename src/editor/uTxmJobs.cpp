// The command dispatcher of the page editor: one frame around every job code.
#include "editor/uTxm.h"

#include "core/Frmt.h"
#include "editor/EditorServices.h"
#include "editor/PendingWork.h"
#include "editor/sbTxm.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/RichTextEdit.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QPointer>
#include <QTextDocument>
#include "platform/richview/RichView.h"

namespace {

bool oneOf(int code, std::initializer_list<int> codes)
{
    for (int c : codes) {
        if (c == code)
            return true;
    }
    return false;
}

// Commands that edit the page: each is one undo step, whatever formats and upkeep it does on the way.
// The find dialog is left out (each of its replacements is a step of its own), as are the commands
// that load a page, which start a new undo history, and paste, which groups its step itself under
// its wait window (the page is laid out when the step ends).
bool editingJob(int code)
{
    return oneOf(code, {24, 33, 35, 40, 42, 43, 44, 45, 50, 51, 52, 53, 54, 60, 61, 62, 63, 64, 71, 80, 81,
                        82, 85});
}

// Commands whose work EditorServices::runJob carries out.
bool servicesJob(int code)
{
    return oneOf(code, {1, 3, 5, 6, 7, 8, 10, 15, 25, 30, 32, 33, 34, 35, 40, 41, 42, 43, 44, 45, 50, 51, 52,
                        55, 69, 70, 71, 80, 81, 82, 83, 85});
}

} // namespace

QString uTxm::jobWork(int iJb) const
{
    switch (iJb) {
    case 22: return PendingWork::dialog(QStringLiteral("FD"));
    case 23: return PendingWork::dialog(QStringLiteral("RP"));
    case 26: return PendingWork::dialog(QStringLiteral("DP"));
    case 66: return PendingWork::dialog(QStringLiteral("US"));
    case 67: return PendingWork::dialog(QStringLiteral("TF"));
    case 68: return PendingWork::dialog(QStringLiteral("IM"));
    case 65: return PendingWork::dialog(QStringLiteral("PG"));
    default: return servicesJob(iJb) ? PendingWork::job(iJb) : QString();
    }
}

bool uTxm::jobBuilt(int iJb) const
{
    if (iJb == 41)
        return false; // OLE objects cannot exist here: the item stays disabled
    const QString work = jobWork(iJb);
    if (work == PendingWork::job(iJb) && EditorServices::hasJobHandler(iJb))
        return true;
    return work.isEmpty() || !PendingWork::pending(work);
}

bool uTxm::objectItemBuilt(int index) const
{
    switch (index) {
    case 0: case 1: case 3: case 5:
        return true;
    case 18: case 19:
        return jobBuilt(50) && jobBuilt(51);
    default:
        return !PendingWork::pending(PendingWork::objectItem(index));
    }
}

void uTxm::rtAct(int iJb, const QVariant &vArg)
{
    m_busy = true;
    m_changedWhileBusy = false;
    const PageSetup setupBefore = m_page->pageSetup();
    const QByteArray snapshotBefore = m_snapshot;
    const bool snapshotUndoesBefore = m_snapshotUndoes;
    const bool snapshot = oneOf(iJb, {10, 15, 23, 24, 30, 32, 33, 40, 41, 50, 51, 52, 54, 60, 71});
    if (snapshot)
        takeSnapshot();
    if (oneOf(iJb, {13, 14, 20}))
        m_view->setFocus();
    if (oneOf(iJb, {63, 64, 65, 66})) {
        bool off = false;
        txIME(off);
    }
    bool result = false;
    if (editingJob(iJb))
        runGrouped([&] { runWork(iJb, vArg, result); });
    else
        runWork(iJb, vArg, result);
    if (oneOf(iJb, {2, 4, 5}))
        emit eUdtFld();
    applyModifiedRule(iJb, result, m_changedWhileBusy || m_page->pageSetup() != setupBefore);
    // A command cancelled before it changed anything leaves nothing to undo behind it.
    if (oneOf(iJb, {10, 30, 32, 33, 41, 50, 51, 52}) && !result && !m_changedWhileBusy) {
        m_snapshot = snapshotBefore;
        m_snapshotUndoes = snapshotUndoesBefore;
    } else if (snapshot) {
        // The snapshot takes the command back only where the page's own undo cannot: after a command
        // that changed the page and left nothing to undo (a file read in place of the page). Anywhere
        // else undo would load the page as it already is.
        m_snapshotUndoes = m_changedWhileBusy && m_edit->undoSteps() == 0 && !m_snapshot.isEmpty();
    }
    if (iJb == 26)
        reloadThroughMemory();
    int code = iJb;
    emit eRtAct(code);
    m_busy = false;
    RfrshBar();
    showStyle();
}

// One undo step for all that `work` changes in the page. A step that changed nothing is no change:
// Qt reports the end of any edit block as one.
void uTxm::runGrouped(const std::function<void()> &work)
{
    const QPointer<QTextDocument> doc = m_edit->document();
    const int steps = doc->availableUndoSteps();
    m_edit->beginCommand();
    work();
    const bool changed = m_changedWhileBusy;
    m_edit->endCommand();
    if (doc && doc->availableUndoSteps() == steps)
        m_changedWhileBusy = changed;
}

void uTxm::applyModifiedRule(int iJb, bool result, bool pageChanged)
{
    // After an undo or redo the page is modified exactly when it differs from the stored page.
    if (oneOf(iJb, {11, 12})) {
        if (pageChanged)
            refreshEdited();
        return;
    }
    // The find dialog replaces, the page setup resizes the page, cut and clear take the selection out
    // and a split parts a table: they mark it only when they did. A cancelled dialog reports false:
    // the marks of earlier edits must survive it.
    const bool mark = oneOf(iJb, {10, 15, 23, 24, 30, 40, 53, 60, 71, 80, 82})
                      || (oneOf(iJb, {13, 20, 22, 65, 81}) && pageChanged)
                      || (oneOf(iJb, {32, 33, 34, 35, 41, 42, 43, 44, 45, 50, 51, 52, 54, 61, 62, 63, 64, 85}) && result);
    if (!mark)
        return;
    // What these change is one step of the page's undo history: an undo back to the stored page
    // leaves it unmodified. The others may change what no undo takes back.
    if (editingJob(iJb) || oneOf(iJb, {13, 15, 20}))
        markEdited(true);
    else
        setBDcEdt(true);
}

bool uTxm::runWork(int iJb, const QVariant &vArg, bool &result)
{
    if (runEditJob(iJb, vArg) || runFormatJob(iJb, vArg, result))
        return true;
    if (!servicesJob(iJb))
        return false;
    result = m_services->runJob(*this, iJb, vArg);
    syncToView();
    return true;
}

bool uTxm::runEditJob(int iJb, const QVariant &vArg)
{
    switch (iJb) {
    case 2:
        T_NewDoc(1);
        return true;
    case 4:
        saveCommand();
        return true;
    case 9:
        m_title->setFocus();
        return true;
    case 11:
        if (!m_view->undo() && m_snapshotUndoes) {
            restoreSnapshot();
            // One step back: the snapshot is used up.
            m_snapshotUndoes = false;
        }
        return true;
    case 12:
        m_view->redo();
        return true;
    case 13:
        QApplication::clipboard()->clear();
        m_view->clipboardAction(1);
        return true;
    case 14:
        m_view->clipboardAction(2);
        return true;
    case 16:
        txLayout(true);
        return true;
    case 20:
        m_view->clipboardAction(4);
        return true;
    case 21:
        m_edit->setSelStart(0);
        m_edit->setSelLength(-1);
        syncToView();
        return true;
    case 24:
        m_edit->setSelLength(0);
        T_JoinLn();
        T_TrimBl();
        txFldClr(-1, -1);
        syncToView();
        return true;
    case 53:
        m_edit->setSelLength(0);
        m_edit->setSelectedText(QString(QChar(12)));
        syncToView();
        return true;
    case 84:
        m_view->setGridLines(!m_view->gridLines());
        return true;
    case 86:
        zoomStep(vArg);
        return true;
    case 87:
        m_wordCopy = vArg.toBool();
        return true;
    case 88:
        m_view->refresh();
        return true;
    default:
        break;
    }
    return false;
}

bool uTxm::runFormatJob(int iJb, const QVariant &vArg, bool &result)
{
    QString answer;
    switch (iJb) {
    case 22:
        m_form->Act(QStringLiteral("FD"), answer);
        return true;
    case 23:
        m_form->Act(QStringLiteral("RP"), answer);
        return true;
    case 26:
        m_form->Act(QStringLiteral("DP"), answer);
        return true;
    case 27:
        T_ShowBar(vArg.toInt());
        return true;
    case 54:
        T_Indent(vArg.toInt(), result);
        return true;
    case 56:
        headerFooterToggle(vArg.toInt());
        return true;
    case 60: {
        const int style = vArg.toInt();
        txStyle(style >= 0 ? style : -style, QVariant(), style < 0, style >= 0);
        return true;
    }
    case 61:
        result = m_view->fontDialog();
        return true;
    case 63:
        result = m_view->paragraphDialog();
        return true;
    case 64:
        result = m_view->listDialog();
        return true;
    case 62: {
        int colour = m_edit->foreColor();
        if (m_services->chooseColour(QStringLiteral("文字色"), colour) && colour >= 0) {
            m_edit->setForeColor(colour);
            result = true;
        }
        syncToView();
        return true;
    }
    case 65:
        // The page setup mode is the component's own page dialog too (editor kind 1).
        m_form->Act(QStringLiteral("PG"), answer);
        return true;
    case 66:
        m_form->Act(QStringLiteral("US"), answer);
        return true;
    case 67: {
        answer = QString::number(m_pictureLayout) + QString::number(m_pictureColour);
        m_form->Act(QStringLiteral("TF"), answer);
        // A cancelled dialog answers nothing: the defaults stay as they were.
        bool layoutOk = false;
        bool colourOk = false;
        const int layout = answer.left(1).toInt(&layoutOk);
        const int colour = answer.right(1).toInt(&colourOk);
        if (answer.size() >= 2 && layoutOk && colourOk) {
            m_pictureLayout = layout;
            m_pictureColour = colour;
        }
        return true;
    }
    case 68:
        T_ImDlg();
        return true;
    default:
        return false;
    }
}

void uTxm::zoomStep(const QVariant &arg)
{
    const QString text = arg.toString().trimmed();
    if (text == QStringLiteral("拡大")) {
        setZoom(zoom() + 20);
    } else if (text == QStringLiteral("縮小")) {
        setZoom(zoom() - 20);
    } else {
        const double value = text.toDouble();
        if (value == 0)
            return;
        if (value > 10 && value < 1000)
            setZoom(int(value));
    }
    m_view->refresh();
}

void uTxm::saveCommand()
{
    emit eAskSavePh(m_saveFolder);
    T_DelEmpFd();
    T_PreSave();
    emit eSaveDB();
}

void uTxm::takeSnapshot()
{
    m_snapshot = m_services->saveBytes(*m_edit, 3);
    m_snapshotUndoes = false;
}

bool uTxm::restoreSnapshot()
{
    if (m_snapshot.isEmpty())
        return false;
    return loadBytes(m_snapshot, 3, false);
}

void uTxm::reloadThroughMemory()
{
    m_busy = true;
    m_view->setUpdatesEnabled(false);
    const QByteArray bytes = m_services->saveBytes(*m_edit, 3);
    // Nothing to reload from when the stream cannot be written: the page stays as it is.
    if (!bytes.isEmpty()) {
        m_snapshot = bytes;
        // The page as it is: nothing an undo would take back.
        m_snapshotUndoes = false;
        keepingEdits([&] { loadBytes(bytes, 3, false); });
    }
    m_view->setUpdatesEnabled(true);
    m_busy = false;
}

void uTxm::rtActTL(int iJb)
{
    const bool busy = m_busy;
    m_busy = true;
    const int frame = m_edit->currentFrame();
    switch (iJb) {
    case 4:
        if (frame > 0 && m_edit->selectFrame(frame))
            m_edit->clearText();
        break;
    case 7:
        for (int id : m_edit->objectIds(32)) {
            if (m_edit->selectFrame(id))
                m_edit->clearText();
        }
        m_edit->selectFrame(0);
        break;
    case 5:
        if (frame > 0 && m_edit->selectFrame(frame))
            T_FrameExport(frame);
        break;
    case 6:
        if (frame > 0 && m_edit->selectFrame(frame))
            T_FrameRead(frame);
        break;
    case 8: {
        // Every text frame takes the file; the caret goes back to where it was.
        const int start = m_edit->selStart();
        T_FrameRead(-1);
        m_edit->selectFrame(frame);
        m_edit->setSelStart(start);
        break;
    }
    case 0: case 1: case 2:
        m_services->runJob(*this, 1000 + iJb, QVariant());
        break;
    default:
        break;
    }
    syncToView();
    m_busy = busy;
}

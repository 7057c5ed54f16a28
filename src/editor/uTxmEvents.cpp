// What the page editor does when the user types, clicks and opens its popup menu.
#include "editor/uTxm.h"

#include "core/Frmt.h"
#include "core/zSvr.h"
#include "editor/EditorServices.h"
#include "editor/LoadWait.h"
#include "editor/sbTxm.h"
#include "platform/desktop/Prompt.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/PictureDoor.h"
#include "platform/richtext/RichTextEdit.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QCursor>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QTextDocument>
#include "platform/richview/PageTextItem.h"
#include "platform/richview/RichView.h"
#include <QToolBar>

// ---- view and model in step

void uTxm::syncFromView()
{
    m_view->takeViewCaret();
}

void uTxm::syncToView()
{
    m_view->showModelCaret();
}

void uTxm::connectView()
{
    connect(m_view, &RichView::changed, this, [this] { changeMark(); });
    // The changes of the page's text, its parts' included, for the keys after a command: the view's
    // signal also comes at the end of an edit that changed nothing.
    connect(m_page->main(), &QTextDocument::contentsChange, this, &uTxm::noteTextChange);
    connect(m_edit, &RichTextEdit::partChanged, this, [this] {
        connect(m_edit->document(), &QTextDocument::contentsChange, this, &uTxm::noteTextChange, Qt::UniqueConnection);
    });
    // The keyboard's context menu (the Menu key) comes to the view.
    m_view->installEventFilter(this);
    // The toolbar follows a selection made with the mouse or the keys, and what the clipboard holds.
    connect(m_view, &RichView::caretMoved, this, [this] {
        showStyle();
        if (!isBusy())
            RfrshBar();
    });
    connect(QApplication::clipboard(), &QClipboard::dataChanged, this, [this] {
        if (!isBusy())
            RfrshBar();
    });
    connect(m_view, &RichView::typed, this, [this] { typed(); });
    connect(m_view, &RichView::pictureFrameDrawn, this, &uTxm::pictureFrameDrawn);
    // A paste from the keyboard comes here as one from the menu does.
    connect(m_view, &RichView::pasteStarts, this, [this] {
        m_pasteWait = std::make_unique<LoadWait>(LoadWait::pasteWeight(QApplication::clipboard()->mimeData()));
    });
    connect(m_view, &RichView::pasteEnds, this, [this] { m_pasteWait.reset(); });
    connect(m_view, &RichView::picturesLeftOut, this, [](const QStringList &names) {
        Prompt::current().message(PictureDoor::note(names));
    });
    connect(m_view, &RichView::keyDown, this, &uTxm::viewKeyDown);
    connect(m_view, &RichView::keyUp, this, [this](RichKeyArgs &args) { keyUp(args.key); });
    connect(m_view, &RichView::mouseDown, this, &uTxm::viewMouseDown);
    connect(m_view, &RichView::mouseMoved, this, &uTxm::viewMouseMoved);
    connect(m_view, &RichView::fieldClicked, this, [this](RichFieldArgs &args) { fieldClicked(args.id); });
    connect(m_view, &RichView::fieldDoubleClicked, this, [this](RichFieldArgs &args) {
        fieldDoubleClicked(args.id);
        args.handled = true;
    });
    connect(m_view, &RichView::partActivated, this, [this](int flag) {
        if (!isBusy())
            headerFooterFormat(flag == 1 || flag == 2, false);
    });
}

void uTxm::viewKeyDown(RichKeyArgs &args)
{
    // Shift+F10 is the keyboard's context menu key, as the Menu key is.
    if (args.key == 121 && args.shift == 1) {
        popupAtCaret();
        args.key = 0;
        return;
    }
    // Ctrl+V is the paste command, whose accelerator it is (a heading at the caret turns to body
    // first), also where the view meets it before the menu does.
    if (args.shift == 2 && args.key == 'V') {
        if (!isBusy() && m_view->canPaste()) {
            rtAct(15, QStringLiteral("OBJ"));
            args.key = 0;
        }
        return;
    }
    // Keys with Ctrl are the view's own (shift state 2).
    if (args.shift & 2)
        return;
    if (keyDown(args.key, args.shift & 1))
        args.key = 0;
}

void uTxm::viewMouseDown(RichMouseArgs &args)
{
    if (args.button != 2 || isBusy())
        return;
    args.handled = true;
    for (int position : {args.position, args.position - 1}) {
        for (int id : m_edit->objectIds()) {
            if (position >= 0 && m_edit->objectPosition(id) == position) {
                objectPopup(id);
                return;
            }
        }
    }
    PopRtf(0, 0);
}

void uTxm::viewMouseMoved(RichMouseArgs &args)
{
    const int field = args.position >= 0 ? m_edit->fieldAt(args.position) : 0;
    QString kind;
    QString key;
    if (field > 0)
        fieldKindKey(field, kind, key);
    if (kind != QStringLiteral("TP")) {
        m_pnTip->hide();
        return;
    }
    m_pnTip->setText(QStringLiteral(" %1 ").arg(key));
    m_pnTip->adjustSize();
    m_pnTip->move(mapFromGlobal(QCursor::pos()) + QPoint(8, 16));
    m_pnTip->show();
    m_pnTip->raise();
}

void uTxm::changeMark()
{
    // A job marks the page itself when it ends; it only needs to know that the text changed.
    if (isBusy()) {
        m_changedWhileBusy = true;
        return;
    }
    refreshEdited();
    RfrshBar();
    // The caret keeps its place in the text as the text changes around it, so the view does not
    // report a move for a key that typed or deleted: the style box is told here, after every key as
    // after Enter, what the caret now stands in (plain text right after a field is no field).
    showStyle();
}

// ---- fields

int uTxm::fieldAtCaret() const
{
    if (const int id = m_edit->fieldAtCaret(); id > 0 && m_edit->selLength() == 0)
        return id;
    const int start = m_edit->selStart();
    const int length = m_edit->selLength();
    if (length <= 0)
        return m_edit->fieldAtCaret();
    if (const int first = m_edit->fieldAt(start))
        return first;
    return length > 1 ? m_edit->fieldAt(start + 1) : 0;
}

void uTxm::fieldKindKey(int fieldId, QString &kind, QString &key) const
{
    const int current = m_edit->currentField();
    m_edit->setCurrentField(fieldId);
    const QString data = m_edit->fieldData();
    if (current > 0)
        m_edit->setCurrentField(current);
    Frmt::SplitKey(data, kind, key);
    if (kind == QLatin1String("TG") && key.contains(QLatin1Char('_')))
        key = key.mid(key.indexOf(QLatin1Char('_')) + 1);
}

void uTxm::fieldClicked(int fieldId)
{
    if (fieldId <= 0 || !m_edit->setCurrentField(fieldId))
        return;
    QString text = m_edit->fieldText();
    text.remove(QChar(1)).remove(QChar(11));
    text = text.trimmed();
    if (text.isEmpty())
        return;
    QString kind;
    QString key;
    fieldKindKey(fieldId, kind, key);
    if (!key.isEmpty() && kind != QLatin1String("TP"))
        emit eClckLink(kind, text, key);
}

void uTxm::doubleClicked()
{
    syncFromView();
    fieldDoubleClicked(fieldAtCaret());
}

void uTxm::fieldDoubleClicked(int field)
{
    if (field <= 0)
        return;
    QString kind;
    QString key;
    fieldKindKey(field, kind, key);
    if (kind == QLatin1String("TP"))
        return;
    QString caption = key;
    if (kind == QLatin1String("TG")) {
        // The key comes from inside a page document: only a page number may reach the statement.
        bool numeric = false;
        const qlonglong page = key.trimmed().toLongLong(&numeric);
        caption.clear();
        if (numeric && zSvr::instance().isOpen())
            caption = zSvr::instance().R_GtVaL(QStringLiteral("Select szDoc From msDoc Where noDoc=?"),
                                         QVariantList{page}, QString()).toString();
    }
    emit eClckLink(kind, caption, key);
}

// ---- keys

bool uTxm::keyDown(int key, bool shift)
{
    if (isBusy())
        return false;
    syncFromView();
    if (key == 46) {
        const int length = m_edit->selLength();
        if (length >= 2 && m_edit->charAt(m_edit->selStart() + length - 1) == QChar(10)) {
            m_edit->setSelLength(m_edit->selLength() - 1);
            syncToView();
        }
        return false;
    }
    if (key != 13)
        return false;
    // Over a selection the break replaces it: what decides the break is read where the caret will
    // stand once the selection is gone, between the text before it and the text after it.
    const int caret = m_edit->selStart();
    const int end = caret + m_edit->selLength();
    if (caret > 0)
        m_edit->setSelStart(caret - 1);
    const bool body = isBodyAtCaret();
    m_edit->setSelStart(caret);
    const bool onField = m_edit->fieldAt(end) > 0 || (caret > 0 && m_edit->fieldAt(caret - 1) > 0);
    const bool entShift = Frmt::st().usrEntShift;
    m_busy = true;
    bool taken = false;
    // The break, the selection it replaces and the style it brings are one undo step.
    m_edit->beginCommand();
    const int style = body || onField ? 3 : styleAtCaret();
    const bool atEnd = end >= m_edit->textLength() || m_edit->charAt(end) == QChar(10);
    // At the end of a heading Shift+Enter too starts a body paragraph; inside one it is the view's
    // line break, and the heading keeps its style.
    const bool headingEnd = !body && !onField && style < 3 && atEnd;
    const auto removeSelection = [this, caret, end] {
        m_edit->select(caret, end - caret);
        if (end > caret)
            m_edit->setSelectedText(QString());
    };
    if (!body && !onField && (!shift || headingEnd)) {
        removeSelection();
        insertBreak(style >= 3 && entShift ? 11 : 10);
        if (headingEnd)
            txStyle(3, QVariant(), true);
        taken = true;
    } else if (body && entShift) {
        removeSelection();
        if (onField)
            txStyle(3, QVariant(), true);
        insertBreak(shift ? 10 : 11);
        taken = true;
    }
    if (!taken)
        m_edit->select(caret, end - caret);
    m_edit->endCommand();
    m_busy = false;
    if (taken) {
        // The view takes the caret from the model here, so it does not see the caret move: the style
        // box is told of the new paragraph's style itself.
        syncToView();
        showStyle();
        refreshEdited();
        RfrshBar();
    }
    return taken;
}

void uTxm::insertBreak(int code)
{
    m_edit->setSelectedText(QString(QChar(code)));
}

void uTxm::txIME(bool &bIME)
{
    m_view->setInputMethodOpen(bIME);
}

void uTxm::T_GetIME(bool &bOpen) const
{
    bOpen = m_view->inputMethodOpen();
}

void uTxm::typed()
{
    if (m_ime == QStringLiteral("ON") && m_edit->selLength() == 0) {
        bool on = true;
        txIME(on);
    }
    if (isBusy() || m_edit->selLength() > 0)
        return;
    syncFromView();
    // A style the user gave the paragraph stays while it is typed in, and a look the user chose at
    // the caret on the text typed there.
    if (fieldAtCaret() > 0 || m_edit->blockStyleChosen() || typingInChosenLook()) {
        RfrshBar();
        return;
    }
    const bool body = isBodyAtCaret();
    const int style = styleAtCaret();
    if (Frmt::st().usrDtp) {
        // Read at the caret only: a keystroke never copies the page's text.
        const int caret = m_edit->selStart();
        const QChar next = m_edit->charAt(caret);
        if (next != QChar(10) && next != QChar(11)) {
            int page = 0, line = 0, column = 0;
            T_GetInPos(page, line, column);
            if (page == 1 || column <= 1) { // columns count from 1
                const bool toBody = line != 1 && !body && caret >= m_edit->textLength();
                if (toBody || (line == 1 && style != 0)) {
                    // Qt lays the paragraph out again in the style's look, and the text below it
                    // anew where it moves: a second and more for megabytes.
                    const LoadWait wait(m_edit->textLength());
                    // The style joins the undo step of the typing that brought it.
                    m_edit->joinCommand();
                    txStyle(toBody ? 3 : 0, QVariant(), true);
                    m_edit->endCommand();
                }
            }
        }
    }
    RfrshBar();
}

void uTxm::T_GetInPos(int &nP1, int &nP2, int &nP3) const
{
    const QList<int> position = m_edit->caretPosition();
    nP1 = position.value(0);
    nP2 = position.value(1);
    nP3 = position.value(2);
}

// ---- styles at the caret

bool uTxm::recordMatches(int record) const
{
    const UsrFmt &f = Frmt::st().usrFmt[record];
    return m_edit->fontName() == f.fontName && m_edit->foreColor() == f.textColor
           && m_edit->bold() == (f.bold != 0) && qRound(m_edit->fontSize()) == f.fontSize;
}

int uTxm::styleAtCaret() const
{
    // The style a paragraph was given is known exactly; the look is only a guess, and an indented
    // body paragraph would pass for a heading by its indent.
    const int given = m_edit->blockStyle();
    if (given >= 0 && given <= 3) {
        if (given == 3) {
            for (int record : {4, 5}) {
                if (recordMatches(record))
                    return record;
            }
        }
        return given;
    }
    if (m_edit->indentLeft() < 150) {
        for (int record : {3, 4, 5}) {
            if (recordMatches(record))
                return record;
        }
        return 3;
    }
    for (int record : {0, 1}) {
        if (recordMatches(record))
            return record;
    }
    return 2;
}

int uTxm::styleAt(int position)
{
    m_edit->setSelStart(position);
    return styleAtCaret();
}

bool uTxm::isBodyAtCaret() const
{
    const int given = m_edit->blockStyle();
    if (given >= 0 && given <= 2)
        return false;
    const UsrFmt &body = Frmt::st().usrFmt[3];
    return m_edit->fontName() == body.fontName && m_edit->indentLeft() == body.dist1
           && qRound(m_edit->fontSize()) == body.fontSize;
}

void uTxm::showStyle()
{
    if (isBusy() && m_edit->editMode() == 0)
        return;
    QString name = QStringLiteral("本文");
    const FrmtState &formats = Frmt::st();
    const int size = qRound(m_edit->fontSize());
    if (fieldAtCaret() > 0) {
        name = QStringLiteral("Field");
    } else if (m_edit->blockStyle() >= 0 && m_edit->blockStyle() <= 2) {
        static const char *const names[] = {"見出１(頁見出)", "見出２", "見出３"};
        name = QString::fromUtf8(names[m_edit->blockStyle()]);
    } else if (m_edit->blockStyle() < 0 && m_edit->listKind() == 1 && m_edit->indentLeft() >= 151
               && size > formats.usrFmt[3].fontSize) {
        name = size == formats.usrFmt[0].fontSize ? QStringLiteral("見出１(頁見出)")
               : size == formats.usrFmt[1].fontSize ? QStringLiteral("見出２")
                                                     : QStringLiteral("見出３");
    }
    m_pnStatus->setText(name);
}

// ---- event wiring

void uTxm::noteTextChange()
{
    ++m_textChanges;
}

uTxm::Command::Command(uTxm &editor)
    : m_editor(editor)
    , m_changes(editor.m_textChanges)
    , m_keys(editor.window()->focusWidget())
    , m_caret(editor.m_edit->selLength() == 0 ? editor.m_edit->selStart() : -1)
    , m_typing(editor.m_edit->cursor().charFormat())
{
    ++editor.m_commands;
}

uTxm::Command::~Command()
{
    if (--m_editor.m_commands > 0)
        return;
    RichView *view = m_editor.m_view;
    const bool lookChosen = m_editor.noteChosenLook(m_caret, m_typing);
    QWidget *focus = view->window()->focusWidget();
    const bool inPage = focus == view || view->isAncestorOf(focus);
    if (m_editor.m_textChanges == m_changes && !lookChosen) {
        // Nothing changed: the keys go back where they were if the command took them into the page
        // for its work (ｺﾋﾟｰ), not to a menu bar that held them only to choose it.
        QWidget *keys = m_keys;
        if (inPage && keys && keys != view && !view->isAncestorOf(keys) && keys->window() == view->window()
            && keys->isVisible() && keys->isEnabled() && !qobject_cast<QMenuBar *>(keys))
            keys->setFocus(Qt::OtherFocusReason);
        return;
    }
    // The keys stay where the command left them when it put them in the page itself.
    if (view->isVisible() && view->isEnabled() && !inPage)
        view->setFocus(Qt::OtherFocusReason);
}

// A command that chose the format of what is typed next at the caret (nothing selected, the caret
// where it was, its format another): the look is the user's choice for the text typed there.
bool uTxm::noteChosenLook(int caret, const QTextCharFormat &before)
{
    if (caret < 0 || m_edit->selLength() > 0 || m_edit->selStart() != caret || m_edit->cursor().charFormat() == before)
        return false;
    m_chosenLook = QTextCursor(m_edit->document());
    m_chosenLook.setPosition(caret);
    return true;
}

bool uTxm::typingInChosenLook() const
{
    return !m_chosenLook.isNull() && m_chosenLook.document() == m_edit->document() && m_edit->selLength() == 0
           && m_chosenLook.position() == m_edit->selStart();
}

bool uTxm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_view && event->type() == QEvent::ContextMenu
        && static_cast<QContextMenuEvent *>(event)->reason() == QContextMenuEvent::Keyboard) {
        popupAtCaret();
        return true;
    }
    if (watched != m_title)
        return QWidget::eventFilter(watched, event);
    if (event->type() == QEvent::FocusIn && m_ime == QStringLiteral("ON"))
        m_title->setAttribute(Qt::WA_InputMethodEnabled, true);
    if (event->type() != QEvent::KeyPress || static_cast<QKeyEvent *>(event)->key() != Qt::Key_Return)
        return false;
    if (!Frmt::st().usrDtp || m_edit->textLength() != 0 || isBusy())
        return false;
    // Enter in the title box of an empty page starts the page with its title as heading.
    m_busy = true;
    runGrouped([this] {
        m_edit->setSelStart(0);
        txStyle(0, QVariant(), false);
        m_edit->setSelStart(0);
        m_edit->setSelectedText(m_title->text());
    });
    syncToView();
    m_busy = false;
    RfrshBar();
    return true;
}

void uTxm::keyUp(int key)
{
    if ((key != 38 && key != 40) || isBusy())
        return;
    syncFromView();
    // A selection made with Shift and the arrows is kept: the rule below is for the caret alone.
    if (m_edit->selLength() != 0)
        return;
    const int caret = m_edit->selStart();
    const QChar next = m_edit->charAt(caret);
    int page = 0, line = 0, column = 0;
    T_GetInPos(page, line, column);
    // An empty line reached after a heading is body text, unless the user gave it its style.
    if (caret > 0 && column <= 1 && (next == QChar(10) || next == QChar(11)) && !m_edit->blockStyleChosen()) {
        const int before = styleAt(caret - 1);
        m_edit->setSelStart(caret);
        if (before < 3)
            txStyle(3, QVariant(), true);
    }
}

// ---- popup menu and toolbar state

void uTxm::PopRtf(int x, int y)
{
    RfrshBar();
    SetRtfMn();
    m_form->iRJb = 0;
    m_form->popupRtf(x < 1 || y <= 0 ? QCursor::pos() : QPoint(x, y));
    runPopupChoice(m_form->iRJb, m_form->vOpt);
    takeActivationBack();
}

void uTxm::takeActivationBack()
{
    QWidget *host = window();
    if (host->isVisible() && !QApplication::activeWindow() && !QApplication::activeModalWidget()
        && !QApplication::activePopupWidget())
        host->activateWindow();
}

void uTxm::popupAtCaret()
{
    if (isBusy())
        return;
    // Below the caret, inside the view when the caret lies outside it.
    PageTextItem *item = m_view->activeItem();
    const QRect caret = m_view->mapFromScene(item->mapRectToScene(item->caretRect())).boundingRect();
    const QRect area = m_view->viewport()->rect();
    const QPoint at(qBound(area.left(), caret.left(), area.right()), qBound(area.top(), caret.bottom(), area.bottom()));
    const QPoint global = m_view->viewport()->mapToGlobal(at);
    PopRtf(qMax(1, global.x()), qMax(1, global.y()));
}

void uTxm::runPopupChoice(int job, const QVariant &option)
{
    if (job == 0)
        return;
    if (job < 50 || job > 52) {
        rtAct(job, option);
        return;
    }
    // The field commands report themselves whether they changed the page: a cancelled dialog
    // leaves the page as it was.
    m_busy = true;
    takeSnapshot();
    const bool changed = m_services->runJob(*this, job, option);
    syncToView();
    m_busy = false;
    if (changed)
        setBDcEdt(true);
    RfrshBar();
}

void uTxm::SetRtfMn()
{
    bool bUndo = false, bRedo = false, bCopy = false, bPaste = false, bExDoc = false, bOvrw = false;
    bool bTx = false, bPc = false, bMt = false, bLk = false;
    int iRet = 0;
    ChkJbMn1(bUndo, bRedo, bCopy, bPaste, bExDoc, bOvrw, bTx, bPc, bMt, bLk, iRet);
    bUndo = canUndo();
    bool bShwGrd = false, bInsTb = false, bInsCL = false, bInsRw = false, bDelCL = false, bDelRw = false;
    bool bSlcTb = false, bSplTb = false, bInHd = false, bInTf = false;
    QString vFdTyp;
    ChkJbMn5(bShwGrd, bInsTb, bInsCL, bInsRw, bDelCL, bDelRw, bSlcTb, bSplTb, bInHd, bInTf, &vFdTyp);
    // In the popup, "header" means the caret stands in a page header or footer.
    const bool inHeader = m_edit->currentPart() != 0;
    if (inHeader) {
        bInsTb = bInsCL = bInsRw = bDelCL = bDelRw = bSlcTb = bSplTb = false;
    }
    const bool fieldOrHeader = !vFdTyp.isEmpty() || (inHeader && m_kind >= 1);
    const bool free = !inHeader && !bInTf;
    sbTxm &f = *m_form;
    auto enable = [&f](sbTxm::Menu menu, int index, bool on) {
        if (QAction *a = f.item(menu, index))
            a->setEnabled(on);
    };
    auto show = [&f](sbTxm::Menu menu, int index, bool on) {
        if (QAction *a = f.item(menu, index))
            a->setVisible(on);
    };
    enable(sbTxm::mnEdit, 0, bUndo);
    // The repeat item runs its command again: it is enabled when that command is one (opening a
    // submenu leaves a caption that runs nothing).
    const bool redoItem = f.item(sbTxm::mnEdit, 1)->text().startsWith(QStringLiteral("やり直し"));
    enable(sbTxm::mnEdit, 1, bRedo || (!redoItem && f.jobOf(sbTxm::mnEdit, 1) != 0));
    enable(sbTxm::mnEdit, 3, bCopy);
    enable(sbTxm::mnEdit, 4, bCopy);
    enable(sbTxm::mnEdit, 5, bPaste);
    if (bPaste) {
        enable(sbTxm::mnPast, 2, bLk || bMt || bPc);
        enable(sbTxm::mnPast, 3, bTx);
    }
    for (int i : {8, 9, 10, 12, 13})
        enable(sbTxm::mnEdit, i, bExDoc);
    enable(sbTxm::mnEdit, 18, bOvrw);
    for (int i : {0, 1, 3, 4, 5, 8, 9, 25, 27, 28})
        enable(sbTxm::mnLocal, i, free);
    // OLE objects do not exist on this platform.
    enable(sbTxm::mnLocal, 9, false);
    for (int i : {11, 14, 19})
        enable(sbTxm::mnLocal, i, !fieldOrHeader);
    show(sbTxm::mnLocal, 12, vFdTyp == QLatin1String("LK"));
    show(sbTxm::mnLocal, 13, vFdTyp == QLatin1String("LK"));
    show(sbTxm::mnLocal, 15, vFdTyp == QLatin1String("TG"));
    show(sbTxm::mnLocal, 16, vFdTyp == QLatin1String("TG"));
    show(sbTxm::mnLocal, 20, vFdTyp == QLatin1String("TP"));
    show(sbTxm::mnLocal, 21, vFdTyp == QLatin1String("TP"));
    enable(sbTxm::mnSelc, 17, free);
    enable(sbTxm::mnSelc, 18, free);
    enable(sbTxm::mnTbl, 0, (bInsTb || bInsCL || bInsRw) && !fieldOrHeader);
    enable(sbTxm::mnTins, 0, bInsTb);
    enable(sbTxm::mnTins, 2, bInsCL);
    enable(sbTxm::mnTins, 3, bInsCL);
    enable(sbTxm::mnTins, 5, bInsRw);
    enable(sbTxm::mnTins, 6, bInsRw);
    enable(sbTxm::mnTbl, 1, bSplTb);
    enable(sbTxm::mnTbl, 2, bDelCL || bDelRw);
    enable(sbTxm::mnTdel, 0, bDelRw);
    enable(sbTxm::mnTdel, 1, bDelCL);
    enable(sbTxm::mnTdel, 2, bDelRw);
    enable(sbTxm::mnTbl, 3, bSlcTb);
    for (int i = 0; i < 3; ++i)
        enable(sbTxm::mnTslc, i, bSlcTb);
    enable(sbTxm::mnTbl, 4, bDelRw);
    bool hdP = false, hdF = false, ftP = false, ftF = false;
    HeadFtMn(hdP, hdF, ftP, ftF);
    f.item(sbTxm::mnHeader, 0)->setChecked(hdP);
    f.item(sbTxm::mnHeader, 1)->setChecked(hdF);
    f.item(sbTxm::mnFooter, 0)->setChecked(ftP);
    f.item(sbTxm::mnFooter, 1)->setChecked(ftF);
    f.disableUnbuilt([this](int job) { return jobBuilt(job); });
}

void uTxm::RfrshBar()
{
    bool hasContent = false;
    bool modifiedContent = false;
    ChkJbMn0(hasContent, modifiedContent);
    const bool flags[7] = {m_view->canCopy(), m_view->canPaste(),
                           canUndo(), m_edit->redoSteps() > 0,
                           modifiedContent, hasContent, m_edit->currentPart() != 0};
    if (m_keptValid && std::equal(flags, flags + 7, m_kept))
        return;
    auto action = [this](const char *key) -> QAction * {
        for (QAction *a : m_tlBar->actions()) {
            if (a->objectName() == QLatin1String(key))
                return a;
        }
        return nullptr;
    };
    action("Save")->setVisible(m_kind >= 0);
    action("Save")->setEnabled(flags[4]);
    for (const char *key : {"Print", "Preview", "Find"})
        action(key)->setEnabled(flags[5]);
    action("Cut")->setEnabled(flags[0]);
    action("Copy")->setEnabled(flags[0]);
    action("Paste")->setEnabled(flags[1]);
    action("Undo")->setEnabled(flags[2]);
    action("Redo")->setEnabled(flags[3]);
    for (QAction *a : m_tlBar->actions()) {
        if (!jobBuilt(a->property("job").toInt()))
            a->setEnabled(false);
    }
    std::copy(flags, flags + 7, m_kept);
    m_keptValid = true;
}

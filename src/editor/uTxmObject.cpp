// The object popup menu of the page editor: pictures and text frames.
#include "editor/uTxm.h"

#include "core/Usr.h"
#include "core/zKtl.h"
#include "editor/EditorServices.h"
#include "editor/TxmFields.h"
#include "editor/TxmObjectProps.h"
#include "editor/sbTxm.h"
#include "platform/richtext/RichTextEdit.h"
#include "platform/richtext/TextProps.h"
#include "platform/richview/RichView.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QMenu>

// Kind of the field that ends (step -1) or starts (step +1) within three characters of `from`.
QString uTxm::neighbourFieldKind(int from, int step) const
{
    for (int distance = 1; distance <= 3; ++distance) {
        const int position = step < 0 ? from - distance : from + distance;
        if (position < 0 || position >= m_edit->textLength())
            break;
        if (const int field = m_edit->fieldAt(position)) {
            QString kind;
            QString key;
            fieldKindKey(field, kind, key);
            return kind;
        }
    }
    return QString();
}

bool uTxm::objectMenuStates(int objectId)
{
    const int kind = m_edit->objectKind(objectId);
    if (kind != TextProps::PictureKind && kind != TextProps::TextFrameKind)
        return false;
    sbTxm &f = *m_form;
    const bool picture = kind == TextProps::PictureKind;
    const int position = m_edit->objectPosition(objectId);
    f.item(sbTxm::mnObjct, 3)->setVisible(picture);
    if (picture)
        TxmFields(*this).SetObjMn(position);
    for (int i = 6; i <= 20 && !picture; ++i) {
        if (QAction *item = f.item(sbTxm::mnObjct, i))
            item->setVisible(false);
    }
    const bool publisher = picture && Usr::FbChkPub(0);
    for (int i : {14, 15, 16})
        f.item(sbTxm::mnObjct, i)->setVisible(publisher);
    for (int i = 0; i < 22; ++i) {
        QAction *a = f.item(sbTxm::mnObjct, i);
        if (a && !a->isSeparator() && !objectItemBuilt(i))
            a->setEnabled(false);
    }
    return true;
}

void uTxm::objectPopup(int objectId)
{
    if (isBusy())
        return;
    const int start = m_edit->selStart();
    if (!objectMenuStates(objectId))
        return;
    m_view->setFocus();
    if (m_edit->selectObject(objectId))
        m_view->clipboardAction(2);
    m_edit->setSelStart(start);
    m_form->iOndx = -1;
    m_form->mnObj()->exec(QCursor::pos());
    if (m_form->iOndx >= 0)
        objectMenuAct(objectId, m_form->iOndx);
    takeActivationBack();
}

bool uTxm::T_PicEdit(int objectId)
{
    // The popup has put the picture on the clipboard; the picture tool edits it there and hands back
    // a file, which takes the old picture's place.
    QString result;
    bool first = false;
    bool ok = false;
    zKtl::instance().ActPic(m_kind, Usr::st().workFolder, result, 0, 0, first, ok);
    if (!ok || result.isEmpty() || !m_edit->selectObject(objectId))
        return false;
    return T_PicIns(result);
}

bool uTxm::T_ObjProps(int objectId)
{
    const QSize shown = m_edit->objectSize(objectId);
    if (shown.isEmpty())
        return false;
    TxmObjectProps dialog(shown, this);
    if (!m_view->runDialog(dialog))
        return false;
    const QSize typed = dialog.typedSize();
    if (typed != shown && !m_edit->setObjectSize(objectId, typed))
        return false;
    // The distances an object keeps from the text become the standard one, where it keeps any.
    m_edit->setCurrentObject(objectId);
    for (int item = 1; item <= 4; ++item) {
        if (m_edit->objectDistance(item) > 0)
            m_edit->setObjectDistance(item, 320);
    }
    return true;
}

void uTxm::objectMenuAct(int objectId, int index)
{
    m_busy = true;
    takeSnapshot();
    m_edit->selectObject(objectId);
    bool changed = false;
    runGrouped([&] { changed = objectItemWork(objectId, index); });
    syncToView();
    m_busy = false;
    if (changed)
        setBDcEdt(true);
    RfrshBar();
}

bool uTxm::objectItemWork(int objectId, int index)
{
    bool changed = false;
    switch (index) {
    case 0:
        QApplication::clipboard()->clear();
        changed = m_view->clipboardAction(1);
        break;
    case 1:
        m_view->clipboardAction(2);
        break;
    case 3:
        changed = T_PicEdit(objectId);
        break;
    case 5:
        changed = m_edit->deleteObject(objectId);
        break;
    case 21:
        changed = T_ObjProps(objectId);
        break;
    case 18:
    case 19: {
        const int position = m_edit->objectPosition(objectId);
        const QString kind = index == 18 ? neighbourFieldKind(position, -1) : neighbourFieldKind(position, 1);
        changed = m_services->runJob(*this, kind == QStringLiteral("LK") ? 50 : 51, index);
        break;
    }
    default:
        changed = m_services->objectMenuItem(*this, index, objectId);
        break;
    }
    return changed;
}

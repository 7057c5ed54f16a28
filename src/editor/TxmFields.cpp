#include "editor/TxmFields.h"

#include "core/Frmt.h"
#include "core/Usr.h"
#include "core/zClt.h"
#include "core/zSvr.h"
#include "editor/EditorServices.h"
#include "editor/TextWidth.h"
#include "editor/sbTxm.h"
#include "editor/uTxm.h"
#include "platform/desktop/Prompt.h"
#include "platform/richtext/RichTextEdit.h"
#include "platform/richtext/TextProps.h"

#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QTextCursor>

namespace {

const QString ObjectText = QStringLiteral("  ");

int kindColour(const QString &kind)
{
    if (kind == QLatin1String("TG"))
        return TxmFields::TagColour;
    if (kind == QLatin1String("TP"))
        return TxmFields::TipColour;
    return TxmFields::LinkColour;
}

} // namespace

TxmFields::TxmFields(uTxm &editor)
    : m_editor(editor)
{
}

void TxmFields::bodyLook(int foreColour)
{
    RichTextEdit &e = m_editor.edit();
    const UsrFmt &body = Frmt::st().usrFmt[3];
    e.setFontName(body.fontName);
    e.setFontSize(body.fontSize);
    e.setForeColor(foreColour);
}

void TxmFields::finish()
{
    m_changed = true;
    m_editor.setBDcEdt(true);
}

bool TxmFields::txInsFld(int kind, const QString &text, const QString &data)
{
    RichTextEdit &e = m_editor.edit();
    const int colour = kind == 7 ? TagColour : kind == 8 ? TipColour : LinkColour;
    const int start = e.selStart();
    int id = 0;
    e.beginCommand();
    const int object = text == ObjectText && e.selLength() == 1 ? e.currentObject() : 0;
    if (object > 0 && e.objectPosition(object) == start) {
        // A field on an object: one blank either side, the object between them inside the field.
        e.setSelLength(0);
        id = e.insertField(QStringLiteral(" "));
        if (id > 0) {
            // The blank's own format: the caret's typing format no longer carries the field.
            QTextCursor blank(e.document());
            blank.setPosition(start + 1);
            const QTextCharFormat look = blank.charFormat();
            e.select(start + 1, 1);
            QTextCharFormat props;
            for (int p : {TextProps::FieldId, TextProps::FieldType, TextProps::FieldData, TextProps::FieldAttrs})
                props.setProperty(p, look.property(p));
            e.cursor().mergeCharFormat(props);
            e.select(start + 2, 0);
            e.cursor().insertText(QStringLiteral(" "), look);
            e.select(start, 3);
        }
    } else {
        e.setSelectedText(QString());
        id = e.insertField(text);
        e.select(start, int(text.size()));
    }
    if (id <= 0) {
        e.endCommand();
        return false;
    }
    bodyLook(colour);
    e.setBackColor(0xFFFFFF);
    e.setBold(false);
    e.setUnderline(true);
    e.setCurrentField(id);
    e.setFieldType(kind == 6 ? 1 : 2);
    e.setFieldData(data);
    e.setFieldAttrs(Attributes);
    // What is typed after the field is ordinary text of its paragraph, in the paragraph's own look.
    e.select(e.fieldEnd(), 0);
    RichTextEdit::prepareTyping(e.cursor());
    e.endCommand();
    return true;
}

void TxmFields::txSelTrim()
{
    RichTextEdit &e = m_editor.edit();
    const QString selected = e.selectedText();
    if (!selected.isEmpty() && (selected.endsWith(QChar(10)) || selected.endsWith(QChar(11))))
        e.setSelLength(e.selLength() - 1);
}

bool TxmFields::txDelFld(bool withText)
{
    RichTextEdit &e = m_editor.edit();
    const int id = m_editor.fieldAtCaret();
    if (id <= 0 || !e.setCurrentField(id))
        return false;
    int start = e.fieldStart() - 1;
    int length = e.fieldEnd() - e.fieldStart() + 1;
    e.beginCommand();
    const bool ok = e.deleteField(withText);
    if (ok && !withText) {
        e.select(start, length);
        if (e.selectedText() == QStringLiteral(" ") + QChar(1) + QStringLiteral(" ")) {
            e.select(start + 2, 1);
            e.setSelectedText(QString());
            e.select(start, 1);
            e.setSelectedText(QString());
            e.select(start, 1);
            length = 1;
        }
        const UsrFmt &body = Frmt::st().usrFmt[3];
        bodyLook(body.textColor);
        e.setUnderline(false);
        e.setBackColor(body.backColor);
    }
    e.setSelLength(0);
    e.endCommand();
    return ok;
}

void TxmFields::txLnkFld(int &option, bool onObject, int copyField)
{
    RichTextEdit &e = m_editor.edit();
    if (option != 2 && e.selLength() > 0)
        txSelTrim();
    int n = 0;
    if (option != 0) {
        n = m_editor.fieldAtCaret();
        if (n <= 0)
            return;
        e.setCurrentField(n);
    }
    if (copyField >= 1 && option == 0 && onObject) {
        if (!e.setCurrentField(copyField))
            return;
        if (txInsFld(6, ObjectText, e.fieldData()))
            finish();
        return;
    }
    if (option == 2) {
        if (txDelFld(false))
            finish();
        return;
    }
    QString answer = option == 0 ? e.selectedText() : e.fieldText() + QLatin1Char('\t') + e.fieldData();
    m_editor.companion().Act(onObject ? QStringLiteral("LK_OBJ") : QStringLiteral("LK"), answer);
    QString caption;
    QString target;
    zClt::instance().T_SpltWd(answer, QStringLiteral("\t"), caption, target);
    if (target.isEmpty() || (caption.isEmpty() && !onObject)) {
        option = -1;
        return;
    }
    if (option == 1) {
        e.beginCommand();
        e.setCurrentField(n);
        if (!onObject)
            e.setFieldText(caption);
        e.setFieldType(1);
        e.setFieldData(target);
        e.setFieldAttrs(Attributes);
        e.endCommand();
    } else if (!txInsFld(6, onObject ? ObjectText : caption, target)) {
        return;
    }
    finish();
}

void TxmFields::txTagFld(int &option, bool onObject, int copyField)
{
    RichTextEdit &e = m_editor.edit();
    if (option != 2 && e.selLength() > 0)
        txSelTrim();
    int n = 0;
    if (option != 0) {
        n = m_editor.fieldAtCaret();
        if (n <= 0)
            return;
        e.setCurrentField(n);
    }
    if (copyField >= 1 && option == 0 && onObject) {
        if (!e.setCurrentField(copyField) || !e.fieldData().startsWith(QLatin1String("TG_")))
            return;
        if (txInsFld(7, ObjectText, e.fieldData()))
            finish();
        return;
    }
    if (option == 2) {
        if (txDelFld(false))
            finish();
        return;
    }
    QString key;
    QString text;
    if (option == 1) {
        key = e.fieldData().remove(QStringLiteral("TG_"));
        text = e.fieldText();
    } else {
        text = e.selectedText();
    }
    m_editor.services().chooseTagPage(QStringLiteral("ﾀｸﾞの参照"), key, text);
    // The numeric value of the key's leading digits, as a page number.
    qsizetype digits = 0;
    while (digits < key.size() && key[digits].isDigit())
        ++digits;
    if (key.left(digits).toLongLong() == 0 || text.trimmed().isEmpty()) {
        option = -1;
        return;
    }
    if (option == 1) {
        e.beginCommand();
        e.setCurrentField(n);
        if (!onObject)
            e.setFieldText(text);
        e.setFieldType(2);
        e.setFieldData(QStringLiteral("TG_") + key);
        e.setFieldAttrs(Attributes);
        e.endCommand();
    } else if (!txInsFld(7, onObject ? ObjectText : text, QStringLiteral("TG_") + key)) {
        return;
    }
    finish();
}

void TxmFields::txTipFld(int &option)
{
    RichTextEdit &e = m_editor.edit();
    const int n = m_editor.fieldAtCaret();
    if (option == 2) {
        if (txDelFld(false))
            finish();
        return;
    }
    txSelTrim();
    QString caption;
    QString tip;
    if (option == 1) {
        if (n <= 0 || !e.setCurrentField(n))
            return;
        caption = e.fieldText();
        if (!e.fieldData().startsWith(QLatin1String("TP")))
            return;
        tip = e.fieldData().mid(3);
    } else {
        caption = e.selectedText();
    }
    m_editor.services().chooseTip(caption, tip);
    if (caption.isEmpty() || tip.isEmpty()) {
        option = -1;
        return;
    }
    tip = TextWidth::cleanTip(tip);
    if (option == 1) {
        e.beginCommand();
        e.setCurrentField(n);
        e.setFieldText(caption);
        e.setFieldType(2);
        e.setFieldData(QStringLiteral("TP_") + tip);
        e.setFieldAttrs(Attributes);
        e.endCommand();
    } else if (!txInsFld(8, caption, QStringLiteral("TP_") + tip)) {
        return;
    }
    finish();
}

QString TxmFields::zoomFolder()
{
    QVariantList row;
    int home = 0;
    if (zSvr::instance().isOpen() && zSvr::instance().R_PAry(QStringLiteral("Select HiHome From kaUsr"), row))
        home = row.value(0).toInt();
    return Usr::st().userData + (home == 2 ? QStringLiteral("Site/") : QStringLiteral("Htm/")) + Usr::st().dbName
           + QStringLiteral("/pc_zoom/");
}

QString TxmFields::latestFile(const QString &folder)
{
    QDateTime latest(QDate(2000, 1, 1), QTime(0, 0));
    QString file;
    const QFileInfoList entries = QDir(folder).entryInfoList(QDir::Files, QDir::Name);
    for (const QFileInfo &info : entries) {
        if (info.lastModified() > latest) {
            latest = info.lastModified();
            file = info.absoluteFilePath();
        }
    }
    return file;
}

bool TxmFields::txZoomLnk(int option, bool latest)
{
    RichTextEdit &e = m_editor.edit();
    // The folder of the database open now: the name is read at each call, never kept.
    const QString folder = zoomFolder();
    if (e.selLength() > 0 && option != 2)
        txSelTrim();
    int n = 0;
    if (option == 1) {
        n = m_editor.fieldAtCaret();
        if (n > 0)
            e.setCurrentField(n);
    }
    QString file;
    if (latest) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        zClt::instance().F_CreateFld(folder);
        file = latestFile(folder);
        QApplication::restoreOverrideCursor();
    } else {
        file = Prompt::current().openFile(QStringLiteral("ﾘﾝｸ先のﾄﾞｷｭﾒﾝﾄ"), folder,
                                          Frmt::DialogFilter(QStringLiteral("全てのﾌｧｲﾙ|*")));
    }
    if (file.isEmpty())
        return false;
    if (option == 1 && n > 0) {
        e.beginCommand();
        e.setFieldType(1);
        e.setFieldData(file);
        e.setFieldAttrs(Attributes);
        e.endCommand();
    } else if (!txInsFld(6, ObjectText, file)) {
        return false;
    }
    finish();
    return true;
}

bool TxmFields::txFdFld(bool insert)
{
    RichTextEdit &e = m_editor.edit();
    if (insert) {
        e.beginCommand();
        const int id = e.insertField(QStringLiteral("[FD]"));
        if (id > 0) {
            e.setFieldType(1);
            e.setFieldData(QStringLiteral("@"));
            e.setFieldAttrs(Attributes);
        }
        e.endCommand();
        return id > 0;
    }
    const int id = m_editor.fieldAtCaret();
    if (id <= 0 || !e.setCurrentField(id) || e.fieldType() != 1)
        return false;
    const int start = e.fieldStart() - 1;
    e.beginCommand();
    e.deleteField(true);
    e.select(start, 0);
    e.setSelectedText(QStringLiteral("@"));
    e.endCommand();
    return true;
}

void TxmFields::txFldClr(int start, int length)
{
    // One re-colouring for the field commands and the editor's own styling.
    m_editor.txFldClr(start, length);
}

int TxmFields::neighbourField(int step) const
{
    RichTextEdit &e = m_editor.edit();
    const int position = e.selStart();
    for (int distance = 1; distance <= 3; ++distance) {
        const int at = step < 0 ? position - distance : position + distance;
        if (at < 0 || at >= e.textLength())
            break;
        if (const int field = e.fieldAt(at))
            return field;
    }
    return 0;
}

void TxmFields::SetObjMn(int position)
{
    RichTextEdit &e = m_editor.edit();
    sbTxm &f = m_editor.companion();
    f.iOndx = -1;
    QString kind;
    QString key;
    if (const int field = e.fieldAt(position))
        m_editor.fieldKindKey(field, kind, key);
    const int k = kind.isEmpty() ? -1 : kind == QLatin1String("LK") ? 1 : kind == QLatin1String("TG") ? 2 : 0;
    const auto show = [&f](int index, bool visible) {
        if (QAction *item = f.item(sbTxm::mnObjct, index))
            item->setVisible(visible);
    };
    show(6, true);
    show(7, k <= 0);
    show(8, k == 1);
    show(9, k == 1);
    show(10, true);
    show(11, k <= 0);
    show(12, k == 2);
    show(13, k == 2);
    // Copies only onto an object without a field of its own.
    const QString before = k < 0 ? m_editor.neighbourFieldKind(position, -1) : QString();
    const QString after = k < 0 ? m_editor.neighbourFieldKind(position, 1) : QString();
    const auto copyable = [](const QString &kind) {
        return kind == QLatin1String("LK") || kind == QLatin1String("TG");
    };
    const auto caption = [](const QString &side, const QString &kind) {
        return side + (kind == QLatin1String("LK") ? QStringLiteral("ﾘﾝｸ") : QStringLiteral("ﾀｸﾞ"))
               + QStringLiteral("を複写");
    };
    show(18, copyable(before));
    show(19, copyable(after));
    show(20, copyable(before) || copyable(after));
    if (copyable(before))
        f.item(sbTxm::mnObjct, 18)->setText(caption(QStringLiteral("直前の"), before));
    if (copyable(after))
        f.item(sbTxm::mnObjct, 19)->setText(caption(QStringLiteral("直後の"), after));
}

bool TxmFields::objectItem(int index)
{
    m_changed = false;
    int option = 0;
    switch (index) {
    case 7: case 8: case 9:
        option = index - 7;
        txLnkFld(option, true, 0);
        break;
    case 11: case 12: case 13:
        option = index - 11;
        txTagFld(option, true, 0);
        break;
    case 15: case 16: {
        const int field = m_editor.fieldAtCaret();
        QString kind;
        QString key;
        if (field > 0)
            m_editor.fieldKindKey(field, kind, key);
        txZoomLnk(kind == QLatin1String("LK") ? 1 : 0, index == 15);
        break;
    }
    case 18: case 19: {
        const int field = neighbourField(index == 18 ? -1 : 1);
        if (field <= 0)
            break;
        QString kind;
        QString key;
        m_editor.fieldKindKey(field, kind, key);
        if (kind == QLatin1String("LK"))
            txLnkFld(option, true, field);
        else if (kind == QLatin1String("TG"))
            txTagFld(option, true, field);
        break;
    }
    default:
        break;
    }
    return m_changed;
}

bool TxmFields::run(int code, int option)
{
    if (option == 18 || option == 19)
        return objectItem(option);
    int opt = option;
    m_changed = false;
    switch (code) {
    case 50:
        txLnkFld(opt, false, 0);
        break;
    case 51:
        txTagFld(opt, false, 0);
        break;
    case 52:
        txTipFld(opt);
        break;
    case 55:
        if (txFdFld(option == 1))
            finish();
        break;
    default:
        break;
    }
    return m_changed;
}

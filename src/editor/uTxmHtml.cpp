// HTML output of the page in the editor and the page fields prepared for an output run.
#include "core/Frmt.h"
#include "core/Usr.h"
#include "core/LinkedFile.h"
#include "core/zClt.h"
#include "core/zSvr.h"
#include "editor/HtmlBridge.h"
#include "editor/uTxm.h"
#include "platform/db/DbTable.h"
#include "platform/desktop/Prompt.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/RichTextEdit.h"

#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QRegularExpression>
#include <QStandardPaths>

namespace {

const int LinkColour = 0xFF8080;

// An address with a scheme of its own (https:, mailto: ...); "file:" is a file.
bool hasScheme(const QString &data)
{
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
    return scheme.match(data).hasMatch() && !data.startsWith(QLatin1String("file:"), Qt::CaseInsensitive);
}

bool htmEnding(const QString &name)
{
    return name.right(4).compare(QLatin1String(".htm"), Qt::CaseInsensitive) == 0
           || name.right(5).compare(QLatin1String(".html"), Qt::CaseInsensitive) == 0;
}

QString threeDigits(const QString &n)
{
    return n.size() < 3 ? QString(3 - n.size(), QLatin1Char('0')) + n : n;
}

// The output address of a tag's page (empty when the page is in the run or there is no site); a
// link-placement key in the run is cut to its page.
void T_TgFName(QString &sKey, QString &sFile)
{
    const FrmtState &f = Frmt::st();
    sFile.clear();
    const qsizetype u = sKey.indexOf(QLatin1Char('_'));
    const QString parent = u < 0 ? QString() : sKey.left(u);
    const QString page = u < 0 ? sKey : sKey.mid(u + 1);
    if (f.outputSet.contains(QLatin1Char('.') + page + QLatin1Char('.'))) {
        sKey = page;
        return;
    }
    if (f.homeKind == 0) {
        sKey.clear();
        return;
    }
    QString name;
    bool root = false;
    if (!f.htmList.isEmpty()) {
        for (const QString &line : f.htmList.split(QLatin1Char('\r'))) {
            if (line.startsWith(page + QLatin1Char('\t'))) {
                name = line.mid(page.size() + 1);
                break;
            }
        }
        if (f.homeKind == 2 && name.startsWith(QLatin1String("../"))) {
            root = true;
            name.remove(0, 3);
        }
    } else if (f.homeKind == 2) {
        QVariantList row;
        zSvr::instance().R_PAry(QStringLiteral("Select saFnm, boRoot From tbHtm Where noDoc=?"), {page.toInt()}, row);
        if (row.size() == 2) {
            name = row[0].toString();
            root = row[1].toInt() != 0;
        }
    }
    if (!name.isEmpty() && !htmEnding(name))
        name += QStringLiteral(".htm");
    if (name.isEmpty())
        name = (u < 0 ? QString() : threeDigits(parent) + QLatin1Char('_')) + threeDigits(page) + QStringLiteral(".htm");
    if (!root && f.homeKind == 2)
        name.prepend(QStringLiteral("pub/"));
    sFile = f.homeAddress + name;
}

} // namespace

QString uTxm::T_GetTpLst() const
{
    return tipList(*m_edit);
}

QString uTxm::tipList(RichTextEdit &e)
{
    QString list;
    const int keep = e.currentField();
    for (int id = e.nextField(0); id; id = e.nextField(id)) {
        e.setCurrentField(id);
        if (e.fieldType() == 2 && e.fieldData().startsWith(QLatin1String("TP_")))
            list += e.fieldText() + QLatin1Char('\t') + e.fieldData().mid(3) + QLatin1Char('\r');
    }
    if (keep)
        e.setCurrentField(keep);
    return list;
}

void uTxm::SaveHtm(int iJb, bool &bOk, const QString &vFL)
{
    bOk = false;
    QString file = vFL;
    if (file.isEmpty()) {
        QString folder;
        emit eAskSavePh(folder);
        if (folder.isEmpty())
            folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        file = Prompt::current().saveFile(QStringLiteral("名前を付けて保存"), folder,
                                          Frmt::DialogFilter(QStringLiteral("HTML Document(*.htm;*.html)|*.htm;*.html")));
    }
    if (!file.isEmpty())
        bOk = saveHtmOf(*m_edit, iJb, file);
}

bool uTxm::saveHtmOf(RichTextEdit &source, int iJb, const QString &file)
{
    HtmlBridge *html = HtmlBridge::current();
    bool ok = false;
    if (html)
        html->cSaveHtm(*source.page(), false, file, tipList(source), m_title->text(), iJb, ok);
    return ok;
}

bool uTxm::T_ViewIE()
{
    const QString file = Usr::st().workFolder + QStringLiteral("$Wrk.htm");
    zClt::instance().F_CreateFld(Usr::st().workFolder);
    bool ok = false;
    SaveHtm(0, ok, file);
    if (!ok) {
        Prompt::current().message(exportFailedText(file));
        return false;
    }
    zClt::instance().A_ViewIE(file);
    return true;
}

void uTxm::SaveXHtm(const QString &sFL, const QString &sSz, bool bPng)
{
    bool ok = false;
    if (HtmlBridge *html = HtmlBridge::current())
        html->cSaveHtm(*m_page, bPng, sFL, QString(), sSz, 2, ok);
    setBDcEdt(false);
}

void uTxm::txGetCssBd(const QString &sFL, QString &sCss, QString &sBdy, bool &bOk)
{
    bOk = false;
    if (HtmlBridge *html = HtmlBridge::current())
        html->cGetHtm(*m_page, sFL, T_GetTpLst(), sCss, sBdy, bOk);
}

void uTxm::txCnvLnk(bool bDelFr, QString *vTgs)
{
    txCnvLnk(*m_edit, bDelFr, vTgs);
}

void uTxm::dropField(RichTextEdit &e, int id)
{
    if (!e.setCurrentField(id))
        return;
    // The text stays, in the colours of body text, as if it had never been a field.
    const UsrFmt &body = Frmt::st().usrFmt[3];
    e.setSelStart(e.fieldStart() - 1);
    e.setSelLength(e.fieldText().size());
    e.setForeColor(body.textColor);
    e.setBackColor(body.backColor);
    e.setBold(body.bold == 1);
    e.setUnderline(false);
    if (e.setCurrentField(id))
        e.deleteField(false);
}

void uTxm::txCnvLnk(RichTextEdit &e, bool bDelFr, QString *vTgs)
{
    const FrmtState &f = Frmt::st();
    QString tags = QStringLiteral(".");
    QList<int> removed;
    const QString site = QDir::cleanPath(Usr::st().userData + (f.homeKind == 1 ? QStringLiteral("Htm/") : QStringLiteral("Site/"))
                                         + Usr::st().dbName);
    for (int id = e.nextField(0); id; id = e.nextField(id)) {
        e.setCurrentField(id);
        const QString data = e.fieldData();
        const QString kind = data.left(3).toUpper();
        if (kind == QLatin1String("TG_")) {
            QString key = data.mid(3), file;
            T_TgFName(key, file);
            if (!file.isEmpty()) {
                e.setFieldType(1);
                e.setFieldData(file);
                if (vTgs) {
                    e.setSelStart(e.fieldStart() - 1);
                    e.setSelLength(e.fieldText().size());
                    e.setForeColor(LinkColour);
                }
            } else if (!key.isEmpty()) {
                const qsizetype u = key.indexOf(QLatin1Char('_'));
                if (u >= 0)
                    key = key.mid(u + 1);
                // A link-placement key keeps its page only: the copy has no placement numbers of its own.
                if (data.mid(3) != key)
                    e.setFieldData(data.left(3) + key);
                if (!tags.contains(QLatin1Char('.') + key + QLatin1Char('.'), Qt::CaseInsensitive))
                    tags += key + QLatin1Char('.');
            } else {
                removed << id;
            }
        } else if (kind == QLatin1String("LK_")) {
            continue;
        } else if (data.left(5).compare(QLatin1String("http:"), Qt::CaseInsensitive) == 0 || vTgs
                   || hasScheme(data)) {
            // Any web or mail address stays a link, not only "http:".
            continue;
        } else if (const QString file = LinkedFile::resolve(data, Usr::st().dbFolder);
                   !QFileInfo(file).isFile() || f.homeKind == 0) {
            // A relative path lies in the database's folder, not in the program's working folder.
            removed << id;
        } else if (!file.startsWith(site + QLatin1Char('/'))) {
            // Only a file below the site folder has an address in the site, not one whose path
            // merely holds the folder's text.
            const QString name = QFileInfo(file).fileName();
            if (QFileInfo(site + QStringLiteral("/lnk/") + name).isFile()) {
                e.setFieldType(1);
                e.setFieldData(f.homeAddress + QStringLiteral("lnk/") + name);
            } else {
                removed << id;
            }
        } else {
            const QString rel = file.mid(site.size() + 1);
            e.setFieldType(1);
            e.setFieldData(f.homeAddress + rel);
        }
    }
    for (int id : removed)
        dropField(e, id);
    if (bDelFr) {
        QList<int> frames;
        for (int id = e.nextObject(32, 0); id; id = e.nextObject(32, id))
            frames << id;
        for (int id : frames) {
            const QTextDocument *text = e.page() ? e.page()->frameDocument(id) : nullptr;
            const QString plain = text ? text->toPlainText() : QString();
            if (plain.contains(QLatin1String("[Iframe:")) || plain.contains(QLatin1String("[Script:")))
                e.deleteObject(id);
        }
    }
    e.selectFrame(0);
    if (vTgs)
        *vTgs = tags;
}

void uTxm::txAddLnk(int nNo)
{
    txAddLnk(*m_edit, nNo);
}

void uTxm::txAddLnk(RichTextEdit &e, int nNo)
{
    DbTable rows;
    const int count = zSvr::instance().R_Ary(
        QStringLiteral("Select szDoc, noLfC, boLnk From tbTree Where noLfP=? And boHide=0  Order By inSrt"), {nNo}, rows);
    HtmlBridge *html = HtmlBridge::current();
    if (count == 0 || !html)
        return;
    const UsrFmt &body = Frmt::st().usrFmt[3];
    auto toEnd = [&] {
        e.setSelStart(e.text().size());
        e.setSelLength(0);
    };
    toEnd();
    e.typeText(QString(QChar(10)));
    for (int r = 0; r < count; ++r) {
        QString child = rows.at(1, r).toString();
        QString address = Frmt::st().homeAddress + QStringLiteral("pub/")
                          + html->HsFName(QString::number(nNo), child, rows.at(2, r).toInt(), true);
        address.remove(QStringLiteral("pub/../"));
        toEnd();
        const int id = e.insertField(rows.at(0, r).toString());
        if (id) {
            e.setCurrentField(id);
            e.setFieldType(1);
            e.setFieldData(address);
            e.setSelStart(e.fieldStart() - 1);
            e.setSelLength(e.fieldText().size());
            e.setForeColor(LinkColour);
            e.setUnderline(true);
        }
        toEnd();
        e.setForeColor(body.textColor);
        e.setUnderline(false);
        e.typeText(QStringLiteral("・"));
    }
}

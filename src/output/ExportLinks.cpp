#include "output/ExportLinks.h"

#include "core/Frmt.h"
#include "core/zClt.h"
#include "core/zSvr.h"
#include "platform/richtext/RichTextEdit.h"

#include <QList>

namespace {

bool isTag(const QString &data)
{
    return data.left(3).compare(QLatin1String("TG_"), Qt::CaseInsensitive) == 0;
}

// The page part of a tag key: the child of a link-placement key "parent_child".
QString pagePart(const QString &key)
{
    const int underscore = key.indexOf(QLatin1Char('_'));
    return underscore < 0 ? key : key.mid(underscore + 1);
}

QString padded(const QString &number)
{
    return number.size() < 3 ? number.rightJustified(3, QLatin1Char('0')) : number;
}

void addToList(QString &list, const QString &page)
{
    if (!page.isEmpty() && !list.contains(QLatin1Char('.') + page + QLatin1Char('.'), Qt::CaseInsensitive))
        list += page + QLatin1Char('.');
}

} // namespace

QString ExportLinks::fileName(const QString &parent, const QString &page, bool link)
{
    const FrmtState &home = Frmt::st();
    QString name;
    bool root = false;
    if (!home.htmList.isEmpty()) {
        name = zClt::instance().TsBtwn(QChar(13) + home.htmList, QChar(13) + page + QLatin1Char('\t'), QString(QChar(13)));
        if (home.homeKind == 2 && name.startsWith(QLatin1String("../"))) {
            root = true;
            name.remove(0, 3);
        }
    } else if (home.homeKind == 2) {
        QVariantList row{QVariant(), QVariant()};
        zSvr::instance().R_PAry(QStringLiteral("Select saFnm, boRoot From tbHtm Where noDoc=?"), {page.toLongLong()},
                                row);
        name = row.value(0).toString();
        root = row.value(1).toInt() == 1;
    }
    if (!name.isEmpty()) {
        if (!name.endsWith(QLatin1String(".htm"), Qt::CaseInsensitive)
            && !name.endsWith(QLatin1String(".html"), Qt::CaseInsensitive))
            name += QStringLiteral(".htm");
    } else {
        name = (link ? padded(parent) + QLatin1Char('_') : QString()) + padded(page) + QStringLiteral(".htm");
    }
    if (!root && home.homeKind == 2)
        name.prepend(QStringLiteral("pub/"));
    return name;
}

QString ExportLinks::tagAddress(QString &key)
{
    const int underscore = key.indexOf(QLatin1Char('_'));
    const QString parent = underscore < 0 ? QString() : key.left(underscore);
    const QString page = pagePart(key);
    const FrmtState &home = Frmt::st();
    if (home.outputSet.contains(QLatin1Char('.') + page + QLatin1Char('.'))) {
        key = page;
        return QString();
    }
    if (home.homeKind == 0) {
        key.clear();
        return QString();
    }
    return home.homeAddress + fileName(parent, page, underscore >= 0);
}

void ExportLinks::dropField(RichTextEdit &edit, int id)
{
    if (!edit.setCurrentField(id))
        return;
    // The text stays, in the colours of body text, as if it had never been a field.
    const UsrFmt &body = Frmt::st().usrFmt[3];
    edit.select(edit.fieldStart() - 1, edit.fieldEnd() - edit.fieldStart() + 1);
    edit.setForeColor(body.textColor);
    edit.setBackColor(body.backColor);
    edit.setBold(body.bold == 1);
    edit.setUnderline(false);
    if (edit.setCurrentField(id))
        edit.deleteField(false);
}

QString ExportLinks::convertTags(RichTextEdit &edit)
{
    QString list = QStringLiteral(".");
    QList<int> removals;
    for (int id = edit.nextField(0); id > 0; id = edit.nextField(id)) {
        edit.setCurrentField(id);
        const QString data = edit.fieldData();
        if (!isTag(data))
            continue;
        QString key = data.mid(3);
        const QString address = tagAddress(key);
        if (!address.isEmpty()) {
            edit.setFieldType(1);
            edit.setFieldData(address);
            edit.select(edit.fieldStart() - 1, edit.fieldEnd() - edit.fieldStart() + 1);
            edit.setForeColor(0xFF8080);
        } else if (!key.isEmpty()) {
            addToList(list, pagePart(key));
        } else {
            removals.append(id);
        }
    }
    for (int id : std::as_const(removals))
        dropField(edit, id);
    edit.setSelStart(0);
    return list;
}

QString ExportLinks::tagList(RichTextEdit &edit)
{
    QString list = QStringLiteral(".");
    const int keep = edit.currentField();
    for (int id = edit.nextField(0); id > 0; id = edit.nextField(id)) {
        edit.setCurrentField(id);
        const QString data = edit.fieldData();
        if (isTag(data))
            addToList(list, pagePart(data.mid(3)).trimmed());
    }
    edit.setCurrentField(keep);
    return list;
}

void ExportLinks::addChildLinks(RichTextEdit &edit, qint64 page)
{
    DbTable rows;
    const int count = zSvr::instance().R_Ary(
        QStringLiteral("Select szDoc, noLfC, boLnk From tbTree Where noLfP=? And boHide=0  Order By inSrt"), {page}, rows);
    if (count == 0)
        return;
    const FrmtState &home = Frmt::st();
    edit.setSelStart(edit.textLength());
    edit.setSelLength(0);
    edit.typeText(QStringLiteral("\n"));
    for (int r = 0; r < count; ++r) {
        QString address = home.homeAddress + QStringLiteral("pub/")
                          + fileName(QString::number(page), QString::number(rows.at(1, r).toLongLong()),
                                     rows.at(2, r).toInt() == 1);
        address.replace(QStringLiteral("pub/pub/"), QStringLiteral("pub/"));
        address.remove(QStringLiteral("pub/../"));
        edit.setSelStart(edit.textLength());
        edit.setSelLength(0);
        QString title = rows.at(0, r).toString();
        if (title.isEmpty())
            title = QString::number(rows.at(1, r).toLongLong());
        if (edit.insertField(title) > 0) {
            edit.setFieldType(1);
            edit.setFieldData(address);
        }
        edit.setSelStart(edit.textLength());
        edit.setSelLength(0);
        edit.setForeColor(Frmt::st().usrFmt[3].textColor);
        edit.setUnderline(false);
        edit.typeText(QStringLiteral("・"));
    }
}

bool ExportLinks::mayHoldTags(const QByteArray &bytes)
{
    // Page bytes keep their texts as UTF-16 (low byte first) without
    // compression: a field data "TG_..." shows as T 0 G 0 _ 0, in any letter
    // case. Picture bytes may look alike by chance; that only costs a load.
    const QByteArray mark("_\0", 2);
    for (qsizetype at = bytes.indexOf(mark); at >= 0; at = bytes.indexOf(mark, at + 1)) {
        if (at >= 4 && bytes[at - 3] == 0 && bytes[at - 1] == 0 && (bytes[at - 4] | 0x20) == 't'
            && (bytes[at - 2] | 0x20) == 'g')
            return true;
    }
    return false;
}

#include "output/ExportLinks.h"

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

void addToList(QString &list, const QString &page)
{
    if (!page.isEmpty() && !list.contains(QLatin1Char('.') + page + QLatin1Char('.'), Qt::CaseInsensitive))
        list += page + QLatin1Char('.');
}

} // namespace

QString ExportLinks::tagList(RichTextEdit &edit)
{
    QString list = QStringLiteral(".");
    for (const auto &field : tagFields(edit))
        addToList(list, field.first);
    return list;
}

QList<QPair<QString, QString>> ExportLinks::tagFields(RichTextEdit &edit)
{
    QList<QPair<QString, QString>> fields;
    const int keep = edit.currentField();
    for (int id = edit.nextField(0); id > 0; id = edit.nextField(id)) {
        edit.setCurrentField(id);
        const QString data = edit.fieldData();
        if (isTag(data))
            fields.append({pagePart(data.mid(3)).trimmed(), edit.fieldText()});
    }
    edit.setCurrentField(keep);
    return fields;
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

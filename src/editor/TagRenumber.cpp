#include "editor/TagRenumber.h"

#include "editor/uTxm.h"
#include "platform/richtext/RichTextEdit.h"

#include <QList>

TagRenumber::TagRenumber(const QString &map)
{
    // Whole pairs only: page 2 must not be found inside the pair of page 12.
    for (const QString &pair : map.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const int equals = pair.indexOf(QLatin1Char('='));
        if (equals > 0 && !m_map.contains(pair.left(equals).trimmed()))
            m_map.insert(pair.left(equals).trimmed(), pair.mid(equals + 1).trimmed());
    }
}

QString TagRenumber::mapped(const QString &key) const
{
    const int underscore = key.indexOf(QLatin1Char('_'));
    if (underscore < 0)
        return m_map.value(key.trimmed());
    const QString parent = m_map.value(key.left(underscore).trimmed());
    const QString child = m_map.value(key.mid(underscore + 1).trimmed());
    if (parent.isEmpty())
        return QString();
    return child.isEmpty() ? parent : parent + QLatin1Char('_') + child;
}

void TagRenumber::apply(RichTextEdit &edit) const
{
    QList<int> removals;
    for (int id = edit.nextField(0); id > 0; id = edit.nextField(id)) {
        edit.setCurrentField(id);
        const QString data = edit.fieldData();
        if (data.left(3).toUpper() != QLatin1String("TG_"))
            continue;
        const QString now = mapped(data.mid(3));
        if (now.isEmpty()) {
            removals.append(id);
        } else {
            edit.setFieldType(2);
            edit.setFieldData(QStringLiteral("TG_") + now);
        }
    }
    for (int id : std::as_const(removals))
        uTxm::dropField(edit, id);
}

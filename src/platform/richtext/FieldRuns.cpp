#include "platform/richtext/FieldRuns.h"

#include "platform/richtext/TextProps.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

using namespace TextProps;

int FieldRuns::idOf(const QTextCharFormat &format)
{
    return format.intProperty(FieldId);
}

QList<FieldRuns::Range> FieldRuns::all(const QTextDocument *doc)
{
    QList<Range> ranges;
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment frag = it.fragment();
            const int id = idOf(frag.charFormat());
            if (id <= 0)
                continue;
            // A run continues only across fragments that touch.
            if (!ranges.isEmpty() && ranges.last().id == id && ranges.last().end == frag.position())
                ranges.last().end = frag.position() + frag.length();
            else
                ranges.append(Range{id, frag.position(), frag.position() + frag.length()});
        }
    }
    return ranges;
}

FieldRuns::Range FieldRuns::find(const QTextDocument *doc, int id)
{
    if (id <= 0)
        return Range();
    for (const Range &range : all(doc)) {
        if (range.id == id)
            return range;
    }
    return Range();
}

int FieldRuns::at(const QTextDocument *doc, int position)
{
    if (position < 0 || position >= doc->characterCount() - 1)
        return 0;
    const QTextBlock block = doc->findBlock(position);
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment frag = it.fragment();
        if (frag.contains(position))
            return idOf(frag.charFormat());
    }
    return 0;
}

QTextCharFormat FieldRuns::format(const QTextDocument *doc, int id)
{
    const Range range = find(doc, id);
    if (!range.isValid())
        return QTextCharFormat();
    QTextCursor cursor(const_cast<QTextDocument *>(doc));
    cursor.setPosition(range.start + 1);
    return cursor.charFormat();
}

void FieldRuns::stripField(QTextCharFormat &format)
{
    for (int prop : {FieldId, FieldType, FieldData, FieldAttrs})
        format.clearProperty(prop);
}

QTextCharFormat FieldRuns::typingFormat(const QTextCursor &cursor)
{
    QTextCharFormat format = cursor.charFormat();
    const int before = idOf(format);
    if (before > 0) {
        const int pos = cursor.position();
        if (cursor.atBlockStart() || at(cursor.document(), pos) != before)
            stripField(format);
    }
    return format;
}

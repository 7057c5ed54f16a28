#include "platform/richtext/FieldRuns.h"

#include "platform/richtext/TextProps.h"

#include <QHash>
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
    QHash<int, qsizetype> index; // id -> its range
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment frag = it.fragment();
            const int id = idOf(frag.charFormat());
            if (id <= 0)
                continue;
            // Something inserted inside a field (a picture) splits its run, not the field.
            const auto found = index.constFind(id);
            if (found != index.cend()) {
                ranges[*found].end = frag.position() + frag.length();
            } else {
                index.insert(id, ranges.size());
                ranges.append(Range{id, frag.position(), frag.position() + frag.length()});
            }
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

void FieldRuns::unmark(QTextDocument *doc, const Range &range)
{
    // A merge can only add properties: each fragment gets its own format back without the field.
    QList<std::pair<QTextFragment, QTextCharFormat>> pieces;
    for (QTextBlock block = doc->findBlock(range.start); block.isValid(); block = block.next()) {
        if (block.position() >= range.end)
            break;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment frag = it.fragment();
            if (frag.position() < range.end && frag.position() + frag.length() > range.start) {
                QTextCharFormat format = frag.charFormat();
                stripField(format);
                pieces.append({frag, format});
            }
        }
    }
    QTextCursor cursor(doc);
    for (const auto &[frag, format] : pieces) {
        cursor.setPosition(qMax(frag.position(), range.start));
        cursor.setPosition(qMin(frag.position() + frag.length(), range.end), QTextCursor::KeepAnchor);
        cursor.setCharFormat(format);
    }
}

bool FieldRuns::mergeInto(QTextDocument *doc, int id, const QTextCharFormat &format)
{
    const Range range = find(doc, id);
    if (!range.isValid())
        return false;
    QList<std::pair<int, int>> runs;
    for (QTextBlock block = doc->findBlock(range.start); block.isValid(); block = block.next()) {
        if (block.position() >= range.end)
            break;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment frag = it.fragment();
            if (idOf(frag.charFormat()) == id)
                runs.append({frag.position(), frag.position() + frag.length()});
        }
    }
    QTextCursor cursor(doc);
    cursor.beginEditBlock();
    for (const auto &[from, to] : runs) {
        cursor.setPosition(from);
        cursor.setPosition(to, QTextCursor::KeepAnchor);
        cursor.mergeCharFormat(format);
    }
    cursor.endEditBlock();
    return true;
}

#include "platform/richtext/FieldRuns.h"

#include "platform/richtext/LineBlocks.h"
#include "platform/richtext/ObjectChars.h"
#include "platform/richtext/TextProps.h"

#include <QHash>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <optional>

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
        LineBlocks::forEachRun(block, [&](int position, int length, const QTextCharFormat &format) {
            const int id = idOf(format);
            if (id <= 0)
                return;
            // Something inserted inside a field (a picture) splits its run, not the field.
            const auto found = index.constFind(id);
            if (found != index.cend()) {
                ranges[*found].end = position + length;
            } else {
                index.insert(id, ranges.size());
                ranges.append(Range{id, position, position + length});
            }
        });
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
    int id = 0;
    LineBlocks::forEachRun(doc->findBlock(position), [&](int from, int length, const QTextCharFormat &format) {
        if (position >= from && position < from + length)
            id = idOf(format);
    });
    return id;
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
    if (ObjectChars::isObject(format))
        format = besideObject(cursor, format);
    const int before = idOf(format);
    if (before > 0) {
        const int pos = cursor.position();
        // The start of a held line (LineBlocks) is inside its paragraph, after a line break.
        const bool paragraphStart = cursor.atBlockStart() && !LineBlocks::continues(cursor.block());
        if (paragraphStart || at(cursor.document(), pos) != before) {
            // A look given at the caret (bold switched on there) stays; the look a field's
            // character lends is the field's, not that of the text typed beside it.
            QTextCursor plain(cursor.document());
            plain.setPosition(pos);
            if (plain.charFormat() == format)
                format = ordinaryFormat(cursor.block(), pos, format);
            stripField(format);
        }
    }
    return format;
}

namespace {

bool isText(const QTextCharFormat &format)
{
    return FieldRuns::idOf(format) <= 0 && !format.isImageFormat() && format.objectType() == QTextFormat::NoObject;
}

} // namespace

QTextCharFormat FieldRuns::besideObject(const QTextCursor &cursor, const QTextCharFormat &object)
{
    const int pos = cursor.position();
    QTextCharFormat format = ObjectChars::textFormat(ordinaryFormat(cursor.block(), pos, object));
    // A look given at the caret (bold switched on there) stays on top of it.
    QTextCursor plain(cursor.document());
    plain.setPosition(pos);
    const QTextCharFormat there = plain.charFormat();
    const QMap<int, QVariant> given = object.properties();
    for (auto it = given.cbegin(); it != given.cend(); ++it)
        if (!ObjectChars::isObject(there) || there.property(it.key()) != it.value())
            format.setProperty(it.key(), it.value());
    return ObjectChars::textFormat(format);
}

QTextCharFormat FieldRuns::ordinaryFormat(const QTextBlock &block, int position, const QTextCharFormat &field)
{
    // The nearest character of the paragraph's own text before the position, else after it.
    std::optional<QTextCharFormat> before;
    std::optional<QTextCharFormat> after;
    for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        if (!fragment.isValid() || !isText(fragment.charFormat()))
            continue;
        if (fragment.position() < position)
            before = fragment.charFormat();
        else if (!after)
            after = fragment.charFormat();
    }
    if (before)
        return *before;
    if (after)
        return *after;
    // The paragraph's own format, where it was not begun inside a field.
    if (isText(block.charFormat()))
        return block.charFormat();
    // Nothing but fields: their font without their look.
    QTextCharFormat plain = field;
    stripField(plain);
    plain.setFontUnderline(false);
    plain.clearProperty(QTextFormat::TextUnderlineStyle);
    plain.clearForeground();
    plain.clearBackground();
    return plain;
}

void FieldRuns::unmark(QTextDocument *doc, const Range &range)
{
    // A merge can only add properties: each fragment gets its own format back without the field.
    struct Piece {
        int from, to;
        QTextCharFormat format;
    };
    QList<Piece> pieces;
    for (QTextBlock block = doc->findBlock(range.start); block.isValid(); block = block.next()) {
        if (block.position() >= range.end)
            break;
        LineBlocks::forEachRun(block, [&](int position, int length, QTextCharFormat format) {
            if (position < range.end && position + length > range.start) {
                stripField(format);
                pieces.append({qMax(position, range.start), qMin(position + length, range.end), format});
            }
        });
    }
    QTextCursor cursor(doc);
    for (const Piece &piece : pieces) {
        cursor.setPosition(piece.from);
        cursor.setPosition(piece.to, QTextCursor::KeepAnchor);
        cursor.setCharFormat(piece.format);
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
        LineBlocks::forEachRun(block, [&](int position, int length, const QTextCharFormat &format) {
            if (idOf(format) == id)
                runs.append({position, position + length});
        });
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

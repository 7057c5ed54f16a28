#pragma once

#include <QList>

class QTextBlock;
class QTextCharFormat;
class QTextCursor;
class QTextDocument;

// Fields of one part: runs of characters with the same TextProps::FieldId (see TextProps.h). A field
// spans from its first to its last character, whatever was inserted between them.
class FieldRuns
{
public:
    struct Range {
        int id = 0;
        int start = -1; // first position
        int end = -1;   // one past the last
        bool isValid() const { return start >= 0; }
    };

    static int idOf(const QTextCharFormat &format);
    static QList<Range> all(const QTextDocument *doc); // text order
    static Range find(const QTextDocument *doc, int id);
    static int at(const QTextDocument *doc, int position); // field of the character at position, 0 none
    static QTextCharFormat format(const QTextDocument *doc, int id);

    // The format for text typed at the cursor: the field properties are kept only strictly inside a
    // field, so typing at a field's start or end never extends it; there the text takes the look of
    // its paragraph's own text (ordinaryFormat), unless a look was given at the caret.
    static QTextCharFormat typingFormat(const QTextCursor &cursor);
    // The format of text put at the cursor where the character beside it is an object's (a picture,
    // a text frame's anchor): the look of the paragraph's text before it (ordinaryFormat), with a look
    // given at the caret on top; never the object's.
    static QTextCharFormat besideObject(const QTextCursor &cursor, const QTextCharFormat &object);
    // The look of the paragraph's own text beside a field at `position` of `block`: the nearest
    // character outside fields before it, else after it, else the block's format; in a paragraph of
    // fields only, the field's font without its underline and colours.
    static QTextCharFormat ordinaryFormat(const QTextBlock &block, int position, const QTextCharFormat &field);
    static void stripField(QTextCharFormat &format);
    // Merges format into the characters of field id (not into what lies between its runs); false
    // when the field has no characters.
    static bool mergeInto(QTextDocument *doc, int id, const QTextCharFormat &format);
    // Takes the field properties off the range's characters, keeping their look.
    static void unmark(QTextDocument *doc, const Range &range);
};

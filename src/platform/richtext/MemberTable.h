#pragma once

#include <QVariant>

class RichTextEdit;

// The fixed map from member ids (MemberId.h) to the named roles of RichTextEdit, for the callers that
// pass attribute ids around (lists of paragraph values, format records). Covers the value-like
// members: character and paragraph attributes, page setup, text and selection, the current field's
// values and the edit mode. Other ids give an invalid QVariant / false.
class MemberTable
{
public:
    static bool has(int id);
    static QVariant get(const RichTextEdit &edit, int id);
    static bool set(RichTextEdit &edit, int id, const QVariant &value);
};

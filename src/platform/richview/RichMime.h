#pragma once

class QMimeData;
class RichTextEdit;

// The clipboard and drag forms of the editing model's selection: a RichMimeData with the selection
// as a page, plus plain text and HTML. Paste prefers the page, then HTML, then text, and never
// extends a field at the caret.
class RichMime
{
public:
    static QMimeData *fromSelection(const RichTextEdit &edit); // nullptr without a selection
    static bool canInsert(const QMimeData *data);
    // Replaces the model's selection in one undo step; false when the data holds nothing to insert.
    static bool insert(RichTextEdit &edit, const QMimeData *data);
};

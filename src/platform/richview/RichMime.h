#pragma once

class QMimeData;
class QTextCursor;

// The clipboard and drag forms of a selection: plain text and HTML. Paste prefers the richer form
// and never extends a field at the caret.
class RichMime
{
public:
    static QMimeData *fromSelection(const QTextCursor &cursor); // nullptr without a selection
    static bool canInsert(const QMimeData *data);
    // Replaces the cursor's selection; false when the data holds nothing to insert.
    static bool insert(QTextCursor &cursor, const QMimeData *data);
};

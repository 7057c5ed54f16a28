#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class QMimeData;
class RichTextEdit;

// The selection on the clipboard as bytes: RichMime's forms plus the page stream of the selection
// under our own MIME type, so that fields, pictures, text frames and tables also come back whole from
// a clipboard that another instance of the program filled, and the selection as RTF for word
// processors. Paste takes our own form first, then RTF, then RichMime's HTML and text, and a picture
// when the clipboard holds nothing else.
class PageClipboard
{
public:
    static QString mimeType() { return QStringLiteral("application/x-fenwar-page"); }
    static QString rtfType() { return QStringLiteral("text/rtf"); }

    // The RTF of the clipboard, as word processors name it in either way; empty when there is none.
    static QByteArray rtfOf(const QMimeData *data);

    static QMimeData *fromSelection(const RichTextEdit &edit); // nullptr without a selection
    static bool canInsert(const QMimeData *data);
    // A bitmap or a drawing (SVG) on the clipboard.
    static bool hasPicture(const QMimeData *data);
    // Replaces the selection in one undo step, with new field and object ids for our own form;
    // damaged bytes of our form fall back to the HTML or text. Every picture comes in through
    // PictureDoor, whatever type it comes in (the bytes of image/png may be a drawing): `unread`, when
    // given, gets those left out (pictureName() for a picture alone).
    static bool insert(RichTextEdit &edit, const QMimeData *data, QStringList *unread = nullptr);
    // A picture alone on the clipboard, as a note names it.
    static QString pictureName();
};

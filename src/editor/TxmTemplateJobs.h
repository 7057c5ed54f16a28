#pragma once

#include <QByteArray>

class RichTextEdit;
class uTxm;

// Layout jobs for template pages: a labelled view of the page (its data fields, text frames and
// empty table cells named by their running numbers, as the template members address them) and
// laying the page out as two or three text frames.
class TxmTemplateJobs
{
public:
    // The page with its labels, as page bytes; the page itself keeps its texts.
    static QByteArray labelledCopy(uTxm &editor);
    // Shows the labelled copy in a page view window.
    static void txTlView(uTxm &editor);
    // Labels the empty cells of every table of the current part of `target`.
    static void txTlLabelCells(RichTextEdit &target);
    // Clears the page (asking first when it has text) and lays it out as text frames: one for 2,
    // two for 3. False when cancelled or when the page leaves no room for a frame.
    static bool txTlFrames(uTxm &editor, int parts);
};

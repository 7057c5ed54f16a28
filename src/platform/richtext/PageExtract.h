#pragma once

class PageDocument;
class QTextDocument;

// Copies a stretch of one part into a page of its own (copy to the clipboard, save a selection): the
// text with its formats, fields and tables, and the pictures and text frames it refers to, with their
// ids and names as they were. PageInsert puts such a page back in, with new ids.
class PageExtract
{
public:
    // `part` is a part of `source`; [start, end) in its positions. `target` is emptied first and gets
    // the source's page setup. A stretch reaching into a table takes whole cells.
    static void extract(const PageDocument &source, const QTextDocument *part, int start, int end,
                        PageDocument &target);
};

#pragma once

#include "platform/docx/DocumentFile.h"
#include "platform/richtext/PageCodec.h"

#include <QByteArray>
#include <QString>

class PageDocument;
class QMimeData;

// Reading and laying out a large page keeps the window still for seconds (a text of megabytes, a
// table of thousands of cells): that is done under the wait window. A job that shows the window
// already keeps it, with its own text.
class LoadWait
{
public:
    // Above this weight (characters laid out, PageCodec::layoutWeight) the work is done under the
    // wait window.
    static constexpr qint64 Weight = 300000;
    // A file larger than this weighs above it: the weight of another program's file is known only
    // once it is read. A Word file (a zip archive) weighs as its parts unpacked, each cell of its
    // tables' grids as PageCodec::CellWeight characters and each list item as ListItemWeight; packed
    // otherwise, as a file PackedRatio times its size. An RTF file weighs by its size, its cells and
    // its list items alike. A smaller file is looked at for what its size does not tell
    // (DocumentFile::readWeight: deeply nested HTML and its list items, huge pictures in few bytes).
    static constexpr qint64 FileSize = 512 * 1024;
    static constexpr qint64 PackedRatio = 10;
    static constexpr qint64 ListItemWeight = PageCodec::ListItemWeight;

    explicit LoadWait(qint64 weight);
    ~LoadWait();
    LoadWait(const LoadWait &) = delete;
    LoadWait &operator=(const LoadWait &) = delete;

    // The weight of loading page bytes, or of reading a file (0 while the window is shown already:
    // nothing need be measured).
    static qint64 pageWeight(const QByteArray &page);
    // The same weight for a page that is loaded already and is laid out anew (page view, printing).
    static qint64 pageWeight(const PageDocument &page);
    static qint64 fileWeight(const QString &file, DocumentFile::Format format = DocumentFile::None);
    // The weight of a paste of the clipboard's content, as the page editor takes it (PageClipboard).
    static qint64 pasteWeight(const QMimeData *data);
    static QString message();

private:
    // Markup weighs by its size as a file does.
    static qint64 markupWeight(qint64 size);
    static qint64 documentWeight(const QString &file, qint64 size, bool packed);
    static qint64 rtfWeight(const QByteArray &rtf);
    // Tables and lists of a Word or RTF file: each cell (each place of a table's grid, for Word) as
    // PageCodec::CellWeight characters, each list item as ListItemWeight.
    static qint64 structureWeight(qint64 cells, qint64 listItems);

    bool m_shown = false;
};

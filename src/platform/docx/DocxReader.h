#pragma once

#include <QByteArray>
#include <QString>

class PageDocument;

// Reads a Word document (.docx) into a page: paragraphs with their character formats (font, size,
// bold, italic, underline, strikethrough, colours), headings 1 to 3 as the user styles 0 to 2, line and
// page breaks, tables (merged cells, nested tables), embedded pictures, hyperlinks as link fields,
// the default and first-page headers and footers of the last section, and its page setup.
// Damaged, truncated or hostile packages are refused: entries over the size limits, nesting deeper
// than the limits, references outside the package or to other files (linked pictures and the like are
// left out, never fetched). A failed read leaves the page as it was.
class DocxReader
{
public:
    static bool read(PageDocument &page, const QByteArray &bytes);
    static bool readFile(PageDocument &page, const QString &path);

    static constexpr qint64 FileLimit = 128 * 1024 * 1024;
    static constexpr int NestingLimit = 32;   // elements of the body inside each other, tables included
    static constexpr int TableLimit = 1000;   // rows, and columns, of one table
    static constexpr qint64 PictureLimit = 8000; // pixels either way
};

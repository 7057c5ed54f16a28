#pragma once

#include <QByteArray>
#include <QString>

class PageDocument;

// Writes a page as RTF: runs with font, size, bold, italics, underline, strikethrough, colours,
// paragraphs with alignment, indents, spacing and page breaks, headings as outline levels 0 to 2, line
// breaks, tables (merged cells, nested tables), pictures (PNG or JPEG), link fields as hyperlink fields,
// the four header and footer parts and the page setup. Text frames follow their anchor's paragraph.
// The text is plain ASCII: everything else goes as Unicode escapes.
class RtfWriter
{
public:
    static QByteArray pageBytes(const PageDocument &page);
    // Written whole or not at all.
    static bool writePage(const PageDocument &page, const QString &path);
};

#pragma once

#include <QString>

class PageDocument;

// The page as HTML for the publishing converter (editor save format 4). The writer keeps to one
// dialect that the converter's string passes rely on:
//   - UTF-8, a head ending "</head>", then "<body style=...>" with no other attribute, closed by
//     "</body></html>"; no base address; text without a font of its own is in the body font given
//     (the database's body text), else in the document's default font;
//   - paragraphs "<p style=...>" always closed; styles as "name:value;" with margins, indents and
//     font sizes in pt, zero margins written exactly "margin-left:0pt;" and so on, line spacing as
//     "line-height:N%;", alignment as "text-align:"; character formatting shared by a whole
//     paragraph in its own style, differing runs as "<span style=...>"; colours "#RRGGBB" upper case;
//   - line breaks "<br />"; an empty paragraph and leading, trailing or repeated blanks "&nbsp;";
//     text always escaped (&amp; &lt; &gt; &quot;), so nothing in it reads as markup;
//   - fields as anchors: tag and tooltip fields (data "TG_" and "TP_") href="#" + data, link fields
//     href = data (a local file as "file://" + its absolute path with blanks as %20);
//   - pictures "<img src=...>" (src first) with width and height, files in the folder
//     "<file name>_Images" beside the file, named "<file name>_NNN.png|jpg" in document order;
//   - lists as "<ul>"/"<ol>" of "<li>" items holding the item's paragraph; a list inside a list stands
//     in its parent item, so that each level keeps its indent and numbers go on after a sub-list; a
//     list whose items go on after something else starts at its number (start, or where the document
//     type has no start, the list-item counter); a bullet or number the browser would not choose for
//     that depth as list-style-type;
//   - tables with a colgroup of pixel widths, every cell closed;
//   - text frames as "<div style=...>" with background colour, width and height in pt and float.
class HtmlExport
{
public:
    struct Options {
        int pictureFormat = 4;      // 3 PNG, 4 JPEG
        double lineFactor = 1.2;    // line spacing of a paragraph without its own (1.2 = 120 %)
        QString bodyFont;           // this family is written 'Arial' (the converter puts it back)
        double bodySize = 0;        // points of the body text; 0: the document's default font
        // A folder beside the page that the pictures of several pages share, kept as it is; empty:
        // a folder of the page's own (<name>_Images), replaced.
        QString sharedPictures;
        // The document type has the start attribute of numbered lists (HTML 4.01 and XHTML 1.0
        // Transitional, a page without document type).
        bool listStart = false;
    };

    // The HTML text for `file`; the pictures are written into the folder beside it (an old folder
    // of that name is replaced). False in `ok` when a picture file could not be written.
    static QString text(const PageDocument &page, const QString &file, const Options &options, bool *ok = nullptr);
    // The same, written to `file` (UTF-8).
    static bool save(const PageDocument &page, const QString &file, const Options &options);
};

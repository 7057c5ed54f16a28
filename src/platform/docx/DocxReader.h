#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class PageDocument;

// Reads a Word document (.docx) into a page: paragraphs with their character formats (font, size,
// bold, italic, underline, strikethrough, colours), headings as the user styles 0 to 2 (by the style's
// name or outline level; levels below 3 as the deepest), bulleted and numbered lists, line and page
// breaks, tables (merged cells, nested tables), embedded pictures (DrawingML and VML, and the preview
// pictures of embedded objects; scaled down when huge), hyperlinks as link fields, ruby (the reading in
// parentheses after its base), text boxes (after the paragraph that anchors them), symbols, the text of
// any wrapper it does not know (deleted text and field instructions left out), footnotes and endnotes
// (numbered markers, the notes after the body), the default and first-page headers and footers of the
// last section, and its page setup.
// Damaged, truncated or hostile packages are refused: entries over the size limits, nesting deeper
// than the limits, references outside the package or to other files (linked pictures and the like are
// left out, never fetched). A failed read leaves the page as it was.
class DocxReader
{
public:
    // `problem` gets the reason a read was refused where there is one to tell the user (a table too large).
    // `unreadPictures`, when given, gets the pictures left out (missing, no picture, over the bounds
    // or past the read's budget: PictureDoor), by their names in the package, each once.
    static bool read(PageDocument &page, const QByteArray &bytes, QString *problem = nullptr,
                     QStringList *unreadPictures = nullptr);
    static bool readFile(PageDocument &page, const QString &path);

    static constexpr qint64 FileLimit = 128 * 1024 * 1024;
    static constexpr int NestingLimit = 32;   // elements of the body inside each other, tables included

    // Reasons of a refusal: bytes that are no zip package; a part of the package that is missing, that
    // unpacks to more than ZipPackage allows, or whose XML is damaged (at its line, from 1).
    static QString notPackageProblem();
    static QString missingPartProblem(const QString &part);
    static QString largePartProblem(const QString &part);
    static QString damagedPartProblem(const QString &part, qint64 line);
};

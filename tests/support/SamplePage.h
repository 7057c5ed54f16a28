#pragma once

#include <QList>
#include <QTextCharFormat>

class PageDocument;
class QTextCursor;
class QTextDocument;
class QTextTable;

// Pages for the rich-text tests: one holding every construct a page can have.
namespace SamplePage {

// Styled runs, a line break and a page break, fields of both types (texts with quotes and "?"),
// a bullet list, a table with merged and sized cells and a nested table, an inline and a floating
// picture, a text frame, a header on every page, a footer on the first page and a page setup.
void fillEveryConstruct(PageDocument &page);

// Lines of a text file joined by line breaks (code 11), as "paste as text" makes them.
QString pastedLines(int lines);

// Page streams whose stored paragraphs carry the mark of a line held as a block (only crafted bytes do:
// the writer never stores it), `variant` 0 to MarkedLineVariants - 1: the second of two short
// paragraphs, every paragraph of the every-construct page, list items, a paragraph with line breaks
// after a short one, and the second paragraph of a header.
constexpr int MarkedLineVariants = 5;
QByteArray markedLineStream(int variant);

// A text frame (2000 x 1000 twips, background COLORREF) holding `text`, anchored at the cursor.
void insertTextFrame(PageDocument &page, QTextCursor &cursor, const QString &text, int background);

// The field id of each run of field text in document order; adjacent fragments of one field count once.
QList<int> fieldIds(const QTextDocument *doc);

// The first table at the top level of `doc`, or null.
QTextTable *firstTable(QTextDocument *doc);

// The text of every paragraph that has any (those of table cells too), joined by "\n", each character as
// the document holds it.
QString paragraphText(const QTextDocument *doc);

// The most tables any text of `doc` is inside.
int nestingOf(const QTextDocument *doc);

// The bytes of a stored page holding one picture: `picture` as it stands, under `format` (three
// letters: "png", "svg" ...), as a page stored by an earlier version or made by hand may hold it.
QByteArray streamWithPicture(const QByteArray &picture, const QByteArray &format);

// The format of the object (picture, frame anchor) with `objectId`; an empty format when there is none.
QTextCharFormat formatOfObject(const QTextDocument *doc, int objectId);

} // namespace SamplePage

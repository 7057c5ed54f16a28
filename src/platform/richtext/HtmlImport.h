#pragma once

#include <QtGlobal>

class PageDocument;
class QString;
class QTextCursor;
class QTextDocument;

// Qt's HTML import that keeps every ideographic space (U+3000). Qt takes U+3000 for white space that
// HTML collapses, so a leading one is dropped and inner ones become blanks, while Japanese text uses it
// as a character of its own (a paragraph's indent, a gap of one full width). Tables nested deeper than
// the page shows them become their paragraphs (TableOps::flattenDeepTables), lists nested deeper than
// ListNestingLimit become items of the deepest list kept, elements nested deeper than Qt's import
// takes in time lose their tags (HtmlNesting), and the reading of ruby follows its base in
// parentheses, as the Word reader gives it. References that end without ";" read as browsers read them
// (HtmlReferences), and the paragraph after a table follows it with no empty one between, as a browser
// shows it. Everything else is as Qt imports it.
namespace HtmlImport {

constexpr int ListNestingLimit = 32;

// What the import left out of the HTML, which the reader tells the user: lists nested deeper than
// ListNestingLimit, elements nested deeper than HtmlNesting::Limit.
struct Cuts {
    bool lists = false;
    bool elements = false;
};

// Into a document filled without layout.
Cuts setHtml(QTextDocument *doc, const QString &html);
// As QTextCursor::insertFragment: the selection is replaced and the cursor ends after what came in. A
// list that begins the HTML takes the place of the start of the paragraph at the cursor, and the text
// after the cursor follows a list that ends it as a paragraph of its own (PastedItems). Its anchors
// become link fields of `page`, the page of the cursor's document, as linkAnchors makes them.
void insertHtml(QTextCursor &cursor, const QString &html, PageDocument &page);
// The anchors of an import (Qt marks a link's text as an anchor with its href) become link fields,
// their ids new ones of `page`: each run of one href a field of its own, in the look the import gave
// it. True when there were any.
bool linkAnchors(QTextDocument *doc, PageDocument &page);

// What the import of the HTML costs beyond its text, in characters laid out (PageCodec::layoutWeight):
// Qt's import visits the elements open around each element it reads, so that time grows with the
// square of the nesting (thousands of unclosed <font> tags of an old page take seconds). Counted from
// the tags alone, and only until it is over `limit`.
qint64 nestingWeight(const QString &html, qint64 limit);
// The list items of the HTML (its <li> start tags), which Qt lays out more slowly than their text.
qint64 listItems(const QString &html);
// The pictures of the HTML (its <img> tags): each costs the import and the reading of pictures about
// as much as PictureWeight characters laid out, however small it is (20,000 small ones in a paragraph
// take two seconds).
constexpr qint64 PictureWeight = 100;
qint64 pictures(const QString &html);

} // namespace HtmlImport

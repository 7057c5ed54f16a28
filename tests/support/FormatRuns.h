#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

class PageDocument;
class QTextDocument;

// Documents described for comparison by tests of the file readers and writers.
namespace FormatRuns {

// Every run of text of `doc` (table cells included, in document order) with the character formats a
// document file keeps: "text|b i u s|colour|size|font|background", adjacent equal runs joined, pictures
// as "[picture WxH]". Paragraphs start with "¶" and their user style when they have one.
QStringList describe(const QTextDocument *doc);

// A page with the constructs a document file must keep: a heading, styled runs (bold, italics,
// underline, strikethrough, colour, size, font, background), a line break and a page break, a link,
// a table with merged cells and a nested table, two pictures, a header and a footer.
void fillFileConstructs(PageDocument &page);

// The look of body text, which a word without a look of its own has.
struct BodyLook {
    QString font;
    double size = 0;
    QString colour; // "#RRGGBB"
};

// Word by word, the look that a reader sees: word -> marks ("b i u s sup|sub size=N font=F colour=#C
// back=#C link", only those the word has beyond the body text's look; a link's underline and colour are
// the link's, not the word's). Only the first place a word stands counts.
// In the editor: the char formats of the main text (table cells included) at each word's first letter.
QMap<QString, QString> editorWords(const QTextDocument *doc, const BodyLook &body);
// In a published page: the body's text with what the browser gives each word: the elements around it,
// their classes resolved through the page's own style sheet, their inline styles.
QMap<QString, QString> htmlWords(const QString &html, const BodyLook &body);
// In a Word document: the runs of word/document.xml with their paragraph and character styles
// (word/styles.xml).
QMap<QString, QString> docxWords(const QByteArray &document, const QByteArray &styles, const BodyLook &body);

// List items as a reader sees them: the first word of each item -> "level marker" ("2 b.", "3 bullet"):
// its level (1 the outermost) and its number as shown ("3.", "iv.") or "bullet".
// In the editor: the lists of the main text (indent and item text).
QMap<QString, QString> editorItems(const QTextDocument *doc);
// In a page: the items of its nested ul/ol elements, the list styles resolved through its style sheet,
// numbers from start or the list-item counter as a browser counts them.
QMap<QString, QString> htmlItems(const QString &html);
// In a Word document: the paragraphs with w:numPr, counted through word/numbering.xml.
QMap<QString, QString> docxItems(const QByteArray &document, const QByteArray &numbering);

// Pictures: in the editor, the image characters of the main text; in a page, its img elements whose
// source lies beside it (not the site's own pictures); in a Word document, its drawings.
int editorPictures(const QTextDocument *doc);
int htmlPictures(const QString &html);
int docxPictures(const QByteArray &document);

} // namespace FormatRuns

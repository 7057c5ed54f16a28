#pragma once

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

} // namespace FormatRuns

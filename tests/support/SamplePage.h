#pragma once

#include <QByteArray>
#include <QColor>

class PageDocument;

// Pages for the rich-text tests: one holding every construct a page can have.
namespace SamplePage {

QByteArray png(const QColor &color, int size = 4);

// Styled runs, a line break and a page break, fields of both types (texts with quotes and "?"),
// a bullet list, a table with merged and sized cells and a nested table, an inline and a floating
// picture, a text frame, a header on every page, a footer on the first page and a page setup.
void fillEveryConstruct(PageDocument &page);

} // namespace SamplePage

#pragma once

#include <QString>

// Elements nested deeper than Qt's HTML import takes in time: the import visits the elements open
// around each element it reads, more than once, so that its time grows with the square of the nesting
// (<div> nested 20,000 deep took 14 s, 100,000 deep did not end) while no page shows anything that
// deep apart. The tags of the elements the import would nest deeper than Limit are left out, each
// block's (a paragraph, a division, a quotation, a cell ...) giving way to an empty division, so that
// its text still stands in a paragraph of its own; the text is kept whole, the deeper elements' formats
// are not. The elements are nested as Qt's import nests them: every "<" opens a tag, a paragraph ends
// the one it would nest in and the elements between, cells and rows find their row and table.
class HtmlNesting
{
public:
    static constexpr int Limit = 128;

    // The HTML as the import takes it in time; `cut`, when given, tells whether any tag was left out.
    static QString cut(const QString &html, bool *cut = nullptr);
};

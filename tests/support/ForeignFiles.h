#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>

// Word and RTF documents as other programs write them, made at run time for the tests, the benchmark
// of the readers and the fuzzers' seeds: nested, large and merged tables, crafted cell edges, and a
// book with pictures in the groups a word processor puts around them.
namespace ForeignFiles {

// A package holding only word/document.xml with this body.
QByteArray docx(const QByteArray &body);

// Tables nested `depth` levels deep, `side` x `side` cells a level; the first cell of each level holds
// "L<level>" and the next level, the others "L<level> <row>,<column>"; "end" follows the outermost.
QByteArray docxNested(int depth, int side = 1);
QByteArray rtfNested(int depth, int side = 1);
QByteArray htmlNested(int depth);

// A text as web libraries of Japanese books give it: `lines` lines, each opening with an ideographic
// space, joined by <br> in one paragraph.
QByteArray htmlIndentedLines(int lines);

// One paragraph of `links` links "l<n>" to "https://example.com/<n>", a space after each.
QByteArray htmlLinks(int links);

// Text in `tags` nested <font> tags that are never closed, as old pages leave them.
QByteArray htmlUnclosed(int tags);

// `notes` paragraphs "P<n>", each with the marker of its footnote "N<n>".
QByteArray docxNotes(int notes);
QByteArray rtfNotes(int notes);

// One table, each cell holding "<row>,<column>".
QByteArray docxTable(int rows, int columns);
QByteArray rtfTable(int rows, int columns);

// Each column's cells merged in runs of `run` rows (every row when `run` is 0); the first cell of each
// run holds "C<column>".
QByteArray docxMergedColumns(int rows, int columns, int run = 0);
QByteArray rtfMergedColumns(int rows, int columns);
QByteArray htmlMergedColumns(int rows, int columns);

// Rows whose cells all have edges of their own (no two rows share one); `tail` follows the last row.
QByteArray rtfOwnEdges(int rows, int cells, const QByteArray &tail = QByteArray());

// A PNG picture of the given size, and its \pict group with a word processor's own groups in it.
QByteArray png(int width, int height);
// A blank black-and-white PNG: a huge picture in a few kilobytes.
QByteArray blankPng(int width, int height);
// Pictures that claim a size in their headers that decoding would need gigabytes for, in a few bytes: a
// progressive JPEG file (libjpeg keeps all its coefficients, whatever size it is decoded to), and a PNG
// file of grey pixels (eight bits, `depth` 16 for sixteen) whose data is cut short.
QByteArray progressiveJpegHeader(int width, int height);
QByteArray pngHeader(int width, int height, int depth = 8);
// A whole PNG file of the rows `rowOf` gives (the pixels of row y, without the filter byte), of the bit
// depth and colour type given (2 RGB, 6 RGBA).
QByteArray pngOfRows(int width, int height, int depth, int colourType, const std::function<QByteArray(int)> &rowOf);
// Pictures of a few bytes that Qt decodes into more than their size tells: a whole PNG file of
// sixteen bits a channel (eight bytes a pixel where most pictures take four), and a GIF file whose one
// frame is restored after it is shown ("restore previous": Qt keeps a second copy of it).
QByteArray deepPng(int width, int height);
QByteArray restoringGif(int width, int height);
// Drawings that cost far more than their bytes tell: `elements` empty groups packed by gzip (16,000,000
// unpack to 64 MB), and drawings packed by gzip holding `each` such drawings in data URLs, `levels`
// deep, around one packed drawing of a comment of `comment` bytes.
QByteArray packedElements(qint64 elements);
QByteArray packedNested(int levels, int each, qint64 comment);
// An icon of 67 bytes whose one entry holds the header of a PNG file of 2^31 - 1 pixels a side.
QByteArray lyingIcon();
// The bytes packed by gzip.
QByteArray gzip(const QByteArray &bytes);

// A paragraph of `pictures` pictures named `source`, with text between them.
QByteArray htmlPictures(int pictures, const QByteArray &source);
// A Word file of a paragraph and the picture (the pictures, media/image1.png on).
QByteArray docxPicture(const QByteArray &png);
QByteArray docxPictures(const QList<QByteArray> &pictures);
enum PictureGroups { BlipUid = 1, PicProp = 2 };
QByteArray rtfPicture(const QByteArray &png, int groups);

// Objects embedded in a document, each between "before " and " after": an RTF \object whose result holds
// "RESULT-TEXT " and the picture; a Word object (an equation) with the picture as its preview; a Word VML
// picture. The Word ones show the picture 40 x 30 pixels.
QByteArray rtfObject(const QByteArray &png);
QByteArray docxObject(const QByteArray &png);
QByteArray docxVmlPicture(const QByteArray &png);

// A book as a word processor writes it: chapters under "heading 1" styles, paragraphs of text with a
// footnote in each chapter, and `pictures` pictures spread over the chapters, each in both of the
// word processor's own groups.
QByteArray rtfBook(int chapters, int paragraphs, int pictures);

// Japanese as LibreOffice writes it: each run names its character set last, the Asian properties
// associated ones after \dbch, the Western ones plain after \loch and the complex ones after \rtlch.
// Shown: "A" plain, "上長" bold, "斜体" italic, "5,000円" at 12 points in a paragraph of 10.5.
QByteArray rtfLibreOfficeJapanese();

// Constructs whose text a reader may lose or garble, each with the text shown for it (paragraphs
// joined by "\n"), for the tests and the fuzzers' seeds.
struct TextCase {
    const char *name;
    QByteArray bytes;
    QString text;
};
// Word: ruby, text boxes (as shapes, in alternative content), moves, symbols, hyphens, runs in a text
// direction, content controls around rows and cells, wrappers of no known kind.
QList<TextCase> docxTextCases();
// RTF: double-byte text under a single-byte font, associated fonts, the code pages of the document,
// of a font and of a character set.
QList<TextCase> rtfTextCases();
// HTML: byte-order marks, the encodings a page declares, UTF-8 and CP932 undeclared.
QList<TextCase> htmlTextCases();
// The web's encodings as browsers read a page that declares them: the iconv name of the decoder closest
// to the browsers', a sample with the text it stands for, and the labels the web's table of encodings
// gives the encoding, apart by spaces.
struct WebEncodingCase {
    const char *decoder;
    QByteArray sample;
    QString text;
    const char *labels;
};
QList<WebEncodingCase> webEncodingCases();
// A page declaring `label` in a <meta> with `text` in its one paragraph.
QByteArray htmlDeclaring(const QByteArray &label, const QByteArray &text);

// One numbered list of `items` items "Item <n>" (from 1), as Word, WordPad and web pages give it, and a
// paragraph "end" after it.
QByteArray docxList(int items);
QByteArray rtfList(int items);
QByteArray htmlList(int items);

// `tables` tables of empty cells, a paragraph after each: many cells in few bytes.
QByteArray docxEmptyTables(int tables, int rows, int columns);
QByteArray htmlEmptyTables(int tables, int rows, int columns);

// One paragraph holding one word of `letters` letters ("abc...z" over and over) without a space, and a
// paragraph "end" after it.
QByteArray docxWord(qsizetype letters);
QByteArray rtfWord(qsizetype letters);
QByteArray htmlWord(qsizetype letters);
// `letters` Hebrew letters (right to left, as a word without a break).
QByteArray hebrewWord(qsizetype letters);
// One numbered list of one item, that word, and a paragraph "end" after it.
QByteArray docxListWord(const QByteArray &word);
// A numbered list of these items ("1.", "2.", ...), and a paragraph "end" after it.
QByteArray docxListOf(const QList<QByteArray> &items);
// `depth` elements nested as `start` gives them, the n-th holding "L<n> " before the next, each closed
// by `end` (nothing: left open), and a paragraph "end".
QByteArray htmlNestedElements(const QByteArray &start, const QByteArray &end, int depth);

// Lists nested `depth` levels deep, each with one item "L<level>" that holds the next level; "end"
// follows the outermost.
QByteArray htmlNestedLists(int depth);

// `tables` tables of empty cells as Word writes RTF, the cells' edges given once for each table.
QByteArray rtfEmptyTables(int tables, int rows, int columns);

} // namespace ForeignFiles

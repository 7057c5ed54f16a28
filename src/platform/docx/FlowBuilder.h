#pragma once

#include "platform/richtext/PageStream.h"

#include <QColor>
#include <QHash>
#include <QSize>
#include <QList>
#include <QString>
#include <QTextFormat>

#include <memory>
#include <vector>

class PageDocument;
class QTextCursor;
class QTextDocument;
class QTextTable;
class QTextList;

// The content of a document of another program as its readers collect it, before it is built into a
// page: paragraphs of runs, and tables of cells that hold paragraphs and tables again. Tables are
// collected whole first because a page table is made with its size.
namespace Flow {

struct Span {
    enum Kind { Text, Picture, PageBreak };
    Kind kind = Text;
    QString text;
    QTextCharFormat format;   // a QTextImageFormat for a picture
    QString link;             // a link field's data; empty: no link
};

struct Paragraph {
    QTextBlockFormat block;
    int heading = -1;         // user style 0 to 2, -1 none
    QString list;             // the reader's name of the list the paragraph is an item of; empty: none
    int listLevel = 0;        // 0 the outermost
    bool numbered = false;    // numbers, else bullets
    QTextListFormat::Style numberStyle = QTextListFormat::ListDecimal; // of numbers: decimal, letters, roman
    int start = 1;            // the number the file's list starts at on this level
    std::vector<Span> spans;
    qint64 characters = 0;    // of the spans' text, a picture one

    void addText(const QString &text, const QTextCharFormat &format, const QString &link = QString());
    void addPicture(const QTextImageFormat &format);
    void addPageBreak();
    // Ruby's reading after its base, as the readers give furigana: in full-width parentheses, in the
    // formats of the reading's text (the parentheses in those of its ends, with `link`).
    void addReading(const Paragraph &reading, const QString &link = QString());
};

struct Table;

struct Item {
    Paragraph paragraph;
    std::shared_ptr<Table> table;   // set: the item is a table
};
using Items = std::vector<Item>;

struct Cell {
    enum Merge { None, Restart, Continue };
    int span = 1;
    Merge merge = None;
    QColor background;
    Items items;
};

struct Table {
    std::vector<std::vector<Cell>> rows;
};

// Builds the items into an empty part of a scratch page, which must be made WithoutLayout: Qt would
// lay a table out again after every insert into a cell, and the readers only hand the page on through
// the page stream. False when a table's grid is larger than a page table may be (the part is then
// incomplete; readers give up the whole read), with the reason in `problem`. `steps`, when given, adds
// the grid places the build looked at to join merged cells: about one for each cell of its tables.
bool build(PageDocument &page, QTextDocument *doc, const Items &items, QString *problem = nullptr,
           qint64 *steps = nullptr);

// The readers keep tables nested as deep as the page shows them (TableOps::flattenDeepTables) and refuse
// tables nested deeper than NestingLimit.
static constexpr int NestingLimit = 16;
QString nestingProblem();
// Other elements (groups, content controls) inside each other beyond a reader's limit.
QString elementNestingProblem();

// The largest tables a read takes: one table as large as a page table may be, and the cells of all
// its tables together no more than that either (each cell costs Qt about ten microseconds to build and
// as much again to lay out: 250,000 empty cells in 21 KB took nine seconds). Far beyond any table of an
// ordinary document.
static constexpr int RowLimit = PageStream::MaxRows;
static constexpr int ColumnLimit = PageStream::MaxColumns;
static constexpr int TableCellLimit = PageStream::MaxTableCells;
static constexpr int CellLimit = TableCellLimit;
QString rowProblem();
QString columnProblem();
// The characters a read takes over the whole document, about 3,000 printed pages: a few kilobytes
// may unpack to a word of tens of megabytes, which took minutes and gigabytes to read and show. The
// readers count as they go and give up at the limit.
static constexpr qint64 TextLimit = 10000000;
QString textProblem();
// A table whose merged cells cover far more of its grid than their content: the page stream refuses it
// (a few bytes may not ask Qt for a large grid, which costs as much as one of separate cells).
QString mergedProblem();
QString cellProblem();
QString tableCellProblem();

// Hands the readers' scratch page over to the target through the lossless page stream, so that the
// target changes only when everything went well; false with the reason when the stream refuses it.
bool handOver(const PageDocument &page, PageDocument &target, QString *problem);

// Notes of a document as other programs keep them, in the order of their markers: each marker becomes
// its number in superscript, and the notes follow the body as numbered paragraphs.
QTextCharFormat noteMarkerFormat(const QTextCharFormat &format);
void appendNotes(Items &body, std::vector<Items> &notes);

// Widths in twips of a page table's columns, as writers give them: the table's fixed or percentage
// constraints where it has them, else an even share of the text width.
QList<int> columnWidths(const QTextTable *table, int textWidth);

// The lists of a page as writers number them: each page list a numbering of its own (from 1), so its
// numbers start at 1; numbered or bulleted by its style.
class ListNumbering
{
public:
    int idOf(const QTextList *list); // 0 for none
    bool numbered(int id) const { return isNumbered(style(id)); }
    // Bullets are one kind: the writers give each level its own bullet.
    QTextListFormat::Style style(int id) const { return m_styles.at(id - 1); }
    int count() const { return int(m_styles.size()); }
    static bool isNumbered(const QTextList *list);
    static bool isNumbered(QTextListFormat::Style style);

private:
    QHash<const QTextList *, int> m_ids;
    QList<QTextListFormat::Style> m_styles;
};

// The kinds of numbers of a page list (decimal, letters, roman numerals) as Word (numFmt) and RTF
// (\\levelnfc) name them. Kinds the page has no list style for read as decimal numbers.
QTextListFormat::Style wordNumberStyle(const QString &numFmt);
QString wordNumberFormat(QTextListFormat::Style style);
QTextListFormat::Style rtfNumberStyle(int levelnfc);
int rtfNumberFormat(QTextListFormat::Style style);
inline constexpr QTextListFormat::Style NumberStyles[] = {QTextListFormat::ListDecimal, QTextListFormat::ListLowerAlpha,
                                                          QTextListFormat::ListUpperAlpha, QTextListFormat::ListLowerRoman,
                                                          QTextListFormat::ListUpperRoman};

// A whole file replaced only once every byte is on disk.
bool writeWholeFile(const QString &path, const QByteArray &bytes);

QColor hexColour(const QString &text);   // "FF0000"; invalid for "auto" or anything else
QColor namedColour(const QString &name); // highlight names such as "yellow"
// "Heading1", "heading 2" ... "heading 9" -> 0 to 2 (levels below 3 are the deepest heading), else -1.
int headingLevel(const QString &styleName);
int outlineHeading(int outlineLevel); // 0 to 8 -> 0 to 2, else -1

} // namespace Flow

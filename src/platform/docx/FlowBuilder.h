#pragma once

#include <QColor>
#include <QList>
#include <QString>
#include <QTextFormat>

#include <memory>
#include <vector>

class PageDocument;
class QTextCursor;
class QTextDocument;
class QTextTable;

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
    std::vector<Span> spans;

    void addText(const QString &text, const QTextCharFormat &format, const QString &link = QString());
    void addPicture(const QTextImageFormat &format);
    void addPageBreak();
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

// Builds the items into an empty part of a scratch page, which stays without layout (readers hand it
// on through the page stream). False when a table is larger than a page table can
// reasonably be (the part is then incomplete; readers give up the whole read).
bool build(PageDocument &page, QTextDocument *doc, const Items &items);

static constexpr int CellLimit = 20000;

// Widths in twips of a page table's columns, as writers give them: the table's fixed or percentage
// constraints where it has them, else an even share of the text width.
QList<int> columnWidths(const QTextTable *table, int textWidth);

// A whole file replaced only once every byte is on disk.
bool writeWholeFile(const QString &path, const QByteArray &bytes);

QColor hexColour(const QString &text);   // "FF0000"; invalid for "auto" or anything else
QColor namedColour(const QString &name); // highlight names such as "yellow"
int headingLevel(const QString &styleName); // "Heading1", "heading 2" ... -> 0 to 2, else -1

} // namespace Flow

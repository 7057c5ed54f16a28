#include "platform/docx/FlowBuilder.h"

#include "platform/richtext/ObjectLines.h"
#include "platform/richtext/PageCodec.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/TableOps.h"
#include "platform/richtext/TextProps.h"
#include "platform/text/TextChars.h"

#include <QHash>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextList>
#include <QTextTable>


using namespace TextProps;

namespace Flow {

void Paragraph::addText(const QString &text, const QTextCharFormat &format, const QString &link)
{
    if (text.isEmpty())
        return;
    characters += text.size();
    if (!spans.empty() && spans.back().kind == Span::Text && spans.back().format == format
        && spans.back().link == link) {
        spans.back().text += text;
        return;
    }
    spans.push_back({Span::Text, text, format, link});
}

void Paragraph::addPicture(const QTextImageFormat &format)
{
    ++characters;
    spans.push_back({Span::Picture, QString(QChar::ObjectReplacementCharacter), format, QString()});
}

void Paragraph::addReading(const Paragraph &reading, const QString &link)
{
    if (reading.spans.empty())
        return;
    addText(QString(QChar(TextChars::RubyOpen)), reading.spans.front().format, link);
    for (const Span &span : reading.spans) {
        if (span.kind == Span::Text)
            addText(span.text, span.format, span.link);
    }
    addText(QString(QChar(TextChars::RubyClose)), reading.spans.back().format, link);
}

void Paragraph::addPageBreak()
{
    spans.push_back({Span::PageBreak, QString(), QTextCharFormat(), QString()});
}

namespace {

// Builds the flow into one part; list paragraphs of one list and level join one page list.
class Builder
{
public:
    Builder(PageDocument &page, QString *problem, qint64 *steps) : m_page(page), m_problem(problem), m_steps(steps) {}
    bool items(QTextCursor &cursor, const Items &items, bool fresh);

private:
    void paragraph(QTextCursor &cursor, const Paragraph &p, bool fresh);
    void listItem(QTextCursor &cursor, const Paragraph &p);
    bool table(QTextCursor &cursor, const Table &table);

    PageDocument &m_page;
    QString *m_problem;
    qint64 *m_steps;
    // Page lists by the reader's list name and level, and the one made last on each level.
    struct Lists {
        QHash<QString, QTextList *> byName;
        QTextList *last[9] = {};
    } m_lists;
};

void Builder::paragraph(QTextCursor &cursor, const Paragraph &p, bool fresh)
{
    QTextBlockFormat block = p.block;
    if (p.heading >= 0)
        block.setProperty(BlockStyle, p.heading);
    if (fresh) {
        // Setting a format is an edit even where the block has it (the many plain cells of a table).
        if (cursor.blockFormat() != block)
            cursor.setBlockFormat(block);
    } else {
        cursor.insertBlock(block, QTextCharFormat());
    }
    if (!p.list.isEmpty())
        listItem(cursor, p);
    QString lastLink;
    int fieldId = 0;
    for (const Span &span : p.spans) {
        switch (span.kind) {
        case Span::PageBreak: {
            QTextBlockFormat next = block;
            next.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
            next.clearProperty(BlockStyle);
            cursor.insertBlock(next, QTextCharFormat());
            if (QTextList *list = cursor.block().textList())
                list->remove(cursor.block());
            lastLink.clear();
            break;
        }
        case Span::Picture: {
            QTextImageFormat image = span.format.toImageFormat();
            image.setProperty(ObjectId, m_page.newObjectId());
            PageDocument::insertPicture(cursor, image);
            break;
        }
        case Span::Text: {
            QTextCharFormat format = span.format;
            if (!span.link.isEmpty()) {
                if (span.link != lastLink || fieldId == 0)
                    fieldId = m_page.newFieldId();
                format.setProperty(FieldId, fieldId);
                format.setProperty(FieldType, 1);
                format.setProperty(FieldData, span.link);
            }
            lastLink = span.link;
            QString text = span.text;
            // The model keeps paragraph ends and structure marks to itself.
            for (QChar &ch : text) {
                const char16_t u = ch.unicode();
                if (u == QChar::ParagraphSeparator || u == '\n' || u == '\r' || u == 11)
                    ch = QChar::LineSeparator;
                else if (u == 0xFDD0 || u == 0xFDD1 || u == QChar::ObjectReplacementCharacter || u < 9
                         || (u > 13 && u < 32) || u == 12)
                    ch = QLatin1Char(' ');
            }
            cursor.insertText(text, format);
            break;
        }
        }
    }
}

void Builder::listItem(QTextCursor &cursor, const Paragraph &p)
{
    const int level = qBound(0, p.listLevel, 8);
    auto keyOf = [&p](int level) { return p.list + QLatin1Char('/') + QString::number(level); };
    // An item ends the lists of the levels below it: their numbers start again under the next item.
    for (int deeper = level + 1; deeper <= 8; ++deeper) {
        m_lists.byName.remove(keyOf(deeper));
        m_lists.last[deeper] = nullptr;
    }
    static const QTextListFormat::Style bullets[] = {QTextListFormat::ListDisc, QTextListFormat::ListCircle,
                                                     QTextListFormat::ListSquare};
    const QTextListFormat::Style style = p.numbered ? p.numberStyle : bullets[level % 3];
    const QString key = keyOf(level);
    QTextList *list = m_lists.byName.value(key);
    // A page list has no number of its own to start at: a list the file starts at the number after the
    // last list of this level goes on with that one (a list broken by a paragraph, a table or a heading
    // is written so by some programs).
    QTextList *previous = m_lists.last[level];
    if (!list && p.numbered && p.start > 1 && previous && previous->format().style() == style
        && previous->count() == p.start - 1)
        list = previous;
    if (list) {
        list->add(cursor.block());
    } else {
        QTextListFormat format;
        format.setStyle(style);
        format.setIndent(level + 1);
        list = cursor.createList(format);
    }
    m_lists.byName.insert(key, list);
    m_lists.last[level] = list;
}

bool Builder::table(QTextCursor &cursor, const Table &table)
{
    const int rows = int(table.rows.size());
    int columns = 0;
    for (const auto &row : table.rows) {
        int width = 0;
        for (const Cell &cell : row)
            width += qMax(1, cell.span);
        columns = qMax(columns, width);
    }
    if (rows == 0 || columns == 0)
        return true;
    // The page table holds every cell of its grid, spanned ones too.
    if (rows > RowLimit || columns > ColumnLimit || qint64(rows) * columns > TableCellLimit) {
        if (m_problem)
            *m_problem = rows > RowLimit ? rowProblem() : columns > ColumnLimit ? columnProblem() : tableCellProblem();
        return false;
    }
    QTextTableFormat format;
    format.setBorder(1);
    format.setCellSpacing(0);
    format.setCellPadding(2);
    format.setProperty(ObjectId, m_page.newObjectId());
    QTextTable *t = cursor.insertTable(rows, columns, format);

    // Grid columns of every cell, then the merges, then the contents.
    std::vector<std::vector<int>> start(rows);
    for (int r = 0; r < rows; ++r) {
        int column = 0;
        for (const Cell &cell : table.rows[r]) {
            start[r].push_back(column);
            column += qMax(1, cell.span);
        }
    }
    // A cell continues the vertical merge above it only where it lines up with the cell that starts it
    // (same grid column, same span); any other keeps its text, and starts a merge of the cells below.
    const auto spanOf = [columns](const Cell &cell, int column) { return qMin(qMax(1, cell.span), columns - column); };
    std::vector<std::vector<int>> continuing(rows, std::vector<int>(columns, -1));   // the cell there, by index
    for (int r = 0; r < rows; ++r) {
        for (size_t i = 0; i < table.rows[r].size(); ++i) {
            if (table.rows[r][i].merge == Cell::Continue)
                continuing[r][start[r][i]] = int(i);
        }
    }
    const auto continues = [&](int r, int column, int span) {
        const int i = continuing[size_t(r)][size_t(column)];
        return i >= 0 && spanOf(table.rows[size_t(r)][size_t(i)], column) == span;
    };
    std::vector<std::vector<bool>> covered(rows);   // by a merge above, per cell of the row
    for (int r = 0; r < rows; ++r)
        covered[r].assign(table.rows[r].size(), false);
    qint64 steps = 0;
    std::vector<TableOps::Merge> merges;
    for (int r = 0; r < rows; ++r) {
        for (size_t i = 0; i < table.rows[r].size(); ++i) {
            const Cell &cell = table.rows[r][i];
            const int column = start[r][i];
            ++steps;
            if (covered[r][i])
                continue;
            const int columnSpan = spanOf(cell, column);
            int rowSpan = 1;
            if (cell.merge != Cell::None) {
                while (r + rowSpan < rows && continues(r + rowSpan, column, columnSpan)) {
                    covered[size_t(r + rowSpan)][size_t(continuing[size_t(r + rowSpan)][size_t(column)])] = true;
                    ++rowSpan;
                    ++steps;
                }
            }
            if (rowSpan > 1 || columnSpan > 1)
                merges.push_back({r, column, rowSpan, columnSpan});
        }
    }
    TableOps::mergeCells(t, merges);
    if (m_steps)
        *m_steps += steps;
    // Lists do not run from one cell into another.
    const Lists outside = std::exchange(m_lists, {});
    for (int r = 0; r < rows; ++r) {
        for (size_t i = 0; i < table.rows[r].size(); ++i) {
            const Cell &cell = table.rows[r][i];
            if (covered[r][i] || !TableOps::cellStartsAt(t, r, start[r][i]))
                continue;
            QTextTableCell target = t->cellAt(r, start[r][i]);
            if (cell.background.isValid()) {
                QTextCharFormat cellFormat = target.format();
                cellFormat.setBackground(cell.background);
                target.setFormat(cellFormat);
            }
            QTextCursor inCell = target.firstCursorPosition();
            m_lists = {};
            if (!items(inCell, cell.items, true))
                return false;
        }
    }
    m_lists = outside;
    cursor = t->lastCursorPosition();
    cursor.movePosition(QTextCursor::NextBlock);
    return true;
}

bool Builder::items(QTextCursor &cursor, const Items &list, bool fresh)
{
    for (const Item &item : list) {
        if (item.table) {
            if (!table(cursor, *item.table))
                return false;
            fresh = true;
        } else {
            paragraph(cursor, item.paragraph, fresh);
            fresh = false;
        }
    }
    return true;
}

} // namespace

bool build(PageDocument &page, QTextDocument *doc, const Items &items, QString *problem, qint64 *steps)
{
    // One edit: Qt rescans the document's frames at the end of each, which made every cell of a
    // table cost a walk over the whole document.
    QTextCursor cursor(doc);
    cursor.beginEditBlock();
    const bool built = Builder(page, problem, steps).items(cursor, items, true);
    QTextCursor(doc).endEditBlock();
    if (!built)
        return false;
    TableOps::flattenDeepTables(doc);
    ObjectLines::fit(doc);
    return true;
}

namespace {

// Why a table in or under `frame` is larger than a page table may be; empty when none is.
QString tableProblem(QTextFrame *frame)
{
    if (const auto *table = qobject_cast<QTextTable *>(frame)) {
        const qint64 rows = table->rows();
        const qint64 columns = table->columns();
        if (rows > RowLimit)
            return rowProblem();
        if (columns > ColumnLimit)
            return columnProblem();
        if (rows * columns > TableCellLimit)
            return tableCellProblem();
    }
    for (QTextFrame *child : frame->childFrames()) {
        if (const QString why = tableProblem(child); !why.isEmpty())
            return why;
    }
    return {};
}

} // namespace

bool handOver(const PageDocument &page, PageDocument &target, QString *problem)
{
    bool sparseTable = false;
    const QByteArray bytes = PageCodec::save(page, &sparseTable);
    if (bytes.isEmpty()) {
        // The readers of Word and RTF refuse such tables as they read them; Qt's HTML import does not.
        QString why = sparseTable ? mergedProblem() : tableProblem(page.main()->rootFrame());
        for (int flag = 1; why.isEmpty() && flag <= page.partFlags(); flag <<= 1) {
            if ((page.partFlags() & flag) && page.part(flag))
                why = tableProblem(page.part(flag)->rootFrame());
        }
        if (problem && !why.isEmpty())
            *problem = why;
        return false;
    }
    return PageCodec::load(target, bytes);
}

QString nestingProblem()
{
    return QStringLiteral("表の入れ子が深すぎます(表の中の表は %1 段まで)｡").arg(NestingLimit);
}

QString elementNestingProblem()
{
    return QStringLiteral("文書の入れ子が深すぎます｡");
}

QString rowProblem()
{
    return QStringLiteral("表の行が多すぎます(1つの表に %1 行まで)｡").arg(RowLimit);
}

QString columnProblem()
{
    return QStringLiteral("表の列が多すぎます(1つの表に %1 列まで)｡").arg(ColumnLimit);
}

QString mergedProblem()
{
    return QStringLiteral("表の結合ｾﾙが大きすぎます(ｾﾙの結合を解除すれば読み込めます)｡");
}

QString cellProblem()
{
    return QStringLiteral("表のｾﾙが多すぎます(文書全体で %1 ｾﾙまで)｡").arg(CellLimit);
}

QString textProblem()
{
    return QStringLiteral("文書の文字が多すぎます(文書全体で %1 文字まで)｡").arg(TextLimit);
}

QString tableCellProblem()
{
    return QStringLiteral("表のｾﾙが多すぎます(1つの表に %1 列､%2 ｾﾙまで)｡").arg(ColumnLimit).arg(TableCellLimit);
}

QTextCharFormat noteMarkerFormat(const QTextCharFormat &format)
{
    QTextCharFormat marker = format;
    marker.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
    return marker;
}

void appendNotes(Items &body, std::vector<Items> &notes)
{
    for (Items &note : notes) {
        for (Item &item : note)
            body.push_back(std::move(item));
    }
    notes.clear();
}

int ListNumbering::idOf(const QTextList *list)
{
    if (!list)
        return 0;
    int id = m_ids.value(list);
    if (id == 0) {
        const QTextListFormat::Style style = list->format().style();
        m_styles << (isNumbered(style) ? style : QTextListFormat::ListDisc);
        id = int(m_styles.size());
        m_ids.insert(list, id);
    }
    return id;
}

bool ListNumbering::isNumbered(const QTextList *list)
{
    return isNumbered(list->format().style());
}

bool ListNumbering::isNumbered(QTextListFormat::Style style)
{
    // Disc, circle and square are bullets; the styles after them count.
    return style <= QTextListFormat::ListDecimal;
}

QList<int> columnWidths(const QTextTable *table, int textWidth)
{
    constexpr int TwipsPerPixel = 15;
    const int columns = table->columns();
    const QList<QTextLength> constraints = table->format().columnWidthConstraints();
    QList<int> widths;
    for (int c = 0; c < columns; ++c) {
        int width = textWidth / qMax(1, columns);
        if (c < constraints.size()) {
            const QTextLength &l = constraints.at(c);
            if (l.type() == QTextLength::FixedLength && l.rawValue() > 0)
                width = qRound(l.rawValue() * TwipsPerPixel);
            else if (l.type() == QTextLength::PercentageLength && l.rawValue() > 0)
                width = qRound(textWidth * l.rawValue() / 100.0);
        }
        widths << qBound(1, width, 31680);
    }
    return widths;
}

namespace {

struct NumberKind {
    QTextListFormat::Style style;
    const char *word;
    int rtf;
};
const NumberKind numberKinds[] = {{QTextListFormat::ListDecimal, "decimal", 0},
                                  {QTextListFormat::ListUpperRoman, "upperRoman", 1},
                                  {QTextListFormat::ListLowerRoman, "lowerRoman", 2},
                                  {QTextListFormat::ListUpperAlpha, "upperLetter", 3},
                                  {QTextListFormat::ListLowerAlpha, "lowerLetter", 4}};

} // namespace

QTextListFormat::Style wordNumberStyle(const QString &numFmt)
{
    for (const NumberKind &kind : numberKinds) {
        if (numFmt == QLatin1String(kind.word))
            return kind.style;
    }
    return QTextListFormat::ListDecimal;
}

QString wordNumberFormat(QTextListFormat::Style style)
{
    for (const NumberKind &kind : numberKinds) {
        if (kind.style == style)
            return QLatin1String(kind.word);
    }
    return QStringLiteral("decimal");
}

QTextListFormat::Style rtfNumberStyle(int levelnfc)
{
    for (const NumberKind &kind : numberKinds) {
        if (kind.rtf == levelnfc)
            return kind.style;
    }
    return QTextListFormat::ListDecimal;
}

int rtfNumberFormat(QTextListFormat::Style style)
{
    for (const NumberKind &kind : numberKinds) {
        if (kind.style == style)
            return kind.rtf;
    }
    return 0;
}

bool writeWholeFile(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

QColor hexColour(const QString &text)
{
    static const QRegularExpression hex(QStringLiteral("^[0-9A-Fa-f]{6}$"));
    if (!hex.match(text).hasMatch())
        return {};
    return QColor(QLatin1Char('#') + text);
}

QColor namedColour(const QString &name)
{
    const QString lower = name.toLower();
    if (lower == QLatin1String("darkyellow"))
        return QColor(0x80, 0x80, 0);
    if (lower.isEmpty() || lower == QLatin1String("none") || !QColor::isValidColorName(lower))
        return {};
    return QColor::fromString(lower);
}

int headingLevel(const QString &styleName)
{
    static const QRegularExpression heading(QStringLiteral("^heading\\s*([1-9])$"),
                                            QRegularExpression::CaseInsensitiveOption);
    const auto m = heading.match(styleName.trimmed());
    return m.hasMatch() ? outlineHeading(m.captured(1).toInt() - 1) : -1;
}

int outlineHeading(int outlineLevel)
{
    // The page has three headings; deeper levels are its deepest.
    return outlineLevel >= 0 && outlineLevel <= 8 ? qMin(outlineLevel, 2) : -1;
}

} // namespace Flow

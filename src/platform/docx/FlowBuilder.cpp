#include "platform/docx/FlowBuilder.h"

#include "platform/richtext/LayoutPause.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/TextProps.h"

#include <QRegularExpression>
#include <QSaveFile>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>

using namespace TextProps;

namespace Flow {

void Paragraph::addText(const QString &text, const QTextCharFormat &format, const QString &link)
{
    if (text.isEmpty())
        return;
    if (!spans.empty() && spans.back().kind == Span::Text && spans.back().format == format
        && spans.back().link == link) {
        spans.back().text += text;
        return;
    }
    spans.push_back({Span::Text, text, format, link});
}

void Paragraph::addPicture(const QTextImageFormat &format)
{
    spans.push_back({Span::Picture, QString(QChar::ObjectReplacementCharacter), format, QString()});
}

void Paragraph::addPageBreak()
{
    spans.push_back({Span::PageBreak, QString(), QTextCharFormat(), QString()});
}

namespace {

bool writeItems(PageDocument &page, QTextCursor &cursor, const Items &items, bool fresh);

void writeParagraph(PageDocument &page, QTextCursor &cursor, const Paragraph &p, bool fresh)
{
    QTextBlockFormat block = p.block;
    if (p.heading >= 0)
        block.setProperty(BlockStyle, p.heading);
    if (fresh)
        cursor.setBlockFormat(block);
    else
        cursor.insertBlock(block, QTextCharFormat());
    QString lastLink;
    int fieldId = 0;
    for (const Span &span : p.spans) {
        switch (span.kind) {
        case Span::PageBreak: {
            QTextBlockFormat next = block;
            next.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
            next.clearProperty(BlockStyle);
            cursor.insertBlock(next, QTextCharFormat());
            lastLink.clear();
            break;
        }
        case Span::Picture: {
            QTextImageFormat image = span.format.toImageFormat();
            image.setProperty(ObjectId, page.newObjectId());
            PageDocument::insertPicture(cursor, image);
            break;
        }
        case Span::Text: {
            QTextCharFormat format = span.format;
            if (!span.link.isEmpty()) {
                if (span.link != lastLink || fieldId == 0)
                    fieldId = page.newFieldId();
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

bool writeTable(PageDocument &page, QTextCursor &cursor, const Table &table)
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
    if (qint64(rows) * columns > CellLimit)
        return false;
    QTextTableFormat format;
    format.setBorder(1);
    format.setCellSpacing(0);
    format.setCellPadding(2);
    format.setProperty(ObjectId, page.newObjectId());
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
    auto continuesAt = [&](int r, int column) {
        const auto &row = table.rows[r];
        for (size_t i = 0; i < row.size(); ++i) {
            if (start[r][i] == column)
                return row[i].merge == Cell::Continue;
        }
        return false;
    };
    for (int r = 0; r < rows; ++r) {
        for (size_t i = 0; i < table.rows[r].size(); ++i) {
            const Cell &cell = table.rows[r][i];
            const int column = start[r][i];
            if (cell.merge == Cell::Continue)
                continue;
            int rowSpan = 1;
            if (cell.merge == Cell::Restart) {
                while (r + rowSpan < rows && continuesAt(r + rowSpan, column))
                    ++rowSpan;
            }
            const int columnSpan = qMin(qMax(1, cell.span), columns - column);
            if (rowSpan > 1 || columnSpan > 1)
                t->mergeCells(r, column, rowSpan, columnSpan);
        }
    }
    for (int r = 0; r < rows; ++r) {
        for (size_t i = 0; i < table.rows[r].size(); ++i) {
            const Cell &cell = table.rows[r][i];
            QTextTableCell target = t->cellAt(r, start[r][i]);
            if (cell.merge == Cell::Continue || !target.isValid() || target.row() != r
                || target.column() != start[r][i])
                continue;
            if (cell.background.isValid()) {
                QTextCharFormat cellFormat = target.format();
                cellFormat.setBackground(cell.background);
                target.setFormat(cellFormat);
            }
            QTextCursor inCell = target.firstCursorPosition();
            if (!writeItems(page, inCell, cell.items, true))
                return false;
        }
    }
    cursor = t->lastCursorPosition();
    cursor.movePosition(QTextCursor::NextBlock);
    return true;
}

bool writeItems(PageDocument &page, QTextCursor &cursor, const Items &items, bool fresh)
{
    for (const Item &item : items) {
        if (item.table) {
            if (!writeTable(page, cursor, *item.table))
                return false;
            fresh = true;
        } else {
            writeParagraph(page, cursor, item.paragraph, fresh);
            fresh = false;
        }
    }
    return true;
}

} // namespace

bool build(PageDocument &page, QTextDocument *doc, const Items &items)
{
    // The readers hand their page on through the page stream: it is never laid out.
    LayoutPause pause(doc);
    pause.keepPaused();
    QTextCursor cursor(doc);
    return writeItems(page, cursor, items, true);
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
    static const QRegularExpression heading(QStringLiteral("^heading\\s*([1-3])$"),
                                            QRegularExpression::CaseInsensitiveOption);
    const auto m = heading.match(styleName);
    return m.hasMatch() ? m.captured(1).toInt() - 1 : -1;
}

} // namespace Flow

#include "platform/richtext/PlainText.h"

#include "platform/richtext/LineBlocks.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>

namespace {

using Line = PlainText::Line;

// The texts of every paragraph under a frame (a cell, a table in it), in order.
void paragraphTexts(QTextFrame::iterator it, QStringList &texts)
{
    for (; !it.atEnd(); ++it) {
        if (QTextFrame *frame = it.currentFrame())
            paragraphTexts(frame->begin(), texts);
        else if (!it.currentBlock().isValid())
            continue;
        else if (LineBlocks::continues(it.currentBlock()) && !texts.isEmpty())
            texts.last() += PlainText::clean(LineBlocks::standsFor(it.currentBlock()) + it.currentBlock().text());
        else
            texts << PlainText::clean(it.currentBlock().text());
    }
}

// A cell on one line: its paragraphs, line breaks and tabs become blanks, so that the row keeps
// one line and its columns.
QString cellText(const QTextTableCell &cell)
{
    QStringList texts;
    paragraphTexts(cell.begin(), texts);
    QStringList words;
    for (QString text : std::as_const(texts)) {
        text.replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\t'), QLatin1Char(' '));
        text = text.trimmed();
        if (!text.isEmpty())
            words << text;
    }
    return words.join(QLatin1Char(' '));
}

void addTable(QList<Line> &lines, const QTextTable *table)
{
    for (int row = 0; row < table->rows(); ++row) {
        QStringList cells;
        for (int column = 0; column < table->columns(); ++column) {
            const QTextTableCell cell = table->cellAt(row, column);
            // A merged cell is written once, where it begins; the places it covers stay empty.
            const bool begins = cell.row() == row && cell.column() == column;
            cells << (begins ? cellText(cell) : QString());
        }
        lines << Line{cells.join(QLatin1Char('\t')), table->cellAt(row, 0).firstPosition(), true};
    }
}

void addFrame(QList<Line> &lines, const QTextFrame *frame, const PlainText::Prefix &prefix)
{
    bool open = false; // the last line is a paragraph that a held block may continue
    for (auto it = frame->begin(); !it.atEnd(); ++it) {
        if (const QTextFrame *child = it.currentFrame()) {
            if (const auto *table = qobject_cast<const QTextTable *>(child))
                addTable(lines, table);
            else
                addFrame(lines, child, prefix);
            open = false;
            continue;
        }
        const QTextBlock block = it.currentBlock();
        if (!block.isValid())
            continue;
        const int last = block.position() + block.length() - 2;
        if (open && LineBlocks::continues(block)) {
            Line &line = lines.last();
            line.text += PlainText::clean(LineBlocks::standsFor(block) + block.text());
            line.last = qMax(line.last, last);
            continue;
        }
        const QString mark = prefix ? prefix(block) : QString();
        lines << Line{mark + PlainText::clean(block.text()), qMax(block.position(), last), false};
        open = true;
    }
}

} // namespace

QList<Line> PlainText::lines(const QTextDocument *doc, const Prefix &prefix)
{
    QList<Line> lines;
    if (doc)
        addFrame(lines, doc->rootFrame(), prefix);
    return lines;
}

QString PlainText::of(const QTextDocument *doc, const QString &lineEnd, const Prefix &prefix)
{
    QStringList texts;
    for (const Line &line : lines(doc, prefix))
        texts << line.text;
    QString text = texts.join(QLatin1Char('\n'));
    if (lineEnd != QLatin1String("\n"))
        text.replace(QLatin1Char('\n'), lineEnd);
    return text;
}

QString PlainText::clean(QString text)
{
    qsizetype kept = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        QChar ch = text.at(i);
        const char16_t u = ch.unicode();
        if (u == '\r' && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
            continue;
        if (u == QChar::LineSeparator || u == QChar::ParagraphSeparator || u == '\r')
            ch = QLatin1Char('\n');
        else if (u == QChar::Nbsp)
            ch = QLatin1Char(' ');
        else if (u == QChar::ObjectReplacementCharacter || u == 0xFDD0 || u == 0xFDD1)
            continue;
        else if (ch.category() == QChar::Other_Control && u != '\t' && u != '\n')
            continue;
        text[kept++] = ch;
    }
    text.truncate(kept);
    return text;
}

#include "platform/richtext/PageDocument.h"
#include "platform/richtext/RichTextEdit.h"

#include "support/LayoutCheck.h"

#include <QAbstractTextDocumentLayout>
#include <QImage>
#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <QtTest>

#include <memory>

namespace {

// A page of one-letter paragraphs, the eleventh a longer one with room at the end of its line, and
// a paragraph of many lines that page breaks part; with a table of columns of set widths after the
// eleventh, its first cell holding a line with room at its end.
std::unique_ptr<PageDocument> pageOfParagraphs(bool withTable)
{
    auto page = std::make_unique<PageDocument>();
    RichTextEdit edit(page.get());
    QStringList paragraphs(300, QStringLiteral("x"));
    paragraphs[10] = QStringLiteral("A paragraph of a few words");
    paragraphs[200] = QStringLiteral("Many words of a long paragraph. ").repeated(200);
    edit.setText(paragraphs.join(QChar(10)));
    if (withTable) {
        edit.select(QTextCursor(page->main()->findBlockByNumber(11)).position(), 0);
        const int table = edit.insertTable(1, 2);
        for (int column = 1; column <= 2; ++column)
            edit.setColumnWidth(table, column, 3000);
        edit.setSelectedText(QStringLiteral("In a cell"));
    }
    page->main()->documentLayout()->documentSize();
    return page;
}

using LayoutCheck::geometry;
using LayoutCheck::laidOutAgain;
using LayoutCheck::strips;

QTextCursor endOf(QTextDocument *doc, int blockNumber)
{
    QTextCursor cursor(doc->findBlockByNumber(blockNumber));
    cursor.movePosition(QTextCursor::EndOfBlock);
    return cursor;
}

} // namespace

class TstRichTextLayout : public QObject
{
    Q_OBJECT

private slots:
    // A key that leaves its line as high and as many as it found them is laid out without the text
    // below it; whatever follows (a key elsewhere, a line more, undo, a hit test or a drawing below)
    // finds every block where Qt would put it.
    void blocksStayWhereQtPutsThem_data()
    {
        QTest::addColumn<QString>("typed"); // into the eleventh paragraph; "-" takes three letters away
        QTest::addColumn<QString>("then");
        QTest::newRow("typed, a paragraph below") << QStringLiteral("abc") << QStringLiteral("enter");
        QTest::newRow("taken away, a paragraph below") << QStringLiteral("-") << QStringLiteral("enter");
        QTest::newRow("taken away, a hit test below") << QStringLiteral("-") << QStringLiteral("hit");
        QTest::newRow("typed in a cell, a paragraph below") << QStringLiteral("cell") << QStringLiteral("enter");
        QTest::newRow("typed in a cell, a hit test below") << QStringLiteral("cell") << QStringLiteral("hit");
        QTest::newRow("typed, undone") << QStringLiteral("abc") << QStringLiteral("undo");
        QTest::newRow("typed across a page end, a line more")
            << QStringLiteral("across") << QStringLiteral("line");
        // Every block below moves, the long paragraph's lines across page ends.
        QTest::newRow("typed, a line more") << QStringLiteral("abc") << QStringLiteral("more");
        QTest::newRow("typed, a line more, undone") << QStringLiteral("abc") << QStringLiteral("more, undone");
        // A paragraph whose lines run over page ends parted (Enter), or joined to the one after it.
        QTest::newRow("typed, a long paragraph parted") << QStringLiteral("abc") << QStringLiteral("part");
        QTest::newRow("typed, a long paragraph joined") << QStringLiteral("abc") << QStringLiteral("join");
        QTest::newRow("typed, a long paragraph parted, undone") << QStringLiteral("abc") << QStringLiteral("part, undone");
        QTest::newRow("typed, a long paragraph parted, drawn") << QStringLiteral("abc") << QStringLiteral("part, drawn");
        // A line height set for the text, as a style sets it: Qt sets each line by its ascent.
        QTest::newRow("line height set, a line more") << QStringLiteral("set height") << QStringLiteral("more");
        QTest::newRow("line height set, a long paragraph parted") << QStringLiteral("set height") << QStringLiteral("part");
        // Space before and after every paragraph: Qt leaves both between two.
        QTest::newRow("spaced, a line more") << QStringLiteral("spaced") << QStringLiteral("more");
        QTest::newRow("spaced, a long paragraph parted") << QStringLiteral("spaced") << QStringLiteral("part");
        // A first line indented (the room a held paragraph leaves for a letter), and an indent set.
        QTest::newRow("typed after a first-line indent, a paragraph below")
            << QStringLiteral("indented") << QStringLiteral("enter");
        QTest::newRow("typed after a first-line indent") << QStringLiteral("indented") << QStringLiteral("nothing");
        QTest::newRow("a first-line indent set") << QStringLiteral("indent") << QStringLiteral("nothing");
    }

    void blocksStayWhereQtPutsThem()
    {
        QFETCH(QString, typed);
        QFETCH(QString, then);
        // Qt starts its work below from notes of where blocks begin, one every so far down: a
        // paragraph break or a hit test at each block below meets every such note.
        const bool once = then == QLatin1String("hit") || then == QLatin1String("nothing") || then.endsWith(QLatin1String("drawn"));
        for (int below = 20; below < 300; below += once ? 1000 : 3) {
            const bool inCell = typed == QLatin1String("cell");
            std::unique_ptr<PageDocument> page = pageOfParagraphs(inCell);
            QTextDocument *doc = page->main();
            QTextCursor cursor = endOf(doc, 10);
            if (inCell) {
                cursor = QTextCursor(doc->findBlock(doc->find(QStringLiteral("In a cell")).position()));
                cursor.movePosition(QTextCursor::EndOfBlock);
                cursor.insertText(QStringLiteral("abcdefghij"));
            } else if (typed == QLatin1String("-")) {
                cursor.movePosition(QTextCursor::Left, QTextCursor::KeepAnchor, 3);
                cursor.removeSelectedText();
            } else if (typed == QLatin1String("across")) {
                // The long paragraph's lines run over a page end; a letter in its first line.
                cursor = QTextCursor(doc->findBlockByNumber(200));
                cursor.insertText(QStringLiteral("y"));
            } else if (typed == QLatin1String("set height") || typed == QLatin1String("spaced")) {
                QTextCursor all(doc);
                all.select(QTextCursor::Document);
                QTextBlockFormat format;
                if (typed == QLatin1String("spaced")) {
                    format.setTopMargin(7.5);
                    format.setBottomMargin(4.3);
                } else {
                    format.setLineHeight(19.3, QTextBlockFormat::FixedHeight);
                }
                all.mergeBlockFormat(format);
                doc->documentLayout()->documentSize();
                cursor.insertText(QStringLiteral("abc"));
            } else if (typed.startsWith(QLatin1String("indent"))) {
                QTextBlockFormat format = cursor.blockFormat();
                format.setTextIndent(37.5);
                cursor.setBlockFormat(format);
                if (typed == QLatin1String("indented")) {
                    doc->documentLayout()->documentSize();
                    cursor.insertText(QStringLiteral("abc"));
                }
            } else {
                cursor.insertText(typed);
            }
            if (then == QLatin1String("enter")) {
                endOf(doc, below).insertBlock();
            } else if (then == QLatin1String("undo")) {
                doc->undo();
            } else if (then == QLatin1String("line")) {
                endOf(doc, 200).insertText(QStringLiteral(" more words").repeated(8));
            } else if (then.startsWith(QLatin1String("part"))) {
                QTextCursor middle(doc->findBlockByNumber(200));
                middle.setPosition(middle.position() + below * 17);
                middle.insertBlock();
                if (then.endsWith(QLatin1String("undone")))
                    doc->undo();
            } else if (then == QLatin1String("join")) {
                endOf(doc, 200).deleteChar();
            } else if (then.startsWith(QLatin1String("more"))) {
                endOf(doc, 10).insertText(QStringLiteral(" more words").repeated(8));
                if (then.endsWith(QLatin1String("undone")))
                    doc->undo();
            } else if (then == QLatin1String("hit")) {
                for (int number = inCell ? 15 : 11; number < doc->blockCount(); ++number) {
                    const QTextBlock block = doc->findBlockByNumber(number);
                    const QRectF rect = doc->documentLayout()->blockBoundingRect(block);
                    const int hit = doc->documentLayout()->hitTest(rect.center(), Qt::FuzzyHit);
                    QVERIFY2(hit >= block.position() && hit < block.position() + block.length(),
                             qPrintable(QStringLiteral("block %1, hit %2").arg(number).arg(hit)));
                }
            }
            if (then.endsWith(QLatin1String("drawn"))) {
                const QList<QImage> drawn = strips(doc);
                doc->markContentsDirty(0, doc->characterCount());
                QVERIFY(drawn == strips(doc));
            }
            const QList<QRectF> after = geometry(doc);
            QCOMPARE(after, laidOutAgain(doc));
        }
    }
};

QTEST_MAIN(TstRichTextLayout)
#include "tst_richtext_layout.moc"

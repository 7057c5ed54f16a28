// A long paragraph of the main text (a text pasted as text) is held as one block per line, so that a
// keystroke lays out a line instead of the whole paragraph. Whoever reads the page still finds one
// paragraph with its line breaks: the position text, the page stream, the writers, the edits.
#include "platform/docx/DocxWriter.h"
#include "platform/docx/ZipPackage.h"
#include "platform/richtext/HtmlExport.h"
#include "platform/richtext/LineBlocks.h"
#include "platform/richtext/PageCodec.h"
#include "platform/richtext/PageDecoder.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/PageImage.h"
#include "platform/richtext/PageRenderer.h"
#include "platform/richtext/PlainText.h"
#include "platform/richtext/PositionText.h"
#include "platform/richtext/RichTextEdit.h"
#include "platform/richtext/TableOps.h"
#include "platform/richtext/TextProps.h"
#include "platform/rtf/RtfReader.h"
#include "platform/rtf/RtfWriter.h"

#include "support/ForeignFiles.h"
#include "support/PdfPages.h"
#include "support/SamplePage.h"

#include <QAbstractTextDocumentLayout>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>
#include <QTextTable>
#include <QtGui/private/qtextdocumentlayout_p.h>
#include <QtTest>

#include <memory>

using namespace TextProps;

namespace {


const QString Head = QStringLiteral("見出しの段落\n");
const QString Tail = QStringLiteral("\n終わりの段落");

// The same text with the long paragraph in one block, as any paragraph was held before.
void fillInOneBlock(PageDocument &page, const QString &text)
{
    QString raw = text;
    raw.replace(QChar(11), QChar::LineSeparator).replace(QChar(10), QChar::ParagraphSeparator);
    QTextCursor(page.main()).insertText(raw);
}

int blocksOfParagraph(QTextDocument *doc, int position)
{
    const QTextBlock head = LineBlocks::head(doc->findBlock(position));
    const QTextBlock tail = LineBlocks::tail(head);
    return tail.blockNumber() - head.blockNumber() + 1;
}

// Lines of a text file joined by spaces: one paragraph without line breaks.
QString spacedLines(int lines)
{
    return SamplePage::pastedLines(lines).replace(QChar(11), QLatin1Char(' '));
}

QString latinWord(int size)
{
    return QStringLiteral("abcdefghijklmnopqrstuvwxyz").repeated(size / 26 + 1).left(size);
}

QString japaneseText(int size)
{
    const QString sentence = QStringLiteral("日本語の文章には空白がなく、行はほとんどの文字の間で折り返される。");
    return sentence.repeated(size / sentence.size() + 1).left(size);
}

QByteArray documentXml(const QByteArray &docx, const QString &name = QStringLiteral("word/document.xml"))
{
    ZipPackage zip;
    QByteArray xml;
    if (zip.open(docx))
        zip.read(name, xml);
    return xml;
}


// A page of a heading and a table of one row of two cells, `text` typed into its first cell as the
// editor puts a paste there; `columnWidth` in twips gives both columns that width.
PageDocument *cellPage(const QString &text, int columnWidth = 0)
{
    auto *page = new PageDocument;
    RichTextEdit edit(page);
    edit.setText(Head);
    edit.select(edit.textLength(), 0);
    const int table = edit.insertTable(1, 2);
    for (int column = 1; columnWidth > 0 && column <= 2; ++column)
        edit.setColumnWidth(table, column, columnWidth);
    edit.setSelectedText(text);
    return page;
}

// The same page with the cell's paragraph in one block, as any paragraph of a cell was held before.
PageDocument *cellPageInOneBlock(const QString &text)
{
    auto *page = cellPage(QString());
    QString raw = text;
    raw.replace(QChar(11), QChar::LineSeparator).replace(QChar(10), QChar::ParagraphSeparator);
    QTextCursor cursor(page->main());
    cursor.setPosition(TableOps::tables(page->main()).first()->cellAt(0, 0).firstPosition());
    cursor.insertText(raw);
    return page;
}

int heldBlocksIn(QTextDocument *doc)
{
    int held = 0;
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next())
        held += LineBlocks::continues(block) ? 1 : 0;
    return held;
}

// Where the layout put each line, by its first position, up to the first block that continues its
// paragraph after a parted space or letter (whose line ends early).
QList<std::pair<int, QRectF>> lineGeometry(QTextDocument *doc)
{
    doc->documentLayout()->documentSize();
    QList<std::pair<int, QRectF>> lines;
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        if (LineBlocks::continues(block) && LineBlocks::standsFor(block) != QChar::LineSeparator)
            break;
        const QTextLayout *layout = block.layout();
        for (int i = 0; i < layout->lineCount(); ++i) {
            const QTextLine line = layout->lineAt(i);
            lines.append({block.position() + line.textStart(), line.rect().translated(layout->position())});
        }
    }
    return lines;
}

void compareLines(const QList<std::pair<int, QRectF>> &lines, const QList<std::pair<int, QRectF>> &expected)
{
    QVERIFY(lines.size() <= expected.size());
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QCOMPARE(lines.at(i).first, expected.at(i).first);
        QCOMPARE(lines.at(i).second, expected.at(i).second);
    }
}

// The page with a paragraph held in pieces is written as the one with it in one block: as plain
// text (mail, text files), RTF, .docx and HTML.
void compareWritten(const PageDocument &held, const PageDocument &whole)
{
    QCOMPARE(PlainText::of(held.main()), PlainText::of(whole.main()));
    QCOMPARE(RtfWriter::pageBytes(held), RtfWriter::pageBytes(whole));
    QCOMPARE(documentXml(DocxWriter::pageBytes(held)), documentXml(DocxWriter::pageBytes(whole)));
    QTemporaryDir dir;
    QCOMPARE(HtmlExport::text(held, dir.filePath(QStringLiteral("a.htm")), {}),
             HtmlExport::text(whole, dir.filePath(QStringLiteral("a.htm")), {}));
}

QImage pageImage(const PageDocument &page, int number)
{
    const PageRenderer renderer(page);
    QImage image(renderer.paperSize().toSize(), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    renderer.drawPage(&painter, number);
    return image;
}

// Where the layout put each line of the table's blocks, and the table's cells.
QList<QRectF> tableGeometry(QTextDocument *doc)
{
    QList<QRectF> rects;
    QTextTable *table = TableOps::tables(doc).first();
    for (QTextBlock block = doc->findBlock(table->firstPosition()); block.isValid() && block.position() < table->lastPosition();
         block = block.next()) {
        const QTextLayout *lines = block.layout();
        for (int i = 0; i < lines->lineCount(); ++i)
            rects << lines->lineAt(i).rect().translated(lines->position());
        rects << QRectF(lines->position(), QSizeF(lines->lineCount(), block.length()));
    }
    // Rows are set again once the text's size is read, after a cell's lines moved; the cells last.
    doc->documentLayout()->documentSize();
    auto *layout = qobject_cast<QTextDocumentLayout *>(doc->documentLayout());
    for (int column = 0; column < table->columns(); ++column)
        rects << layout->tableCellBoundingRect(table, table->cellAt(0, column));
    return rects;
}

} // namespace

class TestRichTextLines : public QObject
{
    Q_OBJECT
private slots:
    void aLongParagraphIsHeldAsLinesAndReadsAsOne()
    {
        PageDocument page;
        RichTextEdit edit(&page);
        const QString text = Head + SamplePage::pastedLines(400) + Tail;
        edit.setText(text);
        QCOMPARE(edit.text(), text);
        QCOMPARE(edit.textLength(), text.size());
        QCOMPARE(page.main()->blockCount(), 402);
        const int firstBreak = text.indexOf(QChar(11));
        QCOMPARE(edit.charAt(firstBreak), QChar(11));
        QCOMPARE(edit.charAt(text.indexOf(QChar(10))), QChar(10));
        QCOMPARE(blocksOfParagraph(page.main(), firstBreak + 5), 400);
        QCOMPARE(blocksOfParagraph(page.main(), 0), 1);
        // A short paragraph stays one block; a long one in a header is held as lines too.
        edit.setText(SamplePage::pastedLines(3));
        QCOMPARE(page.main()->blockCount(), 1);
        QTextDocument *header = page.ensurePart(HeaderAll);
        QVERIFY(edit.editPart(HeaderAll));
        edit.setText(SamplePage::pastedLines(400));
        QCOMPARE(header->blockCount(), 400);
        QCOMPARE(edit.text(), SamplePage::pastedLines(400));
    }

    // A long paragraph without line breaks is held in pieces parted at spaces, or at letters where it
    // has none (Japanese text, one long word); whoever reads the page finds the paragraph in one piece.
    void heldInPiecesWithoutLineBreaks_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<int>("pieces"); // at least, of the longest paragraph
        QTest::newRow("no line breaks") << Head + spacedLines(800) + Tail << 5;
        QTest::newRow("lines and long lines")
            << Head + SamplePage::pastedLines(100) + QChar(11) + spacedLines(800) + QChar(11) + SamplePage::pastedLines(100) << 205;
        QTest::newRow("one long word") << Head + QString(30000, QChar(u'語')) << 25;
        QTest::newRow("one long Latin word") << Head + latinWord(30000) + Tail << 25;
        QTest::newRow("Japanese text") << Head + japaneseText(30000) + Tail << 25;
        QTest::newRow("a word before spaces") << Head + latinWord(25000) + spacedLines(100) << 25;
        QTest::newRow("a Hebrew word") << Head + QString(30000, QChar(0x05D0)) << 25;
        // Runs of digits and signs, as letters.
        QTest::newRow("ampersands") << Head + QString(30000, QLatin1Char('&')) + Tail << 25;
        QTest::newRow("equals signs") << Head + QString(30000, QLatin1Char('=')) + Tail << 25;
        QTest::newRow("digits") << Head + QStringLiteral("0123456789").repeated(3000) + Tail << 25;
        QTest::newRow("box drawing") << Head + QString(30000, QChar(0x2501)) + Tail << 25;
        // A sign between letters that read right to left reads so too: drawn in front of the block
        // after it, it would stand on the wrong side.
        QTest::newRow("signs after a Hebrew letter") << Head + QChar(0x05D0) + QString(30000, QLatin1Char('&')) + Tail << 1;
        QTest::newRow("Hebrew between signs") << Head + (QChar(0x05D0) + QStringLiteral("&")).repeated(15000) + Tail << 1;
        // Nothing to part at: marks that join their letters, Arabic letters that join each other.
        QTest::newRow("combining marks") << Head + QStringLiteral("a\u0301").repeated(15000) << 1;
        QTest::newRow("Arabic") << Head + QString(30000, QChar(0x0628)) << 1;
        QTest::newRow("a short word") << Head + latinWord(15000) + Tail << 1;
        QTest::newRow("short") << Head + spacedLines(50) + Tail << 1;
        // A long paragraph of prose keeps its lines: a parted space would end one early on paper.
        QTest::newRow("prose") << Head + spacedLines(300) + Tail << 1;
    }

    void heldInPiecesWithoutLineBreaks()
    {
        QFETCH(QString, source);
        QFETCH(int, pieces);
        PageDocument held;
        PageDocument whole;
        fillInOneBlock(held, source);
        fillInOneBlock(whole, source);
        QTextCursor build(held.main()); // as a page is built, in one edit
        build.beginEditBlock();
        LineBlocks::settle(held.main());
        build.endEditBlock();
        int most = 0;
        int run = 0;
        for (QTextBlock block = held.main()->begin(); block.isValid(); block = block.next()) {
            run = LineBlocks::continues(block) ? run + 1 : 1;
            most = qMax(most, run);
        }
        if (pieces == 1)
            QCOMPARE(most, 1);
        else
            QVERIFY2(most >= pieces, qPrintable(QString::number(most)));
        for (QTextBlock block = held.main()->begin(); block.isValid(); block = block.next())
            QVERIFY(block.length() < 12000 || pieces == 1);

        const QString text = RichTextEdit(&whole).text();
        RichTextEdit edit(&held);
        QCOMPARE(edit.text(), text);
        for (int i = 0; i < text.size(); i += 97)
            QCOMPARE(edit.charAt(i), text.at(i));
        // Stored, and read back held the same way.
        const QByteArray bytes = PageCodec::save(held);
        PageImage::Page image, wholeImage;
        QVERIFY(PageDecoder::decode(bytes, image));
        QVERIFY(PageDecoder::decode(PageCodec::save(whole), wholeImage));
        QCOMPARE(int(image.parts.front().items.size()), int(wholeImage.parts.front().items.size()));
        QCOMPARE(int(image.parts.front().items.size()), int(text.count(QChar(10)) + 1));
        PageDocument back;
        QVERIFY(PageCodec::load(back, bytes));
        QCOMPARE(RichTextEdit(&back).text(), text);
        QCOMPARE(back.main()->blockCount(), held.main()->blockCount());
        // Written as the paragraph in one block is.
        compareWritten(held, whole);
        if (QTest::currentTestFailed())
            return;
        // Made a list item, and no list item again, it stays held in pieces, its first block the item.
        const int middle = text.size() / 2;
        const int blocks = blocksOfParagraph(held.main(), middle);
        edit.select(middle, 0);
        edit.setListKind(2);
        QCOMPARE(blocksOfParagraph(held.main(), middle), blocks);
        QVERIFY(LineBlocks::head(held.main()->findBlock(middle)).textList());
        QCOMPARE(edit.listKind(), 2);
        QCOMPARE(edit.text(), text);
        edit.setListKind(1);
        QCOMPARE(edit.text(), text);
        QCOMPARE(blocksOfParagraph(held.main(), middle), blocks);
        for (QTextBlock block = held.main()->begin(); block.isValid(); block = block.next())
            QVERIFY(!block.textList() && block.blockFormat().indent() == 0);
    }

    // The letters a stretch without spaces is parted at show where they stand, on paper and in a
    // PDF's text, in their colours.
    void heldLettersShowOnPaper_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("coloured");
        // Letters at random, so that the text around each one is found once.
        const auto random = [](const QString &letters) {
            QRandomGenerator generator(46);
            QString text;
            for (int i = 0; i < 30000; ++i)
                text += letters.at(generator.bounded(int(letters.size())));
            return text;
        };
        QTest::newRow("Latin word") << random(QStringLiteral("abcdefghijklmnopqrstuvwxyz")) << false;
        QTest::newRow("Japanese text") << random(QStringLiteral("あいうえお漢字語文章")) << false;
        QTest::newRow("red and bold") << random(QStringLiteral("abcdefghijklmnopqrstuvwxyz")) << true;
        // Its letters' room at the right, where the word's lines begin.
        QString hebrew;
        for (ushort letter = 0x05D0; letter <= 0x05EA; ++letter)
            hebrew += QChar(letter);
        QTest::newRow("Hebrew word") << random(hebrew) << false;
        QTest::newRow("digits and signs") << random(QStringLiteral("0123456789&=━#%+*")) << false;
    }

    void heldLettersShowOnPaper()
    {
        QFETCH(QString, text);
        QFETCH(bool, coloured);
        PageDocument page;
        RichTextEdit edit(&page);
        edit.setText(text);
        if (coloured) {
            edit.select(0, int(text.size()));
            edit.setForeColor(0x0000ff);
            edit.setBold(true);
        }
        QVERIFY(blocksOfParagraph(page.main(), 0) >= 25);
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("held.pdf"));
        QVERIFY(PageRenderer(page).writePdf(pdf, QStringLiteral("held")));
        // The text around each letter of the first page, as pdftotext reads it there.
        QString printed = pdfPages(pdf).value(0);
        // pdftotext marks each right-to-left run of a line with embedding marks.
        printed.remove(QRegularExpression(QStringLiteral("[\\s\\x{202A}-\\x{202E}]")));
        const PageSetup &setup = page.pageSetup();
        const auto onFirstPage = [&](const QTextBlock &block) {
            const QRectF rect = page.main()->documentLayout()->blockBoundingRect(block);
            return LineBlocks::drawsLetter(block) && rect.top() < setup.textHeight() / 15.0 - 40;
        };
        int letters = 0;
        for (QTextBlock block = page.main()->begin(); block.isValid(); block = block.next()) {
            if (onFirstPage(block)) {
                QVERIFY2(printed.contains(text.mid(block.position() - 9, 19)), qPrintable(QString::number(block.position())));
                ++letters;
            }
        }
        QVERIFY(letters > 0);
        // Drawn in the letter's colour, in the room its block leaves.
        const PageRenderer renderer(page);
        QImage image(renderer.paperSize().toSize(), QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            renderer.drawPage(&painter, 1);
        }
        for (QTextBlock block = page.main()->begin(); block.isValid(); block = block.next()) {
            if (!onFirstPage(block))
                continue;
            const QRectF rect = page.main()->documentLayout()->blockBoundingRect(block);
            const QTextLine line = block.layout()->lineAt(0);
            const qreal width = block.blockFormat().textIndent();
            const qreal front = line.cursorToX(0);
            const qreal left = block.textDirection() == Qt::RightToLeft ? front : front - width;
            const QRect room = QRectF(setup.marginLeft / 15.0 + rect.left() + left, setup.marginTop / 15.0 + rect.top() + line.y(),
                                      width, line.height()).toRect();
            QVERIFY(room.width() > 2);
            bool ink = false;
            for (int y = room.top(); y <= room.bottom() && !ink; ++y) {
                for (int x = room.left(); x <= room.right() && !ink; ++x) {
                    const QColor c = image.pixelColor(x, y);
                    ink = coloured ? c.red() > 150 && c.green() < 100 : c.lightness() < 128;
                }
            }
            QVERIFY2(ink, qPrintable(QStringLiteral("block %1").arg(block.blockNumber())));
        }
    }

    // Edits at a letter a stretch is parted at give the text they give in one block; undone and
    // stored, the paragraph keeps no trace of the room left for the letter.
    void editsAtAHeldLetter_data()
    {
        QTest::addColumn<int>("from"); // relative to the letter
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("word"); // held before the paragraph of a long Latin word; Japanese if none
        QTest::newRow("letter removed") << 0 << 1 << QString() << QString();
        QTest::newRow("typed over") << 0 << 1 << QStringLiteral("X") << QString();
        QTest::newRow("typed before") << 0 << 0 << QStringLiteral("X") << QString();
        QTest::newRow("typed after") << 1 << 0 << QStringLiteral("X") << QString();
        QTest::newRow("new paragraph before") << 0 << 0 << QStringLiteral("\n") << QString();
        QTest::newRow("new paragraph after") << 1 << 0 << QStringLiteral("\n") << QString();
        QTest::newRow("line break after") << 1 << 0 << QStringLiteral("\v") << QString();
        QTest::newRow("across pieces") << -10 << 2500 << QStringLiteral("Y") << QString();
        QTest::newRow("from the paragraph before") << -30000 << 30010 << QString() << QString();
        // A Hebrew word's pieces lay out right to left; a Latin letter in one turns it round.
        const QString hebrew = QString::fromUtf8(ForeignFiles::hebrewWord(30000));
        QTest::newRow("Hebrew, typed over") << 0 << 1 << QStringLiteral("\u05D1") << hebrew;
        QTest::newRow("Hebrew, Latin typed after") << 1 << 0 << QStringLiteral("X") << hebrew;
        QTest::newRow("Hebrew, new paragraph after") << 1 << 0 << QStringLiteral("\n") << hebrew;
        QTest::newRow("Hebrew, across pieces") << -10 << 2500 << QStringLiteral("Y") << hebrew;
        // A run of signs is parted as a word is; a Hebrew letter typed into it leaves its pieces.
        const QString signs = QStringLiteral("&=0123456789\u2501").repeated(2500);
        QTest::newRow("signs, typed over") << 0 << 1 << QStringLiteral("X") << signs;
        QTest::newRow("signs, Hebrew typed after") << 1 << 0 << QStringLiteral("\u05D0") << signs;
        QTest::newRow("signs, new paragraph after") << 1 << 0 << QStringLiteral("\n") << signs;
        QTest::newRow("signs, across pieces") << -10 << 2500 << QStringLiteral("Y") << signs;
    }

    void editsAtAHeldLetter()
    {
        QFETCH(int, from);
        QFETCH(int, length);
        QFETCH(QString, typed);
        QFETCH(QString, word);
        PageDocument page;
        RichTextEdit edit(&page);
        const bool hebrew = !word.isEmpty() && word.at(0).direction() == QChar::DirR;
        const QString original = Head + (word.isEmpty() ? japaneseText(30000) : word) + Tail + latinWord(30000);
        edit.setText(original);
        QTextBlock held = page.main()->begin();
        while (held.isValid() && !LineBlocks::drawsLetter(held))
            held = held.next();
        QVERIFY(held.isValid());
        QCOMPARE(held.textDirection() == Qt::RightToLeft, hebrew);
        const int letter = held.position() - 1;
        QCOMPARE(edit.charAt(letter), original.at(letter));
        // The paragraph's own first-line indent, not the room its lines leave.
        edit.select(letter + 5, 0);
        QCOMPARE(edit.indentFirstLine(), 0);
        const int start = qMax(0, letter + from);
        QString text = original;
        text.replace(start, length, typed);
        edit.select(start, length);
        edit.setSelectedText(typed);
        QCOMPARE(edit.text(), text);
        const auto noRoomLeft = [](QTextDocument *doc) {
            for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
                if (LineBlocks::drawsLetter(block) != (block.blockFormat().textIndent() > 0))
                    return false;
            }
            return true;
        };
        QVERIFY(noRoomLeft(page.main()));
        QVERIFY(edit.undo());
        QCOMPARE(edit.text(), original);
        QVERIFY(noRoomLeft(page.main()));
        QVERIFY(edit.redo());
        QCOMPARE(edit.text(), text);
        PageDocument stored;
        QVERIFY(PageCodec::load(stored, PageCodec::save(page)));
        QCOMPARE(RichTextEdit(&stored).text(), text);
        QVERIFY(noRoomLeft(stored.main()));
        PageDocument whole;
        fillInOneBlock(whole, text);
        QCOMPARE(RtfWriter::pageBytes(page), RtfWriter::pageBytes(whole));
    }

    // A list item of a long word, of Japanese text or of many lines is held in pieces as any long
    // paragraph: its first block is the item, drawing the bullet or number; the blocks after it are
    // in no list and lay out at the item's text. Whoever reads the page finds one item with its whole
    // text, and the items after it keep their numbers.
    void aListItemHeldInPieces_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<int>("style");
        QTest::addColumn<int>("indent"); // of the list
        QTest::addColumn<int>("pieces"); // at least
        const int decimal = int(QTextListFormat::ListDecimal);
        QTest::addColumn<int>("margin"); // the items' left margin, none if 0
        QTest::newRow("a long word") << latinWord(30000) << decimal << 1 << 25 << 0;
        QTest::newRow("Japanese text") << japaneseText(30000) << decimal << 1 << 25 << 0;
        QTest::newRow("lines") << SamplePage::pastedLines(400) << decimal << 1 << 400 << 0;
        QTest::newRow("bullets, second level") << latinWord(30000) << int(QTextListFormat::ListDisc) << 2 << 25 << 0;
        const QString hebrew = QString::fromUtf8(ForeignFiles::hebrewWord(30000));
        QTest::newRow("a Hebrew word") << hebrew << decimal << 1 << 25 << 0;
        QTest::newRow("a Hebrew word, second level") << hebrew << int(QTextListFormat::ListDisc) << 2 << 25 << 0;
        QTest::newRow("a Hebrew word in an item of a left margin") << hebrew << decimal << 1 << 25 << 30;
    }

    void aListItemHeldInPieces()
    {
        QFETCH(QString, item);
        QFETCH(int, style);
        QFETCH(int, indent);
        QFETCH(int, pieces);
        QFETCH(int, margin);
        // The page as a reader builds it, each paragraph in one block: a heading, four items, an end.
        PageDocument whole;
        QTextCursor cursor(whole.main());
        cursor.insertText(QStringLiteral("見出し"));
        QTextListFormat listFormat;
        listFormat.setStyle(QTextListFormat::Style(style));
        listFormat.setIndent(indent);
        const QStringList items = {QStringLiteral("一つ目"), QString(item).replace(QChar(11), QChar::LineSeparator),
                                   QStringLiteral("三つ目"), QStringLiteral("四つ目")};
        for (const QString &text : items) {
            cursor.insertBlock();
            if (!cursor.currentList())
                cursor.createList(listFormat);
            cursor.insertText(text);
            if (margin > 0) {
                QTextBlockFormat itemFormat;
                itemFormat.setLeftMargin(margin);
                cursor.mergeBlockFormat(itemFormat);
            }
        }
        cursor.insertBlock(QTextBlockFormat());
        cursor.insertText(QStringLiteral("終わり"));
        QCOMPARE(whole.main()->blockCount(), 6);

        // Stored and shown: held in pieces.
        PageDocument held;
        QVERIFY(PageCodec::load(held, PageCodec::save(whole)));
        QTextDocument *doc = held.main();
        const int inside = RichTextEdit(&whole).text().indexOf(item.left(20)) + item.size() / 2;
        QVERIFY2(blocksOfParagraph(doc, inside) >= pieces, qPrintable(QString::number(blocksOfParagraph(doc, inside))));
        for (QTextBlock block = doc->begin(); block.isValid(); block = block.next())
            QVERIFY(block.length() < 12000);
        // One item of the list, the others numbered as before.
        const QTextBlock head = LineBlocks::head(doc->findBlock(inside));
        QTextList *list = head.textList();
        QVERIFY(list);
        QCOMPARE(list->count(), 4);
        QCOMPARE(list->itemNumber(head), 1);
        const QTextBlock third = LineBlocks::tail(head).next();
        QCOMPARE(third.text(), items.at(2));
        QCOMPARE(list->itemNumber(third), 2);
        if (style == int(QTextListFormat::ListDecimal))
            QCOMPARE(list->itemText(third), QStringLiteral("3."));
        // Each block after the first lays out where the item's text does.
        doc->documentLayout()->documentSize();
        whole.main()->documentLayout()->documentSize();
        const QTextBlock one = whole.main()->begin().next().next();
        const qreal textX = one.layout()->position().x() + one.layout()->lineAt(0).x();
        QCOMPARE(head.layout()->position().x() + head.layout()->lineAt(0).x(), textX);
        for (QTextBlock block = head.next(); block.isValid() && LineBlocks::continues(block); block = block.next()) {
            QVERIFY(!block.textList());
            if (LineBlocks::drawsLetter(block))
                QCOMPARE(block.textDirection() == Qt::RightToLeft, item.at(0).direction() == QChar::DirR);
            // Its letter's room at the front of its first line: at the right of a right-to-left one.
            const QTextLine line = block.layout()->lineAt(0);
            const qreal room = block.textDirection() == Qt::RightToLeft ? 0 : block.blockFormat().textIndent();
            QCOMPARE(block.layout()->position().x() + line.x() - room, textX);
        }
        if (item.contains(QChar(11)))
            compareLines(lineGeometry(doc), lineGeometry(whole.main()));
        // Read, stored and written as the item in one block.
        const QString text = RichTextEdit(&whole).text();
        RichTextEdit edit(&held);
        QCOMPARE(edit.text(), text);
        const QByteArray bytes = PageCodec::save(held);
        PageImage::Page image, wholeImage;
        QVERIFY(PageDecoder::decode(bytes, image));
        QVERIFY(PageDecoder::decode(PageCodec::save(whole), wholeImage));
        const auto &stored = image.parts.front();
        const auto &storedWhole = wholeImage.parts.front();
        QCOMPARE(int(stored.items.size()), 6);
        QCOMPARE(int(stored.lists.size()), 1);
        for (int i = 0; i < 6; ++i) {
            QCOMPARE(stored.items.at(i).list, storedWhole.items.at(i).list);
            QCOMPARE(image.formats.at(stored.items.at(i).blockFormat), wholeImage.formats.at(storedWhole.items.at(i).blockFormat));
        }
        QCOMPARE(image.formats.at(stored.lists.front()), wholeImage.formats.at(storedWhole.lists.front()));
        PageDocument back;
        QVERIFY(PageCodec::load(back, bytes));
        QCOMPARE(RichTextEdit(&back).text(), text);
        QCOMPARE(back.main()->blockCount(), doc->blockCount());
        compareWritten(held, whole);
        // The caret in a block after the first is in the item: its list, its paragraph's format.
        edit.select(inside, 0);
        QCOMPARE(edit.listKind(), style == int(QTextListFormat::ListDisc) ? 2 : 3);
        QCOMPARE(edit.listLevel(), indent);
    }

    void pageStreamAndWritersSeeOneParagraph()
    {
        const QString text = Head + SamplePage::pastedLines(400) + Tail;
        PageDocument lines;
        RichTextEdit edit(&lines);
        edit.setText(text);
        QVERIFY(lines.main()->blockCount() > 3);
        PageDocument whole;
        fillInOneBlock(whole, text);
        QCOMPARE(whole.main()->blockCount(), 3);

        // Stored: three paragraphs, read back the same and held as lines again.
        const QByteArray bytes = PageCodec::save(lines);
        PageImage::Page image;
        QVERIFY(PageDecoder::decode(bytes, image));
        QCOMPARE(int(image.parts.front().items.size()), 3);
        PageDocument back;
        QVERIFY(PageCodec::load(back, bytes));
        RichTextEdit read(&back);
        QCOMPARE(read.text(), text);
        QCOMPARE(back.main()->blockCount(), lines.main()->blockCount());

        // Written: what the same paragraph in one block gives.
        QCOMPARE(RtfWriter::pageBytes(lines), RtfWriter::pageBytes(whole));
        QCOMPARE(documentXml(DocxWriter::pageBytes(lines)), documentXml(DocxWriter::pageBytes(whole)));
        QTemporaryDir dir;
        const QString html = HtmlExport::text(lines, dir.filePath(QStringLiteral("a.htm")), {});
        QCOMPARE(html, HtmlExport::text(whole, dir.filePath(QStringLiteral("a.htm")), {}));
        QCOMPARE(html.count(QStringLiteral("<br />")), 399);
    }

    // An empty first paragraph keeps its look in what the writers give (the copy they read the page
    // from holds it as the page does).
    void writersKeepAnEmptyFirstParagraph()
    {
        const QString text = QStringLiteral("\n") + SamplePage::pastedLines(400) + Tail;
        PageDocument lines;
        RichTextEdit edit(&lines);
        edit.setText(text);
        PageDocument whole;
        fillInOneBlock(whole, text);
        for (PageDocument *page : {&lines, &whole}) {
            QTextBlockFormat indented;
            indented.setLeftMargin(40);
            indented.setTopMargin(12);
            QTextCharFormat large;
            large.setFontPointSize(20);
            QTextCursor first(page->main());
            first.setBlockFormat(indented);
            first.setBlockCharFormat(large);
        }
        QVERIFY(lines.main()->blockCount() > whole.main()->blockCount());
        QCOMPARE(RtfWriter::pageBytes(lines), RtfWriter::pageBytes(whole));
        QCOMPARE(documentXml(DocxWriter::pageBytes(lines)), documentXml(DocxWriter::pageBytes(whole)));
        QTemporaryDir dir;
        QCOMPARE(HtmlExport::text(lines, dir.filePath(QStringLiteral("a.htm")), {}),
                 HtmlExport::text(whole, dir.filePath(QStringLiteral("a.htm")), {}));
    }

    // An empty first paragraph that is a list item stays an item of its list in the copy the writers
    // read, numbered with the items after it, whatever index the list has there.
    void copiesKeepAnEmptyFirstItemInItsList_data()
    {
        QTest::addColumn<int>("items");
        QTest::newRow("with the held paragraph after it") << 3;
        QTest::newRow("alone") << 1;
    }

    void copiesKeepAnEmptyFirstItemInItsList()
    {
        QFETCH(int, items);
        const QString text = QStringLiteral("\n項目\n") + SamplePage::pastedLines(400) + Tail;
        PageDocument page;
        RichTextEdit edit(&page);
        edit.setText(text);
        // A list made before the first one, so that the items' list has another index in a copy.
        edit.select(int(text.size()) - 2, 0);
        edit.setListKind(2);
        QVERIFY(page.main()->lastBlock().textList());
        edit.select(0, items == 1 ? 0 : int(text.indexOf(QStringLiteral("行 1 "))));
        edit.setListKind(3);
        const QTextList *list = page.main()->begin().textList();
        QVERIFY(list);
        QCOMPARE(list->count(), items);
        const LineBlocks::Joined joined(page.main());
        QVERIFY(joined.document() != page.main());
        const QTextBlock first = joined.document()->begin();
        const QTextList *copied = first.textList();
        QVERIFY(copied);
        QCOMPARE(copied->count(), items);
        QCOMPARE(copied->itemNumber(first), 0);
        QCOMPARE(copied->format().style(), list->format().style());
        QVERIFY(!joined.document()->lastBlock().textList() || joined.document()->lastBlock().textList() != copied);
    }

    // A page of nothing but an empty list item is copied and put into another page (Qt's own copy of
    // a document without text crashed on the item's list).
    void anEmptyItemAloneIsCopied()
    {
        PageDocument item;
        QTextCursor(item.main()).createList(QTextListFormat::ListDecimal);
        const std::unique_ptr<QTextDocument> copy = LineBlocks::copy(item.main());
        QVERIFY(copy->begin().textList());
        QCOMPARE(copy->begin().textList()->format().style(), QTextListFormat::ListDecimal);
        PageDocument page;
        RichTextEdit edit(&page);
        edit.setText(QStringLiteral("abc"));
        edit.select(3, 0);
        edit.insertPage(item);
        QCOMPARE(edit.text(), QStringLiteral("abc"));
    }

    // Text copied from inside a list item goes in as text where it is pasted: in an item's first block
    // or a later one of an item held in pieces, or in a paragraph in no list. No paragraph end comes
    // with it, nor in front of a copy that begins inside an item and goes on past its end.
    void textOfAListItemPastesIntoAnItem_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("at");
        QTest::addColumn<bool>("asBytes"); // as another program's clipboard holds it
        const QString long1 = QStringLiteral("日本語の文章には空白がない。").repeated(1500);
        const QString two = QStringLiteral("見出し\n") + long1 + QChar(10) + long1 + QStringLiteral("\n終わり");
        const QString shortItem = QStringLiteral("見出し\n日本語の文章には空白がない。日本語の文章には空白がない。\n終わり");
        for (const bool bytes : {false, true}) {
            const char *how = bytes ? "as bytes" : "as a page";
            QTest::addRow("a short item, %s", how) << shortItem << 6 << 10 << 5 << bytes;
            QTest::addRow("first block to another item's first block, %s", how) << two << 21100 << 186 << 692 << bytes;
            QTest::addRow("first block to another item's later block, %s", how) << two << 21100 << 186 << 1692 << bytes;
            QTest::addRow("within an item's first block, %s", how) << two << 100 << 186 << 692 << bytes;
            QTest::addRow("a later block to an item's first block, %s", how) << two << 4200 << 186 << 692 << bytes;
            QTest::addRow("first block to a paragraph in no list, %s", how) << two << 21100 << 186 << 2 << bytes;
            QTest::addRow("inside an item past its end to a paragraph in no list, %s", how) << shortItem << 6 << 29 << 2 << bytes;
            QTest::addRow("inside a held item past its end to a paragraph in no list, %s", how) << two << 21100 << 20908 << 2 << bytes;
        }
    }

    void textOfAListItemPastesIntoAnItem()
    {
        QFETCH(QString, text);
        QFETCH(int, from);
        QFETCH(int, length);
        QFETCH(int, at);
        QFETCH(bool, asBytes);
        PageDocument page;
        RichTextEdit edit(&page);
        edit.setText(text);
        edit.select(4, int(text.lastIndexOf(QChar(10))) - 4);
        edit.setListKind(3);
        edit.select(from, length);
        PageDocument copied;
        edit.copySelection(copied);
        QCOMPARE(PositionText::text(copied.main()), text.mid(from, length));
        PageDocument clipboard;
        QVERIFY(PageCodec::load(clipboard, PageCodec::save(copied)));
        edit.select(at, 0);
        edit.insertPage(asBytes ? clipboard : copied);
        QCOMPARE(edit.text(), QString(text).insert(at, text.mid(from, length)));
    }

    // On paper (page view, print, PDF) the lines fall on the pages where the paragraph's lines fall.
    void printedAsOneParagraph()
    {
        const QString text = Head + SamplePage::pastedLines(400) + Tail;
        PageDocument lines;
        RichTextEdit(&lines).setText(text);
        QVERIFY(lines.main()->blockCount() > 3);
        PageDocument whole;
        fillInOneBlock(whole, text);
        const PageRenderer held(lines);
        const PageRenderer one(whole);
        QVERIFY(held.pageCount() > 3);
        QCOMPARE(held.pageCount(), one.pageCount());
        for (int page : {1, 2, held.pageCount()}) {
            QImage a(held.paperSize().toSize(), QImage::Format_RGB32);
            QImage b(a.size(), QImage::Format_RGB32);
            a.fill(Qt::white);
            b.fill(Qt::white);
            {
                QPainter painter(&a);
                held.drawPage(&painter, page);
            }
            {
                QPainter painter(&b);
                one.drawPage(&painter, page);
            }
            QVERIFY2(a == b, qPrintable(QStringLiteral("page %1").arg(page)));
        }
    }

    // Edits inside and around the paragraph give the text they would give in one block.
    void editsGiveTheTextOfOneParagraph_data()
    {
        QTest::addColumn<QString>("edit");
        QTest::newRow("new paragraph in a line") << QStringLiteral("enter");
        QTest::newRow("line break removed") << QStringLiteral("join lines");
        QTest::newRow("typing over lines") << QStringLiteral("replace");
        QTest::newRow("paragraph end before it removed") << QStringLiteral("join paragraphs");
        QTest::newRow("line break typed") << QStringLiteral("break");
    }

    void editsGiveTheTextOfOneParagraph()
    {
        QFETCH(QString, edit);
        PageDocument page;
        RichTextEdit model(&page);
        QString text = Head + SamplePage::pastedLines(400) + Tail;
        model.setText(text);
        model.select(0, Head.size() - 1);
        model.setSpaceBefore(180); // the heading before it has room above
        const int middle = text.indexOf(QChar(11), text.size() / 2);
        if (edit == QLatin1String("enter")) {
            model.select(middle + 3, 0);
            model.setSelectedText(QStringLiteral("\n"));
            text.insert(middle + 3, QChar(10));
        } else if (edit == QLatin1String("join lines")) {
            model.select(middle, 1);
            model.setSelectedText(QString());
            text.remove(middle, 1);
        } else if (edit == QLatin1String("replace")) {
            model.select(middle - 5, 200);
            model.setSelectedText(QStringLiteral("x"));
            text.replace(middle - 5, 200, QStringLiteral("x"));
        } else if (edit == QLatin1String("join paragraphs")) {
            model.select(Head.size() - 1, 1);
            model.setSelectedText(QString());
            text.remove(Head.size() - 1, 1);
        } else {
            model.select(middle + 3, 0);
            model.setSelectedText(QStringLiteral("\v"));
            text.insert(middle + 3, QChar(11));
        }
        QCOMPARE(model.text(), text);
        // The blocks of each paragraph of more than one block share its format; only its first lays
        // out the room above it.
        for (QTextBlock block = page.main()->begin(); block.isValid(); block = block.next()) {
            if (!LineBlocks::continues(block))
                continue;
            const QTextBlock head = LineBlocks::head(block);
            QCOMPARE(block.blockFormat().topMargin(), 0.0);
            QCOMPARE(LineBlocks::ownFormat(block.blockFormat()).topMargin(), head.blockFormat().topMargin());
            QCOMPARE(block.blockFormat().alignment(), head.blockFormat().alignment());
        }
        QVERIFY(model.undo());
        QCOMPARE(model.text(), Head + SamplePage::pastedLines(400) + Tail);
        QVERIFY(model.redo());
        QCOMPARE(model.text(), text);
        QVERIFY(PageCodec::load(page, PageCodec::save(page)));
        QCOMPARE(model.text(), text);
    }

    void paragraphFormatsReachEveryLine()
    {
        PageDocument page;
        RichTextEdit edit(&page);
        const QString text = Head + SamplePage::pastedLines(400) + Tail;
        edit.setText(text);
        const int inside = text.size() / 2;
        edit.select(inside, 0);
        edit.setAlignment(2);
        for (QTextBlock block = page.main()->begin().next(); block != page.main()->lastBlock(); block = block.next())
            QVERIFY(block.blockFormat().alignment() & Qt::AlignHCenter);
        QCOMPARE(page.main()->begin().blockFormat().alignment() & Qt::AlignHCenter, 0);
        // Room above the paragraph: its first block lays it out.
        edit.select(inside, 0);
        edit.setSpaceBefore(120);
        QVERIFY(page.main()->blockCount() > 3);
        QCOMPARE(page.main()->begin().next().blockFormat().topMargin(), 8.0);
        QCOMPARE(page.main()->findBlock(inside).blockFormat().topMargin(), 0.0);
        QCOMPARE(edit.text(), text);
        edit.select(inside, 0);
        QCOMPARE(edit.spaceBefore(), 120);
        QCOMPARE(edit.alignment(), 2);
        // A list item is one paragraph, held in pieces as any other.
        edit.setSpaceBefore(0);
        edit.setText(text);
        const int blocks = blocksOfParagraph(page.main(), inside);
        edit.select(inside, 0);
        edit.setListKind(2);
        QCOMPARE(edit.text(), text);
        QVERIFY(LineBlocks::head(page.main()->findBlock(inside)).textList());
        QCOMPARE(LineBlocks::head(page.main()->findBlock(inside)).textList()->count(), 1);
        QCOMPARE(blocksOfParagraph(page.main(), inside), blocks);
    }

    // A long paragraph with room above or below it or indents is held in pieces too, each laying out
    // its share of the format: it looks as it would in one block, and whoever reads the page finds
    // one paragraph in its format as stored.
    void heldWithItsSpacesAndIndents_data()
    {
        QTest::addColumn<QTextFormat>("format");
        QTest::addColumn<QString>("source");
        QTest::addColumn<bool>("afterwards"); // the format set on the held paragraph with the editor's commands
        const QString lines = SamplePage::pastedLines(400);
        QTextBlockFormat before;
        before.setTopMargin(12);
        QTextBlockFormat after;
        after.setBottomMargin(9);
        QTextBlockFormat indent;
        indent.setTextIndent(24);
        QTextBlockFormat sides;
        sides.setLeftMargin(30);
        sides.setRightMargin(20);
        QTextBlockFormat fractions; // 8 pt: Qt places lines 1/64 px left of where rounding would
        fractions.setLeftMargin(32 / 3.0);
        fractions.setRightMargin(16 / 3.0);
        QTextBlockFormat heading; // the sample database's
        heading.setProperty(BlockStyle, 0);
        heading.setTopMargin(6);
        heading.setBottomMargin(4);
        QTest::newRow("space before") << QTextFormat(before) << lines << false;
        QTest::newRow("space after") << QTextFormat(after) << lines << false;
        QTest::newRow("first-line indent") << QTextFormat(indent) << lines << false;
        QTest::newRow("left and right indents") << QTextFormat(sides) << lines << false;
        QTest::newRow("indents of parts of a pixel") << QTextFormat(fractions) << lines << false;
        QTextBlockFormat body; // the editor's body style: a line height of its own
        body.setProperty(BlockStyle, 3);
        body.setLeftMargin(4);
        body.setLineHeight(16, QTextBlockFormat::FixedHeight);
        QTest::newRow("heading") << QTextFormat(heading) << lines << false;
        QTest::newRow("body style") << QTextFormat(body) << spacedLines(800) << false;
        QTest::newRow("heading without line breaks") << QTextFormat(heading) << spacedLines(800) << false;
        QTest::newRow("set afterwards") << QTextFormat() << lines << true;
    }

    void heldWithItsSpacesAndIndents()
    {
        QFETCH(QTextFormat, format);
        QFETCH(QString, source);
        QFETCH(bool, afterwards);
        const QString text = Head + source + Tail;
        const int at = Head.size() + source.size() / 2;
        const auto setFormat = [](RichTextEdit &edit, int position) {
            edit.select(position, 0);
            edit.setSpaceBefore(225);
            edit.setSpaceAfter(105);
            edit.setIndentFirstLine(300);
            edit.setIndentLeft(150);
        };
        // The paragraph in one block: its format set while it was short.
        PageDocument whole;
        RichTextEdit wholeEdit(&whole);
        wholeEdit.setText(Head + QStringLiteral("x") + Tail);
        QTextCursor cursor(whole.main()->findBlock(Head.size()));
        if (afterwards) {
            setFormat(wholeEdit, Head.size());
        } else {
            cursor.mergeBlockFormat(format.toBlockFormat());
        }
        cursor.setPosition(Head.size());
        cursor.setPosition(Head.size() + 1, QTextCursor::KeepAnchor);
        cursor.insertText(QString(source).replace(QChar(11), QChar::LineSeparator));
        QCOMPARE(wholeEdit.text(), text);
        QCOMPARE(blocksOfParagraph(whole.main(), at), 1);
        // Held: pasted into a paragraph of that format, or that format set on it once held.
        PageDocument held;
        RichTextEdit edit(&held);
        if (afterwards) {
            edit.setText(text);
            setFormat(edit, at);
        } else {
            edit.setText(Head + QStringLiteral("x") + Tail);
            QTextCursor(held.main()->findBlock(Head.size())).mergeBlockFormat(format.toBlockFormat());
            edit.select(Head.size(), 1);
            edit.setSelectedText(source);
        }
        QCOMPARE(edit.text(), text);
        QVERIFY(blocksOfParagraph(held.main(), at) > 3);

        // Stored once, in its format, and read back held the same way.
        PageImage::Page image, wholeImage;
        const QByteArray bytes = PageCodec::save(held);
        QVERIFY(PageDecoder::decode(bytes, image));
        QVERIFY(PageDecoder::decode(PageCodec::save(whole), wholeImage));
        QCOMPARE(int(image.parts.front().items.size()), 3);
        QCOMPARE(image.formats.at(image.parts.front().items.at(1).blockFormat),
                 wholeImage.formats.at(wholeImage.parts.front().items.at(1).blockFormat));
        PageDocument back;
        QVERIFY(PageCodec::load(back, bytes));
        QCOMPARE(RichTextEdit(&back).text(), text);
        QCOMPARE(back.main()->blockCount(), held.main()->blockCount());
        QCOMPARE(LineBlocks::ownFormat(LineBlocks::head(back.main()->findBlock(at)).blockFormat()).properties(),
                 whole.main()->findBlock(at).blockFormat().properties());
        // Written as the paragraph in one block is, and so is a copy across two of its blocks.
        compareWritten(held, whole);
        if (QTest::currentTestFailed())
            return;
        PageDocument heldCopy;
        PageDocument wholeCopy;
        const int pieceStart = held.main()->findBlock(at).position();
        edit.select(pieceStart - 10, 40);
        edit.copySelection(heldCopy);
        wholeEdit.select(pieceStart - 10, 40);
        wholeEdit.copySelection(wholeCopy);
        QCOMPARE(RtfWriter::pageBytes(heldCopy), RtfWriter::pageBytes(wholeCopy));

        // Laid out line for line as in one block, up to a piece parted at a space.
        QTextDocument *doc = held.main();
        const auto heldLines = lineGeometry(doc);
        const auto wholeLines = lineGeometry(whole.main());
        QVERIFY(heldLines.size() > 5);
        if (source.contains(QChar(11)))
            QCOMPARE(heldLines.size(), wholeLines.size());
        compareLines(heldLines, wholeLines);
        if (QTest::currentTestFailed())
            return;

        // A key into its first block or into one in its middle is laid out in that block alone (the
        // last paragraph keeps a place that Qt would set again), in the lines Qt gives it.
        for (const QTextBlock &block : {LineBlocks::head(doc->findBlock(at)), doc->findBlock(at)}) {
            const QTextBlock below = doc->lastBlock();
            const QPointF place = below.layout()->position();
            below.layout()->setPosition(place + QPointF(0, 1000));
            QTextCursor cursor(block);
            cursor.movePosition(QTextCursor::EndOfBlock);
            cursor.insertText(QStringLiteral("x"));
            const bool alone = below.layout()->position().y() > place.y() + 500;
            below.layout()->setPosition(place);
            QVERIFY2(alone, qPrintable(QStringLiteral("block %1").arg(block.blockNumber())));
            const auto typed = lineGeometry(doc);
            doc->markContentsDirty(0, doc->characterCount()); // Qt lays all of it out again
            const auto again = lineGeometry(doc);
            QCOMPARE(typed.size(), again.size());
            compareLines(typed, again);
            if (QTest::currentTestFailed())
                return;
        }

        // A line break put into its first block changes the blocks near it only: a change to every
        // block would have Qt lay all of the paragraph out again.
        const int head = LineBlocks::head(doc->findBlock(at)).position();
        int reach = 0;
        const auto changes = connect(doc, &QTextDocument::contentsChange,
                                     [&](int from, int, int added) { reach = qMax(reach, from + added); });
        edit.select(head + 5, 0);
        edit.setSelectedText(QStringLiteral("\v"));
        disconnect(changes);
        QVERIFY2(reach < head + 4 * LineBlocks::SplitLength, qPrintable(QStringLiteral("%1 of %2").arg(reach).arg(edit.textLength())));
    }

    // A table put in the middle of the paragraph stands in its text; taken out again, the text is
    // the paragraph it was, with its line breaks and no paragraph end more or less.
    void aTableInsideTheParagraph_data()
    {
        QTest::addColumn<int>("offset");
        QTest::newRow("inside a line") << 3;
        QTest::newRow("at a line's start") << 1;
        QTest::newRow("at a line's end") << 0;
    }

    void aTableInsideTheParagraph()
    {
        QFETCH(int, offset);
        PageDocument page;
        RichTextEdit edit(&page);
        const QString text = SamplePage::pastedLines(400);
        edit.setText(text);
        const int at = text.indexOf(QChar(11), text.size() / 2) + offset;
        edit.select(at, 0);
        QVERIFY(edit.insertTable(1, 1));
        QCOMPARE(edit.text(), QString(text).insert(at, QStringLiteral("\a\a")));
        QVERIFY(PageCodec::load(page, PageCodec::save(page)));
        QCOMPARE(edit.text(), QString(text).insert(at, QStringLiteral("\a\a")));
        edit.select(at + 1, 0);
        QVERIFY(edit.deleteRows());
        QVERIFY(edit.tableIds().isEmpty());
        QCOMPARE(edit.text(), text);
        QVERIFY(PageCodec::load(page, PageCodec::save(page)));
        QCOMPARE(edit.text(), text);
    }

    // A long paragraph of a table cell is held in pieces as one of the main text is; whoever reads
    // the page finds the paragraph in one piece, and it looks the same on paper.
    void aCellParagraphHeldInPieces_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("parted"); // at spaces, whose lines end early as at a line break
        QTest::newRow("lines") << SamplePage::pastedLines(400) + Tail << false;
        QTest::newRow("no line breaks") << spacedLines(800) << true;
    }

    void aCellParagraphHeldInPieces()
    {
        QFETCH(QString, text);
        QFETCH(bool, parted);
        std::unique_ptr<PageDocument> held(cellPageInOneBlock(text));
        std::unique_ptr<PageDocument> whole(cellPageInOneBlock(text));
        QTextCursor build(held->main()); // as a page is built, in one edit
        build.beginEditBlock();
        LineBlocks::settle(held->main());
        build.endEditBlock();
        QVERIFY(heldBlocksIn(held->main()) >= 4);
        QCOMPARE(heldBlocksIn(whole->main()), 0);
        RichTextEdit edit(held.get());
        const QString all = RichTextEdit(whole.get()).text();
        QCOMPARE(edit.text(), all);
        for (int i = 0; i < all.size(); i += 89)
            QCOMPARE(edit.charAt(i), all.at(i));
        QTextTable *table = TableOps::tables(held->main()).first();
        QCOMPARE(TableOps::cellText(table, 0, 0), text);
        QCOMPARE(TableOps::cellText(table, 0, 1), QString());

        // Stored as one paragraph, and read back held again.
        const QByteArray bytes = PageCodec::save(*held);
        PageImage::Page image, wholeImage;
        QVERIFY(PageDecoder::decode(bytes, image));
        QVERIFY(PageDecoder::decode(PageCodec::save(*whole), wholeImage));
        QCOMPARE(int(image.parts.front().items.size()), int(wholeImage.parts.front().items.size()));
        const auto cellItems = [](const PageImage::Page &page) {
            for (const PageImage::Item &item : page.parts.front().items) {
                if (item.kind == PageImage::Item::Table)
                    return int(item.cells.front().items.size());
            }
            return -1;
        };
        QCOMPARE(cellItems(image), int(text.count(QChar(10)) + 1));
        QCOMPARE(cellItems(wholeImage), cellItems(image));
        PageDocument back;
        QVERIFY(PageCodec::load(back, bytes));
        QCOMPARE(RichTextEdit(&back).text(), all);
        QCOMPARE(back.main()->blockCount(), held->main()->blockCount());

        // Written and printed as the paragraph in one block is.
        QCOMPARE(RtfWriter::pageBytes(*held), RtfWriter::pageBytes(*whole));
        QCOMPARE(documentXml(DocxWriter::pageBytes(*held)), documentXml(DocxWriter::pageBytes(*whole)));
        QTemporaryDir dir;
        QCOMPARE(HtmlExport::text(*held, dir.filePath(QStringLiteral("a.htm")), {}),
                 HtmlExport::text(*whole, dir.filePath(QStringLiteral("a.htm")), {}));
        QCOMPARE(PlainText::of(held->main()), PlainText::of(whole->main()));
        if (parted)
            return;
        const int pages = PageRenderer(*held).pageCount();
        QCOMPARE(pages, PageRenderer(*whole).pageCount());
        for (int page : {1, 2, pages})
            QVERIFY2(pageImage(*held, page) == pageImage(*whole, page), qPrintable(QStringLiteral("page %1").arg(page)));
    }

    // Edits in and around the cell's paragraph, and their undo, give the text they give in one block.
    void editsInACellParagraph_data()
    {
        QTest::addColumn<int>("offset"); // from the middle of the cell's text
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("typed");
        QTest::newRow("a key") << 3 << 0 << QStringLiteral("x");
        QTest::newRow("a line break removed") << 0 << 1 << QString();
        QTest::newRow("across lines") << -50 << 300 << QStringLiteral("y");
        QTest::newRow("a paragraph end") << 3 << 0 << QStringLiteral("\n");
        QTest::newRow("a line break") << 3 << 0 << QStringLiteral("\v");
        QTest::newRow("the cell's text") << -5000 << 10000 << QStringLiteral("z");
    }

    void editsInACellParagraph()
    {
        QFETCH(int, offset);
        QFETCH(int, length);
        QFETCH(QString, typed);
        const QString text = SamplePage::pastedLines(400);
        std::unique_ptr<PageDocument> held(cellPage(text));
        std::unique_ptr<PageDocument> whole(cellPageInOneBlock(text));
        RichTextEdit a(held.get());
        RichTextEdit b(whole.get());
        const QString before = b.text();
        const int start = Head.size() + 1 + text.indexOf(QChar(11), text.size() / 2);
        const int from = qMax(Head.size() + 1, start + offset);
        const int count = qMin(length, Head.size() + 1 + int(text.size()) - from);
        for (RichTextEdit *edit : {&a, &b}) {
            edit->select(from, count);
            edit->setSelectedText(typed);
        }
        QCOMPARE(a.text(), b.text());
        QVERIFY(a.text() != before);
        QVERIFY(heldBlocksIn(held->main()) > 0);
        QVERIFY(a.undo());
        QCOMPARE(a.text(), before);
        QVERIFY(a.redo());
        QCOMPARE(a.text(), b.text());
        QVERIFY(PageCodec::load(*held, PageCodec::save(*held)));
        QCOMPARE(a.text(), b.text());
    }

    // A key into a line of the cell lays out that line's block alone where Qt would lay it out the
    // same; where the table could change (a column that follows its text, a line more) Qt lays the
    // table out. Either way the lines fall where Qt puts them and the columns keep their widths.
    void aKeyInACellLaysOutItsLine_data()
    {
        QTest::addColumn<int>("columnWidth");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("acrossPages"); // into a block whose lines a page break parts
        QTest::addColumn<bool>("alone");
        QTest::addColumn<int>("indents"); // left and right, in twips
        QTest::newRow("set widths") << 4500 << QStringLiteral("x") << false << true << 0;
        QTest::newRow("set widths, across pages") << 4500 << QStringLiteral("x") << true << true << 0;
        QTest::newRow("set widths, a word longer than the column")
            << 4500 << QStringLiteral(" ") + QString(60, QLatin1Char('w')) << false << true << 0;
        QTest::newRow("set widths, a line more") << 4500 << QStringLiteral(" ab").repeated(20) << false << true << 0;
        QTest::newRow("set widths, a line more, across pages")
            << 4500 << QStringLiteral(" ab").repeated(20) << true << true << 0;
        QTest::newRow("set widths, indented") << 4500 << QStringLiteral("x") << false << true << 45;
        QTest::newRow("widths following the text") << 0 << QStringLiteral("x") << false << true << 0;
        QTest::newRow("widths following the text, across pages") << 0 << QStringLiteral("x") << true << true << 0;
        // Where a word may break anywhere, a column is as narrow as its widest letter.
        QTest::newRow("widths following the text, a longer word")
            << 0 << QStringLiteral(" ") + QString(30, QLatin1Char('w')) << false << true << 0;
        QTest::newRow("widths following the text, a line more") << 0 << QStringLiteral(" ab").repeated(80) << false << true << 0;
        QTest::newRow("widths following the text, lines more")
            << 0 << QStringLiteral(" ab").repeated(400) << true << true << 0;
    }

    void aKeyInACellLaysOutItsLine()
    {
        QFETCH(int, columnWidth);
        QFETCH(QString, typed);
        QFETCH(bool, acrossPages);
        QFETCH(bool, alone);
        QFETCH(int, indents);
        std::unique_ptr<PageDocument> page(cellPage(SamplePage::pastedLines(1200), columnWidth));
        QTextDocument *doc = page->main();
        if (indents) {
            RichTextEdit edit(page.get());
            edit.select(TableOps::tables(doc).first()->cellAt(0, 0).firstPosition() + 5, 0);
            edit.setIndentLeft(indents);
            edit.setIndentRight(indents);
        }
        doc->documentLayout()->documentSize();
        const QList<QRectF> widths = tableGeometry(doc).last(2);
        // A line with room at its end, and a line far from it whose place Qt would set again.
        QTextBlock block = doc->findBlock(doc->characterCount() / 2);
        const auto fits = [&](const QTextLayout *lines) {
            const QTextLine last = lines->lineAt(lines->lineCount() - 1);
            const bool parted = last.y() > (lines->lineCount() - 1) * lines->lineAt(0).height() + 1;
            return last.naturalTextWidth() < lines->lineAt(0).width() - 40 && parted == acrossPages;
        };
        while (block.isValid() && !fits(block.layout()))
            block = block.next();
        QVERIFY(block.isValid());
        QCOMPARE(block.blockFormat().leftMargin() > 0, indents > 0);
        // Qt lays out every cell of the table for a change it lays out.
        const QTextBlock beside = TableOps::tables(doc).first()->cellAt(0, 1).firstCursorPosition().block();
        const QPointF place = beside.layout()->position();
        beside.layout()->setPosition(place + QPointF(0, 1000));
        QTextCursor cursor(block);
        cursor.movePosition(QTextCursor::EndOfBlock);
        cursor.insertText(typed);
        QCOMPARE(beside.layout()->position().y() > place.y() + 500, alone);
        if (alone)
            beside.layout()->setPosition(place);
        const QList<QRectF> typedGeometry = tableGeometry(doc);
        doc->markContentsDirty(0, doc->characterCount()); // Qt lays all of it out again
        doc->documentLayout()->documentSize();
        QCOMPARE(typedGeometry, tableGeometry(doc));
        for (qsizetype column = 0; alone && column < widths.size(); ++column) {
            const QRectF cell = typedGeometry.at(typedGeometry.size() - widths.size() + column);
            QCOMPARE(QPair(cell.left(), cell.width()), QPair(widths.at(column).left(), widths.at(column).width()));
        }
        QVERIFY(doc->isUndoAvailable());
        doc->undo();
        const QList<QRectF> undone = tableGeometry(doc);
        doc->markContentsDirty(0, doc->characterCount());
        doc->documentLayout()->documentSize();
        QCOMPARE(undone, tableGeometry(doc));
        QCOMPARE(beside.layout()->position(), place);
    }


    // A long paragraph of a header, a footer or a text frame is held in pieces as one of the main
    // text is; stored, written and copied it is one paragraph.
    void aPartParagraphHeldInPieces_data()
    {
        QTest::addColumn<int>("part"); // its flag, or 0 for a text frame
        QTest::newRow("header") << int(HeaderAll);
        QTest::newRow("footer") << int(FooterAll);
        QTest::newRow("text frame") << 0;
    }

    void aPartParagraphHeldInPieces()
    {
        QFETCH(int, part);
        const QString text = SamplePage::pastedLines(400) + QStringLiteral("\n") + spacedLines(800);
        QString raw = text;
        raw.replace(QChar(11), QChar::LineSeparator).replace(QChar(10), QChar::ParagraphSeparator);
        PageDocument held;
        PageDocument whole;
        const auto fill = [&](PageDocument &page) {
            QTextCursor main(page.main());
            main.insertText(QStringLiteral("本文"));
            if (part == 0) {
                SamplePage::insertTextFrame(page, main, raw, 0xFFFFFF);
                return page.frameDocument(page.frameIds().constLast());
            }
            QTextDocument *doc = page.ensurePart(part);
            QTextCursor(doc).insertText(raw);
            return doc;
        };
        QTextDocument *doc = fill(held);
        fill(whole);
        QTextCursor build(doc);
        build.beginEditBlock();
        LineBlocks::settle(doc);
        build.endEditBlock();
        QVERIFY(doc->blockCount() > 400);

        RichTextEdit edit(&held);
        QVERIFY(part ? edit.editPart(part) : edit.selectFrame(held.frameIds().constLast()));
        QCOMPARE(edit.text(), text);
        PageDocument back;
        QVERIFY(PageCodec::load(back, PageCodec::save(held)));
        RichTextEdit read(&back);
        QVERIFY(part ? read.editPart(part) : read.selectFrame(back.frameIds().constLast()));
        QCOMPARE(read.text(), text);
        QCOMPARE(read.document()->blockCount(), doc->blockCount());

        QCOMPARE(RtfWriter::pageBytes(held), RtfWriter::pageBytes(whole));
        const QByteArray docx = DocxWriter::pageBytes(held);
        const QByteArray wholeDocx = DocxWriter::pageBytes(whole);
        for (const QString &name : {QStringLiteral("word/document.xml"), QStringLiteral("word/header1.xml"),
                                    QStringLiteral("word/footer1.xml")})
            QCOMPARE(documentXml(docx, name), documentXml(wholeDocx, name));
        QTemporaryDir dir;
        QCOMPARE(HtmlExport::text(held, dir.filePath(QStringLiteral("a.htm")), {}),
                 HtmlExport::text(whole, dir.filePath(QStringLiteral("a.htm")), {}));
    }


    // Keys laid out alone and then a change Qt lays out, in the same cell, in another cell or after
    // the table: the lines fall where Qt puts them when it lays out all of it.
    void keysThenALineMoreInACell_data()
    {
        QTest::addColumn<int>("where"); // of the second change: 0 the same cell, 1 the next cell, 2 after the table
        QTest::newRow("the same cell") << 0;
        QTest::newRow("the next cell") << 1;
        QTest::newRow("after the table") << 2;
    }

    void keysThenALineMoreInACell()
    {
        QFETCH(int, where);
        std::unique_ptr<PageDocument> page(cellPage(SamplePage::pastedLines(1200), 4500));
        QTextDocument *doc = page->main();
        QTextTable *table = TableOps::tables(doc).first();
        QTextCursor(table->cellAt(0, 1).firstCursorPosition()).insertText(QStringLiteral("隣のセル"));
        QTextCursor(doc->findBlock(table->lastPosition() + 1)).insertText(QStringLiteral("表の後"));
        doc->documentLayout()->documentSize();
        QTextCursor key(doc->findBlock(doc->characterCount() / 3));
        key.movePosition(QTextCursor::EndOfBlock);
        for (int i = 0; i < 3; ++i)
            key.insertText(QStringLiteral("x"));
        QTextCursor more(where == 0 ? doc->findBlock(doc->characterCount() / 2)
                                    : where == 1 ? table->cellAt(0, 1).firstCursorPosition().block()
                                                 : doc->findBlock(table->lastPosition() + 1));
        more.movePosition(QTextCursor::EndOfBlock);
        more.insertText(QStringLiteral(" ab").repeated(60));
        const QList<QRectF> typed = tableGeometry(doc);
        const QRectF after = doc->documentLayout()->blockBoundingRect(doc->lastBlock());
        doc->markContentsDirty(0, doc->characterCount());
        doc->documentLayout()->documentSize();
        QCOMPARE(typed, tableGeometry(doc));
        QCOMPARE(after, doc->documentLayout()->blockBoundingRect(doc->lastBlock()));
    }

    // A key that gives a cell's block a line more moves the lines below it in the cell alone; the
    // rows, the table's size and what follows it are Qt's to set again before anything reads them,
    // also after more keys moved the table's end.
    void whatFollowsAMovedCellIsReadWhereQtPutsIt_data()
    {
        QTest::addColumn<int>("reader");
        QTest::addColumn<int>("removed"); // letters taken out of the cell after the key
        QTest::newRow("place of the block after the table") << 0 << 0;
        QTest::newRow("the same, letters removed after") << 0 << 3;
        QTest::newRow("size of the text") << 1 << 0;
        QTest::newRow("hit test below the cell") << 2 << 0;
        QTest::newRow("drawn below the cell") << 3 << 0;
        QTest::newRow("place of a block in the row below") << 4 << 0;
    }

    void whatFollowsAMovedCellIsReadWhereQtPutsIt()
    {
        QFETCH(int, reader);
        QFETCH(int, removed);
        std::unique_ptr<PageDocument> page(cellPage(SamplePage::pastedLines(1200), 4500));
        QTextDocument *doc = page->main();
        QTextTable *table = TableOps::tables(doc).first();
        QTextCursor(doc->findBlock(table->lastPosition() + 1)).insertText(QStringLiteral("表の後"));
        table->appendRows(1);
        QTextCursor(table->cellAt(1, 0).firstCursorPosition()).insertText(QStringLiteral("下の行"));
        QAbstractTextDocumentLayout *layout = doc->documentLayout();
        const QRectF after = layout->blockBoundingRect(doc->lastBlock());
        const QTextBlock beside = table->cellAt(0, 1).firstCursorPosition().block();
        const QPointF place = beside.layout()->position();
        beside.layout()->setPosition(place + QPointF(0, 1000));
        QTextCursor key(doc->findBlock(doc->characterCount() / 3));
        key.movePosition(QTextCursor::EndOfBlock);
        key.insertText(QStringLiteral(" ab").repeated(20));
        for (int i = 0; i < removed; ++i)
            key.deletePreviousChar();
        QVERIFY(beside.layout()->position().y() > place.y() + 500); // Qt did not lay the table out
        beside.layout()->setPosition(place);
        const auto read = [&]() -> QVariant {
            switch (reader) {
            case 0:
                return layout->blockBoundingRect(doc->lastBlock());
            case 1:
                return layout->documentSize();
            case 2:
                // Below the text as it was, on the block after the table as it is.
                return layout->hitTest(QPointF(20, after.top() + 44), Qt::FuzzyHit);
            case 4:
                return layout->blockBoundingRect(table->cellAt(1, 0).firstCursorPosition().block());
            default: {
                QImage image(after.toAlignedRect().adjusted(0, -40, 0, 40).size(), QImage::Format_RGB32);
                image.fill(Qt::white);
                QPainter painter(&image);
                painter.translate(0, 40 - after.top());
                QAbstractTextDocumentLayout::PaintContext context;
                context.clip = after.adjusted(0, -40, 0, 40);
                layout->draw(&painter, context);
                return image;
            }
            }
        };
        const QVariant typed = read();
        doc->markContentsDirty(0, doc->characterCount());
        layout->documentSize();
        QCOMPARE(typed, read());
    }

    // A link over a line break of a held paragraph: the break is a character of the field, whose text,
    // data and removal reach it as they reach the field's other characters; the writers read the
    // same link as from the paragraph in one block.
    void aFieldAcrossAHeldLineBreak_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed"); // the field after an "x" typed right after the break
        QTest::newRow("across the break") << QStringLiteral("ab\vcd") << QStringLiteral("ab\vxcd");
        QTest::newRow("ending with it") << QStringLiteral("abc\v") << QStringLiteral("abc\v");
    }

    void aFieldAcrossAHeldLineBreak()
    {
        QFETCH(QString, field);
        QFETCH(QString, typed);
        const QString text = SamplePage::pastedLines(400);
        const int at = text.indexOf(QChar(11), text.size() / 2) + 3;
        const int lineBreak = at + int(field.indexOf(QChar(11)));
        PageDocument whole;
        fillInOneBlock(whole, text.left(at));
        QTextCharFormat link;
        link.setProperty(FieldId, 1);
        link.setProperty(FieldType, 1);
        link.setProperty(FieldData, QStringLiteral("http://example.org/"));
        QTextCursor end(whole.main());
        end.movePosition(QTextCursor::End);
        end.insertText(QString(field).replace(QChar(11), QChar::LineSeparator), link);
        end.insertText(QString(text.mid(at)).replace(QChar(11), QChar::LineSeparator), QTextCharFormat());
        PageDocument lines;
        QVERIFY(PageCodec::load(lines, PageCodec::save(whole)));
        QVERIFY(LineBlocks::continues(lines.main()->findBlock(lineBreak + 1)));

        RichTextEdit edit(&lines);
        QVERIFY(edit.setCurrentField(edit.nextField(0)));
        QCOMPARE(edit.fieldText(), field);
        QCOMPARE(edit.fieldAt(lineBreak), edit.currentField());
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("a.htm"));
        const auto writtenAlike = [&] {
            return RtfWriter::pageBytes(lines) == RtfWriter::pageBytes(whole)
                && documentXml(DocxWriter::pageBytes(lines)) == documentXml(DocxWriter::pageBytes(whole))
                && HtmlExport::text(lines, file, {}) == HtmlExport::text(whole, file, {});
        };
        QVERIFY(writtenAlike());

        RichTextEdit one(&whole);
        QVERIFY(one.setCurrentField(one.nextField(0)));
        for (RichTextEdit *e : {&edit, &one})
            QVERIFY(e->setFieldData(QStringLiteral("http://example.org/other")));
        QVERIFY(writtenAlike());
        PageDocument stored;
        QVERIFY(PageCodec::load(stored, PageCodec::save(lines)));
        RichTextEdit read(&stored);
        QVERIFY(read.setCurrentField(read.nextField(0)));
        QCOMPARE(read.fieldText(), field);
        QCOMPARE(read.fieldData(), QStringLiteral("http://example.org/other"));
        QCOMPARE(read.nextField(read.currentField()), 0);

        // Typing after the break inside the field is typing inside it; at its end it is not.
        edit.select(lineBreak + 1, 0);
        edit.typeText(QStringLiteral("x"));
        QCOMPARE(edit.fieldText(), typed);
        QVERIFY(edit.undo());
        QCOMPARE(edit.fieldText(), field);

        // The text stays, the link goes, the break included.
        for (RichTextEdit *e : {&edit, &one})
            QVERIFY(e->deleteField(false));
        QVERIFY(writtenAlike());
        QVERIFY(PageCodec::load(stored, PageCodec::save(lines)));
        QCOMPARE(read.nextField(0), 0);
        QCOMPARE(read.text(), text.left(at) + field + text.mid(at));
    }

    // A field copied with the line break inside it and pasted gets a new id, on the break too: the
    // copy is a field of its own, and the original keeps its text.
    void copiedFieldsKeepTheirLineBreaks()
    {
        PageDocument built;
        RichTextEdit make(&built);
        const QString text = SamplePage::pastedLines(400);
        const int at = text.indexOf(QChar(11), text.size() / 2) + 3;
        make.setText(text.left(at));
        make.select(at, 0);
        make.insertField(QStringLiteral("ab\vcd"));
        make.setFieldData(QStringLiteral("LK1"));
        make.select(make.textLength(), 0);
        make.setSelectedText(text.mid(at));
        PageDocument page;
        QVERIFY(PageCodec::load(page, PageCodec::save(built)));
        RichTextEdit edit(&page);
        QVERIFY(LineBlocks::continues(page.main()->findBlock(at + 3)));
        edit.select(at, 5);
        // The clipboard of this program holds the copied page itself.
        PageDocument copied;
        edit.copySelection(copied);
        edit.select(100, 0);
        edit.insertPage(copied);
        const int first = edit.nextField(0);
        const int second = edit.nextField(first);
        QVERIFY(first && second && !edit.nextField(second));
        for (int id : {first, second}) {
            QVERIFY(edit.setCurrentField(id));
            QCOMPARE(edit.fieldText(), QStringLiteral("ab\vcd"));
        }
        PageDocument stored;
        QVERIFY(PageCodec::load(stored, PageCodec::save(page)));
        RichTextEdit read(&stored);
        QVERIFY(read.setCurrentField(read.nextField(0)));
        QCOMPARE(read.fieldText(), QStringLiteral("ab\vcd"));
        QVERIFY(read.setCurrentField(read.nextField(read.currentField())));
        QCOMPARE(read.fieldText(), QStringLiteral("ab\vcd"));
    }

    // Paragraphs pasted into a line (our own page and RTF): the text of one paragraph, stored so.
    void paragraphsPastedIntoALine_data()
    {
        QTest::addColumn<int>("offset");
        QTest::addColumn<bool>("rtf");
        QTest::newRow("inside a line") << 3 << false;
        QTest::newRow("at a line's start") << 1 << false;
        QTest::newRow("at a line's end") << 0 << false;
        QTest::newRow("RTF at a line's start") << 1 << true;
    }

    void paragraphsPastedIntoALine()
    {
        QFETCH(int, offset);
        QFETCH(bool, rtf);
        PageDocument page;
        RichTextEdit edit(&page);
        QString text = SamplePage::pastedLines(400);
        edit.setText(text);
        const int at = text.indexOf(QChar(11), text.size() / 2) + offset;
        PageDocument source;
        RichTextEdit src(&source);
        src.setText(QStringLiteral("one\ntwo\nthree"));
        src.select(0, 3);
        src.setAlignment(2);
        src.select(4, 0);
        src.setSpaceAfter(100);
        PageDocument pasted;
        if (rtf)
            QVERIFY(RtfReader::read(pasted, RtfWriter::pageBytes(source)));
        else
            QVERIFY(PageCodec::load(pasted, PageCodec::save(source)));
        edit.select(at, 0);
        edit.insertPage(pasted);
        text.insert(at, QStringLiteral("one\ntwo\nthree"));
        QCOMPARE(edit.text(), text);
        PageDocument stored;
        QVERIFY(PageCodec::load(stored, PageCodec::save(page)));
        QCOMPARE(RichTextEdit(&stored).text(), text);
    }

    // Find and replace over every line of a held paragraph (each line starts with the word), forwards
    // and backwards: the text of one paragraph with the word replaced.
    void replacedAtEveryLine_data()
    {
        QTest::addColumn<int>("options");
        QTest::addColumn<QString>("word");
        QTest::newRow("forwards") << 0 << QStringLiteral("行 ");
        QTest::newRow("backwards") << 1 << QStringLiteral("行 ");
        QTest::newRow("line ends") << 0 << QStringLiteral("789");
    }

    void replacedAtEveryLine()
    {
        QFETCH(int, options);
        QFETCH(QString, word);
        PageDocument page;
        RichTextEdit edit(&page);
        QString text = Head + SamplePage::pastedLines(400) + Tail;
        edit.setText(text);
        int replaced = 0;
        for (int at = edit.find(word, 0, options); at >= 0; at = edit.find(word, -1, options)) {
            edit.replaceSelectedText(QStringLiteral("x"));
            if (options & 1)
                edit.select(at, 0);
            ++replaced;
        }
        QCOMPARE(replaced, 400);
        QCOMPARE(edit.text(), text.replace(word, QStringLiteral("x")));
        PageDocument stored;
        QVERIFY(PageCodec::load(stored, PageCodec::save(page)));
        QCOMPARE(RichTextEdit(&stored).text(), text);
    }

    // Text removed from inside one held paragraph into another: the rest is one paragraph, in the
    // format of the first, on screen as it is stored.
    void textRemovedAcrossParagraphs()
    {
        PageDocument page;
        RichTextEdit edit(&page);
        QString text = SamplePage::pastedLines(400) + QStringLiteral("\n") + SamplePage::pastedLines(400);
        edit.setText(text);
        const int second = SamplePage::pastedLines(400).size() + 1;
        edit.select(0, 0);
        edit.setAlignment(2);
        edit.select(second + 10, 0);
        edit.setAlignment(1);
        const int from = text.indexOf(QChar(11), second / 2) + 3;
        const int to = text.indexOf(QChar(11), second + 200) + 3;
        edit.select(from, to - from);
        edit.setSelectedText(QString());
        text.remove(from, to - from);
        QCOMPARE(edit.text(), text);
        for (QTextBlock block = page.main()->begin(); block.isValid(); block = block.next())
            QVERIFY(block.blockFormat().alignment() & Qt::AlignHCenter);
    }

    // A long paragraph whose first line is empty stays a paragraph of its own when its lines are
    // joined again: for the writers, for room above it, for a list.
    void aParagraphWhoseFirstLineIsEmpty()
    {
        PageDocument page;
        RichTextEdit edit(&page);
        const QString text = Head + QChar(11) + SamplePage::pastedLines(400) + Tail;
        edit.setText(text);
        QVERIFY(LineBlocks::continues(page.main()->findBlock(Head.size() + 1)));
        PageDocument whole;
        fillInOneBlock(whole, text);
        QCOMPARE(RtfWriter::pageBytes(page), RtfWriter::pageBytes(whole));
        edit.select(Head.size() + 10, 0);
        edit.setSpaceBefore(100);
        QCOMPARE(edit.text(), text);
        edit.setText(text);
        edit.select(Head.size() + 10, 0);
        edit.setListKind(2);
        QCOMPARE(edit.text(), text);
    }

    // Find reads a paragraph held in pieces as the one text it is: a match across the space or
    // letter a piece was parted at is found forwards and backwards, in the case asked for.
    void findMatchesAcrossPieces_data()
    {
        QTest::addColumn<bool>("japanese");
        QTest::addColumn<bool>("backwards");
        QTest::addColumn<bool>("upper"); // the search text in capitals, case to match
        QTest::addColumn<bool>("found");
        QTest::newRow("words, forwards") << false << false << false << true;
        QTest::newRow("words, backwards") << false << true << false << true;
        QTest::newRow("words, other case") << false << false << true << false;
        QTest::newRow("japanese, forwards") << true << false << false << true;
        QTest::newRow("japanese, backwards") << true << true << false << true;
    }

    void findMatchesAcrossPieces()
    {
        QFETCH(bool, japanese);
        QFETCH(bool, backwards);
        QFETCH(bool, upper);
        QFETCH(bool, found);
        PageDocument page;
        RichTextEdit edit(&page);
        QStringList words;
        for (int i = 0; i < 10000; ++i)
            words << QStringLiteral("w%1").arg(i, 5, 10, QLatin1Char('0'));
        const QString text = Head + (japanese ? japaneseText(24000) : words.join(u' ')) + Tail;
        edit.setText(text);
        // The first place a piece was parted at, and the text round it.
        int cut = -1;
        for (QTextBlock block = page.main()->begin(); block.isValid() && cut < 0; block = block.next()) {
            if (LineBlocks::continues(block) && LineBlocks::standsFor(block) != QChar::LineSeparator)
                cut = block.position() - 1;
        }
        QVERIFY(cut > 0);
        const QString what = upper ? text.mid(cut - 6, 13).toUpper() : text.mid(cut - 6, 13);
        const int at = backwards ? edit.find(what, cut + 7, 1) : edit.find(what, cut - 10, upper ? 4 : 0);
        QCOMPARE(at, found ? cut - 6 : -1);
        if (found)
            QCOMPARE(edit.selectedText(), text.mid(cut - 6, 13));
    }
};

QTEST_MAIN(TestRichTextLines)
#include "tst_richtext_lines.moc"

#include "platform/richtext/HtmlImport.h"
#include "platform/richtext/PageCodec.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/RichTextEdit.h"
#include "platform/richtext/TableOps.h"
#include "platform/richtext/TextProps.h"
#include "platform/richview/PageClipboard.h"
#include "support/ForeignFiles.h"
#include "support/LayoutCompare.h"
#include "support/SamplePage.h"

#include <QMimeData>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextTable>
#include <QtTest>

#include <memory>

using namespace TextProps;

namespace {

// The clipboard as another instance of the program leaves it: bytes only.
std::unique_ptr<QMimeData> bytesOnly(const QMimeData *from, const QByteArray &replace = QByteArray())
{
    auto data = std::make_unique<QMimeData>();
    data->setData(PageClipboard::mimeType(), replace.isNull() ? from->data(PageClipboard::mimeType()) : replace);
    data->setText(from->text());
    return data;
}

// The page's paragraphs as "AB|*one|CD": a list item marked with "*", a table cell's paragraph with "[]",
// a paragraph aligned right with ">", one after a page break with "^".
QString paragraphs(const QTextDocument *doc)
{
    QStringList out;
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        QString mark = block.textList() ? QStringLiteral("*") : QString();
        if (block.blockFormat().alignment() & Qt::AlignRight)
            mark.prepend(QLatin1Char('>'));
        if (block.blockFormat().pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore)
            mark.prepend(QLatin1Char('^'));
        if (QTextCursor(block).currentTable())
            mark.prepend(QStringLiteral("[]"));
        out << mark + block.text();
    }
    return out.join(QLatin1Char('|'));
}

// The texts of the page's list items.
QStringList listItems(const QTextDocument *doc)
{
    QStringList items;
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        if (block.textList())
            items << block.text();
    }
    return items;
}

} // namespace

class TestRichTextClipboard : public QObject
{
    Q_OBJECT
private slots:
    void copyCarriesOurFormTextAndHtml()
    {
        PageDocument page;
        SamplePage::fillEveryConstruct(page);
        RichTextEdit edit(&page);
        QVERIFY(!PageClipboard::fromSelection(edit)); // nothing selected
        edit.select(0, edit.textLength());
        std::unique_ptr<QMimeData> data(PageClipboard::fromSelection(edit));
        QVERIFY(data);
        QVERIFY(data->hasFormat(PageClipboard::mimeType()));
        QVERIFY(data->text().contains(QStringLiteral("after the page break")));
        QVERIFY(data->hasHtml());
        PageDocument copy;
        QVERIFY(PageCodec::load(copy, data->data(PageClipboard::mimeType())));
        QCOMPARE(SamplePage::fieldIds(copy.main()).size(), 4);
        QCOMPARE(copy.partFlags(), 0); // a selection has no headers
    }

    void pasteOfBytesKeepsFieldsPicturesAndTables()
    {
        PageDocument source;
        SamplePage::fillEveryConstruct(source);
        RichTextEdit from(&source);
        from.select(0, from.textLength());
        std::unique_ptr<QMimeData> copied(PageClipboard::fromSelection(from));
        const std::unique_ptr<QMimeData> data = bytesOnly(copied.get());

        PageDocument target;
        RichTextEdit edit(&target);
        edit.setText(QStringLiteral("A  B"));
        edit.select(2, 0);
        QVERIFY(edit.insertField(QStringLiteral("own")) > 0);
        const QString before = edit.text();
        QVERIFY(PageClipboard::canInsert(data.get()));
        QVERIFY(PageClipboard::insert(edit, data.get()));

        const QList<int> ids = SamplePage::fieldIds(target.main());
        QCOMPARE(ids.size(), 5);
        QCOMPARE(QSet<int>(ids.cbegin(), ids.cend()).size(), 5);
        QCOMPARE(target.usedPictureNames().size(), 2);
        for (const QString &name : target.usedPictureNames())
            QVERIFY(!target.pictureImage(name).isNull());
        QCOMPARE(target.frameIds().size(), 1);
        QVERIFY(SamplePage::firstTable(target.main()));
        QVERIFY(edit.text().startsWith(QStringLiteral("A own")));
        QVERIFY(edit.text().endsWith(QStringLiteral(" B")));
        // One undo step takes the paste back.
        QVERIFY(edit.undo());
        QCOMPARE(edit.text(), before);
    }

    // A copy that begins with a whole list item, empty or not, pasted where no list is (by this instance
    // or another): the item begins a paragraph of its own, and at a paragraph's start it takes that
    // paragraph's place, no empty paragraph left in front of it.
    void pastedListItemBeginsAParagraph_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<int>("at");
        QTest::addColumn<QString>("items"); // copied from their start
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("asBytes"); // as another instance's copy
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("item"); // the paragraph the copy's first item is
        QTest::addColumn<bool>("oneList"); // the item after it is in the same list
        const QString page = QStringLiteral("AB\nCD");
        const QString items = QStringLiteral("one\ntwo");
        const QString empty = QStringLiteral("\ntwo\nthree");
        for (const bool bytes : {true, false}) {
            const char *how = bytes ? "as bytes" : "as a page";
            QTest::addRow("at a paragraph's start, %s", how)
                << page << 3 << items << 4 << bytes << QStringLiteral("AB\none\nCD") << 1 << false;
            QTest::addRow("inside a paragraph, %s", how)
                << page << 4 << items << 4 << bytes << QStringLiteral("AB\nC\none\nD") << 2 << false;
            QTest::addRow("at the page's end, %s", how)
                << page << 5 << items << 4 << bytes << QStringLiteral("AB\nCD\none\n") << 2 << false;
            // The item takes the paragraph's place after the page break.
            QTest::addRow("at a paragraph's start after a page break, %s", how)
                << QStringLiteral("AB\fCD") << 3 << items << 4 << bytes << QStringLiteral("AB\fone\nCD") << 1 << false;
            QTest::addRow("an empty item and the next inside a paragraph, %s", how)
                << page << 4 << empty << 4 << bytes << QStringLiteral("AB\nC\n\ntwoD") << 2 << true;
            QTest::addRow("an empty item and the next at the page's end, %s", how)
                << page << 5 << empty << 4 << bytes << QStringLiteral("AB\nCD\n\ntwo") << 2 << true;
            QTest::addRow("an empty item alone at the page's end, %s", how)
                << page << 5 << empty << 1 << bytes << QStringLiteral("AB\nCD\n\n") << 2 << false;
            QTest::addRow("an empty item and the next at a paragraph's start, %s", how)
                << page << 3 << empty << 4 << bytes << QStringLiteral("AB\n\ntwoCD") << 1 << true;
            QTest::addRow("an empty item and the next into an empty paragraph, %s", how)
                << QStringLiteral("AB\n\nCD") << 3 << empty << 4 << bytes << QStringLiteral("AB\n\ntwo\nCD") << 1 << true;
            QTest::addRow("an empty item alone at a paragraph's start, %s", how)
                << page << 3 << empty << 1 << bytes << QStringLiteral("AB\n\nCD") << 1 << false;
            QTest::addRow("an empty item and the next after a page break, %s", how)
                << QStringLiteral("AB\fCD") << 3 << empty << 4 << bytes << QStringLiteral("AB\f\ntwoCD") << 1 << true;
        }
    }

    void pastedListItemBeginsAParagraph()
    {
        QFETCH(QString, page);
        QFETCH(int, at);
        QFETCH(QString, items);
        QFETCH(int, length);
        QFETCH(bool, asBytes);
        QFETCH(QString, text);
        QFETCH(int, item);
        QFETCH(bool, oneList);
        PageDocument source;
        RichTextEdit from(&source);
        from.setText(items);
        from.select(0, int(items.size()));
        from.setListKind(3);
        from.select(0, length);
        std::unique_ptr<QMimeData> copied(PageClipboard::fromSelection(from));
        const std::unique_ptr<QMimeData> data = bytesOnly(copied.get());

        PageDocument target;
        RichTextEdit edit(&target);
        edit.setText(page);
        edit.select(at, 0);
        QVERIFY(PageClipboard::insert(edit, asBytes ? data.get() : copied.get()));
        QCOMPARE(edit.text(), text);
        const QTextBlock pasted = target.main()->findBlockByNumber(item);
        QVERIFY(pasted.textList());
        QVERIFY(!pasted.previous().textList());
        QVERIFY(!target.main()->begin().textList());
        if (oneList)
            QCOMPARE(pasted.next().textList(), pasted.textList());
        QVERIFY(edit.undo());
        QCOMPARE(edit.text(), page);
    }

    // A list copied as HTML (a browser's copy) stands where the caret was: its items take the place of a
    // paragraph's start and the text after the caret follows the last item as a paragraph of its own, no
    // empty paragraph appears, and one undo gives the page back.
    // In a table's cell as on the page; in a list item the first item joins the text before the caret
    // (both are items).
    void pastedHtmlListStandsAtTheCaret_data()
    {
        QTest::addColumn<QString>("page");   // paragraphs as paragraphs() gives them, list items marked
        QTest::addColumn<bool>("cell");      // the page stands in the one cell of a table, after an empty paragraph
        QTest::addColumn<int>("at");         // the caret, from the start of the page or cell
        QTest::addColumn<int>("length");     // selected from `at`
        QTest::addColumn<QString>("html");
        QTest::addColumn<QString>("pasted"); // as paragraphs() gives it
        const QString ul = QStringLiteral("<ul><li>one</li><li>two</li></ul>");
        const QString ol = QStringLiteral("<ol><li>one</li><li>two</li></ol>");
        const QString browser = QStringLiteral("<html><body>\n<!--StartFragment--><ul>\n<li>one</li>\n<li>two</li>\n"
                                               "</ul><!--EndFragment-->\n</body>\n</html>");
        const QString x = QStringLiteral("<p>x</p>");
        const QString y = QStringLiteral("<p>y</p>");
        QTest::newRow("paragraph's start") << "AB|CD" << false << 3 << 0 << ul << "AB|*one|*two|>CD";
        QTest::newRow("paragraph's start, numbers") << "AB|CD" << false << 3 << 0 << ol << "AB|*one|*two|>CD";
        QTest::newRow("paragraph's start, a browser's copy") << "AB|CD" << false << 3 << 0 << browser << "AB|*one|*two|>CD";
        QTest::newRow("page's start") << "AB|CD" << false << 0 << 0 << ul << "*one|*two|>AB|CD";
        QTest::newRow("empty paragraph") << "AB||CD" << false << 3 << 0 << ul << "AB|*one|*two|CD";
        QTest::newRow("empty paragraph at the page's start") << "|CD" << false << 0 << 0 << ul << "*one|*two|CD";
        QTest::newRow("empty page") << "" << false << 0 << 0 << ul << "*one|*two";
        QTest::newRow("paragraph's end") << "AB|CD" << false << 2 << 0 << ul << ">AB|*one|*two|CD";
        QTest::newRow("page's end") << "AB|CD" << false << 5 << 0 << ul << "AB|>CD|*one|*two";
        QTest::newRow("inside a paragraph") << "AB|CD" << false << 4 << 0 << ul << "AB|>C|*one|*two|>D";
        QTest::newRow("over a selection") << "AB|CDE" << false << 4 << 1 << ul << "AB|>C|*one|*two|>E";
        QTest::newRow("over a paragraph selected whole") << "AB|CD|EF" << false << 3 << 3 << ul << "AB|*one|*two|EF";
        // A paragraph of the HTML joins the text around the caret as Qt joins it.
        QTest::newRow("paragraphs around the list") << "AB|CD" << false << 3 << 0 << x + ul + y << "AB|>x|*one|*two|yCD";
        QTest::newRow("a paragraph after the list") << "AB|CD" << false << 3 << 0 << ul + y << "AB|*one|*two|yCD";
        QTest::newRow("a paragraph before the list") << "AB|CD" << false << 3 << 0 << x + ul << "AB|>x|*one|*two|>CD";
        QTest::newRow("a paragraph before the list, inside a paragraph") << "AB|CD" << false << 4 << 0 << x + ul
                                                                         << "AB|>Cx|*one|*two|>D";
        QTest::newRow("cell's start") << "AB" << true << 0 << 0 << ul << "|[]*one|[]*two|[]>AB|";
        QTest::newRow("cell's second paragraph") << "AB|CD" << true << 3 << 0 << ul << "|[]AB|[]*one|[]*two|[]>CD|";
        QTest::newRow("inside a cell's paragraph") << "AB" << true << 1 << 0 << ul << "|[]>A|[]*one|[]*two|[]>B|";
        QTest::newRow("cell's end") << "AB" << true << 2 << 0 << ul << "|[]>AB|[]*one|[]*two|";
        QTest::newRow("paragraph's start after a page break") << "AB|^CD" << false << 3 << 0 << ul << "AB|^*one|*two|>CD";
        QTest::newRow("inside a paragraph after a page break") << "AB|^CD" << false << 4 << 0 << ul << "AB|^>C|*one|*two|>D";
        QTest::newRow("empty paragraph after a page break") << "AB|^|CD" << false << 3 << 0 << ul << "AB|^*one|*two|CD";
        QTest::newRow("list item's start") << "AB|*CD" << false << 3 << 0 << ul << "AB|>*one|*two|>*CD";
        QTest::newRow("empty list item") << "AB|*|CD" << false << 3 << 0 << ul << "AB|>*one|*two|CD";
        QTest::newRow("inside a list item") << "AB|*CD" << false << 4 << 0 << ul << "AB|>*Cone|*two|>*D";
    }

    void pastedHtmlListStandsAtTheCaret()
    {
        QFETCH(QString, page);
        QFETCH(bool, cell);
        QFETCH(int, at);
        QFETCH(int, length);
        QFETCH(QString, html);
        QFETCH(QString, pasted);
        PageDocument target;
        RichTextEdit edit(&target);
        int start = 0;
        if (cell) {
            edit.insertTable(1, 1);
            start = edit.selStart();
        }
        QString text;
        QList<int> items; // where they begin
        const QStringList paragraphs = page.split(QLatin1Char('|'));
        for (int i = 0; i < paragraphs.size(); ++i) {
            QString paragraph = paragraphs.at(i);
            if (i > 0)
                text += paragraph.startsWith(QLatin1Char('^')) ? QChar(PageBreakCode) : QChar(ParagraphCode);
            if (paragraph.startsWith(QLatin1Char('^')))
                paragraph.remove(0, 1);
            if (paragraph.startsWith(QLatin1Char('*'))) {
                paragraph.remove(0, 1);
                items << start + int(text.size());
            }
            text += paragraph;
        }
        edit.setSelectedText(text);
        for (int item : items) {
            edit.select(item, 0);
            edit.setListKind(2);
        }
        if (!cell)
            QCOMPARE(::paragraphs(target.main()), page);
        // The paragraph of the caret, aligned right, keeps that in the text around the items.
        edit.select(start + at, 0);
        edit.setAlignment(1);
        const QString before = ::paragraphs(target.main());
        edit.select(start + at, length);
        QMimeData data;
        data.setHtml(html);
        data.setText(QStringLiteral("one\ntwo"));
        QVERIFY(PageClipboard::insert(edit, &data));
        QCOMPARE(::paragraphs(target.main()), pasted);
        QVERIFY(edit.undo());
        QCOMPARE(::paragraphs(target.main()), before);
    }

    // A long paragraph held in blocks, one a line (LineBlocks): only its first block begins the paragraph;
    // after the paste its text around the items is held as any long paragraph, and the undo gives its
    // blocks back as they were.
    void pastedHtmlListInAHeldParagraph_data()
    {
        QTest::addColumn<int>("line"); // the caret's line of the paragraph
        QTest::addColumn<int>("at");   // in that line
        QTest::newRow("paragraph's start") << 0 << 0;
        QTest::newRow("a line's start") << 3 << 0;
        QTest::newRow("inside a line") << 3 << 5;
        QTest::newRow("a line's end") << 3 << 50;
        QTest::newRow("last line's end") << 59 << 50;
    }

    void pastedHtmlListInAHeldParagraph()
    {
        QFETCH(int, line);
        QFETCH(int, at);
        QStringList lines;
        for (int i = 0; i < 60; ++i)
            lines << QStringLiteral("line %1 ").arg(i, 2, 10, QLatin1Char('0')).leftJustified(50, QLatin1Char('x'));
        const QString held = lines.join(QChar(11));
        PageDocument target;
        RichTextEdit edit(&target);
        edit.setText(QStringLiteral("AB\n") + held);
        QVERIFY(target.main()->blockCount() > 2);
        // Room above and below and indents, which its first and last block lay out.
        edit.select(3, int(held.size()));
        edit.setIndentLeft(450);
        edit.setIndentFirstLine(300);
        edit.setSpaceBefore(90);
        edit.setSpaceAfter(150);
        const QString page = edit.text();
        int caret = 3 + at;
        for (int i = 0; i < line; ++i)
            caret += int(lines[i].size()) + 1;
        edit.select(caret, 0);
        QMimeData data;
        data.setHtml(QStringLiteral("<ul><li>one</li><li>two</li></ul>"));
        QVERIFY(PageClipboard::insert(edit, &data));
        const QString front = page.mid(3, caret - 3);
        const QString rest = page.mid(caret);
        QString expected = QStringLiteral("AB\n") + (front.isEmpty() ? QString() : front + QLatin1Char('\n'))
                           + QStringLiteral("one\ntwo") + (rest.isEmpty() ? QString() : QLatin1Char('\n') + rest);
        QCOMPARE(edit.text(), expected);
        QCOMPARE(listItems(target.main()), QStringList({QStringLiteral("one"), QStringLiteral("two")}));
        QCOMPARE(LayoutCompare::heldWrongly(target.main()), QString());
        QVERIFY(edit.undo());
        QCOMPARE(edit.text(), page);
        QCOMPARE(LayoutCompare::heldWrongly(target.main()), QString());
    }

    // The undo of a paste puts the caret back where it stood before the paste (the end of a selection
    // made forwards), at the page's start too, where the paste's first change is a paragraph's format
    // at the caret.
    void undoOfAPastePutsTheCaretWhereItWent_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("at");
        QTest::addColumn<int>("length");
        QTest::newRow("our copy at a paragraph's start") << QStringLiteral("ours") << 3 << 0;
        QTest::newRow("our copy at the page's start") << QStringLiteral("ours") << 0 << 0;
        QTest::newRow("our copy inside a paragraph") << QStringLiteral("ours") << 4 << 0;
        QTest::newRow("our copy over a paragraph's first letters") << QStringLiteral("ours") << 3 << 1;
        QTest::newRow("our copy over a paragraph end") << QStringLiteral("ours") << 1 << 3;
        QTest::newRow("text at a paragraph's start") << QStringLiteral("text") << 3 << 0;
        QTest::newRow("HTML at a paragraph's start") << QStringLiteral("html") << 3 << 0;
        QTest::newRow("HTML at the page's start") << QStringLiteral("html") << 0 << 0;
        QTest::newRow("text at the page's start") << QStringLiteral("text") << 0 << 0;
        QTest::newRow("our copy over the page's first letters") << QStringLiteral("ours") << 0 << 2;
        QTest::newRow("HTML over a paragraph's first letters") << QStringLiteral("html") << 3 << 2;
    }

    void undoOfAPastePutsTheCaretWhereItWent()
    {
        QFETCH(QString, kind);
        QFETCH(int, at);
        QFETCH(int, length);
        PageDocument source;
        RichTextEdit from(&source);
        from.setText(QStringLiteral("x\"y?\nz"));
        from.select(0, 5);
        std::unique_ptr<QMimeData> copied(PageClipboard::fromSelection(from));
        std::unique_ptr<QMimeData> data = std::make_unique<QMimeData>();
        if (kind == QLatin1String("ours"))
            data = bytesOnly(copied.get());
        else if (kind == QLatin1String("html"))
            data->setHtml(copied->html());
        else
            data->setText(copied->text());

        PageDocument target;
        RichTextEdit edit(&target);
        edit.setText(QStringLiteral("AB\nCDEF\nGH"));
        const QString before = edit.text();
        edit.select(at, length);
        QVERIFY(PageClipboard::insert(edit, data.get()));
        const QString done = edit.text();
        QVERIFY(done != before);
        const int pasted = edit.cursor().position();
        QVERIFY(edit.undo());
        QCOMPARE(edit.text(), before);
        QCOMPARE(edit.cursor().position(), at + length);
        QVERIFY(!edit.cursor().hasSelection());
        // The redo puts it where the paste left it.
        QVERIFY(edit.redo());
        QCOMPARE(edit.text(), done);
        QCOMPARE(edit.cursor().position(), pasted);
    }

    // What keeps the caret for the undo makes no step of its own where a paste changes nothing.
    void aPasteOfNothingMakesNoStep()
    {
        PageDocument target;
        RichTextEdit edit(&target);
        edit.setText(QStringLiteral("AB\nCD"));
        edit.select(3, 0);
        const int steps = edit.undoSteps();
        const int changes = edit.document()->availableUndoSteps();
        QMimeData empty;
        empty.setText(QString());
        QVERIFY(PageClipboard::insert(edit, &empty));
        PageDocument nothing;
        edit.insertPage(nothing);
        QCOMPARE(edit.text(), QStringLiteral("AB\nCD"));
        QCOMPARE(edit.undoSteps(), steps);
        QCOMPARE(edit.document()->availableUndoSteps(), changes);
    }

    void htmlPasteKeepsIdeographicSpaces()
    {
        PageDocument target;
        RichTextEdit edit(&target);
        edit.setText(QStringLiteral("AB"));
        edit.select(1, 0);
        QMimeData data;
        data.setHtml(QStringLiteral("<p>\u3000段落\u3000中&#12288;</p>"));
        QVERIFY(PageClipboard::insert(edit, &data));
        QCOMPARE(edit.text(), QStringLiteral("A\u3000段落\u3000中\u3000B"));
        QVERIFY(edit.undo());
        QCOMPARE(edit.text(), QStringLiteral("AB"));
    }

    void pastedAnchorsAreLinks_data()
    {
        QTest::addColumn<QString>("html");
        QTest::addColumn<QStringList>("links"); // each link's text and target, "text>target"
        QTest::newRow("one") << QStringLiteral("<p>see <a href=\"https://example.com/a\">the site</a> now</p>")
                             << QStringList{QStringLiteral("the site>https://example.com/a")};
        QTest::newRow("formats inside one") << QStringLiteral("<a href=\"x.htm\"><b>bo</b>ld</a>")
                                            << QStringList{QStringLiteral("bold>x.htm")};
        QTest::newRow("side by side") << QStringLiteral("<a href=\"a.htm\">A</a><a href=\"b.htm\">B</a>")
                                      << QStringList{QStringLiteral("A>a.htm"), QStringLiteral("B>b.htm")};
        QTest::newRow("in a table and a list")
            << QStringLiteral("<table><tr><td><a href=\"t.htm\">cell</a></td></tr></table><ul><li><a href=\"l.htm\">item</a></li></ul>")
            << QStringList{QStringLiteral("cell>t.htm"), QStringLiteral("item>l.htm")};
        QTest::newRow("references in the target") << QStringLiteral("<a href=\"?a=1&copy=2&amp;b=3&copy\">q</a>")
                                                  << QStringList{QStringLiteral("q>?a=1&copy=2&b=3©")};
        QTest::newRow("no target") << QStringLiteral("<a name=\"top\">top</a>") << QStringList();
    }

    // A pasted anchor becomes a link field as one of a file read in does: its own new id, the link's
    // target, drawn as the import drew it.
    void pastedAnchorsAreLinks()
    {
        QFETCH(QString, html);
        QFETCH(QStringList, links);
        PageDocument target;
        RichTextEdit edit(&target);
        edit.setText(QStringLiteral("AB"));
        edit.select(0, 1);
        const int before = edit.insertField(QStringLiteral("F"));
        QVERIFY(before > 0);
        edit.select(edit.textLength(), 0);
        QMimeData data;
        data.setHtml(html);
        QVERIFY(PageClipboard::insert(edit, &data));
        // Each field's text and target, in the order of the page.
        QList<int> ids;
        QStringList texts, targets;
        for (QTextBlock block = target.main()->begin(); block.isValid(); block = block.next()) {
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                const QTextCharFormat f = it.fragment().charFormat();
                QVERIFY(!f.isAnchor() || f.anchorHref().isEmpty());
                if (!f.hasProperty(FieldId))
                    continue;
                const int id = f.intProperty(FieldId);
                if (ids.isEmpty() || ids.last() != id) {
                    QVERIFY2(!ids.contains(id), qPrintable(it.fragment().text()));
                    ids << id;
                    texts << QString();
                    targets << f.stringProperty(FieldData);
                    QCOMPARE(f.intProperty(FieldType), id == before ? 0 : 1);
                }
                texts.last() += it.fragment().text();
            }
        }
        QStringList found;
        for (qsizetype i = 1; i < ids.size(); ++i)
            found << texts.at(i) + QLatin1Char('>') + targets.at(i);
        QCOMPARE(ids.value(0), before);
        QCOMPARE(found, links);
        QVERIFY(edit.undo());
        QCOMPARE(edit.text(), QStringLiteral("FB"));
    }

    void pastedTableIsFollowedByWhatFollowedIt_data()
    {
        QTest::addColumn<QString>("html");
        QTest::addColumn<int>("at"); // in "XY"
        QTest::addColumn<QString>("paragraphs");
        const QString table = QStringLiteral("<table><tr><td>a</td></tr></table>");
        QTest::newRow("then a paragraph, inside") << table + QStringLiteral("<p>after</p>") << 1 << QStringLiteral("X|[]a|afterY");
        QTest::newRow("then a paragraph, at the start") << table + QStringLiteral("<p>after</p>") << 0 << QStringLiteral("|[]a|afterXY");
        QTest::newRow("then a paragraph, at the end") << table + QStringLiteral("<p>after</p>") << 2 << QStringLiteral("XY|[]a|after");
        QTest::newRow("as a web page has it")
            << QStringLiteral("<html><body><p>before</p>\n") + table + QStringLiteral("\n<p>after</p>\n</body></html>") << 2
            << QStringLiteral("XYbefore|[]a|after");
        QTest::newRow("then a div") << QStringLiteral("<div>") + table + QStringLiteral("</div><div>after</div>") << 2
                                    << QStringLiteral("XY|[]a|after");
        QTest::newRow("then a paragraph aligned right") << table + QStringLiteral("<p align=\"right\">after</p>") << 2
                                                        << QStringLiteral("XY|[]a|>after");
        QTest::newRow("then a list") << table + QStringLiteral("<ul><li>one</li><li>two</li></ul>") << 2
                                     << QStringLiteral("XY|[]a|*one|*two");
        QTest::newRow("in a cell") << QStringLiteral("<table><tr><td>") + table + QStringLiteral("<p>in</p></td></tr></table><p>after</p>")
                                   << 2 << QStringLiteral("XY|[]|[]a|[]in|after");
        // A table that ends its cell: the cell keeps its last paragraph, the next cell its text.
        QTest::newRow("ending a cell") << QStringLiteral("<table><tr><td>") + table
                                              + QStringLiteral("</td><td><p>beside</p><p>next</p></td></tr></table><p>after</p>")
                                       << 2 << QStringLiteral("XY|[]|[]a|[]|[]beside|[]next|after");
        // What the page held stays.
        QTest::newRow("then text") << table + QStringLiteral("after") << 2 << QStringLiteral("XY|[]a|after");
        QTest::newRow("then a blank paragraph") << table + QStringLiteral("<p>&nbsp;</p><p>after</p>") << 2
                                                << QStringLiteral("XY|[]a|\u00A0|after");
        QTest::newRow("two tables") << table + table << 2 << QStringLiteral("XY|[]a||[]a|");
    }

    // A pasted table is followed by the paragraph that followed it, with no empty paragraph between
    // them that the HTML did not hold; one undo step takes the paste back.
    void pastedTableIsFollowedByWhatFollowedIt()
    {
        QFETCH(QString, html);
        QFETCH(int, at);
        QFETCH(QString, paragraphs);
        PageDocument target;
        RichTextEdit edit(&target);
        edit.setText(QStringLiteral("XY"));
        edit.select(at, 0);
        QMimeData data;
        data.setHtml(html);
        QVERIFY(PageClipboard::insert(edit, &data));
        QCOMPARE(::paragraphs(target.main()), paragraphs);
        QVERIFY(edit.undo());
        QCOMPARE(edit.text(), QStringLiteral("XY"));
        // A file read in holds it alike.
        PageDocument read(PageDocument::WithoutLayout);
        HtmlImport::setHtml(read.main(), html);
        QVERIFY2(!::paragraphs(read.main()).contains(QStringLiteral("[]a||")) || !paragraphs.contains(QStringLiteral("[]a|after")),
                 qPrintable(::paragraphs(read.main())));
    }

    void htmlPasteFlattensTablesNestedDeeperThanShown()
    {
        // As the readers do: each level deeper doubles Qt's layout, sixteen froze the window for minutes.
        PageDocument target;
        RichTextEdit edit(&target);
        edit.setText(QStringLiteral("AB"));
        edit.select(1, 0);
        QMimeData data;
        data.setHtml(QString::fromUtf8(ForeignFiles::htmlNested(TableOps::ShownNesting + 3)));
        QVERIFY(PageClipboard::insert(edit, &data));
        QCOMPARE(SamplePage::nestingOf(target.main()), TableOps::ShownNesting);
        QStringList texts;
        for (QTextBlock b = target.main()->begin(); b.isValid(); b = b.next()) {
            if (!b.text().isEmpty())
                texts << b.text();
        }
        QCOMPARE(texts, QStringList({QStringLiteral("A"), QStringLiteral("L0"), QStringLiteral("L1"), QStringLiteral("L2"),
                                     QStringLiteral("L3"), QStringLiteral("L4"), QStringLiteral("L5"), QStringLiteral("L6"),
                                     QStringLiteral("endB")}));
        QVERIFY(edit.undo());
        QCOMPARE(edit.text(), QStringLiteral("AB"));
    }

    void damagedBytesFallBackToText()
    {
        PageDocument source;
        RichTextEdit from(&source);
        from.setText(QStringLiteral("plain words"));
        from.select(0, 5);
        std::unique_ptr<QMimeData> copied(PageClipboard::fromSelection(from));
        const QByteArray bytes = copied->data(PageClipboard::mimeType());
        const std::unique_ptr<QMimeData> data = bytesOnly(copied.get(), bytes.left(bytes.size() / 2));

        PageDocument target;
        RichTextEdit edit(&target);
        QVERIFY(PageClipboard::insert(edit, data.get()));
        QCOMPARE(edit.text(), QStringLiteral("plain"));
        QMimeData empty;
        QVERIFY(!PageClipboard::canInsert(&empty));
        QVERIFY(!PageClipboard::canInsert(nullptr));
        QVERIFY(!PageClipboard::insert(edit, &empty));
    }

    // A screenshot or a drawing alone on the clipboard is pasted as a picture in the text line.
    void pictureAloneIsPasted_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QSize>("size");
        QTest::newRow("bitmap") << QStringLiteral("png") << QSize(30, 12);
        QTest::newRow("drawing") << QStringLiteral("svg") << QSize(40, 20);
        QTest::newRow("huge drawing") << QStringLiteral("svg-huge") << QSize(4000, 2000);
    }
    void pictureAloneIsPasted()
    {
        QFETCH(QString, kind);
        QFETCH(QSize, size);
        QMimeData data;
        if (kind == QLatin1String("png")) {
            QImage image(size, QImage::Format_RGB32);
            image.fill(Qt::red);
            data.setImageData(image);
        } else {
            const QSize claimed = kind == QLatin1String("svg") ? size : QSize(400000, 200000);
            data.setData(QStringLiteral("image/svg+xml"),
                         QStringLiteral("<svg xmlns='http://www.w3.org/2000/svg' width='%1' height='%2'>"
                                        "<rect width='%1' height='%2' fill='blue'/></svg>")
                             .arg(claimed.width()).arg(claimed.height()).toUtf8());
        }
        QVERIFY(PageClipboard::hasPicture(&data));
        QVERIFY(PageClipboard::canInsert(&data));
        PageDocument page;
        RichTextEdit edit(&page);
        edit.setText(QStringLiteral("ab"));
        edit.select(1, 0);
        QVERIFY(PageClipboard::insert(edit, &data));
        const QList<int> pictures = edit.objectIds(PictureKind);
        QCOMPARE(pictures.size(), 1);
        QCOMPARE(edit.text(), QStringLiteral("a") + QChar(ObjectCode) + QStringLiteral("b"));
        const QTextImageFormat format = SamplePage::formatOfObject(page.main(), pictures.first()).toImageFormat();
        QCOMPARE(page.pictureImage(format.name()).size(), size);
    }

    // Text beside a picture (a browser's copy) is pasted as text; a damaged drawing pastes nothing.
    void textWinsOverAPicture()
    {
        QMimeData data;
        QImage image(5, 5, QImage::Format_RGB32);
        image.fill(Qt::green);
        data.setImageData(image);
        data.setText(QStringLiteral("words"));
        PageDocument page;
        RichTextEdit edit(&page);
        QVERIFY(PageClipboard::insert(edit, &data));
        QCOMPARE(edit.text(), QStringLiteral("words"));
        QVERIFY(edit.objectIds(PictureKind).isEmpty());

        QMimeData broken;
        broken.setData(QStringLiteral("image/svg+xml"), "<svg not really");
        QVERIFY(PageClipboard::canInsert(&broken));
        QVERIFY(!PageClipboard::insert(edit, &broken));
        QCOMPARE(edit.text(), QStringLiteral("words"));
    }
};

QTEST_MAIN(TestRichTextClipboard)
#include "tst_richtext_clipboard.moc"

#include "platform/richtext/LineBlocks.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/RichTextEdit.h"
#include "platform/richtext/TextProps.h"
#include "platform/richview/PageClipboard.h"
#include "platform/richview/PageTextItem.h"
#include "platform/richview/RichView.h"
#include "platform/richview/ViewMarks.h"
#include "platform/rtf/RtfReader.h"
#include "support/SamplePage.h"
#include "support/ShownSelection.h"
#include "support/TestImages.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMimeData>
#include <QPaintEngine>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <QTextList>
#include <QTextTable>
#include <QtGui/private/qtextdocumentlayout_p.h>
#include <QtTest>

using namespace TextProps;

namespace {
struct Fixture {
    PageDocument page;
    RichTextEdit edit{&page};
    RichView view{&edit};

    Fixture()
    {
        view.resize(900, 700);
        view.show();
        view.activateWindow();
        view.setFocus();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
    }
    // On-screen rectangle of the caret at a position of the main text.
    QRect caretOnScreen(int position)
    {
        edit.select(position, 0);
        view.showModelCaret();
        return view.mapFromScene(view.mainItem()->caretRect()).boundingRect();
    }
    QPoint onScreen(int position)
    {
        const QRect caret = caretOnScreen(position);
        return QPoint(caret.left() + 3, caret.center().y());
    }
};
// A paint device that keeps the texts drawn on it, clipped away or not.
class TextRecorder : public QPaintDevice
{
    class Engine : public QPaintEngine
    {
    public:
        QStringList texts;
        Engine() : QPaintEngine(AllFeatures) {}
        bool begin(QPaintDevice *) override { return true; }
        bool end() override { return true; }
        void updateState(const QPaintEngineState &) override {}
        void drawPixmap(const QRectF &, const QPixmap &, const QRectF &) override {}
        void drawTextItem(const QPointF &, const QTextItem &item) override { texts.append(item.text()); }
        Type type() const override { return User; }
    };
    mutable Engine m_engine;

public:
    QStringList texts() const { return m_engine.texts; }
    QPaintEngine *paintEngine() const override { return &m_engine; }

protected:
    int metric(PaintDeviceMetric metric) const override
    {
        switch (metric) {
        case PdmWidth: return 2000;
        case PdmHeight: return 1000000;
        case PdmWidthMM: return 529;
        case PdmHeightMM: return 264583;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY: return 96;
        case PdmDepth: return 32;
        case PdmNumColors: return INT_MAX;
        case PdmDevicePixelRatio: return 1;
        case PdmDevicePixelRatioScaled: return int(devicePixelRatioFScale());
        }
        return 0;
    }
};

// "para" and a table of `columns` cells, the first holding "short cell text", then "after".
int cellTable(Fixture &f, int columns)
{
    f.edit.setText(QStringLiteral("para\nafter"));
    f.edit.setSelStart(5);
    const int table = f.edit.insertTable(1, columns);
    f.edit.setCellText(table, 1, 1, QStringLiteral("short cell text"));
    if (columns > 1)
        f.edit.setCellText(table, 1, 2, QStringLiteral("two"));
    return table;
}

// The paragraph `before`, right below it a table of two rows and two columns 400 and 200 px wide
// holding `first`, 「隣のセル」, 「下のセル」 and 「右下」, and right below that the paragraph `after`.
int fourCells(Fixture &f, const QString &before, const QString &first, const QString &after)
{
    f.edit.setText(before);
    f.edit.select(int(before.size()), 0);
    const int table = f.edit.insertTable(2, 2);
    f.edit.setColumnWidth(table, 1, 6000);
    f.edit.setColumnWidth(table, 2, 3000);
    // Into the empty paragraph a table at a paragraph's end leaves after it.
    f.edit.select(f.edit.textLength(), 0);
    f.edit.setSelectedText(after);
    f.edit.setCellText(table, 1, 1, first);
    f.edit.setCellText(table, 1, 2, QStringLiteral("隣のセル"));
    f.edit.setCellText(table, 2, 1, QStringLiteral("下のセル"));
    f.edit.setCellText(table, 2, 2, QStringLiteral("右下"));
    return table;
}

// A cell of a 400 px column whose one line runs 60,000 px past it: Japanese text in italic Mincho,
// 9,000 letters without a space and more Japanese text. Qt lays out a paragraph's lines after one
// that the Japanese text's rules let run a little past the column without breaking words, and the
// word then stays on one line. Returns the position of the word in the text.
int cellOfALongLine(Fixture &f, int *table)
{
    const QString japanese = QStringLiteral("日本語の文章には空白がなく、行はほとんどの文字の間で折り返される。").repeated(60);
    const QString word = QStringLiteral("abcdefghijklmnopqrstuvwxyz").repeated(350).left(9000);
    *table = fourCells(f, QStringLiteral("前の段落"), japanese + word + japanese, QStringLiteral("after table"));
    const int cell = f.edit.cellStart(*table, 1, 1) - 1;
    f.edit.select(cell, int(japanese.size()));
    f.edit.setFontName(QStringLiteral("IPAMincho"));
    f.edit.setItalic(true);
    f.view.refresh();
    return cell + int(japanese.size());
}


// Short paragraphs, "before the table" and a table of `rows` rows of two cells (400 and 200 px
// wide) holding "r1c1", "r1c2", ..., "after table" and short paragraphs again; or, with `first`,
// a table of two rows (fourCells) whose first cell holds `first`.
int tableAmongParagraphs(Fixture &f, int rows, const QString &first = QString())
{
    QStringList before, after;
    for (int i = 0; i < 30; ++i) {
        before << QStringLiteral("段落 %1 above").arg(i);
        after << QStringLiteral("段落 %1 below").arg(i);
    }
    before << QStringLiteral("before the table");
    after.prepend(QStringLiteral("after table"));
    if (!first.isEmpty())
        return fourCells(f, before.join(u'\n'), first, after.join(u'\n'));
    f.edit.setText(before.join(u'\n'));
    f.edit.select(f.edit.textLength(), 0);
    const int table = f.edit.insertTable(rows, 2);
    f.edit.setColumnWidth(table, 1, 6000);
    f.edit.setColumnWidth(table, 2, 3000);
    f.edit.select(f.edit.textLength(), 0);
    f.edit.setSelectedText(after.join(u'\n'));
    for (int r = 1; r <= rows; ++r) {
        for (int c = 1; c <= 2; ++c)
            f.edit.setCellText(table, r, c, QStringLiteral("r%1c%2").arg(r).arg(c));
    }
    return table;
}

// Words as many as the cell takes on one line.
void fillOneLine(Fixture &f, int table, int row, int column)
{
    const QString words = QStringLiteral("merged cell over both columns and more words ").repeated(8);
    QTextTable *grid = SamplePage::firstTable(f.edit.document());
    const auto lines = [&](int size) {
        f.edit.setCellText(table, row, column, words.left(size));
        const QTextBlock block = grid->cellAt(row - 1, column - 1).firstCursorPosition().block();
        f.edit.document()->documentLayout()->blockBoundingRect(block);
        return block.layout()->lineCount();
    };
    int low = 1, high = int(words.size());
    while (low < high) {
        const int middle = (low + high + 1) / 2;
        if (lines(middle) > 1)
            high = middle - 1;
        else
            low = middle;
    }
    lines(low);
}
} // namespace

class TestRichView : public QObject
{
    Q_OBJECT
private slots:
    void typingGoesIntoTheModelAndMovesItsCaret()
    {
        Fixture f;
        QTest::keyClicks(f.view.viewport(), QStringLiteral("abc"));
        QCOMPARE(f.edit.text(), QStringLiteral("abc"));
        QCOMPARE(f.edit.selStart(), 3);
        QTest::keyClick(f.view.viewport(), Qt::Key_Left, Qt::ShiftModifier);
        QCOMPARE(f.edit.selStart(), 2);
        QCOMPARE(f.edit.selLength(), 1);
        QCOMPARE(f.edit.selectedText(), QStringLiteral("c"));
        QTest::keyClick(f.view.viewport(), Qt::Key_Return);
        QCOMPARE(f.edit.text(), QStringLiteral("ab\n"));
        QTest::keyClick(&f.view, Qt::Key_Tab);
        QCOMPARE(f.edit.text(), QStringLiteral("ab\n\t"));
        QCOMPARE(f.edit.selStart(), 4);
        QTest::keyClick(f.view.viewport(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(f.edit.text(), QStringLiteral("ab\n"));
        QCOMPARE(f.edit.selStart(), 3);
    }

    void theModelsSelectionAndFindShowInTheView()
    {
        Fixture f;
        f.edit.setText(QStringLiteral("one two three two"));
        QCOMPARE(f.edit.find(QStringLiteral("two"), 0, 16), 4);
        f.view.repaint();
        QCOMPARE(f.view.mainItem()->textCursor().selectionStart(), 4);
        QCOMPARE(f.view.mainItem()->textCursor().selectionEnd(), 7);
        QCOMPARE(f.edit.find(QStringLiteral("two"), -1, 16), 14);
        f.view.showModelCaret();
        QCOMPARE(f.view.mainItem()->textCursor().selectionStart(), 14);
        // Typing replaces what find selected.
        QTest::keyClicks(f.view.viewport(), QStringLiteral("2"));
        QCOMPARE(f.edit.text(), QStringLiteral("one two three 2"));
        QCOMPARE(f.edit.selStart(), 15);
    }

    void typingAtAFieldsEndDoesNotExtendIt()
    {
        Fixture f;
        f.edit.setText(QStringLiteral("ab"));
        f.edit.setSelStart(1);
        const int id = f.edit.insertField(QStringLiteral("TAG"));
        QVERIFY(id > 0);
        f.edit.setSelStart(4); // right after the field
        QTest::keyClicks(f.view.viewport(), QStringLiteral("xy"));
        QCOMPARE(f.edit.text(), QStringLiteral("aTAGxyb"));
        QVERIFY(f.edit.setCurrentField(id));
        QCOMPARE(f.edit.fieldText(), QStringLiteral("TAG"));
        f.edit.setSelStart(1); // right before it
        QTest::keyClicks(f.view.viewport(), QStringLiteral("z"));
        QVERIFY(f.edit.setCurrentField(id));
        QCOMPARE(f.edit.fieldText(), QStringLiteral("TAG"));
    }

    void zoomScalesTextAndPicturesUniformly()
    {
        Fixture f;
        f.edit.setText(QStringLiteral("Text line"));
        f.edit.setSelStart(0);
        f.edit.setFontSize(12);
        QVERIFY(f.edit.insertPicture(TestImages::bytes("PNG", Qt::darkBlue, 60, 40)) > 0);
        const auto measure = [&f] {
            const QRect before = f.caretOnScreen(0);
            const QRect after = f.caretOnScreen(1);
            const QRect text = f.caretOnScreen(3);
            return QList<double>{double(after.left() - before.left()), double(text.height())};
        };
        const QList<double> at100 = measure();
        f.view.setZoom(200);
        const QList<double> at200 = measure();
        QVERIFY(at100.at(0) >= 59);
        QVERIFY(qAbs(at200.at(0) - 2 * at100.at(0)) <= 2);
        QVERIFY(qAbs(at200.at(1) - 2 * at100.at(1)) <= 2);
        f.view.setZoom(5);
        QCOMPARE(f.view.zoom(), RichView::MinZoom);
        f.view.setZoom(1000);
        QCOMPARE(f.view.zoom(), RichView::MaxZoom);
    }

    void pageViewLaysOutEveryPageWithItsHeader()
    {
        Fixture f;
        QTextDocument *header = f.page.ensurePart(HeaderAll);
        QVERIFY(header);
        QTextCursor(header).insertText(QStringLiteral("HEADER HEADER HEADER"));
        f.edit.setText(QStringLiteral("one\ftwo\fthree"));
        f.view.setViewMode(2);
        f.view.refresh();
        QCOMPARE(f.view.pageCount(), 3);
        const PageGeometry &g = f.view.pageGeometry();
        for (int page = 0; page < 3; ++page) {
            QVERIFY(g.headerRect(page).bottom() <= g.textRect(page).top());
            QVERIFY(g.pageRect(page).contains(g.headerRect(page)));
            if (page > 0)
                QVERIFY(g.pageRect(page).top() > g.pageRect(page - 1).bottom());
        }
        // Each sheet shows its header and its own text.
        f.view.setZoom(25);
        f.view.resize(600, 1000);
        const QImage shot = f.view.viewport()->grab().toImage();
        for (int page = 0; page < 3; ++page) {
            const QRect band = f.view.mapFromScene(g.headerRect(page)).boundingRect();
            QVERIFY2(darkPixels(shot, band) > 5, qPrintable(QString::number(page)));
            QVERIFY(darkPixels(shot, f.view.mapFromScene(g.textRect(page)).boundingRect()) > 5);
        }
        // Text of page 2 is found on the second sheet.
        const QRect caret = f.caretOnScreen(4);
        QVERIFY(f.view.mapFromScene(g.textRect(1)).boundingRect().contains(caret.center()));
    }

    void readOnlyRefusesTypingButSelectsAndCopies()
    {
        Fixture f;
        f.edit.setText(QStringLiteral("fixed"));
        f.view.setEditMode(1);
        f.edit.setSelStart(5);
        QTest::keyClicks(f.view.viewport(), QStringLiteral("xyz"));
        QTest::keyClick(f.view.viewport(), Qt::Key_Backspace);
        QCOMPARE(f.edit.text(), QStringLiteral("fixed"));
        QTest::keyClick(f.view.viewport(), Qt::Key_Left, Qt::ShiftModifier);
        QTest::keyClick(f.view.viewport(), Qt::Key_Left, Qt::ShiftModifier);
        QCOMPARE(f.edit.selectedText(), QStringLiteral("ed"));
        QVERIFY(f.view.canCopy());
        QVERIFY(f.view.clipboardAction(2));
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("ed"));
        QVERIFY(!f.view.clipboardAction(1));
        QVERIFY(!f.view.clipboardAction(3));
        QVERIFY(!f.view.canPaste());
        QCOMPARE(f.edit.text(), QStringLiteral("fixed"));
        f.view.setEditMode(0);
        QTest::keyClicks(f.view.viewport(), QStringLiteral("X"));
        QCOMPARE(f.edit.text(), QStringLiteral("fixX"));
    }

    void cutAndPasteThroughTheView()
    {
        Fixture f;
        f.edit.setText(QStringLiteral("hello world"));
        f.edit.select(0, 6);
        QVERIFY(f.view.clipboardAction(1));
        QCOMPARE(f.edit.text(), QStringLiteral("world"));
        f.edit.setSelStart(5);
        QVERIFY(f.view.canPaste());
        QVERIFY(f.view.clipboardAction(3));
        QCOMPARE(f.edit.text(), QStringLiteral("worldhello "));
        QCOMPARE(f.edit.selStart(), 11);
        QVERIFY(f.view.undo());
        QCOMPARE(f.edit.text(), QStringLiteral("world"));
    }

    void copiedFieldsPasteAsFieldsOfTheirOwn()
    {
        Fixture f;
        f.edit.setText(QStringLiteral("see  end"));
        f.edit.setSelStart(4);
        const int id = f.edit.insertField(QStringLiteral("Tag"));
        QVERIFY(f.edit.setFieldType(1));
        QVERIFY(f.edit.setFieldData(QStringLiteral("TG_12")));
        f.edit.select(3, 5); // " Tag " around the field
        QVERIFY(f.view.clipboardAction(2));
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral(" Tag "));
        f.edit.setSelStart(f.edit.textLength());
        QVERIFY(f.view.clipboardAction(3));
        QCOMPARE(f.edit.text(), QStringLiteral("see Tag end Tag "));
        const int copy = f.edit.fieldAt(13);
        QVERIFY(copy > 0 && copy != id);
        QVERIFY(f.edit.setCurrentField(copy));
        QCOMPARE(f.edit.fieldData(), QStringLiteral("TG_12"));
        QCOMPARE(f.edit.fieldType(), 1);
        QCOMPARE(f.edit.fieldText(), QStringLiteral("Tag"));
        QVERIFY(f.edit.setCurrentField(id));
        QCOMPARE(f.edit.fieldStart(), 5);
        // Another program instance sees bytes only.
        const QMimeData *own = QApplication::clipboard()->mimeData();
        QVERIFY(own->hasFormat(PageClipboard::mimeType()));
        auto *bytesOnly = new QMimeData;
        bytesOnly->setData(PageClipboard::mimeType(), own->data(PageClipboard::mimeType()));
        bytesOnly->setText(QStringLiteral("Tag as text"));
        QApplication::clipboard()->setMimeData(bytesOnly);
        f.edit.setSelStart(f.edit.textLength());
        QVERIFY(f.view.canPaste());
        QVERIFY(f.view.clipboardAction(3));
        QCOMPARE(f.edit.text(), QStringLiteral("see Tag end Tag  Tag "));
        const int third = f.edit.fieldAt(18);
        QVERIFY(third > 0 && third != copy && third != id);
        QVERIFY(f.edit.setCurrentField(third));
        QCOMPARE(f.edit.fieldData(), QStringLiteral("TG_12"));
        // Damaged bytes of our type fall back to the text.
        auto *damaged = new QMimeData;
        damaged->setData(PageClipboard::mimeType(), QByteArray("\x01\x02garbage"));
        damaged->setText(QStringLiteral("!"));
        QApplication::clipboard()->setMimeData(damaged);
        f.edit.setSelStart(f.edit.textLength());
        QVERIFY(f.view.clipboardAction(3));
        QCOMPARE(f.edit.text(), QStringLiteral("see Tag end Tag  Tag !"));
        // Text from another program comes in as text.
        QApplication::clipboard()->setText(QStringLiteral("a\nb"));
        f.edit.setSelStart(0);
        QVERIFY(f.view.clipboardAction(3));
        QVERIFY(f.edit.text().startsWith(QStringLiteral("a\nbsee")));
    }

    // The clipboard offers the selection as RTF, and RTF of another program pastes with its look.
    void rtfOnTheClipboard()
    {
        Fixture f;
        f.edit.setText(QStringLiteral("plain bold"));
        f.edit.select(6, 4);
        f.edit.setBold(true);
        QVERIFY(f.view.clipboardAction(2));
        const QMimeData *own = QApplication::clipboard()->mimeData();
        QVERIFY(own->hasFormat(PageClipboard::rtfType()));
        PageDocument copied;
        QVERIFY(RtfReader::read(copied, own->data(PageClipboard::rtfType())));
        RichTextEdit copiedEdit(&copied);
        QCOMPARE(copiedEdit.text().trimmed(), QStringLiteral("bold"));
        copiedEdit.select(0, 1);
        QVERIFY(copiedEdit.bold());

        auto *rtf = new QMimeData;
        rtf->setData(QStringLiteral("application/rtf"), QByteArray("{\\rtf1\\ansi {\\i slanted} text}"));
        rtf->setText(QStringLiteral("as text"));
        QApplication::clipboard()->setMimeData(rtf);
        QVERIFY(f.view.canPaste());
        f.edit.select(0, 0);
        QVERIFY(f.view.clipboardAction(3));
        QVERIFY(f.edit.text().startsWith(QStringLiteral("slanted text")));
        f.edit.select(0, 1);
        QVERIFY(f.edit.italic());
        // Damaged RTF falls back to the text beside it.
        auto *damaged = new QMimeData;
        damaged->setData(PageClipboard::rtfType(), QByteArray("{\\rtf1 {{{{"));
        damaged->setText(QStringLiteral("!"));
        QApplication::clipboard()->setMimeData(damaged);
        f.edit.select(0, 0);
        QVERIFY(f.view.clipboardAction(3));
        QVERIFY(f.edit.text().startsWith(QStringLiteral("!slanted")));
    }

    void aDraggedSelectionMovesWithItsField()
    {
        Fixture f;
        f.edit.setText(QStringLiteral("ab  cd"));
        f.edit.setSelStart(3);
        const int id = f.edit.insertField(QStringLiteral("F"));
        QVERIFY(f.edit.setFieldData(QStringLiteral("TG_7")));
        f.edit.select(2, 3); // " F "
        const int steps = f.edit.undoSteps();
        QVERIFY(!f.view.dropSelection(3, true)); // onto itself
        QVERIFY(f.view.dropSelection(7, true));
        QCOMPARE(f.edit.text(), QStringLiteral("abcd F "));
        QCOMPARE(f.edit.undoSteps(), steps + 1);
        const int moved = f.edit.fieldAt(5);
        QVERIFY(moved > 0);
        QVERIFY(f.edit.setCurrentField(moved));
        QCOMPARE(f.edit.fieldData(), QStringLiteral("TG_7"));
        QVERIFY(!f.edit.setCurrentField(id) || f.edit.fieldStart() == 6);
        QVERIFY(f.view.undo());
        QCOMPARE(f.edit.text(), QStringLiteral("ab F cd"));
        f.edit.select(0, 2);
        QVERIFY(f.view.dropSelection(7, false));
        QCOMPARE(f.edit.text(), QStringLiteral("ab F cdab"));
        f.view.setEditMode(1);
        f.edit.select(0, 2);
        QVERIFY(!f.view.dropSelection(9, true));
    }

    void caretReportAtTheStartOfPageTwo_data()
    {
        QTest::addColumn<bool>("pageBreak");
        QTest::newRow("page break") << true;
        QTest::newRow("text running over") << false;
        QTest::newRow("one paragraph running over") << false;
    }

    void caretReportAtTheStartOfPageTwo()
    {
        QFETCH(bool, pageBreak);
        Fixture f;
        f.view.setViewMode(2);
        int start = 0;
        if (pageBreak) {
            f.edit.setText(QStringLiteral("first\nline\fsecond"));
            start = 11;
        } else {
            QStringList lines;
            for (int i = 0; i < 120; ++i)
                lines << QStringLiteral("line %1").arg(i);
            const bool oneParagraph = QByteArray(QTest::currentDataTag()).startsWith("one paragraph");
            f.edit.setText(lines.join(oneParagraph ? QChar(11) : QChar(10)));
            QTextDocument *doc = f.page.main();
            QCOMPARE(doc->blockCount() == 1, oneParagraph);
            const double height = doc->pageSize().height();
            // The first line laid out on the second page (a block may start on the first).
            for (QTextBlock b = doc->begin(); b.isValid() && start == 0; b = b.next()) {
                const double top = doc->documentLayout()->blockBoundingRect(b).top();
                const QTextLayout *layout = b.layout();
                for (int i = 0; i < layout->lineCount(); ++i) {
                    if (top + layout->lineAt(i).y() + 0.05 >= height) {
                        start = b.position() + layout->lineAt(i).textStart();
                        break;
                    }
                }
            }
            QVERIFY(start > 0);
        }
        f.edit.setSelStart(start);
        QCOMPARE(f.view.caretPosition(), (QList<int>{2, 1, 1}));
        f.edit.setSelStart(start + 2);
        QCOMPARE(f.view.caretPosition(), (QList<int>{2, 1, 3}));
        f.edit.setSelStart(start - 1);
        QCOMPARE(f.view.caretPosition().value(0), 1);
        // The caret shows on the second sheet.
        f.caretOnScreen(start);
        f.view.ensureVisible(f.view.mainItem()->caretRect());
        QVERIFY(f.view.mapFromScene(f.view.pageGeometry().textRect(1)).boundingRect()
                    .adjusted(-1, -1, 1, 1).contains(f.caretOnScreen(start).topLeft()));
    }

    void doubleClickOnAFieldRaisesTheFieldEvent_data()
    {
        QTest::addColumn<int>("mode");
        QTest::newRow("normal view") << 0;
        QTest::newRow("page view, second page") << 2;
    }

    void doubleClickOnAFieldRaisesTheFieldEvent()
    {
        QFETCH(int, mode);
        Fixture f;
        f.view.setViewMode(mode);
        f.edit.setText(QStringLiteral("page one\fsee "));
        f.edit.setSelStart(f.edit.textLength());
        const int id = f.edit.insertField(QStringLiteral("Target page"));
        QVERIFY(f.edit.setFieldType(1));
        QVERIFY(f.edit.setFieldData(QStringLiteral("TG_12_34")));
        f.edit.setSelStart(0);
        QList<RichFieldArgs> raised;
        connect(&f.view, &RichView::fieldDoubleClicked, this, [&raised](RichFieldArgs &args) {
            raised.append(args);
            args.handled = true;
        });
        const int middle = 13 + 4;
        f.view.ensureVisible(f.view.mainItem()->toScene(QRectF(0, 0, 1, 1)));
        f.edit.setSelStart(middle);
        f.view.showModelCaret();
        f.view.ensureVisible(f.view.mainItem()->caretRect());
        const QPoint at = f.onScreen(middle);
        QTest::mouseDClick(f.view.viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(raised.size(), 1);
        QCOMPARE(raised.first().id, id);
        QCOMPARE(raised.first().type, 1);
        QCOMPARE(raised.first().data, QStringLiteral("TG_12_34"));
        QCOMPARE(raised.first().text, QStringLiteral("Target page"));
        // A double click on plain text raises nothing.
        QTest::mouseDClick(f.view.viewport(), Qt::LeftButton, {}, at - QPoint(40, 0));
        QCOMPARE(raised.size(), 1);
    }

    void keyHandlersCanSwallowKeys()
    {
        Fixture f;
        connect(&f.view, &RichView::keyDown, this, [](RichKeyArgs &args) {
            if (args.key == 13 && args.shift == 0)
                args.key = 0;
        });
        QList<QString> typed;
        connect(&f.view, &RichView::typed, this, [&typed](const QString &t) { typed << t; });
        QTest::keyClicks(f.view.viewport(), QStringLiteral("a"));
        QTest::keyClick(f.view.viewport(), Qt::Key_Return);
        QCOMPARE(f.edit.text(), QStringLiteral("a"));
        QTest::keyClick(f.view.viewport(), Qt::Key_Return, Qt::ShiftModifier);
        QCOMPARE(f.edit.text().size(), 2);
        QCOMPARE(typed, QList<QString>{QStringLiteral("a")});
    }

    void changeCaretAndMouseEventsReachTheHandlers()
    {
        Fixture f;
        f.edit.setText(QStringLiteral("plain "));
        f.edit.setSelStart(6);
        const int id = f.edit.insertField(QStringLiteral("LinkText"));
        QVERIFY(f.edit.setFieldData(QStringLiteral("http://example.com/")));
        f.edit.setSelStart(0);
        f.view.showModelCaret();
        QSignalSpy changed(&f.view, &RichView::changed);
        QSignalSpy moved(&f.view, &RichView::caretMoved);
        QList<int> keysUp;
        connect(&f.view, &RichView::keyUp, this, [&keysUp](RichKeyArgs &args) { keysUp << args.key; });
        QTest::keyClick(f.view.viewport(), Qt::Key_Right);
        QCOMPARE(moved.count(), 1);
        QCOMPARE(changed.count(), 0);
        QTest::keyClick(f.view.viewport(), Qt::Key_Delete);
        QVERIFY(changed.count() >= 1);
        QCOMPARE(keysUp, (QList<int>{39, 46}));
        // A single click on a field raises the field click with the field.
        QList<RichFieldArgs> clicked;
        connect(&f.view, &RichView::fieldClicked, this, [&clicked](RichFieldArgs &args) { clicked << args; });
        const QPoint onField = f.onScreen(8);
        QTest::mouseClick(f.view.viewport(), Qt::LeftButton, {}, onField);
        QCOMPARE(clicked.size(), 1);
        QCOMPARE(clicked.first().id, id);
        QCOMPARE(clicked.first().data, QStringLiteral("http://example.com/"));
        // A mouse handler that takes the click keeps the caret where it was.
        connect(&f.view, &RichView::mouseDown, this, [](RichMouseArgs &args) {
            if (args.button == 1 && args.shift == 2)
                args.handled = true;
        });
        f.edit.setSelStart(0);
        f.view.showModelCaret();
        QTest::mouseClick(f.view.viewport(), Qt::LeftButton, Qt::ControlModifier, onField);
        QCOMPARE(f.edit.selStart(), 0);
        QCOMPARE(clicked.size(), 1);
    }

    // A field is followed only from its own text: a click beside or below a line that ends in one
    // puts the caret there and raises nothing, nor does a double click.
    void clicksBesideAFieldStayOnThePage_data()
    {
        QTest::addColumn<QString>("after"); // text after the field
        QTest::addColumn<int>("where");     // 0 its last letter, 1 far right of its line, 2 below the text
        QTest::addColumn<bool>("raised");
        QTest::addColumn<int>("caret");     // after a single click, -1 not checked
        QTest::newRow("on its last letter") << QString() << 0 << true << -1;
        QTest::newRow("right of a page's last line") << QString() << 1 << false << 14;
        QTest::newRow("below the text") << QString() << 2 << false << 14;
        QTest::newRow("right of a line, more below") << QStringLiteral("\nmore") << 1 << false << 14;
        QTest::newRow("on its last letter, more below") << QStringLiteral("\nmore") << 0 << true << -1;
        QTest::newRow("below the text, after a line") << QStringLiteral("\nmore") << 2 << false << 19;
    }

    void clicksBesideAFieldStayOnThePage()
    {
        QFETCH(QString, after);
        QFETCH(int, where);
        QFETCH(bool, raised);
        QFETCH(int, caret);
        Fixture f;
        f.edit.setText(QStringLiteral("plain ") + after);
        f.edit.setSelStart(6);
        const int id = f.edit.insertField(QStringLiteral("LinkText"));
        QVERIFY(id);
        QVERIFY(f.edit.setFieldData(QStringLiteral("http://example.com/")));
        QList<RichFieldArgs> clicked;
        QList<RichFieldArgs> doubled;
        connect(&f.view, &RichView::fieldClicked, this, [&clicked](RichFieldArgs &args) { clicked << args; });
        connect(&f.view, &RichView::fieldDoubleClicked, this, [&doubled](RichFieldArgs &args) {
            doubled << args;
            args.handled = true;
        });
        const QRect end = f.caretOnScreen(14);
        const QRect last = f.caretOnScreen(f.edit.textLength());
        QPoint at = f.onScreen(13);
        if (where == 1)
            at = QPoint(end.right() + 300, end.center().y());
        else if (where == 2)
            at = QPoint(end.right() + 10, last.bottom() + 3 * last.height());
        QVERIFY(f.view.viewport()->rect().contains(at));
        f.edit.setSelStart(0);
        f.view.showModelCaret();
        QTest::mouseClick(f.view.viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(clicked.size(), raised ? 1 : 0);
        if (raised)
            QCOMPARE(clicked.first().id, id);
        if (caret >= 0) {
            QCOMPARE(f.edit.selStart(), caret);
            QCOMPARE(f.edit.selLength(), 0);
        }
        QTest::mouseDClick(f.view.viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(doubled.size(), raised ? 1 : 0);
    }

    void inputMethodCommitsTypeAtTheCaret()
    {
        Fixture f;
        f.edit.setText(QStringLiteral("[]"));
        f.edit.setSelStart(1);
        f.view.showModelCaret();
        QInputMethodEvent preedit(QStringLiteral("にほん"), {});
        QApplication::sendEvent(&f.view, &preedit);
        QCOMPARE(f.edit.text(), QStringLiteral("[]"));
        QInputMethodEvent commit;
        commit.setCommitString(QStringLiteral("日本"));
        QApplication::sendEvent(&f.view, &commit);
        QCOMPARE(f.edit.text(), QStringLiteral("[日本]"));
        QCOMPARE(f.edit.selStart(), 3);
        const QRectF cursor = f.view.mainItem()->inputMethodQuery(Qt::ImCursorRectangle).toRectF();
        QVERIFY(f.view.pageGeometry().textRect(0).adjusted(-1, -1, 2, 1).contains(cursor.topLeft()));
    }

    void headerBecomesTheEditingPart()
    {
        Fixture f;
        f.view.setViewMode(2);
        f.page.ensurePart(HeaderAll);
        f.edit.setText(QStringLiteral("body"));
        QSignalSpy activated(&f.view, &RichView::partActivated);
        QVERIFY(f.view.activatePart(HeaderAll));
        QCOMPARE(activated.count(), 1);
        QVERIFY(f.view.partItem()->isVisible());
        QTest::keyClicks(f.view.viewport(), QStringLiteral("Head"));
        QCOMPARE(f.page.part(HeaderAll)->toPlainText(), QStringLiteral("Head"));
        QCOMPARE(f.edit.text(), QStringLiteral("Head"));
        QVERIFY(f.view.pageGeometry().headerRect(0).contains(f.view.partItem()->pos()));
        QVERIFY(f.view.editPart(0));
        QVERIFY(!f.view.partItem()->isVisible());
        QCOMPARE(f.edit.text(), QStringLiteral("body"));
        QVERIFY(!f.view.editPart(FooterAll)); // no such part
    }

    void droppedTextLandsWhereTheMouseIs()
    {
        Fixture f;
        f.view.setViewMode(2);
        f.edit.setText(QStringLiteral("one\ftwo\nthree\nfour"));
        f.view.ensureVisible(f.view.pageGeometry().textRect(1), 0, 0);
        const QRect caret = f.caretOnScreen(5);
        const QPoint at(caret.left(), caret.center().y());
        const auto drop = [&f, at](const QString &text) {
            QMimeData data;
            data.setText(text);
            QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(f.view.viewport(), &enter);
            QDragMoveEvent move(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(f.view.viewport(), &move);
            QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(f.view.viewport(), &dropped);
        };
        drop(QStringLiteral("X"));
        QCOMPARE(f.edit.text(), QStringLiteral("one\ftXwo\nthree\nfour"));
        f.view.setEditMode(1);
        drop(QStringLiteral("Y"));
        QCOMPARE(f.edit.text(), QStringLiteral("one\ftXwo\nthree\nfour"));
    }

    // The right button belongs to the host's popup: Qt's own text menu (undo, redo ...) never opens,
    // whatever the host did on the press.
    void qtsOwnContextMenuNeverOpens()
    {
        Fixture f;
        f.edit.setText(QStringLiteral("some text"));
        const QPoint at = f.onScreen(2);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, f.view.viewport()->mapToGlobal(at));
        QApplication::sendEvent(f.view.viewport(), &event);
        QCoreApplication::processEvents();
        QVERIFY(!QApplication::activePopupWidget());
        for (QWidget *w : QApplication::topLevelWidgets())
            QVERIFY2(!(qobject_cast<QMenu *>(w) && w->isVisible()), "a menu opened");
    }

    void controlCharsAndGridLinesOnlyChangeTheScreen()
    {
        Fixture f;
        f.edit.setText(QStringLiteral("a\nb"));
        f.edit.insertTable(2, 2);
        const QString before = f.edit.text();
        const int steps = f.edit.undoSteps();
        const QImage plain = f.view.viewport()->grab().toImage();
        f.view.setControlChars(true);
        f.view.setGridLines(true);
        const QImage marked = f.view.viewport()->grab().toImage();
        QVERIFY(plain != marked);
        QCOMPARE(f.edit.text(), before);
        QCOMPARE(f.edit.undoSteps(), steps);
    }

    void normalViewPaintsALongTextOnce()
    {
        // The first lines carry as much ink whether more pages follow them or not (the view may sit a
        // few pixels aside once a scroll bar shows, so the ink is compared, not the pixels).
        Fixture f;
        const QString head = QStringLiteral("本文の一行目 The quick brown fox\n");
        const QString line = QStringLiteral("続きの行\n");
        f.edit.setText(head + line.repeated(4));
        f.view.refresh();
        QCOMPARE(f.view.pageCount(), 1);
        const double shortInk = ink(f.view.viewport()->grab().toImage(), 60);
        f.edit.setText(head + line.repeated(200));
        f.view.refresh();
        QVERIFY(f.view.pageCount() > 1);
        f.view.verticalScrollBar()->setValue(f.view.verticalScrollBar()->minimum());
        const double longInk = ink(f.view.viewport()->grab().toImage(), 60);
        QVERIFY(shortInk > 1000);
        QVERIFY2(qAbs(longInk - shortInk) < shortInk * 0.02, qPrintable(QStringLiteral("%1 %2").arg(shortInk).arg(longInk)));
    }

    // A page of one long paragraph (a text pasted as text) paints the marks of the lines in the
    // painted area, not those of the whole paragraph, whether its lines are one block or several.
    void marksArePaintedForTheLinesInSightOnly_data()
    {
        QTest::addColumn<bool>("oneBlock");
        QTest::newRow("one block") << true;
        QTest::newRow("held as lines") << false;
    }

    void marksArePaintedForTheLinesInSightOnly()
    {
        QFETCH(bool, oneBlock);
        PageDocument page;
        RichTextEdit edit(&page);
        QStringList lines;
        for (int i = 0; i < 3000; ++i)
            lines << QStringLiteral("line %1\tof a pasted text").arg(i);
        if (oneBlock)
            QTextCursor(page.main()).insertText(lines.join(QChar::LineSeparator));
        else
            edit.setText(lines.join(QChar(11)));
        QTextDocument *doc = page.main();
        QCOMPARE(doc->blockCount(), oneBlock ? 1 : 3000);
        QCOMPARE(edit.text(), lines.join(QChar(11)));
        const double height = doc->documentLayout()->documentSize().height();
        const double lineHeight = height / 3000;
        auto marksIn = [&](const QRectF &area) {
            TextRecorder device;
            QPainter painter(&device);
            ViewMarks::drawControlChars(&painter, doc, area);
            painter.end();
            return device.texts();
        };
        const QStringList middle = marksIn(QRectF(0, height / 2, 600, 3 * lineHeight));
        // Three lines in sight, each with a tab and a line break, and a line more on either side.
        QVERIFY2(middle.count(QStringLiteral("↵")) >= 3, qPrintable(middle.join(u' ')));
        QVERIFY2(middle.size() <= 16, qPrintable(QString::number(middle.size())));
        QVERIFY(middle.contains(QStringLiteral("→")));
        QVERIFY(!middle.contains(QStringLiteral("¶")));
        const QStringList end = marksIn(QRectF(0, height - lineHeight, 600, lineHeight));
        QVERIFY2(end.contains(QStringLiteral("¶")), qPrintable(end.join(u' ')));
        QVERIFY(end.size() <= 10);
        QVERIFY(marksIn(QRectF(0, height + 100, 600, 50)).isEmpty());
    }

    // Enter, Backspace and undo of Qt's own editing in a long paragraph held as lines give the text
    // they give in any paragraph.
    void keysInALongParagraph()
    {
        Fixture f;
        QStringList lines;
        for (int i = 0; i < 300; ++i)
            lines << QStringLiteral("line %1 of a pasted text file").arg(i);
        QString text = lines.join(QChar(11));
        f.edit.setText(text);
        QVERIFY(f.page.main()->blockCount() > 1);
        QWidget *viewport = f.view.viewport();
        const int lineStart = text.indexOf(QStringLiteral("line 150 "));
        f.edit.select(lineStart, 0);
        f.view.showModelCaret();
        QTest::keyClick(viewport, Qt::Key_Backspace);
        text.remove(lineStart - 1, 1);
        QCOMPARE(f.edit.text(), text);
        QTest::keyClick(viewport, Qt::Key_Return);
        text.insert(lineStart - 1, QChar(10));
        QCOMPARE(f.edit.text(), text);
        QTest::keyClick(viewport, Qt::Key_Return, Qt::ShiftModifier);
        text.insert(lineStart, QChar(11));
        QCOMPARE(f.edit.text(), text);
        QTest::keyClicks(viewport, QStringLiteral("ab"));
        text.insert(lineStart + 1, QStringLiteral("ab"));
        QCOMPARE(f.edit.text(), text);
        for (int i = 0; i < 4 && f.edit.text() != lines.join(QChar(11)); ++i)
            QTest::keyClick(viewport, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(f.edit.text(), lines.join(QChar(11)));

        // Backspace that joins the paragraph to a heading with room above: its lines take the
        // heading's format, as any paragraph joined to a heading does, and stay held as lines.
        f.edit.setText(QStringLiteral("Heading\n") + lines.join(QChar(11)));
        f.edit.select(0, 0);
        f.edit.setSpaceBefore(180);
        f.edit.select(8, 0);
        f.view.showModelCaret();
        QTest::keyClick(viewport, Qt::Key_Backspace);
        QCOMPARE(f.edit.text(), QStringLiteral("Heading") + lines.join(QChar(11)));
        QCOMPARE(f.page.main()->blockCount(), int(lines.size()));
        f.edit.select(f.edit.textLength() / 2, 0);
        QCOMPARE(f.edit.spaceBefore(), 180);
        QTest::keyClick(viewport, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(f.edit.text(), QStringLiteral("Heading\n") + lines.join(QChar(11)));
        QVERIFY(f.page.main()->blockCount() > 2);

        // Enter in the first line of such a paragraph with room below it: the paragraph it ends lays
        // that room out in its only block, the one it begins in its last.
        f.edit.setText(lines.join(QChar(11)) + QStringLiteral("\nafter"));
        f.edit.select(3, 0);
        f.edit.setSpaceAfter(180);
        f.view.showModelCaret();
        QTest::keyClick(viewport, Qt::Key_Return);
        QCOMPARE(f.edit.text(), QStringLiteral("lin\n") + lines.join(QChar(11)).mid(3) + QStringLiteral("\nafter"));
        const QTextBlock first = f.page.main()->begin();
        QCOMPARE(first.blockFormat().bottomMargin(), 12.0);
        QVERIFY(LineBlocks::continues(first.next().next()));
        QCOMPARE(first.next().blockFormat().bottomMargin(), 0.0);
        QCOMPARE(LineBlocks::tail(first.next()).blockFormat().bottomMargin(), 12.0);
    }

    // Ctrl+Delete and Ctrl+BackSpace delete a word, never beyond a table cell or a table's edge (Qt's
    // word move ran into the next cell or over the edge and took the cells' text or the table along).
    void wordDeletionStaysInTheCell_data()
    {
        QTest::addColumn<int>("columns");
        QTest::addColumn<int>("caret"); // -1 the first cell's end, -2 the second cell's start
        QTest::addColumn<bool>("forward");
        QTest::newRow("ctrl+delete at the first cell's end") << 2 << -1 << true;
        QTest::newRow("ctrl+backspace at the second cell's start") << 2 << -2 << false;
        QTest::newRow("ctrl+delete before a table") << 1 << 5 << true;
        QTest::newRow("ctrl+backspace after a table") << 1 << 22 << false;
    }

    void wordDeletionStaysInTheCell()
    {
        QFETCH(int, columns);
        QFETCH(int, caret);
        QFETCH(bool, forward);
        Fixture f;
        const int table = cellTable(f, columns);
        const QString before = f.edit.text();
        const int cell = f.edit.cellStart(table, 1, 1) - 1;
        f.edit.select(caret == -1 ? cell + 15 : caret == -2 ? cell + 16 : caret, 0);
        f.view.showModelCaret();
        QTest::keyClick(f.view.viewport(), forward ? Qt::Key_Delete : Qt::Key_Backspace, Qt::ControlModifier);
        QCOMPARE(f.edit.text(), before);
        f.edit.select(cell + 6, 0);
        f.view.showModelCaret();
        QTest::keyClick(f.view.viewport(), Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(f.edit.cellText(table, 1, 1), QStringLiteral("short text"));
    }

    // A selection that leaves a cell (Shift+Down, Shift+PageDown from its end) is the whole table as
    // Qt shows it: the model counts it, a command takes it, a cut puts it on the clipboard, one undo.
    void aSelectionLeavingACellTakesWhatItShows_data()
    {
        QTest::addColumn<int>("moveKey");
        QTest::addColumn<int>("commandKey"); // 0: the view's delete command
        QTest::addColumn<QString>("typed");
        QTest::newRow("shift+down, ctrl+x") << int(Qt::Key_Down) << int(Qt::Key_X) << QString();
        QTest::newRow("shift+pagedown, ctrl+x") << int(Qt::Key_PageDown) << int(Qt::Key_X) << QString();
        QTest::newRow("shift+down, delete command") << int(Qt::Key_Down) << 0 << QString();
        QTest::newRow("shift+down, delete") << int(Qt::Key_Down) << int(Qt::Key_Delete) << QString();
        QTest::newRow("shift+down, a letter") << int(Qt::Key_Down) << int(Qt::Key_Q) << QStringLiteral("q");
        QTest::newRow("shift+down, enter") << int(Qt::Key_Down) << int(Qt::Key_Return) << QStringLiteral("\n");
    }

    void aSelectionLeavingACellTakesWhatItShows()
    {
        QFETCH(int, moveKey);
        QFETCH(int, commandKey);
        QFETCH(QString, typed);
        Fixture f;
        cellTable(f, 1);
        const QString before = f.edit.text();
        f.edit.select(21, 0); // the cell's end
        f.view.showModelCaret();
        QTest::keyClick(f.view.viewport(), Qt::Key(moveKey), Qt::ShiftModifier);
        const int start = f.view.mainItem()->textCursor().selectionStart();
        const int end = f.view.mainItem()->textCursor().selectionEnd();
        QCOMPARE(QList<int>({f.edit.selStart(), f.edit.selLength()}), QList<int>({start, end - start}));
        QApplication::clipboard()->clear();
        if (commandKey)
            QTest::keyClick(f.view.viewport(), Qt::Key(commandKey), commandKey == Qt::Key_X ? Qt::ControlModifier : Qt::NoModifier);
        else
            QVERIFY(f.view.clipboardAction(4));
        QCOMPARE(f.edit.text(), before.left(start) + typed + before.mid(end));
        QCOMPARE(QApplication::clipboard()->text().contains(QStringLiteral("short cell text")), commandKey == Qt::Key_X);
        QTest::keyClick(f.view.viewport(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(f.edit.text(), before);
    }

    // Enter replaces a selection with a paragraph end, also one that ends in an empty paragraph or in a
    // list item; one undo brings back the text and which paragraphs were list items.
    void enterReplacesTheSelection_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("end");
        QTest::addColumn<QString>("after");
        QTest::addColumn<int>("listFrom"); // the paragraphs from there on are a numbered list; -1: none
        QTest::newRow("to an empty last paragraph") << QStringLiteral("abc\n") << 4 << QStringLiteral("a\n") << -1;
        QTest::newRow("to an empty paragraph inside") << QStringLiteral("abc\n\ndef") << 4 << QStringLiteral("a\n\ndef") << -1;
        QTest::newRow("over empty paragraphs") << QStringLiteral("\n\n\n") << 3 << QStringLiteral("\n\n") << -1;
        QTest::newRow("from a paragraph into a list item") << QStringLiteral("abc\ndef\nghi") << 9 << QStringLiteral("a\nhi") << 4;
    }

    void enterReplacesTheSelection()
    {
        QFETCH(QString, text);
        QFETCH(int, end);
        QFETCH(QString, after);
        QFETCH(int, listFrom);
        Fixture f;
        f.edit.setText(text);
        if (listFrom >= 0) {
            f.edit.select(listFrom, int(text.size()) - listFrom);
            f.edit.setListKind(3);
        }
        const auto items = [&f] {
            QList<bool> inList;
            for (QTextBlock block = f.edit.document()->begin(); block.isValid(); block = block.next())
                inList << (block.textList() != nullptr);
            return inList;
        };
        const QList<bool> itemsBefore = items();
        f.edit.select(1, end - 1);
        f.view.showModelCaret();
        QTest::keyClick(f.view.viewport(), Qt::Key_Return);
        QCOMPARE(f.edit.text(), after);
        QCOMPARE(QList<int>({f.edit.selStart(), f.edit.selLength()}), QList<int>({2, 0}));
        QTest::keyClick(f.view.viewport(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(f.edit.text(), text);
        QCOMPARE(items(), itemsBefore);
    }

    void pageKeysMoveTheCaretByAScreen_data()
    {
        QTest::addColumn<int>("mode");
        QTest::newRow("normal view") << 0;
        QTest::newRow("page view") << 2;
    }

    void pageKeysMoveTheCaretByAScreen()
    {
        QFETCH(int, mode);
        Fixture f;
        f.view.setViewMode(mode);
        QStringList lines;
        for (int i = 0; i < 300; ++i)
            lines << QStringLiteral("line %1").arg(i);
        f.edit.setText(lines.join(QLatin1Char('\n')));
        f.view.refresh();
        f.edit.setSelStart(0);
        f.view.showModelCaret();
        QScrollBar *bar = f.view.verticalScrollBar();
        bar->setValue(bar->minimum());
        QWidget *viewport = f.view.viewport();
        const double screen = f.view.mapToScene(viewport->rect()).boundingRect().height();
        auto caretY = [&] { return f.view.mainItem()->caretRect().top(); };
        // The line of the caret, the moving end of a selection.
        auto lineAt = [&] {
            return f.edit.text().left(f.view.mainItem()->textCursor().position()).count(QLatin1Char('\n'));
        };
        const double lineHeight = f.view.mainItem()->caretRect().height();

        const double before = caretY();
        const int scrolled = bar->value();
        QTest::keyClick(viewport, Qt::Key_PageDown);
        QCOMPARE(f.edit.selLength(), 0);
        const int firstStop = lineAt();
        QVERIFY2(firstStop > 10, qPrintable(QString::number(firstStop)));
        if (mode == 0) // sheets leave gaps between the pages
            QVERIFY2(qAbs(caretY() - before - screen) < 2 * lineHeight,
                     qPrintable(QStringLiteral("%1 %2 %3").arg(before).arg(caretY()).arg(screen)));
        QVERIFY(bar->value() > scrolled);
        // The caret stays in sight.
        QVERIFY(viewport->rect().contains(f.view.mapFromScene(f.view.mainItem()->caretRect().center())));

        QTest::keyClick(viewport, Qt::Key_PageDown, Qt::ShiftModifier);
        QVERIFY(lineAt() > firstStop);
        QVERIFY(f.edit.selLength() > 0);
        QCOMPARE(f.edit.text().left(f.edit.selStart()).count(QLatin1Char('\n')), firstStop);

        QTest::keyClick(viewport, Qt::Key_PageUp);
        QCOMPARE(f.edit.selLength(), 0);
        QVERIFY(qAbs(lineAt() - firstStop) <= 1);
        QTest::keyClick(viewport, Qt::Key_PageUp);
        QTest::keyClick(viewport, Qt::Key_PageUp);
        QCOMPARE(f.edit.selStart(), 0);
        QCOMPARE(bar->value(), bar->minimum());
        for (int i = 0; i < 40 && f.edit.selStart() < f.edit.textLength(); ++i)
            QTest::keyClick(viewport, Qt::Key_PageDown, Qt::ShiftModifier);
        QCOMPARE(f.edit.selStart(), 0);
        QCOMPARE(f.edit.selLength(), f.edit.textLength());
    }

    // Page keys in a cell whose line runs past its column, the caret right of the column on that line:
    // the caret moves about a screen in the cell, its x held in the cell; a selection they make stays
    // in the cell, and a letter typed over it replaces that text alone.
    void pageKeysStayInACellWhoseLineRunsPastIt_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("shift");
        QTest::newRow("PageUp") << int(Qt::Key_PageUp) << false;
        QTest::newRow("PageDown") << int(Qt::Key_PageDown) << false;
        QTest::newRow("Shift+PageUp") << int(Qt::Key_PageUp) << true;
        QTest::newRow("Shift+PageDown") << int(Qt::Key_PageDown) << true;
    }

    void pageKeysStayInACellWhoseLineRunsPastIt()
    {
        QFETCH(int, key);
        QFETCH(bool, shift);
        Fixture f;
        int table = 0;
        const int word = cellOfALongLine(f, &table);
        const QString before = f.edit.text();
        const QString cellText = f.edit.cellText(table, 1, 1);
        const int cell = f.edit.cellStart(table, 1, 1) - 1;
        QTextTable *grid = SamplePage::firstTable(f.edit.document());
        QVERIFY(grid);
        const QRectF column = f.view.mainItem()->mapRectToScene(
            qobject_cast<QTextDocumentLayout *>(f.edit.document()->documentLayout())->tableCellBoundingRect(grid, grid->cellAt(0, 0)));
        f.caretOnScreen(word + 150);
        QVERIFY2(f.view.mainItem()->caretRect().left() > column.right() + 300, "the line does not run past the column");
        const double screen = f.view.mapToScene(f.view.viewport()->rect()).boundingRect().height();
        const double from = f.view.mainItem()->caretRect().top();

        QTest::keyClick(f.view.viewport(), Qt::Key(key), shift ? Qt::ShiftModifier : Qt::NoModifier);
        const QTextCursor after = f.view.mainItem()->textCursor();
        QVERIFY2(after.position() >= cell && after.position() <= cell + cellText.size(), qPrintable(QString::number(after.position())));
        QCOMPARE(after.anchor(), shift ? word + 150 : after.position());
        const QRectF now = f.view.mainItem()->caretRect();
        QVERIFY2(now.left() >= column.left() && now.left() <= column.right(), qPrintable(QString::number(now.left())));
        const double moved = qAbs(now.top() - from);
        QVERIFY2(moved > screen / 2 && moved < screen * 1.5, qPrintable(QStringLiteral("%1 of %2").arg(moved).arg(screen)));
        if (!shift)
            return;
        const int start = f.edit.selStart();
        const int length = f.edit.selLength();
        QTest::keyClicks(f.view.viewport(), QStringLiteral("q"));
        QCOMPARE(f.edit.text(), before.left(start) + QStringLiteral("q") + before.mid(start + length));
        QCOMPARE(f.edit.cellText(table, 1, 2), QStringLiteral("隣のセル"));
        QCOMPARE(f.edit.cellText(table, 2, 1), QStringLiteral("下のセル"));
    }

    // Up and Down across a table's edge, and out of a cell of its second column, go to the line above or
    // below at the caret's x: from below a table into the cell above the caret, however tall the table;
    // the other key as often brings the caret back where it began.
    void upAndDownGoToTheLineAtTheCaretsX_data()
    {
        QTest::addColumn<bool>("tall");   // the first cell holds 30,000 characters, ten printed pages
        QTest::addColumn<bool>("gap");    // an empty paragraph between the table and the one after it
        QTest::addColumn<QString>("from"); // the caret at the start of the first paragraph or cell holding it
        QTest::addColumn<int>("offset");   // into it; -1: where the caret stands right of the second column's left edge
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("presses");
        QTest::addColumn<QString>("to");   // the paragraph or cell the caret goes to holds it
        const int up = Qt::Key_Up;
        const int down = Qt::Key_Down;
        const QString after = QStringLiteral("after table");
        const QString before = QStringLiteral("before the table");
        const QString firstCell = QStringLiteral("lorem");
        QTest::newRow("Up from below a tall table") << true << false << after << 0 << up << 1 << QStringLiteral("下のセル");
        QTest::newRow("Up twice from below a tall table") << true << false << after << 0 << up << 2 << firstCell;
        QTest::newRow("Up from below a short table") << false << false << after << 0 << up << 1 << QStringLiteral("下のセル");
        QTest::newRow("Up from below a table through an empty paragraph")
            << false << true << after << 0 << up << 2 << QStringLiteral("下のセル");
        QTest::newRow("Down from above a table into its second column")
            << false << false << before << -1 << down << 1 << QStringLiteral("隣のセル");
        QTest::newRow("Down from above a tall table") << true << false << before << 0 << down << 1 << firstCell;
        QTest::newRow("Up out of the second column") << false << false << QStringLiteral("隣のセル") << 2 << up << 1 << before;
        QTest::newRow("Down out of the second column") << true << false << QStringLiteral("右下") << 1 << down << 1 << after;
    }

    void upAndDownGoToTheLineAtTheCaretsX()
    {
        QFETCH(bool, tall);
        QFETCH(bool, gap);
        QFETCH(QString, from);
        QFETCH(int, offset);
        QFETCH(int, key);
        QFETCH(int, presses);
        QFETCH(QString, to);
        Fixture f;
        QString words;
        while (words.size() < (tall ? 30000 : 40))
            words += QStringLiteral("lorem ipsum dolor sit amet ");
        const QString line = QStringLiteral(" and its line reaches over the second column of the table, far to its right");
        const int table = fourCells(f, QStringLiteral("before the table") + line, words.left(tall ? 30000 : 40),
                                    (gap ? QStringLiteral("\n") : QString()) + QStringLiteral("after table") + line);
        // Borders and room in the cells, as a table pasted from a browser has: a cell's lines begin right of
        // the text above and below the table.
        QTextTable *grid = SamplePage::firstTable(f.edit.document());
        QTextTableFormat format = grid->format();
        format.setBorder(1);
        format.setCellPadding(6);
        grid->setFormat(format);
        const QString text = f.edit.text();
        int caret = int(text.indexOf(from));
        if (offset == -1) { // right of the second column's left edge
            const double edge = f.caretOnScreen(f.edit.cellStart(table, 1, 2) - 1).left();
            while (f.caretOnScreen(caret).left() < edge + 20)
                ++caret;
        } else {
            caret += offset;
        }
        const double x = f.caretOnScreen(caret).left();
        for (int i = 0; i < presses; ++i)
            QTest::keyClick(f.view.viewport(), Qt::Key(key));
        const QTextCursor now = f.view.mainItem()->textCursor();
        const QTextTableCell cell = now.currentTable() ? grid->cellAt(now.position()) : QTextTableCell();
        const QString reached = cell.isValid() ? f.edit.cellText(table, cell.row() + 1, cell.column() + 1) : now.block().text();
        QVERIFY2(reached.startsWith(to), qPrintable(reached.left(30)));
        // The line right above or below the one the caret left.
        const QTextLayout *layout = now.block().layout();
        const int lineNumber = layout->lineForTextPosition(now.position() - now.block().position()).lineNumber();
        QCOMPARE(lineNumber, key == Qt::Key_Up ? layout->lineCount() - 1 : 0);
        const double atX = f.view.mapFromScene(f.view.mainItem()->caretRect().topLeft()).x();
        QVERIFY2(qAbs(atX - x) < 12, qPrintable(QStringLiteral("x %1, was %2").arg(atX).arg(x)));
        // The other key as often brings the caret back where it began.
        for (int i = 0; i < presses; ++i)
            QTest::keyClick(f.view.viewport(), key == Qt::Key_Up ? Qt::Key_Down : Qt::Key_Up);
        QCOMPARE(f.view.mainItem()->textCursor().position(), caret);
    }


    // Shift+PageUp and Shift+PageDown whose way crosses a table's or a cell's edge, where Qt's
    // selection takes the table or the cells whole: the caret stands on the screen, and all that the
    // key added to the selection was on the screen before it or is after it, however long a cell or
    // tall a table; a letter typed then replaces the selection alone. Where the table is shown whole
    // the selection takes it and reaches a screen on; a caret out of sight is shown first.
    void shiftPageKeysSelectOnlyWhatWasShown_data()
    {
        QTest::addColumn<QString>("page"); // "long cell" (30,000 characters in the first), "short table", "tall table" (80 rows), "nested"
        QTest::addColumn<QString>("from"); // the caret at the start of the paragraph or cell holding it
        QTest::addColumn<int>("offset");   // into it; -300: that far before the long cell's end
        QTest::addColumn<QString>("keys"); // D PageDown, u Shift+PageUp, d Shift+PageDown (the last one checked), s the view scrolled to the top
        QTest::addColumn<bool>("reaches"); // the caret moves half a screen at least
        const QString lorem = QStringLiteral("lorem");
        const QString above = QStringLiteral("before the table"); // PageDown from there goes into the long cell
        QTest::newRow("up out of a long cell") << QStringLiteral("long cell") << above << 0 << QStringLiteral("Du") << true;
        QTest::newRow("down into a long cell from the line above")
            << QStringLiteral("long cell") << above << 0 << QStringLiteral("d") << false;
        QTest::newRow("up into a long cell from below") << QStringLiteral("long cell") << QStringLiteral("after table") << 0 << QStringLiteral("u") << false;
        QTest::newRow("down out of a long cell into the next row") << QStringLiteral("long cell") << lorem << -300 << QStringLiteral("d") << false;
        QTest::newRow("twice up out of a long cell") << QStringLiteral("long cell") << above << 0 << QStringLiteral("Duu") << false;
        QTest::newRow("up over a short table") << QStringLiteral("short table") << QStringLiteral("after table") << 0 << QStringLiteral("u") << true;
        QTest::newRow("down over a short table") << QStringLiteral("short table") << QStringLiteral("before the table") << 0 << QStringLiteral("d") << true;
        QTest::newRow("up from a caret the view does not show")
            << QStringLiteral("short table") << QStringLiteral("段落 20 below") << 0 << QStringLiteral("su") << false;
        QTest::newRow("down into a tall table of short cells")
            << QStringLiteral("tall table") << QStringLiteral("before the table") << 0 << QStringLiteral("d") << false;
        QTest::newRow("up into a tall table of short cells") << QStringLiteral("tall table") << QStringLiteral("after table") << 0 << QStringLiteral("u") << false;
        QTest::newRow("down in a tall table of short cells") << QStringLiteral("tall table") << QStringLiteral("r20c1") << 0 << QStringLiteral("d") << true;
        QTest::newRow("up out of a long cell of a table in a cell") << QStringLiteral("nested") << lorem << 2200 << QStringLiteral("u") << true;
        QTest::newRow("down out of a long cell of a table in a cell") << QStringLiteral("nested") << lorem << -300 << QStringLiteral("d") << false;
    }

    void shiftPageKeysSelectOnlyWhatWasShown()
    {
        QFETCH(QString, page);
        QFETCH(QString, from);
        QFETCH(int, offset);
        QFETCH(QString, keys);
        QFETCH(bool, reaches);
        Fixture f;
        QString words;
        while (words.size() < 30000)
            words += QStringLiteral("lorem ipsum dolor sit amet ");
        words.truncate(30000);
        if (page == QLatin1String("long cell")) {
            tableAmongParagraphs(f, 2, words);
        } else if (page == QLatin1String("short table")) {
            tableAmongParagraphs(f, 2, QStringLiteral("a short first cell"));
        } else if (page == QLatin1String("tall table")) {
            tableAmongParagraphs(f, 80);
        } else { // a table of two rows in the first cell of another, the long cell its first
            const int outer = tableAmongParagraphs(f, 2, QStringLiteral("outer"));
            f.edit.select(f.edit.cellStart(outer, 1, 1) - 1 + 5, 0);
            const int inner = f.edit.insertTable(2, 1);
            f.edit.setCellText(inner, 1, 1, words);
            f.edit.setCellText(inner, 2, 1, QStringLiteral("inner below"));
        }
        f.view.refresh();
        const QString text = f.edit.text();
        int caret = int(text.indexOf(from));
        QVERIFY(caret >= 0);
        caret += offset >= 0 ? offset : int(words.size()) + offset;
        f.caretOnScreen(caret);
        const double screen = f.view.mapToScene(f.view.viewport()->rect()).boundingRect().height();
        for (int i = 0; i < keys.size() - 1; ++i) {
            if (keys.at(i) == u's')
                f.view.verticalScrollBar()->setValue(f.view.verticalScrollBar()->minimum());
            else
                QTest::keyClick(f.view.viewport(), keys.at(i) == u'D' ? Qt::Key_PageDown : Qt::Key_PageUp,
                                keys.at(i).isUpper() ? Qt::NoModifier : Qt::ShiftModifier);
        }
        const QTextCursor before = f.view.mainItem()->textCursor();
        const auto was = ShownSelection::shown(f.view);
        const double top = f.view.mainItem()->caretRect().top();
        QTest::keyClick(f.view.viewport(), keys.back() == u'd' ? Qt::Key_PageDown : Qt::Key_PageUp, Qt::ShiftModifier);
        const QString unseen = ShownSelection::unseen(f.view, before, was);
        QVERIFY2(unseen.isEmpty(), qPrintable(unseen));
        const double moved = qAbs(f.view.mainItem()->caretRect().top() - top);
        if (reaches)
            QVERIFY2(moved > screen / 2, qPrintable(QStringLiteral("%1 of %2").arg(moved).arg(screen)));
        if (f.view.mainItem()->textCursor().hasComplexSelection())
            return;
        const int start = f.edit.selStart();
        const int length = f.edit.selLength();
        QTest::keyClicks(f.view.viewport(), QStringLiteral("Z"));
        QCOMPARE(f.edit.text(), text.left(start) + QStringLiteral("Z") + text.mid(start + length));
    }

    // Up and Down through merged cells keep the caret's x from press to press: into a cell over two
    // columns at the x the caret had, and out of it into the cell under that x; down and up, over
    // columns and over rows.
    void upAndDownKeepTheirXThroughMergedCells_data()
    {
        QTest::addColumn<bool>("overRows"); // the first column's first two rows merged; else the second row's two cells
        QTest::addColumn<int>("row");       // the caret in that cell, 1-based,
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("offset");    // that many letters in
        QTest::addColumn<int>("key");
        QTest::addColumn<QStringList>("through"); // the start of the cell or paragraph reached at each press
        const int up = Qt::Key_Up;
        const int down = Qt::Key_Down;
        const QString merged = QStringLiteral("merged");
        QTest::newRow("down through a cell over two columns") << false << 1 << 2 << 8 << down
                                                              << QStringList{merged, QStringLiteral("right bottom"), QStringLiteral("after table")};
        QTest::newRow("up through a cell over two columns") << false << 3 << 2 << 8 << up
                                                            << QStringList{merged, QStringLiteral("right top"), QStringLiteral("before the table")};
        QTest::newRow("up into a cell over two rows") << true << 3 << 1 << 6 << up << QStringList{merged, QStringLiteral("before the table")};
        QTest::newRow("down beside a cell over two rows") << true << 1 << 2 << 8 << down
                                                          << QStringList{QStringLiteral("right middle"), QStringLiteral("right bottom"), QStringLiteral("after table")};
        QTest::newRow("down out of a cell over two rows") << true << 1 << 1 << 6 << down
                                                          << QStringList{QStringLiteral("left bottom"), QStringLiteral("after table")};
    }

    void upAndDownKeepTheirXThroughMergedCells()
    {
        QFETCH(bool, overRows);
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(int, offset);
        QFETCH(int, key);
        QFETCH(QStringList, through);
        Fixture f;
        const QString line = QStringLiteral(" and its line reaches over the second column of the table");
        f.edit.setText(QStringLiteral("before the table") + line);
        f.edit.select(f.edit.textLength(), 0);
        // Columns of 267 and 133 px: the lines above and below reach past the second one.
        const int table = f.edit.insertTable(3, 2);
        f.edit.setColumnWidth(table, 1, 4000);
        f.edit.setColumnWidth(table, 2, 2000);
        f.edit.select(f.edit.textLength(), 0);
        f.edit.setSelectedText(QStringLiteral("after table") + line);
        f.edit.setCellText(table, 1, 1, QStringLiteral("left top"));
        f.edit.setCellText(table, 1, 2, QStringLiteral("right top cell"));
        f.edit.setCellText(table, 3, 1, QStringLiteral("left bottom"));
        f.edit.setCellText(table, 3, 2, QStringLiteral("right bottom cell"));
        if (overRows) {
            f.edit.setCellText(table, 2, 2, QStringLiteral("right middle cell"));
            QVERIFY(f.edit.mergeCells(table, 1, 1, 2, 1));
        } else {
            QVERIFY(f.edit.mergeCells(table, 2, 1, 1, 2));
        }
        fillOneLine(f, table, overRows ? 1 : 2, 1);
        f.view.refresh();
        const int caret = f.edit.cellStart(table, row, column) - 1 + offset;
        const double x = f.caretOnScreen(caret).left();
        for (const QString &to : through) {
            QTest::keyClick(f.view.viewport(), Qt::Key(key));
            const QTextCursor now = f.view.mainItem()->textCursor();
            QTextTable *grid = now.currentTable();
            const QTextTableCell cell = grid ? grid->cellAt(now.position()) : QTextTableCell();
            const QString reached = grid ? f.edit.cellText(table, cell.row() + 1, cell.column() + 1) : now.block().text();
            QVERIFY2(reached.startsWith(to), qPrintable(QStringLiteral("%1 for %2").arg(reached.left(30), to)));
            const double atX = f.view.mapFromScene(f.view.mainItem()->caretRect().topLeft()).x();
            QVERIFY2(qAbs(atX - x) < 12, qPrintable(QStringLiteral("in %1: x %2, was %3").arg(to).arg(atX).arg(x)));
        }
    }

private:
    // Darkness summed over the top `height` rows.
    static double ink(const QImage &image, int height)
    {
        double sum = 0;
        for (int y = 0; y < qMin(height, image.height()); ++y)
            for (int x = 0; x < image.width(); ++x)
                sum += 255 - qGray(image.pixel(x, y));
        return sum;
    }
    static int darkPixels(const QImage &image, const QRect &area)
    {
        int count = 0;
        const QRect clipped = area.intersected(image.rect());
        for (int y = clipped.top(); y <= clipped.bottom(); ++y)
            for (int x = clipped.left(); x <= clipped.right(); ++x)
                if (qGray(image.pixel(x, y)) < 200)
                    ++count;
        return count;
    }
};

QTEST_MAIN(TestRichView)
#include "tst_richview_view.moc"

#include "platform/richtext/PageCodec.h"
#include "platform/richtext/PageDecoder.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/PageStream.h"
#include "platform/richtext/TextProps.h"
#include "support/SamplePage.h"
#include "support/TestImages.h"

#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextImageFormat>
#include <QTextList>
#include <QTextTable>
#include <QtTest>

using namespace TextProps;

namespace {

// Counts how often the layout asks for the size of a picture: each time it lays out the picture's line.
class SizeCounter : public QObject, public QTextObjectInterface
{
    Q_OBJECT
    Q_INTERFACES(QTextObjectInterface)
public:
    int count = 0;
    QSizeF intrinsicSize(QTextDocument *, int, const QTextFormat &) override
    {
        ++count;
        return QSizeF(8, 8);
    }
    void drawObject(QPainter *, const QRectF &, QTextDocument *, int, const QTextFormat &) override {}
};

struct Run {
    QString text;
    QMap<int, QVariant> properties;
    bool operator==(const Run &) const = default;
};

// Every fragment of a document in order, with its properties (object indices differ by document).
QList<Run> runs(const QTextDocument *doc)
{
    QList<Run> out;
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        QMap<int, QVariant> blockProps = block.blockFormat().properties();
        blockProps.remove(QTextFormat::ObjectIndex);
        out.append({QStringLiteral("<block>"), blockProps});
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            QMap<int, QVariant> props = it.fragment().charFormat().properties();
            props.remove(QTextFormat::ObjectIndex);
            out.append({it.fragment().text(), props});
        }
    }
    return out;
}

// A numbered list of `items` items after a paragraph, a paragraph, and a bulleted list of three.
void fillLists(PageDocument &page, int items)
{
    QTextCursor cursor(page.main());
    cursor.insertText(QStringLiteral("before"));
    QTextListFormat numbered;
    numbered.setStyle(QTextListFormat::ListDecimal);
    cursor.insertBlock();
    cursor.createList(numbered);
    for (int i = 1; i <= items; ++i) {
        if (i > 1)
            cursor.insertBlock();
        cursor.insertText(QStringLiteral("item %1").arg(i));
    }
    cursor.insertBlock(QTextBlockFormat());
    cursor.insertText(QStringLiteral("between"));
    QTextListFormat bullets;
    bullets.setStyle(QTextListFormat::ListDisc);
    cursor.insertBlock();
    cursor.createList(bullets);
    cursor.insertText(QStringLiteral("a"));
    cursor.insertBlock();
    cursor.insertText(QStringLiteral("b"));
}

// Each list of the document by its first item's text: its items' texts with their marks, in order.
QMap<QString, QStringList> listsOf(const QTextDocument *doc)
{
    QMap<QString, QStringList> lists;
    QSet<QTextList *> seen;
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        QTextList *list = block.textList();
        if (!list || seen.contains(list))
            continue;
        seen.insert(list);
        QStringList items;
        for (int i = 0; i < list->count(); ++i)
            items << list->itemText(list->item(i)) + list->item(i).text();
        lists.insert(items.value(0), items);
    }
    return lists;
}

bool anyBlockHas(const QTextDocument *doc, int property)
{
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        if (block.blockFormat().hasProperty(property))
            return true;
    }
    return false;
}

QByteArray sampleBytes()
{
    PageDocument page;
    SamplePage::fillEveryConstruct(page);
    return PageCodec::save(page);
}

} // namespace

using SamplePage::firstTable;
using SamplePage::formatOfObject;

class TestRichTextStream : public QObject
{
    Q_OBJECT
private slots:
    void everyConstructRoundTripsByteForByte()
    {
        PageDocument page;
        SamplePage::fillEveryConstruct(page);
        const QByteArray bytes = PageCodec::save(page);
        QVERIFY(bytes.startsWith(QByteArray(PageStream::Magic, 8)));
        PageDocument copy;
        QVERIFY(PageCodec::load(copy, bytes));
        QCOMPARE(PageCodec::save(copy), bytes);
    }

    void everyConstructReadsBackEqual()
    {
        PageDocument page;
        SamplePage::fillEveryConstruct(page);
        PageDocument copy;
        copy.setPartFlags(HeaderFirst); // replaced by the load
        QVERIFY(PageCodec::load(copy, PageCodec::save(page)));

        QCOMPARE(copy.pageSetup(), page.pageSetup());
        QCOMPARE(copy.partFlags(), HeaderAll | FooterFirst);
        QCOMPARE(copy.frameIds(), page.frameIds());
        const QList<QTextDocument *> docs = page.documents();
        const QList<QTextDocument *> copies = copy.documents();
        QCOMPARE(copies.size(), docs.size());
        for (int i = 0; i < docs.size(); ++i) {
            QCOMPARE(copies[i]->toRawText(), docs[i]->toRawText());
            QCOMPARE(runs(copies[i]), runs(docs[i]));
            QCOMPARE(SamplePage::fieldIds(copies[i]), SamplePage::fieldIds(docs[i]));
            QCOMPARE(copies[i]->rootFrame()->frameFormat().properties(),
                     docs[i]->rootFrame()->frameFormat().properties());
        }
        QCOMPARE(SamplePage::fieldIds(copy.main()).size(), 4);
        QCOMPARE(copy.part(HeaderAll)->toPlainText(), QStringLiteral("Headerpage title"));
        QCOMPARE(copy.usedPictureNames(), page.usedPictureNames());
        for (const QString &name : page.usedPictureNames()) {
            QCOMPARE(copy.pictureBytes(name), page.pictureBytes(name));
            QCOMPARE(copy.pictureFormat(name), QByteArray("png"));
        }
        // New ids never collide with the ones read.
        QVERIFY(copy.newFieldId() > SamplePage::fieldIds(copy.main()).last());
        QVERIFY(copy.newObjectId() > page.frameIds().last());
    }

    void structureComesBackWhole()
    {
        PageDocument page;
        SamplePage::fillEveryConstruct(page);
        PageDocument copy;
        QVERIFY(PageCodec::load(copy, PageCodec::save(page)));

        QTextTable *table = firstTable(copy.main());
        QVERIFY(table);
        QCOMPARE(table->rows(), 3);
        QCOMPARE(table->columns(), 3);
        QCOMPARE(table->cellAt(1, 1).row(), 0);
        QCOMPARE(table->cellAt(0, 0).rowSpan(), 2);
        QCOMPARE(table->cellAt(0, 0).columnSpan(), 2);
        QCOMPARE(table->cellAt(0, 0).format().background().color(), QColor(0xFE, 0xFE, 0xFA));
        QCOMPARE(table->cellAt(0, 0).format().property(CellAttr).toMap().value(QStringLiteral("7")),
                 QVariant(QStringLiteral("x")));
        const QList<QTextLength> widths = table->format().columnWidthConstraints();
        QCOMPARE(widths.size(), 3);
        QCOMPARE(widths[0], QTextLength(QTextLength::FixedLength, 120));
        QCOMPARE(widths[1], QTextLength(QTextLength::PercentageLength, 30));
        QCOMPARE(table->format().intProperty(ObjectId), firstTable(page.main())->format().intProperty(ObjectId));
        QVERIFY(qobject_cast<QTextTable *>(table->cellAt(2, 2).begin().currentFrame()) == nullptr);
        QCOMPARE(table->cellAt(2, 1).firstCursorPosition().block().text(), QStringLiteral("B3"));

        int lists = 0;
        int pageBreaks = 0;
        for (QTextBlock block = copy.main()->begin(); block.isValid(); block = block.next()) {
            lists += block.textList() ? 1 : 0;
            pageBreaks += block.blockFormat().pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore ? 1 : 0;
        }
        QCOMPARE(lists, 2);
        QCOMPARE(pageBreaks, 1);

        // The floating picture floats again; the inline ones do not.
        const QList<int> ids = {3, 4, 5};
        QList<bool> floats;
        for (int id : ids) {
            const QTextCharFormat format = formatOfObject(copy.main(), id);
            QVERIFY2(format.isImageFormat(), qPrintable(QString::number(id)));
            auto *frame = qobject_cast<QTextFrame *>(copy.main()->objectForFormat(format));
            floats.append(frame && frame->frameFormat().position() != QTextFrameFormat::InFlow);
        }
        QCOMPARE(floats, (QList<bool>{false, true, false}));
        // The frame text is there under the anchor's id.
        const int frameId = page.frameIds().first();
        QCOMPARE(formatOfObject(copy.main(), frameId).objectType(), int(TextFrameObject));
        QVERIFY(copy.frameDocument(frameId)->toPlainText().startsWith(QStringLiteral("[Iframe:1]")));
    }

    // The loader leaves a cell's format alone where Qt made the cell with it already: every cell of a
    // table comes back with its own, plain cells between shaded ones and merged ones too.
    void everyCellKeepsItsFormat()
    {
        PageDocument page;
        QTextTable *table = QTextCursor(page.main()).insertTable(4, 5);
        table->mergeCells(0, 1, 2, 2);
        table->mergeCells(2, 4, 2, 1);
        auto shade = [table](int row, int column, QColor colour, bool top = false) {
            QTextTableCell cell = table->cellAt(row, column);
            QTextCharFormat format = cell.format();
            format.setBackground(colour);
            if (top)
                format.setVerticalAlignment(QTextCharFormat::AlignTop);
            cell.setFormat(format);
        };
        shade(0, 1, Qt::yellow);
        shade(1, 0, Qt::cyan, true);
        shade(2, 4, Qt::green);
        shade(3, 3, Qt::cyan);
        PageDocument copy;
        QVERIFY(PageCodec::load(copy, PageCodec::save(page)));
        QTextTable *back = firstTable(copy.main());
        QVERIFY(back);
        auto properties = [](const QTextTableCell &cell) {
            QMap<int, QVariant> p = cell.format().properties();
            p.remove(QTextFormat::ObjectIndex);
            // Qt writes a span of 1 into a format given to a cell, and leaves it out of a new cell's.
            for (int span : {int(QTextFormat::TableCellRowSpan), int(QTextFormat::TableCellColumnSpan)}) {
                if (p.value(span, 1).toInt() == 1)
                    p.remove(span);
            }
            return p;
        };
        for (int r = 0; r < 4; ++r) {
            for (int c = 0; c < 5; ++c) {
                const QString place = QStringLiteral("%1,%2").arg(r).arg(c);
                QCOMPARE(back->cellAt(r, c).row(), table->cellAt(r, c).row());
                QVERIFY2(properties(back->cellAt(r, c)) == properties(table->cellAt(r, c)), qPrintable(place));
            }
        }
        QCOMPARE(back->cellAt(1, 0).format().background().color(), QColor(Qt::cyan));
    }

    // A page loaded for the view is laid out once, though the view asks for the page count as soon as
    // the size changes: laying the page out after its load as a whole made Qt lay a long table out twice.
    void aLoadedPageIsLaidOutOnce()
    {
        PageDocument source(PageDocument::WithoutLayout);
        QTextCursor cursor(source.main());
        QTextTable *table = cursor.insertTable(150, 2);
        for (int r = 0; r < 150; ++r)
            for (int c = 0; c < 2; ++c)
                table->cellAt(r, c).firstCursorPosition().insertText(QStringLiteral("cell %1,%2").arg(r).arg(c));
        QTextImageFormat picture;
        picture.setName(source.addPicture(TestImages::bytes()));
        picture.setProperty(ObjectId, source.newObjectId());
        QTextCursor inCell = table->cellAt(0, 0).firstCursorPosition();
        PageDocument::insertPicture(inCell, picture);
        const QByteArray bytes = PageCodec::save(source);

        PageDocument page;
        QTextDocument *doc = page.main();
        SizeCounter counter;
        doc->documentLayout()->registerHandler(QTextFormat::ImageObject, &counter);
        connect(doc->documentLayout(), &QAbstractTextDocumentLayout::documentSizeChanged, doc, [doc] { doc->pageCount(); });
        QVERIFY(PageCodec::load(page, bytes));
        QVERIFY(doc->pageCount() > 1);
        const int loaded = counter.count;
        counter.count = 0;
        doc->markContentsDirty(0, doc->characterCount());
        doc->pageCount();
        QVERIFY(counter.count > 0);
        QCOMPARE(loaded, counter.count);
    }

    void loadedPageHasNoUndoAndIsUnmodified()
    {
        PageDocument copy;
        QTextCursor(copy.main()).insertText(QStringLiteral("old text"));
        QVERIFY(PageCodec::load(copy, sampleBytes()));
        for (QTextDocument *doc : copy.documents()) {
            QCOMPARE(doc->availableUndoSteps(), 0);
            QVERIFY(!doc->isModified());
            QVERIFY(doc->isUndoRedoEnabled());
        }
        QVERIFY(!copy.main()->toPlainText().contains(QStringLiteral("old text")));
    }

    void failedLoadLeavesThePageAlone_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray good = sampleBytes();
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("truncated") << good.left(good.size() - 1);
        QTest::newRow("text") << QByteArray("{\\rtf1 hello}");
        QByteArray trailing = good;
        QTest::newRow("bytes after the end") << trailing.append('x');
        QByteArray tooNew = good;
        tooNew[10] = 2; // oldest reader version 2
        QTest::newRow("too new") << tooNew;
    }
    void failedLoadLeavesThePageAlone()
    {
        QFETCH(QByteArray, bytes);
        PageDocument page;
        QTextCursor(page.main()).insertText(QStringLiteral("keep me"));
        page.ensurePart(FooterAll);
        PageSetup setup;
        setup.width = 9999;
        page.setPageSetup(setup);
        QVERIFY(!PageCodec::load(page, bytes));
        QCOMPARE(page.main()->toPlainText(), QStringLiteral("keep me"));
        QCOMPARE(page.partFlags(), int(FooterAll));
        QCOMPARE(page.pageSetup().width, 9999);
    }

    void newerWritersSectionsAreSkipped()
    {
        QByteArray bytes = sampleBytes();
        bytes[8] = 7; // written by version 7, readable by version 1
        // A section of an unknown kind before the end.
        const QByteArray unknown = QByteArray("ZZZZ") + char(3) + QByteArray("abc");
        bytes.insert(bytes.size() - 5, unknown);
        PageDocument page;
        QVERIFY(PageCodec::load(page, bytes));
        QCOMPARE(PageCodec::save(page), sampleBytes());
    }

    void repeatedIdsAreMadeUnique()
    {
        // Two separate runs and two pictures that claim the same ids, and a second anchor of one frame.
        PageDocument page;
        QTextCursor cursor(page.main());
        QTextCharFormat field;
        field.setProperty(FieldId, 5);
        cursor.insertText(QStringLiteral("one"), field);
        cursor.insertText(QStringLiteral(" gap "), QTextCharFormat());
        cursor.insertText(QStringLiteral("two"), field);
        QTextImageFormat picture;
        picture.setName(page.addPicture(TestImages::bytes("PNG", Qt::green, 4, 4)));
        picture.setProperty(ObjectId, 9);
        PageDocument::insertPicture(cursor, picture);
        PageDocument::insertPicture(cursor, picture);
        const int frame = page.frameIdOf(page.createFrameDocument());
        QTextCursor(page.frameDocument(frame)).insertText(QStringLiteral("frame"));
        QTextCharFormat anchor;
        anchor.setObjectType(TextFrameObject);
        anchor.setProperty(ObjectId, frame);
        cursor.insertText(QString(QChar::ObjectReplacementCharacter), anchor);
        cursor.insertText(QString(QChar::ObjectReplacementCharacter), anchor);

        PageDocument copy;
        QVERIFY(PageCodec::load(copy, PageCodec::save(page)));
        const QList<int> fields = SamplePage::fieldIds(copy.main());
        QCOMPARE(fields.size(), 2);
        QCOMPARE(fields.first(), 5);
        QVERIFY(fields.last() != 5);
        QSet<int> objects;
        const QString text = copy.main()->toPlainText();
        for (int pos = 0; pos < text.size(); ++pos) {
            if (text[pos] != QChar::ObjectReplacementCharacter)
                continue;
            QTextCursor c(copy.main());
            c.setPosition(pos + 1);
            objects.insert(c.charFormat().intProperty(ObjectId));
        }
        QCOMPARE(objects.size(), 4);
        QCOMPARE(copy.frameIds().size(), 2);
        QVERIFY(objects.contains(frame));
        for (int id : copy.frameIds())
            QVERIFY(objects.contains(id));
    }

    void insertAtSelectionKeepsFieldsApart()
    {
        PageDocument target;
        QTextCursor cursor(target.main());
        QTextCharFormat field;
        field.setProperty(FieldId, target.newFieldId());
        field.setProperty(FieldData, QStringLiteral("TG_1"));
        cursor.insertText(QStringLiteral("own field"), field);
        cursor.insertText(QStringLiteral(" before [replace me] after"), QTextCharFormat());
        const QString before = target.main()->toPlainText();
        const int at = int(before.indexOf(QLatin1Char('[')));
        cursor.setPosition(at);
        cursor.setPosition(at + 12, QTextCursor::KeepAnchor);
        const int undoSteps = target.main()->availableUndoSteps();

        const QByteArray bytes = sampleBytes();
        QVERIFY(PageCodec::loadBytes(target, cursor, bytes, PageCodec::PageStream, true));

        const QString text = target.main()->toPlainText();
        QVERIFY(text.startsWith(QStringLiteral("own field before 見出し")));
        QVERIFY(text.endsWith(QStringLiteral(" end after")));
        QVERIFY(!text.contains(QStringLiteral("replace me")));
        const QList<int> ids = SamplePage::fieldIds(target.main());
        QCOMPARE(ids.size(), 5);
        QCOMPARE(QSet<int>(ids.cbegin(), ids.cend()).size(), 5);
        QCOMPARE(ids.first(), 1);
        // The page's own parts and setup stay; pictures and the frame text came along.
        QCOMPARE(target.partFlags(), 0);
        QCOMPARE(target.pageSetup(), PageSetup());
        QCOMPARE(target.usedPictureNames().size(), 2);
        QCOMPARE(target.frameIds().size(), 1);
        QVERIFY(target.frameDocument(target.frameIds().first())->toPlainText().startsWith(QStringLiteral("[Iframe:1]")));
        QVERIFY(firstTable(target.main()));
        // Inserting the same bytes again gives new ids once more.
        QTextCursor end(target.main());
        end.movePosition(QTextCursor::End);
        QVERIFY(PageCodec::insert(target, end, bytes));
        QCOMPARE(SamplePage::fieldIds(target.main()).size(), 9);
        const QList<int> all = SamplePage::fieldIds(target.main());
        QCOMPARE(QSet<int>(all.cbegin(), all.cend()).size(), 9);
        QCOMPARE(target.frameIds().size(), 2);
        // One undo step per insert.
        target.main()->undo();
        target.main()->undo();
        QCOMPARE(target.main()->toPlainText(), before);
        QCOMPARE(target.main()->availableUndoSteps(), undoSteps);
    }

    void damagedBytesInsertNothing()
    {
        PageDocument target;
        QTextCursor cursor(target.main());
        cursor.insertText(QStringLiteral("text"));
        const int undoSteps = target.main()->availableUndoSteps();
        QVERIFY(!PageCodec::insert(target, cursor, sampleBytes().chopped(3)));
        QVERIFY(!PageCodec::loadBytes(target, cursor, sampleBytes(), 5, true));
        QCOMPARE(target.main()->toPlainText(), QStringLiteral("text"));
        QCOMPARE(target.main()->availableUndoSteps(), undoSteps);
    }

    void memberFormatsAndFiles()
    {
        PageDocument page;
        SamplePage::fillEveryConstruct(page);
        QCOMPARE(PageCodec::saveBytes(page, 9), PageCodec::saveBytes(page, 3));
        QVERIFY(PageCodec::saveBytes(page, 5).isEmpty());

        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("page.bin"));
        QVERIFY(PageCodec::saveFile(page, path));
        PageDocument copy;
        QVERIFY(PageCodec::loadFile(copy, path));
        QCOMPARE(PageCodec::save(copy), PageCodec::save(page));
        QVERIFY(!PageCodec::loadFile(copy, dir.filePath(QStringLiteral("missing.bin"))));

        // A path that cannot be written fails and leaves the file that is there as it was.
        PageDocument other;
        QVERIFY(!PageCodec::saveFile(other, path + QStringLiteral("/below")));
        QVERIFY(!PageCodec::saveFile(other, dir.filePath(QStringLiteral("no/such/folder.bin"))));
        QVERIFY(PageCodec::loadFile(copy, path));
        QCOMPARE(PageCodec::save(copy), PageCodec::save(page));
    }

    // A length beyond any layout (as pasted from a web page) is left out of the bytes, not the page.
    void lengthsBeyondAnyLayoutAreLeftOut()
    {
        PageDocument page;
        QTextCursor c(page.main());
        QTextCharFormat huge;
        huge.setFontPointSize(1e9);
        QTextBlockFormat far;
        far.setLeftMargin(-1e12);
        far.setTopMargin(12);
        c.setBlockFormat(far);
        c.insertText(QStringLiteral("text"), huge);
        QTextImageFormat picture;
        picture.setWidth(std::numeric_limits<double>::infinity());
        picture.setName(QStringLiteral("nowhere"));
        c.insertImage(picture);
        const QByteArray bytes = PageCodec::save(page);
        QVERIFY(!bytes.isEmpty());
        PageDocument copy;
        QVERIFY(PageCodec::load(copy, bytes));
        QCOMPARE(copy.main()->toPlainText(), page.main()->toPlainText());
        QTextCursor back(copy.main());
        back.movePosition(QTextCursor::NextCharacter);
        QVERIFY(!back.charFormat().hasProperty(QTextFormat::FontPointSize));
        QVERIFY(!back.blockFormat().hasProperty(QTextFormat::BlockLeftMargin));
        QCOMPARE(back.blockFormat().topMargin(), 12.0);
    }

    // A long list comes back whole, read as a page and inserted at the caret: one list, its items in
    // order with their numbers, and nothing of the way it was copied left in the page.
    void listsComeBackWhole()
    {
        PageDocument page;
        fillLists(page, 300);
        const QMap<QString, QStringList> lists = listsOf(page.main());
        QCOMPARE(lists.size(), 2);
        QCOMPARE(lists.value(QStringLiteral("1.item 1")).size(), 300);
        QCOMPARE(lists.value(QStringLiteral("1.item 1")).last(), QStringLiteral("300.item 300"));
        const QByteArray bytes = PageCodec::save(page);
        PageDocument loaded;
        QVERIFY(PageCodec::load(loaded, bytes));
        QCOMPARE(listsOf(loaded.main()), lists);
        QCOMPARE(PageCodec::save(loaded), bytes);
        PageDocument target;
        QTextCursor cursor(target.main());
        cursor.insertText(QStringLiteral("start"));
        cursor.insertBlock();
        cursor.insertBlock();
        cursor.insertText(QStringLiteral("end"));
        cursor.movePosition(QTextCursor::PreviousBlock);
        QVERIFY(PageCodec::insert(target, cursor, bytes));
        QCOMPARE(listsOf(target.main()), lists);
        QVERIFY(!anyBlockHas(target.main(), CopiedList));
        QVERIFY(target.main()->toPlainText().startsWith(QStringLiteral("start\nbefore\nitem 1\n")));
        QVERIFY(target.main()->toPlainText().endsWith(QStringLiteral("\nb\nend")));
    }

    // An item added after the last one moves no other item's number: only its own line is laid out
    // again, not the whole list (a keystroke at the end of a list of thousands of items).
    void anItemAfterTheLastChangesOnlyItself()
    {
        PageDocument page;
        fillLists(page, 200);
        QTextCursor cursor = page.main()->find(QStringLiteral("item 200"));
        QVERIFY(!cursor.isNull());
        const int lastItem = cursor.block().position();
        cursor.movePosition(QTextCursor::EndOfBlock);
        int from = -1;
        connect(page.main(), &QTextDocument::contentsChange, this, [&from](int position, int, int) { from = position; });
        cursor.insertBlock();
        QCOMPARE(cursor.block().textList()->count(), 201);
        QVERIFY2(from >= lastItem, qPrintable(QString::number(from)));
        from = -1;
        cursor.deletePreviousChar();
        QCOMPARE(cursor.block().textList()->count(), 200);
        QVERIFY2(from >= lastItem, qPrintable(QString::number(from)));
        QCOMPARE(listsOf(page.main()).value(QStringLiteral("1.item 1")).last(), QStringLiteral("200.item 200"));
    }

    // A paragraph stored with the mark of a line held as a block (crafted bytes only) is read as the
    // paragraph it is stored as: saved again it is not joined to the one before, and load, save, load
    // gives the same page.
    void storedParagraphsStayParagraphs_data()
    {
        QTest::addColumn<int>("variant");
        QTest::addColumn<int>("part");
        QTest::addColumn<int>("paragraphs"); // of the part, -1 not counted
        const int parts[] = {MainPart, MainPart, MainPart, MainPart, HeaderAll};
        const int paragraphs[] = {2, -1, 3, 2, 2};
        static_assert(std::size(parts) == SamplePage::MarkedLineVariants);
        for (int i = 0; i < SamplePage::MarkedLineVariants; ++i)
            QTest::addRow("variant %d", i) << i << parts[i] << paragraphs[i];
    }

    void storedParagraphsStayParagraphs()
    {
        QFETCH(int, variant);
        QFETCH(int, part);
        QFETCH(int, paragraphs);
        const QByteArray crafted = SamplePage::markedLineStream(variant);
        PageImage::Page image;
        QVERIFY(PageDecoder::decode(crafted, image));
        bool marked = false;
        for (const QTextFormat &format : image.formats)
            marked = marked || format.hasProperty(LineBreakBlock);
        QVERIFY(marked);
        PageDocument page;
        QVERIFY(PageCodec::load(page, crafted));
        if (paragraphs >= 0)
            QCOMPARE(page.part(part)->blockCount(), paragraphs);
        const QByteArray saved = PageCodec::save(page);
        PageDocument again;
        QVERIFY(PageCodec::load(again, saved));
        for (int flag : {int(MainPart), int(HeaderAll)}) {
            const QTextDocument *doc = page.part(flag);
            if (!doc)
                continue;
            QVERIFY(!anyBlockHas(doc, LineBreakBlock));
            QCOMPARE(again.part(flag)->blockCount(), doc->blockCount());
        }
        QCOMPARE(PageCodec::save(again), saved);
    }

    // A page the loader would refuse is never written: stored, it could not be opened again.
    void pagesTheLoaderRefusesAreNeverWritten_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("marginLeft");
        QTest::addColumn<bool>("written");
        QTest::newRow("letter") << 12240 << 850 << true;
        QTest::newRow("200 inches") << 288000 << 850 << true;
        QTest::newRow("wider") << 288001 << 850 << false;
        QTest::newRow("3527336 cm") << 1999999512 << 850 << false;
        QTest::newRow("no width") << 0 << 0 << false;
        QTest::newRow("negative margin") << 12240 << -5 << false;
    }

    void pagesTheLoaderRefusesAreNeverWritten()
    {
        QFETCH(int, width);
        QFETCH(int, marginLeft);
        QFETCH(bool, written);
        PageDocument page;
        SamplePage::fillEveryConstruct(page);
        PageSetup setup = page.pageSetup();
        setup.width = width;
        setup.marginLeft = marginLeft;
        page.setPageSetup(setup);
        const QByteArray bytes = PageCodec::save(page);
        QCOMPARE(!bytes.isEmpty(), written);
        QCOMPARE(PageCodec::saveBytes(page, 9).isEmpty(), !written);
        QTemporaryDir dir;
        QCOMPARE(PageCodec::saveFile(page, dir.filePath(QStringLiteral("page.bin"))), written);
        if (written) {
            PageDocument copy;
            QVERIFY(PageCodec::load(copy, bytes));
            QCOMPARE(copy.pageSetup().width, width);
        }
    }
};

QTEST_MAIN(TestRichTextStream)
#include "tst_richtext_stream.moc"

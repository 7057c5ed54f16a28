#include "platform/richtext/PageCodec.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/RichTextEdit.h"
#include "platform/richtext/TableOps.h"
#include "platform/richtext/TextProps.h"
#include "platform/richview/PageClipboard.h"
#include "support/ForeignFiles.h"
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

    // A copy that begins with a whole list item, pasted by another instance where no list is: the item
    // begins a paragraph of its own, and at a paragraph's start it takes that paragraph's place, no
    // empty paragraph left in front of it.
    void pastedListItemBeginsAParagraph_data()
    {
        QTest::addColumn<int>("at");
        QTest::addColumn<QString>("text");
        QTest::newRow("at a paragraph's start") << 3 << QStringLiteral("AB\none\nCD");
        QTest::newRow("inside a paragraph") << 4 << QStringLiteral("AB\nC\none\nD");
        QTest::newRow("at the page's end") << 5 << QStringLiteral("AB\nCD\none\n");
    }

    void pastedListItemBeginsAParagraph()
    {
        QFETCH(int, at);
        QFETCH(QString, text);
        PageDocument source;
        RichTextEdit from(&source);
        from.setText(QStringLiteral("one\ntwo"));
        from.select(0, 7);
        from.setListKind(3);
        from.select(0, 4); // the first item with its paragraph end
        std::unique_ptr<QMimeData> copied(PageClipboard::fromSelection(from));
        const std::unique_ptr<QMimeData> data = bytesOnly(copied.get());

        PageDocument target;
        RichTextEdit edit(&target);
        edit.setText(QStringLiteral("AB\nCD"));
        edit.select(at, 0);
        QVERIFY(PageClipboard::insert(edit, data.get()));
        QCOMPARE(edit.text(), text);
        QTextBlock item = target.main()->begin();
        while (item.isValid() && item.text() != QLatin1String("one"))
            item = item.next();
        QVERIFY(item.textList());
        QVERIFY(!target.main()->begin().textList());
        QVERIFY(edit.undo());
        QCOMPARE(edit.text(), QStringLiteral("AB\nCD"));
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

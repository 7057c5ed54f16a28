#include "platform/richtext/PageCodec.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/RichTextEdit.h"
#include "platform/richtext/TextProps.h"
#include "platform/richview/PageClipboard.h"
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
};

QTEST_MAIN(TestRichTextClipboard)
#include "tst_richtext_clipboard.moc"

#include "platform/richtext/ByteWriter.h"
#include "platform/richtext/FormatCodec.h"
#include "platform/richtext/PageCodec.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/PageStream.h"
#include "platform/richtext/TextProps.h"
#include "support/SamplePage.h"
#include "support/TestImages.h"

#include <QRandomGenerator>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFormat>
#include <QtTest>

using namespace PageStream;

namespace {

QByteArray sample()
{
    static const QByteArray bytes = [] {
        PageDocument page;
        SamplePage::fillEveryConstruct(page);
        return PageCodec::save(page);
    }();
    return bytes;
}

QByteArray header(int version = Version, int oldest = OldestReader)
{
    ByteWriter out;
    out.raw(QByteArray(Magic, sizeof Magic));
    out.u16(quint16(version));
    out.u16(quint16(oldest));
    return out.take();
}

QByteArray setupSection()
{
    ByteWriter s;
    for (int v : {12240, 15840, 850, 850, 567, 567})
        s.varInt(v);
    s.u8(0);
    ByteWriter out;
    out.section(SetupTag, s.data());
    return out.take();
}

// Formats 0 frame, 1 block, 2 char, 3 table, 4 cell.
QByteArray formatsSection()
{
    QTextTableCellFormat cell;
    ByteWriter f;
    f.varUInt(5);
    f.raw(FormatCodec::encode(QTextFrameFormat()));
    f.raw(FormatCodec::encode(QTextBlockFormat()));
    f.raw(FormatCodec::encode(QTextCharFormat()));
    f.raw(FormatCodec::encode(QTextTableFormat()));
    f.raw(FormatCodec::encode(cell));
    ByteWriter out;
    out.section(FormatsTag, f.data());
    return out.take();
}

void emptyBlock(ByteWriter &w)
{
    w.u8(1);
    w.varUInt(1); // block format
    w.varUInt(0); // no char format
    w.varUInt(0); // no list
    w.varUInt(0); // no fragments
}

// A main part whose only content is `items` (a count followed by the items).
QByteArray page(const QByteArray &items, const QByteArray &extra = QByteArray())
{
    ByteWriter part;
    part.varUInt(0);
    part.varUInt(0);
    part.varUInt(0);
    part.varUInt(0);
    part.raw(items);
    ByteWriter out;
    out.raw(header());
    out.raw(setupSection());
    out.raw(formatsSection());
    out.section(PartTag, part.data());
    out.raw(extra);
    out.section(EndTag, QByteArray());
    return out.take();
}

// Block, a table of rows x columns whose cells are written by `cells`, block.
QByteArray tablePage(int rows, int columns, const QByteArray &cells, int cellCount)
{
    ByteWriter items;
    items.varUInt(3);
    emptyBlock(items);
    items.u8(2);
    items.varUInt(3);
    items.varUInt(quint64(rows));
    items.varUInt(quint64(columns));
    items.varUInt(quint64(cellCount));
    items.raw(cells);
    emptyBlock(items);
    return page(items.data());
}

QByteArray plainCell(int rowSpan = 1, int columnSpan = 1)
{
    ByteWriter c;
    c.varUInt(quint64(rowSpan));
    c.varUInt(quint64(columnSpan));
    c.varUInt(4);
    c.varUInt(1);
    emptyBlock(c);
    return c.take();
}

QByteArray repeated(const QByteArray &one, int n)
{
    QByteArray all;
    for (int i = 0; i < n; ++i)
        all += one;
    return all;
}

QByteArray nested(int depth)
{
    // A frame inside a frame inside ..., each between two blocks.
    ByteWriter inner;
    inner.varUInt(1);
    emptyBlock(inner);
    QByteArray items = inner.take();
    for (int i = 0; i < depth; ++i) {
        ByteWriter w;
        w.varUInt(3);
        emptyBlock(w);
        w.u8(3);
        w.varUInt(0);
        w.raw(items);
        emptyBlock(w);
        items = w.take();
    }
    return page(items);
}

QByteArray zipBytes()
{
    // One stored file "a.txt" holding "hi", then the central directory and its end record.
    QByteArray zip = QByteArray::fromHex("504b0304140000000000000000000000000002000000020000000500"
                                         "0000612e74787468" "69");
    zip += QByteArray::fromHex("504b01021400140000000000000000000000020000000200000005000000"
                               "000000000000000000000000612e747874");
    zip += QByteArray::fromHex("504b0506000000000100010033000000250000000000");
    return zip;
}

// A page that loaded must be one the program can work with: it saves, loads again and saves the same,
// and its fields are runs with ids of their own.
void verifyUsable(PageDocument &page)
{
    const QByteArray again = PageCodec::save(page);
    PageDocument second;
    QVERIFY(PageCodec::load(second, again));
    QCOMPARE(PageCodec::save(second), again);
    QSet<int> seen;
    for (QTextDocument *doc : page.documents()) {
        int previous = 0;
        for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                const int id = it.fragment().charFormat().intProperty(TextProps::FieldId);
                if (id > 0 && id != previous) {
                    QVERIFY2(!seen.contains(id), "a field id used by two runs");
                    seen.insert(id);
                }
                previous = id;
            }
        }
    }
}

} // namespace

class TestRichTextStreamCorpus : public QObject
{
    Q_OBJECT
private slots:
    void foreignAndHostileBytesAreRefused_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("magic only") << QByteArray(Magic, sizeof Magic);
        QTest::newRow("zip") << zipBytes();
        QTest::newRow("rtf") << QByteArray("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 MS Mincho;}}\\f0 text\\par}");
        QTest::newRow("png") << TestImages::bytes("PNG", Qt::red, 4, 4);
        QTest::newRow("text with newline translation")
            << QByteArray(sample()).replace("\r\n", "\n");
        QTest::newRow("old version header") << header(0, 0) + QByteArray(64, '\0');
        QTest::newRow("unknown version") << header(9, 9) + sample().mid(12);
        QTest::newRow("no end section") << page(QByteArray()).chopped(5);
        QTest::newRow("no main part") << header() + setupSection() + formatsSection()
                                             + QByteArray("END ") + char(0);
        ByteWriter hugeSection;
        hugeSection.raw(header());
        hugeSection.raw(QByteArray("FMTS"));
        hugeSection.varUInt(~quint64(0) >> 1);
        QTest::newRow("huge section length") << hugeSection.take();
        ByteWriter overlong;
        overlong.raw(header());
        overlong.raw(QByteArray("FMTS"));
        overlong.raw(QByteArray(11, '\xff'));
        QTest::newRow("varint longer than 64 bits") << overlong.take();
        ByteWriter hugeCount;
        hugeCount.varUInt(0x7fffffff);
        QTest::newRow("huge item count") << page(hugeCount.data());
        ByteWriter hugeString;
        hugeString.varUInt(1);
        hugeString.u8(1);
        hugeString.varUInt(1);
        hugeString.varUInt(0);
        hugeString.varUInt(0);
        hugeString.varUInt(1);
        hugeString.varUInt(2);
        hugeString.varUInt(0x3fffffff);
        QTest::newRow("huge string length") << page(hugeString.data());
        QTest::newRow("table too large") << tablePage(10000, 1000, plainCell(), 1);
        QTest::newRow("one cell spanning a large table") << tablePage(5000, 20, plainCell(5000, 20), 1);
        QByteArray padded = tablePage(10000, 10, plainCell(10000, 10), 1);
        ByteWriter padding;
        padding.section("ZZZZ", QByteArray(20000, 'x'));
        padded.insert(padded.size() - 5, padding.data());
        QTest::newRow("large merged table padded elsewhere") << padded;
        QTest::newRow("cells overlap") << tablePage(2, 2, plainCell(2, 1) + plainCell(2, 1) + plainCell(), 3);
        QTest::newRow("cells leave a gap") << tablePage(2, 2, repeated(plainCell(), 3), 3);
        QTest::newRow("span beyond the table") << tablePage(2, 2, plainCell(3, 1) + repeated(plainCell(), 2), 3);
        QTest::newRow("nesting too deep") << nested(40);
        ByteWriter tableFirst;
        tableFirst.varUInt(1);
        tableFirst.u8(2);
        tableFirst.varUInt(3);
        tableFirst.varUInt(1);
        tableFirst.varUInt(1);
        tableFirst.varUInt(1);
        tableFirst.raw(plainCell());
        QTest::newRow("table without the blocks around it") << page(tableFirst.data());
        ByteWriter wrongKind;
        wrongKind.varUInt(1);
        wrongKind.u8(1);
        wrongKind.varUInt(2); // a char format where a block format belongs
        wrongKind.varUInt(0);
        wrongKind.varUInt(0);
        wrongKind.varUInt(0);
        QTest::newRow("format of the wrong kind") << page(wrongKind.data());
        ByteWriter badPicture;
        badPicture.string(QString());
        badPicture.bytes("png");
        badPicture.bytes("x");
        ByteWriter pictureSection;
        pictureSection.section(PictureTag, badPicture.data());
        ByteWriter items;
        items.varUInt(1);
        emptyBlock(items);
        QTest::newRow("picture without a name") << page(items.data(), pictureSection.data());
    }
    void foreignAndHostileBytesAreRefused()
    {
        QFETCH(QByteArray, bytes);
        PageDocument page;
        QVERIFY(!PageCodec::load(page, bytes));
        QVERIFY(page.main()->isEmpty());
    }

    void handMadePagesLoad()
    {
        // The corpus builders make sound pages when nothing is wrong with them.
        PageDocument doc;
        QVERIFY(PageCodec::load(doc, tablePage(2, 2, plainCell(1, 2) + repeated(plainCell(), 2), 3)));
        QVERIFY(PageCodec::load(doc, nested(10)));
        ByteWriter items;
        items.varUInt(1);
        emptyBlock(items);
        QVERIFY(PageCodec::load(doc, page(items.data())));
    }

    void everyTruncationIsRefused()
    {
        const QByteArray bytes = sample();
        for (int length = 0; length < bytes.size(); ++length) {
            PageDocument page;
            QVERIFY2(!PageCodec::load(page, bytes.left(length)), qPrintable(QString::number(length)));
        }
    }

    void bitFlipsGiveFalseOrAUsablePage()
    {
        const QByteArray bytes = sample();
        int loaded = 0;
        for (int i = 0; i < bytes.size(); ++i) {
            QByteArray damaged = bytes;
            damaged[i] = char(damaged[i] ^ (1 << (i * 5 % 8)));
            PageDocument page;
            if (PageCodec::load(page, damaged)) {
                ++loaded;
                verifyUsable(page);
                if (QTest::currentTestFailed())
                    QFAIL(qPrintable(QStringLiteral("flip at %1").arg(i)));
            }
        }
        QVERIFY(loaded > 0); // some flips only change a letter or a value
    }

    void randomEditsGiveFalseOrAUsablePage()
    {
        const QByteArray bytes = sample();
        QRandomGenerator random(20261206);
        for (int round = 0; round < 400; ++round) {
            QByteArray damaged = bytes;
            const int edits = 1 + random.bounded(6);
            for (int e = 0; e < edits && !damaged.isEmpty(); ++e) {
                const int at = random.bounded(int(damaged.size()));
                switch (random.bounded(4)) {
                case 0: damaged[at] = char(random.bounded(256)); break;
                case 1: damaged.remove(at, 1 + random.bounded(8)); break;
                case 2: damaged.insert(at, char(random.bounded(256))); break;
                default: damaged[at] = char(0xff); break;
                }
            }
            PageDocument page;
            if (PageCodec::load(page, damaged)) {
                verifyUsable(page);
                if (QTest::currentTestFailed())
                    QFAIL(qPrintable(QStringLiteral("round %1").arg(round)));
            }
        }
    }
};

QTEST_MAIN(TestRichTextStreamCorpus)
#include "tst_richtext_streamcorpus.moc"

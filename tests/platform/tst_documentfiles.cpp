// Document files of other programs as they are met in practice: nested and large tables, notes,
// lists and headings, read in Word and RTF form and written again.
#include "platform/docx/DocxReader.h"
#include "platform/docx/ZipPackage.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/TextProps.h"
#include "platform/rtf/RtfReader.h"
#include "support/SamplePage.h"

#include <QElapsedTimer>
#include <QTextBlock>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>

using namespace TextProps;

namespace {

QByteArray docx(const QByteArray &body)
{
    return ZipPackage::write(
        {{QStringLiteral("word/document.xml"),
          "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
          "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><w:body>"
              + body + "</w:body></w:document>"}});
}

QByteArray docxNested(int depth)
{
    QByteArray xml;
    for (int i = 0; i < depth; ++i)
        xml += "<w:tbl><w:tr><w:tc><w:p><w:r><w:t>L" + QByteArray::number(i) + "</w:t></w:r></w:p>";
    for (int i = 0; i < depth; ++i)
        xml += "<w:p/></w:tc></w:tr></w:tbl>";
    return docx(xml + "<w:p><w:r><w:t>end</w:t></w:r></w:p>");
}

QByteArray rtfNested(int depth)
{
    QByteArray rtf = "{\\rtf1\\ansi ";
    for (int i = 1; i <= depth; ++i)
        rtf += "\\pard\\intbl\\itap" + QByteArray::number(i) + " L" + QByteArray::number(i) + "\\par ";
    for (int i = depth; i >= 1; --i) {
        rtf += "\\pard\\intbl\\itap" + QByteArray::number(i) + (i > 1 ? "\\nestcell" : "\\cell");
        rtf += i > 1 ? QByteArray("{\\*\\nesttableprops\\trowd\\cellx2000\\nestrow}") : QByteArray("\\trowd\\cellx2000\\row");
    }
    return rtf + "\\pard end\\par}";
}

QByteArray docxTable(int rows, int columns)
{
    QByteArray xml = "<w:tbl>";
    for (int r = 0; r < rows; ++r) {
        xml += "<w:tr>";
        for (int c = 0; c < columns; ++c)
            xml += "<w:tc><w:p><w:r><w:t>" + QByteArray::number(r) + "," + QByteArray::number(c) + "</w:t></w:r></w:p></w:tc>";
        xml += "</w:tr>";
    }
    return docx(xml + "</w:tbl>");
}

QByteArray rtfTable(int rows, int columns)
{
    QByteArray rtf = "{\\rtf1\\ansi ";
    for (int r = 0; r < rows; ++r) {
        rtf += "\\trowd";
        for (int c = 1; c <= columns; ++c)
            rtf += "\\cellx" + QByteArray::number(c * 1000);
        for (int c = 0; c < columns; ++c)
            rtf += "\\pard\\intbl " + QByteArray::number(r) + "," + QByteArray::number(c) + "\\cell";
        rtf += "\\row\n";
    }
    return rtf + "}";
}

int nestingOf(QTextDocument *doc)
{
    int deepest = 0;
    QTextTable *t = SamplePage::firstTable(doc);
    while (t) {
        ++deepest;
        QTextTable *inner = nullptr;
        for (QTextFrame *child : t->cellAt(0, 0).firstCursorPosition().currentFrame()->childFrames()) {
            if ((inner = qobject_cast<QTextTable *>(child)))
                break;
        }
        t = inner;
    }
    return deepest;
}

bool readBytes(PageDocument &page, const QByteArray &bytes)
{
    return bytes.startsWith("PK") ? DocxReader::read(page, bytes) : RtfReader::read(page, bytes);
}

} // namespace

class TstDocumentFiles : public QObject
{
    Q_OBJECT
private slots:
    void nestedTablesReadInReasonableTime_data();
    void nestedTablesReadInReasonableTime();
    void largeTablesRead_data();
    void largeTablesRead();
};

void TstDocumentFiles::nestedTablesReadInReasonableTime_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("docx") << docxNested(14);
    QTest::newRow("rtf") << rtfNested(14);
}

void TstDocumentFiles::nestedTablesReadInReasonableTime()
{
    // Every level used to lay out the enclosing tables again: 14 levels took minutes. Not a benchmark,
    // a guard against the hang: seconds are plenty even in a sanitiser build.
    QFETCH(QByteArray, bytes);
    PageDocument page;
    QElapsedTimer timer;
    timer.start();
    QVERIFY(readBytes(page, bytes));
    QVERIFY2(timer.elapsed() < 10000, qPrintable(QString::number(timer.elapsed())));
    QCOMPARE(nestingOf(page.main()), 14);
    QVERIFY(page.main()->toPlainText().contains(QStringLiteral("L13")));
    QVERIFY(page.main()->toPlainText().endsWith(QStringLiteral("end")));
}

void TstDocumentFiles::largeTablesRead_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("columns");
    QTest::newRow("docx 400 rows") << docxTable(400, 6) << 400 << 6;
    QTest::newRow("rtf 400 rows") << rtfTable(400, 6) << 400 << 6;
}

void TstDocumentFiles::largeTablesRead()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, rows);
    QFETCH(int, columns);
    PageDocument page;
    QElapsedTimer timer;
    timer.start();
    QVERIFY(readBytes(page, bytes));
    QVERIFY2(timer.elapsed() < 10000, qPrintable(QString::number(timer.elapsed())));
    QTextTable *t = SamplePage::firstTable(page.main());
    QVERIFY(t);
    QCOMPARE(t->rows(), rows);
    QCOMPARE(t->columns(), columns);
    QCOMPARE(t->cellAt(rows - 1, columns - 1).firstCursorPosition().block().text(),
             QStringLiteral("%1,%2").arg(rows - 1).arg(columns - 1));
}

QTEST_MAIN(TstDocumentFiles)
#include "tst_documentfiles.moc"

// Times the page exports and the readers of other programs' documents on a page of 50 printed pages
// (headings, styled runs, a table and a picture on each page): .docx, .rtf and .pdf written, the
// .docx and .rtf read back. Optional argument: the folder to write the files to.
#include "platform/docx/DocumentFile.h"
#include "platform/docx/DocxReader.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/PageRenderer.h"
#include "platform/richtext/TextProps.h"
#include "platform/rtf/RtfReader.h"

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QImage>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextStream>
#include <QTextTable>

#include <functional>

namespace {

void fill(PageDocument &page, int pages)
{
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QBuffer png;
    png.open(QIODevice::WriteOnly);
    image.save(&png, "PNG");
    const QString picture = page.addPicture(png.data(), "png");
    QTextCursor c(page.main());
    QTextCharFormat body;
    body.setFontPointSize(10.5);
    QTextCharFormat bold = body;
    bold.setFontWeight(QFont::Bold);
    bold.setForeground(QColor(0x20, 0x40, 0x80));
    for (int p = 0; p < pages; ++p) {
        QTextBlockFormat heading;
        heading.setProperty(TextProps::BlockStyle, 0);
        if (p > 0)
            heading.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
        if (p == 0)
            c.setBlockFormat(heading);
        else
            c.insertBlock(heading);
        c.insertText(QStringLiteral("第%1章 見出し").arg(p + 1), bold);
        for (int i = 0; i < 12; ++i) {
            c.insertBlock(QTextBlockFormat());
            c.insertText(QStringLiteral("本文の段落 %1-%2。日本語と English が混じった文章を少し長めに書いておく。").arg(p + 1).arg(i + 1), body);
            c.insertText(QStringLiteral("強調"), bold);
            c.insertText(QStringLiteral(" の後に続く文。"), body);
        }
        QTextTableFormat tf;
        tf.setProperty(TextProps::ObjectId, page.newObjectId());
        QTextTable *table = c.insertTable(3, 3, tf);
        for (int r = 0; r < 3; ++r)
            for (int col = 0; col < 3; ++col)
                table->cellAt(r, col).firstCursorPosition().insertText(QStringLiteral("セル %1,%2").arg(r).arg(col), body);
        c = table->lastCursorPosition();
        c.movePosition(QTextCursor::NextBlock);
        QTextImageFormat f;
        f.setName(picture);
        f.setWidth(64);
        f.setHeight(48);
        f.setProperty(TextProps::ObjectId, page.newObjectId());
        PageDocument::insertPicture(c, f);
    }
    QTextCursor(page.ensurePart(TextProps::HeaderAll)).insertText(QStringLiteral("ヘッダー"), body);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QTemporaryDir temp;
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : temp.path();
    PageDocument page;
    fill(page, 50);
    QTextStream out(stdout);
    out << "printed pages: " << PageRenderer(page).pageCount() << "\n";

    auto time = [&out](const char *what, int target, const std::function<bool()> &work) {
        QElapsedTimer timer;
        timer.start();
        const bool ok = work();
        out << what << ": " << timer.elapsed() << " ms (target " << target << " ms)" << (ok ? "" : " FAILED") << "\n";
        out.flush();
    };
    const QString docx = folder + QStringLiteral("/bench.docx");
    const QString rtf = folder + QStringLiteral("/bench.rtf");
    const QString pdf = folder + QStringLiteral("/bench.pdf");
    time("write .docx", 50, [&] { return DocumentFile::write(page, docx, DocumentFile::Word); });
    time("write .rtf", 50, [&] { return DocumentFile::write(page, rtf, DocumentFile::Rtf); });
    time("write .pdf", 500, [&] { return DocumentFile::write(page, pdf, DocumentFile::Pdf); });
    PageDocument back;
    time("read .docx", 50, [&] { return DocxReader::readFile(back, docx); });
    time("read .rtf", 50, [&] { return RtfReader::readFile(back, rtf); });
    return 0;
}

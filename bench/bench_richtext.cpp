// Serialises and loads a 50-page document with 200 fields, 20 tables and 20 pictures, and prints the
// times and the size of the bytes next to the raw picture bytes plus text.
#include "platform/richtext/PageCodec.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/TextProps.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QTextTable>

#include <algorithm>
#include <cstdio>

using namespace TextProps;

namespace {

QByteArray picture(int seed)
{
    QImage image(240, 180, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.fillRect(image.rect(), QColor::fromHsv(seed * 17 % 360, 120, 230));
    for (int i = 0; i < 40; ++i)
        painter.drawEllipse(QPoint((i * 37 + seed * 11) % 240, (i * 53) % 180), 6 + i % 9, 4 + i % 7);
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

struct Totals {
    qint64 pictureBytes = 0;
    qint64 textBytes = 0; // UTF-16, as the text is held
};

void fill(PageDocument &page, Totals &totals)
{
    QTextCursor cursor(page.main());
    QTextBlockFormat newPage;
    newPage.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    QTextCharFormat plain;
    plain.setFontPointSize(10.5);
    QTextCharFormat bold = plain;
    bold.setFontWeight(QFont::Bold);
    int field = 0;
    for (int p = 0; p < 50; ++p) {
        if (p)
            cursor.insertBlock(newPage);
        cursor.insertText(QStringLiteral("第%1章 見出し").arg(p + 1), bold);
        for (int line = 0; line < 30; ++line) {
            cursor.insertBlock(QTextBlockFormat());
            const QString text = QStringLiteral("本文の行 %1-%2: これはベンチマーク用の文章です。The quick brown fox. ")
                                     .arg(p).arg(line);
            cursor.insertText(text, plain);
            totals.textBytes += text.size() * 2;
            if (line % 8 == 0 && field < 200) {
                for (int f = 0; f < 2 && field < 200; ++f, ++field) {
                    QTextCharFormat fmt = plain;
                    fmt.setProperty(FieldId, page.newFieldId());
                    fmt.setProperty(FieldType, 1 + field % 2);
                    fmt.setProperty(FieldData, QStringLiteral("TG_%1_%2").arg(p).arg(field));
                    fmt.setForeground(QColor(128, 128, 255));
                    const QString text = QStringLiteral("リンク%1").arg(field);
                    cursor.insertText(text, fmt);
                    cursor.insertText(QStringLiteral(" "), plain);
                    totals.textBytes += (text.size() + 1) * 2;
                }
            }
        }
        if (p % 5 < 2) { // 20 tables and 20 pictures over 50 pages
            QTextTableFormat tableFormat;
            tableFormat.setProperty(ObjectId, page.newObjectId());
            QTextTable *table = cursor.insertTable(4, 3, tableFormat);
            for (int r = 0; r < 4; ++r) {
                for (int c = 0; c < 3; ++c) {
                    const QString text = QStringLiteral("セル %1,%2").arg(r).arg(c);
                    table->cellAt(r, c).firstCursorPosition().insertText(text);
                    totals.textBytes += text.size() * 2;
                }
            }
            table->mergeCells(0, 0, 1, 2);
            cursor = table->lastCursorPosition();
            cursor.movePosition(QTextCursor::NextBlock);
            const QByteArray bytes = picture(p);
            totals.pictureBytes += bytes.size();
            QTextImageFormat image;
            image.setName(page.addPicture(bytes));
            image.setProperty(ObjectId, page.newObjectId());
            image.setProperty(PictureLayout, p % 2 ? 2 : 0);
            PageDocument::insertPicture(cursor, image);
        }
    }
    QTextCursor(page.ensurePart(HeaderAll)).insertText(QStringLiteral("ヘッダー"));
}

template <typename Fn>
double bestOf(int rounds, Fn fn)
{
    double best = 1e9;
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer timer;
        timer.start();
        fn();
        best = std::min(best, timer.nsecsElapsed() / 1e6);
    }
    return best;
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    PageDocument page;
    Totals totals;
    fill(page, totals);
    QByteArray bytes;
    const double save = bestOf(5, [&] { bytes = PageCodec::save(page); });
    bool loaded = true;
    const double load = bestOf(5, [&] {
        PageDocument copy;
        loaded = loaded && PageCodec::load(copy, bytes);
    });
    // Qt lays out a loaded page lazily; the view or the page count asks for the rest.
    const double layout = bestOf(5, [&] {
        PageDocument copy;
        PageCodec::load(copy, bytes);
        copy.main()->pageCount();
    });
    PageDocument copy;
    PageCodec::load(copy, bytes);
    const bool same = PageCodec::save(copy) == bytes;
    const qint64 raw = totals.pictureBytes + totals.textBytes;
    std::printf("bench_richtext: 50 pages, 200 fields, 20 tables, 20 pictures (%d pages laid out)\n",
                copy.main()->pageCount());
    std::printf("  serialise %.2f ms   load %.2f ms   (best of 5; target below 20 ms each)\n", save, load);
    std::printf("  load and lay out all pages %.2f ms\n", layout);
    std::printf("  bytes %lld   raw pictures %lld + text %lld = %lld   ratio %.2f (target within 2)\n",
                qint64(bytes.size()), totals.pictureBytes, totals.textBytes, raw, double(bytes.size()) / raw);
    std::printf("  loads %s, round trip %s\n", loaded ? "ok" : "FAILED", same ? "byte-identical" : "DIFFERS");
    return loaded && same ? 0 : 1;
}

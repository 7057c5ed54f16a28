// Times the outputs of a range: printing a 100-page document to a PDF file through the print path,
// and building the one text of the read-through window over every page of a 1,000-page database.
// usage: bench_output [database [output-folder]]; without a database one of 1,000 pages is made by
// tools/gen_sample, without a folder a temporary one is used.
#include "BenchDatabase.h"
#include "core/Usr.h"
#include "core/zSvr.h"
#include "output/print/sbTvw.h"
#include "output/reader/sbDmp.h"
#include "output/word/OutputRange.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/TextProps.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>

#include <cstdio>

namespace {

void report(const char *what, qint64 nanoseconds, const char *target)
{
    std::printf("  %-46s %10.1f ms   target %s\n", what, nanoseconds / 1e6, target);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QTemporaryDir temp;
    const QStringList args = app.arguments().mid(1);
    const QString folder = args.value(1, temp.path());
    QDir().mkpath(folder);
    Usr::st().userData = folder + u'/';
    const QString database = benchDatabase(args.value(0), temp.filePath(QStringLiteral("BenchOutput.txdb")), 1000);
    if (database.isEmpty())
        return 1;
    std::printf("bench_output: %s\n", qPrintable(QFileInfo(database).absoluteFilePath()));

    // A 100-page document with a running header, printed without a dialog to a PDF file.
    PageDocument page;
    QTextCursor cursor(page.main());
    QTextBlockFormat pageBreak;
    pageBreak.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    for (int n = 1; n <= 100; ++n) {
        if (n > 1)
            cursor.insertBlock(pageBreak);
        for (int line = 0; line < 20; ++line)
            cursor.insertText(QStringLiteral("第%1頁 %2行目: 本文の一行です。The body of the page. ").arg(n).arg(line + 1));
    }
    QTextCursor(page.ensurePart(TextProps::HeaderAll)).insertText(QStringLiteral("見出し Running header"));
    sbTvw view;
    view.setDialogRunner([](QDialog &) { return false; });
    view.printer().setOutputFormat(QPrinter::PdfFormat);
    view.printer().setOutputFileName(folder + QStringLiteral("/bench_output.pdf"));
    view.cSetPrn(page, nullptr, QString());
    QElapsedTimer timer;
    timer.start();
    const bool printed = view.cPrint(page, nullptr, true, QString());
    report("print 100 pages to PDF", timer.nsecsElapsed(), "< 1000 ms");
    if (!printed)
        std::fprintf(stderr, "printing failed\n");

    if (!zSvr::instance().D_StDcDb(database)) {
        std::fprintf(stderr, "cannot open %s\n", qPrintable(database));
        return 1;
    }
    timer.restart();
    const OutputRange::Lists lists = OutputRange(OutputRange::AllPages).collect();
    const qint64 range = timer.nsecsElapsed();
    sbDmp viewer;
    timer.restart();
    viewer.MakeTxt(lists.keys, lists.numbers);
    const qint64 text = timer.nsecsElapsed();
    std::printf("  placements in the range: %lld\n", static_cast<long long>(lists.keys.count(u',') + 1));
    report("output range of the whole tree", range, "(part of the one text)");
    report("one text of the whole tree", text, "< 300 ms (with the range)");
    report("range + one text", range + text, "< 300 ms");
    zSvr::release();
    return printed ? 0 : 1;
}

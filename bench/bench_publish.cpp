// Converts every page of a document database into a finished HTML page, on all cores, as a publisher
// does (pages loaded without layout, written into a work folder flushed once), and prints pages,
// seconds, pages per second and the peak memory next to their targets; then one page of 8,000
// highlighted paragraphs against one of 4,000, whose ratio shows that the conversion stays linear.
//
//   bench_publish [DATABASE] [OUTDIR]
//
// Without a database a 1,000-page one is generated (tools/gen_sample); without an output folder a
// temporary one is used. Pages are independent: each thread has its own converter and documents.
#include "BenchUsage.h"
#include "core/Frmt.h"
#include "core/zSvr.h"
#include "platform/db/DbTable.h"
#include "platform/richtext/PageCodec.h"
#include "platform/richtext/PageDocument.h"
#include "core/SiteTemplate.h"
#include "core/Usr.h"
#include "platform/desktop/Prompt.h"
#include "publish/converter/StagedWriter.h"
#include "publish/converter/yHtm.h"
#include "publish/epub/sbEpub.h"
#include "publish/epub/yEpub.h"
#include "publish/site/SiteWriter.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QThread>

#include <sys/resource.h>

#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

struct Page {
    QString number;
    QString title;
    QByteArray bytes;
};

// Processor seconds of the process so far, all threads.
double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Seconds to convert one page of `paragraphs` highlighted paragraphs; -1 when it fails.
double highlighted(int paragraphs, const yHtm::Context &context, const QString &file)
{
    PageDocument doc(PageDocument::WithoutLayout);
    QTextCursor cursor(doc.main());
    QTextCharFormat marked;
    marked.setBackground(QColor(255, 255, 0));
    for (int i = 0; i < paragraphs; ++i) {
        if (i > 0)
            cursor.insertBlock();
        cursor.insertText(QStringLiteral("強調された段落 %1").arg(i), marked);
    }
    yHtm converter;
    converter.setContext(context);
    QElapsedTimer timer;
    timer.start();
    bool ok = false;
    converter.cSaveHtm(doc, false, file, QString(), QStringLiteral("highlighted"), 0, ok);
    return ok ? timer.nsecsElapsed() / 1e9 : -1;
}

// Answers every question with Yes (the protected pages are published) and shows nothing.
class YesPrompt : public Prompt
{
public:
    int message(const QString &, int, const QString &) override { return Yes; }
    QString input(const QString &, const QString &, const QString &d, bool *ok) override
    {
        if (ok)
            *ok = true;
        return d;
    }
    QString openFile(const QString &, const QString &, const QString &) override { return QString(); }
    QString saveFile(const QString &, const QString &, const QString &) override { return QString(); }
    QString chooseFolder(const QString &, const QString &) override { return QString(); }
};

// The whole site of the open database (menu tree, every visible placement) into OUTDIR/Htm/<name>,
// as the menu item writes it; returns 1 when it failed.
int benchSite(const QString &outDir)
{
    YesPrompt yes;
    Prompt::install(&yes);
    Usr::st().userData = QDir(outDir).absolutePath() + QLatin1Char('/');
    SiteTemplate::install(Usr::st().userData);
    SiteWriter writer;
    SiteWriter::Run run;
    run.local = false;
    QElapsedTimer timer;
    const double cpuBefore = cpuSeconds();
    timer.start();
    writer.HtmPrepare();
    const bool ok = writer.publish(run);
    const double seconds = timer.nsecsElapsed() / 1e9;
    const double cpu = cpuSeconds() - cpuBefore;
    Prompt::install(nullptr);
    const int files = int(QDir(writer.outputFolder()).entryList({QStringLiteral("*.htm")}, QDir::Files).size());
    std::printf("  site %s\n", qPrintable(writer.outputFolder()));
    std::printf("  site pages written                %8d      %s\n", files, ok ? "" : "(FAILED)");
    std::printf("  site seconds                      %8.3f s    target < 0.3 s for 1,000 pages\n", seconds);
    // On a shared machine the wall time follows the load; the processor time does not.
    std::printf("  site processor seconds            %8.3f s    (all threads; / %d cores = %.3f s)\n", cpu,
                QThread::idealThreadCount(), cpu / qMax(1, QThread::idealThreadCount()));
    std::printf("  peak memory (max RSS) after site  %8.1f MB   target < 300 MB\n", peakMegabytes());
    return ok ? 0 : 1;
}

// The EPUB book of the whole open database into OUTDIR/ePub/<name>.epub, as
// the menu item writes it (options answered with OK); 1 when it failed.
int benchEpub(const QString &outDir, const QString &dbName)
{
    YesPrompt yes;
    Prompt::install(&yes);
    Usr::st().userData = QDir(outDir).absolutePath() + QLatin1Char('/');
    Usr::st().dbName = dbName;
    Frmt::LoadHome(false);
    const QString book = Usr::st().userData + QStringLiteral("ePub/") + dbName + QStringLiteral(".epub");
    QFile::remove(book);
    sbEpub::setRunner([](sbEpub &d) {
        d.SetCell(2, 1, QStringLiteral("Bench"));
        d.SetCell(2, 2, QStringLiteral("bench_1000"));
        d.press(0);
    });
    // The processor time tells what the book costs when other programs share the machine.
    const double cpuBefore = cpuSeconds();
    QElapsedTimer timer;
    timer.start();
    int iRet = 0;
    yEpub().Publish(nullptr, 0, iRet);
    const double seconds = timer.nsecsElapsed() / 1e9;
    const double cpu = cpuSeconds() - cpuBefore;
    sbEpub::setRunner(nullptr);
    Prompt::install(nullptr);
    const bool ok = QFileInfo::exists(book);
    const int files = int(QDir(Usr::st().userData + QStringLiteral("ePub/") + dbName + QStringLiteral("/OEBPS"))
                              .entryList({QStringLiteral("*.xhtml")}, QDir::Files)
                              .size());
    std::printf("  epub %s (%.1f MB)\n", qPrintable(book), QFileInfo(book).size() / 1048576.0);
    std::printf("  epub pages written                %8d      %s\n", files, ok ? "" : "(FAILED)");
    std::printf("  epub seconds (whole book)         %8.3f s    target < 0.4 s for 1,000 pages\n", seconds);
    std::printf("  epub processor seconds            %8.3f s    (%.3f s a core on %d cores)\n", cpu,
                cpu / qMax(1, QThread::idealThreadCount()), QThread::idealThreadCount());
    std::printf("  peak memory (max RSS) after epub  %8.1f MB   target < 300 MB\n", peakMegabytes());
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv); // the site and the book show the wait window
    QTemporaryDir tmp;
    QString database = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    const QString outDir = argc > 2 ? QString::fromLocal8Bit(argv[2]) : tmp.filePath(QStringLiteral("out"));
    if (database.isEmpty()) {
        database = tmp.filePath(QStringLiteral("Bench.txdb"));
        const QString generator = QCoreApplication::applicationDirPath() + QStringLiteral("/../tools/gen_sample");
        if (QProcess::execute(generator, {database, QStringLiteral("--pages"), QStringLiteral("1000")}) != 0) {
            std::fprintf(stderr, "bench_publish: %s failed\n", qPrintable(generator));
            return 1;
        }
    }
    if (!zSvr::instance().D_StDcDb(database)) {
        std::fprintf(stderr, "bench_publish: cannot open %s\n", qPrintable(database));
        return 1;
    }
    Frmt::LoadFmt();
    QDir().mkpath(outDir);
    std::printf("bench_publish: %s\n", qPrintable(database));
    const int epubFailed = benchEpub(outDir, QFileInfo(database).completeBaseName());

    QElapsedTimer timer;
    timer.start();
    DbTable rows;
    const int count = zSvr::instance().R_Ary(
        QStringLiteral("Select noDoc, szDoc, obDoc From msDoc Where obDoc Is Not Null Order By noDoc"), rows);
    std::vector<Page> pages(count);
    for (int i = 0; i < count; ++i)
        pages[i] = {rows.at(0, i).toString(), rows.at(1, i).toString(), rows.at(2, i).toByteArray()};
    const double readSeconds = timer.nsecsElapsed() / 1e9;

    yHtm::Context context;
    const FrmtState &f = Frmt::st();
    context.usrFmt = f.usrFmt;
    context.lineFactor = f.lineFactor;
    context.dbName = QFileInfo(database).completeBaseName();

    const int threads = qMax(1, QThread::idealThreadCount());
    std::atomic<int> next{0}, failed{0};
    const double cpuBefore = cpuSeconds();
    timer.restart();
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&] {
            yHtm converter;
            converter.setContext(context);
            // As a publisher does: the pages go into a work folder, flushed once at the end.
            converter.setWorkFolderRun(true);
            for (int i = next++; i < count; i = next++) {
                PageDocument doc(PageDocument::WithoutLayout);
                bool ok = PageCodec::load(doc, pages[i].bytes);
                if (ok)
                    converter.cSaveHtm(doc, false, outDir + QLatin1Char('/') + pages[i].number + QStringLiteral(".htm"),
                                       QString(), pages[i].title, 0, ok);
                if (!ok)
                    ++failed;
            }
        });
    }
    for (std::thread &w : workers)
        w.join();
    if (!StagedWriter::flushFolder(outDir))
        ++failed;
    const double seconds = timer.nsecsElapsed() / 1e9;
    const double cpu = cpuSeconds() - cpuBefore;
    const double half = highlighted(4000, context, outDir + QStringLiteral("/highlighted4000.htm"));
    const double full = highlighted(8000, context, outDir + QStringLiteral("/highlighted8000.htm"));

    std::printf("bench_publish: %s -> %s, %d threads\n", qPrintable(database), qPrintable(outDir), threads);
    std::printf("  read pages from the database      %8.3f s\n", readSeconds);
    std::printf("  pages converted                   %8d      (failed %d)\n", count - failed.load(), failed.load());
    std::printf("  seconds                           %8.3f s    target < 0.2 s for 1,000 pages\n", seconds);
    std::printf("  pages per second                  %8.0f      target > 5,000\n", count / qMax(seconds, 1e-9));
    std::printf("  processor seconds, all threads    %8.3f s\n", cpu);
    std::printf("  8,000 highlighted paragraphs      %8.3f s    4,000: %.3f s, ratio %.1f (target linear, near 2)\n",
                full, half, full / qMax(half, 1e-9));
    std::printf("  peak memory (max RSS)             %8.1f MB   target < 300 MB\n", peakMegabytes());
    const int siteFailed = benchSite(outDir);
    return failed.load() == 0 && siteFailed == 0 && epubFailed == 0 ? 0 : 1;
}

// Converts every page of a document database into a finished HTML page, on all cores, as a publisher
// does (pages loaded without layout, written into a work folder flushed once), and prints pages,
// seconds, pages per second and the peak memory next to their targets; then one page of 8,000
// highlighted paragraphs against one of 4,000, whose ratio shows that the conversion stays linear.
// The book and the site are published with the options stored in the database (first-page name,
// book name, home addresses, layout), as the two dialogs' OK takes them.
//
//   bench_publish [DATABASE] [OUTDIR] [--write-server]
//
// Without a database a 1,000-page one is generated (tools/gen_sample); a given file is measured on
// a copy, as publishing marks its pages and the dialogs store their options (a server database
// only with --write-server). Everything, the copy included, is written in OUTDIR (a temporary
// folder when none is given), and nothing outside it.
// Pages are independent: each thread has its own converter and documents.
#include "BenchDatabase.h"
#include "BenchUsage.h"
#include "core/Frmt.h"
#include "core/zSvr.h"
#include "platform/db/DbTable.h"
#include "platform/richtext/PageCodec.h"
#include "platform/richtext/PageDocument.h"
#include "core/SiteTemplate.h"
#include "core/Usr.h"
#include "platform/desktop/Launcher.h"
#include "platform/desktop/Prompt.h"
#include "publish/converter/StagedWriter.h"
#include "publish/converter/yHtm.h"
#include "publish/epub/sbEpub.h"
#include "publish/epub/yEpub.h"
#include "publish/site/SiteWriter.h"
#include "publish/site/sbHtm.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QApplication>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QThread>

#include <sys/resource.h>

#include <atomic>
#include <memory>
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

// Answers every question with Yes (the protected pages are published) and shows nothing; what
// a message says is printed, so that a refusal is seen.
class YesPrompt : public Prompt
{
public:
    int message(const QString &text, int, const QString &) override
    {
        std::printf("  message: %s\n", qPrintable(QString(text).replace(QLatin1Char('\n'), QLatin1Char(' '))));
        return Yes;
    }
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

// Starts nothing: a stored "open the folder afterwards" opens no window of a benchmark.
class NoLauncher : public Launcher
{
public:
    bool startDetached(const QString &, const QStringList &, const QString &) override { return true; }
    int run(const QString &, const QStringList &, const QString &, int) override { return 0; }
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
    writer.HtmPrepare();
    // The stored options, as the dialog's OK ("一括出力") takes them; a refused one is pressed
    // again, as a user would after the message (it switches off what it refused).
    sbHtm::setRunner([](sbHtm &d) {
        for (int press = 0; press < 2 && d.closeCode() == 4; ++press)
            d.cmRet(0);
    });
    sbHtm::Choice c;
    sbHtm::Act(writer.outputFolder(), c);
    sbHtm::setRunner(nullptr);
    SiteWriter::Run run;
    run.mode = c.iRet;
    run.empty = c.bDel;
    run.local = false;
    run.layout = c.iLout;
    run.topName = c.sTpNm;
    QElapsedTimer timer;
    const double cpuBefore = cpuSeconds();
    timer.start();
    const bool ok = (c.iRet == 1 || c.iRet == 2) && writer.publish(run);
    const double seconds = timer.nsecsElapsed() / 1e9;
    const double cpu = cpuSeconds() - cpuBefore;
    Prompt::install(nullptr);
    const int files = int(QDir(writer.outputFolder()).entryList({QStringLiteral("*.htm")}, QDir::Files).size());
    std::printf("  site %s (first page %s)\n", qPrintable(writer.outputFolder()),
                c.sTpNm.isEmpty() ? "numbered" : qPrintable(c.sTpNm));
    std::printf("  site pages written                %8d      %s\n", files, ok ? "" : "(FAILED)");
    std::printf("  site seconds                      %8.3f s    target < 0.3 s for 1,000 pages\n", seconds);
    // On a shared machine the wall time follows the load; the processor time does not.
    std::printf("  site processor seconds            %8.3f s    (all threads; / %d cores = %.3f s)\n", cpu,
                QThread::idealThreadCount(), cpu / qMax(1, QThread::idealThreadCount()));
    std::printf("  peak memory (max RSS) after site  %8.1f MB   target < 300 MB\n", peakMegabytes());
    return ok ? 0 : 1;
}

// The EPUB book of the whole open database into OUTDIR/ePub/<name>.epub, as
// the menu item writes it (the stored options answered with OK, a title and
// an identifier made where none is stored); 1 when it failed.
int benchEpub(const QString &outDir, const QString &dbName)
{
    YesPrompt yes;
    Prompt::install(&yes);
    NoLauncher none;
    Launcher::install(&none);
    Usr::st().userData = QDir(outDir).absolutePath() + QLatin1Char('/');
    Usr::st().dbName = dbName;
    Frmt::LoadHome(false);
    QString name;
    sbEpub::setRunner([&name](sbEpub &d) {
        if (d.GetCell(2, 1).isEmpty())
            d.SetCell(2, 1, QStringLiteral("Bench"));
        // Without a stored identifier the first OK makes one and keeps the dialog open, as for a user.
        for (int press = 0; press < 2 && d.result() != 0; ++press)
            d.press(0);
        name = d.nameBox()->text().trimmed();
    });
    // The processor time tells what the book costs when other programs share the machine.
    const double cpuBefore = cpuSeconds();
    QElapsedTimer timer;
    timer.start();
    int iRet = 0;
    yEpub publisher;
    publisher.Publish(nullptr, 0, iRet);
    const double seconds = timer.nsecsElapsed() / 1e9;
    const double cpu = cpuSeconds() - cpuBefore;
    sbEpub::setRunner(nullptr);
    Launcher::install(nullptr);
    Prompt::install(nullptr);
    const QString book = publisher.bookFile;
    const bool ok = !book.isEmpty();
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
    QStringList args = QCoreApplication::arguments().mid(1);
    const bool serverWrites = takeBenchWriteFlag(args);
    const QString given = args.value(0);
    // A temporary folder only when no output folder is given: nothing is written outside OUTDIR.
    std::unique_ptr<QTemporaryDir> tmp;
    if (args.size() < 2)
        tmp = std::make_unique<QTemporaryDir>();
    const QString outDir = QDir(args.size() > 1 ? args[1] : tmp->filePath(QStringLiteral("out"))).absolutePath();
    if (!QDir().mkpath(outDir)) {
        std::fprintf(stderr, "bench_publish: cannot make %s\n", qPrintable(outDir));
        return 1;
    }
    const QString database = benchDatabase(given, outDir + QStringLiteral("/Bench.txdb"), 1000, serverWrites);
    if (database.isEmpty())
        return 1;
    if (!zSvr::instance().D_StDcDb(database)) {
        std::fprintf(stderr, "bench_publish: cannot open %s\n", qPrintable(database));
        return 1;
    }
    Frmt::LoadFmt();
    // The site and the book are named after the database given, not after its copy.
    const QString dbName = QFileInfo(given.isEmpty() ? database : given).completeBaseName();
    std::printf("bench_publish: %s\n", qPrintable(database));
    const int epubFailed = benchEpub(outDir, dbName);

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
    context.dbName = dbName;

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

// Times the Word output of every page of a 1,000-page database as one document (headers per page and
// the outline with contents), with the file's size and the peak memory of the process.
// usage: bench_wordoutput [database [output-folder]]; without a database one of 1,000 pages is made by
// tools/gen_sample, without a folder a temporary one is used.
#include "BenchDatabase.h"
#include "core/Usr.h"
#include "core/zSvr.h"
#include "output/word/OutputRange.h"
#include "output/word/WordOutput.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <sys/resource.h>

namespace {

double peakMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
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
    const QString database = benchDatabase(args.value(0), temp.filePath(QStringLiteral("BenchWord.txdb")), 1000);
    if (database.isEmpty())
        return 1;
    std::printf("bench_wordoutput: %s\n", qPrintable(QFileInfo(database).absoluteFilePath()));
    if (!zSvr::instance().D_StDcDb(database)) {
        std::fprintf(stderr, "cannot open %s\n", qPrintable(database));
        return 1;
    }
    const OutputRange::Lists lists = OutputRange(OutputRange::AllPages).collect();
    std::printf("  placements in the range: %lld\n", static_cast<long long>(lists.keys.count(u',') + 1));
    bool ok = true;
    for (int mode : {WordOutput::Headers, WordOutput::Outline}) {
        const QString path = folder + QStringLiteral("/bench_word%1.docx").arg(mode);
        QString error;
        QElapsedTimer timer;
        timer.start();
        const bool written = WordOutput::write(mode, lists.keys, lists.numbers, path, error);
        const qint64 ns = timer.nsecsElapsed();
        if (!written) {
            std::fprintf(stderr, "mode %d failed: %s\n", mode, qPrintable(error));
            ok = false;
            continue;
        }
        std::printf("  mode %d: one .docx of the whole tree %10.1f ms   target < 400 ms\n", mode, ns / 1e6);
        std::printf("  mode %d: file size                   %10.1f MB\n", mode, QFileInfo(path).size() / 1048576.0);
        std::printf("  peak memory so far                  %10.1f MB   target < 300 MB\n", peakMegabytes());
    }
    zSvr::release();
    return ok ? 0 : 1;
}

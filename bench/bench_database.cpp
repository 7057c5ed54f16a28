// Times the document database through its access layer on a 10,000-page
// database made by tools/gen_sample: open, a full read of the placements, and
// 1,000 single-page reads and writes. Prints the figures and the peak memory.
#include "core/zSvr.h"
#include "platform/db/Recordset.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <cstdio>

namespace {

const int pages = 10000;
const int rounds = 1000;

void report(const char *what, qint64 nanoseconds, int count)
{
    std::printf("  %-44s %10.3f ms total  %8.1f us each\n", what, nanoseconds / 1e6,
                nanoseconds / 1e3 / qMax(1, count));
}

int pageOf(int i)
{
    return 1001 + (i * 7919) % pages;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Bench.txdb"));
    const QString generator = QCoreApplication::applicationDirPath() + QStringLiteral("/../tools/gen_sample");
    QElapsedTimer timer;
    timer.start();
    if (QProcess::execute(generator, {path, QStringLiteral("--pages"), QString::number(pages)}) != 0) {
        std::fprintf(stderr, "bench_database: %s failed\n", qPrintable(generator));
        return 1;
    }
    std::printf("bench_database: %d pages, %lld KB file\n", pages, QFileInfo(path).size() / 1024);
    report("generate (gen_sample)", timer.nsecsElapsed(), 1);

    zSvr &db = zSvr::instance();
    timer.restart();
    if (!db.D_StDcDb(path)) {
        std::fprintf(stderr, "bench_database: cannot open %s\n", qPrintable(path));
        return 1;
    }
    report("open", timer.nsecsElapsed(), 1);

    DbTable tree;
    timer.restart();
    const int placements = db.R_Ary(QStringLiteral("Select noLfP, noLfC, inSrt, szDoc, boLnk, boHide, boHogo From tbTree"), tree);
    report(qPrintable(QStringLiteral("full read of %1 placements").arg(placements)), timer.nsecsElapsed(), 1);

    QVariantList row;
    timer.restart();
    for (int i = 0; i < rounds; ++i)
        db.R_PAry(QStringLiteral("Select szDoc, txDoc, obDoc, boCod From msDoc Where noDoc=?"), {pageOf(i)}, row);
    report("page reads (R_PAry)", timer.nsecsElapsed(), rounds);

    timer.restart();
    int failed = 0;
    for (int i = 0; i < rounds; ++i) {
        QString sql = QStringLiteral("Update msDoc Set boUse=1, dyUdt=#04/05/2025 06:07:08# Where noDoc=?");
        zSvr::T_CnvSq(sql, {pageOf(i)});
        failed += db.D_ExeSq(sql) ? 0 : 1;
    }
    report("page writes (D_ExeSq)", timer.nsecsElapsed(), rounds);

    timer.restart();
    Recordset rs;
    for (int i = 0; i < rounds; ++i) {
        if (!db.R_Rset(QStringLiteral("Select * From msDoc Where noDoc=?"), {pageOf(i)}, rs, 2) || rs.eof()) {
            ++failed;
            continue;
        }
        rs.setValue(QStringLiteral("txDoc"), rs.value(QStringLiteral("txDoc")).toString() + QStringLiteral("追記"));
        rs.setValue(QStringLiteral("obDoc"), QByteArray(2048, 'x'));
        rs.setValue(QStringLiteral("dyUdt"), QDateTime::currentDateTime());
        failed += rs.update() ? 0 : 1;
        rs.close();
    }
    report("page read + write back (R_Rset mode 2)", timer.nsecsElapsed(), rounds);
    db.D_Close();

    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("  peak memory (max RSS): %ld KB\n", usage.ru_maxrss);
    if (failed)
        std::printf("  FAILED operations: %d\n", failed);
    return failed ? 1 : 0;
}

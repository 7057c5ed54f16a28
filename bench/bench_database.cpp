// Times the document database through its access layer: open, a full read of
// the placements, and 1,000 single-page reads and writes.
//   bench_database [DATABASE ...] [--write-server]
// Each DATABASE is measured: a .txdb file on a copy, a .udl data link only with
// --write-server, as the benchmark replaces pages. With
// none, tools/gen_sample makes a 10,000-page file database and the same on a
// throwaway PostgreSQL server, and the figures stand side by side.
#include "BenchAnswers.h"
#include "BenchDatabase.h"
#include "BenchServer.h"
#include "core/zSvr.h"
#include "platform/db/Recordset.h"

#include <QCoreApplication>
#include <QDir>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <cstdio>
#include <memory>

namespace {

const int pages = 10000;
const int rounds = 1000;

struct Figure {
    QString what;
    double value; // microseconds
    QString unit;
};

int pageOf(int i)
{
    return 1001 + (i * 7919) % pages;
}

// The figures of one database; `failed` counts operations that did not work.
QList<Figure> measure(const QString &path, int *failed)
{
    QList<Figure> figures;
    zSvr &db = zSvr::instance();
    QElapsedTimer timer;
    timer.start();
    if (!db.D_StDcDb(path)) {
        const QString why = db.openFailureText(path);
        std::fprintf(stderr, "bench_database: cannot open %s\n", qPrintable(why.isEmpty() ? path : QString(why).replace(u'\n', u' ')));
        ++*failed;
        return figures;
    }
    figures.append({QStringLiteral("open"), timer.nsecsElapsed() / 1e3, QStringLiteral("us")});

    DbTable tree;
    timer.restart();
    const int placements = db.R_Ary(QStringLiteral("Select noLfP, noLfC, inSrt, szDoc, boLnk, boHide, boHogo From tbTree"), tree);
    figures.append({QStringLiteral("full read of %1 placements").arg(placements), timer.nsecsElapsed() / 1e3, QStringLiteral("us")});

    QVariantList row;
    timer.restart();
    for (int i = 0; i < rounds; ++i)
        *failed += db.R_PAry(QStringLiteral("Select szDoc, txDoc, obDoc, boCod From msDoc Where noDoc=?"), {pageOf(i)}, row) ? 0 : 1;
    figures.append({QStringLiteral("page read (R_PAry)"), timer.nsecsElapsed() / 1e3 / rounds, QStringLiteral("us/op")});

    timer.restart();
    for (int i = 0; i < rounds; ++i) {
        QString sql = QStringLiteral("Update msDoc Set boUse=1, dyUdt=#04/05/2025 06:07:08# Where noDoc=?");
        zSvr::T_CnvSq(sql, {pageOf(i)});
        *failed += db.D_ExeSq(sql) ? 0 : 1;
    }
    figures.append({QStringLiteral("page write (D_ExeSq)"), timer.nsecsElapsed() / 1e3 / rounds, QStringLiteral("us/op")});

    timer.restart();
    Recordset rs;
    for (int i = 0; i < rounds; ++i) {
        if (!db.R_Rset(QStringLiteral("Select * From msDoc Where noDoc=?"), {pageOf(i)}, rs, 2) || rs.eof()) {
            ++*failed;
            continue;
        }
        rs.setValue(QStringLiteral("txDoc"), rs.value(QStringLiteral("txDoc")).toString() + QStringLiteral("追記"));
        rs.setValue(QStringLiteral("obDoc"), QByteArray(2048, 'x'));
        rs.setValue(QStringLiteral("dyUdt"), QDateTime::currentDateTime());
        *failed += rs.update() ? 0 : 1;
        rs.close();
    }
    figures.append({QStringLiteral("page read + write back (R_Rset mode 2)"), timer.nsecsElapsed() / 1e3 / rounds,
                    QStringLiteral("us/op")});
    db.D_Close();
    return figures;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    BenchAnswers answers("bench_database");
    QTemporaryDir dir;
    QStringList given = app.arguments().mid(1);
    const bool serverWrites = takeBenchWriteFlag(given);
    QStringList paths;
    QStringList labels = given;
    for (const QString &path : std::as_const(given)) {
        const QString folder = dir.filePath(QString::number(paths.size()));
        QDir().mkpath(folder);
        paths << benchDatabase(path, folder + QStringLiteral("/Bench.txdb"), pages, serverWrites);
        if (paths.last().isEmpty())
            return 1;
    }
    std::unique_ptr<BenchServer> server;
    if (paths.isEmpty()) {
        paths << benchDatabase(QString(), dir.filePath(QStringLiteral("Bench.txdb")), pages);
        labels << QStringLiteral("SQLite file");
        server = std::make_unique<BenchServer>();
        paths << server->generate(QStringLiteral("bench"), pages);
        labels << QStringLiteral("PostgreSQL");
        std::printf("bench_database: %d pages each\n", pages);
    }
    int failed = 0;
    QList<QList<Figure>> columns;
    for (const QString &path : paths) {
        if (path.isEmpty()) {
            std::printf("  (a database could not be made: %s)\n", columns.isEmpty() ? "file" : "server not available");
            columns.append(QList<Figure>());
            continue;
        }
        columns.append(measure(path, &failed));
    }
    std::printf("  %-44s", "");
    for (const QString &label : labels)
        std::printf(" %16s", qPrintable(label.right(16)));
    std::printf("\n");
    const QList<Figure> &rows = columns.first().isEmpty() ? columns.last() : columns.first();
    for (int r = 0; r < rows.size(); ++r) {
        std::printf("  %-44s", qPrintable(rows[r].what.left(44)));
        for (const QList<Figure> &column : columns) {
            if (r < column.size())
                std::printf(" %10.1f %-5s", column[r].value, qPrintable(column[r].unit.left(5)));
            else
                std::printf(" %16s", "-");
        }
        std::printf("\n");
    }
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("  peak memory (max RSS): %ld KB\n", usage.ru_maxrss);
    if (failed)
        std::printf("  FAILED operations: %d\n", failed);
    return failed || answers.asked() ? 1 : 0;
}

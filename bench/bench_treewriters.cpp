// Two writers on one database through the program's own entry points, each step checked against
// what the writers were told (the test tst_treewriters runs a few fixed seeds of it):
//   bench_treewriters [seeds] [first seed] [steps a seed] [file|server]
// "server" needs the throwaway server: tools/pg-cluster.sh start DIR, then FENWAR_TEST_PG_DIR=DIR.
// A failure prints the seed, the step, what was wrong and the steps before it; races are not
// replayed exactly, so a failure is not shrunk: its seed is run again, or its steps made a row.
#include "support/TreeWriter.h"
#include "support/TreeWriters.h"

#include <QApplication>
#include <QElapsedTimer>

#include <cstdio>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.value(1) == QLatin1String("writer"))
        return TreeWriter::main(args.value(2));
    const int seeds = args.value(1, QStringLiteral("5")).toInt();
    const quint32 first = args.value(2, QStringLiteral("1")).toUInt();
    const int perSeed = args.value(3, QStringLiteral("1000")).toInt();
    const bool server = args.value(4) == QLatin1String("server");
    if (server && !ServerDb::wanted()) {
        std::fprintf(stderr, "server: set FENWAR_TEST_PG_DIR to a running tools/pg-cluster.sh folder\n");
        return 2;
    }
    QElapsedTimer timer;
    timer.start();
    qint64 steps = 0;
    int failures = 0;
    for (int i = 0; i < seeds; ++i) {
        const quint32 seed = first + quint32(i);
        QElapsedTimer seedTimer;
        seedTimer.start();
        TreeWriters writers(server);
        const TreeWriters::Outcome outcome = writers.run(seed, perSeed);
        steps += outcome.steps;
        if (outcome.failed()) {
            ++failures;
            // FENWAR_TREEWRITERS_LOG=1: every step of the seed, not only the last ones.
            const QStringList log = qEnvironmentVariableIntValue("FENWAR_TREEWRITERS_LOG") ? writers.log() : outcome.log;
            std::printf("FAILED %s\n  %s\n", qPrintable(outcome.message), qPrintable(log.join(QStringLiteral("\n  "))));
        } else {
            std::printf("seed %u: %d steps in %.1f s\n", seed, outcome.steps, seedTimer.elapsed() / 1000.0);
        }
        std::fflush(stdout);
    }
    std::printf("%lld steps on %d seeds (%s) in %.1f s, %d failures\n", steps, seeds, server ? "server" : "file",
                timer.elapsed() / 1000.0, failures);
    return failures ? 1 : 0;
}

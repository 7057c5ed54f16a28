// Random keys on a page view, each checked against a model of the text and Qt's own layout (the
// test tst_richview_random runs a few fixed seeds of it): seeds [first seed] [keys a seed] [shape].
// The shape "loaded" plays on pages of each seed's own, as files bring them; "tables" on the table pages.
// Each seed plays on the next shape in turn; a failure is printed with its key sequence, shrunk
// (FENWAR_RANDOM_SHRINK=0 prints it unshrunk).
// With `play SHAPE KEYS` it plays one sequence and tells how it ended.
#include "support/RandomKeys.h"

#include <QApplication>
#include <QElapsedTimer>

#include <cstdio>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    // play SHAPE "KEYS": one sequence, as a failure printed it.
    if (args.value(1) == QLatin1String("play")) {
        const RandomKeys::Outcome outcome = RandomKeys::play(args.value(2), RandomKeys::parse(args.value(3)), 1);
        std::printf("%d keys: %s\n", outcome.keysRun, outcome.failed() ? qPrintable(outcome.message) : "as they must be");
        return outcome.failed() ? 1 : 0;
    }
    const int seeds = args.value(1, QStringLiteral("20")).toInt();
    const quint32 first = args.value(2, QStringLiteral("1")).toUInt();
    const int perSeed = args.value(3, QStringLiteral("500")).toInt();
    const QString only = args.value(4);
    // "tables": the shapes of table pages in turn.
    const QStringList shapes = only.isEmpty()                 ? RandomKeys::shapes()
                               : only == QLatin1String("tables") ? RandomKeys::tableShapes()
                                                                 : QStringList{only};
    QElapsedTimer timer;
    timer.start();
    qint64 keys = 0;
    int failures = 0;
    for (int i = 0; i < seeds; ++i) {
        const quint32 seed = first + quint32(i);
        // "loaded": a page of the seed's own as a file brings it.
        const bool loaded = only == QLatin1String("loaded");
        const QString shape = loaded ? QStringLiteral("loaded %1").arg(seed) : shapes.at(int(seed % quint32(shapes.size())));
        RandomKeys::Player player(shape);
        QStringList sequence = loaded ? RandomKeys::keysInOnePart(seed, perSeed, player.textLength())
                                      : RandomKeys::randomKeys(seed, perSeed, player.textLength());
        // FENWAR_RANDOM_SKIP: keys left out (those of a fault known and not mended yet), joined by ",".
        for (const QString &skip : qEnvironmentVariable("FENWAR_RANDOM_SKIP").split(u',', Qt::SkipEmptyParts))
            sequence.removeAll(skip.trimmed());
        // FENWAR_RANDOM_PRINT=1: each seed's keys before they are played, for a run that crashes.
        if (qEnvironmentVariable("FENWAR_RANDOM_PRINT") == QLatin1String("1"))
            fprintf(stderr, "seed %u on \"%s\": %s\n", seed, qPrintable(shape), qPrintable(RandomKeys::describe(sequence)));
        const RandomKeys::Outcome outcome = player.play(sequence);
        keys += outcome.keysRun;
        if (outcome.failed()) {
            ++failures;
            // FENWAR_RANDOM_SHRINK=0: the keys up to the failing one as they are, for a failure whose
            // replays take too long to shrink.
            const bool shrink = qEnvironmentVariable("FENWAR_RANDOM_SHRINK") != QLatin1String("0");
            const QStringList shrunk = shrink ? RandomKeys::shrink(shape, sequence, 300)
                                              : sequence.mid(0, outcome.failedAt + 1);
            const RandomKeys::Outcome again = RandomKeys::play(shape, shrunk, 1);
            std::printf("seed %u, %s, key %d: %s\n  shrunk to %d keys: %s\n  %s\n", seed, qPrintable(shape),
                        outcome.failedAt, qPrintable(outcome.message), int(shrunk.size()),
                        qPrintable(RandomKeys::describe(shrunk)), qPrintable(again.message));
        }
        std::fflush(stdout);
    }
    std::printf("%lld keys on %d seeds in %.1f s, %d failures\n", keys, seeds, timer.elapsed() / 1000.0, failures);
    return failures ? 1 : 0;
}

// The main window on a database of 10,000 pages with real page documents: time
// to open it and show its first page, and the time of a page switch (load, show,
// and every tenth time a save of the edited page), with the peak memory.
//   bench_mainwin [DATABASE] [--write-server]
// DATABASE (a .txdb file or a .udl data link of 10,000 generated pages): a file
// is measured on a copy; a server database only with --write-server, as the
// benchmark saves pages in it. With none, the file database and the same on a throwaway
// PostgreSQL server are generated and measured one after the other.
#include "BenchAnswers.h"
#include "BenchDatabase.h"
#include "BenchServer.h"
#include "core/TemplateDb.h"
#include "core/Usr.h"
#include "core/zSvr.h"
#include "editor/uTxm.h"
#include "mainwin/fmDoc.h"
#include "platform/desktop/Prompt.h"
#include "platform/richtext/RichTextEdit.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cstdio>

namespace {

// Memory figures of this process from /proc, in MB ("VmHWM" peak, "VmRSS" now).
double memoryMb(const char *key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(int(qstrlen(key)) + 1).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return 0;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values.at(values.size() / 2);
}

// False (after a line on stderr) when the database could not be measured: it did not open, or the
// window wanted an answer (a password, a page that cannot be loaded).
bool measure(const QString &path, const QString &label, QTextStream &out, const BenchAnswers &answers)
{
    QElapsedTimer timer;
    timer.start();
    fmDoc window;
    window.SetDBNo(path, 0);
    window.resize(1200, 800);
    window.show();
    QCoreApplication::processEvents();
    if (answers.asked() || !zSvr::instance().isOpen()) {
        std::fprintf(stderr, "bench_mainwin: %s: %s\n", qPrintable(label),
                     answers.asked() ? "stopped at the open" : "the database could not be opened");
        zSvr::instance().D_Close();
        return false;
    }
    const double openMs = timer.nsecsElapsed() / 1e6;
    out << label << ": open 10,000 pages and show the first: " << openMs << " ms (page " << window.nDocNo << ")\n";

    window.editor().setUpdatePolicy(QStringLiteral("上書"));   // saves without asking
    QList<double> switches;
    double rssAfter100 = 0;
    for (int i = 0; i < 1000; ++i) {
        const int page = 1001 + (i * 7919) % 10000;
        if (i % 10 == 0) {
            window.editor().edit().typeText(QStringLiteral("追記"));
            window.editor().setBDcEdt(true);
        }
        timer.restart();
        window.LoadPage(QString::number(page), QString(), 0, false);
        QCoreApplication::processEvents();
        if (answers.asked()) {
            std::fprintf(stderr, "bench_mainwin: %s: stopped at page %d\n", qPrintable(label), page);
            zSvr::instance().D_Close();
            return false;
        }
        switches.append(timer.nsecsElapsed() / 1e6);
        if (i == 99)
            rssAfter100 = memoryMb("VmRSS:");
    }
    out << label << ": page switch (load, show, save when edited): median " << median(switches) << " ms over "
        << switches.size() << " switches ("
        << (label == QLatin1String("PostgreSQL") ? "target under 15 ms: each query is a round trip to the server"
                                                 : "target under 2 ms")
        << ")\n";
    out << label << ": memory after 100 switches " << rssAfter100 << " MB, after 1000 " << memoryMb("VmRSS:")
        << " MB, peak " << memoryMb("VmHWM:") << " MB (target under 400 MB)\n";
    out.flush();
    zSvr::instance().D_Close();
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    BenchAnswers answers("bench_mainwin");
    QStandardPaths::setTestModeEnabled(true);
    QTextStream out(stdout);
    QTemporaryDir dir;
    Usr::st().userData = dir.path() + QLatin1Char('/');
    Usr::st().runTime = true;
    TemplateDb::install(Usr::st().userData);
    QStringList args = app.arguments().mid(1);
    const bool serverWrites = takeBenchWriteFlag(args);
    if (!args.isEmpty()) {
        const QString path = benchDatabase(args.first(), dir.filePath(QStringLiteral("Given.txdb")), 0, serverWrites);
        if (path.isEmpty())
            return 1;
        return measure(path, QStringLiteral("given database"), out, answers) ? 0 : 1;
    }
    const QString path = dir.filePath(QStringLiteral("Big.txdb"));
    QProcess gen;
    gen.start(QCoreApplication::applicationDirPath() + QStringLiteral("/../tools/gen_sample"),
              {path, QStringLiteral("--pages"), QStringLiteral("10000")});
    if (!gen.waitForFinished(600000) || gen.exitCode() != 0) {
        out << "bench_mainwin: cannot generate the database\n";
        return 1;
    }
    if (!measure(path, QStringLiteral("SQLite file"), out, answers))
        return 1;
    BenchServer server;
    const QString udl = server.generate(QStringLiteral("mainwin"), 10000);
    if (udl.isEmpty())
        out << "PostgreSQL: not available (no server could be started)\n";
    else if (!measure(udl, QStringLiteral("PostgreSQL"), out, answers))
        return 1;
    return 0;
}

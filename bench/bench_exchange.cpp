// Times the export of a subtree of about 1,000 pages into a new document
// database and the import of that copy, with every page changed, back into a
// copy of the database.
//   bench_exchange [database [output folder]]
// Without a database, tools/gen_sample makes one; without a folder, a
// temporary one holds the copies.
//   bench_exchange database --import source [output folder]
// imports `source` into a copy of `database` as the menu does, under its first
// top-level node, answering every question with yes, and tells the message
// shown, the pages written and the page count before and after; it fails
// (exit 1) when the import was not done.
#include "core/TemplateDb.h"
#include "core/Usr.h"
#include "core/zSvr.h"
#include "editor/uTxm.h"
#include "output/DbExport.h"
#include "output/DbImport.h"
#include "output/ExchangeHost.h"
#include "output/sbExpDb.h"
#include "platform/db/DbConnection.h"
#include "platform/desktop/Prompt.h"
#include "tree/uTrX.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

namespace {

// Answers every question with OK or Yes and every file dialog with the next path.
class AutoPrompt : public Prompt
{
public:
    QStringList files;
    QStringList shown;
    int message(const QString &text, int style, const QString &) override
    {
        shown << text;
        const int buttons = style & 7;
        return buttons == YesNoCancel || buttons == YesNo ? Yes : Ok;
    }
    QString input(const QString &, const QString &, const QString &def, bool *ok) override
    {
        if (ok)
            *ok = true;
        return def;
    }
    QString openFile(const QString &, const QString &, const QString &) override { return next(); }
    QString saveFile(const QString &, const QString &, const QString &) override { return next(); }
    QString chooseFolder(const QString &, const QString &) override { return next(); }
    QString next() { return files.isEmpty() ? QString() : files.takeFirst(); }
};

class BenchHost : public ExchangeHost
{
public:
    QWidget window;
    uTrX tree;
    uTxm editor{nullptr, nullptr};
    QWidget *hostWindow() override { return &window; }
    uTrX &hostTree() override { return tree; }
    uTxm &hostEditor() override { return editor; }
    QString selectDbFile(bool save, const QString &caption, const QString &) override
    {
        return save ? Prompt::current().saveFile(caption, QString(), QString())
                    : Prompt::current().openFile(caption, QString(), QString());
    }
};

// The top-level page whose subtree is nearest to 1,000 pages.
qint64 pickSubtree(int *size)
{
    DbTable top;
    const int count = zSvr::instance().R_Ary(QStringLiteral("Select noLfC From tbTree Where noLfP=0"), top);
    qint64 best = 0;
    *size = 0;
    for (int r = 0; r < count; ++r) {
        QList<qint64> pages{top.at(0, r).toLongLong()};
        QList<DbExport::Pair> pairs;
        DbExport::CollectSubtree(pages.first(), 2, pages, pairs);
        if (best == 0 || qAbs(pages.size() - 1000) < qAbs(*size - 1000)) {
            best = pages.first();
            *size = int(pages.size());
        }
    }
    return best;
}

int pageCount()
{
    return zSvr::instance().R_GtVaL(QStringLiteral("Select Count(*) From msDoc"), 0).toInt();
}

// A run on a copy of a database: the prompt that answers yes, the host with its tree.
struct Run {
    AutoPrompt prompt;
    BenchHost host;
    Run()
    {
        Prompt::install(&prompt);
        host.tree.resize(320, 600);
        host.tree.show();
    }
    ~Run()
    {
        Prompt::install(nullptr);
        host.tree.ClearItem(true);
        zSvr::release();
    }
    // Copies `database` to `copy` and opens the copy.
    bool open(const QString &database, const QString &copy, QTextStream &out)
    {
        QFile::remove(copy);
        if (!QFile::copy(database, copy) || !QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner)
            || !zSvr::instance().D_StDcDb(copy)) {
            out << "cannot copy and open " << database << "\n";
            return false;
        }
        return true;
    }
};

// The import of `source` into a copy of `database` in `folder`.
int importInto(const QString &database, const QString &source, const QString &folder, QTextStream &out)
{
    Run bench;
    if (!bench.open(database, folder + QStringLiteral("/ImportTarget.txdb"), out))
        return 1;
    const QString top =
        zSvr::instance().R_GtVaL(QStringLiteral("Select noLfC From tbTree Where noLfP=0 Order By inSrt, noLfC"), QString())
            .toString();
    bench.host.tree.SetNodes(QStringLiteral("0"));
    if (!top.isEmpty())
        bench.host.tree.SetLeaf(top);
    const int before = pageCount();
    bench.prompt.files = {source};
    DbImport run(bench.host);
    QElapsedTimer timer;
    timer.start();
    run.ImportDb();
    const double ms = timer.nsecsElapsed() / 1e6;
    const int after = pageCount();
    out << "import of " << source << " under page " << (top.isEmpty() ? QStringLiteral("(none)") : top) << ": " << ms
        << " ms\n";
    out << "message: " << QString(run.finalMessage()).replace(QLatin1Char('\n'), QStringLiteral(" / ")) << "\n";
    out << "pages written: " << run.pagesWritten() << "\n";
    out << "pages before: " << before << ", after: " << after << "\n";
    out << (run.done() ? "import done" : "import NOT done") << "\n";
    return run.done() ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QTextStream out(stdout);
    QTemporaryDir temp;
    QStringList args = app.arguments().mid(1);
    QString importSource;
    const int importAt = int(args.indexOf(QStringLiteral("--import")));
    if (importAt >= 0) {
        importSource = args.value(importAt + 1);
        args.remove(importAt, qMin(2, int(args.size()) - importAt));
        if (importSource.isEmpty() || args.isEmpty()) {
            QTextStream(stderr) << "usage: bench_exchange DATABASE --import SOURCE [FOLDER]\n";
            return 2;
        }
    }
    const QString folder = args.size() > 1 ? args.at(1) : temp.path();
    QDir().mkpath(folder + QStringLiteral("/Dbs"));
    Usr::st().userData = folder + QLatin1Char('/');
    if (!TemplateDb::install(Usr::st().userData))
        return 1;
    if (!importSource.isEmpty())
        return importInto(args.at(0), importSource, folder, out);
    QString source = args.value(0);
    if (source.isEmpty()) {
        source = folder + QStringLiteral("/BenchExchange.txdb");
        QProcess gen;
        // Pages 1002's subtree holds 1,000 pages at this size (six children a page, breadth first).
        gen.start(QCoreApplication::applicationDirPath() + QStringLiteral("/../tools/gen_sample"),
                  {source, QStringLiteral("--pages"), QStringLiteral("3332"), QStringLiteral("--force")});
        if (!gen.waitForFinished(600000) || gen.exitCode() != 0) {
            out << "gen_sample failed\n";
            return 1;
        }
    }
    const QString target = folder + QStringLiteral("/BenchTarget.txdb");
    const QString copy = folder + QStringLiteral("/BenchCopy.txdb");
    QFile::remove(copy);
    Run bench;
    if (!bench.open(source, target, out))
        return 1;
    AutoPrompt &prompt = bench.prompt;
    BenchHost &host = bench.host;
    int size = 0;
    const qint64 root = pickSubtree(&size);
    host.tree.SetNodes(QStringLiteral("0"));
    host.tree.SetLeaf(QString::number(root));
    sbExpDb::setRunner([](sbExpDb &) { return true; });

    prompt.files = {copy};
    QElapsedTimer timer;
    timer.start();
    DbExport(host).ExportDb();
    const double exportMs = timer.nsecsElapsed() / 1e6;
    out << "export of a subtree of " << size << " pages: " << exportMs << " ms (target under 500 ms)\n";

    // Every page of the copy is changed, so the import writes and renumbers all of them.
    {
        DbConnection db;
        if (!db.openSqlite(copy) || !db.exec(QStringLiteral("Update msDoc Set dyUdt='2099-01-01 00:00:00'"), {}, false))
            return 1;
    }
    prompt.files = {copy};
    DbImport run(host);
    timer.restart();
    run.ImportDb();
    const double importMs = timer.nsecsElapsed() / 1e6;
    out << "import of " << run.pages().size() << " changed pages back into a copy: " << importMs
        << " ms (target under 1000 ms)" << (run.done() ? "" : " FAILED") << "\n";
    prompt.files = {copy};
    DbImport again(host);
    timer.restart();
    again.ImportDb();
    out << "second import of the same copy (nothing to write): " << timer.nsecsElapsed() / 1e6 << " ms\n";
    return run.done() ? 0 : 1;
}

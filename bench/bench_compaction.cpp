// 最適化 while another program writes to the file in short connections (the sqlite3 shell, one run a
// commit: open, add a dictionary entry, close), as a script, a backup or a sync tool does:
//   bench_compaction [runs] [DATABASE] [pause between commits, ms]
// Each run compacts the file through the main window's compaction with the writer going on. At the
// end every commit the writer was told of must be in the file (target: 0 lost), every run compacted
// or refused with its reason; the time of a compaction is printed beside the file's size. With no
// DATABASE, one of about 28 MB is generated; a given file is worked on in a copy.
#include "BenchDatabase.h"
#include "core/TemplateDb.h"
#include "core/Usr.h"
#include "core/zSvr.h"
#include "mainwin/fmDoc.h"
#include "platform/desktop/Prompt.h"
#include "support/ShortWriters.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>

namespace {

// Nothing of the compaction asks; whatever is shown is counted as unexpected.
class Answers : public Prompt
{
public:
    Answers() { Prompt::install(this); }
    ~Answers() override { Prompt::install(nullptr); }
    int shown = 0;
    int message(const QString &, int, const QString &) override
    {
        ++shown;
        return Cancel;
    }
    QString input(const QString &, const QString &, const QString &, bool *ok) override
    {
        if (ok)
            *ok = false;
        return QString();
    }
    QString openFile(const QString &, const QString &, const QString &) override { return QString(); }
    QString saveFile(const QString &, const QString &, const QString &) override { return QString(); }
    QString chooseFolder(const QString &, const QString &) override { return QString(); }
};

// A template database with `megabytes` of pages, each on the top level.
bool generate(const QString &path, int megabytes)
{
    if (!TemplateDb::create(path) || !zSvr::instance().D_StDcDb(path))
        return false;
    zSvr &db = zSvr::instance();
    bool ok = db.D_Tran(0);
    const int pages = megabytes * 35;   // 30 KB of text a page
    for (int i = 0; ok && i < pages; ++i) {
        const QString text = QStringLiteral("頁%1\n").arg(i) + QString(10000, QChar(u'あ' + i % 80));
        ok = db.D_ExeSq(QStringLiteral("Insert Into msDoc (noDoc, szDoc, txDoc, saTgs, boCod) Values (?, ?, ?, '.', 0)"),
                        {1001 + i, QStringLiteral("頁%1").arg(i), text})
             && db.D_ExeSq(QStringLiteral("Insert Into tbTree (noLfP, noLfC, inSrt, szDoc, boLnk) Values (0, ?, ?, ?, 0)"),
                           {1001 + i, i, QStringLiteral("頁%1").arg(i)});
    }
    ok = ok && db.D_Tran(1);
    db.D_Close();
    return ok;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    QTextStream out(stdout);
    const QStringList args = app.arguments().mid(1);
    const int runs = args.value(0, QStringLiteral("20")).toInt();
    const int pauseMs = args.value(2, QStringLiteral("5")).toInt();
    QTemporaryDir dir;
    Usr::st().userData = dir.path() + QLatin1Char('/');
    Usr::st().runTime = true;
    TemplateDb::install(Usr::st().userData);
    QString path = dir.filePath(QStringLiteral("Compact.txdb"));
    if (!args.value(1).isEmpty()) {
        path = benchDatabase(args.value(1), path, 0);
    } else if (!generate(path, 28)) {
        out << "bench_compaction: cannot generate the database\n";
        return 1;
    }
    if (path.isEmpty())
        return 1;
    Answers answers;
    fmDoc window;
    window.SetDBNo(path, 0);
    window.show();
    QCoreApplication::processEvents();
    if (!zSvr::instance().isOpen()) {
        out << "bench_compaction: " << path << " does not open\n";
        return 1;
    }
    out << "database: " << path << ", " << QFileInfo(path).size() / 1048576.0 << " MB\n";
    out.flush();
    ShortWriters writers;
    if (!writers.start(path, QStringLiteral("bench"), pauseMs, 2000)) {
        out << "bench_compaction: the sqlite3 shell does not start\n";
        return 1;
    }
    int compacted = 0;
    int refused = 0;
    int unexplained = 0;
    QList<double> times;
    for (int run = 0; run < runs; ++run) {
        QString message;
        QElapsedTimer timer;
        timer.start();
        const bool ok = window.compactFile(false, message);
        times << timer.nsecsElapsed() / 1e6;
        if (ok && message.endsWith(QStringLiteral("の最適化をしました")))
            ++compacted;
        else if (!ok && message.contains(QStringLiteral("使用中です")))
            ++refused;
        else
            ++unexplained;
        QCoreApplication::processEvents();
    }
    const QStringList committed = writers.stop();
    int lost = 0;
    for (const QString &key : committed) {
        if (zSvr::instance().R_GtVaL(QStringLiteral("Select Count(*) From msDic Where skDic = ?"), {key}, 0).toInt() != 1)
            ++lost;
    }
    const QString check = zSvr::instance().R_GtVaL(QStringLiteral("PRAGMA integrity_check"), QString()).toString();
    std::sort(times.begin(), times.end());
    out << "runs: " << runs << " (compacted " << compacted << ", refused with the reason " << refused
        << ", other results " << unexplained << "; target: every run one of the first two)\n";
    out << "commits of the other program: " << committed.size() << " told done, " << writers.failed()
        << " told failed\n";
    out << "commits told done and missing from the file: " << lost << " (target 0)\n";
    out << "integrity_check: " << check << " (target ok)\n";
    out << "compaction, median: " << (times.isEmpty() ? 0 : times.at(times.size() / 2)) << " ms, longest "
        << (times.isEmpty() ? 0 : times.last()) << " ms\n";
    out << "messages shown: " << answers.shown << " (target 0)\n";
    return lost == 0 && unexplained == 0 && check == QLatin1String("ok") && answers.shown == 0 ? 0 : 1;
}

// Times the placement upkeep on a database of 10,000 pages: the home/link
// normalisation alone, and with the publishing flag recomputed for every page.
#include "core/TemplateDb.h"
#include "core/Usr.h"
#include "core/zSvr.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>

namespace {

void fill(zSvr &db, int pages)
{
    db.D_Tran(0);
    for (int i = 0; i < pages; ++i) {
        const int page = 1001 + i;
        const int parent = i < 10 ? 0 : 1001 + (i - 10) / 10;   // ten children per page
        db.D_ExeSq(QStringLiteral("Insert Into msDoc (noDoc, boPng) Values (?, 0)"), {page});
        db.D_ExeSq(QStringLiteral("Insert Into tbTree (noLfP, noLfC, inSrt, boLnk) Values (?, ?, ?, 0)"),
                   {parent, page, i % 10});
        if (i % 7 == 0 && i > 10)   // some pages also appear as links elsewhere
            db.D_ExeSq(QStringLiteral("Insert Into tbTree (noLfP, noLfC, inSrt, boLnk) Values (1001, ?, 99, 0)"),
                       {page});
    }
    db.D_ExeSq(QStringLiteral("Insert Into tbHtm (noDoc, inPng) Values (1001, 2)"));
    db.D_Tran(1);
}

double timed(void (*job)())
{
    QElapsedTimer timer;
    timer.start();
    job();
    return timer.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Bench.txdb"));
    zSvr &db = zSvr::instance();
    if (!TemplateDb::create(path) || !db.D_StDcDb(path))
        return 1;
    fill(db, 10000);
    QTextStream out(stdout);
    out << "D_FixLnk(false), links to fix:  " << timed([] { Usr::D_FixLnk(false); }) << " ms\n";
    out << "D_FixLnk(false), nothing to do: " << timed([] { Usr::D_FixLnk(false); }) << " ms\n";
    out << "D_FixLnk(true), every page:     " << timed([] { Usr::D_FixLnk(true); }) << " ms\n";
    out << "D_FixLnk(true), nothing to do:  " << timed([] { Usr::D_FixLnk(true); }) << " ms\n";
    zSvr::release();
    return 0;
}

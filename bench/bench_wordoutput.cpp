// Times the Word output of every page of a 1,000-page database as one document (headers per page and
// the outline with contents), with the file's size and the peak memory of the process; then, where
// pandoc is installed, pandoc turning the same pages (finished HTML pages, made before its clock starts)
// into one .docx, and our time against its.
// usage: bench_wordoutput [database [output-folder]]; without a database one of 1,000 pages is made by
// tools/gen_sample, without a folder a temporary one is used.
#include "BenchAnchor.h"
#include "BenchDatabase.h"
#include "BenchUsage.h"
#include "core/Frmt.h"
#include "core/Usr.h"
#include "core/zSvr.h"
#include "output/word/OutputRange.h"
#include "output/word/WordOutput.h"
#include "platform/richtext/PageCodec.h"
#include "platform/richtext/PageDocument.h"
#include "publish/converter/yHtm.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTextCursor>

#include <cstdio>

namespace {

// The placements of `keys` as finished HTML pages in `folder`, as the converter writes them: one file
// per page, named again where the page is placed again, in key order like the Word output. The file
// names (relative to `folder`), empty when a page cannot be converted.
QStringList htmlPages(const QString &keys, const QString &folder)
{
    const QStringList keyList = keys.split(u',', Qt::SkipEmptyParts);
    const QHash<QString, QString> titles = OutputRange::readTitles();
    const QHash<qint64, QVariantList> rows = OutputRange::readPages(keyList, QStringLiteral("obDoc, txDoc"));
    Frmt::LoadFmt();
    yHtm converter;
    converter.setContext(yHtm::programContext());
    QStringList files;
    QSet<qint64> written;
    for (const QString &key : keyList) {
        QString parent, child;
        const auto found = OutputRange::splitKey(key, parent, child) ? rows.constFind(child.toLongLong()) : rows.cend();
        if (found == rows.cend())
            continue;
        const QString file = child + QStringLiteral(".htm");
        if (!written.contains(found.key())) {
            PageDocument page(PageDocument::WithoutLayout);
            const QByteArray document = found->value(0).toByteArray();
            bool ok = true;
            if (document.isEmpty())
                QTextCursor(page.main()).insertText(found->value(1).toString());
            else
                ok = PageCodec::load(page, document);
            if (ok)
                converter.cSaveHtm(page, false, folder + u'/' + file, QString(), titles.value(key), 0, ok);
            if (!ok)
                return {};
            written.insert(found.key());
        }
        files << file;
    }
    return files;
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
    double seconds[2] = {0, 0};
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
        seconds[mode - 1] = ns / 1e9;
        std::printf("  mode %d: one .docx of the whole tree %10.1f ms   target < 400 ms\n", mode, ns / 1e6);
        std::printf("  mode %d: file size                   %10.1f MB\n", mode, QFileInfo(path).size() / 1048576.0);
        std::printf("  peak memory so far                  %10.1f MB   target < 300 MB\n", peakMegabytes());
    }
    BenchAnchor pandoc(QStringLiteral("pandoc"));
    if (pandoc.installed()) {
        const QString pages = folder + QStringLiteral("/html");
        QDir().mkpath(pages);
        const QStringList files = htmlPages(lists.keys, pages);
        if (files.isEmpty()) {
            std::fprintf(stderr, "cannot convert the pages to HTML in %s\n", qPrintable(pages));
            ok = false;
        } else {
            // One process for all pages in tree order, as one .docx is one run of ours.
            pandoc.run(QStringList{QStringLiteral("-o"), QStringLiteral("pandoc.docx")} + files, pages);
        }
    }
    std::printf("  pandoc, same pages as HTML -> one .docx: %s\n",
                qPrintable(pandoc.against(0, QStringLiteral("mode 1 %1, mode 2 %2")
                                                 .arg(pandoc.ratio(seconds[0]), pandoc.ratio(seconds[1])))));
    zSvr::release();
    return ok ? 0 : 1;
}

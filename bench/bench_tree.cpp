// Times the page tree on a database of 10,000 pages: 1,000 top-level pages,
// four levels deep, one page with 500 children. Prints the first paint of the
// top level, the expansion of the 500 children, a refresh that restores it,
// and the peak memory of the process.
#include "BenchUsage.h"
#include "core/TemplateDb.h"
#include "core/zSvr.h"
#include "tree/uTrX.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTreeWidget>

namespace {

// Page 1 holds pages 1001-1500; the other top-level pages carry three more levels.
int parentOf(int page)
{
    if (page <= 1000)
        return 0;
    if (page <= 1500)
        return 1;
    if (page <= 4500)
        return 2 + (page - 1501) % 999;
    if (page <= 7500)
        return 1501 + (page - 4501) % 3000;
    return 4501 + (page - 7501) % 3000;
}

bool fill(zSvr &db)
{
    db.D_Tran(0);
    bool ok = true;
    for (int page = 1; page <= 10000 && ok; ++page) {
        const QString title = QStringLiteral("ページ %1 の見出し").arg(page);
        ok = db.D_ExeSq(QStringLiteral("Insert Into msDoc (noDoc, szDoc, txDoc, boCod) Values (?, ?, ?, 0)"),
                        {page, title, title})
             && db.D_ExeSq(QStringLiteral("Insert Into tbTree (noLfP, noLfC, inSrt, szDoc, boLnk, boHide, boHogo)"
                                          " Values (?, ?, ?, ?, 0, ?, ?)"),
                           {parentOf(page), page, page % 1000, title, page % 97 == 0 ? 1 : 0, page % 89 == 0 ? 1 : 0});
    }
    db.D_Tran(ok ? 1 : 2);
    return ok;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("BenchTree.txdb"));
    zSvr &db = zSvr::instance();
    if (!TemplateDb::create(path) || !db.D_StDcDb(path) || !fill(db))
        return 1;
    QTextStream out(stdout);

    uTrX tree;
    tree.resize(320, 800);
    tree.show();
    app.processEvents();
    auto *view = tree.findChild<QTreeWidget *>(QStringLiteral("trView"));

    QElapsedTimer timer;
    timer.start();
    tree.SetNodes(QStringLiteral("0"));
    view->viewport()->repaint();
    out << "top level (1,000 nodes) loaded and painted: " << timer.nsecsElapsed() / 1e6 << " ms\n";

    QTreeWidgetItem *big = nullptr;
    for (int i = 0; i < view->topLevelItemCount() && !big; ++i)
        if (view->topLevelItem(i)->data(0, uTrX::KeyRole).toString().endsWith(QLatin1String("-1")))
            big = view->topLevelItem(i);
    if (!big)
        return 1;
    timer.restart();
    big->setExpanded(true);
    view->viewport()->repaint();
    out << "expand a node with " << big->childCount() << " children: " << timer.nsecsElapsed() / 1e6 << " ms\n";

    view->setCurrentItem(big->child(big->childCount() - 1));
    view->topLevelItem(1)->setExpanded(true);
    timer.restart();
    tree.RefreshTree();
    view->viewport()->repaint();
    out << "refresh keeping expansion and selection: " << timer.nsecsElapsed() / 1e6 << " ms\n";

    timer.restart();
    tree.SetLeaf(QStringLiteral("9999"));
    out << "locate a page four levels down: " << timer.nsecsElapsed() / 1e6 << " ms ("
        << tree.sGetLeaf() << ")\n";

    out << "peak memory: " << peakMegabytes() << " MB\n";
    tree.ClearItem(true);
    zSvr::release();
    return 0;
}

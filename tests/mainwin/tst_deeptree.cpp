// A database from elsewhere whose tree is a chain of pages deeper than any user builds: every walk
// down the tree (the clean-up, the site, its map, the book, the outputs' ranges, the export) ends
// without exhausting the stack, and the clean-up deletes no page the chain still reaches.
#include "core/Frmt.h"
#include "core/TemplateDb.h"
#include "core/TreeDepth.h"
#include "core/Usr.h"
#include "core/zSvr.h"
#include "mainwin/fmDoc.h"
#include "output/DbExport.h"
#include "output/word/OutputRange.h"
#include "platform/db/DbConnection.h"
#include "publish/epub/sbEpub.h"
#include "publish/epub/yEpub.h"
#include "publish/site/SiteMap.h"
#include "publish/site/SiteTree.h"
#include "support/ScriptedPrompt.h"
#include "support/StubEditorServices.h"
#include "support/TestHome.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

namespace {

// Pages 1001 .. 1000 + depth, each the only child of the one before, under the top level; the
// last one also placed as a link under the first (a cycle through the chain).
bool buildChain(int depth)
{
    QSqlQuery q(zSvr::instance().connection().database());
    const QString pages = QStringLiteral(
        "With Recursive n(i) As (Select 1001 Union All Select i + 1 From n Where i < %1)"
        " Insert Into msDoc (noDoc, szDoc, txDoc, obDoc) Select i, 'P' || i, 'text ' || i, X'00' From n").arg(1000 + depth);
    const QString places = QStringLiteral(
        "With Recursive n(i) As (Select 1001 Union All Select i + 1 From n Where i < %1)"
        " Insert Into tbTree (noLfP, noLfC, inSrt, szDoc, boLnk) Select Case When i = 1001 Then 0 Else i - 1 End, i, 1, 'P' || i, 0 From n")
                               .arg(1000 + depth);
    return q.exec(pages) && q.exec(places)
           && q.exec(QStringLiteral("Insert Into tbTree (noLfP, noLfC, inSrt, szDoc, boLnk) Values (1001, %1, 2, 'back', 1)").arg(1000 + depth))
           // One page nothing reaches: the clean-up's work.
           && q.exec(QStringLiteral("Insert Into msDoc (noDoc, szDoc, txDoc) Values (999, 'lost', '')"));
}

} // namespace

class TestDeepTree : public QObject
{
    Q_OBJECT

    static constexpr int Depth = 100000;
    TestHome m_home;
    QTemporaryDir m_dir;
    QString m_path;

private slots:
    void initTestCase()
    {
        Usr::st().userData = m_dir.path() + QLatin1Char('/');
        Usr::st().runTime = true;
        QVERIFY(TemplateDb::install(Usr::st().userData));
        m_path = m_dir.filePath(QStringLiteral("Deep.txdb"));
        QVERIFY(TemplateDb::create(m_path));
        QVERIFY(zSvr::instance().D_StDcDb(m_path));
        QVERIFY(buildChain(Depth));
        Usr::st().dbName = QStringLiteral("Deep");
        Frmt::LoadFmt();
        Frmt::LoadHome(false);
    }

    void cleanupTestCase() { zSvr::instance().D_Close(); }

    void walksEnd_data()
    {
        QTest::addColumn<QString>("walk");
        QTest::newRow("site tree") << "site";
        QTest::newRow("site map") << "map";
        QTest::newRow("book") << "book";
        QTest::newRow("output range, all pages") << "range all";
        QTest::newRow("output range, node and below") << "range below";
        QTest::newRow("export of a subtree") << "export";
    }

    void walksEnd()
    {
        QFETCH(QString, walk);
        if (walk == QLatin1String("site")) {
            SiteTree tree;
            QVERIFY(tree.load());
            // The chain down to the last level laid out, and the link back below the first page.
            QCOMPARE(tree.nodes().size(), TreeDepth::Max + 1);
        } else if (walk == QLatin1String("map")) {
            QVERIFY(!SiteMap::MapPage(0, QStringLiteral("http://example.com/")).isEmpty());
        } else if (walk == QLatin1String("book")) {
            ScriptedPrompt prompt;
            sbEpub::setRunner([](sbEpub &d) {
                d.SetCell(2, 1, QStringLiteral("Deep"));
                d.SetCell(2, 2, QStringLiteral("urn:uuid:0b4a9c1e-6a43-4c1f-9d55-7e3f7a2b1c00"));
                d.ranges()->button(0)->setChecked(true);
                d.press(0);
            });
            int iRet = -1;
            yEpub().Publish(nullptr, 0, iRet);
            sbEpub::setRunner(nullptr);
            // One page at the top: the book starts there.
            QCOMPARE(iRet, 3);
            QVERIFY(prompt.messages.value(0).startsWith(Usr::st().userData + QStringLiteral("ePub/Deep.epub に出力しました")));
        } else if (walk.startsWith(QLatin1String("range"))) {
            const bool all = walk.endsWith(QLatin1String("all"));
            const OutputRange::Lists lists = OutputRange(all ? OutputRange::AllPages : OutputRange::NodeAndBelow)
                                                 .collect(all ? QString() : QStringLiteral("1001"));
            QVERIFY(lists.keys.startsWith(QStringLiteral("0-1001")));
            // The levels laid out and the link back (and the start's own placement).
            QCOMPARE(lists.keys.count(u','), all ? TreeDepth::Max : TreeDepth::Max + 1);
        } else if (walk == QLatin1String("export")) {
            QList<qint64> pages;
            QList<DbExport::Pair> pairs;
            QVERIFY(DbExport::CollectSubtree(1001, 2, pages, pairs));
            QCOMPARE(pages.size(), Depth - 1);
        }
    }

    // Last: it deletes the page nothing reaches and keeps the whole chain.
    void cleanUpKeepsTheChain()
    {
        ScriptedPrompt prompt;
        StubEditorServices services;
        fmDoc window(nullptr, &services);
        window.sDbPath = m_path;
        QCOMPARE(window.CleanUnused().section(u'\n', 0, 0), QStringLiteral("１件 削除しました"));
        zSvr &db = zSvr::instance();
        QCOMPARE(db.R_GtVaL(QStringLiteral("Select Count(*) From msDoc"), 0).toInt(), Depth);
        QCOMPARE(db.R_GtVaL(QStringLiteral("Select Count(*) From tbTree"), 0).toInt(), Depth + 1);
    }
};

QTEST_MAIN(TestDeepTree)
#include "tst_deeptree.moc"

// Databases from elsewhere whose trees no user builds by hand: a chain of pages a hundred thousand
// deep, and a ladder of link placements whose every path down doubles at each level. Every walk of
// the whole tree (the clean-up, the site, its map, the book, the outputs' ranges, the export) ends
// without exhausting the stack or the memory, and the clean-up deletes no page the tree reaches.
#include "core/Frmt.h"
#include "core/TemplateDb.h"
#include "core/TreeWalk.h"
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

namespace {

constexpr int ChainDepth = 100000;
constexpr int LadderLevels = 40;

bool run(const QStringList &statements)
{
    QSqlQuery q(zSvr::instance().connection().database());
    for (const QString &sql : statements) {
        if (!q.exec(sql))
            return false;
    }
    return true;
}

// Pages 1001 .. 1000 + depth, each the only child of the one before, under the top level; the
// last one also placed as a link under the first (a cycle through the chain).
bool buildChain()
{
    const QString numbers = QStringLiteral("With Recursive n(i) As (Select 1001 Union All Select i + 1 From n Where i < %1)")
                                .arg(1000 + ChainDepth);
    return run({numbers + QStringLiteral(" Insert Into msDoc (noDoc, szDoc, txDoc, obDoc) Select i, 'P' || i, 'text ' || i, X'00' From n"),
                numbers + QStringLiteral(" Insert Into tbTree (noLfP, noLfC, inSrt, szDoc, boLnk)"
                                         " Select Case When i = 1001 Then 0 Else i - 1 End, i, 1, 'P' || i, 0 From n"),
                QStringLiteral("Insert Into tbTree (noLfP, noLfC, inSrt, szDoc, boLnk) Values (1001, %1, 2, 'back', 1)")
                    .arg(1000 + ChainDepth)});
}

// Two pages on each level, 1001 + level and 2001 + level; both are placed under both pages of the
// level above (1001 at the top, 2001 under none): 2^levels paths lead to the last level.
bool buildLadder()
{
    const QString levels = QStringLiteral("With Recursive n(i) As (Select 0 Union All Select i + 1 From n Where i < %1)")
                               .arg(LadderLevels - 1);
    const QString below = levels + QStringLiteral(" Insert Into tbTree (noLfP, noLfC, inSrt, szDoc, boLnk)"
                                                  " Select %1 + i, %2 + i + 1, %3, 'L' || i, %4 From n Where i < %5");
    return run({levels + QStringLiteral(" Insert Into msDoc (noDoc, szDoc, txDoc, obDoc) Select 1001 + i, 'A' || i, 'a', X'00' From n"
                                        " Union All Select 2001 + i, 'B' || i, 'b', X'00' From n"),
                QStringLiteral("Insert Into tbTree (noLfP, noLfC, inSrt, szDoc, boLnk) Values (0, 1001, 1, 'A0', 0)"),
                below.arg(1001).arg(1001).arg(1).arg(0).arg(LadderLevels - 1),
                below.arg(1001).arg(2001).arg(2).arg(0).arg(LadderLevels - 1),
                below.arg(2001).arg(1001).arg(1).arg(1).arg(LadderLevels - 1),
                below.arg(2001).arg(2001).arg(2).arg(1).arg(LadderLevels - 1)});
}

} // namespace

class TestForeignTree : public QObject
{
    Q_OBJECT

    TestHome m_home;
    QTemporaryDir m_dir;

    QString path(const QString &shape) const { return m_dir.filePath(shape + QStringLiteral(".txdb")); }

    bool open(const QString &shape)
    {
        zSvr::instance().D_Close();
        Usr::st().dbName = shape;
        if (!zSvr::instance().D_StDcDb(path(shape)))
            return false;
        Frmt::LoadFmt();
        Frmt::LoadHome(false);
        return true;
    }

private slots:
    void initTestCase()
    {
        Usr::st().userData = m_dir.path() + QLatin1Char('/');
        Usr::st().runTime = true;
        QVERIFY(TemplateDb::install(Usr::st().userData));
        QVERIFY(TemplateDb::create(path(QStringLiteral("chain"))));
        QVERIFY(open(QStringLiteral("chain")));
        QVERIFY(buildChain());
        QVERIFY(TemplateDb::create(path(QStringLiteral("ladder"))));
        QVERIFY(open(QStringLiteral("ladder")));
        QVERIFY(buildLadder());
        // One page nothing reaches in each: the clean-up's work.
        QVERIFY(run({QStringLiteral("Insert Into msDoc (noDoc, szDoc, txDoc) Values (999, 'lost', '')")}));
        QVERIFY(open(QStringLiteral("chain")));
        QVERIFY(run({QStringLiteral("Insert Into msDoc (noDoc, szDoc, txDoc) Values (999, 'lost', '')")}));
    }

    void cleanupTestCase() { zSvr::instance().D_Close(); }

    void walksEnd_data()
    {
        QTest::addColumn<QString>("shape");
        QTest::addColumn<QString>("walk");
        // The site's nodes; the keys of the two ranges; the pages of the export (without its start).
        QTest::addColumn<int>("count");
        const int ladderPages = 2 * LadderLevels - 1;
        // The chain down to the last level laid out, and the link back below the first page.
        QTest::newRow("chain: site tree") << "chain" << "site" << TreeWalk::MaxDepth + 1;
        QTest::newRow("chain: site map") << "chain" << "map" << 0;
        QTest::newRow("chain: book") << "chain" << "book" << 0;
        QTest::newRow("chain: output range, all pages") << "chain" << "range all" << TreeWalk::MaxDepth + 1;
        // The start's own placement comes first.
        QTest::newRow("chain: output range, node and below") << "chain" << "range below" << TreeWalk::MaxDepth + 2;
        QTest::newRow("chain: export of a subtree") << "chain" << "export" << ChainDepth - 1;
        QTest::newRow("ladder: site tree") << "ladder" << "site" << TreeWalk::MaxNodes;
        QTest::newRow("ladder: site map") << "ladder" << "map" << 0;
        QTest::newRow("ladder: book") << "ladder" << "book" << 0;
        QTest::newRow("ladder: output range, all pages") << "ladder" << "range all" << TreeWalk::MaxNodes;
        QTest::newRow("ladder: output range, node and below") << "ladder" << "range below" << TreeWalk::MaxNodes + 1;
        QTest::newRow("ladder: export of a subtree") << "ladder" << "export" << ladderPages - 1;
    }

    void walksEnd()
    {
        QFETCH(QString, shape);
        QFETCH(QString, walk);
        QFETCH(int, count);
        QVERIFY(open(shape));
        if (walk == QLatin1String("site")) {
            SiteTree tree;
            QVERIFY(tree.load());
            QCOMPARE(tree.nodes().size(), count);
        } else if (walk == QLatin1String("map")) {
            QVERIFY(!SiteMap::MapPage(0, QStringLiteral("http://example.com/")).isEmpty());
        } else if (walk == QLatin1String("book")) {
            ScriptedPrompt prompt;
            sbEpub::setRunner([](sbEpub &d) {
                d.SetCell(2, 1, QStringLiteral("Foreign"));
                d.SetCell(2, 2, QStringLiteral("urn:uuid:0b4a9c1e-6a43-4c1f-9d55-7e3f7a2b1c00"));
                d.ranges()->button(0)->setChecked(true);
                d.press(0);
            });
            int iRet = -1;
            yEpub().Publish(nullptr, 0, iRet);
            sbEpub::setRunner(nullptr);
            // One page at the top: the book starts there.
            QCOMPARE(iRet, 3);
            QVERIFY(prompt.messages.value(0).startsWith(Usr::st().userData + QStringLiteral("ePub/") + shape
                                                        + QStringLiteral(".epub に出力しました")));
        } else if (walk.startsWith(QLatin1String("range"))) {
            const bool all = walk.endsWith(QLatin1String("all"));
            const OutputRange::Lists lists = OutputRange(all ? OutputRange::AllPages : OutputRange::NodeAndBelow)
                                                 .collect(all ? QString() : QStringLiteral("1001"));
            QVERIFY(lists.keys.startsWith(QStringLiteral("0-1001")));
            QCOMPARE(lists.keys.count(u',') + 1, count);
        } else if (walk == QLatin1String("export")) {
            QList<qint64> pages;
            QList<DbExport::Pair> pairs;
            QVERIFY(DbExport::CollectSubtree(1001, 2, pages, pairs));
            QCOMPARE(pages.size(), count);
        }
    }

    // Last: it deletes the page nothing reaches and keeps every other.
    void cleanUpKeepsTheTree_data()
    {
        QTest::addColumn<QString>("shape");
        QTest::addColumn<int>("pages");
        QTest::addColumn<int>("placements");
        QTest::newRow("chain") << "chain" << ChainDepth << ChainDepth + 1;
        // 2001 stands under no page: it goes with its two placements.
        QTest::newRow("ladder") << "ladder" << 2 * LadderLevels - 1 << 1 + 4 * (LadderLevels - 1) - 2;
    }

    void cleanUpKeepsTheTree()
    {
        QFETCH(QString, shape);
        QFETCH(int, pages);
        QFETCH(int, placements);
        QVERIFY(open(shape));
        ScriptedPrompt prompt;
        StubEditorServices services;
        fmDoc window(nullptr, &services);
        window.sDbPath = path(shape);
        QCOMPARE(window.CleanUnused().section(u'\n', 0, 0), shape == QLatin1String("chain") ? QStringLiteral("１件 削除しました")
                                                                                           : QStringLiteral("２件 削除しました"));
        zSvr &db = zSvr::instance();
        QCOMPARE(db.R_GtVaL(QStringLiteral("Select Count(*) From msDoc"), 0).toInt(), pages);
        QCOMPARE(db.R_GtVaL(QStringLiteral("Select Count(*) From tbTree"), 0).toInt(), placements);
    }
};

QTEST_MAIN(TestForeignTree)
#include "tst_foreigntree.moc"

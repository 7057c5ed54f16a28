#include "TreeProbe.h"

#include "core/zSvr.h"
#include "support/SampleDb.h"
#include "support/ScriptedPrompt.h"
#include "tree/uTrX.h"

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QtTest>

// The tree of the generated sample database, and a picture of it under the
// build folder (screenshots/tree.png) for a look by eye.
class TestTreeSample : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        m_path = m_dir.filePath(QStringLiteral("Sample.txdb"));
        QVERIFY(SampleDb::generate(m_path));
    }

    void init()
    {
        QVERIFY(zSvr::instance().D_StDcDb(m_path));
        m_tree = new uTrX;
        m_tree->resize(320, 520);
        m_tree->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_tree));
        m_probe = new TreeProbe(*m_tree);
        m_tree->SetNodes(QStringLiteral("0"));
    }

    void cleanup()
    {
        delete m_probe;
        delete m_tree;
        zSvr::release();
    }

    void topLevelOfTheSample()
    {
        QStringList images;
        for (const QString &key : m_probe->keys())
            images << key + u' ' + TreeProbe::image(m_probe->item(key));
        QCOMPARE(images, QStringList({"N0-1001 ndcls", "N1-1002 ndcls", "N2-1003 ndcod", "N3-1004 ndcls",
                                      "N4-1005 ndcls"}));
        QCOMPARE(m_probe->item("N4-1005")->background(0).color(), QColor(240, 240, 220));
        QCOMPARE(m_probe->item("N0-1001")->text(0), QStringLiteral("はじめに"));
    }

    void linksAndProtectedPagesBelow()
    {
        m_probe->item("N4-1005")->setExpanded(true);
        QStringList links;
        for (const QString &key : m_probe->keys("N4-1005"))
            if (key.startsWith(u'L'))
                links << key.mid(key.indexOf(u'-') + 1) + u' ' + TreeProbe::image(m_probe->item(key)).left(2);
        QCOMPARE(links, QStringList({"1015 lk", "1029 lk"}));
        m_probe->item("N0-1001")->setExpanded(true);
        QTreeWidgetItem *guarded = m_probe->item(m_probe->keys("N0-1001").first());
        QCOMPARE(guarded->text(0).isEmpty(), false);
        QCOMPARE(guarded->foreground(0).color(), QColor(192, 0, 0));
    }

    void listModePageOfTheSample()
    {
        m_probe->clickKey("N2-1003");
        QVERIFY(m_tree->listMode());
        QVERIFY(m_probe->childList()->topLevelItemCount() > 0);
        QStringList stamps;
        for (int i = 0; i < m_probe->childList()->topLevelItemCount(); ++i)
            stamps << m_probe->childList()->topLevelItem(i)->text(1);
        QStringList sorted = stamps;
        std::sort(sorted.begin(), sorted.end(), std::greater<QString>());
        QCOMPARE(stamps, sorted);
        QVERIFY(SampleDb::shoot(*m_tree, QStringLiteral("tree-list.png")));
    }

    void screenshot()
    {
        m_probe->item("N0-1001")->setExpanded(true);
        m_probe->item("N4-1005")->setExpanded(true);
        const QStringList under = m_probe->keys("N0-1001");
        m_probe->item(under.value(1))->setExpanded(true);
        m_probe->clickKey(under.value(1));
        const QImage shot = m_tree->grab().toImage();
        QVERIFY(QDir().mkpath(QStringLiteral(FENWAR_BINARY_DIR "/screenshots")));
        QVERIFY(shot.save(QStringLiteral(FENWAR_BINARY_DIR "/screenshots/tree.png")));
        int hidden = 0, red = 0;
        for (int y = 0; y < shot.height(); ++y) {
            for (int x = 0; x < shot.width(); ++x) {
                const QColor c = shot.pixelColor(x, y);
                hidden += c == QColor(240, 240, 220);
                red += c.red() > 150 && c.green() < 90 && c.blue() < 90;
            }
        }
        QVERIFY(hidden > 100);   // the hidden page's row
        QVERIFY(red > 5);        // the protected page's text
    }

private:
    QTemporaryDir m_dir;
    QString m_path;
    uTrX *m_tree = nullptr;
    TreeProbe *m_probe = nullptr;
};

QTEST_MAIN(TestTreeSample)
#include "tst_treesample.moc"

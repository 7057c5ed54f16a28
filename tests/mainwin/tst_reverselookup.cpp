#include "MainFixture.h"

#include "core/Twips.h"
#include "mainwin/sbRev.h"
#include "tree/uTrg.h"

#include <QComboBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QSplitter>
#include <QTreeWidget>

// The where-used tree and the reverse look-up window over a database where
// page 1004 stands under three parents and 2001/2002 hold each other.
class TestReverseLookup : public QObject
{
    Q_OBJECT
private:
    std::unique_ptr<MainFixture> m_f;

    static QString keyOf(const QTreeWidgetItem *node) { return node->data(0, uTrg::KeyRole).toString(); }
    static int imageOf(const QTreeWidgetItem *node) { return node->data(0, uTrg::ImageRole).toInt(); }
    static QStringList texts(const QTreeWidgetItem *node)
    {
        QStringList out;
        for (int i = 0; i < node->childCount(); ++i)
            out << node->child(i)->text(0);
        return out;
    }
    static void find(uTrg &tree, const QString &phrase)
    {
        tree.findBox().setEditText(phrase);
        QTest::mouseClick(&tree.findButton(), Qt::LeftButton);
    }
    static void choose(uTrg &tree, QTreeWidgetItem *node)
    {
        QVERIFY(node);
        tree.view().setCurrentItem(node);
        QTest::mouseClick(tree.view().viewport(), Qt::LeftButton, {}, tree.view().visualItemRect(node).center());
    }

private slots:
    void init()
    {
        m_f = std::make_unique<MainFixture>();
        const QString path = m_f->database(QStringLiteral("Rev.txdb"));
        QVERIFY(zSvr::instance().D_StDcDb(path));
        QVERIFY(MainFixture::page(1001, QStringLiteral("第一章"), QStringLiteral("chapter one")));
        QVERIFY(MainFixture::page(1002, QStringLiteral("第二章"), QStringLiteral("chapter two")));
        QVERIFY(MainFixture::page(1003, QStringLiteral("第三章"), QStringLiteral("chapter three")));
        QVERIFY(MainFixture::page(1004, QStringLiteral("用語集"), QStringLiteral("the glossary, it's shared")));
        QVERIFY(MainFixture::page(2001, QStringLiteral("甲"), QStringLiteral("loop a")));
        QVERIFY(MainFixture::page(2002, QStringLiteral("乙"), QStringLiteral("loop b")));
        for (int p = 1001; p <= 1003; ++p) {
            QVERIFY(MainFixture::place(0, p, p - 1000, QStringLiteral("章")));
            QVERIFY(MainFixture::place(p, 1004, 0, QStringLiteral("用語集"), p != 1002));
        }
        QVERIFY(MainFixture::place(0, 2001, 9, QStringLiteral("甲")));
        QVERIFY(MainFixture::place(2001, 2002, 0, QStringLiteral("乙")));
        QVERIFY(MainFixture::place(2002, 2001, 0, QStringLiteral("甲"), true));
    }

    void cleanup() { m_f.reset(); }

    void whereUsedShowsEveryParent()
    {
        uTrg tree;
        tree.resize(300, 400);
        tree.show();
        QVERIFY(QTest::qWaitForWindowExposed(&tree));
        QSignalSpy chosen(&tree, &uTrg::eSetDoc);
        find(tree, QStringLiteral(" it's "));
        QCOMPARE(tree.view().topLevelItemCount(), 1);
        QTreeWidgetItem *top = tree.view().topLevelItem(0);
        QCOMPARE(top->text(0), QStringLiteral("用語集"));
        QCOMPARE(imageOf(top), 7);
        choose(tree, top);
        QCOMPARE(chosen.size(), 1);
        QCOMPARE(chosen.at(0), QVariantList({QStringLiteral("1004"), QStringLiteral("it's")}));
        // Three branches in parent order, each titled with the parent's own title; nothing above them.
        QCOMPARE(texts(top), QStringList({QStringLiteral("第一章"), QStringLiteral("第二章"), QStringLiteral("第三章")}));
        QCOMPARE(uTrg::GetKyNo(keyOf(top->child(2))), QStringLiteral("1003"));
        QCOMPARE(imageOf(top->child(0)), 3);
        choose(tree, top->child(0));
        QCOMPARE(top->child(0)->childCount(), 0);
        QCOMPARE(chosen.last().at(0).toString(), QStringLiteral("1001"));

        // The same phrase again and the empty phrase are listed once each; the empty one finds every page.
        find(tree, QStringLiteral("it's"));
        find(tree, QString());
        find(tree, QString());
        QCOMPARE(tree.findBox().count(), 2);
        QCOMPARE(tree.view().topLevelItemCount(), 6);
        find(tree, QStringLiteral("100%"));
        QCOMPARE(tree.view().topLevelItemCount(), 0);
    }

    void whereUsedWalkEndsOnACycle()
    {
        uTrg tree;
        tree.show();
        find(tree, QStringLiteral("loop b"));
        QTreeWidgetItem *node = tree.view().topLevelItem(0);
        QVERIFY(node);
        for (int depth = 0; depth < 4 && node; ++depth) {
            choose(tree, node);
            node = node->childCount() ? node->child(0) : nullptr;
        }
        // 乙 under 甲 under 乙 would repeat the path: the branch ends at 甲.
        QTreeWidgetItem *top = tree.view().topLevelItem(0);
        QCOMPARE(texts(top), QStringList{QStringLiteral("甲")});
        QCOMPARE(top->child(0)->childCount(), 0);
    }

    void tagTreeAddsOnceThenSelects()
    {
        uTrg tree;
        tree.tgTree(QStringLiteral("目次"), 1001);
        QCOMPARE(tree.view().topLevelItemCount(), 1);
        QTreeWidgetItem *root = tree.view().topLevelItem(0);
        QVERIFY(keyOf(root).startsWith(u'X'));
        QCOMPARE(imageOf(root), 2);
        QCOMPARE(tree.view().currentItem(), root);
        tree.tgTree(QStringLiteral("用語"), 1004);
        QTreeWidgetItem *child = tree.view().currentItem();
        QCOMPARE(child->parent(), root);
        tree.view().setCurrentItem(root);
        tree.tgTree(QStringLiteral("用語"), 1004);
        QCOMPARE(root->childCount(), 1);
        QCOMPARE(tree.view().currentItem(), child);
    }

    void lookUpWindowFollowsTagsReadOnly()
    {
        sbRev window(nullptr, &m_f->services);
        window.open();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(window.fileItem(0)->isEnabled());
        QVERIFY(!window.fileItem(1)->isEnabled());
        QVERIFY(!window.fileItem(2)->isEnabled());
        const int expected = Twips::toPx(window, 3600, true);
        QVERIFY(qAbs(window.splitter().sizes().value(0) - expected) <= 2);

        find(window.tree(), QStringLiteral("chapter"));
        QTreeWidgetItem *first = window.tree().view().topLevelItem(0);
        QCOMPARE(first->text(0), QStringLiteral("第一章"));
        choose(window.tree(), first);
        QCOMPARE(window.shownPage(), 1001);
        QCOMPARE(window.editor().edit().text(), QStringLiteral("chapter one"));
        QVERIFY(window.fileItem(1)->isEnabled());
        QCOMPARE(window.editor().edit().editMode(), 1); // read-only: shown, never stored

        // A tag to the link placement of 1004 under 1003 shows page 1004 and names it in the tree.
        window.editor().setBDcEdt(true); // whatever happened in the view is never stored from here
        QString kind = QStringLiteral("TG"), caption = QStringLiteral("用語"), key = QStringLiteral("1003_1004");
        window.followLink(kind, caption, key);
        QCOMPARE(window.shownPage(), 1004);
        QCOMPARE(window.editor().edit().text(), QStringLiteral("the glossary, it's shared"));
        QTreeWidgetItem *tag = window.tree().view().currentItem();
        QCOMPARE(tag->parent(), first);
        QCOMPARE(tag->text(0), QStringLiteral("用語"));
        QCOMPARE(uTrg::GetKyNo(keyOf(tag)), QStringLiteral("1004"));
        window.tree().view().setCurrentItem(first);
        window.followLink(kind, caption, key);
        QCOMPARE(window.tree().view().currentItem(), tag);
        QCOMPARE(first->childCount(), 1);
        QVERIFY(m_f->prompt.messages.isEmpty());
        QVERIFY(m_f->services.jobs.isEmpty());

        // While a long job runs, the menu does nothing, closing included.
        Usr::st().busy = true;
        window.fnMenu(2, 4);
        QVERIFY(window.isVisible());
        Usr::st().busy = false;
        window.fnMenu(2, 4);
        QVERIFY(!window.isVisible());
        yIni &ini = yIni::instance();
        ini.GetGtx(QStringLiteral("REV_位置"));
        QVERIFY(ini.vGtVal(QStringLiteral("nTrgWd"), 0).toInt() > 0);
    }
};

QTEST_MAIN(TestReverseLookup)
#include "tst_reverselookup.moc"

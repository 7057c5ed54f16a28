#include "PageDb.h"
#include "TreeProbe.h"

#include "core/Usr.h"
#include "core/yIni.h"
#include "platform/richtext/PageCodec.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/RichTextEdit.h"
#include "platform/richview/RichView.h"
#include "support/ScriptedPrompt.h"
#include "tree/sbTrX.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QTabWidget>
#include <QTextCursor>
#include <QTextTable>
#include <QMimeData>
#include <QTimer>
#include <QVBoxLayout>
#include <QtTest>

#include <functional>

// The page picker and viewer on the sample database, driven as a user drives
// them while the picker's modal loop runs.
class TestPagePicker : public QObject
{
    Q_OBJECT
private:
    struct Setup {
        PageDb db;
        ScriptedPrompt prompt;
        QWidget main;           // stands for the main window and its page tree
        uTrX *mainTree = nullptr;
        sbTrX *picker = nullptr;
        Setup()
        {
            auto *layout = new QVBoxLayout(&main);
            mainTree = new uTrX;
            layout->addWidget(mainTree);
        }
        ~Setup()
        {
            delete picker;
            Usr::st().mainWindow = nullptr;
            Usr::st().busy = false;
        }
    };

    static QByteArray pageBytes(const QString &text)
    {
        PageDocument doc;
        RichTextEdit edit(&doc);
        edit.setText(text);
        return PageCodec::save(doc);
    }

    // The node of `page` placed under `parent` in the picker's tree.
    static QTreeWidgetItem *placement(sbTrX &picker, int parent, int page)
    {
        TreeProbe probe(picker.tree());
        for (QTreeWidgetItemIterator it(probe.view()); *it; ++it) {
            const QString key = (*it)->data(0, uTrX::KeyRole).toString();
            const QString parentKey = (*it)->parent() ? (*it)->parent()->data(0, uTrX::KeyRole).toString() : QString();
            const int parentPage = parentKey.isEmpty() ? 0 : parentKey.section(u'-', 1).toInt();
            if (key.section(u'-', 1).toInt() == page && parentPage == parent)
                return *it;
        }
        return nullptr;
    }

    static void choose(sbTrX &picker, int parent, int page)
    {
        TreeProbe probe(picker.tree());
        QTreeWidgetItem *node = placement(picker, parent, page);
        QVERIFY2(node, qPrintable(QStringLiteral("%1 under %2").arg(page).arg(parent)));
        probe.click(node);
    }

    // Opens the picker; `during` runs inside its modal loop.
    static void act(sbTrX &picker, const QString &caption, QString &no, QString &text, bool tag,
                    const std::function<void()> &during)
    {
        QTimer::singleShot(0, &picker, [&] {
            during();
            if (picker.isVisible()) // a failed step must not leave the test waiting
                picker.mnJb_Click(1);
        });
        picker.Act(caption, no, text, tag);
    }

    std::unique_ptr<Setup> m_s;

private slots:
    void init()
    {
        m_s = std::make_unique<Setup>();
        QVERIFY(m_s->db.ok());
        m_s->db.fillSample();
        // A link placement of 1002 under 1003 besides its home under 1001; every page has a document.
        QVERIFY(PageDb::place(1003, 1002, 5, true, QStringLiteral("使い方")));
        for (int no = 1001; no <= 1010; ++no)
            QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Update msDoc Set obDoc = ? Where noDoc = ?"),
                                             {pageBytes(QStringLiteral("page %1").arg(no)), no}));
        Usr::st().mainWindow = &m_s->main;
        m_s->main.show();
        m_s->mainTree->SetNodes(QStringLiteral("0"));
        m_s->picker = new sbTrX(&m_s->main);
    }

    void cleanup() { m_s.reset(); }

    void tagModeNamesLinkPlacements_data()
    {
        QTest::addColumn<int>("parent");
        QTest::addColumn<bool>("tag");
        QTest::addColumn<QString>("expected");
        QTest::newRow("link, tag mode") << 1003 << true << "1003_1002";
        QTest::newRow("home, tag mode") << 1001 << true << "1002";
        QTest::newRow("link, page mode") << 1003 << false << "1002";
        // A link at the top level is named by the top level's 0.
        QTest::newRow("top-level link, tag mode") << 0 << true << "0_1002";
    }

    void tagModeNamesLinkPlacements()
    {
        QFETCH(int, parent);
        QFETCH(bool, tag);
        QFETCH(QString, expected);
        sbTrX &picker = *m_s->picker;
        QString no, text;
        act(picker, QStringLiteral("ﾀｸﾞの参照"), no, text, tag, [&] {
            // Nothing selected by the caller: the tag text is the chosen page's title, and editable.
            QCOMPARE(picker.selTextBox().isVisibleTo(&picker), tag);
            if (tag)
                QVERIFY(!picker.selTextBox().isEnabled());
            QTreeWidgetItem *top = placement(picker, 0, 1001);
            QVERIFY(top);
            top->setExpanded(true);
            if (parent == 1003)
                placement(picker, 1001, 1003)->setExpanded(true);
            choose(picker, parent, 1002);
            QCOMPARE(picker.shownPage(), QStringLiteral("1002"));
            QCOMPARE(picker.edit().text(), QStringLiteral("page 1002"));
            QVERIFY(picker.windowTitle().endsWith(QStringLiteral(" 文書No:1002")));
            if (tag) {
                QCOMPARE(picker.tagBox().text(), QStringLiteral("使い方"));
                picker.tagBox().setText(QStringLiteral("使い方の説明"));
            }
            picker.mnJb_Click(0);
        });
        QCOMPARE(no, expected);
        QCOMPARE(text, tag ? QStringLiteral("使い方の説明") : QStringLiteral("使い方"));
        QVERIFY(m_s->prompt.messages.isEmpty());
    }

    // "閉じる", Escape and the close box all return nothing, even after an earlier choice.
    void closingReturnsNothing_data()
    {
        QTest::addColumn<int>("how");
        QTest::newRow("close item") << 0;
        QTest::newRow("close box") << 1;
        QTest::newRow("escape") << 2;
    }

    void closingReturnsNothing()
    {
        QFETCH(int, how);
        sbTrX &picker = *m_s->picker;
        QString no, text;
        act(picker, QStringLiteral("既存ﾍﾟｰｼﾞを参照"), no, text, false, [&] {
            QCOMPARE(picker.view().editMode(), 2);
            choose(picker, 0, 1001);
            picker.mnJb_Click(0);
        });
        QCOMPARE(no, QStringLiteral("1001"));
        act(picker, QStringLiteral("既存ﾍﾟｰｼﾞを参照"), no, text, false, [&] {
            choose(picker, 0, 1005);
            if (how == 0)
                picker.mnJb_Click(1);
            else if (how == 1)
                picker.close();
            else
                QTest::keyClick(&picker, Qt::Key_Escape);
        });
        QVERIFY(no.isEmpty());
        QVERIFY(text.isEmpty());
    }

    void hiddenPageAsksFirst()
    {
        sbTrX &picker = *m_s->picker;
        QString no, text;
        m_s->prompt.answers << Prompt::Cancel << Prompt::Ok;
        bool stayedOpen = false;
        act(picker, QStringLiteral("ﾀｸﾞの参照"), no, text, true, [&] {
            choose(picker, 0, 1009);
            picker.mnJb_Click(0);
            stayedOpen = picker.isVisible();
            picker.mnJb_Click(0);
        });
        QVERIFY(stayedOpen);
        QCOMPARE(m_s->prompt.messages.size(), 2);
        QCOMPARE(m_s->prompt.messages.at(0), QStringLiteral("現在のページは、非公開です　HTM Epubには出力されません\n"
                                                            "このページへタグ挿入しますか"));
        QCOMPARE(no, QStringLiteral("1009"));
    }

    // The caller's selected text can be taken as the tag text; the picker opens on the
    // main window's current placement and hands it back when nothing else is chosen.
    void selectedTextAndMainTreeState()
    {
        m_s->mainTree->SetLeaf(QStringLiteral("1004"));
        sbTrX &picker = *m_s->picker;
        QString no, text = QStringLiteral("\x01 選んだ文字 ");
        act(picker, QStringLiteral("ﾀｸﾞの参照"), no, text, true, [&] {
            QCOMPARE(picker.shownPage(), QStringLiteral("1004"));
            QVERIFY(picker.selTextBox().isEnabled());
            QTest::mouseClick(&picker.selTextBox(), Qt::LeftButton);
            QCOMPARE(picker.tagBox().text(), QStringLiteral("選んだ文字"));
            QVERIFY(!picker.tagBox().isEnabled());
            QTest::mouseClick(&picker.selTextBox(), Qt::LeftButton);
            QCOMPARE(picker.tagBox().text(), QStringLiteral("設定"));
            picker.mnJb_Click(0);
        });
        QCOMPARE(no, QStringLiteral("1004"));
        QCOMPARE(text, QStringLiteral("設定"));
    }

    void pageWithoutRowOrDocument()
    {
        QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Update msDoc Set obDoc = Null Where noDoc = 1005")));
        sbTrX &picker = *m_s->picker;
        QString no, text;
        act(picker, QStringLiteral("既存ﾍﾟｰｼﾞを参照"), no, text, false, [&] {
            choose(picker, 0, 1001);
            QVERIFY(picker.selectItem()->isEnabled());
            choose(picker, 0, 1005);
            QVERIFY(picker.edit().text().isEmpty());
            QVERIFY(!picker.selectItem()->isEnabled());
            // A page removed since the tree was shown.
            QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Delete From msDoc Where noDoc = 1010")));
            choose(picker, 0, 1010);
            QCOMPARE(m_s->prompt.messages, QStringList{QStringLiteral("Read Err  文書No:1010")});
            // Select is disabled: it does nothing.
            picker.mnJb_Click(0);
            QVERIFY(picker.isVisible());
        });
        QVERIFY(no.isEmpty());
    }

    // The "参照外" tab lists the pages placed nowhere: each can be viewed and chosen, and
    // "選択" returns the page on screen, never the one shown before.
    void unplacedPagesCanBeChosen()
    {
        QVERIFY(PageDb::page(1011, QStringLiteral("置き場のない頁"), QStringLiteral("loose")));
        QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Update msDoc Set obDoc = ? Where noDoc = 1011"),
                                         {pageBytes(QStringLiteral("page 1011"))}));
        sbTrX &picker = *m_s->picker;
        QString no, text;
        act(picker, QStringLiteral("既存ﾍﾟｰｼﾞを参照"), no, text, false, [&] {
            choose(picker, 0, 1001);
            auto *tabs = picker.tree().findChild<QTabWidget *>();
            QVERIFY(tabs);
            QCOMPARE(tabs->tabText(2), QStringLiteral("参照外"));
            tabs->setCurrentIndex(2);
            auto *list = picker.tree().findChild<QListWidget *>(QStringLiteral("lsRsnt"));
            QVERIFY(list);
            const QList<QListWidgetItem *> found = list->findItems(QStringLiteral("置き場のない頁"), Qt::MatchExactly);
            QCOMPARE(found.size(), 1);
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(found.first()).center());
            QCOMPARE(list->findItems(QStringLiteral("置き場のない頁"), Qt::MatchExactly).size(), 1);
            QCOMPARE(picker.shownPage(), QStringLiteral("1011"));
            QCOMPARE(picker.edit().text(), QStringLiteral("page 1011"));
            QVERIFY(picker.windowTitle().endsWith(QStringLiteral(" 文書No:1011")));
            picker.mnJb_Click(0);
        });
        QCOMPARE(no, QStringLiteral("1011"));
        QCOMPARE(text, QStringLiteral("置き場のない頁"));
        QVERIFY(m_s->prompt.messages.isEmpty());
    }

    // The picker used on another database than last time starts empty: the page it showed, its tag
    // text and its view were of the other database, and "選択" gave that page's number to a page of
    // this one (a tag to a page it does not hold, or to whichever page has that number here).
    void anotherDatabaseStartsEmpty_data()
    {
        QTest::addColumn<bool>("samePage"); // the second database has a page of the number chosen before
        QTest::newRow("empty database") << false;
        QTest::newRow("page of the same number") << true;
    }

    void anotherDatabaseStartsEmpty()
    {
        QFETCH(bool, samePage);
        sbTrX &picker = *m_s->picker;
        QString no, text;
        act(picker, QStringLiteral("ﾀｸﾞの参照"), no, text, true, [&] {
            placement(picker, 0, 1001)->setExpanded(true);
            choose(picker, 1001, 1002);
            picker.mnJb_Click(0);
        });
        QCOMPARE(no, QStringLiteral("1002"));
        // A second database takes the place of the first, its tree in the main window.
        QTemporaryDir other;
        ServerDb server;
        const QString second = ServerDb::wanted() ? server.create(other.path()) : other.filePath(QStringLiteral("B.txdb"));
        QVERIFY(!second.isEmpty() && (ServerDb::wanted() || TemplateDb::create(second)));
        QVERIFY(zSvr::instance().D_StDcDb(second));
        const auto closeSecond = qScopeGuard([] { zSvr::instance().D_Close(); });
        if (samePage) {
            QVERIFY(PageDb::page(1002, QStringLiteral("別の頁"), QStringLiteral("other")));
            QVERIFY(PageDb::place(0, 1002, 0, false, QStringLiteral("別の頁")));
            QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Update msDoc Set obDoc = ? Where noDoc = 1002"),
                                             {pageBytes(QStringLiteral("page of B"))}));
        }
        m_s->mainTree->ClearItem(true);
        m_s->mainTree->SetNodes(QStringLiteral("0"));
        no.clear();
        text.clear();
        bool stayedOpen = false;
        act(picker, QStringLiteral("ﾀｸﾞの参照"), no, text, true, [&] {
            QCOMPARE(picker.shownPage(), QString());
            QCOMPARE(picker.tagBox().text(), QString());
            QCOMPARE(picker.edit().text(), QString());
            QVERIFY(!picker.windowTitle().contains(QStringLiteral("文書No")));
            // No page of this database chosen: "選択" chooses nothing.
            picker.mnJb_Click(0);
            stayedOpen = picker.isVisible();
        });
        QVERIFY(stayedOpen);
        QVERIFY(no.isEmpty());
        QVERIFY(text.isEmpty());
        if (!samePage)
            return;
        // A page of this database, chosen, is given as ever.
        act(picker, QStringLiteral("ﾀｸﾞの参照"), no, text, true, [&] {
            choose(picker, 0, 1002);
            QCOMPARE(picker.edit().text(), QStringLiteral("page of B"));
            picker.mnJb_Click(0);
        });
        QCOMPARE(no, QStringLiteral("1002"));
        QCOMPARE(text, QStringLiteral("別の頁"));
    }

    // A right click in the viewer opens its own copy menu and nothing of Qt's over it.
    void viewerRightClickShowsOnlyItsMenu()
    {
        sbTrX &viewer = sbTrX::viewerFor(m_s->mainTree);
        viewer.ActS();
        QWidget *port = viewer.view().viewport();
        const QPoint at = port->rect().center();
        QTest::mousePress(port, Qt::RightButton, {}, at);
        QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, at, port->mapToGlobal(at));
        QApplication::sendEvent(port, &menuEvent);
        QTest::mouseRelease(port, Qt::RightButton, {}, at);
        QStringList shown;
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (auto *menu = qobject_cast<QMenu *>(w); menu && menu->isVisible())
                shown << menu->actions().value(0)->text();
        }
        QCOMPARE(shown, QStringList{QStringLiteral("指定範囲をｺﾋﾟｰ(&C)")});
        for (QWidget *w : QApplication::topLevelWidgets())
            if (qobject_cast<QMenu *>(w))
                w->hide();
        viewer.close();
    }

    void zoomAndPaneSettings()
    {
        yIni &ini = yIni::instance();
        ini.GetGtx(QStringLiteral("TXR1_位置"));
        ini.SetVal(QStringLiteral("Zoom"), 9);
        ini.SetVal(QStringLiteral("Tree"), 7);
        ini.SetGtx();
        sbTrX &picker = *m_s->picker;
        QString no, text;
        act(picker, QStringLiteral("既存ﾍﾟｰｼﾞを参照"), no, text, false, [&] {
            // Out-of-range values fall back to 80 % and the standard pane.
            QCOMPARE(picker.zoomList().currentIndex(), 2);
            QCOMPARE(picker.view().zoom(), 80);
            QCOMPARE(picker.treeMode(), 0);
            picker.zoomList().setCurrentIndex(6);
            emit picker.zoomList().activated(6);
            QCOMPARE(picker.view().zoom(), 40);
            picker.mnDspF_Click(2);
            QVERIFY(picker.tree().isHidden());
            picker.mnJb_Click(1);
        });
        ini.GetGtx(QStringLiteral("TXR1_位置"));
        QCOMPARE(ini.vGtVal(QStringLiteral("Zoom"), -1).toInt(), 6);
        QCOMPARE(ini.vGtVal(QStringLiteral("Tree"), -1).toInt(), 2);
    }

    void viewerCopiesPlainText()
    {
        m_s->mainTree->SetLeaf(QStringLiteral("1003"));
        sbTrX &viewer = sbTrX::viewerFor(m_s->mainTree);
        QCOMPARE(&sbTrX::viewerFor(m_s->mainTree), &viewer);
        viewer.ActS();
        QVERIFY(viewer.isVisible());
        QVERIFY(!viewer.isModal());
        QVERIFY(!viewer.selectItem()->isVisible());
        QCOMPARE(viewer.windowTitle(), QStringLiteral("他ﾍﾟｰｼﾞを参照 文書No:1003"));
        QCOMPARE(viewer.view().editMode(), 1);
        viewer.copyItem(2);
        const QMimeData *data = QGuiApplication::clipboard()->mimeData();
        QVERIFY(data);
        QCOMPARE(data->formats(), QStringList{QStringLiteral("text/plain")});
        QCOMPARE(data->text(), QStringLiteral("page 1003"));
        viewer.copyItem(1);
        QVERIFY(QGuiApplication::clipboard()->mimeData()->formats().size() > 1);
        // A table goes as a line a row, its cells apart by a tab; no cell mark or object goes with it.
        QTextCursor cursor(viewer.view().edit()->document());
        cursor.movePosition(QTextCursor::End);
        QTextTable *table = cursor.insertTable(2, 2);
        for (int cell = 0; cell < 4; ++cell)
            table->cellAt(cell / 2, cell % 2).firstCursorPosition().insertText(QString(QChar(u'a' + cell)));
        viewer.copyItem(2);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("page 1003\na\tb\nc\td\n"));
        viewer.close();
    }
};

QTEST_MAIN(TestPagePicker)
#include "tst_pagepicker.moc"

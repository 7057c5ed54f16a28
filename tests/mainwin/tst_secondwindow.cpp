#include "MainFixture.h"

#include "mainwin/sbDoc.h"
#include "mainwin/uFky.h"
#include "support/UnreachablePages.h"
#include "tree/uTrX.h"

#include <QAction>
#include <QTreeWidget>
#include <QToolButton>
#include <QTreeWidgetItemIterator>

// The second edit window beside the main window on one database.
class TestSecondWindow : public QObject
{
    Q_OBJECT
private:
    std::unique_ptr<MainFixture> m_f;

    fmDoc &main() { return *m_f->window; }
    sbDoc &second()
    {
        main().menuClicked(QStringLiteral("mnTree"), 24);
        return *main().secondWindow();
    }
    static QTreeWidget *view(uTrX &tree) { return tree.findChild<QTreeWidget *>(QStringLiteral("trView")); }
    static QTreeWidgetItem *node(uTrX &tree, int page)
    {
        for (QTreeWidgetItemIterator it(view(tree)); *it; ++it)
            if ((*it)->data(0, uTrX::KeyRole).toString().section(u'-', 1).toInt() == page)
                return *it;
        return nullptr;
    }
    static void choose(uTrX &tree, int page)
    {
        QTreeWidgetItem *item = node(tree, page);
        QVERIFY(item);
        view(tree)->scrollToItem(item);
        QTest::mouseClick(view(tree)->viewport(), Qt::LeftButton, {}, view(tree)->visualItemRect(item).center());
    }
    static QString stored(int page)
    {
        return MainFixture::value(QStringLiteral("Select txDoc From msDoc Where noDoc = ?"), {page}).toString();
    }
    static void type(fmDoc &window, const QString &text)
    {
        window.editor().edit().setText(text);
        window.editor().setBDcEdt(true);
    }

private slots:
    void init()
    {
        m_f = std::make_unique<MainFixture>();
        const QString path = m_f->databaseWithThreePages(QStringLiteral("Two.txdb"));
        QVERIFY(!path.isEmpty());
        main().SetDBNo(path, 0);
        main().show();
        QVERIFY(QTest::qWaitForWindowExposed(&main()));
        node(main().tree(), 1001)->setExpanded(true);
        choose(main().tree(), 1003);
        QCOMPARE(main().nDocNo, 1003);
    }

    void cleanup()
    {
        if (main().secondWindow())
            main().secondWindow()->close();
        m_f.reset();
    }

    void opensOnTheMainTreeAndSaves()
    {
        sbDoc &w = second();
        QVERIFY(w.isVisible());
        QCOMPARE(w.nDocNo, 1003);
        QCOMPARE(w.keys().panelText().trimmed(), QStringLiteral("文書No:1003"));
        QCOMPARE(w.editor().edit().text(), QStringLiteral("body"));
        QVERIFY(node(w.tree(), 1001)->isExpanded());
        QVERIFY(&w.tree() != &main().tree());
        // Later expansions in one tree leave the other alone.
        node(w.tree(), 1001)->setExpanded(false);
        QVERIFY(node(main().tree(), 1001)->isExpanded());

        // Its own keys: no F9, Ctrl+F3 shows another page, Ctrl+F4 tidies; no page, file or help menu.
        QVERIFY(!w.keys().keyMap().contains(QStringLiteral("F9=")));
        // Keys it does not have are not shown at all; its own stay.
        for (const char *absent : {"F9", "C1", "C2"})
            QVERIFY2(w.keys().key(QLatin1String(absent))->isHidden(), absent);
        for (const char *shown : {"F8", "C3"})
            QVERIFY2(!w.keys().key(QLatin1String(shown))->isHidden(), shown);
        QVERIFY(w.keys().keyMap().contains(QStringLiteral("C3=") + uFky::sHex(3, 15)));
        QVERIFY(w.keys().keyMap().contains(QStringLiteral("C4=") + uFky::sHex(3, 16)));
        QVERIFY(!w.item(QStringLiteral("mnJb"), 0)->isVisible());
        QVERIFY(!w.item(QStringLiteral("mnTree"), 24)->isVisible());
        QCOMPARE(w.item(QStringLiteral("mnTree"), 14)->text(), QStringLiteral("既存のﾍﾟｰｼﾞから文書を複写"));

        choose(w.tree(), 1002);
        QCOMPARE(w.nDocNo, 1002);
        type(w, QStringLiteral("afterword, revised"));
        w.fnMenu(3, 18);
        QCOMPARE(stored(1002), QStringLiteral("afterword, revised"));
        QVERIFY(!w.editor().bDcEdt());
        QCOMPARE(main().nDocNo, 1003);
        QVERIFY(m_f->prompt.messages.isEmpty());
    }

    // Both windows on one page: the later save asks before it replaces the earlier one.
    void laterSaveOfTheSamePageAsks()
    {
        sbDoc &w = second();
        QCOMPARE(w.nDocNo, 1003);
        type(main(), QStringLiteral("body from the main window"));
        main().fnMenu(3, 18);
        QCOMPARE(stored(1003), QStringLiteral("body from the main window"));

        type(w, QStringLiteral("body from the second window"));
        m_f->prompt.answers << Prompt::No;
        w.fnMenu(3, 18);
        QCOMPARE(m_f->prompt.messages.size(), 1);
        QVERIFY(m_f->prompt.messages.at(0).contains(QStringLiteral("別の編集画面")));
        QCOMPARE(stored(1003), QStringLiteral("body from the main window"));
        QVERIFY(w.editor().bDcEdt());

        m_f->prompt.answers << Prompt::Yes;
        w.fnMenu(3, 18);
        QCOMPARE(stored(1003), QStringLiteral("body from the second window"));
        QVERIFY(!w.editor().bDcEdt());
        // Its own later saves ask nothing more; the main window's next save asks in turn.
        type(w, QStringLiteral("second again"));
        w.fnMenu(3, 18);
        QCOMPARE(m_f->prompt.messages.size(), 2);
        type(main(), QStringLiteral("main again"));
        m_f->prompt.answers << Prompt::No;
        main().fnMenu(3, 18);
        QCOMPARE(m_f->prompt.messages.size(), 3);
        QCOMPARE(stored(1003), QStringLiteral("second again"));
    }

    // Both windows add a page at once and are shown the same number: both pages are kept, each
    // with its own number and placement.
    void twoNewPagesAtOnceKeepTheirOwnNumbers()
    {
        sbDoc &w = second();
        main().NewPage(1);
        w.NewPage(1);
        QCOMPARE(main().nDocNo, 1004);
        QCOMPARE(w.nDocNo, 1004);
        type(main(), QStringLiteral("主の頁\nfrom main"));
        main().fnMenu(3, 18);
        type(w, QStringLiteral("副の頁\nfrom second"));
        w.fnMenu(3, 18);
        QVERIFY(m_f->prompt.messages.isEmpty());
        QCOMPARE(main().nDocNo, 1004);
        QCOMPARE(w.nDocNo, 1005);
        QCOMPARE(stored(1004), QStringLiteral("主の頁\nfrom main"));
        QCOMPARE(stored(1005), QStringLiteral("副の頁\nfrom second"));
        QCOMPARE(MainFixture::value(QStringLiteral("Select Count(*) From tbTree Where noLfC In (1004, 1005)")).toInt(), 2);
        QCOMPARE(MainFixture::value(QStringLiteral("Select szDoc From tbTree Where noLfC = 1005")).toString(),
                 QStringLiteral("副の頁"));
    }

    // One user, two windows: the second window's new page stands below a page that the main window
    // deletes before the page is saved. It is stored at the end of the top level, where both trees
    // reach it; it was stored below the deleted page, out of everybody's reach.
    void aNewPageBelowAPageTheMainWindowDeleted()
    {
        sbDoc &w = second();
        QCOMPARE(w.nDocNo, 1003);
        w.NewPage(2);
        QCOMPARE(w.nDocNo, 1004);
        type(w, QStringLiteral("副の頁\nfrom second"));
        choose(main().tree(), 1001);
        m_f->prompt.answers << Prompt::Ok;
        main().DeletePage();
        QCOMPARE(MainFixture::value(QStringLiteral("Select Count(*) From tbTree Where noLfC = 1001")).toInt(), 0);
        w.fnMenu(3, 18);
        QCOMPARE(m_f->prompt.messages.size(), 2);
        QCOMPARE(m_f->prompt.messages.last(), QStringLiteral("上位のﾍﾟｰｼﾞは別の編集画面か他の利用者がﾂﾘｰから削除しています\n"
                                                             "このﾍﾟｰｼﾞは最上位の末尾に保存しました"));
        QCOMPARE(stored(1004), QStringLiteral("副の頁\nfrom second"));
        QCOMPARE(MainFixture::value(QStringLiteral("Select Count(*) From tbTree Where noLfP = 0 And noLfC = 1004")).toInt(), 1);
        QCOMPARE(UnreachablePages::ofOpen(), (QList<qint64>{1001, 1003}));
        QCOMPARE(w.tree().sGetLeaf(), QStringLiteral("1004,0"));
    }

    // Closing the database closes the second window first; its unsaved page asks, and a
    // cancel keeps both the window and the database.
    void databaseCloseClosesTheSecondWindowFirst()
    {
        sbDoc &w = second();
        type(w, QStringLiteral("unsaved"));
        m_f->prompt.answers << Prompt::Cancel;
        main().CloseDb();
        QVERIFY(w.isVisible());
        QVERIFY(zSvr::instance().isOpen());
        QCOMPARE(stored(1003), QStringLiteral("body"));
        m_f->prompt.answers << Prompt::Yes;
        main().CloseDb();
        QVERIFY(!w.isVisible());
        QVERIFY(!zSvr::instance().isOpen());
        QVERIFY(main().sDbPath.isEmpty());
        // Saved into the database it was read from, before that one closed.
        QVERIFY(zSvr::instance().D_StDcDb(m_f->dir.filePath(QStringLiteral("Two.txdb"))));
        QCOMPARE(stored(1003), QStringLiteral("unsaved"));
        zSvr::instance().D_Close();
    }

    // The open file taken away, and saved where the user says from either window: both windows name
    // the file they now work in, and the save is in it. The second window kept the old file's name;
    // and once it had been opened, it was the second window that asked and took the new file, and
    // the main window kept the old name.
    void aSaveElsewhereIsNamedInBothWindows_data()
    {
        QTest::addColumn<int>("how");
        QTest::newRow("F8 in the main window") << 0;
        QTest::newRow("F8 in the second window") << 1;
        QTest::newRow("別名保存 in the main window") << 2;
    }
    void aSaveElsewhereIsNamedInBothWindows()
    {
        QFETCH(int, how);
        sbDoc &w = second();
        const QString path = main().sDbPath;
        QVERIFY(QFile::remove(path));
        const QString target = m_f->dir.filePath(QStringLiteral("Elsewhere.txdb"));
        m_f->prompt.answers << Prompt::Yes;
        m_f->prompt.files << target;
        if (how == 2) {
            main().SaveDbAs();
        } else {
            fmDoc &saving = how == 0 ? main() : static_cast<fmDoc &>(w);
            type(saving, QStringLiteral("elsewhere"));
            saving.fnMenu(3, 18);
            QVERIFY(!saving.editor().bDcEdt());
        }
        QCOMPARE(zSvr::instance().sSvr, target);
        QCOMPARE(main().sDbPath, target);
        QVERIFY2(main().windowTitle().startsWith(QStringLiteral("Elsewhere.txdb - ")), qPrintable(main().windowTitle()));
        QVERIFY(w.isVisible());
        QVERIFY2(w.windowTitle().startsWith(QStringLiteral("Elsewhere.txdb - ")), qPrintable(w.windowTitle()));
        QCOMPARE(stored(1003), how == 2 ? QStringLiteral("body") : QStringLiteral("elsewhere"));
        // A later save of the second window goes there too (after the main window's save of the page
        // it would ask first).
        if (how != 0) {
            type(w, QStringLiteral("later"));
            w.fnMenu(3, 18);
            QCOMPARE(stored(1003), QStringLiteral("later"));
        }
        QVERIFY(!QFileInfo::exists(path));
    }

    void storedSettingsHideTheKeyBar()
    {
        yIni &ini = yIni::instance();
        ini.GetGtx(QStringLiteral("位置SUB"));
        ini.SetVal(QStringLiteral("Function"), QStringLiteral("非表示"));
        ini.SetGtx();
        sbDoc &w = second();
        QVERIFY(!w.bShwFky);
        QVERIFY(!w.keys().isVisible());
        QVERIFY(!w.item(QStringLiteral("mnDisp"), 0)->isChecked());
        w.close();
        ini.GetGtx(QStringLiteral("位置SUB"));
        QCOMPARE(ini.vGtVal(QStringLiteral("Function"), QString()).toString(), QStringLiteral("非表示"));
        QVERIFY(ini.vGtVal(QStringLiteral("TrxWd"), 0).toInt() > 0);
    }
};

QTEST_MAIN(TestSecondWindow)
#include "tst_secondwindow.moc"

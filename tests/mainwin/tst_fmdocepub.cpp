#include "MainFixture.h"
#include "core/zClt.h"
#include "publish/epub/sbEpub.h"
#include "tree/uTrX.h"

#include <QAbstractButton>
#include <QAction>
#include <QButtonGroup>

// The EPUB item of the output menu: it starts from the page shown in the main
// window and leaves that page in the editor.
class TestFmDocEpub : public QObject
{
    Q_OBJECT
private slots:
    void fromTheMenu();
};

// Page 1001 at the top holding 1002; 1003 at the top too. The stored
// documents are the stub editor's, which the book cannot read: each page is
// published with its plain text, and the closing message says so.
void TestFmDocEpub::fromTheMenu()
{
    MainFixture f;
    const QString path = f.database(QStringLiteral("Book.txdb"));
    QVERIFY(zSvr::instance().D_StDcDb(path));
    QVERIFY(f.page(1001, QStringLiteral("序章"), QStringLiteral("はじめ")) && f.place(0, 1001, 0, QStringLiteral("序章")));
    QVERIFY(f.page(1002, QStringLiteral("一節"), QStringLiteral("本文一")) && f.place(1001, 1002, 0, QStringLiteral("一節")));
    QVERIFY(f.page(1003, QStringLiteral("終章"), QStringLiteral("おわり")) && f.place(0, 1003, 1, QStringLiteral("終章")));
    zSvr::instance().D_Close();
    f.window->SetDBNo(path, 0);
    f.window->show();
    QAction *item = f.window->item(QStringLiteral("mnRet"), 3);
    QVERIFY(item->isEnabled());

    f.window->tree().SetLeaf(QStringLiteral("1001"));
    QCOMPARE(f.window->nDocNo, 1001);
    int shown = 0;
    sbEpub::setRunner([&](sbEpub &d) {
        ++shown;
        d.SetCell(2, 1, QStringLiteral("本"));
        d.SetCell(2, 2, QStringLiteral("book_1"));
        d.ranges()->button(2)->setChecked(true); // this page and all below it
        d.press(0);
    });
    item->trigger();
    sbEpub::setRunner(nullptr);
    QCOMPARE(shown, 1);
    const QString book = Usr::st().userData + QStringLiteral("ePub/Book.epub");
    QCOMPARE(f.prompt.messages.last(), book + QStringLiteral(" に出力しました\n次のﾍﾟｰｼﾞは文書を読めなかったので、ﾃｷｽﾄだけを出力しました\n"
                                                             "  序章 (1001)\n  一節 (1002)"));
    const QString oebps = Usr::st().userData + QStringLiteral("ePub/Book/OEBPS/");
    QVERIFY(zClt::instance().FsGtUtf(oebps + QStringLiteral("1001.xhtml")).contains(QStringLiteral("はじめ")));
    QVERIFY(QFile::exists(oebps + QStringLiteral("1002.xhtml")));
    QVERIFY(!QFile::exists(oebps + QStringLiteral("1003.xhtml")));
    QCOMPARE(f.window->nDocNo, 1001);
    QVERIFY(!Usr::st().busy);
}

QTEST_MAIN(TestFmDocEpub)
#include "tst_fmdocepub.moc"

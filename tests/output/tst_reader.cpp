#include "core/Frmt.h"
#include "core/Usr.h"
#include "editor/LoadWait.h"
#include "core/yIni.h"
#include "output/reader/sbDmp.h"
#include "platform/richtext/PageCodec.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/PositionText.h"
#include "platform/richview/RichView.h"
#include "support/ScriptedPrompt.h"
#include "support/TestHome.h"
#include "support/WaitWatch.h"
#include "tree/PageDb.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>
#include <QTimer>
#include <QtTest>

namespace {

QByteArray pageBytes(const QString &text, int lines = 1)
{
    PageDocument page;
    QTextCursor cursor(page.main());
    for (int i = 0; i < lines; ++i) {
        if (i > 0)
            cursor.insertBlock();
        cursor.insertText(text);
    }
    return PageCodec::save(page);
}

// One paragraph of `characters`, its lines apart by line breaks (a text pasted as text).
QString pastedText(int characters)
{
    const QString line = QStringLiteral("貼り付けたテキストの一行です。A line of a pasted text, 1234567890.");
    return QStringList(characters / line.size() + 1, line).join(QChar::LineSeparator).left(characters);
}

QByteArray tableBytes(int rows, int columns)
{
    PageDocument page(PageDocument::WithoutLayout);
    QTextCursor cursor(page.main());
    QTextTable *table = cursor.insertTable(rows, columns);
    for (int row = 0; row < rows; ++row)
        table->cellAt(row, row % columns).firstCursorPosition().insertText(QString::number(row));
    return PageCodec::save(page);
}

bool storePage(int no, const QString &title, const QString &text, const QByteArray &doc)
{
    return zSvr::instance().D_ExeSq(
        QStringLiteral("Insert Into msDoc (noDoc, szDoc, txDoc, obDoc, boCod, dyUdt) Values (?, ?, ?, ?, 0, ?)"),
        {no, title, text, doc, QStringLiteral("2024-01-01 10:00:00")});
}

} // namespace

class TestReader : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void oneText();
    void oneTextWrapsAtTheWindow();
    void pageByPage();
    void timedAdvanceAndSettings();
    void unreadableFirstPage();
    void pagesWithoutDocument();
    void cellsAndPlainPagesInTheBodyStyle();
    void largePageUnderTheWaitWindow_data();
    void largePageUnderTheWaitWindow();

private:
    TestHome m_home;
    QTemporaryDir m_dir;
    ScriptedPrompt m_prompt;
};

void TestReader::init()
{
    Usr::st().userData = m_dir.path() + u'/';
    yIni::release();
    m_prompt.messages.clear();
    m_prompt.answers.clear();
}

// Node 1001 with its children 1002 (placed twice, under two titles) and 1003 (no text).
void TestReader::oneText()
{
    PageDb db;
    QVERIFY(db.ok());
    QVERIFY(storePage(1001, QStringLiteral("序"), QStringLiteral("a\n\n\nb\rc"), {}));
    QVERIFY(storePage(1002, QStringLiteral("本"), QStringLiteral("x\r\ny\v"), {}));
    QVERIFY(PageDb::place(0, 1001, 0, false, QStringLiteral("序")));
    QVERIFY(PageDb::place(1001, 1002, 0, false, QStringLiteral("本その一")));
    QVERIFY(PageDb::place(1001, 1003, 1, false, QStringLiteral("空")));
    QVERIFY(PageDb::place(0, 1002, 2, true, QStringLiteral("本その二")));
    sbDmp viewer;
    QStringList copies;
    viewer.setRunner([&](sbDmp &window) {
        window.button(4)->click();
        copies << QApplication::clipboard()->text();
        window.button(4)->click();
        copies << QApplication::clipboard()->text();
        copies << QString::number(window.button(0)->isVisible());
    });
    viewer.ActT(QStringLiteral("0-1001,1001-1002,1001-1003,0-1002"), QStringLiteral("1,2,3"));
    // A carriage return does not end the page's paragraph: it stays a break inside it, and a CR LF
    // pair is one break.
    const QString expected =
        QStringLiteral("■  序\va\vb\vc\v\n■ １ 本その一\vx\vy\v\n■ ２ 空\v\v\n■ ３ 本その二\vx\vy\v\n");
    QCOMPARE(PositionText::text(viewer.page()->main()), expected);
    // The heading is bold, the text is not; both at 10 points.
    const QTextDocument *doc = viewer.page()->main();
    const int body = doc->toPlainText().indexOf(u'a');
    QCOMPARE(PositionText::formatAt(doc, 0).fontWeight(), int(QFont::Bold));
    QCOMPARE(PositionText::formatAt(doc, body).fontWeight(), int(QFont::Normal));
    QCOMPARE(PositionText::formatAt(doc, body).fontPointSize(), 10.0);
    QCOMPARE(viewer.button(4)->text(), QStringLiteral("ｸﾘｯﾌﾟ"));
    QCOMPARE(copies.size(), 3);
    QCOMPARE(copies[0], viewer.plainText());
    QCOMPARE(copies[1], copies[0]);
    QCOMPARE(m_prompt.messages, QStringList(2, QStringLiteral("ｸﾘｯﾌﾟﾎﾞｰﾄﾞにｺﾋﾟｰしました")));

    // The whole-tree range numbers every key, the first one too.
    viewer.MakeTxt(QStringLiteral("0-1001,1001-1002"), QStringLiteral("1,1-1"));
    QVERIFY(PositionText::text(viewer.page()->main()).startsWith(QStringLiteral("■ １ 序\v")));
    QVERIFY(PositionText::text(viewer.page()->main()).contains(QStringLiteral("■ １－１ 本その一\v")));
}

// The one text wraps at the window's width: no sideways scrolling, also after a resize.
void TestReader::oneTextWrapsAtTheWindow()
{
    PageDb db;
    QVERIFY(db.ok());
    QVERIFY(storePage(1001, QStringLiteral("長い頁"), QString(300, QChar(0x3042)), {}));
    QVERIFY(PageDb::place(0, 1001, 0, false, QStringLiteral("長い頁")));
    sbDmp viewer;
    QList<int> ranges;
    // How much of the view's width the lines take, in percent.
    const auto used = [](sbDmp &window) {
        const double lines = window.page()->pageSetup().textWidth() / 15.0 * window.view()->transform().m11();
        return int(100 * lines / window.view()->viewport()->width());
    };
    viewer.setRunner([&](sbDmp &window) {
        window.show();
        QApplication::processEvents();
        ranges << window.view()->horizontalScrollBar()->maximum() << (used(window) >= 80);
        window.resize(window.width() * 3 / 4, window.height());
        QApplication::processEvents();
        ranges << window.view()->horizontalScrollBar()->maximum() << (used(window) >= 80);
        window.close();
    });
    viewer.ActT(QStringLiteral("0-1001"), QStringLiteral("1"));
    QCOMPARE(ranges, QList<int>({0, 1, 0, 1}));
}

void TestReader::pageByPage()
{
    PageDb db;
    QVERIFY(db.ok());
    QVERIFY(storePage(1001, QStringLiteral("one"), QString(), pageBytes(QStringLiteral("first page"))));
    QVERIFY(storePage(1002, QStringLiteral("two"), QString(), pageBytes(QStringLiteral("long page"), 400)));
    QVERIFY(storePage(1003, QStringLiteral("three"), QString(), pageBytes(QStringLiteral("last page"))));
    sbDmp viewer;
    QStringList seen;
    const auto state = [&] {
        QString buttons;
        for (int i = 0; i < 4; ++i)
            buttons += viewer.button(i)->isEnabled() ? u'1' : u'0';
        return viewer.windowTitle() + u' ' + buttons;
    };
    viewer.setRunner([&](sbDmp &window) {
        RichView *view = window.view();
        view->setFocus();
        seen << state();
        QTest::keyClick(view, Qt::Key_Right);
        seen << state();
        // A long page: PageDown scrolls it first, and turns to the next page only at its bottom.
        QTest::keyClick(view, Qt::Key_PageDown);
        QTest::qWait(20);
        seen << state();
        QScrollBar *bar = view->verticalScrollBar();
        bar->setValue(bar->maximum());
        QTest::keyClick(view, Qt::Key_PageDown);
        QTRY_COMPARE(window.iIdx, 2);
        seen << state();
        // At the top, PageUp turns back.
        QTest::keyClick(view, Qt::Key_PageUp);
        QTRY_COMPARE(window.iIdx, 1);
        QTest::keyClick(view, Qt::Key_Home);
        seen << state();
        QTest::keyClick(view, Qt::Key_End);
        seen << state();
        QTest::keyClick(view, Qt::Key_Left);
        seen << state();
        window.button(4)->click(); // "頁選択"
    });
    // Page 1002 twice and a key of page 0: each page once, in order.
    QCOMPARE(viewer.ActP(QStringLiteral("0-0,0-1001,1001-1002,1001-1003,0-1002")), 1002);
    QCOMPARE(seen, QStringList({"one 0011", "two 1111", "two 1111", "three 1100", "one 0011", "three 1100",
                                "two 1111"}));
    QCOMPARE(viewer.button(4)->text(), QStringLiteral("頁選択"));

    // Closing returns 0, also after an earlier "頁選択"; a single page disables every step.
    viewer.setRunner([&](sbDmp &window) {
        seen = {state()};
        window.button(5)->click();
    });
    QCOMPARE(viewer.ActP(QStringLiteral("0-1003")), 0);
    QCOMPARE(seen, QStringList({"three 0000"}));
}

void TestReader::timedAdvanceAndSettings()
{
    PageDb db;
    QVERIFY(db.ok());
    for (int n = 1; n <= 3; ++n)
        QVERIFY(storePage(1000 + n, QStringLiteral("p%1").arg(n), QString(), pageBytes(QStringLiteral("page %1").arg(n))));
    const QString keys = QStringLiteral("0-1001,0-1002,0-1003");
    m_prompt.answers << Prompt::No << Prompt::Yes;
    bool stopped = false;
    {
        sbDmp viewer;
        viewer.setRunner([&](sbDmp &window) {
            window.timeList()->setCurrentIndex(2);
            window.zoomList()->setCurrentIndex(5);
            window.cbZoomClick();
            window.pageList()->setCurrentIndex(2);
            window.cbPageClick();
            window.autoBox()->click();
            QCOMPARE(window.advanceTimer()->interval(), 3000);
            QVERIFY(window.advanceTimer()->isActive());
            // The advance, quicker: to the last page, then the question; No stops it.
            window.advanceTimer()->setInterval(5);
            QTRY_VERIFY(m_prompt.messages.size() == 1);
            QCOMPARE(window.iIdx, 2);
            stopped = !window.autoBox()->isChecked() && !window.advanceTimer()->isActive();
            // Ticked again: the next question's Yes closes the window.
            window.autoBox()->click();
            window.advanceTimer()->setInterval(5);
            QTRY_VERIFY(m_prompt.messages.size() == 2);
        });
        QCOMPARE(viewer.ActP(keys), 0);
    }
    QVERIFY(stopped);
    QCOMPARE(m_prompt.messages.value(0), QStringLiteral("最後頁です　この画面を閉じて良いですか"));

    // The lists come back; the advance does not.
    sbDmp again;
    QStringList restored;
    again.setRunner([&](sbDmp &window) {
        restored << QString::number(window.timeList()->currentIndex()) << QString::number(window.zoomList()->currentIndex())
                 << QString::number(window.viewMode()) << QString::number(window.autoBox()->isChecked())
                 << QString::number(window.view()->zoom());
        // "ﾉｰﾏﾙ " sets the zoom back to 100 %, "ﾌﾛｰﾃｨﾝｸﾞ" disables it.
        window.pageList()->setCurrentIndex(0);
        window.cbPageClick();
        restored << QString::number(window.view()->zoom());
        window.pageList()->setCurrentIndex(3);
        window.cbPageClick();
        restored << QString::number(window.zoomList()->isEnabled());
    });
    again.ActP(keys);
    QCOMPARE(restored, QStringList({"2", "5", "2", "0", "150", "100", "0"}));
}

void TestReader::unreadableFirstPage()
{
    PageDb db;
    QVERIFY(db.ok());
    QVERIFY(storePage(1001, QStringLiteral("bad"), QStringLiteral("plain words"), QByteArray("not a page")));
    sbDmp viewer;
    QStringList shown;
    viewer.setRunner([&](sbDmp &window) {
        shown << window.windowTitle() + u'|' + PositionText::text(window.page()->main());
    });
    // Bytes this program cannot read: the page's plain text is shown instead.
    QCOMPARE(viewer.ActP(QStringLiteral("0-1001")), 0);
    QCOMPARE(shown, QStringList{QStringLiteral("bad|plain words")});
    // No row, no page: the window does not open.
    shown.clear();
    QCOMPARE(viewer.ActP(QStringLiteral("0-4711")), 0);
    QCOMPARE(viewer.ActP(QString()), 0);
    QVERIFY(shown.isEmpty());
}

// Pages stored without a document show their plain text; a page whose row is gone is not
// stepped onto, so the caption and "頁選択" always name the page on screen.
void TestReader::pagesWithoutDocument()
{
    PageDb db;
    QVERIFY(db.ok());
    QVERIFY(storePage(1001, QStringLiteral("one"), QStringLiteral("first\nwords"), {}));
    QVERIFY(storePage(1002, QStringLiteral("two"), QString(), pageBytes(QStringLiteral("formatted"))));
    QVERIFY(storePage(1003, QStringLiteral("three"), QStringLiteral("third"), {}));
    sbDmp viewer;
    QStringList seen;
    const auto state = [&](sbDmp &window) {
        return window.windowTitle() + u'|' + PositionText::text(window.page()->main());
    };
    viewer.setRunner([&](sbDmp &window) {
        seen << state(window);
        window.button(2)->click();
        seen << state(window);
        window.button(2)->click();
        seen << state(window);
        window.button(1)->click();
        window.button(1)->click();
        seen << state(window);
        window.button(3)->click();
        window.button(4)->click(); // "頁選択"
    });
    QCOMPARE(viewer.ActP(QStringLiteral("0-1001,0-1002,0-1003")), 1003);
    QCOMPARE(seen, QStringList({"one|first\nwords", "two|formatted", "three|third", "one|first\nwords"}));

    // A page gone from the database between the range and the step: the view stays where it is.
    seen.clear();
    viewer.setRunner([&](sbDmp &window) {
        window.button(2)->click();
        seen << state(window) + u'|' + QString::number(window.iIdx);
        window.button(4)->click();
    });
    QCOMPARE(viewer.ActP(QStringLiteral("0-1001,0-4711,0-1003")), 1001);
    QCOMPARE(seen, QStringList({"one|first\nwords|0"}));
}

// A table's cells stand apart by a tab, on screen and on the clipboard; a page without a document
// shows its text in the body style, not in the look of the page before it.
void TestReader::cellsAndPlainPagesInTheBodyStyle()
{
    PageDb db;
    QVERIFY(db.ok());
    QVERIFY(storePage(1001, QStringLiteral("表"), QStringLiteral("a\x07" "b\x07\nnext"), {}));
    PageDocument heading;
    QTextCursor cursor(heading.main());
    QTextCharFormat big;
    big.setFontWeight(QFont::Bold);
    big.setFontPointSize(24);
    cursor.insertText(QStringLiteral("Heading"), big);
    QVERIFY(storePage(1002, QStringLiteral("見出"), QStringLiteral("Heading"), PageCodec::save(heading)));
    QVERIFY(storePage(1003, QStringLiteral("平"), QStringLiteral("c\x07" "d"), {}));
    QVERIFY(PageDb::place(0, 1001, 0, false, QStringLiteral("表")));

    sbDmp viewer;
    QString copied;
    viewer.setRunner([&](sbDmp &window) {
        window.button(4)->click();
        copied = QApplication::clipboard()->text();
    });
    viewer.ActT(QStringLiteral("0-1001"), QString());
    QVERIFY(!PositionText::text(viewer.page()->main()).contains(QChar(7)));
    QVERIFY(PositionText::text(viewer.page()->main()).contains(QStringLiteral("a\tb\t\vnext")));
    QVERIFY(copied.contains(QStringLiteral("a\tb\t")));
    QVERIFY(!copied.contains(QChar(7)));

    UsrFmt &body = Frmt::st().usrFmt[3];
    body.fontSize = 11;
    body.bold = 0;
    body.textColor = 0x0000FF;
    QString shown;
    QTextCharFormat look;
    viewer.setRunner([&](sbDmp &window) {
        window.button(2)->click();
        shown = PositionText::text(window.page()->main());
        look = PositionText::formatAt(window.page()->main(), 0);
        window.button(5)->click();
    });
    viewer.ActP(QStringLiteral("0-1002,0-1003"));
    QCOMPARE(shown, QStringLiteral("c\td"));
    QCOMPARE(look.fontWeight(), int(QFont::Normal));
    QCOMPARE(look.fontPointSize(), 11.0);
    QCOMPARE(look.foreground().color(), QColor(255, 0, 0));
}

void TestReader::largePageUnderTheWaitWindow_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("doc");
    QTest::addColumn<bool>("wait");
    const int large = int(LoadWait::Weight) + 20000;
    QTest::newRow("small page") << QString() << pageBytes(QStringLiteral("small"), 20) << false;
    QTest::newRow("one paragraph of megabytes") << QString() << pageBytes(pastedText(large)) << true;
    QTest::newRow("table of thousands of cells") << QString() << tableBytes(40, 100) << true;
    QTest::newRow("small text without a document") << pastedText(2000) << QByteArray() << false;
    QTest::newRow("long text without a document") << pastedText(large) << QByteArray() << true;
}

// A page that keeps the window still while it is read and laid out is shown under the wait window,
// turned to or opened with; the window is gone when the reader waits for the user.
void TestReader::largePageUnderTheWaitWindow()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, doc);
    QFETCH(bool, wait);
    PageDb db;
    QVERIFY(db.ok());
    QVERIFY(storePage(1001, QStringLiteral("small"), QString(), pageBytes(QStringLiteral("first page"))));
    QVERIFY(storePage(1002, QStringLiteral("tested"), text, doc));
    sbDmp viewer;
    WaitWatch watch;
    QStringList shown;
    QList<bool> waitWithUser;
    viewer.setRunner([&](sbDmp &window) {
        waitWithUser << sbWait::isShown();
        shown << watch.shown.join(u'|');
        window.button(2)->click();
        waitWithUser << sbWait::isShown();
        shown << watch.shown.join(u'|');
        window.button(0)->click();
        window.button(5)->click();
    });
    QCOMPARE(viewer.ActP(QStringLiteral("0-1001,0-1002")), 0);
    const QString message = wait ? LoadWait::message() : QString();
    QCOMPARE(shown, QStringList({QString(), message}));
    QCOMPARE(waitWithUser, QList<bool>({false, false}));

    // Opened with it.
    watch.shown.clear();
    viewer.setRunner([&](sbDmp &window) {
        waitWithUser << sbWait::isShown();
        window.button(5)->click();
    });
    viewer.ActP(QStringLiteral("0-1002"));
    QCOMPARE(watch.shown, wait ? QStringList{message} : QStringList());
    QVERIFY(!waitWithUser.last());
}

QTEST_MAIN(TestReader)
#include "tst_reader.moc"

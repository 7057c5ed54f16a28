#include "MainFixture.h"
#include "OnViewer.h"
#include "core/sbWait.h"
#include "output/reader/sbDmp.h"
#include "output/sbExpDb.h"
#include "output/word/sbExpDc.h"
#include "platform/richtext/PageCodec.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richview/RichEvents.h"
#include "publish/epub/sbEpub.h"
#include "publish/site/sbHtm.h"
#include "support/FifoProbe.h"
#include "support/WaitWatch.h"
#include "tree/uTrX.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>

namespace {

// Where a text the program did not write shows as rich text: a label holding "<img" that is not a
// plain-text label, a tooltip holding it that Qt takes for rich text. Each label found is drawn, so
// that a picture its text would name is loaded now (the FIFO of the test notices).
QStringList richShowings()
{
    QStringList faults;
    const QString img = QStringLiteral("<img");
    for (QWidget *w : QApplication::allWidgets()) {
        const QString where = QString::fromLatin1(w->window()->metaObject()->className()) + u'/'
                              + QString::fromLatin1(w->metaObject()->className()) + u' ' + w->objectName();
        if (auto *label = qobject_cast<QLabel *>(w); label && label->text().contains(img)) {
            label->grab();
            if (label->textFormat() != Qt::PlainText)
                faults << where + QStringLiteral(" shows \"") + label->text() + QStringLiteral("\" as rich text");
        }
        if (w->toolTip().contains(img) && Qt::mightBeRichText(w->toolTip()))
            faults << where + QStringLiteral(" has the rich tooltip \"") + w->toolTip() + u'"';
    }
    return faults;
}

} // namespace

class TestFmDocOutput : public QObject
{
    Q_OBJECT
private slots:
    void rangeOutputs();
    void outsideTextShowsPlain_data();
    void outsideTextShowsPlain();
};

// Pages 1001 (top level) holding 1002 and 1003; 1004 at the top level.
void TestFmDocOutput::rangeOutputs()
{
    MainFixture f;
    const QString path = f.database(QStringLiteral("Out.txdb"));
    QVERIFY(zSvr::instance().D_StDcDb(path));
    QVERIFY(f.page(1001, QStringLiteral("序章"), QStringLiteral("はじめ")) && f.place(0, 1001, 0, QStringLiteral("序章")));
    QVERIFY(f.page(1002, QStringLiteral("一節"), QStringLiteral("本文一")) && f.place(1001, 1002, 0, QStringLiteral("一節")));
    QVERIFY(f.page(1003, QStringLiteral("二節"), QStringLiteral("本文二")) && f.place(1001, 1003, 1, QStringLiteral("二節")));
    QVERIFY(f.page(1004, QStringLiteral("終章"), QStringLiteral("おわり")) && f.place(0, 1004, 1, QStringLiteral("終章")));
    // The read-through window shows real page documents.
    for (int no = 1001; no <= 1004; ++no) {
        PageDocument page;
        QTextCursor(page.main()).insertText(QStringLiteral("page %1").arg(no));
        QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Update msDoc Set obDoc = ? Where noDoc = ?"),
                                         {PageCodec::save(page), no}));
    }
    zSvr::instance().D_Close();
    f.window->SetDBNo(path, 0);
    f.window->show();
    for (const auto &[array, index] : {std::pair{"mnRet", 2}, {"mnRet", 8}, {"mnRetView", 0}, {"mnRetView", 2}, {"mnFile", 2}})
        QVERIFY2(f.window->item(QString::fromLatin1(array), index)->isEnabled(), array);

    // The range below the selected node, numbered below it.
    f.window->tree().SetLeaf(QStringLiteral("1001"));
    f.window->iRange = 2;
    QString keys, numbers, set = QStringLiteral(".");
    f.window->GetRangeKeys(keys, numbers, set);
    QCOMPARE(keys, QStringLiteral("0-1001,1001-1002,1001-1003"));
    QCOMPARE(numbers, QStringLiteral("1,2"));
    QCOMPARE(set, QStringLiteral(".1001.1002.1003."));

    // Cancelled: the range choice stays. Text of the whole tree: one text in the viewer.
    sbExpDc::setRunner([](sbExpDc &) { return false; });
    f.window->item(QStringLiteral("mnRet"), 2)->trigger();
    QCOMPARE(f.window->iRange, 2);
    QStringList seen;
    sbExpDc::setRunner([&seen](sbExpDc &dialog) {
        seen << QString::number(dialog.forms()->checkedId()) << QString::number(dialog.ranges()->checkedId());
        dialog.forms()->button(0)->click();
        dialog.ranges()->button(0)->click();
        return true;
    });
    QString text;
    onViewer([&text](sbDmp &viewer) {
        text = viewer.plainText();
        viewer.button(5)->click();
    });
    f.window->item(QStringLiteral("mnRet"), 2)->trigger();
    sbExpDc::setRunner(nullptr);
    QCOMPARE(f.window->iRange, 0);
    QCOMPARE(seen, QStringList({"1", "2"})); // the dialog's defaults: Word with headers, node and below
    QVERIFY2(text.startsWith(QStringLiteral("■ １ 序章\nはじめ\n\n■ １－１ 一節")), qPrintable(text));
    QVERIFY(text.contains(QStringLiteral("■ ２ 終章\nおわり")));

    // Review of the node and its children: the page chosen there becomes the current page.
    f.window->tree().SetLeaf(QStringLiteral("1001"));
    QString last;
    onViewer([&last](sbDmp &viewer) {
        viewer.button(3)->click();
        last = viewer.windowTitle();
        viewer.button(4)->click();
    });
    f.window->item(QStringLiteral("mnRetView"), 1)->trigger();
    QCOMPARE(f.window->iRange, 1);
    QCOMPARE(last, QStringLiteral("二節"));
    QTRY_VERIFY(f.window->tree().SlctdKy().endsWith(QStringLiteral("-1003")));
}

void TestFmDocOutput::outsideTextShowsPlain_data()
{
    QTest::addColumn<QString>("door");
    QTest::newRow("home address in the document output dialog") << QStringLiteral("document");
    QTest::newRow("home address in the database export dialog") << QStringLiteral("export");
    QTest::newRow("database name in the HTM output dialog") << QStringLiteral("htm");
    QTest::newRow("database name in the ePub wait window") << QStringLiteral("epub");
    QTest::newRow("tooltip word under the mouse") << QStringLiteral("tooltip");
}

// Every text that comes from the database, its file name or the settings names the FIFO in an
// <img>: a window that took it for rich text would open the FIFO (and hang on it without the
// probe). The main window shows a page whose title and tag name it too; each window is looked at
// while it stands.
void TestFmDocOutput::outsideTextShowsPlain()
{
    QFETCH(QString, door);
    MainFixture f;
    const QString fifoPath = f.dir.filePath(QStringLiteral("fifo"));
    const FifoProbe fifo(fifoPath);
    QVERIFY(fifo.made());
    const QString img = QStringLiteral("<img src=%1>").arg(fifoPath);
    // A file name holds no "/": Qt decodes "%2F" of a picture's address into one. The wait window
    // shortens a long text in its middle, so there the name is short and names the FIFO of the
    // working folder.
    const QString here = QDir::currentPath();
    const auto back = qScopeGuard([&here] { QDir::setCurrent(here); });
    QString name = QStringLiteral("Book.txdb");
    if (door == QLatin1String("htm"))
        name = QStringLiteral("<img src=%1>.txdb").arg(QString(fifoPath).replace(u'/', QStringLiteral("%2F")));
    if (door == QLatin1String("epub")) {
        name = QStringLiteral("<img src=fifo>.txdb");
        QVERIFY(QDir::setCurrent(f.dir.path()));
    }
    const QString path = f.database(name);
    QVERIFY(!path.isEmpty());
    QVERIFY(zSvr::instance().D_StDcDb(path));
    QVERIFY(f.page(1001, img, QStringLiteral("はじめ"), QStringLiteral(".") + img + u'.')
            && f.place(0, 1001, 0, img));
    // The read-through window shows a real page document.
    PageDocument page;
    QTextCursor(page.main()).insertText(QStringLiteral("はじめ"));
    QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Update msDoc Set obDoc = ? Where noDoc = 1001"), {PageCodec::save(page)}));
    // The gap is an ideographic space, which a web address may hold and Qt's HTML takes for a gap.
    QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Update kaUsr Set HiHome = 1, HsHome1 = ?"),
                                     {QStringLiteral("http://a/<img\u3000src=%1>/").arg(fifoPath)}));
    zSvr::instance().D_Close();
    f.window->SetDBNo(path, 0);
    f.window->show();
    f.window->tree().SetLeaf(QStringLiteral("1001"));
    QCOMPARE(f.window->nDocNo, 1001);

    QStringList faults;
    int looked = 0;
    auto look = [&] {
        ++looked;
        for (const QString &fault : richShowings()) {
            if (!faults.contains(fault))
                faults << fault;
        }
    };
    if (door == QLatin1String("document")) {
        QString site;
        sbExpDc::setRunner([&](sbExpDc &dialog) {
            site = dialog.siteLabel(1)->text();
            look();
            return false;
        });
        f.window->item(QStringLiteral("mnRet"), 2)->trigger();
        sbExpDc::setRunner(nullptr);
        QCOMPARE(site, QStringLiteral("http://a/<img\u3000src=%1>/").arg(fifoPath));
    } else if (door == QLatin1String("export")) {
        QString site;
        sbExpDb::setRunner([&](sbExpDb &form) {
            site = form.lbSite[1]->text();
            look();
            return false;
        });
        f.window->item(QStringLiteral("mnRet"), 5)->trigger();
        sbExpDb::setRunner({});
        QCOMPARE(site, QStringLiteral("http://a/<img\u3000src=%1>/").arg(fifoPath));
    } else if (door == QLatin1String("htm")) {
        QString shownPath;
        sbHtm::setRunner([&](sbHtm &d) {
            shownPath = d.lbPath()->text();
            look();
            d.close();
        });
        f.window->item(QStringLiteral("mnRet"), 0)->trigger();
        sbHtm::setRunner({});
        QVERIFY2(shownPath.contains(name.chopped(5)), qPrintable(shownPath));
    } else if (door == QLatin1String("epub")) {
        sbEpub::setRunner([](sbEpub &d) {
            d.SetCell(2, 1, QStringLiteral("本"));
            d.SetCell(2, 2, QStringLiteral("book_1"));
            d.ranges()->button(2)->setChecked(true); // this page and all below it
            d.press(0);
        });
        WaitWatch during;
        during.look = look;
        f.window->item(QStringLiteral("mnRet"), 3)->trigger();
        during.stop();
        sbEpub::setRunner(nullptr);
        const QStringList &shown = during.shown;
        QVERIFY2(std::any_of(shown.cbegin(), shown.cend(), [&](const QString &text) { return text.contains(name.chopped(5)); }),
                 qPrintable(shown.join(u'|') + f.prompt.messages.join(u'|')));
    } else {
        // A tooltip field whose word names the FIFO, under the mouse.
        RichTextEdit &edit = f.editor().edit();
        edit.setSelStart(edit.textLength());
        const int id = edit.insertField(QStringLiteral("語"));
        edit.setCurrentField(id);
        edit.setFieldType(2);
        edit.setFieldData(QStringLiteral("TP_") + img);
        RichMouseArgs args;
        args.position = edit.textLength() - 1;
        emit f.editor().view()->mouseMoved(args);
        const QList<QLabel *> tips = f.editor().findChildren<QLabel *>();
        QVERIFY(std::any_of(tips.cbegin(), tips.cend(), [&](const QLabel *label) {
            return label->isVisible() && label->text().trimmed() == img;
        }));
        look();
        // The page read through, its title in the viewer.
        bool viewed = false;
        onViewer([&](sbDmp &viewer) {
            viewed = true;
            look();
            viewer.button(5)->click();
        });
        f.window->item(QStringLiteral("mnRetView"), 0)->trigger();
        QVERIFY(viewed);
    }
    look();
    QVERIFY(looked >= 2);
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(u'\n')));
    QVERIFY2(!fifo.opened(), "a text shown opened the file its <img> names");
}

QTEST_MAIN(TestFmDocOutput)
#include "tst_fmdocoutput.moc"

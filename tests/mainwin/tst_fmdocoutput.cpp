#include "MainFixture.h"
#include "OnViewer.h"
#include "output/reader/sbDmp.h"
#include "output/word/sbExpDc.h"
#include "platform/richtext/PageCodec.h"
#include "platform/richtext/PageDocument.h"
#include "tree/uTrX.h"

#include <QAbstractButton>
#include <QAction>
#include <QButtonGroup>
#include <QPushButton>
#include <QTextCursor>
#include <QTimer>

class TestFmDocOutput : public QObject
{
    Q_OBJECT
private slots:
    void rangeOutputs();
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

QTEST_MAIN(TestFmDocOutput)
#include "tst_fmdocoutput.moc"

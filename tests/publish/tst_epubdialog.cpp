#include "core/TemplateDb.h"
#include "core/Usr.h"
#include "core/zSvr.h"
#include "platform/desktop/RandomSource.h"
#include "publish/epub/sbEpub.h"
#include "support/ScriptedPrompt.h"
#include "support/TestHome.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QLineEdit>
#include <QScrollBar>
#include <QTableWidget>
#include <QTextBrowser>
#include <QUuid>
#include <QtTest>

namespace
{
class FixedRandom : public RandomSource
{
public:
    void seed(std::uint32_t) override {}
    std::uint32_t next32() override { return 7; }
    double nextDouble() override { return 0.0123456; }
};
} // namespace

// The EPUB options: what the user enters is kept in the database for the next run.
class tst_EpubDialog : public QObject
{
    Q_OBJECT

private slots:
    void settingsRoundTrip()
    {
        TestHome home;
        ScriptedPrompt prompt;
        FixedRandom random;
        RandomSource::install(&random);
        const QString path = home.path() + QStringLiteral("/Book.txdb");
        QVERIFY(TemplateDb::create(path));
        QVERIFY(zSvr::instance().D_StDcDb(path));
        Usr::st().dbName = QStringLiteral("Book");

        const QString title = QStringLiteral("It's \"A & B\"? 😀");
        sbEpub::Choice c;
        sbEpub::setRunner([&](sbEpub &d) {
            // A new database: the name is the database's, nothing checked, all pages.
            QCOMPARE(d.nameBox()->text(), QStringLiteral("Book"));
            QVERIFY(!d.tableBox()->isChecked() && !d.italicBox()->isChecked() && !d.folderBox()->isChecked());
            QCOMPARE(d.ranges()->checkedId(), 0);
            QCOMPARE(d.GetCell(2, 7), QStringLiteral("/w/ePub/Book"));
            d.SetCell(2, 1, QString());
            d.press(0);
            QCOMPARE(d.result(), 2); // no title: the dialog stays
            d.SetCell(2, 1, title);
            d.press(0);
            QCOMPARE(d.GetCell(2, 2), QStringLiteral("fenwar_12345")); // no id: generated, the dialog stays
            QCOMPARE(d.result(), 2);
            d.SetCell(2, 5, QStringLiteral("版元"));
            d.ranges()->button(2)->setChecked(true);
            d.tableBox()->setChecked(true);
            d.folderBox()->setChecked(true);
            d.nameBox()->setText(QStringLiteral("  "));
            d.press(0);
        });
        sbEpub::Act(c, QStringLiteral("/w/ePub/Book"));
        QCOMPARE(prompt.messages, QStringList({QStringLiteral("タイトルが指定されていません"),
                                               QStringLiteral("IDが指定されていなかったので、生成しました確認して下さい")}));
        QCOMPARE(c.iRet, 3);
        QCOMPARE(c.sTtl, title);
        QCOMPARE(c.sPub, QStringLiteral("版元"));
        QVERIFY(c.bFld);
        QCOMPARE(c.yTbF, 1);
        QCOMPARE(c.sNam, QString()); // the publisher names the book after the database

        // Cancel: nothing stored, nothing published; the next run starts from the stored values.
        sbEpub::setRunner([&](sbEpub &d) {
            QCOMPARE(d.GetCell(2, 1), title);
            QCOMPARE(d.GetCell(2, 2), QStringLiteral("fenwar_12345"));
            QVERIFY(d.tableBox()->isChecked() && d.folderBox()->isChecked());
            d.SetCell(2, 1, QStringLiteral("changed"));
            d.press(2);
        });
        sbEpub::Act(c, QString());
        QCOMPARE(c.iRet, 0);

        // Save only: stored, but nothing to publish.
        sbEpub::setRunner([&](sbEpub &d) {
            QCOMPARE(d.GetCell(2, 1), title);
            d.italicBox()->setChecked(true);
            d.press(1);
        });
        sbEpub::Act(c, QString());
        QCOMPARE(c.iRet, 0);
        QCOMPARE(zSvr::instance().R_GtVaL(QStringLiteral("Select EbNit From kaUsr"), 0).toInt(), 1);
        QCOMPARE(zSvr::instance().R_GtVaL(QStringLiteral("Select EsTtl From kaUsr"), QString()).toString(), title);

        sbEpub::setRunner(nullptr);
        RandomSource::install(nullptr);
        zSvr::release();
    }

    // The book's name is a plain file name: a stored one that is not gives way to the database's
    // name; a typed one that is not is refused by OK and by save only, and the dialog stays.
    void bookNameIsPlain()
    {
        TestHome home;
        ScriptedPrompt prompt;
        const QString path = home.path() + QStringLiteral("/Book.txdb");
        QVERIFY(TemplateDb::create(path));
        QVERIFY(zSvr::instance().D_StDcDb(path));
        Usr::st().dbName = QStringLiteral("Book");
        QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Update kaUsr Set EsTtl='T', EsUid='id', EsName=?"),
                                         {QStringLiteral("../../../../home/someone/book")}));
        const QString refused = QStringLiteral("ﾌｧｲﾙ名が不正です　ﾌｫﾙﾀﾞ(/ \\)や..、制御文字は指定できません");
        const QStringList typed = {QStringLiteral("../book"), QStringLiteral("a/b"), QStringLiteral(".."),
                                   QStringLiteral("本\x01"), QStringLiteral("koob\u202Ebupe")};
        sbEpub::Choice c;
        sbEpub::setRunner([&](sbEpub &d) {
            QCOMPARE(d.nameBox()->text(), QStringLiteral("Book"));
            for (const QString &name : typed) {
                for (int button : {0, 1}) {
                    d.nameBox()->setText(name);
                    d.press(button);
                    QCOMPARE(d.result(), 2);
                }
            }
            d.nameBox()->setText(QStringLiteral("第1巻"));
            d.press(0);
        });
        sbEpub::Act(c, QString());
        QCOMPARE(prompt.messages, QStringList(QList<QString>(2 * typed.size(), refused)));
        QCOMPARE(c.iRet, 1);
        QCOMPARE(c.sNam, QStringLiteral("第1巻"));
        QCOMPARE(zSvr::instance().R_GtVaL(QStringLiteral("Select EsName From kaUsr"), QString()).toString(), QStringLiteral("第1巻"));

        // Cancelled over a stored name that is not plain: the caller gets the database's name.
        QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Update kaUsr Set EsName='sub/book'")));
        sbEpub::setRunner([](sbEpub &d) { d.press(2); });
        sbEpub::Act(c, QString());
        QCOMPARE(c.sNam, QStringLiteral("Book"));

        sbEpub::setRunner(nullptr);
        zSvr::release();
    }

    // Shown as the user sees it: the help of the range first, every row of the grid, the work
    // folder's last, without scrolling; a row's help when the user goes to it.
    void shownDialog()
    {
        TestHome home;
        ScriptedPrompt prompt;
        const QString path = home.path() + QStringLiteral("/Book.txdb");
        QVERIFY(TemplateDb::create(path));
        QVERIFY(zSvr::instance().D_StDcDb(path));
        Usr::st().dbName = QStringLiteral("Book");
        sbEpub::Choice c;
        sbEpub::setRunner([&](sbEpub &d) {
            d.show();
            QVERIFY(QTest::qWaitForWindowActive(&d));
            QTest::qWait(50);
            QTableWidget *grid = d.grid();
            const QRect last = grid->visualItemRect(grid->item(6, 1));
            QVERIFY2(grid->viewport()->rect().contains(last), qPrintable(QStringLiteral("%1 %2").arg(last.bottom()).arg(grid->viewport()->height())));
            QCOMPARE(grid->verticalScrollBar()->maximum(), 0);
            QCOMPARE(d.help()->toPlainText(), QStringLiteral("出力範囲を指定して下さい"));
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualItemRect(grid->item(0, 1)).center());
            QCOMPARE(d.help()->toPlainText(), QStringLiteral("本のタイトルを入力して下さい"));
            // The example ID is one an EPUB checker takes: a UUID after "urn:uuid:".
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualItemRect(grid->item(1, 1)).center());
            const QString example = d.help()->toPlainText().section(QStringLiteral("例: "), 1).trimmed();
            QVERIFY2(example.startsWith(QLatin1String("urn:uuid:")) && !QUuid::fromString(example.mid(9)).isNull(),
                     qPrintable(example));
            d.press(2);
        });
        sbEpub::Act(c, QStringLiteral("/w/ePub/Book"));
        sbEpub::setRunner(nullptr);
        zSvr::release();
    }
};

QTEST_MAIN(tst_EpubDialog)
#include "tst_epubdialog.moc"

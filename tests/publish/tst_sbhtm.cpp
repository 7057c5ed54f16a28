// The HTML output options dialog: what it loads, refuses, stores and returns.
#include "core/Frmt.h"
#include "core/TemplateDb.h"
#include "core/Usr.h"
#include "core/zSvr.h"
#include "publish/site/sbHtm.h"
#include "support/ScriptedPrompt.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

class TstSbHtm : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_db = 0;

    QVariantList settings()
    {
        QVariantList row;
        zSvr::instance().R_PAry(QStringLiteral("Select HsHome1, HiHome, HsTopNm, HiFtp1, HsSync1, HiLout From kaUsr"), row);
        return row;
    }

private slots:
    void init()
    {
        Usr::st().userData = m_dir.path() + QLatin1Char('/');
        const QString path = m_dir.filePath(QStringLiteral("Opt%1.txdb").arg(++m_db));
        QVERIFY(TemplateDb::create(path));
        QVERIFY(zSvr::instance().D_StDcDb(path));
        Frmt::st().homeKind = 0;
        Frmt::st().homeAddress.clear();
    }
    void cleanup()
    {
        sbHtm::setRunner({});
        zSvr::instance().D_Close();
    }

    void storedNameIsSplitAndJoined()
    {
        ScriptedPrompt prompt;
        QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Update kaUsr Set HsTopNm='index.html', HiLout=2, HiFtp1=0, HsSync1='0'")));
        sbHtm::setRunner([](sbHtm &d) {
            QCOMPARE(d.lbPath()->text(), QStringLiteral("/site/out"));
            QCOMPARE(d.txHtm()->text(), QStringLiteral("index"));
            QCOMPARE(d.cbKak()->currentText(), QStringLiteral("html"));
            QCOMPARE(d.txFtp()->text(), QString()); // "0" counts as empty
            QVERIFY(d.chDel()->isChecked());
            QCOMPARE(d.opLout()->checkedId(), 2);
            QCOMPARE(d.opHmt()->checkedId(), 0);
            QCOMPARE(d.closeCode(), 4);
            d.txHtm()->setText(QStringLiteral(" top. "));
            d.cbKak()->setCurrentIndex(0);
            d.cmRet(0);
        });
        sbHtm::Choice c;
        sbHtm::Act(QStringLiteral("/site/out"), c);
        QCOMPARE(c.iRet, 1);
        QCOMPARE(c.sTpNm, QStringLiteral("top.htm"));
        QVERIFY(c.bDel);
        QCOMPARE(c.iLout, 2);
        QCOMPARE(settings().value(2).toString(), QStringLiteral("top.htm"));
        QVERIFY(prompt.messages.isEmpty());
    }

    // Save only returns 0 and stores, values with "?" and quotes intact; cancel and the window's
    // frame store nothing.
    void saveOnlyAndCancel()
    {
        ScriptedPrompt prompt;
        const QString url = QStringLiteral("http://example.org/a='1'&b=\"2\"");
        sbHtm::setRunner([&](sbHtm &d) {
            d.txHome()->setText(url);
            d.chWeb()->setChecked(true);
            d.opFtp()->button(2)->setChecked(true);
            d.txFtp()->setText(QStringLiteral("host's?"));
            d.mnRet(1);
        });
        sbHtm::Choice c;
        sbHtm::Act(QString(), c);
        QCOMPARE(c.iRet, 0);
        QCOMPARE(settings(), QVariantList({url, 1, QString(), 2, QStringLiteral("host's?"), 0}));
        QCOMPARE(Frmt::st().homeKind, 1);
        QCOMPARE(Frmt::st().homeAddress, url + QLatin1Char('/'));

        for (int how = 0; how < 2; ++how) {
            sbHtm::setRunner([how](sbHtm &d) {
                d.txHome()->setText(QStringLiteral("http://other/"));
                d.chWeb()->setChecked(false);
                if (how == 0)
                    d.cmRet(1);
                else
                    d.close();
            });
            sbHtm::Act(QString(), c);
            QCOMPARE(c.iRet, 0);
            QCOMPARE(settings().value(0).toString(), url);
            QCOMPARE(Frmt::st().homeKind, 1);
        }
    }

    void ftpOnly()
    {
        ScriptedPrompt prompt;
        sbHtm::setRunner([&](sbHtm &d) {
            d.mnRet(2);
            QCOMPARE(prompt.messages.value(0), QStringLiteral("指定が無効です FTPの実行"));
            QCOMPARE(d.closeCode(), 4);
            d.opFtp()->button(1)->setChecked(true);
            d.mnRet(2);
            QCOMPARE(prompt.messages.value(1), QStringLiteral("FTP転送(同期を実行する場合は、同期名を指定して下さい"));
            QCOMPARE(d.closeCode(), 4);
            d.txFtp()->setText(QStringLiteral("site"));
            d.mnRet(2);
            QCOMPARE(d.closeCode(), 2);
        });
        sbHtm::Choice c;
        sbHtm::Act(QString(), c);
        QCOMPARE(c.iRet, 3);
        QVERIFY(!c.bDel);
        QCOMPARE(c.iFtp, 1);
        QCOMPARE(c.sSync, QStringLiteral("site"));
        QCOMPARE(settings().value(3).toInt(), 1);
    }

    void alternateUrlChecks()
    {
        ScriptedPrompt prompt;
        sbHtm::setRunner([&](sbHtm &d) {
            // Anything but a web address is refused for the alternate URL, which is switched off:
            // without "http", and with "http" inside a script address.
            for (const QString &bad : {QStringLiteral("example.org"), QStringLiteral("javascript:alert('http')//"),
                                       QStringLiteral("data:text/html,http://x")}) {
                prompt.messages.clear();
                d.txHome()->setText(bad);
                d.chWeb()->setChecked(true);
                d.mnRet(0);
                QCOMPARE(prompt.messages.value(0), QStringLiteral("HomeのURL指定が不正です　代替URLの指定はできません"));
                QVERIFY(!d.chWeb()->isChecked());
            }
            // The pages' file names go after the address: a query or a fragment is refused, and why is said.
            for (const QString &bad : {QStringLiteral("https://example.org/site?lang=ja"), QStringLiteral("https://example.org/#top")}) {
                prompt.messages.clear();
                d.txHome()->setText(bad);
                d.chWeb()->setChecked(true);
                d.mnRet(0);
                QCOMPARE(prompt.messages.value(0), QStringLiteral("HomeのURL指定が不正です　代替URLの指定はできません\n"
                                                                  "ﾍﾟｰｼﾞへのﾘﾝｸはURLの後にﾌｧｲﾙ名を付けて作るので、? や # は指定できません"));
                QVERIFY(!d.chWeb()->isChecked());
                QCOMPARE(d.closeCode(), 4);
            }
            // Capitals pass; frames with the alternate URL are refused and the menu tree comes back.
            d.txHome()->setText(QStringLiteral("HTTPS://EXAMPLE.ORG"));
            d.chWeb()->setChecked(true);
            d.opHmt()->button(1)->click();
            QVERIFY(!d.opLout()->button(0)->isEnabled());
            d.mnRet(0);
            QCOMPARE(prompt.messages.value(1),
                     QStringLiteral("フレームを使用した個々のページはナビゲーションﾒﾆｭｰないので 代替URLを行う場合は、フレーム無しを指定して下さい"));
            QCOMPARE(d.opHmt()->checkedId(), 0);
            QVERIFY(d.opLout()->button(0)->isEnabled());
            d.mnRet(0);
        });
        sbHtm::Choice c;
        sbHtm::Act(QString(), c);
        QCOMPARE(c.iRet, 1);
        QCOMPARE(prompt.messages.size(), 2);
        QCOMPARE(settings().value(1).toInt(), 1);

        // A stored script address with the switch on (someone else's settings): shown, not used.
        QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Update kaUsr Set HiHome=1, HsHome1='javascript:alert(''http'')//'")));
        Frmt::st().homeAddress = QStringLiteral("http://before/");
        sbHtm::setRunner([](sbHtm &d) {
            QCOMPARE(d.txHome()->text(), QStringLiteral("javascript:alert('http')//"));
            QCOMPARE(Frmt::st().homeAddress, QString());
            d.close();
        });
        sbHtm::Act(QString(), c);
        QCOMPARE(Frmt::st().homeAddress, QString());

        // Frames without the alternate URL.
        sbHtm::setRunner([](sbHtm &d) {
            d.chWeb()->setChecked(false);
            d.opHmt()->button(1)->click();
            d.mnRet(0);
        });
        sbHtm::Act(QString(), c);
        QCOMPARE(c.iRet, 2);
        QCOMPARE(Frmt::st().homeAddress, QString());
    }

    // A home mode set by a site build: the switch is greyed, HiHome is never written and the
    // address in force stays.
    void homeModeOfASiteBuild()
    {
        ScriptedPrompt prompt;
        QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Update kaUsr Set HiHome=2, HsHome1='http://one/'")));
        Frmt::st().homeAddress = QStringLiteral("http://two/");
        sbHtm::setRunner([](sbHtm &d) {
            QVERIFY(!d.chWeb()->isEnabled());
            QCOMPARE(d.lbMsg()->text(), QStringLiteral("ｻｲﾄ出力で作成されたﾊﾟｽが既定となっています"));
            d.txHome()->setText(QStringLiteral("http://three/"));
            d.mnRet(1);
        });
        sbHtm::Choice c;
        sbHtm::Act(QString(), c);
        QCOMPARE(settings().value(1).toInt(), 2);
        QCOMPARE(settings().value(0).toString(), QStringLiteral("http://three/"));
        QCOMPARE(Frmt::st().homeAddress, QStringLiteral("http://two/"));
    }

    // The first page's name is a plain file name: a stored one that is not is not offered (and
    // not handed back, even on cancel); a typed one that is not is refused with every item but
    // cancel, and the dialog stays.
    void firstPageNameIsPlain()
    {
        ScriptedPrompt prompt;
        QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Update kaUsr Set HsTopNm=?"),
                                         {QStringLiteral("../../../../home/someone/index.html")}));
        sbHtm::setRunner([](sbHtm &d) {
            QCOMPARE(d.txHtm()->text(), QString());
            d.cmRet(1);
        });
        sbHtm::Choice c;
        sbHtm::Act(QString(), c);
        QCOMPARE(c.sTpNm, QString());
        QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Update kaUsr Set HsTopNm='favicon.ico'")));
        sbHtm::Act(QString(), c);
        QCOMPARE(c.sTpNm, QString());

        const QString refused = QStringLiteral("最初のﾍﾟｰｼﾞのﾌｧｲﾙ名が不正です　ﾌｫﾙﾀﾞ(/ \\)や..、制御文字は指定できません");
        const QStringList typed = {QStringLiteral("../index"), QStringLiteral("sub/index"), QStringLiteral("a\\b"),
                                   QStringLiteral("tab\tname"), QStringLiteral("x\u202Egpj"), QStringLiteral("..")};
        sbHtm::setRunner([&](sbHtm &d) {
            for (const QString &name : typed) {
                for (int item : {0, 1}) {
                    d.txHtm()->setText(name);
                    d.mnRet(item);
                    QCOMPARE(d.closeCode(), 4);
                }
            }
            d.opFtp()->button(1)->setChecked(true);
            d.txFtp()->setText(QStringLiteral("site"));
            d.mnRet(2);
            QCOMPARE(d.closeCode(), 4);
            // A name the site writes itself.
            for (const QString &own : {QStringLiteral("navi"), QStringLiteral("1002"), QStringLiteral("Q&A?"), QStringLiteral("#1")}) {
                d.txHtm()->setText(own);
                d.mnRet(0);
                QCOMPARE(d.closeCode(), 4);
            }
            // A name whose picture folder would be too long for the file system.
            d.txHtm()->setText(QString(250, QLatin1Char('a')));
            d.mnRet(0);
            QCOMPARE(d.closeCode(), 4);
            d.txHtm()->setText(QStringLiteral("目次"));
            d.mnRet(0);
        });
        sbHtm::Act(QString(), c);
        QCOMPARE(prompt.messages.mid(0, 2 * typed.size() + 1), QStringList(QList<QString>(2 * typed.size() + 1, refused)));
        QStringList own;
        for (const QString &name : {QStringLiteral("navi.htm"), QStringLiteral("1002.htm"), QStringLiteral("Q&A?.htm"), QStringLiteral("#1.htm")})
            own << QStringLiteral("最初のﾍﾟｰｼﾞのﾌｧｲﾙ名 ") + name
                       + QStringLiteral(" は指定できません　ｻｲﾄのﾌｧｲﾙ(番号.htm、navi.htm)と重なる名前や # ? % を含む名前はﾘﾝｸが届きません");
        own << QStringLiteral("最初のﾍﾟｰｼﾞのﾌｧｲﾙ名が長すぎます　画像ﾌｫﾙﾀﾞ名が 257 ﾊﾞｲﾄになります (255 ﾊﾞｲﾄまで)");
        QCOMPARE(prompt.messages.mid(2 * typed.size() + 1), own);
        QCOMPARE(c.iRet, 1);
        QCOMPARE(c.sTpNm, QStringLiteral("目次.htm"));
        QCOMPARE(settings().value(2).toString(), QStringLiteral("目次.htm"));
    }

    // Without a settings row the choices are inserted.
    void noSettingsRow()
    {
        ScriptedPrompt prompt;
        QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Delete From kaUsr")));
        sbHtm::setRunner([](sbHtm &d) {
            d.txHtm()->setText(QStringLiteral("start"));
            d.mnRet(0);
        });
        sbHtm::Choice c;
        sbHtm::Act(QString(), c);
        QCOMPARE(c.sTpNm, QStringLiteral("start.htm"));
        QCOMPARE(settings().value(2).toString(), QStringLiteral("start.htm"));
    }
};

QTEST_MAIN(TstSbHtm)
#include "tst_sbhtm.moc"

#include "core/Usr.h"
#include "core/yIni.h"
#include "core/zClt.h"
#include "platform/text/SystemCodec.h"
#include "platform/desktop/ToolPaths.h"
#include "support/RecordingLauncher.h"
#include "support/ScriptedPrompt.h"
#include "support/TestHome.h"

#include <QDateTime>
#include <QDir>
#include <QtTest>

namespace {

QByteArray cp932(const QString &text) { return SystemCodec::fromUnicode(text); }

const QString sevenLines = QStringLiteral("<?xml version='1.0' encoding='Shift-JIS' ?>\r\n"
                                          "<運用>\r\n"
                                          "   <位置>\r\n"
                                          "      <Left>100</Left>\r\n"
                                          "      <Top>200</Top>\r\n"
                                          "   </位置>\r\n"
                                          "</運用>");

} // namespace

class TestYIni : public QObject
{
    Q_OBJECT

    TestHome *m_home = nullptr;
    QString m_dir;   // per-test folder
    QString m_xml;   // per-test User.xml

    yIni &ini() { return yIni::instance(); }

    void storeGroup(const QString &group, const QList<QPair<QString, QVariant>> &values, bool written = true)
    {
        ini().GetGtx(group);
        for (const auto &value : values)
            ini().SetVal(value.first, value.second);
        ini().SetGtx();
        QCOMPARE(ini().SetTxt(), written);
    }

    void prepareProgram(const QString &iniContent, bool writeIni = true)
    {
        QDir().mkpath(m_dir + QStringLiteral("/bin"));
        Usr::st().programPath = m_dir + QStringLiteral("/bin/fenwar");
        Usr::st().baseName = QStringLiteral("fenwar");
        if (writeIni)
            QVERIFY(TestHome::write(m_dir + QStringLiteral("/bin/UserData.ini"), cp932(iniContent)));
    }

    QString appDataDefault() const
    {
        return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
               + QStringLiteral("/Quenlith/fenwar/");
    }

private slots:
    void initTestCase()
    {
        m_home = new TestHome;
        QVERIFY(m_home->isValid());
        ToolPaths::setStoreFile(m_home->path() + QStringLiteral("/ToolPaths.ini"));
    }
    void cleanupTestCase() { delete m_home; }

    void init()
    {
        static int serial = 0;
        m_dir = m_home->path() + QStringLiteral("/case%1").arg(++serial);
        QVERIFY(QDir().mkpath(m_dir));
        m_xml = m_dir + QStringLiteral("/User.xml");
        yIni::release();
        Usr::st().userData.clear();
    }

    // --- settings store ---------------------------------------------------

    void newStoreHoldsTheSevenLines()
    {
        QVERIFY(ini().GetTxt(m_xml));
        QVERIFY2(QFileInfo::exists(m_xml), "a missing file is created at load");
        storeGroup(QStringLiteral("位置"), {{QStringLiteral("Left"), 100}, {QStringLiteral("Top"), 200}});
        QCOMPARE(TestHome::readAll(m_xml), cp932(sevenLines));
        // CP932 on disk: the root name is 89 5E 97 70.
        QVERIFY(TestHome::readAll(m_xml).contains(QByteArray("<\x89\x5E\x97\x70>")));
    }

    void storingIntoTheSevenLines_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::newRow("replaced in place") << "Left" << 300 << "<Left>100<" << "<Left>300<";
        QTest::newRow("new key on its own line") << "Width" << 5000 << "<Top>200</Top>\r\n"
                                                 << "<Top>200</Top>\r\n      <Width>5000</Width>\r\n";
    }
    void storingIntoTheSevenLines()
    {
        QFETCH(QString, key);
        QFETCH(int, value);
        QFETCH(QString, from);
        QFETCH(QString, to);
        QVERIFY(TestHome::write(m_xml, cp932(sevenLines)));
        QVERIFY(ini().GetTxt(m_xml));
        storeGroup(QStringLiteral("位置"), {{key, value}});
        QCOMPARE(TestHome::readAll(m_xml), cp932(QString(sevenLines).replace(from, to)));
    }

    // Each window stores its group again at every close: the file must come
    // back byte for byte, and a damaged-file message must never appear.
    void repeatedSavesAreByteStable()
    {
        ScriptedPrompt prompt;
        QVERIFY(TestHome::write(m_xml, cp932(sevenLines)));
        for (int save = 0; save < 3; ++save) {
            yIni::release();
            QVERIFY(ini().GetTxt(m_xml));
            ini().GetGtx(QStringLiteral("位置"));
            QCOMPARE(ini().vGtVal(QStringLiteral("Top"), 0).toDouble(), 200.0);
            storeGroup(QStringLiteral("位置"), {{QStringLiteral("Left"), 100}, {QStringLiteral("Top"), 200}});
            QCOMPARE(TestHome::readAll(m_xml), cp932(sevenLines));
        }
        QCOMPARE(prompt.messages, QStringList());
    }

    void groupsKeepTheOrderOfFirstStore()
    {
        QVERIFY(ini().GetTxt(m_xml));
        storeGroup(QStringLiteral("B"), {{QStringLiteral("k"), 1}});
        storeGroup(QStringLiteral("A"), {{QStringLiteral("k"), 2}});
        storeGroup(QStringLiteral("B"), {{QStringLiteral("k"), 3}});
        const QString text = SystemCodec::toUnicode(TestHome::readAll(m_xml));
        QVERIFY(text.indexOf(QStringLiteral("<B>")) < text.indexOf(QStringLiteral("<A>")));
        QVERIFY(text.contains(QStringLiteral("      <k>3</k>\r\n   </B>\r\n   <A>")));
    }

    void missingKeyGivesDefaultSilently()
    {
        ScriptedPrompt prompt;
        QVERIFY(TestHome::write(m_xml, cp932(sevenLines)));
        QVERIFY(ini().GetTxt(m_xml));
        ini().GetGtx(QStringLiteral("位置"));
        QCOMPARE(ini().vGtVal(QStringLiteral("TrxWd"), 2800).toInt(), 2800);
        ini().GetGtx(QStringLiteral("最近"));
        QCOMPARE(ini().vGtVal(QStringLiteral("開始頁"), QStringLiteral("開かない")).toString(),
                 QStringLiteral("開かない"));
        QCOMPARE(prompt.messages, QStringList());
    }

    void damagedKeyShowsMessageAndDefault()
    {
        ScriptedPrompt prompt;
        QString damaged = sevenLines;
        damaged.replace(QStringLiteral("</Top>"), QString());
        QVERIFY(TestHome::write(m_xml, cp932(damaged)));
        QVERIFY(ini().GetTxt(m_xml));
        ini().GetGtx(QStringLiteral("位置"));
        QCOMPARE(ini().vGtVal(QStringLiteral("Left"), 0).toDouble(), 100.0);
        QCOMPARE(ini().vGtVal(QStringLiteral("Top"), 7).toInt(), 7);
        QCOMPARE(prompt.messages,
                 QStringList(QStringLiteral("<Top> の設定が読み込めません\nﾕｰｻﾞｰ環境ﾌｧｲﾙ(") + m_xml
                             + QStringLiteral(") が破損しています")));
    }

    void damagedGroupShowsMessage_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("end tag missing") << QString(sevenLines).replace(QStringLiteral("   </位置>\r\n"), QString());
        QTest::newRow("end before start")
            << QStringLiteral("<?xml version='1.0' encoding='Shift-JIS' ?>\r\n<運用>\r\n   </位置>\r\n   <位置>\r\n</運用>");
    }
    void damagedGroupShowsMessage()
    {
        QFETCH(QString, text);
        ScriptedPrompt prompt;
        QVERIFY(TestHome::write(m_xml, cp932(text)));
        QVERIFY(ini().GetTxt(m_xml));
        ini().GetGtx(QStringLiteral("位置"));
        QCOMPARE(ini().groupText(), QString());
        QCOMPARE(ini().vGtVal(QStringLiteral("Left"), 5).toInt(), 5);
        QCOMPARE(prompt.messages.size(), 1);
        QVERIFY(prompt.messages.first().startsWith(QStringLiteral("<位置> の設定が読み込めません")));
    }

    void typedReads_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QVariant>("defaultValue");
        QTest::addColumn<QVariant>("expected");
        QTest::newRow("fraction") << "850.5" << QVariant(0) << QVariant(850.5);
        QTest::newRow("digits then letters") << "12abc" << QVariant(0) << QVariant(12.0);
        QTest::newRow("letters read as 0") << "abc" << QVariant(5) << QVariant(0.0);
        QTest::newRow("empty number gives default") << "" << QVariant(2800) << QVariant(2800);
        QTest::newRow("number for invalid default") << "7" << QVariant() << QVariant(7.0);
        QTest::newRow("text") << "表示" << QVariant(QStringLiteral("非表示")) << QVariant(QStringLiteral("表示"));
        QTest::newRow("empty text gives default") << "" << QVariant(QStringLiteral("有効"))
                                                  << QVariant(QStringLiteral("有効"));
        QTest::newRow("True") << "True" << QVariant(false) << QVariant(true);
        QTest::newRow("false any case") << "false" << QVariant(true) << QVariant(false);
        QTest::newRow("flag from 0") << "0" << QVariant(true) << QVariant(false);
        QTest::newRow("flag from -1") << "-1" << QVariant(false) << QVariant(true);
        QTest::newRow("flag unreadable keeps default") << "ja" << QVariant(true) << QVariant(true);
        QTest::newRow("date") << "2026/12/06 21:05:09" << QVariant(QDateTime())
                              << QVariant(QDateTime(QDate(2026, 12, 6), QTime(21, 5, 9)));
        QTest::newRow("bad date gives default") << "soon" << QVariant(QDate(2000, 1, 1))
                                                << QVariant(QDate(2000, 1, 1));
    }
    void typedReads()
    {
        QFETCH(QString, stored);
        QFETCH(QVariant, defaultValue);
        QFETCH(QVariant, expected);
        QVERIFY(ini().GetTxt(m_xml));
        if (!stored.isEmpty())
            storeGroup(QStringLiteral("G"), {{QStringLiteral("K"), stored}});
        ini().GetGtx(QStringLiteral("G"));
        const QVariant value = ini().vGtVal(QStringLiteral("K"), defaultValue);
        QCOMPARE(value.typeId(), expected.typeId());
        QCOMPARE(value, expected);
    }

    void writtenValuesReadBack_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("double uses a point") << QVariant(850.5) << "850.5";
        QTest::newRow("flag") << QVariant(true) << "True";
        QTest::newRow("quotes, question marks, markup") << QVariant(QStringLiteral("it's \"?\" & <b>"))
                                                        << "it's \"?\" & <b>";
        QTest::newRow("date with four-digit year")
            << QVariant(QDateTime(QDate(2031, 2, 3), QTime(4, 5, 6))) << "2031/02/03 04:05:06";
    }
    void writtenValuesReadBack()
    {
        QFETCH(QVariant, value);
        QFETCH(QString, text);
        QVERIFY(ini().GetTxt(m_xml));
        storeGroup(QStringLiteral("G"), {{QStringLiteral("K"), value}});
        yIni::release();
        QVERIFY(ini().GetTxt(m_xml));
        ini().GetGtx(QStringLiteral("G"));
        QCOMPARE(ini().vGtVal(QStringLiteral("K"), QString()).toString(), text);
        QCOMPARE(ini().vGtVal(QStringLiteral("K"), QVariant(value.metaType())), value);
    }

    void doubleDaggerBecomesLineEnd()
    {
        QVERIFY(ini().GetTxt(m_xml));
        storeGroup(QStringLiteral("G"), {{QStringLiteral("New"), QStringLiteral("a‡b")}});
        storeGroup(QStringLiteral("G"), {{QStringLiteral("New"), QStringLiteral("c‡d")}});
        QVERIFY(TestHome::readAll(m_xml).contains("<New>c\r\nd</New>\r\n"));
        ini().GetGtx(QStringLiteral("G"));
        QCOMPARE(ini().vGtVal(QStringLiteral("New"), QString()).toString(), QStringLiteral("c\r\nd"));
    }

    void prefixedGroupsAreSeparate()
    {
        QVERIFY(ini().GetTxt(m_xml));
        storeGroup(QStringLiteral("_RVTX_DISP"), {{QStringLiteral("MODE"), 2}});
        storeGroup(QStringLiteral("TX_DISP"), {{QStringLiteral("MODE"), 1}});
        ini().GetGtx(QStringLiteral("TX_DISP"));
        QCOMPARE(ini().vGtVal(QStringLiteral("MODE"), 0).toDouble(), 1.0);
        ini().GetGtx(QStringLiteral("_RVTX_DISP"));
        QCOMPARE(ini().vGtVal(QStringLiteral("MODE"), 0).toDouble(), 2.0);
    }

    void dvFileNameIsDropped()
    {
        QVERIFY(ini().GetTxt(m_dir + QStringLiteral("/User_dv.XML")));
        QCOMPARE(ini().filePath(), m_dir + QStringLiteral("/User.xml"));
    }

    void unusableContentStartsNewStore_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("begins with a line end") << QByteArray("\r\n<x>");
    }
    void unusableContentStartsNewStore()
    {
        QFETCH(QByteArray, bytes);
        QVERIFY(TestHome::write(m_xml, bytes));
        QVERIFY(ini().GetTxt(m_xml));
        QCOMPARE(ini().documentText(),
                 QStringLiteral("<?xml version='1.0' encoding='Shift-JIS' ?>\r\n<運用>\r\n</運用>"));
    }

    // A folder in the way, or a parent that is a file: the store fails and
    // never replaces what stands there, but keeps the values for this session.
    void unusablePlaceFailsCleanly_data()
    {
        QTest::addColumn<bool>("folderInTheWay");
        QTest::newRow("folder in the way") << true;
        QTest::newRow("under a file") << false;
    }
    void unusablePlaceFailsCleanly()
    {
        QFETCH(bool, folderInTheWay);
        QString path = m_xml;
        if (folderInTheWay) {
            QVERIFY(QDir().mkpath(m_xml));
        } else {
            QVERIFY(TestHome::write(m_dir + QStringLiteral("/plain"), "x"));
            path = m_dir + QStringLiteral("/plain/User.xml");
        }
        QVERIFY(!ini().GetTxt(path));
        storeGroup(QStringLiteral("G"), {{QStringLiteral("K"), 1}}, false);
        QCOMPARE(QFileInfo(m_xml).isDir(), folderInTheWay);
        ini().GetGtx(QStringLiteral("G"));
        QCOMPARE(ini().vGtVal(QStringLiteral("K"), 0).toDouble(), 1.0);
    }

    void lostRootEndIsRestored()
    {
        ScriptedPrompt prompt;
        QString text = sevenLines;
        text.chop(QStringLiteral("</運用>").size());
        QVERIFY(TestHome::write(m_xml, cp932(text)));
        QVERIFY(ini().GetTxt(m_xml));
        storeGroup(QStringLiteral("最近"), {{QStringLiteral("1."), QStringLiteral("/tmp/a b.txdb")}});
        yIni::release();
        QVERIFY(ini().GetTxt(m_xml));
        ini().GetGtx(QStringLiteral("最近"));
        QCOMPARE(ini().vGtVal(QStringLiteral("1."), QString()).toString(), QStringLiteral("/tmp/a b.txdb"));
        ini().GetGtx(QStringLiteral("位置"));
        QCOMPARE(ini().vGtVal(QStringLiteral("Left"), 0).toDouble(), 100.0);
        QVERIFY(TestHome::readAll(m_xml).endsWith(cp932(QStringLiteral("</運用>"))));
        QCOMPARE(prompt.messages, QStringList());
    }

    // --- user-data folder -------------------------------------------------

    void missingUserDataIniIsCreated()
    {
        prepareProgram(QString(), false);
        ini().W_UserData();
        QCOMPARE(Usr::st().userData, appDataDefault());
        QVERIFY(QFileInfo(appDataDefault()).isDir());
        QCOMPARE(TestHome::readAll(m_dir + QStringLiteral("/bin/UserData.ini")), QByteArray("%applicaion data%"));
        QCOMPARE(ToolPaths::value(QStringLiteral("QuenlithTools"), QStringLiteral("Path"), QStringLiteral("fenwar")),
                 m_dir + QStringLiteral("/bin/fenwar"));
    }

    void tokens_data()
    {
        QTest::addColumn<QString>("token");
        QTest::addColumn<QString>("kind");
        QTest::newRow("app in capitals") << "%APP%" << "program";
        QTest::newRow("usr") << "%usr%" << "appdata";
        QTest::newRow("application data, mixed case") << "%Applicaion Data%" << "appdata";
        QTest::newRow("doc") << "%doc" << "documents";
        QTest::newRow("my document") << "%My Document%" << "documents";
        QTest::newRow("other token") << "%whatever%" << "appdata";
    }
    void tokens()
    {
        QFETCH(QString, token);
        QFETCH(QString, kind);
        ScriptedPrompt prompt;
        prepareProgram(token);
        ini().W_UserData();
        QString expected = appDataDefault();
        if (kind == QLatin1String("program"))
            expected = m_dir + QStringLiteral("/bin/usData/");
        else if (kind == QLatin1String("documents"))
            expected = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)
                       + QStringLiteral("/Quenlith/fenwar/");
        QCOMPARE(Usr::st().userData, expected);
        QVERIFY(QFileInfo(expected).isDir());
        QCOMPARE(prompt.messages, QStringList());
        QCOMPARE(TestHome::readAll(m_dir + QStringLiteral("/bin/UserData.ini")), cp932(token));
    }

    void existingFolderKeepsItsCase()
    {
        const QString folder = m_dir + QStringLiteral("/My Data/ユーザー");
        QVERIFY(QDir().mkpath(folder));
        prepareProgram(folder);
        ini().W_UserData();
        QCOMPARE(Usr::st().userData, folder + QLatin1Char('/'));
    }

    void missingFolder_data()
    {
        QTest::addColumn<QString>("content");
        QTest::newRow("missing folder") << m_home->path() + QStringLiteral("/nowhere/deeper");
        QTest::newRow("existing folder with a line end") << m_home->path() + QStringLiteral("\r\n");
    }
    void missingFolder()
    {
        QFETCH(QString, content);
        ScriptedPrompt prompt;
        prepareProgram(content);
        ini().W_UserData();
        QCOMPARE(Usr::st().userData, appDataDefault());
        QCOMPARE(prompt.messages,
                 QStringList(QStringLiteral("ﾌｫﾙﾀﾞ ") + content + QStringLiteral(" が見つかりません\n")
                             + QStringLiteral("ﾕｰｻﾞｰﾃﾞｰﾀｰﾌｫﾙﾀﾞは　") + appDataDefault()
                             + QStringLiteral(" を使用します")));
        QCOMPARE(TestHome::readAll(m_dir + QStringLiteral("/bin/UserData.ini")), cp932(content));
    }

    void folderThatCannotBeMadeFallsBack()
    {
        ScriptedPrompt prompt;
        prepareProgram(QStringLiteral("%app%"));
        QVERIFY(TestHome::write(m_dir + QStringLiteral("/bin/usData"), "a file in the way"));
        ini().W_UserData();
        QCOMPARE(Usr::st().userData, appDataDefault());
        QVERIFY(QFileInfo(appDataDefault()).isDir());
        QCOMPARE(prompt.messages.size(), 1);
        QVERIFY(prompt.messages.first().startsWith(QStringLiteral("ﾌｫﾙﾀﾞ ") + m_dir + QStringLiteral("/bin/usData/ が")));
    }

    void leadingLineEndIsRewritten()
    {
        prepareProgram(QStringLiteral("\n/some/folder"));
        ini().W_UserData();
        QCOMPARE(Usr::st().userData, appDataDefault());
        QCOMPARE(TestHome::readAll(m_dir + QStringLiteral("/bin/UserData.ini")), QByteArray("%applicaion data%"));
    }

    void unreadableUserDataIniIsLeftAlone()
    {
        ScriptedPrompt prompt;
        prepareProgram(QString(), false);
        QVERIFY(QDir().mkpath(m_dir + QStringLiteral("/bin/UserData.ini")));
        ini().W_UserData();
        QCOMPARE(Usr::st().userData, appDataDefault());
        QVERIFY(QFileInfo(m_dir + QStringLiteral("/bin/UserData.ini")).isDir());
        QCOMPARE(prompt.messages, QStringList());
    }

    void folderCreation()
    {
        const QString deep = m_dir + QStringLiteral("/a b/日本/c/");
        ini().F_CreateFld(deep);
        QVERIFY(QFileInfo(deep).isDir());
        ini().F_ChkSb(deep, {QStringLiteral("Wrk"), QStringLiteral("Dbs")});
        QVERIFY(QFileInfo(deep + QStringLiteral("Wrk")).isDir());
        QVERIFY(QFileInfo(deep + QStringLiteral("Dbs")).isDir());
    }

    // --- shell openers ----------------------------------------------------

    // Help opens the program's own page, written into the user-data folder, unless the user set a
    // help site that a browser can reach: an absolute http(s) address. Any other stored value is
    // ignored.
    void helpTopics_data()
    {
        QTest::addColumn<QString>("site");
        QTest::addColumn<QString>("topic");
        QTest::addColumn<QString>("opened"); // "" for the program's own page
        QTest::newRow("own page") << "" << "Fenwar.htm" << "";
        QTest::newRow("own page for an unknown topic") << "" << "Index" << "";
        QTest::newRow("site, no dot") << "https://help.example.org/docs" << "Index"
                                      << "https://help.example.org/docs/index.htm";
        QTest::newRow("site, with dot") << "http://help.example.org/" << "Tree.HTML"
                                        << "http://help.example.org/tree.html";
        QTest::newRow("script") << "javascript:alert(1)//" << "fenwar.htm" << "";
        QTest::newRow("file address") << "file:///etc/" << "fenwar.htm" << "";
        QTest::newRow("no scheme") << "help.example.org" << "fenwar.htm" << "";
        QTest::newRow("no host") << "https://" << "fenwar.htm" << "";
        QTest::newRow("blanks in it") << "https://help example.org/" << "fenwar.htm" << "";
    }
    void helpTopics()
    {
        QFETCH(QString, site);
        QFETCH(QString, topic);
        QFETCH(QString, opened);
        QVERIFY(ini().GetTxt(m_xml));
        Usr::st().userData = m_dir + QLatin1Char('/');
        if (!site.isEmpty())
            storeGroup(QStringLiteral("ﾍﾙﾌﾟ"), {{QStringLiteral("URL"), site}});
        // An older copy of the page is written over.
        const QString own = m_dir + QStringLiteral("/Help/fenwar.htm");
        QVERIFY(QDir().mkpath(m_dir + QStringLiteral("/Help")));
        QVERIFY(TestHome::write(own, "old"));
        RecordingLauncher launcher;
        ini().W_Help(topic);
        if (!opened.isEmpty()) {
            QCOMPARE(launcher.lastCommand(), QStringList({QStringLiteral("xdg-open"), opened}));
            return;
        }
        QCOMPARE(launcher.lastCommand(), QStringList({QStringLiteral("xdg-open"), own}));
        const QString page = QString::fromUtf8(TestHome::readAll(own));
        QVERIFY(page.contains(QStringLiteral("<html lang=\"ja\">")));
        QVERIFY(page.contains(QStringLiteral("Linux でできないこと")));
    }

    void openers()
    {
        RecordingLauncher launcher;
        ini().W_HtmView(QStringLiteral("https://example.org/?a=1&b=2"));
        QCOMPARE(launcher.lastCommand().value(1), QStringLiteral("https://example.org/?a=1&b=2"));
        launcher.calls.clear();
        ini().W_ExpFd(QString(), true);
        ini().W_ExpFd(m_dir + QStringLiteral("/missing"), false);
        QCOMPARE(launcher.calls.size(), 0);
        ini().W_ExpFd(m_dir, false);
        ini().W_ExpFd(m_dir + QStringLiteral("/a b.txt"), true);
        QCOMPARE(launcher.calls.size(), 2);
        QCOMPARE(launcher.calls.at(0).arguments, QStringList(m_dir));
        QCOMPARE(launcher.calls.at(1).arguments, QStringList(m_dir + QStringLiteral("/a b.txt")));
    }

    // Every hand-over to the desktop takes xdg-open's exit code: a failure names what could not be
    // shown, where it lies and why.
    void handOverFailuresAreTold_data()
    {
        QTest::addColumn<QString>("entry"); // help, view, file, folder, preview
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("message"); // "@" stands for the target
        const QString none = QStringLiteral("開くﾌﾟﾛｸﾞﾗﾑが見つかりません｡ﾃﾞｽｸﾄｯﾌﾟの設定で既定のﾌﾟﾛｸﾞﾗﾑを指定して下さい");
        QTest::newRow("help page, no program") << "help" << 3 << "ﾌｧｲﾙ: @ を開けません｡\n" + none + "\n(xdg-open の終了ｺｰﾄﾞ 3)";
        QTest::newRow("address, no program") << "view" << 3 << "ｱﾄﾞﾚｽ: @ を開けません｡\n" + none + "\n(xdg-open の終了ｺｰﾄﾞ 3)";
        QTest::newRow("file, program failed") << "file" << 4
                                              << "ﾌｧｲﾙ: @ を開けません｡\n既定のﾌﾟﾛｸﾞﾗﾑが開けませんでした\n(xdg-open の終了ｺｰﾄﾞ 4)";
        QTest::newRow("file gone meanwhile") << "file" << 2
                                             << "ﾌｧｲﾙ: @ を開けません｡\nﾌｧｲﾙが見つかりません\n(xdg-open の終了ｺｰﾄﾞ 2)";
        QTest::newRow("folder, xdg-open missing") << "folder" << -1
                                                  << "ﾌｫﾙﾀﾞ: @ を開けません｡\nxdg-open (xdg-utils) を起動できません｡ｲﾝｽﾄｰﾙされているかﾁｪｯｸして下さい";
        QTest::newRow("preview, no program") << "preview" << 3 << "ﾌｧｲﾙ: @ を開けません｡\n" + none + "\n(xdg-open の終了ｺｰﾄﾞ 3)";
    }

    void handOverFailuresAreTold()
    {
        QFETCH(QString, entry);
        QFETCH(int, answer);
        QFETCH(QString, message);
        QVERIFY(ini().GetTxt(m_xml));
        Usr::st().userData = m_dir + QLatin1Char('/');
        const QString file = m_dir + QStringLiteral("/出力 1.docx");
        QVERIFY(TestHome::write(file, "docx"));
        const QString target = entry == QLatin1String("help")     ? m_dir + QStringLiteral("/Help/fenwar.htm")
                               : entry == QLatin1String("view")   ? QStringLiteral("https://example.org/?a=1&b=2")
                               : entry == QLatin1String("folder") ? m_dir
                                                                  : file;
        auto hand = [&] {
            if (entry == QLatin1String("help"))
                ini().W_Help(QStringLiteral("fenwar"));
            else if (entry == QLatin1String("view"))
                ini().W_HtmView(target);
            else if (entry == QLatin1String("preview"))
                zClt::instance().A_ViewIE(target);
            else
                ini().W_ExpFd(target, entry == QLatin1String("file"));
        };
        ScriptedPrompt prompt;
        RecordingLauncher launcher;
        launcher.runResult = answer;
        hand();
        QCOMPARE(launcher.lastCommand(), QStringList({QStringLiteral("xdg-open"), target}));
        QCOMPARE(prompt.messages, QStringList{QString(message).replace(u'@', target)});
        // Handed over, or still held by the program xdg-open started: nothing to tell.
        for (int handed : {0, int(Launcher::StillRunning)}) {
            prompt.messages.clear();
            launcher.runResult = handed;
            hand();
            QVERIFY(prompt.messages.isEmpty());
        }
    }

    void sendToWritesALauncher()
    {
        ScriptedPrompt prompt;
        prepareProgram(QString(), false);
        QVERIFY(ini().W_SendTo());
        const QString folder = ini().FsGtSpFld(9);
        const QByteArray entry = TestHome::readAll(folder + QStringLiteral("/fenwar.desktop"));
        QVERIFY(entry.contains("\nExec=" + (m_dir + QStringLiteral("/bin/fenwar")).toUtf8() + " %f\n"));
        QCOMPARE(prompt.messages, QStringList(m_dir + QStringLiteral("/bin/fenwar のﾗﾝﾁｬｰ fenwar.desktop を ") + folder
                                              + QStringLiteral(" に作成しました")));
    }
};

QTEST_MAIN(TestYIni)
#include "tst_yini.moc"

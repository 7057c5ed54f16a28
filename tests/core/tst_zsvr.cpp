#include "core/Frmt.h"
#include "core/TemplateDb.h"
#include "core/Usr.h"
#include "core/sbPwd.h"
#include "core/zSvr.h"
#include "platform/db/DbConnection.h"
#include "support/ScriptedPrompt.h"
#include "support/TestHome.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

#include <cstdio>

class TestZSvr : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_dir = new QTemporaryDir;
        m_prompt = new ScriptedPrompt;
    }

    void cleanup()
    {
        zSvr::release();
        sbPwd::setDriver(nullptr);
        delete m_prompt;
        delete m_dir;
    }

    void templateTables()
    {
        const QString path = freshDb();
        QVERIFY(!path.isEmpty());
        QVERIFY(!TemplateDb::create(path)); // never over an existing file
        zSvr &db = zSvr::instance();
        QVERIFY(db.D_StDcDb(path));
        const QStringList columns[] = {
            {"noDoc", "szDoc", "txDoc", "obDoc", "saTgs", "dyUdt", "wkRnd", "boCod", "boUse", "boPng"},
            {"noLfP", "noLfC", "inSrt", "szDoc", "boLnk", "boHide", "boHogo", "boUse", "dyUdt", "dyUdt_P", "dyPub"},
            {"noDoc", "saFnm", "boRoot", "inPng", "szTtl", "szDsc", "szKwd", "szCpy", "boNnx", "boTbF"},
            {"skDic", "szDic"},
            {"DmFmt", "HsPub", "HsHome1", "HiHome", "HsTopNm", "HiFtp1", "HsSync1", "HiLout", "HsHome2", "HiType", "HiPfold",
             "HsPfold", "HiPopS", "EsTtl", "EsUid", "EsCre", "EsPub", "EsName", "EbFold", "EbTbF", "EbNit"}};
        const char *tables[] = {"msDoc", "tbTree", "tbHtm", "msDic", "kaUsr"};
        for (int t = 0; t < 5; ++t) {
            DbTable ary;
            QVERIFY2(db.R_Ary(QStringLiteral("Select * From %1").arg(tables[t]), ary) == (t == 4 ? 1 : 0), tables[t]);
            QStringList names;
            for (int c = 0; c < ary.columnCount(); ++c)
                names << ary.columnName(c);
            QCOMPARE(names, columns[t]);
        }
        const QString fmt = db.R_GtVaL(QStringLiteral("Select DmFmt From kaUsr"), QStringLiteral("***")).toString();
        QVERIFY(fmt.contains(QStringLiteral("<USR_FORMAT_7>ＭＳ Ｐゴシック|9|5652282|16777215|0|1|0|0|0|0|0|0|0|0</USR_FORMAT_7>\r")));
        QCOMPARE(fmt, Frmt::DefaultDmFmt()); // the template and the format code agree
        QCOMPARE(db.R_GtVaL(QStringLiteral("Select HsPub From kaUsr"), QStringLiteral("x")).toString(), QString());
        // The placement pair is unique.
        QVERIFY(db.D_ExeSq(QStringLiteral("Insert Into tbTree (noLfP, noLfC, inSrt, szDoc, boLnk, boHide, boHogo) Values (0, 1001, 1, 'a', 0, 0, 0)")));
        QVERIFY(!db.D_ExeSq(QStringLiteral("Insert Into tbTree (noLfP, noLfC, inSrt, szDoc, boLnk, boHide, boHogo) Values (0, 1001, 2, 'b', 0, 0, 0)")));
        QCOMPARE(db.R_GtVaL(QStringLiteral("Select boUse From tbTree"), -1).toInt(), 0);
    }

    void templateInstall()
    {
        const QString userData = m_dir->path() + QStringLiteral("/user/");
        QVERIFY(!TemplateDb::builtTemplate().isEmpty()); // the build made it
        QVERIFY(TemplateDb::install(userData));
        const QString target = userData + QStringLiteral("Dbs/Moto.txdb");
        QVERIFY(QFileInfo(target).isFile());
        QVERIFY(zSvr::instance().D_StDcDb(target));
        QCOMPARE(zSvr::instance().R_GtVaL(QStringLiteral("Select Count(*) From kaUsr"), 0).toInt(), 1);
        zSvr::instance().D_Close();
        // An installed template is left alone.
        QFile file(target);
        QVERIFY(file.open(QIODevice::Append));
        file.write("x");
        file.close();
        const qint64 size = QFileInfo(target).size();
        QVERIFY(TemplateDb::install(userData));
        QCOMPARE(QFileInfo(target).size(), size);
        QVERIFY(!QFileInfo::exists(target + QStringLiteral(".part")));
    }

    void scriptStatements()
    {
        const QStringList list = TemplateDb::statements(QStringLiteral(
            "-- heading; with a semicolon\ncreate table a (x TEXT DEFAULT ';--');\n\n  insert into a values ('it''s; -- here') ;\n-- end"));
        QCOMPARE(list, (QStringList{QStringLiteral("create table a (x TEXT DEFAULT ';--')"),
                                    QStringLiteral("insert into a values ('it''s; -- here')")}));
        QCOMPARE(TemplateDb::statements(TemplateDb::script()).size(), 8); // five tables, two indexes, the kaUsr row
    }

    // The database's name names the folders that publishing empties and replaces (Htm/<name>,
    // ePub/<name>, Wrk/<name>): a file whose name before the extension is "..", "." or nothing
    // still gives a plain name, so that none of them is the user-data folder or the folder of
    // every site or book.
    void folderNameIsPlain_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("name");
        QTest::newRow("dot dot") << "...txdb" << "__";
        QTest::newRow("dot") << "..txdb" << "_";
        QTest::newRow("none") << ".txdb" << "_";
        QTest::newRow("plain") << "Plain.txdb" << "Plain";
    }

    void folderNameIsPlain()
    {
        QFETCH(QString, file);
        QVERIFY(zSvr::instance().D_StDcDb(freshDb(file)));
        QTEST(Usr::st().dbName, "name");
        const QString user = m_dir->path() + QStringLiteral("/user/");
        for (const QString &folder : {QStringLiteral("Htm/"), QStringLiteral("ePub/"), QStringLiteral("Wrk/")})
            QVERIFY(QDir::cleanPath(user + folder + Usr::st().dbName).startsWith(user + folder));
        zSvr::instance().D_Close();
    }

    void openAndClose()
    {
        const QString path = freshDb(QStringLiteral("My.Pages.txdb"));
        zSvr &db = zSvr::instance();
        QSignalSpy saveAs(&db, &zSvr::saveAsAllowed);
        QVERIFY(db.sSvr.isEmpty());
        QVERIFY(db.D_StDcDb(path));
        QCOMPARE(db.sSvr, QFileInfo(path).absoluteFilePath());
        QCOMPARE(Usr::st().dbName, QStringLiteral("My.Pages"));
        QVERIFY(Usr::st().jet);
        QVERIFY(db.isOpen());
        QCOMPARE(saveAs.size(), 1);
        QCOMPARE(saveAs.first().first().toBool(), true);
        QVERIFY(!db.DbRead());
        QVERIFY(m_prompt->messages.isEmpty());
        db.D_Close();
        QVERIFY(db.sSvr.isEmpty());
        QVERIFY(!db.isOpen());
        QCOMPARE(db.R_GtVaL(QStringLiteral("Select Count(*) From kaUsr"), -7).toInt(), -7);
        QVERIFY(!db.D_ExeSq(QStringLiteral("Delete From msDic")));
    }

    void openFailures_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("why");
        const QString notOurs = QStringLiteral("\nFenwar・Harvessaの文書データーベースではありません");
        QTest::newRow("text file") << QByteArray("This is not a database, just some text.\n") << "notes.txdb" << notOurs;
        QTest::newRow("zero bytes") << QByteArray("zero") << "zero.txdb" << notOurs;
        QTest::newRow("empty udl") << QByteArray("[oledb]\r\n; nothing\r\n") << "empty.udl"
                                   << "\nﾃﾞｰﾀｰﾘﾝｸ ﾌｧｲﾙを読めないか、接続先が書かれていません";
        QTest::newRow("udl of unknown source") << QByteArray("DSN=fenwar_no_such_source") << "bad.UDL"
                                               << "\nﾃﾞｰﾀｰﾘﾝｸのﾄﾞﾗｲﾊﾞかﾃﾞｰﾀｰｿｰｽが見つかりません";
        QTest::newRow("missing file") << QByteArray() << "missing.txdb" << "\nが見つかりません";
        QTest::newRow("another program's database") << QByteArray("create") << "foreign.txdb" << notOurs;
        QTest::newRow("tables missing") << QByteArray("partial") << "partial.txdb"
                                        << notOurs + QStringLiteral("\n(ﾃｰﾌﾞﾙ tbHtm, msDic がありません)");
        // The Windows program's own files and Access databases say what they are.
        const QString jet = QStringLiteral("\nWindows の Jet/Access 形式のﾃﾞｰﾀｰﾍﾞｰｽです｡ここでは開けません");
        const auto page = [](const char *kind) {
            QByteArray head("\x00\x01\x00\x00", 4);
            return (head + kind + QByteArray(1, '\0')).leftJustified(4096, '\0');
        };
        QTest::newRow("Jet database as txdb") << page("Standard Jet DB") << "Windows.txdb" << jet;
        QTest::newRow("Access database") << page("Standard Jet DB") << "Kunden.mdb" << jet;
        QTest::newRow("ACE database") << page("Standard ACE DB") << "Neu.mdb" << jet;
        QTest::newRow("header cut short") << QByteArray("\x00\x01\x00\x00Standard Jet", 16) << "cut.txdb" << notOurs;
    }

    void openFailures()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, name);
        QFETCH(QString, why);
        const QString path = m_dir->filePath(name);
        if (content == "zero") {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
        } else if (content == "create" || content == "partial") {
            QSqlDatabase raw = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("raw"));
            raw.setDatabaseName(path);
            QVERIFY(raw.open());
            if (content == "create") {
                QVERIFY(QSqlQuery(raw).exec(QStringLiteral("create table t (a)")));
            } else {
                for (const char *table : {"msDoc", "tbTree", "kaUsr"})
                    QVERIFY(QSqlQuery(raw).exec(QStringLiteral("create table %1 (a)").arg(QLatin1String(table))));
            }
            raw.close();
            raw = QSqlDatabase();
            QSqlDatabase::removeDatabase(QStringLiteral("raw"));
        } else if (!content.isEmpty()) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
        const auto bytes = [&path] {
            QFile file(path);
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
        };
        const QByteArray before = bytes();
        int asked = 0;
        sbPwd::setDriver([&asked](sbPwd &) { ++asked; });
        zSvr &db = zSvr::instance();
        QVERIFY(db.D_StDcDb(freshDb())); // a database open before: it is closed
        QVERIFY(!db.D_StDcDb(path));
        QVERIFY(db.sSvr.isEmpty());
        QVERIFY(!db.isOpen());
        QCOMPARE(db.openFailureText(path).left(path.size() + why.size()), path + why);
        // A refused file is left byte for byte as it was; a missing one is not created.
        QCOMPARE(bytes(), before);
        QVERIFY(!QFileInfo::exists(path + QStringLiteral("-wal")));
        QCOMPARE(asked, 0); // only a refused login asks for a password
    }

    void arrays()
    {
        zSvr &db = zSvr::instance();
        QVERIFY(db.D_StDcDb(freshDb()));
        DbTable ary;
        ary.appendRow({1, 2});
        QCOMPARE(db.R_Ary(QStringLiteral("Select noLfC, szDoc From tbTree"), ary), 0);
        QCOMPARE(ary.rowCount(), 0);
        for (int i = 1; i <= 3; ++i)
            QVERIFY(db.D_ExeSq(QStringLiteral("Insert Into tbTree (noLfP, noLfC, inSrt, szDoc) Values (0, ?, ?, '?')"),
                               {1000 + i, 4 - i, QStringLiteral("頁%1").arg(i)}));
        QCOMPARE(db.R_Ary(QStringLiteral("Select noLfC, szDoc From tbTree Order By inSrt"), ary), 3);
        QCOMPARE(ary.columnCount(), 2);
        QCOMPARE(ary.at(0, 0).toInt(), 1003);
        QCOMPARE(ary.at(1, 2).toString(), QStringLiteral("頁1"));
        QVERIFY(!ary.at(2, 0).isValid());
        QVERIFY(!ary.at(0, 3).isValid());
        QCOMPARE(db.R_Ary(QStringLiteral("Select Top 2 noLfC From tbTree Order By inSrt Desc"), ary), 2);
        QCOMPARE(ary.at(0, 1).toInt(), 1002);
        // A failing statement gives an empty array.
        QCOMPARE(db.R_Ary(QStringLiteral("Select nothing From nowhere"), ary), 0);
        QCOMPARE(ary.columnCount(), 0);
    }

    void singleValueAndRow()
    {
        zSvr &db = zSvr::instance();
        QVERIFY(db.D_StDcDb(freshDb()));
        QVERIFY(db.D_ExeSq(QStringLiteral("Insert Into msDoc (noDoc, szDoc, saTgs) Values (1001, 'A', Null)")));
        QCOMPARE(db.R_GtVaL(QStringLiteral("Select saTgs From msDoc Where noDoc=1001"), QStringLiteral("def")).toString(), QStringLiteral("def"));
        QCOMPARE(db.R_GtVaL(QStringLiteral("Select szDoc From msDoc Where noDoc=9"), 5).toInt(), 5);
        QCOMPARE(db.R_GtVaL(QStringLiteral("Select Max(noDoc) From msDoc"), 1000).toInt(), 1001);
        QCOMPARE(db.R_GtVaL(QStringLiteral("Select broken From"), 3).toInt(), 3);
        QCOMPARE(db.R_GtVaL(QStringLiteral("Select szDoc From msDoc Where noDoc=?"), {1001}, QString()).toString(), QStringLiteral("A"));

        QVariantList vars{QStringLiteral("old"), 7, QStringLiteral("extra")};
        QVERIFY(db.R_PAry(QStringLiteral("Select szDoc, saTgs From msDoc Where noDoc=1001"), vars));
        QCOMPARE(vars.size(), 3);
        QCOMPARE(vars[0].toString(), QStringLiteral("A"));
        QVERIFY(!vars[1].isValid()); // Null arrives as empty
        QCOMPARE(vars[1].toInt(), 0);
        QCOMPARE(vars[2].toString(), QStringLiteral("extra"));

        vars = {QStringLiteral("old"), 7};
        QVERIFY(!db.R_PAry(QStringLiteral("Select szDoc, boCod From msDoc Where noDoc=5"), vars));
        QCOMPARE(vars.size(), 2);
        QCOMPARE(vars[0].toString(), QString());
        QCOMPARE(vars[1].toInt(), 0);

        vars = {QStringLiteral("old"), 7};
        QVERIFY(!db.R_PAry(QStringLiteral("Select nothing From nowhere"), vars));
        QCOMPARE(vars, (QVariantList{QStringLiteral("old"), 7}));

        QVariant v;
        QCOMPARE(zSvr::DvNz(v).toInt(), 0);
        QVERIFY(!v.isNull());
        QVariant w(QStringLiteral("x"));
        QCOMPARE(zSvr::DvNz(w).toString(), QStringLiteral("x"));
    }

    void fillPlaceholders_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QVariantList>("values");
        QTest::addColumn<QString>("expected");
        QTest::newRow("three numbers") << "Update tbTree Set boLnk=? Where noLfP=? And noLfC=?" << QVariantList{1, 0, 12}
                                       << "Update tbTree Set boLnk=1 Where noLfP=0 And noLfC=12";
        QTest::newRow("question mark stripped") << "Update tbTree Set szDoc='?' Where noLfP=? and noLfC=?"
                                                << QVariantList{QStringLiteral("何?これ?"), 3, 4}
                                                << "Update tbTree Set szDoc='何これ' Where noLfP=3 and noLfC=4";
        QTest::newRow("null removes") << "Values (?, ?, ?)" << QVariantList{1, QVariant(), 3} << "Values (1, , 3)";
        QTest::newRow("surplus placeholders") << "a=? b=? c=?" << QVariantList{1} << "a=1 b=? c=?";
        QTest::newRow("surplus values") << "a=?" << QVariantList{1, 2, 3} << "a=1";
        QTest::newRow("quote unchanged") << "szDoc='?'" << QVariantList{QStringLiteral("Tom's")} << "szDoc='Tom's'";
        QTest::newRow("column name") << "Update tbTree Set ?=#01/02/11 03:04:05#" << QVariantList{QStringLiteral("dyPub")}
                                     << "Update tbTree Set dyPub=#01/02/11 03:04:05#";
        QTest::newRow("double identity") << "wkRnd=?" << QVariantList{4294967295.0} << "wkRnd=4294967295";
        QTest::newRow("flag") << "boCod=?" << QVariantList{true} << "boCod=1";
    }

    void fillPlaceholders()
    {
        QFETCH(QString, sql);
        QFETCH(QVariantList, values);
        QFETCH(QString, expected);
        zSvr::T_CnvSq(sql, values);
        QCOMPARE(sql, expected);
    }

    void userTextIsBound_data()
    {
        QTest::addColumn<QString>("title");
        QTest::newRow("apostrophe") << QStringLiteral("Tom's page");
        QTest::newRow("question marks") << QStringLiteral("なぜ? どうして?");
        QTest::newRow("injection") << QStringLiteral("x'; Delete From msDoc; --");
        QTest::newRow("quotes and percent") << QStringLiteral("\"100%\" '?' ''");
    }

    void userTextIsBound()
    {
        QFETCH(QString, title);
        zSvr &db = zSvr::instance();
        QVERIFY(db.D_StDcDb(freshDb()));
        QVERIFY(db.D_ExeSq(QStringLiteral("Insert Into msDoc (noDoc, szDoc, txDoc) Values (1001, 'keep', 'keep')")));
        QVERIFY(db.D_ExeSq(QStringLiteral("Insert Into tbTree (noLfP, noLfC, inSrt, szDoc, boLnk, boHide, boHogo) Values (?, ?, ?,'?', 0, 0, 0)"),
                           {0, 1002, 1, title}));
        int affected = 0;
        QVERIFY(db.D_ExeSq(QStringLiteral("Update msDoc Set szDoc='?', txDoc='本文 ? ' Where noDoc=?"), {title, title, 1001}, &affected));
        QCOMPARE(affected, 1);
        QCOMPARE(db.R_GtVaL(QStringLiteral("Select szDoc From tbTree Where noLfC=1002"), QString()).toString(), title);
        QCOMPARE(db.R_GtVaL(QStringLiteral("Select szDoc From msDoc Where noDoc=1001"), QString()).toString(), title);
        QCOMPARE(db.R_GtVaL(QStringLiteral("Select txDoc From msDoc Where noDoc=1001"), QString()).toString(),
                 QStringLiteral("本文 ") + title + u' ');
        // A search word with the same characters finds the page.
        QCOMPARE(db.R_GtVaL(QStringLiteral("Select Count(*) From msDoc Where txDoc Like '%?%'"), {title}, 0).toInt(), 1);
        QCOMPARE(db.R_GtVaL(QStringLiteral("Select Count(*) From msDoc"), 0).toInt(), 1);
        // A wrong number of values runs nothing.
        QVERIFY(!db.D_ExeSq(QStringLiteral("Delete From msDoc Where noDoc=? Or noDoc=?"), {1001}));
        QCOMPARE(db.R_GtVaL(QStringLiteral("Select Count(*) From msDoc"), 0).toInt(), 1);
    }

    void unquotedFillFails()
    {
        zSvr &db = zSvr::instance();
        QVERIFY(db.D_StDcDb(freshDb()));
        QString sql = QStringLiteral("Insert Into msDic (skDic,szDic) Values ('?','?')");
        zSvr::T_CnvSq(sql, {QStringLiteral("it's"), QStringLiteral("x")});
        QVERIFY(!db.D_ExeSq(sql));
        QVERIFY(m_prompt->messages.isEmpty());
        QCOMPARE(db.R_GtVaL(QStringLiteral("Select Count(*) From msDic"), -1).toInt(), 0);
    }

    void transactions()
    {
        zSvr &db = zSvr::instance();
        QVERIFY(db.D_StDcDb(freshDb()));
        QVERIFY(db.D_Tran(0));
        QVERIFY(db.D_ExeSq(QStringLiteral("Insert Into msDoc (noDoc, szDoc) Values (1001, 'a')")));
        QVERIFY(db.D_ExeSq(QStringLiteral("Alter Table msDoc Add nDcS Long, iCmp integer")));
        QVERIFY(db.D_Tran(2));
        QCOMPARE(db.R_GtVaL(QStringLiteral("Select Count(*) From msDoc"), -1).toInt(), 0);
        QCOMPARE(db.R_GtVaL(QStringLiteral("Select nDcS From msDoc"), QStringLiteral("gone")).toString(), QStringLiteral("gone"));

        QVERIFY(db.D_Tran(0));
        QVERIFY(db.D_ExeSq(QStringLiteral("Insert Into msDoc (noDoc, szDoc) Values (1002, 'b')")));
        QVERIFY(db.D_Tran(1));
        QCOMPARE(db.R_GtVaL(QStringLiteral("Select Count(*) From msDoc"), -1).toInt(), 1);
        QVERIFY(!db.D_Tran(5));
        QVERIFY(!db.D_Tran(1)); // nothing to commit

        // The import's temporary columns come and go.
        QVERIFY(db.D_ExeSq(QStringLiteral("Alter Table tbTree Add nLpS long, nLcS long, iCmp integer")));
        QVERIFY(db.D_ExeSq(QStringLiteral("Update tbTree Set nLpS=1, nLcS=2, iCmp=3")));
        QVERIFY(db.D_ExeSq(QStringLiteral("Alter Table tbTree Drop Column nLpS, nLcS, iCmp")));
        QVERIFY(!db.D_ExeSq(QStringLiteral("Update tbTree Set iCmp=3")));
    }

    // The open file taken away from its path: no write begins in it (it would be lost with the file)
    // unless the handler says it may; moved back, the file is in place again.
    void writesToAFileTakenAwayAreAskedAbout_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("deleted") << QStringLiteral("delete");
        QTest::newRow("moved away") << QStringLiteral("move");
        QTest::newRow("another file put there") << QStringLiteral("replace");
    }
    void writesToAFileTakenAwayAreAskedAbout()
    {
        QFETCH(QString, how);
        zSvr &db = zSvr::instance();
        const QString path = freshDb();
        const QString other = freshDb(QStringLiteral("Other.txdb"));
        const QString away = m_dir->filePath(QStringLiteral("Away.txdb"));
        QVERIFY(db.D_StDcDb(path));
        QVERIFY(db.fileInPlace());
        QVERIFY(db.D_ExeSq(QStringLiteral("Insert Into msDic (skDic) Values ('before')")));
        if (how == QLatin1String("delete"))
            QVERIFY(QFile::remove(path));
        else
            QVERIFY(std::rename(QFile::encodeName(path).constData(), QFile::encodeName(away).constData()) == 0);
        if (how == QLatin1String("replace"))
            QVERIFY(std::rename(QFile::encodeName(other).constData(), QFile::encodeName(path).constData()) == 0);
        QVERIFY(!db.fileInPlace());
        int asked = 0;
        db.setLostFileHandler([&asked] { ++asked; return false; });
        QVERIFY(!db.D_ExeSq(QStringLiteral("Insert Into msDic (skDic) Values ('after')")));
        QVERIFY(!db.D_Tran(0));
        QCOMPARE(asked, 2);
        db.setLostFileHandler(nullptr);
        QVERIFY(!db.D_ExeSq(QStringLiteral("Insert Into msDic (skDic) Values ('after')")));
        // What the program holds is still whole and readable.
        QCOMPARE(db.R_GtVaL(QStringLiteral("Select Count(*) From msDic"), -1).toInt(), 1);
        if (how == QLatin1String("move")) {
            QVERIFY(std::rename(QFile::encodeName(away).constData(), QFile::encodeName(path).constData()) == 0);
            QVERIFY(db.fileInPlace());
            QVERIFY(db.D_ExeSq(QStringLiteral("Insert Into msDic (skDic) Values ('back')")));
        }
        db.D_Close();
        if (how == QLatin1String("replace")) {
            QVERIFY(db.D_StDcDb(path));
            QCOMPARE(db.R_GtVaL(QStringLiteral("Select Count(*) From msDic"), -1).toInt(), 0);
        }
    }

    void readOnlyFile()
    {
        const QString path = freshDb();
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        zSvr &db = zSvr::instance();
        QVERIFY(db.D_StDcDb(path));
        QVERIFY(!db.sSvr.isEmpty());
        QVERIFY(m_prompt->messages.isEmpty());

        int affected = 99;
        QVERIFY(!db.D_ExeSq(QStringLiteral("Insert Into msDoc (noDoc) Values (1001)"), &affected));
        QCOMPARE(affected, 0);
        QCOMPARE(m_prompt->messages, QStringList{QStringLiteral("現在の文書ﾃﾞｰﾀｰﾍﾞｰｽは読み込み専用です")});
        QVERIFY(!db.D_ExeSq(QStringLiteral("Update kaUsr Set HsPub='?'"), {QStringLiteral("pc")}));
        QCOMPARE(m_prompt->messages.size(), 2);
        QVERIFY(db.DbRead());
        QCOMPARE(m_prompt->messages.size(), 3);

        // Reads still work; a recordset cannot write behind the guard's back.
        QCOMPARE(db.R_GtVaL(QStringLiteral("Select Count(*) From kaUsr"), 0).toInt(), 1);
        Recordset rs;
        QVERIFY(db.R_Rset(QStringLiteral("Select HsPub From kaUsr"), rs, 2));
        QVERIFY(!rs.eof());
        QVERIFY(rs.setValue(0, QStringLiteral("pc")));
        QVERIFY(!rs.update());
        rs.close();
        db.D_Close();
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner));
        QVERIFY(db.D_StDcDb(path));
        QCOMPARE(db.R_GtVaL(QStringLiteral("Select HsPub From kaUsr"), QStringLiteral("x")).toString(), QString());
        QCOMPARE(db.R_GtVaL(QStringLiteral("Select Count(*) From msDoc"), -1).toInt(), 0);
    }

    void recordsetModes()
    {
        zSvr &db = zSvr::instance();
        QVERIFY(db.D_StDcDb(freshDb()));
        for (int i = 1; i <= 3; ++i)
            QVERIFY(db.D_ExeSq(QStringLiteral("Insert Into msDoc (noDoc, szDoc, wkRnd) Values (?, '?', ?)"),
                               {1000 + i, QStringLiteral("p%1").arg(i), i == 2 ? QVariant() : QVariant(0)}));
        Recordset rs;
        QVERIFY(!db.R_Rset(QStringLiteral("Select noDoc From msDoc"), rs, 3));
        QVERIFY(!rs.isOpen());
        QVERIFY(!db.R_Rset(QStringLiteral("Select noDoc From nowhere"), rs, 0));

        QVERIFY(db.R_Rset(QStringLiteral("Select noDoc, szDoc From msDoc Order By noDoc"), rs, 0));
        QStringList seen;
        for (; !rs.eof(); rs.moveNext())
            seen << rs.value(QStringLiteral("SZDOC")).toString();
        QCOMPARE(seen, (QStringList{"p1", "p2", "p3"}));
        QVERIFY(!rs.setValue(0, 5)); // forward-only sets are read-only
        QVERIFY(!rs.update());

        // The identity fill of the export: an updatable set over a filtered query.
        QVERIFY(db.R_Rset(QStringLiteral("Select noDoc, wkRnd From msDoc Where (wkRnd=0) or (wkRnd is Null)"), rs, 2));
        QCOMPARE(rs.recordCount(), 3);
        double key = 17.0;
        for (; !rs.eof(); rs.moveNext()) {
            QVERIFY(rs.setValue(QStringLiteral("wkRnd"), key++));
            QVERIFY(rs.update());
        }
        rs.close();
        QCOMPARE(db.R_GtVaL(QStringLiteral("Select Sum(wkRnd) From msDoc"), 0).toDouble(), 17.0 + 18.0 + 19.0);

        // Joins are read but not written.
        QVERIFY(db.R_Rset(QStringLiteral("Select D.noDoc, T.noLfC From msDoc D, tbTree T Where D.noDoc=T.noLfC"), rs, 1));
        QVERIFY(!rs.isUpdatable());
    }

    void byteDataRoundTrip()
    {
        zSvr &db = zSvr::instance();
        QVERIFY(db.D_StDcDb(freshDb()));
        QByteArray bytes;
        for (int i = 0; i < 70000; ++i)
            bytes.append(char(i * 7 % 256));
        Recordset rs;
        QVERIFY(db.R_Rset(QStringLiteral("Select * From msDoc Where noDoc=1001"), rs, 2));
        QVERIFY(rs.eof());
        QVERIFY(rs.addNew());
        QVERIFY(rs.setValue(QStringLiteral("noDoc"), 1001));
        QVERIFY(rs.setValue(QStringLiteral("szDoc"), QStringLiteral("O'Brien の頁?")));
        QVERIFY(rs.setValue(QStringLiteral("obDoc"), bytes));
        QVERIFY(rs.update());
        rs.close();

        QVERIFY(db.R_Rset(QStringLiteral("Select * From msDoc Where noDoc=?"), {1001}, rs, 2));
        QVERIFY(!rs.eof());
        QCOMPARE(rs.value(QStringLiteral("obDoc")).toByteArray(), bytes);
        QCOMPARE(rs.value(QStringLiteral("szDoc")).toString(), QStringLiteral("O'Brien の頁?"));
        QCOMPARE(rs.value(QStringLiteral("boCod")).toInt(), 0); // template default
        QVERIFY(rs.setValue(QStringLiteral("obDoc"), QByteArray("\0\1\2", 3)));
        QVERIFY(rs.update());
        rs.close();
        QCOMPARE(db.R_GtVaL(QStringLiteral("Select obDoc From msDoc Where noDoc=1001"), QVariant()).toByteArray(),
                 QByteArray("\0\1\2", 3));
    }

    void datesRoundTrip()
    {
        zSvr &db = zSvr::instance();
        QVERIFY(db.D_StDcDb(freshDb()));
        QVERIFY(db.D_ExeSq(QStringLiteral("Insert Into tbTree (noLfP, noLfC, dyUdt, dyPub) Values (0, 1001, #02/03/11 14:05:09#, Null)")));
        QVERIFY(db.D_ExeSq(QStringLiteral("Update tbTree Set dyUdt_P=convert(datetime,'2031/12/01 01:02:03')")));
        QVariantList row;
        QVERIFY(db.R_PAry(QStringLiteral("Select dyUdt, dyUdt_P, dyPub From tbTree"), row));
        QCOMPARE(row[0].toDateTime(), QDateTime(QDate(2011, 2, 3), QTime(14, 5, 9)));
        QCOMPARE(row[1].toDateTime(), QDateTime(QDate(2031, 12, 1), QTime(1, 2, 3)));
        QVERIFY(!row[2].isValid());
        QCOMPARE(db.R_GtVaL(QStringLiteral("Select Count(*) From tbTree Where dyUdt < #01/01/2012#"), 0).toInt(), 1);
        // A bound date is stored in the same form.
        QVERIFY(db.D_ExeSq(QStringLiteral("Update tbTree Set dyPub=?"), {QDateTime(QDate(2020, 5, 6), QTime(7, 8, 9))}));
        QCOMPARE(db.R_GtVaL(QStringLiteral("Select '' || dyPub From tbTree"), QString()).toString(),
                 QStringLiteral("2020-05-06 07:08:09"));
    }

    void odbcDataLink()
    {
        if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QODBC")))
            QSKIP("no ODBC driver for Qt");
        const QString file = freshDb(QStringLiteral("Shared.txdb"));
        const QString udl = m_dir->filePath(QStringLiteral("Shared.UDL"));
        {
            QFile link(udl);
            QVERIFY(link.open(QIODevice::WriteOnly));
            const QString text = QStringLiteral("[oledb]\r\n; Everything after this line is an OLE DB initstring\r\nDRIVER=SQLite3;Database=%1\r\n").arg(file);
            link.write("\xFF\xFE");
            for (QChar c : text) {
                link.putChar(char(c.unicode() & 0xFF));
                link.putChar(char(c.unicode() >> 8));
            }
        }
        int asked = 0;
        sbPwd::setDriver([&asked](sbPwd &) { ++asked; });
        zSvr &db = zSvr::instance();
        QSignalSpy saveAs(&db, &zSvr::saveAsAllowed);
        Usr::st().jet = true;
        QVERIFY2(db.D_StDcDb(udl), qPrintable(db.connection().lastError()));
        QCOMPARE(asked, 0);
        QVERIFY(!Usr::st().jet);
        QCOMPARE(Usr::st().dbName, QStringLiteral("Shared"));
        QCOMPARE(db.sSvr, file);
        QCOMPARE(saveAs.first().first().toBool(), false);

        QVERIFY(db.D_ExeSq(QStringLiteral("Insert Into msDoc (noDoc, szDoc) Values (?, '?')"), {1001, QStringLiteral("it's ?")}));
        QVERIFY(db.D_ExeSq(QStringLiteral("Insert Into tbTree (noLfP, noLfC, inSrt, szDoc, boLnk, boHide, boHogo) Values (0, 1001, 1, 'a', 0, 0, 0)")));
        QVERIFY(db.D_ExeSq(QStringLiteral("Update tbTree Set dyUdt=convert(datetime,'2011/02/03 14:05:09') Where noLfC=1001")));
        QCOMPARE(db.R_GtVaL(QStringLiteral("Select Top 1 noLfC From tbTree Where noLfP=0 Order By inSrt"), 0).toInt(), 1001);
        QCOMPARE(db.R_GtVaL(QStringLiteral("Select szDoc From msDoc Where noDoc=1001"), QString()).toString(), QStringLiteral("it's ?"));
        QCOMPARE(db.R_GtVaL(QStringLiteral("Select dyUdt From tbTree"), QVariant()).toDateTime(),
                 QDateTime(QDate(2011, 2, 3), QTime(14, 5, 9)));
        DbTable ary;
        QCOMPARE(db.R_Ary(QStringLiteral("Select T.noLfC, D.szDoc From tbTree T, msDoc D Where T.noLfC=D.noDoc"), ary), 1);

        Recordset rs;
        QVERIFY(db.R_Rset(QStringLiteral("Select noDoc, szDoc, obDoc From msDoc Where noDoc=1001"), rs, 2));
        QVERIFY(!rs.eof());
        QVERIFY(rs.setValue(QStringLiteral("obDoc"), QByteArray("\x01\x00\xFF", 3)));
        QVERIFY2(rs.update(), qPrintable(rs.lastError()));
        QVERIFY(rs.addNew());
        QVERIFY(rs.setValue(QStringLiteral("noDoc"), 1002));
        QVERIFY(rs.setValue(QStringLiteral("szDoc"), QStringLiteral("新しい頁")));
        QVERIFY2(rs.update(), qPrintable(rs.lastError()));
        rs.close();
        QCOMPARE(db.R_GtVaL(QStringLiteral("Select obDoc From msDoc Where noDoc=1001"), QVariant()).toByteArray(),
                 QByteArray("\x01\x00\xFF", 3));
        // A table without a primary key: the row is found by its old values.
        QVERIFY(db.R_Rset(QStringLiteral("Select noLfC, szDoc, dyUdt, boHogo From tbTree Where noLfP=0"), rs, 1));
        QCOMPARE(rs.recordCount(), 1);
        QVERIFY(rs.setValue(QStringLiteral("szDoc"), QStringLiteral("改題 'b' ?")));
        QVERIFY(rs.setValue(QStringLiteral("boHogo"), 1));
        QVERIFY2(rs.update(), qPrintable(rs.lastError()));
        rs.close();
        QCOMPARE(db.R_GtVaL(QStringLiteral("Select szDoc From tbTree Where noLfC=1001 And boHogo=1"), QString()).toString(),
                 QStringLiteral("改題 'b' ?"));
        QCOMPARE(db.R_GtVaL(QStringLiteral("Select szDoc From msDoc Where noDoc=1002"), QString()).toString(), QStringLiteral("新しい頁"));
        db.D_Close();
        QVERIFY(db.sSvr.isEmpty());
    }

    // A data-link file of the classic provider naming a data source, its values in quotes: the source
    // is found by its name without them, and a ";" in the user name ends nothing.
    void classicDataLinkNamesADataSource()
    {
        if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QODBC")))
            QSKIP("no ODBC driver for Qt");
        const QString file = freshDb(QStringLiteral("Named.txdb"));
        const QString ini = m_dir->filePath(QStringLiteral("odbc.ini"));
        QVERIFY(TestHome::write(ini, QStringLiteral("[Team pages]\nDriver=SQLite3\nDatabase=%1\n").arg(file).toUtf8()));
        const QByteArray before = qgetenv("ODBCINI");
        qputenv("ODBCINI", QFile::encodeName(ini));
        const QString udl = m_dir->filePath(QStringLiteral("Named.udl"));
        QVERIFY(TestHome::write(udl, "[oledb]\r\n; c\r\nProvider=MSDASQL.1;Persist Security Info=False;"
                                     "User ID=\"ed;itor\";Data Source=\"Team pages\"\r\n"));
        int asked = 0;
        sbPwd::setDriver([&asked](sbPwd &) { ++asked; });
        zSvr &db = zSvr::instance();
        const bool opened = db.D_StDcDb(udl);
        const QString error = db.connection().lastError();
        qputenv("ODBCINI", before);
        sbPwd::setDriver({});
        QVERIFY2(opened, qPrintable(error));
        QCOMPARE(asked, 0);
        QCOMPARE(Usr::st().dbName, QStringLiteral("Team pages"));
        QCOMPARE(db.sSvr, QStringLiteral("Team pages"));
        db.D_Close();
    }

    // Without a window, a program answers the password prompt itself; the dialog is never made.
    void aPasswordSourceStandsForTheDialog()
    {
        QStringList asked;
        int shown = 0;
        sbPwd::setDriver([&shown](sbPwd &) { ++shown; });
        sbPwd::setSource([&asked](const QString &file) {
            asked << file;
            return QStringLiteral("  secret  ");
        });
        QCOMPARE(sbPwd::Act(QStringLiteral("Team.udl")), QStringLiteral("secret"));
        sbPwd::setSource({});
        sbPwd::setDriver({});
        QCOMPARE(asked, QStringList{QStringLiteral("Team.udl")});
        QCOMPARE(shown, 0);
    }

    void passwordAskedOnce_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::newRow("cancelled") << QString();
        QTest::newRow("wrong password") << QStringLiteral("secret");
    }

    void passwordAskedOnce()
    {
        QFETCH(QString, answer);
        // The driver manager's refusal names the driver file, whose name here says
        // "password": the layer takes it for a refused login.
        const QString udl = m_dir->filePath(QStringLiteral("Locked.udl"));
        QFile link(udl);
        QVERIFY(link.open(QIODevice::WriteOnly));
        link.write("[oledb]\n; c\nDRIVER=/nonexistent/password-check.so;Database=/tmp/none.db\n");
        link.close();
        QStringList captions;
        sbPwd::setDriver([&](sbPwd &dialog) {
            captions << dialog.windowTitle();
            dialog.txPwd()->setText(answer);
            dialog.cmOk(answer.isEmpty() ? 1 : 0)->click();
        });
        zSvr &db = zSvr::instance();
        QVERIFY(!db.D_StDcDb(udl));
        QCOMPARE(captions, QStringList{QStringLiteral("Locked.udl")});
        QVERIFY(db.sSvr.isEmpty());
        QVERIFY(!db.isOpen());
    }

private:
    QString freshDb(const QString &name = QStringLiteral("Test.txdb"))
    {
        const QString path = m_dir->filePath(name);
        if (!TemplateDb::create(path))
            return QString();
        return path;
    }

    QTemporaryDir *m_dir = nullptr;
    ScriptedPrompt *m_prompt = nullptr;
};

QTEST_MAIN(TestZSvr)
#include "tst_zsvr.moc"

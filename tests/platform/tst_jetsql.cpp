#include "platform/db/DataLink.h"
#include "platform/db/DbConnection.h"
#include "platform/db/JetSql.h"

#include <QtTest>

class TestJetSql : public QObject
{
    Q_OBJECT
private slots:
    void translate_data()
    {
        QTest::addColumn<int>("dialect");
        QTest::addColumn<QString>("jet");
        QTest::addColumn<QStringList>("expected");
        const int lite = JetSql::Sqlite, odbc = JetSql::Odbc;

        QTest::newRow("plain select unchanged") << lite << "Select noLfC, szDoc From tbTree Where noLfP=0"
                                                << QStringList{"Select noLfC, szDoc From tbTree Where noLfP=0"};
        QTest::newRow("top with order") << lite << "Select Top 1 noLfC From tbTree Where noLfP = 0 Order By inSrt"
                                        << QStringList{"Select noLfC From tbTree Where noLfP = 0 Order By inSrt LIMIT 1"};
        QTest::newRow("top lower case, trailing blank") << lite << "select top 12 noLfC From tbtree "
                                                        << QStringList{"select noLfC From tbtree LIMIT 12"};
        QTest::newRow("top in subquery") << lite << "Select szDoc From msDoc Where noDoc in (Select Top 2 noLfC From tbTree Order By inSrt) And boCod=0"
                                         << QStringList{"Select szDoc From msDoc Where noDoc in (Select noLfC From tbTree Order By inSrt LIMIT 2) And boCod=0"};
        QTest::newRow("top distinct") << lite << "Select Distinct Top 3 noLfP From tbTree"
                                      << QStringList{"Select Distinct noLfP From tbTree LIMIT 3"};
        QTest::newRow("word Top inside quotes") << lite << "Select noDoc From msDoc Where szDoc='Select Top 1 x'"
                                                << QStringList{"Select noDoc From msDoc Where szDoc='Select Top 1 x'"};
        QTest::newRow("jet date two-digit year") << lite << "Update tbTree Set dyUdt=#02/03/11 14:05:09# Where noLfC=1"
                                                 << QStringList{"Update tbTree Set dyUdt='2011-02-03 14:05:09' Where noLfC=1"};
        QTest::newRow("jet date 1999") << lite << "Update tbTree Set dyUdt=#12/31/99 23:59:59#"
                                       << QStringList{"Update tbTree Set dyUdt='1999-12-31 23:59:59'"};
        QTest::newRow("jet date four-digit year") << lite << "Update tbTree Set dyPub=#02/03/2031 04:05:06#"
                                                  << QStringList{"Update tbTree Set dyPub='2031-02-03 04:05:06'"};
        QTest::newRow("jet date without time") << lite << "Select noDoc From msDoc Where dyUdt > #1/2/2020#"
                                               << QStringList{"Select noDoc From msDoc Where dyUdt > '2020-01-02 00:00:00'"};
        QTest::newRow("hash inside quotes stays") << lite << "Select noDoc From msDoc Where szDoc='#02/03/11 14:05:09#'"
                                                  << QStringList{"Select noDoc From msDoc Where szDoc='#02/03/11 14:05:09#'"};
        QTest::newRow("convert datetime") << lite << "Update tbTree Set dyUdt=convert(datetime,'2011/02/03 14:05:09')"
                                          << QStringList{"Update tbTree Set dyUdt='2011-02-03 14:05:09'"};
        QTest::newRow("CONVERT with blanks") << lite << "Update tbTree Set dyUdt= CONVERT ( DateTime , '2011-2-3 4:05:09' )"
                                             << QStringList{"Update tbTree Set dyUdt= '2011-02-03 04:05:09'"};
        QTest::newRow("odbc date escape") << odbc << "Update tbTree Set dyUdt=#02/03/11 14:05:09#, dyPub=convert(datetime,'2011/02/03 14:05:09')"
                                          << QStringList{"Update tbTree Set dyUdt={ts '2011-02-03 14:05:09'}, dyPub={ts '2011-02-03 14:05:09'}"};
        QTest::newRow("odbc top") << odbc << "Select Top 1 noLfC From tbTree" << QStringList{"Select noLfC From tbTree LIMIT 1"};
        QTest::newRow("alter add three") << lite << "Alter Table tbTree Add nLpS long, nLcS long, iCmp integer"
                                         << QStringList{"ALTER TABLE tbTree ADD COLUMN nLpS INTEGER", "ALTER TABLE tbTree ADD COLUMN nLcS INTEGER",
                                                        "ALTER TABLE tbTree ADD COLUMN iCmp SMALLINT"};
        QTest::newRow("alter add text(50)") << lite << "alter table msDic add szX Text(50)"
                                            << QStringList{"ALTER TABLE msDic ADD COLUMN szX VARCHAR(50)"};
        QTest::newRow("alter drop three") << lite << "Alter Table tbTree Drop Column nLpS, nLcS, iCmp"
                                          << QStringList{"ALTER TABLE tbTree DROP COLUMN nLpS", "ALTER TABLE tbTree DROP COLUMN nLcS",
                                                         "ALTER TABLE tbTree DROP COLUMN iCmp"};
        const int pg = JetSql::Postgres;
        // Null sorts lowest everywhere, as in the file; letter case folds for ASCII letters only.
        QTest::newRow("server nulls first") << pg << "Select noLfC, boLnk From tbTree Order By noLfC, boLnk, dyUdt"
                                            << QStringList{"Select noLfC, boLnk From tbTree Order By noLfC NULLS FIRST, boLnk NULLS FIRST, dyUdt NULLS FIRST"};
        QTest::newRow("server desc nulls last, top") << pg << "Select Top 1 noDoc From msDoc Order By dyUdt Desc, szDoc Asc"
                                                     << QStringList{"Select noDoc From msDoc Order By dyUdt Desc NULLS LAST, szDoc Asc NULLS FIRST LIMIT 1"};
        QTest::newRow("server order in subquery and function") << pg << "Select szDoc From msDoc Where noDoc in (Select Top 2 noLfC From tbTree Order By Coalesce(inSrt, 0), noLfC) Order By szDoc "
                                                               << QStringList{"Select szDoc From msDoc Where noDoc in (Select noLfC From tbTree Order By Coalesce(inSrt, 0) NULLS FIRST, noLfC NULLS FIRST LIMIT 2) Order By szDoc NULLS FIRST "};
        QTest::newRow("server order by inside quotes") << pg << "Select noDoc From msDoc Where szDoc = 'Order By x'"
                                                       << QStringList{"Select noDoc From msDoc Where szDoc = 'Order By x'"};
        QTest::newRow("file order unchanged") << lite << "Select noLfC From tbTree Order By noLfC, dyUdt Desc"
                                              << QStringList{"Select noLfC From tbTree Order By noLfC, dyUdt Desc"};
        QTest::newRow("server like bound") << pg << "Select noDoc From msDoc Where txDoc Like ? Escape '!' And saTgs like ('%.' || ? || '.%')"
                                           << QStringList{"Select noDoc From msDoc Where txDoc ILIKE ? COLLATE \"C\" Escape '!' And saTgs ILIKE ('%.' || ? || '.%') COLLATE \"C\""};
        QTest::newRow("server like literal") << pg << "Select szDoc From msDoc Where saTgs like '%.12.%' Order By szDoc"
                                             << QStringList{"Select szDoc From msDoc Where saTgs ILIKE '%.12.%' COLLATE \"C\" Order By szDoc NULLS FIRST"};
        QTest::newRow("like and subquery unchanged") << lite << "Select noDoc, szDoc From msDoc Where saTgs like '%.12.%' And noDoc Not in (Select noLfC From tbTree)"
                                                     << QStringList{"Select noDoc, szDoc From msDoc Where saTgs like '%.12.%' And noDoc Not in (Select noLfC From tbTree)"};
    }
    void translate()
    {
        QFETCH(int, dialect);
        QFETCH(QString, jet);
        QFETCH(QStringList, expected);
        QCOMPARE(JetSql::translate(jet, JetSql::Dialect(dialect)), expected);
    }

    void bound_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("count");
        QTest::newRow("bare") << "Update tbTree Set boLnk=? Where noLfP=? And noLfC=?"
                              << "Update tbTree Set boLnk=? Where noLfP=? And noLfC=?" << 3;
        QTest::newRow("quoted") << "Update tbTree Set szDoc='?' Where noLfP=? and noLfC=?"
                                << "Update tbTree Set szDoc=? Where noLfP=? and noLfC=?" << 3;
        QTest::newRow("like pattern") << "Select noDoc From msDoc Where txDoc Like '%?%' And txDoc Like '%?%'"
                                      << "Select noDoc From msDoc Where txDoc Like ('%' || ? || '%') And txDoc Like ('%' || ? || '%')" << 2;
        QTest::newRow("tag pattern") << "Select szDoc From msDoc Where saTgs like '%.?.%'"
                                     << "Select szDoc From msDoc Where saTgs like ('%.' || ? || '.%')" << 1;
        QTest::newRow("literal without mark") << "Select noDoc From msDoc Where szDoc<>'' And noDoc=?"
                                              << "Select noDoc From msDoc Where szDoc<>'' And noDoc=?" << 1;
        QTest::newRow("doubled quote kept") << "Insert Into msDic (skDic,szDic) Values ('?','it''s ?')"
                                            << "Insert Into msDic (skDic,szDic) Values (?,('it''s ' || ?))" << 2;
        QTest::newRow("none") << "Select * From msDic" << "Select * From msDic" << 0;
    }
    void bound()
    {
        QFETCH(QString, sql);
        QFETCH(QString, expected);
        QFETCH(int, count);
        int n = -1;
        QCOMPARE(JetSql::toBound(sql, &n), expected);
        QCOMPARE(n, count);
    }

    void dataLink_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("odbc");
        QTest::newRow("oledb header and comment") << "[oledb]\r\n; Everything after this line is an OLE DB initstring\r\nDRIVER=SQLite3;Database=/tmp/a.db\r\n"
                                                  << "DRIVER=SQLite3;Database=/tmp/a.db";
        QTest::newRow("bare string") << "DSN=team;UID=me" << "DSN=team;UID=me";
        QTest::newRow("classic provider") << "[oledb]\n;c\nProvider=MSDASQL.1;Persist Security Info=False;User ID=ann;Data Source=pages\n"
                                          << "UID=ann;DSN=pages";
        // The classic provider's quotes go, a doubled quote stands for one; the password is braced,
        // the other values only when they must be.
        QTest::newRow("quoted user and password")
            << "Provider=MSDASQL.1;User ID=\"editor\";Password=\"a;b\"\"c}\";Data Source='my team'"
            << "UID=editor;PWD={a;b\"c}}};DSN=my team";
        QTest::newRow("names with a semicolon") << "Data Source=\"a;b\";User ID=\" u}\"" << "DSN={a;b};UID={ u}}}";
        QTest::newRow("quote inside a value") << "User ID=it's;Password=x\"y" << "UID=it's;PWD={x\"y}";
        QTest::newRow("empty password") << "User ID=ann;Password=;Data Source=pages" << "UID=ann;PWD={};DSN=pages";
        QTest::newRow("braced password kept as ODBC wrote it") << "DSN=pages;PWD={a;b}}c}" << "DSN=pages;PWD={a;b}}c}";
        QTest::newRow("only comments") << "[oledb]\n; nothing\n" << "";
        QTest::newRow("extended properties in quotes")
            << "Provider=MSDASQL.1;Extended Properties=\"DRIVER={PostgreSQL Unicode};SERVER=db;DATABASE=pages;UID=ed\""
            << "DRIVER={PostgreSQL Unicode};SERVER=db;DATABASE=pages;UID=ed";
        QTest::newRow("braced value with semicolon") << "DRIVER={odd;name};Database=/tmp/a.db"
                                                     << "DRIVER={odd;name};Database=/tmp/a.db";
    }
    void dataLink()
    {
        QFETCH(QString, text);
        QFETCH(QString, odbc);
        QCOMPARE(DataLink::toOdbc(DataLink::parse(text)), odbc);
    }

    // Qt's driver puts "DSN=" before a string that names no driver or server: the data source has to
    // come first, wherever the file names it.
    void driverName_data()
    {
        QTest::addColumn<QString>("odbc");
        QTest::addColumn<QString>("name");
        QTest::newRow("source first") << "DSN=team;UID=me" << "team;UID=me";
        QTest::newRow("source last") << "UID=ann;DSN=pages" << "pages;UID=ann";
        QTest::newRow("source in the middle") << "UID=ann; DSN=pages ;PWD=x" << "pages;UID=ann;PWD=x";
        QTest::newRow("driver string as it is") << "UID=ann;DRIVER={PostgreSQL Unicode};SERVER=db" << "UID=ann;DRIVER={PostgreSQL Unicode};SERVER=db";
        QTest::newRow("braced values with semicolons") << "UID={a;b};DSN={x;y}" << "{x;y};UID={a;b}";
    }
    void driverName()
    {
        QFETCH(QString, odbc);
        QFETCH(QString, name);
        QCOMPARE(DbConnection::driverName(odbc), name);
    }

    void dataLinkEncodings()
    {
        const QString text = QStringLiteral("[oledb]\r\n; c\r\nDRIVER=SQLite3;Database=/tmp/文書.db\r\n");
        QByteArray utf16("\xFF\xFE");
        for (QChar c : text) {
            utf16.append(char(c.unicode() & 0xFF));
            utf16.append(char(c.unicode() >> 8));
        }
        QCOMPARE(DataLink::decode(utf16), text);
        QCOMPARE(DataLink::decode("\xEF\xBB\xBF" + text.toUtf8()), text);
        QCOMPARE(DataLink::decode(text.toUtf8()), text);
        QCOMPARE(DataLink::value(DataLink::parse(text), QStringLiteral("database")), QStringLiteral("/tmp/文書.db"));

        QTemporaryDir dir;
        QString found = QStringLiteral("unchanged");
        QVERIFY(!DataLink::read(dir.filePath(QStringLiteral("missing.udl")), &found));
        QFile file(dir.filePath(QStringLiteral("a.udl")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(utf16);
        file.close();
        QVERIFY(DataLink::read(file.fileName(), &found));
        QCOMPARE(found, QStringLiteral("DRIVER=SQLite3;Database=/tmp/文書.db"));
    }

    void bracedValues_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("braced");
        QTest::newRow("plain") << "secret" << "{secret}";
        QTest::newRow("semicolon") << "ab;cd" << "{ab;cd}";
        QTest::newRow("closing brace") << "a}b}" << "{a}}b}}}";
        QTest::newRow("opening brace and quote") << "{'x\"" << "{{'x\"}";
        QTest::newRow("empty") << "" << "{}";
    }
    void bracedValues()
    {
        QFETCH(QString, value);
        QFETCH(QString, braced);
        QCOMPARE(DataLink::braced(value), braced);
        // What is braced reads back as it was.
        QCOMPARE(DataLink::value(QStringLiteral("DSN=x;PWD=") + braced + QStringLiteral(";UID=u"), QStringLiteral("pwd")), value);
        QCOMPARE(DataLink::value(QStringLiteral("DSN=x;PWD=") + braced + QStringLiteral(";UID=u"), QStringLiteral("uid")),
                 QStringLiteral("u"));
    }

    void quoteText()
    {
        QCOMPARE(JetSql::quoteText(QStringLiteral("Tom's 'x'")), QStringLiteral("Tom''s ''x''"));
    }
};

QTEST_GUILESS_MAIN(TestJetSql)
#include "tst_jetsql.moc"

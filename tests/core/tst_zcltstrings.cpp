#include "core/zClt.h"

#include <QtTest>

class TestZCltStrings : public QObject
{
    Q_OBJECT
private slots:
    void addTail_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("tail");
        QTest::addColumn<QString>("expected");
        QTest::newRow("empty stays empty") << "" << "/" << "";
        QTest::newRow("appended") << "a/b" << "/" << "a/b/";
        QTest::newRow("already there") << "a/b/" << "/" << "a/b/";
        QTest::newRow("other tail") << "a/b\\" << "/" << "a/b\\/";
    }
    void addTail()
    {
        QFETCH(QString, text);
        QFETCH(QString, tail);
        zClt::instance().T_AddRwd(text, tail);
        QTEST(text, "expected");
    }

    void deleteTail_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("tail");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("tailAfter");
        QTest::newRow("empty tail means comma") << "a, b,,," << "" << "a,b" << ",";
        QTest::newRow("blank before comma") << "1 ,2 , 3," << "," << "1,2,3" << ",";
        QTest::newRow("slashes") << "x//" << "/" << "x" << "/";
        QTest::newRow("blanks kept for other tails") << "a, b//" << "/" << "a, b" << "/";
        QTest::newRow("only tails") << ",,," << "," << "" << ",";
        QTest::newRow("empty text") << "" << "" << "" << ",";
        QTest::newRow("longer tail") << "abcdcd" << "cd" << "ab" << "cd";
    }
    void deleteTail()
    {
        QFETCH(QString, text);
        QFETCH(QString, tail);
        zClt::instance().T_DelRwd(text, tail);
        QTEST(text, "expected");
        QTEST(tail, "tailAfter");
    }

    void splitWord_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("separator");
        QTest::addColumn<QString>("left");
        QTest::addColumn<QString>("right");
        QTest::newRow("trimmed halves") << " key = a=b " << "=" << "key" << "a=b";
        QTest::newRow("absent keeps the whole text") << " abc " << "=" << " abc " << "";
        QTest::newRow("letter case ignored") << "abcXdef" << "x" << "abc" << "def";
        QTest::newRow("at the end") << "abc|" << "|" << "abc" << "";
        QTest::newRow("longer separator") << "a<->b<->c" << "<->" << "a" << "b<->c";
        QTest::newRow("empty separator") << "abc" << "" << "abc" << "";
    }
    void splitWord()
    {
        QFETCH(QString, text);
        QFETCH(QString, separator);
        QString left = "old", right = "old";
        zClt::instance().T_SpltWd(text, separator, left, right);
        QTEST(left, "left");
        QTEST(right, "right");
    }

    void trimLineEnds_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("the usual mess") << QString("a  b \n\n\nc    \n d\x01") << QString("a b\r\nc\r\n d");
        QTest::newRow("CR LF in") << "x\r\ny" << "x\r\ny";
        QTest::newRow("blank lines with blanks") << "x\n \n \ny" << "x\r\ny";
        QTest::newRow("only line ends") << "\n\r\n" << "\r\n";
        QTest::newRow("empty") << "" << "";
    }
    void trimLineEnds()
    {
        QFETCH(QString, text);
        zClt::instance().T_TrmCR(text);
        QTEST(text, "expected");
        QVERIFY(!text.contains("  "));
        QVERIFY(!text.contains("\r\n\r\n"));
        QVERIFY(!text.contains(" \r"));
    }

    void fillPlaceholders_data()
    {
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QVariantList>("values");
        QTest::addColumn<QString>("expected");
        QTest::newRow("question mark inside a value") << "a=? and b='?'" << QVariantList{5, "x?y"}
                                                       << "a=5 and b='xy'";
        QTest::newRow("nothing quoted") << "t='?'" << QVariantList{"it's"} << "t='it's'";
        QTest::newRow("null removes") << "a=?,b=?" << QVariantList{QVariant(), 2} << "a=,b=2";
        QTest::newRow("surplus placeholders stay") << "?,?,?" << QVariantList{1} << "1,?,?";
        QTest::newRow("surplus values change nothing") << "x=?" << QVariantList{1, 2, 3} << "x=1";
        QTest::newRow("value made of question marks") << "?|?" << QVariantList{"??", "b"} << "|b";
        QTest::newRow("numbers and flags") << "? ? ?" << QVariantList{2.5, true, false} << "2.5 True False";
        QTest::newRow("no placeholders") << "Select 1" << QVariantList{1} << "Select 1";
    }
    void fillPlaceholders()
    {
        QFETCH(QString, statement);
        QFETCH(QVariantList, values);
        zClt::instance().T_CnvSq(statement, values);
        QTEST(statement, "expected");
    }

    void between_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("end");
        QTest::addColumn<QString>("expected");
        QTest::newRow("shortcut file") << "[InternetShortcut]\r\nurl=https://a.example/?q=1\r\nX=1" << "URL="
                                       << "\r" << "https://a.example/?q=1";
        QTest::newRow("end marker missing") << "ab[cd" << "[" << "]" << "cd";
        QTest::newRow("start marker missing") << "abc" << "[" << "]" << "";
        QTest::newRow("start marker empty") << "abc]d" << "" << "]" << "abc";
        QTest::newRow("end before start is skipped") << "x]y[z]w" << "[" << "]" << "z";
        QTest::newRow("end marker empty") << "a[bc" << "[" << "" << "bc";
        QTest::newRow("markers adjacent") << "a[]b" << "[" << "]" << "";
        QTest::newRow("empty text") << "" << "" << "" << "";
    }
    void between()
    {
        QFETCH(QString, text);
        QFETCH(QString, start);
        QFETCH(QString, end);
        QTEST(zClt::instance().TsBtwn(text, start, end), "expected");
    }

    void dates_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QDateTime>("expected");
        QTest::newRow("slashes") << "2024/1/5" << true << QDateTime(QDate(2024, 1, 5), QTime(0, 0));
        QTest::newRow("with time") << "2024/01/05 10:20:30" << true << QDateTime(QDate(2024, 1, 5), QTime(10, 20, 30));
        QTest::newRow("dashes") << " 2024-12-31 " << true << QDateTime(QDate(2024, 12, 31), QTime(0, 0));
        QTest::newRow("ISO") << "2024-12-31T23:59:58" << true << QDateTime(QDate(2024, 12, 31), QTime(23, 59, 58));
        QTest::newRow("japanese") << "2024年2月29日" << true << QDateTime(QDate(2024, 2, 29), QTime(0, 0));
        QTest::newRow("no such day") << "2023/2/29" << false << QDateTime();
        QTest::newRow("word") << "abc" << false << QDateTime();
        QTest::newRow("empty") << "" << false << QDateTime();
        QTest::newRow("hour 25") << "2024/1/5 25:00" << false << QDateTime();
    }
    void dates()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(QDateTime, expected);
        QDateTime date;
        QCOMPARE(zClt::instance().TbChkDy(text, &date), valid);
        if (valid)
            QCOMPARE(date, expected);
        QCOMPARE(zClt::instance().TbChkDy(text), valid);
    }

    void firstWord_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("separator");
        QTest::addColumn<QString>("word");
        QTest::addColumn<QString>("rest");
        QTest::newRow("blank separator") << "  ab cd  " << " " << "ab" << "cd";
        QTest::newRow("rest untrimmed") << "ab,  cd " << "," << "ab" << "  cd";
        QTest::newRow("no separator") << " abc " << "," << "abc" << "";
        QTest::newRow("separator at the end") << "ab," << "," << "ab" << "";
        QTest::newRow("empty separator") << "a b" << "" << "a b" << "";
        QTest::newRow("letter case ignored") << "abXcd" << "x" << "ab" << "cd";
        QTest::newRow("word trimmed") << "ab  ,cd" << "," << "ab" << "cd";
        QTest::newRow("empty") << "" << " " << "" << "";
    }
    void firstWord()
    {
        QFETCH(QString, text);
        QFETCH(QString, separator);
        QTEST(zClt::instance().TsLwd(text, separator), "word");
        QTEST(text, "rest");
    }

    // Names stored in a database or typed into a dialog are used as file names only when they
    // stay in their folder and show what they are.
    void plainName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("plain");
        QTest::newRow("simple") << "index.htm" << true;
        QTest::newRow("japanese and blanks") << QStringLiteral("目次 第1部.html") << true;
        QTest::newRow("outside the BMP") << QStringLiteral("本😀.epub") << true;
        QTest::newRow("dots inside") << "a.b.c.htm" << true;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("dot") << "." << false;
        QTest::newRow("up") << ".." << false;
        QTest::newRow("up and out") << "../../../../home/someone/index.html" << false;
        QTest::newRow("folder") << "sub/index.htm" << false;
        QTest::newRow("absolute") << "/etc/passwd" << false;
        QTest::newRow("backslash") << "sub\\index.htm" << false;
        QTest::newRow("dots in the name") << "index..htm" << false;
        QTest::newRow("tab") << "a\tb.htm" << false;
        QTest::newRow("line feed") << "a\nb.htm" << false;
        QTest::newRow("DEL") << QStringLiteral("a\x7f.htm") << false;
        QTest::newRow("C1 control") << QStringLiteral("a\u0085.htm") << false;
        QTest::newRow("right-to-left override") << QStringLiteral("index\u202Emth.exe") << false;
        QTest::newRow("lone surrogate") << QString(QChar(0xD800)) + QStringLiteral(".htm") << false;
        QTest::newRow("255 bytes") << QString(251, u'a') + QStringLiteral(".htm") << true;
        QTest::newRow("256 bytes") << QString(252, u'a') + QStringLiteral(".htm") << false;
        QTest::newRow("long in UTF-8") << QString(85, u'あ') + QStringLiteral(".htm") << false;
    }
    void plainName()
    {
        QFETCH(QString, name);
        QTEST(zClt::isPlainName(name), "plain");
    }

    void oneInstanceUntilReleased()
    {
        zClt *first = &zClt::instance();
        QCOMPARE(&zClt::instance(), first);
        zClt::release();
        zClt::release();
        QString text = "a";
        zClt::instance().T_AddRwd(text, "/");
        QCOMPARE(text, QStringLiteral("a/"));
    }
};

QTEST_MAIN(TestZCltStrings)
#include "tst_zcltstrings.moc"

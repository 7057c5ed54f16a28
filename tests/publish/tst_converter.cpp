// The converter on hand-written pieces of the editor's dialect, pass by pass, and on pages built in
// the test through the dialect writer into finished pages of every document type, which the W3C
// DTDs (xmllint) and tidy must accept.
#include "core/zSvr.h"
#include "platform/richtext/ColorRef.h"
#include "platform/richtext/HtmlExport.h"
#include "platform/richtext/PageCodec.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/TextProps.h"
#include "publish/converter/yHtm.h"
#include "support/HtmlCheck.h"
#include "support/SampleDb.h"
#include "support/SamplePage.h"
#include "support/TestHome.h"
#include "support/TestImages.h"
#include "tree/PageDb.h"

#include <QDirIterator>
#include <QGuiApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QTextTable>

using namespace TextProps;

namespace {

yHtm::Context context()
{
    yHtm::Context c;
    const char *font = "Noto Sans";
    const int sizes[8] = {18, 14, 12, 10, 10, 9, 9, 9};
    for (int i = 0; i < 8; ++i) {
        c.usrFmt[i].fontName = QString::fromLatin1(font);
        c.usrFmt[i].fontSize = sizes[i];
        c.usrFmt[i].textColor = 0x404080;
    }
    c.lineFactor = 1.5f;
    c.dbName = QStringLiteral("db");
    return c;
}

using HtmlCheck::readUtf8;

// XHTML against its DTD from the local catalog; HTML 4.01 through tidy without errors.
void validate(const QString &file, int type)
{
    QString message;
    const bool ok = HtmlCheck::valid(file, type >= 2, message);
    if (!ok)
        qWarning().noquote() << readUtf8(file);
    QVERIFY2(ok, qPrintable(file + QLatin1Char('\n') + message));
}

// A page with what publishing must carry: heading, body text that looks like markup, fields of
// every kind, a table with widths, a picture.
void fillPublishPage(PageDocument &page, bool withFrame)
{
    QTextCursor c(page.main());
    QTextBlockFormat heading;
    heading.setLeftMargin(16); // 12 pt
    QTextCharFormat big;
    big.setFontPointSize(18);
    big.setFontWeight(QFont::Bold);
    c.setBlockFormat(heading);
    c.insertText(QStringLiteral("見出し & <見出し>"), big);
    c.insertBlock(QTextBlockFormat(), QTextCharFormat());
    c.insertText(QStringLiteral("<b>not bold</b> &amp; ]]> -- a  b 　全角 ?とは"));
    c.insertBlock();
    auto field = [&](const QString &text, int type, const QString &data) {
        QTextCharFormat f;
        f.setProperty(FieldId, page.newFieldId());
        f.setProperty(FieldType, type);
        f.setProperty(FieldData, data);
        f.setForeground(QColor(0x80, 0x80, 0xFF));
        c.insertText(text, f);
        c.insertText(QStringLiteral(" "), QTextCharFormat());
    };
    field(QStringLiteral("tag"), 2, QStringLiteral("TG_1010"));
    field(QStringLiteral("tip \"q\""), 2, QStringLiteral("TP_phrase"));
    field(QStringLiteral("web"), 1, QStringLiteral("https://example.org/a?b=1&c=2"));
    field(QStringLiteral("mail"), 1, QStringLiteral("mailto:a@example.org"));
    c.insertBlock();
    QTextImageFormat img;
    img.setName(page.addPicture(TestImages::bytes("PNG", Qt::blue, 10, 6)));
    img.setWidth(10);
    img.setHeight(6);
    c.insertImage(img);
    c.insertText(QStringLiteral(" picture"));
    c.insertBlock();
    QTextTableFormat tf;
    tf.setColumnWidthConstraints({QTextLength(QTextLength::FixedLength, 120), QTextLength(QTextLength::FixedLength, 80)});
    tf.setBorder(1);
    QTextTable *t = c.insertTable(2, 2, tf);
    t->cellAt(0, 0).firstCursorPosition().insertText(QStringLiteral("a1"));
    t->cellAt(1, 1).firstCursorPosition().insertText(QStringLiteral("b2"));
    c.movePosition(QTextCursor::End);
    c.insertBlock();
    c.insertText(QStringLiteral("end"));
    if (withFrame) {
        SamplePage::insertTextFrame(page, c, QStringLiteral("[Iframe:map]") + QChar(QChar::LineSeparator)
                                                 + QStringLiteral("http://example.org/frame?x=1&y=2"), 0xFAFEFE);
    }
}

// A paragraph of link fields, one per target.
void fillLinks(PageDocument &page, const QStringList &targets)
{
    QTextCursor c(page.main());
    for (const QString &target : targets) {
        QTextCharFormat f;
        f.setProperty(FieldId, page.newFieldId());
        f.setProperty(FieldType, 1);
        f.setProperty(FieldData, target);
        c.insertText(QStringLiteral("link"), f);
        c.insertText(QStringLiteral(" "), QTextCharFormat());
    }
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// The live records of the tag table, one "name|attributes|style" line each ("val|text" for text).
QString live(yHtm &h)
{
    QStringList lines;
    for (const yHtm::TagRec &r : h.tags())
        if (r.skip == 0)
            lines << (r.name == QLatin1String("val") ? QStringLiteral("val|") + r.raw
                                                      : r.name + QLatin1Char('|') + r.attributes + QLatin1Char('|') + r.style);
    return lines.join(QLatin1Char('\n'));
}

} // namespace

class TstConverter : public QObject
{
    Q_OBJECT

private slots:
    void styleText_data();
    void styleText();
    void classesAndSheet();
    void tableWidths_data();
    void tableWidths();
    void inlinePasses();
    void highlightedParagraphs();
    void bodyWriter();
    void fileNames();
    void documentTypes();
    void links();
    void localHostNamesTheLocalFile_data();
    void localHostNamesTheLocalFile();
    void exporterDialect();
    void textOnItsOwnGroundIsNoHighlight_data();
    void textOnItsOwnGroundIsNoHighlight();
    void finishedPagesValidate_data();
    void finishedPagesValidate();
    void epubPageMovesPictures();
    void siteFragment();
    void hostileSettings_data();
    void hostileSettings();
    void hostileLinks();
    void hiddenFilesOfTheHome_data();
    void hiddenFilesOfTheHome();
    void linkedFilesStayInTheRunsFolder_data();
    void linkedFilesStayInTheRunsFolder();
    void scriptFrames();
    void tagLinksEndToEnd();
    void documentTypeIsThePagesOwn();
    void passes_data();
    void passes();
    void referenceDriver();
    void noPicturesLeavesThePicturesWhereTheyAre();
    void siteRelativePathFromTheSettingsRow();
};

void TstConverter::styleText_data()
{
    QTest::addColumn<QString>("op");
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<QString>("expected");
    QTest::newRow("merge keeps line-height out") << "merge" << "color:red" << "background-color:#fff;line-height:150%"
                                                 << "color:red;background-color:#fff;";
    QTest::newRow("merge compares whole names") << "merge" << "background-color:#fff;" << "color:red"
                                                << "background-color:#fff;color:red;";
    QTest::newRow("remove whole property") << "remove" << "background-color:#fff;color:red;" << "color"
                                           << "background-color:#fff;";
    QTest::newRow("remove attribute") << "remove" << "src=\"a\" title=\"t\" alt=\"\"" << "title" << "src=\"a\" alt=\"\"";
    QTest::newRow("remove declarations") << "decls" << "a:1; b:2;" << "b:2" << "a:1;";
    QTest::newRow("attribute to style") << "attr" << "align=\"center\" valign=\"top\"" << "align"
                                        << "valign=\"top\"|text-align:center;";
    QTest::newRow("colgroup thirds") << "cols" << "100,100,100" << ""
                                     << "    <colgroup>\r\n      <col width='33%'>\r\n      <col width='33%'>\r\n"
                                        "      <col width='34%'>\r\n    </colgroup>";
    QTest::newRow("colgroup of nothing") << "cols" << "0,0" << "" << "";
    QTest::newRow("tooltip colour") << "hex" << "404080" << "" << "804040";
    QTest::newRow("black has six digits") << "hex" << "0" << "" << "000000";
    QTest::newRow("dark red") << "hex" << "F" << "" << "0F0000";
    QTest::newRow("font size percent") << "pct" << "font-size:21pt;x:1;font-size:10px;" << ""
                                       << "font-size:150%;x:1;font-size:10px;";
}

void TstConverter::styleText()
{
    QFETCH(QString, op);
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(QString, expected);
    yHtm h;
    yHtm::Context c = context();
    c.usrFmt[3].fontSize = 14;
    h.setContext(c);
    QString result = a;
    if (op == QLatin1String("merge"))
        yHtm::MergeStyle(result, b);
    else if (op == QLatin1String("remove"))
        yHtm::RemoveProp(result, b);
    else if (op == QLatin1String("decls"))
        yHtm::RemoveDecls(result, b);
    else if (op == QLatin1String("attr")) {
        QString style;
        yHtm::AttrToStyle(result, style, b, QStringLiteral("text-align"));
        result += QLatin1Char('|') + style;
    } else if (op == QLatin1String("cols"))
        result = yHtm::ColGroup(a);
    else if (op == QLatin1String("hex"))
        result = yHtm::ColorToHex(a.toInt(nullptr, 16));
    else if (op == QLatin1String("pct"))
        h.FontSizeToPercent(result);
    QCOMPARE(result, expected);
}

void TstConverter::classesAndSheet()
{
    yHtm h;
    h.setContext(context());
    QString sheet, cls;
    h.ClassFor(QStringLiteral("div"), QStringLiteral("color:red;"), sheet, cls);
    QCOMPARE(cls, QStringLiteral("di01"));
    h.ClassFor(QStringLiteral("div"), QStringLiteral("COLOR:RED;"), sheet, cls);
    QCOMPARE(cls, QStringLiteral("di01"));
    h.ClassFor(QStringLiteral("span"), QStringLiteral("color:red;"), sheet, cls);
    QCOMPARE(cls, QStringLiteral("sp01"));
    h.ClassFor(QStringLiteral("div"), QStringLiteral("color:blue;"), sheet, cls);
    QCOMPARE(cls, QStringLiteral("di02"));
    for (int i = 3; i <= 100; ++i)
        h.ClassFor(QStringLiteral("div"), QStringLiteral("x:%1;").arg(i), sheet, cls);
    QCOMPARE(cls, QStringLiteral("di100"));
    const QString rules = h.AppendClassRules(QStringLiteral("<style>\r\n"), sheet);
    QVERIFY(rules.contains(QStringLiteral("    div.di01 {color:red;}\r\n")));
    QVERIFY(rules.contains(QStringLiteral("    span.sp01 {color:red;}\r\n")));
    QVERIFY(rules.endsWith(QStringLiteral("</style>\r\n")));
    QCOMPARE(h.AppendClassRules(QStringLiteral("<style>"), QString()), QStringLiteral("<style></style>\r\n"));
    bool same = false;
    QString second = QStringLiteral("width=\"410\"");
    yHtm::MatchWidth(QStringLiteral("width=\"400\""), second, same);
    QVERIFY(same);
    QCOMPARE(second, QStringLiteral("width=\"400\""));
    second = QStringLiteral("width=\"500\"");
    yHtm::MatchWidth(QStringLiteral("width=\"400\""), second, same);
    QVERIFY(!same);
}

void TstConverter::tableWidths_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<int>("fit");
    QTest::addColumn<QString>("style");
    QTest::addColumn<QString>("list");
    QTest::newRow("colgroup px") << "<table><colgroup><col width=\"120\"><col width=\"80\"></colgroup><tr><td>x</td></tr></table>"
                                 << 0 << "width:150pt;" << "120,80";
    QTest::newRow("first row pt") << "<table><tr><td style=\"width:100pt;height:20pt;\">a</td><td style=\"width:50.6pt;\">b</td></tr>"
                                     "<tr><td style=\"width:100pt;\">c</td></tr></table>"
                                  << 0 << "width:151pt;" << "100,51";
    QTest::newRow("width kept") << "<table style=\"width:151pt;\"><tr><td style=\"width:100pt;\">a</td><td style=\"width:51pt;\">b</td></tr></table>"
                                << 0 << "width:151pt;" << "100,51";
    QTest::newRow("fit") << "<table style=\"width:10pt;\"><colgroup><col width=\"120\"></colgroup><tr><td>x</td></tr></table>"
                         << 1 << "width:100%;" << "120";
    QTest::newRow("cellspacing 0 in capitals") << "<table CELLSPACING=\"0\" cellpadding=\"2\" cols=\"1\"><tr><td style=\"width:5pt;\">x</td></tr></table>"
                                               << 0 << "width:5pt;" << "5";
}

void TstConverter::tableWidths()
{
    QFETCH(QString, body);
    QFETCH(int, fit);
    QFETCH(QString, style);
    QFETCH(QString, list);
    yHtm h;
    h.setContext(context());
    h.E_Opt(fit, 0);
    QString b = QStringLiteral("<body style=\"\">") + body + QStringLiteral("</body></html>");
    h.SetTagTbl(b, QStringLiteral("/tmp/x.htm"), QString());
    h.FixTable();
    for (const yHtm::TagRec &r : h.tags()) {
        if (r.name == QLatin1String("table")) {
            QCOMPARE(r.style, style);
            QCOMPARE(r.raw, list);
            QVERIFY(!r.attributes.contains(QLatin1String("cellspacing"), Qt::CaseInsensitive));
            QVERIFY(!r.attributes.contains(QLatin1String("cols")));
        }
        if (r.name == QLatin1String("td") && r.skip == 0)
            QVERIFY2(!r.style.contains(QLatin1String("width")), qPrintable(r.style));
    }
    for (const yHtm::TagRec &r : h.tags()) {
        if (r.name == QLatin1String("tr")) {
            QCOMPARE(r.style.contains(QLatin1String("height:20pt;")), body.contains(QLatin1String("height:20pt")));
            break;
        }
    }
}

void TstConverter::inlinePasses()
{
    yHtm h;
    h.setContext(context());
    QString body = QStringLiteral(
        "<body style=\"\"><p style=\"\">?とは</p><p style=\"\"></p>"
        "<p style=\"\"><a href=\"#TP_phrase 1\">ABC</a><a href=\"#TP_x\">BC</a><a href=\"x.htm\"></a></p>"
        "<table><tr align=\"center\"><td align=\"center\" valign=\"top\" bgcolor=\"#FFFFFF\">x</td></tr></table>"
        "<p style=\"\"><span style=\"color:red;\"><br /></span><span style=\"color:red;\"><img src=\"a\"><img src=\"b\"></span></p>"
        "</body></html>");
    h.SetTagTbl(body, QStringLiteral("/tmp/x.htm"), QString());
    h.CnvTip(QStringLiteral("color:#804040;"), QStringLiteral("ABC\tphrase \"1\"\rXBC\tother\r"));
    h.AttrToCss();
    h.DelSpanImg();
    h.DelEmpty();
    QStringList live;
    for (const yHtm::TagRec &r : h.tags())
        if (r.skip == 0)
            live << r.name + QLatin1Char('|') + r.attributes + QLatin1Char('|') + r.style;
    const QString all = live.join(QLatin1Char('\n'));
    // "?" is text, an empty paragraph is not
    QVERIFY(all.contains(QStringLiteral("div||\nval||\n/div")));
    QCOMPARE(all.count(QStringLiteral("div||\n/div")), 0);
    // tooltip from the list (whole line, escaped), and from the link when the list has no line
    QVERIFY2(all.contains(QStringLiteral("span|title=\"ABC : phrase &quot;1&quot;\"|color:#804040;")), qPrintable(all));
    QVERIFY(all.contains(QStringLiteral("span|title=\"BC : x\"|")));
    QVERIFY(!all.contains(QStringLiteral("x.htm")));
    QVERIFY(all.contains(QStringLiteral("td||text-align:center; vertical-align:top; background-color:#FFFFFF;")));
    // span around one line break goes, around two pictures stays
    QCOMPARE(all.count(QStringLiteral("span||color:red;")), 1);
}

// Paragraphs with a background colour get it on a span inside; a colour outside a paragraph stays.
void TstConverter::highlightedParagraphs()
{
    yHtm h;
    h.setContext(context());
    QString body = QStringLiteral(
        "<body style=\"\"><p style=\"background-color:#FFFF00;color:red;margin-left:5pt;\">A</p>"
        "<p style=\"background-color:#00FF00;\">B</p>text background-color here<p style=\"\">C</p>"
        "<span style=\"background-color:#0000FF;\">D</span><p style=\"text-align:center;background-color:#FF0000;\">E</p>"
        "</body></html>");
    h.SetTagTbl(body, QString(), QString());
    QStringList live;
    for (const yHtm::TagRec &r : h.tags())
        if (r.skip == 0)
            live << r.name + QLatin1Char('|') + r.style;
    QCOMPARE(live, QStringList({
        "body|", "div|margin-left:5pt;", "span|background-color:#ffff00;color:red;", "val|", "/span|", "/div|",
        "div|", "span|background-color:#00ff00;", "val|", "/span|", "/div|", "val|",
        "div|", "val|", "/div|", "span|background-color:#0000FF;", "val|", "/span|",
        "div|text-align:center;", "span|background-color:#ff0000;", "val|", "/span|", "/div|", "/body|", "/html|"}));
    QStringList texts;
    for (const yHtm::TagRec &r : h.tags())
        if (r.name == QLatin1String("val"))
            texts << r.raw;
    QCOMPARE(texts, QStringList({"A", "B", "text background-color here", "C", "D", "E"}));
}

void TstConverter::bodyWriter()
{
    yHtm h;
    h.setContext(context());
    QString body = QStringLiteral("<body style=\"\"><table><tr><td>open<a href=\"x\">a</tr></table>"
                                  "<p style=\"\">&lt;b&gt; ]]&gt; -- x<br</p></body></html>");
    h.SetTagTbl(body, QString(), QString());
    h.SetIndLvl();
    const QString out = h.WrtBody();
    QVERIFY2(out.contains(QStringLiteral("</a>\r\n</td>\r\n")), qPrintable(out));
    QVERIFY(out.contains(QStringLiteral("&lt;b&gt; ]]&gt; -- x")));
    QVERIFY(out.contains(QStringLiteral("&lt;br\r\n")));
    QVERIFY(out.trimmed().endsWith(QStringLiteral("</html>")));
    // a closing record that matches nothing unwinds everything
    QString stray = QStringLiteral("<body style=\"\"><div></span></body></html>");
    h.SetTagTbl(stray, QString(), QString());
    h.SetIndLvl();
    QVERIFY(h.WrtBody().contains(QStringLiteral("</div>\r\n</body>\r\n</html>\r\n")));
    // what opens after everything was closed is closed too
    stray = QStringLiteral("<body style=\"\"></span><div><span>x");
    h.SetTagTbl(stray, QString(), QString());
    h.SetIndLvl();
    const QString after = h.WrtBody();
    QVERIFY2(after.endsWith(QStringLiteral("</span></div>\r\n")), qPrintable(after));
    // XHTML 1.1: a picture inside a styled span
    h.setDocumentType(4);
    QString pic = QStringLiteral("<body style=\"\"><p style=\"\"><span style=\"color:red;\">x<img src=\"a\">y</span></p></body></html>");
    h.SetTagTbl(pic, QString(), QString());
    QString sheet;
    h.CollectClasses(sheet);
    h.SetIndLvl();
    const QString x = h.WrtBody();
    // span lines go only when they hold nothing else: closers of an unwinding may share the line
    QCOMPARE(yHtm::DelBlank(QStringLiteral("<span class=\"a\">\r\n</span>\r\n<span class=\"b\">\r\nt</span></div>\r\n")),
             QStringLiteral("<span class=\"b\">\r\nt</span></div>\r\n"));
    QVERIFY2(x.contains(QStringLiteral("</span>\r\n        <div class=\"dipc\">\r\n        <img src=\"a\">\r\n"
                                       "        </div>\r\n        <span class=\"sp01\">")), qPrintable(x));
}

void TstConverter::fileNames()
{
    yHtm h;
    yHtm::Context c = context();
    c.htmList = QStringLiteral("112\ttop\r1001\t../index.HTML\r");
    c.homeKind = 2;
    c.homeAddress = QStringLiteral("http://s/");
    h.setContext(c);
    QString n = QStringLiteral(" 7 ");
    QCOMPARE(h.HsFName(QString(), n, 0, false), QStringLiteral("007.htm"));
    QCOMPARE(n, QStringLiteral("7"));
    n = QStringLiteral("12");
    QCOMPARE(h.HsFName(QString(), n, 0, false), QStringLiteral("012.htm"));
    n = QStringLiteral("112");
    QCOMPARE(h.HsFName(QString(), n, 0, false), QStringLiteral("top.htm"));
    n = QStringLiteral("1001");
    QCOMPARE(h.HsFName(QString(), n, 0, false), QStringLiteral("../index.HTML"));
    n = QStringLiteral("1010");
    QCOMPARE(h.HsFName(QStringLiteral("1004"), n, 1, false), QStringLiteral("1004_1010.htm"));
    h.setDocumentType(4);
    QCOMPARE(h.HsFName(QStringLiteral("1004"), n, 1, false), QStringLiteral("1004_1010.xhtml"));
    n = QStringLiteral("112");
    QCOMPARE(h.HsFName(QString(), n, 0, false), QStringLiteral("112.xhtml"));
    QCOMPARE(h.HsFName(QString(), n, 0, true), QStringLiteral("top.htm"));
    n = QStringLiteral("1001");
    QCOMPARE(h.HsFNameX(QString(), n), QStringLiteral("http://s/index.HTML"));
    n = QStringLiteral("7");
    QCOMPARE(h.HsFNameX(QString(), n), QStringLiteral("http://s/pub/007.htm"));
}

void TstConverter::documentTypes()
{
    yHtm h;
    const QString page = QStringLiteral("<!DOCTYPE html PUBLIC 'x' 'y'>\r\n<html>\r\n<head><meta a=\"b\"></head>"
                                        "<body><colgroup><col width=\"1\"><IMG src=\"a\"><br /><BR></body></html>");
    struct Case { int type; const char *has; const char *hasNot; };
    const Case cases[] = {
        {0, "<!DOCTYPE html PUBLIC 'x' 'y'><IGNORE", "<br />"},
        {2, "-//W3C//DTD XHTML 1.0 Transitional//EN", "PUBLIC 'x'"},
        {4, "<?xml version='1.0' encoding='UTF-8'?>\r\n<!DOCTYPE html PUBLIC '-//W3C//DTD XHTML 1.1//EN'", "<html>"},
        {5, "<head><meta a=\"b\"/>", "DOCTYPE"},
    };
    for (const Case &c : cases) {
        h.setDocumentType(c.type);
        QString p = page;
        h.SetDTD(p);
        const QString has = QString::fromLatin1(c.has).remove(QStringLiteral("<IGNORE"));
        QVERIFY2(p.contains(has), qPrintable(p));
        QVERIFY2(!p.contains(QLatin1String(c.hasNot)), qPrintable(p));
        if (c.type >= 2) {
            QVERIFY(p.contains(QStringLiteral("<colgroup><col width=\"1\"/><IMG src=\"a\"/><br /><BR>")));
        } else {
            QVERIFY(p.contains(QStringLiteral("<IMG src=\"a\"><br><BR>")));
        }
    }
    h.setDocumentType(3);
    QString bare = QStringLiteral("<html></html>");
    h.SetDTD(bare);
    QVERIFY(bare.startsWith(QStringLiteral("<!DOCTYPE html PUBLIC '-//W3C//DTD XHTML 1.0 Strict//EN'")));
    QVERIFY(bare.contains(QStringLiteral("'>\r\n<html>")));
    h.HtmHd(QStringLiteral("a\"b\"c"), QString(), QString(), QString(), false, 0, 0);
    QCOMPARE(h.title(), QStringLiteral("a b c"));
}

void TstConverter::links()
{
    QTemporaryDir tmp;
    const QString root = tmp.path() + QLatin1Char('/');
    QDir().mkpath(root + QStringLiteral("site/db/pub"));
    QDir().mkpath(root + QStringLiteral("site/db/lnk"));
    QDir().mkpath(root + QStringLiteral("out"));
    QDir().mkpath(root + QStringLiteral("a b"));
    QDir().mkpath(root + QStringLiteral("c"));
    for (const QString &f : {QStringLiteral("site/db/lnk/x.pdf"), QStringLiteral("a b/あ.pdf"), QStringLiteral("c/あ.pdf")}) {
        QFile file(root + f);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(f.toUtf8());
    }
    yHtm h;
    yHtm::Context linked = context();
    linked.dbFolder = root; // the linked files lie beside the database
    // The site is the run's folder: a file of its own is reached, not copied.
    linked.outputFolder = root + QStringLiteral("site/db");
    h.setContext(linked);
    QString t = root + QStringLiteral("site/db/lnk/x.pdf");
    h.MakeRelative(root + QStringLiteral("site/db/pub/"), t);
    QCOMPARE(t, QStringLiteral("../lnk/x.pdf"));
    linked.outputFolder.clear();
    h.setContext(linked);
    // outside any site: copied into the page's lnk folder; references and %20 decoded first;
    // a second file of the same name gets a name of its own
    QString a = QStringLiteral("href=\"file://") + root + QStringLiteral("a%20b/&#x3042;.pdf\"");
    h.RewriteHref(root + QStringLiteral("out/p.htm"), QString(), a);
    QCOMPARE(a, QStringLiteral("href=\"lnk/あ.pdf\""));
    QString b = QStringLiteral("href=\"file://") + root + QStringLiteral("c/あ.pdf\"");
    h.RewriteHref(root + QStringLiteral("out/p.htm"), QString(), b);
    QCOMPARE(b, QStringLiteral("href=\"lnk/あ_2.pdf\""));
    QVERIFY(QFileInfo::exists(root + QStringLiteral("out/lnk/あ_2.pdf")));
    // web, mail and tooltip links stay; tags become page names
    for (const QString &keep : {QStringLiteral("href=\"https://x.org/a\""), QStringLiteral("href=\"mailto:a@b\""),
                                QStringLiteral("href=\"HTTP://x\""), QStringLiteral("href=\"#TP_a\"")}) {
        QString k = keep;
        h.RewriteHref(root + QStringLiteral("out/p.htm"), QString(), k);
        QCOMPARE(k, keep);
    }
    QString tag = QStringLiteral("href=\"#TG_1004_1010\"");
    h.RewriteHref(root + QStringLiteral("out/p.htm"), QString(), tag);
    QCOMPARE(tag, QStringLiteral("href=\"1004_1010.htm\""));
    h.setDocumentType(5);
    tag = QStringLiteral("href=\"#TG_1004_1010\"");
    h.RewriteHref(root + QStringLiteral("out/p.htm"), QString(), tag);
    QCOMPARE(tag, QStringLiteral("href=\"1010.htm\""));
    // EPUB: inside the book the local name, outside the web address, other links dropped
    yHtm e;
    yHtm::Context c = context();
    c.homeKind = 1;
    c.homeAddress = QStringLiteral("http://s/");
    c.outputSet = QStringLiteral(".1001.");
    e.setContext(c);
    e.setDocumentType(4);
    QString in = QStringLiteral("href=\"#TG_1001\""), out = QStringLiteral("href=\"#TG_1002\""),
            local = QStringLiteral("href=\"x.pdf\"");
    e.RewriteHref(root + QStringLiteral("out/p.xhtml"), QString(), in);
    e.RewriteHref(root + QStringLiteral("out/p.xhtml"), QString(), out);
    e.RewriteHref(root + QStringLiteral("out/p.xhtml"), QString(), local);
    QCOMPARE(in, QStringLiteral("href=\"1001.xhtml\""));
    QCOMPARE(out, QStringLiteral("href=\"http://s/1002.htm\""));
    QCOMPARE(local, QString());
    // script and document addresses: none in XHTML 1.1, whatever else the link says; other types keep
    // the user's link
    const QStringList active = {QStringLiteral("href=\"javascript:alert(1)\""),
                                QStringLiteral("href=\" JavaScript:alert(&quot;http://x&quot;)\""),
                                QStringLiteral("href=\"java\tscript:x\""),
                                QStringLiteral("href=\"vbscript:msgbox(1)\""),
                                QStringLiteral("href=\" VBScript:MsgBox(&quot;http://x&quot;)\""),
                                QStringLiteral("href=\"data:text/html,&lt;script&gt;alert(1)&lt;/script&gt;\""),
                                QStringLiteral("href=\"DATA:text/html;base64,PHNjcmlwdD4=\"")};
    for (const QString &script : active) {
        QString s = script;
        e.RewriteHref(root + QStringLiteral("out/p.xhtml"), QString(), s);
        QVERIFY2(s.isEmpty(), qPrintable(script + QStringLiteral(" -> ") + s));
    }
    h.setDocumentType(0);
    for (const QString &script : {active[0], active[3], active[5]}) {
        QString kept = script;
        h.RewriteHref(root + QStringLiteral("out/p.htm"), QString(), kept);
        QCOMPARE(kept, script);
    }
    // a kept address is written as a URI: quotes and blanks percent-encoded, nothing else changed
    QString quoted = QStringLiteral("href=\"https://x.org/a b&quot;c?d=1&amp;e=%zz#f#g\"");
    h.RewriteHref(root + QStringLiteral("out/p.htm"), QString(), quoted);
    QCOMPARE(quoted, QStringLiteral("href=\"https://x.org/a%20b%22c?d=1&amp;e=%25zz#f%23g\""));
    // a host beyond ASCII in its ASCII form, user, port and path as they are
    QString wide = QStringLiteral("href=\"http://u@例え.jp:8080/パス?q=[1]\"");
    h.RewriteHref(root + QStringLiteral("out/p.htm"), QString(), wide);
    QCOMPARE(wide, QStringLiteral("href=\"http://u@xn--r8jz45g.jp:8080/パス?q=%5B1%5D\""));
    // the web address put in front of a page's name is checked like the page's own link
    for (const QString &home : {QStringLiteral("javascript:alert('http')//"), QStringLiteral("data:text/html,x/"),
                                QString()}) {
        yHtm x;
        yHtm::Context hc = context();
        hc.homeKind = 1;
        hc.homeAddress = home;
        hc.outputSet = QStringLiteral(".1001.");
        x.setContext(hc);
        x.setDocumentType(4);
        QString outside = QStringLiteral("href=\"#TG_1002\"");
        x.RewriteHref(root + QStringLiteral("out/p.xhtml"), QString(), outside);
        QVERIFY2(outside.isEmpty(), qPrintable(home + QStringLiteral(" -> ") + outside));
    }
    yHtm q;
    yHtm::Context qc = context();
    qc.homeKind = 1;
    qc.homeAddress = QStringLiteral("http://s/\"q r/");
    qc.outputSet = QStringLiteral(".1001.");
    q.setContext(qc);
    q.setDocumentType(4);
    QString web = QStringLiteral("href=\"#TG_1002\"");
    q.RewriteHref(root + QStringLiteral("out/p.xhtml"), QString(), web);
    QCOMPARE(web, QStringLiteral("href=\"http://s/%22q%20r/1002.htm\""));
}

void TstConverter::localHostNamesTheLocalFile_data()
{
    QTest::addColumn<QString>("href");  // "@" stands for the test's folder
    QTest::addColumn<QString>("base");
    QTest::newRow("file://localhost/") << "file://localhost@/c/x.pdf" << "";
    QTest::newRow("any letter case") << "FILE://LocalHost@/c/x.pdf" << "";
    QTest::newRow("blank as %20") << "file://localhost@/a%20b/x.pdf" << "";
    QTest::newRow("base address on localhost") << "x.pdf" << "file://localhost@/c";
}

// "file://localhost/<path>" names the same local file as "file:///<path>": it is copied beside the
// page like any linked file.
void TstConverter::localHostNamesTheLocalFile()
{
    QFETCH(QString, href);
    QFETCH(QString, base);
    QTemporaryDir tmp;
    const QString root = QDir::cleanPath(tmp.path());
    QVERIFY(writeFile(root + QStringLiteral("/c/x.pdf"), "x"));
    QVERIFY(writeFile(root + QStringLiteral("/a b/x.pdf"), "x"));
    QVERIFY(QDir().mkpath(root + QStringLiteral("/out")));
    yHtm h;
    yHtm::Context c = context();
    c.dbFolder = root;
    h.setContext(c);
    QString attrs = QStringLiteral("href=\"") + QString(href).replace(u'@', root) + QLatin1Char('"');
    h.RewriteHref(root + QStringLiteral("/out/p.htm"), QString(base).replace(u'@', root), attrs);
    QCOMPARE(attrs, QStringLiteral("href=\"lnk/x.pdf\""));
    QVERIFY(QFileInfo::exists(root + QStringLiteral("/out/lnk/x.pdf")));
}

void TstConverter::exporterDialect()
{
    QTemporaryDir tmp;
    PageDocument page;
    fillPublishPage(page, true);
    HtmlExport::Options o;
    o.pictureFormat = 3;
    o.lineFactor = 1.5;
    const QString file = tmp.path() + QStringLiteral("/my page.htm");
    bool ok = false;
    const QString html = HtmlExport::text(page, file, o, &ok);
    QVERIFY(ok);
    QVERIFY(html.contains(QStringLiteral("</head>\r\n<body style=\"")));
    // without a body format the document's own default font
    QVERIFY2(html.contains(QStringLiteral("<body style=\"font-family:'") + page.main()->defaultFont().family()),
             qPrintable(html.left(300)));
    // with one, text without a font of its own is body text, not the desktop's default font
    o.bodyFont = QStringLiteral("Body Font");
    o.bodySize = 13;
    const QString body = HtmlExport::text(page, file, o, &ok);
    QVERIFY2(body.contains(QStringLiteral("<body style=\"font-family:'Arial';font-size:13pt;\">")), qPrintable(body.left(300)));
    QVERIFY(html.endsWith(QStringLiteral("</body></html>\r\n")));
    QVERIFY2(html.contains(QStringLiteral("<p style=\"margin-top:0pt;margin-bottom:0pt;margin-left:12pt;margin-right:0pt;"
                                          "text-indent:0pt;line-height:150%;font-size:18pt;font-weight:bold;\">")),
             qPrintable(html));
    QVERIFY2(html.contains(QStringLiteral("&lt;b&gt;not bold&lt;/b&gt; &amp;amp; ]]&gt; -- a &nbsp;b")), qPrintable(html));
    QVERIFY(html.contains(QStringLiteral("<a href=\"#TG_1010\" style=\"color:#8080FF;\">tag</a>")));
    QVERIFY(html.contains(QStringLiteral("<a href=\"https://example.org/a?b=1&amp;c=2\"")));
    QVERIFY(html.contains(QStringLiteral("<img src=\"my%20page_Images/my%20page_001.png\" alt=\"\" width=\"10\" height=\"6\">")));
    QVERIFY(QFileInfo::exists(tmp.path() + QStringLiteral("/my page_Images/my page_001.png")));
    QVERIFY(html.contains(QStringLiteral("<colgroup><col width=\"120\"><col width=\"80\"></colgroup>")));
    QVERIFY(html.contains(QStringLiteral("<div style=\"background-color:#FEFEFA;width:100pt;height:50pt;float:left;\">")));
    QVERIFY(html.contains(QStringLiteral("<p style=\"margin-top:0pt;margin-bottom:0pt;margin-left:0pt;margin-right:0pt;"
                                         "text-indent:0pt;line-height:150%;\">&nbsp;</p>"))
            || !html.contains(QStringLiteral("></p>")));
}

void TstConverter::textOnItsOwnGroundIsNoHighlight_data()
{
    QTest::addColumn<int>("ground"); // the colour of the heading's table cell; -1: on the page, no table; -2: a cell of none
    QTest::addColumn<int>("back");   // the text's background; -1: none
    QTest::addColumn<bool>("written");
    const int white = 0xFFFFFF, yellow = 0x00FFFF, green = 0x80FF80;
    // The user formats give their text the page's white: the heading of format 0 is one.
    QTest::newRow("white on the page") << -1 << white << false;
    QTest::newRow("no background") << -1 << -1 << false;
    QTest::newRow("a highlight on the page") << -1 << yellow << true;
    QTest::newRow("a cell's colour in the cell") << green << green << false;
    QTest::newRow("white in a cell of no colour") << -2 << white << false;
    QTest::newRow("white in a green cell") << green << white << true;
}

// A text background the colour of what the text stands on is no highlight: not written, the
// conversion takes a heading paragraph's text into its paragraph and makes it a heading (h1 for
// format 0's size) whose text names a page without a title. A real highlight stays apart.
void TstConverter::textOnItsOwnGroundIsNoHighlight()
{
    QFETCH(int, ground);
    QFETCH(int, back);
    QFETCH(bool, written);
    QTemporaryDir tmp;
    PageDocument page;
    QTextCursor c(page.main());
    if (ground != -1) {
        c.insertText(QStringLiteral("前"));
        QTextTable *table = c.insertTable(1, 1);
        if (ground >= 0) {
            QTextTableCellFormat cell;
            cell.setBackground(ColorRef::toColor(ground));
            table->cellAt(0, 0).setFormat(cell);
        }
        c = table->cellAt(0, 0).firstCursorPosition();
    }
    QTextBlockFormat heading;
    heading.setLeftMargin(16); // 12 pt
    QTextCharFormat look;
    look.setFontPointSize(18);
    if (back >= 0)
        look.setBackground(ColorRef::toColor(back));
    c.setBlockFormat(heading);
    c.insertText(QStringLiteral("見出しの文"), look);
    c.insertBlock(QTextBlockFormat(), look);
    c.insertText(QStringLiteral("本文"));
    const QString file = tmp.path() + QStringLiteral("/p.htm");
    bool ok = false;
    const QString html = HtmlExport::text(page, file, HtmlExport::Options(), &ok);
    QVERIFY(ok);
    static const QRegularExpression highlight(QStringLiteral("<(p|span) style=\"[^\"]*background-color"));
    QVERIFY2(html.contains(highlight) == written, qPrintable(html));
    if (ground != -1)
        return;
    yHtm h;
    yHtm::Context context = ::context();
    context.userData = tmp.path() + QLatin1Char('/');
    h.setContext(context);
    h.cSaveHtm(page, true, file, QString(), QStringLiteral("T"), 0, ok);
    QVERIFY(ok);
    const QString converted = readUtf8(file);
    static const QRegularExpression h1(QStringLiteral("<h1[^>]*>\\s*見出しの文\\s*</h1>"));
    QVERIFY2(converted.contains(h1) != written, qPrintable(converted));
    QVERIFY2(converted.contains(QStringLiteral("background-color:#FFFF00"), Qt::CaseInsensitive) == written, qPrintable(converted));
    // The editor's own conversion: a page without a title takes the heading's text.
    QString head, body;
    h.HtmHd(QString(), QString(), QString(), QString(), true, 0, 0);
    h.CnvHtml(page, file, head, body, QString(), ok);
    QVERIFY(ok);
    QVERIFY2(body.contains(h1) != written, qPrintable(body));
    QVERIFY2(head.contains(QStringLiteral("<title>見出しの文</title>")), qPrintable(head));
}

void TstConverter::finishedPagesValidate_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("sample");
    for (int type = 0; type <= 4; ++type) {
        QTest::addRow("type %d", type) << type << false;
        if (type == 0 || type == 2)
            QTest::addRow("type %d, every construct", type) << type << true;
    }
    QTest::addRow("type 4, every construct") << 4 << true;
}

void TstConverter::finishedPagesValidate()
{
    QFETCH(int, type);
    QFETCH(bool, sample);
    QTemporaryDir tmp;
    PageDocument page;
    if (sample)
        SamplePage::fillEveryConstruct(page);
    else
        fillPublishPage(page, type == 0 || type == 2 || type == 4);
    yHtm h;
    h.setContext(context());
    h.setDocumentType(type);
    const QString file = tmp.path() + (type == 4 ? QStringLiteral("/001.xhtml") : QStringLiteral("/001.htm"));
    bool ok = false;
    h.cSaveHtm(page, true, file, QStringLiteral("tip \"q\"\tthe <tip> & more\r"), QStringLiteral("T & <t>"),
               type == 4 ? 2 : 0, ok);
    QVERIFY(ok);
    QCOMPARE(h.documentType(), type);
    const QString text = readUtf8(file);
    QVERIFY(text.contains(QStringLiteral("<title>T &amp; &lt;t&gt;</title>")));
    if (!sample) {
        QVERIFY2(text.contains(QStringLiteral("&lt;b&gt;not bold&lt;/b&gt;")), qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("?とは")));
        QVERIFY(text.contains(QStringLiteral("https://example.org/a?b=1&amp;c=2")));
        QVERIFY(text.contains(QStringLiteral("mailto:a@example.org")));
        QVERIFY(text.contains(QStringLiteral("<h1 class=\"h101\">")));
        QVERIFY(text.contains(QStringLiteral("<col width='60%'") + QString(type >= 2 ? QStringLiteral("/>") : QStringLiteral(">"))));
        if (type == 4) {
            QVERIFY(QFileInfo::exists(tmp.path() + QStringLiteral("/Images/001_001.png")));
            QVERIFY(text.contains(QStringLiteral("src=\"Images/001_001.png\"")));
        } else {
            QVERIFY(text.contains(QStringLiteral("title=\"tip &quot;q&quot; : the &lt;tip&gt; &amp; more\"")));
            QVERIFY(text.contains(QStringLiteral("href=\"1010.htm\"")));
        }
        if (type == 0 || type == 2)
            QVERIFY(text.contains(QStringLiteral("<iframe src=\"http://example.org/frame?x=1&amp;y=2\"")));
    }
    validate(file, type);
}

void TstConverter::epubPageMovesPictures()
{
    QTemporaryDir tmp;
    const QString folder = tmp.path() + QStringLiteral("/with blank/");
    QDir().mkpath(folder);
    yHtm h;
    h.setContext(context());
    for (const QString &name : {QStringLiteral("001.xhtml"), QStringLiteral("002.xhtml")}) {
        PageDocument page;
        fillPublishPage(page, false);
        bool ok = false;
        h.cSaveHtm(page, true, folder + name, QString(), name, 2, ok);
        QVERIFY(ok);
        QVERIFY(!QFileInfo::exists(folder + QString(name).replace(QStringLiteral(".xhtml"), QStringLiteral("_Images"))));
    }
    // names stay unique across pages; a page without pictures leaves nothing behind
    QCOMPARE(QDir(folder + QStringLiteral("Images")).entryList(QDir::Files).size(), 2);
    PageDocument empty;
    QTextCursor(empty.main()).insertText(QStringLiteral("x"));
    bool ok = false;
    h.cSaveHtm(empty, false, folder + QStringLiteral("003.htm"), QString(), QString(), 0, ok);
    QVERIFY(ok);
    QVERIFY(!QFileInfo::exists(folder + QStringLiteral("003_Images")));
}

void TstConverter::siteFragment()
{
    QTemporaryDir tmp;
    PageDocument page;
    fillPublishPage(page, false);
    yHtm h;
    h.setContext(context());
    QString css, body;
    bool ok = false;
    h.cGetHtm(page, tmp.path() + QStringLiteral("/1001.htm"), QString(), css, body, ok);
    QVERIFY(ok);
    QVERIFY(css.startsWith(QStringLiteral("<style type=\"text/css\">\r\n    body {")));
    QVERIFY(css.endsWith(QStringLiteral("</style>\r\n")));
    QVERIFY(css.contains(QStringLiteral("line-height:150%;")));
    QVERIFY(!body.contains(QStringLiteral("<body")));
    QVERIFY(body.contains(QStringLiteral("src=\"1001_Images/1001_001.jpg\"")));
    QVERIFY(body.contains(QStringLiteral("class=\"")));
}

void TstConverter::hostileSettings_data()
{
    QTest::addColumn<int>("type");
    for (int type = 0; type <= 4; ++type)
        QTest::addRow("type %d", type) << type;
}

// Settings of the database and page titles are the user's text: fonts, custom file names, the home
// address and the title must not add markup, attributes or bytes that XML cannot hold.
void TstConverter::hostileSettings()
{
    QFETCH(int, type);
    QTemporaryDir tmp;
    yHtm::Context c = context();
    for (int k = 0; k < 4; ++k)
        c.usrFmt[k].fontName = QStringLiteral("Evil%1';}</style><script>alert(9)</script>\\").arg(k);
    c.usrFmt[3].textColor = 0;
    c.htmList = QStringLiteral("1010\tx\" onmouseover=\"alert(1)\r");
    c.homeKind = 1;
    c.homeAddress = QStringLiteral("http://s/\" onclick=\"alert(2)/");
    yHtm h;
    h.setContext(c);
    h.setDocumentType(type);
    PageDocument page;
    fillPublishPage(page, false);
    const QString file = tmp.path() + (type == 4 ? QStringLiteral("/001.xhtml") : QStringLiteral("/001.htm"));
    bool ok = false;
    // DEL and the bidirectional controls go where the other control characters go.
    QTextCursor more(page.main());
    more.movePosition(QTextCursor::End);
    more.insertBlock();
    more.insertText(QStringLiteral("del") + QChar(0x7F) + QStringLiteral("rlo") + QChar(0x202E) + QStringLiteral("fsi")
                    + QChar(0x2068) + QStringLiteral("c1") + QChar(0x85) + QStringLiteral("end"));
    QTextCharFormat link;
    link.setProperty(FieldId, page.newFieldId());
    link.setProperty(FieldType, 1);
    link.setProperty(FieldData, QStringLiteral("https://example.org/") + QChar(0x7F) + QChar(0x202E) + QStringLiteral("fdp.exe"));
    more.insertText(QStringLiteral("link"), link);
    h.cSaveHtm(page, true, file, QString(),
               QStringLiteral("T") + QChar(1) + QStringLiteral("i") + QChar(0x7F) + QStringLiteral("t") + QChar(0x202E)
                   + QStringLiteral("l") + QChar(0x2066) + QStringLiteral("e") + QChar(0x1F),
               type == 4 ? 2 : 0, ok);
    QVERIFY(ok);
    const QString text = readUtf8(file);
    for (const QChar c : {QChar(0x7F), QChar(0x202E), QChar(0x2066), QChar(0x2068), QChar(0x85)})
        QVERIFY2(!text.contains(c), qPrintable(QString::number(c.unicode(), 16)));
    QVERIFY(text.contains(QStringLiteral("delrlofsic1end")));
    QVERIFY(text.contains(QStringLiteral("href=\"https://example.org/fdp.exe\"")));
    QVERIFY2(!text.contains(QStringLiteral("<script"), Qt::CaseInsensitive), qPrintable(text));
    QCOMPARE(text.count(QStringLiteral("</style>")), 1);
    QVERIFY2(!text.contains(QRegularExpression(QStringLiteral("(onmouseover|onclick)=\""))), qPrintable(text));
    QVERIFY(text.contains(QStringLiteral("font-family:'Evil3/stylescriptalert(9)/script'")));
    QVERIFY(text.contains(QStringLiteral("<title>Title</title>")));
    // the body text colour black in six digits
    QVERIFY2(text.contains(QStringLiteral(";color:#000000;")), qPrintable(text));
    // Names and addresses from the settings are written as URIs.
    if (type == 4)
        QVERIFY2(text.contains(QStringLiteral("href=\"http://s/%22%20onclick=%22alert(2)/x%22%20onmouseover=%22alert(1).htm\"")),
                 qPrintable(text));
    else
        QVERIFY2(text.contains(QStringLiteral("href=\"x%22%20onmouseover=%22alert(1).htm\"")), qPrintable(text));
    validate(file, type);
}

// Link fields of a database from someone else publish no file the user cannot see as theirs.
void TstConverter::hostileLinks()
{
    TestHome home;
    QTemporaryDir elsewhere;
    const QString h = home.path() + QLatin1Char('/');
    const QString dbs = h + QStringLiteral("dbs");
    QVERIFY(writeFile(dbs + QStringLiteral("/docs/ok.pdf"), "ok"));
    QVERIFY(writeFile(h + QStringLiteral("Documents/report.pdf"), "report"));
    QVERIFY(writeFile(h + QStringLiteral(".ssh/id_rsa"), "key"));
    QVERIFY(writeFile(elsewhere.path() + QStringLiteral("/secret.pdf"), "secret"));
    QVERIFY(writeFile(elsewhere.path() + QStringLiteral("/db/other.pdf"), "other"));
    QVERIFY(QFile::link(QStringLiteral("/etc/hostname"), dbs + QStringLiteral("/docs/host.pdf")));
    yHtm conv;
    yHtm::Context c = context();
    c.dbFolder = dbs;
    conv.setContext(c);
    PageDocument page;
    fillLinks(page, {QStringLiteral("/etc/hostname"), QStringLiteral("../../../../etc/passwd"),
                     QStringLiteral("docs/../../.ssh/id_rsa"), QStringLiteral("docs/ok.pdf"),
                     elsewhere.path() + QStringLiteral("/secret.pdf"), h + QStringLiteral(".ssh/id_rsa"),
                     h + QStringLiteral("Documents/report.pdf"), dbs + QStringLiteral("/docs/host.pdf")});
    const QString file = h + QStringLiteral("out/p.htm");
    QDir().mkpath(h + QStringLiteral("out"));
    bool ok = false;
    conv.cSaveHtm(page, false, file, QString(), QString(), 0, ok);
    QVERIFY(ok);
    QCOMPARE(QDir(h + QStringLiteral("out/lnk")).entryList(QDir::Files, QDir::Name),
             (QStringList{QStringLiteral("ok.pdf"), QStringLiteral("report.pdf")}));
    const QString text = readUtf8(file);
    QVERIFY(text.contains(QStringLiteral("href=\"lnk/ok.pdf\"")));
    // a page in another copy of the site takes no file from outside
    const QString site = h + QStringLiteral("Site/db/pub/");
    QDir().mkpath(site);
    PageDocument other;
    fillLinks(other, {elsewhere.path() + QStringLiteral("/db/other.pdf")});
    conv.cSaveHtm(other, false, site + QStringLiteral("q.htm"), QString(), QString(), 0, ok);
    QVERIFY(ok);
    QVERIFY(!QFileInfo::exists(h + QStringLiteral("Site/db/other.pdf")));
}

void TstConverter::hiddenFilesOfTheHome_data()
{
    // The database's folder below the home ("." the home itself, ".." the folder above it) and a link
    // of its page; "~" stands for the home, "^" for the folder above it.
    QTest::addColumn<QString>("dbFolder");
    QTest::addColumn<QString>("link");
    QTest::newRow("database in the home, relative key") << "." << ".ssh/id_rsa";
    QTest::newRow("database in the home, absolute setting") << "." << "~/.config/secret.txt";
    QTest::newRow("database in the home, hidden file") << "." << "~/.netrc";
    QTest::newRow("database above the home, key below it") << ".." << "user/.ssh/id_rsa";
    QTest::newRow("database above the home, a file beside it") << ".." << "^/beside.txt";
    QTest::newRow("database in a hidden folder") << ".hidden/dbs" << "docs/ok.pdf";
}

// A database kept in the home (or above it, or in a hidden folder of it) publishes none of the home's
// hidden files; the user's visible files and the program's own site files still are published.
void TstConverter::hiddenFilesOfTheHome()
{
    QFETCH(QString, dbFolder);
    QFETCH(QString, link);
    TestHome top;
    const QString above = QDir::cleanPath(top.path());
    const QString h = above + QStringLiteral("/user");
    QVERIFY(QDir().mkpath(h));
    qputenv("HOME", h.toUtf8());
    const auto restore = qScopeGuard([&] { qputenv("HOME", top.path().toUtf8()); });
    for (const QString &file : {QStringLiteral("/.ssh/id_rsa"), QStringLiteral("/.config/secret.txt"),
                                QStringLiteral("/.netrc"), QStringLiteral("/.hidden/dbs/docs/ok.pdf"),
                                QStringLiteral("/Documents/report.pdf"),
                                QStringLiteral("/.local/share/fenwar/Site/db/lnk/shared.pdf")})
        QVERIFY(writeFile(h + file, file.toUtf8()));
    QVERIFY(writeFile(above + QStringLiteral("/beside.txt"), "beside"));
    yHtm conv;
    yHtm::Context c = context();
    c.dbFolder = QDir::cleanPath(h + QLatin1Char('/') + dbFolder);
    c.userData = h + QStringLiteral("/.local/share/fenwar/");
    conv.setContext(c);
    link.replace(QLatin1Char('~'), h).replace(QLatin1Char('^'), above);
    PageDocument page;
    fillLinks(page, {link, h + QStringLiteral("/Documents/report.pdf"), c.userData + QStringLiteral("Site/db/lnk/shared.pdf")});
    const QString out = above + QStringLiteral("/out");
    QVERIFY(QDir().mkpath(out));
    bool ok = false;
    conv.cSaveHtm(page, false, out + QStringLiteral("/p.htm"), QString(), QString(), 0, ok);
    QVERIFY(ok);
    QCOMPARE(QDir(out + QStringLiteral("/lnk")).entryList(QDir::Files | QDir::Hidden, QDir::Name),
             (QStringList{QStringLiteral("report.pdf"), QStringLiteral("shared.pdf")}));
}

// Every file below `folder` but those of `skip`, with its bytes: what a run may not touch.
QMap<QString, QByteArray> filesBelow(const QString &folder, const QString &skip)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (!path.startsWith(skip + QLatin1Char('/')))
            files.insert(path, TestHome::readAll(path));
    }
    return files;
}

void TstConverter::linkedFilesStayInTheRunsFolder_data()
{
    QTest::addColumn<QString>("dataBelowHome");
    QTest::newRow("plain user data") << ".local/share/Quenlith/fenwar";
    QTest::newRow("user data in a folder named site") << "site/.local/share/Quenlith/fenwar";
}

// A database named like a folder of the path the page is written in, or a folder named "site" in
// it, neither sends a copy of a linked file out of the run's folder nor keeps the copy from the page.
void TstConverter::linkedFilesStayInTheRunsFolder()
{
    QFETCH(QString, dataBelowHome);
    TestHome home;
    const QString h = QDir::cleanPath(home.path());
    const QString userData = h + QLatin1Char('/') + dataBelowHome + QLatin1Char('/');
    QStringList names = QString(dataBelowHome + QStringLiteral("/Wrk")).split(QLatin1Char('/'));
    names << QFileInfo(h).fileName() << QStringLiteral("Site") << QStringLiteral("Htm");
    for (const QString &db : names) {
        const QString dbs = h + QStringLiteral("/dbs");
        // The page links a file "<its folder>/<name>/victim.txt" and one in an [Iframe:] frame.
        QVERIFY(writeFile(dbs + QLatin1Char('/') + db + QStringLiteral("/victim.txt"), "evil"));
        QVERIFY(writeFile(dbs + QLatin1Char('/') + db + QStringLiteral("/framed.htm"), "framed"));
        QDir folder(userData);
        QVERIFY(folder.mkpath(QStringLiteral("Wrk")));
        QStringList parts = QString(userData + QStringLiteral("Wrk")).mid(h.size() + 1).split(QLatin1Char('/'));
        for (QString at = h; !parts.isEmpty(); at += QLatin1Char('/') + parts.takeFirst())
            QVERIFY(writeFile(at + QStringLiteral("/victim.txt"), "mine"));
        PageDocument page;
        fillLinks(page, {dbs + QLatin1Char('/') + db + QStringLiteral("/victim.txt")});
        QTextCursor c(page.main());
        c.movePosition(QTextCursor::End);
        SamplePage::insertTextFrame(page, c,
                                    QStringLiteral("[Iframe:x]") + QChar(QChar::LineSeparator) + QStringLiteral("file://") + dbs
                                        + QLatin1Char('/') + db + QStringLiteral("/framed.htm"),
                                    0xFAFEFE);
        // The preview's page in the work folder, and the site writer's run with its own folders.
        const QString preview = userData + QStringLiteral("Wrk/$Wrk.htm");
        const QString work = userData + QStringLiteral("Wrk/") + db;
        for (const QString &file : {preview, work + QStringLiteral("/001.htm")}) {
            const QString run = QFileInfo(file).absolutePath();
            QVERIFY(QDir().mkpath(run));
            const QMap<QString, QByteArray> before = filesBelow(h, run);
            yHtm conv;
            yHtm::Context ctx = context();
            ctx.dbName = db;
            ctx.dbFolder = dbs;
            ctx.userData = userData;
            if (file != preview) {
                ctx.outputFolder = work;
                ctx.siteFolder = userData + QStringLiteral("Htm/") + db;
            }
            conv.setContext(ctx);
            bool ok = false;
            conv.cSaveHtm(page, false, file, QString(), QString(), 0, ok);
            QVERIFY(ok);
            const QString what = db + QLatin1Char(' ') + file;
            QCOMPARE(filesBelow(h, run), before);
            const QString text = readUtf8(file);
            // A folder of the home named ".local" is hidden: its files are published by no database.
            if (db.startsWith(QLatin1Char('.'))) {
                QVERIFY2(!text.contains(QStringLiteral("lnk/")), qPrintable(what + text));
                QVERIFY(!QFileInfo::exists(run + QStringLiteral("/lnk")));
                continue;
            }
            QVERIFY2(text.contains(QStringLiteral("href=\"lnk/victim.txt\"")), qPrintable(what + text));
            QVERIFY2(text.contains(QStringLiteral("src=\"lnk/framed.htm\"")), qPrintable(what + text));
            QCOMPARE(TestHome::readAll(run + QStringLiteral("/lnk/victim.txt")), QByteArray("evil"));
            QVERIFY(QDir(run + QStringLiteral("/lnk")).removeRecursively());
        }
    }
}

// A script frame keeps its lines, so that a comment line ends where its line does; a site page keeps
// the author's script, a book page neither the script nor a frame whose address runs script.
void TstConverter::scriptFrames()
{
    QTemporaryDir tmp;
    yHtm h;
    h.setContext(context());
    PageDocument page;
    QTextCursor c(page.main());
    c.insertText(QStringLiteral("before "));
    SamplePage::insertTextFrame(page, c,
                                QStringLiteral("[Script:greeting]<script type='text/javascript'>\n// greet the reader\n"
                                               "document.write(\"hi\");")
                                    + QChar(QChar::LineSeparator) + QStringLiteral("// done") + QChar(QChar::LineSeparator)
                                    + QStringLiteral("var a = 1 < 2 && 3 > 2;\n</script>"),
                                0xFEFAFE);
    c.insertText(QStringLiteral(" after"));
    bool ok = false;
    const QString site = tmp.path() + QStringLiteral("/001.htm");
    h.cSaveHtm(page, false, site, QString(), QStringLiteral("s"), 0, ok);
    QVERIFY(ok);
    const QString text = readUtf8(site);
    QVERIFY2(text.contains(QStringLiteral("<script type='text/javascript'>\r\n// greet the reader\r\ndocument.write(\"hi\");"
                                          "\r\n// done\r\nvar a = 1 < 2 && 3 > 2;\r\n</script>")),
             qPrintable(text));
    // A frame of the site variant carries it too.
    h.cSaveHtm(page, false, tmp.path() + QStringLiteral("/002.htm"), QString(), QStringLiteral("s"), 1, ok);
    QVERIFY(ok);
    QVERIFY(readUtf8(tmp.path() + QStringLiteral("/002.htm")).contains(QStringLiteral("// greet the reader\r\ndocument.write")));

    PageDocument frames;
    QTextCursor f(frames.main());
    for (const QString &address : {QStringLiteral("data:text/html,<script>alert(1)</script>"), QStringLiteral("vbscript:x"),
                                   QStringLiteral("javascript:alert(1)")}) {
        SamplePage::insertTextFrame(frames, f, QStringLiteral("[Iframe:x]") + QChar(QChar::LineSeparator) + address, 0xFAFEFE);
        f.insertText(QStringLiteral(" text "));
    }
    const QString book = tmp.path() + QStringLiteral("/003.xhtml");
    h.cSaveHtm(frames, false, book, QString(), QStringLiteral("b"), 2, ok);
    QVERIFY(ok);
    const QString xhtml = readUtf8(book);
    QVERIFY2(!xhtml.contains(QRegularExpression(QStringLiteral("(href|src)=\"\\s*(data|vbscript|javascript):"),
                                                QRegularExpression::CaseInsensitiveOption)),
             qPrintable(xhtml));
    QVERIFY(!xhtml.contains(QStringLiteral("<iframe")));
    validate(book, 4);

    // A book shows no script, from a second script frame either.
    PageDocument scripts;
    QTextCursor sc(scripts.main());
    for (int i = 1; i <= 2; ++i) {
        SamplePage::insertTextFrame(scripts, sc, QStringLiteral("[Script:s%1]<script>var n%1 = 1;</script>").arg(i), 0xFEFAFE);
        sc.insertText(QStringLiteral(" text "));
    }
    const QString noScript = tmp.path() + QStringLiteral("/004.xhtml");
    h.cSaveHtm(scripts, false, noScript, QString(), QStringLiteral("b"), 2, ok);
    QVERIFY(ok);
    const QString plain = readUtf8(noScript);
    QVERIFY2(!plain.contains(QStringLiteral("Script:")) && !plain.contains(QStringLiteral("var n")), qPrintable(plain));
    validate(noScript, 4);
}

// A tag field of a generated sample page reaches the linked page's file, in a page and in a book.
void TstConverter::tagLinksEndToEnd()
{
    TestHome home;
    const QString path = home.path() + QStringLiteral("/Sample.txdb");
    QVERIFY(SampleDb::generate(path));
    QVERIFY(zSvr::instance().D_StDcDb(path));
    const QByteArray bytes = zSvr::instance().R_GtVaL(QStringLiteral("Select obDoc From msDoc Where noDoc=1006"), QVariant())
                                 .toByteArray();
    zSvr::instance().D_Close();
    PageDocument page;
    QVERIFY(PageCodec::load(page, bytes));
    yHtm h;
    yHtm::Context c = context();
    c.outputSet = QStringLiteral(".1003.");
    c.homeKind = 1;
    c.homeAddress = QStringLiteral("http://s/");
    h.setContext(c);
    bool ok = false;
    h.cSaveHtm(page, false, home.path() + QStringLiteral("/1006.htm"), QString(), QString(), 0, ok);
    QVERIFY(ok);
    QString target = QStringLiteral("1003");
    const QString name = h.HsFName(QString(), target, 0, false);
    QCOMPARE(name, QStringLiteral("1003.htm"));
    const QString text = readUtf8(home.path() + QStringLiteral("/1006.htm"));
    QVERIFY2(text.contains(QStringLiteral("href=\"") + name + QLatin1Char('"')), qPrintable(text));
    QVERIFY(text.contains(QStringLiteral("href=\"1002.htm\"")));
    QVERIFY(!text.contains(QStringLiteral("TG_")));
    h.cSaveHtm(page, false, home.path() + QStringLiteral("/1006.xhtml"), QString(), QString(), 2, ok);
    QVERIFY(ok);
    const QString book = readUtf8(home.path() + QStringLiteral("/1006.xhtml"));
    QVERIFY2(book.contains(QStringLiteral("href=\"1003.xhtml\"")), qPrintable(book));
    QVERIFY(book.contains(QStringLiteral("href=\"http://s/1002.htm\"")));
}

// A book page does not make the next single page XHTML 1.1: its links would name ".xhtml" files
// that no HTML output writes.
void TstConverter::documentTypeIsThePagesOwn()
{
    QTemporaryDir tmp;
    yHtm h;
    h.setContext(context());
    h.setDocumentType(0);
    PageDocument page;
    fillPublishPage(page, false);
    bool ok = false;
    h.cSaveHtm(page, false, tmp.path() + QStringLiteral("/001.xhtml"), QString(), QString(), 2, ok);
    QVERIFY(ok);
    QVERIFY(readUtf8(tmp.path() + QStringLiteral("/001.xhtml")).contains(QStringLiteral("href=\"1010.xhtml\"")));
    h.cSaveHtm(page, false, tmp.path() + QStringLiteral("/002.htm"), QString(), QString(), 0, ok);
    QVERIFY(ok);
    const QString text = readUtf8(tmp.path() + QStringLiteral("/002.htm"));
    QVERIFY(text.contains(QStringLiteral("href=\"1010.htm\"")));
    QVERIFY(!text.contains(QStringLiteral("<?xml")));
}

void TstConverter::passes_data()
{
    QTest::addColumn<QString>("pass");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("absent");
    // headings: sizes 18, 14 and 12 of formats 0-2
    QTest::newRow("heading at 6pt") << "SetHdLvl" << 0 << "<p style=\"margin-left:6pt;font-size:18pt;\">Head</p>"
                                    << "h1||margin-left:6pt;font-size:18pt;\nval|Head\n/h1||" << "div|";
    QTest::newRow("indent 5.9pt stays") << "SetHdLvl" << 0 << "<p style=\"margin-left:5.9pt;font-size:18pt;\">Head</p>"
                                        << "div||margin-left:5.9pt;font-size:18pt;" << "h1|";
    QTest::newRow("12pt is h5") << "SetHdLvl" << 0 << "<p style=\"margin-left:10pt;font-size:12pt;\">Small</p>"
                                << "h5|" << "div|";
    QTest::newRow("picture after heading") << "SetHdLvl" << 0
                                           << "<p style=\"margin-left:12pt;font-size:18pt;\">A<img src=\"x\"></p>"
                                           << "h1||margin-left:12pt;font-size:18pt;\nval|A\n/h1||\nimg|src=\"x\"|" << "div|";
    // joined tables: the second's first row loses its top border
    QTest::newRow("tables joined") << "JoinTable" << 0
                                   << "<table width=\"400\"><tr><td style=\"border-top:1px;\">a</td></tr></table>"
                                      "<table width=\"410\"><tr><td style=\"border-top:1px;\">b</td></tr></table>"
                                   << "/table||\ntable|width=\"400\"|\ntr||\ntd||border-top: 0px;"
                                   << "width=\"410\"";
    QTest::newRow("tables apart") << "JoinTable" << 0
                                  << "<table width=\"400\"><tr><td style=\"border-top:1px;\">a</td></tr></table><p style=\"\">x</p>"
                                     "<table width=\"400\"><tr><td style=\"border-top:1px;\">b</td></tr></table>"
                                  << "td||border-top:1px;" << "0px";
    // list items take the styles of their paragraph and only span
    QTest::newRow("list item folds") << "FixList" << 0
                                     << "<ul><li><p style=\"text-align:center;margin-left:3pt;\"><span style=\"color:red;\">x</span></p></li></ul>"
                                     << "li||text-align:center;color:red;\nval|x\n/li||" << "span|";
    QTest::newRow("span and link stay") << "FixList" << 0
                                        << "<ul><li><span style=\"color:red;\">x</span><a href=\"y\">y</a></li></ul>"
                                        << "span||color:red;" << "li||color";
    // an item holding a list keeps its paragraph (its look would be inherited by the sub-list); the
    // sub-list's items fold their own
    QTest::newRow("item with a sub-list") << "FixList" << 0
                                          << "<ol><li><p style=\"font-weight:bold;\">a</p><ol><li><p style=\"color:red;\">b</p></li></ol></li>"
                                             "<li><p style=\"\">c</p></li></ol>"
                                          << "li||\ndiv||font-weight:bold;\nval|a\n/div||\nol||\nli||color:red;\nval|b\n/li||"
                                          << "li||font-weight";
    // list items lose what their list says; a later list's items keep theirs
    QTest::newRow("inherited declarations") << "DelUlInh" << 0
                                            << "<ul style=\"color:#000000;\"><li style=\"color:#000000;font-weight:bold;\">a</li></ul>"
                                               "<ul style=\"color:#FF0000;\"><li style=\"color:#000000;\">b</li></ul>"
                                            << "li||font-weight:bold;\nval|a\n/li||\n/ul||\nul||color:#FF0000;\nli||color:#000000;"
                                            << "li||color:#000000;font-weight";
    // a paragraph with one plain span takes its style
    QTest::newRow("one span merged") << "MrgDivSpan" << 0 << "<p style=\"text-align:center;\"><span style=\"color:red;\">x</span></p>"
                                     << "div||text-align:center;color:red;\nval|x\n/div||" << "span|";
    QTest::newRow("titled span stays") << "MrgDivSpan" << 0
                                       << "<p style=\"text-align:center;\"><span title=\"t\" style=\"color:red;\">x</span></p>"
                                       << "span|title=\"t\"|color:red;" << "div||color";
    // a run's look stays on the run unless it holds all the block's text; raised text and
    // highlights always stay on their runs
    QTest::newRow("span among plain words stays") << "MrgDivSpan" << 0
                                                  << "<p style=\"\">a <span style=\"font-style:italic;\">x</span></p>"
                                                  << "span||font-style:italic;" << "div||font-style";
    QTest::newRow("raised span stays") << "MrgDivSpan" << 0
                                       << "<p style=\"\"><span style=\"vertical-align:super;\">x</span></p>"
                                       << "span||vertical-align:super;" << "div||vertical";
    QTest::newRow("item's word stays") << "FixList" << 0
                                       << "<ul><li><p style=\"\">a <span style=\"font-weight:bold;\">x</span></p></li></ul>"
                                       << "span||font-weight:bold;" << "li||font";
    QTest::newRow("item's highlight stays") << "FixList" << 0
                                            << "<ul><li><span style=\"background-color:#FFFF00;\">x</span></li></ul>"
                                            << "span||background-color:#FFFF00;" << "li||back";
    QTest::newRow("item's tooltip keeps its title") << "FixList" << 0
                                                    << "<ul><li><span title=\"x : tip\" style=\"color:#804040;\">x</span></li></ul>"
                                                    << "span|title=\"x : tip\"|color:#804040;" << "li||color";
    QTest::newRow("cell of two italic runs") << "FixCell" << 0
                                             << "<table><tr><td><p style=\"\">a <span style=\"font-style:italic;\">b</span> c "
                                                "<span style=\"font-style:italic;\">d</span></p></td></tr></table>"
                                             << "span||font-style:italic;\nval|d\n/span||" << "td||font";
    QTest::newRow("cell's 20pt word") << "FixCell" << 0
                                      << "<table><tr><td><p style=\"\">a <span style=\"font-size:20pt;\">b</span></p></td></tr></table>"
                                      << "span||font-size:20pt;" << "td||font";
    QTest::newRow("cell of two paragraphs") << "FixCell" << 0
                                            << "<table><tr><td><p style=\"font-weight:bold;\">a</p><p style=\"\">b</p></td></tr></table>"
                                            << "div||font-weight:bold;\nval|a\n/div||\ndiv||" << "td||font";
    QTest::newRow("cell's only run folds") << "FixCell" << 0
                                           << "<table><tr><td><p style=\"\"><span style=\"color:red;\">x</span></p></td></tr></table>"
                                           << "td||color:red;\nval|x" << "span|";
    QTest::newRow("cell's raised run stays") << "FixCell" << 0
                                             << "<table><tr><td><p style=\"\"><span style=\"vertical-align:sub;\">x</span></p></td></tr></table>"
                                             << "span||vertical-align:sub;" << "td||vertical";
    // a heading shows its plain words plain (the browser's heading is bold)
    QTest::newRow("heading with a plain word") << "MarkHeadings" << 0
                                               << "<p style=\"margin-left:8pt;font-size:18pt;\"><span style=\"font-weight:bold;\">A</span> b</p>"
                                               << "h1||margin-left:8pt;font-size:18pt;font-weight:normal;" << "h1||margin-left:8pt;font-size:18pt;\n";
    QTest::newRow("bold heading") << "MarkHeadings" << 0
                                  << "<p style=\"margin-left:8pt;font-size:18pt;font-weight:bold;\">A</p>"
                                  << "h1||margin-left:8pt;font-size:18pt;font-weight:bold;" << "normal";
    // XHTML 1.1: the first map frame becomes a link, the first script goes, a second frame stays as it was
    QTest::newRow("frames of a book page") << "CnvFrameX" << 4
                                           << "<div style=\"background-color:#FEFEFA;width:100pt;height:50pt;\">\r\n"
                                              "<p style=\"\">[Iframe:map]http://maps.google.com/maps?q=x&amp;z=1</p>\r\n</div>\r\n"
                                              "<div style=\"background-color:#FEFAFE;width:10pt;height:5pt;\">\r\n"
                                              "<p style=\"\">[Script:s]&lt;script&gt;x&lt;/script&gt;</p>\r\n</div>\r\n"
                                              "<div style=\"background-color:#FEFEFA;width:100pt;height:50pt;\">\r\n"
                                              "<p style=\"\">[Iframe:two]http://example.org/</p>\r\n</div>\r\n"
                                           << "small||\na|href=\"http://maps.google.com/maps?q=x&amp;z=1\"|text-align:left;\n"
                                              "val|MAP\n/a||\n/small||"
                                           << "[Script:";
}

// Each pass on a piece of the editor's dialect changes what it is there for.
void TstConverter::passes()
{
    QFETCH(QString, pass);
    QFETCH(int, type);
    QFETCH(QString, body);
    QFETCH(QString, expected);
    QFETCH(QString, absent);
    yHtm h;
    h.setContext(context());
    h.setDocumentType(type);
    QString b = QStringLiteral("<body style=\"\">") + body + QStringLiteral("</body></html>");
    h.SetTagTbl(b, QStringLiteral("/tmp/x.htm"), QString());
    if (pass == QLatin1String("SetHdLvl"))
        h.SetHdLvl();
    else if (pass == QLatin1String("JoinTable"))
        h.JoinTable();
    else if (pass == QLatin1String("FixList"))
        h.FixList();
    else if (pass == QLatin1String("DelUlInh"))
        h.DelUlInh();
    else if (pass == QLatin1String("MrgDivSpan"))
        h.MrgDivSpan();
    else if (pass == QLatin1String("FixCell"))
        h.FixCell();
    else if (pass == QLatin1String("MarkHeadings"))
        h.MarkHeadings();
    const QString all = live(h);
    QVERIFY2(all.contains(expected), qPrintable(all));
    QVERIFY2(!all.contains(absent), qPrintable(all));
    if (pass == QLatin1String("SetHdLvl") && expected.startsWith(QLatin1String("h1")))
        QVERIFY(!h.title().isEmpty());
    if (pass == QLatin1String("CnvFrameX"))
        QVERIFY(all.contains(QStringLiteral("val|[Iframe:two]http://example.org/")));
}

// The reference driver: export, pictures beside the page, every pass, sheet and head.
void TstConverter::referenceDriver()
{
    QTemporaryDir tmp;
    yHtm h;
    h.setContext(context());
    h.cOn(tmp.path() + QStringLiteral("/Wrk/"));
    PageDocument page;
    QTextCursor c(page.main());
    QTextBlockFormat heading;
    heading.setLeftMargin(16); // 12 pt
    QTextCharFormat big;
    big.setFontPointSize(18);
    c.setBlockFormat(heading);
    c.insertText(QStringLiteral("見出し"), big);
    c.insertBlock(QTextBlockFormat(), QTextCharFormat());
    QTextImageFormat img;
    img.setName(page.addPicture(TestImages::bytes("PNG", Qt::red, 8, 4)));
    img.setWidth(8);
    img.setHeight(4);
    c.insertImage(img);
    c.insertText(QStringLiteral(" 本文"));
    const QString file = tmp.path() + QStringLiteral("/site/1010.htm");
    QDir().mkpath(tmp.path() + QStringLiteral("/site"));
    QString head, body;
    bool ok = false;
    h.CnvHtml(page, file, head, body, QString(), ok);
    QVERIFY(ok);
    QVERIFY2(head.contains(QStringLiteral("<title>見出し</title>")), qPrintable(head));
    QVERIFY(head.contains(QStringLiteral("<meta name=\"robots\"content=\"index,follow\">")));
    QVERIFY(head.contains(QStringLiteral("    h1 {")));
    QVERIFY(head.trimmed().endsWith(QStringLiteral("</head>")));
    QVERIFY2(body.contains(QStringLiteral("<h1>")), qPrintable(body));
    QVERIFY(body.contains(QStringLiteral("本文")));
    QVERIFY(QFileInfo::exists(tmp.path() + QStringLiteral("/site/Images/1010_001.jpg")));
    QVERIFY2(body.contains(QStringLiteral("src=\"Images/1010_001.jpg\"")), qPrintable(body));
    QVERIFY(h.tags().empty());

    // An image folder name of the settings row that leads out of the page's folder is not used.
    PageDb db;
    QVERIFY(db.ok());
    QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Delete From kaUsr")));
    QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Insert Into kaUsr (HiType, HiPfold, HsPfold) Values (0, 1, '../outside')")));
    h.SetKaHtm(false);
    h.CnvHtml(page, file, head, body, QString(), ok);
    QVERIFY(ok);
    QVERIFY(!QFileInfo::exists(tmp.path() + QStringLiteral("/outside")));
    QVERIFY2(body.contains(QStringLiteral("src=\"Images/1010_001.jpg\"")), qPrintable(body));
}

// With P_NoPic the full conversion moves no picture file; the next converter moves them again.
void TstConverter::noPicturesLeavesThePicturesWhereTheyAre()
{
    QTemporaryDir tmp;
    const QString file = tmp.path() + QStringLiteral("/site/1011.htm");
    QDir().mkpath(tmp.path() + QStringLiteral("/site"));
    PageDocument page;
    QTextCursor c(page.main());
    QTextImageFormat img;
    img.setName(page.addPicture(TestImages::bytes("PNG", Qt::blue, 8, 4)));
    img.setWidth(8);
    img.setHeight(4);
    c.insertImage(img);
    const QString moved = tmp.path() + QStringLiteral("/site/Images/1011_001.jpg");
    for (bool noPictures : {true, false}) {
        yHtm h;
        h.setContext(context());
        h.cOn(tmp.path() + QStringLiteral("/Wrk/"));
        if (noPictures)
            h.P_NoPic(true);
        QString head, body;
        bool ok = false;
        h.CnvHtml(page, file, head, body, QString(), ok);
        QVERIFY(ok);
        QCOMPARE(QFileInfo::exists(moved), !noPictures);
    }
}

// HsFName2: the page's own tbHtm row names it; without one it is numbered, a link placement with
// its parent; a page of the root lies at the top, every other one under "/pub/".
void TstConverter::siteRelativePathFromTheSettingsRow()
{
    PageDb db;
    QVERIFY(db.ok());
    QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Insert Into tbHtm (noDoc, saFnm, boRoot) Values (?, ?, ?)"),
                                     {1001, QStringLiteral("index"), 1}));
    QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Insert Into tbHtm (noDoc, saFnm, boRoot) Values (?, ?, ?)"),
                                     {1002, QStringLiteral("about.HTML"), 0}));
    QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Insert Into tbHtm (noDoc, saFnm, boRoot) Values (?, ?, ?)"),
                                     {1003, QString(), 1}));
    yHtm h;
    int link = 0;
    QCOMPARE(h.HsFName2(QString(), QStringLiteral("1001"), link), QStringLiteral("/index.htm"));
    QCOMPARE(h.HsFName2(QString(), QStringLiteral("1002"), link), QStringLiteral("/pub/about.HTML"));
    QCOMPARE(h.HsFName2(QString(), QStringLiteral("1003"), link), QStringLiteral("/1003.htm"));
    QCOMPARE(h.HsFName2(QString(), QStringLiteral("7"), link), QStringLiteral("/pub/007.htm"));
    QCOMPARE(link, 0);
    QCOMPARE(h.HsFName2(QString(), QStringLiteral("12_7"), link), QStringLiteral("/pub/012_007.htm"));
    QCOMPARE(link, 1);
    link = 1;
    QCOMPARE(h.HsFName2(QStringLiteral("4"), QStringLiteral("1010"), link), QStringLiteral("/pub/004_1010.htm"));
    // Not a page number: nothing is read, the text is named as it stands.
    link = 0;
    QCOMPARE(h.HsFName2(QString(), QStringLiteral("1' Or '1'='1"), link), QStringLiteral("/pub/1' Or '1'='1.htm"));
}

QTEST_MAIN(TstConverter)
#include "tst_converter.moc"

// The converter on hand-written pieces of the editor's dialect, pass by pass, and on pages built in
// the test through the dialect writer into finished pages of every document type, which the W3C
// DTDs (xmllint) and tidy must accept.
#include "platform/richtext/HtmlExport.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/TextProps.h"
#include "publish/converter/yHtm.h"
#include "support/SamplePage.h"
#include "support/TestImages.h"

#include <QProcess>
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

QString readUtf8(const QString &file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    QByteArray b = f.readAll();
    if (b.startsWith("\xEF\xBB\xBF"))
        b.remove(0, 3);
    return QString::fromUtf8(b);
}

// Runs a checker; the message holds its complaints.
bool check(const QString &program, const QStringList &args, QString &message, int worstAccepted)
{
    if (QStandardPaths::findExecutable(program).isEmpty()) {
        message = program + QStringLiteral(" is missing (make test installs it)");
        return false;
    }
    QProcess p;
    p.start(program, args);
    p.waitForFinished(60000);
    message = QString::fromUtf8(p.readAllStandardError() + p.readAllStandardOutput());
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() <= worstAccepted;
}

// XHTML against its DTD from the local catalog; HTML 4.01 through tidy without errors.
void validate(const QString &file, int type)
{
    QString message;
    bool ok;
    if (type >= 2)
        ok = check(QStringLiteral("xmllint"), {QStringLiteral("--valid"), QStringLiteral("--nonet"),
                                               QStringLiteral("--noout"), file}, message, 0);
    else
        ok = check(QStringLiteral("tidy"), {QStringLiteral("-errors"), QStringLiteral("-q"), file}, message, 1);
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
    void exporterDialect();
    void finishedPagesValidate_data();
    void finishedPagesValidate();
    void epubPageMovesPictures();
    void siteFragment();
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
    QTest::newRow("tooltip colour") << "hex" << "" << "" << "804040";
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
        result = yHtm::ColorToHex(0x404080);
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
    h.setContext(context());
    QString t = root + QStringLiteral("site/db/lnk/x.pdf");
    h.MakeRelative(root + QStringLiteral("site/db/pub/"), t);
    QCOMPARE(t, QStringLiteral("../lnk/x.pdf"));
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

QTEST_MAIN(TstConverter)
#include "tst_converter.moc"

// Word documents of many pages from the main window: the range output from the document output dialog
// (read back from the package and by pandoc), the backup of every page, and the mail of the page.
#include "MainFixture.h"
#include "output/word/sbExpDc.h"
#include "platform/docx/ZipPackage.h"
#include "platform/richtext/PageCodec.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/RichTextEdit.h"
#include "platform/richtext/TextProps.h"
#include "support/DamagedDb.h"
#include "support/PandocText.h"
#include "support/RecordingLauncher.h"
#include "support/TestHome.h"
#include "tree/uTrX.h"

#include <QAbstractButton>
#include <QAction>
#include <QBuffer>
#include <QButtonGroup>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTextCursor>

namespace {

// A page of a heading paragraph and a body line; with a picture when asked.
QByteArray pageBytes(const QString &heading, const QString &body, bool picture = false)
{
    PageDocument page;
    QTextCursor cursor(page.main());
    QTextBlockFormat head;
    head.setProperty(TextProps::BlockStyle, 0);
    cursor.setBlockFormat(head);
    cursor.insertText(heading);
    cursor.insertBlock(QTextBlockFormat());
    cursor.insertText(body);
    if (picture) {
        QImage image(8, 8, QImage::Format_RGB32);
        image.fill(Qt::red);
        QByteArray png;
        QBuffer buffer(&png);
        image.save(&buffer, "PNG");
        QTextImageFormat format;
        format.setName(page.addPicture(png));
        format.setWidth(8);
        format.setHeight(8);
        PageDocument::insertPicture(cursor, format);
    }
    return PageCodec::save(page);
}

// A page of a heading in user style `style` and a body line, with tag and link fields and a script frame.
QByteArray linkedPage(int style, const QString &heading, const QString &body, const QStringList &fields = {},
                      const QString &frameText = QString())
{
    PageDocument page;
    RichTextEdit edit(&page);
    QTextCursor cursor(page.main());
    QTextBlockFormat head;
    head.setProperty(TextProps::BlockStyle, style);
    cursor.setBlockFormat(head);
    cursor.insertText(heading);
    cursor.insertBlock(QTextBlockFormat());
    cursor.insertText(body);
    for (const QString &data : fields) {
        edit.setSelStart(edit.textLength());
        edit.typeText(QStringLiteral(" "));
        edit.setSelStart(edit.textLength());
        edit.insertField(QStringLiteral("〔") + data.section(u'_', -1) + QStringLiteral("〕"));
        edit.setFieldType(data.startsWith(QLatin1String("TG_")) ? 2 : 1);
        edit.setFieldData(data);
    }
    if (!frameText.isEmpty()) {
        edit.setSelStart(edit.textLength());
        const int id = edit.insertTextFrame(RichTextEdit::frameArgs({100, 100, 100, 100, 2, 1000, 5000, 0, 0, 1, -1}));
        if (id > 0 && edit.selectFrame(id)) {
            edit.setText(frameText);
            edit.selectFrame(0);
        }
    }
    return PageCodec::save(page);
}

QStringList matches(const QString &text, const QString &pattern)
{
    QStringList found;
    for (const auto &m : QRegularExpression(pattern).globalMatch(text))
        found << m.captured(1);
    return found;
}

struct Package {
    ZipPackage zip;
    QString document;
    QStringList headers; // texts of the header parts in the order they were written
    QString footers;
    bool load(const QString &path)
    {
        QFile file(path);
        QByteArray body;
        if (!file.open(QIODevice::ReadOnly) || !zip.open(file.readAll()) || !zip.read(QStringLiteral("word/document.xml"), body))
            return false;
        document = QString::fromUtf8(body);
        for (int n = 1; n < 20; ++n) {
            QByteArray part;
            if (zip.read(QStringLiteral("word/header%1.xml").arg(n), part))
                headers << QString::fromUtf8(part);
            if (zip.read(QStringLiteral("word/footer%1.xml").arg(n), part))
                footers += QString::fromUtf8(part);
        }
        return true;
    }
};


} // namespace

class TestWordOutput : public QObject
{
    Q_OBJECT
private slots:
    void rangeOutputs();
    void linksAndContents();
    void backupAndMail();
    void backupOfADamagedDatabase();
    void fileNoProgramOpensIsTold_data();
    void fileNoProgramOpensIsTold();
};

// 1001 holds 1002 (holding 1005), 1003 (with a picture) and 1006 (no document but its plain text, placed
// without a title).
void TestWordOutput::rangeOutputs()
{
    MainFixture f;
    RecordingLauncher launcher;
    Usr::st().workFolder = Usr::st().userData + QStringLiteral("Wrk/");
    const QString path = f.database(QStringLiteral("Word.txdb"));
    QVERIFY(zSvr::instance().D_StDcDb(path));
    const struct { int parent, child, sort; const char *title; } tree[] = {
        {0, 1001, 0, "序章"}, {1001, 1002, 0, "一節"}, {1002, 1005, 0, "小節"}, {1001, 1003, 1, "二節"}, {1001, 1006, 2, ""}};
    for (const auto &t : tree) {
        const QString title = QString::fromUtf8(t.title);
        QVERIFY(f.page(t.child, title, title) && f.place(t.parent, t.child, t.sort, title));
        QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Update msDoc Set obDoc = ? Where noDoc = ?"),
                                         {t.child == 1006 ? QVariant(QMetaType(QMetaType::QByteArray))
                                                          : QVariant(pageBytes(QStringLiteral("見出%1").arg(t.child),
                                                                               QStringLiteral("本文%1").arg(t.child),
                                                                               t.child == 1003)),
                                          t.child}));
    }
    // A page stored without a document is written with its plain text, as the editor shows it.
    QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Update msDoc Set txDoc = ? Where noDoc = 1006"),
                                     {QStringLiteral("平文1006")}));
    zSvr::instance().D_Close();
    f.window->SetDBNo(path, 0);
    f.window->show();
    const QString out = Usr::st().workFolder + QStringLiteral("Word.docx");

    auto output = [&](int mode) {
        f.window->tree().SetLeaf(QStringLiteral("1001"));
        sbExpDc::setRunner([mode](sbExpDc &dialog) {
            dialog.forms()->button(mode)->click();
            dialog.ranges()->button(2)->click();
            return true;
        });
        launcher.calls.clear();
        QFile::remove(out);
        f.window->item(QStringLiteral("mnRet"), 2)->trigger();
        sbExpDc::setRunner(nullptr);
    };

    // Headers per page: a section each, the header holding the heading, the first right-aligned in 9 pt.
    output(1);
    QCOMPARE(launcher.lastCommand(), QStringList({QStringLiteral("xdg-open"), out}));
    QVERIFY(!Usr::st().busy);
    Package one;
    QVERIFY(one.load(out));
    QCOMPARE(matches(one.document, QStringLiteral("w:name=\"(TG_\\d+)\"")),
             QStringList({"TG_1001", "TG_1002", "TG_1005", "TG_1003", "TG_1006"}));
    QVERIFY(one.document.contains(QStringLiteral("平文1006")));
    QCOMPARE(one.document.count(QStringLiteral("<w:sectPr")), 5);
    QCOMPARE(one.document.count(QStringLiteral("w:headerReference")), 5);
    QCOMPARE(one.headers.size(), 5);
    QVERIFY(one.headers[0].contains(QStringLiteral(">序章<")) && one.headers[0].contains(QStringLiteral("w:jc w:val=\"right\""))
            && one.headers[0].contains(QStringLiteral("w:sz w:val=\"18\"")));
    QVERIFY(one.headers[1].contains(QStringLiteral(">１ 一節<")) && !one.headers[1].contains(QStringLiteral("right")));
    QVERIFY(one.headers[2].contains(QStringLiteral(">１－１ 小節<")));
    QVERIFY(one.headers[3].contains(QStringLiteral(">２ 二節<")));
    QCOMPARE(one.document.count(QStringLiteral("w:footerReference")), 1);
    QVERIFY(one.footers.contains(QStringLiteral(" PAGE ")) && one.footers.contains(QStringLiteral("w:jc w:val=\"right\"")));
    QVERIFY(one.document.contains(QStringLiteral("<w:drawing")));
    QVERIFY(!one.document.contains(QStringLiteral("w:type=\"page\"")));

    // No pictures: the same without the drawing; the text stays.
    output(3);
    Package three;
    QVERIFY(three.load(out));
    QVERIFY(!three.document.contains(QStringLiteral("<w:drawing")));
    QVERIFY(three.document.contains(QStringLiteral("本文1003")));
    QCOMPARE(three.headers.size(), 5);

    // Outline: contents first, headings by depth, a page break between pages, one section.
    output(2);
    Package two;
    QVERIFY(two.load(out));
    QVERIFY2(two.document.contains(QStringLiteral(" TOC \\o &quot;1-3&quot;")), qPrintable(two.document.left(3000)));
    QCOMPARE(two.document.count(QStringLiteral("<w:sectPr")), 1);
    QCOMPARE(two.headers.size(), 0);
    QCOMPARE(two.document.count(QStringLiteral("w:type=\"page\"")), 5); // after the contents, after each page but the last
    // Headings by depth: each page's own headings one level below its place in the outline.
    QStringList headings;
    for (const auto &m : QRegularExpression(QStringLiteral("<w:p><w:pPr><w:pStyle w:val=\"Heading(\\d)\"/>(?:(?!</w:p>).)*?"
                                                           "<w:t[^>]*>([^<]*)<"))
                             .globalMatch(two.document))
        headings << m.captured(1) + u':' + m.captured(2);
    QCOMPARE(headings.join(u'|'), QStringLiteral("1:序章|2:見出1001|2:１ 一節|3:見出1002|3:１－１ 小節|4:見出1005|2:２ 二節|"
                                                 "3:見出1003"));
    QByteArray styleXml;
    QVERIFY(two.zip.read(QStringLiteral("word/styles.xml"), styleXml) && styleXml.contains("w:outlineLvl"));
    // An independent reader finds every page's heading in order.
    const QString text = pandocText(out);
    qsizetype at = 0;
    for (const QString &expected : {QStringLiteral("序章"), QStringLiteral("見出1001"), QStringLiteral("１ 一節"),
                                    QStringLiteral("見出1002"), QStringLiteral("１－１ 小節"), QStringLiteral("見出1005"),
                                    QStringLiteral("２ 二節"), QStringLiteral("見出1003")}) {
        at = text.indexOf(expected, at);
        QVERIFY2(at >= 0, qPrintable(expected + QStringLiteral(" in ") + text));
    }

    // A page whose bytes are damaged: nothing opened, busy cleared, the failure named, the page kept.
    QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Update msDoc Set obDoc = ? Where noDoc = ?"),
                                     {QByteArray("damaged"), 1003}));
    const QString shown = f.window->editor().GetObj()->text();
    f.prompt.messages.clear();
    output(1);
    QVERIFY(launcher.calls.isEmpty());
    QVERIFY(!QFile::exists(out));
    QVERIFY(!Usr::st().busy);
    QCOMPARE(f.prompt.messages.size(), 1);
    QVERIFY2(f.prompt.messages[0].contains(QStringLiteral("ﾍﾟｰｼﾞ 1003 を読めません")), qPrintable(f.prompt.messages[0]));
    QCOMPARE(f.window->editor().GetObj()->text(), shown);
}

// 1001 links to its child 1002 (a tag and a link-placement tag to 1003), to 2000 outside the range,
// to a web page, and holds a script frame; 1002 holds 1003; each has a heading of its own.
void TestWordOutput::linksAndContents()
{
    MainFixture f;
    RecordingLauncher launcher;
    Usr::st().workFolder = Usr::st().userData + QStringLiteral("Wrk/");
    const QString path = f.database(QStringLiteral("Links.txdb"));
    QVERIFY(zSvr::instance().D_StDcDb(path));
    const struct { int parent, child, sort; const char *title; } tree[] = {
        {0, 1001, 0, "序"}, {1001, 1002, 0, "一"}, {1002, 1003, 0, "二"}, {0, 2000, 1, "外"}};
    for (const auto &t : tree) {
        const QString title = QString::fromUtf8(t.title);
        QVERIFY(f.page(t.child, title, title) && f.place(t.parent, t.child, t.sort, title));
    }
    const QByteArray pages[] = {
        linkedPage(3, QStringLiteral("序の本文"), QStringLiteral("本文1001"),
                   {QStringLiteral("TG_1002"), QStringLiteral("TG_9000_1003"), QStringLiteral("TG_2000"),
                    QStringLiteral("https://example.org/")},
                   QStringLiteral("[Script:1]") + QChar(11) + QStringLiteral("alert(1)")),
        linkedPage(0, QStringLiteral("見出1002"), QStringLiteral("本文1002")),
        linkedPage(1, QStringLiteral("小見出1003"), QStringLiteral("本文1003"))};
    for (int k = 0; k < 3; ++k)
        QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Update msDoc Set obDoc = ? Where noDoc = ?"), {pages[k], 1001 + k}));
    zSvr::instance().D_Close();
    f.window->SetDBNo(path, 0);
    f.window->show();
    const QString out = Usr::st().workFolder + QStringLiteral("Links.docx");
    auto output = [&](int mode, int range) {
        f.window->tree().SetLeaf(QStringLiteral("1001"));
        sbExpDc::setRunner([mode, range](sbExpDc &dialog) {
            dialog.forms()->button(mode)->click();
            dialog.ranges()->button(range)->click();
            return true;
        });
        QFile::remove(out);
        f.window->item(QStringLiteral("mnRet"), 2)->trigger();
        sbExpDc::setRunner(nullptr);
    };

    // Tags into the range lead to their pages' bookmarks; the tag out of it is plain text without a
    // published site; the web link stays; the script frame is gone.
    output(1, 2);
    Package one;
    QVERIFY(one.load(out));
    QCOMPARE(matches(one.document, QStringLiteral("w:anchor=\"([^\"]+)\"")), QStringList({"TG_1002", "TG_1003"}));
    QVERIFY(one.document.contains(QStringLiteral("〔2000〕")));
    QCOMPARE(one.document.count(QStringLiteral("<w:hyperlink")), 3);
    QByteArray rels;
    QVERIFY(one.zip.read(QStringLiteral("word/_rels/document.xml.rels"), rels) && rels.contains("https://example.org/"));
    QVERIFY(!one.document.contains(QStringLiteral("[Script:")) && !one.document.contains(QStringLiteral("alert(1)")));

    // One level with a published site: the child's own children are linked through the site.
    QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Update kaUsr Set HiHome = 1, HsHome1 = 'https://site.example/'")));
    output(1, 1);
    Package site;
    QVERIFY(site.load(out));
    QVERIFY(site.zip.read(QStringLiteral("word/_rels/document.xml.rels"), rels));
    QVERIFY2(rels.contains("https://site.example/"), rels.constData());
    QVERIFY2(site.document.contains(QStringLiteral(">二<")), qPrintable(site.document));
    QCOMPARE(site.document.count(QStringLiteral("・")), 1);
    QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Update kaUsr Set HiHome = 0")));

    // The outline: the pages' own headings stand below their page's heading, and the contents carry
    // the entries before any page.
    output(2, 2);
    Package two;
    QVERIFY(two.load(out));
    const QStringList levels = matches(
        two.document, QStringLiteral("<w:pStyle w:val=\"Heading(\\d)\"/>(?:(?!</w:p>).)*?(?:序|一|見出1002|二|小見出1003)<"));
    QCOMPARE(levels, QStringList({"1", "2", "3", "3", "5"}));
    QCOMPARE(matches(two.document, QStringLiteral("<w:pStyle w:val=\"TOC(\\d)\"/>")), QStringList({"1", "2", "3", "3"}));
    const QString text = pandocText(out);
    const qsizetype firstPage = text.indexOf(QStringLiteral("本文1001"));
    QVERIFY2(firstPage > 0, qPrintable(text));
    for (const QString &entry : {QStringLiteral("１ 一"), QStringLiteral("見出1002"), QStringLiteral("１－１ 二")}) {
        const qsizetype at = text.indexOf(entry);
        QVERIFY2(at >= 0 && at < firstPage, qPrintable(entry + QStringLiteral(" in ") + text));
    }
}

void TestWordOutput::backupAndMail()
{
    MainFixture f;
    RecordingLauncher launcher;
    Usr::st().workFolder = Usr::st().userData + QStringLiteral("Wrk/");
    const QString path = f.database(QStringLiteral("Bak.txdb"));
    QVERIFY(zSvr::instance().D_StDcDb(path));
    const QString heading = QStringLiteral("あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほ"); // 30
    for (int no : {1001, 1005, 12345, 1007}) {
        QVERIFY(f.page(no, QStringLiteral("p%1").arg(no), QStringLiteral("t")) && f.place(0, no, no, QStringLiteral("p%1").arg(no)));
        QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Update msDoc Set obDoc = ? Where noDoc = ?"),
                                         {no == 1007 ? QVariant(QMetaType(QMetaType::QByteArray))
                                                     : QVariant(pageBytes(heading, QStringLiteral("本文%1").arg(no))),
                                          no}));
    }
    zSvr::instance().D_Close();
    f.window->SetDBNo(path, 0);
    f.window->show();
    const QString folder = Usr::st().userData + QStringLiteral("Dbs/Bak_Doc/");

    // Cancelled: nothing written.
    f.prompt.answers << Prompt::Cancel;
    f.window->item(QStringLiteral("mnRet"), 10)->trigger();
    QVERIFY(!QFile::exists(folder));

    // Twice: the same files, the completion each time; no file for the page without a document.
    for (int run = 0; run < 2; ++run) {
        f.prompt.messages.clear();
        f.prompt.answers << Prompt::Ok;
        f.window->item(QStringLiteral("mnRet"), 10)->trigger();
        QCOMPARE(f.prompt.messages.value(1), QStringLiteral("ﾜｰﾄﾞで一括ﾊﾞｯｸｱｯﾌﾟを完了しました"));
        QVERIFY(f.prompt.messages[0].contains(QStringLiteral("(出力先:") + folder.chopped(1) + u')'));
        QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList({"1001.docx", "1005.docx", "12345.docx"}));
    }
    QVERIFY(pandocText(folder + QStringLiteral("1005.docx")).contains(QStringLiteral("本文1005")));

    // Damaged bytes half-way: the pages before are written, the failure named, busy cleared.
    QVERIFY(QDir(folder).removeRecursively());
    QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Update msDoc Set obDoc = ? Where noDoc = ?"), {QByteArray("x"), 1005}));
    f.prompt.messages.clear();
    f.prompt.answers << Prompt::Ok;
    f.window->item(QStringLiteral("mnRet"), 10)->trigger();
    QVERIFY(!Usr::st().busy);
    QVERIFY2(f.prompt.messages.value(1).contains(QStringLiteral("ﾍﾟｰｼﾞ 1005 を読めません")), qPrintable(f.prompt.messages.join(u'|')));
    QVERIFY(!f.prompt.messages.value(1).contains(QStringLiteral("完了")));
    QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList({"1001.docx"}));

    // Mail of page 1001: subject cut to 25 characters, the attachment by the choice.
    f.window->tree().SetLeaf(QStringLiteral("1001"));
    QTRY_COMPARE(f.window->nDocNo, 1001);
    // The test editor's pages hold their text alone: give it the page with its heading.
    QVERIFY(PageCodec::load(*f.window->editor().GetObj()->page(), pageBytes(heading, QStringLiteral("本文1001"))));
    const QString work = Usr::st().workFolder;
    const QStringList attachments{work + QStringLiteral("1001.pdf"), work + QStringLiteral("1001.docx"), QString()};
    for (int index = 0; index < 3; ++index) {
        launcher.calls.clear();
        QFile::remove(attachments[index]);
        f.window->item(QStringLiteral("mnMail"), index)->trigger();
        QCOMPARE(launcher.calls.size(), 1);
        const QStringList args = launcher.calls[0].arguments;
        QCOMPARE(launcher.calls[0].program, QStringLiteral("xdg-email"));
        QCOMPARE(args.value(args.indexOf(QStringLiteral("--subject")) + 1), heading.left(25));
        QVERIFY(args.value(args.indexOf(QStringLiteral("--body")) + 1).contains(QStringLiteral("本文1001")));
        if (attachments[index].isEmpty()) {
            QVERIFY(!args.contains(QStringLiteral("--attach")));
        } else {
            QCOMPARE(args.value(args.indexOf(QStringLiteral("--attach")) + 1), attachments[index]);
            QVERIFY(QFileInfo(attachments[index]).size() > 0);
        }
        // The texts go as UTF-8 whatever the locale.
        QCOMPARE(args.value(0), QStringLiteral("--utf8"));
    }
    // The subject is cut at 25 characters as a reader counts them: an emoji is never split.
    const QString emoji = QString(24, QChar(0x3042)) + QStringLiteral("😀いう");
    QVERIFY(PageCodec::load(*f.window->editor().GetObj()->page(), pageBytes(emoji, QStringLiteral("本文"))));
    launcher.calls.clear();
    f.window->item(QStringLiteral("mnMail"), 2)->trigger();
    QCOMPARE(launcher.calls.size(), 1);
    const QStringList args = launcher.calls[0].arguments;
    QCOMPARE(args.value(args.indexOf(QStringLiteral("--subject")) + 1), emoji.left(26));

    // xdg-email is waited for; its failures are told in words that fit them, its success is silent.
    struct Refusal {
        int code;
        QString text;
    };
    for (const Refusal &r : {Refusal{0, QString()}, Refusal{Launcher::StillRunning, QString()},
                             Refusal{3, QStringLiteral("ﾒｰﾙｿﾌﾄが見つかりません｡ﾃﾞｽｸﾄｯﾌﾟの設定で既定のﾒｰﾙｿﾌﾄを指定して下さい\n(xdg-email の終了ｺｰﾄﾞ 3)")},
                             Refusal{-1, QStringLiteral("ﾒｰﾙｿﾌﾄを起動できません｡xdg-email (xdg-utils) がｲﾝｽﾄｰﾙされているかﾁｪｯｸして下さい")}}) {
        launcher.calls.clear();
        launcher.runResults << r.code;
        f.prompt.messages.clear();
        f.window->item(QStringLiteral("mnMail"), 0)->trigger();
        QCOMPARE(launcher.calls.size(), 1);
        QVERIFY(!launcher.calls[0].detached);
        QCOMPARE(launcher.calls[0].timeoutMs, Launcher::MailWaitMs);
        QCOMPARE(f.prompt.messages, r.text.isEmpty() ? QStringList() : QStringList{r.text});
        QVERIFY(!Usr::st().busy);
    }
    // A text too long for the command line goes as the attachment alone, the body saying so: the
    // page's own copy, or the text as a file of its own.
    const QString longText = QString(60000, QChar(0x6587)) + QStringLiteral("\n終わり");
    QVERIFY(PageCodec::load(*f.window->editor().GetObj()->page(), pageBytes(heading, longText)));
    for (int index = 0; index < 3; ++index) {
        launcher.calls.clear();
        f.prompt.messages.clear();
        f.window->item(QStringLiteral("mnMail"), index)->trigger();
        QCOMPARE(launcher.calls.size(), 1);
        const QStringList args = launcher.calls[0].arguments;
        const QString file = index < 2 ? attachments[index] : work + QStringLiteral("1001.txt");
        QCOMPARE(args.value(args.indexOf(QStringLiteral("--attach")) + 1), file);
        QCOMPARE(args.value(args.indexOf(QStringLiteral("--body")) + 1),
                 QStringLiteral("本文が長いため､添付ﾌｧｲﾙ %1 をご覧下さい").arg(QFileInfo(file).fileName()));
        QVERIFY(f.prompt.messages.isEmpty());
    }
    QFile text(work + QStringLiteral("1001.txt"));
    QVERIFY(text.open(QIODevice::ReadOnly));
    const QString written = QString::fromUtf8(text.readAll());
    QVERIFY(written.contains(QString(60000, QChar(0x6587))) && written.contains(QStringLiteral("終わり")));
    // The attached text keeps the CR LF of mail, once a line.
    QVERIFY(written.contains(QStringLiteral("\r\n終わり")) && !written.contains(QStringLiteral("\r\r")));

    // The Word copy of the page: a copy that cannot be written and a copy that cannot be opened say so.
    const QString copy = work + QStringLiteral("Temp.docx");
    launcher.calls.clear();
    launcher.runResults << -1;
    f.prompt.messages.clear();
    f.window->item(QStringLiteral("mnFile"), 7)->trigger();
    QCOMPARE(launcher.lastCommand(), QStringList({QStringLiteral("xdg-open"), copy}));
    QCOMPARE(f.prompt.messages, QStringList{QStringLiteral("ﾌｧｲﾙ: ") + copy
                                            + QStringLiteral(" を開けません｡\nxdg-open (xdg-utils) を起動できません｡ｲﾝｽﾄｰﾙされているかﾁｪｯｸして下さい")});
    QVERIFY(QDir(work).removeRecursively());
    QVERIFY(TestHome::write(work.chopped(1), "not a folder"));
    launcher.calls.clear();
    f.prompt.messages.clear();
    f.window->item(QStringLiteral("mnFile"), 7)->trigger();
    QVERIFY(launcher.calls.isEmpty());
    QCOMPARE(f.prompt.messages, QStringList{QStringLiteral("ﾌｧｲﾙ: ") + copy + QStringLiteral(" を開けません｡")});
}

void TestWordOutput::fileNoProgramOpensIsTold_data()
{
    QTest::addColumn<int>("command"); // 0 Word output of a range, 1 the Word copy of the page (Ctrl+F3)
    QTest::addColumn<int>("answer");  // xdg-open's exit code
    QTest::addColumn<QString>("why");
    QTest::newRow("Word output, no program for it") << 0 << 3
                                                    << "開くﾌﾟﾛｸﾞﾗﾑが見つかりません｡ﾃﾞｽｸﾄｯﾌﾟの設定で既定のﾌﾟﾛｸﾞﾗﾑを指定して下さい";
    QTest::newRow("Word output, program failed") << 0 << 4 << "既定のﾌﾟﾛｸﾞﾗﾑが開けませんでした";
    QTest::newRow("Word copy, no program for it") << 1 << 3
                                                  << "開くﾌﾟﾛｸﾞﾗﾑが見つかりません｡ﾃﾞｽｸﾄｯﾌﾟの設定で既定のﾌﾟﾛｸﾞﾗﾑを指定して下さい";
}

// The written file that the desktop has no program for (or whose program fails) is told, with where
// it lies: the user finds the output.
void TestWordOutput::fileNoProgramOpensIsTold()
{
    QFETCH(int, command);
    QFETCH(int, answer);
    QFETCH(QString, why);
    MainFixture f;
    RecordingLauncher launcher;
    Usr::st().workFolder = Usr::st().userData + QStringLiteral("Wrk/");
    const QString path = f.database(QStringLiteral("Open.txdb"));
    QVERIFY(zSvr::instance().D_StDcDb(path));
    QVERIFY(f.page(1001, QStringLiteral("序章"), QStringLiteral("序章")) && f.place(0, 1001, 0, QStringLiteral("序章")));
    QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Update msDoc Set obDoc = ? Where noDoc = 1001"),
                                     {pageBytes(QStringLiteral("見出"), QStringLiteral("本文"))}));
    zSvr::instance().D_Close();
    f.window->SetDBNo(path, 0);
    f.window->show();
    f.window->tree().SetLeaf(QStringLiteral("1001"));
    QTRY_COMPARE(f.window->nDocNo, 1001);
    QVERIFY(PageCodec::load(*f.window->editor().GetObj()->page(), pageBytes(QStringLiteral("見出"), QStringLiteral("本文"))));
    launcher.runResults << answer;
    f.prompt.messages.clear();
    QString file;
    if (command == 0) {
        file = Usr::st().workFolder + QStringLiteral("Open.docx");
        sbExpDc::setRunner([](sbExpDc &dialog) {
            dialog.forms()->button(1)->click();
            dialog.ranges()->button(2)->click();
            return true;
        });
        f.window->item(QStringLiteral("mnRet"), 2)->trigger();
        sbExpDc::setRunner(nullptr);
    } else {
        file = Usr::st().workFolder + QStringLiteral("Temp.docx");
        f.window->item(QStringLiteral("mnFile"), 7)->trigger();
    }
    QVERIFY(QFileInfo(file).size() > 0);
    QCOMPARE(launcher.lastCommand(), QStringList({QStringLiteral("xdg-open"), file}));
    QCOMPARE(f.prompt.messages, QStringList{QStringLiteral("ﾌｧｲﾙ: ") + file + QStringLiteral(" を開けません｡\n") + why
                                            + QStringLiteral("\n(xdg-open の終了ｺｰﾄﾞ %1)").arg(answer)});
    QVERIFY(!Usr::st().busy);
}

QTEST_MAIN(TestWordOutput)
void TestWordOutput::backupOfADamagedDatabase()
{
    // One page a row of the table, the middle one damaged as a failing disk would: no completion.
    MainFixture f;
    const QString path = f.database(QStringLiteral("Bad.txdb"));
    QVERIFY(zSvr::instance().D_StDcDb(path));
    for (int no = 1001; no <= 1012; ++no) {
        QVERIFY(f.page(no, QStringLiteral("p%1").arg(no), QStringLiteral("t")) && f.place(0, no, no, QStringLiteral("p%1").arg(no)));
        QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Update msDoc Set obDoc = ? Where noDoc = ?"),
                                         {pageBytes(QStringLiteral("見出し"), QString(1500, QChar(u'字'))), no}));
    }
    zSvr::instance().D_Close();
    QVERIFY(DamagedDb::damage(path, QStringLiteral("msDoc"), QStringLiteral("leaf")));
    f.window->SetDBNo(path, 0);
    f.window->show();
    f.prompt.messages.clear();
    f.prompt.answers << Prompt::Ok;
    f.window->item(QStringLiteral("mnRet"), 10)->trigger();
    QVERIFY(!Usr::st().busy);
    const QString said = f.prompt.messages.value(f.prompt.messages.size() - 1);
    // The pages before the damage are written, and counted.
    const QString folder = Usr::st().userData + QStringLiteral("Dbs/Bad_Doc/");
    const int written = int(QDir(folder).entryList(QDir::Files).size());
    QVERIFY(written >= 1 && written < 12);
    QCOMPARE(said, path + QStringLiteral(" を読み込めませんでした\nﾌｧｲﾙが壊れています\nﾜｰﾄﾞで一括ﾊﾞｯｸｱｯﾌﾟを中断しました(%1 ﾍﾟｰｼﾞ保存済み)").arg(written));
}

#include "tst_wordoutput.moc"

// Word documents of many pages from the main window: the range output from the document output dialog
// (read back from the package and by pandoc), the backup of every page, and the mail of the page.
#include "MainFixture.h"
#include "output/word/sbExpDc.h"
#include "platform/docx/ZipPackage.h"
#include "platform/richtext/PageCodec.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/TextProps.h"
#include "support/PandocText.h"
#include "support/RecordingLauncher.h"
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
        format.setName(page.addPicture(png, "png"));
        format.setWidth(8);
        format.setHeight(8);
        PageDocument::insertPicture(cursor, format);
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
    void backupAndMail();
};

// 1001 holds 1002 (holding 1005), 1003 (with a picture) and 1006 (no document, placed without a title).
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
             QStringList({"TG_1001", "TG_1002", "TG_1005", "TG_1003"}));
    QCOMPARE(one.document.count(QStringLiteral("<w:sectPr")), 4);
    QCOMPARE(one.document.count(QStringLiteral("w:headerReference")), 4);
    QCOMPARE(one.headers.size(), 4);
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
    QCOMPARE(three.headers.size(), 4);

    // Outline: contents first, headings by depth, a page break between pages, one section.
    output(2);
    Package two;
    QVERIFY(two.load(out));
    QVERIFY2(two.document.contains(QStringLiteral(" TOC \\o &quot;1-3&quot;")), qPrintable(two.document.left(3000)));
    QCOMPARE(two.document.count(QStringLiteral("<w:sectPr")), 1);
    QCOMPARE(two.headers.size(), 0);
    QCOMPARE(two.document.count(QStringLiteral("w:type=\"page\"")), 5); // after the contents, after each page but the last
    const QString headings = matches(two.document, QStringLiteral("<w:pStyle w:val=\"Heading\\d\"/></w:pPr><w:r>.*?<w:t[^>]*>([^<]*)<"))
                                 .join(u'|');
    QVERIFY2(headings.startsWith(QStringLiteral("序章|１ 一節|１－１ 小節|２ 二節")), qPrintable(headings));
    QVERIFY(two.document.contains(QStringLiteral("<w:pStyle w:val=\"Heading3\"/></w:pPr><w:r>")));
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
    }
}

QTEST_MAIN(TestWordOutput)
#include "tst_wordoutput.moc"

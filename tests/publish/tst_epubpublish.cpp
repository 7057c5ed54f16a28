#include "core/Frmt.h"
#include "core/TemplateDb.h"
#include "core/Usr.h"
#include "core/sbWait.h"
#include "core/zClt.h"
#include "core/zSvr.h"
#include "platform/richtext/PageCodec.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/RichTextEdit.h"
#include "publish/epub/sbEpub.h"
#include "publish/epub/yEpub.h"
#include "support/EpubCheck.h"
#include "support/FileSizeLimit.h"
#include "support/RecordingLauncher.h"
#include "support/SampleDb.h"
#include "support/SamplePage.h"
#include "support/ScriptedPrompt.h"
#include "support/TestHome.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QTextCursor>
#include <QXmlStreamReader>
#include <QtTest>

#include <zip.h>

namespace
{
// A page document with one paragraph and, when `tag` is set, a tag link to that page.
QByteArray pageBytes(const QString &text, qint64 tag = 0)
{
    PageDocument doc;
    QTextCursor(doc.main()).insertText(text);
    if (tag) {
        RichTextEdit e(&doc);
        e.setSelStart(e.text().size());
        const int id = e.insertField(QStringLiteral("see ") + QString::number(tag));
        e.setCurrentField(id);
        e.setFieldType(2);
        e.setFieldData(QStringLiteral("TG_") + QString::number(tag));
    }
    return PageCodec::save(doc);
}

bool addPage(qint64 no, const QString &title, const QVariant &bytes, const QString &text = QString())
{
    return zSvr::instance().D_ExeSq(
        QStringLiteral("Insert Into msDoc (noDoc, szDoc, txDoc, obDoc) Values (?, ?, ?, ?)"),
        {no, title, text, bytes});
}

bool place(qint64 parent, qint64 child, int order, const QString &title, int link = 0, int hide = 0)
{
    return zSvr::instance().D_ExeSq(
        QStringLiteral("Insert Into tbTree (noLfP, noLfC, inSrt, szDoc, boLnk, boHide) Values (?, ?, ?, ?, ?, ?)"),
        {parent, child, order, title, link, hide});
}

QByteArray entry(const QString &book, const QString &name, int *method = nullptr, int *index = nullptr)
{
    int err = 0;
    zip_t *za = zip_open(QFile::encodeName(book).constData(), ZIP_RDONLY, &err);
    if (!za)
        return QByteArray();
    QByteArray data;
    zip_stat_t st;
    if (zip_stat(za, name.toUtf8().constData(), 0, &st) == 0) {
        if (method)
            *method = st.comp_method;
        if (index)
            *index = int(st.index);
        zip_file_t *f = zip_fopen_index(za, st.index, 0);
        data.resize(qsizetype(st.size));
        if (f && zip_fread(f, data.data(), st.size) != zip_int64_t(st.size))
            data.clear();
        if (f)
            zip_fclose(f);
    }
    zip_close(za);
    return data;
}

// Every XHTML, OPF and NCX file of the work folder is well-formed XML.
QString malformed(const QString &folder)
{
    QDir dir(folder);
    for (const QString &name : dir.entryList({QStringLiteral("*.xhtml"), QStringLiteral("*.opf"), QStringLiteral("*.ncx")},
                                             QDir::Files)) {
        QXmlStreamReader xml(TestHome::readAll(dir.filePath(name)));
        while (!xml.atEnd())
            xml.readNext();
        if (xml.hasError())
            return name + QStringLiteral(": ") + xml.errorString();
    }
    return QString();
}
} // namespace

// The EPUB book of the open database from the options to the archive, checked
// by reading the book back and by the EPUB checker.
class tst_EpubPublish : public QObject
{
    Q_OBJECT

private:
    TestHome *m_home = nullptr;
    ScriptedPrompt *m_prompt = nullptr;
    RecordingLauncher *m_launcher = nullptr;

    // The dialog answers: range option `range` (0 all, 1 node, 2 node and below).
    static void answer(int range, const QString &title, const QString &name = QString(), bool folder = false)
    {
        sbEpub::setRunner([=](sbEpub &d) {
            d.SetCell(2, 1, title);
            d.SetCell(2, 2, QStringLiteral("urn:isbn:9784000000000"));
            d.SetCell(2, 3, QStringLiteral("作者 & <co>"));
            d.SetCell(2, 4, QStringLiteral("© 2026 \"all\" rights"));
            d.SetCell(2, 5, QStringLiteral("版元 'ﾃｽﾄ'"));
            d.nameBox()->setText(name);
            d.folderBox()->setChecked(folder);
            d.ranges()->button(range)->setChecked(true);
            d.press(0);
        });
    }

    QString openNew(const QString &name)
    {
        const QString path = m_home->path() + u'/' + name + QStringLiteral(".txdb");
        if (!TemplateDb::create(path) || !zSvr::instance().D_StDcDb(path))
            return QString();
        Usr::st().dbName = name;
        Frmt::LoadFmt();
        Frmt::LoadHome(false);
        return path;
    }

    QString work(const QString &db) const { return Usr::st().userData + QStringLiteral("ePub/") + db; }

    // A tree of ten pages: 1001 and 1002 at the top; 1003 below 1001 with 1004
    // and 1005 below it; 1002 also placed below 1003 (a link placement, which
    // closes a cycle 1002 > 1003 > 1002 through 1001's child 1003 placed below
    // 1002); 1006 hidden below 1001 with 1007 below it; 1008 has no document;
    // 1009 is also visible below 1002.
    void buildTree()
    {
        QVERIFY(addPage(1001, QStringLiteral("Top & <one>"), pageBytes(QStringLiteral("first"), 1007)));
        QVERIFY(addPage(1002, QStringLiteral("Two \"q\" 😀 𠮷\x01"), pageBytes(QStringLiteral("second"), 1003)));
        QVERIFY(addPage(1003, QStringLiteral("Three"), pageBytes(QStringLiteral("third"))));
        QVERIFY(addPage(1004, QStringLiteral("Four"), pageBytes(QStringLiteral("fourth"))));
        QVERIFY(addPage(1005, QStringLiteral("Five"), QByteArray("damaged bytes"), QStringLiteral("five's text")));
        QVERIFY(addPage(1006, QStringLiteral("Hidden"), pageBytes(QStringLiteral("hidden"))));
        QVERIFY(addPage(1007, QStringLiteral("Below hidden"), pageBytes(QStringLiteral("secret"))));
        QVERIFY(addPage(1008, QStringLiteral("No document"), QVariant(QMetaType(QMetaType::QByteArray)),
                        QStringLiteral("plain & <words>\r\nsecond line\x02")));
        QVERIFY(addPage(1009, QStringLiteral("Nine"), pageBytes(QStringLiteral("ninth"))));
        QVERIFY(place(0, 1001, 1, QStringLiteral("Top & <one>")));
        QVERIFY(place(0, 1002, 2, QStringLiteral("Two \"q\" 😀 𠮷\x01")));
        QVERIFY(place(1001, 1003, 1, QStringLiteral("Three")));
        QVERIFY(place(1001, 1006, 2, QStringLiteral("Hidden"), 0, 1));
        QVERIFY(place(1001, 1008, 3, QStringLiteral("No document")));
        QVERIFY(place(1003, 1004, 1, QStringLiteral("Four")));
        QVERIFY(place(1003, 1005, 2, QStringLiteral("Five")));
        QVERIFY(place(1003, 1002, 3, QStringLiteral("Two again"), 1));
        QVERIFY(place(1002, 1003, 1, QStringLiteral("Three again"), 1));
        QVERIFY(place(1006, 1007, 1, QStringLiteral("Below hidden")));
        QVERIFY(place(1002, 1009, 2, QStringLiteral("Nine")));
    }

private slots:
    void init()
    {
        m_home = new TestHome;
        m_prompt = new ScriptedPrompt;
        m_launcher = new RecordingLauncher;
        Usr::st().userData = m_home->path() + u'/';
    }

    void cleanup()
    {
        sbEpub::setRunner(nullptr);
        zSvr::instance().D_Close();
        delete m_launcher;
        delete m_prompt;
        delete m_home;
    }

    // The whole tree with a cycle, a twice-placed page, a hidden subtree, a
    // damaged document and a page without one: every visible page gets one
    // file, the walk ends, and the book passes the checker.
    void wholeTreeBook()
    {
        QVERIFY(!openNew(QStringLiteral("Tree")).isEmpty());
        buildTree();
        // What the page writers of a run that ended abruptly left behind is not packed.
        const QString stale = work(QStringLiteral("Tree")) + QStringLiteral("/OEBPS/.pages-Xy12Ab");
        QVERIFY(QDir().mkpath(stale));
        QFile staleFile(stale + QStringLiteral("/1001.xhtml"));
        QVERIFY(staleFile.open(QIODevice::WriteOnly));
        staleFile.write("<half a page");
        staleFile.close();
        answer(0, QStringLiteral("A & B <c> \"d\" 😀\x07"));
        int iRet = -1;
        yEpub book;
        book.Publish(nullptr, 0, iRet);
        QCOMPARE(iRet, 1);
        const QString file = Usr::st().userData + QStringLiteral("ePub/Tree.epub");
        // The damaged page went in as its plain text, and the user is told so.
        QCOMPARE(m_prompt->messages, QStringList{file + QStringLiteral(" に出力しました\n"
                                                                       "次のﾍﾟｰｼﾞは文書を読めなかったので、ﾃｷｽﾄだけを出力しました\n"
                                                                       "  Five (1005)")});
        QVERIFY(!sbWait::isShown());
        QVERIFY(!Usr::st().busy);

        const QString oebps = work(QStringLiteral("Tree")) + QStringLiteral("/OEBPS");
        QStringList pages = QDir(oebps).entryList({QStringLiteral("*.xhtml")}, QDir::Files, QDir::Name);
        QCOMPARE(pages, (QStringList{"1001.xhtml", "1002.xhtml", "1003.xhtml", "1004.xhtml", "1005.xhtml",
                                     "1008.xhtml", "1009.xhtml"}));
        QCOMPARE(malformed(oebps), QString());
        QCOMPARE(QDir(oebps).entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot), QStringList(QStringLiteral("Images")));
        QVERIFY(entry(file, QStringLiteral("OEBPS/.pages-Xy12Ab/1001.xhtml")).isEmpty());

        const QString plain = zClt::instance().FsGtUtf(oebps + QStringLiteral("/1008.xhtml"));
        QVERIFY2(plain.contains(QStringLiteral("plain &amp; &lt;words&gt;")), qPrintable(plain));
        QVERIFY(plain.contains(QStringLiteral("second line")));
        QVERIFY(zClt::instance().FsGtUtf(oebps + QStringLiteral("/1005.xhtml")).contains(QStringLiteral("five's text")));
        // The tag link to the hidden page has no file to lead to: its text stays.
        const QString first = zClt::instance().FsGtUtf(oebps + QStringLiteral("/1001.xhtml"));
        QVERIFY(first.contains(QStringLiteral("see 1007")));
        QVERIFY(!first.contains(QStringLiteral("1007.xhtml")));
        QVERIFY(zClt::instance().FsGtUtf(oebps + QStringLiteral("/1002.xhtml")).contains(QStringLiteral("1003.xhtml")));
        QVERIFY(zClt::instance().FsGtUtf(oebps + QStringLiteral("/1002.xhtml")).contains(QStringLiteral("<title>Two \"q\" 😀 𠮷</title>"))
                || zClt::instance().FsGtUtf(oebps + QStringLiteral("/1002.xhtml")).contains(QStringLiteral("<title>Two &quot;q&quot; 😀 𠮷</title>")));

        const QString opf = zClt::instance().FsGtUtf(oebps + QStringLiteral("/content.opf"));
        QVERIFY(opf.contains(QStringLiteral("<dc:title>A &amp; B &lt;c&gt; &quot;d&quot; 😀</dc:title>")));
        QVERIFY(opf.contains(QStringLiteral("<dc:rights>© 2026 &quot;all&quot; rights</dc:rights>")));
        QVERIFY(opf.contains(QStringLiteral("<dc:publisher>版元 'ﾃｽﾄ'</dc:publisher>")));
        QVERIFY(opf.contains(QStringLiteral("<dc:creator opf:role=\"aut\">作者 &amp; &lt;co&gt;</dc:creator>")));
        QCOMPARE(opf.count(QStringLiteral("<itemref ")), 7);
        const QString ncx = zClt::instance().FsGtUtf(oebps + QStringLiteral("/toc.ncx"));
        // Each placement has its navigation point; the cycle is listed once each way, not walked again.
        QCOMPARE(ncx.count(QStringLiteral("<navPoint ")), ncx.count(QStringLiteral("</navPoint>")));
        QVERIFY(ncx.contains(QStringLiteral("<navPoint id=\"p1\" playOrder=\"1\">")));
        QVERIFY(ncx.contains(QStringLiteral("<text>Top &amp; &lt;one&gt;</text>")));
        QVERIFY(ncx.contains(QStringLiteral("<text>Two &quot;q&quot; 😀 𠮷</text>")));
        QVERIFY(ncx.contains(QStringLiteral("<text>A &amp; B &lt;c&gt; &quot;d&quot; 😀</text>")));
        QVERIFY(!ncx.contains(QStringLiteral("Hidden")));
        QVERIFY(!ncx.contains(QStringLiteral("Below hidden")));
        QVERIFY(ncx.count(QStringLiteral("<content src=\"1002.xhtml\"/>")) >= 2);

        int method = -1, index = -1;
        QCOMPARE(entry(file, QStringLiteral("mimetype"), &method, &index), QByteArray("application/epub+zip"));
        QCOMPARE(index, 0);
        QCOMPARE(method, int(ZIP_CM_STORE));
        entry(file, QStringLiteral("OEBPS/1001.xhtml"), &method);
        QCOMPARE(method, int(ZIP_CM_DEFLATE));
        QString report;
        QVERIFY2(epubCheck(file, report), qPrintable(report));
    }

    // The whole book has no web address to send a link outside it to, whatever the settings say;
    // the settings stay as they were for the editor and the next run.
    void wholeBookLinksWithoutAddress()
    {
        QVERIFY(!openNew(QStringLiteral("Home")).isEmpty());
        buildTree();
        QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Update kaUsr Set HiHome=1, HsHome1='http://example.com/book/'")));
        Frmt::LoadHome(false);
        QCOMPARE(Frmt::st().homeKind, 1);
        answer(0, QStringLiteral("Home"));
        int iRet = -1;
        yEpub().Publish(nullptr, 0, iRet);
        QCOMPARE(iRet, 1);
        const QString first = zClt::instance().FsGtUtf(work(QStringLiteral("Home")) + QStringLiteral("/OEBPS/1001.xhtml"));
        QVERIFY(first.contains(QStringLiteral("see 1007")));
        QVERIFY2(!first.contains(QStringLiteral("example.com")), qPrintable(first));
        QCOMPARE(Frmt::st().homeKind, 1);
        QCOMPARE(Frmt::st().homeAddress, QStringLiteral("http://example.com/book/"));
    }

    // A database whose values come from someone hostile: script, document and quoted addresses in
    // links, frames and the home address, control and bidirectional characters in titles and text,
    // a script frame, a damaged page. The book of the part below a page passes the checker with
    // neither errors nor warnings, and no script address reaches it.
    void hostileBook_data()
    {
        QTest::addColumn<QString>("home");
        QTest::addColumn<QString>("outside");
        QTest::newRow("quoted home") << QStringLiteral("http://example.com/\"q/") << QStringLiteral("href=\"http://example.com/%22q/1001.htm\"");
        QTest::newRow("script home") << QStringLiteral("javascript:alert('http')//") << QString();
        QTest::newRow("domain beyond ASCII") << QStringLiteral("http://例え.jp/本/") << QStringLiteral("href=\"http://xn--r8jz45g.jp/本/1001.htm\"");
    }

    void hostileBook()
    {
        QFETCH(QString, home);
        QFETCH(QString, outside);
        QVERIFY(!openNew(QStringLiteral("Hostile")).isEmpty());
        const QString evil = QStringLiteral("Evil") + QChar(0x7F) + QChar(0x202E) + QStringLiteral("fdp.exe & <b>\"");
        PageDocument doc;
        QTextCursor c(doc.main());
        c.insertText(QStringLiteral("text ") + QChar(0x7F) + QChar(0x202E) + QChar(0x2066) + QChar(0x85) + QStringLiteral(" end "));
        RichTextEdit e(&doc);
        const QStringList targets = {QStringLiteral("data:text/html,<script>alert(1)</script>"),
                                     QStringLiteral("vbscript:msgbox(1)"), QStringLiteral(" JavaScript:alert('http://x')"),
                                     QStringLiteral("https://example.org/a b\"c<d>"), QStringLiteral("TG_1001"),
                                     QStringLiteral("TG_1004")};
        for (const QString &target : targets) {
            e.setSelStart(e.text().size());
            const int id = e.insertField(QStringLiteral("link ") + QString::number(targets.indexOf(target)) + u' ');
            QVERIFY(e.setCurrentField(id));
            e.setFieldType(target.startsWith(QLatin1String("TG_")) ? 2 : 1);
            e.setFieldData(target);
        }
        QTextCursor end(doc.main());
        end.movePosition(QTextCursor::End);
        SamplePage::insertTextFrame(doc, end, QStringLiteral("[Script:s]<script>\n// greet\ndocument.write(\"hi\")\n</script>"),
                                    0xFEFAFE);
        SamplePage::insertTextFrame(doc, end, QStringLiteral("[Iframe:f]") + QChar(QChar::LineSeparator)
                                                  + QStringLiteral("data:text/html,<script>alert(2)</script>"),
                                    0xFAFEFE);
        SamplePage::insertTextFrame(doc, end, QStringLiteral("[Iframe:g]") + QChar(QChar::LineSeparator)
                                                  + QStringLiteral("vbscript:x"),
                                    0xFAFEFE);
        QVERIFY(addPage(1001, QStringLiteral("Outside"), pageBytes(QStringLiteral("outside"))));
        QVERIFY(addPage(1002, evil, PageCodec::save(doc)));
        QVERIFY(addPage(1003, evil + QStringLiteral(" child"), QByteArray("damaged") + QByteArray(1, '\x7f'),
                        QStringLiteral("plain ") + QChar(0x202E) + QStringLiteral(" text")));
        QVERIFY(addPage(1004, QStringLiteral("Four"), pageBytes(QStringLiteral("four"))));
        QVERIFY(place(0, 1001, 1, QStringLiteral("Outside")));
        QVERIFY(place(1001, 1002, 1, evil));
        QVERIFY(place(1002, 1003, 1, evil + QStringLiteral(" child")));
        QVERIFY(place(1002, 1004, 2, QStringLiteral("Four")));
        QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Update kaUsr Set HiHome=1, HsHome1=?"), {home}));
        Frmt::LoadHome(false);
        sbEpub::setRunner([&](sbEpub &d) {
            d.SetCell(2, 1, evil);
            d.SetCell(2, 2, QStringLiteral("id:") + evil);
            d.SetCell(2, 3, evil);
            d.ranges()->button(2)->setChecked(true);
            d.press(0);
        });
        int iRet = 0;
        yEpub().Publish(nullptr, 1002, iRet);
        QCOMPARE(iRet, 3);
        const QString file = Usr::st().userData + QStringLiteral("ePub/Hostile.epub");
        QString report;
        QVERIFY2(epubCheck(file, report), qPrintable(report));
        const QString oebps = work(QStringLiteral("Hostile")) + QStringLiteral("/OEBPS");
        QCOMPARE(malformed(oebps), QString());
        const QString page = zClt::instance().FsGtUtf(oebps + QStringLiteral("/1002.xhtml"));
        QVERIFY2(!page.contains(QRegularExpression(QStringLiteral("(href|src)=\"\\s*(data|vbscript|javascript):"),
                                                   QRegularExpression::CaseInsensitiveOption)),
                 qPrintable(page));
        for (const QChar ch : {QChar(0x7F), QChar(0x202E), QChar(0x2066), QChar(0x85)})
            QVERIFY(!page.contains(ch));
        QVERIFY2(page.contains(QStringLiteral("href=\"https://example.org/a%20b%22c%3Cd%3E\"")), qPrintable(page));
        QVERIFY(page.contains(QStringLiteral("href=\"1004.xhtml\"")));
        if (outside.isEmpty())
            QVERIFY(!page.contains(QStringLiteral("1001.")));
        else
            QVERIFY2(page.contains(outside), qPrintable(page));
        QCOMPARE(m_prompt->messages.value(0), file + QStringLiteral(" に出力しました\n"
                                                                     "次のﾍﾟｰｼﾞは文書を読めなかったので、ﾃｷｽﾄだけを出力しました\n"
                                                                     "  Evilfdp.exe & <b>\" child (1003)"));
    }

    // Range 2 from 1003: the page and its direct children only, each with links
    // to its visible children; those in the book lead to their files.
    void pageAndChildren()
    {
        QVERIFY(!openNew(QStringLiteral("Part")).isEmpty());
        buildTree();
        answer(1, QStringLiteral("Part"), QStringLiteral("Chapter"), true);
        int iRet = 0;
        yEpub book;
        book.Publish(nullptr, 1003, iRet);
        QCOMPARE(iRet, 2);
        // The folder opens; the damaged page's plain text is said before.
        QCOMPARE(m_prompt->messages, QStringList{QStringLiteral("次のﾍﾟｰｼﾞは文書を読めなかったので、ﾃｷｽﾄだけを出力しました\n"
                                                                "  Five (1005)")});
        QCOMPARE(m_launcher->calls.size(), 1);
        QVERIFY(m_launcher->lastCommand().contains(Usr::st().userData + QStringLiteral("ePub")));
        const QString oebps = work(QStringLiteral("Part")) + QStringLiteral("/OEBPS");
        QCOMPARE(QDir(oebps).entryList({QStringLiteral("*.xhtml")}, QDir::Files, QDir::Name),
                 (QStringList{"1002.xhtml", "1003.xhtml", "1004.xhtml", "1005.xhtml"}));
        QCOMPARE(Frmt::st().outputSet, QStringLiteral(".1003.1004.1005.1002."));
        const QString start = zClt::instance().FsGtUtf(oebps + QStringLiteral("/1003.xhtml"));
        QVERIFY(start.contains(QStringLiteral("href=\"1004.xhtml\"")));
        QVERIFY(start.contains(QStringLiteral("href=\"1002.xhtml\"")));
        // 1002's child 1009 is outside the book and there is no web address: text only.
        const QString two = zClt::instance().FsGtUtf(oebps + QStringLiteral("/1002.xhtml"));
        QVERIFY(two.contains(QStringLiteral("Nine")));
        QVERIFY(!two.contains(QStringLiteral("1009.xhtml")));
        const QString ncx = zClt::instance().FsGtUtf(oebps + QStringLiteral("/toc.ncx"));
        QVERIFY(ncx.contains(QStringLiteral("<meta name=\"dtb:depth\" content=\"0\"/>")));
        const QString file = Usr::st().userData + QStringLiteral("ePub/Chapter.epub");
        QString report;
        QVERIFY2(epubCheck(file, report), qPrintable(report));
    }

    // Cancel writes nothing; a failing archive is reported and leaves the
    // older book in place, with no half-written one beside it.
    void cancelAndFailure()
    {
        QVERIFY(!openNew(QStringLiteral("Fail")).isEmpty());
        buildTree();
        sbEpub::setRunner([](sbEpub &d) { d.press(2); });
        int iRet = -1;
        yEpub().Publish(nullptr, 0, iRet);
        QCOMPARE(iRet, 0);
        QVERIFY(!QDir(work(QStringLiteral("Fail"))).exists());
        QVERIFY(m_prompt->messages.isEmpty());

        const QString file = Usr::st().userData + QStringLiteral("ePub/Fail.epub");
        QVERIFY(QDir().mkpath(file + QStringLiteral(".part/blocked")));
        QVERIFY(TestHome::write(file, "old book"));
        answer(0, QStringLiteral("Fail"));
        yEpub().Publish(nullptr, 0, iRet);
        QCOMPARE(m_prompt->messages.size(), 1);
        // libzip's own words come after ours.
        QVERIFY2(m_prompt->messages[0].startsWith(QStringLiteral("epub 出力に失敗しました\nZIP 圧縮できませんでした (")),
                 qPrintable(m_prompt->messages[0]));
        QCOMPARE(TestHome::readAll(file), QByteArray("old book"));
        QVERIFY(!sbWait::isShown());
        QVERIFY(!Usr::st().busy);

        // Range 2 with no stored current page: nothing to start from.
        m_prompt->messages.clear();
        answer(1, QStringLiteral("Fail"));
        yEpub().Publish(nullptr, 0, iRet);
        QCOMPARE(iRet, 0);
        QCOMPARE(m_prompt->messages, QStringList{QStringLiteral("ｱｲﾃﾑがありません")});
    }

    // A book that cannot be written whole (the disk fills: here a size limit on files) leaves no
    // half of it in its folder, as a failed site leaves none; a folder of the user's there stays,
    // and the book made before too.
    void aFailedBookLeavesNoHalfOfIt_data()
    {
        QTest::addColumn<bool>("ownFolder");
        QTest::newRow("nothing of the user's") << false;
        QTest::newRow("a folder of the user's") << true;
    }
    void aFailedBookLeavesNoHalfOfIt()
    {
        QFETCH(bool, ownFolder);
        QVERIFY(!openNew(QStringLiteral("Full")).isEmpty());
        buildTree();
        QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Update msDoc Set obDoc=? Where noDoc=1009"),
                                         {pageBytes(QString(100000, u'字'))}));
        const QString folder = work(QStringLiteral("Full"));
        const QString own = folder + QStringLiteral("/fonts");
        if (ownFolder) {
            QVERIFY(QDir().mkpath(own));
            QVERIFY(TestHome::write(own + QStringLiteral("/a.ttf"), "font"));
        }
        const QString file = Usr::st().userData + QStringLiteral("ePub/Full.epub");
        QVERIFY(QDir().mkpath(Usr::st().userData + QStringLiteral("ePub")));
        QVERIFY(TestHome::write(file, "old book"));
        answer(0, QStringLiteral("Full"));
        FileSizeLimit limit(150000);
        QVERIFY(limit.set());
        int iRet = -1;
        yEpub().Publish(nullptr, 0, iRet);
        limit.lift();
        QCOMPARE(m_prompt->messages.size(), 1);
        QVERIFY2(m_prompt->messages[0].startsWith(QStringLiteral("epub 出力に失敗しました")), qPrintable(m_prompt->messages[0]));
        QCOMPARE(TestHome::readAll(file), QByteArray("old book"));
        const QStringList left = QDir(Usr::st().userData + QStringLiteral("ePub"))
                                     .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        QCOMPARE(left, ownFolder ? QStringList({QStringLiteral("Full"), QStringLiteral("Full.epub")}) : QStringList{QStringLiteral("Full.epub")});
        if (ownFolder) {
            QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList{QStringLiteral("fonts")});
            QCOMPARE(TestHome::readAll(own + QStringLiteral("/a.ttf")), QByteArray("font"));
        }
    }

    // A stored book name that would lead out of the ePub folder is not used: the book is named
    // after the database, and the file the name aims at stays as it was.
    void storedBookNameStaysInTheFolder()
    {
        QVERIFY(!openNew(QStringLiteral("Named")).isEmpty());
        buildTree();
        const QString aimed = Usr::st().userData + QStringLiteral("aimed.epub");
        QVERIFY(TestHome::write(aimed, "mine"));
        QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Update kaUsr Set EsName=?"), {QStringLiteral("../aimed")}));
        sbEpub::setRunner([](sbEpub &d) {
            d.SetCell(2, 1, QStringLiteral("Named"));
            d.SetCell(2, 2, QStringLiteral("named_1"));
            d.press(0);
        });
        int iRet = 0;
        yEpub book;
        book.Publish(nullptr, 0, iRet);
        const QString file = Usr::st().userData + QStringLiteral("ePub/Named.epub");
        QCOMPARE(m_prompt->messages.size(), 1);
        QVERIFY(m_prompt->messages[0].startsWith(file + QStringLiteral(" に出力しました\n")));
        QCOMPARE(book.bookFile, file);
        QCOMPARE(TestHome::readAll(aimed), QByteArray("mine"));
        QCOMPARE(QDir(Usr::st().userData + QStringLiteral("ePub")).entryList(QDir::Files), QStringList{"Named.epub"});
    }

    // Nothing to publish (no visible top-level page, or no page at all): told, and the book made
    // before stays.
    void emptyBookKeepsTheOldOne()
    {
        QVERIFY(!openNew(QStringLiteral("Empty")).isEmpty());
        const QString file = Usr::st().userData + QStringLiteral("ePub/Empty.epub");
        QVERIFY(QDir().mkpath(Usr::st().userData + QStringLiteral("ePub")));
        QVERIFY(TestHome::write(file, "old book"));
        for (int round = 0; round < 2; ++round) {
            if (round == 1) {
                buildTree();
                QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Update tbTree Set boHide=1 Where noLfP=0")));
            }
            m_prompt->messages.clear();
            answer(0, QStringLiteral("Empty"));
            int iRet = -1;
            yEpub book;
            book.Publish(nullptr, 0, iRet);
            QCOMPARE(iRet, 0);
            QCOMPARE(m_prompt->messages, QStringList{QStringLiteral("ｱｲﾃﾑがありません")});
            QCOMPARE(book.bookFile, QString());
            QCOMPARE(TestHome::readAll(file), QByteArray("old book"));
            QVERIFY(!sbWait::isShown());
        }
    }

    // The book's folder is the user's to look into: a link or a file standing in its place is
    // refused by name, and nothing of it or behind it changes. Its subfolders are the program's
    // own: a link standing in their place goes, and the files of the folder it points to stay.
    void bookFolderLinksAndFilesAreRefused()
    {
        QVERIFY(!openNew(QStringLiteral("Linked")).isEmpty());
        buildTree();
        const QString elsewhere = m_home->path() + QStringLiteral("/elsewhere");
        const QString pictures = m_home->path() + QStringLiteral("/pictures");
        for (const QString &folder : {elsewhere, pictures}) {
            QVERIFY(QDir().mkpath(folder));
            QVERIFY(TestHome::write(folder + QStringLiteral("/canary.txt"), "mine"));
        }
        const QString folder = work(QStringLiteral("Linked"));
        const QString book = Usr::st().userData + QStringLiteral("ePub/Linked.epub");
        QVERIFY(QDir().mkpath(Usr::st().userData + QStringLiteral("ePub")));
        auto refused = [&](const QString &why) {
            m_prompt->messages.clear();
            answer(0, QStringLiteral("Linked"));
            int iRet = -1;
            yEpub().Publish(nullptr, 0, iRet);
            return iRet == 0 && m_prompt->messages.size() == 1 && m_prompt->messages[0].startsWith(folder + why)
                   && !QFileInfo::exists(book);
        };
        QVERIFY(QFile::link(elsewhere, folder));
        QVERIFY2(refused(QStringLiteral(" はｼﾝﾎﾞﾘｯｸﾘﾝｸです\nﾘﾝｸ先は書き換えません")), qPrintable(m_prompt->messages.join('|')));
        QCOMPARE(QFileInfo(folder).symLinkTarget(), elsewhere);
        QCOMPARE(QDir(elsewhere).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"canary.txt"});
        QVERIFY(QFile::remove(folder));
        QVERIFY(TestHome::write(folder, "my notes"));
        QVERIFY2(refused(QStringLiteral(" はﾌｫﾙﾀﾞではなくﾌｧｲﾙです\nﾌｧｲﾙを移動してから出力して下さい")),
                 qPrintable(m_prompt->messages.join('|')));
        QCOMPARE(TestHome::readAll(folder), QByteArray("my notes"));
        QVERIFY(QFile::remove(folder));
        for (int round = 0; round < 2; ++round) {
            if (round == 1) {
                const QString images = folder + QStringLiteral("/OEBPS/Images");
                QDir(images).removeRecursively();
                QVERIFY(QFile::link(pictures, images));
            }
            m_prompt->messages.clear();
            answer(0, QStringLiteral("Linked"));
            int iRet = -1;
            yEpub().Publish(nullptr, 0, iRet);
            QCOMPARE(iRet, 1);
            QVERIFY2(m_prompt->messages.value(0).contains(QStringLiteral(" に出力しました")), qPrintable(m_prompt->messages.value(0)));
            QCOMPARE(QDir(pictures).entryList(QDir::Files), QStringList{"canary.txt"});
        }
        QVERIFY(!QFileInfo(folder + QStringLiteral("/OEBPS/Images")).isSymLink());
    }

    // The sample database and the 1,000-page benchmark database as books.
    void generatedBooks_data()
    {
        QTest::addColumn<int>("pages");
        QTest::newRow("sample") << 0;
        QTest::newRow("1000 pages") << 1000;
    }

    void generatedBooks()
    {
        QFETCH(int, pages);
        const QString path = m_home->path() + QStringLiteral("/Gen.txdb");
        QStringList args{path};
        if (pages)
            args << QStringLiteral("--pages") << QString::number(pages);
        QCOMPARE(QProcess::execute(QStringLiteral(FENWAR_BINARY_DIR "/tools/gen_sample"), args), 0);
        QVERIFY(zSvr::instance().D_StDcDb(path));
        Usr::st().dbName = QStringLiteral("Gen");
        Frmt::LoadFmt();
        Frmt::LoadHome(false);
        answer(0, QStringLiteral("見本 & <本>"));
        int iRet = 0;
        yEpub().Publish(nullptr, 0, iRet);
        const QString file = Usr::st().userData + QStringLiteral("ePub/Gen.epub");
        QCOMPARE(m_prompt->messages, QStringList{file + QStringLiteral(" に出力しました")});
        const QString oebps = work(QStringLiteral("Gen")) + QStringLiteral("/OEBPS");
        QCOMPARE(malformed(oebps), QString());
        if (pages)
            QVERIFY(QDir(oebps).entryList({QStringLiteral("*.xhtml")}, QDir::Files).size() > pages / 2);
        QString report;
        QVERIFY2(epubCheck(file, report), qPrintable(report.right(3000)));
    }
};

QTEST_MAIN(tst_EpubPublish)
#include "tst_epubpublish.moc"

// The HTML site: element ids and the menu tree, the site of the generated sample database in
// both variants judged by tidy, the faults a site must survive (titles with markup and
// characters outside the BMP, a cycle through link placements, a page without a stored
// document, a damaged page), the folder handling around the finished site, and the site map.
#include "core/Frmt.h"
#include "core/SiteTemplate.h"
#include "core/TemplateDb.h"
#include "core/Usr.h"
#include "core/zSvr.h"
#include "platform/richtext/PageCodec.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/PositionText.h"
#include "platform/richtext/TextProps.h"
#include "publish/converter/FailedPages.h"
#include "publish/site/SiteMap.h"
#include "publish/site/SiteMenu.h"
#include "publish/site/SiteTree.h"
#include "publish/site/SiteWriter.h"
#include "support/HtmlCheck.h"
#include "support/RecordingLauncher.h"
#include "support/SampleDb.h"
#include "support/TestHome.h"
#include "support/ScriptedPrompt.h"

#include <QDir>
#include <QDirIterator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>

namespace {

const QString Awkward = QStringLiteral("A & B <c> \"q\" 'x' ?@~|[DOC] 😀 𝄞");

// A document database made in the test, with the user-data folder around it.
class Fixture
{
public:
    QTemporaryDir dir;
    QString user;
    QString path;
    ScriptedPrompt prompt;
    RecordingLauncher launcher;

    explicit Fixture(bool sample = false)
    {
        user = dir.path() + QLatin1Char('/');
        Usr::st().userData = user;
        Usr::st().runTime = true;
        TemplateDb::install(user);
        SiteTemplate::install(user);
        path = dir.filePath(QStringLiteral("Manual.txdb"));
        if (sample)
            SampleDb::generate(path);
        else
            TemplateDb::create(path);
        zSvr::instance().D_StDcDb(path);
        Frmt::LoadFmt();
        prompt.defaultAnswer = Prompt::Yes;
    }
    ~Fixture() { zSvr::instance().D_Close(); }

    static QByteArray document(const QString &text)
    {
        PageDocument doc;
        QTextCursor c(doc.main());
        PositionText::insertText(c, text, QTextCharFormat());
        return PageCodec::save(doc);
    }
    void page(qint64 no, const QString &title, const QVariant &bytes, const QString &text = QString(),
              const QString &updated = QStringLiteral("2025-01-01 10:00:00"), int listMode = 0)
    {
        QVERIFY(zSvr::instance().D_ExeSq(
            QStringLiteral("Insert Into msDoc (noDoc, szDoc, txDoc, obDoc, dyUdt, boCod) Values (?, ?, ?, ?, ?, ?)"),
            {no, title, text, bytes, updated, listMode}));
    }
    void page(qint64 no, const QString &title) { page(no, title, document(title + QStringLiteral(" の本文"))); }
    void place(qint64 parent, qint64 child, int order, const QString &title, int link = 0, int hide = 0, int prot = 0)
    {
        QVERIFY(zSvr::instance().D_ExeSq(
            QStringLiteral("Insert Into tbTree (noLfP, noLfC, inSrt, szDoc, boLnk, boHide, boHogo) Values (?, ?, ?, ?, ?, ?, ?)"),
            {parent, child, order, title, link, hide, prot}));
    }
    QString site() const { return user + QStringLiteral("Htm/Manual"); }
    QString read(const QString &file) const { return HtmlCheck::readUtf8(site() + QLatin1Char('/') + file); }
    QStringList pages() const
    {
        return QDir(site()).entryList({QStringLiteral("*.htm")}, QDir::Files, QDir::Name);
    }
};

// A page of tag fields to `pages`, each field's text "tag" and the page number.
QByteArray tagsTo(const QList<qint64> &pages)
{
    PageDocument doc;
    QTextCursor c(doc.main());
    for (qint64 p : pages) {
        QTextCharFormat f;
        f.setProperty(TextProps::FieldId, doc.newFieldId());
        f.setProperty(TextProps::FieldType, 2);
        f.setProperty(TextProps::FieldData, QStringLiteral("TG_%1").arg(p));
        c.insertText(QStringLiteral("tag%1").arg(p), f);
        c.insertText(QStringLiteral(" "), QTextCharFormat());
    }
    return PageCodec::save(doc);
}

bool publish(SiteWriter &w, int mode = 1, bool empty = true, const QString &top = QString(), int layout = 0)
{
    SiteWriter::Run run;
    run.mode = mode;
    run.empty = empty;
    run.topName = top;
    run.layout = layout;
    w.HtmPrepare();
    return w.publish(run);
}

void validateAll(const Fixture &f)
{
    for (const QString &name : f.pages()) {
        QString message;
        const bool ok = HtmlCheck::valid(f.site() + QLatin1Char('/') + name, false, message);
        QVERIFY2(ok, qPrintable(name + QLatin1Char('\n') + message));
    }
}

// The links of a page's menu.
QStringList menuTargets(const QString &page)
{
    QStringList targets;
    static const QRegularExpression link(QStringLiteral("<li id=\"L[^\"]*\"[^>]*><a href=\"([^\"]*)\""));
    for (auto it = link.globalMatch(page); it.hasNext();)
        targets << it.next().captured(1);
    return targets;
}

} // namespace

class TstSite : public QObject
{
    Q_OBJECT

private slots:
    void elementIds_data();
    void elementIds();
    void menuOpensThePath();
    void sampleSiteValidates();
    void sampleFrameSite();
    void nothingToPublish();
    void linksAndFilesInPlaceOfFolders();
    void firstPageNameStaysInTheSite();
    void firstPageNameIsNoFileOfTheSite();
    void awkwardTitlesCycleAndPlainText();
    void protectedListModeAndDamagedPages();
    void onlyPageDamaged();
    void firstPageNotWrittenIsNotOpened();
    void outputFolderHandling();
    void sharedLinkedFile();
    void siteMap();
    void tagsToPagesNotWrittenKeepTheirText_data();
    void tagsToPagesNotWrittenKeepTheirText();
    void templatePieces();
    void statusNamesTheLastPageOfTheTree_data();
    void statusNamesTheLastPageOfTheTree();
};

void TstSite::elementIds_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<int>("steps");
    QTest::addColumn<QString>("expected");
    QTest::newRow("first entry") << "0" << 1 << "1";
    QTest::newRow("nine to A") << "9" << 1 << "A";
    QTest::newRow("Z to a") << "3Z" << 1 << "3a";
    QTest::newRow("z to あ") << "z" << 1 << QStringLiteral("あ");
    QTest::newRow("62nd sibling") << "0" << 62 << QStringLiteral("あ");
    QTest::newRow("63rd sibling") << "0" << 63 << QStringLiteral("ぃ");
    QTest::newRow("after ん on to katakana") << QStringLiteral("ん") << 1 << QStringLiteral("ァ");
    QTest::newRow("no carry") << "1z" << 1 << QStringLiteral("1あ");
}

void TstSite::elementIds()
{
    QFETCH(QString, id);
    QFETCH(int, steps);
    QFETCH(QString, expected);
    for (int i = 0; i < steps; ++i)
        SiteTree::IncId(id, 1);
    QCOMPARE(id, expected);
    SiteTree::IncId(id, 10);
    QCOMPARE(id, expected + QLatin1Char('0'));
    SiteTree::IncId(id, 7);
    QCOMPARE(id, expected + QLatin1Char('0'));
}

void TstSite::menuOpensThePath()
{
    Fixture f;
    for (auto [no, title] : {std::pair{1001, "A"}, {1002, "A1"}, {1003, "A2"}, {1004, "B"}})
        f.page(no, QString::fromUtf8(title));
    f.place(0, 1001, 1, QStringLiteral("A"));
    f.place(1001, 1002, 1, QStringLiteral("A1"));
    f.place(1001, 1003, 2, QStringLiteral("A2"));
    f.place(0, 1004, 2, QStringLiteral("B"));
    SiteTree tree;
    QVERIFY(tree.load());
    QStringList ids;
    for (const SiteTree::Node &n : tree.nodes())
        ids << n.id;
    QCOMPARE(ids, QStringList({"1", "11", "12", "2"}));
    SiteMenu menu;
    menu.build(tree, [&](int i) { return SiteWriter::pageFile(tree.nodes()[i].page); });
    const QByteArray plain = menu.text();
    QVERIFY(plain.contains("  <li id=\"L1\" class=\"clp\" onclick=\"fnTree('1')\"><a href=\"1001.htm\">A</a>\r\n"));
    QVERIFY(plain.contains("    <ul id=\"U1\" class=\"clp\" onclick=\"fnTree()\">\r\n"));
    QVERIFY(plain.contains("      <li id=\"L12\"><a href=\"1003.htm\">A2</a></li>\r\n"));
    QVERIFY(plain.startsWith("<ul>\r\n") && plain.endsWith("</ul>\r\n"));

    const QByteArray a1 = menu.HtmMarkAct(QStringLiteral("11"));
    QVERIFY(a1.contains("<li id=\"L1\" class=\"exp\" onclick=\"fnTree('1')\">"));
    QVERIFY(a1.contains("<ul id=\"U1\" class=\"exp\" style=\"display:block\"  onclick=\"fnTree()\">"));
    QVERIFY(a1.contains("<li id=\"L11\"><a href=\"1002.htm\"><span class=\"act\">A1</span></a></li>"));
    QVERIFY(a1.contains("<li id=\"L12\"><a href=\"1003.htm\">A2</a></li>"));
    QCOMPARE(a1.count("class=\"act\""), 1);
    // The page B opens nothing of A; the built menu itself stays unmarked.
    const QByteArray b = menu.HtmMarkAct(QStringLiteral("2"));
    QVERIFY(b.contains("<li id=\"L1\" class=\"clp\""));
    QVERIFY(b.contains("<span class=\"act\">B</span>"));
    QCOMPARE(menu.text(), plain);
    QCOMPARE(a1.size(), plain.size() + qsizetype(strlen("<span class=\"act\"></span>") + strlen(" style=\"display:block\" ")));
}

void TstSite::sampleSiteValidates()
{
    Fixture f(true);
    SiteWriter w;
    QStringList status;
    w.status = [&](const QString &s) { status << s; };
    QVERIFY(publish(w, 1, true, QStringLiteral("index.htm")));
    const QStringList pages = f.pages();
    QVERIFY(pages.contains(QStringLiteral("index.htm")));
    QVERIFY(!pages.contains(QStringLiteral("1001.htm")));
    for (const QString &name : SiteTemplate::files())
        QVERIFY2(QFile::exists(f.site() + QStringLiteral("/cmn/") + name), qPrintable(name));
    QVERIFY(!QFileInfo::exists(f.user + QStringLiteral("Wrk/Manual")));
    // Every menu entry reaches a written page, and every written page has its entry.
    const QString index = f.read(QStringLiteral("index.htm"));
    QStringList targets = menuTargets(index);
    targets.removeDuplicates();
    targets.sort();
    QCOMPARE(targets, pages);
    QVERIFY(std::any_of(pages.cbegin(), pages.cend(), [](const QString &p) { return p.contains(QLatin1Char('_')); }));
    // The hidden top-level page (the sample's fifth) is neither written nor listed.
    QVariantList hidden{QVariant(), QVariant()};
    QVERIFY(zSvr::instance().R_PAry(QStringLiteral("Select noLfC, szDoc From tbTree Where boHide=1"), hidden));
    QVERIFY(!pages.contains(hidden[0].toString() + QStringLiteral(".htm")));
    QVERIFY(!index.contains(hidden[1].toString()));
    // The first page carries its own title, the others the first page's in front.
    QVERIFY(index.contains(QStringLiteral("<title>はじめに</title>")));
    QVERIFY(f.read(QStringLiteral("1002.htm")).contains(QStringLiteral("<title>はじめに | ")));
    QVERIFY(index.startsWith(QStringLiteral("<!DOCTYPE html PUBLIC \"-//W3C//DTD HTML 4.01//EN\"")));
    QVERIFY(!index.contains(QStringLiteral("\r\n\r\n")));
    QVERIFY(index.contains(QStringLiteral("href=\"cmn/page-fx.css\"")));
    QVERIFY(status.contains(f.site() + QStringLiteral("/cmn/を作成しました")));
    validateAll(f);

    // The liquid layout takes the full-width style sheet and puts the menu after the document.
    QVERIFY(publish(w, 1, true, QString(), 2));
    const QString liquid = f.read(QStringLiteral("1001.htm"));
    QVERIFY(liquid.contains(QStringLiteral("href=\"cmn/page-el.css\"")));
    QVERIFY(liquid.indexOf(QStringLiteral("<div id=\"vRight\">")) < liquid.indexOf(QStringLiteral("<div id=\"vLeft\">")));
    QVERIFY(!QFile::exists(f.site() + QStringLiteral("/index.htm")));
    validateAll(f);
    // The local first page is opened when there is no FTP run.
    QCOMPARE(f.launcher.lastCommand(), QStringList({"xdg-open", f.site() + QStringLiteral("/1001.htm")}));
}

void TstSite::sampleFrameSite()
{
    Fixture f(true);
    SiteWriter w;
    QVERIFY(publish(w, 2));
    const QStringList pages = f.pages();
    QVERIFY(pages.contains(QStringLiteral("navi.htm")));
    QVERIFY(pages.contains(QStringLiteral("frame.htm")));
    QVERIFY(pages.contains(QStringLiteral("1001.htm")));
    QVERIFY(!QFileInfo::exists(f.site() + QStringLiteral("/cmn")));
    for (const QString &p : pages)
        QVERIFY2(!p.contains(QLatin1Char('_')), qPrintable(p));
    const QString navi = f.read(QStringLiteral("navi.htm"));
    // The sample is three levels deep: one indentation rule per level.
    QVERIFY(navi.contains(QStringLiteral("  li.li1 {margin-left:0px}\r\n  li.li2 {margin-left:15px}\r\n  li.li3 {margin-left:30px}\r\n")));
    QVERIFY(!navi.contains(QStringLiteral("li.li4")));
    QVERIFY(navi.contains(QStringLiteral("<li class=\"li1\"><a href=\"1001.htm\" target=\"main\">はじめに</a></li>")));
    const QString frame = f.read(QStringLiteral("frame.htm"));
    QVERIFY(frame.contains(QStringLiteral("<frame name=\"main\" src=\"1001.htm\">")));
    QVERIFY(frame.contains(QStringLiteral("<title>はじめに</title>")));
    // Frame pages are plain pages of the converter (no document type line).
    QVERIFY(!f.read(QStringLiteral("1001.htm")).contains(QStringLiteral("<!DOCTYPE")));
    // Frame pages never ask about protected pages.
    QVERIFY(f.prompt.messages.isEmpty());
    validateAll(f);
}

// Nothing to publish (an empty tree, every top-level page hidden, every page refused): told, and
// the published site stays as it was, in both variants.
void TstSite::nothingToPublish()
{
    Fixture f;
    SiteWriter w;
    QVERIFY(!publish(w, 1));
    QVERIFY(!publish(w, 2));
    QCOMPARE(f.prompt.messages, QStringList({QStringLiteral("ｱｲﾃﾑがありません"), QStringLiteral("ｱｲﾃﾑがありません")}));
    QVERIFY(!QFileInfo::exists(f.site() + QStringLiteral("/cmn")));

    f.page(1001, QStringLiteral("表紙"));
    f.place(0, 1001, 1, QStringLiteral("表紙"), 0, 0, 1);
    QVERIFY(publish(w, 1));
    const QString before = f.read(QStringLiteral("1001.htm"));
    QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Update tbTree Set boHide=1")));
    for (int mode : {1, 2}) {
        f.prompt.messages.clear();
        QVERIFY(!publish(w, mode));
        QCOMPARE(f.prompt.messages, QStringList({QStringLiteral("ｱｲﾃﾑがありません")}));
        QCOMPARE(f.pages(), QStringList({"1001.htm"}));
        QCOMPARE(f.read(QStringLiteral("1001.htm")), before);
    }
    // The only page is protected and the user says no: nothing is written, the old site stays.
    QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Update tbTree Set boHide=0")));
    f.prompt.messages.clear();
    f.prompt.answers.enqueue(Prompt::No);
    QVERIFY(!publish(w, 1));
    QCOMPARE(f.prompt.messages.value(1), QStringLiteral("ｱｲﾃﾑがありません"));
    QCOMPARE(f.read(QStringLiteral("1001.htm")), before);
    // The only top-level page damaged: its good child goes with it, nothing is left, the old site stays.
    f.page(1002, QStringLiteral("中身"));
    f.place(1001, 1002, 1, QStringLiteral("中身"));
    QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Update msDoc Set obDoc=? Where noDoc=1001"), {QByteArray("not a page")}));
    QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Update tbTree Set boHogo=0")));
    f.prompt.messages.clear();
    QVERIFY(!publish(w, 1));
    QCOMPARE(f.prompt.messages, QStringList({QStringLiteral("HTM出力できませんでした"),
                                             QStringLiteral("次のﾍﾟｰｼﾞは変換できなかったので出力していません\n  表紙 (1001)\n"
                                                            "その下位の 1 ﾍﾟｰｼﾞも出力していません")}));
    QCOMPARE(f.read(QStringLiteral("1001.htm")), before);
    QCOMPARE(f.launcher.calls.size(), 1);
    QVERIFY(!QFileInfo::exists(f.user + QStringLiteral("Wrk/Manual")));
}

void TstSite::awkwardTitlesCycleAndPlainText()
{
    Fixture f;
    f.page(1001, Awkward);
    f.page(1002, QStringLiteral("子"));
    f.page(1003, QStringLiteral("文書なし"), QVariant(), QStringLiteral("本文だけの ﾍﾟｰｼﾞ & <text>"));
    f.place(0, 1001, 1, Awkward);
    f.place(1001, 1002, 1, QStringLiteral("子"));
    f.place(1001, 1003, 2, QStringLiteral("文書なし"));
    // The first page placed again below its own child: a cycle.
    f.place(1002, 1001, 1, Awkward, 1);
    QFile icon(f.site() + QStringLiteral("/favicon.ico"));
    QVERIFY(QDir().mkpath(f.site()));
    QVERIFY(icon.open(QIODevice::WriteOnly));
    icon.write("icon");
    icon.close();

    SiteWriter w;
    QVERIFY(publish(w, 1, true));
    QCOMPARE(f.pages(), QStringList({"1001.htm", "1002.htm", "1002_1001.htm", "1003.htm"}));
    const QString escaped = QStringLiteral("A &amp; B &lt;c&gt; &quot;q&quot; 'x' ?@~|[DOC] 😀 𝄞");
    const QString child = f.read(QStringLiteral("1002.htm"));
    QVERIFY(child.contains(QStringLiteral("<title>") + escaped + QStringLiteral(" | 子</title>")));
    QVERIFY(child.contains(QStringLiteral("<a href=\"1001.htm\">") + escaped + QStringLiteral("</a>")));
    QVERIFY(child.contains(QStringLiteral("<li id=\"L11\" class=\"exp\" onclick=\"fnTree('11')\"><a href=\"1002.htm\"><span class=\"act\">子</span>")));
    // The cycle is listed once below the child and not entered.
    QVERIFY(child.contains(QStringLiteral("<li id=\"L111\"><a href=\"1002_1001.htm\">") + escaped + QStringLiteral("</a></li>")));
    QVERIFY(!child.contains(QStringLiteral("L1111")));
    QCOMPARE(child.count(QStringLiteral("<!-- / vRight -->")), 1);
    // The page stored without a document publishes its text.
    QVERIFY(f.read(QStringLiteral("1003.htm")).contains(QStringLiteral("本文だけの ﾍﾟｰｼﾞ &amp; &lt;text&gt;")));
    // The user's icon is kept through the emptying and linked.
    QVERIFY(QFile::exists(f.site() + QStringLiteral("/favicon.ico")));
    QVERIFY(child.contains(QStringLiteral("<link rel=\"shortcut icon\" href=\"favicon.ico\">")));
    validateAll(f);

    // DEL and a right-to-left override in a title and a page's text reach no page.
    f.page(1004, QStringLiteral("制御") + QChar(0x7F) + QStringLiteral("文字") + QChar(0x202E) + QStringLiteral("gpj.exe"),
           Fixture::document(QStringLiteral("本") + QChar(0x7F) + QStringLiteral("文") + QChar(0x202E) + QStringLiteral("txt")));
    f.place(0, 1004, 2, QStringLiteral("制御") + QChar(0x7F) + QStringLiteral("文字") + QChar(0x202E) + QStringLiteral("gpj.exe"));
    QVERIFY(publish(w, 1, true));
    for (const QString &name : f.pages()) {
        const QString page = f.read(name);
        QVERIFY2(!page.contains(QChar(0x7F)) && !page.contains(QChar(0x202E)), qPrintable(name));
    }
    QVERIFY(f.read(QStringLiteral("1004.htm")).contains(QStringLiteral("<title>") + escaped + QStringLiteral(" | 制御文字gpj.exe</title>")));
    QVERIFY(f.read(QStringLiteral("1004.htm")).contains(QStringLiteral("本文txt")));
    validateAll(f);

    // The frame variant: the same titles, the cycle ends there too.
    QVERIFY(publish(w, 2, true));
    QVERIFY(f.read(QStringLiteral("navi.htm")).contains(QStringLiteral("target=\"main\">") + escaped + QStringLiteral("</a>")));
    QVERIFY(f.read(QStringLiteral("frame.htm")).contains(QStringLiteral("<title>") + escaped + QStringLiteral("</title>")));
    QVERIFY(f.read(QStringLiteral("1003.htm")).contains(QStringLiteral("本文だけの")));
    QVERIFY(f.read(QStringLiteral("navi.htm")).contains(QStringLiteral(">制御文字gpj.exe</a>")));
    for (const QString &name : f.pages())
        QVERIFY2(!f.read(name).contains(QChar(0x7F)) && !f.read(name).contains(QChar(0x202E)), qPrintable(name));
    validateAll(f);
}

void TstSite::protectedListModeAndDamagedPages()
{
    Fixture f;
    f.page(1001, QStringLiteral("一覧"), Fixture::document(QStringLiteral("一覧")), QString(),
           QStringLiteral("2025-01-01 10:00:00"), 1);
    f.page(1002, QStringLiteral("古い"), Fixture::document(QStringLiteral("古い")), QString(), QStringLiteral("2024-01-01 10:00:00"));
    f.page(1003, QStringLiteral("新しい"), Fixture::document(QStringLiteral("新しい")), QString(), QStringLiteral("2025-06-01 10:00:00"));
    f.page(1004, QStringLiteral("保護"));
    f.page(1005, QStringLiteral("保護の子"));
    f.page(1006, QStringLiteral("壊れた"), QByteArray("not a page"));
    f.page(1007, QStringLiteral("壊れたの子"));
    f.page(1008, QStringLiteral("隣"));
    f.place(0, 1001, 1, QStringLiteral("一覧"));
    f.place(1001, 1002, 1, QStringLiteral("古い"));
    f.place(1001, 1003, 2, QStringLiteral("新しい"));
    f.place(0, 1004, 2, QStringLiteral("保護"), 0, 0, 1);
    f.place(1004, 1005, 1, QStringLiteral("保護の子"));
    f.place(0, 1006, 3, QStringLiteral("壊れた"));
    f.place(1006, 1007, 1, QStringLiteral("壊れたの子"));
    f.place(0, 1008, 4, QStringLiteral("隣"));
    // The damaged page is also placed below the list-mode page: it is left out there as well.
    f.place(1001, 1006, 3, QStringLiteral("壊れた"), 1);
    f.prompt.answers.enqueue(Prompt::No);
    SiteWriter w;
    QStringList status;
    w.status = [&](const QString &s) { status << s; };
    QVERIFY(publish(w));
    QCOMPARE(f.prompt.messages.value(0), QStringLiteral("保護 のﾍﾟｰｼﾞは Htm出力保護が指定されていますが、新しくHtm出力してよいですか"));
    // No for the protected page keeps it and its subtree out; the damaged page takes its subtree along.
    QCOMPARE(f.pages(), QStringList({"1001.htm", "1002.htm", "1003.htm", "1008.htm"}));
    QVERIFY(status.contains(QStringLiteral("HTM出力できませんでした")));
    QVERIFY(!status.contains(QStringLiteral("壊れたを出力しました")));
    QVERIFY(!status.contains(QStringLiteral("一覧 | 壊れたを出力しました")));
    // The user is told which page could not be converted and that its subtree went with it.
    QCOMPARE(f.prompt.messages.value(1), QStringLiteral("次のﾍﾟｰｼﾞは変換できなかったので出力していません (ﾒﾆｭｰからも除きました)\n"
                                                        "  壊れた (1006)\nその下位の 1 ﾍﾟｰｼﾞも出力していません"));
    // The protected page stays in the menu of the others (its old file may be kept); the damaged
    // page and its subtree do not, at either placement; the list-mode page lists the newest first.
    for (const QString &name : f.pages()) {
        const QString page = f.read(name);
        QVERIFY(page.contains(QStringLiteral(">保護<")));
        QVERIFY2(!page.contains(QStringLiteral("壊れた")), qPrintable(name));
        for (const QString &target : menuTargets(page))
            QVERIFY2(QFile::exists(f.site() + QLatin1Char('/') + target) || target == QStringLiteral("1004.htm")
                         || target == QStringLiteral("1005.htm"),
                     qPrintable(name + QStringLiteral(" links ") + target));
    }
    const QString menu = f.read(QStringLiteral("1008.htm"));
    QVERIFY(menu.indexOf(QStringLiteral(">新しい<")) < menu.indexOf(QStringLiteral(">古い<")));
    QVERIFY(f.read(QStringLiteral("1003.htm")).contains(QStringLiteral("<li id=\"L11\"><a href=\"1003.htm\"><span class=\"act\">")));
    validateAll(f);

    // The frame variant: the navigation leaves out what was not written.
    f.prompt.messages.clear();
    QVERIFY(publish(w, 2));
    QVERIFY(!f.pages().contains(QStringLiteral("1006.htm")));
    QVERIFY(!f.pages().contains(QStringLiteral("1007.htm")));
    const QString navi = f.read(QStringLiteral("navi.htm"));
    QVERIFY2(!navi.contains(QStringLiteral("壊れた")), qPrintable(navi));
    QVERIFY(navi.contains(QStringLiteral(">隣<")));
    QCOMPARE(f.prompt.messages.value(0), QStringLiteral("次のﾍﾟｰｼﾞは変換できなかったので出力していません (ﾒﾆｭｰからも除きました)\n"
                                                        "  壊れた (1006)\nその下位の 1 ﾍﾟｰｼﾞも出力していません"));
}

// A site whose one page cannot be converted: nothing is published, the status line does not call
// the page written, and the page is named.
void TstSite::onlyPageDamaged()
{
    Fixture f;
    f.page(1001, QStringLiteral("壊れた"), QByteArray("not a page"));
    f.place(0, 1001, 1, QStringLiteral("壊れた"));
    SiteWriter w;
    QStringList status;
    w.status = [&](const QString &s) { status << s; };
    QVERIFY(!publish(w));
    QVERIFY2(!status.contains(QStringLiteral("壊れたを出力しました")), qPrintable(status.join(u'|')));
    QCOMPARE(status.last(), QStringLiteral("HTM出力できませんでした"));
    QVERIFY(f.prompt.messages.contains(QStringLiteral("次のﾍﾟｰｼﾞは変換できなかったので出力していません\n  壊れた (1001)")));
    // More than ten are named by their number.
    QStringList many;
    for (int i = 0; i < 12; ++i)
        many << FailedPages::entry(QStringLiteral("頁%1").arg(i), 2001 + i);
    QCOMPARE(FailedPages::entry(QStringLiteral("Evil\u202Efdp.exe\x7f\nnext"), 1003), QStringLiteral("Evilfdp.exe next (1003)"));
    const QString lines = FailedPages::lines(many);
    QCOMPARE(lines.count(u'\n'), 11);
    QVERIFY(lines.contains(QStringLiteral("\n  頁9 (2010)\n  他 2 ﾍﾟｰｼﾞ")));
}

// The first page could not be converted, or was refused: the rest of the site is published, and
// no browser opens on a first page that is not there (nor on the old site's), in either variant.
void TstSite::firstPageNotWrittenIsNotOpened()
{
    Fixture f;
    f.page(1001, QStringLiteral("表紙"));
    f.page(1002, QStringLiteral("本文"));
    f.place(0, 1001, 1, QStringLiteral("表紙"), 0, 0, 1);
    f.place(0, 1002, 2, QStringLiteral("本文"));
    SiteWriter w;
    QVERIFY(publish(w, 1, false));
    QCOMPARE(f.launcher.lastCommand(), QStringList({"xdg-open", f.site() + QStringLiteral("/1001.htm")}));
    QVERIFY(w.firstPageWritten());
    // Refused: the old first page stays in the folder, but this run did not write it.
    f.launcher.calls.clear();
    f.prompt.answers.enqueue(Prompt::No);
    QVERIFY(publish(w, 1, false));
    QVERIFY(QFile::exists(f.site() + QStringLiteral("/1001.htm")));
    QVERIFY(!w.firstPageWritten());
    QVERIFY(f.launcher.calls.isEmpty());
    QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Update tbTree Set boHogo=0")));
    QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Update msDoc Set obDoc=? Where noDoc=1001"), {QByteArray("not a page")}));
    for (int mode : {1, 2}) {
        f.launcher.calls.clear();
        f.prompt.messages.clear();
        QVERIFY(publish(w, mode));
        QVERIFY(QFile::exists(f.site() + QStringLiteral("/1002.htm")));
        QVERIFY(!QFile::exists(f.site() + QStringLiteral("/1001.htm")));
        QVERIFY(!w.firstPageWritten());
        QVERIFY2(f.prompt.messages.value(0).contains(QStringLiteral("表紙 (1001)")), qPrintable(f.prompt.messages.join(u'|')));
        QVERIFY(f.launcher.calls.isEmpty());
        if (mode == 2) {
            // The frames show a page that is there.
            const QString frames = QString::fromUtf8(TestHome::readAll(f.site() + QStringLiteral("/frame.htm")));
            QVERIFY2(frames.contains(QStringLiteral("name=\"main\" src=\"1002.htm\"")), qPrintable(frames));
        }
    }
}

void TstSite::outputFolderHandling()
{
    Fixture f;
    f.page(1001, QStringLiteral("表紙"));
    f.place(0, 1001, 1, QStringLiteral("表紙"));
    QVERIFY(QDir().mkpath(f.site() + QStringLiteral("/photos")));
    QFile mine(f.site() + QStringLiteral("/photos/mine.txt"));
    QVERIFY(mine.open(QIODevice::WriteOnly));
    mine.close();
    QFile old(f.site() + QStringLiteral("/9999.htm"));
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.close();
    SiteWriter w;
    // Old files kept: the user's folder and the old page stay beside the new site.
    QVERIFY(publish(w, 1, false));
    QVERIFY(QFile::exists(f.site() + QStringLiteral("/photos/mine.txt")));
    QVERIFY(QFile::exists(f.site() + QStringLiteral("/9999.htm")));
    QVERIFY(QFile::exists(f.site() + QStringLiteral("/1001.htm")));
    // A common file the user changed in the site stays when the old files are kept.
    QFile css(f.site() + QStringLiteral("/cmn/page-fx.css"));
    QVERIFY(css.open(QIODevice::WriteOnly | QIODevice::Truncate));
    css.write("/* mine */");
    css.close();
    QVERIFY(publish(w, 1, false));
    QCOMPARE(HtmlCheck::readUtf8(css.fileName()), QStringLiteral("/* mine */"));
    // Emptied: only the new site is left.
    QVERIFY(publish(w, 1, true));
    QVERIFY(!QFile::exists(f.site() + QStringLiteral("/photos")));
    QVERIFY(!QFile::exists(f.site() + QStringLiteral("/9999.htm")));
    QVERIFY(HtmlCheck::readUtf8(css.fileName()).contains(QStringLiteral("#vLeft")));

    // A work folder that cannot be made (a file where the folder of work folders should be):
    // told, and the site stays as it was.
    QFile blocker(f.user + QStringLiteral("Wrk"));
    QDir(blocker.fileName()).removeRecursively();
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString before = f.read(QStringLiteral("1001.htm"));
    f.prompt.messages.clear();
    QVERIFY(!publish(w, 1, true));
    QVERIFY(f.prompt.messages.value(0).endsWith(QStringLiteral(" に書き込めませんでした")));
    QCOMPARE(f.read(QStringLiteral("1001.htm")), before);
    QVERIFY(blocker.remove());

    // The site's folder on another file system than the work folder: the finished site could not
    // take its place, which is said before any page is converted.
    QTemporaryDir elsewhere(QStringLiteral("/dev/shm/tst_site-XXXXXX"));
    if (elsewhere.isValid()) {
        const QString htm = f.user + QStringLiteral("Htm");
        QVERIFY(QDir().rename(htm, htm + QStringLiteral(".here")));
        QVERIFY(QFile::link(elsewhere.path(), htm));
        f.prompt.messages.clear();
        QVERIFY(!publish(w, 1, true));
        QCOMPARE(f.prompt.messages,
                 QStringList{htm + QStringLiteral(" は作業ﾌｫﾙﾀﾞ ") + f.user + QStringLiteral("Wrk と別のﾌｧｲﾙｼｽﾃﾑにあります\n"
                                                                                    "作業ﾌｫﾙﾀﾞで作ったｻｲﾄと置き換えられないので出力できません")});
        QVERIFY(QFile::remove(htm));
        QVERIFY(QDir().rename(htm + QStringLiteral(".here"), htm));
    }

    // A missing common file of the template: its path and " Not Found", nothing published.
    QVERIFY(QFile::remove(SiteTemplate::folder(f.user) + QStringLiteral("menu.js")));
    QVERIFY(QFile::remove(f.site() + QStringLiteral("/1001.htm")));
    f.prompt.messages.clear();
    QVERIFY(!publish(w, 1, true));
    QCOMPARE(f.prompt.messages, QStringList({SiteTemplate::folder(f.user) + QStringLiteral("menu.js Not Found")}));
    QVERIFY(!QFile::exists(f.site() + QStringLiteral("/1001.htm")));
    QVERIFY(QFile::exists(f.site() + QStringLiteral("/cmn/menu.js")));
}

namespace {

// A folder holding one file, whose survival shows that nothing was deleted in it.
QString canaryFolder(const QString &folder)
{
    const QString canary = folder + QStringLiteral("/canary.txt");
    if (!QDir().mkpath(folder + QStringLiteral("/deeper")) || !TestHome::write(canary, "mine")
        || !TestHome::write(folder + QStringLiteral("/deeper/canary.txt"), "mine"))
        return QString();
    return canary;
}

} // namespace

// What stands where the site's folders should be: a link to the user's web root or a file is
// left alone and the run refused, naming it; a link in place of the work folders goes, and what
// it points to stays untouched.
void TstSite::linksAndFilesInPlaceOfFolders()
{
    Fixture f;
    f.page(1001, QStringLiteral("表紙"));
    f.place(0, 1001, 1, QStringLiteral("表紙"));
    const QString root = f.dir.filePath(QStringLiteral("webroot"));
    const QString canary = canaryFolder(root);
    QVERIFY(!canary.isEmpty());
    QVERIFY(QDir().mkpath(f.user + QStringLiteral("Htm")));
    QVERIFY(QFile::link(root, f.site()));
    SiteWriter w;
    for (int run = 0; run < 2; ++run) {
        f.prompt.messages.clear();
        QVERIFY(!publish(w, 1 + run, true));
        QCOMPARE(f.prompt.messages.size(), 1);
        QVERIFY2(f.prompt.messages[0].startsWith(f.site() + QStringLiteral(" はｼﾝﾎﾞﾘｯｸﾘﾝｸです")), qPrintable(f.prompt.messages[0]));
        QCOMPARE(TestHome::readAll(canary), QByteArray("mine"));
        QCOMPARE(TestHome::readAll(root + QStringLiteral("/deeper/canary.txt")), QByteArray("mine"));
        QCOMPARE(QDir(root).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList({"canary.txt", "deeper"}));
        QCOMPARE(QFileInfo(f.site()).symLinkTarget(), root);
        QVERIFY(!QFileInfo::exists(f.user + QStringLiteral("Wrk/Manual.old")));
    }
    // A link that leads nowhere is refused all the same.
    QVERIFY(QFile::remove(f.site()));
    QVERIFY(QFile::link(f.dir.filePath(QStringLiteral("gone")), f.site()));
    f.prompt.messages.clear();
    QVERIFY(!publish(w, 1, true));
    QVERIFY(f.prompt.messages.value(0).contains(QStringLiteral("ｼﾝﾎﾞﾘｯｸﾘﾝｸ")));
    QVERIFY(!QFileInfo::exists(f.dir.filePath(QStringLiteral("gone"))));

    // A file of the user's where the folder should be: named, neither moved nor changed.
    QVERIFY(QFile::remove(f.site()));
    QVERIFY(TestHome::write(f.site(), "my notes"));
    f.prompt.messages.clear();
    QVERIFY(!publish(w, 1, true));
    QCOMPARE(f.prompt.messages.size(), 1);
    QVERIFY2(f.prompt.messages[0].startsWith(f.site() + QStringLiteral(" はﾌｫﾙﾀﾞではなくﾌｧｲﾙです")), qPrintable(f.prompt.messages[0]));
    QCOMPARE(TestHome::readAll(f.site()), QByteArray("my notes"));
    QVERIFY(!QFileInfo::exists(f.user + QStringLiteral("Wrk/Manual.old")));
    QVERIFY(QFile::remove(f.site()));

    // Links where the work folder and its predecessor stand: the site is written, the links go,
    // the folders they point to keep everything.
    const QString elsewhere = f.dir.filePath(QStringLiteral("elsewhere"));
    const QString older = f.dir.filePath(QStringLiteral("older"));
    const QString canary2 = canaryFolder(elsewhere);
    const QString canary3 = canaryFolder(older);
    QVERIFY(!canary2.isEmpty() && !canary3.isEmpty());
    QVERIFY(QDir().mkpath(f.user + QStringLiteral("Wrk")));
    QVERIFY(QFile::link(elsewhere, f.user + QStringLiteral("Wrk/Manual")));
    QVERIFY(QFile::link(older, f.user + QStringLiteral("Wrk/Manual.old")));
    QVERIFY(publish(w, 1, true));
    QCOMPARE(f.pages(), QStringList({"1001.htm"}));
    QVERIFY(!QFileInfo(f.site()).isSymLink());
    QVERIFY(publish(w, 1, true)); // and again, over the site of the run before
    QCOMPARE(f.pages(), QStringList({"1001.htm"}));
    for (const QString &folder : {elsewhere, older}) {
        QCOMPARE(TestHome::readAll(folder + QStringLiteral("/canary.txt")), QByteArray("mine"));
        QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList({"canary.txt", "deeper"}));
    }
    QVERIFY(!QFileInfo::exists(f.user + QStringLiteral("Wrk/Manual")));
    QVERIFY(!QFileInfo::exists(f.user + QStringLiteral("Wrk/Manual.old")));
    // Files where they stand (as an older version left the user's file moved aside) are no
    // obstacle: they are the program's own.
    QVERIFY(TestHome::write(f.user + QStringLiteral("Wrk/Manual"), "stale"));
    QVERIFY(TestHome::write(f.user + QStringLiteral("Wrk/Manual.old"), "stale"));
    QVERIFY(publish(w, 1, true));
    QCOMPARE(f.pages(), QStringList({"1001.htm"}));

    // The common folder a link to a folder shared by several sites, the old files kept: the new
    // site has its own complete folder, and the shared one is neither changed nor emptied.
    const QString shared = f.dir.filePath(QStringLiteral("sharedcmn"));
    QVERIFY(QDir().mkpath(shared));
    for (const QString &name : SiteTemplate::files())
        QVERIFY(TestHome::write(shared + QLatin1Char('/') + name, "shared"));
    const QString cmn = f.site() + QStringLiteral("/cmn");
    QVERIFY(QDir(cmn).removeRecursively());
    QVERIFY(QFile::link(shared, cmn));
    QVERIFY(publish(w, 1, false));
    QVERIFY(!QFileInfo(cmn).isSymLink());
    QCOMPARE(QDir(cmn).entryList(QDir::Files).size(), SiteTemplate::files().size());
    QVERIFY(HtmlCheck::readUtf8(cmn + QStringLiteral("/page-fx.css")).contains(QStringLiteral("#vLeft")));
    for (const QString &name : SiteTemplate::files())
        QCOMPARE(TestHome::readAll(shared + QLatin1Char('/') + name), QByteArray("shared"));
}

// The first-page name is a file of the site, whatever the caller or the database hands over: a
// name that leads elsewhere is not used and the first page keeps its numbered name.
void TstSite::firstPageNameStaysInTheSite()
{
    Fixture f;
    f.page(1001, QStringLiteral("表紙"));
    f.page(1002, QStringLiteral("次"));
    f.place(0, 1001, 1, QStringLiteral("表紙"));
    f.place(1001, 1002, 1, QStringLiteral("次"));
    // The file a hostile name aims at, two levels above the work folder (user-data/Wrk/Manual).
    const QString aimed = f.user + QStringLiteral("index.html");
    QVERIFY(TestHome::write(aimed, "mine"));
    SiteWriter w;
    for (const QString &name : {QStringLiteral("../../index.html"), QStringLiteral("sub/index.htm"), QStringLiteral("..")}) {
        for (int mode : {1, 2}) {
            QVERIFY(publish(w, mode, true, name));
            QCOMPARE(TestHome::readAll(aimed), QByteArray("mine"));
            QVERIFY(!QFileInfo::exists(f.user + QStringLiteral("lnk")));
            QVERIFY(!QFileInfo::exists(f.site() + QStringLiteral("/sub")));
            QVERIFY(!QFileInfo::exists(f.user + QStringLiteral("Wrk/sub")));
            const QStringList pages = f.pages();
            QVERIFY2(pages.contains(mode == 1 ? QStringLiteral("1001.htm") : QStringLiteral("frame.htm")), qPrintable(pages.join(u' ')));
        }
        // The menu leads to the numbered first page.
        QVERIFY(publish(w, 1, true, name));
        QVERIFY(f.read(QStringLiteral("1002.htm")).contains(QStringLiteral("<a href=\"1001.htm\">表紙</a>")));
    }

    // Stored in the database: the custom page name it would give the converter's links is not used.
    QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Update kaUsr Set HiHome=1, HsHome1='http://example.com/', HsTopNm=?"),
                                     {QStringLiteral("../../index.html")}));
    Frmt::LoadHome(false);
    QCOMPARE(Frmt::st().htmList, QString());
    QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Update kaUsr Set HsTopNm='top.htm'")));
    Frmt::LoadHome(false);
    QCOMPARE(Frmt::st().htmList, QStringLiteral("1001\ttop.htm\r"));
}

// A first-page name that is a file the site writes or keeps itself would put the frame page in
// place of the navigation or of the page it shows (a frame set showing itself), drop a page, or
// overwrite the user's icon; one with "#", "?" or "%" is cut or decoded by every link to it: such
// a name is not used.
void TstSite::firstPageNameIsNoFileOfTheSite()
{
    Fixture f;
    f.page(1001, QStringLiteral("表紙"));
    f.page(1002, QStringLiteral("次"));
    f.place(0, 1001, 1, QStringLiteral("表紙"));
    f.place(1001, 1002, 1, QStringLiteral("次"));
    QVERIFY(QDir().mkpath(f.site()));
    QVERIFY(TestHome::write(f.site() + QStringLiteral("/favicon.ico"), "ICON"));
    SiteWriter w;
    for (const QString &name : {QStringLiteral("navi.htm"), QStringLiteral("NAVI.HTM"), QStringLiteral("1001.htm"),
                                QStringLiteral("1002.htm"), QStringLiteral("favicon.ico"), QStringLiteral("cmn"),
                                QStringLiteral("a#b.htm"), QStringLiteral("a?b.htm"), QStringLiteral("%41.htm")}) {
        for (int mode : {1, 2}) {
            f.prompt.messages.clear();
            QVERIFY2(publish(w, mode, true, name), qPrintable(name + f.prompt.messages.join(u' ')));
            QCOMPARE(TestHome::readAll(f.site() + QStringLiteral("/favicon.ico")), QByteArray("ICON"));
            QVERIFY2(f.read(QStringLiteral("1001.htm")).contains(QStringLiteral("表紙 の本文")), qPrintable(name));
            QVERIFY2(f.read(QStringLiteral("1002.htm")).contains(QStringLiteral("次 の本文")), qPrintable(name));
            if (mode == 2) {
                QVERIFY2(f.read(QStringLiteral("navi.htm")).contains(QStringLiteral("<ul>")), qPrintable(name));
                QVERIFY(f.read(QStringLiteral("frame.htm")).contains(QStringLiteral("src=\"1001.htm\"")));
            } else {
                QVERIFY(f.read(QStringLiteral("1002.htm")).contains(QStringLiteral("<a href=\"1001.htm\">表紙</a>")));
            }
        }
    }
    // Stored, it gives the converter's links no custom name either.
    QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Update kaUsr Set HiHome=1, HsHome1='http://example.com/', HsTopNm='1002.htm'")));
    Frmt::LoadHome(false);
    QCOMPARE(Frmt::st().htmList, QString());
}

// Many pages converted at once, all linking one file outside the site: one copy in "lnk", every
// link reaching it.
void TstSite::sharedLinkedFile()
{
    Fixture f;
    const QString outside = f.dir.filePath(QStringLiteral("docs/manual.pdf"));
    QVERIFY(QDir().mkpath(QFileInfo(outside).absolutePath()));
    QVERIFY(TestHome::write(outside, QByteArray(4 << 20, 'x')));
    for (int i = 0; i < 24; ++i) {
        PageDocument doc;
        QTextCursor c(doc.main());
        QTextCharFormat link;
        link.setProperty(TextProps::FieldId, doc.newFieldId());
        link.setProperty(TextProps::FieldType, 1);
        link.setProperty(TextProps::FieldData, outside);
        c.insertText(QStringLiteral("説明書"), link);
        f.page(1001 + i, QStringLiteral("頁%1").arg(i), PageCodec::save(doc));
        f.place(0, 1001 + i, i, QStringLiteral("頁%1").arg(i));
    }
    SiteWriter w;
    QVERIFY(publish(w));
    QCOMPARE(QDir(f.site() + QStringLiteral("/lnk")).entryList(QDir::Files), QStringList({"manual.pdf"}));
    for (int i = 0; i < 24; ++i)
        QVERIFY2(f.read(QStringLiteral("%1.htm").arg(1001 + i)).contains(QStringLiteral("href=\"lnk/manual.pdf\"")), qPrintable(QString::number(i)));
}

void TstSite::siteMap()
{
    Fixture f;
    // Seven leaves below the top: one block of two rows, the second with one link and five empty cells.
    for (int i = 0; i < 7; ++i) {
        f.page(1001 + i, QStringLiteral("葉%1").arg(i));
        f.place(0, 1001 + i, i, QStringLiteral("葉%1").arg(i));
    }
    QString map = SiteMap::MapPage(0);
    QCOMPARE(map.count(QStringLiteral("class=\"tdLf\"><a")), 7);
    QCOMPARE(map.count(QStringLiteral("<td class=\"tdLf\"></td>")), 5);
    QVERIFY(map.contains(QStringLiteral("<td rowspan=\"2\" class=\"tdNd\"></td>")));
    QVERIFY(!map.contains(QStringLiteral("tdGp\"></td>")));
    QVERIFY(map.contains(QStringLiteral("<a href=\"1001.htm\">葉0</a>")));
    // Every link of a map reaches a page of the published site, from the site's folder or from
    // elsewhere, the first page under its chosen name.
    QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Update kaUsr Set HsTopNm='index.html'")));
    SiteWriter w;
    QVERIFY(publish(w, 1, true, QStringLiteral("index.html")));
    for (const QString &where : {f.site() + QStringLiteral("/sitemap.htm"), f.dir.filePath(QStringLiteral("maps/map.htm"))}) {
        QVERIFY(QDir().mkpath(QFileInfo(where).absolutePath()));
        QVERIFY(SiteMap::MakeMap(0, where));
        const QString text = HtmlCheck::readUtf8(where);
        static const QRegularExpression href(QStringLiteral("href=\"([^\"]*)\""));
        int links = 0;
        for (auto it = href.globalMatch(text); it.hasNext(); ++links) {
            const QString target = it.next().captured(1);
            QVERIFY2(QFileInfo(QFileInfo(where).absolutePath() + QLatin1Char('/') + target).isFile(), qPrintable(where + u' ' + target));
        }
        QCOMPARE(links, 7);
        QVERIFY(text.contains(QStringLiteral("index.html\">葉0</a>")));
    }
    QVERIFY(HtmlCheck::readUtf8(f.dir.filePath(QStringLiteral("maps/map.htm"))).contains(QStringLiteral("href=\"../Htm/Manual/1002.htm\"")));
    QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Update kaUsr Set HsTopNm=''")));

    // Four levels below a group with depth limit 1: three are listed; a hidden placement is not.
    f.page(2001, Awkward);
    f.page(2002, QStringLiteral("二"));
    f.page(2003, QStringLiteral("三"));
    f.page(2004, QStringLiteral("四"));
    f.page(2005, QStringLiteral("隠"));
    f.place(0, 2001, 10, Awkward);
    f.place(2001, 2002, 1, QStringLiteral("二"));
    f.place(2002, 2003, 1, QStringLiteral("三"));
    f.place(2003, 2004, 1, QStringLiteral("四"));
    f.place(2002, 2005, 2, QStringLiteral("隠"), 0, 1);
    f.place(2003, 2002, 2, QStringLiteral("二"), 1); // a cycle below
    QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Update kaUsr Set HiPopS=1")));
    map = SiteMap::MapPage(0);
    const QString escaped = QStringLiteral("A &amp; B &lt;c&gt; &quot;q&quot; 'x' ?@~|[DOC] 😀 𝄞");
    QVERIFY(map.contains(QStringLiteral("class=\"tdGp\"><a href=\"2001.htm\">") + escaped + QStringLiteral("</a>")));
    QVERIFY(map.contains(QStringLiteral("<a href=\"2002.htm\">") + escaped + QStringLiteral("&nbsp;&gt;&nbsp;二</a>")));
    QVERIFY(map.contains(QStringLiteral(">三</a>")));
    QVERIFY(!map.contains(QStringLiteral(">四</a>")));
    QVERIFY(!map.contains(QStringLiteral("隠")));
    QVERIFY(!map.contains(QChar(1)));
    const QString file = f.dir.filePath(QStringLiteral("map.htm"));
    QVERIFY(SiteMap::MakeMap(0, file));
    QString message;
    QVERIFY2(HtmlCheck::valid(file, false, message), qPrintable(message));
    // In the database's XHTML type the map is valid XHTML.
    QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Update kaUsr Set HiType=2")));
    QVERIFY(SiteMap::MakeMap(0, file));
    QVERIFY2(HtmlCheck::valid(file, true, message), qPrintable(message));
    // Without the limit the fourth level is listed, and the cycle ends.
    QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Update kaUsr Set HiPopS=0")));
    QVERIFY(SiteMap::MapPage(0).contains(QStringLiteral(">四</a>")));
}

void TstSite::tagsToPagesNotWrittenKeepTheirText_data()
{
    QTest::addColumn<int>("mode");
    QTest::newRow("menu tree") << 1;
    QTest::newRow("frames") << 2;
}

// A tag to a page that the site does not write (placed only under a hidden placement, or not
// convertible) keeps its text without a link; a tag to a written page links it.
void TstSite::tagsToPagesNotWrittenKeepTheirText()
{
    QFETCH(int, mode);
    Fixture f;
    f.page(1001, QStringLiteral("表紙"), tagsTo({1002, 1003, 1004}));
    f.page(1002, QStringLiteral("隠れた"));
    f.page(1003, QStringLiteral("壊れた"), QByteArray("not a page"));
    f.page(1004, QStringLiteral("隣"));
    f.place(0, 1001, 1, QStringLiteral("表紙"));
    f.place(0, 1002, 2, QStringLiteral("隠れた"), 0, 1);
    f.place(0, 1003, 3, QStringLiteral("壊れた"));
    f.place(0, 1004, 4, QStringLiteral("隣"));
    SiteWriter w;
    QVERIFY(publish(w, mode));
    const QString page = f.read(QStringLiteral("1001.htm"));
    QVERIFY2(page.contains(QStringLiteral("href=\"1004.htm\"")), qPrintable(page));
    for (const QString &gone : {QStringLiteral("1002"), QStringLiteral("1003")}) {
        QVERIFY2(page.contains(QStringLiteral("tag") + gone), qPrintable(page));
        QVERIFY2(!page.contains(gone + QStringLiteral(".htm")), qPrintable(page));
    }
}

void TstSite::templatePieces()
{
    const QString fixed = SiteWriter::PageTemplate(0, false);
    QVERIFY(fixed.contains(QStringLiteral("<div id=\"vLeft\">\r\n[MENU]<!-- / vLeft --></div>\r\n<div id=\"vRight\">\r\n[DOC]\r\n")));
    QVERIFY(!fixed.contains(QStringLiteral("favicon")));
    QVERIFY(SiteWriter::PageTemplate(1, true).contains(QStringLiteral("<link rel=\"shortcut icon\" href=\"favicon.ico\">\r\n")));
    QByteArray page("a\r\n\r\n\r\nb\r\n \r\n\r\nc\r\n");
    SiteWriter::removeBlankLines(page);
    QCOMPARE(page, QByteArray("a\r\nb\r\n \r\nc\r\n"));
    QCOMPARE(SiteWriter::pageFile(7), QStringLiteral("007.htm"));
    QCOMPARE(SiteWriter::placementFile(1004, 1010, true), QStringLiteral("1004_1010.htm"));
    QCOMPARE(SiteWriter::placementFile(1004, 1010, false), QStringLiteral("1010.htm"));
}

void TstSite::statusNamesTheLastPageOfTheTree_data()
{
    QTest::addColumn<int>("mode");
    QTest::newRow("menu tree") << 1;
    QTest::newRow("frames") << 2;
}

// The pages are converted on all cores and end in no set order: the status line names them in the
// order of the tree all the same, and a run ends on the last page of the tree, whichever page took
// longest (here the first one, a long page, ends long after the short ones).
void TstSite::statusNamesTheLastPageOfTheTree()
{
    QFETCH(int, mode);
    Fixture f;
    QString longText;
    for (int i = 0; i < 3000; ++i)
        longText += QStringLiteral("長いページの段落 %1 には文字がたくさんあります。\n").arg(i);
    f.page(1001, QStringLiteral("長い"), Fixture::document(longText));
    f.place(0, 1001, 0, QStringLiteral("長い"));
    QStringList titles = {QStringLiteral("長い")};
    for (int i = 2; i <= 24; ++i) {
        const QString title = QStringLiteral("短い%1").arg(i);
        f.page(1000 + i, title);
        f.place(i % 2 ? 1001 : 0, 1000 + i, i, title);
    }
    // The walk's order: the first page's children, then the other top-level pages.
    for (int i = 3; i <= 24; i += 2)
        titles << QStringLiteral("短い%1").arg(i);
    for (int i = 2; i <= 24; i += 2)
        titles << QStringLiteral("短い%1").arg(i);
    SiteWriter w;
    QStringList said;
    w.status = [&](const QString &s) {
        if (s.endsWith(QStringLiteral("を出力しました")))
            said << s.chopped(7).section(QStringLiteral(" | "), -1);
    };
    QVERIFY(publish(w, mode));
    QVERIFY(!said.isEmpty());
    QCOMPARE(said.last(), titles.last());
    // Named in the tree's order, each page once at most.
    int at = -1;
    for (const QString &title : said) {
        const int next = int(titles.indexOf(title));
        QVERIFY2(next > at, qPrintable(said.join(u'|')));
        at = next;
    }
}

QTEST_MAIN(TstSite)
#include "tst_site.moc"

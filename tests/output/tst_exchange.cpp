// Export of a subtree into a new document database and import back, through
// real files, the real page tree and real page documents.
#include "core/TemplateDb.h"
#include "core/sbWait.h"
#include "core/Usr.h"
#include "core/zSvr.h"
#include "editor/uTxm.h"
#include "output/DbExport.h"
#include "output/DbImport.h"
#include "output/ExchangeHost.h"
#include "output/ExchangeText.h"
#include "output/sbExpDb.h"
#include "platform/db/DbConnection.h"
#include "platform/richtext/PageCodec.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/RichTextEdit.h"
#include "support/CrossingWriter.h"
#include "support/DamagedDb.h"
#include "support/OtherProgram.h"
#include "support/SampleDb.h"
#include "support/ScriptedPrompt.h"
#include "support/TestHome.h"
#include "support/UnreachablePages.h"
#include "support/WaitWatch.h"
#include "tree/uTrX.h"

#include <QFile>
#include <QProcess>
#include <QRadioButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QtTest>

namespace {

// A page document of `text` followed by one tag field to `tag` (none when empty).
QByteArray pageBytes(const QString &text, const QString &tag = QString())
{
    PageDocument page;
    RichTextEdit edit(&page);
    edit.setText(text);
    if (!tag.isEmpty()) {
        edit.setSelStart(edit.textLength());
        edit.insertField(QStringLiteral("→") + tag);
        edit.setFieldType(2);
        edit.setFieldData(QStringLiteral("TG_") + tag);
    }
    return PageCodec::saveBytes(page, 9);
}

// A page document of `text` with one tag field per key, each after a line of text.
QByteArray taggedPage(const QString &text, const QStringList &keys)
{
    PageDocument page;
    RichTextEdit edit(&page);
    edit.setText(text);
    for (const QString &key : keys) {
        edit.setSelStart(edit.textLength());
        edit.typeText(QStringLiteral("\n「") + key + QStringLiteral("」へ: "));
        edit.setSelStart(edit.textLength());
        edit.insertField(QStringLiteral("頁") + key);
        edit.setFieldType(2);
        edit.setFieldData(QStringLiteral("TG_") + key);
    }
    return PageCodec::saveBytes(page, 9);
}

// The data of every field of a stored page document, and its plain text.
QStringList fieldData(const QByteArray &bytes, QString *text = nullptr)
{
    PageDocument page;
    RichTextEdit edit(&page);
    QStringList out;
    if (!PageCodec::loadBytes(page, edit.cursor(), bytes, 9, false))
        return {QStringLiteral("unreadable")};
    for (int id = edit.nextField(0); id > 0; id = edit.nextField(id)) {
        edit.setCurrentField(id);
        out << edit.fieldData();
    }
    if (text)
        *text = edit.text();
    return out;
}

class Host : public ExchangeHost
{
public:
    QWidget window;
    uTrX tree;
    uTxm editor;
    int &page = m_pageNo;
    int &range = m_range;
    bool normalMenu = false;
    QStringList files;
    QStringList captions;
    QStringList proposals;

    Host() : editor(nullptr, nullptr)
    {
        QObject::connect(&tree, &uTrX::eSetDoc, &tree,
                         [this](const QString &, const QString &no, const QString &, int, bool) { page = no.toInt(); });
    }
    QWidget *hostWindow() override { return &window; }
    uTrX &hostTree() override { return tree; }
    uTxm &hostEditor() override { return editor; }
    void setTreeMenuMode(bool normal) override { normalMenu = normal; }
    QString selectDbFile(bool, const QString &caption, const QString &proposal) override
    {
        captions << caption;
        proposals << proposal;
        return files.isEmpty() ? QString() : files.takeFirst();
    }
};

QVariant value(const QString &sql, const QVariantList &values = {})
{
    return zSvr::instance().R_GtVaL(sql, values, QVariant());
}

QVariant valueIn(const QString &path, const QString &sql, const QVariantList &values = {})
{
    DbConnection db;
    if (!db.openSqlite(path, true))
        return QStringLiteral("unopened");
    QSqlQuery q;
    if (!db.select(q, sql, values, !values.isEmpty(), true) || !q.next())
        return QVariant();
    return q.value(0);
}

bool execIn(const QString &path, const QString &sql, const QVariantList &values = {})
{
    DbConnection db;
    return db.openSqlite(path) && db.exec(sql, values, !values.isEmpty());
}

QStringList pairsIn(const QString &path)
{
    DbConnection db;
    QSqlQuery q;
    QStringList out;
    if (!db.openSqlite(path, true)
        || !db.select(q, QStringLiteral("Select noLfP, noLfC, boLnk, boHide, boHogo From tbTree Order By noLfP, noLfC"),
                      {}, false, true))
        return out;
    while (q.next())
        out << QStringLiteral("%1>%2:%3%4%5").arg(q.value(0).toString(), q.value(1).toString(), q.value(2).toString(),
                                                q.value(3).toString(), q.value(4).toString());
    return out;
}

// The bytes of a database file but its change counters: opening a file for
// writing switches its journal mode, and that alone counts as a change.
QByteArray contentOf(QByteArray file)
{
    if (file.size() >= 100) {
        for (int at : {24, 25, 26, 27, 92, 93, 94, 95})
            file[at] = 0;
    }
    return file;
}

// Notes what the wait window shows whenever a question is asked.
class WatchingPrompt : public ScriptedPrompt
{
public:
    QStringList waitTexts;
    int message(const QString &text, int style, const QString &title) override
    {
        waitTexts << (sbWait::isShown() ? sbWait::shownMessage() : QString());
        return ScriptedPrompt::message(text, style, title);
    }
};

// True when another program holds the database file at `path` so that it cannot be read.
bool heldElsewhere(const QString &path)
{
    bool held = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("look"));
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=0"));
        if (db.open()) {
            QSqlQuery q(db);
            held = !q.exec(QStringLiteral("Select Count(*) From msDoc"));
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("look"));
    return held;
}

// True when another program holds the database file at `path` for writing.
bool writingElsewhere(const QString &path)
{
    bool held = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("probe"));
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=0"));
        if (db.open()) {
            QSqlQuery q(db);
            held = !q.exec(QStringLiteral("BEGIN IMMEDIATE"));
            if (!held)
                q.exec(QStringLiteral("ROLLBACK"));
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("probe"));
    return held;
}

// Another program (the sqlite3 shell) that writes to a database file and keeps at it until done().
struct OtherWriter {
    QProcess shell;
    bool start(const QString &path)
    {
        shell.start(QStringLiteral("sqlite3"), {path});
        if (!shell.waitForStarted())
            return false;
        shell.write("BEGIN IMMEDIATE;\n");
        QElapsedTimer waited;
        waited.start();
        while (!writingElsewhere(path) && waited.elapsed() < 30000)
            QTest::qWait(50);
        return writingElsewhere(path);
    }
    bool done()
    {
        shell.write("COMMIT;\n");
        shell.closeWriteChannel();
        return shell.waitForFinished();
    }
};

// The number of pages of the database file at `path`.
int pagesIn(const QString &path)
{
    DbConnection db;
    QSqlQuery q;
    if (!db.openSqlite(path, true) || !db.select(q, QStringLiteral("Select Count(*) From msDoc"), {}, false, true)
        || !q.next())
        return -1;
    return q.value(0).toInt();
}

const char *const QuotedFormats = "<USR_LSP>1.2</USR_LSP>\r<USR_FORMAT_0>O'Neil \"Sans\"?|14|5266053|16777215|1|0|0|0|0|160|180|160|0|0</USR_FORMAT_0>";

} // namespace

class TestExchange : public QObject
{
    Q_OBJECT

private:
    TestHome home;
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<WatchingPrompt> prompt;
    std::unique_ptr<Host> host;
    QString mainPath;

    QString path(const QString &name) const { return dir->filePath(name); }

    void page(int no, const QString &title, const QString &tag, double identity)
    {
        QVERIFY(zSvr::instance().D_ExeSq(
            QStringLiteral("Insert Into msDoc (noDoc, szDoc, txDoc, obDoc, saTgs, dyUdt, wkRnd) Values (?, ?, ?, ?, ?, ?, ?)"),
            {no, title, title, pageBytes(title + QStringLiteral(" の本文"), tag),
             tag.isEmpty() ? QStringLiteral(".") : QLatin1Char('.') + tag + QLatin1Char('.'),
             QStringLiteral("2024-01-01 10:00:00"), identity}));
    }
    void place(int parent, int child, int order, int link = 0, int hide = 0, int protect = 0)
    {
        QVERIFY(zSvr::instance().D_ExeSq(
            QStringLiteral("Insert Into tbTree (noLfP, noLfC, inSrt, szDoc, boLnk, boHide, boHogo, dyUdt)"
                           " Values (?, ?, ?, ?, ?, ?, ?, '2024-01-01 10:00:00')"),
            {parent, child, order, QStringLiteral("置%1").arg(child), link, hide, protect}));
    }

    // Opens the main database again and shows its tree with page `select` selected.
    void openMain(int select = 1001) { openTree(mainPath, select); }
    void openTree(const QString &file, int select)
    {
        QVERIFY(zSvr::instance().D_StDcDb(file));
        host->tree.ClearItem(true);
        host->tree.SetNodes(QStringLiteral("0"));
        host->tree.SetLeaf(QString::number(select));
        QVERIFY(host->tree.SlctdKy().endsWith(QLatin1Char('-') + QString::number(select)));
    }

    QString exportTo(const QString &target, int range)
    {
        sbExpDb::setRunner([range](sbExpDb &form) {
            form.opOut[range]->setChecked(true);
            return true;
        });
        host->files = {target};
        prompt->messages.clear();
        DbExport(*host).ExportDb();
        sbExpDb::setRunner({});
        return prompt->messages.value(prompt->messages.size() - 1);
    }

    QString importFrom(const QString &source, QList<int> answers, DbImport *run = nullptr)
    {
        host->files = {source};
        prompt->answers.clear();
        for (int answer : answers)
            prompt->answers.enqueue(answer);
        prompt->messages.clear();
        prompt->styles.clear();
        if (run) {
            run->ImportDb();
        } else {
            DbImport plain(*host);
            plain.ImportDb();
        }
        return prompt->messages.join(QStringLiteral(" | "));
    }

private slots:
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        prompt = std::make_unique<WatchingPrompt>();
        Usr::st().userData = dir->path() + QLatin1Char('/');
        Usr::st().busy = false;
        QVERIFY(TemplateDb::install(Usr::st().userData));
        mainPath = path(QStringLiteral("Main.txdb"));
        QVERIFY(TemplateDb::create(mainPath));
        QVERIFY(zSvr::instance().D_StDcDb(mainPath));
        page(1001, QStringLiteral("本"), QStringLiteral("1002"), 11);
        page(1002, QStringLiteral("A"), QStringLiteral("2000"), 12);
        page(1003, QStringLiteral("B"), QString(), 0); // no identity yet
        page(1004, QStringLiteral("C"), QStringLiteral("1003"), 14);
        page(12, QStringLiteral("D12"), QString(), 15);
        page(112, QStringLiteral("D112"), QString(), 16);
        page(2000, QStringLiteral("外"), QString(), 17);
        place(0, 1001, 0);
        place(1001, 1002, 0);
        place(1001, 1003, 1, 0, 1);
        place(1002, 1004, 0, 0, 0, 1);
        place(1003, 1004, 0, 1);
        place(1003, 12, 1);
        place(1003, 112, 2);
        place(0, 2000, 1);
        QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Update kaUsr Set DmFmt=?"), {QString::fromUtf8(QuotedFormats)}));
        QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Insert Into msDic (skDic, szDic) Values (?, ?)"),
                                         {QStringLiteral("it's"), QStringLiteral("a \"tip\"?")}));
        zSvr::instance().D_Close();
        host = std::make_unique<Host>();
        host->tree.resize(300, 400);
        host->tree.show();
        openMain();
    }

    void cleanup()
    {
        host.reset();
        zSvr::instance().D_Close();
        prompt.reset();
        dir.reset();
        Usr::st().busy = false;
    }

    void exportRange_data()
    {
        QTest::addColumn<int>("range");
        QTest::addColumn<QStringList>("pairs");
        QTest::addColumn<int>("pages");
        QTest::newRow("node and children") << 1 << QStringList{"0>1001:000", "1001>1002:000", "1001>1003:000"} << 3;
        QTest::newRow("node and all below")
            << 2
            << QStringList{"0>1001:000",   "1001>1002:000", "1001>1003:000", "1002>1004:000",
                           "1003>12:000", "1003>112:000",  "1003>1004:100"}
            << 6;
    }
    void exportRange()
    {
        QFETCH(int, range);
        QFETCH(QStringList, pairs);
        QFETCH(int, pages);
        const QString copy = path(QStringLiteral("Copy.txdb"));
        QCOMPARE(exportTo(copy, range), copy + QStringLiteral("へｴｸｽﾎﾟｰﾄしました"));
        QCOMPARE(prompt->messages.first(), QStringLiteral("｢置1001｣ 以降のﾍﾟｰｼﾞを独立した文書ﾃﾞｰﾀｰﾍﾞｰｽにｴｸｽﾎﾟｰﾄします"));
        QCOMPARE(host->captions, QStringList{QStringLiteral("文書ﾃﾞｰﾀｰﾍﾞｰｽのｴｸｽﾎﾟｰﾄ")});
        QCOMPARE(host->range, range);
        zSvr::instance().D_Close();
        QStringList sorted = pairsIn(copy);
        std::sort(pairs.begin(), pairs.end());
        std::sort(sorted.begin(), sorted.end());
        QCOMPARE(sorted, pairs);
        QCOMPARE(valueIn(copy, QStringLiteral("Select Count(*) From msDoc")).toInt(), pages);
        // The top placement is the tree's node text at order 0; hidden and protected marks are dropped.
        QCOMPARE(valueIn(copy, QStringLiteral("Select szDoc || ':' || inSrt From tbTree Where noLfP=0")).toString(),
                 QStringLiteral("置1001:0"));
        QCOMPARE(valueIn(copy, QStringLiteral("Select DmFmt From kaUsr")).toString(), QString::fromUtf8(QuotedFormats));
        QCOMPARE(valueIn(copy, QStringLiteral("Select szDic From msDic Where skDic=?"), {QStringLiteral("it's")}).toString(),
                 QStringLiteral("a \"tip\"?"));
        // The page without an identity got one, the same in both files.
        const double identity = valueIn(mainPath, QStringLiteral("Select wkRnd From msDoc Where noDoc=1003")).toDouble();
        QVERIFY(identity >= 1);
        QCOMPARE(valueIn(copy, QStringLiteral("Select wkRnd From msDoc Where noDoc=1003")).toDouble(), identity);
        // A tag into the copy stays; a tag to a page left out becomes plain text (no published site).
        QCOMPARE(fieldData(valueIn(copy, QStringLiteral("Select obDoc From msDoc Where noDoc=1001")).toByteArray()),
                 QStringList{QStringLiteral("TG_1002")});
        QCOMPARE(valueIn(copy, QStringLiteral("Select saTgs From msDoc Where noDoc=1001")).toString(), QStringLiteral(".1002."));
        QString text;
        QCOMPARE(fieldData(valueIn(copy, QStringLiteral("Select obDoc From msDoc Where noDoc=1002")).toByteArray(), &text),
                 QStringList());
        QVERIFY(text.contains(QStringLiteral("→2000")));
        QCOMPARE(valueIn(copy, QStringLiteral("Select saTgs From msDoc Where noDoc=1002")).toString(), QStringLiteral("."));
    }

    void roundTrip()
    {
        const QString copy = path(QStringLiteral("Copy.txdb"));
        QVERIFY(exportTo(copy, 2).endsWith(QStringLiteral("しました")));
        // The copy is edited on its own: one page changed, one page added below 1004, tags between them.
        QVERIFY(execIn(copy, QStringLiteral("Update msDoc Set szDoc=?, txDoc=?, obDoc=?, dyUdt='2025-02-01 09:00:00'"
                                            " Where noDoc=1003"),
                       {QStringLiteral("B改"), QStringLiteral("B改"), pageBytes(QStringLiteral("改訂"), QStringLiteral("1005"))}));
        QVERIFY(execIn(copy, QStringLiteral("Insert Into msDoc (noDoc, szDoc, obDoc, dyUdt, wkRnd) Values (1005, ?, ?,"
                                            " '2025-02-01 09:00:00', 777777)"),
                       {QStringLiteral("新"), pageBytes(QStringLiteral("新しい頁"), QStringLiteral("1003"))}));
        QVERIFY(execIn(copy, QStringLiteral("Insert Into tbTree (noLfP, noLfC, inSrt, szDoc) Values (1004, 1005, 3, '新')")));

        DbImport run(*host);
        const QString said = importFrom(copy, {Prompt::Yes}, &run);
        QVERIFY2(said.contains(QStringLiteral("現在のﾍﾟｰｼﾞが、ｲﾝﾎﾟｰﾄ元の本で更新されます")), qPrintable(said));
        QVERIFY2(said.endsWith(copy + QStringLiteral(" からｲﾝﾎﾟｰﾄを実行しました")), qPrintable(said));
        QVERIFY(run.done());
        QCOMPARE(run.numberMap(), QStringLiteral("12=12,112=112,1001=1001,1002=1002,1003=1003,1004=1004,1005=2001,"));
        // The changed page is updated with its tag renumbered and its tag list rebuilt; it keeps its identity.
        QCOMPARE(value(QStringLiteral("Select szDoc From msDoc Where noDoc=1003")).toString(), QStringLiteral("B改"));
        QCOMPARE(fieldData(value(QStringLiteral("Select obDoc From msDoc Where noDoc=1003")).toByteArray()),
                 QStringList{QStringLiteral("TG_2001")});
        QCOMPARE(value(QStringLiteral("Select saTgs From msDoc Where noDoc=1003")).toString(), QStringLiteral(".2001."));
        // The new page is numbered after the last page and carries the copy's identity.
        QCOMPARE(value(QStringLiteral("Select szDoc || ':' || wkRnd || ':' || saTgs From msDoc Where noDoc=2001")).toString(),
                 QStringLiteral("新:777777.0:.1003."));
        QCOMPARE(value(QStringLiteral("Select boLnk From tbTree Where noLfP=1004 And noLfC=2001")).toInt(), 0);
        // Pages that were not changed keep their rows; the tree node shows the import.
        QCOMPARE(value(QStringLiteral("Select szDoc From msDoc Where noDoc=1002")).toString(), QStringLiteral("A"));
        QVERIFY(host->tree.SlctdKy().endsWith(QStringLiteral("-1001")));
        // The root page was the same in both: it was not written, and its node keeps its text.
        QString nodeText;
        host->tree.GetNodeText(nodeText);
        QCOMPARE(nodeText, QStringLiteral("置1001"));
        QVERIFY(host->normalMenu);
        QCOMPARE(host->page, 1001);
        QVERIFY(!Usr::st().busy);
        QCOMPARE(UnreachablePages::ofOpen(), QList<qint64>{});

        // A second import of the same copy finds every page with the same time: nothing is written.
        zSvr::instance().D_Close();
        QByteArray mainBefore = TestHome::readAll(mainPath);
        QByteArray copyBefore = TestHome::readAll(copy);
        openMain();
        QVERIFY(importFrom(copy, {Prompt::Yes}).endsWith(QStringLiteral("しました")));
        zSvr::instance().D_Close();
        QCOMPARE(contentOf(TestHome::readAll(mainPath)), contentOf(mainBefore));
        QVERIFY(TestHome::readAll(copy) == copyBefore);

        // A failure half-way (the placements are refused) leaves both files exactly as they were.
        QVERIFY(execIn(copy, QStringLiteral("Insert Into msDoc (noDoc, szDoc, dyUdt, wkRnd) Values (1006, '次', '2025-03-01 09:00:00', 888)")));
        QVERIFY(execIn(copy, QStringLiteral("Insert Into tbTree (noLfP, noLfC, szDoc) Values (1005, 1006, '次')")));
        QVERIFY(execIn(copy, QStringLiteral("Update msDoc Set szDoc='B再', dyUdt='2025-03-01 09:00:00' Where noDoc=1003")));
        QVERIFY(execIn(mainPath, QStringLiteral("Create Trigger refuse Before Insert On tbTree Begin"
                                                " Select Raise(Abort, 'disk full'); End")));
        mainBefore = TestHome::readAll(mainPath);
        copyBefore = TestHome::readAll(copy);
        openMain();
        // The editor shows page 1001 as stored; after the failed import it still does.
        bool loaded = false;
        host->editor.SetData(value(QStringLiteral("Select obDoc From msDoc Where noDoc=1001")).toByteArray(), loaded, true);
        QVERIFY(loaded);
        const QString shown = host->editor.edit().text();
        host->page = 1001;
        QVERIFY(importFrom(copy, {Prompt::Yes}).endsWith(copy + QStringLiteral(" からｲﾝﾎﾟｰﾄを実行しませんでした")));
        QCOMPARE(host->editor.edit().text(), shown);
        QVERIFY(!host->editor.bDcEdt());
        QCOMPARE(host->page, 1001);
        QVERIFY(!Usr::st().busy);
        QCOMPARE(value(QStringLiteral("Select szDoc From msDoc Where noDoc=1003")).toString(), QStringLiteral("B改"));
        zSvr::instance().D_Close();
        QCOMPARE(contentOf(TestHome::readAll(mainPath)), contentOf(mainBefore));
        QVERIFY(TestHome::readAll(copy) == copyBefore);
    }

    void roundTripKeepsEveryCharacter()
    {
        // Tags of every kind: a link key whose placement lies outside the copy, one inside it, a page
        // inside and a page outside (no published site: it becomes plain text).
        place(2000, 1004, 0, 1);
        const QStringList keys{QStringLiteral("2000_1004"), QStringLiteral("1003_1004"), QStringLiteral("12"),
                               QStringLiteral("2000")};
        QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Update msDoc Set obDoc=? Where noDoc=1002"),
                                         {taggedPage(QStringLiteral("A の本文 <b>\"'?&</b>"), keys)}));
        QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Update msDoc Set obDoc=? Where noDoc=1003"),
                                         {taggedPage(QStringLiteral("B の本文"), {QStringLiteral("1001_1002")})}));
        const QString copy = path(QStringLiteral("Copy.txdb"));
        QVERIFY(exportTo(copy, 2).endsWith(QStringLiteral("しました")));
        // The copy's tags name pages of the copy only: a link key keeps its page.
        QCOMPARE(fieldData(valueIn(copy, QStringLiteral("Select obDoc From msDoc Where noDoc=1002")).toByteArray()),
                 (QStringList{"TG_1004", "TG_1004", "TG_12"}));
        QCOMPARE(valueIn(copy, QStringLiteral("Select saTgs From msDoc Where noDoc=1002")).toString(),
                 QStringLiteral(".1004.12."));

        // Into another database, at its one page: every page is written under a new number.
        zSvr::instance().D_Close();
        const QString other = path(QStringLiteral("Other.txdb"));
        QVERIFY(TemplateDb::create(other));
        QVERIFY(zSvr::instance().D_StDcDb(other));
        page(1, QStringLiteral("受け皿"), QString(), 99);
        place(0, 1, 0);
        openTree(other, 1);
        DbImport run(*host);
        const QString said = importFrom(copy, {Prompt::Ok}, &run);
        QVERIFY2(said.endsWith(QStringLiteral("ｲﾝﾎﾟｰﾄを実行しました")), qPrintable(said));
        QHash<int, int> numbers;
        for (const QString &pair : run.numberMap().split(u',', Qt::SkipEmptyParts))
            numbers.insert(pair.section(u'=', 0, 0).toInt(), pair.section(u'=', 1).toInt());
        QCOMPARE(numbers.size(), 6);
        QCOMPARE(numbers.value(1001), 1);

        // Page by page: the text of the original, the copy and the import is the same, character for character.
        for (auto it = numbers.cbegin(); it != numbers.cend(); ++it) {
            QString original, exported, imported;
            fieldData(valueIn(mainPath, QStringLiteral("Select obDoc From msDoc Where noDoc=?"), {it.key()}).toByteArray(),
                      &original);
            fieldData(valueIn(copy, QStringLiteral("Select obDoc From msDoc Where noDoc=?"), {it.key()}).toByteArray(),
                      &exported);
            const QStringList fields = fieldData(
                value(QStringLiteral("Select obDoc From msDoc Where noDoc=?"), {it.value()}).toByteArray(), &imported);
            QVERIFY2(!original.isEmpty(), qPrintable(QString::number(it.key())));
            QCOMPARE(exported, original);
            QCOMPARE(imported, original);
            QVERIFY(!fields.contains(QStringLiteral("unreadable")));
        }
        // The tags point to the imported pages.
        const QString to1004 = QStringLiteral("TG_%1").arg(numbers.value(1004));
        QCOMPARE(fieldData(value(QStringLiteral("Select obDoc From msDoc Where noDoc=?"), {numbers.value(1002)}).toByteArray()),
                 (QStringList{to1004, to1004, QStringLiteral("TG_%1").arg(numbers.value(12))}));
        QCOMPARE(fieldData(value(QStringLiteral("Select obDoc From msDoc Where noDoc=?"), {numbers.value(1003)}).toByteArray()),
                 QStringList{QStringLiteral("TG_%1").arg(numbers.value(1002))});
    }

    void importShowsTheWaitWindow()
    {
        const QString copy = path(QStringLiteral("Copy.txdb"));
        QVERIFY(exportTo(copy, 2).endsWith(QStringLiteral("しました")));
        QVERIFY(execIn(copy, QStringLiteral("Update msDoc Set szDoc='B改', dyUdt='2025-02-01 09:00:00' Where noDoc=1003")));
        // The window is painted while the import runs: what the wait window shows is noted then.
        WaitWatch painter;
        const QStringList &progress = painter.shown;
        // Keep the pages here ("No"), and keep 1003 too when asked about it.
        prompt->waitTexts.clear();
        const QString said = importFrom(copy, {Prompt::No, Prompt::Yes});
        painter.stop();
        QVERIFY2(said.contains(QStringLiteral("B改は、ｲﾝﾎﾟｰﾄ元の日付が新しいですが、上書しないで良いですか")), qPrintable(said));
        // First while the source is read, then page by page.
        QVERIFY2(progress.size() >= 2 && progress.first() == QStringLiteral("ｲﾝﾎﾟｰﾄ元を読み込んでいます")
                     && progress.at(1).startsWith(QStringLiteral("ﾍﾟｰｼﾞをｲﾝﾎﾟｰﾄしています (")),
                 qPrintable(progress.join(u'|')));
        QVERIFY(progress.at(1).endsWith(QStringLiteral("/6)")));
        // No question is hidden under it.
        QCOMPARE(prompt->waitTexts, QStringList({QString(), QString(), QString()}));
        QVERIFY(!sbWait::isShown());
        QVERIFY(!Usr::st().busy);
        QCOMPARE(value(QStringLiteral("Select szDoc From msDoc Where noDoc=1003")).toString(), QStringLiteral("B"));
    }

    void sharedIdentityIsRefused()
    {
        const QString copy = path(QStringLiteral("Copy.txdb"));
        QVERIFY(exportTo(copy, 2).endsWith(QStringLiteral("しました")));
        // Two pages of one identity would both update page 1002 here.
        QVERIFY(execIn(copy, QStringLiteral("Update msDoc Set wkRnd=12, szDoc='B改', dyUdt='2025-02-01 09:00:00'"
                                            " Where noDoc=1003")));
        zSvr::instance().D_Close();
        const QByteArray before = TestHome::readAll(mainPath);
        openMain();
        const QString said = importFrom(copy, {Prompt::Yes, Prompt::Yes, Prompt::Yes});
        QCOMPARE(said, QStringLiteral("ｲﾝﾎﾟｰﾄ元の 文書No 1002 ｢A｣ と 文書No 1003 ｢B改｣ は同一のﾘｿｰｽの文書です\n"
                                      "ｲﾝﾎﾟｰﾄを実行しませんでした"));
        zSvr::instance().D_Close();
        QCOMPARE(contentOf(TestHome::readAll(mainPath)), contentOf(before));
    }

    void twoPlacementsOfOnePair()
    {
        // Three top-level pages go below the target; 3001 is the target page itself (same identity), so
        // its child 3003 arrives twice at one place: once as a top-level page, once as 3001's child.
        const QString source = path(QStringLiteral("Three.txdb"));
        QVERIFY(TemplateDb::create(source));
        for (const auto &row : {QVariantList{3001, 11}, QVariantList{3002, 32}, QVariantList{3003, 33}})
            QVERIFY(execIn(source, QStringLiteral("Insert Into msDoc (noDoc, szDoc, txDoc, obDoc, dyUdt, wkRnd)"
                                                  " Values (?, 'S', 'S', ?, '2024-01-01 10:00:00', ?)"),
                           {row[0], pageBytes(QStringLiteral("頁%1").arg(row[0].toInt())), row[1]}));
        for (const auto &pair : {QVariantList{0, 3001, 0}, QVariantList{0, 3002, 1}, QVariantList{0, 3003, 2},
                                 QVariantList{3001, 3003, 5}})
            QVERIFY(execIn(source, QStringLiteral("Insert Into tbTree (noLfP, noLfC, inSrt, szDoc) Values (?, ?, ?, 'S')"),
                           pair));
        DbImport run(*host);
        const QString said = importFrom(source, {Prompt::Yes}, &run);
        QVERIFY2(said.endsWith(QStringLiteral("ｲﾝﾎﾟｰﾄを実行しました")), qPrintable(said));
        const int child = run.numberMap().section(QStringLiteral("3003="), 1).section(u',', 0, 0).toInt();
        QVERIFY(child > 2000);
        // One placement, written by the later of the two (its order).
        QCOMPARE(value(QStringLiteral("Select Count(*) || ':' || Max(inSrt) From tbTree Where noLfP=1001 And noLfC=?"),
                       {child}).toString(),
                 QStringLiteral("1:5"));
    }

    // A source of three new pages 3001 to 3003 (the first tags the second); `several` puts all
    // three at the top, else 3001 holds the other two.
    QString threePages(bool several)
    {
        const QString source = path(QStringLiteral("New.txdb"));
        if (!TemplateDb::create(source))
            return QString();
        for (int no : {3001, 3002, 3003}) {
            const QString tag = no == 3001 ? QStringLiteral("3002") : QString();
            if (!execIn(source, QStringLiteral("Insert Into msDoc (noDoc, szDoc, txDoc, obDoc, saTgs, dyUdt, wkRnd)"
                                               " Values (?, ?, 'S', ?, '.', '2024-01-01 10:00:00', ?)"),
                        {no, QStringLiteral("新%1").arg(no), pageBytes(QStringLiteral("頁%1").arg(no), tag), no * 10})
                || !execIn(source, QStringLiteral("Insert Into tbTree (noLfP, noLfC, inSrt, szDoc) Values (?, ?, ?, 'S')"),
                           {several || no == 3001 ? 0 : 3001, no, no - 3001}))
                return QString();
        }
        return source;
    }

    // The node chosen for the import, or a page above it, went from the tree while the question was
    // open (another program deleted its placement): nothing is written, and the user is told why.
    // The pages were written below the page that went, and the import said it was done.
    void importBelowAPageThatWentWritesNothing_data()
    {
        QTest::addColumn<int>("select");
        QTest::addColumn<bool>("newNode");   // a new node below the chosen one takes the import
        QTest::addColumn<bool>("several");   // the source has several top pages
        QTest::addColumn<int>("parent");     // the placement deleted meanwhile
        QTest::addColumn<int>("child");
        QTest::newRow("the root replaces the page; its parent went") << 1002 << false << false << 0 << 1001;
        QTest::newRow("several top pages below the page that went") << 1002 << false << true << 1001 << 1002;
        QTest::newRow("several below a page placed twice, both above went") << 1004 << false << true << 0 << 1001;
        QTest::newRow("a new node below the page that went") << 1002 << true << false << 1001 << 1002;
    }
    void importBelowAPageThatWentWritesNothing()
    {
        QFETCH(int, select);
        QFETCH(bool, newNode);
        QFETCH(bool, several);
        QFETCH(int, parent);
        QFETCH(int, child);
        const QString source = threePages(several);
        QVERIFY(!source.isEmpty());
        openMain(select);
        if (newNode)
            QVERIFY(!host->tree.trNew(2).isEmpty());
        QCOMPARE(UnreachablePages::ofOpen(), QList<qint64>{});
        QList<qint64> leftByTheOther{-1};
        prompt->meanwhile = [&](const QString &text) {
            if (!text.endsWith(QStringLiteral("実行して良いですか")))
                return;
            QVERIFY(execIn(mainPath, QStringLiteral("Delete From tbTree Where noLfP=? And noLfC=?"), {parent, child}));
            leftByTheOther = UnreachablePages::ofOpen();
        };
        const QString said = importFrom(source, {Prompt::Ok});
        prompt->meanwhile = nullptr;
        QCOMPARE(said.section(QStringLiteral(" | "), -1),
                 QStringLiteral("ｲﾝﾎﾟｰﾄ先のﾍﾟｰｼﾞは別の編集画面か他の利用者がﾂﾘｰから削除しています\n"
                                "ﾂﾘｰを最新の状態に更新してから指定し直して下さい\nｲﾝﾎﾟｰﾄを実行しませんでした"));
        QVERIFY(!leftByTheOther.isEmpty());
        QCOMPARE(UnreachablePages::ofOpen(), leftByTheOther);
        QCOMPARE(value(QStringLiteral("Select Count(*) From msDoc Where noDoc > 2000")).toInt(), 0);
        QCOMPARE(value(QStringLiteral("Select szDoc From msDoc Where noDoc = 1002")).toString(), QStringLiteral("A"));
    }

    // An import places a page of the open database (found by its identity) below the chosen page;
    // while the question was open, another user moved the chosen page below that page. Written,
    // the two would hang under each other: the import is refused with nothing written.
    void importCrossingAMoveIsRefused()
    {
        const QString source = threePages(true);
        QVERIFY(!source.isEmpty());
        // The source's first top page is page 1001 of the open database.
        QVERIFY(execIn(source, QStringLiteral("Update msDoc Set wkRnd = 11 Where noDoc = 3001")));
        openMain(2000);
        // The other's move lands once the questions are answered, as the import begins to write.
        CrossingWriter other(mainPath,
                          {{QStringLiteral("Insert Into tbTree (noLfP, noLfC, inSrt, szDoc) Values (1004, 2000, 5, '外')"), {}},
                           {QStringLiteral("Delete From tbTree Where noLfP = 0 And noLfC = 2000"), {}}},
                          {}, true, QStringLiteral("ﾍﾟｰｼﾞをｲﾝﾎﾟｰﾄしています"));
        QVERIFY(other.start());
        const QString said = importFrom(source, {Prompt::Yes, Prompt::Ok});
        QCOMPARE(other.finish(), QStringList());
        QVERIFY(other.sawWait());
        QVERIFY2(said.contains(QStringLiteral("ｲﾝﾎﾟｰﾄするとﾍﾟｰｼﾞが自分自身の下位に置かれます")), qPrintable(said));
        QCOMPARE(value(QStringLiteral("Select Count(*) From tbTree Where noLfP = 2000")).toInt(), 0);
        QCOMPARE(value(QStringLiteral("Select Count(*) From msDoc Where noDoc > 2000")).toInt(), 0);
        QCOMPARE(UnreachablePages::ofOpen(), QList<qint64>{});
    }

    // Another program added pages while the import's question was open and took the numbers planned
    // for the new pages: they take the next free ones, their tags follow, and nothing of the other
    // program's is touched (the import failed and said only that it had not run).
    void numbersTakenMeanwhileMoveOn()
    {
        const QString source = threePages(false);
        QVERIFY(!source.isEmpty());
        openMain(1002);
        prompt->meanwhile = [&](const QString &text) {
            if (!text.endsWith(QStringLiteral("実行して良いですか")))
                return;
            for (int no : {2001, 2002}) {
                QVERIFY(execIn(mainPath, QStringLiteral("Insert Into msDoc (noDoc, szDoc, txDoc) Values (?, '他', 'theirs')"), {no}));
                QVERIFY(execIn(mainPath, QStringLiteral("Insert Into tbTree (noLfP, noLfC, inSrt, szDoc) Values (0, ?, ?, '他')"),
                               {no, no}));
            }
        };
        DbImport run(*host);
        const QString said = importFrom(source, {Prompt::Ok}, &run);
        prompt->meanwhile = nullptr;
        QVERIFY2(said.endsWith(source + QStringLiteral(" からｲﾝﾎﾟｰﾄを実行しました")), qPrintable(said));
        QCOMPARE(run.numberMap(), QStringLiteral("3001=1002,3002=2003,3003=2004,"));
        QCOMPARE(value(QStringLiteral("Select Count(*) From msDoc Where txDoc = 'theirs' And noDoc In (2001, 2002)")).toInt(), 2);
        QCOMPARE(value(QStringLiteral("Select szDoc From msDoc Where noDoc = 2004")).toString(), QStringLiteral("新3003"));
        QCOMPARE(value(QStringLiteral("Select Count(*) From tbTree Where noLfP = 1002 And noLfC In (2003, 2004)")).toInt(), 2);
        QCOMPARE(fieldData(value(QStringLiteral("Select obDoc From msDoc Where noDoc = 1002")).toByteArray()),
                 QStringList{QStringLiteral("TG_2003")});
        QCOMPARE(UnreachablePages::ofOpen(), QList<qint64>{});
    }

    // A page here numbered at or near the top of the 32-bit page numbers: the new pages would be
    // numbered past them, where they could be neither shown nor opened. Nothing is written.
    void importPastTheHighestNumberWritesNothing_data()
    {
        QTest::addColumn<qint64>("highest");
        QTest::newRow("one below the highest") << qint64(0x7fffffff - 1);
        QTest::newRow("past 32 bits") << qint64(0x100000000LL + 5);
    }

    void importPastTheHighestNumberWritesNothing()
    {
        QFETCH(qint64, highest);
        const QString source = threePages(false);
        QVERIFY(!source.isEmpty());
        QVERIFY(execIn(mainPath, QStringLiteral("Insert Into msDoc (noDoc, szDoc, txDoc) Values (?, '外', 'foreign')"), {highest}));
        openMain(1002);
        const int pages = value(QStringLiteral("Select Count(*) From msDoc")).toInt();
        const int placements = value(QStringLiteral("Select Count(*) From tbTree")).toInt();
        const QString said = importFrom(source, {Prompt::Ok});
        QVERIFY2(said.contains(QStringLiteral("ｲﾝﾎﾟｰﾄするﾍﾟｰｼﾞの番号がありません\nﾍﾟｰｼﾞ番号が2147483647を超えます")), qPrintable(said));
        QCOMPARE(value(QStringLiteral("Select Count(*) From msDoc")).toInt(), pages);
        QCOMPARE(value(QStringLiteral("Select Count(*) From tbTree")).toInt(), placements);
    }

    void exportRefusesTheTemplate()
    {
        const QString templatePath = Usr::st().userData + QStringLiteral("Dbs/Moto.txdb");
        const QByteArray before = TestHome::readAll(templatePath);
        QVERIFY(!before.isEmpty());
        QCOMPARE(exportTo(templatePath, 2),
                 templatePath + QStringLiteral(" は新規ﾃﾞｰﾀｰﾍﾞｰｽの雛形です\nｴｸｽﾎﾟｰﾄ先には指定できません"));
        QVERIFY(TestHome::readAll(templatePath) == before);
    }

    void exportFromTheOpenTemplateKeepsItsLocks()
    {
        // The template opened as the database (to change its defaults) is copied without being read
        // as a plain file: another program still cannot take it from under the open connection.
        const QString templatePath = Usr::st().userData + QStringLiteral("Dbs/Moto.txdb");
        zSvr::instance().D_Close();
        QVERIFY(zSvr::instance().D_StDcDb(templatePath));
        page(1001, QStringLiteral("雛形の頁"), QString(), 21);
        place(0, 1001, 0);
        openTree(templatePath, 1001);
        const QString copy = path(QStringLiteral("FromTemplate.txdb"));
        QVERIFY(exportTo(copy, 2).endsWith(QStringLiteral("しました")));
        QCOMPARE(valueIn(copy, QStringLiteral("Select szDoc From msDoc Where noDoc=1001")).toString(),
                 QStringLiteral("雛形の頁"));
        QProcess shell;
        shell.start(QStringLiteral("sqlite3"), {templatePath});
        QVERIFY(shell.waitForStarted());
        shell.write("PRAGMA locking_mode=EXCLUSIVE;\nBEGIN EXCLUSIVE;\nCOMMIT;\n");
        shell.closeWriteChannel();
        QVERIFY(shell.waitForFinished());
        QVERIFY2(shell.readAllStandardError().contains("locked"), "the template's lock was lost");
        QVERIFY(QFileInfo::exists(templatePath + QStringLiteral("-wal")));
    }

    void refusedSources_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("text file") << QByteArray("this is not a database\n");
        QTest::newRow("empty file") << QByteArray();
        QTest::newRow("damaged header") << QByteArray("SQLite format 3\0garbage", 24);
    }
    void refusedSources()
    {
        QFETCH(QByteArray, bytes);
        const QString source = path(QStringLiteral("Other.txdb"));
        QVERIFY(TestHome::write(source, bytes));
        const QString said = importFrom(source, {});
        QCOMPARE(said, source + QStringLiteral(" は文書ﾃﾞｰﾀｰﾍﾞｰｽではありません\nｲﾝﾎﾟｰﾄを実行しませんでした"));
        QCOMPARE(TestHome::readAll(source), bytes);
        QVERIFY(!Usr::st().busy);
    }

    void refusedTargets()
    {
        // A link placement is refused before any dialog.
        QTreeWidget *view = host->tree.findChild<QTreeWidget *>(QStringLiteral("trView"));
        QVERIFY(view);
        host->tree.SetLeaf(QStringLiteral("1003"));
        view->currentItem()->setExpanded(true);
        QTreeWidgetItem *link = nullptr;
        for (QTreeWidgetItemIterator it(view); *it; ++it) {
            if ((*it)->data(0, uTrX::KeyRole).toString().startsWith(QLatin1Char('L')))
                link = *it;
        }
        QVERIFY(link);
        view->setCurrentItem(link);
        QCOMPARE(importFrom(path(QStringLiteral("x.txdb")), {}),
                 QStringLiteral("指定のﾍﾟｰｼﾞは、文書No 1004のﾘﾝｸです\nここには挿入できません"));
        QVERIFY(host->captions.isEmpty());

        // The open database itself is not a source.
        openMain();
        QVERIFY(importFrom(mainPath, {}).endsWith(QStringLiteral("ｲﾝﾎﾟｰﾄを実行しませんでした")));

        // An export whose copy cannot be made says so.
        const QString nowhere = path(QStringLiteral("missing/Copy.txdb"));
        QCOMPARE(exportTo(nowhere, 2), nowhere + QStringLiteral("へｴｸｽﾎﾟｰﾄできませんでした"));

        // A read-only open database takes nothing.
        zSvr::instance().D_Close();
        const QByteArray before = TestHome::readAll(mainPath);
        QVERIFY(QFile::setPermissions(mainPath, QFile::ReadOwner | QFile::ReadGroup));
        openMain();
        const int dialogs = int(host->captions.size());
        QCOMPARE(importFrom(path(QStringLiteral("x.txdb")), {}), zSvr::readOnlyMessage());
        QCOMPARE(host->captions.size(), dialogs);
        zSvr::instance().D_Close();
        QVERIFY(TestHome::readAll(mainPath) == before);
    }

    void damagedSourceWritesNothing_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("kind");
        QTest::newRow("a page row") << QStringLiteral("msDoc") << QStringLiteral("leaf");
        QTest::newRow("the page index") << QStringLiteral("msDoc") << QStringLiteral("internal");
        QTest::newRow("the placements") << QStringLiteral("tbTree") << QStringLiteral("leaf");
        // Read without an error, as garbage: only a look through the whole file finds it.
        QTest::newRow("a document's overflow") << QStringLiteral("msDoc") << QStringLiteral("overflow");
    }
    void damagedSourceWritesNothing()
    {
        QFETCH(QString, table);
        QFETCH(QString, kind);
        const QString source = path(QStringLiteral("Damaged.txdb"));
        QVERIFY(SampleDb::generate(source));
        QVERIFY(DamagedDb::damage(source, table, kind));
        const QByteArray sourceBefore = TestHome::readAll(source);
        zSvr::instance().D_Close();
        const QByteArray before = TestHome::readAll(mainPath);
        openMain();
        const QString said = importFrom(source, {Prompt::Ok, Prompt::Yes, Prompt::Yes, Prompt::Yes});
        QCOMPARE(said, source + QStringLiteral(" を読み込めませんでした\nﾌｧｲﾙが壊れています\nｲﾝﾎﾟｰﾄを実行しませんでした"));
        QVERIFY(!Usr::st().busy);
        QVERIFY(!sbWait::isShown());
        zSvr::instance().D_Close();
        QCOMPARE(contentOf(TestHome::readAll(mainPath)), contentOf(before));
        QVERIFY(TestHome::readAll(source) == sourceBefore);
    }

    void damagedDatabaseEndsTheExport_data()
    {
        QTest::addColumn<bool>("readOnly");
        QTest::newRow("read-only") << true;
        // Its pages cannot all be given an identity either: nothing is exported.
        QTest::newRow("writable") << false;
    }
    void damagedDatabaseEndsTheExport()
    {
        QFETCH(bool, readOnly);
        // A sample with one page row damaged: no subtree is exported from it, even one whose pages read.
        const QString sample = path(QStringLiteral("Sample.txdb"));
        QVERIFY(SampleDb::generate(sample));
        zSvr::instance().D_Close();
        QVERIFY(DamagedDb::damage(sample, QStringLiteral("msDoc"), QStringLiteral("leaf")));
        if (readOnly)
            QVERIFY(QFile::setPermissions(sample, QFile::ReadOwner));
        QVERIFY(zSvr::instance().D_StDcDb(sample));
        DbTable top;
        const int count = zSvr::instance().R_Ary(QStringLiteral("Select noLfC From tbTree Where noLfP=0"), top);
        QVERIFY(count >= 2);
        for (int r = 0; r < count; ++r) {
            const int page = top.at(0, r).toInt();
            openTree(sample, page);
            const QString copy = path(QStringLiteral("Part%1.txdb").arg(page));
            QCOMPARE(exportTo(copy, 2), copy + QStringLiteral("へｴｸｽﾎﾟｰﾄできませんでした\n") + sample
                                            + QStringLiteral(" を読み込めませんでした\nﾌｧｲﾙが壊れています"));
            QVERIFY(!QFileInfo::exists(copy));
            QVERIFY(!QFileInfo::exists(DbFiles::partialName(copy)));
        }
        QVERIFY(!sbWait::isShown());
    }

    // A database another program has open is not replaced; one it left with its log (it was killed)
    // is replaced whole, its log gone with it.
    void exportOverADatabaseElsewhere_data()
    {
        QTest::addColumn<bool>("stillOpen");
        QTest::newRow("open in another program") << true;
        QTest::newRow("left with its log") << false;
    }
    void exportOverADatabaseElsewhere()
    {
        QFETCH(bool, stillOpen);
        const QString other = path(QStringLiteral("Other.txdb"));
        QVERIFY(SampleDb::generate(other));
        const int pages = pagesIn(other);
        OtherProgram program;
        QVERIFY(program.open(other));
        // The other program's saves are in its log; a killed one leaves a log of a few pages of its file.
        QVERIFY(program.run(stillOpen ? "Insert Into msDoc (noDoc, szDoc) Select noDoc + 100000, szDoc From msDoc;"
                                      : "Update kaUsr Set HsPub = 'stale';"));
        if (!stillOpen)
            program.kill();
        QVERIFY(QFileInfo::exists(other + QStringLiteral("-wal")));
        const QString said = exportTo(other, 2);
        if (stillOpen) {
            QCOMPARE(said, other + QStringLiteral(" は他のﾌﾟﾛｸﾞﾗﾑが使用中です"));
            QVERIFY(program.run("Select Count(*) From msDoc;"));
            program.close();
            QCOMPARE(pagesIn(other), 2 * pages);
        } else {
            QCOMPARE(said, other + QStringLiteral("へｴｸｽﾎﾟｰﾄしました"));
            QVERIFY(!QFileInfo::exists(other + QStringLiteral("-wal")));
            QCOMPARE(pagesIn(other), 6);
            // Nothing of the old file's log came into the new one.
            QCOMPARE(valueIn(other, QStringLiteral("Select HsPub From kaUsr")),
                     valueIn(Usr::st().userData + QStringLiteral("Dbs/Moto.txdb"), QStringLiteral("Select HsPub From kaUsr")));
        }
        QCOMPARE(valueIn(other, QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));
        QVERIFY(!QFileInfo::exists(DbFiles::partialName(other)));
    }

    void lockedSourceIsInUse()
    {
        const QString copy = path(QStringLiteral("Copy.txdb"));
        QVERIFY(exportTo(copy, 2).endsWith(QStringLiteral("しました")));
        QVERIFY(execIn(copy, QStringLiteral("Update msDoc Set dyUdt='2025-02-01 09:00:00' Where noDoc=1003")));
        // Another program holds the file for writing and keeps it.
        QProcess shell;
        shell.start(QStringLiteral("sqlite3"), {copy});
        QVERIFY(shell.waitForStarted());
        shell.write("PRAGMA journal_mode=DELETE;\nBEGIN EXCLUSIVE;\n");
        QElapsedTimer waited;
        waited.start();
        while (!heldElsewhere(copy) && waited.elapsed() < 30000)
            QTest::qWait(50);
        QVERIFY2(heldElsewhere(copy), shell.readAllStandardError().constData());
        zSvr::instance().D_Close();
        const QByteArray before = TestHome::readAll(mainPath);
        openMain();
        // What the wait window shows while the import waits for the file.
        WaitWatch watch;
        const QStringList &shown = watch.shown;
        const QString said = importFrom(copy, {Prompt::Yes, Prompt::Yes});
        watch.stop();
        QCOMPARE(said, copy + QStringLiteral(" は他のﾌﾟﾛｸﾞﾗﾑが使用中です\nｲﾝﾎﾟｰﾄを実行しませんでした"));
        QCOMPARE(shown.value(0), QStringLiteral("ｲﾝﾎﾟｰﾄ元を読み込んでいます"));
        QVERIFY(!Usr::st().busy);
        shell.write("COMMIT;\n");
        shell.closeWriteChannel();
        QVERIFY(shell.waitForFinished());
        zSvr::instance().D_Close();
        QCOMPARE(contentOf(TestHome::readAll(mainPath)), contentOf(before));
        // Once the other program is done, the same import runs.
        openMain();
        QVERIFY(importFrom(copy, {Prompt::Yes}).endsWith(copy + QStringLiteral(" からｲﾝﾎﾟｰﾄを実行しました")));
    }

    void identitiesThatCannotBeGivenEndTheExport()
    {
        // Another program writes to the open database and keeps at it; page 1003 has no identity yet.
        OtherWriter writer;
        QVERIFY2(writer.start(mainPath), writer.shell.readAllStandardError().constData());
        zSvr::instance().connection().setCommandTimeout(1);
        WaitWatch watch;
        const QStringList &shown = watch.shown;
        // A copy holding 1003 would hold it without an identity: none is made.
        const QString copy = path(QStringLiteral("Copy.txdb"));
        QCOMPARE(exportTo(copy, 2), copy + QStringLiteral("へｴｸｽﾎﾟｰﾄできませんでした\n") + mainPath
                                        + QStringLiteral(" は他のﾌﾟﾛｸﾞﾗﾑが使用中です"));
        QVERIFY(!QFileInfo::exists(copy));
        QCOMPARE(shown.value(0), sbWait::defaultMessage());
        // A part whose pages all have one goes.
        openMain(2000);
        zSvr::instance().connection().setCommandTimeout(1);
        const QString other = path(QStringLiteral("Other.txdb"));
        QCOMPARE(exportTo(other, 2), other + QStringLiteral("へｴｸｽﾎﾟｰﾄしました"));
        watch.stop();
        QVERIFY(!Usr::st().busy);
        QVERIFY(writer.done());
        // Once the other program is done, 1003 gets its identity and goes too.
        openMain();
        QCOMPARE(exportTo(copy, 2), copy + QStringLiteral("へｴｸｽﾎﾟｰﾄしました"));
        QVERIFY(valueIn(copy, QStringLiteral("Select wkRnd From msDoc Where noDoc=1003")).toDouble() >= 1);
    }

    void homePlacementsThatCannotBeSetEndTheImport()
    {
        // The copy's pages are all new here; 1004 stands twice in it, and one of its placements
        // has to become a link, which the open database refuses.
        const QString copy = path(QStringLiteral("Copy.txdb"));
        QVERIFY(exportTo(copy, 2).endsWith(QStringLiteral("しました")));
        QVERIFY(execIn(copy, QStringLiteral("Update msDoc Set wkRnd = wkRnd + 1000")));
        QVERIFY(execIn(mainPath, QStringLiteral("Create Trigger refuseLinks Before Update Of boLnk On tbTree"
                                                " Begin Select Raise(Abort, 'refused'); End")));
        zSvr::instance().D_Close();
        const QByteArray before = TestHome::readAll(mainPath);
        openMain();
        host->tree.trNew(1);
        const QString said = importFrom(copy, {Prompt::Ok});
        QCOMPARE(said.section(QStringLiteral(" | "), -1), copy + QStringLiteral(" からｲﾝﾎﾟｰﾄを実行しませんでした"));
        QVERIFY(!Usr::st().busy);
        zSvr::instance().D_Close();
        QCOMPARE(contentOf(TestHome::readAll(mainPath)), contentOf(before));
    }

    void lockedTargetIsWaitedForUnderTheWaitWindow()
    {
        const QString copy = path(QStringLiteral("Copy.txdb"));
        QVERIFY(exportTo(copy, 2).endsWith(QStringLiteral("しました")));
        QVERIFY(execIn(copy, QStringLiteral("Update msDoc Set dyUdt='2025-02-01 09:00:00' Where noDoc=1003")));
        // Another program writes to the open database and keeps at it.
        OtherWriter writer;
        QVERIFY2(writer.start(mainPath), writer.shell.readAllStandardError().constData());
        zSvr::instance().connection().setCommandTimeout(1);
        WaitWatch watch;
        const QStringList &shown = watch.shown;
        const QString said = importFrom(copy, {Prompt::Yes});
        watch.stop();
        // The wait is shown, and its end says why nothing was imported.
        QVERIFY2(shown.value(1).startsWith(QStringLiteral("ﾍﾟｰｼﾞをｲﾝﾎﾟｰﾄしています (")), qPrintable(shown.join(u'|')));
        QVERIFY2(said.endsWith(mainPath + QStringLiteral(" は他のﾌﾟﾛｸﾞﾗﾑが使用中です\nｲﾝﾎﾟｰﾄを実行しませんでした")),
                 qPrintable(said));
        QVERIFY(!Usr::st().busy);
        QVERIFY(!sbWait::isShown());
        QVERIFY(writer.done());
        QCOMPARE(value(QStringLiteral("Select '' || dyUdt From msDoc Where noDoc=1003")).toString(),
                 QStringLiteral("2024-01-01 10:00:00"));
        QVERIFY(importFrom(copy, {Prompt::Yes}).endsWith(copy + QStringLiteral(" からｲﾝﾎﾟｰﾄを実行しました")));
        QCOMPARE(value(QStringLiteral("Select '' || dyUdt From msDoc Where noDoc=1003")).toString(),
                 QStringLiteral("2025-02-01 09:00:00"));
    }

    void rootStandingElsewhereIsRefused_data()
    {
        QTest::addColumn<bool>("newNode");
        QTest::addColumn<bool>("unplaced");
        QTest::newRow("another page") << false << false;
        QTest::newRow("a new node beside it") << true << false;
        QTest::newRow("another page, the page outside the tree") << false << true;
    }
    void rootStandingElsewhereIsRefused()
    {
        QFETCH(bool, newNode);
        QFETCH(bool, unplaced);
        // The sample's 用語集 (1003) is exported; the copy is brought back at はじめに (1001).
        const QString sample = path(QStringLiteral("Sample.txdb"));
        QVERIFY(SampleDb::generate(sample));
        openTree(sample, 1003);
        QString nodeText;
        host->tree.GetNodeText(nodeText);
        QCOMPARE(nodeText, QStringLiteral("用語集"));
        const QString copy = path(QStringLiteral("Glossary.txdb"));
        QVERIFY(exportTo(copy, 2).endsWith(QStringLiteral("しました")));
        if (unplaced)
            QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Delete From tbTree Where noLfC=1003")));
        zSvr::instance().D_Close();
        const QByteArray before = TestHome::readAll(sample);
        openTree(sample, 1001);
        if (newNode)
            host->tree.trNew(1);
        const QString key = host->tree.SlctdKy();
        host->tree.GetNodeText(nodeText);
        const QString said = importFrom(copy, {Prompt::No, Prompt::Yes, Prompt::Yes});
        QCOMPARE(said, unplaced ? QStringLiteral("ｲﾝﾎﾟｰﾄ対象の文書は ﾂﾘｰにない 文書No 1003 ｢用語集｣ として存在しています\n"
                                                 "これを戻す場合は、新規ﾍﾟｰｼﾞを作成して、そこにｲﾝﾎﾟｰﾄを行って下さい")
                                : QStringLiteral("ｲﾝﾎﾟｰﾄ対象の文書は  ⇒ 用語集　に存在しています\n"
                                                 "これを更新する場合は、このﾍﾟｰｼﾞを指定して、ｲﾝﾎﾟｰﾄを行って下さい"));
        // The node is left as it was, and so is the database.
        QCOMPARE(host->tree.SlctdKy(), key);
        QString after;
        host->tree.GetNodeText(after);
        QCOMPARE(after, nodeText);
        zSvr::instance().D_Close();
        QCOMPARE(contentOf(TestHome::readAll(sample)), contentOf(before));
    }

    void anUnplacedPageTakesANewNode()
    {
        // A page kept outside the tree (its placement deleted) comes back at a new node.
        const QString sample = path(QStringLiteral("Sample.txdb"));
        QVERIFY(SampleDb::generate(sample));
        openTree(sample, 1003);
        const QString copy = path(QStringLiteral("Glossary.txdb"));
        QVERIFY(exportTo(copy, 2).endsWith(QStringLiteral("しました")));
        QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Delete From tbTree Where noLfP=0 And noLfC=1003")));
        openTree(sample, 1001);
        host->tree.trNew(1);
        const QString said = importFrom(copy, {Prompt::Yes});
        QVERIFY2(said.endsWith(QStringLiteral("ｲﾝﾎﾟｰﾄを実行しました")), qPrintable(said));
        QVERIFY(host->tree.SlctdKy().endsWith(QStringLiteral("-1003")));
        QString nodeText;
        host->tree.GetNodeText(nodeText);
        QCOMPARE(nodeText, QStringLiteral("用語集"));
        QCOMPARE(value(QStringLiteral("Select Count(*) From tbTree Where noLfP=0 And noLfC=1003")).toInt(), 1);
        QCOMPARE(UnreachablePages::ofOpen(), QList<qint64>{});
    }

    void strippedTagsAreKeptWhenAsked_data()
    {
        QTest::addColumn<int>("answer");
        QTest::newRow("no keeps the tagged page") << int(Prompt::No);
        QTest::newRow("yes replaces it") << int(Prompt::Yes);
    }
    void strippedTagsAreKeptWhenAsked()
    {
        QFETCH(int, answer);
        // Page 1002 tags 2000, outside the copy: without a published site the copy keeps its text only.
        const QString copy = path(QStringLiteral("Copy.txdb"));
        QVERIFY(exportTo(copy, 2).endsWith(QStringLiteral("しました")));
        QVERIFY(execIn(copy, QStringLiteral("Update msDoc Set dyUdt='2025-02-01 09:00:00', szDoc=szDoc || '改'"
                                            " Where noDoc In (1001, 1002, 1003)")));
        const QString said = importFrom(copy, {Prompt::Yes, answer});
        QVERIFY2(said.contains(QStringLiteral("次のﾍﾟｰｼﾞは、ｲﾝﾎﾟｰﾄ元ではﾀｸﾞ(文書ﾃﾞｰﾀｰﾍﾞｰｽ内のﾘﾝｸ)が外れています\n｢A改｣\n"
                                              "ﾀｸﾞの外れたﾍﾟｰｼﾞで上書して良いですか\n"
                                              "上書する ⇒ はい　 現在のﾍﾟｰｼﾞを残す ⇒ いいえ")),
                 qPrintable(said));
        QCOMPARE(prompt->styles.value(1), int(Prompt::YesNo | Prompt::DefaultButton2));
        QVERIFY2(said.endsWith(QStringLiteral("ｲﾝﾎﾟｰﾄを実行しました")), qPrintable(said));
        // The pages that lost no tag are written either way; the node shows its written page's title.
        QCOMPARE(value(QStringLiteral("Select szDoc From msDoc Where noDoc=1003")).toString(), QStringLiteral("B改"));
        QString nodeText;
        host->tree.GetNodeText(nodeText);
        QCOMPARE(nodeText, QStringLiteral("本改"));
        const QStringList tags = fieldData(value(QStringLiteral("Select obDoc From msDoc Where noDoc=1002")).toByteArray());
        if (answer == Prompt::No) {
            QCOMPARE(tags, QStringList{QStringLiteral("TG_2000")});
            QCOMPARE(value(QStringLiteral("Select szDoc || saTgs From msDoc Where noDoc=1002")).toString(),
                     QStringLiteral("A.2000."));
        } else {
            QCOMPARE(tags, QStringList());
            QCOMPARE(value(QStringLiteral("Select szDoc From msDoc Where noDoc=1002")).toString(), QStringLiteral("A改"));
        }
    }

    void datesAndTagListsAsTheSourceHolds()
    {
        QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Update msDoc Set dyUdt='2024-01-01 10:00:00.250' Where noDoc=1002")));
        QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Update tbTree Set dyUdt='2023-05-06 07:08:09' Where noLfC=1001")));
        QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Update tbTree Set dyUdt_P='2023-06-07 08:09:10' Where noLfC=1002")));
        const QString copy = path(QStringLiteral("Copy.txdb"));
        QVERIFY(exportTo(copy, 2).endsWith(QStringLiteral("しました")));
        // The copy keeps the milliseconds and the top placement's date.
        QCOMPARE(valueIn(copy, QStringLiteral("Select dyUdt From msDoc Where noDoc=1002")).toString(),
                 QStringLiteral("2024-01-01 10:00:00.250"));
        QCOMPARE(valueIn(copy, QStringLiteral("Select dyUdt From tbTree Where noLfP=0")).toString(),
                 QStringLiteral("2023-05-06 07:08:09"));
        // An older copy has no date at its top; a page without a document has an empty tag list.
        QVERIFY(execIn(copy, QStringLiteral("Update tbTree Set dyUdt=Null Where noLfP=0")));
        QVERIFY(execIn(copy, QStringLiteral("Update tbTree Set szDoc='置改' Where noLfP=0")));
        QVERIFY(execIn(copy, QStringLiteral("Update tbTree Set szDoc='A置改' Where noLfC=1002")));
        QVERIFY(execIn(copy, QStringLiteral("Update msDoc Set dyUdt='2025-02-01 09:00:00.125' Where noDoc=1003")));
        QVERIFY(execIn(copy, QStringLiteral("Insert Into msDoc (noDoc, szDoc, saTgs, dyUdt, wkRnd)"
                                            " Values (1006, '空', '', '2025-02-01 09:00:00.500', 606)")));
        QVERIFY(execIn(copy, QStringLiteral("Insert Into tbTree (noLfP, noLfC, szDoc) Values (1001, 1006, '空')")));
        QVERIFY(importFrom(copy, {Prompt::Yes}).endsWith(QStringLiteral("しました")));
        QCOMPARE(value(QStringLiteral("Select '' || dyUdt From msDoc Where noDoc=1003")).toString(),
                 QStringLiteral("2025-02-01 09:00:00.125"));
        QCOMPARE(value(QStringLiteral("Select dyUdt || '|' || saTgs || '|' || (obDoc Is Null) From msDoc Where szDoc='空'"))
                     .toString(),
                 QStringLiteral("2025-02-01 09:00:00.500||1"));
        // The placements took their titles; the dates the copy does not hold stayed.
        QCOMPARE(value(QStringLiteral("Select szDoc || '|' || dyUdt From tbTree Where noLfP=0 And noLfC=1001")).toString(),
                 QStringLiteral("置改|2023-05-06 07:08:09"));
        QCOMPARE(value(QStringLiteral("Select szDoc || '|' || dyUdt_P From tbTree Where noLfC=1002")).toString(),
                 QStringLiteral("A置改|2023-06-07 08:09:10"));
    }

    void proposalsAndQuestionsFitTheScreen()
    {
        // A title that is no file name: the dialog would read its quotes as separators.
        QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Update msDoc Set szDoc=? Where noDoc=1001"),
                                         {QStringLiteral("Top & <b>bold</b> \"quoted\"")}));
        const QString copy = path(QStringLiteral("Copy.txdb"));
        QVERIFY(exportTo(copy, 2).endsWith(QStringLiteral("しました")));
        QCOMPARE(host->proposals.value(0),
                 Usr::st().userData + QStringLiteral("Dbs/Top & _b_bold__b_ _quoted_.txdb"));
        // A source whose root has a title of 3,000 characters: every question stays a few lines.
        const QString longTitle = QString(3000, QChar(u'長'));
        QVERIFY(execIn(copy, QStringLiteral("Update msDoc Set szDoc=?, dyUdt='2025-02-01 09:00:00' Where noDoc=1001"),
                       {longTitle}));
        QVERIFY(execIn(copy, QStringLiteral("Update msDoc Set szDoc=?, dyUdt='2020-02-01 09:00:00' Where noDoc=1003"),
                       {longTitle}));
        const QString said = importFrom(copy, {Prompt::No, Prompt::Yes, Prompt::Yes});
        QCOMPARE(prompt->messages.size(), 3);
        for (const QString &text : std::as_const(prompt->messages))
            QVERIFY2(text.size() < 300 && text.count(u'\n') < 5, qPrintable(text.left(200)));
        QVERIFY(prompt->messages.value(1).startsWith(QString(60, QChar(u'長')) + QStringLiteral("…は、")));
    }

    void shortTitles_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("shown");
        QTest::newRow("short, on one line") << QStringLiteral("一\n二\t三") << QStringLiteral("一 二 三");
        QTest::newRow("long") << QString(61, QChar(u'長')) << QString(60, QChar(u'長')) + QStringLiteral("…");
        QTest::newRow("an emoji at the cut") << QString(59, QChar(u'長')) + QStringLiteral("😀長")
                                             << QString(59, QChar(u'長')) + QStringLiteral("😀…");
        QTest::newRow("a voiced mark at the cut") << QString(59, QChar(u'長')) + QStringLiteral("か\u3099長")
                                                  << QString(59, QChar(u'長')) + QStringLiteral("か\u3099…");
    }
    void shortTitles()
    {
        QFETCH(QString, title);
        QFETCH(QString, shown);
        QCOMPARE(ExchangeText::shortTitle(title), shown);
    }

    void fileNames_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("name");
        QTest::newRow("separators and wildcards") << QStringLiteral("a/b\\c:d*e?f|g") << QStringLiteral("a_b_c_d_e_f_g");
        QTest::newRow("controls") << QStringLiteral("一\t二\n三\u200b") << QStringLiteral("一_二_三_");
        QTest::newRow("hidden") << QStringLiteral("..隠し. ") << QStringLiteral("隠し");
        QTest::newRow("nothing left") << QStringLiteral(" . ") << QStringLiteral("1001");
        QTest::newRow("long") << QString(300, QChar(u'字')) << QString(80, QChar(u'字'));
        QTest::newRow("long, an emoji at the cut") << QString(79, QChar(u'字')) + QStringLiteral("😀字")
                                                   << QString(79, QChar(u'字'));
    }
    void fileNames()
    {
        QFETCH(QString, title);
        QFETCH(QString, name);
        QCOMPARE(ExchangeText::fileName(title, QStringLiteral("1001")), name);
    }
};

QTEST_MAIN(TestExchange)
#include "tst_exchange.moc"

// Each run keeps its own look in every output: a page of formatted runs among plain words (read from an
// HTML file, a table typed, headings typed with F2-F4, a heading word set not bold) published as a site in
// every layout, with frames, in the browser's preview (each with every document type of the database), as
// a book and as a Word document;
// each output is read word by word (classes resolved through the page's style sheet, Word's styles
// through styles.xml) and every word must carry the look the editor shows for it.
#include "MainFixture.h"
#include "core/Frmt.h"
#include "core/SiteTemplate.h"
#include "output/word/sbExpDc.h"
#include "platform/docx/ZipPackage.h"
#include "publish/epub/sbEpub.h"
#include "publish/converter/yHtm.h"
#include "publish/site/sbHtm.h"
#include "support/EpubCheck.h"
#include "support/FormatRuns.h"
#include "support/HtmlCheck.h"
#include "support/RecordingLauncher.h"

#include <QAbstractButton>
#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QTextCursor>

namespace {

// One formatted run among plain words at a paragraph's start, middle or end, in paragraphs, list items,
// cells and headings; paragraphs, items and cells wholly raised; a cell of two paragraphs; runs that
// fill their paragraph, which may be merged into it.
const char *const Source = R"(<html><body>
<p>Pa1 Pa2 <i>Pa3</i></p>
<p><b>Pb1</b> Pb2 Pb3</p>
<p>Pc1 <u>Pc2</u> Pc3</p>
<p>Pd1 <s>Pd2</s> Pd3</p>
<p>Pe1 <span style="font-size:20pt">Pe2</span> Pe3</p>
<p>Pf1 Pf2 <span style="font-family:'Courier New'">Pf3</span></p>
<p><span style="color:#FF0000">Pg1</span> Pg2 Pg3</p>
<p>Ph1 <span style="background-color:#FFFF00">Ph2</span> Ph3</p>
<p>Pi1 Pi2 <sup>Pi3</sup></p>
<p><sub>Pj1</sub> Pj2 Pj3</p>
<p>Pk1 <a href="https://example.com/k">Pk2</a> Pk3</p>
<p><sup>Pl1 Pl2</sup></p>
<p><sub>Pm1</sub></p>
<p><b>Pn1 Pn2</b></p>
<p>Po1 <i>Po2</i> Po3 <i>Po4</i></p>
<ul>
<li>La1 <i>La2</i></li>
<li><span style="background-color:#FFFF00">Lb1</span> Lb2</li>
<li>Lc1 <b>Lc2</b> Lc3</li>
<li><sup>Ld1 Ld2</sup></li>
<li><span style="font-size:20pt">Le1</span> Le2</li>
<li>Lf1 <a href="https://example.com/f">Lf2</a></li>
<li><i>Lg1 Lg2</i></li>
</ul>
<table border="1">
<tr><td>Ta1 <i>Ta2</i> Ta3 <i>Ta4</i></td><td>Tb1 <span style="font-size:20pt">Tb2</span></td></tr>
<tr><td><p>Tc1 <b>Tc2</b></p><p>Tc3 Tc4</p></td><td><sup>Td1 Td2</sup></td></tr>
<tr><td><u>Te1</u> Te2</td><td>Tf1 <span style="color:#0000FF">Tf2</span> Tf3</td></tr>
<tr><td><b>Tg1 Tg2</b></td><td><p><b>Th1</b></p><p>Th2</p></td></tr>
</table>
<h1>Ha1 <i>Ha2</i> Ha3</h1>
<h2><span style="color:#FF0000">Hb1</span> Hb2</h2>
<h3>Hc1 Hc2 <u>Hc3</u></h3>
<p>Za1 Za2</p>
</body></html>
)";

// What the editor must show of the page built below (a check that the page is the one the rows judge).
const QMap<QString, QString> Planned = {
    {"Pa1", ""}, {"Pa3", "i"}, {"Pb1", "b"}, {"Pc2", "u"}, {"Pd2", "s"}, {"Pe2", "size=20"},
    {"Pf3", "font=Courier New"}, {"Pg1", "colour=#FF0000"}, {"Ph2", "back=#FFFF00"}, {"Pi3", "sup"},
    {"Pj1", "sub"}, {"Pk2", "link"}, {"Pl1", "sup"}, {"Pm1", "sub"}, {"Pn2", "b"}, {"Po4", "i"},
    {"La1", ""}, {"La2", "i"}, {"Lb1", "back=#FFFF00"}, {"Ld2", "sup"}, {"Le1", "size=20"}, {"Lf2", "link"},
    {"Ta2", "i"}, {"Ta3", ""}, {"Tb2", "size=20"}, {"Tc2", "b"}, {"Tc3", ""}, {"Td1", "sup"}, {"Tf2", "colour=#0000FF"},
    {"Th1", "b"}, {"Th2", ""}, {"Za1", ""}, {"Ua2", "i"}, {"Ua3", ""}, {"Ub2", "size=20"}, {"Uc2", "b"}, {"Uc3", ""},
    {"Ud1", "b"}, {"Ud2", ""}, {"Ue2", "sup"}, {"Uf1", "i"}};

struct Published {
    std::unique_ptr<MainFixture> f;
    RecordingLauncher launcher; // nothing opens the pages
    FormatRuns::BodyLook body;
    QMap<QString, QString> shown; // the editor's looks of the page's words
};

Published *published = nullptr;

// A new paragraph at the end, then its user style (F2 = 0, F3 = 1, F4 = 2).
void typeHeading(MainFixture &f, const QString &text, int style)
{
    RichTextEdit &edit = f.editor().edit();
    edit.setSelStart(edit.textLength());
    edit.typeText(QStringLiteral("\n") + text);
    f.window->fnMenu(5, style);
}

RichTextEdit &selectWord(MainFixture &f, const QString &word)
{
    RichTextEdit &edit = f.editor().edit();
    edit.select(int(edit.text().indexOf(word)), int(word.size()));
    return edit;
}

// Text raised: the editor shows it from a file read in (it has no command of its own for it).
void raise(MainFixture &f, const QString &text)
{
    QTextCursor c(f.editor().edit().document());
    c.setPosition(int(f.editor().edit().text().indexOf(text)));
    c.setPosition(c.position() + int(text.size()), QTextCursor::KeepAnchor);
    QTextCharFormat raised;
    raised.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
    c.mergeCharFormat(raised);
}

// A table typed in the editor (its paragraphs have no spacing, so that the cells' paragraphs fold into
// the cells): two italic runs among plain words, one 20pt run, two paragraphs of which one holds a bold
// word, a first paragraph wholly bold, a cell wholly raised, a cell wholly italic.
void typeTable(MainFixture &f)
{
    RichTextEdit &edit = f.editor().edit();
    edit.setSelStart(edit.textLength());
    edit.typeText(QStringLiteral("\n"));
    const int table = edit.insertTable(3, 2);
    edit.setCellText(table, 1, 1, QStringLiteral("Ua1 Ua2 Ua3 Ua4"));
    edit.setCellText(table, 1, 2, QStringLiteral("Ub1 Ub2"));
    edit.setCellText(table, 2, 1, QStringLiteral("Uc1 Uc2\nUc3 Uc4"));
    edit.setCellText(table, 2, 2, QStringLiteral("Ud1\nUd2"));
    edit.setCellText(table, 3, 1, QStringLiteral("Ue1 Ue2"));
    edit.setCellText(table, 3, 2, QStringLiteral("Uf1 Uf2"));
    selectWord(f, QStringLiteral("Ua2")).setItalic(true);
    selectWord(f, QStringLiteral("Ua4")).setItalic(true);
    selectWord(f, QStringLiteral("Ub2")).setFontSize(20);
    selectWord(f, QStringLiteral("Uc2")).setBold(true);
    selectWord(f, QStringLiteral("Ud1")).setBold(true);
    raise(f, QStringLiteral("Ue1 Ue2"));
    selectWord(f, QStringLiteral("Uf1 Uf2")).setItalic(true);
}

// The published page of the folder that holds the test's page.
QString pageHolding(const QString &folder, const QString &filter)
{
    for (const QString &name : QDir(folder).entryList({filter}, QDir::Files))
        if (HtmlCheck::readUtf8(folder + name).contains(QStringLiteral("Pa1")))
            return folder + name;
    return QString();
}

// Where the words of `got` differ from the editor's; empty when every word is right.
QStringList wrongWords(const QMap<QString, QString> &got, const QMap<QString, QString> &shown)
{
    QStringList wrong;
    for (auto it = shown.cbegin(); it != shown.cend(); ++it) {
        if (!got.contains(it.key()))
            wrong << it.key() + QStringLiteral(": missing");
        else if (got[it.key()] != it.value())
            wrong << QStringLiteral("%1: \"%2\", shown \"%3\"").arg(it.key(), got[it.key()], it.value());
    }
    return wrong;
}

} // namespace

class TestPublishedRuns : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void everyWordKeepsItsLook_data();
    void everyWordKeepsItsLook();
};

void TestPublishedRuns::initTestCase()
{
    published = new Published;
    published->f = std::make_unique<MainFixture>();
    MainFixture &f = *published->f;
    // The editor's own page documents, which the converter reads.
    f.window.reset();
    f.window = std::make_unique<fmDoc>();
    f.window->editor().view()->setDialogRunner([](QDialog &) { return false; });
    SiteTemplate::install(Usr::st().userData);
    f.prompt.defaultAnswer = Prompt::Yes;
    Usr::st().workFolder = Usr::st().userData + QStringLiteral("Wrk/");
    f.start();
    f.window->NewPage(0);
    const QString file = f.dir.filePath(QStringLiteral("runs.htm"));
    QVERIFY(TestHome::write(file, Source));
    f.editor().rtAct(3, file);
    f.editor().setTitle(QStringLiteral("書式の頁"));
    typeTable(f);
    // Headings typed and set with F2-F4; in two of them one word set not bold with B.
    typeHeading(f, QStringLiteral("Ka1 Ka2 Ka3"), 0);
    selectWord(f, QStringLiteral("Ka2")).setBold(false);
    typeHeading(f, QStringLiteral("Kb1 Kb2 Kb3"), 1);
    selectWord(f, QStringLiteral("Kb1")).setItalic(true);
    typeHeading(f, QStringLiteral("Kc1 Kc2 Kc3"), 2);
    selectWord(f, QStringLiteral("Kc3")).setBold(false);
    f.window->fnMenu(3, 18); // F8
    const UsrFmt &text = Frmt::st().usrFmt[3];
    published->body = {text.fontName, double(text.fontSize), QLatin1Char('#') + yHtm::ColorToHex(text.textColor)};
    published->shown = FormatRuns::editorWords(f.editor().edit().document(), published->body);
    for (auto it = Planned.cbegin(); it != Planned.cend(); ++it)
        QVERIFY2(published->shown.value(it.key(), QStringLiteral("missing")) == it.value(),
                 qPrintable(it.key() + QStringLiteral(": ") + published->shown.value(it.key(), QStringLiteral("missing"))));
    // The headings are bold but for the words set plain.
    for (const char *word : {"Ka1", "Kb2", "Kc1", "Hb2"})
        QVERIFY2(published->shown.value(QLatin1String(word)).startsWith(QLatin1Char('b')),
                 qPrintable(QLatin1String(word) + QStringLiteral(": ") + published->shown.value(QLatin1String(word))));
    for (const char *word : {"Ka2", "Kc3"})
        QVERIFY2(!published->shown.value(QLatin1String(word)).startsWith(QLatin1Char('b')),
                 qPrintable(QLatin1String(word) + QStringLiteral(": ") + published->shown.value(QLatin1String(word))));
}

void TestPublishedRuns::cleanupTestCase()
{
    sbHtm::setRunner({});
    sbEpub::setRunner(nullptr);
    sbExpDc::setRunner(nullptr);
    delete published;
    published = nullptr;
}

void TestPublishedRuns::everyWordKeepsItsLook_data()
{
    QTest::addColumn<QString>("output"); // site, frames, preview, book, word
    QTest::addColumn<int>("type");       // the database's document type 0-4 (HTML 4.01 Transitional ... XHTML 1.1)
    QTest::addColumn<int>("layout");     // 0 fixed, 1 variable, 2 liquid
    // The type set in the database: site pages are HTML 4.01 Strict and frame pages plain pages in every
    // type, the preview is written in it.
    static const char *const layouts[] = {"fixed", "variable", "liquid"};
    for (int type = 0; type < 5; ++type) {
        for (int layout = 0; layout < 3; ++layout)
            QTest::addRow("site, type %d, %s", type, layouts[layout]) << QStringLiteral("site") << type << layout;
        QTest::addRow("frames, type %d", type) << QStringLiteral("frames") << type << 0;
        QTest::addRow("preview, type %d", type) << QStringLiteral("preview") << type << 0;
    }
    QTest::newRow("book") << QStringLiteral("book") << 4 << 0;
    QTest::newRow("Word") << QStringLiteral("word") << 0 << 0;
}

void TestPublishedRuns::everyWordKeepsItsLook()
{
    QFETCH(QString, output);
    QFETCH(int, type);
    QFETCH(int, layout);
    QVERIFY(published && published->f);
    MainFixture &f = *published->f;
    QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Update kaUsr Set HiType = ?"), {type}));
    yHtm::instance().SetKaHtm(false);
    const qint64 page = f.window->nDocNo;
    QString file;
    QMap<QString, QString> got;
    if (output == QLatin1String("site") || output == QLatin1String("frames")) {
        const bool frames = output == QLatin1String("frames");
        sbHtm::setRunner([frames, layout](sbHtm &d) {
            d.opHmt()->button(frames ? 1 : 0)->setChecked(true);
            d.opLout()->button(layout)->setChecked(true);
            d.chDel()->setChecked(true);
            d.mnRet(0);
        });
        f.window->item(QStringLiteral("mnRet"), 0)->trigger();
        file = pageHolding(Usr::st().userData + QStringLiteral("Htm/Book/"), QStringLiteral("*.htm"));
    } else if (output == QLatin1String("preview")) {
        QVERIFY(f.editor().T_ViewIE());
        file = Usr::st().workFolder + QStringLiteral("$Wrk.htm");
    } else if (output == QLatin1String("book")) {
        sbEpub::setRunner([](sbEpub &d) {
            d.SetCell(2, 1, QStringLiteral("本"));
            d.SetCell(2, 2, QStringLiteral("book_1"));
            d.press(0);
        });
        f.window->item(QStringLiteral("mnRet"), 3)->trigger();
        file = pageHolding(Usr::st().userData + QStringLiteral("ePub/Book/OEBPS/"), QStringLiteral("*.xhtml"));
        const QDir books(Usr::st().userData + QStringLiteral("ePub"), QStringLiteral("*.epub"));
        QCOMPARE(books.entryList().size(), 1);
        QString report;
        QVERIFY2(epubCheck(books.filePath(books.entryList().first()), report), qPrintable(report));
    } else {
        file = Usr::st().workFolder + QStringLiteral("Book.docx");
        QFile::remove(file);
        sbExpDc::setRunner([](sbExpDc &dialog) {
            dialog.forms()->button(1)->click();
            dialog.ranges()->button(2)->click();
            return true;
        });
        f.window->item(QStringLiteral("mnRet"), 2)->trigger();
        QFile docx(file);
        ZipPackage zip;
        QByteArray document, styles;
        QVERIFY2(docx.open(QIODevice::ReadOnly) && zip.open(docx.readAll())
                     && zip.read(QStringLiteral("word/document.xml"), document)
                     && zip.read(QStringLiteral("word/styles.xml"), styles),
                 qPrintable(file));
        got = FormatRuns::docxWords(document, styles, published->body);
    }
    QVERIFY2(!file.isEmpty() && QFile::exists(file), qPrintable(output));
    if (output != QLatin1String("word")) {
        const QString html = HtmlCheck::readUtf8(file);
        got = FormatRuns::htmlWords(html, published->body);
        QString complaints;
        const bool xhtml = html.left(html.indexOf(QLatin1String("<html"))).contains(QLatin1String("XHTML"));
        QVERIFY2(HtmlCheck::valid(file, xhtml, complaints), qPrintable(complaints));
    }
    QCOMPARE(f.window->nDocNo, page);
    const QStringList wrong = wrongWords(got, published->shown);
    for (const QString &w : wrong) // each on a line of its own: a failure's message is cut short
        qInfo().noquote() << w;
    QVERIFY2(wrong.isEmpty(), qPrintable(QString::number(wrong.size()) + QStringLiteral(" words wrong")));
}

QTEST_MAIN(TestPublishedRuns)
#include "tst_publishedruns.moc"

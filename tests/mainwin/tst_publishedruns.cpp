// Each run keeps its own look in every output: a page of formatted runs among plain words (read from an
// HTML file, a table typed, headings typed with F2-F4, a heading word set not bold) published as a site in
// every layout, with frames, in the browser's preview (each with every document type of the database), as
// a book and as a Word document;
// each output is read word by word (classes resolved through the page's style sheet, Word's styles
// through styles.xml) and every word must carry the look the editor shows for it.
// The page's lists nested three deep (bullets, and numbers going on after a sub-list) keep each item's
// level and number, and its pictures, one followed by Enter, are each published once, in every output
// and in RTF as well.
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
#include "support/TestImages.h"

#include <QAbstractButton>
#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QClipboard>
#include <QMimeData>
#include <QImage>
#include <QKeyEvent>
#include <QProcess>
#include <QUrl>
#include <QTextCursor>

namespace {

// The looks a run may have: as an HTML file gives them, and as the editor then shows them.
struct Kind {
    char letter;
    const char *open, *close, *shown;
};
const Kind Kinds[] = {{'b', "<b>", "</b>", "b"},
                      {'i', "<i>", "</i>", "i"},
                      {'u', "<u>", "</u>", "u"},
                      {'s', "<s>", "</s>", "s"},
                      {'z', "<span style=\"font-size:20pt\">", "</span>", "size=20"},
                      {'f', "<span style=\"font-family:'Courier New'\">", "</span>", "font=Courier New"},
                      {'c', "<span style=\"color:#FF0000\">", "</span>", "colour=#FF0000"},
                      {'h', "<span style=\"background-color:#FFFF00\">", "</span>", "back=#FFFF00"},
                      {'p', "<sup>", "</sup>", "sup"},
                      {'d', "<sub>", "</sub>", "sub"},
                      {'k', "<a href=\"https://example.com/k\">", "</a>", "link"}};

// Three plain words but one, the run of `kind` at `position` (0 start, 1 middle, 2 end): "Pb1x <b>Pb1y</b> Pb1z".
QString threeWords(QChar block, const Kind &kind, int position, QMap<QString, QString> &planned)
{
    QStringList words;
    for (int i = 0; i < 3; ++i) {
        const QString word = block + QLatin1Char(kind.letter) + QString::number(position) + QLatin1Char("xyz"[i]);
        planned.insert(word, i == position ? QLatin1String(kind.shown) : QString());
        words << (i == position ? QLatin1String(kind.open) + word + QLatin1String(kind.close) : word);
    }
    return words.join(QLatin1Char(' '));
}

// The page read in: every look at a paragraph's, a list item's and a cell's start, middle and end;
// paragraphs, items and cells wholly raised or lowered; two italic runs among plain words; a cell of two
// paragraphs, one holding a bold word, and one whose first paragraph is bold; runs that fill their
// block (which may fold into it); headings with a run of their own. `planned` receives what the editor
// must show of the words.
QString source(QMap<QString, QString> &planned)
{
    QString html = QStringLiteral("<html><body>\n");
    for (const Kind &k : Kinds)
        for (int position = 0; position < 3; ++position)
            html += QStringLiteral("<p>") + threeWords(u'P', k, position, planned) + QStringLiteral("</p>\n");
    html += QStringLiteral("<p><sup>Pr1 Pr2</sup></p>\n<p><sub>Pv1</sub></p>\n<p><b>Pw1 Pw2</b></p>\n"
                           "<p>Pm1 <i>Pm2</i> Pm3 <i>Pm4</i></p>\n<ul>\n");
    for (const Kind &k : Kinds)
        for (int position = 0; position < 3; ++position)
            html += QStringLiteral("<li>") + threeWords(u'L', k, position, planned) + QStringLiteral("</li>\n");
    html += QStringLiteral("<li><sup>Lr1 Lr2</sup></li>\n<li><i>Lw1 Lw2</i></li>\n</ul>\n");
    // Lists inside lists, three levels; the numbers go on after a sub-list ("Na3" reads "3.").
    html += QStringLiteral("<ul><li>Ba1<ul><li>Bb1<ul><li>Bc1</li><li>Bc2</li></ul></li><li>Bb2</li></ul></li>"
                           "<li>Ba2</li></ul>\n"
                           "<ol><li>Na1</li><li>Na2<ol type=\"a\"><li>Nb1</li><li>Nb2<ol type=\"i\"><li>Nc1</li>"
                           "<li>Nc2</li></ol></li></ol></li><li>Na3</li><li>Na4</li></ol>\n<table border=\"1\">\n");
    for (const Kind &k : Kinds) {
        html += QStringLiteral("<tr>");
        for (int position = 0; position < 3; ++position)
            html += QStringLiteral("<td>") + threeWords(u'T', k, position, planned) + QStringLiteral("</td>");
        html += QStringLiteral("</tr>\n");
    }
    html += QStringLiteral("<tr><td>Tm1 <i>Tm2</i> Tm3 <i>Tm4</i></td><td><p>Tn1 <b>Tn2</b></p><p>Tn3 Tn4</p></td>"
                           "<td><sup>Tr1 Tr2</sup></td></tr>\n"
                           "<tr><td><b>Tw1 Tw2</b></td><td><p><b>Tq1</b></p><p>Tq2</p></td><td><sub>Tv1</sub></td></tr>\n"
                           "</table>\n"
                           "<h1>Ha1 <i>Ha2</i> Ha3</h1>\n<h2><u>Hb1</u> Hb2</h2>\n<h3>Hc1 Hc2 <i>Hc3</i></h3>\n"
                           "<p>Za1 Za2</p>\n</body></html>\n");
    const QMap<QString, QString> special = {
        {"Pr1", "sup"}, {"Pv1", "sub"}, {"Pw2", "b"}, {"Pm1", ""}, {"Pm4", "i"}, {"Lr1", "sup"}, {"Lw2", "i"},
        {"Tm2", "i"}, {"Tm3", ""}, {"Tn2", "b"}, {"Tn3", ""}, {"Tr2", "sup"}, {"Tw1", "b"}, {"Tq1", "b"}, {"Tq2", ""},
        {"Tv1", "sub"}, {"Za1", ""}, {"Ua2", "i"}, {"Ua3", ""}, {"Ub2", "size=20"}, {"Uc2", "b"}, {"Uc3", ""},
        {"Ud1", "b"}, {"Ud2", ""}, {"Ue2", "sup"}, {"Uf1", "i"}};
    planned.insert(special);
    return html;
}

// What one output gave, published once for both checks.
struct Output {
    QString html;                              // a page
    QByteArray document, styles, numbering;    // a Word document's parts
    QString problem;                           // what failed, or what the checking tools said
};

struct Published {
    std::unique_ptr<MainFixture> f;
    RecordingLauncher launcher; // nothing opens the pages
    FormatRuns::BodyLook body;
    QMap<QString, QString> shown; // the editor's looks of the page's words
    QMap<QString, QString> items; // the editor's list items: level and number
    int pictures = 0;             // the editor's pictures
    QMap<QString, Output> outputs; // by row
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

// A key pressed on the page as the user presses it.
void press(MainFixture &f, int key, const QString &text, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QWidget *target = f.editor().view()->viewport();
    QKeyEvent down(QEvent::KeyPress, key, mods, text);
    QKeyEvent up(QEvent::KeyRelease, key, mods, text);
    QApplication::sendEvent(target, &down);
    QApplication::sendEvent(target, &up);
}

void typeKeys(MainFixture &f, const QString &text)
{
    for (const QChar c : text)
        press(f, c == QLatin1Char(' ') ? int(Qt::Key_Space) : int(c.toUpper().unicode()), QString(c),
              c.isUpper() ? Qt::ShiftModifier : Qt::NoModifier);
}

// A picture pasted from the clipboard.
void pastePicture(MainFixture &f)
{
    auto *data = new QMimeData;
    QImage picture(24, 16, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    data->setImageData(picture);
    QApplication::clipboard()->setMimeData(data);
    f.editor().rtAct(15, QStringLiteral("OBJ")); // 編集 > 貼り付け
    f.editor().view()->showModelCaret();
}

// A body paragraph at the end with a picture pasted and Enter pressed after it, then a second picture
// with words typed after it, then Enter and a last line.
void addPictures(MainFixture &f)
{
    RichTextEdit &edit = f.editor().edit();
    edit.setSelStart(edit.textLength());
    edit.typeText(QStringLiteral("\nPp1 "));
    f.window->fnMenu(5, 3);
    f.editor().view()->setFocus();
    f.editor().view()->showModelCaret();
    pastePicture(f);
    press(f, Qt::Key_Return, QStringLiteral("\r"));
    pastePicture(f);
    typeKeys(f, QStringLiteral(" Pq1"));
    press(f, Qt::Key_Return, QStringLiteral("\r"));
    typeKeys(f, QStringLiteral("Pr3"));
}

// The published page of the folder that holds the test's page.
QString pageHolding(const QString &folder, const QString &filter)
{
    for (const QString &name : QDir(folder).entryList({filter}, QDir::Files))
        if (HtmlCheck::readUtf8(folder + name).contains(QStringLiteral("Za1")))
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
    void listsAndPicturesAsShown_data();
    void listsAndPicturesAsShown();

private:
    static void outputRows(bool rtf);
    static const Output &publishedAs(const QString &output, int type, int layout);
    static const Output *rowOutput();
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
    QMap<QString, QString> planned;
    QVERIFY(TestHome::write(file, source(planned).toUtf8()));
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
    addPictures(f);
    f.window->fnMenu(3, 18); // F8
    const UsrFmt &text = Frmt::st().usrFmt[3];
    published->body = {text.fontName, double(text.fontSize), QLatin1Char('#') + yHtm::ColorToHex(text.textColor)};
    published->shown = FormatRuns::editorWords(f.editor().edit().document(), published->body);
    published->items = FormatRuns::editorItems(f.editor().edit().document());
    published->pictures = FormatRuns::editorPictures(f.editor().edit().document());
    // The editor shows the lists three levels deep, "3." after the sub-list, and the two pictures once.
    QCOMPARE(published->items.value(QStringLiteral("Bc1")), QStringLiteral("3 bullet"));
    QCOMPARE(published->items.value(QStringLiteral("Nb2")), QStringLiteral("2 b."));
    QCOMPARE(published->items.value(QStringLiteral("Nc2")), QStringLiteral("3 ii."));
    QCOMPARE(published->items.value(QStringLiteral("Na3")), QStringLiteral("1 3."));
    QCOMPARE(published->pictures, 2);
    for (const char *word : {"Pq1", "Pr3"})
        QVERIFY2(published->shown.value(QLatin1String(word), QStringLiteral("missing")).isEmpty(),
                 qPrintable(QLatin1String(word) + QStringLiteral(": ") + published->shown.value(QLatin1String(word))));
    // The page is the one planned (the editor shows each look as it was read or typed).
    for (auto it = planned.cbegin(); it != planned.cend(); ++it)
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

void TestPublishedRuns::outputRows(bool rtf)
{
    QTest::addColumn<QString>("output"); // site, frames, preview, book, word, rtf
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
    if (rtf)
        QTest::newRow("RTF") << QStringLiteral("rtf") << 0 << 0;
}

// The output of a row, published the first time a test asks for it.
const Output &TestPublishedRuns::publishedAs(const QString &output, int type, int layout)
{
    const QString key = output + QStringLiteral("/%1/%2").arg(type).arg(layout);
    if (published->outputs.contains(key))
        return published->outputs[key];
    Output &out = published->outputs[key];
    MainFixture &f = *published->f;
    if (!zSvr::instance().D_ExeSq(QStringLiteral("Update kaUsr Set HiType = ?"), {type})) {
        out.problem = QStringLiteral("the document type was not set");
        return out;
    }
    yHtm::instance().SetKaHtm(false);
    const qint64 page = f.window->nDocNo;
    QString file;
    auto readWord = [&out](const QString &docx) {
        QFile in(docx);
        ZipPackage zip;
        if (!in.open(QIODevice::ReadOnly) || !zip.open(in.readAll()) || !zip.read(QStringLiteral("word/document.xml"), out.document)
            || !zip.read(QStringLiteral("word/styles.xml"), out.styles))
            out.problem = QStringLiteral("no Word document: ") + docx;
        zip.read(QStringLiteral("word/numbering.xml"), out.numbering);
    };
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
        if (f.editor().T_ViewIE())
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
        QString report;
        if (books.entryList().size() != 1)
            out.problem = QStringLiteral("books: %1").arg(books.entryList().size());
        else if (!epubCheck(books.filePath(books.entryList().first()), report))
            out.problem = report;
    } else if (output == QLatin1String("word")) {
        file = Usr::st().workFolder + QStringLiteral("Book.docx");
        QFile::remove(file);
        sbExpDc::setRunner([](sbExpDc &dialog) {
            dialog.forms()->button(1)->click();
            dialog.ranges()->button(2)->click();
            return true;
        });
        f.window->item(QStringLiteral("mnRet"), 2)->trigger();
        readWord(file);
    } else {
        // The page saved as RTF, read by another program: LibreOffice turns it into a Word document.
        QString rtf = f.dir.filePath(QStringLiteral("page.rtf"));
        QFile::remove(rtf);
        f.editor().txSaveAs(rtf, false);
        const QString profile = QUrl::fromLocalFile(f.dir.filePath(QStringLiteral("office"))).toString();
        QProcess office;
        office.start(QStringLiteral("soffice"), {QStringLiteral("-env:UserInstallation=") + profile, QStringLiteral("--headless"),
                                                 QStringLiteral("--convert-to"), QStringLiteral("docx"), QStringLiteral("--outdir"),
                                                 f.dir.path(), rtf});
        if (!office.waitForFinished(180000) || office.exitCode() != 0)
            out.problem = QStringLiteral("soffice: ") + QString::fromUtf8(office.readAllStandardError());
        file = f.dir.filePath(QStringLiteral("page.docx"));
        if (out.problem.isEmpty())
            readWord(file);
    }
    if (out.problem.isEmpty() && (file.isEmpty() || !QFile::exists(file)))
        out.problem = QStringLiteral("nothing written: ") + output;
    if (out.problem.isEmpty() && out.document.isEmpty()) {
        out.html = HtmlCheck::readUtf8(file);
        const bool xhtml = out.html.left(out.html.indexOf(QLatin1String("<html"))).contains(QLatin1String("XHTML"));
        QString complaints;
        if (!HtmlCheck::valid(file, xhtml, complaints))
            out.problem = complaints;
    }
    if (f.window->nDocNo != page)
        out.problem += QStringLiteral(" (another page was loaded)");
    return out;
}

// The current row's output; null, with the failure recorded, when it could not be had.
const Output *TestPublishedRuns::rowOutput()
{
    QFETCH(QString, output);
    QFETCH(int, type);
    QFETCH(int, layout);
    if (!published || !published->f) {
        QTest::qFail("no page", __FILE__, __LINE__);
        return nullptr;
    }
    const Output &out = publishedAs(output, type, layout);
    if (!out.problem.isEmpty()) {
        QTest::qFail(qPrintable(out.problem), __FILE__, __LINE__);
        return nullptr;
    }
    return &out;
}

// Passes when nothing is wrong; else names each wrong one on a line of its own (a failure's message
// is cut short).
static void expectNoneWrong(const QStringList &wrong, const char *what)
{
    for (const QString &w : wrong)
        qInfo().noquote() << w;
    QVERIFY2(wrong.isEmpty(), qPrintable(QStringLiteral("%1 %2 wrong").arg(wrong.size()).arg(QLatin1String(what))));
}

void TestPublishedRuns::everyWordKeepsItsLook_data()
{
    outputRows(false);
}

void TestPublishedRuns::everyWordKeepsItsLook()
{
    const Output *out = rowOutput();
    if (!out)
        return;
    const QMap<QString, QString> got = out->document.isEmpty() ? FormatRuns::htmlWords(out->html, published->body)
                                                               : FormatRuns::docxWords(out->document, out->styles, published->body);
    expectNoneWrong(wrongWords(got, published->shown), "words");
}

void TestPublishedRuns::listsAndPicturesAsShown_data()
{
    outputRows(true);
}

// Each list item at the editor's level with the editor's number or bullet; each picture once.
void TestPublishedRuns::listsAndPicturesAsShown()
{
    const Output *out = rowOutput();
    if (!out)
        return;
    const bool word = !out->document.isEmpty();
    const QMap<QString, QString> items = word ? FormatRuns::docxItems(out->document, out->numbering) : FormatRuns::htmlItems(out->html);
    QStringList wrong = wrongWords(items, published->items);
    const int pictures = word ? FormatRuns::docxPictures(out->document) : FormatRuns::htmlPictures(out->html);
    if (pictures != published->pictures)
        wrong << QStringLiteral("pictures: %1, shown %2").arg(pictures).arg(published->pictures);
    expectNoneWrong(wrong, "items or picture counts");
}

QTEST_MAIN(TestPublishedRuns)
#include "tst_publishedruns.moc"

#include "core/Usr.h"
#include "core/sbWait.h"
#include "editor/EditorServices.h"
#include "editor/LoadWait.h"
#include "editor/uTxm.h"
#include "platform/docx/DocumentFile.h"
#include "platform/docx/DocxWeight.h"
#include "platform/richtext/PageCodec.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/PartDocument.h"
#include "platform/richtext/RichTextEdit.h"
#include "platform/richtext/TextProps.h"
#include "support/EditorTestEnv.h"
#include "support/ForeignFiles.h"
#include "support/ScriptedPrompt.h"

#include <QAbstractTextDocumentLayout>
#include <QClipboard>
#include <QMimeData>
#include <QTextCursor>
#include <QTextList>
#include <QTextTable>
#include <QtTest>

#include <functional>
#include <memory>

// The texts the wait window was shown with.
class WaitShows : public QObject
{
public:
    QStringList messages;
    WaitShows() { qApp->installEventFilter(this); }
    ~WaitShows() override { qApp->removeEventFilter(this); }
    bool eventFilter(QObject *object, QEvent *event) override
    {
        if (event->type() == QEvent::Show && object->inherits("sbWait"))
            messages << sbWait::shownMessage();
        return false;
    }
};

// A page large enough to keep the window still while it is read and laid out is read under the wait
// window: the text of megabytes pasted into a page, a table of thousands of cells. A small page is
// not, and a job that shows the window already keeps it with its text.
class TestUTxmLoadWait : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestHome> m_home;

    // Whether the wait window stood while the editor laid out its main text.
    static QList<bool> waitDuringLayout(uTxm &editor, const std::function<void()> &work)
    {
        QList<bool> shown;
        QAbstractTextDocumentLayout *layout = editor.edit().page()->main()->documentLayout();
        const auto connection = connect(layout, &QAbstractTextDocumentLayout::documentSizeChanged,
                                        [&] { shown << sbWait::isShown(); });
        work();
        disconnect(connection);
        return shown;
    }

    static QString lines(int characters)
    {
        const QString line = QStringLiteral("貼り付けたテキストの一行です。A line of a pasted text file, 1234567890.");
        return QStringList(characters / line.size() + 1, line).join(QChar(11)).left(characters);
    }

    static QByteArray textPage(int characters)
    {
        PageDocument page(PageDocument::WithoutLayout);
        RichTextEdit edit(&page);
        edit.setText(lines(characters));
        return PageCodec::save(page);
    }

    static QByteArray tablePage(int rows, int columns, bool mergedColumns = false)
    {
        PageDocument page(PageDocument::WithoutLayout);
        QTextCursor cursor(page.main());
        QTextTableFormat format;
        format.setWidth(QTextLength(QTextLength::PercentageLength, 100));
        QTextTable *table = cursor.insertTable(rows, columns, format);
        for (int row = 0; row < rows; ++row)
            table->cellAt(row, row % columns).firstCursorPosition().insertText(QString::number(row));
        for (int column = 0; mergedColumns && column < columns; ++column)
            table->mergeCells(0, column, rows, 1);
        return PageCodec::save(page);
    }

    static QByteArray listPage(const QString &item, bool listed = true)
    {
        PageDocument page(PageDocument::WithoutLayout);
        QTextCursor cursor(page.main());
        if (listed)
            cursor.insertList(QTextListFormat::ListDecimal);
        cursor.insertText(item);
        return PageCodec::save(page);
    }

private slots:
    void init()
    {
        m_home = std::make_unique<TestHome>();
        QVERIFY(resetEditorState(*m_home));
        Usr::st().busy = false;
    }

    void cleanup()
    {
        sbWait::cEnd();
        yIni::release();
        m_home.reset();
    }

    void largePageLoadsUnderTheWaitWindow_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("waits");
        QTest::newRow("short text") << textPage(2000) << false;
        QTest::newRow("long text") << textPage(400000) << true;
        QTest::newRow("narrow table") << tablePage(20, 5) << false;
        QTest::newRow("wide table") << tablePage(40, 100) << true;
        // Few cells, each merged over all rows: Qt lays out every place of the grid all the same.
        QTest::newRow("merged table") << tablePage(100, 40, true) << true;
    }

    void largePageLoadsUnderTheWaitWindow()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, waits);
        QVERIFY(!bytes.isEmpty());
        QCOMPARE(PageCodec::layoutWeight(bytes) > LoadWait::Weight, waits);
        uTxm editor;
        editor.cOn(0, 2);
        editor.resize(800, 600);
        editor.show();
        bool ok = false;
        const QList<bool> shown = waitDuringLayout(editor, [&] { editor.SetData(bytes, ok, true); });
        QVERIFY(ok);
        QVERIFY(!shown.isEmpty());
        QCOMPARE(shown.contains(false), !waits);
        QCOMPARE(shown.contains(true), waits);
        // Closed again, and the busy flag back as it was.
        QVERIFY(!sbWait::isShown());
        QVERIFY(!Usr::st().busy);
        QVERIFY(editor.edit().textLength() > 0);
        editor.cOff();
    }

    // The heading style that typing on the first line brings is set under the wait window on a
    // large page: Qt lays the paragraph out again in the heading's look.
    void headingOfALargePageUnderTheWaitWindow_data()
    {
        QTest::addColumn<int>("characters");
        QTest::addColumn<bool>("waits");
        QTest::newRow("short page") << 2000 << false;
        QTest::newRow("long page") << 400000 << true;
    }

    void headingOfALargePageUnderTheWaitWindow()
    {
        QFETCH(int, characters);
        QFETCH(bool, waits);
        uTxm editor;
        editor.cOn(0, 2);
        bool ok = false;
        editor.SetData(textPage(characters), ok, true);
        QVERIFY(ok);
        editor.edit().setSelStart(1);
        const QList<bool> shown = waitDuringLayout(editor, [&] { editor.typed(); });
        QCOMPARE(editor.edit().blockStyle(), 0);
        QVERIFY(!shown.isEmpty());
        QCOMPARE(shown.contains(true), waits);
        QVERIFY(!sbWait::isShown());
        // Typed again, the heading it is stays as it is, without the window.
        QVERIFY(!waitDuringLayout(editor, [&] { editor.typed(); }).contains(true));
        editor.cOff();
    }

    // Inserted bytes and a text pasted as text weigh as a page does.
    void largeInsertUnderTheWaitWindow()
    {
        uTxm editor;
        editor.cOn(0, 2);
        bool ok = false;
        editor.SetData(textPage(100), ok, true);
        QVERIFY(ok);
        QList<bool> shown = waitDuringLayout(editor, [&] { editor.InsData(textPage(400000), ok); });
        QVERIFY(ok);
        QVERIFY(shown.contains(true));
        QVERIFY(!sbWait::isShown());
        shown = waitDuringLayout(editor, [&] { editor.InsData(textPage(100), ok); });
        QVERIFY(ok);
        QVERIFY(!shown.contains(true));

        QApplication::clipboard()->setText(lines(400000).replace(QChar(11), QLatin1Char('\n')));
        editor.edit().setSelStart(0);
        shown = waitDuringLayout(editor, [&] { editor.rtAct(15, QStringLiteral("TXT")); });
        QVERIFY(shown.contains(true));
        QVERIFY(!sbWait::isShown());
        QVERIFY(editor.edit().textLength() >= 400100);
        editor.cOff();
    }

    // Commands that put the page back from its bytes (undo of a command that Qt cannot undo, the reload
    // of job 26) lay a large page out again under the window too.
    void pageBackFromItsBytesUnderTheWaitWindow()
    {
        // The settings dialog of job 26 is answered at once.
        struct Services : EditorServices {
            void settingsDialog(uTxm &, const QString &, QString &) override {}
        } services;
        uTxm editor(nullptr, &services);
        editor.cOn(0, 2);
        bool ok = false;
        editor.SetData(textPage(400000), ok, true);
        QVERIFY(ok);
        QList<bool> shown = waitDuringLayout(editor, [&] { editor.rtAct(26); });
        QVERIFY(shown.contains(true));
        QVERIFY(!sbWait::isShown());

        // A document file read in place of the page leaves Qt nothing to undo: the snapshot brings
        // the page back.
        ScriptedPrompt prompt;
        const QString file = m_home->path() + QStringLiteral("/small.txt");
        QVERIFY(TestHome::write(file, "ABC"));
        prompt.files.enqueue(file);
        editor.rtAct(10);
        QVERIFY(editor.edit().text().startsWith(QLatin1String("ABC")));
        QCOMPARE(editor.edit().undoSteps(), 0);
        shown = waitDuringLayout(editor, [&] { editor.rtAct(11); });
        QVERIFY(shown.contains(true));
        QVERIFY(!sbWait::isShown());
        QVERIFY(!editor.edit().text().startsWith(QLatin1String("ABC")));
        QCOMPARE(editor.edit().textLength(), 400000);
        editor.cOff();
    }

    // A large file of another program is read under the wait window; its page is light enough to be
    // laid out without it.
    void largeFileReadUnderTheWaitWindow_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("characters");
        QTest::addColumn<bool>("waits");
        QTest::newRow("small text file") << "read.txt" << 2000 << false;
        QTest::newRow("large text file") << "read.txt" << 200000 << true;
        // Packed: far smaller than the text it holds, weighed by the text.
        QTest::newRow("small Word file") << "read.docx" << 2000 << false;
        QTest::newRow("large Word file") << "read.docx" << 200000 << true;
    }

    void largeFileReadUnderTheWaitWindow()
    {
        QFETCH(QString, name);
        QFETCH(int, characters);
        QFETCH(bool, waits);
        // Kanji in no repeating order, so that a Word file's zip packing cannot shrink them to nothing.
        QString text;
        for (int i = 0; i < characters; ++i)
            text += QChar(0x4E00 + (i * 7919) % 20000);
        const QString file = m_home->path() + QLatin1Char('/') + name;
        if (name.endsWith(QLatin1String(".txt"))) {
            QVERIFY(TestHome::write(file, text.toUtf8()));
        } else {
            PageDocument page(PageDocument::WithoutLayout);
            RichTextEdit(&page).setText(text);
            QVERIFY(DocumentFile::write(page, file, DocumentFile::Word));
            QVERIFY(QFileInfo(file).size() < LoadWait::FileSize);
        }
        uTxm editor;
        editor.cOn(0, 2);
        WaitShows shows;
        editor.rtAct(3, file);
        QCOMPARE(editor.edit().text().left(characters), text);
        QCOMPARE(shows.messages, waits ? QStringList{LoadWait::message()} : QStringList());
        QVERIFY(!sbWait::isShown());
        editor.cOff();
    }

    // A small file can hold what takes seconds to read: thousands of unclosed HTML tags (Qt's import
    // visits every open element for each one it reads), a huge picture in a few kilobytes. It is read
    // under the wait window too, and read as before; a file of a normal page is not.
    void smallHeavyFileReadUnderTheWaitWindow_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("pictures");
        QTest::addColumn<bool>("waits");
        using namespace ForeignFiles;
        // Unclosed tags nested deeper than the import takes in time lose their tags (the read says so):
        // the file reads fast.
        QTest::newRow("unclosed tags") << "read.htm" << htmlUnclosed(10000) << QString(10000, QLatin1Char('t')) + "end"
                                       << 0 << false;
        QTest::newRow("huge picture, HTML") << "read.htm"
                                            << "<p>picture<img src=\"data:image/png;base64," + blankPng(6000, 6000).toBase64()
                                                   + "\"></p>"
                                            << "picture" << 1 << true;
        QByteArray closed = "<html><body>";
        for (int i = 0; i < 1000; ++i)
            closed += "<p><font size=\"2\"><b>t</b></font></p><br>\n";
        QTest::newRow("closed tags") << "read.htm" << closed + "</body></html>" << "t" << 0 << false;
        QTest::newRow("nested tables") << "read.html" << htmlNested(20) << "L0" << 0 << false;
        const QByteArray huge = blankPng(6000, 6000);
        QVERIFY(huge.size() < 64 * 1024);
        // Over what Qt decodes (128 MB) before the readers scaled such a picture down: it was lost.
        QTest::newRow("huge picture, Word") << "read.docx" << docxPicture(huge) << "picture" << 1 << true;
        QTest::newRow("large picture, Word") << "read.docx" << docxPicture(blankPng(5000, 5000)) << "picture" << 1
                                             << true;
        QTest::newRow("small picture, Word") << "read.docx" << docxPicture(png(400, 300)) << "picture" << 1 << false;
        // Weighed by what the package unpacks to and by the places of its tables' grids.
        QTest::newRow("empty cells, Word") << "read.docx" << docxEmptyTables(1, 60, 60) << "" << 0 << true;
        QTest::newRow("merged cells, Word") << "read.docx" << docxMergedColumns(100, 40) << "C39" << 0 << true;
        QTest::newRow("small table, Word") << "read.docx" << docxTable(10, 10) << "9,9" << 0 << false;
        QTest::newRow("list, Word") << "read.docx" << docxList(100) << "Item 100" << 0 << false;
        // A word without a break in a list item: Qt lays it out in time that grows with the square of its
        // letters (the page holds no list item in pieces).
        QTest::newRow("long word in a list item, Word") << "read.docx" << docxListWord(QByteArray("abcdefghij").repeated(12000))
                                                        << "abcdefghijabcdefghij" << 0 << true;
        auto rtf = [](const QByteArray &png) {
            return "{\\rtf1\\ansi\\pard picture" + rtfPicture(png, BlipUid | PicProp) + "\\par}";
        };
        QTest::newRow("huge picture, RTF") << "read.rtf" << rtf(huge) << "picture" << 1 << true;
        // Each picture costs the import, however small: a few thousand in a paragraph take a second.
        QTest::newRow("many pictures, HTML") << "read.htm" << htmlPictures(3500, "none.png") << "end" << 0 << true;
        QTest::newRow("some pictures, HTML") << "read.htm" << htmlPictures(100, "none.png") << "end" << 0 << false;
        QTest::newRow("small picture, RTF") << "read.rtf" << rtf(png(400, 300)) << "picture" << 1 << false;
    }

    void smallHeavyFileReadUnderTheWaitWindow()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QFETCH(int, pictures);
        QFETCH(bool, waits);
        const QString file = m_home->path() + QLatin1Char('/') + name;
        QVERIFY(TestHome::write(file, bytes));
        // By its size alone the file is read without the window.
        const qint64 ratio = name.endsWith(QLatin1String(".docx")) ? LoadWait::PackedRatio : 1;
        QVERIFY(QFileInfo(file).size() * ratio < LoadWait::FileSize);
        uTxm editor;
        editor.cOn(0, 2);
        ScriptedPrompt prompt; // what the read tells of the file
        WaitShows shows;
        editor.rtAct(3, file);
        const QString read = editor.edit().text().remove(QChar::ObjectReplacementCharacter);
        QVERIFY2(read.contains(text), qPrintable(read.left(40)));
        QCOMPARE(editor.edit().objectIds(TextProps::PictureKind).size(), pictures);
        QCOMPARE(!shows.messages.isEmpty(), waits);
        shows.messages.removeDuplicates();
        QCOMPARE(shows.messages, waits ? QStringList{LoadWait::message()} : QStringList());
        QVERIFY(!sbWait::isShown());
        editor.cOff();
    }

    // Pasted HTML and RTF weigh as the files do.
    void heavyPasteUnderTheWaitWindow_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("waits");
        using namespace ForeignFiles;
        // Cut where they nest deeper than the import takes in time: light.
        QTest::newRow("unclosed tags") << "text/html" << htmlUnclosed(10000) << false;
        QTest::newRow("lists") << "text/html" << htmlList(20000) << true;
        QTest::newRow("closed tags") << "text/html" << QByteArray("<p><font size=\"2\">t</font></p>").repeated(500) << false;
        auto rtf = [](const QByteArray &png) {
            return "{\\rtf1\\ansi\\pard picture" + rtfPicture(png, BlipUid) + "\\par}";
        };
        QTest::newRow("huge picture") << "text/rtf" << rtf(blankPng(6000, 6000)) << true;
        QTest::newRow("small picture") << "text/rtf" << rtf(png(400, 300)) << false;
        QTest::newRow("many pictures") << "text/html" << htmlPictures(3500, "none.png") << true;
    }

    void heavyPasteUnderTheWaitWindow()
    {
        QFETCH(QString, type);
        QFETCH(QByteArray, bytes);
        QFETCH(bool, waits);
        uTxm editor;
        editor.cOn(0, 2);
        auto *data = new QMimeData;
        data->setData(type, bytes);
        QApplication::clipboard()->setMimeData(data);
        WaitShows shows;
        editor.rtAct(15, QStringLiteral("OBJ"));
        QVERIFY(editor.edit().text().contains(type == "text/html" ? "t" : "picture"));
        QCOMPARE(shows.messages, waits ? QStringList{LoadWait::message()} : QStringList());
        QVERIFY(!sbWait::isShown());
        editor.cOff();
    }

    // A job that shows the wait window (publishing, an import) keeps it, with its text, while it
    // loads pages into the editor.
    void jobKeepsItsWaitWindow()
    {
        uTxm editor;
        editor.cOn(0, 2);
        sbWait::cMsg(QStringLiteral("ﾍﾟｰｼﾞをHTMに出力しています"));
        QStringList texts;
        QAbstractTextDocumentLayout *layout = editor.edit().page()->main()->documentLayout();
        connect(layout, &QAbstractTextDocumentLayout::documentSizeChanged,
                [&] { texts << sbWait::shownMessage(); });
        bool ok = false;
        editor.SetData(textPage(400000), ok, true);
        QVERIFY(ok);
        QVERIFY(!texts.isEmpty());
        texts.removeDuplicates();
        QCOMPARE(texts, QStringList{QStringLiteral("ﾍﾟｰｼﾞをHTMに出力しています")});
        QVERIFY(sbWait::isShown());
        QVERIFY(Usr::st().busy);
        sbWait::cEnd();
        QVERIFY(!Usr::st().busy);
        editor.cOff();
    }

    // The look at a Word file counts every place of its tables' grids (merged, spanned and nested
    // cells included) and its list items; bytes that are no package tell nothing.
    void wordFileLook_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("package");
        QTest::addColumn<qint64>("places");
        QTest::addColumn<qint64>("items");
        using namespace ForeignFiles;
        QTest::newRow("table") << docxTable(3, 4) << true << qint64(12) << qint64(0);
        QTest::newRow("merged rows") << docxMergedColumns(10, 5) << true << qint64(50) << qint64(0);
        QTest::newRow("tables") << docxEmptyTables(3, 2, 7) << true << qint64(42) << qint64(0);
        QTest::newRow("spanned and nested")
            << docx("<w:tbl><w:tblGrid><w:gridCol/><w:gridCol/></w:tblGrid><w:tr><w:tc><w:tcPr><w:gridSpan w:val=\"6\"/>"
                    "</w:tcPr><w:tbl><w:tr><w:tc><w:p/></w:tc><w:tc><w:p/></w:tc></w:tr></w:tbl><w:p/></w:tc></w:tr>"
                    "<w:tr><w:tc><w:p/></w:tc></w:tr></w:tbl>")
            << true << qint64(2 * 6 + 2) << qint64(0);
        QTest::newRow("list") << docxList(7) << true << qint64(0) << qint64(7);
        QTest::newRow("no package") << QByteArray("<w:tbl><w:tr><w:tc/></w:tr></w:tbl>") << false << qint64(0) << qint64(0);
    }

    void wordFileLook()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, package);
        QFETCH(qint64, places);
        QFETCH(qint64, items);
        const DocxWeight::Look look = DocxWeight::of(bytes, LoadWait::FileSize);
        QCOMPARE(look.package, package);
        QCOMPARE(look.gridPlaces, places);
        QCOMPARE(look.listItems, items);
        QVERIFY(!package || look.unpacked > bytes.size() / 2);
    }

    // The read of a file is weighed before it starts: an RTF file by its cells and list items as a
    // Word file is (100,000 empty cells in 500 KB took a second to read without the window), in a .doc
    // name too; an HTML file by its list items.
    void fileWeighsItsCells_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("heavy");
        using namespace ForeignFiles;
        QTest::newRow("empty cells, RTF") << "cells.rtf" << rtfEmptyTables(1, 32, 100) << true;
        QTest::newRow("empty cells, RTF as .doc") << "cells.doc" << rtfEmptyTables(1, 32, 100) << true;
        QTest::newRow("nested cells, RTF") << "nested.rtf" << "{\\rtf1 " + QByteArray("\\itap2\\nestcell").repeated(3100) + "}" << true;
        QTest::newRow("list, RTF") << "list.rtf" << rtfList(20000) << true;
        QTest::newRow("small table, RTF") << "table.rtf" << rtfTable(10, 10) << false;
        QTest::newRow("words that name no cell, RTF") << "words.rtf" << "{\\rtf1 " + QByteArray("\\cellx1\\cells\\lsdlocked").repeated(3100) + "}"
                                                       << false;
        QTest::newRow("empty cells, Word") << "cells.docx" << docxEmptyTables(1, 60, 60) << true;
        // HTML by its list items too (20,000 lists nested in half a megabyte took over half a second).
        QTest::newRow("lists nested deep, HTML") << "nested.htm" << htmlNestedLists(20000) << true;
        QTest::newRow("list, HTML") << "list.htm" << htmlList(20000) << true;
        QTest::newRow("short list, HTML") << "list.htm" << htmlList(2000) << false;
    }

    void fileWeighsItsCells()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(bool, heavy);
        const QString file = m_home->path() + QLatin1Char('/') + name;
        QVERIFY(TestHome::write(file, bytes));
        QVERIFY(QFileInfo(file).size() < LoadWait::FileSize);
        QCOMPARE(LoadWait::fileWeight(file, DocumentFile::formatOf(file)) > LoadWait::Weight, heavy);
    }

    // A word without a break that the page does not hold in pieces weighs by the square of its
    // letters (Qt lays it out in time that grows so; 250,000 letters took 1.7 s without the window):
    // in a list item, or of letters the page does not part at (Hebrew; signs beside it). Text that breaks, and a
    // word the page holds in pieces, weigh by their letters.
    void unbrokenWordsWeigh_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("heavy");
        const QString latin = QStringLiteral("abcdefghij").repeated(12000);
        QTest::newRow("Latin word") << listPage(latin) << true;
        QTest::newRow("Hebrew word") << listPage(QString::fromUtf8(ForeignFiles::hebrewWord(120000))) << true;
        QTest::newRow("prose") << listPage(QStringLiteral("abcdefghi ").repeated(12000)) << false;
        QTest::newRow("Japanese") << listPage(QStringLiteral("日本語の文章").repeated(20000)) << false;
        QTest::newRow("no list item") << listPage(latin, false) << false;
        QTest::newRow("Hebrew word, no list item") << listPage(QString::fromUtf8(ForeignFiles::hebrewWord(120000)), false) << true;
        // Digits and signs are held in pieces as letters are, where nothing reads right to left.
        QTest::newRow("digits, no list item") << listPage(QStringLiteral("1234567890").repeated(12000), false) << false;
        QTest::newRow("signs, no list item") << listPage(QStringLiteral("&=━").repeated(40000), false) << false;
        QTest::newRow("signs after a Hebrew letter, no list item")
            << listPage(QChar(0x05D0) + QStringLiteral("&=━").repeated(40000), false) << true;
        QTest::newRow("Hebrew prose, no list item") << listPage(QString::fromUtf8(ForeignFiles::hebrewWord(9) + ' ').repeated(12000), false)
                                                    << false;
    }

    void unbrokenWordsWeigh()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, heavy);
        QCOMPARE(PageCodec::layoutWeight(bytes) > LoadWait::Weight, heavy);
    }

    // Damaged bytes weigh nothing: the load fails as before, without the window.
    void damagedBytesWeighNothing()
    {
        QByteArray bytes = textPage(400000);
        QCOMPARE(PageCodec::layoutWeight(bytes.left(bytes.size() / 2)), 0);
        QCOMPARE(PageCodec::layoutWeight(QByteArray("PAGE\n?'\"")), 0);
    }
};

QTEST_MAIN(TestUTxmLoadWait)
#include "tst_utxmloadwait.moc"

// The page editor's file commands through real files: export in every format (checked by pandoc
// and pdftotext), reading files into the page, inserting a file's text, and the save passes.
#include "core/Usr.h"
#include "editor/EditorServices.h"
#include "editor/uTxm.h"
#include "core/Frmt.h"
#include "platform/docx/DocumentFile.h"
#include "platform/docx/DocxReader.h"
#include "platform/docx/DocxWriter.h"
#include "platform/docx/FlowBuilder.h"
#include "platform/docx/ZipPackage.h"
#include "platform/richtext/HtmlImport.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/RichTextEdit.h"
#include "platform/richtext/TextProps.h"
#include "platform/richview/RichView.h"
#include "platform/rtf/RtfReader.h"
#include "platform/rtf/RtfWriter.h"
#include "support/EditorTestEnv.h"
#include "support/ForeignFiles.h"
#include "support/ScriptedPrompt.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextList>
#include <QTextDocument>
#include <QtTest>

#include <memory>

namespace {

QString toolOutput(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return program + QStringLiteral(" failed: ") + QString::fromUtf8(process.readAllStandardError());
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace

class TestUTxmFiles : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestHome> m_home;
    std::unique_ptr<uTxm> m_editor;

    uTxm &editor() { return *m_editor; }
    QString path(const QString &name) const { return m_home->path() + QLatin1Char('/') + name; }

private slots:
    void init()
    {
        m_home = std::make_unique<TestHome>();
        QVERIFY(resetEditorState(*m_home));
        m_editor = std::make_unique<uTxm>();
        m_editor->view()->setDialogRunner([](QDialog &) { return false; });
        m_editor->cOn(0, 2);
        m_editor->SetText(QStringLiteral("最初の段落\n二番目 \"引用\" ?"));
        QTextCursor(m_editor->page().ensurePart(TextProps::HeaderAll)).insertText(QStringLiteral("ヘッダー文字"));
    }

    void cleanup()
    {
        m_editor.reset();
        yIni::release();
        m_home.reset();
    }

    void exportWritesEachFormatAndKeepsTheModifiedMark_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("written");
        QTest::newRow("no extension: Word") << "a" << "a.docx";
        QTest::newRow("doc name: Word") << "b.doc" << "b.docx";
        QTest::newRow("upper-case text") << "c.TXT" << "c.TXT";
        QTest::newRow("rtf") << "d.rtf" << "d.rtf";
        QTest::newRow("pdf") << "e.pdf" << "e.pdf";
    }

    void exportWritesEachFormatAndKeepsTheModifiedMark()
    {
        QFETCH(QString, name);
        QFETCH(QString, written);
        ScriptedPrompt prompt;
        QStringList events;
        connect(m_editor.get(), &uTxm::eSaveAs, this, [&events](QString &file) { events << file; });
        if (name.endsWith(QLatin1String(".pdf"))) {
            RichTextEdit &edit = editor().edit();
            edit.setSelStart(edit.textLength());
            edit.setSelectedText(QString(QChar(12)) + QStringLiteral("二頁目") + QChar(12) + QStringLiteral("三頁目"));
        }
        editor().setBDcEdt(true);
        QString file = path(QStringLiteral("out/") + name);
        QVERIFY(editor().txSaveAs(file, true));
        QCOMPARE(file, path(QStringLiteral("out/") + written));
        QCOMPARE(events, QStringList{file});
        QVERIFY(editor().bDcEdt());
        QVERIFY(prompt.messages.isEmpty());

        if (written.endsWith(QLatin1String(".docx"))) {
            const QString text = toolOutput(QStringLiteral("pandoc"), {QStringLiteral("-f"), QStringLiteral("docx"),
                                                                      QStringLiteral("-t"), QStringLiteral("plain"), file});
            QVERIFY2(text.contains(QStringLiteral("二番目 \"引用\" ?")), qPrintable(text));
        } else if (written.endsWith(QLatin1String(".TXT"))) {
            QCOMPARE(TestHome::readAll(file), QByteArray("\x8d\xc5\x8f\x89\x82\xcc\x92\x69\x97\x8e\r\n"
                                                          "\x93\xf1\x94\xd4\x96\xda \"\x88\xf8\x97\x70\" ?"));
        } else if (written.endsWith(QLatin1String(".pdf"))) {
            const QString text = toolOutput(QStringLiteral("pdftotext"), {file, QStringLiteral("-")})
                                     .normalized(QString::NormalizationForm_C);
            QVERIFY2(text.count(QStringLiteral("ヘッダー文字")) == 3 && text.contains(QStringLiteral("三頁目")),
                     qPrintable(text));
            QCOMPARE(text.count(QLatin1Char('\f')), 3); // one form feed after each page
        } else {
            QVERIFY(TestHome::readAll(file).startsWith("{\\rtf1"));
        }
    }

    void exportAsksThroughTheDialogAndReportsAFailedWrite()
    {
        ScriptedPrompt prompt;
        QStringList events;
        connect(m_editor.get(), &uTxm::eSaveAs, this, [&events](QString &file) { events << file; });
        QString file;
        prompt.files.enqueue(QString()); // cancelled: nothing
        QVERIFY(!editor().txSaveAs(file, false));
        QVERIFY(events.isEmpty());
        QVERIFY(prompt.messages.isEmpty());
        // A folder that cannot be made: the user is told, no event.
        TestHome::write(path(QStringLiteral("blocker")), "x");
        file = path(QStringLiteral("blocker/page.rtf"));
        QVERIFY(!editor().txSaveAs(file, false));
        QCOMPARE(prompt.messages, QStringList{QStringLiteral("ﾌｧｲﾙ: ") + path(QStringLiteral("blocker/page.rtf"))
                                              + QStringLiteral(" に出力できませんでした｡")});
        // Asked for nothing, it says nothing: the caller tells the user in its own words.
        prompt.messages.clear();
        QVERIFY(!editor().txSaveAs(file, true));
        QVERIFY(prompt.messages.isEmpty());
        QVERIFY(events.isEmpty());
        // Through the dialog; the question after the write is answered No.
        prompt.files.enqueue(path(QStringLiteral("chosen.rtf")));
        prompt.answers.enqueue(Prompt::No);
        file.clear();
        editor().rtAct(5);
        QCOMPARE(events, QStringList{path(QStringLiteral("chosen.rtf"))});
        QCOMPARE(prompt.messages.last(), path(QStringLiteral("chosen.rtf")) + QStringLiteral(" に出力しました　起動しますか"));
    }

    // The commands on the current text frame: its content exported alone (5), a file read into it
    // (6) and into every frame (8), the caret back where it was.
    void frameCommandsExportAndReadFrames()
    {
        ScriptedPrompt prompt;
        RichTextEdit &e = editor().edit();
        e.setText(QStringLiteral("main words"));
        int frames[2] = {};
        for (int i = 0; i < 2; ++i) {
            QVERIFY(e.selectFrame(0));
            e.select(e.textLength(), 0);
            frames[i] = e.insertTextFrame(RichTextEdit::FrameArgs());
            QVERIFY(frames[i] > 0);
            QVERIFY(e.selectFrame(frames[i]));
            e.setText(i == 0 ? QStringLiteral("frame words") : QStringLiteral("second"));
        }
        const auto frameText = [&e](int id) {
            e.selectFrame(id);
            return e.text();
        };

        QVERIFY(e.selectFrame(frames[0]));
        prompt.files.enqueue(path(QStringLiteral("frame.txt")));
        prompt.answers.enqueue(Prompt::No);
        editor().rtActTL(5);
        const QString exported = QString::fromUtf8(TestHome::readAll(path(QStringLiteral("frame.txt"))));
        QVERIFY2(exported.contains(QStringLiteral("frame words")), qPrintable(exported));
        QVERIFY(!exported.contains(QStringLiteral("main words")));
        QCOMPARE(e.currentFrame(), frames[0]);

        QVERIFY(TestHome::write(path(QStringLiteral("in.txt")), "read in"));
        editor().setBDcEdt(false);
        prompt.files.enqueue(path(QStringLiteral("in.txt")));
        editor().rtActTL(6);
        QVERIFY(frameText(frames[0]).startsWith(QStringLiteral("read in")));
        QCOMPARE(frameText(frames[1]), QStringLiteral("second"));
        QVERIFY(frameText(0).startsWith(QStringLiteral("main words")));
        QVERIFY(editor().bDcEdt());

        QVERIFY(e.selectFrame(frames[1]));
        e.select(2, 0);
        prompt.files.enqueue(path(QStringLiteral("in.txt")));
        editor().rtActTL(8);
        QCOMPARE(e.currentFrame(), frames[1]);
        QCOMPARE(e.selStart(), 2);
        QVERIFY(frameText(frames[1]).startsWith(QStringLiteral("read in")));
        QVERIFY(frameText(frames[0]).startsWith(QStringLiteral("read in")));
        QVERIFY(frameText(0).startsWith(QStringLiteral("main words")));
        QVERIFY(!editor().isBusy());
    }

    void readingAFileReplacesOrInsertsAndLeavesThePageModified()
    {
        PageDocument source;
        QTextCursor(source.main()).insertText(QStringLiteral("from the file"));
        QVERIFY(RtfWriter::writePage(source, path(QStringLiteral("in.rtf"))));
        ScriptedPrompt prompt;
        editor().setBDcEdt(false);
        editor().rtAct(3, path(QStringLiteral("in.rtf")));
        QCOMPARE(editor().edit().text(), QStringLiteral("from the file"));
        QVERIFY(editor().bDcEdt());
        QCOMPARE(editor().currentFile(), path(QStringLiteral("in.rtf")));

        // Insert: between line breaks at the caret.
        editor().SetText(QStringLiteral("AB"));
        editor().edit().setSelStart(1);
        prompt.files.enqueue(path(QStringLiteral("in.rtf")));
        editor().rtAct(30);
        QCOMPARE(editor().edit().text(), QStringLiteral("A\nfrom the file\n\nB"));

        // A file that ends in a list: the line break after it starts no item of its own.
        PageDocument list;
        QTextCursor items(list.main());
        items.insertText(QStringLiteral("one"));
        QTextListFormat numbers;
        numbers.setStyle(QTextListFormat::ListDecimal);
        items.createList(numbers);
        items.insertBlock();
        items.insertText(QStringLiteral("two"));
        QVERIFY(DocxWriter::writePage(list, path(QStringLiteral("list.docx"))));
        editor().SetText(QStringLiteral("AB"));
        editor().edit().setSelStart(1);
        prompt.files.enqueue(path(QStringLiteral("list.docx")));
        editor().rtAct(30);
        QVERIFY(editor().edit().text().endsWith(QStringLiteral("one\ntwo\n\nB")));
        const QTextBlock two = editor().edit().document()->lastBlock().previous().previous();
        QVERIFY(two.textList());
        QCOMPARE(two.textList()->count(), 2);
        QVERIFY(!two.next().textList());
        QCOMPARE(two.next().blockFormat().indent(), 0);

        // Damaged, foreign and binary Word files are refused with the message; the page stays.
        TestHome::write(path(QStringLiteral("bad.docx")), "PK\x03\x04 broken");
        TestHome::write(path(QStringLiteral("old.doc")), QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + QByteArray(600, '\0'));
        editor().SetText(QStringLiteral("kept"));
        editor().rtAct(3, path(QStringLiteral("bad.docx")));
        editor().rtAct(3, path(QStringLiteral("old.doc")));
        editor().rtAct(3, path(QStringLiteral("missing.rtf")));
        editor().rtAct(3, path(QStringLiteral("in.xyz")));
        QCOMPARE(editor().edit().text(), QStringLiteral("kept"));
        QCOMPARE(prompt.messages.size(), 2);
        QCOMPARE(prompt.messages.at(0), QStringLiteral("ﾌｧｲﾙ: ") + path(QStringLiteral("bad.docx")) + QStringLiteral(" を読み込めません｡\n")
                                            + DocxReader::notPackageProblem());
        QVERIFY(prompt.messages.at(1).startsWith(QStringLiteral("ﾌｧｲﾙ: ") + path(QStringLiteral("old.doc")) + QStringLiteral(" を読み込めません｡")));
        // The binary Word file: the user learns which documents are read.
        QVERIFY2(prompt.messages.at(1).contains(QStringLiteral("読み込めるのは .docx, RTF, ﾃｷｽﾄ, HTML の文書です")),
                 qPrintable(prompt.messages.at(1)));
    }

    void readFailuresSayWhyAndReadHeadingsLookLikeHeadings()
    {
        // A table beyond what memory allows: the message says which limit.
        QByteArray rows = "<w:tbl>";
        for (int r = 0; r <= Flow::RowLimit; ++r)
            rows += "<w:tr><w:tc><w:p/></w:tc></w:tr>";
        PageDocument heading;
        QTextCursor cursor(heading.main());
        QTextBlockFormat style;
        style.setProperty(TextProps::BlockStyle, 0);
        cursor.setBlockFormat(style);
        cursor.insertText(QStringLiteral("章の見出し"));
        QVERIFY(DocxWriter::writePage(heading, path(QStringLiteral("h.docx"))));
        TestHome::write(path(QStringLiteral("big.docx")), ZipPackage::write({{QStringLiteral("word/document.xml"),
            "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"><w:body>" + rows
                + "</w:tbl></w:body></w:document>"}}));
        ScriptedPrompt prompt;
        editor().rtAct(3, path(QStringLiteral("big.docx")));
        QCOMPARE(prompt.messages.size(), 1);
        QVERIFY2(prompt.messages.first().endsWith(Flow::rowProblem()), qPrintable(prompt.messages.first()));
        // Tables inside tables beyond what the readers take.
        TestHome::write(path(QStringLiteral("deep.docx")), ForeignFiles::docxNested(Flow::NestingLimit + 1));
        editor().rtAct(3, path(QStringLiteral("deep.docx")));
        QCOMPARE(prompt.messages.size(), 2);
        QCOMPARE(prompt.messages.last(), QStringLiteral("ﾌｧｲﾙ: ") + path(QStringLiteral("deep.docx"))
                 + QStringLiteral(" を読み込めません｡\n") + Flow::nestingProblem());
        // Columns each merged over a thousand rows: more grid than the page takes for so few cells.
        TestHome::write(path(QStringLiteral("merged.docx")), ForeignFiles::docxMergedColumns(1200, 5));
        editor().rtAct(3, path(QStringLiteral("merged.docx")));
        QCOMPARE(prompt.messages.size(), 3);
        QVERIFY2(prompt.messages.last().endsWith(Flow::mergedProblem()), qPrintable(prompt.messages.last()));

        Frmt::st().usrFmt[0].fontSize = 18;
        Frmt::st().usrFmt[0].bold = 1;
        editor().rtAct(3, path(QStringLiteral("h.docx")));
        RichTextEdit &edit = editor().edit();
        edit.select(1, 2);
        QCOMPARE(edit.fontSize(), 18.0);
        QVERIFY(edit.bold());
    }

    // A file read whole but not as it is written (lists nested deeper than the page takes, cut): the
    // page shows it, and the user is told what changed.
    void aReadThatCutsListsSaysSo_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<int>("depth");
        QTest::addColumn<bool>("told");
        QTest::newRow("read, cut") << 3 << HtmlImport::ListNestingLimit + 8 << true;
        QTest::newRow("inserted, cut") << 30 << HtmlImport::ListNestingLimit + 8 << true;
        QTest::newRow("read, as deep as kept") << 3 << HtmlImport::ListNestingLimit << false;
    }

    void aReadThatCutsListsSaysSo()
    {
        QFETCH(int, command);
        QFETCH(int, depth);
        QFETCH(bool, told);
        const QString file = path(QStringLiteral("lists.htm"));
        QVERIFY(TestHome::write(file, ForeignFiles::htmlNestedLists(depth)));
        ScriptedPrompt prompt;
        if (command == 3) {
            editor().rtAct(3, file);
        } else {
            prompt.files.enqueue(file);
            editor().rtAct(command);
        }
        const QString text = editor().edit().text();
        QVERIFY2(text.contains(QStringLiteral("L0\nL1\n")) && text.contains(QStringLiteral("L%1\nend").arg(depth - 1)),
                 qPrintable(text.left(80)));
        QCOMPARE(prompt.messages, told ? QStringList{QStringLiteral("ﾌｧｲﾙ: ") + file + QStringLiteral(" を読み込みました｡\n")
                                                     + DocumentFile::listNestingNote()}
                                       : QStringList());
    }

    void fileDialogsStartWhereFilesCanBeSeen()
    {
        ScriptedPrompt prompt;
        // The read dialog shows the Word documents of today unless it proposes another file.
        prompt.files.enqueue(QString());
        editor().rtAct(1);
        QCOMPARE(prompt.dialogFilters.last(), QStringLiteral("ﾜｰﾄﾞ文書 (*.docx)"));
        // Without a documents folder the save dialog starts in the home folder, not at a file named
        // after the missing folder.
        const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        QDir(documents).removeRecursively();
        prompt.files.enqueue(QString());
        QString file;
        QVERIFY(!editor().txSaveAs(file, true));
        QVERIFY2(QFileInfo(prompt.dialogStarts.last()).isDir(), qPrintable(prompt.dialogStarts.last()));
        QCOMPARE(prompt.dialogFilters.last(), QStringLiteral("ﾜｰﾄﾞ文書 97-2003(*.doc)"));
    }

    void insertingTextTakesThePlainTextAsOneParagraph()
    {
        PageDocument source;
        QTextCursor cursor(source.main());
        QTextCharFormat bold;
        bold.setFontWeight(QFont::Bold);
        cursor.insertText(QStringLiteral("line one"), bold);
        cursor.insertBlock();
        cursor.insertText(QStringLiteral("line two"));
        QVERIFY(DocxWriter::writePage(source, path(QStringLiteral("t.docx"))));
        ScriptedPrompt prompt;
        editor().SetText(QString());
        prompt.files.enqueue(path(QStringLiteral("t.docx")));
        editor().rtAct(32);
        QCOMPARE(editor().edit().text(), QStringLiteral("line one\vline two"));
        QVERIFY(editor().bDcEdt());
        TestHome::write(path(QStringLiteral("t.rtf")), "{\\rtf1 broken");
        prompt.files.enqueue(path(QStringLiteral("t.rtf")));
        editor().rtAct(32);
        QCOMPARE(prompt.messages, QStringList{QStringLiteral("ﾌｧｲﾙ: ") + path(QStringLiteral("t.rtf")) + QStringLiteral(" をｲﾝﾎﾟｰﾄできません｡\n")
                                              + RtfReader::cutShortProblem()});
        // A text file over what a page holds is refused with the reason before anything comes in.
        TestHome::write(path(QStringLiteral("big.txt")), QByteArray("line\n").repeated(Flow::TextLimit / 5 + 1));
        prompt.files.enqueue(path(QStringLiteral("big.txt")));
        editor().rtAct(32);
        QCOMPARE(prompt.messages.last(), QStringLiteral("ﾌｧｲﾙ: ") + path(QStringLiteral("big.txt"))
                 + QStringLiteral(" をｲﾝﾎﾟｰﾄできません｡\n") + Flow::textProblem());
        QCOMPARE(editor().edit().text(), QStringLiteral("line one\vline two"));
    }

    void saveDeletesEmptyFieldsAndWritesTheWordCopy()
    {
        Usr::st().userData = m_home->path() + QLatin1Char('/');
        Usr::st().dbName = QStringLiteral("db");
        RichTextEdit &edit = editor().edit();
        edit.setSelStart(edit.textLength());
        const int id = edit.insertField(QStringLiteral("x"));
        edit.setCurrentField(id);
        edit.setFieldText(QString(QChar(11)));
        int saves = 0;
        connect(m_editor.get(), &uTxm::eSaveDB, this, [&saves, &edit] {
            ++saves;
            QCOMPARE(edit.nextField(0), 0);
        });
        editor().rtAct(87, true);
        editor().nTmpNo = 12;
        editor().rtAct(4);
        QCOMPARE(saves, 1);
        const QString copy = path(QStringLiteral("Dbs/db_Doc/0012.docx"));
        QVERIFY(QFileInfo::exists(copy));
        const QString text = toolOutput(QStringLiteral("pandoc"), {QStringLiteral("-f"), QStringLiteral("docx"),
                                                                  QStringLiteral("-t"), QStringLiteral("plain"), copy});
        QVERIFY2(text.contains(QStringLiteral("最初の段落")), qPrintable(text));
        editor().nTmpNo = 0;
        editor().rtAct(4);
        QVERIFY(QFileInfo::exists(Usr::st().workFolder + QStringLiteral("Temp.docx")));
    }
};

QTEST_MAIN(TestUTxmFiles)
#include "tst_utxmfiles.moc"

// The editor's paste, picture, frame, format-copy and table commands on a real page.
#include "core/Frmt.h"
#include "core/zKtl.h"
#include "editor/EditorServices.h"
#include "editor/sbScrpt.h"
#include "editor/sbTxmDialog.h"
#include "editor/sbWmf.h"
#include "editor/uTxm.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/RichTextEdit.h"
#include "platform/richtext/TextProps.h"
#include "platform/desktop/ToolPaths.h"
#include "platform/richview/RichView.h"
#include "support/EditorTestEnv.h"
#include "support/ScriptedPrompt.h"
#include "support/SamplePage.h"
#include "support/TestImages.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QtEndian>
#include <QtTest>

#include <memory>

// The first bytes of a PNG file whose header claims `width` x `height` pixels, and no picture data.
QByteArray pngHeader(quint32 width, quint32 height)
{
    auto crc = [](const QByteArray &bytes) {
        quint32 c = 0xFFFFFFFFu;
        for (const char byte : bytes) {
            c ^= quint8(byte);
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        }
        return c ^ 0xFFFFFFFFu;
    };
    auto be = [](quint32 v) {
        QByteArray b(4, 0);
        qToBigEndian(v, b.data());
        return b;
    };
    const QByteArray ihdr = QByteArray("IHDR") + be(width) + be(height) + QByteArray("\x08\x06\x00\x00\x00", 5);
    const QByteArray idat = QByteArray("IDAT") + QByteArray("\x78\x9c\x03\x00\x00\x00\x00\x01", 8);
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + be(13) + ihdr + be(crc(ihdr)) + be(8) + idat + be(crc(idat));
}

// The real services with a scripted settings dialog.
class AnsweringServices : public EditorServices
{
public:
    QString answer;
    void settingsDialog(uTxm &, const QString &, QString &reply) override { reply = answer; }
};

class TestUTxmInsert : public QObject
{
    Q_OBJECT

    AnsweringServices m_services;
    std::unique_ptr<TestHome> m_home;
    std::unique_ptr<uTxm> m_editor;
    uTxm &editor() { return *m_editor; }
    RichTextEdit &edit() { return m_editor->edit(); }

    // What the edit menu would enable now.
    struct MenuState {
        bool undo = false, redo = false, copy = false, paste = false, exDoc = false, ovrw = false;
        bool tx = false, pc = false, mt = false, lk = false;
        int clipboardCode = 0; // what the clipboard check returns
    };
    MenuState menuState()
    {
        MenuState m;
        editor().ChkJbMn1(m.undo, m.redo, m.copy, m.paste, m.exDoc, m.ovrw, m.tx, m.pc, m.mt, m.lk, m.clipboardCode);
        return m;
    }

    // Presses a button of the picture sizing window once it shows, noting the size it opened at.
    void pressInSizingWindow(int button, QSize &opened)
    {
        QTimer::singleShot(0, this, [button, &opened] {
            auto *dialog = qobject_cast<sbWmf *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            opened = dialog->pictureSize();
            dialog->cmRet[button]->click();
        });
    }

    int printableWidthInPixels()
    {
        const PageSetup &setup = editor().page().pageSetup();
        return (setup.width - setup.marginLeft - setup.marginRight) * editor().logicalDpiX() / 1440;
    }

private slots:
    void init()
    {
        m_home = std::make_unique<TestHome>();
        QVERIFY(resetEditorState(*m_home));
        m_editor = std::make_unique<uTxm>(nullptr, &m_services);
        m_editor->view()->setDialogRunner([](QDialog &) { return false; });
        m_editor->cOn(0, 2);
        m_editor->SetText(QStringLiteral("本文"));
        edit().setSelStart(edit().textLength());
    }
    void cleanup()
    {
        m_editor.reset();
        yIni::release();
        m_home.reset();
    }

    void pasteTextMakesOneParagraphOfAnyLineEnds()
    {
        QApplication::clipboard()->setText(QStringLiteral("  a\r\nb\rc\nd  "));
        editor().rtAct(15, QStringLiteral("TXT"));
        QCOMPARE(edit().text(), QStringLiteral("本文a\vb\vc\vd"));
        QVERIFY(editor().bDcEdt());
    }

    void pasteTextKeepsTheIdeographicIndent()
    {
        // "　" opens a Japanese paragraph: it is text, not space around it.
        QApplication::clipboard()->setText(QStringLiteral("\r\n　字下げ　\r\n"));
        editor().rtAct(15, QStringLiteral("TXT"));
        QCOMPARE(edit().text(), QStringLiteral("本文　字下げ　"));
    }

    void pastedPictureIsStoredAtScreenScale()
    {
        QImage image(40, 20, QImage::Format_ARGB32);
        image.fill(Qt::green);
        QApplication::clipboard()->setImage(image);
        editor().rtAct(15, QStringLiteral("PIC"));
        const QList<int> pictures = edit().objectIds(TextProps::PictureKind);
        QCOMPARE(pictures.size(), 1);
        QVERIFY(edit().setCurrentObject(pictures.first()));
        QVERIFY(edit().pictureStored());
        QVERIFY(QFileInfo::exists(Usr::st().workFolder + QStringLiteral("Wrk.bmp")));
        // A 32-bit picture goes in as 24 bits (the bit count of the bitmap's header).
        const QByteArray bmp = TestHome::readAll(Usr::st().workFolder + QStringLiteral("Wrk.bmp"));
        QVERIFY(bmp.size() > 30);
        QCOMPARE(qFromLittleEndian<quint16>(bmp.constData() + 28), quint16(24));
        // One picture pixel is one screen pixel: 9600 / dpi per cent.
        const int scale = 9600 / editor().view()->logicalDpiX();
        const QTextImageFormat format = SamplePage::formatOfObject(editor().page().main(), pictures.first()).toImageFormat();
        QCOMPARE(qRound(format.width()), 40 * scale / 100);
    }

    // A style the user gives a paragraph (F2-F7 here) stays while it is typed in or the caret passes
    // it, and a paste leaves each paragraph in the style it looks: Ctrl+A over a typed first line (a
    // heading by the typing rule) and a paste of lines made them body text in the heading's style.
    void styleAndLookAgree_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("caret");
        QTest::addColumn<QStringList>("keys");
        QTest::addColumn<QList<int>>("styles"); // of each paragraph after
        QTest::newRow("heading 2 on an empty last paragraph, typed")
            << QStringLiteral("本文\n") << 3 << QStringList{"F3", "x"} << QList<int>{-1, 1};
        QTest::newRow("body on an empty page, typed") << QString() << 0 << QStringList{"F5", "x"} << QList<int>{3};
        QTest::newRow("heading 2 on an empty line after a heading, up and down")
            << QStringLiteral("本文\n\nend") << 0 << QStringList{"F2", "Down", "F3", "Up", "Down"} << QList<int>{0, 1, -1};
        QTest::newRow("ctrl+a over a typed first line, ctrl+v")
            << QString() << 0 << QStringList{"Title", "Ctrl+A", "Ctrl+V"} << QList<int>{3, 3, 3};
        QTest::newRow("ctrl+a over a typed first line, paste as text")
            << QString() << 0 << QStringList{"Title", "Ctrl+A", "TXT"} << QList<int>{3};
    }

    void styleAndLookAgree()
    {
        QFETCH(QString, text);
        QFETCH(int, caret);
        QFETCH(QStringList, keys);
        QFETCH(QList<int>, styles);
        m_editor->SetText(text);
        editor().show();
        QVERIFY(QTest::qWaitForWindowExposed(&editor()));
        edit().setSelStart(caret);
        QApplication::clipboard()->setText(QStringLiteral("one\ntwo\nthree"));
        QWidget *view = editor().view()->viewport();
        for (const QString &key : std::as_const(keys)) {
            editor().view()->showModelCaret();
            if (key.size() == 2 && key.at(0) == u'F')
                editor().rtAct(60, key.at(1).digitValue() - 2);
            else if (key == QLatin1String("TXT"))
                editor().rtAct(15, key);
            else if (key.contains(u'+') || key == QLatin1String("Up") || key == QLatin1String("Down"))
                QTest::keySequence(view, QKeySequence(key));
            else
                QTest::keyClicks(view, key);
        }
        const QStringList paragraphs = edit().text().split(QChar(10));
        QCOMPARE(paragraphs.size(), styles.size());
        for (int i = 0, at = 0; i < styles.size(); at += int(paragraphs.at(i++).size()) + 1) {
            edit().setSelStart(at);
            QCOMPARE(edit().blockStyle(), styles.at(i));
            // The look is the style's: body text for 本文, the record's size for a heading.
            if (styles.at(i) >= 0 && !paragraphs.at(i).isEmpty()) {
                edit().setSelStart(at + 1);
                QCOMPARE(qRound(edit().fontSize()), Frmt::st().usrFmt[styles.at(i)].fontSize);
                QCOMPARE(editor().isBodyAtCaret(), styles.at(i) == 3);
            }
        }
    }

    // A screenshot alone on the clipboard: paste is offered (all three ways in the menu) and the
    // component's own paste (Ctrl+V) puts it into the page.
    void screenshotAloneCanBePasted()
    {
        QImage image(24, 16, QImage::Format_RGB32);
        image.fill(Qt::magenta);
        QApplication::clipboard()->setImage(image);
        const MenuState menu = menuState();
        QVERIFY(menu.paste);
        QVERIFY(menu.pc && !menu.tx);
        QCOMPARE(menu.clipboardCode, 2);
        editor().rtAct(15, QStringLiteral("OBJ"));
        QCOMPARE(edit().objectIds(TextProps::PictureKind).size(), 1);
        QVERIFY(editor().bDcEdt());
    }

    // The body style given after "画像として貼り付け" (F5 the same) keeps its line height for text, and
    // the picture's line grows to the picture instead of covering the line above.
    void pastedPictureLineGrowsToThePicture()
    {
        editor().rtAct(60, 3);
        edit().setSelectedText(QStringLiteral("\n"));
        QImage image(40, 160, QImage::Format_RGB32);
        image.fill(Qt::red);
        QApplication::clipboard()->setImage(image);
        editor().rtAct(15, QStringLiteral("PIC"));
        QCOMPARE(edit().objectIds(TextProps::PictureKind).size(), 1);
        editor().rtAct(60, 3);
        QTextDocument *doc = editor().page().main();
        QCOMPARE(doc->blockCount(), 2);
        const QTextBlock text = doc->begin();
        const QTextBlock picture = text.next();
        const int styled = edit().lineSpacingTwips();
        QVERIFY(styled > 0);
        edit().setSelStart(0);
        QCOMPARE(edit().lineSpacingTwips(), styled);
        QAbstractTextDocumentLayout *layout = doc->documentLayout();
        const QTextLine line = text.layout()->lineAt(0);
        const double baseline = layout->blockBoundingRect(text).top() + line.y() + line.ascent();
        const double pictureTop = layout->blockBoundingRect(picture).top() + picture.layout()->lineAt(0).y();
        QVERIFY2(pictureTop >= baseline, qPrintable(QStringLiteral("%1 %2").arg(pictureTop).arg(baseline)));
        QVERIFY(layout->blockBoundingRect(picture).height() >= 150);
    }

    void inlineFrameKeepsOnlyTheSourceAddress()
    {
        m_services.answer = QStringLiteral("cap\t<IFRAME width=\"5\" src=\"https://x.test/a?b=1\"></iframe>");
        editor().rtAct(44);
        const QList<int> frames = edit().objectIds(TextProps::TextFrameKind);
        QCOMPARE(frames.size(), 1);
        QVERIFY(edit().selectFrame(frames.first()));
        QCOMPARE(edit().text(), QStringLiteral("[Iframe:%1]\vhttps://x.test/a?b=1").arg(frames.first()));
    }

    // Job 45: the script dialog's text goes into a marked frame; Cancel or an empty text inserts none.
    void scriptFrameFromTheScriptDialog()
    {
        const auto answerScript = [](const QString &text, int button) {
            QTimer::singleShot(0, [text, button] {
                auto *dialog = qobject_cast<sbScrpt *>(QApplication::activeModalWidget());
                QVERIFY(dialog);
                dialog->txRtx->setPlainText(text);
                dialog->press(button);
            });
        };
        answerScript(QStringLiteral("alert('a?');"), 1);
        editor().rtAct(45);
        QVERIFY(edit().objectIds(TextProps::TextFrameKind).isEmpty());
        QVERIFY(!editor().bDcEdt());
        answerScript(QString(), 0);
        editor().rtAct(45);
        QVERIFY(edit().objectIds(TextProps::TextFrameKind).isEmpty());
        answerScript(QStringLiteral("alert('a?');"), 0);
        editor().rtAct(45);
        const QList<int> frames = edit().objectIds(TextProps::TextFrameKind);
        QCOMPARE(frames.size(), 1);
        QVERIFY(editor().bDcEdt());
        QVERIFY(edit().selectFrame(frames.first()));
        QCOMPARE(edit().text(), QStringLiteral("[Script:%1]\valert('a?');").arg(frames.first()));
        QCOMPARE(edit().fontSize(), 9.0);
        edit().selectFrame(0);
    }

    // Job 35: the chosen picture goes through the sizing window, which opens it no wider than the
    // printable width; OK writes the work bitmap that goes into the page.
    void pictureFileThroughTheSizingWindow()
    {
        ScriptedPrompt prompt;
        const QString file = m_home->path() + QStringLiteral("/wide.png");
        QImage wide(3000, 100, QImage::Format_RGB32);
        wide.fill(Qt::blue);
        QVERIFY(wide.save(file));
        QSize opened;
        pressInSizingWindow(0, opened);
        prompt.files.enqueue(file);
        editor().rtAct(35);
        QVERIFY2(qAbs(opened.width() - printableWidthInPixels()) <= 1, qPrintable(QString::number(opened.width())));
        QCOMPARE(edit().objectIds(TextProps::PictureKind).size(), 1);
        QVERIFY(editor().bDcEdt());
        QCOMPARE(QImage(Usr::st().workFolder + QStringLiteral("Wrk.bmp")).width(), opened.width());
        // Cancel in the sizing window inserts nothing.
        pressInSizingWindow(1, opened);
        prompt.files.enqueue(file);
        editor().rtAct(35);
        QCOMPARE(edit().objectIds(TextProps::PictureKind).size(), 1);
    }

    // A drawing on the clipboard (SVG, in place of a metafile) is sized in the sizing window.
    void pastedDrawingThroughTheSizingWindow()
    {
        auto *data = new QMimeData;
        data->setData(QStringLiteral("image/svg+xml"),
                      "<svg xmlns='http://www.w3.org/2000/svg' width='4000' height='200'>"
                      "<rect width='4000' height='200' fill='red'/></svg>");
        QApplication::clipboard()->setMimeData(data);
        QSize opened;
        pressInSizingWindow(0, opened);
        editor().rtAct(15, QStringLiteral("PIC"));
        QVERIFY(opened.width() > 0 && opened.width() <= printableWidthInPixels() + 1);
        QCOMPARE(edit().objectIds(TextProps::PictureKind).size(), 1);
    }

    // 画像 (job 33) without the picture tool, or with a recorded tool that is no program: the picture
    // comes from a file as 画像 WMF形式 takes it; cancelled, it leaves nothing to undo.
    void pictureFromAFileWithoutTheTool_data()
    {
        QTest::addColumn<QString>("tool"); // the file recorded as the picture tool
        QTest::addColumn<bool>("chosen");
        QTest::newRow("no tool") << QString() << true;
        QTest::newRow("tool no program") << QStringLiteral("Velmora") << true;
        QTest::newRow("cancelled") << QString() << false;
    }

    void pictureFromAFileWithoutTheTool()
    {
        QFETCH(QString, tool);
        QFETCH(bool, chosen);
        ScriptedPrompt prompt;
        if (!tool.isEmpty()) {
            const QString path = m_home->path() + QStringLiteral("/tools/") + tool;
            QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
            QVERIFY(TestHome::write(path, "just text"));
            ToolPaths::setValue(QStringLiteral("QuenlithTools"), QStringLiteral("Path"), QStringLiteral("Velmora"), path);
        }
        zKtl::release();
        const QString file = m_home->path() + QStringLiteral("/pic.png");
        QVERIFY(TestHome::write(file, TestImages::bytes("PNG", Qt::blue, 30, 20)));
        prompt.files.enqueue(chosen ? file : QString());
        QSize opened;
        if (chosen)
            pressInSizingWindow(0, opened);
        editor().setBDcEdt(false);
        editor().page().main()->clearUndoRedoStacks(); // the test page is loaded as undoable text
        editor().rtAct(33);
        zKtl::release();
        QCOMPARE(prompt.dialogTitles, QStringList{QStringLiteral("画像")});
        for (const char *pattern : {"*.png", "*.jpg", "*.gif", "*.bmp"})
            QVERIFY2(prompt.dialogFilters.value(0).contains(QLatin1String(pattern)), pattern);
        QVERIFY(prompt.messages.isEmpty());
        QCOMPARE(edit().objectIds(TextProps::PictureKind).size(), chosen ? 1 : 0);
        QCOMPARE(editor().bDcEdt(), chosen);
        QCOMPARE(menuState().undo, chosen);
        QCOMPARE(editor().hasUndoSnapshot(), chosen);
    }

    // A file that gives no picture is named with the reason; nothing goes into the page.
    void aFileThatIsNoPictureIsNamed_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes"); // "-" for no file at all
        QTest::addColumn<QString>("why");
        const QByteArray png = TestImages::bytes("PNG", Qt::blue, 30, 20);
        QTest::newRow("empty png") << "empty.png" << QByteArray() << "ﾌｧｲﾙが空です｡";
        QTest::newRow("header claiming 60000x60000") << "huge.png" << pngHeader(60000, 60000)
                                                     << "画像が大きすぎます (60000×60000 ﾋﾟｸｾﾙ)｡";
        QTest::newRow("text named png") << "text.png" << QByteArray("just some text\n") << "画像の形式ではありません｡";
        QTest::newRow("text file") << "notes.txt" << QByteArray("just some text\n") << "画像の形式ではありません｡";
        QTest::newRow("png cut short") << "cut.png" << png.left(png.size() / 2) << "画像のﾃﾞｰﾀが壊れています｡";
        QTest::newRow("no such file") << "gone.png" << QByteArray("-") << "ﾌｧｲﾙがありません｡";
    }

    void aFileThatIsNoPictureIsNamed()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, why);
        ScriptedPrompt prompt;
        const QString file = m_home->path() + QLatin1Char('/') + name;
        if (bytes != "-")
            QVERIFY(TestHome::write(file, bytes));
        prompt.files.enqueue(file);
        editor().setBDcEdt(false);
        editor().page().main()->clearUndoRedoStacks();
        editor().rtAct(35);
        QCOMPARE(prompt.messages, QStringList{QStringLiteral("ﾌｧｲﾙ: ") + file + QStringLiteral(" を画像として読み込めません｡\n") + why});
        QCOMPARE(edit().objectIds(TextProps::PictureKind).size(), 0);
        QVERIFY(!editor().bDcEdt());
        QVERIFY(!menuState().undo);
    }

    // Job 30 (挿入 > 文書): a file not chosen, or one that cannot be read, leaves nothing to undo.
    void insertedDocumentLeavesUndoOnlyWhenInserted_data()
    {
        QTest::addColumn<QString>("name"); // the file chosen, none when empty
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("inserted");
        QTest::newRow("inserted") << QStringLiteral("a.htm")
                                  << QByteArray("<html><body><p>inserted \"?\" text</p></body></html>") << true;
        QTest::newRow("damaged") << QStringLiteral("b.docx") << QByteArray("PK\x03\x04 not a package") << false;
        QTest::newRow("not chosen") << QString() << QByteArray() << false;
    }

    void insertedDocumentLeavesUndoOnlyWhenInserted()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(bool, inserted);
        ScriptedPrompt prompt;
        const QString file = name.isEmpty() ? QString() : m_home->path() + QLatin1Char('/') + name;
        if (!file.isEmpty())
            QVERIFY(TestHome::write(file, bytes));
        prompt.files.enqueue(file);
        editor().page().main()->clearUndoRedoStacks(); // the test page is loaded as undoable text
        const QString before = edit().text();
        editor().rtAct(30);
        QCOMPARE(edit().text() != before, inserted);
        QCOMPARE(prompt.messages.isEmpty(), name != QLatin1String("b.docx"));
        QCOMPARE(menuState().undo, inserted);
        QCOMPARE(editor().hasUndoSnapshot(), inserted);
    }

    // Job 34: the user draws the picture's frame; its size goes to the picture tool.
    void drawnFrameGoesToThePictureTool()
    {
        ScriptedPrompt prompt; // the picture tool is not installed: its question is answered
        prompt.defaultAnswer = Prompt::Cancel;
        editor().show();
        QVERIFY(QTest::qWaitForWindowExposed(&editor()));
        editor().rtAct(34);
        RichView *view = editor().view();
        QVERIFY(view->drawMode());
        QSignalSpy drawn(view, &RichView::pictureFrameDrawn);
        QWidget *port = view->viewport();
        QTest::mousePress(port, Qt::LeftButton, {}, QPoint(20, 20));
        QMouseEvent move(QEvent::MouseMove, QPointF(120, 70), port->mapToGlobal(QPointF(120, 70)), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(port, &move);
        QTest::mouseRelease(port, Qt::LeftButton, {}, QPoint(120, 70));
        QVERIFY(!view->drawMode());
        QCOMPARE(drawn.size(), 1);
        const double twipsPerPixel = 1440.0 / view->logicalDpiX() * 100 / view->zoom();
        QCOMPARE(drawn.first().at(0).toInt(), qRound(100 * twipsPerPixel));
        QCOMPARE(drawn.first().at(1).toInt(), qRound(50 * twipsPerPixel));
        // A click without a drag draws nothing.
        editor().rtAct(34);
        QTest::mouseClick(port, Qt::LeftButton, {}, QPoint(30, 30));
        QCOMPARE(drawn.size(), 1);
        QVERIFY(!view->drawMode());
    }

    // The input method is asked to be off (Latin) before the page and style dialogs, and on when the
    // setting is "ON" and the user types.
    void inputMethodFollowsTheSetting()
    {
        RichView *view = editor().view();
        bool open = true;
        editor().T_GetIME(open);
        QVERIFY(!open); // IME "OFF" by default
        QVERIFY(view->inputMethodHints() & Qt::ImhPreferLatin);
        m_services.answer = QStringLiteral("0\tON\t確認");
        editor().rtAct(68);
        QCOMPARE(editor().imeSetting(), QStringLiteral("ON"));
        editor().show();
        editor().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&editor()));
        view->setFocus();
        QTest::keyClicks(view->viewport(), QStringLiteral("a"));
        editor().T_GetIME(open);
        QVERIFY(open);
        QCOMPARE(view->inputMethodQuery(Qt::ImHints).toInt() & Qt::ImhPreferLatin, 0);
        editor().rtAct(63);
        editor().T_GetIME(open);
        QVERIFY(!open);
        QVERIFY(view->inputMethodQuery(Qt::ImHints).toInt() & Qt::ImhPreferLatin);
    }

    // The browser preview writes the work page and keeps the page's modified mark.
    void browserPreviewKeepsTheModifiedMark()
    {
        ScriptedPrompt prompt; // no converter in this test: the preview reports that it wrote nothing
        editor().setBDcEdt(true);
        editor().rtAct(8);
        QVERIFY(editor().bDcEdt());
        QVERIFY(editor().jobBuilt(8));
        QVERIFY(!editor().jobBuilt(41));
    }

    // After 表 > 挿入 > 表 the keys go into the new table's first cell, wherever the focus was before
    // (the page tree): they were lost.
    void keysAfterATableInsertGoIntoItsFirstCell_data()
    {
        QTest::addColumn<bool>("byEnter");
        QTest::newRow("OK by a click") << false;
        QTest::newRow("OK by Enter") << true;
    }

    void keysAfterATableInsertGoIntoItsFirstCell()
    {
        QFETCH(bool, byEnter);
        EditorServices services; // the real dialog
        QWidget window;
        auto *layout = new QHBoxLayout(&window);
        auto *tree = new QLineEdit(&window);
        auto *editor = new uTxm(&window, &services);
        layout->addWidget(tree);
        layout->addWidget(editor);
        editor->cOn(0, 2);
        editor->SetText(QStringLiteral("本文"));
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        tree->setFocus();
        QTimer::singleShot(0, this, [byEnter] {
            auto *dialog = qobject_cast<sbTxmDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            if (byEnter)
                QTest::keyClick(dialog->focusWidget(), Qt::Key_Return);
            else
                dialog->okButton()->click();
        });
        editor->rtAct(80, QStringLiteral("表"));
        QTRY_COMPARE(QApplication::focusWidget(), editor->view());
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("abc"));
        RichTextEdit &e = editor->edit();
        QCOMPARE(e.tableIds().size(), 1);
        QCOMPARE(e.cellText(e.tableIds().first(), 1, 1), QStringLiteral("abc"));
        QCOMPARE(tree->text(), QString());
    }

    void tableSelectionAndFormatCopy()
    {
        edit().setSelStart(edit().textLength());
        const int table = edit().insertTable(2, 3);
        QVERIFY(table > 0);
        edit().setCellText(table, 2, 2, QStringLiteral("xyz"));
        edit().setSelStart(edit().cellStart(table, 2, 2));
        editor().rtAct(83, QStringLiteral("ｾﾙ"));
        QCOMPARE(edit().selStart(), edit().cellStart(table, 2, 2) - 1);
        QCOMPARE(edit().selLength(), 4);
        editor().rtAct(83, QStringLiteral("表"));
        QCOMPARE(edit().selStart(), edit().cellStart(table, 1, 1) - 1);
        editor().rtAct(80, QStringLiteral("下"));
        QCOMPARE(edit().tableRows(table), 3);
        editor().rtAct(80, QStringLiteral("?"));
        QCOMPARE(edit().tableRows(table), 3);

        // A copied white background is not painted into a table cell.
        edit().setSelStart(edit().cellStart(table, 1, 1));
        edit().setSelectedText(QStringLiteral("cell"));
        edit().select(edit().cellStart(table, 1, 1) - 1, 4);
        edit().setBackColor(0x00FF00);
        edit().select(0, 1);
        edit().setBackColor(0xFFFFFF);
        edit().setBold(true);
        editor().rtAct(70);
        edit().select(edit().cellStart(table, 1, 1) - 1, 4);
        editor().rtAct(71);
        QVERIFY(edit().bold());
        QCOMPARE(edit().backColor(), 0x00FF00);
    }
};

QTEST_MAIN(TestUTxmInsert)
#include "tst_utxminsert.moc"

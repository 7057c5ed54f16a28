#include "core/yIni.h"
#include "editor/EditorServices.h"
#include "editor/TxmTemplateJobs.h"
#include "editor/sbScrpt.h"
#include "editor/sbWmf.h"
#include "editor/uTxm.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/RichTextEdit.h"
#include "platform/richtext/TextProps.h"
#include "platform/richview/RichView.h"
#include "support/EditorTestEnv.h"
#include "support/FifoProbe.h"
#include "support/ScriptedPrompt.h"
#include "support/TestImages.h"

#include <QApplication>
#include <QImageReader>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <memory>

// The picture sizing and script dialogs, and the layout jobs of template pages.
class TestEditorDialogs : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestHome> m_home;
    std::unique_ptr<uTxm> m_editor;

    QString writeImage(const QString &name, const QByteArray &bytes)
    {
        const QString path = m_home->path() + QLatin1Char('/') + name;
        return TestHome::write(path, bytes) ? path : QString();
    }

private slots:
    void init()
    {
        m_home = std::make_unique<TestHome>();
        QVERIFY(resetEditorState(*m_home));
        m_editor = std::make_unique<uTxm>();
        m_editor->view()->setDialogRunner([](QDialog &) { return false; });
        m_editor->cOn(0, 2);
    }

    void cleanup()
    {
        m_editor.reset();
        yIni::release();
        m_home.reset();
    }

    void pictureSizing_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<int>("maxTwips");
        QTest::addColumn<QSize>("opened"); // picture area, pixels at 96 dpi
        QTest::newRow("png natural") << QStringLiteral("png") << 0 << QSize(40, 20);
        QTest::newRow("jpeg limited") << QStringLiteral("jpg") << 300 << QSize(20, 10);
        QTest::newRow("bmp wider limit") << QStringLiteral("bmp") << 6000 << QSize(40, 20);
        QTest::newRow("svg") << QStringLiteral("svg") << 450 << QSize(30, 15);
    }

    void pictureSizing()
    {
        QFETCH(QString, format);
        QFETCH(int, maxTwips);
        QFETCH(QSize, opened);
        QByteArray bytes;
        if (format == QLatin1String("svg"))
            bytes = "<svg xmlns='http://www.w3.org/2000/svg' width='40' height='20'>"
                    "<rect width='40' height='20' fill='red'/></svg>";
        else
            bytes = TestImages::bytes(format.toLatin1().toUpper().constData(), Qt::red, 40, 20);
        const QString file = writeImage(QStringLiteral("pic.") + format, bytes);
        sbWmf dialog;
        if (dialog.logicalDpiX() != 96)
            QSKIP("the sizes below are for a 96 dpi screen");
        QVERIFY(dialog.loadFile(file));
        dialog.SetPic(maxTwips, QPoint(500, 500), QRect(0, 0, 1000, 1000));
        QCOMPARE(dialog.pictureSize(), opened);
        // The user makes it bigger than the limit: the bitmap follows the window.
        dialog.setPictureSize(QSize(70, 33));
        const QString out = m_home->path() + QStringLiteral("/Wrk.bmp");
        QVERIFY(dialog.press(0, out));
        QImageReader reader(out);
        QCOMPARE(reader.format(), QByteArray("bmp"));
        const QImage written = reader.read();
        QCOMPARE(written.size(), QSize(70, 33));
        QCOMPARE(written.dotsPerMeterX(), 3780);
        QVERIFY(written.pixelColor(35, 16).red() > 240 && written.pixelColor(35, 16).green() < 16);
    }

    void pictureSizingFailures()
    {
        sbWmf dialog;
        QVERIFY(!dialog.loadFile(writeImage(QStringLiteral("bad.png"), "not a picture")));
        QVERIFY(!dialog.loadFile(m_home->path() + QStringLiteral("/missing.svg")));
        QVERIFY(dialog.loadFile(writeImage(QStringLiteral("ok.png"), TestImages::bytes("PNG", Qt::blue, 10, 10))));
        // Near the bottom right corner the window moves inside the main window; near the top left
        // it stops at 0.
        dialog.SetPic(0, QPoint(995, 995), QRect(0, 0, 1000, 1000));
        QVERIFY(dialog.frameGeometry().right() <= 1000 || dialog.x() + dialog.width() <= 1000);
        dialog.SetPic(0, QPoint(1, 1), QRect(0, 0, 1000, 1000));
        QCOMPARE(dialog.pos(), QPoint(0, 0));
        dialog.resize(2, 2); // smaller than its frame: nothing fails
        QVERIFY(!dialog.press(1, m_home->path() + QStringLiteral("/x.bmp")));
        QVERIFY(!QFile::exists(m_home->path() + QStringLiteral("/x.bmp")));
        QVERIFY(!dialog.press(0, m_home->path() + QStringLiteral("/no/such/folder/x.bmp")));
    }

    // A drawing chosen to be sized is drawn from what it holds itself: a picture it names (itself, a
    // FIFO that would keep the program waiting) is never read.
    void drawingsReadNothingTheyName_data()
    {
        QTest::addColumn<QString>("named"); // a file of the home folder
        QTest::newRow("itself") << QStringLiteral("drawing.svg");
        QTest::newRow("a FIFO") << QStringLiteral("fifo");
    }

    void drawingsReadNothingTheyName()
    {
        QFETCH(QString, named);
        const FifoProbe fifo(m_home->path() + QStringLiteral("/fifo"));
        QVERIFY(fifo.made());
        const QString file = writeImage(QStringLiteral("drawing.svg"),
                                        "<svg xmlns='http://www.w3.org/2000/svg' xmlns:xlink='http://www.w3.org/1999/xlink' "
                                        "width='40' height='20'><rect width='40' height='20' fill='red'/>"
                                        "<image width='4' height='4' xlink:href='" + QFile::encodeName(m_home->path() + QLatin1Char('/') + named) + "'/></svg>");
        sbWmf dialog;
        QVERIFY(dialog.loadFile(file));
        dialog.SetPic(0, QPoint(500, 500), QRect(0, 0, 1000, 1000));
        const QString out = m_home->path() + QStringLiteral("/Wrk.bmp");
        QVERIFY(dialog.press(0, out));
        const QImage drawn(out);
        QVERIFY(drawn.pixelColor(2, 2).red() > 240 && drawn.pixelColor(2, 2).green() < 16);
        QVERIFY(!fifo.opened());
    }

    // A picture narrower than the two buttons keeps its size; the buttons stand side by side inside
    // the window, OK left of Cancel, and the picture still follows the window's edges.
    void narrowPictureLeavesRoomForTheButtons()
    {
        sbWmf dialog;
        QVERIFY(dialog.loadFile(writeImage(QStringLiteral("small.png"), TestImages::bytes("PNG", Qt::red, 100, 100))));
        dialog.SetPic(0, QPoint(500, 500), QRect(0, 0, 1000, 1000));
        const QSize natural = dialog.pictureSize();
        QVERIFY(natural.width() >= 90 && natural.width() <= 110);
        const QRect ok = dialog.cmRet[0]->geometry();
        const QRect cancel = dialog.cmRet[1]->geometry();
        QVERIFY(!ok.intersects(cancel));
        QVERIFY(ok.right() < cancel.left());
        QVERIFY(dialog.rect().contains(ok) && dialog.rect().contains(cancel));
        dialog.show();
        dialog.resize(dialog.width() + 30, dialog.height() + 20);
        QCOMPARE(dialog.pictureSize(), natural + QSize(30, 20));
        const QString out = m_home->path() + QStringLiteral("/small.bmp");
        QVERIFY(dialog.press(0, out));
        QCOMPARE(QImage(out).size(), natural + QSize(30, 20));
    }

    // Each opening of the script window starts in its text, even after a click on Cancel took the
    // focus to the button.
    void scriptWindowOpensInItsText()
    {
        sbScrpt &script = sbScrpt::instance();
        QString text;
        QWidget *focused = nullptr;
        QTimer::singleShot(0, this, [&script] {
            QVERIFY(QTest::qWaitForWindowActive(&script));
            QTest::mouseClick(script.cmOk[1], Qt::LeftButton);
        });
        sbScrpt::Act(text);
        QTimer::singleShot(0, this, [&script, &focused] {
            QVERIFY(QTest::qWaitForWindowActive(&script));
            focused = QApplication::focusWidget();
            script.press(1);
        });
        sbScrpt::Act(text);
        QCOMPARE(focused, static_cast<QWidget *>(script.txRtx));
    }

    void scriptTextStaysBetweenCalls()
    {
        sbScrpt &script = sbScrpt::instance();
        QVERIFY(script.text().isEmpty());
        QString text = QStringLiteral("old");
        QTimer::singleShot(0, this, [&script] {
            script.txRtx->setPlainText(QStringLiteral("alert('x');"));
            script.press(1);
        });
        sbScrpt::Act(text);
        QVERIFY(text.isEmpty());
        QTimer::singleShot(0, this, [&script] { script.press(0); });
        sbScrpt::Act(text);
        QCOMPARE(text, QStringLiteral("alert('x');"));
    }

    void labelledTemplateView()
    {
        RichTextEdit &e = m_editor->edit();
        e.setText(QStringLiteral("A  B "));
        for (int at : {1, 8}) {
            e.select(at, 0);
            QVERIFY(e.insertField(QStringLiteral("[FD]")) > 0);
            e.setFieldType(1);
            e.setFieldData(QStringLiteral("@"));
        }
        e.select(e.textLength(), 0);
        const int frame = e.insertTextFrame(RichTextEdit::FrameArgs());
        QVERIFY(frame > 0);
        e.select(0, 0);
        const int table = e.insertTable(2, 2);
        QVERIFY(e.setCellText(table, 1, 1, QStringLiteral("kept")));
        const QString before = e.text();

        const QByteArray bytes = TxmTemplateJobs::labelledCopy(*m_editor);
        QCOMPARE(e.text(), before);
        PageDocument page;
        RichTextEdit copy(&page);
        QVERIFY(m_editor->services().loadBytes(copy, bytes, 3, false));
        QVERIFY(copy.text().contains(QStringLiteral("FD:1")));
        QVERIFY(copy.text().contains(QStringLiteral("FD:2")));
        const int copyTable = copy.tableIds().value(0);
        QCOMPARE(copy.cellText(copyTable, 1, 1), QStringLiteral("kept"));
        QCOMPARE(copy.cellText(copyTable, 2, 2), QStringLiteral("TB:1-2-2"));
        QVERIFY(copy.selectFrame(copy.objectIds(TextProps::TextFrameKind).value(0)));
        QCOMPARE(copy.text(), QStringLiteral("TF:1"));
    }

    void frameLayouts()
    {
        ScriptedPrompt prompt;
        RichTextEdit &e = m_editor->edit();
        // An empty page asks nothing.
        QVERIFY(TxmTemplateJobs::txTlFrames(*m_editor, 3));
        QVERIFY(prompt.messages.isEmpty());
        QCOMPARE(e.objectIds(TextProps::TextFrameKind).size(), 2);
        // With text: Cancel keeps the page.
        e.selectFrame(0);
        e.setText(QStringLiteral("text"));
        prompt.answers.enqueue(Prompt::Cancel);
        QVERIFY(!TxmTemplateJobs::txTlFrames(*m_editor, 2));
        QCOMPARE(e.text(), QStringLiteral("text"));
        prompt.answers.enqueue(Prompt::Ok);
        QVERIFY(TxmTemplateJobs::txTlFrames(*m_editor, 2));
        QCOMPARE(e.objectIds(TextProps::TextFrameKind).size(), 1);
        QVERIFY(!e.text().contains(QStringLiteral("text")));
        // A page smaller than its margins is refused with a message.
        PageSetup small = m_editor->page().pageSetup();
        small.height = 1000;
        m_editor->page().setPageSetup(small);
        const int shown = int(prompt.messages.size());
        QVERIFY(!TxmTemplateJobs::txTlFrames(*m_editor, 2));
        QCOMPARE(prompt.messages.size(), shown + 1);
    }
};

QTEST_MAIN(TestEditorDialogs)
#include "tst_editordialogs.moc"

// The editor's paste, picture, frame, format-copy and table commands on a real page.
#include "editor/EditorServices.h"
#include "editor/uTxm.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/RichTextEdit.h"
#include "platform/richtext/TextProps.h"
#include "platform/richview/RichView.h"
#include "support/EditorTestEnv.h"
#include "support/ScriptedPrompt.h"
#include "support/SamplePage.h"

#include <QApplication>
#include <QClipboard>
#include <QTextDocument>
#include <QtEndian>
#include <QtTest>

#include <memory>

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

    void inlineFrameKeepsOnlyTheSourceAddress()
    {
        m_services.answer = QStringLiteral("cap\t<IFRAME width=\"5\" src=\"https://x.test/a?b=1\"></iframe>");
        editor().rtAct(44);
        const QList<int> frames = edit().objectIds(TextProps::TextFrameKind);
        QCOMPARE(frames.size(), 1);
        QVERIFY(edit().selectFrame(frames.first()));
        QCOMPARE(edit().text(), QStringLiteral("[Iframe:%1]\vhttps://x.test/a?b=1").arg(frames.first()));
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

// A page's plain text where it leaves the program: the mail handed to xdg-email, the text output of a
// range (shown and copied), the page exported as text and the clipboard. Each line ends once, a
// table row is one line with its cells apart by a tab, and no other control character goes out.
#include "MainFixture.h"
#include "OnViewer.h"
#include "output/reader/sbDmp.h"
#include "output/word/sbExpDc.h"
#include "platform/richtext/PageCodec.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/PositionText.h"
#include "platform/richtext/TextProps.h"
#include "platform/richview/PageClipboard.h"
#include "platform/text/SystemCodec.h"
#include "support/TestImages.h"
#include "tree/uTrX.h"

#include <QAbstractButton>
#include <QAction>
#include <QButtonGroup>
#include <QClipboard>
#include <QMimeData>
#include <QPushButton>
#include <QTextCursor>
#include <QTextTable>
#include <QTimer>

#include <memory>

namespace {

const QString Rows = QStringLiteral("a1\tb1\tc1\na2\tb2 続き\tc2\na3\tb3\tc3");

// Headings, a paragraph with a line break, a 3x3 table (one cell with a line break, one with a
// picture), a page break and a last line.
QByteArray tablePage()
{
    PageDocument page;
    QTextCursor cursor(page.main());
    QTextBlockFormat heading;
    heading.setProperty(TextProps::BlockStyle, 0);
    cursor.setBlockFormat(heading);
    cursor.insertText(QStringLiteral("見出し"));
    cursor.insertBlock(QTextBlockFormat());
    cursor.insertText(QStringLiteral("一行目") + QChar(QChar::LineSeparator) + QStringLiteral("二行目"));
    heading.setProperty(TextProps::BlockStyle, 1);
    cursor.insertBlock(heading);
    cursor.insertText(QStringLiteral("節"));
    QTextTable *table = cursor.insertTable(3, 3);
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column)
            table->cellAt(row, column).firstCursorPosition().insertText(QString(QChar(u'a' + column)) + QString::number(row + 1));
    }
    table->cellAt(1, 1).lastCursorPosition().insertText(QString(QChar(QChar::LineSeparator)) + QStringLiteral("続き"));
    QTextImageFormat picture;
    picture.setName(page.addPicture(TestImages::bytes()));
    picture.setWidth(8);
    picture.setHeight(8);
    QTextCursor inCell = table->cellAt(2, 2).lastCursorPosition();
    PageDocument::insertPicture(inCell, picture);
    QTextCursor end(page.main());
    end.movePosition(QTextCursor::End);
    QTextBlockFormat newPage;
    newPage.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    end.setBlockFormat(newPage);
    end.insertText(QStringLiteral("後"));
    return PageCodec::save(page);
}

// Control characters other than tab and LF (CR too when `crlf` is false).
QString controls(const QString &text, bool crlf)
{
    QString found;
    for (const QChar ch : text) {
        if (ch.category() == QChar::Other_Control && ch != u'\t' && ch != u'\n' && !(crlf && ch == u'\r'))
            found += QStringLiteral("U+%1 ").arg(ch.unicode(), 4, 16, QLatin1Char('0'));
    }
    return found;
}


} // namespace

class TestPlainTextOut : public QObject
{
    Q_OBJECT
private slots:
    void mailTextOutputAndClipboard();
};

void TestPlainTextOut::mailTextOutputAndClipboard()
{
    MainFixture f;
    Usr::st().workFolder = Usr::st().userData + QStringLiteral("Wrk/");
    const QString path = f.database(QStringLiteral("Mail.txdb"));
    QVERIFY(zSvr::instance().D_StDcDb(path));
    const QByteArray bytes = tablePage();
    PageDocument stored;
    QVERIFY(PageCodec::load(stored, bytes));
    QVERIFY(f.page(1001, QStringLiteral("見出し"), PositionText::text(stored.main())) && f.place(0, 1001, 0, QStringLiteral("見出し")));
    QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Update msDoc Set obDoc = ? Where noDoc = ?"), {bytes, 1001}));
    zSvr::instance().D_Close();
    f.window->SetDBNo(path, 0);
    f.window->show();
    f.window->tree().SetLeaf(QStringLiteral("1001"));
    QTRY_COMPARE(f.window->nDocNo, 1001);
    // The test editor's pages hold their text alone: give it the page itself.
    QVERIFY(PageCodec::load(*f.editor().GetObj()->page(), bytes));
    f.prompt.messages.clear();

    // The mail: the texts as a stub xdg-email first on the PATH is given them, one argument a line.
    QTemporaryDir bin;
    const QString argsFile = bin.filePath(QStringLiteral("args"));
    QFile stub(bin.filePath(QStringLiteral("xdg-email")));
    QVERIFY(stub.open(QIODevice::WriteOnly));
    stub.write(QStringLiteral("#!/bin/sh\nfor a in \"$@\"; do printf '%s\\0' \"$a\"; done > \"%1\"\n").arg(argsFile).toUtf8());
    stub.close();
    QVERIFY(stub.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    const QByteArray pathVariable = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(bin.path()) + ':' + pathVariable);
    f.window->item(QStringLiteral("mnMail"), 2)->trigger();
    qputenv("PATH", pathVariable);
    QVERIFY2(f.prompt.messages.isEmpty(), qPrintable(f.prompt.messages.join(u'|')));
    QFile made(argsFile);
    QVERIFY(made.open(QIODevice::ReadOnly));
    const QStringList args = QString::fromUtf8(made.readAll()).split(QChar(0));
    const QString body = args.value(args.indexOf(QStringLiteral("--body")) + 1);
    const QString rule(30, u'-');
    // One LF a line (xdg-email makes it the CR LF of mail); the rows as lines of tab-separated cells.
    QCOMPARE(body, rule + QStringLiteral("\n見出し\n") + rule + QStringLiteral("\n一行目\n二行目\n\n■■　節\n") + Rows
                       + QStringLiteral("\n後"));
    QCOMPARE(args.value(args.indexOf(QStringLiteral("--subject")) + 1), QStringLiteral("見出し"));

    // The mail text itself keeps CR LF, as mail has it.
    QString text, caption;
    f.editor().GetMTxt(text, caption);
    QCOMPARE(text, QString(body).replace(u'\n', QStringLiteral("\r\n")));

    // The page exported as text (in the system code page): CR LF line ends, the rows as in the mail.
    QString txt = f.dir.filePath(QStringLiteral("page.txt"));
    QVERIFY(f.editor().txSaveAs(txt, true));
    QFile exported(txt);
    QVERIFY(exported.open(QIODevice::ReadOnly));
    const QString written = SystemCodec::toUnicode(exported.readAll());
    QVERIFY2(written.contains(QString(Rows).replace(u'\n', QStringLiteral("\r\n")) + QStringLiteral("\r\n後")), qPrintable(written));
    QVERIFY2(controls(written, true).isEmpty(), qPrintable(controls(written, true)));
    QVERIFY(!written.contains(QStringLiteral("\r\r")));

    // The clipboard's plain text of the whole page.
    RichTextEdit &edit = f.editor().edit();
    edit.select(0, edit.textLength());
    const std::unique_ptr<QMimeData> copied(PageClipboard::fromSelection(edit));
    QVERIFY(copied);
    QVERIFY2(copied->text().contains(QStringLiteral("節\n") + Rows + QStringLiteral("\n後")), qPrintable(copied->text()));
    QVERIFY2(controls(copied->text(), false).isEmpty(), qPrintable(controls(copied->text(), false)));

    // The text output of the range: shown, and copied by its button.
    sbExpDc::setRunner([](sbExpDc &dialog) {
        dialog.forms()->button(0)->click();
        dialog.ranges()->button(0)->click();
        return true;
    });
    QString shown, clipboard;
    onViewer([&](sbDmp &viewer) {
        shown = viewer.plainText();
        viewer.button(4)->click();
        clipboard = QApplication::clipboard()->text();
        viewer.button(5)->click();
    });
    f.window->item(QStringLiteral("mnRet"), 2)->trigger();
    sbExpDc::setRunner(nullptr);
    for (const QString &out : {shown, clipboard}) {
        QVERIFY2(out.contains(QStringLiteral("節\n") + Rows + QStringLiteral("\n後")), qPrintable(out));
        QVERIFY2(controls(out, false).isEmpty(), qPrintable(controls(out, false)));
    }
}

QTEST_MAIN(TestPlainTextOut)
#include "tst_plaintextout.moc"

#include "core/Usr.h"
#include "editor/LoadWait.h"
#include "output/print/PrinterRecord.h"
#include "output/print/sbTvw.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/PageRenderer.h"
#include "platform/richtext/RichTextEdit.h"
#include "platform/richtext/TextProps.h"
#include "platform/richview/RichView.h"
#include "support/FileSizeLimit.h"
#include "support/PdfPages.h"
#include "support/ScriptedPrompt.h"
#include "support/TestHome.h"
#include "support/WaitWatch.h"

#include <QAction>
#include <QApplication>
#include <QMenuBar>
#include <QPrintDialog>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>
#include <QtEndian>
#include <QtTest>
#include <qpa/qwindowsysteminterface.h>


namespace {

// Three pages through page breaks, a running header on each.
void fillThreePages(PageDocument &page, const PageSetup &setup = PageSetup())
{
    page.setPageSetup(setup);
    QTextCursor cursor(page.main());
    QTextBlockFormat pageBreak;
    pageBreak.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    for (int n = 1; n <= 3; ++n) {
        if (n > 1)
            cursor.insertBlock(pageBreak);
        cursor.insertText(QStringLiteral("Body of page %1").arg(n));
    }
    QTextCursor(page.ensurePart(TextProps::HeaderAll)).insertText(QStringLiteral("Running header"));
}

PageSetup sized(int width, int height, bool landscape = false)
{
    PageSetup setup;
    setup.width = width;
    setup.height = height;
    setup.landscape = landscape;
    return setup;
}

} // namespace

class TestPrinting : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void paperMatching_data();
    void paperMatching();
    void fitAndZoomBoxes();
    void settingsRecord();
    void printerSetupWritesFile();
    void printToPdf();
    void printDialogRangeCopiesAndCancel();
    void failingPrinterIsReported();
    void fullDiskKeepsTheOldPdf();
    void pageViewWindow();
    void altTapShowsTheBarHasTheKeys();
    void largePageUnderTheWaitWindow_data();
    void largePageUnderTheWaitWindow();

private:
    QTemporaryDir m_dir;
    ScriptedPrompt m_prompt;
};

void TestPrinting::init()
{
    Usr::st().userData = m_dir.path() + u'/';
    QFile::remove(sbTvw::defaultSettingsFile());
    m_prompt.messages.clear();
}

void TestPrinting::paperMatching_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<bool>("landscape");
    QTest::addColumn<int>("code");
    QTest::newRow("A4") << 11906 << 16838 << false << 9;
    QTest::newRow("A4 landscape") << 16838 << 11906 << true << 9;
    QTest::newRow("A4 less 1.9%") << int(11906 * 0.981) << int(16838 * 0.981) << false << 9;
    QTest::newRow("A4 less 2.0% wide") << int(11906 * 0.98) << 16838 << false << 256;
    QTest::newRow("A4 less 2.0% high") << 11906 << int(16838 * 0.98) << false << 256;
    QTest::newRow("A5") << 8391 << 11906 << false << 11;
    QTest::newRow("B5 182x257 mm") << 10318 << 14570 << false << 13;
    QTest::newRow("postcard 100x148 mm") << 5669 << 8391 << false << 43;
    QTest::newRow("Letter") << 12240 << 15840 << false << 1;
    QTest::newRow("200x200 mm") << 11339 << 11339 << false << 256;
    QTest::newRow("A4 sides swapped, not landscape") << 16838 << 11906 << false << 256;
}

void TestPrinting::paperMatching()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(bool, landscape);
    QTEST(sbTvw::ChkPaper(sized(width, height, landscape)), "code");
}

void TestPrinting::fitAndZoomBoxes()
{
    // The limiting side keeps a tenth free; a landscape page fits with its own sides.
    const QRect portrait = sbTvw::fitBox(QSize(15000, 9000), QSize(11906, 16838));
    QCOMPARE(portrait.height(), 8100);
    QCOMPARE(portrait.left(), (15000 - portrait.width()) / 2);
    const QRect landscape = sbTvw::fitBox(QSize(15000, 9000), QSize(16838, 11906));
    QCOMPARE(landscape.height(), 8100);
    QCOMPARE(landscape.width(), qRound(16838 * 8100.0 / 11906));
    // Zoom 100 with a fit zoom of 45: about 2.22 times the box, pinned at the top left when larger.
    const QRect fitted(100, 200, 4000, 5000);
    const QRect big = sbTvw::zoomBox(QSize(20000, 20000), fitted, 45, 100);
    QCOMPARE(big.size(), QSize(8889, 11111));
    QCOMPARE(big.topLeft(), QPoint(5556, 4444));
    QCOMPARE(sbTvw::zoomBox(QSize(5000, 5000), fitted, 45, 100).topLeft(), QPoint(0, 0));
}

void TestPrinting::settingsRecord()
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(QPageLayout::Landscape);
    PrinterRecord record;
    record.setValue16(PrinterRecord::Scale, 77);
    record.setValue16(PrinterRecord::Collate, 5); // never set by the program: kept
    record.GetPrnDm(printer);
    const QByteArray bytes = record.bytes();
    QCOMPARE(bytes.size(), 146);
    QCOMPARE(bytes.left(32), QByteArray(32, ' ')); // the PDF printer has no name
    QCOMPARE(qFromLittleEndian<quint16>(bytes.constData() + 36), quint16(146));
    QCOMPARE(qFromLittleEndian<quint16>(bytes.constData() + 38), quint16(0));
    const quint32 fields = qFromLittleEndian<quint32>(bytes.constData() + 40);
    QCOMPARE(fields & 0x1F, 0x3u);       // orientation and paper size; no user size, no scale
    QCOMPARE(fields & 0x1800u, 0x1800u); // colour and duplex
    QCOMPARE(qFromLittleEndian<quint16>(bytes.constData() + 44), quint16(2));
    QCOMPARE(qFromLittleEndian<quint16>(bytes.constData() + 46), quint16(9));
    QCOMPARE(qFromLittleEndian<quint16>(bytes.constData() + 52), quint16(77));
    QCOMPARE(qFromLittleEndian<quint16>(bytes.constData() + 62), quint16(1)); // simplex
    QCOMPARE(qFromLittleEndian<quint16>(bytes.constData() + 68), quint16(5));

    // A paper of no standard size is stored as user-defined, in tenths of a millimetre.
    printer.setPageSize(QPageSize(QSizeF(200, 290), QPageSize::Millimeter, QString(), QPageSize::ExactMatch));
    record.GetPrnDm(printer);
    QCOMPARE(record.value16(PrinterRecord::PaperSize), 256);
    QCOMPARE(record.fields() & 0xE, 0xEu);
    QCOMPARE(record.value16(PrinterRecord::PaperWidth), 2000);
    QCOMPARE(record.value16(PrinterRecord::PaperLength), 2900);
    record.setDocumentPaper(256, sized(11906, 16838, true));
    QCOMPARE(record.value16(PrinterRecord::PaperWidth), 2100);
    QCOMPARE(record.value16(PrinterRecord::PaperLength), 2970);
    QCOMPARE(record.value16(PrinterRecord::Orientation), 2);

    // Long names are cut to 32 bytes on a character boundary, in the system code page.
    record.setDeviceName(QStringLiteral("ﾌﾟﾘﾝﾀ日本語のとても長いプリンタ名")); // 33 bytes
    QCOMPARE(record.bytes().size(), 146);
    QCOMPARE(record.deviceName(), QStringLiteral("ﾌﾟﾘﾝﾀ日本語のとても長いプリンタ"));
    QCOMPARE(record.bytes().at(31), ' ');

    // Round trip through the file, byte for byte; other lengths are refused.
    const QString file = m_dir.filePath(QStringLiteral("round.prndt"));
    QVERIFY(record.write(file));
    QCOMPARE(QFileInfo(file).size(), 146);
    PrinterRecord back;
    QVERIFY(back.read(file));
    QCOMPARE(back.bytes(), record.bytes());
    QFile shortFile(file);
    QVERIFY(shortFile.open(QIODevice::WriteOnly));
    shortFile.write(QByteArray(100, 'x'));
    shortFile.close();
    QVERIFY(!back.read(file));
    QCOMPARE(back.bytes(), record.bytes());
}

void TestPrinting::printerSetupWritesFile()
{
    PageDocument page;
    fillThreePages(page, sized(11906, 16838));
    sbTvw view;
    view.printer().setOutputFormat(QPrinter::PdfFormat);
    int dialogs = 0;
    view.setDialogRunner([&](QDialog &) { ++dialogs; return false; });

    // Cancelled setup still writes the default file from the printer: exactly one record.
    view.cSetPrn(page, nullptr, QString());
    QCOMPARE(dialogs, 1);
    const QByteArray first = TestHome::readAll(sbTvw::defaultSettingsFile());
    QCOMPARE(first.size(), 146);
    QCOMPARE(qFromLittleEndian<quint16>(first.constData() + 46), quint16(9));

    // A new file elsewhere: created; the default file, existing, is left as it was.
    const QString other = m_dir.filePath(QStringLiteral("sub.prndt"));
    QVERIFY(TestHome::write(sbTvw::defaultSettingsFile(), QByteArray(146, 'D')));
    view.cSetPrn(page, nullptr, other);
    QCOMPARE(TestHome::readAll(other).size(), 146);
    QCOMPARE(TestHome::readAll(sbTvw::defaultSettingsFile()), QByteArray(146, 'D'));
    // ... and copied to the default file when that is missing.
    QFile::remove(sbTvw::defaultSettingsFile());
    view.cSetPrn(page, nullptr, other);
    QCOMPARE(TestHome::readAll(sbTvw::defaultSettingsFile()), TestHome::readAll(other));
}

void TestPrinting::printToPdf()
{
    PageDocument page;
    fillThreePages(page, sized(11906, 16838));
    sbTvw view;
    int dialogs = 0;
    view.setDialogRunner([&](QDialog &) { ++dialogs; return false; });
    const QString pdf = m_dir.filePath(QStringLiteral("print.pdf"));
    view.printer().setOutputFormat(QPrinter::PdfFormat);
    view.printer().setOutputFileName(pdf);
    view.cSetPrn(page, nullptr, QString()); // the saved settings that the next print uses
    dialogs = 0;
    QVERIFY(view.cPrint(page, nullptr, true, QString()));
    QCOMPARE(dialogs, 0);
    const QStringList pages = pdfPages(pdf);
    QCOMPARE(pages.size(), 3);
    for (int n = 0; n < 3; ++n) {
        QVERIFY2(pages[n].contains(QStringLiteral("Running header")), qPrintable(pages[n]));
        QVERIFY2(pages[n].contains(QStringLiteral("Body of page %1").arg(n + 1)), qPrintable(pages[n]));
    }
    QVERIFY(m_prompt.messages.isEmpty());
}

void TestPrinting::printDialogRangeCopiesAndCancel()
{
    PageDocument page;
    fillThreePages(page);
    sbTvw view;
    const QString pdf = m_dir.filePath(QStringLiteral("range.pdf"));
    view.printer().setOutputFormat(QPrinter::PdfFormat);
    view.printer().setOutputFileName(pdf);

    // Cancelled: nothing printed.
    view.setDialogRunner([](QDialog &) { return false; });
    QVERIFY(view.cPrint(page, nullptr, false, QString()));
    QVERIFY(!QFile::exists(pdf));

    // Pages 2 to 3, two copies: into the one file, one copy after the other.
    view.setDialogRunner([](QDialog &dialog) {
        auto &print = static_cast<QPrintDialog &>(dialog);
        print.setPrintRange(QAbstractPrintDialog::PageRange);
        print.setFromTo(2, 3);
        print.printer()->setCopyCount(2);
        return true;
    });
    QVERIFY(view.cPrint(page, nullptr, false, QString()));
    const QStringList pages = pdfPages(pdf);
    QCOMPARE(pages.size(), 4);
    QVERIFY(pages[0].contains(QStringLiteral("Body of page 2")) && pages[3].contains(QStringLiteral("Body of page 3")));
    QCOMPARE(view.record().value16(PrinterRecord::Copies), 2);
}

void TestPrinting::failingPrinterIsReported()
{
    PageDocument page;
    fillThreePages(page);
    sbTvw view;
    view.printer().setOutputFormat(QPrinter::PdfFormat);
    view.printer().setOutputFileName(m_dir.filePath(QStringLiteral("missing/folder/out.pdf")));
    view.setDialogRunner([](QDialog &) { return true; });
    QVERIFY(!view.cPrint(page, nullptr, false, QString()));
    QCOMPARE(m_prompt.messages.size(), 1);
    QVERIFY(m_prompt.messages[0].startsWith(QStringLiteral("印刷できませんでした")));
}

// Files stop growing at a few kilobytes, as on a full disk: a PDF cut short is not put in place
// of the old one, and the print says why.
void TestPrinting::fullDiskKeepsTheOldPdf()
{
    PageDocument page;
    fillThreePages(page);
    sbTvw view;
    const QString pdf = m_dir.filePath(QStringLiteral("full.pdf"));
    const QString saved = m_dir.filePath(QStringLiteral("saved.pdf"));
    QVERIFY(TestHome::write(pdf, "old print"));
    QVERIFY(TestHome::write(saved, "old copy"));
    view.printer().setOutputFormat(QPrinter::PdfFormat);
    view.printer().setOutputFileName(pdf);
    view.setDialogRunner([](QDialog &) { return true; });
    FileSizeLimit limit(3000);
    QVERIFY(limit.set());
    const bool printed = view.cPrint(page, nullptr, false, QString());
    const bool written = PageRenderer(page).writePdf(saved, QStringLiteral("t"));
    limit.lift();
    QVERIFY(!printed);
    QVERIFY(!written);
    QCOMPARE(TestHome::readAll(pdf), QByteArray("old print"));
    QCOMPARE(TestHome::readAll(saved), QByteArray("old copy"));
    QCOMPARE(m_prompt.messages,
             QStringList{QStringLiteral("印刷できませんでした\n") + pdf + QStringLiteral("\nﾌｧｲﾙを最後まで書けませんでした")});
    // Nothing is left beside them; whole, the print replaces the old file.
    QCOMPARE(QDir(m_dir.path()).entryList({QStringLiteral(".full.pdf*"), QStringLiteral(".saved.pdf*")},
                                          QDir::Files | QDir::Hidden),
             QStringList());
    QVERIFY(view.cPrint(page, nullptr, false, QString()));
    QCOMPARE(pdfPages(pdf).size(), 3);
    QVERIFY(PageRenderer(page).writePdf(saved, QStringLiteral("t")));
    QCOMPARE(pdfPages(saved).size(), 3);
}

void TestPrinting::pageViewWindow()
{
    PageDocument page;
    fillThreePages(page, sized(11906, 16838));
    sbTvw view;
    const auto enabled = [&] {
        QString states;
        for (int i = 0; i < 4; ++i)
            states += view.menuAction(1, i)->isEnabled() ? u'1' : u'0';
        return states;
    };
    // The page menu is the way through the pages: no keys of its own.
    for (int i = 0; i < 4; ++i)
        QVERIFY(view.menuAction(1, i)->shortcut().isEmpty());
    QStringList seen;
    bool ink = false;
    view.setDialogRunner([&](QDialog &dialog) {
        if (&dialog != &view)
            return false;
        seen << view.windowTitle() << QString::number(view.paperCode()) << QString::number(view.pageCount())
             << QString::number(view.currentPage()) << enabled();
        const QRect fitted = view.pageBox();
        const int fit = view.fitZoom();
        // The fitted zoom is the one at which the A4 sheet fills the page box.
        const double byWidth = 100.0 * fitted.width() / 11906, byHeight = 100.0 * fitted.height() / 16838;
        seen << QString::number(fit > 0 && view.zoom() == fit && qAbs(fit - qMin(byWidth, byHeight)) <= 1.0);
        view.menuAction(1, 2)->trigger();
        seen << enabled();
        view.menuAction(1, 3)->trigger();
        view.mnPage(2); // beyond the last page: stays there
        seen << QString::number(view.currentPage()) << enabled();
        view.menuAction(2, 5)->trigger();
        seen << QString::number(view.zoom()) << QString::number(view.pageBox().topLeft() == QPoint(0, 0));
        view.menuAction(2, 7)->trigger();
        seen << QString::number(view.zoom() == fit && view.pageBox() == fitted);
        // The page is drawn: something besides the white sheet, the grey ground and the shadow.
        const QImage shot = view.client()->grab().toImage();
        for (int y = 0; y < shot.height() && !ink; ++y)
            for (int x = 0; x < shot.width() && !ink; ++x) {
                const QRgb c = shot.pixel(x, y);
                ink = c != qRgb(255, 255, 255) && c != qRgb(128, 128, 128) && c != qRgb(64, 64, 64);
            }
        return true;
    });
    view.cAct(page, nullptr, QString(), QString());
    QCOMPARE(seen, QStringList({"ﾍﾟｰｼﾞﾋﾞｭｰ", "9", "3", "1", "1011", "1", "1111", "3", "1100", "300", "1", "1"}));
    QVERIFY(ink);

    // A one-page document: previous, next and last are all disabled.
    PageDocument one;
    QTextCursor(one.main()).insertText(QStringLiteral("single"));
    seen.clear();
    view.setDialogRunner([&](QDialog &) { seen << enabled(); return true; });
    view.cAct(one, nullptr, QString(), QString());
    QCOMPARE(seen, QStringList({"1000"}));
}

// Alt pressed and released alone gives the window's menu bar the keys, and the bar shows it (its first
// title highlighted), as in the program's other windows: nothing showed, and the next letter opened a
// menu. Escape takes them from the bar again.
void TestPrinting::altTapShowsTheBarHasTheKeys()
{
    PageDocument page;
    fillThreePages(page);
    sbTvw view;
    auto *bar = view.findChild<QMenuBar *>();
    QVERIFY(bar);
    const auto altTap = [&] {
        QWindow *handle = view.windowHandle();
        QWindowSystemInterface::handleKeyEvent<QWindowSystemInterface::SynchronousDelivery>(
            handle, 0, QEvent::KeyPress, Qt::Key_Alt, Qt::NoModifier);
        QWindowSystemInterface::handleKeyEvent<QWindowSystemInterface::SynchronousDelivery>(
            handle, 0, QEvent::KeyRelease, Qt::Key_Alt, Qt::AltModifier);
    };
    const auto differing = [](const QImage &a, const QImage &b) {
        int count = 0;
        for (int y = 0; y < qMin(a.height(), b.height()); ++y)
            for (int x = 0; x < qMin(a.width(), b.width()); ++x)
                count += a.pixel(x, y) != b.pixel(x, y);
        return count;
    };
    bool shown = false, back = false;
    QWidget *keys = nullptr;
    view.setDialogRunner([&](QDialog &dialog) {
        if (&dialog != &view)
            return false;
        view.show();
        view.activateWindow();
        if (!QTest::qWaitForWindowActive(&view))
            return false;
        keys = QApplication::focusWidget();
        const QRect first = bar->actionGeometry(bar->actions().first());
        const QImage plain = bar->grab(first).toImage();
        altTap();
        shown = QApplication::focusWidget() == bar && bar->activeAction() == bar->actions().first()
                && differing(plain, bar->grab(first).toImage()) > 20;
        QTest::keyClick(bar, Qt::Key_Escape);
        // The window has nothing else that takes keys: the bar shows it no longer has them, and a
        // letter opens no menu.
        back = QTest::qWaitFor([&] { return differing(plain, bar->grab(first).toImage()) == 0; });
        QWidget *now = QApplication::focusWidget();
        QTest::keyClick(now ? now : static_cast<QWidget *>(&view), Qt::Key_P);
        back = back && !QApplication::activePopupWidget() && (!keys || QApplication::focusWidget() == keys);
        view.hide();
        return true;
    });
    view.cAct(page, nullptr, QString(), QString());
    QVERIFY2(shown, "the bar does not show that it has the keys");
    QVERIFY(back);
}

void TestPrinting::largePageUnderTheWaitWindow_data()
{
    QTest::addColumn<int>("characters");
    QTest::addColumn<bool>("wait");
    QTest::newRow("small page") << 2000 << false;
    QTest::newRow("one paragraph of megabytes") << int(LoadWait::Weight) + 20000 << true;
}

// Laying out a large page in pages (the view switched to page layout and back, every page printed)
// keeps the window still: that is done under the wait window, which is gone while a window or
// dialog waits for the user. A small page is shown and printed without it.
void TestPrinting::largePageUnderTheWaitWindow()
{
    QFETCH(int, characters);
    QFETCH(bool, wait);
    PageDocument page;
    page.setPageSetup(sized(11906, 16838));
    const QString line = QStringLiteral("貼り付けたテキストの一行です。A line of a pasted text, 1234567890.");
    QTextCursor(page.main())
        .insertText(QStringList(characters / line.size() + 1, line).join(QChar::LineSeparator).left(characters));
    RichTextEdit edit(&page);
    RichView richView(&edit);
    sbTvw view;
    const QString pdf = m_dir.filePath(QStringLiteral("large.pdf"));
    view.printer().setOutputFormat(QPrinter::PdfFormat);
    view.printer().setOutputFileName(pdf);
    QList<bool> waitWithUser;
    view.setDialogRunner([&](QDialog &dialog) {
        waitWithUser << sbWait::isShown();
        if (auto *print = qobject_cast<QPrintDialog *>(&dialog)) {
            print->setPrintRange(QAbstractPrintDialog::PageRange);
            print->setFromTo(1, 1);
        }
        return true;
    });

    WaitWatch watch;
    view.cAct(page, &richView, QString(), QString());
    QCOMPARE(watch.shown, wait ? QStringList{LoadWait::message()} : QStringList());
    QCOMPARE(richView.viewMode(), 0);
    QVERIFY(view.pageCount() > (wait ? 20 : 0));

    watch.shown.clear();
    QVERIFY(view.cPrint(page, &richView, false, QString()));
    QCOMPARE(watch.shown, wait ? QStringList{LoadWait::message()} : QStringList());
    QCOMPARE(pdfPages(pdf).size(), 1);
    QCOMPARE(waitWithUser, QList<bool>({false, false}));
    QVERIFY(!sbWait::isShown());
}

QTEST_MAIN(TestPrinting)
#include "tst_printing.moc"

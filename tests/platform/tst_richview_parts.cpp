#include "platform/richtext/PageDocument.h"
#include "platform/richtext/PageRenderer.h"
#include "platform/richtext/RichTextEdit.h"
#include "platform/richtext/TextProps.h"
#include "platform/richview/FontDialog.h"
#include "platform/richview/ListDialog.h"
#include "platform/richview/PageGeometry.h"
#include "platform/richview/PageTextItem.h"
#include "platform/richview/ParagraphDialog.h"
#include "platform/richview/RichButtonBar.h"
#include "platform/richview/RichRuler.h"
#include "platform/richview/RichStatusBar.h"
#include "platform/richview/RichView.h"
#include "platform/richview/TableDialog.h"
#include "support/SamplePage.h"

#include <QAction>
#include <QPainter>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>
#include <QtTest>

#include <cmath>

using namespace TextProps;

namespace {
struct Fixture {
    PageDocument page;
    RichTextEdit edit{&page};
    RichView view{&edit};
    int shown = 0;

    Fixture() { view.resize(800, 600); }
    // Shown in page view, for tests that click, type or grab the screen.
    void showPaged()
    {
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.setViewMode(2);
    }
    // Every dialog the view shows gets `fill`, then OK (or Cancel when `ok` is false).
    template <typename Dialog, typename Fill>
    void answer(Fill fill, bool ok = true)
    {
        view.setDialogRunner([this, fill, ok](QDialog &dialog) {
            ++shown;
            auto *typed = qobject_cast<Dialog *>(&dialog);
            if (!typed)
                return false;
            fill(*typed);
            return ok;
        });
    }
};
} // namespace

namespace {
// First and last rows with dark pixels, away from the sheet's frame.
QList<int> inkedRows(const QImage &image)
{
    int first = -1, last = -1;
    for (int y = 4; y < image.height() - 4; ++y) {
        for (int x = 4; x < image.width() - 4; ++x) {
            if (qGray(image.pixel(x, y)) < 100) {
                first = first < 0 ? y : first;
                last = y;
                break;
            }
        }
    }
    return first < 0 ? QList<int>() : QList<int>{first, last};
}
} // namespace

class TestRichViewParts : public QObject
{
    Q_OBJECT
private slots:
    void geometryMapsBackAndForth()
    {
        PageGeometry g;
        g.setMode(PageGeometry::Paged);
        g.setPageCount(3);
        const double h = g.textHeight();
        for (const QPointF &doc : {QPointF(0, 0), QPointF(10, h - 1), QPointF(100, h), QPointF(5, 2.5 * h)}) {
            const QPointF scene = g.toScene(doc);
            QVERIFY(g.textRect(g.pageAt(scene.y())).adjusted(-0.01, -0.01, 0.01, 0.01).contains(scene));
            QVERIFY(qAbs(g.toDocument(scene).y() - doc.y()) < 0.01);
            QCOMPARE(g.toDocument(scene).x(), doc.x());
        }
        // The gap between sheets and the margins go to the nearest text of a sheet.
        const QPointF gap(g.pageRect(0).center().x(), g.pageRect(0).bottom() + PageGeometry::Gap / 4);
        QCOMPARE(g.pageAt(gap.y()), 0);
        QVERIFY(g.toDocument(gap).y() < h);
        QCOMPARE(g.toDocument(QPointF(-50, -50)), QPointF(0, 0));
        QCOMPARE(g.pageAt(1e9), 2);
    }

    void marginsWiderThanThePageStillGiveASheet()
    {
        PageGeometry g;
        PageSetup setup;
        setup.marginLeft = setup.marginRight = 20000;
        setup.marginTop = setup.marginBottom = -500;
        g.setSetup(setup);
        g.setMode(PageGeometry::Paged);
        const QRectF text = g.textRect(0);
        QVERIFY(text.width() > 0 && text.height() > 0);
        QVERIFY(g.pageRect(0).contains(text.topLeft()));
        QVERIFY(g.headerRect(0).height() >= 0);
        const QPointF doc = g.toDocument(QPointF(500, 500));
        QVERIFY(std::isfinite(doc.x()) && std::isfinite(doc.y()));
    }

    void paragraphDialogAppliesAsOneStep()
    {
        Fixture f;
        f.edit.setText(QStringLiteral("one\ntwo"));
        f.edit.select(0, -1);
        const int steps = f.edit.undoSteps();
        f.answer<ParagraphDialog>([](ParagraphDialog &d) {
            ParagraphDialog::Values v = d.values();
            v.alignment = 2;
            v.indentLeft = 567;
            v.spaceAfter = 120;
            d.setValues(v);
        });
        QVERIFY(f.view.paragraphDialog());
        QCOMPARE(f.edit.alignment(), 2);
        QVERIFY(qAbs(f.edit.indentLeft() - 567) <= 1);
        QCOMPARE(f.edit.spaceAfter(), 120);
        f.edit.setSelStart(5);
        QCOMPARE(f.edit.alignment(), 2); // both paragraphs
        QCOMPARE(f.edit.undoSteps(), steps + 1);
        QVERIFY(f.view.undo());
        QCOMPARE(f.edit.alignment(), 0);
        QCOMPARE(f.edit.indentLeft(), 0);
    }

    void cancelledOrReadOnlyDialogsChangeNothing()
    {
        Fixture f;
        f.edit.setText(QStringLiteral("text"));
        f.edit.select(0, -1);
        const auto makeBold = [](FontDialog &d) {
            FontDialog::Values v = d.values();
            v.bold = true;
            d.setValues(v);
        };
        f.answer<FontDialog>(makeBold, false);
        QVERIFY(!f.view.fontDialog());
        QVERIFY(!f.edit.bold());
        f.answer<FontDialog>(makeBold);
        f.view.setEditMode(1);
        QVERIFY(!f.view.fontDialog());
        QVERIFY(!f.edit.bold());
        QCOMPARE(f.edit.undoSteps(), 1); // the text only
    }

    void fontDialogChangesOnlyWhatTheUserChanged()
    {
        Fixture f;
        f.edit.setText(QStringLiteral("small BIG"));
        f.edit.select(0, 5);
        f.edit.setFontSize(9);
        f.edit.select(6, 3);
        f.edit.setFontSize(20);
        f.edit.select(0, -1);
        f.answer<FontDialog>([](FontDialog &d) {
            FontDialog::Values v = d.values();
            v.italic = true;
            v.foreColor = 0x0000FF; // red
            d.setValues(v);
        });
        QVERIFY(f.view.fontDialog());
        f.edit.select(1, 1);
        QVERIFY(f.edit.italic());
        QCOMPARE(f.edit.fontSize(), 9.0);
        QCOMPARE(f.edit.foreColor(), 0x0000FF);
        f.edit.select(7, 1);
        QVERIFY(f.edit.italic());
        QCOMPARE(f.edit.fontSize(), 20.0);
    }

    void fontDialogReadsTheCaretsLook()
    {
        Fixture f;
        f.edit.setText(QStringLiteral("bold"));
        f.edit.select(0, -1);
        f.edit.setBold(true);
        f.edit.setFontName(QStringLiteral("No Such Font 42"));
        f.edit.setBackColor(0x00FFFF);
        FontDialog dialog;
        dialog.load(f.edit);
        QVERIFY(dialog.values().bold);
        QCOMPARE(dialog.values().family, QStringLiteral("No Such Font 42"));
        QCOMPARE(dialog.values().backColor, 0x00FFFF);
    }

    void listDialogSetsAndClearsTheList()
    {
        Fixture f;
        f.edit.setText(QStringLiteral("a\nb"));
        f.edit.select(0, -1);
        f.answer<ListDialog>([](ListDialog &d) { d.setKind(3); });
        QVERIFY(f.view.listDialog());
        QCOMPARE(f.edit.listKind(), 3);
        f.answer<ListDialog>([](ListDialog &d) {
            QCOMPARE(d.kind(), 3);
            d.setKind(1);
        });
        QVERIFY(f.view.listDialog());
        QCOMPARE(f.edit.listKind(), 1);
    }

    void tableDialogNeedsATable()
    {
        Fixture f;
        f.edit.setText(QStringLiteral("no table"));
        f.answer<TableDialog>([](TableDialog &) {});
        QVERIFY(!f.view.tableDialog());
        QCOMPARE(f.shown, 0);
        const int table = f.edit.insertTable(2, 2);
        QVERIFY(table > 0);
        f.edit.setSelStart(f.edit.cellStart(table, 1, 2) - 1);
        QCOMPARE(f.edit.tableAtCaret(), table);
        f.answer<TableDialog>([](TableDialog &d) {
            TableDialog::Values v = d.values();
            v.border = 30;
            v.columnWidth = 1134;
            d.setValues(v);
        });
        QVERIFY(f.view.tableDialog());
        QTextTable *t = SamplePage::firstTable(f.page.main());
        QVERIFY(t);
        QCOMPARE(t->format().border(), 2.0);
        const QTextLength width = t->format().columnWidthConstraints().value(1);
        QCOMPARE(width.type(), QTextLength::FixedLength);
        QVERIFY(qAbs(width.rawValue() * 15 - 1134) < 2);
        TableDialog again;
        QVERIFY(again.load(f.edit));
        QCOMPARE(again.values().border, 30);
    }

    void buttonBarFollowsTheCaretAndFormats()
    {
        Fixture f;
        RichButtonBar bar(&f.view);
        f.edit.setText(QStringLiteral("plain bold"));
        f.edit.select(6, 4);
        bar.action(RichButtonBar::Bold)->trigger();
        QVERIFY(f.edit.bold());
        f.edit.setSelStart(8);
        bar.refreshStates();
        QVERIFY(bar.action(RichButtonBar::Bold)->isChecked());
        f.edit.setSelStart(2);
        f.view.showModelCaret();
        bar.refreshStates();
        QVERIFY(!bar.action(RichButtonBar::Bold)->isChecked());
        bar.action(RichButtonBar::AlignCenter)->trigger();
        QCOMPARE(f.edit.alignment(), 2);
        bar.action(RichButtonBar::Bullets)->trigger();
        QCOMPARE(f.edit.listKind(), 2);
        f.view.setEditMode(1);
        bar.action(RichButtonBar::Italic)->trigger();
        QVERIFY(!f.edit.italic());
        QVERIFY(!bar.action(RichButtonBar::Italic)->isChecked());
    }

    void statusBarReportsTheCaret()
    {
        Fixture f;
        RichStatusBar status(&f.view);
        f.view.setViewMode(2);
        f.edit.setText(QStringLiteral("one\nline two\fnext page"));
        f.edit.setSelStart(13);
        status.refreshStatus();
        QCOMPARE(status.pageText(), QStringLiteral("ページ 2/2"));
        QCOMPARE(status.lineText(), QStringLiteral("行 1"));
        QCOMPARE(status.columnText(), QStringLiteral("列 1"));
        f.edit.setSelStart(8);
        status.refreshStatus();
        QCOMPARE(status.pageText(), QStringLiteral("ページ 1/2"));
        QCOMPARE(status.lineText(), QStringLiteral("行 2"));
        QCOMPARE(status.columnText(), QStringLiteral("列 5"));
        QCOMPARE(status.sectionText(), QStringLiteral("セクション 1"));
    }

    void rulerScalesWithTheZoom()
    {
        Fixture f;
        RichRuler ruler(&f.view);
        ruler.resize(800, 22);
        const double at100 = ruler.xOf(1440) - ruler.xOf(0);
        f.view.setZoom(200);
        const double at200 = ruler.xOf(1440) - ruler.xOf(0);
        QVERIFY(at100 > 90);
        QVERIFY(qAbs(at200 - 2 * at100) <= 2);
    }

    void doubleClickOnTheHeaderBandEditsTheHeader()
    {
        Fixture f;
        f.showPaged();
        QTextCursor(f.page.ensurePart(HeaderAll)).insertText(QStringLiteral("H"));
        f.edit.setText(QStringLiteral("body"));
        f.view.refresh();
        QSignalSpy activated(&f.view, &RichView::partActivated);
        const QPointF band = f.view.pageGeometry().headerRect(0).center();
        QTest::mouseDClick(f.view.viewport(), Qt::LeftButton, {}, f.view.mapFromScene(band));
        QCOMPARE(activated.count(), 1);
        QCOMPARE(activated.first().first().toInt(), int(HeaderAll));
        QCOMPARE(f.edit.currentPart(), int(HeaderAll));
        // A click into the body text goes back to the main text.
        const QPointF body = f.view.mainItem()->toScene(QPointF(2, 5));
        QTest::mouseClick(f.view.viewport(), Qt::LeftButton, {}, f.view.mapFromScene(body));
        QCOMPARE(f.edit.currentPart(), int(MainPart));
        QCOMPARE(f.edit.text(), QStringLiteral("body"));
    }

    // A footer made from the normal view (the view turns to pages, then to the footer) is shown
    // whole, the caret's line not cut by the edge of the view.
    void aNewFooterIsShownWhole_data()
    {
        QTest::addColumn<int>("part");
        QTest::addColumn<int>("width");
        QTest::newRow("footer of each page") << int(FooterAll) << 800;
        QTest::newRow("footer of the first page") << int(FooterFirst) << 800;
        QTest::newRow("header of each page") << int(HeaderAll) << 800;
        QTest::newRow("footer in a narrow view") << int(FooterAll) << 500;
    }
    void aNewFooterIsShownWhole()
    {
        QFETCH(int, part);
        QFETCH(int, width);
        Fixture f;
        f.view.resize(width, 600);
        f.view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.view));
        f.edit.setText(QStringLiteral("body\nsecond"));
        f.view.refresh();
        f.view.setViewMode(2);
        QTextCursor(f.page.ensurePart(part)).insertText(QStringLiteral("Footer"));
        QVERIFY(f.view.activatePart(part));
        QCoreApplication::processEvents();
        const QRectF shown = f.view.mapToScene(f.view.viewport()->rect()).boundingRect();
        const QRectF line = f.view.partItem()->mapRectToScene(f.view.partItem()->caretRect());
        QVERIFY2(shown.top() <= line.top() && line.bottom() <= shown.bottom(),
                 qPrintable(QStringLiteral("line %1-%2, view %3-%4").arg(line.top()).arg(line.bottom())
                                .arg(shown.top()).arg(shown.bottom())));
    }

    void aPartDroppedWhileEditedLeavesTheViewSound()
    {
        Fixture f;
        f.showPaged();
        f.page.ensurePart(FooterFirst);
        QVERIFY(f.view.activatePart(FooterFirst));
        QTest::keyClicks(f.view.viewport(), QStringLiteral("foot"));
        f.page.setPartFlags(0);
        QCOMPARE(f.edit.currentPart(), int(MainPart));
        f.view.viewport()->repaint();
        QTest::keyClicks(f.view.viewport(), QStringLiteral("main"));
        QCOMPARE(f.edit.text(), QStringLiteral("main"));
        f.page.ensurePart(FooterFirst);
        QVERIFY(f.view.activatePart(FooterFirst));
        QTest::keyClicks(f.view.viewport(), QStringLiteral("new"));
        QCOMPARE(f.page.part(FooterFirst)->toPlainText(), QStringLiteral("new"));
        QVERIFY(f.view.pageGeometry().footerRect(0).contains(f.view.partItem()->pos()));
    }

    void theEditedBandShowsTheEditedPartOnly()
    {
        Fixture f;
        f.showPaged();
        QTextCursor(f.page.ensurePart(HeaderFirst)).insertText(QStringLiteral("WWWWWWWWWWWWWWWWWWWW"));
        f.page.ensurePart(HeaderAll);
        f.edit.setText(QStringLiteral("one page"));
        f.view.refresh();
        f.view.ensureVisible(f.view.pageGeometry().headerRect(0), 0, 0);
        const auto inkInBand = [&f] {
            const QRect band = f.view.mapFromScene(f.view.pageGeometry().headerRect(0)).boundingRect();
            const QImage shot = f.view.viewport()->grab().toImage();
            int ink = 0;
            for (int y = band.top(); y <= band.bottom(); ++y)
                for (int x = band.left(); x <= band.right(); ++x)
                    ink += shot.rect().contains(x, y) && qGray(shot.pixel(x, y)) < 160;
            return ink;
        };
        QVERIFY(inkInBand() > 100); // the first-page header
        QVERIFY(f.view.activatePart(HeaderAll));
        QVERIFY(inkInBand() < 40);  // only the empty part being edited, with its caret
        QVERIFY(f.view.editPart(MainPart));
        QVERIFY(inkInBand() > 100);
    }

    void aSheetLooksLikeThePrintedPage()
    {
        Fixture f;
        f.view.resize(900, 1200);
        f.showPaged();
        QTextCursor(f.page.ensurePart(HeaderAll)).insertText(QStringLiteral("HEADER"));
        QTextCursor(f.page.ensurePart(FooterAll)).insertText(QStringLiteral("FOOTER"));
        f.edit.setText(QStringLiteral("Body text\nSecond line"));
        f.edit.setSelStart(0);
        f.view.clearFocus(); // no caret in the picture
        f.view.refresh();
        f.view.horizontalScrollBar()->setValue(f.view.horizontalScrollBar()->minimum());
        f.view.verticalScrollBar()->setValue(f.view.verticalScrollBar()->minimum());
        const QRect sheet = f.view.mapFromScene(f.view.pageGeometry().pageRect(0)).boundingRect();
        const QImage screen = f.view.viewport()->grab().toImage().copy(sheet);
        const PageRenderer renderer(f.page);
        QImage printed(renderer.paperSize().toSize(), QImage::Format_RGB32);
        printed.fill(Qt::white);
        QPainter painter(&printed);
        renderer.drawPage(&painter, 1);
        painter.end();
        // The first and last inked rows of each sheet agree within two pixels.
        const QList<int> a = inkedRows(screen);
        const QList<int> b = inkedRows(printed);
        QCOMPARE(a.size(), 2);
        QCOMPARE(b.size(), 2);
        QVERIFY2(qAbs(a.at(0) - b.at(0)) <= 2 && qAbs(a.at(1) - b.at(1)) <= 2,
                 qPrintable(QStringLiteral("%1-%2 / %3-%4").arg(a.at(0)).arg(a.at(1)).arg(b.at(0)).arg(b.at(1))));
    }

    void aTextFrameIsEditedInItsBox()
    {
        Fixture f;
        f.showPaged();
        f.edit.setText(QStringLiteral("before "));
        f.edit.setSelStart(7);
        const int frame = f.edit.insertTextFrame(RichTextEdit::frameArgs({0, 0, 0, 0, 1, 1500, 3000, 0, 0, 1, -1}));
        QVERIFY(frame > 0);
        QVERIFY(f.view.selectFrame(frame));
        QVERIFY(f.view.partItem()->isVisible());
        QTest::keyClicks(f.view.viewport(), QStringLiteral("inside"));
        QCOMPARE(f.page.frameDocument(frame)->toPlainText(), QStringLiteral("inside"));
        const QRectF text = f.view.pageGeometry().textRect(0);
        const QPointF at = f.view.partItem()->pos();
        QVERIFY(at.x() > text.left() && at.y() >= text.top() - 1);
        QCOMPARE(f.view.partItem()->textWidth(), 200.0);
        QVERIFY(f.view.selectFrame(0));
        QCOMPARE(f.edit.text(), QStringLiteral("before \x01"));
    }

    void newMarginsMoveTheTextOnTheSheet()
    {
        Fixture f;
        f.view.setViewMode(2);
        f.edit.setText(QStringLiteral("text"));
        f.edit.setSelStart(0);
        f.view.showModelCaret();
        const QPointF before = f.view.mainItem()->caretRect().topLeft();
        QCOMPARE(before, f.view.pageGeometry().textRect(0).topLeft());
        PageSetup setup = f.page.pageSetup();
        setup.marginLeft += 1500;
        setup.marginTop += 750;
        f.page.setPageSetup(setup);
        const QPointF after = f.view.mainItem()->caretRect().topLeft();
        QCOMPARE(after, f.view.pageGeometry().textRect(0).topLeft());
        QCOMPARE(after - before, QPointF(100, 50));
    }

    void aClickInAMarginPutsTheCaretOnTheNearestText()
    {
        Fixture f;
        f.showPaged();
        f.edit.setText(QStringLiteral("first line\nsecond"));
        f.edit.setSelStart(0);
        const QRectF text = f.view.pageGeometry().textRect(0);
        QTest::mouseClick(f.view.viewport(), Qt::LeftButton, {},
                          f.view.mapFromScene(QPointF(text.right() + 20, text.top() + 3)));
        QCOMPARE(f.edit.selStart(), 10); // end of the first line
    }
};

QTEST_MAIN(TestRichViewParts)
#include "tst_richview_parts.moc"

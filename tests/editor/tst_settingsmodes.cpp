#include "core/Frmt.h"
#include "core/TemplateDb.h"
#include "core/yIni.h"
#include "core/zSvr.h"
#include "editor/TxmDisplayPage.h"
#include "editor/TxmPageSetup.h"
#include "editor/TxmUserStyles.h"
#include "editor/sbTxmDialog.h"
#include "editor/uTxm.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/RichTextEdit.h"
#include "platform/richview/RichView.h"
#include "support/EditorTestEnv.h"
#include "support/ScriptedPrompt.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include <memory>

// The page setup, display and user styles modes of the editor's settings dialog.
class TestSettingsModes : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestHome> m_home;
    std::unique_ptr<ScriptedPrompt> m_prompt;
    std::unique_ptr<uTxm> m_editor;

    sbTxmDialog &dialog() { return sbTxmDialog::of(*m_editor); }

    template <class Page>
    Page *open(const QString &mode)
    {
        if (!dialog().prepare(mode, QString()))
            return nullptr;
        return qobject_cast<Page *>(dialog().page(mode));
    }

    void setPage(int width, int height)
    {
        PageSetup setup = m_editor->page().pageSetup();
        setup.width = width;
        setup.height = height;
        m_editor->page().setPageSetup(setup);
    }

    static QStringList boxes(const TxmPageSetup *p)
    {
        QStringList list;
        for (const QLineEdit *line : {p->txPgWd, p->txPgHi, p->txLftMrg, p->txRghMrg, p->txTopMrg, p->txBtmMrg})
            list.append(line->text());
        return list;
    }

private slots:
    void init()
    {
        m_home = std::make_unique<TestHome>();
        QVERIFY(resetEditorState(*m_home));
        m_prompt = std::make_unique<ScriptedPrompt>();
        m_editor = std::make_unique<uTxm>();
        m_editor->view()->setDialogRunner([](QDialog &) { return false; });
        m_editor->cOn(0, 2);
    }

    void cleanup()
    {
        m_editor.reset();
        zSvr::release();
        yIni::release();
        m_prompt.reset();
        m_home.reset();
    }

    void centimetres()
    {
        QCOMPARE(TxmPageSetup::sTwpsDlg(11906), QStringLiteral("21.00"));
        QCOMPARE(TxmPageSetup::sTwpsDlg(0), QStringLiteral("0.00"));
        QCOMPARE(TxmPageSetup::nDlgTwps(QStringLiteral("21,00")), 11907);
        QCOMPARE(TxmPageSetup::nDlgTwps(QStringLiteral("abc")), 0);
        QCOMPARE(TxmPageSetup::nDlgTwps(QStringLiteral("1.5cm")), 850); // 850.5 to the even twip
        QCOMPARE(TxmPageSetup::nDlgTwps(QStringLiteral(" 2.5")), 1418); // 1417.5 to the even twip
        QCOMPARE(TxmPageSetup::nDlgTwps(QStringLiteral("99999999999")), 0);
    }

    void pageSetupOpens_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("paper");
        QTest::addColumn<bool>("landscape");
        QTest::newRow("A4") << 11900 << 16838 << 0 << false;
        QTest::newRow("A4 landscape") << 16838 << 11900 << 0 << true;
        QTest::newRow("return card") << 11332 << 8386 << 15 << true;
    }

    void pageSetupOpens()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, paper);
        QFETCH(bool, landscape);
        setPage(width, height);
        auto *p = open<TxmPageSetup>(QStringLiteral("PG"));
        QVERIFY(p);
        QCOMPARE(p->cbPage->count(), 16);
        QCOMPARE(p->cbPage->currentIndex(), paper);
        QVERIFY(p->OpVH[landscape ? 1 : 0]->isChecked());
        if (paper == 0 && !landscape)
            QCOMPARE(boxes(p).mid(0, 2), (QStringList{QStringLiteral("20.99"), QStringLiteral("29.70")}));
    }

    void paperChoiceAndLimits()
    {
        auto *p = open<TxmPageSetup>(QStringLiteral("PG"));
        p->choosePaper(2);
        QCOMPARE(boxes(p), (QStringList{QStringLiteral("18.20"), QStringLiteral("25.72"), QStringLiteral("1.82"),
                                        QStringLiteral("1.82"), QStringLiteral("2.57"), QStringLiteral("2.57")}));
        p->setLandscape(true);
        QCOMPARE(boxes(p).mid(0, 3), (QStringList{QStringLiteral("25.72"), QStringLiteral("18.20"),
                                                  QStringLiteral("1.82")}));
        p->setLandscape(false);
        const auto okWith = [p](QLineEdit *box, const QString &text) {
            box->setText(text);
            return p->okEnabled();
        };
        QVERIFY(okWith(p->txPgWd, QStringLiteral("29.70")));
        QVERIFY(!okWith(p->txPgWd, QStringLiteral("29.71")));
        QVERIFY(!dialog().okButton()->isEnabled());
        QVERIFY(okWith(p->txPgWd, QStringLiteral("20")));
        QVERIFY(okWith(p->txPgHi, QStringLiteral("59.40")));
        QVERIFY(!okWith(p->txPgHi, QStringLiteral("59.41")));
        QVERIFY(okWith(p->txPgHi, QStringLiteral("29")));
        QVERIFY(okWith(p->txLftMrg, QStringLiteral("20")));
        QVERIFY(!okWith(p->txLftMrg, QStringLiteral("-0.01")));
        QVERIFY(okWith(p->txLftMrg, QStringLiteral("2")));
        // Widths whose double no longer fits an integer are refused, not wrapped round.
        QVERIFY(!okWith(p->txPgWd, QStringLiteral("3527336")));
        QVERIFY(!okWith(p->txPgWd, QStringLiteral("1893940")));
        QVERIFY(!dialog().okClicked());
        QVERIFY(okWith(p->txPgWd, QStringLiteral("20")));
        // Typed sizes pick the paper they match within five twips.
        p->txPgWd->setText(QStringLiteral("20.99"));
        p->txPgHi->setText(QStringLiteral("29.70"));
        p->PaperMatch();
        QCOMPARE(p->cbPage->currentIndex(), 0);
        p->txPgWd->setText(QStringLiteral("21.00"));
        p->PaperMatch();
        QCOMPARE(p->cbPage->currentIndex(), 15);
    }

    void pageSetupApplyAndRefusal()
    {
        auto *p = open<TxmPageSetup>(QStringLiteral("PG"));
        const PageSetup before = m_editor->page().pageSetup();
        // User-defined paper: everything 0.00, OK stays enabled, but a page without size is refused.
        p->choosePaper(15);
        QCOMPARE(boxes(p), QStringList(6, QStringLiteral("0.00")));
        QVERIFY(p->okEnabled());
        QVERIFY(!dialog().okClicked());
        QCOMPARE(m_prompt->messages.size(), 1);
        // Margins that each fit but together leave no text area.
        p->choosePaper(0);
        p->txLftMrg->setText(QStringLiteral("10.50"));
        p->txRghMrg->setText(QStringLiteral("10.50"));
        QVERIFY(!dialog().okClicked());
        QCOMPARE(m_prompt->messages.size(), 2);
        QCOMPARE(m_editor->page().pageSetup(), before);
        p->txRghMrg->setText(QStringLiteral("2"));
        QVERIFY(dialog().okClicked());
        QCOMPARE(m_editor->page().pageSetup().width, 11901); // 20.99 cm as shown
        QCOMPARE(m_editor->page().pageSetup().marginLeft, 5954);
        // The default for new pages goes to the settings at once.
        p->storeDefault();
        yIni::instance().GetGtx(QStringLiteral("TX_PAGE"));
        QCOMPARE(yIni::instance().vGtVal(QStringLiteral("WIDTH"), 0).toInt(), 11901);
        QCOMPARE(yIni::instance().vGtVal(QStringLiteral("M_RGH"), 0).toInt(), 1134);
    }

    // The size labels name their boxes; a margin box taking the focus puts the caret at its end.
    void labelsAndMarginCaret()
    {
        auto *p = open<TxmPageSetup>(QStringLiteral("PG"));
        QStringList buddies;
        for (QLabel *label : p->findChildren<QLabel *>()) {
            if (label->buddy())
                buddies << label->text();
            else
                QVERIFY(!label->text().contains(QLatin1Char('&')));
        }
        QCOMPARE(buddies.size(), 2);
        dialog().show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog()));
        dialog().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dialog()));
        p->txLftMrg->setFocus();
        QTest::keyClick(p->txLftMrg, Qt::Key_Tab);
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(p->txTopMrg));
        QTRY_COMPARE(p->txTopMrg->cursorPosition(), int(p->txTopMrg->text().size()));
        QTRY_VERIFY(!p->txTopMrg->hasSelectedText());
        p->txLftMrg->setCursorPosition(0);
        p->txLftMrg->setFocus(Qt::MouseFocusReason);
        QTRY_COMPARE(p->txLftMrg->cursorPosition(), int(p->txLftMrg->text().size()));
        dialog().reject();
    }

    // Enter in a box of the page-setup mode is OK: it never stores the default of new pages.
    void enterIsOkNotStoreAsDefault()
    {
        auto *p = open<TxmPageSetup>(QStringLiteral("PG"));
        dialog().show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog()));
        p->txPgWd->setFocus();
        p->txPgWd->setText(QStringLiteral("20"));
        QTest::keyClick(p->txPgWd, Qt::Key_Return);
        QTRY_VERIFY(!dialog().isVisible());
        QCOMPARE(dialog().result(), int(QDialog::Accepted));
        QCOMPARE(m_editor->page().pageSetup().width, 11340);
        yIni::instance().GetGtx(QStringLiteral("TX_PAGE"));
        QCOMPARE(yIni::instance().vGtVal(QStringLiteral("WIDTH"), -1).toInt(), -1);
    }

    // Stored defaults are checked when stored and when a new page takes them.
    void defaultsThatCannotMakeAPage()
    {
        auto *p = open<TxmPageSetup>(QStringLiteral("PG"));
        p->txPgWd->setText(QStringLiteral("1000"));
        p->storeDefault();
        QCOMPARE(m_prompt->messages.size(), 1);
        yIni &ini = yIni::instance();
        ini.GetGtx(QStringLiteral("TX_PAGE"));
        QCOMPARE(ini.vGtVal(QStringLiteral("WIDTH"), -1).toInt(), -1);
        // A settings file written otherwise: every new page would be unreadable once saved.
        const QList<QPair<QString, QVariant>> bad = {{QStringLiteral("WIDTH"), 2000000000},
                                                     {QStringLiteral("HEIGHT"), QStringLiteral("1e300")},
                                                     {QStringLiteral("M_LFT"), 12000}};
        for (const auto &[key, value] : bad) {
            ini.GetGtx(QStringLiteral("TX_PAGE"));
            ini.SetVal(QStringLiteral("WIDTH"), 12240);
            ini.SetVal(QStringLiteral("HEIGHT"), 15840);
            ini.SetVal(QStringLiteral("M_LFT"), 850);
            ini.SetVal(key, value);
            ini.SetGtx();
            m_editor->rtAct(2);
            QCOMPARE(m_editor->page().pageSetup(), PageSetup());
        }
        ini.GetGtx(QStringLiteral("TX_PAGE"));
        ini.SetVal(QStringLiteral("M_LFT"), 1000);
        ini.SetGtx();
        m_editor->rtAct(2);
        QCOMPARE(m_editor->page().pageSetup().marginLeft, 1000);
    }

    void displayMode()
    {
        m_editor->view()->setZoom(100);
        m_editor->view()->setViewMode(0);
        auto *p = open<TxmDisplayPage>(QStringLiteral("DP"));
        QVERIFY(p->opZoom[2]->isChecked());
        QVERIFY(p->opDP[0]->isChecked());
        m_editor->view()->setZoom(83);
        m_editor->view()->setViewMode(2);
        p = open<TxmDisplayPage>(QStringLiteral("DP"));
        QVERIFY(p->opZoom[7]->isChecked());
        QCOMPARE(p->txZoom->text(), QStringLiteral("83"));
        QVERIFY(p->opDP[1]->isChecked());
        QCOMPARE(p->zoomFor(6, 9000, 0, 12240, 15840), 71);
        QCOMPARE(p->zoomFor(5, 9000, 6000, 12240, 15840), 37);
        QCOMPARE(p->zoomFor(5, 9000, 6000, 0, 0), 10);
        p->txZoom->setText(QStringLiteral("1000"));
        QCOMPARE(p->zoomFor(7, 0, 0, 1, 1), 400);
        p->txZoom->setText(QStringLiteral("x5"));
        QCOMPARE(p->zoomFor(7, 0, 0, 1, 1), 10);
        p->txZoom->setText(QStringLiteral("150"));
        p->opZoom[7]->setChecked(true);
        QVERIFY(dialog().okClicked());
        QCOMPARE(m_editor->zoom(), 150);
        QCOMPARE(m_editor->viewMode(), 2);
        yIni::instance().GetGtx(QStringLiteral("TX_DISP"));
        QCOMPARE(yIni::instance().vGtVal(QStringLiteral("ZOOM"), 0).toInt(), 150);
        QCOMPARE(yIni::instance().vGtVal(QStringLiteral("MODE"), 0).toInt(), 2);
    }

    void fontSizeRules_data()
    {
        QTest::addColumn<QList<int>>("sizes"); // h1, h2, h3, body, emphasis
        QTest::addColumn<int>("messages");
        QTest::addColumn<QList<int>>("after");
        QTest::newRow("ordered 12") << QList<int>{16, 14, 13, 12, 12} << 0 << QList<int>{16, 14, 13, 12, 12};
        QTest::newRow("ordered 14") << QList<int>{18, 16, 15, 14, 14} << 0 << QList<int>{18, 16, 15, 14, 14};
        QTest::newRow("body 11") << QList<int>{16, 14, 13, 11, 11} << 1 << QList<int>{16, 14, 13, 11, 11};
        QTest::newRow("headings equal") << QList<int>{12, 12, 11, 10, 10} << 1 << QList<int>{14, 13, 12, 10, 10};
        QTest::newRow("heading 3 small") << QList<int>{16, 14, 9, 12, 12} << 1 << QList<int>{15, 14, 13, 12, 12};
    }

    void fontSizeRules()
    {
        QFETCH(QList<int>, sizes);
        QFETCH(int, messages);
        QFETCH(QList<int>, after);
        std::array<UsrFmt, 8> f;
        for (int i = 0; i < 8; ++i)
            f[i] = Frmt::DefaultFmt(i);
        for (int i = 0; i < 5; ++i)
            f[i].fontSize = sizes[i];
        f[3].fontName = QStringLiteral("Body Font");
        f[5].fontName = QStringLiteral("Other");
        f[5].backColor = 0x00FF00;
        TxmUserStyles::CheckUserFonts(f);
        QCOMPARE(m_prompt->messages.size(), messages);
        for (int i = 0; i < 5; ++i)
            QCOMPARE(f[i].fontSize, after[i]);
        const bool ordered = sizes[3] == 12 || sizes[3] == 14 || sizes[3] == 10;
        QCOMPARE(f[5].fontName, ordered ? QStringLiteral("Body Font") : QStringLiteral("Other"));
    }

    // The header and footer samples show their words inside their small views.
    void headerAndFooterSamplesShowTheirWords()
    {
        auto *p = open<TxmUserStyles>(QStringLiteral("US"));
        QVERIFY(p);
        dialog().show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog()));
        QCOMPARE(p->tHead->text(), QStringLiteral("Header"));
        QCOMPARE(p->tFoot->text(), QStringLiteral("Footer"));
        for (QWidget *sample : {p->headerView(), p->footerView()}) {
            const QImage shot = sample->grab().toImage();
            const QRgb paper = shot.pixel(shot.width() - 2, shot.height() / 2);
            int ink = 0;
            for (int y = 0; y < shot.height(); ++y) {
                for (int x = 0; x < shot.width(); ++x) {
                    if (qGray(shot.pixel(x, y)) < qGray(paper) - 100)
                        ++ink;
                }
            }
            QVERIFY2(ink > 10, "the sample word is out of sight");
        }
        dialog().reject();
    }

    void userStylesStoredInTheDatabase()
    {
        const QString path = m_home->path() + QStringLiteral("/Styles.txdb");
        QVERIFY(TemplateDb::create(path));
        QVERIFY(zSvr::instance().D_StDcDb(path));
        Frmt::st().lineFactor = 2.5f;
        auto *p = open<TxmUserStyles>(QStringLiteral("US"));
        QVERIFY(p);
        QCOMPARE(p->cbLine->currentText(), QStringLiteral("1.2"));
        // Edit the sample: heading 2 bigger (still below heading 1), header centred.
        QCOMPARE(Frmt::st().usrFmt[1].fontSize, 12);
        p->StyleSelect(1);
        p->tTxt->setFontSize(13);
        p->cbHead->setCurrentIndex(1);
        p->tHead->select(0, -1);
        p->tHead->setAlignment(TxmUserStyles::alignmentOf(1));
        p->cbLine->setEditText(QStringLiteral("2.0"));
        p->ckLF[0]->setChecked(!Frmt::st().usrDtp);
        const bool dtp = p->ckLF[0]->isChecked();
        QVERIFY(dialog().okClicked());
        // OK copies the samples' fonts into the styles.
        QCOMPARE(Frmt::st().usrFmt[1].fontSize, 13);
        QCOMPARE(Frmt::st().usrFmt[0].fontSize, 14);
        QCOMPARE(Frmt::st().usrFmt[6].alignment, 2);
        QCOMPARE(Frmt::st().lineFactor, 2.0f);
        for (int i = 3; i < 6; ++i)
            QCOMPARE(Frmt::st().usrFmt[i].head4, 7936);
        // What was saved is what the database gives back.
        const std::array<UsrFmt, 8> saved = Frmt::st().usrFmt;
        Frmt::st().usrFmt[6].alignment = 0;
        QVERIFY(Frmt::LoadFmt());
        QCOMPARE(Frmt::st().usrFmt, saved);
        QCOMPARE(Frmt::st().usrDtp, dtp);
        p = open<TxmUserStyles>(QStringLiteral("US"));
        QCOMPARE(p->cbHead->currentIndex(), 1);
        QCOMPARE(p->cbLine->currentText(), QStringLiteral("2"));
    }
};

QTEST_MAIN(TestSettingsModes)
#include "tst_settingsmodes.moc"

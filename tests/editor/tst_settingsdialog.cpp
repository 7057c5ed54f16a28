#include "core/Usr.h"
#include "core/yIni.h"
#include "editor/TxmLinkPage.h"
#include "editor/TxmPicturePage.h"
#include "editor/TxmStartPage.h"
#include "editor/TxmTablePage.h"
#include "editor/sbTxm.h"
#include "editor/sbTxmDialog.h"
#include "editor/uTxm.h"
#include "platform/richtext/RichTextEdit.h"
#include "platform/richview/RichView.h"
#include "support/EditorTestEnv.h"
#include "support/ScriptedPrompt.h"

#include <QApplication>
#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <memory>

// The editor's settings dialog: its frame and the table, link, start-up and picture layout modes.
class TestSettingsDialog : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestHome> m_home;
    std::unique_ptr<uTxm> m_editor;

    sbTxmDialog &dialog() { return sbTxmDialog::of(*m_editor); }

    template <class Page>
    Page *open(const QString &mode, const QString &in)
    {
        if (!dialog().prepare(mode, in))
            return nullptr;
        return qobject_cast<Page *>(dialog().page(dialog().mode()));
    }

    // Act through the real modal display, pressing the button `press` (OK or Cancel) once shown.
    QString actAndPress(const QString &mode, const QString &in, bool ok)
    {
        QString answer = in;
        QTimer::singleShot(0, this, [this, ok] {
            (ok ? dialog().okButton() : dialog().cancelButton())->click();
        });
        m_editor->companion().Act(mode, answer);
        return answer;
    }

    // Lines drawn across the picture in its text colour, counted along its middle: the vertical lines
    // along a row of pixels, the horizontal ones along a column.
    static int lineCount(const QImage &picture, bool vertical)
    {
        const QRgb ink = QApplication::palette().color(QPalette::WindowText).rgb();
        const int length = vertical ? picture.width() : picture.height();
        int lines = 0;
        bool inLine = false;
        for (int i = 0; i < length; ++i) {
            // Off the middle by a little, so that the scan runs between lines of the other kind.
            const QRgb pixel = vertical ? picture.pixel(i, picture.height() / 2 + 1) : picture.pixel(picture.width() / 2 + 1, i);
            const bool dark = pixel == ink;
            if (dark && !inLine)
                ++lines;
            inLine = dark;
        }
        return lines;
    }

private slots:
    void init()
    {
        m_home = std::make_unique<TestHome>();
        QVERIFY(resetEditorState(*m_home));
        Usr::st().userData = m_home->path() + QStringLiteral("/");
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

    void cancelNeverHandsBackAnEarlierAnswer_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("in");
        QTest::newRow("link") << QStringLiteral("LK") << QStringLiteral("Home\tindex.htm");
        QTest::newRow("start-up") << QStringLiteral("IM") << QStringLiteral("1\tON\t上書");
        QTest::newRow("picture layout") << QStringLiteral("TF") << QStringLiteral("21");
    }

    void cancelNeverHandsBackAnEarlierAnswer()
    {
        QFETCH(QString, mode);
        QFETCH(QString, in);
        // OK once, so that the dialog holds an answer; a cancel afterwards still answers "".
        QCOMPARE(actAndPress(mode, in, true), in);
        QCOMPARE(actAndPress(mode, in, false), QString());
        QVERIFY(!m_editor->bDcEdt());
    }

    void frameByMode()
    {
        QVERIFY(dialog().prepare(QStringLiteral("RP"), QString()));
        QCOMPARE(dialog().mode(), QStringLiteral("FD"));
        QVERIFY(dialog().replaceFlag());
        QVERIFY(dialog().okButton()->isHidden());
        QCOMPARE(dialog().windowTitle(), QStringLiteral("検索･置換"));
        QVERIFY(dialog().prepare(QStringLiteral("FD"), QString()));
        QVERIFY(!dialog().replaceFlag());
        QVERIFY(dialog().prepare(QStringLiteral("TB"), QString()));
        QVERIFY(!dialog().okButton()->isHidden());
        QCOMPARE(dialog().windowTitle(), QStringLiteral("表の設定"));
        QVERIFY(!dialog().prepare(QStringLiteral("XX"), QString()));
    }

    // A mode opens at the same size whatever modes were shown before, never below 7300 x 2700 twips.
    void sizeDependsOnTheModeAlone()
    {
        QVERIFY(dialog().prepare(QStringLiteral("PG"), QString()));
        dialog().place();
        const QSize pageSetup = dialog().size();
        QVERIFY(pageSetup.width() >= 7300 * dialog().logicalDpiX() / 1440);
        QVERIFY(pageSetup.height() >= 2700 * dialog().logicalDpiY() / 1440);
        QVERIFY(dialog().prepare(QStringLiteral("US"), QString()));
        dialog().place();
        QVERIFY(dialog().size() != pageSetup);
        // Shown, the bigger mode's layout has set its minimum size: the next mode is not held to it.
        dialog().show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog()));
        dialog().hide();
        QVERIFY(dialog().prepare(QStringLiteral("PG"), QString()));
        dialog().place();
        QCOMPARE(dialog().size(), pageSetup);
    }

    void tableModeInsertsFiveByOne()
    {
        auto *page = open<TxmTablePage>(QStringLiteral("TB"), QStringLiteral("ignored"));
        QVERIFY(page);
        QVERIFY(page->picture && !page->picture->pixmap().isNull());
        QCOMPARE(page->rows()->currentItem()->text(), QStringLiteral(" 5"));
        QCOMPARE(page->columns()->currentItem()->text(), QStringLiteral(" 1"));
        QCOMPARE(page->rows()->item(9)->text(), QStringLiteral("10"));
        QVERIFY(dialog().okClicked());
        RichTextEdit &e = m_editor->edit();
        QCOMPARE(e.tableIds().size(), 1);
        QCOMPARE(e.tableRows(e.tableIds().first()), 5);
        QCOMPARE(e.tableColumns(e.tableIds().first()), 1);
    }

    // The picture beside the lists draws the table the OK button inserts, as the rows and columns are
    // chosen with the mouse or the keys: it drew four rows of three whatever was chosen.
    void tablePictureShowsTheChosenSize_data()
    {
        QTest::addColumn<QString>("keys"); // r<n>/c<n>: click entry n of rows or columns; D, E: Down, End
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("columns");
        QTest::newRow("preselected") << QString() << 5 << 1;
        QTest::newRow("clicked 3 x 4") << QStringLiteral("r3 c4") << 3 << 4;
        QTest::newRow("clicked 1 x 1") << QStringLiteral("r1 c1") << 1 << 1;
        QTest::newRow("Down in rows") << QStringLiteral("r5 D") << 6 << 1;
        QTest::newRow("End in columns") << QStringLiteral("c2 E") << 5 << 20;
        QTest::newRow("largest") << QStringLiteral("r20 c20") << 20 << 20;
    }

    void tablePictureShowsTheChosenSize()
    {
        QFETCH(QString, keys);
        QFETCH(int, rows);
        QFETCH(int, columns);
        int shownRows = -1;
        int shownColumns = -1;
        QWidget *focused = nullptr;
        QTimer::singleShot(0, this, [&] {
            // Whatever is found, the dialog closes: a failure must not leave the test waiting on it.
            auto *page = qobject_cast<TxmTablePage *>(dialog().page(QStringLiteral("TB")));
            if (page && QTest::qWaitForWindowActive(&dialog())) {
                for (const QString &step : keys.split(u' ', Qt::SkipEmptyParts)) {
                    if (step == QLatin1String("D") || step == QLatin1String("E")) {
                        QTest::keyClick(QApplication::focusWidget(), step == QLatin1String("D") ? Qt::Key_Down : Qt::Key_End);
                        continue;
                    }
                    QListWidget *list = step.startsWith(u'r') ? page->rows() : page->columns();
                    QListWidgetItem *entry = list->item(step.mid(1).toInt() - 1);
                    list->scrollToItem(entry);
                    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(entry).center());
                    focused = QApplication::focusWidget();
                }
                const QImage picture = page->picture->pixmap().toImage();
                shownRows = lineCount(picture, false) - 1;
                shownColumns = lineCount(picture, true) - 1;
            }
            QTest::mouseClick(dialog().okButton(), Qt::LeftButton);
        });
        QString answer;
        m_editor->companion().Act(QStringLiteral("TB"), answer);
        if (!keys.isEmpty())
            QVERIFY(qobject_cast<QListWidget *>(focused));
        QCOMPARE(shownRows, rows);
        QCOMPARE(shownColumns, columns);
        RichTextEdit &e = m_editor->edit();
        QCOMPARE(e.tableIds().size(), 1);
        QCOMPARE(e.tableRows(e.tableIds().first()), rows);
        QCOMPARE(e.tableColumns(e.tableIds().first()), columns);
    }

    void startUpMode_data()
    {
        QTest::addColumn<QString>("in");
        QTest::addColumn<bool>("page");
        QTest::addColumn<bool>("ime");
        QTest::addColumn<int>("policy");
        QTest::addColumn<QString>("out");
        QTest::newRow("all set") << QStringLiteral("1\tON\t上書") << true << true << 1 << QStringLiteral("1\tON\t上書");
        QTest::newRow("ignore") << QStringLiteral("0\tOFF\t無視") << false << false << 2 << QStringLiteral("0\tOFF\t無視");
        QTest::newRow("empty") << QString() << false << false << 0 << QStringLiteral("0\tOFF\t確認");
        QTest::newRow("two fields") << QStringLiteral("1\tON") << false << false << 0 << QStringLiteral("0\tOFF\t確認");
        QTest::newRow("other policy") << QStringLiteral("x\ton\t何か") << false << false << 0
                                      << QStringLiteral("0\tOFF\t確認");
    }

    void startUpMode()
    {
        QFETCH(QString, in);
        QFETCH(bool, page);
        QFETCH(bool, ime);
        QFETCH(int, policy);
        QFETCH(QString, out);
        auto *p = open<TxmStartPage>(QStringLiteral("IM"), in);
        QVERIFY(p);
        QCOMPARE(p->chPage->isChecked(), page);
        QCOMPARE(p->chIME->isChecked(), ime);
        QVERIFY(p->opSave[policy]->isChecked());
        QVERIFY(dialog().okClicked());
        QCOMPARE(dialog().answer(), out);
    }

    void pictureLayoutMode_data()
    {
        QTest::addColumn<QString>("in");
        QTest::addColumn<int>("layout");
        QTest::addColumn<int>("colour"); // -1 none selected
        QTest::addColumn<QString>("out");
        QTest::newRow("21") << QStringLiteral("21") << 1 << 1 << QStringLiteral("21");
        QTest::newRow("40") << QStringLiteral("40") << 3 << 0 << QStringLiteral("40");
        QTest::newRow("one digit") << QStringLiteral("3") << 2 << 0 << QStringLiteral("30");
        QTest::newRow("layout out of range") << QStringLiteral("90") << 0 << 0 << QStringLiteral("10");
        QTest::newRow("colour out of range") << QStringLiteral("15") << 0 << -1 << QStringLiteral("12");
    }

    void pictureLayoutMode()
    {
        QFETCH(QString, in);
        QFETCH(int, layout);
        QFETCH(int, colour);
        QFETCH(QString, out);
        auto *p = open<TxmPicturePage>(QStringLiteral("TF"), in);
        QVERIFY(p);
        QVERIFY(p->opTxf[layout]->isChecked());
        for (int k = 0; k < 3; ++k)
            QCOMPARE(p->opImg[k]->isChecked(), k == colour);
        QVERIFY(dialog().okClicked());
        QCOMPARE(dialog().answer(), out);
    }

    void pictureLayoutCommandKeepsDefaultsOnCancel()
    {
        const int layout = m_editor->pictureLayout();
        const int colour = m_editor->pictureColour();
        QTimer::singleShot(0, this, [this] { dialog().cancelButton()->click(); });
        m_editor->rtAct(67);
        QCOMPARE(m_editor->pictureLayout(), layout);
        QCOMPARE(m_editor->pictureColour(), colour);
        QTimer::singleShot(0, this, [this] {
            auto *p = qobject_cast<TxmPicturePage *>(dialog().page(QStringLiteral("TF")));
            p->opTxf[2]->setChecked(true);
            p->opImg[2]->setChecked(true);
            dialog().okButton()->click();
        });
        m_editor->rtAct(67);
        QCOMPARE(m_editor->pictureLayout(), 3);
        QCOMPARE(m_editor->pictureColour(), 2);
    }

    void linkModeSetUp()
    {
        // A selection abc: the caption is the selected text, fixed; no hint.
        auto *p = open<TxmLinkPage>(QStringLiteral("LK"), QStringLiteral("abc"));
        QVERIFY(p);
        QCOMPARE(p->txCaption->text(), QStringLiteral("abc"));
        QVERIFY(p->chLnkHg->isChecked());
        QVERIFY(p->chLnkHg->isEnabled());
        QVERIFY(!p->txCaption->isEnabled());
        QVERIFY(p->lbMsg->text().isEmpty());
        // Nothing selected: the caption is typed; the hint shows.
        p = open<TxmLinkPage>(QStringLiteral("LK"), QString());
        QVERIFY(!p->chLnkHg->isChecked());
        QVERIFY(!p->chLnkHg->isEnabled());
        QVERIFY(p->txCaption->isEnabled());
        QCOMPARE(p->lbMsg->text(), QStringLiteral("ﾘﾝｸ先を指定して下さい"));
        // An existing link comes back unchanged; character 1 leaves the caption.
        p = open<TxmLinkPage>(QStringLiteral("LK"), QStringLiteral("Ho") + QChar(1) + QStringLiteral("me\tindex.htm"));
        QVERIFY(dialog().okClicked());
        QCOMPARE(dialog().answer(), QStringLiteral("Home\tindex.htm"));
        // On an object there is no caption.
        p = open<TxmLinkPage>(QStringLiteral("LK_OBJ"), QStringLiteral("\ta.pdf"));
        QCOMPARE(dialog().mode(), QStringLiteral("LK"));
        QVERIFY(p->txCaption->isHidden());
        QVERIFY(p->chLnkHg->isHidden());
        QVERIFY(dialog().okClicked());
        QCOMPARE(dialog().answer(), QStringLiteral("\ta.pdf"));
    }

    void linkModeRefusesIncompleteAnswers()
    {
        ScriptedPrompt prompt;
        auto *p = open<TxmLinkPage>(QStringLiteral("LK"), QString());
        p->txTarget->setText(QStringLiteral("   "));
        p->txCaption->setText(QStringLiteral("caption"));
        QVERIFY(!dialog().okClicked());
        p->txTarget->setText(QStringLiteral("a.htm"));
        p->txCaption->setText(QStringLiteral(" "));
        QVERIFY(!dialog().okClicked());
        QCOMPARE(prompt.messages, (QStringList{QStringLiteral("ﾘﾝｸ先が指定されていません"),
                                               QStringLiteral("ｷｬﾌﾟｼｮﾝが指定されていません")}));
        QVERIFY(dialog().answer().isEmpty());
    }

    void linkModeBrowsing()
    {
        ScriptedPrompt prompt;
        const QString folder = m_home->path() + QStringLiteral("/doc");
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(TestHome::write(folder + QStringLiteral("/report.pdf"), QByteArray(1234567, 'x')));
        QVERIFY(TestHome::write(folder + QStringLiteral("/News.url"),
                                "[InternetShortcut]\r\nurl=https://example.org/news\r\nIconIndex=0\r\n"));
        Usr::st().dbName = QStringLiteral("Book");
        auto *p = open<TxmLinkPage>(QStringLiteral("LK"), QString());
        prompt.files.enqueue(folder + QStringLiteral("/report.pdf"));
        p->browse(0);
        // The first file dialog starts in the database's site folder.
        QCOMPARE(prompt.dialogStarts.last(), m_home->path() + QStringLiteral("/Site/Book"));
        QCOMPARE(p->txTarget->text(), folder + QStringLiteral("/report.pdf"));
        QCOMPARE(p->txCaption->text(), QStringLiteral("report.pdf (1,235 KB)"));
        prompt.files.enqueue(folder + QStringLiteral("/News.url"));
        p->browse(1);
        QCOMPARE(p->txTarget->text(), QStringLiteral("https://example.org/news"));
        QCOMPARE(p->txCaption->text(), QStringLiteral("News"));
        // The next file dialog starts where the last file was.
        prompt.files.enqueue(QString());
        p->browse(0);
        QCOMPARE(prompt.dialogStarts.last(), folder);
        QVERIFY(p->txTarget->text().isEmpty());
        QCOMPARE(prompt.dialogTitles.last(), QStringLiteral("ﾘﾝｸ先のﾄﾞｷｭﾒﾝﾄ"));
        QCOMPARE(TxmLinkPage::shortcutAddress(QStringLiteral("no address")), QString());
        QCOMPARE(TxmLinkPage::shortcutAddress(QStringLiteral("URL=a.htm")), QStringLiteral("a.htm"));
    }
};

QTEST_MAIN(TestSettingsDialog)
#include "tst_settingsdialog.moc"

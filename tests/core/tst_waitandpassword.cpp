#include "core/Usr.h"
#include "core/sbPwd.h"
#include "core/sbWait.h"
#include "platform/desktop/Prompt.h"
#include "support/ScriptedPassword.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTextDocument>
#include <QtTest>

class TestWaitAndPassword : public QObject
{
    Q_OBJECT

    static QWidget *topWaitWindow()
    {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (qobject_cast<sbWait *>(widget))
                return widget;
        }
        return nullptr;
    }

private slots:
    void init()
    {
        sbWait::cEnd();
        Usr::st().busy = false;
        Usr::st().baseName.clear();
        Usr::st().mainWindow = nullptr;
    }

    void emptyMessageIsReplacedForTheCaller()
    {
        QString message;
        sbWait::cMsg(message);
        QCOMPARE(message, QStringLiteral("ﾃﾞｰﾀｰﾍﾞｰｽ問合せ中 お待ちください"));
        QCOMPARE(sbWait::shownMessage(), message);
        QVERIFY(sbWait::isShown());
        QVERIFY(Usr::st().busy);
        // A second message only changes the text.
        QWidget *first = topWaitWindow();
        sbWait::cMsg(QStringLiteral("二"));
        QCOMPARE(topWaitWindow(), first);
        QCOMPARE(sbWait::shownMessage(), QStringLiteral("二"));
        sbWait::cEnd();
        QVERIFY(!sbWait::isShown());
        QVERIFY(!Usr::st().busy);
        QVERIFY(!topWaitWindow());
    }

    // A handler that set the busy flag itself keeps it through a wait window.
    void busyFlagOfTheCallerSurvives()
    {
        Usr::st().busy = true;
        sbWait::cMsg(QStringLiteral("x"));
        sbWait::cEnd();
        QVERIFY(Usr::st().busy);
        Usr::st().busy = false;
        sbWait::cEnd(); // without a window: just clears
        QVERIFY(!Usr::st().busy);
    }

    // The bar appears with a total, follows the count (clamped), hides with total 0, and a
    // call without a window does nothing.
    void progressBar()
    {
        sbWait::cProgress(3, 10);
        QCOMPARE(sbWait::progressValue(), -1);
        sbWait::cMsg(QStringLiteral("出力中"));
        QCOMPARE(sbWait::progressValue(), -1);
        sbWait::cProgress(3, 10);
        QCOMPARE(sbWait::progressValue(), 3);
        QCOMPARE(sbWait::progressMaximum(), 10);
        sbWait::cProgress(12, 10);
        QCOMPARE(sbWait::progressValue(), 10);
        sbWait::cProgress(0, 0);
        QCOMPARE(sbWait::progressValue(), -1);
        QCOMPARE(sbWait::shownMessage(), QStringLiteral("出力中"));
        sbWait::cEnd();
        QCOMPARE(sbWait::progressValue(), -1);
    }

    void placement()
    {
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        sbWait::cMsg(QStringLiteral("start"));
        QVERIFY((topWaitWindow()->geometry().center() - screen.center()).manhattanLength() <= 2);
        sbWait::cEnd();

        QWidget main;
        main.setGeometry(20, 30, 700, 500);
        main.show();
        Usr::st().mainWindow = &main;
        Usr::st().baseName = QStringLiteral("fenwar");
        sbWait::cMsg(QStringLiteral("later"));
        QVERIFY((topWaitWindow()->frameGeometry().center() - main.frameGeometry().center()).manhattanLength() <= 2);
        sbWait::cEnd();
    }

    // A long text (a folder path and what is done with it) is shown whole or, when even the
    // widest window cannot hold it, with its start and its end; the window stays on the screen.
    void longTextShowsItsEnd_data()
    {
        QTest::addColumn<int>("depth");
        QTest::addColumn<QString>("folder");
        QTest::newRow("a deep folder") << 6 << QStringLiteral("/とても長いフォルダの名前");
        QTest::newRow("wider than the screen") << 60 << QStringLiteral("/とても長いフォルダの名前");
        // Shown as written: in the window and in its tooltip, which holds the whole text.
        QTest::newRow("folders named like HTML") << 30 << QStringLiteral("/<b>太字</b>  &amp;");
    }
    void longTextShowsItsEnd()
    {
        QFETCH(int, depth);
        QFETCH(QString, folder);
        const QString message = QStringLiteral("/home/someone/文書") + folder.repeated(depth)
                                + QStringLiteral(" 圧縮しています・・・");
        sbWait::cMsg(message);
        QCOMPARE(sbWait::shownMessage(), message);
        auto *label = topWaitWindow()->findChild<QLabel *>(QStringLiteral("SSPanel1"));
        QVERIFY(label);
        QCOMPARE(label->textFormat(), Qt::PlainText);
        if (label->text() != message) {
            QTextDocument tip;
            if (Qt::mightBeRichText(label->toolTip()))
                tip.setHtml(label->toolTip());
            else
                tip.setPlainText(label->toolTip());
            QCOMPARE(tip.toPlainText().replace(QChar::Nbsp, u' '), message);
        }
        QVERIFY2(label->fontMetrics().horizontalAdvance(label->text()) <= label->contentsRect().width(),
                 qPrintable(QStringLiteral("%1 > %2").arg(label->fontMetrics().horizontalAdvance(label->text())).arg(label->contentsRect().width())));
        QVERIFY(label->text().startsWith(QStringLiteral("/home/someone/")));
        QVERIFY(label->text().endsWith(QStringLiteral(" 圧縮しています・・・")));
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY(screen.contains(topWaitWindow()->geometry()));
        // A short text afterwards does not keep the long one's width.
        sbWait::cMsg(QStringLiteral("短い"));
        QCOMPARE(label->text(), QStringLiteral("短い"));
        sbWait::cEnd();
    }

    void passwordAnswers_data()
    {
        QTest::addColumn<QString>("typed");   // null: Cancel pressed
        QTest::addColumn<QString>("answer");
        QTest::newRow("trimmed") << "  secret  " << "secret";
        QTest::newRow("inner blanks kept") << "a b" << "a b";
        QTest::newRow("blanks only count as cancel") << "    " << "";
        QTest::newRow("cancel") << QString() << "";
        QTest::newRow("non-ASCII and quotes") << "パス'?\"" << "パス'?\"";
    }
    void passwordAnswers()
    {
        QFETCH(QString, typed);
        QFETCH(QString, answer);
        ScriptedPassword script;
        script.answers << typed;
        QCOMPARE(sbPwd::Act(QStringLiteral("本.txdb")), answer);
        QCOMPARE(script.captions, QStringList(QStringLiteral("本.txdb")));
    }

    void passwordDialogLayout()
    {
        sbPwd::setDriver([](sbPwd &dialog) {
            QCOMPARE(dialog.txPwd()->echoMode(), QLineEdit::Password);
            QCOMPARE(dialog.cmOk(0)->text(), QStringLiteral("&OK"));
            QCOMPARE(dialog.cmOk(1)->text(), QStringLiteral("&Cancel"));
            QVERIFY(dialog.findChildren<QLabel *>().value(0));
            QCOMPARE(dialog.findChildren<QLabel *>().value(0)->text(), QStringLiteral("パスワードを入力して下さい"));
            dialog.reject(); // closing by the frame
        });
        QCOMPARE(sbPwd::Act(QStringLiteral("a.udl")), QString());
        sbPwd::setDriver({});
    }

    void enterMovesToOk()
    {
        bool stillOpen = false;
        bool okHasFocus = false;
        sbPwd::setDriver([&](sbPwd &dialog) {
            dialog.show();
            QApplication::setActiveWindow(&dialog);
            dialog.txPwd()->setFocus();
            dialog.txPwd()->setText(QStringLiteral("pw"));
            QTest::keyClick(dialog.txPwd(), Qt::Key_Return);
            stillOpen = dialog.isVisible();
            okHasFocus = dialog.cmOk(0)->hasFocus();
            QTest::keyClick(dialog.cmOk(0), Qt::Key_Return);
        });
        QCOMPARE(sbPwd::Act(QStringLiteral("a.udl")), QStringLiteral("pw"));
        QVERIFY(stillOpen);
        QVERIFY(okHasFocus);
        sbPwd::setDriver({});
    }

    // The wait window stays above every window: a message shown during a job, and the password prompt
    // asked during start-up, would be covered by it. It steps aside for them and comes back after; the
    // prompt takes the keys at once.
    void promptsComeAboveTheWaitWindow()
    {
        sbWait::cMsg(QStringLiteral("ﾃﾞｰﾀｰﾍﾞｰｽを最適化しています"));
        bool waitUnderBox = true;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box || !box->isVisible())
                return;
            poll.stop();
            waitUnderBox = sbWait::isShown();
            box->accept();
        });
        poll.start(20);
        Prompt::current().message(QStringLiteral("１件 削除しました\n二行目\n三行目"));
        QVERIFY(!waitUnderBox);
        QVERIFY(sbWait::isShown());

        sbWait::cMsg(QStringLiteral("Fenwar 起動中です・・・"));
        bool waitUnderPrompt = true;
        bool keysInTheBox = false;
        sbPwd::setDriver([&](sbPwd &dialog) {
            waitUnderPrompt = sbWait::isShown();
            dialog.show();
            QVERIFY(QTest::qWaitForWindowActive(&dialog));
            keysInTheBox = QApplication::focusWidget() == dialog.txPwd();
            QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("secret"));
            dialog.cmOk(0)->click();
        });
        const QString typed = sbPwd::Act(QStringLiteral("team.udl"));
        sbPwd::setDriver({});
        QCOMPARE(typed, QStringLiteral("secret"));
        QVERIFY(!waitUnderPrompt);
        QVERIFY(keysInTheBox);
        QVERIFY(sbWait::isShown());
        sbWait::cEnd();
    }
};

QTEST_MAIN(TestWaitAndPassword)
#include "tst_waitandpassword.moc"

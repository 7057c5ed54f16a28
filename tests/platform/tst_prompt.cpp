#include "platform/desktop/Prompt.h"
#include "platform/desktop/WidgetPrompt.h"
#include "support/ScriptedPrompt.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>

class TestPrompt : public QObject
{
    Q_OBJECT
private slots:
    // A short text leaves the box wide enough for its title beside the frame's icon and buttons.
    void shortMessageKeepsItsTitle()
    {
        WidgetPrompt prompt;
        const QString title = QStringLiteral("Fenwar - 文書ﾃﾞｰﾀｰﾍﾞｰｽ");
        int width = 0;
        QTimer::singleShot(0, [&] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                width = box->width();
                box->accept();
            }
        });
        prompt.message(QStringLiteral("ｱｲﾃﾑがありません"), Prompt::OkOnly, title);
        const QFontMetrics metrics(QApplication::font("QMdiSubWindowTitleBar"));
        QVERIFY2(width >= metrics.horizontalAdvance(title) + 150, qPrintable(QString::number(width)));
    }

    void scriptedAnswersInOrder()
    {
        ScriptedPrompt prompt;
        prompt.answers << Prompt::Yes << Prompt::Cancel;
        QCOMPARE(Prompt::current().message(QStringLiteral("一"), Prompt::YesNoCancel), int(Prompt::Yes));
        QCOMPARE(Prompt::current().message(QStringLiteral("二"), Prompt::YesNoCancel), int(Prompt::Cancel));
        QCOMPARE(Prompt::current().message(QStringLiteral("三")), int(Prompt::Ok));
        QCOMPARE(prompt.messages, QStringList({"一", "二", "三"}));
    }

    void cancelledInputIsEmpty()
    {
        ScriptedPrompt prompt;
        prompt.inputs << QString() << QStringLiteral("abc");
        bool ok = true;
        QCOMPARE(Prompt::current().input("a", "t", "d", &ok), QString());
        QVERIFY(!ok);
        QCOMPARE(Prompt::current().input("a", "t", "d", &ok), QStringLiteral("abc"));
        QVERIFY(ok);
    }

    void uninstallRestoresDefault()
    {
        Prompt *scripted = nullptr;
        {
            ScriptedPrompt prompt;
            scripted = &prompt;
            QCOMPARE(&Prompt::current(), scripted);
        }
        QVERIFY(&Prompt::current() != scripted);
    }
};

QTEST_MAIN(TestPrompt)
#include "tst_prompt.moc"

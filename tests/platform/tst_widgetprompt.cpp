// The interactive prompt: texts shown as typed, and file dialogs that never
// open the files they list (the open database keeps its locks).
#include "platform/db/DbConnection.h"
#include "platform/desktop/WidgetPrompt.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>

namespace {

// Runs `look` on the first modal dialog of type T once it is shown, then closes it.
template <typename T>
void whenShown(std::function<void(T *)> look, int settleMs = 0)
{
    auto *timer = new QTimer;
    auto *clock = new QElapsedTimer;
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, [timer, clock, look, settleMs] {
        auto *dialog = qobject_cast<T *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        if (!clock->isValid())
            clock->start();
        if (clock->elapsed() < settleMs)
            return;
        timer->stop();
        look(dialog);
        dialog->reject();
        timer->deleteLater();
        delete clock;
    });
    timer->start();
}

// An outside program that asks for the database's exclusive lock, as the
// command-line shell does when it is the last user of a file in WAL mode.
QString outsideExclusive(const QString &path)
{
    QProcess shell;
    shell.start(QStringLiteral("sqlite3"), {path});
    if (!shell.waitForStarted())
        return QStringLiteral("no sqlite3");
    shell.write("PRAGMA locking_mode=EXCLUSIVE;\nBEGIN EXCLUSIVE;\nCOMMIT;\n");
    shell.closeWriteChannel();
    shell.waitForFinished();
    return shell.exitCode() == 0 ? QStringLiteral("taken") : QString::fromUtf8(shell.readAllStandardError());
}

} // namespace

class TestWidgetPrompt : public QObject
{
    Q_OBJECT
private slots:
    void textsAreShownAsTyped()
    {
        const QString text = QStringLiteral("<b>bold</b> ﾍﾟｰｼﾞ\n二行目 & <i>x</i>");
        WidgetPrompt prompt;
        QString shown;
        Qt::TextFormat format = Qt::RichText;
        whenShown<QMessageBox>([&](QMessageBox *box) {
            auto *label = box->findChild<QLabel *>(QStringLiteral("qt_msgbox_label"));
            shown = label ? label->text() : QString();
            format = label ? label->textFormat() : Qt::RichText;
        });
        prompt.message(text, Prompt::OkCancel, QString());
        QCOMPARE(shown, text);
        QCOMPARE(format, Qt::PlainText);

        format = Qt::RichText;
        whenShown<QInputDialog>([&](QInputDialog *dialog) {
            for (QLabel *label : dialog->findChildren<QLabel *>()) {
                if (label->text() == text)
                    format = label->textFormat();
            }
        });
        bool ok = true;
        QCOMPARE(prompt.input(text, QStringLiteral("題"), QStringLiteral("既定"), &ok), QString());
        QVERIFY(!ok);
        QCOMPARE(format, Qt::PlainText);
    }

    void onlyTheAskingSaveDialogAsksAboutAnExistingFile_data()
    {
        QTest::addColumn<bool>("asking");
        QTest::newRow("save") << true;
        QTest::newRow("save, the caller asks") << false;
    }
    void onlyTheAskingSaveDialogAsksAboutAnExistingFile()
    {
        QFETCH(bool, asking);
        QTemporaryDir dir;
        int confirms = -1;
        whenShown<QFileDialog>([&](QFileDialog *dialog) {
            confirms = dialog->testOption(QFileDialog::DontConfirmOverwrite) ? 0 : 1;
        });
        WidgetPrompt prompt;
        const QString filter = QStringLiteral("文書ﾃﾞｰﾀｰﾍﾞｰｽ (*.txdb)");
        const QString chosen = asking ? prompt.saveFile(QStringLiteral("保存"), dir.path(), filter)
                                      : prompt.saveFileUnasked(QStringLiteral("保存"), dir.path(), filter);
        QVERIFY(chosen.isEmpty());
        QCOMPARE(confirms, asking ? 1 : 0);
    }

    void fileDialogsLeaveTheOpenDatabaseLocked_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("open") << 0;
        QTest::newRow("save") << 1;
        QTest::newRow("folder") << 2;
    }
    void fileDialogsLeaveTheOpenDatabaseLocked()
    {
        QFETCH(int, kind);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Open.txdb"));
        QFile empty(path);
        QVERIFY(empty.open(QIODevice::WriteOnly));
        empty.close();
        DbConnection db;
        QVERIFY(db.openSqlite(path));
        QVERIFY(db.exec(QStringLiteral("Create Table t (x)"), {}, false));
        QVERIFY(db.exec(QStringLiteral("Insert Into t Values (1)"), {}, false));
        QVERIFY(QFileInfo::exists(path + QStringLiteral("-wal")));
        QVERIFY2(outsideExclusive(path).contains(QStringLiteral("locked")), qPrintable(outsideExclusive(path)));

        // The dialog lists the folder (and the files' kinds) before it is closed.
        int listed = -1;
        whenShown<QFileDialog>(
            [&](QFileDialog *dialog) {
                auto *model = dialog->findChild<QFileSystemModel *>();
                listed = model ? model->rowCount(model->index(dir.path())) : -1;
            },
            1500);
        WidgetPrompt prompt;
        const QString filter = QStringLiteral("文書ﾃﾞｰﾀｰﾍﾞｰｽ (*.txdb);;全てのﾌｧｲﾙ (*)");
        const QString chosen = kind == 0   ? prompt.openFile(QStringLiteral("開く"), dir.path(), filter)
                               : kind == 1 ? prompt.saveFile(QStringLiteral("保存"), dir.path(), filter)
                                           : prompt.chooseFolder(QStringLiteral("ﾌｫﾙﾀﾞ"), dir.path());
        QVERIFY(chosen.isEmpty());
        QVERIFY(listed >= (kind == 2 ? 0 : 1));

        // Another program still cannot take the file from under the open connection.
        QVERIFY2(outsideExclusive(path).contains(QStringLiteral("locked")), qPrintable(outsideExclusive(path)));
        QVERIFY(QFileInfo::exists(path + QStringLiteral("-wal")));
        QSqlQuery query(db.database());
        QVERIFY(query.exec(QStringLiteral("Select Count(*) From t")) && query.next());
        QCOMPARE(query.value(0).toInt(), 1);
    }
};

QTEST_MAIN(TestWidgetPrompt)
#include "tst_widgetprompt.moc"

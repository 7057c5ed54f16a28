// Every menu item, popup item, toolbar button and function key of the main window and its page
// editor, on the generated sample database: none that is enabled may end in work that is not built
// (an empty hook of the editor's services). Items come alive by themselves when their work is built
// and taken off the list of editor/PendingWork.cpp; this test then runs them too.
#include "core/TemplateDb.h"
#include "core/Usr.h"
#include "core/yIni.h"
#include "core/zSvr.h"
#include "editor/PendingWork.h"
#include "editor/sbTxm.h"
#include "editor/uTxm.h"
#include "mainwin/fmDoc.h"
#include "mainwin/uFky.h"
#include "platform/richtext/RichTextEdit.h"
#include "platform/richview/RichView.h"
#include "support/RecordingLauncher.h"
#include "support/SampleDb.h"
#include "support/ScriptedPrompt.h"
#include "support/TestHome.h"

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QTimer>
#include <QToolBar>
#include <QtTest>

#include <functional>

namespace {

// Items that end the session or leave the database are not walked: they reach no editor work.
bool leavesTheSession(const QString &array, int index)
{
    return (array == QLatin1String("mnDb") && (index <= 2 || index == 6)) || array == QLatin1String("mnExit")
           || array == QLatin1String("mnDbs") || array == QLatin1String("mnDbRet") || array == QLatin1String("mnApSys")
           || array == QLatin1String("mnTree") || array == QLatin1String("mnTrRet") || array == QLatin1String("mnCpT");
}

} // namespace

class TestMenuSweep : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_sample;
    QStringList m_dead;

    struct Place {
        const char *name;
        int page;
        std::function<void(RichTextEdit &)> caret;
    };

    static QList<Place> places()
    {
        return {
            {"body text", 1001, [](RichTextEdit &e) { e.select(e.text().indexOf(QChar(10)) + 2, 3); }},
            {"table cell", 1006, [](RichTextEdit &e) {
                 for (int p = 0; p < e.textLength(); ++p) {
                     e.setSelStart(p);
                     if (e.tableAtCaret() > 0)
                         return;
                 }
             }},
            {"tag field", 1006, [](RichTextEdit &e) {
                 e.setCurrentField(e.nextField(0));
                 e.setSelStart(e.fieldStart());
             }},
        };
    }

    // The page of `place` freshly loaded, the caret put, the clipboard holding text and a picture.
    void prepare(fmDoc &window, const Place &place)
    {
        uTxm &editor = window.editor();
        editor.setBDcEdt(false);
        QVERIFY(window.LoadPage(QString::number(place.page), QString(), 0, true));
        place.caret(editor.edit());
        editor.view()->showModelCaret();
        editor.view()->setFocus();
        auto *data = new QMimeData;
        data->setText(QStringLiteral("clip"));
        QImage image(4, 4, QImage::Format_RGB32);
        image.fill(Qt::red);
        data->setImageData(image);
        QApplication::clipboard()->setMimeData(data);
        window.refreshMenus();
        PendingWork::takeReached();
    }

    void check(const QString &what)
    {
        const QStringList reached = PendingWork::takeReached();
        if (!reached.isEmpty())
            m_dead.append(what + QStringLiteral(" -> ") + reached.join(QLatin1Char(',')));
    }

    void sweepMainMenus(fmDoc &window, const Place &place)
    {
        // Every item array of the window has its menu, named after the array.
        for (QMenu *holder : window.findChildren<QMenu *>()) {
            const QString array = holder->objectName();
            if (array.isEmpty() || window.menu(array) != holder)
                continue;
            for (int index = 0; index < 30; ++index) {
                QAction *a = window.item(array, index);
                if (!a || a->isSeparator() || a->menu() || leavesTheSession(array, index))
                    continue;
                prepare(window, place);
                if (!a->isEnabled() || !a->isVisible())
                    continue;
                a->trigger();
                check(QStringLiteral("%1: menu %2 %3 %4").arg(QString::fromLatin1(place.name), array).arg(index).arg(a->text()));
            }
        }
    }

    void sweepPopup(fmDoc &window, const Place &place)
    {
        uTxm &editor = window.editor();
        sbTxm &form = editor.companion();
        for (int m = 0; m < sbTxm::MenuCount; ++m) {
            const auto menu = sbTxm::Menu(m);
            if (menu == sbTxm::mnObjct || menu == sbTxm::mnTrx)
                continue;
            for (int index = 0; index < 40; ++index) {
                QAction *a = form.item(menu, index);
                if (!a || a->isSeparator() || a->menu())
                    continue;
                prepare(window, place);
                editor.SetRtfMn();
                if (!a->isEnabled() || !a->isVisible())
                    continue;
                form.iRJb = 0;
                a->trigger();
                editor.runPopupChoice(form.iRJb, form.vOpt);
                check(QStringLiteral("%1: popup %2 %3 %4").arg(QString::fromLatin1(place.name)).arg(m).arg(index).arg(a->text()));
            }
        }
    }

    void sweepKeysAndTools(fmDoc &window, const Place &place)
    {
        for (Qt::KeyboardModifiers mods : {Qt::KeyboardModifiers(Qt::NoModifier), Qt::KeyboardModifiers(Qt::ControlModifier)}) {
            for (int number = 1; number <= 12; ++number) {
                prepare(window, place);
                window.keys().keyPress(number, mods);
                check(QStringLiteral("%1: key %2%3").arg(QString::fromLatin1(place.name), mods ? QStringLiteral("C") : QStringLiteral("F")).arg(number));
            }
        }
        const QList<QAction *> tools = window.editor().toolBar()->actions();
        for (int i = 0; i < tools.size(); ++i) {
            prepare(window, place);
            QAction *a = tools.at(i);
            if (!a->isEnabled() || !a->isVisible())
                continue;
            a->trigger();
            check(QStringLiteral("%1: tool %2").arg(QString::fromLatin1(place.name), a->objectName()));
        }
    }

    void sweepObjectPopup(fmDoc &window)
    {
        const Place page{"picture", 1001, [](RichTextEdit &) {}};
        prepare(window, page);
        uTxm &editor = window.editor();
        const QList<int> objects = editor.edit().objectIds();
        QVERIFY(!objects.isEmpty());
        for (int index = 0; index < 22; ++index) {
            QAction *a = editor.companion().item(sbTxm::mnObjct, index);
            if (!a || a->isSeparator())
                continue;
            prepare(window, page);
            const int object = editor.edit().objectIds().value(0);
            QVERIFY(editor.objectMenuStates(object));
            if (!a->isEnabled() || !a->isVisible())
                continue;
            editor.objectMenuAct(object, index);
            check(QStringLiteral("object popup %1 %2").arg(index).arg(a->text()));
        }
    }

private slots:
    void initTestCase()
    {
        QVERIFY(SampleDb::setUp(m_dir.path(), m_sample));
    }

    void noEnabledItemEndsInMissingWork()
    {
        TestHome home;
        ScriptedPrompt prompt;
        prompt.defaultAnswer = Prompt::Cancel;
        RecordingLauncher launcher;
        const QString path = m_dir.filePath(QStringLiteral("Sweep.txdb"));
        QFile::remove(path);
        QVERIFY(QFile::copy(m_sample, path));
        QFile(path).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        yIni::release();
        fmDoc window;
        // A dialog of the program's own would wait for a user: it is cancelled at once.
        window.editor().view()->setDialogRunner([](QDialog &) { return false; });
        QTimer closer;
        connect(&closer, &QTimer::timeout, [] {
            if (QWidget *modal = QApplication::activeModalWidget())
                modal->close();
        });
        closer.start(50);
        window.SetDBNo(path, 0);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        m_dead.clear();
        for (const Place &place : places()) {
            sweepMainMenus(window, place);
            sweepPopup(window, place);
            sweepKeysAndTools(window, place);
        }
        sweepObjectPopup(window);
        QVERIFY2(m_dead.isEmpty(), qPrintable(m_dead.join(QLatin1Char('\n'))));
        zSvr::instance().D_Close();
    }
};

QTEST_MAIN(TestMenuSweep)
#include "tst_menusweep.moc"

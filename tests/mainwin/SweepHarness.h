#pragma once

// The menu sweep's harness: a main window on a copy of the generated sample database, put into the
// states a user meets; every prompt, file dialog and window of the program answered one way or the
// other; and a fingerprint of all that a command may change, taken around each command, so that a
// command that changed nothing shows.

#include "core/SiteTemplate.h"
#include "core/TemplateDb.h"
#include "core/Usr.h"
#include "core/yIni.h"
#include "core/zSvr.h"
#include "editor/EditorServices.h"
#include "editor/sbTxm.h"
#include "editor/uTxm.h"
#include "mainwin/fmDoc.h"
#include "mainwin/uFky.h"
#include "platform/db/DbTable.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/RichTextEdit.h"
#include "platform/richview/PageTextItem.h"
#include "platform/richview/RichView.h"
#include "support/RecordingLauncher.h"
#include "support/SampleDb.h"
#include "support/ScriptedPrompt.h"
#include "support/TestHome.h"
#include "tree/uTrX.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCryptographicHash>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDirIterator>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>

#include <functional>

// A check inside a helper that returns the state's facts.
#define SWEEP_VERIFY(cond) \
    do { \
        if (!QTest::qVerify(static_cast<bool>(cond), #cond, "", __FILE__, __LINE__)) \
            return f; \
    } while (false)

namespace Sweep {

// How every question is answered: Yes (OK, a text, a file, the dialog accepted) or No (Cancel or No,
// nothing typed, no file, the dialog cancelled).
enum class Reply { Yes, No };

inline QString hashOf(const QByteArray &bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex().left(12));
}

// The prompt service answering as told; every question is recorded by ScriptedPrompt.
class SweepPrompt : public ScriptedPrompt
{
public:
    Reply answer = Reply::No;
    QString outFolder;            // save dialogs are answered with a new file here
    QHash<QString, QString> open; // extension -> a file for open dialogs ("*" any)
    int serial = 0;

    int message(const QString &text, int style, const QString &title) override
    {
        ScriptedPrompt::message(text, style, title);
        const bool yes = answer == Reply::Yes;
        switch (style & 7) {
        case OkCancel: return yes ? Ok : Cancel;
        case AbortRetryIgnore: return yes ? Ignore : Abort;
        case YesNoCancel: return yes ? Yes : Cancel;
        case YesNo: return yes ? Yes : No;
        case RetryCancel: return Cancel; // a retry would ask again for ever
        default: return Ok;
        }
    }
    QString input(const QString &text, const QString &, const QString &defaultValue, bool *ok) override
    {
        inputPrompts << text;
        const bool yes = answer == Reply::Yes;
        if (ok)
            *ok = yes;
        if (!yes)
            return QString();
        if (text.contains(QStringLiteral("数")))
            return QStringLiteral("2");
        return defaultValue.isEmpty() ? QStringLiteral("ｽｲｰﾌﾟ頁") : defaultValue;
    }
    QString openFile(const QString &title, const QString &dir, const QString &filter) override
    {
        ScriptedPrompt::openFile(title, dir, filter);
        if (answer == Reply::No)
            return QString();
        for (const QString &extension : extensions(filter)) {
            if (open.contains(extension))
                return open.value(extension);
        }
        return open.value(QStringLiteral("*"));
    }
    QString saveFile(const QString &title, const QString &dir, const QString &filter) override
    {
        ScriptedPrompt::saveFile(title, dir, filter);
        if (answer == Reply::No)
            return QString();
        QString extension = extensions(filter).value(0);
        if (extension == QLatin1String("*"))
            extension = QStringLiteral("txt");
        return QStringLiteral("%1/out%2.%3").arg(outFolder).arg(++serial).arg(extension);
    }
    QString chooseFolder(const QString &title, const QString &dir) override
    {
        ScriptedPrompt::chooseFolder(title, dir);
        if (answer == Reply::No)
            return QString();
        const QString folder = QStringLiteral("%1/folder%2").arg(outFolder).arg(++serial);
        QDir().mkpath(folder);
        return folder;
    }
    int asked() const { return messages.size() + inputPrompts.size() + dialogTitles.size(); }

private:
    // The patterns of a filter's first entry: "Text (*.txt *.rtf);;..." gives txt, rtf.
    static QStringList extensions(const QString &filter)
    {
        QStringList list;
        const QString first = filter.section(QStringLiteral(";;"), 0, 0);
        const QString patterns = first.contains(QLatin1Char('(')) ? first.section(QLatin1Char('('), 1).section(QLatin1Char(')'), 0, 0) : first;
        for (QString pattern : patterns.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            pattern.remove(QStringLiteral("*."));
            list << pattern.toLower();
        }
        return list;
    }
};

// Answers the program's own modal windows (a QDialog's exec or a menu's exec) from their event loop:
// Yes presses the accepting button, No the cancelling one. A window that stays after a few presses
// (it refused what it was given) is cancelled.
class DialogAnswerer
{
public:
    Reply answer = Reply::No;
    QStringList seen; // class and title of each window answered, in order

    DialogAnswerer()
    {
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] { poke(); });
        m_timer.start(15);
    }
    void reset() { m_tries.clear(); }

    // Runs a dialog without exec (the editor view's dialog runner): true when it was accepted.
    bool run(QDialog &dialog)
    {
        seen << describe(&dialog);
        press(&dialog, answer == Reply::Yes, false);
        return dialog.result() == QDialog::Accepted;
    }

private:
    static QString describe(QWidget *w)
    {
        return QString::fromLatin1(w->metaObject()->className()) + QLatin1Char(':') + w->windowTitle();
    }
    static bool cancelText(const QString &text)
    {
        const QString t = QString(text).remove(QLatin1Char('&'));
        return t.contains(QStringLiteral("Cancel"), Qt::CaseInsensitive) || t.contains(QStringLiteral("ｷｬﾝｾﾙ"))
               || t.contains(QStringLiteral("キャンセル")) || t.contains(QStringLiteral("閉じる"));
    }
    static bool okText(const QString &text)
    {
        const QString t = QString(text).remove(QLatin1Char('&'));
        return t.startsWith(QStringLiteral("OK"), Qt::CaseInsensitive) || t == QStringLiteral("ＯＫ");
    }
    // The button that answers `w` (nullptr when none does).
    static QAbstractButton *button(QWidget *w, bool yes)
    {
        for (QDialogButtonBox *box : w->findChildren<QDialogButtonBox *>()) {
            for (QAbstractButton *b : box->buttons()) {
                const auto role = box->buttonRole(b);
                if (b->isEnabled() && (yes ? role == QDialogButtonBox::AcceptRole || role == QDialogButtonBox::YesRole
                                           : role == QDialogButtonBox::RejectRole || role == QDialogButtonBox::NoRole))
                    return b;
            }
        }
        const QList<QPushButton *> buttons = w->findChildren<QPushButton *>();
        if (yes) {
            for (QPushButton *b : buttons) {
                if (b->isEnabled() && b->isVisibleTo(w) && okText(b->text()))
                    return b;
            }
            for (QPushButton *b : buttons) {
                if (b->isEnabled() && b->isVisibleTo(w) && b->isDefault() && !cancelText(b->text()))
                    return b;
            }
            // The first of a two-button array is its OK.
            QList<QPushButton *> shown;
            for (QPushButton *b : buttons) {
                if (b->isVisibleTo(w))
                    shown << b;
            }
            if (shown.size() >= 2 && shown.first()->isEnabled() && cancelText(shown.last()->text()))
                return shown.first();
            return nullptr;
        }
        for (QPushButton *b : buttons) {
            if (b->isEnabled() && b->isVisibleTo(w) && cancelText(b->text()))
                return b;
        }
        return nullptr;
    }
    // A window that answers through an action of its menu bar ("選択" of the page picker).
    static QAction *choice(QWidget *w)
    {
        for (QAction *a : w->findChildren<QAction *>()) {
            if (a->isEnabled() && QString(a->text()).remove(QLatin1Char('&')) == QStringLiteral("選択"))
                return a;
        }
        return nullptr;
    }
    static void press(QWidget *w, bool yes, bool later)
    {
        QAbstractButton *b = button(w, yes);
        auto *dialog = qobject_cast<QDialog *>(w);
        QAction *chosen = yes && !b ? choice(w) : nullptr;
        std::function<void()> act;
        if (chosen) {
            // The page picker takes the page it shows: one other than the sample's first two.
            act = [w = QPointer<QWidget>(w), chosen = QPointer<QAction>(chosen)] {
                if (!w || !chosen)
                    return;
                if (uTrX *tree = w->findChild<uTrX *>())
                    tree->SetLeaf(QStringLiteral("1004"));
                chosen->trigger();
            };
        } else if (b)
            act = [b = QPointer<QAbstractButton>(b)] { if (b) b->click(); };
        else if (dialog && yes)
            act = [d = QPointer<QDialog>(dialog)] { if (d) d->accept(); };
        else if (dialog)
            act = [d = QPointer<QDialog>(dialog)] { if (d) d->reject(); };
        else
            act = [w = QPointer<QWidget>(w)] { if (w) w->close(); };
        if (later)
            QTimer::singleShot(0, w, act);
        else
            act();
    }
    void poke()
    {
        if (QWidget *popup = QApplication::activePopupWidget()) {
            popup->close();
            return;
        }
        QWidget *w = QApplication::activeModalWidget();
        if (!w)
            return;
        int &tries = m_tries[w];
        if (tries == 0)
            seen << describe(w);
        ++tries;
        // The press runs in the window's own event loop, never inside this timer: a window it opens
        // in turn is answered by the next poke.
        if (tries > 12)
            QTimer::singleShot(0, w, [w = QPointer<QWidget>(w)] { if (w) w->close(); });
        else if (tries % 4 == 1)
            press(w, answer == Reply::Yes && tries < 9, true);
    }

    QTimer m_timer;
    QHash<QWidget *, int> m_tries;
};

// Everything a command may change, by aspect.
using Print = QMap<QString, QString>;

inline QStringList changed(const Print &before, const Print &after)
{
    QStringList list;
    for (auto it = after.cbegin(); it != after.cend(); ++it) {
        if (before.value(it.key()) != it.value())
            list << it.key();
    }
    return list;
}

// The facts of a state that the menus' enabling rules read.
struct Facts {
    bool open = false;       // a database is open
    bool pages = false;      // it holds pages (the tree menu is in normal mode)
    bool jet = false;        // an embedded file
    bool content = false;    // the page holds text or objects
    bool modified = false;
    bool selection = false;  // something is selected (copy possible)
    bool undo = false;
    bool redo = false;
    bool clipText = false;
    bool clipPicture = false;
    bool inTable = false;
    bool inHeader = false;
    bool inFrame = false;
    QString field;           // kind of the field at the caret
    bool newNode = false;    // the tree holds an unsaved new page
    bool canPrev = false;
    bool canNext = false;
    bool listMode = false;
};

enum class State { Body, TableCell, TagField, Modified, Header, NewNode, EmptyDb, NoDb };
enum class Clip { None, Text, Picture, Both };

inline const char *stateName(State s)
{
    switch (s) {
    case State::Body: return "body text";
    case State::TableCell: return "table cell";
    case State::TagField: return "tag field";
    case State::Modified: return "modified page";
    case State::Header: return "page header";
    case State::NewNode: return "new page";
    case State::EmptyDb: return "empty database";
    case State::NoDb: return "no database";
    }
    return "?";
}

inline const char *clipName(Clip c)
{
    switch (c) {
    case Clip::None: return "nothing";
    case Clip::Text: return "text";
    case Clip::Picture: return "a picture";
    case Clip::Both: return "text and a picture";
    }
    return "?";
}

class Session
{
public:
    TestHome home;
    QTemporaryDir dir;   // user-data folder and the databases
    QTemporaryDir out;   // where the save dialogs are answered
    SweepPrompt prompt;
    RecordingLauncher launcher;
    DialogAnswerer answerer;
    QString sample;      // the generated sample, never opened
    QString path;        // the copy the window works on
    QString emptyPath;   // a copy of the template
    std::unique_ptr<fmDoc> window;
    int restores = 0;

    bool start()
    {
        if (!SampleDb::setUp(dir.path(), sample) || !SiteTemplate::install(Usr::st().userData))
            return false;
        // The work folder as the start-up makes it: work files never land beside the test.
        Usr::st().workFolder = Usr::st().userData + QStringLiteral("Wrk/");
        Usr::st().baseName = QStringLiteral("fenwar");
        QDir().mkpath(Usr::st().workFolder);
        Usr::st().busy = false;
        yIni::release();
        path = dir.filePath(QStringLiteral("Sweep.txdb"));
        emptyPath = dir.filePath(QStringLiteral("Empty.txdb"));
        prompt.outFolder = out.path();
        prepareOpenFiles();
        if (!copy(sample, path))
            return false;
        window = std::make_unique<fmDoc>();
        window->editor().view()->setDialogRunner([this](QDialog &d) { return answerer.run(d); });
        window->SetDBNo(path, 0);
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get()))
            return false;
        window->activateWindow();
        QApplication::setActiveWindow(window.get());
        for (int bar = 1; bar <= 4; ++bar)
            m_bars[bar] = editor().barShown(bar);
        m_bars[5] = editor().rulersShown();
        return window->sDbPath == path;
    }
    ~Session()
    {
        if (window)
            window->editor().view()->setDialogRunner({});
        window.reset();
        zSvr::instance().D_Close();
    }

    void answer(Reply a)
    {
        prompt.answer = a;
        answerer.answer = a;
        answerer.reset();
    }

    uTxm &editor() const { return window->editor(); }
    uTrX &tree() const { return window->tree(); }

    // ---- states

    // The window on a fresh copy of the sample, when anything of the database, the tree's nodes or
    // the window's windows may differ from it.
    void restore()
    {
        ++restores;
        answer(Reply::No);
        closeWindows();
        editor().setBDcEdt(false);
        if (!window->sDbPath.isEmpty())
            window->CloseDb();
        copy(sample, path);
        window->OpenDb(path);
        QVERIFY2(window->sDbPath == path, "the sample copy did not open again");
    }

    void ensureSample()
    {
        if (window->sDbPath != path || !zSvr::instance().isOpen() || tree().hasNewNode()
            || !tree().clipPages().isEmpty() || m_dirty)
            restore();
        m_dirty = false;
    }
    // The next state starts from a fresh copy.
    void dirty() { m_dirty = true; }
    // The next state without a sample page starts from an editor the sweep has not touched.
    void editorDirty() { m_editorDirty = true; }

    void setClipboard(Clip clip)
    {
        auto *data = new QMimeData;
        if (clip == Clip::Text || clip == Clip::Both)
            data->setText(QStringLiteral("clip"));
        if (clip == Clip::Picture || clip == Clip::Both) {
            QImage image(4, 4, QImage::Format_RGB32);
            image.fill(Qt::red);
            data->setImageData(image);
        }
        QApplication::clipboard()->setMimeData(data);
    }

    // Selects page `page` in the tree and loads it afresh, unmodified.
    void showPage(int page)
    {
        editor().setBDcEdt(false);
        const QString key = tree().SlctdKy();
        if (!key.endsWith(QStringLiteral("-%1").arg(page)))
            tree().SetLeaf(QString::number(page));
        editor().setBDcEdt(false);
        QVERIFY(window->LoadPage(QString::number(page), QString(), 0, true));
        QCOMPARE(window->nDocNo, page);
    }

    void caret(int position, int length = 0)
    {
        RichTextEdit &e = editor().edit();
        e.select(position, length);
        const QTextCursor target = e.cursor();
        // The window is the active one, the editor has the focus: as after a click into the page.
        activate();
        editor().view()->setFocus();
        // The view puts its caret and reports it, as after a click at the start and a drag over the
        // selection: the program hears of it as it does from a user.
        PageTextItem *item = editor().view()->activeItem();
        item->setFocus();
        item->setTextCursor(QTextCursor(item->document()));
        editor().view()->takeViewCaret();
        item->setTextCursor(target);
        editor().view()->takeViewCaret();
    }

    // A key typed into the page, as the keyboard sends it.
    void typeKey(QChar c)
    {
        QKeyEvent press(QEvent::KeyPress, c.toUpper().unicode(), Qt::NoModifier, QString(c));
        QKeyEvent release(QEvent::KeyRelease, c.toUpper().unicode(), Qt::NoModifier, QString(c));
        QApplication::sendEvent(editor().view()->viewport(), &press);
        QApplication::sendEvent(editor().view()->viewport(), &release);
    }

    // Puts the window into `state` with `clip` on the clipboard; returns the facts of that state.
    Facts enter(State state, Clip clip)
    {
        answer(Reply::No);
        closeWindows();
        // The bars as at the start: a user hides them only to show them again.
        for (int bar = 1; bar <= 5; ++bar) {
            const bool shown = bar == 5 ? editor().rulersShown() : editor().barShown(bar);
            if (shown != m_bars[bar])
                editor().T_ShowBar(m_bars[bar] ? bar : -bar);
        }
        if (!window->bShwFky)
            window->ShowFky(true);
        editor().view()->setDrawMode(false);
        Facts f;
        if (state == State::NoDb || state == State::EmptyDb) {
            // The editor as the close or the open leaves it, after a page that the sweep has not touched.
            const QString target = state == State::NoDb ? QString() : emptyPath;
            if (m_editorDirty || window->sDbPath != target) {
                if (m_editorDirty) {
                    ensureSample();
                    showPage(1001);
                }
                editor().setBDcEdt(false);
                if (!window->sDbPath.isEmpty())
                    window->CloseDb();
                if (!target.isEmpty()) {
                    copy(Usr::st().userData + QStringLiteral("Dbs/Moto.txdb"), emptyPath);
                    window->OpenDb(emptyPath);
                }
            }
            m_editorDirty = false;
            f.open = f.jet = state == State::EmptyDb;
        } else {
            ensureSample();
            f.open = f.pages = f.jet = true;
            RichTextEdit &e = editor().edit();
            switch (state) {
            case State::Body:
                showPage(1001);
                caret(e.text().indexOf(QChar(10)) + 2, 3);
                f.selection = true;
                f.canNext = true; // the first of five top-level pages
                break;
            case State::TableCell: {
                showPage(1006);
                int table = 0;
                for (int p = 0; p < e.textLength() && !table; ++p) {
                    e.setSelStart(p);
                    table = e.tableAtCaret();
                }
                SWEEP_VERIFY(table > 0);
                caret(e.cellStart(table, 2, 1) - 1);
                SWEEP_VERIFY(e.tableAtCaret() > 0);
                f.inTable = true;
                f.canNext = true; // the first of six children
                break;
            }
            case State::TagField:
                showPage(1006);
                e.setCurrentField(e.nextField(0));
                caret(e.fieldStart());
                f.field = QStringLiteral("TG");
                f.canNext = true;
                break;
            case State::Modified:
                showPage(1001);
                caret(e.text().indexOf(QChar(10)) + 1);
                typeKey(QLatin1Char('x'));
                SWEEP_VERIFY(editor().bDcEdt());
                f.modified = true;
                f.undo = true;
                f.canNext = true;
                break;
            case State::Header:
                // The command leaves the caret in the new header, in page view.
                showPage(1001);
                editor().rtAct(56, 1);
                SWEEP_VERIFY(e.currentPart() != 0);
                f.inHeader = true;
                f.modified = true;
                break;
            case State::NewNode:
                // After a style given and saved (F2, F8): the page's undo steps belong to it, not the new one.
                showPage(1001);
                caret(e.text().indexOf(QChar(10)) + 2, 3);
                editor().rtAct(60, 0);
                editor().setBDcEdt(false);
                window->NewPage(1);
                SWEEP_VERIFY(tree().hasNewNode());
                f.newNode = true;
                break;
            default:
                break;
            }
            f.content = state != State::NewNode;
        }
        setClipboard(clip);
        // The window is the active one, as when the user works in it.
        activate();
        f.clipText = clip == Clip::Text || clip == Clip::Both;
        f.clipPicture = clip == Clip::Picture || clip == Clip::Both;
        // The menus and keys follow the caret through a queued refresh.
        QCoreApplication::processEvents();
        return f;
    }

    // ---- windows

    // Makes the main window the active one (its activation refreshes the editor's bands, as when the
    // user comes back to it); nothing when it is.
    void activate()
    {
        if (window->isActiveWindow())
            return;
        window->activateWindow();
        QApplication::setActiveWindow(window.get());
    }

    // Closes every window but the main one (the second edit window through its owner).
    void closeWindows()
    {
        window->closeSecondWindow();
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (w != window.get() && w->isVisible())
                w->close();
        }
        QCoreApplication::processEvents();
    }

    static QStringList visibleWindows()
    {
        QStringList list;
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (!w->isVisible() || qobject_cast<QMenu *>(w) || w->windowType() == Qt::ToolTip
                || w->windowType() == Qt::Popup)
                continue;
            list << QString::fromLatin1(w->metaObject()->className()) + QLatin1Char('/') + w->objectName();
        }
        list.sort();
        return list;
    }

    // ---- fingerprint

    Print print() const
    {
        Print p;
        p[QStringLiteral("asked")] = QString::number(prompt.asked());
        p[QStringLiteral("launched")] = QString::number(launcher.calls.size());
        p[QStringLiteral("dialogs")] = QString::number(answerer.seen.size());
        p[QStringLiteral("windows")] = visibleWindows().join(QLatin1Char(','));
        p[QStringLiteral("busy")] = QString::number(Usr::st().busy);
        const fmDoc &w = *window;
        p[QStringLiteral("window")] = QStringList{w.sDbPath, QString::number(w.nDocNo), QString::number(w.bShwFky),
                                                  QString::number(w.nIeWd), QString::number(w.nIeHi),
                                                  QString::number(w.bDcS), QString::number(w.bDbS),
                                                  QString::number(w.iAsv), w.windowTitle(), w.isVisible() ? "shown" : "hidden"}
                                          .join(QLatin1Char('|'));
        p[QStringLiteral("status")] = w.keys().panelText() + QString::number(w.keys().panelLevel());
        p[QStringLiteral("recent")] = w.recentFiles().join(QLatin1Char('|'));
        QString checks;
        for (int i = 0; i < 4; ++i)
            checks += QString::number(w.item(QStringLiteral("mnIeSize"), i)->isChecked());
        p[QStringLiteral("checks")] = checks;
        editorPrint(p);
        treePrint(p);
        const QMimeData *clip = QApplication::clipboard()->mimeData();
        p[QStringLiteral("clipboard")] = clip ? clip->formats().join(QLatin1Char(',')) + clip->text()
                                                    + QString::number(qvariant_cast<QImage>(clip->imageData()).width())
                                              : QString();
        p[QStringLiteral("database")] = databasePrint();
        p[QStringLiteral("settings")] = hashOf(yIni::instance().documentText().toUtf8());
        p[QStringLiteral("files")] = filesPrint();
        QWidget *focus = QApplication::focusWidget();
        p[QStringLiteral("focus")] = focus ? QString::fromLatin1(focus->metaObject()->className()) + focus->objectName() : QString();
        return p;
    }

    void editorPrint(Print &p) const
    {
        uTxm &e = editor();
        RichTextEdit &t = e.edit();
        p[QStringLiteral("modified")] = QString::number(e.bDcEdt());
        p[QStringLiteral("title")] = e.titleBox()->text();
        p[QStringLiteral("undo")] = QStringLiteral("%1/%2/%3").arg(t.undoSteps()).arg(t.redoSteps()).arg(e.hasUndoSnapshot());
        p[QStringLiteral("document")] = hashOf(e.services().saveBytes(t, 9)) + hashOf(t.text().toUtf8());
        p[QStringLiteral("selection")] = QStringLiteral("%1+%2/%3").arg(t.selStart()).arg(t.selLength()).arg(t.currentPart());
        // The format at the caret: what the next typed text gets.
        p[QStringLiteral("caret format")] = QStringLiteral("%1 %2 %3%4%5 %6/%7").arg(t.fontName()).arg(t.fontSize())
                                                 .arg(int(t.bold())).arg(int(t.italic())).arg(int(t.underline()))
                                                 .arg(t.foreColor()).arg(t.backColor());
        bool hp = false, hf = false, fp = false, ff = false;
        e.HeadFtMn(hp, hf, fp, ff);
        QString bars;
        for (int b = 1; b <= 4; ++b)
            bars += QString::number(e.barShown(b));
        p[QStringLiteral("editor")] = QStringList{QString::number(e.viewMode()), QString::number(e.zoom()),
                                                  QString::number(e.view()->gridLines()), bars,
                                                  QString::number(e.rulersShown()), QString::number(e.wordCopy()),
                                                  QString::number(e.pictureLayout()), QString::number(e.pictureColour()),
                                                  e.updatePolicy(), e.imeSetting(), QString::number(e.bStrNo),
                                                  QString::number(hp) + QString::number(hf) + QString::number(fp) + QString::number(ff),
                                                  e.currentFile(), e.copiedFormat(),
                                                  QString::number(e.titleBox()->isReadOnly()),
                                                  QString::number(e.view()->drawMode())}
                                          .join(QLatin1Char('|'));
    }

    void treePrint(Print &p) const
    {
        // The tree and the child list of a list-mode page, then the find and recent lists.
        QString nodes;
        for (const QTreeWidget *view : tree().findChildren<QTreeWidget *>()) {
            std::function<void(QTreeWidgetItem *)> walk = [&](QTreeWidgetItem *node) {
                nodes += node->data(0, uTrX::KeyRole).toString() + QLatin1Char('=') + node->text(0)
                         + (node->isExpanded() ? QStringLiteral("+") : QString()) + QLatin1Char(';');
                for (int c = 0; c < node->childCount(); ++c)
                    walk(node->child(c));
            };
            nodes += view->objectName() + QLatin1Char(':');
            for (int i = 0; i < view->topLevelItemCount(); ++i)
                walk(view->topLevelItem(i));
        }
        for (const QListWidget *list : tree().findChildren<QListWidget *>()) {
            nodes += list->objectName() + QLatin1Char(':');
            for (int i = 0; i < list->count(); ++i)
                nodes += list->item(i)->text() + QLatin1Char(';');
        }
        p[QStringLiteral("tree")] = hashOf(nodes.toUtf8());
        p[QStringLiteral("tree.current")] = tree().SlctdKy() + QLatin1Char('/') + QString::number(tree().iTabNo());
        QString clip;
        for (qint32 page : tree().clipPages())
            clip += QString::number(page) + QLatin1Char(',');
        p[QStringLiteral("tree.clip")] = clip;
        // A title being edited in place.
        const auto *view = tree().findChild<QTreeWidget *>(QStringLiteral("trView"));
        int editing = 0;
        for (const QLineEdit *edit : tree().findChildren<QLineEdit *>())
            editing += edit->isVisible() && view && view->isAncestorOf(edit);
        p[QStringLiteral("tree.editing")] = QString::number(editing);
    }

    static QString databasePrint()
    {
        zSvr &db = zSvr::instance();
        if (!db.isOpen())
            return QStringLiteral("closed");
        QString text;
        const char *const queries[] = {
            "Select Count(*), Max(dyUdt), Sum(noDoc), Sum(Length(szDoc)), Sum(Length(saTgs)), Sum(Length(obDoc)) From msDoc",
            "Select Count(*), Max(dyUdt), Sum(noLfP * 7 + noLfC * 3 + inSrt), Sum(boLnk + boHide * 2 + boHogo * 4), Sum(Length(szDoc)) From tbTree",
            "Select DmFmt, HsPub From kaUsr",
            "Select Count(*), Sum(Length(skDic) + Length(szDic)) From msDic",
            "Select Count(*), Sum(noDoc), Sum(Length(szTtl)) From tbHtm"};
        for (const char *query : queries) {
            DbTable rows;
            db.R_Ary(QString::fromLatin1(query), rows);
            for (int r = 0; r < rows.rowCount(); ++r) {
                for (const QVariant &cell : rows.row(r))
                    text += cell.toString() + QLatin1Char('|');
            }
            text += QLatin1Char('/');
        }
        return hashOf(text.toUtf8());
    }

    QString filesPrint() const
    {
        QString text;
        for (const QString &folder : {dir.path(), home.path(), out.path()}) {
            QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
            QStringList lines;
            while (it.hasNext()) {
                it.next();
                const QFileInfo info = it.fileInfo();
                lines << QStringLiteral("%1 %2 %3").arg(info.filePath()).arg(info.size())
                             .arg(info.lastModified().toMSecsSinceEpoch());
            }
            lines.sort();
            text += lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
        }
        return text;
    }

    static bool copy(const QString &from, const QString &to)
    {
        QFile::remove(to);
        const bool ok = QFile::copy(from, to);
        QFile(to).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        return ok;
    }

private:
    // Files the open dialogs are answered with, by extension.
    void prepareOpenFiles()
    {
        const QString text = out.filePath(QStringLiteral("in.txt"));
        TestHome::write(text, "sweep text\n");
        QImage image(40, 30, QImage::Format_RGB32);
        image.fill(Qt::blue);
        const QString png = out.filePath(QStringLiteral("in.png"));
        image.save(png);
        const QString other = out.filePath(QStringLiteral("Other.txdb"));
        copy(sample, other);
        const QString html = out.filePath(QStringLiteral("in.htm"));
        TestHome::write(html, "<html><body><p>sweep</p></body></html>");
        prompt.open = {{QStringLiteral("txt"), text},  {QStringLiteral("png"), png},   {QStringLiteral("jpg"), png},
                       {QStringLiteral("bmp"), png},   {QStringLiteral("gif"), png},   {QStringLiteral("svg"), png},
                       {QStringLiteral("txdb"), other}, {QStringLiteral("htm"), html}, {QStringLiteral("html"), html},
                       {QStringLiteral("*"), text}};
    }

    bool m_dirty = false;
    bool m_editorDirty = false;
    bool m_bars[6] = {};
};

// What each kind of item is called in the fault list.
inline QString menuName(sbTxm::Menu menu)
{
    static const char *const names[] = {"mnEdit", "mnPast", "mnDisp", "mnLocal", "mnInsDc", "mnChart", "mnHeader",
                                        "mnFooter", "mnSelc", "mnTbl", "mnTins", "mnTsp", "mnTdel", "mnTslc",
                                        "mnProp", "mnUser", "mnObjct", "mnTrx"};
    return QString::fromLatin1(names[menu]);
}

} // namespace Sweep

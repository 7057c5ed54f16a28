#pragma once

// Choosing items as a user does (the menus above an item are opened first, so that their drop-down
// handlers run), checking their enabled state against the table, and judging what a chosen item
// changed.

#include "SweepTable.h"

#include "editor/PendingWork.h"

namespace Sweep {

class Runner
{
public:
    explicit Runner(Session &session) : s(session)
    {
        // The refresh reloads the tree: someone else renamed a page meanwhile.
        setups.insert(QStringLiteral("最新の状態に更新"), [this] {
            zSvr::instance().D_ExeSq(QStringLiteral("Update tbTree Set szDoc='改題された頁' Where noLfC=1002"));
            s.dirty();
        });
        // The format held for pasting is the heading's, not that of the place the item runs at.
        const auto headingFormat = [this] {
            RichTextEdit &e = s.editor().edit();
            const int start = e.selStart();
            const int length = e.selLength();
            s.caret(0, 1);
            s.editor().rtAct(70);
            s.caret(start, length);
        };
        setups.insert(QStringLiteral("書式のｺﾋﾟｰ"), headingFormat);
        setups.insert(QStringLiteral("書式の貼り付け"), headingFormat);
        // Something to show.
        setups.insert(QStringLiteral("全て表示"), [this] { s.editor().T_ShowBar(-1); });
        quiet = quietItems();
    }

    Session &s;
    QStringList faults;
    // Items allowed to leave a state as they found it: "<id>" or "<id> @<state>" -> reason.
    QHash<QString, QString> quiet;
    // Set-ups that make an item's work visible, run before the item by its caption (for example a
    // refresh finds something to refresh).
    QHash<QString, std::function<void()>> setups;
    int runs = 0;

    // ---- the main window's menus

    QList<QAction *> holders(const QString &array) const
    {
        QList<QAction *> chain;
        QString a = array;
        for (bool found = true; found;) {
            found = false;
            for (const Parent &p : mainParents()) {
                if (a == QLatin1String(p.array)) {
                    chain.prepend(s.window->item(QString::fromLatin1(p.parentArray), p.parentIndex));
                    a = QString::fromLatin1(p.parentArray);
                    found = true;
                    break;
                }
            }
        }
        return chain;
    }

    // Opens the menus above the item; the item when a user can choose it, else nullptr.
    QAction *openMain(const QString &array, int index) const
    {
        for (QAction *holder : holders(array)) {
            if (!holder || !holder->isEnabled() || !holder->isVisible())
                return nullptr;
            if (QMenu *m = holder->menu())
                emit m->aboutToShow();
        }
        QAction *a = s.window->item(array, index);
        if (!a || a->isSeparator() || a->menu() || !a->isEnabled() || !a->isVisible())
            return nullptr;
        return a;
    }

    static QString mainId(const QString &array, int index, const QAction *a)
    {
        return QStringLiteral("menu %1 %2 %3").arg(array).arg(index).arg(a ? a->text() : QString());
    }

    // ---- the popup menu

    QAction *openPopup(sbTxm::Menu menu, int index) const
    {
        uTxm &e = s.editor();
        sbTxm &f = e.companion();
        e.RfrshBar();
        e.SetRtfMn();
        f.iRJb = 0;
        f.vOpt = QVariant();
        const auto parent = popupParents().value(menuName(menu), {QString(), -1});
        if (parent.second >= 0) {
            for (int m = 0; m < sbTxm::MenuCount; ++m) {
                if (menuName(sbTxm::Menu(m)) != parent.first)
                    continue;
                QAction *holder = f.item(sbTxm::Menu(m), parent.second);
                if (!holder || !holder->isEnabled() || !holder->isVisible())
                    return nullptr;
                emit holder->menu()->aboutToShow();
            }
        }
        QAction *a = f.item(menu, index);
        if (!a || a->isSeparator() || a->menu() || !a->isEnabled() || !a->isVisible())
            return nullptr;
        return a;
    }

    // The item can be chosen, a submenu opened, with the popup up in the present state.
    bool popupChoosable(sbTxm::Menu menu, int index) const
    {
        QAction *a = s.editor().companion().item(menu, index);
        if (!a || !a->menu())
            return openPopup(menu, index) != nullptr;
        openPopup(sbTxm::mnUser, 0);
        return a->isEnabled() && a->isVisible();
    }

    static QString popupId(sbTxm::Menu menu, int index, const QAction *a)
    {
        return QStringLiteral("popup %1 %2 %3").arg(menuName(menu)).arg(index).arg(a ? a->text() : QString());
    }

    // ---- running and judging

    bool isQuiet(const QString &id, State state) const
    {
        return quiet.contains(id) || quiet.contains(id + QStringLiteral(" @") + QString::fromLatin1(stateName(state)));
    }

    static void settle()
    {
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
    }

    // Runs the item that `choose` finds and chooses in `state` (an empty id: not enabled there),
    // answering No, and again answering Yes when it asked anything.
    void run(State state, const std::function<QString()> &choose, const QString &caption = QString(),
             Clip clip = Clip::Both)
    {
        for (Reply answer : {Reply::No, Reply::Yes}) {
            s.enter(state, clip);
            if (const auto setup = setups.value(caption))
                setup();
            s.answer(answer);
            PendingWork::takeReached();
            const Print before = s.print();
            const Counts from = counts();
            const QString id = choose();
            if (id.isEmpty())
                return;
            ++runs;
            settle();
            const Print after = s.print();
            const QStringList diff = changed(before, after);
            const QString where = QStringLiteral("%1 [%2, answered %3]")
                                      .arg(id, QString::fromLatin1(stateName(state)),
                                           answer == Reply::Yes ? QStringLiteral("yes") : QStringLiteral("no"));
            // SWEEP_VERBOSE=1 lists what each item changed, what it asked and started.
            if (qEnvironmentVariableIsSet("SWEEP_VERBOSE"))
                log(where, diff, before, after, from);
            for (const QString &aspect : {QStringLiteral("database"), QStringLiteral("tree"), QStringLiteral("tree.clip"),
                                          QStringLiteral("window"), QStringLiteral("recent")}) {
                if (diff.contains(aspect))
                    s.dirty();
            }
            for (const QString &aspect : {QStringLiteral("document"), QStringLiteral("editor"), QStringLiteral("title"),
                                          QStringLiteral("modified"), QStringLiteral("selection"), QStringLiteral("undo")}) {
                if (diff.contains(aspect))
                    s.editorDirty();
            }
            judge(id, state, where, diff, before, after);
            if (after.value(QStringLiteral("asked")) == before.value(QStringLiteral("asked"))
                && after.value(QStringLiteral("dialogs")) == before.value(QStringLiteral("dialogs")))
                return; // a Yes would run it the same way again
        }
    }

    // The faults of one run: it changed nothing, not what it is for, the page without its mark; a new
    // page that is not empty; work not built, the window left busy or a modal window left open.
    void judge(const QString &id, State state, const QString &where, const QStringList &diff, const Print &before,
               const Print &after)
    {
        if (diff.isEmpty() && !isQuiet(id, state))
            faults << where + QStringLiteral(": changed nothing");
        const QStringList needed = mustChange(id);
        bool any = needed.isEmpty() || diff.contains(QStringLiteral("asked")) || diff.contains(QStringLiteral("dialogs"));
        for (const QString &aspect : needed)
            any = any || diff.contains(aspect);
        if (!diff.isEmpty() && !any)
            faults << where + QStringLiteral(": changed no ") + needed.join(QStringLiteral(" or ")) + QStringLiteral(", only ")
                          + diff.join(QStringLiteral(", "));
        // A change of the page that leaves it unmarked is lost at the next page without a question.
        if (diff.contains(QStringLiteral("document")) && after.value(QStringLiteral("modified")) == QLatin1String("0")
            && !diff.contains(QStringLiteral("window")) && !diff.contains(QStringLiteral("database"))
            && !isQuiet(id + QStringLiteral(" unmarked"), state))
            faults << where + QStringLiteral(": changed the page and left it unmarked");
        // A new page starts empty (a copy of the page is asked for by name).
        const QString newNode = QStringLiteral("NewNode/");
        if (!before.value(QStringLiteral("tree.current")).startsWith(newNode)
            && after.value(QStringLiteral("tree.current")).startsWith(newNode) && !id.contains(QStringLiteral("複写"))
            && !s.editor().page().main()->isEmpty())
            faults << where + QStringLiteral(": the new page holds the text of the page before it");
        const QStringList reached = PendingWork::takeReached();
        if (!reached.isEmpty())
            faults << where + QStringLiteral(": ends in work not built: ") + reached.join(QLatin1Char(','));
        if (Usr::st().busy)
            faults << where + QStringLiteral(": left the window busy");
        if (QWidget *modal = QApplication::activeModalWidget()) {
            faults << where + QStringLiteral(": left a modal window open: ") + modal->windowTitle();
            modal->close();
        }
        Usr::st().busy = false;
    }

    struct Counts {
        int seen, messages, inputs, files, launched;
    };
    Counts counts() const
    {
        return {int(s.answerer.seen.size()), int(s.prompt.messages.size()), int(s.prompt.inputPrompts.size()),
                int(s.prompt.dialogTitles.size()), int(s.launcher.calls.size())};
    }

    void log(const QString &where, const QStringList &diff, const Print &before, const Print &after, const Counts &from) const
    {
        QStringList files;
        const QStringList old = before.value(QStringLiteral("files")).split(QLatin1Char('\n'));
        for (const QString &line : after.value(QStringLiteral("files")).split(QLatin1Char('\n'))) {
            if (!old.contains(line))
                files << line.section(QLatin1Char(' '), 0, 0).section(QLatin1Char('/'), 3);
        }
        const QStringList asked = s.prompt.messages.mid(from.messages) + s.prompt.inputPrompts.mid(from.inputs)
                                  + s.prompt.dialogTitles.mid(from.files);
        QStringList launched;
        for (const auto &call : s.launcher.calls.mid(from.launched))
            launched << call.program + QLatin1Char(' ') + call.arguments.join(QLatin1Char(' '));
        qInfo("%s: %s | windows %s | asked %s | launched %s | files %s", qPrintable(where),
              qPrintable(diff.join(QLatin1Char(','))), qPrintable(s.answerer.seen.mid(from.seen).join(QLatin1Char(';'))),
              qPrintable(asked.join(QLatin1Char(';')).replace(QLatin1Char('\n'), QLatin1Char(' '))),
              qPrintable(launched.join(QLatin1Char(';'))), qPrintable(files.mid(0, 8).join(QLatin1Char(' '))));
    }

    void runMain(State state, const QString &array, int index, Clip clip = Clip::Both)
    {
        const QAction *item = s.window->item(array, index);
        run(state, [&] {
            QAction *a = openMain(array, index);
            if (!a)
                return QString();
            a->trigger();
            return mainId(array, index, a);
        }, item ? item->text() : QString(), clip);
    }

    void runPopup(State state, sbTxm::Menu menu, int index, const std::function<void()> &before = {},
                  Clip clip = Clip::Both)
    {
        run(state, [&] {
            if (before)
                before();
            QAction *a = openPopup(menu, index);
            if (!a)
                return QString();
            const QString id = popupId(menu, index, a);
            a->trigger();
            sbTxm &f = s.editor().companion();
            s.editor().runPopupChoice(f.iRJb, f.vOpt);
            return id;
        }, s.editor().companion().item(menu, index) ? s.editor().companion().item(menu, index)->text() : QString(), clip);
    }

    void runTool(State state, const QString &key, Clip clip = Clip::Both)
    {
        run(state, [&] {
            for (QAction *a : s.editor().toolBar()->actions()) {
                if (a->objectName() == key && a->isEnabled() && a->isVisible()) {
                    a->trigger();
                    return QStringLiteral("tool ") + key;
                }
            }
            return QString();
        }, QString(), clip);
    }

    void runKey(State state, const QString &name)
    {
        run(state, [&] {
            QToolButton *key = s.window->keys().key(name);
            // An unbound key calls nothing: it is no item.
            if (!key || !key->isEnabled() || !s.window->keys().keyMap().contains(name + QLatin1Char('=')))
                return QString();
            key->click();
            return QStringLiteral("key ") + name + QLatin1Char(' ') + key->text();
        });
    }

    // Every item of the main window's `arrays`, every popup item, toolbar button and function key.
    void sweepMain(State state, const QStringList &arrays)
    {
        for (const QString &array : arrays) {
            for (int index = 0; index <= 30; ++index) {
                const QAction *a = s.window->item(array, index);
                if (a && !a->isSeparator() && !a->menu())
                    runMain(state, array, index);
            }
        }
    }

    // The page menus of the main window, the popup, the toolbar and the keys.
    void sweepEditor(State state)
    {
        sweepMain(state, {QStringLiteral("mnFile"), QStringLiteral("mnMail"), QStringLiteral("mnEdit"),
                          QStringLiteral("mnPast"), QStringLiteral("mnDisp"), QStringLiteral("mnLocal"),
                          QStringLiteral("mnInsDc"), QStringLiteral("mnChart"), QStringLiteral("mnHeader"),
                          QStringLiteral("mnFooter"), QStringLiteral("mnSelc"), QStringLiteral("mnTins"),
                          QStringLiteral("mnTsp"), QStringLiteral("mnTdel"), QStringLiteral("mnTslc"),
                          QStringLiteral("mnProp"), QStringLiteral("mnUser"), QStringLiteral("mnIeSize"),
                          QStringLiteral("mnApSys"), QStringLiteral("mnHelp")});
        sweepPopup(state);
        sweepToolsAndKeys(state);
    }

    void sweepPopup(State state)
    {
        for (int m = 0; m < sbTxm::MenuCount; ++m) {
            const auto menu = sbTxm::Menu(m);
            if (menu == sbTxm::mnObjct || menu == sbTxm::mnTrx)
                continue;
            for (int index = 0; index < 40; ++index) {
                const QAction *a = s.editor().companion().item(menu, index);
                if (!a || a->isSeparator() || a->menu())
                    continue;
                if (menu == sbTxm::mnEdit && index == 1) {
                    // The repeat item after a command, and after a submenu was opened (its caption
                    // then names no command).
                    sbTxm &f = s.editor().companion();
                    runPopup(state, menu, index, [&f] { f.DoMenuJob(QStringLiteral("ｽﾀｲﾙ"), 3); });
                    runPopup(state, menu, index, [&f] { emit f.item(sbTxm::mnLocal, 24)->menu()->aboutToShow(); });
                }
                runPopup(state, menu, index);
            }
        }
    }

    void sweepToolsAndKeys(State state)
    {
        for (const QAction *a : s.editor().toolBar()->actions())
            runTool(state, a->objectName());
        for (const QString set : {QStringLiteral("F"), QStringLiteral("C")}) {
            for (int number = 1; number <= 12; ++number)
                runKey(state, set + QString::number(number));
        }
    }

    void summary() const { qInfo("%d items run, %d fresh copies of the database", runs, s.restores); }

    // Lists the faults and fails the test function when there is one.
    static void report(const QStringList &faults)
    {
        for (const QString &fault : faults)
            qWarning("%s", qPrintable(fault));
        QVERIFY2(faults.isEmpty(), qPrintable(QStringLiteral("%1 faults, listed above").arg(faults.size())));
    }

    // What the item's command is for, where a change of the modified mark alone would hide a dead
    // command: nothing when it asked or showed a window instead.
    static QStringList mustChange(const QString &id)
    {
        const QString document = QStringLiteral("document");
        // A paste goes into the title box when that has the focus.
        if ((id.contains(QStringLiteral("貼り付け")) && !id.contains(QStringLiteral("書式"))) || id == QLatin1String("tool Paste"))
            return {document, QStringLiteral("title")};
        if (id == QLatin1String("tool Undo") || id.contains(QStringLiteral("元に戻す")))
            return {document};
        const bool node = id.startsWith(QStringLiteral("menu mnTree"));
        if ((id.contains(QStringLiteral("切り取り")) && !node) || id == QLatin1String("tool Cut"))
            return {QStringLiteral("clipboard")};
        if ((id.contains(QStringLiteral("ｺﾋﾟｰ(&C)")) && !node) || id == QLatin1String("tool Copy"))
            return {QStringLiteral("clipboard")};
        if (id.contains(QStringLiteral("全て選択")))
            return {QStringLiteral("selection")};
        return {};
    }

    // ---- enabling

    // Every item of the table that is disabled (or hidden) where its rule enables it.
    QStringList checkEnabling(State state, Clip clip)
    {
        QStringList wrong;
        const Facts f = s.enter(state, clip);
        const QString where = QStringLiteral(" [%1, clipboard %2]").arg(QString::fromLatin1(stateName(state)),
                                                                        QString::fromLatin1(clipName(clip)));
        // The function keys as they stand (they follow the menus without a menu opened).
        const QString map = s.window->keys().keyMap();
        for (const QString &entry : map.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            const QString name = entry.section(QLatin1Char('='), 0, 0);
            int group = 0, index = 0;
            uFky::iHex(entry.section(QLatin1Char('='), 1), group, index);
            const QAction *target = s.window->menuItem(group, index);
            QString array;
            int at = -1;
            locate(target, array, at);
            const std::optional<bool> expected = expectMain(array, at, f);
            const QToolButton *key = s.window->keys().key(name);
            if (expected.value_or(false) && key && !key->isEnabled())
                wrong << QStringLiteral("key %1 (%2 %3)").arg(name, array).arg(at) + where;
        }
        // The toolbar as it stands, before a menu or the popup is opened: the editor refreshes it
        // itself after keys, clicks and commands.
        for (const Row &row : toolRows()) {
            for (QAction *a : s.editor().toolBar()->actions()) {
                if (a->objectName() == QLatin1String(row.array) && row.on(f) && !(a->isEnabled() && a->isVisible()))
                    wrong << QStringLiteral("tool %1 (%2)").arg(a->objectName(), QString::fromLatin1(row.rule)) + where;
            }
        }
        for (const Row &row : mainRows()) {
            for (int index : row.indices) {
                const QString array = QString::fromLatin1(row.array);
                QAction *a = s.window->item(array, index);
                if (!a || !row.on || (array == QLatin1String("mnDbs") && !a->isVisible()))
                    continue;
                const std::optional<bool> expected = expectMain(array, index, f);
                if (!expected.value_or(false))
                    continue;
                bool shown = true;
                for (QAction *holder : holders(array)) {
                    shown = shown && holder && holder->isEnabled() && holder->isVisible();
                    if (shown && holder->menu())
                        emit holder->menu()->aboutToShow();
                }
                if (!(shown && a->isEnabled() && a->isVisible()))
                    wrong << mainId(array, index, a) + QStringLiteral(" (") + QString::fromLatin1(row.rule)
                                 + QLatin1Char(')') + where;
            }
        }
        for (const Row &row : popupRows()) {
            for (int index : row.indices) {
                sbTxm::Menu menu = sbTxm::MenuCount;
                for (int m = 0; m < sbTxm::MenuCount; ++m) {
                    if (menuName(sbTxm::Menu(m)) == QLatin1String(row.array))
                        menu = sbTxm::Menu(m);
                }
                QAction *a = s.editor().companion().item(menu, index);
                if (!a || !row.on || !row.on(f) || !popupHolderExpected(menu, f))
                    continue;
                if (!popupChoosable(menu, index))
                    wrong << popupId(menu, index, a) + QStringLiteral(" (") + QString::fromLatin1(row.rule) + QLatin1Char(')')
                                 + where;
            }
        }
        return wrong;
    }

    // The expected state of a main-window item with the menus above it; nullopt when not judged.
    std::optional<bool> expectMain(const QString &array, int index, const Facts &f) const
    {
        const Row *row = findRow(mainRows(), array, index);
        if (!row || !row->on)
            return std::nullopt;
        bool on = row->on(f);
        QString a = array;
        for (bool found = true; found && on;) {
            found = false;
            for (const Parent &p : mainParents()) {
                if (a == QLatin1String(p.array)) {
                    const Row *up = findRow(mainRows(), QString::fromLatin1(p.parentArray), p.parentIndex);
                    on = on && (!up || !up->on || up->on(f));
                    a = QString::fromLatin1(p.parentArray);
                    found = true;
                    break;
                }
            }
        }
        return on;
    }

    bool popupHolderExpected(sbTxm::Menu menu, const Facts &f) const
    {
        const auto parent = popupParents().value(menuName(menu), {QString(), -1});
        if (parent.second < 0)
            return true;
        const Row *up = findRow(popupRows(), parent.first, parent.second);
        return !up || !up->on || up->on(f);
    }

    void locate(const QAction *target, QString &array, int &index) const
    {
        for (const Row &row : mainRows()) {
            for (int i : row.indices) {
                if (s.window->item(QString::fromLatin1(row.array), i) == target) {
                    array = QString::fromLatin1(row.array);
                    index = i;
                    return;
                }
            }
        }
    }
};

} // namespace Sweep

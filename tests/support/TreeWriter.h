#pragma once

#include "core/TemplateDb.h"
#include "core/Usr.h"
#include "core/yIni.h"
#include "core/zSvr.h"
#include "editor/uTxm.h"
#include "mainwin/fmDoc.h"
#include "platform/db/DbConnection.h"
#include "output/sbExpDb.h"
#include "platform/richtext/RichTextEdit.h"
#include "platform/richview/RichView.h"
#include "support/StubEditorServices.h"
#include "support/TestHome.h"
#include "support/WriterPrompt.h"
#include "tree/TreeBulk.h"
#include "tree/TreeDb.h"
#include "tree/sbTrRet.h"
#include "tree/uTrX.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <cstdio>
#include <iostream>
#include <memory>
#include <string>

// One of the two writers of the two-writer test (support/TreeWriters.h): a program instance of its own
// (main window, tree, editor over the database) in a process of its own, driven by the commands it
// reads, one a line, tab-separated, each acting as a user does through the menus:
//   new NODE JOB WORD    a new page before (0), after (1) or under (2) the node, "新WORD" over "WORD",
//                        saved (F8)
//   save NODE WORD       the node's page typed over ("頁N" over "WORD") and saved
//   delete NODE          the node's placement deleted
//   cut NODE NODE        the first node cut, pasted after the second (文脈 > 切り取り, 貼り付け)
//   copy NODE NODE       the same with a copy: a link is pasted
//   bulkmove NODE NODE   the first node's children moved under the second's page (一括 > 移動)
//   bulkcopy NODE NODE   the same copied as new pages (一括 > 複写(新規))
//   bulkdelete NODE      the node's children deleted (一括 > 削除)
//   import NODE FILE     the database FILE imported at the node
//   export NODE RANGE FILE  the node's page and its children (RANGE 1) or all below it (2) exported
//                        to the new database FILE (一括 > 文書ﾃﾞｰﾀｰﾍﾞｰｽへｴｸｽﾎﾟｰﾄ); held (h), the
//                        export asks the driver ("ask") as it loads its first page, and goes on
//                        with the answer
//   clean                最適化 with the unused pages deleted
//   refresh              the tree shown anew
// NODE is "pN" (a node of page N), or a number that picks one of the nodes shown, in turn. Before
// the command comes the answer to its questions (y, n, h: see WriterPrompt); given "w", a bulk command
// stops with its window open and its pages listed, a cut once cut, says "ask" and reads from the
// driver the answer to go on with, so that the other writer can act before the button is pressed or
// the page pasted; it then tells "silent" when pages listed had gone, or the cut placement, and
// nothing was said. The writer answers with
// lines: "saved PAGE WORD" (a save it was told done), "deleted PAGE" (a placement it took away),
// "shown TEXT" (a message), "silent" (a tree write that did nothing and said nothing), "did TEXT",
// "exported FILE" (an export it was told done), and "end" last.
class TreeWriter
{
public:
    static int main(const QString &path)
    {
        TreeWriter writer;
        return writer.run(path);
    }

private:
    TestHome m_home;
    QTemporaryDir m_dir;
    WriterPrompt m_prompt;
    StubEditorServices m_services;
    std::unique_ptr<fmDoc> m_window;
    QString m_status;

    fmDoc &window() { return *m_window; }
    uTrX &tree() { return m_window->tree(); }
    QTreeWidget *view() { return tree().findChild<QTreeWidget *>(QStringLiteral("trView")); }

    static void say(const char *kind, const QString &text = QString())
    {
        if (text.isNull())
            std::printf("%s\n", kind);
        else
            std::printf("%s\t%s\n", kind, QString(text).replace(u'\n', u' ').replace(u'\r', u' ').toUtf8().constData());
    }

    int run(const QString &path)
    {
        Usr::st().userData = m_dir.path() + QLatin1Char('/');
        Usr::st().runTime = true;
        Usr::st().busy = false;
        yIni::release();
        TemplateDb::install(Usr::st().userData);
        m_window = std::make_unique<fmDoc>(nullptr, &m_services);
        m_window->editor().view()->setDialogRunner([](QDialog &) { return false; });
        QObject::connect(&tree(), &uTrX::eFmMsg, [this](const QString &text) { m_status = text; });
        m_window->SetDBNo(path, 0);
        m_window->resize(900, 700);
        m_window->show();
        expand();
        say("ready");
        std::fflush(stdout);
        std::string line;
        while (std::getline(std::cin, line)) {
            const QStringList args = QString::fromStdString(line).split(u'\t');
            if (args.value(0) == QLatin1String("quit"))
                break;
            m_prompt.shown.clear();
            m_prompt.answer = args.value(0).isEmpty() ? 'y' : args.value(0).at(0).toLatin1();
            m_status.clear();
            command(args.mid(1));
            QApplication::processEvents();
            for (const QString &text : std::as_const(m_prompt.shown))
                say("shown", WriterPrompt::oneLine(text));
            say("end");
            std::fflush(stdout);
        }
        m_window.reset();
        zSvr::instance().D_Close();
        return 0;
    }

    void command(const QStringList &args)
    {
        const QString name = args.value(0);
        if (name == QLatin1String("new"))
            newPage(args.value(1), args.value(2).toInt(), QStringLiteral("新%1\n%1").arg(args.value(3)));
        else if (name == QLatin1String("save"))
            save(args.value(1), args.value(2));
        else if (name == QLatin1String("delete"))
            remove(args.value(1));
        else if (name == QLatin1String("cut") || name == QLatin1String("copy"))
            paste(args.value(1), args.value(2), name == QLatin1String("cut"));
        else if (name == QLatin1String("bulkmove") || name == QLatin1String("bulkdelete"))
            bulk(args.value(1), args.value(2), name == QLatin1String("bulkmove") ? 2 : 0);
        else if (name == QLatin1String("bulkcopy"))
            bulk(args.value(1), args.value(2), 1);
        else if (name == QLatin1String("import"))
            import(args.value(1), args.value(2));
        else if (name == QLatin1String("export"))
            exportAt(args.value(1), args.value(2).toInt(), args.value(3));
        else if (name == QLatin1String("clean"))
            window().menuClicked(QStringLiteral("mnDbRet"), 0);
        else if (name == QLatin1String("refresh"))
            refresh();
    }

    // --- the tree as the user sees it ---
    static QString keyOf(const QTreeWidgetItem *item) { return item->data(0, uTrX::KeyRole).toString(); }
    static qint64 pageOf(const QTreeWidgetItem *item) { return keyOf(item).section(u'-', 1).toLongLong(); }

    // Opens the nodes a few levels down, as a user looking round the tree does.
    void expand()
    {
        QTreeWidget *v = view();
        QList<QTreeWidgetItem *> level;
        for (int i = 0; i < v->topLevelItemCount(); ++i)
            level << v->topLevelItem(i);
        for (int depth = 0; depth < 5 && !level.isEmpty(); ++depth) {
            QList<QTreeWidgetItem *> next;
            for (QTreeWidgetItem *item : std::as_const(level)) {
                if (keyOf(item).startsWith(u'N') && item->childCount() == 0)
                    tree().SetNodes(keyOf(item));
                item->setExpanded(true);
                for (int i = 0; i < item->childCount(); ++i)
                    next << item->child(i);
            }
            level = next;
        }
    }

    QList<QTreeWidgetItem *> nodes()
    {
        QList<QTreeWidgetItem *> out;
        for (QTreeWidgetItemIterator it(view()); *it; ++it) {
            const QString key = keyOf(*it);
            if ((key.startsWith(u'N') || key.startsWith(u'L')) && pageOf(*it) > 0)
                out << *it;
        }
        return out;
    }

    QTreeWidgetItem *find(const QString &node)
    {
        const QList<QTreeWidgetItem *> all = nodes();
        if (all.isEmpty())
            return nullptr;
        if (node.startsWith(u'p')) {
            const qint64 page = node.mid(1).toLongLong();
            for (QTreeWidgetItem *item : all)
                if (pageOf(item) == page)
                    return item;
            return nullptr;
        }
        return all.at(int(node.toUInt() % uint(all.size())));
    }

    // A click on the node, as the user chooses a page.
    bool click(QTreeWidgetItem *item)
    {
        if (!item)
            return false;
        QTreeWidget *v = view();
        v->scrollToItem(item);
        v->setCurrentItem(item);
        const QRect rect = v->visualItemRect(item);
        QTest::mouseClick(v->viewport(), Qt::LeftButton, {}, rect.center());
        QApplication::processEvents();
        return v->currentItem() == item;
    }

    bool choose(const QString &node)
    {
        QTreeWidgetItem *item = find(node);
        if (!item) {
            say("did", QStringLiteral("no node %1").arg(node));
            return false;
        }
        say("did", QStringLiteral("chose %1 under %2").arg(pageOf(item)).arg(item->parent() ? pageOf(item->parent()) : 0));
        return click(item);
    }

    // The page path of the node, as SetLeaf takes it: the page, its parent, ... 0.
    static QString chainOf(QTreeWidgetItem *item)
    {
        QStringList chain;
        for (QTreeWidgetItem *at = item; at; at = at->parent())
            chain << QString::number(pageOf(at));
        chain << QStringLiteral("0");
        return chain.join(u',');
    }

    // --- the commands ---
    void typeAndSave(const QString &text)
    {
        window().editor().edit().setText(text);
        window().editor().setBDcEdt(true);
        window().fnMenu(3, 18);
        QApplication::processEvents();
        if (!window().editor().bDcEdt() && window().nDocNo > 0 && !tree().hasNewNode()) {
            say("saved", QStringLiteral("%1\t%2").arg(window().nDocNo).arg(text.section(u'\n', 1)));
        } else {
            // A save that failed was told; the user gives the edits up.
            say("did", QStringLiteral("not saved"));
            window().editor().setBDcEdt(false);
        }
    }

    void newPage(const QString &node, int job, const QString &text)
    {
        if (!nodes().isEmpty() && !choose(node))
            return;
        window().menuClicked(QStringLiteral("mnTree"), qBound(0, job, 2));
        if (!tree().hasNewNode()) {
            say("did", QStringLiteral("no new node"));
            return;
        }
        typeAndSave(text);
    }

    void save(const QString &node, const QString &text)
    {
        if (!choose(node) || window().nDocNo <= 0)
            return;
        typeAndSave(QStringLiteral("頁%1\n%2").arg(window().nDocNo).arg(text));
    }

    void remove(const QString &node)
    {
        if (!choose(node))
            return;
        QString parent, page;
        bool link = false;
        tree().GetPrCdNo(parent, page, link);
        window().menuClicked(QStringLiteral("mnTree"), 17);
        if (!TreeDb::placementExists(parent.toLongLong(), page.toLongLong()))
            say("deleted", page);
    }

    void paste(const QString &from, const QString &to, bool cut)
    {
        if (!choose(from))
            return;
        const qint32 page = qint32(pageOf(view()->currentItem()));
        window().menuClicked(QStringLiteral("mnTree"), cut ? 7 : 8);
        const bool held = cut && holdOn();
        if (!choose(to))
            return;
        const int placements = placementsOf(page);
        const int at = tree().clipPages().indexOf(page);
        const QList<QAction *> entries = tree().mnClp()->actions();
        if (at < 0 || at >= entries.size())
            return;
        m_status.clear();
        m_prompt.shown.clear();
        entries.at(at)->trigger();
        QApplication::processEvents();
        if (m_status.isEmpty() && m_prompt.shown.isEmpty())
            say("silent", QStringLiteral("the paste of %1 said nothing (at %2, new node %3, clip %4)")
                              .arg(page)
                              .arg(view()->currentItem() ? keyOf(view()->currentItem()) : QStringLiteral("none"))
                              .arg(tree().hasNewNode())
                              .arg(at));
        else if (!m_status.isEmpty())
            say("did", m_status);
        // A cut moves the placement: told done, the page has no more placements than before.
        if (held && m_prompt.shown.isEmpty() && placementsOf(page) > placements)
            say("silent", QStringLiteral("the cut of %1, pasted, left it one placement more and said nothing of it").arg(page));
    }

    static int placementsOf(qint64 page)
    {
        return zSvr::instance().R_GtVaL(QStringLiteral("Select Count(*) From tbTree Where noLfC = ?"), {page}, 0).toInt();
    }

    // Given "w", the command stops here: it says "ask" and goes on with the driver's answer, after
    // the other writer has acted. True when it stopped.
    bool holdOn()
    {
        if (m_prompt.answer != 'w')
            return false;
        std::printf("ask\t%s\n", "held");
        std::fflush(stdout);
        std::string line;
        std::getline(std::cin, line);
        m_prompt.answer = line.empty() ? 'n' : line[0];
        return true;
    }

    // `button` 0 delete, 1 new copy, 2 move.
    void bulk(const QString &from, const QString &to, int button)
    {
        const bool copyOrMove = button != 0;
        if (!choose(from) || !window().leaveCurrentPage())
            return;
        QString chain;
        if (copyOrMove) {
            QTreeWidgetItem *target = find(to);
            if (!target)
                return;
            chain = chainOf(target);
        }
        const qint64 source = pageOf(view()->currentItem());
        {
            sbTrRet box(&window());
            if (box.Open(copyOrMove ? 0 : 2, tree())) {
                QList<qint64> pages = TreeBulk::parseList(box.checkedList());
                if (copyOrMove) {
                    // The box's tree shows the top as a node of its own, above the top level.
                    box.ownTree()->SetLeaf(chain + QStringLiteral(",0"));
                    QString parent, page;
                    bool link = false;
                    box.ownTree()->GetPrCdNo(parent, page, link);
                    say("did", QStringLiteral("%1 %2 from %3 under %4")
                                   .arg(button == 1 ? QStringLiteral("copies") : QStringLiteral("moves"), box.checkedList())
                                   .arg(source)
                                   .arg(page));
                    // A move leaves the destination where it is.
                    if (button == 2)
                        pages.removeAll(page.toLongLong());
                }
                // The other writer acts while the window stands open; then the button is pressed.
                const bool held = holdOn();
                int found = 0;
                if (held) {
                    for (qint64 page : std::as_const(pages))
                        found += TreeDb::placementExists(source, page) && TreeDb::pageExists(page) ? 1 : 0;
                }
                const qsizetype shown = m_prompt.shown.size();
                box.cmRet_Click(button);
                if (held && found < pages.size() && m_prompt.shown.size() == shown)
                    say("silent", QStringLiteral("the bulk window found %1 of its %2 pages under %3 and said nothing")
                                      .arg(found)
                                      .arg(pages.size())
                                      .arg(source));
                if (!copyOrMove) {
                    for (qint64 page : std::as_const(pages))
                        if (!TreeDb::placementExists(source, page))
                            say("deleted", QString::number(page));
                }
            }
        }
        Usr::D_FixLnk(false);
        tree().RefreshTree();
        expand();
    }

    void import(const QString &node, const QString &file)
    {
        if (!choose(node))
            return;
        say("target", QString::number(window().nDocNo));
        m_prompt.file = file;
        window().importCommand();
        // An import that wrote nothing says why, in the program's words: not the bare ending alone,
        // nor the driver's words for a lost conflict.
        for (const QString &text : std::as_const(m_prompt.shown)) {
            if (text == file + QStringLiteral(" からｲﾝﾎﾟｰﾄを実行しませんでした") || DbConnection::isConflict(QString(), text))
                say("silent", QStringLiteral("the import at %1 ended without its reason: %2").arg(node, text));
        }
        expand();
    }

    void exportAt(const QString &node, int range, const QString &file)
    {
        if (!choose(node))
            return;
        // Held: the questions are answered yes, and the export waits for the driver as it reads.
        if (m_prompt.answer == 'h') {
            m_prompt.answer = 'y';
            m_services.onNextLoad = [] {
                std::printf("ask\tthe export reads its pages\n");
                std::fflush(stdout);
                std::string line;
                std::getline(std::cin, line);
            };
        }
        m_prompt.saveTo = file;
        sbExpDb::setRunner([range](sbExpDb &form) {
            form.opOut[qBound(1, range, 2)]->setChecked(true);
            return true;
        });
        window().menuClicked(QStringLiteral("mnRet"), 5);
        sbExpDb::setRunner({});
        m_services.onNextLoad = nullptr;
        m_prompt.saveTo.clear();
        if (!m_prompt.shown.isEmpty() && m_prompt.shown.last().startsWith(file + QStringLiteral("へｴｸｽﾎﾟｰﾄしました")))
            say("exported", file);
    }

    void refresh()
    {
        window().menuClicked(QStringLiteral("mnDisp"), 2);
        expand();
    }
};

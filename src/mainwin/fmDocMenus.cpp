// The main window's menu bar: the item arrays with their captions, shortcuts and
// first states, the command dispatcher shared with the function keys, and the
// enabling by the state of the database.
#include "mainwin/fmDoc.h"

#include "editor/uTxm.h"
#include "mainwin/uFky.h"
#include "platform/richview/RichView.h"
#include "platform/desktop/MenuKeys.h"
#include "platform/desktop/Prompt.h"
#include "tree/uTrX.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>

namespace {

// Rows "index|caption|shortcut|flags|submenu array". Flags: d disabled, h hidden,
// k checkable, c checked, L the work belongs to a part of the program that is
// not in this build yet (kept disabled).
const char *const mnDb[] = {"0|新規(&N)|Ctrl+N||", "1|開く(&O)|Ctrl+O||", "2|別名保存(&A)|||", "3|-|||",
                            "4|最近開いたﾌｧｲﾙ|||mnDbs", "5|保守|||mnDbRet", "6|閉じる(&C)||d|", nullptr};
const char *const mnDbs[] = {"0|1.||h|", nullptr};
const char *const mnDbRet[] = {"0|ﾃﾞｰﾀｰﾍﾞｰｽの最適化(&C)|||", "2|-|||", "3|ﾕｰｻﾞｰﾃﾞｰﾀｰﾌｫﾙﾀﾞを開く|||", nullptr};
const char *const mnExit[] = {"0|-|||", "1|終了(&X)|||", nullptr};
const char *const mnTree[] = {
    "0|前に新規ﾍﾟｰｼﾞ(&P)|||", "1|次に新規ﾍﾟｰｼﾞ(&N)|F9||", "2|下に新規ﾍﾟｰｼﾞ(&D)|||", "3|-|||", "4|前に移動|||",
    "5|後へ移動|||", "6|-|||", "7|切り取り(&T)|||", "8|ｺﾋﾟ-(&C)|||", "9|貼り付け(&P)|||mnCpT", "10|-|||",
    "11|現在の文書を複写して次に挿入|||", "12|一括(複写・移動・削除)|||mnTrRet", "13|-|||",
    "14|既存のﾍﾟｰｼﾞの文書を複写|||", "15|文書ﾌｧｲﾙから読込(doc,rtf,txt)|||", "16|-|||", "17|削除(&D)|||",
    "18|名前の変更|||", "19|-|||", "21|現在のﾍﾟｰｼﾞへﾀｸﾞ参照しているﾍﾟｰｼﾞ|||", "22|逆引き|||", "23|-|||",
    "24|独立した編集ﾌｫｰﾑを開く|||", nullptr};
const char *const mnCpT[] = {"0|既存ﾍﾟｰｼﾞを参照(ﾘﾝｸ)|||", "1|-||h|", nullptr};
const char *const mnTrRet[] = {"0|複写・移動 (指定ノードから、このノードの下位へ)|||",
                               "1|複写・移動 (このﾉｰﾄﾞの下位を、指定ノードへ)|||", "2|削除 (このﾉｰﾄﾞの下位を)|||",
                               nullptr};
const char *const mnRet[] = {"0|HTM 出力|||", "1|-|||", "2|文書(txt,doc)に出力|||", "3|ePub出力|||", "4|-|||",
                             "5|文書ﾃﾞｰﾀｰﾍﾞｰｽへｴｸｽﾎﾟｰﾄ|||", "6|文書ﾃﾞｰﾀｰﾍﾞｰｽからｲﾝﾎﾟｰﾄ|||", "7|-|||",
                             "8|ﾍﾟｰｼﾞ全体に目を通す|||mnRetView", "9|-|||", "10|ﾜｰﾄﾞ文書にﾊﾞｯｸｱｯﾌﾟ|||", nullptr};
const char *const mnRetView[] = {"0|全てのﾍﾟｰｼﾞ|||", "1|現在のノード|||", "2|現在のノード以降全て|||", nullptr};
const char *const mnFile[] = {"0|IEでﾌﾟﾚﾋﾞｭｰ|Ctrl+F1||", "1|-|||", "2|ﾍﾟｰｼﾞﾋﾞｭ-・印刷|Ctrl+F2||", "4|-|||",
                              "5|ﾒｰﾙ|||mnMail", "6|名前を付けて保存(&O)|||", "7|Wordで開く(&W)|Ctrl+F3||", nullptr};
const char *const mnMail[] = {"0|本文(Text) + 添付(pdf)|||", "1|本文(Text) + 添付(doc)|||", "2|本文(Text)|||",
                              nullptr};
const char *const mnEdit[] = {
    "0|元に戻す(&U)|Ctrl+Z|d|", "1|やり直し(&R)|Ctrl+Y|d|", "2|-|||", "3|切り取り(&T)||d|", "4|ｺﾋﾟｰ(&C)||d|",
    "5|貼り付け||d|mnPast", "7|-|||", "8|初期化|||", "9|ｸﾘｱ(&A)|Del||", "10|全て選択(&L)|Ctrl+A||", "11|-|||",
    "12|検索(&F)|Ctrl+F||", "13|置換(&R)|||", "14|-|||", "15|他のﾍﾟｰｼﾞを参照|Ctrl+F4||", "16|整形|||", "17|-|||",
    "18|ﾍﾟｰｼﾞを更新|F8||", nullptr};
const char *const mnPast[] = {"0|ｵﾌﾞｼﾞｪｸﾄとして貼り付け|Ctrl+V||", "1|-|||", "2|画像として貼り付け|Ctrl+B|d|",
                              "3|ﾃｷｽﾄとして貼り付け|Ctrl+T||", nullptr};
const char *const mnDisp[] = {"0|ﾌｧﾝｸｼｮﾝﾒﾆｭｰ||kc|", "2|最新の状態に更新|||", nullptr};
const char *const mnLocal[] = {
    "0|文書(&D)|||mnInsDc", "1|ﾃｷｽﾄ(&T)|||", "2|-|||", "3|画像(&P)|Ctrl+F5||", "4|画像(ｻｲｽﾞを指定して取込)|||",
    "5|画像 WMF形式 (&W)|||", "6|-|||", "7|ｸﾞﾗﾌ･ﾁｬｰﾄ(&G)|||mnChart", "8|ﾃｷｽﾄﾌﾚｰﾑ(&F)|||", "9|OLEｵﾌﾞｼﾞｪｸﾄ(&O)||L|",
    "10|-|||", "11|ﾊｲﾊﾟｰﾘﾝｸ(&L)|Ctrl+F6||", "12|ﾀｸﾞ(&G)|Ctrl+F7||", "14|ﾂｰﾙﾁｯﾌﾟ(&T)|||", "15|-|||",
    "16|ﾍｯﾀﾞｰ|||mnHeader", "17|ﾌｯﾀｰ|||mnFooter", "18|改頁(&B)|Ctrl+F8||", "19|-|||", "20|ｲﾝﾗｲﾝﾌﾚｰﾑ|||",
    "21|javascript|||", nullptr};
const char *const mnInsDc[] = {"0|ﾜｰﾄﾞ・ﾜｰﾄﾞﾊﾟｯﾄ文書|||", "1|他ﾍﾟｰｼﾞの文書|||", nullptr};
const char *const mnChart[] = {"0|ｸﾞﾗﾌ|||", "1|ﾁｬｰﾄ|||", nullptr};
const char *const mnHeader[] = {"0|各頁||k|", "1|先頭頁||k|", nullptr};
const char *const mnFooter[] = {"0|各頁||k|", "1|先頭頁||k|", nullptr};
const char *const mnSelc[] = {"0|表題1|F2||", "1|表題2|F3||", "2|表題3|F4||", "3|本文|F5||", "4|本文強調|F6||",
                              "5|補足|F7||", "6|-|||", "9|ﾌｫﾝﾄ(&F)|Ctrl+F9||", "10|段落(&P)|||", "11|ﾘｽﾄ(&L)|||",
                              "13|-|||", "14|書式のｺﾋﾟｰ|||", "15|書式の貼り付け|||", "16|-|||", "17|字下げ(任意)|||",
                              "18|文字数を指定して字下げ|||", nullptr};
const char *const mnTbl[] = {"0|挿入|||mnTins", "1|分割|||mnTsp", "2|削除|||mnTdel", "3|選択|||mnTslc",
                             "4|ﾌﾟﾛﾊﾟﾃｨ|||mnProp", nullptr};
const char *const mnTins[] = {"0|表|||", "1|-|||", "2|左側に列|||", "3|右側に列|||", "4|-|||", "5|上に行|||",
                              "6|下に行|||", nullptr};
const char *const mnTsp[] = {"0|現在行の上で分割|||", "1|現在行の下で分割|||", nullptr};
const char *const mnTdel[] = {"0|表|||", "1|列|||", "2|行|||", nullptr};
const char *const mnTslc[] = {"0|表|||", "1|行|||", "2|ｾﾙ|||", nullptr};
const char *const mnProp[] = {"0|表|||", "1|行|||", "2|ｾﾙ|||", nullptr};
const char *const mnUser[] = {"0|文書ﾍﾟｰｼﾞ(&P)|||", "1|ﾍﾟｰｼﾞ表示|||", "2|ﾕｰｻﾞｰｽﾀｲﾙ|||", "3|画像ﾚｲｱｳﾄの既定値|||",
                              "4|初期頁・IME･更新確認|||", "6|既定のﾌﾞﾘﾝﾀ設定|||", "7|-|||",
                              "8|IEでﾌﾟﾚﾋﾞｭｰ時のｻｲｽﾞ|||mnIeSize", "9|ﾊﾞｯｸｱｯﾌﾟ|||", nullptr};
const char *const mnIeSize[] = {"0|800 * 600||k|", "1|1024 * 768||k|", "2|1280 * 1024||k|", "3|1440 * 900||k|",
                                nullptr};
const char *const mnApp[] = {"1|起動設定|||mnApSys", nullptr};
const char *const mnApSys[] = {"0|拡張子(*.txdb)の関連付け|||", "1|「送る」にｼｮｰﾄｶｯﾄ作成|||", nullptr};

struct ArrayRows {
    const char *name;
    const char *const *rows;
};

const ArrayRows SubArrays[] = {
    {"mnDbs", mnDbs},       {"mnDbRet", mnDbRet},   {"mnCpT", mnCpT},       {"mnTrRet", mnTrRet},
    {"mnRetView", mnRetView}, {"mnMail", mnMail},   {"mnPast", mnPast},     {"mnInsDc", mnInsDc},
    {"mnChart", mnChart},   {"mnHeader", mnHeader}, {"mnFooter", mnFooter}, {"mnTins", mnTins},
    {"mnTsp", mnTsp},       {"mnTdel", mnTdel},     {"mnTslc", mnTslc},     {"mnProp", mnProp},
    {"mnIeSize", mnIeSize}, {"mnApSys", mnApSys},
};

const char *const GroupArrays[17] = {nullptr,  "mnJb",  "mnFile", "mnEdit",  "mnEdtDr", "mnSelc",
                                     "mnLocal", "mnView", "mnWin", "mnList", "mnPage",  "mnOrien",
                                     "mnDisp",  "mnZoom", "mnTree", "mnUser", "mnRep"};

const char *const *rowsOf(const QString &array)
{
    for (const ArrayRows &sub : SubArrays) {
        if (array == QLatin1String(sub.name))
            return sub.rows;
    }
    return nullptr;
}

} // namespace

QMenu *fmDoc::addArray(QMenu *parent, const QString &array, const QString &caption, const char *const *rows)
{
    QMenu *menu = parent ? parent->addMenu(caption) : menuBar()->addMenu(caption);
    menu->setObjectName(array);
    m_menus.insert(array, menu);
    QVector<QAction *> &items = m_items[array];
    for (int r = 0; rows[r]; ++r) {
        const QStringList f = QString::fromUtf8(rows[r]).split(QLatin1Char('|'));
        const int index = f[0].toInt();
        QAction *action = nullptr;
        if (!f[4].isEmpty()) {
            action = addArray(menu, f[4], f[1], rowsOf(f[4]))->menuAction();
        } else if (f[1] == QLatin1String("-")) {
            action = menu->addSeparator();
        } else {
            action = menu->addAction(f[1]);
            connect(action, &QAction::triggered, this, [this, array, index] { menuClicked(array, index); });
        }
        if (!f[2].isEmpty()) {
            action->setShortcut(QKeySequence(f[2]));
            // Window-wide keys: a key does what its item does, wherever the focus is.
            action->setShortcutContext(Qt::WindowShortcut);
        }
        const QString flags = f[3];
        action->setCheckable(flags.contains(QLatin1Char('k')));
        action->setChecked(flags.contains(QLatin1Char('c')));
        action->setEnabled(!flags.contains(QLatin1Char('d')) && !flags.contains(QLatin1Char('L')));
        action->setVisible(!flags.contains(QLatin1Char('h')));
        action->setProperty("later", flags.contains(QLatin1Char('L')));
        if (items.size() <= index)
            items.resize(index + 1, nullptr);
        items[index] = action;
    }
    return menu;
}

void fmDoc::buildMenus()
{
    QMenu *file = menuBar()->addMenu(QStringLiteral("文書ﾌｧｲﾙ(&F)"));
    m_menus.insert(QStringLiteral("mnDcDb0"), file);
    // mnDb and mnExit share the first top-level menu: their items go straight into it.
    auto addInto = [this](QMenu *menu, const QString &array, const char *const *rows) {
        QMenu *holder = addArray(menu, array, QString(), rows);
        for (QAction *a : holder->actions())
            menu->addAction(a);
        holder->menuAction()->setVisible(false);
    };
    addInto(file, QStringLiteral("mnDb"), mnDb);
    addInto(file, QStringLiteral("mnExit"), mnExit);
    m_menus[QStringLiteral("mnDb")] = file;
    QMenu *context = addArray(nullptr, QStringLiteral("mnTree"), QStringLiteral("文脈(&C)"), mnTree);
    QMenu *bulk = addArray(nullptr, QStringLiteral("mnRet"), QStringLiteral("一括(&R)"), mnRet);
    m_items[QStringLiteral("mnDcDb")] = {file->menuAction(), context->menuAction(), bulk->menuAction()};
    const QStringList jobMenus = {QStringLiteral("ﾍﾟｰｼﾞ(&P)"), QStringLiteral("編集(&E)"), QStringLiteral("表示(&V)"),
                                  QStringLiteral("挿入(&I)"), QStringLiteral("書式(&S)"), QStringLiteral("表(&T)"),
                                  QStringLiteral("設定(&U)"), QStringLiteral("運用(&A)")};
    const char *const arrays[] = {"mnFile", "mnEdit", "mnDisp", "mnLocal", "mnSelc", "mnTbl", "mnUser", "mnApp"};
    const char *const *rows[] = {mnFile, mnEdit, mnDisp, mnLocal, mnSelc, mnTbl, mnUser, mnApp};
    QVector<QAction *> &jb = m_items[QStringLiteral("mnJb")];
    for (int i = 0; i < 8; ++i) {
        QMenu *m = addArray(nullptr, QString::fromLatin1(arrays[i]), jobMenus[i], rows[i]);
        jb.append(m->menuAction());
        connect(m, &QMenu::aboutToShow, this, [this, i] { enablePageMenu(i); });
    }
    QAction *help = menuBar()->addAction(QStringLiteral("ﾍﾙﾌﾟ(&H)"));
    m_items[QStringLiteral("mnHelp")] = {help};
    connect(help, &QAction::triggered, this, [this] { menuClicked(QStringLiteral("mnHelp"), 0); });
    connect(context, &QMenu::aboutToShow, this, &fmDoc::enableTreeMenu);
    // The paste submenu ends with the tree's clip list, which the tree keeps itself.
    QMenu *paste = menu(QStringLiteral("mnCpT"));
    connect(paste, &QMenu::aboutToShow, this, [this, paste] {
        const QList<QAction *> own = {item(QStringLiteral("mnCpT"), 0), item(QStringLiteral("mnCpT"), 1)};
        for (QAction *a : paste->actions()) {
            if (!own.contains(a))
                paste->removeAction(a);
        }
        const QList<QAction *> clips = m_tree->mnClp() ? m_tree->mnClp()->actions() : QList<QAction *>();
        item(QStringLiteral("mnCpT"), 1)->setVisible(!clips.isEmpty());
        paste->addActions(clips);
    });
    // The window's own items hold the keys; the disabled Del item must not take Delete from the title box.
    item(QStringLiteral("mnEdit"), 9)->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addActions(menuBar()->actions());
    // The bar shows when it holds the keyboard; a letter in a menu skips the disabled items.
    MenuKeys::watchBar(menuBar());
    // A menu left with Escape, or gone through with the keys, leaves the keyboard in the menu bar,
    // where letters open menus by their access keys: once no menu is open it goes back to where it
    // was, the page's text as a rule.
    // The bar is held, not asked for: the focus also changes while the window is taken down.
    QMenuBar *bar = menuBar();
    connect(qApp, &QApplication::focusChanged, this, [this, bar](QWidget *old, QWidget *now) {
        if (now == bar && old && old != bar && old->window() == this)
            m_keysBeforeMenu = old;
    });
    for (QAction *top : menuBar()->actions()) {
        if (QMenu *m = top->menu())
            connect(m, &QMenu::aboutToHide, this, [this] { QTimer::singleShot(0, this, &fmDoc::menuClosed); });
    }
}

void fmDoc::menuClosed()
{
    // Where the window is not active (the desktop gives it back later) the keyboard returns to the
    // window's own focus, which is to be the page, not the menu bar, either.
    QWidget *focus = QApplication::focusWidget();
    if (QApplication::activePopupWidget() || QApplication::activeModalWidget()
        || (focus != menuBar() && (focus || focusWidget() != menuBar())))
        return;
    QWidget *back = m_keysBeforeMenu;
    if (!back || !back->isVisible() || !back->isEnabled())
        back = m_editor->view();
    if (back->isVisible())
        back->setFocus(Qt::MenuBarFocusReason);
}

QAction *fmDoc::item(const QString &array, int index) const
{
    const auto it = m_items.constFind(array);
    if (it == m_items.cend() || index < 0 || index >= it->size())
        return nullptr;
    return it->at(index);
}

QMenu *fmDoc::menu(const QString &array) const
{
    return m_menus.value(array);
}

QAction *fmDoc::menuItem(int group, int index) const
{
    if (group < 1 || group > 16)
        return nullptr;
    QAction *action = item(QString::fromLatin1(GroupArrays[group]), index);
    return action && !action->isSeparator() ? action : nullptr;
}

void fmDoc::setItemEnabled(const QString &array, int index, bool enabled)
{
    if (QAction *action = item(array, index))
        action->setEnabled(enabled && !action->property("later").toBool());
}

void fmDoc::setItemChecked(const QString &array, int index, bool checked)
{
    if (QAction *action = item(array, index)) {
        action->setCheckable(true);
        action->setChecked(checked);
    }
}

// ---- dispatcher

void fmDoc::fnMenu(int group, int index)
{
    // A new page gives the keys to its title box; the other groups are the page's commands.
    if (group == 14) {
        if (index == 1)
            NewPage(1);
        return;
    }
    const uTxm::Command command(*m_editor);
    int code = 0;
    QVariant arg;
    switch (group) {
    case 2: {
        if (index == 0) {
            bool cancel = false;
            m_editor->ChkUdt(cancel);
            if (cancel)
                return;
            code = 8;
        } else if (index == 2) {
            code = 7;
        } else if (index == 6) {
            code = 5;
        } else if (index == 7) {
            SaveTempDoc();
        }
        break;
    }
    case 3: {
        static const int codes[19] = {11, 12, 0, 13, 14, 0, 0, 0, 0, 20, 21, 0, 22, 23, 0, 25, 24, 0, 4};
        if (index == 8) {
            if (Prompt::current().message(QStringLiteral("ﾍﾟｰｼﾞ全体を初期化して良いですか"), Prompt::OkCancel)
                == Prompt::Ok)
                code = 2;
        } else if (index >= 0 && index < 19) {
            code = codes[index];
        }
        break;
    }
    case 5:
        if (index >= 0 && index < 6) {
            m_editor->rtAct(60, index);
        } else if (index >= 17) {
            m_editor->rtAct(54, index == 17 ? 0 : 1);
        } else {
            static const int codes[16] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 61, 63, 64, 0, 0, 70, 71};
            if (index >= 0 && index < 16)
                code = codes[index];
        }
        break;
    case 6: {
        static const int codes[22] = {0, 32, 0, 33, 34, 35, 0, 0, 40, 41, 0, 50, 51, 0, 52, 0, 0, 0, 53, 0, 44, 45};
        if (index >= 0 && index < 22)
            code = codes[index];
        break;
    }
    default:
        break;
    }
    if (m_editorFocusTest && (code == 11 || code == 12 || code == 13 || code == 21)) {
        QWidget *focus = QApplication::focusWidget();
        if (!focus || !(focus == m_editor || m_editor->isAncestorOf(focus)))
            return;
    }
    if (code != 0)
        m_editor->rtAct(code);
}

void fmDoc::SetFkyCap()
{
    struct Key {
        const char *name;
        int group, index;
        const char *caption, *tip;
    };
    static const Key keys[] = {
        {"F2", 5, 0, "見出1", "指定範囲の書式を見出1(文書表題)のｽﾀｲﾙにします"},
        {"F3", 5, 1, "見出2", "指定範囲の書式を見出2(見出し大)のｽﾀｲﾙにします"},
        {"F4", 5, 2, "見出3", "指定範囲の書式を見出3(見出し小)のｽﾀｲﾙにします"},
        {"F5", 5, 3, "本文", "指定範囲の書式を本文のｽﾀｲﾙにします"},
        {"F6", 5, 4, "強調", "指定範囲の書式を強調のｽﾀｲﾙにします"},
        {"F7", 5, 5, "補足", "指定範囲の書式を補足のｽﾀｲﾙにします"},
        {"F8", 3, 18, "更新", "現在の文書を更新します"},
        {"F9", 14, 1, "次Page", "次に新規ﾍﾟｰｼﾞを作成します"},
        {"C1", 2, 0, "IEﾋﾞｭｰ", "IEでﾌﾟﾚﾋﾞｭｰを表示します"},
        {"C2", 2, 2, "ﾋﾞｭｰ", "ﾍﾟｰｼﾞﾋﾞｭ-を表示します"},
        {"C3", 2, 7, "Word", "MS Wordで開きます"},
        {"C4", 3, 15, "参照", "他のﾍﾟｰｼﾞを参照します"},
        {"C5", 6, 3, "画像", "外部画像ﾌｧｲﾙから画像を取り込みます"},
        {"C6", 6, 11, "ﾘﾝｸ", "ﾊｲﾊﾟｰﾘﾝｸを挿入します"},
        {"C7", 6, 12, "ﾀｸﾞ", "ﾀｸﾞ(文書ﾃﾞｰﾀｰﾍﾞｰｽ内のｰﾘﾝｸ)を挿入します"},
        {"C8", 6, 18, "改頁", "改頁を挿入します"},
        {"C9", 5, 9, "ﾌｫﾝﾄ", "指定範囲のﾌｫﾝﾄ･ｻｲｽﾞ･文字色を設定します"},
    };
    m_fky->cOn(this, false);
    for (const Key &k : keys)
        m_fky->cKey(QString::fromLatin1(k.name), k.group, k.index, QString::fromUtf8(k.caption),
                    QString::fromUtf8(k.tip));
    m_fky->SetEnbByMenu();
}

// ---- enabling by database state

void fmDoc::SetTreeMenuMode(bool normal)
{
    if ((!normal && iTreeMode == 1) || (normal && iTreeMode == 2))
        return;
    item(QStringLiteral("mnTree"), 0)->setText(normal ? QStringLiteral("前に新規ﾍﾟｰｼﾞ(&P)") : QStringLiteral("最初のﾍﾟｰｼﾞ(&P)"));
    for (int i : {1, 2, 4, 5})
        setItemEnabled(QStringLiteral("mnTree"), i, normal);
    iTreeMode = normal ? 2 : 1;
    m_fky->SetEnbByMenu();
}

bool fmDoc::IsTreeMenuNormal() const
{
    if (sDbPath.isEmpty())
        return false;
    return item(QStringLiteral("mnTree"), 0)->text() == QStringLiteral("前に新規ﾍﾟｰｼﾞ(&P)");
}

void fmDoc::SetMenuByDb(bool open)
{
    const bool tree = IsTreeMenuNormal();
    setItemEnabled(QStringLiteral("mnDb"), 2, open && Usr::st().jet);
    setItemEnabled(QStringLiteral("mnDbRet"), 0, open);
    setItemEnabled(QStringLiteral("mnDb"), 6, open);
    setItemEnabled(QStringLiteral("mnDcDb"), 1, open);
    for (int i : {1, 3, 4, 5, 6})
        setItemEnabled(QStringLiteral("mnJb"), i, open);
    setItemEnabled(QStringLiteral("mnDcDb"), 2, tree);
    setItemEnabled(QStringLiteral("mnJb"), 0, tree);
    refreshMenus();
}

// Every menu's items follow the state of the editor and the tree, so that a
// shortcut or a function key works exactly when its menu item would.
void fmDoc::refreshMenus()
{
    enableTreeMenu();
    for (int i = 0; i < 8; ++i)
        enablePageMenu(i);
    m_fky->SetEnbByMenu();
}

void fmDoc::enableTreeMenu()
{
    bool newNode = false, canPrev = false, canNext = false, listMode = false;
    m_tree->trChkDcm(newNode, canPrev, canNext, listMode);
    const bool normal = IsTreeMenuNormal();
    const bool any = normal && !newNode;
    const QString tree = QStringLiteral("mnTree");
    setItemEnabled(tree, 0, !sDbPath.isEmpty() && !newNode);
    for (int i : {1, 7, 8, 11, 12, 17, 18})
        setItemEnabled(tree, i, any);
    setItemEnabled(tree, 2, any && !listMode);
    setItemEnabled(tree, 4, any && canPrev);
    setItemEnabled(tree, 5, any && canNext);
    setItemEnabled(tree, 9, normal);
    setItemEnabled(tree, 14, normal);
    // The referring pages, the reverse look-up and the second window keep their state. A file is
    // read into the page shown, the unsaved new one too; an empty database has none to read into.
    setItemEnabled(tree, 15, normal || newNode);
}

void fmDoc::enablePageMenu(int index)
{
    const bool open = !sDbPath.isEmpty();
    bool exDoc = false, overwrite = false;
    m_editor->ChkJbMn0(exDoc, overwrite);
    if (index == 0) {
        for (int i : {0, 2, 5, 6, 7})
            setItemEnabled(QStringLiteral("mnFile"), i, exDoc);
    } else if (index == 1) {
        bool undo = false, redo = false, copy = false, paste = false, tx = false, pc = false, mt = false, lk = false;
        int ret = 0;
        m_editor->ChkJbMn1(undo, redo, copy, paste, exDoc, overwrite, tx, pc, mt, lk, ret);
        const QString edit = QStringLiteral("mnEdit");
        setItemEnabled(edit, 0, open && undo && exDoc);
        setItemEnabled(edit, 1, open && redo);
        setItemEnabled(edit, 3, open && copy);
        setItemEnabled(edit, 4, open && copy);
        setItemEnabled(edit, 5, open && paste);
        setItemEnabled(QStringLiteral("mnPast"), 0, paste);
        setItemEnabled(QStringLiteral("mnPast"), 2, paste && (pc || mt || lk));
        setItemEnabled(QStringLiteral("mnPast"), 3, paste && tx);
        for (int i : {8, 9, 10, 12, 13, 16})
            setItemEnabled(edit, i, open && exDoc);
        setItemEnabled(edit, 15, open);
        setItemEnabled(edit, 18, open && overwrite && nDocNo > 0);
    } else if (index == 3) {
        bool hp = false, hf = false, fp = false, ff = false;
        m_editor->HeadFtMn(hp, hf, fp, ff);
        setItemChecked(QStringLiteral("mnHeader"), 0, hp);
        setItemChecked(QStringLiteral("mnHeader"), 1, hf);
        setItemChecked(QStringLiteral("mnFooter"), 0, fp);
        setItemChecked(QStringLiteral("mnFooter"), 1, ff);
        bool inHead = false, inFrame = false;
        QString field;
        m_editor->ChkJbMn3(inHead, inFrame, &field);
        for (int i : {0, 1, 3, 4, 5, 8, 9, 18, 20, 21})
            setItemEnabled(QStringLiteral("mnLocal"), i, open && !(inFrame || inHead));
        for (int i : {11, 12, 14})
            setItemEnabled(QStringLiteral("mnLocal"), i, open && !(!field.isEmpty() || inHead));
    } else if (index == 4) {
        bool inHead = false, inFrame = false;
        m_editor->ChkJbMn3(inHead, inFrame);
        for (int i = 0; i <= 15; ++i)
            setItemEnabled(QStringLiteral("mnSelc"), i, open);
        setItemEnabled(QStringLiteral("mnSelc"), 17, open && !inHead && !inFrame);
        setItemEnabled(QStringLiteral("mnSelc"), 18, open && !inHead && !inFrame);
    } else if (index == 5) {
        enableTableMenu();
    }
}

void fmDoc::enableTableMenu()
{
    bool grid = false, insTb = false, insCl = false, insRw = false, delCl = false, delRw = false, slcTb = false,
         splTb = false, inHead = false, inFrame = false;
    QString field;
    m_editor->ChkJbMn5(grid, insTb, insCl, insRw, delCl, delRw, slcTb, splTb, inHead, inFrame, &field);
    const bool blocked = !field.isEmpty() || inHead;
    setItemEnabled(QStringLiteral("mnTins"), 0, insTb);
    setItemEnabled(QStringLiteral("mnTins"), 2, insCl);
    setItemEnabled(QStringLiteral("mnTins"), 3, insCl);
    setItemEnabled(QStringLiteral("mnTins"), 5, insRw);
    setItemEnabled(QStringLiteral("mnTins"), 6, insRw);
    setItemEnabled(QStringLiteral("mnTbl"), 0, (insCl || insTb || insRw) && !blocked);
    setItemEnabled(QStringLiteral("mnTbl"), 1, splTb);
    setItemEnabled(QStringLiteral("mnTbl"), 2, delCl || delRw);
    setItemEnabled(QStringLiteral("mnTdel"), 0, delRw);
    setItemEnabled(QStringLiteral("mnTdel"), 1, delCl);
    setItemEnabled(QStringLiteral("mnTdel"), 2, delRw);
    setItemEnabled(QStringLiteral("mnTbl"), 3, slcTb);
    for (int i = 0; i < 3; ++i)
        setItemEnabled(QStringLiteral("mnTslc"), i, slcTb);
    setItemEnabled(QStringLiteral("mnTbl"), 4, delRw);
}

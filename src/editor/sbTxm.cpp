#include "editor/sbTxm.h"

#include "core/Usr.h"
#include "editor/EditorServices.h"
#include "editor/uTxm.h"
#include "platform/desktop/MenuKeys.h"
#include "platform/desktop/Prompt.h"

#include <QAction>
#include <QHash>
#include <QKeySequence>
#include <QMenu>

namespace {

const QString RepeatPrefix = QStringLiteral("繰り返し(&R)　");

QStringList captions(std::initializer_list<const char *> items)
{
    QStringList list;
    for (const char *item : items)
        list.append(QString::fromUtf8(item));
    return list;
}

struct Row {
    const char *caption;
    int job;
};

// Captions of the menus that map to a job without further argument.
const Row JobRows[] = {
    {"元に戻す", 11}, {"やり直し", 12}, {"切り取り", 13}, {"ｺﾋﾟｰ", 14}, {"貼付", 15}, {"貼り付け", 15},
    {"ｸﾘｱ", 20}, {"全て選択", 21}, {"検索", 22}, {"置換", 23}, {"整形", 24}, {"他のﾍﾟｰｼﾞを参照", 25},
    {"文書を更新", 4}, {"ﾂｰﾙﾊﾞｰ", 27}, {"文字色指定", 27}, {"書式指定", 27}, {"ｽﾃｰﾀｽﾊﾞｰ", 27},
    {"ﾙｰﾗｰ", 27}, {"全て表示", 27}, {"全て非表示", 27}, {"ﾃｷｽﾄ", 32}, {"画像 WMF形式", 35},
    {"ﾃｷｽﾄﾌﾚｰﾑ", 40}, {"OLEｵﾌﾞｼﾞｪｸﾄ", 41}, {"ｲﾝﾗｲﾝﾌﾚｰﾑ", 44}, {"javascript", 45}, {"改頁", 53},
    {"ｽﾀｲﾙ", 60}, {"ﾌｫﾝﾄ", 61}, {"段落", 63}, {"ﾘｽﾄ", 64}, {"書式のｺﾋﾟｰ", 70}, {"書式の貼り付け", 71},
    {"表挿入", 80}, {"表分割", 81}, {"表削除", 82}, {"表選択", 83}, {"ｸﾞﾘｯﾄﾞ", 84}, {"表属性", 85},
    {"文書ﾍﾟｰｼﾞ", 65}, {"ﾍﾟｰｼﾞ表示", 26}, {"ﾕｰｻﾞｰｽﾀｲﾙ", 66}, {"画像ﾚｲｱｳﾄの既定値", 67},
    {"初期頁・IME･更新確認", 68}, {"IME･更新確認", 68}, {"既定のﾌﾞﾘﾝﾀ設定", 69},
};

// Field items: the plain caption inserts, "の修正" edits, "の削除" deletes.
const Row FieldRows[] = {{"ﾊｲﾊﾟｰﾘﾝｸ", 50}, {"ﾀｸﾞ", 51}, {"ﾂｰﾙﾁｯﾌﾟ", 52}};

// The caption an item runs: a repeat item the repeated caption, any other without its accelerator.
QString jobCaption(QString caption)
{
    if (caption.contains(QStringLiteral("繰り返し")))
        return QString(caption).remove(RepeatPrefix).trimmed();
    if (caption.contains(QLatin1Char('(')))
        caption = caption.left(caption.indexOf(QLatin1Char('(')));
    return caption.trimmed();
}

// The job of a caption, 0 for none; `option` gets the argument the job runs with.
int captionJob(const QString &caption, const QVariant &argument, QVariant &option)
{
    option = argument;
    for (const Row &row : JobRows) {
        if (caption == QString::fromUtf8(row.caption))
            return row.job;
    }
    if (caption == QStringLiteral("初期化"))
        return 2;
    if (caption == QStringLiteral("画像"))
        return argument.toInt() == 3 ? 33 : 34;
    if (caption == QStringLiteral("字下げ") || caption == QStringLiteral("文字数を指定して字下げ")) {
        option = caption == QStringLiteral("字下げ") ? 0 : 1;
        return 54;
    }
    for (const Row &row : FieldRows) {
        const QString base = QString::fromUtf8(row.caption);
        if (caption == base || caption == base + QStringLiteral("の修正") || caption == base + QStringLiteral("の削除")) {
            option = caption.endsWith(QStringLiteral("修正")) ? 1 : caption.endsWith(QStringLiteral("削除")) ? 2 : 0;
            return row.job;
        }
    }
    return 0;
}

} // namespace

sbTxm::sbTxm(uTxm *owner)
    : QWidget(owner, Qt::Window)
{
    setObjectName(QStringLiteral("sbTxm"));
    hide();
    build();
}

QAction *sbTxm::item(Menu menu, int index) const
{
    const QVector<QAction *> &items = m_items[menu];
    return index >= 0 && index < items.size() ? items[index] : nullptr;
}

QMenu *sbTxm::fill(QMenu *menu, Menu id, const QStringList &list)
{
    QVector<QAction *> &items = m_items[id];
    items.fill(nullptr, list.size());
    for (int i = 0; i < list.size(); ++i) {
        if (list[i].isEmpty())
            continue; // a gap of the index table
        if (list[i] == QLatin1String("-")) {
            items[i] = menu->addSeparator();
            continue;
        }
        QAction *action = menu->addAction(list[i]);
        items[i] = action;
        connect(action, &QAction::triggered, this, [this, id, i] { clicked(id, i); });
    }
    return menu;
}

QMenu *sbTxm::subMenu(Menu parent, int index, Menu id, const QStringList &list)
{
    QAction *holder = item(parent, index);
    auto *menu = new QMenu(this);
    holder->setMenu(menu);
    // Opening a sub-menu counts as choosing its parent item.
    connect(menu, &QMenu::aboutToShow, this, [this, parent, index] { clicked(parent, index); });
    return fill(menu, id, list);
}

void sbTxm::build()
{
    m_rtf = new QMenu(QStringLiteral("Rtf"), this);
    fill(m_rtf->addMenu(QStringLiteral("編集(&E)")), mnEdit,
         captions({"元に戻す(&U)", "やり直し(&R)", "-", "切り取り(&T)", "ｺﾋﾟｰ(&C)", "貼り付け", "", "-",
                   "初期化", "ｸﾘｱ(&A)", "全て選択(&L)", "-", "検索(&F)", "置換(&R)", "-", "他のﾍﾟｰｼﾞを参照",
                   "整形", "-", "文書を更新"}));
    subMenu(mnEdit, 5, mnPast, captions({"ｵﾌﾞｼﾞｪｸﾄとして貼り付け", "-", "画像として貼り付け",
                                         "ﾃｷｽﾄとして貼り付け"}));
    item(mnPast, 0)->setShortcut(QKeySequence(QStringLiteral("Ctrl+V")));
    item(mnPast, 2)->setShortcut(QKeySequence(QStringLiteral("Ctrl+B")));
    item(mnPast, 3)->setShortcut(QKeySequence(QStringLiteral("Ctrl+T")));
    fill(m_rtf->addMenu(QStringLiteral("表示")), mnDisp,
         captions({"ﾂｰﾙﾊﾞｰ", "文字色指定", "書式指定", "ｽﾃｰﾀｽﾊﾞｰ", "ﾙｰﾗｰ", "-", "全て表示", "全て非表示"}));
    for (int i = 0; i <= 4; ++i) {
        item(mnDisp, i)->setCheckable(true);
        item(mnDisp, i)->setChecked(i < 4);
    }
    fill(m_rtf->addMenu(QStringLiteral("挿入(&I)")), mnLocal,
         captions({"文書(&D)", "ﾃｷｽﾄ(&T)", "-", "画像(&P)", "画像(ｻｲｽﾞを指定して取込)", "画像 WMF形式 (&W)", "-",
                   "ｸﾞﾗﾌ･ﾁｬｰﾄ(&G)", "ﾃｷｽﾄﾌﾚｰﾑ(&F)", "OLEｵﾌﾞｼﾞｪｸﾄ(&O)", "-", "ﾊｲﾊﾟｰﾘﾝｸ(&L)",
                   "ﾊｲﾊﾟｰﾘﾝｸの修正", "ﾊｲﾊﾟｰﾘﾝｸの削除", "ﾀｸﾞ(&G)", "ﾀｸﾞの修正", "ﾀｸﾞの削除", "", "",
                   "ﾂｰﾙﾁｯﾌﾟ(&T)", "ﾂｰﾙﾁｯﾌﾟの修正", "ﾂｰﾙﾁｯﾌﾟの削除", "-", "ﾍｯﾀﾞｰ", "ﾌｯﾀｰ", "改頁(&B)", "-",
                   "ｲﾝﾗｲﾝﾌﾚｰﾑ", "javascript"}));
    for (int i : {12, 13, 15, 16, 20, 21})
        item(mnLocal, i)->setVisible(false);
    subMenu(mnLocal, 0, mnInsDc, captions({"ﾜｰﾄﾞ・ﾜｰﾄﾞﾊﾟｯﾄ文書", "他ﾍﾟｰｼﾞの文書"}));
    subMenu(mnLocal, 7, mnChart, captions({"ｸﾞﾗﾌ", "ﾁｬｰﾄ"}));
    subMenu(mnLocal, 23, mnHeader, captions({"各頁", "先頭頁"}));
    subMenu(mnLocal, 24, mnFooter, captions({"各頁", "先頭頁"}));
    for (int i = 0; i < 2; ++i) {
        item(mnHeader, i)->setCheckable(true);
        item(mnFooter, i)->setCheckable(true);
    }
    fill(m_rtf->addMenu(QStringLiteral("書式(&S)")), mnSelc,
         captions({"表題1", "表題2", "表題3", "本文", "本文強調", "補足", "-", "", "", "ﾌｫﾝﾄ(&F)", "段落(&P)",
                   "ﾘｽﾄ(&L)", "", "-", "書式のｺﾋﾟｰ", "書式の貼り付け", "-", "字下げ(１文字分)",
                   "文字数を指定して字下げ"}));
    fill(m_rtf->addMenu(QStringLiteral("表(&T)")), mnTbl,
         captions({"挿入", "分割", "削除", "選択", "ﾌﾟﾛﾊﾟﾃｨ"}));
    const QStringList rowsAndCells = captions({"表", "行", "ｾﾙ"});
    subMenu(mnTbl, 0, mnTins, captions({"表", "-", "左側に列", "右側に列", "-", "上に行", "下に行"}));
    subMenu(mnTbl, 1, mnTsp, captions({"現在行の上で分割", "現在行の下で分割"}));
    subMenu(mnTbl, 2, mnTdel, captions({"表", "列", "行"}));
    subMenu(mnTbl, 3, mnTslc, rowsAndCells);
    subMenu(mnTbl, 4, mnProp, rowsAndCells);
    fill(m_rtf->addMenu(QStringLiteral("設定(&U)")), mnUser,
         captions({"文書ﾍﾟｰｼﾞ(&P)", "ﾍﾟｰｼﾞ表示", "ﾕｰｻﾞｰｽﾀｲﾙ", "画像ﾚｲｱｳﾄの既定値", "初期頁・IME･更新確認", "",
                   "-", "既定のﾌﾞﾘﾝﾀ設定"}));

    m_obj = new QMenu(QStringLiteral("Obj"), this);
    fill(m_obj, mnObjct,
         captions({"切り取り(&T)", "ｺﾋﾟｰ(&C)", "-", "編集", "-", "削除", "-", "ﾊｲﾊﾟｰﾘﾝｸ(&L)", "ﾊｲﾊﾟｰﾘﾝｸの修正",
                   "ﾊｲﾊﾟｰﾘﾝｸの削除", "-", "ﾀｸﾞ(&G)", "ﾀｸﾞの修正", "ﾀｸﾞの削除", "-", "拡大画像へのﾘﾝｸ(最新)",
                   "拡大画像へのﾘﾝｸ(選択)", "-", "直前のﾘﾝｸを複写", "直後のﾘﾝｸを複写", "-", "ﾌﾟﾛﾊﾟﾃｨ"}));
    m_tr = new QMenu(QStringLiteral("Trx"), this);
    fill(m_tr, mnTrx, captions({"指定範囲をｺﾋﾟｰ(&C)", "文書全体をｺﾋﾟｰ", "文書全体をﾃｷｽﾄとしてｺﾋﾟｰ"}));
    for (QMenu *menu : {m_rtf, m_obj, m_tr})
        MenuKeys::watch(menu);
}

void sbTxm::cTyp(int iTy)
{
    m_kind = iTy;
    for (int i : {0, 1, 2, 4, 5, 6})
        item(mnSelc, i)->setVisible(iTy >= 1);
    item(mnUser, 2)->setVisible(iTy >= 1);
    const bool publisher = Usr::FbChkPub(0);
    for (int i : {14, 15, 16})
        item(mnObjct, i)->setVisible(publisher);
    for (int i : {0, 23, 24})
        item(mnLocal, i)->setVisible(iTy != 4);
    item(mnLocal, 19)->setVisible(iTy != -2);
    for (int i : {26, 27, 28})
        item(mnLocal, i)->setVisible(iTy >= 2);
}

void sbTxm::cOn(uTxm *editor)
{
    m_editor = editor;
}

void sbTxm::cOff()
{
    m_editor = nullptr;
    m_mode.clear();
}

void sbTxm::Act(const QString &sJb, QString &sAns)
{
    m_mode = sJb;
    if (m_editor)
        m_editor->services().settingsDialog(*m_editor, sJb, sAns);
    else
        sAns.clear();
}

void sbTxm::RepertJb()
{
    QAction *repeat = item(mnEdit, 1);
    if (repeat && repeat->isEnabled())
        DoMenuJob(repeat->text(), QVariant());
}

void sbTxm::popupRtf(const QPoint &at)
{
    m_rtf->exec(at);
}

void sbTxm::clicked(Menu menu, int index)
{
    QAction *action = item(menu, index);
    const QString caption = action ? action->text() : QString();
    switch (menu) {
    case mnEdit:
    case mnUser:
        if (index != 5)
            DoMenuJob(caption, QVariant());
        break;
    case mnPast:
        iRJb = 15;
        vOpt = index == 0 ? QStringLiteral("OBJ") : index == 2 ? QStringLiteral("PIC") : QStringLiteral("TXT");
        break;
    case mnDisp:
        clickedDisp(index);
        break;
    case mnLocal:
        DoMenuJob(caption, index);
        break;
    case mnInsDc:
        iRJb = index == 0 ? 30 : 31;
        break;
    case mnChart:
        iRJb = index == 0 ? 42 : 43;
        break;
    case mnHeader:
    case mnFooter:
        clickedHeaderFooter(menu, index);
        break;
    case mnSelc:
        if (index <= 5)
            DoMenuJob(QStringLiteral("ｽﾀｲﾙ"), index);
        else
            DoMenuJob(caption, QVariant());
        break;
    case mnTins: {
        static const char *const sides[] = {"表", "", "左", "右", "", "上", "下"};
        DoMenuJob(QStringLiteral("表挿入"), QString::fromUtf8(sides[qBound(0, index, 6)]));
        break;
    }
    case mnTsp:
        DoMenuJob(QStringLiteral("表分割"), index == 0 ? QStringLiteral("上") : QStringLiteral("下"));
        break;
    case mnTdel: {
        static const char *const parts[] = {"表", "列", "行"};
        DoMenuJob(QStringLiteral("表削除"), QString::fromUtf8(parts[qBound(0, index, 2)]));
        break;
    }
    case mnTslc:
    case mnProp: {
        static const char *const parts[] = {"表", "行", "ｾﾙ"};
        DoMenuJob(menu == mnTslc ? QStringLiteral("表選択") : QStringLiteral("表属性"),
                  QString::fromUtf8(parts[qBound(0, index, 2)]));
        break;
    }
    case mnObjct:
    case mnTrx:
        iOndx = index;
        break;
    default:
        break;
    }
}

void sbTxm::clickedDisp(int index)
{
    QVariant argument;
    if (index <= 4) {
        // A triggered checkable action has already toggled its mark.
        const bool marked = item(mnDisp, index)->isChecked();
        argument = marked ? index + 1 : -(index + 1);
    } else if (index == 6 || index == 7) {
        for (int i = 0; i <= 4; ++i)
            item(mnDisp, i)->setChecked(index == 6);
        argument = index == 6 ? 7 : -8;
    }
    DoMenuJob(item(mnDisp, index)->text(), argument);
}

void sbTxm::clickedHeaderFooter(Menu menu, int index)
{
    const int flag = (menu == mnHeader ? 1 : 4) * (index == 0 ? 1 : 2);
    vOpt = item(menu, index)->isChecked() ? flag : -flag;
    iRJb = 56;
}

void sbTxm::DoMenuJob(QString caption, const QVariant &argument)
{
    vOpt = argument;
    const bool repeat = caption.contains(QStringLiteral("繰り返し"));
    caption = jobCaption(caption);
    // The repeat item keeps its caption; any other choice becomes the next repeat.
    if (!repeat) {
        QString newCaption = RepeatPrefix + caption;
        if (caption == QStringLiteral("元に戻す"))
            newCaption = QStringLiteral("やり直し(&R)");
        else if (caption == QStringLiteral("やり直し"))
            newCaption = QStringLiteral("やり直しできません");
        item(mnEdit, 1)->setText(newCaption);
    }

    QVariant option;
    const int job = captionJob(caption, argument, option);
    if (job == 2) {
        if (Prompt::current().message(QStringLiteral("文書全体を初期化して良いですか"), Prompt::OkCancel)
            == Prompt::Ok)
            iRJb = 2;
        return;
    }
    if (job != 0) {
        iRJb = job;
        vOpt = option;
    }
}

int sbTxm::jobOf(Menu menu, int index) const
{
    const QAction *action = item(menu, index);
    if (!action || action->isSeparator())
        return 0;
    QVariant option;
    switch (menu) {
    case mnEdit:
    case mnUser:
        return index == 5 ? 0 : captionJob(jobCaption(action->text()), QVariant(), option);
    case mnLocal:
        return captionJob(jobCaption(action->text()), index, option);
    case mnSelc:
        return index <= 5 ? 60 : captionJob(jobCaption(action->text()), QVariant(), option);
    case mnDisp: return 27;
    case mnPast: return 15;
    case mnInsDc: return index == 0 ? 30 : 31;
    case mnChart: return index == 0 ? 42 : 43;
    case mnHeader: case mnFooter: return 56;
    case mnTins: return 80;
    case mnTsp: return 81;
    case mnTdel: return 82;
    case mnTslc: return 83;
    case mnProp: return 85;
    default: return 0;
    }
}

void sbTxm::disableUnbuilt(const std::function<bool(int)> &built)
{
    QHash<const QAction *, int> jobs;
    for (int m = 0; m < MenuCount; ++m) {
        for (int i = 0; i < m_items[m].size(); ++i) {
            if (const int job = jobOf(Menu(m), i))
                jobs.insert(m_items[m][i], job);
        }
    }
    // An item is dead when its job is not built, a submenu when every item in it is dead.
    std::function<bool(const QAction *)> dead = [&](const QAction *action) {
        if (const QMenu *sub = action->menu()) {
            bool any = false;
            for (const QAction *inner : sub->actions()) {
                if (inner->isSeparator())
                    continue;
                if (!dead(inner))
                    return false;
                any = true;
            }
            return any;
        }
        const int job = jobs.value(action);
        return job != 0 && !built(job);
    };
    for (const QVector<QAction *> &items : m_items) {
        for (QAction *action : items) {
            if (action && !action->isSeparator() && dead(action))
                action->setEnabled(false);
        }
    }
}

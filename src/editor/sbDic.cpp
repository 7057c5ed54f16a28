#include "editor/sbDic.h"

#include "core/Usr.h"
#include "core/zSvr.h"
#include "editor/TextWidth.h"
#include "platform/desktop/MenuKeys.h"
#include "platform/desktop/Prompt.h"

#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>

sbDic::sbDic(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("sbDic"));
    setWindowTitle(QStringLiteral("ﾂｰﾙﾁｯﾌﾟ語句の選択と登録"));
    setModal(true);
    auto *menuBar = new QMenuBar(this);
    QMenu *dic = menuBar->addMenu(QStringLiteral("DIC登録"));
    QMenu *tip = menuBar->addMenu(QStringLiteral("TIP指定"));
    const char *const dicItems[4] = {"新規", "修正登録", "追加登録", "削除"};
    for (int i = 0; i < 4; ++i) {
        mnDic[i] = dic->addAction(QString::fromUtf8(dicItems[i]));
        connect(mnDic[i], &QAction::triggered, this, [this, i] { menuJob(i); });
    }
    mnTip[0] = tip->addAction(QStringLiteral("&OK"));
    mnTip[1] = tip->addAction(QStringLiteral("&Cancel"));
    for (QMenu *menu : {dic, tip})
        connect(menu, &QMenu::aboutToShow, this, &sbDic::refreshMenus);

    MenuKeys::watchBar(menuBar);
    auto *grid = new QGridLayout(this);
    grid->setMenuBar(menuBar);
    txSK = new QLineEdit(this);
    txSZ = new QLineEdit(this);
    lsDic = new QListWidget(this);
    grid->addWidget(new QLabel(QStringLiteral("Caption"), this), 0, 0);
    grid->addWidget(txSK, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Discription"), this), 1, 0);
    grid->addWidget(txSZ, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("登録済 DIC"), this), 2, 0, Qt::AlignTop);
    grid->addWidget(lsDic, 2, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    cmOk[0] = new QPushButton(QStringLiteral("&OK"), this);
    cmOk[1] = new QPushButton(QStringLiteral("&Cancel"), this);
    buttons->addWidget(cmOk[0]);
    buttons->addWidget(cmOk[1]);
    grid->addLayout(buttons, 3, 0, 1, 2);
    txSK->setMinimumWidth(260);

    for (int i = 0; i < 2; ++i) {
        auto close = [this, i] {
            if (finish(i))
                done(i == 0 ? Accepted : Rejected);
        };
        connect(cmOk[i], &QPushButton::clicked, this, close);
        connect(mnTip[i], &QAction::triggered, this, close);
    }
    connect(txSK, &QLineEdit::textChanged, this, &sbDic::phraseChanged);
    connect(txSZ, &QLineEdit::textChanged, this, &sbDic::textChanged);
    connect(lsDic, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!m_quiet && row >= 0)
            clickRule(row);
    });
    // Only the user's choice of a row fills the boxes: the list taking the focus (which makes its first
    // row current) and a right click (which offers the menu) leave the user's phrase as typed.
    lsDic->installEventFilter(this);
    lsDic->viewport()->installEventFilter(this);
    // A right click on the list or the phrase box offers the dictionary menu.
    for (QWidget *w : {static_cast<QWidget *>(lsDic), static_cast<QWidget *>(txSK)}) {
        w->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(w, &QWidget::customContextMenuRequested, this, [this, dic, w](const QPoint &at) {
            refreshMenus();
            dic->exec(w->mapToGlobal(at));
        });
    }
}

bool sbDic::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == lsDic && event->type() == QEvent::FocusIn) {
        const bool quiet = m_quiet;
        m_quiet = true;
        static_cast<QObject *>(lsDic)->event(event);
        m_quiet = quiet;
        return true;
    }
    if (watched == lsDic->viewport()
        && (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick)
        && static_cast<QMouseEvent *>(event)->button() == Qt::RightButton) {
        lsDic->setFocus(Qt::MouseFocusReason);
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void sbDic::Act(QString &sCp, QString &sDs)
{
    QWidget *main = Usr::st().mainWindow;
    sbDic dialog(main);
    dialog.prepare(sCp, sDs);
    dialog.adjustSize();
    if (main) {
        const QRect area = main->frameGeometry();
        dialog.move(area.left() + (area.width() - dialog.width()) / 2,
                    area.top() + (area.height() - dialog.height()) / 2);
    }
    dialog.exec();
    sCp = dialog.resultPhrase();
    sDs = dialog.resultText();
}

void sbDic::setQuiet(QLineEdit *box, const QString &text)
{
    const bool quiet = m_quiet;
    m_quiet = true;
    box->setText(text);
    m_quiet = quiet;
}

void sbDic::prepare(const QString &sCp, const QString &sDs)
{
    m_resultPhrase.clear();
    m_resultText.clear();
    txSK->setText(sCp);
    txSZ->setText(sDs);
    fillList(sCp, true);
    refreshMenus();
}

void sbDic::fillList(const QString &phrase, bool clickActive)
{
    DbTable rows;
    const int count = zSvr::instance().isOpen()
                          ? zSvr::instance().R_Ary(QStringLiteral("Select skDic From msDic Order By skDic"), rows)
                          : 0;
    const bool quiet = m_quiet;
    m_quiet = true;
    lsDic->clear();
    m_registered = QStringLiteral(".");
    m_selected = -1;
    for (int r = 0; r < count; ++r) {
        const QString entry = rows.at(0, r).toString();
        m_registered += entry + QLatin1Char('.');
        lsDic->addItem(entry);
        if (m_selected < 0 && entry == phrase)
            m_selected = r;
    }
    if (m_selected >= 0)
        lsDic->setCurrentRow(m_selected);
    else
        lsDic->setCurrentRow(-1);
    m_quiet = quiet;
    if (m_selected >= 0 && clickActive && !m_quiet)
        clickRule(m_selected);
}

void sbDic::clickRule(int row)
{
    if (row < 0 || row >= lsDic->count())
        return;
    m_selected = row;
    const QString phrase = lsDic->item(row)->text();
    setQuiet(txSK, phrase);
    DbTable rows;
    const int count = zSvr::instance().R_Ary(QStringLiteral("Select szDic From msDic Where skDic=?"),
                                             QVariantList{phrase}, rows);
    if (count == 1) {
        m_loaded = rows.at(0, 0).toString();
        txSZ->setText(m_loaded);
    } else {
        m_loaded.clear();
        txSZ->clear();
    }
    m_newPhrase = false;
    refreshMenus();
}

void sbDic::phraseChanged()
{
    if (m_quiet)
        return;
    const QString phrase = txSK->text();
    if (phrase.isEmpty())
        return;
    if (m_registered.contains(QLatin1Char('.') + phrase + QLatin1Char('.'), Qt::CaseInsensitive)) {
        const QList<QListWidgetItem *> exact = lsDic->findItems(phrase, Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (!exact.isEmpty()) {
            const int row = lsDic->row(exact.first());
            const bool quiet = m_quiet;
            m_quiet = true;
            lsDic->setCurrentRow(row);
            m_quiet = quiet;
            clickRule(row);
        }
        m_newPhrase = false;
    } else {
        m_newPhrase = true;
    }
    refreshMenus();
}

void sbDic::textChanged()
{
    if (m_quiet)
        return;
    const QString text = txSZ->text();
    if (text.isEmpty())
        return;
    setQuiet(txSZ, TextWidth::cleanTip(text));
    txSZ->setCursorPosition(int(txSZ->text().size()));
    refreshMenus();
}

void sbDic::refreshMenus()
{
    const QString p = txSK->text();
    const QString t = txSZ->text();
    QString s;
    if (m_selected >= 0 && m_selected < lsDic->count())
        s = lsDic->item(m_selected)->text();
    else
        m_loaded.clear();
    const bool filled = !p.isEmpty() && !t.isEmpty();
    mnDic[0]->setEnabled(filled);
    mnDic[1]->setEnabled(!s.isEmpty() && filled && m_newPhrase);
    mnDic[2]->setEnabled(filled && p != s && m_newPhrase);
    mnDic[3]->setEnabled(!s.isEmpty());
    mnTip[0]->setEnabled(filled);
    cmOk[0]->setEnabled(filled);
}

bool sbDic::run(const QString &sql, const QVariantList &values)
{
    if (!zSvr::instance().isOpen() || zSvr::instance().DbRead())
        return false;
    if (zSvr::instance().D_ExeSq(sql, values))
        return true;
    Prompt::current().message(QStringLiteral("ﾂｰﾙﾁｯﾌﾟ語句を登録できませんでした"), Prompt::OkOnly | Prompt::Exclamation);
    return false;
}

void sbDic::menuJob(int index)
{
    const QString p = txSK->text();
    const QString t = txSZ->text();
    switch (index) {
    case 0:
        setQuiet(txSK, QString());
        setQuiet(txSZ, QString());
        break;
    case 1: {
        const QString s = m_selected >= 0 && m_selected < lsDic->count() ? lsDic->item(m_selected)->text()
                                                                         : QString();
        run(QStringLiteral("Update msDic Set skDic=?, szDic=? Where skDic=?"), {p, t, s});
        fillList(p, false);
        break;
    }
    case 2:
        run(QStringLiteral("Insert Into msDic (skDic,szDic) Values (?,?)"), {p, t});
        fillList(p, false);
        break;
    case 3:
        run(QStringLiteral("Delete From msDic Where skDic=?"), {p});
        fillList(QString(), false);
        break;
    default:
        break;
    }
    m_newPhrase = false;
    refreshMenus();
}

bool sbDic::finish(int index)
{
    if (index == 0 && m_newPhrase
        && Prompt::current().message(QStringLiteral("修正･追加登録されてませんが良いですか"), Prompt::OkCancel)
               != Prompt::Ok)
        return false;
    if (index == 0) {
        m_resultPhrase = txSK->text();
        m_resultText = txSZ->text();
    } else {
        m_resultPhrase.clear();
        m_resultText.clear();
    }
    return true;
}

void sbDic::reject()
{
    finish(1);
    QDialog::reject();
}

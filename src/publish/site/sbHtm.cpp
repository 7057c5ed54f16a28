#include "publish/site/sbHtm.h"

#include "core/Frmt.h"
#include "core/Twips.h"
#include "core/zClt.h"
#include "core/zSvr.h"
#include "platform/desktop/MenuKeys.h"
#include "platform/desktop/OutsideText.h"
#include "platform/desktop/Prompt.h"

#include <QButtonGroup>
#include <QFileInfo>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace {

sbHtm::Runner &runner()
{
    static sbHtm::Runner r;
    return r;
}

QButtonGroup *options(const QString &name, const QStringList &captions, QWidget *box, QWidget *owner)
{
    auto *group = new QButtonGroup(owner);
    group->setObjectName(name);
    auto *layout = new QVBoxLayout(box);
    for (int i = 0; i < captions.size(); ++i) {
        auto *option = new QRadioButton(captions[i], box);
        option->setObjectName(name + QString::number(i));
        group->addButton(option, i);
        layout->addWidget(option);
    }
    group->button(0)->setChecked(true);
    return group;
}

// A text column that holds "0" counts as empty.
QString columnText(const QVariant &v)
{
    const QString s = v.toString();
    return s == QLatin1String("0") ? QString() : s;
}

const char *const HelpText =
    "【ﾌﾚｰﾑの使用】\n"
    "ﾌﾚｰﾑを使用すると、左にﾅﾋﾞｹﾞｰｼｮﾝ、右に各ﾍﾟｰｼﾞを表示します。構成の変更は容易で、社内(ｲﾝﾄﾗﾈｯﾄ)向きですが、"
    "検索ｴﾝｼﾞﾝからは個々のﾍﾟｰｼﾞが見つかりにくくなります。ﾌﾚｰﾑを使用しない場合は、各ﾍﾟｰｼﾞにﾂﾘｰ形式のﾒﾆｭｰが付きます。\n\n"
    "【ﾍﾟｰｼﾞﾚｲｱｳﾄ】\n"
    "固定・ｾﾝﾀﾘﾝｸﾞ: 表示巾を固定し、ﾌﾞﾗｳｻﾞの中央に表示します。\n"
    "可変: ﾌﾞﾗｳｻﾞの表示巾をﾌﾙに使用します。\n"
    "ﾘｷｯﾄﾞｽﾀｲﾙ: ﾌﾞﾗｳｻﾞの表示巾をﾌﾙに使用し、表の巾もﾍﾟｰｼﾞ巾に合わせます。\n\n"
    "【Home(url)と代替URL】\n"
    "Webに公開したｻｲﾄのURLを指定します。代替URLをｵﾝにすると、ePubやWord等に一部のﾍﾟｰｼﾞだけを出力した時、"
    "出力に含まれないﾍﾟｰｼﾞへのﾘﾝｸをこのURLのﾍﾟｰｼﾞへのﾘﾝｸとします。ﾌﾚｰﾑを使用する場合は指定できません。\n\n"
    "【FTP転送】\n"
    "一括出力の後に、出力先のﾌｫﾙﾀﾞをFTPで転送(同期)します。同期名には、Pruskenの場合は同期ﾊﾟﾀｰﾝの名前を、"
    "FFFTPの場合はﾎｽﾄ設定の名前を指定します。\n\n"
    "【最初のﾍﾟｰｼﾞ】\n"
    "最初のﾍﾟｰｼﾞのﾌｧｲﾙ名です(例: index)。指定しない場合は 1001.htm、1002.htm … のように文書Noがﾌｧｲﾙ名になります。";

} // namespace

void sbHtm::setRunner(Runner r)
{
    runner() = std::move(r);
}

sbHtm::sbHtm(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("sbHtm"));
    setWindowTitle(QStringLiteral("Htm一括出力の指定"));
    auto *layout = new QVBoxLayout(this);

    auto *bar = new QMenuBar(this);
    QMenu *mnJb = bar->addMenu(QStringLiteral("操作"));
    mnJb->setObjectName(QStringLiteral("mnJb"));
    const QStringList items = {QStringLiteral("一括出力"), QStringLiteral("設定保存を保存して閉じる"),
                               QStringLiteral("FTP同期だけ実行して閉じる"), QString(),
                               QStringLiteral("操作をキャンセルして閉じる")};
    for (int i = 0; i < items.size(); ++i) {
        if (items[i].isEmpty()) {
            mnJb->addSeparator();
            continue;
        }
        QAction *a = mnJb->addAction(items[i]);
        a->setObjectName(QStringLiteral("mnRet%1").arg(i));
        connect(a, &QAction::triggered, this, [this, i] { mnRet(i); });
    }
    MenuKeys::watchBar(bar);
    layout->setMenuBar(bar);

    auto *pathRow = new QHBoxLayout;
    pathRow->addWidget(new QLabel(QStringLiteral("出力先"), this));
    m_lbPath = OutsideText::label(this);
    m_lbPath->setObjectName(QStringLiteral("lbPath"));
    m_lbPath->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    pathRow->addWidget(m_lbPath, 1);
    layout->addLayout(pathRow);

    auto *upper = new QHBoxLayout;
    auto *left = new QVBoxLayout;
    auto *frames = new QGroupBox(QStringLiteral("ﾌﾚｰﾑの使用"), this);
    m_hmt = options(QStringLiteral("opHmt"),
                    {QStringLiteral("ﾌﾚｰﾑは使用しない(ﾂﾘｰ形式のﾒﾆｭｰ)　"), QStringLiteral("ﾌﾚｰﾑを使用する")}, frames, this);
    connect(m_hmt, &QButtonGroup::idClicked, this, &sbHtm::onHmt);
    left->addWidget(frames);
    auto *layoutBox = new QGroupBox(QStringLiteral("ﾍﾟｰｼﾞﾚｲｱｳﾄ (ﾌﾚｰﾑを使用しない場合の指定)"), this);
    m_lout = options(QStringLiteral("opLout"),
                     {QStringLiteral("固定・ｾﾝﾀﾘﾝｸﾞ (表示ｻｲｽﾞは固定で中央に表示されます)"),
                      QStringLiteral("可変　        (ﾌﾞﾗｳｻﾞの表示ｻｲｽﾞをﾌﾙに使用します)"),
                      QStringLiteral("ﾘｷｯﾄﾞｽﾀｲﾙ  　 (ﾌﾞﾗｳｻﾞの表示ｻｲｽﾞをﾌﾙ使用、表をPage巾に合わせます)")},
                     layoutBox, this);
    left->addWidget(layoutBox);
    upper->addLayout(left, 1);

    auto *web = new QGroupBox(QStringLiteral("Web"), this);
    auto *webLayout = new QVBoxLayout;
    auto *ftpBox = new QWidget(web);
    m_ftp = options(QStringLiteral("opFtp"),
                    {QStringLiteral("一括出力後にFTP転送しない"), QStringLiteral("一括出力後Pruskenで転送(同期)"),
                     QStringLiteral("〃FFFTPで転送(同期)")},
                    ftpBox, this);
    ftpBox->layout()->setContentsMargins(0, 0, 0, 0);
    webLayout->addWidget(ftpBox);
    auto *grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("同期名"), web), 0, 0);
    m_txFtp = new QLineEdit(web);
    m_txFtp->setObjectName(QStringLiteral("txFtp"));
    grid->addWidget(m_txFtp, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Home(url)"), web), 1, 0);
    m_txHome = new QLineEdit(web);
    m_txHome->setObjectName(QStringLiteral("txHome"));
    grid->addWidget(m_txHome, 1, 1);
    m_chWeb = new QCheckBox(QStringLiteral("代替URL"), web);
    m_chWeb->setObjectName(QStringLiteral("chWeb"));
    m_chWeb->setToolTip(QStringLiteral("ePub等に出力した時に、出力文書に含まれないのﾘﾝｸの代替とします"));
    grid->addWidget(m_chWeb, 2, 1);
    webLayout->addLayout(grid);
    web->setLayout(webLayout);
    upper->addWidget(web, 1);
    layout->addLayout(upper);

    m_chDel = new QCheckBox(QStringLiteral("ﾌｫﾙﾀﾞを空にしてから書き込む"), this);
    m_chDel->setObjectName(QStringLiteral("chDel"));
    m_chDel->setChecked(true);
    layout->addWidget(m_chDel);

    auto *nameRow = new QHBoxLayout;
    nameRow->addWidget(new QLabel(QStringLiteral("最初のﾍﾟｰｼﾞ"), this));
    m_txHtm = new QLineEdit(this);
    m_txHtm->setObjectName(QStringLiteral("txHtm"));
    nameRow->addWidget(m_txHtm, 1);
    nameRow->addWidget(new QLabel(QStringLiteral("．"), this));
    m_cbKak = new QComboBox(this);
    m_cbKak->setObjectName(QStringLiteral("cbKak"));
    m_cbKak->addItems({QStringLiteral("htm"), QStringLiteral("html")});
    nameRow->addWidget(m_cbKak);
    nameRow->addStretch(1);
    layout->addLayout(nameRow);

    m_lbMsg = new QLabel(this);
    m_lbMsg->setObjectName(QStringLiteral("lbMsg"));
    layout->addWidget(m_lbMsg);
    m_rtex = new QTextBrowser(this);
    m_rtex->setObjectName(QStringLiteral("Rtex"));
    m_rtex->setPlainText(QString::fromUtf8(HelpText));
    layout->addWidget(m_rtex, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    const QStringList captions = {QStringLiteral("一括出力"), QStringLiteral("&Cancel")};
    for (int i = 0; i < captions.size(); ++i) {
        auto *button = new QPushButton(captions[i], this);
        button->setObjectName(QStringLiteral("cmRet%1").arg(i));
        button->setAutoDefault(false);
        button->setDefault(i == 0);
        connect(button, &QPushButton::clicked, this, [this, i] { cmRet(i); });
        buttons->addWidget(button);
    }
    layout->addLayout(buttons);
}

void sbHtm::onHmt(int index)
{
    for (QAbstractButton *b : m_lout->buttons())
        b->setEnabled(index == 0);
}

QString sbHtm::firstPageName() const
{
    QString name = m_txHtm->text().trimmed();
    if (!name.isEmpty()) {
        zClt::instance().T_AddRwd(name, QStringLiteral("."));
        name += m_cbKak->currentText();
    }
    return name;
}

void sbHtm::mnRet(int index)
{
    if (index == 2 && m_ftp->checkedId() == 0) {
        Prompt::current().message(QStringLiteral("指定が無効です FTPの実行"), Prompt::OkOnly);
        return;
    }
    if (index != 4) {
        // Links of other outputs are sent to this address: it must be a web address and nothing else.
        if (m_chWeb->isChecked() && !Frmt::IsHomeUrl(m_txHome->text())) {
            const QString url = m_txHome->text();
            const bool query = url.contains(QLatin1Char('?')) || url.contains(QLatin1Char('#'));
            Prompt::current().message(QStringLiteral("HomeのURL指定が不正です　代替URLの指定はできません")
                                          + (query ? QStringLiteral("\nﾍﾟｰｼﾞへのﾘﾝｸはURLの後にﾌｧｲﾙ名を付けて作るので、? や # は指定できません")
                                                   : QString()),
                                      Prompt::OkOnly);
            m_chWeb->setChecked(false);
            return;
        }
        if (m_hmt->checkedId() == 1 && m_chWeb->isChecked()) {
            Prompt::current().message(QStringLiteral("フレームを使用した個々のページはナビゲーションﾒﾆｭｰないので"
                                                     " 代替URLを行う場合は、フレーム無しを指定して下さい"),
                                      Prompt::OkOnly);
            m_hmt->button(0)->setChecked(true);
            onHmt(0);
            return;
        }
        if (m_ftp->checkedId() != 0 && m_txFtp->text().trimmed().isEmpty()) {
            Prompt::current().message(QStringLiteral("FTP転送(同期を実行する場合は、同期名を指定して下さい"), Prompt::OkOnly);
            return;
        }
        const QString name = firstPageName();
        if (!name.isEmpty() && !zClt::isPlainName(name)) {
            Prompt::current().message(QStringLiteral("最初のﾍﾟｰｼﾞのﾌｧｲﾙ名が不正です　ﾌｫﾙﾀﾞ(/ \\)や..、制御文字は指定できません"),
                                      Prompt::OkOnly);
            return;
        }
        // The first page's pictures go into a folder named after it, which a file system takes up
        // to 255 bytes long.
        const qsizetype folderBytes = (QFileInfo(name).completeBaseName() + QStringLiteral("_Images")).toUtf8().size();
        if (!name.isEmpty() && folderBytes > 255) {
            Prompt::current().message(QStringLiteral("最初のﾍﾟｰｼﾞのﾌｧｲﾙ名が長すぎます　画像ﾌｫﾙﾀﾞ名が %1 ﾊﾞｲﾄになります (255 ﾊﾞｲﾄまで)")
                                          .arg(folderBytes),
                                      Prompt::OkOnly);
            return;
        }
        // The frame page or another page under its name would take that file's place; a link to
        // it would cut the name at "#" or "?".
        if (!name.isEmpty() && !Frmt::IsTopName(name)) {
            Prompt::current().message(QStringLiteral("最初のﾍﾟｰｼﾞのﾌｧｲﾙ名 ") + name
                                          + QStringLiteral(" は指定できません　ｻｲﾄのﾌｧｲﾙ(番号.htm、navi.htm)と重なる名前や"
                                                           " # ? % を含む名前はﾘﾝｸが届きません"),
                                      Prompt::OkOnly);
            return;
        }
    }
    m_close = index;
    done(index == 4 ? Rejected : Accepted);
}

void sbHtm::Act(const QString &sPh, Choice &c, QWidget *parent)
{
    zSvr &db = zSvr::instance();
    FrmtState &home = Frmt::st();
    QVariantList row;
    db.R_PAry(QStringLiteral("Select HsHome1, HiHome, HsTopNm, HiFtp1, HsSync1, HiLout From kaUsr"), row);
    while (row.size() < 6)
        row.append(QVariant());
    QString url = columnText(row[0]);
    home.homeKind = row[1].toInt();
    c.sTpNm = columnText(row[2]);
    // A stored name that would lead out of the site folder or replace one of its files (it may
    // come from another database) is not used: the first page keeps its numbered name.
    if (!Frmt::IsTopName(c.sTpNm))
        c.sTpNm.clear();
    c.iFtp = qBound(0, row[3].toInt(), 2);
    c.sSync = columnText(row[4]);
    c.iLout = qBound(0, row[5].toInt(), 2);
    c.iRet = 0;
    c.bDel = false;

    sbHtm dialog(parent);
    dialog.m_lbPath->setText(sPh);
    if (!c.sTpNm.isEmpty()) {
        const qsizetype dot = c.sTpNm.lastIndexOf(QLatin1Char('.'));
        // A stored name without an extension is shown whole (it gets the chosen one when stored).
        dialog.m_txHtm->setText(dot < 0 ? c.sTpNm : c.sTpNm.left(dot));
        if (dot >= 0) {
            const int k = dialog.m_cbKak->findText(c.sTpNm.mid(dot + 1));
            if (k >= 0)
                dialog.m_cbKak->setCurrentIndex(k);
        }
    }
    dialog.m_txHome->setText(url);
    dialog.m_chWeb->setChecked(home.homeKind == 1);
    if (home.homeKind == 2) {
        dialog.m_chWeb->setEnabled(false);
        dialog.m_lbMsg->setText(QStringLiteral("ｻｲﾄ出力で作成されたﾊﾟｽが既定となっています"));
    }
    if (home.homeKind == 1)
        home.homeAddress = Frmt::HomeAddress(url);
    dialog.m_txFtp->setText(c.sSync);
    dialog.m_ftp->button(c.iFtp)->setChecked(true);
    dialog.m_lout->button(c.iLout)->setChecked(true);
    const int width = Twips::toPx(dialog, 10275, true);
    const int height = Twips::toPx(dialog, 7125, false);
    dialog.resize(width, height);
    if (parent) {
        const QRect main = parent->window()->frameGeometry();
        dialog.move(main.x() + (main.width() - width) / 2, main.y() + (main.height() - height) / 2);
    }
    dialog.m_close = 4;
    if (runner()) {
        runner()(dialog);
    } else {
        dialog.setModal(true);
        dialog.exec();
    }
    if (dialog.m_close == 4)
        return;

    c.iRet = dialog.m_hmt->checkedId() == 1 ? 2 : 1;
    c.bDel = dialog.m_chDel->isChecked();
    c.sTpNm = dialog.firstPageName();
    c.iFtp = qMax(0, dialog.m_ftp->checkedId());
    c.iLout = qMax(0, dialog.m_lout->checkedId());
    c.sSync = dialog.m_txFtp->text();
    url = dialog.m_txHome->text();

    // The values are bound, not pasted into the statements: a URL may hold "?" and quotes.
    int touched = 0;
    bool stored;
    if (home.homeKind != 2) {
        home.homeKind = dialog.m_chWeb->isChecked() ? 1 : 0;
        stored = db.D_ExeSq(QStringLiteral("Update kaUsr Set HsHome1='?', HsTopNm='?', HiHome=?, HiFtp1=?, HsSync1='?', HiLout=? "),
                            {url, c.sTpNm, home.homeKind, c.iFtp, c.sSync, c.iLout}, &touched);
        // The address in force is the one just stored, not the one the dialog opened with.
        home.homeAddress = home.homeKind == 1 ? Frmt::HomeAddress(url) : QString();
    } else {
        stored = db.D_ExeSq(QStringLiteral("Update kaUsr Set HsHome1='?', HsTopNm='?', HiFtp1=?, HsSync1='?', HiLout=?"),
                            {url, c.sTpNm, c.iFtp, c.sSync, c.iLout}, &touched);
    }
    if (stored && touched == 0)
        db.D_ExeSq(QStringLiteral("Insert Into kaUsr (HiHome, HsHome1, HsTopNm, HiFtp1, HsSync1, HiLout) Values (?, '?', '?', ?, '?', ? )"),
                   {home.homeKind, url, c.sTpNm, c.iFtp, c.sSync, c.iLout});
    if (dialog.m_close == 1) {
        c.iRet = 0;
    } else if (dialog.m_close == 2) {
        c.iRet = 3;
        c.bDel = false;
    }
}

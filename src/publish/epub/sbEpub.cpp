#include "publish/epub/sbEpub.h"

#include "core/Frmt.h"
#include "core/Usr.h"
#include "core/zClt.h"
#include "core/zSvr.h"
#include "platform/desktop/Prompt.h"
#include "platform/desktop/RandomSource.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace
{
sbEpub::Runner &runner()
{
    static sbEpub::Runner r;
    return r;
}

QCheckBox *check(const QString &caption, QWidget *parent, QVBoxLayout *layout)
{
    auto *box = new QCheckBox(caption, parent);
    layout->addWidget(box);
    return box;
}
} // namespace

bool sbEpub::bookNameOk(const QString &name)
{
    return name.isEmpty() || zClt::isPlainName(name + QStringLiteral(".epub"));
}

void sbEpub::setRunner(Runner r)
{
    runner() = std::move(r);
}

sbEpub::sbEpub(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("sbEpub"));
    setWindowTitle(QStringLiteral("ePub出力の指定"));
    auto *layout = new QVBoxLayout(this);

    m_grid = new QTableWidget(7, 3, this);
    m_grid->setObjectName(QStringLiteral("vSpr"));
    m_grid->horizontalHeader()->hide();
    m_grid->verticalHeader()->hide();
    m_grid->horizontalHeader()->setStretchLastSection(true);
    const QStringList labels = {QStringLiteral("ﾀｲﾄﾙ"), QStringLiteral("ID"), QStringLiteral("著作者"),
                                QStringLiteral("著作権"), QStringLiteral("発行元"), QStringLiteral("代替URL"),
                                QStringLiteral("出力先")};
    for (int r = 0; r < 7; ++r) {
        auto *label = new QTableWidgetItem(labels[r]);
        label->setFlags(Qt::ItemIsEnabled);
        m_grid->setItem(r, 0, label);
        m_grid->setItem(r, 1, new QTableWidgetItem);
        auto *third = new QTableWidgetItem;
        third->setFlags(Qt::ItemIsEnabled);
        m_grid->setItem(r, 2, third);
        if (r < 5)
            m_grid->setSpan(r, 1, 1, 2);
    }
    m_grid->item(5, 1)->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable); // shown, set elsewhere
    m_grid->item(6, 1)->setFlags(Qt::ItemIsEnabled);
    m_grid->item(6, 1)->setBackground(Qt::lightGray);
    m_grid->setSpan(6, 1, 1, 2);
    m_grid->setColumnWidth(0, 90);
    m_grid->setColumnWidth(1, 260);
    // Every row shows, the work folder's last of all, without scrolling.
    int rows = 2 * m_grid->frameWidth();
    for (int r = 0; r < m_grid->rowCount(); ++r)
        rows += m_grid->rowHeight(r);
    m_grid->setFixedHeight(rows);
    m_grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    connect(m_grid, &QTableWidget::currentCellChanged, this, [this](int row) { ShowHelp(row + 1); });
    layout->addWidget(m_grid);

    auto *middle = new QHBoxLayout;
    layout->addLayout(middle);
    auto *rangePanel = new QGroupBox(QStringLiteral("出力範囲"), this);
    auto *rangeLayout = new QVBoxLayout(rangePanel);
    m_out = new QButtonGroup(this);
    const QStringList ranges = {QStringLiteral("全てのﾍﾟｰｼﾞ"), QStringLiteral("現在のﾉｰﾄﾞ"), QStringLiteral("現在のﾉｰﾄﾞ以降全て")};
    for (int i = 0; i < ranges.size(); ++i) {
        auto *option = new QRadioButton(ranges[i], rangePanel);
        m_out->addButton(option, i);
        rangeLayout->addWidget(option);
    }
    m_out->button(0)->setChecked(true);
    connect(m_out, &QButtonGroup::idClicked, this, [this] { ShowHelp(0); });
    middle->addWidget(rangePanel);

    auto *optionPanel = new QGroupBox(QStringLiteral("ｵﾌﾟｼｮﾝ"), this);
    auto *optionLayout = new QVBoxLayout(optionPanel);
    m_table = check(QStringLiteral("表の巾をPage巾に合わせる"), optionPanel, optionLayout);
    m_font = check(QStringLiteral("ｲﾀﾘｯｸﾌｫﾝﾄは使用しない"), optionPanel, optionLayout);
    optionLayout->addWidget(new QLabel(QStringLiteral("一部のﾘｰﾀﾞｰでは、ｲﾀﾘｯｸﾌｫﾝﾄが文字化けします"), optionPanel));
    m_fold = check(QStringLiteral("出力後に出力先のﾌｫﾙﾀﾞを開く"), optionPanel, optionLayout);
    auto *nameRow = new QHBoxLayout;
    nameRow->addWidget(new QLabel(QStringLiteral("ﾌｧｲﾙ名"), optionPanel));
    m_name = new QLineEdit(optionPanel);
    m_name->setObjectName(QStringLiteral("txNam"));
    nameRow->addWidget(m_name, 1);
    nameRow->addWidget(new QLabel(QStringLiteral(".epub"), optionPanel));
    optionLayout->addLayout(nameRow);
    middle->addWidget(optionPanel);

    m_help = new QTextBrowser(this);
    m_help->setObjectName(QStringLiteral("Rtex"));
    m_help->setMaximumHeight(90);
    layout->addWidget(m_help);
    m_msg = new QLabel(this);
    m_msg->setObjectName(QStringLiteral("lbMsg"));
    layout->addWidget(m_msg);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    const QStringList captions = {QStringLiteral("&OK"), QStringLiteral("設定だけ保存"), QStringLiteral("&Cancel")};
    for (int i = 0; i < captions.size(); ++i) {
        auto *button = new QPushButton(captions[i], this);
        button->setObjectName(QStringLiteral("cmOk%1").arg(i));
        connect(button, &QPushButton::clicked, this, [this, i] { press(i); });
        buttons->addWidget(button);
    }
    layout->addLayout(buttons);
    resize(560, 520);
}

QString sbEpub::GetCell(int column, int row) const
{
    const QTableWidgetItem *item = m_grid->item(row - 1, column - 1);
    return item ? item->text().trimmed() : QString();
}

void sbEpub::SetCell(int column, int row, const QString &text)
{
    if (QTableWidgetItem *item = m_grid->item(row - 1, column - 1))
        item->setText(text);
}

void sbEpub::ShowHelp(int row)
{
    static const char *const texts[] = {
        "出力範囲を指定して下さい",
        "本のタイトルを入力して下さい",
        "任意の唯一なIDを指定します~Url又はISBN(国際標準図書番号)を用います~例: urn:uuid:0f8fad5b-d9cb-469f-a165-70867728950e",
        "著作者を入力して下さい",
        "諸権利に関する表明を記入します (省略可能です)",
        "出版元を記入します (省略可能です)",
        "文書ﾃﾞｰﾀｰﾍﾞｰｽの一部を ePubとして出力した場合に出版物に含まれないﾍﾟｰｼﾞへの参照が発生します~"
        "このﾍﾟｰｼﾞがWeb上で公開されていれば、そのURLを指定します~"
        "HTM一括で作成した場合と、ｻｲﾄ出力での場合とでは仕様が異なるので~"
        "後者の場合はﾁｪｯｸﾏｰｸをｵﾝにして下さい (ｻｲﾄ出力の場合より細かい指定があります)",
    };
    if (row < 0 || row > 6)
        return;
    m_help->setPlainText(QString::fromUtf8(texts[row]).replace(u'~', u'\n'));
}

void sbEpub::press(int index)
{
    if (index < 2) {
        if (GetCell(2, 1).isEmpty()) {
            Prompt::current().message(QStringLiteral("タイトルが指定されていません"), Prompt::Exclamation);
            return;
        }
        if (GetCell(2, 2).isEmpty()) {
            const int n = int(RandomSource::current().nextDouble() * 1000000);
            SetCell(2, 2, QStringLiteral("fenwar_") + QString::number(n));
            Prompt::current().message(QStringLiteral("IDが指定されていなかったので、生成しました確認して下さい"),
                                      Prompt::Information);
            return;
        }
        if (!bookNameOk(m_name->text().trimmed())) {
            Prompt::current().message(QStringLiteral("ﾌｧｲﾙ名が不正です　ﾌｫﾙﾀﾞ(/ \\)や..、制御文字は指定できません"),
                                      Prompt::Exclamation);
            return;
        }
    }
    m_result = index;
    if (isVisible())
        done(index == 0 ? Accepted : Rejected);
}

void sbEpub::Act(Choice &c, const QString &sPh, QWidget *parent)
{
    zSvr &db = zSvr::instance();
    QVariantList row;
    db.R_PAry(QStringLiteral("Select EsTtl, EsUid, EsCre, EsPub, EsName, EbFold, EbTbF, EbNit From kaUsr"), row);
    while (row.size() < 8)
        row.append(QVariant());
    c.sTtl = row[0].toString();
    c.sUid = row[1].toString();
    c.sCre = row[2].toString();
    c.sPub = row[3].toString();
    c.sNam = row[4].toString();
    int fold = row[5].toInt();
    c.yTbF = row[6].toInt();
    c.yNit = row[7].toInt();
    // A stored name that would put the book outside its folder (it may come from another
    // database) is not used: the book is named after the database.
    if (c.sNam.isEmpty() || !bookNameOk(c.sNam))
        c.sNam = Usr::st().dbName;
    if (c.sTtl.isEmpty())
        c.sTtl = db.R_GtVaL(QStringLiteral("Select Top 1 H.szTtl From tbTree T, tbHtm H"
                                           " Where T.noLfP = 0 And T.boLnk = 0 And T.noLfC=H.noDoc "
                                           " Order By T.inSrt"),
                            QString())
                     .toString();

    sbEpub dialog(parent);
    dialog.SetCell(2, 1, c.sTtl);
    dialog.SetCell(2, 2, c.sUid);
    dialog.SetCell(2, 3, c.sCre);
    dialog.SetCell(2, 4, c.sRights);
    dialog.SetCell(2, 5, c.sPub);
    const int mode = Frmt::st().homeKind;
    QTableWidgetItem *home = dialog.m_grid->item(5, 1);
    home->setText(mode == 1 ? QStringLiteral("Htm") : mode == 2 ? QStringLiteral("Site") : QString());
    home->setCheckState(mode != 0 ? Qt::Checked : Qt::Unchecked);
    dialog.SetCell(3, 6, Frmt::st().homeAddress);
    dialog.SetCell(2, 7, sPh);
    dialog.m_font->setChecked(c.yNit != 0);
    dialog.m_table->setChecked(c.yTbF != 0);
    dialog.m_fold->setChecked(fold != 0);
    dialog.m_name->setText(c.sNam);
    dialog.m_msg->setText(QStringLiteral("全て出力の場合は代替URLは無効です"));
    dialog.ShowHelp(0);
    // The range comes first: focus on the grid would make its first row current and show that
    // row's help in place of the range's.
    dialog.m_out->checkedButton()->setFocus();
    if (parent) {
        const QRect main = parent->window()->frameGeometry();
        dialog.move(main.x() + (main.width() - dialog.width()) / 2, main.y() + (main.height() - dialog.height()) / 2);
    }
    if (runner())
        runner()(dialog);
    else
        dialog.exec();

    if (dialog.m_result >= 2) {
        c.iRet = 0;
        return;
    }
    c.iRet = dialog.m_result == 1 ? 0 : dialog.m_out->checkedId() + 1;
    c.sTtl = dialog.GetCell(2, 1);
    c.sUid = dialog.GetCell(2, 2);
    c.sCre = dialog.GetCell(2, 3);
    c.sRights = dialog.GetCell(2, 4);
    c.sPub = dialog.GetCell(2, 5);
    c.sNam = dialog.m_name->text().trimmed();
    c.yNit = dialog.m_font->isChecked() ? 1 : 0;
    c.yTbF = dialog.m_table->isChecked() ? 1 : 0;
    fold = dialog.m_fold->isChecked() ? 1 : 0;
    c.bFld = fold == 1;

    // The values are bound, not pasted into the statement: a title may hold
    // quotes and "?".
    const QVariantList values = {c.sTtl, c.sUid, c.sCre, c.sPub, c.sNam, fold, c.yTbF, c.yNit};
    int touched = 0;
    if (db.D_ExeSq(QStringLiteral("Update kaUsr Set EsTtl=?, EsUid=?, EsCre=?, EsPub=?, EsName=?, EbFold=?, "
                                  "EbTbF=?, EbNit=?"),
                   values, &touched)
        && touched == 0)
        db.D_ExeSq(QStringLiteral("Insert into kaUsr (EsTtl, EsUid, EsCre, EsPub, EsName, EbFold, EbTbF, EbNit)"
                                  " Values (?, ?, ?, ?, ?, ?, ?, ?)"),
                   values);
}

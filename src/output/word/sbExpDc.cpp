#include "output/word/sbExpDc.h"

#include "platform/desktop/OutsideText.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace {
sbExpDc::Runner &runner()
{
    static sbExpDc::Runner r;
    return r;
}
} // namespace

void sbExpDc::setRunner(Runner r)
{
    runner() = std::move(r);
}

sbExpDc::sbExpDc(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("sbExpDc"));
    setWindowTitle(QStringLiteral("文書出力の指定"));
    auto *layout = new QVBoxLayout(this);
    auto *top = new QHBoxLayout;
    layout->addLayout(top);
    auto *choices = new QVBoxLayout;
    top->addLayout(choices);

    auto *rangePanel = new QGroupBox(QStringLiteral("　出力範囲"), this);
    auto *rangeLayout = new QVBoxLayout(rangePanel);
    m_out = new QButtonGroup(this);
    const QStringList ranges = {QStringLiteral("全てのﾍﾟｰｼﾞ"), QStringLiteral("現在のﾉｰﾄﾞ"), QStringLiteral("現在のﾉｰﾄﾞ以降全て")};
    for (int i = 0; i < ranges.size(); ++i) {
        auto *option = new QRadioButton(ranges[i], rangePanel);
        m_out->addButton(option, i);
        rangeLayout->addWidget(option);
    }
    m_out->button(2)->setChecked(true);
    choices->addWidget(rangePanel);

    auto *formPanel = new QGroupBox(QStringLiteral("　文書形式"), this);
    auto *formLayout = new QVBoxLayout(formPanel);
    m_doc = new QButtonGroup(this);
    const QStringList forms = {QStringLiteral("ﾃｷｽﾄ"), QStringLiteral("MSﾜｰﾄﾞ文書(通常ﾍｯﾀﾞ付き)"),
                               QStringLiteral("MSﾜｰﾄﾞ文書(目次付きｱｳﾄﾗｲﾝ)"), QStringLiteral("MSﾜｰﾄﾞ文書(画像なし)")};
    for (int i = 0; i < forms.size(); ++i) {
        auto *option = new QRadioButton(forms[i], formPanel);
        m_doc->addButton(option, i);
        formLayout->addWidget(option);
    }
    m_doc->button(1)->setChecked(true);
    connect(m_doc, &QButtonGroup::idClicked, this, &sbExpDc::formClicked);
    choices->addWidget(formPanel);

    m_urlPanel = new QGroupBox(QStringLiteral("　代替URL"), this);
    auto *urlLayout = new QHBoxLayout(m_urlPanel);
    for (QLabel *&label : m_site) {
        label = OutsideText::label(m_urlPanel);
        urlLayout->addWidget(label);
    }
    urlLayout->addStretch(1);
    choices->addWidget(m_urlPanel);

    auto *help = new QTextBrowser(this);
    help->setObjectName(QStringLiteral("Rtex"));
    help->setHtml(QStringLiteral(
        "<p><b>出力範囲</b><br>文書の部・章・節で構成で構成されていた場合に二部が指定された場合、<br>"
        "現在の分節だと　二部の各章　(章の下位の節の内容は非出力)<br>"
        "現在の分節以降全てだと　第二部の各章と、各章のの節全てが出力対象となります<br><br>"
        "<b>代替URL</b><br>出力範囲が全てでない場合に、他のページへのリンクの一部が無効になってしまいます<br>"
        "このような場合に、Webに公開している場合は、http://経由のリンクに置き換える事ができます<br>"
        "HTM出力の指定(一括) 又は、サイト出力の指定(Web)で指定されます　(ここでは確認の為に表示)</p>"));
    top->addWidget(help, 1);

    m_msg = new QLabel(this);
    m_msg->setObjectName(QStringLiteral("lbMsg"));
    layout->addWidget(m_msg);
    auto *buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("&OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("&Cancel"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(720, 380);
}

void sbExpDc::formClicked(int index)
{
    m_urlPanel->setEnabled(index != 0);
    m_msg->setText(index == 0 ? QStringLiteral("文書形式がテキストの場合ﾘﾝｸは設定できません") : QString());
}

void sbExpDc::Act(int &iRet, int &iTr, int homeMode, const QString &homeUrl, bool wordForms, QWidget *parent)
{
    sbExpDc dialog(parent);
    if (!wordForms) {
        for (int i = 1; i < 4; ++i)
            dialog.m_doc->button(i)->setEnabled(false);
        dialog.m_doc->button(0)->setChecked(true);
        dialog.formClicked(0);
    }
    dialog.m_site[0]->setText(homeMode == 1 ? QStringLiteral("Htm") : homeMode == 2 ? QStringLiteral("Site") : QString());
    dialog.m_site[1]->setText(homeUrl);
    if (parent) {
        const QRect main = parent->window()->frameGeometry();
        dialog.move(main.x() + (main.width() - dialog.width()) / 2, main.y() + (main.height() - dialog.height()) / 2);
    }
    const bool ok = runner() ? runner()(dialog) : dialog.exec() == QDialog::Accepted;
    if (!ok) {
        iRet = 0;
        return;
    }
    iRet = dialog.m_doc->checkedId() + 1;
    iTr = dialog.m_out->checkedId();
}

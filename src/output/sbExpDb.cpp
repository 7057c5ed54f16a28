#include "output/sbExpDb.h"

#include "core/Frmt.h"
#include "platform/desktop/OutsideText.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTextCursor>
#include <QTextEdit>
#include <QVBoxLayout>

namespace {

sbExpDb::Runner &runner()
{
    static sbExpDb::Runner r;
    return r;
}

const char *const HelpLines[] = {
    "*出力範囲",
    "文書の部・章・節で構成で構成されていた場合に二部が指定された場合、",
    "現在の分節だと　二部の各章　(章の下位の節の内容は非出力)",
    "現在の分節以降全てだと　第二部の各章と、各章のの節全てが出力対象となります",
    "",
    "*代替URL",
    "出力範囲が全てでない場合に、他のページへのリンクの一部が無効になってしまいます",
    "このような場合に、Webに公開している場合は、http://経由のリンクに置き換える事ができます",
    "HTM出力の指定(一括) 又は、サイト出力の指定(Web)で指定されます　(ここでは確認の為に表示)",
};

} // namespace

sbExpDb::sbExpDb(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("文書出力の指定"));
    auto *site = new QGroupBox(QStringLiteral("　代替URL"), this);
    lbSite[0] = OutsideText::label(site);
    lbSite[1] = OutsideText::label(site);
    lbSite[1]->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto *siteRow = new QHBoxLayout(site);
    siteRow->addWidget(lbSite[0]);
    siteRow->addWidget(lbSite[1], 1);

    auto *range = new QGroupBox(QStringLiteral("　出力範囲"), this);
    opOut[1] = new QRadioButton(QStringLiteral("現在のﾉｰﾄﾞ"), range);
    opOut[2] = new QRadioButton(QStringLiteral("現在のﾉｰﾄﾞ以降全て"), range);
    opOut[2]->setChecked(true);
    auto *rangeRow = new QHBoxLayout(range);
    rangeRow->addWidget(opOut[1]);
    rangeRow->addWidget(opOut[2]);
    rangeRow->addStretch();

    Rtex = new QTextEdit(this);
    Rtex->setReadOnly(true);
    QFont help(QStringLiteral("ＭＳ Ｐゴシック"));
    Rtex->setFont(help);
    for (const char *line : HelpLines) {
        QString text = QString::fromUtf8(line);
        const bool heading = text.startsWith(QLatin1Char('*'));
        if (heading)
            text.remove(0, 1);
        Rtex->setFontWeight(heading ? QFont::Bold : QFont::Normal);
        Rtex->append(text);
    }
    Rtex->moveCursor(QTextCursor::Start);
    Rtex->setMinimumHeight(150);
    lbMsg = new QLabel(this);

    auto *ok = new QPushButton(QStringLiteral("&OK"), this);
    auto *cancel = new QPushButton(QStringLiteral("&Cancel"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, [this] { cmOkClick(0); });
    connect(cancel, &QPushButton::clicked, this, [this] { cmOkClick(1); });
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(lbMsg, 1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(site);
    layout->addWidget(range);
    layout->addWidget(Rtex, 1);
    layout->addLayout(buttons);
    resize(520, 360);
}

void sbExpDb::setRunner(Runner r)
{
    runner() = std::move(r);
}

void sbExpDb::cmOkClick(int index)
{
    m_ok = index == 0;
    if (m_ok)
        accept();
    else
        reject();
}

void sbExpDb::Act(QWidget *parent, int &iRet, int &iTr)
{
    sbExpDb form(parent);
    const FrmtState &home = Frmt::st();
    static const char *const kinds[3] = {"", "Htm", "Site"};
    form.lbSite[0]->setText(home.homeKind >= 0 && home.homeKind <= 2 ? QString::fromLatin1(kinds[home.homeKind])
                                                                     : QString());
    form.lbSite[1]->setText(home.homeAddress);
    if (parent) {
        const QRect main = parent->window()->geometry();
        form.move(main.x() + (main.width() - form.width()) / 2, main.y() + (main.height() - form.height()) / 2);
    }
    // Closing by the frame leaves the flag clear: that is Cancel.
    const bool ok = runner() ? runner()(form) : form.exec() == QDialog::Accepted && form.m_ok;
    if (ok) {
        iRet = 1;
        iTr = form.opOut[1]->isChecked() ? 1 : 2;
    } else {
        iRet = 0;
    }
}

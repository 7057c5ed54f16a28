#include "editor/TxmStartPage.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

TxmStartPage::TxmStartPage(uTxm &editor, QWidget *parent)
    : TxmModePage(editor, parent)
{
    auto *layout = new QVBoxLayout(this);
    chPage = new QCheckBox(QStringLiteral("起動時に、前回の表示ﾍﾟｰｼﾞを開く"), this);
    chIME = new QCheckBox(QStringLiteral("文書を開いた時は､自動的にIMEを全角にする"), this);
    layout->addWidget(chPage);
    layout->addWidget(chIME);
    auto *box = new QGroupBox(QStringLiteral("文書が修正された後に､別文書を開く場合"), this);
    auto *options = new QVBoxLayout(box);
    const char *const captions[3] = {"更新 (上書き保存) の確認をする", "自動的に更新 (上書き保存) する",
                                     "何もしない (確認無し･自動更新無し)"};
    for (int i = 0; i < 3; ++i) {
        opSave[i] = new QRadioButton(QString::fromUtf8(captions[i]), box);
        options->addWidget(opSave[i]);
    }
    layout->addWidget(box);
}

void TxmStartPage::load(const QString &answerIn)
{
    const QStringList fields = answerIn.split(QLatin1Char('\t'));
    int flag = 0;
    QString ime = QStringLiteral("OFF");
    QString policy = QStringLiteral("確認");
    if (fields.size() == 3) {
        flag = fields[0].trimmed().toInt();
        ime = fields[1];
        policy = fields[2];
    }
    chPage->setEnabled(true);
    chPage->setChecked(flag != 0);
    chIME->setChecked(ime == QLatin1String("ON"));
    const int option = policy == QStringLiteral("上書") ? 1 : policy == QStringLiteral("無視") ? 2 : 0;
    opSave[option]->setChecked(true);
}

bool TxmStartPage::apply(QString &answer)
{
    const QString policy = opSave[0]->isChecked()   ? QStringLiteral("確認")
                           : opSave[1]->isChecked() ? QStringLiteral("上書")
                                                    : QStringLiteral("無視");
    answer = (chPage->isChecked() ? QStringLiteral("1") : QStringLiteral("0")) + QLatin1Char('\t')
             + (chIME->isChecked() ? QStringLiteral("ON") : QStringLiteral("OFF")) + QLatin1Char('\t') + policy;
    return true;
}

QWidget *TxmStartPage::firstFocus()
{
    return chIME;
}

#include "mainwin/sbSave.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
const int Minutes[5] = {1, 3, 5, 10, 20};
}

sbSave::sbSave(QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("バックアップの設定"));
    chDcS = new QCheckBox(QStringLiteral("Htm等の外部出力時に文書をワード型式(Doc)で保存する"), this);
    chDbS = new QCheckBox(QStringLiteral("文書ﾃﾞｰﾀｰﾍﾞｰｽの最適化実行時に、以前のﾌｧｲﾙを保存する"), this);
    chAsv = new QCheckBox(QStringLiteral("入力中の文書を自動保存する"), this);
    cbAsv = new QComboBox(this);
    cbAsv->addItems({QStringLiteral("　１分毎"), QStringLiteral("　３分毎"), QStringLiteral("　５分毎"),
                     QStringLiteral("１０分毎"), QStringLiteral("２０分毎")});
    auto *note = new QLabel(QStringLiteral("自動保存は文書に編集が加わったﾀｲﾐﾝｸﾞでのみ実施します"), this);
    note->setEnabled(false);
    auto *buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("Ok(&O)"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Cancel(&C)"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(chAsv, &QCheckBox::clicked, this, &sbSave::autoSaveClicked);
    auto *autoRow = new QHBoxLayout;
    autoRow->addWidget(chAsv);
    autoRow->addWidget(cbAsv);
    autoRow->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(chDcS);
    layout->addWidget(chDbS);
    layout->addLayout(autoRow);
    layout->addWidget(note);
    layout->addWidget(buttons);
}

void sbSave::setValues(bool keepWordCopy, bool keepDbCopy, int autoSaveMinutes)
{
    chDcS->setChecked(keepWordCopy);
    chDbS->setChecked(keepDbCopy);
    int entry = -1;
    for (int i = 0; i < 5; ++i) {
        if (Minutes[i] == autoSaveMinutes)
            entry = i;
    }
    cbAsv->setCurrentIndex(entry);
    cbAsv->setEnabled(entry >= 0);
    chAsv->setChecked(entry >= 0);
}

void sbSave::values(bool &keepWordCopy, bool &keepDbCopy, int &autoSaveMinutes) const
{
    keepWordCopy = chDcS->isChecked();
    keepDbCopy = chDbS->isChecked();
    const int entry = cbAsv->currentIndex();
    autoSaveMinutes = chAsv->isChecked() && entry >= 0 ? Minutes[entry] : 0;
}

void sbSave::autoSaveClicked(bool checked)
{
    if (checked && cbAsv->currentIndex() < 0)
        cbAsv->setCurrentIndex(3);
    cbAsv->setEnabled(checked);
}

bool sbSave::Act(bool &keepWordCopy, bool &keepDbCopy, int &autoSaveMinutes)
{
    setValues(keepWordCopy, keepDbCopy, autoSaveMinutes);
    if (parentWidget()) {
        const QRect main = parentWidget()->window()->geometry();
        adjustSize();
        move(main.x() + (main.width() - width()) / 2, main.y() + (main.height() - height()) / 2);
    }
    // Closing by the frame counts as Cancel.
    if (exec() != QDialog::Accepted)
        return false;
    values(keepWordCopy, keepDbCopy, autoSaveMinutes);
    return true;
}

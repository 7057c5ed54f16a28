#pragma once

#include "editor/TxmModePage.h"

class QCheckBox;
class QRadioButton;

// Start-up mode: open the last page at start, the input method on opening a page, and what to do
// with an edited page when another one is opened. Answer "0|1" TAB "ON|OFF" TAB policy.
class TxmStartPage : public TxmModePage
{
    Q_OBJECT
public:
    explicit TxmStartPage(uTxm &editor, QWidget *parent = nullptr);
    QString caption() const override { return QStringLiteral("初期頁･IME･更新保存の設定"); }
    void load(const QString &answerIn) override;
    bool apply(QString &answer) override;
    QWidget *firstFocus() override;

    QCheckBox *chPage = nullptr;
    QCheckBox *chIME = nullptr;
    QRadioButton *opSave[3] = {};
};

#pragma once

#include "editor/TxmModePage.h"

class QButtonGroup;
class QRadioButton;

// Picture layout mode: the layout (1 in line, 2 left, 3 right, 4 other) and the colour reduction
// (0 none, 1 256 colours, 2 8-bit grey) of pasted pictures. Answer: the two digits.
class TxmPicturePage : public TxmModePage
{
    Q_OBJECT
public:
    explicit TxmPicturePage(uTxm &editor, QWidget *parent = nullptr);
    QString caption() const override { return QStringLiteral("画像ﾚｲｱｳﾄの既定値"); }
    void load(const QString &answerIn) override;
    bool apply(QString &answer) override;

    QRadioButton *opTxf[4] = {};
    QRadioButton *opImg[3] = {};

private:
    QButtonGroup *m_colours = nullptr;
};

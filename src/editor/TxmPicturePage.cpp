#include "editor/TxmPicturePage.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

TxmPicturePage::TxmPicturePage(uTxm &editor, QWidget *parent)
    : TxmModePage(editor, parent)
{
    auto *grid = new QGridLayout(this);
    auto *layoutBox = new QGroupBox(QStringLiteral("ﾚｲｱｳﾄ"), this);
    auto *layouts = new QVBoxLayout(layoutBox);
    const char *const layoutCaptions[4] = {"行内", "左寄せ", "右寄せ", "その他"};
    for (int i = 0; i < 4; ++i) {
        opTxf[i] = new QRadioButton(QString::fromUtf8(layoutCaptions[i]), layoutBox);
        layouts->addWidget(opTxf[i]);
    }
    auto *colourBox = new QGroupBox(QStringLiteral("貼付時の減色"), this);
    auto *colours = new QVBoxLayout(colourBox);
    m_colours = new QButtonGroup(this);
    const char *const colourCaptions[3] = {"減色無し", "256色", "8ﾋﾞｯﾄｸﾞﾚｲ"};
    for (int i = 0; i < 3; ++i) {
        opImg[i] = new QRadioButton(QString::fromUtf8(colourCaptions[i]), colourBox);
        colours->addWidget(opImg[i]);
        m_colours->addButton(opImg[i], i);
    }
    grid->addWidget(layoutBox, 0, 0);
    grid->addWidget(colourBox, 0, 1);
    auto *notes = new QLabel(QStringLiteral("行内以外は、MS ワードの四角と同等です\n"
                                            "Htm・Epubへ出力する場合、その他以外を指定して下さい\n"
                                            "Ctrl+Bでの貼付時の指定です Ctrl+Vでの貼付は、左寄せとなります"),
                             this);
    notes->setObjectName(QStringLiteral("lbTxf"));
    grid->addWidget(notes, 1, 0, 1, 2);
}

void TxmPicturePage::load(const QString &answerIn)
{
    int layout = 0;
    int colour = 0;
    if (answerIn.size() >= 2) {
        layout = answerIn.left(1).toInt();
        colour = answerIn.right(1).toInt();
    } else {
        layout = answerIn.trimmed().toInt();
    }
    if (layout < 1 || layout > 4)
        layout = 1;
    opTxf[layout - 1]->setChecked(true);
    // A colour out of range selects no option: the group must let all of them go.
    m_colours->setExclusive(false);
    for (int i = 0; i < 3; ++i)
        opImg[i]->setChecked(i == colour);
    m_colours->setExclusive(true);
}

bool TxmPicturePage::apply(QString &answer)
{
    const QChar layout = opTxf[3]->isChecked() ? QLatin1Char('4')
                         : opTxf[2]->isChecked() ? QLatin1Char('3')
                         : opTxf[1]->isChecked() ? QLatin1Char('2')
                                                 : QLatin1Char('1');
    const QChar colour = opImg[0]->isChecked() ? QLatin1Char('0') : opImg[1]->isChecked() ? QLatin1Char('1')
                                                                                         : QLatin1Char('2');
    answer = QString(layout) + colour;
    return true;
}

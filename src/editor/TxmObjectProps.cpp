#include "editor/TxmObjectProps.h"

#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include <cmath>

namespace {

constexpr double TwipsPerCm = 1440 / 2.54;
// The sizes a page can show: one pixel up to a hundred inches.
constexpr double SmallestCm = 0.03;
constexpr double LargestCm = 254.0;

QDoubleSpinBox *centimetreBox(int twips, QWidget *parent)
{
    auto *box = new QDoubleSpinBox(parent);
    box->setDecimals(2);
    box->setRange(SmallestCm, LargestCm);
    box->setSingleStep(0.1);
    box->setValue(twips / TwipsPerCm);
    return box;
}

} // namespace

TxmObjectProps::TxmObjectProps(const QSize &twips, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("TxmObjectProps"));
    setWindowTitle(QStringLiteral("ﾌﾟﾛﾊﾟﾃｨ"));
    setModal(true);
    txObjWd = centimetreBox(twips.width(), this);
    txObjHi = centimetreBox(twips.height(), this);
    auto *widthLabel = new QLabel(QStringLiteral("幅(&W):"), this);
    widthLabel->setBuddy(txObjWd);
    auto *heightLabel = new QLabel(QStringLiteral("高さ(&H):"), this);
    heightLabel->setBuddy(txObjHi);
    cmOk = new QPushButton(QStringLiteral("OK"), this);
    cmOk->setDefault(true);
    cmCancel = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    auto *grid = new QGridLayout(this);
    grid->addWidget(widthLabel, 0, 0);
    grid->addWidget(txObjWd, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("cm"), this), 0, 2);
    grid->addWidget(heightLabel, 1, 0);
    grid->addWidget(txObjHi, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("cm"), this), 1, 2);
    grid->addWidget(cmOk, 2, 1);
    grid->addWidget(cmCancel, 2, 2);
    connect(cmOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmCancel, &QPushButton::clicked, this, &QDialog::reject);
    m_shown = twips;
    m_shownWidth = txObjWd->value();
    m_shownHeight = txObjHi->value();
}

QSize TxmObjectProps::typedSize() const
{
    // A side left as shown keeps its exact size: the centimetres shown are rounded.
    const auto twips = [](double cm) { return int(std::lround(cm * TwipsPerCm)); };
    return QSize(txObjWd->value() == m_shownWidth ? m_shown.width() : twips(txObjWd->value()),
                 txObjHi->value() == m_shownHeight ? m_shown.height() : twips(txObjHi->value()));
}

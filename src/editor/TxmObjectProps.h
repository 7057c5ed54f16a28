#pragma once

#include <QDialog>
#include <QSize>

class QDoubleSpinBox;
class QPushButton;

// The object popup's "ﾌﾟﾛﾊﾟﾃｨ": the shown size of a picture or text frame, in centimetres.
class TxmObjectProps : public QDialog
{
    Q_OBJECT

public:
    explicit TxmObjectProps(const QSize &twips, QWidget *parent = nullptr);

    QSize typedSize() const; // twips

    QDoubleSpinBox *txObjWd = nullptr;
    QDoubleSpinBox *txObjHi = nullptr;
    QPushButton *cmOk = nullptr;
    QPushButton *cmCancel = nullptr;

private:
    QSize m_shown;
    double m_shownWidth = 0;
    double m_shownHeight = 0;
};

#pragma once

#include "editor/TxmModePage.h"

class QLineEdit;
class QRadioButton;

// Display mode: normal or page view, and the zoom (fixed steps, fit page, fit width or typed). OK
// applies both to the editor and keeps them as the display settings.
class TxmDisplayPage : public TxmModePage
{
    Q_OBJECT
public:
    explicit TxmDisplayPage(uTxm &editor, QWidget *parent = nullptr);
    QString caption() const override { return QStringLiteral("表示設定"); }
    void load(const QString &answerIn) override;
    bool apply(QString &answer) override;

    // The zoom of option k (0-7, 8 none) for a control and a page of the given sizes in twips.
    int zoomFor(int option, double controlWidth, double controlHeight, double pageWidth, double pageHeight) const;

    QRadioButton *opDP[2] = {};
    QRadioButton *opZoom[8] = {};
    QLineEdit *txZoom = nullptr;
};

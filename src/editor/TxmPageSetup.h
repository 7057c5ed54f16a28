#pragma once

#include "editor/TxmModePage.h"
#include "platform/richtext/PageSetup.h"

class QComboBox;
class QFrame;
class QLineEdit;
class QPushButton;
class QRadioButton;

// Page setup mode: paper size from a list of named sizes or typed, portrait or landscape, and the
// four margins, in centimetres. OK writes them into the page; a button stores them as the default
// page of new documents.
class TxmPageSetup : public TxmModePage
{
    Q_OBJECT
public:
    explicit TxmPageSetup(uTxm &editor, QWidget *parent = nullptr);
    QString caption() const override { return QStringLiteral("ﾍﾟｰｼﾞ設定"); }
    void load(const QString &answerIn) override;
    bool apply(QString &answer) override;
    QWidget *firstFocus() override;

    // Twips as centimetres with two decimals, and back (a comma counts as the decimal point; the
    // leading number of the text; halves to the even twip).
    static QString sTwpsDlg(double twips);
    static int nDlgTwps(const QString &text);
    // Entry 0-14 of the paper table; false (and nothing written) for any other index.
    static bool PaperSize(int index, QString &label, int &width, int &height);
    // A size and margins that this mode accepts: within the largest paper, with room for text.
    static bool usable(const PageSetup &setup);

    void choosePaper(int index);
    void setLandscape(bool landscape);
    void PaperMatch();
    bool okEnabled() const;
    void storeDefault();
    QRect previewRect() const;

    QComboBox *cbPage = nullptr;
    QRadioButton *OpVH[2] = {};
    QLineEdit *txPgWd = nullptr;
    QLineEdit *txPgHi = nullptr;
    QLineEdit *txLftMrg = nullptr;
    QLineEdit *txTopMrg = nullptr;
    QLineEdit *txRghMrg = nullptr;
    QLineEdit *txBtmMrg = nullptr;
    QPushButton *cmPage = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void PaperFill(bool previewOnly);
    void CheckMargins();
    PageSetup typedSetup() const;
    int pixels(double twips, bool horizontal) const; // at the screen's resolution
    bool checkUsable(const PageSetup &setup);

    QFrame *m_shape = nullptr;
    bool m_landscape = false;
    bool m_loading = false;
    bool m_okEnabled = true;
};

#pragma once

#include <QDialog>
#include <QMap>

class QPushButton;
class QStackedWidget;
class TxmModePage;
class uTxm;

// The editor's settings dialog: one modal window whose page follows the mode (TB table, PG page
// setup, US user styles, DP display, LK/LK_OBJ link, IM start-up options, TF picture layout, FD/RP
// find and replace). One instance per editor, kept between calls so that the find history lives as
// long as the editor. A cancelled dialog answers "" whatever came in.
class sbTxmDialog : public QDialog
{
    Q_OBJECT
public:
    explicit sbTxmDialog(uTxm &editor);

    // The dialog of `editor`, made on first use.
    static sbTxmDialog &of(uTxm &editor);

    // Shows the mode modally; `answer` in and out.
    void Act(const QString &mode, QString &answer);

    // The steps of Act without the modal display, for callers that drive the dialog themselves.
    bool prepare(const QString &mode, const QString &answerIn);
    // Size (7300 x 2700 twips, or the mode's own page when it needs more) and place, centred on the
    // main window; the same for a mode whatever modes were shown before.
    void place();
    bool okClicked();     // false when the page refused; the dialog stays open
    void cancelClicked();
    QString answer() const { return m_answer; }
    QString mode() const { return m_mode; }
    bool replaceFlag() const { return m_replace; }
    TxmModePage *page(const QString &mode) const { return m_pages.value(mode); }
    QPushButton *okButton() const { return m_ok; }
    QPushButton *cancelButton() const { return m_cancel; }

public slots:
    void reject() override; // Cancel, Escape and the close box

protected:
    void showEvent(QShowEvent *event) override;

private:
    TxmModePage *pageFor(const QString &mode);

    uTxm &m_editor;
    QStackedWidget *m_stack = nullptr;
    QPushButton *m_ok = nullptr;
    QPushButton *m_cancel = nullptr;
    QMap<QString, TxmModePage *> m_pages;
    QString m_mode;
    QString m_answer;
    bool m_replace = false;
};

#pragma once

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

// The script text of a script insert: a modal text box whose text stays from one call to the next
// while the program runs, so a script can be changed and inserted again.
class sbScrpt : public QDialog
{
    Q_OBJECT
public:
    // The one window, made on first use.
    static sbScrpt &instance();
    // `sTx` out: the plain text after OK, "" after Cancel.
    static void Act(QString &sTx);

    QString result() const { return m_ok ? text() : QString(); }
    QString text() const;
    void press(int index); // 0 OK, 1 Cancel

    QPlainTextEdit *txRtx = nullptr;
    QPushButton *cmOk[2] = {}; // 0 OK, 1 Cancel

private:
    explicit sbScrpt(QWidget *parent = nullptr);
    bool m_ok = false;
};

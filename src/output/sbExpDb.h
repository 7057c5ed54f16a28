#pragma once

#include <QDialog>

#include <functional>

class QLabel;
class QRadioButton;
class QTextEdit;

// The options of the export to a new document database: the output range
// (the current node with its children, or with everything below it) and,
// for information, the alternate address that replaces links to pages left out.
class sbExpDb : public QDialog
{
    Q_OBJECT
public:
    explicit sbExpDb(QWidget *parent = nullptr);

    // Shows the dialog over `parent`; on OK iRet = 1 and iTr = 1 or 2 (the
    // chosen range), on Cancel or closing iRet = 0 and iTr stays.
    static void Act(QWidget *parent, int &iRet, int &iTr);

    // How the dialog is shown: exec() unless a test puts its own runner
    // (it gets the filled dialog and returns true for OK).
    using Runner = std::function<bool(sbExpDb &)>;
    static void setRunner(Runner runner);

    QLabel *lbSite[2] = {};
    QRadioButton *opOut[3] = {}; // 1 and 2; 0 unused
    QTextEdit *Rtex = nullptr;
    QLabel *lbMsg = nullptr;

private:
    void cmOkClick(int index);

    bool m_ok = false;
};

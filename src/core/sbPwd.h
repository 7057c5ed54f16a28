#pragma once

#include <QDialog>

#include <functional>

class QLineEdit;
class QPushButton;

// Asks for the password of a protected database.
class sbPwd : public QDialog
{
    Q_OBJECT
public:
    // Shows the prompt modally with the file name as caption; returns the typed
    // password without surrounding blanks, "" when cancelled or left blank.
    static QString Act(const QString &fileName);

    // Tests replace the modal show by a driver that types and presses buttons
    // on the real dialog; an empty driver restores the modal show.
    using Driver = std::function<void(sbPwd &)>;
    static void setDriver(Driver driver);
    // A program without windows (a benchmark) answers in place of the dialog,
    // which is then never made: the answer for the file name, "" to cancel.
    using Source = std::function<QString(const QString &fileName)>;
    static void setSource(Source source);

    QLineEdit *txPwd() const { return m_txPwd; }
    QPushButton *cmOk(int index) const { return index == 0 ? m_ok : m_cancel; }
    QString answer() const { return m_answer; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    explicit sbPwd(QWidget *parent);
    void cmOk_Click(int index);

    QLineEdit *m_txPwd = nullptr;
    QPushButton *m_ok = nullptr;
    QPushButton *m_cancel = nullptr;
    QString m_answer;
};

#pragma once

#include <QDialog>

class QAction;
class QLineEdit;
class QListWidget;
class QPushButton;

// The tooltip-phrase dictionary (table msDic of the open database, its only reader and writer): the
// user picks a registered phrase with its tooltip text, or types a new pair, and registers, renames
// or deletes pairs. Values are always bound, never built into the statements.
class sbDic : public QDialog
{
    Q_OBJECT
public:
    explicit sbDic(QWidget *parent = nullptr);

    // Shows the dictionary for the phrase and tooltip text of a field; both in and out, two empty
    // texts when the user cancelled.
    static void Act(QString &sCp, QString &sDs);

    // The steps of Act before and after the modal display.
    void prepare(const QString &sCp, const QString &sDs);
    void menuJob(int index);   // 0 new, 1 change, 2 add, 3 delete
    bool finish(int index);    // 0 OK, 1 Cancel; false when the user chose to stay
    QString resultPhrase() const { return m_resultPhrase; }
    QString resultText() const { return m_resultText; }
    bool isNewPhrase() const { return m_newPhrase; }
    int selectedIndex() const { return m_selected; }

    QLineEdit *txSK = nullptr;
    QLineEdit *txSZ = nullptr;
    QListWidget *lsDic = nullptr;
    QPushButton *cmOk[2] = {};
    QAction *mnDic[4] = {};
    QAction *mnTip[2] = {};

public slots:
    void reject() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void fillList(const QString &phrase, bool clickRule);
    void clickRule(int row);
    void phraseChanged();
    void textChanged();
    void refreshMenus();
    bool run(const QString &sql, const QVariantList &values);
    void setQuiet(QLineEdit *box, const QString &text);

    QString m_registered;
    QString m_loaded;
    int m_selected = -1;
    bool m_newPhrase = false;
    bool m_quiet = false;
    QString m_resultPhrase;
    QString m_resultText;
};

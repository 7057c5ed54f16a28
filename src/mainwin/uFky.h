#pragma once

#include <QWidget>

class FkyHost;
class QLabel;
class QProgressBar;
class QToolButton;

// The function-key bar: two rows of twelve keys (plain "F" and Ctrl "C"), a
// status panel with an icon and a message, and a progress bar that takes the
// panel's place during long jobs. Keys are bound to the host's menu items; a
// click calls the host's dispatcher with the item's group and index.
class uFky : public QWidget
{
    Q_OBJECT
public:
    explicit uFky(QWidget *parent = nullptr);
    ~uFky() override;

    void cOn(FkyHost *host, bool fullGroups);
    void cOff();
    void cKey(const QString &key, int group, int index, const QString &caption, QString tip);
    void cCap(const QString &key, const QString &caption);
    // The parent map from the enabling pattern of the program's window: none is kept for this
    // program, so the map stays empty. buildParentMap() runs the same on a given pattern.
    void cKyS();
    void buildParentMap(const QString &pattern);
    QString parentMap() const { return m_prnMap; }
    void SetEnb(int group, const QString &indexes, bool enabled, bool visibility);
    void SetEnbKy(const QString &keys, bool enabled);
    void SetEnbByMenu();
    // Keys this host does not have: their places stay empty ("F9,C1").
    void setAbsentKeys(const QString &keys);
    void SetDef();
    void PanelTx(const QString &text, int level);
    void pbMax(int maximum);
    void pbVAL(int value);
    void StSize();

    // A press of key `number` (1-12) with `modifiers`; true when a bound key sent its command.
    bool keyPress(int number, Qt::KeyboardModifiers modifiers);

    static QString sHex(int group, int index);
    static void iHex(const QString &code, int &group, int &index);

    QString keyMap() const { return m_keyMap; }
    QString keySet() const { return m_set; }
    QString layoutText() const { return m_layout; }
    QToolButton *key(const QString &name) const;
    QString panelText() const;
    int panelLevel() const { return m_level; }
    bool progressShown() const;
    bool panelShown() const;

protected:
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildKeys();
    void showSet(const QString &set);
    void placeKeys(QWidget *row, const QRect &area);
    QString firstKeyOf(const QString &code) const;
    QString childKeysOf(const QString &code) const;
    int twips(int pixels, bool horizontal) const;

    FkyHost *m_host = nullptr;
    QString m_keyMap;
    QString m_prnMap; // per parent item: code "=" the keys of the items below it, each with "," then "/"
    QStringList m_absent;
    QString m_layout = QStringLiteral("4|4|1");
    QString m_set = QStringLiteral("F");
    int m_level = -1;
    QWidget *m_rows[2] = {};
    QList<QToolButton *> m_keys[2];
    QWidget *m_panel = nullptr;
    QLabel *m_icon = nullptr;
    QLabel *m_text = nullptr;
    QProgressBar *m_bar = nullptr;
};

#pragma once

#include <QVariant>

#include <functional>
#include <QVector>
#include <QWidget>

class EditorServices;
class QAction;
class QMenu;
class uTxm;

// The page editor's companion form: it owns the editor's popup menus and turns a chosen item into
// an editor command through the caption table (DoMenuJob). Callers clear iRJb (or iOndx), pop a menu
// up and read the public variables afterwards. Its settings dialog (Act) is served by the editor's
// services. One instance per editor control; it stays hidden.
class sbTxm : public QWidget
{
    Q_OBJECT
public:
    // Item arrays, addressed by the indexes of the menu tables (gaps hold no item).
    enum Menu { mnEdit, mnPast, mnDisp, mnLocal, mnInsDc, mnChart, mnHeader, mnFooter, mnSelc,
                mnTbl, mnTins, mnTsp, mnTdel, mnTslc, mnProp, mnUser, mnObjct, mnTrx, MenuCount };

    explicit sbTxm(uTxm *owner);

    int iRJb = 0;       // job code chosen in the editor menu; 0 nothing
    QVariant vOpt;      // its argument
    int iOndx = -1;     // item chosen in the object or viewer menu; -1 nothing

    void cTyp(int iTy);
    void cOn(uTxm *editor);
    void cOff();
    // Settings dialog by mode; `sAns` in and out, empty when cancelled.
    void Act(const QString &sJb, QString &sAns);
    void RepertJb();

    QMenu *mnRtf() const { return m_rtf; }
    QMenu *mnObj() const { return m_obj; }
    QMenu *mnTr() const { return m_tr; }
    QAction *item(Menu menu, int index) const;
    // The editor menu at a screen position; returns after the choice (iRJb, vOpt).
    void popupRtf(const QPoint &at);

    // Sets iRJb and vOpt from an item caption and argument, and rewrites the repeat item.
    void DoMenuJob(QString caption, const QVariant &argument);

    // The job code an item of the editor menu runs, 0 for none (object and viewer menus have none).
    int jobOf(Menu menu, int index) const;
    // Disables the items of the editor menu whose job `built` refuses, and a submenu holding only
    // such items.
    void disableUnbuilt(const std::function<bool(int)> &built);

private:
    QMenu *fill(QMenu *menu, Menu id, const QStringList &captions);
    QMenu *subMenu(Menu parent, int index, Menu id, const QStringList &captions);
    void clicked(Menu menu, int index);
    void clickedDisp(int index);
    void clickedHeaderFooter(Menu menu, int index);
    void build();

    uTxm *m_editor = nullptr;
    int m_kind = 0;
    QString m_mode;
    QMenu *m_rtf = nullptr;
    QMenu *m_obj = nullptr;
    QMenu *m_tr = nullptr;
    QVector<QAction *> m_items[MenuCount];
};

#pragma once

#include <QWidget>

class QComboBox;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

// The where-used tree: pages found by their text stand at the top, and below
// each page, loaded one level at a time as the user chooses it, stand the
// pages that hold it as a child (its parents), then theirs, up to the pages
// placed only at the top level. Reads the database, never writes it.
class uTrg : public QWidget
{
    Q_OBJECT
public:
    static constexpr int KeyRole = Qt::UserRole;
    static constexpr int ImageRole = Qt::UserRole + 1;

    explicit uTrg(QWidget *parent = nullptr);

    void cOn() {}
    void cOff();
    // Puts page nNo, titled sSz, below the selected node, or selects the child
    // that already has that text; on an empty tree (or with nothing selected)
    // the page goes to the top level.
    void tgTree(const QString &sSz, qint32 nNo);
    void StSize();

    void FindDoc();
    // Chooses the tree's current node as a click does.
    void SlctNd();

    QComboBox &findBox() const { return *cbFind; }
    QPushButton &findButton() const { return *cmFind; }
    QTreeWidget &view() const { return *trView; }
    QString findWords() const { return sFndWd; }
    static QString GetKyNo(const QString &key);

signals:
    void eSetDoc(const QString &sNo, const QString &sWd);

private:
    QString MkNdKy(qint64 page, int kind);
    static int GetNdImg(qint64 page);
    void SetNdImg(QTreeWidgetItem *node, int state);
    void setImage(QTreeWidgetItem *node, int image);
    QTreeWidgetItem *addNode(QTreeWidgetItem *parent, const QString &key, const QString &text, int image);
    void SetPrNds(QTreeWidgetItem *node);

    QComboBox *cbFind = nullptr;
    QPushButton *cmFind = nullptr;
    QTreeWidget *trView = nullptr;
    int iNdSq = 0;
    QStringList m_findList;  // phrases already in the drop-down list
    QString sFndWd;
};

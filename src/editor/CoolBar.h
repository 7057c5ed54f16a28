#pragma once

#include <QVector>
#include <QWidget>

class QVBoxLayout;

// The editor's band bar: four bands, each carrying one named child bar, laid out in rows. Its layout
// is kept as the text "position-width-R|N-name:" per band, which the settings store holds.
class CoolBar : public QWidget
{
    Q_OBJECT
public:
    explicit CoolBar(QWidget *parent = nullptr);

    // Adds a band for `child` (named by its object name) in design order; `newRow` starts a row.
    void addBand(QWidget *child, bool newRow);
    int bandCount() const { return m_bands.size(); }
    QWidget *bandChild(int band) const;   // band 1..n
    bool bandShown(int band) const;
    int bandWidth(int band) const;
    bool bandNewRow(int band) const;

    // Shows or hides the band that carries the child of this number (1 tlBar .. 4 vStatus).
    void setChildShown(int childNo, bool shown);
    bool childShown(int childNo) const;

    QString layoutString() const;
    // Applies a stored layout; false (and the design arrangement) for an empty or malformed text.
    bool restore(const QString &layout);
    void restoreDesign();

    // Number of a child bar by name: "tlBar" 1, "frFmt" 2, "vButton" 3, "vStatus" 4, any other 0.
    static int childNo(const QString &name);

signals:
    void heightChanged();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    struct Band {
        QWidget *child = nullptr;
        int width = 0;
        bool newRow = false;
        bool shown = true;
    };
    void rebuild();
    int bandOfChild(int childNo) const;

    QVector<Band> m_bands;
    QVector<Band> m_design;
    QVBoxLayout *m_rows = nullptr;
};

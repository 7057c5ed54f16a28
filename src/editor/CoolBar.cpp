#include "editor/CoolBar.h"

#include <QHBoxLayout>
#include <QResizeEvent>
#include <QVBoxLayout>

#include <algorithm>

namespace {
const int HiddenBandWidth = 500;
}

CoolBar::CoolBar(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("clBar"));
    m_rows = new QVBoxLayout(this);
    m_rows->setContentsMargins(0, 0, 0, 0);
    m_rows->setSpacing(1);
}

void CoolBar::addBand(QWidget *child, bool newRow)
{
    Band band;
    band.child = child;
    band.newRow = newRow;
    band.width = qMax(1, child->sizeHint().width());
    child->setParent(this);
    m_bands.append(band);
    m_design = m_bands;
    rebuild();
}

QWidget *CoolBar::bandChild(int band) const
{
    return band >= 1 && band <= m_bands.size() ? m_bands[band - 1].child : nullptr;
}

bool CoolBar::bandShown(int band) const
{
    return band >= 1 && band <= m_bands.size() && m_bands[band - 1].shown;
}

int CoolBar::bandWidth(int band) const
{
    return band >= 1 && band <= m_bands.size() ? m_bands[band - 1].width : 0;
}

bool CoolBar::bandNewRow(int band) const
{
    return band >= 1 && band <= m_bands.size() && m_bands[band - 1].newRow;
}

int CoolBar::bandOfChild(int number) const
{
    for (int i = 0; i < m_bands.size(); ++i) {
        if (m_bands[i].child && childNo(m_bands[i].child->objectName()) == number)
            return i;
    }
    return -1;
}

void CoolBar::setChildShown(int number, bool shown)
{
    const int i = bandOfChild(number);
    if (i < 0 || m_bands[i].shown == shown)
        return;
    m_bands[i].shown = shown;
    rebuild();
}

bool CoolBar::childShown(int number) const
{
    const int i = bandOfChild(number);
    return i >= 0 && m_bands[i].shown;
}

QString CoolBar::layoutString() const
{
    QString text;
    for (int i = 0; i < m_bands.size(); ++i) {
        const Band &band = m_bands[i];
        if (!band.child)
            continue;
        const int width = band.shown ? band.width : 0;
        text += QStringLiteral("%1-%2-%3-%4:").arg(i + 1).arg(width)
                    .arg(band.newRow ? QStringLiteral("R") : QStringLiteral("N"), band.child->objectName());
    }
    return text;
}

bool CoolBar::restore(const QString &layout)
{
    QString text = layout;
    if (text.endsWith(QLatin1Char(':')))
        text.chop(1);
    if (text.isEmpty()) {
        restoreDesign();
        return false;
    }
    QStringList items = text.split(QLatin1Char(':'));
    std::stable_sort(items.begin(), items.end(),
                     [](const QString &a, const QString &b) { return a.left(1) < b.left(1); });
    QVector<Band> bands;
    for (int i = 0; i < m_design.size(); ++i) {
        const QStringList parts = i < items.size() ? items[i].split(QLatin1Char('-')) : QStringList();
        QWidget *child = nullptr;
        if (parts.size() == 4) {
            for (const Band &b : m_design) {
                if (b.child->objectName() == parts[3])
                    child = b.child;
            }
        }
        bool numeric = false;
        const int width = parts.size() == 4 ? parts[1].toInt(&numeric) : 0;
        if (!child || !numeric) {
            restoreDesign();
            return false;
        }
        Band band;
        band.child = child;
        band.shown = width > 0;
        band.width = width > 0 ? width : HiddenBandWidth;
        band.newRow = parts[2] == QLatin1String("R");
        bands.append(band);
    }
    for (int i = 0; i < bands.size(); ++i) {
        for (int j = i + 1; j < bands.size(); ++j) {
            if (bands[i].child == bands[j].child) {
                restoreDesign();
                return false;
            }
        }
    }
    m_bands = bands;
    rebuild();
    return true;
}

void CoolBar::restoreDesign()
{
    m_bands = m_design;
    rebuild();
}

int CoolBar::childNo(const QString &name)
{
    static const char *const names[] = {"tlBar", "frFmt", "vButton", "vStatus"};
    for (int i = 0; i < 4; ++i) {
        if (name == QLatin1String(names[i]))
            return i + 1;
    }
    return 0;
}

void CoolBar::rebuild()
{
    while (QLayoutItem *row = m_rows->takeAt(0)) {
        if (QLayout *inner = row->layout()) {
            while (QLayoutItem *item = inner->takeAt(0))
                delete item;
        }
        delete row;
    }
    QHBoxLayout *row = nullptr;
    for (const Band &band : std::as_const(m_bands)) {
        if (!row || band.newRow) {
            row = new QHBoxLayout;
            row->setSpacing(4);
            m_rows->addLayout(row);
        }
        row->addWidget(band.child);
        band.child->setVisible(band.shown);
    }
    if (row)
        row->addStretch(1);
}

void CoolBar::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (event->oldSize().height() != event->size().height())
        emit heightChanged();
}

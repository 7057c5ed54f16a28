#include "mainwin/uFky.h"

#include "mainwin/FkyHost.h"

#include <QAction>
#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>
#include <QToolButton>

#include <cmath>

namespace {

constexpr int KeyCount = 12;

// The four status icons: push pin, warning triangle, bell, key.
QPixmap statusIcon(int index)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    switch (index) {
    case 1: {
        QPainterPath path;
        path.moveTo(8, 1);
        path.lineTo(15, 14);
        path.lineTo(1, 14);
        path.closeSubpath();
        p.fillPath(path, QColor(220, 30, 30));
        p.setPen(QPen(Qt::white, 2));
        p.drawLine(8, 5, 8, 9);
        p.drawPoint(8, 12);
        break;
    }
    case 2:
        p.setBrush(QColor(30, 60, 220));
        p.setPen(Qt::NoPen);
        p.drawChord(QRect(3, 2, 10, 14), 0, 180 * 16);
        p.drawRect(3, 8, 10, 4);
        p.drawEllipse(QPoint(8, 14), 2, 2);
        break;
    case 3:
        p.setPen(QPen(QColor(200, 20, 20), 2));
        p.drawEllipse(QRect(2, 2, 6, 6));
        p.drawLine(7, 7, 14, 14);
        p.drawLine(11, 11, 13, 9);
        break;
    default:
        p.setBrush(QColor(0, 170, 170));
        p.setPen(Qt::NoPen);
        p.drawEllipse(QRect(5, 1, 8, 8));
        p.setPen(QPen(QColor(0, 110, 110), 2));
        p.drawLine(8, 8, 4, 15);
        break;
    }
    return pixmap;
}

QColor levelColour(int index)
{
    switch (index) {
    case 1: return QColor(255, 0, 0);
    case 2: return QColor(0, 0, 255);
    case 3: return QColor(0, 0, 0);
    default: return QColor(0, 128, 128);
    }
}

} // namespace

uFky::uFky(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("uFky"));
    buildKeys();
    m_panel = new QWidget(this);
    m_panel->setObjectName(QStringLiteral("mPnl"));
    auto *panelLayout = new QHBoxLayout(m_panel);
    panelLayout->setContentsMargins(4, 0, 4, 0);
    m_icon = new QLabel(m_panel);
    m_text = new QLabel(m_panel);
    m_text->setTextFormat(Qt::PlainText);
    panelLayout->addWidget(m_icon);
    panelLayout->addWidget(m_text, 1);
    m_bar = new QProgressBar(this);
    m_bar->hide();
    qApp->installEventFilter(this);
    showSet(QStringLiteral("F"));
}

uFky::~uFky()
{
    qApp->removeEventFilter(this);
}

void uFky::buildKeys()
{
    for (int set = 0; set < 2; ++set) {
        m_rows[set] = new QWidget(this);
        for (int k = 1; k <= KeyCount; ++k) {
            auto *button = new QToolButton(m_rows[set]);
            button->setObjectName(QStringLiteral("F%1").arg(k));
            button->setToolButtonStyle(Qt::ToolButtonTextOnly);
            button->setFocusPolicy(Qt::NoFocus);
            button->setText(QStringLiteral("%1%2").arg(set ? QLatin1Char('C') : QLatin1Char('F')).arg(k));
            const Qt::KeyboardModifiers modifiers = set ? Qt::ControlModifier : Qt::NoModifier;
            connect(button, &QToolButton::clicked, this, [this, k, modifiers] { keyPress(k, modifiers); });
            m_keys[set].append(button);
        }
    }
}

// ---- binding

void uFky::cOn(FkyHost *host, bool fullGroups)
{
    if (fullGroups)
        m_layout = QStringLiteral("4|4|4");
    m_host = host;
    m_keyMap.clear();
    showSet(QStringLiteral("F"));
    StSize();
}

void uFky::cOff()
{
    m_keyMap.clear();
    m_host = nullptr;
}

QString uFky::sHex(int group, int index)
{
    auto digit = [](int v) { return QChar(v < 10 ? '0' + v : v + 55); };
    if (group < 0 || group > 35 || index < 0 || index > 35)
        return QString();
    return QString(digit(group)) + digit(index);
}

void uFky::iHex(const QString &code, int &group, int &index)
{
    auto value = [](QChar c) {
        int v = c.unicode() - 48;
        return v > 9 ? v - 7 : v;
    };
    group = code.size() > 0 ? value(code.at(0)) : -1;
    index = code.size() > 1 ? value(code.at(1)) : -1;
}

QToolButton *uFky::key(const QString &name) const
{
    if (name.size() < 2)
        return nullptr;
    const QChar set = name.at(0).toUpper();
    if (set != QLatin1Char('F') && set != QLatin1Char('C'))
        return nullptr;
    bool ok = false;
    const int number = name.mid(1).toInt(&ok);
    if (!ok || number < 1 || number > KeyCount)
        return nullptr;
    return m_keys[set == QLatin1Char('C') ? 1 : 0].at(number - 1);
}

void uFky::cKey(const QString &keyName, int group, int index, const QString &caption, QString tip)
{
    QAction *item = m_host ? m_host->menuItem(group, index) : nullptr;
    const QString code = sHex(group, index);
    if (!item || code.isEmpty() || keyName.size() != 2)
        return;
    if (tip.isEmpty())
        tip = item->text().section(QLatin1Char('('), 0, 0);
    const int old = m_keyMap.indexOf(keyName + QLatin1Char('='));
    if (old >= 0)
        m_keyMap.remove(old, 6);
    m_keyMap += keyName + QLatin1Char('=') + code + QLatin1Char(',');
    QToolButton *button = key(keyName);
    if (!button)
        return;
    if (caption.isEmpty()) {
        button->setText(QString());
        button->setToolTip(QString());
    } else {
        button->setText(keyName + QLatin1Char(' ') + caption);
        if (!tip.isEmpty())
            button->setToolTip(tip);
    }
}

void uFky::cCap(const QString &keyName, const QString &caption)
{
    if (QToolButton *button = key(keyName))
        button->setText(keyName + QLatin1Char(' ') + caption);
    const int at = m_keyMap.indexOf(keyName + QLatin1Char('='));
    if (at < 0 || !m_host)
        return;
    int group = 0, index = 0;
    iHex(m_keyMap.mid(at + 3, 2), group, index);
    if (QAction *item = m_host->menuItem(group, index))
        item->setText(caption);
}

QString uFky::firstKeyOf(const QString &code) const
{
    const int at = m_keyMap.indexOf(QLatin1Char('=') + code, 0, Qt::CaseInsensitive);
    return at >= 2 ? m_keyMap.mid(at - 2, 2) + QLatin1Char(',') : QString();
}

void uFky::cKyS()
{
    // The enabling patterns were kept per program window; this program's window has none.
    buildParentMap(QString());
}

// A pattern lists item codes; a code followed by "(" ... ")" is a parent of the items listed there,
// and lists nest: "50(60,61(70,71)),52". Each parent gets the keys bound to any item below it.
void uFky::buildParentMap(const QString &pattern)
{
    m_prnMap.clear();
    QString rest = pattern;
    while (rest.contains(QLatin1Char('('))) {
        const qsizetype open = rest.indexOf(QLatin1Char('('));
        // A list without its parent's code: the build stops here, keeping what it made.
        if (open < 2)
            return;
        const QString head = rest.mid(open - 2, 2);
        rest = rest.mid(open + 1);
        int depth = 1;
        qsizetype end = 0;
        for (; end < rest.size(); ++end) {
            if (rest.at(end) == QLatin1Char('('))
                ++depth;
            else if (rest.at(end) == QLatin1Char(')') && --depth == 0)
                break;
        }
        QString inner = rest.left(end);
        const qsizetype nested = inner.indexOf(QLatin1Char('('));
        if (nested >= 0) {
            // The nested groups are parents of their own in the next passes.
            if (nested < 2)
                return;
            rest = rest.mid(nested - 2);
            inner.replace(QLatin1Char('('), QLatin1Char(','));
        } else {
            rest = rest.mid(end + 1);
        }
        inner.remove(QLatin1Char(')'));
        QString keys;
        for (const QString &code : inner.split(QLatin1Char(','), Qt::SkipEmptyParts))
            keys += firstKeyOf(code);
        if (!keys.isEmpty())
            m_prnMap += head + QLatin1Char('=') + keys + QLatin1Char('/');
    }
}

QString uFky::childKeysOf(const QString &code) const
{
    const qsizetype at = m_prnMap.indexOf(code + QLatin1Char('='));
    if (at < 0)
        return QString();
    const qsizetype from = at + code.size() + 1;
    const qsizetype end = m_prnMap.indexOf(QLatin1Char('/'), from);
    return m_prnMap.mid(from, end < 0 ? -1 : end - from);
}

void uFky::SetEnb(int group, const QString &indexes, bool enabled, bool visibility)
{
    if (!m_host)
        return;
    QString keys;
    for (const QString &part : indexes.split(QLatin1Char('.'))) {
        bool ok = false;
        const int index = part.toInt(&ok);
        QAction *item = ok ? m_host->menuItem(group, index) : nullptr;
        if (!item)
            continue;
        if (visibility)
            item->setVisible(enabled);
        else if (item->isVisible())
            item->setEnabled(enabled);
        keys += firstKeyOf(sHex(group, index)) + childKeysOf(sHex(group, index));
    }
    if (!keys.isEmpty())
        SetEnbKy(keys, enabled);
}

void uFky::SetEnbKy(const QString &keys, bool enabled)
{
    QString list = keys;
    if (list.endsWith(QLatin1Char(',')))
        list.chop(1);
    for (const QString &name : list.toUpper().split(QLatin1Char(','))) {
        if (QToolButton *button = key(name))
            button->setEnabled(enabled);
    }
}

void uFky::setAbsentKeys(const QString &keys)
{
    m_absent = keys.toUpper().split(QLatin1Char(','), Qt::SkipEmptyParts);
    StSize();
}

void uFky::SetEnbByMenu()
{
    if (!m_host)
        return;
    for (const QString &entry : m_keyMap.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        QToolButton *button = key(entry.section(QLatin1Char('='), 0, 0));
        if (!button)
            return;
        int group = 0, index = 0;
        iHex(entry.section(QLatin1Char('='), 1), group, index);
        if (QAction *item = m_host->menuItem(group, index))
            button->setEnabled(item->isEnabled());
    }
}

// ---- pressing

bool uFky::keyPress(int number, Qt::KeyboardModifiers modifiers)
{
    const bool ctrlAlone = (modifiers & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier | Qt::MetaModifier))
                           == Qt::ControlModifier;
    const QString name = QStringLiteral("%1%2").arg(ctrlAlone ? QLatin1Char('C') : QLatin1Char('F')).arg(number);
    const int at = m_keyMap.indexOf(name + QLatin1Char('='), 0, Qt::CaseInsensitive);
    bool handled = false;
    if (at >= 0 && m_host) {
        int group = 0, index = 0;
        iHex(m_keyMap.mid(at + 3, 2), group, index);
        handled = true;
        // A key whose item waits for work not built yet does nothing, like its disabled item.
        const QAction *item = m_host->menuItem(group, index);
        if (!item || !item->property("later").toBool())
            m_host->fnMenu(group, index);
    }
    SetDef();
    return handled;
}

void uFky::SetDef()
{
    showSet(QStringLiteral("F"));
}

void uFky::showSet(const QString &set)
{
    m_set = set;
    m_rows[0]->setVisible(set == QLatin1String("F"));
    m_rows[1]->setVisible(set == QLatin1String("C"));
}

bool uFky::eventFilter(QObject *watched, QEvent *event)
{
    // Letting go of Ctrl shows the plain row again, in whichever window it happens (a Ctrl key
    // may have opened another window, which then gets the release).
    if (event->type() == QEvent::KeyRelease && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Control
        && m_set != QLatin1String("F")) {
        showSet(QStringLiteral("F"));
        return QWidget::eventFilter(watched, event);
    }
    if (event->type() == QEvent::WindowDeactivate && watched == window() && m_set != QLatin1String("F"))
        showSet(QStringLiteral("F"));
    // Holding Ctrl alone shows the Ctrl row, as long as this bar's window is the active one.
    if ((event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) && isVisible()
        && window()->isActiveWindow()) {
        const auto *keyEvent = static_cast<QKeyEvent *>(event);
        const Qt::KeyboardModifiers mods = keyEvent->modifiers()
                                           & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier);
        const QString set = mods == Qt::ControlModifier ? QStringLiteral("C") : QStringLiteral("F");
        if (set != m_set)
            showSet(set);
    } else if (event->type() == QEvent::ApplicationDeactivate && m_set != QLatin1String("F")) {
        showSet(QStringLiteral("F"));
    }
    return QWidget::eventFilter(watched, event);
}

// ---- status panel and progress

void uFky::PanelTx(const QString &text, int level)
{
    int index = 0;
    if (level == 1)
        index = 3;
    else if (level == 2)
        index = 2;
    else if (level == 4)
        index = 1;
    if (index != m_level) {
        m_level = index;
        m_icon->setPixmap(statusIcon(index));
        QPalette palette = m_text->palette();
        palette.setColor(QPalette::WindowText, levelColour(index));
        m_text->setPalette(palette);
    }
    m_text->setText(QStringLiteral("     ") + text);
}

QString uFky::panelText() const
{
    return m_text->text();
}

void uFky::pbMax(int maximum)
{
    if (maximum >= 1) {
        m_bar->setGeometry(m_panel->geometry());
        m_panel->hide();
        m_bar->show();
        m_bar->setMaximum(maximum);
    } else {
        m_panel->show();
        m_bar->hide();
    }
}

void uFky::pbVAL(int value)
{
    m_bar->setValue(qBound(m_bar->minimum(), value, m_bar->maximum()));
}

bool uFky::progressShown() const
{
    return !m_bar->isHidden();
}

bool uFky::panelShown() const
{
    return !m_panel->isHidden();
}

// ---- layout

int uFky::twips(int pixels, bool horizontal) const
{
    const int dpi = horizontal ? logicalDpiX() : logicalDpiY();
    return dpi > 0 ? pixels * 1440 / dpi : pixels * 15;
}

void uFky::StSize()
{
    m_bar->hide();
    const int w = twips(width(), true);
    const int h = twips(height(), false);
    const bool twoPart = m_layout != QLatin1String("4|4|4") && (w > 10000 || h > 500);
    m_panel->setVisible(twoPart);
    QRect keys = rect();
    if (twoPart && h >= 500) {
        const int row = qMin(height(), 270 * logicalDpiY() / 1440 + 8);
        keys = QRect(0, 0, width(), row);
        m_panel->setGeometry(0, row, width(), height() - row);
    } else if (twoPart) {
        const int k = int(std::lround(width() * 0.72));
        keys = QRect(0, 0, k, height());
        m_panel->setGeometry(k, 0, width() - k, height());
    }
    for (QWidget *row : m_rows)
        placeKeys(row, keys);
}

void uFky::placeKeys(QWidget *row, const QRect &area)
{
    row->setGeometry(area);
    QList<int> groups;
    for (const QString &n : m_layout.split(QLatin1Char('|')))
        groups.append(n.toInt());
    int shown = 0;
    for (int n : groups)
        shown += n;
    const int gap = 6;
    const int slot = shown > 0 ? qMax(1, (area.width() - gap * (int(groups.size()) - 1)) / shown) : 0;
    const QList<QToolButton *> &buttons = row == m_rows[0] ? m_keys[0] : m_keys[1];
    const QChar set = row == m_rows[0] ? QLatin1Char('F') : QLatin1Char('C');
    int x = 0, k = 0;
    for (int g = 0; g < groups.size(); ++g) {
        for (int i = 0; i < groups[g] && k < buttons.size(); ++i, ++k) {
            buttons[k]->setGeometry(x, 1, slot - 2, area.height() - 2);
            buttons[k]->setVisible(!m_absent.contains(set + QString::number(k + 1)));
            x += slot;
        }
        x += gap;
    }
    for (; k < buttons.size(); ++k)
        buttons[k]->hide();
}

void uFky::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    StSize();
}

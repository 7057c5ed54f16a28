#include "tree/NodeIcons.h"

#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

const QColor Ink(70, 80, 100);

void drawPage(QPainter &p, const QColor &fill)
{
    QPainterPath page;
    page.moveTo(3.5, 1.5);
    page.lineTo(9.5, 1.5);
    page.lineTo(12.5, 4.5);
    page.lineTo(12.5, 14.5);
    page.lineTo(3.5, 14.5);
    page.closeSubpath();
    p.setPen(QPen(Ink, 1));
    p.setBrush(fill);
    p.drawPath(page);
    p.drawLine(QPointF(9.5, 1.5), QPointF(9.5, 4.5));
    p.drawLine(QPointF(9.5, 4.5), QPointF(12.5, 4.5));
    p.setPen(QPen(QColor(150, 160, 180), 1));
    for (double y = 7.5; y < 13; y += 2)
        p.drawLine(QPointF(5.5, y), QPointF(10.5, y));
}

void drawFolder(QPainter &p, const QColor &fill, bool open)
{
    p.setPen(QPen(Ink, 1));
    p.setBrush(fill.darker(115));
    p.drawRect(QRectF(1.5, 4.5, 13, 9));
    p.drawRect(QRectF(1.5, 2.5, 5, 2));
    p.setBrush(fill);
    if (open) {
        QPainterPath flap;
        flap.moveTo(3.5, 7.5);
        flap.lineTo(15.5, 7.5);
        flap.lineTo(13.5, 13.5);
        flap.lineTo(1.5, 13.5);
        flap.closeSubpath();
        p.drawPath(flap);
    } else {
        p.drawRect(QRectF(1.5, 5.5, 13, 8));
    }
}

void drawList(QPainter &p, const QColor &fill)
{
    p.setPen(QPen(Ink, 1));
    p.setBrush(fill);
    p.drawRect(QRectF(1.5, 1.5, 13, 13));
    for (int i = 0; i < 4; ++i) {
        const double y = 4.5 + 2.5 * i;
        p.fillRect(QRectF(3.5, y - 0.5, 1.5, 1.5), Ink);
        p.drawLine(QPointF(6.5, y), QPointF(12.5, y));
    }
}

void drawTag(QPainter &p, bool open)
{
    QPainterPath tag;
    tag.moveTo(1.5, 4.5);
    tag.lineTo(10.5, 4.5);
    tag.lineTo(14.5, 8.5);
    tag.lineTo(10.5, 12.5);
    tag.lineTo(1.5, 12.5);
    tag.closeSubpath();
    p.setPen(QPen(QColor(30, 110, 60), 1));
    p.setBrush(open ? QColor(170, 225, 180) : QColor(110, 190, 130));
    p.drawPath(tag);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(10.5, 8.5), 1.3, 1.3);
}

// The shortcut arrow in the lower left corner that marks a link placement.
void drawLinkMark(QPainter &p)
{
    p.setPen(QPen(QColor(40, 40, 40), 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(0.5, 8.5, 7, 7));
    p.setPen(QPen(QColor(20, 90, 200), 1.4));
    p.drawLine(QPointF(2.5, 13.5), QPointF(5.5, 10.5));
    p.drawLine(QPointF(3.3, 10.5), QPointF(5.5, 10.5));
    p.drawLine(QPointF(5.5, 10.5), QPointF(5.5, 12.7));
}

QPixmap draw(const QString &key)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const bool link = key.startsWith(QLatin1String("lk"));
    const QString kind = key.mid(2);
    const QColor folder = link ? QColor(255, 214, 120) : QColor(250, 200, 80);
    if (key.startsWith(QLatin1String("tg")))
        drawTag(p, kind == QLatin1String("opn"));
    else if (kind == QLatin1String("lef"))
        drawPage(p, link ? QColor(235, 242, 255) : Qt::white);
    else if (kind == QLatin1String("cod"))
        drawList(p, QColor(225, 235, 250));
    else
        drawFolder(p, folder, kind == QLatin1String("opn"));
    if (link)
        drawLinkMark(p);
    return pixmap;
}

} // namespace

bool NodeIcons::known(const QString &key)
{
    static const QStringList keys = {QStringLiteral("ndlef"), QStringLiteral("ndcls"), QStringLiteral("ndopn"),
                                     QStringLiteral("ndcod"), QStringLiteral("lklef"), QStringLiteral("lkcls"),
                                     QStringLiteral("lkopn"), QStringLiteral("lkcod"), QStringLiteral("tgcls"),
                                     QStringLiteral("tgopn")};
    return keys.contains(key);
}

QIcon NodeIcons::icon(const QString &key)
{
    static QHash<QString, QIcon> cache;
    if (!known(key))
        return QIcon();
    auto it = cache.find(key);
    if (it == cache.end())
        it = cache.insert(key, QIcon(draw(key)));
    return *it;
}

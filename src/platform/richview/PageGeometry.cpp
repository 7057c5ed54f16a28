#include "platform/richview/PageGeometry.h"

#include <QtGlobal>

#include <cmath>

double PageGeometry::paperWidth() const
{
    return qMax(1, m_setup.width) / TwipsPerPixel;
}

double PageGeometry::paperHeight() const
{
    return qMax(1, m_setup.height) / TwipsPerPixel;
}

double PageGeometry::textWidth() const
{
    return m_setup.textWidth() / TwipsPerPixel;
}

double PageGeometry::textHeight() const
{
    return m_setup.textHeight() / TwipsPerPixel;
}

QRectF PageGeometry::sceneRect() const
{
    if (m_mode == Normal)
        return QRectF(-Gap, -Gap, textWidth() + 2 * Gap, qMax(m_stripHeight, textHeight()) + 2 * Gap);
    return QRectF(0, 0, paperWidth() + 2 * Gap, m_pages * (paperHeight() + Gap) + Gap);
}

QRectF PageGeometry::pageRect(int page) const
{
    if (m_mode == Normal)
        return QRectF(0, 0, textWidth(), qMax(m_stripHeight, textHeight()));
    return QRectF(Gap, Gap + page * (paperHeight() + Gap), paperWidth(), paperHeight());
}

QRectF PageGeometry::textRect(int page) const
{
    if (m_mode == Normal)
        return pageRect(page);
    const QRectF sheet = pageRect(page);
    // Margins wider than the sheet still leave a text area of at least one twip.
    const double left = qMin(double(qMax(0, m_setup.marginLeft)) / TwipsPerPixel, sheet.width());
    const double top = qMin(double(qMax(0, m_setup.marginTop)) / TwipsPerPixel, sheet.height());
    return QRectF(sheet.left() + left, sheet.top() + top, textWidth(), textHeight());
}

QRectF PageGeometry::headerRect(int page) const
{
    const QRectF sheet = pageRect(page);
    const QRectF text = textRect(page);
    const double top = sheet.top() + (text.top() - sheet.top()) * 0.4;
    return QRectF(text.left(), top, text.width(), qMax(0.0, text.top() - top));
}

QRectF PageGeometry::footerRect(int page) const
{
    const QRectF sheet = pageRect(page);
    const QRectF text = textRect(page);
    const double bottom = sheet.bottom() - (sheet.bottom() - text.bottom()) * 0.4;
    return QRectF(text.left(), text.bottom(), text.width(), qMax(0.0, bottom - text.bottom()));
}

int PageGeometry::pageAt(double sceneY) const
{
    if (m_mode == Normal)
        return 0;
    const int page = int(std::floor((sceneY - Gap / 2) / (paperHeight() + Gap)));
    return qBound(0, page, m_pages - 1);
}

QRectF PageGeometry::stripSlice(int page) const
{
    if (m_mode == Normal)
        return QRectF(0, 0, textWidth(), qMax(m_stripHeight, textHeight()));
    return QRectF(0, page * textHeight(), textWidth(), textHeight());
}

QPointF PageGeometry::toScene(const QPointF &doc) const
{
    if (m_mode == Normal)
        return doc;
    // The layout keeps page heights in 1/64 pixel, a hair below the exact text height.
    const int page = qBound(0, int(std::floor((doc.y() + 0.05) / textHeight())), m_pages - 1);
    const QRectF text = textRect(page);
    return QPointF(text.left() + doc.x(), text.top() + doc.y() - page * textHeight());
}

QRectF PageGeometry::toScene(const QRectF &doc) const
{
    return QRectF(toScene(doc.topLeft()), doc.size());
}

QPointF PageGeometry::toDocument(const QPointF &scene) const
{
    if (m_mode == Normal)
        return scene;
    const int page = pageAt(scene.y());
    const QRectF text = textRect(page);
    // A point in a margin or a gap goes to the nearest place of the page's text.
    const double x = qBound(0.0, scene.x() - text.left(), text.width());
    const double y = qBound(0.0, scene.y() - text.top(), text.height() - 0.5);
    return QPointF(x, page * textHeight() + y);
}

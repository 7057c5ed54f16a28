#include "platform/richtext/PageRenderer.h"

#include "platform/richtext/HeldLetters.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/PdfFile.h"
#include "platform/richtext/TextProps.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QFile>
#include <QPdfWriter>
#include <QTextDocument>

using namespace TextProps;

namespace {
constexpr double TwipsPerPixel = 15.0;
constexpr double PixelsPerInch = 96.0;
// The header and footer take the 60 % of their margin next to the text area, as the page view shows them.
constexpr double BandShare = 0.6;
constexpr double EdgeShare = 0.5; // pixels
}

int PageRenderer::pageCount() const
{
    return qMax(1, m_page.main()->pageCount());
}

QSizeF PageRenderer::paperSize() const
{
    const PageSetup &setup = m_page.pageSetup();
    return QSizeF(qMax(1, setup.width) / TwipsPerPixel, qMax(1, setup.height) / TwipsPerPixel);
}

int PageRenderer::headerFlagOn(int partFlags, int page)
{
    if (page == 1 && (partFlags & HeaderFirst))
        return HeaderFirst;
    return (partFlags & HeaderAll) ? int(HeaderAll) : 0;
}

int PageRenderer::footerFlagOn(int partFlags, int page)
{
    if (page == 1 && (partFlags & FooterFirst))
        return FooterFirst;
    return (partFlags & FooterAll) ? int(FooterAll) : 0;
}

void PageRenderer::drawPage(QPainter *painter, int page) const
{
    if (page < 1 || page > pageCount())
        return;
    const PageSetup &setup = m_page.pageSetup();
    const QSizeF paper = paperSize();
    const double left = qMin(qMax(0, setup.marginLeft) / TwipsPerPixel, paper.width());
    const double top = qMin(qMax(0, setup.marginTop) / TwipsPerPixel, paper.height());
    const double width = setup.textWidth() / TwipsPerPixel;
    const double height = setup.textHeight() / TwipsPerPixel;

    // The main text is one strip of text-area-high pages; page n shows its n-th slice. The lines on
    // the slice's edges belong to the neighbours: drawn here they would only be clipped away, yet
    // stay in a PDF's text.
    const QRectF slice(0, (page - 1) * height + EdgeShare, width, height - 2 * EdgeShare);
    painter->save();
    painter->translate(left, top - (page - 1) * height);
    HeldLetters::drawContents(painter, m_page.main(), slice);
    painter->restore();

    const double bottom = top + height;
    const int flags = m_page.partFlags();
    drawPart(painter, headerFlagOn(flags, page), QRectF(left, top * (1 - BandShare), width, top * BandShare));
    drawPart(painter, footerFlagOn(flags, page), QRectF(left, bottom, width, (paper.height() - bottom) * BandShare));
}

void PageRenderer::drawPart(QPainter *painter, int flag, const QRectF &band) const
{
    QTextDocument *doc = flag ? m_page.part(flag) : nullptr;
    if (!doc)
        return;
    painter->save();
    painter->translate(band.topLeft());
    HeldLetters::drawContents(painter, doc, QRectF(0, 0, band.width(), qMax(band.height(), doc->size().height())));
    painter->restore();
}

bool PageRenderer::print(QPagedPaintDevice *device, int first, int last) const
{
    const int count = pageCount();
    first = qBound(1, first, count);
    last = last < 1 ? count : qBound(first, last, count);
    QPainter painter;
    if (!painter.begin(device))
        return false;
    const double scale = device->logicalDpiX() / PixelsPerInch;
    for (int page = first; page <= last; ++page) {
        if (page > first && !device->newPage())
            return false;
        painter.save();
        painter.scale(scale, device->logicalDpiY() / PixelsPerInch);
        drawPage(&painter, page);
        painter.restore();
    }
    return painter.end();
}

bool PageRenderer::writePdf(QIODevice *device, const QString &title) const
{
    QPdfWriter writer(device);
    const PageSetup &setup = m_page.pageSetup();
    const QPageSize size(QSizeF(qMax(1, setup.width) / 20.0, qMax(1, setup.height) / 20.0),
                         QPageSize::Point, QString(), QPageSize::ExactMatch);
    writer.setPageLayout(QPageLayout(size, QPageLayout::Portrait, QMarginsF()));
    writer.setTitle(title);
    writer.setCreator(QStringLiteral("Fenwar"));
    return print(&writer);
}

bool PageRenderer::writePdf(const QString &path, const QString &title) const
{
    PdfFile pdf(path);
    if (pdf.path().isEmpty())
        return false;
    QFile file(pdf.path());
    if (!file.open(QIODevice::WriteOnly) || !writePdf(&file, title))
        return false;
    file.close();
    return file.error() == QFileDevice::NoError && pdf.commit();
}

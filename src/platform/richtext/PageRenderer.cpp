#include "platform/richtext/PageRenderer.h"

#include "platform/richtext/HeldLetters.h"
#include "platform/richtext/LayoutLines.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/PdfFile.h"
#include "platform/richtext/TextProps.h"

#include <QAbstractTextDocumentLayout>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QFile>
#include <QPalette>
#include <QPdfWriter>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

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
    drawMain(painter, slice);
    painter->restore();

    const double bottom = top + height;
    const int flags = m_page.partFlags();
    drawPart(painter, headerFlagOn(flags, page), QRectF(left, top * (1 - BandShare), width, top * BandShare));
    drawPart(painter, footerFlagOn(flags, page), QRectF(left, bottom, width, (paper.height() - bottom) * BandShare));
}

namespace {

// Whether a line of a block (its layout at origin) reaches into the slice: the test Qt makes.
bool inSlice(const QTextLine &line, const QPointF &origin, const QRectF &slice)
{
    const QRectF box = line.naturalTextRect().translated(origin);
    return box.top() <= slice.bottom() && box.bottom() >= slice.top();
}

// A block's lines in the slice, as Qt draws a block: its background, then the lines in the text colour.
void drawLinesIn(QPainter *painter, const QTextBlock &block, const QPointF &origin, const QRectF &slice)
{
    const QTextLayout *lines = block.layout();
    const QBrush background = block.blockFormat().background();
    if (background.style() != Qt::NoBrush)
        painter->fillRect(lines->boundingRect().translated(origin), background);
    for (int i = qMax(0, LayoutLines::firstLineBelow(lines, slice.top() - origin.y()) - 1); i < lines->lineCount(); ++i) {
        const QTextLine line = lines->lineAt(i);
        if (origin.y() + line.y() > slice.bottom())
            break;
        if (inSlice(line, origin, slice))
            line.draw(painter, origin);
    }
}

} // namespace

// Of a block that begins on a page before, Qt draws the last line above the slice too: clipped away
// on paper, yet in a PDF's text, where search and copy find it at the end of one page and again at
// the top of the next. Such blocks are kept from Qt's drawing and their lines in the slice drawn here.
void PageRenderer::drawMain(QPainter *painter, const QRectF &slice) const
{
    QTextDocument *doc = m_page.main();
    // Nothing may be laid out while blocks are hidden (they would be laid out empty): what
    // drawing the slice would lay out, a hit test at its end lays out now.
    doc->documentLayout()->hitTest(slice.bottomLeft(), Qt::FuzzyHit);
    QList<QPair<QTextBlock, QPointF>> begunBefore;
    LayoutLines::visitBlocksIn(doc, slice, [&](const QTextBlock &block, const QRectF &rect) {
        const QTextLayout *lines = block.layout();
        if (lines->lineCount() > 0 && rect.top() + lines->lineAt(0).naturalTextRect().bottom() < slice.top())
            begunBefore.append({block, rect.topLeft()});
    });
    for (auto &[block, origin] : begunBefore)
        block.setVisible(false);
    HeldLetters::drawContents(painter, doc, slice);
    for (auto &[block, origin] : begunBefore)
        block.setVisible(true);

    painter->save();
    painter->setClipRect(slice);
    painter->setPen(QGuiApplication::palette().color(QPalette::Text));
    for (const auto &[block, origin] : begunBefore)
        drawLinesIn(painter, block, origin, slice);
    painter->restore();
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

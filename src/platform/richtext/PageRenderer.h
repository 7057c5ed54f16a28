#pragma once

#include <QSizeF>
#include <QString>

class PageDocument;
class QIODevice;
class QPagedPaintDevice;
class QPainter;
class QRectF;

// Draws a page document as printed pages: the main text cut into pages of the paper size with the
// margins, the header and footer parts in the bands above and below the text area on each page (the
// first-page part on page 1 where there is one). Used for page view surfaces (members 70, 26/83),
// printing and PDF output. Units are pixels at 96 dpi (twips / 15), origin at the paper's corner.
class PageRenderer
{
public:
    explicit PageRenderer(const PageDocument &page) : m_page(page) {}

    int pageCount() const;       // member 70, at least 1
    QSizeF paperSize() const;    // pixels at 96 dpi
    // Member 83: page from 1; pages out of range draw nothing. Nothing is filled behind the text.
    void drawPage(QPainter *painter, int page) const;
    // Every page from `first` to `last` (from 1, clamped), one device page each, scaled to the device.
    bool print(QPagedPaintDevice *device, int first = 1, int last = -1) const;
    // A PDF of every page; the file is written whole or not at all.
    bool writePdf(const QString &path, const QString &title = QString()) const;
    bool writePdf(QIODevice *device, const QString &title = QString()) const;

    // The header or footer part shown on a page (from 1); 0 for none.
    static int headerFlagOn(int partFlags, int page);
    static int footerFlagOn(int partFlags, int page);

private:
    void drawMain(QPainter *painter, const QRectF &slice) const;
    void drawPart(QPainter *painter, int flag, const QRectF &band) const;

    const PageDocument &m_page;
};

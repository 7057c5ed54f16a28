#pragma once

#include "platform/richtext/PageSetup.h"

#include <QPointF>
#include <QRectF>

// Where the view puts the pages and the text, in scene units (pixels at 96 dpi before the zoom).
// The main text is laid out by its document as one strip of text-area-high pages; page view moves
// each strip slice onto its sheet (with the margins and a gap between sheets), normal view shows the
// strip as one column. The mapping between strip ("document") and scene positions lives here so that
// painting, the mouse and the input method agree on it.
class PageGeometry
{
public:
    enum Mode { Normal = 0, Paged = 2 };
    static constexpr double Gap = 16.0;      // between sheets and around them
    static constexpr double TwipsPerPixel = 15.0;

    void setSetup(const PageSetup &setup) { m_setup = setup; }
    const PageSetup &setup() const { return m_setup; }
    void setMode(int mode) { m_mode = mode == Paged ? Paged : Normal; }
    int mode() const { return m_mode; }
    void setPageCount(int count) { m_pages = count < 1 ? 1 : count; }
    int pageCount() const { return m_pages; }
    // Height of the document strip in normal view.
    void setStripHeight(double height) { m_stripHeight = height; }

    double paperWidth() const;
    double paperHeight() const;
    double textWidth() const;
    double textHeight() const;

    QRectF sceneRect() const;
    QRectF pageRect(int page) const;      // 0-based; the sheet
    QRectF textRect(int page) const;      // the text area on the sheet
    QRectF headerRect(int page) const;    // the band above the text area
    QRectF footerRect(int page) const;    // the band below it
    int pageAt(double sceneY) const;      // nearest sheet, 0-based

    QPointF toScene(const QPointF &doc) const;
    QPointF toDocument(const QPointF &scene) const;
    QRectF toScene(const QRectF &doc) const; // by its top-left corner's page
    // The part of the document strip that page `page` shows.
    QRectF stripSlice(int page) const;

private:
    PageSetup m_setup;
    int m_mode = Normal;
    int m_pages = 1;
    double m_stripHeight = 0;
};

#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>

class PageDocument;

// Writes pages to a Word document (.docx, Office Open XML). One page gives one document; a range of
// pages is written by adding them in order, each optionally opening a section of its own (page setup,
// headers and footers of that page), after a page break, with a bookmark on its first paragraph.
// Headings of the pages (paragraphs whose user style is 0 to 2) become Word's heading styles 1 to 3,
// so a table of contents (addTableOfContents) lists them; Word fills the table when it opens the file.
//
//   DocxWriter w;
//   w.addTableOfContents(QStringLiteral("目次"));
//   w.addPage(page1, {.bookmark = QStringLiteral("p12"), .newSection = true});
//   w.addPage(page2, {.bookmark = QStringLiteral("p13")});
//   w.save(path);
//
// Link fields become hyperlinks through the link resolver: it maps a field's type and data to an
// address ("https://...") or, starting with "#", to a bookmark of the document; an empty answer leaves
// the field's text as plain text. Without a resolver, data with a URL scheme become hyperlinks.
// Text frames are written as framed paragraphs after the paragraph that anchors them.
class DocxWriter
{
public:
    struct PageOptions {
        QString bookmark;            // on the page's first paragraph; empty: none
        bool pageBreakBefore = true; // ignored for the first page and for a new section
        bool newSection = false;     // the page's setup and headers/footers from here on
        int headingShift = 0;        // the page's headings go this many levels down (under an outline)
    };
    using LinkResolver = std::function<QString(int fieldType, const QString &fieldData)>;

    DocxWriter();
    ~DocxWriter();
    DocxWriter(const DocxWriter &) = delete;
    DocxWriter &operator=(const DocxWriter &) = delete;

    void setLinkResolver(LinkResolver resolver);
    // A heading paragraph of level 1 to 3 (outside any page), with an optional bookmark; level 0 gives a
    // plain paragraph.
    void addHeading(int level, const QString &text, const QString &bookmark = QString());
    // A table-of-contents field over the heading levels 1 to 3, with an optional title paragraph; it
    // holds an entry for every heading of those levels in the document.
    void addTableOfContents(const QString &title = QString());
    void addPageBreak();
    // From the next section opened on: a footer of its own holding the page number, right-aligned in
    // `pointSize` points, in place of the pages' footers (later sections without footers show it too).
    void setPageNumberFooter(int pointSize);
    // The first page added (or the first after none) always opens the first section.
    void addPage(const PageDocument &page, const PageOptions &options);
    void addPage(const PageDocument &page) { addPage(page, PageOptions()); }

    // The package; empty when it could not be built.
    QByteArray toBytes() const;
    // Written whole or not at all.
    bool save(const QString &path) const;

    // One page to one file.
    static bool writePage(const PageDocument &page, const QString &path);
    static QByteArray pageBytes(const PageDocument &page);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

#pragma once

#include <QString>

class PageDocument;

// What the page editor control uses of the HTML converter, which lives in the publishing
// subsystem above it: the publishing side installs its converter when the program starts.
class HtmlBridge
{
public:
    virtual ~HtmlBridge();
    // The file name of a page placement (link placement when `link` is not 0).
    virtual QString HsFName(const QString &parent, QString &child, int link, bool keepHtml) = 0;
    // A finished page file (job 0 page, 1 plain page, 2 XHTML 1.1 book page).
    virtual void cSaveHtm(const PageDocument &page, bool png, const QString &file, const QString &tips,
                          const QString &title, int job, bool &ok) = 0;
    // The style element and the body fragment of a page for `file`.
    virtual void cGetHtm(const PageDocument &page, const QString &file, const QString &tips, QString &css,
                         QString &body, bool &ok) = 0;

    // The complete conversion of a page into the file `file`: its head (document type to "</head>")
    // and the rest of the page; false when the page could not be converted or written.
    virtual void CnvHtml(const PageDocument &page, const QString &file, QString &head, QString &body,
                         const QString &tips, bool &ok) = 0;
    // The page editor attaches the converter to its work folder when it starts, and lets it drop what
    // it holds of the last conversion when it stops.
    virtual void cOn(const QString &workFolder) = 0;
    virtual void cOff() = 0;

    static HtmlBridge *current(); // null until installed
    static void install(HtmlBridge *bridge);
};

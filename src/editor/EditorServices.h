#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

#include <functional>

class PageDocument;
class RichTextEdit;
class uTxm;

// The work that the page editor control hands to other parts of the program: the page byte streams
// of the rich-text component, the file, picture, table, field, output and dialog commands, and the
// colour dialog. The page streams are the rich-text component's own; every other member has a
// harmless default (nothing done, a false result, the call noted in PendingWork), so a command whose
// work is not wired up yet still runs its frame without touching the page.
class EditorServices
{
public:
    virtual ~EditorServices();

    // Page document bytes: format 9 is the stored page, 3 the in-memory snapshot. A load returns false
    // for bytes it cannot read and leaves the document as it was.
    virtual bool loadBytes(RichTextEdit &edit, const QByteArray &bytes, int format, bool atCaret);
    virtual QByteArray saveBytes(RichTextEdit &edit, int format);
    // A page document file (format 9); false when it cannot be read.
    virtual bool loadFile(RichTextEdit &edit, const QString &file);

    // The work of an editor command that lives outside the control (open, export, print, paste,
    // pictures, frames, tables, fields, format copy ...). Returns the command's result flag.
    // Codes 1000 to 1002 are the template layout jobs of the second dispatcher (template view, frame
    // layouts). The default runs the control's own file, paste, picture,
    // frame, format-copy and table commands (uTxm::runContentJob).
    virtual bool runJob(uTxm &editor, int code, const QVariant &arg);
    // Work of a job code that a part of the program above the editor provides (printing, page view,
    // printer setup ...): the default runJob runs the handler installed for the code.
    using JobHandler = std::function<bool(uTxm &editor, const QVariant &arg)>;
    static void setJobHandler(int code, JobHandler handler);
    static bool hasJobHandler(int code);
    // The page view window over a page of its own (the labelled template view); false when the
    // program has none.
    using PageViewer = std::function<void(PageDocument &page)>;
    static void setPageViewer(PageViewer viewer);
    static bool viewPage(PageDocument &page);

    // An item of the object popup menu whose work lives outside the control (edit the picture,
    // links and tags on the object, links to an enlarged picture, properties); true when the page
    // changed.
    virtual bool objectMenuItem(uTxm &editor, int index, int objectId);

    // The companion form's settings dialog by mode; `answer` in and out, empty when cancelled.
    virtual void settingsDialog(uTxm &editor, const QString &mode, QString &answer);

    // The complete HTML conversion of the loaded page into `file` (GetHtm), through the converter
    // the publishing side installed (HtmlBridge): its head and body; false without a converter.
    virtual bool convertHtml(uTxm &editor, const QString &file, QString &head, QString &body, const QString &tips);

    // The page a tag field refers to: `key` (page number, or parent_child) and `text` in and out;
    // false when the user cancelled.
    virtual bool chooseTagPage(const QString &caption, QString &key, QString &text);
    // A tooltip phrase and its text from the dictionary, in and out; both empty when cancelled.
    virtual void chooseTip(QString &phrase, QString &tip);

    // Colour dialog; false when cancelled.
    virtual bool chooseColour(const QString &caption, int &colorRef);
};

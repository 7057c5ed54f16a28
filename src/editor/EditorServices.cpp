#include "editor/EditorServices.h"

#include "editor/HtmlBridge.h"
#include "editor/TxmFields.h"
#include "editor/TxmTemplateJobs.h"
#include "editor/sbDic.h"
#include "editor/sbTxmDialog.h"
#include "editor/PendingWork.h"
#include "editor/uTxm.h"
#include "platform/desktop/Prompt.h"
#include "platform/richtext/ColorRef.h"
#include "platform/richtext/PageCodec.h"
#include "platform/richtext/RichTextEdit.h"
#include "tree/sbTrX.h"

#include <QColorDialog>
#include <QHash>

EditorServices::~EditorServices() = default;

bool EditorServices::loadBytes(RichTextEdit &edit, const QByteArray &bytes, int format, bool atCaret)
{
    if (!atCaret)
        return PageCodec::loadBytes(*edit.page(), edit.cursor(), bytes, format, false);
    edit.beginCommand();
    const bool ok = PageCodec::loadBytes(*edit.page(), edit.cursor(), bytes, format, true);
    edit.endCommand();
    return ok;
}

QByteArray EditorServices::saveBytes(RichTextEdit &edit, int format)
{
    return PageCodec::saveBytes(*edit.page(), format);
}

bool EditorServices::loadFile(RichTextEdit &edit, const QString &file)
{
    return PageCodec::loadFile(*edit.page(), file);
}

namespace {
QHash<int, EditorServices::JobHandler> &jobHandlers()
{
    static QHash<int, EditorServices::JobHandler> handlers;
    return handlers;
}

// Jobs whose work the editor's own dialogs and routines do.
bool ownJob(int code)
{
    return code == 25 || code == 50 || code == 51 || code == 52 || code == 55 || (code >= 1000 && code <= 1002);
}

EditorServices::PageViewer &pageViewer()
{
    static EditorServices::PageViewer viewer;
    return viewer;
}
} // namespace

void EditorServices::setJobHandler(int code, JobHandler handler)
{
    jobHandlers().insert(code, std::move(handler));
}

bool EditorServices::hasJobHandler(int code)
{
    return ownJob(code) || jobHandlers().contains(code) || uTxm::isContentJob(code);
}

void EditorServices::setPageViewer(PageViewer viewer)
{
    pageViewer() = std::move(viewer);
}

bool EditorServices::viewPage(PageDocument &page)
{
    if (!pageViewer())
        return false;
    pageViewer()(page);
    return true;
}

bool EditorServices::runJob(uTxm &editor, int code, const QVariant &arg)
{
    switch (code) {
    case 25:
        // Another page beside this one: every editor keeps its own viewer window.
        sbTrX::viewerFor(&editor).ActS();
        return false;
    case 50: case 51: case 52: case 55:
        return TxmFields(editor).run(code, arg.toInt());
    case 1000:
        TxmTemplateJobs::txTlView(editor);
        return false;
    case 1001: case 1002:
        return TxmTemplateJobs::txTlFrames(editor, code == 1001 ? 2 : 3);
    default:
        break;
    }
    if (const JobHandler handler = jobHandlers().value(code))
        return handler(editor, arg);
    if (uTxm::isContentJob(code)) {
        bool result = false;
        editor.runContentJob(code, arg, result);
        return result;
    }
    PendingWork::reached(PendingWork::job(code));
    return false;
}

bool EditorServices::objectMenuItem(uTxm &editor, int index, int)
{
    return TxmFields(editor).objectItem(index);
}

void EditorServices::settingsDialog(uTxm &editor, const QString &mode, QString &answer)
{
    sbTxmDialog::of(editor).Act(mode, answer);
}

bool EditorServices::chooseTagPage(const QString &caption, QString &key, QString &text)
{
    return sbTrX::pick(caption, key, text, true);
}

void EditorServices::chooseTip(QString &phrase, QString &tip)
{
    sbDic::Act(phrase, tip);
}

bool EditorServices::convertHtml(uTxm &editor, const QString &file, QString &head, QString &body, const QString &tips)
{
    HtmlBridge *converter = HtmlBridge::current();
    bool ok = false;
    if (converter)
        converter->CnvHtml(editor.page(), file, head, body, tips, ok);
    return ok;
}

bool EditorServices::chooseColour(const QString &caption, int &colorRef)
{
    const QColor chosen = QColorDialog::getColor(ColorRef::toColor(colorRef), Prompt::parentWindow(), caption);
    if (!chosen.isValid())
        return false;
    colorRef = ColorRef::fromColor(chosen, 0);
    return true;
}

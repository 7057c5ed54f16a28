#include "editor/EditorServices.h"

#include "platform/desktop/Prompt.h"
#include "platform/richtext/ColorRef.h"
#include "platform/richtext/PageCodec.h"
#include "platform/richtext/RichTextEdit.h"
#include "editor/uTxm.h"
#include "tree/sbTrX.h"

#include <QColorDialog>
#include <QHash>

EditorServices::~EditorServices() = default;

bool EditorServices::loadBytes(RichTextEdit &edit, const QByteArray &bytes, int format, bool atCaret)
{
    edit.beginCommand();
    const bool ok = PageCodec::loadBytes(*edit.page(), edit.cursor(), bytes, format, atCaret);
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
} // namespace

void EditorServices::setJobHandler(int code, JobHandler handler)
{
    jobHandlers().insert(code, std::move(handler));
}

bool EditorServices::hasJobHandler(int code)
{
    return code == 25 || jobHandlers().contains(code);
}

bool EditorServices::runJob(uTxm &editor, int code, const QVariant &arg)
{
    // Another page beside this one: every editor keeps its own viewer window.
    if (code == 25) {
        sbTrX::viewerFor(&editor).ActS();
        return false;
    }
    const JobHandler handler = jobHandlers().value(code);
    return handler ? handler(editor, arg) : false;
}

bool EditorServices::objectMenuItem(uTxm &, int, int)
{
    return false;
}

void EditorServices::settingsDialog(uTxm &, const QString &, QString &answer)
{
    answer.clear();
}

void EditorServices::recolourFields(uTxm &, int, int)
{
}

void EditorServices::prepareHtml(uTxm &)
{
}

bool EditorServices::convertHtml(uTxm &, const QString &, const QString &, const QString &)
{
    return false;
}

bool EditorServices::chooseColour(const QString &caption, int &colorRef)
{
    const QColor chosen = QColorDialog::getColor(ColorRef::toColor(colorRef), Prompt::parentWindow(), caption);
    if (!chosen.isValid())
        return false;
    colorRef = ColorRef::fromColor(chosen, 0);
    return true;
}

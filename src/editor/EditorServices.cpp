#include "editor/EditorServices.h"

#include "platform/Prompt.h"
#include "platform/richtext/ColorRef.h"

#include <QColorDialog>

EditorServices::~EditorServices() = default;

bool EditorServices::loadBytes(RichTextEdit &, const QByteArray &, int, bool)
{
    return false;
}

QByteArray EditorServices::saveBytes(RichTextEdit &, int)
{
    return QByteArray();
}

bool EditorServices::runJob(uTxm &, int, const QVariant &)
{
    return false;
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

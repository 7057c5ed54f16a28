#include "platform/desktop/Prompt.h"
#include "platform/desktop/WidgetPrompt.h"

#include <QPointer>
#include <QWidget>

namespace {
Prompt *installed = nullptr;
QPointer<QWidget> parent;
}

Prompt &Prompt::current()
{
    static WidgetPrompt widgets;
    return installed ? *installed : widgets;
}

void Prompt::install(Prompt *prompt) { installed = prompt; }
void Prompt::setParentWindow(QWidget *window) { parent = window; }
QWidget *Prompt::parentWindow() { return parent.data(); }

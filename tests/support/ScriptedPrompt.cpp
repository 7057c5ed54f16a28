#include "support/ScriptedPrompt.h"

ScriptedPrompt::ScriptedPrompt() { Prompt::install(this); }
ScriptedPrompt::~ScriptedPrompt() { Prompt::install(nullptr); }

int ScriptedPrompt::message(const QString &text, int style, const QString &title)
{
    messages << text;
    titles << title;
    styles << style;
    return answers.isEmpty() ? defaultAnswer : answers.dequeue();
}

QString ScriptedPrompt::input(const QString &text, const QString &, const QString &, bool *ok)
{
    inputPrompts << text;
    const QString value = inputs.isEmpty() ? QString() : inputs.dequeue();
    if (ok)
        *ok = !value.isNull();
    return value.isNull() ? QString() : value;
}

QString ScriptedPrompt::nextFile(const QString &title, const QString &dir)
{
    dialogTitles << title;
    dialogFolders << dir;
    return files.isEmpty() ? QString() : files.dequeue();
}

QString ScriptedPrompt::openFile(const QString &title, const QString &dir, const QString &)
{
    return nextFile(title, dir);
}
QString ScriptedPrompt::saveFile(const QString &title, const QString &dir, const QString &)
{
    return nextFile(title, dir);
}
QString ScriptedPrompt::chooseFolder(const QString &title, const QString &dir) { return nextFile(title, dir); }

#include "support/ScriptedPrompt.h"

ScriptedPrompt::ScriptedPrompt() { Prompt::install(this); }
ScriptedPrompt::~ScriptedPrompt() { Prompt::install(nullptr); }

int ScriptedPrompt::message(const QString &text, int style, const QString &title)
{
    if (meanwhile)
        meanwhile(text);
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

QString ScriptedPrompt::nextFile(const QString &title, const QString &start)
{
    dialogTitles << title;
    dialogStarts << start;
    return files.isEmpty() ? QString() : files.dequeue();
}

QString ScriptedPrompt::openFile(const QString &title, const QString &dir, const QString &filter)
{
    dialogFilters << filter.section(QStringLiteral(";;"), 0, 0);
    return nextFile(title, dir);
}

QString ScriptedPrompt::openFileWith(const QString &title, const QString &dir, const QString &filter,
                                     const QString &selected)
{
    const QString file = openFile(title, dir, filter);
    if (!selected.isEmpty())
        dialogFilters.last() = selected;
    return file;
}

QString ScriptedPrompt::saveFile(const QString &title, const QString &dir, const QString &filter)
{
    dialogFilters << filter.section(QStringLiteral(";;"), 0, 0);
    return nextFile(title, dir);
}

QString ScriptedPrompt::chooseFolder(const QString &title, const QString &dir) { return nextFile(title, dir); }

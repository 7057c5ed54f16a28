#pragma once

#include "platform/desktop/Prompt.h"

// The interactive prompt: Qt message boxes, input dialogs and file dialogs.
class WidgetPrompt : public Prompt
{
public:
    int message(const QString &text, int style, const QString &title) override;
    QString input(const QString &text, const QString &title, const QString &defaultValue, bool *ok) override;
    QString openFile(const QString &title, const QString &dir, const QString &filter) override;
    QString openFileWith(const QString &title, const QString &dir, const QString &filter,
                         const QString &selected) override;
    QString saveFile(const QString &title, const QString &dir, const QString &filter) override;
    QString saveFileUnasked(const QString &title, const QString &dir, const QString &filter) override;
    QString chooseFolder(const QString &title, const QString &dir) override;
};

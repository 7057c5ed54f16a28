#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// Every message box, input box and file dialog of the program goes through the
// one current Prompt, so that tests can script the answers. Button and icon
// styles and the answers use the classic message-box values, which keeps the
// callers close to the behaviour they describe ("Yes/No/Cancel with a question").
class Prompt
{
public:
    enum Style {
        OkOnly = 0, OkCancel = 1, AbortRetryIgnore = 2, YesNoCancel = 3, YesNo = 4, RetryCancel = 5,
        Critical = 16, Question = 32, Exclamation = 48, Information = 64,
        DefaultButton2 = 256, DefaultButton3 = 512
    };
    enum Answer { Ok = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7 };

    virtual ~Prompt() = default;

    // Shows a message box; returns the Answer of the button pressed (closing the
    // box by its frame counts as Cancel where there is one, otherwise as the only
    // or last button).
    virtual int message(const QString &text, int style = OkOnly, const QString &title = QString()) = 0;

    // Input box; `ok` is false when the user cancelled (the text is then empty).
    virtual QString input(const QString &text, const QString &title, const QString &defaultValue,
                          bool *ok = nullptr) = 0;

    // File dialogs; an empty result means cancelled. `filter` uses Qt's form
    // ("Text (*.txt);;All (*)").
    virtual QString openFile(const QString &title, const QString &dir, const QString &filter) = 0;
    // The open dialog starting on `selected`, one of the filters; the first where a prompt has no choice.
    virtual QString openFileWith(const QString &title, const QString &dir, const QString &filter, const QString &selected)
    {
        Q_UNUSED(selected);
        return openFile(title, dir, filter);
    }
    virtual QString saveFile(const QString &title, const QString &dir, const QString &filter) = 0;
    // The save dialog for a caller that asks its own question about a file that exists.
    virtual QString saveFileUnasked(const QString &title, const QString &dir, const QString &filter)
    {
        return saveFile(title, dir, filter);
    }
    virtual QString chooseFolder(const QString &title, const QString &dir) = 0;

    // The one current prompt: a widget-based one unless a test installed its own.
    static Prompt &current();
    // Installs `prompt` (not owned) as the current one; nullptr restores the default.
    static void install(Prompt *prompt);
    // Parent window for the boxes of the default prompt.
    static void setParentWindow(QWidget *window);
    static QWidget *parentWindow();
};

#pragma once

#include "platform/desktop/Prompt.h"

#include <QQueue>
#include <QStringList>

#include <functional>

// A prompt for tests: answers come from queues filled by the test, every text
// shown is recorded. It installs itself for its lifetime. An empty queue gives
// the default answer (Ok / Cancel-like empty strings).
class ScriptedPrompt : public Prompt
{
public:
    ScriptedPrompt();
    ~ScriptedPrompt() override;

    QQueue<int> answers;        // message box answers
    QQueue<QString> inputs;     // input box answers; a null QString means cancelled
    QQueue<QString> files;      // open/save/folder dialog answers; "" means cancelled
    int defaultAnswer = Ok;
    // What another program or user does while a message is open (before it is answered).
    std::function<void(const QString &)> meanwhile;

    QStringList messages;       // texts of every message box shown
    QStringList titles;         // titles of every message box shown
    QList<int> styles;          // styles of every message box shown
    QStringList inputPrompts;   // texts of every input box shown
    QStringList dialogTitles;   // titles of every file dialog shown
    QStringList dialogStarts;   // the file or folder each file dialog started with
    QStringList dialogFilters;  // the filter each open or save dialog showed first

    int message(const QString &text, int style, const QString &title) override;
    QString input(const QString &text, const QString &title, const QString &defaultValue, bool *ok) override;
    QString openFile(const QString &title, const QString &dir, const QString &filter) override;
    QString openFileWith(const QString &title, const QString &dir, const QString &filter,
                         const QString &selected) override;
    QString saveFile(const QString &title, const QString &dir, const QString &filter) override;
    QString chooseFolder(const QString &title, const QString &dir) override;

private:
    QString nextFile(const QString &title, const QString &start);
};

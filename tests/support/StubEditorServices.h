#pragma once

#include "editor/EditorServices.h"
#include "platform/richtext/RichTextEdit.h"

#include <QList>
#include <QPair>

#include <functional>
#include <utility>

// Editor services for tests: a page is "PAGE\n" followed by its plain text; any other bytes fail to
// load. Jobs and dialogs are recorded and answered from the fields below.
class StubEditorServices : public EditorServices
{
public:
    bool jobResult = false;
    QString dialogAnswer;          // answer of the settings dialog; null keeps the caller's text
    bool colourChosen = false;
    int colour = 0;
    QList<QPair<int, QVariant>> jobs;
    QStringList dialogs;
    std::function<void(uTxm &, const QString &mode)> dialogWork; // what the user does in the dialog
    std::function<void()> onNextLoad; // what another program does as the next page is loaded (once)

    static QByteArray page(const QString &text) { return QByteArray("PAGE\n") + text.toUtf8(); }

    bool loadBytes(RichTextEdit &edit, const QByteArray &bytes, int, bool atCaret) override
    {
        if (onNextLoad)
            std::exchange(onNextLoad, nullptr)();
        if (!bytes.startsWith("PAGE\n"))
            return false;
        const QString text = QString::fromUtf8(bytes.mid(5));
        if (atCaret)
            edit.setSelectedText(text);
        else
            edit.setText(text);
        return true;
    }
    QByteArray saveBytes(RichTextEdit &edit, int) override { return page(edit.text()); }
    bool runJob(uTxm &, int code, const QVariant &arg) override
    {
        jobs.append({code, arg});
        return jobResult;
    }
    void settingsDialog(uTxm &editor, const QString &mode, QString &answer) override
    {
        dialogs.append(mode);
        if (dialogWork)
            dialogWork(editor, mode);
        if (!dialogAnswer.isNull())
            answer = dialogAnswer;
    }
    bool chooseColour(const QString &, int &chosen) override
    {
        if (colourChosen)
            chosen = colour;
        return colourChosen;
    }
};

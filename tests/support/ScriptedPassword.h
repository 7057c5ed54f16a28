#pragma once

#include "core/sbPwd.h"

#include <QLineEdit>
#include <QPushButton>
#include <QQueue>
#include <QStringList>

#include <functional>

// Answers the password prompt in tests: each answer is typed into the real
// dialog and confirmed with OK; a null QString (or an empty queue) presses
// Cancel. Installs itself for its lifetime. Header-only: it needs the core library.
class ScriptedPassword
{
public:
    ScriptedPassword()
    {
        sbPwd::setDriver([this](sbPwd &dialog) {
            captions << dialog.windowTitle();
            if (meanwhile)
                meanwhile();
            const QString answer = answers.isEmpty() ? QString() : answers.dequeue();
            if (answer.isNull()) {
                dialog.cmOk(1)->click();
                return;
            }
            dialog.txPwd()->setText(answer);
            dialog.cmOk(0)->click();
        });
    }
    ~ScriptedPassword() { sbPwd::setDriver({}); }

    QQueue<QString> answers;
    QStringList captions; // caption of every prompt shown
    std::function<void()> meanwhile; // looks at the program while the prompt is shown
};

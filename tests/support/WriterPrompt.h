#pragma once

#include "platform/desktop/Prompt.h"

#include <QStringList>

#include <cstdio>
#include <iostream>
#include <string>

// The prompt of one writer process of the two-writer test (support/TreeWriter.h): every text shown is
// kept for the step's report; questions are answered as the driver said for the step: 'y' yes (or
// ok), 'n' no (or cancel), 'h' held open: the question goes to the driver ("ask" line) and the
// answer is read from it, so that the other writer can act while the question stands.
class WriterPrompt : public Prompt
{
public:
    WriterPrompt() { Prompt::install(this); }
    ~WriterPrompt() override { Prompt::install(nullptr); }

    char answer = 'y';
    QString file;               // the file each open dialog gives
    QString saveTo;             // the file each save dialog gives
    QStringList shown;          // texts shown since the step began

    int message(const QString &text, int style, const QString &) override
    {
        shown << text;
        const int buttons = style & 7;
        if (buttons == OkOnly)
            return Ok;
        char given = answer;
        if (given == 'h') {
            std::printf("ask\t%s\n", oneLine(text).toUtf8().constData());
            std::fflush(stdout);
            std::string line;
            std::getline(std::cin, line);
            given = line.empty() ? 'n' : line[0];
        }
        const bool yes = given == 'y';
        switch (buttons) {
        case OkCancel: return yes ? Ok : Cancel;
        case YesNoCancel: case YesNo: return yes ? Yes : No;
        case RetryCancel: return Cancel;
        default: return yes ? Ok : Cancel;
        }
    }
    QString input(const QString &, const QString &, const QString &, bool *ok) override
    {
        if (ok)
            *ok = false;
        return QString();
    }
    QString openFile(const QString &, const QString &, const QString &) override { return file; }
    QString saveFile(const QString &, const QString &, const QString &) override { return saveTo; }
    QString chooseFolder(const QString &, const QString &) override { return QString(); }

    static QString oneLine(QString text)
    {
        return text.replace(u'\r', u' ').replace(u'\n', u' ').replace(u'\t', u' ');
    }
};

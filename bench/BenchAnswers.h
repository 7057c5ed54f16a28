#pragma once

#include "core/sbPwd.h"
#include "platform/desktop/Prompt.h"

#include <QString>

#include <cstdio>

// A benchmark runs unattended: nothing it does may wait on a dialog. While
// this object lives, the password of a server database comes from
// PGPASSWORD, and every other message, question or file dialog is answered
// with its "cancel" choice after a line on stderr; asked() then tells the
// benchmark to stop and exit non-zero.
class BenchAnswers : public Prompt
{
public:
    explicit BenchAnswers(const char *program) : m_program(program)
    {
        Prompt::install(this);
        sbPwd::setSource([this](const QString &file) {
            const QString password = qEnvironmentVariable("PGPASSWORD");
            if (password.isEmpty())
                refuse(file + QStringLiteral(" asks for its password: give it in PGPASSWORD"));
            return password;
        });
    }
    ~BenchAnswers() override
    {
        sbPwd::setSource({});
        Prompt::install(nullptr);
    }
    BenchAnswers(const BenchAnswers &) = delete;
    BenchAnswers &operator=(const BenchAnswers &) = delete;

    // True once something wanted an answer that a benchmark cannot give.
    bool asked() const { return m_asked; }

    int message(const QString &text, int style, const QString &) override
    {
        refuse(QStringLiteral("the program shows: ") + text);
        switch (style & 7) {
        case OkCancel:
        case YesNoCancel:
        case RetryCancel:
            return Cancel;
        case AbortRetryIgnore:
            return Abort;
        case YesNo:
            return No;
        default:
            return Ok;
        }
    }
    QString input(const QString &text, const QString &, const QString &, bool *ok) override
    {
        refuse(QStringLiteral("the program asks: ") + text);
        if (ok)
            *ok = false;
        return QString();
    }
    QString openFile(const QString &title, const QString &, const QString &) override { return fileDialog(title); }
    QString saveFile(const QString &title, const QString &, const QString &) override { return fileDialog(title); }
    QString chooseFolder(const QString &title, const QString &) override { return fileDialog(title); }

private:
    QString fileDialog(const QString &title)
    {
        refuse(QStringLiteral("the program asks for a file: ") + title);
        return QString();
    }
    void refuse(QString text)
    {
        m_asked = true;
        std::fprintf(stderr, "%s: %s\n", m_program, qPrintable(text.replace(u'\n', u' ').replace(u'\r', u' ')));
        std::fflush(stderr);
    }

    const char *m_program;
    bool m_asked = false;
};

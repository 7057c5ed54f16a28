#pragma once

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

// Published pages judged by independent tools: XHTML by xmllint against its DTD from the local
// catalog, HTML 4.01 by tidy (errors fail, warnings pass).
namespace HtmlCheck {

inline bool run(const QString &program, const QStringList &args, int worstAccepted, QString &message)
{
    if (QStandardPaths::findExecutable(program).isEmpty()) {
        message = program + QStringLiteral(" is missing (make test installs it)");
        return false;
    }
    QProcess p;
    p.start(program, args);
    p.waitForFinished(120000);
    message = QString::fromUtf8(p.readAllStandardError() + p.readAllStandardOutput());
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() <= worstAccepted;
}

// True when the page passes; `message` holds the tool's complaints.
inline bool valid(const QString &file, bool xhtml, QString &message)
{
    if (xhtml)
        return run(QStringLiteral("xmllint"), {QStringLiteral("--valid"), QStringLiteral("--nonet"), QStringLiteral("--noout"), file},
                   0, message);
    return run(QStringLiteral("tidy"), {QStringLiteral("-errors"), QStringLiteral("-q"), QStringLiteral("-utf8"), file}, 1,
               message);
}

inline QString readUtf8(const QString &file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    QByteArray b = f.readAll();
    if (b.startsWith("\xEF\xBB\xBF"))
        b.remove(0, 3);
    return QString::fromUtf8(b);
}

} // namespace HtmlCheck

#pragma once

#include <QProcess>
#include <QString>

// The plain text pandoc reads from a Word document; the failure and pandoc's complaint when it cannot.
inline QString pandocText(const QString &path)
{
    QProcess pandoc;
    pandoc.start(QStringLiteral("pandoc"), {QStringLiteral("-f"), QStringLiteral("docx"), QStringLiteral("-t"),
                                            QStringLiteral("plain"), QStringLiteral("--wrap=none"), path});
    if (!pandoc.waitForFinished(60000) || pandoc.exitCode() != 0)
        return QStringLiteral("pandoc failed: ") + QString::fromUtf8(pandoc.readAllStandardError());
    return QString::fromUtf8(pandoc.readAllStandardOutput());
}

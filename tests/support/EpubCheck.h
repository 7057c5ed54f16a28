#pragma once

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QString>

// Runs Debian's EPUB checker over a book. True when it reports neither errors
// nor warnings; `report` receives what it printed (or why it could not run).
inline bool epubCheck(const QString &book, QString &report)
{
    const QString checker = QStandardPaths::findExecutable(QStringLiteral("epubcheck"));
    // Debian ships the checker as a jar behind the command's name.
    const QString java = QStandardPaths::findExecutable(QStringLiteral("java"));
    if (checker.isEmpty() || java.isEmpty()) {
        report = QStringLiteral("epubcheck or java is missing (make test installs them)");
        return false;
    }
    QProcess run;
    run.setProcessChannelMode(QProcess::MergedChannels);
    run.start(java, {QStringLiteral("-jar"), QFileInfo(checker).canonicalFilePath(), book});
    if (!run.waitForFinished(240000)) {
        report = run.errorString();
        return false;
    }
    report = QString::fromUtf8(run.readAll());
    return run.exitCode() == 0 && report.contains(QStringLiteral("No errors or warnings"));
}

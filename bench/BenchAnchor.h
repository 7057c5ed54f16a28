#pragma once

#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

// An anchor: another program timed on the same work in the same run, so that a figure can be read
// against a known tool on whatever machine runs the benchmark. It has no target of its own.
class BenchAnchor
{
public:
    // Looks `program` up on PATH; an anchor that is not installed is skipped.
    explicit BenchAnchor(const QString &program)
        : m_program(program), m_path(QStandardPaths::findExecutable(program))
    {
        if (m_path.isEmpty())
            m_skipped = program + QStringLiteral(" is not on PATH: anchor skipped");
    }

    bool installed() const { return !m_path.isEmpty(); }

    // Times one process of the program with `args`, started in `folder` (relative file names keep
    // the argument list short, far below the system's limit) and waited for.
    void run(const QStringList &args, const QString &folder)
    {
        if (!installed())
            return;
        QProcess process;
        process.setWorkingDirectory(folder);
        QElapsedTimer timer;
        timer.start();
        process.start(m_path, args);
        const bool finished = process.waitForFinished(10 * 60 * 1000);
        const double seconds = timer.nsecsElapsed() / 1e9;
        if (!finished)
            process.kill();
        if (finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0) {
            m_seconds = seconds;
            return;
        }
        const QString error = QString::fromLocal8Bit(process.readAllStandardError()).trimmed().section(u'\n', 0, 0);
        m_skipped = m_program + QStringLiteral(" failed (") + (error.isEmpty() ? process.errorString() : error)
            + QStringLiteral("): anchor skipped");
    }

    // Our time in seconds against the anchor's: "0.08" for ours 0.3 s and its 3.71 s.
    QString ratio(double ours) const
    {
        return QString::number(ours / qMax(m_seconds, 1e-9), 'f', 2);
    }

    // "3.71 s (ours/pandoc 0.08)" for our time `ours` in seconds, or why the anchor was skipped;
    // with `ratios` given, "3.71 s (ours/pandoc: <ratios>)" instead.
    QString against(double ours, const QString &ratios = QString()) const
    {
        if (m_seconds < 0)
            return m_skipped.isEmpty() ? m_program + QStringLiteral(" not run: anchor skipped") : m_skipped;
        return QStringLiteral("%1 s (ours/%2%3)")
            .arg(m_seconds, 0, 'f', 2)
            .arg(m_program, ratios.isEmpty() ? u' ' + ratio(ours) : QStringLiteral(": ") + ratios);
    }

private:
    QString m_program;
    QString m_path;
    QString m_skipped;
    double m_seconds = -1;
};

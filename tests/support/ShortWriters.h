#pragma once

#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

// Another program that writes to a database file in short connections, as a script, the sqlite3
// shell, a backup or a sync tool does: each commit is one run of the sqlite3 shell that opens the
// file, adds one dictionary entry (msDic) and closes it again, one after another until stop().
// Whether a commit went through is known from the shell's exit code alone, as such a program knows it.
class ShortWriters
{
public:
    ~ShortWriters() { stop(); }

    // Starts the commits, `pauseMs` apart, each waiting `waitMs` at most for a lock. The keys are
    // "<prefix><n>".
    bool start(const QString &path, const QString &prefix, int pauseMs, int waitMs)
    {
        m_stop = path + QStringLiteral(".stop-writers");
        QFile::remove(m_stop);
        m_committed.clear();
        m_failed = 0;
        const QString loop = QStringLiteral(
            "i=0; while [ ! -e \"$2\" ]; do i=$((i+1)); "
            "if sqlite3 -cmd \".timeout %1\" \"$1\" \"insert into msDic (skDic, szDic) values ('$3$i', 'w');\" "
            ">/dev/null 2>&1; then echo \"+$3$i\"; else echo \"-$3$i\"; fi; sleep %2; done")
                                 .arg(waitMs)
                                 .arg(pauseMs / 1000.0, 0, 'f', 3);
        m_loop.start(QStringLiteral("sh"), {QStringLiteral("-c"), loop, QStringLiteral("sh"), path, m_stop, prefix});
        return m_loop.waitForStarted();
    }
    // Ends the commits once the one under way is done; the keys committed.
    QStringList stop()
    {
        if (m_loop.state() == QProcess::NotRunning)
            return m_committed;
        QFile(m_stop).open(QIODevice::WriteOnly);
        m_loop.waitForFinished(60000);
        QFile::remove(m_stop);
        for (const QString &line : QString::fromUtf8(m_loop.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts)) {
            if (line.startsWith(u'+'))
                m_committed << line.mid(1);
            else
                ++m_failed;
        }
        return m_committed;
    }
    // The commits that failed (a lock held too long, a file gone), known after stop().
    int failed() const { return m_failed; }

private:
    QProcess m_loop;
    QString m_stop;
    QStringList m_committed;
    int m_failed = 0;
};

#pragma once

#include "platform/db/DbFiles.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QString>
#include <QtTest>

// Another program (the sqlite3 shell) that has a database file open in log mode, as a second
// instance of the program has, until it is closed (or killed, which leaves its log behind).
struct OtherProgram {
    QProcess shell;
    int m_runs = 0;
    ~OtherProgram() { close(); }
    bool open(const QString &path)
    {
        shell.start(QStringLiteral("sqlite3"), {path});
        if (!shell.waitForStarted())
            return false;
        shell.write("PRAGMA journal_mode=WAL;\nSelect Count(*) From sqlite_master;\n");
        QElapsedTimer waited;
        waited.start();
        while (!DbFiles::inUse(path) && waited.elapsed() < 30000)
            QTest::qWait(20);
        return DbFiles::inUse(path);
    }
    // Runs `sql` and waits until it is done.
    bool run(const QByteArray &sql)
    {
        const QByteArray mark = "ran-" + QByteArray::number(++m_runs);
        shell.write(sql + "\nSelect '" + mark + "';\n");
        QByteArray out;
        while (!out.contains(mark) && shell.waitForReadyRead(30000))
            out += shell.readAllStandardOutput();
        return out.contains(mark);
    }
    void kill()
    {
        shell.kill();
        shell.waitForFinished();
    }
    void close()
    {
        if (shell.state() == QProcess::NotRunning)
            return;
        shell.closeWriteChannel();
        if (!shell.waitForFinished())
            kill();
    }
};

#pragma once

#include "core/sbWait.h"
#include "core/zSvr.h"
#include "platform/db/DataLink.h"
#include "platform/db/DbConnection.h"
#include "support/ServerDb.h"
#include "tree/TreeDb.h"

#include <QAtomicInt>
#include <QElapsedTimer>
#include <QSemaphore>
#include <QSqlQuery>
#include <QThread>
#include <QTimer>

#include <functional>
#include <memory>

// Another program of ours on the same database (a second instance on the file, another user on
// the server), in a thread of its own: it begins a transaction, takes the lock that every write
// placing pages takes, runs its statements and holds them uncommitted until this program waits
// for it (at the file's begin, or on a lock of the server), then runs its second statements (if
// any) and commits. So its write lands between this program's checks and its transaction. On a
// file, this program waits when the wait window shows (the text `waitShown` starts with, if given).
class CrossingWriter
{
public:
    struct Step {
        QString sql;
        QVariantList values;
    };

    // `path` is the database's file or data-link file.
    CrossingWriter(const QString &path, QList<Step> first, QList<Step> second = {}, bool placing = true,
                const QString &waitShown = QString())
        : m_path(path), m_first(std::move(first)), m_second(std::move(second)), m_placing(placing), m_waitShown(waitShown)
    {
    }
    ~CrossingWriter() { finish(); }

    // Returns once the first statements ran.
    bool start()
    {
        m_pid = ServerDb::wanted() ? zSvr::instance().R_GtVaL(QStringLiteral("Select pg_backend_pid()"), 0).toInt() : 0;
        // The wait window shows while this program waits for the file.
        QObject::connect(&m_watch, &QTimer::timeout, [this] {
            if (sbWait::isShown() && sbWait::shownMessage().startsWith(m_waitShown))
                m_waited.storeRelaxed(1);
        });
        m_watch.start(0);
        m_thread.reset(QThread::create([this] { run(); }));
        m_thread->start();
        return m_written.tryAcquire(1, 20000) && m_failures.isEmpty();
    }

    // Waits for the commit; the failures of the other program's statements, if any.
    QStringList finish()
    {
        if (m_thread) {
            m_thread->wait(60000);
            m_thread.reset();
        }
        m_watch.stop();
        return m_failures;
    }

    // Whether this program was seen waiting for the other before it committed.
    bool sawWait() const { return m_seen.loadRelaxed() != 0; }

private:
    void run()
    {
        DbConnection db;
        QString link;
        const bool open = m_path.endsWith(QLatin1String(".udl")) ? DataLink::read(m_path, &link) && db.openOdbc(link)
                                                                 : db.openSqlite(m_path);
        if (!open || !db.transaction(0) || (m_placing && !db.holdLock(TreeDb::PlacingLocks, 0))) {
            m_failures << db.lastError();
            m_written.release();
            return;
        }
        runAll(db, m_first);
        m_written.release();
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 5000 && !waiting(db))
            QThread::msleep(20);
        runAll(db, m_second);
        if (!db.transaction(1))
            m_failures << db.lastError();
        db.close();
    }

    void runAll(DbConnection &db, const QList<Step> &steps)
    {
        for (const Step &step : steps) {
            if (!db.exec(step.sql, step.values, true))
                m_failures << db.lastError();
        }
    }

    bool waiting(DbConnection &db)
    {
        bool seen = m_waited.loadRelaxed() != 0;
        if (m_pid != 0) {
            QSqlQuery query;
            seen = db.select(query, QStringLiteral("Select Count(*) From pg_locks Where pid = ? And Not granted"), {m_pid},
                             true, true)
                   && query.next() && query.value(0).toInt() > 0;
        }
        if (seen)
            m_seen.storeRelaxed(1);
        return seen;
    }

    QString m_path;
    QList<Step> m_first;
    QList<Step> m_second;
    bool m_placing = true;
    QString m_waitShown;
    int m_pid = 0;
    QTimer m_watch;
    QAtomicInt m_waited;
    QAtomicInt m_seen;
    QSemaphore m_written;
    QStringList m_failures;
    std::unique_ptr<QThread> m_thread;
};

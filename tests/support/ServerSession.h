#pragma once

#include "core/zSvr.h"
#include "platform/db/DataLink.h"
#include "platform/db/DbConnection.h"
#include "tree/TreeDb.h"

#include <QElapsedTimer>
#include <QSemaphore>
#include <QSqlQuery>
#include <QThread>

#include <memory>

// Another user's session on the server, in a thread of its own, that runs its steps in turn while
// this program writes: a step may first wait until this program's connection waits for a lock
// (of the given kind), so that the session takes its locks in a fixed order against this
// program's. "begin" and "commit" end and begin its transactions; PlacingLock() names the lock of
// the writes that place pages. The session is never the one the server gives up in a deadlock:
// it looks for one only after 20 s, this program after the server's usual second.
class ServerSession
{
public:
    enum Wait { NoWait, AnyLock, RowLock, AdvisoryLock };
    struct Step {
        QString sql;
        QVariantList values = {};
        Wait wait = NoWait;
    };

    static QString placingLock(const char *how = "pg_advisory_lock")
    {
        return QStringLiteral("Select %1(%2, 0)").arg(QLatin1String(how)).arg(TreeDb::PlacingLocks);
    }

    ServerSession(const QString &link, QList<Step> steps) : m_link(link), m_steps(std::move(steps)) {}
    ~ServerSession() { finish(); }

    // Returns once the steps up to the first one that waits for this program have run.
    bool start()
    {
        m_pid = zSvr::instance().R_GtVaL(QStringLiteral("Select pg_backend_pid()"), 0).toInt();
        m_thread.reset(QThread::create([this] { run(); }));
        m_thread->start();
        return m_ready.tryAcquire(1, 20000) && m_failures.isEmpty();
    }

    // Waits for the last step; the failures of the session's statements and waits, if any.
    QStringList finish()
    {
        if (m_thread) {
            m_thread->wait(60000);
            m_thread.reset();
        }
        return m_failures;
    }

private:
    void run()
    {
        DbConnection db;
        bool released = false;
        const auto ready = [&] {
            if (!released)
                m_ready.release();
            released = true;
        };
        if (!DataLink::read(m_link, &m_connection) || !db.openOdbc(m_connection)
            || !db.exec(QStringLiteral("Select set_config('deadlock_timeout', '20s', false)"), {}, false)) {
            m_failures << db.lastError();
            ready();
            return;
        }
        for (const Step &step : std::as_const(m_steps)) {
            if (step.wait != NoWait) {
                ready();
                if (!waiting(db, step.wait)) {
                    m_failures << QStringLiteral("this program did not wait before: ") + step.sql;
                    continue;
                }
            }
            bool ok = false;
            if (step.sql == QLatin1String("begin"))
                ok = db.transaction(0);
            else if (step.sql == QLatin1String("commit"))
                ok = db.transaction(1);
            else
                ok = db.exec(step.sql, step.values, true);
            if (!ok)
                m_failures << step.sql + QStringLiteral(": ") + db.lastError();
        }
        ready();
        db.close();
    }

    // Until this program's connection waits for a lock of the kind (at most 20 s).
    bool waiting(DbConnection &db, Wait wait)
    {
        QString sql = QStringLiteral("Select Count(*) From pg_locks Where pid = ? And Not granted");
        if (wait == RowLock)
            sql += QStringLiteral(" And locktype <> 'advisory'");
        else if (wait == AdvisoryLock)
            sql += QStringLiteral(" And locktype = 'advisory'");
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 20000) {
            QSqlQuery query;
            if (db.select(query, sql, {m_pid}, true, true) && query.next() && query.value(0).toInt() > 0)
                return true;
            QThread::msleep(20);
        }
        return false;
    }

    QString m_link;
    QString m_connection;
    QList<Step> m_steps;
    int m_pid = 0;
    QSemaphore m_ready;
    QStringList m_failures;
    std::unique_ptr<QThread> m_thread;
};

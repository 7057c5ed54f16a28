#pragma once

#include "platform/db/JetSql.h"

#include <QHash>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QVariant>

#include <functional>
#include <memory>

class QFileSystemWatcher;
class QSqlError;
class QSqlQuery;

// One connection to a document database: an SQLite file or an ODBC data
// source through unixODBC. Statements go through the dialect translator;
// values can be bound as parameters. Nothing here knows pages or trees.
class DbConnection
{
public:
    enum Kind { Closed, SqliteFile, OdbcSource };

    DbConnection();
    ~DbConnection();
    DbConnection(const DbConnection &) = delete;
    DbConnection &operator=(const DbConnection &) = delete;

    // Why the last open failed.
    enum OpenFailure { NoFailure, NotFound, Unreadable, NotADatabase, TablesMissing, DriverMissing, LoginRefused,
                       OtherFailure };

    // Opens an existing SQLite file; read-only when the file or its folder
    // cannot be written, or when `readOnly` asks for it (the file is then never
    // written, not even its header). A file that is not a database fails. With
    // `requiredTables` the file is first looked at read-only and refused,
    // unchanged, when one of them is missing.
    bool openSqlite(const QString &path, bool readOnly = false, const QStringList &requiredTables = {});
    // Opens an ODBC connection string; `password` is added when not empty.
    bool openOdbc(const QString &connectionString, const QString &password = QString(),
                  const QStringList &requiredTables = {});
    void close();
    OpenFailure openFailure() const { return m_failure; }
    // The required tables the last refused open did not find.
    QStringList missingTables() const { return m_missing; }

    bool isOpen() const { return m_kind != Closed; }
    bool inTransaction() const { return m_inTransaction; }
    Kind kind() const { return m_kind; }
    bool readOnly() const { return m_readOnly; }
    JetSql::Dialect dialect() const
    {
        return m_kind != OdbcSource ? JetSql::Sqlite : m_postgres ? JetSql::Postgres : JetSql::Odbc;
    }
    QSqlDatabase database() const;
    QString lastError() const { return m_lastError; }
    // True when the last failed open was a refused login (wrong or missing password).
    bool loginRefused() const { return m_loginRefused; }
    // The name Qt's ODBC driver is given for a connection string ("DSN=x;UID=u" and "UID=u;DSN=x" both
    // become "x;UID=u", which the driver turns back into "DSN=x;UID=u").
    static QString driverName(const QString &connectionString);
    // Whether a driver's error (its native code and text) refuses a login.
    static bool isLoginRefusal(const QString &code, const QString &text);
    // Whether a driver's error says that the server gave up the statement or transaction to let
    // another one through (a deadlock, SQLSTATE 40P01, or a serialization failure, 40001).
    static bool isConflict(const QString &code, const QString &text);
    // The work under way lost such a conflict: since its transaction began (or, outside one,
    // in its statement). Tried again once the other has ended, the same work may go through.
    bool lostConflict() const { return m_conflict; }
    // Whether a driver's error says that the disk that holds the database (the file's, or the
    // server's) has no room left: SQLite's SQLITE_FULL, PostgreSQL's disk_full (SQLSTATE 53100).
    static bool isDiskFull(const QString &code, const QString &text);
    // Whether a driver's error says that another program holds the file (SQLite's SQLITE_BUSY), or
    // another statement of this connection a table (SQLITE_LOCKED).
    static bool isBusy(const QString &code, const QString &text);
    // Whether a driver's error says that the database file is damaged.
    static bool isDamaged(const QString &text);
    // The work under way failed for want of room on that disk (counted as lostConflict() is).
    bool diskFull() const { return m_full; }
    // The work under way failed as another program held the file, or as the file is damaged
    // (counted alike).
    bool heldElsewhere() const { return m_busy; }
    bool damaged() const { return m_damaged; }

    // Runs a statement that returns no rows. With `bind` the "?" placeholders
    // are bound to `values` (see JetSql::toBound); without it the text runs as
    // it stands.
    bool exec(const QString &sql, const QVariantList &values, bool bind, int *affected = nullptr,
              QVariant *insertId = nullptr);
    // Runs a statement that waits at most `waitMs` for another program's lock on the file (0: not at
    // all) instead of the command timeout. A server waits as its statements do.
    bool execWithin(const QString &sql, int waitMs);
    // Prepares and runs a query for reading into `query`.
    bool select(QSqlQuery &query, const QString &sql, const QVariantList &values, bool bind, bool forwardOnly);

    // 0 begin, 1 commit, 2 roll back. A transaction on a file holds its write
    // lock from the start, so that what it reads stays true until it commits.
    bool transaction(int mode);
    // Begins a transaction that only reads, in one state of the database: every statement until
    // transaction(2) sees the rows as they stood when the first of them ran, whatever other
    // connections commit meanwhile (on a file a read transaction, on a server a snapshot at
    // REPEATABLE READ). It takes no write lock: other programs' writes go on beside it.
    bool beginRead();
    // Begins a transaction as transaction(0) does, waiting at most `waitMs` for another program's lock
    // on the file instead of the command timeout.
    bool beginWithin(int waitMs);
    // Begins a transaction only when that needs no wait: false, with `locked` set, when another
    // program holds the file (the caller may then show that it waits and begin with transaction(0)).
    // A server connection begins as transaction(0) does: its waits come with the statements.
    bool beginAtOnce(bool *locked);
    // Holds the lock named by the two numbers until the transaction ends;
    // another connection asking for it meanwhile waits (at most the command
    // timeout). A file needs none: its transaction holds it whole. False when
    // the lock could not be had.
    bool holdLock(qint32 space, qint32 key);
    // Holds the tables against other connections' writes until the transaction
    // ends, once the writes under way in them have ended (a server waits for
    // them at most the command timeout); their rows can still be read. A file
    // needs nothing more: its transaction holds it whole. An ODBC source other
    // than PostgreSQL has no statement for it known here. False when the
    // tables could not be had.
    bool holdTables(const QStringList &tables);

    // Returns the file's log into the file and empties it, as far as other programs allow: true when
    // every write of the log is in the file, false while another program's read still needs an older
    // state of the file, or when the return failed (`failed` is set then). `emptied` tells whether the
    // log is empty too (another program's read or write of the latest state may keep it). A server
    // has no log: true. So is a file that its path no longer names: nothing is written then.
    bool logReturned(bool *failed = nullptr, bool *emptied = nullptr);

    // False when the open file is one that its path no longer names: it was deleted, moved away, or
    // another file was put in its place (a server, and no file, are always in place). Looked at before
    // every return of the log and whenever the file's folder changes. Once another file stands at the
    // path it stays so: the log is taken away from beside the path at once (the connection keeps it,
    // unnamed), so that the file put there never takes it for its own, whether this program closes,
    // crashes or is killed; nothing of this connection's is written or deleted under those names again.
    bool fileInPlace();

    // The columns of the table's primary key, asked of the database once per table while the
    // connection stays open.
    QStringList primaryKey(const QString &table);

    // How long a statement may wait or run, in seconds (30 unless changed): a
    // file waits that long for another program's lock, a server gives up the
    // statement after it. Applies to the open connection at once.
    void setCommandTimeout(int seconds);
    int commandTimeout() const { return m_timeout; }

    // Columns whose names start with this prefix hold dates (stored as text in
    // SQLite) and are read back as QDateTime.
    void setDatePrefix(const QString &prefix) { m_datePrefix = prefix; }
    QVariant fromDb(const QVariant &value, const QString &column) const;
    QVariant toDb(const QVariant &value) const;

private:
    bool openSqliteFile(const QString &path, QString *error);
    bool openOdbcSource(const QString &connectionString, const QString &password, QString *error);
    bool prepareAndRun(QSqlQuery &query, const QString &sql, const QVariantList &values, bool bind);
    bool runStatements(QSqlQuery &query, const QStringList &statements, const QVariantList &values, bool bind);
    bool fail(const QString &error);
    void noteError(const QSqlError &error);
    void clearFailures();
    bool reopenAfterLoss();
    bool fail(OpenFailure failure, const QString &error);
    bool checkTables(const QStringList &requiredTables);
    bool applyTimeout();
    // Runs `work` with SQLite's wait for another program's lock set to `waitMs`.
    bool waitingAtMost(int waitMs, const std::function<bool()> &work);
    void written();
    void checkpoint();
    void retryCheckpoint();
    void watchFile(const QString &path);
    void letLogGo();

    QString m_name;
    Kind m_kind = Closed;
    bool m_readOnly = false;
    bool m_loginRefused = false;
    bool m_postgres = false;
    bool m_inTransaction = false;
    bool m_reading = false; // the transaction only reads (beginRead)
    bool m_conflict = false;
    bool m_full = false;
    bool m_busy = false;
    bool m_damaged = false;
    QString m_connectionString; // kept to open a lost server connection again
    QString m_password;
    OpenFailure m_failure = NoFailure;
    QStringList m_missing;
    QString m_lastError;
    QString m_datePrefix;
    int m_timeout = 30;
    QHash<QString, QStringList> m_keys;
    std::unique_ptr<QTimer> m_checkpoint; // tries the return of the log again while another program holds it
    bool m_logHeld = false; // the last return of the log left some behind (a reader's, or it failed)
    QString m_path;          // the open file, its device and inode as it was opened,
    QString m_fileId;
    QString m_logIds[2];     // and those of its log files ("-wal", "-shm") as they were then
    bool m_lost = false;     // the path no longer names the open file
    std::unique_ptr<QFileSystemWatcher> m_watch; // the folder of the file
};

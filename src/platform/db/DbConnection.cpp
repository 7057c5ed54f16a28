#include "platform/db/DbConnection.h"
#include "platform/db/DataLink.h"
#include "platform/db/DbFiles.h"

#include <QAtomicInt>
#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlIndex>
#include <QSqlQuery>

#include <sqlite3.h>

namespace {

QAtomicInt counter;

const char *dateFormat = "yyyy-MM-dd hh:mm:ss";

bool writableByMode(const QFileInfo &info)
{
    // The mode bits count even for the administrator, who may write anything.
    const QFile::Permissions write = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
    return (info.permissions() & write) && info.isWritable();
}

const char *const LogSuffixes[2] = {"-wal", "-shm"};

// SQLite's own handle of an open file's connection; null for any other.
sqlite3 *sqliteHandle(const QSqlDatabase &db)
{
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3 *const *>(handle.constData());
}

} // namespace

QString DbConnection::driverName(const QString &connectionString)
{
    // Qt's driver passes the string on as it stands only when it names a
    // driver or server; otherwise it puts "DSN=" before all of it. The data
    // source then has to come first, without its key, wherever the file named it.
    if (connectionString.contains(QLatin1String("DRIVER="), Qt::CaseInsensitive) ||
        connectionString.contains(QLatin1String("SERVER="), Qt::CaseInsensitive))
        return connectionString;
    QStringList parts = DataLink::parts(connectionString);
    for (int i = 0; i < parts.size(); ++i) {
        if (parts[i].trimmed().startsWith(QLatin1String("DSN="), Qt::CaseInsensitive)) {
            const QString source = parts.takeAt(i).trimmed().mid(4);
            parts.prepend(source);
            return parts.join(u';');
        }
    }
    return connectionString;
}

bool DbConnection::isLoginRefusal(const QString &code, const QString &text)
{
    // SQLSTATE 28000 (invalid authorisation), PostgreSQL's 28P01, or a driver
    // that only says so in words.
    return code.contains(QLatin1String("28000")) || code.contains(QLatin1String("28P01")) ||
           text.contains(QLatin1String("28000")) || text.contains(QLatin1String("28P01")) ||
           text.contains(QLatin1String("password"), Qt::CaseInsensitive) ||
           text.contains(QStringLiteral("パスワード"), Qt::CaseInsensitive);
}

bool DbConnection::isConflict(const QString &code, const QString &text)
{
    // The ODBC driver of PostgreSQL gives no SQLSTATE, only the server's words (in English or,
    // on a Japanese server, in Japanese).
    for (const char *state : {"40P01", "40001"}) {
        if (code.contains(QLatin1String(state)) || text.contains(QLatin1String(state)))
            return true;
    }
    return text.contains(QLatin1String("deadlock detected"), Qt::CaseInsensitive)
           || text.contains(QLatin1String("could not serialize access"), Qt::CaseInsensitive)
           || text.contains(QStringLiteral("デッドロックを検出")) || text.contains(QStringLiteral("直列化"));
}

bool DbConnection::isDiskFull(const QString &code, const QString &text)
{
    // SQLite's words for SQLITE_FULL (its code is not passed on by every call of Qt's driver); the
    // server's state, or its words (in English or, on a Japanese server, in Japanese). The state is
    // not looked for in the words: they may quote a key that holds the same digits.
    return code == QLatin1String("53100")
           || text.contains(QLatin1String("database or disk is full"), Qt::CaseInsensitive)
           || text.contains(QLatin1String("No space left on device"), Qt::CaseInsensitive)
           || text.contains(QStringLiteral("デバイスに空き領域がありません"));
}

bool DbConnection::isBusy(const QString &code, const QString &text)
{
    // SQLITE_BUSY and SQLITE_LOCKED, in the driver's code or in SQLite's own words.
    return code == QLatin1String("5") || text.contains(QLatin1String("database is locked"), Qt::CaseInsensitive)
           || text.contains(QLatin1String("database table is locked"), Qt::CaseInsensitive);
}

bool DbConnection::isDamaged(const QString &text)
{
    // SQLITE_CORRUPT; a file that is no database at all (SQLITE_NOTADB) is told apart by the callers.
    return text.contains(QLatin1String("malformed"), Qt::CaseInsensitive)
           || text.contains(QLatin1String("corrupt"), Qt::CaseInsensitive);
}

void DbConnection::noteError(const QSqlError &error)
{
    m_lastError = error.text();
    m_conflict = m_conflict || isConflict(error.nativeErrorCode(), m_lastError);
    m_full = m_full || isDiskFull(error.nativeErrorCode(), m_lastError);
    m_busy = m_busy || isBusy(error.nativeErrorCode(), m_lastError);
    m_damaged = m_damaged || isDamaged(m_lastError);
}

void DbConnection::clearFailures()
{
    m_conflict = m_full = m_busy = m_damaged = false;
}

DbConnection::DbConnection() : m_name(QStringLiteral("fenwar-db-%1").arg(counter.fetchAndAddRelaxed(1))) {}

DbConnection::~DbConnection()
{
    close();
}

void DbConnection::written()
{
    if (m_kind != SqliteFile || m_readOnly || m_inTransaction)
        return;
    // The log goes back into the file as soon as a write has ended, and is emptied: a copy of the
    // file alone, made while it is open, then holds every finished write, and a file that someone
    // puts at the path finds no log to take for its own should this program end without closing.
    checkpoint();
}

void DbConnection::checkpoint()
{
    if (m_kind != SqliteFile || m_readOnly || !isOpen())
        return;
    if (m_inTransaction) {
        if (m_logHeld)
            retryCheckpoint();
        return;
    }
    // What another program held back (its read of an older state, or its write) is returned once it
    // is done: looked at again a while later, until the log is empty, not only after this program's
    // next write. A return that failed (the disk is full) may have written a part of the log into the
    // file already, which leaves the file alone damaged until a later one goes through: tried again too.
    bool emptied = false;
    logReturned(nullptr, &emptied);
    m_logHeld = !emptied;
    if (m_logHeld)
        retryCheckpoint();
}

void DbConnection::retryCheckpoint()
{
    constexpr int RetryMs = 1000;
    if (!m_checkpoint) {
        m_checkpoint = std::make_unique<QTimer>();
        m_checkpoint->setSingleShot(true);
        m_checkpoint->setInterval(RetryMs);
        QObject::connect(m_checkpoint.get(), &QTimer::timeout, [this] { checkpoint(); });
    }
    m_checkpoint->start();
}

bool DbConnection::logReturned(bool *failed, bool *emptied)
{
    if (failed)
        *failed = false;
    if (emptied)
        *emptied = true;
    if (m_kind != SqliteFile || m_readOnly || m_inTransaction || !fileInPlace())
        return true;
    QSqlDatabase db = database();
    QSqlQuery query(db);
    // Truncating: it waits for nobody (another program's read or write that still needs the log
    // leaves it busy, to be tried again), and empties the log once all of it is in the file.
    query.exec(QStringLiteral("PRAGMA busy_timeout = 0"));
    // Its row: busy (something held it back), the frames of the log, the frames now in the file;
    // a file not in log mode gives -1 for both.
    const bool ran = query.exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)")) && query.next();
    const bool returned = ran && query.value(2).toInt() >= query.value(1).toInt();
    if (emptied)
        *emptied = returned && query.value(0).toInt() == 0;
    query.finish();
    query.exec(QStringLiteral("PRAGMA busy_timeout = %1").arg(qint64(m_timeout) * 1000));
    if (!ran && failed)
        *failed = true;
    return returned;
}

bool DbConnection::fileInPlace()
{
    if (m_kind != SqliteFile || m_fileId.isEmpty())
        return true;
    if (m_lost)
        return false;
    const QString id = DbFiles::fileId(m_path);
    if (id == m_fileId)
        return true;
    // Nothing there (deleted, or moved away and perhaps back): the log stays; another file there:
    // the log leaves its path for good.
    if (!id.isEmpty())
        letLogGo();
    return false;
}

void DbConnection::watchFile(const QString &path)
{
    m_path = path;
    m_fileId = DbFiles::fileId(path);
    m_lost = false;
    for (int i = 0; i < 2; ++i)
        m_logIds[i] = m_readOnly ? QString() : DbFiles::fileId(path + QLatin1String(LogSuffixes[i]));
    // A file put in its place is found as it happens, not only at the next write: a rename over the
    // path, a delete or a move changes the folder.
    if (m_readOnly || !QCoreApplication::instance())
        return;
    m_watch = std::make_unique<QFileSystemWatcher>();
    m_watch->addPath(QFileInfo(path).absolutePath());
    QObject::connect(m_watch.get(), &QFileSystemWatcher::directoryChanged, [this] { fileInPlace(); });
}

void DbConnection::letLogGo()
{
    m_lost = true;
    if (m_checkpoint)
        m_checkpoint->stop();
    if (m_readOnly)
        return;
    // SQLite deletes the log by its name when the last connection closes; from now on that name
    // may be another file's. Kept, the log is emptied through this connection's own handle.
    if (sqlite3 *handle = sqliteHandle(database())) {
        int persist = 1;
        sqlite3_file_control(handle, "main", SQLITE_FCNTL_PERSIST_WAL, &persist);
    }
    // The log files stay open to this connection (and to any other program that had the file open)
    // without a name: whatever is in them stays this file's, and nobody finds them beside another.
    for (int i = 0; i < 2; ++i) {
        const QString log = m_path + QLatin1String(LogSuffixes[i]);
        if (!m_logIds[i].isEmpty() && DbFiles::fileId(log) == m_logIds[i])
            QFile::remove(log);
    }
}

QSqlDatabase DbConnection::database() const
{
    return QSqlDatabase::database(m_name, false);
}

bool DbConnection::fail(OpenFailure failure, const QString &error)
{
    m_failure = failure;
    return fail(error);
}

bool DbConnection::fail(const QString &error)
{
    m_lastError = error;
    close();
    return false;
}

bool DbConnection::openSqlite(const QString &path, bool readOnlyWanted, const QStringList &requiredTables)
{
    close();
    m_loginRefused = false;
    m_failure = NoFailure;
    m_missing.clear();
    const QFileInfo info(path);
    if (!info.isFile())
        return fail(NotFound, QStringLiteral("file not found: ") + path);
    if (!info.isReadable())
        return fail(Unreadable, QStringLiteral("file cannot be read: ") + path);
    const bool readOnly = readOnlyWanted || !writableByMode(info) || !writableByMode(QFileInfo(info.absolutePath()));
    QString error;
    if (!requiredTables.isEmpty()) {
        // Looked at read-only first: even an empty file would be written to as
        // a new database, and another program's database would have its log
        // mode switched. A refused file is left exactly as it was.
        m_readOnly = true;
        if (!openSqliteFile(info.absoluteFilePath(), &error))
            return fail(NotADatabase, error);
        if (!checkTables(requiredTables))
            return false;
        if (readOnly) {
            m_kind = SqliteFile;
            watchFile(info.absoluteFilePath());
            return true;
        }
        close();
    }
    m_readOnly = readOnly;
    if (!openSqliteFile(info.absoluteFilePath(), &error))
        return fail(NotADatabase, error);
    m_kind = SqliteFile;
    watchFile(info.absoluteFilePath());
    return true;
}

bool DbConnection::checkTables(const QStringList &requiredTables)
{
    QStringList present = database().tables();
    for (QString &name : present)
        name = name.toLower();
    for (const QString &name : requiredTables) {
        if (!present.contains(name.toLower()))
            m_missing << name;
    }
    if (m_missing.isEmpty())
        return true;
    // Not one of the tables: no document database at all (an empty file is one of these).
    return fail(m_missing.size() == requiredTables.size() ? NotADatabase : TablesMissing,
                QStringLiteral("tables missing: ") + m_missing.join(QStringLiteral(", ")));
}

bool DbConnection::openSqliteFile(const QString &path, QString *error)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    db.setDatabaseName(path);
    QString options = QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(m_timeout * 1000);
    if (m_readOnly)
        options += QStringLiteral(";QSQLITE_OPEN_READONLY");
    db.setConnectOptions(options);
    if (!db.open()) {
        *error = db.lastError().text();
        return false;
    }
    // The open is lazy: the first read tells whether the file is a database.
    QSqlQuery probe(db);
    if (!probe.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")) || !probe.next()) {
        *error = probe.lastError().text();
        return false;
    }
    probe.finish();
    // Write-ahead logging while the file is open: a commit then costs no disk
    // flush, and a crash still leaves the file whole. close() turns it back.
    if (!m_readOnly) {
        probe.exec(QStringLiteral("PRAGMA journal_mode=WAL"));
        probe.exec(QStringLiteral("PRAGMA synchronous=NORMAL"));
        // The log files are there once the file is read in log mode (their names are then known as
        // this file's).
        probe.exec(QStringLiteral("SELECT count(*) FROM sqlite_master"));
        probe.finish();
    }
    return true;
}

bool DbConnection::openOdbc(const QString &connectionString, const QString &password, const QStringList &requiredTables)
{
    close();
    m_loginRefused = false;
    m_failure = NoFailure;
    m_missing.clear();
    m_readOnly = false;
    QString error;
    if (!openOdbcSource(connectionString, password, &error)) {
        // unixODBC: IM002 no such source or driver, 01000 "Can't open lib" for a driver not installed.
        const bool noDriver = error.contains(QLatin1String("IM002")) || error.contains(QLatin1String("Can't open lib"))
                              || error.contains(QLatin1String("not found"), Qt::CaseInsensitive);
        return fail(m_loginRefused ? LoginRefused : noDriver ? DriverMissing : OtherFailure, error);
    }
    if (!requiredTables.isEmpty() && !checkTables(requiredTables))
        return false;
    m_kind = OdbcSource;
    m_connectionString = connectionString;
    m_password = password;
    return true;
}

bool DbConnection::openOdbcSource(const QString &connectionString, const QString &password, QString *error)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), m_name);
    // Qt's driver would add the password as it stands, and a ";" in it would end it.
    db.setDatabaseName(driverName(password.isEmpty() ? connectionString
                                                     : connectionString + QStringLiteral(";PWD=") + DataLink::braced(password)));
    db.setConnectOptions(QStringLiteral("SQL_ATTR_LOGIN_TIMEOUT=30"));
    if (db.open()) {
        m_postgres = db.driver()->dbmsType() == QSqlDriver::PostgreSQL;
        applyTimeout();
        return true;
    }
    m_loginRefused = isLoginRefusal(db.lastError().nativeErrorCode(), db.lastError().text());
    *error = db.lastError().text();
    return false;
}

void DbConnection::close()
{
    if (m_checkpoint)
        m_checkpoint->stop();
    m_logHeld = false;
    m_watch.reset();
    if (QSqlDatabase::contains(m_name)) {
        {
            QSqlDatabase db = QSqlDatabase::database(m_name, false);
            // Closed files are plain single files again: they can be copied
            // and read from read-only folders. While another program has the
            // file open it keeps its log, and the last one out turns it back:
            // the switch is not waited for. A file its path no longer names is
            // let go as it is: the names beside the path are not its own.
            if (m_kind == SqliteFile && !m_readOnly && db.isOpen() && fileInPlace()) {
                QSqlQuery query(db);
                query.exec(QStringLiteral("PRAGMA busy_timeout = 0"));
                query.exec(QStringLiteral("PRAGMA journal_mode=DELETE"));
            }
            db.close();
        }
        QSqlDatabase::removeDatabase(m_name);
    }
    m_kind = Closed;
    m_path.clear();
    m_fileId.clear();
    m_lost = false;
    m_keys.clear();
    m_readOnly = false;
    m_postgres = false;
    m_inTransaction = false;
    m_reading = false;
    m_connectionString.clear();
    m_password.clear();
}

QVariant DbConnection::toDb(const QVariant &value) const
{
    if (value.metaType().id() == QMetaType::QDateTime && m_kind == SqliteFile)
        return value.isNull() ? QVariant(QMetaType::fromType<QString>())
                              : QVariant(value.toDateTime().toString(QLatin1String(dateFormat)));
    if (value.metaType().id() == QMetaType::Bool)
        return QVariant(value.toBool() ? 1 : 0);
    // A server's text cannot hold NUL and ends the text there; dropped on every
    // back end alike, the stored text is the same everywhere and whole.
    if (value.metaType().id() == QMetaType::QString && value.toString().contains(QChar(0)))
        return QVariant(value.toString().remove(QChar(0)));
    return value;
}

QVariant DbConnection::fromDb(const QVariant &value, const QString &column) const
{
    if (m_datePrefix.isEmpty() || !column.startsWith(m_datePrefix) || value.isNull())
        return value;
    if (value.metaType().id() == QMetaType::QDateTime)
        return value;
    const QString text = value.toString().trimmed();
    QDateTime dt = QDateTime::fromString(text, QLatin1String(dateFormat));
    if (!dt.isValid())
        dt = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (!dt.isValid())
        dt = QDateTime::fromString(text, QLatin1String("yyyy-MM-dd hh:mm:ss.zzz"));
    return dt.isValid() ? QVariant(dt) : value;
}

bool DbConnection::prepareAndRun(QSqlQuery &query, const QString &sql, const QVariantList &values, bool bind)
{
    QString text = sql;
    if (bind) {
        int count = 0;
        text = JetSql::toBound(sql, &count);
        if (count != values.size()) {
            m_lastError = QStringLiteral("%1 placeholders, %2 values").arg(count).arg(values.size());
            return false;
        }
    }
    const QStringList statements = JetSql::translate(text, dialect());
    // In a transaction PostgreSQL gives up on every later statement once one
    // has failed; SQLite only undoes the failed one. A savepoint around each
    // statement gives the server the file's behaviour, so that callers that
    // let a single row fail and go on work alike on both.
    // A transaction that only reads has nothing to keep: a failed read ends its work anyway.
    const bool guarded = m_inTransaction && m_postgres && !m_reading;
    if (guarded && !QSqlQuery(database()).exec(QStringLiteral("SAVEPOINT fenwar_statement"))) {
        m_lastError = database().lastError().text();
        return false;
    }
    const bool ok = runStatements(query, statements, values, bind);
    if (guarded) {
        QSqlQuery(database()).exec(ok ? QStringLiteral("RELEASE SAVEPOINT fenwar_statement")
                                      : QStringLiteral("ROLLBACK TO SAVEPOINT fenwar_statement"));
    }
    return ok;
}

bool DbConnection::runStatements(QSqlQuery &query, const QStringList &statements, const QVariantList &values,
                                 bool bind)
{
    for (const QString &statement : statements) {
        if (!query.prepare(statement)) {
            noteError(query.lastError());
            return false;
        }
        if (bind) {
            for (const QVariant &v : values)
                query.addBindValue(toDb(v));
        }
        if (!query.exec()) {
            noteError(query.lastError());
            return false;
        }
    }
    return true;
}

bool DbConnection::exec(const QString &sql, const QVariantList &values, bool bind, int *affected,
                        QVariant *insertId)
{
    if (affected)
        *affected = 0;
    if (!m_inTransaction)
        clearFailures();
    if (!isOpen()) {
        m_lastError = QStringLiteral("no database is open");
        return false;
    }
    QSqlQuery query(database());
    if (!prepareAndRun(query, sql, values, bind)) {
        if (!reopenAfterLoss())
            return false;
        query = QSqlQuery(database());
        if (!prepareAndRun(query, sql, values, bind))
            return false;
    }
    if (affected)
        *affected = query.numRowsAffected();
    if (insertId && m_kind == SqliteFile)
        *insertId = query.lastInsertId();
    written();
    return true;
}

bool DbConnection::waitingAtMost(int waitMs, const std::function<bool()> &work)
{
    if (m_kind != SqliteFile)
        return work();
    QSqlQuery(database()).exec(QStringLiteral("PRAGMA busy_timeout = %1").arg(qMax(0, waitMs)));
    const bool ok = work();
    QSqlQuery(database()).exec(QStringLiteral("PRAGMA busy_timeout = %1").arg(qint64(m_timeout) * 1000));
    return ok;
}

bool DbConnection::execWithin(const QString &sql, int waitMs)
{
    return waitingAtMost(waitMs, [&] { return exec(sql, {}, false); });
}

bool DbConnection::beginWithin(int waitMs)
{
    return waitingAtMost(waitMs, [this] { return transaction(0); });
}

bool DbConnection::select(QSqlQuery &query, const QString &sql, const QVariantList &values, bool bind,
                          bool forwardOnly)
{
    if (!m_inTransaction)
        clearFailures();
    if (!isOpen()) {
        m_lastError = QStringLiteral("no database is open");
        return false;
    }
    for (int attempt = 0;; ++attempt) {
        query = QSqlQuery(database());
        query.setForwardOnly(forwardOnly);
        if (prepareAndRun(query, sql, values, bind))
            return true;
        if (attempt > 0 || !reopenAfterLoss())
            return false;
    }
}

bool DbConnection::reopenAfterLoss()
{
    // A server that restarted or dropped the session leaves a dead connection
    // behind; outside a transaction nothing is lost by opening it again, so
    // the user's next save works once the server is back. Inside one, the
    // caller has to learn that its work is gone.
    if (m_kind != OdbcSource || m_inTransaction)
        return false;
    if (QSqlQuery(database()).exec(QStringLiteral("SELECT 1")))
        return false; // the connection is alive: the statement itself failed
    const QString error = m_lastError;
    {
        QSqlDatabase db = QSqlDatabase::database(m_name, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_name);
    QString reason;
    if (!openOdbcSource(m_connectionString, m_password, &reason)) {
        m_lastError = error;
        return false;
    }
    return true;
}

bool DbConnection::applyTimeout()
{
    // ODBC's own query timeout is no connection option of Qt's driver; the
    // server's setting does the same for every statement of the session.
    if (!m_postgres)
        return true;
    QSqlQuery query(database());
    return query.exec(QStringLiteral("SET statement_timeout = %1").arg(qint64(m_timeout) * 1000));
}

void DbConnection::setCommandTimeout(int seconds)
{
    m_timeout = qMax(1, seconds);
    if (m_kind == SqliteFile) {
        QSqlQuery(database()).exec(QStringLiteral("PRAGMA busy_timeout = %1").arg(qint64(m_timeout) * 1000));
    } else if (m_kind == OdbcSource) {
        applyTimeout();
    }
}

bool DbConnection::holdLock(qint32 space, qint32 key)
{
    if (!isOpen())
        return false;
    if (!m_postgres)
        return true;
    return exec(QStringLiteral("SELECT pg_advisory_xact_lock(%1, %2)").arg(space).arg(key), {}, false);
}

bool DbConnection::holdTables(const QStringList &tables)
{
    if (!isOpen())
        return false;
    if (!m_postgres || tables.isEmpty())
        return true;
    // Only plain reads go on beside this mode: another transaction that holds rows to write later
    // (Select ... For Share) is waited for too, so that neither waits for the other in a ring.
    return exec(QStringLiteral("LOCK TABLE %1 IN EXCLUSIVE MODE").arg(tables.join(QStringLiteral(", "))), {}, false);
}

QStringList DbConnection::primaryKey(const QString &table)
{
    const QString name = table.toLower();
    const auto known = m_keys.constFind(name);
    if (known != m_keys.constEnd())
        return *known;
    QStringList keys;
    const QSqlIndex primary = database().primaryIndex(table);
    for (int i = 0; i < primary.count(); ++i)
        keys << primary.fieldName(i);
    m_keys.insert(name, keys);
    return keys;
}

bool DbConnection::beginRead()
{
    if (!isOpen() || m_inTransaction)
        return false;
    if (m_kind == OdbcSource)
        reopenAfterLoss();
    clearFailures();
    QSqlDatabase db = database();
    if (m_kind == SqliteFile) {
        // Deferred: no lock but the read's own; its first read fixes the state it sees.
        QSqlQuery begin(db);
        if (!begin.exec(QStringLiteral("BEGIN")) || !begin.exec(QStringLiteral("SELECT count(*) FROM sqlite_master"))) {
            m_lastError = begin.lastError().text();
            QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
            return false;
        }
        begin.finish();
    } else {
        if (!db.transaction()) {
            m_lastError = db.lastError().text();
            return false;
        }
        // The level is set by the transaction's first statement; its first read then takes the
        // snapshot that every later one sees. A server that knows no such level reads as it can.
        QSqlQuery level(db);
        if (m_postgres && !level.exec(QStringLiteral("SET TRANSACTION ISOLATION LEVEL REPEATABLE READ"))) {
            m_lastError = level.lastError().text();
            db.rollback();
            return false;
        }
    }
    m_inTransaction = true;
    m_reading = true;
    return true;
}

bool DbConnection::beginAtOnce(bool *locked)
{
    *locked = false;
    if (m_kind != SqliteFile)
        return transaction(0);
    if (!m_inTransaction)
        clearFailures();
    QSqlDatabase db = database();
    QSqlQuery pragma(db);
    pragma.exec(QStringLiteral("PRAGMA busy_timeout = 0"));
    QSqlQuery begin(db);
    const bool ok = begin.exec(QStringLiteral("BEGIN IMMEDIATE"));
    if (!ok) {
        m_lastError = begin.lastError().text();
        *locked = isBusy(begin.lastError().nativeErrorCode(), m_lastError);
    }
    pragma.exec(QStringLiteral("PRAGMA busy_timeout = %1").arg(qint64(m_timeout) * 1000));
    m_inTransaction = m_inTransaction || ok;
    return ok;
}

bool DbConnection::transaction(int mode)
{
    if (!isOpen())
        return false;
    // A dead server connection would only fail the transaction's first
    // statement; before it begins, nothing is lost by opening it again.
    if (mode == 0 && m_kind == OdbcSource && !m_inTransaction)
        reopenAfterLoss();
    QSqlDatabase db = database();
    bool ok = false;
    if (mode == 0 && !m_inTransaction)
        clearFailures();
    switch (mode) {
    case 0:
        if (m_kind == SqliteFile) {
            // Waits for a lock another program holds, as long as a statement would.
            QSqlQuery begin(db);
            ok = begin.exec(QStringLiteral("BEGIN IMMEDIATE"));
            if (!ok)
                m_lastError = begin.lastError().text();
        } else {
            ok = db.transaction();
            if (!ok)
                m_lastError = db.lastError().text();
        }
        m_inTransaction = m_inTransaction || ok;
        return ok;
    case 1:
        ok = db.commit();
        break;
    case 2:
        // A transaction whose connection was lost is over even when the
        // rollback cannot reach the server.
        ok = db.rollback();
        m_inTransaction = false;
        break;
    default:
        return false;
    }
    if (ok)
        m_inTransaction = false;
    else
        noteError(db.lastError());
    if (!m_inTransaction)
        m_reading = false;
    if (ok && mode == 1)
        written();
    return ok;
}

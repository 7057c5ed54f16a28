#include "platform/db/DbFiles.h"

#include "platform/db/DbConnection.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char *const LogSuffixes[] = {"-wal", "-shm", "-journal"};

// Whether another process holds a lock on `length` bytes at `start` of the file at `path`.
bool lockedElsewhere(const QString &path, off_t start, off_t length)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct flock lock = {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = start;
    lock.l_len = length;
    const bool held = ::fcntl(fd, F_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
    ::close(fd);
    return held;
}

} // namespace

QString DbFiles::fileId(const QString &path)
{
    struct stat info = {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return QString();
    return QStringLiteral("%1:%2").arg(quint64(info.st_dev)).arg(quint64(info.st_ino));
}

bool DbFiles::inUse(const QString &path)
{
    if (!QFileInfo(path).isFile())
        return false;
    // SQLite's lock bytes of the main file (a program in log mode keeps a shared lock there as long
    // as it has the file open) and the bytes of the shared log index that each such program holds.
    constexpr off_t LockBytes = 0x40000000;
    return lockedElsewhere(path, LockBytes, 512 + 2)
           || (QFileInfo(path + QStringLiteral("-shm")).isFile()
               && lockedElsewhere(path + QStringLiteral("-shm"), 120, 9));
}

bool DbFiles::sync(const QString &path)
{
    // Folders too: a rename is on the disk only when its folder is.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

QString DbFiles::partialName(const QString &target)
{
    return target + QStringLiteral(".part");
}

void DbFiles::remove(const QString &path)
{
    QFile::remove(path);
    for (const char *suffix : LogSuffixes)
        QFile::remove(path + QLatin1String(suffix));
}

DbFiles::Failure DbFiles::failureOf(int error)
{
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return NoFolder;
    case EACCES:
    case EPERM:
        return NoPermission;
    case EROFS:
        return ReadOnlyDisk;
    case ENOSPC:
    case EDQUOT:
        return DiskFull;
    default:
        return OtherFailure;
    }
}

bool DbFiles::copy(const QString &source, const QString &target, Failure *failure)
{
    DbConnection db;
    // Read-only: the source keeps its header and its log mode as they are.
    if (!db.openSqlite(source, true)) {
        if (failure)
            *failure = db.openFailure() == DbConnection::NotADatabase ? SourceDamaged : OtherFailure;
        return false;
    }
    return copy(db, target, failure);
}

bool DbFiles::copy(DbConnection &db, const QString &target, Failure *failure)
{
    Failure why = NoFailure;
    const QString partial = partialName(target);
    remove(partial);
    // The file is made here first: where it cannot be, the system says why (SQLite only that it
    // could not open it). SQLite writes the copy into it while it is empty.
    const int fd = ::open(QFile::encodeName(partial).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        why = failureOf(errno);
    } else {
        ::close(fd);
        if (!db.exec(QStringLiteral("VACUUM INTO ?"), {partial}, true))
            why = db.diskFull() ? DiskFull : db.damaged() ? SourceDamaged : OtherFailure;
        else if (!sync(partial))
            why = failureOf(errno);
        else if (!replace(partial, target))
            why = errno ? failureOf(errno) : OtherFailure;
    }
    if (why == NoFailure)
        QFile(target).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    remove(partial);
    if (failure)
        *failure = why;
    return why == NoFailure;
}

bool DbFiles::replace(const QString &written, const QString &target)
{
    for (const char *suffix : LogSuffixes)
        QFile::remove(target + QLatin1String(suffix));
    for (const char *suffix : LogSuffixes) {
        if (QFileInfo::exists(target + QLatin1String(suffix))) {
            errno = 0;
            return false;
        }
    }
    // One step: the path holds the old file or the new one, never a part of either.
    if (std::rename(QFile::encodeName(written).constData(), QFile::encodeName(target).constData()) != 0)
        return false;
    sync(QFileInfo(target).absolutePath());
    return true;
}

QString DbFiles::damage(DbConnection &db)
{
    if (db.kind() != DbConnection::SqliteFile)
        return QString();
    QSqlQuery query(db.database());
    // A file damaged where SQLite starts to look fails the check itself (or is locked: said as such).
    if (!query.exec(QStringLiteral("PRAGMA quick_check")))
        return query.lastError().text().trimmed().isEmpty() ? QStringLiteral("database disk image is malformed")
                                                            : query.lastError().text();
    if (query.next() && query.value(0).toString() == QLatin1String("ok") && !query.next())
        return QString();
    return QStringLiteral("database disk image is malformed");
}

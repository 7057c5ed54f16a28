#pragma once

#include <QString>

class DbConnection;

// Whole document-database files. They are copied through SQLite, never byte by byte: the saves that
// another program keeps in the file's log are in no byte of the file itself. A file is replaced by
// one written beside it under another name, never by writing into it, so that a program that has the
// old one open is not given a file that does not match its log.
class DbFiles
{
public:
    // True when another program has the database file at `path` open. Never asked about a file this
    // program has open: looking closes a descriptor of the file, and that drops this program's locks.
    static bool inUse(const QString &path);
    // Why a copy failed.
    enum Failure { NoFailure, NoFolder, NoPermission, ReadOnlyDisk, DiskFull, SourceDamaged, OtherFailure };
    // Copies the database at `source`, with every save that it or its log holds, to `target`. The
    // copy is written beside `target` and renamed over it, so that a failure leaves any old target
    // whole. `failure` gets the reason of a failure.
    static bool copy(const QString &source, const QString &target, Failure *failure = nullptr);
    // The same from the open connection `db` (its own file is then read by no other descriptor).
    static bool copy(DbConnection &db, const QString &target, Failure *failure = nullptr);
    // The reason of a failed file operation, from its errno.
    static Failure failureOf(int error);
    // Puts the whole database file `written` in the place of `target`; the logs of the old target go
    // first, so that nobody replays them into the new file.
    static bool replace(const QString &written, const QString &target);
    // The temporary name a file that takes the place of `target` is written under.
    static QString partialName(const QString &target);
    // SQLite's quick check of the database of `db`: empty when it is whole, otherwise the error
    // (SQLite's own words for a damaged file). A server's database is not checked.
    static QString damage(DbConnection &db);
    // Puts the file or folder at `path` on the disk.
    static bool sync(const QString &path);
    // Removes `path` with the log files beside it.
    static void remove(const QString &path);
    // The device and inode of the file at `path` as one text; empty when nothing is there.
    static QString fileId(const QString &path);
};

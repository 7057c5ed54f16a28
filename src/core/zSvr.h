#pragma once

#include "platform/db/DbTable.h"
#include "platform/db/Recordset.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>

class DbConnection;

// The one access layer to the open document database (an SQLite file, or an
// ODBC source named by a data-link file). Statements are written in the
// classic dialect and translated underneath.
//
// Two ways to put values into a statement:
//  - T_CnvSq fills the "?" in place as text (numbers and identifiers only);
//  - the overloads taking a QVariantList bind every "?" as a parameter, also a
//    '?' or '%?%' between quotes, so user text (titles, search words) never
//    becomes SQL: D_ExeSq("Update tbTree Set szDoc='?' Where noLfP=?", {title, 12}).
class zSvr : public QObject
{
    Q_OBJECT
public:
    // The instance, created on first use; release() ends it (closing the database).
    static zSvr &instance();
    static void release();

    ~zSvr() override;

    // Data-source name of the open database; empty while none is open.
    QString sSvr;

    // Opens the database at `path` (an SQLite file, or a ".udl" data link),
    // closing the current one first. On failure nothing stays open.
    bool D_StDcDb(const QString &path);
    // Why the last D_StDcDb failed, as the user is told; empty when it did not
    // fail or the user cancelled the password.
    QString openFailureText(const QString &path) const;
    static bool isJetFile(const QString &path);
    // Runs a statement that returns no rows. Refused (with the read-only
    // message) on a read-only database.
    bool D_ExeSq(const QString &sql, int *affected = nullptr);
    bool D_ExeSq(const QString &sql, const QVariantList &values, int *affected = nullptr);
    void D_Close();
    // Opens `rs` over the statement: mode 0 forward-only, 1 and 2 updatable.
    bool R_Rset(const QString &sql, Recordset &rs, int mode);
    bool R_Rset(const QString &sql, const QVariantList &values, Recordset &rs, int mode);
    // The whole result into `ary` ([column, row]); returns the row count (0 on error).
    int R_Ary(const QString &sql, DbTable &ary);
    int R_Ary(const QString &sql, const QVariantList &values, DbTable &ary);
    // First column of the first row, or `def` when there is none, it is Null or the query fails.
    QVariant R_GtVaL(const QString &sql, const QVariant &def);
    QVariant R_GtVaL(const QString &sql, const QVariantList &values, const QVariant &def);
    // Null becomes 0, in `value` too.
    static QVariant DvNz(QVariant &value);
    // Copies the first row's columns into `vars` (Null and a missing row give
    // empty values); true when a row was read. On error `vars` keeps its values.
    bool R_PAry(const QString &sql, QVariantList &vars);
    bool R_PAry(const QString &sql, const QVariantList &values, QVariantList &vars);
    // Fills the "?" of `sql` in order with the values' text, each stripped of
    // "?"; a Null value removes its "?". No quoting: not for user text.
    static void T_CnvSq(QString &sql, const QVariantList &values);
    // Why the last R_Ary, R_GtVaL or R_PAry did not read its rows to the end (a failed
    // statement, a damaged file, a lock held too long); empty when it did.
    QString readError() const { return m_readError; }
    // 0 begin, 1 commit, 2 roll back a transaction. A begin that has to wait for another program
    // shows the wait window meanwhile.
    bool D_Tran(int mode);
    // The last begin ran out of time waiting for another program: statements of the work it was
    // to hold would each wait as long again, so the work is better left.
    bool heldElsewhere() const { return m_heldElsewhere; }
    // Runs a statement that needs the whole file to itself (VACUUM), waiting for another program's
    // write as a begin does, with the wait window saying so meanwhile; heldElsewhere() afterwards
    // tells whether that write outlasted the wait.
    bool D_ExeAlone(const QString &sql);
    // While one lives, the waits for another program of a command of several steps (begins, and
    // statements that need the file to itself) are one wait, as long as one statement may wait:
    // what one step waited, the next does not wait again.
    class OneWait
    {
    public:
        OneWait();
        ~OneWait();
        OneWait(const OneWait &) = delete;
        OneWait &operator=(const OneWait &) = delete;

    private:
        qint64 m_before;
    };
    // Why the last write failed, as the user is told (another program holds the file, named `name`,
    // the disk is full, the file is damaged); empty when none of these is known.
    QString writeFailureText(const QString &name) const;
    // The text the wait window shows while a write waits for another program.
    QString inUseWaitText() const;
    // True when the open database is read-only; says so to the user then.
    bool DbRead();

    bool isOpen() const;
    DbConnection &connection();

    // False when the open database is a file that its path no longer names: the file was deleted
    // or moved away, or another file was put in its place. The database itself is still whole in
    // the file this program holds, which nobody else finds any more. Nothing is written at the path
    // from then on (see DbConnection::fileInPlace).
    bool fileInPlace();
    // Asked before a write begins while fileInPlace() is false: true when the write may go on, in
    // the database open then (the handler may have saved it elsewhere and opened it there). Without
    // a handler, or when it says false, the write is refused: it would go into a file that is gone.
    void setLostFileHandler(std::function<bool()> handler) { m_lostFile = std::move(handler); }
    // True when a write may go on: the file is in place (or a transaction is under way), or the
    // handler above has saved it elsewhere and the database open now is in place.
    bool fileKept();

    static QString readOnlyMessage();
    // The reason of a write refused for want of room on the disk that holds the database.
    static QString diskFullText();

signals:
    // The open chose whether "save as" is possible (files yes, data links no).
    void saveAsAllowed(bool allowed);
    // A database was opened (sSvr names it).
    void opened();

private:
    zSvr();
    bool openDataLink(const QString &path);
    static QStringList documentTables();
    bool run(const QString &sql, const QVariantList &values, bool bind, int *affected);
    int readAll(const QString &sql, const QVariantList &values, bool bind, DbTable &ary);
    bool readRow(const QString &sql, const QVariantList &values, bool bind, QVariantList &vars);
    void setNames(const QString &path, const QString &connectionString);
    void waitForTheLog();

    std::unique_ptr<DbConnection> m_db;
    QString m_readError;
    bool m_heldElsewhere = false;
    qint64 m_waitLeft = -1; // what is left of a command's one wait (OneWait), in ms; -1 without one
    int waitLimit() const;
    bool waitShown(const std::function<bool(int)> &attempt);
    void noteWait(qint64 ms);
    std::function<bool()> m_lostFile;
    bool m_askingLost = false;
    enum { Opened, LinkUnreadable, PasswordCancelled, ConnectionFailed, FormatsMissing } m_openState = Opened;
};

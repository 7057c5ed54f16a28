#include "core/zSvr.h"
#include "core/Frmt.h"
#include "core/Usr.h"
#include "core/sbPwd.h"
#include "core/sbWait.h"
#include "core/zClt.h"
#include "platform/db/DataLink.h"
#include "platform/db/DbConnection.h"
#include "platform/desktop/Prompt.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QThread>

#include <cmath>

namespace {

// A plain pointer: the database connections must be closed while Qt's own
// registry of them still exists, so release() runs when the application object
// ends, never from a static destructor.
zSvr *theInstance = nullptr;

// The database's name names its folders (Htm/<name>, ePub/<name>, Wrk/<name>, Dbs/<name>_Doc),
// which publishing empties and replaces: it must be a plain file name, whatever the file or the
// data source is called. A file "...txdb" (name "..") or ".txdb" (no name), or a data source
// whose name holds a "/", gets "_" for its separators, dots and control characters.
QString folderName(const QString &name)
{
    if (zClt::isPlainName(name))
        return name;
    QString plain;
    for (const QChar c : name) {
        const bool cut = c == u'/' || c == u'\\' || c == u'.' || c.category() == QChar::Other_Control
                         || c.category() == QChar::Other_Format;
        plain += cut ? QChar(u'_') : c;
    }
    return plain.isEmpty() ? QStringLiteral("_") : plain;
}

QString textOf(const QVariant &value)
{
    switch (value.metaType().id()) {
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    case QMetaType::Double:
    case QMetaType::Float: {
        const double d = value.toDouble();
        if (std::floor(d) == d && std::fabs(d) < 1e15)
            return QString::number(static_cast<qint64>(d));
        return QString::number(d, 'g', 15);
    }
    case QMetaType::QDateTime:
        return value.toDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    default:
        return value.toString();
    }
}

} // namespace

zSvr &zSvr::instance()
{
    if (!theInstance) {
        theInstance = new zSvr;
        if (QCoreApplication::instance())
            qAddPostRoutine(zSvr::release);
    }
    return *theInstance;
}

void zSvr::release()
{
    delete theInstance;
    theInstance = nullptr;
}

zSvr::zSvr() : m_db(std::make_unique<DbConnection>())
{
    m_db->setDatePrefix(QStringLiteral("dy"));
}

zSvr::~zSvr()
{
    D_Close();
}

QString zSvr::readOnlyMessage()
{
    return QStringLiteral("現在の文書ﾃﾞｰﾀｰﾍﾞｰｽは読み込み専用です");
}

QString zSvr::diskFullText()
{
    return QStringLiteral("ﾃﾞｨｽｸの空きが足りません");
}

bool zSvr::isOpen() const
{
    return m_db->isOpen();
}

DbConnection &zSvr::connection()
{
    return *m_db;
}

bool zSvr::D_StDcDb(const QString &path)
{
    D_Close();
    const bool dataLink = path.right(3).toLower() == QLatin1String("udl");
    emit saveAsAllowed(!dataLink);
    m_openState = ConnectionFailed;
    if (!(dataLink ? openDataLink(path) : m_db->openSqlite(path, false, documentTables()))) {
        m_db->close();
        return false;
    }
    Usr::st().jet = !dataLink;
    if (!dataLink)
        setNames(path, QString());
    // A database whose formats cannot load is not one of ours: the open fails.
    if (!Frmt::LoadFmt()) {
        D_Close();
        m_openState = FormatsMissing;
        return false;
    }
    m_openState = Opened;
    emit opened();
    return true;
}

QStringList zSvr::documentTables()
{
    return {QStringLiteral("msDoc"), QStringLiteral("tbTree"), QStringLiteral("tbHtm"), QStringLiteral("msDic"),
            QStringLiteral("kaUsr")};
}

// The header of a Jet or ACE file (an Access database, or a document database of the Windows
// program): such a file is not "some other file", and the user is told what it is.
bool zSvr::isJetFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(19);
    const QByteArray kind = head.mid(4);
    return head.startsWith(QByteArray("\x00\x01\x00\x00", 4))
           && (kind == "Standard Jet DB" || kind == "Standard ACE DB");
}

QString zSvr::openFailureText(const QString &path) const
{
    const QString notOurs = QStringLiteral("Fenwar・Harvessaの文書データーベースではありません");
    switch (m_openState) {
    case Opened:
    case PasswordCancelled:
        return QString();
    case LinkUnreadable:
        return path + QStringLiteral("\nﾃﾞｰﾀｰﾘﾝｸ ﾌｧｲﾙを読めないか、接続先が書かれていません");
    case FormatsMissing:
        return path + u'\n' + notOurs;
    case ConnectionFailed:
        break;
    }
    if (isJetFile(path))
        return path + QStringLiteral("\nWindows の Jet/Access 形式のﾃﾞｰﾀｰﾍﾞｰｽです｡ここでは開けません");
    switch (m_db->openFailure()) {
    case DbConnection::NoFailure:
    case DbConnection::NotFound:
        return path + QStringLiteral("\nが見つかりません");
    case DbConnection::Unreadable:
        return path + QStringLiteral("\nを読む権限がありません");
    case DbConnection::NotADatabase:
        return path + u'\n' + notOurs;
    case DbConnection::TablesMissing:
        return path + u'\n' + notOurs + QStringLiteral("\n(ﾃｰﾌﾞﾙ ") + m_db->missingTables().join(QStringLiteral(", "))
               + QStringLiteral(" がありません)");
    case DbConnection::DriverMissing:
        return path + QStringLiteral("\nﾃﾞｰﾀｰﾘﾝｸのﾄﾞﾗｲﾊﾞかﾃﾞｰﾀｰｿｰｽが見つかりません\n") + m_db->lastError();
    case DbConnection::LoginRefused:
        return path + QStringLiteral("\nﾛｸﾞｲﾝが拒否されました(ﾕｰｻﾞｰ名かﾊﾟｽﾜｰﾄﾞが違います)");
    case DbConnection::OtherFailure:
        break;
    }
    return path + QStringLiteral("\nを開けませんでした\n") + m_db->lastError();
}

bool zSvr::openDataLink(const QString &path)
{
    QString connection;
    if (!DataLink::read(path, &connection)) {
        m_openState = LinkUnreadable;
        return false;
    }
    const QStringList tables = documentTables();
    if (!m_db->openOdbc(connection, QString(), tables)) {
        if (!m_db->loginRefused())
            return false;
        const QString password = sbPwd::Act(QFileInfo(path).fileName());
        if (password.isEmpty()) {
            m_openState = PasswordCancelled;
            return false;
        }
        if (!m_db->openOdbc(connection, password, tables))
            return false;
    }
    setNames(path, connection);
    return true;
}

void zSvr::setNames(const QString &path, const QString &connectionString)
{
    const QFileInfo file(path);
    Usr::st().dbFolder = file.absolutePath();
    QString name;
    if (connectionString.isEmpty()) {
        name = file.completeBaseName();
        sSvr = file.absoluteFilePath();
    } else {
        const QString dsn = DataLink::value(connectionString, QStringLiteral("DSN"));
        const QString database = DataLink::value(connectionString, QStringLiteral("Database"));
        if (!dsn.isEmpty()) {
            name = dsn;
            sSvr = dsn;
        } else if (!database.isEmpty()) {
            name = QFileInfo(database).completeBaseName();
            sSvr = database;
        } else {
            name = file.completeBaseName();
            sSvr = file.absoluteFilePath();
        }
    }
    Usr::st().dbName = folderName(name);
}

void zSvr::D_Close()
{
    waitForTheLog();
    m_db->close();
    // Windows tell from an empty name that no database is open.
    sSvr.clear();
}

void zSvr::waitForTheLog()
{
    // The file is let go with every save in the file itself, so that a copy of the file alone holds
    // them. A read of another program that still needs an older state keeps the last saves in the
    // log: the close waits for that read to end (as long as a statement waits for another
    // program), with the wait window. A return that fails is no read to wait for.
    bool failed = false;
    if (!m_db->isOpen() || m_db->logReturned(&failed) || failed)
        return;
    // No window in a program without them (the tools), nor while the application ends.
    const bool own = !sbWait::isShown() && qobject_cast<QApplication *>(QCoreApplication::instance())
                     && !QCoreApplication::closingDown();
    if (own)
        sbWait::cMsg(QFileInfo(sSvr).fileName() + QStringLiteral(" を他のﾌﾟﾛｸﾞﾗﾑが読んでいます　終わるのを待っています"));
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < qint64(m_db->commandTimeout()) * 1000) {
        QThread::msleep(50);
        if (m_db->logReturned(&failed) || failed)
            break;
    }
    if (own)
        sbWait::cEnd();
}

bool zSvr::fileInPlace()
{
    return !m_db->isOpen() || m_db->fileInPlace();
}

bool zSvr::fileKept()
{
    if (m_db->inTransaction() || fileInPlace())
        return true;
    if (!m_lostFile || m_askingLost)
        return false;
    m_askingLost = true;
    const bool kept = m_lostFile() && isOpen() && fileInPlace();
    m_askingLost = false;
    return kept;
}

bool zSvr::DbRead()
{
    if (!m_db->readOnly())
        return false;
    Prompt::current().message(readOnlyMessage());
    return true;
}

bool zSvr::run(const QString &sql, const QVariantList &values, bool bind, int *affected)
{
    if (affected)
        *affected = 0;
    if (DbRead() || !fileKept())
        return false;
    return m_db->exec(sql, values, bind, affected);
}

bool zSvr::D_ExeSq(const QString &sql, int *affected)
{
    return run(sql, {}, false, affected);
}

bool zSvr::D_ExeSq(const QString &sql, const QVariantList &values, int *affected)
{
    return run(sql, values, true, affected);
}

bool zSvr::R_Rset(const QString &sql, Recordset &rs, int mode)
{
    return rs.open(*m_db, sql, {}, false, mode);
}

bool zSvr::R_Rset(const QString &sql, const QVariantList &values, Recordset &rs, int mode)
{
    return rs.open(*m_db, sql, values, true, mode);
}

int zSvr::readAll(const QString &sql, const QVariantList &values, bool bind, DbTable &ary)
{
    ary.clear();
    m_readError.clear();
    QSqlQuery query;
    if (!m_db->select(query, sql, values, bind, true)) {
        m_readError = m_db->lastError();
        return 0;
    }
    const QSqlRecord record = query.record();
    QStringList names;
    for (int i = 0; i < record.count(); ++i)
        names << record.fieldName(i);
    ary.setColumns(names);
    while (query.next()) {
        QVariantList cells;
        cells.reserve(names.size());
        for (int i = 0; i < names.size(); ++i)
            cells << m_db->fromDb(query.value(i), names[i]);
        ary.appendRow(cells);
    }
    // A read error ends the loop like the last row: only the query tells them apart.
    if (query.lastError().isValid())
        m_readError = query.lastError().text();
    return ary.rowCount();
}

int zSvr::R_Ary(const QString &sql, DbTable &ary)
{
    return readAll(sql, {}, false, ary);
}

int zSvr::R_Ary(const QString &sql, const QVariantList &values, DbTable &ary)
{
    return readAll(sql, values, true, ary);
}

QVariant zSvr::R_GtVaL(const QString &sql, const QVariant &def)
{
    QVariantList row;
    if (!readRow(sql, {}, false, row) || row.isEmpty() || row.first().isNull())
        return def;
    return row.first();
}

QVariant zSvr::R_GtVaL(const QString &sql, const QVariantList &values, const QVariant &def)
{
    QVariantList row;
    if (!readRow(sql, values, true, row) || row.isEmpty() || row.first().isNull())
        return def;
    return row.first();
}

bool zSvr::readRow(const QString &sql, const QVariantList &values, bool bind, QVariantList &vars)
{
    m_readError.clear();
    QSqlQuery query;
    if (!m_db->select(query, sql, values, bind, true)) {
        m_readError = m_db->lastError();
        return false;
    }
    const QSqlRecord record = query.record();
    const bool hasRow = query.next();
    if (!hasRow && query.lastError().isValid())
        m_readError = query.lastError().text();
    vars.clear();
    for (int i = 0; i < record.count(); ++i)
        vars << (hasRow ? m_db->fromDb(query.value(i), record.fieldName(i)) : QVariant());
    return hasRow;
}

bool zSvr::R_PAry(const QString &sql, QVariantList &vars)
{
    return R_PAry(sql, {}, vars) ;
}

bool zSvr::R_PAry(const QString &sql, const QVariantList &values, QVariantList &vars)
{
    QVariantList row;
    const bool bind = !values.isEmpty();
    const bool hasRow = readRow(sql, values, bind, row);
    if (!hasRow && row.isEmpty())
        return false; // the query failed: keep what the caller has
    for (int i = 0; i < row.size(); ++i) {
        const QVariant cell = row[i].isNull() ? QVariant() : row[i];
        if (i < vars.size())
            vars[i] = cell;
        else
            vars << cell;
    }
    return hasRow;
}

QVariant zSvr::DvNz(QVariant &value)
{
    if (value.isNull())
        value = QVariant(0);
    return value;
}

void zSvr::T_CnvSq(QString &sql, const QVariantList &values)
{
    for (const QVariant &value : values) {
        const int at = sql.indexOf(u'?');
        if (at < 0)
            return;
        if (value.isNull())
            sql.remove(at, 1);
        else
            sql.replace(at, 1, textOf(value).remove(u'?'));
    }
}

namespace {

// While it lives, the wait window says that the work waits for another program: the window of its
// own, or the job's own window with that text in the place of the job's, which comes back after.
class InUseWait
{
public:
    explicit InUseWait(const QString &text) : m_own(!sbWait::isShown())
    {
        if (!m_own)
            m_before = sbWait::shownMessage();
        sbWait::cMsg(text);
    }
    ~InUseWait()
    {
        if (m_own)
            sbWait::cEnd();
        else
            sbWait::cMsg(m_before);
    }
    InUseWait(const InUseWait &) = delete;
    InUseWait &operator=(const InUseWait &) = delete;

private:
    bool m_own;
    QString m_before;
};

} // namespace

QString zSvr::inUseWaitText() const
{
    return QFileInfo(sSvr).fileName() + QStringLiteral(" は他のﾌﾟﾛｸﾞﾗﾑが使用中です　終わるのを待っています");
}

zSvr::OneWait::OneWait() : m_before(instance().m_waitLeft)
{
    zSvr &db = instance();
    if (db.m_waitLeft < 0)
        db.m_waitLeft = qint64(db.m_db->commandTimeout()) * 1000;
}

zSvr::OneWait::~OneWait()
{
    if (theInstance)
        theInstance->m_waitLeft = m_before;
}

int zSvr::waitLimit() const
{
    const qint64 timeout = qint64(m_db->commandTimeout()) * 1000;
    return int(m_waitLeft < 0 ? timeout : qMin(m_waitLeft, timeout));
}

void zSvr::noteWait(qint64 ms)
{
    if (m_waitLeft >= 0)
        m_waitLeft = qMax<qint64>(0, m_waitLeft - ms);
}

bool zSvr::D_Tran(int mode)
{
    if (mode != 0)
        return m_db->transaction(mode);
    m_heldElsewhere = false;
    if (!fileKept())
        return false;
    bool locked = false;
    const bool began = m_db->beginAtOnce(&locked);
    if (began || !locked)
        return began;
    const bool ok = waitShown([this](int limit) { return m_db->beginWithin(limit); });
    m_heldElsewhere = !ok;
    return ok;
}

// Another program holding the file makes the work wait (up to the command timeout): the window
// would look frozen, so the wait window says what it waits for.
bool zSvr::waitShown(const std::function<bool(int)> &attempt)
{
    const int limit = waitLimit();
    if (limit <= 0)
        return false;
    QElapsedTimer waited;
    waited.start();
    InUseWait shown(inUseWaitText());
    const bool ok = attempt(limit);
    noteWait(waited.elapsed());
    return ok;
}

bool zSvr::D_ExeAlone(const QString &sql)
{
    m_heldElsewhere = false;
    if (m_db->execWithin(sql, 0))
        return true;
    if (!m_db->heldElsewhere())
        return false;
    const bool ok = waitShown([this, &sql](int limit) { return m_db->execWithin(sql, limit); });
    m_heldElsewhere = !ok && m_db->heldElsewhere();
    return ok;
}

QString zSvr::writeFailureText(const QString &name) const
{
    if (m_heldElsewhere || m_db->heldElsewhere())
        return name + QStringLiteral(" は他のﾌﾟﾛｸﾞﾗﾑが使用中です");
    if (m_db->diskFull())
        return diskFullText();
    if (m_db->damaged())
        return QStringLiteral("ﾌｧｲﾙが壊れています");
    return QString();
}

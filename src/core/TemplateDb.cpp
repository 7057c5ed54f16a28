#include "core/TemplateDb.h"
#include "platform/db/DbConnection.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringList>

static void initResources()
{
    Q_INIT_RESOURCE(moto);
}

namespace {

bool runScript(const QString &path)
{
    const QString name = QStringLiteral("fenwar-template");
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        ok = db.open() && db.transaction();
        QSqlQuery query(db);
        const QStringList list = TemplateDb::statements(TemplateDb::script());
        ok = ok && !list.isEmpty();
        for (const QString &statement : list) {
            if (!ok)
                break;
            ok = query.exec(statement);
        }
        query.finish();
        ok = ok && db.commit();
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

} // namespace

static QString builtInScript(const QString &name)
{
    initResources();
    QFile file(QStringLiteral(":/fenwar/") + name);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

QString TemplateDb::script()
{
    return builtInScript(QStringLiteral("Moto.sql"));
}

QString TemplateDb::serverScript()
{
    return builtInScript(QStringLiteral("Moto.pg.sql"));
}

bool TemplateDb::createOnServer(DbConnection &db, QString *error)
{
    const auto failed = [&](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    if (!db.isOpen())
        return failed(QStringLiteral("no connection"));
    const QStringList existing = db.database().tables();
    for (const QString &table : {"msdoc", "tbtree", "tbhtm", "msdic", "kausr"}) {
        if (existing.contains(table, Qt::CaseInsensitive))
            return failed(QStringLiteral("table %1 exists already").arg(table));
    }
    const QStringList list = statements(serverScript());
    if (list.isEmpty() || !db.transaction(0))
        return failed(db.lastError());
    for (const QString &statement : list) {
        if (!db.exec(statement, {}, false)) {
            const QString why = db.lastError();
            db.transaction(2);
            return failed(why);
        }
    }
    return db.transaction(1) || failed(db.lastError());
}

QStringList TemplateDb::statements(const QString &script)
{
    QStringList out;
    QString current;
    bool quoted = false;
    for (int i = 0; i < script.size(); ++i) {
        const QChar c = script[i];
        if (!quoted && c == u'-' && i + 1 < script.size() && script[i + 1] == u'-') {
            while (i < script.size() && script[i] != u'\n')
                ++i;
            continue;
        }
        if (c == u'\'')
            quoted = !quoted;
        if (!quoted && c == u';') {
            if (!current.trimmed().isEmpty())
                out << current.trimmed();
            current.clear();
            continue;
        }
        current += c;
    }
    if (!current.trimmed().isEmpty())
        out << current.trimmed();
    return out;
}

bool TemplateDb::create(const QString &path)
{
    if (QFileInfo::exists(path))
        return false;
    // Build beside the target and move it in whole, so that a failure leaves nothing.
    const QString partial = path + QStringLiteral(".part");
    QFile::remove(partial);
    if (!runScript(partial) || !QFile::rename(partial, path)) {
        QFile::remove(partial);
        return false;
    }
    return true;
}

QString TemplateDb::builtTemplate()
{
    const QString app = QCoreApplication::applicationDirPath();
    for (const QString &up : {QStringLiteral("/"), QStringLiteral("/../"), QStringLiteral("/../../")}) {
        const QString candidate = QDir::cleanPath(app + up + QStringLiteral("Dbs/Moto.txdb"));
        if (QFileInfo(candidate).isFile())
            return candidate;
    }
    return QString();
}

bool TemplateDb::install(const QString &userDataFolder)
{
    const QString folder = userDataFolder + QStringLiteral("Dbs/");
    const QString target = folder + QStringLiteral("Moto.txdb");
    if (QFileInfo(target).isFile())
        return true;
    if (!QDir().mkpath(folder))
        return false;
    const QString built = builtTemplate();
    if (!built.isEmpty()) {
        const QString partial = target + QStringLiteral(".part");
        QFile::remove(partial);
        if (QFile::copy(built, partial) && QFile::rename(partial, target)) {
            QFile(target).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
            return true;
        }
        QFile::remove(partial);
    }
    return create(target);
}

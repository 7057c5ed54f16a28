#pragma once

#include "core/TemplateDb.h"
#include "platform/db/DbConnection.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QString>

// A fresh document database on the tests' throwaway PostgreSQL server
// (tools/pg-cluster.sh), reached through a data-link file. Active when
// FENWAR_TEST_PG_DIR names the running cluster's folder; the database is
// dropped again when the object ends.
class ServerDb
{
public:
    static bool wanted() { return !qEnvironmentVariableIsEmpty("FENWAR_TEST_PG_DIR"); }

    static QString port()
    {
        QFile file(qEnvironmentVariable("FENWAR_TEST_PG_DIR") + QStringLiteral("/port"));
        return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()).trimmed() : QString();
    }

    // The connection string of `database`; without the password the server
    // refuses the login and the program has to ask for it.
    static QString connectionString(const QString &database, bool withPassword = true, const QString &atPort = port())
    {
        QString s = QStringLiteral("DRIVER={PostgreSQL Unicode};SERVER=127.0.0.1;PORT=%1;DATABASE=%2;UID=fenwar")
                        .arg(atPort, database);
        if (withPassword)
            s += QStringLiteral(";PWD=") + password();
        return s;
    }
    static QString password() { return QStringLiteral("fenwar-test"); }

    ServerDb() = default;
    ServerDb(const ServerDb &) = delete;
    ServerDb &operator=(const ServerDb &) = delete;
    ~ServerDb() { drop(); }

    // Creates a new database with the document schema and writes
    // `folder`/`file` naming it; returns the data-link path, "" on failure.
    QString create(const QString &folder, const QString &file = QStringLiteral("Server.udl"), bool withPassword = true)
    {
        drop();
        m_name = QStringLiteral("t%1").arg(QRandomGenerator::global()->generate64() % 1000000000000ULL);
        if (!admin(QStringLiteral("CREATE DATABASE ") + m_name)) {
            m_name.clear();
            return QString();
        }
        DbConnection db;
        if (!db.openOdbc(connectionString(m_name)) || !TemplateDb::createOnServer(db, &m_error)) {
            m_error += db.lastError();
            return QString();
        }
        db.close();
        const QString path = QDir(folder).filePath(file);
        QFile link(path);
        if (!link.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return QString();
        link.write("[oledb]\r\n; Everything after this line is an OLE DB initstring\r\n");
        link.write(connectionString(m_name, withPassword).toUtf8());
        return path;
    }

    QString name() const { return m_name; }
    QString error() const { return m_error; }

    // Runs a statement on the server's maintenance database.
    static bool admin(const QString &sql)
    {
        DbConnection db;
        return db.openOdbc(connectionString(QStringLiteral("postgres"))) && db.exec(sql, {}, false);
    }

private:
    void drop()
    {
        if (!m_name.isEmpty())
            admin(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(m_name));
        m_name.clear();
    }

    QString m_name;
    QString m_error;
};

#pragma once

#include <QString>
#include <QStringList>

class DbConnection;

// The template document database "Dbs/Moto.txdb": every new database is a copy
// of it. The build makes it from data/Moto.sql; the script is also built into
// the program, so that a missing template can always be made again.
class TemplateDb
{
public:
    // Puts "Dbs/Moto.txdb" into the user-data folder (ending with "/") when it
    // is missing; true when it is there afterwards.
    static bool install(const QString &userDataFolder);
    // Creates a new template database at `path` from the script (an existing
    // file is not touched and counts as failure).
    static bool create(const QString &path);
    // The template the build made beside the program; "" when there is none.
    static QString builtTemplate();
    // The schema script.
    static QString script();
    // The schema script of a PostgreSQL server database.
    static QString serverScript();
    // Sets up a new document database on the server `db` is connected to: the
    // tables, indexes and settings row, in one transaction. A database that
    // already holds any of the tables is left alone and counts as failure.
    static bool createOnServer(DbConnection &db, QString *error = nullptr);
    // The statements of a script, without comments.
    static QStringList statements(const QString &script);
};

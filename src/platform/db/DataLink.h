#pragma once

#include <QString>
#include <QStringList>

// A data-link file names an ODBC data source: an optional "[oledb]" header and
// comment lines starting with ";", then one connection string. The file is
// UTF-16 with a byte-order mark or UTF-8.
class DataLink
{
public:
    // Reads the connection string of the file at `path`; false when the file
    // cannot be read or holds none.
    static bool read(const QString &path, QString *connectionString);
    // The connection string of the file's text (already decoded).
    static QString parse(const QString &text);
    // Decodes the bytes of a data-link file.
    static QString decode(const QByteArray &bytes);
    // The ODBC form of a connection string written for the classic provider
    // ("Provider=MSDASQL;Data Source=x;User ID=u;Password=p" -> "DSN=x;UID=u;PWD={p}");
    // quoted values lose their quotes, the password is braced, the source and
    // user names only when they have to be.
    static QString toOdbc(const QString &connectionString);
    // The value of `key` in a connection string ("" when missing), without
    // its quotes or braces; keys compare without regard to case.
    static QString value(const QString &connectionString, const QString &key);
    // A value as an ODBC connection string holds it whatever its characters:
    // in braces, a "}" doubled ("a;b}c" -> "{a;b}}c}").
    static QString braced(const QString &value);
    // The "key=value" parts of a connection string, a quoted or braced value
    // holding semicolons kept whole.
    static QStringList parts(const QString &connectionString);
};

#pragma once

#include <QString>

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
    // ("Provider=MSDASQL;Data Source=x;User ID=u" -> "DSN=x;UID=u").
    static QString toOdbc(const QString &connectionString);
    // The value of `key` in a connection string ("" when missing); keys
    // compare without regard to case.
    static QString value(const QString &connectionString, const QString &key);
};

#pragma once

#include <QString>
#include <QStringList>

// The program writes its statements in the dialect of the classic embedded
// engine (Top n, #MM/dd/yy# dates, convert(datetime,...), Alter Table with
// several columns). This is the one place that turns them into what the back
// ends here accept. Quoted text is never touched.
class JetSql
{
public:
    // Odbc: any ODBC source; Postgres: a PostgreSQL server through ODBC, whose
    // Like compares letter case (Jet's does not), so it becomes ILike.
    enum Dialect { Sqlite, Odbc, Postgres };

    // One statement in, one or more statements out (a multi-column Alter Table
    // becomes one statement per column).
    static QStringList translate(const QString &sql, Dialect dialect);

    // Turns the "?" placeholders of a statement into bound parameters: a bare ?
    // stays, a '?' between quotes becomes ?, and a ? inside a longer literal
    // ('%?%') becomes a concatenation ('%' || ? || '%'). `count` receives the
    // number of parameters.
    static QString toBound(const QString &sql, int *count = nullptr);

    // The literal of a date and time for the dialect ('yyyy-MM-dd hh:mm:ss' or
    // the ODBC timestamp escape).
    static QString dateLiteral(int y, int mo, int d, int h, int mi, int s, Dialect dialect);

    // Doubles the single quotes of `text` so that it can stand between quotes.
    static QString quoteText(const QString &text);
};

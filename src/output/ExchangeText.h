#pragma once

#include <QString>
#include <QVariant>

class DbConnection;

// Texts and values that the export and the import share: the message for a
// database that could not be read, page titles short enough for a question,
// a file name made from a title, page identities, and dates carried with
// their milliseconds.
class ExchangeText
{
public:
    // The message for a database `name` whose rows could not all be read, from
    // the driver's `error`: a file held by another program is said to be in use.
    static QString readFailure(const QString &name, const QString &error);
    static bool isLocked(const QString &error);
    static bool isDamaged(const QString &error);
    // A title for a question: one line, cut with "…" after `length` characters as a reader counts them.
    static QString shortTitle(const QString &title, int length = 60);
    // A file name proposed from a page title: every character that a file name or the
    // file dialog cannot take (separators, quotes, wildcards, controls) becomes "_";
    // `fallback` when nothing is left.
    static QString fileName(const QString &title, const QString &fallback);
    // True for an identity (wkRnd) that can recognise a page: 0 and Null mean "none".
    static bool usableIdentity(const QVariant &identity);
    // A date as the database `target` stores it without losing its milliseconds.
    static QVariant exactDate(const DbConnection &target, const QVariant &date);
};

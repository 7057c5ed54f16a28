#pragma once

#include <QString>
#include <QVariant>

#include <memory>

class DbConnection;

// The rows of one query, walked from the first to the end. Mode 0 reads
// forward only; modes 1 and 2 hold the rows and can change them (setValue,
// addNew, update) when the query reads one table. Fields are found by index
// or by name (any case); Null fields are null QVariants, date columns come
// back as QDateTime.
class Recordset
{
public:
    enum Mode { ForwardOnly = 0, Dynamic = 1, Keyset = 2 };

    Recordset();
    ~Recordset();
    Recordset(const Recordset &) = delete;
    Recordset &operator=(const Recordset &) = delete;

    // Opens the query; an unknown mode or a failing query opens nothing and
    // returns false. See DbConnection::exec for `bind`.
    bool open(DbConnection &db, const QString &sql, const QVariantList &values, bool bind, int mode);
    void close();
    bool isOpen() const;
    bool isUpdatable() const;
    // Why the last open or update failed, or why a forward-only set came to its end early (a
    // damaged file, a lock held too long); empty when nothing failed.
    QString lastError() const;

    bool eof() const;
    void moveNext();
    // Back to the first row (updatable modes only; a forward-only set stays).
    void moveFirst();
    // Rows held (updatable modes); -1 for a forward-only set.
    int recordCount() const;

    int fieldCount() const;
    QString fieldName(int index) const;
    int fieldIndex(const QString &name) const; // -1 when missing
    QVariant value(int index) const;
    QVariant value(const QString &name) const;
    bool setValue(int index, const QVariant &value);
    bool setValue(const QString &name, const QVariant &value);

    // Appends an empty row and makes it current; update() inserts it.
    bool addNew();
    // Writes the changes of the current row; false when nothing could be written.
    bool update();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

#include "platform/db/Recordset.h"
#include "platform/db/DbConnection.h"

#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlIndex>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {

const QString rowidName = QStringLiteral("fenwar_rowid");

struct Row {
    QVariantList values;
    QVariantList original;
    QList<bool> dirty;
    QVariant rowid;
    bool isNew = false;
};

// The one table a query reads, or "" when it reads several or none.
QString singleTable(const QString &sql)
{
    static const QRegularExpression re(
        QStringLiteral("\\bFrom\\s+([A-Za-z_]\\w*)([^()]*?)(?:\\bWhere\\b|\\bOrder\\b|\\bGroup\\b|$)"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch m = re.match(sql);
    if (!m.hasMatch() || m.captured(2).contains(u',') ||
        m.captured(2).contains(QLatin1String("join"), Qt::CaseInsensitive))
        return QString();
    return m.captured(1);
}

// The statement with the row identity as its first column.
QString withRowid(const QString &sql)
{
    static const QRegularExpression re(QStringLiteral("^\\s*Select\\s+(Top\\s+\\d+\\s+)?"),
                                       QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = re.match(sql);
    if (!m.hasMatch() || sql.mid(m.capturedEnd()).startsWith(QLatin1String("distinct"), Qt::CaseInsensitive))
        return QString();
    return sql.left(m.capturedEnd()) + QStringLiteral("rowid AS ") + rowidName + QStringLiteral(", ") +
           sql.mid(m.capturedEnd());
}

// Without a primary key a row is found by its old values; only those that
// survive a round trip exactly (no floating point, dates or bytes) can tell.
bool comparable(const QVariant &value)
{
    switch (value.metaType().id()) {
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::QDateTime:
    case QMetaType::QDate:
    case QMetaType::QTime:
    case QMetaType::QByteArray:
        return false;
    default:
        return true;
    }
}

} // namespace

struct Recordset::Impl {
    DbConnection *db = nullptr;
    int mode = ForwardOnly;
    bool open = false;
    QString error;
    QStringList names;

    // forward-only
    QSqlQuery query;
    QVariantList current;
    bool atEnd = true;

    // updatable
    QList<Row> rows;
    int pos = 0;
    QString table;
    bool useRowid = false;
    QStringList keys;

    bool fetchForward();
    bool loadAll(const QString &sql, const QVariantList &values, bool bind);
    bool insertRow(Row &row);
    bool updateRow(Row &row);
    QString keyCondition(const Row &row, QVariantList &binds) const;
    const QVariantList *currentValues() const;
};

bool Recordset::Impl::fetchForward()
{
    current.clear();
    atEnd = !query.next();
    if (atEnd) {
        // A read error ends the rows like the last one: only the query tells them apart.
        if (query.lastError().isValid())
            error = query.lastError().text();
        return false;
    }
    const int n = names.size();
    current.reserve(n);
    for (int i = 0; i < n; ++i)
        current << db->fromDb(query.value(i), names[i]);
    return true;
}

bool Recordset::Impl::loadAll(const QString &sql, const QVariantList &values, bool bind)
{
    table = singleTable(sql);
    QString text = sql;
    useRowid = false;
    if (!table.isEmpty() && db->kind() == DbConnection::SqliteFile) {
        const QString rowidSql = withRowid(sql);
        if (!rowidSql.isEmpty()) {
            text = rowidSql;
            useRowid = true;
        }
    }
    if (!db->select(query, text, values, bind, true)) {
        error = db->lastError();
        return false;
    }
    const QSqlRecord record = query.record();
    const int first = useRowid ? 1 : 0;
    for (int i = first; i < record.count(); ++i)
        names << record.fieldName(i);
    while (query.next()) {
        Row row;
        if (useRowid)
            row.rowid = query.value(0);
        for (int i = 0; i < names.size(); ++i)
            row.values << db->fromDb(query.value(i + first), names[i]);
        row.original = row.values;
        row.dirty = QList<bool>(names.size(), false);
        rows << row;
    }
    // Rows cut short by a read error would be taken for the whole set: nothing is held then.
    if (query.lastError().isValid()) {
        error = query.lastError().text();
        rows.clear();
        names.clear();
        query.finish();
        return false;
    }
    query.finish();
    if (!table.isEmpty() && !useRowid) {
        keys = db->primaryKey(table);
        for (const QString &k : std::as_const(keys)) {
            if (!names.contains(k, Qt::CaseInsensitive)) {
                keys.clear();
                break;
            }
        }
    }
    return true;
}

QString Recordset::Impl::keyCondition(const Row &row, QVariantList &binds) const
{
    if (useRowid) {
        binds << row.rowid;
        return QStringLiteral("rowid = ?");
    }
    QStringList parts;
    for (int i = 0; i < names.size(); ++i) {
        const QVariant &v = row.original[i];
        const bool isKey = keys.isEmpty() ? comparable(v) : keys.contains(names[i], Qt::CaseInsensitive);
        if (!isKey)
            continue;
        if (v.isNull()) {
            parts << names[i] + QStringLiteral(" IS NULL");
        } else {
            parts << names[i] + QStringLiteral(" = ?");
            binds << v;
        }
    }
    return parts.join(QStringLiteral(" AND "));
}

bool Recordset::Impl::insertRow(Row &row)
{
    QStringList columns, marks;
    QVariantList binds;
    for (int i = 0; i < names.size(); ++i) {
        if (!row.dirty[i])
            continue;
        columns << names[i];
        marks << QStringLiteral("?");
        binds << row.values[i];
    }
    const QString sql = columns.isEmpty()
                            ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(table)
                            : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                  .arg(table, columns.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")));
    QVariant id;
    int affected = 0;
    if (!db->exec(sql, binds, true, &affected, &id)) {
        error = db->lastError();
        return false;
    }
    row.rowid = id;
    row.isNew = false;
    return true;
}

bool Recordset::Impl::updateRow(Row &row)
{
    QStringList sets;
    QVariantList binds;
    for (int i = 0; i < names.size(); ++i) {
        if (!row.dirty[i])
            continue;
        sets << names[i] + QStringLiteral(" = ?");
        binds << row.values[i];
    }
    if (sets.isEmpty())
        return true;
    const QString where = keyCondition(row, binds);
    if (where.isEmpty()) {
        error = QStringLiteral("the row cannot be identified");
        return false;
    }
    const QString sql = QStringLiteral("UPDATE %1 SET %2 WHERE %3").arg(table, sets.join(QStringLiteral(", ")), where);
    int affected = 0;
    if (!db->exec(sql, binds, true, &affected)) {
        error = db->lastError();
        return false;
    }
    if (affected < 1) {
        error = QStringLiteral("the row was changed or deleted by someone else");
        return false;
    }
    return true;
}

const QVariantList *Recordset::Impl::currentValues() const
{
    if (!open)
        return nullptr;
    if (mode == ForwardOnly)
        return atEnd ? nullptr : &current;
    return pos < rows.size() ? &rows[pos].values : nullptr;
}

Recordset::Recordset() : d(std::make_unique<Impl>()) {}

Recordset::~Recordset() = default;

bool Recordset::open(DbConnection &db, const QString &sql, const QVariantList &values, bool bind, int mode)
{
    close();
    d->db = &db;
    d->mode = mode;
    if (mode == ForwardOnly) {
        if (!db.select(d->query, sql, values, bind, true)) {
            d->error = db.lastError();
            return false;
        }
        const QSqlRecord record = d->query.record();
        for (int i = 0; i < record.count(); ++i)
            d->names << record.fieldName(i);
        d->open = true;
        d->fetchForward();
        return true;
    }
    if (mode != Dynamic && mode != Keyset) {
        d->error = QStringLiteral("unknown recordset mode %1").arg(mode);
        return false;
    }
    if (!d->loadAll(sql, values, bind))
        return false;
    d->open = true;
    return true;
}

void Recordset::close()
{
    d->query = QSqlQuery();
    d->current.clear();
    d->rows.clear();
    d->names.clear();
    d->keys.clear();
    d->table.clear();
    d->atEnd = true;
    d->pos = 0;
    d->open = false;
    d->error.clear();
}

bool Recordset::isOpen() const { return d->open; }

bool Recordset::isUpdatable() const
{
    return d->open && d->mode != ForwardOnly && !d->table.isEmpty();
}

QString Recordset::lastError() const { return d->error; }

bool Recordset::eof() const
{
    return d->currentValues() == nullptr;
}

void Recordset::moveNext()
{
    if (!d->open)
        return;
    if (d->mode == ForwardOnly) {
        if (!d->atEnd)
            d->fetchForward();
    } else if (d->pos < d->rows.size()) {
        ++d->pos;
    }
}

void Recordset::moveFirst()
{
    if (d->open && d->mode != ForwardOnly)
        d->pos = 0;
}

int Recordset::recordCount() const
{
    return d->mode == ForwardOnly ? -1 : d->rows.size();
}

int Recordset::fieldCount() const { return d->names.size(); }

QString Recordset::fieldName(int index) const { return d->names.value(index); }

int Recordset::fieldIndex(const QString &name) const
{
    for (int i = 0; i < d->names.size(); ++i) {
        if (d->names[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QVariant Recordset::value(int index) const
{
    const QVariantList *row = d->currentValues();
    return row ? row->value(index) : QVariant();
}

QVariant Recordset::value(const QString &name) const
{
    return value(fieldIndex(name));
}

bool Recordset::setValue(int index, const QVariant &value)
{
    if (!isUpdatable() || d->pos >= d->rows.size() || index < 0 || index >= d->names.size())
        return false;
    Row &row = d->rows[d->pos];
    row.values[index] = value;
    row.dirty[index] = true;
    return true;
}

bool Recordset::setValue(const QString &name, const QVariant &value)
{
    return setValue(fieldIndex(name), value);
}

bool Recordset::addNew()
{
    if (!isUpdatable())
        return false;
    Row row;
    row.isNew = true;
    row.values = QVariantList(d->names.size());
    row.original = row.values;
    row.dirty = QList<bool>(d->names.size(), false);
    d->rows << row;
    d->pos = d->rows.size() - 1;
    return true;
}

bool Recordset::update()
{
    if (!isUpdatable() || d->pos >= d->rows.size()) {
        d->error = QStringLiteral("the recordset cannot be written");
        return false;
    }
    Row &row = d->rows[d->pos];
    if (!(row.isNew ? d->insertRow(row) : d->updateRow(row)))
        return false;
    row.original = row.values;
    row.dirty.fill(false);
    return true;
}

#pragma once

#include <QList>
#include <QStringList>
#include <QVariant>

// A whole query result held in memory, indexed [column, row] like the arrays
// the callers were written for. Null cells are null QVariants.
class DbTable
{
public:
    void clear();
    void setColumns(const QStringList &names);
    void appendRow(const QVariantList &cells);

    int columnCount() const { return m_columns.size(); }
    int rowCount() const { return m_rows.size(); }
    QString columnName(int column) const { return m_columns.value(column); }
    // The cell, or an invalid QVariant outside the bounds.
    QVariant at(int column, int row) const;
    QVariantList row(int row) const { return m_rows.value(row); }

private:
    QStringList m_columns;
    QList<QVariantList> m_rows;
};

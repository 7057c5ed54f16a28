#include "platform/db/DbTable.h"

void DbTable::clear()
{
    m_columns.clear();
    m_rows.clear();
}

void DbTable::setColumns(const QStringList &names)
{
    m_columns = names;
}

void DbTable::appendRow(const QVariantList &cells)
{
    m_rows.append(cells);
}

QVariant DbTable::at(int column, int row) const
{
    if (row < 0 || row >= m_rows.size())
        return QVariant();
    return m_rows[row].value(column);
}

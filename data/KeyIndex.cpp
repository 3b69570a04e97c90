#include "data/KeyIndex.h"

#include "engine/RowSet.h"

namespace qor {

KeyIndex::KeyIndex(const RowSet &rows, int column, const std::atomic<bool> *stop) : m_column(column)
{
    if (column < 0)
        return;
    const int count = rows.rowCount();
    m_ascending = true;
    for (int row = 0; row < count && m_ascending; ++row)
        m_ascending = !rows.isNull(row, column) && (row == 0 || rows.integer(row - 1, column) <= rows.integer(row, column));
    if (m_ascending)
        return;
    m_rows.reserve(count);
    for (int row = count - 1; row >= 0; --row) {
        if (row % 4096 == 0)
            stopWhenAsked(stop);
        if (!rows.isNull(row, column))
            m_rows.insert(rows.integer(row, column), row);
    }
}

int KeyIndex::rowOf(const RowSet &rows, int column, qint64 key)
{
    if (column < 0)
        return -1;
    const int count = rows.rowCount();
    for (int row = 0; row < count; ++row) {
        if (!rows.isNull(row, column) && rows.integer(row, column) == key)
            return row;
    }
    return -1;
}

int KeyIndex::rowOf(const RowSet &rows, qint64 key) const
{
    if (m_column < 0)
        return -1;
    if (!m_ascending)
        return m_rows.value(key, -1);
    int low = 0, high = rows.rowCount();
    while (low < high) {
        const int middle = low + (high - low) / 2;
        if (rows.integer(middle, m_column) < key)
            low = middle + 1;
        else
            high = middle;
    }
    return low < rows.rowCount() && rows.integer(low, m_column) == key ? low : -1;
}

} // namespace qor

#pragma once

#include "data/IndexStop.h"

#include <QHash>
#include <QtGlobal>

namespace qor {

class RowSet;

// Finds the first row whose integer key column holds a key. Keys that come
// in ascending order, as a table's keys do when read in key order, are found
// by binary search over the rows themselves, with nothing built; others
// through a hash built once.
class KeyIndex
{
public:
    KeyIndex() = default;
    // Made on another thread, it throws IndexStopped once stop is set.
    KeyIndex(const RowSet &rows, int column, const std::atomic<bool> *stop = nullptr);

    // The first row holding key; -1 when none.
    int rowOf(const RowSet &rows, qint64 key) const;
    // The same, reading the rows one by one, with no index.
    static int rowOf(const RowSet &rows, int column, qint64 key);

private:
    int m_column = -1;
    bool m_ascending = false;
    QHash<qint64, int> m_rows; // when the keys are not ascending
};

} // namespace qor

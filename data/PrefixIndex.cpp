#include "data/PrefixIndex.h"

#include "data/RowSet.h"

#include <algorithm>

namespace qor {

PrefixIndex::PrefixIndex(const RowSet &rows, int column)
{
    if (column < 0)
        return;
    const int count = rows.rowCount();
    m_start.reserve(size_t(count) + 1);
    for (int row = 0; row < count; ++row) {
        m_start.push_back(quint32(m_folded.size()));
        m_folded += rows.text(row, column).toCaseFolded().toStdString();
    }
    m_start.push_back(quint32(m_folded.size()));
    m_sorted.resize(size_t(count));
    for (int row = 0; row < count; ++row)
        m_sorted[size_t(row)] = row;
    // UTF-8 bytes sort in code point order, so a prefix of characters is a prefix of bytes.
    std::stable_sort(m_sorted.begin(), m_sorted.end(), [this](int a, int b) { return textOf(a) < textOf(b); });
}

int PrefixIndex::firstRowWithPrefix(const QString &prefix) const
{
    const std::string folded = prefix.toCaseFolded().toStdString();
    const auto first = std::lower_bound(m_sorted.begin(), m_sorted.end(), folded,
                                        [this](int row, const std::string &p) { return textOf(row) < p; });
    const auto last = std::partition_point(first, m_sorted.end(),
                                           [this, &folded](int row) { return textOf(row).starts_with(folded); });
    // The list's own order may differ from the folded order: the first row
    // shown with the prefix is the lowest row number in the range.
    const auto lowest = std::min_element(first, last);
    return lowest == last ? -1 : *lowest;
}

} // namespace qor

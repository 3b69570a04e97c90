#pragma once

#include <QString>

#include <string>
#include <vector>

namespace qor {

class RowSet;

// Finds the first row whose text begins with a typed prefix, without regard
// to letter case, without reading every row per search: the texts are
// case-folded and sorted once, so a search is two binary searches for the
// range of texts with the prefix and a pass over that range's row numbers.
class PrefixIndex
{
public:
    PrefixIndex() = default;
    PrefixIndex(const RowSet &rows, int column);

    // The lowest row number whose text begins with prefix; -1 when none.
    int firstRowWithPrefix(const QString &prefix) const;

private:
    std::string m_folded;               // every row's folded text, UTF-8, one after another
    std::vector<quint32> m_start;       // where each row's text starts; one more entry at the end
    std::vector<int> m_sorted;          // rows in folded-text order, then row order

    std::string_view textOf(int row) const
    {
        return std::string_view(m_folded).substr(m_start[size_t(row)], m_start[size_t(row) + 1] - m_start[size_t(row)]);
    }
};

} // namespace qor

#pragma once

#include "data/IndexStop.h"

#include <QString>

#include <string>
#include <string_view>
#include <vector>

namespace qor {

class RowSet;

// Finds the first row whose text begins with a typed prefix, without regard
// to the case of Latin and Cyrillic letters (Ё with ё), without reading every
// row per search: the texts are folded and sorted once, so a search is two
// binary searches for the range of texts with the prefix and a pass over
// that range's row numbers.
class PrefixIndex
{
public:
    PrefixIndex() = default;
    // Made on another thread, it throws IndexStopped once stop is set.
    PrefixIndex(const RowSet &rows, int column, const std::atomic<bool> *stop = nullptr);

    // The lowest row number whose text begins with prefix; -1 when none.
    int firstRowWithPrefix(const QString &prefix) const;
    // The same, reading the rows one by one, with no index: for the moments
    // before an index is made.
    static int firstRowWithPrefix(const RowSet &rows, int column, const QString &prefix);

    // Latin and Cyrillic capitals to small letters, in UTF-8, byte for byte
    // the same length; other characters as they are.
    static void fold(std::string &utf8);

private:
    struct Entry
    {
        quint64 head; // the first eight bytes of the folded text, for fast ordering
        int row;
    };
    std::string_view textOf(int row) const
    {
        return std::string_view(m_folded).substr(m_start[size_t(row)], m_start[size_t(row) + 1] - m_start[size_t(row)]);
    }
    bool before(const Entry &a, const Entry &b) const;

    std::string m_folded;         // every row's folded text, one after another
    std::vector<quint32> m_start; // where each row's text starts; one more entry at the end
    std::vector<Entry> m_sorted;  // rows in folded-text order, then row order
};

} // namespace qor

#include "controls/NameFilter.h"

#include "data/Query.h"

#include <algorithm>

namespace qor {

namespace {

// Rows added or changed since the indexing that a search compares one by
// one before the rows are indexed afresh.
constexpr size_t MostNotIndexed = 4096;

} // namespace

NameFilter::NameFilter(const Query *query, const QStringList &fields) : m_query(query), m_fields(fields)
{}

void NameFilter::reindex()
{
    m_indexes.clear();
    const RowSet &rows = m_query->rows();
    for (const QString &field : std::as_const(m_fields))
        m_indexes.emplace_back(rows, rows.indexOf(field));
    m_indexedOf.resize(size_t(rows.rowCount()));
    for (size_t row = 0; row < m_indexedOf.size(); ++row)
        m_indexedOf[row] = int(row);
    m_mapped = false;
}

void NameFilter::rowInserted(int row)
{
    if (row < 0 || size_t(row) > m_indexedOf.size())
        return;
    m_indexedOf.insert(m_indexedOf.begin() + row, -1);
    m_mapped = false;
}

void NameFilter::rowRemoved(int row)
{
    if (row < 0 || size_t(row) >= m_indexedOf.size())
        return;
    m_indexedOf.erase(m_indexedOf.begin() + row);
    m_mapped = false;
}

void NameFilter::rowChanged(int row)
{
    // Its texts may be others now: it is compared one by one from now on.
    if (row < 0 || size_t(row) >= m_indexedOf.size() || m_indexedOf[size_t(row)] < 0)
        return;
    m_indexedOf[size_t(row)] = -1;
    m_mapped = false;
}

void NameFilter::mapIndexedRows()
{
    if (m_mapped)
        return;
    const int indexed = m_indexes.empty() ? 0 : m_indexes.front().rowCount();
    m_rowOf.assign(size_t(indexed), -1);
    m_notIndexed.clear();
    for (size_t row = 0; row < m_indexedOf.size(); ++row) {
        if (m_indexedOf[row] >= 0)
            m_rowOf[size_t(m_indexedOf[row])] = int(row);
        else
            m_notIndexed.push_back(int(row));
    }
    m_mapped = true;
}

bool NameFilter::matchesOneByOne(int row, const QString &typed) const
{
    return std::any_of(m_fields.cbegin(), m_fields.cend(), [&](const QString &field) {
        const int index = m_query->fieldIndex(field);
        return index >= 0 && NameIndex::matches(m_query->valueAt(row, index).toString(), typed);
    });
}

std::vector<int> NameFilter::matchingRows(const QString &typed)
{
    if (m_indexedOf.size() != size_t(m_query->rowCount()))
        reindex(); // the rows were read again, or never indexed
    std::vector<int> rows;
    if (NameIndex::typedWords(typed).empty()) {
        rows.resize(m_indexedOf.size());
        for (size_t row = 0; row < rows.size(); ++row)
            rows[row] = int(row);
        return rows;
    }
    mapIndexedRows();
    if (m_notIndexed.size() > std::max(MostNotIndexed, m_indexedOf.size() / 16)) {
        reindex();
        mapIndexedRows();
    }
    // Indexed rows keep their order among themselves whatever was inserted or removed.
    for (const NameIndex &index : m_indexes) {
        std::vector<int> found;
        for (int indexed : index.matchingRows(typed)) {
            if (const int row = m_rowOf[size_t(indexed)]; row >= 0)
                found.push_back(row);
        }
        if (rows.empty()) {
            rows = std::move(found);
        } else {
            std::vector<int> both;
            both.reserve(rows.size() + found.size());
            std::set_union(rows.begin(), rows.end(), found.begin(), found.end(), std::back_inserter(both));
            rows = std::move(both);
        }
    }
    std::vector<int> compared;
    for (int row : m_notIndexed) {
        if (matchesOneByOne(row, typed))
            compared.push_back(row);
    }
    if (!compared.empty()) {
        std::vector<int> all;
        all.reserve(rows.size() + compared.size());
        std::merge(rows.begin(), rows.end(), compared.begin(), compared.end(), std::back_inserter(all));
        rows = std::move(all);
    }
    return rows;
}

} // namespace qor

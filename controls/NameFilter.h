#pragma once

#include "data/NameIndex.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace qor {

class Query;

// Which rows of a result set match what a person types into a search field,
// by the rule of NameIndex, in the result's order: a row matches when its
// text in one of the fields does. The texts are indexed once per opening,
// so that a search reads no text; the rows inserted, removed and changed
// afterwards are followed, and the few not in the index are compared one by
// one. When they grow many, the rows are indexed afresh.
class NameFilter
{
public:
    NameFilter(const Query *query, const QStringList &fields);

    // The rows as they were just read.
    void reindex();
    void rowInserted(int row);
    void rowRemoved(int row);
    void rowChanged(int row);

    // The rows whose texts match, in row order; every row when nothing but
    // separators is typed.
    std::vector<int> matchingRows(const QString &typed);

private:
    void mapIndexedRows();
    bool matchesOneByOne(int row, const QString &typed) const;

    const Query *m_query;
    QStringList m_fields;
    std::vector<NameIndex> m_indexes; // one per field, over the rows as they were indexed
    std::vector<int> m_indexedOf;     // per row: its row in the indexes; -1 when added or changed since
    std::vector<int> m_rowOf;         // per indexed row: its row now; -1 when gone or changed
    std::vector<int> m_notIndexed;    // rows to compare one by one, in order
    bool m_mapped = false;            // m_rowOf and m_notIndexed follow m_indexedOf
};

} // namespace qor

#pragma once

#include "controls/GridColumn.h"

#include <QStringList>

class QTableView;

namespace qor {

class DataSource;
class Query;
class QueryModel;

// Shows a data source's fields in a grid and keeps the grid's current row
// and the query's current row in step: moving to another row in the grid
// writes a changed row first, and when that fails the grid stays on it.
QueryModel *bindGrid(QTableView *grid, DataSource *source, const QStringList &fields);

// The (key, text) pairs a lookup field of a query offers: the rows of its
// lookup source, read when the drop-down opens.
LookupChoices lookupChoicesOf(Query *query, const QString &lookupField);

} // namespace qor

#pragma once

#include <QString>
#include <QVariant>

struct sqlite3;

namespace qor {

// The server's refusal of a deletion that rows of another table still refer
// to, naming the constraint as the server's schema does (FK_child_parent),
// the database, the referring table and its column. Empty when no data table
// refers to the row.
QString referenceConflictText(sqlite3 *db, const QString &catalog, const QString &table, const QVariant &key);

} // namespace qor

#pragma once

#include "engine/TsqlText.h"

#include <QString>
#include <QVariant>

struct sqlite3;
struct sqlite3_stmt;

namespace qor {

// The server's refusal of a deletion that rows of another table still refer
// to, naming the constraint as the server's schema does (FK_child_parent),
// the database, the referring table and its column. Empty when no data table
// refers to the row.
QString referenceConflictText(sqlite3 *db, const QString &catalog, const QString &table, const QVariant &key);

// After a write statement failed on a foreign key, the server's words for the
// reference it broke: an insert or update of a row that refers to no row
// ("The INSERT statement conflicted with the FOREIGN KEY constraint ...",
// naming the table and column referred to), or a delete or update of a row
// still referred to (the REFERENCE constraint, naming the referring table).
// It runs the statement again, with the check put off to the end, inside a
// savepoint it rolls back, and compares what PRAGMA foreign_key_check finds
// before and after. Empty when it cannot tell.
QString foreignKeyConflictText(sqlite3 *db, const QString &catalog, sqlite3_stmt *failed, const tsql::WriteTarget &target);

} // namespace qor

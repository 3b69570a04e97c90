#include "embedded/ReferenceConflict.h"

#include "embedded/SqliteStatement.h"

#include <sqlite3.h>

#include <QList>

namespace qor {

namespace {

// The tables of the database's data, which alone refer to one another.
const char *const DataTables[] = {"movement_slushatel", "group_slushatel", "faculty",
                                  "s_fio", "prikaz_come_slushatel", "prikaz_leave_slushatel"};

QByteArray quoted(const QString &name)
{
    return '"' + name.toUtf8().replace('"', "\"\"") + '"';
}

// The server schema's constraint names: FK_movement_slushatel_group,
// FK_movement_slushatel_prikaz_come, FK_group_slushatel_faculty...
QString constraintName(const QString &child, QString parent)
{
    if (parent.endsWith(QStringLiteral("_slushatel")))
        parent.chop(int(QStringLiteral("_slushatel").size()));
    return QStringLiteral("FK_%1_%2").arg(child, parent);
}

QString columnText(sqlite3_stmt *stmt, int column)
{
    return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, column)));
}

// A row that refers to no row, by PRAGMA foreign_key_check: the referring
// table, its row and which of its references.
struct Violation
{
    QString table;
    qint64 rowid = 0;
    int reference = 0;
    bool operator==(const Violation &) const = default;
};

QList<Violation> violations(sqlite3 *db)
{
    SqliteStatement check(db, "PRAGMA foreign_key_check");
    QList<Violation> found;
    while (sqlite3_step(check.get()) == SQLITE_ROW)
        found.append({columnText(check.get(), 0), sqlite3_column_int64(check.get(), 1), sqlite3_column_int(check.get(), 3)});
    return found;
}

// The violations the failed statement makes: it runs again inside a
// savepoint with the check put off, and everything it did is rolled back.
QList<Violation> violationsOf(sqlite3 *db, sqlite3_stmt *failed)
{
    const QList<Violation> before = violations(db);
    if (sqlite3_exec(db, "SAVEPOINT qor_conflict", nullptr, nullptr, nullptr) != SQLITE_OK)
        return {};
    QList<Violation> made;
    try {
        sqlite3_exec(db, "PRAGMA defer_foreign_keys = ON", nullptr, nullptr, nullptr);
        sqlite3_reset(failed);
        int rc;
        while ((rc = sqlite3_step(failed)) == SQLITE_ROW) {
        }
        if (rc == SQLITE_DONE) {
            for (const Violation &violation : violations(db)) {
                if (!before.contains(violation))
                    made.append(violation);
            }
        }
    } catch (...) {
        made.clear();
    }
    sqlite3_reset(failed);
    sqlite3_exec(db, "ROLLBACK TO qor_conflict; RELEASE qor_conflict; PRAGMA defer_foreign_keys = OFF", nullptr, nullptr, nullptr);
    return made;
}

} // namespace

QString foreignKeyConflictText(sqlite3 *db, const QString &catalog, sqlite3_stmt *failed, const tsql::WriteTarget &target)
{
    if (target.verb == tsql::WriteTarget::Other)
        return {};
    const QList<Violation> made = violationsOf(db, failed);
    if (made.isEmpty())
        return {};
    const Violation &first = made.first();
    SqliteStatement references(db, "PRAGMA foreign_key_list(" + quoted(first.table) + ")");
    while (sqlite3_step(references.get()) == SQLITE_ROW) {
        if (sqlite3_column_int(references.get(), 0) != first.reference)
            continue;
        const QString parent = columnText(references.get(), 2);
        const QString constraint = constraintName(first.table, parent);
        // The written row refers to no row; or rows still refer to the one
        // deleted or changed.
        if (target.verb != tsql::WriteTarget::Delete && target.table.compare(first.table, Qt::CaseInsensitive) == 0)
            return tsql::foreignKeyConflictError(target.verb, constraint, catalog, parent, columnText(references.get(), 4));
        return tsql::referenceConflictError(target.verb, constraint, catalog, first.table, columnText(references.get(), 3));
    }
    return {};
}

QString referenceConflictText(sqlite3 *db, const QString &catalog, const QString &table, const QVariant &key)
{
    for (const char *child : DataTables) {
        SqliteStatement references(db, QByteArray("PRAGMA foreign_key_list(") + child + ")");
        while (references && sqlite3_step(references.get()) == SQLITE_ROW) {
            const QString parent = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(references.get(), 2)));
            if (parent.compare(table, Qt::CaseInsensitive) != 0)
                continue;
            const QString column = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(references.get(), 3)));
            SqliteStatement referring(db, "SELECT 1 FROM " + quoted(QString::fromLatin1(child)) + " WHERE " + quoted(column)
                                              + " = ? LIMIT 1");
            referring.bind(1, key);
            if (sqlite3_step(referring.get()) == SQLITE_ROW)
                return tsql::referenceConflictError(tsql::WriteTarget::Delete, constraintName(QString::fromLatin1(child), parent),
                                                    catalog, QString::fromLatin1(child), column);
        }
    }
    return {};
}

} // namespace qor

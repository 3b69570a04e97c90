#include "embedded/ReferenceConflict.h"

#include "embedded/SqliteStatement.h"

#include <sqlite3.h>

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

} // namespace

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
                return QStringLiteral("The DELETE statement conflicted with the REFERENCE constraint \"%1\". The conflict "
                                      "occurred in database \"%2\", table \"dbo.%3\", column '%4'.")
                    .arg(constraintName(QString::fromLatin1(child), parent), catalog, QString::fromLatin1(child), column);
        }
    }
    return {};
}

} // namespace qor

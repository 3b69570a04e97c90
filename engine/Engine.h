#pragma once

#include "engine/RowSet.h"

#include <QList>
#include <QString>
#include <QVariant>

namespace qor {

// One row to write back to one table, identified by its key.
struct RowWrite
{
    QString table;
    QString keyColumn;
    QVariant keyValue;               // the key of the row to change or delete
    QStringList columns;             // the columns to set (update, insert)
    QList<QVariant> values;          // their new values
    // Update, delete: columns that must still hold exactly (letter case
    // included) what was read, else the row is left alone.
    QStringList checkedColumns;
    QList<QVariant> originalValues;
};

// A database session on one engine: the embedded SQLite file or a SQL Server
// reached through ODBC. Statement texts are SQL Server's dialect; every
// failure throws qor::Error with the engine's text.
class Engine
{
public:
    virtual ~Engine() = default;

    // Runs a statement that returns rows and reads them all.
    virtual RowSet select(const QString &statement) = 0;
    // The same into rows, whose storage is used again where the engine can.
    virtual void selectInto(const QString &statement, RowSet &rows) { rows = select(statement); }
    // Runs a statement that returns no rows.
    virtual void execute(const QString &statement) = 0;

    // The key column of a table (its primary key), empty when it has none.
    virtual QString primaryKey(const QString &table) = 0;
    // The columns of a table, in order.
    virtual QStringList tableColumns(const QString &table) = 0;

    // Write-back with bound values. insertRow returns the key the database
    // assigned. updateRow and deleteRow change the row only while its checked
    // columns still hold exactly their original values: both return the
    // number of rows changed (0 means someone else was first).
    virtual QVariant insertRow(const RowWrite &write) = 0;
    virtual int updateRow(const RowWrite &write) = 0;
    virtual int deleteRow(const RowWrite &write) = 0;

    // The writes between begin and commit are kept together or not at all:
    // rollback undoes them, and so does a process that ends in between.
    // Transactions do not nest.
    virtual void beginTransaction() = 0;
    virtual void commitTransaction() = 0;
    virtual void rollbackTransaction() = 0;
};

} // namespace qor

#pragma once

#include "engine/Engine.h"
#include "engine/TsqlText.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

struct pg_conn;
struct pg_result;

namespace qor {

namespace pg {
struct Statement;
}

// Where a PostgreSQL server is, as the client's settings name it:
// "pg:host,port" or "pg:host" (port 5432). The host may be a name, an address
// or a folder holding the server's socket.
struct PostgresServer
{
    QString host;
    int port = 5432;
};

// Nothing for a data source that names no PostgreSQL server; throws
// qor::Error for one that starts with "pg:" and is no host and port.
std::optional<PostgresServer> postgresServer(const QString &dataSource);

// A QOR database on PostgreSQL, reached through libpq. It answers the
// client's statements, written in SQL Server's dialect, through a thin
// translation (postgres/PgDialect.h) and reads rows as text straight into
// compact storage; the server enforces the logins' rights. Failures read as
// SQL Server words them: a text too long for its column, a broken reference,
// a key the database assigns, a syntax error, an unknown object.
class PostgresEngine final : public Engine
{
public:
    // Connects to the database as the login; throws qor::Error with libpq's
    // reason (no server there, a wrong password, no such database).
    PostgresEngine(const PostgresServer &server, const QString &database, const QString &user, const QString &password);
    ~PostgresEngine() override;
    PostgresEngine(const PostgresEngine &) = delete;
    PostgresEngine &operator=(const PostgresEngine &) = delete;

    RowSet select(const QString &statement) override;
    void selectInto(const QString &statement, RowSet &rows) override;
    void execute(const QString &statement) override;
    QString primaryKey(const QString &table) override;
    QStringList tableColumns(const QString &table) override;
    QVariant insertRow(const RowWrite &write) override;
    int updateRow(const RowWrite &write) override;
    int deleteRow(const RowWrite &write) override;
    void beginTransaction() override;
    void commitTransaction() override;
    void rollbackTransaction() override;

    // PostgreSQL's own dialect, for administration: a script of several
    // statements run as it is, and one statement with bound values and its
    // rows. Errors keep PostgreSQL's words.
    void runScript(const QString &script);
    RowSet query(const QString &statement, const QList<QVariant> &values = {});
    // What the server said besides the results (NOTICE), since last asked.
    QStringList takeNotices();

private:
    class Result;

    Result exec(const QString &statement, const QList<QVariant> &values);
    Result run(const pg::Statement &statement, const tsql::WriteTarget &target);
    // With tables, each column's table is named (as the rows of a client's
    // statement need for writing back).
    void readRows(pg_result *result, RowSet &rows, bool withTables);
    void nameTables(const QList<unsigned> &tables);
    [[noreturn]] void fail(pg_result *result, const pg::Statement &statement, const tsql::WriteTarget &target);
    QString foreignKeyConflict(pg_result *result, const tsql::WriteTarget &target);
    QString connectionError() const;
    void reconnectWhenLost();
    static void keepNotice(void *engine, const char *message);

    pg_conn *m_connection = nullptr;
    QString m_catalog;
    QHash<unsigned, QString> m_tableNames; // by table oid
    struct TableShape
    {
        QStringList columns;
        QString key;
    };
    const TableShape &shapeOf(const QString &table);
    QHash<QString, TableShape> m_tables; // by lower-case table name
    QStringList m_notices;
    // The last SET DateStyle the client sent, made again on a new connection.
    QString m_dateStyle;
    // Between begin and commit or rollback: a connection lost then is not
    // made again, since the server has undone the writes made so far.
    bool m_inTransaction = false;
    void runTransactionCommand(const char *command, const char *expectedTag);
};

} // namespace qor

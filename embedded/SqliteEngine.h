#pragma once

#include "engine/Engine.h"

#include <QDateTime>
#include <QHash>
#include <functional>
#include <memory>

struct sqlite3;
struct sqlite3_context;
struct sqlite3_stmt;
struct sqlite3_value;

namespace qor {

class SqliteStatement;

// The embedded engine: a SQLite file that behaves, for the statements the
// client sends, like the QOR database on SQL Server. It checks the login
// when it opens, lets the gate login run GET_USER and nothing else, keeps
// working logins away from the sign-in tables and from the keys the database
// assigns, and reads rows straight from SQLite's C interface into compact
// storage.
class SqliteEngine final : public Engine
{
public:
    // Opens an existing database file as the given login.
    SqliteEngine(const QString &file, const QString &catalog, const QString &user, const QString &password);
    ~SqliteEngine() override;

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

    const QString &dateFormat() const { return m_dateFormat; }

    // How long a statement waits for another program's write lock before it
    // fails (5 s unless set).
    void setBusyTimeout(int milliseconds);

    // Full access with no login, for the administration tool and tests: any
    // statement runs, the sign-in tables included. With create, makes a new
    // file with the QOR schema and fails when the file exists.
    static std::unique_ptr<SqliteEngine> openAsOwner(const QString &file, bool create = false);

    // The clock GET_USER reads; tests replace it.
    static std::function<QDateTime()> &clock();

private:
    enum class Role { Gate, Worker, Owner };
    SqliteEngine(const QString &file, const QString &catalog, Role role, bool create);

    class OwnWork;

    void openFile(const QString &file, bool create);
    void closeFile();
    void readIdentityColumns();
    void keepRosterCounts();
    void keepOrderIndexes();
    void checkMayRun(const QString &statement) const;
    std::unique_ptr<SqliteStatement> prepare(const QByteArray &sql, qsizetype *consumed = nullptr);
    void refuseExplicitKeys(const QString &statement) const;
    bool isIdentityColumn(const char *table, const char *column) const;
    static int authorize(void *engine, int action, const char *first, const char *second, const char *, const char *);
    // What HAS_PERMS_BY_NAME answers about one of the tables.
    QVariant permission(const QString &securable, const QString &securableClass, const QString &permission) const;
    static void hasPermsByName(sqlite3_context *context, int count, sqlite3_value **arguments);
    static QByteArray stillAsRead(const RowWrite &write);
    [[noreturn]] void fail() const;
    [[noreturn]] void failStep(sqlite3_stmt *stmt);

    QString m_catalog;
    sqlite3 *m_db = nullptr;
    Role m_role = Role::Worker;
    QString m_dateFormat = QStringLiteral("dmy");
    // The working login's tables whose key the database assigns (an
    // INTEGER PRIMARY KEY), by lower-case name: the key column.
    QHash<QString, QString> m_identityColumns;
    // Why the authorizer refused the statement being prepared, when the
    // server has words of its own for it.
    QString m_refusal;
    // The last row update prepared, kept for the next one of the same text:
    // a command that writes many rows prepares it (and compiles the table's
    // triggers into it) once, not once a row.
    QByteArray m_updateSql;
    std::unique_ptr<SqliteStatement> m_update;
    // The engine's own pragmas (after a failure, finding out which
    // reference it broke) pass the authorizer.
    bool m_ownWork = false;
};

} // namespace qor

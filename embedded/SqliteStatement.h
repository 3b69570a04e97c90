#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

struct sqlite3;
struct sqlite3_stmt;

namespace qor {

// A prepared SQLite statement that finalizes itself. Preparing throws
// qor::Error with the engine's text (a refusal of the authorizer reads as the
// server's permission error, a syntax error as the server's).
class SqliteStatement
{
public:
    // With consumed, also tells how many bytes of sql the statement took:
    // SQLite prepares the first statement of a text and leaves the rest.
    SqliteStatement(sqlite3 *db, const QByteArray &sql, qsizetype *consumed = nullptr);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement &) = delete;
    SqliteStatement &operator=(const SqliteStatement &) = delete;

    sqlite3_stmt *get() const { return m_stmt; }
    explicit operator bool() const { return m_stmt != nullptr; }

    // Binds a value at a 1-based position: integers, reals, date-times in the
    // stored text form, anything else as text; a null QVariant as NULL.
    void bind(int index, const QVariant &value);

private:
    sqlite3_stmt *m_stmt = nullptr;
};

// What a statement fails with while another program holds the database
// file's write lock, with the file's path.
QString databaseBusyText(const QString &file);

// The error for the connection's last failure.
class Error;
Error sqliteError(sqlite3 *db);

} // namespace qor

#pragma once

#include "engine/Engine.h"

#include <QDateTime>
#include <functional>
#include <memory>

struct sqlite3;

namespace qor {

// The embedded engine: a SQLite file that behaves, for the statements the
// client sends, like the QOR database on SQL Server. It checks the login
// when it opens, lets the gate login run GET_USER and nothing else, keeps
// working logins away from the sign-in tables, and reads rows straight from
// SQLite's C interface into compact storage.
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

    const QString &dateFormat() const { return m_dateFormat; }

    // Full access with no login, for the administration tool and tests: any
    // statement runs, the sign-in tables included. With create, makes a new
    // file with the QOR schema and fails when the file exists.
    static std::unique_ptr<SqliteEngine> openAsOwner(const QString &file, bool create = false);

    // The clock GET_USER reads; tests replace it.
    static std::function<QDateTime()> &clock();

private:
    enum class Role { Gate, Worker, Owner };
    SqliteEngine(const QString &file, const QString &catalog, Role role, bool create);

    void openFile(const QString &file, bool create);
    void closeFile();
    void checkMayRun(const QString &statement) const;
    static QByteArray stillAsRead(const RowWrite &write);
    [[noreturn]] void fail() const;

    QString m_catalog;
    sqlite3 *m_db = nullptr;
    Role m_role = Role::Worker;
    QString m_dateFormat = QStringLiteral("dmy");
};

} // namespace qor

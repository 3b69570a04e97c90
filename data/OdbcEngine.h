#pragma once

#include "data/ConnectionString.h"
#include "engine/Engine.h"

class QSqlQuery;

namespace qor {

// A SQL Server reached through ODBC (FreeTDS on Linux, the system's SQL
// Server driver on Windows). Statements go to the server as they are. The
// write-back runs on other databases' ODBC drivers too (the tests run it on
// PostgreSQL): the three texts that differ on SQL Server are kept apart below.
class OdbcEngine final : public Engine
{
public:
    explicit OdbcEngine(const ConnectionSettings &settings);
    // Any ODBC connection string.
    explicit OdbcEngine(const QString &odbcConnectionString);
    ~OdbcEngine() override;

    RowSet select(const QString &statement) override;
    void execute(const QString &statement) override;
    QString primaryKey(const QString &table) override;
    QStringList tableColumns(const QString &table) override;
    QVariant insertRow(const RowWrite &write) override;
    int updateRow(const RowWrite &write) override;
    int deleteRow(const RowWrite &write) override;
    void beginTransaction() override;
    void commitTransaction() override;
    void rollbackTransaction() override;

    // The ODBC connection string for the settings: the data source is
    // host, host,port or host\instance; the password is braced.
    static QString odbcConnectionString(const ConnectionSettings &settings);

private:
    // SQL Server's texts, or standard SQL's elsewhere.
    QString quoteName(const QString &name) const;
    QString binaryCollation() const;
    QString insertReturningKey(const QString &table, const QString &columnsAndValues, const QString &keyColumn) const;

    QString stillAsRead(const RowWrite &write, QList<QVariant> *values) const;
    QSqlQuery prepared(const QString &sql, const QList<QVariant> &values) const;

    QString m_connectionName;
    bool m_sqlServer = false;
};

} // namespace qor

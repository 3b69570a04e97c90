#pragma once

#include "data/ConnectionString.h"
#include "data/Engine.h"

namespace qor {

// A SQL Server reached through ODBC (FreeTDS on Linux, the system's SQL
// Server driver on Windows). Statements go to the server as they are.
class OdbcEngine final : public Engine
{
public:
    explicit OdbcEngine(const ConnectionSettings &settings);
    ~OdbcEngine() override;

    RowSet select(const QString &statement) override;
    void execute(const QString &statement) override;
    QString primaryKey(const QString &table) override;
    QStringList tableColumns(const QString &table) override;
    QVariant insertRow(const RowWrite &write) override;
    int updateRow(const RowWrite &write) override;
    int deleteRow(const RowWrite &write) override;

    // The ODBC connection string for the settings: the data source is
    // host, host,port or host\instance; the password is braced.
    static QString odbcConnectionString(const ConnectionSettings &settings);

private:
    QString m_connectionName;
};

} // namespace qor

#pragma once

#include <QString>

namespace qor {

// The four settings a connection string carries.
struct ConnectionSettings
{
    QString userName;
    QString password;
    QString catalog;    // Initial Catalog: the database
    // "(embedded)", a PostgreSQL server "pg:host,port" or "pg:host", or a SQL
    // Server host: host, host,port or host\instance
    QString dataSource;
};

// The data source that selects the embedded engine.
inline constexpr auto EmbeddedDataSource = "(embedded)";

// Composes the one connection string template both sign-in stages use.
QString composeConnectionString(const ConnectionSettings &settings);

// Reads a string made by composeConnectionString back into its settings.
// The template's fixed separators delimit the values, so a password holding
// ';' or '=' still parses. Throws qor::Error on any other text.
ConnectionSettings parseConnectionString(const QString &connectionString);

} // namespace qor

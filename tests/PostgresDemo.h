#pragma once

// The demo database QOR on a PostgreSQL server of the test's own, made by
// qor-admin demo --server, with the settings file it writes. Made once per
// test program; reset() puts the database back as it was made.

#include "ThrowawayPostgres.h"

#include "data/ConnectionString.h"
#include "engine/Error.h"
#include "postgres/PostgresEngine.h"
#include "signin/SettingsRecord.h"
#include "tools/ServerAdmin.h"

#include <QTemporaryDir>

#include <memory>

class PostgresDemo
{
public:
    PostgresDemo()
    {
        if (!m_server.error().isEmpty()) {
            m_error = m_server.error();
            return;
        }
        try {
            qor::admin::createServerDemo(m_dir.path(), administrator(), false);
            m_settings = qor::readSettingsRecord(m_dir.path() + QStringLiteral("/Data/QOR"));
        } catch (const qor::Error &error) {
            m_error = error.text();
            return;
        }
        // The database as made, kept aside to be copied back.
        if (!m_server.psql(QStringLiteral("postgres"), QStringLiteral("CREATE DATABASE qor_as_made TEMPLATE \"QOR\"")))
            m_error = m_server.lastError();
    }

    // Empty when the demo is there.
    QString error() const { return m_error; }
    ThrowawayPostgres &server() { return m_server; }
    qor::admin::ServerAdministrator administrator() const
    {
        return {m_server.serverName(), QString::fromLatin1(ThrowawayPostgres::SuperUser),
                QString::fromLatin1(ThrowawayPostgres::SuperPassword)};
    }
    // The folder whose Data/QOR names the server and the gate login.
    QString folder() const { return m_dir.path(); }
    const qor::TFirstConnectInfo &settings() const { return m_settings; }
    qor::PostgresServer address() const { return *qor::postgresServer(m_server.serverName()); }

    // Sessions as the gate, as a user's working login, and as the server's
    // administrator in the database QOR.
    std::unique_ptr<qor::PostgresEngine> gate() const
    {
        return std::make_unique<qor::PostgresEngine>(address(), m_settings.databaseName, m_settings.userName,
                                                     m_settings.password);
    }
    std::unique_ptr<qor::PostgresEngine> owner() const
    {
        return std::make_unique<qor::PostgresEngine>(address(), m_settings.databaseName,
                                                     QString::fromLatin1(ThrowawayPostgres::SuperUser),
                                                     QString::fromLatin1(ThrowawayPostgres::SuperPassword));
    }
    // The working login GET_USER hands out for the user.
    QStringList workingLogin(const QString &user) const
    {
        const qor::RowSet login = owner()->query(
            QStringLiteral(
                "SELECT l.name, l.password FROM qor_login l JOIN qor_user u ON u.db_login = l.name WHERE u.login = $1"),
            {user});
        return {login.text(0, 0), login.text(0, 1)};
    }
    std::unique_ptr<qor::PostgresEngine> worker(const QString &user = QStringLiteral("demo")) const
    {
        const QStringList login = workingLogin(user);
        return std::make_unique<qor::PostgresEngine>(address(), m_settings.databaseName, login[0], login[1]);
    }
    QString connectionString(const QString &user, const QString &password) const
    {
        return qor::composeConnectionString({user, password, m_settings.databaseName, m_settings.serverName});
    }
    QString workingConnectionString(const QString &user = QStringLiteral("demo")) const
    {
        const QStringList login = workingLogin(user);
        return connectionString(login[0], login[1]);
    }

    // The database QOR as qor-admin made it, with its owner and who may
    // connect, which a copy does not take from its template. Empty when done.
    QString reset()
    {
        const QStringList steps{
            QStringLiteral("DROP DATABASE \"QOR\" WITH (FORCE)"),
            QStringLiteral("CREATE DATABASE \"QOR\" TEMPLATE qor_as_made OWNER qor_owner"),
            QStringLiteral("REVOKE ALL ON DATABASE \"QOR\" FROM PUBLIC"),
            QStringLiteral("GRANT CONNECT ON DATABASE \"QOR\" TO qor_gate_role, qor_worker_role"),
        };
        for (const QString &step : steps) {
            if (!m_server.psql(QStringLiteral("postgres"), step))
                return m_server.lastError();
        }
        return {};
    }

private:
    ThrowawayPostgres m_server;
    QTemporaryDir m_dir;
    qor::TFirstConnectInfo m_settings;
    QString m_error;
};

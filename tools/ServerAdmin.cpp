#include "tools/ServerAdmin.h"

#include "engine/Error.h"
#include "postgres/PgDialect.h"
#include "postgres/PostgresEngine.h"
#include "qor_postgresql_scripts.h"
#include "tools/DemoData.h"
#include "engine/Transaction.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <memory>

namespace qor::admin {

namespace {

const QString DemoDatabase = QStringLiteral("QOR");
const QString GateLogin = QStringLiteral("qor_gate");
// The database every PostgreSQL server has, for what is done outside QOR's.
const QString MaintenanceDatabase = QStringLiteral("postgres");

PostgresServer serverOf(const ServerAdministrator &admin)
{
    const auto server = postgresServer(admin.server);
    if (!server)
        throw Error(QStringLiteral("'%1' is no PostgreSQL server: write pg:host,port or pg:host").arg(admin.server));
    return *server;
}

std::unique_ptr<PostgresEngine> connect(const ServerAdministrator &admin, const QString &database)
{
    const PostgresServer server = serverOf(admin);
    try {
        return std::make_unique<PostgresEngine>(server, database, admin.user, admin.password);
    } catch (const Error &error) {
        throw Error(QStringLiteral("Cannot connect to the PostgreSQL server %1, port %2 (database %3) as %4: %5")
                        .arg(server.host)
                        .arg(server.port)
                        .arg(database, admin.user, error.text()));
    }
}

bool exists(PostgresEngine &db, const QString &sql, const QString &name)
{
    return db.query(sql, {name}).rowCount() > 0;
}

void addUser(PostgresEngine &db, const NewUser &user)
{
    QVariant expires, days;
    if (user.expiresInDays) {
        expires = *user.expiresInDays;
        days = 90; // a changed password then lives for the usual 90 days
    }
    db.query(QStringLiteral("SELECT qor_add_user($1, $2, $3, $4, $5)"),
             {user.login, digestOf(user.password), user.mustChange, expires, days});
}

// Changes one user's row; a login nobody has is an error.
void updateUser(const ServerAdministrator &admin, const QString &database, const QString &login, const QString &set,
                const QList<QVariant> &values)
{
    const auto db = connect(admin, database);
    const RowSet changed =
        db->query(QStringLiteral("UPDATE qor_user SET %1 WHERE login = $1 RETURNING id_user").arg(set),
                  QList<QVariant>{login} + values);
    if (changed.rowCount() == 0)
        throw Error(QStringLiteral("No user '%1'").arg(login));
}

// The made database goes again when what follows it fails.
void dropDatabase(PostgresEngine &maintenance, const QString &database, const QStringList &logins)
{
    try {
        maintenance.runScript(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)")
                                  .arg(QString::fromUtf8(pg::quotedIdentifier(database))));
        for (const QString &login : logins)
            maintenance.runScript(
                QStringLiteral("DROP ROLE IF EXISTS %1").arg(QString::fromUtf8(pg::quotedIdentifier(login))));
    } catch (const Error &) {
        // What is left says so when it is next made.
    }
}

void makeDatabase(PostgresEngine &maintenance, const ServerAdministrator &admin, const QString &database,
                  const QString &gatePassword, const std::function<void(PostgresEngine &)> &fill)
{
    maintenance.runScript(QStringLiteral("CREATE DATABASE %1 ENCODING 'UTF8' TEMPLATE template0")
                              .arg(QString::fromUtf8(pg::quotedIdentifier(database))));
    try {
        const auto db = connect(admin, database);
        inTransaction(*db, [&] {
            db->query(QStringLiteral("SELECT set_config('qor.gate_password', $1, true)"), {gatePassword});
            db->runScript(QString::fromUtf8(QorSchemaSql));
            db->runScript(QString::fromUtf8(QorGetUserSql));
            db->runScript(QString::fromUtf8(QorLoginsAndRolesSql));
            fill(*db);
        });
    } catch (...) {
        dropDatabase(maintenance, database, {});
        throw;
    }
}

} // namespace

void createServerDatabase(const ServerAdministrator &admin, const QString &database, const QString &gatePassword,
                          const std::function<void(PostgresEngine &)> &fill)
{
    const auto maintenance = connect(admin, MaintenanceDatabase);
    makeDatabase(*maintenance, admin, database, gatePassword, fill);
}

void createServerDemo(const QString &dir, const ServerAdministrator &admin, bool force)
{
    const QString data = QDir(dir).filePath(QStringLiteral("Data"));
    const QString settingsFile = data + QStringLiteral("/QOR");
    if (!force && QFileInfo::exists(settingsFile))
        throw Error(QStringLiteral("%1 exists already; use --force to replace it").arg(settingsFile));

    const auto maintenance = connect(admin, MaintenanceDatabase);
    if (exists(*maintenance, QStringLiteral("SELECT 1 FROM pg_catalog.pg_database WHERE datname = $1"), DemoDatabase))
        throw Error(
            QStringLiteral("The server has a database %1 already; qor-admin demo makes a new one and leaves that one "
                           "as it is")
                .arg(DemoDatabase));
    if (exists(*maintenance, QStringLiteral("SELECT 1 FROM pg_catalog.pg_roles WHERE rolname = $1"), GateLogin))
        throw Error(
            QStringLiteral("The server has a login %1 already (another QOR database's gate), whose password qor-admin "
                           "cannot learn for the settings file; drop it (DROP ROLE %1) or write the settings by hand")
                .arg(GateLogin));
    if (!QDir().mkpath(data))
        throw Error(QStringLiteral("Cannot create the folder %1").arg(data));
    // The settings are written beside their place first, and put there once
    // the database is made.
    TFirstConnectInfo settings;
    settings.userName = GateLogin;
    settings.password = randomSecret();
    settings.databaseName = DemoDatabase;
    settings.serverName = admin.server;
    const QByteArray record = encodeSettingsRecord(settings);
    QSaveFile out(settingsFile);
    if (!out.open(QIODevice::WriteOnly) || out.write(record) != record.size())
        throw Error(QStringLiteral("Cannot write %1: %2").arg(settingsFile, out.errorString()));

    QStringList logins;
    makeDatabase(*maintenance, admin, DemoDatabase, settings.password, [&](PostgresEngine &db) {
        fillDemoData(db);
        addUser(db, {QStringLiteral("demo"), QStringLiteral("demo123"), false, std::nullopt});
        addUser(db, {QStringLiteral("novice"), QStringLiteral("novice1"), true, std::nullopt});
        addUser(db, {QStringLiteral("expiring"), QStringLiteral("expire1"), false, 10});
        const RowSet made = db.query(QStringLiteral("SELECT name FROM qor_login"));
        for (int row = 0; row < made.rowCount(); ++row)
            logins.append(made.text(row, 0));
    });
    if (!out.commit()) {
        dropDatabase(*maintenance, DemoDatabase, logins << GateLogin);
        throw Error(QStringLiteral("Cannot write %1: %2").arg(settingsFile, out.errorString()));
    }
}

void addServerUser(const ServerAdministrator &admin, const QString &database, const NewUser &user)
{
    if (user.login.isEmpty())
        throw Error(QStringLiteral("The user needs a login"));
    const auto db = connect(admin, database);
    addUser(*db, user);
}

void setServerPassword(const ServerAdministrator &admin, const QString &database, const QString &login,
                       const QString &password)
{
    updateUser(admin, database, login,
               QStringLiteral("password_hash = qor_password_hash($2), failed_count = 0, locked_until = NULL"),
               {digestOf(password)});
}

void setServerLocked(const ServerAdministrator &admin, const QString &database, const QString &login, bool locked)
{
    if (locked)
        updateUser(admin, database, login, QStringLiteral("disabled = true"), {});
    else
        updateUser(admin, database, login, QStringLiteral("disabled = false, failed_count = 0, locked_until = NULL"),
                   {});
}

void setServerMinimumClient(const ServerAdministrator &admin, const QString &database, int number)
{
    const auto db = connect(admin, database);
    db->query(QStringLiteral("INSERT INTO qor_setting (name, value) VALUES ('min_client', $1) "
                             "ON CONFLICT (name) DO UPDATE SET value = excluded.value"),
              {QString::number(number)});
}

} // namespace qor::admin

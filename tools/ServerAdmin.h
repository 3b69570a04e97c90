#pragma once

#include "tools/AdminCommands.h"

#include <QString>

#include <functional>

namespace qor {
class PostgresEngine;
}

namespace qor::admin {

// What the administration tool does to a QOR database on a PostgreSQL
// server, as an administrator of that server (a superuser, or a role that
// may create databases and roles). Every function throws qor::Error with a
// clear text and leaves nothing half done: a refusal (no server there, a
// wrong password, a database that exists) changes nothing.
struct ServerAdministrator
{
    QString server; // pg:host,port or pg:host
    QString user;
    QString password; // empty: libpq's own means (PGPASSWORD, ~/.pgpass)
};

// The database QOR made on the server with server/postgresql's scripts, the
// demo data and the users demo, novice and expiring, and DIR/Data/QOR
// pointing the client at it through the gate login qor_gate. Refuses a
// server that has a database QOR or a login qor_gate already; without force,
// an existing DIR/Data/QOR.
void createServerDemo(const QString &dir, const ServerAdministrator &admin, bool force);

// A new database of that name on the server, made with server/postgresql's
// scripts and filled by fill, as its administrator, in one transaction; it
// goes again when any of that fails. A gate login the server lacks is made
// with gatePassword.
void createServerDatabase(const ServerAdministrator &admin, const QString &database, const QString &gatePassword,
                          const std::function<void(PostgresEngine &)> &fill);

// The same commands as on an embedded database, on the database of that name.
// A new user gets a working login of its own (qor_add_user).
void addServerUser(const ServerAdministrator &admin, const QString &database, const NewUser &user);
void setServerPassword(const ServerAdministrator &admin, const QString &database, const QString &login,
                       const QString &password);
void setServerLocked(const ServerAdministrator &admin, const QString &database, const QString &login, bool locked);
void setServerMinimumClient(const ServerAdministrator &admin, const QString &database, int number);

} // namespace qor::admin

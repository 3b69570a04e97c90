#pragma once

// A temporary folder with the demo database and settings file, made fresh for
// each test, with the program's data folder pointed at it.

#include "data/ConnectionString.h"
#include "data/DataFolder.h"
#include "data/Error.h"
#include "data/SqliteEngine.h"
#include "signin/SettingsRecord.h"
#include "tools/AdminCommands.h"

#include <QTemporaryDir>

#include <functional>

// The text of the qor::Error that fn throws; empty when it throws none.
inline QString errorOf(const std::function<void()> &fn)
{
    try {
        fn();
    } catch (const qor::Error &e) {
        return e.text();
    }
    return {};
}

struct DemoFixture
{
    QTemporaryDir dir;

    DemoFixture()
    {
        qor::admin::createDemo(dir.path(), false);
        qor::setDataFolder(dir.path() + QStringLiteral("/Data"));
    }
    ~DemoFixture() { qor::setDataFolder(QString()); }

    QString databaseFile() const { return dir.path() + QStringLiteral("/Data/QOR.db"); }
    qor::TFirstConnectInfo settings() const { return qor::readSettingsRecord(dir.path() + QStringLiteral("/Data/QOR")); }

    std::unique_ptr<qor::SqliteEngine> owner() const { return qor::SqliteEngine::openAsOwner(databaseFile()); }

    static QString connectionString(const QString &user, const QString &password)
    {
        return qor::composeConnectionString({user, password, QStringLiteral("QOR"), QStringLiteral("(embedded)")});
    }
    QString gateConnectionString() const
    {
        const auto s = settings();
        return connectionString(s.userName, s.password);
    }
    // The working login of a user, as GET_USER hands it out.
    QString workingConnectionString(const QString &login) const
    {
        const qor::RowSet rows = owner()->select(
            QStringLiteral("SELECT name, password FROM qor_login WHERE name = '%1'").arg(login));
        return connectionString(rows.text(0, 0), rows.text(0, 1));
    }
};

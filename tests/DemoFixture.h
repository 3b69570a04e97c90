#pragma once

// A temporary folder with the demo database and settings file, made fresh for
// each test, with the program's data folder pointed at it.

#include "data/ConnectionString.h"
#include "data/DataFolder.h"
#include "engine/Error.h"
#include "embedded/SqliteEngine.h"
#include "signin/SettingsRecord.h"
#include "tools/AdminCommands.h"

#include <QDir>
#include <QFile>
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

// The demo database and settings file in folder/Data, as qor-admin demo
// makes them. Made once per test program and copied after that: its three
// password hashes take a good part of a second to make.
inline void placeDemo(const QString &folder)
{
    static QTemporaryDir made;
    static const bool ready = [] {
        qor::admin::createDemo(made.path(), false);
        return true;
    }();
    Q_UNUSED(ready);
    const QString data = folder + QStringLiteral("/Data");
    if (!QDir().mkpath(data))
        throw qor::Error(QStringLiteral("Cannot create %1").arg(data));
    for (const QString &name : {QStringLiteral("QOR"), QStringLiteral("QOR.db")}) {
        if (!QFile::copy(made.path() + QStringLiteral("/Data/") + name, data + u'/' + name))
            throw qor::Error(QStringLiteral("Cannot copy the demo's %1 to %2").arg(name, data));
    }
}

struct DemoFixture
{
    QTemporaryDir dir;

    DemoFixture()
    {
        placeDemo(dir.path());
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

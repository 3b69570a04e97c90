#pragma once

#include "data/ConnectionString.h"
#include "engine/Engine.h"

#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

namespace qor {

class Query;

// The shared connection (ADOCon). It holds the connection string of the
// sign-in exchange and picks its engine from the data source: "(embedded)"
// is the SQLite file Data/<catalog>.db, "pg:host,port" a PostgreSQL server,
// anything else a SQL Server.
// It closes itself whenever none of its queries is open (also right after a
// statement it ran while none was), and opens itself when a query opens or
// a statement runs while it is closed.
class Connection : public QObject
{
    Q_OBJECT

public:
    explicit Connection(QObject *parent = nullptr);
    ~Connection() override;

    // Throws qor::Error while the connection is open.
    void setConnectionString(const QString &text);
    const QString &connectionString() const { return m_connectionString; }

    void open();  // throws qor::Error with the engine's text
    void close(); // closes its open queries first
    bool isConnected() const { return m_engine != nullptr; }

    // Runs a statement that returns no rows.
    void execute(const QString &statement);

    // Runs work in one transaction on the engine: every write it makes is
    // kept, or, when it throws, none is, and the error goes on to the caller.
    void inTransaction(const std::function<void(Engine &)> &work);

    // The open engine, opening the connection first when it is closed.
    Engine &engine();

    // Query bookkeeping, for the auto-close rule.
    void attach(Query *query);
    void detach(Query *query);
    void queryClosed();
    bool hasOpenQuery() const;

signals:
    void connectedChanged(bool connected);

protected:
    // The engine for the settings: the embedded one for "(embedded)",
    // PostgreSQL's for "pg:...", ODBC otherwise. Tests reach other ODBC
    // drivers through it.
    virtual std::unique_ptr<Engine> makeEngine(const ConnectionSettings &settings) const;

private:
    void closeWhenIdle();

    QString m_connectionString;
    std::unique_ptr<Engine> m_engine;
    QList<Query *> m_queries;
};

} // namespace qor

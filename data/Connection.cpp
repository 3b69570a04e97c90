#include "data/Connection.h"

#include "data/DataFolder.h"
#include "engine/Engine.h"
#include "engine/Error.h"
#include "engine/Transaction.h"
#include "data/OdbcEngine.h"
#include "data/Query.h"
#include "embedded/SqliteEngine.h"
#include "postgres/PostgresEngine.h"

namespace qor {

Connection::Connection(QObject *parent) : QObject(parent) {}

Connection::~Connection()
{
    for (Query *query : std::as_const(m_queries))
        query->forgetConnection();
}

void Connection::setConnectionString(const QString &text)
{
    if (isConnected())
        throw Error(QStringLiteral("Operation is not allowed when the object is open."));
    m_connectionString = text;
}

void Connection::open()
{
    if (isConnected())
        return;
    m_engine = makeEngine(parseConnectionString(m_connectionString));
    emit connectedChanged(true);
}

std::unique_ptr<Engine> Connection::makeEngine(const ConnectionSettings &settings) const
{
    if (settings.dataSource.compare(QLatin1String(EmbeddedDataSource), Qt::CaseInsensitive) == 0)
        return std::make_unique<SqliteEngine>(embeddedDatabaseFile(settings.catalog), settings.catalog,
                                              settings.userName, settings.password);
    if (const auto server = postgresServer(settings.dataSource))
        return std::make_unique<PostgresEngine>(*server, settings.catalog, settings.userName, settings.password);
    return std::make_unique<OdbcEngine>(settings);
}

void Connection::close()
{
    if (!isConnected())
        return;
    // Closing a query may close the connection by the idle rule; take the
    // engine out first so that it closes once.
    std::unique_ptr<Engine> engine = std::move(m_engine);
    for (Query *query : std::as_const(m_queries))
        query->close();
    engine.reset();
    emit connectedChanged(false);
}

Engine &Connection::engine()
{
    open();
    return *m_engine;
}

void Connection::execute(const QString &statement)
{
    try {
        engine().execute(statement);
    } catch (...) {
        closeWhenIdle();
        throw;
    }
    closeWhenIdle();
}

void Connection::inTransaction(const std::function<void(Engine &)> &work)
{
    try {
        Engine &db = engine();
        qor::inTransaction(db, [&] { work(db); });
    } catch (...) {
        closeWhenIdle();
        throw;
    }
    closeWhenIdle();
}

void Connection::attach(Query *query)
{
    m_queries.append(query);
}

void Connection::detach(Query *query)
{
    m_queries.removeAll(query);
    closeWhenIdle();
}

void Connection::queryClosed()
{
    closeWhenIdle();
}

bool Connection::hasOpenQuery() const
{
    for (const Query *query : m_queries) {
        if (query->isOpen())
            return true;
    }
    return false;
}

void Connection::closeWhenIdle()
{
    if (isConnected() && !hasOpenQuery()) {
        m_engine.reset();
        emit connectedChanged(false);
    }
}

} // namespace qor

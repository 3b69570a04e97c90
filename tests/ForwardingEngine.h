#pragma once

// Engines for tests that stand between the connection and the demo's
// engine: each passes every call on and changes only what its test needs.
#include "data/Connection.h"
#include "engine/Engine.h"

#include <memory>

namespace qor {

class ForwardingEngine : public Engine
{
public:
    explicit ForwardingEngine(std::unique_ptr<Engine> engine) : m_engine(std::move(engine)) {}

    RowSet select(const QString &statement) override { return m_engine->select(statement); }
    void selectInto(const QString &statement, RowSet &rows) override { m_engine->selectInto(statement, rows); }
    void execute(const QString &statement) override { m_engine->execute(statement); }
    QString primaryKey(const QString &table) override { return m_engine->primaryKey(table); }
    QStringList tableColumns(const QString &table) override { return m_engine->tableColumns(table); }
    QVariant insertRow(const RowWrite &write) override { return m_engine->insertRow(write); }
    int updateRow(const RowWrite &write) override { return m_engine->updateRow(write); }
    int deleteRow(const RowWrite &write) override { return m_engine->deleteRow(write); }
    void beginTransaction() override { m_engine->beginTransaction(); }
    void commitTransaction() override { m_engine->commitTransaction(); }
    void rollbackTransaction() override { m_engine->rollbackTransaction(); }

private:
    std::unique_ptr<Engine> m_engine;
};

// The demo's engine, except that the login may only read the tables.
class ReadOnlyEngine : public ForwardingEngine
{
public:
    using ForwardingEngine::ForwardingEngine;

    RowSet select(const QString &statement) override
    {
        // What SQL Server answers a login that was granted SELECT alone.
        if (statement.contains(QStringLiteral("HAS_PERMS_BY_NAME")))
            return ForwardingEngine::select(QStringLiteral("SELECT 0 AS may_insert, 0 AS may_update, 0 AS may_delete"));
        return ForwardingEngine::select(statement);
    }
    void selectInto(const QString &statement, RowSet &rows) override { rows = select(statement); }
};

class ReadOnlyConnection : public Connection
{
protected:
    std::unique_ptr<Engine> makeEngine(const ConnectionSettings &settings) const override
    {
        return std::make_unique<ReadOnlyEngine>(Connection::makeEngine(settings));
    }
};

} // namespace qor

#include "TypicalQt.h"

#include "EventLoopIdle.h"

#include "embedded/RussianCollation.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>

#include <sqlite3.h>

namespace {

void readAll(QSqlQueryModel &model, const QString &statement, const QSqlDatabase &db)
{
    model.setQuery(statement, db);
    while (model.canFetchMore())
        model.fetchMore();
}

} // namespace

TypicalQt::TypicalQt(const QString &file) : m_connection(QStringLiteral("typical-qt"))
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    db.setDatabaseName(file);
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
    db.open();
    // Qt's driver and the program share Debian's libsqlite3: the handle takes the collation.
    if (auto *handle = *static_cast<sqlite3 *const *>(db.driver()->handle().data()))
        qor::registerRussianCollation(handle);
    m_view.setModel(&m_roster);
    m_view.resize(1044, 386);
    m_view.show();
}

TypicalQt::~TypicalQt()
{
    m_view.setModel(nullptr);
    m_students.clear();
    m_roster.clear();
    QSqlDatabase::database(m_connection, false).close();
    // Each size opens its own: the name is free for the next one.
    QSqlDatabase::removeDatabase(m_connection);
}

void TypicalQt::pick(const QString &students, const QString &roster)
{
    const QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    readAll(m_students, students, db);
    readAll(m_roster, roster, db);
    waitUntilIdle();
}

#include "data/OdbcEngine.h"

#include "engine/Error.h"

#include <QAtomicInteger>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlIndex>
#include <QSqlQuery>
#include <QSqlRecord>

namespace qor {

namespace {

constexpr int LoginTimeoutSeconds = 15;

QString errorText(const QSqlError &error)
{
    const QString driver = error.driverText();
    const QString database = error.databaseText();
    if (database.isEmpty())
        return driver;
    if (driver.isEmpty())
        return database;
    return database + u' ' + driver;
}

// An ODBC value in braces, a closing brace doubled, so that ';' and '='
// in a password cannot end it.
QString braced(const QString &value)
{
    QString escaped = value;
    escaped.replace(u'}', QStringLiteral("}}"));
    return u'{' + escaped + u'}';
}

ColumnType typeOf(const QSqlField &field)
{
    switch (field.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::UChar:
    case QMetaType::Bool:
        return ColumnType::Integer;
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return ColumnType::BigInt;
    case QMetaType::Double:
    case QMetaType::Float:
        return ColumnType::Float;
    case QMetaType::QDateTime:
    case QMetaType::QDate:
    case QMetaType::QTime:
        return ColumnType::DateTime;
    case QMetaType::QString:
        return ColumnType::Text;
    default:
        return ColumnType::Other;
    }
}

} // namespace

QString OdbcEngine::odbcConnectionString(const ConnectionSettings &s)
{
    QString server = s.dataSource;
    QString port;
    if (const qsizetype comma = server.indexOf(u','); comma >= 0) {
        port = server.mid(comma + 1).trimmed();
        server = server.left(comma).trimmed();
    }
#ifdef Q_OS_WIN
    // The system's driver takes the port after a comma in the server name.
    const QString driver = QStringLiteral("{SQL Server}");
    if (!port.isEmpty()) {
        server += u',' + port;
        port.clear();
    }
#else
    const QString driver = QStringLiteral("{FreeTDS}");
#endif
    QString text = QStringLiteral("DRIVER=%1;SERVER=%2;").arg(driver, server);
    if (!port.isEmpty())
        text += QStringLiteral("PORT=%1;").arg(port);
    text += QStringLiteral("DATABASE=%1;UID=%2;PWD=%3;").arg(s.catalog, braced(s.userName), braced(s.password));
#ifndef Q_OS_WIN
    // Qt reads the driver's narrow strings as UTF-8.
    text += QStringLiteral("ClientCharset=UTF-8;");
#endif
    return text;
}

OdbcEngine::OdbcEngine(const ConnectionSettings &settings) : OdbcEngine(odbcConnectionString(settings)) {}

OdbcEngine::OdbcEngine(const QString &odbcConnectionString)
{
    static QAtomicInteger<quint64> counter;
    m_connectionName = QStringLiteral("qor-odbc-%1").arg(++counter);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), m_connectionName);
    if (!db.isValid()) {
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_connectionName);
        throw Error(QStringLiteral("The ODBC database driver is not installed (QODBC)."));
    }
    db.setDatabaseName(odbcConnectionString);
    db.setConnectOptions(QStringLiteral("SQL_ATTR_LOGIN_TIMEOUT=%1").arg(LoginTimeoutSeconds));
    if (!db.open()) {
        const QString text = errorText(db.lastError());
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_connectionName);
        throw Error(text);
    }
    m_sqlServer = db.driver()->dbmsType() == QSqlDriver::MSSqlServer;
}

OdbcEngine::~OdbcEngine()
{
    QSqlDatabase::database(m_connectionName, false).close();
    QSqlDatabase::removeDatabase(m_connectionName);
}

RowSet OdbcEngine::select(const QString &statement)
{
    QSqlQuery query(QSqlDatabase::database(m_connectionName, false));
    // Forward-only: otherwise every query becomes a server cursor read row by row.
    query.setForwardOnly(true);
    if (!query.exec(statement))
        throw Error(errorText(query.lastError()));
    // A procedure may report row counts before its row set.
    while (!query.isSelect()) {
        if (!query.nextResult())
            return RowSet();
    }
    const QSqlRecord record = query.record();
    QStringList names;
    QList<Column> columns(record.count());
    for (int i = 0; i < record.count(); ++i) {
        const QSqlField field = record.field(i);
        names.append(field.name());
        columns[i].type = typeOf(field);
        if (columns[i].type == ColumnType::Text && field.length() > 0)
            columns[i].maxLength = field.length();
        // Qt 6.4's ODBC driver hands the name over with the rest of its
        // buffer after the terminating NUL.
        const QString table = field.tableName();
        columns[i].baseTable = table.left(table.indexOf(QChar(0)));
    }
    const QStringList unique = uniqueColumnNames(names);
    for (int i = 0; i < columns.size(); ++i)
        columns[i].name = unique[i];

    RowSet rows(columns);
    while (query.next()) {
        const int row = rows.appendRow();
        for (int i = 0; i < columns.size(); ++i)
            rows.setValue(row, i, query.value(i));
    }
    if (query.lastError().isValid())
        throw Error(errorText(query.lastError()));
    query.finish();
    return rows;
}

void OdbcEngine::execute(const QString &statement)
{
    QSqlQuery query(QSqlDatabase::database(m_connectionName, false));
    query.setForwardOnly(true);
    if (!query.exec(statement))
        throw Error(errorText(query.lastError()));
    query.finish();
}

void OdbcEngine::beginTransaction()
{
    QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
    if (!db.transaction())
        throw Error(errorText(db.lastError()));
}

void OdbcEngine::commitTransaction()
{
    QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
    if (!db.commit())
        throw Error(errorText(db.lastError()));
}

void OdbcEngine::rollbackTransaction()
{
    QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
    if (!db.rollback())
        throw Error(errorText(db.lastError()));
}

QString OdbcEngine::primaryKey(const QString &table)
{
    const QSqlIndex index = QSqlDatabase::database(m_connectionName, false).primaryIndex(table);
    return index.isEmpty() ? QString() : index.fieldName(0);
}

QStringList OdbcEngine::tableColumns(const QString &table)
{
    const QSqlRecord record = QSqlDatabase::database(m_connectionName, false).record(table);
    QStringList columns;
    for (int i = 0; i < record.count(); ++i)
        columns.append(record.fieldName(i));
    return columns;
}

QString OdbcEngine::quoteName(const QString &name) const
{
    // Standard SQL's quotes elsewhere (Qt 6.4's ODBC driver mangles the
    // quote character some drivers report).
    const QChar open = m_sqlServer ? u'[' : u'"';
    const QChar close = m_sqlServer ? u']' : u'"';
    QString quoted = name;
    quoted.replace(close, QString(2, close));
    return open + quoted + close;
}

// Compares texts code point by code point: the databases' usual collations
// ignore letter case, and a change of case is a change.
QString OdbcEngine::binaryCollation() const
{
    return m_sqlServer ? QStringLiteral("Cyrillic_General_BIN2") : QStringLiteral("\"C\"");
}

// An insert whose one result row holds the key the database assigned.
QString OdbcEngine::insertReturningKey(const QString &table, const QString &columnsAndValues, const QString &keyColumn) const
{
    const QString insert = QStringLiteral("INSERT INTO %1 %2").arg(quoteName(table), columnsAndValues);
    if (m_sqlServer)
        return QStringLiteral("SET NOCOUNT ON; %1; SELECT CAST(SCOPE_IDENTITY() AS bigint)").arg(insert);
    return QStringLiteral("%1 RETURNING %2").arg(insert, quoteName(keyColumn));
}

QSqlQuery OdbcEngine::prepared(const QString &sql, const QList<QVariant> &values) const
{
    QSqlQuery query(QSqlDatabase::database(m_connectionName, false));
    query.setForwardOnly(true);
    if (!query.prepare(sql))
        throw Error(errorText(query.lastError()));
    for (const QVariant &value : values)
        query.addBindValue(value);
    if (!query.exec())
        throw Error(errorText(query.lastError()));
    return query;
}

// " AND ..." for the checked columns: texts compared binary, NULL as NULL.
QString OdbcEngine::stillAsRead(const RowWrite &write, QList<QVariant> *values) const
{
    QString sql;
    for (int i = 0; i < write.checkedColumns.size(); ++i) {
        const QString column = quoteName(write.checkedColumns[i]);
        const QVariant &original = write.originalValues[i];
        if (original.isNull()) {
            sql += QStringLiteral(" AND %1 IS NULL").arg(column);
            continue;
        }
        if (original.typeId() == QMetaType::QString)
            sql += QStringLiteral(" AND %1 = ? COLLATE %2").arg(column, binaryCollation());
        else
            sql += QStringLiteral(" AND %1 = ?").arg(column);
        values->append(original);
    }
    return sql;
}

QVariant OdbcEngine::insertRow(const RowWrite &write)
{
    QStringList names, marks;
    for (const QString &column : write.columns) {
        names.append(quoteName(column));
        marks.append(QStringLiteral("?"));
    }
    const QString columnsAndValues = names.isEmpty() ? QStringLiteral("DEFAULT VALUES")
                                                     : QStringLiteral("(%1) VALUES (%2)").arg(names.join(u','), marks.join(u','));
    QSqlQuery query = prepared(insertReturningKey(write.table, columnsAndValues, write.keyColumn), write.values);
    while (!query.isSelect() && query.nextResult()) {
    }
    const QVariant key = query.next() ? query.value(0) : QVariant();
    query.finish();
    return key;
}

int OdbcEngine::updateRow(const RowWrite &write)
{
    QStringList sets;
    for (const QString &column : write.columns)
        sets.append(quoteName(column) + QStringLiteral(" = ?"));
    QList<QVariant> values = write.values;
    values.append(write.keyValue);
    const QString sql = QStringLiteral("UPDATE %1 SET %2 WHERE %3 = ?")
                            .arg(quoteName(write.table), sets.join(QStringLiteral(", ")), quoteName(write.keyColumn))
                        + stillAsRead(write, &values);
    return prepared(sql, values).numRowsAffected();
}

int OdbcEngine::deleteRow(const RowWrite &write)
{
    QList<QVariant> values{write.keyValue};
    const QString sql = QStringLiteral("DELETE FROM %1 WHERE %2 = ?").arg(quoteName(write.table), quoteName(write.keyColumn))
                        + stillAsRead(write, &values);
    return prepared(sql, values).numRowsAffected();
}

} // namespace qor

#include "postgres/PostgresEngine.h"

#include "engine/Error.h"
#include "postgres/PgDialect.h"

#include <QDateTime>
#include <QRegularExpression>

#include <libpq-fe.h>

#include <charconv>
#include <vector>

namespace qor {

namespace {

constexpr const char *ConnectTimeoutSeconds = "15";

// PostgreSQL's type oids (pg_type.h), which never change.
enum TypeOid : Oid {
    BoolOid = 16,
    Int8Oid = 20,
    Int2Oid = 21,
    Int4Oid = 23,
    OidOid = 26,
    Float4Oid = 700,
    Float8Oid = 701,
    BpcharOid = 1042,
    VarcharOid = 1043,
    TextOid = 25,
    NameOid = 19,
    DateOid = 1082,
    TimestampOid = 1114,
    TimestampTzOid = 1184,
    NumericOid = 1700,
};

ColumnType typeOf(Oid type)
{
    switch (type) {
    case BoolOid:
    case Int2Oid:
    case Int4Oid:
    case OidOid:
        return ColumnType::Integer;
    case Int8Oid:
        return ColumnType::BigInt;
    case Float4Oid:
    case Float8Oid:
    case NumericOid:
        return ColumnType::Float;
    case DateOid:
    case TimestampOid:
    case TimestampTzOid:
        return ColumnType::DateTime;
    case BpcharOid:
    case VarcharOid:
    case TextOid:
    case NameOid:
        return ColumnType::Text;
    default:
        return ColumnType::Other;
    }
}

// A varchar(n)'s n, from the type modifier the server reports (n + 4).
int maxLengthOf(Oid type, int modifier)
{
    return (type == VarcharOid || type == BpcharOid) && modifier >= 4 ? modifier - 4 : 0;
}

// A value as the text PostgreSQL reads into the column it is compared with
// or written to; NULL stays apart.
QByteArray parameterText(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool() ? "1" : "0";
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Short:
        return QByteArray::number(value.toLongLong());
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::UShort:
        return QByteArray::number(value.toULongLong());
    case QMetaType::Double:
    case QMetaType::Float:
        return QByteArray::number(value.toDouble(), 'g', 17);
    case QMetaType::QDateTime:
        return value.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")).toLatin1();
    case QMetaType::QDate:
        return value.toDate().toString(QStringLiteral("yyyy-MM-dd")).toLatin1();
    case QMetaType::QTime:
        return value.toTime().toString(QStringLiteral("HH:mm:ss.zzz")).toLatin1();
    default: {
        const QString text = value.toString();
        // libpq ends a value at a NUL, which would store the text cut short.
        if (text.contains(QChar(0)))
            throw Error(QStringLiteral("The text holds the character with code 0, which the server cannot store."));
        return text.toUtf8();
    }
    }
}

QString field(const PGresult *result, int code)
{
    return QString::fromUtf8(PQresultErrorField(result, code));
}

// libpq's text on one line: it breaks and indents the parts of a reason.
QString oneLine(const char *text)
{
    static const QRegularExpression breaks(QStringLiteral("\\s*\\n\\s*"));
    return QString::fromUtf8(text).trimmed().replace(breaks, QStringLiteral(" "));
}

QString invalidObjectName(const QString &name)
{
    return QStringLiteral("Invalid object name '%1'.").arg(name);
}

QString invalidColumnName(const QString &name)
{
    return QStringLiteral("Invalid column name '%1'.").arg(name);
}

} // namespace

// A result that frees itself.
class PostgresEngine::Result
{
public:
    explicit Result(PGresult *result) : m_result(result) {}
    ~Result() { PQclear(m_result); }
    Result(Result &&other) noexcept : m_result(std::exchange(other.m_result, nullptr)) {}
    Result(const Result &) = delete;
    Result &operator=(const Result &) = delete;
    PGresult *get() const { return m_result; }
    bool succeeded() const;
    bool hasRows() const;

private:
    PGresult *m_result;
};

std::optional<PostgresServer> postgresServer(const QString &dataSource)
{
    static const QString prefix = QStringLiteral("pg:");
    if (!dataSource.startsWith(prefix, Qt::CaseInsensitive))
        return std::nullopt;
    const QString rest = dataSource.mid(prefix.size()).trimmed();
    const qsizetype comma = rest.lastIndexOf(u',');
    PostgresServer server;
    server.host = (comma < 0 ? rest : rest.left(comma)).trimmed();
    bool portOk = true;
    if (comma >= 0)
        server.port = rest.mid(comma + 1).trimmed().toInt(&portOk);
    if (server.host.isEmpty() || !portOk || server.port < 1 || server.port > 65535)
        throw Error(
            QStringLiteral("The server '%1' is no PostgreSQL server: write pg:host,port or pg:host.").arg(dataSource));
    return server;
}

PostgresEngine::PostgresEngine(const PostgresServer &server, const QString &database, const QString &user,
                               const QString &password)
    : m_catalog(database)
{
    const QByteArray host = server.host.toUtf8(), port = QByteArray::number(server.port), name = database.toUtf8(),
                     login = user.toUtf8(), secret = password.toUtf8();
    // SQL Server reads dates month first until told otherwise (SET DATEFORMAT);
    // results always come in ISO form, which the rows keep as they are.
    std::vector<const char *> keys{
        "host", "port", "dbname", "user", "connect_timeout", "client_encoding", "application_name", "options"};
    std::vector<const char *> values{host.constData(),
                                     port.constData(),
                                     name.constData(),
                                     login.constData(),
                                     ConnectTimeoutSeconds,
                                     "UTF8",
                                     "QOR",
                                     "-c DateStyle=ISO,MDY"};
    if (!password.isEmpty()) {
        keys.push_back("password");
        values.push_back(secret.constData());
    }
    keys.push_back(nullptr);
    values.push_back(nullptr);
    m_connection = PQconnectdbParams(keys.data(), values.data(), 0);
    if (!m_connection)
        throw Error(QStringLiteral("Out of memory for a connection to the server"));
    if (PQstatus(m_connection) != CONNECTION_OK) {
        const QString reason = connectionError();
        PQfinish(m_connection);
        m_connection = nullptr;
        throw Error(reason);
    }
    PQsetNoticeProcessor(m_connection, keepNotice, this);
}

PostgresEngine::~PostgresEngine()
{
    PQfinish(m_connection);
}

void PostgresEngine::keepNotice(void *engine, const char *message)
{
    static_cast<PostgresEngine *>(engine)->m_notices.append(oneLine(message));
}

QStringList PostgresEngine::takeNotices()
{
    return std::exchange(m_notices, {});
}

QString PostgresEngine::connectionError() const
{
    return oneLine(PQerrorMessage(m_connection));
}

// A connection the server has dropped (a restart, a network break) is made
// again before the next statement; the statement that found it dropped has
// already failed with the reason.
void PostgresEngine::reconnectWhenLost()
{
    if (PQstatus(m_connection) == CONNECTION_OK)
        return;
    // The writes of the transaction are gone with the connection: going on
    // on a new one would keep only those after it.
    if (m_inTransaction)
        throw Error(connectionError());
    PQreset(m_connection);
    if (PQstatus(m_connection) != CONNECTION_OK)
        throw Error(connectionError());
    if (!m_dateStyle.isEmpty())
        PQclear(PQexec(m_connection, m_dateStyle.toUtf8().constData()));
}

PostgresEngine::Result PostgresEngine::exec(const QString &statement, const QList<QVariant> &values)
{
    reconnectWhenLost();
    std::vector<QByteArray> texts;
    texts.reserve(values.size());
    std::vector<const char *> pointers;
    for (const QVariant &value : values) {
        if (!value.isValid() || value.isNull()) {
            pointers.push_back(nullptr);
            continue;
        }
        texts.push_back(parameterText(value));
        pointers.push_back(texts.back().constData());
    }
    // One statement per call: a second one in the text is refused, never run unseen.
    return Result(PQexecParams(m_connection, statement.toUtf8().constData(), int(pointers.size()), nullptr,
                               pointers.data(), nullptr, nullptr, 0));
}

bool PostgresEngine::Result::succeeded() const
{
    const ExecStatusType status = PQresultStatus(m_result);
    return status == PGRES_TUPLES_OK || status == PGRES_COMMAND_OK;
}

bool PostgresEngine::Result::hasRows() const
{
    return PQresultStatus(m_result) == PGRES_TUPLES_OK;
}

PostgresEngine::Result PostgresEngine::run(const pg::Statement &statement, const tsql::WriteTarget &target)
{
    Result result = exec(statement.text, statement.parameters);
    if (!result.succeeded())
        fail(result.get(), statement, target);
    return result;
}

void PostgresEngine::fail(pg_result *result, const pg::Statement &statement, const tsql::WriteTarget &target)
{
    if (!result)
        throw Error(connectionError());
    const QByteArray state = PQresultErrorField(result, PG_DIAG_SQLSTATE);
    QString primary = field(result, PG_DIAG_MESSAGE_PRIMARY);
    if (primary.isEmpty())
        primary = oneLine(PQresultErrorMessage(result));
    if (primary.isEmpty())
        primary = connectionError();
    bool hasPosition = false;
    const qsizetype position = field(result, PG_DIAG_STATEMENT_POSITION).toLongLong(&hasPosition) - 1;
    const auto token = [&] { return pg::tokenAt(statement.text, position); };

    if (state == "22001")
        throw Error(tsql::truncationError());
    if (state == "22007" || state == "22008")
        throw Error(tsql::dateConversionError());
    if (state == "23503") {
        const QString conflict = foreignKeyConflict(result, target);
        throw Error(conflict.isEmpty() ? primary : conflict);
    }
    if (state == "428C9") { // a key the database assigns (GENERATED ALWAYS)
        if (target.verb == tsql::WriteTarget::Insert)
            throw Error(tsql::explicitIdentityError(target.table));
        if (target.verb == tsql::WriteTarget::Update) {
            const QString key =
                PQtransactionStatus(m_connection) == PQTRANS_IDLE ? primaryKey(target.table) : QString();
            throw Error(tsql::identityUpdateError(key.isEmpty() ? target.table : key));
        }
    }
    if (state == "42601" && hasPosition)
        throw Error(tsql::syntaxErrorNear(token()));
    if (state == "42P01" && hasPosition)
        throw Error(invalidObjectName(token()));
    if (state == "42703" && hasPosition)
        throw Error(invalidColumnName(token()));
    if (state == "42883" && !statement.procedure.isEmpty())
        throw Error(tsql::procedureNotFoundError(statement.procedure));
    if (state == "42501" && target.verb != tsql::WriteTarget::Other
        && target.table.compare(u"movement_counts", Qt::CaseInsensitive) == 0)
        throw Error(tsql::countsNotUpdatableError());
    if (state == "42501")
        throw Error(statement.procedure.isEmpty() ? tsql::permissionDeniedError()
                                                  : tsql::executePermissionError(statement.procedure, m_catalog));
    throw Error(primary);
}

// The server's words for a broken reference: a written row that refers to
// no row names the table and column referred to; a deleted or changed row
// still referred to names the referring table and column. Empty when the
// constraint cannot be read (as within a transaction the failure ended).
QString PostgresEngine::foreignKeyConflict(pg_result *result, const tsql::WriteTarget &target)
{
    const QString constraint = field(result, PG_DIAG_CONSTRAINT_NAME);
    const QString referring = field(result, PG_DIAG_TABLE_NAME);
    if (constraint.isEmpty() || referring.isEmpty() || target.verb == tsql::WriteTarget::Other
        || PQtransactionStatus(m_connection) != PQTRANS_IDLE)
        return {};
    RowSet columns;
    try {
        columns = query(
            QStringLiteral("SELECT p.relname, pa.attname, ca.attname FROM pg_catalog.pg_constraint c "
                           "JOIN pg_catalog.pg_class k ON k.oid = c.conrelid "
                           "JOIN pg_catalog.pg_class p ON p.oid = c.confrelid "
                           "JOIN pg_catalog.pg_attribute pa ON pa.attrelid = c.confrelid AND pa.attnum = c.confkey[1] "
                           "JOIN pg_catalog.pg_attribute ca ON ca.attrelid = c.conrelid AND ca.attnum = c.conkey[1] "
                           "WHERE c.conname = $1 AND k.relname = $2 AND c.contype = 'f'"),
            {constraint, referring});
    } catch (const Error &) {
        return {};
    }
    if (columns.rowCount() == 0)
        return {};
    if (target.verb != tsql::WriteTarget::Delete && target.table.compare(referring, Qt::CaseInsensitive) == 0)
        return tsql::foreignKeyConflictError(target.verb, constraint, m_catalog, columns.text(0, 0),
                                             columns.text(0, 1));
    return tsql::referenceConflictError(target.verb, constraint, m_catalog, referring, columns.text(0, 2));
}

// The names of the tables the result's columns come from, read once per table.
void PostgresEngine::nameTables(const QList<unsigned> &tables)
{
    QStringList unknown;
    for (unsigned table : tables) {
        if (table != InvalidOid && !m_tableNames.contains(table))
            unknown.append(QString::number(table));
    }
    if (unknown.isEmpty())
        return;
    const RowSet names =
        query(QStringLiteral("SELECT oid::bigint, relname FROM pg_catalog.pg_class WHERE oid = ANY ($1::oid[])"),
              {u'{' + unknown.join(u',') + u'}'});
    for (int row = 0; row < names.rowCount(); ++row)
        m_tableNames.insert(unsigned(names.integer(row, 0)), names.text(row, 1));
}

void PostgresEngine::readRows(pg_result *result, RowSet &rows, bool withTables)
{
    const int columnCount = PQnfields(result);
    QList<Column> columns(columnCount);
    QStringList names;
    QList<unsigned> tables;
    QList<Oid> types;
    for (int i = 0; i < columnCount; ++i) {
        names.append(QString::fromUtf8(PQfname(result, i)));
        types.append(PQftype(result, i));
        columns[i].type = typeOf(types[i]);
        columns[i].maxLength = maxLengthOf(types[i], PQfmod(result, i));
        tables.append(PQftable(result, i));
    }
    if (withTables)
        nameTables(tables);
    const QStringList unique = uniqueColumnNames(names);
    for (int i = 0; i < columnCount; ++i) {
        columns[i].name = unique[i];
        columns[i].baseTable = m_tableNames.value(tables[i]);
    }

    rows.reset(columns);
    const int rowCount = PQntuples(result);
    for (int r = 0; r < rowCount; ++r) {
        const int row = rows.appendRow();
        for (int i = 0; i < columnCount; ++i) {
            if (PQgetisnull(result, r, i))
                continue;
            const char *text = PQgetvalue(result, r, i);
            const int length = PQgetlength(result, r, i);
            switch (columns[i].type) {
            case ColumnType::Integer:
            case ColumnType::BigInt: {
                qint64 number = 0;
                if (types[i] == BoolOid)
                    number = text[0] == 't' ? 1 : 0;
                else
                    std::from_chars(text, text + length, number);
                rows.setInteger(row, i, number);
                break;
            }
            case ColumnType::Float: {
                double number = 0;
                std::from_chars(text, text + length, number);
                rows.setReal(row, i, number);
                break;
            }
            default:
                // Texts and ISO dates ('YYYY-MM-DD HH:MM:SS') are kept as sent.
                rows.setText(row, i, text, length);
            }
        }
    }
}

RowSet PostgresEngine::select(const QString &statement)
{
    RowSet rows;
    selectInto(statement, rows);
    return rows;
}

void PostgresEngine::selectInto(const QString &statement, RowSet &rows)
{
    rows.reset({});
    const pg::Statement translated = pg::translate(statement);
    const Result result = run(translated, tsql::writeTarget(translated.text));
    if (translated.text.startsWith(QLatin1String("SET DateStyle")))
        m_dateStyle = translated.text;
    if (result.hasRows())
        readRows(result.get(), rows, true);
}

void PostgresEngine::execute(const QString &statement)
{
    const pg::Statement translated = pg::translate(statement);
    run(translated, tsql::writeTarget(translated.text));
    if (translated.text.startsWith(QLatin1String("SET DateStyle")))
        m_dateStyle = translated.text;
}

// A table's columns and key, read once from the catalog.
const PostgresEngine::TableShape &PostgresEngine::shapeOf(const QString &table)
{
    const QString name = table.toLower();
    const auto known = m_tables.constFind(name);
    if (known != m_tables.cend())
        return *known;
    const RowSet columns =
        query(QStringLiteral("SELECT a.attname, i.indisprimary IS NOT NULL FROM pg_catalog.pg_attribute a "
                             "LEFT JOIN pg_catalog.pg_index i ON i.indrelid = a.attrelid AND i.indisprimary "
                             "AND a.attnum = i.indkey[0] WHERE a.attrelid = to_regclass($1) AND a.attnum > 0 "
                             "AND NOT a.attisdropped ORDER BY a.attnum"),
              {QString::fromUtf8(pg::quotedName(name))});
    TableShape shape;
    for (int row = 0; row < columns.rowCount(); ++row) {
        shape.columns.append(columns.text(row, 0));
        if (columns.integer(row, 1))
            shape.key = columns.text(row, 0);
    }
    return *m_tables.insert(name, shape);
}

QString PostgresEngine::primaryKey(const QString &table)
{
    return shapeOf(table).key;
}

QStringList PostgresEngine::tableColumns(const QString &table)
{
    return shapeOf(table).columns;
}

namespace {

tsql::WriteTarget targetOf(tsql::WriteTarget::Verb verb, const RowWrite &write)
{
    tsql::WriteTarget target;
    target.verb = verb;
    target.table = write.table;
    target.columns = write.columns;
    return target;
}

QString text(const QByteArray &utf8)
{
    return QString::fromUtf8(utf8);
}

// " AND ..." for the checked columns: texts compared code point by code
// point, since the columns' collation ignores letter case and a change of
// case is a change; NULL as NULL. Their values go after those in values.
QString stillAsRead(const RowWrite &write, QList<QVariant> *values)
{
    QString sql;
    for (int i = 0; i < write.checkedColumns.size(); ++i) {
        const QString column = text(pg::quotedName(write.checkedColumns[i]));
        const QVariant &original = write.originalValues[i];
        if (original.isNull()) {
            sql += QStringLiteral(" AND %1 IS NULL").arg(column);
            continue;
        }
        values->append(original);
        if (original.typeId() == QMetaType::QString)
            sql += QStringLiteral(" AND %1 = $%2 COLLATE \"C\"").arg(column).arg(values->size());
        else
            sql += QStringLiteral(" AND %1 = $%2").arg(column).arg(values->size());
    }
    return sql;
}

} // namespace

QVariant PostgresEngine::insertRow(const RowWrite &write)
{
    pg::Statement statement;
    QStringList names, marks;
    for (int i = 0; i < write.columns.size(); ++i) {
        names.append(text(pg::quotedName(write.columns[i])));
        marks.append(QStringLiteral("$%1").arg(i + 1));
    }
    statement.text = QStringLiteral("INSERT INTO %1 ").arg(text(pg::quotedName(write.table)))
                     + (names.isEmpty() ? QStringLiteral("DEFAULT VALUES")
                                        : QStringLiteral("(%1) VALUES (%2)").arg(names.join(u','), marks.join(u',')));
    if (!write.keyColumn.isEmpty())
        statement.text += QStringLiteral(" RETURNING ") + text(pg::quotedName(write.keyColumn));
    statement.parameters = write.values;
    const Result result = run(statement, targetOf(tsql::WriteTarget::Insert, write));
    if (write.keyColumn.isEmpty() || PQntuples(result.get()) == 0 || PQgetisnull(result.get(), 0, 0))
        return {};
    const QString key = QString::fromUtf8(PQgetvalue(result.get(), 0, 0));
    bool numeric = false;
    const qlonglong number = key.toLongLong(&numeric);
    return numeric ? QVariant(number) : QVariant(key);
}

int PostgresEngine::updateRow(const RowWrite &write)
{
    pg::Statement statement;
    QStringList sets;
    for (int i = 0; i < write.columns.size(); ++i)
        sets.append(QStringLiteral("%1 = $%2").arg(text(pg::quotedName(write.columns[i]))).arg(i + 1));
    statement.parameters = write.values;
    statement.parameters.append(write.keyValue);
    statement.text = QStringLiteral("UPDATE %1 SET %2 WHERE %3 = $%4")
                         .arg(text(pg::quotedName(write.table)), sets.join(QStringLiteral(", ")),
                              text(pg::quotedName(write.keyColumn)))
                         .arg(statement.parameters.size());
    statement.text += stillAsRead(write, &statement.parameters);
    const Result result = run(statement, targetOf(tsql::WriteTarget::Update, write));
    return QByteArray(PQcmdTuples(result.get())).toInt();
}

int PostgresEngine::deleteRow(const RowWrite &write)
{
    pg::Statement statement;
    statement.parameters = {write.keyValue};
    statement.text = QStringLiteral("DELETE FROM %1 WHERE %2 = $1")
                         .arg(text(pg::quotedName(write.table)), text(pg::quotedName(write.keyColumn)));
    statement.text += stillAsRead(write, &statement.parameters);
    const Result result = run(statement, targetOf(tsql::WriteTarget::Delete, write));
    return QByteArray(PQcmdTuples(result.get())).toInt();
}

void PostgresEngine::runTransactionCommand(const char *command, const char *expectedTag)
{
    Result result(PQexec(m_connection, command));
    if (!result.succeeded())
        throw Error(result.get() ? field(result.get(), PG_DIAG_MESSAGE_PRIMARY) : connectionError());
    // COMMIT of a transaction a failed statement has ended answers ROLLBACK:
    // nothing was kept, and the caller must hear so.
    if (qstrcmp(PQcmdStatus(result.get()), expectedTag) != 0)
        throw Error(QStringLiteral("The transaction was rolled back by the server: nothing was written."));
}

void PostgresEngine::beginTransaction()
{
    reconnectWhenLost();
    runTransactionCommand("BEGIN", "BEGIN");
    m_inTransaction = true;
}

void PostgresEngine::commitTransaction()
{
    if (PQstatus(m_connection) != CONNECTION_OK)
        throw Error(connectionError());
    m_inTransaction = false;
    runTransactionCommand("COMMIT", "COMMIT");
}

void PostgresEngine::rollbackTransaction()
{
    m_inTransaction = false;
    // A lost connection has rolled the transaction back already.
    if (PQstatus(m_connection) == CONNECTION_OK)
        runTransactionCommand("ROLLBACK", "ROLLBACK");
}

void PostgresEngine::runScript(const QString &script)
{
    reconnectWhenLost();
    if (script.contains(QChar(0)))
        throw Error(tsql::nulCharacterError());
    // The simple protocol runs every statement of the text, in order, and
    // stops at the first that fails.
    Result result(PQexec(m_connection, script.toUtf8().constData()));
    const ExecStatusType status = PQresultStatus(result.get());
    if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK && status != PGRES_EMPTY_QUERY)
        throw Error(result.get() ? oneLine(PQresultErrorMessage(result.get())) : connectionError());
}

RowSet PostgresEngine::query(const QString &statement, const QList<QVariant> &values)
{
    const Result result = exec(statement, values);
    if (!result.succeeded())
        throw Error(result.get() ? field(result.get(), PG_DIAG_MESSAGE_PRIMARY) : connectionError());
    RowSet rows;
    if (result.hasRows())
        readRows(result.get(), rows, false);
    return rows;
}

} // namespace qor

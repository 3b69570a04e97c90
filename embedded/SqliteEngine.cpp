#include "embedded/SqliteEngine.h"

#include "embedded/EmbeddedGetUser.h"
#include "engine/Error.h"
#include "embedded/ReferenceConflict.h"
#include "embedded/RussianCollation.h"
#include "embedded/SqliteStatement.h"
#include "embedded/TsqlDialect.h"
#include "embedded_schema.h"

#include <QFile>
#include <QScopeGuard>
#include <QFileInfo>

#include <sqlite3.h>

#ifdef Q_OS_LINUX
#include <sys/vfs.h>
#endif

#include <memory>
#include <utility>

namespace qor {

namespace {

constexpr int BusyTimeoutMs = 5000;

// The statement as SQLite takes it. SQLite ends a text at a NUL character,
// which would leave the rest unrun without a word (or, between statements,
// not move on at all): such a text is refused.
QByteArray sqliteText(const QString &statement)
{
    if (statement.contains(QChar(0)))
        throw Error(tsql::nulCharacterError());
    return tsql::castDateLiterals(tsql::stripQualifiers(statement)).toUtf8();
}

QByteArray quoteName(const QString &name)
{
    QString quoted = name;
    quoted.replace(u']', QStringLiteral("]]"));
    return ('[' + quoted + ']').toUtf8();
}

ColumnType typeFromDeclaration(const char *declared, int *maxLength)
{
    *maxLength = 0;
    if (!declared)
        return ColumnType::Other;
    const QByteArray type = QByteArray(declared).toUpper();
    if (type.contains("BIGINT"))
        return ColumnType::BigInt;
    if (type.contains("INT"))
        return ColumnType::Integer;
    if (type.contains("DATE") || type.contains("TIME"))
        return ColumnType::DateTime;
    if (type.contains("FLOA") || type.contains("REAL") || type.contains("DOUB"))
        return ColumnType::Float;
    if (type.contains("CHAR") || type.contains("TEXT") || type.contains("CLOB")) {
        const int open = type.indexOf('(');
        if (open >= 0)
            *maxLength = type.mid(open + 1, type.indexOf(')') - open - 1).toInt();
        return ColumnType::Text;
    }
    return ColumnType::Other;
}

// The kind of network file system a folder is on, empty for a local disk.
// SQLite's locking and the WAL's shared memory do not work across computers
// that share a file over the network.
QString networkFileSystem(const QString &folder)
{
#if defined(Q_OS_WIN)
    if (folder.startsWith(QStringLiteral("//")) || folder.startsWith(QStringLiteral("\\\\")))
        return QStringLiteral("a network share");
    return {};
#elif defined(Q_OS_LINUX)
    struct statfs fs{};
    if (statfs(QFile::encodeName(folder).constData(), &fs) != 0)
        return {};
    switch (static_cast<unsigned long>(fs.f_type)) {
    case 0x6969: return QStringLiteral("nfs");
    case 0x517B: return QStringLiteral("smb");
    case 0xFF534D42: return QStringLiteral("cifs");
    case 0xFE534D42: return QStringLiteral("smb2");
    case 0x5346414F: return QStringLiteral("afs");
    case 0x73757245: return QStringLiteral("coda");
    case 0x01021997: return QStringLiteral("9p");
    case 0x00C36400: return QStringLiteral("ceph");
    default: return {};
    }
#else
    return {};
#endif
}

// tsql_datetime(x): the stored form of a date literal, or the server's error.
void tsqlDatetime(sqlite3_context *context, int, sqlite3_value **argv)
{
    auto *engine = static_cast<SqliteEngine *>(sqlite3_user_data(context));
    sqlite3_value *value = argv[0];
    switch (sqlite3_value_type(value)) {
    case SQLITE_NULL:
        sqlite3_result_null(context);
        return;
    case SQLITE_INTEGER:
    case SQLITE_TEXT:
        break;
    default:
        sqlite3_result_error(context, tsql::dateConversionError().toUtf8().constData(), -1);
        return;
    }
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_value_text(value)));
    const auto parsed = tsql::parseDateTime(text, engine ? engine->dateFormat() : QStringLiteral("dmy"));
    if (!parsed) {
        sqlite3_result_error(context, tsql::dateConversionError().toUtf8().constData(), -1);
        return;
    }
    const QByteArray stored = RowSet::dateTimeToStored(*parsed).toUtf8();
    sqlite3_result_text(context, stored.constData(), int(stored.size()), SQLITE_TRANSIENT);
}

// The sign-in tables (qor_) and SQLite's own (sqlite_sequence holds the key
// counters of every table, sqlite_master the schema): no working login's.
bool isReservedObject(const char *name)
{
    return name && (sqlite3_strnicmp(name, "qor_", 4) == 0 || sqlite3_strnicmp(name, "sqlite_", 7) == 0);
}

// The functions a working login may call: those of the schema's triggers and
// the screens' statements, and the plain scalar and aggregate functions the
// server's dialect has too. Anything else is refused: fts3_tokenizer hands
// out a library address, zeroblob and randomblob make memory on request, the
// sqlite_ functions describe the build.
bool isAllowedFunction(const char *name)
{
    static const char *const allowed[] = {
        "tsql_datetime", "row_number", "rank", "dense_rank",
        "count", "sum", "avg", "min", "max", "total",
        "length", "lower", "upper", "trim", "ltrim", "rtrim", "substr", "substring", "replace", "instr", "like",
        "abs", "round", "coalesce", "ifnull", "nullif", "iif",
        "date", "time", "datetime", "julianday", "strftime", "has_perms_by_name",
    };
    if (!name)
        return false;
    for (const char *function : allowed) {
        if (sqlite3_stricmp(name, function) == 0)
            return true;
    }
    return false;
}

// The roster's counts per group and dates: written by the roster's triggers
// alone, as on SQL Server, where the same name is a view over the roster.
bool isKeptByTriggers(const char *table)
{
    return table && sqlite3_stricmp(table, "movement_counts") == 0;
}

} // namespace

// The engine's own pragmas pass the authorizer while one lives.
class SqliteEngine::OwnWork
{
public:
    explicit OwnWork(SqliteEngine &engine) : m_engine(engine) { m_engine.m_ownWork = true; }
    ~OwnWork() { m_engine.m_ownWork = false; }
    OwnWork(const OwnWork &) = delete;
    OwnWork &operator=(const OwnWork &) = delete;

private:
    SqliteEngine &m_engine;
};

// A working login reads and writes the data tables; the sign-in tables,
// SQLite's own tables, schema changes and attached files are the owner's, and
// so are the keys the database assigns.
int SqliteEngine::authorize(void *data, int action, const char *first, const char *second, const char *, const char *trigger)
{
    auto *engine = static_cast<SqliteEngine *>(data);
    if (engine->m_ownWork && action == SQLITE_PRAGMA)
        return SQLITE_OK;
    const bool writes = action == SQLITE_INSERT || action == SQLITE_UPDATE || action == SQLITE_DELETE;
    if (writes && isKeptByTriggers(first) && !trigger) {
        engine->m_refusal = tsql::countsNotUpdatableError();
        return SQLITE_DENY;
    }
    switch (action) {
    case SQLITE_UPDATE:
        if (!isReservedObject(first) && engine->isIdentityColumn(first, second)) {
            engine->m_refusal = tsql::identityUpdateError(engine->m_identityColumns.value(QString::fromUtf8(first).toLower()));
            return SQLITE_DENY;
        }
        return isReservedObject(first) ? SQLITE_DENY : SQLITE_OK;
    case SQLITE_READ:
    case SQLITE_INSERT:
    case SQLITE_DELETE:
        return isReservedObject(first) ? SQLITE_DENY : SQLITE_OK;
    case SQLITE_FUNCTION:
        return isAllowedFunction(second) ? SQLITE_OK : SQLITE_DENY;
    case SQLITE_SELECT:
    case SQLITE_TRANSACTION:
    case SQLITE_SAVEPOINT:
    case SQLITE_RECURSIVE:
        return SQLITE_OK;
    case SQLITE_PRAGMA:
        // Reading a data table's columns and what it refers to.
        return first && (sqlite3_stricmp(first, "table_info") == 0 || sqlite3_stricmp(first, "foreign_key_list") == 0)
                && !isReservedObject(second)
            ? SQLITE_OK
            : SQLITE_DENY;
    default:
        return SQLITE_DENY;
    }
}

// HAS_PERMS_BY_NAME(securable, 'OBJECT', permission), as the server answers
// its login about a table: 1 when the login may, 0 when not, NULL for an
// object, class or permission it does not know. A working login may read
// and write the data tables, only read the counts the triggers keep, and
// nothing of the sign-in tables or SQLite's own.
QVariant SqliteEngine::permission(const QString &securable, const QString &securableClass, const QString &permission) const
{
    if (securableClass.compare(u"OBJECT", Qt::CaseInsensitive) != 0)
        return {};
    QString table = securable.section(u'.', -1).trimmed();
    if (table.startsWith(u'[') && table.endsWith(u']'))
        table = table.mid(1, table.size() - 2);
    const QByteArray name = table.toUtf8();
    // Asks SQLite's catalogue without a statement, which the authorizer would refuse.
    if (sqlite3_table_column_metadata(m_db, "main", name.constData(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr)
        != SQLITE_OK)
        return {};
    const QString asked = permission.trimmed().toUpper();
    const bool reads = asked == u"SELECT";
    const bool writes = asked == u"INSERT" || asked == u"UPDATE" || asked == u"DELETE";
    const bool other = asked == u"ALTER" || asked == u"CONTROL" || asked == u"REFERENCES" || asked == u"TAKE OWNERSHIP"
                       || asked == u"VIEW DEFINITION" || asked == u"EXECUTE";
    if (!reads && !writes && !other)
        return {};
    switch (m_role) {
    case Role::Owner:
        return 1;
    case Role::Gate:
        return 0;
    case Role::Worker:
        break;
    }
    if (isReservedObject(name.constData()) || other)
        return 0;
    if (isKeptByTriggers(name.constData()))
        return reads ? 1 : 0;
    return 1;
}

void SqliteEngine::hasPermsByName(sqlite3_context *context, int, sqlite3_value **argv)
{
    const auto *engine = static_cast<const SqliteEngine *>(sqlite3_user_data(context));
    const auto text = [&](int i) {
        return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_value_text(argv[i])));
    };
    for (int i = 0; i < 3; ++i) {
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL) {
            sqlite3_result_null(context);
            return;
        }
    }
    const QVariant answer = engine->permission(text(0), text(1), text(2));
    if (answer.isValid())
        sqlite3_result_int(context, answer.toInt());
    else
        sqlite3_result_null(context);
}

std::function<QDateTime()> &SqliteEngine::clock()
{
    static std::function<QDateTime()> now = [] { return QDateTime::currentDateTime(); };
    return now;
}

SqliteEngine::SqliteEngine(const QString &file, const QString &catalog, const QString &user, const QString &password)
    : m_catalog(catalog)
{
    openFile(file, false);
    try {
        SqliteStatement login(m_db, "SELECT password, is_gate FROM qor_login WHERE name = ?");
        login.bind(1, user);
        const int rc = sqlite3_step(login.get());
        if (rc != SQLITE_ROW && rc != SQLITE_DONE)
            fail();
        const bool found = rc == SQLITE_ROW;
        const QString stored = found ? QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(login.get(), 0))) : QString();
        if (!found || stored != password)
            throw Error(QStringLiteral("Login failed for user '%1'.").arg(user));
        m_role = sqlite3_column_int(login.get(), 1) ? Role::Gate : Role::Worker;
        if (m_role == Role::Worker)
            readIdentityColumns();
    } catch (const Error &error) {
        closeFile();
        throw Error(error.text().startsWith(QStringLiteral("Login failed"))
                        ? error.text()
                        : QStringLiteral("Cannot open database \"%1\" requested by the login (%2): %3")
                              .arg(catalog, QFileInfo(file).absoluteFilePath(), error.text()));
    }
    if (m_role == Role::Worker) {
        keepRosterCounts();
        keepOrderIndexes();
        sqlite3_set_authorizer(m_db, authorize, this);
    }
}

void SqliteEngine::readIdentityColumns()
{
    // A key SQLite assigns: the one primary key column, declared INTEGER.
    SqliteStatement keys(m_db, "SELECT m.name, p.name FROM sqlite_master AS m, pragma_table_info(m.name) AS p"
                               " WHERE m.type = 'table' AND p.pk = 1 AND upper(p.type) = 'INTEGER'"
                               " AND (SELECT count(*) FROM pragma_table_info(m.name) WHERE pk > 0) = 1");
    int rc;
    while ((rc = sqlite3_step(keys.get())) == SQLITE_ROW) {
        const auto text = [&](int column) {
            return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(keys.get(), column)));
        };
        m_identityColumns.insert(text(0).toLower(), text(1));
    }
    if (rc != SQLITE_DONE)
        fail();
}

bool SqliteEngine::isIdentityColumn(const char *table, const char *column) const
{
    if (!table || !column)
        return false;
    const auto key = m_identityColumns.constFind(QString::fromUtf8(table).toLower());
    if (key == m_identityColumns.cend())
        return false;
    // SQLite names a change of the row id ROWID whichever alias the statement used.
    return key->compare(QString::fromUtf8(column), Qt::CaseInsensitive) == 0 || sqlite3_stricmp(column, "ROWID") == 0
        || sqlite3_stricmp(column, "OID") == 0 || sqlite3_stricmp(column, "_ROWID_") == 0;
}

// The server assigns an identity column's values and refuses any other
// (IDENTITY_INSERT is never on for the client). So does this engine for a
// working login: one key at the top of the range would leave no room for
// another row's.
void SqliteEngine::refuseExplicitKeys(const QString &statement) const
{
    const tsql::WriteTarget target = tsql::writeTarget(statement);
    if (target.verb != tsql::WriteTarget::Insert)
        return;
    const QByteArray table = target.table.toUtf8();
    if (!m_identityColumns.contains(target.table.toLower()))
        return;
    if (!target.columns) {
        if (!target.defaultValues)
            throw Error(tsql::identityWithoutColumnListError(target.table));
        return;
    }
    for (const QString &column : *target.columns) {
        if (isIdentityColumn(table.constData(), column.toUtf8().constData()))
            throw Error(tsql::explicitIdentityError(target.table));
    }
}

std::unique_ptr<SqliteStatement> SqliteEngine::prepare(const QByteArray &sql, qsizetype *consumed)
{
    m_refusal.clear();
    std::unique_ptr<SqliteStatement> stmt;
    try {
        stmt = std::make_unique<SqliteStatement>(m_db, sql, consumed);
    } catch (const Error &) {
        if (!m_refusal.isEmpty())
            throw Error(std::exchange(m_refusal, QString()));
        throw;
    }
    if (m_role == Role::Worker && *stmt)
        refuseExplicitKeys(QString::fromUtf8(sqlite3_sql(stmt->get())));
    return stmt;
}

// A step failed. A broken reference is named as the server names it.
void SqliteEngine::failStep(sqlite3_stmt *stmt)
{
    const Error error = sqliteError(m_db);
    if (sqlite3_extended_errcode(m_db) == SQLITE_CONSTRAINT_FOREIGNKEY) {
        QString conflict;
        try {
            const OwnWork own(*this);
            conflict = foreignKeyConflictText(m_db, m_catalog, stmt, tsql::writeTarget(QString::fromUtf8(sqlite3_sql(stmt))));
        } catch (const Error &) {
            // Not told, then: the engine's own words.
        }
        if (!conflict.isEmpty())
            throw Error(conflict);
    }
    throw error;
}

SqliteEngine::SqliteEngine(const QString &file, const QString &catalog, Role role, bool create)
    : m_catalog(catalog), m_role(role)
{
    openFile(file, create);
    if (create) {
        try {
            execute(QString::fromUtf8(EmbeddedSchemaSql));
            execute(QStringLiteral("PRAGMA journal_mode = WAL"));
        } catch (...) {
            closeFile();
            QFile::remove(file);
            throw;
        }
    }
    keepRosterCounts();
    keepOrderIndexes();
}

// The counts the reports of groups read are kept from a file's first opening
// by this client on; a file made before gets them once, from its roster, in
// one transaction. A file that cannot be written now gets them at a later
// opening, and until then a report says the server's own error.
void SqliteEngine::keepRosterCounts()
{
    {
        SqliteStatement kept(m_db, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'movement_counts'");
        if (sqlite3_step(kept.get()) != SQLITE_DONE)
            return;
    }
    if (sqlite3_exec(m_db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK)
        return;
    if (sqlite3_exec(m_db, RosterCountsSql, nullptr, nullptr, nullptr) != SQLITE_OK
        || sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
}

// The indexes of an order as the office knows it (order, number, day), which
// the lists of students under an order read: a file made before they were in
// the schema gets them at its first opening by this client that can write it.
void SqliteEngine::keepOrderIndexes()
{
    {
        SqliteStatement kept(m_db, "SELECT 1 FROM sqlite_master WHERE type = 'index' AND name = 'movement_slushatel_leave_order'");
        if (sqlite3_step(kept.get()) != SQLITE_DONE)
            return;
    }
    if (sqlite3_exec(m_db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK)
        return;
    if (sqlite3_exec(m_db,
                     "CREATE INDEX IF NOT EXISTS movement_slushatel_come_order ON movement_slushatel "
                     "(id_prikaz_come_slushatel, come_reg, come_date); "
                     "CREATE INDEX IF NOT EXISTS movement_slushatel_leave_order ON movement_slushatel "
                     "(id_prikaz_leave_slushatel, leave_reg, leave_date)",
                     nullptr, nullptr, nullptr)
            != SQLITE_OK
        || sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
}

std::unique_ptr<SqliteEngine> SqliteEngine::openAsOwner(const QString &file, bool create)
{
    return std::unique_ptr<SqliteEngine>(
        new SqliteEngine(file, QFileInfo(file).completeBaseName(), Role::Owner, create));
}

SqliteEngine::~SqliteEngine()
{
    closeFile();
}

void SqliteEngine::setBusyTimeout(int milliseconds)
{
    sqlite3_busy_timeout(m_db, milliseconds);
}

void SqliteEngine::closeFile()
{
    // Every statement finalizes itself before this; close_v2 would wait for any left.
    m_update.reset();
    sqlite3_close_v2(m_db);
    m_db = nullptr;
}

void SqliteEngine::openFile(const QString &file, bool create)
{
    const QFileInfo info(file);
    const auto cannotOpen = [&](const QString &reason) {
        return Error(QStringLiteral("Cannot open database \"%1\" requested by the login (%2): %3")
                         .arg(m_catalog, info.absoluteFilePath(), reason));
    };
    if (create == info.exists())
        throw cannotOpen(create ? QStringLiteral("the file exists already") : QStringLiteral("the file does not exist"));
    if (const QString fileSystem = networkFileSystem(info.absolutePath()); !fileSystem.isEmpty())
        throw cannotOpen(QStringLiteral("the file is on a network file system (%1). The embedded database serves the "
                                        "clients of one computer from its own disk; an office with several computers "
                                        "keeps its data on a server, PostgreSQL or SQL Server.").arg(fileSystem));

    // The engine's own handle on the program's one SQLite library. Without
    // SQLITE_OPEN_CREATE a missing file is an error, never a new empty one;
    // one thread uses a session, so SQLite's own locking is left out.
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0) | SQLITE_OPEN_NOMUTEX;
    if (sqlite3_open_v2(QFile::encodeName(info.absoluteFilePath()).constData(), &m_db, flags, nullptr) != SQLITE_OK) {
        const QString reason = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QStringLiteral("out of memory");
        closeFile();
        throw cannotOpen(reason);
    }
    sqlite3_busy_timeout(m_db, BusyTimeoutMs);
    registerRussianCollation(m_db);
    sqlite3_create_function_v2(m_db, "tsql_datetime", 1, SQLITE_UTF8, this, tsqlDatetime, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(m_db, "has_perms_by_name", 3, SQLITE_UTF8, this, hasPermsByName, nullptr, nullptr, nullptr);
    sqlite3_exec(m_db, "PRAGMA foreign_keys = ON", nullptr, nullptr, nullptr);
}

void SqliteEngine::fail() const
{
    throw sqliteError(m_db);
}

void SqliteEngine::checkMayRun(const QString &statement) const
{
    if (m_role != Role::Gate)
        return;
    const auto call = tsql::parseExec(statement);
    if (!call || call->procedure.compare(u"GET_USER", Qt::CaseInsensitive) != 0)
        throw Error(tsql::permissionDeniedError());
}

RowSet SqliteEngine::select(const QString &statement)
{
    RowSet rows;
    selectInto(statement, rows);
    return rows;
}

void SqliteEngine::selectInto(const QString &statement, RowSet &rows)
{
    rows.reset({});
    checkMayRun(statement);
    if (const auto call = tsql::parseExec(statement)) {
        if (call->procedure.compare(u"GET_USER", Qt::CaseInsensitive) != 0)
            throw Error(tsql::procedureNotFoundError(call->procedure));
        if (m_role == Role::Worker)
            throw Error(tsql::executePermissionError(QStringLiteral("GET_USER"), m_catalog));
        rows = embeddedGetUser(m_db, call->arguments, clock()());
        return;
    }
    if (const auto order = tsql::parseSetDateFormat(statement)) {
        m_dateFormat = *order;
        return;
    }

    const QByteArray sql = sqliteText(statement);
    qsizetype consumed = 0;
    const std::unique_ptr<SqliteStatement> prepared = prepare(sql, &consumed);
    const SqliteStatement &stmt = *prepared;
    if (!stmt)
        return;
    // A query reads one statement; a second one would otherwise go unrun unseen.
    if (SqliteStatement(m_db, sql.mid(consumed)))
        throw Error(QStringLiteral("A query runs one statement; this one goes on after it: '%1'")
                        .arg(QString::fromUtf8(sql.mid(consumed)).trimmed().left(40)));
    sqlite3_stmt *s = stmt.get();
    const int columnCount = sqlite3_column_count(s);

    QStringList names;
    QList<Column> columns(columnCount);
    for (int i = 0; i < columnCount; ++i) {
        names.append(QString::fromUtf8(sqlite3_column_name(s, i)));
        Column &c = columns[i];
        c.type = typeFromDeclaration(sqlite3_column_decltype(s, i), &c.maxLength);
        c.baseTable = QString::fromUtf8(sqlite3_column_table_name(s, i));
    }
    const QStringList unique = uniqueColumnNames(names);
    for (int i = 0; i < columnCount; ++i)
        columns[i].name = unique[i];

    rows.reset(columns);
    bool typesSettled = false;
    int rc;
    while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
        const int row = rows.appendRow();
        for (int i = 0; i < columnCount; ++i) {
            switch (sqlite3_column_type(s, i)) {
            case SQLITE_INTEGER:
                rows.setInteger(row, i, sqlite3_column_int64(s, i));
                break;
            case SQLITE_FLOAT:
                rows.setReal(row, i, sqlite3_column_double(s, i));
                break;
            case SQLITE_NULL:
                break;
            default: {
                const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(s, i));
                rows.setText(row, i, text, sqlite3_column_bytes(s, i));
            }
            }
        }
        if (!typesSettled) {
            // Computed columns have no declared type: the first row tells.
            typesSettled = true;
            for (int i = 0; i < columnCount; ++i) {
                if (columns[i].type != ColumnType::Other)
                    continue;
                const int t = sqlite3_column_type(s, i);
                rows.setColumnType(i, t == SQLITE_INTEGER ? ColumnType::BigInt
                                      : t == SQLITE_FLOAT ? ColumnType::Float
                                      : t == SQLITE_TEXT  ? ColumnType::Text
                                                          : ColumnType::Other);
            }
        }
    }
    if (rc != SQLITE_DONE)
        failStep(s);
}

void SqliteEngine::execute(const QString &statement)
{
    checkMayRun(statement);
    if (tsql::parseExec(statement) || tsql::parseSetDateFormat(statement)) {
        select(statement);
        return;
    }
    const QByteArray sql = sqliteText(statement);
    qsizetype offset = 0;
    while (offset < sql.size()) {
        qsizetype consumed = 0;
        const auto stmt = prepare(QByteArray::fromRawData(sql.constData() + offset, sql.size() - offset), &consumed);
        if (!*stmt)
            break; // only blanks or a comment were left
        offset += consumed;
        int rc;
        while ((rc = sqlite3_step(stmt->get())) == SQLITE_ROW) {
        }
        if (rc != SQLITE_DONE)
            failStep(stmt->get());
    }
}

void SqliteEngine::beginTransaction()
{
    // The write lock is taken at once, so that a transaction that has begun
    // is never refused halfway because another program started writing (a
    // sign-in meanwhile waits for it rather than failing).
    if (sqlite3_exec(m_db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK)
        fail();
}

void SqliteEngine::commitTransaction()
{
    if (sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
        fail();
}

void SqliteEngine::rollbackTransaction()
{
    // A failed statement may have ended the transaction already.
    if (!sqlite3_get_autocommit(m_db) && sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr) != SQLITE_OK)
        fail();
}

QStringList SqliteEngine::tableColumns(const QString &table)
{
    SqliteStatement stmt(m_db, "PRAGMA table_info(" + quoteName(table) + ")");
    QStringList columns;
    while (sqlite3_step(stmt.get()) == SQLITE_ROW)
        columns.append(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt.get(), 1))));
    return columns;
}

QString SqliteEngine::primaryKey(const QString &table)
{
    SqliteStatement stmt(m_db, "PRAGMA table_info(" + quoteName(table) + ")");
    while (sqlite3_step(stmt.get()) == SQLITE_ROW) {
        if (sqlite3_column_int(stmt.get(), 5) == 1)
            return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt.get(), 1)));
    }
    return {};
}

QVariant SqliteEngine::insertRow(const RowWrite &write)
{
    checkMayRun(QString());
    QByteArray sql = "INSERT INTO " + quoteName(write.table);
    if (write.columns.isEmpty()) {
        sql += " DEFAULT VALUES";
    } else {
        QByteArrayList names, marks;
        for (const QString &column : write.columns) {
            names.append(quoteName(column));
            marks.append("?");
        }
        sql += " (" + names.join(',') + ") VALUES (" + marks.join(',') + ")";
    }
    const auto stmt = prepare(sql);
    for (int i = 0; i < write.values.size(); ++i)
        stmt->bind(i + 1, write.values[i]);
    if (sqlite3_step(stmt->get()) != SQLITE_DONE)
        failStep(stmt->get());
    const qint64 rowid = sqlite3_last_insert_rowid(m_db);
    if (write.keyColumn.isEmpty())
        return rowid;
    SqliteStatement key(m_db, "SELECT " + quoteName(write.keyColumn) + " FROM " + quoteName(write.table) + " WHERE rowid = ?");
    sqlite3_bind_int64(key.get(), 1, rowid);
    if (sqlite3_step(key.get()) != SQLITE_ROW)
        fail();
    return sqlite3_column_int64(key.get(), 0);
}

// " AND col IS ? ..." for the checked columns: binary, so that a change of
// letter case by another client counts as a change under the case-blind
// RUSSIAN collation too; IS, so that NULL matches NULL.
QByteArray SqliteEngine::stillAsRead(const RowWrite &write)
{
    QByteArray sql;
    for (const QString &column : write.checkedColumns)
        sql += " AND " + quoteName(column) + " IS ? COLLATE BINARY";
    return sql;
}

int SqliteEngine::updateRow(const RowWrite &write)
{
    checkMayRun(QString());
    QByteArrayList sets;
    for (const QString &column : write.columns)
        sets.append(quoteName(column) + " = ?");
    const QByteArray sql = "UPDATE " + quoteName(write.table) + " SET " + sets.join(", ")
                           + " WHERE " + quoteName(write.keyColumn) + " = ?" + stillAsRead(write);
    if (!m_update || sql != m_updateSql) {
        m_update.reset();
        m_update = prepare(sql);
        m_updateSql = sql;
    } else {
        sqlite3_reset(m_update->get());
        sqlite3_clear_bindings(m_update->get());
    }
    SqliteStatement *stmt = m_update.get();
    // Reset after its step, so that the statement kept holds nothing open.
    const auto reset = qScopeGuard([stmt] { sqlite3_reset(stmt->get()); });
    int index = 1;
    for (const QVariant &value : write.values)
        stmt->bind(index++, value);
    stmt->bind(index++, write.keyValue);
    for (const QVariant &value : write.originalValues)
        stmt->bind(index++, value);
    if (sqlite3_step(stmt->get()) != SQLITE_DONE)
        failStep(stmt->get());
    return sqlite3_changes(m_db);
}

int SqliteEngine::deleteRow(const RowWrite &write)
{
    checkMayRun(QString());
    SqliteStatement stmt(m_db, "DELETE FROM " + quoteName(write.table) + " WHERE " + quoteName(write.keyColumn) + " = ?"
                                   + stillAsRead(write));
    int index = 1;
    stmt.bind(index++, write.keyValue);
    for (const QVariant &value : write.originalValues)
        stmt.bind(index++, value);
    if (sqlite3_step(stmt.get()) != SQLITE_DONE) {
        // Rows of another table still refer to it: say which, as the server does.
        if (sqlite3_extended_errcode(m_db) == SQLITE_CONSTRAINT_FOREIGNKEY) {
            const QString conflict = referenceConflictText(m_db, m_catalog, write.table, write.keyValue);
            if (!conflict.isEmpty())
                throw Error(conflict);
        }
        fail();
    }
    return sqlite3_changes(m_db);
}

} // namespace qor

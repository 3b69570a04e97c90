#include "embedded/SqliteStatement.h"

#include "embedded/TsqlDialect.h"
#include "engine/Error.h"
#include "engine/RowSet.h"

#include <sqlite3.h>

namespace qor {

QString databaseBusyText(const QString &file)
{
    return QStringLiteral("База данных %1 занята: её файл держит другая программа, и действие не выполнено. "
                          "Закройте эту программу или завершите в ней начатую запись и повторите действие.")
        .arg(file);
}

Error sqliteError(sqlite3 *db)
{
    // A refused table or statement is SQLITE_AUTH; a refused function is a
    // plain error with SQLite's own text.
    const QByteArray message = sqlite3_errmsg(db);
    if (sqlite3_errcode(db) == SQLITE_AUTH || message.startsWith("not authorized to use function"))
        return Error(tsql::permissionDeniedError());
    // The busy timeout has run out: someone else holds the write lock. The
    // engine's "database is locked" does not say who or what to do.
    if ((sqlite3_errcode(db) & 0xff) == SQLITE_BUSY)
        return Error(databaseBusyText(QString::fromUtf8(sqlite3_db_filename(db, "main"))));
    return Error(QString::fromUtf8(message));
}

SqliteStatement::SqliteStatement(sqlite3 *db, const QByteArray &sql, qsizetype *consumed)
{
    const char *tail = nullptr;
    if (sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &m_stmt, &tail) != SQLITE_OK) {
        // A syntax error reads as the server words it.
        if (const auto syntax = tsql::serverSyntaxError(sqlite3_errmsg(db), QString::fromUtf8(sql)))
            throw Error(*syntax);
        throw sqliteError(db);
    }
    if (consumed)
        *consumed = tail ? tail - sql.constData() : sql.size();
}

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(m_stmt);
}

void SqliteStatement::bind(int index, const QVariant &value)
{
    if (!value.isValid() || value.isNull()) {
        sqlite3_bind_null(m_stmt, index);
        return;
    }
    switch (value.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        sqlite3_bind_int64(m_stmt, index, value.toLongLong());
        return;
    case QMetaType::Double:
    case QMetaType::Float:
        sqlite3_bind_double(m_stmt, index, value.toDouble());
        return;
    case QMetaType::QDateTime:
    case QMetaType::QDate: {
        const QByteArray text = RowSet::dateTimeToStored(value.toDateTime()).toUtf8();
        sqlite3_bind_text(m_stmt, index, text.constData(), int(text.size()), SQLITE_TRANSIENT);
        return;
    }
    default: {
        const QByteArray text = value.toString().toUtf8();
        sqlite3_bind_text(m_stmt, index, text.constData(), int(text.size()), SQLITE_TRANSIENT);
    }
    }
}

} // namespace qor

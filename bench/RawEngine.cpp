#include "RawEngine.h"

#include "engine/Error.h"
#include "embedded/RussianCollation.h"

#include <sqlite3.h>

RawEngine::RawEngine(const QString &file)
{
    const int flags = SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX;
    if (sqlite3_open_v2(file.toUtf8().constData(), &m_db, flags, nullptr) != SQLITE_OK)
        throw qor::Error(QStringLiteral("raw engine: cannot open %1").arg(file));
    qor::registerRussianCollation(m_db);
}

RawEngine::~RawEngine()
{
    sqlite3_close(m_db);
}

size_t RawEngine::step(const QString &statement)
{
    sqlite3_stmt *stmt = nullptr;
    const QByteArray sql = statement.toUtf8();
    if (sqlite3_prepare_v2(m_db, sql.constData(), int(sql.size()), &stmt, nullptr) != SQLITE_OK)
        throw qor::Error(QString::fromUtf8(sqlite3_errmsg(m_db)));
    m_texts.clear();
    size_t numbers = 0;
    size_t numberBytes = 0;
    const int columns = sqlite3_column_count(stmt);
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        for (int i = 0; i < columns; ++i) {
            if (sqlite3_column_type(stmt, i) == SQLITE_TEXT)
                m_texts.append(reinterpret_cast<const char *>(sqlite3_column_text(stmt, i)), size_t(sqlite3_column_bytes(stmt, i)));
            else {
                numbers += size_t(sqlite3_column_int64(stmt, i));
                numberBytes += 8;
            }
        }
    }
    sqlite3_finalize(stmt);
    // The data's own bytes: its texts and eight for each other value.
    return m_texts.size() + numberBytes + numbers % 2;
}

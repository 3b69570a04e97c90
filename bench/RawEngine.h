#pragma once

#include <QString>

#include <string>

struct sqlite3;

// The engine's own limit: the same statements stepped through SQLite's C
// interface on a handle opened as the client opens its own (no mutex, the
// RUSSIAN collation), every column read and every text copied, as the
// client must, into one reused buffer.
class RawEngine
{
public:
    explicit RawEngine(const QString &file);
    ~RawEngine();

    // Steps the statement (already in SQLite's dialect) to its end; returns
    // the data's bytes: its texts, and eight for every other value.
    size_t step(const QString &statement);

private:
    sqlite3 *m_db = nullptr;
    std::string m_texts;
};

#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// qor-bench's command line: what to measure, on which sizes, how often.
// Flags combine in any order; an unknown flag, a missing or bad value, or
// flags that do not go together are refused.
struct BenchFlags
{
    enum class Mode {
        Sizes,     // the main tables, one per size of office
        Registers, // the registers and the import alone
        Orders,    // one order for many students alone
        Postgres,  // the group pick on a PostgreSQL server
        Help,
    };
    Mode mode = Mode::Sizes;
    // Students of each office measured, ascending, each once. By default
    // 10,000, 50,000 and 200,000; --only names sizes instead (it may be
    // given more than once); --million adds 1,000,000 to either.
    QList<int> sizes;
    int repeat = 15;  // samples per figure, at least 3
    QString keep;     // a folder whose databases are made once and used again
    // --orders only: its office's students; 0 for its own default.
    int orderStudents = 0;
    // --postgres only.
    QString server;
    QString adminUser;
    QString adminPassword;
};

// The flags of arguments (without the program's name); on a refusal, error
// says why and the flags are not to be used.
BenchFlags parseBenchFlags(const QStringList &arguments, QString *error);

// What --help prints.
QString benchUsage();

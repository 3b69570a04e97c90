// qor-bench: how long the screens' statements take on the embedded engine,
// beside the same statements stepped through SQLite's C interface alone.
#include "data/ConnectionString.h"
#include "data/PrefixIndex.h"
#include "data/DataFolder.h"
#include "data/Error.h"
#include "data/RussianCollation.h"
#include "data/SqliteEngine.h"
#include "data/Statements.h"
#include "data/TsqlDialect.h"
#include "data/TDM.h"
#include "tools/AdminCommands.h"
#include "tools/BenchmarkData.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <sqlite3.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <functional>

using namespace qor;

namespace {

struct Timing
{
    double best = 0;
    double median = 0;
};

Timing measure(int repeat, const std::function<void()> &work)
{
    QList<double> runs;
    for (int i = 0; i < repeat; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        runs.append(timer.nsecsElapsed() / 1e6);
    }
    std::sort(runs.begin(), runs.end());
    return {runs.first(), runs[runs.size() / 2]};
}

// Steps a statement to its end touching every column: the engine's own cost.
void stepRaw(sqlite3 *db, const QString &statement)
{
    sqlite3_stmt *stmt = nullptr;
    const QByteArray sql = statement.toUtf8();
    if (sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &stmt, nullptr) != SQLITE_OK)
        throw Error(QString::fromUtf8(sqlite3_errmsg(db)));
    const int columns = sqlite3_column_count(stmt);
    size_t bytes = 0;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        for (int i = 0; i < columns; ++i) {
            if (sqlite3_column_type(stmt, i) == SQLITE_TEXT)
                bytes += size_t(sqlite3_column_bytes(stmt, i));
            else
                bytes += size_t(sqlite3_column_int64(stmt, i));
        }
    }
    sqlite3_finalize(stmt);
    // Keeps the compiler from dropping the reads.
    asm volatile("" : : "r"(bytes) : "memory");
}

int collateRussian(void *, int na, const void *a, int nb, const void *b);

long peakMemoryKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void report(const char *what, const Timing &ours, const Timing &raw)
{
    std::printf("%-34s %9.2f ms %9.2f ms %9.2f ms   x%.2f\n", what, ours.best, ours.median, raw.median,
                raw.median > 0 ? ours.median / raw.median : 0.0);
}

// One typed key in the add dialog's student list: the prefix search of the
// list (an index built once per open) beside reading every row per key.
void measureTypeAhead(const Query &list, int repeat)
{
    const int field = list.fieldIndex(QStringLiteral("s_fio"));
    const int rows = list.rowCount();
    if (field < 0 || rows == 0)
        return;
    // Prefixes of 1 to 6 characters of names spread over the list.
    QStringList prefixes;
    for (int i = 0; i < 60; ++i)
        prefixes.append(list.valueAt(int((qint64(i) * 7919) % rows), field).toString().left(1 + i % 6));
    const auto scan = [&](const QString &prefix) {
        const QString folded = prefix.toCaseFolded();
        for (int row = 0; row < rows; ++row) {
            if (list.valueAt(row, field).toString().toCaseFolded().startsWith(folded))
                return row;
        }
        return -1;
    };
    const Timing build = measure(std::max(3, repeat / 4), [&] { PrefixIndex index(list.rows(), list.rows().indexOf(QStringLiteral("s_fio"))); });
    list.locatePrefix(QStringLiteral("s_fio"), QStringLiteral("А")); // the index of this open
    QList<double> ours, naive;
    for (const QString &prefix : std::as_const(prefixes)) {
        int a = 0, b = 0;
        ours.append(measure(1, [&] { a = list.locatePrefix(QStringLiteral("s_fio"), prefix); }).best);
        naive.append(measure(1, [&] { b = scan(prefix); }).best);
        if (a != b && list.valueAt(b, field).toString().toCaseFolded() != list.valueAt(a, field).toString().toCaseFolded())
            std::printf("type-ahead found another row for '%s'\n", qPrintable(prefix));
    }
    std::sort(ours.begin(), ours.end());
    std::sort(naive.begin(), naive.end());
    std::printf("type-ahead over %d names: index built once per open %.1f ms (median)\n", rows, build.median);
    std::printf("  one key: %.3f ms median, %.3f ms worst; reading every row per key: %.1f ms median, %.1f ms worst\n",
                ours[ours.size() / 2], ours.last(), naive[naive.size() / 2], naive.last());
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const bool demo = args.contains(QStringLiteral("--demo"));
    admin::BenchmarkSize size;
    int repeat = 20;
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == u"--students")
            size.students = args[i + 1].toInt();
        else if (args[i] == u"--groups")
            size.groups = args[i + 1].toInt();
        else if (args[i] == u"--rows")
            size.rosterRows = args[i + 1].toInt();
        else if (args[i] == u"--repeat")
            repeat = std::max(1, args[i + 1].toInt());
    }

    try {
        QTemporaryDir dir;
        const QString data = dir.path() + QStringLiteral("/Data");
        const QString file = data + QStringLiteral("/QOR.db");
        QElapsedTimer build;
        build.start();
        if (demo) {
            admin::createDemo(dir.path(), false);
            std::printf("demo database\n");
        } else {
            QDir().mkpath(data);
            admin::createBenchmarkDatabase(file, size);
            std::printf("%d students, %d groups, %d roster rows (made in %.1f s)\n", size.students, size.groups,
                        size.rosterRows, build.elapsed() / 1000.0);
        }
        setDataFolder(data);

        const RowSet login = SqliteEngine::openAsOwner(file)->select(QStringLiteral("SELECT name, password FROM qor_login WHERE name = 'demo'"));
        TDM dm;
        dm.ADOCon->setConnectionString(composeConnectionString({login.text(0, 0), login.text(0, 1), QStringLiteral("QOR"), QStringLiteral("(embedded)")}));
        dm.loadLists();
        const QVariant group = 1;

        // The raw engine: the same file through SQLite alone, with the collation the statements need.
        sqlite3 *raw = nullptr;
        sqlite3_open_v2(file.toUtf8().constData(), &raw, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_create_collation_v2(raw, "RUSSIAN", SQLITE_UTF8, nullptr, collateRussian, nullptr);
        const auto plain = [](const QString &statement) { return tsql::stripQualifiers(statement); };

        std::printf("%-34s %12s %12s %12s   %s\n", "", "ours best", "ours median", "raw median", "ratio");
        report("students (Select * FROM s_fio)",
               measure(repeat, [&] { TDM::reopen(dm.ADOQ_Student, statements::students()); }),
               measure(repeat, [&] { stepRaw(raw, plain(statements::students())); }));
        report("roster of one group",
               measure(repeat, [&] { TDM::reopen(dm.ADOQ_movement_slushatel, statements::rosterOfGroup(group)); }),
               measure(repeat, [&] { stepRaw(raw, plain(statements::rosterOfGroup(group))); }));
        report("group pick (students + roster)",
               measure(repeat, [&] {
                   TDM::reopen(dm.ADOQ_Student, statements::students());
                   TDM::reopen(dm.ADOQ_movement_slushatel, statements::rosterOfGroup(group));
               }),
               measure(repeat, [&] {
                   stepRaw(raw, plain(statements::students()));
                   stepRaw(raw, plain(statements::rosterOfGroup(group)));
               }));
        report("students not in the group",
               measure(repeat, [&] { TDM::reopen(dm.ADOQ_add_student, statements::studentsNotInGroup(group)); }),
               measure(repeat, [&] { stepRaw(raw, plain(statements::studentsNotInGroup(group))); }));
        sqlite3_close(raw);
        measureTypeAhead(*dm.ADOQ_add_student, repeat);
        std::printf("peak memory: %ld MiB\n", peakMemoryKiB() / 1024);
    } catch (const Error &e) {
        std::fprintf(stderr, "qor-bench: %s\n", qPrintable(e.text()));
        return 1;
    }
    return 0;
}

namespace {
int collateRussian(void *, int na, const void *a, int nb, const void *b)
{
    return compareRussian(std::string_view(static_cast<const char *>(a), size_t(na)),
                          std::string_view(static_cast<const char *>(b), size_t(nb)));
}
} // namespace

#include "tools/BenchmarkData.h"

#include "engine/Error.h"
#include "embedded/SqliteEngine.h"
#include "postgres/PostgresEngine.h"
#include "tools/AdminCommands.h"
#include "tools/ServerAdmin.h"

#include <QStringList>

namespace qor::admin {

namespace {

// "INSERT ... SELECT expressions" for i = 1..count, in that order, as the
// engine writes it: SQLite counts with a recursive view, PostgreSQL with
// generate_series (64-bit, as SQLite's integers, for the names' products).
QString forNumbers(int count, const QString &insertSelect, bool postgres)
{
    if (postgres)
        return QStringLiteral("%1 FROM generate_series(1::bigint, %2) AS n(i) ORDER BY i").arg(insertSelect).arg(count);
    return QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) %2 FROM n")
        .arg(count)
        .arg(insertSelect);
}

// One of the texts, chosen by a number: the same data at every run.
QString pick(const QStringList &texts, const QString &number)
{
    QString cases = QStringLiteral("CASE (%1) % %2").arg(number).arg(texts.size());
    for (int i = 0; i < texts.size(); ++i)
        cases += QStringLiteral(" WHEN %1 THEN '%2'").arg(i).arg(texts[i]);
    return cases + QStringLiteral(" END");
}

const QStringList Surnames{QStringLiteral("Иванов"), QStringLiteral("Петров"), QStringLiteral("Сидоров"), QStringLiteral("Ёлкин"),
                           QStringLiteral("Елисеев"), QStringLiteral("Жуков"), QStringLiteral("Алексеев"), QStringLiteral("Кузнецов"),
                           QStringLiteral("Смирнов"), QStringLiteral("Орлов"), QStringLiteral("Волков"), QStringLiteral("Морозов"),
                           QStringLiteral("Новиков"), QStringLiteral("Фёдоров"), QStringLiteral("Беляев"), QStringLiteral("Тарасов")};
const QStringList Names{QStringLiteral("Иван"), QStringLiteral("Павел"), QStringLiteral("Дмитрий"), QStringLiteral("Сергей"),
                        QStringLiteral("Алексей"), QStringLiteral("Артём"), QStringLiteral("Никита"), QStringLiteral("Глеб")};


// How a student's groups are drawn: a hash of the student's number and the
// seed, of which the lowest two decimal digits give how many groups (one to
// three), the next ones the first group and the step to the next ones.
// rosterRowCount repeats it; both must agree.
constexpr qint64 SeedStride = 1000003;
constexpr qint64 HashFactor = 2654435761;
constexpr qint64 HashRange = 4294967296;

qint64 hashOf(qint64 student, int seed)
{
    return ((student + seed * SeedStride) * HashFactor) % HashRange;
}

int groupsOfHash(qint64 hash, int groups)
{
    const int share = int(hash % 100);
    return std::min(1 + (share >= 75 ? 1 : 0) + (share >= 95 ? 1 : 0), groups);
}

// Every student's roster rows, one to three groups each, different groups:
// the step between them is under half the groups, so twice it never comes
// round to the first.
QString rosterStatement(const BenchmarkSize &size, bool postgres)
{
    const QString numbers =
        postgres ? QStringLiteral("generate_series(1::bigint, %1) AS n(i)").arg(size.students)
                 : QStringLiteral("(WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                                  "SELECT i FROM n) AS n")
                       .arg(size.students);
    const int steps = std::max(1, (size.groups - 1) / 2);
    QString statement =
        QStringLiteral(
            "INSERT INTO movement_slushatel (id_student, id_group_slushatel, id_prikaz_come_slushatel, come_date, come_reg) "
            "SELECT i, 1 + (h / 100 %% %1 + j * (1 + h / 1000 %% %2)) %% %1, 1, '2014-09-01 00:00:00', (i %% 100) || '-к' "
            "FROM (SELECT i, ((i + %3 * %4) * %5) %% %6 AS h FROM %7) AS s "
            "CROSS JOIN (SELECT 0 AS j UNION ALL SELECT 1 UNION ALL SELECT 2) AS m "
            "WHERE j < %1 AND j < 1 + CASE WHEN h %% 100 >= 75 THEN 1 ELSE 0 END + CASE WHEN h %% 100 >= 95 THEN 1 ELSE 0 END "
            "ORDER BY i, j")
            .arg(size.groups)
            .arg(steps)
            .arg(size.seed)
            .arg(SeedStride)
            .arg(HashFactor)
            .arg(HashRange)
            .arg(numbers);
    statement.replace(QStringLiteral("%%"), QStringLiteral("%"));
    if (size.rosterRows >= 0)
        statement += QStringLiteral(" LIMIT %1").arg(size.rosterRows);
    return statement;
}

// The statements that fill a new database with the benchmark's rows.
QStringList fillingStatements(const BenchmarkSize &size, bool postgres)
{
    return {
        QStringLiteral("INSERT INTO faculty ([p23-1], [p23-2]) VALUES ('Факультет А', 'А'), ('Факультет Б', 'Б'), ('Факультет В', 'В')"),
        QStringLiteral("INSERT INTO prikaz_come_slushatel (prikaz_come) VALUES ('Приказ о зачислении 1'), ('Приказ о зачислении 2')"),
        QStringLiteral("INSERT INTO prikaz_leave_slushatel (prikaz_leave) VALUES ('Приказ об отчислении 1')"),
        forNumbers(size.groups,
                   QStringLiteral("INSERT INTO group_slushatel (id_faculty, name_short, name_full, oplata) "
                                  "SELECT 1 + i % 3, 'Г-' || i, 'Группа номер ' || i, 10000.0"),
                   postgres),
        // Names in no particular order of their keys, as people are enrolled.
        forNumbers(size.students,
                   QStringLiteral("INSERT INTO s_fio (s_fio) SELECT %1 || ' ' || %2 || ' ' || i")
                       .arg(pick(Surnames, QStringLiteral("i * 7919 / 3")), pick(Names, QStringLiteral("i * 104729 / 5"))),
                   postgres),
        rosterStatement(size, postgres),
    };
}

void checkSizes(const BenchmarkSize &size)
{
    if (size.students < 1 || size.groups < 1 || size.rosterRows < -1)
        throw Error(QStringLiteral("The benchmark sizes must be positive"));
}

} // namespace

BenchmarkSize officeOfStudents(int students)
{
    return {students, std::max(1, students / 100), -1, 1};
}

int rosterRowCount(const BenchmarkSize &size)
{
    qint64 rows = 0;
    for (qint64 student = 1; student <= size.students; ++student)
        rows += groupsOfHash(hashOf(student, size.seed), size.groups);
    return size.rosterRows >= 0 ? int(std::min<qint64>(rows, size.rosterRows)) : int(rows);
}

void createBenchmarkDatabase(const QString &file, const BenchmarkSize &size)
{
    checkSizes(size);
    createDatabase(file, QStringLiteral("qor_gate"), randomSecret());
    {
        auto db = SqliteEngine::openAsOwner(file);
        db->execute(QStringLiteral("BEGIN"));
        for (const QString &statement : fillingStatements(size, false))
            db->execute(statement);
        db->execute(QStringLiteral("COMMIT"));
    }
    addUser(file, {QStringLiteral("demo"), QStringLiteral("demo123"), false, std::nullopt});
}

void createServerBenchmarkDatabase(const ServerAdministrator &admin, const QString &database, const BenchmarkSize &size)
{
    checkSizes(size);
    createServerDatabase(admin, database, randomSecret(), [&](PostgresEngine &db) {
        // The roster's counts once, at the end, rather than row by row.
        db.runScript(QStringLiteral("ALTER TABLE movement_slushatel DISABLE TRIGGER movement_counts_kept"));
        for (const QString &statement : fillingStatements(size, true))
            db.execute(statement);
        db.runScript(QStringLiteral("INSERT INTO movement_counts SELECT id_group_slushatel, come_date, leave_date, count(*) "
                                    "FROM movement_slushatel GROUP BY 1, 2, 3; "
                                    "ALTER TABLE movement_slushatel ENABLE TRIGGER movement_counts_kept"));
    });
    addServerUser(admin, database, {QStringLiteral("demo"), QStringLiteral("demo123"), false, std::nullopt});
}

} // namespace qor::admin

#pragma once

#include <QString>

namespace qor::admin {

// A large embedded database for measuring: generated faculties, groups,
// students and roster rows, with the demo users. As in an office, each
// student is in one to three different groups (three in four in one, one in
// five in two, one in twenty in three), so a roster lists distinct students.
// The rows follow from the seed alone: the same seed makes the same database.
struct BenchmarkSize
{
    int students = 200000;
    int groups = 2000;
    // Roster rows in all: -1 for every student's groups; otherwise the first
    // that many of them, by student.
    int rosterRows = -1;
    int seed = 1;
};
// An office of that many students, with a group for every hundred of them.
BenchmarkSize officeOfStudents(int students);
// The roster rows such a database holds.
int rosterRowCount(const BenchmarkSize &size);
// Fails when the file exists.
void createBenchmarkDatabase(const QString &file, const BenchmarkSize &size);

struct ServerAdministrator;
// The same rows in a new database of that name on a PostgreSQL server,
// made with server/postgresql's scripts, with the user demo.
void createServerBenchmarkDatabase(const ServerAdministrator &admin, const QString &database, const BenchmarkSize &size);

} // namespace qor::admin

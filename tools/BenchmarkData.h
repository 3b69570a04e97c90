#pragma once

#include <QString>

namespace qor::admin {

// A large embedded database for measuring: generated faculties, groups,
// students and roster rows (each student in rosterRows / students groups on
// average), with the demo users. Fails when the file exists.
struct BenchmarkSize
{
    int students = 200000;
    int groups = 2000;
    int rosterRows = 1000000;
};
void createBenchmarkDatabase(const QString &file, const BenchmarkSize &size);

struct ServerAdministrator;
// The same rows in a new database of that name on a PostgreSQL server,
// made with server/postgresql's scripts, with the user demo.
void createServerBenchmarkDatabase(const ServerAdministrator &admin, const QString &database, const BenchmarkSize &size);

} // namespace qor::admin

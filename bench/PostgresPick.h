#pragma once

#include "BenchFlags.h"

// qor-bench --postgres pg:HOST,PORT --admin-user USER [--admin-password PASSWORD]
//           [--only STUDENTS | --million] [--repeat N]
// The group pick, to idle, on a PostgreSQL server beside the
// least its statements cost there (libpq running the same translated
// statements and reading every row), and the same pick on the embedded
// engine beside SQLite's own, in one run. The server's database
// (qor_bench_STUDENTS) is made once, with server/postgresql's scripts, and
// used again by later runs. Returns the process's exit code.
int postgresPick(const BenchFlags &flags);

#pragma once

#include <QString>

// The office's registers in qor-bench, each beside the engine's own limit
// in one run, interleaved: importing 100,000 students from an .xlsx beside
// SQLite inserting the same rows in one transaction, and the student
// register's search on 1,000,000 students, from a key to the list painted,
// beside SQLite scanning the names for the same words. See README.md.
void measureRegisters(int repeat, const QString &keep);

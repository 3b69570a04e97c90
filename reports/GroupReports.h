#pragma once

#include "reports/ReportTable.h"

namespace qor {

class Connection;

// A report of one line per group (and lines of sums), with the group each
// line stands for, so that a window can show that group's roster.
struct GroupReport
{
    struct Line
    {
        QVariant faculty; // null on a line of sums
        QVariant group;
    };
    ReportTable table;
    QList<Line> lines; // one for each of the table's rows
};

// How many students each group had at the start of the period from first to
// last (both days included), how many were enrolled and expelled within it
// and how many remain at its end, per faculty (one, or all for a null key)
// and group, with each faculty's sums and the total, and the rule counted
// written under the table. Read afresh from the database. Throws qor::Error.
GroupReport contingentReport(Connection *connection, const QDate &first, const QDate &last, const QVariant &facultyKey,
                             const QString &facultyName);

// The faculties a report may be limited to: those with groups, by name.
struct FacultyChoice
{
    QVariant key;
    QString name;
};
QList<FacultyChoice> facultiesWithGroups(Connection *connection);

// The groups whose term ended before the day and that still have students
// without an expulsion, with their number, the earliest end first.
GroupReport groupsPastTermReport(Connection *connection, const QDate &day);

} // namespace qor

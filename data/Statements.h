#pragma once

#include <QDate>
#include <QString>
#include <QVariant>

namespace qor {

// A text between single quotes in a statement, its own quotes doubled so that
// it stays one literal.
QString quotedLiteral(const QString &text);

// A day as the server reads it under any date format: 'YYYYMMDD' cast to a
// date-time, so that it compares as one with the date columns.
QString dayLiteral(const QDate &day);

} // namespace qor

namespace qor::statements {

// The statement texts the screens run. A chosen key enters as its decimal
// digits, or as nothing when no row was chosen (the server then refuses the
// statement, and the user is shown why).

QString facultiesWithGroups();
QString allFaculties();
QString enrolmentOrders();
QString expulsionOrders();
QString groupsOfFaculty(const QVariant &facultyKey);
QString students();
QString rosterOfGroup(const QVariant &groupKey);
QString studentsNotInGroup(const QVariant &groupKey);
// The group's full name and its faculty's name, for the heading of its roster.
QString groupAndFaculty(const QVariant &groupKey);
// An order number is quoted with every quote inside doubled, so that it is
// stored as typed.
QString addToGroup(const QVariant &studentKey, const QVariant &groupKey, const QVariant &orderKey,
                   const QDate &orderDate, const QString &orderNumber);
QString dateFormatDmy();

// Per group of one faculty (all faculties for a null key), ordered by
// faculty and group name: id_faculty, faculty, id_group_slushatel,
// name_full, srok_obuchenia and the roster rows counted for the period from
// first to last, both days included: at_start (enrolled before the first day,
// or with no enrolment date, and not expelled before it), enrolled and
// expelled (their dates within the period) and at_end (enrolled by the last
// day and not expelled by it). A row without an expulsion date counts as
// not expelled. Every group is listed, also one without rows.
QString contingentMovement(const QDate &first, const QDate &last, const QVariant &facultyKey);
// Groups whose term ended before the day and that still have roster rows
// without an expulsion date, the earliest end first: id_faculty, faculty,
// id_group_slushatel, name_full, srok_obuchenia, remaining.
QString groupsPastTerm(const QDate &day);

} // namespace qor::statements

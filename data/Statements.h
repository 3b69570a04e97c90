#pragma once

#include <QDate>
#include <QString>
#include <QVariant>

namespace qor {

// A text between single quotes in a statement, its own quotes doubled so that
// it stays one literal.
QString quotedLiteral(const QString &text);

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

} // namespace qor::statements

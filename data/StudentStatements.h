#pragma once

#include <QList>
#include <QString>
#include <QVariant>

namespace qor::statements {

// The statements of finding a student, the student's card and the transfer
// to another group. Keys enter as their decimal digits.

// Every student, id_student and s_fio, in the order of their names.
QString studentsByName();

// Every roster row of the students (one row with empty roster columns for a
// student in no group): id_student, s_fio, id_faculty, faculty,
// id_group_slushatel, name_full (or a mark for a student in no group), the
// enrolment order, come_reg, come_date, the expulsion order, leave_reg,
// leave_date, id_movement. Rows without an expulsion date come first, then
// the rest; each part by name, a student's rows together, by enrolment date.
QString rosterRowsOfStudents(const QList<qint64> &students);

// The text that stands for the group of a student who is in none.
QString inNoGroupText();

// The student's name.
QString studentName(const QVariant &student);

// Every roster row of the student, in the order of the enrolment dates:
// the table's own columns, with name_full, id_faculty, faculty and
// srok_obuchenia of the group and the texts of the two orders.
QString studentCard(const QVariant &student);

// A group's name_full, its faculty's name (faculty) and id_faculty.
QString groupPlace(const QVariant &group);

// The student's rows without an expulsion date in the group, with the group's name.
QString enrolledRowsInGroup(const QVariant &student, const QVariant &group);

} // namespace qor::statements

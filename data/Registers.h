#pragma once

#include <QString>

#include <functional>
#include <string>

namespace qor {

class Engine;
class Query;

// The office's own registers of students and faculties: how a name is kept,
// when two names are one, what may be written, and the rules a register's
// row passes before it is written.

// A name as it is kept: without blanks at either end, every run of blanks
// inside it (spaces, tabs, line breaks, other control characters) one space.
QString normalisedName(const QString &text);

// What two names are compared by when the question is whether they name the
// same person: normalised, without regard to letter case, ё read as е.
std::string sameNameKey(const QString &text);

// What the connection's login may do with the rows of a table, as the
// database says. A database that cannot say is taken to allow everything:
// it refuses a write it does not allow itself, with its own words.
struct TablePermissions
{
    bool insert = true;
    bool update = true;
    bool remove = true;
    bool all() const { return insert && update && remove; }
};
TablePermissions permissionsOn(Engine &engine, const QString &table);

// Before a student of the register is written: the name is normalised and
// must not be empty; when another student has the same name (by
// sameNameKey), confirm is asked and the row is written only on its yes (a
// no throws Declined, and the row stays as it is, in editing). A row whose
// name was already that person's asks nothing.
void checkStudentRow(Query &row, Engine &engine, const std::function<bool(const QString &name)> &confirm);

// Before a faculty of the register is written: both texts normalised, the
// name not empty and no other faculty's.
void checkFacultyRow(Query &row, Engine &engine);

} // namespace qor

namespace qor::statements {

// Every student and every faculty, by name, for the registers.
QString studentRegister();
QString facultyRegister();
// The students, or the faculties, whose name is the given one by
// sameNameKey, and perhaps a few more: each name's case and ё/е variants lie
// between its form with every е and its form with every ё, which the
// case-blind name index finds at once.
QString studentsNamedAlike(const QString &name);
QString facultiesNamedAlike(const QString &name);
// One row: whether the login may insert, update and delete rows of the table (1 or 0).
QString tablePermissions(const QString &table);

} // namespace qor::statements

#pragma once

#include "data/NameIndex.h"
#include "engine/RowSet.h"

#include <QFuture>
#include <QList>
#include <QString>
#include <QVariant>

#include <memory>
#include <vector>

namespace qor {

class StudentNames;

// The students read for a search, or why they could not be.
struct StudentNamesRead
{
    std::shared_ptr<const StudentNames> names;
    QString error;
};

// Every student's name in the order of the names, and the index that finds
// them by the starts of the words of their names (NameIndex's rule), so that
// each key typed into a search is answered without reading the names again.
class StudentNames
{
public:
    StudentNames() = default;
    // Rows of id_student and s_fio, in the order of the names.
    explicit StudentNames(RowSet rows);

    // Reads every student on a connection of its own, opened with the
    // connection string and closed again, so that it may run on a thread of
    // its own while the windows go on. Throws qor::Error.
    static std::shared_ptr<const StudentNames> read(const QString &connectionString);
    // The same on a thread of the pool: the future holds the students, or the error.
    static QFuture<StudentNamesRead> readLater(const QString &connectionString);

    // The names last read on a connection, kept for the next search on it so
    // that its keys are answered at once while the names are read afresh;
    // none before the first reading. For the user interface's thread only.
    static std::shared_ptr<const StudentNames> kept(const QString &connectionString);
    static void keep(const QString &connectionString, std::shared_ptr<const StudentNames> names);

    int count() const { return m_rows.rowCount(); }
    // The students whose names match, as their places in name order; none
    // when nothing but separators is typed.
    std::vector<int> matching(const QString &typed) const;
    qint64 studentAt(int place) const;
    QString nameAt(int place) const;

private:
    RowSet m_rows;
    NameIndex m_index;
};

// What a search shows for what was typed: how many students match, and
// the keys of those whose roster rows are read to be shown, the first in
// name order. A search matching more students than are shown is cut: all
// matching ones are counted, the rows of the first ShownStudents by name are
// read. Fifty students are some 250 roster rows, ten screens of the grid,
// read through the index on id_student in a few milliseconds at a million
// students; twice as many took a key past 20 ms on a busy machine, most of it
// the engine's reading of rows scattered over the roster's pages.
struct StudentSearch
{
    static constexpr int ShownStudents = 50;

    int found = 0;
    QList<qint64> shown;

    bool isCut() const { return found > shown.size(); }
    static StudentSearch of(const StudentNames &names, const QString &typed);
};

// Where a roster row places its student, for showing that row in the main window.
struct StudentPlace
{
    QVariant faculty;
    QVariant group;
    QVariant student;
    QVariant movement; // the roster row's own key
};

} // namespace qor

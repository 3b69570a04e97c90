#pragma once

#include "data/Connection.h"
#include "data/DataSource.h"
#include "data/Query.h"

#include <QObject>
#include <QVariant>

#include <functional>


namespace qor {

// The data module: the shared connection and every result set the screens
// show, each with the data source views bind to, alive for the whole run.
// All queries are closed when it is made.
class TDM : public QObject
{
    Q_OBJECT

public:
    explicit TDM(QObject *parent = nullptr);
    // The same on a connection of the caller's making, which it owns from
    // now on (tests reach other engines through it).
    explicit TDM(Connection *connection, QObject *parent = nullptr);
    ~TDM() override;

    Connection *ADOCon;

    Query *ADOQ_movement_slushatel;
    Query *ADOQ_Faculty;
    Query *ADOQ_GroupSlushatel;
    Query *ADOQ_Student;
    Query *ADOQ_Prikaz_come_slushatel;
    Query *ADOQ_prikaz_leave_slushatel;
    Query *ADOQ_all_faculties;
    Query *ADOQ_GroupSlushatel_Formation;
    Query *ADOQ_add_student;
    Query *ADOQ_Exec;
    // The office's registers: every student and every faculty, by name, editable.
    Query *ADOQ_Student_Register;
    Query *ADOQ_Faculty_Register;

    DataSource *DS_movement_slushatel;
    DataSource *DS_Faculty;
    DataSource *DS_GroupSlushatel;
    DataSource *DS_Student;
    DataSource *DS_Prikaz_come_slushatel;
    DataSource *DS_prikaz_leave_slushatel;
    DataSource *DS_all_faculties;
    DataSource *DS_GroupSlushatel_Formation;
    DataSource *DS_add_student;
    DataSource *DS_Student_Register;
    DataSource *DS_Faculty_Register;

    // What the user has chosen, as the rules read it: each pick handler sets
    // its value, and the before-post rules read these, never a window.
    struct Choices
    {
        QVariant faculty;          // the main window's faculty list
        QVariant group;            // the main window's group list: the roster's group
        QVariant formationFaculty; // the group formation window's faculty list
    };
    Choices chosen;

    void ADOQ_movement_slushatelBeforePost(Query &dataSet);
    void ADOQ_GroupSlushatel_FormationBeforePost(Query &dataSet);
    void ADOQ_Student_RegisterBeforePost(Query &dataSet);
    void ADOQ_Faculty_RegisterBeforePost(Query &dataSet);
    // Asked before a student is written whose name another student has
    // already: true writes the row. Set by the window that edits the
    // register; without it namesakes are written unasked.
    std::function<bool(const QString &name)> confirmNamesake;

    // Writes a changed row of the query, then closes it, replaces its
    // statement and opens it again. When the row cannot be written the query
    // is left as it was and the error is thrown.
    static void reopen(Query *query, const QString &statement);

    // Before the program ends: every changed row of the editable result sets
    // is written (a new row nobody changed is dropped). Throws at the first
    // row that cannot be written; that row stays in editing.
    void writePendingRows();

    // After sign-in: the faculties that have groups and both order lists.
    void loadLists();

    // A chosen key as it enters a statement: its decimal digits, or nothing when null.
    static QString keyText(const QVariant &key);
    // A chosen key as it is stored into a key column; null fails with the conversion error.
    static qint32 keyToInteger(const QVariant &key);
};

// The one data module of the program, created at start-up before any window.
extern TDM *DM;

} // namespace qor

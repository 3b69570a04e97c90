#pragma once

#include <QDate>
#include <QString>
#include <QVariant>

namespace qor {

class Connection;
class Query;

// An order as it is entered for a roster row: which order, its number, its day.
struct OrderEntry
{
    QVariant order;
    QString number;
    QDate date;
};

// Moving a student from the group of one roster row to another group: the
// row gets its expulsion, and a new row enrols the student in the target
// group. "Still enrolled" is a roster row without an expulsion date.
struct Transfer
{
    QVariant targetGroup;
    OrderEntry expulsion;
    OrderEntry enrolment;

    // Whether a student can be transferred from the row as read: there is
    // one, and it has no expulsion. Empty when it can; else the reason.
    static QString refusalOfRow(const Query &rows, int row);

    // What stands in the way, found in the request and the row as read:
    // nothing chosen where something must be, a row already expelled, an
    // expulsion before the row's enrolment, an enrolment in the new group
    // before the expulsion. Empty when nothing does.
    QString refusal(const Query &rows, int row) const;

    // Refuses (qor::Error) a target group in which the student is enrolled
    // and not expelled, the row's own group among them, as stored now.
    void refuseWhenEnrolledInTarget(Connection *connection, const QVariant &student) const;

    // In one transaction: the row's expulsion, written only while the row
    // still holds everything it held when read, and the new roster row.
    // Each refusal above is checked again inside it, so that nothing is
    // written when one applies. Returns the new row's key. Throws qor::Error.
    QVariant writeFrom(Connection *connection, Query &rows, int row) const;
};

// Whether a group's term has ended by a student's enrolment in it: its end
// is before the enrolment day or before today. No end: it has not.
bool termEndedBy(const QVariant &termEnd, const QDate &enrolment, const QDate &today);

} // namespace qor

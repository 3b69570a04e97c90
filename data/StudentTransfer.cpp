#include "data/StudentTransfer.h"

#include "data/Connection.h"
#include "data/Query.h"
#include "data/RowValues.h"
#include "data/StudentStatements.h"
#include "engine/Engine.h"
#include "engine/Error.h"

namespace qor {

namespace {

const QString MovementTable = QStringLiteral("movement_slushatel");

// The row's day of enrolment; invalid when it has none.
QDate enrolmentDay(const Query &rows, int row)
{
    return valueOf(rows, row, "come_date").toDateTime().date();
}

} // namespace

QString Transfer::refusalOfRow(const Query &rows, int row)
{
    if (row < 0 || row >= rows.rowCount())
        return QStringLiteral("Выберите строку слушателя, которого нужно перевести.");
    if (const QVariant left = valueOf(rows, row, "leave_date"); isSet(left))
        return QStringLiteral(
                   "Слушатель отчислен из этой группы %1. Перевести в другую группу можно только из строки "
                   "без даты отчисления.")
            .arg(dayText(left.toDateTime().date()));
    return {};
}

QString Transfer::refusal(const Query &rows, int row) const
{
    if (const QString reason = refusalOfRow(rows, row); !reason.isEmpty())
        return reason;
    if (!isSet(targetGroup))
        return QStringLiteral("Выберите группу, в которую переводится слушатель.");
    if (!isSet(expulsion.order))
        return QStringLiteral("Выберите приказ на отчисление из группы.");
    if (!isSet(enrolment.order))
        return QStringLiteral("Выберите приказ на зачисление в новую группу.");
    if (!expulsion.date.isValid() || !enrolment.date.isValid())
        return QStringLiteral("Укажите даты приказов на отчисление и на зачисление.");
    if (const QDate come = enrolmentDay(rows, row); come.isValid() && expulsion.date < come)
        return QStringLiteral(
                   "Дата отчисления %1 раньше даты зачисления слушателя в эту группу (%2). "
                   "Укажите дату отчисления не раньше %2.")
            .arg(dayText(expulsion.date), dayText(come));
    // Enrolled in the new group before leaving the old one, the student
    // would be in two groups at once, and the card would read backwards.
    if (enrolment.date < expulsion.date)
        return QStringLiteral(
                   "Дата зачисления в новую группу %1 раньше даты отчисления %2: слушатель числился бы в двух "
                   "группах сразу. Укажите дату зачисления не раньше %2.")
            .arg(dayText(enrolment.date), dayText(expulsion.date));
    return {};
}

void Transfer::refuseWhenEnrolledInTarget(Connection *connection, const QVariant &student) const
{
    const RowSet enrolled = connection->engine().select(statements::enrolledRowsInGroup(student, targetGroup));
    if (enrolled.rowCount() > 0)
        throw Error(QStringLiteral("Слушатель уже зачислен в группу «%1» и не отчислен из неё. Выберите другую группу.")
                        .arg(enrolled.text(0, 1)));
}

QVariant Transfer::writeFrom(Connection *connection, Query &rows, int row) const
{
    if (const QString reason = refusal(rows, row); !reason.isEmpty())
        throw Error(reason);
    const QVariant student = valueOf(rows, row, "id_student");
    QVariant added;
    connection->inTransaction([&](Engine &db) {
        // Read inside the transaction: another client may have enrolled the student meanwhile.
        refuseWhenEnrolledInTarget(connection, student);
        rows.updateRowsAsRead(
            {row},
            {QStringLiteral("id_prikaz_leave_slushatel"), QStringLiteral("leave_reg"), QStringLiteral("leave_date")},
            {expulsion.order, expulsion.number, QDateTime(expulsion.date, QTime(0, 0))});
        RowWrite write;
        write.table = MovementTable;
        write.keyColumn = db.primaryKey(MovementTable);
        write.columns = {QStringLiteral("id_student"), QStringLiteral("id_group_slushatel"),
                         QStringLiteral("id_prikaz_come_slushatel"), QStringLiteral("come_reg"),
                         QStringLiteral("come_date")};
        write.values = {student, targetGroup, enrolment.order, enrolment.number,
                        QDateTime(enrolment.date, QTime(0, 0))};
        added = db.insertRow(write);
    });
    return added;
}

bool termEndedBy(const QVariant &termEnd, const QDate &enrolment, const QDate &today)
{
    if (!isSet(termEnd))
        return false;
    const QDate end = termEnd.toDateTime().date();
    return end.isValid() && (end < today || end < enrolment);
}

} // namespace qor

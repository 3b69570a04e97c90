#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QVariant>

namespace qor {
enum class OrderKind;
struct OrderUse;
} // namespace qor

namespace qor::statements {

// The statements of the commands for one order over many students: expel
// the selected rows, enrol a list, the list of students under an order.
// Keys enter as their decimal digits, texts quoted, days as 'YYYYMMDD'.

// One line per order, number and day of the kind used on roster rows, the
// latest day first (rows without a day last): id_order, prikaz, reg,
// order_date, students (the roster rows that hold it).
QString ordersUsed(OrderKind kind);

// The roster rows under the order, its number and its day, across every
// group, by name: nn (1, 2, 3…), s_fio, faculty, name_full, id_movement,
// id_student, id_group_slushatel.
QString studentsUnderOrder(const OrderUse &use);

// The days other than day on which roster rows of either list hold an order
// whose text is orderText with the number: order_date, latest first.
QString otherDaysOfOrderNumber(const QString &orderText, const QString &number, const QDate &day);

// Which of the students have a roster row in the group: s_fio, by name.
QString studentsInGroup(const QVariant &group, const QList<QVariant> &students);

} // namespace qor::statements

#include "data/OrderStatements.h"

#include "data/BulkOrders.h"
#include "data/Statements.h"
#include "data/TDM.h"

namespace qor::statements {

namespace {

// The columns of a roster row that hold an order of the kind: the order's
// key, its number and its day, and the list and text column of the order.
struct OrderColumns
{
    const char *order;
    const char *number;
    const char *day;
    const char *list;
    const char *text;
};

OrderColumns columnsOf(OrderKind kind)
{
    if (kind == OrderKind::Enrolment)
        return {"id_prikaz_come_slushatel", "come_reg", "come_date", "prikaz_come_slushatel", "prikaz_come"};
    return {"id_prikaz_leave_slushatel", "leave_reg", "leave_date", "prikaz_leave_slushatel", "prikaz_leave"};
}

QString keyList(const QList<QVariant> &keys)
{
    QString list;
    for (const QVariant &key : keys) {
        if (!list.isEmpty())
            list += u',';
        list += TDM::keyText(key);
    }
    return list.isEmpty() ? QStringLiteral("NULL") : list;
}

// Whether the row's number is the number: an empty one matches a row without
// one too, as both show empty.
QString numberIs(const QString &column, const QString &number)
{
    if (number.isEmpty())
        return QStringLiteral("(%1 IS NULL OR %1 = '')").arg(column);
    return QStringLiteral("%1 = %2").arg(column, quotedLiteral(number));
}

// Whether the row's day is the day (whatever its time), or it has none when the day is none.
QString dayIs(const QString &column, const QDate &day)
{
    if (!day.isValid())
        return QStringLiteral("%1 IS NULL").arg(column);
    return QStringLiteral("%1 >= %2 AND %1 < %3").arg(column, dayLiteral(day), dayLiteral(day.addDays(1)));
}

QString otherDaysOn(OrderKind kind, const QString &orderText, const QString &number, const QDate &day)
{
    // The orders of the text first, then their rows through the index of
    // (order, number, day): joined, the engine would rather read every row.
    const OrderColumns c = columnsOf(kind);
    return QStringLiteral(
               "SELECT m.%1 AS order_date FROM movement_slushatel m "
               "WHERE m.%3 IN (SELECT p.%3 FROM %2 p WHERE p.%4 = %5) "
               "AND m.%6 = %7 AND m.%1 IS NOT NULL AND (m.%1 < %8 OR m.%1 >= %9)")
        .arg(QLatin1String(c.day), QLatin1String(c.list), QLatin1String(c.order), QLatin1String(c.text),
             quotedLiteral(orderText), QLatin1String(c.number), quotedLiteral(number), dayLiteral(day),
             dayLiteral(day.addDays(1)));
}

} // namespace

QString ordersUsed(OrderKind kind)
{
    // The rows are counted in one pass over the index of (order, number,
    // day), in its order, before the few orders found are joined to their
    // texts: grouped by the text too, every roster row would be sorted.
    const OrderColumns c = columnsOf(kind);
    return QStringLiteral(
               "SELECT u.id_order, p.%2 AS prikaz, u.reg, u.order_date, u.students "
               "FROM (SELECT m.%1 AS id_order, m.%3 AS reg, m.%4 AS order_date, COUNT(*) AS students "
               "FROM movement_slushatel m WHERE m.%1 IS NOT NULL GROUP BY m.%1, m.%3, m.%4) u "
               "INNER JOIN %5 p ON p.%1 = u.id_order "
               "ORDER BY CASE WHEN u.order_date IS NULL THEN 1 ELSE 0 END, u.order_date DESC, p.%2, u.reg, u.id_order")
        .arg(QLatin1String(c.order), QLatin1String(c.text), QLatin1String(c.number), QLatin1String(c.day),
             QLatin1String(c.list));
}

QString studentsUnderOrder(const OrderUse &use)
{
    const OrderColumns c = columnsOf(use.kind);
    return QStringLiteral(
               "SELECT ROW_NUMBER() OVER(ORDER BY s.s_fio, m.id_movement) AS nn, s.s_fio, f.[p23-1] AS faculty, "
               "g.name_full, m.id_movement, m.id_student, m.id_group_slushatel "
               "FROM movement_slushatel m INNER JOIN s_fio s ON s.id_student = m.id_student "
               "LEFT JOIN group_slushatel g ON g.id_group_slushatel = m.id_group_slushatel "
               "LEFT JOIN faculty f ON f.id_faculty = g.id_faculty "
               "WHERE m.%1 = %2 AND %3 AND %4 ORDER BY s.s_fio, m.id_movement")
        .arg(QLatin1String(c.order), TDM::keyText(use.order), numberIs(QStringLiteral("m.") + QLatin1String(c.number), use.number),
             dayIs(QStringLiteral("m.") + QLatin1String(c.day), use.date));
}

QString otherDaysOfOrderNumber(const QString &orderText, const QString &number, const QDate &day)
{
    return otherDaysOn(OrderKind::Enrolment, orderText, number, day) + QStringLiteral(" UNION ")
           + otherDaysOn(OrderKind::Expulsion, orderText, number, day) + QStringLiteral(" ORDER BY order_date DESC");
}

QString studentsInGroup(const QVariant &group, const QList<QVariant> &students)
{
    return QStringLiteral(
               "SELECT s.s_fio FROM movement_slushatel m INNER JOIN s_fio s ON s.id_student = m.id_student "
               "WHERE m.id_group_slushatel = %1 AND m.id_student IN (%2) ORDER BY s.s_fio")
        .arg(TDM::keyText(group), keyList(students));
}

} // namespace qor::statements

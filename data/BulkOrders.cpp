#include "data/BulkOrders.h"

#include "data/Connection.h"
#include "data/OrderStatements.h"
#include "data/Query.h"
#include "data/RowValues.h"
#include "engine/Engine.h"
#include "engine/Error.h"

namespace qor {

namespace {

const QString MovementTable = QStringLiteral("movement_slushatel");
// Names listed in a refusal before the rest are only counted.
constexpr int NamesListed = 10;
// As long as the texts the order lists keep.
constexpr int OrderTextLength = 50;

// The names, one a line, the first few of them and how many more.
QString namesListed(const QStringList &names)
{
    QString text = names.mid(0, NamesListed).join(u'\r');
    if (names.size() > NamesListed)
        text += QStringLiteral("\rи ещё %1").arg(names.size() - NamesListed);
    return text;
}

} // namespace

OrderUse OrderUse::fromRow(OrderKind kind, const Query &orders, int row)
{
    OrderUse use;
    use.kind = kind;
    use.order = valueOf(orders, row, "id_order");
    use.text = valueOf(orders, row, "prikaz").toString();
    use.number = valueOf(orders, row, "reg").toString();
    use.date = valueOf(orders, row, "order_date").toDateTime().date();
    use.rows = valueOf(orders, row, "students").toInt();
    return use;
}

QString OrderUse::heading() const
{
    QString heading = QStringLiteral("Приказ");
    if (!number.isEmpty())
        heading += QStringLiteral(" № ") + number;
    if (date.isValid())
        heading += QStringLiteral(" от ") + dayText(date);
    return heading + QStringLiteral(" «%1»").arg(text);
}

QVariant appendOrderText(Query &orders, OrderKind kind, const QString &text)
{
    const bool enrolment = kind == OrderKind::Enrolment;
    const QString textField = enrolment ? QStringLiteral("prikaz_come") : QStringLiteral("prikaz_leave");
    const QString keyField = enrolment ? QStringLiteral("id_prikaz_come_slushatel") : QStringLiteral("id_prikaz_leave_slushatel");
    const QString trimmed = text.simplified();
    if (trimmed.isEmpty())
        throw Error(QStringLiteral("Введите текст приказа."));
    if (trimmed.size() > OrderTextLength)
        throw Error(QStringLiteral("Текст приказа длиннее %1 знаков: сократите его.").arg(OrderTextLength));
    const int textColumn = orders.findField(textField);
    for (int row = 0; row < orders.rowCount(); ++row) {
        if (orders.valueAt(row, textColumn).toString().compare(trimmed, Qt::CaseInsensitive) == 0)
            return orders.valueAt(row, orders.findField(keyField));
    }
    orders.leaveRow();
    orders.append();
    try {
        orders.setValue(textColumn, trimmed);
        orders.post();
    } catch (...) {
        orders.cancel();
        throw;
    }
    return orders.value(keyField);
}

QStringList questionsBeforeOrder(Connection *connection, const QString &orderText, const OrderEntry &entry)
{
    if (entry.number.trimmed().isEmpty())
        return {QStringLiteral("Номер приказа не указан. Всё равно продолжить?")};
    const RowSet days = connection->engine().select(
        statements::otherDaysOfOrderNumber(orderText, entry.number, entry.date));
    if (days.rowCount() == 0)
        return {};
    QStringList listed;
    for (int row = 0; row < days.rowCount(); ++row) {
        const QString day = dayText(days.value(row, 0).toDateTime().date());
        if (!listed.contains(day))
            listed.append(day);
    }
    return {QStringLiteral("Приказ № %1 уже есть от %2. Всё равно продолжить?").arg(entry.number, listed.join(QStringLiteral(", ")))};
}

QList<int> BulkExpulsion::alreadyExpelled(const Query &roster, const QList<int> &chosen)
{
    QList<int> rows;
    for (int row : chosen) {
        if (isSet(valueOf(roster, row, "leave_date")))
            rows.append(row);
    }
    return rows;
}

QList<int> BulkExpulsion::toBeExpelled(const Query &roster, const QList<int> &chosen)
{
    QList<int> rows;
    for (int row : chosen) {
        if (!isSet(valueOf(roster, row, "leave_date")))
            rows.append(row);
    }
    return rows;
}

QString BulkExpulsion::refusal(const Query &roster, const QList<int> &rows) const
{
    if (rows.isEmpty())
        return QStringLiteral("Среди выбранных строк нет слушателей без отчисления: отчислять некого.");
    if (!isSet(expulsion.order))
        return QStringLiteral("Выберите приказ на отчисление.");
    if (!expulsion.date.isValid())
        return QStringLiteral("Укажите дату приказа на отчисление.");
    QStringList later;
    for (int row : rows) {
        const QDate come = valueOf(roster, row, "come_date").toDateTime().date();
        if (come.isValid() && expulsion.date < come)
            later.append(QStringLiteral("%1 (зачислен %2)").arg(valueOf(roster, row, "FIO").toString(), dayText(come)));
    }
    if (later.isEmpty())
        return {};
    return QStringLiteral(
               "Дата отчисления %1 раньше даты зачисления:\r%2\rНичего не записано. Укажите дату не раньше дат "
               "зачисления или не выбирайте эти строки.")
        .arg(dayText(expulsion.date), namesListed(later));
}

void BulkExpulsion::writeTo(Connection *connection, Query &roster, const QList<int> &rows,
                            const std::function<bool(double share)> &goOn) const
{
    if (const QString reason = refusal(roster, rows); !reason.isEmpty())
        throw Error(reason);
    const auto written = [&](int count) {
        if (goOn && !goOn(double(count) / double(rows.size())))
            throw ExpulsionCancelled();
    };
    connection->inTransaction([&](Engine &) {
        roster.updateRowsAsRead(
            rows, {QStringLiteral("id_prikaz_leave_slushatel"), QStringLiteral("leave_reg"), QStringLiteral("leave_date")},
            {expulsion.order, expulsion.number, QDateTime(expulsion.date, QTime(0, 0))}, written);
    });
}

QString BulkEnrolment::refusal() const
{
    if (!isSet(group))
        return QStringLiteral("Выберите группу, в которую зачисляются слушатели.");
    if (students.isEmpty())
        return QStringLiteral("Отметьте слушателей, которых нужно зачислить.");
    if (!isSet(enrolment.order))
        return QStringLiteral("Выберите приказ на зачисление.");
    if (!enrolment.date.isValid())
        return QStringLiteral("Укажите дату приказа на зачисление.");
    return {};
}

void BulkEnrolment::writeTo(Connection *connection) const
{
    if (const QString reason = refusal(); !reason.isEmpty())
        throw Error(reason);
    connection->inTransaction([&](Engine &db) {
        // Read inside the transaction: another client may have placed one of them meanwhile.
        const RowSet placed = db.select(statements::studentsInGroup(group, students));
        if (placed.rowCount() > 0) {
            QStringList names;
            for (int row = 0; row < placed.rowCount(); ++row)
                names.append(placed.text(row, 0));
            throw Error(QStringLiteral("Уже в этой группе:\r%1\rНичего не записано. Откройте список заново.")
                            .arg(namesListed(names)));
        }
        RowWrite write;
        write.table = MovementTable;
        write.keyColumn = db.primaryKey(MovementTable);
        write.columns = {QStringLiteral("id_student"), QStringLiteral("id_group_slushatel"),
                         QStringLiteral("id_prikaz_come_slushatel"), QStringLiteral("come_reg"),
                         QStringLiteral("come_date")};
        for (const QVariant &student : students) {
            write.values = {student, group, enrolment.order, enrolment.number, QDateTime(enrolment.date, QTime(0, 0))};
            db.insertRow(write);
        }
    });
}

} // namespace qor

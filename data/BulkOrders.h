#pragma once

#include "data/StudentTransfer.h"
#include "engine/Error.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>

namespace qor {

class Connection;
class Query;

// Which of the two order lists an order is from.
enum class OrderKind { Enrolment, Expulsion };

// An order as the office knows it, as roster rows hold it: a text of one of
// the two order lists, a number and a day; and how many rows hold it.
struct OrderUse
{
    OrderKind kind = OrderKind::Enrolment;
    QVariant order;
    QString text;
    QString number;
    QDate date;
    int rows = 0;

    // The line of the orders read by statements::ordersUsed.
    static OrderUse fromRow(OrderKind kind, const Query &orders, int row);
    // "Приказ № 14-к от 05.09.2026 «text»".
    QString heading() const;
};

// Adds an order text to its list (the query of the list, open), or finds it
// there when the list holds it already, without regard to letter case;
// returns its key. The text is kept without blanks at its ends. Throws
// qor::Error for an empty text or one longer than the list keeps.
QVariant appendOrderText(Query &orders, OrderKind kind, const QString &text);

// The questions to put before an order is written for many rows, in the
// order they are asked; the user's "no" to any of them writes nothing: an
// empty number, and a number that roster rows of either list already hold
// under an order of the same text on another day (a typo would split the
// order in two without a word). Throws qor::Error when they cannot be read.
QStringList questionsBeforeOrder(Connection *connection, const QString &orderText, const OrderEntry &entry);

// An expulsion the user stopped: nothing was written.
class ExpulsionCancelled : public Error
{
public:
    ExpulsionCancelled() : Error(QStringLiteral("Отчисление отменено. В базу ничего не записано.")) {}
};

// One expulsion order for many roster rows of the roster as read. Only the
// rows without an expulsion date get it; the others are left alone.
struct BulkExpulsion
{
    OrderEntry expulsion;

    // Of the chosen rows, those already expelled, and those to be expelled.
    static QList<int> alreadyExpelled(const Query &roster, const QList<int> &chosen);
    static QList<int> toBeExpelled(const Query &roster, const QList<int> &chosen);

    // What stands in the way: no row to expel, no order or day, a row whose
    // enrolment is after the expulsion day (each such row named). Empty when
    // nothing does.
    QString refusal(const Query &roster, const QList<int> &rows) const;

    // In one transaction: every row gets the order, its number and its day,
    // each only while it still holds everything it held when read; another
    // client's change to any of them writes nothing and throws the conflict
    // error. Throws qor::Error; refusal() is checked first. goOn(share
    // written) is asked now and then; false stops it, writing nothing, with
    // an error that says so.
    void writeTo(Connection *connection, Query &roster, const QList<int> &rows,
                 const std::function<bool(double share)> &goOn = {}) const;
};

// One enrolment order for many students into one group: a roster row each.
struct BulkEnrolment
{
    QVariant group;
    OrderEntry enrolment;
    QList<QVariant> students;

    // No group, no student, no order or no day. Empty when nothing stands in the way.
    QString refusal() const;

    // In one transaction: one roster row per student. A student who has a
    // row in the group by then (another client's) writes nothing and is
    // named in the error. Throws qor::Error; refusal() is checked first.
    void writeTo(Connection *connection) const;
};

} // namespace qor

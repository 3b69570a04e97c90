#pragma once

#include "data/BulkOrders.h"

#include <QWidget>

class QLineEdit;
class QPushButton;

namespace qor {

class DataSource;
class DatePicker;
class LookupList;

// The order, its number and its day, as a command over many students asks
// for them: the order picked from its list, with a button that adds a new
// order text to that list (or picks the one it has); the number typed, as
// long as the roster keeps; the day picked, today at first.
class OrderFields : public QWidget
{
    Q_OBJECT

public:
    // orders: the order list of the kind, open, its rows written to its table.
    OrderFields(OrderKind kind, DataSource *orders, QWidget *parent = nullptr);

    LookupList *orderList() const { return m_order; }
    QPushButton *newOrderButton() const { return m_newOrder; }
    QLineEdit *numberField() const { return m_number; }
    DatePicker *dateField() const { return m_date; }

    OrderEntry entry() const;
    // The chosen order's text; empty when none is chosen.
    QString orderText() const;

    // Asks for the text of a new order, adds it to the list and picks it.
    void SpeedButton1Click();

private:
    OrderKind m_kind;
    DataSource *m_orders;
    LookupList *m_order = nullptr;
    QPushButton *m_newOrder = nullptr;
    QLineEdit *m_number = nullptr;
    DatePicker *m_date = nullptr;
};

} // namespace qor

#pragma once

#include "controls/SecondaryWindow.h"
#include "data/BulkOrders.h"
#include "reports/ReportTable.h"

class QLabel;
class QPushButton;
class QRadioButton;

namespace qor {

class DataGrid;
class DataSource;
class Query;

// "Список по приказу": the orders of one list used on roster rows (text,
// number, day, how many rows hold each), the latest first, and every student
// under the current one across all groups, headed "Приказ № … от … «…»".
// The list prints and saves as the roster does. Escape closes it: it holds
// nothing typed.
class TForm19 : public SecondaryWindow
{
    Q_OBJECT

public:
    explicit TForm19(QWidget *parent = nullptr);
    ~TForm19() override;

    QRadioButton *enrolmentChoice() const { return m_enrolment; }
    QRadioButton *expulsionChoice() const { return m_expulsion; }
    DataGrid *orderGrid() const { return m_orderGrid; }
    DataGrid *studentGrid() const { return m_studentGrid; }
    QLabel *headingLabel() const { return m_heading; }
    // The students under the current order, as they are printed and saved.
    ReportTable orderReport() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void readOrders();
    void readStudents();
    OrderKind kind() const;
    void BitBtn1Click();
    void BitBtn2Click();

    QRadioButton *m_enrolment = nullptr;
    QRadioButton *m_expulsion = nullptr;
    Query *m_orders = nullptr;
    DataSource *m_orderSource = nullptr;
    DataGrid *m_orderGrid = nullptr;
    QLabel *m_heading = nullptr;
    Query *m_students = nullptr;
    DataSource *m_studentSource = nullptr;
    DataGrid *m_studentGrid = nullptr;
    OrderUse m_shown;
    bool m_readingOrders = false; // the orders' first row is read once they are in
    QPushButton *m_print = nullptr;
    QPushButton *m_save = nullptr;
    QPushButton *m_close = nullptr;
};

extern TForm19 *Form19;

} // namespace qor

#pragma once

#include "controls/SecondaryWindow.h"
#include "reports/ReportTable.h"

#include <QVariant>

class QLabel;
class QPushButton;

namespace qor {

class DataGrid;
class DataSource;
class Query;

// "Карточка слушателя": the student's name and every roster row of the
// student across faculties and groups, in the order of the enrolment
// dates, read afresh when it opens. It prints and saves as the roster does,
// and transfers the student from the current row's group when that row has
// no expulsion. Escape closes it: it holds nothing typed.
class TForm15 : public SecondaryWindow
{
    Q_OBJECT

public:
    explicit TForm15(const QVariant &student, QWidget *parent = nullptr);
    ~TForm15() override;

    DataGrid *movementGrid() const { return m_grid; }
    QString studentName() const { return m_name; }
    // The card as it is printed and saved.
    ReportTable cardReport() const;

signals:
    // The student was transferred from here; the card shows both rows.
    void studentTransferred();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void readCard();
    void showRow(const QVariant &movement);
    void enableTransfer();
    void BitBtn1Click();
    void BitBtn2Click();
    void BitBtn3Click();

    QVariant m_student;
    QString m_name;
    QLabel *m_nameLabel = nullptr;
    QLabel *m_notes = nullptr;
    DataGrid *m_grid = nullptr;
    Query *m_rows = nullptr;
    DataSource *m_source = nullptr;
    QPushButton *m_transfer = nullptr;
    QPushButton *m_print = nullptr;
    QPushButton *m_save = nullptr;
    QPushButton *m_close = nullptr;
};

extern TForm15 *Form15;

} // namespace qor

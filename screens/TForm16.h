#pragma once

#include "controls/SecondaryWindow.h"
#include "data/StudentTransfer.h"

#include <QVariant>

class QLabel;
class QLineEdit;
class QPushButton;

namespace qor {

class DataSource;
class DatePicker;
class LookupList;
class Query;

// "Перевод в другую группу": moves the student of a roster row without an
// expulsion to another group. The user picks the target faculty and group,
// the expulsion order, number and day for the row and the enrolment order,
// number and day for the new row; the enrolment's number and day follow the
// expulsion's until they are changed themselves, as one transfer order
// usually serves both. "Перевести" writes both rows in one transaction, or
// nothing with the reason shown; a group whose term has ended is asked about.
class TForm16 : public SecondaryWindow
{
    Q_OBJECT

public:
    // rows and row: the roster row as it was read; it is written only while
    // it still holds that.
    TForm16(Query *rows, int row, const QString &studentName, QWidget *parent = nullptr);
    ~TForm16() override;

    LookupList *facultyList() const { return m_facultyList; }
    LookupList *groupList() const { return m_groupList; }
    LookupList *expulsionOrderList() const { return m_leaveOrder; }
    QLineEdit *expulsionNumber() const { return m_leaveNumber; }
    DatePicker *expulsionDate() const { return m_leaveDate; }
    LookupList *enrolmentOrderList() const { return m_comeOrder; }
    QLineEdit *enrolmentNumber() const { return m_comeNumber; }
    DatePicker *enrolmentDate() const { return m_comeDate; }

    void DBLookupComboBox1Click();
    void Button1Click();

signals:
    // The student was transferred; movement is the new roster row's key.
    void transferred(const QVariant &movement);

private:
    void showFromWhere();
    Transfer transfer() const;
    bool groupTermAccepted(const Transfer &transfer);

    Query *m_rows;
    int m_row;
    QLabel *m_fromWhere = nullptr;
    Query *m_faculties = nullptr;
    Query *m_groups = nullptr;
    LookupList *m_facultyList = nullptr;
    LookupList *m_groupList = nullptr;
    LookupList *m_leaveOrder = nullptr;
    QLineEdit *m_leaveNumber = nullptr;
    DatePicker *m_leaveDate = nullptr;
    LookupList *m_comeOrder = nullptr;
    QLineEdit *m_comeNumber = nullptr;
    DatePicker *m_comeDate = nullptr;
    QPushButton *m_transfer = nullptr;
    QPushButton *m_cancel = nullptr;
    bool m_comeNumberOwn = false; // typed by the user: it no longer follows
    bool m_comeDateOwn = false;
    bool m_following = false; // the enrolment day is being set to follow
};

extern TForm16 *Form16;

} // namespace qor

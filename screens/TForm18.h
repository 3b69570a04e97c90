#pragma once

#include "controls/SecondaryWindow.h"

#include <QVariant>

class QPushButton;

namespace qor {

class CheckList;
class OrderFields;
class Query;

// "Зачисление списком": one enrolment order, its number and its day for
// many students at once, into the group chosen in the main window. The
// students not yet in the group are listed to be checked, the list narrowed
// by what is typed above it; "Зачислить" writes a roster row for each
// checked student in one transaction, or nothing with the reason shown.
class TForm18 : public SecondaryWindow
{
    Q_OBJECT

public:
    explicit TForm18(const QVariant &group, QWidget *parent = nullptr);
    ~TForm18() override;

    CheckList *studentList() const { return m_students; }
    OrderFields *orderFields() const { return m_order; }

    void Button1Click();

signals:
    // The students were enrolled.
    void enrolled(int students);

private:
    QVariant m_group;
    Query *m_candidates = nullptr;
    CheckList *m_students = nullptr;
    OrderFields *m_order = nullptr;
    QPushButton *m_enrol = nullptr;
    QPushButton *m_cancel = nullptr;
};

extern TForm18 *Form18;

} // namespace qor

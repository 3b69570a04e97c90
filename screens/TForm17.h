#pragma once

#include "controls/SecondaryWindow.h"

#include <QList>

class QLabel;
class QListWidget;
class QPushButton;

namespace qor {

class OrderFields;
class Query;

// "Отчисление выбранных слушателей": one expulsion order, its number and
// its day for the roster rows selected in the main window. It lists whom it
// expels and, apart, the rows it leaves alone because they have an
// expulsion already; "Отчислить" writes every row in one transaction, or
// nothing with the reason shown.
class TForm17 : public SecondaryWindow
{
    Q_OBJECT

public:
    // roster and chosen: the rows as they were read; each is written only
    // while it still holds that.
    TForm17(Query *roster, const QList<int> &chosen, QWidget *parent = nullptr);
    ~TForm17() override;

    OrderFields *orderFields() const { return m_order; }
    QListWidget *expelledList() const { return m_toExpel; }
    QListWidget *leftAloneList() const { return m_leftAlone; }

    void Button1Click();

signals:
    // The rows were expelled.
    void expelled(int rows);
    // Another client changed rows since they were read: the roster is to be read again.
    void rowsChangedElsewhere();

private:
    void listRows();

    Query *m_roster;
    QList<int> m_rows;      // to be expelled
    QList<int> m_expelledAlready; // expelled already
    QLabel *m_toExpelTitle = nullptr;
    QListWidget *m_toExpel = nullptr;
    QLabel *m_leftAloneTitle = nullptr;
    QListWidget *m_leftAlone = nullptr;
    OrderFields *m_order = nullptr;
    QPushButton *m_expel = nullptr;
    QPushButton *m_cancel = nullptr;
};

extern TForm17 *Form17;

} // namespace qor

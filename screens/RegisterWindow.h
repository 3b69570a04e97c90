#pragma once

#include "controls/GridColumn.h"

#include <QList>
#include <QString>
#include <QStringList>

class QLabel;
class QLineEdit;
class QWidget;

namespace qor {

class DataGrid;
class DataSource;
class Navigator;
class Query;

// What the register windows share: a search field above a grid of the
// register's rows, which shows only the rows that match what is typed, as
// it is typed; the count of the rows shown beside it; a navigator that
// inserts, deletes and writes rows. Down or Enter in the search field goes
// on to the grid.
struct RegisterControls
{
    QLineEdit *search;
    QLabel *count;
    DataGrid *grid;
    Navigator *navigator;
};
void setUpRegister(const RegisterControls &controls, DataSource *rows, const QList<GridColumn> &columns,
                   const QStringList &searchedFields);

// Reads the register's rows afresh. They can be changed only where the
// login may insert, change and delete rows of the table; otherwise the
// window's title is followed by readOnlyNote. Returns whether they can.
bool openRegister(QWidget *window, Query *rows, const QString &statement, const QString &table,
                  const QString &readOnlyNote);

} // namespace qor

#pragma once

#include "reports/ReportTable.h"

#include <QString>
#include <QVariant>

#include <memory>

namespace qor {
class LookupList;
class TDM;
}

// The client's own windows on a database, offscreen: the main window with
// its roster grid, and the add-to-group dialog with its student list.
class ClientScreens
{
public:
    explicit ClientScreens(const QString &connectionString);
    ~ClientScreens();

    // A group picked in the main window, until its roster is painted.
    void pickGroup(const QVariant &group);
    // The add-to-group dialog opened for the group last picked, until painted.
    void openAddDialog();
    void closeAddDialog();
    // The dialog's student list opened, until painted.
    void openStudentList();
    void closeStudentList();
    // One key typed into the dialog's closed student list.
    void typeIntoStudentList(const QString &character);
    int candidateCount() const;
    // "Движение контингента" for all faculties over its first period, opened
    // as the menu opens it, until its table is painted; then closed.
    void openContingentReport();
    void closeContingentReport();
    int contingentLines() const;
    // The roster on screen as the main window prints and saves it.
    qor::ReportTable rosterReport() const;

private:
    qor::LookupList *studentList() const;
    std::unique_ptr<qor::TDM> m_dm;
};

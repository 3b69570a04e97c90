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
// its roster grid, and the add-to-group dialog with its student list. Each
// step lasts until the event loop is idle (see EventLoopIdle.h).
class ClientScreens
{
public:
    explicit ClientScreens(const QString &connectionString);
    ~ClientScreens();

    // A group picked in the main window.
    void pickGroup(const QVariant &group);
    // How often the last pick painted the roster grid's rows, and their number.
    int rosterPaintsOfLastPick() const;
    int rosterRows() const;
    // The add-to-group dialog opened for the group last picked, as its
    // button opens it, with a key typed into its student list at once; true
    // when the key chose a student.
    bool openAddDialogAndType(const QString &character);
    void closeAddDialog();
    // The dialog's student list dropped down.
    void openStudentList();
    void closeStudentList();
    // One key typed into the dialog's closed student list.
    void typeIntoStudentList(const QString &character);
    int candidateCount() const;
    // "Движение контингента" for all faculties over its first period, opened
    // as the menu opens it; then closed.
    void openContingentReport();
    void closeContingentReport();
    int contingentLines() const;
    // The roster on screen as the main window prints and saves it.
    qor::ReportTable rosterReport() const;

private:
    qor::LookupList *studentList() const;
    std::unique_ptr<qor::TDM> m_dm;
    std::unique_ptr<QObject> m_rosterPaints; // counts the roster grid's paints
};

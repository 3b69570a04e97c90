#include "ClientScreens.h"

#include "controls/DataGrid.h"
#include "controls/LookupList.h"
#include "data/TDM.h"
#include "screens/TForm1.h"
#include "screens/TForm6.h"
#include "screens/TForm9.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QKeyEvent>
#include <QTableView>

using namespace qor;

ClientScreens::ClientScreens(const QString &connectionString) : m_dm(std::make_unique<TDM>())
{
    DM = m_dm.get();
    DM->ADOCon->setConnectionString(connectionString);
    Form1 = new TForm1;
    Form1->loadLists();
    Form1->show();
    QApplication::processEvents();
}

ClientScreens::~ClientScreens()
{
    closeAddDialog();
    closeContingentReport();
    delete Form1;
    Form1 = nullptr;
    DM = nullptr;
}

void ClientScreens::pickGroup(const QVariant &group)
{
    Form1->groupList()->setKeyValue(group);
    Form1->DBLookupComboBox2Click();
    Form1->rosterGrid()->viewport()->repaint();
}

void ClientScreens::openAddDialog()
{
    Form6 = Form1->newAddDialog();
    Form6->show();
    Form6->repaint();
}

void ClientScreens::closeAddDialog()
{
    delete Form6;
    Form6 = nullptr;
}

LookupList *ClientScreens::studentList() const
{
    return Form6 ? Form6->findChild<LookupList *>(QStringLiteral("DBLookupComboBox1")) : nullptr;
}

void ClientScreens::openStudentList()
{
    studentList()->showPopup();
    studentList()->view()->viewport()->repaint();
}

void ClientScreens::closeStudentList()
{
    studentList()->hidePopup();
}

void ClientScreens::typeIntoStudentList(const QString &character)
{
    QKeyEvent key(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, character);
    QApplication::sendEvent(studentList(), &key);
}

int ClientScreens::candidateCount() const
{
    return studentList() ? studentList()->count() : 0;
}

void ClientScreens::openContingentReport()
{
    Form9 = new TForm9;
    Form9->show();
    Form9->reportView()->viewport()->repaint();
}

void ClientScreens::closeContingentReport()
{
    delete Form9;
    Form9 = nullptr;
}

int ClientScreens::contingentLines() const
{
    return Form9 ? int(Form9->report().table.rows.size()) : 0;
}

ReportTable ClientScreens::rosterReport() const
{
    return Form1->rosterReport();
}

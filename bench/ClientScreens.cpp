#include "ClientScreens.h"

#include "controls/DataGrid.h"
#include "controls/LookupList.h"
#include "data/TDM.h"
#include "screens/TForm1.h"
#include "screens/TForm6.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QKeyEvent>

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

ReportTable ClientScreens::rosterReport() const
{
    return Form1->rosterReport();
}

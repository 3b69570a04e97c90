#include "ClientScreens.h"

#include "EventLoopIdle.h"

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

namespace {

class PaintCounter : public QObject
{
public:
    int paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

} // namespace

ClientScreens::ClientScreens(const QString &connectionString) : m_dm(std::make_unique<TDM>())
{
    DM = m_dm.get();
    DM->ADOCon->setConnectionString(connectionString);
    Form1 = new TForm1;
    Form1->loadLists();
    Form1->show();
    m_rosterPaints = std::make_unique<PaintCounter>();
    Form1->rosterGrid()->viewport()->installEventFilter(m_rosterPaints.get());
    waitUntilIdle();
}

ClientScreens::~ClientScreens()
{
    closeAddDialog();
    closeContingentReport();
    m_rosterPaints.reset();
    delete Form1;
    Form1 = nullptr;
    DM = nullptr;
}

void ClientScreens::pickGroup(const QVariant &group)
{
    static_cast<PaintCounter *>(m_rosterPaints.get())->paints = 0;
    Form1->groupList()->setKeyValue(group);
    Form1->DBLookupComboBox2Click();
    waitUntilIdle();
}

int ClientScreens::rosterPaintsOfLastPick() const
{
    return static_cast<PaintCounter *>(m_rosterPaints.get())->paints;
}

int ClientScreens::rosterRows() const
{
    return Form1->rosterGrid()->model()->rowCount();
}

bool ClientScreens::openAddDialogAndType(const QString &character)
{
    Form6 = Form1->newAddDialog();
    Form6->show();
    // The key comes while the dialog opens, through the event loop as a typed key does.
    QCoreApplication::postEvent(studentList(), new QKeyEvent(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, character));
    waitUntilIdle();
    return studentList()->currentIndex() >= 0;
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
    waitUntilIdle();
}

void ClientScreens::closeStudentList()
{
    studentList()->hidePopup();
}

void ClientScreens::typeIntoStudentList(const QString &character)
{
    QKeyEvent key(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, character);
    QApplication::sendEvent(studentList(), &key);
    waitUntilIdle();
}

int ClientScreens::candidateCount() const
{
    return studentList() ? studentList()->count() : 0;
}

void ClientScreens::openContingentReport()
{
    Form9 = new TForm9;
    Form9->show();
    waitUntilIdle();
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

// The main window on the demo data: list loading, the faculty and group
// picks, the add button, and a roster edit made in the grid.
#include "DemoFixture.h"

#include "controls/DataGrid.h"
#include "controls/LookupList.h"
#include "controls/MessageBoxes.h"
#include "data/TDM.h"
#include "screens/TForm1.h"

#include <QPushButton>
#include <QTest>

using namespace qor;

class TestMainWindow : public QObject
{
    Q_OBJECT

    DemoFixture *demo = nullptr;
    QStringList shownErrors;

    void pick(LookupList *list, int row)
    {
        list->setCurrentIndex(row);
        emit list->activated(row); // as when the user chooses the row
    }
    QStringList itemsOf(LookupList *list)
    {
        QStringList items;
        for (int i = 0; i < list->count(); ++i)
            items.append(list->itemText(i));
        return items;
    }
    QPushButton *addButton() { return Form1->findChild<QPushButton *>(QStringLiteral("BitBtn1")); }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }

    void init()
    {
        demo = new DemoFixture;
        DM = new TDM;
        DM->ADOCon->setConnectionString(demo->workingConnectionString(QStringLiteral("demo")));
        Form1 = new TForm1;
        Form1->loadLists();
        shownErrors.clear();
        boxInterceptor() = [this](const BoxRequest &box) {
            shownErrors.append(box.text);
            return QMessageBox::Ok;
        };
    }
    void cleanup()
    {
        boxInterceptor() = nullptr;
        delete Form1;
        Form1 = nullptr;
        delete DM;
        delete demo;
    }

    void listsFacultiesThatHaveGroups()
    {
        QCOMPARE(itemsOf(Form1->facultyList()), QStringList({"Подготовительное отделение", "Факультет повышения квалификации",
                                                             "Факультет профессиональной переподготовки"}));
        QCOMPARE(Form1->facultyList()->currentIndex(), -1);
        QVERIFY(!addButton()->isEnabled());
        QVERIFY(DM->ADOQ_Prikaz_come_slushatel->isOpen() && DM->ADOQ_prikaz_leave_slushatel->isOpen());
    }

    void picksRunTheirStatements()
    {
        pick(Form1->facultyList(), 1);
        QCOMPARE(DM->ADOQ_GroupSlushatel->sql(), QStringLiteral("SELECT * FROM [group_slushatel] Where id_faculty=1"));
        QCOMPARE(itemsOf(Form1->groupList()), QStringList({"Бухгалтерский учёт и налогообложение", "Охрана труда на предприятии"}));

        pick(Form1->groupList(), 0);
        QVERIFY(DM->ADOQ_movement_slushatel->sql().endsWith(QStringLiteral("WHERE id_group_slushatel=1 Order by s_fio.s_fio")));
        QCOMPARE(DM->ADOQ_Student->sql(), QStringLiteral("Select * FROM [QOR].[dbo].[s_fio]"));
        QVERIFY(addButton()->isEnabled());
        QAbstractItemModel *roster = Form1->rosterGrid()->model();
        QCOMPARE(roster->rowCount(), 7);
        for (int row = 0; row < 7; ++row)
            QCOMPARE(roster->index(row, 0).data().toString(), QString::number(row + 1));
        QCOMPARE(roster->index(0, 1).data().toString(), QStringLiteral("Алексеев Дмитрий Юрьевич"));
        QCOMPARE(roster->index(0, 4).data().toString(), QStringLiteral("01.09.2026"));

        // Another faculty empties the group list's text but keeps the roster and the add button.
        pick(Form1->facultyList(), 0);
        QCOMPARE(Form1->groupList()->currentText(), QString());
        QCOMPARE(roster->rowCount(), 7);
        QVERIFY(addButton()->isEnabled());
        QCOMPARE(Form1->groupList()->keyValue().toInt(), 1);

        // A group without students: an empty grid, the add button enabled.
        pick(Form1->groupList(), 1);
        QCOMPARE(roster->rowCount(), 0);
        QVERIFY(addButton()->isEnabled());
        QVERIFY(shownErrors.isEmpty());
    }

    void aPickWithoutAChoiceShowsTheServersError()
    {
        emit Form1->facultyList()->activated(-1);
        QCOMPARE(DM->ADOQ_GroupSlushatel->sql(), QStringLiteral("SELECT * FROM [group_slushatel] Where id_faculty="));
        QCOMPARE(shownErrors.size(), 1);
        QVERIFY(!DM->ADOQ_GroupSlushatel->isOpen());
    }

    void anEditInTheGridIsStoredWhenTheUserMovesOn()
    {
        pick(Form1->facultyList(), 1);
        pick(Form1->groupList(), 0);
        DataGrid *grid = Form1->rosterGrid();
        QAbstractItemModel *roster = grid->model();
        const int leaveNumber = 6;
        grid->setCurrentIndex(roster->index(1, leaveNumber));
        QVERIFY(roster->setData(roster->index(1, leaveNumber), QStringLiteral("42-о")));
        QCOMPARE(DM->ADOQ_movement_slushatel->state(), Query::State::Edit);
        grid->setCurrentIndex(roster->index(3, leaveNumber));
        QCOMPARE(DM->ADOQ_movement_slushatel->state(), Query::State::Browse);
        const RowSet stored = demo->owner()->select(QStringLiteral(
            "SELECT s.s_fio FROM movement_slushatel m JOIN s_fio s ON s.id_student = m.id_student WHERE m.leave_reg = '42-о'"));
        QCOMPARE(stored.rowCount(), 1);
        QCOMPARE(stored.text(0, 0), roster->index(1, 1).data().toString());

        // A row that cannot be written keeps the grid on it and shows why.
        QVERIFY(roster->setData(roster->index(3, leaveNumber), QString(21, u'9')));
        grid->setCurrentIndex(roster->index(0, leaveNumber));
        QTRY_COMPARE(grid->currentIndex().row(), 3);
        QCOMPARE(shownErrors, QStringList{QStringLiteral("String or binary data would be truncated.")});
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"

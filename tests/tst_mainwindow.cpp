// The main window on the demo data, driven by keys and the mouse: list
// loading, the faculty and group picks, the add button, roster edits written
// when the user moves on, and no typed change lost on a pick or on closing.
#include "MainWindowFixture.h"

#include "app/Application.h"
#include "controls/DataGrid.h"
#include "controls/LookupList.h"
#include "controls/MessageBoxes.h"
#include "data/TDM.h"
#include "screens/TForm1.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace qor;

class TestMainWindow : public QObject
{
    Q_OBJECT

    MainWindowFixture *mainWindow = nullptr;
    DemoFixture *demo = nullptr;

    // Chooses a row as a person does from the keyboard: Down moves the closed
    // list one row at a time (the first press to the first row).
    void pick(LookupList *list, int row)
    {
        list->setFocus();
        if (list->currentIndex() > row)
            list->setKeyValue({});
        for (int presses = row - list->currentIndex(); presses > 0; --presses)
            QTest::keyClick(list, Qt::Key_Down);
    }
    // Types into a roster cell and leaves the editor, the text in the row.
    void typeIntoCell(int row, int column, const QString &text)
    {
        DataGrid *grid = Form1->rosterGrid();
        grid->setFocus();
        grid->setCurrentIndex(grid->model()->index(row, column));
        type(text);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTRY_COMPARE(grid->model()->index(row, column).data().toString(), text);
    }
    const QString RowGone = QStringLiteral("Row cannot be located for updating. Some values may have been changed since it was last read.");
    void anotherClientDeletes(const QString &name)
    {
        demo->owner()->execute(QStringLiteral("DELETE FROM movement_slushatel WHERE id_group_slushatel = 1 AND id_student = "
                                              "(SELECT id_student FROM s_fio WHERE s_fio = '%1')").arg(name));
    }
    QString storedLeaveNumber(const QString &name)
    {
        return demo->owner()->select(QStringLiteral(
            "SELECT m.leave_reg, m.id_group_slushatel FROM movement_slushatel m JOIN s_fio s ON s.id_student = m.id_student "
            "WHERE s.s_fio = '%1' AND m.id_group_slushatel = 1").arg(name)).text(0, 0);
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
        mainWindow = new MainWindowFixture;
        demo = &mainWindow->demo;
        Form1->show();
        QVERIFY(QTest::qWaitForWindowActive(Form1));
    }
    void cleanup() { delete mainWindow; }

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
        QVERIFY(mainWindow->boxes.isEmpty());
    }

    void aPickWithoutAChoiceShowsTheServersError()
    {
        // Enter on the freshly opened list chooses no row: the key stays null.
        LookupList *faculties = Form1->facultyList();
        QTest::keyClick(faculties, Qt::Key_Down, Qt::AltModifier);
        QTRY_VERIFY(faculties->view()->isVisible());
        QTest::keyClick(faculties->view(), Qt::Key_Return);
        QCOMPARE(DM->ADOQ_GroupSlushatel->sql(), QStringLiteral("SELECT * FROM [group_slushatel] Where id_faculty="));
        QCOMPARE(mainWindow->boxes.size(), 1);
        QVERIFY(!DM->ADOQ_GroupSlushatel->isOpen());
    }

    void anEditInTheGridIsStoredWhenTheUserMovesOn()
    {
        pick(Form1->facultyList(), 1);
        pick(Form1->groupList(), 0);
        DataGrid *grid = Form1->rosterGrid();
        QAbstractItemModel *roster = grid->model();
        const int leaveNumber = 6;
        typeIntoCell(1, leaveNumber, QStringLiteral("42-о"));
        QCOMPARE(DM->ADOQ_movement_slushatel->state(), Query::State::Edit);
        QTest::keyClick(grid, Qt::Key_Down);
        QCOMPARE(DM->ADOQ_movement_slushatel->state(), Query::State::Browse);
        QCOMPARE(storedLeaveNumber(roster->index(1, 1).data().toString()), QStringLiteral("42-о"));

        // A row that cannot be written keeps the grid on it and shows why.
        typeIntoCell(2, leaveNumber, QStringLiteral("43-о"));
        anotherClientDeletes(roster->index(2, 1).data().toString());
        QTest::keyClick(grid, Qt::Key_Up);
        QCOMPARE(grid->currentIndex().row(), 2);
        QCOMPARE(mainWindow->boxes, QStringList{RowGone});
    }

    void aChangedRowIsWrittenBeforeAnotherGroupIsPicked()
    {
        pick(Form1->facultyList(), 1);
        pick(Form1->groupList(), 0);
        const QString name = Form1->rosterGrid()->model()->index(0, 1).data().toString();
        typeIntoCell(0, 6, QStringLiteral("77-о"));
        pick(Form1->groupList(), 1);
        // Written into the group it was typed in, not the one picked now.
        QCOMPARE(storedLeaveNumber(name), QStringLiteral("77-о"));
        QCOMPARE(Form1->rosterGrid()->model()->rowCount(), 5);
        QVERIFY(mainWindow->boxes.isEmpty());
    }

    void aRowThatCannotBeWrittenKeepsThePickAndTheProgram()
    {
        pick(Form1->facultyList(), 1);
        pick(Form1->groupList(), 0);
        const QString name = Form1->rosterGrid()->model()->index(0, 1).data().toString();
        typeIntoCell(0, 6, QStringLiteral("12-о"));
        anotherClientDeletes(name);

        pick(Form1->groupList(), 1);
        QCOMPARE(mainWindow->boxes, QStringList{RowGone});
        QCOMPARE(Form1->groupList()->currentIndex(), 0); // back on the group it was on
        QCOMPARE(Form1->groupList()->keyValue().toInt(), 1);
        QCOMPARE(Form1->rosterGrid()->model()->rowCount(), 7);
        QCOMPARE(DM->ADOQ_movement_slushatel->state(), Query::State::Edit);

        mainWindow->boxes.clear();
        QVERIFY(!Form1->close()); // the program stays open
        QCOMPARE(mainWindow->boxes, QStringList{RowGone});
        QVERIFY(Form1->isVisible());

        // Once the user undoes the change, the program closes.
        Form1->rosterGrid()->setFocus();
        QTest::keyClick(Form1->rosterGrid(), Qt::Key_Escape);
        QCOMPARE(DM->ADOQ_movement_slushatel->state(), Query::State::Browse);
        QVERIFY(Form1->close());
    }

    void aRefusedDateKeepsTheGroupListShutAndTheText()
    {
        pick(Form1->facultyList(), 1);
        pick(Form1->groupList(), 0);
        DataGrid *grid = Form1->rosterGrid();
        const QString typed = QStringLiteral("32.13.2020");
        const int enrolmentDate = 4;
        grid->setFocus();
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(grid->model()->index(2, enrolmentDate)).center());
        type(typed);
        auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
        QVERIFY(editor && grid->isAncestorOf(editor));

        // The press on the drop-down arrow is refused with the reason and opens nothing.
        LookupList *groups = Form1->groupList();
        const QPoint arrow(groups->width() - 4, groups->height() / 2);
        QTest::mousePress(groups, Qt::LeftButton, {}, arrow);
        const QString refusal = errorDisplayText(QStringLiteral("'32.13.2020' is not a valid date and time"));
        QCOMPARE(mainWindow->boxes, QStringList{refusal});
        QVERIFY(!groups->view()->isVisible());
        QTest::mouseRelease(groups, Qt::LeftButton, {}, arrow);
        QTRY_COMPARE(QApplication::focusWidget(), editor);
        QCOMPARE(editor->text(), typed);

        // A later pick is refused again, the text still there.
        QTest::keyClick(groups, Qt::Key_Down);
        QCOMPARE(mainWindow->boxes, QStringList({refusal, refusal}));
        QCOMPARE(groups->keyValue().toInt(), 1);
        QCOMPARE(grid->model()->rowCount(), 7);
        QTRY_COMPARE(QApplication::focusWidget(), editor);
        QCOMPARE(editor->text(), typed);
        QTest::keyClick(editor, Qt::Key_Escape); // nothing left to write on closing
    }

    // Alt+Down on an order cell of the roster opens its list; the row stays.
    void altDownOpensTheOrderList()
    {
        pick(Form1->facultyList(), 1);
        pick(Form1->groupList(), 0);
        DataGrid *grid = Form1->rosterGrid();
        grid->setFocus();
        const int enrolmentOrder = 2;
        grid->setCurrentIndex(grid->model()->index(2, enrolmentOrder));
        QTest::keyClick(grid, Qt::Key_Down, Qt::AltModifier);
        QCOMPARE(grid->currentIndex().row(), 2);
        auto *orders = qobject_cast<QComboBox *>(grid->indexWidget(grid->currentIndex()));
        QVERIFY(orders);
        QTRY_VERIFY(orders->view()->isVisible());
        QTest::keyClick(orders->view(), Qt::Key_Escape);
        QTRY_VERIFY(!orders->view()->isVisible());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    }

    // Up and Down in a cell's closed order list move between rows, as in the
    // other cells; the order chosen stays as it was.
    void arrowsInAnOrderCellMoveBetweenRows()
    {
        pick(Form1->facultyList(), 1);
        pick(Form1->groupList(), 0);
        DataGrid *grid = Form1->rosterGrid();
        grid->setFocus();
        const int enrolmentOrder = 2;
        const QString order = grid->model()->index(2, enrolmentOrder).data().toString();
        grid->setCurrentIndex(grid->model()->index(2, enrolmentOrder));
        QTest::keyClick(grid, Qt::Key_F2);
        QVERIFY(qobject_cast<QComboBox *>(QApplication::focusWidget()));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        QCOMPARE(grid->currentIndex().row(), 3);
        QCOMPARE(grid->model()->index(2, enrolmentOrder).data().toString(), order);
        QTest::keyClick(grid, Qt::Key_F2);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
        QCOMPARE(grid->currentIndex().row(), 2);
        QCOMPARE(DM->ADOQ_movement_slushatel->state(), Query::State::Browse);
    }

    void textStillInTheCellEditorIsWrittenOnClosing()
    {
        pick(Form1->facultyList(), 1);
        pick(Form1->groupList(), 0);
        const QString name = Form1->rosterGrid()->model()->index(3, 1).data().toString();
        DataGrid *grid = Form1->rosterGrid();
        grid->setFocus();
        grid->setCurrentIndex(grid->model()->index(3, 6));
        type(QStringLiteral("5-о"));
        QVERIFY(qobject_cast<QLineEdit *>(QApplication::focusWidget()));
        QVERIFY(Form1->close());
        QCOMPARE(storedLeaveNumber(name), QStringLiteral("5-о"));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"

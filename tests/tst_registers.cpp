// The registers of students and faculties on the demo data, driven by keys
// and the mouse: the search that filters as one types, names kept
// normalised, namesakes written only when the person says so, deletions the
// database refuses, and the registers read-only where the login may not
// change them.
#include "DemoFixture.h"
#include "ForwardingEngine.h"
#include "MainWindowFixture.h"

#include "controls/DataGrid.h"
#include "controls/MessageBoxes.h"
#include "controls/Navigator.h"
#include "controls/QueryModel.h"
#include "data/Connection.h"
#include "data/NameIndex.h"
#include "data/Registers.h"
#include "data/TDM.h"
#include "screens/TForm1.h"
#include "screens/TForm11.h"
#include "screens/TForm12.h"
#include "screens/TForm3.h"

#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

using namespace qor;

namespace {

template<typename T>
T *child(QWidget *window, const char *name)
{
    return window->findChild<T *>(QString::fromLatin1(name));
}


const QString IvanovReference = QStringLiteral(
    "The DELETE statement conflicted with the REFERENCE constraint \"FK_movement_slushatel_s_fio\". The conflict "
    "occurred in database \"QOR\", table \"dbo.movement_slushatel\", column 'id_student'.");

} // namespace

class TestRegisters : public QObject
{
    Q_OBJECT

    MainWindowFixture *mainWindow = nullptr;
    QList<BoxRequest> asked;
    QMessageBox::StandardButton answer = QMessageBox::Yes;

    qint64 count(const QString &sql) { return mainWindow->demo.owner()->select(sql).integer(0, 0); }
    void showAndWait(QWidget *window)
    {
        window->show();
        QVERIFY(QTest::qWaitForWindowActive(window));
    }
    QStringList shownNames(DataGrid *grid, int column = 0)
    {
        QStringList names;
        for (int row = 0; row < grid->model()->rowCount(); ++row)
            names.append(grid->model()->index(row, grid->modelColumn(column)).data().toString());
        return names;
    }
    // Every student's name, as the database holds them, in the register's order.
    QStringList allStudents()
    {
        const RowSet rows = mainWindow->demo.owner()->select(QStringLiteral("SELECT s_fio FROM s_fio ORDER BY s_fio"));
        QStringList names;
        for (int row = 0; row < rows.rowCount(); ++row)
            names.append(rows.text(row, 0));
        return names;
    }
    QLineEdit *search(QWidget *window) { return child<QLineEdit>(window, "Edit1"); }
    void typeIntoSearch(QWidget *window, const QString &text)
    {
        search(window)->setFocus();
        type(text);
    }
    QToolButton *button(QWidget *window, Navigator::Button which)
    {
        return child<Navigator>(window, "DBNavigator1")->button(which);
    }
    TForm11 *openStudents()
    {
        Form11 = Form1->newStudentRegister();
        showAndWait(Form11);
        return Form11;
    }
    // A new row typed into the register and written with the navigator.
    void addStudent(const QString &name)
    {
        QTest::mouseClick(button(Form11, Navigator::Insert), Qt::LeftButton);
        type(name);
        QTest::mouseClick(button(Form11, Navigator::Post), Qt::LeftButton);
    }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }

    void init()
    {
        mainWindow = new MainWindowFixture;
        asked.clear();
        answer = QMessageBox::Yes;
        boxInterceptor() = [this](const BoxRequest &box) {
            asked.append(box);
            return box.kind == BoxKind::Question ? answer : QMessageBox::Ok;
        };
        showAndWait(Form1);
    }
    void cleanup()
    {
        delete Form11;
        Form11 = nullptr;
        delete Form12;
        Form12 = nullptr;
        delete Form3;
        Form3 = nullptr;
        delete mainWindow;
    }

    void nameRules_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("kept");
        QTest::newRow("blanks at the ends and inside") << "  Иванов   Иван\tИванович \n"
                                                       << "Иванов Иван Иванович";
        QTest::newRow("a no-break space and a control character") << "Иванов\u00A0Иван\u0001Петрович"
                                                                  << "Иванов Иван Петрович";
        QTest::newRow("nothing but blanks") << " \t "
                                            << "";
    }
    void nameRules()
    {
        QFETCH(QString, typed);
        QFETCH(QString, kept);
        QCOMPARE(normalisedName(typed), kept);
        // One person whatever the case, ё or е, and blanks.
        QCOMPARE(sameNameKey(QStringLiteral("ЁЛКИНА  мария петровна")),
                 sameNameKey(QStringLiteral("Елкина Мария Петровна")));
        QVERIFY(sameNameKey(QStringLiteral("Елкина Мария")) != sameNameKey(QStringLiteral("Елкина Мари")));
    }

    void theEmbeddedEngineSaysWhatTheLoginMayDo()
    {
        Connection connection;
        connection.setConnectionString(mainWindow->demo.workingConnectionString(QStringLiteral("demo")));
        const RowSet rows = connection.engine().select(QStringLiteral(
            "SELECT HAS_PERMS_BY_NAME('dbo.s_fio', 'OBJECT', 'INSERT'), HAS_PERMS_BY_NAME('[dbo].[faculty]', 'OBJECT', 'DELETE'),"
            " HAS_PERMS_BY_NAME('dbo.qor_user', 'OBJECT', 'SELECT'), HAS_PERMS_BY_NAME('dbo.movement_counts', 'OBJECT', 'SELECT'),"
            " HAS_PERMS_BY_NAME('dbo.movement_counts', 'OBJECT', 'INSERT'), HAS_PERMS_BY_NAME('dbo.no_such_table', 'OBJECT', 'SELECT')"));
        QCOMPARE(rows.text(0, 0), QStringLiteral("1"));
        QCOMPARE(rows.text(0, 1), QStringLiteral("1"));
        QCOMPARE(rows.text(0, 2), QStringLiteral("0"));
        QCOMPARE(rows.text(0, 3), QStringLiteral("1"));
        QCOMPARE(rows.text(0, 4), QStringLiteral("0"));
        QVERIFY(rows.isNull(0, 5));
        QVERIFY(permissionsOn(connection.engine(), QStringLiteral("s_fio")).all());
    }

    void theSearchFiltersAsOneTypes_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("all");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("the start of any word")
            << "иван" << false << QStringList{QStringLiteral("Иванов Иван Иванович")};
        QTest::newRow("first names and patronymics")
            << "ол" << false
            << QStringList{QStringLiteral("Григорьев Максим Олегович"), QStringLiteral("Елисеев Константин Олегович"),
                           QStringLiteral("Кузнецова Ольга Николаевна")};
        QTest::newRow("е finds ё") << "ел" << false
                                   << QStringList{QStringLiteral("Елисеев Константин Олегович"),
                                                  QStringLiteral("Ёлкина Мария Петровна")};
        QTest::newRow("ё finds е, capitals small")
            << "АРТЁМ" << false
            << QStringList{QStringLiteral("Новиков Артём Денисович"), QStringLiteral("Юдина Полина Артёмовна")};
        QTest::newRow("several words narrow")
            << "пет ан" << false << QStringList{QStringLiteral("Петрова Анна Сергеевна")};
        QTest::newRow("nothing matches") << "щук" << false << QStringList{};
        QTest::newRow("blanks show all") << "   " << true << QStringList{};
    }
    void theSearchFiltersAsOneTypes()
    {
        QFETCH(QString, typed);
        QFETCH(bool, all);
        QFETCH(QStringList, names);
        openStudents();
        DataGrid *grid = Form11->grid();
        QCOMPARE(shownNames(grid), allStudents());
        typeIntoSearch(Form11, typed);
        const QStringList expected = all ? allStudents() : names;
        QCOMPARE(shownNames(grid), expected);
        QCOMPARE(child<QLabel>(Form11, "Label2")->text(), QStringLiteral("Всего: %1").arg(expected.size()));
        // The current row is one of those shown.
        QCOMPARE(grid->currentIndex().row(), expected.isEmpty() ? -1 : 0);
        // Backspace to nothing shows every student again.
        for (int i = 0; i < typed.size(); ++i)
            QTest::keyClick(search(Form11), Qt::Key_Backspace);
        QCOMPARE(shownNames(grid), allStudents());
        QVERIFY(asked.isEmpty());
    }

    void aNameIsKeptNormalisedAndNeverEmpty()
    {
        openStudents();
        addStudent(QStringLiteral("  Зайцев   Пётр  "));
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM s_fio WHERE s_fio = 'Зайцев Пётр' COLLATE BINARY")), 1);
        QCOMPARE(shownNames(Form11->grid()).count(QStringLiteral("Зайцев Пётр")), 1);

        addStudent(QStringLiteral("   "));
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked.first().text, QStringLiteral("Не указано ФИО слушателя."));
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM s_fio")), 25);
        // The row waits in editing; Escape twice drops it and the window closes.
        QVERIFY(button(Form11, Navigator::Post)->isEnabled());
        QVERIFY(!Form11->close());
        Form11->grid()->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QVERIFY(Form11->close());
    }

    void aNamesakeIsAddedOnlyWhenTheUserSaysSo()
    {
        openStudents();
        answer = QMessageBox::No;
        addStudent(QStringLiteral("ИВАНОВ  иван иванович"));
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked.first().kind, BoxKind::Question);
        QCOMPARE(asked.first().text,
                 QStringLiteral("Слушатель «ИВАНОВ иван иванович» уже есть. Добавить ещё одного с тем же ФИО?"));
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM s_fio")), 24);
        // Nothing typed is lost: the row waits, and a yes writes it.
        QVERIFY(button(Form11, Navigator::Post)->isEnabled());
        answer = QMessageBox::Yes;
        QTest::mouseClick(button(Form11, Navigator::Post), Qt::LeftButton);
        QCOMPARE(asked.size(), 2);
        QCOMPARE(
            count(QStringLiteral("SELECT count(*) FROM s_fio WHERE s_fio = 'ИВАНОВ иван иванович' COLLATE BINARY")), 1);
        // Renaming a student by letter case alone asks nothing.
        Form11->grid()->setFocus();
        type(QStringLiteral("Иванов Иван Иванович"));
        QTest::mouseClick(button(Form11, Navigator::Post), Qt::LeftButton);
        QCOMPARE(asked.size(), 2);
        QCOMPARE(
            count(QStringLiteral("SELECT count(*) FROM s_fio WHERE s_fio = 'Иванов Иван Иванович' COLLATE BINARY")), 2);
    }

    void aStudentInARosterIsNotDeleted()
    {
        openStudents();
        typeIntoSearch(Form11, QStringLiteral("иван"));
        DataGrid *grid = Form11->grid();
        grid->setFocus();
        QTest::keyClick(grid, Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(asked.size(), 2);
        QCOMPARE(asked[0].kind, BoxKind::DeletionConfirmation);
        QCOMPARE(asked[1].text, IvanovReference);
        QCOMPARE(shownNames(grid), QStringList{QStringLiteral("Иванов Иван Иванович")});
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM s_fio")), 24);
    }

    void aRowBeingTypedIntoOutlivesTheFilter()
    {
        openStudents();
        DataGrid *grid = Form11->grid();
        QTest::mouseClick(button(Form11, Navigator::Insert), Qt::LeftButton);
        type(QStringLiteral("Зайцев Пётр"));
        // The search takes the focus and filters while the new row waits.
        typeIntoSearch(Form11, QStringLiteral("иван"));
        QCOMPARE(shownNames(grid),
                 (QStringList{QStringLiteral("Зайцев Пётр"), QStringLiteral("Иванов Иван Иванович")}));
        QCOMPARE(child<QLabel>(Form11, "Label2")->text(), QStringLiteral("Всего: 2"));
        QCOMPARE(grid->currentIndex().row(), 0);
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM s_fio")), 24);
        // Down goes on to the grid; moving to the other row writes the new one.
        QTest::keyClick(search(Form11), Qt::Key_Down);
        QCOMPARE(QApplication::focusWidget(), grid);
        QTest::keyClick(grid, Qt::Key_Down);
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM s_fio WHERE s_fio = 'Зайцев Пётр' COLLATE BINARY")), 1);
        QCOMPARE(grid->currentIndex().row(), 1);
        // Once written it is a row like the others: the next search leaves it out.
        search(Form11)->clear();
        typeIntoSearch(Form11, QStringLiteral("иван"));
        QCOMPARE(shownNames(grid), QStringList{QStringLiteral("Иванов Иван Иванович")});
        QVERIFY(asked.isEmpty());
    }

    void aRenamedStudentIsFoundByItsNewName()
    {
        typeInto(Form1->facultyList(), QStringLiteral("фак"));
        typeInto(Form1->groupList(), QStringLiteral("б"));
        QVERIFY(shownNames(Form1->rosterGrid(), 1).contains(QStringLiteral("Жукова Дарья Викторовна")));
        openStudents();
        DataGrid *grid = Form11->grid();
        typeIntoSearch(Form11, QStringLiteral("жук"));
        grid->setFocus();
        type(QStringLiteral("Жукова-Соколова Дарья Викторовна"));
        QTest::mouseClick(button(Form11, Navigator::Post), Qt::LeftButton);
        search(Form11)->clear();
        typeIntoSearch(Form11, QStringLiteral("сокол"));
        QCOMPARE(shownNames(grid), QStringList{QStringLiteral("Жукова-Соколова Дарья Викторовна")});
        typeIntoSearch(Form11, QStringLiteral(" жук"));
        QCOMPARE(shownNames(grid), QStringList{QStringLiteral("Жукова-Соколова Дарья Викторовна")});
        QVERIFY(Form11->close());
        // The roster on screen shows the new name at once.
        QVERIFY(shownNames(Form1->rosterGrid(), 1).contains(QStringLiteral("Жукова-Соколова Дарья Викторовна")));
    }

    void aFacultyAddedIsOfferedInGroupFormation()
    {
        Form12 = Form1->newFacultyRegister();
        showAndWait(Form12);
        DataGrid *grid = child<DataGrid>(Form12, "DBGridEh1");
        QCOMPARE(grid->model()->rowCount(), 4);
        QTest::mouseClick(button(Form12, Navigator::Insert), Qt::LeftButton);
        type(QStringLiteral(" Факультет  иностранных языков"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        type(QStringLiteral("ФИЯ"));
        QVERIFY(Form12->close());
        QVERIFY(asked.isEmpty());
        QCOMPARE(
            count(QStringLiteral(
                "SELECT count(*) FROM faculty WHERE [p23-1] = 'Факультет иностранных языков' AND [p23-2] = 'ФИЯ'")),
            1);
        delete Form12;
        Form12 = nullptr;

        Form3 = new TForm3;
        showAndWait(Form3);
        typeInto(Form3->facultyList(), QStringLiteral("факультет и"));
        QCOMPARE(Form3->facultyList()->currentText(), QStringLiteral("Факультет иностранных языков"));
    }

    void aFacultyIsFoundByItsAbbreviationAndItsNameIsItsOwn()
    {
        Form12 = Form1->newFacultyRegister();
        showAndWait(Form12);
        DataGrid *grid = child<DataGrid>(Form12, "DBGridEh1");
        typeIntoSearch(Form12, QStringLiteral("фпп"));
        QCOMPARE(shownNames(grid), QStringList{QStringLiteral("Факультет профессиональной переподготовки")});
        search(Form12)->clear();
        QTest::mouseClick(button(Form12, Navigator::Insert), Qt::LeftButton);
        type(QStringLiteral("подготовительное  ОТДЕЛЕНИЕ"));
        QTest::mouseClick(button(Form12, Navigator::Post), Qt::LeftButton);
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked.first().text, QStringLiteral("Факультет «подготовительное ОТДЕЛЕНИЕ» уже есть."));
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM faculty")), 4);
    }

    void aFacultyWithGroupsIsNotDeleted()
    {
        Form12 = Form1->newFacultyRegister();
        showAndWait(Form12);
        typeIntoSearch(Form12, QStringLiteral("под"));
        QTest::mouseClick(button(Form12, Navigator::Delete), Qt::LeftButton);
        QCOMPARE(asked.size(), 2);
        QCOMPARE(asked[1].text,
                 QStringLiteral("The DELETE statement conflicted with the REFERENCE constraint "
                                "\"FK_group_slushatel_faculty\". The conflict occurred in database \"QOR\", "
                                "table \"dbo.group_slushatel\", column 'id_faculty'."));
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM faculty")), 4);
    }

    void theRegistersOnlyShowWhereTheLoginMayNotChangeThem()
    {
        // A data module whose login may only read the tables.
        delete Form1;
        Form1 = nullptr;
        delete DM;
        DM = new TDM(new ReadOnlyConnection);
        DM->ADOCon->setConnectionString(mainWindow->demo.workingConnectionString(QStringLiteral("demo")));
        Form1 = new TForm1;
        Form1->loadLists();
        openStudents();
        DataGrid *grid = Form11->grid();
        QVERIFY(Form11->windowTitle().contains(QStringLiteral("только просмотр")));
        QCOMPARE(grid->model()->rowCount(), 24);
        QVERIFY(!button(Form11, Navigator::Insert)->isEnabled());
        QVERIFY(!button(Form11, Navigator::Delete)->isEnabled());
        grid->setFocus();
        QTest::keyClick(grid, Qt::Key_Insert);
        type(QStringLiteral("Зайцев"));
        QTest::keyClick(grid, Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(grid->model()->rowCount(), 24);
        QVERIFY(!DM->ADOQ_Student_Register->isEditing());
        QVERIFY(asked.isEmpty());
        QVERIFY(Form11->close());
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM s_fio")), 24);
    }
};

QTEST_MAIN(TestRegisters)
#include "tst_registers.moc"

// "Найти слушателя" on the demo data, driven by keys: the matching rule as a
// table, the order of the rows found, the list cut when too many match, Up
// and Down from the field, and Enter showing the row in the main window
// after a pending roster change is written.
#include "MainWindowFixture.h"

#include "controls/DataGrid.h"
#include "data/Statements.h"
#include "data/StudentSearch.h"
#include "data/StudentStatements.h"
#include "data/TDM.h"
#include "screens/TForm1.h"
#include "screens/TForm14.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>

using namespace qor;

class TestStudentSearch : public QObject
{
    Q_OBJECT

    MainWindowFixture *mainWindow = nullptr;
    DemoFixture *demo = nullptr;

    // A search window wired to the main window, shown, the keys in its field.
    std::unique_ptr<TForm14> openSearch()
    {
        std::unique_ptr<TForm14> window(Form1->newSearchWindow());
        window->show();
        [&] { QVERIFY(QTest::qWaitForWindowActive(window.get())); }();
        return window;
    }
    // A column of the rows found, as the grid shows it.
    static QStringList column(TForm14 &window, const char *field)
    {
        DataGrid *grid = window.resultGrid();
        int shown = -1;
        for (int i = 0; i < grid->columns().size(); ++i) {
            if (grid->columns()[i].field == QLatin1String(field))
                shown = grid->modelColumn(i);
        }
        QStringList values;
        for (int row = 0; row < grid->model()->rowCount(); ++row)
            values.append(grid->model()->index(row, shown).data().toString());
        return values;
    }
    void addStudent(const QString &name)
    {
        demo->owner()->execute(QStringLiteral("INSERT INTO s_fio (s_fio) VALUES ('%1')").arg(name));
    }

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

    void theMatchingRule_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("found"); // in the order listed
        QTest::newRow("capitals") << "ИВАНОВ" << QStringList{"Иванов Иван Иванович"};
        QTest::newRow("е typed finds ё") << "елкина" << QStringList{"Ёлкина Мария Петровна"};
        QTest::newRow("ё typed finds е") << "ёлисеев" << QStringList{"Елисеев Константин Олегович"};
        QTest::newRow("the start of any word")
            << "петр" << QStringList{"Петрова Анна Сергеевна", "Ёлкина Мария Петровна"}; // still enrolled first
        QTest::newRow("several words narrow") << "пет ан" << QStringList{"Петрова Анна Сергеевна"};
        QTest::newRow("words in any order") << "анна петр" << QStringList{"Петрова Анна Сергеевна"};
        QTest::newRow("inside a word is no start") << "етров" << QStringList{};
        QTest::newRow("no such name") << "щу" << QStringList{};
    }
    // Typed at once as the window opens: what waits for the names is not lost.
    void theMatchingRule()
    {
        QFETCH(QString, typed);
        QFETCH(QStringList, found);
        auto window = openSearch();
        type(typed);
        QTRY_VERIFY(window->namesReady());
        QCOMPARE(window->searchField()->text(), typed);
        QCOMPARE(column(*window, "s_fio"), found);
        QVERIFY(window->statusLabel()->text().startsWith(
            found.isEmpty() ? QStringLiteral("Не найдено ни одного")
                            : QStringLiteral("Найдено слушателей: %1,").arg(found.size())));
        QVERIFY(mainWindow->boxes.isEmpty());
    }

    // The names kept from the last opening answer keys at once; those read
    // afresh then show a student added since.
    void aSecondOpeningCatchesUpWithNewStudents()
    {
        {
            auto first = openSearch();
            QTRY_VERIFY(first->namesReady());
        }
        addStudent(QStringLiteral("Яхонтов Ян"));
        auto window = openSearch();
        type(QStringLiteral("яхон"));
        QTRY_VERIFY(window->namesReady());
        QCOMPARE(column(*window, "s_fio"), QStringList{"Яхонтов Ян"});
    }

    // Rows without an expulsion first, then the rest; each part by name; a
    // student in no group is listed too, marked so.
    void rowsStillEnrolledComeFirst()
    {
        auto db = demo->owner();
        // Иванов left group 1 and is now in group 3.
        db->execute(
            QStringLiteral("UPDATE movement_slushatel SET leave_date = '2026-10-01 00:00:00' WHERE id_student = 1"));
        db->execute(
            QStringLiteral("INSERT INTO movement_slushatel (id_student, id_group_slushatel, come_date) "
                           "VALUES (1, 3, '2026-10-02 00:00:00')"));
        addStudent(QStringLiteral("Ивлев Пётр Ильич"));
        addStudent(QStringLiteral("Аивазов Ив"));

        auto window = openSearch();
        QTRY_VERIFY(window->namesReady());
        type(QStringLiteral("ив"));
        QCOMPARE(column(*window, "s_fio"),
                 (QStringList{"Иванов Иван Иванович", "Аивазов Ив", "Иванов Иван Иванович", "Ивлев Пётр Ильич"}));
        QCOMPARE(column(*window, "name_full"),
                 (QStringList{"Управление персоналом", statements::inNoGroupText(),
                              "Бухгалтерский учёт и налогообложение", statements::inNoGroupText()}));
        QCOMPARE(column(*window, "leave_date"), (QStringList{"", "", "01.10.2026", ""}));

        // Up and Down move through the rows; the keys stay in the field.
        QCOMPARE(window->resultGrid()->currentIndex().row(), 0);
        QTest::keyClick(window->searchField(), Qt::Key_Down);
        QTest::keyClick(window->searchField(), Qt::Key_Down);
        QCOMPARE(window->resultGrid()->currentIndex().row(), 2);
        QTest::keyClick(window->searchField(), Qt::Key_Up);
        QCOMPARE(window->resultGrid()->currentIndex().row(), 1);
        QCOMPARE(QApplication::focusWidget(), window->searchField());
        QCOMPARE(window->searchField()->text(), QStringLiteral("ив"));

        // A student in no group cannot be shown in a roster: the window stays, and says so.
        QTest::keyClick(window->searchField(), Qt::Key_Return);
        QVERIFY(window->isVisible());
        QCOMPARE(mainWindow->boxes.size(), 1);
        QVERIFY(mainWindow->boxes[0].contains(QStringLiteral("Аивазов Ив не зачислен ни в одну группу")));
    }

    // More students than are shown: all are counted, the first by name shown, and the line says so.
    void aSearchOfManyIsCutAndSaysSo()
    {
        auto db = demo->owner();
        db->execute(
            QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 250) "
                           "INSERT INTO s_fio (s_fio) SELECT 'Тестов ' || (1000 + i) FROM n"));
        auto window = openSearch();
        QTRY_VERIFY(window->namesReady());
        type(QStringLiteral("тест"));
        const QStringList names = column(*window, "s_fio");
        QCOMPARE(names.size(), StudentSearch::ShownStudents);
        QCOMPARE(names.first(), QStringLiteral("Тестов 1001"));
        QCOMPARE(names.last(), QStringLiteral("Тестов %1").arg(1000 + StudentSearch::ShownStudents));
        QVERIFY(window->statusLabel()->text().startsWith(
            QStringLiteral("Найдено слушателей: 250. Показаны строки только первых %1 из них по алфавиту")
                .arg(StudentSearch::ShownStudents)));
        type(QStringLiteral(" 125"));
        QCOMPARE(column(*window, "s_fio"), QStringList{"Тестов 1250"});
    }

    // Ctrl+F, a name, Enter: the roster's pending change is written, the
    // lists show the row's faculty and group as if picked, the row is current
    // and the keys are in the roster.
    void enterShowsTheStudentInTheMainWindow()
    {
        LookupList *faculties = Form1->facultyList();
        LookupList *groups = Form1->groupList();
        typeInto(faculties, QStringLiteral("фак"));
        typeInto(groups, QStringLiteral("бух"));
        DataGrid *roster = Form1->rosterGrid();
        roster->setFocus();
        roster->setCurrentIndex(roster->model()->index(0, roster->modelColumn(6))); // Отчисление|№
        type(QStringLiteral("77-о"));
        QCOMPARE(DM->ADOQ_movement_slushatel->state(), Query::State::Edit);
        const QString pending = roster->model()->index(0, roster->modelColumn(1)).data().toString();

        bool chosen = false;
        QTimer::singleShot(0, this, [&] {
            const auto closeOnFailure = qScopeGuard([&] {
                if (!chosen && Form14)
                    Form14->close();
            });
            QTRY_VERIFY(Form14 && Form14->isVisible());
            QVERIFY(QTest::qWaitForWindowActive(Form14));
            type(QStringLiteral("новик"));
            QTRY_COMPARE(Form14->resultGrid()->model()->rowCount(), 1);
            QTest::keyClick(Form14->searchField(), Qt::Key_Return);
            chosen = true;
        });
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F, Qt::ControlModifier);
        QVERIFY(chosen);
        QVERIFY(!Form14);

        const auto stored = demo->owner()->select(
            QStringLiteral("SELECT m.leave_reg FROM movement_slushatel m JOIN s_fio s ON s.id_student = m.id_student "
                           "WHERE s.s_fio = '%1' AND m.id_group_slushatel = 1")
                .arg(pending));
        QCOMPARE(stored.text(0, 0), QStringLiteral("77-о"));
        QCOMPARE(faculties->currentText(), QStringLiteral("Факультет профессиональной переподготовки"));
        QCOMPARE(groups->currentText(), QStringLiteral("Управление персоналом"));
        QCOMPARE(DM->chosen.group.toInt(), groups->keyValue().toInt());
        QCOMPARE(DM->ADOQ_movement_slushatel->sql(), statements::rosterOfGroup(groups->keyValue()));
        QCOMPARE(roster->model()->index(roster->currentIndex().row(), roster->modelColumn(1)).data().toString(),
                 QStringLiteral("Новиков Артём Денисович"));
        QCOMPARE(DM->ADOQ_movement_slushatel->currentRow(), roster->currentIndex().row());
        QTRY_COMPARE(QApplication::focusWidget(), roster);
        QVERIFY(mainWindow->boxes.isEmpty());
    }
};

QTEST_MAIN(TestStudentSearch)
#include "tst_studentsearch.moc"

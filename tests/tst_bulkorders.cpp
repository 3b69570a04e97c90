// One order for many students on the demo data, driven by keys and clicks:
// the roster's selected rows expelled under one order, a checked list of
// students enrolled into a group, the students under an order across groups.
// Every refusal, and another client's change, writes nothing.
#include "MainWindowFixture.h"

#include "controls/CheckList.h"
#include "controls/DataGrid.h"
#include "controls/DatePicker.h"
#include "controls/OrderFields.h"
#include "data/BulkOrders.h"
#include "data/TDM.h"
#include "engine/Error.h"
#include "engine/RowSet.h"
#include "screens/TForm1.h"
#include "screens/TForm17.h"
#include "screens/TForm18.h"
#include "screens/TForm19.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>

using namespace qor;

namespace {
const QString RowChanged =
    QStringLiteral("Row cannot be located for updating. Some values may have been changed since it was last read.");
} // namespace

class TestBulkOrders : public QObject
{
    Q_OBJECT

    MainWindowFixture *mainWindow = nullptr;
    DemoFixture *demo = nullptr;

    // The group's roster rows as stored, by name: "name|leave number|leave day".
    QStringList storedRoster(int group)
    {
        const RowSet rows = demo->owner()->select(
            QStringLiteral("SELECT s.s_fio, m.leave_reg, substr(m.leave_date, 1, 10), m.come_reg FROM movement_slushatel m "
                           "JOIN s_fio s ON s.id_student = m.id_student WHERE m.id_group_slushatel = %1 "
                           "ORDER BY m.id_movement")
                .arg(group));
        QStringList lines;
        for (int row = 0; row < rows.rowCount(); ++row)
            lines.append(QStringList{rows.text(row, 0), rows.text(row, 1), rows.text(row, 2), rows.text(row, 3)}.join(u'|'));
        return lines;
    }
    QStringList namesWithLeaveNumber(int group, const QString &number)
    {
        QStringList names;
        for (const QString &line : storedRoster(group)) {
            if (line.section(u'|', 1, 1) == number)
                names.append(line.section(u'|', 0, 0));
        }
        names.sort();
        return names;
    }
    void pickGroup(const QString &faculty, const QString &group)
    {
        typeInto(Form1->facultyList(), faculty);
        typeInto(Form1->groupList(), group);
        Form1->rosterGrid()->setFocus();
    }
    // The centre of a roster row's name cell.
    QPoint rowPoint(int row)
    {
        DataGrid *roster = Form1->rosterGrid();
        return roster->visualRect(roster->model()->index(row, roster->modelColumn(1))).center();
    }
    // Keys and clicks on the roster: "ctrl+a", "click:N", "ctrl+click:N", "shift+click:N", "shift+down", "shift+up".
    void selectInRoster(const QString &steps)
    {
        DataGrid *roster = Form1->rosterGrid();
        for (const QString &step : steps.split(u' ', Qt::SkipEmptyParts)) {
            const QString what = step.section(u':', 0, 0);
            const int row = step.section(u':', 1, 1).toInt();
            if (what == u"ctrl+a")
                QTest::keyClick(roster, Qt::Key_A, Qt::ControlModifier);
            else if (what == u"shift+down")
                QTest::keyClick(roster, Qt::Key_Down, Qt::ShiftModifier);
            else if (what == u"shift+up")
                QTest::keyClick(roster, Qt::Key_Up, Qt::ShiftModifier);
            else if (what == u"click")
                QTest::mouseClick(roster->viewport(), Qt::LeftButton, Qt::NoModifier, rowPoint(row));
            else if (what == u"ctrl+click")
                QTest::mouseClick(roster->viewport(), Qt::LeftButton, Qt::ControlModifier, rowPoint(row));
            else if (what == u"shift+click")
                QTest::mouseClick(roster->viewport(), Qt::LeftButton, Qt::ShiftModifier, rowPoint(row));
            else
                QFAIL(qPrintable(step));
        }
    }
    // Fills the order fields as a person does: the order by typing its
    // start, the number and the day typed.
    void fillOrder(OrderFields *order, const QString &orderStart, const QString &number, const QString &day)
    {
        typeInto(order->orderList(), orderStart);
        order->numberField()->setFocus();
        type(number);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), order->dateField());
        QTest::keyClicks(order->dateField(), day);
    }
    void click(QWidget *window, const char *button)
    {
        auto *pressed = window->findChild<QPushButton *>(QString::fromLatin1(button));
        QVERIFY(pressed && pressed->isEnabled());
        QTest::mouseClick(pressed, Qt::LeftButton);
    }
    // Runs work on the modal window once it is shown; closes it when work leaves it open.
    template <typename Window>
    void onWindow(Window *&variable, const std::function<void(Window &)> &work)
    {
        QTimer::singleShot(0, this, [&variable, work] {
            const auto closeLeftOpen = qScopeGuard([&variable] {
                if (variable && variable->isVisible())
                    variable->reject();
            });
            QTRY_VERIFY(variable && variable->isVisible());
            QVERIFY(QTest::qWaitForWindowActive(variable));
            work(*variable);
        });
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

    // Group 1 by name: Алексеев, Елисеев, Ёлкина (expelled on 13.10.2026),
    // Жукова, Иванов, Петрова, Сидоров; all enrolled on 01.09.2026.
    void selectedRowsAreExpelledTogether_data()
    {
        QTest::addColumn<QString>("before");    // a statement run first
        QTest::addColumn<QString>("selection"); // keys and clicks on the roster
        QTest::addColumn<int>("leftAlone");     // rows listed as expelled already
        QTest::addColumn<QStringList>("expelled");
        QTest::addColumn<QString>("refusal"); // the start of the message; empty: none
        QTest::newRow("the whole group, Ctrl+A")
            << "" << "ctrl+a" << 1
            << QStringList{"Алексеев Дмитрий Юрьевич", "Елисеев Константин Олегович", "Жукова Дарья Викторовна",
                           "Иванов Иван Иванович", "Петрова Анна Сергеевна", "Сидоров Павел Андреевич"}
            << "";
        QTest::newRow("three rows by Shift, one expelled already")
            << "" << "click:1 shift+down shift+down" << 1
            << QStringList{"Елисеев Константин Олегович", "Жукова Дарья Викторовна"} << "";
        QTest::newRow("rows by Shift+click and Ctrl+click, one taken away")
            << "" << "click:4 shift+click:6 ctrl+click:5 ctrl+click:0" << 0
            << QStringList{"Алексеев Дмитрий Юрьевич", "Иванов Иван Иванович", "Сидоров Павел Андреевич"} << "";
        QTest::newRow("one enrolled after the expulsion day")
            << "UPDATE movement_slushatel SET come_date = '2026-12-25 00:00:00' WHERE id_student = 6"
            << "click:0 ctrl+click:3" << 0 << QStringList{}
            << "Дата отчисления 20.12.2026 раньше даты зачисления:\rЖукова Дарья Викторовна (зачислен 25.12.2026)";
    }
    void selectedRowsAreExpelledTogether()
    {
        QFETCH(QString, before);
        QFETCH(QString, selection);
        QFETCH(int, leftAlone);
        QFETCH(QStringList, expelled);
        QFETCH(QString, refusal);
        if (!before.isEmpty())
            demo->owner()->execute(before);
        pickGroup(QStringLiteral("фак"), QStringLiteral("бух"));
        selectInRoster(selection);
        const QStringList stored = storedRoster(1);
        int listedAlone = -1;
        onWindow<TForm17>(Form17, [&](TForm17 &dialog) {
            listedAlone = dialog.leftAloneList()->count();
            fillOrder(dialog.orderFields(), QStringLiteral("об отчислении в"), QStringLiteral("14-о"),
                      QStringLiteral("20122026"));
            click(&dialog, "Button1");
        });
        Form1->N40Click();
        QCOMPARE(listedAlone, leftAlone);
        if (refusal.isEmpty()) {
            QVERIFY2(mainWindow->boxes.isEmpty(), qPrintable(mainWindow->boxes.join(u'\n')));
            QCOMPARE(namesWithLeaveNumber(1, QStringLiteral("14-о")), expelled);
            for (const QString &line : storedRoster(1)) {
                if (line.section(u'|', 1, 1) == u"14-о")
                    QCOMPARE(line.section(u'|', 2, 2), QStringLiteral("2026-12-20"));
            }
            // The roster shows the expulsions, read again.
            DataGrid *roster = Form1->rosterGrid();
            int shown = 0;
            for (int row = 0; row < roster->model()->rowCount(); ++row)
                shown += roster->model()->index(row, roster->modelColumn(6)).data().toString() == u"14-о";
            QCOMPARE(shown, expelled.size());
        } else {
            QCOMPARE(mainWindow->boxes.size(), 1);
            QVERIFY2(mainWindow->boxes[0].startsWith(refusal), qPrintable(mainWindow->boxes[0]));
            QCOMPARE(storedRoster(1), stored);
        }
    }

    // Stopped from its progress bar, the expulsion writes nothing (the rows
    // written before the stop go with the transaction, as on a conflict).
    void aStoppedExpulsionWritesNothing()
    {
        pickGroup(QStringLiteral("фак"), QStringLiteral("бух"));
        const QStringList stored = storedRoster(1);
        Query *roster = DM->ADOQ_movement_slushatel;
        const QList<int> rows = BulkExpulsion::toBeExpelled(*roster, {0, 1, 2, 3, 4, 5, 6});
        BulkExpulsion expulsion;
        expulsion.expulsion = {1, QStringLiteral("14-о"), QDate(2026, 12, 20)};
        try {
            expulsion.writeTo(DM->ADOCon, *roster, rows, [](double) { return false; });
            QFAIL("the expulsion went on");
        } catch (const ExpulsionCancelled &e) {
            QCOMPARE(e.text(), QStringLiteral("Отчисление отменено. В базу ничего не записано."));
        }
        QCOMPARE(storedRoster(1), stored);
    }

    // Another client changes one of the rows after they were read: nothing
    // is written, not even the rows before it, and the conflict is shown.
    void anotherClientsChangeWritesNothing()
    {
        pickGroup(QStringLiteral("фак"), QStringLiteral("бух"));
        selectInRoster(QStringLiteral("ctrl+a"));
        const QStringList stored = storedRoster(1);
        onWindow<TForm17>(Form17, [&](TForm17 &dialog) {
            fillOrder(dialog.orderFields(), QStringLiteral("об отчислении в"), QStringLiteral("14-о"),
                      QStringLiteral("20122026"));
            demo->owner()->execute(QStringLiteral("UPDATE movement_slushatel SET come_reg = '99-к' WHERE id_student = 2"));
            click(&dialog, "Button1");
            QVERIFY(dialog.isVisible()); // what was chosen can be kept or left
        });
        Form1->N40Click();
        QCOMPARE(mainWindow->boxes.size(), 1);
        QVERIFY(mainWindow->boxes[0].startsWith(RowChanged));
        // The roster is read again, so that the next try meets the rows as they are.
        DataGrid *grid = Form1->rosterGrid();
        QStringList numbers;
        for (int row = 0; row < grid->model()->rowCount(); ++row)
            numbers.append(grid->model()->index(row, grid->modelColumn(3)).data().toString());
        QVERIFY2(numbers.contains(QStringLiteral("99-к")), qPrintable(numbers.join(u',')));
        // Only the other client's change is stored.
        QStringList expected = stored;
        for (QString &line : expected) {
            if (line.startsWith(u"Петрова"))
                line = line.section(u'|', 0, 2) + QStringLiteral("|99-к");
        }
        QCOMPARE(storedRoster(1), expected);
    }

    void theChecklistFilters_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("a word's start") << "ив" << QStringList{"Иванов Иван Иванович"};
        QTest::newRow("ё as е, capitals") << "ЕЛ" << QStringList{"Елисеев Константин Олегович", "Ёлкина Мария Петровна"};
        QTest::newRow("two words") << "пет ан" << QStringList{"Петрова Анна Сергеевна"};
        QTest::newRow("nobody") << "ива пет" << QStringList{};
    }
    void theChecklistFilters()
    {
        QFETCH(QString, typed);
        QFETCH(QStringList, shown);
        pickGroup(QStringLiteral("фак"), QStringLiteral("охр"));
        QStringList seen;
        int all = 0;
        onWindow<TForm18>(Form18, [&](TForm18 &dialog) {
            all = int(dialog.studentList()->shownTexts().size());
            type(typed);
            seen = dialog.studentList()->shownTexts();
        });
        Form1->N41Click();
        QCOMPARE(all, 19); // 24 students, five of them in the group
        QCOMPARE(seen, shown);
    }

    // Three students checked through the filter are enrolled in one
    // transaction; the roster shows them.
    void aCheckedListIsEnrolled()
    {
        pickGroup(QStringLiteral("фак"), QStringLiteral("охр"));
        QString counted;
        onWindow<TForm18>(Form18, [&](TForm18 &dialog) {
            CheckList *list = dialog.studentList();
            type(QStringLiteral("ив"));
            QTest::keyClick(list->filterField(), Qt::Key_Down);
            QTest::keyClick(list->listView(), Qt::Key_Space);
            // Typed among the names, the keys go on in the field.
            QTest::keyClick(list->listView(), Qt::Key_Backspace);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
            QCOMPARE(QApplication::focusWidget(), list->filterField());
            type(QStringLiteral("ел"));
            QCOMPARE(list->filterField()->text(), QStringLiteral("ел"));
            // A click checks a name too.
            QListView *view = list->listView();
            for (int row : {0, 1})
                QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier,
                                  view->visualRect(view->model()->index(row, 0)).center());
            counted = list->countLabel()->text();
            fillOrder(dialog.orderFields(), QStringLiteral("о доп"), QStringLiteral("15-к"), QStringLiteral("05092026"));
            click(&dialog, "Button1");
        });
        Form1->N41Click();
        QVERIFY2(mainWindow->boxes.isEmpty(), qPrintable(mainWindow->boxes.join(u'\n')));
        QCOMPARE(counted, QStringLiteral("Показано: 2, отмечено: 3"));
        const RowSet added = demo->owner()->select(QStringLiteral(
            "SELECT s.s_fio, m.id_prikaz_come_slushatel, m.come_reg, substr(m.come_date, 1, 10) FROM movement_slushatel m "
            "JOIN s_fio s ON s.id_student = m.id_student WHERE m.id_group_slushatel = 2 AND m.come_reg = '15-к' ORDER BY s.s_fio"));
        QStringList lines;
        for (int row = 0; row < added.rowCount(); ++row)
            lines.append(QStringList{added.text(row, 0), added.text(row, 1), added.text(row, 3)}.join(u'|'));
        QCOMPARE(lines, (QStringList{"Елисеев Константин Олегович|4|2026-09-05", "Ёлкина Мария Петровна|4|2026-09-05",
                                     "Иванов Иван Иванович|4|2026-09-05"}));
        QCOMPARE(Form1->rosterGrid()->model()->rowCount(), 8);
    }

    // The same order text and number on another day asks first; so does an
    // empty number. "Нет" writes nothing; a student placed in the group by
    // another client meanwhile refuses the whole list.
    void questionsAndRefusalsOfAList_data()
    {
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("otherClient");
        QTest::addColumn<QString>("question");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("a number used on another day")
            << "10-к" << "" << "Приказ № 10-к уже есть от 01.09.2026. Всё равно продолжить?" << "";
        QTest::newRow("no number") << "" << "" << "Номер приказа не указан. Всё равно продолжить?" << "";
        QTest::newRow("a student placed meanwhile")
            << "15-к" << "INSERT INTO movement_slushatel (id_student, id_group_slushatel) VALUES (1, 2)" << ""
            << "Уже в этой группе:\rИванов Иван Иванович\rНичего не записано.";
    }
    void questionsAndRefusalsOfAList()
    {
        QFETCH(QString, number);
        QFETCH(QString, otherClient);
        QFETCH(QString, question);
        QFETCH(QString, refusal);
        pickGroup(QStringLiteral("фак"), QStringLiteral("охр"));
        QStringList asked, shown;
        QMessageBox::StandardButton answer = QMessageBox::No;
        boxInterceptor() = [&](const BoxRequest &box) {
            (box.kind == BoxKind::Question ? asked : shown).append(box.text);
            return box.kind == BoxKind::Question ? answer : QMessageBox::Ok;
        };
        const QStringList stored = storedRoster(2);
        onWindow<TForm18>(Form18, [&](TForm18 &dialog) {
            type(QStringLiteral("ив"));
            QTest::keyClick(dialog.studentList()->filterField(), Qt::Key_Down);
            QTest::keyClick(dialog.studentList()->listView(), Qt::Key_Space);
            fillOrder(dialog.orderFields(), QStringLiteral("о зачислении слушателей фпк"), number,
                      QStringLiteral("05092026"));
            if (!otherClient.isEmpty())
                demo->owner()->execute(otherClient);
            const QStringList afterOtherClient = storedRoster(2);
            click(&dialog, "Button1");
            QCOMPARE(storedRoster(2), afterOtherClient);
            if (question.isEmpty())
                return;
            answer = QMessageBox::Yes;
            click(&dialog, "Button1");
        });
        Form1->N41Click();
        QCOMPARE(asked, question.isEmpty() ? QStringList() : (QStringList() << question << question));
        if (refusal.isEmpty()) {
            QCOMPARE(shown, QStringList{});
            QCOMPARE(storedRoster(2).size(), stored.size() + 1); // "Да" wrote the row
        } else {
            QCOMPARE(shown.size(), 1);
            QVERIFY2(shown[0].startsWith(refusal), qPrintable(shown[0]));
        }
    }

    // The orders used, the latest first, and every student under one across
    // groups and faculties; printed and saved as the roster.
    void theListUnderAnOrderSpansGroups()
    {
        demo->owner()->execute(QStringLiteral(
            "UPDATE movement_slushatel SET come_reg = '10-к', come_date = '2026-09-01 00:00:00' WHERE id_group_slushatel = 3"));
        QStringList orders, heading, students, expulsions;
        ReportTable report;
        onWindow<TForm19>(Form19, [&](TForm19 &window) {
            const auto lines = [](DataGrid *grid) {
                QStringList all;
                for (int row = 0; row < grid->model()->rowCount(); ++row) {
                    QStringList cells;
                    for (int c = 0; c < grid->columns().size(); ++c)
                        cells.append(grid->model()->index(row, grid->modelColumn(c)).data().toString());
                    all.append(cells.join(u'|'));
                }
                return all;
            };
            orders = lines(window.orderGrid());
            // The order of groups 1 and 3: the last line.
            window.orderGrid()->setFocus();
            for (int k = 0; k < 3; ++k)
                QTest::keyClick(window.orderGrid(), Qt::Key_Down);
            heading.append(window.headingLabel()->text());
            students = lines(window.studentGrid());
            report = window.orderReport();
            QTest::mouseClick(window.expulsionChoice(), Qt::LeftButton);
            expulsions = lines(window.orderGrid());
            heading.append(window.headingLabel()->text());
        });
        Form1->N42Click();
        QCOMPARE(orders, (QStringList{"О зачислении на подготовительное отделение|14-к|05.09.2026|2",
                                      "О зачислении слушателей ФПП|13-к|04.09.2026|4",
                                      "О зачислении слушателей ФПП|11-к|02.09.2026|5",
                                      "О зачислении слушателей ФПК|10-к|01.09.2026|13"}));
        QCOMPARE(heading.value(0), QStringLiteral("Приказ № 10-к от 01.09.2026 «О зачислении слушателей ФПК»"));
        QCOMPARE(students.size(), 13);
        QCOMPARE(students.first(), QStringLiteral("1|Алексеев Дмитрий Юрьевич|Факультет повышения квалификации|"
                                                  "Бухгалтерский учёт и налогообложение"));
        QCOMPARE(students.value(1), QStringLiteral("2|Беляев Никита Романович|Факультет профессиональной переподготовки|"
                                                   "Управление персоналом"));
        QCOMPARE(report.headingLines().mid(0, 2),
                 (QStringList{"Список слушателей, зачисленных по приказу",
                              "Приказ № 10-к от 01.09.2026 «О зачислении слушателей ФПК»"}));
        QCOMPARE(report.rows.size(), 13);
        QCOMPARE(report.columns.size(), 4);
        QCOMPARE(expulsions.size(), 4); // each of the demo's expulsions has its own number
        QVERIFY(heading.value(1).startsWith(QStringLiteral("Приказ № ")));
    }
};

QTEST_MAIN(TestBulkOrders)
#include "tst_bulkorders.moc"

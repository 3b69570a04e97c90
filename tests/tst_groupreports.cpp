// The reports of groups: the contingent's movement over a period counted at
// the period's edges, with each faculty's sums and the total; the groups past
// their term; and the report opened from the main window's menu, its period
// changed and a group's line double-clicked to show that group's roster.
#include "MainWindowFixture.h"

#include "controls/DataGrid.h"
#include "controls/DatePicker.h"
#include "data/Connection.h"
#include "data/TDM.h"
#include "engine/Error.h"
#include "engine/RowSet.h"
#include "reports/GroupReports.h"
#include "screens/TForm1.h"
#include "screens/TForm10.h"
#include "screens/TForm9.h"

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTableView>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>

using namespace qor;

namespace {

const QDate First(2026, 3, 1), Last(2026, 3, 31);
constexpr int TestFaculty = 900;

QString stored(const QDate &day)
{
    return day.isValid() ? u'\'' + day.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(" 00:00:00'") : QStringLiteral("NULL");
}

// The report's line whose first two cells are these, its four counts.
QList<qint64> countsOf(const GroupReport &report, const QString &first, const QString &second)
{
    for (const QList<QVariant> &row : report.table.rows) {
        if (row.value(0).toString() == first && row.value(1).toString() == second)
            return {row[3].toLongLong(), row[4].toLongLong(), row[5].toLongLong(), row[6].toLongLong()};
    }
    return {};
}

// The report's line of the group with this name, or -1.
int lineOf(const GroupReport &report, const QString &group)
{
    for (int row = 0; row < report.table.rows.size(); ++row) {
        if (report.table.rows[row].value(1).toString() == group)
            return row;
    }
    return -1;
}

QStringList groupsListed(const GroupReport &report)
{
    QStringList names;
    for (const QList<QVariant> &row : report.table.rows)
        names.append(row.value(1).toString());
    return names;
}

} // namespace

class TestGroupReports : public QObject
{
    Q_OBJECT

    MainWindowFixture *mainWindow = nullptr;
    DemoFixture *demo = nullptr;

    // A group of the test faculty with one roster row for each pair of
    // enrolment and expulsion days (an invalid day: no date).
    void addGroup(const QString &name, const QDate &termEnd, const QList<std::pair<QDate, QDate>> &rows)
    {
        auto db = demo->owner();
        db->execute(QStringLiteral("INSERT INTO group_slushatel (id_faculty, name_short, name_full, srok_obuchenia, oplata) "
                                   "VALUES (%1, '%2', '%2', %3, 0)")
                        .arg(TestFaculty)
                        .arg(name, stored(termEnd)));
        for (const auto &[come, leave] : rows) {
            db->execute(QStringLiteral("INSERT INTO s_fio (s_fio) VALUES ('Слушатель группы %1')").arg(name));
            db->execute(QStringLiteral("INSERT INTO movement_slushatel (id_student, id_group_slushatel, come_date, leave_date) "
                                       "SELECT max(id_student), (SELECT id_group_slushatel FROM group_slushatel WHERE name_full = '%1'), "
                                       "%2, %3 FROM s_fio")
                            .arg(name, stored(come), stored(leave)));
        }
    }

    // Opens a report from the main window's menu as a person does and runs the
    // checks while it is shown; a failed check closes it, so that nothing waits.
    template <typename Checks>
    void openFromMenu(const char *actionName, Checks checks)
    {
        Form1->show();
        Form1->activateWindow(); // also after an earlier report was closed
        QVERIFY(QTest::qWaitForWindowActive(Form1));
        auto *bar = Form1->findChild<QMenuBar *>(QStringLiteral("MainMenu1"));
        auto *reports = Form1->findChild<QMenu *>(QStringLiteral("N7"));
        QCOMPARE(reports->title(), QStringLiteral("Отчёты"));
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(reports->menuAction()).center());
        QTRY_VERIFY(reports->isVisible());
        QAction *action = Form1->findChild<QAction *>(QString::fromLatin1(actionName));
        bool checked = false;
        QTimer::singleShot(0, this, [&] {
            const auto closeOnFailure = qScopeGuard([&] {
                if (!checked && QApplication::activeModalWidget())
                    QApplication::activeModalWidget()->close();
            });
            QTRY_VERIFY(QApplication::activeModalWidget());
            QVERIFY(QTest::qWaitForWindowActive(QApplication::activeModalWidget()));
            checks();
            checked = !QTest::currentTestFailed();
        });
        QTest::mouseClick(reports, Qt::LeftButton, {}, reports->actionGeometry(action).center());
        QVERIFY(checked);
    }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }

    void init()
    {
        mainWindow = new MainWindowFixture;
        demo = &mainWindow->demo;
        demo->owner()->execute(QStringLiteral("INSERT INTO faculty (id_faculty, [p23-1]) VALUES (%1, 'Тестовый факультет')").arg(TestFaculty));
    }
    void cleanup() { delete mainWindow; }

    void theMovementIsCountedAtThePeriodsEdges_data()
    {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::addColumn<QList<qint64>>("counts"); // at the start, enrolled, expelled, at the end
        QTest::newRow("the group at the edges") << "Тестовый факультет" << "А: края периода" << QList<qint64>{4, 2, 2, 4};
        QTest::newRow("a time of day on the last day") << "Тестовый факультет" << "Б: время дня" << QList<qint64>{1, 1, 0, 2};
        QTest::newRow("no rows") << "Тестовый факультет" << "В: пустая" << QList<qint64>{0, 0, 0, 0};
        QTest::newRow("the faculty's sums") << "Тестовый факультет" << "Итого по факультету" << QList<qint64>{5, 3, 2, 6};
        QTest::newRow("the total") << "Всего" << "" << QList<qint64>{5, 3, 2, 6};
    }
    void theMovementIsCountedAtThePeriodsEdges()
    {
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(QList<qint64>, counts);
        const QDate none;
        addGroup(QStringLiteral("А: края периода"), Last,
                 {
                     {First.addDays(-1), none},              // enrolled the day before: there at the start
                     {First, none},                          // on the first day: enrolled
                     {Last, none},                           // on the last day: enrolled
                     {QDate(2026, 1, 10), First},            // expelled on the first day: there at the start, expelled
                     {none, none},                           // no dates: there all along
                     {Last.addDays(1), none},                // enrolled after the period: not counted
                     {QDate(2026, 1, 10), First.addDays(-1)}, // expelled before it: not counted
                     {QDate(2026, 1, 1), Last},              // expelled on the last day: gone at the end
                 });
        addGroup(QStringLiteral("Б: время дня"), Last, {{none, none}, {none, none}});
        demo->owner()->execute(QStringLiteral("UPDATE movement_slushatel SET come_date = '2026-03-31 14:30:00' WHERE id_movement = "
                                              "(SELECT max(id_movement) FROM movement_slushatel)"));
        addGroup(QStringLiteral("В: пустая"), Last, {});

        const GroupReport report = contingentReport(DM->ADOCon, First, Last, TestFaculty, QStringLiteral("Тестовый факультет"));
        QCOMPARE(countsOf(report, first, second), counts);
        QCOMPARE(report.table.period, QStringLiteral("За период с 01.03.2026 по 31.03.2026"));
        QCOMPARE(report.table.rows.size(), 5); // three groups in name order, the sums, the total
        QCOMPARE(groupsListed(report).mid(0, 3), (QStringList{QStringLiteral("А: края периода"), QStringLiteral("Б: время дня"),
                                                              QStringLiteral("В: пустая")}));
        QCOMPARE(report.lines.size(), report.table.rows.size());
        QVERIFY(report.lines[3].group.isNull() && report.lines[4].group.isNull());
        QVERIFY(!report.table.notes.isEmpty());

        // All faculties: the test faculty's sums are among the others', and the total adds them all up.
        const GroupReport all = contingentReport(DM->ADOCon, First, Last, QVariant(), QString());
        QCOMPARE(countsOf(all, QStringLiteral("Тестовый факультет"), QStringLiteral("Итого по факультету")), (QList<qint64>{5, 3, 2, 6}));
        QList<qint64> sums(4, 0);
        for (int row = 0; row < all.table.rows.size(); ++row) {
            if (all.table.rows[row].value(1) == QStringLiteral("Итого по факультету")) {
                for (int c = 0; c < 4; ++c)
                    sums[c] += all.table.rows[row][3 + c].toLongLong();
            }
        }
        QCOMPARE(countsOf(all, QStringLiteral("Всего"), QString()), sums);
    }

    // The counts the reports sum follow every kind of roster write made as
    // the windows make them, are refused to a direct write as a view is on
    // the server, and a database made without them gets them when opened.
    void theCountsFollowTheRoster()
    {
        const auto countsMatchTheRoster = [this] {
            const QString counted = QStringLiteral("SELECT id_group_slushatel, coalesce(come_date, '-'), coalesce(leave_date, '-'), %1 "
                                                   "FROM %2 GROUP BY 1, 2, 3 ORDER BY 1, 2, 3");
            auto db = demo->owner();
            const RowSet kept = db->select(counted.arg(QStringLiteral("sum(roster_rows)"), QStringLiteral("movement_counts")));
            const RowSet roster = db->select(counted.arg(QStringLiteral("count(*)"), QStringLiteral("movement_slushatel")));
            if (kept.rowCount() != roster.rowCount())
                return false;
            for (int row = 0; row < kept.rowCount(); ++row)
                for (int column = 0; column < 4; ++column)
                    if (kept.value(row, column) != roster.value(row, column))
                        return false;
            return db->select(QStringLiteral("SELECT count(*) FROM movement_counts WHERE roster_rows <= 0")).integer(0, 0) == 0;
        };
        QVERIFY(countsMatchTheRoster());
        Connection *working = DM->ADOCon;
        working->execute(QStringLiteral("SET DATEFORMAT dmy"));
        working->execute(QStringLiteral("INSERT INTO [QOR].[dbo].[movement_slushatel] ([id_student],[id_group_slushatel],"
                                        "[come_date]) VALUES (6,2,'20150305')"));
        working->execute(QStringLiteral("INSERT INTO [QOR].[dbo].[movement_slushatel] ([id_student],[id_group_slushatel]) VALUES (7,2)"));
        working->execute(QStringLiteral("UPDATE [QOR].[dbo].[movement_slushatel] SET leave_date = '01.12.2026' WHERE id_student = 6 "
                                        "AND id_group_slushatel = 2"));
        working->execute(QStringLiteral("UPDATE [QOR].[dbo].[movement_slushatel] SET id_group_slushatel = 3, come_date = NULL "
                                        "WHERE id_student = 7 AND id_group_slushatel = 2"));
        working->execute(QStringLiteral("DELETE FROM [QOR].[dbo].[movement_slushatel] WHERE id_group_slushatel = 1 AND "
                                        "id_movement = (SELECT min(id_movement) FROM movement_slushatel WHERE id_group_slushatel = 1)"));
        QVERIFY(countsMatchTheRoster());

        // A failed write leaves them as they were.
        try {
            working->execute(QStringLiteral("UPDATE [QOR].[dbo].[movement_slushatel] SET leave_date = 'не дата'"));
            QFAIL("a date that is no date was written");
        } catch (const Error &) {
        }
        QVERIFY(countsMatchTheRoster());
        try {
            working->execute(QStringLiteral("UPDATE movement_counts SET roster_rows = 99"));
            QFAIL("the counts were written directly");
        } catch (const Error &error) {
            QVERIFY2(error.text().startsWith(QStringLiteral("Cannot update the view or function 'movement_counts'")), qPrintable(error.text()));
        }

        // A database from before the counts were kept, opened again.
        working->close();
        {
            auto db = demo->owner();
            for (const char *trigger : {"movement_counts_insert", "movement_counts_delete", "movement_counts_update"})
                db->execute(QStringLiteral("DROP TRIGGER %1").arg(QLatin1String(trigger)));
            db->execute(QStringLiteral("DROP TABLE movement_counts"));
            db->execute(QStringLiteral("INSERT INTO movement_slushatel (id_student, id_group_slushatel, come_date) "
                                       "VALUES (9, 4, '2026-12-01 00:00:00')"));
        }
        working->open();
        QVERIFY(countsMatchTheRoster());
        const GroupReport report = contingentReport(DM->ADOCon, QDate(2026, 12, 1), QDate(2026, 12, 31), QVariant(), QString());
        QCOMPARE(countsOf(report, QStringLiteral("Всего"), QString()).value(1), 1); // the one enrolled in December
    }

    void theGroupsPastTheirTermAreListedOldestFirst()
    {
        const QDate today = QDate::currentDate(), none;
        // None before the demo terms end: the report says so rather than show an empty table alone.
        QCOMPARE(groupsPastTermReport(DM->ADOCon, QDate(2026, 1, 1)).table.notes.value(0), QStringLiteral("Таких групп нет."));
        addGroup(QStringLiteral("Окончилась вчера"), today.addDays(-1), {{QDate(2025, 9, 1), none}, {QDate(2025, 9, 1), today.addDays(-1)}});
        addGroup(QStringLiteral("Окончилась давно"), today.addDays(-400), {{QDate(2020, 9, 1), none}, {none, none}});
        addGroup(QStringLiteral("Все отчислены"), today.addDays(-1), {{QDate(2025, 9, 1), today.addDays(-2)}});
        addGroup(QStringLiteral("Оканчивается сегодня"), today, {{QDate(2025, 9, 1), none}});

        const GroupReport report = groupsPastTermReport(DM->ADOCon, today);
        const QStringList names = groupsListed(report);
        QVERIFY(names.contains(QStringLiteral("Окончилась вчера")));
        QVERIFY(names.indexOf(QStringLiteral("Окончилась давно")) < names.indexOf(QStringLiteral("Окончилась вчера")));
        QVERIFY(!names.contains(QStringLiteral("Все отчислены")));
        QVERIFY(!names.contains(QStringLiteral("Оканчивается сегодня")));
        const QList<QVariant> &yesterday = report.table.rows[names.indexOf(QStringLiteral("Окончилась вчера"))];
        QCOMPARE(yesterday[3].toLongLong(), 1);
        QCOMPARE(yesterday[2].toDateTime().date(), today.addDays(-1));
        QCOMPARE(report.table.rows[names.indexOf(QStringLiteral("Окончилась давно"))][3].toLongLong(), 2);
        for (int row = 1; row < report.table.rows.size(); ++row)
            QVERIFY(report.table.rows[row - 1][2].toDateTime() <= report.table.rows[row][2].toDateTime());
    }

    // From the menu, a period typed, a double click on a group: the main
    // window shows that group's roster.
    void aGroupDoubleClickedShowsItsRoster()
    {
        QCOMPARE(Form1->findChild<QAction *>(QStringLiteral("N8"))->text(), QStringLiteral("Движение контингента…"));
        openFromMenu("N8", [&] {
            QVERIFY(Form9 && Form9->isModal());
            const QDate today = QDate::currentDate();
            QCOMPARE(Form9->firstDayPicker()->date(), QDate(today.year(), today.month(), 1));
            QCOMPARE(Form9->lastDayPicker()->date(), today);
            // The first day typed: the report is read again for the new period.
            DatePicker *first = Form9->firstDayPicker();
            auto *edit = first->findChild<QLineEdit *>();
            QTest::mouseClick(edit, Qt::LeftButton, {}, QPoint(3, edit->height() / 2)); // on the day
            QTest::keyClicks(first, QStringLiteral("01012000"));
            QCOMPARE(first->date(), QDate(2000, 1, 1));
            QTRY_COMPARE(Form9->report().table.period,
                         QStringLiteral("За период с 01.01.2000 по ") + today.toString(QStringLiteral("dd.MM.yyyy")));
            const int row = lineOf(Form9->report(), QStringLiteral("Охрана труда на предприятии"));
            QVERIFY(row >= 0);
            QVERIFY(Form9->report().table.rows[row][4].toLongLong() > 0); // enrolled since 2000
            QTableView *view = Form9->reportView();
            view->scrollTo(view->model()->index(row, 1));
            // As a person double-clicks: press and release, then the second press.
            const QPoint onGroup = view->visualRect(view->model()->index(row, 1)).center();
            QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, onGroup);
            QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, onGroup);
        });
        QCOMPARE(Form9, nullptr); // closed and freed
        QCOMPARE(Form1->groupList()->currentText(), QStringLiteral("Охрана труда на предприятии"));
        QCOMPARE(Form1->facultyList()->currentText(), QStringLiteral("Факультет повышения квалификации"));
        QCOMPARE(DM->chosen.group, Form1->groupList()->keyValue());
        const qint64 onRoster = demo->owner()
                                    ->select(QStringLiteral("SELECT count(*) FROM movement_slushatel WHERE id_group_slushatel = %1")
                                                 .arg(Form1->groupList()->keyValue().toLongLong()))
                                    .integer(0, 0);
        QCOMPARE(Form1->rosterGrid()->model()->rowCount(), int(onRoster));
        QVERIFY(onRoster > 0);
        QVERIFY(mainWindow->boxes.isEmpty());
    }

    // An expulsion typed into the roster and not yet written is counted:
    // opening a report writes it first. The report is used from the keyboard.
    void aPendingExpulsionIsCountedAndTheKeysReachEverything()
    {
        Form1->show();
        QVERIFY(QTest::qWaitForWindowActive(Form1));
        typeInto(Form1->facultyList(), QStringLiteral("Факультет пов"));
        typeInto(Form1->groupList(), QStringLiteral("Б")); // Бухгалтерский учёт и налогообложение
        DataGrid *grid = Form1->rosterGrid();
        grid->setFocus();
        grid->setCurrentIndex(grid->model()->index(0, 7)); // Отчисление|Дата
        const QDate today = QDate::currentDate();
        type(today.toString(QStringLiteral("dd.MM.yyyy")));
        QVERIFY(QApplication::focusWidget() != grid); // still in the cell's editor

        openFromMenu("N8", [&] {
            QVERIFY(Form9);
            const int row = lineOf(Form9->report(), QStringLiteral("Бухгалтерский учёт и налогообложение"));
            QVERIFY(row >= 0);
            const QList<QVariant> &line = Form9->report().table.rows[row];
            QCOMPARE(line[5].toLongLong(), 1);                         // expelled today
            QCOMPARE(line[6].toLongLong(), line[3].toLongLong() - 1); // one fewer at the end
            // The table has the keyboard; Tab goes on to the buttons and comes back.
            QTableView *view = Form9->reportView();
            QCOMPARE(QApplication::focusWidget(), view);
            QTest::keyClick(view, Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("BitBtn1"));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
            QCOMPARE(QApplication::focusWidget(), view);
            // Enter on a group's line shows its roster.
            const int other = lineOf(Form9->report(), QStringLiteral("Охрана труда на предприятии"));
            while (view->currentIndex().row() < other)
                QTest::keyClick(view, Qt::Key_Down);
            QTest::keyClick(view, Qt::Key_Return);
        });
        QCOMPARE(Form9, nullptr);
        QCOMPARE(Form1->groupList()->currentText(), QStringLiteral("Охрана труда на предприятии"));
        QVERIFY(mainWindow->boxes.isEmpty());

        // Escape closes the other report.
        openFromMenu("N9", [&] {
            QVERIFY(Form10);
            QTest::keyClick(Form10->reportView(), Qt::Key_Escape);
        });
        QCOMPARE(Form10, nullptr);
    }
};

QTEST_MAIN(TestGroupReports)
#include "tst_groupreports.moc"

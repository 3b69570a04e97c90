// A data grid bound to the data module, driven by keys and the mouse: rows
// appended, inserted, dropped, deleted and undone, typed text refused with
// the row kept, the focus leaving the grid, and the navigator's buttons.
#include "DemoFixture.h"

#include "controls/DataGrid.h"
#include "controls/DateTimeDelegate.h"
#include "controls/MessageBoxes.h"
#include "controls/Navigator.h"
#include "controls/QueryModel.h"
#include "data/TDM.h"

#include <QCalendarWidget>
#include <QHeaderView>
#include <QTableView>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

using namespace qor;

namespace {

// Typed as a person types: each key goes to the widget that has the focus
// (the grid opens a cell editor at the first key and hands it the focus).
void type(const QString &text)
{
    for (QChar ch : text)
        QTest::sendKeyEvent(QTest::Click, QApplication::focusWidget(), Qt::Key_unknown, QString(ch), Qt::NoModifier);
}

} // namespace

class TestGridEditing : public QObject
{
    Q_OBJECT

    DemoFixture *demo = nullptr;
    TDM *dm = nullptr;
    QWidget *window = nullptr;
    DataGrid *grid = nullptr;
    Navigator *navigator = nullptr;
    QLineEdit *elsewhere = nullptr;
    QStringList boxes;
    QMessageBox::StandardButton answer = QMessageBox::Ok;

    qint64 count(const QString &sql) { return demo->owner()->select(sql).integer(0, 0); }
    qint64 orders() { return count(QStringLiteral("SELECT count(*) FROM prikaz_come_slushatel")); }
    Query *shown() { return grid->queryModel()->query(); }
    QString cell(int row, const QString &field)
    {
        for (int c = 0; c < grid->model()->columnCount(); ++c) {
            if (grid->model()->headerData(c, Qt::Horizontal, FieldNameRole).toString() == field)
                return grid->model()->index(row, c).data().toString();
        }
        return {};
    }
    void goTo(int row, const QString &field)
    {
        for (int c = 0; c < grid->model()->columnCount(); ++c) {
            if (grid->model()->headerData(c, Qt::Horizontal, FieldNameRole).toString() == field)
                grid->setCurrentIndex(grid->model()->index(row, c));
        }
        grid->setFocus();
    }
    QLineEdit *editor() { return qobject_cast<QLineEdit *>(QApplication::focusWidget()); }

    // The enrolment orders, as their window shows them.
    void showOrders()
    {
        grid->setColumns({GridColumn::titled(QStringLiteral("prikaz_come"), QStringLiteral("Приказ на зачисление"), 156)});
        grid->setDataSource(dm->DS_Prikaz_come_slushatel);
        navigator->setGrid(grid, Navigator::Insert | Navigator::Delete);
        showWindow();
    }
    // The groups of a faculty, with a column of each kind.
    void showGroups(int faculty)
    {
        dm->chosen.formationFaculty = faculty;
        TDM::reopen(dm->ADOQ_GroupSlushatel_Formation, QStringLiteral("SELECT * FROM [group_slushatel] Where id_faculty=%1").arg(faculty));
        grid->setColumns({GridColumn::titled(QStringLiteral("name_short"), QStringLiteral("Группа"), 167),
                          GridColumn::titled(QStringLiteral("srok_obuchenia"), QStringLiteral("Срок обучения до"), 142),
                          GridColumn::titled(QStringLiteral("oplata"), QStringLiteral("Оплата за обучение"), 126),
                          GridColumn::titled(QStringLiteral("id_faculty"), QStringLiteral("Факультет"), 60)});
        grid->setDataSource(dm->DS_GroupSlushatel_Formation);
        navigator->setGrid(grid, Navigator::Insert | Navigator::Delete | Navigator::Post);
        showWindow();
    }
    void showWindow()
    {
        window->show();
        QVERIFY(QTest::qWaitForWindowActive(window));
        grid->setFocus();
    }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }

    void init()
    {
        demo = new DemoFixture;
        dm = new TDM;
        dm->ADOCon->setConnectionString(demo->workingConnectionString(QStringLiteral("demo")));
        dm->loadLists();
        window = new QWidget;
        auto *layout = new QVBoxLayout(window);
        elsewhere = new QLineEdit(window);
        grid = new DataGrid(window);
        navigator = new Navigator(window);
        navigator->setFixedHeight(25);
        layout->addWidget(elsewhere);
        layout->addWidget(grid);
        layout->addWidget(navigator);
        window->resize(700, 400);
        boxes.clear();
        answer = QMessageBox::Ok;
        boxInterceptor() = [this](const BoxRequest &box) {
            boxes.append(box.text);
            return box.kind == BoxKind::DeletionConfirmation ? answer : QMessageBox::Ok;
        };
    }
    void cleanup()
    {
        delete window;
        boxInterceptor() = nullptr;
        delete dm;
        delete demo;
    }

    void downOnTheLastRowAppendsAndUpDropsIt()
    {
        showOrders();
        const int rows = grid->model()->rowCount();
        goTo(rows - 1, QStringLiteral("prikaz_come"));
        QTest::keyClick(grid, Qt::Key_Down);
        QCOMPARE(grid->model()->rowCount(), rows + 1);
        QCOMPARE(grid->currentIndex().row(), rows);
        QCOMPARE(shown()->state(), Query::State::Insert);
        QTest::keyClick(grid, Qt::Key_Down); // no second row while the new one is unchanged
        QCOMPARE(grid->model()->rowCount(), rows + 1);
        QTest::keyClick(grid, Qt::Key_Up);
        QCOMPARE(grid->model()->rowCount(), rows);
        QCOMPARE(grid->currentIndex().row(), rows - 1);
        QCOMPARE(shown()->state(), Query::State::Browse);
        QCOMPARE(orders(), rows);
        QVERIFY(boxes.isEmpty());
    }

    void aTypedNewRowIsWrittenWhenLeft_data()
    {
        QTest::addColumn<int>("startKey");
        QTest::addColumn<int>("at"); // row the new row is expected at
        QTest::newRow("Insert before the second row") << int(Qt::Key_Insert) << 1;
        QTest::newRow("Tab past the last cell") << int(Qt::Key_Tab) << 4;
    }
    void aTypedNewRowIsWrittenWhenLeft()
    {
        QFETCH(int, startKey);
        QFETCH(int, at);
        showOrders();
        goTo(startKey == Qt::Key_Insert ? 1 : 3, QStringLiteral("prikaz_come"));
        QTest::keyClick(grid, Qt::Key(startKey));
        QCOMPARE(grid->model()->rowCount(), 5);
        QCOMPARE(grid->currentIndex().row(), at);
        type(QStringLiteral("О зачислении № 7"));
        QCOMPARE(orders(), 4); // not written while the row is current
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
        QCOMPARE(grid->currentIndex().row(), at - 1);
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM prikaz_come_slushatel WHERE prikaz_come = 'О зачислении № 7'")), 1);
        QCOMPARE(cell(at, QStringLiteral("prikaz_come")), QStringLiteral("О зачислении № 7"));
        QVERIFY(boxes.isEmpty());
    }

    void ctrlDeleteAsksFirst_data()
    {
        QTest::addColumn<bool>("empty");
        QTest::addColumn<int>("row");
        QTest::addColumn<bool>("editing"); // a cell's editor open with text typed
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("asked");
        QTest::addColumn<int>("left");
        QTest::newRow("OK deletes the last row") << false << 3 << false << int(QMessageBox::Ok) << 1 << 3;
        QTest::newRow("OK deletes a row in the middle") << false << 1 << false << int(QMessageBox::Ok) << 1 << 3;
        QTest::newRow("also while a cell is edited") << false << 1 << true << int(QMessageBox::Ok) << 1 << 3;
        QTest::newRow("Cancel keeps the row") << false << 3 << false << int(QMessageBox::Cancel) << 1 << 4;
        QTest::newRow("an empty grid asks nothing") << true << 0 << false << int(QMessageBox::Ok) << 0 << 0;
    }
    void ctrlDeleteAsksFirst()
    {
        QFETCH(bool, empty);
        QFETCH(int, row);
        QFETCH(bool, editing);
        QFETCH(int, answer);
        QFETCH(int, asked);
        QFETCH(int, left);
        this->answer = QMessageBox::StandardButton(answer);
        if (empty) {
            // An order no row refers to, in a list of its own.
            demo->owner()->execute(QStringLiteral("DELETE FROM movement_slushatel"));
            demo->owner()->execute(QStringLiteral("DELETE FROM prikaz_come_slushatel"));
            TDM::reopen(dm->ADOQ_Prikaz_come_slushatel, dm->ADOQ_Prikaz_come_slushatel->sql());
        } else {
            demo->owner()->execute(QStringLiteral("UPDATE movement_slushatel SET id_prikaz_come_slushatel = 1"));
        }
        showOrders();
        if (!empty)
            goTo(row, QStringLiteral("prikaz_come"));
        const QString next = cell(row + 1, QStringLiteral("prikaz_come"));
        if (editing)
            type(QStringLiteral("пр"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(boxes.size(), asked);
        if (asked)
            QCOMPARE(boxes.first(), QStringLiteral("Delete record?"));
        QCOMPARE(grid->model()->rowCount(), left);
        QCOMPARE(orders(), left);
        if (left == 3 && row == 1) {
            // The grid, its row marker and the data set stay on one row: the next one.
            QCOMPARE(grid->currentIndex().row(), 1);
            QCOMPARE(shown()->currentRow(), 1);
            QCOMPARE(cell(1, QStringLiteral("prikaz_come")), next);
        }
    }

    void aClickOnAnotherRowOnlyMovesThere()
    {
        showOrders();
        goTo(0, QStringLiteral("prikaz_come"));
        const QRect second = grid->visualRect(grid->model()->index(1, grid->currentIndex().column()));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, second.center());
        QTest::qWait(QApplication::doubleClickInterval() + 50);
        QCOMPARE(grid->currentIndex().row(), 1);
        QCOMPARE(QApplication::focusWidget(), grid); // no editor opened by the first click
        QCOMPARE(shown()->state(), Query::State::Browse);
    }

    void escapeRestoresTheCellThenUndoesTheRow()
    {
        showOrders();
        goTo(0, QStringLiteral("prikaz_come"));
        const QString was = cell(0, QStringLiteral("prikaz_come"));
        type(QStringLiteral("Первая правка"));
        QTest::keyClick(editor(), Qt::Key_Tab); // on to the next row: written
        type(QStringLiteral("Вторая"));
        QVERIFY(editor());
        QTest::keyClick(editor(), Qt::Key_Return); // into the row, not written
        QTRY_COMPARE(cell(1, QStringLiteral("prikaz_come")), QStringLiteral("Вторая"));
        type(QStringLiteral("Третья"));
        QTest::keyClick(editor(), Qt::Key_Escape); // the cell as it was before this editing
        QCOMPARE(cell(1, QStringLiteral("prikaz_come")), QStringLiteral("Вторая"));
        QCOMPARE(shown()->state(), Query::State::Edit);
        QTest::keyClick(grid, Qt::Key_Escape); // the row as it was read
        QCOMPARE(shown()->state(), Query::State::Browse);
        QCOMPARE(cell(1, QStringLiteral("prikaz_come")), QStringLiteral("О зачислении слушателей ФПП"));
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM prikaz_come_slushatel WHERE prikaz_come = 'Первая правка'")), 1);
        QVERIFY(was != cell(0, QStringLiteral("prikaz_come")));

        // A new row is dropped.
        QTest::keyClick(grid, Qt::Key_Insert);
        QCOMPARE(grid->model()->rowCount(), 5);
        QTest::keyClick(grid, Qt::Key_Escape);
        QCOMPARE(grid->model()->rowCount(), 4);
        QCOMPARE(orders(), 4);
    }

    void refusedTextKeepsTheRow_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("leaveBy");
        QTest::addColumn<QString>("error");
        QTest::newRow("date, Up") << "srok_obuchenia" << "abc" << int(Qt::Key_Up)
                                  << "'abc' is not a valid date and time";
        QTest::newRow("date, Tab") << "srok_obuchenia" << "31.02.2027" << int(Qt::Key_Tab)
                                   << "'31.02.2027' is not a valid date and time";
        QTest::newRow("fee, Down") << "oplata" << "1.500,00" << int(Qt::Key_Down)
                                   << "'1.500,00' is not a valid floating point value for field 'oplata'";
        QTest::newRow("fee nan, Down") << "oplata" << "nan" << int(Qt::Key_Down)
                                       << "'nan' is not a valid floating point value for field 'oplata'";
        QTest::newRow("fee inf, Tab") << "oplata" << "inf" << int(Qt::Key_Tab)
                                      << "'inf' is not a valid floating point value for field 'oplata'";
        QTest::newRow("integer, Up") << "id_faculty" << "x1" << int(Qt::Key_Up)
                                     << "'x1' is not a valid integer value for field 'id_faculty'";
    }
    void refusedTextKeepsTheRow()
    {
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(int, leaveBy);
        QFETCH(QString, error);
        showGroups(1);
        goTo(1, QStringLiteral("name_short"));
        type(QStringLiteral("ПК-1"));
        QTest::keyClick(editor(), Qt::Key_Return);
        QTRY_COMPARE(cell(1, QStringLiteral("name_short")), QStringLiteral("ПК-1"));
        goTo(1, field);
        type(typed);
        QTest::keyClick(editor(), Qt::Key(leaveBy));
        QCOMPARE(boxes, QStringList{errorDisplayText(error)});
        QCOMPARE(grid->currentIndex().row(), 1);
        QVERIFY(editor());
        QCOMPARE(editor()->text(), typed); // kept for correction
        QCOMPARE(shown()->state(), Query::State::Edit);
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM group_slushatel WHERE name_short = 'ПК-1'")), 0);

        // Corrected, the row goes.
        editor()->clear();
        QTest::keyClick(editor(), Qt::Key_Up);
        QCOMPARE(grid->currentIndex().row(), 0);
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM group_slushatel WHERE name_short = 'ПК-1'")), 1);
    }

    void arrowsWithNowhereToGoLeaveTheEditorAlone_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("key");
        QTest::newRow("Up on the first row") << 0 << int(Qt::Key_Up);
        QTest::newRow("PageUp on the first row") << 0 << int(Qt::Key_PageUp);
    }
    void arrowsWithNowhereToGoLeaveTheEditorAlone()
    {
        QFETCH(int, row);
        QFETCH(int, key);
        showGroups(1);
        goTo(row, QStringLiteral("oplata"));
        type(QStringLiteral("abc"));
        QTest::keyClick(editor(), Qt::Key(key));
        // Nothing to move to: the text stays in the editor, to be put right.
        QVERIFY(editor());
        QCOMPARE(editor()->text(), QStringLiteral("abc"));
        QVERIFY(boxes.isEmpty());
        QTest::keyClick(editor(), Qt::Key_Down);
        QCOMPARE(boxes, QStringList{QStringLiteral("'abc' is not a valid floating point value for field 'oplata'")});
    }

    void downOnTheLastRowKeepsTheColumn()
    {
        showGroups(1);
        goTo(1, QStringLiteral("oplata"));
        const int column = grid->currentIndex().column();
        QTest::keyClick(grid, Qt::Key_Down);
        QCOMPARE(grid->currentIndex().row(), 2);
        QCOMPARE(grid->currentIndex().column(), column);
    }

    void typedValuesInTheLocalForms()
    {
        showGroups(1);
        goTo(0, QStringLiteral("srok_obuchenia"));
        type(QStringLiteral("1.11.26"));
        QTest::keyClick(editor(), Qt::Key_Tab);
        type(QStringLiteral("1500,50"));
        QTest::keyClick(editor(), Qt::Key_Down);
        QVERIFY(boxes.isEmpty());
        const RowSet row = demo->owner()->select(QStringLiteral("SELECT srok_obuchenia, oplata FROM group_slushatel WHERE id_group_slushatel = 1"));
        QCOMPARE(row.text(0, 0), QStringLiteral("2026-11-01 00:00:00"));
        QCOMPARE(row.value(0, 1).toDouble(), 1500.5);
        QCOMPARE(cell(0, QStringLiteral("srok_obuchenia")), QStringLiteral("01.11.2026"));
    }

    void focusLeavingPutsTheTextIntoTheRow()
    {
        showGroups(1);
        goTo(0, QStringLiteral("name_short"));
        type(QStringLiteral("ПК-9"));
        QTest::mouseClick(elsewhere, Qt::LeftButton);
        QTRY_COMPARE(QApplication::focusWidget(), elsewhere);
        QCOMPARE(cell(0, QStringLiteral("name_short")), QStringLiteral("ПК-9"));
        QCOMPARE(shown()->state(), Query::State::Edit); // changed, not written
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM group_slushatel WHERE name_short = 'ПК-9'")), 0);

        // A refused text brings the focus back to the grid.
        goTo(0, QStringLiteral("oplata"));
        type(QStringLiteral("дорого"));
        QTest::mouseClick(elsewhere, Qt::LeftButton);
        QCOMPARE(boxes, QStringList{QStringLiteral("'дорого' is not a valid floating point value for field 'oplata'")});
        QTRY_VERIFY(editor() && grid->isAncestorOf(editor()));
        QCOMPARE(editor()->text(), QStringLiteral("дорого"));

        // An untouched new row is dropped when the focus leaves.
        editor()->clear();
        QTest::keyClick(editor(), Qt::Key_Return);
        QTest::keyClick(grid, Qt::Key_Insert); // writes the changed row first
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM group_slushatel WHERE name_short = 'ПК-9'")), 1);
        QCOMPARE(grid->model()->rowCount(), 3);
        QTest::mouseClick(elsewhere, Qt::LeftButton);
        QTRY_COMPARE(grid->model()->rowCount(), 2);
    }

    // Every key typed after a click on the current cell lands in it, however
    // soon after the click, also a held key's first press.
    void keysTypedRightAfterAClickLand_data()
    {
        QTest::addColumn<bool>("escapedFirst"); // the cell was opened and left by Escape, Escape
        QTest::addColumn<bool>("held");         // the first key is a held key's press
        QTest::newRow("a click, then two keys") << false << false;
        QTest::newRow("after Escape twice") << true << false;
        QTest::newRow("a held key") << false << true;
    }
    void keysTypedRightAfterAClickLand()
    {
        QFETCH(bool, escapedFirst);
        QFETCH(bool, held);
        showGroups(1);
        goTo(1, QStringLiteral("name_short"));
        const QPoint onCell = grid->visualRect(grid->currentIndex()).center();
        if (escapedFirst) {
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, onCell);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        }
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, onCell);
        if (held) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_5, Qt::NoModifier, QStringLiteral("5"), true);
            QApplication::sendEvent(QApplication::focusWidget(), &press);
            type(QStringLiteral("5"));
        } else {
            type(QStringLiteral("55"));
        }
        QVERIFY(editor() && grid->isAncestorOf(editor()));
        QCOMPARE(editor()->text(), QStringLiteral("55"));
        QTest::keyClick(editor(), Qt::Key_Down);
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM group_slushatel WHERE name_short = '55'")), 1);
    }

    // A day picked from a cell's calendar is an edit like typing: the row is
    // in editing, and the navigator posts it.
    void aDayPickedFromTheCalendarIsAnEdit()
    {
        showGroups(1);
        goTo(0, QStringLiteral("srok_obuchenia"));
        QTest::keyClick(grid, Qt::Key_F2);
        auto *date = qobject_cast<DateTimeEdit *>(QApplication::focusWidget());
        QVERIFY(date);
        QTest::keyClick(date, Qt::Key_Down, Qt::AltModifier);
        QTRY_VERIFY(date->calendar()->isVisible());
        auto *days = date->calendar()->findChild<QTableView *>();
        QVERIFY(days);
        const QModelIndex day = days->model()->index(3, 3); // a day of the month shown, under the titles
        QTest::mouseClick(days->viewport(), Qt::LeftButton, {}, days->visualRect(day).center());
        QTRY_VERIFY(!date->calendar()->isVisible());
        const QString picked = date->text();
        QCOMPARE(shown()->state(), Query::State::Edit);
        QToolButton *post = navigator->button(Navigator::Post);
        QVERIFY(post->isEnabled());
        QTest::mouseClick(post, Qt::LeftButton);
        QCOMPARE(shown()->state(), Query::State::Browse);
        QCOMPARE(cell(0, QStringLiteral("srok_obuchenia")), picked);
    }

    // Alt+Down on a date cell opens its calendar; the row stays.
    void altDownOpensTheCellsCalendar()
    {
        showGroups(1);
        goTo(0, QStringLiteral("srok_obuchenia"));
        QTest::keyClick(grid, Qt::Key_Down, Qt::AltModifier);
        QCOMPARE(grid->currentIndex().row(), 0);
        auto *date = qobject_cast<DateTimeEdit *>(grid->indexWidget(grid->currentIndex()));
        QVERIFY(date);
        QTRY_VERIFY(date->calendar()->isVisible());
        QTest::keyClick(date->calendar(), Qt::Key_Escape);
        QTRY_VERIFY(!date->calendar()->isVisible());
        QCOMPARE(shown()->state(), Query::State::Browse); // nothing picked, nothing changed
    }

    // A real message box takes the focus while it is shown and gives it
    // back: the refused text is still refused once, with one message.
    void aRefusalIsShownOnceWhileItsBoxHasTheFocus_data()
    {
        QTest::addColumn<int>("leaveBy");
        QTest::newRow("Tab") << int(Qt::Key_Tab);
        QTest::newRow("Return") << int(Qt::Key_Return);
        QTest::newRow("Down") << int(Qt::Key_Down);
    }
    void aRefusalIsShownOnceWhileItsBoxHasTheFocus()
    {
        QFETCH(int, leaveBy);
        showGroups(1);
        boxInterceptor() = [this](const BoxRequest &box) {
            boxes.append(box.text);
            QWidget *editing = QApplication::focusWidget();
            elsewhere->setFocus(); // as the box takes the keyboard
            if (editing)
                editing->setFocus(); // and hands it back when closed
            return QMessageBox::Ok;
        };
        goTo(0, QStringLiteral("oplata"));
        type(QStringLiteral("12,5x"));
        QTest::keyClick(editor(), Qt::Key(leaveBy));
        const QStringList once{QStringLiteral("'12,5x' is not a valid floating point value for field 'oplata'")};
        QTRY_COMPARE(boxes, once); // Return commits through a queued event
        QTest::qWait(50);
        QCOMPARE(boxes, once);
        QTRY_VERIFY(editor() && grid->isAncestorOf(editor()));
        QCOMPARE(editor()->text(), QStringLiteral("12,5x"));
        QCOMPARE(grid->currentIndex().row(), 0);
    }

    // Re-reading the rows (every pick does it twice) keeps the cells'
    // editors; columns described anew get new ones.
    void rereadingKeepsTheCellEditors()
    {
        showGroups(1);
        const auto dateEditor = [&] { return grid->itemDelegateForColumn(grid->modelColumn(1)); };
        QAbstractItemDelegate *before = dateEditor();
        QVERIFY(qobject_cast<DateTimeDelegate *>(before));
        TDM::reopen(dm->ADOQ_GroupSlushatel_Formation, QStringLiteral("SELECT * FROM [group_slushatel] Where id_faculty=2"));
        QCOMPARE(dateEditor(), before);
        grid->setColumns({GridColumn::titled(QStringLiteral("name_short"), QStringLiteral("Группа"), 167),
                          GridColumn::titled(QStringLiteral("srok_obuchenia"), QStringLiteral("Срок"), 100)});
        QVERIFY(dateEditor() != before);
        QVERIFY(qobject_cast<DateTimeDelegate *>(dateEditor()));
    }

    void navigatorButtons()
    {
        showGroups(4); // a faculty without groups
        QToolButton *insert = navigator->button(Navigator::Insert);
        QToolButton *remove = navigator->button(Navigator::Delete);
        QToolButton *post = navigator->button(Navigator::Post);
        const auto states = [&] { return QList<bool>{insert->isEnabled(), remove->isEnabled(), post->isEnabled()}; };
        QCOMPARE(states(), (QList<bool>{true, false, false})); // empty

        QTest::mouseClick(insert, Qt::LeftButton);
        QCOMPARE(states(), (QList<bool>{true, true, true})); // a new row
        type(QStringLiteral("ДО-1"));
        QTest::mouseClick(post, Qt::LeftButton); // the typed text goes in first
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM group_slushatel WHERE name_short = 'ДО-1' AND id_faculty = 4")), 1);
        QCOMPARE(states(), (QList<bool>{true, true, false}));

        goTo(0, QStringLiteral("name_short"));
        type(QStringLiteral("x"));
        QCOMPARE(states(), (QList<bool>{true, true, true})); // typing puts the row into editing

        QTest::mouseClick(remove, Qt::LeftButton);
        QCOMPARE(boxes, QStringList{QStringLiteral("Delete record?")});
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM group_slushatel WHERE id_faculty = 4")), 0);
        QCOMPARE(states(), (QList<bool>{true, false, false}));

        dm->ADOQ_GroupSlushatel_Formation->close();
        QCOMPARE(states(), (QList<bool>{false, false, false})); // closed
    }
};

QTEST_MAIN(TestGridEditing)
#include "tst_gridediting.moc"

// The add-to-group dialog, the group formation window and the order list
// windows on the demo data, driven by keys and the mouse, with what they
// store read back apart from the client.
#include "MainWindowFixture.h"

#include "controls/DataGrid.h"
#include "controls/DatePicker.h"
#include "controls/LookupList.h"
#include "controls/MessageBoxes.h"
#include "controls/Navigator.h"
#include "data/TDM.h"
#include "screens/TForm1.h"
#include "screens/TForm3.h"
#include "screens/TForm4.h"
#include "screens/TForm6.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using namespace qor;

namespace {

template <typename T>
T *child(QWidget *window, const char *name)
{
    return window->findChild<T *>(QString::fromLatin1(name));
}

// A group row written with no faculty chosen: the conversion error, then on a
// line of its own what the user can do.
const QString NoFacultyRefusal = QStringLiteral(
    "Could not convert variant of type (Null) into type (Integer)\r"
    "Факультет не выбран. Сначала выберите факультет в списке «Факультет:», затем изменяйте его группы; "
    "чтобы отменить несохранённое изменение, дважды нажмите Escape в таблице групп.");

} // namespace

class TestWindows : public QObject
{
    Q_OBJECT

    MainWindowFixture *mainWindow = nullptr;
    DemoFixture *demo = nullptr;

    qint64 count(const QString &sql) { return demo->owner()->select(sql).integer(0, 0); }
    void showAndWait(QWidget *window)
    {
        window->show();
        QVERIFY(QTest::qWaitForWindowActive(window));
    }
    // The main window with a group of the first faculty picked.
    void pickGroup(const QString &faculty, const QString &group)
    {
        typeInto(Form1->facultyList(), faculty);
        typeInto(Form1->groupList(), group);
    }
    QStringList itemsOf(LookupList *list)
    {
        QStringList items;
        for (int i = 0; i < list->count(); ++i)
            items.append(list->itemText(i));
        return items;
    }

    // Group formation opened again after a faculty with two groups was picked in it.
    void reopenFormationAfterAPick()
    {
        Form3 = new TForm3;
        showAndWait(Form3);
        typeInto(Form3->facultyList(), QStringLiteral("п")); // Подготовительное отделение: two groups
        delete Form3;
        Form3 = new TForm3;
        showAndWait(Form3);
    }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }

    void init()
    {
        mainWindow = new MainWindowFixture;
        demo = &mainWindow->demo;
        showAndWait(Form1);
    }
    void cleanup()
    {
        delete Form6;
        Form6 = nullptr;
        delete Form4;
        Form4 = nullptr;
        delete Form3;
        Form3 = nullptr;
        delete mainWindow;
    }

    void theMainWindowOpensEachWindowModallyAndFreesIt()
    {
        pickGroup(QStringLiteral("фак"), QStringLiteral("о")); // Охрана труда на предприятии
        bool seen = false;
        QTimer::singleShot(0, this, [&] {
            QTRY_VERIFY(Form6 && Form6->isVisible());
            seen = Form6->isModal();
            QTest::mouseClick(child<QPushButton>(Form6, "Button2"), Qt::LeftButton); // "Отмена"
        });
        QTest::mouseClick(child<QPushButton>(Form1, "BitBtn1"), Qt::LeftButton);
        QVERIFY(seen);
        QCOMPARE(Form6, nullptr);
    }

    void theOrderDateIsTypedAsPeopleTypeIt_data()
    {
        QTest::addColumn<bool>("backwards"); // entered with Shift+Tab from the number
        QTest::addColumn<QString>("typed");
        QTest::newRow("digits, from the buttons") << false << "05032015";
        QTest::newRow("with full stops") << false << "05.03.2015";
        QTest::newRow("digits, from the number") << true << "05032015";
        QTest::newRow("with full stops, from the number") << true << "5.3.2015";
        QTest::newRow("a day that may go on") << false << "1.11.2015";
    }
    void theOrderDateIsTypedAsPeopleTypeIt()
    {
        QFETCH(bool, backwards);
        QFETCH(QString, typed);
        pickGroup(QStringLiteral("фак"), QStringLiteral("о"));
        Form6 = Form1->newAddDialog();
        showAndWait(Form6);
        auto *number = child<QLineEdit>(Form6, "Edit1");
        auto *date = child<DatePicker>(Form6, "DateTimePicker1");
        number->setFocus();
        type(QStringLiteral("12-к"));
        if (backwards) {
            QTest::keyClick(number, Qt::Key_Backtab, Qt::ShiftModifier);
        } else {
            child<QPushButton>(Form6, "Button2")->setFocus();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QCOMPARE(QApplication::focusWidget(), date);
        QTest::keyClicks(date, typed);
        QCOMPARE(date->date(), typed.startsWith(u'1') ? QDate(2015, 11, 1) : QDate(2015, 3, 5));
        QCOMPARE(QApplication::focusWidget(), date);
        QCOMPARE(number->text(), QStringLiteral("12-к"));
        // Tab leaves it, as it leaves every other control.
        QTest::keyClick(date, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), number);
    }

    void aClickChoosesThePartTheDigitsReplace_data()
    {
        QTest::addColumn<bool>("focused"); // entered by Tab (the day chosen), then clicked
        QTest::addColumn<int>("at");       // the caret position clicked in "10.12.2026"
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QDate>("date");
        QTest::addColumn<int>("moved"); // a key that moves the caret after the click; 0: none
        QTest::newRow("day, left edge") << false << 0 << "05.03.2015" << QDate(2015, 3, 5) << 0;
        QTest::newRow("day, middle") << false << 1 << "05032015" << QDate(2015, 3, 5) << 0;
        QTest::newRow("day, right edge") << false << 2 << "05.03.2015" << QDate(2015, 3, 5) << 0;
        QTest::newRow("day, focused") << true << 1 << "17.04.2016" << QDate(2016, 4, 17) << 0;
        QTest::newRow("day, focused, digits") << true << 0 << "05032015" << QDate(2015, 3, 5) << 0;
        QTest::newRow("month") << false << 4 << "03.2015" << QDate(2015, 3, 10) << 0;
        QTest::newRow("month, focused") << true << 3 << "032015" << QDate(2015, 3, 10) << 0;
        QTest::newRow("year") << false << 8 << "2015" << QDate(2015, 12, 10) << 0;
        QTest::newRow("year, focused") << true << 6 << "2015" << QDate(2015, 12, 10) << 0;
        QTest::newRow("Home after a click") << false << 8 << "05032015" << QDate(2015, 3, 5) << int(Qt::Key_Home);
        QTest::newRow("End after a click") << false << 0 << "2015" << QDate(2015, 12, 10) << int(Qt::Key_End);
        QTest::newRow("Left into the month") << false << 6 << "03.2015" << QDate(2015, 3, 10) << int(Qt::Key_Left);
    }
    void aClickChoosesThePartTheDigitsReplace()
    {
        QFETCH(bool, focused);
        QFETCH(int, at);
        QFETCH(QString, typed);
        QFETCH(QDate, date);
        QFETCH(int, moved);
        pickGroup(QStringLiteral("фак"), QStringLiteral("о"));
        Form6 = Form1->newAddDialog();
        showAndWait(Form6);
        auto *picker = child<DatePicker>(Form6, "DateTimePicker1");
        picker->setDate(QDate(2026, 12, 10));
        auto *edit = picker->findChild<QLineEdit *>();
        QCOMPARE(edit->text(), QStringLiteral("10.12.2026"));
        // The middle of the span of points that put the caret at the position.
        QList<int> xs;
        for (int x = 0; x < edit->width(); ++x)
            if (edit->cursorPositionAt(QPoint(x, edit->height() / 2)) == at)
                xs.append(x);
        QVERIFY(!xs.isEmpty());
        const QPoint point(xs.at(xs.size() / 2), edit->height() / 2);
        if (focused)
            picker->setFocus(Qt::TabFocusReason);
        else
            child<QLineEdit>(Form6, "Edit1")->setFocus();
        QTest::mouseClick(edit, Qt::LeftButton, {}, point);
        QCOMPARE(QApplication::focusWidget(), picker);
        if (moved != 0)
            QTest::keyClick(picker, Qt::Key(moved));
        QTest::keyClicks(picker, typed);
        QCOMPARE(picker->date(), date);
    }

    void addingAStudent_data()
    {
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("refusal"); // empty: stored
        QTest::newRow("an apostrophe is stored as typed") << "12'к" << "";
        QTest::newRow("over 20 characters is refused") << "123456789012345678901" << "String or binary data would be truncated.";
    }
    void addingAStudent()
    {
        QFETCH(QString, number);
        QFETCH(QString, refusal);
        pickGroup(QStringLiteral("фак"), QStringLiteral("о"));
        QAbstractItemModel *roster = Form1->rosterGrid()->model();
        QCOMPARE(roster->rowCount(), 5);
        Form6 = Form1->newAddDialog();
        showAndWait(Form6);
        auto *add = child<QPushButton>(Form6, "Button1");
        auto *students = child<LookupList>(Form6, "DBLookupComboBox1");
        auto *orders = child<LookupList>(Form6, "DBLookupComboBox2");
        QVERIFY(!itemsOf(students).contains(QStringLiteral("Волков Сергей Михайлович"))); // already in the group
        QCOMPARE(students->count(), 19);

        // The add button waits for both lists.
        QVERIFY(!add->isEnabled());
        typeInto(students, QStringLiteral("жук"));
        QVERIFY(!add->isEnabled());
        students->setKeyValue({});
        typeInto(orders, QStringLiteral("о доп"));
        QVERIFY(!add->isEnabled());
        typeInto(students, QStringLiteral("жук"));
        QVERIFY(add->isEnabled());

        child<QLineEdit>(Form6, "Edit1")->setFocus();
        type(number);
        auto *date = child<DatePicker>(Form6, "DateTimePicker1");
        date->setFocus(Qt::TabFocusReason); // as Tab enters it: on the day
        QTest::keyClicks(date, QStringLiteral("05032015"));
        QCOMPARE(date->date(), QDate(2015, 3, 5));
        QTest::mouseClick(add, Qt::LeftButton);

        QString quoted = number;
        quoted.replace(u'\'', QStringLiteral("''"));
        QCOMPARE(DM->ADOQ_Exec->sql(), QStringLiteral("INSERT INTO [QOR].[dbo].[movement_slushatel] ([id_student],"
                                                      "[id_group_slushatel],[id_prikaz_come_slushatel],[come_date],[come_reg]) "
                                                      "VALUES (6,2,4,'20150305','%1')").arg(quoted));
        const qint64 stored = count(QStringLiteral("SELECT count(*) FROM movement_slushatel WHERE id_student = 6 AND id_group_slushatel = 2 "
                                                   "AND id_prikaz_come_slushatel = 4 AND come_date = '2015-03-05 00:00:00' AND come_reg = '%1'")
                                        .arg(quoted));
        if (refusal.isEmpty()) {
            QVERIFY(mainWindow->boxes.isEmpty());
            QCOMPARE(stored, 1);
            QCOMPARE(roster->rowCount(), 6); // the roster shows the new row at once
            QCOMPARE(students->keyValue(), QVariant());
            QCOMPARE(orders->keyValue(), QVariant());
            QVERIFY(!add->isEnabled());
            QCOMPARE(date->date(), QDate::currentDate());
            QCOMPARE(child<QLineEdit>(Form6, "Edit1")->text(), number); // kept for the next student
            QCOMPARE(QApplication::focusWidget(), students); // Enter would not close the dialog
            QCOMPARE(students->count(), 19); // listed until the dialog opens again
        } else {
            QCOMPARE(mainWindow->boxes, QStringList{refusal});
            QCOMPARE(stored, 0);
            QCOMPARE(roster->rowCount(), 5);
            QCOMPARE(students->currentText(), QStringLiteral("Жукова Дарья Викторовна")); // choices kept
            QVERIFY(add->isEnabled());
        }
    }

    void aFacultysFirstGroupAppearsInTheMainWindow()
    {
        QVERIFY(!itemsOf(Form1->facultyList()).contains(QStringLiteral("Факультет дистанционного обучения")));
        typeInto(Form1->facultyList(), QStringLiteral("фак"));
        const QString chosen = Form1->facultyList()->currentText();

        Form3 = new TForm3;
        showAndWait(Form3);
        DataGrid *grid = child<DataGrid>(Form3, "DBGridEh1");
        QCOMPARE(grid->model()->rowCount(), 0);
        auto *navigator = child<Navigator>(Form3, "DBNavigator1");
        QVERIFY(!navigator->button(Navigator::Insert)->isEnabled()); // closed until a faculty is picked
        typeInto(Form3->facultyList(), QStringLiteral("фд"));
        QCOMPARE(Form3->facultyList()->currentText(), QStringLiteral("Факультет дистанционного обучения"));
        QCOMPARE(grid->model()->rowCount(), 0);
        QTest::mouseClick(navigator->button(Navigator::Insert), Qt::LeftButton);
        grid->setFocus();
        type(QStringLiteral("ДО-1"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        type(QStringLiteral("Дистанционный курс"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        type(QStringLiteral("30.6.27"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        type(QStringLiteral("9900,5"));
        // Closing writes the row typed in, then reloads the main window's faculties.
        QVERIFY(Form3->close());
        QVERIFY(mainWindow->boxes.isEmpty());
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM group_slushatel WHERE id_faculty = 4 AND name_short = 'ДО-1' "
                                      "AND name_full = 'Дистанционный курс' AND srok_obuchenia = '2027-06-30 00:00:00' AND oplata = 9900.5")),
                 1);
        QVERIFY(itemsOf(Form1->facultyList()).contains(QStringLiteral("Факультет дистанционного обучения")));
        QCOMPARE(Form1->facultyList()->currentText(), chosen); // keeps its choice
    }

    void theNextOpeningShowsTheGroupsPickedBefore()
    {
        reopenFormationAfterAPick();
        DataGrid *grid = child<DataGrid>(Form3, "DBGridEh1");
        QCOMPARE(Form3->facultyList()->currentIndex(), -1);
        QCOMPARE(grid->model()->rowCount(), 2);
        grid->setFocus();
        grid->setCurrentIndex(grid->model()->index(0, 0));
        type(QStringLiteral("ПО-9"));
        QTest::mouseClick(child<Navigator>(Form3, "DBNavigator1")->button(Navigator::Post), Qt::LeftButton);
        QCOMPARE(mainWindow->boxes, QStringList{NoFacultyRefusal});
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM group_slushatel WHERE name_short = 'ПО-9'")), 0);
        // The window stays open rather than lose the row; undone, it closes.
        QVERIFY(!Form3->close());
        grid->setFocus();
        QTest::keyClick(grid, Qt::Key_Escape);
        QVERIFY(Form3->close());
    }

    void aPickThatCannotWriteTheRowSaysWhatToDo()
    {
        reopenFormationAfterAPick();
        DataGrid *grid = child<DataGrid>(Form3, "DBGridEh1");
        grid->setFocus();
        grid->setCurrentIndex(grid->model()->index(0, 3)); // the fee
        type(QStringLiteral("4321"));
        typeInto(Form3->facultyList(), QStringLiteral("п"));
        QCOMPARE(mainWindow->boxes, QStringList{NoFacultyRefusal});
        QCOMPARE(Form3->facultyList()->currentIndex(), -1);
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM group_slushatel WHERE oplata = 4321")), 0);

        // As the message says: Escape twice in the grid, then the pick goes.
        grid->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        typeInto(Form3->facultyList(), QStringLiteral("п"));
        QCOMPARE(mainWindow->boxes, QStringList{NoFacultyRefusal});
        QVERIFY(Form3->facultyList()->currentIndex() >= 0);
        QCOMPARE(grid->model()->rowCount(), 2);
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM group_slushatel WHERE oplata = 4321")), 0);
        QVERIFY(Form3->close());
    }

    void everyCloseShowsWhyTheWindowStays()
    {
        Form3 = new TForm3;
        showAndWait(Form3);
        typeInto(Form3->facultyList(), QStringLiteral("п"));
        DataGrid *grid = child<DataGrid>(Form3, "DBGridEh1");
        grid->setFocus();
        grid->setCurrentIndex(grid->model()->index(0, 3)); // the fee
        type(QStringLiteral("abc"));
        const QString refusal = QStringLiteral("'abc' is not a valid floating point value for field 'oplata'");
        QVERIFY(!Form3->close());
        QVERIFY(!Form3->close()); // pressed again: said again, not ignored
        QCOMPARE(mainWindow->boxes, (QStringList{refusal, refusal}));
        QVERIFY(Form3->isVisible());
    }

    void anOrderAddedIsOfferedAtOnce()
    {
        pickGroup(QStringLiteral("фак"), QStringLiteral("о"));
        Form4 = new TForm4;
        showAndWait(Form4);
        DataGrid *grid = child<DataGrid>(Form4, "DBGridEh1");
        grid->setFocus();
        grid->setCurrentIndex(grid->model()->index(3, 0));
        QTest::keyClick(grid, Qt::Key_Down);
        type(QStringLiteral("О зачислении № 99"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up); // written on moving
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM prikaz_come_slushatel WHERE prikaz_come = 'О зачислении № 99'")), 1);
        QVERIFY(Form4->close());

        Form6 = Form1->newAddDialog();
        showAndWait(Form6);
        QVERIFY(itemsOf(child<LookupList>(Form6, "DBLookupComboBox2")).contains(QStringLiteral("О зачислении № 99")));
    }

    void anOrderInUseIsNotDeleted()
    {
        Form4 = new TForm4;
        showAndWait(Form4);
        DataGrid *grid = child<DataGrid>(Form4, "DBGridEh1");
        grid->setFocus();
        grid->setCurrentIndex(grid->model()->index(0, 0));
        QTest::mouseClick(child<Navigator>(Form4, "DBNavigator1")->button(Navigator::Delete), Qt::LeftButton);
        QCOMPARE(mainWindow->boxes, (QStringList{QStringLiteral("Delete record?"),
                                     QStringLiteral("The DELETE statement conflicted with the REFERENCE constraint "
                                                    "\"FK_movement_slushatel_prikaz_come\". The conflict occurred in database "
                                                    "\"QOR\", table \"dbo.movement_slushatel\", column 'id_prikaz_come_slushatel'.")}));
        QCOMPARE(grid->model()->rowCount(), 4);
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM prikaz_come_slushatel")), 4);
    }
};

QTEST_MAIN(TestWindows)
#include "tst_windows.moc"

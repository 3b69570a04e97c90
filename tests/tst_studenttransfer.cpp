// The student's card and the transfer to another group on the demo data,
// driven by keys: the card lists every roster row by enrolment date; the
// transfer writes the row's expulsion and the new row together, and each
// refusal writes nothing.
#include "MainWindowFixture.h"

#include "controls/DataGrid.h"
#include "controls/DatePicker.h"
#include "data/StudentTransfer.h"
#include "data/TDM.h"
#include "engine/RowSet.h"
#include "screens/TForm1.h"
#include "screens/TForm15.h"
#include "screens/TForm16.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>

using namespace qor;

namespace {
// Иванов Иван Иванович, enrolled in group 1 ("Бухгалтерский учёт и налогообложение").
constexpr int Student = 1;
const QString RowChanged =
    QStringLiteral("Row cannot be located for updating. Some values may have been changed since it was last read.");
} // namespace

class TestStudentTransfer : public QObject
{
    Q_OBJECT

    MainWindowFixture *mainWindow = nullptr;
    DemoFixture *demo = nullptr;

    // The student's roster rows as stored: group, leave order, leave number,
    // leave day, come order, come number, come day, in the order of the keys.
    QStringList storedRows()
    {
        const RowSet rows = demo->owner()->select(
            QStringLiteral(
                "SELECT id_group_slushatel, id_prikaz_leave_slushatel, leave_reg, substr(leave_date, 1, 10), "
                "id_prikaz_come_slushatel, come_reg, substr(come_date, 1, 10) FROM movement_slushatel "
                "WHERE id_student = %1 ORDER BY id_movement")
                .arg(Student));
        QStringList lines;
        for (int row = 0; row < rows.rowCount(); ++row) {
            QStringList cells;
            for (int c = 0; c < rows.columnCount(); ++c)
                cells.append(rows.text(row, c));
            lines.append(cells.join(u'|'));
        }
        return lines;
    }
    // The group's roster in the main window, the student's row current.
    void showStudentsGroup()
    {
        typeInto(Form1->facultyList(), QStringLiteral("фак"));
        typeInto(Form1->groupList(), QStringLiteral("бух"));
        DataGrid *roster = Form1->rosterGrid();
        roster->setFocus();
        for (int row = 0; row < roster->model()->rowCount(); ++row) {
            if (roster->model()->index(row, roster->modelColumn(1)).data().toString()
                == QStringLiteral("Иванов Иван Иванович"))
                roster->setCurrentIndex(roster->model()->index(row, roster->modelColumn(1)));
        }
    }
    // The transfer dialog on the roster's current row, shown.
    std::unique_ptr<TForm16> openTransfer()
    {
        Query *roster = DM->ADOQ_movement_slushatel;
        std::unique_ptr<TForm16> dialog(
            new TForm16(roster, roster->currentRow(), QStringLiteral("Иванов Иван Иванович")));
        dialog->show();
        [&] { QVERIFY(QTest::qWaitForWindowActive(dialog.get())); }();
        return dialog;
    }
    // Fills the dialog as a person does: the group picked by typing its
    // start, the first order of each list, the expulsion's number and day
    // typed (the enrolment's follow).
    void fill(TForm16 &dialog, const QString &group, const QString &day)
    {
        typeInto(dialog.groupList(), group);
        dialog.expulsionOrderList()->setFocus();
        QTest::keyClick(dialog.expulsionOrderList(), Qt::Key_Down);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        type(QStringLiteral("7-п"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), dialog.expulsionDate());
        QTest::keyClicks(dialog.expulsionDate(), day);
        dialog.enrolmentOrderList()->setFocus();
        QTest::keyClick(dialog.enrolmentOrderList(), Qt::Key_Down);
    }
    void pressTransfer(TForm16 &dialog)
    {
        auto *button = dialog.findChild<QPushButton *>(QStringLiteral("Button1"));
        button->setFocus();
        QTest::keyClick(button, Qt::Key_Return);
    }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }
    void init()
    {
        mainWindow = new MainWindowFixture;
        demo = &mainWindow->demo;
        // Enrolled long ago, so that a transfer today is after it whatever today is.
        demo->owner()->execute(QStringLiteral("UPDATE movement_slushatel SET come_date = '2020-01-10 00:00:00'"));
        // Terms that end long after any today, but where a test ends one.
        demo->owner()->execute(QStringLiteral("UPDATE group_slushatel SET srok_obuchenia = '2099-12-31 00:00:00'"));
        Form1->show();
        QVERIFY(QTest::qWaitForWindowActive(Form1));
        showStudentsGroup();
    }
    void cleanup() { delete mainWindow; }

    void theTransferWritesBothRowsTogether()
    {
        const QStringList before = storedRows();
        QCOMPARE(before, QStringList{"1||||1|10-к|2020-01-10"});
        bool transferred = false;
        {
            auto dialog = openTransfer();
            connect(dialog.get(), &TForm16::transferred, this, [&] { transferred = true; });
            fill(*dialog, QStringLiteral("охр"), QStringLiteral("05032021"));
            QCOMPARE(dialog->enrolmentNumber()->text(), QStringLiteral("7-п"));
            QCOMPARE(dialog->enrolmentDate()->date(), QDate(2021, 3, 5));
            pressTransfer(*dialog);
            QVERIFY(transferred);
            QVERIFY(!dialog->isVisible());
        }
        QCOMPARE(storedRows(), (QStringList{"1|1|7-п|2021-03-05|1|10-к|2020-01-10", "2||||1|7-п|2021-03-05"}));
        QVERIFY(mainWindow->boxes.isEmpty());
    }

    void eachRefusalWritesNothing_data()
    {
        QTest::addColumn<QString>("group");
        QTest::addColumn<QString>("day");
        QTest::addColumn<QString>("enrolmentDay"); // typed over the expulsion's when given
        QTest::addColumn<QString>("otherClient"); // a statement run after the dialog opened
        QTest::addColumn<QString>("refusal");     // the start of the text shown
        QTest::newRow("the group the student is in")
            << "бух"
            << "05032021"
            << ""
            << ""
            << "Слушатель уже зачислен в группу «Бухгалтерский учёт и налогообложение»";
        QTest::newRow("a group the student is also in")
            << "охр"
            << "05032021"
            << ""
            << "INSERT INTO movement_slushatel (id_student, id_group_slushatel) VALUES (1, 2)"
            << "Слушатель уже зачислен в группу «Охрана труда на предприятии»";
        QTest::newRow("an expulsion before the enrolment") << "охр"
                                                           << "09012020"
                                                           << ""
                                                           << ""
                                                           << "Дата отчисления 09.01.2020 раньше даты зачисления";
        QTest::newRow("an enrolment before the expulsion")
            << "охр"
            << "05032021"
            << "04032021"
            << ""
            << "Дата зачисления в новую группу 04.03.2021 раньше даты отчисления 05.03.2021";
        QTest::newRow("the row changed by another client")
            << "охр"
            << "05032021"
            << ""
            << "UPDATE movement_slushatel SET come_reg = '11-к' WHERE id_student = 1" << RowChanged;
        QTest::newRow("the row expelled by another client")
            << "охр"
            << "05032021"
            << ""
            << "UPDATE movement_slushatel SET leave_date = '2020-02-01 00:00:00' WHERE id_student = 1" << RowChanged;
        QTest::newRow("the new row refused by the database")
            << "охр"
            << "05032021"
            << ""
            << "CREATE TRIGGER refuse_row BEFORE INSERT ON movement_slushatel BEGIN SELECT RAISE(ABORT, 'refused here'); END"
            << "refused here";
    }
    void eachRefusalWritesNothing()
    {
        QFETCH(QString, group);
        QFETCH(QString, day);
        QFETCH(QString, enrolmentDay);
        QFETCH(QString, otherClient);
        QFETCH(QString, refusal);
        auto dialog = openTransfer();
        if (!otherClient.isEmpty())
            demo->owner()->execute(otherClient);
        const QStringList before = storedRows();
        fill(*dialog, group, day);
        if (!enrolmentDay.isEmpty()) {
            dialog->enrolmentNumber()->setFocus();
            QTest::keyClick(dialog->enrolmentNumber(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), dialog->enrolmentDate());
            QTest::keyClicks(dialog->enrolmentDate(), enrolmentDay);
        }
        pressTransfer(*dialog);
        QCOMPARE(mainWindow->boxes.size(), 1);
        QVERIFY2(mainWindow->boxes[0].startsWith(refusal), qPrintable(mainWindow->boxes[0]));
        QCOMPARE(storedRows(), before);
        QVERIFY(dialog->isVisible()); // nothing typed is lost: it can be corrected
    }

    // Another client enrols the student in the target after the dialog's own
    // check: the transaction finds it and writes nothing.
    void theTransactionChecksTheTargetAgain()
    {
        Query *roster = DM->ADOQ_movement_slushatel;
        Transfer transfer;
        transfer.targetGroup = 2;
        transfer.expulsion = {1, QStringLiteral("7-п"), QDate(2021, 3, 5)};
        transfer.enrolment = {1, QStringLiteral("7-п"), QDate(2021, 3, 5)};
        QCOMPARE(transfer.refusal(*roster, roster->currentRow()), QString());
        demo->owner()->execute(
            QStringLiteral("INSERT INTO movement_slushatel (id_student, id_group_slushatel) VALUES (1, 2)"));
        const QStringList before = storedRows();
        QCOMPARE(errorOf([&] { transfer.writeFrom(DM->ADOCon, *roster, roster->currentRow()); }),
                 QStringLiteral("Слушатель уже зачислен в группу «Охрана труда на предприятии» и не отчислен из неё. "
                                "Выберите другую группу."));
        QCOMPARE(storedRows(), before);
    }

    // The roster's own menu offers the card and the transfer; the transfer
    // only on a row without an expulsion.
    void theRostersMenuOffersTheCardAndTheTransfer()
    {
        QStringList items;
        for (QAction *item : Form1->rosterGrid()->actions())
            items.append(item->isSeparator() ? QStringLiteral("-") : item->text());
        QCOMPARE(items.mid(2), (QStringList{"-", "Карточка слушателя", "Перевести в другую группу…", "Отчислить выбранных…"}));
        auto *card = Form1->findChild<QAction *>(QStringLiteral("N31"));
        auto *transfer = Form1->findChild<QAction *>(QStringLiteral("N32"));
        QCOMPARE(card->shortcut(), QKeySequence(QStringLiteral("Ctrl+I")));
        QVERIFY(card->isEnabled() && transfer->isEnabled());
        DataGrid *roster = Form1->rosterGrid();
        roster->setCurrentIndex(roster->model()->index(0, roster->modelColumn(1)));
        QTest::keyClick(roster, Qt::Key_Down);
        QTest::keyClick(roster, Qt::Key_Down); // Ёлкина, expelled
        QCOMPARE(roster->model()->index(roster->currentIndex().row(), roster->modelColumn(1)).data().toString(),
                 QStringLiteral("Ёлкина Мария Петровна"));
        QVERIFY(card->isEnabled());
        QVERIFY(!transfer->isEnabled());
    }

    // A group whose term has ended is asked about: "Нет" writes nothing, "Да" transfers.
    void aGroupPastItsTermIsAskedAbout()
    {
        demo->owner()->execute(QStringLiteral(
            "UPDATE group_slushatel SET srok_obuchenia = '2021-01-01 00:00:00' WHERE id_group_slushatel = 2"));
        auto dialog = openTransfer();
        fill(*dialog, QStringLiteral("охр"), QStringLiteral("05032021"));
        QStringList questions;
        QMessageBox::StandardButton answer = QMessageBox::No;
        boxInterceptor() = [&](const BoxRequest &box) {
            questions.append(box.text);
            return box.kind == BoxKind::Question ? answer : QMessageBox::Ok;
        };
        const QStringList before = storedRows();
        pressTransfer(*dialog);
        QCOMPARE(questions, QStringList{"Срок обучения группы «Охрана труда на предприятии» истёк 01.01.2021. "
                                        "Всё равно перевести слушателя в эту группу?"});
        QCOMPARE(storedRows(), before);
        answer = QMessageBox::Yes;
        pressTransfer(*dialog);
        QCOMPARE(questions.size(), 2);
        QCOMPARE(storedRows().size(), 2);
        QVERIFY(!dialog->isVisible());
    }

    // Ctrl+I in the roster opens the card: every row by enrolment date; the
    // transfer from it shows both rows there and the expulsion in the roster.
    void theCardShowsEveryRowAndTheTransfer()
    {
        demo->owner()->execute(QStringLiteral(
            "INSERT INTO movement_slushatel (id_student, id_group_slushatel, id_prikaz_come_slushatel, come_date, come_reg, "
            "id_prikaz_leave_slushatel, leave_date, leave_reg) VALUES (1, 5, 3, '2019-09-01 00:00:00', '5-к', 2, "
            "'2019-12-20 00:00:00', '9-о')"));
        QStringList groups, afterTransfer;
        QTimer::singleShot(0, this, [&] {
            const auto closeOnFailure = qScopeGuard([&] {
                if (Form16)
                    Form16->close();
                if (Form15)
                    Form15->close();
            });
            QTRY_VERIFY(Form15 && Form15->isVisible());
            QAbstractItemModel *rows = Form15->movementGrid()->model();
            const auto column = [&](int described) {
                QStringList values;
                for (int row = 0; row < rows->rowCount(); ++row)
                    values.append(rows->index(row, Form15->movementGrid()->modelColumn(described)).data().toString());
                return values;
            };
            groups = column(0);
            const ReportTable card = Form15->cardReport();
            QCOMPARE(card.headingLines().value(1), QStringLiteral("Иванов Иван Иванович"));
            QCOMPARE(card.rows.size(), 2);
            QCOMPARE(card.columns.size(), 9);

            // The transfer from the card: its latest row, still enrolled, is current.
            QTimer::singleShot(0, this, [&] {
                QTRY_VERIFY(Form16 && Form16->isVisible());
                QVERIFY(QTest::qWaitForWindowActive(Form16));
                fill(*Form16, QStringLiteral("охр"), QStringLiteral("05032021"));
                pressTransfer(*Form16);
            });
            auto *transfer = Form15->findChild<QPushButton *>(QStringLiteral("BitBtn1"));
            QVERIFY(transfer->isEnabled());
            QTest::mouseClick(transfer, Qt::LeftButton);
            afterTransfer = column(0);
            // Its rows are only shown: Insert, Down past the last row and Ctrl+Delete change nothing.
            DataGrid *grid = Form15->movementGrid();
            grid->setFocus();
            for (auto [key, modifiers] :
                 {std::pair{Qt::Key_Insert, Qt::NoModifier}, std::pair{Qt::Key_Down, Qt::NoModifier},
                  std::pair{Qt::Key_Down, Qt::NoModifier}, std::pair{Qt::Key_Delete, Qt::ControlModifier}})
                QTest::keyClick(grid, key, modifiers);
            QCOMPARE(column(0), afterTransfer);
            QVERIFY(!(grid->model()->flags(grid->currentIndex()) & Qt::ItemIsEditable));
            QTest::keyClick(grid, Qt::Key_Escape);
        });
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_I, Qt::ControlModifier);
        QVERIFY(!Form15);
        QCOMPARE(groups, (QStringList{"Подготовка к поступлению: математика и физика",
                                      "Бухгалтерский учёт и налогообложение"}));
        QCOMPARE(afterTransfer, (QStringList{"Подготовка к поступлению: математика и физика",
                                             "Бухгалтерский учёт и налогообложение", "Охрана труда на предприятии"}));
        // The roster shows the expulsion, on the same row.
        DataGrid *roster = Form1->rosterGrid();
        const int row = roster->currentIndex().row();
        QCOMPARE(roster->model()->index(row, roster->modelColumn(1)).data().toString(),
                 QStringLiteral("Иванов Иван Иванович"));
        QCOMPARE(roster->model()->index(row, roster->modelColumn(7)).data().toString(), QStringLiteral("05.03.2021"));
        QVERIFY(mainWindow->boxes.isEmpty());
    }
};

QTEST_MAIN(TestStudentTransfer)
#include "tst_studenttransfer.moc"
